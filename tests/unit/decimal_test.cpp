// Decimal texts against the digit-at-a-time forms, digit counts included.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "decimal.h"

namespace {

using M = std::string;  // reversed digits

RtString rs(const std::string& s) { return string_from_std(s); }
std::string st(const RtString& s) { return string_to_std(s); }

// The plain forms, on reversed digit strings of digits only.
int dg(const M& m, size_t i) { return i < m.size() ? m[i] - '0' : 0; }
bool ref_less(const M& a, const M& b) {
    for (size_t i = std::max(a.size(), b.size()); i-- > 0;)
        if (dg(a, i) != dg(b, i)) return dg(a, i) < dg(b, i);
    return false;
}
M ref_add(const M& a, const M& b) {
    M r;
    int carry = 0;
    for (size_t i = 0; i < std::max(a.size(), b.size()); i++) {
        int s = dg(a, i) + dg(b, i) + carry;
        r.push_back(char('0' + s % 10));
        carry = s >= 10;
    }
    if (carry) r.push_back('1');
    return r;
}
M ref_sub(const M& a, const M& b) {
    M r;
    int borrow = 0;
    for (size_t i = 0; i < a.size(); i++) {
        int v = dg(a, i) - dg(b, i) - borrow;
        borrow = v < 0;
        r.push_back(char('0' + (v < 0 ? v + 10 : v)));
    }
    return r;
}
M ref_mul_digit(int d, const M& a) {
    M r;
    int carry = 0;
    for (size_t i = 0; i < a.size(); i++) {
        int v = dg(a, i) * d + carry;
        r.push_back(char('0' + v % 10));
        carry = v / 10;
    }
    if (carry) r.push_back(char('0' + carry));
    return r;
}
M ref_mul(M a, M b) {
    if (b.size() < a.size()) std::swap(a, b);
    M r;
    for (size_t i = 0; i < a.size(); i++) r = ref_add(r, M(i, '0') + ref_mul_digit(dg(a, i), b));
    return r;
}
void ref_divide(const M& a, const M& b, M* q, M* r) {
    q->clear();
    r->clear();
    for (size_t i = a.size(); i-- > 0;) {
        r->insert(r->begin(), a[i]);
        int d = 1, digit;
        for (;; d++) {
            if (ref_less(*r, ref_mul_digit(d, b))) {
                digit = d - 1;
                break;
            }
            if (d == 9) {
                digit = 9;
                break;
            }
        }
        if (!(q->empty() && digit == 0)) q->insert(q->begin(), char('0' + digit));
        *r = ref_sub(*r, ref_mul_digit(digit, b));
    }
}
bool ref_zero(const M& m) { return m.find_first_not_of('0') == std::string::npos; }
M ref_power(const M& a, const M& e) {
    if (ref_zero(e)) return "1";
    if (dg(e, 0) == 1 && ref_zero(e.substr(1))) return a;
    M h, r;
    ref_divide(e, "2", &h, &r);
    M p = ref_power(a, h);
    return dg(e, 0) % 2 == 0 ? ref_mul(p, p) : ref_mul(a, ref_mul(p, p));
}

M random_mag(std::mt19937_64& rng, size_t max_len) {
    M m;
    size_t n = rng() % (max_len + 1);
    for (size_t i = 0; i < n; i++) m.push_back(char('0' + (rng() % 3 == 0 ? 0 : rng() % 10)));
    return m;
}

}  // namespace

TEST(Decimal, MagnitudesMatchDigitAtATime) {
    std::mt19937_64 rng(21);
    for (int round = 0; round < 400; round++) {
        M a = random_mag(rng, 12), b = random_mag(rng, 8);
        EXPECT_EQ(decimal_mag_less(rs(a), rs(b)), ref_less(a, b));
        EXPECT_EQ(decimal_mag_greater_equal(rs(a), rs(b)), !ref_less(a, b));
        EXPECT_EQ(st(decimal_mag_add(rs(a), rs(b))), ref_add(a, b));
        if (!ref_less(a, b)) {
            EXPECT_EQ(st(decimal_mag_subtract(rs(a), rs(b))), ref_sub(a, b));
        }
        int d = int(rng() % 10);
        EXPECT_EQ(st(decimal_mag_mul_digit(d, rs(a))), ref_mul_digit(d, a));
        EXPECT_EQ(st(decimal_mag_multiply(rs(a), rs(b))), ref_mul(a, b)) << a << " " << b;
        M q, r;
        ref_divide(a, b, &q, &r);  // a zero b included: nines, and a kept
        EXPECT_EQ(st(decimal_mag_divide(true, rs(a), rs(b))), q) << a << " / " << b;
        EXPECT_EQ(st(decimal_mag_remainder(rs(a), rs(b))), r) << a << " % " << b;
        M ceil = ref_zero(r) ? q : ref_add(q, "1");
        EXPECT_EQ(st(decimal_mag_divide(false, rs(a), rs(b))), ceil) << a << " / " << b;
        M e = random_mag(rng, 2);
        M base = random_mag(rng, 3);
        EXPECT_EQ(st(decimal_mag_power(rs(base), rs(e))), ref_power(base, e)) << base << " ^ " << e;
    }
}

