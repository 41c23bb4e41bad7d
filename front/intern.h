// Interning of terms: structurally equal terms made one node, through the
// program-wide store of interned terms.
//
// The store is hashed, not ordered. Its order would never be observed, only
// which term is stored for each shape, and an ordered set pays for it on long
// spines of values (a body of nested lambdas, say): two neighbours in the term
// order differ only at their far end, so storing n such parts costs n * n / 2
// node comparisons. This store finds a term by a structural hash and then
// compares it whole; every answer is the one an ordered store would give.
#pragma once

#include <vector>

#include "node.h"

// The stored term equal to term; when none is stored, a leaf is stored as it
// is, and a pair after its children have been interned, left first: the pair
// itself when they came back as the same nodes, else a new pair of the
// interned children. Every subterm of the result is then stored. Releases
// term.
NodeRef intern_term(NodeRef term);

// Takes term out of the store unless it is a value: when an equal term is
// stored it is removed, then the left and right children are forgotten the
// same way; when none is stored the children are not visited. Releases term.
void intern_forget(NodeRef term);

// The checker's interning step: empties the store, replaces the body of
// every definition, in key order, by intern_term of it, then removes every
// stored term that is not a value.
void intern_definitions();

// Removes every stored term that nothing but the store holds (and then the
// children that this leaves held by the store alone). No one can tell such a
// term from an equal one made later, so interning answers the same. Returns
// the number removed.
i64 intern_sweep_unheld();

// The stored term equal to term, or null when there is none. Releases term.
NodeRef intern_find(NodeRef term);

// The number of stored terms.
i64 intern_count();

// Every stored term, in no particular order.
std::vector<NodeRef> intern_stored_terms();

// Removes every stored term.
void intern_clear();
