// Stream builtins: opening, closing, renaming and removing files, and byte
// and line I/O through host streams, on files in a fresh directory.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <unistd.h>

#include "capture.h"
#include "host.h"
#include "host_fixture.h"

using namespace host_test;

namespace {

// A fresh directory for the test's files, removed afterwards.
class HostStreams : public HostTest {
protected:
    void SetUp() override {
        HostTest::SetUp();
        char pattern[] = "/tmp/vorn_streams_XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir_ = pattern;
    }
    void TearDown() override {
        std::string command = "rm -rf '" + dir_ + "'";
        ASSERT_EQ(std::system(command.c_str()), 0);
    }
    // The path of a file in the directory, as a byte string.
    NodeRef path(const char* name) const { return post(dir_ + "/" + name); }
    std::string file(const char* name) const { return dir_ + "/" + name; }
    // The whole contents of a file.
    std::string contents(const char* name) const {
        std::string bytes;
        FILE* f = std::fopen(file(name).c_str(), "rb");
        if (!f) return "<missing>";
        int c;
        while ((c = std::fgetc(f)) != EOF) bytes.push_back(char(c));
        std::fclose(f);
        return bytes;
    }
    void write_file(const char* name, const std::string& bytes) const {
        FILE* f = std::fopen(file(name).c_str(), "wb");
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
    }
    // Opens through the builtin and answers the stream leaf.
    NodeRef open(const char* name, const char* mode) const { return call(builtin_fopen, {path(name), post(mode)}); }

