// The run stage.
#include "run.h"

#include "abbrev.h"
#include "check.h"
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

Report report_range(const NodeRef& v) {
    RtString printed = term_to_text(v);
    Report report = report_init();
    report.say = string_prepend_cstr("The program must return an integer. Instead we encountered:\n", printed);
    report.kind = string_from_cstr("range");
    report.tip = text_abbreviate_balanced(std::move(printed));
    return report;
}

// The report of the program's value; an integer value replaces the main
// expression.
Report run_classify(const NodeRef& v) {
    if (node_is_leaf(v.node) && lead_byte(v.node) == ')') return report_cycle(v);
    if (!node_is_leaf(v.node) && node_is_leaf(pair_left(v.node)) && lead_byte(pair_left(v.node)) == ']') {
        Report raised = report_from_text(node_text(node_right(v)));
        // A raised report reading back as "check" would pass for success.
        if (!string_equal_cstr(raised.kind, "check")) return raised;
        report_release(raised);
        return report_range(v);
    }
    if (value_is_integer_result(v)) {
        main_entry()->second = v;
        return report_init();
    }
    return report_range(v);
}

}  // namespace

Report run_main(u64 args_address) {
    Report checked = program_check();
    if (!string_equal_cstr(checked.kind, "check")) return checked;
    report_release(checked);
    NodeRef argument = integer_make_leaf(i64(args_address));
    NodeRef value = machine_evaluate(node_make_app(main_entry()->second, argument));
    noderef_release(argument);
    return run_classify(value);
}

NodeRef run_result() {
    return main_entry()->second;
}
