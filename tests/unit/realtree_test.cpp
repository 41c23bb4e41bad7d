// Real bit trees and number chains.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "real.h"
#include "realtree.h"

namespace {

NodeRef leaf(const std::string& s) { return noderef_wrap(leaf_new_from_bytes(s.data(), i64(s.size()))); }
NodeRef app(NodeRef a, NodeRef b) { return node_make_app(std::move(a), std::move(b)); }
NodeRef vp(NodeRef a, NodeRef b, const char* v = "V") { return app(app(leaf(v), std::move(a)), std::move(b)); }
NodeRef cell(NodeRef bit, NodeRef rest) { return app(app(leaf("J"), std::move(bit)), std::move(rest)); }
std::string text(const NodeRef& t) { return string_to_std(node_text(t)); }

// A balanced V tree over the given leaves (a power of two of them).
NodeRef balanced(const std::vector<std::string>& leaves, size_t from, size_t count) {
    if (count == 1) return leaf(leaves[from]);
    return vp(balanced(leaves, from, count / 2), balanced(leaves, from + count / 2, count / 2));
}

std::vector<std::string> byte_leaves(u8 b) {
    std::vector<std::string> l;
    for (int k = 0; k < 8; k++) l.push_back((b >> k) & 1 ? "K" : "H");
    return l;
}

// The truth leaves of a tree in order.
void leaves_of(const NodeRef& t, std::string& out) {
    if (!node_is_pair(t)) {
        out += text(t);
        return;
    }
    leaves_of(node_right(node_left(t)), out);
    leaves_of(node_right(t), out);
}

}  // namespace

TEST(RealTree, ToTreeAndBack) {
    std::string ones;
    leaves_of(real_to_bit_tree(real_make_leaf(1.0)), ones);
    EXPECT_EQ(ones, std::string(52, 'H') + std::string(10, 'K') + "HH");
    std::string negzero;
    leaves_of(real_to_bit_tree(real_make_leaf(-0.0)), negzero);
    EXPECT_EQ(negzero, std::string(63, 'H') + "K");
    u64 patterns[] = {0, 0x8000000000000000ull, 0x3FF0000000000000ull, 1, 0x7FF0000000000000ull,
                      0xFFF0000000000000ull, 0x7FF4000000000123ull};
    for (u64 p : patterns) {
        double d;
        std::memcpy(&d, &p, 8);
        NodeRef r = real_make_leaf(d);
        NodeRef tree = real_to_bit_tree(r);
        ASSERT_TRUE(term_is_real_bit_tree(tree));
        EXPECT_EQ(string_to_std(real_from_bit_tree(tree)), text(r).substr(1));
    }
}

TEST(RealTree, SharesThreeLeaves) {
    NodeRef tree = real_to_bit_tree(real_make_leaf(1.0));
    // Walk to the V leaf, leaf 0 (H) and leaf 52 (K): each held by the tree
    // alone, once per use.
    NodeRef v = node_left(node_left(tree));
    EXPECT_EQ(node_refcount(v.node), 63u + 1);
    NodeRef t = tree;
    for (int d = 0; d < 6; d++) t = node_right(node_left(t));
    EXPECT_EQ(text(t), "H");
    EXPECT_EQ(node_refcount(t.node), 54u + 1);
}

