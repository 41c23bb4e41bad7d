// Natural numbers in 64-bit and in base 10^9 limbs: Karatsuba products,
// Knuth long division, and divide-and-conquer conversion between the two
// (halves joined by one product with a power of the other base).
#include "bignum.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "s.h"

using u128 = unsigned __int128;

namespace {

const size_t KARATSUBA_MIN = 40;       // limbs below which schoolbook wins
const size_t DECIMAL_BASE_DIGITS = 760;  // digits read by plain Horner
const uint64_t TEN19 = 10000000000000000000ull;
const int64_t TEN19_DIGITS = 19;
// Bits of a power's result beyond which it could never be stored: fail at
// once rather than square for hours first.
const int64_t POWER_MAX_BITS = int64_t(1) << 37;

void big_trim(BigNat& x) {
    while (!x.limbs.empty() && x.limbs.back() == 0) x.limbs.pop_back();
}

// r[0..n) += x[0..xn), xn <= n; returns the carry out of r[n-1].
uint64_t limbs_add_into(uint64_t* r, size_t n, const uint64_t* x, size_t xn) {
    uint64_t carry = 0;
    size_t i = 0;
    for (; i < xn; i++) {
        u128 s = u128(r[i]) + x[i] + carry;
        r[i] = uint64_t(s);
        carry = uint64_t(s >> 64);
    }
    for (; carry && i < n; i++) {
        r[i] += 1;
        carry = r[i] == 0;
    }
    return carry;
}

// r[0..n) -= x[0..xn), xn <= n; returns the borrow out of r[n-1].
uint64_t limbs_sub_from(uint64_t* r, size_t n, const uint64_t* x, size_t xn) {
    uint64_t borrow = 0;
    size_t i = 0;
    for (; i < xn; i++) {
        uint64_t a = r[i], b = x[i];
        uint64_t d = a - b - borrow;
        borrow = (a < b) || (a == b && borrow) ? 1 : 0;
        r[i] = d;
    }
    for (; borrow && i < n; i++) {
        borrow = r[i] == 0;
        r[i] -= 1;
    }
    return borrow;
}

// r[0..n+m) = a[0..n) * b[0..m), schoolbook.
void limbs_mul_school(const uint64_t* a, size_t n, const uint64_t* b, size_t m, uint64_t* r) {
    std::fill(r, r + n + m, 0);
    for (size_t i = 0; i < n; i++) {
        uint64_t carry = 0, ai = a[i];
        if (ai == 0) continue;
        for (size_t j = 0; j < m; j++) {
            u128 t = u128(ai) * b[j] + r[i + j] + carry;
            r[i + j] = uint64_t(t);
            carry = uint64_t(t >> 64);
        }
        r[i + m] = carry;
    }
}

// r[0..n+m) = a[0..n) * b[0..m); r must not overlap a or b.
void limbs_mul(const uint64_t* a, size_t n, const uint64_t* b, size_t m, uint64_t* r) {
    if (n < m) {
        std::swap(a, b);
        std::swap(n, m);
    }
    if (m < KARATSUBA_MIN) {
        limbs_mul_school(a, n, b, m, r);
        return;
    }
    size_t h = (n + 1) / 2;
    if (m <= h) {
        // Unbalanced: multiply b by slices of a as long as b and add them up.
        std::fill(r, r + n + m, 0);
        std::vector<uint64_t> t(2 * m);
        for (size_t i = 0; i < n; i += m) {
            size_t len = std::min(m, n - i);
            limbs_mul(a + i, len, b, m, t.data());
            limbs_add_into(r + i, n + m - i, t.data(), len + m);
        }
        return;
    }
    // a = a1*B^h + a0, b = b1*B^h + b0; the middle term from one product.
    size_t an1 = n - h, bn1 = m - h;
    limbs_mul(a, h, b, h, r);
    limbs_mul(a + h, an1, b + h, bn1, r + 2 * h);
    std::vector<uint64_t> sa(h + 1, 0), sb(h + 1, 0);
    std::copy(a, a + h, sa.begin());
    sa[h] = limbs_add_into(sa.data(), h, a + h, an1);
    std::copy(b, b + h, sb.begin());
    sb[h] = limbs_add_into(sb.data(), h, b + h, bn1);
    std::vector<uint64_t> mid(2 * h + 2);
    limbs_mul(sa.data(), h + 1, sb.data(), h + 1, mid.data());
    limbs_sub_from(mid.data(), mid.size(), r, 2 * h);
    limbs_sub_from(mid.data(), mid.size(), r + 2 * h, an1 + bn1);
    size_t midn = mid.size();
    while (midn > 0 && mid[midn - 1] == 0) midn--;
    limbs_add_into(r + h, n + m - h, mid.data(), std::min(midn, n + m - h));
}

// The powers 10^(19 * 2^i) for i = 0 .. count - 1, grown on demand.
struct DecimalPowers {
    std::vector<BigNat> p;
    const BigNat& at(size_t i) {
        if (p.empty()) p.push_back(big_from_u64(TEN19));
        while (p.size() <= i) p.push_back(big_mul(p.back(), p.back()));
        return p[i];
    }
};

int64_t decimal_power_digits(size_t i) { return TEN19_DIGITS << i; }

// Value of a chunk of at most 19 digit bytes under the digit rule.
u128 digits_chunk(const char* p, size_t n, bool* overflow) {
    u128 v = 0;
    bool big = false;
    for (size_t i = 0; i < n; i++) {
        unsigned char c = (unsigned char)p[i];
        unsigned d = c > '0' ? unsigned(c - '0') : 0;
        if (d > 9) big = true;
        v = v * 10 + d;
    }
    *overflow = big;
    return v;
}

const uint64_t POW10_SMALL[20] = {1ull,
                                  10ull,
                                  100ull,
                                  1000ull,
                                  10000ull,
                                  100000ull,
                                  1000000ull,
                                  10000000ull,
                                  100000000ull,
                                  1000000000ull,
                                  10000000000ull,
                                  100000000000ull,
                                  1000000000000ull,
                                  10000000000000ull,
                                  100000000000000ull,
                                  1000000000000000ull,
                                  10000000000000000ull,
                                  100000000000000000ull,
                                  1000000000000000000ull,
                                  10000000000000000000ull};

// Horner over chunks of 19 digits.
BigNat digits_value_base(const char* p, size_t n) {
    BigNat x;
    size_t first = n % TEN19_DIGITS;
    if (first == 0) first = std::min<size_t>(n, TEN19_DIGITS);
    for (size_t at = 0; at < n;) {
        size_t len = at == 0 ? first : TEN19_DIGITS;
        bool overflow;
        u128 v = digits_chunk(p + at, len, &overflow);
        big_mul_small(x, POW10_SMALL[len]);
        big_add_small(x, uint64_t(v));
        uint64_t hi = uint64_t(v >> 64);
        if (hi) {
            BigNat h;
            h.limbs = {0, hi};
            x = big_add(x, h);
        }
        at += len;
    }
    return x;
}

BigNat digits_value_rec(const char* p, size_t n, DecimalPowers& pw) {
    if (n <= DECIMAL_BASE_DIGITS) return digits_value_base(p, n);
    size_t i = 0;
    while (size_t(decimal_power_digits(i + 1)) < n) i++;
    size_t low = size_t(decimal_power_digits(i));
    BigNat hi = digits_value_rec(p, n - low, pw);
    BigNat lo = digits_value_rec(p + n - low, low, pw);
    return big_add(big_mul(hi, pw.at(i)), lo);
}

}  // namespace

