// Ends and sizes.
#include "ends.h"

#include "bits.h"
#include "bridge.h"
#include "integer.h"
#include "numb.h"
#include "post.h"
#include "values.h"
#include "views.h"
#include "zits.h"

// The sign bit of a real: bit 7 of its last byte.
static constexpr i64 REAL_SIGN_BYTE = 8;
static constexpr u8 REAL_SIGN_MASK = 0x80;

// What leaf, left and rght take from a sequence.
enum class EndsPart { EMPTY_TEST, ALL_BUT_LAST, LAST };

// V (X J) part, built from fresh leaves around the borrowed part.
static NodeRef ends_pair_view(Node* part) {
    NodeRef xj = node_app(noderef_from_cstr("X"), noderef_from_cstr("J"));
    return node_app2(noderef_from_cstr("V"), std::move(xj), noderef_wrap(part));
}

// The tests that leaf, left and rght share, in their order: a data text,
// another leaf, then the shape V (X J) t of a pair view.
static NodeRef ends_sequence(NodeRef app, EndsPart part) {
    NodeRef a = node_right(app);
    if (term_is_zits(noderef_copy(a))) {
        bool empty = zits_is_empty(noderef_copy(a));
        if (part == EndsPart::EMPTY_TEST) return boolean_make(empty);
        if (empty) return bridge_error();
        return part == EndsPart::ALL_BUT_LAST ? zits_left(std::move(a)) : zits_right(std::move(a));
    }
    if (node_is_leaf(a.node)) return bridge_error();
    const Node* head = pair_left(a.node);  // V (X J)
    if (node_is_leaf(head) || node_lead_byte(pair_left(head)) != 'V') return bridge_error();
    const Node* xj = pair_right(head);
    if (node_is_leaf(xj) || node_lead_byte(pair_left(xj)) != 'X' || node_lead_byte(pair_right(xj)) != 'J')
        return bridge_error();
    const Node* t = pair_right(a.node);
    if (part == EndsPart::EMPTY_TEST) return boolean_make(node_lead_byte(t) == 'K');
    if (node_lead_byte(t) == 'K' || node_is_leaf(t)) return bridge_error();
    const Node* cell = pair_left(t);  // (J p)
    if (node_is_leaf(cell) || node_lead_byte(pair_left(cell)) != 'J') return bridge_error();
    return ends_pair_view(part == EndsPart::ALL_BUT_LAST ? pair_right(cell) : pair_right(t));
}

NodeRef builtin_leaf(NodeRef app) { return ends_sequence(std::move(app), EndsPart::EMPTY_TEST); }

NodeRef builtin_left(NodeRef app) { return ends_sequence(std::move(app), EndsPart::ALL_BUT_LAST); }

NodeRef builtin_rght(NodeRef app) { return ends_sequence(std::move(app), EndsPart::LAST); }

// ---------------------------------------------------------------------------
// buck and wave
// ---------------------------------------------------------------------------

// The one-element data text of a byte, with the escapes of the bytes that
// a data text cannot hold as themselves.
static NodeRef ends_byte_text(u8 c) {
    switch (c) {
        case '\n': return noderef_from_cstr("[[p]]");
        case '[': return noderef_from_cstr("[[q]]");
        case ']': return noderef_from_cstr("[[r]]");
        default: {
            const u8 text[3] = {'[', c, ']'};
            return noderef_wrap(leaf_new_from_bytes(text, 3));
        }
    }
}

static bool ends_real_is_negative(const NodeRef& r) {
    return (leaf_bytes(r.node)[REAL_SIGN_BYTE] & REAL_SIGN_MASK) != 0;
}

NodeRef builtin_buck(NodeRef app) {
    NodeRef a = node_right(app);
    switch (value_kind(noderef_copy(a))) {
        case VALUE_KIND_POST: {
            i64 n;
            const u8* payload = post_node_payload(a.node, &n);
            return n == 0 ? bridge_error() : ends_byte_text(payload[0]);
        }
        case VALUE_KIND_REAL:
            return boolean_make(!ends_real_is_negative(a));
        case VALUE_KIND_HINT:
            if (!integer_is_readable(a)) return bridge_error();
            return boolean_make(integer_is_nonnegative(std::move(a)));
        case VALUE_KIND_NUMB: {
            NumbBits x;
            if (!numb_try_to_bits(a, &x)) return bridge_error();
            return boolean_make(numb_is_nonnegative(std::move(a)));
        }
        case VALUE_KIND_ZITS:
            if (zits_is_empty(noderef_copy(a))) return bridge_error();
            return zits_left(std::move(a));
        default:
            return bridge_error();
    }
}

NodeRef builtin_wave(NodeRef app) {
    NodeRef a = node_right(app);
    switch (value_kind(noderef_copy(a))) {
        case VALUE_KIND_POST: {
            i64 n;
            const u8* payload = post_node_payload(a.node, &n);
            return n == 0 ? bridge_error() : post_make(string_from_bytes(payload + 1, n - 1));
        }
        case VALUE_KIND_REAL: {
            RtString text = leaf_node_text(a.node);
            string_writable_bytes(text)[REAL_SIGN_BYTE] ^= REAL_SIGN_MASK;
            return noderef_wrap(leaf_new_from_string(std::move(text)));
        }
        case VALUE_KIND_HINT:
            if (!integer_is_readable(a)) return bridge_error();
            return integer_negate(std::move(a));
        case VALUE_KIND_NUMB: {
            NumbBits x;
            if (!numb_try_to_bits(a, &x)) return bridge_error();
            return numb_bits_to_leaf(numb_bits_negate(std::move(x)));
        }
        case VALUE_KIND_ZITS:
            if (zits_is_empty(noderef_copy(a))) return bridge_error();
            return zits_right(std::move(a));
        default:
            return bridge_error();
    }
}

// ---------------------------------------------------------------------------
// rank
// ---------------------------------------------------------------------------

NodeRef builtin_rank(NodeRef app) {
    NodeRef a = node_right(app);
    switch (value_kind(noderef_copy(a))) {
        case VALUE_KIND_POST:
            return integer_make_leaf(post_length(std::move(a)));
        case VALUE_KIND_REAL:
            return noderef_from_cstr("8");
        case VALUE_KIND_HINT:
        case VALUE_KIND_NUMB: {
            RtString text;
            if (!number_try_to_text(a, &text)) return bridge_error();
            return integer_make_leaf(string_length(text));
        }
        case VALUE_KIND_CRAY:
            return integer_make_leaf(i64(node_aux(a.node)));
        case VALUE_KIND_ZITS:
            return integer_make_leaf(zits_content_length(a.node));
        default:
            return bridge_error();
    }
}
