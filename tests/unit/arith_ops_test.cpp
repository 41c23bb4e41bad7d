// Builtins dash, mult, over, cent and powa: each one's table over the kind
// pairs, its own cases, its count and sign rules and its size bounds.
#include <chrono>
#include <cmath>
#include <cstring>
#include <functional>
#include <string>

#include <gtest/gtest.h>

#include "arithmetic.h"
#include "eval_fixture.h"
#include "heads.h"
#include "integer.h"
#include "post.h"
#include "print.h"
#include "real.h"
#include "term_sexpr.h"

namespace {

EVAL_SUITE(ArithOps);

using Builtin = NodeRef (*)(NodeRef);

NodeRef leaf(const std::string& text) {
    return noderef_wrap(leaf_new_from_bytes(text.data(), i64(text.size())));
}

NodeRef call(Builtin f, NodeRef a, NodeRef b) {
    return f(node_app2(leaf("op"), std::move(a), std::move(b)));
}

std::string shown(const NodeRef& t) {
    return string_to_std(term_to_text(t));
}

std::string op(Builtin f, const std::string& a, const std::string& b) {
    return shown(call(f, leaf(a), leaf(b)));
}

NodeRef post_of(const std::string& bytes) {
    return post_make(string_from_std(bytes));
}

// A vector of the given integers; "" leaves a slot empty.
NodeRef cray_of(std::initializer_list<const char*> items) {
    NodeRef v = noderef_wrap(leaf_new_vector(items.size()));
    u64 i = 0;
    for (const char* item : items) {
        if (*item) {
            Node* element = leaf_new_from_cstr(item);
            node_retain(element);
            leaf_vector_set_slot(v.node, i, element);
        }
        ++i;
    }
    return v;
}

// One value of each kind, in the order real, hint, numb, post, cray, zits,
// void: 1.5, 2, the numb 2, "abc", [7 8 9], [abc], K.
NodeRef kind_value(int k) {
    switch (k) {
    case 0: return real_make_leaf(1.5);
    case 1: return leaf("2");
    case 2: return leaf("004");
    case 3: return post_of("abc");
    case 4: return cray_of({"7", "8", "9"});
    case 5: return leaf("[abc]");
    default: return leaf("K");
    }
}

void expect_table(Builtin f, const char* const expected[7][7]) {
    for (int i = 0; i < 7; ++i)
        for (int j = 0; j < 7; ++j)
            EXPECT_EQ(shown(call(f, kind_value(i), kind_value(j))), expected[i][j]) << "row " << i << " column " << j;
}

const char* Z = "Z";

TEST_F(ArithOps, DashKindPairs) {
    const char* expected[7][7] = {
        {"real[0.000000e+00]", "real[-5.000000e-01]", "real[-5.000000e-01]", Z, Z, Z, Z},
        {"real[5.000000e-01]", "0", "00", Z, Z, Z, Z},
        {"real[5.000000e-01]", "00", "00", Z, Z, Z, Z},
        {Z, "cape[c]", Z, Z, Z, Z, Z},
        {Z, "(/ cray 7)", Z, Z, Z, Z, Z},
        {Z, "[c]", Z, Z, Z, "[abc][abc]", Z},
        {Z, Z, Z, Z, Z, Z, Z},
    };
    expect_table(builtin_dash, expected);
}

TEST_F(ArithOps, DashDrops) {
    struct Case {
        const char *count, *post, *zits, *cray;
    } cases[] = {
        {"1", "cape[bc]", "[bc]", "(/ (/ cray x) y)"},
        {"01", "cape[ab]", "[ab]", "(/ (/ cray y) z)"},
        {"0", "cape[abc]", "[abc]", "(/ (/ (/ cray x) y) z)"},
        {"3", "cape[]", "[]", "cray"},
        {"03", "cape[]", "[]", "cray"},
        {"4", Z, Z, Z},
        {"04", Z, Z, Z},
        {"09223372036854775808", Z, Z, Z},  // |INT64_MIN| passes every length
        {"18446744073709551617", "cape[bc]", "[bc]", "(/ (/ cray x) y)"},  // 2^64 + 1 wraps to 1
    };
    for (const Case& c : cases) {
        EXPECT_EQ(shown(call(builtin_dash, post_of("abc"), leaf(c.count))), c.post) << c.count;
        EXPECT_EQ(op(builtin_dash, "[abc]", c.count), c.zits) << c.count;
        EXPECT_EQ(shown(call(builtin_dash, cray_of({"x", "y", "z"}), leaf(c.count))), c.cray) << c.count;
    }
    // The result is always a new node, and empty slots stay empty.
    NodeRef empty = cray_of({});
    EXPECT_NE(call(builtin_dash, empty, leaf("0")).node, empty.node);
    EXPECT_EQ(shown(call(builtin_dash, cray_of({"x", "", "y"}), leaf("01"))), "(/ (/ cray Z) y)");
    // Items of a zits are the bytes of its flattened text; a cut inside a
    // group is refused.
    EXPECT_EQ(op(builtin_dash, "[a[b]c]", "1"), "[[b]c]");
    EXPECT_EQ(op(builtin_dash, "[a[b]]", "03"), "[a]");
    EXPECT_EQ(op(builtin_dash, "[a[b]]", "2"), Z);
    EXPECT_EQ(op(builtin_dash, "[a[b]]", "01"), Z);
    EXPECT_EQ(shown(call(builtin_dash, sexpr("([ab] [c])"), leaf("1"))), "[b[c]]");
    // Two zits make a pair, left unflattened.
    EXPECT_EQ(sexpr_print(call(builtin_dash, leaf("[ab]"), leaf("[cd]"))), "([ab] [cd])");
    // Only a hint count after a container drops.
    EXPECT_EQ(shown(call(builtin_dash, leaf("5"), post_of("ab"))), Z);
    EXPECT_EQ(op(builtin_dash, "1", "002"), "002");
}

TEST_F(ArithOps, MultKindPairs) {
    const char* expected[7][7] = {
        {"real[2.250000e+00]", "real[3.000000e+00]", "real[3.000000e+00]", Z, Z, Z, Z},
        {"real[3.000000e+00]", "4", "0016", "cape[abcabc]", "(/ (/ (/ (/ (/ (/ cray 7) 8) 9) 7) 8) 9)", "[abcabc]", Z},
        {"real[3.000000e+00]", "0016", "0016", Z, Z, Z, Z},
        {Z, "cape[abcabc]", Z, Z, Z, Z, Z},
        {Z, "(/ (/ (/ (/ (/ (/ cray 7) 8) 9) 7) 8) 9)", Z, Z, Z, Z, Z},
        {Z, "[abcabc]", Z, Z, Z, Z, Z},
        {Z, Z, Z, Z, Z, Z, Z},
    };
    expect_table(builtin_mult, expected);
}

TEST_F(ArithOps, MultRepeats) {
    EXPECT_EQ(op(builtin_mult, "3", "[ab]"), "[ababab]");
    EXPECT_EQ(op(builtin_mult, "[ab]", "0"), "[]");
    EXPECT_EQ(op(builtin_mult, "[ab]", "01"), Z);
    EXPECT_EQ(op(builtin_mult, "[]", "5"), "[]");
    EXPECT_EQ(op(builtin_mult, "[ab]", "18446744073709551618"), "[abab]");  // 2^64 + 2 wraps to 2
    EXPECT_EQ(op(builtin_mult, "[ab]", "9223372036854775808"), Z);          // 2^63 reads negative
    EXPECT_EQ(shown(call(builtin_mult, post_of("xy"), leaf("1"))), "cape[xy]");
    EXPECT_EQ(shown(call(builtin_mult, post_of("xy"), leaf("0"))), "cape[]");
    EXPECT_EQ(shown(call(builtin_mult, post_of(""), leaf("5"))), "cape[]");
    EXPECT_EQ(shown(call(builtin_mult, cray_of({"x", "", "y"}), leaf("2"))), "(/ (/ (/ (/ (/ (/ cray x) Z) y) x) Z) y)");
    EXPECT_EQ(shown(call(builtin_mult, cray_of({"x"}), leaf("0"))), "cray");
    // Doubling with an odd count gives exactly n copies.
    std::string seven;
    for (int i = 0; i < 7; ++i) seven += "abc";
    EXPECT_EQ(op(builtin_mult, "[abc]", "7"), "[" + seven + "]");
    EXPECT_EQ(op(builtin_mult, "6", "07"), "042");
    EXPECT_EQ(op(builtin_mult, "0", "0123456789123456789123"), "0");
    EXPECT_EQ(op(builtin_mult, "999999999999999999", "999999999999999999"), "999999999999999998000000000000000001");
}

// Repetition writes its result straight into the new leaf: the same leaf,
// header word, text and zero bytes after it, as one made from the repeated
// text, for counts around the doubling steps and for post headers of one,
// two and three length digits; a data pair is repeated as its flat text.
TEST_F(ArithOps, MultBuildsTheLeafOfTheRepeatedText) {
    struct Case {
        NodeRef (*unit)();
        std::string text;
        i64 count;
    };
    auto xyz = [] { return post_of("xyz"); };
    auto ab = [] { return leaf("[ab]"); };
    auto pair = [] { return node_make_app(leaf("[ab]"), leaf("[c]")); };  // the data text [ab[c]]
    const Case cases[] = {
        {xyz, "xyz", 1}, {xyz, "xyz", 2}, {xyz, "xyz", 3}, {xyz, "xyz", 21}, {xyz, "xyz", 22},
        {xyz, "xyz", 1365}, {xyz, "xyz", 1366}, {xyz, "xyz", 100001},
        {ab, "ab", 1}, {ab, "ab", 5}, {ab, "ab", 65537}, {pair, "ab[c]", 3},
    };
    for (const Case& c : cases) {
        std::string repeated;
        for (i64 i = 0; i < c.count; ++i) repeated += c.text;
        NodeRef unit = c.unit();
        bool post = node_first_byte(unit) == '(';
        NodeRef want = post ? post_of(repeated) : leaf("[" + repeated + "]");
        NodeRef got = call(builtin_mult, unit, leaf(std::to_string(c.count)));
        ASSERT_TRUE(node_is_leaf(got.node));
        EXPECT_EQ(got.node->header, want.node->header) << c.text << " " << c.count;
        i64 n = leaf_node_byte_length(want.node);
        ASSERT_EQ(leaf_node_byte_length(got.node), n);
        EXPECT_EQ(std::memcmp(leaf_bytes(got.node), leaf_bytes(want.node), size_t(n) + 1), 0) << c.text << " " << c.count;
    }
}

TEST_F(ArithOps, MultSizeBounds) {
    // Past 2^34 bytes or 67,108,863 slots the answer is Z at once.
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(op(builtin_mult, "[ab]", "8589934593"), Z);  // 2^34 + 2 bytes
    EXPECT_EQ(op(builtin_mult, "[ab]", "4611686018427387904"), Z);  // 2^62 copies: n * 2 overflows
    EXPECT_EQ(shown(call(builtin_mult, post_of("a"), leaf("17179869185"))), Z);
    EXPECT_EQ(shown(call(builtin_mult, cray_of({"x", "y"}), leaf("33554432"))), Z);
    EXPECT_EQ(shown(call(builtin_mult, cray_of({"x", "y"}), leaf("9223372036854775807"))), Z);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
    EXPECT_EQ(shown(call(builtin_mult, cray_of({"x"}), leaf("67108864"))), Z);
}

// The table of a real-always builtin whose cray first appends: the three
// number rows given, then the rows every such builtin shares.
void expect_appending_table(Builtin f, const char* const numbers[3][7]) {
    const char* expected[7][7] = {
        {}, {}, {},
        {Z, Z, Z, Z, Z, Z, Z},
        {"(/ (/ (/ (/ cray 7) 8) 9) real[1.500000e+00])", "(/ (/ (/ (/ cray 7) 8) 9) 2)", "(/ (/ (/ (/ cray 7) 8) 9) 004)",
         "(/ (/ (/ (/ cray 7) 8) 9) cape[abc])", "(/ (/ (/ (/ cray 7) 8) 9) (/ (/ (/ cray 7) 8) 9))",
         "(/ (/ (/ (/ cray 7) 8) 9) [abc])", Z},
        {Z, Z, Z, Z, Z, Z, Z},
        {Z, Z, Z, Z, Z, Z, Z},
    };
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 7; ++j) expected[i][j] = numbers[i][j];
    expect_table(f, expected);
}

