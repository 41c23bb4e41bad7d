// Data texts (`zits`): sequences of bytes and nested bracketed groups, held
// as a data leaf "[" ... "]" or as a data pair (L R), which stands for L with
// R appended as one last element. A single byte, taken out as an element,
// is the data leaf of its bracket name; flattening writes a bracket name
// back as its byte.
//
// Leaves whose brackets do not balance (left by in-place byte writes) are
// read within their text only: an element that is a stray bracket or a group
// without opener reads as the leaf Z, and nothing here asserts on them.
#pragma once

#include <string>

#include "node.h"

// Every operation takes its handles by value and releases them.

// True when t's tag (computed and cached first) is TAG_DATA.
bool term_is_zits(NodeRef t);

// Returns when term_is_zits(t); otherwise a fatal assertion.
void zits_require(NodeRef t);

// True exactly when z (a data term) is the leaf "[]"; a pair never is.
bool zits_is_empty(NodeRef z);

// A new data leaf "[" + s + "]" (s released); no check, no escaping.
NodeRef zits_from_string(RtString s);

// A new data leaf (refcount 0) "[" + n bytes + "]" whose n bytes, at
// *content, the caller writes at once, before wrapping the leaf in a handle.
Node* zits_new_unwritten(i64 n, u8** content);

// True when the n bytes nest: no "]" closes more than was opened before it
// and every "[" is closed by the end.
bool zits_bytes_balanced(const u8* bytes, i64 n);

// z itself when it is a leaf, else a new data leaf of the whole sequence.
NodeRef zits_flatten(NodeRef z);

// The flattened text without its first and last byte.
RtString zits_text(NodeRef z);

// The length of z's text with its outer brackets: the tag's recorded length
// when it is 2 or more, else a leaf's own length or a pair's sum of its
// children's lengths (which counts a bracket-name right child whole).
i64 zits_text_length(NodeRef z);

// All elements but the last, as a data term (a pair's left child); Z when
// the last element of a leaf cannot be read. z must not be empty.
NodeRef zits_left(NodeRef z);

// The last element as a data leaf: a group as it stands, a byte as its
// bracket name (a pair's right child as it is); Z when it cannot be read.
// z must not be empty.
NodeRef zits_right(NodeRef z);

// The list tree of z built from new J and K leaves: K for the empty text,
// else ((J list(left)) list(right)); a byte element counts as its bracket
// name. Where an element cannot be read the cell is ((J Z) Z).
NodeRef zits_to_cons_list(NodeRef z);

// z in the shape builtin `lots` works on: a new "[]" for the empty text; one
// leaf (the flattened z) when the last element is a byte; otherwise the pair
// (normalized rest, normalized last group). Where an element cannot be read
// the answer there is the pair (Z Z).
NodeRef zits_normalize(NodeRef z);

// The byte whose bracket name is the n bytes at p, or -1 when they are not
// the name of a byte.
int zits_named_byte(const u8* p, i64 n);

// The flattened text of the data term z, outer brackets included, appended
// to out; z is borrowed, not released. Used by the printer and comparisons.
void zits_flatten_append(const Node* z, std::string& out);
