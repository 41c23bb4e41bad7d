// Natural numbers of any size in 64-bit limbs, least significant first: the one
// arithmetic engine under bit strings, digit texts, integers and binary
// fractions. Internal to the number code; values are plain vectors.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// A natural number; `limbs` holds no high zero limb, so zero is empty.
struct BigNat {
    std::vector<uint64_t> limbs;
};

// The number v.
BigNat big_from_u64(uint64_t v);

// Whether x is zero.
bool big_is_zero(const BigNat& x);

// The number of binary digits of x (0 for zero).
int64_t big_bit_length(const BigNat& x);

// Bit i of x (0 past the end); i >= 0.
bool big_bit(const BigNat& x, int64_t i);

// Sets bit i of x to 1, growing x as needed; i >= 0.
void big_set_bit(BigNat& x, int64_t i);

// The index of the lowest set bit of x; 0 for zero.
int64_t big_low_zero_bits(const BigNat& x);

// x mod 2^64.
uint64_t big_low_u64(const BigNat& x);

// -1, 0 or 1 as a < b, a = b, a > b.
int big_compare(const BigNat& a, const BigNat& b);

// a + b.
BigNat big_add(const BigNat& a, const BigNat& b);

// a - b; a >= b is a fatal assertion.
BigNat big_sub(const BigNat& a, const BigNat& b);

// x + d, in place.
void big_add_small(BigNat& x, uint64_t d);

// x * m, in place.
void big_mul_small(BigNat& x, uint64_t m);

// a * b (schoolbook for short factors, Karatsuba above).
BigNat big_mul(const BigNat& a, const BigNat& b);

// x div d in place; returns x mod d. d = 0 is a fatal assertion.
uint64_t big_divmod_small(BigNat& x, uint64_t d);

// Quotient and remainder of a by b (either pointer may be null); b = 0 is a
// fatal assertion.
void big_divmod(const BigNat& a, const BigNat& b, BigNat* q, BigNat* r);

// x * 2^k and x div 2^k, k >= 0.
BigNat big_shl(const BigNat& x, int64_t k);
BigNat big_shr(const BigNat& x, int64_t k);

// x mod 2^k, k >= 0.
BigNat big_low_bits(const BigNat& x, int64_t k);

// The number whose little-endian bytes are p[0..n).
BigNat big_from_bytes(const unsigned char* p, size_t n);

// The little-endian bytes of x without high zero bytes ("" for zero).
std::string big_to_bytes(const BigNat& x);

// The value of the decimal numeral p[0..n), most significant first, where a
// byte c counts as the digit max(c - 48, 0) (so bytes past '9' carry over).
BigNat big_from_digits(const char* p, size_t n);

// The decimal numeral of x, most significant first, no leading zeros; "0"
// for zero.
std::string big_to_digits(const BigNat& x);

// ---------------------------------------------------------------------------
// The decimal face: the same naturals in base 10^9 limbs, so that integer
// arithmetic reads and writes digit texts in one pass and a sum costs no
// more than the digits it touches.
// ---------------------------------------------------------------------------

inline constexpr uint32_t DEC_BASE = 1000000000;

// A natural number; `limbs` (each below 10^9) holds no high zero limb.
struct DecNat {
    std::vector<uint32_t> limbs;
};

DecNat dec_from_u64(uint64_t v);
bool dec_is_zero(const DecNat& x);
// Whether x is odd.
bool dec_is_odd(const DecNat& x);
// -1, 0 or 1 as a < b, a = b, a > b.
int dec_compare(const DecNat& a, const DecNat& b);
DecNat dec_add(const DecNat& a, const DecNat& b);
// a - b; a < b is a fatal assertion.
DecNat dec_sub(const DecNat& a, const DecNat& b);
// x + d in place, d < 10^9.
void dec_add_small(DecNat& x, uint32_t d);
// a * b (schoolbook for short factors, Karatsuba above).
DecNat dec_mul(const DecNat& a, const DecNat& b);
// x div d in place, returns x mod d; 0 < d <= 10^9.
uint32_t dec_divmod_small(DecNat& x, uint32_t d);
// Quotient and remainder (either pointer may be null); b = 0 is a fatal
// assertion.
void dec_divmod(const DecNat& a, const DecNat& b, DecNat* q, DecNat* r);
// a^e by square-and-multiply; 0^0 = 1. A result too large for any memory
// ends the process as an allocation failure would.
DecNat dec_pow(const DecNat& a, const DecNat& e);
// The value of the numeral p[0..n) under the digit rule of big_from_digits,
// in one pass.
DecNat dec_from_digits(const char* p, size_t n);
// The numeral of x without leading zeros ("0" for zero), in one pass.
std::string dec_to_digits(const DecNat& x);
// Between the two faces (through digit texts).
BigNat big_from_dec(const DecNat& x);
DecNat dec_from_big(const BigNat& x);