BigNat big_from_u64(uint64_t v) {
    BigNat x;
    if (v) x.limbs.push_back(v);
    return x;
}

bool big_is_zero(const BigNat& x) { return x.limbs.empty(); }

int64_t big_bit_length(const BigNat& x) {
    if (x.limbs.empty()) return 0;
    return int64_t(x.limbs.size()) * 64 - __builtin_clzll(x.limbs.back());
}

bool big_bit(const BigNat& x, int64_t i) {
    size_t w = size_t(i / 64);
    if (w >= x.limbs.size()) return false;
    return (x.limbs[w] >> (i % 64)) & 1;
}

void big_set_bit(BigNat& x, int64_t i) {
    size_t w = size_t(i / 64);
    if (w >= x.limbs.size()) x.limbs.resize(w + 1, 0);
    x.limbs[w] |= uint64_t(1) << (i % 64);
}

int64_t big_low_zero_bits(const BigNat& x) {
    for (size_t w = 0; w < x.limbs.size(); w++)
        if (x.limbs[w]) return int64_t(w) * 64 + __builtin_ctzll(x.limbs[w]);
    return 0;
}

uint64_t big_low_u64(const BigNat& x) { return x.limbs.empty() ? 0 : x.limbs[0]; }

int big_compare(const BigNat& a, const BigNat& b) {
    if (a.limbs.size() != b.limbs.size()) return a.limbs.size() < b.limbs.size() ? -1 : 1;
    for (size_t i = a.limbs.size(); i-- > 0;)
        if (a.limbs[i] != b.limbs[i]) return a.limbs[i] < b.limbs[i] ? -1 : 1;
    return 0;
}

