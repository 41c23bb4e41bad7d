// Value kinds and truth values: the one classifier that tells which of the
// six data kinds (or void) a term is, and the two truth-leaf helpers.
#pragma once

#include "node.h"

// The kind letter of a value; the letters order the kinds (a < e < ... < w).
using ValueKind = u8;

inline constexpr ValueKind VALUE_KIND_POST = 'a';  // byte string, "(" leaf
inline constexpr ValueKind VALUE_KIND_REAL = 'e';  // IEEE double, blank leaf
inline constexpr ValueKind VALUE_KIND_HINT = 'i';  // integer
inline constexpr ValueKind VALUE_KIND_CRAY = 'k';  // array, newline leaf
inline constexpr ValueKind VALUE_KIND_NUMB = 'o';  // exact binary fraction
inline constexpr ValueKind VALUE_KIND_ZITS = 'u';  // data text
inline constexpr ValueKind VALUE_KIND_VOID = 'w';  // everything else

// The kind letter of v. Blank, "(" and newline leaves are told by one byte
// without a tag; everything else has its tag computed (and cached) first, so
// an undefined multi-letter name is the tag computation's fatal assertion.
// Releases v.
ValueKind value_kind(NodeRef v);

// Returns when b is a leaf whose first byte is "H" or "K"; anything else is
// a fatal assertion. Releases b.
void boolean_require(NodeRef b);

// w when b is true (a leaf starting "K"), 0 when false (starting "H");
// anything else is boolean_require's fatal assertion. Releases b.
i64 boolean_select(NodeRef b, i64 w);

// The first text byte of a leaf; 0 for a pair and for the empty leaf. The
// fixed leaves (J, K, H, I, U, V, Z) are recognised by this byte alone.
inline u8 node_lead_byte(const Node* n) { return node_is_leaf(n) ? leaf_bytes(n)[0] : 0; }

// A handle to a new truth leaf: "K" for true, "H" for false.
NodeRef boolean_make(bool truth);
