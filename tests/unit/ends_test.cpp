// Ends and sizes: leaf, left and rght on data texts and their pair views,
// buck and wave per kind, rank per kind, and the data-text readers on
// unbalanced leaves.
#include <gtest/gtest.h>

#include <cstring>

#include "access.h"
#include "ends.h"
#include "identity.h"
#include "print.h"
#include "views.h"
#include "views_fixture.h"
#include "zits.h"

using namespace view_test;

namespace {

using Ends = HostTest;

// The pair view V (X J) t.
NodeRef pair_view(NodeRef t) {
    return node_app2(leaf("V"), node_app(leaf("X"), leaf("J")), std::move(t));
}

// The byte a bracket-name leaf spells, or -1.
int named_byte(const NodeRef& t) {
    std::string s = text(t);
    return zits_named_byte(reinterpret_cast<const u8*>(s.data()), i64(s.size()));
}

TEST_F(Ends, SequenceTestsOnDataTexts) {
    struct Case {
        NodeRef a;
        const char* leaf;
        const char* left;
        const char* rght;  // "" when checked apart
    } cases[] = {
        {leaf("[]"), "K", "Z", "Z"},
        {leaf("[a]"), "H", "[]", ""},
        {leaf("[ab]"), "H", "[a]", ""},
        {leaf("[a[bc]]"), "H", "[a]", "[bc]"},
        {leaf("[[]]"), "H", "[]", "[]"},
        {post("ab"), "Z", "Z", "Z"},
        {num(5), "Z", "Z", "Z"},
        {cray(), "Z", "Z", "Z"},
        {leaf("K"), "Z", "Z", "Z"},
        {real(1.0), "Z", "Z", "Z"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(answer(builtin_leaf, {c.a}), c.leaf) << text(c.a);
        EXPECT_EQ(answer(builtin_left, {c.a}), c.left) << text(c.a);
        if (*c.rght) {
            EXPECT_EQ(answer(builtin_rght, {c.a}), c.rght) << text(c.a);
        }
    }
    EXPECT_EQ(named_byte(call(builtin_rght, {leaf("[ab]")})), 'b');  // a byte comes as its name
    EXPECT_EQ(named_byte(call(builtin_rght, {leaf("[a]")})), 'a');
    NodeRef pair = zits_pair("[a]", "[b]");
    EXPECT_EQ(answer(builtin_leaf, {pair}), "H");
    EXPECT_EQ(call(builtin_left, {pair}).node, pair_left(pair.node));
    EXPECT_EQ(call(builtin_rght, {pair}).node, pair_right(pair.node));
}

TEST_F(Ends, SequenceTestsOnPairViews) {
    NodeRef p = leaf("p"), q = leaf("q");
    NodeRef full = pair_view(node_app2(leaf("J"), p, q));
    EXPECT_EQ(answer(builtin_leaf, {full}), "H");
    NodeRef left = call(builtin_left, {full});
    NodeRef right = call(builtin_rght, {full});
    EXPECT_EQ(string_to_std(term_to_text(left)), string_to_std(term_to_text(pair_view(leaf("p")))));
    EXPECT_EQ(pair_right(left.node), p.node);  // around the existing p and q
    EXPECT_EQ(pair_right(right.node), q.node);
    EXPECT_NE(pair_left(left.node), pair_left(full.node));  // fresh V, X and J
    NodeRef empty = pair_view(leaf("K"));
    EXPECT_EQ(answer(builtin_leaf, {empty}), "K");
    EXPECT_EQ(answer(builtin_left, {empty}), "Z");
    EXPECT_EQ(answer(builtin_rght, {empty}), "Z");
    // A cell not headed by J: not empty, yet neither end can be taken.
    NodeRef odd = pair_view(node_app2(leaf("Q"), p, q));
    EXPECT_EQ(answer(builtin_leaf, {odd}), "H");
    EXPECT_EQ(answer(builtin_left, {odd}), "Z");
    EXPECT_EQ(answer(builtin_rght, {odd}), "Z");
    // Shapes that are not a pair view, by the first test each one fails.
    NodeRef t = node_app2(leaf("J"), p, q);
    NodeRef shapes[] = {
        node_app(leaf("V"), t),                                                     // left child a leaf
        node_app2(leaf("W"), node_app(leaf("X"), leaf("J")), t),                    // not V
        node_app2(leaf("V"), leaf("X"), t),                                         // (X J) a leaf
        node_app2(leaf("V"), node_app(leaf("Y"), leaf("J")), t),                    // not X
        node_app2(leaf("V"), node_app(leaf("X"), leaf("K")), t),                    // not J
        node_app2(leaf("V"), node_app(leaf("X"), node_app(leaf("J"), leaf("J"))), t),  // J a pair
        node_app2(node_app(leaf("V"), leaf("V")), node_app(leaf("X"), leaf("J")), t),  // V a pair
    };
    for (const NodeRef& s : shapes) {
        EXPECT_EQ(answer(builtin_leaf, {s}), "Z") << string_to_std(term_to_text(s));
        EXPECT_EQ(answer(builtin_left, {s}), "Z");
        EXPECT_EQ(answer(builtin_rght, {s}), "Z");
    }
    EXPECT_EQ(answer(builtin_left, {pair_view(leaf("t"))}), "Z");           // t a leaf
    EXPECT_EQ(answer(builtin_left, {pair_view(node_app(leaf("J"), p))}), "Z");  // t's left a leaf
}

TEST_F(Ends, BuckAndWaveOfTexts) {
    struct Case {
        NodeRef a;
        std::string buck;
        std::string wave;
    } cases[] = {
        {post(""), "Z", "Z"},
        {post("a"), "[a]", post_text("")},
        {post("abc"), "[a]", post_text("bc")},
        {post("\n"), "[[p]]", post_text("")},
        {post("[x"), "[[q]]", post_text("x")},
        {post("]"), "[[r]]", post_text("")},
        {post(std::string(1, '\0')), std::string("[\0]", 3), post_text("")},
        {leaf("[]"), "Z", "Z"},
        {leaf("[abc]"), "[ab]", ""},
        {leaf("[a[bc]]"), "[a]", "[bc]"},
        {cray(), "Z", "Z"},
        {leaf("Z"), "Z", "Z"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(answer(builtin_buck, {c.a}), c.buck) << text(c.a);
        if (!c.wave.empty()) {
            EXPECT_EQ(answer(builtin_wave, {c.a}), c.wave) << text(c.a);
        }
    }
    EXPECT_EQ(named_byte(call(builtin_wave, {leaf("[abc]")})), 'c');
    NodeRef pair = zits_pair("[a]", "[b]");
    EXPECT_EQ(call(builtin_buck, {pair}).node, pair_left(pair.node));
    EXPECT_EQ(call(builtin_wave, {pair}).node, pair_right(pair.node));
}

TEST_F(Ends, BuckAndWaveOfNumbers) {
    struct Case {
        NodeRef a;
        const char* buck;
        const char* wave;
    } cases[] = {
        {num(0), "K", "0"},
        {num(5), "K", "05"},
        {num(-5), "H", "5"},
        {list_int(leaf("K")), "K", "0"},  // the list form of 0
        {list_int(node_app2(leaf("J"), leaf("Q"), leaf("K"))), "Z", "Z"},
        {leaf("00"), "K", "00"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(answer(builtin_buck, {c.a}), c.buck) << text(c.a);
        EXPECT_EQ(answer(builtin_wave, {c.a}), c.wave) << text(c.a);
    }
    NodeRef zero = num(0);
    EXPECT_EQ(call(builtin_wave, {zero}).node, zero.node);  // the one answer that is not new
    // A numb changes sign and comes back.
    NodeRef negated = call(builtin_wave, {leaf("0017")});
    EXPECT_EQ(text(call(builtin_buck, {leaf("0017")})), "K");
    EXPECT_EQ(text(call(builtin_buck, {negated})), "H");
    EXPECT_EQ(text(call(builtin_wave, {negated})), "0017");
    // Reals: the sign bit, flipped with everything else kept.
    EXPECT_EQ(answer(builtin_buck, {real(0.0)}), "K");
    EXPECT_EQ(answer(builtin_buck, {real(-0.0)}), "H");
    EXPECT_EQ(answer(builtin_buck, {real(-2.5)}), "H");
    EXPECT_EQ(answer(builtin_buck, {real_of_pattern(0xFFF8000000000000u)}), "H");  // a NaN with its sign set
    EXPECT_EQ(real_pattern(call(builtin_wave, {real(-0.0)})), 0u);
    EXPECT_EQ(real_leaf_value(call(builtin_wave, {real(2.5)})), -2.5);
    EXPECT_EQ(real_pattern(call(builtin_wave, {real_of_pattern(0x7FF0000000000123u)})), 0xFFF0000000000123u);
}

TEST_F(Ends, RankPerKind) {
    NodeRef name_b = call(builtin_rght, {leaf("[ab]")});
    struct Case {
        NodeRef a;
        const char* rank;
    } cases[] = {
        {post(""), "0"},
        {post("abc"), "3"},
        {post(std::string(70, 'x')), "70"},  // two length digits
        {leaf("[]"), "0"},
        {leaf("[a[b]c]"), "5"},
        {zits_pair("[a]", "[b]"), "4"},
        {node_make_app(leaf("[x]"), name_b), "2"},  // "xb": the name counts one byte
        {node_make_app(zits_pair("[x]", "[y]"), name_b), "5"},
        {cray(), "0"},
        {cray_of({leaf("a"), NodeRef(nullptr), leaf("c")}), "3"},
        {real(1.0), "8"},
        {num(123), "3"},
        {num(-12), "3"},
        {num(0), "1"},
        {leaf("00"), "2"},
        {list_int(leaf("K")), "1"},
        {list_int(node_app2(leaf("J"), leaf("Q"), leaf("K"))), "Z"},
        {leaf("Z"), "Z"},
        {leaf("K"), "Z"},
    };
    for (const Case& c : cases) EXPECT_EQ(answer(builtin_rank, {c.a}), c.rank) << text(c.a);
}

TEST_F(Ends, LongDataChainsStayOffTheStack) {
    const i64 n = 200000;
    NodeRef chain = leaf("[]");
    for (i64 k = 0; k < n; ++k) chain = node_make_app(std::move(chain), leaf("[x]"));
    EXPECT_EQ(answer(builtin_rank, {chain}), text(num(3 * n)));  // each link adds "[x]"
    EXPECT_EQ(answer(builtin_look, {chain, num(-2)}), "120");
    NodeRef right = leaf("[]");
    for (i64 k = 0; k < n; ++k) right = node_make_app(leaf("[y]"), std::move(right));
    EXPECT_EQ(answer(builtin_rank, {right}), text(num(3 * n)));  // y[y[...[]...]]: "y", "[" and "]" a link
}

TEST_F(Ends, UnbalancedDataLeavesAreReadWithinTheirText) {
    // A red write can leave such leaves; every data-text reader answers
    // without asserting and within the leaf's recorded length.
    u8 area[8] = {};
    for (const char* t : {"[[bc]", "[bc]]", "[]]", "[[]", "[]x", "[a]]]"}) {
        NodeRef z = leaf(t);
        for (BuiltinFn fn : {builtin_leaf, builtin_left, builtin_rght, builtin_buck, builtin_wave, builtin_rank})
            call(fn, {z});
        EXPECT_EQ(answer(builtin_rank, {z}), text(num(i64(std::strlen(t)) - 2))) << t;
        call(builtin_look, {z, num(0)});
        call(builtin_trim, {z, num(0), num(1)});
        call(builtin_cork, {z, num(0), num('q')});
        call(builtin_rech, {z, num(0)});
        call(builtin_recl, {z, num(0), num('q')});
        EXPECT_EQ(answer(builtin_copy, {z, addr(area)}), "I") << t;
        EXPECT_EQ(answer(builtin_look, {z, num(i64(std::strlen(t)) - 2)}), "Z") << t;
    }
    EXPECT_EQ(answer(builtin_rght, {leaf("[bc]]")}), "Z");  // a group without its opener
    EXPECT_EQ(answer(builtin_left, {leaf("[bc]]")}), "Z");
    EXPECT_EQ(answer(builtin_left, {leaf("[[bc]")}), "[[b]");
}

}  // namespace
