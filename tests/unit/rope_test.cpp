// Rope text builder: flattened text and the tree's shape.
#include <gtest/gtest.h>

#include <string>

#include "s.h"

namespace {

// The tree as text: a leaf is its piece, an internal node "(left right)".
std::string rope_shape(const RopeNode* node) {
    if (!node) return "null";
    if (!node->left) return string_to_std(node->piece);
    std::string out(1, '(');  // appended: "(" + ... trips a false -Wrestrict at -O3
    out += rope_shape(node->left);
    out += ' ';
    out += rope_shape(node->right);
    return out + ')';
}

int rope_depth(const RopeNode* node) {
    if (!node) return 0;
    return 1 + std::max(rope_depth(node->left), rope_depth(node->right));
}

TEST(Rope, EmptyRopesFlattenToEmptyText) {
    Rope none = nullptr;
    EXPECT_TRUE(string_equal_cstr(rope_flatten(none), ""));
    Rope only_empty = rope_append(nullptr, string_make_empty());
    EXPECT_TRUE(string_equal_cstr(rope_flatten(only_empty), ""));
    EXPECT_EQ(only_empty, nullptr);
}

TEST(Rope, AppendsAlongTheRightEdge) {
    const char* shapes[] = {"1", "(1 2)", "((1 2) 3)", "((1 2) (3 4))", "(((1 2) (3 4)) 5)",
                            "(((1 2) (3 4)) (5 6))", "(((1 2) (3 4)) ((5 6) 7))"};
    Rope rope = nullptr;
    for (int i = 0; i < int(std::size(shapes)); ++i) {
        rope = rope_append(rope, string_from_std(std::to_string(i + 1)));
        EXPECT_EQ(rope_shape(rope), shapes[i]);
    }
    EXPECT_EQ(rope_length(rope), 7);
    EXPECT_TRUE(string_equal_cstr(rope_flatten(rope), "1234567"));
}

TEST(Rope, EmptyPieceTakesALeaf) {
    Rope rope = nullptr;
    for (const char* piece : {"ab", "", "c"}) rope = rope_append(rope, string_from_cstr(piece));
    EXPECT_EQ(rope_shape(rope), "((ab ) c)");
    EXPECT_TRUE(string_equal_cstr(rope_flatten(rope), "abc"));
}

TEST(Rope, ThousandBytesKeepOrderAndLogDepth) {
    Rope rope = nullptr;
    std::string expected;
    for (int i = 0; i < 1000; ++i) {
        u8 b = u8(i * 7 % 256);
        rope_append_char(rope, b);
        expected += char(b);
    }
    EXPECT_EQ(rope_depth(rope), 11);
    EXPECT_EQ(rope_length(rope), 1000);
    EXPECT_EQ(string_to_std(rope_flatten(rope)), expected);
}

TEST(Rope, NulBytesAreCopiedWhole) {
    Rope rope = rope_append(nullptr, string_from_bytes("a\0", 2));
    rope = rope_append(rope, string_from_bytes("\0b", 2));
    EXPECT_EQ(string_to_std(rope_flatten(rope)), std::string("a\0\0b", 4));
}

TEST(Rope, SharedPiecesAreLeftAlone) {
    RtString piece = string_from_cstr("shared");
    Rope rope = nullptr;
    rope = rope_append(rope, string_copy(piece));
    rope = rope_append(rope, string_copy(piece));
    EXPECT_EQ(string_refcount(piece), 3);
    RtString text = rope_flatten(rope);
    EXPECT_TRUE(string_equal_cstr(text, "sharedshared"));
    EXPECT_TRUE(string_equal_cstr(piece, "shared"));
    EXPECT_EQ(string_refcount(piece), 1);
}

TEST(Rope, DestroyOnUnwindingReleasesPieces) {
    RtString piece = string_from_cstr("p");
    Rope rope = rope_append(nullptr, string_copy(piece));
    for (int i = 0; i < 9; ++i) rope = rope_append(rope, string_copy(piece));
    EXPECT_EQ(string_refcount(piece), 11);
    rope_destroy(rope);
    EXPECT_EQ(rope, nullptr);
    EXPECT_EQ(string_refcount(piece), 1);
}

TEST(Rope, CopyToContinuesAtOffset) {
    Rope rope = rope_append(rope_append(nullptr, string_from_cstr("bc")), string_from_cstr("d"));
    RtString dest = string_from_cstr("a___e");
    EXPECT_EQ(rope_copy_to(dest, rope, 1), 4);
    EXPECT_TRUE(string_equal_cstr(dest, "abcde"));
    rope_destroy(rope);

    RopeNode node;
    rope_node_init_leaf(&node, string_from_cstr("leaf"));
    EXPECT_EQ(rope_length(&node), 4);
    EXPECT_EQ(node.left, nullptr);
}

}  // namespace
