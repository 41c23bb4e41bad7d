// Internal failure reports and the trace file.
#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/stat.h>

#include "capture.h"
#include "fail.h"

namespace {

TEST(RedvFail, ReportsOnStandardOutputThenAsserts) {
    ChildOutcome child = capture_child([] { redv_fail(string_from_cstr("truecast")); });
    EXPECT_EQ(child.signal, SIGABRT);
    EXPECT_EQ(child.out, "REDVFAIL: truecast\n");
    EXPECT_EQ(child.out.size(), 19u);
    EXPECT_TRUE(child.err.starts_with("ASSERTION FAILED:fail:")) << child.err;
    EXPECT_EQ(child.err.back(), '\n');
}

std::string trace_text() {
    std::ifstream file("/tmp/both.bug", std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

TEST(TraceFile, AppendsWholeLines) {
    std::string marker = "jjaa" + std::to_string(getpid()) + "-";
    size_t before = trace_text().size();
    bug_log_append(string_from_std(marker + "01\n"));
    bug_log_append(string_from_std(marker + "10\n"));
    // errno is left as it was, whatever creating "/tmp" and the file did.
    errno = EDOM;
    bug_log_append(string_from_std(marker + "11\n"));
    EXPECT_EQ(errno, EDOM);
    std::string added = trace_text().substr(before);
    size_t first = added.find(marker + "01\n");
    ASSERT_NE(first, std::string::npos) << added;
    EXPECT_NE(added.find(marker + "10\n", first), std::string::npos) << added;
}

TEST(TraceFileDeath, MessageMustEndWithNewline) {
    EXPECT_DEATH(bug_log_append(string_make_empty()), "ASSERTION FAILED:fail:[0-9]+\n");
}

}  // namespace
