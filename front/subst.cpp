// Substitution.
#include "subst.h"

#include <vector>

#include "binders.h"
#include "tag.h"

// Whether the free-variable mask of the tagged node n holds x.
static bool mentions(const Node* n, u64 bit) { return (node_free_mask(n) & bit) != 0; }

NodeRef term_substitute(NodeRef term, NodeRef value, u8 x) {
    VORN_ASSERT(x >= 'a' && x <= 'z');
    u64 bit = u64(1) << (x - 'a');
    term_compute_tag(noderef_copy(term));  // tags every node below as well
    if (!mentions(term.node, bit)) return term;

    enum Op : u8 { VISIT, KEEP, BUILD_PAIR, BUILD_LAMBDA, BUILD_BRACE };
    struct Task {
        const Node* n;
        Op op;
    };
    std::vector<NodeRef> built;
    WorkStack<Task> pending;
    pending.push({term.node, VISIT});
    while (!pending.empty()) {
        Task task = pending.pop();
        const Node* n = task.n;
        switch (task.op) {
        case VISIT:
            if (node_tag(n) == 0) term_compute_tag(noderef_wrap(const_cast<Node*>(n)));
            if (!mentions(n, bit)) {
                built.push_back(noderef_wrap(const_cast<Node*>(n)));
                break;
            }
            if (node_is_leaf(n)) {  // only the variable itself has its bit
                built.push_back(noderef_copy(value));
                break;
            }
            switch (node_binder_kind(n)) {
            case 'u':  // the lambda's own variable is never x: its mask leaves it out
                pending.push({n, BUILD_LAMBDA});
                pending.push({pair_right(n), VISIT});
                break;
            case 'i': {
                const Node* y = pair_right(pair_left(pair_left(n)));
                bool rebound = node_is_leaf(y) && leaf_bytes(y)[0] == x;
                pending.push({n, BUILD_BRACE});
                pending.push({pair_right(n), rebound ? KEEP : VISIT});
                pending.push({pair_right(pair_left(n)), VISIT});  // the value: outside y's scope
                break;
            }
            default:
                pending.push({n, BUILD_PAIR});
                pending.push({pair_right(n), VISIT});
                pending.push({pair_left(n), VISIT});
            }
            break;
        case KEEP:
            built.push_back(noderef_wrap(const_cast<Node*>(n)));
            break;
        case BUILD_PAIR: {
            NodeRef right = std::move(built.back());
            built.pop_back();
            NodeRef left = std::move(built.back());
            built.pop_back();
            built.push_back(node_make_app(std::move(left), std::move(right)));
            break;
        }
        case BUILD_LAMBDA: {
            NodeRef body = std::move(built.back());
            built.pop_back();
            built.push_back(node_make_app(noderef_wrap(pair_left(n)), std::move(body)));
            break;
        }
        case BUILD_BRACE: {
            NodeRef body = std::move(built.back());
            built.pop_back();
            NodeRef bound = std::move(built.back());
            built.pop_back();
            NodeRef head = node_make_app(noderef_wrap(pair_left(pair_left(n))), std::move(bound));
            built.push_back(node_make_app(std::move(head), std::move(body)));
            break;
        }
        }
    }
    VORN_ASSERT(built.size() == 1);
    return std::move(built.back());
}
