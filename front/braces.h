// Brace rewriting: a brace binder whose bound part is a pair of two names,
// X{e}body with X = (a b), takes the pair that e computes apart.
#pragma once

#include "node.h"

// t rebuilt bottom up: every pair is a new node, leaves are shared. A brace
// binder ((({ (a b)) e) body) with a and b definable name leaves becomes
// ((({ b) e) ((({ a) (B K)) ((({ b) (B H)) body))), B a new leaf holding
// the normalised name b, with new "{", "K" and "H" leaves: b holds the pair,
// then a its first and b its second component. Only one level is taken
// apart; every other shape is rebuilt unchanged. Releases t.
NodeRef term_rewrite_braces(NodeRef t);
