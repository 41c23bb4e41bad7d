// Global names and the constant cache. Lookups use find only: a contraction
// never adds a name to `definitions`.
#include "globals.h"

#include "binders.h"
#include "marks.h"
#include "tables.h"
#include "tag.h"

namespace {

// A new leaf of the marker byte followed by the name.
NodeRef marked_name(const char* marker, const RtString& name) {
    return noderef_from_string(string_prepend_cstr(marker, name));
}

bool name_is_wrapped(const RtString& name) {
    NameSet& wrapped = wrapped_names();
    return set_names_find(wrapped, string_copy(name)) != wrapped.end();
}

// The most leading binders a contracted name can have: a saturated spine
// carries at most ten arguments.
constexpr int MAX_BINDERS = 16;

enum InstanceOp : u8 { VISIT, BUILD_PAIR, BUILD_LAMBDA, BUILD_BRACE, SHARE, ARGUMENT };

// The letter a brace binder's variable binds, by its first byte, as a bit.
uint32_t brace_letter_bit(const Node* v) {
    u8 c = node_is_leaf(v) ? leaf_bytes(v)[0] : 0;
    return c >= 'a' && c <= 'z' ? uint32_t(1) << (c - 'a') : 0;
}

// Hands emit, one by one, the steps of the plan that rebuilds body with
// argument index[c] in place of each free letter c of the mask active: a
// post-order walk that shares every subterm holding none of those letters
// and rebuilds the pairs above the ones that do. Tags body and what it
// visits below.
template <class Emit>
void plan_walk(const Node* body, uint32_t active, const u8* index, std::vector<InstanceScratch::Task>& tasks,
               Emit&& emit) {
    tasks.push_back({body, active, VISIT});
    while (!tasks.empty()) {
        InstanceScratch::Task task = tasks.back();
        tasks.pop_back();
        Node* n = const_cast<Node*>(task.node);
        if (task.op != VISIT) {
            // The binder a rebuilt lambda or brace keeps: (\ y), or ({ y).
            Node* binder = task.op == BUILD_LAMBDA  ? pair_left(n)
                           : task.op == BUILD_BRACE ? pair_left(pair_left(n))
                                                    : nullptr;
            emit(PlanOp{task.op, 0, binder});
            continue;
        }
        node_compute_tag(n);
        // No letter can be below when aux, mask or not, has none of their
        // bits: that spares reading a leaf's text to tell which aux it is.
        uint32_t here = uint32_t(node_aux(n)) & task.letters;
        if (here != 0) here = uint32_t(node_free_mask(n)) & task.letters;
        if (here == 0) {
            emit(PlanOp{SHARE, 0, n});
            continue;
        }
        if (node_is_leaf(n)) {  // only a letter has its own bit
            emit(PlanOp{ARGUMENT, index[leaf_bytes(n)[0] - 'a'], nullptr});
            continue;
        }
        // A pair whose left child is a leaf is no binder.
        char kind = node_is_leaf(pair_left(n)) ? 'o' : node_binder_kind(n);
        if (kind == 'u') {  // ((\ y) b): y is bound in b
            uint32_t bound = uint32_t(node_free_mask(pair_left(n)));  // the mask of (\ y): y's letter
            tasks.push_back({n, 0, BUILD_LAMBDA});
            tasks.push_back({pair_right(n), task.letters & ~bound, VISIT});
        } else if (kind == 'i') {  // ((({ y) e) b): y is bound in b only
            uint32_t bound = brace_letter_bit(pair_right(pair_left(pair_left(n))));
            tasks.push_back({n, 0, BUILD_BRACE});
            tasks.push_back({pair_right(n), task.letters & ~bound, VISIT});
            tasks.push_back({pair_right(pair_left(n)), task.letters, VISIT});
        } else {
            tasks.push_back({n, 0, BUILD_PAIR});
            tasks.push_back({pair_right(n), task.letters, VISIT});
            tasks.push_back({pair_left(n), task.letters, VISIT});
        }
    }
}

// Carries out one step of a plan over the borrowed arguments, on the stack
// built (each entry owning one reference).
[[gnu::always_inline]] inline void plan_step(const PlanOp& op, Node* const* args, std::vector<Node*>& built) {
    switch (op.op) {
    case SHARE:
        node_retain(op.node);
        built.push_back(op.node);
        break;
    case ARGUMENT: {
        Node* value = args[op.argument];
        node_retain(value);
        built.push_back(value);
        break;
    }
    case BUILD_PAIR: {
        Node* right = built.back();
        built.pop_back();
        built.back() = node_make_tagged_pair(built.back(), right);
        break;
    }
    case BUILD_LAMBDA:
        node_retain(op.node);
        built.back() = node_make_tagged_pair(op.node, built.back());
        break;
    case BUILD_BRACE: {
        Node* b = built.back();
        built.pop_back();
        node_retain(op.node);
        Node* head = node_make_tagged_pair(op.node, built.back());
        built.back() = node_make_tagged_pair(head, b);
        break;
    }
    }
}

// The one reference to the term a whole plan built, taken off built.
Node* plan_result(std::vector<Node*>& built) {
    Node* result = built.back();
    built.pop_back();
    return result;
}

// The letters' mask and, by letter, the index of the argument each one
// takes: of two binders of one letter the later one counts.
uint32_t letters_index(const u8* letters, int k, u8* index) {
    uint32_t active = 0;
    for (int i = 0; i < k; ++i) {
        VORN_ASSERT(letters[i] >= 'a' && letters[i] <= 'z');
        index[letters[i] - 'a'] = u8(i);
        active |= uint32_t(1) << (letters[i] - 'a');
    }
    return active;
}

// The plan of the function stored as definition, made when the run has
// none for it yet; null when the definition is no function (a constant).
const DefinitionPlan* definition_plan(Node* definition, GlobalsWork& work) {
    constexpr size_t PLAN_SLOTS = 256;
    if (work.plans.empty()) work.plans.resize(PLAN_SLOTS);
    DefinitionPlan& plan = work.plans[(reinterpret_cast<uintptr_t>(definition) >> 4) % PLAN_SLOTS];
    if (plan.definition == definition) return &plan;
    if (node_binder_kind(definition) != 'u') return nullptr;
    // The leading binders are read on the borrowed definition: the entry
    // holds it throughout.
    const Node* body = definition;
    u8 letters[MAX_BINDERS];
    int k = 0;
    while (node_binder_kind(body) == 'u') {
        VORN_ASSERT(k < MAX_BINDERS);
        const Node* v = pair_right(pair_left(body));
        letters[k++] = node_is_leaf(v) ? leaf_bytes(v)[0] : 0;
        body = pair_right(body);
    }
    u8 index[26] = {};
    uint32_t active = letters_index(letters, k, index);
    plan.definition = definition;
    plan.binders = k;
    plan.ops.clear();
    plan_walk(body, active, index, work.scratch.tasks, [&plan](const PlanOp& op) { plan.ops.push_back(op); });
    return &plan;
}

}  // namespace

