// Program checker, with reachability and the prelude restore.
#include "check.h"

#include <bit>

#include "abbrev.h"
#include "binders.h"
#include "braces.h"
#include "define.h"
#include "intern.h"
#include "layout.h"
#include "marks.h"
#include "print.h"
#include "registry.h"
#include "tables.h"
#include "tag.h"

// Whether program_check is expanding line marks: the reduction machine asks,
// to end a check-time evaluation that meets a free letter (marks.h).
static bool check_expanding_marks = false;

bool marks_check_time() { return check_expanding_marks; }

namespace {

// Marks the line-mark step for the reduction machine, also when it unwinds.
class MarksStep {
public:
    MarksStep() : outer_(check_expanding_marks) { check_expanding_marks = true; }
    ~MarksStep() { check_expanding_marks = outer_; }
    MarksStep(const MarksStep&) = delete;
    MarksStep& operator=(const MarksStep&) = delete;

private:
    bool outer_;
};

}  // namespace

static bool is_main(const RtString& name) { return string_length(name) == 0; }

static RtString text(const char* bytes) { return string_from_cstr(bytes); }

static Report report_error(const char* kind, RtString say, RtString vip, RtString tip) {
    Report report = report_init();
    report.kind = text(kind);
    report.say = std::move(say);
    report.vip = std::move(vip);
    report.tip = std::move(tip);
    return report;
}

static bool has_definition(DefsMap& defs, const RtString& name) {
    return map_find(defs, string_copy(name)) != defs.end();
}

bool check_body_binders(const RtString& name, const NodeRef& body, Report& report) {
    NodeRef bad = term_find_bad_binder(noderef_copy(body));
    if (!node_is_pair(bad)) return true;
    RtString shown = term_to_text(std::move(bad));
    if (is_main(name)) {
        report = report_error("funky", string_concat_all({text("Funky key in expression "), shown, text(".")}),
                              string_make_empty(), text_abbreviate_balanced_paren(string_copy(shown)));
    } else {
        report = report_error(
            "funky", string_concat_all({text("Funky key in expression "), shown, text(" in function "), name, text(".")}),
            text_abbreviate_ellipsis(string_copy(name)), text_abbreviate_balanced_paren(string_copy(shown)));
    }
    return false;
}

// Step 3: the first binder whose bound name is not definable.
static bool check_binders(DefsMap& defs, Report& report) {
    for (auto& [name, body] : defs)
        if (!check_body_binders(name, body, report)) return true;
    return false;
}

bool check_first_missing(DefsMap& follow, DefsMap* outside, RtString& referrer, RtString& missing) {
    TextMap pending;  // name -> the definition that referred to it last
    NameSet visited;
    map_text_get_or_insert(pending, string_from_cstr(MAIN_NAME)) = text("nowhere");
    while (!pending.empty()) {
        auto first = map_begin(pending);
        RtString name = string_copy(first->first);
        RtString from = string_copy(first->second);
        map_text_remove_node(pending, first);
        set_names_insert(visited, string_copy(name));
        auto found = map_find(follow, string_copy(name));
        if (found == follow.end()) {
            if (outside != nullptr && has_definition(*outside, name)) continue;  // not followed
            VORN_ASSERT(has_definition(follow, from));
            referrer = std::move(from);
            missing = std::move(name);
            return true;
        }
        NameList referred = term_global_names(noderef_copy(found->second));
        for (RtString& m : referred.names)
            if (set_names_find(visited, string_copy(m)) == visited.end())
                map_text_get_or_insert(pending, std::move(m)) = string_copy(name);
    }
    return false;
}

// Step 4: every name reachable from the main expression must be defined;
// the smallest pending name is always visited next.
static bool check_reachable(DefsMap& defs, Report& report) {
    RtString referrer, name;
    if (!check_first_missing(defs, nullptr, referrer, name)) return false;
    RtString shown = is_main(referrer) ? text("TOP") : string_copy(referrer);
    report = report_error(
        "alive", string_concat_all({text("Alive function "), shown, text(" references undefined "), name, text(".")}),
        text_abbreviate_ellipsis(string_copy(shown)), text_abbreviate_ellipsis(string_copy(name)));
    return true;
}

NameSet check_dead_names(DefsMap& entries, DefsMap* outside) {
    TextMultiMap referrers;  // referred name -> referring entry
    NameSet seeds;
    for (auto& [name, body] : entries) {
        NameList referred = term_global_names(noderef_copy(body));
        for (RtString& m : referred.names) {
            bool missing = !has_definition(entries, m) && (outside == nullptr || !has_definition(*outside, m));
            multimap_text_insert(referrers, std::move(m), string_copy(name));
            if (missing) set_names_insert(seeds, string_copy(name));
        }
    }
    NameSet closure;
    NameSet frontier = set_names_clone_nodes(seeds);
    while (!frontier.empty()) {
        NameSet next;
        for (const NameKey& x : frontier) {
            set_names_insert(closure, string_copy(x.name));
            auto it = multimap_text_lower_bound(referrers, string_copy(x.name));
            auto last = multimap_text_upper_bound(referrers, string_copy(x.name));
            while (it != last) {
                if (it == referrers.end()) {
                    out_stream << "This is an error!\n"
                               << "This is the fori at the point of the error: [" << string_copy(x.name) << "]\n";
                    VORN_ASSERT(false);
                }
                if (set_names_find(closure, string_copy(it->second)) == closure.end())
                    set_names_insert(next, string_copy(it->second));
                ++it;
            }
        }
        frontier = std::move(next);
    }
    return closure;
}

