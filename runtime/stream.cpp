// Unbuffered output streams over descriptors 1 and 2, and the fatal
// assertion message written through them.
#include "s.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/resource.h>
#include <unistd.h>

const OutStream out_stream{1};
const OutStream err_stream{2};

// One write call of exactly n bytes; anything but n written is fatal. A call
// interrupted before writing anything is repeated.
static void stream_write_chunk(const OutStream& stream, const u8* bytes, size_t n) {
    ssize_t written;
    do {
        written = ::write(stream.fd, bytes, n);
    } while (written < 0 && errno == EINTR);
    VORN_ASSERT(written == ssize_t(n));
}

static void stream_write_bytes(const OutStream& stream, const u8* bytes, i64 n) {
    const i64 CHUNK = 4096;
    for (i64 offset = 0; offset < n;) {
        i64 size = n - offset < CHUNK ? n - offset : CHUNK;
        stream_write_chunk(stream, bytes + offset, size_t(size));
        offset += size;
    }
}

const OutStream& stream_write_int(const OutStream& stream, int32_t value) {
    char text[16];
    int n = std::snprintf(text, sizeof text, "%d", value);
    stream_write_chunk(stream, reinterpret_cast<const u8*>(text), size_t(n));
    return stream;
}

const OutStream& stream_write_string(const OutStream& stream, RtString s) {
    stream_write_bytes(stream, string_bytes(s), string_length(s));
    return stream;
}

const OutStream& stream_write_cstr(const OutStream& stream, const char* text) {
    stream_write_bytes(stream, reinterpret_cast<const u8*>(text), i64(std::strlen(text)));
    return stream;
}

// ---------------------------------------------------------------------------
// Fatal assertion
// ---------------------------------------------------------------------------

// Set while an assertion message is being written: a write failing inside it
// must not start a second message.
static bool assertion_failing = false;

void assert_fail(const char* file, int line) {
    if (assertion_failing) std::abort();
    assertion_failing = true;
    const char* base = file;
    for (const char* p = file; *p; ++p)
        if (*p == '/' || *p == '\\') base = p + 1;
    char name[256];
    size_t n = 0;
    const char* dot = std::strrchr(base, '.');
    size_t stem = dot ? size_t(dot - base) : std::strlen(base);
    while (n < stem && n + 1 < sizeof name) {
        name[n] = base[n];
        ++n;
    }
    name[n] = 0;
    stream_write_cstr(err_stream, "ASSERTION FAILED:");
    stream_write_cstr(err_stream, name);
    stream_write_cstr(err_stream, ":");
    stream_write_int(err_stream, line);
    stream_write_cstr(err_stream, "\n");
    struct rlimit no_core = {0, 0};
    setrlimit(RLIMIT_CORE, &no_core);  // an assertion is not worth a core file
    std::abort();
}
