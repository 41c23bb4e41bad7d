// Socket builtins: registration, the class tests and widths of every row,
// byte order, descriptor sets, address texts, and exchanges over loopback
// (ports come from binding port 0).
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include "host_fixture.h"
#include "memory.h"
#include "registry.h"
#include "socket_host.h"
#include "sockets.h"

using namespace host_test;

namespace {

using SocketClasses = HostTest;
using SocketByteOrder = HostTest;
using SocketDescriptorSet = HostTest;
using SocketAddressText = HostTest;
using SocketLifecycle = HostTest;
using SocketExchange = HostTest;
using SocketGuards = HostTest;

// An errno value that no host call sets: seeing it afterwards shows that
// nothing was called.
const int UNTOUCHED_ERRNO = 4321;

// The integer that an answer holds.
i64 value(const NodeRef& t) { return integer_to_i64(noderef_copy(t)); }

// The answer of fn as a number; the answer must be an integer.
i64 number(BuiltinFn fn, const std::vector<NodeRef>& args) {
    NodeRef r = call(fn, args);
    EXPECT_TRUE(term_is_integer(noderef_copy(r))) << text(r);
    return value(r);
}

// Gives a socket a one-second receive timeout, so that no test can wait
// for ever.
void bound_wait(int fd) {
    timeval limit = {1, 0};
    ASSERT_EQ(setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit), 0);
}

// 127.0.0.1 at port (host order).
sockaddr_in loopback(uint16_t port) {
    sockaddr_in a;
    std::memset(&a, 0, sizeof a);
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return a;
}

// The port (host order) that fd is bound to.
uint16_t bound_port(int fd) {
    sockaddr_in a;
    socklen_t n = sizeof a;
    EXPECT_EQ(getsockname(fd, reinterpret_cast<sockaddr*>(&a), &n), 0);
    return ntohs(a.sin_port);
}

// A socket made with the builtin and bound with it to 127.0.0.1, port 0.
int bound_socket(int type) {
    int fd = int(number(builtin_socket, {num(AF_INET), num(type), num(0)}));
    EXPECT_GE(fd, 0);
    sockaddr_in a = loopback(0);
    EXPECT_EQ(answer(builtin_bind, {num(fd), addr(&a), num(sizeof a)}), "0");
    bound_wait(fd);
    return fd;
}

// A connected pair of local stream sockets, each with a bounded wait.
void stream_pair(int fds[2]) {
    ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, fds), 0);
    bound_wait(fds[0]);
    bound_wait(fds[1]);
}

bool descriptor_open(int fd) { return fcntl(fd, F_GETFD) != -1; }

TEST(SocketRegistry, NamesAndArities) {
    struct Case {
        const char* name;
        int arity;
        BuiltinFn fn;
    } cases[] = {
        {"socket", 3, builtin_socket},
        {"bind", 3, builtin_bind},
        {"listen", 2, builtin_listen},
        {"accept", 3, builtin_accept},
        {"connect", 3, builtin_connect},
        {"getpeername", 3, builtin_getpeername},
        {"setsockopt", 5, builtin_setsockopt},
        {"shutdown", 2, builtin_shutdown},
        {"closesocket", 1, builtin_closesocket},
        {"gethostname", 2, builtin_gethostname},
        {"addrinfo", 0, builtin_addrinfo},
        {"af_unspec", 0, builtin_af_unspec},
        {"ai_passive", 0, builtin_ai_passive},
        {"sock_stream", 0, builtin_ai_passive},
        {"htonl", 1, builtin_htonl},
        {"ntohl", 1, builtin_ntohl},
        {"htons", 1, builtin_htons},
        {"ntohs", 1, builtin_ntohs},
        {"fd_set", 2, builtin_fd_set},
        {"inet_ntop", 4, builtin_inet_ntop},
        {"inet_pton", 3, builtin_inet_pton},
        {"send", 4, builtin_send},
        {"sendto", 6, builtin_sendto},
        {"recv", 4, builtin_recv},
        {"recvfrom", 6, builtin_recvfrom},
        {"getaddrinfo", 4, builtin_getaddrinfo},
        {"freeaddrinfo", 1, builtin_freeaddrinfo},
        {"getnameinfo", 7, builtin_getnameinfo},
        {"gai_strerror", 1, builtin_gai_strerror},
    };
    int found = 0;
    for (const Case& c : cases) {
        for (const BuiltinSpec& spec : BUILTIN_SPECS) {
            if (std::strcmp(spec.name, c.name) != 0) continue;
            ++found;
            EXPECT_EQ(spec.arity, c.arity) << c.name;
            EXPECT_EQ(spec.fn, c.fn) << c.name;
        }
    }
    EXPECT_EQ(found, 29);
}

