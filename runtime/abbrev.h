// Texts shown to a person: program text, names and printed values shortened
// for messages, and file names with their unprintable bytes made visible.
#pragma once

#include "s.h"

// The longest text the bracket-keeping abbreviations return, and the length
// above which text_abbreviate_ellipsis cuts.
inline constexpr i64 ABBREV_WIDTH = 72;

// Upper-case hexadecimal digits of the display escape.
inline constexpr char HEX_DIGITS[] = "0123456789ABCDEF";

// The text copied from its start, cut where it and the closers of the
// brackets it opened ("(", "{", "["; inside "[" only square brackets count)
// would no longer fit in 72 bytes, then those closers, innermost first. A
// closer with nothing open is copied as a plain byte. Releases text.
RtString text_abbreviate_balanced(RtString text);

// As text_abbreviate_balanced with only "(" and "[" counted as brackets;
// "{" and "}" are plain bytes.
RtString text_abbreviate_balanced_paren(RtString text);

// text_abbreviate_balanced of the text's blank-normalised form (program text
// whose square groups need not be closed). Releases text.
RtString text_abbreviate_source(RtString text);

// A text of 73 bytes or more becomes its first 69 bytes and "..."; a text of
// exactly 5 bytes gets a blank and a double quote appended; any other text
// comes back unchanged. Releases text.
RtString text_abbreviate_ellipsis(RtString text);

// The text with every byte 0x00-0x1F, "[", "]" and 0x7F-0xFF written as "["
// + its two upper-case hex digits + "]". Releases text.
RtString string_escape_for_display(RtString text);
