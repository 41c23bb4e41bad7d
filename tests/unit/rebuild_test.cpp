// The shared term rebuilder.
#include "rebuild.h"

#include <cstring>

#include <gtest/gtest.h>

#include "term_sexpr.h"

namespace {

// Replaces every leaf "x" by a new leaf "z", keeps the other leaves and the
// binder heads, and keeps the body of a brace binder of "k".
struct XToZ {
    NodeRef replace(const Node* n) {
        if (!node_is_leaf(n)) return NodeRef(nullptr);
        if (std::strcmp(reinterpret_cast<const char*>(leaf_bytes(n)), "x") == 0) return noderef_from_cstr("z");
        return noderef_wrap(const_cast<Node*>(n));
    }
    char binder_kind(const Node* n) { return node_binder_kind(n); }
    bool enters_brace_body(const Node* binder) {
        const Node* v = pair_right(pair_left(pair_left(binder)));
        return !(node_is_leaf(v) && leaf_bytes(v)[0] == 'k');
    }
    NodeRef binder_head(const Node* head) { return noderef_wrap(const_cast<Node*>(head)); }
    NodeRef finish(NodeRef pair) { return pair; }
};

}  // namespace

TEST(Rebuild, PairsBindersAndKeptBodies) {
    struct Case {
        const char* term;
        const char* result;
        const char* kept;  // a path whose node the result shares with the term
    } cases[] = {
        {"(g x)", "(g z)", "l"},
        {"((\\ v) (x v))", "((\\ v) (z v))", "l"},
        {"((({ v) x) (x v))", "((({ v) z) (z v))", "ll"},
        {"((({ k) x) (x k))", "((({ k) z) (x k))", "r"},
    };
    XToZ pass;
    for (const Case& c : cases) {
        NodeRef t = sexpr(c.term);
        NodeRef r = term_rebuild(noderef_copy(t), pass);
        EXPECT_EQ(sexpr_print(r), c.result) << c.term;
        EXPECT_EQ(node_at(r, c.kept), node_at(t, c.kept)) << c.term;
        EXPECT_NE(r.node, t.node) << c.term;
    }
}

TEST(Rebuild, DeepSpine) {
    // A million levels mixing left and right applications and lambdas,
    // rebuilt and then compared level by level without the C stack.
    const int n = 1000000;
    NodeRef t = noderef_from_cstr("x");
    for (int i = 0; i < n; ++i) {
        switch (i % 3) {
        case 0: t = node_app(sexpr("(\\ v)"), std::move(t)); break;
        case 1: t = node_app(std::move(t), noderef_from_cstr("y")); break;
        default: t = node_app(noderef_from_cstr("y"), std::move(t));
        }
    }
    XToZ pass;
    NodeRef r = term_rebuild(noderef_copy(t), pass);
    const Node* a = t.node;
    const Node* b = r.node;
    for (int i = n - 1; i >= 0; --i) {
        ASSERT_FALSE(node_is_leaf(b));
        ASSERT_NE(a, b);
        switch (i % 3) {
        case 0:
            ASSERT_EQ(pair_left(b), pair_left(a));  // the binder head is kept
            a = pair_right(a), b = pair_right(b);
            break;
        case 1:
            ASSERT_EQ(pair_right(b), pair_right(a));
            a = pair_left(a), b = pair_left(b);
            break;
        default:
            ASSERT_EQ(pair_left(b), pair_left(a));
            a = pair_right(a), b = pair_right(b);
        }
    }
    ASSERT_TRUE(node_is_leaf(b));
    EXPECT_STREQ(reinterpret_cast<const char*>(leaf_bytes(b)), "z");
}
