// The bracket and comma check: brackets forwards, then commas backwards.
#include "brackets.h"

#include "glyph.h"
#include "names.h"
#include "normalize.h"

static bool char_opens(u8 c) { return c == '(' || c == '[' || c == '{'; }

// The closing bracket of the same kind as opener.
static u8 bracket_closer(u8 opener) { return opener == '(' ? ')' : opener == '[' ? ']' : '}'; }

// Fills the report for an error about the byte at offset at.
static bool bracket_fail(Report& report, i64& error_offset, i64 at, const char* kind, RtString say,
                         RtString vip) {
    report.say = std::move(say);
    report.kind = string_from_cstr(kind);
    report.vip = std::move(vip);
    error_offset = at;
    return false;
}

// "prefix" + WORD(byte) + " at [" + code + "]."
static RtString dangling_message(const char* prefix, u8 bracket, i64 at) {
    Rope rope = rope_append(nullptr, string_from_cstr(prefix));
    rope = rope_append(rope, bracket_word(bracket));
    rope = rope_append(rope, string_from_cstr(" at ["));
    rope = rope_append(rope, position_to_code(at));
    rope = rope_append(rope, string_from_cstr("]."));
    return rope_flatten(rope);
}

// "'" + B(o) + "' at [" + P(o) + "] doesn't fit '" + B(i) + "' at [" + P(i) + "]."
static RtString mismatch_message(u8 opener, i64 o, u8 closer, i64 i) {
    Rope rope = rope_append(nullptr, string_from_cstr("'"));
    rope = rope_append(rope, string_from_char(opener));
    rope = rope_append(rope, string_from_cstr("' at ["));
    rope = rope_append(rope, position_to_code(o));
    rope = rope_append(rope, string_from_cstr("] doesn't fit '"));
    rope = rope_append(rope, string_from_char(closer));
    rope = rope_append(rope, string_from_cstr("' at ["));
    rope = rope_append(rope, position_to_code(i));
    rope = rope_append(rope, string_from_cstr("]."));
    return rope_flatten(rope);
}

// Phase 1, forwards: a stack of the offsets of open brackets. Inside a
// square group only square brackets count.
static bool check_brackets(const u8* s, i64 n, Report& report, i64& error_offset) {
    PositionList open;
    for (i64 i = 0; i < n; ++i) {
        const u8 c = s[i];
        if (!list_is_empty(open) && s[list_back(open)->value] == '[') {
            if (c == '[') {
                list_push_back(open, i);
            } else if (c == ']') {
                list_pop_back(open);
            }
        } else if (char_opens(c)) {
            list_push_back(open, i);
        } else if (c == ')' || c == ']' || c == '}') {
            if (list_is_empty(open)) {
                RtString say = dangling_message("Dangling right-", c, i);
                return bracket_fail(report, error_offset, i, "match", std::move(say), position_to_code(i));
            }
            const i64 o = list_back(open)->value;
            if (bracket_closer(s[o]) != c) {
                report.tip = position_to_code(i);
                return bracket_fail(report, error_offset, o, "match", mismatch_message(s[o], o, c, i),
                                    position_to_code(o));
            }
            list_pop_back(open);
        }
    }
    if (list_is_empty(open)) return true;
    const i64 o = list_back(open)->value;  // the innermost bracket left open
    return bracket_fail(report, error_offset, o, "match", dangling_message("Dangling left-", s[o], o),
                        position_to_code(o));
}

// Whether a parenthesis group with a top-level comma, opening after the
// byte before, is read as a call list: it must follow the end of a group or
// a byte that ends an operand. Opening brackets, wings and prefix operators
// do not: the parser would read a plain group there and meet the comma.
static bool comma_group_is_call(u8 before) {
    if (before == ')' || before == ']') return true;
    if (char_is_operator(before) || char_is_prefix_operator(before)) return false;
    return before != '(' && before != '{' && before != '}';
}

// Phase 2, backwards: for each parenthesis group being passed, the offset of
// its ")" and, above it, of its leftmost top-level comma so far. Wing groups
// hold brace-list commas, which are always fine.
static bool check_commas(RtString text, Report& report, i64& error_offset) {
    const u8* s = string_bytes(text);
    PositionList groups;  // pushed and popped at the head
    for (i64 j = string_length(text) - 1; j >= 0; --j) {
        const u8 c = s[j];
        if (c == ']') {
            j = text_match_bracket(text, j);  // square groups are data
        } else if (c == ')' || c == '}') {
            list_push_front(groups, j);
        } else if (c == ',') {
            if (list_is_empty(groups)) continue;
            ListCell<i64>* top = list_front(groups);
            if (s[top->value] == ')') {
                list_push_front(groups, j);
            } else if (s[top->value] == ',') {
                top->value = j;
            }
        } else if (c == '{') {
            VORN_ASSERT(s[list_front(groups)->value] == '}');
            list_pop_front(groups);
        } else if (c == '(') {
            const i64 top = list_front(groups)->value;
            if (s[top] == ',') {
                if (j == 0 || !comma_group_is_call(s[j - 1])) {
                    RtString say = string_concat(string_from_cstr("Comma at ["), position_to_code(top));
                    string_append(say, string_from_cstr("] is not part of a valid call list."));
                    return bracket_fail(report, error_offset, top, "comma", std::move(say),
                                        position_to_code(top));
                }
                list_pop_front(groups);
            }
            VORN_ASSERT(s[list_front(groups)->value] == ')');
            list_pop_front(groups);
        }
    }
    return true;
}

bool source_check_brackets(RtString text, Report& report, i64& error_offset) {
    if (!check_brackets(string_bytes(text), string_length(text), report, error_offset)) return false;
    return check_commas(std::move(text), report, error_offset);
}
