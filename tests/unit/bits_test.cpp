// Number bit sequences: digit texts, lists, and taking digit leaves apart.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "bits.h"

namespace {

NodeRef leaf(const std::string& s) { return noderef_wrap(leaf_new_from_bytes(s.data(), i64(s.size()))); }
NodeRef app(NodeRef a, NodeRef b) { return node_make_app(std::move(a), std::move(b)); }
NodeRef cell(const char* bit, NodeRef rest) { return app(app(leaf("J"), leaf(bit)), std::move(rest)); }
std::string text(const NodeRef& t) { return string_to_std(node_text(t)); }
RtString rs(const std::string& b) { return string_from_std(b); }

// The bit string of a small N.
std::string nbits(u64 n) {
    std::string b;
    while (n) {
        b.push_back(char(n & 0xFF));
        n >>= 8;
    }
    return b;
}

// The printed shape of a term, J/K/H cells in brackets.
std::string shape(const NodeRef& t) {
    if (!node_is_pair(t)) return text(t);
    return "(" + shape(node_left(t)) + " " + shape(node_right(t)) + ")";
}

// The tail by definition: the text of N div 2.
std::string tail_by_definition(const std::string& t) {
    NumberBits n = number_bits_from_text(rs(t));
    BigNat v = bits_to_bignat(n);
    if (big_bit_length(v) <= 2) return "K";
    return string_to_std(number_bits_to_text(bits_from_bignat(big_shr(v, 1))));
}

}  // namespace

TEST(NumberBits, TextTable) {
    struct Case {
        const char* text;
        u64 n;
    } cases[] = {{"0", 3},    {"00", 2},   {"000", 4},  {"001", 6},   {"002", 10}, {"004", 18}, {"0017", 70},
                 {"5", 23},   {"05", 21},  {"10", 43},  {"1", 7},     {"01", 5},   {"0000", 8}, {"0001", 12},
                 {"00000", 16}, {"001281", 5126}};
    for (auto c : cases) {
        EXPECT_EQ(string_to_std(number_bits_from_text(rs(c.text))), nbits(c.n)) << c.text;
        EXPECT_EQ(string_to_std(number_bits_to_text(rs(nbits(c.n)))), c.text) << c.n;
    }
    // High zero bytes are dropped by the text form only.
    EXPECT_EQ(string_to_std(number_bits_to_text(rs(std::string("\x17\x00", 2)))), "5");
    EXPECT_FALSE(number_bits_is_valid(rs(std::string("\x17\x00", 2))));
    EXPECT_TRUE(number_bits_is_empty_or_valid(rs("\x01")));
    EXPECT_FALSE(number_bits_is_valid(string_make_empty()));
}

TEST(NumberBits, LongTextsRoundTrip) {
    std::mt19937_64 rng(9);
    for (int round = 0; round < 40; round++) {
        std::string digits(1, char('1' + rng() % 9));
        size_t n = rng() % 3000;
        while (digits.size() < n) digits.push_back(char('0' + rng() % 10));
        for (std::string t : {digits, "0" + digits, "00" + std::string(rng() % 70, '0') + digits}) {
            EXPECT_EQ(string_to_std(number_bits_to_text(number_bits_from_text(rs(t)))), t);
        }
    }
}

TEST(NumberBits, DigitRuleForOtherBytes) {
    // Bytes count as max(c - 48, 0); a minus mark before zero reads as zero.
    EXPECT_EQ(string_to_std(number_bits_to_text(number_bits_from_text(rs("1:")))), "20");
    EXPECT_EQ(string_to_std(number_bits_to_text(number_bits_from_text(rs("0x")))), "072");
    EXPECT_EQ(string_to_std(number_bits_from_text(rs(std::string("0\x01", 2)))), "\x03");
    EXPECT_EQ(string_to_std(number_bits_to_text(number_bits_from_text(rs("00:")))), "0010");
    EXPECT_EQ(string_to_std(number_to_text(leaf("1:"))), "20");
}

TEST(NumberBits, SequenceOperations) {
    EXPECT_EQ(number_bits_length(rs(nbits(23))), 4);
    int seq[] = {1, 1, 1, 0};
    for (int i = 0; i < 4; i++) EXPECT_EQ(number_bits_get(i, rs(nbits(23))), seq[i]);
    EXPECT_EQ(string_to_std(number_bits_concat(rs("\x01"), rs(nbits(70)))), nbits(70));
    EXPECT_EQ(string_to_std(number_bits_concat(rs(nbits(70)), rs("\x01"))), nbits(70));
    // 1 followed by 1110 is 47.
    EXPECT_EQ(string_to_std(number_bits_concat(rs(nbits(3)), rs(nbits(23)))), nbits(47));
    EXPECT_EQ(shape(number_bits_to_list(rs(nbits(23)))), "((J K) ((J K) ((J K) ((J H) K))))");
    EXPECT_EQ(shape(number_bits_to_list(rs("\x01"))), "K");
    EXPECT_EQ(text(number_bits_to_term(rs("\x01"))), "K");
    EXPECT_EQ(text(number_bits_to_term(rs(nbits(70)))), "0017");
}