// Every builtin with harmless valid arguments, its classes and widths as
// each builtin's contract gives them (H handle, W whole, C
// closesocket's 32 bits, i int, L length, u u32, s u16, Z size).
struct Row {
    BuiltinFn fn;
    const char* classes;
    const char* widths;
    std::vector<NodeRef> valid;
};

SocketWidth width_of(char c) {
    switch (c) {
        case 'H': return WIDTH_HANDLE;
        case 'W': return WIDTH_WHOLE;
        case 'C': return WIDTH_HANDLE32;
        case 'i': return WIDTH_INT;
        case 'L': return WIDTH_LENGTH;
        case 'u': return WIDTH_U32;
        case 's': return WIDTH_U16;
        case 'Z': return WIDTH_SIZE;
    }
    return WIDTH_NONE;
}

TEST_F(SocketClasses, EveryArgumentInOrderWithNoHostCall) {
    alignas(8) u8 set[520] = {};
    alignas(8) u8 slot[8] = {};
    alignas(8) char buffer[64] = {};
    sockaddr_in a = loopback(9);
    char dotted[] = "1.2.3.4";
    NodeRef none = num(-1), zero = num(0), bytes = post("x");
    NodeRef set_at = addr(set), slot_at = addr(slot), buffer_at = addr(buffer), a_at = addr(&a);
    struct Named {
        SocketBuiltin which;
        Row row;
    } rows[] = {
        {SOCKET_SOCKET, {builtin_socket, "III", "iii", {none, none, none}}},
        {SOCKET_BIND, {builtin_bind, "III", "HWi", {none, zero, zero}}},
        {SOCKET_LISTEN, {builtin_listen, "II", "Hi", {none, zero}}},
        {SOCKET_ACCEPT, {builtin_accept, "III", "HWW", {none, zero, zero}}},
        {SOCKET_CONNECT, {builtin_connect, "III", "HWi", {none, zero, zero}}},
        {SOCKET_GETPEERNAME, {builtin_getpeername, "III", "HWW", {none, zero, zero}}},
        {SOCKET_SETSOCKOPT, {builtin_setsockopt, "IIIII", "HiiWi", {none, zero, zero, zero, zero}}},
        {SOCKET_SHUTDOWN, {builtin_shutdown, "II", "Hi", {none, zero}}},
        {SOCKET_CLOSESOCKET, {builtin_closesocket, "I", "C", {none}}},
        {SOCKET_GETHOSTNAME, {builtin_gethostname, "II", "WL", {buffer_at, num(sizeof buffer)}}},
        {SOCKET_ADDRINFO, {builtin_addrinfo, "", "", {}}},
        {SOCKET_AF_UNSPEC, {builtin_af_unspec, "", "", {}}},
        {SOCKET_AI_PASSIVE, {builtin_ai_passive, "", "", {}}},
        {SOCKET_HTONL, {builtin_htonl, "I", "u", {zero}}},
        {SOCKET_NTOHL, {builtin_ntohl, "I", "u", {zero}}},
        {SOCKET_HTONS, {builtin_htons, "I", "s", {zero}}},
        {SOCKET_NTOHS, {builtin_ntohs, "I", "s", {zero}}},
        {SOCKET_FD_SET, {builtin_fd_set, "II", "WW", {num(7), set_at}}},
        {SOCKET_INET_NTOP, {builtin_inet_ntop, "IIII", "iWWZ", {num(AF_INET), a_at, buffer_at, num(16)}}},
        {SOCKET_INET_PTON, {builtin_inet_pton, "III", "iWW", {none, addr(dotted), buffer_at}}},
        {SOCKET_SEND, {builtin_send, "ITII", "HWLi", {none, bytes, zero, zero}}},
        {SOCKET_SENDTO, {builtin_sendto, "ITIIII", "HWLiWi", {none, bytes, zero, zero, zero, zero}}},
        {SOCKET_RECV, {builtin_recv, "IIII", "HWLi", {none, zero, zero, zero}}},
        {SOCKET_RECVFROM, {builtin_recvfrom, "IIIIII", "HWLiWW", {none, zero, zero, zero, zero, zero}}},
        {SOCKET_GETADDRINFO, {builtin_getaddrinfo, "IIII", "WWWW", {zero, zero, zero, slot_at}}},
        {SOCKET_FREEADDRINFO, {builtin_freeaddrinfo, "I", "W", {zero}}},
        {SOCKET_GETNAMEINFO,
         {builtin_getnameinfo, "IIIIIII", "WiWuWui", {a_at, num(sizeof a), zero, zero, zero, zero, zero}}},
        {SOCKET_GAI_STRERROR, {builtin_gai_strerror, "I", "u", {num(-2)}}},
    };
    ASSERT_EQ(sizeof rows / sizeof rows[0], size_t(SOCKET_BUILTIN_COUNT));
    // Kinds that every integer place refuses, and those a text place refuses.
    std::vector<NodeRef> not_integer = {real(1.5), post("7"), leaf("[7]"), leaf("0017"), cray(), leaf("Z")};
    std::vector<NodeRef> not_text = {real(1.5), leaf("K"), leaf("0017"), cray(), leaf("Z")};
    for (const Named& named : rows) {
        const Row& row = named.row;
        const SocketSpec& spec = socket_spec(named.which);
        EXPECT_STREQ(spec.classes, row.classes) << named.which;
        for (size_t k = 0; k < std::strlen(row.widths); ++k)
            EXPECT_EQ(spec.widths[k], width_of(row.widths[k])) << named.which << " width " << k;
        EXPECT_NE(answer(row.fn, row.valid), "Z") << named.which;
        for (size_t k = 0; k < row.valid.size(); ++k) {
            for (const NodeRef& bad : row.classes[k] == 'T' ? not_text : not_integer) {
                std::vector<NodeRef> args = row.valid;
                args[k] = noderef_copy(bad);
                for (size_t later = k + 1; later < args.size(); ++later) args[later] = cray();  // never looked at
                errno = UNTOUCHED_ERRNO;
                EXPECT_EQ(answer(row.fn, args), "Z") << named.which << " argument " << k << " " << text(bad);
                EXPECT_EQ(errno, UNTOUCHED_ERRNO) << named.which;
            }
        }
    }
    EXPECT_EQ(std::memcmp(set, "\x01\0\0\0\0\0\0\0\x07", 9), 0);  // only the valid call wrote
}

