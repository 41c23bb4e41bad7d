// The arithmetic coercion frame and the six arithmetic builtins on it.
#include "arithmetic.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <string>

#include "arith.h"
#include "bits.h"
#include "bridge.h"
#include "cray.h"
#include "heads.h"
#include "integer.h"
#include "numb.h"
#include "post.h"
#include "real.h"
#include "realtree.h"
#include "zits.h"

namespace {

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
    return op ? op(std::move(a), std::move(b)) : bridge_error();
}

NodeRef frame_same_kind(const ArithSpec& spec, NodeRef a, NodeRef b, ValueKind k) {
    switch (k) {
    case VALUE_KIND_REAL: return real_make_leaf(spec.real_op(real_leaf_value(a), real_leaf_value(b)));
    case VALUE_KIND_HINT: return apply_or_z(spec.hint_op, std::move(a), std::move(b));
    case VALUE_KIND_NUMB: return apply_or_z(spec.numb_op, std::move(a), std::move(b));
    case VALUE_KIND_POST: return apply_or_z(spec.post_op, std::move(a), std::move(b));
    case VALUE_KIND_ZITS: return apply_or_z(spec.zits_op, std::move(a), std::move(b));
    case VALUE_KIND_CRAY: return apply_or_z(spec.cray_op, std::move(a), std::move(b));
    default: return bridge_error();
    }
}

