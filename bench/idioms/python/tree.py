import sys

from keys import checksum, keys


class Node:
    __slots__ = ("left", "key", "right")

    def __init__(self, key):
        self.left = None
        self.key = key
        self.right = None


def insert(node, key):
    if node is None:
        return Node(key)
    if key < node.key:
        node.left = insert(node.left, key)
    else:
        node.right = insert(node.right, key)
    return node


def walk(node, out):
    if node is not None:
        walk(node.left, out)
        out.append(node.key)
        walk(node.right, out)
    return out


n = int(sys.argv[1]) if len(sys.argv) > 1 else 3000
root = None
for k in keys(n):
    root = insert(root, k)
print(checksum(walk(root, [])))
