// Term tags: iterative post-order tag computation and the tag queries.
#include "tag.h"

#include <cstring>

#include "names.h"
#include "tables.h"

static bool byte_is_digit(u8 c) { return c >= '0' && c <= '9'; }

static u8 leaf_first(const Node* n) { return leaf_bytes(n)[0]; }

static bool is_line_mark(const Node* n) { return node_is_leaf(n) && leaf_first(n) == '`'; }

static bool is_data(const Node* n) { return node_tag(n) == TAG_DATA; }

// A leaf whose first byte is c.
static bool is_leaf_starting(const Node* n, u8 c) { return node_is_leaf(n) && leaf_first(n) == c; }

// The arity as the tag reads it: 1 for data, else code - 52.
static i64 node_arity(const Node* n) {
    return is_data(n) ? 1 : i64(node_arity_code(n)) - ARITY_BIAS;
}

u64 node_free_mask(const Node* n) {
    if (node_is_leaf(n)) {
        u8 c = leaf_first(n);
        if (byte_is_digit(c) || c == '[' || c == 0x0A || c == '`') return 0;  // aux is no mask there
        return node_aux(n);
    }
    return is_data(n) ? 0 : node_aux(n);
}

// The number of leading binders ((\ v) rest) of a definition's body, capped
// at ARITY_MAX.
static i64 count_leading_binders(const Node* body) {
    i64 n = 0;
    while (n < ARITY_MAX && !node_is_leaf(body) && !node_is_leaf(pair_left(body))) {
        const Node* binder = pair_left(pair_left(body));
        if (!node_is_leaf(binder) || std::strcmp(reinterpret_cast<const char*>(leaf_bytes(binder)), "\\") != 0)
            break;
        ++n;
        body = pair_right(body);
    }
    return n;
}

// Tags one leaf by its first byte; a line mark keeps tag 0.
static void tag_leaf(Node* leaf) {
    u8 c = leaf_first(leaf);
    if (c == '`') return;
    if (c == 0x0A || c == ')') {
        node_set_arity(leaf, 1);
        return;
    }
    if (c == ']') {
        node_set_arity(leaf, 2);
        return;
    }
    if (c == '[') {
        node_set_data_tag(leaf);  // aux keeps the text length
        return;
    }
    RtString text = leaf_node_text(leaf);
    if (!name_is_valid(text)) {
        node_set_arity(leaf, 1);  // numbers, reals, byte strings, "()", ""
        return;
    }
    DefsMap& definitions = definitions_instance();
    auto found = definitions.find(text);
    if (found != definitions.end()) {
        node_set_arity(leaf, count_leading_binders(found->second.node));
        node_set_redex_below(leaf, false);
        return;
    }
    VORN_ASSERT(string_length(text) == 1);
    VORN_ASSERT(c >= 'a' && c < 0x80);  // bytes 0x80 and up count as before 'a'
    VORN_ASSERT(c <= 'z');
    node_set_arity(leaf, ARITY_MAX);  // a local variable
    node_set_aux(leaf, u64(1) << (c - 'a'));
}

// Tags the pair t = (L R) from its tagged children.
static void tag_pair(Node* t) {
    Node* left = pair_left(t);
    Node* right = pair_right(t);
    bool left_data = is_data(left);
    bool right_data = is_data(right);
    if (left_data && right_data) {
        node_set_data_tag(t);
        u64 sum = node_aux(left) + node_aux(right);
        if (node_aux(left) >= 2 && node_aux(right) >= 2 && sum < AUX_LIMIT) node_set_aux(t, sum);
        return;
    }
    if (left_data) {
        node_set_arity(t, 0);
    } else {
        // A line-mark head reads as arity 1, so its pair is a redex (never
        // code 0, never data); the prelude turns it into Z.
        i64 a = is_line_mark(left) ? 1 : node_arity(left);
        node_set_arity(t, (a == ARITY_MAX || a <= ARITY_MIN) ? a : a - 1);
    }
    bool left_pair = !node_is_leaf(left);
    if (left_pair && is_leaf_starting(pair_left(left), '\\')) {
        // A lambda ((\ v) body) binds v in body and is a value whatever
        // the body holds.
        node_set_aux(t, node_free_mask(right) & ~node_free_mask(left));
        return;
    }
    bool redex = (!left_data && node_has_redex_below(left)) ||
                 (!right_data && node_has_redex_below(right)) || node_arity(right) < 1;
    node_set_redex_below(t, redex);
    u64 mask;
    if (left_pair && is_leaf_starting(pair_left(left), '{')) {
        mask = node_free_mask(right);  // (({ X) list): X is not bound in list
    } else if (left_pair && !node_is_leaf(pair_left(left)) &&
               is_leaf_starting(pair_left(pair_left(left)), '{')) {
        const Node* bound = pair_right(pair_left(left));  // ((({ X) list) body)
        mask = (node_free_mask(right) & ~node_free_mask(bound)) | node_free_mask(left);
    } else {
        mask = node_free_mask(left) | node_free_mask(right);
    }
    node_set_aux(t, mask);
}

// An untagged pair needs a visit; untagged leaves are tagged on the spot.
static bool pair_needs_tag(Node* n) { return !node_is_leaf(n) && node_tag(n) == 0; }

void term_compute_tag(NodeRef t) {
    Node* n = t.node;
    VORN_ASSERT(n != nullptr);
    if (node_tag(n) != 0) return;
    if (node_is_leaf(n)) {
        tag_leaf(n);
        return;
    }
    // Post-order, left before right; a pair waits on the stack while one of
    // its children is being tagged, and is looked at again afterwards.
    WorkStack<Node*> waiting;
    for (;;) {
        Node* left = pair_left(n);
        Node* right = pair_right(n);
        VORN_ASSERT(left != nullptr && right != nullptr);
        if (node_is_leaf(left) && node_tag(left) == 0) tag_leaf(left);
        if (pair_needs_tag(left)) {
            waiting.push(n);
            n = left;
            continue;
        }
        if (node_is_leaf(right) && node_tag(right) == 0) tag_leaf(right);
        if (pair_needs_tag(right)) {
            waiting.push(n);
            n = right;
            continue;
        }
        tag_pair(n);
        if (waiting.empty()) return;
        n = waiting.pop();
    }
}

i64 term_arity(NodeRef t) {
    term_compute_tag(t);
    return node_arity(t.node);
}

bool term_is_value(NodeRef t) {
    term_compute_tag(t);
    if (is_data(t.node)) return true;
    if (node_has_redex_below(t.node)) return false;
    return node_arity(t.node) >= 1;
}

bool term_head_in_fixed_set(NodeRef t) {
    // Only pairs are tagged on the way down: a bare head leaf is judged by
    // its first byte alone, defined or not.
    if (node_is_pair(t)) term_compute_tag(t);
    const Node* n = t.node;
    while (!node_is_leaf(n)) {
        if (is_data(n)) return false;
        n = pair_left(n);
    }
    u8 c = leaf_first(n);
    return c != 0 && std::strchr(LAZY_HEAD_CHARS, c) != nullptr;
}

bool term_is_closed(NodeRef t) {
    term_compute_tag(t);
    return node_free_mask(t.node) == 0;
}

void term_require_closed(NodeRef t) { VORN_ASSERT(term_is_closed(std::move(t))); }
