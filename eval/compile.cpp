// The compiled evaluator: a compiler from function bodies to code for a
// stack machine, and the loop that runs it.
//
// Why the fallback is exact: the term machine is call-by-value except for
// its lazy heads, and the only way a reduction reaches past its own focus is
// a lazy head taking a missing argument from a function frame (or a frame
// that reads like one) on top of the stack. Code is only ever made for
// places where the machine's frame on top cannot give an argument: the
// argument of a builtin or of a function whose name does not start with a
// lazy head's letter, the value of a let, the operands of a comparison that
// decides a choice, the value of a function. There any subterm reduces to
// the same value, with the same effects in the same order, on a term
// machine of its own; an abort there ends the whole run with the value the
// machine reaches from the aborting term.
#include "compile.h"

#include <cstdlib>
#include <deque>
#include <unordered_map>
#include <vector>

#include "arithmetic.h"
#include "binders.h"
#include "comparisons.h"
#include "globals.h"
#include "integer.h"
#include "machine.h"
#include "registry.h"
#include "stack.h"
#include "tables.h"
#include "tag.h"

namespace {

// A value in one word: a small integer n held unboxed as 2n + 1, or one
// reference to a node (whose address is even). Small means what the
// arithmetic builtins take their short way on: at most 18 decimal digits,
// well inside 62 bits.
struct Value {
    u64 bits;
};

constexpr i64 SMALL_LIMIT = 999999999999999999;

Value value_small(i64 n) { return Value{(u64(n) << 1) | 1}; }

Value value_of_node(Node* n) { return Value{reinterpret_cast<u64>(n)}; }

// The node of a value, or null for a small integer.
Node* value_node(Value v) { return (v.bits & 1) ? nullptr : reinterpret_cast<Node*>(v.bits); }

i64 value_number(Value v) { return i64(v.bits) >> 1; }

// A local not yet set reads as the small integer 0.
constexpr Value UNSET_LOCAL{1};

bool fits_small(i64 v) { return v >= -SMALL_LIMIT && v <= SMALL_LIMIT; }

// The integer operations the code does itself on small integers; anything
// else goes to the builtin.
enum class Arith : u8 { PLUS, DASH, MULT, LESS, GTEQ, SAME, DIFF };

enum class Op : u8 {
    LOCAL,       // push local a
    MOVE,        // push local a, which is left unset (its reference goes with it)
    CONST_INT,   // push the small integer imm
    CONST_NODE,  // push node (borrowed from a definition)
    ARITH,       // pop b, a; push (kind a b)
    BRANCH,      // pop b, a; compare (kind); false: jump to b; neither truth: fallback c
    JUMP,        // jump to b
    CALL,        // call function on the top c values
    TAIL_CALL,   // the same, reusing the frame
    RETURN,      // the top value is the frame's value
    STORE,       // pop into local a
    GENERIC,     // push the value of template a
    BUILD,       // pop c values; push the spine of node (of arity imm) applied to them
    BUILTIN,     // pop c values; push the builtin node's call on them
    LISTCASE,    // local a: K goes on, a J cell sets locals x, y (unless NO_SLOT) and jumps to b; else template c
    UNPAIR,      // local a, a J cell (imm 1) or a V pair (imm 0): set locals x, y and jump to b
    APPLY,       // local a, a closed lambda of c binders, on the top c values; else template b
    TAIL_APPLY,  // the same, reusing the frame
    CONSTANT,    // push the value the constant's entry holds; else the value of template a
};

// Where an operand of ARITH or BRANCH comes from: the stack, a local, or a
// small integer of the code.
enum class Source : u8 { STACK, LOCAL, NUMBER };

// The locals of a LISTCASE that keeps the fields of the cell nowhere.
constexpr uint32_t NO_SLOT = ~uint32_t(0);

struct Operand {
    Source source = Source::STACK;
    uint32_t slot = 0;
    i64 number = 0;
};

struct Function;

struct Instr {
    Instr(Op op_, Arith kind_ = Arith::PLUS, uint32_t a_ = 0, uint32_t b_ = 0, uint32_t c_ = 0, i64 imm_ = 0,
          Node* node_ = nullptr, const BuiltinEntry* builtin_ = nullptr)
        : op(op_), kind(kind_), a(a_), b(b_), c(c_), imm(imm_), node(node_), builtin(builtin_) {}
    Op op;
    Arith kind = Arith::PLUS;
    uint32_t a = 0;
    uint32_t b = 0;
    uint32_t c = 0;
    i64 imm = 0;
    Node* node = nullptr;  // borrowed
    const BuiltinEntry* builtin = nullptr;
    Function* function = nullptr;        // CALL and TAIL_CALL
    const NodeRef* definition = nullptr;  // CONSTANT: its entry in the definitions
    Operand x, y;  // ARITH and BRANCH
};

// A body subterm handed to the term machine: rebuilt with the current
// values of the locals it names, as instantiation would have it.
struct Template {
    Node* term;  // borrowed from a definition
    std::vector<u8> letters;
    std::vector<uint32_t> slots;
};

// The choice whose comparison gave neither truth leaf: the machine applies
// that value to both branches.
struct ChoiceFallback {
    uint32_t then_template;
    uint32_t else_template;
    uint32_t end;  // where the choice's value goes on
};

struct Code {
    std::vector<Instr> instrs;
    uint32_t params = 0;
    uint32_t locals = 0;
};

// One global function, compiled on its first call.
struct Function {
    Node* definition = nullptr;  // borrowed: function entries never change in a run
    Node* name = nullptr;        // the head leaf of a call (borrowed)
    int binders = 0;
    bool tried = false;
    bool compiled = false;
    Code code;
    // A closed lambda met as a value, kept alive while its code may be found
    // by its address.
    NodeRef lambda = nullptr;
};

struct Frame {
    const Code* code;
    uint32_t pc;
    uint32_t base;
};

// The meaning of the prelude names a choice relies on, read once per run.
struct PreludeMeanings {
    bool frames = false;  // T reverses an application
    bool choice = false;  // ? is I, I the identity, K and H the truths
    bool lists = false;   // K the truth, J a cell that V takes apart
    bool empty = false;   // L tells the empty list K from a cell
};

class Compiler;

// Everything one compiled run keeps.
struct Run {
    std::deque<Function> functions;  // frames point into the code of each
    std::unordered_map<const Node*, uint32_t> function_index;  // by definition
    std::unordered_map<const Node*, uint32_t> lambda_index;    // closed lambdas met as values
    std::vector<Template> templates;
    std::vector<ChoiceFallback> fallbacks;
    PreludeMeanings prelude;
    InstanceScratch scratch;
    NodeRef plus_leaf = noderef_from_cstr("plus");
    NodeRef dash_leaf = noderef_from_cstr("dash");
    NodeRef mult_leaf = noderef_from_cstr("mult");
    NodeRef less_leaf = noderef_from_cstr("less");
    NodeRef gteq_leaf = noderef_from_cstr("gteq");
    NodeRef same_leaf = noderef_from_cstr("same");
    NodeRef diff_leaf = noderef_from_cstr("diff");
    const BuiltinEntry* arith_entries[7] = {};
};

// ---------------------------------------------------------------------------
// Reading terms
// ---------------------------------------------------------------------------

u8 lead_byte(const Node* n) { return node_is_leaf(n) ? leaf_bytes(n)[0] : 0; }

// A leaf whose whole text is the one byte c.
bool leaf_is_byte(const Node* n, u8 c) {
    if (!node_is_leaf(n)) return false;
    const u8* bytes = leaf_bytes(n);
    return bytes[0] == c && bytes[1] == 0;
}

u8 letter_of(const Node* n) {
    if (!node_is_leaf(n)) return 0;
    u8 c = leaf_bytes(n)[0];
    return c >= 'a' && c <= 'z' && leaf_bytes(n)[1] == 0 ? c : 0;
}

bool is_lazy_head_byte(u8 c) {
    for (const char* p = LAZY_HEAD_CHARS; *p != 0; ++p)
        if (u8(*p) == c) return true;
    return false;
}

// ((\ x) body): the binder's letter (0 when it is no single letter), body.
bool lambda_parts(const Node* t, u8* letter, const Node** body) {
    if (node_binder_kind(t) != 'u') return false;
    *letter = letter_of(pair_right(pair_left(t)));
    *body = pair_right(t);
    return true;
}

const NodeRef* definition_of(const Node* leaf) {
    DefsMap& defs = definitions_instance();
    auto it = defs.find(string_from_cstr(reinterpret_cast<const char*>(leaf_bytes(leaf))));
    return it == defs.end() ? nullptr : &it->second;
}

const NodeRef* definition_named(const char* name) {
    DefsMap& defs = definitions_instance();
    auto it = defs.find(string_from_cstr(name));
    return it == defs.end() ? nullptr : &it->second;
}

const BuiltinEntry* builtin_of(const Node* leaf) {
    u8 c = lead_byte(leaf);
    if (c < 'a' || c > 'z') return nullptr;
    BuiltinTable& builtins = builtin_registry();
    auto it = builtins.find(string_from_cstr(reinterpret_cast<const char*>(leaf_bytes(leaf))));
    return it == builtins.end() ? nullptr : &it->second;
}

// The builtin a head leaf stands for: itself a builtin's name, or a constant
// whose definition is one (the operators).
const BuiltinEntry* builtin_meant(const Node* leaf) {
    if (const BuiltinEntry* b = builtin_of(leaf)) return b;
    if (lead_byte(leaf) >= 'a' && lead_byte(leaf) <= 'z') return nullptr;
    const NodeRef* d = definition_of(leaf);
    if (d == nullptr || !node_is_leaf(d->node)) return nullptr;
    return builtin_of(d->node);
}

bool arith_of(BuiltinFn fn, Arith* kind) {
    if (fn == builtin_plus) *kind = Arith::PLUS;
    else if (fn == builtin_dash) *kind = Arith::DASH;
    else if (fn == builtin_mult) *kind = Arith::MULT;
    else if (fn == builtin_less) *kind = Arith::LESS;
    else if (fn == builtin_gteq) *kind = Arith::GTEQ;
    else if (fn == builtin_same) *kind = Arith::SAME;
    else if (fn == builtin_diff) *kind = Arith::DIFF;
    else return false;
    return true;
}

bool is_comparison(Arith kind) { return kind >= Arith::LESS; }

PreludeMeanings read_prelude() {
    PreludeMeanings m;
    // Every function frame the machine pops goes through T.
    const NodeRef* t = definition_named("T");
    u8 a = 0, b = 0;
    const Node *t_body = nullptr, *t_inner = nullptr;
    m.frames = t && lambda_parts(t->node, &a, &t_body) && a != 0 && lambda_parts(t_body, &b, &t_inner) && b != 0 &&
               a != b && !node_is_leaf(t_inner) && letter_of(pair_left(t_inner)) == b &&
               letter_of(pair_right(t_inner)) == a;
    const NodeRef* q = definition_named("?");
    const NodeRef* i = definition_named("I");
    const NodeRef* k = definition_named("K");
    const NodeRef* h = definition_named("H");
    if (!q || !i || !k || !h) return m;
    u8 x = 0, y = 0;
    const Node *body = nullptr, *inner = nullptr;
    bool q_is_i = leaf_is_byte(q->node, 'I');
    bool i_is_identity = lambda_parts(i->node, &x, &body) && x != 0 && letter_of(body) == x;
    bool k_is_true = lambda_parts(k->node, &x, &body) && x != 0 && lambda_parts(body, &y, &inner) && y != 0 &&
                     y != x && letter_of(inner) == x;
    bool h_is_false = lambda_parts(h->node, &x, &body) && x != 0 && leaf_is_byte(body, 'I');
    m.choice = q_is_i && i_is_identity && k_is_true && h_is_false;
    // J\a\b\c\V a b and V\a\b\c\c a b: a cell applied to z and f gives
    // f applied to its two fields.
    const NodeRef* j = definition_named("J");
    const NodeRef* v = definition_named("V");
    u8 c = 0;
    const Node *p1 = nullptr, *p2 = nullptr, *p3 = nullptr;
    bool j_is_cell = j && lambda_parts(j->node, &x, &p1) && lambda_parts(p1, &y, &p2) && lambda_parts(p2, &c, &p3) &&
                     x != 0 && y != 0 && c != 0 && x != y && c != x && c != y && !node_is_leaf(p3) &&
                     !node_is_leaf(pair_left(p3)) && leaf_is_byte(pair_left(pair_left(p3)), 'V') &&
                     letter_of(pair_right(pair_left(p3))) == x && letter_of(pair_right(p3)) == y;
    bool v_is_pair = v && lambda_parts(v->node, &x, &p1) && lambda_parts(p1, &y, &p2) && lambda_parts(p2, &c, &p3) &&
                     x != 0 && y != 0 && c != 0 && x != y && c != x && c != y && !node_is_leaf(p3) &&
                     !node_is_leaf(pair_left(p3)) && letter_of(pair_left(pair_left(p3))) == c &&
                     letter_of(pair_right(pair_left(p3))) == x && letter_of(pair_right(p3)) == y;
    m.lists = k_is_true && j_is_cell && v_is_pair;
    // L\a\a K (K (K H)): K for the empty list K, H for a cell.
    const NodeRef* l = definition_named("L");
    const Node* lk = nullptr;
    m.empty = m.lists && m.choice && l && lambda_parts(l->node, &x, &body) && x != 0 && !node_is_leaf(body) &&
              !node_is_leaf(pair_left(body)) && letter_of(pair_left(pair_left(body))) == x &&
              leaf_is_byte(pair_right(pair_left(body)), 'K') && !node_is_leaf(lk = pair_right(body)) &&
              leaf_is_byte(pair_left(lk), 'K') && !node_is_leaf(lk = pair_right(lk)) &&
              leaf_is_byte(pair_left(lk), 'K') && leaf_is_byte(pair_right(lk), 'H');
    return m;
}

// ---------------------------------------------------------------------------
// The compiler
// ---------------------------------------------------------------------------

constexpr int MAX_ARGS = 16;
constexpr int MAX_NESTING = 1000;
// The C stack left below which the compiler goes no deeper, whatever the
// nesting: a run's stack may be small under a memory limit.
constexpr size_t STACK_RESERVE = size_t(256) << 10;

// The locals in scope: letter to slot.
struct Scope {
    int slot[26];
    Scope() {
        for (int& s : slot) s = -1;
    }
    uint32_t mask() const {
        uint32_t m = 0;
        for (int i = 0; i < 26; ++i)
            if (slot[i] >= 0) m |= uint32_t(1) << i;
        return m;
    }
};

// Gives up on a body the compiler cannot place every letter of.
struct CannotCompile {};

class Compiler {
public:
    Compiler(Run& run, Code& code) : run_(run), code_(code) {}

