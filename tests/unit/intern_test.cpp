// Interning of terms.
#include "intern.h"

#include <map>
#include <random>
#include <vector>

#include <gtest/gtest.h>

#include "define.h"
#include "order.h"
#include "source.h"
#include "status.h"
#include "tables.h"
#include "tag.h"
#include "term_sexpr.h"

class Intern : public ::testing::Test {
protected:
    void SetUp() override {
        prelude_load();
        program_define(string_from_cstr("0"));  // the builtin stubs name the operators' builtins
        intern_clear();
    }
    void TearDown() override { intern_clear(); }

    static bool stored(const char* text) { return intern_find(sexpr(text)).node != nullptr; }
};

TEST_F(Intern, EqualTermsBecomeOneNode) {
    NodeRef first = sexpr("((S K) K)");
    NodeRef a = intern_term(noderef_copy(first));
    EXPECT_EQ(node_at(a, "l"), node_at(first, "l"));   // (S K) came back as itself
    EXPECT_EQ(node_at(a, "r"), node_at(first, "lr"));  // the first K stored answers the second
    NodeRef b = intern_term(sexpr("((S K) K)"));
    EXPECT_EQ(b.node, a.node);
    NodeRef c = intern_term(noderef_copy(first));
    EXPECT_EQ(c.node, a.node);
    EXPECT_EQ(intern_find(sexpr("((S K) K)")).node, a.node);
}

TEST_F(Intern, PairOfStoredChildrenIsStoredItself) {
    NodeRef g = intern_term(sexpr("g"));
    NodeRef x = intern_term(sexpr("(x y)"));
    NodeRef pair = node_app(noderef_copy(g), noderef_copy(x));
    NodeRef r = intern_term(noderef_copy(pair));
    EXPECT_EQ(r.node, pair.node);
    EXPECT_TRUE(stored("(g (x y))"));
}

TEST_F(Intern, EqualChildrenBecomeOneNode) {
    NodeRef t = sexpr("((g x) (g x))");
    EXPECT_NE(node_at(t, "l"), node_at(t, "r"));
    NodeRef r = intern_term(noderef_copy(t));
    EXPECT_EQ(node_at(r, "l"), node_at(r, "r"));
    EXPECT_EQ(node_at(r, "ll"), node_at(r, "rl"));
    EXPECT_NE(r.node, t.node);  // its right child changed, so the pair is new
    EXPECT_EQ(intern_count(), 4);  // g, x, (g x), ((g x) (g x))
}

TEST_F(Intern, LookupComesBeforeTheChildren) {
    // A lambda is a value, its body here is not: forgetting the body leaves
    // the lambda stored without it.
    NodeRef lambda = intern_term(sexpr("((\\ x) ((K a) b))"));
    intern_forget(sexpr("((K a) b)"));
    EXPECT_FALSE(stored("((K a) b)"));
    NodeRef again = intern_term(sexpr("((\\ x) ((K a) b))"));
    EXPECT_EQ(again.node, lambda.node);
    EXPECT_FALSE(stored("((K a) b)"));  // found whole, its parts were not looked at
}

TEST_F(Intern, ForgetKeepsValues) {
    NodeRef t = intern_term(sexpr("((K x) ((K y) z))"));
    i64 before = intern_count();
    intern_forget(sexpr("7"));
    intern_forget(sexpr("(K x)"));
    EXPECT_EQ(intern_count(), before);
    intern_forget(sexpr("((K x) ((K y) z))"));
    EXPECT_FALSE(stored("((K x) ((K y) z))"));
    EXPECT_FALSE(stored("((K y) z)"));
    for (const char* value : {"(K x)", "(K y)", "K", "x", "y", "z"}) EXPECT_TRUE(stored(value)) << value;
}

TEST_F(Intern, ForgetStopsAtATermNotStored) {
    NodeRef inner = intern_term(sexpr("((K y) z)"));
    intern_forget(sexpr("((K x) ((K y) z))"));
    EXPECT_TRUE(stored("((K y) z)"));
}

namespace {

// The model the store must answer like: the written algorithm over a plain
// list of stored terms, searched by the term order's equality. Storing a
// term equal to a stored one puts the new node in its place.
struct ModelStore {
    std::vector<NodeRef> terms;

    // The index of the stored term equal to t, or -1.
    i64 find(const NodeRef& t) const {
        for (size_t i = 0; i < terms.size(); ++i)
            if (term_compare(noderef_copy(terms[i]), noderef_copy(t)) == 0) return i64(i);
        return -1;
    }
    void insert(const NodeRef& t) {
        i64 i = find(t);
        if (i < 0) terms.push_back(t);
        else terms[size_t(i)] = t;
    }
};

NodeRef model_intern(ModelStore& store, const NodeRef& t) {
    i64 found = store.find(t);
    if (found >= 0) return store.terms[size_t(found)];
    if (!node_is_pair(t)) {
        store.insert(t);
        return t;
    }
    NodeRef g = model_intern(store, node_left(t));
    NodeRef x = model_intern(store, node_right(t));
    NodeRef result = g.node == node_left(t).node && x.node == node_right(t).node ? t : node_app(g, x);
    store.insert(result);
    return result;
}

void model_forget(ModelStore& store, const NodeRef& t) {
    if (term_is_value(noderef_copy(t))) return;
    i64 found = store.find(t);
    if (found < 0) return;
    store.terms.erase(store.terms.begin() + found);
    if (!node_is_pair(t)) return;
    model_forget(store, node_left(t));
    model_forget(store, node_right(t));
}

// A random term over a few leaves, sharing earlier subterms now and then.
NodeRef random_term(std::mt19937& rng, std::vector<NodeRef>& made, int depth) {
    static const char* leaves[] = {"x", "y", "7", "[p]", "K", "S", "I", "H"};
    int choice = int(rng() % 10);
    NodeRef t;
    if (!made.empty() && choice == 0) {
        t = made[rng() % made.size()];
    } else if (depth == 0 || choice < 4) {
        t = noderef_from_cstr(leaves[rng() % 8]);
    } else {
        NodeRef g = random_term(rng, made, depth - 1);
        NodeRef x = random_term(rng, made, depth - 1);
        t = node_make_app(std::move(g), std::move(x));
    }
    made.push_back(t);
    return t;
}

}  // namespace

