// Program definition: the main expression, builtin stubs, definitions and
// wrapped definitions, line marks, and the "lower" and "built" errors.
#include <gtest/gtest.h>

#include <string>

#include "define.h"
#include "registry.h"
#include "source.h"
#include "tables.h"

namespace {

std::string shape(const NodeRef& t) {
    if (!node_is_pair(t)) return string_to_std(node_text(t));
    std::string out(1, '(');  // appended: "(" + ... trips a false -Wrestrict at -O3
    out += shape(node_left(t));
    out += ' ';
    out += shape(node_right(t));
    return out + ')';
}

std::string defined(const std::string& key) {
    DefsMap& defs = definitions_instance();
    auto it = map_find(defs, string_from_std(key));
    return it == defs.end() ? "<none>" : shape(it->second);
}

bool is_wrapped(const char* name) {
    return set_names_find(wrapped_names(), string_from_cstr(name)) != wrapped_names().end();
}

struct Outcome {
    std::string kind, say, vip, tip, way;
};

Outcome define(const std::string& text) {
    prelude_load();
    Report r = program_define(string_from_std(text));
    return {string_to_std(r.kind), string_to_std(r.say), string_to_std(r.vip), string_to_std(r.tip),
            string_to_std(r.way)};
}

// The first backquote leaf met depth first, left before right.
const Node* first_mark(const Node* n) {
    while (!node_is_leaf(n)) {
        const Node* left = first_mark(pair_left(n));
        if (left) return left;
        n = pair_right(n);
    }
    return leaf_bytes(n)[0] == '`' ? n : nullptr;
}

}  // namespace

TEST(Define, EmptyTextHasStubsAndMain) {
    Outcome o = define("");
    EXPECT_EQ(o.kind, "check");
    EXPECT_EQ(o.say + o.vip + o.tip + o.way, "");
    EXPECT_EQ(defined(""), "}");
    EXPECT_EQ(definitions_instance().size(), 52u + 255u + 1u);
    EXPECT_EQ(defined("plus"), "((\\ a) ((\\ b) Z))");
    EXPECT_EQ(defined("cray"), "Z");
    EXPECT_EQ(defined("getnameinfo"),
              "((\\ a) ((\\ b) ((\\ c) ((\\ d) ((\\ e) ((\\ f) ((\\ g) Z)))))))");
    for (const auto& [name, entry] : builtin_registry())
        EXPECT_EQ(defined(string_to_std(name)), shape(builtin_stub(entry.arity)));
}

TEST(Define, MainAndDefinitions) {
    EXPECT_EQ(define("x,A\\y\\y").kind, "check");
    EXPECT_EQ(defined(""), "x");
    EXPECT_EQ(defined("A"), "((\\ y) y)");

    EXPECT_EQ(define("A\\x,0").kind, "check");  // the first piece is never a definition
    EXPECT_EQ(defined(""), "((\\ A) x)");
    EXPECT_EQ(defined("A"), "((\\ a) ((a S) ((B K) K)))");

    EXPECT_EQ(define("0,[+]\\minus,[a]\\x,x+1,Ab\\x,f(x)\\y,_\\7").kind, "check");
    EXPECT_EQ(defined("+"), "minus");
    EXPECT_EQ(defined("a"), "<none>");
    EXPECT_EQ(defined("_"), "7");
    EXPECT_EQ(definitions_instance().size(), 52u + 255u + 2u);

    EXPECT_EQ(define(" 0 ,\n fact \\ n \\ n * 2 \n").kind, "check");
    EXPECT_EQ(defined("fact"), "((\\ n) ((* n) 2))");
}

TEST(Define, WrappedDefinitions) {
    EXPECT_EQ(define("0,gg()\\x").kind, "check");
    EXPECT_EQ(defined("gg"), "(I x)");
    EXPECT_TRUE(is_wrapped("gg"));

    EXPECT_EQ(define("0,gg()\\x,gg\\y").kind, "check");
    EXPECT_EQ(defined("gg"), "y");
    EXPECT_FALSE(is_wrapped("gg"));

    EXPECT_EQ(define("0,gg\\y,gg()\\x,hh(x)\\z,Q()\\7").kind, "check");
    EXPECT_EQ(defined("gg"), "(I x)");
    EXPECT_TRUE(is_wrapped("gg"));
    EXPECT_EQ(defined("hh"), "<none>");
    EXPECT_EQ(defined("Q"), "(I 7)");
    EXPECT_TRUE(is_wrapped("Q"));

    // A single letter is refused in the wrapped form too.
    EXPECT_EQ(define("0,g()\\x").kind, "lower");
}

