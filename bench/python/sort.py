def gen(n):
    xs = []
    x = 1
    while n >= 1:
        xs.append(x)
        y = x + 40503
        x = y - 65536 if y > 65535 else y
        n = n - 1
    xs.reverse()
    return xs

def merge(a, b):
    out = []
    i = j = 0
    while i < len(a) and j < len(b):
        if a[i] < b[j]:
            out.append(a[i])
            i = i + 1
        else:
            out.append(b[j])
            j = j + 1
    return out + a[i:] + b[j:]

def msort(xs):
    if len(xs) <= 1:
        return xs
    return merge(msort(xs[1::2]), msort(xs[0::2]))

print(msort(gen(16384))[5000])
