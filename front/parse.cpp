// The expression parser: a table-driven ladder of infix levels over windows
// of one text, then operator runs, adjacency and atoms.
#include "parse.h"

#include <unordered_map>

#include "glyph.h"

namespace {

// Nested brackets never nest calls. Where the parser meets a window that a
// bracket encloses (a group, a call argument, a wing list) it leaves a new
// empty leaf in the term and notes the window; the call that began noting
// then walks the finished term and puts in each noted leaf's place the term
// of its window, made the same way. So the C stack holds one bracket level
// at a time, and every node is walked once. The pairs patched are the
// parser's own new ones, shared with nothing yet.
enum class Deferred { EXPRESSION, BRACE_LIST };
struct DeferredWindow {
    TextSpan text;
    Deferred kind;
};
using DeferredWindows = std::unordered_map<const Node*, DeferredWindow>;

// The windows noted by the parse under way; null when none is.
DeferredWindows* deferred_windows = nullptr;

NodeRef parse_window_now(const DeferredWindow& window);

// Replaces every noted leaf in root by its window's term, and the noted
// leaves in those terms, until none is left.
NodeRef parse_fill_deferred(NodeRef root, DeferredWindows& windows) {
    Node* top = root.node;
    root.node = nullptr;  // owned through top from here
    WorkStack<Node**> slots;
    slots.push(&top);
    while (!windows.empty()) {
        VORN_ASSERT(!slots.empty());
        Node** slot = slots.pop();
        Node* n = *slot;
        if (!node_is_leaf(n)) {
            auto* pair = reinterpret_cast<PairNode*>(n);
            slots.push(&pair->right);
            slots.push(&pair->left);
            continue;
        }
        auto found = windows.find(n);
        if (found == windows.end()) continue;
        DeferredWindow window = found->second;
        windows.erase(found);
        NodeRef made = parse_window_now(window);
        node_release(n);
        *slot = made.node;
        made.node = nullptr;
        slots.push(slot);  // its own noted leaves
    }
    return NodeRef(top);
}

// The term of the window text, or while a parse is under way a new leaf
// that stands for it until that parse fills it in.
NodeRef parse_put_off(const TextSpan& text, Deferred kind) {
    if (deferred_windows) {
        NodeRef stand_in = noderef_make_empty();
        deferred_windows->emplace(stand_in.node, DeferredWindow{text, kind});
        return stand_in;
    }
    DeferredWindows windows;
    deferred_windows = &windows;
    struct Reset {
        ~Reset() { deferred_windows = nullptr; }
    } reset;
    return parse_fill_deferred(parse_window_now(DeferredWindow{text, kind}), windows);
}

enum class Fold { RIGHT, LEFT };

// One infix level: its separator bytes and the way its operands fold.
struct ParseLevel {
    const char* separators;
    Fold fold;
};

}  // namespace

// Levels 1 to 8, loosest first.
static const ParseLevel PARSE_LEVELS[] = {
    {";\\{", Fold::RIGHT},  // binders
    {"?\n", Fold::LEFT},    // pipe
    {"&|", Fold::RIGHT},    // logic
    {"=<>#", Fold::RIGHT},  // comparison
    {" @", Fold::LEFT},     // application
    {"+-:.", Fold::LEFT},   // additive
    {"*/%'", Fold::LEFT},   // multiplicative
    {"^", Fold::RIGHT},     // power
};
static constexpr int PARSE_LEVEL_COUNT = int(sizeof PARSE_LEVELS / sizeof PARSE_LEVELS[0]);

static bool char_is_name(u8 c) { return c == '_' || (c >= 'a' && c <= 'z'); }
static bool char_is_digit(u8 c) { return c >= '0' && c <= '9'; }

static NodeRef leaf_of_span(const TextSpan& text) {
    return noderef_from_string_checked(span_to_string(text));
}

static NodeRef leaf_of_byte(u8 c) { return noderef_from_string_checked(string_from_char(c)); }

// The leaf that stands for an empty operand.
static NodeRef leaf_empty_operand() { return leaf_of_byte('}'); }

// What separator c makes of its operands: a blank applies a to b, a newline
// pipes through the leaf "T", any other byte c is ((c a) b).
static NodeRef parse_join(u8 c, NodeRef a, NodeRef b) {
    if (c == ' ') return node_make_app(std::move(a), std::move(b));
    NodeRef op = c == '\n' ? noderef_from_cstr("T") : leaf_of_byte(c);
    return node_app2(std::move(op), std::move(a), std::move(b));
}

static NodeRef parse_ladder(const TextSpan& text, int level);

