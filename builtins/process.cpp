// Process, environment and error-number builtins.
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include "bridge.h"
#include "host.h"
#include "status.h"
#include "values.h"

extern char** environ;

// The one source and line that a false assert reports, whatever program line
// asked for it.
static const char* const ASSERT_SOURCE = "l";
static const int ASSERT_LINE = 244;

// The shell that system runs commands with.
static const char* const SHELL_PATH = "/bin/sh";

NodeRef builtin_constant_leaf(NodeRef app, i64 v) {
    noderef_release(app);
    return bridge_signed(v);
}

NodeRef builtin_abort(NodeRef app) {
    (void)app;  // nothing is released on the way out
    std::abort();
}

NodeRef builtin_assert(NodeRef app) {
    NodeRef b = node_right(app);
    noderef_release(app);
    u8 first = node_is_leaf(b.node) ? leaf_bytes(b.node)[0] : 0;
    if (first == 'K') return bridge_unit();
    if (first != 'H') return bridge_error();
    boolean_require(std::move(b));
    assert_fail(ASSERT_SOURCE, ASSERT_LINE);
}

NodeRef builtin_exit(NodeRef app) {
    int code;
    {
        BridgeCall call;
        if (!bridge_take(call, std::move(app), "I")) return bridge_error();
        code = status_exit_code(uint32_t(call.word[0]));
    }  // the call's handles go before the exit handlers run
    std::exit(code);
}

// The exit code of a wait status: the child's own, or 128 + the signal that
// ended it.
static int process_wait_code(int wstatus) {
    if (WIFEXITED(wstatus)) return WEXITSTATUS(wstatus);
    if (WIFSIGNALED(wstatus)) return 128 + WTERMSIG(wstatus);
    return -1;
}

// Runs command with the shell and waits for it, as the C library's system
// does: the child gets SIGPIPE, SIGINT and SIGQUIT back at their defaults
// and the caller's signal mask; meanwhile this process ignores SIGINT and
// SIGQUIT and blocks SIGCHLD. -1 when no child could be started.
static int process_run_shell(const char* command) {
    struct sigaction ignore = {}, old_int, old_quit;
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    sigaction(SIGINT, &ignore, &old_int);
    sigaction(SIGQUIT, &ignore, &old_quit);
    sigset_t chld, old_mask;
    sigemptyset(&chld);
    sigaddset(&chld, SIGCHLD);
    pthread_sigmask(SIG_BLOCK, &chld, &old_mask);

    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    sigaddset(&defaults, SIGINT);
    sigaddset(&defaults, SIGQUIT);
    posix_spawnattr_setsigdefault(&attr, &defaults);
    posix_spawnattr_setsigmask(&attr, &old_mask);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);
    char arg0[] = "sh", arg1[] = "-c";
    char* argv[] = {arg0, arg1, const_cast<char*>(command), nullptr};
    pid_t pid;
    int code = -1;
    if (posix_spawn(&pid, SHELL_PATH, nullptr, &attr, argv, environ) == 0) {
        int wstatus;
        pid_t got;
        while ((got = waitpid(pid, &wstatus, 0)) < 0 && errno == EINTR) {
        }
        if (got == pid) code = process_wait_code(wstatus);
    }
    posix_spawnattr_destroy(&attr);

    pthread_sigmask(SIG_SETMASK, &old_mask, nullptr);
    sigaction(SIGINT, &old_int, nullptr);
    sigaction(SIGQUIT, &old_quit, nullptr);
    return code;
}

NodeRef builtin_system(NodeRef app) {
    BridgeCall call;
    if (!bridge_take(call, std::move(app), "T")) return bridge_error();
    const char* command = bridge_pointer<const char>(call, 0);
    if (!command) return bridge_signed(access(SHELL_PATH, X_OK) == 0 ? 1 : 0);
    return bridge_signed(process_run_shell(command));
}

NodeRef builtin_getenv(NodeRef app) {
    BridgeCall call;
    if (!bridge_take(call, std::move(app), "T")) return bridge_error();
    const char* name = bridge_pointer<const char>(call, 0);
    if (!name) {
        errno = EINVAL;
        return bridge_signed(0);
    }
    return bridge_address(std::getenv(name));
}

// The host signal for one of the signal numbers programs may raise; 0 for
// any other number. 21 and 22 keep the meanings programs know them by (a
// terminating break, and abort).
static int process_signal_of(int number) {
    switch (number) {
        case 2: case 4: case 6: case 8: case 11: case 15: return number;
        case 21: return SIGINT;
        case 22: return SIGABRT;
        default: return 0;
    }
}

NodeRef builtin_raise(NodeRef app) {
    BridgeCall call;
    if (!bridge_take(call, std::move(app), "I")) return bridge_error();
    int signal_number = process_signal_of(bridge_int(call, 0));
    if (signal_number == 0) {
        errno = EINVAL;
        return bridge_signed(-1);
    }
    return bridge_signed(raise(signal_number));
}

// The generator's seed: process-wide, 1 at start.
static uint32_t rand_seed = 1;

NodeRef builtin_rand(NodeRef app) {
    noderef_release(app);
    rand_seed = rand_seed * 214013u + 2531011u;  // wraps modulo 2^32
    return bridge_signed((rand_seed >> 16) & 0x7FFF);
}

NodeRef builtin_srand(NodeRef app) {
    BridgeCall call;
    if (!bridge_take(call, std::move(app), "I")) return bridge_error();
    rand_seed = uint32_t(call.word[0]);
    return bridge_unit();
}

NodeRef builtin_errno(NodeRef app) {
    noderef_release(app);
    return bridge_signed(errno);
}
