// Integers in terms: tests, machine conversions, signs, order, conversions.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "integer.h"
#include "numb.h"
#include "real.h"

namespace {

NodeRef leaf(const std::string& s) { return noderef_wrap(leaf_new_from_bytes(s.data(), i64(s.size()))); }
NodeRef app(NodeRef a, NodeRef b) { return node_make_app(std::move(a), std::move(b)); }
NodeRef cell(const char* bit, NodeRef rest) { return app(app(leaf("J"), leaf(bit)), std::move(rest)); }
std::string text(const NodeRef& t) { return string_to_std(node_text(t)); }

// The list of -1: 1 0 then the end.
NodeRef minus_one_list() { return cell("K", cell("H", leaf("K"))); }
NodeRef junk_list() { return cell("K", app(app(leaf("J"), leaf("Q")), leaf("K"))); }

const char* TWO_63 = "9223372036854775808";
const char* TWO_64 = "18446744073709551616";

using u128 = unsigned __int128;

// Digit texts and bit sequences step by step, as defined, on small values.
u128 ref_from_text(const std::string& t) {
    if (t == "0") return 3;
    if (t == "00") return 2;
    if (t.compare(0, 2, "00") == 0) {
        size_t k = 0;
        while (2 + k < t.size() && t[2 + k] == '0') k++;
        if (2 + k == t.size()) return u128(1) << (k + 1);
        u128 d = 0;
        for (size_t i = 2 + k; i < t.size(); i++) d = d * 10 + u128(t[i] - '0');
        return (u128(1) << (k + 1)) * (2 * d + 1);
    }
    if (t[0] == '0') return ref_from_text(t.substr(1)) & ~u128(2);
    u128 x = 0;
    for (char c : t) x = x * 10 + u128(c - '0');
    return 4 * x + 3;
}
std::string ref_digits(u128 m) {
    std::string r;
    do {
        r.insert(r.begin(), char('0' + int(m % 10)));
        m /= 10;
    } while (m);
    return r;
}
int ref_length(u128 n) {
    int l = 127;
    while (!((n >> l) & 1)) l--;
    return l;
}
std::string ref_to_text(u128 n) {
    if (n == 2) return "00";
    if (n == 3) return "0";
    if (n & 1) {
        std::string digits = ref_digits(n / 4);
        return (n >> 1) & 1 ? digits : "0" + digits;
    }
    int j = 1, l = ref_length(n);
    while (!((n >> j) & 1)) j++;
    std::string text = std::string("00").append(size_t((j == l ? l : j) - 1), '0');
    return j == l ? text : text.append(ref_digits(n >> (j + 1)));
}
std::string ref_bytes(u128 n) {
    std::string b;
    for (; n; n >>= 8) b.push_back(char(n & 0xFF));
    return b;
}
// The numb of an integer: bit i of B = N div 2 to bit 2i, the sign to bit 1.
std::string ref_integer_to_numb(u128 n) {
    u128 b = n >> 1, r = 0;
    if (b == 1) return "00";
    for (size_t i = 1; i < 8 * ref_bytes(b).size(); i++) r |= ((b >> i) & 1) << (2 * i);
    r |= (b & 1) << 1;
    return ref_to_text(r);
}

}  // namespace

TEST(Integer, Recognition) {
    for (const char* t : {"0", "7", "05", "K", "0x"}) EXPECT_TRUE(term_is_integer(leaf(t))) << t;
    for (const char* t : {"00", "0017", "", "H", "x"}) EXPECT_FALSE(term_is_integer(leaf(t))) << t;
    EXPECT_TRUE(term_is_integer(cell("K", leaf("anything"))));
    EXPECT_FALSE(term_is_integer(cell("H", leaf("K"))));
    EXPECT_FALSE(term_is_integer(app(leaf("J"), leaf("K"))));
    for (const char* t : {"K", "0", "5"}) EXPECT_TRUE(term_is_natural(leaf(t))) << t;
    EXPECT_TRUE(term_is_natural(cell("K", leaf("K"))));
    for (const char* t : {"05", "00", ""}) EXPECT_FALSE(term_is_natural(leaf(t))) << t;
    EXPECT_FALSE(term_is_natural(cell("H", leaf("K"))));
    EXPECT_FALSE(term_is_natural(minus_one_list()));
}

