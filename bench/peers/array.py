# Fills a 1000 x 1000 array with two nested loops, then sums it.
a = [[0] * 1000 for _ in range(1000)]
for i in range(1000):
    for j in range(1000):
        a[i][j] = i + j
s = 0
for i in range(1000):
    for j in range(1000):
        s += a[i][j]
print(s)
