// Test helper: the trace file moved into a fresh folder of the test's own
// while the helper lives. The machine's "/tmp/both.bug" may belong to
// another user who ran vorn first, so no test reads or writes it.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>

#include "fail.h"

struct TraceFolder {
    std::string folder;

    TraceFolder() {
        char pattern[] = "/tmp/vorn_trace_XXXXXX";
        if (!mkdtemp(pattern)) std::abort();
        folder = pattern;
        bug_log_set_folder(folder.c_str());
    }
    ~TraceFolder() {
        bug_log_set_folder(BUG_LOG_FOLDER);
        std::remove(file().c_str());
        rmdir(folder.c_str());
    }
    TraceFolder(const TraceFolder&) = delete;
    TraceFolder& operator=(const TraceFolder&) = delete;

    std::string file() const { return folder + "/both.bug"; }

    // The trace file's bytes; "" while it does not exist.
    std::string text() const {
        std::ifstream in(file(), std::ios::binary);
        std::stringstream bytes;
        bytes << in.rdbuf();
        return bytes.str();
    }
};
