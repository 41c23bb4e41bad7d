// Program checker: turns the defined program in `definitions` into what the
// reduction machine runs (the layout text under "_", brace patterns taken
// apart, every bound name a letter, at most ten leading parameters, line
// marks expanded, terms interned, no free local variable) and reports the
// first problem, reachability and the prelude restore included. Run-time
// loading runs the per-definition steps and the two walks over a map of its
// own through the functions below.
#pragma once

#include "node.h"
#include "report.h"
#include "tables.h"

// Checks and rewrites `definitions` in eleven steps, each over the
// definitions in key order, stopping at the first error: layout, braces,
// binders ("funky"), reachability ("alive"), restore, local naming
// ("place"), parameters ("arity"), line marks, interning, free locals
// ("local"). Empties `prelude_snapshot` once reachability has passed and
// leaves only values among the interned terms. Returns kind "check" with every
// other field empty, or the first error.
Report program_check();

// The binder check of the definition name with body: true when every bound
// name is definable; otherwise false after filling report with "funky" (say
// naming the printed binder and, for a name other than MAIN_NAME, the name;
// vip the name shortened by text_abbreviate_ellipsis; tip the binder
// shortened by text_abbreviate_balanced_paren).
bool check_body_binders(const RtString& name, const NodeRef& body, Report& report);

// Local naming of one definition: every bound name that is not a letter gets
// the first letter the body does not bind, in ascending order of the names,
// and every leaf of that name, bound or free, becomes the letter. False,
// body unchanged, after filling report with "place" when the body binds more
// than 26 distinct names.
bool check_body_locals(const RtString& name, NodeRef& body, Report& report);

// The number of leading lambdas of body; brace binders do not count.
i64 check_leading_parameters(const NodeRef& body);

// True for at most ten leading parameters; otherwise false after filling
// report with "arity".
bool check_body_parameters(const RtString& name, const NodeRef& body, Report& report);

// The free-letter mask of body (bit i for 'a' + i), its tag computed first.
u64 check_free_letters(const NodeRef& body);

// Walks the names reachable from MAIN_NAME through the bodies of follow, the
// smallest pending name first. A name that follow lacks is not followed; it
// must be in outside (none when null). True at the first name in neither,
// with it in missing and in referrer the entry that referred to it last.
bool check_first_missing(DefsMap& follow, DefsMap* outside, RtString& referrer, RtString& missing);

// The names of the entries that refer, directly or through other entries, to
// a name that neither entries nor outside (none when null) holds.
NameSet check_dead_names(DefsMap& entries, DefsMap* outside);
