// The socket host layer over Linux.
#include "socket_host.h"

#include <netdb.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "errno_guard.h"

// The message buffer of gai_strerror: zero at start, its address fixed for
// the whole run, never freed.
static char16_t gai_strerror_buffer[GAI_MESSAGE_UNITS];

// The most text units a message gets; a zero unit follows them.
static const int GAI_MESSAGE_MAX = GAI_MESSAGE_UNITS - 2;


int socket_library_start() {
    return 0;
}

bool socket_host_handle(i64 value, int* fd) {
    if (value < INT_MIN || value > INT_MAX) {
        errno = EBADF;
        return false;
    }
    *fd = int(value);
    return true;
}

int socket_host_close(int fd) {
    struct stat info;
    if (fstat(fd, &info) != 0) return -1;
    if (!S_ISSOCK(info.st_mode)) {
        errno = ENOTSOCK;
        return -1;
    }
    return close(fd);
}

// One program record for the native record: a heap block of the record, the
// socket address and the canonical name with its NUL. Null when the heap is
// exhausted.
static AddrInfoRecord* addrinfo_convert(const addrinfo& native) {
    size_t name_bytes = native.ai_canonname ? std::strlen(native.ai_canonname) + 1 : 0;
    size_t address_bytes = native.ai_addr ? native.ai_addrlen : 0;
    char* block = static_cast<char*>(std::malloc(sizeof(AddrInfoRecord) + address_bytes + name_bytes));
    if (!block) return nullptr;
    AddrInfoRecord* record = reinterpret_cast<AddrInfoRecord*>(block);
    record->ai_flags = native.ai_flags;
    record->ai_family = native.ai_family;
    record->ai_socktype = native.ai_socktype;
    record->ai_protocol = native.ai_protocol;
    record->ai_addrlen = native.ai_addrlen;
    record->ai_addr = nullptr;
    record->ai_canonname = nullptr;
    record->ai_next = nullptr;
    char* tail = block + sizeof(AddrInfoRecord);
    if (native.ai_addr) {
        std::memcpy(tail, native.ai_addr, address_bytes);
        record->ai_addr = tail;
        tail += address_bytes;
    }
    if (native.ai_canonname) {
        std::memcpy(tail, native.ai_canonname, name_bytes);
        record->ai_canonname = tail;
    }
    return record;
}

static void addrinfo_free_list(AddrInfoRecord* list) {
    while (list) {
        AddrInfoRecord* next = list->ai_next;
        std::free(list);
        list = next;
    }
}

int socket_host_getaddrinfo(const char* node, const char* service, const AddrInfoRecord* hints,
                            AddrInfoRecord** slot) {
    ErrnoGuard keeper;
    // With nowhere to put the list the program could never free it: the
    // resolver is not asked, and EAI_FAIL (unlike EAI_SYSTEM) needs no errno.
    if (!slot) return EAI_FAIL;
    addrinfo native_hints;
    std::memset(&native_hints, 0, sizeof native_hints);
    if (hints) {
        native_hints.ai_flags = hints->ai_flags;
        native_hints.ai_family = hints->ai_family;
        native_hints.ai_socktype = hints->ai_socktype;
        native_hints.ai_protocol = hints->ai_protocol;
    }
    addrinfo* native = nullptr;
    int code = getaddrinfo(node, service, hints ? &native_hints : nullptr, &native);
    if (code != 0) {
        keeper.keep_new = code == EAI_SYSTEM;
        return code;
    }
    AddrInfoRecord* first = nullptr;
    AddrInfoRecord** link = &first;
    for (const addrinfo* at = native; at; at = at->ai_next) {
        AddrInfoRecord* record = addrinfo_convert(*at);
        if (!record) {
            addrinfo_free_list(first);
            freeaddrinfo(native);
            return EAI_MEMORY;
        }
        *link = record;
        link = &record->ai_next;
    }
    freeaddrinfo(native);
    *slot = first;
    return 0;
}

void socket_host_freeaddrinfo(AddrInfoRecord* list) {
    ErrnoGuard keeper;
    addrinfo_free_list(list);
}

int socket_host_getnameinfo(const void* address, uint32_t length, char* host, uint32_t host_capacity,
                            char* service, uint32_t service_capacity, int flags) {
    ErrnoGuard keeper;
    if (!address) return EAI_FAMILY;  // not every C library tests for it before reading the family
    int code = getnameinfo(static_cast<const sockaddr*>(address), length, host, host_capacity, service,
                           service_capacity, flags);
    keeper.keep_new = code == EAI_SYSTEM;
    return code;
}

const char16_t* socket_host_gai_strerror(int code) {
    ErrnoGuard keeper;
    const char* message = gai_strerror(code);
    int n = 0;
    for (; n < GAI_MESSAGE_MAX && message[n] != '\0'; ++n)
        gai_strerror_buffer[n] = char16_t(u8(message[n]));
    gai_strerror_buffer[n] = u'\0';
    return gai_strerror_buffer;
}
