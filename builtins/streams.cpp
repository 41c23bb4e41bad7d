// Stream builtins: opening and closing host streams, and character and line
// I/O through them.
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <ctime>

#include <sys/stat.h>
#include <unistd.h>

#include "bridge.h"
#include "host.h"
#include "streams.h"

// The buffer size that setbuf gives a stream: programs supply 512 bytes.
static const size_t SETBUF_SIZE = 512;

FILE* stream_arg(const BridgeCall& call, int k) { return bridge_required_pointer<FILE>(call, k); }

const char* stream_text_arg(const BridgeCall& call, int k) { return bridge_required_pointer<const char>(call, k); }

// ---------------------------------------------------------------------------
// Opening and closing
// ---------------------------------------------------------------------------

NodeRef builtin_fopen(NodeRef app) {
    BridgeCall call;
    if (!bridge_take(call, std::move(app), "TT")) return bridge_error();
    const char* path = stream_text_arg(call, 0);
    const char* mode = path ? stream_text_arg(call, 1) : nullptr;
    if (!mode) return bridge_address(nullptr);
    return bridge_address(std::fopen(path, mode));
}

NodeRef builtin_fdopen(NodeRef app) {
    BridgeCall call;
    if (!bridge_take(call, std::move(app), "IT")) return bridge_error();
    const char* mode = stream_text_arg(call, 1);
    if (!mode) return bridge_address(nullptr);
    return bridge_address(fdopen(bridge_int(call, 0), mode));
}

NodeRef builtin_tmpfile(NodeRef app) {
    noderef_release(app);
    return bridge_address(std::tmpfile());
}

