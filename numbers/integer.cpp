// Integers in terms: leaf tests by their first bytes, values through the
// limb engine, machine conversions by one pass over the digits mod 2^128.
#include "integer.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "numb.h"
#include "real.h"

namespace {

using u128 = unsigned __int128;

bool is_digit(u8 c) { return c >= '0' && c <= '9'; }

const u8* raw_text(const Node* leaf, i64* len) {
    *len = leaf_node_byte_length(leaf);
    return leaf_bytes(leaf);
}

// Whether every byte counts as the digit 0 (c <= '0').
bool digits_are_zero(const u8* p, i64 n) {
    for (i64 i = 0; i < n; i++)
        if (p[i] > '0') return false;
    return true;
}

u128 digits_mod_2_128(const u8* p, i64 n) {
    u128 x = 0;
    for (i64 i = 0; i < n; i++) x = x * 10 + (p[i] > '0' ? p[i] - '0' : 0);
    return x;
}

u128 shl_128(u128 x, i64 k) { return k >= 128 ? 0 : x << k; }

// N mod 2^128 of a digit text (len > 0), as number_value_of_text reads it.
u128 text_low_bits(const u8* p, i64 len) {
    if (p[0] != '0') return (digits_mod_2_128(p, len) << 2) | 3;
    if (len == 1) return 3;
    if (p[1] != '0') {
        if (digits_are_zero(p + 1, len - 1)) return 3;
        return (digits_mod_2_128(p + 1, len - 1) << 2) | 1;
    }
    i64 k = 0;
    while (2 + k < len && p[2 + k] == '0') k++;
    u128 odd = (digits_mod_2_128(p + 2 + k, len - 2 - k) << 1) | 1;
    return shl_128(odd, k + 1);
}

enum class LowBits { OK, MALFORMED, EMPTY_LEAF };

// N mod 2^128 of a number term, walking its cells once.
LowBits number_low_bits(const Node* t, u128* out) {
    u128 acc = 0;
    i64 c = 0;
    while (!node_is_leaf(t)) {
        int bit = node_raw_cell_bit(t);
        if (bit < 0) return LowBits::MALFORMED;
        if (bit && c < 128) acc |= u128(1) << c;
        c++;
        t = pair_right(t);
    }
    if (node_lead_byte(t) == 'K') {
        if (c < 128) acc |= u128(1) << c;
    } else {
        i64 len;
        const u8* p = raw_text(t, &len);
        if (len == 0) return LowBits::EMPTY_LEAF;
        if (c < 128) acc |= text_low_bits(p, len) << c;
    }
    *out = acc;
    return LowBits::OK;
}

// A pair whose left child is (J K), by first bytes.
bool is_integer_list(const Node* t) { return !node_is_leaf(t) && node_raw_cell_bit(t) == 1; }

bool integer_raw(const Node* t) {
    if (!node_is_leaf(t)) return is_integer_list(t);
    const u8* p = leaf_bytes(t);
    if (p[0] == 'K') return true;
    if (p[0] == '0') return p[1] != '0';
    return p[0] >= '1' && p[0] <= '9';
}

// The value of an integer leaf (integer_raw holds).
IntValue leaf_value(const Node* t) {
    IntValue v;
    i64 len;
    const u8* p = raw_text(t, &len);
    if (p[0] == 'K' || (p[0] == '0' && len == 1)) return v;
    const char* s = reinterpret_cast<const char*>(p);
    if (p[0] == '0') {
        v.mag = dec_from_digits(s + 1, size_t(len - 1));
        v.nonnegative = dec_is_zero(v.mag);
    } else {
        v.mag = dec_from_digits(s, size_t(len));
    }
    return v;
}

// The asserting reader of the arithmetic and the order.
IntValue require_value(const NodeRef& t) {
    term_require_integer(t);
    IntValue v;
    bool readable = integer_try_value(t, &v);
    VORN_ASSERT(readable);
    return v;
}

// Signed 64-bit conversion; false where integer_to_i64 asserts.
bool to_i64(const Node* t, i64* out) {
    u128 low;
    if (node_is_leaf(t)) {
        i64 len;
        const u8* p = raw_text(t, &len);
        if (p[0] == 'K' || (p[0] == '0' && len == 1)) {
            *out = 0;
            return true;
        }
        if (p[0] == '0') {  // the magnitude is the text after its mark
            *out = i64(0 - u64(text_low_bits(p + 1, len - 1) >> 2));
            return true;
        }
        if (!is_digit(p[0])) return false;
        low = text_low_bits(p, len);
    } else {
        if (!is_integer_list(t) || number_low_bits(t, &low) != LowBits::OK) return false;
    }
    u64 mag = u64(low >> 2);
    *out = (low & 2) ? i64(mag) : i64(0 - mag);
    return true;
}

// The digits of |v| and, for a canonical leaf, without rendering.
std::string magnitude_digits(const NodeRef& t, const IntValue& v) {
    if (!node_is_pair(t)) {
        i64 len;
        const u8* p = raw_text(t.node, &len);
        i64 start = (p[0] == '0' && len > 1) ? 1 : 0;
        if (p[0] != 'K' && number_text_is_canonical(p + start, len - start))
            return std::string(reinterpret_cast<const char*>(p + start), size_t(len - start));
    }
    return dec_to_digits(v.mag);
}

// Whether a walk of the list's cells ends at a non-empty leaf.
bool list_is_readable(const Node* t) {
    while (!node_is_leaf(t)) {
        if (node_raw_cell_bit(t) < 0) return false;
        t = pair_right(t);
    }
    return leaf_node_byte_length(t) > 0;
}

}  // namespace