NodeRef instantiate(NodeRef body, const u8* letters, Node* const* args, int k, InstanceScratch& scratch) {
    u8 index[26] = {};
    uint32_t active = letters_index(letters, k, index);
    node_compute_tag(body.node);  // tags every node below as well
    if ((node_free_mask(body.node) & active) == 0) return body;
    // Made once and used once: each step is carried out as the walk makes it.
    std::vector<Node*>& built = scratch.built;
    plan_walk(body.node, active, index, scratch.tasks, [args, &built](const PlanOp& op) { plan_step(op, args, built); });
    return NodeRef(plan_result(built));
}

void globals_forget_plans(GlobalsWork& work) {
    for (DefinitionPlan& plan : work.plans) plan.definition = nullptr;
}

void globals_restore_pending(GlobalsWork& work) {
    DefsMap& defs = definitions_instance();
    for (size_t i = work.pending.size(); i-- > 0;) {
        GlobalsWork::PendingBody& p = work.pending[i];
        auto entry = defs.find(p.name);
        if (entry != defs.end() && entry->second.node == p.mark.node) entry->second = p.body;
    }
    work.pending.clear();
}

Contractum global_name_contract(const Node* head, DefsMap::iterator entry, Node* const* args, int n,
                                GlobalsWork& work) {
    if (entry == definitions_instance().end()) return {marked_name("]", LeafKey(head).text()), true};
    Node* definition = entry->second.node;
    if (const DefinitionPlan* plan = definition_plan(definition, work)) {
        VORN_ASSERT(plan->binders <= n);  // a binder left without an argument
        VORN_ASSERT(plan->binders == n);  // an argument left without a binder
        std::vector<Node*>& built = work.scratch.built;
        for (const PlanOp& op : plan->ops) plan_step(op, args, built);
        return {NodeRef(plan_result(built)), false};
    }
    VORN_ASSERT(n == 0);  // an argument left without a binder
    LeafKey key(head);
    const RtString& name = key.text();
    NodeRef d = entry->second;
    if (node_is_leaf(d.node) && leaf_bytes(d.node)[0] == ')') return {marked_name(")", name), true};
    if (node_is_value(d.node)) return {std::move(d), false};
    if (name_is_wrapped(name)) return {std::move(d), false};  // computed again at every use

    entry->second = noderef_from_cstr(")");  // pending until the cache head stores the value
    if (marks_check_time()) work.pending.push_back({string_from_bytes(string_bytes(name), string_length(name)), entry->second, d});
    return {node_make_app(marked_name(")", name), std::move(d)), false};
}

Contractum cache_head_contract(const NodeRef& head, NodeRef v, GlobalsWork& work) {
    RtString name = string_suffix(node_text(head), 1);
    DefsMap& defs = definitions_instance();
    auto entry = defs.find(string_copy(name));
    VORN_ASSERT(entry != defs.end());
    VORN_ASSERT(term_is_value(v));
    // A stored constant never begins with a binder, so its name keeps arity 0.
    if (node_binder_kind(v.node) == 'u') v = node_app2(noderef_from_cstr("B"), noderef_from_cstr("I"), std::move(v));
    entry->second = v;
    VORN_ASSERT(!name_is_wrapped(name));
    for (size_t i = work.pending.size(); i-- > 0;)
        if (string_equal(work.pending[i].name, name)) {
            work.pending.erase(work.pending.begin() + i);
            break;
        }
    return {std::move(v), false};
}
