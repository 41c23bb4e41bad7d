// Memory block builtins: allocation and its failures, fills, copies,
// searches and comparisons, and the class tests in argument order.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "blocks.h"
#include "host_fixture.h"

using namespace host_test;

namespace {

using Blocks = HostTest;

// The block at the address an integer result holds.
char* block_of(const NodeRef& t) { return const_cast<char*>(as_pointer(t)); }

TEST_F(Blocks, AllocateResizeAndFree) {
    NodeRef p = call(builtin_malloc, {num(16)});
    ASSERT_NE(block_of(p), nullptr);
    std::memcpy(block_of(p), "0123456789abcdef", 16);
    NodeRef q = call(builtin_realloc, {p, num(4096)});
    ASSERT_NE(block_of(q), nullptr);
    EXPECT_EQ(std::memcmp(block_of(q), "0123456789abcdef", 16), 0);
    NodeRef r = call(builtin_realloc, {q, num(0)});  // asked as 1: never frees
    ASSERT_NE(block_of(r), nullptr);
    EXPECT_EQ(block_of(r)[0], '0');
    EXPECT_EQ(answer(builtin_free, {r}), "I");
    EXPECT_EQ(answer(builtin_free, {num(0)}), "I");

    NodeRef z = call(builtin_calloc, {num(3), num(5)});
    ASSERT_NE(block_of(z), nullptr);
    EXPECT_EQ(std::memcmp(block_of(z), "\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0", 15), 0);
    call(builtin_free, {z});
    NodeRef fresh = call(builtin_realloc, {num(0), num(8)});  // as malloc
    ASSERT_NE(block_of(fresh), nullptr);
    call(builtin_free, {fresh});
}

TEST_F(Blocks, AllocationsThatCannotBeHonoured) {
    char* keep = static_cast<char*>(std::malloc(4));
    std::memcpy(keep, "abc", 4);
    struct Case {
        BuiltinFn fn;
        std::vector<NodeRef> args;
    } cases[] = {
        {builtin_malloc, {num(-1)}},
        {builtin_malloc, {unum(u64(1) << 63)}},
        {builtin_calloc, {unum(u64(1) << 32), unum(u64(1) << 32)}},  // wraps to 0
        {builtin_calloc, {num(-1), num(2)}},
        {builtin_realloc, {addr(keep), num(-1)}},
    };
    for (const Case& c : cases) {
        errno = 0;
        EXPECT_EQ(answer(c.fn, c.args), "0");
        EXPECT_EQ(errno, ENOMEM);
    }
    EXPECT_STREQ(keep, "abc");  // a failed realloc leaves the block
    std::free(keep);
}

TEST_F(Blocks, FillCopySearchCompare) {
    char block[8] = "abcdefg";
    EXPECT_EQ(answer(builtin_memset, {addr(block), num(321), num(4)}), addr_text(block));
    EXPECT_EQ(std::string(block, 7), "AAAAefg");
    EXPECT_EQ(answer(builtin_bzero, {addr(block + 1), num(2)}), "I");
    EXPECT_EQ(std::string(block, 7), std::string("A\0\0Aefg", 7));

    char text[] = "0123456789";
    EXPECT_EQ(answer(builtin_memcpy, {addr(text + 2), addr(text), num(5)}), addr_text(text + 2));
    EXPECT_STREQ(text, "0101234789");  // overlapping, as memmove
    EXPECT_EQ(answer(builtin_memcpy, {addr(text), addr(text + 3), num(4)}), addr_text(text));
    EXPECT_STREQ(text, "1234234789");

    EXPECT_EQ(answer(builtin_memchr, {addr(text), num('4'), num(10)}), addr_text(text + 3));
    EXPECT_EQ(answer(builtin_memchr, {addr(text), num(256 + '7'), num(10)}), addr_text(text + 7));
    EXPECT_EQ(answer(builtin_memchr, {addr(text), num('9'), num(9)}), "0");
    EXPECT_EQ(answer(builtin_memcmp, {addr(text), addr(text), num(10)}), "0");
    char high[] = "\xE9";
    NodeRef below = call(builtin_memcmp, {addr(text), addr(high), num(1)});  // unsigned bytes
    EXPECT_LT(integer_to_i64(noderef_copy(below)), 0);
    NodeRef above = call(builtin_memcmp, {addr(high), addr(text), num(1)});
    EXPECT_GT(integer_to_i64(noderef_copy(above)), 0);
}

TEST_F(Blocks, EmptyRangesTouchNothing) {
    EXPECT_EQ(answer(builtin_bzero, {num(0), num(0)}), "I");
    EXPECT_EQ(answer(builtin_memset, {num(0), num(65), num(0)}), "0");
    EXPECT_EQ(answer(builtin_memcpy, {num(0), num(0), num(0)}), "0");
    EXPECT_EQ(answer(builtin_memcpy, {num(12345), num(0), num(0)}), "12345");  // a1 as given
    EXPECT_EQ(answer(builtin_memchr, {num(0), num(65), num(0)}), "0");
    EXPECT_EQ(answer(builtin_memcmp, {num(0), num(0), num(0)}), "0");
}

// Address 0 names no memory: a range of a byte or more there is refused
// like a wrong kind, and the other address is left as it was.
TEST_F(Blocks, NullAddressesAnswerZ) {
    char block[4] = "abc";
    struct Case {
        BuiltinFn fn;
        std::vector<NodeRef> args;
    } cases[] = {
        {builtin_bzero, {num(0), num(1)}},
        {builtin_memset, {num(0), num('x'), num(3)}},
        {builtin_memcpy, {num(0), addr(block), num(3)}},
        {builtin_memcpy, {addr(block), num(0), num(3)}},
        {builtin_memchr, {num(0), num('a'), num(3)}},
        {builtin_memcmp, {num(0), addr(block), num(3)}},
        {builtin_memcmp, {addr(block), num(0), num(1)}},
    };
    for (const Case& c : cases) EXPECT_EQ(answer(c.fn, c.args), "Z") << text(c.args[0]) << " " << text(c.args[1]);
    EXPECT_STREQ(block, "abc");
}

TEST_F(Blocks, WrongKindsAnswerZ) {
    char block[4] = "abc";
    EXPECT_EQ(answer(builtin_bzero, {addr(block), num(-1)}), "Z");
    EXPECT_STREQ(block, "abc");
    EXPECT_EQ(answer(builtin_free, {post("ab")}), "Z");
    EXPECT_EQ(answer(builtin_malloc, {real(8.0)}), "Z");
    EXPECT_EQ(answer(builtin_malloc, {leaf("0017")}), "Z");  // a numb
    for (int k = 0; k < 3; ++k) {
        std::vector<NodeRef> args = {addr(block), num('x'), num(3)};
        args[k] = real(1.0);
        EXPECT_EQ(answer(builtin_memset, args), "Z") << k;
        args[k] = leaf("[ab]");
        EXPECT_EQ(answer(builtin_memcpy, args), "Z") << k;
        EXPECT_EQ(answer(builtin_memcmp, args), "Z") << k;
        EXPECT_EQ(answer(builtin_memchr, args), "Z") << k;
    }
    EXPECT_STREQ(block, "abc");
    EXPECT_EQ(answer(builtin_calloc, {num(1), cray()}), "Z");
    EXPECT_EQ(answer(builtin_realloc, {real(0.0), num(1)}), "Z");
}

}  // namespace