BigNat big_add(const BigNat& a, const BigNat& b) {
    const BigNat& l = a.limbs.size() >= b.limbs.size() ? a : b;
    const BigNat& s = a.limbs.size() >= b.limbs.size() ? b : a;
    BigNat r;
    r.limbs.reserve(l.limbs.size() + 1);
    r.limbs = l.limbs;
    r.limbs.push_back(0);
    limbs_add_into(r.limbs.data(), r.limbs.size(), s.limbs.data(), s.limbs.size());
    big_trim(r);
    return r;
}

BigNat big_sub(const BigNat& a, const BigNat& b) {
    VORN_ASSERT(big_compare(a, b) >= 0);
    BigNat r = a;
    limbs_sub_from(r.limbs.data(), r.limbs.size(), b.limbs.data(), b.limbs.size());
    big_trim(r);
    return r;
}

void big_add_small(BigNat& x, uint64_t d) {
    if (d == 0) return;
    x.limbs.push_back(0);
    limbs_add_into(x.limbs.data(), x.limbs.size(), &d, 1);
    big_trim(x);
}

void big_mul_small(BigNat& x, uint64_t m) {
    uint64_t carry = 0;
    for (uint64_t& w : x.limbs) {
        u128 t = u128(w) * m + carry;
        w = uint64_t(t);
        carry = uint64_t(t >> 64);
    }
    if (carry) x.limbs.push_back(carry);
    big_trim(x);
}

BigNat big_mul(const BigNat& a, const BigNat& b) {
    BigNat r;
    if (a.limbs.empty() || b.limbs.empty()) return r;
    r.limbs.resize(a.limbs.size() + b.limbs.size());
    limbs_mul(a.limbs.data(), a.limbs.size(), b.limbs.data(), b.limbs.size(), r.limbs.data());
    big_trim(r);
    return r;
}

uint64_t big_divmod_small(BigNat& x, uint64_t d) {
    VORN_ASSERT(d != 0);
    u128 r = 0;
    for (size_t i = x.limbs.size(); i-- > 0;) {
        u128 cur = (r << 64) | x.limbs[i];
        x.limbs[i] = uint64_t(cur / d);
        r = cur % d;
    }
    big_trim(x);
    return uint64_t(r);
}

