// The bracket and comma check: what passes, and every message byte for byte.
#include <gtest/gtest.h>

#include <string>

#include "brackets.h"

namespace {

RtString bytes(const std::string& text) { return string_from_std(text); }
std::string text_of(const RtString& s) { return string_to_std(s); }

const char* PRELUDE =
    ",A\\a\\aS BKK,B\\a\\b\\c\\a b(c),C\\a\\b\\c\\a c b,D\\a\\b\\c\\d\\a b c(d),E\\a\\b\\c\\d\\e\\a b c(d)e,"
    "F\\a\\b\\Vb a,G\\a\\VZ(BW BC DDV V(XJ)),H\\a\\I,I\\a\\a,J\\a\\b\\c\\Va b,K\\a\\b\\a,L\\a\\aK K(KH),"
    "M\\a\\a a,N\\a\\K,O\\a\\b\\b a(b),P\\a\\a XS I,Q\\a\\aZK,R\\a\\aZH,U\\a\\b\\c\\d\\e\\e(Va b,Vc d),"
    "S\\a\\b\\c\\a c b(c),T\\a\\b\\b a,V\\a\\b\\c\\c a b,W\\a\\b\\a b b,Z\\a\\Z,X\\a\\b\\c\\d\\Vb a(d)c,"
    "Y\\a\\b\\a Ya b,[\\]\\a\\b\\c\\Z,[{]\\a\\b\\c\\Z,[`]\\a\\Z,[!]\\p\\   p H K,[&]\\q\\r\\q r H,"
    "[|]\\q\\r\\q K r,[+]\\plus,[-]\\dash,[*]\\mult,[/]\\over,[%]\\cent,[^]\\powa,[<]\\less,[>]\\gteq,"
    "[=]\\same,[#]\\diff,[$]\\buck,[~]\\wave,[.]\\T,[@]\\T,[:]\\I,[?]\\I,[;]\\I,[']\\I,[\"]\\I,[,]\\I";

TEST(Brackets, TextsThatPass) {
    ASSERT_EQ(std::string(PRELUDE).size(), 563u);
    const std::string texts[] = {
        "",
        PRELUDE,
        "[(]",
        "[a,b]",
        "[(a,b]",
        "g(a,b)",
        "x{a,b}y",
        "a,b",
        "g(a)(b,c)",         // after the end of a group
        "[y](a,b)",
        "A(a,b)",
        "5(a,b)",
        "\x01(a,b)",
        "\xE9(a,b)",
        "g\t(a,b)",          // a tab is no operator byte
        std::string("\0(a,b)", 6),
        "g({a,b})",          // brace-list commas inside a call
        "g([a,b],c)",
        "(a)+(b)",           // groups without commas stand anywhere
        "f((a))",
        "x{e}(a)",
        "g(a,h(b,c))",
        "g(a\n,\nb)",
    };
    for (const std::string& t : texts) {
        Report r = report_init();
        i64 offset = -7;
        EXPECT_TRUE(source_check_brackets(bytes(t), r, offset)) << t;
        EXPECT_EQ(text_of(r.kind), "check") << t;
        EXPECT_EQ(text_of(r.say), "") << t;
        EXPECT_EQ(offset, -7) << t;
    }
}

struct Failure {
    std::string text;
    std::string kind, say, vip, tip;
    i64 offset;
};

void expect_failure(const Failure& f) {
    Report r = report_init();
    i64 offset = -7;
    EXPECT_FALSE(source_check_brackets(bytes(f.text), r, offset)) << f.text;
    EXPECT_EQ(text_of(r.kind), f.kind) << f.text;
    EXPECT_EQ(text_of(r.say), f.say) << f.text;
    EXPECT_EQ(text_of(r.vip), f.vip) << f.text;
    EXPECT_EQ(text_of(r.tip), f.tip) << f.text;
    EXPECT_EQ(text_of(r.way), "") << f.text;
    EXPECT_EQ(offset, f.offset) << f.text;
}

TEST(Brackets, BracketMessages) {
    Failure cases[] = {
        {"(]", "match", "'(' at [_____] doesn't fit ']' at [____a].", "_____", "____a", 0},
        {"a{b)", "match", "'{' at [____a] doesn't fit ')' at [____c].", "____a", "____c", 1},
        {"{a]", "match", "'{' at [_____] doesn't fit ']' at [____b].", "_____", "____b", 0},
        {"[(a])", "match", "Dangling right-parenthesis at [____d].", "____d", "", 4},  // "(" was data
        {"a)", "match", "Dangling right-parenthesis at [____a].", "____a", "", 1},
        {"]", "match", "Dangling right-bracket at [_____].", "_____", "", 0},
        {"  }", "match", "Dangling right-wing at [____b].", "____b", "", 2},
        {"(a", "match", "Dangling left-parenthesis at [_____].", "_____", "", 0},
        {"(a(b", "match", "Dangling left-parenthesis at [____b].", "____b", "", 2},
        {"x[a", "match", "Dangling left-bracket at [____a].", "____a", "", 1},
        {"{", "match", "Dangling left-wing at [_____].", "_____", "", 0},
        {"[(]{[", "match", "Dangling left-bracket at [____d].", "____d", "", 4},  // the innermost
    };
    for (const Failure& f : cases) expect_failure(f);
}

TEST(Brackets, CommaMessages) {
    Failure cases[] = {
        {"g (a,b)", "comma", "Comma at [____d] is not part of a valid call list.", "____d", "", 4},
        {"(a,b)", "comma", "Comma at [____b] is not part of a valid call list.", "____b", "", 2},
        {" (a,b)", "comma", "Comma at [____c] is not part of a valid call list.", "____c", "", 3},
        {"g(a,b) (c,d)", "comma", "Comma at [____i] is not part of a valid call list.", "____i", "", 9},
        {"(a,b,c)+1", "comma", "Comma at [____b] is not part of a valid call list.", "____b", "", 2},
        {"x=(a,b)", "comma", "Comma at [____d] is not part of a valid call list.", "____d", "", 4},
        {"g(a,(b,c))", "comma", "Comma at [____f] is not part of a valid call list.", "____f", "", 6},
        {"g\n(a,b)", "comma", "Comma at [____d] is not part of a valid call list.", "____d", "", 4},
        // The rightmost offending group is reported.
        {"(a,b)+(c,d)", "comma", "Comma at [____h] is not part of a valid call list.", "____h", "", 8},
        // Groups the parser reads as plain groups, not call lists.
        {"a\\((A,b))", "comma", "Comma at [____e] is not part of a valid call list.", "____e", "", 5},
        {"a\\x{e}(A,b)", "comma", "Comma at [____h] is not part of a valid call list.", "____h", "", 8},
        {"a\\\"(A,b)", "comma", "Comma at [____e] is not part of a valid call list.", "____e", "", 5},
        {"!(a,b)", "comma", "Comma at [____c] is not part of a valid call list.", "____c", "", 3},
        {"~(a,b)", "comma", "Comma at [____c] is not part of a valid call list.", "____c", "", 3},
        {"$(a,b)", "comma", "Comma at [____c] is not part of a valid call list.", "____c", "", 3},
        {"`(a,b)", "comma", "Comma at [____c] is not part of a valid call list.", "____c", "", 3},
        {"{(a,b)}", "comma", "Comma at [____c] is not part of a valid call list.", "____c", "", 3},
    };
    for (const Failure& f : cases) expect_failure(f);
}

TEST(Brackets, FirstErrorWins) {
    Failure cases[] = {
        // Bracket errors in text order, before any comma error.
        {"(a,b) )", "match", "Dangling right-parenthesis at [____f].", "____f", "", 6},
        {"a)(]", "match", "Dangling right-parenthesis at [____a].", "____a", "", 1},
        {"(]a)", "match", "'(' at [_____] doesn't fit ']' at [____a].", "_____", "____a", 0},
        // Then a bracket left open, before a comma error.
        {"(a,b)(", "match", "Dangling left-parenthesis at [____e].", "____e", "", 5},
    };
    for (const Failure& f : cases) expect_failure(f);
}

TEST(Brackets, DeepAndLongTextsAreCheckedInLinearTime) {
#ifdef VORN_SANITIZED
    const size_t n = 100000;
#else
    const size_t n = 1000000;
#endif
    Report r = report_init();
    i64 offset = 0;
    std::string deep = std::string(n, '(') + "5" + std::string(n, ')');
    EXPECT_TRUE(source_check_brackets(bytes(deep), r, offset));
    std::string calls;
    for (size_t i = 0; i < n / 4; ++i) calls += "g(a,";
    calls += "b" + std::string(n / 4, ')');
    EXPECT_TRUE(source_check_brackets(bytes(calls), r, offset));
    std::string squares = std::string(n, '[') + "(" + std::string(n, ']');
    EXPECT_TRUE(source_check_brackets(bytes(squares), r, offset));
    const std::string code = string_to_std(position_to_code(i64(n) - 2));  // the innermost left open
    const std::string say = "Dangling left-parenthesis at [" + code + "].";
    expect_failure({std::string(n, '(') + ")", "match", say, code, "", i64(n) - 2});
}

}  // namespace
