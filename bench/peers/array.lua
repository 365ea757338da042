-- Fills a 1000 x 1000 array with two nested loops, then sums it.
local a = {}
for i = 0, 999 do
  a[i] = {}
  for j = 0, 999 do
    a[i][j] = i + j
  end
end
local s = 0
for i = 0, 999 do
  for j = 0, 999 do
    s = s + a[i][j]
  end
end
print(s)
