// C arguments: integers as wrapped 64-bit words, texts as addresses of
// their own bytes, and data pairs through a flat leaf the caller keeps.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "cargs.h"
#include "post.h"
#include "tables.h"

namespace {

NodeRef L(const std::string& text) { return noderef_from_string(string_from_std(text)); }
NodeRef A(NodeRef f, NodeRef x) { return node_make_app(std::move(f), std::move(x)); }
const char* as_text(u64 word) { return reinterpret_cast<const char*>(uintptr_t(word)); }

class CArguments : public ::testing::Test {
protected:
    void SetUp() override {
        map_defs_free_nodes(definitions_instance());
        for (const char* name : {"H", "J", "K", "Z"})
            map_defs_get_or_insert(definitions_instance(), string_from_cstr(name)) = L("Z");
    }
    void TearDown() override { map_defs_free_nodes(definitions_instance()); }
    NodeRef hold{nullptr};
};

TEST_F(CArguments, Integers) {
    struct Case {
        const char* text;
        i64 word;
    } cases[] = {
        {"0", 0},
        {"05", -5},
        {"42", 42},
        {"9223372036854775808", INT64_MIN},  // wraps
        {"18446744073709551617", 1},
        {"09223372036854775808", INT64_MIN},
    };
    for (const Case& c : cases) EXPECT_EQ(i64(value_to_c_argument(L(c.text), hold)), c.word) << c.text;
    NodeRef list = node_app2(L("J"), L("K"), L("5"));  // bits 1 then 23: N = 47 = 4 * 11 + 3
    EXPECT_EQ(i64(value_to_c_argument(list, hold)), 11);
    EXPECT_EQ(hold.node, nullptr);
}

TEST_F(CArguments, TextsPointIntoTheirNodes) {
    NodeRef data = L("[ab]");
    u64 word = value_to_c_argument(data, hold);
    EXPECT_EQ(as_text(word), reinterpret_cast<const char*>(leaf_bytes(data.node)));
    EXPECT_STREQ(as_text(word), "[ab]");
    NodeRef abc = post_make(string_from_cstr("abc"));
    word = value_to_c_argument(abc, hold);
    EXPECT_EQ(as_text(word), reinterpret_cast<const char*>(leaf_bytes(abc.node)) + 3);
    EXPECT_STREQ(as_text(word), "abc");
    NodeRef empty = post_make(string_make_empty());
    word = value_to_c_argument(empty, hold);
    EXPECT_EQ(as_text(word), reinterpret_cast<const char*>(leaf_bytes(empty.node)) + 2);
    EXPECT_EQ(*as_text(word), 0);
    EXPECT_EQ(hold.node, nullptr);
    EXPECT_EQ(node_refcount(abc.node), 1u);
}

TEST_F(CArguments, DataPairsGoThroughAFlatLeaf) {
    NodeRef pair = A(L("[a]"), L("[bc]"));
    u64 word = value_to_c_argument(pair, hold);
    ASSERT_NE(hold.node, nullptr);
    EXPECT_EQ(as_text(word), reinterpret_cast<const char*>(leaf_bytes(hold.node)));
    EXPECT_STREQ(as_text(word), "[a[bc]]");
    EXPECT_EQ(node_refcount(hold.node), 1u);
}

TEST_F(CArguments, OtherKindsAreFatal) {
    const char* death = "ASSERTION FAILED:cargs:[0-9]+\n";
    EXPECT_DEATH(value_to_c_argument(L("0017"), hold), death);
    EXPECT_DEATH(value_to_c_argument(L(" 12345678"), hold), death);
    EXPECT_DEATH(value_to_c_argument(noderef_wrap(leaf_new_vector(0)), hold), death);
    EXPECT_DEATH(value_to_c_argument(L("g"), hold), death);
}

}  // namespace
