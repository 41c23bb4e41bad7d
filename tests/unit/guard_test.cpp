// The engine guard: a program naming any builtin that shows how terms are
// held stays on the term machine; other programs may be compiled.
#include "eval_fixture.h"
#include "guard.h"
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
