// vorn_term: the interpreter with every run on the reference term machine.
// Built with the tests only and never installed; the differential tests run
// programs through it and through vorn and compare what each prints.
#include "entry.h"

int main(int argc, char** argv) {
    return entry_main(argc, argv, RunEngine::TERM_MACHINE);
}
