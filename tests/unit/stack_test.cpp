// The run's C stack: the size asked for under a memory limit, and the room
// left on threads of known stacks.
#include <gtest/gtest.h>

#include "stack.h"
#include "stack_fixture.h"
#include "status.h"

namespace {

TEST(Stack, BytesForALimit) {
    const size_t MIB = size_t(1) << 20;
    struct Case {
        size_t limit, bytes;
    } cases[] = {
        {0, RUN_STACK_BYTES},  // no limit
        {size_t(1) << 40, RUN_STACK_BYTES},
        {16 * RUN_STACK_BYTES, RUN_STACK_BYTES},
        {size_t(1) << 30, 256 * MIB},  // ulimit -v 1048576
        {307200 * size_t(1024), 64 * MIB},  // ulimit -v 307200: a quarter is 75 MiB
        {64 * MIB, 16 * MIB},
        {64 * MIB - 1, 8 * MIB},
        {3, 0},
    };
    for (auto c : cases) EXPECT_EQ(stack_bytes_for_limit(c.limit), c.bytes) << c.limit;
}

// The room measured at the start of a thread's body: within the stack the
// thread was given, and most of it.
uint32_t stack_test_room(void* arg) {
    size_t given = *static_cast<size_t*>(arg);
    size_t room = stack_room();
    return room <= given && room >= given - given / 8;
}

// At least the room asked for: the host may hand out a larger cached stack.
uint32_t stack_test_room_at_least(void* arg) {
    return stack_room() >= *static_cast<size_t*>(arg) / 8 * 7;
}

// One level deeper than its caller: less room.
[[gnu::noinline]] size_t stack_test_room_below(volatile char* keep) {
    volatile char frame[4096];
    frame[0] = keep[0];
    return stack_room() + size_t(frame[0] - keep[0]);
}

TEST(Stack, RoomOfTheThreadsStack) {
    for (size_t bytes : {size_t(256) << 10, size_t(4) << 20, size_t(64) << 20}) {
        EXPECT_EQ(stack_test::run_on_stack(bytes, stack_test_room, &bytes), 1u) << bytes;
        EXPECT_EQ(status_run_on_thread(bytes, bytes, stack_test_room_at_least, &bytes), 1u) << bytes;
    }
    volatile char here[1] = {0};
    EXPECT_LT(stack_test_room_below(here), stack_room());
    EXPECT_GT(stack_room(), 0u);  // the test's own thread has a stack too
}

}  // namespace