TEST_F(Intern, AnswersLikeTheOrderedModel) {
    for (unsigned seed = 1; seed <= 60; ++seed) {
        std::mt19937 rng(seed);
        std::vector<NodeRef> made;
        ModelStore model;
        intern_clear();
        for (int step = 0; step < 40; ++step) {
            NodeRef t = random_term(rng, made, 5);
            if (rng() % 4 == 0) {
                model_forget(model, t);
                intern_forget(t);
            } else {
                NodeRef expected = model_intern(model, t);
                NodeRef got = intern_term(t);
                ASSERT_EQ(got.node == t.node, expected.node == t.node) << "seed " << seed;
                ASSERT_EQ(term_compare(got, expected), 0) << "seed " << seed;
            }
            ASSERT_EQ(intern_count(), i64(model.terms.size())) << "seed " << seed;
            for (const NodeRef& term : model.terms) {
                NodeRef found = intern_find(term);
                ASSERT_NE(found.node, nullptr) << "seed " << seed;
                // The same node is stored for each shape whenever the model
                // stored a node the test made itself.
                bool made_here = false;
                for (const NodeRef& m : made) made_here |= m.node == term.node;
                if (made_here) {
                    ASSERT_EQ(found.node, term.node) << "seed " << seed;
                }
            }
        }
    }
}

TEST_F(Intern, DefinitionsStepKeepsOnlyValues) {
    DefsMap& defs = definitions_instance();
    map_defs_get_or_insert(defs, string_from_cstr("da")) = sexpr("((K x) ((K y) z))");
    map_defs_get_or_insert(defs, string_from_cstr("db")) = sexpr("(((K y) z) (K x))");
    intern_term(sexpr("((S S) S)"));
    intern_definitions();
    const Node* da = map_find(defs, string_from_cstr("da"))->second.node;
    const Node* db = map_find(defs, string_from_cstr("db"))->second.node;
    EXPECT_EQ(pair_right(da), pair_left(db));  // ((K y) z) is one node
    EXPECT_EQ(pair_left(da), pair_right(db));
    EXPECT_FALSE(stored("((S S) S)"));
    EXPECT_FALSE(stored("((K y) z)"));
    EXPECT_TRUE(stored("(K x)"));
    for (const NodeRef& t : intern_stored_terms()) EXPECT_TRUE(term_is_value(noderef_copy(t)));
}

TEST_F(Intern, LongSpinesOfValues) {
#ifdef VORN_SANITIZED
    const int n = 50000;
#else
    const int n = 300000;
#endif
    // A spine of local applications (x (x (... x))), all values, twice.
    NodeRef a = noderef_from_cstr("x");
    NodeRef b = noderef_from_cstr("x");
    for (int i = 0; i < n; ++i) {
        a = node_app(noderef_from_cstr("x"), std::move(a));
        b = node_app(noderef_from_cstr("x"), std::move(b));
    }
    NodeRef ia = intern_term(noderef_copy(a));
    EXPECT_EQ(intern_count(), n + 1);
    NodeRef ib = intern_term(noderef_copy(b));
    EXPECT_EQ(ib.node, ia.node);
    intern_forget(noderef_copy(a));  // values stay
    EXPECT_EQ(intern_count(), n + 1);
}

TEST_F(Intern, SweepDropsWhatOnlyTheStoreHolds) {
    NodeRef held = intern_term(sexpr("((S K) I)"));
    intern_term(sexpr("((K [ab]) [cd])"));  // dropped at once: only the store holds it
    NodeRef leaf = intern_term(sexpr("[ef]"));
    i64 before = intern_count();
    EXPECT_EQ(intern_sweep_unheld(), 4);  // the pair, (K [ab]), then [ab] and [cd]; K is held by the first
    EXPECT_EQ(intern_count(), before - 4);
    EXPECT_FALSE(stored("((K [ab]) [cd])"));
    EXPECT_FALSE(stored("[ab]"));
    EXPECT_TRUE(stored("((S K) I)"));
    EXPECT_TRUE(stored("K"));  // a child of a held term stays
    EXPECT_TRUE(stored("[ef]"));
    EXPECT_EQ(intern_term(sexpr("((S K) I)")).node, held.node);
    EXPECT_EQ(intern_sweep_unheld(), 0);
}

TEST_F(Intern, SweepWalksLongSpinesWithoutRecursion) {
    NodeRef list = sexpr("K");
    for (int i = 0; i < 100000; ++i) list = node_make_app(node_make_app(sexpr("J"), sexpr("0")), std::move(list));
    intern_term(std::move(list));
    EXPECT_GT(intern_count(), 3);
    intern_sweep_unheld();
    EXPECT_EQ(intern_count(), 0);
}
