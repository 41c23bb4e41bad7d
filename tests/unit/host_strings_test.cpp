// String examination builtins: lengths, comparisons with and without case
// folding, and searches whose results point into the first text.
#include <gtest/gtest.h>

#include <string>

#include "host.h"
#include "host_fixture.h"

using namespace host_test;

namespace {

using HostStrings = HostTest;

TEST_F(HostStrings, Lengths) {
    char host[] = "host text";
    struct Case {
        BuiltinFn fn;
        std::vector<NodeRef> args;
        const char* result;
    } cases[] = {
        {builtin_strlen, {post("abc")}, "3"},
        {builtin_strlen, {leaf("[abc]")}, "5"},  // the brackets are text
        {builtin_strlen, {post(std::string("a\0b", 3))}, "1"},
        {builtin_strlen, {post("")}, "0"},
        {builtin_strlen, {leaf("[]")}, "2"},
        {builtin_strlen, {zits_pair("[ab]", "[c]")}, "7"},
        {builtin_strlen, {addr(host)}, "9"},
        {builtin_strnlen, {post("hello"), num(3)}, "3"},
        {builtin_strnlen, {post("hello"), num(10)}, "5"},
        {builtin_strnlen, {post("hello"), num(-1)}, "5"},  // no bound
        {builtin_strnlen, {post("hello"), num(0)}, "0"},
        {builtin_strspn, {post("aabc"), post("ab")}, "3"},
        {builtin_strspn, {post("hello"), post("")}, "0"},
    };
    for (const Case& c : cases) EXPECT_EQ(answer(c.fn, c.args), c.result) << text(c.args[0]);
}

TEST_F(HostStrings, Comparisons) {
    struct Case {
        BuiltinFn fn;
        const char* a;
        const char* b;
        i64 n;
        const char* result;
    } cases[] = {
        {builtin_strcmp, "abc", "abd", 0, "01"},
        {builtin_strcmp, "abd", "abc", 0, "1"},
        {builtin_strcmp, "abc", "abc", 0, "0"},
        {builtin_strcmp, "abc", "ab", 0, "1"},
        {builtin_strcmp, "ab", "abc", 0, "01"},
        {builtin_strcmp, "\xE9", "a", 0, "1"},  // unsigned bytes
        {builtin_strcmp, "", "", 0, "0"},
        {builtin_strncmp, "abcx", "abcy", 3, "0"},
        {builtin_strncmp, "abcx", "abcy", 4, "01"},
        {builtin_strncmp, "abcx", "abcz", 4, "01"},  // the sign, not the difference
        {builtin_strncmp, "b", "a", 0, "0"},
        {builtin_strncmp, "ab", "ab", 100, "0"},
        {builtin_strncmp, "abcx", "abcy", -1, "01"},  // a negative count bounds nothing
        {builtin_strcasecmp, "ABC", "abd", 0, "01"},
        {builtin_strcasecmp, "abc", "AB", 0, "99"},
        {builtin_strcasecmp, "Hello", "hELLO", 0, "0"},
        {builtin_strcasecmp, "[", "{", 0, "032"},  // only A-Z fold: 91 - 123
        {builtin_strcasecmp, "\xC9", "\xE9", 0, "032"},  // bytes from 128 up stay
        {builtin_strcasecmp, "\xFF", "", 0, "255"},
        {builtin_strncasecmp, "abcX", "ABCy", 3, "0"},
        {builtin_strncasecmp, "abcX", "ABCy", 4, "01"},
        {builtin_strncasecmp, "abc", "xyz", 0, "0"},
        {builtin_strncasecmp, "abcX", "ABCy", -1, "01"},
        {builtin_strncasecmp, "abcX", "ABCy", i64(1) << 31, "01"},
        {builtin_strncasecmp, "abcX", "ABCy", 2147483647, "01"},
    };
    for (const Case& c : cases) {
        std::vector<NodeRef> args = {post(c.a), post(c.b)};
        if (c.fn == builtin_strncmp || c.fn == builtin_strncasecmp) args.push_back(num(c.n));
        EXPECT_EQ(answer(c.fn, args), c.result) << c.a << " " << c.b << " " << c.n;
    }
    // A data leaf is compared with its brackets: "[" (91) against "a" (97).
    EXPECT_EQ(answer(builtin_strcmp, {leaf("[ab]"), post("ab")}), "01");
}

TEST_F(HostStrings, SearchesPointIntoTheFirstText) {
    NodeRef hello = post("hello");
    const char* at = payload(hello);
    struct Case {
        BuiltinFn fn;
        NodeRef second;
        i64 offset;  // -1: not found
    } cases[] = {
        {builtin_strchr, num('l'), 2},
        {builtin_strrchr, num('l'), 3},
        {builtin_strchr, num(0), 5},  // the terminator
        {builtin_strrchr, num(0), 5},
        {builtin_strchr, num(256 + 'e'), 1},  // the low byte
        {builtin_strchr, num('z'), -1},
        {builtin_strstr, post("lo"), 3},
        {builtin_strstr, post(""), 0},
        {builtin_strstr, post("low"), -1},
        {builtin_strpbrk, post("xol"), 2},
        {builtin_strpbrk, post("xyz"), -1},
    };
    for (const Case& c : cases) {
        std::string expected = c.offset < 0 ? "0" : addr_text(at, c.offset);
        EXPECT_EQ(answer(c.fn, {hello, c.second}), expected) << text(c.second);
    }
    NodeRef z = leaf("[ab]");
    EXPECT_EQ(answer(builtin_strchr, {z, num('b')}), addr_text(leaf_bytes(z.node), 2));
}

TEST_F(HostStrings, SearchesInADataPairStayValid) {
    NodeRef found = call(builtin_strstr, {zits_pair("[ab]", "[cd]"), post("cd")});
    EXPECT_STREQ(as_pointer(found), "cd]]");  // the flattened text is kept alive
    NodeRef none = call(builtin_strchr, {zits_pair("[ab]", "[cd]"), num('q')});
    EXPECT_EQ(text(none), "0");
}

TEST_F(HostStrings, WrongKindsAndNullTexts) {
    BuiltinFn two_texts[] = {builtin_strcmp, builtin_strcasecmp, builtin_strstr, builtin_strpbrk, builtin_strspn};
    NodeRef wrong[] = {real(1.0), cray(), leaf("0017"), leaf("K"), leaf("Z"), num(0)};
    for (BuiltinFn fn : two_texts) {
        for (const NodeRef& w : wrong) {
            EXPECT_EQ(answer(fn, {w, post("a")}), "Z") << text(w);
            EXPECT_EQ(answer(fn, {post("a"), w}), "Z") << text(w);
        }
    }
    for (const NodeRef& w : wrong) EXPECT_EQ(answer(builtin_strlen, {w}), "Z") << text(w);
    EXPECT_EQ(answer(builtin_strchr, {post("a"), real(97.0)}), "Z");
    EXPECT_EQ(answer(builtin_strnlen, {post("a"), post("1")}), "Z");
    EXPECT_EQ(answer(builtin_strncmp, {post("a"), post("a"), leaf("[1]")}), "Z");
    EXPECT_EQ(answer(builtin_strncasecmp, {num(0), post("a"), num(1)}), "Z");
    EXPECT_EQ(answer(builtin_strrchr, {num(0), num('a')}), "Z");
}

}  // namespace
