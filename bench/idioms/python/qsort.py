import sys

from keys import checksum, keys


def qsort(xs):
    if not xs:
        return []
    pivot, rest = xs[0], xs[1:]
    return (qsort([x for x in rest if x < pivot]) + [pivot]
            + qsort([x for x in rest if x >= pivot]))


n = int(sys.argv[1]) if len(sys.argv) > 1 else 4000
print(checksum(qsort(keys(n))))
