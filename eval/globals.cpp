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

enum InstanceOp : u8 { VISIT, BUILD_PAIR, BUILD_LAMBDA, BUILD_BRACE };

// The letter a brace binder's variable binds, by its first byte, as a bit.
uint32_t brace_letter_bit(const Node* v) {
    u8 c = node_is_leaf(v) ? leaf_bytes(v)[0] : 0;
    return c >= 'a' && c <= 'z' ? uint32_t(1) << (c - 'a') : 0;
}

// A new pair (g x) taking over the references the caller holds to g and x,
// tagged at once (an argument not yet tagged is tagged first): with its
// parts tagged that is one step, where tagging the finished body later would
// walk it again. Returns the pair's one reference.
Node* tagged_pair(Node* g, Node* x) {
    node_compute_tag(g);
    node_compute_tag(x);
    PairNode* pair = pair_block_new();
    pair->left = g;
    pair->right = x;
    pair->head.header = 1;
    node_tag_pair(&pair->head);
    return &pair->head;
}

}  // namespace

NodeRef instantiate(NodeRef body, const u8* letters, Node* const* args, int k, InstanceScratch& scratch) {
    Node* value_of[26] = {};
    uint32_t active = 0;
    for (int i = 0; i < k; ++i) {
        VORN_ASSERT(letters[i] >= 'a' && letters[i] <= 'z');
        value_of[letters[i] - 'a'] = args[i];
        active |= uint32_t(1) << (letters[i] - 'a');
    }
    node_compute_tag(body.node);  // tags every node below as well
    if ((node_free_mask(body.node) & active) == 0) return body;

    // The walk works on borrowed nodes; every entry of built owns one
    // reference, handed on to the pair built over it.
    std::vector<InstanceScratch::Task>& tasks = scratch.tasks;
    std::vector<Node*>& built = scratch.built;
    size_t base = built.size();
    tasks.push_back({body.node, active, VISIT});
    while (!tasks.empty()) {
        InstanceScratch::Task task = tasks.back();
        tasks.pop_back();
        Node* n = const_cast<Node*>(task.node);
        switch (task.op) {
        case VISIT: {
            if (node_tag(n) == 0) node_compute_tag(n);
            uint32_t here = uint32_t(node_free_mask(n)) & task.letters;
            if (here == 0) {
                node_retain(n);
                built.push_back(n);
                break;
            }
            if (node_is_leaf(n)) {  // only a letter has its own bit
                Node* value = value_of[leaf_bytes(n)[0] - 'a'];
                node_retain(value);
                built.push_back(value);
                break;
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
            break;
        }
        case BUILD_PAIR: {
            Node* right = built.back();
            built.pop_back();
            built.back() = tagged_pair(built.back(), right);
            break;
        }
        case BUILD_LAMBDA: {
            Node* binder = pair_left(n);
            node_retain(binder);
            built.back() = tagged_pair(binder, built.back());
            break;
        }
        case BUILD_BRACE: {
            Node* b = built.back();
            built.pop_back();
            Node* binder = pair_left(pair_left(n));
            node_retain(binder);
            Node* head = tagged_pair(binder, built.back());
            built.back() = tagged_pair(head, b);
            break;
        }
        }
    }
    VORN_ASSERT(built.size() == base + 1);
    Node* result = built.back();
    built.pop_back();
    return NodeRef(result);
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
    LeafKey key(head);
    const RtString& name = key.text();
    if (entry == definitions_instance().end()) return {marked_name("]", name), true};

    // The leading binders are read on the borrowed definition: the entry
    // holds it throughout.
    Node* body = entry->second.node;
    u8 letters[MAX_BINDERS];
    int k = 0;
    while (node_binder_kind(body) == 'u') {
        VORN_ASSERT(k < n);  // a binder left without an argument
        const Node* v = pair_right(pair_left(body));
        letters[k++] = node_is_leaf(v) ? leaf_bytes(v)[0] : 0;
        body = pair_right(body);
    }
    VORN_ASSERT(k == n);  // an argument left without a binder

    if (k > 0) return {instantiate(noderef_wrap(body), letters, args, k, work.scratch), false};
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
