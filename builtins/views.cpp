// Positional views: look, trim and cork.
#include "views.h"

#include <cstring>

#include "bits.h"
#include "bridge.h"
#include "cray.h"
#include "integer.h"
#include "memory.h"
#include "post.h"
#include "zits.h"

// A byte spelled by a bracket name has a name of this many bytes.
static constexpr i64 BYTE_NAME_MIN_LENGTH = 12;
static constexpr i64 BYTE_NAME_MAX_LENGTH = 24;

// The 64 bits of a real are indexed -64 .. 63.
static constexpr i64 REAL_BITS = 64;

// Setting a number bit at or above this index is refused rather than
// growing the code to gigabytes.
static constexpr i64 NUMBER_BIT_LIMIT = i64(1) << 32;

static bool view_is_bracket(u8 c) { return c == '[' || c == ']'; }

bool view_index_read(const NodeRef& idx, i64* out) {
    return term_is_integer(noderef_copy(idx)) && integer_try_to_i64(idx, out);
}

bool view_index_adjust(i64 n, i64* i) {
    if (*i < 0) *i += n;  // once: -n names position 0, below stays out
    return *i >= 0;
}

// The index rule for bounded positions: -n <= i < n, adjusted.
static bool view_index_bounded(i64 n, i64* i) { return view_index_adjust(n, i) && *i < n; }

// ---------------------------------------------------------------------------
// Data text content
// ---------------------------------------------------------------------------

void zits_content_view(const Node* z, ZitsContent* out) {
    if (node_is_leaf(z)) {
        i64 n = leaf_counted_length(z);
        out->bytes = leaf_bytes(z) + 1;
        out->length = n >= 2 ? n - 2 : 0;
        out->in_leaf = true;
        return;
    }
    zits_flatten_append(z, out->flat);
    out->bytes = reinterpret_cast<const u8*>(out->flat.data()) + 1;
    out->length = i64(out->flat.size()) - 2;
    out->in_leaf = false;
}

// The length of z's flattened text with its outer brackets.
static i64 zits_flat_length(const Node* z) {
    struct Frame {
        const Node* node;
        bool children_done;
    };
    WorkStack<Frame> work;
    WorkStack<i64> lengths;
    work.push(Frame{z, false});
    while (!work.empty()) {
        Frame f = work.pop();
        if (node_is_leaf(f.node)) {
            lengths.push(leaf_counted_length(f.node));
        } else if (!f.children_done) {
            work.push(Frame{f.node, true});
            work.push(Frame{pair_right(f.node), false});
            work.push(Frame{pair_left(f.node), false});
        } else {
            i64 right = lengths.pop();
            i64 left = lengths.pop();
            if (right >= BYTE_NAME_MIN_LENGTH && right <= BYTE_NAME_MAX_LENGTH) {
                std::string text;  // short: at most a few dozen nodes
                zits_flatten_append(pair_right(f.node), text);
                if (zits_named_byte(reinterpret_cast<const u8*>(text.data()), i64(text.size())) >= 0) right = 1;
            }
            lengths.push(left - 1 + right + 1);  // the left text loses its "]"
        }
    }
    return lengths.pop();
}

i64 zits_content_length(const Node* z) {
    i64 n = zits_flat_length(z);
    return n >= 2 ? n - 2 : 0;
}

// ---------------------------------------------------------------------------
// Sequence views
// ---------------------------------------------------------------------------

bool sequence_view(const NodeRef& v, ValueKind kind, SequenceView* out) {
    out->kind = kind;
    switch (kind) {
        case VALUE_KIND_POST:
            out->bytes = post_node_payload(v.node, &out->length);
            out->in_leaf = true;
            return true;
        case VALUE_KIND_ZITS:
            zits_content_view(v.node, &out->zits);
            out->bytes = out->zits.bytes;
            out->length = out->zits.length;
            out->in_leaf = out->zits.in_leaf;
            return true;
        case VALUE_KIND_CRAY:
            out->length = i64(node_aux(v.node));
            out->in_leaf = true;
            return true;
        default:
            return false;
    }
}

