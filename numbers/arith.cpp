// Integer arithmetic on signed limb values.
#include "arith.h"

namespace {

// The value of an integer argument: a non-integer or an unreadable list is
// a fatal assertion; the leaf K reads as zero.
IntValue arith_value(const NodeRef& t) {
    term_require_integer(t);
    IntValue v;
    bool readable = integer_try_value(t, &v);
    VORN_ASSERT(readable);
    return v;
}

IntValue value_add(const IntValue& a, const IntValue& b) {
    IntValue r;
    if (a.nonnegative == b.nonnegative) {
        r.mag = dec_add(a.mag, b.mag);
        r.nonnegative = a.nonnegative;
    } else if (dec_compare(a.mag, b.mag) < 0) {
        r.mag = dec_sub(b.mag, a.mag);
        r.nonnegative = b.nonnegative;
    } else {
        r.mag = dec_sub(a.mag, b.mag);
        r.nonnegative = a.nonnegative;
    }
    if (dec_is_zero(r.mag)) r.nonnegative = true;
    return r;
}

}  // namespace

NodeRef integer_add(NodeRef a, NodeRef b) {
    return integer_leaf_of_value(value_add(arith_value(a), arith_value(b)));
}

NodeRef integer_subtract(NodeRef a, NodeRef b) {
    IntValue vb = arith_value(b);
    vb.nonnegative = !vb.nonnegative || dec_is_zero(vb.mag);
    return integer_leaf_of_value(value_add(arith_value(a), vb));
}

NodeRef integer_multiply(NodeRef a, NodeRef b) {
    IntValue va = arith_value(a), vb = arith_value(b);
    IntValue r;
    r.mag = dec_mul(va.mag, vb.mag);
    // A zero factor answers with a plain "0"; only a written-out product
    // comes with its tag.
    if (dec_is_zero(r.mag)) return integer_leaf_of_value(r);
    r.nonnegative = va.nonnegative == vb.nonnegative;
    return integer_leaf_of_value(r, true);
}

NodeRef integer_divide(NodeRef a, NodeRef b) {
    IntValue va = arith_value(a), vb = arith_value(b);
    if (dec_is_zero(vb.mag)) return noderef_from_cstr("Z");
    IntValue q;
    DecNat r;
    dec_divmod(va.mag, vb.mag, &q.mag, &r);
    // Unequal signs round the magnitude up, so the quotient goes down.
    if (va.nonnegative != vb.nonnegative) {
        if (!dec_is_zero(r)) dec_add_small(q.mag, 1);
        q.nonnegative = dec_is_zero(q.mag);
    }
    return integer_leaf_of_value(q);
}

NodeRef natural_divide(bool floor, NodeRef a, NodeRef b) {
    term_require_natural(a);
    term_require_natural(b);
    IntValue va = arith_value(a), vb = arith_value(b);
    if (dec_is_zero(vb.mag)) return noderef_from_cstr("K");
    IntValue q;
    DecNat r;
    dec_divmod(va.mag, vb.mag, &q.mag, &r);
    if (!floor && !dec_is_zero(r)) dec_add_small(q.mag, 1);
    return integer_leaf_of_value(q);
}

NodeRef integer_remainder(NodeRef a, NodeRef b) {
    IntValue va = arith_value(a), vb = arith_value(b);
    if (dec_is_zero(vb.mag)) return noderef_from_cstr("Z");
    IntValue r;
    dec_divmod(va.mag, vb.mag, nullptr, &r.mag);
    if (va.nonnegative != vb.nonnegative && !dec_is_zero(r.mag)) r.mag = dec_sub(vb.mag, r.mag);
    return integer_leaf_of_value(r);
}

NodeRef integer_power(NodeRef a, NodeRef e) {
    IntValue va = arith_value(a), ve = arith_value(e);
    if (!ve.nonnegative) return noderef_from_cstr("0");
    if (dec_is_zero(ve.mag)) return noderef_from_cstr("1");
    IntValue r;
    r.nonnegative = va.nonnegative || !dec_is_odd(ve.mag);
    // |a| <= 1 answers at once in dec_pow.
    r.mag = dec_pow(va.mag, ve.mag);
    if (dec_is_zero(r.mag)) r.nonnegative = true;
    return integer_leaf_of_value(r);
}
