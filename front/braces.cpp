// Brace rewriting.
#include "braces.h"

#include <vector>

#include "binders.h"
#include "names.h"

// A leaf whose text is a definable name.
static bool leaf_is_definable(const Node* n) {
    return node_is_leaf(n) && name_is_definable(leaf_node_text(n));
}

// The binder ((({ v) bound) body) with new "{" leaf.
static NodeRef brace_make(NodeRef v, NodeRef bound, NodeRef body) {
    NodeRef head = node_make_app(noderef_from_cstr("{"), std::move(v));
    return node_app2(std::move(head), std::move(bound), std::move(body));
}

// The rebuilt pair p, or its pattern rewriting when p is a brace binder
// whose bound part is a pair of two definable name leaves.
static NodeRef brace_rewrite_pair(NodeRef p) {
    if (node_binder_kind(p.node) != 'i') return p;
    const Node* pattern = pair_right(pair_left(pair_left(p.node)));
    if (node_is_leaf(pattern)) return p;
    const Node* a = pair_left(pattern);
    const Node* b = pair_right(pattern);
    if (!leaf_is_definable(a) || !leaf_is_definable(b)) return p;
    NodeRef a_leaf = noderef_wrap(const_cast<Node*>(a));
    NodeRef b_leaf = noderef_wrap(const_cast<Node*>(b));
    NodeRef bound = noderef_wrap(pair_right(pair_left(p.node)));
    NodeRef body = noderef_wrap(pair_right(p.node));
    NodeRef pair = noderef_from_string(name_normalize(leaf_node_text(b)));  // one new B for both
    NodeRef second = node_app(noderef_copy(pair), noderef_from_cstr("H"));
    NodeRef first = node_app(std::move(pair), noderef_from_cstr("K"));
    NodeRef rest2 = brace_make(noderef_copy(b_leaf), std::move(second), std::move(body));
    NodeRef rest1 = brace_make(std::move(a_leaf), std::move(first), std::move(rest2));
    return brace_make(std::move(b_leaf), std::move(bound), std::move(rest1));
}

NodeRef term_rewrite_braces(NodeRef t) {
    struct Task {
        const Node* n;
        bool build;
    };
    std::vector<NodeRef> built;
    WorkStack<Task> pending;
    pending.push({t.node, false});
    while (!pending.empty()) {
        Task task = pending.pop();
        const Node* n = task.n;
        if (task.build) {
            NodeRef right = std::move(built.back());
            built.pop_back();
            NodeRef left = std::move(built.back());
            built.pop_back();
            built.push_back(brace_rewrite_pair(node_make_app(std::move(left), std::move(right))));
        } else if (node_is_leaf(n)) {
            built.push_back(noderef_wrap(const_cast<Node*>(n)));
        } else {
            pending.push({n, true});
            pending.push({pair_right(n), false});
            pending.push({pair_left(n), false});
        }
    }
    VORN_ASSERT(built.size() == 1);
    return std::move(built.back());
}