TEST(SocketWidths, Narrowing) {
    struct Case {
        SocketWidth width;
        u64 word;
        bool accepted;
        i64 value;
        int error;
    } cases[] = {
        {WIDTH_WHOLE, u64(TWO_32 + 7), true, TWO_32 + 7, 0},
        {WIDTH_WHOLE, u64(-1), true, -1, 0},
        {WIDTH_HANDLE, 7, true, 7, 0},
        {WIDTH_HANDLE, u64(-1), true, -1, 0},  // fits an int: the host refuses it
        {WIDTH_HANDLE, u64(TWO_32 + 7), false, 0, EBADF},
        {WIDTH_HANDLE, u64(i64(INT32_MIN) - 1), false, 0, EBADF},
        {WIDTH_HANDLE32, u64(TWO_32 + 7), true, 7, 0},
        {WIDTH_HANDLE32, 0xFFFFFFFFu, true, -1, 0},
        {WIDTH_INT, u64(TWO_32 + 5), true, 5, 0},
        {WIDTH_INT, 0xFFFFFFFFu, true, -1, 0},
        {WIDTH_LENGTH, u64(TWO_32 + 5), true, 5, 0},
        {WIDTH_LENGTH, 0xFFFFFFFFu, false, 0, EINVAL},
        {WIDTH_LENGTH, 0x80000000u, false, 0, EINVAL},
        {WIDTH_LENGTH, 0x7FFFFFFFu, true, 0x7FFFFFFF, 0},
        {WIDTH_U32, 4294967294u, true, 4294967294, 0},
        {WIDTH_U32, u64(-1), true, 0xFFFFFFFF, 0},
        {WIDTH_U16, 65616, true, 80, 0},
        {WIDTH_SIZE, u64(TWO_32 + 4), true, 0xFFFFFFFF, 0},
        {WIDTH_SIZE, 4, true, 4, 0},
        {WIDTH_SIZE, u64(-1), true, 0xFFFFFFFF, 0},
    };
    for (const Case& c : cases) {
        i64 v = 0;
        errno = 0;
        EXPECT_EQ(socket_narrow(c.width, c.word, &v), c.accepted) << int(c.width) << " " << c.word;
        if (c.accepted) {
            EXPECT_EQ(v, c.value) << int(c.width) << " " << c.word;
        }
        EXPECT_EQ(errno, c.error) << int(c.width) << " " << c.word;
    }
}