TEST_F(ArithOps, OverKindPairs) {
    const char* numbers[3][7] = {
        {"real[1.000000e+00]", "real[7.500000e-01]", "real[7.500000e-01]", Z, Z, Z, Z},
        {"real[1.333333e+00]", "1", "real[1.000000e+00]", Z, Z, Z, Z},
        {"real[1.333333e+00]", "real[1.000000e+00]", Z, Z, Z, Z, Z},
    };
    expect_appending_table(builtin_over, numbers);
}

TEST_F(ArithOps, CentKindPairs) {
    const char* expected[7][7] = {
        {"real[0.000000e+00]", "real[1.500000e+00]", "real[1.500000e+00]", Z, "(/ (/ (/ (/ cray real[1.500000e+00]) 7) 8) 9)", Z, Z},
        {"real[5.000000e-01]", "0", "00", Z, "(/ (/ (/ (/ cray 2) 7) 8) 9)", Z, Z},
        {"real[5.000000e-01]", "00", "00", Z, "(/ (/ (/ (/ cray 004) 7) 8) 9)", Z, Z},
        {Z, Z, Z, Z, "(/ (/ (/ (/ cray cape[abc]) 7) 8) 9)", Z, Z},
        {Z, Z, Z, Z, "(/ (/ (/ (/ cray (/ (/ (/ cray 7) 8) 9)) 7) 8) 9)", Z, Z},
        {Z, Z, Z, Z, "(/ (/ (/ (/ cray [abc]) 7) 8) 9)", Z, Z},
        {Z, Z, Z, Z, Z, Z, Z},
    };
    expect_table(builtin_cent, expected);
}

