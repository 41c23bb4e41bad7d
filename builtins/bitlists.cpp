// Bit lists: builtins lots and lits.
#include "bitlists.h"

#include <vector>

#include "bits.h"
#include "bridge.h"
#include "integer.h"
#include "post.h"
#include "real.h"
#include "s.h"
#include "values.h"
#include "zits.h"

namespace {

// A bit list built from its end towards its front; the cells of one list
// share one (J K) and one (J H) head, and the list ends in that K.
struct BitListBuilder {
    NodeRef k = noderef_from_cstr("K");
    NodeRef one = node_app(noderef_from_cstr("J"), k);
    NodeRef zero = node_app(node_left(one), noderef_from_cstr("H"));
    NodeRef list = k;

    void push_front(bool bit) { list = node_app(bit ? one : zero, std::move(list)); }
};

// The byte encoding of a payload: z trailing NUL bytes, n the number whose
// little-endian bytes are the rest; the list of 2^z (2n + 1) below its top
// bit is z H cells, then, when n is not 0, K and n's bits below its top bit.
NodeRef lots_post(const NodeRef& p) {
    i64 length = 0;
    const u8* bytes = post_node_payload(p.node, &length);
    i64 rest = length;
    while (rest > 0 && bytes[rest - 1] == 0) --rest;
    BitListBuilder out;
    if (rest > 0) {
        i64 top = 8 * (rest - 1) + int_bit_length(bytes[rest - 1]) - 1;  // n's top set bit
        for (i64 i = top; i-- > 0;) out.push_front((bytes[i / 8] >> (i % 8)) & 1);
        out.push_front(true);
    }
    for (i64 i = rest; i < length; ++i) out.push_front(false);
    return std::move(out.list);
}

// The 64 bits of a real's pattern, bit 0 in the outermost cell.
NodeRef lots_real(const NodeRef& r) {
    const u8* bytes = leaf_bytes(r.node) + 1;
    BitListBuilder out;
    for (int i = 64; i-- > 0;) out.push_front((bytes[i / 8] >> (i % 8)) & 1);
    return std::move(out.list);
}

bool byte_is_digit(u8 c) {
    return c >= '0' && c <= '9';
}

// The number of the bit list x (a hint, numb or cray): K for a malformed
// cell, Z for an end that is neither K nor a digit leaf.
NodeRef lits_list(const NodeRef& x) {
    const Node* n = x.node;
    while (!node_is_leaf(n)) {
        if (node_raw_cell_bit(n) < 0) return noderef_from_cstr("K");
        n = pair_right(n);
    }
    u8 end = node_lead_byte(n);
    BigNat value;
    if ((end != 'K' && !byte_is_digit(end)) || !number_try_value(x.node, &value)) return bridge_error();
    return leaf_from_std(number_text_of_value(value));
}

}  // namespace

NodeRef bit_list_canonicalize(NodeRef t) {
    std::vector<Node*> heads;  // the (J b) parts of the cells, outermost first
    Node* n = t.node;
    for (; !node_is_leaf(n); n = pair_right(n)) {
        if (node_raw_cell_bit(n) < 0) return bridge_error();
        heads.push_back(pair_left(n));
    }
    NodeRef list = nullptr;
    u8 end = node_lead_byte(n);
    if (end == 'K') list = noderef_wrap(n);
    else if (byte_is_digit(end)) list = number_bits_to_list(number_bits_from_text(leaf_node_text(n)));
    else return bridge_error();
    for (size_t i = heads.size(); i-- > 0;) list = node_make_app(noderef_wrap(heads[i]), std::move(list));
    return list;
}

NodeRef builtin_lots(NodeRef app) {
    NodeRef x = node_right(app);
    noderef_release(app);
    switch (value_kind(x)) {
    case VALUE_KIND_POST: return lots_post(x);
    case VALUE_KIND_REAL: return lots_real(x);
    case VALUE_KIND_HINT:
    case VALUE_KIND_NUMB: return bit_list_canonicalize(std::move(x));
    case VALUE_KIND_ZITS: return zits_normalize(std::move(x));
    default: return node_is_leaf(x.node) && node_lead_byte(x.node) == 'K' ? x : bridge_error();
    }
}

NodeRef builtin_lits(NodeRef app) {
    NodeRef x = node_right(app);
    noderef_release(app);
    switch (value_kind(x)) {
    case VALUE_KIND_VOID: return bridge_error();
    case VALUE_KIND_REAL: return real_to_numb(std::move(x));
    case VALUE_KIND_ZITS: return integer_make_leaf(i64(string_prefix_u64(zits_text(std::move(x)))));
    case VALUE_KIND_POST: {
        i64 length = 0;
        const u8* bytes = post_node_payload(x.node, &length);
        u64 v = 0;
        for (i64 i = std::min<i64>(length, 8); i-- > 0;) v = v << 8 | bytes[i];
        return integer_make_leaf(i64(v));
    }
    default: return lits_list(x);
    }
}
