// Real bit trees: a real taken apart into a balanced tree of V pairs over
// 64 truth leaves (K = 1, H = 0), bit 0 of the IEEE pattern leftmost, and
// put back together; plus the test of a number list well formed throughout.
#pragma once

#include "node.h"
#include "s.h"

// T = ((V A) B), A = ((V A0) A1), B = ((V B0) B1), each Ai, Bi a V pair of
// two truth leaves. Never fails.
bool term_is_byte_bit_tree(NodeRef t);

// The byte of a byte bit tree, leaf k worth 2^k; any other term is a fatal
// assertion.
u8 bit_tree_to_byte(NodeRef t);

// Three levels of V pairs over eight byte bit trees. Never fails.
bool term_is_real_bit_tree(NodeRef t);

// The 8 bytes of a real bit tree, byte j from the j-th byte tree.
RtString real_from_bit_tree(NodeRef t);

// The real bit tree of a real leaf: one V, one K and one H leaf shared by
// all 126 new pairs. A non-real is a fatal assertion.
NodeRef real_to_bit_tree(NodeRef r);

// A digit-led leaf, or J cells of truth leaves ending at a K leaf or a
// digit-led leaf. A K leaf alone is not a chain. Never fails.
bool term_is_number_chain(NodeRef t);
