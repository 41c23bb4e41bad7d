// Term order: iterative structural comparison.
#include "order.h"

#include <cstring>
#include <utility>

// Two leaves by their bytes, unsigned, then the shorter first.
static i8 leaf_compare(const Node* a, const Node* b) {
    i64 la = leaf_node_byte_length(a);
    i64 lb = leaf_node_byte_length(b);
    int diff = std::memcmp(leaf_bytes(a), leaf_bytes(b), size_t(std::min(la, lb)));
    if (diff != 0) return diff < 0 ? 1 : -1;
    if (la == lb) return 0;
    return la < lb ? 1 : -1;
}

i8 term_compare_nodes(const Node* a, const Node* b) {
    // Right children waiting while the left ones are compared.
    WorkStack<std::pair<const Node*, const Node*>> pending;
    for (;;) {
        VORN_ASSERT(a != nullptr && b != nullptr);
        if (a != b) {
            bool a_leaf = node_is_leaf(a);
            bool b_leaf = node_is_leaf(b);
            if (a_leaf != b_leaf) return a_leaf ? 1 : -1;
            if (!a_leaf) {
                if (pair_right(a) != pair_right(b)) pending.push({pair_right(a), pair_right(b)});
                a = pair_left(a);
                b = pair_left(b);
                continue;
            }
            i8 order = leaf_compare(a, b);
            if (order != 0) return order;
        }
        if (pending.empty()) return 0;
        std::tie(a, b) = pending.pop();
    }
}

i8 term_compare(NodeRef a, NodeRef b) { return term_compare_nodes(a.node, b.node); }
