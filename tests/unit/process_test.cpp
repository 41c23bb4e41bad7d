// Process builtins: assert, exit, abort, system, getenv, raise, the random
// generator, errno and the error-number constants.
#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>

#include "capture.h"
#include "host.h"
#include "host_fixture.h"

using namespace host_test;

namespace {

using ProcessAssert = HostTest;
using ProcessEnd = HostTest;
using ProcessEnvironment = HostTest;
using ProcessRandom = HostTest;
using ProcessErrno = HostTest;
using ProcessSystem = HostTest;

TEST_F(ProcessAssert, TrueFalseAndOther) {
    EXPECT_EQ(answer(builtin_assert, {leaf("K")}), "I");
    EXPECT_EQ(answer(builtin_assert, {leaf("Kxy")}), "I");  // only the first byte counts
    NodeRef others[] = {num(1), leaf("Z"), post("K"), node_make_app(leaf("K"), leaf("1"))};
    for (const NodeRef& o : others) EXPECT_EQ(answer(builtin_assert, {o}), "Z") << text(o);
}

TEST_F(ProcessAssert, FalseReportsLine244AndLosesBufferedOutput) {
    ChildOutcome end = capture_child([] {
        call(builtin_putchar, {num('x')});  // held in the stdout buffer
        call(builtin_assert, {leaf("H")});
    });
    EXPECT_EQ(end.err, "ASSERTION FAILED:l:244\n");
    EXPECT_EQ(end.out, "");
    EXPECT_EQ(end.signal, SIGABRT);
}

TEST_F(ProcessEnd, ExitMapsTheLow32Bits) {
    struct Case {
        const char* status;
        int code;
    } cases[] = {
        {"4294967299", 3},  // 2^32 + 3
        {"256", 128},       // low byte 0, status not 0
        {"4294967296", 0},  // 2^32: the low 32 bits are 0
        {"0", 0},
        {"01", 255},
        {"7", 7},
    };
    for (const Case& c : cases) {
        ChildOutcome end = capture_child([&] {
            call(builtin_putchar, {num('A')});
            call(builtin_exit, {leaf(c.status)});
        });
        EXPECT_EQ(end.signal, 0) << c.status;
        EXPECT_EQ(end.status, c.code) << c.status;
        EXPECT_EQ(end.out, "A") << c.status;  // a normal end flushes the streams
    }
}

TEST_F(ProcessEnd, ExitOfANonIntegerGoesOn) {
    EXPECT_EQ(answer(builtin_exit, {post("3")}), "Z");
    EXPECT_EQ(answer(builtin_exit, {real(3.0)}), "Z");
}

TEST_F(ProcessEnd, AbortEndsAtOnceWithoutFlushing) {
    ChildOutcome end = capture_child([] {
        call(builtin_putchar, {num('x')});
        builtin_abort(leaf("abort"));
    });
    EXPECT_EQ(end.signal, SIGABRT);
    EXPECT_EQ(end.out, "");
    EXPECT_EQ(end.err, "");
}

TEST_F(ProcessRandom, TheGeneratorsSequence) {
    EXPECT_EQ(answer(builtin_srand, {num(1)}), "I");
    EXPECT_EQ(answer(builtin_rand), "41");
    EXPECT_EQ(answer(builtin_rand), "18467");
    EXPECT_EQ(answer(builtin_rand), "6334");
    call(builtin_srand, {leaf("4294967297")});  // 2^32 + 1 seeds as 1
    EXPECT_EQ(answer(builtin_rand), "41");
    call(builtin_srand, {num(0)});
    EXPECT_EQ(answer(builtin_rand), "38");
    EXPECT_EQ(answer(builtin_srand, {post("1")}), "Z");
    EXPECT_EQ(answer(builtin_rand_max), "32767");
}

TEST_F(ProcessErrno, ReadsTheHostsErrorNumber) {
    errno = ENOENT;
    EXPECT_EQ(answer(builtin_errno), "2");
    errno = -7;
    EXPECT_EQ(answer(builtin_errno), "07");
    EXPECT_EQ(answer(builtin_fopen, {post("/nonexistent/vorn/missing"), post("r")}), "0");
    EXPECT_EQ(answer(builtin_errno), "2");
}

TEST_F(ProcessErrno, ConstantsAreTheLinuxNumbers) {
    struct Case {
        BuiltinFn fn;
        const char* value;
    } cases[] = {
        {builtin_eacces, "13"},      {builtin_ebadf, "9"},        {builtin_econnaborted, "103"},
        {builtin_efault, "14"},      {builtin_eintr, "4"},        {builtin_einval, "22"},
        {builtin_eio, "5"},          {builtin_emfile, "24"},      {builtin_enfile, "23"},
        {builtin_enodev, "19"},      {builtin_enomem, "12"},      {builtin_enotsock, "88"},
        {builtin_enxio, "6"},        {builtin_eopnotsupp, "95"},  {builtin_eoverflow, "75"},
        {builtin_ewouldblock, "11"},
    };
    for (const Case& c : cases) EXPECT_EQ(text(c.fn(leaf("name"))), c.value);
}

TEST_F(ProcessEnvironment, GetenvAnswersTheAddressInTheEnvironment) {
    setenv("VORN_TEST_VALUE", "forty two", 1);
    NodeRef found = call(builtin_getenv, {post("VORN_TEST_VALUE")});
    EXPECT_EQ(as_pointer(found), std::getenv("VORN_TEST_VALUE"));
    EXPECT_STREQ(as_pointer(found), "forty two");
    EXPECT_EQ(answer(builtin_getenv, {post("VORN_TEST_UNSET_NAME")}), "0");
    EXPECT_EQ(answer(builtin_getenv, {post("vorn_test_value")}), "0");  // case matters
    errno = 0;
    EXPECT_EQ(answer(builtin_getenv, {num(0)}), "0");
    EXPECT_EQ(errno, EINVAL);
    EXPECT_EQ(answer(builtin_getenv, {leaf("K")}), "Z");
    unsetenv("VORN_TEST_VALUE");
}

TEST_F(ProcessEnvironment, RaiseKnowsOnlyItsSignals) {
    for (i64 n : {99, 1, 3, 23, 0, -2}) {
        errno = 0;
        EXPECT_EQ(answer(builtin_raise, {num(n)}), "01") << n;
        EXPECT_EQ(errno, EINVAL) << n;
    }
    EXPECT_EQ(answer(builtin_raise, {real(2.0)}), "Z");
    struct Case {
        i64 number;
        int signal;
    } cases[] = {{15, SIGTERM}, {21, SIGINT}, {22, SIGABRT}, {(i64(1) << 32) + 15, SIGTERM}};
    for (const Case& c : cases) {
        ChildOutcome end = capture_child([&] { call(builtin_raise, {num(c.number)}); });
        EXPECT_EQ(end.signal, c.signal) << c.number;
    }
}

TEST_F(ProcessSystem, RunsTheShellAndAnswersItsCode) {
    struct Case {
        const char* command;
        const char* code;
    } cases[] = {
        {"exit 3", "3"},
        {"true", "0"},
        {"kill -9 $$", "137"},
        {"exit 300", "44"},
    };
    for (const Case& c : cases) EXPECT_EQ(answer(builtin_system, {post(c.command)}), c.code) << c.command;
    EXPECT_EQ(answer(builtin_system, {num(0)}), "1");  // only asks whether a shell exists
    EXPECT_EQ(answer(builtin_system, {real(0.0)}), "Z");
}

TEST_F(ProcessSystem, TheChildSeesBrokenPipesAgain) {
    // SIGPIPE is ignored by the interpreter; the command gets it back.
    signal(SIGPIPE, SIG_IGN);
    EXPECT_EQ(answer(builtin_system, {post("kill -PIPE $$")}), "141");
    signal(SIGPIPE, SIG_DFL);
}

}  // namespace