// The leaf of a machine integer is the leaf of its "%lld" text with '0' for
// the minus sign, header word included, at every change of digit count.
TEST(Integer, MachineIntegerLeavesAtEveryDigitCount) {
    std::vector<i64> values = {0, INT64_MAX, INT64_MIN, INT64_MIN + 1};
    for (i64 p = 1; p <= INT64_MAX / 10; p *= 10) {
        for (i64 v : {p - 1, p, p + 1, 10 * p - 1}) {
            values.push_back(v);
            values.push_back(-v);
        }
    }
    for (i64 v : values) {
        std::string expected = std::to_string(v);
        if (v < 0) expected[0] = '0';
        NodeRef made = integer_make_leaf(v);
        NodeRef plain = leaf(expected);
        EXPECT_EQ(text(made), expected) << v;
        EXPECT_EQ(made.node->header, plain.node->header) << v;
        EXPECT_EQ(leaf_byte_length(made), i64(expected.size())) << v;
    }
}

TEST(Integer, MachineIntegers) {
    struct Case {
        i64 v;
        const char* text;
    } cases[] = {{0, "0"}, {42, "42"}, {-42, "042"}, {INT64_MAX, "9223372036854775807"}, {INT64_MIN, "09223372036854775808"}};
    for (auto c : cases) {
        EXPECT_EQ(text(integer_make_leaf(c.v)), c.text);
        EXPECT_EQ(integer_to_i64(leaf(c.text)), c.v) << c.text;
    }
    EXPECT_EQ(text(integer_make_leaf_u64(UINT64_MAX)), "18446744073709551615");
    EXPECT_EQ(text(integer_make_leaf_u64(0)), "0");
    EXPECT_EQ(integer_to_i64(leaf("18446744073709551615")), -1);
    EXPECT_EQ(integer_to_i64(leaf(TWO_63)), INT64_MIN);
    EXPECT_EQ(integer_to_i64(leaf(TWO_64)), 0);
    EXPECT_EQ(integer_to_i64(leaf("K")), 0);
    EXPECT_EQ(integer_to_i64(cell("K", leaf("5"))), 11);
    EXPECT_EQ(integer_to_i64(minus_one_list()), -1);
    EXPECT_EQ(integer_to_u64(leaf("01")), 1u);
    EXPECT_EQ(integer_to_u64(leaf("18446744073709551617")), 1u);
    EXPECT_EQ(integer_to_u64(leaf("K")), 0u);
    EXPECT_EQ(integer_to_u64(leaf("0017")), 17u);  // bits 2..65 of a numb too
    EXPECT_EQ(integer_arg_to_i64(leaf("042")), -42);
    // Long numbers stream: 10^100000 - 1 is -1 mod 2^64, as 2^64 divides 10^64.
    std::string nines(100000, '9');
    EXPECT_EQ(integer_to_u64(leaf(nines)), UINT64_MAX);
    i64 out;
    EXPECT_TRUE(integer_try_to_i64(leaf("0" + nines), &out));
    EXPECT_EQ(out, i64(0 - integer_to_u64(leaf(nines))));
    EXPECT_FALSE(integer_try_to_i64(junk_list(), &out));
    EXPECT_FALSE(integer_try_to_i64(leaf("0017"), &out));
    u64 uout;
    EXPECT_FALSE(integer_try_to_u64(junk_list(), &uout));
    EXPECT_TRUE(integer_try_to_u64(cell("K", leaf("5")), &uout));
    EXPECT_EQ(uout, 11u);
    EXPECT_TRUE(integer_try_to_u64(leaf("0017"), &uout));
    EXPECT_EQ(uout, 17u);
    EXPECT_FALSE(integer_try_to_u64(leaf("x"), &uout));
}