// A name "/tmp/file" + six letters that no file has at the moment of the
// call, written to buffer or, when it is null, to a buffer of our own that
// the next call overwrites; null when no free name turns up. Our own rather
// than the C library's, whose use the linker warns about.
static char* host_tmpnam(char* buffer) {
    static char own[260];
    static const char LETTERS[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    static uint64_t state = uint64_t(getpid()) * 0x9E3779B97F4A7C15u ^ uint64_t(time(nullptr));
    char name[] = "/tmp/fileXXXXXX";
    for (int attempt = 0; attempt < 10000; ++attempt) {
        for (char* p = name + 9; *p; ++p) {
            state = state * 6364136223846793005u + 1442695040888963407u;
            *p = LETTERS[(state >> 33) % 62];
        }
        struct stat seen;
        if (lstat(name, &seen) == 0) continue;  // taken: try another
        if (errno != ENOENT) return nullptr;    // /tmp cannot be searched
        char* out = buffer ? buffer : own;
        std::memcpy(out, name, sizeof name);
        return out;
    }
    return nullptr;
}

NodeRef builtin_tmpnam(NodeRef app) {
    BridgeCall call;
    if (!bridge_take(call, std::move(app), "I")) return bridge_error();
    int saved = errno;
    char* name = host_tmpnam(bridge_pointer<char>(call, 0));
    if (name) errno = saved;
    return bridge_address(name);
}

NodeRef builtin_remove(NodeRef app) {
    BridgeCall call;
    if (!bridge_take(call, std::move(app), "T")) return bridge_error();
    return bridge_signed(std::remove(bridge_pointer<const char>(call, 0)));
}

NodeRef builtin_rename(NodeRef app) {
    BridgeCall call;
    if (!bridge_take(call, std::move(app), "TT")) return bridge_error();
    return bridge_signed(std::rename(bridge_pointer<const char>(call, 0), bridge_pointer<const char>(call, 1)));
}

NodeRef builtin_setbuf(NodeRef app) {
    BridgeCall call;
    if (!bridge_take(call, std::move(app), "II")) return bridge_error();
    FILE* stream = stream_arg(call, 0);
    char* buffer = bridge_pointer<char>(call, 1);
    // The host's own setbuf would assume a buffer of BUFSIZ bytes.
    if (stream) std::setvbuf(stream, buffer, buffer ? _IOFBF : _IONBF, SETBUF_SIZE);
    return bridge_unit();
}

NodeRef builtin_fclose(NodeRef app) {
    BridgeCall call;
    if (!bridge_take(call, std::move(app), "I")) return bridge_error();
    FILE* stream = stream_arg(call, 0);
    return bridge_signed(stream ? std::fclose(stream) : EOF);
}

NodeRef builtin_fileno(NodeRef app) {
    BridgeCall call;
    if (!bridge_take(call, std::move(app), "I")) return bridge_error();
    FILE* stream = stream_arg(call, 0);
    return bridge_signed(stream ? fileno(stream) : -1);
}

NodeRef builtin_stdout(NodeRef app) {
    noderef_release(app);
    return bridge_address(stdout);
}

NodeRef builtin_stderr(NodeRef app) {
    noderef_release(app);
    return bridge_address(stderr);
}

// ---------------------------------------------------------------------------
// Character and line I/O
// ---------------------------------------------------------------------------

// fgetc and getc: one byte from the stream argument.
static NodeRef stream_read_byte(NodeRef app) {
    BridgeCall call;
    if (!bridge_take(call, std::move(app), "I")) return bridge_error();
    FILE* stream = stream_arg(call, 0);
    return bridge_signed(stream ? std::fgetc(stream) : EOF);
}

NodeRef builtin_fgetc(NodeRef app) { return stream_read_byte(std::move(app)); }

NodeRef builtin_getc(NodeRef app) { return stream_read_byte(std::move(app)); }

NodeRef builtin_getchar(NodeRef app) {
    noderef_release(app);
    return bridge_signed(std::getchar());
}

NodeRef builtin_ungetc(NodeRef app) {
    BridgeCall call;
    if (!bridge_take(call, std::move(app), "II")) return bridge_error();
    FILE* stream = stream_arg(call, 1);
    return bridge_signed(stream ? std::ungetc(bridge_int(call, 0), stream) : EOF);
}

NodeRef builtin_fgets(NodeRef app) {
    BridgeCall call;
    if (!bridge_take(call, std::move(app), "III")) return bridge_error();
    char* buffer = stream_text_arg(call, 0) ? bridge_pointer<char>(call, 0) : nullptr;
    FILE* stream = buffer ? stream_arg(call, 2) : nullptr;
    if (!stream) return bridge_address(nullptr);
    return bridge_address(std::fgets(buffer, bridge_int(call, 1), stream));
}

// fputc and putc: one byte to the stream argument.
static NodeRef stream_write_byte(NodeRef app) {
    BridgeCall call;
    if (!bridge_take(call, std::move(app), "II")) return bridge_error();
    FILE* stream = stream_arg(call, 1);
    return bridge_signed(stream ? std::fputc(bridge_int(call, 0), stream) : EOF);
}

NodeRef builtin_fputc(NodeRef app) { return stream_write_byte(std::move(app)); }

NodeRef builtin_putc(NodeRef app) { return stream_write_byte(std::move(app)); }

NodeRef builtin_putchar(NodeRef app) {
    BridgeCall call;
    if (!bridge_take(call, std::move(app), "I")) return bridge_error();
    return bridge_signed(std::putchar(bridge_int(call, 0)));
}

NodeRef builtin_fputs(NodeRef app) {
    BridgeCall call;
    if (!bridge_take(call, std::move(app), "II")) return bridge_error();
    const char* text = stream_text_arg(call, 0);
    FILE* stream = text ? stream_arg(call, 1) : nullptr;
    return bridge_signed(stream ? std::fputs(text, stream) : EOF);
}

NodeRef builtin_puts(NodeRef app) {
    BridgeCall call;
    if (!bridge_take(call, std::move(app), "T")) return bridge_error();
    const char* text = stream_text_arg(call, 0);
    return bridge_signed(text ? std::puts(text) : EOF);
}

NodeRef builtin_perror(NodeRef app) {
    BridgeCall call;
    if (!bridge_take(call, std::move(app), "T")) return bridge_error();
    // The host's perror may fail on the way (reopening a redirected standard
    // error) and change errno; the program sees what the call before left.
    int saved = errno;
    std::perror(bridge_pointer<const char>(call, 0));  // null: the message alone
    errno = saved;
    return bridge_unit();
}