// The code N of a number term and its sequence length; false for a list
// form that cannot be read.
static bool view_number_code(const NodeRef& v, NumberBits* code, i64* length) {
    if (!number_try_to_bits(v, code) || !number_bits_is_valid(*code)) return false;
    *length = number_bits_length(*code);
    return true;
}

// The 64-bit pattern of a real leaf.
static u64 view_real_pattern(const Node* r) { return memory_load<8>(leaf_bytes(r) + 1); }

// A new real leaf holding the pattern bits, every bit kept (NaN payloads
// included).
static NodeRef view_real_from_pattern(u64 bits) {
    u8 text[9] = {' '};
    memory_store<8>(text + 1, bits);
    return noderef_wrap(leaf_new_from_bytes(text, 9));
}

// 1 for a leaf beginning K, 0 for one beginning H, -1 for anything else.
static int view_truth_bit(const NodeRef& x) {
    switch (node_lead_byte(x.node)) {
        case 'K': return 1;
        case 'H': return 0;
        default: return -1;
    }
}

// ---------------------------------------------------------------------------
// look
// ---------------------------------------------------------------------------

static NodeRef look_number(const NodeRef& v, i64 i) {
    NumberBits code;
    i64 n;
    if (!view_number_code(v, &code, &n) || !view_index_adjust(n, &i)) return bridge_error();
    return boolean_make(bits_get(i, code) != 0);  // at n the end marker, above it 0
}

static NodeRef look_real(const NodeRef& v, i64 i) {
    if (!view_index_bounded(REAL_BITS, &i)) return bridge_error();
    return boolean_make(((view_real_pattern(v.node) >> i) & 1) != 0);
}

NodeRef builtin_look(NodeRef app) {
    NodeRef args[2]{nullptr, nullptr};
    bridge_arguments(app, 2, args);
    const NodeRef& v = args[0];
    i64 i;
    if (!view_index_read(args[1], &i)) return bridge_error();
    ValueKind kind = value_kind(noderef_copy(v));
    if (kind == VALUE_KIND_HINT || kind == VALUE_KIND_NUMB) return look_number(v, i);
    if (kind == VALUE_KIND_REAL) return look_real(v, i);
    SequenceView view;
    if (!sequence_view(v, kind, &view) || !view_index_bounded(view.length, &i)) return bridge_error();
    if (kind == VALUE_KIND_CRAY) return cray_get(noderef_copy(v), i);
    return integer_make_leaf(view.bytes[i]);
}

// ---------------------------------------------------------------------------
// trim
// ---------------------------------------------------------------------------

// True when the bytes' brackets balance: the depth never drops below 0 and
// ends at 0.
// A new cray of slots from .. to-1 of v, each element gaining a reference.
static NodeRef trim_cray(const NodeRef& v, i64 from, i64 to) {
    Node* slice = leaf_new_vector(u64(to - from));
    for (i64 k = from; k < to; ++k) {
        Node* element = leaf_vector_slot(v.node, u64(k));
        if (element) node_retain(element);
        leaf_vector_set_slot(slice, u64(k - from), element);
    }
    return noderef_wrap(slice);
}

NodeRef builtin_trim(NodeRef app) {
    NodeRef args[3]{nullptr, nullptr, nullptr};
    bridge_arguments(app, 3, args);
    const NodeRef& v = args[0];
    i64 from, to;
    if (!view_index_read(args[1], &from) || !view_index_read(args[2], &to)) return bridge_error();
    ValueKind kind = value_kind(noderef_copy(v));
    if (from == to && kind == VALUE_KIND_POST) return post_make(string_make_empty());
    if (from == to && kind == VALUE_KIND_ZITS) return noderef_from_cstr("[]");
    SequenceView view;
    if (!sequence_view(v, kind, &view)) return bridge_error();
    i64 n = view.length;
    if (!view_index_adjust(n, &from) || !view_index_adjust(n, &to)) return bridge_error();
    if (to < from || from > n || to > n) return bridge_error();
    if (kind == VALUE_KIND_CRAY) return trim_cray(v, from, to);
    RtString slice = string_from_bytes(view.bytes + from, to - from);
    if (kind == VALUE_KIND_POST) return post_make(std::move(slice));
    if (!zits_bytes_balanced(view.bytes + from, to - from)) return bridge_error();
    return zits_from_string(std::move(slice));
}

