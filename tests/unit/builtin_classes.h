// The argument classes a builtin really tests, found by calling it: for the
// tests of the registry and the builtin reference. Needs the test program to
// be linked with bridge_take wrapped (see tests/CMakeLists.txt).
#pragma once

#include <string>

#include "tables.h"

// Calls fn, of the given arity, on an application of plain integer leaves in
// a child process. While it runs, bridge_take records the class string it is
// handed and refuses the arguments, so no host function is reached. True with
// *classes set when the builtin took its arguments through the bridge; false
// when it never called bridge_take (language primitives, the accessors of
// data texts and byte strings, assert, most constants).
bool builtin_classes_probe(BuiltinFn fn, int arity, std::string* classes);

// True when every letter of classes is a class the bridge knows (I, T, R, N,
// U) and there are at most as many as a builtin can take.
bool builtin_classes_well_formed(const std::string& classes);