NodeRef frame_mixed(const ArithSpec& spec, NodeRef a, NodeRef b, ValueKind ka, ValueKind kb) {
    bool text = ka == VALUE_KIND_POST || kb == VALUE_KIND_POST || ka == VALUE_KIND_ZITS || kb == VALUE_KIND_ZITS;
    if (text) return apply_or_z(spec.text_mix_op, std::move(a), std::move(b));
    if (!spec.numb_first || ka == VALUE_KIND_REAL || kb == VALUE_KIND_REAL) {
        double x = 0, y = 0;
        if (!to_real(a, ka, &x) || !to_real(b, kb, &y)) return bridge_error();
        return real_make_leaf(spec.real_op(x, y));
    }
    NodeRef x = nullptr, y = nullptr;
    if (!to_numb(a, ka, &x) || !to_numb(b, kb, &y)) return bridge_error();
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

// The text form of an operand where it can be read: a post's payload and a
// data leaf's content in place, any other form copied into keep. Valid while
// the operand and keep live.
struct TextPiece {
    const u8* bytes;
    i64 length;
    RtString keep;
};

TextPiece text_piece(const NodeRef& x) {
    ValueKind k = value_kind(x);
    if (k == VALUE_KIND_POST) {
        i64 n;
        const u8* bytes = post_node_payload(x.node, &n);
        return TextPiece{bytes, n, RtString(nullptr)};
    }
    if (k == VALUE_KIND_ZITS && node_is_leaf(x.node) && leaf_counted_length(x.node) >= 2)
        return TextPiece{leaf_bytes(x.node) + 1, leaf_counted_length(x.node) - 2, RtString(nullptr)};
    TextPiece piece{nullptr, 0, plus_text(x)};
    piece.bytes = string_bytes(piece.keep);
    piece.length = string_length(piece.keep);
    return piece;
}

// A new post (post) or data leaf (else) for n text bytes, which the caller
// writes at once at *text.
Node* text_leaf_new(bool post, i64 n, u8** text) {
    return post ? post_new_unwritten(n, text) : zits_new_unwritten(n, text);
}

// T(a) followed by T(b): a post when either is a post, else a zits. The
// joined text is written once, into the new leaf.
NodeRef plus_join(NodeRef a, NodeRef b) {
    bool post = value_kind(a) == VALUE_KIND_POST || value_kind(b) == VALUE_KIND_POST;
    TextPiece first = text_piece(a);
    TextPiece second = text_piece(b);
    u8* text;
    Node* leaf = text_leaf_new(post, first.length + second.length, &text);
    if (first.length > 0) std::memcpy(text, first.bytes, size_t(first.length));
    if (second.length > 0) std::memcpy(text + first.length, second.bytes, size_t(second.length));
    return noderef_wrap(leaf);
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
        *out = bridge_error();
    return true;
}

const ArithSpec PLUS_SPEC = {
    plus_crays, plus_real, integer_add, plus_numb, plus_join, plus_join, nullptr, plus_join, true,
};

// ---------------------------------------------------------------------------
// Shared by the container cases
// ---------------------------------------------------------------------------

// Bits beyond which no text or number a builtin makes could ever be stored:
// such results answer Z before any work is done.
const u64 RESULT_MAX_BITS = u64(1) << 37;

bool kind_is_container(ValueKind k) {
    return k == VALUE_KIND_POST || k == VALUE_KIND_ZITS || k == VALUE_KIND_CRAY;
}

// |n| without overflow: INT64_MIN gives 2^63.
u64 count_magnitude(i64 n) {
    return n < 0 ? 0 - u64(n) : u64(n);
}

// A new vector of copies * span slots: slots first .. first + span of c,
// written copies times over; every stored element gains one reference per
// copy and empty slots stay empty. The count must fit a vector.
NodeRef cray_slots_repeat(const Node* c, u64 first, u64 span, u64 copies) {
    Node* block = leaf_new_vector(span * copies);
    for (u64 k = 0; k < copies; ++k)
        for (u64 j = 0; j < span; ++j) {
            Node* element = leaf_vector_slot(c, first + j);
            if (element) node_retain(element);
            leaf_vector_set_slot(block, k * span + j, element);
        }
    return noderef_wrap(block);
}

// The bytes of a post's payload or of a zits's content text.
RtString container_text(const NodeRef& x, ValueKind k) {
    return k == VALUE_KIND_POST ? post_payload(x) : zits_text(x);
}

// A new post or zits of the same kind as the operand, holding text.
NodeRef container_make(ValueKind k, RtString text) {
    return k == VALUE_KIND_POST ? post_make(std::move(text)) : zits_from_string(std::move(text));
}

// ---------------------------------------------------------------------------
// dash
// ---------------------------------------------------------------------------

// Drops |n| items from a post, zits or cray a: a text loses its first n
// bytes (n > 0) or its last |n| (n <= 0), a cray keeps its first L - n slots
// (n > 0) or loses its first |n|. More than L items: Z. A zits whose kept
// bytes do not balance is refused as trim refuses such a slice.
NodeRef dash_drop(const NodeRef& a, ValueKind ka, i64 n) {
    u64 m = count_magnitude(n);
    if (ka == VALUE_KIND_CRAY) {
        u64 length = node_aux(a.node);
        if (m > length) return bridge_error();
        return cray_slots_repeat(a.node, n > 0 ? 0 : m, length - m, 1);
    }
    RtString text = container_text(a, ka);
    u64 length = u64(string_length(text));
    if (m > length) return bridge_error();
    i64 first = n > 0 ? i64(m) : 0;
    RtString kept = string_substring(text, first, i64(length - m));
    if (ka == VALUE_KIND_ZITS && !zits_bytes_balanced(string_bytes(kept), string_length(kept))) return bridge_error();
    return container_make(ka, std::move(kept));
}

bool dash_drops(const NodeRef& a, const NodeRef& b, ValueKind ka, ValueKind kb, NodeRef* out) {
    if (kb != VALUE_KIND_HINT || !kind_is_container(ka)) return false;
    *out = dash_drop(a, ka, integer_to_i64(b));
    return true;
}

double dash_real(double a, double b) {
    return a - b;
}

// Two zits make their data pair: a with b as one further element.
NodeRef dash_zits(NodeRef a, NodeRef b) {
    return node_make_app(std::move(a), std::move(b));
}

const ArithSpec DASH_SPEC = {
    dash_drops, dash_real, integer_subtract, numb_subtract, nullptr, dash_zits, nullptr, nullptr, true,
};

// ---------------------------------------------------------------------------
// mult
// ---------------------------------------------------------------------------

// n copies of a post's payload or a zits's content text, written once into
// the new leaf: one copy, then the leaf's own bytes doubled in place. Z for
// n < 0 and for a result past RESULT_MAX_BITS.
NodeRef mult_repeat_text(const NodeRef& a, ValueKind ka, i64 n) {
    if (n < 0) return bridge_error();
    TextPiece unit = text_piece(a);
    u64 size = u64(unit.length);
    if (size != 0 && u64(n) > RESULT_MAX_BITS / 8 / size) return bridge_error();
    u64 total = size * u64(n);
    u8* text;
    Node* leaf = text_leaf_new(ka == VALUE_KIND_POST, i64(total), &text);
    if (total > 0) std::memcpy(text, unit.bytes, size);
    for (u64 done = size; done < total;) {
        u64 more = std::min(done, total - done);
        std::memcpy(text + done, text, more);
        done += more;
    }
    return noderef_wrap(leaf);
}

// n copies of a cray's slots in one new vector; Z for n < 0 and for more
// slots than a vector holds.
NodeRef mult_repeat_cray(const NodeRef& a, i64 n) {
    if (n < 0) return bridge_error();
    u64 count = node_aux(a.node);
    if (count != 0 && u64(n) > CRAY_COUNT_MAX / count) return bridge_error();
    return cray_slots_repeat(a.node, 0, count, count == 0 ? 0 : u64(n));
}

// A post, cray or zits with a hint, in either order, is repeated.
bool mult_repeats(const NodeRef& a, const NodeRef& b, ValueKind ka, ValueKind kb, NodeRef* out) {
    bool swap = ka == VALUE_KIND_HINT && kind_is_container(kb);
    const NodeRef& container = swap ? b : a;
    ValueKind kc = swap ? kb : ka;
    if (!kind_is_container(kc) || (swap ? ka : kb) != VALUE_KIND_HINT) return false;
    i64 n = integer_to_i64(swap ? a : b);
    *out = kc == VALUE_KIND_CRAY ? mult_repeat_cray(container, n) : mult_repeat_text(container, kc, n);
    return true;
}

double mult_real(double a, double b) {
    return a * b;
}

const ArithSpec MULT_SPEC = {
    mult_repeats, mult_real, integer_multiply, numb_multiply, nullptr, nullptr, nullptr, nullptr, true,
};

// ---------------------------------------------------------------------------
// over, cent
// ---------------------------------------------------------------------------

// A new cray of c's slots with v put at the back or the front; Z when c is
// full already.
NodeRef cray_add_one(const NodeRef& c, const NodeRef& v, bool at_front) {
    if (node_aux(c.node) >= CRAY_COUNT_MAX) return bridge_error();
    return at_front ? cray_push_front(v, c) : cray_push_back(c, v);
}

// A cray first takes any second argument as its new last element.
bool cray_first_appends(const NodeRef& a, const NodeRef& b, ValueKind ka, ValueKind, NodeRef* out) {
    if (ka != VALUE_KIND_CRAY) return false;
    *out = cray_add_one(a, b, false);
    return true;
}

double over_real(double a, double b) {
    return a / b;
}

const ArithSpec OVER_SPEC = {
    cray_first_appends, over_real, integer_divide, nullptr, nullptr, nullptr, nullptr, nullptr, false,
};

// A cray second takes any first argument as its new first element.
bool cent_prepends(const NodeRef& a, const NodeRef& b, ValueKind, ValueKind kb, NodeRef* out) {
    if (kb != VALUE_KIND_CRAY) return false;
    *out = cray_add_one(b, a, true);
    return true;
}

double cent_real(double a, double b) {
    return std::fmod(a, b);
}

const ArithSpec CENT_SPEC = {
    cent_prepends, cent_real, integer_remainder, numb_remainder, nullptr, nullptr, nullptr, nullptr, true,
};

// ---------------------------------------------------------------------------
// powa
// ---------------------------------------------------------------------------

// The value of a magnitude when it is at most limit, else limit + 1.
u64 dec_value_capped(const DecNat& x, u64 limit) {
    if (x.limbs.size() > 2) return limit + 1;
    u64 v = x.limbs.empty() ? 0 : x.limbs[0];
    if (x.limbs.size() == 2) v += u64(x.limbs[1]) * DEC_BASE;
    return std::min(v, limit + 1);
}

// About the number of binary digits of x (within one), x > 0.
double dec_bit_estimate(const DecNat& x) {
    return std::log2(double(x.limbs.back())) + 1 + double(x.limbs.size() - 1) * std::log2(double(DEC_BASE));
}

// A hint base to a hint power: bases 0 and +-1 answer at once for any
// exponent; a result past RESULT_MAX_BITS answers Z before any product.
NodeRef powa_hint(NodeRef a, NodeRef b) {
    IntValue base, e;
    integer_try_value(a, &base);
    integer_try_value(b, &e);
    if (e.nonnegative && !dec_is_zero(e.mag) && dec_compare(base.mag, dec_from_u64(1)) > 0) {
        u64 ev = dec_value_capped(e.mag, RESULT_MAX_BITS);
        if (double(ev) * dec_bit_estimate(base.mag) > double(RESULT_MAX_BITS)) return bridge_error();
    }
    return integer_power(std::move(a), std::move(b));
}

// The numb 2^e for |e| < 2^59, built as its one power.
NodeRef powa_numb_two(const NodeRef& b) {
    if (integer_bit_length(b) > 60) return bridge_error();
    i64 e = integer_to_i64(b);
    if (2 * count_magnitude(e) + 1 > RESULT_MAX_BITS) return bridge_error();
    NumbValue v;
    v.mant = big_from_u64(1);
    v.exp = e;
    return numb_leaf_of_value(v);
}

// Any other numb to a hint power e: Z below 0, the numb 1 at 0, else the
// exact power by squaring (mant^e, exp * e). Zero and +-1 answer at once; a
// code past RESULT_MAX_BITS answers Z first.
NodeRef powa_numb_general(const NodeRef& a, const NodeRef& b) {
    IntValue e;
    integer_try_value(b, &e);
    if (!e.nonnegative) return bridge_error();
    if (dec_is_zero(e.mag)) return noderef_from_cstr("001");
    NumbValue base = numb_value_of_bits(numb_to_bits(a));
    bool odd = dec_is_odd(e.mag);
    bool unit = base.mant.limbs.size() == 1 && base.mant.limbs[0] == 1 && base.exp == 0;
    if (big_is_zero(base.mant) || unit) {
        base.nonnegative = base.nonnegative || !odd;
        return numb_leaf_of_value(base);
    }
    // The code of the result spans the exponents e * bottom .. e * top.
    using i128 = __int128;
    i128 top = base.exp + big_bit_length(base.mant) - 1, bottom = base.exp;
    i128 ev = i128(dec_value_capped(e.mag, RESULT_MAX_BITS));
    i128 reach = std::max(top < 0 ? -top : top, bottom < 0 ? -bottom : bottom);
    if (2 * ev * reach + 2 > i128(RESULT_MAX_BITS)) return bridge_error();
    NumbValue r;
    r.nonnegative = base.nonnegative || !odd;
    r.exp = base.exp * i64(ev);
    r.mant = base.mant;
    for (int i = 63 - __builtin_clzll(u64(ev)); i-- > 0;) {
        r.mant = big_mul(r.mant, r.mant);
        if ((u64(ev) >> i) & 1) r.mant = big_mul(r.mant, base.mant);
    }
    return numb_leaf_of_value(r);
}

// A numb base with a hint exponent: the exponent must be a well-formed
// number; the leaf "004" takes the power-of-two shortcut.
NodeRef powa_numb(const NodeRef& a, const NodeRef& b) {
    if (!term_is_number_chain(b)) return bridge_error();
    bool two = node_is_leaf(a.node) && leaf_node_byte_length(a.node) == 3 && std::memcmp(leaf_bytes(a.node), "004", 3) == 0;
    return two ? powa_numb_two(b) : powa_numb_general(a, b);
}

// A cray first takes b as its new last element; a numb base with a hint
// exponent takes the exact numb power.
bool powa_own(const NodeRef& a, const NodeRef& b, ValueKind ka, ValueKind kb, NodeRef* out) {
    if (cray_first_appends(a, b, ka, kb, out)) return true;
    if (ka != VALUE_KIND_NUMB || kb != VALUE_KIND_HINT) return false;
    *out = powa_numb(a, b);
    return true;
}

double powa_real(double a, double b) {
    return std::pow(a, b);
}

const ArithSpec POWA_SPEC = {
    powa_own, powa_real, powa_hint, nullptr, nullptr, nullptr, nullptr, nullptr, false,
};

// The frame for a builtin whose results can outgrow memory: an allocation
// that fails answers Z, every temporary released on the way out.
NodeRef arith_frame_bounded(NodeRef app, const ArithSpec& spec) {
    try {
        return arith_frame(std::move(app), spec);
    } catch (const std::bad_alloc&) {
        return bridge_error();
    }
}

// The two arguments as small integers, when both are.
bool small_pair(const NodeRef& app, i64* a, i64* b) {
    return arith_small_integer(pair_right(pair_left(app.node)), a) && arith_small_integer(pair_right(app.node), b);
}

}  // namespace

