// The compiled evaluator's compiler: from a function's body, read in its
// core form (compile_core.cpp), to code for the stack machine of
// compile_exec.cpp.
//
// Locals are released at their last use on every path: a read that is the
// last one moves the local's reference out, and where a path leaves a local
// unread (a branch not taken, a value nothing reads) the path drops it as it
// begins. So a frame holds no more than the term machine's instantiated body
// would.
#include <bitset>
#include <cstring>

#include "arithmetic.h"
#include "binders.h"
#include "comparisons.h"
#include "compiled.h"
#include "ends.h"
#include "stack.h"
#include "tables.h"
#include "tag.h"

namespace {

constexpr int MAX_NESTING = 1000;
// The C stack left below which the compiler goes no deeper, whatever the
// nesting: a run's stack may be small under a memory limit.
constexpr size_t STACK_RESERVE = size_t(256) << 10;
constexpr uint32_t MAX_LOCALS = 512;

using Slots = std::bitset<MAX_LOCALS>;

// The locals in scope: letter to slot.
struct Scope {
    int slot[26];
    Scope() {
        for (int& s : slot) s = -1;
    }
    int of(u8 letter) const { return slot[letter - 'a']; }
};

// Gives up on a body the compiler cannot place every letter of.
struct CannotCompile {};

uint32_t free_letters(const Node* t) {
    node_compute_tag(const_cast<Node*>(t));
    return uint32_t(node_free_mask(t));
}

uint32_t bit(u8 letter) { return uint32_t(1) << (letter - 'a'); }

bool arith_of(BuiltinFn fn, Arith* kind) {
    if (fn == builtin_plus) *kind = Arith::PLUS;
    else if (fn == builtin_dash) *kind = Arith::DASH;
    else if (fn == builtin_mult) *kind = Arith::MULT;
    else if (fn == builtin_over) *kind = Arith::OVER;
    else if (fn == builtin_cent) *kind = Arith::CENT;
    else if (fn == builtin_less) *kind = Arith::LESS;
    else if (fn == builtin_gteq) *kind = Arith::GTEQ;
    else if (fn == builtin_same) *kind = Arith::SAME;
    else if (fn == builtin_diff) *kind = Arith::DIFF;
    else return false;
    return true;
}

// Every letter that stands anywhere in t, bound or free.
uint32_t letters_in(const Node* t) {
    uint32_t used = 0;
    std::vector<const Node*> pending{t};
    while (!pending.empty()) {
        const Node* n = pending.back();
        pending.pop_back();
        if (node_is_leaf(n)) {
            if (u8 x = core_letter(n)) used |= bit(x);
            continue;
        }
        if (node_tag(n) == TAG_DATA) continue;
        pending.push_back(pair_left(n));
        pending.push_back(pair_right(n));
    }
    return used;
}

class Compiler {
public:
    Compiler(Run& run, Function& f) : run_(run), f_(f), code_(f.code) {}

    void compile() {
        switch (f_.kind) {
        case FunctionKind::GLOBAL: return global();
        case FunctionKind::SHAPE: return shape();
        case FunctionKind::BLOCK: return block();
        case FunctionKind::MAIN: return main_body();
        }
    }

private:
    // ---- frames and locals ------------------------------------------------

    // Parameters: letters[i] in slot i; of two equal letters the later binds.
    Scope parameters(const std::vector<u8>& letters) {
        Scope scope;
        for (size_t i = 0; i < letters.size(); ++i) {
            if (letters[i] < 'a' || letters[i] > 'z') throw CannotCompile{};
            scope.slot[letters[i] - 'a'] = int(i);
            held_.set(i);
        }
        code_.params = uint32_t(letters.size());
        code_.locals = code_.params;
        if (code_.params > MAX_LOCALS / 2) throw CannotCompile{};
        return scope;
    }

    // A local for a binding: one whose binding has ended if there is one.
    // Every path releases a binding's local by the end of its scope (the
    // last read moves it, or a path that does not read it drops it), so
    // the next binding finds it unset.
    uint32_t new_slot() {
        if (!free_slots_.empty()) {
            uint32_t s = free_slots_.back();
            free_slots_.pop_back();
            return s;
        }
        if (code_.locals == MAX_LOCALS) throw CannotCompile{};
        return code_.locals++;
    }

    // The scope of the binding in slot s has ended.
    void end_binding(uint32_t s) {
        held_.reset(s);
        free_slots_.push_back(s);
    }

    Slots slots_of(uint32_t letters, const Scope& scope) const {
        Slots s;
        for (int i = 0; letters != 0 && i < 26; ++i)
            if (letters & (uint32_t(1) << i)) {
                if (scope.slot[i] < 0) throw CannotCompile{};
                s.set(size_t(scope.slot[i]));
            }
        return s;
    }

    Slots needs(const Node* t, const Scope& scope) const { return slots_of(free_letters(t), scope); }

    Slots needs(Node* const* terms, int n, const Scope& scope) const {
        return slots_of(free_letters_of(terms, n), scope);
    }

    uint32_t emit(Instr in) {
        code_.instrs.push_back(in);
        return uint32_t(code_.instrs.size() - 1);
    }

    uint32_t here() const { return uint32_t(code_.instrs.size()); }

    void finish(bool tail) {
        if (tail) emit(Instr(Op::RETURN));
    }

    // Drops every held local that keep does not name.
    void release_except(const Slots& keep) {
        Slots dead = held_ & ~keep;
        for (uint32_t i = 0; i < code_.locals && dead.any(); ++i)
            if (dead.test(i)) {
                emit(Instr(Op::DROP, i));
                dead.reset(i);
                held_.reset(i);
            }
    }

    // Pushes a local: moved out when nothing in live reads it again.
    void read_local(uint32_t slot, const Slots& live) {
        if (live.test(slot)) {
            emit(Instr(Op::LOCAL, slot));
        } else {
            emit(Instr(Op::MOVE, slot));
            held_.reset(slot);
        }
    }

    void store(uint32_t slot) {
        emit(Instr(Op::STORE, slot));
        held_.set(slot);
    }

    // The template of t; the letter value, if given, stands for a value the
    // instruction hands over itself (NO_SLOT in the template).
    uint32_t make_template(const Node* t, const Scope& scope, u8 value = 0) {
        Template tpl;
        tpl.term = const_cast<Node*>(t);
        uint32_t free = free_letters(t);
        for (int i = 0; i < 26; ++i)
            if (free & (uint32_t(1) << i)) {
                bool given = value == u8('a' + i);
                if (scope.slot[i] < 0 && !given) throw CannotCompile{};
                tpl.letters.push_back(u8('a' + i));
                tpl.slots.push_back(given ? NO_SLOT : uint32_t(scope.slot[i]));
            }
        run_.templates.push_back(std::move(tpl));
        return uint32_t(run_.templates.size() - 1);
    }

