// Bit strings: values and byte lengths against the bit-at-a-time forms.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "bitstring.h"

namespace {

using Bytes = std::string;

RtString rs(const Bytes& b) { return string_from_std(b); }
Bytes bs(const RtString& s) { return string_to_std(s); }

// The bit-at-a-time forms, on host strings.
int ref_get(const Bytes& x, long i) { return i / 8 < long(x.size()) ? (u8(x[i / 8]) >> (i % 8)) & 1 : 0; }
void ref_set(Bytes& x, long i, int v) {
    while (long(x.size()) * 8 <= i) x.push_back(0);
    if (v)
        x[i / 8] = char(u8(x[i / 8]) | (1 << (i % 8)));
    else
        x[i / 8] = char(u8(x[i / 8]) & ~(1 << (i % 8)));
}
Bytes ref_add(const Bytes& a, const Bytes& b) {
    Bytes r;
    long n = 8 * long(std::max(a.size(), b.size()));
    int carry = 0;
    for (long i = 0; i <= n; i++) {
        int t = ref_get(a, i) + ref_get(b, i) + carry;
        ref_set(r, i, t % 2);
        carry = t / 2;
    }
    return r;
}
long ref_length(const Bytes& x) {
    long n = 8 * long(x.size());
    while (n > 0 && !ref_get(x, n - 1)) n--;
    return n;
}
Bytes ref_add_small(const Bytes& x, long d) {
    long dl = d == 0 ? 0 : d == 1 ? 1 : int_bit_length(d / 2) + 1;
    Bytes r;
    int carry = 0;
    for (long i = 0; i < std::max(ref_length(x), dl) + 1; i++) {
        int t = carry + ref_get(x, i) + (i < 63 ? int((d >> i) & 1) : 0);
        ref_set(r, i, t % 2);
        carry = t >= 2;
    }
    return r;
}
Bytes ref_increment(const Bytes& x) {
    Bytes r = x;
    long i = 0;
    for (; ref_get(x, i); i++) ref_set(r, i, 0);
    ref_set(r, i, 1);
    return r;
}
Bytes ref_shift(long k, const Bytes& x) {
    Bytes r;
    for (long i = 0; i < 8 * long(x.size()); i++) ref_set(r, i + k, ref_get(x, i));
    return r;
}
Bytes ref_mul(const Bytes& x, long m) {
    Bytes r;
    if (m < 0) return r;
    for (int k = 0; k < 63; k++)
        if ((m >> k) & 1) r = ref_add(r, ref_shift(k, x));
    return r;
}
Bytes ref_div(const Bytes& x, long d) {
    Bytes q(x.size(), '\0');
    long r = 0;
    for (long i = 8 * long(x.size()) - 1; i >= 0; i--) {
        long t = 2 * r + ref_get(x, i);
        if (t >= d) {
            ref_set(q, i, 1);
            r = t - d;
        } else {
            r = t;
        }
    }
    return q;
}

Bytes random_bytes(std::mt19937_64& rng, size_t n) {
    Bytes b;
    for (size_t i = 0; i < n; i++) b.push_back(char(rng() % 4 == 0 ? 0 : rng()));
    return b;
}

}  // namespace

TEST(BitString, ArithmeticMatchesBitAtATime) {
    std::mt19937_64 rng(1);
    for (int round = 0; round < 200; round++) {
        Bytes a = random_bytes(rng, rng() % 6), b = random_bytes(rng, rng() % 6);
        long m = long(rng() % 5000), k = long(rng() % 20), d = long(rng() % 300 + 1);
        EXPECT_EQ(bs(bits_add(rs(a), rs(b))), ref_add(a, b));
        EXPECT_EQ(bs(bits_shift_left(k, rs(a))), ref_shift(k, a));
        EXPECT_EQ(bs(bits_mul_small(rs(a), m)), ref_mul(a, m));
        EXPECT_EQ(bs(bits_div_small(rs(a), d)), ref_div(a, d));
        long small = long(rng() >> (1 + rng() % 63));
        EXPECT_EQ(bs(bits_add_small(rs(a), small)), ref_add_small(a, small));
        Bytes ones = a + Bytes(rng() % 3, '\xff');
        EXPECT_EQ(bs(bits_increment(rs(ones))), ref_increment(ones));
    }
}

TEST(BitString, EdgeCases) {
    EXPECT_EQ(bits_get(8, rs("\xff")), 0);
    RtString x = string_make_empty();
    bits_set(20, 1, x);
    EXPECT_EQ(bs(x), Bytes("\x00\x00\x10", 3));
    EXPECT_EQ(bs(bits_increment(rs("\xff"))), Bytes("\x00\x01", 2));
    EXPECT_EQ(bs(bits_increment(rs(Bytes("\x01\x00", 2)))), Bytes("\x02\x00", 2));
    EXPECT_EQ(bs(bits_add(rs("\xff"), rs("\x01"))), Bytes("\x00\x01", 2));
    EXPECT_EQ(bs(bits_div_small(rs("\x17"), 2)), "\x0b");
    EXPECT_EQ(bs(bits_div_small(rs("\x17"), 10)), "\x02");
    EXPECT_EQ(bits_mod10(rs("\x17")), 3);
    EXPECT_EQ(bits_mod10(string_make_empty()), 0);
    EXPECT_EQ(bs(bits_trim(rs(Bytes("\x05\x00\x00", 3)))), "\x05");
    EXPECT_EQ(bs(bits_trim(rs(Bytes("\x00\x00", 2)))), "");
    EXPECT_EQ(bs(bits_zero(9)), Bytes(2, '\0'));
    EXPECT_EQ(bs(bits_zero(16)), Bytes(2, '\0'));
    EXPECT_EQ(bs(bits_zero(17)), Bytes(3, '\0'));
    EXPECT_EQ(bs(bits_zero(0)), "");
    EXPECT_EQ(bs(bits_mul_small(rs("\x35"), 0)), "");
    EXPECT_EQ(bits_length(rs(Bytes("\x00\x01\x00", 3))), 9);
    EXPECT_TRUE(bits_is_zero(rs(Bytes("\x00\x00", 2))));
    EXPECT_TRUE(bits_is_nonzero(rs("\x80")));
    // x + d in max(bits of x, bits of d) + 1 positions.
    EXPECT_EQ(bs(bits_add_small(string_make_empty(), 0)), Bytes(1, '\0'));
    EXPECT_EQ(bs(bits_add_small(rs(Bytes("\x7f\x00\x00", 3)), 1)), "\x80");
    EXPECT_EQ(bs(bits_add_small(rs("\x01"), 255)), Bytes("\x00\x01", 2));
    EXPECT_EQ(int_bit_length(0), 0);
    EXPECT_EQ(int_bit_length(1), 1);
    EXPECT_EQ(int_bit_length(3), 2);
    EXPECT_EQ(u64_set_bit(63, 1, 0), u64(1) << 63);
    EXPECT_EQ(u64_set_bit(0, 0, 3), 2u);
}

TEST(BitString, SetCopiesASharedString) {
    RtString a = rs("\x01");
    RtString b = string_copy(a);
    bits_set(1, 1, b);
    EXPECT_EQ(bs(a), "\x01");
    EXPECT_EQ(bs(b), "\x03");
}

TEST(BitStringDeath, BadIndices) {
    RtString x = string_make_empty();
    EXPECT_DEATH(bits_set(-1, 1, x), "ASSERTION FAILED:bitstring:");
    EXPECT_DEATH(u64_set_bit(64, 1, 0), "ASSERTION FAILED:bitstring:");
}
