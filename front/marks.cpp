// Line marks at check time. The pass rebuilds the term with an explicit work
// list (right child before left child, so that the effects of evaluated
// marks happen in that order) and hands each closed marked expression to the
// reduction machine.
#include "marks.h"

#include <vector>

#include "integer.h"
#include "machine.h"
#include "print.h"
#include "tag.h"

namespace {

u8 lead_byte(const Node* n) {
    return node_is_leaf(n) ? leaf_bytes(n)[0] : 0;
}

// A mark: a pair whose left child is a leaf beginning with the backquote.
bool is_mark(const Node* t) {
    return !node_is_leaf(t) && node_is_leaf(pair_left(t)) && lead_byte(pair_left(t)) == '`';
}

// The data leaf "[" + text + "]".
NodeRef bracketed(RtString text) {
    RtString s = string_from_cstr("[");
    string_append(s, std::move(text));
    string_append(s, string_from_cstr("]"));
    return noderef_from_string(std::move(s));
}

// The replacement of the mark (Q x) whose x is already expanded to x2: the
// value of x2 when it is closed and not a leaf beginning "U", otherwise the
// line record ((((U n) [N]) [T]) x2).
NodeRef expand_mark(const Node* mark, const RtString& name, NodeRef x2) {
    term_compute_tag(x2);
    if (node_aux(x2.node) == 0 && !(node_is_leaf(x2.node) && lead_byte(x2.node) == 'U'))
        return machine_evaluate(std::move(x2));
    NodeRef line = integer_make_leaf(i64(node_aux(pair_left(mark))));
    NodeRef printed = bracketed(term_to_text(noderef_wrap(pair_right(mark))));
    NodeRef record = node_app3(noderef_from_cstr("U"), std::move(line), bracketed(string_copy(name)), std::move(printed));
    return node_make_app(std::move(record), std::move(x2));
}

// One unit of pending work: visit a subterm, join the two results on top of
// the result stack into a pair, or finish a mark from the result on top.
struct Task {
    enum Kind { VISIT, JOIN, FINISH_MARK } kind;
    const Node* term;  // borrowed from the term being expanded
};

}  // namespace

NodeRef term_expand_backticks(RtString name, NodeRef term) {
    std::vector<Task> tasks{{Task::VISIT, term.node}};
    std::vector<NodeRef> results;
    while (!tasks.empty()) {
        Task task = tasks.back();
        tasks.pop_back();
        const Node* t = task.term;
        switch (task.kind) {
        case Task::VISIT:
            if (node_is_leaf(t)) {
                results.push_back(noderef_wrap(const_cast<Node*>(t)));
            } else if (is_mark(t)) {
                tasks.push_back({Task::FINISH_MARK, t});
                tasks.push_back({Task::VISIT, pair_right(t)});
            } else {
                tasks.push_back({Task::JOIN, t});
                tasks.push_back({Task::VISIT, pair_left(t)});
                tasks.push_back({Task::VISIT, pair_right(t)});  // done first
            }
            break;
        case Task::JOIN: {
            NodeRef left = std::move(results.back());
            results.pop_back();
            NodeRef right = std::move(results.back());
            results.pop_back();
            results.push_back(node_make_app(std::move(left), std::move(right)));
            break;
        }
        case Task::FINISH_MARK: {
            NodeRef x2 = std::move(results.back());
            results.pop_back();
            results.push_back(expand_mark(t, name, std::move(x2)));
            break;
        }
        }
    }
    VORN_ASSERT(results.size() == 1);
    return std::move(results.back());
}
