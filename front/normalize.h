// The lexical layer of program text: which bytes are blanks and how blank
// runs are reduced, how the three kinds of brackets nest, and how a text is
// cut at bytes that stand outside every bracket group.
//
// Square groups are opaque: inside them only "[" and "]" count. Parentheses
// and wings nest together and count alike. Offsets are byte offsets into the
// text the caller passes; every reader of a PositionList is given the same
// text again.
#pragma once

#include <vector>

#include "s.h"

// The text without leading and trailing blanks (space and newline only),
// each inner blank run dropped when it touches an operator byte or sits after
// "(" "{" "}" or before ")" "{" "}", and otherwise reduced to one newline if
// it held one, else one space. Square groups are copied verbatim; an unclosed
// one is copied to the end of the text.
RtString source_normalize_space(RtString text);

// The offset of the partner of the bracket at p, or p when the byte there is
// no bracket. p outside the text, or a bracket without partner in the
// direction searched, is a fatal assertion.
i64 text_match_bracket(RtString text, i64 p);

// The ascending offsets of the bytes of set (NUL-terminated) that stand at
// the top level of text. A set byte that opens a group is recorded and its
// group skipped. A closing bracket at the top level is a fatal assertion.
PositionList text_find_top_level(RtString text, const char* set);

// The first offset at or after start whose byte is in set and which lies
// outside every group opened at or after start; -1 when there is none.
i64 text_find_char_from(i64 start, RtString text, const char* set);

// The text before the list's first offset; the whole text when the list is
// empty. The list is unchanged.
RtString operand_first(const PositionList& list, RtString text);

// Removes the list's head p and returns the text from p + 1 up to the next
// offset, or to the end. An empty list is a fatal assertion.
RtString operand_pop_next(PositionList& list, RtString text);

// Removes the list's tail p and returns the text before p, starting after
// the group (or byte) at the new tail offset, or at 0 when none is left. An
// empty list is a fatal assertion.
RtString operand_pop_split(PositionList& list, RtString text);

// ---------------------------------------------------------------------------
// Cutting one text many times
//
// The parser cuts a text, then each operand, then each operand's groups. To
// keep that linear in the text's length it reads windows of one text whose
// bracket partners are found once, instead of copying substrings and
// searching for partners again at every level. Each operation below gives
// the result of its RtString form above applied to the window's bytes.
// ---------------------------------------------------------------------------

// One text with the partner offset of every bracket outside square groups
// and of every square bracket. The bytes stay owned by the caller's text.
// When the text's brackets do not balance, no partner is recorded and the
// operations below search byte by byte.
struct BracketIndex {
    const u8* bytes;
    i64 length;
    std::vector<int32_t> partner;  // -1 where no partner is recorded
};

// The index of text, which must outlive it.
BracketIndex bracket_index_build(const RtString& text);

// A window [start, start + length) of an indexed text; offsets passed to and
// returned by the span operations are relative to start.
struct TextSpan {
    const BracketIndex* index;
    i64 start;
    i64 length;
};

// The byte at i of the window; 0 at i = length, as at the end of a text.
u8 span_byte(const TextSpan& span, i64 i);

// The window of count bytes from offset from of span.
TextSpan span_sub(const TextSpan& span, i64 from, i64 count);

// A new runtime string holding the window's bytes.
RtString span_to_string(const TextSpan& span);

// text_match_bracket within the window.
i64 span_match_bracket(const TextSpan& span, i64 p);

// text_find_top_level within the window.
PositionList span_find_top_level(const TextSpan& span, const char* set);

// text_find_char_from within the window.
i64 span_find_char_from(i64 start, const TextSpan& span, const char* set);

// operand_first, operand_pop_next and operand_pop_split within the window.
TextSpan span_operand_first(const PositionList& list, const TextSpan& span);
TextSpan span_operand_pop_next(PositionList& list, const TextSpan& span);
TextSpan span_operand_pop_split(PositionList& list, const TextSpan& span);