    // Where a path that handed its term to the machine goes on with the
    // machine's value: it drops what the other paths dropped, then joins
    // them at end (or returns, in tail position).
    uint32_t exit_stub(const Slots& before, const Slots& live, bool tail, std::vector<uint32_t>* jumps) {
        uint32_t at = here();
        if (tail) {
            emit(Instr(Op::RETURN));
            return at;
        }
        Slots dead = before & ~live;
        for (uint32_t i = 0; i < code_.locals; ++i)
            if (dead.test(i)) emit(Instr(Op::DROP, i));
        jumps->push_back(emit(Instr(Op::JUMP)));
        return at;
    }

    void patch_jumps(const std::vector<uint32_t>& jumps, uint32_t to) {
        for (uint32_t j : jumps) code_.instrs[j].b = to;
    }

    // ---- function bodies ---------------------------------------------------

    void global() {
        std::vector<u8> letters;
        const Node* body = f_.term;
        for (int i = 0; i < f_.arity; ++i) {
            letters.push_back(core_letter(pair_right(pair_left(body))));
            body = pair_right(body);
        }
        Scope scope = parameters(letters);
        expression(body, scope, Slots(), true);
    }

    void shape() {
        Scope scope = parameters(f_.param_letters);
        const Node* body = f_.term;
        for (int i = 0; i < f_.chain; ++i) body = pair_right(body);
        expression(body, scope, Slots(), true);
    }

    void main_body() {
        Scope scope = parameters(f_.param_letters);
        expression(f_.term, scope, Slots(), true);
    }

    void block() {
        Scope scope = parameters(f_.param_letters);
        DispatchSite& site = *f_.site;
        Node* const* args = site.args;
        int n = int(site.n);
        uint32_t head = uint32_t(scope.of(site.head_letter));
        if (f_.key.path == BlockPath::STRICT) {
            Slots keep;
            keep.set(head);
            arguments(args, n, scope, keep);
            read_local(head, Slots());
            emit(Instr(Op::TAIL_APPLY, 0, 0, uint32_t(n)));
            return;
        }
        if (f_.key.path == BlockPath::OVER) {
            int c = f_.key.count;
            Slots keep = needs(args + c, n - c, scope);
            keep.set(head);
            arguments(args, c, scope, keep);
            read_local(head, needs(args + c, n - c, scope));
            Instr apply(Op::APPLY, 0, 0, uint32_t(c));
            apply.imm = folds();
            emit(apply);
            uint32_t r = new_slot();
            store(r);
            // The head's letter, free in no argument, names the result.
            u8 letter = site.head_letter;
            Scope inner = scope;
            inner.slot[letter - 'a'] = int(r);
            Node* rest = core_apply(run_, core_letter_leaf(run_, letter), args + c, n - c);
            expression(rest, inner, Slots(), true);
            return;
        }
        expression(f_.term, scope, Slots(), true);
    }

    // ---- expressions --------------------------------------------------------

    // The code of t, in scope, with live the locals that what follows reads;
    // in tail position the value is the frame's. Every held local that
    // neither t nor live needs is dropped first. The compiler follows the
    // nesting of a body on the C stack, so a body nested deeper than
    // MAX_NESTING, or than the stack has room for, is not compiled: the term
    // machine, which takes any depth, runs it instead.
    void expression(const Node* t, const Scope& scope, const Slots& live, bool tail) {
        if (depth_ == MAX_NESTING || stack_room() < STACK_RESERVE || code_.instrs.size() > 200000)
            throw CannotCompile{};
        ++depth_;
        release_except(needs(t, scope) | live);
        form(t, scope, live, tail);
        --depth_;
    }

    void form(const Node* t, const Scope& scope, const Slots& live, bool tail) {
        node_compute_tag(const_cast<Node*>(t));
        if (u8 x = core_letter(t)) {
            read_local(uint32_t(scope.of(x) < 0 ? throw CannotCompile{} : scope.of(x)), live);
            return finish(tail);
        }
        if (node_free_mask(t) == 0 && node_is_value(const_cast<Node*>(t))) return constant_value(t, tail);
        if (node_binder_kind(t) == 'u') return closure(t, scope, live, tail);
        if (node_binder_kind(t) == 'i' && pattern(t, scope, live, tail)) return;
        Spine s;
        if (!core_spine(run_, t, &s)) return generic(t, scope, live, tail);
        if (s.n == 0) return lone_head(t, s.head, scope, live, tail);
        application(t, s, scope, live, tail);
    }

    void constant_value(const Node* t, bool tail) {
        i64 v = 0;
        if (arith_small_integer(t, &v)) {
            Instr in(Op::CONST_INT);
            in.imm = v;
            emit(in);
        } else {
            if (node_binder_kind(t) == 'u') {
                Instr in(Op::CONST_CLOSURE);
                in.closure = shape_static_closure(run_, const_cast<Node*>(t));
                emit(in);
            } else {
                Instr in(Op::CONST_NODE);
                in.node = const_cast<Node*>(t);
                emit(in);
                lambda_sites_within(t);
            }
        }
        finish(tail);
    }

    // The closed lambdas of a program value (as the fields of a pair of
    // functions) get sites of their own, so that applying one of them runs
    // its code without reading its shape. A bounded walk.
    void lambda_sites_within(const Node* t) {
        constexpr int MAX_NODES = 4096;
        std::vector<const Node*> stack{t};
        for (int seen = 0; !stack.empty() && seen < MAX_NODES; ++seen) {
            const Node* n = stack.back();
            stack.pop_back();
            if (node_is_leaf(n)) continue;
            node_compute_tag(const_cast<Node*>(n));
            if (node_binder_kind(n) == 'u') {
                if (node_free_mask(n) == 0) shape_of_site(run_, const_cast<Node*>(n));
                continue;
            }
            stack.push_back(pair_right(n));
            stack.push_back(pair_left(n));
        }
    }

    // A term the machine reduces, rebuilt from the locals it names.
    void generic(const Node* t, const Scope& scope, const Slots& live, bool tail) {
        emit(Instr(Op::GENERIC, make_template(t, scope)));
        release_except(live | (held_ & ~needs(t, scope)));
        finish(tail);
    }

