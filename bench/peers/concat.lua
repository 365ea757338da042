-- Builds one string from the decimal texts of 1 to 1,000,000. Lua strings are
-- immutable and s = s .. x copies the whole string each time (quadratic), so a
-- Lua programmer collects the pieces in a table and joins them once.
local parts = {}
for i = 1, 1000000 do
  parts[#parts + 1] = tostring(i)
end
local s = table.concat(parts)
print(#s)
