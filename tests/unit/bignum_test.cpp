// The limb engine against slow reference forms: schoolbook products, digit
// by digit Horner, and the division identity.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "bignum.h"

namespace {

BigNat random_big(std::mt19937_64& rng, size_t limbs) {
    BigNat x;
    x.limbs.resize(limbs);
    for (auto& w : x.limbs) w = rng();
    // Vary the shapes that trip long division: all-ones and sparse limbs.
    if (limbs && rng() % 4 == 0) x.limbs.back() = ~uint64_t(0);
    if (limbs > 2 && rng() % 4 == 0) x.limbs[limbs / 2] = 0;
    while (!x.limbs.empty() && x.limbs.back() == 0) x.limbs.pop_back();
    return x;
}

// Digit by digit Horner under the digit rule, the slowest faithful form.
BigNat horner_value(const std::string& s) {
    BigNat x;
    for (unsigned char c : s) {
        big_mul_small(x, 10);
        big_add_small(x, c > '0' ? c - '0' : 0);
    }
    return x;
}

BigNat schoolbook(const BigNat& a, const BigNat& b) {
    BigNat r;
    for (size_t i = 0; i < b.limbs.size(); i++) {
        BigNat t = a;
        big_mul_small(t, b.limbs[i]);
        r = big_add(r, big_shl(t, 64 * int64_t(i)));
    }
    return r;
}

}  // namespace

TEST(Bignum, ProductsMatchSchoolbook) {
    std::mt19937_64 rng(7);
    size_t sizes[][2] = {{1, 1}, {3, 70}, {40, 40}, {41, 39}, {97, 130}, {300, 45}, {257, 256}, {600, 1}};
    for (auto& s : sizes) {
        BigNat a = random_big(rng, s[0]), b = random_big(rng, s[1]);
        EXPECT_EQ(big_mul(a, b).limbs, schoolbook(a, b).limbs) << s[0] << "x" << s[1];
    }
    BigNat ones;
    ones.limbs.assign(200, ~uint64_t(0));
    EXPECT_EQ(big_mul(ones, ones).limbs, schoolbook(ones, ones).limbs);
}

TEST(Bignum, DivisionIdentity) {
    std::mt19937_64 rng(11);
    size_t sizes[][2] = {{1, 1}, {2, 1}, {5, 2}, {10, 3}, {60, 30}, {80, 79}, {120, 7}, {3, 5}};
    for (int round = 0; round < 20; round++) {
        for (auto& s : sizes) {
            BigNat a = random_big(rng, s[0]), b = random_big(rng, s[1]);
            if (big_is_zero(b)) continue;
            BigNat q, r;
            big_divmod(a, b, &q, &r);
            EXPECT_LT(big_compare(r, b), 0);
            EXPECT_EQ(big_add(big_mul(q, b), r).limbs, a.limbs);
        }
    }
    // The top quotient digit estimate that needs the add-back step.
    BigNat a, b;
    a.limbs = {0, 0, 0x8000000000000000ull};
    b.limbs = {1, 0x8000000000000000ull};
    BigNat q, r;
    big_divmod(a, b, &q, &r);
    EXPECT_EQ(big_add(big_mul(q, b), r).limbs, a.limbs);
    EXPECT_LT(big_compare(r, b), 0);
}

TEST(Bignum, DecimalRoundTrips) {
    std::mt19937_64 rng(3);
    for (size_t n : {1, 18, 19, 20, 38, 761, 1500, 3001, 20000}) {
        std::string s(1, char('1' + rng() % 9));
        while (s.size() < n) s.push_back(char('0' + rng() % 10));
        BigNat x = big_from_digits(s.data(), s.size());
        EXPECT_EQ(big_to_digits(x), s) << n;
        if (n <= 3001) {
            EXPECT_EQ(x.limbs, horner_value(s).limbs) << n;
        }
    }
    // Numbers with long runs of zero digits cross the split points.
    std::string p = "1" + std::string(5000, '0') + "7" + std::string(800, '0');
    EXPECT_EQ(big_to_digits(big_from_digits(p.data(), p.size())), p);
    EXPECT_EQ(big_to_digits(big_from_u64(0)), "0");
    EXPECT_EQ(big_to_digits(big_shl(big_from_u64(1), 64)), "18446744073709551616");
}

