// Byte lists and byte texts: hand-built structures of the prelude's leaves
// turned into text. A byte cell tree is a depth-three tree of J cells over
// the bit leaves I (1) and H (0), least significant bit leftmost; a byte text
// gathers such trees in J cells ending in K; a bracket list is J cells over K
// leaves and reads as a data text. Leaves count by their first byte only.
#pragma once

#include "node.h"

// Every operation takes its term by value and releases it.

// True when t is a byte cell tree ((J ((J ((J b0) b1)) ((J b2) b3))) ((J ((J
// b4) b5)) ((J b6) b7))) with every b a leaf starting "I" or "H".
bool term_is_byte_cell_tree(NodeRef t);

// The byte of a byte cell tree: bit k set when b_k starts with "I".
// Defined only on trees that term_is_byte_cell_tree accepts.
u8 cell_tree_to_byte(NodeRef t);

// True when t is a byte text: a K leaf (no bytes), a byte cell tree (its
// byte), or a J cell of two byte texts (their bytes in order).
bool term_is_byte_text(NodeRef t);

// The bytes of a byte text; defined only on terms term_is_byte_text accepts.
RtString byte_lists_to_text(NodeRef t);

// The data leaf of a bracket list (K is "[]"; a J cell is its left list with
// its right list appended as the last element, a byte's bracket name written
// as that byte), or a new leaf Z when t is not a bracket list.
NodeRef list_to_bracket_name(NodeRef t);
