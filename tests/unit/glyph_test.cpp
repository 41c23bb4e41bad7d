// Character tables: digits, operator sets, glyph coding and bracket names.
#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <set>
#include <string>

#include "capture.h"
#include "glyph.h"

namespace {

std::string text_of(const RtString& s) { return string_to_std(s); }
RtString str(const char* text) { return string_from_cstr(text); }
std::string name_of(u64 n) { return text_of(bracket_name_from_number(n)); }

std::set<u8> byte_set(const char* chars) {
    std::set<u8> set;
    for (const char* p = chars; *p; ++p) set.insert(u8(*p));
    return set;
}

TEST(OperatorSets, SizesAndRelations) {
    struct Case {
        const char* chars;
        size_t size;
        bool (*member)(u8);
    } cases[] = {
        {INFIX_OPERATOR_CHARS, 22, char_is_operator},
        {PREFIX_OPERATOR_CHARS, 5, char_is_prefix_operator},
        {ADJACENCY_BREAK_CHARS, 33, char_is_adjacency_break},
        {OPERATOR_NAME_CHARS, 27, char_is_operator_name},
    };
    for (const Case& c : cases) {
        std::set<u8> set = byte_set(c.chars);
        EXPECT_EQ(std::strlen(c.chars), c.size) << c.chars;
        EXPECT_EQ(set.size(), c.size) << c.chars;  // no byte twice
        for (int b = 0; b < 256; ++b) EXPECT_EQ(c.member(u8(b)), set.count(u8(b)) == 1) << c.chars << b;
    }
    std::set<u8> infix = byte_set(INFIX_OPERATOR_CHARS), prefix = byte_set(PREFIX_OPERATOR_CHARS);
    std::set<u8> adjacency = infix, names = infix;
    adjacency.insert(prefix.begin(), prefix.end());
    for (u8 b : std::string("()[]{}")) adjacency.insert(b);
    EXPECT_EQ(adjacency, byte_set(ADJACENCY_BREAK_CHARS));
    names.erase(' ');
    names.erase('\n');
    names.insert(prefix.begin(), prefix.end());
    names.insert('{');
    names.insert('}');
    EXPECT_EQ(names, byte_set(OPERATOR_NAME_CHARS));
    for (u8 b : std::string("~!\"$`")) EXPECT_FALSE(char_is_operator(b)) << b;
}

TEST(Digit64, ProgramOwnOrder) {
    struct Case {
        char c;
        int value;
    } cases[] = {{'_', 0}, {'a', 1}, {'r', 18}, {'u', 19}, {'s', 20}, {'t', 21}, {'v', 22}, {'w', 23},
                 {'z', 24}, {'x', 25}, {'y', 26}, {'0', 27}, {'9', 36}, {'A', 37}, {'R', 54}, {'U', 55},
                 {'S', 56}, {'Z', 60}, {'X', 61}, {'Y', 62}, {'~', 63}};
    for (const Case& c : cases) EXPECT_EQ(digit64_value(u8(c.c)), c.value) << c.c;
    ASSERT_EQ(std::strlen(DIGIT64_ALPHABET), 64u);
    for (int v = 0; v < 64; ++v) EXPECT_EQ(digit64_value(u8(DIGIT64_ALPHABET[v])), v);
}

TEST(Digit64Death, OutsideTheAlphabet) {
    EXPECT_DEATH(digit64_value('!'), "ASSERTION FAILED:glyph:[0-9]+\n");
    EXPECT_DEATH(digit64_value(0xE1), "ASSERTION FAILED:glyph:[0-9]+\n");
}

TEST(Glyph, CharToCode) {
    struct Case {
        int glyph_class;
        char c;
        u8 byte;
    } cases[] = {
        {2, 'j', 0x00}, {2, 'J', 0x00}, {2, 'A', 0x01}, {2, 'i', 0x09}, {2, ',', 0x0A}, {2, 'K', 0x0B},
        {2, 'Z', 0x1A}, {2, '(', 0x1B}, {2, '[', 0x1F}, {2, '_', 0x20}, {2, '~', 0x7F}, {2, '!', 0x80},
        {2, '-', 0x8A}, {2, '|', 0x8B}, {2, '=', 0x8E}, {2, '\\', 0x8F}, {2, '?', 0x96}, {2, '0', 0x97},
        {2, '9', 0xA0}, {2, ']', 0xFF}, {1, '_', 0xDF}, {1, '[', 0xDB}, {1, 'a', 0xE1}, {3, '[', 0x5B},
        {3, 'a', 'a'}, {2, ' ', ' '}, {2, '\n', '\n'}, {1, ' ', ' '}, {1, '\n', '\n'},
    };
    for (const Case& c : cases) EXPECT_EQ(char_to_code(c.glyph_class, u8(c.c)), c.byte) << c.glyph_class << c.c;
}

TEST(GlyphDeath, UnknownControlCharacterIsNopqchar) {
    ChildOutcome child = capture_child([] { char_to_code(GLYPH_CONTROL, 'a' + 128); });
    EXPECT_EQ(child.signal, SIGABRT);
    EXPECT_EQ(child.out, "REDVFAIL: nopqchar\n");
    EXPECT_TRUE(child.err.starts_with("ASSERTION FAILED:fail:")) << child.err;
}

TEST(Glyph, PairsNameEveryByteOnce) {
    for (int b = 0; b < 256; ++b) {
        int i = glyph_pair_of_byte(u8(b));
        ASSERT_GE(i, 0);
        EXPECT_EQ(char_to_code(BYTE_GLYPH_CLASSES[i] - '0', u8(BYTE_GLYPH_CHARS[i])), b);
    }
    struct Case {
        u8 byte;
        int pair;
    } cases[] = {{0x97, 0}, {0x00, 19}, {0x20, 52}, {'_', 53}, {'a', 54}, {'0', 80}, {0xDF, 145},
                 {0xDB, 237}, {0x1F, 239}, {0xFF, 240}, {'\n', 245}, {'[', 246}, {']', 247}, {0x96, 255}};
    for (const Case& c : cases) EXPECT_EQ(glyph_pair_of_byte(c.byte), c.pair) << int(c.byte);
}

TEST(Isqrt, LargestRootBelow) {
    struct Case {
        u64 n, root;
    } cases[] = {{0, 0}, {1, 1}, {2, 1}, {3, 1}, {4, 2}, {8, 2}, {9, 3}, {675, 25}, {676, 26},
                 {0xFFFFFFFE00000001u, 0xFFFFFFFFu}, {0xFFFFFFFE00000000u, 0xFFFFFFFEu},
                 {0xFFFFFFFFFFFFFFFFu, 0xFFFFFFFFu}};
    for (const Case& c : cases) EXPECT_EQ(u64_isqrt(c.n), c.root) << c.n;
}

TEST(BracketName, FromNumber) {
    struct Case {
        u64 n;
        const char* name;
    } cases[] = {{0, "[]"},         {1, "[[]]"},          {2, "[[][]]"},   {3, "[[[]]]"},
                 {4, "[[[]][]]"},   {5, "[[][][]]"},      {10, "[[][[]]]"}, {145, "[[][[]][[]]]"},
                 {198, "[[[[][]][[]]]]"}};
    for (const Case& c : cases) EXPECT_EQ(name_of(c.n), c.name) << c.n;
    std::set<std::string> names;
    for (u64 n = 0; n < 677; ++n) names.insert(name_of(n));
    EXPECT_EQ(names.size(), 677u);  // one name per number
    for (u64 n = 145; n <= 400; ++n) {
        EXPECT_GE(name_of(n).size(), 12u);
        EXPECT_LE(name_of(n).size(), 24u);
    }
}

TEST(BracketNameDeath, NumberTooLarge) {
    EXPECT_DEATH(bracket_name_from_number(677), "ASSERTION FAILED:glyph:[0-9]+\n");
}

TEST(CharNames, TwoWayTableOfEveryByteButBrackets) {
    const TextMap& names = bracket_char_table();
    EXPECT_EQ(names.size(), 508u);
    EXPECT_EQ(char_names_find(str("[")), nullptr);
    EXPECT_EQ(char_names_find(str("]")), nullptr);
    std::set<u64> numbers;
    for (int b = 0; b < 256; ++b) {
        if (b == '[' || b == ']') continue;
        const RtString* name = char_names_find(string_from_char(u8(b)));
        ASSERT_NE(name, nullptr) << b;
        const RtString* back = char_names_find(*name);
        ASSERT_NE(back, nullptr) << b;
        EXPECT_EQ(text_of(*back), std::string(1, char(b)));
        u64 number = u64(145 + glyph_pair_of_byte(u8(b)));
        EXPECT_EQ(text_of(*name), name_of(number)) << b;
        numbers.insert(number);
    }
    EXPECT_EQ(numbers.size(), 254u);
    EXPECT_EQ(*numbers.begin(), 145u);
    EXPECT_EQ(*numbers.rbegin(), 400u);
    EXPECT_EQ(numbers.count(391) + numbers.count(392), 0u);
    struct Case {
        u8 byte;
        u64 number;
    } cases[] = {{0x97, 145}, {'_', 198}, {'a', 199}, {'0', 225}, {'\n', 390}};
    for (const Case& c : cases) EXPECT_EQ(text_of(*char_names_find(string_from_char(c.byte))), name_of(c.number));
}

TEST(BracketName, LastIndex) {
    struct Case {
        const char* text;
        i64 index;
    } cases[] = {
        {"[a]", 1}, {"[ab]", 2}, {"[a[b]]", 2}, {"[[[]]]", 1}, {"[a[b[c]]]", 2}, {"[[a]", 2},
        // Unbalanced texts that in-place writes can make: no element, no read outside.
        {"[][]", -1}, {"[a[]", -1}, {"[a]]", -1}, {"[]]", -1}, {"]]]]", -1}, {"[", -1}, {"x]", -1},
    };
    for (const Case& c : cases) EXPECT_EQ(bracket_name_last_index(str(c.text)), c.index) << c.text;
}

TEST(BracketNameDeath, EmptyListHasNoLastElement) {
    EXPECT_DEATH(bracket_name_last_index(str("[]")), "ASSERTION FAILED:glyph:[0-9]+\n");
    EXPECT_DEATH(bracket_name_last(str("[]")), "ASSERTION FAILED:glyph:[0-9]+\n");
}

TEST(BracketName, LastAndDropLast) {
    std::string name_b = text_of(*char_names_find(str("b")));
    struct Case {
        const char* text;
        std::string last;
        const char* rest;
    } cases[] = {
        {"[ab]", name_b, "[a]"}, {"[a[b]]", "[b]", "[a]"}, {"[b]", name_b, "[]"},
        {"[[[]]]", "[[]]", "[]"}, {"[a[]", "", ""},       {"[a]]", "", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(text_of(bracket_name_last(str(c.text))), c.last) << c.text;
        EXPECT_EQ(text_of(bracket_name_drop_last(str(c.text))), c.rest) << c.text;
    }
}

TEST(BracketName, AppendWritesBytesInShortForm) {
    RtString name_b = *char_names_find(str("b"));
    EXPECT_EQ(text_of(bracket_name_append(str("[a]"), name_b)), "[ab]");
    EXPECT_EQ(text_of(bracket_name_append(str("[a]"), str("[[]]"))), "[a[[]]]");
    EXPECT_EQ(text_of(bracket_name_append(str("[]"), str("[]"))), "[[]]");
    // Appending a byte's name and taking the last element gives the name back.
    for (int b = 0; b < 256; ++b) {
        if (b == '[' || b == ']') continue;
        RtString name = *char_names_find(string_from_char(u8(b)));
        RtString text = bracket_name_append(str("[x]"), name);
        EXPECT_EQ(text_of(text), "[x" + std::string(1, char(b)) + "]");
        EXPECT_TRUE(string_equal(bracket_name_last(text), name)) << b;
    }
}

}  // namespace