TEST_F(SocketByteOrder, ValuesAndConstants) {
    struct Case {
        BuiltinFn fn;
        NodeRef arg;
        const char* result;
    } cases[] = {
        {builtin_htons, num(8080), "36895"},
        {builtin_ntohs, num(36895), "8080"},
        {builtin_htonl, num(2130706433), "16777343"},
        {builtin_ntohl, num(16777343), "2130706433"},
        {builtin_htons, num(65616), "20480"},
        {builtin_htons, num(80), "20480"},
        {builtin_htonl, num(-1), "4294967295"},
        {builtin_ntohl, num(-1), "4294967295"},
        {builtin_ntohs, num(-1), "65535"},
        {builtin_htonl, num(128), "2147483648"},
        {builtin_htonl, num(TWO_32 + 1), "16777216"},
        {builtin_htons, leaf("K"), "0"},
    };
    for (const Case& c : cases) EXPECT_EQ(answer(c.fn, {c.arg}), c.result) << text(c.arg);
    EXPECT_EQ(answer(builtin_addrinfo), "48");
    EXPECT_EQ(answer(builtin_af_unspec), "0");
    EXPECT_EQ(answer(builtin_ai_passive), "1");
    NodeRef first = call(builtin_addrinfo), second = call(builtin_addrinfo);
    EXPECT_NE(first.node, second.node);  // a new leaf at every call
}

TEST_F(SocketDescriptorSet, AppendsOnceUpToSixtyFour) {
    // The set in a block of its own size and guard bytes after it.
    const size_t SET = 520, GUARD = 16;
    std::vector<u8> block(SET + GUARD, 0xAB);
    std::memset(block.data(), 0, SET);
    block[4] = 0x5C;  // bytes 4-7 are never touched
    u8* set = block.data();
    auto count = [&] { return memory_load<4>(set); };
    auto slot = [&](int i) { return memory_load<8>(set + 8 + 8 * i); };
    EXPECT_EQ(answer(builtin_fd_set, {num(7), addr(set)}), "I");
    EXPECT_EQ(count(), 1u);
    EXPECT_EQ(slot(0), 7u);
    EXPECT_EQ(answer(builtin_fd_set, {num(7), addr(set)}), "I");
    EXPECT_EQ(count(), 1u);
    EXPECT_EQ(answer(builtin_fd_set, {num(TWO_32 + 7), addr(set)}), "I");  // all 64 bits compared
    EXPECT_EQ(count(), 2u);
    EXPECT_EQ(slot(1), u64(TWO_32 + 7));
    EXPECT_EQ(answer(builtin_fd_set, {num(-1), addr(set)}), "I");
    EXPECT_EQ(slot(2), ~u64(0));
    EXPECT_EQ(answer(builtin_fd_set, {num(2000), addr(set)}), "I");  // no descriptor-number bound
    EXPECT_EQ(slot(3), 2000u);
    for (int s = 100; count() < 64; ++s) call(builtin_fd_set, {num(s), addr(set)});
    std::vector<u8> full(block);
    EXPECT_EQ(answer(builtin_fd_set, {num(99999), addr(set)}), "I");
    EXPECT_EQ(block, full);  // a full set stays as it is, guards included
    EXPECT_EQ(block[4], 0x5C);
    EXPECT_EQ(answer(builtin_fd_set, {post("x"), addr(set)}), "Z");
    EXPECT_EQ(answer(builtin_fd_set, {num(5), post(std::string(520, '\0'))}), "Z");
    EXPECT_EQ(block, full);
}

