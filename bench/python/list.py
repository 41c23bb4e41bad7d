xs = [i for i in range(1, 1000000 + 1)]
print(sum(xs))