void big_divmod(const BigNat& a, const BigNat& b, BigNat* q, BigNat* r) {
    VORN_ASSERT(!b.limbs.empty());
    if (big_compare(a, b) < 0) {
        if (r) *r = a;
        if (q) q->limbs.clear();
        return;
    }
    if (b.limbs.size() == 1) {
        BigNat x = a;
        uint64_t rem = big_divmod_small(x, b.limbs[0]);
        if (r) *r = big_from_u64(rem);
        if (q) *q = std::move(x);
        return;
    }
    // Knuth's algorithm D on a normalised divisor.
    size_t n = b.limbs.size(), m = a.limbs.size() - n;
    int s = __builtin_clzll(b.limbs.back());
    BigNat bn = big_shl(b, s);
    BigNat an = big_shl(a, s);
    an.limbs.resize(a.limbs.size() + 1, 0);
    const uint64_t* v = bn.limbs.data();
    uint64_t* u = an.limbs.data();
    std::vector<uint64_t> quot(m + 1, 0);
    for (size_t j = m + 1; j-- > 0;) {
        u128 num = (u128(u[j + n]) << 64) | u[j + n - 1];
        u128 qhat = num / v[n - 1];
        u128 rhat = num % v[n - 1];
        while (qhat >> 64 || qhat * v[n - 2] > ((rhat << 64) | u[j + n - 2])) {
            qhat--;
            rhat += v[n - 1];
            if (rhat >> 64) break;
        }
        uint64_t borrow = 0, carry = 0;
        for (size_t i = 0; i < n; i++) {
            u128 p = qhat * v[i] + carry;
            carry = uint64_t(p >> 64);
            uint64_t pl = uint64_t(p);
            uint64_t t = u[i + j] - pl - borrow;
            borrow = (u[i + j] < pl) || (u[i + j] == pl && borrow) ? 1 : 0;
            u[i + j] = t;
        }
        uint64_t top = u[j + n];
        u[j + n] = top - carry - borrow;
        if (top < carry || (top == carry && borrow)) {
            qhat--;
            uint64_t c = 0;
            for (size_t i = 0; i < n; i++) {
                u128 t = u128(u[i + j]) + v[i] + c;
                u[i + j] = uint64_t(t);
                c = uint64_t(t >> 64);
            }
            u[j + n] += c;
        }
        quot[j] = uint64_t(qhat);
    }
    if (q) {
        q->limbs = std::move(quot);
        big_trim(*q);
    }
    if (r) {
        an.limbs.resize(n);
        big_trim(an);
        *r = big_shr(an, s);
    }
}

BigNat big_shl(const BigNat& x, int64_t k) {
    VORN_ASSERT(k >= 0);
    BigNat r;
    if (x.limbs.empty()) return r;
    size_t w = size_t(k / 64);
    int s = int(k % 64);
    r.limbs.assign(w + x.limbs.size() + 1, 0);
    for (size_t i = 0; i < x.limbs.size(); i++) {
        r.limbs[i + w] |= x.limbs[i] << s;
        if (s) r.limbs[i + w + 1] = x.limbs[i] >> (64 - s);
    }
    big_trim(r);
    return r;
}

BigNat big_shr(const BigNat& x, int64_t k) {
    VORN_ASSERT(k >= 0);
    BigNat r;
    size_t w = size_t(k / 64);
    if (w >= x.limbs.size()) return r;
    int s = int(k % 64);
    r.limbs.assign(x.limbs.size() - w, 0);
    for (size_t i = 0; i < r.limbs.size(); i++) {
        uint64_t lo = x.limbs[i + w] >> s;
        uint64_t hi = (s && i + w + 1 < x.limbs.size()) ? x.limbs[i + w + 1] << (64 - s) : 0;
        r.limbs[i] = lo | hi;
    }
    big_trim(r);
    return r;
}

BigNat big_low_bits(const BigNat& x, int64_t k) {
    VORN_ASSERT(k >= 0);
    BigNat r = x;
    size_t w = size_t(k / 64);
    if (w >= r.limbs.size()) return r;
    r.limbs.resize(w + 1);
    int s = int(k % 64);
    r.limbs[w] &= s ? (~uint64_t(0) >> (64 - s)) : 0;
    big_trim(r);
    return r;
}

