// Host library bridge conventions.
#include "bridge.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <unordered_map>

#include "bits.h"
#include "cargs.h"
#include "integer.h"
#include "post.h"
#include "real.h"
#include "values.h"

void bridge_arguments(const NodeRef& app, int n, NodeRef* out) {
    NodeRef spine = noderef_copy(app);
    for (int k = n; k >= 1; --k) {
        out[k - 1] = node_right(spine);
        if (k > 1) spine = node_left(spine);  // never step into the name leaf
    }
}

// The integer test with the readability that conversion needs: a list form
// whose deeper cells are malformed passes term_is_integer yet has no value.
static bool bridge_read_integer(const NodeRef& arg, u64* out) {
    i64 v = 0;
    if (!term_is_integer(noderef_copy(arg)) || !integer_try_to_i64(arg, &v)) return false;
    *out = u64(v);
    return true;
}

static bool bridge_test_text(const NodeRef& arg) {
    switch (value_kind(noderef_copy(arg))) {
        case VALUE_KIND_POST:
        case VALUE_KIND_ZITS:
            return true;
        case VALUE_KIND_HINT: {
            i64 v;
            return integer_try_to_i64(arg, &v);
        }
        default:
            return false;
    }
}

static bool bridge_test_number(const NodeRef& arg) {
    u64 v;
    return term_is_number(noderef_copy(arg)) && integer_try_to_u64(arg, &v);
}

bool bridge_test(char cls, const NodeRef& arg) {
    u64 ignored;
    switch (cls) {
        case BRIDGE_INTEGER:
            return bridge_read_integer(arg, &ignored);
        case BRIDGE_TEXT:
            return bridge_test_text(arg);
        case BRIDGE_REAL:
            return node_first_byte(arg) == ' ';  // a pair reads as byte 0
        case BRIDGE_NATURAL:
            // Readable first: the natural test reads the value.
            return bridge_read_integer(arg, &ignored) && term_is_natural(noderef_copy(arg));
        case BRIDGE_NUMBER:
            return bridge_test_number(arg);
        default:
            VORN_ASSERT(false);  // a builtin spelled a class that does not exist
            return false;
    }
}

namespace {

// The pins are first swept at this many, or at this many flattened bytes.
constexpr size_t BRIDGE_PIN_SWEEP_COUNT = 64;
constexpr i64 BRIDGE_PIN_SWEEP_BYTES = i64(1) << 20;

// A flattened data leaf that an address result may point into, and the data
// pair it was flattened from.
struct BridgePin {
    NodeRef source;
    NodeRef flat;
};

// The pins, found by the node of their pair, which each pin holds: the
// address cannot name another pair while the pin lives. Pins whose pair
// nothing else holds are dropped once the pins have doubled (in number or
// in flattened bytes) since the last sweep, so a program that drops its data
// pairs keeps a bounded number of copies. Released when the process ends
// normally.
struct BridgePins {
    std::unordered_multimap<const Node*, BridgePin> by_source;
    i64 bytes = 0;
    size_t sweep_count = BRIDGE_PIN_SWEEP_COUNT;
    i64 sweep_bytes = BRIDGE_PIN_SWEEP_BYTES;
};

BridgePins& bridge_pins() {
    static BridgePins pins;
    return pins;
}

bool bridge_same_text(const Node* a, const Node* b) {
    i64 n = leaf_node_byte_length(a);
    return n == leaf_node_byte_length(b) && std::memcmp(leaf_bytes(a), leaf_bytes(b), size_t(n)) == 0;
}

// The pinned copy of source whose text is that of flat, or null.
const Node* bridge_pin_find(const Node* source, const Node* flat) {
    auto [first, last] = bridge_pins().by_source.equal_range(source);
    for (auto it = first; it != last; ++it)
        if (it->second.flat.node == flat || bridge_same_text(it->second.flat.node, flat)) return it->second.flat.node;
    return nullptr;
}

// Drops the pins of every pair that only the pins hold (one reference per
// pin of it), then lets the pins double again before the next sweep.
void bridge_pin_sweep() {
    BridgePins& pins = bridge_pins();
    auto& table = pins.by_source;
    for (auto it = table.begin(); it != table.end();) {
        auto last = table.equal_range(it->first).second;
        u64 held = u64(std::distance(it, last));
        if (node_refcount(it->first) != held) {
            it = last;
            continue;
        }
        while (it != last) {
            pins.bytes -= leaf_node_byte_length(it->second.flat.node);
            it = table.erase(it);
        }
    }
    pins.sweep_count = std::max(BRIDGE_PIN_SWEEP_COUNT, 2 * table.size());
    pins.sweep_bytes = std::max(BRIDGE_PIN_SWEEP_BYTES, 2 * pins.bytes);
}

}  // namespace

