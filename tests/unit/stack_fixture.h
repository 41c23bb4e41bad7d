// Runs a test body on a thread whose stack is exactly the size given: the
// host's cache of thread stacks may otherwise hand a thread a larger one.
#pragma once

#include <pthread.h>

#include <cstdint>
#include <cstdlib>

namespace stack_test {

struct StackCall {
    uint32_t (*body)(void*);
    void* arg;
    uint32_t result;
};

inline void* stack_test_call(void* raw) {
    auto* call = static_cast<StackCall*>(raw);
    call->result = call->body(call->arg);
    return nullptr;
}

// body(arg) on a new thread with a stack of bytes (a multiple of the page
// size); UINT32_MAX when the thread cannot be made.
inline uint32_t run_on_stack(size_t bytes, uint32_t (*body)(void*), void* arg) {
    void* stack = std::aligned_alloc(1 << 16, bytes);
    StackCall call{body, arg, UINT32_MAX};
    pthread_attr_t attr;
    pthread_t thread;
    if (stack && pthread_attr_init(&attr) == 0) {
        if (pthread_attr_setstack(&attr, stack, bytes) == 0 &&
            pthread_create(&thread, &attr, stack_test_call, &call) == 0)
            pthread_join(thread, nullptr);
        pthread_attr_destroy(&attr);
    }
    std::free(stack);
    return call.result;
}

}  // namespace stack_test
