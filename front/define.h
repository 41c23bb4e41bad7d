// Program definition: turns a program's text into the main expression under
// MAIN_NAME, a stub for every builtin and the program's global definitions,
// and attaches source lines to line marks. Run-time loading runs the same
// stages on a text of its own, into maps of its own (define_unit).
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

// Where define_unit puts a text's pieces: the main expression under
// MAIN_NAME and the definitions in defs, the wrapped names in wrapped (both
// `definitions` and `wrapped_names` for a program file; maps of its own for
// run-time loading). normalised receives the normalised text.
struct DefineUnit {
    DefsMap& defs;
    NameSet& wrapped;
    RtString normalised;
};

// Decides whether a definition may have the normalised name that starts at
// offset q of the normalised text: true, or false after filling report.
using DefineNameRule = bool (*)(Report& report, const RtString& name, i64 q);

// The stages after the bracket check, on text (released) whose brackets and
// commas passed it: records the lines of the line marks in the raw text,
// normalises it and cuts it at top-level commas. The first piece becomes the
// main expression; each later piece ((\ HEAD) BODY) whose HEAD is a definable
// name, or NAME() with NAME definable, is stored under its normalised name
// when accept allows it (plain: the body, the name leaving wrapped; NAME():
// (I BODY) with a new leaf I, the name entering wrapped; a later piece of the
// same name replaces the earlier); other pieces are dropped. Line marks are
// attached to each piece as it is parsed, dropped ones included. False at the
// first name accept refuses; pieces stored before it stay.
bool define_unit(RtString text, DefineUnit& unit, Report& report, DefineNameRule accept);

// Fills report with an error about the defined name: kind, say, vip the
// position code of offset q (of the normalised text), tip the name shortened
// by text_abbreviate_ellipsis.
void define_report_name(Report& report, const char* kind, RtString say, const RtString& name, i64 q);

// define_report_name for a single lowercase letter: kind "lower", say
// "Single lowercase letters (" + name + ") cannot be defined as global
// variables.".
void define_report_lower(Report& report, const RtString& name, i64 q);
