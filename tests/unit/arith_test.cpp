// Integer arithmetic: the worked examples, small values against machine
// arithmetic, and large values against identities.
#include <gtest/gtest.h>

#include <chrono>
#include <random>
#include <string>

#include "arith.h"

namespace {

using i128 = __int128;

NodeRef leaf(const std::string& s) { return noderef_wrap(leaf_new_from_bytes(s.data(), i64(s.size()))); }
NodeRef app(NodeRef a, NodeRef b) { return node_make_app(std::move(a), std::move(b)); }
NodeRef cell(const char* bit, NodeRef rest) { return app(app(leaf("J"), leaf(bit)), std::move(rest)); }
std::string text(const NodeRef& t) { return string_to_std(node_text(t)); }

std::string itext(i128 v) {
    if (v == 0) return "0";
    bool neg = v < 0;
    unsigned __int128 m = neg ? -(unsigned __int128)v : v;
    std::string s;
    while (m) {
        s.insert(s.begin(), char('0' + int(m % 10)));
        m /= 10;
    }
    return neg ? "0" + s : s;
}

i128 floor_div(i128 a, i128 b) {
    i128 q = a / b;
    if ((a % b != 0) && ((a < 0) != (b < 0))) q--;
    return q;
}

}  // namespace

TEST(Arith, WorkedExamples) {
    struct Case {
        NodeRef (*op)(NodeRef, NodeRef);
        const char *a, *b, *result;
    } cases[] = {
        {integer_add, "5", "05", "0"},       {integer_add, "05", "03", "08"},      {integer_add, "999", "1", "1000"},
        {integer_subtract, "3", "5", "02"},  {integer_subtract, "05", "05", "0"},  {integer_subtract, "0", "7", "07"},
        {integer_multiply, "0", "05", "0"},  {integer_multiply, "05", "5", "025"}, {integer_multiply, "05", "02", "10"},
        {integer_multiply, "99", "99", "9801"}, {integer_multiply, "2", "5", "10"}, {integer_multiply, "02", "5", "010"},
        {integer_divide, "7", "2", "3"},     {integer_divide, "07", "2", "04"},    {integer_divide, "7", "02", "04"},
        {integer_divide, "07", "02", "3"},   {integer_divide, "6", "03", "02"},    {integer_divide, "5", "0", "Z"},
        {integer_divide, "0", "05", "0"},
        {integer_remainder, "7", "3", "1"},  {integer_remainder, "07", "3", "2"},  {integer_remainder, "7", "03", "2"},
        {integer_remainder, "07", "03", "1"}, {integer_remainder, "6", "03", "0"}, {integer_remainder, "0", "03", "0"},
        {integer_remainder, "5", "0", "Z"},
        {integer_power, "2", "10", "1024"},  {integer_power, "02", "3", "08"},     {integer_power, "02", "2", "4"},
        {integer_power, "0", "0", "1"},      {integer_power, "0", "5", "0"},       {integer_power, "2", "01", "0"},
        {integer_power, "01", "01", "0"},    {integer_power, "01", "7", "01"},     {integer_power, "1", "99999999999999999999999", "1"},
    };
    for (auto& c : cases) EXPECT_EQ(text(c.op(leaf(c.a), leaf(c.b))), c.result) << c.a << " " << c.b;
    EXPECT_EQ(text(integer_add(cell("K", leaf("5")), leaf("1"))), "12");
    EXPECT_EQ(text(integer_divide(leaf("5"), cell("K", leaf("K")))), "Z");
    EXPECT_EQ(text(integer_remainder(leaf("05"), cell("K", leaf("K")))), "Z");
    EXPECT_EQ(text(natural_divide(true, leaf("7"), leaf("2"))), "3");
    EXPECT_EQ(text(natural_divide(false, leaf("7"), leaf("2"))), "4");
    EXPECT_EQ(text(natural_divide(false, leaf("0"), leaf("2"))), "0");
    EXPECT_EQ(text(natural_divide(true, leaf("7"), leaf("0"))), "K");
}

TEST(Arith, ProductLeafComesTagged) {
    NodeRef p = integer_multiply(leaf("12"), leaf("012"));
    EXPECT_EQ(text(p), "0144");
    EXPECT_EQ(node_arity_code(p.node), unsigned(1 + ARITY_BIAS));
    EXPECT_FALSE(node_has_redex_below(p.node));
    EXPECT_EQ(node_aux(p.node), 4u);
    EXPECT_EQ(node_refcount(p.node), 1u);
    // A zero factor gives a plain leaf "0", its tag not yet computed.
    for (const char* other : {"0", "05"}) {
        NodeRef z = integer_multiply(leaf("0"), leaf(other));
        EXPECT_EQ(text(z), "0");
        EXPECT_EQ(node_tag(z.node), 0u);
    }
    EXPECT_EQ(node_tag(integer_multiply(leaf("05"), leaf("0")).node), 0u);
}

