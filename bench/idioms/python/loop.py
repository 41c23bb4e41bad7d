import sys

n = int(sys.argv[1]) if len(sys.argv) > 1 else 300000
s = 0
for i in range(n):
    s += i
print(s)
