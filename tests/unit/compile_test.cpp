// The compiled evaluator against the term machine: each program runs on
// both engines and must give the same report, value and effects (the tick
// log). The programs pick the places where compiled code meets the machine:
// aborts inside code and inside fallbacks, values that are not small
// integers in the fused operations, choices on values that are no truth,
// redefined prelude names, and recursion deeper than a C stack could take.
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "compile.h"
#include "eval_fixture.h"
#include "guard.h"
#include "integer.h"
#include "report.h"
#include "run.h"
#include "s.h"

namespace {

EVAL_SUITE(CompileTest);

struct Outcome {
    std::string kind, say, value;
    std::vector<std::string> ticks;
};

Outcome run_on(const std::string& program, RunEngine engine) {
    eval_define(program);
    Outcome o;
    Report r = run_main(0, engine);
    o.kind = string_to_std(r.kind);
    o.say = string_to_std(r.say);
    report_release(r);
    if (o.kind == "check") o.value = eval_print(run_result());
    o.ticks = eval_tick_log();
    return o;
}

const char* const PROGRAMS[] = {
    // Calls, arithmetic, choices, tail calls.
    "a\\fib 15,fib\\n\\n<2?n?fib(n+01)+fib(n+02)",
    "a\\loop 0 0,loop\\i\\s\\i<1000?loop(i+1)(s+i)?s",
    // Deep recursion, not in tail position.
    "a\\count 1000000,count\\n\\n<1?0?1+count(n-1)",
    // Effects and their order: arguments left to right, branches not taken.
    "a\\ff (tick 1) (tick 2) + gg 3,ff\\x\\y\\x+y,gg\\n\\n<1?tick 9?tick n+gg(n-1)",
    "a\\ff 3,ff\\n\\n<1?(K 3 (tick 7))?(ff (n-1))",
    // Results beyond small integers, and other kinds in fused operations.
    "a\\fac 30 1 % 1000,fac\\n\\p\\n<2?p?fac(n-1)(p*n)",
    "a\\ff 999999999999999999 3,ff\\x\\n\\n<1?(x % 7)?ff(x+x)(n-1)",
    "a\\ff [ab] 3,ff\\x\\n\\n<1?(rank x)?ff(x+[c])(n-1)",
    "a\\ff (1/3) 3,ff\\x\\n\\n<1?(x*3)?ff (x+x) (n-1)",
    "a\\ff Z 3,ff\\x\\n\\n<1?(x+1)?ff x (n-1)",
    // Division and remainder on every pair of signs, by zero, and on numbers
    // past the small ones.
    "a\\go 0 0,go\\s\\i\\i>9?s?go(s*7+nth(i,17)/nth(i,5)*3+nth(i,17)%nth(i,5)+nth(i,100000000000000000)/nth(i,3))(i+1),"
    "nth\\i\\x\\i=0?x;i=1?~x;i=2?x*2;i=3?~x*3;i=4?1;i=5?~1;i=6?x;i=7?0-x;x",
    "a\\ff 7 3,ff\\x\\n\\n<1?(x/0)+(x%0)?ff(~x/2+x%~3)(n-1)",
    // Choices on values that are no truth, or truths of other kinds.
    "a\\ff [ab] 3,ff\\x\\y\\x<y?1?2",
    "a\\ff 0.5,ff\\x\\x<1?1?2",
    "a\\ff [ab] [ac],ff\\x\\y\\x<y?1?2",
    // Truth values as values; identity of void values.
    "a\\ff 1 2,ff\\x\\y\\((x<y)=(x<y))?1?2",
    "a\\ff (1<2),ff\\x\\same x x?1?2",
    "a\\ff 1 1,ff\\x\\y\\(x=y)?(x#y)?5",
    // Aborts: an undefined name, a raised report, a cycle, in code and in
    // arguments.
    "a\\ff 3,ff\\n\\n<2?nope n?ff(n-1)+1",
    "a\\ff 3,ff\\n\\n<2?(boom n)?tick n+ff(n-1)",
    "a\\ff (tick 1) (boom 2) (tick 3),ff\\x\\y\\z\\0",
    "a\\ff 3 + cc,ff\\n\\n,cc\\cc+1",
    // Constants: computed once, on first use, then read; one whose value is
    // a function; one that is pending while it is computed.
    "a\\ff 5,ff\\n\\n<1?cc?cc+ff(n-1),cc\\tick 7+1",
    "a\\ff 3,ff\\n\\n<1?0?inc n+ff(n-1),inc\\plus 1",
    "a\\ff 2,ff\\n\\n<1?dd?ff(n-1),dd\\ff 0+1",
    "a\\ff 3,ff\\n\\n<1?dd?ff(n-1),dd\\ff 2",
    // Values that are no integer: the range report prints them.
    "a\\ff 3,ff\\n\\gg n,gg\\x\\y\\x",
    "a\\ff 3 K,ff\\n\\l\\n<1?l?ff(n-1)(J n l)",
    "a\\ff 3,ff\\n\\J (tick 1) (n+1) (x\\y\\x)",
    // Tail calls handing on a local once, twice, or with a later use.
    "a\\gg 3 (J 1 K),gg\\n\\l\\n<1?l?hh (n-1) l l,hh\\n\\a\\b\\gg n (J a b)",
    "a\\gg 3 (J 1 K),gg\\n\\l\\n<1?l?gg (n-1) (J (l 0 (h\\t\\h)) l)",
    // Lets, lambdas applied, partial and over-application.
    "a\\ff 4,ff\\n\\m{n*n}k{m+1}k+m",
    "a\\ii (d{[ab]}same d d) 1 2,ii\\x\\x",
    "a\\ff 4,ff\\n\\(x\\x*n) (n+1)",
    "a\\ap (add 3) 4,add\\x\\y\\x+y,ap\\f\\x\\f x",
    "a\\ff 3,ff\\n\\(sel ad n) 5,sel\\x\\y\\x,ad\\x\\x+1",
    "a\\sum (build 100 1 K) 0,build\\n\\i\\l\\n<i?l?build n (i+1) (J i l),sum\\l\\s\\l s (h\\t\\sum t (s+h))",
    // Lists taken apart by applying them; values that are no list.
    "a\\len (J 1 (J 2 K)) 0,len\\l\\s\\l s (h\\t\\len t (s+1))",
    "a\\len 5 0,len\\l\\s\\l s (h\\t\\len t (s+1))",
    "a\\len [abc] 0,len\\l\\s\\l s (h\\t\\len t (s+1))",
    "a\\len (V 1 2) 0,len\\l\\s\\l s (h\\t\\len t (s+1))",
    "a\\len (J (tick 1) (J (tick 2) K)) 0,len\\l\\s\\l s (h\\t\\len t (s+tick h))",
    "a\\len (J 1 (J 2 K)) 0,len\\l\\s\\l s (h\\t\\len t (s+1)),J\\a\\b\\c\\V b a",
    // Lists tested with L and taken apart by a brace pattern; V pairs taken
    // apart by a pattern; values that are neither.
    "a\\sum (up 5) 0,up\\n\\n<1?K?J n (up (n-1)),sum\\l\\s\\L l?s?(h l{l K}sum l (s+h))",
    "a\\ff (J 1 (J 2 K)),ff\\l\\(sum l 0)+(sum l 0),sum\\l\\s\\L l?s?(h t{l K}sum t (s+h))",
    "a\\sum (build 100 1 K) 0,build\\n\\i\\l\\n<i?l?build n (i+1) (J i l),sum\\l\\s\\L l?s?(h t{l K}sum t (s+h))",
    "a\\len (J (tick 1) (J (tick 2) K)) 0,len\\l\\s\\L l?s?(h t{l K}len t (s+tick h))",
    "a\\len 5 0,len\\l\\s\\L l?s?(h t{l K}len t (s+1))",
    "a\\len (V 1 2) 0,len\\l\\s\\L l?s?(h t{l K}len t (s+1))",
    "a\\len [abc] 0,len\\l\\s\\L l?s?(h t{l K}len t (s+1))",
    "a\\ff (J 1 (J 2 K)),ff\\l\\L l?0?(h l{l K}h+ff l)",
    "a\\ff (J 1 K) (J 2 K),ff\\l\\m\\L l?0?(h t{m K}h)",
    "a\\ff (J 1 K) 3,ff\\l\\m\\L l?0?(h t{m K}h)",
    "a\\ff (J 1 2) 0,ff\\l\\s\\L l?s?(h t{l K}ff t (s+h))",
    "a\\ff (V 1 2),ff\\l\\h t{l K}h+t",
    "a\\ff (J 1 2),ff\\l\\h t{l}h+t",
    "a\\ff (tick 4),ff\\n\\h t{V (tick n) (n+1)}h*t",
    "a\\ff 3,ff\\n\\h t{n}h*t",
    "a\\ff 3,ff\\n\\h t{boom n}h*t",
    "a\\ff (x\\x),ff\\l\\L l?0?(h t{l K}h)",
    "a\\ff (J 1 K),ff\\l\\L l?0?(h t{l K}h),L\\a\\a K (K (K H))",
    "a\\ff (J 1 K),ff\\l\\L l?0?(h t{l K}h),L\\a\\a H (K (K K))",
    "a\\ff (V 1 2),ff\\l\\h t{l}h+t,V\\a\\b\\c\\c b a",
    "a\\ff (J 1 K),ff\\l\\L l?0?(h t{l K}h),J\\a\\b\\c\\V b a",
    "a\\nth (msort (gen 200 1 K)) 50,gen\\n\\x\\l\\n<1?l?gen(n+01)(next x)(J x l),"
    "next\\x\\y{x+40503}(65535<y?y+065536?y),split\\l\\L l?V K K?(h t{l K}odd even{split t}V (J h even) odd),"
    "merge\\x\\y\\L x?y?(L y?x?(h t{x K}g u{y K}h<g?J h (merge t y)?J g (merge x u))),"
    "msort\\l\\L l?K?(h t{l K}L t?l?(odd even{split l}merge (msort odd) (msort even))),"
    "nth\\l\\k\\h t{l K}k<1?h?nth t (k+01)",
    // Locals applied: closed lambdas of the right and wrong arity, effects.
    "a\\ap (x\\y\\x+y) 1,ap\\k\\n\\k n n",
    "a\\ap (x\\y\\x+y) 1,ap\\k\\n\\k n",
    "a\\ap (x\\x) 1 2,ap\\k\\n\\m\\k n m",
    "a\\ap (x\\y\\tick x+tick y) 1,ap\\k\\n\\k n (tick n+1)",
    "a\\ap (plus 1) 2,ap\\k\\n\\k n",
    "a\\nth (msort (gen 200 1 K)) 50,gen\\n\\x\\l\\n<1?l?gen(n+01)(next x)(J x l),"
    "next\\x\\y{x+40503}(65535<y?y+065536?y),split\\l\\a\\b\\k\\l (k a b) (h\\t\\split t b (J h a) k),"
    "merge\\x\\y\\x y (h\\t\\y x (g\\u\\h<g?J h (merge t y)?J g (merge x u))),"
    "msort\\l\\l K (h\\t\\t l (g\\u\\split l K K (a\\b\\merge (msort a) (msort b)))),"
    "nth\\l\\k\\l 0 (h\\t\\k<1?h?nth t (k+01))",
    // Choices however they are spelled, on truths from comparisons,
    // functions, locals, ! & | and $, and on values that are no truth.
    "a\\ff 6,ff\\n\\(n<2) n (ff(n-1)+ff(n-2))",
    "a\\ff 6,ff\\n\\(n<2)?n?(ff(n-1)+ff(n-2))",
    "a\\ff 6,ff\\n\\small n?n?ff(n-1)+ff(n-2),small\\n\\n<2",
    "a\\ff 6,ff\\n\\c{n<2}c?n?ff(n-1)+ff(n-2)",
    "a\\ff 3,ff\\n\\(n<2) (x\\x+1) (x\\x*2) n",
    "a\\ff(3)+ff(0),ff\\n\\c{n<1}c (x\\x+1) (x\\x*2) n",
    "a\\ff 3,ff\\n\\c{n+1}c 5",
    "a\\ff 3,ff\\n\\both n (x\\y\\x+y) (tick 2),both\\n\\V n n",
    "a\\ff 6,ff\\n\\!(n>2)?n?ff(n-1)+ff(n-2)",
    "a\\ff 6,ff\\n\\(n<2)&(n>0)?(tick n)?(n<1?0?ff(n-1)+ff(n-2))",
    "a\\ff 6,ff\\n\\(n=0)|(n=1)?n?ff(n-1)+ff(n-2)",
    "a\\ff 6,ff\\n\\$(n-2)?ff(n-1)+ff(n-2)?n",
    "a\\ff [ab] 1,ff\\x\\y\\$x?1?($y?(x\\x+1)?2) 5",
    "a\\ff 0.5,ff\\x\\$(x-1)?1?2",
    // Lambdas of the program's own values, taken out of a pair and applied.
    "a\\run 5 (V (x\\x+3) (x\\y\\x*y)) 1,run\\n\\fs\\s\\n<1?s?run (n-1) fs (fsK (fsH s 2))",
    // A small function that makes a lambda, recursive, called everywhere.
    "a\\sum (qs (up 300)),qs\\l\\l K (h\\t\\cat (qs (filt (x\\x<h) t)) (J h (qs (filt (x\\x>h) t)))),"
    "cat\\l\\m\\l m (h\\l\\J h (cat l m)),filt\\p\\l\\l K (h\\l\\(p h)?(J h (filt p l))?(filt p l)),"
    "up\\n\\n<1?K?J n (up (n-1)),sum\\l\\l 0 (h\\t\\h+sum t)",
    "a\\ff 3,ff\\n\\pick n (tick 1) (tick 2),pick\\n\\n",
    "a\\ff 3,ff\\n\\(pick n) (tick 1) (tick 2),pick\\n\\x\\y\\x+y",
    "a\\ff 5,ff\\n\\even n?(tick 1)?(tick 0),even\\n\\zero n?K?odd(n-1),odd\\n\\zero n?H?even(n-1),zero\\n\\n=0",
    // The identity operators and application by . and @.
    "a\\sum (J 1 (J 2 K)),sum\\l\\l 0 (h\\t\\h+sum't)",
    "a\\5.inc.inc+(5@inc)+inc:5,inc\\x\\x+1",
    // Function values: global names, partial applications, point-free
    // definitions, Y, cells and pairs applied to selectors.
    "a\\fold add 0 (J 1 (J 2 K)),add\\x\\y\\x+y,fold\\f\\z\\l\\l z (h\\t\\fold f (f z h) t)",
    "a\\fold (times 2) 0 (J 1 (J 2 K)),times\\x\\y\\x*y+1,fold\\f\\z\\l\\l z (h\\t\\fold f (f h) t)",
    "a\\add3 4,add\\x\\y\\x+y,add3\\add 3",
    "a\\Y (r\\n\\n<1?0?n+r(n-1)) 10",
    "a\\Y (r\\i\\s\\i<5?r (i+1) (s+tick i)?s) 0 0",
    "a\\p{V (tick 3) 4}c{J 5 K}(p K)+(p H)+(c K K)",
    "a\\twice (twice inc) 0,twice\\f\\x\\f (f x),inc\\x\\x+1",
    "a\\twice inc 0,twice\\f\\B f f,inc\\x\\x+1",
    "a\\isort (J 3 (J 1 (J 2 K))),isort\\fold (C ins) K,fold\\f\\z\\l\\l z (h\\t\\fold f (f z h) t),"
    "ins\\x\\l\\l (J x K) (h\\t\\x<h?J x l?J h (ins x t))",
    // Closures: capturing locals, printed, compared, partly applied, over a
    // chain of binders, made by the machine and applied by code.
    "a\\len (filt 3 (J 1 (J 5 (J 2 K)))),filt\\k\\l\\l K (h\\t\\(x\\x<k) h?J h (filt k t)?filt k t),"
    "len\\l\\l 0 (h\\t\\1+len(t))",
    "a\\k{7}f{x\\y\\x+y+k}g{f 1}(g 2)+(f 3 4)",
    "a\\k{7}f{x\\x+k}lisp f",
    "a\\k{7}f{x\\x+k}g{f}(f=g)?1?((f=(x\\x+k))?2?3)",
    "a\\mk 3 4,mk\\k\\(x\\y\\z\\x+y+z+k) 1",
    "a\\mk 3 4 5,mk\\k\\(x\\y\\z\\x+y+z+k) 1",
    "a\\ap (mk 2) 5,mk\\k\\x\\y\\x*y+k,ap\\f\\x\\f x x",
    "a\\ap (e\\e{7}e) 1,ap\\f\\x\\f x",
    "a\\b{2}c{3}lisp(b\\b+c)",
    // Two letters for one local (the argument of an inlined body was a
    // local), both handed to a dispatch's block.
    "a\\ff 7,ff\\b\\(ap dbl b) (twice (times 3) b),ap\\f\\x\\f x,twice\\f\\B f f,"
    "times\\x\\y\\x*y,dbl\\n\\n+n",
    // Over-application where the value can take the arguments unevaluated.
    "a\\x{side 1 5 H}x{y{side 1}y 5 H}0,side\\x\\V (tick 1)",
    "a\\pick 0 K,pick\\n\\n=0?(J (tick 1))?(K 7)",
    // Node identity of what the machine's contractions return: a constant's
    // value, and the bodies of H and Z.
    "a\\(inc=inc)?((H 1)=(H 2))?0,inc\\mk 1,mk\\x\\y\\x+y",
    "a\\(ff H=ff H)?((ff Z)=(ff Z))?0,ff\\c\\c 1",
    // Redefined prelude names the code relies on.
    "a\\twice 21,twice\\n\\n+n,[+]\\x\\y\\plus x (plus y 1)",
    "a\\ff 3,ff\\n\\n<2?n?ff(n-1)+1,[?]\\x\\x",
    "a\\(d{K}d=d)?1?2,[?]\\x\\x",
    "a\\ff 3,ff\\n\\n<2?n?ff(n-1)+1,K\\x\\y\\x",
    "a\\ff 3,ff\\n\\n<2?n?ff(n-1)+1,T\\y\\x\\x y",
    "a\\ff 3,ff\\n\\n<2?n?ff(n-1)+1,H\\a\\K",
    // List tests nested in the list's place deeper than one spine unfolds.
    "a\\ff K,ff\\x\\L (L (L (L (L x 1 2) 3 4) 5 6) 7 8) 9 10",
    "a\\ff (J 1 K),ff\\x\\L (L (L (L (L (L x K x) x K) K x) x K) K x) 9 10",
};

TEST_F(CompileTest, EveryProgramRunsAsOnTheTermMachine) {
    for (const char* program : PROGRAMS) {
        eval_define(program);
        EXPECT_TRUE(guard_run_may_compile()) << program;
        Outcome term = run_on(program, RunEngine::TERM_MACHINE);
        Outcome best = run_on(program, RunEngine::BEST);
        EXPECT_EQ(best.kind, term.kind) << program;
        EXPECT_EQ(best.say, term.say) << program;
        EXPECT_EQ(best.value, term.value) << program;
        EXPECT_EQ(best.ticks, term.ticks) << program;
    }
}

// A constant is handed to the machine once, to be computed; every later
// read takes the value the machine stored.
TEST_F(CompileTest, ConstantsAreReadOnceComputed) {
    eval_load("a\\ff 100 0,ff\\n\\s\\n<1?s?ff(n-1)(s+cc),cc\\2*3");
    CompileCounts counts;
    NodeRef value = compile_evaluate_main(run_result(), integer_make_leaf(0), &counts);
    EXPECT_EQ(eval_print(value), "600");
    EXPECT_EQ(counts.handoffs, 1u);
}

// A body nested deeper than the compiler follows is left to the term
// machine, whole (the main expression) or at each call (a function), with
// the same value.
TEST_F(CompileTest, DeepBodiesGoToTheMachine) {
    constexpr int DEPTH = 2000;
    auto nested = [](const char* inner) {
        std::string text;
        for (int i = 0; i < DEPTH; ++i) text += "(1+";
        return text + inner + std::string(DEPTH, ')');
    };
    struct Case {
        std::string program;
        u64 handoffs;
        const char* value;
    };
    const Case cases[] = {
        {"a\\" + nested("a"), 1, "2000"},
        {"a\\gg (ff 0) (ff 1),gg\\x\\y\\x+y,ff\\x\\" + nested("x"), 2, "4001"},
    };
    for (const Case& c : cases) {
        eval_load(c.program);
        CompileCounts counts;
        NodeRef value = compile_evaluate_main(run_result(), integer_make_leaf(0), &counts);
        EXPECT_EQ(counts.handoffs, c.handoffs) << c.program.substr(0, 30);
        std::string printed = eval_print(value);
        EXPECT_EQ(printed.substr(0, 20), c.value) << c.program.substr(0, 30);
    }
}

// The programs of bench/vorn, at smaller sizes, run wholly as compiled
// code: none of them hands a term to the term machine.
TEST_F(CompileTest, BenchmarksNeedNoHandoff) {
    struct Shrink {
        const char* from;
        const char* to;
    };
    const Shrink shrinks[] = {{"fib 25", "fib 12"}, {"1000000", "1000"}, {"16384", "256"}, {"5000", "50"}};
    for (const char* name : {"fib", "loop", "list", "list_idiom", "fact", "sort", "sort_idiom"}) {
        std::ifstream in(std::string(VORN_SOURCE_DIR) + "/bench/vorn/" + name + ".vorn");
        ASSERT_TRUE(in) << name;
        std::stringstream text;
        text << in.rdbuf();
        std::string program = text.str();
        for (const Shrink& s : shrinks)
            if (size_t at = program.find(s.from); at != std::string::npos)
                program.replace(at, std::string(s.from).size(), s.to);
        eval_load(program);
        ASSERT_TRUE(guard_run_may_compile()) << name;
        CompileCounts counts;
        NodeRef value = compile_evaluate_main(run_result(), integer_make_leaf(0), &counts);
        EXPECT_EQ(counts.handoffs, 0u) << name;
        std::string printed = eval_print(value);
        EXPECT_TRUE(!printed.empty() && printed.find_first_not_of("0123456789") == std::string::npos)
            << name << ": " << printed;
    }
}

}  // namespace
