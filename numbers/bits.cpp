// Number bit sequences, digit leaf texts and number lists.
#include "bits.h"

#include <cstring>
#include <vector>

namespace {

bool is_digit(u8 c) { return c >= '0' && c <= '9'; }

// The text bytes of a leaf and their count.
const u8* raw_text(const Node* leaf, i64* len) {
    *len = leaf_node_byte_length(leaf);
    return leaf_bytes(leaf);
}

// floor(D / d) of the numeral p[0..n) (digits only), without leading zeros.
std::string digits_div_small(const u8* p, i64 n, u64 d) {
    std::string q;
    q.reserve(size_t(n));
    unsigned __int128 r = 0;
    for (i64 i = 0; i < n; i++) {
        r = r * 10 + (p[i] - '0');
        u8 digit = u8(r / d);
        r %= d;
        if (digit || !q.empty()) q.push_back(char('0' + digit));
    }
    if (q.empty()) q.push_back('0');  // g++ -O3 warns falsely on q = "0"
    return q;
}

// floor(D / 2), the common case of the above without wide division.
std::string digits_halve(const u8* p, i64 n) {
    std::string q;
    q.reserve(size_t(n));
    unsigned r = 0;
    for (i64 i = 0; i < n; i++) {
        unsigned cur = r * 10 + unsigned(p[i] - '0');
        u8 digit = u8(cur / 2);
        r = cur % 2;
        if (digit || !q.empty()) q.push_back(char('0' + digit));
    }
    if (q.empty()) q.push_back('0');  // g++ -O3 warns falsely on q = "0"
    return q;
}

u64 digits_mod_2_64(const u8* p, i64 n) {
    u64 x = 0;
    for (i64 i = 0; i < n; i++) x = x * 10 + u64(p[i] - '0');
    return x;
}

// The tail of the integer 2D + 1 (the halved sequence of +D, or of a
// fraction "00"D): -(D/2) when D is even, +(D-1)/2 when odd.
std::string tail_of_odd_double(const u8* d, i64 n) {
    std::string h = digits_halve(d, n);
    return (d[n - 1] - '0') % 2 == 0 ? "0" + h : h;
}

// The tail of a canonical text on its digits alone; false when the general
// path must answer (it then sets nothing).
bool tail_fast(const u8* p, i64 n, std::string* out) {
    if (p[0] != '0') {  // +D: 2D + 1
        *out = tail_of_odd_double(p, n);
        return true;
    }
    if (p[1] != '0') {  // -D: 2D = 2^(k+1) (2D' + 1), a fraction
        u64 low = digits_mod_2_64(p + 1, n - 1);
        if (low == 0) return false;
        int k = __builtin_ctzll(low);
        std::string x = digits_div_small(p + 1, n - 1, u64(1) << k);
        std::string dd = digits_halve(reinterpret_cast<const u8*>(x.data()), i64(x.size()));
        *out = "00" + std::string(size_t(k), '0') + (dd == "0" ? "" : dd);
        return true;
    }
    i64 k = 0;
    while (2 + k < n && p[2 + k] == '0') k++;
    if (k >= 1) {  // drop one of the zeros: 2^k (2D + 1)
        *out = "00" + std::string(reinterpret_cast<const char*>(p) + 3, size_t(n - 3));
        return true;
    }
    *out = tail_of_odd_double(p + 2, n - 2);
    return true;
}

enum class ReadResult { OK, MALFORMED_CELL, EMPTY_LEAF };

// N of a number term (term_is_number already holds or is not needed).
ReadResult number_read(const Node* t, BigNat* n) {
    std::vector<u64> cells;
    i64 c = 0;
    while (!node_is_leaf(t)) {
        int bit = node_raw_cell_bit(t);
        if (bit < 0) return ReadResult::MALFORMED_CELL;
        if ((c % 64) == 0) cells.push_back(0);
        if (bit) cells.back() |= u64(1) << (c % 64);
        c++;
        t = pair_right(t);
        VORN_ASSERT(t != nullptr);
    }
    BigNat acc;
    acc.limbs = std::move(cells);
    while (!acc.limbs.empty() && acc.limbs.back() == 0) acc.limbs.pop_back();
    if (node_lead_byte(t) == 'K') {
        big_set_bit(acc, c);
        *n = std::move(acc);
        return ReadResult::OK;
    }
    i64 len;
    const u8* p = raw_text(t, &len);
    if (len == 0) return ReadResult::EMPTY_LEAF;
    *n = big_add(acc, big_shl(number_value_of_text(p, len), c));
    return ReadResult::OK;
}

bool term_is_number_raw(const Node* t) {
    if (node_is_leaf(t)) {
        u8 c = node_lead_byte(t);
        return c == 'K' || is_digit(c);
    }
    return node_raw_cell_bit(t) >= 0;
}

NodeRef bit_leaf(int bit) { return noderef_from_cstr(bit ? "K" : "H"); }

}  // namespace

