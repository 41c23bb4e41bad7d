// Binder and name passes.
#include "binders.h"

#include <gtest/gtest.h>

#include "term_sexpr.h"

static std::string names_of(const NameList& list) {
    std::string out;
    for (size_t i = 0; i < list.names.size(); ++i) out += (i == 0 ? "" : ",") + string_to_std(list.names[i]);
    return out;
}

static NameList list_of(std::initializer_list<const char*> names) {
    NameList list;
    for (const char* name : names) list = name_list_add(std::move(list), string_from_cstr(name));
    return list;
}

TEST(Binders, KindByShape) {
    struct Case {
        const char* term;
        char kind;
    } cases[] = {
        {"x", 'o'},
        {"(\\ x)", 'o'},
        {"((\\ x) b)", 'u'},
        {"(((\\ x) b) c)", 'o'},
        {"((({ x) e) b)", 'i'},
        {"(({ x) e)", 'o'},
        {"((\\x x) b)", 'o'},   // the binder leaf must be exactly "\"
        {"((({x x) e) b)", 'o'},
        {"((g x) y)", 'o'},
    };
    for (const Case& c : cases) EXPECT_EQ(term_binder_kind(sexpr(c.term)), c.kind) << c.term;
}

TEST(Binders, FindBadBinderReturnsTheBinderItself) {
    struct Case {
        const char* term;
        const char* path;  // where the bad binder stands, or null for none
    } cases[] = {
        {"((\\ 7) x)", ""},
        {"((\\ (p q)) x)", ""},                         // a pair binds the empty name
        {"((\\ x) ((\\ y) y))", nullptr},
        {"(((\\ 1) a) ((\\ 2) b))", "l"},                // function part first
        {"(((\\ a) a) ((\\ 2) b))", "r"},
        {"((({ x) ((\\ 1) a)) ((\\ 2) b))", "lr"},       // the value before the body
        {"((({ x) a) ((\\ 2) b))", "r"},
        {"((({ 5) a) b)", ""},
        {"((\\ [+]) ((\\ [a]) x))", "r"},
        {"[x]", nullptr},
    };
    for (const Case& c : cases) {
        NodeRef term = sexpr(c.term);
        NodeRef found = term_find_bad_binder(noderef_copy(term));
        if (c.path == nullptr) {
            EXPECT_FALSE(node_is_pair(found)) << c.term;
            EXPECT_EQ(sexpr_print(found), "") << c.term;
        } else {
            EXPECT_EQ(found.node, node_at(term, c.path)) << c.term;
        }
    }
}

TEST(Binders, GlobalNames) {
    struct Case {
        const char* term;
        const char* names;
    } cases[] = {
        {"((\\ x) ((g x) y))", "g,y"},
        {"((({ x) x) x)", "x"},                       // x is free in the value only
        {"((({ x) y) x)", "y"},
        {"123", ""},
        {"[p q]", ""},
        {"()", ""},
        {"+", "+"},
        {"((\\ [+]) ((+ a) b))", "a,b"},             // the bracketed binder binds +
        {"((\\ +) ((+ a) b))", "a,b"},               // not definable: binds as written
        {"((\\ x) ((\\ x) x))", ""},
        {"(((\\ x) x) x)", "x"},
        {"((\\ count) ((count K) counter))", "K,counter"},
        {"(((\\ x) (f x)) (f x))", "f,x"},
        {"((A \\) ({ B))", "A,B"},                    // binder marks are no names
    };
    for (const Case& c : cases) EXPECT_EQ(names_of(term_global_names(sexpr(c.term))), c.names) << c.term;
    NodeRef array = noderef_wrap(leaf_new_vector(0));  // reads as "\n", a control byte
    EXPECT_EQ(names_of(term_global_names(node_app(sexpr("g"), std::move(array)))), "g");
}

TEST(Binders, BoundNamesLongAndLetter) {
    NodeRef t = sexpr("((\\ x) ((\\ count) ((\\ x) count)))");
    EXPECT_EQ(names_of(term_binder_names_long(noderef_copy(t))), "count");
    EXPECT_EQ(names_of(term_binder_names_letter(noderef_copy(t))), "x");
    NodeRef u = sexpr("((({ [+]) ((\\ zz) a)) (((\\ b) B) (\\ A)))");
    EXPECT_EQ(names_of(term_binder_names_long(noderef_copy(u))), "A,[+],zz");
    EXPECT_EQ(names_of(term_binder_names_letter(noderef_copy(u))), "b");
}

TEST(Binders, RenameReplacesEveryLeafOfTheName) {
    struct Case {
        const char* term;
        const char* name;
        u8 letter;
        const char* result;
    } cases[] = {
        {"((\\ count) ((g count) counter))", "count", 'b', "((\\ b) ((g b) counter))"},
        {"(((\\ count) count) count)", "count", 'b', "(((\\ b) b) b)"},  // the free use too
        {"((\\ [+]) ((+ a) b))", "+", 'c', "((\\ c) ((c a) b))"},
        {"((\\ [+]) ((+ a) b))", "zz", 'c', "((\\ +) ((+ a) b))"},     // normalised anyway
        {"((({ count) count) ((\\ x) count))", "count", 'q', "((({ q) q) ((\\ x) q))"},
    };
    for (const Case& c : cases) {
        NodeRef t = sexpr(c.term);
        NodeRef renamed = term_rename_binder(noderef_copy(t), string_from_cstr(c.name), c.letter);
        EXPECT_EQ(sexpr_print(renamed), c.result) << c.term;
        EXPECT_EQ(sexpr_print(t), c.term);  // the given term is unchanged
    }
}

