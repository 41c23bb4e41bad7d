// The socket builtins: one table row per builtin giving its argument
// classes, the width each parameter is narrowed to, the one host call and
// the result class, and one driver that runs every row. Sockets are Linux
// descriptors; numbers that programs write (families, levels, options,
// flags) are Linux's. Each builtin takes the saturated application, releases
// it and answers a new node: "Z" for a wrong kind of argument, tested in
// argument order, with no host call made.
#pragma once

#include "bridge.h"
#include "node.h"
#include "tables.h"

// How a parameter receives the 64-bit value of its argument.
enum SocketWidth : u8 {
    WIDTH_NONE,      // no parameter
    WIDTH_WHOLE,     // all 64 bits (addresses, the socket of fd_set)
    WIDTH_HANDLE,    // all 64 bits, which must fit an int: else -1, errno EBADF, no host call
    WIDTH_HANDLE32,  // the low 32 bits sign-extended (closesocket)
    WIDTH_INT,       // the low 32 bits as a signed int
    WIDTH_LENGTH,    // as WIDTH_INT; negative: -1, errno EINVAL, no host call
    WIDTH_U32,       // the low 32 bits, unsigned
    WIDTH_U16,       // the low 16 bits, unsigned
    WIDTH_SIZE,      // all 64 bits unsigned, capped at 2^32 - 1
};

// How the host's answer becomes a term.
enum SocketResult : u8 {
    RESULT_SIGNED,    // integer_make_leaf of the answer
    RESULT_UNSIGNED,  // integer_make_leaf_u64 of the answer
    RESULT_UNIT,      // the leaf "I"
};

// One row: classes for bridge_take, a width per class letter, the host call
// over the narrowed values (in argument order) and the result class.
struct SocketSpec {
    const char* classes;
    SocketWidth widths[BRIDGE_MAX_ARGS];
    i64 (*host)(const i64* values);
    SocketResult result;
};

// The rows, one per implementation (sock_stream shares ai_passive's).
enum SocketBuiltin {
    SOCKET_SOCKET,
    SOCKET_BIND,
    SOCKET_LISTEN,
    SOCKET_ACCEPT,
    SOCKET_CONNECT,
    SOCKET_GETPEERNAME,
    SOCKET_SETSOCKOPT,
    SOCKET_SHUTDOWN,
    SOCKET_CLOSESOCKET,
    SOCKET_GETHOSTNAME,
    SOCKET_ADDRINFO,
    SOCKET_AF_UNSPEC,
    SOCKET_AI_PASSIVE,
    SOCKET_HTONL,
    SOCKET_NTOHL,
    SOCKET_HTONS,
    SOCKET_NTOHS,
    SOCKET_FD_SET,
    SOCKET_INET_NTOP,
    SOCKET_INET_PTON,
    SOCKET_SEND,
    SOCKET_SENDTO,
    SOCKET_RECV,
    SOCKET_RECVFROM,
    SOCKET_GETADDRINFO,
    SOCKET_FREEADDRINFO,
    SOCKET_GETNAMEINFO,
    SOCKET_GAI_STRERROR,
    SOCKET_BUILTIN_COUNT
};

// The row of a builtin.
const SocketSpec& socket_spec(SocketBuiltin which);

// Narrows the 64-bit word to the width into *value; false (with errno set)
// when the width refuses it.
bool socket_narrow(SocketWidth width, u64 word, i64* value);

// Runs the row of which over app: takes and tests the arguments, narrows
// them, makes the host call and the result. Releases app.
NodeRef socket_builtin_call(SocketBuiltin which, NodeRef app);

template <SocketBuiltin B>
NodeRef socket_builtin(NodeRef app) {
    return socket_builtin_call(B, std::move(app));
}

