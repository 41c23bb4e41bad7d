// Reals: leaf bytes, "%e" texts, and the exact round trip through numb.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <string>

#include "bitstring.h"
#include "numb.h"
#include "real.h"

namespace {

NodeRef leaf(const std::string& s) { return noderef_wrap(leaf_new_from_bytes(s.data(), i64(s.size()))); }
std::string text(const NodeRef& t) { return string_to_std(node_text(t)); }

u64 pattern(const NodeRef& real) {
    u64 p;
    std::memcpy(&p, leaf_bytes(real.node) + 1, 8);
    return p;
}

double from_pattern(u64 p) {
    double d;
    std::memcpy(&d, &p, 8);
    return d;
}

const u64 OVERFLOW_NAN = 0x7FF9000000000000ull;

// The conversions step by step on the bit string X, as their definitions
// read: positions 2e + 1 for 2^e (e >= 0) and -2e for 2^e (e < 0).
long ref_pos(long e) { return e >= 0 ? 2 * e + 1 : -2 * e; }
int ref_coef(const std::string& x, long e) {
    long p = ref_pos(e);
    return p / 8 < long(x.size()) ? (u8(x[p / 8]) >> (p % 8)) & 1 : 0;
}
void ref_set_coef(std::string& x, long e) {
    long p = ref_pos(e);
    while (long(x.size()) * 8 <= p) x.push_back(0);
    x[p / 8] = char(u8(x[p / 8]) | (1 << (p % 8)));
}

u64 ref_numb_to_real(const std::string& x) {
    long n = long(x.size()), top = LONG_MIN;
    for (long p = 8 * n - 1; p >= 1 && top == LONG_MIN; p--)
        if (p % 2 && ref_coef(x, (p - 1) / 2)) top = (p - 1) / 2;
    for (long p = 2; p < 8 * n && top == LONG_MIN; p += 2)
        if (ref_coef(x, -p / 2)) top = -p / 2;
    if (top == LONG_MIN) return 0;  // zero
    if (top > 1023 || top < -1074) return OVERFLOW_NAN;
    u64 w = (u8(x[0]) & 1) ? 0 : u64(1) << 63;
    if (top >= -1022) {
        w |= u64(top + 1023) << 52;
        for (int k = 51; k >= 0; k--) w = u64_set_bit(k, ref_coef(x, top - 52 + k), w);
    } else {
        for (long q = top; q >= -1074; q--) w = u64_set_bit(q + 1074, ref_coef(x, q), w);
    }
    return w;
}

std::string ref_real_to_numb(u64 p) {
    u64 field = (p >> 52) & 2047, fraction = p & ((u64(1) << 52) - 1);
    if (field == 2047 || (field == 0 && fraction == 0)) return "00";
    long e = field ? long(field) - 1023 : (63 - __builtin_clzll(fraction)) - 1074;
    std::string x = (p >> 63) ? "" : "\x01";
    ref_set_coef(x, e);
    if (field) {
        for (int k = 51; k >= 0; k--)
            if ((fraction >> k) & 1) ref_set_coef(x, e - 52 + k);
    } else {
        for (long q = e - 1; q >= -1074; q--)
            if ((fraction >> (q + 1074)) & 1) ref_set_coef(x, q);
    }
    return text(numb_bits_to_leaf(string_from_std(x)));
}

}  // namespace

TEST(Real, LeafAndTexts) {
    EXPECT_EQ(text(real_make_leaf(1.0)), std::string("\x20\0\0\0\0\0\0\xF0\x3F", 9));
    EXPECT_EQ(text(real_from_double(1.0)), text(real_make_leaf(1.0)));
    struct Case {
        double d;
        const char* text;
    } cases[] = {{5.0, "5.000000e+00"},
                 {-0.5, "-5.000000e-01"},
                 {0.0, "0.000000e+00"},
                 {1e300, "1.000000e+300"},
                 {std::numeric_limits<double>::infinity(), "inf"},
                 {-std::numeric_limits<double>::infinity(), "-inf"},
                 {from_pattern(0x7FF8000000000000ull), "nan"},
                 {from_pattern(0xFFF8000000000000ull), "-nan"}};
    for (auto c : cases) EXPECT_EQ(string_to_std(real_to_text(real_make_leaf(c.d))), c.text);
    NodeRef z = real_to_zits(real_make_leaf(5.0));
    EXPECT_EQ(text(z), "[5.000000e+00]");
    EXPECT_EQ(node_aux(z.node), 14u);
    EXPECT_EQ(string_to_std(i64_to_text(INT64_MIN)), "-9223372036854775808");
    EXPECT_EQ(string_to_std(i64_to_text(0)), "0");
}

