import sys

sys.setrecursionlimit(1000000)


def even(n):
    return True if n == 0 else odd(n - 1)


def odd(n):
    return False if n == 0 else even(n - 1)


n = int(sys.argv[1]) if len(sys.argv) > 1 else 30000
print(sum(k for k in range(8) if even(n + k)))
