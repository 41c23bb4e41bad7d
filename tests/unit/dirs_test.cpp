// The directory layer over a fresh temporary directory: snapshot order,
// entry records, the read-ahead hash, errors and errno.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "dirs.h"
#include "host_fixture.h"

using namespace host_test;

namespace {

class Dirs : public HostTest {
protected:
    void SetUp() override {
        HostTest::SetUp();
        char pattern[] = "/tmp/vorn_dirs_XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        root = pattern;
    }
    void TearDown() override { std::system(("rm -rf " + root).c_str()); }
    void touch(const std::string& name) {
        int fd = open((root + "/" + name).c_str(), O_CREAT | O_WRONLY, 0644);
        ASSERT_GE(fd, 0);
        close(fd);
    }
    std::string root;
};

struct Entry {
    int32_t ino, off;
    uint16_t reclen;
    uint64_t namlen;
    int32_t type;
    std::string name;
};

Entry entry_at(const char* at) {
    Entry e;
    std::memcpy(&e.ino, at, 4);
    std::memcpy(&e.off, at + 4, 4);
    std::memcpy(&e.reclen, at + 8, 2);
    std::memcpy(&e.namlen, at + 16, 8);
    std::memcpy(&e.type, at + 24, 4);
    e.name = at + 28;
    return e;
}

TEST_F(Dirs, ListsDotsThenByteOrder) {
    for (const char* name : {"b", "a", "-1", ".hidden", "ab", "\xE9"}) touch(name);
    ASSERT_EQ(mkdir((root + "/sub").c_str(), 0755), 0);
    ASSERT_EQ(symlink("a", (root + "/link").c_str()), 0);
    NodeRef stream = call(builtin_opendir, {post(root)});
    ASSERT_NE(text(stream), "0");
    struct Want {
        const char* name;
        int32_t type;
    } want[] = {{".", 0x4000}, {"..", 0x4000}, {"-1", 0x8000}, {".hidden", 0x8000}, {"a", 0x8000},
                {"ab", 0x8000}, {"b", 0x8000},  {"link", 0xC000}, {"sub", 0x4000},    {"\xE9", 0x8000}};
    int n = sizeof want / sizeof want[0];
    for (int i = 0; i < n; ++i) {
        errno = 77;
        NodeRef e = call(builtin_readdir, {stream});
        ASSERT_EQ(text(e), text(stream)) << i;  // the entry is the stream's own
        Entry got = entry_at(as_pointer(e));
        EXPECT_EQ(got.name, want[i].name);
        EXPECT_EQ(got.type, want[i].type) << got.name;
        EXPECT_EQ(got.ino, 0);
        EXPECT_EQ(got.reclen, 296);
        EXPECT_EQ(got.namlen, std::strlen(want[i].name));
        uint32_t off = i + 1 < n ? dir_name_hash(want[i + 1].name, std::strlen(want[i + 1].name)) : 0x7FFFFFFF;
        EXPECT_EQ(uint32_t(got.off), off) << got.name;
        EXPECT_EQ(errno, 77);
    }
    EXPECT_EQ(answer(builtin_readdir, {stream}), "0");
    EXPECT_EQ(answer(builtin_readdir, {stream}), "0");
    EXPECT_EQ(errno, 77);
    EXPECT_EQ(answer(builtin_closedir, {stream}), "0");
}

TEST_F(Dirs, NameHash) {
    EXPECT_EQ(dir_name_hash("a", 1), 177670u);
    EXPECT_EQ(dir_name_hash("\xE9", 1), (5381u * 33 + 233) & 0x7FFFFFFF);  // bytes unsigned
    EXPECT_EQ(dir_name_hash("", 0), 5381u);
}

TEST_F(Dirs, OpenFailures) {
    touch("file");
    std::string long_name(261, 'x');
    struct Case {
        NodeRef name;
        int error;
    } cases[] = {
        {post(root + "/missing"), 2}, {post(root + "/file"), 20}, {post(""), 2},
        {num(0), 2},                  {post(long_name), 34},       {leaf("[d]"), 2},
    };
    for (const Case& c : cases) {
        errno = 0;
        EXPECT_EQ(answer(builtin_opendir, {c.name}), "0");
        EXPECT_EQ(errno, c.error);
    }
    ASSERT_EQ(mkdir((root + "/[d]").c_str(), 0755), 0);
    char home[4096];
    ASSERT_NE(getcwd(home, sizeof home), nullptr);
    ASSERT_EQ(chdir(root.c_str()), 0);
    NodeRef stream = call(builtin_opendir, {leaf("[d]")});  // the brackets are the name
    EXPECT_NE(text(stream), "0");
    EXPECT_EQ(answer(builtin_closedir, {stream}), "0");
    std::string exact = "./" + std::string(258, '/');  // 260 bytes naming "."
    errno = 0;
    NodeRef opened = call(builtin_opendir, {post(exact)});
    EXPECT_NE(text(opened), "0");
    EXPECT_EQ(errno, 0);
    EXPECT_EQ(answer(builtin_closedir, {opened}), "0");
    ASSERT_EQ(chdir(home), 0);
    EXPECT_EQ(answer(builtin_opendir, {real(1.0)}), "Z");
}

TEST_F(Dirs, BadStreams) {
    errno = 0;
    EXPECT_EQ(answer(builtin_readdir, {num(0)}), "0");
    EXPECT_EQ(errno, 9);
    errno = 0;
    EXPECT_EQ(answer(builtin_closedir, {num(0)}), "01");
    EXPECT_EQ(errno, 9);
    char* stream = static_cast<char*>(std::calloc(1, DIR_STREAM_SIZE));  // no search
    errno = 0;
    EXPECT_EQ(answer(builtin_readdir, {addr(stream)}), "0");
    EXPECT_EQ(errno, 9);
    errno = 0;
    EXPECT_EQ(answer(builtin_closedir, {addr(stream)}), "01");  // and frees it
    EXPECT_EQ(errno, 9);
    EXPECT_EQ(answer(builtin_readdir, {post("x")}), "Z");
    EXPECT_EQ(answer(builtin_closedir, {real(1.0)}), "Z");
    EXPECT_EQ(answer(builtin_dirent), "296");
}

}  // namespace
