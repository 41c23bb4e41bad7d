// The lexical layer: blank reduction, bracket partners and top-level cuts.
#include "normalize.h"

#include <climits>
#include <string>

#include "glyph.h"

static bool char_is_blank(u8 c) { return c == ' ' || c == '\n'; }
static bool char_opens(u8 c) { return c == '(' || c == '[' || c == '{'; }
static bool char_is_bracket(u8 c) { return char_opens(c) || c == ')' || c == ']' || c == '}'; }

// Membership in a NUL-terminated set; the byte 0 is in no set.
static bool char_in_set(const char* set, u8 c) {
    if (c == 0) return false;
    for (const char* p = set; *p; ++p)
        if (u8(*p) == c) return true;
    return false;
}

// ---------------------------------------------------------------------------
// Blank reduction
// ---------------------------------------------------------------------------

// Whether a blank run between the bytes before and after it disappears.
static bool blank_run_dropped(u8 before, u8 after) {
    return char_is_operator(before) || char_is_operator(after) || before == '(' || before == '{' ||
           before == '}' || after == ')' || after == '{' || after == '}';
}

RtString source_normalize_space(RtString text) {
    const u8* s = string_bytes(text);
    const i64 full = string_length(text);
    i64 i = 0;
    i64 n = full;
    while (i < n && char_is_blank(s[i])) ++i;
    while (i < n && char_is_blank(s[n - 1])) --n;
    if (i == n) return string_make_empty();
    std::string out;
    out.reserve(size_t(full - i));
    while (i < n) {
        u8 c = s[i];
        if (c == '[') {
            // A square group is copied whole; an unclosed one up to the end
            // of the text, trailing blanks included.
            i64 j = i;
            i64 depth = 0;
            while (j < full) {
                u8 d = s[j++];
                if (d == '[') {
                    ++depth;
                } else if (d == ']' && --depth == 0) {
                    break;
                }
            }
            out.append(reinterpret_cast<const char*>(s + i), size_t(j - i));
            i = j;
        } else if (!char_is_blank(c)) {
            out.push_back(char(c));
            ++i;
        } else {
            // The run cannot reach n: the byte at n - 1 is no blank.
            i64 j = i;
            bool newline = false;
            while (char_is_blank(s[j])) newline |= s[j++] == '\n';
            if (!blank_run_dropped(s[i - 1], s[j])) out.push_back(newline ? '\n' : ' ');
            i = j;
        }
    }
    return string_from_bytes(out.data(), i64(out.size()));
}

// ---------------------------------------------------------------------------
// Bracket partners
// ---------------------------------------------------------------------------

// The partner of the bracket at p among the n bytes at s, found by walking:
// square brackets count only each other; parentheses and wings count alike
// and skip square groups whole. p outside the bytes, or a walk that runs off
// them, is a fatal assertion.
static i64 bytes_match_bracket(const u8* s, i64 n, i64 p) {
    VORN_ASSERT(p >= 0);
    VORN_ASSERT(p < n);
    const u8 c = s[p];
    if (!char_is_bracket(c)) return p;
    const i64 d = char_opens(c) ? 1 : -1;
    const bool square = c == '[' || c == ']';
    i64 k = 0;
    for (i64 q = p;; q += d) {
        VORN_ASSERT(q >= 0 && q < n);
        const u8 b = s[q];
        if (square) {
            if (b == '[') {
                k += d;
            } else if (b == ']') {
                k -= d;
            }
        } else if (b == '[' || b == ']') {
            // A square group is entered at its near end only: "]" going
            // forwards (or "[" going backwards) means the brackets do not
            // balance, and jumping would walk the same bytes forever.
            VORN_ASSERT((b == '[') == (d > 0));
            q = bytes_match_bracket(s, n, q);
            continue;
        } else if (b == '(' || b == '{') {
            k += d;
        } else if (b == ')' || b == '}') {
            k -= d;
        }
        VORN_ASSERT(k >= 0);
        if (k == 0) return q;
    }
}

BracketIndex bracket_index_build(const RtString& text) {
    BracketIndex index{string_bytes(text), string_length(text), {}};
    if (index.length > INT32_MAX) return index;
    const u8* s = index.bytes;
    std::vector<int32_t> partner(size_t(index.length), -1);
    std::vector<int32_t> open;
    for (int32_t i = 0; i < int32_t(index.length); ++i) {
        const u8 c = s[i];
        bool closes = false;
        if (!open.empty() && s[open.back()] == '[') {  // inside a square group
            if (c == '[') {
                open.push_back(i);
            } else if (c == ']') {
                closes = true;
            }
        } else if (char_opens(c)) {
            open.push_back(i);
        } else if (c == ')' || c == '}') {
            if (open.empty()) return index;  // unbalanced: walk instead
            closes = true;
        } else if (c == ']') {
            return index;
        }
        if (closes) {
            partner[size_t(i)] = open.back();
            partner[size_t(open.back())] = i;
            open.pop_back();
        }
    }
    if (open.empty()) index.partner = std::move(partner);
    return index;
}