// ((c1 o0) ((c2 o1) ... ok)): the last operand first, then the others from
// the right. A wing separator takes the list between it and its partner.
static NodeRef parse_fold_right(const TextSpan& text, PositionList& cuts, int level) {
    const i64 last_from = span_match_bracket(text, list_back(cuts)->value) + 1;
    NodeRef acc = parse_ladder(span_sub(text, last_from, text.length - last_from), level + 1);
    while (!list_is_empty(cuts)) {
        const i64 p = list_back(cuts)->value;
        const u8 c = span_byte(text, p);
        NodeRef left = parse_ladder(span_operand_pop_split(cuts, text), level + 1);
        if (c == '{') {
            const i64 close = span_match_bracket(text, p);
            NodeRef list = parse_put_off(span_sub(text, p + 1, close - p - 1), Deferred::BRACE_LIST);
            acc = node_app3(leaf_of_byte('{'), std::move(left), std::move(list), std::move(acc));
        } else {
            acc = parse_join(c, std::move(left), std::move(acc));
        }
    }
    return acc;
}

// (c3 (c2 (c1 o0 o1) o2) o3) ...: operands joined from the left.
static NodeRef parse_fold_left(const TextSpan& text, PositionList& cuts, int level) {
    NodeRef acc = parse_ladder(span_operand_first(cuts, text), level + 1);
    while (!list_is_empty(cuts)) {
        const u8 c = span_byte(text, list_front(cuts)->value);
        NodeRef next = parse_ladder(span_operand_pop_next(cuts, text), level + 1);
        acc = parse_join(c, std::move(acc), std::move(next));
    }
    return acc;
}

// The infix levels from level down: a level without top-level separators
// hands the text whole to the next one, so the loop costs no stack.
static NodeRef parse_ladder(const TextSpan& text, int level) {
    for (; level <= PARSE_LEVEL_COUNT; ++level) {
        const ParseLevel& rule = PARSE_LEVELS[level - 1];
        PositionList cuts = span_find_top_level(text, rule.separators);
        if (list_is_empty(cuts)) continue;
        return rule.fold == Fold::RIGHT ? parse_fold_right(text, cuts, level)
                                        : parse_fold_left(text, cuts, level);
    }
    return parse_postfix(text);
}

NodeRef parse_expression(RtString text) {
    const BracketIndex index = bracket_index_build(text);
    return parse_expression(TextSpan{&index, 0, index.length});
}

NodeRef parse_expression(const TextSpan& text) { return parse_ladder(text, 1); }
NodeRef parse_level_pipe(const TextSpan& text) { return parse_ladder(text, 2); }
NodeRef parse_level_logic(const TextSpan& text) { return parse_ladder(text, 3); }
NodeRef parse_level_compare(const TextSpan& text) { return parse_ladder(text, 4); }
NodeRef parse_level_apply(const TextSpan& text) { return parse_ladder(text, 5); }
NodeRef parse_level_sum(const TextSpan& text) { return parse_ladder(text, 6); }
NodeRef parse_level_product(const TextSpan& text) { return parse_ladder(text, 7); }
NodeRef parse_level_power(const TextSpan& text) { return parse_ladder(text, 8); }

// Wraps acc in the prefix-operator leaves of text[from, to), the byte at
// from outermost.
static NodeRef parse_wrap_operators(const TextSpan& text, i64 from, i64 to, NodeRef acc) {
    for (i64 i = to - 1; i >= from; --i)
        acc = node_make_app(leaf_of_byte(span_byte(text, i)), std::move(acc));
    return acc;
}

NodeRef parse_postfix(const TextSpan& text) {
    i64 core = text.length;
    while (core > 0 && char_is_prefix_operator(span_byte(text, core - 1))) --core;
    NodeRef acc = core == 0 ? leaf_empty_operand() : parse_prefix(span_sub(text, 0, core));
    // The last trailing byte ends up outermost.
    for (i64 i = core; i < text.length; ++i)
        acc = node_make_app(leaf_of_byte(span_byte(text, i)), std::move(acc));
    return acc;
}

NodeRef parse_prefix(const TextSpan& text) {
    i64 run = 0;
    while (run < text.length && char_is_prefix_operator(span_byte(text, run))) ++run;
    VORN_ASSERT(run < text.length);  // nothing left to apply them to
    NodeRef acc = parse_level_sigil(span_sub(text, run, text.length - run));
    return parse_wrap_operators(text, 0, run, std::move(acc));
}