TEST_F(SocketGuards, DescriptorSetCountAboveSixtyFourReadsSixtyFourSlots) {
    // A block exactly the set's size: reading a 65th slot would overrun it.
    u8* set = static_cast<u8*>(std::malloc(520));
    std::memset(set, 0, 520);
    memory_store<4>(set, 1000);
    std::vector<u8> before(set, set + 520);
    EXPECT_EQ(answer(builtin_fd_set, {num(3), addr(set)}), "I");
    EXPECT_TRUE(std::equal(before.begin(), before.end(), set));
    std::free(set);
}

TEST_F(SocketAddressText, NtopAndPton) {
    const u8 home[4] = {127, 0, 0, 1};
    char buffer[16];
    std::memset(buffer, 'x', sizeof buffer);
    EXPECT_EQ(answer(builtin_inet_ntop, {num(AF_INET), addr(home), addr(buffer), num(16)}), addr_text(buffer));
    EXPECT_STREQ(buffer, "127.0.0.1");
    EXPECT_EQ(answer(builtin_inet_ntop, {num(AF_INET), addr(home), addr(buffer), num(4)}), "0");
    EXPECT_EQ(answer(builtin_inet_ntop, {num(TWO_32 + AF_INET), addr(home), addr(buffer), num(TWO_32 + 4)}),
              addr_text(buffer));  // a large size is not cut to its low bits
    EXPECT_EQ(answer(builtin_inet_ntop, {num(12345), addr(home), addr(buffer), num(16)}), "0");
    char ten[] = "10.0.0.1";
    u8 out[16] = {};
    EXPECT_EQ(answer(builtin_inet_pton, {num(AF_INET), addr(ten), addr(out)}), "1");
    EXPECT_EQ(std::memcmp(out, "\x0a\0\0\x01", 4), 0);
    char six[] = "::1";
    EXPECT_EQ(answer(builtin_inet_pton, {num(AF_INET6), addr(six), addr(out)}), "1");
    EXPECT_EQ(out[15], 1);
    char junk[] = "10.0.0";
    EXPECT_EQ(answer(builtin_inet_pton, {num(AF_INET), addr(junk), addr(out)}), "0");
    EXPECT_EQ(answer(builtin_inet_pton, {num(12345), addr(ten), addr(out)}), "01");
    EXPECT_EQ(answer(builtin_inet_pton, {num(AF_INET), post("10.0.0.1"), addr(out)}), "Z");
    EXPECT_EQ(answer(builtin_inet_pton, {num(AF_INET), leaf("[10.0.0.1]"), addr(out)}), "Z");
}

