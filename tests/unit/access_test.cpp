// The accessors over the bytes of terms: the range rule of rec and rel, the
// limits of red and rem, each family's edge cases, and in-place writes
// against copies.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "access.h"
#include "views_fixture.h"

using namespace view_test;

namespace {

using Access = HostTest;

const int WIDTHS[4] = {1, 2, 4, 8};
const BuiltinFn REC_READ[4] = {builtin_rech, builtin_reci, builtin_recj, builtin_reck};
const BuiltinFn REC_WRITE[4] = {builtin_recl, builtin_recm, builtin_recn, builtin_reco};
const BuiltinFn RED_READ[4] = {builtin_redh, builtin_redi, builtin_redj, builtin_redk};
const BuiltinFn RED_WRITE[4] = {builtin_redl, builtin_redm, builtin_redn, builtin_redo};
const BuiltinFn REL_READ[4] = {builtin_relh, builtin_reli, builtin_relj, builtin_relk};
const BuiltinFn REL_WRITE[4] = {builtin_rell, builtin_relm, builtin_reln, builtin_relo};
const BuiltinFn REM_READ[4] = {builtin_remh, builtin_remi, builtin_remj, builtin_remk};
const BuiltinFn REM_WRITE[4] = {builtin_reml, builtin_remm, builtin_remn, builtin_remo};

const char* const INT64_MAX_TEXT = "9223372036854775807";
const char* const UINT64_MAX_TEXT = "18446744073709551615";

// A read of a container at an offset and its answer.
struct ReadCase {
    BuiltinFn fn;
    NodeRef offset;
    const char* want;
};

void expect_reads(const NodeRef& container, const std::vector<ReadCase>& cases) {
    for (const ReadCase& c : cases) EXPECT_EQ(answer(c.fn, {container, c.offset}), c.want) << text(c.offset);
}

// The little-endian value of w bytes of s from offset o, as text.
std::string value_at(const std::string& s, i64 o, int w) {
    u64 v = 0;
    std::memcpy(&v, s.data() + o, size_t(w));
    return text(unum(v));
}

TEST_F(Access, RangeRuleOfTheCheckedFamilies) {
    const std::string bytes = "abcdefghij";
    const i64 n = i64(bytes.size());
    struct Family {
        const char* name;
        NodeRef container;
        NodeRef empty;
        const BuiltinFn* read;
    } families[] = {
        {"rec", leaf(("[" + bytes + "]").c_str()), leaf("[]"), REC_READ},
        {"rel", post(bytes), post(""), REL_READ},
    };
    for (const Family& f : families) {
        for (int k = 0; k < 4; ++k) {
            int w = WIDTHS[k];
            auto read = [&](NodeRef o) { return answer(f.read[k], {f.container, o}); };
            std::string last = value_at(bytes, n - w, w);
            EXPECT_EQ(read(num(n - w)), last) << f.name << w;
            EXPECT_EQ(read(num(n - w + 1)), "Z") << f.name << w;
            EXPECT_EQ(read(num(-w)), last) << f.name << w;
            EXPECT_EQ(read(num(-w - 1)), value_at(bytes, n - w - 1, w)) << f.name << w;
            EXPECT_EQ(read(num(-n)), value_at(bytes, 0, w)) << f.name << w;
            EXPECT_EQ(read(num(-n - 1)), "Z") << f.name << w;
            EXPECT_EQ(read(leaf(INT64_MAX_TEXT)), "Z") << f.name << w;
            // 2^64 - 1 converts to -1: the last byte, and too short for any wider value.
            EXPECT_EQ(read(leaf(UINT64_MAX_TEXT)), w == 1 ? value_at(bytes, n - 1, 1) : "Z") << f.name << w;
            EXPECT_EQ(answer(f.read[k], {f.empty, num(0)}), "Z") << f.name << w;
            EXPECT_EQ(answer(f.read[k], {f.empty, num(-1)}), "Z") << f.name << w;
        }
    }
}

TEST_F(Access, CheckedPostAccess) {
    NodeRef p = post("\x01\x02\x03\x04");
    expect_reads(p, {
        {builtin_relj, num(0), "67305985"}, {builtin_reli, num(-2), "1027"}, {builtin_reli, num(-1), "Z"},
        {builtin_relh, num(4), "Z"},        {builtin_relh, num(-4), "1"},    {builtin_relh, num(-5), "Z"},
        {builtin_relj, num(1), "Z"},        {builtin_relh, leaf("K"), "1"},  {builtin_relh, leaf("00"), "Z"},
        {builtin_relh, post("0"), "Z"},
    });
    NodeRef written = call(builtin_rell, {p, num(0), num(-1)});
    EXPECT_EQ(answer(builtin_relh, {written, num(0)}), "255");
    EXPECT_EQ(payload_of(written).size(), 4u);
    NodeRef eight = post("12345678");
    EXPECT_EQ(answer(builtin_relk, {call(builtin_relo, {eight, num(0), num(-1)}), num(0)}), UINT64_MAX_TEXT);
    EXPECT_EQ(answer(builtin_relk, {call(builtin_relo, {eight, num(0), unum(~0ull)}), num(0)}), UINT64_MAX_TEXT);
    for (const NodeRef& target : {leaf("[ab]"), real(1.0), num(5), cray(), zits_pair("[a]", "[b]")})
        EXPECT_EQ(answer(builtin_relh, {target, num(0)}), "Z") << text(target);
    EXPECT_EQ(answer(builtin_rell, {p, num(0), real(1.0)}), "Z");
    EXPECT_EQ(answer(builtin_rell, {p, real(1.0), num(1)}), "Z");
    EXPECT_EQ(payload_of(p), "\x01\x02\x03\x04");
}

TEST_F(Access, DataTextAccess) {
    struct Case {
        BuiltinFn fn;
        NodeRef z;
        NodeRef offset;
        const char* want;
    } reads[] = {
        {builtin_rech, leaf("[abc]"), num(0), "97"},
        {builtin_rech, leaf("[abc]"), num(-1), "99"},
        {builtin_rech, leaf("[abc]"), num(3), "Z"},
        {builtin_rech, leaf("[abc]"), num(-4), "Z"},
        {builtin_rech, leaf("[]"), num(0), "Z"},
        {builtin_reci, leaf("[ab]"), num(0), "25185"},
        {builtin_reci, leaf("[ab]"), num(-1), "Z"},
        {builtin_reci, leaf("[ab]"), num(-2), "25185"},
        {builtin_reck, leaf("[abcdefgh]"), num(0), "7523094288207667809"},
        {builtin_rech, leaf("[a[b]c]"), num(1), "91"},
        {builtin_rech, zits_pair("[a]", "[b]"), num(-2), "98"},
        {builtin_rech, post("abc"), num(0), "Z"},
        {builtin_rech, num(5), num(0), "Z"},
        {builtin_rech, real(1.0), num(0), "Z"},
        {builtin_rech, leaf("[abc]"), real(0.0), "Z"},
        {builtin_rech, leaf("[abc]"), leaf("00"), "Z"},
    };
    for (const Case& c : reads) EXPECT_EQ(answer(c.fn, {c.z, c.offset}), c.want) << text(c.z) << " " << text(c.offset);
    struct Write {
        BuiltinFn fn;
        const char* z;
        i64 offset;
        i64 value;
        std::string want;
    } writes[] = {
        {builtin_recl, "[abc]", 1, 120, "[axc]"},
        {builtin_recl, "[a[b]c]", 1, 120, "Z"},
        {builtin_recl, "[a[b]c]", 1, 91, "[a[b]c]"},
        {builtin_recl, "[abc]", 0, 93, "Z"},
        {builtin_recl, "[abc]", 0, 353, "[abc]"},
        {builtin_recm, "[xy]", 0, 23899, "[[]]"},
        {builtin_recm, "[xy]", 0, 23387, "Z"},
        {builtin_recl, "[abc]", 1, 0, std::string("[a\0c]", 5)},
        {builtin_recl, "[abc]", 3, 0, "Z"},
        {builtin_reco, "[abcdefgh]", 0, 0x6867666564636261, "[abcdefgh]"},
        {builtin_reco, "[abcdefg]", 0, 0, "Z"},
    };
    for (const Write& c : writes)
        EXPECT_EQ(answer(c.fn, {leaf(c.z), num(c.offset), num(c.value)}), c.want) << c.z << " " << c.offset;
    NodeRef zeroed = call(builtin_recl, {leaf("[abc]"), num(1), num(0)});
    EXPECT_EQ(answer(builtin_rech, {zeroed, num(1)}), "0");
    EXPECT_EQ(answer(builtin_rech, {zeroed, num(2)}), "99");
    NodeRef pair = zits_pair("[a]", "[b]");
    NodeRef joined = call(builtin_recl, {pair, num(0), num('x')});
    EXPECT_TRUE(node_is_leaf(joined.node));
    EXPECT_EQ(text(joined), "[x[b]]");
    EXPECT_EQ(answer(builtin_recl, {leaf("[abc]"), num(0), leaf("00")}), "Z");
    EXPECT_EQ(answer(builtin_recl, {post("abc"), num(0), num(1)}), "Z");
}

TEST_F(Access, LeafTextAccess) {
    NodeRef one = real(1.0);
    EXPECT_EQ(answer(builtin_redk, {one, num(0)}), "4607182418800017408");
    NodeRef same = call(builtin_redo, {one, num(0), leaf("4611686018427387904")});
    EXPECT_EQ(same.node, one.node);
    EXPECT_EQ(real_leaf_value(one), 2.0);
    NodeRef ab = leaf("[AB]");
    expect_reads(ab, {
        {builtin_redh, num(0), "65"},  {builtin_redh, num(2), "93"},   {builtin_redi, num(0), "16961"},
        {builtin_redh, num(-1), "66"}, {builtin_redh, num(3), "Z"},    {builtin_redi, num(2), "Z"},
        {builtin_redj, num(0), "Z"},   {builtin_redh, leaf("00"), "65"}, {builtin_redh, leaf(UINT64_MAX_TEXT), "Z"},
        {builtin_redh, post("1"), "Z"}, {builtin_redh, leaf("[1]"), "Z"}, {builtin_redh, real(0.0), "Z"},
    });
    EXPECT_EQ(answer(builtin_redk, {one, num(1)}), "Z");  // past the 8 bytes
    // Writes land in the target itself, whoever else holds it.
    NodeRef holder = noderef_copy(ab);
    NodeRef r = call(builtin_redl, {ab, num(0), num(-1)});
    EXPECT_EQ(r.node, ab.node);
    EXPECT_EQ(text(ab), "[\x01" "B]");
    call(builtin_redl, {ab, num(0), num(256)});
    EXPECT_EQ(text(ab), std::string("[\0B]", 4));
    EXPECT_EQ(answer(builtin_redl, {ab, num(0), cray()}), "Z");
    EXPECT_EQ(answer(builtin_redl, {ab, num(3), num(1)}), "Z");
    EXPECT_EQ(text(ab), std::string("[\0B]", 4));
    // A NUL written into a name shortens it.
    NodeRef name = leaf("abc");
    call(builtin_redl, {name, num(0), num(0)});
    EXPECT_EQ(text(name), "a");
    EXPECT_EQ(answer(builtin_redh, {name, num(0)}), "Z");
}

TEST_F(Access, LeafTextLimits) {
    NodeRef x = leaf("x");
    NodeRef slots = cray_of({x, NodeRef(nullptr)});
    EXPECT_EQ(as_pointer(call(builtin_redk, {slots, num(0)})), reinterpret_cast<const char*>(x.node));
    EXPECT_EQ(answer(builtin_redk, {slots, num(8)}), "0");
    EXPECT_EQ(answer(builtin_redk, {slots, num(9)}), "Z");
    EXPECT_EQ(answer(builtin_redo, {slots, num(8), num(1)}), "Z");  // slots are never written
    EXPECT_EQ(answer(builtin_redl, {slots, num(15), num(1)}), "Z");
    EXPECT_EQ(answer(builtin_redk, {slots, num(8)}), "0");
    // A post's length digits and ")" may be read, not written: "(c)abc".
    NodeRef p = post("abc");
    EXPECT_EQ(answer(builtin_redh, {p, num(1)}), "41");
    EXPECT_EQ(answer(builtin_redl, {p, num(0), num('d')}), "Z");
    EXPECT_EQ(answer(builtin_redl, {p, num(1), num('d')}), "Z");
    EXPECT_EQ(answer(builtin_redm, {p, num(1), num(0x6464)}), "Z");
    EXPECT_EQ(payload_of(call(builtin_redl, {p, num(2), num('d')})), "dbc");
    EXPECT_EQ(answer(builtin_redl, {p, num(5), num('d')}), "Z");
    // A pair has no text.
    EXPECT_EQ(answer(builtin_redh, {zits_pair("[a]", "[b]"), num(0)}), "Z");
    EXPECT_EQ(answer(builtin_redl, {node_make_app(leaf("K"), leaf("1")), num(0), num(0)}), "Z");
    EXPECT_EQ(answer(builtin_redh, {leaf("K"), num(0)}), "Z");
}

TEST_F(Access, UncheckedPostAccess) {
    NodeRef p = post("\x01\x02\x03\x04");
    expect_reads(p, {
        {builtin_remj, num(0), "67305985"}, {builtin_remi, num(2), "1027"}, {builtin_remh, num(-3), "4"},
        {builtin_remh, leaf("03"), "4"},    {builtin_remh, leaf("00"), "1"}, {builtin_remh, num(4), "Z"},
        {builtin_remi, num(3), "Z"},        {builtin_remk, num(0), "Z"},    {builtin_remh, leaf(UINT64_MAX_TEXT), "Z"},
        {builtin_remh, post("1"), "Z"},     {builtin_remh, leaf("[1]"), "Z"}, {builtin_remh, real(1.0), "Z"},
        {builtin_remh, cray(), "Z"},
    });
    for (const NodeRef& target : {leaf("[ab]"), real(1.0), num(5), cray()})
        EXPECT_EQ(answer(builtin_remh, {target, num(0)}), "Z") << text(target);
    for (int k = 0; k < 4; ++k) EXPECT_EQ(answer(REM_READ[k], {post(""), num(0)}), "Z");
    NodeRef holder = noderef_copy(p);
    EXPECT_EQ(call(builtin_reml, {p, num(0), num(-1)}).node, p.node);
    EXPECT_EQ(answer(builtin_remh, {p, num(0)}), "1");
    call(builtin_reml, {p, num(0), num(511)});
    EXPECT_EQ(answer(builtin_remh, {p, num(0)}), "255");
    EXPECT_EQ(answer(builtin_reml, {p, num(4), num(1)}), "Z");
    EXPECT_EQ(answer(builtin_remm, {p, num(3), num(1)}), "Z");
    EXPECT_EQ(answer(builtin_reml, {p, num(0), leaf("[1]")}), "Z");
    EXPECT_EQ(payload_of(p), "\xff\x02\x03\x04");
}

// Every writer on a container held only as the call holds it, then with one
// more holder: rec and rel write in place or into a copy, red and rem always
// in place.
TEST_F(Access, WritesInPlaceOrIntoACopy) {
    struct Family {
        const char* name;
        const BuiltinFn* write;
        const BuiltinFn* read;
        bool always_in_place;
        NodeRef (*make)();
    } families[] = {
        {"rec", REC_WRITE, REC_READ, false, [] { return leaf("[abcdefgh]"); }},
        {"rel", REL_WRITE, REL_READ, false, [] { return post("abcdefgh"); }},
        {"red", RED_WRITE, RED_READ, true, [] { return leaf("[abcdefgh]"); }},
        {"rem", REM_WRITE, REM_READ, true, [] { return post("abcdefgh"); }},
    };
    for (const Family& f : families) {
        for (int k = 0; k < 4; ++k) {
            const u64 value = 0x3132333435363738u;  // no brackets
            std::string want = value_at(std::string(reinterpret_cast<const char*>(&value), 8), 0, WIDTHS[k]);
            // Alone.
            NodeRef container = f.make();
            Node* raw = container.node;
            NodeRef r = call_held(f.write[k], std::move(container), {num(0), unum(value)});
            EXPECT_EQ(r.node, raw) << f.name << k;
            EXPECT_EQ(answer(f.read[k], {r, num(0)}), want) << f.name << k;
            // With one more holder.
            NodeRef kept = f.make();
            std::string before = text(kept);
            NodeRef s = call_held(f.write[k], noderef_copy(kept), {num(0), unum(value)});
            EXPECT_EQ(answer(f.read[k], {s, num(0)}), want) << f.name << k;
            EXPECT_EQ(s.node == kept.node, f.always_in_place) << f.name << k;
            if (!f.always_in_place) {
                EXPECT_EQ(text(kept), before) << f.name << k;
                EXPECT_EQ(leaf_byte_length(s), leaf_byte_length(kept)) << f.name << k;
            }
        }
    }
}

TEST_F(Access, RefusedBalanceLeavesTheUnsharedTextAlone) {
    NodeRef focus(nullptr);
    EXPECT_EQ(text(call_held(builtin_recl, leaf("[abc]"), {num(1), num('['), }, &focus)), "Z");
    EXPECT_EQ(text(argument_of(focus, 3, 0)), "[abc]");
    EXPECT_EQ(text(call_held(builtin_recm, leaf("[a]bc]"), {num(1), num(0x6161)}, &focus)), "Z");
    EXPECT_EQ(text(argument_of(focus, 3, 0)), "[a]bc]");
}

}  // namespace