TEST(NumberBits, TermsAndLists) {
    EXPECT_TRUE(term_is_number(leaf("K")));
    EXPECT_TRUE(term_is_number(leaf("7x")));
    EXPECT_TRUE(term_is_number(cell("H", leaf("x"))));
    EXPECT_FALSE(term_is_number(leaf("x")));
    EXPECT_FALSE(term_is_number(app(app(leaf("V"), leaf("K")), leaf("5"))));
    EXPECT_FALSE(term_is_number(app(leaf("J"), leaf("K"))));
    EXPECT_EQ(string_to_std(number_to_bits(cell("K", leaf("5")))), nbits(47));
    EXPECT_EQ(string_to_std(number_to_text(cell("K", leaf("5")))), "11");
    EXPECT_EQ(string_to_std(number_to_text(leaf("K"))), "K");
    EXPECT_EQ(string_to_std(number_to_text(cell("H", leaf("K")))), "00");
    // A malformed deeper cell: no sequence, and the readers say so.
    NodeRef junk = cell("K", app(app(leaf("J"), leaf("I")), leaf("K")));
    EXPECT_EQ(string_to_std(number_to_bits(junk)), "");
    RtString out;
    EXPECT_FALSE(number_try_to_text(junk, &out));
    EXPECT_FALSE(number_try_to_bits(cell("K", leaf("")), &out));
    EXPECT_FALSE(number_try_to_bits(leaf("x"), &out));
    EXPECT_TRUE(number_try_to_text(cell("K", cell("H", leaf("7"))), &out));
    EXPECT_EQ(string_to_std(out), "031");  // 1 0, then 1 1 1 1 of "7": N = 125
}

TEST(NumberBits, LongListsReadWithoutRecursion) {
#ifdef VORN_SANITIZED
    const int n = 100000;
#else
    const int n = 1000000;
#endif
    NodeRef list = leaf("K");
    for (int i = 0; i < n; i++) list = cell(i % 3 ? "H" : "K", std::move(list));
    NumberBits bits;
    ASSERT_TRUE(number_try_to_bits(list, &bits));
    EXPECT_EQ(number_bits_length(bits), n);
}

TEST(NumberBits, LeafHeadAndTail) {
    for (const char* t : {"0", "5", "05"}) EXPECT_EQ(text(number_leaf_head(rs(t))), "K") << t;
    for (const char* t : {"00", "000", "0017"}) EXPECT_EQ(text(number_leaf_head(rs(t))), "H") << t;
    struct Case {
        const char* text;
        const char* tail;
    } cases[] = {{"0", "K"}, {"00", "K"}, {"1", "0"}, {"01", "00"}, {"000", "00"}, {"001", "0"}, {"5", "2"}};
    for (auto c : cases) EXPECT_EQ(text(number_leaf_tail(rs(c.text))), c.tail) << c.text;
}

TEST(NumberBits, LeafTailMatchesDefinition) {
    std::mt19937_64 rng(4);
    std::vector<std::string> texts = {"08", "016", "0" + std::string("18446744073709551616"),
                                      "0" + std::string("36893488147419103232"), "002", "0020", "0000", "00000007"};
    for (int round = 0; round < 300; round++) {
        std::string d(1, char('1' + rng() % 9));
        size_t n = rng() % 60;
        while (d.size() < n) d.push_back(char('0' + rng() % 10));
        texts.push_back(d);
        texts.push_back("0" + d);
        texts.push_back("00" + std::string(rng() % 4, '0') + d);
    }
    texts.push_back("1x");
    texts.push_back("0x");
    texts.push_back("00:");
    for (const auto& t : texts) EXPECT_EQ(text(number_leaf_tail(rs(t))), tail_by_definition(t)) << t;
}

TEST(NumberBitsDeath, InvalidSequences) {
    EXPECT_DEATH(number_bits_from_text(string_make_empty()), "ASSERTION FAILED:bits:");
    EXPECT_DEATH(number_bits_to_text(rs("\x01")), "ASSERTION FAILED:bits:");
    EXPECT_DEATH(number_bits_length(rs(std::string("\x17\x00", 2))), "ASSERTION FAILED:bits:");
    EXPECT_DEATH(number_bits_get(4, rs(nbits(23))), "ASSERTION FAILED:bits:");
    EXPECT_DEATH(number_to_text(leaf("x")), "ASSERTION FAILED:bits:");
}
