// Internal failure reports on standard output and the arithmetic trace file.
#pragma once

#include "s.h"

// Writes "REDVFAIL: ", word and "\n" to standard output, then fails a fatal
// assertion. Used for conversions without result ("truecast") and bytes
// outside the glyph tables ("nopqchar"). Never returns.
[[noreturn]] void redv_fail(RtString word);

// Appends message, which must end with a newline, to "/tmp/both.bug". A file
// that cannot be opened or written skips the line; the run never stops or
// loops on it. A message without the final newline is a fatal assertion.
void bug_log_append(RtString message);
