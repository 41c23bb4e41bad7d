// Line marks at check time.
#include "marks.h"

#include <gtest/gtest.h>

#include "check.h"
#include "define.h"
#include "eval_fixture.h"
#include "source.h"
#include "term_sexpr.h"

namespace {

EVAL_SUITE(Marks);

std::string expanded(const char* program, const char* name) {
    eval_load(program);
    return sexpr_print(eval_def(name));
}

TEST_F(Marks, ClosedExpressionIsEvaluatedAtCheckTime) {
    EXPECT_EQ(expanded("`(plus 1 2)", ""), "3");
    EXPECT_EQ(expanded("(plus 1 2)`", ""), "3");  // a mark written after its expression
}

TEST_F(Marks, OtherExpressionsBecomeLineRecords) {
    struct Case {
        const char* program;
        const char* name;
        const char* body;
    } cases[] = {
        // A free local variable: the record names line, definition and text.
        {"foo 1\n,\nfoo\\x\\`(gg x),gg\\x\\x", "foo", "((\\ x) ((((U 3) [foo]) [(gg x)]) (gg x)))"},
        // Number and data literals are wrapped, not evaluated.
        {"`7", "", "((((U 1) []) [7]) 7)"},
        {"`[ab]", "", "((((U 1) []) [[ab]]) [ab])"},
        // A leaf beginning U is wrapped too.
        {"`U", "", "((((U 1) []) [U]) U)"},
    };
    for (const Case& c : cases) EXPECT_EQ(expanded(c.program, c.name), c.body) << c.program;
}

TEST_F(Marks, InnerMarkFirstOuterTextKeepsIt) {
    eval_load("x\\``x");
    NodeRef record = node_right(eval_def(""));
    // The outer record's x' is the inner record; its text shows the inner mark.
    EXPECT_EQ(sexpr_print(node_right(node_left(record))), "[`x]");
    EXPECT_EQ(sexpr_print(node_left(node_left(node_left(node_right(record))))), "(U 1)");
}

TEST_F(Marks, EffectsHappenRightChildFirst) {
    eval_load("K (`(tick 1)) (`(tick 2))");
    EXPECT_EQ(eval_tick_log(), (std::vector<std::string>{"2", "1"}));
    EXPECT_EQ(eval_print(eval_main()), "1");
}

TEST_F(Marks, OpenArgumentResumedThroughTEndsTheCheck) {
    // In gg the name count is both a lambda's variable and a free letter. The
    // argument holding the free one waits in a function frame (or beside a
    // constant that is already a value) and is resumed through T: that
    // contraction meets the open focus and ends the check before the
    // argument's own tick runs.
    for (const char* gg : {"K plus 0 (plus (tick 1) count) (count\\0)", "pp (plus (tick 1) count) (count\\0)"}) {
        eval_define(std::string("0,bb\\`(gg 0),gg\\n\\") + gg + ",count\\5,pp\\plus");
        Report checked = program_check();
        EXPECT_EQ(string_to_std(checked.kind), "local") << gg;
        EXPECT_EQ(eval_tick_log(), std::vector<std::string>{}) << gg;
        report_release(checked);
    }
}

TEST_F(Marks, OpenFocusAtCheckTimeGivesTheLocalReport) {
    prelude_load();
    Report defined = program_define(string_from_cstr("`kk,kk\\(count\\count) count,count\\5"));
    ASSERT_EQ(string_to_std(defined.kind), "check");
    Report checked = program_check();
    EXPECT_EQ(string_to_std(checked.kind), "local");
    EXPECT_EQ(string_to_std(checked.say), "Local variable a unbound in function kk.");
}

}  // namespace
