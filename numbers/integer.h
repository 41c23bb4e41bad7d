// Integers (hint) of any size in terms: a digit leaf ("42", "042" for -42,
// "0"), a list ((J K) x) valued by its bit sequence, or the leaf K (zero).
// Tests, conversions to and from machine integers, signs, order, and the
// conversions into numb and real. A leaf's magnitude is Horner over the
// bytes after its sign mark, each byte c worth max(c - 48, 0).
#pragma once

#include "bits.h"

// SignedIntBits: N div 2 of an integer's NumberBits; bit 0 the sign.
using SignedIntBits = BitString;

// A leaf beginning 'K', '1'..'9', or '0' not followed by '0'; or a pair
// whose left child is (J K) with J and K leaves (by first byte).
bool term_is_integer(NodeRef t);

// A fatal assertion unless term_is_integer.
void term_require_integer(NodeRef t);

// A digit leaf's own text (the text of its value when it holds bytes other
// than digits); a list's canonical digit text; "K" for the leaf K.
RtString integer_text(NodeRef t);

// The digit leaf of v ("042" for -42).
NodeRef integer_make_leaf(i64 v);

// The digit leaf of v, "%llu".
NodeRef integer_make_leaf_u64(u64 v);

// Bits 2..65 of the NumberBits of any number term: the low 64 bits of an
// integer's magnitude, sign dropped. Reads the digits once, mod 2^64.
u64 integer_to_u64(NodeRef t);

// The low 64 bits of the magnitude with the sign applied, wrapping.
i64 integer_to_i64(NodeRef t);

// integer_to_i64.
i64 integer_arg_to_i64(NodeRef t);

// Non-asserting conversions: false for a list that cannot be read, and for a
// term that is not an integer (i64) or not a number at all (u64, which
// reads a numb as integer_to_u64 does).
bool integer_try_to_i64(const NodeRef& t, i64* out);
bool integer_try_to_u64(const NodeRef& t, u64* out);

// integer_text without assertions: false for a term that is not an integer,
// the leaf K, or a list that cannot be read.
bool integer_try_text(const NodeRef& t, RtString* out);

// Whether the term is an integer whose value can be read (every digit leaf
// integer, K, a well-formed list).
bool integer_is_readable(const NodeRef& t);

// Whether the value is zero (K, "0", a zero list). Not checked otherwise.
bool integer_is_zero(NodeRef t);

// Whether the value is not negative.
bool integer_is_nonnegative(NodeRef t);

// Whether the magnitude is odd.
bool integer_is_odd(NodeRef t);

// An integer whose value is not negative; a numb is not.
bool term_is_natural(NodeRef t);

// A fatal assertion unless term_is_natural.
void term_require_natural(NodeRef t);

// |t|: a non-negative leaf comes back as it is; a list gives a digit leaf.
NodeRef integer_abs(NodeRef t);

// -t: K and "0" come back as they are; a list gives a digit leaf.
NodeRef integer_negate(NodeRef t);

// a < b and a >= b by value.
bool integer_less(NodeRef a, NodeRef b);
bool integer_greater_equal(NodeRef a, NodeRef b);

// N div 2: bit 0 the sign, then the magnitude's bits; zero is 0x01.
SignedIntBits integer_to_signed_bits(NodeRef t);

// The numb of the same value ("5" -> "0017").
NodeRef integer_to_numb(NodeRef t);

// strtod of the magnitude's digits, "-" in front when negative.
NodeRef integer_to_real(NodeRef t);

// L of the integer's bit sequence ("5" -> 4, K -> 0).
i64 integer_bit_length(NodeRef t);

// ---------------------------------------------------------------------------
// Shared with the integer arithmetic
// ---------------------------------------------------------------------------

// An integer's value: sign and magnitude.
struct IntValue {
    bool nonnegative = true;
    DecNat mag;
};

// The value of an integer term; false for a non-integer or an unreadable
// list.
bool integer_try_value(const NodeRef& t, IntValue* v);

// The canonical digit leaf of a value; the arity tag set when tagged.
NodeRef integer_leaf_of_value(const IntValue& v, bool tagged = false);
