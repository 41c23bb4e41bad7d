// Byte lists and byte texts.
#include "bytes.h"

#include <string>

#include "values.h"
#include "zits.h"

// A J cell ((J x) y): the pair's left child is a pair headed by a J leaf.
static bool node_is_j_cell(const Node* t) {
    return !node_is_leaf(t) && !node_is_leaf(pair_left(t)) && node_lead_byte(pair_left(pair_left(t))) == 'J';
}

// The left part x and right part y of a J cell ((J x) y).
static const Node* cell_left(const Node* t) { return pair_right(pair_left(t)); }
static const Node* cell_right(const Node* t) { return pair_right(t); }

// The eight bit leaves of a byte cell tree, b0 first, or false when t does
// not have the shape.
static bool cell_tree_bits(const Node* t, const Node* bits[8]) {
    if (!node_is_j_cell(t)) return false;
    const Node* halves[2] = {cell_left(t), cell_right(t)};
    int k = 0;
    for (const Node* half : halves) {
        if (!node_is_j_cell(half)) return false;
        const Node* pairs[2] = {cell_left(half), cell_right(half)};
        for (const Node* pair : pairs) {
            if (!node_is_j_cell(pair)) return false;
            bits[k++] = cell_left(pair);
            bits[k++] = cell_right(pair);
        }
    }
    return true;
}

static bool node_is_byte_cell_tree(const Node* t) {
    const Node* bits[8];
    if (!cell_tree_bits(t, bits)) return false;
    for (const Node* bit : bits) {
        u8 c = node_lead_byte(bit);
        if (!node_is_leaf(bit) || (c != 'I' && c != 'H')) return false;
    }
    return true;
}

static u8 node_cell_tree_byte(const Node* t) {
    const Node* bits[8];
    VORN_ASSERT(cell_tree_bits(t, bits));
    unsigned value = 0;
    for (int k = 0; k < 8; ++k)
        if (node_lead_byte(bits[k]) == 'I') value |= 1u << k;
    return u8(value);
}

bool term_is_byte_cell_tree(NodeRef t) { return node_is_byte_cell_tree(t.node); }

u8 cell_tree_to_byte(NodeRef t) { return node_cell_tree_byte(t.node); }

bool term_is_byte_text(NodeRef t) {
    // Every part must be a byte text; the parts are tried left to right.
    WorkStack<const Node*> work;
    work.push(t.node);
    while (!work.empty()) {
        const Node* n = work.pop();
        if (node_is_leaf(n)) {
            if (node_lead_byte(n) != 'K') return false;
        } else if (!node_is_j_cell(n)) {
            return false;
        } else if (!node_is_byte_cell_tree(n)) {
            work.push(cell_right(n));
            work.push(cell_left(n));
        }
    }
    return true;
}

RtString byte_lists_to_text(NodeRef t) {
    std::string bytes;
    WorkStack<const Node*> work;
    work.push(t.node);
    while (!work.empty()) {
        const Node* n = work.pop();
        if (node_is_leaf(n)) continue;  // a K: no bytes
        if (node_is_byte_cell_tree(n)) {
            bytes.push_back(char(node_cell_tree_byte(n)));
        } else {
            VORN_ASSERT(node_is_j_cell(n));
            work.push(cell_right(n));
            work.push(cell_left(n));
        }
    }
    return string_from_bytes(bytes.data(), i64(bytes.size()));
}

NodeRef list_to_bracket_name(NodeRef t) {
    // One text, written left to right: a cell writes its left list without
    // the final "]", then its right list (one byte when that is the bracket
    // name of a byte), then "]". Any part that is not a list answers Z.
    struct Frame {
        const Node* node;
        size_t mark;  // where the right list's text starts
        int stage;
    };
    std::string text;
    WorkStack<Frame> work;
    work.push(Frame{t.node, 0, 0});
    while (!work.empty()) {
        Frame& f = work.top();
        if (node_is_leaf(f.node)) {
            if (node_lead_byte(f.node) != 'K') return noderef_from_cstr("Z");
            text += "[]";
            work.pop();
        } else if (!node_is_j_cell(f.node)) {
            return noderef_from_cstr("Z");
        } else if (f.stage == 0) {
            f.stage = 1;
            work.push(Frame{cell_left(f.node), 0, 0});
        } else if (f.stage == 1) {
            text.pop_back();  // the left list's "]"
            f.mark = text.size();
            f.stage = 2;
            work.push(Frame{cell_right(f.node), 0, 0});
        } else {
            int byte = zits_named_byte(reinterpret_cast<const u8*>(text.data()) + f.mark, i64(text.size() - f.mark));
            if (byte >= 0) {
                text.resize(f.mark);
                text.push_back(char(byte));
            }
            text.push_back(']');
            work.pop();
        }
    }
    return noderef_wrap(leaf_new_from_bytes(text.data(), i64(text.size())));
}
