// The compiled evaluator: runs a program that the guard (guard.h) lets
// leave the term machine. Each global function is compiled once per run,
// when first called, into code for a stack machine whose values are small
// integers held unboxed or references to nodes, and whose frames live on a
// stack of its own (never the C stack). What the code does not know how to
// do exactly as the term machine would, it hands back to the term machine:
// it builds the term the machine would hold at that point and lets the
// machine reduce it (the fallback rule); an evaluation that the machine ends
// early (an abort) ends the run there with the machine's value.
#pragma once

#include "node.h"

// What a compiled run handed to the term machine: the number of terms it
// built for the machine to reduce (a whole main expression that could not
// be compiled counts one). The benchmarks' programs need none.
struct CompileCounts {
    u64 handoffs = 0;
};

// The value of (main argument), as machine_evaluate gives it for the same
// term, for a run that the guard admits; counts, when given, add up what
// the run handed to the term machine. Releases nothing it was given.
NodeRef compile_evaluate_main(const NodeRef& main, const NodeRef& argument, CompileCounts* counts = nullptr);
