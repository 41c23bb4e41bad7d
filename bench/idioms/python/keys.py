# The keys the sorting and tree programs work on, and the checksum of a
# sorted list: the same generator and weighting as their vorn twins.


def keys(n):
    xs = []
    x = 1
    for _ in range(n):
        xs.append(x)
        x = x + 40503
        if x > 65535:
            x -= 65536
    return xs


def checksum(xs):
    return sum(i * x for i, x in enumerate(xs, 1))
