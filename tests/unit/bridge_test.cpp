// Bridge conventions: argument positions, the class tests in order, the C
// values they convert to, and the result classes.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "bridge.h"
#include "host_fixture.h"

using namespace host_test;

namespace {

using BridgeArguments = HostTest;
using BridgeClasses = HostTest;
using BridgeConvert = HostTest;
using BridgePin = HostTest;
using BridgeResults = HostTest;
using BridgeTake = HostTest;

TEST_F(BridgeArguments, ReadsTheSpineRightToLeft) {
    NodeRef a = leaf("1"), b = leaf("2"), c = leaf("3");
    NodeRef app = apply("f", {a, b, c});
    NodeRef out[3]{nullptr, nullptr, nullptr};
    bridge_arguments(app, 3, out);
    EXPECT_EQ(out[0].node, a.node);
    EXPECT_EQ(out[1].node, b.node);
    EXPECT_EQ(out[2].node, c.node);
    NodeRef one[1]{nullptr};
    bridge_arguments(app, 1, one);  // a1 of arity 1 is the outermost argument
    EXPECT_EQ(one[0].node, c.node);
    NodeRef bare = leaf("rand");
    bridge_arguments(bare, 0, nullptr);  // arity 0 reads nothing of a leaf
}

TEST_F(BridgeArguments, HoldsAnUnsharedArgumentThreeTimes) {
    // The machine's argument list holds one reference, the applying pair one,
    // and the builtin's own handle the third.
    NodeRef listed = leaf("[ab]");
    NodeRef app = node_make_app(leaf("f"), noderef_copy(listed));
    BridgeCall call;
    ASSERT_TRUE(bridge_take(call, std::move(app), "T"));
    EXPECT_EQ(node_refcount(call.arg[0].node), 3u);
}

TEST_F(BridgeClasses, AcceptExactlyTheirTerms) {
    // Columns: integer, text, real, natural, number.
    struct Case {
        const char* what;
        NodeRef term;
        const char* passes;
    } cases[] = {
        {"hint", leaf("42"), "ITNU"},
        {"negative hint", leaf("05"), "ITU"},
        {"zero", leaf("0"), "ITNU"},
        {"K", leaf("K"), "INU"},
        {"list integer", list_int(leaf("K")), "ITNU"},
        {"numb", leaf("0017"), "U"},
        {"real", real(1.5), "R"},
        {"post", post("abc"), "T"},
        {"empty post", post(""), "T"},
        {"zits leaf", leaf("[ab]"), "T"},
        {"zits pair", zits_pair("[ab]", "[c]"), "T"},
        {"cray", cray(), ""},
        {"error", leaf("Z"), ""},
        {"truth", leaf("H"), ""},
        {"function", node_make_app(leaf("K"), leaf("5")), ""},
    };
    for (const Case& c : cases) {
        for (char cls : std::string("ITRNU")) {
            bool expected = std::strchr(c.passes, cls) != nullptr;
            EXPECT_EQ(bridge_test(cls, c.term), expected) << c.what << " as " << cls;
        }
    }
}

TEST_F(BridgeClasses, RefuseUnreadableListForms) {
    // ((J K) x) with junk below passes term_is_integer but has no value.
    NodeRef junk = list_int(node_make_app(leaf("Q"), leaf("Q")));
    ASSERT_TRUE(term_is_integer(noderef_copy(junk)));
    for (char cls : std::string("ITNU")) EXPECT_FALSE(bridge_test(cls, junk)) << cls;
}

TEST_F(BridgeConvert, IntegersWrapModulo2To64) {
    struct Case {
        NodeRef term;
        u64 word;
        int as_int;
    } cases[] = {
        {leaf("05"), u64(-5), -5},
        {leaf("K"), 0, 0},
        {leaf("18446744073709551615"), ~u64(0), -1},
        {leaf("18446744073709551619"), 3, 3},    // 2^64 + 3
        {leaf("4294967361"), 4294967361u, 65},  // 2^32 + 65
        {leaf("09223372036854775808"), u64(1) << 63, 0},
    };
    for (const Case& c : cases) {
        BridgeCall call;
        ASSERT_TRUE(bridge_take(call, apply("f", {c.term}), "I"));
        EXPECT_EQ(call.word[0], c.word) << text(c.term);
        EXPECT_EQ(bridge_int(call, 0), c.as_int) << text(c.term);
    }
}

TEST_F(BridgeConvert, NumbersTakeTheAbsoluteValue) {
    BridgeCall call;
    ASSERT_TRUE(bridge_take(call, apply("f", {leaf("05"), leaf("K")}), "UU"));
    EXPECT_EQ(call.word[0], 5u);
    EXPECT_EQ(call.word[1], 0u);
}

TEST_F(BridgeConvert, TextsPointIntoTheirOwnLeaves) {
    NodeRef p = post("abc"), empty = post(""), z = leaf("[ab]");
    char host[] = "host";
    BridgeCall call;
    ASSERT_TRUE(bridge_take(call, apply("f", {p, empty, z, addr(host)}), "TTTT"));
    EXPECT_EQ(bridge_pointer<const char>(call, 0), payload(p));
    EXPECT_STREQ(bridge_pointer<const char>(call, 1), "");
    EXPECT_EQ(bridge_pointer<const char>(call, 1), payload(empty));
    EXPECT_EQ(bridge_pointer<const u8>(call, 2), leaf_bytes(z.node));
    EXPECT_STREQ(bridge_pointer<const char>(call, 2), "[ab]");
    EXPECT_EQ(bridge_pointer<char>(call, 3), host);
}

TEST_F(BridgeConvert, DataPairsAreFlattenedAndHeldForTheCall) {
    BridgeCall call;
    ASSERT_TRUE(bridge_take(call, apply("f", {zits_pair("[ab]", "[c]")}), "T"));
    ASSERT_NE(call.kept[0].node, nullptr);
    EXPECT_STREQ(bridge_pointer<const char>(call, 0), "[ab[c]]");
    EXPECT_EQ(bridge_pointer<const u8>(call, 0), leaf_bytes(call.kept[0].node));
}

TEST_F(BridgeConvert, RealsAndNaturals) {
    BridgeCall call;
    ASSERT_TRUE(bridge_take(call, apply("f", {real(-2.25), leaf("7")}), "RN"));
    EXPECT_EQ(call.real[0], -2.25);
    EXPECT_EQ(call.word[1], 7u);
}

TEST_F(BridgeTake, StopsAtTheFirstFailure) {
    // A real path fails first: the data pair after it is neither tested nor
    // flattened, and nothing is converted.
    BridgeCall call;
    EXPECT_FALSE(bridge_take(call, apply("f", {real(1.0), zits_pair("[a]", "[b]")}), "TT"));
    EXPECT_EQ(call.kept[1].node, nullptr);
    EXPECT_EQ(call.word[0], 0u);

    BridgeCall second;
    EXPECT_FALSE(bridge_take(second, apply("f", {leaf("5"), cray()}), "II"));
    EXPECT_EQ(second.word[0], 0u);  // tested, not converted
}

TEST_F(BridgeTake, ReleasesEverythingOnEveryPath) {
    NodeRef a = leaf("[ab]");
    {
        BridgeCall call;
        EXPECT_TRUE(bridge_take(call, apply("f", {a}), "T"));
    }
    EXPECT_EQ(node_refcount(a.node), 1u);
    {
        BridgeCall call;
        EXPECT_FALSE(bridge_take(call, apply("f", {a}), "R"));
    }
    EXPECT_EQ(node_refcount(a.node), 1u);
}

TEST_F(BridgePin, KeepsTheFlatLeafAfterTheCall) {
    const char* flat;
    {
        BridgeCall call;
        ASSERT_TRUE(bridge_take(call, apply("f", {zits_pair("[xy]", "[z]")}), "T"));
        flat = bridge_pointer<const char>(call, 0);
        bridge_pin_text(call, 0);
        EXPECT_EQ(call.kept[0].node, nullptr);
    }
    EXPECT_STREQ(flat, "[xy[z]]");  // still alive, held by the pin list
}

// Pins the flattened text of pair as a search result would; its address.
const char* pin_pair(const NodeRef& pair) {
    BridgeCall call;
    EXPECT_TRUE(bridge_take(call, apply("f", {pair}), "T"));
    bridge_pin_text(call, 0);
    return bridge_pointer<const char>(call, 0);
}

TEST_F(BridgePin, OneCopyPerLivePair) {
    NodeRef pair = zits_pair("[xy]", "[z]");
    i64 before = bridge_pinned_count();
    const char* first = pin_pair(pair);
    for (int i = 0; i < 1000; ++i) EXPECT_EQ(pin_pair(pair), first);
    EXPECT_EQ(bridge_pinned_count(), before + 1);
    EXPECT_STREQ(first, "[xy[z]]");
}

TEST_F(BridgePin, DroppedPairsLeaveABoundedNumberOfCopies) {
    NodeRef held = zits_pair("[kept]", "[k]");
    const char* kept = pin_pair(held);
    for (int i = 0; i < 10000; ++i) pin_pair(zits_pair("[dropped]", "[d]"));
    EXPECT_LT(bridge_pinned_count(), 200);
    EXPECT_STREQ(kept, "[kept[k]]");  // its pair is still held
    EXPECT_EQ(pin_pair(held), kept);
}

TEST_F(BridgeResults, TextsOfEachClass) {
    struct Case {
        NodeRef result;
        const char* text;
    } cases[] = {
        {bridge_signed(-1), "01"},
        {bridge_signed(int(0x80000000u)), "02147483648"},
        {bridge_signed(INT64_MIN), "09223372036854775808"},
        {bridge_unsigned(~u64(0)), "18446744073709551615"},
        {bridge_address(nullptr), "0"},
        {bridge_unit(), "I"},
        {bridge_error(), "Z"},
        {bridge_truth(true), "K"},
        {bridge_truth(false), "H"},
    };
    for (const Case& c : cases) EXPECT_EQ(text(c.result), c.text);
    EXPECT_EQ(real_leaf_value(bridge_real(0.5)), 0.5);
}

TEST_F(BridgeResults, EachCallMakesANewLeaf) {
    NodeRef a = bridge_error(), b = bridge_error();
    EXPECT_NE(a.node, b.node);
    EXPECT_EQ(node_refcount(a.node), 1u);
    NodeRef u = bridge_unit(), v = bridge_unit();
    EXPECT_NE(u.node, v.node);
}

}  // namespace
