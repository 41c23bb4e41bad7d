// Runtime strings: order, copy on write, bounds and derived texts.
#include <gtest/gtest.h>

#include <cstring>

#include "capture.h"
#include "s.h"

namespace {

RtString bytes_of(const std::string& text) { return string_from_std(text); }

const char* const BOUND_DEATH = "ASSERTION FAILED:string:[0-9]+\n";

TEST(RtStringOrder, UnsignedBytesThenShorterFirst) {
    // Each text sorts strictly before the next one.
    const std::string ascending[] = {
        "", std::string("\0", 1), "a", std::string("a\0b", 3), "ab", "b", "ba", "\x7F", "\x80", "\xFF",
    };
    const size_t n = std::size(ascending);
    for (size_t i = 0; i < n; ++i) {
        for (size_t j = 0; j < n; ++j) {
            RtString a = bytes_of(ascending[i]), b = bytes_of(ascending[j]);
            EXPECT_EQ(string_less(a, b), i < j) << i << " " << j;
            EXPECT_EQ(string_greater_equal(a, b), i >= j) << i << " " << j;
            EXPECT_EQ(string_equal(a, b), i == j) << i << " " << j;
            EXPECT_EQ(string_not_equal(a, b), i != j) << i << " " << j;
        }
    }
}

TEST(RtStringOrder, SameBlockIsEqual) {
    RtString s = string_from_cstr("abc");
    RtString t = string_copy(s);
    EXPECT_TRUE(string_equal(s, t));
    EXPECT_TRUE(string_greater_equal(s, t));
    EXPECT_FALSE(string_less(t, s));
}

TEST(RtString, ConstructorsKeepLengthAndTerminator) {
    RtString with_nul = string_from_bytes("a\0b", 3);
    EXPECT_EQ(string_length(with_nul), 3);
    EXPECT_EQ(string_char_at(with_nul, 1), 0);
    EXPECT_EQ(string_char_at(with_nul, 3), 0);  // terminating byte
    EXPECT_EQ(string_length(string_from_cstr("a\0b")), 1);
    EXPECT_EQ(string_length(string_make_empty()), 0);
    EXPECT_EQ(string_char_at(string_make_empty(), 0), 0);
    RtString high = string_from_char(0xE9);
    EXPECT_EQ(string_length(high), 1);
    EXPECT_EQ(string_char_at(high, 0), 0xE9);
    RtString filled = string_with_length(3);
    EXPECT_EQ(string_char_at(filled, 3), 0);
    std::memcpy(string_writable_bytes(filled), "xyz", 3);
    EXPECT_TRUE(string_equal_cstr(filled, "xyz"));
}

TEST(RtString, CopyOnWriteOnlyWhenShared) {
    RtString s = string_from_cstr("abc");
    RtString t = string_copy(s);
    EXPECT_EQ(string_refcount(s), 2);
    string_char_ref(t, 0) = 'X';
    EXPECT_TRUE(string_equal_cstr(s, "abc"));
    EXPECT_TRUE(string_equal_cstr(t, "Xbc"));
    EXPECT_NE(s.block, t.block);
    EXPECT_EQ(string_refcount(s), 1);
    EXPECT_EQ(string_refcount(t), 1);

    StringBlock* before = s.block;
    string_char_ref(s, 2) = 'Z';  // sole holder: in place
    EXPECT_EQ(s.block, before);
    EXPECT_TRUE(string_equal_cstr(s, "abZ"));
}

TEST(RtString, AssignAndRelease) {
    RtString s = string_from_cstr("abc");
    string_assign(s, s);
    EXPECT_EQ(string_refcount(s), 1);
    EXPECT_TRUE(string_equal_cstr(s, "abc"));

    RtString t = string_from_cstr("other");
    string_assign(t, s);
    EXPECT_EQ(t.block, s.block);
    EXPECT_EQ(string_refcount(s), 2);
    string_release(t);
    EXPECT_EQ(t.block, nullptr);
    EXPECT_EQ(string_refcount(s), 1);
}

TEST(RtString, ByValueArgumentsAreReleased) {
    RtString b = string_from_cstr("cd");
    RtString a = string_from_cstr("ab");
    RtString joined = string_concat(a, string_copy(b));
    EXPECT_TRUE(string_equal_cstr(joined, "abcd"));
    EXPECT_EQ(string_refcount(b), 1);
    EXPECT_EQ(string_refcount(a), 1);

    RtString shared = string_copy(a);
    string_append(a, string_copy(b));
    EXPECT_TRUE(string_equal_cstr(a, "abcd"));
    EXPECT_TRUE(string_equal_cstr(shared, "ab"));  // old block left alone
    EXPECT_EQ(string_refcount(shared), 1);
    EXPECT_EQ(string_refcount(b), 1);

    EXPECT_TRUE(string_equal_cstr(string_prepend_cstr("x", b), "xcd"));
    EXPECT_EQ(string_refcount(b), 1);
    EXPECT_TRUE(string_starts_with(string_copy(b), string_copy(b)));
    EXPECT_EQ(string_last_char(string_copy(b)), 'd');
    EXPECT_EQ(string_prefix_u64(string_copy(b)), 0x6463u);
    EXPECT_EQ(string_refcount(b), 1);
}

TEST(RtString, SubstringAndSuffix) {
    RtString s = string_from_cstr("hello");
    EXPECT_TRUE(string_equal_cstr(string_substring(s, 1, 3), "ell"));
    EXPECT_TRUE(string_equal_cstr(string_substring(s, 5, 0), ""));
    EXPECT_TRUE(string_equal_cstr(string_substring(s, 0, 5), "hello"));
    EXPECT_TRUE(string_equal_cstr(string_suffix(s, 2), "llo"));
    EXPECT_TRUE(string_equal_cstr(string_suffix(s, 5), ""));
    RtString part = string_substring(s, 0, 5);
    EXPECT_NE(part.block, s.block);  // always copies
}

TEST(RtString, StartsAndEndsWith) {
    struct Case {
        const char* a;
        const char* b;
        bool starts, ends;
    } cases[] = {
        {"", "", true, true},       {"abc", "", true, true},   {"abc", "ab", true, false},
        {"abc", "bc", false, true}, {"a", "ab", false, false}, {"abc", "abc", true, true},
        {"abc", "x", false, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(string_starts_with(string_from_cstr(c.a), string_from_cstr(c.b)), c.starts) << c.a << "|" << c.b;
        EXPECT_EQ(string_ends_with(string_from_cstr(c.a), string_from_cstr(c.b)), c.ends) << c.a << "|" << c.b;
    }
}

TEST(RtString, PrefixU64IsLittleEndian) {
    EXPECT_EQ(string_prefix_u64(string_from_cstr("abc")), 0x636261u);
    EXPECT_EQ(string_prefix_u64(string_make_empty()), 0u);
    EXPECT_EQ(string_prefix_u64(string_from_bytes("\xFF\x01", 2)), 0x01FFu);
    std::string long_text(300, 'z');
    long_text.replace(0, 8, "ABCDEFGH");
    EXPECT_EQ(string_prefix_u64(bytes_of(long_text)), 0x4847464544434241u);
}

TEST(RtStringDeath, IndexBounds) {
    RtString s = string_from_cstr("abc");
    EXPECT_DEATH(string_char_at(s, -1), BOUND_DEATH);
    EXPECT_DEATH(string_char_at(s, 4), BOUND_DEATH);
    EXPECT_DEATH(string_char_ref(s, 4), BOUND_DEATH);
    EXPECT_DEATH(string_char_ref(s, -1), BOUND_DEATH);
    EXPECT_DEATH(string_substring(s, -1, 1), BOUND_DEATH);
    EXPECT_DEATH(string_substring(s, 0, -1), BOUND_DEATH);
    EXPECT_DEATH(string_substring(s, 0, 4), BOUND_DEATH);
    EXPECT_DEATH(string_substring(s, 1, INT64_MAX), BOUND_DEATH);  // start + count would overflow
    EXPECT_DEATH(string_suffix(s, -1), BOUND_DEATH);
    EXPECT_DEATH(string_suffix(s, 4), BOUND_DEATH);
    EXPECT_DEATH(string_last_char(string_make_empty()), BOUND_DEATH);
}

// Each bound is its own check: the three substring checks and the two
// char_at checks report distinct lines.
TEST(RtStringDeath, EachBoundIsItsOwnCheck) {
    RtString s = string_from_cstr("abc");
    std::string messages[] = {
        capture_child([&] { string_substring(s, -1, 0); }).err,
        capture_child([&] { string_substring(s, 0, -1); }).err,
        capture_child([&] { string_substring(s, 0, 4); }).err,
        capture_child([&] { string_char_at(s, -1); }).err,
        capture_child([&] { string_char_at(s, 4); }).err,
    };
    for (size_t i = 0; i < std::size(messages); ++i) {
        EXPECT_TRUE(messages[i].starts_with("ASSERTION FAILED:string:")) << messages[i];
        for (size_t j = 0; j < i; ++j) EXPECT_NE(messages[i], messages[j]);
    }
}

}  // namespace