// The bytes of a text argument from its C address on; -1 for an integer.
static i64 bridge_text_length(const NodeRef& arg, const NodeRef& flat) {
    if (flat.node) return leaf_node_byte_length(flat.node);  // a data pair, flattened
    switch (value_kind(noderef_copy(arg))) {
        case VALUE_KIND_POST: {
            i64 length = 0;
            post_node_payload(arg.node, &length);
            return length;
        }
        case VALUE_KIND_ZITS:
            return leaf_node_byte_length(arg.node);
        default:
            return -1;
    }
}

// A data pair flattened into call.kept[k] whose pinned copy has the same
// text: the call uses that copy, so that addresses into the pair stay in one
// copy however often it is searched or parsed.
static void bridge_reuse_pinned(BridgeCall& call, int k) {
    const Node* pinned = bridge_pin_find(call.arg[k].node, call.kept[k].node);
    if (!pinned) return;
    call.kept[k] = noderef_wrap(const_cast<Node*>(pinned));
    call.word[k] = u64(reinterpret_cast<uintptr_t>(leaf_bytes(pinned)));
}

// Argument k's C value; its test has passed.
static void bridge_convert(BridgeCall& call, char cls, int k) {
    const NodeRef& arg = call.arg[k];
    switch (cls) {
        case BRIDGE_INTEGER:
        case BRIDGE_NATURAL:
            call.word[k] = u64(integer_to_i64(noderef_copy(arg)));
            break;
        case BRIDGE_TEXT:
            call.word[k] = value_to_c_argument(noderef_copy(arg), call.kept[k]);
            if (call.kept[k].node) bridge_reuse_pinned(call, k);
            call.text_length[k] = bridge_text_length(arg, call.kept[k]);
            break;
        case BRIDGE_REAL:
            term_require_real(noderef_copy(arg));
            call.real[k] = real_leaf_value(arg);
            break;
        case BRIDGE_NUMBER:
            call.word[k] = integer_to_u64(noderef_copy(arg));
            break;
    }
}

bool bridge_take(BridgeCall& call, NodeRef app, const char* classes) {
    int n = int(std::strlen(classes));
    VORN_ASSERT(n <= BRIDGE_MAX_ARGS);
    call.app = std::move(app);
    call.count = n;
    bridge_arguments(call.app, n, call.arg);
    for (int k = 0; k < n; ++k)
        if (!bridge_test(classes[k], call.arg[k])) return false;
    for (int k = 0; k < n; ++k) bridge_convert(call, classes[k], k);
    return true;
}

bool bridge_text_holds(const BridgeCall& call, int k, u64 count) {
    i64 length = call.text_length[k];
    if (length < 0 || count <= u64(length)) return true;
    errno = EINVAL;
    return false;
}

void bridge_pin_text(BridgeCall& call, int k) {
    NodeRef flat = std::move(call.kept[k]);
    if (!flat.node || bridge_pin_find(call.arg[k].node, flat.node) == flat.node) return;
    BridgePins& pins = bridge_pins();
    if (pins.by_source.size() >= pins.sweep_count || pins.bytes >= pins.sweep_bytes) bridge_pin_sweep();
    pins.bytes += leaf_node_byte_length(flat.node);
    pins.by_source.emplace(call.arg[k].node, BridgePin{noderef_copy(call.arg[k]), std::move(flat)});
}

i64 bridge_pinned_count() { return i64(bridge_pins().by_source.size()); }

NodeRef bridge_error() { return noderef_from_cstr("Z"); }

NodeRef bridge_unit() { return noderef_from_cstr("I"); }

NodeRef bridge_truth(bool value) { return noderef_from_cstr(value ? "K" : "H"); }

NodeRef bridge_signed(i64 value) { return integer_make_leaf(value); }

NodeRef bridge_unsigned(u64 value) { return integer_make_leaf_u64(value); }

NodeRef bridge_address(const void* p) { return integer_make_leaf(i64(reinterpret_cast<uintptr_t>(p))); }

NodeRef bridge_real(double value) { return real_make_leaf(value); }
