import sys

from keys import checksum, keys


def isort(xs):
    xs = list(xs)
    for i in range(1, len(xs)):
        x = xs[i]
        j = i - 1
        while j >= 0 and xs[j] > x:
            xs[j + 1] = xs[j]
            j -= 1
        xs[j + 1] = x
    return xs


n = int(sys.argv[1]) if len(sys.argv) > 1 else 700
print(checksum(isort(keys(n))))