TEST(Define, LowerAndBuiltErrors) {
    struct Case {
        std::string text, kind, say, vip, tip;
    } cases[] = {
        {"0,a\\x", "lower", "Single lowercase letters (a) cannot be defined as global variables.", "____b",
         "a"},
        {"0,plus\\x", "built", "Built in function [plus] cannot be re-defined.", "____b", "plus"},
        {"0,[\\]\\x", "built", "Built in function [\\] cannot be re-defined.", "____b", "\\"},
        {"0,[{]\\x", "built", "Built in function [{] cannot be re-defined.", "____b", "{"},
        {"0,fopen()\\x", "built", "Built in function [fopen] cannot be re-defined.", "____b", "fopen \""},
        // Positions are in the normalised text: the blanks are gone.
        {"  0 ,\n\n  k \\ x", "lower", "Single lowercase letters (k) cannot be defined as global variables.",
         "____b", "k"},
        {"0,ff\\1,z\\2,plus\\3", "lower",
         "Single lowercase letters (z) cannot be defined as global variables.", "____g", "z"},
    };
    for (const auto& c : cases) {
        Outcome o = define(c.text);
        EXPECT_EQ(o.kind, c.kind) << c.text;
        EXPECT_EQ(o.say, c.say) << c.text;
        EXPECT_EQ(o.vip, c.vip) << c.text;
        EXPECT_EQ(o.tip, c.tip) << c.text;
        EXPECT_EQ(o.way, "") << c.text;
    }
    define("0,ff\\1,z\\2,gg\\3");
    EXPECT_EQ(defined("ff"), "1");  // entries before the error stay
    EXPECT_EQ(defined("gg"), "<none>");
}

TEST(Define, BracketErrorsComeFirst) {
    Outcome o = define("0,a\\x,  (b");
    EXPECT_EQ(o.kind, "match");
    EXPECT_EQ(o.say, "Dangling left-parenthesis at [____h].");  // a raw offset
    EXPECT_EQ(o.vip, "____h");
    EXPECT_EQ(defined(""), "<none>");
    EXPECT_EQ(defined("plus"), "<none>");  // stopped before the stubs

    o = define("0,g (a,b)");
    EXPECT_EQ(o.kind, "comma");
    EXPECT_EQ(o.vip, "____f");
}

TEST(Define, LineMarksGetTheirLines) {
    EXPECT_EQ(define("[`\n]x\n`y,\nff\\[`]\n\n`z").kind, "check");
    DefsMap& defs = definitions_instance();
    const Node* main_mark = first_mark(map_find(defs, string_from_cstr(""))->second.node);
    ASSERT_NE(main_mark, nullptr);
    EXPECT_EQ(node_aux(main_mark), 3u);
    const Node* f_mark = first_mark(map_find(defs, string_from_cstr("ff"))->second.node);
    ASSERT_NE(f_mark, nullptr);
    EXPECT_EQ(node_aux(f_mark), 6u);

    // A piece that is dropped still takes its marks.
    EXPECT_EQ(define("0,`x+1,\ngg\\`y").kind, "check");
    EXPECT_EQ(node_aux(first_mark(map_find(defs, string_from_cstr("gg"))->second.node)), 2u);
}

TEST(Define, AttachTakesSmallestLinesLeftFirst) {
    LineSet lines;
    for (i64 line : {i64(9), i64(4), i64(4), (i64(1) << 26) + 5}) multiset_lines_insert(lines, line);
    NodeRef left = node_app(noderef_from_cstr("`"), noderef_from_cstr("`"));
    NodeRef right = node_app(noderef_from_cstr("x"), noderef_from_cstr("`"));
    const Node* marks[] = {pair_left(left.node), pair_right(left.node), pair_right(right.node)};
    NodeRef term = node_app(std::move(left), std::move(right));
    backtick_lines_attach(noderef_copy(term), lines);
    EXPECT_EQ(node_aux(marks[0]), 4u);
    EXPECT_EQ(node_aux(marks[1]), 4u);
    EXPECT_EQ(node_aux(marks[2]), 9u);
    ASSERT_EQ(lines.size(), 1u);

    NodeRef far = noderef_from_cstr("`");
    backtick_lines_attach(noderef_copy(far), lines);
    EXPECT_EQ(node_aux(far.node), 5u);  // the low 26 bits
    EXPECT_TRUE(lines.empty());
    EXPECT_DEATH(backtick_lines_attach(noderef_from_cstr("`"), lines), "ASSERTION FAILED:define:");
}

TEST(Define, AttachWalksDeepTermsWithoutRecursion) {
#ifdef VORN_SANITIZED
    const int depth = 1000000;
#else
    const int depth = 10000000;
#endif
    LineSet lines;
    NodeRef x = noderef_from_cstr("x");
    NodeRef term = noderef_from_cstr("`");
    for (int i = 0; i < depth; ++i) term = node_app(std::move(term), noderef_copy(x));
    multiset_lines_insert(lines, 42);
    Node* n = term.node;
    while (!node_is_leaf(n)) n = pair_left(n);
    backtick_lines_attach(noderef_copy(term), lines);
    EXPECT_EQ(node_aux(n), 42u);
}
