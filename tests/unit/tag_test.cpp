// Term tags: arities from definitions, local variables and data, the
// redex_below flag, free-variable masks, lazy heads, and line marks.
#include <gtest/gtest.h>

#include <regex>
#include <string>

#include "capture.h"
#include "tables.h"
#include "tag.h"

namespace {

const char* const TAG_DEATH = "ASSERTION FAILED:tag:[0-9]+\n";

NodeRef L(const std::string& text) { return noderef_from_string(string_from_std(text)); }
NodeRef A(NodeRef f, NodeRef x) { return node_make_app(std::move(f), std::move(x)); }
// ((\ v) body)
NodeRef lam(const char* v, NodeRef body) { return node_app2(L("\\"), L(v), std::move(body)); }
// A body with n leading binders.
NodeRef binders(int n, NodeRef body) {
    for (int i = 0; i < n; ++i) body = lam("a", std::move(body));
    return body;
}

u64 bits(const char* letters) {
    u64 mask = 0;
    for (const char* c = letters; *c; ++c) mask |= u64(1) << (*c - 'a');
    return mask;
}

u64 mask_of(const NodeRef& t) {
    term_compute_tag(t);
    return node_free_mask(t.node);
}

// Definitions shaped like the prelude's, with the arities the tests need.
class Tags : public ::testing::Test {
protected:
    void SetUp() override {
        map_defs_free_nodes(definitions_instance());
        define("\\", 3);
        define("{", 3);
        define("K", 2);
        define("B", 3);
        define("S", 3);
        define("g", 2);
    }
    void TearDown() override { map_defs_free_nodes(definitions_instance()); }
    static void define(const char* name, int arity) {
        map_defs_get_or_insert(definitions_instance(), string_from_cstr(name)) = binders(arity, L("Z"));
    }
};

TEST_F(Tags, WorkedHeaderValues) {
    struct Case {
        NodeRef term;
        u64 header;
    } cases[] = {
        {L("123"), 0xB5000000C0000001},
        {L("x"), 0xBF20000000000001},
        {A(L("[p]"), L("[q]")), 0x4000000180000001},
    };
    for (Case& c : cases) {
        term_compute_tag(c.term);
        EXPECT_EQ(c.term.node->header, c.header) << std::hex << c.header;
    }
}

TEST_F(Tags, AritiesAndValues) {
    NodeRef K = L("K"), x = L("x"), y = L("y");
    NodeRef redex_arg = A(A(L("K"), L("a")), L("b"));
    struct Case {
        const char* what;
        NodeRef term;
        i64 arity;
        bool value;
    } cases[] = {
        {"K", K, 2, true},
        {"K x", A(K, x), 1, true},
        {"K x y", A(A(K, x), y), 0, false},
        {"x", x, ARITY_MAX, true},
        {"x y", A(x, y), ARITY_MAX, true},
        {"x (K a b)", A(x, redex_arg), ARITY_MAX, false},
        {"g (K a b)", A(L("g"), redex_arg), 1, false},
        {"\\x.x", lam("x", L("x")), 1, true},
        {"\\x.K x y", lam("x", A(A(L("K"), L("x")), L("y"))), 1, true},
        {"K [p]", A(K, L("[p]")), 1, true},
        {"[p] K", A(L("[p]"), K), 0, false},
        {"[p] [q]", A(L("[p]"), L("[q]")), 1, true},
        {"123", L("123"), 1, true},
        {"()", L("()"), 1, true},
        {"empty", L(""), 1, true},
        {"byte string", L("(c)abc"), 1, true},
        {"real", L(" 12345678"), 1, true},
        {"vector", noderef_wrap(leaf_new_vector(0)), 1, true},
        {")", L(")x"), 1, true},
        {"]", L("]x"), 2, true},
        {"Kfoo", L("Kfoo"), 1, true},  // not a valid name
        {"12 binders", L("twelve"), ARITY_MAX, true},
    };
    map_defs_get_or_insert(definitions_instance(), string_from_cstr("twelve")) = binders(12, L("Z"));
    for (Case& c : cases) {
        EXPECT_EQ(term_arity(c.term), c.arity) << c.what;
        EXPECT_EQ(term_is_value(c.term), c.value) << c.what;
    }
}

TEST_F(Tags, RedexBelowMarksArguments) {
    NodeRef redex_arg = A(A(L("K"), L("a")), L("b"));
    NodeRef call = A(L("g"), redex_arg);
    term_compute_tag(call);
    EXPECT_TRUE(node_has_redex_below(call.node));
    NodeRef lambda = lam("x", A(L("x"), redex_arg));  // a lambda never carries the flag
    term_compute_tag(lambda);
    EXPECT_FALSE(node_has_redex_below(lambda.node));
    NodeRef data_arg = A(L("g"), L("[p]"));
    term_compute_tag(data_arg);
    EXPECT_FALSE(node_has_redex_below(data_arg.node));
}

TEST_F(Tags, BinderCountNeedsExactBackslash) {
    // Only a binder leaf whose whole text is a backslash counts.
    NodeRef body = node_app2(L("\\q"), L("a"), lam("b", L("Z")));
    map_defs_get_or_insert(definitions_instance(), string_from_cstr("odd")) = body;
    EXPECT_EQ(term_arity(L("odd")), 0);
}

TEST_F(Tags, ArityFloor) {
    NodeRef t = L("1");
    for (int i = 0; i < 70; ++i) t = A(t, L("2"));
    EXPECT_EQ(term_arity(t), ARITY_MIN);
    EXPECT_EQ(node_arity_code(t.node), 1u);
}

TEST_F(Tags, LeafKeepsItsFirstArity) {
    NodeRef f = L("fun");
    define("fun", 2);
    EXPECT_EQ(term_arity(f), 2);
    define("fun", 5);
    EXPECT_EQ(term_arity(A(f, L("x"))), 1);
    EXPECT_EQ(term_arity(L("fun")), 5);  // a new leaf reads the new definition
}

TEST_F(Tags, DataLengths) {
    auto data_leaf = [](u64 aux) {
        NodeRef t = L("[p]");
        node_set_aux(t.node, aux);  // stands for a longer text
        return t;
    };
    struct Case {
        u64 left, right, sum;
    } cases[] = {
        {3, 3, 6},
        {2, AUX_LIMIT - 3, AUX_LIMIT - 1},
        {2, AUX_LIMIT - 2, 0},  // the sum would not fit
        {1, 5, 0},              // a length below 2 is not known
        {0, 5, 0},
    };
    for (const Case& c : cases) {
        NodeRef pair = A(data_leaf(c.left), data_leaf(c.right));
        term_compute_tag(pair);
        EXPECT_EQ(node_tag(pair.node), TAG_DATA);
        EXPECT_EQ(node_aux(pair.node), c.sum) << c.left << " " << c.right;
        EXPECT_EQ(node_free_mask(pair.node), 0u);
    }
    NodeRef leaf = L("[p]");
    term_compute_tag(leaf);
    EXPECT_EQ(node_aux(leaf.node), 3u);  // data keeps its text length
    NodeRef nested = A(A(L("[a]"), L("[bc]")), L("[d]"));
    term_compute_tag(nested);
    EXPECT_EQ(node_aux(nested.node), 10u);
}

TEST_F(Tags, FreeVariableMasks) {
    struct Case {
        const char* what;
        NodeRef term;
        u64 mask;
    } cases[] = {
        {"x", L("x"), bits("x")},
        {"x y", A(L("x"), L("y")), bits("xy")},
        {"\\x.x", lam("x", L("x")), 0},
        {"\\x.x y", lam("x", A(L("x"), L("y"))), bits("y")},
        {"\\x.\\y.x y z", lam("x", lam("y", A(A(L("x"), L("y")), L("z")))), bits("z")},
        {"K 123", A(L("K"), L("123")), 0},
        // A brace binder binds X in its body but not in its list.
        {"{x} (x z)", A(A(L("{"), L("x")), A(L("x"), L("z"))), bits("xz")},
        {"x{w z}(x v)", A(A(A(L("{"), L("x")), A(L("w"), L("z"))), A(L("x"), L("v"))), bits("vwz")},
        {"x{x}x", A(A(A(L("{"), L("x")), L("x")), L("x")), bits("x")},
    };
    for (Case& c : cases) {
        EXPECT_EQ(mask_of(c.term), c.mask) << c.what;
        EXPECT_EQ(term_is_closed(c.term), c.mask == 0) << c.what;
    }
    term_require_closed(lam("x", L("x")));
    EXPECT_DEATH(term_require_closed(A(L("x"), L("y"))), TAG_DEATH);
}

TEST_F(Tags, LineMarks) {
    NodeRef mark = L("`");
    node_set_aux(mark.node, 24);  // its source line: the bits of d and e
    term_compute_tag(mark);
    EXPECT_EQ(node_tag(mark.node), 0u);
    EXPECT_EQ(term_arity(mark), -ARITY_BIAS);

    // A marked expression is a redex headed by the mark, never data, never
    // untagged, and the line is no mask.
    struct Case {
        const char* what;
        NodeRef term;
        i64 arity;
        bool redex_below;
        u64 mask;
    } cases[] = {
        {"` 1", A(mark, L("1")), 0, false, 0},
        {"` y", A(mark, L("y")), 0, false, bits("y")},
        {"` (K a b)", A(mark, A(A(L("K"), L("a")), L("b"))), 0, true, bits("ab")},
        {"` [p]", A(mark, L("[p]")), 0, false, 0},
        {"(` 1) 2", A(A(mark, L("1")), L("2")), -1, false, 0},
    };
    for (Case& c : cases) {
        term_compute_tag(c.term);
        EXPECT_NE(node_tag(c.term.node), 0u) << c.what;
        EXPECT_NE(node_tag(c.term.node), TAG_DATA) << c.what;
        EXPECT_EQ(term_arity(c.term), c.arity) << c.what;
        EXPECT_EQ(node_has_redex_below(c.term.node), c.redex_below) << c.what;
        EXPECT_EQ(node_free_mask(c.term.node), c.mask) << c.what;
        EXPECT_FALSE(term_is_value(c.term)) << c.what;
    }
    EXPECT_EQ(node_aux(mark.node), 24u);
}

TEST_F(Tags, LazyHeads) {
    struct Case {
        const char* what;
        NodeRef term;
        bool lazy;
    } cases[] = {
        {"B g h", A(A(L("B"), L("g")), L("h")), true},
        {"S g h", A(A(L("S"), L("g")), L("h")), false},
        {"K", L("K"), true},
        {"Kfoo x", A(L("Kfoo"), L("x")), true},  // the first byte decides
        {"[p] [q]", A(L("[p]"), L("[q]")), false},
        {"[p] K", A(L("[p]"), L("K")), false},
        {"empty", L(""), false},
        {"x", L("x"), false},
        // A bare leaf is not tagged: undefined heads are judged by their byte.
        {"undefined G", L("G"), false},
        {"undefined Q", L("Q"), true},
        {"undefined foo", L("foo"), false},
    };
    for (Case& c : cases) EXPECT_EQ(term_head_in_fixed_set(c.term), c.lazy) << c.what;
}

TEST_F(Tags, UndefinedNamesAreFatal) {
    // Three separate checks: longer names, bytes before 'a', bytes after 'z'.
    auto failure = [](const std::string& name) {
        ChildOutcome child = capture_child([&] { term_compute_tag(L(name)); });
        EXPECT_EQ(child.signal, SIGABRT) << name;
        return child.err;
    };
    std::string longer = failure("foo");
    std::string before = failure("G");
    std::string after = failure("|");
    for (const std::string& err : {longer, before, after})
        EXPECT_TRUE(std::regex_match(err, std::regex(TAG_DEATH))) << err;
    EXPECT_NE(longer, before);
    EXPECT_NE(before, after);
    EXPECT_NE(longer, after);
    EXPECT_EQ(failure("\xE9"), before);  // high bytes count as before 'a'
    EXPECT_EQ(failure("_"), before);
}

}  // namespace

