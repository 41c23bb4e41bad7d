// The run's C stack: its size under the host's limits and the room left.
#include "stack.h"

#include <pthread.h>
#include <sys/resource.h>

#include <bit>
#include <cstdint>
#include <initializer_list>

#include "errno_guard.h"
#include "status.h"

namespace {

// The smaller of the address-space and data limits; 0 when neither is set.
size_t stack_memory_limit() {
    size_t least = 0;
    for (int resource : {RLIMIT_AS, RLIMIT_DATA}) {
        struct rlimit limit;
        if (getrlimit(resource, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) continue;
        size_t bytes = size_t(limit.rlim_cur);
        if (least == 0 || bytes < least) least = bytes;
    }
    return least;
}

// Assumed when the host will not say where the thread's stack ends: less
// than any thread of this process is given.
constexpr size_t STACK_ASSUMED_BYTES = size_t(4) << 20;

// The lowest usable address of the calling thread's stack: above its guard
// pages, if the host counts them in the stack it reports.
uintptr_t stack_low_end() {
    ErrnoGuard keep;  // the host may read its own tables to answer
    uintptr_t here = reinterpret_cast<uintptr_t>(__builtin_frame_address(0));
    uintptr_t low = here - STACK_ASSUMED_BYTES;
    pthread_attr_t attr;
    if (pthread_getattr_np(pthread_self(), &attr) != 0) return low;
    void* base = nullptr;
    size_t size = 0, guard = 0;
    if (pthread_attr_getstack(&attr, &base, &size) == 0) {
        if (pthread_attr_getguardsize(&attr, &guard) != 0) guard = 0;
        uintptr_t usable = reinterpret_cast<uintptr_t>(base) + guard;
        if (usable < here) low = usable;
    }
    pthread_attr_destroy(&attr);
    return low;
}

}  // namespace

size_t stack_bytes_for_limit(size_t limit_bytes) {
    if (limit_bytes == 0 || limit_bytes / 4 >= RUN_STACK_BYTES) return RUN_STACK_BYTES;
    return std::bit_floor(limit_bytes / 4);  // the rest is the heap's
}

size_t stack_run_bytes() {
    return stack_bytes_for_limit(stack_memory_limit());
}

size_t stack_room() {
    thread_local uintptr_t low = stack_low_end();  // each thread has its own stack
    uintptr_t here = reinterpret_cast<uintptr_t>(__builtin_frame_address(0));
    return here > low ? here - low : 0;
}
