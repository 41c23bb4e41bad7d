// Substitution.
#include "subst.h"

#include "rebuild.h"
#include "tag.h"

namespace {

// The substitution of one value for one letter, as a rebuilding pass.
struct Substitution {
    const NodeRef& value;
    u8 letter;
    u64 bit;  // the letter's bit in free-variable masks

    // Whether the free-variable mask of the tagged node n holds the letter.
    bool mentions(const Node* n) const { return (node_free_mask(n) & bit) != 0; }

    NodeRef replace(const Node* n) {
        if (node_tag(n) == 0) term_compute_tag(noderef_wrap(const_cast<Node*>(n)));
        if (!mentions(n)) return noderef_wrap(const_cast<Node*>(n));
        if (node_is_leaf(n)) return noderef_copy(value);  // only the variable itself has its bit
        return NodeRef(nullptr);
    }
    char binder_kind(const Node* n) const { return node_binder_kind(n); }
    // A brace binder of the letter hides it in its body only. (A lambda of
    // the letter is never reached: its mask leaves the letter out.)
    bool enters_brace_body(const Node* binder) const {
        const Node* y = pair_right(pair_left(pair_left(binder)));
        return !(node_is_leaf(y) && leaf_bytes(y)[0] == letter);
    }
    NodeRef binder_head(const Node* head) const { return noderef_wrap(const_cast<Node*>(head)); }
    NodeRef finish(NodeRef pair) const { return pair; }
};

}  // namespace

NodeRef term_substitute(NodeRef term, NodeRef value, u8 x) {
    VORN_ASSERT(x >= 'a' && x <= 'z');
    Substitution pass{value, x, u64(1) << (x - 'a')};
    term_compute_tag(noderef_copy(term));  // tags every node below as well
    if (!pass.mentions(term.node)) return term;
    return term_rebuild(std::move(term), pass);
}
