// Comparison builtins: the value comparisons less, gteq, same and diff
// (answers K, H, or Z when a void value takes part), the structural order
// cmpr (answers 1, 0 or 01) and the node identity test raws.
#pragma once

#include "node.h"

// Each takes the saturated application ((name a) b) by value, releases it and
// answers a new leaf.

// K when a orders before b: by kind letter across kinds, by meaning within.
NodeRef builtin_less(NodeRef app);
// K when a orders after b or equals it.
NodeRef builtin_gteq(NodeRef app);
// K when a equals b; the same node is always equal, whatever its kind.
NodeRef builtin_same(NodeRef app);
// K when a differs from b; the same node never differs.
NodeRef builtin_diff(NodeRef app);
// The term order of a and b as an integer: "1" when a sorts first, "0" when
// equal, "01" (minus one) when b sorts first.
NodeRef builtin_cmpr(NodeRef app);
// K when a and b are one node, else H.
NodeRef builtin_raws(NodeRef app);
