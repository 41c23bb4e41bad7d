// The error banner and the visible form of report fields.
#include <gtest/gtest.h>

#include <string>

#include "banner.h"
#include "glyph.h"
#include "report.h"

namespace {

std::string rendered(const std::string& text) {
    return string_to_std(report_render_visible(string_from_std(text)));
}

const std::string ESC = "\x1b";
const std::string RESET = ESC + "[m", GREEN = ESC + "[32m", RED = ESC + "[31m";

const std::string ART_1 = "                        /\\\n";
const std::string ART_3 = "/\\uck_________/\\_/  \\_/    \\_\n";
std::string art_2(const std::string& kind) { return "\\/\\oh [" + kind + "]     /\\   /  \\\n"; }

}  // namespace

TEST(Banner, RenderVisible) {
    struct Case {
        std::string text, visible;
    } cases[] = {
        {"", ""},
        {"TOP", "TOP"},
        {"a b", "a" + GREEN + " " + RESET + "b"},
        {"a\nb", "a" + GREEN + "," + RESET + "b"},
        {"ab\n", "ab" + GREEN + "," + RESET},
        {"\xA0", GREEN + "9" + RESET},
        {"\xFF", GREEN + "]" + RESET},
        {"\xE1", RED + "a" + RESET},
        {std::string(1, '\0'), GREEN + "J" + RESET},
        {"\x01\x02", GREEN + "AB" + RESET},
        {"\x7F\x8F\x97\x1B\x1F", GREEN + "~\\0([" + RESET},
        {"x\xE9\x01y", "x" + RED + "i" + GREEN + "A" + RESET + "y"},
        {"\xA1\xFE", RED + "!~" + RESET},
    };
    for (const auto& c : cases) EXPECT_EQ(rendered(c.text), c.visible) << c.text;
}

// Every byte's glyph, read back through the glyph coding, is the byte.
TEST(Banner, GlyphsInvertTheGlyphCoding) {
    for (int b = 0; b < 256; ++b) {
        std::string visible = rendered(std::string(1, char(b)));
        int glyph_class = GLYPH_PLAIN;
        std::string glyph = visible;
        if (visible.rfind(GREEN, 0) == 0) glyph_class = GLYPH_CONTROL, glyph = visible.substr(GREEN.size());
        if (visible.rfind(RED, 0) == 0) glyph_class = GLYPH_HIGH, glyph = visible.substr(RED.size());
        if (glyph_class != GLYPH_PLAIN) {
            ASSERT_GE(glyph.size(), RESET.size()) << b;
            ASSERT_EQ(glyph.substr(glyph.size() - RESET.size()), RESET) << b;
            glyph.resize(glyph.size() - RESET.size());
        }
        ASSERT_EQ(glyph.size(), 1u) << b;
        EXPECT_EQ(char_to_code(glyph_class, u8(glyph[0])), b) << b;
    }
}

TEST(Banner, KindAndSayOnly) {
    Report report = report_init();
    report.kind = string_from_cstr("arity");
    report.say = string_from_cstr("Arity of function g may not exceed ten.");
    std::string banner = string_to_std(report_format_banner(std::move(report)));
    std::string say = "Arity" + GREEN + " " + RESET + "of" + GREEN + " " + RESET + "function" + GREEN +
                      " " + RESET + "g" + GREEN + " " + RESET + "may" + GREEN + " " + RESET + "not" +
                      GREEN + " " + RESET + "exceed" + GREEN + " " + RESET + "ten.";
    EXPECT_EQ(banner, ART_1 + art_2("arity") + ART_3 + " <say> " + say + "\n");
}

TEST(Banner, FieldsInFixedOrderKindRaw) {
    Report report = report_init();
    report.say = string_from_cstr("S");
    report.tip = string_from_cstr("T");
    report.vip = string_from_cstr("V");
    report.way = string_from_cstr("W\x01");
    report.kind = string_from_std("k\x01 \xE9");
    std::string banner = string_to_std(report_format_banner(std::move(report)));
    EXPECT_EQ(banner, ART_1 + art_2("k\x01 \xE9") + ART_3 + " <way> W" + GREEN + "A" + RESET + "\n" +
                          " <vip> V\n <tip> T\n <say> S\n");
}

TEST(Banner, ArtOnly) {
    EXPECT_EQ(string_to_std(banner_art(string_from_cstr("usage"))), ART_1 + art_2("usage") + ART_3);
    EXPECT_EQ(string_to_std(report_format_banner(report_init())), ART_1 + art_2("check") + ART_3);
}
