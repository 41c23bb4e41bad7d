// Exact binary fractions (numb): signed sums of powers of two of any size.
// Their working form NumbBits is a bit string X: bit 0 the sign (1 = not
// negative), bit 2e+1 the coefficient of 2^e (e >= 0), bit 2k that of 2^-k.
// Zero is the byte 0x01; no operation returns a negative zero. A numb term
// is a digit leaf beginning "00" or a list ((J H) x); its X is N / 2.
#pragma once

#include "bits.h"

using NumbBits = BitString;

// Term level.

// A leaf whose first two bytes are "00", or ((x y) z) with x a leaf
// beginning 'J' and y a leaf beginning 'H'.
bool term_is_numb(NodeRef t);

// A fatal assertion unless term_is_numb.
void term_require_numb(NodeRef t);

// X of a numb term: number_to_bits halved (a malformed list gives "").
NumbBits numb_to_bits(NodeRef t);

// X of a numb term; false for a non-numb or a malformed list.
bool numb_try_to_bits(const NodeRef& t, NumbBits* out);

// The digit leaf of 2X; an X with no bit set is a fatal assertion.
NodeRef numb_bits_to_leaf(NumbBits x);

// True for zero and positive values.
bool numb_is_nonnegative(NodeRef t);

// a < b.
bool numb_less(NodeRef a, NodeRef b);

// a - b, through numb_bits_add (so it writes the trace line).
NodeRef numb_subtract(NodeRef a, NodeRef b);

// a * b.
NodeRef numb_multiply(NodeRef a, NodeRef b);

// The remainder rule of numb_bits_remainder; the leaf Z when b is zero.
NodeRef numb_remainder(NodeRef a, NodeRef b);

// NumbBits level.

// Bit 0 set and no other bit set.
bool numb_bits_is_zero(NumbBits x);

// Zero stays 0x01; otherwise bit 0 flipped.
NumbBits numb_bits_negate(NumbBits x);

// Zero stays 0x01; otherwise bit 0 set to s.
NumbBits numb_bits_set_sign(int s, NumbBits x);

// a + b. First appends "jjaa", the digit of bit 0 of a, that of b and "\n"
// to the trace file, on every call.
NumbBits numb_bits_add(NumbBits a, NumbBits b);

// a * b.
NumbBits numb_bits_multiply(NumbBits a, NumbBits b);

// r = |a| reduced by whole multiples of |b| below |b|: r for equal signs,
// otherwise 0 when r is 0 and |b| - r. Never negative. A zero b is a fatal
// assertion.
NumbBits numb_bits_remainder(NumbBits a, NumbBits b);

// A fatal assertion unless bit 0 is set.
void numb_bits_require_nonnegative(NumbBits x);

// The bit of exponent e (position 2e+1 or -2e), 0 past the end.
int numb_bits_get_exponent(i64 e, NumbBits x);

// The highest exponent whose coefficient is 1; a magnitude without one is a
// fatal assertion.
i64 numb_bits_top_exponent(NumbBits x);

// Magnitudes: every one requires its operands non-negative.

// No bit at positions 1 and up.
bool numb_bits_mag_is_zero(NumbBits x);
// a < b and a >= b.
bool numb_bits_mag_less(NumbBits a, NumbBits b);
bool numb_bits_mag_greater_equal(NumbBits a, NumbBits b);
// a + b.
NumbBits numb_bits_mag_add(NumbBits a, NumbBits b);
// a - b; a < b is a fatal assertion.
NumbBits numb_bits_mag_subtract(NumbBits a, NumbBits b);
// a * 2^k.
NumbBits numb_bits_mag_scale(NumbBits a, i64 k);
// a * b.
NumbBits numb_bits_mag_multiply(NumbBits a, NumbBits b);
// r = a reduced by b below b (by aligned division); keep gives r, otherwise
// 0 for r = 0 and b - r. A zero b is a fatal assertion.
NumbBits numb_bits_mag_remainder(bool keep, NumbBits a, NumbBits b);

// ---------------------------------------------------------------------------
// Shared with the other number components
// ---------------------------------------------------------------------------

// A binary fraction as sign, odd mantissa and exponent: mant * 2^exp; zero
// has an empty mant, exp 0 and nonnegative set.
struct NumbValue {
    bool nonnegative = true;
    BigNat mant;
    i64 exp = 0;
};

// The value of X (a bit string without magnitude is zero).
NumbValue numb_value_of_bits(const NumbBits& x);

// The trimmed X of a value.
NumbBits numb_bits_of_value(const NumbValue& v);

// The leaf of a value.
NodeRef numb_leaf_of_value(const NumbValue& v);

// Makes mant odd (or the value zero), moving its factors of two to exp.
void numb_value_normalize(NumbValue& v);
