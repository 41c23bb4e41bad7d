// Reports: the error record, its text form and position codes.
#include "report.h"

#include <cstring>

#include "glyph.h"

Report report_init() {
    Report report;
    report.kind = string_from_cstr("check");
    return report;
}

Report report_copy(const Report& source) {
    return Report{string_copy(source.say), string_copy(source.kind), string_copy(source.vip),
                  string_copy(source.tip), string_copy(source.way)};
}

void report_assign(Report& target, const Report& source) {
    string_assign(target.say, source.say);
    string_assign(target.kind, source.kind);
    string_assign(target.vip, source.vip);
    string_assign(target.tip, source.tip);
    string_assign(target.way, source.way);
}

void report_release(Report& report) {
    string_release(report.way);
    string_release(report.tip);
    string_release(report.vip);
    string_release(report.kind);
    string_release(report.say);
}

RtString report_to_text(Report report) {
    const RtString* fields[] = {&report.say, &report.kind, &report.vip, &report.tip, &report.way};
    Rope rope = rope_append(nullptr, string_from_cstr("['"));
    for (const RtString* field : fields) {
        rope = rope_append(rope, string_from_cstr("[\""));
        rope = rope_append(rope, *field);
        rope = rope_append(rope, string_from_cstr("]"));
    }
    rope = rope_append(rope, string_from_cstr("]"));
    report_release(report);
    return rope_flatten(rope);
}

// The offset of the "[" that opens the square group whose "]" is at close,
// counting only square brackets; -1 when the text begins before it opens.
static i64 square_open_before(const u8* s, i64 close) {
    i64 depth = 0;
    for (i64 q = close; q >= 0; --q) {
        if (s[q] == ']') {
            ++depth;
        } else if (s[q] == '[' && --depth == 0) {
            return q;
        }
    }
    return -1;
}

// Cuts way, tip, vip and kind from the right and say from what is left.
// False when the text does not have the shape report_to_text gives it.
static bool report_read_fields(const RtString& text, Report& report) {
    const u8* s = string_bytes(text);
    i64 n = string_length(text);
    if (n < 5 || std::memcmp(s, "['[\"", 4) != 0 || s[n - 1] != ']') return false;
    RtString* from_right[] = {&report.way, &report.tip, &report.vip, &report.kind};
    i64 close = n - 2;  // the "]" of the way group
    i64 open = -1;
    for (RtString* field : from_right) {
        if (close < 4 || s[close] != ']') return false;
        open = square_open_before(s, close);
        if (open < 0 || s[open + 1] != '"') return false;
        *field = string_substring(text, open + 2, close - open - 2);
        close = open - 1;
    }
    // close is now the byte before the kind group: the "]" that ends say.
    if (close < 4 || s[close] != ']') return false;
    report.say = string_substring(text, 4, close - 4);
    return true;
}

Report report_from_text(RtString text) {
    Report report = report_init();
    if (!report_read_fields(text, report)) {
        report = Report{};
        report.say = text;
    }
    return report;
}

NodeRef report_to_error_term(Report report) {
    NodeRef text = noderef_from_string(report_to_text(std::move(report)));
    return node_make_app(noderef_from_cstr("]"), text);
}

RtString position_to_code(i64 n) {
    VORN_ASSERT(n >= 0);
    if (n >= (i64(1) << 30)) return string_from_cstr("!!!!!");
    char code[5];
    for (int i = 4; i >= 0; --i) {
        code[i] = DIGIT64_ALPHABET[n % 64];
        n /= 64;
    }
    return string_from_bytes(code, 5);
}
