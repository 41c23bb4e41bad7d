// Program definition: turns a program's text into the main expression under
// MAIN_NAME, a stub for every builtin and the program's global definitions,
// and attaches source lines to line marks.
#pragma once

#include "node.h"
#include "report.h"
#include "s.h"
#include "tables.h"

// The key of the main expression in `definitions`.
inline constexpr char MAIN_NAME[] = "";
// The line mark: a backquote outside square brackets in program text.
inline constexpr u8 LINE_MARKER = '`';

// Defines the program text (released) after prelude_load: checks brackets
// and commas on the raw text, enters the builtin stubs, records the lines of
// line marks, then normalises and cuts the text at top-level commas. The
// first piece becomes the main expression; a later piece HEAD\BODY with a
// definable head becomes a definition (a head NAME() is wrapped: stored as
// (I BODY) and entered in `wrapped_names`); other pieces are dropped.
// Returns kind "check", or the first error: "match" or "comma" from the
// bracket check, "lower" for a single lowercase letter, "built" for the
// backslash, '{' or a builtin's name. Entries made before an error stay.
Report program_define(RtString text);

// Walks term depth first, left before right, giving each leaf whose first
// byte is the backquote the smallest line left in lines (its low 26 bits,
// in the leaf's aux) and removing that line. A backquote leaf with no line
// left is a fatal assertion. Releases term.
void backtick_lines_attach(NodeRef term, LineSet& lines);

// The stub definition of a builtin of the given arity: \a\b...Z with arity
// binders named by the first letters, or the leaf Z for arity 0.
NodeRef builtin_stub(u8 arity);
