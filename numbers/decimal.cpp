// Decimal texts: sums and differences digit by digit (linear), products,
// quotients and powers on limbs, with the digit counts of the plain forms.
#include "decimal.h"

#include <algorithm>
#include <new>

#include "bignum.h"

namespace {

using Digits = std::string;  // a magnitude, least significant digit first

bool all_digits(const std::string& m) {
    return std::all_of(m.begin(), m.end(), [](char c) { return c >= '0' && c <= '9'; });
}

DecNat digits_value(const Digits& m) {
    std::string forward(m.rbegin(), m.rend());
    return dec_from_digits(forward.data(), forward.size());
}

// The reversed digits of v, padded with high zeros to min_len.
Digits digits_of_value(const DecNat& v, size_t min_len) {
    Digits d;
    if (!dec_is_zero(v)) {
        std::string forward = dec_to_digits(v);
        d.assign(forward.rbegin(), forward.rend());
    }
    if (d.size() < min_len) d.append(min_len - d.size(), '0');
    return d;
}

// The magnitude in digits only: any other byte is read by the digit rule
// and the value written back in at least as many digits.
Digits normalized(const RtString& m) {
    Digits d = string_to_std(m);
    if (all_digits(d)) return d;
    return digits_of_value(digits_value(d), d.size());
}

char digit_at(const Digits& m, size_t i) { return i < m.size() ? m[i] : '0'; }

// -1, 0, 1 by value, high zeros ignored.
int digits_compare(const Digits& a, const Digits& b) {
    for (size_t i = std::max(a.size(), b.size()); i-- > 0;) {
        char x = digit_at(a, i), y = digit_at(b, i);
        if (x != y) return x < y ? -1 : 1;
    }
    return 0;
}

Digits digits_add(const Digits& a, const Digits& b) {
    size_t n = std::max(a.size(), b.size());
    Digits r;
    r.reserve(n + 1);
    int carry = 0;
    for (size_t i = 0; i < n; i++) {
        int s = (digit_at(a, i) - '0') + (digit_at(b, i) - '0') + carry;
        r.push_back(char('0' + s % 10));
        carry = s >= 10;
    }
    if (carry) r.push_back('1');
    return r;
}

Digits digits_subtract(const Digits& a, const Digits& b) {
    VORN_ASSERT(digits_compare(a, b) >= 0);
    Digits r;
    r.reserve(a.size());
    int borrow = 0;
    for (size_t i = 0; i < a.size(); i++) {
        int v = (a[i] - '0') - (digit_at(b, i) - '0') - borrow;
        borrow = v < 0;
        r.push_back(char('0' + (v < 0 ? v + 10 : v)));
    }
    return r;
}

Digits digits_multiply(const Digits& a, const Digits& b) {
    size_t shorter = std::min(a.size(), b.size()), longer = std::max(a.size(), b.size());
    if (shorter == 0) return Digits();
    return digits_of_value(dec_mul(digits_value(a), digits_value(b)), shorter + longer - 1);
}

// The value without high zeros ("" for zero).
Digits digits_trimmed(Digits m) {
    while (!m.empty() && m.back() == '0') m.pop_back();
    return m;
}

RtString rt(const Digits& d) { return string_from_std(d); }

}  // namespace

DecimalMagnitude decimal_mag_from_text(DecimalText t) {
    std::string s = string_to_std(t);
    size_t start = s.find_first_not_of('0');
    if (start == std::string::npos) return string_make_empty();
    return rt(Digits(s.rbegin(), s.rend() - std::ptrdiff_t(start)));
}

RtString decimal_mag_to_text(DecimalMagnitude m) {
    Digits d = digits_trimmed(normalized(m));
    if (d.empty()) return string_from_cstr("0");
    return string_from_std(std::string(d.rbegin(), d.rend()));
}

bool decimal_mag_is_zero(DecimalMagnitude m) {
    const u8* p = string_bytes(m);
    for (i64 i = 0; i < string_length(m); i++)
        if (p[i] > '0') return false;
    return true;
}

bool decimal_mag_is_one(DecimalMagnitude m) {
    if (string_length(m) == 0 || string_bytes(m)[0] != '1') return false;
    return decimal_mag_is_zero(string_suffix(m, 1));
}

bool decimal_mag_is_even(DecimalMagnitude m) {
    if (string_length(m) == 0) return true;
    u8 c = string_bytes(m)[0];
    int digit = c > '0' ? c - '0' : 0;
    return digit % 2 == 0;
}

bool decimal_mag_less(DecimalMagnitude a, DecimalMagnitude b) {
    return digits_compare(normalized(a), normalized(b)) < 0;
}

bool decimal_mag_greater_equal(DecimalMagnitude a, DecimalMagnitude b) {
    return digits_compare(normalized(a), normalized(b)) >= 0;
}

DecimalMagnitude decimal_mag_add(DecimalMagnitude a, DecimalMagnitude b) {
    return rt(digits_add(normalized(a), normalized(b)));
}

DecimalMagnitude decimal_mag_subtract(DecimalMagnitude a, DecimalMagnitude b) {
    return rt(digits_subtract(normalized(a), normalized(b)));
}

