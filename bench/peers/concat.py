# Builds one string from the decimal texts of 1 to 1,000,000 by plain concatenation.
s = ""
for i in range(1, 1000001):
    s = s + str(i)
print(len(s))
