// Internal failure reports on standard output and the arithmetic trace file.
#pragma once

#include "s.h"

// Writes "REDVFAIL: ", word and "\n" to standard output, then fails a fatal
// assertion. Used for conversions without result ("truecast") and bytes
// outside the glyph tables ("nopqchar"). Never returns.
[[noreturn]] void redv_fail(RtString word);

// The folder of the trace file "both.bug" in every run of vorn.
inline constexpr const char* BUG_LOG_FOLDER = "/tmp";

// Creates the trace file's folder when it is missing, then appends message,
// which must end with a newline, to the file "both.bug" in it. A file that
// cannot be opened or written skips the line; the run never stops or loops
// on it. A message without the final newline is a fatal assertion.
void bug_log_append(RtString message);

// Moves the trace file into folder (kept by the caller until the next call)
// from the next append on; BUG_LOG_FOLDER moves it back. Only tests call it,
// so that they read a file of their own and not one another user owns.
void bug_log_set_folder(const char* folder);
