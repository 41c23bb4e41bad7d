// Interning of terms.
#include "intern.h"

#include <cstdint>
#include <string_view>
#include <vector>

#include "order.h"
#include "tables.h"
#include "tag.h"

namespace {

u64 hash_mix(u64 x) {  // splitmix64's finaliser
    x ^= x >> 30;
    x *= 0xBF58476D1CE4E5B9ULL;
    x ^= x >> 27;
    x *= 0x94D049BB133111EBULL;
    return x ^ (x >> 31);
}

// A leaf by the bytes the term order compares.
u64 hash_leaf(const Node* n) {
    std::string_view bytes(reinterpret_cast<const char*>(leaf_bytes(n)), size_t(leaf_node_byte_length(n)));
    return hash_mix(std::hash<std::string_view>()(bytes));
}

// A pair by its children's hashes, in order.
u64 hash_pair(u64 left, u64 right) { return hash_mix(left * 0x9E3779B97F4A7C15ULL + (right ^ 0x632BE59BD9B4E019ULL)); }

// The probe position of a node pointer, and of a pair of them.
u64 pointer_position(const Node* n) { return hash_mix(u64(uintptr_t(n))); }
u64 pointers_position(const Node* a, const Node* b) {
    return hash_mix(u64(uintptr_t(a)) * 0x9E3779B97F4A7C15ULL ^ u64(uintptr_t(b)));
}

// Where a table looks for a slot: by the node's address, by the value (a
// structural hash), or by the addresses of the node's two children.
enum class Probe { POINTER, VALUE, CHILDREN };

// Open addressing with linear probing over a power-of-two table: interning
// meets every node of a term, and node-based hash maps spend most of that
// time allocating and chasing their own nodes. A slot holds a node (null
// for empty, TOMBSTONE for erased) and a 64-bit value.
class FlatTable {
public:
    static inline const Node* const TOMBSTONE = reinterpret_cast<const Node*>(uintptr_t(1));

    struct Slot {
        const Node* node;
        u64 value;
    };

    explicit FlatTable(Probe probe) : by_(probe) {}

    // Visits the used slots of position's probe, from its first, until an
    // empty slot; returns the first slot that visit accepts, or null.
    template <class Visit>
    Slot* probe(u64 position, Visit visit) {
        if (slots_.empty()) return nullptr;
        size_t mask = slots_.size() - 1;
        for (size_t i = size_t(position) & mask;; i = (i + 1) & mask) {
            Slot& slot = slots_[i];
            if (slot.node == nullptr) return nullptr;
            if (slot.node != TOMBSTONE && visit(slot)) return &slot;
        }
    }
    // Adds (node, value) in the first free slot of its probe.
    void add(const Node* node, u64 value) {
        if ((used_ + 1) * 4 > slots_.size() * 3) grow();
        size_t mask = slots_.size() - 1;
        size_t i = size_t(position(node, value)) & mask;
        while (slots_[i].node != nullptr && slots_[i].node != TOMBSTONE) i = (i + 1) & mask;
        if (slots_[i].node == nullptr) ++used_;
        slots_[i] = Slot{node, value};
        ++live_;
    }
    void remove(Slot* slot) {
        slot->node = TOMBSTONE;
        --live_;
    }
    size_t size() const { return live_; }
    template <class Each>
    void for_each(Each each) const {
        for (const Slot& slot : slots_)
            if (slot.node != nullptr && slot.node != TOMBSTONE) each(slot);
    }
    void clear() {
        std::vector<Slot>().swap(slots_);
        used_ = live_ = 0;
    }

private:
    u64 position(const Node* node, u64 value) const {
        switch (by_) {
        case Probe::POINTER:
            return pointer_position(node);
        case Probe::VALUE:
            return value;
        case Probe::CHILDREN:
            return pointers_position(pair_left(node), pair_right(node));
        }
        return 0;
    }
    // Doubles the table, or rebuilds it at its size when tombstones filled
    // it, and puts every live slot back.
    void grow() {
        std::vector<Slot> old;
        old.swap(slots_);
        size_t capacity = old.empty() ? 64 : (live_ * 2 + 2 > old.size() ? old.size() * 2 : old.size());
        slots_.assign(capacity, Slot{nullptr, 0});
        used_ = live_ = 0;
        for (const Slot& slot : old)
            if (slot.node != nullptr && slot.node != TOMBSTONE) add(slot.node, slot.value);
    }

