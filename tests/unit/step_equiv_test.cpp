// Step equivalence: a whole run (frames on a native stack, plans, caches,
// shortcuts past steps no program can see) against the same program taken
// one machine_step at a time (frames as terms, every step taken, nothing
// kept between steps). At every call of the probe builtin both must show the
// same application, reference counts and header word, in the same order,
// and end with the same value.
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "eval_fixture.h"
#include "machine.h"
#include "tag.h"

namespace {

struct Outcome {
    std::string value;
    std::vector<std::string> log;
};

// The main expression of the loaded program evaluated by one run.
Outcome by_run() {
    eval_seen_log().clear();
    Outcome out;
    out.value = eval_print(eval_main());
    out.log = eval_seen_log();
    return out;
}

// The same, one step at a time on the state term.
Outcome by_steps() {
    eval_seen_log().clear();
    NodeRef state = node_make_app(noderef_from_cstr("I"), eval_def(""));
    for (;;) {
        const Node* cont = pair_left(state.node);
        if (node_is_leaf(cont) && leaf_bytes(cont)[0] == 'I' && node_is_value(pair_right(state.node))) break;
        state = machine_step(std::move(state));
    }
    Outcome out;
    out.value = eval_print(node_right(state));
    out.log = eval_seen_log();
    return out;
}

class StepEquivalence : public EvalTest {
protected:
    void expect_same(const std::string& program) {
        eval_load(program);
        Outcome run = by_run();
        eval_load(program);  // constants are computed anew
        Outcome steps = by_steps();
        EXPECT_EQ(run.value, steps.value) << program;
        EXPECT_EQ(run.log, steps.log) << program;
    }
};

TEST_F(StepEquivalence, Programs) {
    const char* programs[] = {
        // Recursion through function frames, argument frames and plans.
        "seen (fib 7),fib\\n\\n<2?n?fib(n-1)+fib(n-2)",
        "sum (build 20 1 K) 0,build\\n\\i\\l\\n<i?l?build n (i+1) (J (seen i) l),sum\\l\\s\\l s (h\\t\\sum t (s+h))",
        // Lets, strict and lazy; braces in a body.
        "ff 3,ff\\x\\y{seen (x+1)}seen (y*2)+y",
        "ff 3,ff\\x\\y{x}seen (y+1)",
        // Lazy heads taking their arguments from pending frames.
        "K (seen 1) (seen 2) (seen 3)",
        "(C K) (seen 1) (seen 2)",
        "B seen seen (plus 1 2)",
        // A program's own T: function frames resume through it.
        "plus (seen (plus 0 1)) 2,T\\a\\b\\a",
        "seen (plus (plus 0 1) 2),T\\a\\b\\b a",
        // A constant computed once, then shared; a wrapped-free operator.
        "plus (seen cc) (seen cc),cc\\seen (plus 20 1)",
        // Counts a builtin sees: shared and unshared arguments, name leaves
        // that were heads of contractions before.
        "gg (J 1 K) pp,gg\\p\\seen p (seen p),pp\\1",
        "plus (seen sum (J 1 K) 0) (seen sum (J 2 K) 0),sum\\l\\s\\l s (h\\t\\sum t (s+h))",
        "seen (seen fib) 5,fib\\n\\n<2?n?fib(n-1)+fib(n-2)",
        "plus (seen (sum (J 1 K) 0)) (seen sum (J 2 K) 0),sum\\l\\s\\l s (h\\t\\sum t (s+h))",
        // "?" is bound to I: the identity and the frames after it.
        "seen 1<2?seen 3?seen 4",
        "(seen 2<1?K?H) (seen 5) (seen 6)",
        "(seen 1<2?(B (plus 1 2))?K) (seen 5) (seen 6)",
        "I (plus (seen 1)) (seen 2)",
        // Integer operators on small integers, on others and past 64 bits.
        "seen (seen 3+4<(seen 8))",
        "seen (999999999999999999*999999999999999999-1)",
        "seen (K+1) (2<K)",
        "seen 3+4,[+]\\dash",
        "seen 1<2?seen 3?seen 4,I\\a\\plus a 1",
        // Lambdas of several binders applied to fewer, as many and more
        // arguments; shadowing; an argument that is not closed stays apart.
        "(a\\b\\c\\seen (a+b*c)) (seen 2) (seen 3)",
        "(a\\b\\seen (a-b)) (seen 2) (seen 3)",
        "(a\\b\\a) (seen 2) (seen 3) (seen 4)",
        "(a\\b\\J a b) (seen 2) (seen 3) (seen 4) (seen 5)",
        "(a\\a\\seen a) (seen 2) (seen 3)",
        "(a\\b\\c\\seen (J c b)) (seen 1) 2 (seen 3)",
        "seen (sum (J 1 (J 2 K)) 0),sum\\l\\s\\l s (h\\t\\sum t (s+h))",
        "(h\\t\\seen t) (g\\u\\u) (seen 7) K",
        "(h\\t\\seen t) 1 2,T\\a\\b\\a",
        // An abort deep inside pending frames.
        "plus 1 (plus 2 (seen (boom 3)))",
        "seen (plus 1 (gg 5)),gg\\x\\x+boom x",
        // In-place writes need exactly three holders.
        "a{cray 3}b{cork a 1 (seen 7)}seen (look b 1)",
        "a{cray 3}b{cork a 1 7}c{cork a 2 8}seen (look b 2)",
        // Run-time loading: a nested run and names defined mid-run.
        "seen (load [sq 21,sq\\x\\x+x] 0)",
        "seen (load [ff 1,ff\\x\\x+1] 0)+seen (ff 2),ff\\x\\x*10",
    };
    for (const char* program : programs) expect_same(program);
}

// Random terms over affine combinators and lambdas (none duplicates an
// argument, so every term ends), numbers and the probe.
std::string random_term(std::mt19937& rng, int depth) {
    static const char* const ATOMS[] = {"K",    "H",         "I",           "B",
                                        "C",    "T",         "V",           "J",
                                        "L",    "1",         "2",           "3",
                                        "seen", "plus",      "(a\\b\\J b a)", "(a\\b\\c\\a c b)"};
    constexpr int ATOM_COUNT = sizeof ATOMS / sizeof ATOMS[0];
    if (depth == 0 || rng() % 3 == 0) return ATOMS[rng() % ATOM_COUNT];
    // Mostly application; "?" is the identity applied to the left part, "+"
    // and "<" builtins taken at once on two small integers.
    static const char* const JOINTS[] = {" ", " ", " ", " ", " ", "?", "+", "<"};
    const char* joint = JOINTS[rng() % 8];
    return "(" + random_term(rng, depth - 1) + joint + random_term(rng, depth - 1) + ")";
}

TEST_F(StepEquivalence, GeneratedTerms) {
    std::mt19937 rng(20261210);
    for (int i = 0; i < 400; ++i) expect_same(random_term(rng, 6));
}

}  // namespace
