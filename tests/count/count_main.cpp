// vorn_count: the interpreter as vorn runs a program, that also writes
// "handoffs N" to standard error when the run ends: the terms a compiled run
// handed to the term machine (eval/compile.h), or 1 for a run the guard kept
// there whole. Built with the tests only and never installed; the idiom
// corpus's runner (bench/idioms/run) reads the line. A program that ends
// through the builtin exit ends before it, and writes no such line.
#include <cinttypes>
#include <cstdio>

#include "compile.h"
#include "entry.h"

int main(int argc, char** argv) {
    CompileCounts counts;
    int code = entry_main(argc, argv, RunEngine::BEST, &counts);
    std::fflush(stdout);  // the program's output comes before the line
    std::fprintf(stderr, "handoffs %" PRIu64 "\n", uint64_t(counts.handoffs));
    return code;
}
