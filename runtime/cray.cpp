// Arrays.
#include "cray.h"

#include "values.h"

// A leaf whose first byte is "U" is never stored.
static bool cray_value_is_stored(const Node* v) { return node_lead_byte(v) != 'U'; }

// Copies n slots of src from index 0 into dst from index at, adding a
// reference to every element.
static void cray_copy_slots(Node* dst, u64 at, const Node* src, u64 n) {
    for (u64 i = 0; i < n; ++i) {
        Node* element = leaf_vector_slot(src, i);
        if (element) node_retain(element);
        leaf_vector_set_slot(dst, at + i, element);
    }
}

// A new vector leaf of count slots; the count must fit the aux field.
static Node* cray_block_new(u64 count) {
    VORN_ASSERT(count < AUX_LIMIT);
    return leaf_new_vector(count);
}

void cray_require(NodeRef c) {
    VORN_ASSERT(node_is_leaf(c.node) && leaf_bytes(c.node)[0] == 0x0A);
}

i64 cray_count(NodeRef c) {
    cray_require(noderef_copy(c));
    return i64(node_aux(c.node));
}

NodeRef cray_get(NodeRef c, i64 i) {
    Node* element = leaf_vector_slot(c.node, u64(i));
    if (!element) return noderef_from_cstr("Z");
    return noderef_wrap(element);
}

void cray_set(NodeRef c, i64 i, NodeRef v) {
    Node* old = leaf_vector_slot(c.node, u64(i));
    Node* stored = nullptr;
    if (cray_value_is_stored(v.node)) {
        stored = v.node;
        node_retain(stored);  // before the release: v may be the element already there
    }
    node_release(old);
    leaf_vector_set_slot(c.node, u64(i), stored);
}

// A new array of c's slots with v (unless it is a "U" leaf) in the new slot
// at the front or at the back.
static NodeRef cray_push(const NodeRef& c, const NodeRef& v, bool at_front) {
    cray_require(noderef_copy(c));
    u64 n = node_aux(c.node);
    Node* block = cray_block_new(n + 1);
    cray_copy_slots(block, at_front ? 1 : 0, c.node, n);
    Node* stored = nullptr;
    if (cray_value_is_stored(v.node)) {
        stored = v.node;
        node_retain(stored);
    }
    leaf_vector_set_slot(block, at_front ? 0 : n, stored);
    return noderef_wrap(block);
}

NodeRef cray_push_back(NodeRef c, NodeRef v) { return cray_push(c, v, false); }

NodeRef cray_push_front(NodeRef v, NodeRef c) { return cray_push(c, v, true); }

NodeRef cray_concat(NodeRef a, NodeRef b) {
    cray_require(noderef_copy(a));
    cray_require(noderef_copy(b));
    u64 na = node_aux(a.node);
    u64 nb = node_aux(b.node);
    Node* block = cray_block_new(na + nb);
    cray_copy_slots(block, 0, a.node, na);
    cray_copy_slots(block, na, b.node, nb);
    return noderef_wrap(block);
}

NodeRef cray_clone(NodeRef c) {
    u64 n = node_aux(c.node);
    Node* block = cray_block_new(n);
    block->header = c.node->header & ~REFCOUNT_MAX;  // aux and tag byte as they were
    cray_copy_slots(block, 0, c.node, n);
    return noderef_wrap(block);
}

NodeRef cray_to_cons_list(NodeRef c) {
    cray_require(noderef_copy(c));
    NodeRef list = noderef_from_cstr("K");
    for (i64 i = i64(node_aux(c.node)) - 1; i >= 0; --i)
        list = node_app2(noderef_from_cstr("J"), cray_get(noderef_copy(c), i), std::move(list));
    return list;
}
