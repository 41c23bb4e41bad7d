// The socket builtins: the table and its driver.
#include "sockets.h"

#include <arpa/inet.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>

#include "memory.h"
#include "socket_host.h"

// The descriptor set of fd_set: a 32-bit count, 4 untouched bytes, then
// 64 slots of 8 bytes.
static const int FD_SET_SLOTS = 64;
static const int FD_SET_SLOT_OFFSET = 8;
static const int FD_SET_SLOT_BYTES = 8;

// The largest size inet_ntop hands the host.
static const u64 SOCKET_SIZE_MAX = 0xFFFFFFFFu;

// The narrowed value v as a host pointer.
template <class T = void>
static T* host_pointer(i64 v) {
    return reinterpret_cast<T*>(uintptr_t(v));
}

// The narrowed value v as a pointer the host call cannot do without: null
// (the program gave 0) sets errno EINVAL, and the builtin answers its
// failure result without the call.
template <class T = void>
static T* host_required(i64 v) {
    T* p = host_pointer<T>(v);
    if (!p) errno = EINVAL;
    return p;
}

// An int length as the host's socklen_t: the same 32 bits.
static socklen_t host_socklen(i64 v) { return socklen_t(uint32_t(v)); }

// An address as the signed integer the program sees.
static i64 host_address(const void* p) { return i64(reinterpret_cast<uintptr_t>(p)); }

// fd_set's own computation over the set at p.
static i64 host_fd_set(const i64* v) {
    u64 socket = u64(v[0]);
    u8* set = host_required<u8>(v[1]);
    if (!set) return 0;
    uint32_t count = uint32_t(memory_load<4>(set));
    uint32_t searched = count < FD_SET_SLOTS ? count : FD_SET_SLOTS;  // a larger count is out of contract
    uint32_t i = 0;
    while (i < searched && memory_load<8>(set + FD_SET_SLOT_OFFSET + FD_SET_SLOT_BYTES * i) != socket) ++i;
    if (i == count && count < FD_SET_SLOTS) {
        memory_store<8>(set + FD_SET_SLOT_OFFSET + FD_SET_SLOT_BYTES * i, socket);
        memory_store<4>(set, count + 1);
    }
    return 0;
}

// Sends never raise SIGPIPE: a closed peer is an error result.
static int send_flags(i64 v) { return int(v) | MSG_NOSIGNAL; }

