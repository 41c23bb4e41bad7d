// C arguments: an integer, byte-string or data-text value as the one 64-bit
// word that a host-library builtin passes in an integer or pointer place.
#pragma once

#include "node.h"

// The C argument of v (released): an integer as its low 64 bits with the
// sign applied (wrapping); a byte string as the address of its first payload
// byte (the NUL after the leaf's text for "()"); a data leaf as the address
// of its "[". Addresses point into v's node and stay valid while the caller
// holds another reference to it. A data pair has no text of its own: it is
// flattened, flat_hold receives the flat leaf and the address is that leaf's
// "[", valid while the caller keeps flat_hold; for every other value
// flat_hold is left as it is. Any other kind is a fatal assertion; callers
// classify first.
u64 value_to_c_argument(NodeRef v, NodeRef& flat_hold);
