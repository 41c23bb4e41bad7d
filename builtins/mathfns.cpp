// Mathematical builtins: one table of host functions by arity, and the three
// that take an integer second argument.
#include "mathfns.h"

#include <cerrno>
#include <cstdint>
#include <cstring>

#include "bridge.h"

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

// frexp and modf: the fraction of x that split answers, and the other part
// it gives stored at the address (an int as 4 bytes, a double as 8); for
// the address 0 the real 0.0 with errno EINVAL.
template <class Part>
static NodeRef math_split(NodeRef app, double (*split)(double, Part*)) {
    BridgeCall call;
    if (!bridge_take(call, std::move(app), "RI")) return bridge_error();
    void* at = bridge_pointer<void>(call, 1);
    if (!at) {
        errno = EINVAL;
        return bridge_real(0.0);
    }
    Part part;
    double fraction = split(call.real[0], &part);
    std::memcpy(at, &part, sizeof part);  // little-endian, any alignment
    return bridge_real(fraction);
}

NodeRef builtin_frexp(NodeRef app) { return math_split<int>(std::move(app), ::frexp); }

NodeRef builtin_ldexp(NodeRef app) {
    BridgeCall call;
    if (!bridge_take(call, std::move(app), "RI")) return bridge_error();
    return bridge_real(std::ldexp(call.real[0], bridge_int(call, 1)));
}

NodeRef builtin_modf(NodeRef app) { return math_split<double>(std::move(app), ::modf); }
