// Value comparison: the same-node rule, kinds ordered by letter, each kind's
// own order (IEEE reals, integers by value, numbs, payload bytes, flattened
// data texts), arrays element by element against a literal reading of the
// array comparisons, and long or deeply nested values.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <functional>
#include <random>
#include <string>

#include "compare.h"
#include "cray.h"
#include "post.h"
#include "tables.h"

namespace {

NodeRef L(const std::string& text) { return noderef_from_string(string_from_std(text)); }
NodeRef A(NodeRef f, NodeRef x) { return node_make_app(std::move(f), std::move(x)); }
NodeRef P(const std::string& payload) { return post_make(string_from_std(payload)); }
NodeRef R(double d) {
    char text[9] = {' '};
    std::memcpy(text + 1, &d, 8);
    return noderef_wrap(leaf_new_from_bytes(text, 9));
}
// An array of the given elements (null for an empty slot), built in place.
NodeRef cray_of(std::initializer_list<Node*> elements) {
    Node* c = leaf_new_vector(elements.size());
    u64 i = 0;
    for (Node* e : elements) {
        if (e) node_retain(e);
        leaf_vector_set_slot(c, i++, e);
    }
    return noderef_wrap(c);
}
std::string answer(NodeRef t) { return string_to_std(node_text(t)); }

// The four answers as one text: diff, same, less, gteq.
std::string all4(const NodeRef& a, const NodeRef& b) {
    return answer(value_diff(a, b)) + answer(value_same(a, b)) + answer(value_less(a, b)) + answer(value_gteq(a, b));
}

#ifdef VORN_SANITIZED
constexpr i64 BIG = 1000000;
#else
constexpr i64 BIG = 10000000;
#endif

class Compare : public ::testing::Test {
protected:
    void SetUp() override {
        map_defs_free_nodes(definitions_instance());
        for (const char* name : {"H", "I", "J", "K", "V", "Z"})
            map_defs_get_or_insert(definitions_instance(), string_from_cstr(name)) = L("Z");
    }
    void TearDown() override { map_defs_free_nodes(definitions_instance()); }
};

TEST_F(Compare, SameNodeAndVoid) {
    NodeRef g = L("g");
    EXPECT_EQ(all4(g, g), "HKZZ");
    EXPECT_EQ(all4(g, L("g")), "ZZZZ");
    EXPECT_EQ(all4(L("5"), L("g")), "ZZZZ");
    EXPECT_EQ(all4(A(L("g"), L("x")), L("5")), "ZZZZ");
    NodeRef five = L("5");
    EXPECT_EQ(all4(five, five), "HKHK");
    NodeRef nan = R(std::nan(""));
    EXPECT_EQ(all4(nan, nan), "HKHH");  // same node: equal; but not greater or equal
    NodeRef holey = cray_of({nullptr});
    EXPECT_EQ(all4(holey, holey), "HKZZ");
    // Answers are new leaves, and the arguments are released.
    NodeRef k = value_same(five, five);
    EXPECT_EQ(node_refcount(k.node), 1u);
    EXPECT_EQ(node_refcount(five.node), 1u);
}

TEST_F(Compare, KindsOrderByLetter) {
    NodeRef values[] = {P("z"), R(-1e300), L("5"), cray_of({}), L("00"), L("[]")};  // a e i k o u
    for (size_t i = 0; i < std::size(values); ++i)
        for (size_t j = 0; j < std::size(values); ++j) {
            if (i == j) continue;
            std::string expected = std::string("KH") + (i < j ? "KH" : "HK");
            EXPECT_EQ(all4(values[i], values[j]), expected) << i << " " << j;
        }
    EXPECT_EQ(all4(L("5"), L("00")), "KHKH");     // integer 5 before numb 0
    EXPECT_EQ(all4(L("5"), R(100.0)), "KHHK");    // after real 100.0
    EXPECT_EQ(all4(L("2"), R(2.0)), "KHHK");
    EXPECT_EQ(all4(L("1"), L("001")), "KHKH");    // integer 1 and numb 1 differ
}

TEST_F(Compare, WithinKinds) {
    struct Case {
        NodeRef a, b;
        const char* answers;  // diff same less gteq
    } cases[] = {
        {R(1.5), R(1.5), "HKHK"},
        {R(0.0), R(-0.0), "HKHK"},
        {R(1.0), R(2.0), "KHKH"},
        {R(std::nan("")), R(std::nan("")), "KHHH"},
        {R(std::nan("")), R(1.0), "KHHH"},
        {R(-1.0 / 0.0), R(-1e308), "KHKH"},
        {L("2"), L("2"), "HKHK"},
        {L("02"), L("1"), "KHKH"},
        {L("1"), L("02"), "KHHK"},
        {L("02"), L("03"), "KHHK"},
        {L("03"), L("02"), "KHKH"},
        {L("123456789012345678901234567890"), L("123456789012345678901234567891"), "KHKH"},
        {L("0"), node_app2(L("J"), L("K"), L("K")), "HKHK"},  // the list form of zero
        {node_app2(L("J"), L("K"), A(L("K"), L("K"))), L("1"), "ZZZZ"},  // a list form that cannot be read
        {L("0017"), L("0017"), "HKHK"},
        {L("0016"), L("0064"), "KHKH"},
        {L("002"), L("004"), "KHKH"},
        {L("000"), L("00"), "KHKH"},  // -1 < 0
        {L("00"), L("000"), "KHHK"},
        {node_app2(L("J"), L("H"), A(L("K"), L("K"))), L("00"), "ZZZZ"},
        {P(""), P(""), "HKHK"},
        {P(""), P("a"), "KHKH"},
        {P("\x80"), P("\x7F"), "KHHK"},
        {P("ab"), P("b"), "KHKH"},
        {P(std::string("a\0", 2)), P("a"), "KHHK"},
        {L("[a[bc]]"), A(L("[a]"), L("[bc]")), "HKHK"},
        {L("[a]"), L("[b]"), "KHKH"},
        {L("[a]"), L("[ab]"), "KHKH"},
        {L("[\x80]"), L("[\x7F]"), "KHHK"},
        {L("[]"), A(L("[]"), L("[]")), "KHKH"},
    };
    for (Case& c : cases) EXPECT_EQ(all4(c.a, c.b), c.answers) << answer(noderef_copy(c.a));
}

TEST_F(Compare, ArraysElementByElement) {
    NodeRef one = L("1"), two = L("2"), three = L("3"), zero = L("0"), f = L("f"), g = L("g");
    NodeRef a12 = cray_of({one.node, two.node});
    NodeRef a120 = cray_of({one.node, two.node, zero.node});
    NodeRef a13 = cray_of({one.node, three.node});
    EXPECT_EQ(all4(a12, a120), "KHKH");
    EXPECT_EQ(all4(a12, a13), "KHKH");
    EXPECT_EQ(all4(a13, a120), "KHHK");
    EXPECT_EQ(all4(a12, cray_of({L("1").node, L("2").node})), "HKHK");
    EXPECT_EQ(all4(cray_of({f.node}), cray_of({f.node})), "HKHK");  // the same function node
    EXPECT_EQ(all4(cray_of({f.node}), cray_of({g.node})), "ZZZZ");
    EXPECT_EQ(all4(cray_of({one.node, f.node}), cray_of({two.node, g.node})), "KHKH");  // decided first
    EXPECT_EQ(all4(cray_of({f.node}), cray_of({g.node, one.node})), "KHZZ");  // lengths decide diff
    EXPECT_EQ(all4(cray_of({nullptr}), cray_of({nullptr})), "ZZZZ");
    EXPECT_EQ(all4(cray_of({one.node, f.node}), cray_of({one.node})), "KHHK");
    EXPECT_EQ(all4(cray_of({}), cray_of({})), "HKHK");
    NodeRef a2 = cray_of({two.node});
    NodeRef a1f = cray_of({one.node, f.node});
    EXPECT_EQ(all4(cray_of({a2.node}), cray_of({a1f.node})), "KHHK");
    EXPECT_EQ(answer(cray_same(a12, a12)), "K");
    EXPECT_EQ(answer(cray_less(a12, a13)), "K");
    EXPECT_EQ(answer(cray_gteq(a12, a13)), "H");
    EXPECT_EQ(answer(cray_diff(a12, a120)), "K");
    EXPECT_DEATH(cray_same(a12, L("5")), "ASSERTION FAILED:cray:[0-9]+\n");
}

// The array comparisons read literally, recursively, with their call order;
// elements are small integer leaves, one function leaf, empty slots (null)
// and nested arrays.
enum Ask { SAME, LESS, GTEQ };
char reference(Ask ask, const Node* a, const Node* b, bool top = true);

char reference_cray(Ask ask, const Node* a, const Node* b) {
    u64 na = node_aux(a), nb = node_aux(b), n = std::min(na, nb);
    if (ask == SAME && na != nb) return 'H';
    for (u64 i = 0; i < n; ++i) {
        const Node* ea = leaf_vector_slot(a, i);
        const Node* eb = leaf_vector_slot(b, i);
        if (ea && ea == eb) continue;
        if (ask == SAME) {
            char r = reference(SAME, ea, eb, false);
            if (r != 'K') return r;
        } else if (ask == LESS) {
            char r = reference(LESS, ea, eb, false);
            if (r != 'H') return r;
            if (reference(SAME, ea, eb, false) == 'H') return 'H';
        } else {
            char s = reference(SAME, ea, eb, false);
            if (s == 'Z') return 'Z';
            if (s != 'K') return reference(GTEQ, ea, eb, false);
        }
    }
    if (ask == SAME) return 'K';
    if (ask == LESS) return na < nb ? 'K' : 'H';
    return na >= nb ? 'K' : 'H';
}

char reference(Ask ask, const Node* a, const Node* b, bool top) {
    if (top && ask == SAME && a == b) return 'K';
    auto kind = [](const Node* n) {
        if (!n || leaf_bytes(n)[0] == 'f') return 'w';
        return leaf_bytes(n)[0] == '\n' ? 'k' : 'i';
    };
    char ka = kind(a), kb = kind(b);
    if (ka == 'w' || kb == 'w') return 'Z';
    if (ka != kb) return ask == SAME ? 'H' : ((ask == LESS ? ka < kb : ka > kb) ? 'K' : 'H');
    if (ka == 'k') return reference_cray(ask, a, b);
    int x = leaf_bytes(a)[0] - '0', y = leaf_bytes(b)[0] - '0';
    return (ask == SAME ? x == y : (ask == LESS ? x < y : x >= y)) ? 'K' : 'H';
}

TEST_F(Compare, ArraysAgreeWithTheCallOrder) {
    std::mt19937 random(4242);
    std::vector<NodeRef> keep;  // shared elements
    NodeRef f = L("f"), one = L("1");
    std::function<NodeRef(int)> make = [&](int depth) -> NodeRef {
        size_t n = random() % 4;
        Node* c = leaf_new_vector(n);
        for (size_t i = 0; i < n; ++i) {
            NodeRef e(nullptr);
            switch (random() % 7) {
                case 0: e = f; break;
                case 1: e = one; break;
                case 2: break;  // empty slot
                case 3: case 4: if (depth > 0) { e = make(depth - 1); break; } [[fallthrough]];
                default: e = L(std::string(1, char('0' + random() % 3)));
            }
            if (e.node) node_retain(e.node);
            leaf_vector_set_slot(c, i, e.node);
        }
        return noderef_wrap(c);
    };
    // b is a with some slots replaced, so that long equal prefixes occur.
    std::function<NodeRef(const Node*, int)> vary = [&](const Node* a, int depth) -> NodeRef {
        if (random() % 8 == 0) return make(depth);
        u64 n = node_aux(a);
        Node* c = leaf_new_vector(n);
        for (u64 i = 0; i < n; ++i) {
            Node* e = leaf_vector_slot(a, i);
            NodeRef copy(nullptr);
            if (e && leaf_bytes(e)[0] == '\n' && random() % 2) copy = vary(e, depth - 1);
            else if (e && random() % 5 == 0) copy = L(std::string(1, char('0' + random() % 3)));
            else if (e) copy = noderef_wrap(e);
            if (copy.node) node_retain(copy.node);
            leaf_vector_set_slot(c, i, copy.node);
        }
        return noderef_wrap(c);
    };
    for (int round = 0; round < 5000; ++round) {
        NodeRef a = make(3);
        NodeRef b = vary(a.node, 3);
        std::string expected;
        expected += reference(SAME, a.node, b.node) == 'K' ? 'H' : (reference(SAME, a.node, b.node) == 'H' ? 'K' : 'Z');
        expected += reference(SAME, a.node, b.node);
        expected += reference(LESS, a.node, b.node);
        expected += reference(GTEQ, a.node, b.node);
        ASSERT_EQ(all4(a, b), expected) << round;
    }
}

double seconds_since(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

TEST_F(Compare, LongValues) {
    const i64 n = BIG / 10;
    auto wide = [&](const char* last) {
        Node* c = leaf_new_vector(u64(n));
        for (i64 i = 0; i < n; ++i) {
            // A new node in every slot: nothing is skipped as the same node.
            Node* e = leaf_new_from_cstr(i == n - 1 ? last : "7");
            node_retain(e);
            leaf_vector_set_slot(c, u64(i), e);
        }
        return noderef_wrap(c);
    };
    NodeRef a = wide("1"), b = wide("1"), c = wide("2");
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(answer(value_same(a, b)), "K");
    RecordProperty("array_compare_seconds", std::to_string(seconds_since(start)));
    EXPECT_EQ(answer(value_less(a, c)), "K");
    EXPECT_EQ(answer(value_gteq(a, c)), "H");
    // Data texts: a pair of n appended elements against its flat leaf.
    NodeRef e = L("[]");
    NodeRef z = L("[]");
    for (i64 i = 0; i < n; ++i) z = A(std::move(z), e);
    std::string flat = "[";
    for (i64 i = 0; i < n; ++i) flat += "[]";
    EXPECT_EQ(answer(value_same(z, L(flat + "]"))), "K");
    EXPECT_EQ(answer(value_less(z, L(flat + "x]"))), "K");
}

TEST_F(Compare, DeeplyNestedArrays) {
    const i64 depth = BIG / 10;
    auto nested = [&](const char* bottom) {
        NodeRef c = cray_of({L(bottom).node});
        for (i64 i = 0; i < depth; ++i) c = cray_of({c.node});
        return c;
    };
    NodeRef a = nested("1"), b = nested("1"), c = nested("2"), f = nested("f");
    EXPECT_EQ(answer(value_same(a, b)), "K");
    EXPECT_EQ(answer(value_less(a, c)), "K");
    EXPECT_EQ(answer(value_gteq(a, c)), "H");
    EXPECT_EQ(answer(value_diff(a, f)), "Z");
}

}  // namespace
