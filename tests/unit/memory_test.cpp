// Memory accessor rules and the raw-memory family refh ... refo.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "host_fixture.h"
#include "memory.h"

using namespace host_test;

namespace {

using MemoryRef = HostTest;

TEST(MemoryBytes, LittleEndianAtAnyAlignment) {
    alignas(8) u8 area[16] = {};
    u8* odd = area + 3;
    memory_store<8>(odd, 0x0807060504030201u);
    const u8 expected[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    EXPECT_EQ(std::memcmp(odd, expected, 8), 0);
    EXPECT_EQ(memory_load<1>(odd), 0x01u);
    EXPECT_EQ(memory_load<2>(odd), 0x0201u);
    EXPECT_EQ(memory_load<4>(odd), 0x04030201u);
    EXPECT_EQ(memory_load<8>(odd), 0x0807060504030201u);
    memory_store<2>(odd, 0xFFFFAABBu);  // only the low two bytes go
    EXPECT_EQ(odd[0], 0xBB);
    EXPECT_EQ(odd[1], 0xAA);
    EXPECT_EQ(odd[2], 3);
}

TEST(MemoryRange, CheckedOffsets) {
    struct Case {
        i64 n;
        int w;
        i64 offset;
        bool inside;
        i64 adjusted;
    } cases[] = {
        {4, 1, 0, true, 0},
        {4, 1, 3, true, 3},
        {4, 1, 4, false, 0},
        {4, 1, -1, true, 3},
        {4, 2, -1, false, 0},  // the last byte alone is too short
        {4, 2, -2, true, 2},
        {4, 4, -4, true, 0},
        {4, 4, -5, false, 0},
        {4, 2, 3, false, 0},
        {1, 2, 0, false, 0},  // the area is narrower than the value
        {0, 1, 0, false, 0},
        {0, 1, -1, false, 0},
        {8, 8, INT64_MAX, false, 0},  // offset + w would overflow
        {8, 8, INT64_MIN, false, 0},
        {INT64_MAX, 8, INT64_MAX - 8, true, INT64_MAX - 8},
        {INT64_MAX, 8, INT64_MAX - 7, false, 0},
    };
    for (const Case& c : cases) {
        i64 offset = c.offset;
        EXPECT_EQ(memory_offset_in_range(c.n, c.w, &offset), c.inside) << c.n << " " << c.w << " " << c.offset;
        if (c.inside) {
            EXPECT_EQ(offset, c.adjusted);
        }
    }
}

TEST_F(MemoryRef, UnsharedMeansThreeHolders) {
    NodeRef listed = post("ab");  // the machine's argument list
    NodeRef app = node_make_app(leaf("f"), noderef_copy(listed));
    NodeRef own = node_right(app);  // the accessor's handle
    EXPECT_TRUE(memory_container_unshared(own));
    NodeRef other = noderef_copy(listed);  // a definition holding the value
    EXPECT_FALSE(memory_container_unshared(own));
    noderef_release(other);
    NodeRef pair = zits_pair("[a]", "[b]");
    NodeRef app2 = node_make_app(leaf("f"), noderef_copy(pair));
    EXPECT_FALSE(memory_container_unshared(node_right(app2)));  // a pair never is
}

TEST_F(MemoryRef, ReadsAreUnsigned) {
    u8 bytes[9] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F};
    struct Case {
        BuiltinFn fn;
        const char* value;
    } cases[] = {
        {builtin_refh, "255"},
        {builtin_refi, "65535"},
        {builtin_refj, "4294967295"},
        {builtin_refk, "18446744073709551615"},
    };
    for (const Case& c : cases) EXPECT_EQ(answer(c.fn, {addr(bytes)}), c.value);
    EXPECT_EQ(answer(builtin_refh, {addr(bytes + 8)}), "127");  // an odd address
}

TEST_F(MemoryRef, WritesStoreTheLowBytes) {
    alignas(8) u8 area[12];
    struct Case {
        BuiltinFn fn;
        NodeRef value;
        std::vector<u8> bytes;
    } cases[] = {
        {builtin_refl, num(256), {0x00, 0xEE}},
        {builtin_refl, num(-1), {0xFF, 0xEE}},
        {builtin_refm, num(258), {0x02, 0x01, 0xEE}},
        {builtin_refn, leaf("4294967361"), {0x41, 0, 0, 0, 0xEE}},
        {builtin_refo, num(-1), {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xEE}},
        {builtin_refo, leaf("18446744073709551615"), {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xEE}},
        {builtin_refm, list_int(leaf("K")), {0x00, 0x00, 0xEE}},
        {builtin_refl, leaf("K"), {0x00, 0xEE}},
    };
    for (const Case& c : cases) {
        std::memset(area, 0xEE, sizeof area);
        u8* at = area + 1;  // odd on purpose
        EXPECT_EQ(answer(c.fn, {addr(at), c.value}), "I") << text(c.value);
        EXPECT_EQ(std::vector<u8>(at, at + c.bytes.size()), c.bytes) << text(c.value);
        EXPECT_EQ(area[0], 0xEE);
    }
    std::memset(area, 0, sizeof area);
    call(builtin_refm, {addr(area), num(258)});
    EXPECT_EQ(answer(builtin_refi, {addr(area)}), "258");
}

TEST_F(MemoryRef, ReadTakesTheAbsoluteValueOfANumber) {
    u8 byte = 0x5A;
    i64 at = i64(reinterpret_cast<uintptr_t>(&byte));
    EXPECT_EQ(answer(builtin_refh, {num(-at)}), "90");
}

TEST_F(MemoryRef, WrongKindsAnswerZAndTouchNothing) {
    u8 area[8] = {};
    NodeRef wrong[] = {leaf("0017"), real(1.0), post("ab"), leaf("[ab]"), cray(), leaf("Z"),
                       node_make_app(leaf("K"), leaf("1"))};
    for (const NodeRef& w : wrong) {
        EXPECT_EQ(answer(builtin_refl, {w, num(1)}), "Z") << text(w);
        EXPECT_EQ(answer(builtin_refo, {addr(area), w}), "Z") << text(w);
        EXPECT_EQ(answer(builtin_refl, {w, w}), "Z") << text(w);
    }
    for (u8 b : area) EXPECT_EQ(b, 0);
    // Reads take numbers: a numb passes, the other kinds do not.
    for (int k = 1; k < 7; ++k) EXPECT_EQ(answer(builtin_refh, {wrong[k]}), "Z") << text(wrong[k]);
}

}  // namespace
