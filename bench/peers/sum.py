# A counted loop summing 1 to 10,000,000.
s = 0
for i in range(1, 10000001):
    s += i
print(s)
