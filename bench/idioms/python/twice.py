import sys


def twice(f, x):
    return f(f(x))


def inc(x):
    return x + 3


n = int(sys.argv[1]) if len(sys.argv) > 1 else 100000
s = 0
for _ in range(n):
    s = twice(inc, s)
print(s)