int node_raw_cell_bit(const Node* n) {
    if (node_is_leaf(n)) return -1;
    const Node* l = pair_left(n);
    VORN_ASSERT(l != nullptr);
    if (node_is_leaf(l)) return -1;
    const Node* head = pair_left(l);
    const Node* b = pair_right(l);
    VORN_ASSERT(head != nullptr && b != nullptr);
    if (!node_is_leaf(head) || node_lead_byte(head) != 'J' || !node_is_leaf(b)) return -1;
    u8 c = node_lead_byte(b);
    return c == 'K' ? 1 : c == 'H' ? 0 : -1;
}

NodeRef leaf_from_std(const std::string& text) {
    return noderef_wrap(leaf_new_from_bytes(text.data(), i64(text.size())));
}

BigNat number_value_of_text(const u8* p, i64 len) {
    VORN_ASSERT(len > 0);
    const char* s = reinterpret_cast<const char*>(p);
    if (p[0] != '0') {  // +m: 4m + 3
        BigNat m = big_from_digits(s, size_t(len));
        BigNat n = big_shl(m, 2);
        big_add_small(n, 3);
        return n;
    }
    if (len == 1) return big_from_u64(3);
    if (p[1] != '0') {  // -m: 4m + 1, and a zero magnitude reads as zero
        BigNat m = big_from_digits(s + 1, size_t(len - 1));
        if (big_is_zero(m)) return big_from_u64(3);
        BigNat n = big_shl(m, 2);
        big_add_small(n, 1);
        return n;
    }
    i64 k = 0;
    while (2 + k < len && p[2 + k] == '0') k++;
    BigNat odd = big_shl(big_from_digits(s + 2 + k, size_t(len - 2 - k)), 1);
    big_add_small(odd, 1);
    return big_shl(odd, k + 1);
}

std::string number_text_of_value(const BigNat& n) {
    VORN_ASSERT(big_bit_length(n) >= 2);
    u64 low = big_low_u64(n);
    if (n.limbs.size() == 1 && low <= 3) return low == 2 ? "00" : "0";
    if (low & 1) {
        std::string digits = big_to_digits(big_shr(n, 2));
        return (low & 2) ? digits : "0" + digits;
    }
    i64 j = big_low_zero_bits(n);
    i64 length = big_bit_length(n) - 1;
    if (j == length) return "00" + std::string(size_t(length - 1), '0');
    return "00" + std::string(size_t(j - 1), '0') + big_to_digits(big_shr(n, j + 1));
}

bool number_text_is_canonical(const u8* p, i64 len) {
    if (len <= 0) return false;
    for (i64 i = 0; i < len; i++)
        if (!is_digit(p[i])) return false;
    return true;
}

bool number_try_value(const Node* t, BigNat* n) {
    if (!term_is_number_raw(t)) return false;
    return number_read(t, n) == ReadResult::OK;
}

bool number_bits_is_valid(NumberBits n) {
    i64 len = string_length(n);
    return len > 0 && string_bytes(n)[len - 1] != 0;
}

void number_bits_require_valid(NumberBits n) { VORN_ASSERT(number_bits_is_valid(std::move(n))); }

bool number_bits_is_empty_or_valid(NumberBits n) {
    return (string_length(n) == 1 && string_bytes(n)[0] == 1) || number_bits_is_valid(std::move(n));
}

i64 number_bits_length(NumberBits n) {
    VORN_ASSERT(number_bits_is_valid(n));
    return bits_length(std::move(n)) - 1;
}

int number_bits_get(i64 i, NumberBits n) {
    i64 length = number_bits_length(n);
    VORN_ASSERT(i >= 0);
    VORN_ASSERT(i < length);
    return bits_get(i, std::move(n));
}

