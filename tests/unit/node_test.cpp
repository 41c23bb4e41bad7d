// Node store: header word, leaf texts and lengths, handles and counts,
// builders, release, and the fatal checks.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "node.h"

namespace {

const char* const NODE_DEATH = "ASSERTION FAILED:node:[0-9]+\n";

std::string text_of(const NodeRef& t) { return string_to_std(node_text(t)); }

NodeRef leaf_of(const std::string& bytes) { return noderef_from_string(string_from_std(bytes)); }

NodeRef vector_of(std::initializer_list<Node*> elements) {
    NodeRef v = noderef_wrap(leaf_new_vector(elements.size()));
    u64 i = 0;
    for (Node* e : elements) {
        if (e) node_retain(e);
        leaf_vector_set_slot(v.node, i++, e);
    }
    return v;
}

// Forces the reference count of a node, for tests of the limit.
void set_refcount(Node* n, u64 count) { n->header = (n->header & ~REFCOUNT_MAX) | count; }

TEST(NodeHeader, NewNodes) {
    struct Case {
        const char* text;
        u64 header;
    } cases[] = {
        {"123", 0x80000000C0000001},  // aux 3 for a digit text
        {"[p]", 0x80000000C0000001},  // and for a data text
        {"abc", 0x8000000000000001},
        {"", 0x8000000000000001},
        {"(c)xyz", 0x8000000000000001},
    };
    for (const Case& c : cases) EXPECT_EQ(noderef_from_cstr(c.text).node->header, c.header) << c.text;
    NodeRef pair = node_make_app(noderef_from_cstr("f"), noderef_from_cstr("x"));
    EXPECT_EQ(pair.node->header, 1u);  // a pair: no leaf bit, refcount 1
}

TEST(NodeHeader, NewLeafIsUnreferencedUntilWrapped) {
    Node* leaf = leaf_new_from_cstr("x");
    EXPECT_EQ(node_refcount(leaf), 0u);
    NodeRef held = noderef_wrap(leaf);
    EXPECT_EQ(node_refcount(leaf), 1u);
}

TEST(NodeHeader, WritersTouchOnlyTheirBits) {
    NodeRef t = noderef_from_cstr("123");
    Node* n = t.node;
    node_set_arity(n, ARITY_MAX);
    EXPECT_EQ(n->header, 0xBF000000C0000001);
    node_set_redex_below(n, true);
    node_set_arity(n, -ARITY_BIAS);  // code 0, flag and leaf bit kept
    EXPECT_EQ(n->header, 0xC0000000C0000001);
    node_set_aux(n, AUX_LIMIT - 1);
    EXPECT_EQ(node_aux(n), AUX_LIMIT - 1);
    EXPECT_EQ(node_refcount(n), 1u);
    node_set_data_tag(n);
    EXPECT_EQ(node_tag(n), TAG_DATA);
    NodeRef copy = t;  // counting leaves the other 34 bits alone
    EXPECT_EQ(n->header, 0xC0FFFFFFC0000002);
}

TEST(NodeHeader, WriterLimitsAreFatal) {
    NodeRef t = noderef_from_cstr("x");
    EXPECT_DEATH(node_set_arity(t.node, 12), NODE_DEATH);
    EXPECT_DEATH(node_set_arity(t.node, -53), NODE_DEATH);
    EXPECT_DEATH(node_set_aux(t.node, AUX_LIMIT), NODE_DEATH);
}

TEST(NodeHeader, ReferenceLimit) {
    NodeRef t = noderef_from_cstr("x");
    set_refcount(t.node, REFCOUNT_MAX - 1);
    {
        NodeRef last = t;  // the (2^30 - 1)-th reference is allowed
        EXPECT_EQ(node_refcount(t.node), REFCOUNT_MAX);
        EXPECT_DEATH(NodeRef one_more = t, NODE_DEATH);
        set_refcount(t.node, 2);
    }
    EXPECT_EQ(node_refcount(t.node), 1u);
}

TEST(LeafText, ByFirstByte) {
    struct Case {
        std::string bytes;
        std::string text;
    } cases[] = {
        {std::string("12\0" "34", 5), std::string("12\0" "34", 5)},  // digit: aux bytes, NUL kept
        {std::string("[a\0]", 4), std::string("[a\0]", 4)},
        {std::string("ab\0cd", 5), "ab"},  // a name stops at the NUL
        {std::string("(c)x\0z", 6), std::string("(c)x\0z", 6)},  // header plus three payload bytes
        {"()", "()"},
        {"(b)xy", "(b)xy"},
        {" ", std::string(" \0\0\0\0\0\0\0\0", 9)},  // a real is read as 9 bytes
        {"", ""},
    };
    for (const Case& c : cases) EXPECT_EQ(text_of(leaf_of(c.bytes)), c.text) << c.bytes;
    EXPECT_EQ(text_of(node_make_app(noderef_from_cstr("f"), noderef_from_cstr("x"))), "");
}

TEST(LeafText, ByteLength) {
    NodeRef x = noderef_from_cstr("x");
    struct Case {
        NodeRef leaf;
        i64 length;
    } cases[] = {
        {vector_of({x.node, nullptr, x.node}), 25},
        {vector_of({}), 1},
        {leaf_of(std::string(" 12345678", 9)), 9},
        {leaf_of(std::string("(b)\0y", 5)), 5},
        {leaf_of("(a_)"), 68},  // header 4 + payload 64 ("a_" is 1 * 64 + 0)
        {leaf_of(std::string("12\0" "3", 4)), 4},
        {leaf_of(std::string("name\0x", 6)), 4},
        {node_make_app(noderef_from_cstr("f"), noderef_from_cstr("x")), 0},
    };
    for (Case& c : cases) EXPECT_EQ(leaf_byte_length(c.leaf), c.length);
}

TEST(LeafText, VectorLeaves) {
    NodeRef x = noderef_from_cstr("x");
    NodeRef empty = vector_of({});
    NodeRef three = vector_of({x.node, nullptr, x.node});
    EXPECT_EQ(text_of(empty), "\n");  // the slots are not text
    EXPECT_EQ(text_of(three), "\n");
    EXPECT_EQ(node_aux(three.node), 3u);
    EXPECT_EQ(leaf_vector_slot(three.node, 0), x.node);
    EXPECT_EQ(leaf_vector_slot(three.node, 1), nullptr);
    EXPECT_EQ(node_first_byte(three), 0x0A);
}

TEST(LeafText, LongTextsKeepTheirLengthInTheBlock) {
    // Texts of 2^26 bytes or more leave aux 0 and keep their length where
    // every read finds it, so it is their whole length, as aux would be.
    std::string text(AUX_LIMIT + 2, '7');
    text[7] = 0;
    {
        NodeRef digits = noderef_wrap(leaf_new_from_bytes(text.data(), i64(AUX_LIMIT)));
        EXPECT_EQ(node_aux(digits.node), 0u);
        EXPECT_EQ(leaf_counted_length(digits.node), i64(AUX_LIMIT));
        EXPECT_EQ(string_length(node_text(digits)), i64(AUX_LIMIT));
        EXPECT_EQ(leaf_bytes(digits.node)[AUX_LIMIT], 0);  // the text's own 0 byte
    }
    text.front() = '[';
    text.back() = ']';
    {
        NodeRef data = noderef_wrap(leaf_new_from_bytes(text.data(), i64(text.size())));
        EXPECT_EQ(node_aux(data.node), 0u);
        EXPECT_EQ(data.node->header, LEAF_BIT | 1);  // one reference and nothing else
        EXPECT_EQ(string_length(node_text(data)), i64(AUX_LIMIT) + 2);
        EXPECT_EQ(leaf_byte_length(data), i64(AUX_LIMIT) + 2);
    }
    {
        // Made for more bytes than its maker writes in the end.
        Node* leaf = leaf_new_unwritten(i64(AUX_LIMIT) + 2);
        std::memcpy(leaf_bytes(leaf), text.data(), AUX_LIMIT + 1);
        leaf_bytes(leaf)[AUX_LIMIT + 1] = 0;
        leaf_set_text_length(leaf, i64(AUX_LIMIT) + 1);
        NodeRef data = noderef_wrap(leaf);
        EXPECT_EQ(leaf_byte_length(data), i64(AUX_LIMIT) + 1);
    }
    {
        // A text just under 2^26 bytes keeps no length, though its block may
        // be as large as a long one's; made a number by a raw write, it is
        // measured.
        std::string plain(AUX_LIMIT - 1, 'x');
        NodeRef forged = noderef_wrap(leaf_new_from_bytes(plain.data(), i64(plain.size())));
        leaf_bytes(forged.node)[0] = '7';
        leaf_bytes(forged.node)[10] = 0;
        EXPECT_EQ(node_aux(forged.node), 0u);
        EXPECT_EQ(leaf_counted_length(forged.node), 10);
    }
    // A short text with aux 0 contradicts its header; an unclosed data text
    // is caught inside its block.
    auto without_aux = [](const char* text) {
        NodeRef t = noderef_from_cstr(text);
        node_set_aux(t.node, 0);
        return t;
    };
    EXPECT_DEATH(node_text(without_aux("123")), NODE_DEATH);
    EXPECT_DEATH(node_text(without_aux("[p]")), NODE_DEATH);
    EXPECT_DEATH(node_text(without_aux("[[p]")), NODE_DEATH);
}

TEST(LeafText, ByteStringHeaderIsBounded) {
    // The ')' is looked for within the text and the 12-byte header only.
    EXPECT_DEATH(leaf_byte_length(leaf_of("(")), NODE_DEATH);
    EXPECT_DEATH(node_text(leaf_of("(abc")), NODE_DEATH);
    EXPECT_DEATH(node_text(leaf_of("(aaaaaaaaaaa)")), NODE_DEATH);
    EXPECT_EQ(leaf_byte_length(leaf_of("(__________)")), 12);  // ten digits fit
}

TEST(NodeRefs, EmptyLeaf) {
    NodeRef made = noderef_make_empty();
    NodeRef by_default;
    for (NodeRef* t : {&made, &by_default}) {
        EXPECT_FALSE(node_is_pair(*t));
        EXPECT_EQ(text_of(*t), "");
        EXPECT_EQ(node_first_byte(*t), 0);
        EXPECT_EQ(node_refcount(t->node), 1u);
    }
    EXPECT_NE(made.node, by_default.node);
}

TEST(NodeRefs, CopyAssignRelease) {
    NodeRef a = noderef_from_cstr("a");
    NodeRef b = noderef_from_cstr("b");
    NodeRef a2 = noderef_copy(a);
    EXPECT_EQ(a2.node, a.node);
    EXPECT_EQ(node_refcount(a.node), 2u);

    noderef_assign(a, a);  // the same node: nothing changes
    EXPECT_EQ(node_refcount(a.node), 2u);
    noderef_assign(a2, b);
    EXPECT_EQ(node_refcount(a.node), 1u);
    EXPECT_EQ(node_refcount(b.node), 2u);

    noderef_release(a2);
    EXPECT_EQ(a2.node, nullptr);
    EXPECT_EQ(node_refcount(b.node), 1u);

    NodeRef moved = std::move(a);
    EXPECT_EQ(a.node, nullptr);
    EXPECT_EQ(node_refcount(moved.node), 1u);
    NodeRef null_copy = a;  // a copy of a null handle is null
    EXPECT_EQ(null_copy.node, nullptr);
}

TEST(NodeRefs, NullHandlesAreFatal) {
    NodeRef x = noderef_from_cstr("x");
    NodeRef null_handle(nullptr);
    EXPECT_DEATH(noderef_release(null_handle), NODE_DEATH);
    EXPECT_DEATH(noderef_assign(null_handle, x), NODE_DEATH);
    EXPECT_DEATH(noderef_assign(x, null_handle), NODE_DEATH);
    EXPECT_DEATH(noderef_from_cstr(nullptr), NODE_DEATH);
    EXPECT_DEATH(node_left(x), NODE_DEATH);
    EXPECT_DEATH(node_right(x), NODE_DEATH);
    NodeRef half = node_make_app(NodeRef(nullptr), noderef_from_cstr("y"));
    EXPECT_DEATH(node_left(half), NODE_DEATH);
    EXPECT_EQ(text_of(node_right(half)), "y");
}

TEST(NodeBuilders, PairLinksReplaceHandles) {
    NodeRef g = noderef_from_cstr("g");
    NodeRef x = noderef_from_cstr("x");
    NodeRef pair = node_make_app(noderef_copy(g), noderef_copy(x));
    EXPECT_EQ(node_refcount(g.node), 2u);
    EXPECT_EQ(node_refcount(x.node), 2u);
    EXPECT_TRUE(node_is_pair(pair));
    EXPECT_EQ(node_left(pair).node, g.node);
    EXPECT_EQ(node_right(pair).node, x.node);
    EXPECT_EQ(node_first_byte(pair), 0);
    noderef_release(pair);
    EXPECT_EQ(node_refcount(g.node), 1u);
    EXPECT_EQ(node_refcount(x.node), 1u);
}

TEST(NodeBuilders, Shapes) {
    NodeRef g = noderef_from_cstr("g"), a = noderef_from_cstr("a"), b = noderef_from_cstr("b");
    NodeRef c = noderef_from_cstr("c");
    NodeRef two = noderef_app2(g, a, b);  // borrows: each gains the pair's link
    EXPECT_EQ(node_refcount(g.node), 2u);
    EXPECT_EQ(node_left(node_left(two)).node, g.node);
    EXPECT_EQ(node_right(node_left(two)).node, a.node);
    EXPECT_EQ(node_right(two).node, b.node);

    NodeRef three = node_app3(g, a, b, c);
    EXPECT_EQ(node_left(node_left(node_left(three))).node, g.node);
    EXPECT_EQ(node_right(three).node, c.node);
    EXPECT_EQ(node_refcount(c.node), 2u);

    NodeRef parens = node_app_parens(g);
    EXPECT_EQ(node_left(parens).node, g.node);
    EXPECT_EQ(text_of(node_right(parens)), "()");
    EXPECT_EQ(text_of(leaf_make_parens()), "()");
    EXPECT_EQ(node_left(node_app(g, a)).node, g.node);
}

TEST(NodeRelease, ChildrenAndSlots) {
    NodeRef x = noderef_from_cstr("x");
    NodeRef y = noderef_from_cstr("y");
    {
        NodeRef v = vector_of({x.node, nullptr, y.node, x.node});  // a null slot is skipped
        NodeRef tree = node_make_app(node_make_app(noderef_copy(x), v), noderef_copy(y));
        EXPECT_EQ(node_refcount(x.node), 4u);
        EXPECT_EQ(node_refcount(y.node), 3u);
        noderef_release(v);  // the pair still holds the vector
        EXPECT_EQ(node_refcount(x.node), 4u);
    }
    EXPECT_EQ(node_refcount(x.node), 1u);
    EXPECT_EQ(node_refcount(y.node), 1u);
}

TEST(NodeRelease, SharedSubtreeSurvives) {
    NodeRef shared = node_make_app(noderef_from_cstr("f"), noderef_from_cstr("x"));
    NodeRef outer = node_make_app(noderef_copy(shared), noderef_copy(shared));
    EXPECT_EQ(node_refcount(shared.node), 3u);
    noderef_release(outer);
    EXPECT_EQ(node_refcount(shared.node), 1u);
    EXPECT_EQ(text_of(node_left(shared)), "f");
}

// Splitting a pair leaves every count where taking both children and then
// releasing the pair would: an unshared pair goes, a shared one stays.
TEST(NodeRelease, SplitKeepsTheCounts) {
    for (bool shared : {false, true}) {
        NodeRef a = noderef_from_cstr("a");
        NodeRef b = noderef_from_cstr("b");
        NodeRef p = node_app(a, b);
        NodeRef keep = shared ? p : nullptr;
        NodeRef left = noderef_from_cstr("old"), right = nullptr;
        pair_split(std::move(p), left, right);
        EXPECT_EQ(left.node, a.node);
        EXPECT_EQ(right.node, b.node);
        EXPECT_EQ(node_refcount(a.node), shared ? 3u : 2u);
        EXPECT_EQ(node_refcount(b.node), shared ? 3u : 2u);
        if (shared) {
            EXPECT_EQ(node_refcount(keep.node), 1u);
        }
    }
}

// Right spines of pairs over a shared left leaf, as a list's cells are: the
// spine goes and every count outside it comes back, whatever ends it (a
// shared node, a node of its own, a pair whose left child goes too) and
// however deep it is.
TEST(NodeRelease, SpinesOverSharedChildren) {
    struct Case {
        const char* name;
        int depth;
        bool end_shared;
        bool own_left_midway;
    } cases[] = {
        {"one pair, end shared", 1, true, false},
        {"end of its own", 5, false, false},
        {"a left child of its own midway", 5, true, true},
        {"deep", 1000000, true, false},
    };
    for (const Case& c : cases) {
        NodeRef x = noderef_from_cstr("x");
        NodeRef end = noderef_from_cstr("end");
        NodeRef spine = c.end_shared ? end : noderef_from_cstr("own");
        for (int i = 0; i < c.depth; ++i) {
            NodeRef left = c.own_left_midway && i == c.depth / 2 ? node_app(x, x) : x;
            spine = node_app(std::move(left), std::move(spine));
        }
        noderef_release(spine);
        EXPECT_EQ(node_refcount(x.node), 1u) << c.name;
        EXPECT_EQ(node_refcount(end.node), 1u) << c.name;
    }
}

TEST(NodeRelease, DeepVectorNesting) {
    // Vectors holding vectors, as deep as a list: released without recursion.
#ifdef VORN_SANITIZED
    const int depth = 100000;
#else
    const int depth = 1000000;
#endif
    NodeRef x = noderef_from_cstr("x");
    NodeRef t = vector_of({x.node});
    for (int i = 0; i < depth; ++i) t = vector_of({x.node, t.node});
    EXPECT_EQ(node_refcount(x.node), u64(depth) + 2);
    noderef_release(t);
    EXPECT_EQ(node_refcount(x.node), 1u);
}

}  // namespace