// Step 5: the definitions that lean on a missing name, directly or through
// others, go back to their prelude form or are erased; builtin stubs stay.
static void restore_unreachable(DefsMap& defs) {
    NameSet closure = check_dead_names(defs, nullptr);
    VORN_ASSERT(set_names_find(closure, string_from_cstr(MAIN_NAME)) == closure.end());
    DefsMap& snapshot = prelude_snapshot();
    BuiltinTable& builtins = builtin_registry();
    for (const NameKey& x : closure) {
        if (map_builtins_find(builtins, string_copy(x.name)) != builtins.end()) continue;  // keeps its stub
        auto prelude = map_find(snapshot, string_copy(x.name));
        if (prelude != snapshot.end()) {
            map_defs_get_or_insert(defs, string_copy(x.name)) = noderef_copy(prelude->second);
            continue;
        }
        auto found = map_find(defs, string_copy(x.name));
        if (found != defs.end()) map_defs_erase(defs, found);
    }
    map_defs_free_nodes(snapshot);
}

bool check_body_locals(const RtString& name, NodeRef& body, Report& report) {
    NameList longer = term_binder_names_long(noderef_copy(body));
    NameList letters = term_binder_names_letter(noderef_copy(body));
    if (list_spine_length(longer) + list_spine_length(letters) > 26) {
        if (is_main(name))
            report = report_error("place", text("Place error."), string_make_empty(), string_make_empty());
        else
            report = report_error("place", string_concat_all({text("Place error in function "), name, text(".")}),
                                  text_abbreviate_ellipsis(string_copy(name)), string_make_empty());
        return false;
    }
    if (longer.names.empty()) return true;
    std::vector<RtString> keys;
    std::vector<u8> chosen;
    for (RtString& bound : longer.names) {
        u8 c = 'a';
        while (name_list_contains(letters, string_from_char(c))) ++c;
        letters = name_list_add(std::move(letters), string_from_char(c));
        keys.push_back(binder_name_key(std::move(bound)));
        chosen.push_back(c);
    }
    body = term_rename_binders(noderef_copy(body), keys, chosen);
    return true;
}

// Step 6: every bound name that is not a letter gets the first letter its
// definition does not bind, the names in ascending order.
static bool name_locals(DefsMap& defs, Report& report) {
    for (auto& [name, body] : defs)
        if (!check_body_locals(name, body, report)) return true;
    return false;
}

i64 check_leading_parameters(const NodeRef& body) {
    i64 count = 0;
    const Node* t = body.node;
    while (!node_is_leaf(t) && !node_is_leaf(pair_left(t)) && node_is_leaf(pair_left(pair_left(t))) &&
           leaf_bytes(pair_left(pair_left(t)))[0] == '\\') {
        ++count;
        t = pair_right(t);
    }
    return count;
}

bool check_body_parameters(const RtString& name, const NodeRef& body, Report& report) {
    if (check_leading_parameters(body) <= 10) return true;
    report = report_error("arity", string_concat_all({text("Arity of function "), name, text(" may not exceed ten.")}),
                          text_abbreviate_ellipsis(string_copy(name)), string_make_empty());
    return false;
}

// Step 7: at most ten leading parameters.
static bool check_parameters(DefsMap& defs, Report& report) {
    for (auto& [name, body] : defs)
        if (!check_body_parameters(name, body, report)) return true;
    return false;
}

u64 check_free_letters(const NodeRef& body) {
    term_compute_tag(noderef_copy(body));
    return node_free_mask(body.node);
}

// Step 10: the first definition with a free local variable, reported by
// its alphabetically first free letter.
static bool check_free_locals(DefsMap& defs, Report& report) {
    for (auto& [name, body] : defs) {
        u64 mask = check_free_letters(body);
        if (mask == 0) continue;
        RtString letter = string_from_char(u8('a' + std::countr_zero(mask)));
        if (is_main(name))
            report = report_error("local", string_concat_all({text("Local variable "), letter, text(" unbound.")}),
                                  string_make_empty(), string_copy(letter));
        else
            report = report_error(
                "local", string_concat_all({text("Local variable "), letter, text(" unbound in function "), name, text(".")}),
                text_abbreviate_balanced(string_copy(name)), string_copy(letter));
        return true;
    }
    return false;
}

// Step 8: every line mark expanded, each result stored before the next key.
// The walk survives definitions added by the evaluations it starts.
static bool expand_marks(DefsMap& defs, Report& report) {
    MarksStep step;
    try {
        for (auto it = map_begin(defs); it != defs.end(); ++it)
            it->second = term_expand_backticks(string_copy(it->first), noderef_copy(it->second));
    } catch (const MarksOpenFocus&) {
        // The free letter met at check time is the one step 10 reports: no
        // step in between can remove it.
        bool found = check_free_locals(defs, report);
        VORN_ASSERT(found);
        return true;
    }
    return false;
}

Report program_check() {
    DefsMap& defs = definitions_instance();
    prelude_snapshot();
    Report report = report_init();

    map_defs_get_or_insert(defs, text(LAYOUT_NAME)) = noderef_from_string(layout_text());
    for (auto& [name, body] : defs) body = term_rewrite_braces(noderef_copy(body));
    if (check_binders(defs, report)) return report;
    if (check_reachable(defs, report)) return report;
    restore_unreachable(defs);
    if (name_locals(defs, report)) return report;
    if (check_parameters(defs, report)) return report;
    if (expand_marks(defs, report)) return report;
    intern_definitions();
    if (check_free_locals(defs, report)) return report;
    return report_init();
}
