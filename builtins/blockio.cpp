// Block I/O, positioning and stream state builtins over host streams.
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "bridge.h"
#include "memory.h"
#include "streams.h"

// True when size * count bytes can be asked of the host; else errno EINVAL.
static bool blockio_size_ok(u64 size, u64 count) {
    u64 total;
    if (!__builtin_mul_overflow(size, count, &total) && total <= u64(INT64_MAX)) return true;
    errno = EINVAL;
    return false;
}

NodeRef builtin_fread(NodeRef app) {
    BridgeCall call;
    if (!bridge_take(call, std::move(app), "IIII")) return bridge_error();
    char* buffer = stream_text_arg(call, 0) ? bridge_pointer<char>(call, 0) : nullptr;
    FILE* stream = buffer ? stream_arg(call, 3) : nullptr;
    if (!stream || !blockio_size_ok(call.word[1], call.word[2])) return bridge_unsigned(0);
    return bridge_unsigned(std::fread(buffer, call.word[1], call.word[2], stream));
}

NodeRef builtin_fwrite(NodeRef app) {
    BridgeCall call;
    if (!bridge_take(call, std::move(app), "TNNI")) return bridge_error();
    const char* data = stream_text_arg(call, 0);
    FILE* stream = data ? stream_arg(call, 3) : nullptr;
    if (!stream || !blockio_size_ok(call.word[1], call.word[2])) return bridge_signed(0);
    if (!bridge_text_holds(call, 0, call.word[1] * call.word[2])) return bridge_signed(0);
    return bridge_signed(i64(std::fwrite(data, call.word[1], call.word[2], stream)));
}

NodeRef builtin_fseek(NodeRef app) {
    BridgeCall call;
    if (!bridge_take(call, std::move(app), "III")) return bridge_error();
    FILE* stream = stream_arg(call, 0);
    if (!stream) return bridge_signed(-1);
    return bridge_signed(fseeko(stream, off_t(bridge_int(call, 1)), bridge_int(call, 2)));
}

NodeRef builtin_ftell(NodeRef app) {
    BridgeCall call;
    if (!bridge_take(call, std::move(app), "I")) return bridge_error();
    FILE* stream = stream_arg(call, 0);
    if (!stream) return bridge_signed(-1);
    off_t position = ftello(stream);
    if (position > INT32_MAX) {  // the position is a 32-bit long to programs
        errno = EOVERFLOW;
        return bridge_signed(-1);
    }
    return bridge_signed(position);
}

NodeRef builtin_fgetpos(NodeRef app) {
    BridgeCall call;
    if (!bridge_take(call, std::move(app), "II")) return bridge_error();
    FILE* stream = stream_arg(call, 0);
    char* record = stream && stream_text_arg(call, 1) ? bridge_pointer<char>(call, 1) : nullptr;
    if (!record) return bridge_signed(-1);
    off_t position = ftello(stream);
    if (position < 0) return bridge_signed(-1);
    memory_store<8>(record, u64(position));
    return bridge_signed(0);
}

NodeRef builtin_fsetpos(NodeRef app) {
    BridgeCall call;
    if (!bridge_take(call, std::move(app), "II")) return bridge_error();
    FILE* stream = stream_arg(call, 0);
    const char* record = stream ? stream_text_arg(call, 1) : nullptr;
    if (!record) return bridge_signed(-1);
    return bridge_signed(fseeko(stream, off_t(memory_load<8>(record)), SEEK_SET));
}

NodeRef builtin_rewind(NodeRef app) {
    BridgeCall call;
    if (!bridge_take(call, std::move(app), "I")) return bridge_error();
    if (FILE* stream = stream_arg(call, 0)) std::rewind(stream);
    return bridge_unit();
}

NodeRef builtin_clearerr(NodeRef app) {
    BridgeCall call;
    if (!bridge_take(call, std::move(app), "I")) return bridge_error();
    if (FILE* stream = stream_arg(call, 0)) std::clearerr(stream);
    return bridge_unit();
}

// feof and ferror: 1 when the stream's indicator is set, else 0.
static NodeRef blockio_indicator(NodeRef app, int (*indicator)(FILE*)) {
    BridgeCall call;
    if (!bridge_take(call, std::move(app), "I")) return bridge_error();
    FILE* stream = stream_arg(call, 0);
    return bridge_signed(stream && indicator(stream) != 0 ? 1 : 0);
}

NodeRef builtin_feof(NodeRef app) { return blockio_indicator(std::move(app), std::feof); }

NodeRef builtin_ferror(NodeRef app) { return blockio_indicator(std::move(app), std::ferror); }

NodeRef builtin_fflush(NodeRef app) {
    BridgeCall call;
    if (!bridge_take(call, std::move(app), "I")) return bridge_error();
    return bridge_signed(std::fflush(bridge_pointer<FILE>(call, 0)));  // 0: every stream
}