bool arith_small_integer(const Node* t, i64* out) {
    if (!node_is_leaf(t)) return false;
    // A digit leaf records its length, which also tells a text holding a NUL
    // byte (whose recorded length is longer than its digits).
    const u8* text = leaf_bytes(t);
    u64 n = node_aux(t);
    bool negative = text[0] == '0' && n > 1;
    if (negative && text[1] == '0') return false;  // "00..." is a numb
    const u8* digits = negative ? text + 1 : text;
    n -= negative ? 1 : 0;
    if (n == 0 || n > 18 || digits[n] != 0) return false;
    i64 value = 0;
    for (u64 i = 0; i < n; ++i) {
        unsigned d = unsigned(digits[i]) - '0';
        if (d > 9) return false;
        value = value * 10 + i64(d);
    }
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
    if (ka == VALUE_KIND_VOID || kb == VALUE_KIND_VOID) return bridge_error();
    if (!number_is_readable(a, ka) || !number_is_readable(b, kb)) return bridge_error();
    NodeRef out = nullptr;
    if (spec.own_cases && spec.own_cases(a, b, ka, kb, &out)) return out;
    if (ka == kb) return frame_same_kind(spec, std::move(a), std::move(b), ka);
    return frame_mixed(spec, std::move(a), std::move(b), ka, kb);
}

