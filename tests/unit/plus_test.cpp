// Builtin plus on the arithmetic coercion frame.
#include <cmath>
#include <cstring>
#include <functional>
#include <string>

#include <gtest/gtest.h>

#include "arith.h"
#include "arithmetic.h"
#include "comparisons.h"
#include "compare.h"
#include "eval_fixture.h"
#include "integer.h"
#include "post.h"
#include "print.h"
#include "real.h"
#include "term_sexpr.h"

namespace {

EVAL_SUITE(Plus);

NodeRef leaf(const char* text) {
    return noderef_from_cstr(text);
}

NodeRef plus(NodeRef a, NodeRef b) {
    return builtin_plus(node_app2(leaf("plus"), std::move(a), std::move(b)));
}

std::string shown(const NodeRef& t) {
    return string_to_std(term_to_text(t));
}

// A vector of n slots, each holding the integer 7.
NodeRef sevens(u64 n) {
    NodeRef v = noderef_wrap(leaf_new_vector(n));
    for (u64 i = 0; i < n; ++i) {
        Node* seven = leaf_new_from_cstr("7");
        node_retain(seven);
        leaf_vector_set_slot(v.node, i, seven);
    }
    return v;
}

NodeRef post_of(const char* bytes) {
    return post_make(string_from_cstr(bytes));
}

TEST_F(Plus, EveryKindPair) {
    // One value of each kind: real 1.5, hint 5, numb 2 ("004"), post "ab", a
    // one-element cray, zits [cd], and void K.
    std::function<NodeRef()> values[] = {
        [] { return real_make_leaf(1.5); }, [] { return leaf("5"); },   [] { return leaf("004"); },
        [] { return post_of("ab"); },       [] { return sevens(1); },   [] { return leaf("[cd]"); },
        [] { return leaf("K"); },
    };
    const char* Z = "Z";
    const char* expected[7][7] = {
        {"real[3.000000e+00]", "real[6.500000e+00]", "real[3.500000e+00]", "cape[1.500000e+00ab]", Z,
         "[1.500000e+00cd]", Z},
        {"real[6.500000e+00]", "10", "0021", "cape[5ab]", Z, "[5cd]", Z},
        {"real[3.500000e+00]", "0021", "0016", "cape[004ab]", Z, "[004cd]", Z},
        {"cape[ab1.500000e+00]", "cape[ab5]", "cape[ab004]", "cape[abab]", Z, "cape[abcd]", Z},
        {Z, Z, Z, Z, "(/ (/ cray 7) 7)", Z, Z},
        {"[cd1.500000e+00]", "[cd5]", "[cd004]", "cape[cdab]", Z, "[cdcd]", Z},
        {Z, Z, Z, Z, Z, Z, Z},
    };
    for (int i = 0; i < 7; ++i)
        for (int j = 0; j < 7; ++j) EXPECT_EQ(shown(plus(values[i](), values[j]())), expected[i][j]) << i << " " << j;
}

TEST_F(Plus, TextJoinKeepsArgumentOrder) {
    EXPECT_EQ(shown(plus(leaf("[ab]"), leaf("[cd]"))), "[abcd]");
    EXPECT_EQ(shown(plus(leaf("05"), leaf("[a]"))), "[05a]");
    EXPECT_EQ(shown(plus(real_make_leaf(1.5), leaf("[]"))), "[1.500000e+00]");
    EXPECT_EQ(shown(plus(post_of(""), post_of(""))), "cape[]");
    // A list-form integer is joined as its digit text.
    EXPECT_EQ(shown(plus(leaf("[a]"), sexpr("((J K) ((J K) ((J H) K)))"))), "[a2]");
}

// Joins read posts and data leaves in place and other texts as copies, and
// write the join once into the new leaf: each gives the leaf made from the
// joined text, for either order, one node joined with itself, data pairs,
// numbers and texts past 64 KiB.
TEST_F(Plus, JoinsBuildTheLeafOfTheJoinedText) {
    std::string big(70000, 'q');
    struct Case {
        std::function<NodeRef()> a, b;
        bool post;
        std::string text;
    };
    auto data = [](std::string t) { return [t] { return noderef_from_string(string_from_std("[" + t + "]")); }; };
    auto bytes = [](std::string t) { return [t] { return post_make(string_from_std(t)); }; };
    auto pair = [] { return node_make_app(leaf("[ab]"), leaf("[c]")); };  // the data text [ab[c]]
    const Case cases[] = {
        {data("ab"), data("cd"), false, "abcd"},
        {bytes("xy"), data("ab"), true, "xyab"},
        {data("ab"), bytes("xy"), true, "abxy"},
        {pair, bytes("xy"), true, "ab[c]xy"},
        {bytes("xy"), pair, true, "xyab[c]"},
        {pair, pair, false, "ab[c]ab[c]"},
        {data(big), [] { return leaf("05"); }, false, big + "05"},
        {bytes(big), data(big), true, big + big},
        {data(""), bytes(""), true, ""},
    };
    for (const Case& c : cases) {
        NodeRef want = c.post ? post_make(string_from_std(c.text)) : noderef_from_string(string_from_std("[" + c.text + "]"));
        NodeRef got = plus(c.a(), c.b());
        ASSERT_TRUE(node_is_leaf(got.node));
        EXPECT_EQ(got.node->header, want.node->header) << c.text.substr(0, 12);
        i64 n = leaf_node_byte_length(want.node);
        ASSERT_EQ(leaf_node_byte_length(got.node), n);
        EXPECT_EQ(std::memcmp(leaf_bytes(got.node), leaf_bytes(want.node), size_t(n) + 1), 0) << c.text.substr(0, 12);
    }
    // One node on both sides.
    NodeRef x = leaf("[xy]");
    EXPECT_EQ(shown(plus(x, x)), "[xyxy]");
    NodeRef p = post_make(string_from_cstr("pq"));
    EXPECT_EQ(shown(plus(p, p)), "cape[pqpq]");
}

TEST_F(Plus, Crays) {
    NodeRef a = noderef_wrap(leaf_new_vector(0)), b = noderef_wrap(leaf_new_vector(0));
    NodeRef both = plus(a, b);
    EXPECT_EQ(node_first_byte(both), '\n');
    EXPECT_NE(both.node, a.node);
    EXPECT_NE(both.node, b.node);
    EXPECT_EQ(shown(plus(sevens(2), leaf("1"))), "Z");
}

TEST_F(Plus, NumbersWithoutValueGiveZ) {
    // A cell whose bit is neither K nor H leaves the list without value.
    EXPECT_EQ(shown(plus(sexpr("((J K) ((J I) K))"), leaf("1"))), "Z");
    EXPECT_EQ(shown(plus(leaf("[a]"), sexpr("((J K) ((J I) K))"))), "Z");
    EXPECT_EQ(shown(plus(sexpr("((J H) ((J I) K))"), leaf("004"))), "Z");
}

TEST_F(Plus, SmallIntegersAgreeWithTheKernels) {
    const char* values[] = {"0", "1", "01", "5", "05", "999999999999999999", "0999999999999999999",
                            "123456789", "0100000000000000000", "1000000000000000000", "07"};
    for (const char* a : values)
        for (const char* b : values) {
            EXPECT_EQ(shown(plus(leaf(a), leaf(b))), shown(integer_add(leaf(a), leaf(b)))) << a << " " << b;
            EXPECT_EQ(shown(builtin_less(node_app2(leaf("less"), leaf(a), leaf(b)))),
                      shown(value_less(leaf(a), leaf(b)))) << a << " " << b;
            EXPECT_EQ(shown(builtin_gteq(node_app2(leaf("gteq"), leaf(a), leaf(b)))),
                      shown(value_gteq(leaf(a), leaf(b)))) << a << " " << b;
        }
}

TEST_F(Plus, MixedNumbers) {
    // A hint too large for a double becomes an infinity before the sum.
    std::string big(400, '9');
    NodeRef r = plus(leaf(big.c_str()), real_make_leaf(1.0));
    EXPECT_TRUE(std::isinf(real_leaf_value(r)));
    EXPECT_EQ(shown(plus(leaf("K"), leaf("1"))), "Z");
}

}  // namespace
