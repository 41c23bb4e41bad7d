// Positional views: the index rule per kind, look, trim and cork, their
// argument order, and cork's in-place path.
#include <gtest/gtest.h>

#include <cstring>

#include "bits.h"
#include "ends.h"
#include "views.h"
#include "views_fixture.h"

using namespace view_test;

namespace {

using Views = HostTest;

// The integer 2^64 + 1, which wraps to 1.
const char* const WRAPS_TO_ONE = "18446744073709551617";

// The bracket name of byte b, as rght gives it.
NodeRef byte_name(char b) {
    const char text[5] = {'[', 'a', b, ']', 0};
    return call(builtin_rght, {leaf(text)});
}

// The list form ((J K) ((J Q) K)) of an integer whose second cell is not a
// bit: it has no value.
NodeRef malformed_list() { return list_int(node_app2(leaf("J"), leaf("Q"), leaf("K"))); }

double real_value(const NodeRef& r) { return real_leaf_value(r); }

TEST_F(Views, IndexRulePerKind) {
    NodeRef x = leaf("x"), y = leaf("y");
    NodeRef slots = cray_of({x, NodeRef(nullptr), y});
    struct Case {
        NodeRef v;
        NodeRef i;
        const char* want;
    } cases[] = {
        // Payload bytes.
        {post("abc"), num(0), "97"},
        {post("abc"), num(2), "99"},
        {post("abc"), num(-1), "99"},
        {post("abc"), num(-3), "97"},
        {post("abc"), num(-4), "Z"},
        {post("abc"), num(3), "Z"},
        {post("abc"), num(4), "Z"},
        {post("abc"), leaf("K"), "97"},
        {post("abc"), leaf(WRAPS_TO_ONE), "98"},
        {post("abc"), list_int(leaf("K")), "97"},
        {post("abc"), malformed_list(), "Z"},
        {post("abc"), leaf("002"), "Z"},
        {post("abc"), leaf("H"), "Z"},
        {post("abc"), leaf("[1]"), "Z"},
        {post("abc"), real(1.0), "Z"},
        {post(""), num(0), "Z"},
        {post(""), num(-1), "Z"},
        // Content bytes: inner brackets are positions, outer ones never.
        {leaf("[a[b]c]"), num(0), "97"},
        {leaf("[a[b]c]"), num(1), "91"},
        {leaf("[a[b]c]"), num(-1), "99"},
        {leaf("[a[b]c]"), num(-5), "97"},
        {leaf("[a[b]c]"), num(-6), "Z"},
        {leaf("[a[b]c]"), num(5), "Z"},
        {leaf("[]"), num(0), "Z"},
        {leaf("[]"), num(-1), "Z"},
        {zits_pair("[a]", "[b]"), num(1), "91"},  // a[b]
        {zits_pair("[a]", "[b]"), num(-1), "93"},
        {node_make_app(leaf("[x]"), byte_name('b')), num(1), "98"},  // xb
        {node_make_app(leaf("[x]"), byte_name('b')), num(2), "Z"},
        // Slots.
        {slots, num(1), "Z"},
        {slots, num(3), "Z"},
        {slots, num(-4), "Z"},
        {cray(), num(0), "Z"},
        {cray(), num(-1), "Z"},
        // Bits of the code of 5 (10111), of -5 (10101) and of the numb zero (10).
        {num(5), num(0), "K"},
        {num(5), num(2), "K"},
        {num(5), num(3), "H"},
        {num(5), num(4), "K"},
        {num(5), num(5), "H"},
        {num(5), num(1000), "H"},
        {num(5), leaf(WRAPS_TO_ONE), "K"},
        {num(5), num(-1), "H"},
        {num(5), num(-4), "K"},
        {num(5), num(-5), "Z"},
        {num(-5), num(1), "H"},
        {num(-5), num(4), "K"},
        {leaf("00"), num(0), "H"},
        {leaf("00"), num(1), "K"},
        {leaf("00"), num(-1), "H"},
        {leaf("00"), num(-2), "Z"},
        {list_int(leaf("K")), num(0), "K"},  // the list form of 0: code 11
        {malformed_list(), num(0), "Z"},
        // Bits of a real's pattern: 1.0 is 0x3FF0000000000000.
        {real(1.0), num(63), "H"},
        {real(1.0), num(-1), "H"},
        {real(1.0), num(62), "H"},
        {real(1.0), num(61), "K"},
        {real(1.0), num(52), "K"},
        {real(1.0), num(51), "H"},
        {real(1.0), num(-64), "H"},
        {real(1.0), num(64), "Z"},
        {real(1.0), num(-65), "Z"},
        {real(-0.0), num(63), "K"},
        // No data kind.
        {leaf("Z"), num(0), "Z"},
        {leaf("K"), num(0), "Z"},
        {node_make_app(leaf("K"), leaf("1")), num(0), "Z"},
    };
    for (const Case& c : cases) EXPECT_EQ(answer(builtin_look, {c.v, c.i}), c.want) << text(c.v) << " " << text(c.i);
    // An element comes back as the node itself.
    EXPECT_EQ(call(builtin_look, {slots, num(-1)}).node, y.node);
    EXPECT_EQ(call(builtin_look, {slots, num(-3)}).node, x.node);
    EXPECT_EQ(node_refcount(x.node), 2u);  // the handle and the slot: the answer is gone
}

TEST_F(Views, MinusLengthReadsTheFirstBitOfEveryNumber) {
    for (const char* n : {"1", "7", "05", "123456789012345678901234567890", "00", "001", "0017", "00123"}) {
        i64 length = number_bits_length(number_to_bits(leaf(n)));
        EXPECT_EQ(answer(builtin_look, {leaf(n), num(-length)}), n[0] == '0' && n[1] == '0' ? "H" : "K") << n;
        EXPECT_EQ(answer(builtin_look, {leaf(n), num(length)}), "K") << n;  // the end marker
    }
}

TEST_F(Views, ResultLeavesAreNewAtEveryCall) {
    NodeRef a = call(builtin_look, {num(5), num(0)});
    NodeRef b = call(builtin_look, {num(5), num(0)});
    EXPECT_NE(a.node, b.node);
}

TEST_F(Views, IndexesAreTestedBeforeTheValue) {
    // Classifying an undefined name is a fatal assertion, so only a builtin
    // that refuses the index first can answer these.
    NodeRef unknown = leaf("nowhere_defined");
    EXPECT_EQ(answer(builtin_look, {unknown, leaf("H")}), "Z");
    EXPECT_EQ(answer(builtin_trim, {unknown, leaf("00"), num(0)}), "Z");
    EXPECT_EQ(answer(builtin_trim, {unknown, num(0), leaf("[x]")}), "Z");
    EXPECT_EQ(answer(builtin_cork, {unknown, real(0.0), num(0)}), "Z");
}

TEST_F(Views, TrimCases) {
    NodeRef content = leaf("[a[b]c]");
    struct Case {
        NodeRef v;
        i64 from, to;
        std::string want;
    } cases[] = {
        {post("abc"), 1, 2, post_text("b")},
        {post("abc"), -1, 3, post_text("c")},
        {post("abc"), 3, 3, post_text("")},
        {post(""), 100, 100, post_text("")},
        {post("abc"), 0, 4, "Z"},
        {post("abc"), 2, 1, "Z"},
        {post("abc"), -2, 0, "Z"},
        {post("abc"), -4, 2, "Z"},
        {post("abc"), 4, 5, "Z"},
        {content, 1, 4, "[[b]]"},
        {content, 0, 2, "Z"},  // "[" left open
        {content, 2, 5, "Z"},  // the depth drops below 0
        {content, 0, -1, "[a[b]]"},
        {content, -2, 0, "Z"},
        {content, 3, 3, "[]"},
        {content, 9, 9, "[]"},
        {content, 5, 6, "Z"},
        {zits_pair("[a]", "[b]"), 1, 4, "[[b]]"},
        {num(5), 0, 1, "Z"},
        {real(1.0), 0, 1, "Z"},
        {leaf("Z"), 0, 0, "Z"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(answer(builtin_trim, {c.v, num(c.from), num(c.to)}), c.want) << text(c.v) << " " << c.from << " " << c.to;
    // The whole value is a copy; a data pair comes back as one leaf.
    NodeRef whole = call(builtin_trim, {content, num(0), num(5)});
    EXPECT_NE(whole.node, content.node);
    EXPECT_EQ(text(whole), "[a[b]c]");
    NodeRef joined = call(builtin_trim, {zits_pair("[a]", "[b]"), num(0), num(4)});
    EXPECT_TRUE(node_is_leaf(joined.node));
    EXPECT_EQ(text(joined), "[a[b]]");
}

TEST_F(Views, TrimSharesArrayElements) {
    NodeRef x = leaf("x"), y = leaf("y");
    NodeRef slots = cray_of({x, NodeRef(nullptr), y});
    NodeRef front = call(builtin_trim, {slots, num(0), num(2)});
    EXPECT_EQ(node_aux(front.node), 2u);
    EXPECT_EQ(leaf_vector_slot(front.node, 0), x.node);
    EXPECT_EQ(leaf_vector_slot(front.node, 1), nullptr);
    EXPECT_EQ(node_refcount(x.node), 3u);
    NodeRef last = call(builtin_trim, {slots, num(-1), num(3)});
    EXPECT_EQ(leaf_vector_slot(last.node, 0), y.node);
    EXPECT_EQ(answer(builtin_look, {call(builtin_trim, {slots, num(1), num(1)}), num(0)}), "Z");
    EXPECT_EQ(node_aux(call(builtin_trim, {slots, num(3), num(3)}).node), 0u);
    EXPECT_EQ(answer(builtin_trim, {slots, num(5), num(5)}), "Z");  // no shortcut for arrays
    EXPECT_EQ(answer(builtin_trim, {slots, num(2), num(4)}), "Z");
    slots = cray();
    front = cray();
    EXPECT_EQ(node_refcount(x.node), 1u);  // the slices that held x are gone
}

TEST_F(Views, CorkBytes) {
    struct Case {
        NodeRef v;
        NodeRef i;
        NodeRef x;
        std::string want;
    } cases[] = {
        {post("abc"), num(-1), num(100), post_text("abd")},
        {post("abc"), num(3), num(100), "Z"},
        {post("abc"), num(0), leaf("H"), "Z"},
        {post("abc"), num(0), num(-1), post_text("\xff" "bc")},
        {post("abc"), num(0), num(321), post_text("Abc")},
        {post(""), num(0), num(1), "Z"},
        {leaf("[a[b]c]"), num(1), num(120), "Z"},  // a bracket is not replaced
        {leaf("[a[b]c]"), num(2), num(120), "[a[x]c]"},
        {leaf("[a[b]c]"), num(0), num(256 + 65), "[A[b]c]"},
        {leaf("[a[b]c]"), num(0), num('['), "Z"},  // nor written
        {leaf("[a[b]c]"), num(0), num(']'), "Z"},
        {leaf("[a[b]c]"), num(5), num(120), "Z"},
        {leaf("[a[b]c]"), num(0), num(15), "[\x0f[b]c]"},
        {zits_pair("[a]", "[b]"), num(0), num(120), "[x[b]]"},
        {node_make_app(leaf("[x]"), byte_name('b')), num(1), num(99), "[xc]"},
        // The content is "xb": position 2 lies past it.
        {node_make_app(leaf("[x]"), byte_name('b')), num(2), num(99), "Z"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(answer(builtin_cork, {c.v, c.i, c.x}), c.want) << text(c.v) << " " << text(c.i) << " " << text(c.x);
}

TEST_F(Views, CorkSlots) {
    NodeRef x = leaf("x"), y = leaf("y"), z = leaf("z");
    NodeRef slots = cray_of({x, y, z});
    NodeRef first = call(builtin_cork, {slots, num(-3), leaf("w")});
    EXPECT_EQ(text(call(builtin_look, {first, num(0)})), "w");
    EXPECT_EQ(call(builtin_look, {slots, num(0)}).node, x.node);  // shared: the original stays
    EXPECT_EQ(leaf_vector_slot(first.node, 1), y.node);           // elements are shared, not copied
    NodeRef emptied = call(builtin_cork, {slots, num(1), leaf("U")});
    EXPECT_EQ(leaf_vector_slot(emptied.node, 1), nullptr);
    EXPECT_EQ(answer(builtin_look, {emptied, num(1)}), "Z");
    NodeRef error = leaf("Z");
    NodeRef stored = call(builtin_cork, {slots, num(2), error});
    EXPECT_EQ(leaf_vector_slot(stored.node, 2), error.node);
    EXPECT_EQ(answer(builtin_cork, {slots, num(3), leaf("w")}), "Z");
}

TEST_F(Views, CorkNumberBits) {
    struct Case {
        const char* v;
        i64 i;
        const char* x;
        const char* want;
    } cases[] = {
        {"5", 0, "H", "005"}, {"5", 1, "H", "05"},   {"5", 4, "H", "1"},    {"5", 6, "K", "21"},
        {"5", 7, "H", "5"},   {"5", 1000, "H", "5"}, {"5", -4, "H", "005"}, {"5", -5, "K", "Z"},
        {"0", 1, "H", "K"},   {"0", 0, "H", "00"},   {"00", 1, "H", "Z"},   {"00", 0, "H", "00"},
        {"00", 0, "K", "0"},  {"5", 0, "Kxyz", "5"}, {"5", 0, "1", "Z"},    {"5", 0, "[K]", "Z"},
        {"5", 4294967296, "K", "Z"},  // growing to 2^32 bits is refused
        {"5", 4294967296, "H", "5"},  // clearing far out changes nothing
    };
    for (const Case& c : cases)
        EXPECT_EQ(answer(builtin_cork, {leaf(c.v), num(c.i), leaf(c.x)}), c.want) << c.v << " " << c.i << " " << c.x;
    NodeRef grown = call(builtin_cork, {leaf("5"), num(70), leaf("K")});
    EXPECT_EQ(answer(builtin_look, {grown, num(70)}), "K");
    EXPECT_EQ(answer(builtin_look, {grown, num(69)}), "H");
    EXPECT_EQ(answer(builtin_cork, {malformed_list(), num(0), leaf("K")}), "Z");
    EXPECT_EQ(answer(builtin_cork, {list_int(leaf("K")), num(2), leaf("K")}), "1");  // code 11 -> 111
}

TEST_F(Views, CorkRealBits) {
    EXPECT_EQ(real_value(call(builtin_cork, {real(1.5), num(63), leaf("K")})), -1.5);
    EXPECT_EQ(real_value(call(builtin_cork, {real(-1.5), num(-1), leaf("H")})), 1.5);
    EXPECT_EQ(answer(builtin_cork, {real(1.0), num(64), leaf("Q")}), "Z");  // the index first
    EXPECT_EQ(answer(builtin_cork, {real(1.0), num(-65), leaf("K")}), "Z");
    EXPECT_EQ(answer(builtin_cork, {real(1.0), num(0), num(1)}), "Z");
    const u64 signalling = 0x7FF0000000000001u;  // a NaN with a payload
    NodeRef r = call(builtin_cork, {real_of_pattern(signalling), num(4), leaf("K")});
    EXPECT_EQ(real_pattern(r), signalling | 0x10u);
}

TEST_F(Views, CorkWritesInPlaceOnlyWhenTheCallAloneHoldsTheValue) {
    struct Case {
        const char* what;
        NodeRef v;
        NodeRef x;
        std::string changed;
    } cases[] = {
        {"post", post("abc"), num('x'), post_text("xbc")},
        {"data leaf", leaf("[abc]"), num('x'), "[xbc]"},
        {"cray", cray_of({leaf("a"), leaf("b")}), leaf("x"), ""},
    };
    for (Case& c : cases) {
        std::string before = text(c.v);
        // c.v is one holder more than the call: a copy, the value unchanged.
        NodeRef copied = call_held(builtin_cork, noderef_copy(c.v), {num(0), c.x});
        EXPECT_NE(copied.node, c.v.node) << c.what;
        EXPECT_EQ(text(c.v), before) << c.what;
        // Held only as by the machine: written in place.
        Node* raw = c.v.node;
        NodeRef same = call_held(builtin_cork, std::move(c.v), {num(0), c.x});
        EXPECT_EQ(same.node, raw) << c.what;
        std::string now = c.changed.empty() ? text(call(builtin_look, {same, num(0)})) : text(same);
        EXPECT_EQ(now, c.changed.empty() ? "x" : c.changed) << c.what;
    }
    // A refused write on the in-place path changes nothing.
    NodeRef focus(nullptr);
    EXPECT_EQ(text(call_held(builtin_cork, leaf("[a[b]]"), {num(1), num('x')}, &focus)), "Z");
    EXPECT_EQ(text(argument_of(focus, 3, 0)), "[a[b]]");
    // A data pair is never written.
    NodeRef changed = call_held(builtin_cork, zits_pair("[a]", "[b]"), {num(0), num('x')}, &focus);
    EXPECT_NE(changed.node, argument_of(focus, 3, 0).node);
    EXPECT_EQ(text(changed), "[x[b]]");
}

// A data leaf too long for its header's aux is read where it lies, as a
// short one is: its length at once and no copy of its text.
TEST_F(Views, LongDataLeafIsReadInPlace) {
    std::string text(AUX_LIMIT + 2, 'a');
    text.front() = '[';
    text[AUX_LIMIT] = 'b';
    text.back() = ']';
    NodeRef z = noderef_wrap(leaf_new_from_bytes(text.data(), i64(text.size())));
    std::string().swap(text);
    ZitsContent content;
    zits_content_view(z.node, &content);
    EXPECT_EQ(content.bytes, leaf_bytes(z.node) + 1);
    EXPECT_EQ(content.length, i64(AUX_LIMIT));
    EXPECT_TRUE(content.in_leaf);
    EXPECT_EQ(answer(builtin_rank, {z}), std::to_string(AUX_LIMIT));
    EXPECT_EQ(answer(builtin_look, {z, num(0)}), "97");
    EXPECT_EQ(answer(builtin_look, {z, num(-1)}), "98");
    EXPECT_EQ(answer(builtin_look, {z, num(i64(AUX_LIMIT))}), "Z");
    Node* raw = z.node;
    NodeRef written = call_held(builtin_cork, std::move(z), {num(-1), num('c')});
    EXPECT_EQ(written.node, raw);
    EXPECT_EQ(answer(builtin_look, {written, num(-1)}), "99");
}

TEST_F(Views, CorkCopiesWhenTheSpineIsShared) {
    // A kept partial application (cork v) or ((cork v) i), or a focus held
    // elsewhere, reaches v: cork then writes into a copy.
    for (int shared = -1; shared < 3; ++shared) {
        std::vector<NodeRef> listed{post("abc"), num(0), num('x')};  // the machine's argument list
        NodeRef focus = host_test::apply("f", listed);
        NodeRef holder(nullptr);
        if (shared == 0) holder = noderef_copy(focus);
        if (shared == 1) holder = node_left(focus);
        if (shared == 2) holder = node_left(node_left(focus));
        NodeRef r = builtin_cork(noderef_copy(focus));
        EXPECT_EQ(payload_of(r), "xbc") << shared;
        if (shared < 0) {
            EXPECT_EQ(r.node, listed[0].node);
        } else {
            EXPECT_NE(r.node, listed[0].node) << shared;
            EXPECT_EQ(payload_of(listed[0]), "abc") << shared;
        }
    }
}

}  // namespace
