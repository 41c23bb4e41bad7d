// The socket host layer behind name resolution: address information in the
// programs' record layout, errno kept across the resolvers, and the one
// gai_strerror buffer. Names are "localhost" and numeric addresses only.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <cerrno>
#include <cstddef>
#include <cstring>
#include <string>
#include <vector>

#include "host_fixture.h"
#include "memory.h"
#include "socket_host.h"
#include "sockets.h"

using namespace host_test;

namespace {

using SocketResolve = HostTest;
using SocketMessages = HostTest;

const int KEPT_ERRNO = 4321;

// The UTF-16 text at the address an answer holds, narrowed to bytes.
std::string message_at(const NodeRef& t) {
    const char16_t* units = reinterpret_cast<const char16_t*>(as_pointer(t));
    std::string s;
    for (int i = 0; units[i] != 0; ++i) s.push_back(char(units[i]));
    return s;
}

// A hints record of the programs' layout.
std::vector<u8> hints(int32_t flags, int32_t family, int32_t socktype) {
    std::vector<u8> h(48, 0);
    memory_store<4>(h.data(), u64(uint32_t(flags)));
    memory_store<4>(h.data() + 4, u64(uint32_t(family)));
    memory_store<4>(h.data() + 8, u64(uint32_t(socktype)));
    return h;
}

TEST(SocketRecord, LayoutOfTheProgramsRecord) {
    EXPECT_EQ(offsetof(AddrInfoRecord, ai_flags), 0u);
    EXPECT_EQ(offsetof(AddrInfoRecord, ai_family), 4u);
    EXPECT_EQ(offsetof(AddrInfoRecord, ai_socktype), 8u);
    EXPECT_EQ(offsetof(AddrInfoRecord, ai_protocol), 12u);
    EXPECT_EQ(offsetof(AddrInfoRecord, ai_addrlen), 16u);
    EXPECT_EQ(offsetof(AddrInfoRecord, ai_canonname), 24u);
    EXPECT_EQ(offsetof(AddrInfoRecord, ai_addr), 32u);
    EXPECT_EQ(offsetof(AddrInfoRecord, ai_next), 40u);
}

TEST_F(SocketResolve, RecordsMatchTheResolversList) {
    char node[] = "127.0.0.1";
    char service[] = "8080";
    u8 slot[8];
    std::memset(slot, 0xEE, sizeof slot);
    errno = KEPT_ERRNO;
    ASSERT_EQ(answer(builtin_getaddrinfo, {addr(node), addr(service), num(0), addr(slot)}), "0");
    EXPECT_EQ(errno, KEPT_ERRNO);
    addrinfo* native = nullptr;
    ASSERT_EQ(getaddrinfo(node, service, nullptr, &native), 0);
    // Several records (one per socket type), walked side by side.
    const u8* record = reinterpret_cast<const u8*>(memory_load<8>(slot));
    int records = 0;
    for (const addrinfo* at = native; at; at = at->ai_next, ++records) {
        ASSERT_NE(record, nullptr);
        EXPECT_EQ(int32_t(memory_load<4>(record + 4)), at->ai_family);
        EXPECT_EQ(int32_t(memory_load<4>(record + 8)), at->ai_socktype);
        EXPECT_EQ(int32_t(memory_load<4>(record + 12)), at->ai_protocol);
        EXPECT_EQ(memory_load<8>(record + 16), u64(at->ai_addrlen));  // eight bytes, zero-extended
        EXPECT_EQ(memory_load<8>(record + 24), 0u);  // no canonical name asked for
        const void* address = reinterpret_cast<const void*>(memory_load<8>(record + 32));
        EXPECT_EQ(std::memcmp(address, at->ai_addr, at->ai_addrlen), 0);
        record = reinterpret_cast<const u8*>(memory_load<8>(record + 40));
    }
    EXPECT_EQ(record, nullptr);
    EXPECT_GE(records, 2);
    freeaddrinfo(native);
    errno = KEPT_ERRNO;
    EXPECT_EQ(answer(builtin_freeaddrinfo, {num(i64(memory_load<8>(slot)))}), "I");
    EXPECT_EQ(errno, KEPT_ERRNO);
}

TEST_F(SocketResolve, LocalhostWithHintsAndCanonicalName) {
    char node[] = "localhost";
    std::vector<u8> h = hints(AI_CANONNAME, AF_INET, SOCK_STREAM);
    u64 slot = 0;
    errno = KEPT_ERRNO;  // glibc clears it on success
    ASSERT_EQ(answer(builtin_getaddrinfo, {addr(node), num(0), addr(h.data()), addr(&slot)}), "0");
    EXPECT_EQ(errno, KEPT_ERRNO);
    const AddrInfoRecord* first = reinterpret_cast<const AddrInfoRecord*>(slot);
    ASSERT_NE(first, nullptr);
    ASSERT_NE(first->ai_canonname, nullptr);
    EXPECT_STREQ(first->ai_canonname, "localhost");
    for (const AddrInfoRecord* r = first; r; r = r->ai_next) {
        EXPECT_EQ(r->ai_family, AF_INET);
        EXPECT_EQ(r->ai_socktype, SOCK_STREAM);
        ASSERT_EQ(r->ai_addrlen, sizeof(sockaddr_in));
        const sockaddr_in* in = static_cast<const sockaddr_in*>(r->ai_addr);
        EXPECT_EQ(in->sin_family, AF_INET);
        EXPECT_EQ(in->sin_addr.s_addr, htonl(INADDR_LOOPBACK));
    }
    EXPECT_EQ(answer(builtin_freeaddrinfo, {num(i64(slot))}), "I");
}

TEST_F(SocketResolve, FailuresLeaveTheSlot) {
    u64 slot = 0x1122334455667788u;
    errno = KEPT_ERRNO;
    EXPECT_EQ(answer(builtin_getaddrinfo, {num(0), num(0), num(0), addr(&slot)}), "02");  // EAI_NONAME
    EXPECT_EQ(errno, KEPT_ERRNO);
    EXPECT_EQ(slot, 0x1122334455667788u);
    char node[] = "127.0.0.1";
    std::vector<u8> bad_family = hints(0, 12345, 0);
    EXPECT_EQ(answer(builtin_getaddrinfo, {addr(node), num(0), addr(bad_family.data()), addr(&slot)}),
              text(num(EAI_FAMILY)));
    EXPECT_EQ(slot, 0x1122334455667788u);
    EXPECT_EQ(answer(builtin_getaddrinfo, {leaf("[localhost]"), num(0), num(0), addr(&slot)}), "Z");
    EXPECT_EQ(answer(builtin_getaddrinfo, {post("localhost"), num(0), num(0), addr(&slot)}), "Z");
    EXPECT_EQ(answer(builtin_freeaddrinfo, {num(0)}), "I");
    EXPECT_EQ(answer(builtin_freeaddrinfo, {real(1.0)}), "Z");
}

// With no slot for the list (which the program could then never free),
// nothing is resolved: EAI_FAIL, which leaves errno alone. A null address
// to getnameinfo is EAI_FAMILY, the C library's own answer for it.
TEST_F(SocketResolve, NullSlotOrAddressAnswersACode) {
    char node[] = "127.0.0.1";
    char service[] = "8080";
    char host[64] = "#";
    errno = KEPT_ERRNO;
    EXPECT_EQ(answer(builtin_getaddrinfo, {addr(node), num(0), num(0), num(0)}), text(num(EAI_FAIL)));
    EXPECT_EQ(answer(builtin_getaddrinfo, {addr(node), addr(service), num(0), num(0)}), text(num(EAI_FAIL)));
    EXPECT_EQ(answer(builtin_getaddrinfo, {num(0), num(0), num(0), num(0)}), text(num(EAI_FAIL)));
    EXPECT_EQ(answer(builtin_getnameinfo, {num(0), num(16), addr(host), num(64), num(0), num(0), num(0)}),
              text(num(EAI_FAMILY)));
    EXPECT_EQ(errno, KEPT_ERRNO);
    EXPECT_STREQ(host, "#");
}

TEST_F(SocketResolve, NameInfoCapacitiesAreThirtyTwoBits) {
    sockaddr_in a;
    std::memset(&a, 0, sizeof a);
    a.sin_family = AF_INET;
    a.sin_port = htons(8080);
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    char host[64], service[16];
    int flags = NI_NUMERICHOST | NI_NUMERICSERV;
    errno = KEPT_ERRNO;
    EXPECT_EQ(answer(builtin_getnameinfo, {addr(&a), num(TWO_32 + 16), addr(host), num(TWO_32 + 64), addr(service),
                                           num(16), num(flags)}),
              "0");
    EXPECT_EQ(errno, KEPT_ERRNO);
    EXPECT_STREQ(host, "127.0.0.1");
    EXPECT_STREQ(service, "8080");
    EXPECT_EQ(answer(builtin_getnameinfo, {addr(&a), num(16), addr(host), num(TWO_32 + 5), num(0), num(0),
                                           num(flags)}),
              text(num(EAI_OVERFLOW)));  // the capacity 5 reaches the host
    EXPECT_EQ(errno, KEPT_ERRNO);
}

TEST_F(SocketMessages, OneBufferEveryCallWritten) {
    NodeRef first = call(builtin_gai_strerror, {num(EAI_NONAME)});
    EXPECT_EQ(message_at(first), gai_strerror(EAI_NONAME));
    EXPECT_EQ(message_at(first), "Name or service not known");
    NodeRef second = call(builtin_gai_strerror, {num(EAI_FAMILY)});
    EXPECT_EQ(text(first), text(second));  // the same address
    EXPECT_EQ(message_at(first), gai_strerror(EAI_FAMILY));
    NodeRef wrapped = call(builtin_gai_strerror, {num(4294967294)});  // the code -2
    EXPECT_EQ(message_at(wrapped), "Name or service not known");
    // A code without a message of its own is still written, never stale.
    NodeRef unknown = call(builtin_gai_strerror, {num(TWO_32 + 5)});
    EXPECT_EQ(message_at(unknown), gai_strerror(5));
    EXPECT_NE(message_at(unknown), "Name or service not known");
    EXPECT_EQ(answer(builtin_gai_strerror, {post("x")}), "Z");  // the buffer stays
    EXPECT_EQ(message_at(unknown), gai_strerror(5));
    errno = KEPT_ERRNO;
    call(builtin_gai_strerror, {num(EAI_SYSTEM)});
    EXPECT_EQ(errno, KEPT_ERRNO);
    const char16_t* buffer = reinterpret_cast<const char16_t*>(as_pointer(unknown));
    EXPECT_EQ(buffer[GAI_MESSAGE_UNITS - 1], 0);
}

}  // namespace
