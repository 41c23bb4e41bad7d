// Value kinds and truth values: the classifier's order of tests on leaves
// and list forms, the tag it caches, and the truth-leaf helpers.
#include <gtest/gtest.h>

#include <string>

#include "tables.h"
#include "values.h"

namespace {

NodeRef L(const std::string& text) { return noderef_from_string(string_from_std(text)); }
NodeRef A(NodeRef f, NodeRef x) { return node_make_app(std::move(f), std::move(x)); }

// The prelude's fixed leaves, defined so that their tags can be computed.
class ValueKinds : public ::testing::Test {
protected:
    void SetUp() override {
        map_defs_free_nodes(definitions_instance());
        for (const char* name : {"H", "I", "J", "K", "V", "Z"})
            map_defs_get_or_insert(definitions_instance(), string_from_cstr(name)) = L("Z");
    }
    void TearDown() override { map_defs_free_nodes(definitions_instance()); }
};

TEST_F(ValueKinds, Leaves) {
    struct Case {
        std::string text;
        char kind;
    } cases[] = {
        {"", 'w'},         {"0", 'i'},         {"7", 'i'},      {"05", 'i'},   {"0x", 'i'},
        {"00", 'o'},       {"000", 'o'},       {"0017", 'o'},   {"x", 'w'},    {"K", 'w'},
        {"Z", 'w'},        {"[]", 'u'},        {"[a[b]]", 'u'}, {"[ab", 'u'},  {" ", 'e'},
        {" 12345678", 'e'}, {"(", 'a'},        {"(zz)", 'a'},   {"\n", 'k'},   {"()", 'a'},
    };
    for (const Case& c : cases) EXPECT_EQ(value_kind(L(c.text)), ValueKind(c.kind)) << c.text;
}

TEST_F(ValueKinds, ListFormsLookAtTheHeadOnly) {
    struct Case {
        NodeRef term;
        char kind;
    } cases[] = {
        {A(A(L("J"), L("K")), L("x")), 'i'},
        {A(A(L("J"), L("H")), L("x")), 'o'},
        {A(A(L("Jq"), L("Kxy")), L("[a]")), 'i'},  // first bytes only; x never read
        {A(A(L("J"), L("I")), L("x")), 'w'},
        {A(L("J"), L("K")), 'w'},                   // left child a leaf
        {A(A(A(L("J"), L("K")), L("x")), L("y")), 'w'},  // head is not the leaf J
        {A(A(A(L("J"), L("K")), L("K")), L("x")), 'w'},
        {A(L("[a]"), L("[b]")), 'u'},
        {A(A(L("[a]"), L("[b]")), L("[]")), 'u'},
        {A(L("[a]"), L("x")), 'w'},
    };
    for (Case& c : cases) EXPECT_EQ(value_kind(std::move(c.term)), ValueKind(c.kind)) << c.kind;
}

TEST_F(ValueKinds, TagsOnlyWhereNeeded) {
    // Reals, byte strings and arrays are told by one byte and stay untagged;
    // other values get their tag cached.
    for (const char* text : {" 1", "(a)x", "\n"}) {
        NodeRef leaf = L(text);
        value_kind(leaf);
        EXPECT_EQ(node_tag(leaf.node), 0u) << text;
    }
    NodeRef number = L("42");
    value_kind(number);
    EXPECT_NE(node_tag(number.node), 0u);
    NodeRef data = A(L("[a]"), L("[b]"));
    value_kind(data);
    EXPECT_EQ(node_tag(data.node), TAG_DATA);
}

TEST_F(ValueKinds, HandlesAreReleased) {
    NodeRef v = L("5");
    value_kind(v);
    boolean_select(L("K"), 1);
    NodeRef b = L("H");
    boolean_require(b);
    boolean_select(b, 4);
    EXPECT_EQ(node_refcount(v.node), 1u);
    EXPECT_EQ(node_refcount(b.node), 1u);
}

TEST(Booleans, SelectWeights) {
    EXPECT_EQ(boolean_select(L("H"), 8), 0);
    EXPECT_EQ(boolean_select(L("K"), 8), 8);
    EXPECT_EQ(boolean_select(L("Kxy"), 8), 8);
    EXPECT_EQ(boolean_select(L("Hq"), 2), 0);
    EXPECT_EQ(node_lead_byte(boolean_make(true).node), 'K');
    EXPECT_EQ(node_lead_byte(boolean_make(false).node), 'H');
}

TEST(Booleans, AnythingElseIsFatal) {
    const char* death = "ASSERTION FAILED:values:[0-9]+\n";
    EXPECT_DEATH(boolean_select(L("I"), 8), death);
    EXPECT_DEATH(boolean_require(L("")), death);
    EXPECT_DEATH(boolean_require(A(L("K"), L("K"))), death);
}

}  // namespace
