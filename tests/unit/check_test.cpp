// Program checker, reachability and the prelude restore.
#include "check.h"

#include <string>

#include <gtest/gtest.h>

#include "define.h"
#include "intern.h"
#include "layout.h"
#include "registry.h"
#include "source.h"
#include "status.h"
#include "tables.h"
#include "tag.h"
#include "term_sexpr.h"

namespace {

struct Outcome {
    std::string kind, say, vip, tip, way;
};

// Loads the prelude, defines the program text and checks it.
Outcome check_program(const std::string& text) {
    prelude_load();
    Report defined = program_define(string_from_std(text));
    EXPECT_EQ(string_to_std(defined.kind), "check") << text;
    Report r = program_check();
    return {string_to_std(r.kind), string_to_std(r.say), string_to_std(r.vip), string_to_std(r.tip),
            string_to_std(r.way)};
}

std::string body_of(const char* name) {
    auto it = map_find(definitions_instance(), string_from_cstr(name));
    return it == definitions_instance().end() ? "<none>" : sexpr_print(it->second);
}

bool defined(const char* name) { return body_of(name) != "<none>"; }

// n lambdas \a\b... in front of body, with the first n letters as names.
std::string lambdas(int n, const std::string& body) {
    std::string text;
    for (int i = 0; i < n; ++i) text += std::string(1, char('a' + i)) + "\\";
    return text + body;
}

}  // namespace

TEST(Check, Errors) {
    struct Case {
        std::string program;
        const char* kind;
        const char* say;
        const char* vip;
        const char* tip;
    } cases[] = {
        {"7", "check", "", "", ""},
        {std::string("K 1 \0", 5), "check", "", "", ""},  // the empty array is no name
        {"7\\x", "funky", "Funky key in expression \\7x.", "", "\\7x"},
        {"0,ff\\7\\x", "funky", "Funky key in expression \\7x in function ff.", "ff", "\\7x"},
        {"0,ff\\7\\x,fe\\8\\x", "funky", "Funky key in expression \\8x in function fe.", "fe", "\\8x"},
        {"1\\x,fe\\7\\x", "funky", "Funky key in expression \\1x.", "", "\\1x"},
        {"x,ff\\7\\x", "funky", "Funky key in expression \\7x in function ff.", "ff", "\\7x"},  // before alive
        {"x", "alive", "Alive function TOP references undefined x.", "TOP", "x"},
        {"pp,pp\\qq", "alive", "Alive function pp references undefined qq.", "pp", "qq"},
        {"aa bb,aa\\zz,bb\\cc", "alive", "Alive function bb references undefined cc.", "bb", "cc"},
        {"aa cc,aa\\cc", "alive", "Alive function aa references undefined cc.", "aa", "cc"},
        {"hello", "alive", "Alive function TOP references undefined hello.", "TOP", "hello \""},
        {"ff gg,ff\\" + lambdas(11, "a") + ",gg\\zz", "alive", "Alive function gg references undefined zz.", "gg",
         "zz"},  // before arity
        {lambdas(11, "a"), "arity", "Arity of function  may not exceed ten.", "", ""},
        {lambdas(10, "a"), "check", "", "", ""},
        {"ff,ff\\" + lambdas(11, "a"), "arity", "Arity of function ff may not exceed ten.", "ff", ""},
        {"abcde,abcde\\" + lambdas(11, "a"), "arity", "Arity of function abcde may not exceed ten.", "abcde \"",
         ""},
        {"ff,ff\\x{1}" + lambdas(10, "a"), "check", "", "", ""},  // brace binders do not count
        {"(count\\count) count,count\\5", "local", "Local variable a unbound.", "", "a"},
        {"ff,ff\\(count\\count) count,count\\5", "local", "Local variable a unbound in function ff.", "ff", "a"},
        {"ff,ff\\x\\y\\(count\\count) count,count\\5", "local", "Local variable a unbound in function ff.", "ff",
         "a"},
    };
    for (const Case& c : cases) {
        Outcome got = check_program(c.program);
        EXPECT_EQ(got.kind, c.kind) << c.program;
        EXPECT_EQ(got.say, c.say) << c.program;
        EXPECT_EQ(got.vip, c.vip) << c.program;
        EXPECT_EQ(got.tip, c.tip) << c.program;
        EXPECT_EQ(got.way, "") << c.program;
    }
}

TEST(Check, PlaceCountsDistinctBoundNames) {
    // 20 letters and 6 longer names pass; one more longer name fails.
    std::string letters, longer;
    for (int i = 0; i < 20; ++i) letters += std::string(1, char('a' + i)) + "\\";
    for (const char* name : {"ab", "ac", "ad", "ae", "af", "ag"}) longer += std::string(name) + "\\";
    std::string body = letters + longer + "a\\ab";  // a bound twice counts once
    EXPECT_EQ(check_program("ff,ff\\K(" + body + ")").kind, "check");
    EXPECT_EQ(body_of("ff").find("ab"), std::string::npos);  // every longer name became a letter
    Outcome failed = check_program("ff,ff\\K(" + letters + longer + "ah\\a)");
    EXPECT_EQ(failed.kind, "place");
    EXPECT_EQ(failed.say, "Place error in function ff.");
    EXPECT_EQ(failed.vip, "ff");
    EXPECT_EQ(failed.tip, "");
    Outcome main = check_program("K(" + letters + longer + "ah\\a)");
    EXPECT_EQ(main.kind, "place");
    EXPECT_EQ(main.say, "Place error.");
    EXPECT_EQ(main.vip, "");
}

