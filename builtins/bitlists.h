// Bit lists: numbers, reals and byte strings taken apart into lists of truth
// values (J cells over K for 1 and H for 0, ending in K) and numbers read
// back from such lists.
#pragma once

#include "node.h"

// The list form of a number term (taken): K itself; a digit leaf as the full
// list of its sequence; a list with the (J b) parts of its cells kept under
// new cells and a digit-leaf tail expanded; Z for any other leaf and for a
// malformed cell or end anywhere. Iterative.
NodeRef bit_list_canonicalize(NodeRef t);

// lots: a post as the bit list of its byte encoding, a real as its 64
// pattern bits, a number as its canonical bit list, a zits in normal form,
// the leaf K itself; Z otherwise.
NodeRef builtin_lots(NodeRef app);

// lits: a real as its exact numb, the first eight bytes of a post or zits as
// a signed little-endian integer, a bit list read back as its number (K for
// a malformed cell, Z for a malformed end); Z for void values.
NodeRef builtin_lits(NodeRef app);
