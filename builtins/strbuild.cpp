// String building builtins: copies, joins, duplicates, error messages and
// the tokeniser.
#include "strbuild.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "bridge.h"
#include "memory.h"

// Room for any message of the host's strerror.
static const size_t STRBUILD_MESSAGE_SIZE = 256;

// Takes the arguments by their classes; false when a test failed (*error
// is then "Z") or an address argument is null (*error is then 0, errno
// EINVAL).
static bool strbuild_take(BridgeCall& call, NodeRef app, const char* classes, NodeRef* error) {
    if (!bridge_take(call, std::move(app), classes)) {
        *error = bridge_error();
        return false;
    }
    for (int k = 0; k < 2; ++k)
        if (call.word[k] == 0) {
            errno = EINVAL;
            *error = bridge_signed(0);
            return false;
        }
    return true;
}

// Copies n bytes of src to dest and a NUL after them; the source measured
// before, so the ranges may overlap.
static void strbuild_put(char* dest, const char* src, size_t n) {
    std::memmove(dest, src, n);
    dest[n] = '\0';
}

NodeRef builtin_strcpy(NodeRef app) {
    BridgeCall call;
    NodeRef error{nullptr};
    if (!strbuild_take(call, std::move(app), "IT", &error)) return error;
    const char* src = bridge_pointer<const char>(call, 1);
    strbuild_put(bridge_pointer<char>(call, 0), src, std::strlen(src));
    return bridge_signed(bridge_i64(call, 0));
}

NodeRef builtin_strncpy(NodeRef app) {
    BridgeCall call;
    NodeRef error{nullptr};
    if (!strbuild_take(call, std::move(app), "III", &error)) return error;
    if (bridge_i64(call, 2) < 0) {  // no memory holds 2^63 bytes
        errno = EINVAL;
        return bridge_signed(0);
    }
    std::strncpy(bridge_pointer<char>(call, 0), bridge_pointer<const char>(call, 1), call.word[2]);
    return bridge_signed(bridge_i64(call, 0));
}

// strcat and strncat: appends at most limit bytes of the source.
static NodeRef strbuild_append(NodeRef app, const char* classes) {
    BridgeCall call;
    NodeRef error{nullptr};
    if (!strbuild_take(call, std::move(app), classes, &error)) return error;
    const char* src = bridge_pointer<const char>(call, 1);
    size_t limit = call.count == 3 ? size_t(call.word[2]) : SIZE_MAX;
    size_t n = strnlen(src, limit);  // before the destination's NUL goes
    char* dest = bridge_pointer<char>(call, 0);
    strbuild_put(dest + std::strlen(dest), src, n);
    return bridge_signed(bridge_i64(call, 0));
}

NodeRef builtin_strcat(NodeRef app) { return strbuild_append(std::move(app), "IT"); }

NodeRef builtin_strncat(NodeRef app) { return strbuild_append(std::move(app), "ITI"); }

NodeRef builtin_strdup(NodeRef app) {
    BridgeCall call;
    if (!bridge_take(call, std::move(app), "T")) return bridge_error();
    const char* src = bridge_pointer<const char>(call, 0);
    if (!src) return bridge_signed(0);
    size_t n = std::strlen(src);
    char* block = static_cast<char*>(std::malloc(n + 1));
    if (block) std::memcpy(block, src, n + 1);
    return bridge_address(block);
}

NodeRef builtin_strerror(NodeRef app) {
    static char message[STRBUILD_MESSAGE_SIZE];
    BridgeCall call;
    if (!bridge_take(call, std::move(app), "I")) return bridge_error();
    int saved = errno;
    char scratch[STRBUILD_MESSAGE_SIZE];
    const char* text = strerror_r(bridge_int(call, 0), scratch, sizeof scratch);
    std::snprintf(message, sizeof message, "%s", text);
    errno = saved;
    return bridge_address(message);
}

// The tokeniser: cuts the next token from start (or from *saved when start
// is null) at the bytes of delims and updates *saved; null when no token is
// left, or when there is no position at all (errno EINVAL, *saved kept).
static char* strbuild_token(char* start, const char* delims, char** saved) {
    char* at = start ? start : *saved;
    if (!at) {
        errno = EINVAL;
        return nullptr;
    }
    at += std::strspn(at, delims);
    if (*at == '\0') {
        *saved = at;
        return nullptr;
    }
    char* token = at;
    at += std::strcspn(at, delims);
    if (*at != '\0') *at++ = '\0';  // the delimiter ends the token
    *saved = at;
    return token;
}

// A null delimiter set refuses the call: 0, errno EINVAL.
NodeRef builtin_strtok(NodeRef app) {
    static char* saved = nullptr;  // the one process-wide position
    BridgeCall call;
    if (!bridge_take(call, std::move(app), "IT")) return bridge_error();
    const char* delims = bridge_required_pointer<const char>(call, 1);
    if (!delims) return bridge_signed(0);
    return bridge_address(strbuild_token(bridge_pointer<char>(call, 0), delims, &saved));
}

NodeRef builtin_strtok_r(NodeRef app) {
    BridgeCall call;
    if (!bridge_take(call, std::move(app), "ITI")) return bridge_error();
    const char* delims = bridge_required_pointer<const char>(call, 1);
    void* cell = bridge_pointer<void>(call, 2);
    if (!delims || !cell) {
        errno = EINVAL;
        return bridge_signed(0);
    }
    char* saved = reinterpret_cast<char*>(uintptr_t(memory_load<8>(cell)));
    char* token = strbuild_token(bridge_pointer<char>(call, 0), delims, &saved);
    memory_store<8>(cell, u64(reinterpret_cast<uintptr_t>(saved)));
    return bridge_address(token);
}
