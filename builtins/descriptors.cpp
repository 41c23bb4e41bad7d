// Descriptor I/O builtins over the host's read and write.
#include "descriptors.h"

#include <cerrno>
#include <climits>
#include <cstdint>
#include <unistd.h>

#include "bridge.h"

NodeRef builtin_read(NodeRef app) {
    BridgeCall call;
    if (!bridge_take(call, std::move(app), "III")) return bridge_error();
    uint32_t count = uint32_t(call.word[2]);
    if (count > uint32_t(INT_MAX)) {
        errno = EINVAL;
        return bridge_signed(-1);
    }
    return bridge_signed(int(::read(bridge_int(call, 0), bridge_pointer<void>(call, 1), count)));
}

NodeRef builtin_write(NodeRef app) {
    BridgeCall call;
    if (!bridge_take(call, std::move(app), "ITI")) return bridge_error();
    uint32_t count = uint32_t(call.word[2]);
    return bridge_signed(int(::write(bridge_int(call, 0), bridge_pointer<const void>(call, 1), count)));
}
