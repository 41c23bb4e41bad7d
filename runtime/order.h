// Term order: a structural total order on terms by their bytes and shape
// (leaves before pairs, leaves by their bytes, pairs by left then right).
#pragma once

#include "node.h"

// +1 when a sorts before b, 0 when they are equal, -1 when a sorts after b
// (note the sign). The same node is equal; a leaf sorts before a pair; two
// leaves compare their leaf_byte_length bytes unsigned, a proper prefix
// first; two pairs compare left children, then right children. Releases
// both handles. Iterative, so any depth is fine.
i8 term_compare(NodeRef a, NodeRef b);

// term_compare of two borrowed nodes; no reference is taken or dropped.
i8 term_compare_nodes(const Node* a, const Node* b);
