// The entry point of vorn: the whole process is entry_main with the engine
// that fits the program best.
#include "entry.h"

int main(int argc, char** argv) {
    return entry_main(argc, argv, RunEngine::BEST);
}