DecimalMagnitude decimal_mag_mul_digit(int d, DecimalMagnitude a) {
    VORN_ASSERT(d >= 0);
    VORN_ASSERT(d <= 9);
    Digits x = normalized(a), r;
    r.reserve(x.size() + 1);
    int carry = 0;
    for (char c : x) {
        int v = (c - '0') * d + carry;
        r.push_back(char('0' + v % 10));
        carry = v / 10;
    }
    if (carry) r.push_back(char('0' + carry));
    return rt(r);
}

DecimalMagnitude decimal_mag_shift(DecimalMagnitude a, i64 k) {
    VORN_ASSERT(k != INT64_MIN);
    Digits x = normalized(a);
    if (k > 0) return rt(Digits(size_t(k), '0') + x);
    if (k == 0) return rt(x);
    if (u64(-k) < x.size()) return rt(x.substr(size_t(-k)));
    return string_from_cstr("0");
}

DecimalMagnitude decimal_mag_multiply(DecimalMagnitude a, DecimalMagnitude b) {
    return rt(digits_multiply(normalized(a), normalized(b)));
}

DecimalMagnitude decimal_mag_divide(bool floor, DecimalMagnitude a, DecimalMagnitude b) {
    Digits x = normalized(a), y = normalized(b);
    DecNat va = digits_value(x), vb = digits_value(y), q, r;
    if (dec_is_zero(vb)) {
        // Every trial digit passes: one nine per digit of a, the dividend
        // left whole as the remainder.
        q = digits_value(Digits(x.size(), '9'));
        r = va;
    } else {
        dec_divmod(va, vb, &q, &r);
    }
    if (!floor && !dec_is_zero(r)) dec_add_small(q, 1);
    return rt(digits_of_value(q, 0));
}

DecimalMagnitude decimal_mag_remainder(DecimalMagnitude a, DecimalMagnitude b) {
    Digits x = normalized(a), y = normalized(b);
    DecNat va = digits_value(x), vb = digits_value(y), r;
    if (dec_is_zero(vb)) return rt(x);
    dec_divmod(va, vb, nullptr, &r);
    return rt(digits_of_value(r, x.size()));
}

DecimalMagnitude decimal_mag_power(DecimalMagnitude a, DecimalMagnitude e) {
    Digits base = normalized(a);
    BigNat ve = big_from_dec(digits_value(normalized(e)));
    if (big_is_zero(ve)) return string_from_cstr("1");
    // Past 2^37 halvings' worth a base above one, or padded beyond one digit,
    // outgrows any memory: fail at once as allocation would.
    DecNat vb = digits_value(base);
    if (big_bit_length(ve) > 37 && (base.size() > 1 || dec_compare(vb, dec_from_u64(1)) > 0)) throw std::bad_alloc();
    // Square-and-multiply from the top bit of e, as the halvings unwind.
    Digits p = base;
    for (i64 i = big_bit_length(ve) - 1; i-- > 0;) {
        p = digits_multiply(p, p);
        if (big_bit(ve, i)) p = digits_multiply(base, p);
    }
    return rt(p);
}

bool decimal_is_valid(DecimalText t) {
    if (string_length(t) == 0) return false;
    u8 c0 = string_char_at(t, 0), c1 = string_char_at(t, 1);
    if (c0 == '0') return c1 != '0';
    return c0 >= '1' && c0 <= '9';
}

void decimal_require_valid(DecimalText t) { VORN_ASSERT(decimal_is_valid(std::move(t))); }

bool decimal_is_nonnegative(DecimalText t) {
    decimal_require_valid(t);
    return string_equal_cstr(t, "0") || string_char_at(t, 0) != '0';
}

DecimalText decimal_negate(DecimalText t) {
    decimal_require_valid(t);
    if (string_equal_cstr(t, "0")) return t;
    if (string_char_at(t, 0) != '0') return string_prepend_cstr("0", t);
    return string_suffix(t, 1);
}

DecimalText decimal_make_signed(bool nonnegative, RtString m) {
    VORN_ASSERT(string_length(m) > 0);
    if (string_equal_cstr(m, "0")) return m;
    VORN_ASSERT(string_char_at(m, 0) != '0');
    return nonnegative ? m : string_prepend_cstr("0", m);
}

DecimalText decimal_add(DecimalText a, DecimalText b) {
    bool sa = decimal_is_nonnegative(a), sb = decimal_is_nonnegative(b);
    DecimalMagnitude ma = decimal_mag_from_text(std::move(a));
    DecimalMagnitude mb = decimal_mag_from_text(std::move(b));
    if (sa == sb) return decimal_make_signed(sa, decimal_mag_to_text(decimal_mag_add(ma, mb)));
    if (decimal_mag_less(ma, mb)) return decimal_make_signed(sb, decimal_mag_to_text(decimal_mag_subtract(mb, ma)));
    return decimal_make_signed(sa, decimal_mag_to_text(decimal_mag_subtract(ma, mb)));
}

DecimalText decimal_halve(DecimalText t) {
    decimal_require_valid(t);
    if (string_equal_cstr(t, "0")) return t;
    bool s = decimal_is_nonnegative(t);
    DecimalMagnitude half = decimal_mag_divide(true, decimal_mag_from_text(std::move(t)), string_from_cstr("2"));
    return decimal_make_signed(s, decimal_mag_to_text(std::move(half)));
}

NodeRef decimal_to_leaf(DecimalText t) {
    decimal_require_valid(t);
    return noderef_from_string(std::move(t));
}
