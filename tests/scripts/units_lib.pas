uses 'units_lib.pas';
const
  UnitGreeting = 'from the unit';

function Twice(x: Integer): Integer;
begin
  Result := x * 2;
end;

begin
  lg('units_lib statements');
end.
