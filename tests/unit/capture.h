// Test helper: runs a function in a child process and captures what it
// writes on descriptors 1 and 2 and how it ends, for exact message checks.
#pragma once

#include <csignal>
#include <cstdlib>
#include <functional>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

struct ChildOutcome {
    std::string out;  // bytes written to descriptor 1
    std::string err;  // bytes written to descriptor 2
    int signal = 0;   // the terminating signal, 0 for a normal exit
    int status = 0;   // exit status of a normal exit
};

inline std::string capture_read_all(int fd) {
    std::string text;
    char buffer[4096];
    ssize_t n;
    while ((n = read(fd, buffer, sizeof buffer)) > 0) text.append(buffer, size_t(n));
    return text;
}

// Runs body in a forked child; a body that returns exits with status 0.
inline ChildOutcome capture_child(const std::function<void()>& body) {
    int out_pipe[2], err_pipe[2];
    if (pipe(out_pipe) != 0 || pipe(err_pipe) != 0) std::abort();
    pid_t pid = fork();
    if (pid == 0) {
        dup2(out_pipe[1], 1);
        dup2(err_pipe[1], 2);
        close(out_pipe[0]);
        close(err_pipe[0]);
        close(out_pipe[1]);
        close(err_pipe[1]);
        body();
        _exit(0);
    }
    close(out_pipe[1]);
    close(err_pipe[1]);
    ChildOutcome outcome;
    // Messages here are small, well under a pipe's capacity, so reading one
    // pipe after the other cannot block the child.
    outcome.out = capture_read_all(out_pipe[0]);
    outcome.err = capture_read_all(err_pipe[0]);
    close(out_pipe[0]);
    close(err_pipe[0]);
    int wstatus = 0;
    waitpid(pid, &wstatus, 0);
    if (WIFSIGNALED(wstatus)) outcome.signal = WTERMSIG(wstatus);
    if (WIFEXITED(wstatus)) outcome.status = WEXITSTATUS(wstatus);
    return outcome;
}
