// Data heads: what a vector, a number leaf, bracketed data, a byte string
// and a real answer when applied to one argument. Each takes the head and the
// argument by value and returns the contractum; none ends the evaluation.
#pragma once

#include "node.h"

// The largest element count of a vector (its 26-bit count field).
inline constexpr u64 CRAY_COUNT_MAX = 0x3FFFFFF;

// Vector h of n slots applied to a1: a1 a leaf beginning "Z" gives the
// element list; for n >= 1 an integer index (negative from the end) gives K
// for a full slot, H for an empty one, Z out of range or for a non-integer;
// the empty vector applied to a natural number below 2^26 gives a new vector
// of that many empty slots, and Z for anything else.
NodeRef head_vector_apply(NodeRef h, NodeRef a1);

// A number leaf h as its list cell: ((V head-bit) tail); the argument is not
// used.
NodeRef head_number_apply(NodeRef h);

// Data h applied to g: empty data gives ((g (X J)) K); non-empty data applied
// to a leaf beginning "G" gives ((V all-but-last) last); otherwise
// ((g (X J)) list form).
NodeRef head_zits_apply(NodeRef h, NodeRef g);

// A byte string h as a value: Z when empty, the bit tree of its one byte, or
// ((V front) back) split at the largest power of two below its length; the
// argument is not used.
NodeRef head_post_apply(NodeRef h);

// A real h applied to g: (bit-tree g), the tree of its 64 bits.
NodeRef head_real_apply(NodeRef h, NodeRef g);