NumberBits number_bits_concat(NumberBits a, NumberBits b) {
    VORN_ASSERT(number_bits_is_valid(a));
    VORN_ASSERT(number_bits_is_valid(b));
    BigNat va = bits_to_bignat(a);
    BigNat vb = bits_to_bignat(b);
    i64 la = big_bit_length(va) - 1;
    // a's marker gives way to b's sequence and marker.
    BigNat body = big_low_bits(va, la);
    return bits_from_bignat(big_add(body, big_shl(vb, la)));
}

NodeRef number_bits_to_list(NumberBits n) {
    VORN_ASSERT(number_bits_is_valid(n));
    BigNat v = bits_to_bignat(n);
    NodeRef list = noderef_from_cstr("K");
    for (i64 i = big_bit_length(v) - 1; i-- > 0;)
        list = node_make_app(node_make_app(noderef_from_cstr("J"), bit_leaf(big_bit(v, i))), std::move(list));
    return list;
}

NodeRef number_bits_to_term(NumberBits n) {
    VORN_ASSERT(number_bits_is_valid(n));
    if (string_length(n) == 1 && string_bytes(n)[0] == 1) return noderef_from_cstr("K");
    return noderef_from_string(number_bits_to_text(std::move(n)));
}

RtString number_bits_to_text(NumberBits n) {
    BigNat v = bits_to_bignat(n);
    VORN_ASSERT(!big_is_zero(v));
    VORN_ASSERT(big_bit_length(v) >= 2);  // the empty sequence has no b0
    return string_from_std(number_text_of_value(v));
}

NumberBits number_bits_from_text(RtString t) {
    VORN_ASSERT(string_length(t) > 0);
    return bits_from_bignat(number_value_of_text(string_bytes(t), string_length(t)));
}

bool term_is_number(NodeRef t) { return term_is_number_raw(t.node); }

void term_require_number(NodeRef t) { VORN_ASSERT(term_is_number_raw(t.node)); }

NumberBits number_to_bits(NodeRef t) {
    VORN_ASSERT(term_is_number_raw(t.node));
    BigNat n;
    ReadResult r = number_read(t.node, &n);
    VORN_ASSERT(r != ReadResult::EMPTY_LEAF);  // the empty digit text
    if (r == ReadResult::MALFORMED_CELL) return string_make_empty();
    return bits_from_bignat(n);
}

RtString number_to_text(NodeRef t) {
    RtString text;
    VORN_ASSERT(term_is_number_raw(t.node));
    bool readable = number_try_to_text(t, &text);
    VORN_ASSERT(readable);
    return text;
}

bool number_try_to_bits(const NodeRef& t, NumberBits* out) {
    BigNat n;
    if (!number_try_value(t.node, &n)) return false;
    *out = bits_from_bignat(n);
    return true;
}

bool number_try_to_text(const NodeRef& t, RtString* out) {
    if (!term_is_number_raw(t.node)) return false;
    if (node_is_leaf(t.node)) {
        i64 len;
        const u8* p = raw_text(t.node, &len);
        if (number_text_is_canonical(p, len)) {
            *out = string_from_bytes(p, len);
            return true;
        }
    }
    BigNat n;
    if (number_read(t.node, &n) != ReadResult::OK) return false;
    *out = big_bit_length(n) == 1 ? string_from_cstr("K") : string_from_std(number_text_of_value(n));
    return true;
}

NodeRef number_leaf_head(RtString t) {
    const u8* p = string_bytes(t);
    bool fraction = string_length(t) >= 2 && p[0] == '0' && p[1] == '0';
    return noderef_from_cstr(fraction ? "H" : "K");
}

NodeRef number_leaf_tail(RtString t) {
    const u8* p = string_bytes(t);
    i64 n = string_length(t);
    VORN_ASSERT(n > 0);
    if (string_equal_cstr(t, "0") || string_equal_cstr(t, "00")) return noderef_from_cstr("K");
    std::string tail;
    if (number_text_is_canonical(p, n) && tail_fast(p, n, &tail)) return leaf_from_std(tail);
    BigNat v = number_value_of_text(p, n);
    if (big_bit_length(v) <= 2) return noderef_from_cstr("K");
    return leaf_from_std(number_text_of_value(big_shr(v, 1)));
}
