// Data heads applied to an argument.
#include "heads.h"

#include <gtest/gtest.h>

#include "bits.h"
#include "eval_fixture.h"
#include "machine.h"
#include "post.h"
#include "real.h"
#include "realtree.h"
#include "term_sexpr.h"
#include "zits.h"

namespace {

EVAL_SUITE(DataHeads);
EVAL_SUITE(NumberHead);
EVAL_SUITE(PostHead);
EVAL_SUITE(RealHead);
EVAL_SUITE(VectorHead);
EVAL_SUITE(ZitsHead);

NodeRef leaf(const char* text) {
    return noderef_from_cstr(text);
}

// A vector of three slots holding 5, nothing and 6.
NodeRef vector_5_empty_6() {
    NodeRef v = noderef_wrap(leaf_new_vector(3));
    NodeRef five = leaf("5"), six = leaf("6");
    node_retain(five.node);
    node_retain(six.node);
    leaf_vector_set_slot(v.node, 0, five.node);
    leaf_vector_set_slot(v.node, 2, six.node);
    return v;
}

std::string apply_vector(const NodeRef& v, NodeRef a) {
    return sexpr_print(head_vector_apply(v, std::move(a)));
}

TEST_F(VectorHead, IndexAnswersOccupancy) {
    NodeRef v = vector_5_empty_6();
    struct Case {
        NodeRef index;
        const char* answer;
    } cases[] = {
        {leaf("0"), "K"},  {leaf("1"), "H"},  {leaf("01"), "K"},   // -1 is slot 2
        {leaf("02"), "H"}, {leaf("3"), "Z"},  {leaf("04"), "Z"},   // 3 and -4 are outside
        {leaf("K"), "K"},                                          // K is the integer 0
        {real_make_leaf(1.0), "Z"}, {leaf("[a]"), "Z"}, {leaf("001"), "Z"},
        {leaf("18446744073709551616"), "K"},  // 2^64 wraps to 0
        {sexpr("((J K) ((J I) K))"), "Z"},            // a list that cannot be read
    };
    for (Case& c : cases) EXPECT_EQ(apply_vector(v, std::move(c.index)), c.answer);
}

TEST_F(VectorHead, ZGivesTheElementList) {
    EXPECT_EQ(apply_vector(vector_5_empty_6(), leaf("Z")), "((J 5) ((J Z) ((J 6) K)))");
    EXPECT_EQ(apply_vector(noderef_wrap(leaf_new_vector(0)), leaf("Zq")), "K");
}

TEST_F(VectorHead, EmptyVectorAllocates) {
    NodeRef empty = noderef_wrap(leaf_new_vector(0));
    struct Case {
        NodeRef count;
        i64 slots;  // -1: the answer is Z
    } cases[] = {
        {leaf("0"), 0},
        {leaf("5"), 5},
        {leaf("K"), 0},
        {number_bits_to_list(number_bits_from_text(string_from_cstr("2"))), 2},
        {leaf("67108864"), -1},
        {leaf("18446744073709551621"), -1},  // 2^64 + 5 must not pass for 5
        {leaf("05"), -1},
        {leaf("001"), -1},
        {sexpr("((J H) K)"), -1},
        {real_make_leaf(2.0), -1},
    };
    for (Case& c : cases) {
        std::string shown = sexpr_print(c.count);
        NodeRef r = head_vector_apply(empty, std::move(c.count));
        if (c.slots < 0) {
            EXPECT_EQ(sexpr_print(r), "Z") << shown;
            continue;
        }
        ASSERT_EQ(node_first_byte(r), '\n') << shown;
        EXPECT_NE(r.node, empty.node) << shown;
        ASSERT_EQ(i64(node_aux(r.node)), c.slots) << shown;
        for (i64 i = 0; i < c.slots; ++i) EXPECT_EQ(leaf_vector_slot(r.node, u64(i)), nullptr);
    }
}

TEST_F(NumberHead, AnswersAsItsListCell) {
    EXPECT_EQ(sexpr_print(head_number_apply(leaf("0"))), "((V K) K)");
    EXPECT_EQ(sexpr_print(head_number_apply(leaf("00"))), "((V H) K)");
    // 5 is the sequence 1 1 1 0 (N = 23): first bit 1, then the number of 1 1 0.
    NodeRef r = head_number_apply(leaf("5"));
    EXPECT_EQ(sexpr_print(node_left(r)), "(V K)");
    EXPECT_EQ(sexpr_print(node_right(r)), sexpr_print(number_leaf_tail(string_from_cstr("5"))));
}

TEST_F(ZitsHead, HandsItsStructureOver) {
    EXPECT_EQ(sexpr_print(head_zits_apply(leaf("[]"), leaf("g"))), "((g (X J)) K)");
    EXPECT_EQ(sexpr_print(head_zits_apply(leaf("[]"), leaf("G"))), "((G (X J)) K)");
    NodeRef ab = leaf("[ab]");
    std::string pair = "((V " + sexpr_print(zits_left(ab)) + ") " + sexpr_print(zits_right(ab)) + ")";
    EXPECT_EQ(sexpr_print(head_zits_apply(ab, leaf("G"))), pair);
    EXPECT_EQ(sexpr_print(head_zits_apply(ab, leaf("g"))),
              "((g (X J)) " + sexpr_print(zits_to_cons_list(ab)) + ")");
}

TEST_F(PostHead, SplitsIntoHalvesOrBits) {
    EXPECT_EQ(sexpr_print(head_post_apply(post_make(string_from_cstr("")))), "Z");
    EXPECT_EQ(sexpr_print(head_post_apply(post_make(string_from_bytes("\x01", 1)))),
              "((V ((J ((J I) H)) ((J H) H))) ((J ((J H) H)) ((J H) H)))");
    NodeRef r = head_post_apply(post_make(string_from_cstr("abc")));
    EXPECT_EQ(sexpr_print(node_left(node_left(r))), "V");
    EXPECT_EQ(string_to_std(post_payload(node_right(node_left(r)))), "ab");
    EXPECT_EQ(string_to_std(post_payload(node_right(r))), "bc");  // the last two bytes
}

TEST_F(RealHead, GivesItsBitTreeToTheArgument) {
    NodeRef r = head_real_apply(real_make_leaf(-2.5), leaf("g"));
    EXPECT_TRUE(term_is_real_bit_tree(node_left(r)));
    EXPECT_EQ(sexpr_print(node_right(r)), "g");
}

TEST_F(DataHeads, ReachedThroughContraction) {
    struct Case {
        NodeRef term;
        const char* value;
    } cases[] = {
        {node_make_app(vector_5_empty_6(), leaf("01")), "K"},
        {sexpr("(00 5)"), "((V H) K)"},
        {sexpr("(([] K) 7)"), "((X J) 7)"},  // ((K (X J)) K) is (X J)
        {node_make_app(post_make(string_from_cstr("")), leaf("1")), "Z"},
    };
    for (Case& c : cases) {
        std::string shown = sexpr_print(c.term);
        EXPECT_EQ(sexpr_print(machine_evaluate(std::move(c.term))), c.value) << shown;
    }
}

}  // namespace