    // A lambda with letters of the scope in it: the lambda the machine's
    // instantiation would have made, not yet applied.
    void closure(const Node* t, const Scope& scope, const Slots& live, bool tail) {
        Instr in(Op::CLOSURE, make_template(t, scope));
        in.function = &shape_of_site(run_, const_cast<Node*>(t));
        emit(in);
        release_except(live | (held_ & ~needs(t, scope)));
        finish(tail);
    }

    // A head alone after the core form: a value, a constant, a builtin of
    // no argument or a term for the machine.
    void lone_head(const Node* t, Node* h, const Scope& scope, const Slots& live, bool tail) {
        if (h != t) return expression(h, scope, live, tail);
        if (node_is_leaf(h)) {
            if (const BuiltinEntry* b = core_name_of(run_, h).builtin; b != nullptr && b->arity == 0 && core_lead_byte(h) >= 'a') {
                Instr in(Op::BUILTIN, 0, 0, 0);
                in.node = h;
                in.builtin = b;
                emit(in);
                return finish(tail);
            }
            if (constant(h, scope)) return finish(tail);
        }
        generic(t, scope, live, tail);
    }

    // A global constant: once the machine has stored its value in the
    // definitions, that value is the read's value.
    bool constant(Node* h, const Scope& scope) {
        const NameMeaning& named = core_name_of(run_, h);
        if (core_letter(h) != 0 || named.builtin != nullptr || node_tagged_arity(h) != 0) return false;
        const NodeRef* d = named.definition;
        if (d == nullptr) return false;
        Instr in(Op::CONSTANT, make_template(h, scope));
        in.definition = d;
        emit(in);
        return true;
    }

    // ---- applications -------------------------------------------------------

    void application(const Node* t, const Spine& s, const Scope& scope, const Slots& live, bool tail) {
        Node* h = s.head;
        int n = s.n;
        if (core_leaf_is(h, '\\') && n >= 3) return redex(s, scope, live, tail);
        if (core_leaf_is(h, '{') && n >= 3) return redex(s, scope, live, tail);
        if (!node_is_leaf(h)) return generic(t, scope, live, tail);
        if (u8 x = core_letter(h)) {
            if (scope.of(x) < 0) throw CannotCompile{};
            if (listcase(s, scope, live, tail)) return;
            read_local(uint32_t(scope.of(x)), live | needs(s.args, n, scope));
            return dispatch(s.args, n, scope, live, tail);
        }
        if (core_leaf_is(h, 'L') && n >= 3 && run_.prelude.empty) {
            // The list is the function part of what L makes of it: its value
            // is taken first only when that changes nothing.
            if (core_letter(s.args[0]) != 0 || core_settled_term(run_, s.args[0]))
                return emptiness(s, scope, live, tail);
            // An unfolding that stopped at its limits, its head still L,
            // goes to the machine.
            Spine unfolded;
            if (!core_spine(run_, t, &unfolded, false) || core_leaf_is(unfolded.head, 'L'))
                return generic(t, scope, live, tail);
            return application(t, unfolded, scope, live, tail);
        }
        if (const BuiltinEntry* b = core_name_of(run_, h).builtin) return builtin_call(s, b, scope, live, tail);
        i64 arity = node_tagged_arity(h);
        if (core_lazy_leaf(h)) {
            if (arity > n) return build(h, s.args, n, arity, scope, live, tail);
            return generic(t, scope, live, tail);
        }
        const NodeRef* d = core_name_of(run_, h).definition;
        if (d == nullptr) return generic(t, scope, live, tail);
        if (arity == 0) {
            if (!constant(h, scope)) return generic(t, scope, live, tail);
            return dispatch(s.args, n, scope, live, tail);
        }
        if (arity < 1 || core_binders(d->node) != arity) return generic(t, scope, live, tail);
        if (n < arity) return build(h, s.args, n, arity, scope, live, tail);
        Function& g = compile_global(run_, d->node, h);
        bool in_place = tiny_body(d->node) && inlined_ < MAX_INLINE;
        if (n == arity && !in_place) return call(g, s.args, n, scope, live, tail);
        if (!core_settled(run_, g) || in_place) return inline_call(t, d->node, s, scope, live, tail);
        call(g, s.args, int(arity), scope, live | needs(s.args + arity, n - int(arity), scope), false);
        dispatch(s.args + arity, n - int(arity), scope, live, tail);
    }

    // Whether a definition's body, under its binders, is an atom or a name
    // or letter applied to at most three atoms: cheaper in place than called.
    static bool tiny_body(Node* definition) {
        u8 x = 0;
        const Node* body = definition;
        while (core_lambda_parts(body, &x, &body)) {
        }
        return plain_atom(body) || small_call(body, plain_atom, true);
    }

    // Whether t is a leaf (a letter only where letter_head) applied to at
    // most three terms that are each is_atom.
    static bool small_call(const Node* t, bool (*is_atom)(const Node*), bool letter_head) {
        Node* head = nullptr;
        Node* args[MAX_ARGS];
        int k = 0;
        if (!core_spine_parts(const_cast<Node*>(t), &head, args, &k) || k > 3 || !node_is_leaf(head) ||
            (!letter_head && core_letter(head) != 0))
            return false;
        for (int i = 0; i < k; ++i)
            if (!is_atom(args[i])) return false;
        return true;
    }

    // An atom but a lambda (a body in place would make its lambdas anew at
    // every place, and a recursion anew at every level).
    static bool plain_atom(const Node* t) { return node_binder_kind(t) != 'u' && atom(t); }

    // A global function given more arguments than it takes, whose value
    // the arguments left over could change: its body in place, as the
    // machine contracts it, with those arguments after it. Nested to a
    // bound, so that a function cannot unfold itself for ever.
    void inline_call(const Node* t, Node* definition, const Spine& s, const Scope& scope, const Slots& live,
                     bool tail) {
        if (inlined_ == MAX_INLINE) return generic(t, scope, live, tail);
        Spine redex_spine;
        redex_spine.head = pair_left(pair_left(definition));  // the leaf \ of ((\ x) body)
        redex_spine.args[0] = pair_right(pair_left(definition));
        redex_spine.args[1] = pair_right(definition);
        if (s.n + 2 > MAX_ARGS) return generic(t, scope, live, tail);
        for (int i = 0; i < s.n; ++i) redex_spine.args[2 + i] = s.args[i];
        redex_spine.n = s.n + 2;
        ++inlined_;
        redex(redex_spine, scope, live, tail);
        --inlined_;
    }

