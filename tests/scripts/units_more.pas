function Thrice(x: Integer): Integer;
begin
  Result := x * 3;
end;

begin
  lg('units_more statements');
end.
