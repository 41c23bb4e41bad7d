// The engine guard: decides once per run, after the program is defined and
// checked, whether a run may leave the term machine for the compiled
// evaluator. A program can tell the two apart only through the builtins that
// show node identity, reference counts, header words or addresses, or that
// bring in program text at run time; a program that names none of them
// anywhere (prelude included) sees only values, effects and errors, which
// both engines give alike.
#pragma once

#include "node.h"

// True when text (NUL-terminated) is the name of a builtin through which a
// program could observe how its terms are held, or load text that could.
bool guard_name_reveals_nodes(const char* text);

// True when no definition in `definitions` (the main expression and the
// prelude included) holds a leaf naming such a builtin: the run may then be
// compiled. Reads every stored term once; takes no reference.
bool guard_run_may_compile();
