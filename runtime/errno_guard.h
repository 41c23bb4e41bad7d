// The host's errno across the interpreter's own system calls: a program reads
// errno to learn why its last failing host call failed, so the calls the
// interpreter makes for itself (reserving memory, starting its thread,
// reading the program, the trace file) must leave it as they found it.
#pragma once

#include <cerrno>

// Saves errno when made and puts it back when it goes, unless keep_new was
// set (a host call whose errno is the program's answer): hold one for the
// length of an internal call that may set errno.
struct ErrnoGuard {
    int saved = errno;
    bool keep_new = false;
    ErrnoGuard() = default;
    ErrnoGuard(const ErrnoGuard&) = delete;
    ErrnoGuard& operator=(const ErrnoGuard&) = delete;
    ~ErrnoGuard() {
        if (!keep_new) errno = saved;
    }
};