TEST(Real, ToNumbAndBack) {
    struct Case {
        double d;
        const char* numb;
    } cases[] = {{5.0, "0017"}, {-0.5, "0000"}, {1.0, "001"}, {0.0, "00"}, {-0.0, "00"},
                 {std::numeric_limits<double>::infinity(), "00"}, {std::nan(""), "00"}};
    for (auto c : cases) EXPECT_EQ(text(real_to_numb(real_make_leaf(c.d))), c.numb) << c.d;
    // Every finite non-zero double comes back bit for bit, subnormals too.
    std::mt19937_64 rng(8);
    std::vector<u64> patterns = {1, 0x000FFFFFFFFFFFFFull, 0x0010000000000000ull, 0x7FEFFFFFFFFFFFFFull,
                                 0x8000000000000001ull, 0x3FB999999999999Aull};
    for (int i = 0; i < 2000; i++) patterns.push_back(rng());
    for (u64 p : patterns) {
        double d = from_pattern(p);
        if (!std::isfinite(d) || d == 0) continue;
        EXPECT_EQ(pattern(numb_to_real(real_to_numb(real_make_leaf(d)))), p) << std::hex << p;
    }
    NodeRef tenth = real_to_numb(real_make_leaf(0.1));
    NumbValue v = numb_value_of_bits(numb_to_bits(tenth));
    EXPECT_EQ(v.exp, -55);
    EXPECT_EQ(big_bit_length(v.mant), 52);
}

TEST(Real, NumbToRealTruncatesAndOverflowsToNan) {
    EXPECT_EQ(pattern(numb_to_real(leaf("0017"))), pattern(real_make_leaf(5.0)));
    EXPECT_EQ(pattern(numb_to_real(leaf("0000"))), pattern(real_make_leaf(-0.5)));
    EXPECT_EQ(pattern(numb_to_real(leaf("00"))), 0u);
    auto power = [](i64 e, bool negative) {
        NumbValue v;
        v.mant = big_from_u64(1);
        v.exp = e;
        v.nonnegative = !negative;
        return numb_leaf_of_value(v);
    };
    EXPECT_EQ(pattern(numb_to_real(power(1024, false))), OVERFLOW_NAN);
    EXPECT_EQ(pattern(numb_to_real(power(1024, true))), OVERFLOW_NAN);
    EXPECT_EQ(pattern(numb_to_real(power(-1075, false))), OVERFLOW_NAN);
    EXPECT_EQ(pattern(numb_to_real(power(-1074, false))), 1u);
    EXPECT_EQ(pattern(numb_to_real(power(-1074, true))), 0x8000000000000001ull);
    EXPECT_EQ(pattern(numb_to_real(power(1023, false))), 0x7FE0000000000000ull);
    // 60 significant bits lose the lowest 7, toward zero whatever the sign.
    NumbValue v;
    v.mant = big_from_u64((u64(1) << 59) | 0xFF);
    v.nonnegative = false;
    EXPECT_EQ(pattern(numb_to_real(numb_leaf_of_value(v))), pattern(real_make_leaf(-double((u64(1) << 59) | 0x80))));
    // A subnormal keeps the bits from 2^-1074 up, dropping lower ones.
    v.mant = big_from_u64(0xB);
    v.exp = -1076;
    v.nonnegative = true;
    EXPECT_EQ(pattern(numb_to_real(numb_leaf_of_value(v))), 2u);
}

TEST(Real, ConversionsMatchTheirDefinitions) {
    std::mt19937_64 rng(44);
    for (int round = 0; round < 3000; round++) {
        // Values around the edges of the double range, with up to 120 bits.
        NumbValue v;
        v.mant = big_from_u64(rng() | 1);
        if (rng() % 2) v.mant = big_add(big_shl(v.mant, 56), big_from_u64(rng()));
        v.mant = big_shr(v.mant, i64(rng() % 64));
        if (big_is_zero(v.mant)) v.mant = big_from_u64(1);
        i64 around[] = {-1200, -1130, -1100, -1080, -1075, -1060, -1030, -1000, 0, 960, 990, 1020};
        v.exp = around[rng() % 12] + i64(rng() % 40);
        v.nonnegative = rng() % 2;
        numb_value_normalize(v);
        NumbBits x = numb_bits_of_value(v);
        EXPECT_EQ(pattern(numb_to_real(numb_bits_to_leaf(x))), ref_numb_to_real(string_to_std(x)));
        u64 p = rng();
        if (round % 3 == 0) p &= 0x800FFFFFFFFFFFFFull;  // subnormals and zeros
        if (round % 7 == 0) p |= 0x7FF0000000000000ull;  // infinities and NaNs
        EXPECT_EQ(text(real_to_numb(real_make_leaf(from_pattern(p)))), ref_real_to_numb(p)) << std::hex << p;
    }
}

TEST(Real, DoubleBits) {
    EXPECT_EQ(double_set_exponent(1023, 3.0), 1.5);
    EXPECT_EQ(double_mantissa_bit(51, 1.5), 1);
    EXPECT_EQ(double_mantissa_bit(0, 1.5), 0);
}

TEST(RealDeath, BrokenPreconditions) {
    EXPECT_DEATH(double_set_exponent(2048, 1.0), "ASSERTION FAILED:real:");
    EXPECT_DEATH(double_mantissa_bit(52, 1.0), "ASSERTION FAILED:real:");
    EXPECT_DEATH(real_to_text(leaf("5")), "ASSERTION FAILED:real:");
    EXPECT_DEATH(numb_to_real(leaf("5")), "ASSERTION FAILED:numb:");
}
