// The compiled evaluator.
#include "compile.h"

#include "machine.h"

NodeRef compile_evaluate_main(const NodeRef& main, const NodeRef& argument) {
    return machine_evaluate(node_make_app(main, argument));
}
