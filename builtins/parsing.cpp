// Number parsing over the host's conversions, and absolute values.
#include "parsing.h"

#include <cerrno>
#include <cstdint>
#include <cstdlib>

#include "bridge.h"
#include "memory.h"

// The text argument k, or null after setting errno to EINVAL.
// Stores where parsing stopped at the end address argument k, if any; the
// address points into the text, so a flattened data text is kept alive.
static void parsing_store_end(BridgeCall& call, int k, const char* end) {
    void* cell = bridge_pointer<void>(call, k);
    if (!cell) return;
    bridge_pin_text(call, 0);
    memory_store<8>(cell, u64(reinterpret_cast<uintptr_t>(end)));
}

// The integer at the start of text in base, as a 32-bit long: clamped with
// errno ERANGE outside its range. *end receives where parsing stopped.
static int32_t parsing_long(const char* text, char** end, int base) {
    if (base != 0 && (base < 2 || base > 36)) {
        errno = EINVAL;
        *end = const_cast<char*>(text);
        return 0;
    }
    long long v = std::strtoll(text, end, base);
    if (v > INT32_MAX || v < INT32_MIN) {
        errno = ERANGE;
        return v > 0 ? INT32_MAX : INT32_MIN;
    }
    return int32_t(v);
}

// strtol and strtoul: the parsed long, its end stored; false for a null text.
static bool parsing_strtol(BridgeCall& call, int32_t* out) {
    const char* text = bridge_required_pointer<const char>(call, 0);
    if (!text) return false;
    char* end;
    *out = parsing_long(text, &end, bridge_int(call, 2));
    parsing_store_end(call, 1, end);
    return true;
}

NodeRef builtin_strtol(NodeRef app) {
    BridgeCall call;
    if (!bridge_take(call, std::move(app), "TII")) return bridge_error();
    int32_t v = 0;
    parsing_strtol(call, &v);
    return bridge_signed(v);
}

NodeRef builtin_strtoul(NodeRef app) {
    BridgeCall call;
    if (!bridge_take(call, std::move(app), "TII")) return bridge_error();
    int32_t v = 0;
    parsing_strtol(call, &v);
    return bridge_unsigned(u64(i64(v)));
}

NodeRef builtin_atoi(NodeRef app) {
    BridgeCall call;
    if (!bridge_take(call, std::move(app), "T")) return bridge_error();
    const char* text = bridge_required_pointer<const char>(call, 0);
    char* end;
    return bridge_signed(text ? parsing_long(text, &end, 10) : 0);
}

NodeRef builtin_atof(NodeRef app) {
    BridgeCall call;
    if (!bridge_take(call, std::move(app), "T")) return bridge_error();
    const char* text = bridge_required_pointer<const char>(call, 0);
    return bridge_real(text ? std::strtod(text, nullptr) : 0.0);
}

NodeRef builtin_strtod(NodeRef app) {
    BridgeCall call;
    if (!bridge_take(call, std::move(app), "TI")) return bridge_error();
    const char* text = bridge_required_pointer<const char>(call, 0);
    if (!text) return bridge_real(0.0);
    char* end;
    double v = std::strtod(text, &end);
    parsing_store_end(call, 1, end);
    return bridge_real(v);
}

NodeRef builtin_abs(NodeRef app) {
    BridgeCall call;
    if (!bridge_take(call, std::move(app), "I")) return bridge_error();
    u64 v = call.word[0];
    u64 negated = 0 - v;  // unsigned: no overflow at -2^63
    return bridge_signed(i64(negated) < 0 ? i64(v) : i64(negated));
}

NodeRef builtin_labs(NodeRef app) {
    BridgeCall call;
    if (!bridge_take(call, std::move(app), "I")) return bridge_error();
    uint32_t w = uint32_t(call.word[0]);
    uint32_t negated = 0 - w;
    return bridge_signed(int32_t(negated) < 0 ? int32_t(w) : int32_t(negated));
}