// The recorded partner (absolute) of the byte at absolute offset at, or -1.
static i64 index_partner(const BracketIndex& index, i64 at) {
    return index.partner.empty() ? -1 : index.partner[size_t(at)];
}

// ---------------------------------------------------------------------------
// Windows
// ---------------------------------------------------------------------------

u8 span_byte(const TextSpan& span, i64 i) {
    VORN_ASSERT(i >= 0);
    VORN_ASSERT(i <= span.length);
    return i == span.length ? 0 : span.index->bytes[span.start + i];
}

TextSpan span_sub(const TextSpan& span, i64 from, i64 count) {
    VORN_ASSERT(from >= 0);
    VORN_ASSERT(count >= 0);
    VORN_ASSERT(count <= span.length - from);
    return TextSpan{span.index, span.start + from, count};
}

RtString span_to_string(const TextSpan& span) {
    return string_from_bytes(span.index->bytes + span.start, span.length);
}

i64 span_match_bracket(const TextSpan& span, i64 p) {
    VORN_ASSERT(p >= 0);
    VORN_ASSERT(p < span.length);
    const i64 at = span.start + p;
    if (!char_is_bracket(span.index->bytes[at])) return p;
    const i64 partner = index_partner(*span.index, at);
    if (partner < 0) return bytes_match_bracket(span.index->bytes + span.start, span.length, p);
    VORN_ASSERT(partner >= span.start && partner < span.start + span.length);
    return partner - span.start;
}

PositionList span_find_top_level(const TextSpan& span, const char* set) {
    PositionList list;
    for (i64 i = 0; i < span.length; i = span_match_bracket(span, i) + 1)
        if (char_in_set(set, span_byte(span, i))) list_push_back(list, i);
    return list;
}

i64 span_find_char_from(i64 start, const TextSpan& span, const char* set) {
    VORN_ASSERT(start >= 0);
    i64 k = 0;  // 0: top level; > 0: square depth; < 0: parenthesis depth
    i64 saved = 0;  // the parenthesis depth a square group returns to
    for (i64 q = start; q < span.length; ++q) {
        const u8 c = span_byte(span, q);
        if (k == 0) {
            if (char_in_set(set, c)) return q;
            if (!char_opens(c)) continue;
            const i64 partner = index_partner(*span.index, span.start + q);
            if (partner >= span.start + q && partner < span.start + span.length) {
                q = partner - span.start;  // skip the group whole
            } else if (c == '[') {
                saved = 0;
                k = 1;
            } else {
                k = -1;
            }
        } else if (k > 0) {
            if (c == '[') {
                ++k;
            } else if (c == ']' && --k == 0) {
                k = saved;
            }
        } else if (c == ')' || c == ']' || c == '}') {
            ++k;
        } else if (c == '[') {
            saved = k;
            k = 1;
        } else if (c == '(' || c == '{') {
            --k;
        }
    }
    return -1;
}

TextSpan span_operand_first(const PositionList& list, const TextSpan& span) {
    if (list_is_empty(list)) return span;
    return span_sub(span, 0, list_front(list)->value);
}

TextSpan span_operand_pop_next(PositionList& list, const TextSpan& span) {
    const i64 p = list_front(list)->value;
    list_pop_front(list);
    const i64 end = list_is_empty(list) ? span.length : list_front(list)->value;
    return span_sub(span, p + 1, end - p - 1);
}

TextSpan span_operand_pop_split(PositionList& list, const TextSpan& span) {
    const i64 p = list_back(list)->value;
    list_pop_back(list);
    if (list_is_empty(list)) return span_sub(span, 0, p);
    const i64 m = span_match_bracket(span, list_back(list)->value);
    return span_sub(span, m + 1, p - m - 1);
}

// ---------------------------------------------------------------------------
// Whole texts
// ---------------------------------------------------------------------------

// A window over all of text with no recorded partners (one cut of a text
// walks each group once, which is already linear).
static TextSpan whole_text(const RtString& text, BracketIndex& index) {
    index = BracketIndex{string_bytes(text), string_length(text), {}};
    return TextSpan{&index, 0, index.length};
}

i64 text_match_bracket(RtString text, i64 p) {
    return bytes_match_bracket(string_bytes(text), string_length(text), p);
}

PositionList text_find_top_level(RtString text, const char* set) {
    BracketIndex index;
    return span_find_top_level(whole_text(text, index), set);
}

i64 text_find_char_from(i64 start, RtString text, const char* set) {
    BracketIndex index;
    return span_find_char_from(start, whole_text(text, index), set);
}

RtString operand_first(const PositionList& list, RtString text) {
    BracketIndex index;
    return span_to_string(span_operand_first(list, whole_text(text, index)));
}

RtString operand_pop_next(PositionList& list, RtString text) {
    BracketIndex index;
    return span_to_string(span_operand_pop_next(list, whole_text(text, index)));
}

RtString operand_pop_split(PositionList& list, RtString text) {
    BracketIndex index;
    return span_to_string(span_operand_pop_split(list, whole_text(text, index)));
}