TEST(Integer, StreamingMatchesFullConversion) {
    std::mt19937_64 rng(2);
    for (int round = 0; round < 200; round++) {
        std::string d(1, char('1' + rng() % 9));
        while (d.size() < rng() % 60 + 1) d.push_back(char('0' + rng() % 10));
        BigNat m = big_from_digits(d.data(), d.size());
        EXPECT_EQ(integer_to_u64(leaf(d)), big_low_u64(m));
        EXPECT_EQ(integer_to_i64(leaf("0" + d)), i64(0 - big_low_u64(m)));
        // 1, 0, 1 in cells, then the leaf's own sequence: N = 5 + 8 N(d).
        NodeRef list = cell("K", cell("H", cell("K", leaf(d))));
        BigNat n = big_shl(big_from_digits(d.data(), d.size()), 2);
        big_add_small(n, 3);
        n = big_add(big_shl(n, 3), big_from_u64(5));
        EXPECT_EQ(integer_to_u64(list), big_low_u64(big_shr(n, 2)));
    }
}

TEST(Integer, SignsAndZero) {
    for (const char* t : {"K", "0"}) EXPECT_TRUE(integer_is_zero(leaf(t))) << t;
    EXPECT_TRUE(integer_is_zero(cell("K", leaf("K"))));
    for (const char* t : {"5", "05"}) EXPECT_FALSE(integer_is_zero(leaf(t))) << t;
    for (const char* t : {"0", "5", "K"}) EXPECT_TRUE(integer_is_nonnegative(leaf(t))) << t;
    EXPECT_FALSE(integer_is_nonnegative(leaf("05")));
    EXPECT_FALSE(integer_is_nonnegative(minus_one_list()));
    struct Odd {
        const char* t;
        bool odd;
    } odds[] = {{"12", false}, {"21", true}, {"0", false}, {"021", true}, {"010", false}, {"K", false}, {"7", true}};
    for (auto c : odds) EXPECT_EQ(integer_is_odd(leaf(c.t)), c.odd) << c.t;
    EXPECT_TRUE(integer_is_odd(cell("K", leaf("5"))));
    EXPECT_TRUE(integer_is_odd(cell("K", cell("K", leaf("K")))));
    EXPECT_FALSE(integer_is_odd(cell("K", cell("K", leaf("00")))));
    EXPECT_FALSE(integer_is_odd(cell("K", cell("K", cell("H", leaf("K"))))));
}

TEST(Integer, AbsNegateAndOrder) {
    EXPECT_EQ(text(integer_abs(leaf("05"))), "5");
    EXPECT_EQ(text(integer_abs(leaf("0"))), "0");
    EXPECT_EQ(text(integer_abs(leaf("K"))), "K");
    EXPECT_EQ(text(integer_abs(minus_one_list())), "1");
    NodeRef five = leaf("5");
    EXPECT_EQ(integer_abs(five).node, five.node);  // the same node back
    EXPECT_EQ(text(integer_negate(leaf("5"))), "05");
    EXPECT_EQ(text(integer_negate(leaf("05"))), "5");
    EXPECT_EQ(text(integer_negate(leaf("0"))), "0");
    EXPECT_EQ(text(integer_negate(leaf("K"))), "K");
    EXPECT_EQ(text(integer_negate(minus_one_list())), "1");
    struct Less {
        const char *a, *b;
        bool less;
    } cases[] = {{"02", "1", true}, {"1", "02", false}, {"02", "03", false}, {"03", "02", true}, {"5", "5", false}};
    for (auto c : cases) {
        EXPECT_EQ(integer_less(leaf(c.a), leaf(c.b)), c.less) << c.a << " " << c.b;
        EXPECT_EQ(integer_greater_equal(leaf(c.a), leaf(c.b)), !c.less) << c.a << " " << c.b;
    }
    EXPECT_FALSE(integer_less(leaf("0"), cell("K", leaf("K"))));
    EXPECT_TRUE(integer_greater_equal(leaf("0"), cell("K", leaf("K"))));
}

