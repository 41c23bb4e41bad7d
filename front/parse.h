// The expression parser: one normalised, checked piece of program text to
// one term of leaves and applications. It knows no operator meanings: every
// operator byte becomes a one-byte leaf applied to its operands, and only a
// newline between operands applies the leaf "T".
//
// The grammar is a ladder of levels, loosest first; each cuts its text at
// its separators where they stand at the top level and parses the operands
// one level down:
//   1 binder   ; \ {   right    ((c left) acc); ((({ left) L) acc) for {
//   2 pipe     ? \n    left     ((? acc) next); ((T acc) next) for newline
//   3 logic    & |     right    ((c left) acc)
//   4 compare  = < > # right    ((c left) acc)
//   5 apply    space @ left     (acc next); ((@ acc) next)
//   6 sum      + - : . left     ((c acc) next)
//   7 product  * / % ' left     ((c acc) next)
//   8 power    ^       right    ((c left) acc)
// then trailing and leading prefix operators, operator runs inside a piece,
// adjacency (calls), and atoms. Every empty operand is the leaf "}".
//
// The level functions read windows of one text (TextSpan) rather than
// copies; groups, call arguments and list elements re-enter at the binder
// level. The C stack follows neither the nesting of brackets nor the length
// of the text: the term of a bracketed window is made after the term around
// it, in the stand-in's place.
#pragma once

#include "node.h"
#include "normalize.h"
#include "s.h"

// The term of a normalised text whose brackets and commas passed the check;
// the empty text gives the leaf "}". The text is released.
NodeRef parse_expression(RtString text);

// Level 1 on a window: the binders ";" "\" and "{".
NodeRef parse_expression(const TextSpan& text);
// Level 2: "?" and newline (the pipe, through the leaf "T").
NodeRef parse_level_pipe(const TextSpan& text);
// Level 3: "&" and "|".
NodeRef parse_level_logic(const TextSpan& text);
// Level 4: "=" "<" ">" "#".
NodeRef parse_level_compare(const TextSpan& text);
// Level 5: space (application) and "@".
NodeRef parse_level_apply(const TextSpan& text);
// Level 6: "+" "-" ":" ".".
NodeRef parse_level_sum(const TextSpan& text);
// Level 7: "*" "/" "%" "'".
NodeRef parse_level_product(const TextSpan& text);
// Level 8: "^".
NodeRef parse_level_power(const TextSpan& text);

// Level 9: trailing prefix-operator bytes apply outermost, the last one
// outside: x!~ is (~ (! x)); the empty text is "}".
NodeRef parse_postfix(const TextSpan& text);
// Level 10: leading prefix-operator bytes: !~x is (! (~ x)). The text must
// not be empty.
NodeRef parse_prefix(const TextSpan& text);
// Level 11: a text that neither starts nor ends with a prefix-operator byte,
// cut before each top-level run of them: g~x!y is ((g (~ x)) (! y)).
NodeRef parse_level_sigil(const TextSpan& text);
// A piece that starts with a run of prefix-operator bytes and goes on with
// at least one other byte; shorter pieces are a fatal assertion.
NodeRef parse_sigil_chain(const TextSpan& piece);
// Level 12: adjacent pieces, each a name, a number, a group, a square text
// or a single other byte; a later piece in parentheses is a call list whose
// comma-separated arguments apply in turn: g(a,b) is ((g a) b).
NodeRef parse_call_list(const TextSpan& text);
// Level 13: a number or name leaf of the whole piece, else parse_bracketed.
// An empty piece is a fatal assertion.
NodeRef parse_atom(const TextSpan& piece);
// A square text as one leaf, brackets included; a parenthesised group by
// parse_expression of its inside; else parse_single_char.
NodeRef parse_bracketed(const TextSpan& piece);
// The one-byte leaf of a one-byte piece; the byte 0 gives the leaf holding
// one newline (the empty array). A longer piece is a fatal assertion.
NodeRef parse_single_char(const TextSpan& piece);
// The elements between wings: ((, e1) ((, e2) ... en)), each parsed from
// level 1; a text without top-level commas is one element.
NodeRef parse_brace_list(const TextSpan& text);