namespace {

// What a program reading node memory at a node's address sees: a pair is
// the header word and the two child pointers, 24 bytes; a leaf is the header
// word and its text. Recycled blocks read exactly as new ones.
TEST(NodeMemory, PairAndLeafLayoutAtTheirAddress) {
    for (int round = 0; round < 3; ++round) {  // later rounds get recycled blocks
        NodeRef f = noderef_from_cstr("f");
        NodeRef x = noderef_from_cstr("12");
        NodeRef pair = node_make_app(f, x);
        u64 words[3];
        std::memcpy(words, pair.node, sizeof words);
        EXPECT_EQ(sizeof(PairNode), 24u);
        EXPECT_EQ(words[0], 1u);
        EXPECT_EQ(words[1], reinterpret_cast<u64>(f.node));
        EXPECT_EQ(words[2], reinterpret_cast<u64>(x.node));
        u64 leaf_header;
        std::memcpy(&leaf_header, x.node, sizeof leaf_header);
        EXPECT_EQ(leaf_header, 0x8000000080000002u);  // leaf, aux 2, held by x and the pair
        EXPECT_EQ(std::memcmp(reinterpret_cast<const u8*>(x.node) + 8, "12\0", 3), 0);
    }
}

// A small leaf's block, reused after its leaf died, is cleared past the new
// text however long the old one was.
TEST(NodeMemory, RecycledLeafBlocksAreCleared) {
    for (const char* old_text : {"abcdefghijklmnop", "abcdefghijklmnopqrstuvwxyz01234"}) {
        std::vector<Node*> blocks;
        for (int i = 0; i < 8; ++i) {
            NodeRef old = noderef_from_cstr(old_text);
            blocks.push_back(old.node);
        }
        NodeRef fresh = noderef_from_cstr("7");
        EXPECT_EQ(fresh.node->header, 0x8000000040000001u);
        const u8* text = leaf_bytes(fresh.node);
        size_t area = leaf_block_usable(fresh.node) - sizeof(u64);
        EXPECT_GE(area, 10u);
        for (size_t i = 1; i < area; ++i) EXPECT_EQ(text[i], 0) << i;
    }
}

// Once a run allows it, small leaves live in arenas: a dead block is handed
// out again, cleared, and the text area still runs to the block's end.
TEST(NodeMemory, ArenaLeavesAreReusedAndCleared) {
#ifdef VORN_SANITIZED
    GTEST_SKIP() << "sanitizer builds give every block to malloc";
#endif
    node_heap_leaf_arenas_allow();
    struct Case {
        const char* old_text;
        const char* new_text;
        size_t usable;
    };
    for (Case c : {Case{"abcdefghijklmno", "7", 24}, Case{"abcdefghijklmnopqrstuvwxyz01234", "0123456789abcdef", 40}}) {
        Node* old_block = nullptr;
        {
            NodeRef old = noderef_from_cstr(c.old_text);
            old_block = old.node;
        }
        NodeRef fresh = noderef_from_cstr(c.new_text);
        EXPECT_EQ(fresh.node, old_block);
        EXPECT_EQ(leaf_block_usable(fresh.node), c.usable);
        const u8* text = leaf_bytes(fresh.node);
        for (size_t i = std::strlen(c.new_text); i < c.usable - sizeof(u64); ++i) EXPECT_EQ(text[i], 0) << i;
    }
}

// A large leaf's block is taken back from the heap as it was left, with an
// older text in it: everything past the new text reads zero all the same,
// and a vector's slots are empty.
TEST(NodeMemory, ReusedLargeBlocksAreClearedPastTheText) {
    node_heap_policy_apply();  // large blocks come from the heap, as in a run
    for (size_t size : {size_t(100000), size_t(300000)}) {
        for (int round = 0; round < 2; ++round) {
            { NodeRef old = leaf_of(std::string(size, 'x')); }
            NodeRef fresh = round == 0 ? leaf_of(std::string(size - 1000, 'y'))
                                       : noderef_wrap(leaf_new_vector((size - 1000) / 8));
            const u8* text = leaf_bytes(fresh.node);
            size_t start = round == 0 ? size - 1000 : 1;
            size_t area = leaf_block_usable(fresh.node) - sizeof(u64);
            size_t nonzero = 0;
            for (size_t i = start; i < area; ++i) nonzero += text[i] != 0;
            EXPECT_EQ(nonzero, 0u) << size << " " << round;
        }
    }
}

// A leaf written in place by its maker: the bytes it writes, then the aux
// its text calls for, as for a leaf made from the same bytes.
TEST(NodeMemory, UnwrittenLeafIsFilledByItsMaker) {
    for (const std::string& bytes : {std::string("[ab]"), std::string("12"), std::string("xyz"), std::string(),
                                     std::string(200000, '[')}) {
        Node* leaf = leaf_new_unwritten(i64(bytes.size()));
        if (!bytes.empty()) std::memcpy(leaf_bytes(leaf), bytes.data(), bytes.size());
        leaf_set_text_length(leaf, i64(bytes.size()));
        NodeRef made = noderef_wrap(leaf);
        NodeRef want = leaf_of(bytes);
        EXPECT_EQ(made.node->header, want.node->header) << bytes.substr(0, 8);
        EXPECT_EQ(leaf_node_byte_length(made.node), i64(bytes.size()));
        EXPECT_EQ(leaf_bytes(made.node)[bytes.size()], 0);
    }
}

}  // namespace