TEST(Integer, OtherKindsAndBits) {
    struct Numb {
        const char *t, *numb;
    } numbs[] = {{"0", "00"}, {"1", "001"}, {"01", "000"}, {"2", "004"}, {"5", "0017"}};
    for (auto c : numbs) EXPECT_EQ(text(integer_to_numb(leaf(c.t))), c.numb) << c.t;
    EXPECT_EQ(text(integer_to_numb(cell("K", leaf("K")))), "00");
    EXPECT_EQ(string_to_std(integer_to_signed_bits(leaf("5"))), "\x0b");
    EXPECT_EQ(string_to_std(integer_to_signed_bits(leaf("05"))), "\x0a");
    EXPECT_EQ(string_to_std(integer_to_signed_bits(leaf("0"))), "\x01");
    EXPECT_EQ(string_to_std(integer_to_signed_bits(leaf("K"))), "\x01");
    EXPECT_EQ(string_to_std(integer_to_signed_bits(cell("K", leaf("5")))), "\x17");
    EXPECT_EQ(real_leaf_value(integer_to_real(leaf("05"))), -5.0);
    NodeRef zero = integer_to_real(leaf("0"));
    EXPECT_EQ(text(zero), std::string(9, '\0').replace(0, 1, " "));
    EXPECT_EQ(real_leaf_value(integer_to_real(leaf("1" + std::string(400, '0')))), HUGE_VAL);
    EXPECT_EQ(real_leaf_value(integer_to_real(cell("K", leaf("5")))), 11.0);
    struct Len {
        const char* t;
        i64 len;
    } lens[] = {{"0", 1}, {"5", 4}, {"05", 4}, {"K", 0}};
    for (auto c : lens) EXPECT_EQ(integer_bit_length(leaf(c.t)), c.len) << c.t;
    EXPECT_EQ(integer_bit_length(cell("K", leaf("5"))), 5);
    EXPECT_EQ(string_to_std(integer_text(cell("K", leaf("5")))), "11");
    EXPECT_EQ(string_to_std(integer_text(leaf("042"))), "042");
}

TEST(Integer, ListsMatchTheirBitSequences) {
    std::mt19937_64 rng(6);
    auto digits = [&] {
        std::string d(1, char('1' + rng() % 9));
        for (size_t n = rng() % 9; n > 0; n--) d.push_back(char('0' + rng() % 10));
        return d;
    };
    for (int round = 0; round < 1500; round++) {
        // Cells b0 .. b(c-1) over an end leaf: N = the cells' bits, then the
        // leaf's sequence above them.
        int c = 1 + int(rng() % 12);
        std::string zeros(rng() % 5, '0');
        std::string fraction = std::string("00").append(zeros);
        std::string ends[] = {"K", "Kq", "0", "00", digits(), std::string("0").append(digits()), fraction,
                              std::string(fraction).append(digits())};
        std::string end = ends[rng() % 8];
        u128 n = end[0] == 'K' ? 1 : ref_from_text(end);
        if (end[0] != 'K') {
            ASSERT_EQ(string_to_std(number_bits_from_text(string_from_std(end))), ref_bytes(n)) << end;
        }
        std::vector<int> bits(static_cast<size_t>(c));
        for (int& b : bits) b = int(rng() % 2);
        bits[0] = round % 4 ? 1 : 0;  // mostly integers, some numbs
        NodeRef t = leaf(end);
        for (int i = c; i-- > 0;) {
            n = (n << 1) | u128(bits[size_t(i)]);
            t = cell(bits[size_t(i)] ? "K" : "H", t);
        }
        std::string ntext = ref_to_text(n);
        ASSERT_EQ(string_to_std(number_to_text(t)), ntext);
        EXPECT_EQ(integer_to_u64(t), u64(n >> 2)) << ntext;
        if (!bits[0]) {
            EXPECT_EQ(numb_is_nonnegative(t), n == 2 || ((n >> 1) & 1)) << ntext;
            continue;
        }
        bool nonnegative = ntext[0] != '0' || ntext == "0";
        EXPECT_EQ(integer_to_i64(t), nonnegative ? i64(n >> 2) : -i64(n >> 2)) << ntext;
        EXPECT_EQ(integer_is_nonnegative(t), nonnegative) << ntext;
        EXPECT_EQ(term_is_natural(t), nonnegative) << ntext;
        EXPECT_EQ(integer_is_zero(t), n == 3) << ntext;
        EXPECT_EQ(integer_is_odd(t), ((n >> 2) & 1) == 1) << ntext;
        EXPECT_EQ(integer_bit_length(t), ref_length(n)) << ntext;
        EXPECT_EQ(string_to_std(integer_to_signed_bits(t)), ref_bytes(n >> 1)) << ntext;
        EXPECT_EQ(text(integer_to_numb(t)), ref_integer_to_numb(n)) << ntext;
        EXPECT_EQ(text(integer_to_numb(leaf(ntext))), ref_integer_to_numb(n)) << ntext;
        EXPECT_EQ(string_to_std(integer_text(t)), ntext);
        EXPECT_EQ(text(integer_abs(t)), ref_to_text(n | 2)) << ntext;
        EXPECT_EQ(text(integer_negate(t)), n == 3 ? "0" : ref_to_text(n ^ 2)) << ntext;
    }
}

