// Host library bridge conventions.
#include "bridge.h"

#include <cstring>

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

// Flattened data leaves that results of the string searches point into;
// released when the process ends normally.
static List<NodeRef>& bridge_pinned() {
    static List<NodeRef> pinned;
    return pinned;
}

void bridge_pin_text(BridgeCall& call, int k) {
    if (call.kept[k].node) list_push_back(bridge_pinned(), std::move(call.kept[k]));
}

NodeRef bridge_error() { return noderef_from_cstr("Z"); }

NodeRef bridge_unit() { return noderef_from_cstr("I"); }

NodeRef bridge_truth(bool value) { return noderef_from_cstr(value ? "K" : "H"); }

NodeRef bridge_signed(i64 value) { return integer_make_leaf(value); }

NodeRef bridge_unsigned(u64 value) { return integer_make_leaf_u64(value); }

NodeRef bridge_address(const void* p) { return integer_make_leaf(i64(reinterpret_cast<uintptr_t>(p))); }

NodeRef bridge_real(double value) { return real_make_leaf(value); }
