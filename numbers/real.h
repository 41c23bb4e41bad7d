// Reals: IEEE 754 doubles carried in a leaf of a blank and the 8 bytes of
// the value, least significant first; every bit pattern is kept. Their "%e"
// texts, the exact conversion to a numb and the truncating one back.
#pragma once

#include "node.h"
#include "s.h"

// The real leaf of d.
NodeRef real_make_leaf(double d);

// The same leaf as real_make_leaf.
NodeRef real_from_double(double d);

// A fatal assertion unless t is a leaf whose first byte is a blank.
void term_require_real(NodeRef t);

// The double held by a real leaf (its bytes 1 to 8).
double real_leaf_value(const NodeRef& t);

// d as "%e" in a 99-byte buffer: "5.000000e+00"; non-finite values as the C
// library spells them ("inf", "-inf", "nan", "-nan"). The one formatter of
// real texts.
RtString real_format(double d);

// real_format of a real leaf's value.
RtString real_to_text(NodeRef t);

// The data leaf "[" + real_to_text + "]".
NodeRef real_to_zits(NodeRef t);

// The exact value of a real leaf as a numb leaf; zeros, infinities and NaNs
// give "00".
NodeRef real_to_numb(NodeRef t);

// A numb as a real, truncated toward zero; a top exponent above 1023 or
// below -1074 gives the NaN 0x7FF9000000000000 whatever the sign.
NodeRef numb_to_real(NodeRef t);

// Bit i of d's 52-bit fraction field; i outside 0..51 is a fatal assertion.
int double_mantissa_bit(i64 i, double d);

// d with its exponent field replaced by e; e outside 0..2047 is a fatal
// assertion.
double double_set_exponent(int16_t e, double d);

// v formatted with "%lli".
RtString i64_to_text(i64 v);