TEST_F(SocketLifecycle, TcpOverLoopback) {
    int listener = bound_socket(SOCK_STREAM);
    uint16_t port = bound_port(listener);
    ASSERT_NE(port, 0);
    EXPECT_EQ(answer(builtin_listen, {num(listener + TWO_32), num(4)}), "01");  // names no socket
    EXPECT_EQ(errno, EBADF);
    EXPECT_EQ(answer(builtin_listen, {num(listener), num(TWO_32 + 5)}), "0");

    int client = int(number(builtin_socket, {num(TWO_32 + AF_INET), num(TWO_32 + SOCK_STREAM), num(0)}));
    ASSERT_GE(client, 0);
    bound_wait(client);
    sockaddr_in target = loopback(port);
    EXPECT_EQ(answer(builtin_connect, {num(client), addr(&target), num(TWO_32 + 16)}), "0");

    sockaddr_in peer;
    std::memset(&peer, 0, sizeof peer);
    uint32_t peer_length = sizeof peer;
    int server = int(number(builtin_accept, {num(listener), addr(&peer), addr(&peer_length)}));
    ASSERT_GE(server, 0);
    bound_wait(server);
    EXPECT_EQ(peer_length, 16u);
    EXPECT_EQ(peer.sin_family, AF_INET);
    EXPECT_EQ(peer.sin_addr.s_addr, htonl(INADDR_LOOPBACK));
    EXPECT_EQ(ntohs(peer.sin_port), bound_port(client));

    sockaddr_in seen;
    uint32_t seen_length = sizeof seen;
    EXPECT_EQ(answer(builtin_getpeername, {num(client), addr(&seen), addr(&seen_length)}), "0");
    EXPECT_EQ(ntohs(seen.sin_port), port);
    EXPECT_EQ(answer(builtin_getpeername, {num(listener), addr(&seen), addr(&seen_length)}), "01");
    EXPECT_EQ(answer(builtin_accept, {num(client), num(0), num(0)}), "01");  // not listening

    // Payload bytes in place, a data leaf with its brackets, the low bits of
    // a length.
    EXPECT_EQ(answer(builtin_send, {num(client), post("hello"), num(3), num(0)}), "3");
    EXPECT_EQ(answer(builtin_send, {num(client), leaf("[ab]"), num(4), num(0)}), "4");
    EXPECT_EQ(answer(builtin_send, {num(client), zits_pair("[a]", "[b]"), num(6), num(0)}), "6");
    EXPECT_EQ(answer(builtin_send, {num(client), post("12345678"), num(TWO_32 + 5), num(0)}), "5");
    EXPECT_EQ(answer(builtin_send, {num(client), post(""), num(0), num(0)}), "0");
    char got[64] = {};
    std::string received;
    while (received.size() < 18) {
        i64 n = number(builtin_recv, {num(server), addr(got), num(TWO_32 + 64), num(0)});
        ASSERT_GT(n, 0);
        received.append(got, size_t(n));
    }
    EXPECT_EQ(received, "hel[ab][a[b]]12345");

    EXPECT_EQ(answer(builtin_shutdown, {num(client), num(TWO_32 + SHUT_WR)}), "0");
    EXPECT_EQ(answer(builtin_recv, {num(server), addr(got), num(64), num(0)}), "0");

    EXPECT_EQ(answer(builtin_closesocket, {num(client + TWO_32)}), "0");  // the low 32 bits
    EXPECT_FALSE(descriptor_open(client));
    EXPECT_EQ(answer(builtin_closesocket, {num(server)}), "0");
    EXPECT_EQ(answer(builtin_closesocket, {num(listener)}), "0");
    EXPECT_EQ(answer(builtin_closesocket, {num(listener)}), "01");
    EXPECT_EQ(errno, EBADF);
}

TEST_F(SocketLifecycle, OptionsAndHostName) {
    int fd = int(number(builtin_socket, {num(AF_INET), num(SOCK_STREAM), num(0)}));
    ASSERT_GE(fd, 0);
    int on = 1;
    EXPECT_EQ(answer(builtin_setsockopt, {num(fd), num(SOL_SOCKET), num(SO_REUSEADDR), addr(&on), num(TWO_32 + 4)}),
              "0");
    int got = 0;
    socklen_t n = sizeof got;
    ASSERT_EQ(getsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &got, &n), 0);
    EXPECT_EQ(got, 1);
    EXPECT_EQ(answer(builtin_setsockopt, {num(fd), num(SOL_SOCKET), num(SO_REUSEADDR), addr(&on), num(-1)}), "01");
    EXPECT_EQ(errno, EINVAL);
    EXPECT_EQ(answer(builtin_socket, {num(12345), num(SOCK_STREAM), num(0)}), "01");
    EXPECT_EQ(answer(builtin_closesocket, {num(fd)}), "0");

    char name[256];
    std::memset(name, 'x', sizeof name);
    ASSERT_EQ(answer(builtin_gethostname, {addr(name), num(TWO_32 + 256)}), "0");
    char expected[256];
    ASSERT_EQ(gethostname(expected, sizeof expected), 0);
    EXPECT_STREQ(name, expected);
    char tiny[4] = {'x', 'x', 'x', 'x'};
    size_t length = std::strlen(expected);
    if (length >= 2) {  // a name that cannot fit one byte and its NUL
        EXPECT_EQ(answer(builtin_gethostname, {addr(tiny), num(1)}), "01");
        EXPECT_EQ(errno, ENAMETOOLONG);
        EXPECT_EQ(tiny[1], 'x');  // only the stated length is written
    }
}

