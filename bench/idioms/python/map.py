import sys

n = int(sys.argv[1]) if len(sys.argv) > 1 else 60000
xs = list(range(1, n + 1))
print(sum([x * 2 for x in xs]))