    void arguments(Node* const* args, int n, const Scope& scope, const Slots& live) {
        for (int i = 0; i < n; ++i) expression(args[i], scope, live | needs(args + i + 1, n - i - 1, scope), false);
    }

    void call(Function& g, Node* const* args, int n, const Scope& scope, const Slots& live, bool tail) {
        arguments(args, n, scope, tail ? Slots() : live);
        Instr in(tail ? Op::TAIL_CALL : Op::CALL, 0, 0, uint32_t(n));
        in.function = &g;
        in.imm = folds();
        emit(in);
    }

    // Whether a call made here may fold the frame's locals away while it
    // runs: none holds a value (only the operands matter after it). The
    // call folds them when they outnumber the operands it would move.
    bool folds() const { return held_.none(); }

    // A head that needs more arguments than it has: the arguments are
    // evaluated (nothing takes them unevaluated at a strict place) and the
    // spine built.
    void build(Node* h, Node* const* args, int n, i64 arity, const Scope& scope, const Slots& live, bool tail) {
        arguments(args, n, scope, tail ? Slots() : live);
        // A function's name given too few arguments is a record of them
        // until its term is needed; a lazy head's spine is data.
        Instr in(n > 0 && !core_lazy_leaf(h) ? Op::PARTIAL : Op::BUILD, 0, 0, uint32_t(n));
        in.node = h;
        in.imm = arity;
        emit(in);
        finish(tail);
    }

    void builtin_call(const Spine& s, const BuiltinEntry* b, const Scope& scope, const Slots& live,
                      bool tail) {
        int k = int(b->arity);
        int n = s.n;
        Node* h = s.head;
        if (n < k) return build(h, s.args, n, node_tagged_arity(h), scope, live, tail);
        Arith kind;
        bool arith = k == 2 && arith_of(b->fn, &kind);
        if (arith && is_comparison(kind) && n >= 4 && run_.prelude.truth) return choice(s, kind, scope, live, tail);
        if (b->fn == builtin_buck && n >= 3 && run_.prelude.truth) return choice(s, Arith::BUCK, scope, live, tail);
        Slots after = live | needs(s.args + k, n - k, scope);
        if (arith) {
            Instr in(Op::ARITH);
            in.kind = kind;
            operands(s.args[0], s.args[1], scope, n > k || !tail ? after : Slots(), &in);
            if (local_and_number(in)) in.op = Op::ARITH_LN;
            emit(in);
        } else {
            arguments(s.args, k, scope, n > k || !tail ? after : Slots());
            Instr in(Op::BUILTIN, 0, 0, uint32_t(k));
            // A builtin's own name, or the builtin an operator names.
            in.node = core_lead_byte(h) >= 'a' ? h : core_name_of(run_, h).definition->node;
            in.builtin = b;
            emit(in);
        }
        if (n == k) return finish(tail);
        dispatch(s.args + k, n - k, scope, live, tail);
    }

    // The two operands of an arithmetic instruction, each read in place
    // when it is a local or a small integer.
    void operands(const Node* x, const Node* y, const Scope& scope, const Slots& live, Instr* in) {
        Slots after_x = live | needs(y, scope);
        in->x = operand(x, scope, after_x);
        // Before an operand that is code of its own (a call, perhaps), a
        // local goes on the stack: its slot can then die before the call.
        if ((in->x.source == Source::LOCAL || in->x.source == Source::MOVED) && !in_place(y)) {
            emit(Instr(in->x.source == Source::MOVED ? Op::MOVE : Op::LOCAL, in->x.slot));
            in->x.source = Source::STACK;
        }
        in->y = operand(y, scope, live);
        // The same local twice: the first read must not move it (the
        // second, read first, may: the first read copies what it saw).
        if (in->x.source == Source::MOVED && in->y.source != Source::STACK && in->y.source != Source::NUMBER &&
            in->y.slot == in->x.slot)
            in->x.source = Source::LOCAL;
    }

    // Whether an instruction's operands are a local and a small integer,
    // which its fast form reads without looking at their sources.
    static bool local_and_number(const Instr& in) {
        return (in.x.source == Source::LOCAL || in.x.source == Source::MOVED) && in.y.source == Source::NUMBER;
    }

    // Whether an operand is read in place: a local or a small integer.
    static bool in_place(const Node* t) {
        if (core_letter(t) != 0) return true;
        i64 v = 0;
        node_compute_tag(const_cast<Node*>(t));
        return node_free_mask(t) == 0 && arith_small_integer(t, &v);
    }

    Operand operand(const Node* t, const Scope& scope, const Slots& live) {
        Operand o;
        if (u8 x = core_letter(t)) {
            if (scope.of(x) < 0) throw CannotCompile{};
            o.slot = uint32_t(scope.of(x));
            o.source = live.test(o.slot) ? Source::LOCAL : Source::MOVED;
            if (o.source == Source::MOVED) held_.reset(o.slot);
            return o;
        }
        node_compute_tag(const_cast<Node*>(t));
        if (node_free_mask(t) == 0 && arith_small_integer(t, &o.number)) {
            o.source = Source::NUMBER;
            return o;
        }
        expression(t, scope, live, false);
        return o;
    }

    // ((cmp x y) a b c ...): (a c ...) when the comparison gives K, (b c ...)
    // when it gives H; any other value is applied to them all by the machine.
    // The sign test ($ x) chooses the same way.
    void choice(const Spine& s, Arith kind, const Scope& scope, const Slots& live, bool tail) {
        int k = kind == Arith::BUCK ? 1 : 2;
        Node* const* after = s.args + k;
        int m = s.n - k;
        Instr in(Op::BRANCH);
        in.kind = kind;
        if (k == 2) {
            operands(s.args[0], s.args[1], scope, live | needs(after, m, scope), &in);
        } else {
            in.x = operand(s.args[0], scope, live | needs(after, m, scope));
            in.y.source = Source::NUMBER;
            in.y.number = 0;
        }
        // The value applied to the arms: the template of (v a b c ...), v a
        // letter free in none of them.
        u8 v = core_free_letter(free_letters_of(after, m));
        if (v == 0) throw CannotCompile{};
        in.c = make_template(core_apply(run_, core_letter_leaf(run_, v), after, m), scope, v);
        if (local_and_number(in)) in.op = Op::BRANCH_LN;
        uint32_t test = emit(in);
        const Node *first = nullptr, *second = nullptr;
        truth_arms(run_, s, k, &first, &second);
        two_arms(test, first, second, scope, live, tail);
    }

