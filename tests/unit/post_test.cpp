// Byte strings: the length header, payloads holding any byte, the payload
// order, the overlapping halves, the bit tree of one byte and the data text.
#include <gtest/gtest.h>

#include <string>

#include "order.h"
#include "post.h"

namespace {

NodeRef L(const std::string& text) { return noderef_from_string(string_from_std(text)); }
NodeRef P(const std::string& payload) { return post_make(string_from_std(payload)); }
std::string text_of(const NodeRef& t) { return string_to_std(node_text(t)); }
std::string payload_of(NodeRef p) { return string_to_std(post_payload(std::move(p))); }

const char* const POST_DEATH = "ASSERTION FAILED:post:[0-9]+\n";

TEST(Post, LengthHeaders) {
    struct Case {
        size_t length;
        const char* header;
    } cases[] = {
        {0, "()"},     {1, "(a)"},    {3, "(c)"},    {26, "(y)"},    {27, "(0)"},     {63, "(~)"},
        {64, "(a_)"},  {65, "(aa)"},  {100, "(a9)"}, {255, "(c~)"}, {4095, "(~~)"}, {4096, "(a__)"},
    };
    for (const Case& c : cases) {
        std::string payload(c.length, 'x');
        NodeRef p = P(payload);
        std::string header = c.header;
        EXPECT_EQ(text_of(p), header + payload) << c.length;
        EXPECT_EQ(post_length(p), i64(c.length));
        EXPECT_EQ(post_close_index(p), i64(header.size()) - 1);
        EXPECT_EQ(post_payload_offset(p), i64(header.size()));
        EXPECT_EQ(payload_of(p), payload);
        EXPECT_EQ(node_refcount(p.node), 1u);
    }
}

TEST(Post, LeadingZeroDigitsAreAccepted) {
    NodeRef p = L("(__c)abc");
    EXPECT_EQ(post_length(p), 3);
    EXPECT_EQ(post_payload_offset(p), 5);
    EXPECT_EQ(payload_of(p), "abc");
}

TEST(Post, PayloadsHoldAnyByte) {
    std::string odd(")\0(", 3);
    NodeRef p = P(odd);
    EXPECT_EQ(post_length(p), 3);
    EXPECT_EQ(payload_of(p), odd);
    EXPECT_EQ(payload_of(post_split_front(p)), odd.substr(0, 2));
    EXPECT_EQ(payload_of(post_split_back(p)), odd.substr(1, 2));
    EXPECT_EQ(text_of(post_to_zits(p)), "[" + odd + "]");
    EXPECT_FALSE(post_less(p, P(odd)));
    EXPECT_TRUE(post_less(p, P(odd + "\x01")));
}

TEST(Post, PayloadOrder) {
    struct Case {
        std::string a, b;
        bool less;
    } cases[] = {
        {"", "", false},    {"", "a", true},        {"a", "", false},      {"ab", "ab", false},
        {"ab", "b", true},  {"b", "ba", true},      {"\xFF", "A", false},  {"\x7F", "\x80", true},
        {"abc", "ab", false}, {std::string("a\0", 2), "a", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(post_less(P(c.a), P(c.b)), c.less) << c.a << " < " << c.b;
        EXPECT_EQ(post_gteq(P(c.a), P(c.b)), !c.less) << c.a << " >= " << c.b;
    }
}

TEST(Post, SplitsTakeTheFirstAndTheLastPowerOfTwo) {
    struct Case {
        const char* payload;
        const char* front;
        const char* back;
    } cases[] = {
        {"ab", "a", "b"},           {"abc", "ab", "bc"},          {"abcd", "ab", "cd"},
        {"abcde", "abcd", "bcde"}, {"abcdef", "abcd", "cdef"},  {"abcdefgh", "abcd", "efgh"},
        {"abcdefghi", "abcdefgh", "bcdefghi"},
    };
    for (const Case& c : cases) {
        NodeRef p = P(c.payload);
        EXPECT_EQ(payload_of(post_split_front(p)), c.front) << c.payload;
        EXPECT_EQ(payload_of(post_split_back(p)), c.back) << c.payload;
    }
}

// The expected bit tree, built by hand.
NodeRef cell(NodeRef a, NodeRef b) { return node_app2(L("J"), std::move(a), std::move(b)); }
NodeRef bit_tree(u8 c) {
    auto b = [c](int k) { return L((c >> k) & 1 ? "I" : "H"); };
    return node_app2(L("V"), cell(cell(b(0), b(1)), cell(b(2), b(3))), cell(cell(b(4), b(5)), cell(b(6), b(7))));
}

TEST(Post, ByteToTerm) {
    for (int c : {0x00, 0x01, 0x80, 0xA5, 0xFF}) {
        NodeRef tree = post_byte_to_term(P(std::string(1, char(c))));
        EXPECT_EQ(term_compare(tree, bit_tree(u8(c))), 0) << c;
    }
    // All leaves are new: no two bit leaves are the same node.
    NodeRef tree = post_byte_to_term(P("\x01"));
    Node* b0 = pair_right(pair_left(pair_right(pair_left(pair_right(pair_left(tree.node))))));
    Node* b1 = pair_right(pair_right(pair_left(pair_right(pair_left(tree.node)))));
    EXPECT_EQ(leaf_bytes(b0)[0], 'I');
    EXPECT_EQ(leaf_bytes(b1)[0], 'H');
    EXPECT_NE(b1, pair_right(pair_right(pair_right(pair_left(tree.node)))));
}

TEST(Post, ToZits) {
    struct Case {
        std::string payload;
        const char* result;
    } cases[] = {
        {"", "[]"},       {"ab", "[ab]"},     {"a[b]c", "[a[b]c]"}, {"[[]][]", "[[[]][]]"},
        {"a\nb", "Z"},    {"]", "Z"},         {"[", "Z"},           {"][", "Z"},
        {"[]]", "Z"},     {"a]b[c", "Z"},     {"\n", "Z"},
    };
    for (const Case& c : cases) EXPECT_EQ(text_of(post_to_zits(P(c.payload))), c.result) << c.payload;
}

TEST(Post, BrokenPreconditionsAreFatal) {
    EXPECT_DEATH(post_require(L("x")), POST_DEATH);
    EXPECT_DEATH(post_length(node_app(L("("), L("x"))), POST_DEATH);
    EXPECT_DEATH(post_byte_to_term(P("ab")), POST_DEATH);
    EXPECT_DEATH(post_byte_to_term(P("")), POST_DEATH);
}

}  // namespace
