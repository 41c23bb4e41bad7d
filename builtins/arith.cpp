// The arithmetic coercion frame and builtin plus.
#include "arithmetic.h"

#include "arith.h"
#include "bits.h"
#include "cray.h"
#include "heads.h"
#include "integer.h"
#include "numb.h"
#include "post.h"
#include "real.h"
#include "zits.h"

namespace {

NodeRef leaf_z() {
    return noderef_from_cstr("Z");
}

// Whether a number argument has a value: a list form whose deeper cells are
// malformed has none, and the kernels must not meet it.
bool number_is_readable(const NodeRef& x, ValueKind k) {
    if (k == VALUE_KIND_HINT) return integer_is_readable(x);
    if (k == VALUE_KIND_NUMB) {
        NumbBits bits;
        return numb_try_to_bits(x, &bits);
    }
    return true;
}

// x as a double for the real path; a cray (or any other kind) has none.
bool to_real(const NodeRef& x, ValueKind k, double* out) {
    switch (k) {
    case VALUE_KIND_REAL: *out = real_leaf_value(x); return true;
    case VALUE_KIND_HINT: *out = real_leaf_value(integer_to_real(x)); return true;
    case VALUE_KIND_NUMB: *out = real_leaf_value(numb_to_real(x)); return true;
    default: return false;
    }
}

// x as a numb for the numb path; a hint is converted exactly.
bool to_numb(const NodeRef& x, ValueKind k, NodeRef* out) {
    if (k == VALUE_KIND_NUMB) {
        *out = x;
        return true;
    }
    if (k == VALUE_KIND_HINT) {
        *out = integer_to_numb(x);
        return true;
    }
    return false;
}

NodeRef apply_or_z(NodeRef (*op)(NodeRef, NodeRef), NodeRef a, NodeRef b) {
    return op ? op(std::move(a), std::move(b)) : leaf_z();
}

NodeRef frame_same_kind(const ArithSpec& spec, NodeRef a, NodeRef b, ValueKind k) {
    switch (k) {
    case VALUE_KIND_REAL: return real_make_leaf(spec.real_op(real_leaf_value(a), real_leaf_value(b)));
    case VALUE_KIND_HINT: return apply_or_z(spec.hint_op, std::move(a), std::move(b));
    case VALUE_KIND_NUMB: return apply_or_z(spec.numb_op, std::move(a), std::move(b));
    case VALUE_KIND_POST: return apply_or_z(spec.post_op, std::move(a), std::move(b));
    case VALUE_KIND_ZITS: return apply_or_z(spec.zits_op, std::move(a), std::move(b));
    case VALUE_KIND_CRAY: return apply_or_z(spec.cray_op, std::move(a), std::move(b));
    default: return leaf_z();
    }
}

NodeRef frame_mixed(const ArithSpec& spec, NodeRef a, NodeRef b, ValueKind ka, ValueKind kb) {
    bool text = ka == VALUE_KIND_POST || kb == VALUE_KIND_POST || ka == VALUE_KIND_ZITS || kb == VALUE_KIND_ZITS;
    if (text) return apply_or_z(spec.text_mix_op, std::move(a), std::move(b));
    if (!spec.numb_first || ka == VALUE_KIND_REAL || kb == VALUE_KIND_REAL) {
        double x = 0, y = 0;
        if (!to_real(a, ka, &x) || !to_real(b, kb, &y)) return leaf_z();
        return real_make_leaf(spec.real_op(x, y));
    }
    NodeRef x = nullptr, y = nullptr;
    if (!to_numb(a, ka, &x) || !to_numb(b, kb, &y)) return leaf_z();
    return apply_or_z(spec.numb_op, std::move(x), std::move(y));
}

// ---------------------------------------------------------------------------
// plus
// ---------------------------------------------------------------------------

// The text form of an operand in a text join.
RtString plus_text(const NodeRef& x) {
    switch (value_kind(x)) {
    case VALUE_KIND_POST: return post_payload(x);
    case VALUE_KIND_ZITS: return zits_text(x);
    case VALUE_KIND_REAL: return real_to_text(x);
    default: {
        RtString digits;
        bool readable = number_try_to_text(x, &digits);
        VORN_ASSERT(readable);  // the frame let only readable numbers through
        return digits;
    }
    }
}

// T(a) followed by T(b): a post when either is a post, else a zits.
NodeRef plus_join(NodeRef a, NodeRef b) {
    bool post = value_kind(a) == VALUE_KIND_POST || value_kind(b) == VALUE_KIND_POST;
    RtString text = plus_text(a);
    string_append(text, plus_text(b));
    return post ? post_make(std::move(text)) : zits_from_string(std::move(text));
}

double plus_real(double a, double b) {
    return a + b;
}

NodeRef plus_numb(NodeRef a, NodeRef b) {
    return numb_bits_to_leaf(numb_bits_add(numb_to_bits(std::move(a)), numb_to_bits(std::move(b))));
}

// Crays join only with crays, within the count limit; no cray goes further.
bool plus_crays(const NodeRef& a, const NodeRef& b, ValueKind ka, ValueKind kb, NodeRef* out) {
    if (ka != VALUE_KIND_CRAY && kb != VALUE_KIND_CRAY) return false;
    if (ka == VALUE_KIND_CRAY && kb == VALUE_KIND_CRAY && node_aux(a.node) + node_aux(b.node) <= CRAY_COUNT_MAX)
        *out = cray_concat(a, b);
    else
        *out = leaf_z();
    return true;
}

const ArithSpec PLUS_SPEC = {
    plus_crays, plus_real, integer_add, plus_numb, plus_join, plus_join, nullptr, plus_join, true,
};

}  // namespace

