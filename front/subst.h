// Substitution: a closed value put in place of the free occurrences of one
// local variable, touching only the paths that lead to them.
#pragma once

#include "node.h"

// term with value in place of every free occurrence of the letter x
// ('a'..'z', else a fatal assertion). A subterm whose free-variable mask
// lacks x is the very same node; every occurrence becomes the very node
// value; the binder parts (\ y) and ({ y) are shared; a brace binder's value
// is always substituted, its body only when y is not x. New pairs are left
// untagged. Releases term and value.
NodeRef term_substitute(NodeRef term, NodeRef value, u8 x);