TEST(Arith, SmallValuesMatchMachineArithmetic) {
    std::mt19937_64 rng(31);
    for (int round = 0; round < 2000; round++) {
        i128 a = i128(i64(rng()) >> (rng() % 64)), b = i128(i64(rng()) >> (rng() % 64));
        NodeRef la = leaf(itext(a)), lb = leaf(itext(b));
        EXPECT_EQ(text(integer_add(la, lb)), itext(a + b));
        EXPECT_EQ(text(integer_subtract(la, lb)), itext(a - b));
        EXPECT_EQ(text(integer_multiply(la, lb)), itext(a * b));
        if (b != 0) {
            i128 q = floor_div(a, b);
            i128 r = a - b * q;
            EXPECT_EQ(text(integer_divide(la, lb)), itext(q)) << itext(a) << " / " << itext(b);
            EXPECT_EQ(text(integer_remainder(la, lb)), itext(r < 0 ? -r : r)) << itext(a) << " % " << itext(b);
        }
        i128 base = i128(i64(rng() % 21) - 10), p = 1;
        int e = int(rng() % 30);
        for (int i = 0; i < e; i++) p *= base;
        EXPECT_EQ(text(integer_power(leaf(itext(base)), leaf(itext(e)))), itext(p));
    }
}

TEST(Arith, LargeValuesKeepIdentities) {
    std::mt19937_64 rng(17);
    auto number = [&](size_t digits) {
        std::string s(1, char('1' + rng() % 9));
        while (s.size() < digits) s.push_back(char('0' + rng() % 10));
        return rng() % 2 ? s : "0" + s;
    };
    for (int round = 0; round < 20; round++) {
        NodeRef a = leaf(number(rng() % 3000 + 1)), b = leaf(number(rng() % 1500 + 1));
        NodeRef q = integer_divide(a, b), r = integer_remainder(a, b);
        // a = b q + s with s = a - b q of b's sign or zero, and |s| = r.
        NodeRef s = integer_subtract(a, integer_multiply(b, q));
        EXPECT_EQ(text(integer_abs(s)), text(r));
        EXPECT_TRUE(integer_less(integer_abs(s), integer_abs(b)));
        EXPECT_TRUE(integer_is_zero(s) || integer_is_nonnegative(s) == integer_is_nonnegative(b));
        EXPECT_EQ(text(integer_subtract(integer_add(a, b), b)), text(a));
    }
    std::string two_1000 = text(integer_power(leaf("2"), leaf("1000")));
    EXPECT_EQ(two_1000.size(), 302u);
    EXPECT_EQ(two_1000.substr(0, 10), "1071508607");
    EXPECT_EQ(two_1000.substr(292), "5668069376");
}

TEST(Arith, LargeWorkIsFast) {
    auto ms_since = [](std::chrono::steady_clock::time_point t0) {
        return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
    };
    auto t0 = std::chrono::steady_clock::now();
    NodeRef f = leaf("1");
    for (int i = 2; i <= 2000; i++) f = integer_multiply(f, integer_make_leaf(i));
    double factorial_ms = ms_since(t0);
    EXPECT_EQ(text(f).size(), 5736u);
    t0 = std::chrono::steady_clock::now();
    NodeRef p = integer_power(leaf("2"), leaf("100000"));
    double power_ms = ms_since(t0);
    EXPECT_EQ(text(p).size(), 30103u);
    std::string big(100000, '7');
    t0 = std::chrono::steady_clock::now();
    i64 v = integer_to_i64(leaf(big));
    double to_i64_ms = ms_since(t0);
    EXPECT_EQ(u64(v), integer_to_u64(leaf(big)));
    t0 = std::chrono::steady_clock::now();
    RtString printed = number_bits_to_text(number_bits_from_text(string_from_std(big)));
    double print_ms = ms_since(t0);
    EXPECT_EQ(string_to_std(printed), big);
    RecordProperty("factorial_2000_ms", std::to_string(factorial_ms));
    RecordProperty("power_2_100000_ms", std::to_string(power_ms));
    RecordProperty("to_i64_1e5_digits_ms", std::to_string(to_i64_ms));
    RecordProperty("print_1e5_digits_ms", std::to_string(print_ms));
    std::printf("factorial(2000) %.1f ms, 2^100000 %.1f ms, to_i64(1e5 digits) %.2f ms, print 1e5 digits %.1f ms\n",
                factorial_ms, power_ms, to_i64_ms, print_ms);
}

TEST(ArithDeath, BrokenPreconditions) {
    EXPECT_DEATH(integer_add(leaf("00"), leaf("1")), "ASSERTION FAILED:integer:");
    EXPECT_DEATH(natural_divide(true, leaf("05"), leaf("1")), "ASSERTION FAILED:integer:");
    EXPECT_DEATH(integer_add(cell("K", app(app(leaf("J"), leaf("Q")), leaf("K"))), leaf("1")),
                 "ASSERTION FAILED:arith:");
}