    // The body of a function of the given binder letters.
    void function(const u8* letters, int k, const Node* body) {
        Scope scope;
        for (int i = 0; i < k; ++i) {
            if (letters[i] == 0 || scope.slot[letters[i] - 'a'] >= 0) throw CannotCompile{};
            scope.slot[letters[i] - 'a'] = i;
        }
        code_.params = uint32_t(k);
        code_.locals = uint32_t(k);
        expression(body, scope, true);
    }

private:
    uint32_t emit(Instr in) {
        code_.instrs.push_back(in);
        return uint32_t(code_.instrs.size() - 1);
    }

    uint32_t here() const { return uint32_t(code_.instrs.size()); }

    void finish(bool tail) {
        if (tail) emit({Op::RETURN});
    }

    uint32_t make_template(const Node* t, const Scope& scope) {
        Template tpl;
        tpl.term = const_cast<Node*>(t);
        node_compute_tag(tpl.term);
        uint32_t free = uint32_t(node_free_mask(t));
        if ((free & ~scope.mask()) != 0) throw CannotCompile{};
        for (int i = 0; i < 26; ++i)
            if (free & (uint32_t(1) << i)) {
                tpl.letters.push_back(u8('a' + i));
                tpl.slots.push_back(uint32_t(scope.slot[i]));
            }
        run_.templates.push_back(std::move(tpl));
        return uint32_t(run_.templates.size() - 1);
    }

