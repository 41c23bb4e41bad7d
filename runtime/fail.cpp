// Internal failure reports and the trace file.
#include "fail.h"

#include <cerrno>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "errno_guard.h"

void redv_fail(RtString word) {
    out_stream << "REDVFAIL: " << std::move(word) << "\n";
    assert_fail(__FILE__, __LINE__);
}

// Where both.bug is written; only tests move it.
static const char* bug_log_folder = BUG_LOG_FOLDER;

void bug_log_set_folder(const char* folder) { bug_log_folder = folder; }

void bug_log_append(RtString message) {
    ErrnoGuard keep;  // a trace line is not a failure of the program's
    std::string path = std::string(bug_log_folder) + "/both.bug";
    mkdir(bug_log_folder, 0777);  // almost always exists: refused, and that is ignored
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0666);
    if (fd >= 0) {
        const u8* bytes = string_bytes(message);
        i64 rest = string_length(message);
        while (rest > 0) {
            ssize_t n = write(fd, bytes, size_t(rest));
            if (n > 0) {
                bytes += n;
                rest -= n;
            } else if (!(n < 0 && errno == EINTR)) {
                break;  // a trace line is not worth stopping or looping for
            }
        }
        close(fd);
    }
    i64 length = string_length(message);
    VORN_ASSERT(length > 0 && string_bytes(message)[length - 1] == '\n');
}