TEST_F(ArithOps, FloorQuotientsAndRemainders) {
    struct Case {
        const char *a, *b, *quotient, *remainder;
    } cases[] = {
        {"7", "2", "3", "1"},   {"07", "2", "04", "1"},  {"7", "02", "04", "1"},
        {"07", "02", "3", "1"}, {"6", "03", "02", "0"},  {"0", "05", "0", "0"},
        {"5", "0", Z, Z},       {"7", "3", "2", "1"},    {"07", "3", "03", "2"},
        {"7", "03", "03", "2"}, {"07", "03", "2", "1"},
        {"100000000000000000000", "07", "014285714285714285715", "5"},
        {"0100000000000000000000", "7", "014285714285714285715", "5"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(op(builtin_over, c.a, c.b), c.quotient) << c.a << " / " << c.b;
        EXPECT_EQ(op(builtin_cent, c.a, c.b), c.remainder) << c.a << " % " << c.b;
    }
    EXPECT_EQ(shown(call(builtin_over, real_make_leaf(1.0), real_make_leaf(0.0))), "real[inf]");
    EXPECT_EQ(shown(call(builtin_over, leaf("1"), real_make_leaf(0.0))), "real[inf]");
    EXPECT_EQ(shown(call(builtin_cent, real_make_leaf(-7.0), real_make_leaf(3.0))), "real[-1.000000e+00]");
    EXPECT_EQ(shown(call(builtin_cent, leaf("07"), real_make_leaf(3.0))), "real[-1.000000e+00]");
    EXPECT_TRUE(std::isnan(real_leaf_value(call(builtin_cent, real_make_leaf(1.0), real_make_leaf(0.0)))));
    EXPECT_EQ(op(builtin_cent, "0017", "004"), "001");  // numbs 5 % 2
    EXPECT_EQ(op(builtin_cent, "007", "001"), "002");   // numbs 7/2 % 1
    EXPECT_EQ(op(builtin_cent, "7", "004"), "001");
    EXPECT_EQ(op(builtin_cent, "00", "001"), "00");
    EXPECT_EQ(op(builtin_cent, "7", "00"), Z);
}

TEST_F(ArithOps, CraysGrowToTheLimit) {
    NodeRef full = noderef_wrap(leaf_new_vector(CRAY_COUNT_MAX));
    EXPECT_EQ(shown(call(builtin_over, full, leaf("1"))), Z);
    EXPECT_EQ(shown(call(builtin_cent, leaf("1"), full)), Z);
    EXPECT_EQ(shown(call(builtin_powa, full, leaf("1"))), Z);
    // The argument vector is not changed.
    NodeRef c = cray_of({"x"});
    EXPECT_EQ(shown(call(builtin_over, c, leaf("5"))), "(/ (/ cray x) 5)");
    EXPECT_EQ(shown(c), "(/ cray x)");
    // A cray on the real or numb path has no number: Z.
    EXPECT_EQ(shown(call(builtin_dash, cray_of({}), real_make_leaf(1.0))), Z);
    EXPECT_EQ(shown(call(builtin_dash, leaf("1"), cray_of({}))), Z);
    EXPECT_EQ(shown(call(builtin_mult, cray_of({}), leaf("002"))), Z);
    EXPECT_EQ(shown(call(builtin_cent, cray_of({}), leaf("1"))), Z);
    EXPECT_EQ(shown(call(builtin_over, leaf("1"), cray_of({}))), Z);
    EXPECT_EQ(shown(call(builtin_powa, leaf("2"), cray_of({}))), Z);
}

TEST_F(ArithOps, PowaKindPairs) {
    const char* numbers[3][7] = {
        {"real[1.837117e+00]", "real[2.250000e+00]", "real[2.250000e+00]", Z, Z, Z, Z},
        {"real[2.828427e+00]", "4", "real[4.000000e+00]", Z, Z, Z, Z},
        {"real[2.828427e+00]", "0016", Z, Z, Z, Z, Z},
    };
    expect_appending_table(builtin_powa, numbers);
}

TEST_F(ArithOps, ExactPowers) {
    struct Case {
        const char *a, *e, *power;
    } cases[] = {
        // hints
        {"2", "10", "1024"}, {"02", "3", "08"}, {"02", "2", "4"}, {"0", "0", "1"}, {"5", "01", "0"},
        {"1", "01", "0"}, {"01", "01", "0"},
        {"01", "1000000000000000000000000000001", "01"}, {"0", "1000000000000000000000000000000", "0"},
        // the numb 2 shortcut, any other numb, and the list form of 2
        {"004", "3", "0064"}, {"004", "03", "0032"}, {"004", "0", "001"}, {"004", "01", "002"},
        {"004", "576460752303423487", Z}, {"004", "576460752303423488", Z}, {"004", "0576460752303423488", Z},
        {"003", "2", "0012"}, {"003", "5", "00663"}, {"003", "0", "001"}, {"003", "01", Z},
        {"000", "1000000000000000000000000000001", "000"}, {"000", "1000000000000000000000000000000", "001"},
        {"00", "7", "00"}, {"00", "0", "001"},
    };
    for (const Case& c : cases) EXPECT_EQ(op(builtin_powa, c.a, c.e), c.power) << c.a << " ^ " << c.e;
    NodeRef two = sexpr("((J H) ((J K) ((J H) ((J H) K))))");  // the numb 2 as a list
    EXPECT_EQ(op(builtin_powa, "004", "2"), "0016");
    EXPECT_EQ(shown(call(builtin_powa, two, leaf("01"))), Z);
    EXPECT_EQ(shown(call(builtin_powa, two, leaf("3"))), "0064");
    EXPECT_EQ(shown(call(builtin_powa, real_make_leaf(2.0), leaf("3"))), "real[8.000000e+00]");
    // A malformed exponent list is no number.
    EXPECT_EQ(shown(call(builtin_powa, leaf("004"), sexpr("((J K) ((J I) K))"))), Z);
}

TEST_F(ArithOps, PowersPastTheSizeBoundAnswerZAtOnce) {
    auto start = std::chrono::steady_clock::now();
    const char* cases[][2] = {
        {"2", "100000000000000000000"}, {"3", "18446744073709551616"}, {"2", "137438953472"},
        {"004", "288230376151711744"}, {"002", "18446744073709551616"}, {"0013", "68719476736"},
        {"0012345678901234567890", "10000000000"},
    };
    for (auto& c : cases) EXPECT_EQ(op(builtin_powa, c[0], c[1]), Z) << c[0] << " ^ " << c[1];
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
}

}  // namespace
