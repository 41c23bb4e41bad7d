// Descriptor I/O builtins over the host's read and write.
#include "descriptors.h"

#include <cerrno>
#include <climits>
#include <cstdint>
#include <unistd.h>

#include "bridge.h"

// The count argument k as the host's unsigned int; false with errno EINVAL
// past 2^31 - 1, which the int result could not report.
static bool descriptors_count(const BridgeCall& call, int k, uint32_t* count) {
    *count = uint32_t(call.word[k]);
    if (*count <= uint32_t(INT_MAX)) return true;
    errno = EINVAL;
    return false;
}

NodeRef builtin_read(NodeRef app) {
    BridgeCall call;
    if (!bridge_take(call, std::move(app), "III")) return bridge_error();
    uint32_t count;
    if (!descriptors_count(call, 2, &count)) return bridge_signed(-1);
    return bridge_signed(int(::read(bridge_int(call, 0), bridge_pointer<void>(call, 1), count)));
}

NodeRef builtin_write(NodeRef app) {
    BridgeCall call;
    if (!bridge_take(call, std::move(app), "ITI")) return bridge_error();
    uint32_t count;
    if (!descriptors_count(call, 2, &count) || !bridge_text_holds(call, 1, count)) return bridge_signed(-1);
    return bridge_signed(int(::write(bridge_int(call, 0), bridge_pointer<const void>(call, 1), count)));
}
