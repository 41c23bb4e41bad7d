// The expression parser: the table of shapes, and depth and length that
// must not reach the C stack.
#include <gtest/gtest.h>

#include <pthread.h>
#include <functional>
#include <string>

#include "normalize.h"
#include "parse.h"

namespace {

RtString bytes(const std::string& text) { return string_from_std(text); }

// A term written as nested "(f x)" pairs of leaf texts; the newline of the
// empty-array leaf is written \n.
std::string shape(const NodeRef& t) {
    if (!node_is_pair(t)) {
        std::string text = string_to_std(node_text(t));
        return text == "\n" ? "\\n" : text;
    }
    std::string out(1, '(');  // appended: "(" + ... trips a false -Wrestrict at -O3
    out += shape(node_left(t));
    out += ' ';
    out += shape(node_right(t));
    return out + ')';
}

std::string parsed(const std::string& text) { return shape(parse_expression(bytes(text))); }

struct Case {
    std::string text, shape;
};

TEST(Parse, InfixLadder) {
    Case cases[] = {
        {"", "}"},
        {"x", "x"},
        {"g x+1", "(g ((+ x) 1))"},
        {"a-b-c", "((- ((- a) b)) c)"},
        {"a^b^c", "((^ a) ((^ b) c))"},
        {"a=b=c", "((= a) ((= b) c))"},
        {"a&b|c", "((& a) ((| b) c))"},
        {"x\ng", "((T x) g)"},
        {"x\ng\nh", "((T ((T x) g)) h)"},
        {"x@g", "((@ x) g)"},
        {"g?x", "((? g) x)"},
        {"x\\y\\b", "((\\ x) ((\\ y) b))"},
        {"a;b;c", "((; a) ((; b) c))"},
        {"x\\a;b", "((\\ x) ((; a) b))"},
        {"a b c", "((a b) c)"},
        {"a+b*c", "((+ a) ((* b) c))"},
        {"a*b^c", "((* a) ((^ b) c))"},
        {"a.b:c", "((: ((. a) b)) c)"},
        {"a%b'c/d", "((/ ((' ((% a) b)) c)) d)"},
        {"a<b&c", "((& ((< a) b)) c)"},
        {"a#b>c", "((# a) ((> b) c))"},
        {"f x\ng y", "((T (f x)) (g y))"},
        {"a?b c|d", "((? a) ((| (b c)) d))"},
        {"a@b c", "(((@ a) b) c)"},  // blank and "@" share a level
    };
    for (const Case& c : cases) EXPECT_EQ(parsed(c.text), c.shape) << c.text;
}

TEST(Parse, EmptyOperandsAreTheWingLeaf) {
    Case cases[] = {
        {"-5", "((- }) 5)"},
        {"a+", "((+ a) })"},
        {"\\x", "((\\ }) x)"},
        {"a;", "((; a) })"},
        {"+", "((+ }) })"},
        {"a  b", "((a }) b)"},  // unnormalised: two blanks leave an empty operand
    };
    for (const Case& c : cases) EXPECT_EQ(parsed(c.text), c.shape) << c.text;
}

TEST(Parse, WingBindersAndBraceLists) {
    Case cases[] = {
        {"x{e}b", "((({ x) e) b)"},
        {"x{a,b}y", "((({ x) ((, a) b)) y)"},
        {"x{a,b,c}y", "((({ x) ((, a) ((, b) c))) y)"},
        {"x{}y", "((({ x) }) y)"},
        {"x{a}y{b}z", "((({ x) a) ((({ y) b) z))"},
        {"x{a\\b;c}y", "((({ x) ((\\ a) ((; b) c))) y)"},
        {"x{a,}y", "((({ x) ((, a) })) y)"},
        {"p\\x{e}b", "((\\ p) ((({ x) e) b))"},
        {"x{e}", "((({ x) e) })"},
    };
    for (const Case& c : cases) EXPECT_EQ(parsed(c.text), c.shape) << c.text;
}

TEST(Parse, PrefixAndPostfixOperators) {
    Case cases[] = {
        {"!x", "(! x)"},
        {"x!", "(! x)"},
        {"!", "(! })"},
        {"!x!", "(! (! x))"},
        {"x!~", "(~ (! x))"},
        {"!~x", "(! (~ x))"},
        {"!!", "(! (! }))"},
        {"g~x!y", "((g (~ x)) (! y))"},
        {"g~!x$y", "((g (~ (! x))) ($ y))"},
        {"g`(a)", "(g (` a))"},
        {"f\"x", "(f (\" x))"},
        {"g(~x)y", "((g (~ x)) y)"},  // a run inside a group is the group's own
        {"~g x", "((~ g) x)"},
    };
    for (const Case& c : cases) EXPECT_EQ(parsed(c.text), c.shape) << c.text;
}

TEST(Parse, AdjacencyAndCallLists) {
    Case cases[] = {
        {"BKK", "((B K) K)"},
        {"Va", "(V a)"},
        {"aS", "(a S)"},
        {"ab", "ab"},
        {"a_b1", "(a_b 1)"},
        {"ab12", "(ab 12)"},
        {"12ab", "(12 ab)"},
        {"05", "05"},
        {"g(a,b,c)", "(((g a) b) c)"},
        {"g()", "(g })"},
        {"g(,)", "((g }) })"},
        {"g (a)", "(g a)"},
        {"g(a)[b]", "((g a) [b])"},
        {"g(a)(b)", "((g a) b)"},
        {"(g)(a)", "(g a)"},
        {"(a b)", "(a b)"},
        {"x[y]", "(x [y])"},
        {"[y]x", "([y] x)"},
        {"[a [b] c]", "[a [b] c]"},
        {"[a][b]", "([a] [b])"},
        {"g(a b,c+d)", "((g (a b)) ((+ c) d))"},
        {"g(h(x),y)", "((g (h x)) y)"},
        {"A(x)", "(A x)"},
        {"5(x)", "(5 x)"},
        {"a\tb", "((a \t) b)"},
        {"\x01\xE9Q", "((\x01 \xE9) Q)"},
        {std::string("\0", 1), "\\n"},
        {std::string("g\0", 2), "(g \\n)"},
    };
    for (const Case& c : cases) EXPECT_EQ(parsed(c.text), c.shape) << c.text;
}

TEST(Parse, PreludePieces) {
    Case cases[] = {
        {"[!]\\p\\   p H K", "((\\ [!]) ((\\ p) ((p H) K)))"},
        {"U\\a\\b\\c\\d\\e\\e(Va b,Vc d)",
         "((\\ U) ((\\ a) ((\\ b) ((\\ c) ((\\ d) ((\\ e) ((e ((V a) b)) ((V c) d))))))))"},
        {"G\\a\\VZ(BW BC DDV V(XJ))", "((\\ G) ((\\ a) ((V Z) ((((B W) (B C)) ((D D) V)) (V (X J))))))"},
        {"[+]\\plus", "((\\ [+]) plus)"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(shape(parse_expression(source_normalize_space(bytes(c.text)))), c.shape) << c.text;
}

TEST(ParseDeathTest, BrokenInvariantsAreFatal) {
    const char* fatal = "^ASSERTION FAILED:parse:[0-9]+\n$";
    RtString text = bytes("A,b!!");
    BracketIndex index = bracket_index_build(text);
    EXPECT_DEATH(parse_single_char(TextSpan{&index, 0, 2}), fatal);
    EXPECT_DEATH(parse_atom(TextSpan{&index, 0, 0}), fatal);
    EXPECT_DEATH(parse_sigil_chain(TextSpan{&index, 3, 1}), fatal);
    EXPECT_DEATH(parse_sigil_chain(TextSpan{&index, 3, 2}), fatal);
    EXPECT_DEATH(parse_prefix(TextSpan{&index, 3, 2}), fatal);
    // A comma the check would have refused reaches a single-character piece.
    EXPECT_DEATH(parse_expression(bytes("(A,b)")), fatal);
}

// Runs body on a thread with a stack of the given size.
void on_stack_of(size_t stack_bytes, const std::function<void()>& body) {
    pthread_attr_t attr;
    pthread_attr_init(&attr);
    pthread_attr_setstacksize(&attr, stack_bytes);
    pthread_t thread;
    auto run = [](void* arg) -> void* {
        (*static_cast<const std::function<void()>*>(arg))();
        return nullptr;
    };
    ASSERT_EQ(pthread_create(&thread, &attr, run, const_cast<std::function<void()>*>(&body)), 0);
    pthread_join(thread, nullptr);
    pthread_attr_destroy(&attr);
}

// Runs body on a thread with a large stack, as the interpreter runs.
void on_big_stack(const std::function<void()>& body) { on_stack_of(size_t(1) << 30, body); }

// The nesting the interpreter must take: 100,000 groups.
constexpr i64 DEEP = 100000;
#ifdef VORN_SANITIZED
constexpr i64 LONG = 1000000;
#else
constexpr i64 LONG = 10000000;
#endif

TEST(ParseDepth, DeeplyNestedGroupsParseInLinearTime) {
    std::string text = std::string(size_t(DEEP), '(') + "5" + std::string(size_t(DEEP), ')');
    std::string calls;
    for (i64 i = 0; i < DEEP / 2; ++i) calls += "g(";
    calls += "x" + std::string(size_t(DEEP / 2), ')');
    on_big_stack([&] {
        EXPECT_EQ(shape(parse_expression(bytes(text))), "5");
        NodeRef t = parse_expression(bytes(calls));
        for (i64 i = 0; i < DEEP / 2; ++i) {
            ASSERT_TRUE(node_is_pair(t));
            ASSERT_EQ(string_to_std(node_text(node_left(t))), "g");
            t = node_right(t);
        }
        EXPECT_EQ(shape(t), "x");
    });
}

// Brackets nested deep take no C stack: groups, sums in groups, call
// arguments and wing lists, on a thread with a small stack.
TEST(ParseDepth, NestedBracketsTakeNoStack) {
    std::string groups = std::string(size_t(DEEP), '(') + "5" + std::string(size_t(DEEP), ')');
    std::string sums, calls, wings;
    for (i64 i = 0; i < DEEP; ++i) sums += "(1+";
    sums += "2" + std::string(size_t(DEEP), ')');
    for (i64 i = 0; i < DEEP; ++i) calls += "g(x,";
    calls += "y" + std::string(size_t(DEEP), ')');
    for (i64 i = 0; i < DEEP; ++i) wings += "x{";
    wings += "1";
    for (i64 i = 0; i < DEEP; ++i) wings += "}x";
    on_stack_of(size_t(1) << 18, [&] {
        EXPECT_EQ(shape(parse_expression(bytes(groups))), "5");

        NodeRef t = parse_expression(bytes(sums));  // ((+ 1) rest)
        for (i64 i = 0; i < DEEP; ++i) {
            ASSERT_EQ(shape(node_left(node_left(t))), "+");
            ASSERT_EQ(shape(node_right(node_left(t))), "1");
            t = node_right(t);
        }
        EXPECT_EQ(shape(t), "2");

        t = parse_expression(bytes(calls));  // ((g x) rest)
        for (i64 i = 0; i < DEEP; ++i) {
            ASSERT_EQ(shape(node_left(t)), "(g x)");
            t = node_right(t);
        }
        EXPECT_EQ(shape(t), "y");

        t = parse_expression(bytes(wings));  // ((({ x) list) x)
        for (i64 i = 0; i < DEEP; ++i) {
            ASSERT_EQ(shape(node_left(node_left(node_left(t)))), "{");
            ASSERT_EQ(shape(node_right(t)), "x");
            t = node_right(node_left(t));
        }
        EXPECT_EQ(shape(t), "1");
    });
}

// Long operator chains and operator runs are folded by loops.
TEST(ParseDepth, LongChainsAndRunsUseNoStack) {
    const i64 n = LONG / 10;
    std::string power, sum, bang;
    for (i64 i = 0; i < n; ++i) power += "a^";
    power += "a";
    for (i64 i = 0; i < n; ++i) sum += "a+";
    sum += "a";
    bang = std::string(size_t(n), '!') + "x" + std::string(size_t(n), '~');

    NodeRef p = parse_expression(bytes(power));
    i64 depth = 0;
    while (node_is_pair(p)) p = node_right(p), ++depth;
    EXPECT_EQ(depth, n);

    NodeRef s = parse_expression(bytes(sum));
    depth = 0;
    while (node_is_pair(s)) s = node_right(node_left(s)), ++depth;  // ((+ acc) a): down to acc
    EXPECT_EQ(depth, n);

    NodeRef b = parse_expression(bytes(bang));
    depth = 0;
    while (node_is_pair(b)) b = node_right(b), ++depth;
    EXPECT_EQ(depth, 2 * n);
    EXPECT_EQ(shape(b), "x");
}

TEST(ParseLength, ManyPiecesAndOperands) {
    std::string pieces(size_t(LONG / 10), 'K');
    NodeRef t = parse_expression(bytes(pieces));
    i64 count = 1;
    while (node_is_pair(t)) t = node_left(t), ++count;
    EXPECT_EQ(count, LONG / 10);
}

}  // namespace