// ---------------------------------------------------------------------------
// cork
// ---------------------------------------------------------------------------

// True when cork may write into v: v is held only by the pair (cork v), the
// machine's argument list and this call's handle, and the spine of the call
// is held by the call alone: the pairs (cork v) and ((cork v) i) once each,
// the application by the machine's focus and this call. A value captured in
// a function body is reached through a shared spine and is never written.
static bool cork_writes_in_place(const NodeRef& app, const NodeRef& v) {
    const Node* with_index = pair_left(app.node);
    const Node* with_value = pair_left(with_index);
    return node_is_leaf(v.node) && node_refcount(v.node) == 3 && node_refcount(app.node) == 2 &&
           node_refcount(with_index) == 1 && node_refcount(with_value) == 1;
}

// Byte i of a post or data content set to b, in v or in a copy.
static NodeRef cork_byte(NodeRef v, const SequenceView& view, i64 i, u8 b, bool in_place) {
    if (in_place && view.in_leaf) {
        const_cast<u8*>(view.bytes)[i] = b;
        return v;
    }
    RtString copy = string_from_bytes(view.bytes, view.length);
    string_writable_bytes(copy)[i] = b;
    if (view.kind == VALUE_KIND_POST) return post_make(std::move(copy));
    return zits_from_string(std::move(copy));
}

static NodeRef cork_number(const NodeRef& v, i64 i, const NodeRef& x) {
    int bit = view_truth_bit(x);
    NumberBits code;
    i64 n;
    if (bit < 0 || !view_number_code(v, &code, &n) || !view_index_adjust(n, &i)) return bridge_error();
    if (i > n && bit == 0) return number_bits_to_term(std::move(code));  // already clear
    if (i >= NUMBER_BIT_LIMIT) return bridge_error();
    bits_set(i, bit, code);
    if (bits_is_zero(code)) return bridge_error();
    return number_bits_to_term(bits_trim(std::move(code)));  // the code 1 gives K
}

static NodeRef cork_real(const NodeRef& v, i64 i, const NodeRef& x) {
    if (!view_index_bounded(REAL_BITS, &i)) return bridge_error();
    int bit = view_truth_bit(x);
    if (bit < 0) return bridge_error();
    return view_real_from_pattern(u64_set_bit(i, bit, view_real_pattern(v.node)));
}

NodeRef builtin_cork(NodeRef app) {
    NodeRef args[3]{nullptr, nullptr, nullptr};
    bridge_arguments(app, 3, args);
    NodeRef& v = args[0];
    const NodeRef& x = args[2];
    i64 i;
    if (!view_index_read(args[1], &i)) return bridge_error();
    ValueKind kind = value_kind(noderef_copy(v));
    if (kind == VALUE_KIND_HINT || kind == VALUE_KIND_NUMB) return cork_number(v, i, x);
    if (kind == VALUE_KIND_REAL) return cork_real(v, i, x);
    if (kind == VALUE_KIND_CRAY) {
        if (!view_index_bounded(i64(node_aux(v.node)), &i)) return bridge_error();
        bool in_place = cork_writes_in_place(app, v);
        NodeRef target = in_place ? std::move(v) : cray_clone(noderef_copy(v));
        cray_set(noderef_copy(target), i, noderef_copy(x));
        return target;
    }
    if (kind != VALUE_KIND_POST && kind != VALUE_KIND_ZITS) return bridge_error();
    i64 value;
    if (!view_index_read(x, &value)) return bridge_error();
    u8 b = u8(value);
    bool in_place = cork_writes_in_place(app, v);  // before the view: it holds nothing
    SequenceView view;
    sequence_view(v, kind, &view);
    if (!view_index_bounded(view.length, &i)) return bridge_error();
    if (kind == VALUE_KIND_ZITS && (view_is_bracket(b) || view_is_bracket(view.bytes[i]))) return bridge_error();
    return cork_byte(std::move(v), view, i, b, in_place);
}
