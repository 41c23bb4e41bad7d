// Abbreviation of quoted texts and the display escape.
#include "abbrev.h"

#include <string>

#include "normalize.h"

// The closer of an opening bracket.
static char abbrev_closer(u8 opener) { return opener == '(' ? ')' : opener == '[' ? ']' : '}'; }

// The shared walk of both bracket-keeping abbreviations; wings count as
// brackets only when with_wings is set.
static RtString abbreviate_keeping_brackets(const RtString& text, bool with_wings) {
    const u8* s = string_bytes(text);
    const i64 n = string_length(text);
    std::string out;
    std::string open;  // the brackets opened and not yet closed, innermost last
    for (i64 i = 0; i < n; ++i) {
        const u8 c = s[i];
        const i64 used = i64(out.size() + open.size());
        if (used == ABBREV_WIDTH) break;
        if (!open.empty() && open.back() == '[') {  // inside "[" only "[" and "]" count
            if (c == '[') {
                if (used == ABBREV_WIDTH - 1) break;
                open.push_back('[');
            } else if (c == ']') {
                open.pop_back();
            }
        } else {
            const bool opens = c == '(' || c == '[' || (with_wings && c == '{');
            if (opens && used == ABBREV_WIDTH - 1) break;  // no room for it and its closer
            if (opens) {
                open.push_back(char(c));
            } else if ((c == ')' || (with_wings && c == '}')) && !open.empty()) {
                open.pop_back();  // whatever bracket is on top
            }
        }
        out.push_back(char(c));
    }
    for (auto it = open.rbegin(); it != open.rend(); ++it) out.push_back(abbrev_closer(u8(*it)));
    return string_from_bytes(out.data(), i64(out.size()));
}

RtString text_abbreviate_balanced(RtString text) { return abbreviate_keeping_brackets(text, true); }

RtString text_abbreviate_balanced_paren(RtString text) { return abbreviate_keeping_brackets(text, false); }

RtString text_abbreviate_source(RtString text) {
    return text_abbreviate_balanced(source_normalize_space(std::move(text)));
}

RtString text_abbreviate_ellipsis(RtString text) {
    const i64 n = string_length(text);
    if (n == 5) return string_concat(text, string_from_cstr(" \""));
    if (n > ABBREV_WIDTH) {
        RtString cut = string_substring(text, 0, ABBREV_WIDTH - 3);
        string_append(cut, string_from_cstr("..."));
        return cut;
    }
    return text;
}

// Whether the display escape writes byte c as "[XX]".
static bool display_escapes(u8 c) { return c < 0x20 || c == '[' || c == ']' || c >= 0x7F; }

RtString string_escape_for_display(RtString text) {
    const u8* s = string_bytes(text);
    const i64 n = string_length(text);
    std::string out;
    out.reserve(size_t(n));
    for (i64 i = 0; i < n; ++i) {
        const u8 c = s[i];
        if (!display_escapes(c)) {
            out.push_back(char(c));
            continue;
        }
        out.push_back('[');
        out.push_back(HEX_DIGITS[c >> 4]);
        out.push_back(HEX_DIGITS[c & 0xF]);
        out.push_back(']');
    }
    return string_from_bytes(out.data(), i64(out.size()));
}
