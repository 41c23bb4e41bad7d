// Exact binary fractions on a sign, an odd limb mantissa and an exponent.
// The interleaved bit strings are taken apart and put together a byte at a
// time: each byte holds four integer bits (odd positions) and four fraction
// bits (even positions).
#include "numb.h"

#include <algorithm>

#include "fail.h"

namespace {

// Bits 0, 2, 4, 6 of b as a nibble, and bits 1, 3, 5, 7.
u8 even_nibble(u8 b) {
    return u8((b & 1) | ((b >> 1) & 2) | ((b >> 2) & 4) | ((b >> 3) & 8));
}
u8 odd_nibble(u8 b) { return even_nibble(u8(b >> 1)); }

// A nibble spread to bits 0, 2, 4, 6.
u8 spread_nibble(u8 n) {
    return u8((n & 1) | ((n & 2) << 1) | ((n & 4) << 2) | ((n & 8) << 3));
}

u8 reverse_nibble(u8 n) {
    return u8(((n & 1) << 3) | ((n & 2) << 1) | ((n & 4) >> 1) | ((n & 8) >> 3));
}

BigNat big_from_nibbles(const std::vector<u8>& nib) {
    BigNat x;
    x.limbs.assign((nib.size() + 15) / 16, 0);
    for (size_t i = 0; i < nib.size(); i++) x.limbs[i / 16] |= u64(nib[i]) << (4 * (i % 16));
    while (!x.limbs.empty() && x.limbs.back() == 0) x.limbs.pop_back();
    return x;
}

// The low 4 * count bits of x as nibbles.
std::vector<u8> nibbles_of_big(const BigNat& x, size_t count) {
    std::vector<u8> nib(count, 0);
    for (size_t i = 0; i < count && i / 16 < x.limbs.size(); i++)
        nib[i] = u8((x.limbs[i / 16] >> (4 * (i % 16))) & 15);
    return nib;
}

// The nibbles in reverse order, each reversed: the bits of a 4n-bit number
// read from the other end.
std::vector<u8> nibbles_reverse(std::vector<u8> nib) {
    std::reverse(nib.begin(), nib.end());
    for (u8& n : nib) n = reverse_nibble(n);
    return nib;
}

NumbValue numb_value_zero() { return NumbValue{}; }

// The two mantissas over a common exponent, e = min of the exponents.
void numb_align(const NumbValue& a, const NumbValue& b, BigNat* ma, BigNat* mb, i64* e) {
    *e = std::min(a.exp, b.exp);
    *ma = big_shl(a.mant, a.exp - *e);
    *mb = big_shl(b.mant, b.exp - *e);
}

int numb_value_compare_mag(const NumbValue& a, const NumbValue& b) {
    if (big_is_zero(a.mant) || big_is_zero(b.mant))
        return big_is_zero(a.mant) ? (big_is_zero(b.mant) ? 0 : -1) : 1;
    i64 ta = a.exp + big_bit_length(a.mant), tb = b.exp + big_bit_length(b.mant);
    if (ta != tb) return ta < tb ? -1 : 1;
    BigNat ma, mb;
    i64 e;
    numb_align(a, b, &ma, &mb, &e);
    return big_compare(ma, mb);
}

NumbValue numb_value_add(const NumbValue& a, const NumbValue& b) {
    if (big_is_zero(a.mant)) return b;
    if (big_is_zero(b.mant)) return a;
    BigNat ma, mb;
    NumbValue r;
    numb_align(a, b, &ma, &mb, &r.exp);
    if (a.nonnegative == b.nonnegative) {
        r.mant = big_add(ma, mb);
        r.nonnegative = a.nonnegative;
    } else if (big_compare(ma, mb) < 0) {
        r.mant = big_sub(mb, ma);
        r.nonnegative = b.nonnegative;
    } else {
        r.mant = big_sub(ma, mb);
        r.nonnegative = a.nonnegative;
    }
    numb_value_normalize(r);
    return r;
}

NumbValue numb_value_multiply(const NumbValue& a, const NumbValue& b) {
    if (big_is_zero(a.mant) || big_is_zero(b.mant)) return numb_value_zero();
    NumbValue r;
    r.mant = big_mul(a.mant, b.mant);
    r.exp = a.exp + b.exp;
    r.nonnegative = a.nonnegative == b.nonnegative;
    numb_value_normalize(r);
    return r;
}

// |a| mod |b| as the rule states: keep gives it, otherwise |b| minus it
// unless it is zero.
NumbValue numb_value_mag_remainder(bool keep, const NumbValue& a, const NumbValue& b) {
    VORN_ASSERT(!big_is_zero(b.mant));
    if (big_is_zero(a.mant)) return numb_value_zero();
    BigNat ma, mb, r;
    NumbValue out;
    numb_align(a, b, &ma, &mb, &out.exp);
    big_divmod(ma, mb, nullptr, &r);
    out.mant = (keep || big_is_zero(r)) ? r : big_sub(mb, r);
    numb_value_normalize(out);
    return out;
}

NumbValue numb_value_of_magnitude(const NumbBits& x) {
    numb_bits_require_nonnegative(x);
    return numb_value_of_bits(x);
}

NumbBits numb_value_bits(NumbValue v) { return numb_bits_of_value(v); }

}  // namespace

