import sys
from functools import reduce

n = int(sys.argv[1]) if len(sys.argv) > 1 else 60000
xs = list(range(1, n + 1))
print(reduce(lambda s, x: s + x * 2, xs, 0))
