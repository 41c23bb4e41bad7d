// Byte lists and byte texts: byte cell trees and their bytes, byte texts in
// any nesting, bracket lists read back as data texts, and long lists.
#include <gtest/gtest.h>

#include <string>

#include <vector>

#include "bytes.h"
#include "glyph.h"
#include "post.h"

namespace {

NodeRef L(const std::string& text) { return noderef_from_string(string_from_std(text)); }
NodeRef A(NodeRef f, NodeRef x) { return node_make_app(std::move(f), std::move(x)); }
// ((J a) b) with a J leaf of the given text.
NodeRef cell(NodeRef a, NodeRef b, const char* j = "J") { return node_app2(L(j), std::move(a), std::move(b)); }
std::string text_of(const NodeRef& t) { return string_to_std(node_text(t)); }

// The byte cell tree of c; leaf k (bit k) replaced by replace_bit when it is
// given, and the inner J at position j (0..6, top first) by inner_j.
NodeRef byte_tree(u8 c, int replace_at = -1, NodeRef replace_bit = NodeRef(nullptr), int j_at = -1,
                  const char* inner_j = "J") {
    auto b = [&](int k) {
        if (k == replace_at) return std::move(replace_bit);
        return L((c >> k) & 1 ? "I" : "H");
    };
    auto j = [&](int at) { return at == j_at ? inner_j : "J"; };
    NodeRef low = cell(cell(b(0), b(1), j(3)), cell(b(2), b(3), j(4)), j(1));
    NodeRef high = cell(cell(b(4), b(5), j(5)), cell(b(6), b(7), j(6)), j(2));
    return cell(std::move(low), std::move(high), j(0));
}

// The bracket list of a text of square brackets: each "[" starts a list,
// each "]" appends the finished list to the enclosing one.
NodeRef list_of(const RtString& text) {
    std::vector<NodeRef> open;
    NodeRef done(nullptr);
    for (i64 i = 0; i < string_length(text); ++i) {
        if (string_char_at(text, i) == '[') {
            open.push_back(L("K"));
            continue;
        }
        NodeRef finished = std::move(open.back());
        open.pop_back();
        if (open.empty()) return finished;
        open.back() = cell(std::move(open.back()), std::move(finished));
    }
    return done;
}

#ifdef VORN_SANITIZED
constexpr i64 BIG = 1000000;
#else
constexpr i64 BIG = 10000000;
#endif

TEST(ByteCells, Shape) {
    EXPECT_TRUE(term_is_byte_cell_tree(byte_tree(0x41)));
    EXPECT_TRUE(term_is_byte_cell_tree(byte_tree(0x41, 2, L("Ixyz"))));
    EXPECT_TRUE(term_is_byte_cell_tree(byte_tree(0x41, -1, NodeRef(nullptr), 4, "Jab")));
    EXPECT_FALSE(term_is_byte_cell_tree(byte_tree(0x41, 0, L("K"))));
    EXPECT_FALSE(term_is_byte_cell_tree(byte_tree(0x41, 7, L(""))));
    EXPECT_FALSE(term_is_byte_cell_tree(byte_tree(0x41, 5, A(L("I"), L("I")))));
    for (int at = 0; at < 7; ++at)
        EXPECT_FALSE(term_is_byte_cell_tree(byte_tree(0x41, -1, NodeRef(nullptr), at, "V"))) << at;
    EXPECT_FALSE(term_is_byte_cell_tree(L("K")));
    NodeRef four = cell(cell(L("I"), L("H")), cell(L("I"), L("H")));
    EXPECT_FALSE(term_is_byte_cell_tree(four));
    NodeRef sixteen = cell(byte_tree(1), byte_tree(2));
    EXPECT_FALSE(term_is_byte_cell_tree(sixteen));
    // The machine's tree of a one-byte string has V at its top.
    EXPECT_FALSE(term_is_byte_cell_tree(post_byte_to_term(post_make(string_from_cstr("A")))));
}

TEST(ByteCells, Values) {
    for (int c : {0x00, 0x01, 0x41, 0x80, 0xA5, 0xFF}) EXPECT_EQ(cell_tree_to_byte(byte_tree(u8(c))), c);
    EXPECT_EQ(cell_tree_to_byte(byte_tree(0x00, 0, L("Ix"))), 0x01);
    EXPECT_EQ(cell_tree_to_byte(byte_tree(0x00, 7, L("I"))), 0x80);
}

TEST(ByteTexts, Bytes) {
    auto p = [] { return byte_tree('A'); };
    auto q = [] { return byte_tree('b'); };
    auto r = [] { return byte_tree('D'); };
    struct Case {
        NodeRef term;
        const char* bytes;
    } cases[] = {
        {L("K"), ""},
        {L("Kxy"), ""},
        {p(), "A"},
        {cell(p(), L("K")), "A"},
        {cell(p(), cell(q(), L("K"))), "Ab"},
        {cell(cell(p(), q()), r()), "AbD"},
        {cell(cell(p(), L("K")), cell(q(), L("K"))), "Ab"},
        {cell(L("K"), L("K")), ""},
    };
    for (Case& c : cases) {
        ASSERT_TRUE(term_is_byte_text(c.term)) << c.bytes;
        EXPECT_EQ(string_to_std(byte_lists_to_text(c.term)), c.bytes);
    }
    NodeRef not_texts[] = {L("H"), L("I"), cell(p(), L("H")), node_app2(L("V"), p(), L("K")),
                           cell(p(), A(L("K"), L("K"))), cell(cell(p(), L("I")), L("K"))};
    for (NodeRef& t : not_texts) EXPECT_FALSE(term_is_byte_text(t));
}

TEST(BracketLists, ToBracketNames) {
    struct Case {
        NodeRef term;
        const char* text;
    } cases[] = {
        {L("K"), "[]"},
        {cell(L("K"), L("K")), "[[]]"},
        {cell(cell(L("K"), L("K")), L("K")), "[[][]]"},
        {cell(L("K"), cell(L("K"), L("K"))), "[[[]]]"},
        {cell(cell(cell(L("K"), L("K")), cell(L("K"), L("K"))), L("K")), "[[][[]][]]"},
        {cell(L("K"), L("K"), "Jq"), "[[]]"},
        {L("H"), "Z"},
        {L("5"), "Z"},
        {L("[]"), "Z"},
        {A(L("K"), L("K")), "Z"},
        {cell(L("K"), L("H")), "Z"},
        {cell(L("H"), L("K")), "Z"},
        {node_app2(L("V"), L("K"), L("K")), "Z"},
        {cell(cell(L("K"), L("K")), L("H")), "Z"},
    };
    for (Case& c : cases) EXPECT_EQ(text_of(list_to_bracket_name(std::move(c.term))), c.text) << c.text;
    // The list of a byte's bracket name comes back as that byte: [a].
    EXPECT_EQ(text_of(list_to_bracket_name(cell(L("K"), list_of(bracket_name_from_number(199))))), "[a]");
    EXPECT_EQ(text_of(list_to_bracket_name(list_of(bracket_name_from_number(145)))), "[[][[]][[]]]");
}

TEST(BracketLists, LongListsAndTexts) {
    // A byte text of BIG / 10 bytes in a right-nested list, and a bracket
    // list nested as deep as it is long.
    const i64 n = BIG / 10;
    NodeRef byte = byte_tree('x');
    NodeRef j = L("J");
    NodeRef k = L("K");
    NodeRef text = k;
    for (i64 i = 0; i < n; ++i) text = noderef_app2(j, byte, text);
    EXPECT_TRUE(term_is_byte_text(text));
    EXPECT_EQ(string_to_std(byte_lists_to_text(text)), std::string(size_t(n), 'x'));
    NodeRef deep = k;
    for (i64 i = 0; i < n; ++i) deep = noderef_app2(j, k, deep);
    EXPECT_EQ(text_of(list_to_bracket_name(deep)), std::string(size_t(n + 1), '[') + std::string(size_t(n + 1), ']'));
    NodeRef wide = k;
    for (i64 i = 0; i < n; ++i) wide = noderef_app2(j, wide, k);
    std::string expected = "[";
    for (i64 i = 0; i < n; ++i) expected += "[]";
    EXPECT_EQ(text_of(list_to_bracket_name(wide)), expected + "]");
}

}  // namespace