    // The two arms after the test instruction at test, which jumps to the
    // second arm when it fails: first (in first_scope), then second (in
    // second_scope). Returns where the value of either arm goes on; in tail
    // position each arm returns, and so does what comes after them (the
    // machine's value, when the test hands the whole term over).
    uint32_t arms(uint32_t test, const Node* first, const Scope& first_scope, const Node* second,
                  const Scope& second_scope, bool tail) {
        expression(first, first_scope, tail);
        uint32_t jump = tail ? 0 : emit({Op::JUMP});
        code_.instrs[test].b = here();
        expression(second, second_scope, tail);
        uint32_t end = here();
        if (!tail) code_.instrs[jump].b = end;
        if (tail) emit({Op::RETURN});
        return end;
    }

    void generic(const Node* t, const Scope& scope, bool tail) {
        emit({Op::GENERIC, Arith::PLUS, make_template(t, scope)});
        finish(tail);
    }

    // The parts of the pair t read as c?a?b, ((? ((? c) a)) b), or false.
    static bool choice_parts(const Node* t, const Node** c, const Node** a, const Node** b) {
        const Node* outer = pair_left(t);  // (? ((? c) a))
        if (node_is_leaf(outer) || !leaf_is_byte(pair_left(outer), '?')) return false;
        const Node* inner = pair_right(outer);  // ((? c) a)
        if (node_is_leaf(inner) || node_is_leaf(pair_left(inner))) return false;
        if (!leaf_is_byte(pair_left(pair_left(inner)), '?')) return false;
        *c = pair_right(pair_left(inner));
        *a = pair_right(inner);
        *b = pair_right(t);
        return true;
    }

    // c?a?b: ((? ((? c) a)) b) with ? the identity and c a comparison.
    bool choice(const Node* t, const Scope& scope, bool tail) {
        if (!run_.prelude.choice || node_is_leaf(t)) return false;
        const Node *c, *a, *b;
        if (!choice_parts(t, &c, &a, &b)) return false;
        // c = ((op x) y)
        if (node_is_leaf(c) || node_is_leaf(pair_left(c))) return false;
        const Node* op = pair_left(pair_left(c));
        if (!node_is_leaf(op)) return false;
        const BuiltinEntry* entry = builtin_meant(op);
        Arith kind;
        if (entry == nullptr || entry->arity != 2 || !arith_of(entry->fn, &kind) || !is_comparison(kind)) return false;
        Operand ox = operand(pair_right(pair_left(c)), scope);
        Operand oy = operand(pair_right(c), scope);
        uint32_t fallback = uint32_t(run_.fallbacks.size());
        run_.fallbacks.push_back({make_template(a, scope), make_template(b, scope), 0});
        Instr in{Op::BRANCH, kind, 0, 0, fallback};
        in.x = ox;
        in.y = oy;
        uint32_t end = arms(emit(in), a, scope, b, scope, tail);  // may add fallbacks of its own
        run_.fallbacks[fallback].end = end;
        return true;
    }

    // ((({ x) e) c) or ((\ x) c) e: e, then c with x bound to its value.
    bool let(const Node* t, const Scope& scope, bool tail) {
        if (node_is_leaf(t)) return false;
        if (pattern(t, scope, tail)) return true;
        const Node *e = nullptr, *c = nullptr;
        u8 x = 0;
        if (node_binder_kind(t) == 'i') {
            if (!strict_let_parts(t, &x, &e, &c)) return false;
        } else if (node_binder_kind(pair_left(t)) == 'u') {
            x = letter_of(pair_right(pair_left(pair_left(t))));
            c = pair_right(pair_left(t));
            e = pair_right(t);
        } else {
            return false;
        }
        if (x == 0) return false;
        expression(e, scope, false);
        Scope inner = scope;
        uint32_t slot = code_.locals++;
        inner.slot[x - 'a'] = int(slot);
        emit({Op::STORE, Arith::PLUS, slot});
        expression(c, inner, tail);
        return true;
    }

