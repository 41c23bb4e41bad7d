// A vorn process from its command line to its exit code, shared by the
// interpreter's entry point and the test-only executable that pins the engine.
#pragma once

#include "run.h"

// Reads argv as vorn's command line (the program file, then its arguments),
// runs the program with engine and returns the process exit code. Counts,
// when given, are run_main's (tests only).
int entry_main(int argc, char** argv, RunEngine engine, CompileCounts* counts = nullptr);
