// Line marks at check time: the pass that replaces every marked expression
// (` x) of a definition, and the way a check-time evaluation that meets a
// free local variable hands the checker its "local" report.
#pragma once

#include "node.h"
#include "s.h"

// The body term of the definition name with every line mark replaced: a
// marked expression without free local variable by its value, computed now
// by the reduction machine; any other by its line record. Releases name and
// term. The checker calls it once per definition in key order and stores the
// result; builtins load and road call it on the definitions they add.
NodeRef term_expand_backticks(RtString name, NodeRef term);

// Thrown out of a check-time evaluation, through every nested evaluation,
// when the reduction machine meets a focus that is not closed (a letter left
// free by the renaming of bound names). program_check catches it and returns
// the "local" report that its free-variable step would give. Handles release
// their references while it unwinds.
struct MarksOpenFocus {};

// True while program_check expands line marks: the only time the machine
// throws MarksOpenFocus; at any other time a focus that is not closed stays
// a fatal assertion. Kept by the checker.
bool marks_check_time();