    Probe by_;
    std::vector<Slot> slots_;
    size_t used_ = 0;  // slots not empty, tombstones included
    size_t live_ = 0;
};

// The store: every stored node under its structural hash, and the hash of
// each stored node by its address. Each stored node holds one reference,
// taken when it is stored and dropped when it leaves.
class InternStore {
public:
    InternStore() = default;
    ~InternStore() { clear(); }
    InternStore(const InternStore&) = delete;
    InternStore& operator=(const InternStore&) = delete;

    // The stored term equal to n, whose hash is h, or null.
    Node* find(const Node* n, u64 h) {
        FlatTable::Slot* slot = by_hash_.probe(h, [&](const FlatTable::Slot& s) {
            return s.value == h && term_compare_nodes(s.node, n) == 0;
        });
        return slot ? const_cast<Node*>(slot->node) : nullptr;
    }
    // Stores n (no equal term is stored).
    void insert(Node* n, u64 h) {
        node_retain(n);
        by_hash_.add(n, h);
        by_node_.add(n, h);
    }
    // Removes the stored node n; this may free it.
    void erase(Node* n) {
        FlatTable::Slot* known = by_node_.probe(pointer_position(n),
                                                [&](const FlatTable::Slot& s) { return s.node == n; });
        VORN_ASSERT(known != nullptr);
        u64 h = known->value;
        by_node_.remove(known);
        FlatTable::Slot* entry = by_hash_.probe(h, [&](const FlatTable::Slot& s) { return s.node == n; });
        VORN_ASSERT(entry != nullptr);
        by_hash_.remove(entry);
        node_release(n);
    }
    // The hash of n when n itself is stored.
    bool stored_hash(const Node* n, u64& h) {
        FlatTable::Slot* known = by_node_.probe(pointer_position(n),
                                                [&](const FlatTable::Slot& s) { return s.node == n; });
        if (known == nullptr) return false;
        h = known->value;
        return true;
    }
    i64 size() const { return i64(by_hash_.size()); }
    // Removes the stored nodes only the store holds, then those of their
    // children that this leaves held by the store alone; the count removed.
    i64 sweep_unheld() {
        std::vector<Node*> pending;
        by_hash_.for_each([&](const FlatTable::Slot& s) {
            if (node_refcount(s.node) == 1) pending.push_back(const_cast<Node*>(s.node));
        });
        i64 removed = 0;
        while (!pending.empty()) {
            Node* n = pending.back();
            pending.pop_back();
            Node* children[2] = {nullptr, nullptr};
            if (!node_is_leaf(n)) {
                children[0] = const_cast<Node*>(pair_left(n));
                children[1] = const_cast<Node*>(pair_right(n));
                node_retain(children[0]);
                node_retain(children[1]);
            }
            erase(n);
            ++removed;
            for (Node* c : children) {
                if (!c) continue;
                u64 h;
                if (node_refcount(c) == 2 && stored_hash(c, h)) pending.push_back(c);  // the store and this loop
                node_release(c);
            }
        }
        return removed;
    }
    std::vector<NodeRef> terms() const {
        std::vector<NodeRef> all;
        all.reserve(by_hash_.size());
        by_hash_.for_each([&](const FlatTable::Slot& s) { all.push_back(noderef_wrap(const_cast<Node*>(s.node))); });
        return all;
    }
    void clear() {
        std::vector<const Node*> stored;
        by_hash_.for_each([&](const FlatTable::Slot& s) { stored.push_back(s.node); });
        by_hash_.clear();
        by_node_.clear();
        for (const Node* n : stored) node_release(const_cast<Node*>(n));
    }

private:
    FlatTable by_hash_{Probe::VALUE};
    FlatTable by_node_{Probe::POINTER};
};

// The program-wide store, made on first use and destroyed at a normal end.
InternStore& intern_store() {
    static InternStore store;
    return store;
}

// The hashes of the nodes of one term, computed bottom up once, shared
// nodes once. With stop_at_stored a stored node's hash is taken from the
// store and the nodes below it are not visited (lookups stop there).
class TermHashes {
public:
    TermHashes(const Node* root, InternStore& store, bool stop_at_stored) {
        struct Task {
            const Node* n;
            bool build;
        };
        WorkStack<Task> pending;
        pending.push({root, false});
        while (!pending.empty()) {
            Task task = pending.pop();
            const Node* n = task.n;
            if (task.build) {
                hashes_.add(n, hash_pair(of(pair_left(n)), of(pair_right(n))));
                continue;
            }
            if (known(n)) continue;
            u64 h;
            if (stop_at_stored && store.stored_hash(n, h)) {
                hashes_.add(n, h);
            } else if (node_is_leaf(n)) {
                hashes_.add(n, hash_leaf(n));
            } else {
                pending.push({n, true});
                pending.push({pair_right(n), false});
                pending.push({pair_left(n), false});
            }
        }
    }
    u64 of(const Node* n) {
        FlatTable::Slot* slot = find(n);
        VORN_ASSERT(slot != nullptr);
        return slot->value;
    }

private:
    FlatTable::Slot* find(const Node* n) {
        return hashes_.probe(pointer_position(n), [&](const FlatTable::Slot& s) { return s.node == n; });
    }
    bool known(const Node* n) { return find(n) != nullptr; }
    FlatTable hashes_{Probe::POINTER};
};

}  // namespace

