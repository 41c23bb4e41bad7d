import sys

n = int(sys.argv[1]) if len(sys.argv) > 1 else 100000
s = 0
for i in range(n):
    k = i % 7
    s = s + i + k
print(s)