    // l z (h\t\e) with l a local: z for the empty list K, e with h and t
    // the fields of a cell ((J h) t); anything else goes to the machine.
    bool listcase(const Node* t, const Scope& scope, bool tail) {
        if (!run_.prelude.lists || node_is_leaf(t) || node_is_leaf(pair_left(t))) return false;
        const Node* f = pair_right(t);
        const Node* z = pair_right(pair_left(t));
        u8 l = letter_of(pair_left(pair_left(t)));
        if (l == 0 || scope.slot[l - 'a'] < 0) return false;
        u8 h = 0, tl = 0;
        const Node *inner = nullptr, *e = nullptr;
        if (!lambda_parts(f, &h, &inner) || !lambda_parts(inner, &tl, &e) || h == 0 || tl == 0 || h == tl)
            return false;
        Scope cell = scope;
        uint32_t h_slot = code_.locals++, t_slot = code_.locals++;
        cell.slot[h - 'a'] = int(h_slot);
        cell.slot[tl - 'a'] = int(t_slot);
        emit_listcase(t, uint32_t(scope.slot[l - 'a']), h_slot, t_slot, z, scope, e, cell, tail);
        return true;
    }

    // The code of a list test on the local in list_slot: z (in scope) for
    // the K leaf, e (in cell) for a cell whose fields go to h_slot and
    // t_slot; anything else hands the whole term t to the machine.
    void emit_listcase(const Node* t, uint32_t list_slot, uint32_t h_slot, uint32_t t_slot, const Node* z,
                       const Scope& scope, const Node* e, const Scope& cell, bool tail) {
        Instr in{Op::LISTCASE, Arith::PLUS, list_slot, 0, make_template(t, scope)};
        in.x.slot = h_slot;
        in.y.slot = t_slot;
        uint32_t test = emit(in);
        code_.instrs[test].imm = arms(test, z, scope, e, cell, tail);
    }

    // ((({ x) e) c): x, e and c, or false.
    static bool strict_let_parts(const Node* t, u8* x, const Node** e, const Node** c) {
        if (node_is_leaf(t) || node_binder_kind(t) != 'i') return false;
        *x = letter_of(pair_right(pair_left(pair_left(t))));
        *e = pair_right(pair_left(t));
        *c = pair_right(t);
        return *x != 0;
    }

    // (y w) with y a letter and w the one-byte leaf c.
    static bool applied_to(const Node* t, u8 y, u8 c) {
        return !node_is_leaf(t) && letter_of(pair_left(t)) == y && leaf_is_byte(pair_right(t), c);
    }

    // The brace pattern a b{e}c as the front end leaves it:
    // ((({ b) e) ((({ a) (b K)) ((({ b) (b H)) c))).
    struct PatternParts {
        u8 a = 0, b = 0;
        const Node *e = nullptr, *first = nullptr, *second = nullptr, *c = nullptr;
    };

    static bool pattern_parts(const Node* t, PatternParts* p) {
        u8 b2 = 0;
        const Node *rest = nullptr, *rest2 = nullptr;
        if (!strict_let_parts(t, &p->b, &p->e, &rest) || !strict_let_parts(rest, &p->a, &p->first, &rest2) ||
            !strict_let_parts(rest2, &b2, &p->second, &p->c))
            return false;
        return p->a != p->b && b2 == p->b && applied_to(p->first, p->b, 'K') && applied_to(p->second, p->b, 'H');
    }

    // A brace pattern: when e is (x K) with x a local holding a J cell, or
    // e gives a V pair, a and b are its two fields, read in place;
    // otherwise the three lets run as written.
    bool pattern(const Node* t, const Scope& scope, bool tail) {
        if (!run_.prelude.lists || !run_.prelude.choice) return false;
        PatternParts parts;
        if (!pattern_parts(t, &parts)) return false;
        u8 a = parts.a, b = parts.b;
        const Node* e = parts.e;
        Scope held = scope;
        uint32_t p_slot = code_.locals++;
        held.slot[b - 'a'] = int(p_slot);
        Scope fields = scope;
        uint32_t a_slot = code_.locals++, b_slot = code_.locals++;
        fields.slot[a - 'a'] = int(a_slot);
        fields.slot[b - 'a'] = int(b_slot);
        uint32_t test = 0;
        u8 x = node_is_leaf(e) ? 0 : letter_of(pair_left(e));
        Instr in{Op::UNPAIR};
        in.x.slot = a_slot;
        in.y.slot = b_slot;
        if (x != 0 && scope.slot[x - 'a'] >= 0 && applied_to(e, x, 'K')) {
            in.a = uint32_t(scope.slot[x - 'a']);
            in.imm = 1;
            test = emit(in);
            expression(e, scope, false);
            emit({Op::STORE, Arith::PLUS, p_slot});
        } else {
            expression(e, scope, false);
            emit({Op::STORE, Arith::PLUS, p_slot});
            in.a = p_slot;
            test = emit(in);
        }
        Scope between = held;
        expression(parts.first, held, false);
        between.slot[a - 'a'] = int(a_slot);
        emit({Op::STORE, Arith::PLUS, a_slot});
        expression(parts.second, between, false);
        emit({Op::STORE, Arith::PLUS, b_slot});
        code_.instrs[test].b = here();
        expression(parts.c, fields, tail);
        return true;
    }

    // L l?z?e with l a local: z for the empty list K, e for a cell
    // ((J h) t); anything else goes to the machine.
    bool emptiness(const Node* t, const Scope& scope, bool tail) {
        if (!run_.prelude.empty || node_is_leaf(t)) return false;
        const Node *c, *z, *e;
        if (!choice_parts(t, &c, &z, &e)) return false;
        if (node_is_leaf(c) || !leaf_is_byte(pair_left(c), 'L')) return false;
        u8 l = letter_of(pair_right(c));
        if (l == 0 || scope.slot[l - 'a'] < 0) return false;
        uint32_t list = uint32_t(scope.slot[l - 'a']);
        // A cell taken apart at once, h t{l K}c: the test binds h and t.
        PatternParts parts;
        if (pattern_parts(e, &parts) && applied_to(parts.e, l, 'K')) {
            Scope cell = scope;
            uint32_t h_slot = code_.locals++, t_slot = code_.locals++;
            cell.slot[parts.a - 'a'] = int(h_slot);
            cell.slot[parts.b - 'a'] = int(t_slot);
            emit_listcase(t, list, h_slot, t_slot, z, scope, parts.c, cell, tail);
            return true;
        }
        emit_listcase(t, list, NO_SLOT, NO_SLOT, z, scope, e, scope, tail);
        return true;
    }

