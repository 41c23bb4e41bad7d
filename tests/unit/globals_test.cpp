// Global names: functions, the constant cache, wrapped definitions, cycles.
#include "globals.h"

#include <gtest/gtest.h>

#include "eval_fixture.h"
#include "tables.h"
#include "term_sexpr.h"

namespace {

EVAL_SUITE(Globals);

TEST_F(Globals, ConstantIsComputedOnce) {
    EXPECT_EQ(eval_text("cc+cc,cc\\tick 5"), "10");
    EXPECT_EQ(eval_tick_log(), std::vector<std::string>{"5"});
    EXPECT_EQ(sexpr_print(eval_def("cc")), "5");
}

TEST_F(Globals, WrappedDefinitionIsComputedAtEveryUse) {
    EXPECT_EQ(eval_text("cc+cc,cc()\\tick 5"), "10");
    EXPECT_EQ(eval_tick_log(), (std::vector<std::string>{"5", "5"}));
    EXPECT_EQ(sexpr_print(eval_def("cc")), "(I (tick 5))");
}

TEST_F(Globals, ConstantThatIsAValueStaysUntouched) {
    eval_load("cc 1,cc\\plus 1");
    const Node* before = eval_def("cc").node;
    EXPECT_EQ(eval_print(eval_main()), "2");
    EXPECT_EQ(eval_def("cc").node, before);
}

TEST_F(Globals, LambdaValueIsStoredBehindBI) {
    EXPECT_EQ(eval_text("ff 3,ff\\K(x\\x+1) 0"), "4");
    NodeRef f = eval_def("ff");
    ASSERT_TRUE(node_is_pair(f));
    EXPECT_EQ(sexpr_print(node_left(f)), "(B I)");
    EXPECT_EQ(eval_print(eval_main()), "4");  // the cached value applies the same way
}

TEST_F(Globals, ArgumentsGoInByPosition) {
    eval_load("gg [x] [y],gg\\a\\b\\a+b");
    std::string before = sexpr_print(eval_def("gg"));
    EXPECT_EQ(eval_print(eval_main()), "[xy]");
    EXPECT_EQ(sexpr_print(eval_def("gg")), before);
}

TEST_F(Globals, ConstantNeededWhileComputedIsACycle) {
    struct Case {
        const char* program;
        const char* mark;
    } cases[] = {
        {"xs,xs\\xs+1", ")xs"},
        {"ping,ping\\pong,pong\\ping", ")ping"},
    };
    for (const Case& c : cases) {
        eval_load(c.program);
        NodeRef v = eval_main();
        ASSERT_FALSE(node_is_pair(v)) << c.program;
        EXPECT_EQ(string_to_std(node_text(v)), c.mark) << c.program;
    }
    // The pending mark stays: a later evaluation meets the cycle at once.
    EXPECT_EQ(sexpr_print(eval_def("ping")), ")");
    EXPECT_EQ(string_to_std(node_text(eval_main())), ")ping");
}

}  // namespace
