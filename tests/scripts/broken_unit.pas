function Broken: Integer;
begin
  Result := 'text';
end;
begin end.