    // A global constant read alone: once the machine has stored its value
    // in the definitions, that value is the read's value.
    bool constant(const Node* t, const Scope& scope, bool tail) {
        if (!node_is_leaf(t) || letter_of(t) != 0 || builtin_meant(t) != nullptr) return false;
        if (node_tagged_arity(const_cast<Node*>(t)) != 0) return false;
        const NodeRef* d = definition_of(t);
        if (d == nullptr) return false;
        Instr in{Op::CONSTANT, Arith::PLUS, make_template(t, scope)};
        in.definition = d;
        emit(in);
        finish(tail);
        return true;
    }

    uint32_t function_index(Node* head, const Node* definition, int binders) {
        auto it = run_.function_index.find(definition);
        if (it != run_.function_index.end()) return it->second;
        Function f;
        f.definition = const_cast<Node*>(definition);
        f.name = head;
        f.binders = binders;
        run_.functions.push_back(std::move(f));
        uint32_t index = uint32_t(run_.functions.size() - 1);
        run_.function_index.emplace(definition, index);
        return index;
    }

    // An operand read in place when it is a local or a small integer;
    // otherwise its code, leaving the value on the stack.
    Operand operand(const Node* t, const Scope& scope) {
        Operand o;
        if (u8 x = letter_of(t); x != 0 && scope.slot[x - 'a'] >= 0) {
            o.source = Source::LOCAL;
            o.slot = uint32_t(scope.slot[x - 'a']);
            return o;
        }
        node_compute_tag(const_cast<Node*>(t));
        if (node_free_mask(t) == 0 && arith_small_integer(t, &o.number)) {
            o.source = Source::NUMBER;
            return o;
        }
        expression(t, scope, false);
        return o;
    }

    // True when every argument is a local or a closed value: nothing to
    // reduce before the head is known.
    static bool are_values(Node* const* args, int n, const Scope& scope) {
        for (int i = 0; i < n; ++i) {
            u8 x = letter_of(args[i]);
            if (x != 0 && scope.slot[x - 'a'] >= 0) continue;
            node_compute_tag(args[i]);
            if (node_free_mask(args[i]) != 0 || !node_is_value(args[i])) return false;
        }
        return true;
    }

    void arguments(Node* const* args, int n, const Scope& scope) {
        for (int i = 0; i < n; ++i) expression(args[i], scope, false);
    }

    // The arguments of a tail call, whose frame goes right after them: a
    // local given as it is, and named by no later argument, is moved.
    void tail_arguments(Node* const* args, int n, const Scope& scope) {
        for (int i = 0; i < n; ++i) {
            u8 x = letter_of(args[i]);
            if (x != 0 && scope.slot[x - 'a'] >= 0 && !named_in(args + i + 1, n - i - 1, x)) {
                emit({Op::MOVE, Arith::PLUS, uint32_t(scope.slot[x - 'a'])});
                continue;
            }
            expression(args[i], scope, false);
        }
    }

    // Whether the letter x is free in one of the n terms.
    static bool named_in(Node* const* terms, int n, u8 x) {
        for (int i = 0; i < n; ++i) {
            node_compute_tag(terms[i]);
            if (node_free_mask(terms[i]) & (u64(1) << (x - 'a'))) return true;
        }
        return false;
    }

    // The code of t. The compiler follows the nesting of a body on the C
    // stack, so a body nested deeper than MAX_NESTING, or than the stack has
    // room for, is not compiled: the term machine, which takes any depth,
    // runs it instead.
    void expression(const Node* t, const Scope& scope, bool tail) {
        if (depth_ == MAX_NESTING || stack_room() < STACK_RESERVE) throw CannotCompile{};
        ++depth_;
        term(t, scope, tail);
        --depth_;
    }

    void term(const Node* t, const Scope& scope, bool tail) {
        node_compute_tag(const_cast<Node*>(t));
        if (u8 x = letter_of(t); x != 0 && scope.slot[x - 'a'] >= 0) {
            emit({Op::LOCAL, Arith::PLUS, uint32_t(scope.slot[x - 'a'])});
            finish(tail);
            return;
        }
        if (node_free_mask(t) == 0 && node_is_value(const_cast<Node*>(t))) {
            i64 v = 0;
            if (arith_small_integer(t, &v))
                emit({Op::CONST_INT, Arith::PLUS, 0, 0, 0, v});
            else
                emit({Op::CONST_NODE, Arith::PLUS, 0, 0, 0, 0, const_cast<Node*>(t)});
            finish(tail);
            return;
        }
        if (constant(t, scope, tail)) return;
        if (emptiness(t, scope, tail)) return;
        if (choice(t, scope, tail)) return;
        if (let(t, scope, tail)) return;
        if (listcase(t, scope, tail)) return;
        // The spine: head and arguments, a1 first.
        Node* args[MAX_ARGS];
        int n = 0;
        const Node* h = t;
        while (!node_is_leaf(h) && node_tag(h) != TAG_DATA) {
            if (n == MAX_ARGS) return generic(t, scope, tail);
            args[n++] = pair_right(h);
            h = pair_left(h);
        }
        for (int i = 0, j = n - 1; i < j; ++i, --j) std::swap(args[i], args[j]);
        if (u8 k = letter_of(h); k != 0 && n > 0 && scope.slot[k - 'a'] >= 0 && are_values(args, n, scope)) {
            uint32_t tpl = make_template(t, scope);
            arguments(args, n, scope);
            emit({tail ? Op::TAIL_APPLY : Op::APPLY, Arith::PLUS, uint32_t(scope.slot[k - 'a']), tpl, uint32_t(n)});
            return;
        }
        if (!node_is_leaf(h) || n == 0 || letter_of(h) != 0) return generic(t, scope, tail);
        Node* head = const_cast<Node*>(h);
        if (const BuiltinEntry* entry = builtin_meant(head)) {
            if (int(entry->arity) != n) return generic(t, scope, tail);
            Arith kind;
            if (n == 2 && arith_of(entry->fn, &kind)) {
                Instr in{Op::ARITH, kind};
                in.x = operand(args[0], scope);
                in.y = operand(args[1], scope);
                emit(in);
            } else {
                arguments(args, n, scope);
                emit({Op::BUILTIN, Arith::PLUS, 0, 0, uint32_t(n), 0, head, entry});
            }
            finish(tail);
            return;
        }
        i64 arity = node_tagged_arity(head);
        if (is_lazy_head_byte(lead_byte(head))) {
            if (arity <= n) return generic(t, scope, tail);
            arguments(args, n, scope);
            emit({Op::BUILD, Arith::PLUS, 0, 0, uint32_t(n), arity, head});
            finish(tail);
            return;
        }
        const NodeRef* d = definition_of(head);
        if (d == nullptr || arity < 1) return generic(t, scope, tail);
        int binders = 0;
        for (const Node* p = d->node; node_binder_kind(p) == 'u'; p = pair_right(p)) ++binders;
        if (binders != arity || n > binders) return generic(t, scope, tail);
        if (n < binders) {
            arguments(args, n, scope);
            emit({Op::BUILD, Arith::PLUS, 0, 0, uint32_t(n), arity, head});
            finish(tail);
            return;
        }
        if (tail)
            tail_arguments(args, n, scope);
        else
            arguments(args, n, scope);
        Instr call{tail ? Op::TAIL_CALL : Op::CALL, Arith::PLUS, 0, 0, uint32_t(n)};
        call.function = &run_.functions[function_index(head, d->node, binders)];
        emit(call);
    }