// Lifecycle. Handles are WIDTH_HANDLE; results are the host's int (-1 on
// failure, errno the reason).
// socket family type protocol: the new socket.
inline constexpr BuiltinFn builtin_socket = socket_builtin<SOCKET_SOCKET>;
// bind s address length, connect s address length: 0 or -1.
inline constexpr BuiltinFn builtin_bind = socket_builtin<SOCKET_BIND>;
inline constexpr BuiltinFn builtin_connect = socket_builtin<SOCKET_CONNECT>;
// listen s backlog: 0 or -1.
inline constexpr BuiltinFn builtin_listen = socket_builtin<SOCKET_LISTEN>;
// accept s address length_cell: the connected socket; the peer's address
// goes to address (0 for none) and its length to the 32-bit cell.
inline constexpr BuiltinFn builtin_accept = socket_builtin<SOCKET_ACCEPT>;
// getpeername s address length_cell: 0 or -1.
inline constexpr BuiltinFn builtin_getpeername = socket_builtin<SOCKET_GETPEERNAME>;
// setsockopt s level name value length: 0 or -1.
inline constexpr BuiltinFn builtin_setsockopt = socket_builtin<SOCKET_SETSOCKOPT>;
// shutdown s how: 0 or -1.
inline constexpr BuiltinFn builtin_shutdown = socket_builtin<SOCKET_SHUTDOWN>;
// closesocket s: closes the socket named by the low 32 bits of s; a
// descriptor that is not a socket stays open (-1, errno ENOTSOCK).
inline constexpr BuiltinFn builtin_closesocket = socket_builtin<SOCKET_CLOSESOCKET>;
// gethostname buffer length: 0, or -1 (ENAMETOOLONG when the name does not
// fit: only length bytes are written; EINVAL for a negative length or the
// buffer 0).
inline constexpr BuiltinFn builtin_gethostname = socket_builtin<SOCKET_GETHOSTNAME>;

// Constants: addrinfo 48 (the record's size), af_unspec 0, ai_passive 1,
// which sock_stream shares.
inline constexpr BuiltinFn builtin_addrinfo = socket_builtin<SOCKET_ADDRINFO>;
inline constexpr BuiltinFn builtin_af_unspec = socket_builtin<SOCKET_AF_UNSPEC>;
inline constexpr BuiltinFn builtin_ai_passive = socket_builtin<SOCKET_AI_PASSIVE>;

// Byte order of the low 32 (htonl, ntohl) or 16 (htons, ntohs) bits; the
// answer is never negative.
inline constexpr BuiltinFn builtin_htonl = socket_builtin<SOCKET_HTONL>;
inline constexpr BuiltinFn builtin_ntohl = socket_builtin<SOCKET_NTOHL>;
inline constexpr BuiltinFn builtin_htons = socket_builtin<SOCKET_HTONS>;
inline constexpr BuiltinFn builtin_ntohs = socket_builtin<SOCKET_NTOHS>;

// fd_set s set: adds the 64-bit s to the 520-byte set at address set (u32
// count at 0, slots of 8 bytes from 8) unless present or the count is 64 or
// more; answers "I" in every case (the set 0 is left alone, errno EINVAL).
// At most 64 slots are read.
inline constexpr BuiltinFn builtin_fd_set = socket_builtin<SOCKET_FD_SET>;

// inet_ntop family address buffer size: buffer, or 0. inet_pton family text
// buffer: 1, 0 for a text that is no address, -1 for an unknown family. An
// address, text or buffer 0 fails (0, or -1) with errno EINVAL.
inline constexpr BuiltinFn builtin_inet_ntop = socket_builtin<SOCKET_INET_NTOP>;
inline constexpr BuiltinFn builtin_inet_pton = socket_builtin<SOCKET_INET_PTON>;

// send s text length flags, sendto s text length flags address address_length:
// the count sent, or -1 (never a signal: a closed peer gives EPIPE). recv s
// buffer length flags, recvfrom s buffer length flags address length_cell:
// the count received (0 at the end), or -1. A negative length, or a length
// past the bytes of a post or data text, is refused: -1, errno EINVAL,
// nothing sent or consumed.
inline constexpr BuiltinFn builtin_send = socket_builtin<SOCKET_SEND>;
inline constexpr BuiltinFn builtin_sendto = socket_builtin<SOCKET_SENDTO>;
inline constexpr BuiltinFn builtin_recv = socket_builtin<SOCKET_RECV>;
inline constexpr BuiltinFn builtin_recvfrom = socket_builtin<SOCKET_RECVFROM>;

// Name resolution; errno is left as it was (but after EAI_SYSTEM).
// getaddrinfo node service hints slot: 0 with the list's address in the
// 8-byte slot, or the resolver's code with the slot untouched.
inline constexpr BuiltinFn builtin_getaddrinfo = socket_builtin<SOCKET_GETADDRINFO>;
// freeaddrinfo list: frees a list of getaddrinfo; answers "I".
inline constexpr BuiltinFn builtin_freeaddrinfo = socket_builtin<SOCKET_FREEADDRINFO>;
// getnameinfo address length host host_capacity service service_capacity
// flags: 0 or the resolver's code.
inline constexpr BuiltinFn builtin_getnameinfo = socket_builtin<SOCKET_GETNAMEINFO>;
// gai_strerror code: the address of the message buffer, holding the UTF-16
// message of the code (its low 32 bits as an int).
inline constexpr BuiltinFn builtin_gai_strerror = socket_builtin<SOCKET_GAI_STRERROR>;
