import sys

from keys import checksum, keys


def merge(a, b):
    out = []
    i = j = 0
    while i < len(a) and j < len(b):
        if a[i] < b[j]:
            out.append(a[i])
            i += 1
        else:
            out.append(b[j])
            j += 1
    return out + a[i:] + b[j:]


def msort(xs):
    if len(xs) <= 1:
        return xs
    mid = len(xs) // 2
    return merge(msort(xs[:mid]), msort(xs[mid:]))


n = int(sys.argv[1]) if len(sys.argv) > 1 else 3000
print(checksum(msort(keys(n))))
