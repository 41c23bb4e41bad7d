// Comparison builtins: less, gteq, same, diff, cmpr and raws.
#include "comparisons.h"

#include <cmath>
#include <functional>

#include <gtest/gtest.h>

#include "eval_fixture.h"
#include "post.h"
#include "real.h"
#include "term_sexpr.h"

namespace {

EVAL_SUITE(Comparisons);

using Builtin = NodeRef (*)(NodeRef);

NodeRef leaf(const char* text) {
    return noderef_from_cstr(text);
}

std::string call(Builtin fn, const char* name, NodeRef a, NodeRef b) {
    return sexpr_print(fn(node_app2(leaf(name), std::move(a), std::move(b))));
}

// The answers of less, gteq, same and diff, in that order.
std::string four(const std::function<NodeRef()>& a, const std::function<NodeRef()>& b) {
    return call(builtin_less, "less", a(), b()) + call(builtin_gteq, "gteq", a(), b()) +
           call(builtin_same, "same", a(), b()) + call(builtin_diff, "diff", a(), b());
}

// A vector holding the given elements.
NodeRef vector_of(std::initializer_list<const char*> elements) {
    NodeRef v = noderef_wrap(leaf_new_vector(elements.size()));
    u64 i = 0;
    for (const char* e : elements) {
        Node* element = leaf_new_from_cstr(e);
        node_retain(element);
        leaf_vector_set_slot(v.node, i++, element);
    }
    return v;
}

TEST_F(Comparisons, ValueComparisons) {
    double nan = std::nan("");
    struct Case {
        std::function<NodeRef()> a, b;
        const char* answers;  // less gteq same diff
    } cases[] = {
        {[] { return leaf("3"); }, [] { return leaf("5"); }, "KHHK"},
        {[] { return leaf("5"); }, [] { return leaf("5"); }, "HKKH"},
        {[] { return leaf("10"); }, [] { return leaf("9"); }, "HKHK"},
        {[] { return leaf("5"); }, [] { return leaf("001"); }, "KHHK"},  // every hint before every numb
        {[] { return real_make_leaf(100.0); }, [] { return leaf("5"); }, "KHHK"},
        {[] { return post_make(string_from_cstr("ab")); }, [] { return leaf("[ab]"); }, "KHHK"},
        {[nan] { return real_make_leaf(nan); }, [] { return real_make_leaf(1.0); }, "HHHK"},
        {[] { return real_make_leaf(0.0); }, [] { return real_make_leaf(-0.0); }, "HKKH"},
        {[] { return real_make_leaf(-0.0); }, [] { return real_make_leaf(0.0); }, "HKKH"},
        {[] { return vector_of({"1"}); }, [] { return vector_of({"1", "2"}); }, "KHHK"},
        {[] { return vector_of({"Z"}); }, [] { return vector_of({"1"}); }, "ZZZZ"},
        {[] { return leaf("K"); }, [] { return leaf("5"); }, "ZZZZ"},
        {[] { return sexpr("((J K) ((J I) K))"); }, [] { return leaf("5"); }, "ZZZZ"},  // no value
    };
    for (const Case& c : cases) EXPECT_EQ(four(c.a, c.b), c.answers) << c.answers;
}

TEST_F(Comparisons, OneNodeAgainstItself) {
    NodeRef x = leaf("K");
    EXPECT_EQ(call(builtin_same, "same", x, x), "K");
    EXPECT_EQ(call(builtin_diff, "diff", x, x), "H");
    EXPECT_EQ(call(builtin_less, "less", x, x), "Z");
    EXPECT_EQ(call(builtin_gteq, "gteq", x, x), "Z");
}

TEST_F(Comparisons, CmprIsTheTermOrder) {
    struct Case {
        NodeRef a, b;
        const char* answer;
    } cases[] = {
        {leaf("x"), sexpr("(x y)"), "1"},
        {sexpr("(x y)"), leaf("x"), "01"},
        {leaf("abc"), leaf("abc"), "0"},
        {leaf("10"), leaf("9"), "1"},  // bytes, not values
        {real_make_leaf(1.0), real_make_leaf(2.0), "01"},  // least significant byte first
    };
    for (Case& c : cases) EXPECT_EQ(call(builtin_cmpr, "cmpr", std::move(c.a), std::move(c.b)), c.answer);
}

TEST_F(Comparisons, RawsIsNodeIdentity) {
    EXPECT_EQ(eval_text("raws (plus 1 1) (plus 1 1)"), "H");
    NodeRef x = leaf("[a]");
    EXPECT_EQ(call(builtin_raws, "raws", x, x), "K");
    EXPECT_EQ(call(builtin_raws, "raws", leaf("[a]"), leaf("[a]")), "H");
}

}  // namespace
