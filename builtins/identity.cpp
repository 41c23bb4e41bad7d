// Memory and identity.
#include "identity.h"

#include <cstring>

#include "bits.h"
#include "bridge.h"
#include "integer.h"
#include "intern.h"
#include "post.h"
#include "tables.h"
#include "values.h"
#include "views.h"

// The nodes that leak has handed out. Never destroyed: each holds a
// reference that is never dropped, and the addresses must stay valid for
// bond until the process ends.
static PointerSet& identity_leaked() {
    static PointerSet* leaked = new PointerSet;
    return *leaked;
}

NodeRef builtin_leak(NodeRef app) {
    NodeRef v = node_right(app);
    Node* n = v.node;
    set_pointers_insert(identity_leaked(), n);
    v.node = nullptr;  // the reference stays with the node for good
    return integer_make_leaf(i64(reinterpret_cast<uintptr_t>(n)));
}

NodeRef builtin_bond(NodeRef app) {
    NodeRef p = node_right(app);
    i64 address;
    if (!view_index_read(p, &address)) return bridge_error();
    PointerSet& leaked = identity_leaked();
    auto it = leaked.find(reinterpret_cast<void*>(uintptr_t(address)));
    if (it == leaked.end()) return bridge_error();
    return noderef_wrap(static_cast<Node*>(*it));
}

// Writes n bytes at `at`; false, writing nothing, when they would go to the
// address 0, which names no memory. n == 0 writes nothing, whatever at is.
static bool identity_put(u8* at, const void* bytes, size_t n) {
    if (n == 0) return true;
    if (!at) return false;
    std::memcpy(at, bytes, n);
    return true;
}

// The byte image of v, written at `at`; false for a kind without one, a
// number that cannot be read, or a non-empty image bound for address 0.
static bool identity_write_image(const NodeRef& v, u8* at) {
    ValueKind kind = value_kind(noderef_copy(v));
    switch (kind) {
        case VALUE_KIND_REAL:
            return identity_put(at, leaf_bytes(v.node) + 1, 8);
        case VALUE_KIND_CRAY:  // the slots are the element addresses, 0 when empty
            return identity_put(at, leaf_bytes(v.node) + 1, 8 * node_aux(v.node));
        case VALUE_KIND_POST:
        case VALUE_KIND_ZITS: {
            SequenceView view;
            sequence_view(v, kind, &view);
            return identity_put(at, view.bytes, size_t(view.length));
        }
        case VALUE_KIND_HINT:
        case VALUE_KIND_NUMB: {
            RtString text;
            if (!number_try_to_text(v, &text)) return false;
            return identity_put(at, string_bytes(text), size_t(string_length(text)));
        }
        default:
            return false;
    }
}

NodeRef builtin_copy(NodeRef app) {
    NodeRef args[2]{nullptr, nullptr};
    bridge_arguments(app, 2, args);
    i64 address;
    if (!view_index_read(args[1], &address)) return bridge_error();
    if (!identity_write_image(args[0], reinterpret_cast<u8*>(uintptr_t(address)))) return bridge_error();
    return noderef_from_cstr("I");
}

NodeRef builtin_post(NodeRef app) {
    NodeRef args[2]{nullptr, nullptr};
    bridge_arguments(app, 2, args);
    i64 address, n;
    if (!view_index_read(args[0], &address) || !view_index_read(args[1], &n) || n < 0)
        return bridge_error();
    if (n == 0) return post_make(string_make_empty());
    if (address == 0) return bridge_error();  // names no memory
    return post_make(string_from_bytes(reinterpret_cast<const void*>(uintptr_t(address)), n));
}

NodeRef builtin_cray(NodeRef app) {
    static Node* empty_cray = nullptr;
    noderef_release(app);
    if (!empty_cray) {
        empty_cray = leaf_new_vector(0);
        node_retain(empty_cray);  // its own reference: never freed
    }
    return noderef_wrap(empty_cray);
}

NodeRef builtin_tern(NodeRef app) { return intern_term(node_right(app)); }
