// Character class builtins: eleven tests answering "K" or "H" and three
// conversions, over the low 32 bits of an integer as a signed int c. The
// classes are the "C" locale's over ASCII: no value outside 0 .. 127 is in
// any class. A non-integer answers "Z".
#pragma once

#include "node.h"
#include "tables.h"

// The classes, each an index into the table of byte ranges in charclass.cpp.
enum CharClass {
    CHARCLASS_ALNUM,
    CHARCLASS_ALPHA,
    CHARCLASS_ASCII,
    CHARCLASS_BLANK,
    CHARCLASS_DIGIT,
    CHARCLASS_GRAPH,
    CHARCLASS_LOWER,
    CHARCLASS_PRINT,
    CHARCLASS_PUNCT,
    CHARCLASS_SPACE,
    CHARCLASS_UPPER,
};

// The test of class k over the one argument: "K" when c is in the class,
// "H" when not.
NodeRef charclass_test(NodeRef app, CharClass k);
template <CharClass K>
NodeRef charclass_builtin(NodeRef app) {
    return charclass_test(std::move(app), K);
}

inline constexpr BuiltinFn builtin_isalnum = charclass_builtin<CHARCLASS_ALNUM>;
inline constexpr BuiltinFn builtin_isalpha = charclass_builtin<CHARCLASS_ALPHA>;
// isascii: c from 0 to 127 (the 32 bits below 128 unsigned).
inline constexpr BuiltinFn builtin_isascii = charclass_builtin<CHARCLASS_ASCII>;
inline constexpr BuiltinFn builtin_isblank = charclass_builtin<CHARCLASS_BLANK>;
inline constexpr BuiltinFn builtin_isdigit = charclass_builtin<CHARCLASS_DIGIT>;
inline constexpr BuiltinFn builtin_isgraph = charclass_builtin<CHARCLASS_GRAPH>;
inline constexpr BuiltinFn builtin_islower = charclass_builtin<CHARCLASS_LOWER>;
inline constexpr BuiltinFn builtin_isprint = charclass_builtin<CHARCLASS_PRINT>;
inline constexpr BuiltinFn builtin_ispunct = charclass_builtin<CHARCLASS_PUNCT>;
inline constexpr BuiltinFn builtin_isspace = charclass_builtin<CHARCLASS_SPACE>;
inline constexpr BuiltinFn builtin_isupper = charclass_builtin<CHARCLASS_UPPER>;

// toascii c: c AND 127.
NodeRef builtin_toascii(NodeRef app);
// tolower c: c + 32 for c from 65 to 90, else c.
NodeRef builtin_tolower(NodeRef app);
// toupper c: c - 32 for c from 97 to 122, else c.
NodeRef builtin_toupper(NodeRef app);