    // The arms after the test instruction at test: first, and second where
    // the test jumps to (its b). The test's machine path (its imm) joins
    // them through an exit stub.
    void two_arms(uint32_t test, const Node* first, const Node* second, const Scope& scope, const Slots& live,
                  bool tail) {
        Slots before = held_;
        std::vector<uint32_t> jumps;
        Slots after = arm(first, scope, live, tail, before, &jumps);
        code_.instrs[test].b = here();
        after |= arm(second, scope, live, tail, before, &jumps);
        code_.instrs[test].imm = exit_stub(before, live, tail, &jumps);
        patch_jumps(jumps, here());
        held_ = tail ? Slots() : after;
    }

    // ---- binders ------------------------------------------------------------

    // A lambda applied, or a let, with more arguments after it: the value,
    // then the body (with the rest) with the letter bound to it. The value
    // of a lambda's argument, like a let's, is evaluated first.
    void redex(const Spine& s, const Scope& scope, const Slots& live, bool tail) {
        bool let = core_leaf_is(s.head, '{');
        u8 x = core_letter(s.args[0]);
        const Node* value = let ? s.args[1] : s.args[2];
        const Node* body = let ? s.args[2] : s.args[1];
        if (x == 0) throw CannotCompile{};
        Node* const* rest = s.args + 3;
        int rest_n = s.n - 3;
        // The rest belongs to the outer scope: a binder that would hide one
        // of its letters is renamed first.
        if (rest_n > 0 && (needs_letter(rest, rest_n, x))) {
            u8 fresh = core_free_letter(letters_in(body) | free_letters_of(rest, rest_n) | scope_letters(scope));
            if (fresh == 0) throw CannotCompile{};
            Node* leaf = core_letter_leaf(run_, fresh);
            NodeRef renamed = instantiate(noderef_wrap(const_cast<Node*>(body)), &x, &leaf, 1, run_.scratch);
            run_.terms.push_back(renamed);
            body = renamed.node;
            x = fresh;
        }
        // The letter only at the head of the body: the value, taken first,
        // is applied to the rest where it stands. Arithmetic or a comparison
        // gives what it gives alone, and goes in place of the letter.
        Spine b;
        if (core_letter(value) == 0 && core_spine(run_, body, &b) && core_letter(b.head) == x &&
            !needs_letter(b.args, b.n, x) && b.n + rest_n <= MAX_ARGS) {
            for (int i = 0; i < rest_n; ++i) b.args[b.n + i] = rest[i];
            if (arithmetic(value))
                return expression(core_apply(run_, const_cast<Node*>(value), b.args, b.n + rest_n), scope, live, tail);
            expression(value, scope, live | needs(b.args, b.n + rest_n, scope), false);
            if (b.n + rest_n == 0) return finish(tail);
            return dispatch(b.args, b.n + rest_n, scope, live, tail);
        }
        Slots body_needs = slots_of(free_letters(body) & ~bit(x), scope) | needs(rest, rest_n, scope);
        Scope inner = scope;
        int bound = -1;
        if (u8 y = core_letter(value); y != 0 && scope.of(y) >= 0) {
            inner.slot[x - 'a'] = scope.of(y);  // the same value under a second name
        } else {
            expression(value, scope, live | body_needs, false);
            bound = int(new_slot());
            store(uint32_t(bound));
            inner.slot[x - 'a'] = bound;
        }
        const Node* target = rest_n == 0 ? body : core_apply(run_, const_cast<Node*>(body), rest, rest_n);
        expression(target, inner, live, tail);
        if (bound >= 0) end_binding(uint32_t(bound));
    }

    // Whether t is an arithmetic builtin or comparison given its two
    // arguments.
    static bool arithmetic(const Node* t) {
        Node* head = nullptr;
        Node* args[MAX_ARGS];
        int n = 0;
        Arith kind;
        if (!core_spine_parts(const_cast<Node*>(t), &head, args, &n) || n != 2 || !node_is_leaf(head)) return false;
        const BuiltinEntry* b = core_builtin(head);
        return b != nullptr && b->arity == 2 && arith_of(b->fn, &kind);
    }

    static bool needs_letter(Node* const* terms, int n, u8 x) { return (free_letters_of(terms, n) & bit(x)) != 0; }

    static uint32_t free_letters_of(Node* const* terms, int n) {
        uint32_t m = 0;
        for (int i = 0; i < n; ++i) m |= free_letters(terms[i]);
        return m;
    }

    static uint32_t scope_letters(const Scope& scope) {
        uint32_t m = 0;
        for (int i = 0; i < 26; ++i)
            if (scope.slot[i] >= 0) m |= uint32_t(1) << i;
        return m;
    }

    // (y w) with y a letter and w the one-byte leaf c.
    static bool applied_to(const Node* t, u8 y, u8 c) {
        return !node_is_leaf(t) && core_letter(pair_left(t)) == y && core_leaf_is(pair_right(t), c);
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
        if (!core_let_parts(t, &p->b, &p->e, &rest) || !core_let_parts(rest, &p->a, &p->first, &rest2) ||
            !core_let_parts(rest2, &b2, &p->second, &p->c))
            return false;
        return p->a != p->b && b2 == p->b && applied_to(p->first, p->b, 'K') && applied_to(p->second, p->b, 'H');
    }

    // A brace pattern: when e is (x K) with x a local holding a J cell, or
    // e gives a V pair, a and b are its two fields, read in place;
    // otherwise the three lets run as written.
    bool pattern(const Node* t, const Scope& scope, const Slots& live, bool tail) {
        if (!run_.prelude.lists) return false;
        PatternParts parts;
        if (!pattern_parts(t, &parts)) return false;
        u8 a = parts.a, b = parts.b;
        const Node* e = parts.e;
        uint32_t a_slot = new_slot(), b_slot = new_slot();
        Scope fields = scope;
        fields.slot[a - 'a'] = int(a_slot);
        fields.slot[b - 'a'] = int(b_slot);
        Slots body_needs = slots_of(free_letters(parts.c) & ~bit(a) & ~bit(b), scope);
        Instr in(Op::UNPAIR);
        in.x.slot = a_slot;
        in.y.slot = b_slot;
        u8 x = node_is_leaf(e) ? 0 : core_letter(pair_left(e));
        uint32_t test = 0;
        uint32_t p_slot = new_slot();
        if (x != 0 && scope.of(x) >= 0 && applied_to(e, x, 'K')) {
            in.a = uint32_t(scope.of(x));
            in.imm = 1;
            test = emit(in);
            Slots before = held_;
            lets_of_pattern(parts, scope, live | body_needs, p_slot, a_slot, b_slot);
            // The cell's path left x as it was; the lets' path may have
            // moved it. Either way it is dropped where nothing reads it.
            held_ |= before;
        } else {
            expression(e, scope, live | body_needs, false);
            store(p_slot);
            in.a = p_slot;
            test = emit(in);
            Scope held_pair = scope;
            held_pair.slot[b - 'a'] = int(p_slot);
            Slots before = held_;
            pattern_lets(parts, held_pair, live | body_needs, a_slot, b_slot);
            held_ |= before;
        }
        held_.set(a_slot);
        held_.set(b_slot);
        code_.instrs[test].b = here();
        expression(parts.c, fields, live, tail);
        end_binding(a_slot);
        end_binding(b_slot);
        end_binding(p_slot);
        return true;
    }