bool integer_try_value(const NodeRef& t, IntValue* v) {
    if (!integer_raw(t.node)) return false;
    if (!node_is_pair(t)) {
        *v = leaf_value(t.node);
        return true;
    }
    BigNat n;
    if (!number_try_value(t.node, &n)) return false;
    v->nonnegative = big_bit(n, 1);
    v->mag = dec_from_big(big_shr(n, 2));
    if (dec_is_zero(v->mag)) v->nonnegative = true;
    return true;
}

NodeRef integer_leaf_of_value(const IntValue& v, bool tagged) {
    std::string text = dec_to_digits(v.mag);
    if (!v.nonnegative && !dec_is_zero(v.mag)) text.insert(text.begin(), '0');
    Node* leaf = leaf_new_from_bytes(text.data(), i64(text.size()));
    if (tagged) node_set_arity(leaf, 1);
    return noderef_wrap(leaf);
}

bool term_is_integer(NodeRef t) { return integer_raw(t.node); }

void term_require_integer(NodeRef t) { VORN_ASSERT(integer_raw(t.node)); }

namespace {

// A digit leaf's own text, or the text of its value when it holds bytes
// other than digits (so that equal values have equal texts).
RtString leaf_integer_text(const NodeRef& t) {
    i64 len;
    const u8* p = raw_text(t.node, &len);
    if (p[0] == 'K' || number_text_is_canonical(p, len)) return node_text(t);
    return string_from_std(number_text_of_value(number_value_of_text(p, len)));
}

}  // namespace

RtString integer_text(NodeRef t) {
    term_require_integer(t);
    if (!node_is_pair(t)) return leaf_integer_text(t);
    return number_to_text(std::move(t));
}

bool integer_try_text(const NodeRef& t, RtString* out) {
    if (!integer_raw(t.node)) return false;
    if (!node_is_pair(t)) {
        if (node_first_byte(t) == 'K') return false;
        *out = leaf_integer_text(t);
        return true;
    }
    return number_try_to_text(t, out);
}

bool integer_is_readable(const NodeRef& t) {
    if (!integer_raw(t.node)) return false;
    return !node_is_pair(t) || list_is_readable(t.node);
}

namespace {

// "00" to "99", two digits an entry.
struct DigitPairs {
    char text[200] = {};
    constexpr DigitPairs() {
        for (int i = 0; i < 100; ++i) {
            text[2 * i] = char('0' + i / 10);
            text[2 * i + 1] = char('0' + i % 10);
        }
    }
};

constexpr DigitPairs digit_pairs;

// The number of decimal digits of m (1 for 0).
int decimal_digits(u64 m) {
    int n = 1;
    for (;;) {
        if (m < 10) return n;
        if (m < 100) return n + 1;
        if (m < 1000) return n + 2;
        if (m < 10000) return n + 3;
        m /= 10000;
        n += 4;
    }
}

// Writes the n decimal digits of m so that the last one is at end[-1].
void write_digits(u64 m, char* end) {
    while (m >= 100) {
        u64 pair = m % 100;
        m /= 100;
        end -= 2;
        end[0] = digit_pairs.text[2 * pair];
        end[1] = digit_pairs.text[2 * pair + 1];
    }
    if (m >= 10) {
        end[-2] = digit_pairs.text[2 * m];
        end[-1] = digit_pairs.text[2 * m + 1];
    } else {
        end[-1] = char('0' + m);
    }
}

}  // namespace

