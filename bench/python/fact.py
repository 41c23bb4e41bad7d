def fac(n):
    p = 1
    while n >= 2:
        p = p * n
        n = n - 1
    return p

print(fac(2000) % 2 ** 32)  # the low 32 bits, as vorn exits with