TEST_F(SocketExchange, UdpAnswersTheSenderRecvfromFilledIn) {
    int server = bound_socket(SOCK_DGRAM);
    int client = bound_socket(SOCK_DGRAM);
    sockaddr_in to = loopback(bound_port(server));
    EXPECT_EQ(answer(builtin_sendto, {num(client), leaf("[ping]"), num(6), num(0), addr(&to), num(16)}), "6");
    char got[32] = {};
    sockaddr_in from;
    std::memset(&from, 0, sizeof from);
    uint32_t from_length = sizeof from;
    EXPECT_EQ(answer(builtin_recvfrom, {num(server), addr(got), num(32), num(0), addr(&from), addr(&from_length)}),
              "6");
    EXPECT_STREQ(got, "[ping]");
    EXPECT_EQ(from_length, 16u);
    EXPECT_EQ(ntohs(from.sin_port), bound_port(client));
    EXPECT_EQ(answer(builtin_sendto, {num(server), post("pong"), num(4), num(0), addr(&from), num(from_length)}),
              "4");
    std::memset(got, 0, sizeof got);
    EXPECT_EQ(answer(builtin_recvfrom, {num(client), addr(got), num(32), num(0), num(0), num(0)}), "4");
    EXPECT_STREQ(got, "pong");
    close(server);
    close(client);
}

TEST_F(SocketExchange, TimeoutsClosedPeersAndBadHandles) {
    int fds[2];
    stream_pair(fds);
    timeval brief = {0, 50000};
    EXPECT_EQ(answer(builtin_setsockopt, {num(fds[0]), num(SOL_SOCKET), num(SO_RCVTIMEO), addr(&brief),
                                          num(sizeof brief)}),
              "0");
    char got[8];
    EXPECT_EQ(answer(builtin_recv, {num(fds[0]), addr(got), num(8), num(0)}), "01");
    EXPECT_EQ(errno, EWOULDBLOCK);
    close(fds[1]);
    NodeRef r = call(builtin_send, {num(fds[0]), post("x"), num(1), num(0)});
    EXPECT_EQ(text(r), "01");  // no signal: the run goes on
    EXPECT_TRUE(errno == EPIPE || errno == ECONNRESET) << errno;
    close(fds[0]);
    EXPECT_EQ(answer(builtin_recv, {num(fds[0]), addr(got), num(8), num(0)}), "01");
    EXPECT_EQ(errno, EBADF);
    EXPECT_EQ(answer(builtin_send, {num(fds[0] + TWO_32), post("x"), num(1), num(0)}), "01");
    EXPECT_EQ(errno, EBADF);
}

TEST_F(SocketGuards, NegativeLengthsMakeNoHostCall) {
    int fds[2];
    stream_pair(fds);
    ASSERT_EQ(write(fds[1], "ab", 2), 2);
    char got[8] = {};
    sockaddr_in none = loopback(9);
    uint32_t none_length = sizeof none;
    struct Case {
        BuiltinFn fn;
        std::vector<NodeRef> args;
    } cases[] = {
        {builtin_recv, {num(fds[0]), addr(got), num(0xFFFFFFFF), num(0)}},
        {builtin_recvfrom, {num(fds[0]), addr(got), num(-1), num(0), addr(&none), addr(&none_length)}},
        {builtin_send, {num(fds[0]), post("x"), num(0xFFFFFFFF), num(0)}},
        {builtin_sendto, {num(fds[0]), post("x"), num(INT32_MIN), num(0), num(0), num(0)}},
        {builtin_gethostname, {addr(got), num(-1)}},
    };
    for (const Case& c : cases) {
        errno = 0;
        EXPECT_EQ(answer(c.fn, c.args), "01");
        EXPECT_EQ(errno, EINVAL);
    }
    EXPECT_EQ(got[0], 0);  // nothing written
    EXPECT_EQ(read(fds[0], got, 8), 2);  // nothing consumed
    bound_wait(fds[1]);
    timeval brief = {0, 10000};
    setsockopt(fds[1], SOL_SOCKET, SO_RCVTIMEO, &brief, sizeof brief);
    EXPECT_EQ(read(fds[1], got, 8), -1);  // nothing sent
    close(fds[0]);
    close(fds[1]);
}