    Run& run_;
    Code& code_;
    int depth_ = 0;  // expressions being compiled, one inside the other
};

// Compiles f when first called; false when its body cannot be compiled.
bool ensure_compiled(Run& run, Function& f) {
    if (f.tried) return f.compiled;
    f.tried = true;
    u8 letters[MAX_ARGS];
    int k = 0;
    const Node* body = f.definition;
    while (node_binder_kind(body) == 'u') {
        if (k == MAX_ARGS) return false;
        letters[k++] = letter_of(pair_right(pair_left(body)));
        body = pair_right(body);
    }
    size_t templates = run.templates.size(), fallbacks = run.fallbacks.size();
    try {
        Compiler(run, f.code).function(letters, k, body);
    } catch (const CannotCompile&) {
        f.code = Code();
        run.templates.resize(templates);
        run.fallbacks.resize(fallbacks);
        return false;
    }
    f.compiled = true;
    return true;
}

// ---------------------------------------------------------------------------
// The loop
// ---------------------------------------------------------------------------

NodeRef box(Value v) {
    if (Node* n = value_node(v)) return NodeRef(n);
    NodeRef leaf = integer_make_leaf(value_number(v));
    node_set_arity(leaf.node, 1);  // the tag of every digit leaf, set now: it is sure to be read
    return leaf;
}

Node* box_raw(Value v) {
    NodeRef r = box(v);
    Node* n = r.node;
    r.node = nullptr;
    return n;
}

Value from_node(NodeRef r) {
    Node* n = r.node;
    r.node = nullptr;
    return value_of_node(n);
}

void release(Value v) {
    if (Node* n = value_node(v)) node_release(n);
}

Value copy(Value v) {
    if (Node* n = value_node(v)) node_retain(n);
    return v;
}

bool small_of(Value v, i64* out) {
    if (v.bits & 1) {
        *out = value_number(v);
        return true;
    }
    return arith_small_integer(value_node(v), out);
}

// A result (X y) with X a leaf beginning ")" or "]" ends the evaluation.
bool result_aborts(const Node* r) {
    if (node_is_leaf(r)) return false;
    const Node* x = pair_left(r);
    u8 c = lead_byte(x);
    return node_is_leaf(x) && (c == ')' || c == ']');
}

// The values of a run: a growable array whose pushes are one store and a
// test.
class ValueStack {
public:
    ValueStack() : data_(static_cast<Value*>(std::malloc(sizeof(Value) * 1024))), capacity_(1024) {
        VORN_ASSERT(data_ != nullptr);
    }
    ~ValueStack() { std::free(data_); }
    ValueStack(const ValueStack&) = delete;
    ValueStack& operator=(const ValueStack&) = delete;

    [[gnu::always_inline]] void push_back(Value v) {
        if (size_ == capacity_) grow();
        data_[size_++] = v;
    }
    void pop_back() { --size_; }
    Value& back() { return data_[size_ - 1]; }
    size_t size() const { return size_; }
    // Only ever shrinks: the values past n are gone (already released).
    void resize(size_t n) { size_ = n; }
    void clear() { size_ = 0; }
    Value& operator[](size_t i) { return data_[i]; }
    Value* begin() { return data_; }
    Value* end() { return data_ + size_; }

private:
    void grow() {
        capacity_ *= 2;
        data_ = static_cast<Value*>(std::realloc(data_, sizeof(Value) * capacity_));
        VORN_ASSERT(data_ != nullptr);
    }
    Value* data_;
    size_t size_ = 0;
    size_t capacity_;
};

class Machine {
public:
    explicit Machine(Run& run) : run_(run) {
        frames_.reserve(256);
    }
    ~Machine() {
        for (Value v : values_) release(v);
    }

    // Runs code with the given arguments as its parameters; the value, or
    // the machine's value after an abort.
    NodeRef execute(const Code& code, const std::vector<Value>& args) {
        for (Value a : args) values_.push_back(a);
        enter(code, 0);
        return loop();
    }

private:
    void enter(const Code& code, uint32_t base) {
        for (uint32_t i = code.params; i < code.locals; ++i) values_.push_back(UNSET_LOCAL);
        frames_.push_back(Frame{&code, 0, base});
    }

    Value pop() {
        Value v = values_.back();
        values_.pop_back();
        return v;
    }

    // An operand's value: popped from the stack (owning its reference),
    // or read from a local or the code (borrowed).
    [[gnu::always_inline]] Value peek(const Operand& o, uint32_t base) {
        switch (o.source) {
        case Source::STACK: return pop();
        case Source::LOCAL: return values_[base + o.slot];
        case Source::NUMBER: break;
        }
        return value_small(o.number);
    }

    // Done with a value from peek.
    static void drop(const Operand& o, Value v) {
        if (o.source == Source::STACK) release(v);
    }

    // A value from peek with a reference of its own.
    static Value own(const Operand& o, Value v) { return o.source == Source::STACK ? v : copy(v); }

    // The two fields f and g of a cell or pair (borrowed) into the locals
    // in.x and in.y of frame, which then goes on at in.b.
    void bind_fields(Node* f, Node* g, Frame& frame, const Instr& in) {
        frame.pc = in.b;
        if (in.x.slot == NO_SLOT) return;
        Node* fields[2] = {f, g};
        uint32_t slots[2] = {frame.base + in.x.slot, frame.base + in.y.slot};
        for (int i = 0; i < 2; ++i) {
            node_retain(fields[i]);
            release(values_[slots[i]]);
            values_[slots[i]] = value_of_node(fields[i]);
        }
    }

    // Drops every value and frame: the run ends with term's value, reduced
    // by the machine from scratch as an aborted run reduces it.
    NodeRef abort_with(NodeRef term) {
        for (Value v : values_) release(v);
        values_.clear();
        frames_.clear();
        return machine_evaluate(std::move(term));
    }

    // The value of term by the term machine; false after an abort, with
    // *result then the run's value.
    bool reduce(NodeRef term, NodeRef* result) {
        ++handoffs_;
        if (node_is_value(term.node)) {
            *result = std::move(term);
            return true;
        }
        bool aborted = false;
        NodeRef v = machine_evaluate_noting_abort(std::move(term), aborted);
        if (aborted) {
            for (Value x : values_) release(x);
            values_.clear();
            frames_.clear();
        }
        *result = std::move(v);
        return !aborted;
    }

