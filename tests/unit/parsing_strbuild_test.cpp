// Number parsing (a 32-bit long, end addresses, null texts) and string
// building (copies, joins, duplicates, messages, the tokeniser).
#include <gtest/gtest.h>

#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "host_fixture.h"
#include "parsing.h"
#include "strbuild.h"

using namespace host_test;

namespace {

using Parsing = HostTest;
using StringBuilding = HostTest;

TEST_F(Parsing, IntegersAsA32BitLong) {
    struct Case {
        BuiltinFn fn;
        const char* text;
        i64 base;
        const char* result;
        i64 end;  // bytes parsed
    } cases[] = {
        {builtin_strtol, "0x1A", 16, "26", 4},
        {builtin_strtol, "0x1A", 0, "26", 4},
        {builtin_strtol, "0x1A", 10, "0", 1},
        {builtin_strtol, "0x", 16, "0", 1},
        {builtin_strtol, "  -17z", 10, "017", 5},
        {builtin_strtol, "abc", 10, "0", 0},
        {builtin_strtol, "2147483647", 10, "2147483647", 10},
        {builtin_strtol, "2147483648", 10, "2147483647", 10},
        {builtin_strtol, "-2147483649", 10, "02147483648", 11},
        {builtin_strtol, "99999999999999999999", 10, "2147483647", 20},
        {builtin_strtol, "-1", 10, "01", 2},
        {builtin_strtol, "12", TWO_32 + 16, "18", 2},
        {builtin_strtol, "12", 1, "0", 0},
        {builtin_strtol, "12", 37, "0", 0},
        {builtin_strtoul, "-1", 10, "18446744073709551615", 2},
        {builtin_strtoul, "4294967295", 10, "2147483647", 10},
        {builtin_strtoul, "-2147483648", 10, "18446744071562067968", 11},
    };
    for (const Case& c : cases) {
        NodeRef text = post(c.text);
        const char* end = nullptr;
        EXPECT_EQ(answer(c.fn, {text, addr(&end), num(c.base)}), c.result) << c.text;
        EXPECT_EQ(end, payload(text) + c.end) << c.text;
        EXPECT_EQ(answer(c.fn, {text, num(0), num(c.base)}), c.result) << c.text;
    }
    errno = 0;
    answer(builtin_strtol, {post("3000000000"), num(0), num(10)});
    EXPECT_EQ(errno, ERANGE);
    errno = 0;
    answer(builtin_strtol, {post("5"), num(0), num(99)});
    EXPECT_EQ(errno, EINVAL);
}

TEST_F(Parsing, AtoiAtofStrtod) {
    EXPECT_EQ(answer(builtin_atoi, {post(" 42abc")}), "42");
    EXPECT_EQ(answer(builtin_atoi, {leaf("[42]")}), "0");
    EXPECT_EQ(answer(builtin_atoi, {post("3000000000")}), "2147483647");
    EXPECT_EQ(answer(builtin_atoi, {post("-3000000000")}), "02147483648");
    EXPECT_EQ(answer(builtin_atoi, {num(0)}), "0");
    EXPECT_EQ(real_leaf_value(call(builtin_atof, {post("xyz")})), 0.0);
    EXPECT_EQ(real_leaf_value(call(builtin_atof, {post("1.5e2")})), 150.0);
    NodeRef text = post("2.5e3rest");
    const char* end = nullptr;
    EXPECT_EQ(real_leaf_value(call(builtin_strtod, {text, addr(&end)})), 2500.0);
    EXPECT_EQ(end, payload(text) + 5);
    end = reinterpret_cast<const char*>(1);
    errno = 0;
    EXPECT_EQ(real_leaf_value(call(builtin_strtod, {num(0), addr(&end)})), 0.0);  // null text
    EXPECT_EQ(errno, EINVAL);
    EXPECT_EQ(end, reinterpret_cast<const char*>(1));
    EXPECT_TRUE(std::isinf(real_leaf_value(call(builtin_atof, {post("1e999")}))));
}

TEST_F(Parsing, EndInsideAFlattenedDataPairStaysValid) {
    const char* end = nullptr;
    EXPECT_EQ(answer(builtin_strtol, {zits_pair("[ab]", "[c]"), addr(&end), num(10)}), "0");
    EXPECT_STREQ(end, "[ab[c]]");  // nothing parsed: the text's own address, kept alive
}

TEST_F(Parsing, AbsoluteValues) {
    struct Case {
        BuiltinFn fn;
        i64 v;
        const char* result;
    } cases[] = {
        {builtin_abs, -5, "5"},
        {builtin_abs, 5, "5"},
        {builtin_abs, INT64_MIN, "09223372036854775808"},
        {builtin_labs, -5, "5"},
        {builtin_labs, TWO_32 + 5, "5"},
        {builtin_labs, i64(1) << 31, "02147483648"},
        {builtin_labs, 3000000000, "1294967296"},
    };
    for (const Case& c : cases) EXPECT_EQ(answer(c.fn, {num(c.v)}), c.result) << c.v;
}

TEST_F(Parsing, WrongKindsInOrder) {
    i64 end = 7;
    EXPECT_EQ(answer(builtin_strtol, {real(1.0), addr(&end), num(10)}), "Z");
    EXPECT_EQ(answer(builtin_strtol, {post("1"), post("x"), num(10)}), "Z");
    EXPECT_EQ(answer(builtin_strtoul, {post("1"), addr(&end), real(10.0)}), "Z");
    EXPECT_EQ(end, 7);
    EXPECT_EQ(answer(builtin_atoi, {leaf("0017")}), "Z");
    EXPECT_EQ(answer(builtin_abs, {post("5")}), "Z");
    EXPECT_EQ(answer(builtin_labs, {real(5.0)}), "Z");
    EXPECT_EQ(answer(builtin_strtod, {cray(), num(0)}), "Z");
}

TEST_F(StringBuilding, CopiesAndJoins) {
    char block[16];
    std::memset(block, '*', sizeof block);
    EXPECT_EQ(answer(builtin_strcpy, {addr(block), post("hello")}), addr_text(block));
    EXPECT_EQ(std::string(block, 7), std::string("hello\0*", 7));
    EXPECT_EQ(answer(builtin_strcpy, {addr(block), leaf("[hi]")}), addr_text(block));
    EXPECT_EQ(std::string(block, 7), std::string("[hi]\0\0*", 7));  // five bytes written
    char abc[] = "abc";
    std::memset(block, '*', sizeof block);
    EXPECT_EQ(answer(builtin_strncpy, {addr(block), addr(abc), num(8)}), addr_text(block));
    EXPECT_EQ(std::string(block, 9), std::string("abc\0\0\0\0\0*", 9));
    std::memset(block, '*', sizeof block);
    answer(builtin_strncpy, {addr(block), addr(abc), num(2)});
    EXPECT_EQ(std::string(block, 3), "ab*");
    std::strcpy(block, "ab");
    EXPECT_EQ(answer(builtin_strcat, {addr(block), post("cd")}), addr_text(block));
    EXPECT_STREQ(block, "abcd");
    std::strcpy(block, "ab");
    EXPECT_EQ(answer(builtin_strncat, {addr(block), post("cd"), num(1)}), addr_text(block));
    EXPECT_STREQ(block, "abc");
    answer(builtin_strncat, {addr(block), post("xy"), num(-1)});  // no bound
    EXPECT_STREQ(block, "abcxy");
}

TEST_F(StringBuilding, OverlappingCopies) {
    char block[16] = "abc";
    answer(builtin_strcpy, {addr(block + 1), addr(block)});
    EXPECT_STREQ(block, "aabc");
    answer(builtin_strcat, {addr(block), addr(block)});
    EXPECT_STREQ(block, "aabcaabc");
    answer(builtin_strncat, {addr(block), addr(block + 6), num(5)});
    EXPECT_STREQ(block, "aabcaabcbc");
}

TEST_F(StringBuilding, NullAddressesAndNegativeCounts) {
    char block[8] = "keep";
    struct Case {
        BuiltinFn fn;
        std::vector<NodeRef> args;
    } cases[] = {
        {builtin_strcpy, {num(0), post("x")}},
        {builtin_strcpy, {addr(block), num(0)}},
        {builtin_strcat, {addr(block), num(0)}},
        {builtin_strncat, {num(0), post("x"), num(1)}},
        {builtin_strncpy, {addr(block), num(0), num(2)}},
        {builtin_strncpy, {addr(block), addr(block + 2), num(-1)}},
        {builtin_strncpy, {addr(block), addr(block + 2), unum(u64(1) << 63)}},
    };
    for (const Case& c : cases) {
        errno = 0;
        EXPECT_EQ(answer(c.fn, c.args), "0");
        EXPECT_EQ(errno, EINVAL);
    }
    EXPECT_STREQ(block, "keep");
    EXPECT_EQ(answer(builtin_strcpy, {real(1.0), post("x")}), "Z");
    EXPECT_EQ(answer(builtin_strncpy, {addr(block), post("x"), num(1)}), "Z");
    EXPECT_EQ(answer(builtin_strcat, {post("x"), post("y")}), "Z");
    EXPECT_STREQ(block, "keep");
}

TEST_F(StringBuilding, DuplicatesAndMessages) {
    NodeRef copy = call(builtin_strdup, {post("hi")});
    EXPECT_EQ(std::memcmp(as_pointer(copy), "hi", 3), 0);
    std::free(const_cast<char*>(as_pointer(copy)));
    EXPECT_EQ(answer(builtin_strdup, {num(0)}), "0");
    EXPECT_EQ(answer(builtin_strdup, {real(0.0)}), "Z");
    NodeRef two = call(builtin_strerror, {num(2)});
    EXPECT_STREQ(as_pointer(two), "No such file or directory");
    NodeRef wrapped = call(builtin_strerror, {num(TWO_32 + 2)});
    EXPECT_EQ(text(wrapped), text(two));  // one buffer, the same message
    errno = 5;
    NodeRef unknown = call(builtin_strerror, {num(999)});
    EXPECT_STREQ(as_pointer(unknown), "Unknown error 999");
    EXPECT_EQ(text(unknown), text(two));
    EXPECT_EQ(errno, 5);
}

TEST_F(StringBuilding, Tokenising) {
    char block[] = "a,b,,c";
    NodeRef comma = post(",");
    EXPECT_EQ(answer(builtin_strtok, {addr(block), comma}), addr_text(block));
    EXPECT_EQ(answer(builtin_strtok, {num(0), comma}), addr_text(block + 2));
    EXPECT_EQ(answer(builtin_strtok, {num(0), real(1.0)}), "Z");  // position kept
    EXPECT_EQ(answer(builtin_strtok, {num(0), comma}), addr_text(block + 5));
    EXPECT_EQ(answer(builtin_strtok, {num(0), comma}), "0");
    EXPECT_EQ(answer(builtin_strtok, {num(0), comma}), "0");
    EXPECT_EQ(std::string(block, 7), std::string("a\0b\0,c\0", 7));

    char bracketed[] = "x[y]z,w";
    EXPECT_EQ(answer(builtin_strtok, {addr(bracketed), leaf("[,]")}), addr_text(bracketed));
    EXPECT_EQ(answer(builtin_strtok, {num(0), leaf("[,]")}), addr_text(bracketed + 2));
    EXPECT_EQ(answer(builtin_strtok, {num(0), leaf("[,]")}), addr_text(bracketed + 4));

    char first[] = "1 2";
    char second[] = "x y";
    char* cell1 = nullptr;
    char* cell2 = nullptr;
    NodeRef blank = post(" ");
    EXPECT_EQ(answer(builtin_strtok_r, {addr(first), blank, addr(&cell1)}), addr_text(first));
    EXPECT_EQ(answer(builtin_strtok_r, {addr(second), blank, addr(&cell2)}), addr_text(second));
    EXPECT_EQ(answer(builtin_strtok_r, {num(0), blank, addr(&cell1)}), addr_text(first + 2));
    EXPECT_EQ(answer(builtin_strtok_r, {num(0), blank, addr(&cell2)}), addr_text(second + 2));
    EXPECT_EQ(answer(builtin_strtok_r, {num(0), blank, addr(&cell1)}), "0");
    EXPECT_EQ(cell1, first + 3);
}

TEST_F(StringBuilding, TokeniserRefusals) {
    char* cell = nullptr;
    char text[] = "a b";
    errno = 0;
    EXPECT_EQ(answer(builtin_strtok_r, {num(0), post(" "), addr(&cell)}), "0");  // nothing saved
    EXPECT_EQ(errno, EINVAL);
    EXPECT_EQ(answer(builtin_strtok_r, {addr(text), post(" "), num(0)}), "0");
    EXPECT_EQ(answer(builtin_strtok_r, {addr(text), num(0), addr(&cell)}), "0");
    EXPECT_EQ(answer(builtin_strtok, {addr(text), num(0)}), "0");
    EXPECT_STREQ(text, "a b");
    EXPECT_EQ(cell, nullptr);
}

}  // namespace
