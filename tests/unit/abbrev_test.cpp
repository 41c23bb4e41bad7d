// Abbreviation of quoted texts and the display escape.
#include <gtest/gtest.h>

#include <string>

#include "abbrev.h"

namespace {

RtString bytes(const std::string& text) { return string_from_std(text); }
std::string text_of(const RtString& s) { return string_to_std(s); }
std::string run(size_t n, char c = 'x') { return std::string(n, c); }

struct Case {
    std::string in, out;
};

TEST(Abbreviate, BalancedKeepsBracketsClosedWithin72Bytes) {
    Case cases[] = {
        {"", ""},
        {run(72), run(72)},
        {run(73), run(72)},
        {"g(" + run(80), "g(" + run(69) + ")"},
        {"[(", "[(]"},                          // inside "[" only square brackets count
        {"[{(", "[{(]"},
        {"(((", "((()))"},
        {"(a[b(c", "(a[b(c])"},
        {"({)", "({))"},                        // ")" pops whatever is on top
        {"{(}x", "{(}x}"},
        {"(a)[b]{c}", "(a)[b]{c}"},
        {run(70) + "((", run(70) + "()"},       // room for one opener and its closer
        {run(71) + "(", run(71)},               // no room for an opener at 71
        {run(1, '[') + run(69) + "[[", run(1, '[') + run(69) + "]"},
        {run(1, '[') + run(68) + "[[", run(1, '[') + run(68) + "[]]"},
        {")a}", ")a}"},                         // closers with nothing open are plain bytes
        {"a)(b", "a)(b)"},
        {run(100, ')'), run(72, ')')},
    };
    for (const Case& c : cases) {
        RtString out = text_abbreviate_balanced(bytes(c.in));
        EXPECT_EQ(text_of(out), c.out) << c.in;
        EXPECT_LE(string_length(out), ABBREV_WIDTH) << c.in;
    }
}

TEST(Abbreviate, BalancedParenLeavesWingsAlone) {
    Case cases[] = {
        {"{a}", "{a}"},
        {"({", "({)"},
        {"{(", "{()"},
        {"(}", "(})"},
        {"[(", "[(]"},
        {"}){", "}){"},
        {"g(" + run(80), "g(" + run(69) + ")"},
        {"{" + run(80), "{" + run(71)},
    };
    for (const Case& c : cases)
        EXPECT_EQ(text_of(text_abbreviate_balanced_paren(bytes(c.in))), c.out) << c.in;
}

TEST(Abbreviate, SourceIsNormalisedFirst) {
    Case cases[] = {
        {"  a  +  (b\n", "a+(b)"},
        {"x  [a  ", "x [a  ]"},                 // an unclosed square group
        {"f\n(g  " + run(100), "f\n(g " + run(66) + ")"},
        {"a) b", "a) b"},
    };
    for (const Case& c : cases) EXPECT_EQ(text_of(text_abbreviate_source(bytes(c.in))), c.out) << c.in;
}

TEST(Abbreviate, Ellipsis) {
    Case cases[] = {
        {"", ""},
        {"abcd", "abcd"},
        {"abcde", "abcde \""},
        {"hello", "hello \""},
        {"abcdef", "abcdef"},
        {run(72), run(72)},
        {run(73), run(69) + "..."},
        {run(1000, 'y'), run(69, 'y') + "..."},
    };
    for (const Case& c : cases) EXPECT_EQ(text_of(text_abbreviate_ellipsis(bytes(c.in))), c.out) << c.in;
}

TEST(Escape, UnprintableBytesAndSquareBrackets) {
    Case cases[] = {
        {"plain name.vorn", "plain name.vorn"},
        {"a[b", "a[5B]b"},
        {"x]", "x[5D]"},
        {"\t", "[09]"},
        {"line\nbreak", "line[0A]break"},
        {std::string("\0", 1), "[00]"},
        {"\x1F \x20~\x7F", "[1F]  ~[7F]"},
        {"caf\xE9", "caf[E9]"},
        {"\x80\xFF", "[80][FF]"},
        {"{}()<>", "{}()<>"},
    };
    for (const Case& c : cases) EXPECT_EQ(text_of(string_escape_for_display(bytes(c.in))), c.out) << c.in;
}

}  // namespace