TEST(Binders, RenameRebuildsPairsAndBinderLeaves) {
    NodeRef t = sexpr("((\\ x) ((g y) K))");
    NodeRef r = term_rename_binder(noderef_copy(t), string_from_cstr("count"), 'b');
    EXPECT_NE(r.node, t.node);
    EXPECT_NE(node_at(r, "l"), node_at(t, "l"));
    EXPECT_NE(node_at(r, "ll"), node_at(t, "ll"));   // a new "\" leaf
    EXPECT_NE(node_at(r, "lr"), node_at(t, "lr"));   // a new bound-name leaf
    EXPECT_NE(node_at(r, "rl"), node_at(t, "rl"));
    EXPECT_EQ(node_at(r, "rll"), node_at(t, "rll"));  // other leaves are shared
    EXPECT_EQ(node_at(r, "rr"), node_at(t, "rr"));
}

TEST(Binders, RenameOfSeveralNamesMatchesOneByOne) {
    NodeRef t = sexpr("((\\ [+]) ((\\ A) ((\\ foo) (((+ A) foo) ((\\ a) foo)))))");
    NodeRef one = term_rename_binder(noderef_copy(t), string_from_cstr("A"), 'b');
    one = term_rename_binder(std::move(one), string_from_cstr("+"), 'c');
    one = term_rename_binder(std::move(one), string_from_cstr("foo"), 'd');
    NodeRef all = term_rename_binders(noderef_copy(t), {string_from_cstr("A"), string_from_cstr("+"),
                                                        string_from_cstr("foo")},
                                      {'b', 'c', 'd'});
    EXPECT_EQ(sexpr_print(all), sexpr_print(one));
    EXPECT_EQ(sexpr_print(all), "((\\ c) ((\\ b) ((\\ d) (((c b) d) ((\\ a) d)))))");
}

TEST(BindersDeathTest, RenameGuardsNameAndLetter) {
    EXPECT_DEATH(term_rename_binder(sexpr("x"), string_from_cstr("[+]"), 'b'), "ASSERTION FAILED:names:");
    EXPECT_DEATH(term_rename_binder(sexpr("x"), string_from_cstr("count"), 'A'), "ASSERTION FAILED:binders:");
}

TEST(Binders, NameLists) {
    EXPECT_EQ(names_of(name_list_add(list_of({"b", "d"}), string_from_cstr("c"))), "b,c,d");
    EXPECT_EQ(names_of(name_list_add(list_of({"b", "d"}), string_from_cstr("b"))), "b,d");
    EXPECT_EQ(names_of(name_list_remove(list_of({"b", "d"}), string_from_cstr("c"))), "b,d");
    EXPECT_EQ(names_of(name_list_remove(list_of({"b", "d"}), string_from_cstr("d"))), "b");
    EXPECT_EQ(names_of(name_list_join(list_of({"ab", "c"}), list_of({"b", "c", "zz"}))), "ab,b,c,zz");
    EXPECT_EQ(names_of(list_of({"b", "ab", "", "a"})), ",a,ab,b");  // a proper prefix first
    EXPECT_TRUE(name_list_contains(list_of({"b", "d"}), string_from_cstr("d")));
    EXPECT_FALSE(name_list_contains(list_of({"b", "d"}), string_from_cstr("c")));
    EXPECT_EQ(list_spine_length(list_of({"b", "d"})), 2);
    EXPECT_EQ(list_spine_length(sexpr("()")), 0);
    EXPECT_EQ(list_spine_length(sexpr("abc")), 0);
    EXPECT_EQ(list_spine_length(sexpr("(a (b (c ())))")), 3);
    EXPECT_EQ(list_spine_length(sexpr("((a b) c)")), 1);
}

// A lambda chain \x\x...\x ((g x) y) nested n deep, and a right spine of n
// applications (; a) as a ;-chain gives.
static NodeRef deep_lambdas(int n) {
    NodeRef t = sexpr("((g x) y)");
    for (int i = 0; i < n; ++i) t = node_app(node_app(noderef_from_cstr("\\"), noderef_from_cstr("x")), std::move(t));
    return t;
}

TEST(Binders, DeepTermsUseNoStack) {
#ifdef VORN_SANITIZED
    const int n = 100000;
#else
    const int n = 500000;
#endif
    NodeRef t = deep_lambdas(n);
    EXPECT_EQ(names_of(term_global_names(noderef_copy(t))), "g,y");
    EXPECT_EQ(names_of(term_binder_names_letter(noderef_copy(t))), "x");
    EXPECT_FALSE(node_is_pair(term_find_bad_binder(noderef_copy(t))));
    NodeRef r = term_rename_binder(noderef_copy(t), string_from_cstr("g"), 'q');
    EXPECT_EQ(node_binder_kind(r.node), 'u');
    NodeRef spine = noderef_from_cstr("a");
    for (int i = 0; i < n; ++i) spine = node_app(node_app(noderef_from_cstr(";"), noderef_from_cstr("a")), std::move(spine));
    EXPECT_EQ(names_of(term_global_names(noderef_copy(spine))), ";,a");
    EXPECT_EQ(list_spine_length(noderef_copy(spine)), n);
}
