// The run stage: how the program's value becomes the report.
#include "run.h"

#include <gtest/gtest.h>

#include "abbrev.h"
#include "eval_fixture.h"
#include "integer.h"
#include "term_sexpr.h"

namespace {

EVAL_SUITE(RunStage);

struct Outcome {
    std::string kind, say, vip, tip;
};

Outcome run(const std::string& program) {
    eval_define(program);
    Report r = run_main(0);
    return {string_to_std(r.kind), string_to_std(r.say), string_to_std(r.vip), string_to_std(r.tip)};
}

TEST_F(RunStage, IntegerValueBecomesTheResult) {
    EXPECT_EQ(run("a\\3+4").kind, "check");
    EXPECT_EQ(integer_to_i64(run_result()), 7);
    // The argument is the address given to run_main, as an integer.
    EXPECT_EQ(run("a\\a+1").kind, "check");
    EXPECT_EQ(integer_to_i64(run_result()), 1);
    // A list form whose cells are all well formed is an integer too: 2.
    EXPECT_EQ(run("a\\J K (J K (J H K))").kind, "check");
    EXPECT_EQ(integer_to_i64(run_result()), 2);
}

TEST_F(RunStage, OtherValuesAreReported) {
    Outcome range = run("a\\[ab]+[cd]");
    EXPECT_EQ(range.kind, "range");
    EXPECT_EQ(range.say, "The program must return an integer. Instead we encountered:\n[abcd]");
    EXPECT_EQ(range.tip, "[abcd]");
    // A list form with a cell that is not a bit has no value.
    EXPECT_EQ(run("a\\J K (J I K)").kind, "range");

    Outcome cycle = run("a\\xs,xs\\xs+1");
    EXPECT_EQ(cycle.kind, "cycle");
    EXPECT_EQ(cycle.say, "Cycle detected on function xs.");
    EXPECT_EQ(cycle.vip, "xs");

    // A raised report keeps its own fields; text of another shape is all say.
    Outcome raised = run("a\\boom 1");
    EXPECT_EQ(raised.kind, "");
    EXPECT_EQ(raised.say, "[boom]");
    // One that reads back as "check" would pass for success: it is a range.
    EXPECT_EQ(run("a\\pass 1").kind, "range");
}

// The tip abbreviates the whole printed value, however long, from its head.
TEST_F(RunStage, LongValuesAreAbbreviatedFromTheWholeText) {
    const std::string prefix = "The program must return an integer. Instead we encountered:\n";
    for (int depth : {20, 36, 37, 38, 200}) {
        std::string program = "a\\";
        for (int i = 0; i < depth; ++i) program += "J I (";
        program += "K" + std::string(size_t(depth), ')');
        Outcome range = run(program);
        ASSERT_EQ(range.kind, "range");
        ASSERT_EQ(range.say.compare(0, prefix.size(), prefix), 0);
        std::string printed = range.say.substr(prefix.size());
        EXPECT_EQ(range.tip, string_to_std(text_abbreviate_balanced(string_from_std(printed)))) << depth;
        EXPECT_LE(range.tip.size(), size_t(ABBREV_WIDTH));
    }
}

TEST_F(RunStage, CheckErrorsComeFirst) {
    Outcome local = run("a\\(count\\count) count,count\\5");
    EXPECT_EQ(local.kind, "local");
}

}  // namespace