void numb_value_normalize(NumbValue& v) {
    if (big_is_zero(v.mant)) {
        v = NumbValue{};
        return;
    }
    i64 tz = big_low_zero_bits(v.mant);
    if (tz) {
        v.mant = big_shr(v.mant, tz);
        v.exp += tz;
    }
}

NumbValue numb_value_of_bits(const NumbBits& x) {
    const u8* p = string_bytes(x);
    size_t n = size_t(string_length(x));
    std::vector<u8> whole(n), frac(n);
    for (size_t i = 0; i < n; i++) {
        whole[i] = odd_nibble(p[i]);
        frac[i] = even_nibble(p[i]);
    }
    NumbValue v;
    v.nonnegative = n == 0 ? false : (p[0] & 1);
    if (n > 0) frac[0] &= 14;  // position 0 is the sign
    // Fraction bit k (weight 2^-k) lands at bit F - k of the mantissa,
    // F = 4n - 1: the fraction nibbles read from the other end.
    i64 f = i64(4 * n) - 1;
    BigNat fraction = big_from_nibbles(nibbles_reverse(frac));
    v.mant = big_add(big_shl(big_from_nibbles(whole), f), fraction);
    v.exp = -f;
    bool sign = v.nonnegative;
    numb_value_normalize(v);
    if (!big_is_zero(v.mant)) v.nonnegative = sign;
    return v;
}

NumbBits numb_bits_of_value(const NumbValue& v) {
    if (big_is_zero(v.mant)) return string_from_char(1);
    BigNat whole, fraction;
    i64 f = 0;
    if (v.exp >= 0) {
        whole = big_shl(v.mant, v.exp);
    } else {
        f = -v.exp;
        whole = big_shr(v.mant, f);
        fraction = big_low_bits(v.mant, f);
    }
    // Fraction bit k (weight 2^-k) is bit f - k of fraction; over a width W
    // of whole nibbles (W >= f + 1) it is bit W - 1 - k of fraction shifted
    // up by W - 1 - f, so reading that from the other end puts it at bit k.
    size_t fnib = size_t((f + 1 + 3) / 4);
    i64 w = i64(4 * fnib);
    std::vector<u8> frac = nibbles_reverse(nibbles_of_big(big_shl(fraction, w - 1 - f), fnib));
    size_t wnib = size_t((big_bit_length(whole) + 3) / 4);
    size_t n = std::max(fnib, wnib);
    std::vector<u8> wh = nibbles_of_big(whole, n);
    frac.resize(n, 0);
    frac[0] |= v.nonnegative ? 1 : 0;
    std::string bytes(n, '\0');
    for (size_t i = 0; i < n; i++) bytes[i] = char(spread_nibble(frac[i]) | (spread_nibble(wh[i]) << 1));
    while (!bytes.empty() && bytes.back() == 0) bytes.pop_back();
    return string_from_std(bytes);
}