NodeRef intern_term(NodeRef term) {
    InternStore& store = intern_store();
    TermHashes hashes(term.node, store, true);
    struct Task {
        Node* n;
        bool build;
    };
    std::vector<NodeRef> built;
    WorkStack<Task> pending;
    pending.push({term.node, false});
    while (!pending.empty()) {
        Task task = pending.pop();
        Node* n = task.n;
        u64 h = hashes.of(n);
        if (!task.build) {
            if (Node* found = store.find(n, h)) {
                built.push_back(noderef_wrap(found));
            } else if (node_is_leaf(n)) {
                store.insert(n, h);
                built.push_back(noderef_wrap(n));
            } else {
                pending.push({n, true});
                pending.push({pair_right(n), false});
                pending.push({pair_left(n), false});  // the left child is interned first
            }
            continue;
        }
        NodeRef right = std::move(built.back());
        built.pop_back();
        NodeRef left = std::move(built.back());
        built.pop_back();
        NodeRef result = left.node == pair_left(n) && right.node == pair_right(n)
                             ? noderef_wrap(n)
                             : node_make_app(std::move(left), std::move(right));
        store.insert(result.node, h);  // a new pair has the shape, so the hash, of n
        built.push_back(std::move(result));
    }
    VORN_ASSERT(built.size() == 1);
    return std::move(built.back());
}

void intern_forget(NodeRef term) {
    InternStore& store = intern_store();
    TermHashes hashes(term.node, store, false);  // children of a forgotten node are visited
    WorkStack<Node*> pending;                    // nodes of term, which keeps them alive
    pending.push(term.node);
    while (!pending.empty()) {
        Node* n = pending.pop();
        if (term_is_value(noderef_wrap(n))) continue;
        Node* found = store.find(n, hashes.of(n));
        if (found == nullptr) continue;
        store.erase(found);
        if (node_is_leaf(n)) continue;
        pending.push(pair_right(n));
        pending.push(pair_left(n));
    }
}

namespace {

// The checker's step starts from an empty store. Every pair stored from
// then on has stored children, so a term equal to a stored pair has children
// equal to that pair's: interning the children first and finding the pair by
// their two nodes gives exactly what looking the whole term up first gives,
// and stores nothing more on the way. That needs no hash of the given terms:
// a stored pair's hash comes from its children's.
class InternBatch {
public:
    ~InternBatch() {
        for (const auto& [node, hash] : stored_) node_release(node);
    }
    NodeRef intern(const NodeRef& term);
    // Moves the stored values into the store, which must be empty.
    void keep_values(InternStore& store) {
        for (const auto& [node, hash] : stored_)
            if (term_is_value(noderef_wrap(node))) store.insert(node, hash);
    }

private:
    struct Interned {
        Node* node;
        u64 hash;
    };
    Interned intern_leaf(Node* leaf);
    Interned intern_pair(Node* pair, Interned left, Interned right);