bool arith_small_integer(const Node* t, i64* out) {
    if (!node_is_leaf(t)) return false;
    const u8* text = leaf_bytes(t);
    bool negative = text[0] == '0' && text[1] != 0;
    if (negative && text[1] == '0') return false;  // "00..." is a numb
    const u8* digits = negative ? text + 1 : text;
    i64 value = 0;
    int n = 0;
    for (; digits[n] != 0; ++n) {
        if (n == 18 || digits[n] < '0' || digits[n] > '9') return false;
        value = value * 10 + (digits[n] - '0');
    }
    if (n == 0) return false;
    // A digit leaf's text may hold a NUL byte; its recorded length must agree.
    if (i64(node_aux(t)) != n + (negative ? 1 : 0)) return false;
    *out = negative ? -value : value;
    return true;
}

void arith_arguments(const NodeRef& app, NodeRef* a, NodeRef* b) {
    *a = node_right(node_left(app));
    *b = node_right(app);
}

NodeRef arith_frame(NodeRef app, const ArithSpec& spec) {
    NodeRef a = nullptr, b = nullptr;
    arith_arguments(app, &a, &b);
    noderef_release(app);
    ValueKind ka = value_kind(a), kb = value_kind(b);
    if (ka == VALUE_KIND_VOID || kb == VALUE_KIND_VOID) return leaf_z();
    if (!number_is_readable(a, ka) || !number_is_readable(b, kb)) return leaf_z();
    NodeRef out = nullptr;
    if (spec.own_cases && spec.own_cases(a, b, ka, kb, &out)) return out;
    if (ka == kb) return frame_same_kind(spec, std::move(a), std::move(b), ka);
    return frame_mixed(spec, std::move(a), std::move(b), ka, kb);
}

NodeRef builtin_plus(NodeRef app) {
    i64 a = 0, b = 0;
    if (arith_small_integer(pair_right(pair_left(app.node)), &a) && arith_small_integer(pair_right(app.node), &b))
        return integer_make_leaf(a + b);
    return arith_frame(std::move(app), PLUS_SPEC);
}
