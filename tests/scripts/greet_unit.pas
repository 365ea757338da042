function Greeting(name: String): String;
begin
  Result := 'Hello, ' + name;
end;

begin
  lg('unit main code runs');
end.