NodeRef builtin_plus(NodeRef app) {
    i64 a = 0, b = 0;
    if (small_pair(app, &a, &b)) return integer_make_leaf(a + b);
    return arith_frame(std::move(app), PLUS_SPEC);
}

NodeRef builtin_dash(NodeRef app) {
    i64 a = 0, b = 0;
    if (small_pair(app, &a, &b)) return integer_make_leaf(a - b);
    return arith_frame(std::move(app), DASH_SPEC);
}

NodeRef builtin_mult(NodeRef app) {
    i64 a = 0, b = 0, product = 0;
    if (small_pair(app, &a, &b) && !__builtin_mul_overflow(a, b, &product)) return integer_make_leaf(product);
    return arith_frame_bounded(std::move(app), MULT_SPEC);
}

NodeRef builtin_over(NodeRef app) {
    i64 a = 0, b = 0;
    if (small_pair(app, &a, &b) && b != 0) {
        i64 q = a / b;
        if (a % b != 0 && (a < 0) != (b < 0)) --q;  // toward minus infinity
        return integer_make_leaf(q);
    }
    return arith_frame(std::move(app), OVER_SPEC);
}

NodeRef builtin_cent(NodeRef app) {
    i64 a = 0, b = 0;
    if (small_pair(app, &a, &b) && b != 0) {
        i64 r = (a < 0 ? -a : a) % (b < 0 ? -b : b);
        if (r != 0 && (a < 0) != (b < 0)) r = (b < 0 ? -b : b) - r;
        return integer_make_leaf(r);
    }
    return arith_frame(std::move(app), CENT_SPEC);
}

NodeRef builtin_powa(NodeRef app) {
    return arith_frame_bounded(std::move(app), POWA_SPEC);
}