    NodeRef instantiate_template(uint32_t index, uint32_t base) {
        const Template& tpl = run_.templates[index];
        int k = int(tpl.letters.size());
        if (k == 0) return noderef_wrap(tpl.term);
        Node* args[26];
        for (int i = 0; i < k; ++i) args[i] = box_raw(copy(values_[base + tpl.slots[i]]));
        NodeRef r = instantiate(noderef_wrap(tpl.term), tpl.letters.data(), args, k, run_.scratch);
        for (int i = 0; i < k; ++i) node_release(args[i]);
        return r;
    }

    const BuiltinEntry* arith_entry(Arith kind) {
        const BuiltinEntry*& e = run_.arith_entries[int(kind)];
        if (e == nullptr) {
            static const char* const NAMES[] = {"plus", "dash", "mult", "less", "gteq", "same", "diff"};
            e = &builtin_registry().find(string_from_cstr(NAMES[int(kind)]))->second;
        }
        return e;
    }

    const NodeRef& arith_leaf(Arith kind) {
        switch (kind) {
        case Arith::PLUS: return run_.plus_leaf;
        case Arith::DASH: return run_.dash_leaf;
        case Arith::MULT: return run_.mult_leaf;
        case Arith::LESS: return run_.less_leaf;
        case Arith::GTEQ: return run_.gteq_leaf;
        case Arith::SAME: return run_.same_leaf;
        case Arith::DIFF: return run_.diff_leaf;
        }
        return run_.plus_leaf;
    }

    // The builtin's own result on the boxed operands (released).
    NodeRef arith_builtin(Arith kind, Value a, Value b) {
        NodeRef app = node_make_app(node_make_app(arith_leaf(kind), box(a)), box(b));
        return arith_entry(kind)->fn(std::move(app));
    }

    // Small integers a and b: true with the result when the builtin would
    // take its short way; the truth of a comparison as 1 or 0.
    static bool arith_small(Arith kind, i64 a, i64 b, i64* out) {
        switch (kind) {
        case Arith::PLUS: *out = a + b; return true;
        case Arith::DASH: *out = a - b; return true;
        case Arith::MULT: return !__builtin_mul_overflow(a, b, out);
        case Arith::LESS: *out = a < b; return true;
        case Arith::GTEQ: *out = a >= b; return true;
        case Arith::SAME: *out = a == b; return true;
        case Arith::DIFF: *out = a != b; return true;
        }
        return false;
    }

    // Pushes a builtin's result, or ends the run on an abort result.
    bool push_result(NodeRef r, NodeRef* final) {
        if (result_aborts(r.node)) {
            *final = abort_with(std::move(r));
            return false;
        }
        values_.push_back(from_node(std::move(r)));
        return true;
    }

    // Pops the n arguments of a call into a spine over head.
    NodeRef spine(NodeRef head, uint32_t n) {
        size_t first = values_.size() - n;
        for (size_t i = first; i < values_.size(); ++i)
            head = node_make_tagged_app(std::move(head), box(values_[i]));
        values_.resize(first);
        return head;
    }

    // A closed value: its pair with a head above it needs no reduction below
    // and frees no letter.
    static bool quiet(Node* n) { return node_is_value(n) && node_free_mask(n) == 0; }

    // Pops the n arguments of an application that needs more into a spine
    // over head, a name of the given arity that frees no letter. While the
    // arguments are closed values, every pair's tag is known without
    // reading its children: the arity falls by one a pair, nothing below
    // needs reducing, no letter is free.
    Node* build(Node* head, uint32_t n, i64 arity) {
        size_t first = values_.size() - n;
        node_retain(head);
        Node* spine = head;
        bool known = arity < ARITY_MAX;
        for (uint32_t i = 0; i < n; ++i) {
            Node* arg = box_raw(values_[first + i]);
            known = known && quiet(arg);
            if (!known) {
                spine = node_make_tagged_pair(spine, arg);
                continue;
            }
            PairNode* pair = pair_block_new();
            pair->left = spine;
            pair->right = arg;
            pair->head.header = 1;
            node_set_arity(&pair->head, arity - 1 - i);
            spine = &pair->head;
        }
        values_.resize(first);
        return spine;
    }

    // Enters f's code with the top n values as its parameters.
    [[gnu::always_inline]] void call(Function& f, uint32_t n, bool tail, Frame& frame) {
        uint32_t base = uint32_t(values_.size() - n);
        if (!tail) {
            enter(f.code, base);
            return;
        }
        // The arguments replace the frame's locals, and the frame runs the
        // callee from its start.
        uint32_t old = frame.base;
        for (uint32_t i = old; i < base; ++i) release(values_[i]);
        for (uint32_t i = 0; i < n; ++i) values_[old + i] = values_[base + i];
        values_.resize(old + n);
        for (uint32_t i = f.code.params; i < f.code.locals; ++i) values_.push_back(UNSET_LOCAL);
        frame.code = &f.code;
        frame.pc = 0;
    }

    // The function of a closed lambda value, made on first meeting it; null
    // for any other value, or once the run has met too many.
    Function* lambda_function(Node* v) {
        constexpr size_t MAX_LAMBDAS = 4096;
        if (v == nullptr || node_binder_kind(v) != 'u') return nullptr;
        auto it = run_.lambda_index.find(v);
        if (it != run_.lambda_index.end()) return &run_.functions[it->second];
        node_compute_tag(v);
        if (node_free_mask(v) != 0 || run_.lambda_index.size() == MAX_LAMBDAS) return nullptr;
        Function f;
        f.definition = v;
        f.lambda = noderef_wrap(v);
        for (const Node* p = v; node_binder_kind(p) == 'u'; p = pair_right(p)) ++f.binders;
        run_.functions.push_back(std::move(f));
        run_.lambda_index.emplace(v, uint32_t(run_.functions.size() - 1));
        return &run_.functions.back();
    }

