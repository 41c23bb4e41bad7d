// Binary fractions against exact fixed-point arithmetic on small values,
// the worked examples, and the trace line of every addition.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "numb.h"
#include "trace_folder.h"

namespace {

using i128 = __int128;

NodeRef leaf(const std::string& s) { return noderef_wrap(leaf_new_from_bytes(s.data(), i64(s.size()))); }
NodeRef app(NodeRef a, NodeRef b) { return node_make_app(std::move(a), std::move(b)); }
NodeRef cell(const char* bit, NodeRef rest) { return app(app(leaf("J"), leaf(bit)), std::move(rest)); }
std::string text(const NodeRef& t) { return string_to_std(node_text(t)); }
RtString rs(const std::string& b) { return string_from_std(b); }

const int F = 40;  // fixed-point fraction bits of the reference values

// A value v / 2^F read bit by bit from X, as the positions are defined.
i128 ref_decode(const std::string& x) {
    i128 m = 0;
    for (size_t p = 1; p < 8 * x.size(); p++) {
        if (!((u8(x[p / 8]) >> (p % 8)) & 1)) continue;
        if (p % 2) m += i128(1) << ((p - 1) / 2 + F);
        else m += i128(1) << (F - p / 2);
    }
    return (x.size() && (x[0] & 1)) ? m : -m;
}

// X of v / 2^f written bit by bit; zero is 0x01.
std::string ref_encode(i128 v, int f = F) {
    if (v == 0) return "\x01";
    std::string x;
    auto set = [&](long p) {
        while (long(x.size()) * 8 <= p) x.push_back(0);
        x[p / 8] = char(u8(x[p / 8]) | (1 << (p % 8)));
    };
    if (v > 0) set(0);
    i128 m = v < 0 ? -v : v;
    for (int j = 0; j < 127; j++) {
        if (!((m >> j) & 1)) continue;
        long e = j - f;
        set(e >= 0 ? 2 * e + 1 : -2 * e);
    }
    return x;
}

std::string random_x(std::mt19937_64& rng) {
    std::string x(1 + rng() % 4, '\0');
    for (auto& c : x) c = char(rng() % 3 == 0 ? 0 : rng());
    if (x.back() == 0) x.back() = 1;
    return x;
}

std::string numb_text(i128 v, int f = F) { return text(numb_bits_to_leaf(rs(ref_encode(v, f)))); }

std::string bits_of(const NumbBits& x) { return string_to_std(x); }

}  // namespace

TEST(Numb, BitsArithmeticMatchesFixedPoint) {
    std::mt19937_64 rng(12);
    for (int round = 0; round < 500; round++) {
        std::string a = random_x(rng), b = random_x(rng);
        i128 va = ref_decode(a), vb = ref_decode(b);
        EXPECT_EQ(bits_of(numb_bits_add(rs(a), rs(b))), ref_encode(va + vb));
        EXPECT_EQ(bits_of(numb_bits_multiply(rs(a), rs(b))), ref_encode(va * vb, 2 * F));
        EXPECT_EQ(numb_less(numb_bits_to_leaf(rs(a)), numb_bits_to_leaf(rs(b))), va < vb);
        i128 ma = va < 0 ? -va : va, mb = vb < 0 ? -vb : vb;
        if (mb != 0) {
            i128 r = ma % mb;
            if ((va < 0) != (vb < 0) && r != 0) r = mb - r;
            if (va == 0) r = 0;
            EXPECT_EQ(bits_of(numb_bits_remainder(rs(a), rs(b))), ref_encode(r));
        }
        std::string pa = ref_encode(ma), pb = ref_encode(mb);
        EXPECT_EQ(numb_bits_mag_less(rs(pa), rs(pb)), ma < mb);
        EXPECT_EQ(numb_bits_mag_greater_equal(rs(pa), rs(pb)), ma >= mb);
        EXPECT_EQ(bits_of(numb_bits_mag_add(rs(pa), rs(pb))), ref_encode(ma + mb));
        if (ma >= mb) {
            EXPECT_EQ(bits_of(numb_bits_mag_subtract(rs(pa), rs(pb))), ref_encode(ma - mb));
        }
        int k = int(rng() % 21) - 10;
        EXPECT_EQ(bits_of(numb_bits_mag_scale(rs(pa), k)), ref_encode(ma, F - k));
        if (ma != 0) {
            int top = 127;
            while (!((ma >> top) & 1)) top--;
            EXPECT_EQ(numb_bits_top_exponent(rs(pa)), top - F);
        }
    }
}