NodeRef numb_leaf_of_value(const NumbValue& v) {
    // N = 2X: shift the bit string left by one.
    BigNat x = bits_to_bignat(numb_bits_of_value(v));
    return leaf_from_std(number_text_of_value(big_shl(x, 1)));
}

bool term_is_numb(NodeRef t) {
    const Node* n = t.node;
    if (node_is_leaf(n)) return leaf_bytes(n)[0] == '0' && leaf_bytes(n)[1] == '0';
    const Node* l = pair_left(n);
    if (node_is_leaf(l)) return false;
    const Node* x = pair_left(l);
    const Node* y = pair_right(l);
    return node_is_leaf(x) && node_lead_byte(x) == 'J' && node_is_leaf(y) && node_lead_byte(y) == 'H';
}

void term_require_numb(NodeRef t) { VORN_ASSERT(term_is_numb(std::move(t))); }

NumbBits numb_to_bits(NodeRef t) {
    term_require_numb(t);
    return bits_div_small(number_to_bits(std::move(t)), 2);
}

bool numb_try_to_bits(const NodeRef& t, NumbBits* out) {
    if (!term_is_numb(t)) return false;
    BigNat n;
    if (!number_try_value(t.node, &n)) return false;
    *out = bits_from_bignat(big_shr(n, 1));
    return true;
}

NodeRef numb_bits_to_leaf(NumbBits x) {
    VORN_ASSERT(bits_is_nonzero(x));
    return leaf_from_std(number_text_of_value(big_shl(bits_to_bignat(x), 1)));
}

bool numb_is_nonnegative(NodeRef t) {
    if (node_is_leaf(t.node) && term_is_numb(t)) {
        // "00" alone is zero; otherwise b1 is set exactly when no zero
        // follows the mark.
        i64 len = leaf_node_byte_length(t.node);
        return len == 2 || leaf_bytes(t.node)[2] != '0';
    }
    NumberBits n = number_to_bits(std::move(t));
    if (number_bits_length(n) == 1) return true;
    return number_bits_get(1, std::move(n)) == 1;
}

bool numb_less(NodeRef a, NodeRef b) {
    bool sa = numb_is_nonnegative(a), sb = numb_is_nonnegative(b);
    if (sa != sb) return sb;
    NumbValue va = numb_value_of_bits(numb_to_bits(std::move(a)));
    NumbValue vb = numb_value_of_bits(numb_to_bits(std::move(b)));
    int c = numb_value_compare_mag(va, vb);
    return sa ? c < 0 : c > 0;
}

NodeRef numb_subtract(NodeRef a, NodeRef b) {
    NumbBits x = numb_to_bits(std::move(a));
    NumbBits y = numb_bits_negate(numb_to_bits(std::move(b)));
    return numb_bits_to_leaf(numb_bits_add(std::move(x), std::move(y)));
}

NodeRef numb_multiply(NodeRef a, NodeRef b) {
    return numb_bits_to_leaf(numb_bits_multiply(numb_to_bits(std::move(a)), numb_to_bits(std::move(b))));
}

NodeRef numb_remainder(NodeRef a, NodeRef b) {
    NumbBits y = numb_to_bits(std::move(b));
    if (numb_bits_is_zero(y)) return noderef_from_cstr("Z");
    return numb_bits_to_leaf(numb_bits_remainder(numb_to_bits(std::move(a)), std::move(y)));
}

