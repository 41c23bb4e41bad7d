// Bit strings on limbs, with the byte lengths of the bit-at-a-time forms.
#include "bitstring.h"

#include <algorithm>
#include <cstring>

namespace {

// Bytes of a string of p bit positions.
i64 bytes_for_positions(i64 p) { return p <= 0 ? 0 : (p + 7) / 8; }

}  // namespace

BigNat bits_to_bignat(const BitString& x) {
    return big_from_bytes(string_bytes(x), size_t(string_length(x)));
}

BitString bits_from_bignat(const BigNat& v, i64 min_bytes) {
    std::string bytes = big_to_bytes(v);
    if (i64(bytes.size()) < min_bytes) bytes.resize(size_t(min_bytes), '\0');
    return string_from_std(bytes);
}

int bits_get(i64 i, BitString x) {
    if (i < 0 || i / 8 >= string_length(x)) return 0;
    return (string_bytes(x)[i / 8] >> (i % 8)) & 1;
}

void bits_set(i64 i, int v, BitString& x) {
    VORN_ASSERT(i >= 0);
    i64 need = i / 8 + 1;
    i64 len = string_length(x);
    if (len < need) {
        RtString grown = string_with_length(need);
        u8* p = string_writable_bytes(grown);
        std::memcpy(p, string_bytes(x), size_t(len));
        std::memset(p + len, 0, size_t(need - len));
        x = std::move(grown);
    }
    u8& byte = string_char_ref(x, i / 8);
    u8 mask = u8(1u << (i % 8));
    byte = v ? u8(byte | mask) : u8(byte & ~mask);
}

BitString bits_zero(i64 n) {
    if (n == 0) return string_make_empty();
    i64 bytes = n <= 8 ? 1 : (n + 7) / 8;
    RtString z = string_with_length(bytes);
    std::memset(string_writable_bytes(z), 0, size_t(bytes));
    return z;
}

i64 bits_length(BitString x) {
    const u8* p = string_bytes(x);
    for (i64 i = string_length(x); i-- > 0;)
        if (p[i]) return i * 8 + (32 - __builtin_clz(unsigned(p[i])));
    return 0;
}

bool bits_is_zero(BitString x) {
    const u8* p = string_bytes(x);
    for (i64 i = 0; i < string_length(x); i++)
        if (p[i]) return false;
    return true;
}

bool bits_is_nonzero(BitString x) { return !bits_is_zero(std::move(x)); }

BitString bits_trim(BitString x) {
    const u8* p = string_bytes(x);
    i64 n = string_length(x);
    while (n > 0 && p[n - 1] == 0) n--;
    if (n == string_length(x)) return x;
    return string_from_bytes(p, n);
}

BitString bits_increment(BitString x) {
    BigNat v = bits_to_bignat(x);
    big_add_small(v, 1);
    return bits_from_bignat(v, string_length(x));
}

BitString bits_add(BitString a, BitString b) {
    i64 len = std::max(string_length(a), string_length(b)) + 1;
    return bits_from_bignat(big_add(bits_to_bignat(a), bits_to_bignat(b)), len);
}

BitString bits_add_small(BitString x, i64 d) {
    i64 positions = std::max(bits_length(x), int_bit_length(d)) + 1;
    // Only the bits of d below the last position (and below 63) are added.
    i64 taken = std::min<i64>(positions, 63);
    u64 dd = u64(d) & ((u64(1) << taken) - 1);
    BigNat v = bits_to_bignat(x);
    big_add_small(v, dd);
    VORN_ASSERT(big_bit_length(v) <= positions);
    return bits_from_bignat(v, bytes_for_positions(positions));
}

BitString bits_shift_left(i64 k, BitString x) {
    i64 len = string_length(x);
    if (len == 0) return string_make_empty();
    VORN_ASSERT(k >= 0);
    return bits_from_bignat(big_shl(bits_to_bignat(x), k), len + (k + 7) / 8);
}

BitString bits_mul_small(BitString x, i64 m) {
    if (m <= 0) return string_make_empty();
    // The sum of shifted copies grows one byte per copy beyond the longest.
    i64 len = string_length(x), acc = 0;
    for (int k = 0; k < 63; k++) {
        if (!((m >> k) & 1)) continue;
        i64 shifted = len == 0 ? 0 : len + (k + 7) / 8;
        acc = std::max(acc, shifted) + 1;
    }
    BigNat v = bits_to_bignat(x);
    big_mul_small(v, u64(m));
    return bits_from_bignat(v, acc);
}

BitString bits_div_small(BitString x, i64 d) {
    VORN_ASSERT(d > 0);
    BigNat v = bits_to_bignat(x);
    big_divmod_small(v, u64(d));
    return bits_from_bignat(v, string_length(x));
}

i64 bits_mod10(BitString x) {
    BigNat v = bits_to_bignat(x);
    return i64(big_divmod_small(v, 10));
}

i64 int_bit_length(i64 n) {
    u64 u = n < 0 ? 0 - u64(n) : u64(n);
    return u == 0 ? 0 : 64 - __builtin_clzll(u);
}

u64 u64_set_bit(i64 i, int v, u64 w) {
    VORN_ASSERT(i >= 0);
    VORN_ASSERT(i < 64);
    u64 mask = u64(1) << i;
    return v ? (w | mask) : (w & ~mask);
}