    // The lets of a pattern whose value e is still to be computed.
    void lets_of_pattern(const PatternParts& parts, const Scope& scope, const Slots& live, uint32_t p_slot,
                         uint32_t a_slot, uint32_t b_slot) {
        expression(parts.e, scope, live, false);
        store(p_slot);
        Scope held_pair = scope;
        held_pair.slot[parts.b - 'a'] = int(p_slot);
        pattern_lets(parts, held_pair, live, a_slot, b_slot);
    }

    // a{p K} b{p H}, p the pair in its slot under the letter b.
    void pattern_lets(const PatternParts& parts, const Scope& held_pair, const Slots& live, uint32_t a_slot,
                      uint32_t b_slot) {
        Slots pair_slot = needs(parts.first, held_pair);
        Scope between = held_pair;
        between.slot[parts.a - 'a'] = int(a_slot);
        Slots keep = live;
        keep.set(a_slot);
        expression(parts.first, held_pair, live | pair_slot, false);
        store(a_slot);
        expression(parts.second, between, keep, false);
        store(b_slot);
    }

    // l z (h\t\e) with l a local: z for the empty list K, e with h and t
    // the fields of a cell ((J h) t); anything else goes to the machine.
    bool listcase(const Spine& s, const Scope& scope, const Slots& live, bool tail) {
        if (!run_.prelude.lists || s.n != 2) return false;
        u8 l = core_letter(s.head);
        u8 h = 0, tl = 0;
        const Node *inner = nullptr, *e = nullptr;
        if (!core_lambda_parts(s.args[1], &h, &inner) || !core_lambda_parts(inner, &tl, &e) || h == 0 || tl == 0 ||
            h == tl)
            return false;
        Scope cell = scope;
        uint32_t h_slot = new_slot(), t_slot = new_slot();
        cell.slot[h - 'a'] = int(h_slot);
        cell.slot[tl - 'a'] = int(t_slot);
        list_test(nullptr, uint32_t(scope.of(l)), h_slot, t_slot, s.args[0], scope, e, cell, live, tail, s.args);
        end_binding(h_slot);
        end_binding(t_slot);
        return true;
    }

    // The code of a list test on the local in list_slot: z (in scope) for
    // the K leaf, e (in cell) for a cell whose fields go to h_slot and
    // t_slot; anything else hands the whole term to the machine.
    // With applied, the test's term (l z f) is a list applied to its two
    // arguments (whole is then not needed): a value that is neither K nor a
    // cell is applied to them by what it is, as a dispatch whose K arm is
    // z's.
    void list_test(const Node* whole, uint32_t list_slot, uint32_t h_slot, uint32_t t_slot, const Node* z,
                   const Scope& scope, const Node* e, const Scope& cell, const Slots& live, bool tail,
                   Node* const* applied = nullptr) {
        Instr in(Op::LISTCASE, list_slot, 0, applied != nullptr ? NO_SLOT : make_template(whole, scope));
        in.x.slot = h_slot;
        in.y.slot = t_slot;
        // A cell the cell's arm no longer needs may hand its fields over.
        if (h_slot != NO_SLOT && !needs(e, cell).test(list_slot) && !live.test(list_slot))
            in.x.source = Source::MOVED;
        uint32_t test = emit(in);
        Slots before = held_;
        std::vector<uint32_t> jumps;
        uint32_t z_arm = here();
        Slots after = arm(z, scope, live, tail, before, &jumps);
        if (h_slot != NO_SLOT) {
            held_.set(h_slot);
            held_.set(t_slot);
        }
        code_.instrs[test].b = here();
        after |= arm(e, cell, live, tail, before, &jumps);
        if (applied != nullptr) {
            code_.instrs[test].imm = here();
            emit(Instr(Op::LOCAL, list_slot));
            dispatch(applied, 2, scope, live, tail, z_arm);
            if (!tail) jumps.push_back(emit(Instr(Op::JUMP)));
        } else {
            code_.instrs[test].imm = exit_stub(before, live, tail, &jumps);
        }
        patch_jumps(jumps, here());
        held_ = tail ? Slots() : after;
    }

    // L l z e: z for the empty list K, e for a cell ((J h) t), both with
    // the arguments after them; anything else goes to the machine.
    void emptiness(const Spine& s, const Scope& scope, const Slots& live, bool tail) {
        Node* const* rest = s.args + 3;
        int rest_n = s.n - 3;
        Scope outer = scope;
        uint32_t list = 0;
        int list_bound = -1;
        const Node* l_term = s.args[0];
        Node* whole = core_apply(run_, s.head, const_cast<Node**>(s.args), s.n);
        if (u8 l = core_letter(l_term); l != 0 && scope.of(l) >= 0) {
            list = uint32_t(scope.of(l));
        } else {
            // The list's value, kept under a letter free in every other
            // part, for the test and for the machine's term.
            u8 v = core_free_letter(free_letters(whole));
            if (v == 0) return generic(whole, scope, live, tail);
            expression(l_term, scope, live | needs(s.args + 1, s.n - 1, scope), false);
            list = new_slot();
            list_bound = int(list);
            store(list);
            outer.slot[v - 'a'] = int(list);
            Node* args[MAX_ARGS];
            for (int i = 0; i < s.n; ++i) args[i] = s.args[i];
            args[0] = core_letter_leaf(run_, v);
            whole = core_apply(run_, s.head, args, s.n);
        }
        const Node* z = rest_n == 0 ? s.args[1] : core_apply(run_, s.args[1], rest, rest_n);
        const Node* e = s.args[2];
        // A cell taken apart at once, h t{l K}c: the test binds h and t.
        PatternParts parts;
        u8 l = core_letter(l_term);
        if (rest_n == 0 && l != 0 && pattern_parts(e, &parts) && applied_to(parts.e, l, 'K')) {
            Scope cell = outer;
            uint32_t h_slot = new_slot(), t_slot = new_slot();
            cell.slot[parts.a - 'a'] = int(h_slot);
            cell.slot[parts.b - 'a'] = int(t_slot);
            list_test(whole, list, h_slot, t_slot, z, outer, parts.c, cell, live, tail);
            end_binding(h_slot);
            end_binding(t_slot);
        } else {
            if (rest_n > 0) e = core_apply(run_, const_cast<Node*>(e), rest, rest_n);
            list_test(whole, list, NO_SLOT, NO_SLOT, z, outer, e, outer, live, tail);
        }
        if (list_bound >= 0) end_binding(uint32_t(list_bound));
    }

