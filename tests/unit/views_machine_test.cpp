// The views and accessors run by the reduction machine: the reference
// counts a builtin call sees (which cork's and the accessors' in-place tests
// rely on), in-place writes seen through kept partial applications, and
// values that must not change under a function that captured them.
#include <gtest/gtest.h>

#include "check.h"
#include "define.h"
#include "eval_fixture.h"
#include "machine.h"
#include "registry.h"
#include "report.h"
#include "source.h"
#include "tables.h"

namespace {

// The counts a three-argument builtin saw: its application, the pairs
// ((f a) b) and (f a), and a once the builtin held its own handle on it.
struct SeenCounts {
    u64 app = 0, with_index = 0, with_value = 0, value = 0;
};

SeenCounts& seen() {
    static SeenCounts counts;
    return counts;
}

NodeRef test_probe(NodeRef app) {
    Node* with_index = pair_left(app.node);
    Node* with_value = pair_left(with_index);
    NodeRef v = noderef_wrap(pair_right(with_value));
    seen() = SeenCounts{node_refcount(app.node), node_refcount(with_index), node_refcount(with_value),
                        node_refcount(v.node)};
    return noderef_from_cstr("0");
}

class ViewsMachine : public EvalTest {
protected:
    // Loads the program with the builtin probe (arity 3) and evaluates its
    // main expression.
    NodeRef run(const std::string& program) {
        prelude_load();
        map_builtins_get_or_insert(builtin_registry(), string_from_cstr("probe")) = BuiltinEntry{3, test_probe};
        Report defined = program_define(string_from_std(program));
        EXPECT_EQ(string_to_std(defined.kind), "check") << program;
        Report checked = program_check();
        EXPECT_EQ(string_to_std(checked.kind), "check") << program;
        return eval_main();
    }
    void TearDown() override {
        BuiltinTable& builtins = builtin_registry();
        auto it = map_builtins_find(builtins, string_from_cstr("probe"));
        if (it != builtins.end()) map_builtins_remove_node(builtins, it);
        EvalTest::TearDown();
    }
    std::string shown(const std::string& program) { return eval_print(run(program)); }
};

TEST_F(ViewsMachine, AnUnsharedCallHoldsItsArgumentThreeTimes) {
    run("probe (cray 3) 0 0");
    EXPECT_EQ(seen().app, 2u);  // the machine's focus and the builtin's handle
    EXPECT_EQ(seen().with_index, 1u);
    EXPECT_EQ(seen().with_value, 1u);
    EXPECT_EQ(seen().value, 3u);  // the pair, the argument list, the handle
    // A kept partial application shares the spine, not the value.
    run("g{probe (cray 3)}x{g 1 1}y{g 0 0}g");
    EXPECT_EQ(seen().with_value, 2u);
    EXPECT_EQ(seen().value, 3u);
    // A value written in the program text is interned.
    run("probe [abc] 0 0");
    EXPECT_GT(seen().value, 3u);
}

TEST_F(ViewsMachine, KeptPartialApplicationsOfCheckedWritesSeeEarlierWrites) {
    // Both writes go into the one post the partial application holds.
    EXPECT_EQ(shown("g{rell ((post 0 0)+[xy])}x{g 0 65}g 1 66"), "cape[AB]");
    EXPECT_EQ(shown("g{recl (trim [xy] 0 2)}x{g 0 65}g 1 66"), "[AB]");
    EXPECT_EQ(shown("g{recl [xy]}x{g 0 65}g 1 66"), "[xB]");  // a literal is copied
    // cork copies whenever the spine is shared.
    EXPECT_EQ(shown("g{cork ((post 0 0)+[xy])}x{g 0 65}g 1 66"), "cape[xB]");
}

TEST_F(ViewsMachine, CapturedValuesAreNotWrittenThrough) {
    // The array is captured in the function's body; each call must see it
    // as it was built.
    EXPECT_EQ(shown("f{mk (cray 2)}x{f 0}look (f 1) 0,mk\\a\\I(i\\cork a i 7)"), "Z");
    EXPECT_EQ(shown("f{mk (cray 2)}x{f 0}look (f 1) 1,mk\\a\\I(i\\cork a i 7)"), "7");
}

TEST_F(ViewsMachine, FillLoopsWriteInPlace) {
    // The array is filled slot by slot and comes back whole.
    EXPECT_EQ(shown("look (fill (cray 5) 0) 4,fill\\a\\i\\i<5?fill (cork a i (i+i)) (i+1)?a"), "8");
    EXPECT_EQ(shown("raws cray cray"), "K");
    EXPECT_EQ(shown("raws (look 5 0) (look 5 0)"), "H");
    EXPECT_EQ(shown("rank (cray 4)"), "4");
}

}  // namespace
