// The run stage.
#include "run.h"

#include "abbrev.h"
#include "check.h"
#include "compile.h"
#include "guard.h"
#include "integer.h"
#include "machine.h"
#include "print.h"
#include "realtree.h"
#include "tables.h"

namespace {

const char* const MAIN_KEY = "";

DefsMap::iterator main_entry() {
    DefsMap& defs = definitions_instance();
    auto entry = defs.find(string_from_cstr(MAIN_KEY));
    VORN_ASSERT(entry != defs.end());
    return entry;
}

u8 lead_byte(const Node* n) {
    return node_is_leaf(n) ? leaf_bytes(n)[0] : 0;
}

// The program's value counts as its integer result only when it can be read
// as one: an integer leaf, or a list form whose every cell is well formed.
bool value_is_integer_result(const NodeRef& v) {
    if (!term_is_integer(v)) return false;
    if (node_is_leaf(v.node)) return true;
    return term_is_number_chain(v) && integer_is_readable(v);
}

Report report_cycle(const NodeRef& mark) {
    RtString name = string_suffix(node_text(mark), 1);
    Report report = report_init();
    report.say = string_concat(string_prepend_cstr("Cycle detected on function ", name), string_from_cstr("."));
    report.kind = string_from_cstr("cycle");
    report.vip = text_abbreviate_balanced(std::move(name));
    return report;
}

// The bracket-keeping abbreviation copies each byte it takes and stops when
// what it copied and the closers it owes reach ABBREV_WIDTH, so it looks at
// no more than this many bytes of its text: a huge value is abbreviated
// from its head, not from a copy of it.
constexpr i64 ABBREV_READ_LIMIT = ABBREV_WIDTH + 1;

}  // namespace

Report run_report_range(const NodeRef& v) {
    static const char SAY_PREFIX[] = "The program must return an integer. Instead we encountered:\n";
    constexpr i64 prefix_length = i64(sizeof SAY_PREFIX) - 1;
    Report report = report_init();
    report.say = term_to_text_after(SAY_PREFIX, v.node);
    report.kind = string_from_cstr("range");
    i64 printed_length = string_length(report.say) - prefix_length;
    report.tip = text_abbreviate_balanced(
        string_substring(report.say, prefix_length, std::min(printed_length, ABBREV_READ_LIMIT)));
    return report;
}

namespace {

// The report of the program's value; an integer value replaces the main
// expression.
Report run_classify(const NodeRef& v) {
    if (node_is_leaf(v.node) && lead_byte(v.node) == ')') return report_cycle(v);
    if (!node_is_leaf(v.node) && node_is_leaf(pair_left(v.node)) && lead_byte(pair_left(v.node)) == ']') {
        Report raised = report_from_text(node_text(node_right(v)));
        // A raised report reading back as "check" would pass for success.
        if (!string_equal_cstr(raised.kind, "check")) return raised;
        report_release(raised);
        return run_report_range(v);
    }
    if (value_is_integer_result(v)) {
        main_entry()->second = v;
        return report_init();
    }
    return run_report_range(v);
}

}  // namespace

Report run_main(u64 args_address, RunEngine engine, CompileCounts* counts) {
    // The guard reads the definitions before the checker evaluates the line
    // marks in them and puts their values in their place: a name that only a
    // mark holds counts too. Only run-time loading could add names later,
    // and it keeps a run on the term machine.
    bool compiled = engine == RunEngine::BEST && guard_run_may_compile();
    Report checked = program_check();
    if (!string_equal_cstr(checked.kind, "check")) return checked;
    report_release(checked);
    NodeRef argument = integer_make_leaf(i64(args_address));
    // The same guard keeps every block address from such a run.
    if (compiled) node_heap_leaf_arenas_allow();
    if (!compiled && counts != nullptr) ++counts->handoffs;
    NodeRef value = compiled ? compile_evaluate_main(main_entry()->second, argument, counts)
                             : machine_evaluate(node_make_app(main_entry()->second, argument));
    noderef_release(argument);
    return run_classify(value);
}

NodeRef run_result() {
    return main_entry()->second;
}
