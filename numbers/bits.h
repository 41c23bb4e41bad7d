// Number bit sequences: every exact number is one bit sequence b0 .. b(L-1),
// held as NumberBits (the natural number 2^L + sum b_i 2^i in a bit string),
// as a digit leaf text, or as a NumberList of J cells over K (1) and H (0).
// b0 = 1 marks an integer, b0 = 0 a binary fraction.
//
// Digit texts: "0" = 3, D = 4D + 3, "0"D = 4D + 1, "00" = 2, "00" and k
// zeros = 2^(k+1), "00", k zeros and D = 2^(k+1) (2D + 1). A byte c of a
// numeral counts as the digit max(c - 48, 0) everywhere in the number code.
#pragma once

#include "bitstring.h"
#include "node.h"
#include "values.h"

using NumberBits = BitString;

// Non-empty with a non-zero last byte.
bool number_bits_is_valid(NumberBits n);

// A fatal assertion unless valid.
void number_bits_require_valid(NumberBits n);

// The one byte 0x01 (the empty sequence), or valid.
bool number_bits_is_empty_or_valid(NumberBits n);

// L, the index of the end marker (requires validity).
i64 number_bits_length(NumberBits n);

// b_i; a fatal assertion unless valid and 0 <= i < L.
int number_bits_get(i64 i, NumberBits n);

// a's sequence followed by b's (both must be valid).
NumberBits number_bits_concat(NumberBits a, NumberBits b);

// The NumberList of the sequence, ending in K; new J, K, H leaves per cell.
NodeRef number_bits_to_list(NumberBits n);

// The empty sequence gives the leaf K, any other the digit leaf of its text
// (requires validity).
NodeRef number_bits_to_term(NumberBits n);

// The digit leaf text of N >= 2, after dropping high zero bytes. The empty
// sequence and an all-zero string are fatal assertions.
RtString number_bits_to_text(NumberBits n);

// N of a digit leaf text; the empty text is a fatal assertion. A minus mark
// before a zero magnitude reads as zero ("0" then bytes worth 0 gives 3).
NumberBits number_bits_from_text(RtString t);

// The leaf K, a leaf whose first byte is a digit, or a pair ((J b) x) with J
// a leaf beginning 'J' and b a leaf beginning 'H' or 'K' (outer cell only).
bool term_is_number(NodeRef t);

// A fatal assertion unless term_is_number.
void term_require_number(NodeRef t);

// The sequence of a number term (requires term_is_number). A list whose
// deeper cells are malformed gives "", which is not a valid NumberBits.
NumberBits number_to_bits(NodeRef t);

// The digit leaf text of the term's sequence; "K" for the empty sequence.
// Requires term_is_number and a readable term.
RtString number_to_text(NodeRef t);

// H for a text beginning "00", otherwise K: b0 as a list bit.
NodeRef number_leaf_head(RtString t);

// The leaf of the sequence after b0: K for "0" and "00". Costs one pass over
// the digits for the common shapes rather than a conversion each way.
NodeRef number_leaf_tail(RtString t);

// Non-asserting readers. They answer false where the term is not a number,
// or is a list whose deeper cells are malformed or that ends in an empty
// leaf, and fill *out otherwise.
bool number_try_to_bits(const NodeRef& t, NumberBits* out);
bool number_try_to_text(const NodeRef& t, RtString* out);

// ---------------------------------------------------------------------------
// Shared with the other number components
// ---------------------------------------------------------------------------

// N of a number term as a limb number; false where number_try_to_bits is.
bool number_try_value(const Node* t, BigNat* n);

// N of the digit text p[0..len) (len > 0).
BigNat number_value_of_text(const u8* p, i64 len);

// The canonical digit text of N >= 2.
std::string number_text_of_value(const BigNat& n);

// Whether p[0..len) is the canonical text of its own value (digits only).
bool number_text_is_canonical(const u8* p, i64 len);

// For a cell ((J b) rest) with b a leaf beginning K or H: its bit (1 or 0);
// -1 for anything else.
int node_raw_cell_bit(const Node* n);

// A new handle to a new leaf of the host string's bytes.
NodeRef leaf_from_std(const std::string& text);