TEST(Numb, WorkedExamples) {
    struct Case {
        i128 a, b;
        const char *sum, *product;
    } cases[] = {
        {1, -1, "00", "000"},          // 1 + -1; 1 * -1 = -1
        {-1, -1, "00000", "001"},      // -2; 1
        {5, -7, "00000", 0},           // -2
        {0, -3, "0002", "00"},         // -3; 0
        {7, 7, 0, "001281"},           // 49 with three coefficients in a
        {-3, 5, 0, "00042"},           // -15
    };
    for (auto c : cases) {
        NodeRef a = leaf(numb_text(c.a << F)), b = leaf(numb_text(c.b << F));
        if (c.sum) {
            EXPECT_EQ(text(numb_bits_to_leaf(numb_bits_add(numb_to_bits(a), numb_to_bits(b)))), c.sum);
        }
        if (c.product) {
            EXPECT_EQ(text(numb_multiply(a, b)), c.product);
        }
    }
    EXPECT_EQ(numb_text(i128(1) << (F - 1)), "002");
    EXPECT_EQ(text(numb_bits_to_leaf(numb_bits_add(rs("\x05"), rs("\x05")))), "001");  // 1/2 + 1/2
    EXPECT_EQ(text(numb_multiply(leaf("003"), leaf("003"))), "0012");               // 3/2 * 3/2
    EXPECT_EQ(text(numb_subtract(leaf("0017"), leaf("0021"))), "00000");            // 5 - 7
    EXPECT_EQ(text(numb_bits_to_leaf(numb_bits_negate(numb_to_bits(leaf("00"))))), "00");
}

TEST(Numb, Remainders) {
    struct Case {
        i128 a, b;  // in quarters
        i128 r;
    } cases[] = {{28, 8, 4}, {-28, 12, 8}, {28, 12, 4}, {-10, 4, 2}, {-4, 4, 0}, {14, 3, 2}};
    for (auto c : cases) {
        NodeRef a = leaf(numb_text(c.a, 2)), b = leaf(numb_text(c.b, 2));
        EXPECT_EQ(text(numb_remainder(a, b)), numb_text(c.r, 2)) << int(c.a) << " " << int(c.b);
    }
    EXPECT_EQ(text(numb_remainder(leaf("0017"), leaf("00"))), "Z");
    // 2^40 by 2^-10 and a long magnitude by a short fraction come at once.
    EXPECT_EQ(text(numb_remainder(leaf(numb_text(i128(1) << 50, 10)), leaf(numb_text(1, 10)))), "00");
    NumbValue big;  // 3 * 2^5000 + 1/2 by 3/2 leaves 1/2
    big.mant = big_from_u64(3);
    big.mant = big_shl(big.mant, 5001);
    big_add_small(big.mant, 1);
    big.exp = -1;
    EXPECT_EQ(text(numb_remainder(numb_leaf_of_value(big), leaf("003"))), "002");
}

TEST(Numb, SignsAndOrder) {
    for (const char* t : {"00", "001", "002", "004"}) EXPECT_TRUE(numb_is_nonnegative(leaf(t))) << t;
    for (const char* t : {"000", "0000", "0001"}) EXPECT_FALSE(numb_is_nonnegative(leaf(t))) << t;
    EXPECT_TRUE(numb_is_nonnegative(cell("H", leaf("K"))));
    EXPECT_FALSE(numb_is_nonnegative(cell("H", cell("H", leaf("K")))));
    EXPECT_TRUE(numb_less(leaf("0016"), leaf("0064")));
    EXPECT_TRUE(numb_less(leaf("002"), leaf("004")));
    EXPECT_FALSE(numb_less(leaf("00"), leaf("000")));
    EXPECT_TRUE(numb_less(leaf("000"), leaf("00")));
    EXPECT_FALSE(numb_less(leaf("0017"), leaf("0017")));
    EXPECT_TRUE(term_is_numb(cell("Hx", leaf("5"))));
    EXPECT_FALSE(term_is_numb(leaf("0")));
    EXPECT_FALSE(term_is_numb(cell("K", leaf("00"))));
    NumbBits x;
    EXPECT_FALSE(numb_try_to_bits(cell("H", app(app(leaf("J"), leaf("Q")), leaf("K"))), &x));
    ASSERT_TRUE(numb_try_to_bits(cell("H", cell("K", leaf("K"))), &x));
    EXPECT_EQ(bits_of(x), "\x03");
}

TEST(Numb, EveryAdditionWritesItsTraceLine) {
    TraceFolder trace;
    numb_bits_add(rs("\x03"), rs("\x02"));              // +1 + -1
    numb_subtract(leaf("0017"), leaf("0017"));          // b already negated
    numb_multiply(leaf("0017"), leaf("0017"));          // writes nothing
    EXPECT_EQ(trace.text(), "jjaa10\njjaa10\n");
}

TEST(NumbDeath, BrokenPreconditions) {
    EXPECT_DEATH(numb_bits_to_leaf(rs(std::string(2, '\0'))), "ASSERTION FAILED:numb:");
    EXPECT_DEATH(numb_bits_mag_add(rs("\x02"), rs("\x03")), "ASSERTION FAILED:numb:");
    EXPECT_DEATH(numb_bits_mag_subtract(rs("\x03"), rs("\x09")), "ASSERTION FAILED:numb:");
    EXPECT_DEATH(numb_bits_top_exponent(rs("\x01")), "ASSERTION FAILED:numb:");
    EXPECT_DEATH(numb_bits_remainder(rs("\x03"), rs("\x01")), "ASSERTION FAILED:numb:");
    EXPECT_DEATH(numb_to_bits(leaf("5")), "ASSERTION FAILED:numb:");
}
