// Test helper for the evaluator.
#include "eval_fixture.h"

#include "check.h"
#include "define.h"
#include "integer.h"
#include "machine.h"
#include "normalize.h"
#include "parse.h"
#include "print.h"
#include "registry.h"
#include "report.h"
#include "source.h"
#include "tables.h"

namespace {

// tick x: records x and answers it.
NodeRef test_tick(NodeRef app) {
    NodeRef x = node_right(app);
    eval_tick_log().push_back(eval_print(x));
    return x;
}

// boom x: answers a raised report (] [boom]), which ends the evaluation.
NodeRef test_boom(NodeRef app) {
    noderef_release(app);
    return node_make_app(noderef_from_cstr("]"), noderef_from_cstr("[boom]"));
}

// pass x: raises a report whose kind is "check".
NodeRef test_pass(NodeRef app) {
    noderef_release(app);
    return report_to_error_term(report_init());
}

// refs x: the reference count of x when the call begins, then once this
// builtin holds its own handle, as the two digits of one integer.
NodeRef test_refs(NodeRef app) {
    u64 before = node_refcount(pair_right(app.node));
    NodeRef x = node_right(app);
    u64 held = node_refcount(x.node);
    return integer_make_leaf(i64(before * 10 + held));
}

// seen x: records the application, the counts of it and of x, and x's
// header word without its count (which the record states already), then
// answers x.
NodeRef test_seen(NodeRef app) {
    Node* x = pair_right(app.node);
    eval_seen_log().push_back(eval_print(app) + " app=" + std::to_string(node_refcount(app.node)) +
                              " x=" + std::to_string(node_refcount(x)) +
                              " header=" + std::to_string(x->header & ~REFCOUNT_MAX));
    return node_right(app);
}

const char* const TEST_BUILTINS[] = {"tick", "boom", "pass", "refs", "seen"};

}  // namespace

void EvalTest::SetUp() {
    eval_load("0");
}

void EvalTest::TearDown() {
    BuiltinTable& builtins = builtin_registry();
    for (const char* name : TEST_BUILTINS) {
        auto it = map_builtins_find(builtins, string_from_cstr(name));
        if (it != builtins.end()) map_builtins_remove_node(builtins, it);
    }
}

std::vector<std::string>& eval_tick_log() {
    static std::vector<std::string> log;
    return log;
}

std::vector<std::string>& eval_seen_log() {
    static std::vector<std::string> log;
    return log;
}

void eval_define(const std::string& text) {
    eval_tick_log().clear();
    eval_seen_log().clear();
    prelude_load();
    BuiltinTable& builtins = builtin_registry();
    map_builtins_get_or_insert(builtins, string_from_cstr("tick")) = BuiltinEntry{1, test_tick};
    map_builtins_get_or_insert(builtins, string_from_cstr("boom")) = BuiltinEntry{1, test_boom};
    map_builtins_get_or_insert(builtins, string_from_cstr("pass")) = BuiltinEntry{1, test_pass};
    map_builtins_get_or_insert(builtins, string_from_cstr("refs")) = BuiltinEntry{1, test_refs};
    map_builtins_get_or_insert(builtins, string_from_cstr("seen")) = BuiltinEntry{1, test_seen};
    Report defined = program_define(string_from_std(text));
    ASSERT_EQ(string_to_std(defined.kind), "check") << text << ": " << string_to_std(defined.say);
}

void eval_load(const std::string& text) {
    eval_define(text);
    Report checked = program_check();
    ASSERT_EQ(string_to_std(checked.kind), "check") << text << ": " << string_to_std(checked.say);
}

NodeRef eval_def(const std::string& name) {
    DefsMap& defs = definitions_instance();
    auto it = defs.find(string_from_std(name));
    if (it == defs.end()) {
        ADD_FAILURE() << "no definition " << name;
        return noderef_from_cstr("<none>");
    }
    return it->second;
}

NodeRef eval_main() {
    return machine_evaluate(eval_def(""));
}

std::string eval_print(const NodeRef& t) {
    return string_to_std(term_to_text(t));
}

std::string eval_text(const std::string& text) {
    eval_load(text);
    return eval_print(eval_main());
}

NodeRef eval_parse(const std::string& text) {
    return parse_expression(source_normalize_space(string_from_std(text)));
}
