// Substitution.
#include "subst.h"

#include <gtest/gtest.h>

#include "source.h"
#include "tag.h"
#include "term_sexpr.h"

class Subst : public ::testing::Test {
protected:
    void SetUp() override { prelude_load(); }
};

TEST_F(Subst, TermWithoutTheVariableIsTheSameNode) {
    for (const char* text : {"K", "7", "[p]", "((\\ x) (x y))", "((K y) z)", "x1"}) {
        NodeRef t = sexpr(text);
        NodeRef r = term_substitute(noderef_copy(t), sexpr("7"), 'x');
        EXPECT_EQ(r.node, t.node) << text;
    }
}

TEST_F(Subst, EveryOccurrenceIsTheValueNode) {
    NodeRef t = sexpr("((g x) x)");
    NodeRef v = sexpr("(K 5)");
    NodeRef r = term_substitute(noderef_copy(t), noderef_copy(v), 'x');
    EXPECT_EQ(sexpr_print(r), "((g (K 5)) (K 5))");
    EXPECT_EQ(node_at(r, "r"), v.node);
    EXPECT_EQ(node_at(r, "lr"), v.node);
    EXPECT_EQ(node_at(r, "ll"), node_at(t, "ll"));
    EXPECT_EQ(node_tag(r.node), 0u);  // new pairs are tagged on demand
}

TEST_F(Subst, BindersAreShared) {
    struct Case {
        const char* term;
        const char* result;
        const char* shared;  // a path whose node the result shares with the term
    } cases[] = {
        {"((\\ y) (x y))", "((\\ y) (7 y))", "l"},
        {"((({ x) x) x)", "((({ x) 7) x)", "ll"},   // x bound again in the body
        {"((({ x) x) x)", "((({ x) 7) x)", "r"},
        {"((({ y) x) x)", "((({ y) 7) 7)", "ll"},
        {"((({ y) (y x)) (x y))", "((({ y) (y 7)) (7 y))", "ll"},
        {"(((\\ x) x) x)", "(((\\ x) x) 7)", "l"},
    };
    for (const Case& c : cases) {
        NodeRef t = sexpr(c.term);
        NodeRef r = term_substitute(noderef_copy(t), sexpr("7"), 'x');
        EXPECT_EQ(sexpr_print(r), c.result) << c.term;
        EXPECT_EQ(node_at(r, c.shared), node_at(t, c.shared)) << c.term;
    }
}

TEST_F(Subst, OnlyThePathToTheOccurrenceIsNew) {
    NodeRef t = sexpr("((K (a b)) ((c d) (e x)))");
    NodeRef r = term_substitute(noderef_copy(t), sexpr("7"), 'x');
    EXPECT_EQ(node_at(r, "l"), node_at(t, "l"));
    EXPECT_EQ(node_at(r, "rl"), node_at(t, "rl"));
    EXPECT_NE(node_at(r, "rr"), node_at(t, "rr"));
    EXPECT_EQ(sexpr_print(r), "((K (a b)) ((c d) (e 7)))");
}

TEST_F(Subst, DeepSpine) {
#ifdef VORN_SANITIZED
    const int n = 200000;
#else
    const int n = 1000000;
#endif
    NodeRef t = noderef_from_cstr("x");
    for (int i = 0; i < n; ++i) t = node_app(noderef_from_cstr("y"), std::move(t));
    NodeRef r = term_substitute(noderef_copy(t), sexpr("7"), 'x');
    const Node* n1 = r.node;
    while (!node_is_leaf(n1)) n1 = pair_right(n1);
    EXPECT_STREQ(reinterpret_cast<const char*>(leaf_bytes(n1)), "7");
}

TEST_F(Subst, LetterOutsideAToZIsFatal) {
    EXPECT_DEATH(term_substitute(sexpr("x"), sexpr("7"), 'A'), "ASSERTION FAILED:subst:");
}
