// The whole of a vorn process but main itself: start-up, the command line,
// loading, defining and running the program, and the exit status.
#include <sys/stat.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <new>

#include "abbrev.h"
#include "banner.h"
#include "define.h"
#include "entry.h"
#include "integer.h"
#include "node.h"
#include "report.h"
#include "run.h"
#include "s.h"
#include "socket_host.h"
#include "source.h"
#include "stack.h"
#include "status.h"

namespace {

// The usage banner: the art lines drawn for "usage" and a say line, with no
// colour and no reset sequence.
uint32_t main_usage() {
    stream_write_string(err_stream, banner_art(string_from_cstr("usage")));
    err_stream << " <say> vorn file args...\n";
    return STATUS_USAGE;
}

// True when path names something fopen can open that is not a directory
// (opening a directory succeeds here and would read as an empty program).
bool main_program_opens(const RtString& path) {
    std::FILE* file = std::fopen(string_cstr(path), "r");
    if (file == nullptr) return false;
    struct stat info;
    bool is_directory = fstat(fileno(file), &info) == 0 && S_ISDIR(info.st_mode);
    std::fclose(file);  // its result does not matter
    return !is_directory;
}

// The "Error." block of a program file that cannot be read.
uint32_t main_unreadable(const RtString& path) {
    out_stream << "Error.\n";
    err_stream << " Type: Start\n" << " Name: \"" << string_escape_for_display(string_copy(path))
               << "\"\n" << "Could not read program file.\n" << "\\/\n";
    return STATUS_ERROR;
}

// Writes the reset sequence and the banner of report when its kind is not
// "check"; returns whether it did. Releases report.
bool main_report_failed(Report report) {
    if (string_equal_cstr(report.kind, "check")) {
        report_release(report);
        return false;
    }
    err_stream << ANSI_RESET << report_format_banner(std::move(report));
    return true;
}

// What the run needs of the command line: the program file and the address of
// the argument vector slot that follows it.
struct MainRun {
    RtString* path;
    char** program_arguments;
    RunEngine engine;
    CompileCounts* counts;
};

// Loads, defines, checks and runs the program; the result's low 32 bits are
// the status.
uint32_t main_run_program(MainRun& run) {
    RtString text = file_read_text(string_copy(*run.path));
    prelude_load();
    if (main_report_failed(program_define(std::move(text)))) return STATUS_ERROR;
    u64 arguments = u64(reinterpret_cast<uintptr_t>(run.program_arguments));
    if (main_report_failed(run_main(arguments, run.engine, run.counts))) return STATUS_ERROR;
    return uint32_t(integer_to_i64(run_result()));
}

// The run, on the thread with the large stack. Memory that runs out under a
// table or a stack of the interpreter's own is the same failure as a node
// that cannot be had.
uint32_t main_run(void* raw) {
    try {
        return main_run_program(*static_cast<MainRun*>(raw));
    } catch (const std::bad_alloc&) {
        VORN_ASSERT(!"out of memory");
    }
    return STATUS_ERROR;
}

}  // namespace

int entry_main(int argc, char** argv, RunEngine engine, CompileCounts* counts) {
    node_heap_policy_apply();
    std::signal(SIGPIPE, SIG_IGN);  // a closed pipe shows as a failed write
    int socket_error = socket_library_start();
    if (socket_error != 0) {
        std::printf("WSAStartup failed: %d\n", socket_error);
        std::exit(status_exit_code(uint32_t(-1)));
    }
    VORN_ASSERT(argc != 0);
    if (argc == 1) return status_exit_code(main_usage());
    RtString path = string_from_cstr(argv[1]);
    if (!main_program_opens(path)) return status_exit_code(main_unreadable(path));
    MainRun run{&path, argv + 2, engine, counts};
    uint32_t status = status_run_on_thread(stack_run_bytes(), RUN_STACK_MIN_BYTES, main_run, &run);
    return status_exit_code(status);
}
