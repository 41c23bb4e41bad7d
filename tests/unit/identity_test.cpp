// Memory and identity: leak and bond, the byte images of copy, post from
// raw memory, the shared empty vector, and interning.
#include <gtest/gtest.h>

#include <cstring>

#include "ends.h"
#include "identity.h"
#include "views_fixture.h"

using namespace view_test;

namespace {

using Identity = HostTest;

TEST_F(Identity, LeakKeepsTheNodeForBond) {
    NodeRef v = post("ab");
    Node* raw = v.node;
    NodeRef address = call(builtin_leak, {v});
    EXPECT_EQ(as_pointer(address), reinterpret_cast<const char*>(raw));
    EXPECT_EQ(node_refcount(raw), 2u);  // the handle and the leak
    noderef_release(v);
    NodeRef back = call(builtin_bond, {address});
    EXPECT_EQ(back.node, raw);
    EXPECT_EQ(node_refcount(raw), 2u);
    EXPECT_EQ(payload_of(back), "ab");
}

TEST_F(Identity, BondTakesOnlyLeakedAddresses) {
    NodeRef kept = leaf("kept");
    EXPECT_EQ(answer(builtin_bond, {num(0)}), "Z");
    EXPECT_EQ(answer(builtin_bond, {addr(kept.node)}), "Z");  // a live node, never leaked
    EXPECT_EQ(answer(builtin_bond, {leaf("H")}), "Z");
    EXPECT_EQ(answer(builtin_bond, {leaf("00")}), "Z");
    NodeRef address = call(builtin_leak, {kept});
    EXPECT_EQ(answer(builtin_bond, {num(integer_to_i64(noderef_copy(address)) + 1)}), "Z");
    EXPECT_EQ(call(builtin_bond, {address}).node, kept.node);
}

TEST_F(Identity, CopyWritesByteImages) {
    NodeRef x = leaf("x");
    NodeRef slots = cray_of({x, NodeRef(nullptr)});
    u64 x_address = u64(reinterpret_cast<uintptr_t>(x.node));
    std::string slot_bytes(reinterpret_cast<const char*>(&x_address), 8);
    slot_bytes.append(8, '\0');
    double d = -1.25;
    struct Case {
        NodeRef v;
        std::string image;
    } cases[] = {
        {post(std::string("ab\0c", 4)), std::string("ab\0c", 4)},
        {post(""), ""},
        {num(-12), "012"},
        {num(7), "7"},
        {leaf("00"), "00"},
        {list_int(leaf("K")), "0"},
        {real(d), std::string(reinterpret_cast<const char*>(&d), 8)},
        {slots, slot_bytes},
        {leaf("[a[b]c]"), "a[b]c"},
        {zits_pair("[a]", "[b]"), "a[b]"},
    };
    for (const Case& c : cases) {
        char area[24];
        std::memset(area, '#', sizeof area);
        EXPECT_EQ(answer(builtin_copy, {c.v, addr(area)}), "I") << text(c.v);
        EXPECT_EQ(std::string(area, c.image.size()), c.image) << text(c.v);
        EXPECT_EQ(area[c.image.size()], '#') << text(c.v);  // no NUL after it
    }
}

TEST_F(Identity, CopyRefusesWithoutWriting) {
    char area[8] = "#######";
    NodeRef refused[][2] = {
        {post("ab"), leaf("H")},
        {post("ab"), leaf("00")},
        {post("ab"), real(1.0)},
        {leaf("Z"), addr(area)},
        {leaf("K"), addr(area)},
        {list_int(node_app2(leaf("J"), leaf("Q"), leaf("K"))), addr(area)},
    };
    for (const auto& r : refused) EXPECT_EQ(answer(builtin_copy, {r[0], r[1]}), "Z") << text(r[0]);
    EXPECT_STREQ(area, "#######");
    // Address 0 names no memory: refused when there are bytes to write.
    for (const NodeRef& v : {post("ab"), real(1.0), num(7), leaf("[ab]"), cray_of({num(1)})})
        EXPECT_EQ(answer(builtin_copy, {v, num(0)}), "Z") << text(v);
    EXPECT_EQ(answer(builtin_copy, {post(""), num(0)}), "I");  // nothing to write
}

TEST_F(Identity, PostReadsRawBytes) {
    const char bytes[] = "hello";
    EXPECT_EQ(payload_of(call(builtin_post, {addr(bytes), num(5)})), "hello");
    EXPECT_EQ(payload_of(call(builtin_post, {addr(bytes), num(6)})), std::string("hello", 6));
    EXPECT_EQ(answer(builtin_post, {num(0), num(0)}), post_text(""));  // nothing is read
    EXPECT_EQ(answer(builtin_post, {num(0), num(1)}), "Z");  // address 0 names no memory
    EXPECT_EQ(answer(builtin_post, {addr(bytes), num(-1)}), "Z");
    EXPECT_EQ(answer(builtin_post, {addr(bytes), leaf("H")}), "Z");
    EXPECT_EQ(answer(builtin_post, {leaf("H"), num(1)}), "Z");
    EXPECT_EQ(answer(builtin_post, {post("x"), num(1)}), "Z");
    // copy then post: the real's 8 bytes.
    u8 area[8];
    call(builtin_copy, {real(2.0), addr(area)});
    double d = 2.0;
    EXPECT_EQ(payload_of(call(builtin_post, {addr(area), num(8)})), std::string(reinterpret_cast<const char*>(&d), 8));
}

TEST_F(Identity, CrayIsOneSharedEmptyVector) {
    NodeRef a = call(builtin_cray);
    NodeRef b = call(builtin_cray);
    EXPECT_EQ(a.node, b.node);
    EXPECT_EQ(node_aux(a.node), 0u);
    EXPECT_EQ(leaf_bytes(a.node)[0], 0x0A);
    u64 held = node_refcount(a.node);
    noderef_release(b);
    EXPECT_EQ(node_refcount(a.node), held - 1);
    EXPECT_GE(node_refcount(a.node), 2u);  // its own reference besides ours
    EXPECT_EQ(answer(builtin_rank, {a}), "0");
}

TEST_F(Identity, TernGivesOneNodePerShape) {
    NodeRef a = node_make_app(leaf("[ab]"), leaf("[cd]"));
    NodeRef b = node_make_app(leaf("[ab]"), leaf("[cd]"));
    NodeRef ta = call(builtin_tern, {a});
    NodeRef tb = call(builtin_tern, {b});
    EXPECT_EQ(ta.node, tb.node);
    EXPECT_EQ(call(builtin_tern, {ta}).node, ta.node);
    EXPECT_NE(call(builtin_tern, {leaf("[ab]")}).node, call(builtin_tern, {leaf("[ac]")}).node);
}

}  // namespace
