// Memory block builtins over the host allocator and byte range functions.
#include "blocks.h"

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

#include "bridge.h"

// The largest block the heap is asked for: larger sizes cannot be honoured,
// and the host refuses them with ENOMEM anyway.
static const u64 BLOCKS_SIZE_LIMIT = u64(PTRDIFF_MAX);

// True when a block of size bytes may be asked for; else sets errno ENOMEM
// as the host's allocator does for such a size.
static bool blocks_size_ok(u64 size) {
    if (size <= BLOCKS_SIZE_LIMIT) return true;
    errno = ENOMEM;
    return false;
}

NodeRef builtin_malloc(NodeRef app) {
    BridgeCall call;
    if (!bridge_take(call, std::move(app), "I")) return bridge_error();
    u64 size = call.word[0];
    return bridge_address(blocks_size_ok(size) ? std::malloc(size) : nullptr);
}

NodeRef builtin_calloc(NodeRef app) {
    BridgeCall call;
    if (!bridge_take(call, std::move(app), "II")) return bridge_error();
    u64 total;
    if (__builtin_mul_overflow(call.word[0], call.word[1], &total)) total = UINT64_MAX;  // no such block
    if (!blocks_size_ok(total)) return bridge_address(nullptr);
    return bridge_address(std::calloc(call.word[0], call.word[1]));
}

NodeRef builtin_realloc(NodeRef app) {
    BridgeCall call;
    if (!bridge_take(call, std::move(app), "II")) return bridge_error();
    u64 size = call.word[1] == 0 ? 1 : call.word[1];  // 0 would free the block
    if (!blocks_size_ok(size)) return bridge_address(nullptr);
    return bridge_address(std::realloc(bridge_pointer<void>(call, 0), size));
}

NodeRef builtin_free(NodeRef app) {
    BridgeCall call;
    if (!bridge_take(call, std::move(app), "I")) return bridge_error();
    std::free(bridge_pointer<void>(call, 0));
    return bridge_unit();
}

// Address 0 names no memory: a range of count bytes at it, count > 0, is
// refused ("Z", nothing touched) rather than handed to the host. A count of
// 0 uses no address, and the host's range functions must not see a null
// one even then, so it calls nothing.
static bool blocks_ranges_usable(const BridgeCall& call, std::initializer_list<int> addresses, u64 count) {
    if (count == 0) return true;
    for (int k : addresses)
        if (call.word[k] == 0) return false;
    return true;
}

NodeRef builtin_bzero(NodeRef app) {
    BridgeCall call;
    if (!bridge_take(call, std::move(app), "II")) return bridge_error();
    i64 count = bridge_i64(call, 1);
    if (count < 0 || !blocks_ranges_usable(call, {0}, u64(count))) return bridge_error();
    if (count > 0) std::memset(bridge_pointer<void>(call, 0), 0, size_t(count));
    return bridge_unit();
}

NodeRef builtin_memset(NodeRef app) {
    BridgeCall call;
    if (!bridge_take(call, std::move(app), "III") || !blocks_ranges_usable(call, {0}, call.word[2]))
        return bridge_error();
    if (call.word[2] != 0) std::memset(bridge_pointer<void>(call, 0), bridge_int(call, 1), call.word[2]);
    return bridge_signed(bridge_i64(call, 0));
}

NodeRef builtin_memcpy(NodeRef app) {
    BridgeCall call;
    if (!bridge_take(call, std::move(app), "III") || !blocks_ranges_usable(call, {0, 1}, call.word[2]))
        return bridge_error();
    if (call.word[2] != 0) std::memmove(bridge_pointer<void>(call, 0), bridge_pointer<const void>(call, 1), call.word[2]);
    return bridge_signed(bridge_i64(call, 0));
}

NodeRef builtin_memchr(NodeRef app) {
    BridgeCall call;
    if (!bridge_take(call, std::move(app), "III") || !blocks_ranges_usable(call, {0}, call.word[2]))
        return bridge_error();
    if (call.word[2] == 0) return bridge_address(nullptr);
    return bridge_address(std::memchr(bridge_pointer<const void>(call, 0), bridge_int(call, 1), call.word[2]));
}

NodeRef builtin_memcmp(NodeRef app) {
    BridgeCall call;
    if (!bridge_take(call, std::move(app), "III") || !blocks_ranges_usable(call, {0, 1}, call.word[2]))
        return bridge_error();
    if (call.word[2] == 0) return bridge_signed(0);
    return bridge_signed(std::memcmp(bridge_pointer<const void>(call, 0), bridge_pointer<const void>(call, 1), call.word[2]));
}
