// Fuzz target: arbitrary bytes as a program text, through definition and
// checking. Line marks stay unexpanded in this build (marks_inert.cpp), so
// no builtin runs and nothing touches files, processes, memory or sockets.
// After a successful check the target tests what the reduction machine
// relies on: letters for every bound name, at most ten leading parameters,
// no free local variable, an empty prelude snapshot and only values among
// the interned terms.
#include <cstdint>
#include <cstdlib>

#include "binders.h"
#include "check.h"
#include "define.h"
#include "intern.h"
#include "source.h"
#include "status.h"
#include "tables.h"
#include "tag.h"

namespace {

struct FuzzInput {
    const uint8_t* data;
    size_t size;
};

// Stops the run with a finding when cond is false.
void fuzz_require(bool cond) {
    if (!cond) __builtin_trap();
}

i64 leading_parameters(const Node* body) {
    i64 count = 0;
    while (!node_is_leaf(body) && !node_is_leaf(pair_left(body)) && node_is_leaf(pair_left(pair_left(body))) &&
           leaf_bytes(pair_left(pair_left(body)))[0] == '\\') {
        ++count;
        body = pair_right(body);
    }
    return count;
}

void fuzz_require_checked() {
    fuzz_require(prelude_snapshot().empty());
    for (auto& [name, body] : definitions_instance()) {
        fuzz_require(term_binder_names_long(noderef_copy(body)).names.empty());
        fuzz_require(leading_parameters(body.node) <= 10);
        term_compute_tag(noderef_copy(body));
        fuzz_require(node_free_mask(body.node) == 0);
    }
    for (const NodeRef& t : intern_stored_terms()) fuzz_require(term_is_value(noderef_copy(t)));
}

uint32_t fuzz_one(void* raw) {
    const FuzzInput& input = *static_cast<const FuzzInput*>(raw);
    prelude_load();
    Report defined = program_define(string_from_bytes(input.data, i64(input.size)));
    if (!string_equal_cstr(defined.kind, "check")) return 0;
    Report checked = program_check();
    if (string_equal_cstr(checked.kind, "check")) fuzz_require_checked();
    return 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput input{data, size};
    // The interpreter defines and checks on a thread with a large stack;
    // nesting in program text recurses in the parser.
    status_run_on_thread(size_t(256) << 20, size_t(64) << 20, fuzz_one, &input);
    return 0;
}