TEST(Integer, OtherBytesFollowOneRule) {
    // "0x" is -72 and "1:" is 20 on every path.
    EXPECT_EQ(integer_to_i64(leaf("0x")), -72);
    EXPECT_EQ(text(integer_abs(leaf("0x"))), "72");
    EXPECT_EQ(text(integer_negate(leaf("0x"))), "72");
    EXPECT_EQ(text(integer_to_numb(leaf("1:"))), text(integer_to_numb(leaf("20"))));
    EXPECT_TRUE(integer_less(leaf("19"), leaf("1:")));
    EXPECT_EQ(string_to_std(integer_text(leaf("1:"))), "20");
    EXPECT_EQ(string_to_std(integer_text(leaf("0x"))), "072");
    // A minus mark before a zero magnitude is zero.
    std::string negzero("0\x01", 2);
    EXPECT_TRUE(integer_is_zero(leaf(negzero)));
    EXPECT_TRUE(integer_is_nonnegative(leaf(negzero)));
    EXPECT_EQ(text(integer_abs(leaf(negzero))), "0");
    EXPECT_EQ(integer_to_i64(leaf(negzero)), 0);
}

TEST(Integer, UnreadableListsAnswerNoValue) {
    RtString out;
    EXPECT_FALSE(integer_try_text(junk_list(), &out));
    EXPECT_FALSE(integer_try_text(leaf("K"), &out));
    EXPECT_FALSE(integer_is_readable(junk_list()));
    EXPECT_FALSE(integer_is_readable(cell("K", leaf(""))));
    EXPECT_TRUE(integer_is_readable(cell("K", cell("H", leaf("7")))));
    EXPECT_TRUE(integer_is_readable(leaf("K")));
    IntValue v;
    EXPECT_FALSE(integer_try_value(junk_list(), &v));
    ASSERT_TRUE(integer_try_text(minus_one_list(), &out));
    EXPECT_EQ(string_to_std(out), "01");
}

TEST(IntegerDeath, BrokenPreconditions) {
    EXPECT_DEATH(term_require_integer(leaf("00")), "ASSERTION FAILED:integer:");
    EXPECT_DEATH(integer_abs(leaf("x")), "ASSERTION FAILED:integer:");
    EXPECT_DEATH(integer_to_i64(junk_list()), "ASSERTION FAILED:integer:");
    EXPECT_DEATH(integer_is_nonnegative(junk_list()), "ASSERTION FAILED:integer:");
    EXPECT_DEATH(term_require_natural(leaf("05")), "ASSERTION FAILED:integer:");
}
