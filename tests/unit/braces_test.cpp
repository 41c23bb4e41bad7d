// Brace rewriting.
#include "braces.h"

#include <gtest/gtest.h>

#include "term_sexpr.h"

TEST(Braces, RewritesPairPatterns) {
    struct Case {
        const char* term;
        const char* result;
    } cases[] = {
        {"((({ (p q)) e) body)", "((({ q) e) ((({ p) (q K)) ((({ q) (q H)) body)))"},
        {"((({ ([+] q)) e) b)", "((({ q) e) ((({ [+]) (q K)) ((({ q) (q H)) b)))"},
        {"((({ (p [+])) e) b)", "((({ [+]) e) ((({ p) (+ K)) ((({ [+]) (+ H)) b)))"},
        {"((({ p) e) body)", "((({ p) e) body)"},
        {"((({ ((p q) r)) e) body)", "((({ ((p q) r)) e) body)"},   // one level only
        {"((({ (p 7)) e) body)", "((({ (p 7)) e) body)"},
        {"((({ (p +)) e) body)", "((({ (p +)) e) body)"},           // + alone is not definable
        {"(g ((\\ x) x))", "(g ((\\ x) x))"},
        // inner binders first, in the value and in the body
        {"((({ (a b)) ((({ (c d)) e) c)) a)",
         "((({ b) ((({ d) e) ((({ c) (d K)) ((({ d) (d H)) c)))) ((({ a) (b K)) ((({ b) (b H)) a)))"},
    };
    for (const Case& c : cases) EXPECT_EQ(sexpr_print(term_rewrite_braces(sexpr(c.term))), c.result) << c.term;
}

TEST(Braces, EveryPairIsNewAndLeavesAreShared) {
    NodeRef t = sexpr("((g x) (h [y]))");
    NodeRef r = term_rewrite_braces(noderef_copy(t));
    for (const char* path : {"", "l", "r"}) EXPECT_NE(node_at(r, path), node_at(t, path)) << path;
    for (const char* path : {"ll", "lr", "rl", "rr"}) EXPECT_EQ(node_at(r, path), node_at(t, path)) << path;
    NodeRef leaf = sexpr("K");
    EXPECT_EQ(term_rewrite_braces(noderef_copy(leaf)).node, leaf.node);
}

TEST(Braces, PatternLeavesAreSharedAndMarksNew) {
    NodeRef t = sexpr("((({ (p q)) e) body)");
    NodeRef r = term_rewrite_braces(noderef_copy(t));
    const Node* p = node_at(t, "llrl");
    const Node* q = node_at(t, "llrr");
    EXPECT_EQ(node_at(r, "llr"), q);        // b binds the pair
    EXPECT_EQ(node_at(r, "rllr"), p);       // a its first component
    EXPECT_EQ(node_at(r, "rrllr"), q);      // b again its second
    EXPECT_EQ(node_at(r, "lr"), node_at(t, "lr"));
    EXPECT_EQ(node_at(r, "rrr"), node_at(t, "r"));
    EXPECT_NE(node_at(r, "rlrl"), q);       // B is a new leaf holding q
    EXPECT_NE(node_at(r, "lll"), node_at(t, "lll"));
}

TEST(Braces, DeepTermUsesNoStack) {
#ifdef VORN_SANITIZED
    const int n = 200000;
#else
    const int n = 1000000;
#endif
    NodeRef t = noderef_from_cstr("x");
    for (int i = 0; i < n; ++i) t = node_app(std::move(t), noderef_from_cstr("y"));
    NodeRef r = term_rewrite_braces(noderef_copy(t));
    EXPECT_NE(r.node, t.node);
}
