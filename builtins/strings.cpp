// String examination builtins over NUL-terminated texts.
#include <climits>
#include <cstring>

#include "bridge.h"
#include "host.h"

// Takes the arguments by their classes and checks that no text argument is
// the null address, which names no string. False means "Z".
static bool strings_take(BridgeCall& call, NodeRef app, const char* classes) {
    if (!bridge_take(call, std::move(app), classes)) return false;
    for (int k = 0; classes[k]; ++k)
        if (classes[k] == BRIDGE_TEXT && call.word[k] == 0) return false;
    return true;
}

// The text argument k as unsigned bytes.
static const u8* strings_bytes(const BridgeCall& call, int k) { return bridge_pointer<const u8>(call, k); }

// A count argument as a bound: negative counts are huge unsigned ones.
static size_t strings_count(const BridgeCall& call, int k) { return size_t(call.word[k]); }

// -1, 0 or 1 as x is below, equal to or above y.
static int strings_sign(int x, int y) { return (x > y) - (x < y); }

// A..Z to a..z; every other byte, those from 128 up too, unchanged.
static int strings_fold(u8 c) { return c >= 'A' && c <= 'Z' ? c + 32 : c; }

// Compares at most limit bytes of a and b, folding case when asked: the
// first pair of (folded) bytes that differ, or 0 and 0 at the end.
struct StringsDifference {
    int a;
    int b;
};
static StringsDifference strings_compare(const u8* a, const u8* b, size_t limit, bool fold) {
    for (size_t i = 0; i < limit; ++i) {
        int x = fold ? strings_fold(a[i]) : a[i];
        int y = fold ? strings_fold(b[i]) : b[i];
        if (x != y || x == 0) return {x, y};
    }
    return {0, 0};
}

NodeRef builtin_strlen(NodeRef app) {
    BridgeCall call;
    if (!strings_take(call, std::move(app), "T")) return bridge_error();
    return bridge_signed(i64(std::strlen(bridge_pointer<const char>(call, 0))));
}

NodeRef builtin_strnlen(NodeRef app) {
    BridgeCall call;
    if (!strings_take(call, std::move(app), "TI")) return bridge_error();
    return bridge_signed(i64(strnlen(bridge_pointer<const char>(call, 0), strings_count(call, 1))));
}

NodeRef builtin_strcmp(NodeRef app) {
    BridgeCall call;
    if (!strings_take(call, std::move(app), "TT")) return bridge_error();
    StringsDifference d = strings_compare(strings_bytes(call, 0), strings_bytes(call, 1), SIZE_MAX, false);
    return bridge_signed(strings_sign(d.a, d.b));
}

NodeRef builtin_strncmp(NodeRef app) {
    BridgeCall call;
    if (!strings_take(call, std::move(app), "TTI")) return bridge_error();
    StringsDifference d =
        strings_compare(strings_bytes(call, 0), strings_bytes(call, 1), strings_count(call, 2), false);
    return bridge_signed(strings_sign(d.a, d.b));
}

NodeRef builtin_strcasecmp(NodeRef app) {
    BridgeCall call;
    if (!strings_take(call, std::move(app), "TT")) return bridge_error();
    StringsDifference d = strings_compare(strings_bytes(call, 0), strings_bytes(call, 1), SIZE_MAX, true);
    return bridge_signed(d.a - d.b);
}

NodeRef builtin_strncasecmp(NodeRef app) {
    BridgeCall call;
    if (!strings_take(call, std::move(app), "TTI")) return bridge_error();
    i64 n = bridge_i64(call, 2);
    size_t limit = n >= 0 && n <= INT_MAX ? size_t(n) : SIZE_MAX;  // outside the host's range: no bound
    StringsDifference d = strings_compare(strings_bytes(call, 0), strings_bytes(call, 1), limit, true);
    return bridge_signed(d.a - d.b);
}

// The answer of a search whose result points into the first text: the
// flattened data leaf behind it, if any, must outlive the call.
static NodeRef strings_found(BridgeCall& call, const char* found) {
    if (found) bridge_pin_text(call, 0);
    return bridge_address(found);
}

NodeRef builtin_strchr(NodeRef app) {
    BridgeCall call;
    if (!strings_take(call, std::move(app), "TI")) return bridge_error();
    return strings_found(call, std::strchr(bridge_pointer<const char>(call, 0), bridge_int(call, 1)));
}

NodeRef builtin_strrchr(NodeRef app) {
    BridgeCall call;
    if (!strings_take(call, std::move(app), "TI")) return bridge_error();
    return strings_found(call, std::strrchr(bridge_pointer<const char>(call, 0), bridge_int(call, 1)));
}

NodeRef builtin_strstr(NodeRef app) {
    BridgeCall call;
    if (!strings_take(call, std::move(app), "TT")) return bridge_error();
    return strings_found(call, std::strstr(bridge_pointer<const char>(call, 0), bridge_pointer<const char>(call, 1)));
}

NodeRef builtin_strpbrk(NodeRef app) {
    BridgeCall call;
    if (!strings_take(call, std::move(app), "TT")) return bridge_error();
    return strings_found(call, std::strpbrk(bridge_pointer<const char>(call, 0), bridge_pointer<const char>(call, 1)));
}

NodeRef builtin_strspn(NodeRef app) {
    BridgeCall call;
    if (!strings_take(call, std::move(app), "TT")) return bridge_error();
    return bridge_signed(i64(std::strspn(bridge_pointer<const char>(call, 0), bridge_pointer<const char>(call, 1))));
}