NodeRef parse_level_sigil(const TextSpan& text) {
    const char* set = PREFIX_OPERATOR_CHARS;
    i64 run = span_find_char_from(0, text, set);
    if (run < 0) return parse_call_list(text);
    NodeRef acc = parse_call_list(span_sub(text, 0, run));
    while (run >= 0) {
        i64 after = run;
        while (char_is_prefix_operator(span_byte(text, after))) ++after;  // the end reads 0
        const i64 next = span_find_char_from(after, text, set);
        const i64 end = next < 0 ? text.length : next;
        acc = node_make_app(std::move(acc), parse_sigil_chain(span_sub(text, run, end - run)));
        run = next;
    }
    return acc;
}

NodeRef parse_sigil_chain(const TextSpan& piece) {
    VORN_ASSERT(piece.length >= 2);
    i64 run = 1;  // the first byte applies whatever it is
    while (run < piece.length && char_is_prefix_operator(span_byte(piece, run))) ++run;
    VORN_ASSERT(run < piece.length);
    NodeRef acc = parse_call_list(span_sub(piece, run, piece.length - run));
    return parse_wrap_operators(piece, 0, run, std::move(acc));
}

// Whether a new piece starts at c, the byte after b, in an adjacency run.
static bool piece_starts(u8 b, u8 c) {
    if (b == ')' || b == ']' || c == '(' || c == '[') return true;
    if (char_is_name(c)) return !char_is_name(b);
    if (char_is_digit(c)) return !char_is_digit(b);
    return !char_is_adjacency_break(c);  // uppercase, control, 0x7F and above
}

// Applies acc to the piece: a later piece in parentheses passes each of its
// comma-separated arguments in turn, any other piece is one atom.
static NodeRef parse_apply_piece(NodeRef acc, const TextSpan& piece) {
    if (span_byte(piece, 0) != '(') return node_make_app(std::move(acc), parse_atom(piece));
    const TextSpan inside = span_sub(piece, 1, piece.length - 2);
    PositionList commas = span_find_top_level(inside, ",");
    acc = node_make_app(std::move(acc), parse_put_off(span_operand_first(commas, inside), Deferred::EXPRESSION));
    while (!list_is_empty(commas))
        acc = node_make_app(std::move(acc),
                            parse_put_off(span_operand_pop_next(commas, inside), Deferred::EXPRESSION));
    return acc;
}

NodeRef parse_call_list(const TextSpan& text) {
    NodeRef acc = nullptr;
    i64 start = 0;
    for (i64 i = span_match_bracket(text, 0) + 1; i < text.length; ++i) {
        const u8 c = span_byte(text, i);
        if (piece_starts(span_byte(text, i - 1), c)) {
            const TextSpan piece = span_sub(text, start, i - start);
            acc = start == 0 ? parse_atom(piece) : parse_apply_piece(std::move(acc), piece);
            start = i;
        }
        if (c == '(' || c == '[') i = span_match_bracket(text, i);
    }
    const TextSpan last = span_sub(text, start, text.length - start);
    return start == 0 ? parse_atom(last) : parse_apply_piece(std::move(acc), last);
}

NodeRef parse_atom(const TextSpan& piece) {
    VORN_ASSERT(piece.length > 0);
    const u8 c = span_byte(piece, 0);
    if (char_is_digit(c) || char_is_name(c)) return leaf_of_span(piece);
    return parse_bracketed(piece);
}

NodeRef parse_bracketed(const TextSpan& piece) {
    const u8 c = span_byte(piece, 0);
    if (c == '[') return leaf_of_span(piece);
    if (c == '(') return parse_put_off(span_sub(piece, 1, piece.length - 2), Deferred::EXPRESSION);
    return parse_single_char(piece);
}

NodeRef parse_single_char(const TextSpan& piece) {
    VORN_ASSERT(piece.length == 1);
    const u8 c = span_byte(piece, 0);
    return leaf_of_byte(c == 0 ? u8('\n') : c);  // "\n": the empty array
}

NodeRef parse_brace_list(const TextSpan& text) {
    PositionList commas = span_find_top_level(text, ",");
    if (list_is_empty(commas)) return parse_expression(text);
    const i64 last_from = list_back(commas)->value + 1;
    NodeRef acc = parse_expression(span_sub(text, last_from, text.length - last_from));
    while (!list_is_empty(commas)) {
        NodeRef element = parse_expression(span_operand_pop_split(commas, text));
        acc = node_app2(leaf_of_byte(','), std::move(element), std::move(acc));
    }
    return acc;
}

namespace {

NodeRef parse_window_now(const DeferredWindow& window) {
    return window.kind == Deferred::BRACE_LIST ? parse_brace_list(window.text) : parse_expression(window.text);
}

}  // namespace
