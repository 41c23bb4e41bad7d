import sys

n = int(sys.argv[1]) if len(sys.argv) > 1 else 100000
xs = list(range(1, n + 1))
print(sum(xs))
