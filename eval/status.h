// Process exit statuses and the worker thread that carries a run. Every way
// out of vorn computes a 32-bit status and hands it to status_exit_code.
#pragma once

#include <cstddef>
#include <cstdint>

// The status of a usage banner (no program file).
constexpr uint32_t STATUS_USAGE = 1;
// The status of the "Error." block and of every error banner.
constexpr uint32_t STATUS_ERROR = 0x80000000u;
// The stack a run's thread asks for: nested evaluations (run-time loading,
// marks evaluated at check time) each take a stretch of it. Only address
// space is taken until the nesting reaches it.
constexpr size_t RUN_STACK_BYTES = size_t(4) << 30;
// The least stack a run's thread settles for when the host refuses more.
// Small is still better than the calling thread's stack: a thread's stack is
// mapped whole when the thread starts, while the calling thread's grows page
// by page and faults when an address-space limit is reached first. Nesting
// is bounded by the stack obtained, whatever its size.
constexpr size_t RUN_STACK_MIN_BYTES = size_t(4) << 20;

// The process exit code for a 32-bit status: 0 stays 0; a non-zero status
// whose low byte is 0 (STATUS_ERROR, 256) gives 128; any other its low byte
// (so -1 gives 255 and 2^32 + 2, cut to 32 bits, gives 2).
int status_exit_code(uint32_t status);

// Runs body(arg) on a new thread with a stack of stack_bytes, or of half as
// much and so on down to min_bytes when the host refuses, waits for it and
// returns its result. When no such thread can be made at all, body runs on
// the calling thread instead. Either way errno is as body's thread had it
// before: a new thread's errno starts at 0, and the attempts leave the
// caller's as they found it.
uint32_t status_run_on_thread(size_t stack_bytes, size_t min_bytes, uint32_t (*body)(void*), void* arg);
