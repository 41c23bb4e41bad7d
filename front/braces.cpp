// Brace rewriting.
#include "braces.h"

#include "binders.h"
#include "names.h"
#include "rebuild.h"

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

namespace {

// Brace rewriting as a rebuilding pass: every pair is rebuilt as a plain
// pair, leaves are shared, and each rebuilt pair is rewritten.
struct BraceRewriting {
    NodeRef replace(const Node* n) const {
        return node_is_leaf(n) ? noderef_wrap(const_cast<Node*>(n)) : NodeRef(nullptr);
    }
    char binder_kind(const Node*) const { return 'o'; }
    bool enters_brace_body(const Node*) const { return true; }
    NodeRef binder_head(const Node* head) const { return noderef_wrap(const_cast<Node*>(head)); }
    NodeRef finish(NodeRef pair) const { return brace_rewrite_pair(std::move(pair)); }
};

}  // namespace

NodeRef term_rewrite_braces(NodeRef t) {
    BraceRewriting pass;
    return term_rebuild(std::move(t), pass);
}
