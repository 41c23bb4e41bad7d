// Memory accessor rules and the raw-memory family.
#include "memory.h"

#include "bridge.h"

bool memory_offset_in_range(i64 n, int w, i64* offset) {
    i64 o = *offset;
    if (o < 0) o += n;  // -1 names the last byte; a sum below 0 stays out
    if (n < w || o < 0 || o > n - w) return false;
    *offset = o;
    return true;
}

bool memory_container_unshared(const NodeRef& container) {
    return node_is_leaf(container.node) && node_refcount(container.node) == 3;
}

template <int W>
NodeRef memory_ref_read(NodeRef app) {
    BridgeCall call;
    if (!bridge_take(call, std::move(app), "U")) return bridge_error();
    return bridge_unsigned(memory_load<W>(bridge_pointer<const void>(call, 0)));
}

template <int W>
NodeRef memory_ref_write(NodeRef app) {
    BridgeCall call;
    if (!bridge_take(call, std::move(app), "II")) return bridge_error();
    memory_store<W>(bridge_pointer<void>(call, 0), call.word[1]);
    return bridge_unit();
}

template NodeRef memory_ref_read<1>(NodeRef);
template NodeRef memory_ref_read<2>(NodeRef);
template NodeRef memory_ref_read<4>(NodeRef);
template NodeRef memory_ref_read<8>(NodeRef);
template NodeRef memory_ref_write<1>(NodeRef);
template NodeRef memory_ref_write<2>(NodeRef);
template NodeRef memory_ref_write<4>(NodeRef);
template NodeRef memory_ref_write<8>(NodeRef);
