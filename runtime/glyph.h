// Character tables: the base-64 digit alphabet, the glyph coding of bytes,
// the operator character sets of the front end, and the bracket names that
// stand for single bytes inside data texts (the `char_names` table).
#pragma once

#include "s.h"
#include "tables.h"

// ---------------------------------------------------------------------------
// Digits and operator character sets
// ---------------------------------------------------------------------------

// The program's base-64 digits: the character at index v has the value v.
inline constexpr char DIGIT64_ALPHABET[] =
    "_abcdefghijklmnopqrustvwzxy0123456789ABCDEFGHIJKLMNOPQRUSTVWZXY~";

// Separator bytes of the infix operators, blanks included (22 bytes).
inline constexpr char INFIX_OPERATOR_CHARS[] = "\n #%&'*+,-./:;<=>?@\\^|";
// Bytes that work as prefix and postfix operators (5 bytes).
inline constexpr char PREFIX_OPERATOR_CHARS[] = "~!\"$`";
// Bytes that end a run of adjacent pieces: infix and prefix operator bytes
// and the six bracket bytes (33 bytes).
inline constexpr char ADJACENCY_BREAK_CHARS[] = "\n #%&'*+,-./:;<=>?@\\^|~!\"$`()[]{}";
// Bytes that can be a global name on their own: every operator byte but the
// blanks, plus the wings (27 bytes).
inline constexpr char OPERATOR_NAME_CHARS[] = "{,}~!@#$%^&*<>-|+/=\\.`'\":;?";

// The value 0..63 of c in DIGIT64_ALPHABET; any other byte is a fatal
// assertion.
int digit64_value(u8 c);

// True for the bytes of INFIX_OPERATOR_CHARS.
bool char_is_operator(u8 c);
// True for the bytes of PREFIX_OPERATOR_CHARS.
bool char_is_prefix_operator(u8 c);
// True for the bytes of ADJACENCY_BREAK_CHARS.
bool char_is_adjacency_break(u8 c);
// True for the bytes of OPERATOR_NAME_CHARS.
bool char_is_operator_name(u8 c);

// ---------------------------------------------------------------------------
// Glyph coding
// ---------------------------------------------------------------------------

// Glyph classes: how a glyph character stands for its byte.
inline constexpr int GLYPH_HIGH = 1;     // the character + 128
inline constexpr int GLYPH_CONTROL = 2;  // through the control table
inline constexpr int GLYPH_PLAIN = 3;    // the character itself

// The 256 glyph pairs: pair i is (class digit i, character i).
extern const char BYTE_GLYPH_CLASSES[];
extern const char BYTE_GLYPH_CHARS[];

// The byte that the glyph (glyph_class, c) stands for. A class-2 character
// outside the control table is the internal failure "nopqchar".
u8 char_to_code(int glyph_class, u8 c);

// The index (0..255) of the glyph pair that stands for byte b.
int glyph_pair_of_byte(u8 b);

// The largest a with a * a <= n.
u64 u64_isqrt(u64 n);

// ---------------------------------------------------------------------------
// Bracket names
// ---------------------------------------------------------------------------

// The bracket name numbered n: "[]" for 0, else "[" + name(x) + name(y)
// without its first byte. n >= 677 is a fatal assertion.
RtString bracket_name_from_number(u64 n);

// `char_names`: bracket name -> one-byte text and back, for the 254 bytes
// other than '[' and ']', byte b named by number 145 + its glyph pair.
// Filled completely on first use (while still empty); lives to the normal
// end of the process.
TextMap& bracket_char_table();

// The entry of char_names for key, or null.
const RtString* char_names_find(const RtString& key);

// The offset of the first byte of the last element of data text t, or -1
// when the text's brackets are broken there (a stray '[' or ']' as last
// element, a group without opener). t = "[]" is a fatal assertion.
i64 bracket_name_last_index(RtString t);

// t without its last element, then "]": [ab] gives [a], [a] gives [].
// "" when t has no readable last element (see bracket_name_last_index).
RtString bracket_name_drop_last(RtString t);

// The last element of t in bracket-name form: a single byte as its bracket
// name, a nested group unchanged. "" when t has no readable last element.
RtString bracket_name_last(RtString t);

// t without its final byte, then e (written as its byte when e is the
// bracket name of one), then "]".
RtString bracket_name_append(RtString t, RtString e);
