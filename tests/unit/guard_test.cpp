// The engine guard: a program naming any builtin that shows how terms are
// held stays on the term machine; other programs may be compiled.
#include "compile.h"
#include "eval_fixture.h"
#include "guard.h"
#include "report.h"
#include "run.h"
#include "registry.h"
#include "tables.h"

namespace {

EVAL_SUITE(GuardTest);

const char* const REVEALING[] = {
    "leak", "bond", "raws", "tern", "copy", "cmpr", "cork",
    "recl", "recm", "recn", "reco", "rell", "relm", "reln", "relo",
    "redh", "redi", "redj", "redk", "redl", "redm", "redn", "redo",
    "remh", "remi", "remj", "remk", "reml", "remm", "remn", "remo",
    "strchr", "strrchr", "strstr", "strpbrk", "strtol", "strtoul", "strtod",
    "load", "road",
};

TEST_F(GuardTest, PlainProgramMayCompile) {
    eval_define("a\\fn 3,fn\\n\\n<2?n?fn(n+01)+plus n 1");
    EXPECT_TRUE(guard_run_may_compile());
}

TEST_F(GuardTest, EachRevealingNameInADefinitionKeepsTheTermMachine) {
    for (const char* name : REVEALING) {
        eval_define(std::string("a\\fn 3,fn\\n\\gg(") + name + "),gg\\x\\0");
        EXPECT_FALSE(guard_run_may_compile()) << name;
    }
}

TEST_F(GuardTest, EachRevealingNameInTheMainExpressionKeepsTheTermMachine) {
    for (const char* name : REVEALING) {
        eval_define(std::string("a\\K 0 ") + name);
        EXPECT_FALSE(guard_run_may_compile()) << name;
    }
}

TEST_F(GuardTest, ARedefinedPreludeNameIsReadToo) {
    eval_define("a\\0,P\\a\\leak a");
    EXPECT_FALSE(guard_run_may_compile());
}

// The checker puts a line mark's value in its place before the run: the
// guard reads the program as written, marks included. A run kept on the
// term machine counts as one handoff.
TEST_F(GuardTest, ANameOnlyALineMarkHoldsKeepsTheTermMachine) {
    struct Case {
        const char* program;
        u64 handoffs;
    } cases[] = {
        {"a\\0,cz\\`(leak ca),ca\\J 1 K", 1},
        {"a\\0,cz\\`(load [5])", 1},
        {"a\\0,cz\\`(plus 2 3)", 0},
    };
    for (const Case& c : cases) {
        eval_define(c.program);
        CompileCounts counts;
        Report r = run_main(0, RunEngine::BEST, &counts);
        EXPECT_EQ(string_to_std(r.kind), "check") << c.program;
        report_release(r);
        EXPECT_EQ(counts.handoffs, c.handoffs) << c.program;
    }
}

TEST_F(GuardTest, ALoadedTextKeepsTheTermMachineWhateverItHolds) {
    eval_define("a\\load [f\\x\\x] 0");
    EXPECT_FALSE(guard_run_may_compile());
}

TEST_F(GuardTest, DataTextsAndLongerNamesAreNotNames) {
    eval_define("a\\fn [leak] (post 0 0) leaky,leaky\\0,fn\\x\\y\\z\\0");
    EXPECT_TRUE(guard_run_may_compile());
}

TEST_F(GuardTest, EveryMemberIsABuiltinOfTheRegistry) {
    for (const char* name : REVEALING) {
        EXPECT_TRUE(guard_name_reveals_nodes(name)) << name;
        EXPECT_NE(builtin_registry().find(string_from_cstr(name)), builtin_registry().end()) << name;
    }
    EXPECT_FALSE(guard_name_reveals_nodes("plus"));
    EXPECT_FALSE(guard_name_reveals_nodes("same"));
    EXPECT_FALSE(guard_name_reveals_nodes("rech"));
    EXPECT_FALSE(guard_name_reveals_nodes("refo"));
}

}  // namespace