// The digits go straight into the new leaf, after a '0' for a negative v.
NodeRef integer_make_leaf(i64 v) {
    u64 m = v < 0 ? 0 - u64(v) : u64(v);
    int sign = v < 0 ? 1 : 0;
    int n = sign + decimal_digits(m);
    Node* leaf = leaf_new_unwritten(n);
    char* text = reinterpret_cast<char*>(leaf_bytes(leaf));
    text[0] = '0';  // the sign, or overwritten by the first digit
    write_digits(m, text + n);
    leaf_set_text_length(leaf, n);
    return noderef_wrap(leaf);
}

NodeRef integer_make_leaf_u64(u64 v) {
    char buf[24];
    int n = std::snprintf(buf, sizeof buf, "%llu", (unsigned long long)v);
    return noderef_wrap(leaf_new_from_bytes(buf, n));
}

u64 integer_to_u64(NodeRef t) {
    term_require_number(t);
    u128 low;
    LowBits r = number_low_bits(t.node, &low);
    VORN_ASSERT(r != LowBits::EMPTY_LEAF);  // the empty digit text
    if (r == LowBits::MALFORMED) return 0;  // no sequence: every bit reads 0
    return u64(low >> 2);
}

i64 integer_to_i64(NodeRef t) {
    i64 v;
    bool ok = to_i64(t.node, &v);
    VORN_ASSERT(ok);
    return v;
}

i64 integer_arg_to_i64(NodeRef t) { return integer_to_i64(std::move(t)); }

bool integer_try_to_i64(const NodeRef& t, i64* out) {
    return integer_raw(t.node) && to_i64(t.node, out);
}

bool integer_try_to_u64(const NodeRef& t, u64* out) {
    u128 low;
    if (!term_is_number(t) || number_low_bits(t.node, &low) != LowBits::OK) return false;
    *out = u64(low >> 2);
    return true;
}

bool integer_is_zero(NodeRef t) {
    const Node* n = t.node;
    if (!node_is_pair(t)) {
        i64 len;
        const u8* p = raw_text(n, &len);
        if (p[0] == 'K') return true;
        if (p[0] != '0' || (len > 1 && p[1] == '0')) return false;
        return digits_are_zero(p + 1, len - 1);
    }
    if (!is_integer_list(n)) return false;
    VORN_ASSERT(list_is_readable(n));
    // N = 1 + 2 N(x) is 3 only for x = K.
    return node_lead_byte(pair_right(n)) == 'K' && node_is_leaf(pair_right(n));
}

bool integer_is_nonnegative(NodeRef t) {
    const Node* n = t.node;
    if (!node_is_pair(t)) {
        i64 len;
        const u8* p = raw_text(n, &len);
        if (p[0] != '0' || len == 1) return true;
        // A minus mark counts only before a non-zero magnitude.
        return p[1] != '0' && digits_are_zero(p + 1, len - 1);
    }
    VORN_ASSERT(term_is_number(t));
    u128 low;
    VORN_ASSERT(number_low_bits(n, &low) == LowBits::OK);
    if (node_raw_cell_bit(n) == 0) return false;  // a numb list: its text begins "00"
    return (low & 2) != 0;
}

bool integer_is_odd(NodeRef t) {
    term_require_integer(t);
    const Node* n = t.node;
    if (node_is_leaf(n)) {
        i64 len;
        const u8* p = raw_text(n, &len);
        if (p[0] == 'K' || (p[0] == '0' && len == 1)) return false;
        u8 last = p[len - 1];
        return (last > '0' ? last - '0' : 0) % 2 == 1;
    }
    const Node* x = pair_right(n);
    if (node_is_leaf(x)) {
        if (node_lead_byte(x) == 'K') return false;
        i64 len;
        const u8* p = raw_text(x, &len);
        VORN_ASSERT(len > 0);
        return (text_low_bits(p, len) >> 1) & 1;
    }
    // x = ((J s) y): the bit after s is the first bit of y.
    int s = node_raw_cell_bit(x);
    VORN_ASSERT(s >= 0);
    const Node* y = pair_right(x);
    if (!node_is_leaf(y)) {
        int c = node_raw_cell_bit(y);
        VORN_ASSERT(c >= 0);
        return c == 1;
    }
    i64 len;
    const u8* p = raw_text(y, &len);
    if (p[0] == 'K') return true;
    VORN_ASSERT(len > 0);
    return !(len >= 2 && p[0] == '0' && p[1] == '0');
}