BigNat big_from_bytes(const unsigned char* p, size_t n) {
    BigNat x;
    x.limbs.assign((n + 7) / 8, 0);
    for (size_t i = 0; i < n; i++) x.limbs[i / 8] |= uint64_t(p[i]) << (8 * (i % 8));
    big_trim(x);
    return x;
}

std::string big_to_bytes(const BigNat& x) {
    std::string s;
    s.resize(x.limbs.size() * 8);
    for (size_t i = 0; i < s.size(); i++) s[i] = char(x.limbs[i / 8] >> (8 * (i % 8)));
    while (!s.empty() && s.back() == 0) s.pop_back();
    return s;
}

BigNat big_from_digits(const char* p, size_t n) {
    DecimalPowers pw;
    return digits_value_rec(p, n, pw);
}

std::string big_to_digits(const BigNat& x) { return dec_to_digits(dec_from_big(x)); }

// ---------------------------------------------------------------------------
// The decimal face
// ---------------------------------------------------------------------------

namespace {

const size_t DEC_KARATSUBA_MIN = 48;

void dec_trim(DecNat& x) {
    while (!x.limbs.empty() && x.limbs.back() == 0) x.limbs.pop_back();
}

uint32_t dec_add_into(uint32_t* r, size_t n, const uint32_t* x, size_t xn) {
    uint32_t carry = 0;
    size_t i = 0;
    for (; i < xn; i++) {
        uint32_t s = r[i] + x[i] + carry;  // below 2 * 10^9 + 1 < 2^32
        carry = s >= DEC_BASE;
        r[i] = carry ? s - DEC_BASE : s;
    }
    for (; carry && i < n; i++) {
        r[i] += 1;
        carry = r[i] == DEC_BASE;
        if (carry) r[i] = 0;
    }
    return carry;
}

uint32_t dec_sub_from(uint32_t* r, size_t n, const uint32_t* x, size_t xn) {
    uint32_t borrow = 0;
    size_t i = 0;
    for (; i < xn; i++) {
        int64_t t = int64_t(r[i]) - x[i] - borrow;
        borrow = t < 0;
        r[i] = uint32_t(borrow ? t + DEC_BASE : t);
    }
    for (; borrow && i < n; i++) {
        borrow = r[i] == 0;
        r[i] = borrow ? DEC_BASE - 1 : r[i] - 1;
    }
    return borrow;
}

void dec_mul_school(const uint32_t* a, size_t n, const uint32_t* b, size_t m, uint32_t* r) {
    std::fill(r, r + n + m, 0);
    for (size_t i = 0; i < n; i++) {
        uint64_t carry = 0, ai = a[i];
        if (ai == 0) continue;
        for (size_t j = 0; j < m; j++) {
            uint64_t t = ai * b[j] + r[i + j] + carry;
            r[i + j] = uint32_t(t % DEC_BASE);
            carry = t / DEC_BASE;
        }
        r[i + m] = uint32_t(carry);
    }
}

// r[0..n+m) = a * b, the Karatsuba split of limbs_mul in base 10^9.
void dec_mul_limbs(const uint32_t* a, size_t n, const uint32_t* b, size_t m, uint32_t* r) {
    if (n < m) {
        std::swap(a, b);
        std::swap(n, m);
    }
    if (m < DEC_KARATSUBA_MIN) {
        dec_mul_school(a, n, b, m, r);
        return;
    }
    size_t h = (n + 1) / 2;
    if (m <= h) {
        std::fill(r, r + n + m, 0);
        std::vector<uint32_t> t(2 * m);
        for (size_t i = 0; i < n; i += m) {
            size_t len = std::min(m, n - i);
            dec_mul_limbs(a + i, len, b, m, t.data());
            dec_add_into(r + i, n + m - i, t.data(), len + m);
        }
        return;
    }
    size_t an1 = n - h, bn1 = m - h;
    dec_mul_limbs(a, h, b, h, r);
    dec_mul_limbs(a + h, an1, b + h, bn1, r + 2 * h);
    std::vector<uint32_t> sa(h + 1, 0), sb(h + 1, 0);
    std::copy(a, a + h, sa.begin());
    sa[h] = dec_add_into(sa.data(), h, a + h, an1);
    std::copy(b, b + h, sb.begin());
    sb[h] = dec_add_into(sb.data(), h, b + h, bn1);
    std::vector<uint32_t> mid(2 * h + 2);
    dec_mul_limbs(sa.data(), h + 1, sb.data(), h + 1, mid.data());
    dec_sub_from(mid.data(), mid.size(), r, 2 * h);
    dec_sub_from(mid.data(), mid.size(), r + 2 * h, an1 + bn1);
    size_t midn = mid.size();
    while (midn > 0 && mid[midn - 1] == 0) midn--;
    dec_add_into(r + h, n + m - h, mid.data(), std::min(midn, n + m - h));
}

// x * m in place, m <= 2^32.
void dec_mul_small_in(DecNat& x, uint64_t m) {
    uint64_t carry = 0;
    for (uint32_t& w : x.limbs) {
        uint64_t t = uint64_t(w) * m + carry;
        w = uint32_t(t % DEC_BASE);
        carry = t / DEC_BASE;
    }
    while (carry) {
        x.limbs.push_back(uint32_t(carry % DEC_BASE));
        carry /= DEC_BASE;
    }
    dec_trim(x);
}

// x + v in place, any v.
void dec_add_u64(DecNat& x, uint64_t v) {
    for (size_t i = 0; v; i++) {
        if (i == x.limbs.size()) x.limbs.push_back(0);
        uint64_t t = x.limbs[i] + v;
        x.limbs[i] = uint32_t(t % DEC_BASE);
        v = t / DEC_BASE;
    }
}

}  // namespace

