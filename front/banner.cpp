// The error banner and the visible form of report fields.
#include "banner.h"

#include <cstring>

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

// Writes the bytes of a banner into a buffer that is measured first: with
// no buffer (at null) a writer only counts, so that one pass sizes the
// result and a second fills it, and a huge field costs its own bytes once.
struct BannerWriter {
    u8* at = nullptr;
    i64 length = 0;

    void put(const u8* bytes, i64 n) {
        if (at) std::memcpy(at + length, bytes, size_t(n));
        length += n;
    }
    void put(const char* text) { put(reinterpret_cast<const u8*>(text), i64(std::strlen(text))); }
    void put(const RtString& text) { put(string_bytes(text), string_length(text)); }
};

// The visible form of n bytes (see report_render_visible).
void banner_put_visible(const u8* bytes, i64 n, BannerWriter& out) {
    int current = GLYPH_PLAIN;
    for (i64 i = 0; i < n; ++i) {
        int glyph_class = banner_glyph_class(bytes[i]);
        if (glyph_class != current) {
            out.put(banner_class_opening(glyph_class));
            current = glyph_class;
        }
        u8 glyph = banner_glyph(bytes[i]);
        out.put(&glyph, 1);
    }
    if (current != GLYPH_PLAIN) out.put(ANSI_RESET);
}

void banner_put_art(const RtString& kind, BannerWriter& out) {
    out.put("                        /\\\n\\/\\oh [");
    out.put(kind);
    out.put("]     /\\   /  \\\n"
            "/\\uck_________/\\_/  \\_/    \\_\n");
}

void banner_put_report(const Report& report, BannerWriter& out) {
    banner_put_art(report.kind, out);
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
        out.put(line.label);
        banner_put_visible(string_bytes(*line.field), string_length(*line.field), out);
        out.put("\n");
    }
}

// The text that put writes, made in two passes.
template <class Put>
RtString banner_measured_text(const Put& put) {
    BannerWriter measure;
    put(measure);
    RtString text = string_with_length(measure.length);
    BannerWriter fill{string_writable_bytes(text), 0};
    put(fill);
    VORN_ASSERT(fill.length == measure.length);
    return text;
}

}  // namespace

RtString banner_art(const RtString& kind) {
    return banner_measured_text([&](BannerWriter& out) { banner_put_art(kind, out); });
}

RtString report_render_visible(RtString text) {
    return banner_measured_text(
        [&](BannerWriter& out) { banner_put_visible(string_bytes(text), string_length(text), out); });
}

RtString report_format_banner(Report report) {
    RtString banner = banner_measured_text([&](BannerWriter& out) { banner_put_report(report, out); });
    report_release(report);
    return banner;
}
