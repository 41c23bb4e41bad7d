// Value comparison: the order and equality of values by meaning (numbers
// by value, texts by bytes, arrays element by element), answered with the
// truth leaves K and H, or Z when a void value is involved. Values of
// different kinds are never equal and order by their kind letters.
#pragma once

#include "node.h"

// Each takes both handles by value, releases them, and answers a new leaf.

// K when a and b differ, H when equal, Z when a void value is involved; the
// same node is always equal (H), whatever its kind.
NodeRef value_diff(NodeRef a, NodeRef b);
// K when equal, H when they differ, Z; the same node is always equal (K).
NodeRef value_same(NodeRef a, NodeRef b);
// K when a sorts strictly before b, else H; Z.
NodeRef value_less(NodeRef a, NodeRef b);
// K when a sorts after b or equals it, else H; Z.
NodeRef value_gteq(NodeRef a, NodeRef b);

// The same four questions for two arrays (cray_require on both): element by
// element from index 0, an element that is the same node in both skipped,
// the first unequal element deciding, a shorter array with an equal common
// part first; arrays of different lengths differ. Nested arrays of any
// depth are compared with an explicit work list.
NodeRef cray_diff(NodeRef a, NodeRef b);
NodeRef cray_same(NodeRef a, NodeRef b);
NodeRef cray_less(NodeRef a, NodeRef b);
NodeRef cray_gteq(NodeRef a, NodeRef b);