DecNat dec_from_u64(uint64_t v) {
    DecNat x;
    while (v) {
        x.limbs.push_back(uint32_t(v % DEC_BASE));
        v /= DEC_BASE;
    }
    return x;
}

bool dec_is_zero(const DecNat& x) { return x.limbs.empty(); }

bool dec_is_odd(const DecNat& x) { return !x.limbs.empty() && (x.limbs[0] & 1); }

int dec_compare(const DecNat& a, const DecNat& b) {
    if (a.limbs.size() != b.limbs.size()) return a.limbs.size() < b.limbs.size() ? -1 : 1;
    for (size_t i = a.limbs.size(); i-- > 0;)
        if (a.limbs[i] != b.limbs[i]) return a.limbs[i] < b.limbs[i] ? -1 : 1;
    return 0;
}

DecNat dec_add(const DecNat& a, const DecNat& b) {
    const DecNat& l = a.limbs.size() >= b.limbs.size() ? a : b;
    const DecNat& s = a.limbs.size() >= b.limbs.size() ? b : a;
    DecNat r;
    r.limbs.reserve(l.limbs.size() + 1);
    r.limbs = l.limbs;
    r.limbs.push_back(0);
    dec_add_into(r.limbs.data(), r.limbs.size(), s.limbs.data(), s.limbs.size());
    dec_trim(r);
    return r;
}

DecNat dec_sub(const DecNat& a, const DecNat& b) {
    VORN_ASSERT(dec_compare(a, b) >= 0);
    DecNat r = a;
    dec_sub_from(r.limbs.data(), r.limbs.size(), b.limbs.data(), b.limbs.size());
    dec_trim(r);
    return r;
}

void dec_add_small(DecNat& x, uint32_t d) {
    if (d == 0) return;
    x.limbs.push_back(0);
    dec_add_into(x.limbs.data(), x.limbs.size(), &d, 1);
    dec_trim(x);
}

