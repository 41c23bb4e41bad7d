def loop():
    i = 0
    s = 0
    while i < 1000000:
        s = s + i
        i = i + 1
    return s

print(loop())
