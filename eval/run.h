// The run stage: checks the defined program, applies the main expression to
// the address of the program's argument vector, reduces it and classifies
// the value into a report; and the program's integer result afterwards.
#pragma once

#include "node.h"
#include "report.h"

// Which evaluator reduces the main expression. BEST lets the run choose;
// TERM_MACHINE always uses the reference term machine (tests only).
enum class RunEngine { BEST, TERM_MACHINE };

struct CompileCounts;

// Runs program_check, then evaluates (M A), M the main expression and A the
// integer leaf of args_address (the argument vector slot after the file
// name). The value decides the report: a cycle mark gives kind "cycle", a
// raised report (] text) its own fields, an integer kind "check" (and becomes
// the entry of the main expression), anything else kind "range" with the
// printed value. Counts, when given, add up what a compiled run handed to
// the term machine (compile.h); a run kept on the term machine, by the
// guard or by engine, counts one: its whole main expression (tests only).
Report run_main(u64 args_address, RunEngine engine = RunEngine::BEST, CompileCounts* counts = nullptr);

// A new handle to the term stored under the main expression's empty name;
// a missing entry is a fatal assertion.
NodeRef run_result();

// The "range" report of value v: say is "The program must return an
// integer. Instead we encountered:" and a newline before v's printed form,
// tip that form abbreviated (text_abbreviate_balanced). Linear in the
// printed text, which is made once.
Report run_report_range(const NodeRef& v);
