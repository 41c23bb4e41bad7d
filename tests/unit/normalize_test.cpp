// The lexical layer: blank reduction, bracket partners, top-level cuts.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "normalize.h"

namespace {

RtString bytes(const std::string& text) { return string_from_std(text); }
std::string text_of(const RtString& s) { return string_to_std(s); }

std::vector<i64> offsets_of(const PositionList& list) {
    std::vector<i64> out;
    for (const ListCell<i64>* c = list.head; c; c = c->next) out.push_back(c->value);
    return out;
}

TEST(Normalize, BlankRuns) {
    struct Case {
        std::string in, out;
    } cases[] = {
        {"", ""},
        {" \n \n ", ""},
        {"\n  a b \n", "a b"},
        {"a \n  b", "a\nb"},
        {"a  b", "a b"},
        {"a , b", "a,b"},
        {"g\\ x", "g\\x"},
        {"a + b", "a+b"},
        {"f\n+ x", "f+x"},           // a line break next to an operator vanishes
        {"( x )", "(x)"},
        {"{ x }", "{x}"},
        {"x { a } y", "x{a}y"},
        {"(x) g", "(x) g"},
        {"g (x)", "g (x)"},
        {"g [a]", "g [a]"},
        {"[a] x", "[a] x"},
        {"a ~ b", "a ~ b"},          // prefix operators are not separators
        {"a\tb", "a\tb"},            // tab and CR are ordinary bytes
        {"a \tb", "a \tb"},
        {"a\t \n b", "a\t\nb"},
        {"a\r\nb", "a\r\nb"},
        {"\ta\t", "\ta\t"},
        {"x\n\n\ny", "x\ny"},
    };
    for (const Case& c : cases) EXPECT_EQ(text_of(source_normalize_space(bytes(c.in))), c.out) << c.in;
}

TEST(Normalize, SquareGroupsAreCopiedVerbatim) {
    struct Case {
        std::string in, out;
    } cases[] = {
        {"[ a  b ]", "[ a  b ]"},
        {"f [a [b  \n c] ( d ) ]  + x", "f [a [b  \n c] ( d ) ]+x"},
        {"[)]  [(]", "[)] [(]"},
        // An unclosed group is copied to the end of the text, blanks and all.
        {"x  [a  b", "x [a  b"},
        {"  [a  \n ", "[a  \n "},
        {"[", "["},
        {"[[a] ", "[[a] "},
    };
    for (const Case& c : cases) EXPECT_EQ(text_of(source_normalize_space(bytes(c.in))), c.out) << c.in;
}

TEST(Normalize, NulBytesAreOrdinary) {
    std::string in("a\0  b", 5);
    EXPECT_EQ(text_of(source_normalize_space(bytes(in))), std::string("a\0 b", 4));
}

TEST(MatchBracket, Partners) {
    struct Case {
        std::string text;
        i64 p, partner;
    } cases[] = {
        {"abc", 1, 1},               // no bracket: the offset itself
        {"(a[)]b)", 0, 6},           // ")" inside a square group does not count
        {"(a[)]b)", 6, 0},
        {"(a[)]b)", 2, 4},
        {"(a[)]b)", 4, 2},
        {"[a[b]c]", 0, 6},
        {"[a[b]c]", 6, 0},
        {"[(]", 0, 2},
        {"(a{b)c}", 0, 6},           // parentheses and wings count alike
        {"{x}(y)", 3, 5},
        {"((a)(b))", 7, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(text_match_bracket(bytes(c.text), c.p), c.partner) << c.text << " @" << c.p;
}

TEST(MatchBracketDeathTest, OutsideTheTextOrWithoutPartner) {
    const char* fatal = "^ASSERTION FAILED:normalize:[0-9]+\n$";
    EXPECT_DEATH(text_match_bracket(bytes("ab"), 2), fatal);
    EXPECT_DEATH(text_match_bracket(bytes("ab"), -1), fatal);
    EXPECT_DEATH(text_match_bracket(bytes("(a"), 0), fatal);
    EXPECT_DEATH(text_match_bracket(bytes("a)"), 1), fatal);
    EXPECT_DEATH(text_match_bracket(bytes("[(]"), 1), fatal);
    EXPECT_DEATH(text_match_bracket(bytes("[(]a)"), 1), fatal);  // would walk the group forever
}

TEST(TopLevel, FindsSetBytesOutsideGroups) {
    struct Case {
        std::string text;
        const char* set;
        std::vector<i64> offsets;
    } cases[] = {
        {"g(a,b),c", ",", {6}},
        {"a,[b,c],{d,e},f", ",", {1, 7, 13}},
        {"x{a;b};c", ";\\{", {1, 6}},        // "{" is recorded, then skipped
        {"", ",", {}},
        {std::string("a\0b", 3), ",", {}},   // the byte 0 is in no set
        {"a b\nc", " \n", {1, 3}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(offsets_of(text_find_top_level(bytes(c.text), c.set)), c.offsets) << c.text;
}

TEST(TopLevelDeathTest, ClosingBracketAtTopLevel) {
    EXPECT_DEATH(text_find_top_level(bytes("a)b"), ","), "^ASSERTION FAILED:normalize:[0-9]+\n$");
}

TEST(FindCharFrom, SkipsGroupsOpenedAfterTheStart) {
    struct Case {
        std::string text;
        i64 start, found;
    } cases[] = {
        {"a(~b)~c", 0, 5},
        {"a(~b)~c", 2, 2},
        {"a(~b)~c", 3, 5},       // the ")" of a group opened before the start counts for nothing
        {"[~]~", 0, 3},
        {"([~(]~)!", 0, 7},
        {"{(x)[~]}$", 0, 8},
        {"abc", 0, -1},
        {"a~", 2, -1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(text_find_char_from(c.start, bytes(c.text), "~!\"$`"), c.found)
            << c.text << " from " << c.start;
}

TEST(Operands, CutFromEitherEnd) {
    RtString text = bytes("a;b;c");
    PositionList cuts = text_find_top_level(text, ";");
    EXPECT_EQ(text_of(operand_first(cuts, text)), "a");
    EXPECT_EQ(text_of(operand_pop_split(cuts, text)), "b");
    EXPECT_EQ(text_of(operand_pop_split(cuts, text)), "a");
    EXPECT_TRUE(list_is_empty(cuts));
    EXPECT_EQ(text_of(operand_first(cuts, text)), "a;b;c");

    PositionList next = text_find_top_level(text, ";");
    EXPECT_EQ(text_of(operand_pop_next(next, text)), "b");
    EXPECT_EQ(text_of(operand_pop_next(next, text)), "c");
    EXPECT_TRUE(list_is_empty(next));

    RtString trailing = bytes("a,b,");
    PositionList commas = text_find_top_level(trailing, ",");
    EXPECT_EQ(text_of(operand_pop_next(commas, trailing)), "b");
    EXPECT_EQ(text_of(operand_pop_next(commas, trailing)), "");
}

TEST(Operands, SplitStartsAfterAWingGroup) {
    RtString text = bytes("x{e}b\\c");
    PositionList cuts = text_find_top_level(text, ";\\{");
    EXPECT_EQ(offsets_of(cuts), (std::vector<i64>{1, 5}));
    EXPECT_EQ(text_of(operand_pop_split(cuts, text)), "b");
    EXPECT_EQ(text_of(operand_pop_split(cuts, text)), "x");
}

TEST(OperandsDeathTest, PoppingAnEmptyList) {
    PositionList empty;
    EXPECT_DEATH(operand_pop_next(empty, bytes("a")), "^ASSERTION FAILED:s:[0-9]+\n$");
    EXPECT_DEATH(operand_pop_split(empty, bytes("a")), "^ASSERTION FAILED:s:[0-9]+\n$");
}

// The windows over an indexed text answer as the walks over a copy would.
TEST(Spans, AgreeWithTheWholeTextOperations) {
    const std::string texts[] = {
        "g(a,[b,(c],d){e,f}~x",
        "((a)[(]{b,c}(d,e))!y,z",
        "x{a;b}c;(d;e)",
    };
    const char* sets[] = {",", "~!\"$`", ";\\{", "()"};
    for (const std::string& t : texts) {
        RtString text = bytes(t);
        BracketIndex index = bracket_index_build(text);
        ASSERT_FALSE(index.partner.empty()) << t;
        for (i64 from = 0; from < i64(t.size()); ++from) {
            for (i64 count = 1; from + count <= i64(t.size()); ++count) {
                const std::string sub = t.substr(size_t(from), size_t(count));
                TextSpan span{&index, from, count};
                EXPECT_EQ(text_of(span_to_string(span)), sub);
                // Only windows whose own brackets balance are ever cut.
                BracketIndex own = bracket_index_build(bytes(sub));
                if (own.partner.empty()) continue;
                for (i64 p = 0; p < count; ++p) {
                    // Brackets inside square groups are never matched (data).
                    const bool bracket = std::string("()[]{}").find(sub[size_t(p)]) != std::string::npos;
                    if (bracket && own.partner[size_t(p)] < 0) continue;
                    EXPECT_EQ(span_match_bracket(span, p), text_match_bracket(bytes(sub), p))
                        << sub << " @" << p;
                }
                for (const char* set : sets) {
                    EXPECT_EQ(offsets_of(span_find_top_level(span, set)),
                              offsets_of(text_find_top_level(bytes(sub), set)))
                        << sub << " " << set;
                    for (i64 s = 0; s <= count; ++s)
                        EXPECT_EQ(span_find_char_from(s, span, set), text_find_char_from(s, bytes(sub), set))
                            << sub << " " << set << " from " << s;
                }
            }
        }
    }
}

TEST(Spans, UnbalancedTextHasNoIndex) {
    for (const char* t : {"(a", "a)", "[a", "(]", "(a]", "a}"})
        EXPECT_TRUE(bracket_index_build(bytes(t)).partner.empty()) << t;
}

}  // namespace