bool term_is_natural(NodeRef t) {
    const Node* n = t.node;
    if (!node_is_pair(t)) {
        i64 len;
        const u8* p = raw_text(n, &len);
        if (p[0] == 'K') return true;
        if (p[0] == '0') return len == 1 || (p[1] != '0' && digits_are_zero(p + 1, len - 1));
        return p[0] >= '1' && p[0] <= '9';
    }
    return is_integer_list(n) && integer_is_nonnegative(std::move(t));
}

void term_require_natural(NodeRef t) { VORN_ASSERT(term_is_natural(std::move(t))); }

NodeRef integer_abs(NodeRef t) {
    const Node* n = t.node;
    if (!node_is_pair(t)) {
        i64 len;
        const u8* p = raw_text(n, &len);
        if (p[0] == 'K' || (p[0] == '0' && len == 1)) return t;
        if (p[0] == '0') {
            if (is_digit(p[1])) return noderef_wrap(leaf_new_from_bytes(p + 1, len - 1));
            IntValue v = leaf_value(n);  // the mark before a byte worth 10 or more
            v.nonnegative = true;
            return integer_leaf_of_value(v);
        }
        VORN_ASSERT(p[0] >= '1' && p[0] <= '9');
        return t;
    }
    VORN_ASSERT(is_integer_list(n));
    IntValue v = require_value(t);
    v.nonnegative = true;
    return integer_leaf_of_value(v);
}

NodeRef integer_negate(NodeRef t) {
    term_require_integer(t);
    const Node* n = t.node;
    if (!node_is_pair(t)) {
        i64 len;
        const u8* p = raw_text(n, &len);
        if (p[0] == 'K' || (p[0] == '0' && len == 1)) return t;
        if (p[0] == '0') return integer_abs(std::move(t));
        RtString text = node_text(t);
        return noderef_from_string(string_prepend_cstr("0", text));
    }
    IntValue v = require_value(t);
    v.nonnegative = !v.nonnegative || dec_is_zero(v.mag);
    return integer_leaf_of_value(v);
}

namespace {

int integer_compare(const NodeRef& a, const NodeRef& b) {
    IntValue va = require_value(a), vb = require_value(b);
    if (va.nonnegative != vb.nonnegative) return va.nonnegative ? 1 : -1;
    int c = dec_compare(va.mag, vb.mag);
    return va.nonnegative ? c : -c;
}

}  // namespace

bool integer_less(NodeRef a, NodeRef b) { return integer_compare(a, b) < 0; }

bool integer_greater_equal(NodeRef a, NodeRef b) { return integer_compare(a, b) >= 0; }

SignedIntBits integer_to_signed_bits(NodeRef t) {
    term_require_integer(t);
    if (!node_is_pair(t)) {
        if (node_first_byte(t) == 'K') return string_from_char(1);
        return bits_div_small(number_bits_from_text(node_text(t)), 2);
    }
    BigNat n;
    bool readable = number_try_value(t.node, &n);
    VORN_ASSERT(readable);
    return bits_from_bignat(big_shr(n, 1));
}

NodeRef integer_to_numb(NodeRef t) {
    IntValue v = require_value(t);
    NumbValue x;
    x.nonnegative = v.nonnegative;
    x.mant = big_from_dec(v.mag);
    numb_value_normalize(x);
    return numb_leaf_of_value(x);
}

NodeRef integer_to_real(NodeRef t) {
    IntValue v = require_value(t);
    std::string text = magnitude_digits(t, v);
    if (!v.nonnegative) text.insert(text.begin(), '-');
    return real_make_leaf(std::strtod(text.c_str(), nullptr));
}

i64 integer_bit_length(NodeRef t) {
    term_require_integer(t);
    const Node* n = t.node;
    i64 cells = 0;
    while (!node_is_leaf(n)) {
        cells++;
        n = pair_right(n);
    }
    if (node_lead_byte(n) == 'K') return cells;
    i64 len;
    const u8* p = raw_text(n, &len);
    VORN_ASSERT(len > 0);
    return cells + big_bit_length(number_value_of_text(p, len)) - 1;
}
