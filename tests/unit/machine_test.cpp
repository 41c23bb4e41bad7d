// Reduction machine: the step cases, laziness, evaluation order, aborts and
// the reference counts a builtin sees.
#include "machine.h"

#include <gtest/gtest.h>

#include "eval_fixture.h"
#include "tables.h"
#include "tag.h"
#include "term_sexpr.h"

namespace {

EVAL_SUITE(Machine);
EVAL_SUITE(MachineStep);
EVAL_SUITE(MachineStepDeathTest);

std::string step(const std::string& state) {
    return sexpr_print(machine_step(sexpr(state)));
}

TEST_F(MachineStep, Cases) {
    struct Case {
        const char* state;
        const char* next;
    } cases[] = {
        // 1: a value returns to the frame on top.
        {"(((B I) K) 5)", "(I (K 5))"},
        // 3: over-applied: the function part first, the argument waits.
        {"(I (((K 1) 2) 3))", "(((B I) (T 3)) ((K 1) 2))"},
        // 4.1: a saturated lazy head contracts with its arguments as they are.
        {"(I ((K 1) ((plus 1) 2)))", "(I 1)"},
        // 4.2: a saturated redex whose parts are values contracts.
        {"(I ((plus 1) 2))", "(I 3)"},
        // 4.3: a brace binder substitutes a value at once ...
        {"(I ((({ x) 5) ((plus x) 1)))", "(I ((plus 5) 1))"},
        // ... and reduces any other value expression first, in a let frame.
        {"(I ((({ x) ((plus 2) 3)) ((plus x) 1)))", "(((B I) ((\\ x) ((plus x) 1))) ((plus 2) 3))"},
        // 4.4: an argument frame when the function part is a value, ...
        {"(I ((plus 1) ((plus 2) 3)))", "(((B I) (plus 1)) ((plus 2) 3))"},
        // ... a function frame when it still holds a redex.
        {"(I ((plus ((plus 1) 2)) 3))", "(((B I) (T 3)) (plus ((plus 1) 2)))"},
        // 5.1: a lazy head takes its missing argument from a function frame.
        {"(((B I) (T 7)) (K ((plus 1) 2)))", "(I ((plus 1) 2))"},
        // 5.2: without one its parts are reduced like any other head's.
        {"(I (K ((plus 1) 2)))", "(((B I) K) ((plus 1) 2))"},
        {"(I ((S ((plus 1) 2)) K))", "(((B I) (T K)) (S ((plus 1) 2)))"},
    };
    for (const Case& c : cases) EXPECT_EQ(step(c.state), c.next) << c.state;
}

TEST_F(MachineStep, FunctionFrameResumesThroughT) {
    // ((T 3) plus) is (plus 3) while T reverses an application ...
    eval_load("plus (plus 0 1) 2");
    EXPECT_EQ(eval_print(eval_main()), "3");
    // ... and follows a program's own T otherwise.
    eval_load("plus (plus 0 1) 2,T\\a\\b\\a");
    EXPECT_EQ(eval_print(eval_main()), "2");
}

TEST_F(MachineStepDeathTest, MalformedFrameOnPop) {
    for (const char* state : {"(5 7)", "((5 6) 7)", "(((C I) K) 7)"})
        EXPECT_DEATH(machine_step(sexpr(state)), "ASSERTION FAILED:machine:[0-9]+\n") << state;
}

TEST_F(Machine, ValueComesBackAsItIs) {
    NodeRef v = sexpr("(K 5)");
    EXPECT_EQ(machine_evaluate(v).node, v.node);
}

TEST_F(Machine, LazyHeadsLeaveArgumentsAlone) {
    struct Case {
        const char* program;
        const char* value;
        std::vector<std::string> ticks;
    } cases[] = {
        {"K 1 (tick 2)", "1", {}},
        {"K K 1 2", "K2", {}},  // over-applied: (K K 1) first, then applied to 2
        {"1<2|tick 3", "K", {}},
        {"2<1|tick 3", "3", {"3"}},
        {"2<1&tick 3", "H", {}},
        {"1<2&tick 3", "3", {"3"}},
        {"S K K (tick 5)", "5", {"5"}},  // S is strict: x once, though used twice
        {"plus (tick 1) (tick 2)", "3", {"1", "2"}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(eval_text(c.program), c.value) << c.program;
        EXPECT_EQ(eval_tick_log(), c.ticks) << c.program;
    }
}

TEST_F(Machine, ErrorHeadEndsTheEvaluation) {
    struct Case {
        const char* term;
        const char* leaf;
    } cases[] = {
        {"((]e 42) 7)", "]42"},
        {"((]e ((plus 1) 2)) 7)", "]3"},
        {"((]e (K 1)) 7)", "]"},
        {"((plus 1) ((]e 5) 6))", "]5"},  // the pending frame is dropped
    };
    for (const Case& c : cases) {
        NodeRef v = machine_evaluate(sexpr(c.term));
        ASSERT_FALSE(node_is_pair(v)) << c.term;
        EXPECT_EQ(string_to_std(node_text(v)), c.leaf) << c.term;
    }
}

TEST_F(Machine, RaisedReportFromABuiltinAborts) {
    eval_load("plus 1 (boom 2)");
    NodeRef v = eval_main();
    ASSERT_TRUE(node_is_pair(v));
    EXPECT_EQ(sexpr_print(v), "(] [boom])");
}

TEST_F(Machine, UndefinedNameAborts) {
    DefsMap& defs = definitions_instance();
    map_defs_get_or_insert(defs, string_from_cstr("zz")) = noderef_from_cstr("5");
    NodeRef t = sexpr("((plus 1) zz)");
    term_compute_tag(t);  // the name is known while the term is tagged ...
    defs.erase(string_from_cstr("zz"));  // ... and gone when it is met
    EXPECT_EQ(sexpr_print(machine_evaluate(t)), "]zz");
}

TEST_F(Machine, UnsharedArgumentIsHeldTwiceWhenTheBuiltinStarts) {
    // The applying pair and the argument list; the builtin's own handle
    // makes three.
    EXPECT_EQ(eval_text("refs (plus 1 2)"), "23");
    // The same through the shortcuts: a function frame resumed at once, a
    // constant head unfolded without frames, a body instantiated in one pass.
    eval_load("K refs 0 (plus 1 2)");
    EXPECT_EQ(eval_print(eval_main()), "23");
    eval_load("rr (plus 1 2),rr\\refs");
    EXPECT_EQ(eval_print(eval_main()), "23");
    eval_load("ff 1 (plus 1 2),ff\\x\\y\\refs y");
    EXPECT_EQ(eval_print(eval_main()), "23");
}

// A value's nodes read through the raw memory accessor as a program that
// holds their addresses would read them: the pair's header word and child
// pointers at offsets 0, 8 and 16, a leaf's header and text.
TEST_F(Machine, ValueNodesReadThroughTheMemoryAccessor) {
    eval_load("J 5 K");
    NodeRef cell = eval_main();  // ((J 5) K)
    ASSERT_FALSE(node_is_leaf(cell.node));
    auto read = [](const char* accessor, const void* at, int offset) {
        u64 address = reinterpret_cast<u64>(at) + u64(offset);
        return eval_text(std::string(accessor) + " " + std::to_string(address));
    };
    std::string header = read("refk", cell.node, 0);  // the program that held it is gone
    EXPECT_EQ(node_refcount(cell.node), 1u);
    EXPECT_EQ(header, std::to_string(cell.node->header));
    EXPECT_EQ(read("refk", cell.node, 8), std::to_string(reinterpret_cast<u64>(pair_left(cell.node))));
    EXPECT_EQ(read("refk", cell.node, 16), std::to_string(reinterpret_cast<u64>(pair_right(cell.node))));
    const Node* k = pair_right(cell.node);
    EXPECT_EQ(read("refh", k, 8), "75");  // "K"
    EXPECT_EQ(read("refh", k, 9), "0");
    EXPECT_EQ(read("refh", k, 7), std::to_string(k->header >> 56));  // leaf bit and tag
}

}  // namespace
