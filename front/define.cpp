// Program definition.
#include "define.h"

#include "abbrev.h"
#include "brackets.h"
#include "names.h"
#include "normalize.h"
#include "parse.h"
#include "registry.h"

namespace {

// The lines of the line marks in the raw text, counted from 1. Square
// groups quote their bytes, so a backquote inside one is no mark.
LineSet define_mark_lines(const RtString& text) {
    LineSet lines;
    const u8* bytes = string_bytes(text);
    i64 line = 1, depth = 0;
    for (i64 i = 0, n = string_length(text); i < n; ++i) {
        u8 c = bytes[i];
        if (c == '[') ++depth;
        else if (c == ']') --depth;
        else if (c == '\n') ++line;
        else if (c == LINE_MARKER && depth == 0) multiset_lines_insert(lines, line);
    }
    return lines;
}

// True when t is a leaf whose whole text is the C text.
bool define_leaf_is(const NodeRef& t, const char* text) {
    return !node_is_pair(t) && string_equal_cstr(node_text(t), text);
}

// One piece read as a definition.
struct DefinitionPiece {
    RtString name;  // normalised: "[+]" is "+"
    bool wrapped = false;
    NodeRef body;
};

// Reads the piece term (released) as ((\ HEAD) BODY) whose HEAD is a
// definable name, or NAME() with NAME definable; false for any other piece.
bool define_read_piece(NodeRef term, DefinitionPiece& piece) {
    if (!node_is_pair(term)) return false;
    NodeRef binder = node_left(term);
    if (!node_is_pair(binder) || !define_leaf_is(node_left(binder), "\\")) return false;
    NodeRef head = node_right(binder);
    bool wrapped = node_is_pair(head);
    RtString name_text;
    if (!wrapped) {
        name_text = node_text(head);
    } else {
        // NAME() parses as (NAME }): the empty call list's operand.
        NodeRef operand = node_right(head);
        if (node_is_pair(operand) || node_first_byte(operand) != '}') return false;
        name_text = node_text(node_left(head));
    }
    if (!name_is_definable(string_copy(name_text))) return false;
    piece.name = name_normalize(std::move(name_text));
    piece.wrapped = wrapped;
    piece.body = node_right(term);
    return true;
}

// A plain body is stored as it is and its name leaves wrapped; a wrapped
// body as (I BODY) and its name enters wrapped.
void define_store_piece(DefsMap& defs, NameSet& wrapped, DefinitionPiece piece) {
    NodeRef& entry = map_defs_get_or_insert(defs, string_copy(piece.name));
    if (piece.wrapped) {
        entry = node_make_app(noderef_from_cstr("I"), std::move(piece.body));
        set_names_insert(wrapped, std::move(piece.name));
        return;
    }
    entry = std::move(piece.body);
    auto it = set_names_find(wrapped, std::move(piece.name));
    if (it != wrapped.end()) set_names_erase(wrapped, it);
}

// The program file's names: no single lowercase letter, no backslash, no
// '{' and no builtin's name.
bool define_program_name(Report& report, const RtString& name, i64 q) {
    if (name_is_local(string_copy(name))) {  // one letter a..z: a local variable's name
        define_report_lower(report, name, q);
        return false;
    }
    if (string_equal_cstr(name, "\\") || string_equal_cstr(name, "{") ||
        map_builtins_find(builtin_registry(), string_copy(name)) != builtin_registry().end()) {
        RtString say = string_prepend_cstr("Built in function [", name);
        string_append(say, string_from_cstr("] cannot be re-defined."));
        define_report_name(report, "built", std::move(say), name, q);
        return false;
    }
    return true;
}

}  // namespace

void define_report_name(Report& report, const char* kind, RtString say, const RtString& name, i64 q) {
    report.say = std::move(say);
    report.kind = string_from_cstr(kind);
    report.vip = position_to_code(q);
    report.tip = text_abbreviate_ellipsis(string_copy(name));
}

void define_report_lower(Report& report, const RtString& name, i64 q) {
    RtString say = string_prepend_cstr("Single lowercase letters (", name);
    string_append(say, string_from_cstr(") cannot be defined as global variables."));
    define_report_name(report, "lower", std::move(say), name, q);
}

NodeRef builtin_stub(u8 arity) {
    NodeRef stub = noderef_from_cstr("Z");
    for (int i = arity - 1; i >= 0; --i) {
        char letter[2] = {char('a' + i), 0};
        stub = node_app2(noderef_from_cstr("\\"), noderef_from_cstr(letter), std::move(stub));
    }
    return stub;
}

void backtick_lines_attach(NodeRef term, LineSet& lines) {
    WorkStack<Node*> pending;  // borrowed: term holds every node below it
    pending.push(term.node);
    while (!pending.empty()) {
        Node* n = pending.pop();
        if (!node_is_leaf(n)) {
            pending.push(pair_right(n));  // the left child is visited first
            pending.push(pair_left(n));
            continue;
        }
        if (leaf_bytes(n)[0] != LINE_MARKER) continue;
        VORN_ASSERT(!lines.empty());
        node_set_aux(n, u64(*lines.begin()) & (AUX_LIMIT - 1));
        multiset_lines_erase(lines, lines.begin());
    }
}

bool define_unit(RtString text, DefineUnit& unit, Report& report, DefineNameRule accept) {
    LineSet lines = define_mark_lines(text);
    unit.normalised = source_normalize_space(std::move(text));
    const RtString& normal = unit.normalised;
    PositionList commas = text_find_top_level(string_copy(normal), ",");

    NodeRef main_term = parse_expression(operand_first(commas, string_copy(normal)));
    map_defs_get_or_insert(unit.defs, string_from_cstr(MAIN_NAME)) = main_term;
    backtick_lines_attach(std::move(main_term), lines);

    while (!list_is_empty(commas)) {
        i64 q = list_front(commas)->value + 1;  // the piece's first byte
        NodeRef term = parse_expression(operand_pop_next(commas, string_copy(normal)));
        backtick_lines_attach(noderef_copy(term), lines);  // before any test: ignored pieces use marks up too
        DefinitionPiece piece;
        if (!define_read_piece(std::move(term), piece)) continue;
        if (!accept(report, piece.name, q)) return false;
        define_store_piece(unit.defs, unit.wrapped, std::move(piece));
    }
    VORN_ASSERT(lines.empty());
    return true;
}

Report program_define(RtString text) {
    Report result = report_init();
    Report check = report_init();
    i64 error_offset = 0;
    if (!source_check_brackets(string_copy(text), check, error_offset)) {
        report_release(result);
        return check;
    }
    report_release(check);

    DefsMap& definitions = definitions_instance();
    for (const auto& [name, entry] : builtin_registry())
        map_defs_get_or_insert(definitions, string_copy(name)) = builtin_stub(entry.arity);

    DefineUnit unit{definitions, wrapped_names(), RtString()};
    define_unit(std::move(text), unit, result, define_program_name);
    return result;
}