    FlatTable leaves_{Probe::VALUE};     // stored leaves by their hash
    FlatTable pairs_{Probe::CHILDREN};   // stored pairs by their two children
    std::vector<Interned> stored_;  // in the order stored, one reference each
};

InternBatch::Interned InternBatch::intern_leaf(Node* leaf) {
    u64 h = hash_leaf(leaf);
    FlatTable::Slot* found =
        leaves_.probe(h, [&](const FlatTable::Slot& s) { return term_compare_nodes(s.node, leaf) == 0; });
    if (found != nullptr) return {const_cast<Node*>(found->node), h};
    node_retain(leaf);
    leaves_.add(leaf, h);
    stored_.push_back({leaf, h});
    return {leaf, h};
}

// The stored pair of the stored children left and right; pair is the term
// they were interned from, stored itself when they are its own children.
InternBatch::Interned InternBatch::intern_pair(Node* pair, Interned left, Interned right) {
    u64 position = pointers_position(left.node, right.node);
    FlatTable::Slot* found = pairs_.probe(position, [&](const FlatTable::Slot& s) {
        return pair_left(s.node) == left.node && pair_right(s.node) == right.node;
    });
    if (found != nullptr) return {const_cast<Node*>(found->node), found->value};
    Node* result = pair;
    if (left.node == pair_left(pair) && right.node == pair_right(pair)) {
        node_retain(pair);
    } else {
        NodeRef made = node_make_app(noderef_wrap(left.node), noderef_wrap(right.node));
        result = made.node;
        node_retain(result);  // made lets go of its reference; this one stays
    }
    u64 h = hash_pair(left.hash, right.hash);
    pairs_.add(result, h);
    stored_.push_back({result, h});
    return {result, h};
}

NodeRef InternBatch::intern(const NodeRef& term) {
    struct Task {
        Node* n;
        bool build;
    };
    // A node the term shares is interned once: a term with much sharing
    // costs its nodes, not its paths.
    FlatTable shared(Probe::POINTER);  // node -> index into remembered
    std::vector<Interned> remembered;
    auto remember = [&](const Node* n, Interned interned) {
        if (node_refcount(n) <= 1) return;
        shared.add(n, remembered.size());
        remembered.push_back(interned);
    };
    std::vector<Interned> built;
    WorkStack<Task> pending;
    pending.push({term.node, false});
    while (!pending.empty()) {
        Task task = pending.pop();
        Node* n = task.n;
        if (!task.build) {
            FlatTable::Slot* seen =
                node_refcount(n) > 1
                    ? shared.probe(pointer_position(n), [&](const FlatTable::Slot& s) { return s.node == n; })
                    : nullptr;
            if (seen != nullptr) {
                built.push_back(remembered[seen->value]);
            } else if (node_is_leaf(n)) {
                built.push_back(intern_leaf(n));
                remember(n, built.back());
            } else {
                pending.push({n, true});
                pending.push({pair_right(n), false});
                pending.push({pair_left(n), false});
            }
            continue;
        }
        Interned right = built.back();
        built.pop_back();
        Interned left = built.back();
        built.pop_back();
        built.push_back(intern_pair(n, left, right));
        remember(n, built.back());
    }
    VORN_ASSERT(built.size() == 1);
    return noderef_wrap(built.back().node);
}

}  // namespace

void intern_definitions() {
    InternStore& store = intern_store();
    store.clear();
    InternBatch batch;
    DefsMap& defs = definitions_instance();
    for (auto it = map_begin(defs); it != defs.end(); ++it) it->second = batch.intern(it->second);
    batch.keep_values(store);
}

NodeRef intern_find(NodeRef term) {
    InternStore& store = intern_store();
    TermHashes hashes(term.node, store, true);
    return noderef_wrap(store.find(term.node, hashes.of(term.node)));
}

i64 intern_count() { return intern_store().size(); }

i64 intern_sweep_unheld() { return intern_store().sweep_unheld(); }

std::vector<NodeRef> intern_stored_terms() { return intern_store().terms(); }

void intern_clear() { intern_store().clear(); }
