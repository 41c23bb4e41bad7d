// Mathematical builtins: one table of host functions by arity, and the three
// that take an integer second argument.
#include "mathfns.h"

#include <cerrno>
#include <cstdint>
#include <cstring>

#include "bridge.h"
#include "memory.h"

NodeRef math_unary(NodeRef app, double (*fn)(double)) {
    BridgeCall call;
    if (!bridge_take(call, std::move(app), "R")) return bridge_error();
    return bridge_real(fn(call.real[0]));
}

NodeRef math_binary(NodeRef app, double (*fn)(double, double)) {
    BridgeCall call;
    if (!bridge_take(call, std::move(app), "RR")) return bridge_error();
    return bridge_real(fn(call.real[0], call.real[1]));
}

double math_clear_sign(double x) {
    u64 bits;
    std::memcpy(&bits, &x, 8);
    bits &= ~(u64(1) << 63);
    std::memcpy(&x, &bits, 8);
    return x;
}

// The address second argument of frexp and modf, or null after setting
// errno to EINVAL.
static void* math_address_arg(const BridgeCall& call) {
    void* at = bridge_pointer<void>(call, 1);
    if (!at) errno = EINVAL;
    return at;
}

NodeRef builtin_frexp(NodeRef app) {
    BridgeCall call;
    if (!bridge_take(call, std::move(app), "RI")) return bridge_error();
    void* at = math_address_arg(call);
    if (!at) return bridge_real(0.0);
    int exponent;
    double fraction = std::frexp(call.real[0], &exponent);
    memory_store<4>(at, u64(uint32_t(exponent)));
    return bridge_real(fraction);
}

NodeRef builtin_ldexp(NodeRef app) {
    BridgeCall call;
    if (!bridge_take(call, std::move(app), "RI")) return bridge_error();
    return bridge_real(std::ldexp(call.real[0], bridge_int(call, 1)));
}

NodeRef builtin_modf(NodeRef app) {
    BridgeCall call;
    if (!bridge_take(call, std::move(app), "RI")) return bridge_error();
    void* at = math_address_arg(call);
    if (!at) return bridge_real(0.0);
    double whole;
    double fraction = std::modf(call.real[0], &whole);
    std::memcpy(at, &whole, sizeof whole);
    return bridge_real(fraction);
}
