// Reading program files and loading the prelude: the combinators A to Z and
// the meanings of the operator characters, entered into `definitions` after
// the program-wide tables are brought back to a known state.
#pragma once

#include "s.h"

// The prelude: an empty main expression, then 52 definitions separated by
// top-level commas (563 bytes on one line).
extern const char PRELUDE_TEXT[];
inline constexpr i64 PRELUDE_LENGTH = 563;

// The whole contents of the file named by path's bytes, read untranslated
// ("r" is binary on this host) in chunks until a read returns nothing.
// A file that cannot be opened or closed is a fatal assertion: the caller
// has checked that it opens. Releases path.
RtString file_read_text(RtString path);

// Empties `definitions`, `wrapped_names`, `builtins` and `prelude_snapshot`,
// creating any of them on first use.
void globals_reset();

// Resets the tables, refills `builtins`, enters the prelude's 52 definitions
// into `definitions` and keeps a copy of them in `prelude_snapshot`.
void prelude_load();
