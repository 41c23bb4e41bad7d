// The error banner and the visible form of report fields.
#include "banner.h"

#include "glyph.h"

namespace {

// The class of a byte in the banner's colouring.
int banner_glyph_class(u8 b) {
    if (b >= 0x21 && b <= 0x7E) return GLYPH_PLAIN;
    if (b >= 0xA1 && b <= 0xFE) return GLYPH_HIGH;
    return GLYPH_CONTROL;
}

// The one character shown for byte b.
u8 banner_glyph(u8 b) {
    if (b >= 0x21 && b <= 0x7E) return b;
    if (b >= 0xA1 && b <= 0xFE) return u8(b - 0x80);
    if (b == 0x20) return b;  // the table's '_' is the glyph coding's, not ours
    if (b >= 0x7F && b <= 0xA0) return u8(CONTROL_GLYPHS_7F[b - 0x7F]);
    return u8(CONTROL_GLYPHS_FF[u8(b + 1)]);
}

const char* banner_class_opening(int glyph_class) {
    switch (glyph_class) {
    case GLYPH_HIGH: return ANSI_RED;
    case GLYPH_CONTROL: return ANSI_GREEN;
    default: return ANSI_RESET;
    }
}

// The glyphs of bytes [start, end) of text as one new string.
RtString banner_glyph_run(const u8* bytes, i64 start, i64 end) {
    RtString run = string_with_length(end - start);
    u8* out = string_writable_bytes(run);
    for (i64 i = start; i < end; ++i) out[i - start] = banner_glyph(bytes[i]);
    return run;
}

}  // namespace

RtString banner_art(const RtString& kind) {
    Rope rope = nullptr;
    rope = rope_append(rope, string_from_cstr("                        /\\\n\\/\\oh ["));
    rope = rope_append(rope, string_copy(kind));
    rope = rope_append(rope, string_from_cstr("]     /\\   /  \\\n"
                                              "/\\uck_________/\\_/  \\_/    \\_\n"));
    return rope_flatten(rope);
}

RtString report_render_visible(RtString text) {
    Rope rope = rope_append(nullptr, string_make_empty());
    const u8* bytes = string_bytes(text);
    i64 n = string_length(text);
    int current = GLYPH_PLAIN;
    i64 i = 0;
    while (i < n) {
        int glyph_class = banner_glyph_class(bytes[i]);
        i64 end = i + 1;
        while (end < n && banner_glyph_class(bytes[end]) == glyph_class) ++end;
        if (glyph_class != current) {
            rope = rope_append(rope, string_from_cstr(banner_class_opening(glyph_class)));
            current = glyph_class;
        }
        rope = rope_append(rope, banner_glyph_run(bytes, i, end));
        i = end;
    }
    if (current != GLYPH_PLAIN) rope = rope_append(rope, string_from_cstr(ANSI_RESET));
    return rope_flatten(rope);
}

RtString report_format_banner(Report report) {
    Rope rope = rope_append(nullptr, banner_art(report.kind));
    struct Line {
        const char* label;
        const RtString* field;
    } lines[] = {
        {" <way> ", &report.way},
        {" <vip> ", &report.vip},
        {" <tip> ", &report.tip},
        {" <say> ", &report.say},
    };
    for (const Line& line : lines) {
        if (string_length(*line.field) == 0) continue;
        rope = rope_append(rope, string_from_cstr(line.label));
        rope = rope_append(rope, report_render_visible(string_copy(*line.field)));
        rope = rope_append(rope, string_from_char('\n'));
    }
    report_release(report);
    return rope_flatten(rope);
}