    // ---- heads known at run time ----------------------------------------------

    // The head's value is on the stack; it is applied to args (n >= 1) by
    // what it turns out to be. With two arguments or more the truths' arms
    // are inline; every other path is a block compiled when first taken.
    void dispatch(Node* const* args, int n, const Scope& scope, const Slots& live, bool tail,
                  uint32_t k_arm = NO_SLOT) {
        run_.sites.emplace_back();
        DispatchSite& site = run_.sites.back();
        site.n = uint32_t(n);
        site.tail = tail;
        uint32_t letters = 0;
        for (int i = 0; i < n; ++i) {
            site.args[i] = args[i];
            letters |= free_letters(args[i]);
        }
        site.head_letter = core_free_letter(letters);
        if (site.head_letter == 0) throw CannotCompile{};
        site.head_slot = new_slot();
        for (int i = 0; i < 26; ++i)
            if (letters & (uint32_t(1) << i)) {
                if (scope.slot[i] < 0) throw CannotCompile{};
                uint32_t slot = uint32_t(scope.slot[i]);
                site.pass.push_back({slot, tail || !live.test(slot)});
                site.pass_letters.push_back(u8('a' + i));
            }
        // Two letters may name one local (a let or argument that was a
        // local already): only the last of them moves it.
        for (size_t i = 0; i < site.pass.size(); ++i)
            for (size_t j = i + 1; j < site.pass.size(); ++j)
                if (site.pass[j].slot == site.pass[i].slot) site.pass[i].move = false;
        Slots passed = slots_of(letters, scope);
        if (!tail)
            for (uint32_t i = 0; i < code_.locals; ++i)
                if (held_.test(i) && !live.test(i) && !passed.test(i)) site.drops.push_back(i);
        Scope with_head = scope;
        with_head.slot[site.head_letter - 'a'] = int(site.head_slot);
        site.whole = make_template(core_apply(run_, core_letter_leaf(run_, site.head_letter), args, n), with_head);
        site.depth = f_.inline_depth;
        emit(Instr(Op::DISPATCH, uint32_t(run_.sites.size() - 1)));
        Slots before = held_;
        std::vector<uint32_t> jumps;
        Slots after = before & live;
        // With one argument, or arguments that each compile to a few
        // instructions (all_simple), the strict path is inline too: its
        // arguments' code is no burden.
        if (n == 1 || all_simple(args, n)) {
            site.strict_arm = here();
            Slots keep = live;
            keep.set(site.head_slot);
            held_.set(site.head_slot);
            arguments(args, n, scope, tail ? Slots().set(site.head_slot) : keep);
            read_local(site.head_slot, Slots());
            Instr apply(tail ? Op::TAIL_APPLY : Op::APPLY, 0, 0, uint32_t(n));
            apply.imm = !tail && folds();
            emit(apply);
            if (!tail) jumps.push_back(emit(Instr(Op::JUMP)));
            after |= held_;
            held_ = before;
        }
        end_binding(site.head_slot);  // every path releases it
        if (n >= 2 && run_.prelude.truth) {
            if (k_arm == NO_SLOT) {
                site.k_arm = here();
                after |= arm(args[0], args + 2, n - 2, scope, live, tail, before, &jumps);
            } else {
                site.k_arm = k_arm;  // an arm compiled already, joining where this one joins
            }
            site.h_arm = here();
            after |= arm(args[1], args + 2, n - 2, scope, live, tail, before, &jumps);
        }
        site.end = here();
        patch_jumps(jumps, site.end);
        held_ = tail ? Slots() : after;
    }

    // Whether each term compiles to a few instructions: a local, a value, a
    // lambda, or a name applied to at most three such atoms.
    static bool all_simple(Node* const* terms, int n) {
        for (int i = 0; i < n; ++i)
            if (!atom(terms[i]) && !small_call(terms[i], atom, false)) return false;
        return true;
    }

    static bool atom(const Node* t) {
        if (core_letter(t) != 0 || node_binder_kind(t) == 'u') return true;
        node_compute_tag(const_cast<Node*>(t));
        return node_free_mask(t) == 0 && node_is_value(const_cast<Node*>(t));
    }

    // One arm of a choice: t's code, then a jump to the end unless in tail
    // position. Returns what the arm leaves held; held_ is before again.
    Slots arm(const Node* t, const Scope& scope, const Slots& live, bool tail, const Slots& before,
              std::vector<uint32_t>* jumps) {
        expression(t, scope, live, tail);
        Slots after = held_;
        if (!tail) jumps->push_back(emit(Instr(Op::JUMP)));
        held_ = before;
        return after;
    }

    // An arm given the arguments after the choice's two.
    Slots arm(Node* first, Node* const* rest, int rest_n, const Scope& scope, const Slots& live, bool tail,
              const Slots& before, std::vector<uint32_t>* jumps) {
        const Node* t = rest_n == 0 ? first : core_apply(run_, first, rest, rest_n);
        return arm(t, scope, live, tail, before, jumps);
    }

    Run& run_;
    Function& f_;
    Code& code_;
    Slots held_;     // the locals that hold a reference at this point of the code
    std::vector<uint32_t> free_slots_;  // locals whose bindings have ended
    int depth_ = 0;    // expressions being compiled, one inside the other
    int inlined_ = 0;  // bodies of global functions being compiled in place
    static constexpr int MAX_INLINE = 8;  // bodies in place, one inside the other
};

}  // namespace

