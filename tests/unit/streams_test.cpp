// Output streams: one write call per chunk, exact bytes, and the assertion
// message written piece by piece.
#include <gtest/gtest.h>

#include <csignal>
#include <string>
#include <sys/socket.h>
#include <vector>

#include "capture.h"
#include "s.h"

namespace {

// A seqpacket socket keeps the boundaries of write calls: every call made on
// `writer` arrives as one message on `reader`.
struct CallRecorder {
    int reader = -1;
    int writer = -1;

    CallRecorder() {
        int fds[2];
        if (socketpair(AF_UNIX, SOCK_SEQPACKET, 0, fds) != 0) std::abort();
        reader = fds[0];
        writer = fds[1];
    }
    ~CallRecorder() {
        close(reader);
        if (writer >= 0) close(writer);
    }
    OutStream stream() const { return OutStream{writer}; }

    // The texts of the write calls made so far, in order.
    std::vector<std::string> calls() const {
        std::vector<std::string> texts;
        std::vector<char> buffer(1 << 16);
        ssize_t n;
        while ((n = recv(reader, buffer.data(), buffer.size(), MSG_DONTWAIT)) >= 0)
            texts.emplace_back(buffer.data(), size_t(n));
        return texts;
    }
};

using Calls = std::vector<std::string>;

TEST(OutStream, ChunksOfAtMost4096) {
    struct Case {
        size_t size;
        std::vector<size_t> chunks;
    } cases[] = {
        {1, {1}}, {4096, {4096}}, {4097, {4096, 1}}, {8192, {4096, 4096}}, {10000, {4096, 4096, 1808}},
    };
    for (const Case& c : cases) {
        std::string text(c.size, 'x');
        for (size_t i = 0; i < c.size; ++i) text[i] = char('a' + i % 26);
        for (bool as_string : {false, true}) {
            CallRecorder rec;
            if (as_string)
                stream_write_string(rec.stream(), string_from_std(text));
            else
                stream_write_cstr(rec.stream(), text.c_str());
            Calls calls = rec.calls();
            ASSERT_EQ(calls.size(), c.chunks.size()) << c.size;
            std::string joined;
            for (size_t i = 0; i < calls.size(); ++i) {
                EXPECT_EQ(calls[i].size(), c.chunks[i]) << c.size;
                joined += calls[i];
            }
            EXPECT_EQ(joined, text);
        }
    }
}

TEST(OutStream, EmptyTextMakesNoCallButIsReleased) {
    CallRecorder rec;
    RtString empty = string_make_empty();
    stream_write_cstr(rec.stream(), "");
    stream_write_string(rec.stream(), string_copy(empty));
    EXPECT_EQ(string_refcount(empty), 1);
    EXPECT_TRUE(rec.calls().empty());
}

TEST(OutStream, StringWithNulBytesIsWrittenWhole) {
    CallRecorder rec;
    RtString text = string_from_bytes("a\0b\0", 4);
    stream_write_string(rec.stream(), string_copy(text));
    EXPECT_EQ(rec.calls(), Calls{std::string("a\0b\0", 4)});
    EXPECT_EQ(string_refcount(text), 1);
}

TEST(OutStream, IntIsOneCall) {
    CallRecorder rec;
    for (int32_t v : {0, 7, -1, 2147483647, -2147483647 - 1}) stream_write_int(rec.stream(), v);
    EXPECT_EQ(rec.calls(), (Calls{"0", "7", "-1", "2147483647", "-2147483648"}));
}

TEST(OutStream, ChainedWritesKeepTheirOrder) {
    CallRecorder rec;
    rec.stream() << "line " << int32_t(12) << string_from_cstr(": x") << "\n";
    EXPECT_EQ(rec.calls(), (Calls{"line ", "12", ": x", "\n"}));
}

TEST(OutStream, StandardInstances) {
    EXPECT_EQ(out_stream.fd, 1);
    EXPECT_EQ(err_stream.fd, 2);
}

TEST(AssertionMessage, WrittenPieceByPieceThenAbort) {
    CallRecorder rec;
    const int line = __LINE__ + 3;
    ChildOutcome child = capture_child([&] {
        dup2(rec.writer, 2);
        VORN_ASSERT(1 + 1 == 3);
    });
    EXPECT_EQ(child.signal, SIGABRT);
    EXPECT_EQ(rec.calls(), (Calls{"ASSERTION FAILED:", "streams_test", ":", std::to_string(line), "\n"}));
}

TEST(AssertionMessage, ExactText) {
    const int line = __LINE__ + 1;
    ChildOutcome child = capture_child([] { VORN_ASSERT(false); });
    EXPECT_EQ(child.signal, SIGABRT);
    EXPECT_EQ(child.err, "ASSERTION FAILED:streams_test:" + std::to_string(line) + "\n");
    EXPECT_EQ(child.out, "");
}

TEST(AssertionMessage, NamesTheSourceWithoutFoldersOrExtension) {
    EXPECT_EQ(capture_child([] { assert_fail("/a/b.c/s.h", 7); }).err, "ASSERTION FAILED:s:7\n");
    EXPECT_EQ(capture_child([] { assert_fail("runtime/stream.cpp", 1); }).err, "ASSERTION FAILED:stream:1\n");
    EXPECT_EQ(capture_child([] { assert_fail("plain", 0); }).err, "ASSERTION FAILED:plain:0\n");
}

TEST(AssertionMessage, FailedWriteIsFatal) {
    ChildOutcome child = capture_child([] {
        signal(SIGPIPE, SIG_IGN);
        int fds[2];
        if (pipe(fds) != 0) std::abort();
        close(fds[0]);
        stream_write_cstr(OutStream{fds[1]}, "lost");
    });
    EXPECT_EQ(child.signal, SIGABRT);
    EXPECT_TRUE(child.err.starts_with("ASSERTION FAILED:stream:")) << child.err;
    EXPECT_EQ(child.err.back(), '\n');
}

// When standard error itself fails, the message cannot be finished: the
// process still aborts, once, without looping into further messages.
TEST(AssertionMessage, FailureWhileReportingAborts) {
    ChildOutcome child = capture_child([] {
        close(2);
        VORN_ASSERT(false);
    });
    EXPECT_EQ(child.signal, SIGABRT);
    EXPECT_EQ(child.err, "");
}

}  // namespace