namespace {

// One-byte names are looked up through a cache kept by their byte; every
// change of the table's entries must reach it, and so must a new term stored
// under a name that stays.
TEST_F(Tags, OneByteNamesFollowEveryChangeOfDefinitions) {
    DefsMap& defs = definitions_instance();
    auto arity_of_new_leaf = [](const char* name) { return term_arity(L(name)); };
    EXPECT_EQ(arity_of_new_leaf("x"), ARITY_MAX);  // a local variable
    define("x", 2);
    EXPECT_EQ(arity_of_new_leaf("x"), 2);
    defs.find(string_from_cstr("x"))->second = binders(4, L("Z"));  // in place
    EXPECT_EQ(arity_of_new_leaf("x"), 4);
    defs.erase(string_from_cstr("x"));
    EXPECT_EQ(arity_of_new_leaf("x"), ARITY_MAX);
    EXPECT_EQ(arity_of_new_leaf("K"), 2);
    DefsMap saved = defs;
    map_defs_free_nodes(defs);  // emptied and refilled with other terms
    define("K", 3);
    EXPECT_EQ(arity_of_new_leaf("K"), 3);
    defs = saved;
    EXPECT_EQ(arity_of_new_leaf("K"), 2);
    // Bytes that cannot start a name never reach the table.
    for (const char* text : {"7", " ", "(", "()", "", "+x"}) EXPECT_EQ(arity_of_new_leaf(text), 1) << text;
}

TEST_F(Tags, BorrowedQueriesTakeNoReference) {
    NodeRef t = A(A(L("K"), L("a")), A(L("g"), L("b")));
    u64 count = node_refcount(t.node);
    EXPECT_FALSE(node_is_value(t.node));
    EXPECT_EQ(node_tagged_arity(t.node), 0);
    EXPECT_TRUE(node_head_in_fixed_set(t.node));
    EXPECT_EQ(node_refcount(t.node), count);
    EXPECT_EQ(node_refcount(pair_left(t.node)), 1u);
}

}  // namespace