static const SocketSpec SOCKET_SPECS[SOCKET_BUILTIN_COUNT] = {
    // socket
    {"III", {WIDTH_INT, WIDTH_INT, WIDTH_INT},
     [](const i64* v) -> i64 { return socket(int(v[0]), int(v[1]), int(v[2])); }, RESULT_SIGNED},
    // bind
    {"III", {WIDTH_HANDLE, WIDTH_WHOLE, WIDTH_INT},
     [](const i64* v) -> i64 { return bind(int(v[0]), host_pointer<const sockaddr>(v[1]), host_socklen(v[2])); },
     RESULT_SIGNED},
    // listen
    {"II", {WIDTH_HANDLE, WIDTH_INT}, [](const i64* v) -> i64 { return listen(int(v[0]), int(v[1])); },
     RESULT_SIGNED},
    // accept
    {"III", {WIDTH_HANDLE, WIDTH_WHOLE, WIDTH_WHOLE},
     [](const i64* v) -> i64 { return accept(int(v[0]), host_pointer<sockaddr>(v[1]), host_pointer<socklen_t>(v[2])); },
     RESULT_SIGNED},
    // connect
    {"III", {WIDTH_HANDLE, WIDTH_WHOLE, WIDTH_INT},
     [](const i64* v) -> i64 {
         return connect(int(v[0]), host_pointer<const sockaddr>(v[1]), host_socklen(v[2]));
     },
     RESULT_SIGNED},
    // getpeername
    {"III", {WIDTH_HANDLE, WIDTH_WHOLE, WIDTH_WHOLE},
     [](const i64* v) -> i64 {
         return getpeername(int(v[0]), host_pointer<sockaddr>(v[1]), host_pointer<socklen_t>(v[2]));
     },
     RESULT_SIGNED},
    // setsockopt
    {"IIIII", {WIDTH_HANDLE, WIDTH_INT, WIDTH_INT, WIDTH_WHOLE, WIDTH_INT},
     [](const i64* v) -> i64 {
         return setsockopt(int(v[0]), int(v[1]), int(v[2]), host_pointer<const void>(v[3]), host_socklen(v[4]));
     },
     RESULT_SIGNED},
    // shutdown
    {"II", {WIDTH_HANDLE, WIDTH_INT}, [](const i64* v) -> i64 { return shutdown(int(v[0]), int(v[1])); },
     RESULT_SIGNED},
    // closesocket
    {"I", {WIDTH_HANDLE32}, [](const i64* v) -> i64 { return socket_host_close(int(v[0])); }, RESULT_SIGNED},
    // gethostname
    {"II", {WIDTH_WHOLE, WIDTH_LENGTH},
     [](const i64* v) -> i64 {
         char* name = host_required<char>(v[0]);
         return name ? gethostname(name, size_t(v[1])) : -1;
     },
     RESULT_SIGNED},
    // addrinfo
    {"", {}, [](const i64*) -> i64 { return sizeof(AddrInfoRecord); }, RESULT_SIGNED},
    // af_unspec
    {"", {}, [](const i64*) -> i64 { return 0; }, RESULT_SIGNED},
    // ai_passive, sock_stream
    {"", {}, [](const i64*) -> i64 { return 1; }, RESULT_SIGNED},
    // htonl
    {"I", {WIDTH_U32}, [](const i64* v) -> i64 { return htonl(uint32_t(v[0])); }, RESULT_SIGNED},
    // ntohl
    {"I", {WIDTH_U32}, [](const i64* v) -> i64 { return ntohl(uint32_t(v[0])); }, RESULT_UNSIGNED},
    // htons
    {"I", {WIDTH_U16}, [](const i64* v) -> i64 { return htons(uint16_t(v[0])); }, RESULT_SIGNED},
    // ntohs
    {"I", {WIDTH_U16}, [](const i64* v) -> i64 { return ntohs(uint16_t(v[0])); }, RESULT_UNSIGNED},
    // fd_set
    {"II", {WIDTH_WHOLE, WIDTH_WHOLE}, host_fd_set, RESULT_UNIT},
    // inet_ntop
    {"IIII", {WIDTH_INT, WIDTH_WHOLE, WIDTH_WHOLE, WIDTH_SIZE},
     [](const i64* v) -> i64 {
         const void* address = host_required<const void>(v[1]);
         char* text = address ? host_required<char>(v[2]) : nullptr;
         return text ? host_address(inet_ntop(int(v[0]), address, text, socklen_t(v[3]))) : 0;
     },
     RESULT_SIGNED},
    // inet_pton
    {"III", {WIDTH_INT, WIDTH_WHOLE, WIDTH_WHOLE},
     [](const i64* v) -> i64 {
         const char* text = host_required<const char>(v[1]);
         void* address = text ? host_required(v[2]) : nullptr;
         return address ? inet_pton(int(v[0]), text, address) : -1;
     },
     RESULT_SIGNED},
    // send
    {"ITII", {WIDTH_HANDLE, WIDTH_WHOLE, WIDTH_LENGTH, WIDTH_INT},
     [](const i64* v) -> i64 {
         return send(int(v[0]), host_pointer<const void>(v[1]), size_t(v[2]), send_flags(v[3]));
     },
     RESULT_SIGNED},
    // sendto
    {"ITIIII", {WIDTH_HANDLE, WIDTH_WHOLE, WIDTH_LENGTH, WIDTH_INT, WIDTH_WHOLE, WIDTH_INT},
     [](const i64* v) -> i64 {
         return sendto(int(v[0]), host_pointer<const void>(v[1]), size_t(v[2]), send_flags(v[3]),
                       host_pointer<const sockaddr>(v[4]), host_socklen(v[5]));
     },
     RESULT_SIGNED},
    // recv
    {"IIII", {WIDTH_HANDLE, WIDTH_WHOLE, WIDTH_LENGTH, WIDTH_INT},
     [](const i64* v) -> i64 { return recv(int(v[0]), host_pointer(v[1]), size_t(v[2]), int(v[3])); },
     RESULT_SIGNED},
    // recvfrom
    {"IIIIII", {WIDTH_HANDLE, WIDTH_WHOLE, WIDTH_LENGTH, WIDTH_INT, WIDTH_WHOLE, WIDTH_WHOLE},
     [](const i64* v) -> i64 {
         return recvfrom(int(v[0]), host_pointer(v[1]), size_t(v[2]), int(v[3]), host_pointer<sockaddr>(v[4]),
                         host_pointer<socklen_t>(v[5]));
     },
     RESULT_SIGNED},
    // getaddrinfo
    {"IIII", {WIDTH_WHOLE, WIDTH_WHOLE, WIDTH_WHOLE, WIDTH_WHOLE},
     [](const i64* v) -> i64 {
         return socket_host_getaddrinfo(host_pointer<const char>(v[0]), host_pointer<const char>(v[1]),
                                        host_pointer<const AddrInfoRecord>(v[2]),
                                        host_pointer<AddrInfoRecord*>(v[3]));
     },
     RESULT_SIGNED},
    // freeaddrinfo
    {"I", {WIDTH_WHOLE},
     [](const i64* v) -> i64 {
         socket_host_freeaddrinfo(host_pointer<AddrInfoRecord>(v[0]));
         return 0;
     },
     RESULT_UNIT},
    // getnameinfo
    {"IIIIIII", {WIDTH_WHOLE, WIDTH_INT, WIDTH_WHOLE, WIDTH_U32, WIDTH_WHOLE, WIDTH_U32, WIDTH_INT},
     [](const i64* v) -> i64 {
         return socket_host_getnameinfo(host_pointer<const void>(v[0]), uint32_t(v[1]), host_pointer<char>(v[2]),
                                        uint32_t(v[3]), host_pointer<char>(v[4]), uint32_t(v[5]), int(v[6]));
     },
     RESULT_SIGNED},
    // gai_strerror
    {"I", {WIDTH_U32}, [](const i64* v) -> i64 { return host_address(socket_host_gai_strerror(int(v[0]))); },
     RESULT_SIGNED},
};