DecNat dec_mul(const DecNat& a, const DecNat& b) {
    DecNat r;
    if (a.limbs.empty() || b.limbs.empty()) return r;
    r.limbs.resize(a.limbs.size() + b.limbs.size());
    dec_mul_limbs(a.limbs.data(), a.limbs.size(), b.limbs.data(), b.limbs.size(), r.limbs.data());
    dec_trim(r);
    return r;
}

uint32_t dec_divmod_small(DecNat& x, uint32_t d) {
    VORN_ASSERT(d != 0);
    uint64_t r = 0;
    for (size_t i = x.limbs.size(); i-- > 0;) {
        uint64_t cur = r * DEC_BASE + x.limbs[i];
        x.limbs[i] = uint32_t(cur / d);
        r = cur % d;
    }
    dec_trim(x);
    return uint32_t(r);
}

void dec_divmod(const DecNat& a, const DecNat& b, DecNat* q, DecNat* r) {
    VORN_ASSERT(!b.limbs.empty());
    if (dec_compare(a, b) < 0) {
        if (r) *r = a;
        if (q) q->limbs.clear();
        return;
    }
    if (b.limbs.size() == 1) {
        DecNat x = a;
        uint32_t rem = dec_divmod_small(x, b.limbs[0]);
        if (r) *r = dec_from_u64(rem);
        if (q) *q = std::move(x);
        return;
    }
    // Knuth's algorithm D; scaling by d brings the divisor's top limb to at
    // least half the base.
    size_t n = b.limbs.size(), m = a.limbs.size() - n;
    uint32_t d = uint32_t(DEC_BASE / (uint64_t(b.limbs.back()) + 1));
    DecNat vn = b, un = a;
    dec_mul_small_in(vn, d);
    dec_mul_small_in(un, d);
    un.limbs.resize(a.limbs.size() + 1, 0);
    const uint32_t* v = vn.limbs.data();
    uint32_t* u = un.limbs.data();
    std::vector<uint32_t> quot(m + 1, 0);
    for (size_t j = m + 1; j-- > 0;) {
        uint64_t num = uint64_t(u[j + n]) * DEC_BASE + u[j + n - 1];
        uint64_t qhat = num / v[n - 1], rhat = num % v[n - 1];
        while (qhat >= DEC_BASE || qhat * v[n - 2] > rhat * DEC_BASE + u[j + n - 2]) {
            qhat--;
            rhat += v[n - 1];
            if (rhat >= DEC_BASE) break;
        }
        uint64_t carry = 0;
        int64_t borrow = 0;
        for (size_t i = 0; i < n; i++) {
            uint64_t p = qhat * v[i] + carry;
            carry = p / DEC_BASE;
            int64_t t = int64_t(u[i + j]) - int64_t(p % DEC_BASE) - borrow;
            borrow = t < 0;
            u[i + j] = uint32_t(borrow ? t + DEC_BASE : t);
        }
        int64_t top = int64_t(u[j + n]) - int64_t(carry) - borrow;
        if (top < 0) {
            qhat--;
            uint32_t c = 0;
            for (size_t i = 0; i < n; i++) {
                uint32_t s = u[i + j] + v[i] + c;
                c = s >= DEC_BASE;
                u[i + j] = c ? s - DEC_BASE : s;
            }
            top += c;
        }
        VORN_ASSERT(top >= 0);
        u[j + n] = uint32_t(top);
        quot[j] = uint32_t(qhat);
    }
    if (q) {
        q->limbs = std::move(quot);
        dec_trim(*q);
    }
    if (r) {
        un.limbs.resize(n);
        dec_trim(un);
        dec_divmod_small(un, d);
        *r = std::move(un);
    }
}