bool compile_function(Run& run, Function& f) {
    if (f.tried) return f.compiled;
    f.tried = true;
    size_t templates = run.templates.size();
    try {
        Compiler(run, f).compile();
    } catch (const CannotCompile&) {
        f.code = Code();
        run.templates.resize(templates);
        return false;
    }
    f.compiled = true;
    return true;
}

Function& compile_global(Run& run, Node* definition, Node* name) {
    auto it = run.globals.find(definition);
    if (it != run.globals.end()) return *it->second;
    Function f;
    f.kind = FunctionKind::GLOBAL;
    f.term = definition;
    f.name = name;
    f.arity = core_binders(definition);
    run.functions.push_back(std::move(f));
    Function* g = &run.functions.back();
    run.globals.emplace(definition, g);
    return *g;
}

namespace {

// count letters in none of mask, lowest first, into out; false when there
// are not enough.
bool fresh_letters(uint32_t mask, int count, u8* out) {
    for (int i = 0; i < count; ++i) {
        out[i] = core_free_letter(mask);
        if (out[i] == 0) return false;
        mask |= bit(out[i]);
    }
    return true;
}

// The body of a block that contracts the lazy combinator of the given byte,
// holding m arguments (given under the letters held), with the site's
// arguments: null when it cannot.
Node* lazy_block_term(Run& run, u8 byte, const u8* held, int m, Node* const* args, int n) {
    u8 letters[MAX_ARGS];
    const Node* body = nullptr;
    int k = core_lazy_definition(core_letter_leaf(run, byte), letters, &body);
    if (k == 0 || m >= k || k - m > n) return nullptr;
    Node* given[MAX_ARGS];
    for (int i = 0; i < m; ++i) given[i] = core_letter_leaf(run, held[i]);
    for (int i = m; i < k; ++i) given[i] = args[i - m];
    NodeRef contracted = instantiate(noderef_wrap(const_cast<Node*>(body)), letters, given, k, run.scratch);
    run.terms.push_back(contracted);
    return core_apply(run, contracted.node, args + (k - m), n - (k - m));
}

// The body of a block that places function g inline, holding m arguments
// (a global's, under the letters held) or its holes (a closure's shape),
// applied to the site's arguments.
Node* inline_block_term(Run& run, Function& g, const u8* held, int m, Node* const* args, int n) {
    Node* given[MAX_ARGS * 2];
    int k = 0;
    Node* head = g.term;
    if (g.kind == FunctionKind::SHAPE) {
        // The skeleton's holes under the block's letters.
        u8 holes[26];
        int h = int(g.param_letters.size()) - g.chain;
        Node* leaves[26];
        for (int i = 0; i < h; ++i) {
            holes[i] = g.param_letters[size_t(i)];
            leaves[i] = core_letter_leaf(run, held[i]);
        }
        NodeRef renamed = instantiate(noderef_wrap(g.term), holes, leaves, h, run.scratch);
        run.terms.push_back(renamed);
        head = renamed.node;
    } else {
        for (int i = 0; i < m; ++i) given[k++] = core_letter_leaf(run, held[i]);
    }
    for (int i = 0; i < n; ++i) given[k++] = args[i];
    if (k > MAX_ARGS) return nullptr;
    return core_apply(run, head, given, k);
}

}  // namespace

Function& compile_block(Run& run, DispatchSite& site, const BlockKey& key) {
    for (auto& entry : site.blocks)
        if (entry.first == key) return *entry.second;
    Function f;
    f.kind = FunctionKind::BLOCK;
    f.site = &site;
    f.key = key;
    f.inline_depth = site.depth + (key.path == BlockPath::INLINE ? 1 : 0);
    f.param_letters = site.pass_letters;
    int n = int(site.n);
    Node* const* args = site.args;
    uint32_t letters = 0;
    for (int i = 0; i < n; ++i) letters |= free_letters(args[i]);
    u8 p = site.head_letter;
    u8 fresh[26];
    Node* spine_args[MAX_ARGS + 2];
    switch (key.path) {
    case BlockPath::STRICT:
    case BlockPath::OVER:
        f.param_letters.push_back(p);
        f.term = core_apply(run, core_letter_leaf(run, p), args, n);
        break;
    case BlockPath::IDENTITY:
        f.term = core_apply(run, args[0], args + 1, n - 1);
        break;
    case BlockPath::CONSTANT:
        f.param_letters.push_back(p);
        f.term = core_apply(run, core_letter_leaf(run, p), args + 1, n - 1);
        break;
    case BlockPath::CELL:
    case BlockPath::PAIR: {
        int skip = key.path == BlockPath::CELL ? 2 : 1;
        if (!fresh_letters(letters, 2, fresh)) break;  // no letters left: the block does not compile
        f.param_letters.push_back(fresh[0]);
        f.param_letters.push_back(fresh[1]);
        spine_args[0] = core_letter_leaf(run, fresh[0]);
        spine_args[1] = core_letter_leaf(run, fresh[1]);
        for (int i = skip; i < n; ++i) spine_args[2 + i - skip] = args[i];
        f.term = core_apply(run, args[skip - 1], spine_args, 2 + n - skip);
        break;
    }
    case BlockPath::INLINE: {
        Function& g = *static_cast<Function*>(const_cast<void*>(key.what));
        int m = key.count;
        uint32_t taken = letters | (g.kind == FunctionKind::SHAPE ? letters_in(g.term) : 0);
        if (!fresh_letters(taken, m, fresh)) break;
        for (int i = 0; i < m; ++i) f.param_letters.push_back(fresh[i]);
        f.term = inline_block_term(run, g, fresh, m, args, n);
        break;
    }
    case BlockPath::LAZY:
        if (!fresh_letters(letters, key.count, fresh)) break;
        for (int i = 0; i < key.count; ++i) f.param_letters.push_back(fresh[i]);
        f.term = lazy_block_term(run, key.byte, fresh, key.count, args, n);
        break;
    }
    f.arity = int(f.param_letters.size());
    if (f.term == nullptr) f.tried = true;  // never compiles
    run.functions.push_back(std::move(f));
    Function* block = &run.functions.back();
    site.blocks.emplace_back(key, block);
    return *block;
}

Function* compile_global_of_leaf(Run& run, const Node* leaf) {
    const NameMeaning& named = core_name_of(run, leaf);
    if (core_letter(leaf) != 0 || named.builtin != nullptr) return nullptr;
    const NodeRef* d = named.definition;
    if (d == nullptr || core_binders(d->node) < 1) return nullptr;
    return &compile_global(run, d->node, const_cast<Node*>(leaf));
}
