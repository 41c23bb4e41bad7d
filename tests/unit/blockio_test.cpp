// Block I/O, positioning and stream state over a temporary file, and
// descriptor I/O over a pipe.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <unistd.h>

#include "descriptors.h"
#include "host_fixture.h"
#include "streams.h"

using namespace host_test;

namespace {

class BlockIo : public HostTest {
protected:
    void SetUp() override {
        HostTest::SetUp();
        file = std::tmpfile();
        ASSERT_NE(file, nullptr);
        std::fputs("0123456789", file);
        std::rewind(file);
    }
    void TearDown() override { std::fclose(file); }
    FILE* file = nullptr;
};

TEST_F(BlockIo, ReadToTheEndAndTheIndicators) {
    char buffer[16] = {};
    EXPECT_EQ(answer(builtin_fread, {addr(buffer), num(4), num(3), addr(file)}), "2");
    EXPECT_EQ(std::string(buffer, 10), "0123456789");
    EXPECT_EQ(answer(builtin_feof, {addr(file)}), "1");
    EXPECT_EQ(answer(builtin_ferror, {addr(file)}), "0");
    EXPECT_EQ(answer(builtin_clearerr, {addr(file)}), "I");
    EXPECT_EQ(answer(builtin_feof, {addr(file)}), "0");
    std::fgetc(file);
    EXPECT_EQ(answer(builtin_rewind, {addr(file)}), "I");
    EXPECT_EQ(answer(builtin_feof, {addr(file)}), "0");
    EXPECT_EQ(std::fgetc(file), '0');
}

TEST_F(BlockIo, WriteSeekTell) {
    EXPECT_EQ(answer(builtin_fseek, {addr(file), num(0), num(2)}), "0");
    EXPECT_EQ(answer(builtin_ftell, {addr(file)}), "10");
    EXPECT_EQ(answer(builtin_fwrite, {post("abc"), num(1), num(2), addr(file)}), "2");
    EXPECT_EQ(answer(builtin_fwrite, {leaf("[x]"), num(3), num(1), addr(file)}), "1");
    EXPECT_EQ(answer(builtin_fwrite, {post(std::string("\0\0", 2)), num(2), num(1), addr(file)}), "1");
    EXPECT_EQ(answer(builtin_fflush, {addr(file)}), "0");
    EXPECT_EQ(answer(builtin_fflush, {num(0)}), "0");
    EXPECT_EQ(answer(builtin_fseek, {addr(file), num(TWO_32 + 5), num(0)}), "0");
    EXPECT_EQ(answer(builtin_ftell, {addr(file)}), "5");
    char rest[16] = {};
    EXPECT_EQ(std::fread(rest, 1, sizeof rest, file), 12u);
    EXPECT_EQ(std::string(rest, 12), std::string("56789ab[x]\0\0", 12));
    EXPECT_EQ(answer(builtin_fseek, {addr(file), num(-1), num(0)}), "01");
    ASSERT_EQ(fseeko(file, 3000000000, SEEK_SET), 0);  // past a 32-bit long
    errno = 0;
    EXPECT_EQ(answer(builtin_ftell, {addr(file)}), "01");
    EXPECT_EQ(errno, EOVERFLOW);
}

TEST_F(BlockIo, PositionRecordsRoundTrip) {
    unsigned char record[12];
    std::memset(record, 0xAB, sizeof record);
    std::fgetc(file);
    std::fgetc(file);
    EXPECT_EQ(answer(builtin_fgetpos, {addr(file), addr(record)}), "0");
    EXPECT_EQ(record[0], 2);
    EXPECT_EQ(record[7], 0);
    EXPECT_EQ(record[8], 0xAB);  // nothing past the 8 bytes
    std::fgetc(file);
    std::fgetc(file);
    EXPECT_EQ(answer(builtin_fsetpos, {addr(file), addr(record)}), "0");
    EXPECT_EQ(std::fgetc(file), '2');
}

TEST_F(BlockIo, RefusalsAndWrongKinds) {
    char buffer[4] = "abc";
    struct Case {
        BuiltinFn fn;
        std::vector<NodeRef> args;
        const char* result;
    } cases[] = {
        {builtin_fread, {addr(buffer), num(1), num(-1), addr(file)}, "0"},  // 2^64 - 1 bytes
        {builtin_fread, {addr(buffer), unum(u64(1) << 32), unum(u64(1) << 32), addr(file)}, "0"},
        {builtin_fread, {num(0), num(1), num(1), addr(file)}, "0"},
        {builtin_fread, {addr(buffer), num(1), num(1), num(0)}, "0"},
        {builtin_fwrite, {post("a"), unum(u64(1) << 62), num(2), addr(file)}, "0"},
        {builtin_fwrite, {num(0), num(1), num(1), addr(file)}, "0"},
        {builtin_fwrite, {post("a"), num(1), num(1), num(0)}, "0"},
        {builtin_fseek, {num(0), num(0), num(0)}, "01"},
        {builtin_ftell, {num(0)}, "01"},
        {builtin_fgetpos, {num(0), addr(buffer)}, "01"},
        {builtin_fgetpos, {addr(file), num(0)}, "01"},
        {builtin_fsetpos, {addr(file), num(0)}, "01"},
        {builtin_feof, {num(0)}, "0"},
        {builtin_ferror, {num(0)}, "0"},
        {builtin_rewind, {num(0)}, "I"},
        {builtin_clearerr, {num(0)}, "I"},
    };
    for (const Case& c : cases) {
        errno = 0;
        EXPECT_EQ(answer(c.fn, c.args), c.result);
        EXPECT_EQ(errno, EINVAL);
    }
    EXPECT_STREQ(buffer, "abc");
    EXPECT_EQ(answer(builtin_fwrite, {post("abc"), num(-1), num(1), addr(file)}), "Z");
    EXPECT_EQ(answer(builtin_fwrite, {post("abc"), num(1), num(-1), addr(file)}), "Z");
    EXPECT_EQ(answer(builtin_fwrite, {real(1.0), num(1), num(1), addr(file)}), "Z");
    EXPECT_EQ(answer(builtin_fread, {post("abc"), num(1), num(1), addr(file)}), "Z");
    EXPECT_EQ(answer(builtin_fseek, {addr(file), real(0.0), num(0)}), "Z");
    EXPECT_EQ(std::ftell(file), 0);
}

// A post or data text holds a known number of bytes: a count past them
// writes nothing and fails with EINVAL, as a count past 2^31 - 1 does for
// write. An integer address is taken at its word.
TEST_F(BlockIo, CountsPastTheTextWriteNothing) {
    int ends[2];
    ASSERT_EQ(pipe(ends), 0);
    NodeRef out = num(ends[1]);
    struct Case {
        BuiltinFn fn;
        std::vector<NodeRef> args;
        const char* result;
    } cases[] = {
        {builtin_write, {out, post("hi"), num(3)}, "01"},
        {builtin_write, {out, leaf("[hi]"), num(5)}, "01"},
        {builtin_write, {out, zits_pair("[a]", "[b]"), num(7)}, "01"},  // flattened: [a[b]], 6 bytes
        {builtin_write, {out, post("hi"), num(2147483648)}, "01"},
        {builtin_write, {out, post("hi"), num(TWO_32 - 1)}, "01"},
        {builtin_fwrite, {post("hi"), num(1), num(3), addr(file)}, "0"},
        {builtin_fwrite, {post("hi"), num(3), num(1), addr(file)}, "0"},
        {builtin_fwrite, {leaf("[hi]"), num(1), num(100), addr(file)}, "0"},
        {builtin_fwrite, {zits_pair("[a]", "[b]"), num(7), num(1), addr(file)}, "0"},
    };
    for (const Case& c : cases) {
        errno = 0;
        EXPECT_EQ(answer(c.fn, c.args), c.result);
        EXPECT_EQ(errno, EINVAL);
    }
    std::fflush(file);
    EXPECT_EQ(std::ftell(file), 0);
    EXPECT_EQ(answer(builtin_write, {out, zits_pair("[a]", "[b]"), num(6)}), "6");
    char bytes[4] = "xyz";
    EXPECT_EQ(answer(builtin_write, {out, addr(bytes), num(4)}), "4");  // the program's own extent
    close(ends[1]);
    char got[16] = {};
    EXPECT_EQ(read(ends[0], got, sizeof got), 10);
    EXPECT_EQ(std::string(got, 10), std::string("[a[b]]xyz\0", 10));
    close(ends[0]);
}

TEST_F(BlockIo, DescriptorsReadAndWrite) {
    int ends[2];
    ASSERT_EQ(pipe(ends), 0);
    EXPECT_EQ(answer(builtin_write, {num(ends[1]), post("abc"), num(3)}), "3");
    EXPECT_EQ(answer(builtin_write, {num(TWO_32 + ends[1]), leaf("[ab]"), num(4)}), "4");
    EXPECT_EQ(answer(builtin_write, {num(ends[1]), post(std::string("x\0y", 3)), num(TWO_32 + 3)}), "3");
    close(ends[1]);
    char buffer[32] = {};
    EXPECT_EQ(answer(builtin_read, {num(ends[0]), addr(buffer), num(sizeof buffer)}), "10");
    EXPECT_EQ(std::string(buffer, 10), std::string("abc[ab]x\0y", 10));
    EXPECT_EQ(answer(builtin_read, {num(ends[0]), addr(buffer), num(sizeof buffer)}), "0");
    errno = 0;
    EXPECT_EQ(answer(builtin_read, {num(ends[0]), addr(buffer), num(-1)}), "01");  // 4294967295 bytes
    EXPECT_EQ(errno, EINVAL);
    close(ends[0]);
    EXPECT_EQ(answer(builtin_read, {num(ends[0]), addr(buffer), num(1)}), "01");
    EXPECT_EQ(errno, EBADF);
    EXPECT_EQ(answer(builtin_read, {num(0), post("x"), num(1)}), "Z");
    EXPECT_EQ(answer(builtin_read, {num(0), addr(buffer), real(1.0)}), "Z");
    EXPECT_EQ(answer(builtin_write, {num(1), real(1.0), num(1)}), "Z");
}

}  // namespace