    NodeRef loop() {
        NodeRef final = nullptr;
        for (;;) {
            Frame& frame = frames_.back();
            const Instr& in = frame.code->instrs[frame.pc++];
            switch (in.op) {
            case Op::LOCAL:
                values_.push_back(copy(values_[frame.base + in.a]));
                break;
            case Op::MOVE:
                values_.push_back(values_[frame.base + in.a]);
                values_[frame.base + in.a] = UNSET_LOCAL;
                break;
            case Op::CONST_INT:
                values_.push_back(value_small(in.imm));
                break;
            case Op::CONST_NODE:
                node_retain(in.node);
                values_.push_back(value_of_node(in.node));
                break;
            case Op::STORE: {
                Value v = pop();
                release(values_[frame.base + in.a]);
                values_[frame.base + in.a] = v;
                break;
            }
            case Op::ARITH: {
                Value b = peek(in.y, frame.base), a = peek(in.x, frame.base);
                i64 x = 0, y = 0, r = 0;
                if (small_of(a, &x) && small_of(b, &y) && arith_small(in.kind, x, y, &r)) {
                    drop(in.x, a);
                    drop(in.y, b);
                    if (is_comparison(in.kind))
                        values_.push_back(from_node(noderef_from_cstr(r ? "K" : "H")));
                    else if (fits_small(r))
                        values_.push_back(value_small(r));
                    else
                        values_.push_back(from_node(integer_make_leaf(r)));
                    break;
                }
                if (!push_result(arith_builtin(in.kind, own(in.x, a), own(in.y, b)), &final)) return final;
                break;
            }
            case Op::BRANCH: {
                Value b = peek(in.y, frame.base), a = peek(in.x, frame.base);
                i64 x = 0, y = 0, r = 0;
                if (small_of(a, &x) && small_of(b, &y)) {
                    arith_small(in.kind, x, y, &r);
                    drop(in.x, a);
                    drop(in.y, b);
                    if (!r) frame.pc = in.b;
                    break;
                }
                NodeRef t = arith_builtin(in.kind, own(in.x, a), own(in.y, b));
                if (result_aborts(t.node)) return abort_with(std::move(t));
                if (leaf_is_byte(t.node, 'K')) break;
                if (leaf_is_byte(t.node, 'H')) {
                    frame.pc = in.b;
                    break;
                }
                // Neither truth: the value is applied to both branches.
                const ChoiceFallback& fb = run_.fallbacks[in.c];
                NodeRef term = node_make_tagged_app(
                    node_make_tagged_app(std::move(t), instantiate_template(fb.then_template, frame.base)),
                    instantiate_template(fb.else_template, frame.base));
                NodeRef v = nullptr;
                if (!reduce(std::move(term), &v)) return v;
                values_.push_back(from_node(std::move(v)));
                frame.pc = fb.end;
                break;
            }
            case Op::LISTCASE: {
                Node* l = value_node(values_[frame.base + in.a]);
                if (l != nullptr && node_is_leaf(l)) {
                    if (leaf_is_byte(l, 'K')) break;
                } else if (l != nullptr && node_tag(l) != TAG_DATA) {
                    const Node* jh = pair_left(l);
                    if (!node_is_leaf(jh) && leaf_is_byte(pair_left(jh), 'J')) {
                        bind_fields(pair_right(jh), pair_right(l), frame, in);
                        break;
                    }
                }
                NodeRef v = nullptr;
                if (!reduce(instantiate_template(in.c, frame.base), &v)) return v;
                values_.push_back(from_node(std::move(v)));
                frame.pc = uint32_t(in.imm);
                break;
            }
            case Op::UNPAIR: {
                // A J cell ((J f) g) or a V pair ((V f) g): f and g in place.
                Node* p = value_node(values_[frame.base + in.a]);
                if (p == nullptr || node_is_leaf(p) || node_tag(p) == TAG_DATA) break;
                const Node* head = pair_left(p);
                if (node_is_leaf(head) || !leaf_is_byte(pair_left(head), in.imm ? 'J' : 'V')) break;
                bind_fields(pair_right(head), pair_right(p), frame, in);
                break;
            }
            case Op::JUMP:
                frame.pc = in.b;
                break;
            case Op::CONSTANT: {
                // A value stored by the machine; a constant not yet computed
                // (or being computed: the pending mark ")") goes to the
                // machine, as does an entry that is evaluated at each use.
                Node* d = in.definition->node;
                if (lead_byte(d) != ')' && node_binder_kind(d) != 'u' && node_is_value(d)) {
                    node_retain(d);
                    values_.push_back(value_of_node(d));
                    break;
                }
                [[fallthrough]];
            }
            case Op::GENERIC: {
                NodeRef v = nullptr;
                if (!reduce(instantiate_template(in.a, frame.base), &v)) return v;
                values_.push_back(from_node(std::move(v)));
                break;
            }
            case Op::BUILD:
                values_.push_back(value_of_node(build(in.node, in.c, in.imm)));
                break;
            case Op::BUILTIN:
                if (!push_result(in.builtin->fn(spine(noderef_wrap(in.node), in.c)), &final)) return final;
                break;
            case Op::APPLY:
            case Op::TAIL_APPLY: {
                Function* f = lambda_function(value_node(values_[frame.base + in.a]));
                if (f == nullptr || f->binders != int(in.c) || (!f->compiled && !ensure_compiled(run_, *f))) {
                    for (uint32_t i = 0; i < in.c; ++i) release(pop());
                    NodeRef v = nullptr;
                    if (!reduce(instantiate_template(in.b, frame.base), &v)) return v;
                    values_.push_back(from_node(std::move(v)));
                    if (in.op == Op::TAIL_APPLY) goto do_return;
                    break;
                }
                call(*f, in.c, in.op == Op::TAIL_APPLY, frame);
                break;
            }
            case Op::CALL:
            case Op::TAIL_CALL: {
                Function& f = *in.function;
                if (!f.compiled && !ensure_compiled(run_, f)) {
                    NodeRef v = nullptr;
                    if (!reduce(spine(noderef_wrap(f.name), in.c), &v)) return v;
                    values_.push_back(from_node(std::move(v)));
                    if (in.op == Op::TAIL_CALL) goto do_return;
                    break;
                }
                call(f, in.c, in.op == Op::TAIL_CALL, frame);
                break;
            }
            case Op::RETURN:
            do_return: {
                Value v = pop();
                uint32_t base = frames_.back().base;
                for (size_t i = base; i < values_.size(); ++i) release(values_[i]);
                values_.resize(base);
                frames_.pop_back();
                if (frames_.empty()) return box(v);
                values_.push_back(v);
                break;
            }
            }
        }
    }

public:
    u64 handoffs_ = 0;  // terms handed to the term machine

private:
    Run& run_;
    ValueStack values_;
    std::vector<Frame> frames_;
};

}  // namespace

NodeRef compile_evaluate_main(const NodeRef& main, const NodeRef& argument, CompileCounts* counts) {
    CompileCounts ignored;
    if (counts == nullptr) counts = &ignored;
    u8 x = 0;
    const Node* body = nullptr;
    Run run;
    run.prelude = read_prelude();
    bool compiled = lambda_parts(main.node, &x, &body) && x != 0 && node_binder_kind(body) != 'u' &&
                    run.prelude.frames;
    Code code;
    try {
        if (compiled) Compiler(run, code).function(&x, 1, body);
    } catch (const CannotCompile&) {
        compiled = false;
    }
    if (!compiled) {
        ++counts->handoffs;
        return machine_evaluate(node_make_app(main, argument));
    }
    Machine machine(run);
    NodeRef a = argument;
    std::vector<Value> args{from_node(std::move(a))};
    NodeRef value = machine.execute(code, args);
    counts->handoffs += machine.handoffs_;
    return value;
}
