// Ends and sizes of values: the empty test, all but the last and the last
// element of a data text or its pair view (leaf, left, rght), the sign and
// negation of numbers that double as the front and rest of a byte string
// and the two ends of a data text (buck, wave), and the size of any value
// (rank).
#pragma once

#include "node.h"

// leaf a: K for the empty data text "[]" or an empty pair view V (X J) K,
// H for every other data text or pair view; Z for anything else.
NodeRef builtin_leaf(NodeRef app);

// left a: all but the last element of a data text, or the pair view
// V (X J) p of a view V (X J) ((J p) q); Z when empty or of another shape.
NodeRef builtin_left(NodeRef app);

// rght a: the last element of a data text (a byte as its bracket name), or
// the pair view V (X J) q of a view V (X J) ((J p) q); Z when empty or of
// another shape.
NodeRef builtin_rght(NodeRef app);

// buck a: K or H for the sign of a number (H when negative, or for a real
// whose sign bit is set); the first byte of a post as a one-element data
// text; all but the last element of a data text; Z for empty sequences,
// crays and void.
NodeRef builtin_buck(NodeRef app);

// wave a: the negated number (a real's sign bit flipped); a post without
// its first byte; the last element of a data text; Z for empty sequences,
// crays and void.
NodeRef builtin_wave(NodeRef app);

// rank a: the payload length of a post, 8 for a real, the length of a
// number's canonical text, the slot count of a cray, the content length of
// a data text; Z for void.
NodeRef builtin_rank(NodeRef app);