TEST(Decimal, MagnitudeEdgeCases) {
    EXPECT_EQ(st(decimal_mag_from_text(rs("0"))), "");
    EXPECT_EQ(st(decimal_mag_from_text(rs("05"))), "5");
    EXPECT_EQ(st(decimal_mag_from_text(rs("120"))), "021");
    for (const char* m : {"", "0", "000"}) EXPECT_EQ(st(decimal_mag_to_text(rs(m))), "0");
    EXPECT_EQ(st(decimal_mag_to_text(rs("0210"))), "120");
    EXPECT_TRUE(decimal_mag_less(rs("5"), rs("05")));
    EXPECT_FALSE(decimal_mag_less(rs("05"), rs("5")));
    EXPECT_FALSE(decimal_mag_less(rs("5"), rs("500")));
    EXPECT_TRUE(decimal_mag_greater_equal(rs(""), rs("")));
    EXPECT_EQ(st(decimal_mag_add(rs("99"), rs("1"))), "001");
    EXPECT_EQ(st(decimal_mag_subtract(rs("001"), rs("1"))), "990");
    EXPECT_EQ(st(decimal_mag_mul_digit(0, rs("21"))), "00");
    EXPECT_EQ(st(decimal_mag_mul_digit(9, rs("9"))), "18");
    EXPECT_EQ(st(decimal_mag_shift(rs("21"), 2)), "0021");
    EXPECT_EQ(st(decimal_mag_shift(rs("4321"), -2)), "21");
    EXPECT_EQ(st(decimal_mag_shift(rs("21"), -2)), "0");
    EXPECT_EQ(st(decimal_mag_divide(true, rs("1"), rs("2"))), "");
    EXPECT_EQ(st(decimal_mag_remainder(rs("001"), rs("7"))), "200");
    EXPECT_EQ(st(decimal_mag_power(rs("2"), rs("01"))), "4201");
    EXPECT_EQ(st(decimal_mag_power(rs(""), rs(""))), "1");
    EXPECT_EQ(st(decimal_mag_power(rs("1"), rs("6777261159901"))), "1");  // 2^40
    EXPECT_THROW(decimal_mag_power(rs("2"), rs("6777261159901")), std::bad_alloc);
    EXPECT_TRUE(decimal_mag_is_one(rs("100")));
    EXPECT_FALSE(decimal_mag_is_one(rs("")));
    EXPECT_TRUE(decimal_mag_is_even(rs("")));
    EXPECT_FALSE(decimal_mag_is_even(rs("7")));
    // Bytes past '9' carry: ":" is ten.
    EXPECT_EQ(st(decimal_mag_to_text(rs(":"))), "10");
    EXPECT_EQ(st(decimal_mag_add(rs(":"), rs("1"))), "11");
    EXPECT_TRUE(decimal_mag_is_zero(rs("\x01")));
}

TEST(Decimal, SignedTexts) {
    for (const char* t : {"0", "7", "05", "10", "0x", "1x"}) EXPECT_TRUE(decimal_is_valid(rs(t))) << t;
    for (const char* t : {"", "00", "007", "x"}) EXPECT_FALSE(decimal_is_valid(rs(t))) << t;
    struct Case {
        const char *a, *b, *sum;
    } sums[] = {{"5", "05", "0"}, {"03", "5", "2"}, {"3", "05", "02"}, {"05", "05", "010"}, {"999", "1", "1000"}};
    for (auto c : sums) EXPECT_EQ(st(decimal_add(rs(c.a), rs(c.b))), c.sum) << c.a << "+" << c.b;
    EXPECT_EQ(st(decimal_negate(rs("0"))), "0");
    EXPECT_EQ(st(decimal_negate(rs("5"))), "05");
    EXPECT_EQ(st(decimal_negate(rs("05"))), "5");
    struct Half {
        const char *t, *half;
    } halves[] = {{"0", "0"}, {"1", "0"}, {"01", "0"}, {"7", "3"}, {"07", "03"}, {"10", "5"}};
    for (auto c : halves) EXPECT_EQ(st(decimal_halve(rs(c.t))), c.half) << c.t;
    EXPECT_EQ(st(decimal_make_signed(false, rs("0"))), "0");
    EXPECT_EQ(st(decimal_make_signed(false, rs("42"))), "042");
    EXPECT_EQ(st(node_text(decimal_to_leaf(rs("042")))), "042");
}

TEST(DecimalDeath, BrokenPreconditions) {
    EXPECT_DEATH(decimal_mag_subtract(rs("1"), rs("2")), "ASSERTION FAILED:decimal:");
    EXPECT_DEATH(decimal_mag_mul_digit(10, rs("1")), "ASSERTION FAILED:decimal:");
    EXPECT_DEATH(decimal_make_signed(true, rs("")), "ASSERTION FAILED:decimal:");
    EXPECT_DEATH(decimal_make_signed(true, rs("07")), "ASSERTION FAILED:decimal:");
    EXPECT_DEATH(decimal_mag_shift(rs("1"), INT64_MIN), "ASSERTION FAILED:decimal:");
    EXPECT_DEATH(decimal_add(rs("00"), rs("1")), "ASSERTION FAILED:decimal:");
}
