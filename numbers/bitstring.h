// Bit strings: natural numbers as little-endian bits in a runtime string (bit
// i is bit i mod 8 of byte i div 8; high zero bytes allowed). Results keep
// the byte lengths that callers can see; the arithmetic runs on limbs.
#pragma once

#include "bignum.h"
#include "s.h"

using BitString = RtString;

// Bit i of x (0 or 1); 0 at or past the end. Callers pass i >= 0.
int bits_get(i64 i, BitString x);

// In place: grows x with zero bytes until bit i exists, then sets it to v
// (copy on write). A negative i is a fatal assertion.
void bits_set(i64 i, int v, BitString& x);

// n zero bits: n div 8 rounded up zero bytes; 0 gives "", n <= 8 one byte.
BitString bits_zero(i64 n);

// The index of the highest set bit + 1; 0 when no bit is set.
i64 bits_length(BitString x);

// Whether no bit / some bit is set.
bool bits_is_zero(BitString x);
bool bits_is_nonzero(BitString x);

// x without its high zero bytes; an all-zero x gives "".
BitString bits_trim(BitString x);

// x + 1, as long as x unless the carry runs past its end.
BitString bits_increment(BitString x);

// a + b in max(length a, length b) + 1 bytes.
BitString bits_add(BitString a, BitString b);

// x + d in max(bits_length x, bit length of d) + 1 bit positions. A carry
// out of the last position is a fatal assertion.
BitString bits_add_small(BitString x, i64 d);

// x * 2^k; an empty x stays empty, otherwise k/8 rounded up bytes longer.
// A negative k with a non-empty x is a fatal assertion.
BitString bits_shift_left(i64 k, BitString x);

// x * m for 0 <= m < 2^63, a negative m gives ""; the length is that of
// summing shifted copies of x, one per set bit of m.
BitString bits_mul_small(BitString x, i64 m);

// x div d, as long as x. d <= 0 is a fatal assertion.
BitString bits_div_small(BitString x, i64 d);

// x mod 10.
i64 bits_mod10(BitString x);

// The number of binary digits of |n| (0 -> 0, 1 -> 1, 2 and 3 -> 2).
i64 int_bit_length(i64 n);

// w with bit i set (v != 0) or cleared; i outside 0..63 is a fatal assertion.
u64 u64_set_bit(i64 i, int v, u64 w);

// The natural number held by x.
BigNat bits_to_bignat(const BitString& x);

// The bit string of v in max(min_bytes, its own byte count) bytes.
BitString bits_from_bignat(const BigNat& v, i64 min_bytes = 0);
