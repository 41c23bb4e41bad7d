// Exit codes and the run thread.
#include <gtest/gtest.h>

#include "status.h"

TEST(Status, ExitCodes) {
    struct Case {
        uint32_t status;
        int code;
    } cases[] = {
        {0, 0},
        {7, 7},
        {STATUS_USAGE, 1},
        {STATUS_ERROR, 128},
        {256, 128},
        {uint32_t(-1), 255},
        {uint32_t((uint64_t(1) << 32) + 2), 2},  // the program's value cut to 32 bits
        {uint32_t(uint64_t(1) << 32), 0},
        {0x80000001u, 1},
        {0x1FFu, 255},
    };
    for (auto c : cases) EXPECT_EQ(status_exit_code(c.status), c.code) << c.status;
}

namespace {

// Recurses depth times with a frame of about 1 KiB: needs more than a
// default 8 MiB stack for 20,000 levels.
uint32_t status_test_recurse(int depth) {
    volatile char frame[1024];
    frame[0] = char(depth);
    if (depth == 0) return 7;
    return status_test_recurse(depth - 1) + uint32_t(frame[0] - char(depth));
}

uint32_t status_test_body(void* arg) {
    return status_test_recurse(*static_cast<int*>(arg));
}

}  // namespace

TEST(Status, RunsOnLargeStack) {
    int depth = 20000;  // 20 MiB of frames: more than a default stack
    EXPECT_EQ(status_run_on_thread(RUN_STACK_BYTES, RUN_STACK_MIN_BYTES, status_test_body, &depth), 7u);
    // A stack no host can map is asked for in halves down to the least.
    EXPECT_EQ(status_run_on_thread(size_t(1) << 60, RUN_STACK_MIN_BYTES, status_test_body, &depth), 7u);
}
