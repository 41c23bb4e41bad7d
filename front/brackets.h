// The bracket and comma check on raw program text: every bracket has a
// partner of its own kind, and every comma inside parentheses belongs to a
// call list the parser will read as one. It is the source of the error
// kinds "match" and "comma"; the later stages rely on it and check nothing.
#pragma once

#include "report.h"
#include "s.h"

// True when text passes. Otherwise records the first error and returns
// false: report's say, kind ("match" or "comma"), vip and, for two brackets
// that do not fit, tip; error_offset gets the byte offset the error is
// about. Neither is written when the text passes; way is never written. The
// text is released.
bool source_check_brackets(RtString text, Report& report, i64& error_offset);