TEST_F(SocketGuards, LengthsPastTheTextSendNothing) {
    int fds[2];
    stream_pair(fds);
    sockaddr_in none = loopback(9);
    struct Case {
        BuiltinFn fn;
        std::vector<NodeRef> args;
    } cases[] = {
        {builtin_send, {num(fds[0]), post("hi"), num(3), num(0)}},
        {builtin_send, {num(fds[0]), leaf("[hi]"), num(100), num(0)}},
        {builtin_sendto, {num(fds[0]), zits_pair("[a]", "[b]"), num(7), num(0), addr(&none), num(sizeof none)}},
    };
    for (const Case& c : cases) {
        errno = 0;
        EXPECT_EQ(answer(c.fn, c.args), "01");
        EXPECT_EQ(errno, EINVAL);
    }
    EXPECT_EQ(answer(builtin_send, {num(fds[0]), leaf("[hi]"), num(4), num(0)}), "4");
    bound_wait(fds[1]);
    char got[16] = {};
    EXPECT_EQ(read(fds[1], got, sizeof got), 4);  // only the send within the text
    EXPECT_STREQ(got, "[hi]");
    close(fds[0]);
    close(fds[1]);
}

// Address 0 where the host needs memory: the failure result with EINVAL,
// and no host call.
TEST_F(SocketGuards, NullAddressesFailWithEinval) {
    const u8 home[4] = {127, 0, 0, 1};
    char buffer[16] = {};
    char ten[] = "10.0.0.1";
    struct Case {
        BuiltinFn fn;
        std::vector<NodeRef> args;
        const char* result;
    } cases[] = {
        {builtin_inet_pton, {num(AF_INET), num(0), addr(buffer)}, "01"},
        {builtin_inet_pton, {num(AF_INET), addr(ten), num(0)}, "01"},
        {builtin_inet_ntop, {num(AF_INET), num(0), addr(buffer), num(16)}, "0"},
        {builtin_inet_ntop, {num(AF_INET), addr(home), num(0), num(16)}, "0"},
        {builtin_gethostname, {num(0), num(16)}, "01"},
        {builtin_gethostname, {num(0), num(0)}, "01"},
        {builtin_fd_set, {num(3), num(0)}, "I"},
    };
    for (const Case& c : cases) {
        errno = 0;
        EXPECT_EQ(answer(c.fn, c.args), c.result);
        EXPECT_EQ(errno, EINVAL);
    }
    EXPECT_EQ(buffer[0], 0);
}

TEST_F(SocketGuards, ClosesocketClosesOnlySockets) {
    int pipe_fds[2];
    ASSERT_EQ(pipe(pipe_fds), 0);
    EXPECT_EQ(answer(builtin_closesocket, {num(pipe_fds[0])}), "01");
    EXPECT_EQ(errno, ENOTSOCK);
    EXPECT_TRUE(descriptor_open(pipe_fds[0]));
    EXPECT_EQ(answer(builtin_closesocket, {num(1)}), "01");
    EXPECT_TRUE(descriptor_open(1));
    close(pipe_fds[0]);
    close(pipe_fds[1]);
    EXPECT_EQ(answer(builtin_closesocket, {num(pipe_fds[0])}), "01");
    EXPECT_EQ(errno, EBADF);
    EXPECT_EQ(answer(builtin_closesocket, {num(-1)}), "01");
    EXPECT_EQ(errno, EBADF);
}

}  // namespace
