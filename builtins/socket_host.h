// The socket host layer: what the socket builtins need of Linux beyond the
// plain socket calls. Start-up, the check that a 64-bit handle names a
// descriptor, closing only what is a socket, address information in the
// record layout that programs read (converted from and to the C library's
// own list), and the one message buffer of gai_strerror.
#pragma once

#include <cstdint>

#include "s.h"

// The address-information record as programs see it: 48 bytes, little-endian,
// the fields at the offsets of the structure layout text. Each record is one
// heap block that also holds the copies its addr and canonname point to.
struct AddrInfoRecord {
    int32_t ai_flags;
    int32_t ai_family;
    int32_t ai_socktype;
    int32_t ai_protocol;
    u64 ai_addrlen;
    char* ai_canonname;           // null when there is none
    void* ai_addr;
    AddrInfoRecord* ai_next;      // null ends the list
};
static_assert(sizeof(AddrInfoRecord) == 48, "programs allocate 48 bytes for a record");

// The units of the gai_strerror buffer; the last one is never written.
inline constexpr int GAI_MESSAGE_UNITS = 1025;

// Starts the socket library. Linux sockets need no start-up: answers 0, the
// success code (a non-zero answer would be the start-up's error code).
int socket_library_start();

// True when value names a descriptor the host can be asked about: it fits
// an int. Otherwise false with errno EBADF.
bool socket_host_handle(i64 value, int* fd);

// Closes fd when it is a socket: 0, or -1 with the host's errno. A
// descriptor that is not a socket stays open: -1, errno ENOTSOCK; one that
// is not open: -1, errno EBADF.
int socket_host_close(int fd);

// Resolves node and service (either may be null) with the four leading ints
// of the record at hints (or none for null). On success stores the address
// of the first converted record at slot and answers 0; otherwise answers the
// resolver's code (EAI_NONAME ...) and leaves slot alone. A null slot
// answers EAI_FAIL with nothing resolved. errno is kept as it was, except
// after EAI_SYSTEM, where it is the resolver's reason.
int socket_host_getaddrinfo(const char* node, const char* service, const AddrInfoRecord* hints,
                            AddrInfoRecord** slot);

// Frees a list that socket_host_getaddrinfo made, block by block along
// ai_next; null does nothing. errno is kept.
void socket_host_freeaddrinfo(AddrInfoRecord* list);

// getnameinfo with errno kept as it was, except after EAI_SYSTEM. A null
// address answers EAI_FAMILY, as the C library does, without calling it.
int socket_host_getnameinfo(const void* address, uint32_t length, char* host, uint32_t host_capacity,
                            char* service, uint32_t service_capacity, int flags);

// Writes the message of the resolver code into the program-wide buffer of
// GAI_MESSAGE_UNITS UTF-16 units (the C library's text, one unit per byte,
// at most 1023 units, then a zero unit) and answers its address, the same
// at every call. errno is kept.
const char16_t* socket_host_gai_strerror(int code);
