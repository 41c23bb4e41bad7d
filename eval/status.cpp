// Exit codes and the run thread.
#include "status.h"

#include <pthread.h>

#include "errno_guard.h"

int status_exit_code(uint32_t status) {
    if (status == 0) return 0;
    uint32_t low = status & 0xFFu;
    return low == 0 ? 128 : int(low);  // a zero low byte would read as success
}

namespace {

struct ThreadCall {
    uint32_t (*body)(void*);
    void* arg;
    uint32_t result;
};

void* thread_call_run(void* raw) {
    auto* call = static_cast<ThreadCall*>(raw);
    call->result = call->body(call->arg);
    return nullptr;
}

// Starts call on a new thread with the given stack; false when refused. A
// refused stack mapping leaves errno as it was.
bool status_thread_start(pthread_t& thread, size_t stack_bytes, ThreadCall& call) {
    ErrnoGuard keep;
    pthread_attr_t attr;
    if (pthread_attr_init(&attr) != 0) return false;
    bool started = pthread_attr_setstacksize(&attr, stack_bytes) == 0 &&
                   pthread_create(&thread, &attr, thread_call_run, &call) == 0;
    pthread_attr_destroy(&attr);
    return started;
}

}  // namespace

uint32_t status_run_on_thread(size_t stack_bytes, size_t min_bytes, uint32_t (*body)(void*), void* arg) {
    ThreadCall call{body, arg, 0};
    pthread_t thread;
    for (size_t bytes = stack_bytes; bytes >= min_bytes && bytes > 0; bytes /= 2) {
        if (status_thread_start(thread, bytes, call)) {
            pthread_join(thread, nullptr);
            return call.result;
        }
    }
    return body(arg);
}
