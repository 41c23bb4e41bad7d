// The C stack of a run: how large a stack the run's thread asks for, and how
// much of the stack the calling thread has left. Code whose C stack grows
// with the nesting of what it works on (run-time loading inside loading,
// the compiler over nested bodies) asks before each level, so no depth can
// overrun whatever stack the host granted.
#pragma once

#include <cstddef>

// The stack the run's thread asks for first: stack_bytes_for_limit of the
// smaller of the address-space and data limits the process runs under.
size_t stack_run_bytes();

// The stack to ask for under a memory limit of limit_bytes (0 for none):
// RUN_STACK_BYTES, or under a limit the largest power of two up to a quarter
// of it, which leaves the rest to the heap (a level of nesting takes more
// heap than stack). 0 for a limit below 4 bytes.
size_t stack_bytes_for_limit(size_t limit_bytes);

// The bytes of the calling thread's stack that lie below the caller's frame.
size_t stack_room();
