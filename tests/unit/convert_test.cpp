// Kind conversions and bit lists: real, init, zits, cape, lisp, type, lots
// and lits over every kind, their exact bytes and their round trips.
#include <cmath>
#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "bitlists.h"
#include "convert.h"
#include "eval_fixture.h"
#include "integer.h"
#include "intern.h"
#include "post.h"
#include "print.h"
#include "real.h"
#include "realtree.h"
#include "term_sexpr.h"

namespace {

EVAL_SUITE(Convert);

using Builtin = NodeRef (*)(NodeRef);

NodeRef leaf(const std::string& text) {
    return noderef_wrap(leaf_new_from_bytes(text.data(), i64(text.size())));
}

NodeRef call(Builtin f, NodeRef x) {
    return f(node_app(leaf("op"), std::move(x)));
}

std::string shown(const NodeRef& t) {
    return string_to_std(term_to_text(t));
}

// The whole text of a leaf, NUL bytes included.
std::string bytes_of(const NodeRef& t) {
    return string_to_std(node_text(t));
}

NodeRef post_of(const std::string& bytes) {
    return post_make(string_from_std(bytes));
}

u64 bits_of(double d) {
    u64 u;
    std::memcpy(&u, &d, 8);
    return u;
}

u64 real_bits(const NodeRef& r) {
    return bits_of(real_leaf_value(r));
}

// The list ((J b0) ((J b1) ... K)) of the given bits, "K" for 1, "H" for 0.
std::string list_text(const std::string& bits) {
    std::string s = "K";
    for (size_t i = bits.size(); i-- > 0;) s = std::string("((J ") + (bits[i] == '1' ? "K" : "H") + ") " + s + ")";
    return s;
}

// A real bit tree whose leaves are the given 64 bits, bit 0 leftmost.
NodeRef bit_tree(u64 pattern) {
    std::function<std::string(int, int)> build = [&](int first, int count) -> std::string {
        if (count == 1) return (pattern >> first) & 1 ? "K" : "H";
        return "((V " + build(first, count / 2) + ") " + build(first + count / 2, count / 2) + ")";
    };
    return sexpr(build(0, 64));
}

TEST_F(Convert, RealOfEveryKind) {
    struct Case {
        NodeRef value;
        const char* real;
    } cases[] = {
        {post_of("2.5"), "real[2.500000e+00]"},    {post_of("x"), "real[0.000000e+00]"},
        {post_of(" -0"), "real[-0.000000e+00]"},   {post_of("1e400"), "real[inf]"},
        {post_of("0x1p-2"), "real[2.500000e-01]"}, {post_of(std::string("7\0" "9", 3)), "real[7.000000e+00]"},
        {post_of(""), "real[0.000000e+00]"},       {leaf("05"), "real[-5.000000e+00]"},
        {leaf("0"), "real[0.000000e+00]"},         {sexpr("((J K) ((J K) ((J K) ((J H) K))))"), "real[5.000000e+00]"},
        {leaf(std::string(400, '9')), "real[inf]"}, {leaf("002"), "real[5.000000e-01]"},
        {leaf("00"), "real[0.000000e+00]"},        {leaf("[1.5]"), "real[1.500000e+00]"},
        {leaf("[ 2e3x]"), "real[2.000000e+03]"},   {leaf("[]"), "real[0.000000e+00]"},
        {leaf("[abc]"), "real[0.000000e+00]"},     {leaf("K"), "Z"},
        {sexpr("(x y)"), "Z"},                     {noderef_wrap(leaf_new_vector(0)), "Z"},
        {sexpr("((J K) ((J I) K))"), "Z"},
    };
    for (Case& c : cases) EXPECT_EQ(shown(call(builtin_real, c.value)), c.real) << shown(c.value);
    NodeRef r = real_make_leaf(1.5);
    EXPECT_EQ(call(builtin_real, r).node, r.node);
    // Rounding: a hint through its decimal text, a numb truncated.
    std::string two59 = "576460752303423615";  // 2^59 + 127
    EXPECT_EQ(real_leaf_value(call(builtin_real, leaf(two59))), 576460752303423616.0);
    EXPECT_EQ(real_leaf_value(call(builtin_real, integer_to_numb(leaf(two59)))), 576460752303423488.0);
    // A numb beyond the double range is the NaN 0x7FF9000000000000.
    NodeRef huge = call(builtin_real, integer_to_numb(leaf("1" + std::string(400, '0'))));
    EXPECT_EQ(real_bits(huge), 0x7FF9000000000000u);
    EXPECT_EQ(shown(huge), "real[nan]");
}

TEST_F(Convert, RealOfBitTrees) {
    EXPECT_EQ(real_bits(call(builtin_real, bit_tree(0))), 0u);
    EXPECT_EQ(real_bits(call(builtin_real, bit_tree(1))), 1u);  // the smallest subnormal
    EXPECT_EQ(shown(call(builtin_real, bit_tree(1))), "real[4.940656e-324]");
    EXPECT_EQ(real_bits(call(builtin_real, bit_tree(u64(1) << 63))), u64(1) << 63);
    // Every pattern comes back bit for bit, NaN payloads included.
    for (u64 pattern : {bits_of(1.0), bits_of(-2.75), u64(0x7FF0000000000001), u64(0xFFF8DEADBEEF0001)}) {
        NodeRef r = noderef_wrap(leaf_new_from_bytes((" " + std::string(reinterpret_cast<char*>(&pattern), 8)).data(), 9));
        EXPECT_EQ(real_bits(call(builtin_real, real_to_bit_tree(r))), pattern);
    }
    // One wrong leaf or a missing level is no tree.
    std::string tree = sexpr_print(bit_tree(0));
    std::string wrong = tree;
    wrong[wrong.rfind('H')] = 'I';
    EXPECT_EQ(shown(call(builtin_real, sexpr(wrong))), "Z");
    EXPECT_EQ(shown(call(builtin_real, node_right(bit_tree(0)))), "Z");
}

TEST_F(Convert, InitOfEveryKind) {
    struct Case {
        NodeRef value;
        std::string post;
    } cases[] = {
        {leaf("65"), "(a)A"},          {leaf("01"), "(a)\xFF"},      {leaf("256"), std::string("(a)\0", 4)},
        {leaf("300"), "(a),"},         {leaf("[abc]"), "(c)abc"},    {leaf("K"), "()"},
        {leaf("004"), "Z"},            {noderef_wrap(leaf_new_vector(0)), "Z"},
        {sexpr("((J K) K)"), std::string("(a)\0", 4)},  // a hint, never a byte text
        {sexpr("((J K) ((J I) K))"), "Z"},
        {sexpr("(x y)"), "Z"},
    };
    for (Case& c : cases) EXPECT_EQ(bytes_of(call(builtin_init, c.value)), c.post) << shown(c.value);
    EXPECT_EQ(bytes_of(call(builtin_init, real_make_leaf(1.0))), std::string("(h)\0\0\0\0\0\0\xF0\x3F", 11));
    NodeRef p = post_of("xy");
    EXPECT_EQ(call(builtin_init, p).node, p.node);
    // Byte trees: e0 and e6 set is "A"; a list of two such trees is "AA".
    const char* a = "((J ((J ((J I) H)) ((J H) H))) ((J ((J H) H)) ((J I) H)))";
    EXPECT_EQ(bytes_of(call(builtin_init, sexpr(a))), "(a)A");
    EXPECT_EQ(bytes_of(call(builtin_init, sexpr(std::string("((J ") + a + ") ((J " + a + ") K))"))), "(b)AA");
    EXPECT_EQ(bytes_of(call(builtin_init, sexpr("((J ((J ((J K) H)) ((J H) H))) ((J ((J H) H)) ((J I) H)))"))), "Z");
}

TEST_F(Convert, ZitsOfEveryKind) {
    struct Case {
        NodeRef value;
        std::string zits;
    } cases[] = {
        {leaf("65"), "[A]"},   {leaf("91"), "[[q]]"}, {leaf("93"), "[[r]]"}, {leaf("10"), "[\n]"},
        {leaf("0"), std::string("[\0]", 3)},           {leaf("01"), "[\xFF]"},
        {leaf("004"), "Z"},    {post_of("a[b]c"), "[a[b]c]"}, {post_of("a]b["), "Z"},
        {post_of("a\nb"), "Z"}, {post_of(""), "[]"},   {real_make_leaf(1.5), "[1.500000e+00]"},
        {sexpr("([ab] [c])"), "[ab[c]]"},               {leaf("K"), "Z"},
        {sexpr("((V (X J)) ((J K) K))"), "[[]]"},       {sexpr("((V (X J)) ((J ((J K) K)) K))"), "[[][]]"},
        {sexpr("((V (X J)) ((J K) ((J K) K)))"), "[[[]]]"}, {sexpr("((V (X J)) I)"), "Z"},
        {sexpr("((V (X I)) K)"), "Z"},
    };
    for (Case& c : cases) EXPECT_EQ(bytes_of(call(builtin_zits, c.value)), c.zits) << shown(c.value);
    // The NUL byte's leaf keeps its recorded length.
    EXPECT_EQ(node_aux(call(builtin_zits, leaf("0")).node), 3u);
    NodeRef vector = noderef_wrap(leaf_new_vector(2));
    for (u64 i = 0; i < 2; ++i) {
        Node* element = leaf_new_from_cstr(i == 0 ? "1" : "2");
        node_retain(element);
        leaf_vector_set_slot(vector.node, i, element);
    }
    EXPECT_EQ(bytes_of(call(builtin_zits, vector)), "[[\"1][\"2]]");
    EXPECT_EQ(bytes_of(call(builtin_zits, noderef_wrap(leaf_new_vector(0)))), "[]");
    NodeRef z = leaf("[ab]");
    EXPECT_EQ(call(builtin_zits, z).node, z.node);
    // Data applied to V gives the tagged list, which converts back.
    EXPECT_EQ(eval_text("zits ([a[bc]d] V)"), "[a[bc]d]");
}

TEST_F(Convert, CapeBothWays) {
    EXPECT_EQ(bytes_of(call(builtin_cape, post_of("a[b]"))), "[a[q]b[r]]");
    EXPECT_EQ(bytes_of(call(builtin_cape, post_of("x\ny"))), "[x\ny]");
    struct Case {
        const char* zits;
        std::string post;
    } cases[] = {
        {"[a[q]b[r]]", "(d)a[b]"}, {"[x[p]]", "(b)x\n"}, {"[]", "()"},
        {"[x[a]]", "Z"},           {"[[x]]", "Z"},       {"[[ab]]", "Z"}, {"[a[q]", "Z"},
    };
    for (const Case& c : cases) EXPECT_EQ(bytes_of(call(builtin_cape, leaf(c.zits))), c.post) << c.zits;
    EXPECT_EQ(bytes_of(call(builtin_cape, leaf("[ab]cd]"))), "Z");  // a stray "]" inside the text
    EXPECT_EQ(bytes_of(call(builtin_cape, leaf("5"))), "Z");
    // cape (cape p) is p for every post.
    std::string all;
    for (int c = 0; c < 256; ++c) all.push_back(char(c));
    NodeRef back = call(builtin_cape, call(builtin_cape, post_of(all)));
    EXPECT_EQ(string_to_std(post_payload(back)), all);
}

TEST_F(Convert, LispAndType) {
    EXPECT_EQ(bytes_of(call(builtin_lisp, leaf("5"))), "[5]");
    EXPECT_EQ(bytes_of(call(builtin_lisp, real_make_leaf(1.5))), "[real[1.500000e+00]]");
    EXPECT_EQ(bytes_of(call(builtin_lisp, post_of("ab"))), "[cape[ab]]");
    EXPECT_EQ(bytes_of(call(builtin_lisp, sexpr("(g x)"))), "[(g x)]");
    EXPECT_EQ(bytes_of(call(builtin_lisp, leaf(")"))), "[()]");
    struct Case {
        NodeRef value;
        const char* kind;
    } cases[] = {
        {leaf("5"), "[hint]"},   {leaf("00"), "[numb]"},          {sexpr("((J K) K)"), "[hint]"},
        {leaf("K"), "[void]"},   {sexpr("(K I)"), "[void]"}, {post_of(""), "[post]"},
        {real_make_leaf(0), "[real]"}, {noderef_wrap(leaf_new_vector(0)), "[cray]"}, {leaf("[a]"), "[zits]"},
    };
    for (Case& c : cases) EXPECT_EQ(bytes_of(call(builtin_type, c.value)), c.kind) << shown(c.value);
    // One node per kind name, shared with an equal literal of the program.
    EXPECT_EQ(call(builtin_type, leaf("5")).node, call(builtin_type, leaf("7")).node);
    EXPECT_EQ(eval_text("raws (type 5) (type 6)"), "K");
    EXPECT_EQ(eval_text("raws (type 5) [hint]"), "K");
    EXPECT_EQ(eval_text("type (x\\x)"), "[void]");
}

TEST_F(Convert, LotsOfEveryKind) {
    struct Case {
        NodeRef value;
        std::string list;
    } cases[] = {
        {leaf("5"), list_text("1110")},   {leaf("0"), list_text("1")},   {leaf("01"), list_text("10")},
        {leaf("00"), list_text("0")},     {leaf("001"), list_text("01")}, {leaf("0017"), list_text("011000")},
        {sexpr("((J K) 5)"), list_text("11110")},
        {post_of(""), "K"},                {post_of(std::string(3, '\0')), list_text("000")},
        {post_of("A"), list_text("1100000")}, {post_of(std::string("\1\0", 2)), list_text("01")},
        {post_of(std::string("\0\1", 2)), list_text("100000000")},
        {real_make_leaf(1.0), list_text(std::string(52, '0') + std::string(10, '1') + "00")},
        {leaf("[]"), "[]"},               {noderef_wrap(leaf_new_vector(0)), "Z"},
        {sexpr("((J K) ((J I) K))"), "Z"}, {sexpr("((J K) ((J K) I))"), "Z"},
    };
    for (Case& c : cases) EXPECT_EQ(sexpr_print(call(builtin_lots, c.value)), c.list) << shown(c.value);
    NodeRef k = leaf("K");
    EXPECT_EQ(call(builtin_lots, k).node, k.node);
    // The (J b) parts of the argument's cells are kept.
    NodeRef list = sexpr("((J K) ((J H) 5))");
    NodeRef out = call(builtin_lots, list);
    EXPECT_EQ(node_at(out, "l"), node_at(list, "l"));
    EXPECT_EQ(node_at(out, "rl"), node_at(list, "rl"));
}

TEST_F(Convert, LitsOfEveryKind) {
    struct Case {
        NodeRef value;
        const char* number;
    } cases[] = {
        {sexpr(list_text("1110")), "5"},    {sexpr(list_text("1")), "0"},  {sexpr(list_text("10")), "01"},
        {sexpr(list_text("0")), "00"},      {sexpr("((J K) 5)"), "11"},    {leaf("5"), "5"},
        {leaf("K"), "Z"},                   {real_make_leaf(0.5), "002"},  {real_make_leaf(-0.0), "00"},
        {real_make_leaf(INFINITY), "00"},   {leaf("[A]"), "65"},           {leaf("[]"), "0"},
        {post_of(std::string(8, '\xFF')), "01"}, {post_of("ABCDEFGHIJ"), "5208208757389214273"},
        {sexpr("((J K) ((J K) I))"), "Z"},  {sexpr("((J K) (I I))"), "K"}, {sexpr("((J K) ((J I) K))"), "K"},
        {noderef_wrap(leaf_new_vector(0)), "Z"}, {sexpr("((Jx Kx) Ky)"), "0"},
    };
    for (Case& c : cases) EXPECT_EQ(shown(call(builtin_lits, c.value)), c.number) << shown(c.value);
    // A number leaf comes back as a new leaf of its canonical text.
    NodeRef five = leaf("5");
    EXPECT_NE(call(builtin_lits, five).node, five.node);
}

TEST_F(Convert, BitListRoundTrips) {
    const char* numbers[] = {"0", "1", "2", "5", "01", "05", "00", "001", "000", "002", "0017",
                             "123456789012345678901234567890", "0987654321987654321", "00123456789"};
    for (const char* x : numbers)
        EXPECT_EQ(shown(call(builtin_lits, call(builtin_lots, leaf(x)))), x) << x;
    // Long lists are walked without deep recursion.
    std::string digits(100000, '7');
    NodeRef list = call(builtin_lots, leaf(digits));
    EXPECT_EQ(shown(call(builtin_lits, bit_list_canonicalize(list))), digits);
}

}  // namespace