TEST(Bignum, DigitRuleCarriesPastNine) {
    struct Case {
        std::string text;
        uint64_t value;
    } cases[] = {{"1:", 20}, {std::string("\x01", 1), 0}, {"x", 72}, {std::string("5\0" "3", 3), 503}, {"", 0}};
    for (auto& c : cases) EXPECT_EQ(big_low_u64(big_from_digits(c.text.data(), c.text.size())), c.value) << c.text;
    std::mt19937_64 rng(5);
    std::string s;
    for (int i = 0; i < 2000; i++) s.push_back(char(rng() % 256));
    EXPECT_EQ(big_from_digits(s.data(), s.size()).limbs, horner_value(s).limbs);
}

TEST(Bignum, Shifts) {
    BigNat two_to_200 = big_shl(big_from_u64(1), 200);
    EXPECT_EQ(big_bit_length(two_to_200), 201);
    EXPECT_EQ(big_low_zero_bits(two_to_200), 200);
    EXPECT_EQ(big_shr(two_to_200, 199).limbs, big_from_u64(2).limbs);
    EXPECT_TRUE(big_is_zero(big_shr(two_to_200, 201)));
    EXPECT_EQ(big_low_bits(big_from_u64(0xFF), 4).limbs, big_from_u64(0xF).limbs);
    EXPECT_EQ(big_low_bits(two_to_200, 200).limbs.size(), 0u);
}

TEST(Bignum, DecimalFaceMatchesBinary) {
    std::mt19937_64 rng(19);
    auto digits = [&](size_t n) {
        std::string s(1, char('1' + rng() % 9));
        while (s.size() < n) s.push_back(char('0' + (rng() % 5 ? rng() % 10 : 9)));
        return s;
    };
    size_t sizes[][2] = {{1, 1}, {9, 9}, {10, 3}, {40, 19}, {200, 100}, {450, 449}, {1000, 30}, {3000, 1400}, {20, 200}};
    for (int round = 0; round < 10; round++) {
        for (auto& sz : sizes) {
            std::string sa = digits(sz[0]), sb = digits(sz[1]);
            DecNat a = dec_from_digits(sa.data(), sa.size()), b = dec_from_digits(sb.data(), sb.size());
            BigNat ba = big_from_digits(sa.data(), sa.size()), bb = big_from_digits(sb.data(), sb.size());
            EXPECT_EQ(dec_to_digits(a), sa);
            EXPECT_EQ(dec_to_digits(dec_mul(a, b)), big_to_digits(big_mul(ba, bb)));
            EXPECT_EQ(dec_to_digits(dec_add(a, b)), big_to_digits(big_add(ba, bb)));
            DecNat q, r;
            BigNat bq, br;
            dec_divmod(a, b, &q, &r);
            big_divmod(ba, bb, &bq, &br);
            EXPECT_EQ(dec_to_digits(q), big_to_digits(bq)) << sa << " / " << sb;
            EXPECT_EQ(dec_to_digits(r), big_to_digits(br)) << sa << " % " << sb;
            EXPECT_EQ(dec_compare(a, b), big_compare(ba, bb));
        }
    }
    // The add-back step of the decimal long division.
    std::string a = "1000000000000000000000000000", b = "999999999999999999";
    DecNat q, r;
    dec_divmod(dec_from_digits(a.data(), a.size()), dec_from_digits(b.data(), b.size()), &q, &r);
    EXPECT_EQ(dec_to_digits(q), "1000000000");
    EXPECT_EQ(dec_to_digits(r), "1000000000");
    std::string odd = std::string("9:") + std::string(30, ';');
    EXPECT_EQ(dec_to_digits(dec_from_digits(odd.data(), odd.size())),
              big_to_digits(big_from_digits(odd.data(), odd.size())));
    EXPECT_EQ(dec_to_digits(dec_pow(dec_from_u64(3), dec_from_u64(40))), "12157665459056928801");
    EXPECT_EQ(dec_to_digits(dec_pow(dec_from_u64(0), dec_from_u64(0))), "1");
    EXPECT_EQ(dec_to_digits(dec_pow(dec_from_u64(1), dec_from_u64(uint64_t(1) << 62))), "1");
    EXPECT_THROW(dec_pow(dec_from_u64(2), dec_from_u64(uint64_t(1) << 40)), std::bad_alloc);
}
