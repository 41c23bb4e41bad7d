// Term order, and the deep-term walks: tagging, comparing and releasing
// spines of millions of pairs without touching the C stack's limits.
#include <gtest/gtest.h>

#include <string>

#include "order.h"
#include "tables.h"
#include "tag.h"

namespace {

NodeRef L(const std::string& bytes) { return noderef_from_string(string_from_std(bytes)); }
NodeRef A(NodeRef f, NodeRef x) { return node_make_app(std::move(f), std::move(x)); }

TEST(TermOrder, Cases) {
    struct Case {
        const char* what;
        NodeRef a, b;
        i8 order;
    } cases[] = {
        {"prefix first", L("ab"), L("abc"), 1},
        {"longer after", L("abc"), L("ab"), -1},
        {"bytes before length", L("ab"), L("b"), 1},
        {"equal leaves", L("abc"), L("abc"), 0},
        {"unsigned bytes", L("a\x7F"), L("a\x80"), 1},
        {"high byte after", L("\xFF"), L("a"), -1},
        {"empty first", L(""), L("a"), 1},
        {"leaf before pair", L("zzz"), A(L("a"), L("a")), 1},
        {"pair after leaf", A(L("a"), L("a")), L("zzz"), -1},
        {"equal pairs", A(L("f"), L("x")), A(L("f"), L("x")), 0},
        {"left decides", A(L("a"), L("z")), A(L("b"), L("a")), 1},
        {"then right", A(L("f"), L("y")), A(L("f"), L("x")), -1},
        {"deeper left", A(A(L("f"), L("a")), L("z")), A(A(L("f"), L("b")), L("a")), 1},
        // Digit and data leaves compare all their recorded bytes, NULs too.
        {"digits past a NUL", L(std::string("1\0a", 3)), L(std::string("1\0b", 3)), 1},
        {"digit prefix", L(std::string("1\0", 2)), L("1"), -1},
        {"data past a NUL", L(std::string("[\0b]", 4)), L(std::string("[\0a]", 4)), -1},
        // A name stops at its first NUL.
        {"name to its NUL", L(std::string("a\0b", 3)), L(std::string("a\0c", 3)), 0},
        // Reals compare 9 bytes, byte strings their header and payload.
        {"reals", L(std::string(" \0\0\0\0\0\0\0\1", 9)), L(std::string(" \0\0\0\0\0\0\0\2", 9)), 1},
        {"byte strings", L(std::string("(b)\0z", 5)), L(std::string("(b)\0y", 5)), -1},
    };
    for (Case& c : cases) {
        EXPECT_EQ(term_compare(c.a, c.b), c.order) << c.what;
        EXPECT_EQ(term_compare(c.b, c.a), -c.order) << c.what;
    }
}

TEST(TermOrder, SameNodeAndCounts) {
    NodeRef t = A(L("f"), L("x"));
    NodeRef shared = A(t, t);
    EXPECT_EQ(term_compare(t, t), 0);
    EXPECT_EQ(term_compare(shared, A(t, A(L("f"), L("x")))), 0);
    EXPECT_EQ(node_refcount(t.node), 3u);  // copies given to term_compare are released
}

TEST(TermOrder, VectorsByElementIdentity) {
    NodeRef x = L("x");
    NodeRef v1 = noderef_wrap(leaf_new_vector(1));
    NodeRef v2 = noderef_wrap(leaf_new_vector(1));
    for (NodeRef* v : {&v1, &v2}) {
        node_retain(x.node);
        leaf_vector_set_slot(v->node, 0, x.node);
    }
    EXPECT_EQ(term_compare(v1, v2), 0);  // the same element
    NodeRef longer = noderef_wrap(leaf_new_vector(2));
    EXPECT_EQ(term_compare(longer, v1), 1);  // a null slot reads as zero bytes
}

// ---------------------------------------------------------------------------
// Deep terms
// ---------------------------------------------------------------------------

#ifdef VORN_SANITIZED
const int DEPTH = 1000000;
#else
const int DEPTH = 10000000;
#endif

// A spine of DEPTH pairs over one leaf x: (x (x (... x))) going right, or
// (((x x) x) ... x) going left.
NodeRef spine(const NodeRef& x, bool rightwards) {
    NodeRef t = x;
    for (int i = 0; i < DEPTH; ++i) t = rightwards ? A(x, std::move(t)) : A(std::move(t), x);
    return t;
}

void check_deep_spines(bool rightwards) {
    map_defs_free_nodes(definitions_instance());
    // Each copy has its own leaf, so the comparison walks every level.
    NodeRef x1 = L("x"), x2 = L("x");
    NodeRef a = spine(x1, rightwards);
    NodeRef b = spine(x2, rightwards);
    EXPECT_EQ(node_refcount(x1.node), u64(DEPTH) + 2);  // the links and the handle

    term_compute_tag(a);
    EXPECT_EQ(term_arity(a), ARITY_MAX);
    EXPECT_TRUE(term_is_value(a));
    EXPECT_EQ(node_free_mask(a.node), u64(1) << ('x' - 'a'));
    EXPECT_FALSE(term_head_in_fixed_set(b));

    EXPECT_EQ(term_compare(a, b), 0);

    noderef_release(a);
    noderef_release(b);
    EXPECT_EQ(node_refcount(x1.node), 1u);
    EXPECT_EQ(node_refcount(x2.node), 1u);
}

TEST(DeepTerms, RightSpine) { check_deep_spines(true); }

TEST(DeepTerms, LeftSpine) { check_deep_spines(false); }

TEST(DeepTerms, DifferenceAtTheBottom) {
    // Two long lists that differ only in their last element.
    auto list = [](const char* last) {
        NodeRef t = L(last);
        for (int i = 0; i < DEPTH / 10; ++i) t = A(A(L("J"), L("1")), std::move(t));
        return t;
    };
    NodeRef a = list("K"), b = list("L");
    EXPECT_EQ(term_compare(a, b), 1);
    EXPECT_EQ(term_compare(b, a), -1);
}

}  // namespace
