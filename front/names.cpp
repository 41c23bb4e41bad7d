// Name rules.
#include "names.h"

#include "glyph.h"

bool string_is_lower_identifier(RtString text) {
    i64 n = string_length(text);
    if (n == 0) return false;
    const u8* bytes = string_bytes(text);
    for (i64 i = 0; i < n; ++i)
        if (!(bytes[i] == '_' || (bytes[i] >= 'a' && bytes[i] <= 'z'))) return false;
    return true;
}

// A byte that is a name on its own in both forms: control, capital or high.
static bool name_single_byte(u8 c) {
    return (c >= 0x01 && c <= 0x1F) || (c >= 'A' && c <= 'Z') || c >= 0x7F;
}

static bool name_starts_lower(const RtString& name) {
    u8 c = string_char_at(name, 0);
    return c == '_' || (c >= 'a' && c <= 'z');
}

bool name_is_definable(RtString name) {
    i64 n = string_length(name);
    if (n == 0) return false;
    if (name_starts_lower(name)) return string_is_lower_identifier(std::move(name));
    const u8* bytes = string_bytes(name);
    if (bytes[0] == '[') return n == 3 && bytes[2] == ']' && char_is_operator_name(bytes[1]);
    return n == 1 && name_single_byte(bytes[0]);
}

RtString name_normalize(RtString name) {
    VORN_ASSERT(name_is_definable(string_copy(name)));
    if (string_char_at(name, 0) == '[') return string_substring(name, 1, 1);
    return name;
}

bool name_is_valid(RtString name) {
    i64 n = string_length(name);
    if (n == 0) return false;
    if (name_starts_lower(name)) return string_is_lower_identifier(std::move(name));
    u8 c = string_char_at(name, 0);
    return n == 1 && (name_single_byte(c) || char_is_operator_name(c));
}

void name_require_valid(RtString name) { VORN_ASSERT(name_is_valid(std::move(name))); }

bool name_is_local(RtString name) {
    if (string_length(name) != 1) return false;
    u8 c = string_char_at(name, 0);
    return c >= 'a' && c <= 'z';
}

RtString bracket_word(u8 c) {
    switch (c) {
    case '(':
    case ')':
        return string_from_cstr("parenthesis");
    case '[':
    case ']':
        return string_from_cstr("bracket");
    case '{':
    case '}':
        return string_from_cstr("wing");
    }
    VORN_ASSERT(false);
    return string_make_empty();  // not reached
}
