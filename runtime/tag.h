// Term tags: each node's cached arity, data mark, redex_below flag and
// free-variable mask, computed once bottom-up, and the queries built on them.
#pragma once

#include "node.h"

// First bytes of the heads that the machine contracts without evaluating
// the arguments first.
inline constexpr char LAZY_HEAD_CHARS[] = "&|ABCDEFHIJKLNQRTUVXZ";

// Computes and caches the tag of t and of the untagged nodes below it; a
// node whose tag is already set is left alone. A valid name that is neither
// defined nor one letter 'a'..'z' is a fatal assertion. Releases t.
void term_compute_tag(NodeRef t);

// The number of further arguments t's head needs: 1 for data, otherwise the
// arity code - 52 (a line-mark leaf reads -52). Computes the tag first.
i64 term_arity(NodeRef t);

// True for data, or when nothing below the head needs reducing and the
// arity is at least 1.
bool term_is_value(NodeRef t);

// True when t's head (reached through pairs that are not data) is a leaf
// whose first byte is in LAZY_HEAD_CHARS; a data pair gives false.
bool term_head_in_fixed_set(NodeRef t);

// True when t has no free local variable (its mask is 0).
bool term_is_closed(NodeRef t);

// A fatal assertion unless term_is_closed(t).
void term_require_closed(NodeRef t);

// The same queries on a borrowed node (no reference is taken or dropped).
// node_compute_tag is term_compute_tag (node_compute_tag_untagged its part
// for a node whose tag is still 0), node_tagged_arity term_arity,
// node_is_value term_is_value, node_head_in_fixed_set
// term_head_in_fixed_set.
void node_compute_tag_untagged(Node* n);
inline void node_compute_tag(Node* n) {
    VORN_ASSERT(n != nullptr);
    if (node_tag(n) == 0) node_compute_tag_untagged(n);
}
// Tags the pair t (tag 0) from the tags of its children, which must both be
// set already (a line-mark leaf counts as set): the very tag that
// node_compute_tag would give it, in one step.
void node_tag_pair(Node* t);
i64 node_tagged_arity(Node* n);

// A new pair (g x) taking over the references the caller holds to g and x,
// tagged at once (a child not yet tagged is tagged first): the very tag that
// tagging it later would give, without a walk. Returns the pair's one
// reference.
inline Node* node_make_tagged_pair(Node* g, Node* x) {
    if (node_tag(g) == 0) node_compute_tag_untagged(g);
    if (node_tag(x) == 0) node_compute_tag_untagged(x);
    PairNode* pair = pair_block_new();
    pair->left = g;
    pair->right = x;
    pair->head.header = 1;
    node_tag_pair(&pair->head);
    return &pair->head;
}

// node_make_tagged_pair over two handles.
inline NodeRef node_make_tagged_app(NodeRef g, NodeRef x) {
    Node* left = g.node;
    Node* right = x.node;
    g.node = nullptr;
    x.node = nullptr;
    return NodeRef(node_make_tagged_pair(left, right));
}
bool node_is_value(Node* n);
bool node_head_in_fixed_set(Node* n);

// Whether c is the byte of one of the prelude's lazy heads (LAZY_HEAD_CHARS).
bool tag_is_lazy_head_byte(u8 c);

// The free-variable mask of a tagged node (bit i for the letter 'a' + i): 0
// for digit, '[', vector and line-mark leaves and for data pairs, else aux.
inline u64 node_free_mask(const Node* n) {
    if (node_is_leaf(n)) {
        u8 c = leaf_bytes(n)[0];
        if ((c >= '0' && c <= '9') || c == '[' || c == 0x0A || c == '`') return 0;  // aux is no mask there
        return node_aux(n);
    }
    return node_tag(n) == TAG_DATA ? 0 : node_aux(n);
}
