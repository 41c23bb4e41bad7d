// Real leaves, their texts and their exact binary values.
#include "real.h"

#include <cstdio>
#include <cstring>

#include "numb.h"

namespace {

const u64 FRACTION_MASK = (u64(1) << 52) - 1;
const u64 NUMB_OVERFLOW_NAN = 0x7FF9000000000000ull;

u64 double_bits(double d) {
    u64 p;
    std::memcpy(&p, &d, 8);
    return p;
}

double double_of_bits(u64 p) {
    double d;
    std::memcpy(&d, &p, 8);
    return d;
}

}  // namespace

NodeRef real_make_leaf(double d) {
    u8 text[9];
    text[0] = ' ';
    std::memcpy(text + 1, &d, 8);  // the host is little-endian
    return noderef_wrap(leaf_new_from_bytes(text, 9));
}

NodeRef real_from_double(double d) { return real_make_leaf(d); }

void term_require_real(NodeRef t) {
    VORN_ASSERT(!node_is_pair(t) && node_first_byte(t) == ' ');
}

double real_leaf_value(const NodeRef& t) {
    double d;
    std::memcpy(&d, leaf_bytes(t.node) + 1, 8);  // a leaf has 10 text bytes at least
    return d;
}

RtString real_format(double d) {
    char buf[99];
    int n = std::snprintf(buf, sizeof buf, "%e", d);
    VORN_ASSERT(n > 0 && n < int(sizeof buf));
    return string_from_bytes(buf, n);
}

RtString real_to_text(NodeRef t) {
    term_require_real(t);
    return real_format(real_leaf_value(t));
}

NodeRef real_to_zits(NodeRef t) {
    RtString text = real_to_text(std::move(t));
    RtString bracketed = string_prepend_cstr("[", text);
    string_append(bracketed, string_from_cstr("]"));
    return noderef_from_string(std::move(bracketed));
}

NodeRef real_to_numb(NodeRef t) {
    term_require_real(t);
    u64 p = double_bits(real_leaf_value(t));
    u64 field = (p >> 52) & 2047;
    u64 fraction = p & FRACTION_MASK;
    NumbValue v;
    if (field == 2047 || (field == 0 && fraction == 0)) return numb_leaf_of_value(v);
    v.nonnegative = (p >> 63) == 0;
    if (field == 0) {
        v.mant = big_from_u64(fraction);
        v.exp = -1074;
    } else {
        v.mant = big_from_u64(fraction | (u64(1) << 52));
        v.exp = i64(field) - 1075;
    }
    numb_value_normalize(v);
    return numb_leaf_of_value(v);
}

NodeRef numb_to_real(NodeRef t) {
    NumbBits x = numb_to_bits(std::move(t));
    VORN_ASSERT(bits_is_nonzero(x));
    NumbValue v = numb_value_of_bits(x);
    if (big_is_zero(v.mant)) return real_from_double(0.0);
    i64 bits = big_bit_length(v.mant);
    i64 top = v.exp + bits - 1;
    if (top > 1023 || top < -1074) return real_from_double(double_of_bits(NUMB_OVERFLOW_NAN));
    u64 sign = v.nonnegative ? 0 : u64(1) << 63;
    u64 field, fraction;
    if (top >= -1022) {
        // The 53 leading bits; lower ones are dropped.
        BigNat lead = bits >= 53 ? big_shr(v.mant, bits - 53) : big_shl(v.mant, 53 - bits);
        fraction = big_low_u64(lead) & FRACTION_MASK;
        field = u64(top + 1023);
    } else {
        i64 s = v.exp + 1074;  // the value in units of 2^-1074
        BigNat units = s >= 0 ? big_shl(v.mant, s) : big_shr(v.mant, -s);
        fraction = big_low_u64(units);
        field = 0;
    }
    return real_from_double(double_of_bits(sign | (field << 52) | fraction));
}

int double_mantissa_bit(i64 i, double d) {
    VORN_ASSERT(i >= 0);
    VORN_ASSERT(i <= 51);
    return int((double_bits(d) >> i) & 1);
}

double double_set_exponent(int16_t e, double d) {
    VORN_ASSERT(e >= 0);
    VORN_ASSERT(e <= 2047);
    u64 p = (double_bits(d) & ~(u64(2047) << 52)) | (u64(e) << 52);
    return double_of_bits(p);
}

RtString i64_to_text(i64 v) {
    char buf[32];
    int n = std::snprintf(buf, sizeof buf, "%lli", (long long)v);
    return string_from_bytes(buf, n);
}
