def build(n):
    cells = None
    i = 1
    while i <= n:
        cells = (i, cells)
        i = i + 1
    return cells

def total(cells, s):
    while cells is not None:
        s = s + cells[0]
        cells = cells[1]
    return s

print(total(build(1000000), 0))
