// Internal failure reports and the trace file.
#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <fstream>
#include <sys/stat.h>

#include "capture.h"
#include "fail.h"
#include "trace_folder.h"

namespace {

TEST(RedvFail, ReportsOnStandardOutputThenAsserts) {
    ChildOutcome child = capture_child([] { redv_fail(string_from_cstr("truecast")); });
    EXPECT_EQ(child.signal, SIGABRT);
    EXPECT_EQ(child.out, "REDVFAIL: truecast\n");
    EXPECT_EQ(child.out.size(), 19u);
    EXPECT_TRUE(child.err.starts_with("ASSERTION FAILED:fail:")) << child.err;
    EXPECT_EQ(child.err.back(), '\n');
}

TEST(TraceFile, AppendsWholeLines) {
    TraceFolder trace;
    { std::ofstream(trace.file(), std::ios::binary) << "earlier run\n"; }
    bug_log_append(string_from_cstr("jjaa01\n"));
    // errno is left as it was, whatever creating the folder and the file did.
    errno = EDOM;
    bug_log_append(string_from_cstr("jjaa10\n"));
    EXPECT_EQ(errno, EDOM);
    EXPECT_EQ(trace.text(), "earlier run\njjaa01\njjaa10\n");
}

// A trace file that cannot be opened (here a folder stands in its place, so
// that it holds for root too) skips the line and the run goes on.
TEST(TraceFile, UnopenableFileSkipsTheLine) {
    TraceFolder trace;
    ASSERT_EQ(mkdir(trace.file().c_str(), 0755), 0);
    bug_log_append(string_from_cstr("jjaa01\n"));
    struct stat st;
    ASSERT_EQ(stat(trace.file().c_str(), &st), 0);
    EXPECT_TRUE(S_ISDIR(st.st_mode));
    rmdir(trace.file().c_str());
}

TEST(TraceFileDeath, MessageMustEndWithNewline) {
    EXPECT_DEATH(bug_log_append(string_make_empty()), "ASSERTION FAILED:fail:[0-9]+\n");
}

}  // namespace
