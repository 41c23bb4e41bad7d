// Real bit trees and number chains, tested by first bytes only.
#include "realtree.h"

#include <cstring>

#include "real.h"
#include "values.h"

namespace {

bool is_truth_leaf(const Node* n) {
    u8 c = node_lead_byte(n);
    return c == 'K' || c == 'H';
}

// For a V pair ((V x) y): x and y; false for anything else.
bool v_parts(const Node* n, const Node** x, const Node** y) {
    if (node_is_leaf(n)) return false;
    const Node* l = pair_left(n);
    if (node_is_leaf(l)) return false;
    const Node* v = pair_left(l);
    if (node_lead_byte(v) != 'V') return false;
    *x = pair_right(l);
    *y = pair_right(n);
    return true;
}

// The 2^depth subtrees at the given depth of V pairs, left to right; false
// when a node above them is not a V pair.
bool v_level(const Node* t, int depth, const Node** out) {
    out[0] = t;
    int count = 1;
    for (int d = 0; d < depth; d++) {
        for (int i = count; i-- > 0;)
            if (!v_parts(out[i], &out[2 * i], &out[2 * i + 1])) return false;
        count *= 2;
    }
    return true;
}

bool byte_tree_raw(const Node* t) {
    const Node* leaves[8];
    if (!v_level(t, 3, leaves)) return false;
    for (const Node* b : leaves)
        if (!is_truth_leaf(b)) return false;
    return true;
}

u8 byte_tree_value(const Node* t) {
    const Node* leaves[8];
    VORN_ASSERT(v_level(t, 3, leaves));
    u8 byte = 0;
    for (int k = 0; k < 8; k++) {
        VORN_ASSERT(is_truth_leaf(leaves[k]));
        if (node_lead_byte(leaves[k]) == 'K') byte = u8(byte | (1u << k));
    }
    return byte;
}

}  // namespace

bool term_is_byte_bit_tree(NodeRef t) { return byte_tree_raw(t.node); }

u8 bit_tree_to_byte(NodeRef t) { return byte_tree_value(t.node); }

bool term_is_real_bit_tree(NodeRef t) {
    const Node* bytes[8];
    if (!v_level(t.node, 3, bytes)) return false;
    for (const Node* b : bytes)
        if (!byte_tree_raw(b)) return false;
    return true;
}

RtString real_from_bit_tree(NodeRef t) {
    const Node* trees[8];
    VORN_ASSERT(v_level(t.node, 3, trees));
    u8 bytes[8];
    for (int j = 0; j < 8; j++) bytes[j] = byte_tree_value(trees[j]);
    return string_from_bytes(bytes, 8);
}

NodeRef real_to_bit_tree(NodeRef r) {
    term_require_real(r);
    u64 pattern;
    std::memcpy(&pattern, leaf_bytes(r.node) + 1, 8);
    NodeRef v = noderef_from_cstr("V"), one = noderef_from_cstr("K"), zero = noderef_from_cstr("H");
    std::vector<NodeRef> level;
    level.reserve(64);
    for (int i = 0; i < 64; i++) level.push_back((pattern >> i) & 1 ? one : zero);
    while (level.size() > 1) {
        std::vector<NodeRef> up;
        up.reserve(level.size() / 2);
        for (size_t i = 0; i < level.size(); i += 2)
            up.push_back(node_make_app(node_make_app(v, std::move(level[i])), std::move(level[i + 1])));
        level = std::move(up);
    }
    return std::move(level[0]);
}

bool term_is_number_chain(NodeRef t) {
    const Node* n = t.node;
    if (node_is_leaf(n)) {
        u8 c = leaf_bytes(n)[0];
        return c >= '0' && c <= '9';
    }
    while (!node_is_leaf(n)) {
        if (node_is_leaf(pair_left(n))) return false;
        const Node* head = pair_left(pair_left(n));
        const Node* b = pair_right(pair_left(n));
        if (node_lead_byte(head) != 'J' || !is_truth_leaf(b)) return false;
        n = pair_right(n);
    }
    u8 c = leaf_bytes(n)[0];
    return c == 'K' || (c >= '0' && c <= '9');
}