DecNat dec_pow(const DecNat& a, const DecNat& e) {
    if (dec_is_zero(e)) return dec_from_u64(1);
    if (dec_compare(a, dec_from_u64(1)) <= 0) return a;
    // a >= 2: the result has at least e binary digits, beyond any memory
    // once e passes 2^37.
    if (e.limbs.size() > 2 || (e.limbs.size() == 2 && e.limbs[1] >= 138)) throw std::bad_alloc();
    uint64_t ev = e.limbs[0] + (e.limbs.size() == 2 ? uint64_t(e.limbs[1]) * DEC_BASE : 0);
    uint64_t digits = 9 * a.limbs.size();
    if (u128(digits) * ev > u128(POWER_MAX_BITS) / 3) throw std::bad_alloc();
    DecNat r = dec_from_u64(1);
    for (int i = 64 - __builtin_clzll(ev); i-- > 0;) {
        r = dec_mul(r, r);
        if ((ev >> i) & 1) r = dec_mul(r, a);
    }
    return r;
}

DecNat dec_from_digits(const char* p, size_t n) {
    DecNat x;
    x.limbs.reserve(n / 9 + 2);
    uint64_t carry = 0;
    for (size_t end = n; end > 0 || carry;) {
        size_t start = end >= 9 ? end - 9 : 0;
        uint64_t chunk = 0;  // up to 207 * 111111111: bytes past '9' carry on
        for (size_t i = start; i < end; i++) {
            unsigned char c = (unsigned char)p[i];
            chunk = chunk * 10 + (c > '0' ? c - '0' : 0);
        }
        chunk += carry;
        x.limbs.push_back(uint32_t(chunk % DEC_BASE));
        carry = chunk / DEC_BASE;
        end = start;
    }
    dec_trim(x);
    return x;
}

std::string dec_to_digits(const DecNat& x) {
    if (x.limbs.empty()) return "0";
    std::string s = std::to_string(x.limbs.back());
    s.reserve(s.size() + 9 * (x.limbs.size() - 1));
    for (size_t i = x.limbs.size() - 1; i-- > 0;) {
        char buf[9];
        uint32_t w = x.limbs[i];
        for (int k = 8; k >= 0; k--) {
            buf[k] = char('0' + w % 10);
            w /= 10;
        }
        s.append(buf, 9);
    }
    return s;
}

BigNat big_from_dec(const DecNat& x) {
    std::string digits = dec_to_digits(x);
    return big_from_digits(digits.data(), digits.size());
}

namespace {

const size_t BINARY_BASE_LIMBS = 16;  // limbs converted by plain Horner

// The decimal value of the limbs p[0..n): halves joined by a product with
// 2^(64 h) in decimal, so the whole costs a few products, no division.
DecNat dec_of_limbs(const uint64_t* p, size_t n, std::vector<DecNat>& pw2) {
    if (n <= BINARY_BASE_LIMBS) {
        DecNat r;
        for (size_t i = n; i-- > 0;) {
            for (uint64_t half : {uint64_t(p[i] >> 32), uint64_t(p[i] & 0xFFFFFFFFu)}) {
                dec_mul_small_in(r, uint64_t(1) << 32);
                dec_add_u64(r, half);
            }
        }
        return r;
    }
    size_t i = 0;
    while ((size_t(2) << i) < n) i++;  // h = 2^i < n <= 2^(i+1)
    size_t h = size_t(1) << i;
    if (pw2.empty()) {
        pw2.push_back(dec_from_u64(uint64_t(1) << 63));
        dec_mul_small_in(pw2[0], 2);
    }
    while (pw2.size() <= i) pw2.push_back(dec_mul(pw2.back(), pw2.back()));
    DecNat hi = dec_of_limbs(p + h, n - h, pw2);
    DecNat lo = dec_of_limbs(p, h, pw2);
    return dec_add(dec_mul(hi, pw2[i]), lo);
}

}  // namespace

DecNat dec_from_big(const BigNat& x) {
    if (x.limbs.size() <= 1) return dec_from_u64(big_low_u64(x));
    std::vector<DecNat> pw2;
    return dec_of_limbs(x.limbs.data(), x.limbs.size(), pw2);
}
