-- A counted loop summing 1 to 10,000,000.
local s = 0
for i = 1, 10000000 do
  s = s + i
end
print(s)
