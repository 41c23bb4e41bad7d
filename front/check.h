// Program checker: turns the defined program in `definitions` into what the
// reduction machine runs (the layout text under "_", brace patterns taken
// apart, every bound name a letter, at most ten leading parameters, line
// marks expanded, terms interned, no free local variable) and reports the
// first problem, reachability and the prelude restore included.
#pragma once

#include "report.h"

// Checks and rewrites `definitions` in eleven steps, each over the
// definitions in key order, stopping at the first error: layout, braces,
// binders ("funky"), reachability ("alive"), restore, local naming
// ("place"), parameters ("arity"), line marks, interning, free locals
// ("local"). Empties `prelude_snapshot` once reachability has passed and
// leaves only values among the interned terms. Returns kind "check" with every
// other field empty, or the first error.
Report program_check();