    std::string dir_;
};

using HostStandardStreams = HostTest;

TEST_F(HostStreams, WriteReadRenameRemove) {
    NodeRef out = open("a.txt", "w");
    ASSERT_NE(text(out), "0");
    EXPECT_EQ(answer(builtin_fputc, {num('h'), out}), "104");
    EXPECT_EQ(answer(builtin_putc, {num(321), out}), "65");  // 0x141 writes 0x41
    char line[] = "line\n";
    EXPECT_NE(answer(builtin_fputs, {addr(line), out}), "01");
    EXPECT_EQ(answer(builtin_fputc, {num(0xFF), out}), "255");
    EXPECT_EQ(answer(builtin_fclose, {out}), "0");
    EXPECT_EQ(contents("a.txt"), "hAline\n\xFF");  // no carriage return added

    NodeRef in = open("a.txt", "r");
    EXPECT_EQ(answer(builtin_fgetc, {in}), "104");
    EXPECT_EQ(answer(builtin_getc, {in}), "65");
    EXPECT_EQ(answer(builtin_ungetc, {num('x'), in}), "120");
    EXPECT_EQ(answer(builtin_fgetc, {in}), "120");
    char buffer[16];
    NodeRef got = call(builtin_fgets, {addr(buffer), num(sizeof buffer), in});
    EXPECT_EQ(as_pointer(got), buffer);
    EXPECT_STREQ(buffer, "line\n");
    EXPECT_EQ(answer(builtin_fgetc, {in}), "255");  // not EOF
    EXPECT_EQ(answer(builtin_fgetc, {in}), "01");
    EXPECT_EQ(answer(builtin_fgets, {addr(buffer), num(sizeof buffer), in}), "0");
    EXPECT_EQ(answer(builtin_ungetc, {num(-1), in}), "01");  // EOF pushes nothing
    EXPECT_EQ(answer(builtin_fclose, {in}), "0");

    EXPECT_EQ(answer(builtin_rename, {path("a.txt"), path("b.txt")}), "0");
    EXPECT_EQ(contents("b.txt"), "hAline\n\xFF");
    EXPECT_EQ(answer(builtin_rename, {path("a.txt"), path("c.txt")}), "01");
    EXPECT_EQ(answer(builtin_remove, {path("b.txt")}), "0");
    EXPECT_EQ(contents("b.txt"), "<missing>");
    errno = 0;
    EXPECT_EQ(answer(builtin_remove, {path("b.txt")}), "01");
    EXPECT_EQ(errno, ENOENT);
}

TEST_F(HostStreams, FgetsReadsALongLineInPieces) {
    write_file("long.txt", "0123456789abcdefghi\n");
    NodeRef in = open("long.txt", "r");
    char buffer[10];
    EXPECT_EQ(as_pointer(call(builtin_fgets, {addr(buffer), num(10), in})), buffer);
    EXPECT_STREQ(buffer, "012345678");
    call(builtin_fgets, {addr(buffer), leaf("4294967306"), in});  // 2^32 + 10 is 10
    EXPECT_STREQ(buffer, "9abcdefgh");
    call(builtin_fclose, {in});
}

TEST_F(HostStreams, OpenFailuresAndWrongKinds) {
    errno = 0;
    EXPECT_EQ(text(open("missing.txt", "r")), "0");
    EXPECT_EQ(errno, ENOENT);
    EXPECT_EQ(answer(builtin_fopen, {real(1.0), cray()}), "Z");
    EXPECT_EQ(answer(builtin_fopen, {path("new.txt"), cray()}), "Z");
    EXPECT_EQ(answer(builtin_fopen, {path("new.txt"), leaf("K")}), "Z");
    EXPECT_EQ(contents("new.txt"), "<missing>");  // nothing opened
    EXPECT_EQ(answer(builtin_rename, {path("x"), real(1.0)}), "Z");
    EXPECT_EQ(answer(builtin_remove, {leaf("0017")}), "Z");
    // A null path or mode is refused before the host sees it.
    for (auto args : {std::pair{num(0), post("r")}, std::pair{path("n.txt"), num(0)}}) {
        errno = 0;
        EXPECT_EQ(answer(builtin_fopen, {args.first, args.second}), "0");
        EXPECT_EQ(errno, EINVAL);
    }
}

TEST_F(HostStreams, PathsAreTheTextsBytes) {
    // A byte string path ends at its first NUL byte.
    NodeRef out = call(builtin_fopen, {post(file("cut.txt") + std::string("\0tail", 5)), post("w")});
    ASSERT_NE(text(out), "0");
    call(builtin_fclose, {out});
    EXPECT_EQ(contents("cut.txt"), "");
    // A data leaf path keeps its brackets; a data pair is flattened.
    ASSERT_EQ(chdir(dir_.c_str()), 0);
    NodeRef leaf_path = call(builtin_fopen, {leaf("[d.txt]"), post("w")});
    NodeRef pair_path = call(builtin_fopen, {zits_pair("[e]", "[x]"), post("w")});
    ASSERT_EQ(chdir("/"), 0);
    call(builtin_fclose, {leaf_path});
    call(builtin_fclose, {pair_path});
    EXPECT_EQ(contents("[d.txt]"), "");
    EXPECT_EQ(contents("[e[x]]"), "");
}

TEST_F(HostStreams, DescriptorsAndTemporaryFiles) {
    int fd = ::open(file("fd.txt").c_str(), O_CREAT | O_WRONLY, 0600);
    ASSERT_GE(fd, 0);
    NodeRef stream = call(builtin_fdopen, {num((i64(1) << 32) + fd), post("w")});  // low 32 bits
    ASSERT_NE(text(stream), "0");
    EXPECT_EQ(answer(builtin_fileno, {stream}), std::to_string(fd));
    call(builtin_fputc, {num('q'), stream});
    EXPECT_EQ(answer(builtin_fclose, {stream}), "0");
    EXPECT_EQ(contents("fd.txt"), "q");
    EXPECT_EQ(answer(builtin_fdopen, {post("1"), post("w")}), "Z");
    errno = 0;
    EXPECT_EQ(answer(builtin_fdopen, {num(1), num(0)}), "0");
    EXPECT_EQ(errno, EINVAL);

    NodeRef tmp = call(builtin_tmpfile);
    ASSERT_NE(text(tmp), "0");
    EXPECT_EQ(answer(builtin_fputc, {num('t'), tmp}), "116");
    EXPECT_EQ(answer(builtin_fclose, {tmp}), "0");

    char name[260];
    EXPECT_EQ(as_pointer(call(builtin_tmpnam, {addr(name)})), name);
    EXPECT_GT(std::strlen(name), 0u);
    EXPECT_EQ(std::strncmp(name, "/tmp/file", 9), 0);
    EXPECT_NE(access(name, F_OK), 0);  // no file has the name
    NodeRef own = call(builtin_tmpnam, {num(0)});
    EXPECT_NE(as_pointer(own), nullptr);
    EXPECT_STRNE(as_pointer(own), name);
    EXPECT_EQ(answer(builtin_tmpnam, {post("buffer")}), "Z");
}

TEST_F(HostStreams, SetbufGivesTheProgramsBuffer) {
    NodeRef out = open("buf.txt", "w");
    char* buffer = static_cast<char*>(std::malloc(512));
    EXPECT_EQ(answer(builtin_setbuf, {out, addr(buffer)}), "I");
    call(builtin_fputc, {num('b'), out});
    EXPECT_EQ(buffer[0], 'b');  // the byte waits in the program's buffer
    EXPECT_EQ(contents("buf.txt"), "");
    call(builtin_fclose, {out});
    EXPECT_EQ(contents("buf.txt"), "b");
    std::free(buffer);

    NodeRef raw = open("raw.txt", "w");
    EXPECT_EQ(answer(builtin_setbuf, {raw, num(0)}), "I");
    call(builtin_fputc, {num('r'), raw});
    EXPECT_EQ(contents("raw.txt"), "r");  // unbuffered: written at once
    call(builtin_fclose, {raw});
    EXPECT_EQ(answer(builtin_setbuf, {raw, post("buffer")}), "Z");
}

TEST_F(HostStreams, NullStreamFailsWithEinval) {
    char buffer[8];
    struct Case {
        BuiltinFn fn;
        std::vector<NodeRef> args;
        const char* result;
    };
    NodeRef zero = num(0), byte = num('a'), text_at = addr("text");
    Case cases[] = {
        {builtin_fclose, {zero}, "01"},
        {builtin_fgetc, {zero}, "01"},
        {builtin_getc, {zero}, "01"},
        {builtin_ungetc, {byte, zero}, "01"},
        {builtin_fputc, {byte, zero}, "01"},
        {builtin_putc, {byte, zero}, "01"},
        {builtin_fputs, {text_at, zero}, "01"},
        {builtin_fputs, {zero, zero}, "01"},
        {builtin_fileno, {zero}, "01"},
        {builtin_fgets, {addr(buffer), num(8), zero}, "0"},
        {builtin_fgets, {zero, num(8), zero}, "0"},
        {builtin_setbuf, {zero, zero}, "I"},
        {builtin_puts, {zero}, "01"},
    };
    for (const Case& c : cases) {
        errno = 0;
        EXPECT_EQ(answer(c.fn, c.args), c.result) << c.result;
        EXPECT_EQ(errno, EINVAL) << c.result;
    }
}

TEST_F(HostStreams, IntegerClassPlaces) {
    NodeRef out = open("k.txt", "w");
    EXPECT_EQ(answer(builtin_fputs, {post("text"), out}), "Z");  // fputs takes an address
    EXPECT_EQ(answer(builtin_fputs, {leaf("[text]"), out}), "Z");
    EXPECT_EQ(answer(builtin_fgets, {post("buffer"), num(4), out}), "Z");
    EXPECT_EQ(answer(builtin_fputc, {real(65.0), out}), "Z");
    EXPECT_EQ(answer(builtin_fclose, {post("x")}), "Z");
    EXPECT_EQ(answer(builtin_fileno, {leaf("[x]")}), "Z");
    EXPECT_EQ(answer(builtin_fputc, {leaf("K"), out}), "0");  // K is the integer 0
    call(builtin_fclose, {out});
    EXPECT_EQ(contents("k.txt"), std::string(1, '\0'));
}

TEST_F(HostStandardStreams, SameStreamEveryCall) {
    EXPECT_EQ(answer(builtin_stdout), answer(builtin_stdout));
    EXPECT_EQ(as_pointer(call(builtin_stdout)), reinterpret_cast<const char*>(stdout));
    EXPECT_EQ(answer(builtin_fileno, {call(builtin_stdout)}), "1");
    EXPECT_EQ(answer(builtin_fileno, {call(builtin_stderr)}), "2");
}

TEST_F(HostStandardStreams, PutsPutcharAndPerror) {
    ChildOutcome end = capture_child([] {
        call(builtin_puts, {post(std::string("ab\0cd", 5))});
        call(builtin_puts, {leaf("[hi]")});
        call(builtin_puts, {zits_pair("[a]", "[b]")});
        call(builtin_putchar, {leaf("4294967361")});  // 2^32 + 65
        call(builtin_putchar, {leaf("K")});
        char own[] = "own";
        call(builtin_puts, {addr(own)});
        errno = ENOENT;
        call(builtin_perror, {post("")});
        errno = ENOENT;
        call(builtin_perror, {leaf("[p]")});
        errno = ENOENT;
        call(builtin_perror, {num(0)});
        std::fflush(stdout);
    });
    EXPECT_EQ(end.out, std::string("ab\n[hi]\n[a[b]]\nA\0own\n", 21));
    EXPECT_EQ(end.err,
              "No such file or directory\n[p]: No such file or directory\nNo such file or directory\n");
    EXPECT_EQ(answer(builtin_puts, {real(1.0)}), "Z");
    EXPECT_EQ(answer(builtin_perror, {cray()}), "Z");
    EXPECT_EQ(answer(builtin_putchar, {post("A")}), "Z");
}

TEST_F(HostStandardStreams, GetcharReadsStandardInput) {
    ChildOutcome end = capture_child([] {
        int fd = ::open("/dev/null", O_RDONLY);
        dup2(fd, 0);
        std::exit(answer(builtin_getchar) == "01" ? 0 : 1);
    });
    EXPECT_EQ(end.status, 0);
}

}  // namespace