TEST(Check, LongerNamesTakeTheFirstFreeLetters) {
    ASSERT_EQ(check_program("ff,ff\\a\\zz\\yy\\a").kind, "check");
    EXPECT_EQ(body_of("ff"), "((\\ a) ((\\ c) ((\\ b) a)))");
    ASSERT_EQ(check_program("ff,ff\\[+]\\count\\count+1").kind, "check");
    EXPECT_EQ(body_of("ff"), "((\\ a) ((\\ b) ((a b) 1)))");
}

TEST(Check, LayoutReplacesTheProgramsDefinition) {
    ASSERT_EQ(check_program("7,_\\8").kind, "check");
    EXPECT_EQ(body_of(LAYOUT_NAME), string_to_std(layout_text()));
    EXPECT_TRUE(term_is_value(noderef_copy(map_find(definitions_instance(), string_from_cstr("_"))->second)));
}

TEST(Check, BraceFormsAreRewritten) {
    ASSERT_EQ(check_program("ff,ff\\(p q){V 1 2}p").kind, "check");
    EXPECT_EQ(body_of("ff"), "((({ q) ((V 1) 2)) ((({ p) (q K)) ((({ q) (q H)) p)))");
}

TEST(Check, UnreachableDefinitionsLeaningOnMissingNames) {
    ASSERT_EQ(check_program("7,pp\\zz,rr\\pp 1,ss\\1").kind, "check");
    EXPECT_FALSE(defined("pp"));
    EXPECT_FALSE(defined("rr"));
    EXPECT_TRUE(defined("ss"));
    ASSERT_EQ(check_program("7,K\\zz,B\\K").kind, "check");
    EXPECT_EQ(body_of("K"), "((\\ a) ((\\ b) a))");  // back in prelude form
    EXPECT_EQ(body_of("B"), "((\\ a) ((\\ b) ((\\ c) (a (b c)))))");
    EXPECT_TRUE(prelude_snapshot().empty());
}

TEST(Check, RedefinedZLeavesTheBuiltinStubs) {
    ASSERT_EQ(check_program("a\\7,Z\\zz").kind, "check");
    EXPECT_EQ(body_of("plus"), "((\\ a) ((\\ b) Z))");
    EXPECT_EQ(body_of("Z"), "((\\ a) Z)");
    EXPECT_EQ(body_of("+"), "plus");
}

TEST(Check, AfterSuccess) {
    ASSERT_EQ(check_program("ff 1 2,ff\\x\\y\\x+y,gg\\ff 1 1").kind, "check");
    EXPECT_TRUE(prelude_snapshot().empty());
    EXPECT_GT(intern_count(), 0);
    for (const NodeRef& t : intern_stored_terms()) EXPECT_TRUE(term_is_value(noderef_copy(t)));
    // Equal subterms of different definitions are one node.
    auto& defs = definitions_instance();
    const Node* one_in_ff = node_at(map_find(defs, string_from_cstr(""))->second, "lr");
    const Node* one_in_gg = node_at(map_find(defs, string_from_cstr("gg"))->second, "lr");
    EXPECT_EQ(one_in_ff, one_in_gg);
    EXPECT_EQ(body_of("ff"), "((\\ x) ((\\ y) ((+ x) y)))");
}

namespace {

struct DeepRun {
    std::string program;
    std::string kind;
};

uint32_t deep_check(void* raw) {
    DeepRun& run = *static_cast<DeepRun*>(raw);
    run.kind = check_program(run.program).kind;
    return 0;
}

// Defines and checks the program on a thread with the interpreter's stack:
// the parser recurses on nesting in program text, the checker never does.
std::string check_deep(std::string program) {
    DeepRun run{std::move(program), ""};
    status_run_on_thread(RUN_STACK_BYTES, RUN_STACK_MIN_BYTES, deep_check, &run);
    return run.kind;
}

std::string repeated(const char* piece, int n) {
    std::string text;
    for (int i = 0; i < n; ++i) text += piece;
    return text;
}

}  // namespace

TEST(Check, DeepProgramText) {
#ifdef VORN_SANITIZED
    const int nest = 20000, chain = 100000;
#else
    const int nest = 100000, chain = 1000000;
#endif
    EXPECT_EQ(check_deep("ff 1,ff\\x\\" + repeated("gg(", nest) + "x" + repeated(")", nest) + ",gg\\y\\y"), "check");
    EXPECT_EQ(check_deep("ff,ff\\K(" + repeated("count\\", nest) + "count)"), "check");
    EXPECT_EQ(check_deep(repeated("1;", chain) + "1"), "check");
    EXPECT_EQ(check_deep(repeated("1;", chain) + "zz"), "alive");
    // A spine of values: every part of it stays among the interned values.
    EXPECT_EQ(check_deep("ff,ff\\x\\" + repeated("x(", nest) + "x" + repeated(")", nest)), "check");
}
