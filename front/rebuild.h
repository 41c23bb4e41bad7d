// The term rebuilder shared by the front end's rewriting passes (renaming of
// bound names, substitution, brace rewriting): one bottom-up walk with an
// explicit work list, so no term depth reaches the C stack. It enters pairs
// and binders; a pass decides which subterms it replaces whole, which pairs
// count as binders, how a rebuilt binder's head (\ v) or ({ v) is made and
// what a rebuilt pair becomes.
#pragma once

#include <vector>

#include "binders.h"
#include "node.h"

// What a pass gives the rebuilder:
//
//   NodeRef replace(const Node* n)
//     The result for the subterm n when the pass does not enter it, or a
//     null handle to have it entered. A leaf must get a result.
//   char binder_kind(const Node* n)
//     'u' when the pair n is to be rebuilt as a lambda, 'i' as a brace
//     binder, anything else as a plain pair (node_binder_kind, or 'o' for a
//     pass that treats every pair alike).
//   bool enters_brace_body(const Node* binder)
//     Whether the body of a brace binder is entered; a body not entered is
//     kept as the very same node. A lambda's body is always entered.
//   NodeRef binder_head(const Node* head)
//     The head of a rebuilt binder from the original one, (\ v) of a lambda
//     or ({ v) of a brace binder.
//   NodeRef finish(NodeRef pair)
//     The result for a plain pair, given the new pair of its rebuilt
//     children (the pair itself when there is nothing more to do).
//
// A lambda ((\ v) body) comes back as (head body') and a brace binder
// ((({ v) e) body) as ((head e') body'), e' being its value rebuilt (always
// entered). Children are rebuilt left before right, a brace binder's value
// before its body. Releases t.
template <class Pass>
NodeRef term_rebuild(NodeRef t, Pass& pass) {
    enum Op : u8 { VISIT, KEEP, BUILD_PAIR, BUILD_LAMBDA, BUILD_BRACE };
    struct Task {
        const Node* n;
        Op op;
    };
    std::vector<NodeRef> built;
    auto take = [&built]() {
        NodeRef top = std::move(built.back());
        built.pop_back();
        return top;
    };
    WorkStack<Task> pending;
    pending.push({t.node, VISIT});
    while (!pending.empty()) {
        Task task = pending.pop();
        const Node* n = task.n;
        switch (task.op) {
        case VISIT: {
            NodeRef result = pass.replace(n);
            if (result.node != nullptr) {
                built.push_back(std::move(result));
                break;
            }
            VORN_ASSERT(!node_is_leaf(n));
            switch (pass.binder_kind(n)) {
            case 'u':
                pending.push({n, BUILD_LAMBDA});
                pending.push({pair_right(n), VISIT});
                break;
            case 'i':
                pending.push({n, BUILD_BRACE});
                pending.push({pair_right(n), pass.enters_brace_body(n) ? VISIT : KEEP});
                pending.push({pair_right(pair_left(n)), VISIT});  // the value, outside the binder's scope
                break;
            default:
                pending.push({n, BUILD_PAIR});
                pending.push({pair_right(n), VISIT});
                pending.push({pair_left(n), VISIT});
            }
            break;
        }
        case KEEP:
            built.push_back(noderef_wrap(const_cast<Node*>(n)));
            break;
        case BUILD_PAIR: {
            NodeRef right = take();
            NodeRef left = take();
            built.push_back(pass.finish(node_make_app(std::move(left), std::move(right))));
            break;
        }
        case BUILD_LAMBDA: {
            NodeRef body = take();
            built.push_back(node_make_app(pass.binder_head(pair_left(n)), std::move(body)));
            break;
        }
        case BUILD_BRACE: {
            NodeRef body = take();
            NodeRef value = take();
            NodeRef head = node_make_app(pass.binder_head(pair_left(pair_left(n))), std::move(value));
            built.push_back(node_make_app(std::move(head), std::move(body)));
            break;
        }
        }
    }
    VORN_ASSERT(built.size() == 1);
    return take();
}
