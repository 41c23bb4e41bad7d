// vorn_peak: the peak memory of the compiled evaluator against the term
// machine's. For each program it runs vorn and vorn_term (output thrown
// away), reads each run's peak resident size from the kernel, and fails
// when vorn's passes the term machine's by more than a tenth (plus a
// little for the compiler's own code and tables). Built with the tests
// only and never installed.
//
//   vorn_peak VORN VORN_TERM PROGRAM...
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>

namespace {

// What the compiler's code and tables may add to any run, in KiB.
constexpr long FIXED_ALLOWANCE_KB = 512;

// The peak resident size of `binary program` in KiB, or -1 when it could
// not be run or did not end normally.
long peak_of(const char* binary, const char* program) {
    pid_t pid = fork();
    if (pid < 0) return -1;
    if (pid == 0) {
        int null = open("/dev/null", O_WRONLY);
        if (null >= 0) {
            dup2(null, 1);
            dup2(null, 2);
        }
        execl(binary, binary, program, static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    struct rusage usage {};
    if (wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) == 127) return -1;
    return usage.ru_maxrss;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: vorn_peak VORN VORN_TERM PROGRAM...\n");
        return 2;
    }
    int failed = 0;
    for (int i = 3; i < argc; ++i) {
        long best = peak_of(argv[1], argv[i]);
        long term = peak_of(argv[2], argv[i]);
        bool ok = best >= 0 && term >= 0 && best <= term + term / 10 + FIXED_ALLOWANCE_KB;
        std::printf("%-4s %s: vorn %ld KiB, term machine %ld KiB\n", ok ? "ok" : "FAIL", argv[i], best, term);
        failed += !ok;
    }
    return failed == 0 ? 0 : 1;
}
