// Reports: life cycle, text form in both directions, error terms, codes.
#include <gtest/gtest.h>

#include <string>

#include "report.h"
#include "tag.h"

namespace {

RtString bytes(const std::string& text) { return string_from_std(text); }
std::string text_of(const RtString& s) { return string_to_std(s); }

struct Fields {
    std::string say, kind, vip, tip, way;
};

Report report_of(const Fields& f) {
    return Report{bytes(f.say), bytes(f.kind), bytes(f.vip), bytes(f.tip), bytes(f.way)};
}

void expect_fields(const Report& r, const Fields& f, const std::string& context) {
    EXPECT_EQ(text_of(r.say), f.say) << context;
    EXPECT_EQ(text_of(r.kind), f.kind) << context;
    EXPECT_EQ(text_of(r.vip), f.vip) << context;
    EXPECT_EQ(text_of(r.tip), f.tip) << context;
    EXPECT_EQ(text_of(r.way), f.way) << context;
}

TEST(Report, InitAndItsTextForm) {
    Report r = report_init();
    expect_fields(r, {"", "check", "", "", ""}, "init");
    RtString text = report_to_text(r);
    EXPECT_EQ(text_of(text), "['[\"][\"check][\"][\"][\"]]");
    EXPECT_EQ(string_length(text), 23);
    expect_fields(report_from_text(text), {"", "check", "", "", ""}, "back");
}

TEST(Report, TextFormIsEighteenBytesOfFrameAroundTheFields) {
    Report r = report_of({"S", "KK", "VVV", "TTTT", "WWWWW"});
    EXPECT_EQ(text_of(report_to_text(r)), "['[\"S][\"KK][\"VVV][\"TTTT][\"WWWWW]]");
}

TEST(Report, FieldsTravelThroughTheTextUnchanged) {
    Fields cases[] = {
        {"two\nlines", "range", "", "x\ny", ""},
        {"quote \" and ' here", "funky", "'", "\"", ""},
        {"high \xE9\xFF\x80 bytes", "alive", "\x7F", "\x01", "\xA0"},
        {"Comma at [___a9] is not part of a valid call list.", "comma", "___a9", "", ""},
        {"nested [a [b] c] []", "place", "[[]]", "[x]", "g[y]"},
        {"", "", "", "", ""},
        {"a]b[c", "cycle", "", "", ""},  // unbalanced say: read from the right
    };
    for (const Fields& f : cases) expect_fields(report_from_text(report_to_text(report_of(f))), f, f.say);
}

TEST(Report, ReadsBackAMatchMessageQuotingALoneBracket) {
    // The message for two brackets that do not fit quotes each bracket alone,
    // so say's square brackets do not balance.
    Fields cases[] = {
        {"'[' at [_____] doesn't fit ')' at [____a].", "match", "_____", "____a", "yes"},
        {"'(' at [_____] doesn't fit ']' at [____a].", "match", "_____", "____a", "yes"},
        {"Dangling left-bracket at [____c].", "match", "____c", "", "yes"},
    };
    for (const Fields& f : cases) expect_fields(report_from_text(report_to_text(report_of(f))), f, f.say);
}

TEST(Report, TextOfAnotherShapeBecomesTheMessage) {
    const char* texts[] = {
        "",
        "hello",
        "['[\"",
        "['[\"]",
        "['[\"a][\"b]]",                     // too few fields
        "['[\"a][\"b][\"c][\"d]x]",          // no "]" before the closing one
        "]]]]]]]]]]]]]]]]]]]]]]]]",
        "['[\"]]]]]]]]]]]]",                    // matching runs off the start
        "['[\"][\"check][\"][\"][x]]",       // a group without its double quote
        "[\"[\"][\"check][\"][\"][\"]]",     // wrong opening
        "['[\"][\"check[\"][\"][\"]]",       // kind's group not closed
        "['[\"][\"][\"][\"]]",                // four groups: none left for say
    };
    for (const char* t : texts) expect_fields(report_from_text(bytes(t)), {t, "", "", "", ""}, t);
}

TEST(Report, CopyAndAssignShareTheStrings) {
    Report a = report_of({"s", "k", "v", "t", "w"});
    Report b = report_copy(a);
    EXPECT_EQ(a.say.block, b.say.block);
    EXPECT_EQ(a.way.block, b.way.block);
    EXPECT_EQ(string_refcount(a.kind), 2);

    Report c = report_init();
    report_assign(c, a);
    EXPECT_EQ(c.vip.block, a.vip.block);
    EXPECT_EQ(string_refcount(a.tip), 3);
    report_assign(c, c);  // harmless
    EXPECT_EQ(string_refcount(a.tip), 3);

    report_release(b);
    EXPECT_EQ(b.say.block, nullptr);
    EXPECT_EQ(string_refcount(a.tip), 2);
    report_release(c);
    EXPECT_EQ(string_refcount(a.say), 1);
}

TEST(Report, ErrorTermIsAValuePairOfTheText) {
    Report r = report_of({"Oops.", "roads", "_____", "", "g(x)"});
    RtString text = report_to_text(report_copy(r));
    NodeRef term = report_to_error_term(r);
    ASSERT_TRUE(node_is_pair(term));
    EXPECT_EQ(text_of(node_text(node_left(term))), "]");
    EXPECT_TRUE(string_equal(node_text(node_right(term)), text));
    EXPECT_TRUE(term_is_value(term));
}

TEST(Report, PositionCodes) {
    struct Case {
        i64 n;
        const char* code;
    } cases[] = {
        {0, "_____"},
        {1, "____a"},
        {63, "____~"},
        {64, "___a_"},
        {100, "___a9"},
        {1000, "___oD"},
        {(i64(1) << 30) - 1, "~~~~~"},
        {i64(1) << 30, "!!!!!"},
        {(i64(1) << 30) + 1, "!!!!!"},
        {i64(1) << 40, "!!!!!"},
    };
    for (const Case& c : cases) EXPECT_EQ(text_of(position_to_code(c.n)), c.code) << c.n;
}

TEST(ReportDeathTest, NegativePositionIsFatal) {
    EXPECT_DEATH(position_to_code(-1), "^ASSERTION FAILED:report:[0-9]+\n$");
}

}  // namespace