const SocketSpec& socket_spec(SocketBuiltin which) {
    VORN_ASSERT(which >= 0 && which < SOCKET_BUILTIN_COUNT);
    return SOCKET_SPECS[which];
}

bool socket_narrow(SocketWidth width, u64 word, i64* value) {
    switch (width) {
        case WIDTH_WHOLE:
            *value = i64(word);
            return true;
        case WIDTH_HANDLE: {
            int fd;
            if (!socket_host_handle(i64(word), &fd)) return false;
            *value = fd;
            return true;
        }
        case WIDTH_HANDLE32:
        case WIDTH_INT:
            *value = int32_t(uint32_t(word));
            return true;
        case WIDTH_LENGTH:
            *value = int32_t(uint32_t(word));
            if (*value >= 0) return true;
            errno = EINVAL;  // the host takes a size_t: -1 would be 2^64 - 1 bytes
            return false;
        case WIDTH_U32:
            *value = uint32_t(word);
            return true;
        case WIDTH_U16:
            *value = uint16_t(word);
            return true;
        case WIDTH_SIZE:
            *value = i64(word < SOCKET_SIZE_MAX ? word : SOCKET_SIZE_MAX);
            return true;
        case WIDTH_NONE:
            break;
    }
    VORN_ASSERT(false);  // a row names more classes than widths
    return false;
}

NodeRef socket_builtin_call(SocketBuiltin which, NodeRef app) {
    const SocketSpec& spec = socket_spec(which);
    BridgeCall call;  // holds the arguments, and text addresses, until the host has answered
    if (!bridge_take(call, std::move(app), spec.classes)) return bridge_error();
    i64 values[BRIDGE_MAX_ARGS] = {};
    for (int k = 0; k < call.count; ++k)
        if (!socket_narrow(spec.widths[k], call.word[k], &values[k])) return bridge_signed(-1);
    // A text (the data of send and sendto) is followed by its length, which
    // may not run past the bytes of a post or data text.
    for (int k = 0; k + 1 < call.count; ++k)
        if (spec.classes[k] == BRIDGE_TEXT && !bridge_text_holds(call, k, u64(values[k + 1]))) return bridge_signed(-1);
    i64 answer = spec.host(values);
    switch (spec.result) {
        case RESULT_SIGNED:
            return bridge_signed(answer);
        case RESULT_UNSIGNED:
            return bridge_unsigned(u64(answer));
        case RESULT_UNIT:
            break;
    }
    return bridge_unit();
}
