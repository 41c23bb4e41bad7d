// Run-time loading. One pipeline serves both builtins; they differ in the
// order of a few stages (road checks reachability first and interns after
// the commit) and in how a refusal is answered.
#include "loader.h"

#include <algorithm>
#include <bit>
#include <initializer_list>

#include "abbrev.h"
#include "braces.h"
#include "brackets.h"
#include "check.h"
#include "define.h"
#include "integer.h"
#include "intern.h"
#include "machine.h"
#include "marks.h"
#include "names.h"
#include "post.h"
#include "stack.h"
#include "tables.h"
#include "values.h"
#include "zits.h"

namespace {

enum class LoaderPolicy { LOAD, ROAD };

// The load and road calls in progress, this one included.
int loader_nesting = 0;

// Loading interns the data texts of every loaded text, and the store of
// interned terms keeps them: a text that loads the rest of itself would
// leave one copy of the rest per level there. So once the store has
// doubled (from at least LOADER_SWEEP_COUNT terms), or LOADER_SWEEP_BYTES of
// text have been loaded, since the last sweep, the terms only the store
// holds are dropped before a main piece runs.
constexpr i64 LOADER_SWEEP_COUNT = 1024;
constexpr i64 LOADER_SWEEP_BYTES = i64(16) << 20;
i64 loader_store_after_sweep = 0;
i64 loader_bytes_since_sweep = 0;

void loader_sweep_store(i64 text_bytes) {
    loader_bytes_since_sweep += text_bytes;
    i64 threshold = std::max(LOADER_SWEEP_COUNT, 2 * loader_store_after_sweep);
    if (intern_count() < threshold && loader_bytes_since_sweep < LOADER_SWEEP_BYTES) return;
    intern_sweep_unheld();
    loader_store_after_sweep = intern_count();
    loader_bytes_since_sweep = 0;
}

// Counts one call in progress for as long as it lives, also when a
// check-time evaluation unwinds through it. A call is admitted while the
// count is within the limit and the stack has room for one more level,
// whatever stack the host granted the run.
class LoaderNesting {
public:
    LoaderNesting() { ++loader_nesting; }
    ~LoaderNesting() { --loader_nesting; }
    LoaderNesting(const LoaderNesting&) = delete;
    LoaderNesting& operator=(const LoaderNesting&) = delete;
    bool admitted() const { return loader_nesting <= LOADER_NESTING_LIMIT && stack_room() >= LOADER_STACK_RESERVE; }
};

// The working state of one call: the unit (MAIN_NAME for the main piece),
// its wrapped names and the report of the first refusal.
struct LoaderCall {
    explicit LoaderCall(LoaderPolicy p) : policy(p) {}
    LoaderPolicy policy;
    DefsMap unit;
    NameSet wrapped;
    Report report = report_init();
    RtString way;  // road's: the text shortened, "yes" for "match"
};

bool is_main(const RtString& name) { return string_length(name) == 0; }

bool is_defined(const RtString& name) {
    DefsMap& defs = definitions_instance();
    return defs.find(name) != defs.end();
}

RtString text(const char* bytes) { return string_from_cstr(bytes); }


// Fills the report of a refusal; returns false for the caller to pass on.
bool loader_refuse(LoaderCall& call, const char* kind, RtString say, RtString vip, RtString tip) {
    call.report.kind = text(kind);
    call.report.say = std::move(say);
    call.report.vip = std::move(vip);
    call.report.tip = std::move(tip);
    return false;
}

// The text of the argument by its kind; false when it has none.
bool loader_text(const NodeRef& a, RtString& out) {
    switch (value_kind(noderef_copy(a))) {
    case VALUE_KIND_POST:
        out = post_payload(noderef_copy(a));
        return true;
    case VALUE_KIND_ZITS:
        out = zits_text(noderef_copy(a));
        return true;
    case VALUE_KIND_CRAY:
        out = string_make_empty();
        return true;
    case VALUE_KIND_HINT: {
        i64 address = 0;
        if (!integer_try_to_i64(a, &address) || address == 0) return false;
        out = string_from_cstr(reinterpret_cast<const char*>(address));
        return true;
    }
    default:
        return false;
    }
}

// A loaded text's names: no single lowercase letter, no backslash, no '{'.
// Builtin names pass here; their stubs make the redefinition test refuse
// them.
bool loader_accept_name(Report& report, const RtString& name, i64 q) {
    if (name_is_local(string_copy(name))) {
        define_report_lower(report, name, q);
        return false;
    }
    if (string_equal_cstr(name, "\\") || string_equal_cstr(name, "{")) {
        define_report_name(report, "built", string_concat_all({text("Built in function "), name, text(" cannot be re-defined.")}),
                           name, q);
        return false;
    }
    return true;
}

// Bracket check, then the unit read from the text (released). road's way
// is the text shortened, "yes" for a bracket that does not match.
bool loader_read(LoaderCall& call, RtString raw) {
    i64 offset = 0;
    if (!source_check_brackets(string_copy(raw), call.report, offset)) {
        // The brackets of a "match" text do not balance: it is not shortened.
        call.way = string_equal_cstr(call.report.kind, "match") ? text("yes") : text_abbreviate_source(std::move(raw));
        return false;
    }
    DefineUnit unit{call.unit, call.wrapped, RtString()};
    bool read = define_unit(std::move(raw), unit, call.report, loader_accept_name);
    if (call.policy == LoaderPolicy::ROAD)  // text_abbreviate_source of the raw text, normalised once
        call.way = text_abbreviate_balanced(std::move(unit.normalised));
    return read;
}

// No unit name other than the main piece's may be defined already.
bool loader_names_are_new(LoaderCall& call) {
    for (auto& [name, body] : call.unit) {
        if (is_main(name) || !is_defined(name)) continue;
        return loader_refuse(call, "roads",
                             string_concat_all({text("Attempt to redefine function "), name, text(" using the road function.")}),
                             text_abbreviate_ellipsis(string_copy(name)), string_make_empty());
    }
    return true;
}

// Braces taken apart, then every bound name must be definable.
bool loader_rewrite_binders(LoaderCall& call) {
    for (auto& [name, body] : call.unit) body = term_rewrite_braces(std::move(body));
    for (auto& [name, body] : call.unit)
        if (!check_body_binders(name, body, call.report)) return false;
    return true;
}

// The report naming the entry that refers to a name without definition.
bool loader_refuse_alive(LoaderCall& call, const RtString& referrer, const RtString& missing) {
    RtString shown = is_main(referrer) ? text("TOP") : string_copy(referrer);
    return loader_refuse(
        call, "alive",
        string_concat_all({text("Alive function "), shown, text(" references undefined function "), missing, text(".")}),
        text_abbreviate_ellipsis(string_copy(shown)), text_abbreviate_ellipsis(string_copy(missing)));
}

// road: every name the main piece reaches through the unit is defined.
bool loader_reachable(LoaderCall& call) {
    RtString referrer, missing;
    if (!check_first_missing(call.unit, &definitions_instance(), referrer, missing)) return true;
    return loader_refuse_alive(call, referrer, missing);
}

// The entries that need a name defined nowhere are dropped; a main piece
// that needs one refuses the text (road has made sure it cannot).
bool loader_drop_dead(LoaderCall& call) {
    NameSet dead = check_dead_names(call.unit, &definitions_instance());
    for (const NameKey& x : dead) {
        VORN_ASSERT(call.policy == LoaderPolicy::LOAD || !is_main(x.name));
        if (is_main(x.name)) return false;
        auto it = call.unit.find(x.name);
        if (it != call.unit.end()) map_defs_erase(call.unit, it);
    }
    return true;
}

// Letters for the long bound names, then at most ten leading parameters.
bool loader_name_locals(LoaderCall& call) {
    for (auto& [name, body] : call.unit)
        if (!check_body_locals(name, body, call.report)) return false;
    for (auto& [name, body] : call.unit)
        if (!check_body_parameters(name, body, call.report)) return false;
    return true;
}

// The first name in byte order that a line-marked expression of body uses,
// that the unit defines (other than the main piece) and `definitions` does
// not yet: such an expression could not be tagged. Bound names are letters
// by now, never unit names, so every leaf of a unit name is a use.
bool loader_mark_uses_undefined(LoaderCall& call, const NodeRef& body, RtString& first) {
    struct Visit {
        const Node* node;
        bool in_mark;
    };
    WorkStack<Visit> pending;  // borrowed: body holds every node below it
    pending.push({body.node, false});
    bool found = false;
    while (!pending.empty()) {
        Visit v = pending.pop();
        const Node* n = v.node;
        if (!node_is_leaf(n)) {
            const Node* left = pair_left(n);
            bool mark = node_is_leaf(left) && leaf_bytes(left)[0] == LINE_MARKER;
            pending.push({pair_right(n), v.in_mark || mark});
            pending.push({left, v.in_mark});
            continue;
        }
        if (!v.in_mark || leaf_bytes(n)[0] == 0) continue;
        RtString name = leaf_node_text(n);
        if (call.unit.find(name) == call.unit.end() || is_defined(name)) continue;
        if (!found || string_less(name, first)) first = std::move(name);
        found = true;
    }
    return found;
}

// Line-marked expressions may use only names `definitions` holds.
bool loader_marks_defined(LoaderCall& call) {
    for (auto& [name, body] : call.unit) {
        RtString missing;
        if (loader_mark_uses_undefined(call, body, missing)) return loader_refuse_alive(call, name, missing);
    }
    return true;
}

void loader_intern(LoaderCall& call) {
    for (auto& [name, body] : call.unit) body = intern_term(std::move(body));
}

void loader_forget(LoaderCall& call) {
    for (auto& [name, body] : call.unit) intern_forget(noderef_copy(body));
}

// Every line mark expanded; closed marked expressions are evaluated now and
// may load texts of their own.
void loader_expand_marks(LoaderCall& call) {
    for (auto& [name, body] : call.unit) body = term_expand_backticks(string_copy(name), std::move(body));
}

// The unit's definitions enter `definitions` (a plain one leaves
// `wrapped_names`), then its wrapped names, dropped ones included, enter
// `wrapped_names`. Entries are only ever added, so the machine's cached
// iterators into `definitions` stay valid.
void loader_commit(LoaderCall& call) {
    DefsMap& defs = definitions_instance();
    NameSet& wrapped = wrapped_names();
    for (auto& [name, body] : call.unit) {
        if (is_main(name)) continue;
        map_defs_get_or_insert(defs, string_copy(name)) = body;
        if (set_names_find(call.wrapped, string_copy(name)) != call.wrapped.end()) continue;
        auto stale = set_names_find(wrapped, string_copy(name));
        if (stale != wrapped.end()) set_names_erase(wrapped, stale);
    }
    for (const NameKey& x : call.wrapped) set_names_insert(wrapped, string_copy(x.name));
}

// No entry, the main piece included, may have a free letter.
bool loader_closed(LoaderCall& call) {
    for (auto& [name, body] : call.unit) {
        u64 mask = check_free_letters(body);
        if (mask == 0) continue;
        RtString letter = string_from_char(u8('a' + std::countr_zero(mask)));
        if (is_main(name))
            return loader_refuse(call, "local", string_concat_all({text("Local variable "), letter, text(" unbound.")}),
                                 string_make_empty(), string_copy(letter));
        return loader_refuse(
            call, "local", string_concat_all({text("Local variable "), letter, text(" unbound in function "), name, text(".")}),
            text_abbreviate_ellipsis(string_copy(name)), string_copy(letter));
    }
    return true;
}

// Every stage from the text to the commit; true with the main piece to
// evaluate, false after a refusal.
bool loader_stages(LoaderCall& call, RtString raw, NodeRef& main) {
    bool road = call.policy == LoaderPolicy::ROAD;
    if (!loader_read(call, std::move(raw))) return false;
    if (!loader_names_are_new(call)) return false;
    if (!loader_rewrite_binders(call)) return false;
    if (road && !loader_reachable(call)) return false;
    if (!loader_drop_dead(call)) return false;
    if (!loader_name_locals(call)) return false;
    if (!loader_marks_defined(call)) return false;
    loader_expand_marks(call);
    // Interning comes after the marks: mark leaves differ only in their line,
    // which interning does not see, so it would give every mark one line.
    if (!road) loader_intern(call);
    if (!loader_names_are_new(call)) return false;  // a marked expression may have loaded one
    loader_commit(call);
    if (!road) loader_forget(call);  // only now: forgetting tags the terms
    if (!loader_closed(call)) return false;
    if (road) {
        loader_intern(call);
        loader_forget(call);
    }
    main = call.unit.find(string_from_cstr(MAIN_NAME))->second;
    return true;
}

NodeRef loader_builtin(NodeRef app, LoaderPolicy policy) {
    NodeRef argument = node_right(app);
    noderef_release(app);
    LoaderNesting nesting;
    RtString raw;
    if (!nesting.admitted() || !loader_text(argument, raw)) return noderef_from_cstr("Z");
    noderef_release(argument);
    i64 text_bytes = string_length(raw);
    NodeRef main = nullptr;
    {
        LoaderCall call(policy);
        if (!loader_stages(call, std::move(raw), main)) {
            if (policy == LoaderPolicy::LOAD) return noderef_from_cstr("Z");
            call.report.way = call.way;
            return report_to_error_term(report_copy(call.report));
        }
    }  // the working state goes before the evaluation, which may nest deeply
    loader_sweep_store(text_bytes);
    return machine_evaluate(std::move(main));
}

}  // namespace

NodeRef builtin_load(NodeRef app) {
    return loader_builtin(std::move(app), LoaderPolicy::LOAD);
}

NodeRef builtin_road(NodeRef app) {
    return loader_builtin(std::move(app), LoaderPolicy::ROAD);
}