TEST(RealTree, ByteTrees) {
    EXPECT_EQ(bit_tree_to_byte(balanced(byte_leaves(1), 0, 8)), 1);
    EXPECT_EQ(bit_tree_to_byte(balanced(byte_leaves(128), 0, 8)), 128);
    EXPECT_EQ(bit_tree_to_byte(balanced({"K", "H", "K", "H", "H", "K", "H", "K"}, 0, 8)), 0xA5);
    EXPECT_EQ(bit_tree_to_byte(balanced({"Kx", "Hq", "H", "H", "H", "H", "H", "H"}, 0, 8)), 1);
    EXPECT_TRUE(term_is_byte_bit_tree(vp(vp(vp(leaf("Kxyz"), leaf("Hq"), "Vab"), vp(leaf("K"), leaf("K"))),
                                         vp(vp(leaf("H"), leaf("H")), vp(leaf("H"), leaf("H"))))));
    std::vector<std::string> with_i = byte_leaves(7);
    with_i[3] = "I";
    EXPECT_FALSE(term_is_byte_bit_tree(balanced(with_i, 0, 8)));
    EXPECT_FALSE(term_is_byte_bit_tree(leaf("K")));
    EXPECT_FALSE(term_is_byte_bit_tree(balanced(std::vector<std::string>(4, "K"), 0, 4)));
    EXPECT_FALSE(term_is_byte_bit_tree(balanced(std::vector<std::string>(16, "K"), 0, 16)));
    EXPECT_FALSE(term_is_byte_bit_tree(vp(vp(vp(leaf("K"), leaf("K"), "J"), vp(leaf("K"), leaf("K"))),
                                          vp(vp(leaf("H"), leaf("H")), vp(leaf("H"), leaf("H"))))));
    EXPECT_FALSE(term_is_real_bit_tree(balanced(std::vector<std::string>(32, "K"), 0, 32)));
    EXPECT_FALSE(term_is_real_bit_tree(balanced(std::vector<std::string>(128, "K"), 0, 128)));
    std::vector<std::string> all(64, "H");
    all[63] = "Kz";
    EXPECT_TRUE(term_is_real_bit_tree(balanced(all, 0, 64)));
    all[5] = "I";
    EXPECT_FALSE(term_is_real_bit_tree(balanced(all, 0, 64)));
}

TEST(RealTree, NumberChains) {
    for (const char* t : {"5", "0", "00", "9abc"}) EXPECT_TRUE(term_is_number_chain(leaf(t))) << t;
    EXPECT_TRUE(term_is_number_chain(cell(leaf("K"), leaf("K"))));
    EXPECT_TRUE(term_is_number_chain(cell(leaf("H"), leaf("K"))));
    EXPECT_TRUE(term_is_number_chain(cell(leaf("K"), leaf("5"))));
    EXPECT_TRUE(term_is_number_chain(cell(leaf("K"), cell(leaf("H"), cell(leaf("K"), leaf("K"))))));
    EXPECT_TRUE(term_is_number_chain(cell(leaf("K"), cell(leaf("H"), cell(leaf("K"), leaf("12"))))));
    EXPECT_TRUE(term_is_number_chain(cell(leaf("H"), leaf("0"))));
    EXPECT_TRUE(term_is_number_chain(app(app(leaf("Jz"), leaf("Kx")), leaf("00"))));
    for (const char* t : {"K", "H", "Kx", "a1", ""}) EXPECT_FALSE(term_is_number_chain(leaf(t))) << t;
    EXPECT_FALSE(term_is_number_chain(cell(leaf("K"), leaf("H"))));
    EXPECT_FALSE(term_is_number_chain(cell(leaf("I"), leaf("K"))));
    EXPECT_FALSE(term_is_number_chain(vp(leaf("K"), leaf("K"))));
    EXPECT_FALSE(term_is_number_chain(cell(app(leaf("K"), leaf("K")), leaf("K"))));
    EXPECT_FALSE(term_is_number_chain(app(leaf("K"), leaf("K"))));
    EXPECT_FALSE(term_is_number_chain(cell(leaf("K"), cell(leaf("K"), app(leaf("K"), leaf("K"))))));
    EXPECT_FALSE(term_is_number_chain(cell(leaf("K"), cell(leaf("K"), leaf("x")))));
}

TEST(RealTreeDeath, NotATree) {
    EXPECT_DEATH(bit_tree_to_byte(leaf("K")), "ASSERTION FAILED:realtree:");
    EXPECT_DEATH(real_to_bit_tree(leaf("5")), "ASSERTION FAILED:real:");
}