bool numb_bits_is_zero(NumbBits x) {
    const u8* p = string_bytes(x);
    i64 n = string_length(x);
    if (n == 0 || p[0] != 1) return false;
    for (i64 i = 1; i < n; i++)
        if (p[i]) return false;
    return true;
}

NumbBits numb_bits_negate(NumbBits x) {
    if (numb_bits_is_zero(x)) return string_from_char(1);
    bits_set(0, !bits_get(0, x), x);
    return x;
}

NumbBits numb_bits_set_sign(int s, NumbBits x) {
    if (numb_bits_is_zero(x)) return string_from_char(1);
    bits_set(0, s ? 1 : 0, x);
    return x;
}

NumbBits numb_bits_add(NumbBits a, NumbBits b) {
    char line[] = {'j', 'j', 'a', 'a', char('0' + bits_get(0, a)), char('0' + bits_get(0, b)), '\n', 0};
    bug_log_append(string_from_cstr(line));
    return numb_value_bits(numb_value_add(numb_value_of_bits(a), numb_value_of_bits(b)));
}

NumbBits numb_bits_multiply(NumbBits a, NumbBits b) {
    return numb_value_bits(numb_value_multiply(numb_value_of_bits(a), numb_value_of_bits(b)));
}

NumbBits numb_bits_remainder(NumbBits a, NumbBits b) {
    VORN_ASSERT(!numb_bits_is_zero(b));
    NumbValue va = numb_value_of_bits(a), vb = numb_value_of_bits(b);
    bool same = bits_get(0, a) == bits_get(0, b);
    return numb_value_bits(numb_value_mag_remainder(same, va, vb));
}

void numb_bits_require_nonnegative(NumbBits x) { VORN_ASSERT(bits_get(0, std::move(x)) == 1); }

int numb_bits_get_exponent(i64 e, NumbBits x) {
    i64 pos = e >= 0 ? 2 * e + 1 : -2 * e;
    return bits_get(pos, std::move(x));
}

i64 numb_bits_top_exponent(NumbBits x) {
    NumbValue v = numb_value_of_magnitude(x);
    VORN_ASSERT(!big_is_zero(v.mant));
    return v.exp + big_bit_length(v.mant) - 1;
}

bool numb_bits_mag_is_zero(NumbBits x) { return big_is_zero(numb_value_of_magnitude(x).mant); }

bool numb_bits_mag_less(NumbBits a, NumbBits b) {
    return numb_value_compare_mag(numb_value_of_magnitude(a), numb_value_of_magnitude(b)) < 0;
}

bool numb_bits_mag_greater_equal(NumbBits a, NumbBits b) {
    return numb_value_compare_mag(numb_value_of_magnitude(a), numb_value_of_magnitude(b)) >= 0;
}

NumbBits numb_bits_mag_add(NumbBits a, NumbBits b) {
    return numb_value_bits(numb_value_add(numb_value_of_magnitude(a), numb_value_of_magnitude(b)));
}

NumbBits numb_bits_mag_subtract(NumbBits a, NumbBits b) {
    NumbValue va = numb_value_of_magnitude(a), vb = numb_value_of_magnitude(b);
    VORN_ASSERT(numb_value_compare_mag(va, vb) >= 0);
    vb.nonnegative = false;
    return numb_value_bits(numb_value_add(va, vb));
}

NumbBits numb_bits_mag_scale(NumbBits a, i64 k) {
    NumbValue v = numb_value_of_magnitude(a);
    if (!big_is_zero(v.mant)) v.exp += k;
    return numb_value_bits(v);
}

NumbBits numb_bits_mag_multiply(NumbBits a, NumbBits b) {
    return numb_value_bits(numb_value_multiply(numb_value_of_magnitude(a), numb_value_of_magnitude(b)));
}

NumbBits numb_bits_mag_remainder(bool keep, NumbBits a, NumbBits b) {
    return numb_value_bits(numb_value_mag_remainder(keep, numb_value_of_magnitude(a), numb_value_of_magnitude(b)));
}
