// Data texts: leaves and pairs, elements taken from the end, flattening
// with bracket names written back as bytes, lengths, list trees, the normal
// form, texts whose brackets do not balance, and data of a million elements.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <random>
#include <string>

#include "bytes.h"
#include "glyph.h"
#include "order.h"
#include "tables.h"
#include "zits.h"

namespace {

NodeRef L(const std::string& text) { return noderef_from_string(string_from_std(text)); }
NodeRef A(NodeRef f, NodeRef x) { return node_make_app(std::move(f), std::move(x)); }
std::string text_of(const NodeRef& t) { return string_to_std(node_text(t)); }
// The bracket name of byte c.
std::string name_of(char c) { return string_to_std(*char_names_find(string_from_char(u8(c)))); }
// ((J a) b)
NodeRef cell(NodeRef a, NodeRef b) { return node_app2(L("J"), std::move(a), std::move(b)); }

const char* const ZITS_DEATH = "ASSERTION FAILED:zits:[0-9]+\n";

#ifdef VORN_SANITIZED
constexpr i64 BIG = 1000000;
#else
constexpr i64 BIG = 10000000;
#endif

class Zits : public ::testing::Test {
protected:
    void SetUp() override { map_defs_free_nodes(definitions_instance()); }
    void TearDown() override { map_defs_free_nodes(definitions_instance()); }
};

TEST_F(Zits, ByteNamesAreTwelveToTwentyFourBytes) {
    EXPECT_EQ(name_of('\x97'), "[[][[]][[]]]");
    for (int c = 0; c < 256; ++c) {
        if (c == '[' || c == ']') continue;
        EXPECT_GE(name_of(char(c)).size(), 12u);
        EXPECT_LE(name_of(char(c)).size(), 24u);
    }
}

TEST_F(Zits, EmptyAndMade) {
    EXPECT_TRUE(zits_is_empty(L("[]")));
    EXPECT_FALSE(zits_is_empty(L("[a]")));
    EXPECT_FALSE(zits_is_empty(A(L("[]"), L("[]"))));
    EXPECT_EQ(text_of(zits_from_string(string_make_empty())), "[]");
    EXPECT_EQ(text_of(zits_from_string(string_from_cstr("a]["))), "[a][]");  // no check
    EXPECT_TRUE(term_is_zits(A(L("[]"), A(L("[a]"), L("[b]")))));
    EXPECT_FALSE(term_is_zits(A(L("[]"), L("x"))));
}

TEST_F(Zits, Flatten) {
    struct Case {
        NodeRef term;
        const char* flat;
    } cases[] = {
        {A(L("[]"), L("[]")), "[[]]"},
        {A(L("[a]"), L("[bc]")), "[a[bc]]"},
        {A(L("[a]"), L(name_of('b'))), "[ab]"},
        {A(A(L("[]"), L(name_of('x'))), A(L("[]"), L(name_of('y')))), "[x[y]]"},
        {A(L("[]"), A(L("[]"), L(name_of('y')))), "[[y]]"},
        {A(L("[a]"), A(L("[]"), L(name_of('\n')))), "[a[\n]]"},
        // A right part whose text is the name of a byte (0x97, number 145) is that byte.
        {A(L("[a]"), A(A(A(L("[]"), L("[]")), L("[[]]")), L("[[]]"))), "[a\x97]"},
        {A(L("[x"), L("[a]")), "[[a]]"},  // bytes copied as they are
    };
    for (Case& c : cases) {
        EXPECT_EQ(text_of(zits_flatten(c.term)), c.flat) << c.flat;
        std::string flat = c.flat;
        EXPECT_EQ(string_to_std(zits_text(c.term)), flat.substr(1, flat.size() - 2));
    }
    NodeRef leaf = L("[ab]");
    EXPECT_EQ(zits_flatten(leaf).node, leaf.node);
    EXPECT_EQ(string_to_std(zits_text(L("[]"))), "");
    EXPECT_EQ(string_to_std(zits_text(L("[a[b]]"))), "a[b]");
}

TEST_F(Zits, TextLength) {
    EXPECT_EQ(zits_text_length(L("[ab]")), 4);
    EXPECT_EQ(zits_text_length(L("[]")), 2);
    EXPECT_EQ(zits_text_length(A(L("[a]"), L("[bc]"))), 7);
    // A bracket-name right child counts whole, though flattening shrinks it.
    EXPECT_EQ(zits_text_length(A(L("[a]"), L(name_of('b')))), i64(3 + name_of('b').size()));
    EXPECT_EQ(zits_text_length(A(A(L("[a]"), L("[]")), L("[bc]"))), 9);
}

TEST_F(Zits, ElementsOfLeaves) {
    struct Case {
        const char* text;
        std::string left;
        std::string right;
    } cases[] = {
        {"[ab]", "[a]", name_of('b')},
        {"[a[bc]]", "[a]", "[bc]"},
        {"[a]", "[]", name_of('a')},
        {"[[]]", "[]", "[]"},
        {"[[a][b[c]]]", "[[a]]", "[b[c]]"},
        {"[\x01\xFF]", "[\x01]", name_of('\xFF')},
        // Texts whose last element cannot be read answer Z on both sides.
        {"[][]", "Z", "Z"},
        {"[a[]", "Z", "Z"},
        {"[]]]", "Z", "Z"},
        {"[a]b]", "[a]]", name_of('b')},
        {"[x", "Z", "Z"},
        {"[", "Z", "Z"},
        {"[a]]", "Z", "Z"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(text_of(zits_left(L(c.text))), c.left) << c.text;
        EXPECT_EQ(text_of(zits_right(L(c.text))), c.right) << c.text;
    }
    NodeRef r = L("[b]");
    NodeRef pair = A(L("[a]"), r);
    EXPECT_EQ(zits_right(pair).node, r.node);
    EXPECT_EQ(text_of(zits_left(pair)), "[a]");
    // Taking [a] apart and putting it together again.
    EXPECT_EQ(text_of(zits_flatten(A(zits_left(L("[a]")), zits_right(L("[a]"))))), "[a]");
}

TEST_F(Zits, EmptyHasNoElements) {
    EXPECT_DEATH(zits_left(L("[]")), ZITS_DEATH);
    EXPECT_DEATH(zits_right(L("[]")), ZITS_DEATH);
    EXPECT_DEATH(zits_require(L("x")), ZITS_DEATH);
    EXPECT_DEATH(zits_flatten(A(L("[a]"), L("x"))), ZITS_DEATH);
}

TEST_F(Zits, ConsLists) {
    EXPECT_EQ(text_of(zits_to_cons_list(L("[]"))), "K");
    EXPECT_EQ(term_compare(zits_to_cons_list(L("[[]]")), cell(L("K"), L("K"))), 0);
    EXPECT_EQ(term_compare(zits_to_cons_list(L("[[][]]")), cell(cell(L("K"), L("K")), L("K"))), 0);
    EXPECT_EQ(term_compare(zits_to_cons_list(L("[[[]]]")), cell(L("K"), cell(L("K"), L("K")))), 0);
    // A byte is the list of its bracket name; a pair is its left list with the right appended.
    NodeRef byte = zits_to_cons_list(L("[a]"));
    EXPECT_EQ(term_compare(byte, cell(L("K"), zits_to_cons_list(L(name_of('a'))))), 0);
    EXPECT_EQ(term_compare(zits_to_cons_list(A(L("[]"), L(name_of('a')))), byte), 0);
    EXPECT_EQ(term_compare(zits_to_cons_list(A(L("[a]"), L("[b[c]]"))), zits_to_cons_list(L("[a[b[c]]]"))), 0);
    // Every call builds new nodes.
    NodeRef again = zits_to_cons_list(L("[a]"));
    EXPECT_NE(pair_right(byte.node), pair_right(again.node));
    // An element that cannot be read: both parts of its cell are Z.
    EXPECT_EQ(term_compare(zits_to_cons_list(L("[][]")), cell(L("Z"), L("Z"))), 0);
    EXPECT_EQ(term_compare(zits_to_cons_list(L("[a]]")), cell(L("Z"), L("Z"))), 0);
    EXPECT_EQ(term_compare(zits_to_cons_list(L("[][[]]")), cell(cell(L("Z"), L("Z")), L("K"))), 0);
}

TEST_F(Zits, ConsListsRoundTrip) {
    for (const char* text : {"[]", "[a]", "[ab]", "[a[bc]]", "[[a][b]]", "[[[x]]y]", "[\x01[\x7F\xFF]]"}) {
        EXPECT_EQ(text_of(list_to_bracket_name(zits_to_cons_list(L(text)))), text) << text;
    }
    NodeRef pair = A(A(L("[a]"), L("[[b]]")), L(name_of('c')));
    EXPECT_EQ(text_of(list_to_bracket_name(zits_to_cons_list(pair))), "[a[[b]]c]");
}

TEST_F(Zits, Normalize) {
    NodeRef leaf = L("[ab]");
    EXPECT_EQ(zits_normalize(leaf).node, leaf.node);  // ends in a byte: the same leaf
    NodeRef empty = L("[]");
    NodeRef normal_empty = zits_normalize(empty);
    EXPECT_EQ(text_of(normal_empty), "[]");
    EXPECT_NE(normal_empty.node, empty.node);
    struct Case {
        NodeRef term;
        NodeRef expected;
    } cases[] = {
        {L("[a[bc]]"), A(L("[a]"), L("[bc]"))},
        {L("[[a][b]]"), A(A(L("[]"), L("[a]")), L("[b]"))},
        {L("[x[a[b]]]"), A(L("[x]"), A(L("[a]"), L("[b]")))},
        {L("[[a]x]"), L("[[a]x]")},
        {L("[a" + name_of('b') + "]"), L("[a" + name_of('b') + "]")},  // a byte's name counts as that byte
        {A(L("[a]"), L(name_of('b'))), L("[ab]")},
        {A(L("[a]"), L("[bc]")), A(L("[a]"), L("[bc]"))},
        {A(A(L("[a]"), L("[b]")), L("[[c]]")), A(A(L("[a]"), L("[b]")), A(L("[]"), L("[c]")))},
        {A(L("[a]"), L("[]")), A(L("[a]"), L("[]"))},
        {L("[][]"), A(L("Z"), L("Z"))},
        {L("[x"), A(L("Z"), L("Z"))},
        {L("[a]][b]]"), A(A(L("Z"), L("Z")), L("[b]"))},
    };
    for (Case& c : cases) EXPECT_EQ(term_compare(zits_normalize(c.term), c.expected), 0) << text_of(c.expected);
}

// The list tree and the normal form read literally, recursively, through
// zits_left, zits_right and zits_flatten: the reference on small random data.
bool is_error(const NodeRef& t) { return !node_is_pair(t) && node_first_byte(t) == 'Z'; }

NodeRef reference_cons_list(NodeRef z) {
    if (zits_is_empty(z)) return L("K");
    NodeRef right = zits_right(z);
    if (is_error(right)) return cell(L("Z"), L("Z"));
    return cell(reference_cons_list(zits_left(z)), reference_cons_list(std::move(right)));
}

NodeRef reference_normalize(NodeRef z) {
    if (zits_is_empty(z)) return L("[]");
    NodeRef right = zits_right(z);
    if (is_error(right)) return A(L("Z"), L("Z"));
    NodeRef flat = zits_flatten(std::move(right));
    if (char_names_find(node_text(flat))) return zits_flatten(z);
    return A(reference_normalize(zits_left(z)), reference_normalize(std::move(flat)));
}

TEST_F(Zits, AgreesWithTheRecursiveReadingOnRandomData) {
    std::mt19937 random(777);
    const std::string pieces[] = {"[", "]", "a", "b", "[]", "[a]", "[[]]", name_of('c'), name_of('\x97')};
    auto leaf = [&] {
        std::string text = "[";
        for (size_t n = random() % 6; n > 0; --n) text += pieces[random() % std::size(pieces)];
        return L(text + "]");
    };
    std::function<NodeRef(int)> term = [&](int depth) -> NodeRef {
        if (depth == 0 || random() % 3 == 0) return leaf();
        return A(term(depth - 1), term(depth - 1));
    };
    for (i64 i = 0; i < BIG / 500; ++i) {
        NodeRef z = term(int(random() % 4));
        ASSERT_EQ(term_compare(zits_to_cons_list(z), reference_cons_list(z)), 0) << text_of(zits_flatten(z));
        ASSERT_EQ(term_compare(zits_normalize(z), reference_normalize(z)), 0) << text_of(zits_flatten(z));
    }
}

// The nesting test agrees with a byte-by-byte count on random texts whose
// brackets fall at every place in and across eight-byte words, among bytes
// that share most of their bits with the brackets.
TEST_F(Zits, BalancedAgreesWithAByteCount) {
    std::mt19937 random(4242);
    const char alphabet[] = {'[', ']', 'a', 'Y', '_', '\x59', '\xDB', '\xDD', '\0', '\x01'};
    auto counted = [](const std::string& t) {
        i64 depth = 0;
        for (char c : t) {
            if (c == '[') ++depth;
            if (c == ']' && --depth < 0) return false;
        }
        return depth == 0;
    };
    for (int i = 0; i < 20000; ++i) {
        size_t length = random() % 40;
        std::string text(length, 'a');
        // Mostly plain bytes, so that whole words are skipped too.
        for (char& c : text)
            if (random() % 4 == 0) c = alphabet[random() % std::size(alphabet)];
        for (size_t offset = 0; offset < 8 && offset <= text.size(); ++offset) {
            std::string part = text.substr(offset);
            ASSERT_EQ(zits_bytes_balanced(reinterpret_cast<const u8*>(part.data()), i64(part.size())), counted(part))
                << part;
        }
    }
}

// A data pair of n empty elements appended one by one: ((([] []) []) ...).
NodeRef appended_empties(i64 n) {
    NodeRef e = L("[]");
    NodeRef z = L("[]");
    for (i64 i = 0; i < n; ++i) z = A(std::move(z), e);
    return z;
}

double seconds_since(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

TEST_F(Zits, LongData) {
    const i64 n = BIG / 10;  // conversions build about ten nodes per element
    auto start = std::chrono::steady_clock::now();
    NodeRef z = appended_empties(n);
    EXPECT_EQ(zits_text_length(z), 2 + 2 * n);
    NodeRef flat = zits_flatten(z);
    EXPECT_EQ(text_of(flat).size(), size_t(2 + 2 * n));
    NodeRef list = zits_to_cons_list(z);
    NodeRef normal = zits_normalize(z);
    EXPECT_TRUE(node_is_pair(normal));
    NodeRef flat_list = zits_to_cons_list(flat);
    EXPECT_EQ(term_compare(list, flat_list), 0);
    EXPECT_EQ(term_compare(zits_normalize(flat), normal), 0);
    RecordProperty("seconds", std::to_string(seconds_since(start)));
}

TEST_F(Zits, DeepData) {
    // Nesting as deep as the text is long.
    const i64 n = BIG / 10;
    std::string deep = std::string(size_t(n), '[') + std::string(size_t(n), ']');
    NodeRef nested = L(deep);
    EXPECT_EQ(text_of(zits_right(nested)).size(), size_t(2 * n - 2));
    NodeRef nested_list = zits_to_cons_list(nested);
    EXPECT_EQ(text_of(list_to_bracket_name(nested_list)), deep);
    NodeRef nested_normal = zits_normalize(nested);
    EXPECT_TRUE(node_is_pair(nested_normal));
}

TEST_F(Zits, FlattenLongData) {
    NodeRef z = appended_empties(BIG);
    auto start = std::chrono::steady_clock::now();
    NodeRef flat = zits_flatten(z);
    double took = seconds_since(start);
    EXPECT_EQ(zits_text_length(flat), 2 + 2 * BIG);
    RecordProperty("flatten_seconds", std::to_string(took));
}

}  // namespace
