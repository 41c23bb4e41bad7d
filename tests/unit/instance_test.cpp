// Instantiation of a body with several arguments at once, against one
// term_substitute per letter.
#include <set>
#include <string>

#include <gtest/gtest.h>

#include "eval_fixture.h"
#include "globals.h"
#include "subst.h"
#include "tag.h"
#include "term_sexpr.h"

namespace {

EVAL_SUITE(Instance);

void collect_nodes(const Node* n, std::set<const Node*>& nodes) {
    nodes.insert(n);
    if (!node_is_leaf(n)) {
        collect_nodes(pair_left(n), nodes);
        collect_nodes(pair_right(n), nodes);
    }
}

// Same shape, and wherever one term holds a node of the inputs the other
// holds that very node; everywhere else both hold new pairs with the same
// header word (count and tag).
void expect_same_sharing(const Node* a, const Node* b, const std::set<const Node*>& inputs) {
    if (inputs.count(a)) {
        EXPECT_EQ(a, b);
        return;
    }
    ASSERT_EQ(inputs.count(b), 0u);
    ASSERT_FALSE(node_is_leaf(a));
    ASSERT_FALSE(node_is_leaf(b));
    EXPECT_EQ(a->header, b->header);
    expect_same_sharing(pair_left(a), pair_left(b), inputs);
    expect_same_sharing(pair_right(a), pair_right(b), inputs);
}

TEST_F(Instance, MatchesOneSubstitutionPerLetter) {
    struct Case {
        const char* body;
        const char* letters;
    } cases[] = {
        {"((plus x) ((K y) x))", "xy"},
        {"((plus x) ((\\ x) ((plus x) y)))", "xy"},          // a lambda hides its letter
        {"((({ x) ((plus x) y)) ((plus x) y))", "xy"},       // a brace binder in its body only
        {"((K x) y)", "xx"},                                  // the later binder counts
        {"((plus 1) 2)", "xy"},                               // nothing to replace
        {"x", "yx"},
        {"((((U x) y) z) ((plus z) x))", "xyz"},
        {"((x y) ((\\ z) (z x)))", "xy"},                      // a letter in head position
        {"((J ((K x) y)) ((J y) K))", "xy"},
    };
    for (const Case& c : cases) {
        NodeRef body = sexpr(c.body);
        int k = int(std::string(c.letters).size());
        std::vector<NodeRef> args;
        std::vector<Node*> raw;
        std::set<const Node*> inputs;
        collect_nodes(body.node, inputs);
        for (int i = 0; i < k; ++i) {
            args.push_back(sexpr("((plus " + std::to_string(i) + ") 1)"));
            raw.push_back(args.back().node);
            collect_nodes(args.back().node, inputs);
        }
        NodeRef expected = body;
        for (int i = k - 1; i >= 0; --i) expected = term_substitute(expected, args[i], u8(c.letters[i]));
        InstanceScratch scratch;
        NodeRef got = instantiate(body, reinterpret_cast<const u8*>(c.letters), raw.data(), k, scratch);
        EXPECT_EQ(sexpr_print(got), sexpr_print(expected)) << c.body;
        node_compute_tag(expected.node);
        expect_same_sharing(expected.node, got.node, inputs);
    }
}

}  // namespace
