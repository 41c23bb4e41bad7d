// The compiled evaluator's machine: runs the code of compile.cpp on a stack
// of its own (never the C stack), applies heads found at run time by what
// they are, and hands the term machine what code cannot do exactly. The
// term machine, in turn, runs a compiled function's code when it contracts
// a call of it with values (MachineHook), so one handoff does not keep the
// rest of a recursion on the machine.
#include <cstdlib>
#include <cstring>

#include "arithmetic.h"
#include "binders.h"
#include "compile.h"
#include "compiled.h"
#include "integer.h"
#include "stack.h"
#include "tables.h"
#include "tag.h"

namespace {

Node* closure_term(Run& run, Closure* c);

// A closure's term as a node handle, taking over the closure's reference.
[[gnu::noinline]] NodeRef closure_box(Run& run, Value v) {
    NodeRef term = noderef_wrap(closure_term(run, value_closure(v)));
    value_release(v);
    return term;
}

// A small integer boxed as its digit leaf.
[[gnu::noinline]] NodeRef small_box(Value v) {
    NodeRef leaf = integer_make_leaf(value_number(v));
    node_set_arity(leaf.node, 1);  // the tag of every digit leaf, set now: it is sure to be read
    return leaf;
}

// The value as a node handle, taking over its reference: a small integer
// boxed as its digit leaf, a closure as its term.
[[gnu::always_inline]] inline NodeRef value_box(Run& run, Value v) {
    if ((v.bits & 3) == 0) return NodeRef(reinterpret_cast<Node*>(v.bits));
    if ((v.bits & 3) == 2) return closure_box(run, v);
    return small_box(v);
}

[[gnu::always_inline]] inline Node* value_box_raw(Run& run, Value v) {
    NodeRef r = value_box(run, v);
    Node* n = r.node;
    r.node = nullptr;
    return n;
}

// The term of a closure: its site's lambda with its values for its letters,
// made once, without recursion however deep closures nest in its values.
Node* closure_term(Run& run, Closure* c) {
    if (c->term != nullptr) return c->term;
    std::vector<Closure*> pending{c};
    while (!pending.empty()) {
        Closure* d = pending.back();
        bool ready = true;
        for (uint32_t i = 0; i < d->count; ++i)
            if (Closure* inner = value_closure(d->values[i]); inner != nullptr && inner->term == nullptr) {
                pending.push_back(inner);
                ready = false;
            }
        if (!ready) continue;
        pending.pop_back();
        if (d->term != nullptr) continue;
        if (d->head != nullptr) {  // a partial application: the name's spine
            NodeRef spine = noderef_wrap(d->head);
            for (uint32_t i = 0; i < d->count; ++i)
                spine = node_make_tagged_app(std::move(spine), value_box(run, value_copy(d->values[i])));
            d->term = spine.node;
            spine.node = nullptr;
            continue;
        }
        u8 letters[26];
        Node* args[26];
        for (uint32_t i = 0; i < d->count; ++i) {
            letters[i] = d->site->param_letters[i];
            args[i] = value_box_raw(run, value_copy(d->values[i]));
        }
        NodeRef term = instantiate(noderef_wrap(d->site->term), letters, args, int(d->count), run.scratch);
        for (uint32_t i = 0; i < d->count; ++i) node_release(args[i]);
        d->term = term.node;
        term.node = nullptr;
    }
    return c->term;
}

// A local the code reads must hold a value: under the sanitizers a read of
// one moved out or never set stops the run.
inline Value checked(Value v) {
#ifdef VORN_SANITIZED
    VORN_ASSERT(v.bits != UNSET_LOCAL.bits);
#endif
    return v;
}

bool small_of(Value v, i64* out) {
    if (v.bits & 1) {
        *out = value_number(v);
        return true;
    }
    Node* n = value_node(v);
    return n != nullptr && arith_small_integer(n, out);
}

// over's and cent's short ways: division rounding toward minus infinity,
// and the remainder of the magnitudes, counted back from the divisor's
// when the signs differ.
[[gnu::noinline]] bool arith_small_division(Arith kind, i64 a, i64 b, i64* out) {
    if (b == 0) return false;
    if (kind == Arith::OVER) {
        i64 q = a / b;
        if (a % b != 0 && (a < 0) != (b < 0)) --q;
        *out = q;
        return true;
    }
    i64 m = b < 0 ? -b : b;
    i64 r = (a < 0 ? -a : a) % m;
    if (r != 0 && (a < 0) != (b < 0)) r = m - r;
    *out = r;
    return true;
}

// Small integers a and b: true with the result when the builtin would
// take its short way; the truth of a comparison as 1 or 0.
[[gnu::always_inline]] inline bool arith_small(Arith kind, i64 a, i64 b, i64* out) {
    switch (kind) {
    case Arith::PLUS: *out = a + b; return true;
    case Arith::DASH: *out = a - b; return true;
    case Arith::MULT: return !__builtin_mul_overflow(a, b, out);
    case Arith::OVER:
    case Arith::CENT: return arith_small_division(kind, a, b, out);
    case Arith::LESS: *out = a < b; return true;
    case Arith::GTEQ: *out = a >= b; return true;
    case Arith::SAME: *out = a == b; return true;
    case Arith::DIFF: *out = a != b; return true;
    case Arith::BUCK: *out = a >= 0; return true;
    }
    return false;
}

// A stack of plain words (values, frames) in one block grown by realloc,
// so that a deep recursion's stack moves by remapping its pages rather
// than by copying them into a block twice its size. A push is one store
// and a test.
template <class T>
class GrowStack {
public:
    GrowStack() : data_(static_cast<T*>(std::malloc(sizeof(T) * 1024))), capacity_(1024) {
        VORN_ASSERT(data_ != nullptr);
    }
    ~GrowStack() { std::free(data_); }
    GrowStack(const GrowStack&) = delete;
    GrowStack& operator=(const GrowStack&) = delete;

    [[gnu::always_inline]] void push_back(T v) {
        if (size_ == capacity_) grow(1);
        data_[size_++] = v;
    }
    void pop_back() { --size_; }
    T& back() { return data_[size_ - 1]; }
    size_t size() const { return size_; }
    // Only ever shrinks: the entries past n are gone (already released).
    void resize(size_t n) { size_ = n; }
    // Makes room for k more entries above the top, each fill.
    void extend(size_t k, T fill) {
        if (size_ + k > capacity_) grow(k);
        for (size_t i = 0; i < k; ++i) data_[size_ + i] = fill;
        size_ += k;
    }
    T& operator[](size_t i) { return data_[i]; }

private:
    void grow(size_t k) {
        while (capacity_ < size_ + k) capacity_ *= 2;
        data_ = static_cast<T*>(std::realloc(data_, sizeof(T) * capacity_));
        VORN_ASSERT(data_ != nullptr);
    }
    T* data_;
    size_t size_ = 0;
    size_t capacity_;
};

struct Frame {
    const Code* code;
    uint32_t pc;  // FOLDED while its locals are folded away for a call
    uint32_t base;
};

// A frame whose locals were all dead at a call it made: while the callee
// runs, the frame's values below its operands are folded away (see call),
// so that a deep recursion keeps no dead locals.
constexpr uint32_t FOLDED = uint32_t(1) << 31;

// What a head found at run time is, for applying it.
struct HeadView {
    enum Kind : u8 { TRUE, FALSE, IDENTITY, ERROR, CONSTANT, CELL, PAIR, WRAPPED, CALLABLE, LAZY, OTHER } kind = OTHER;
    int remaining = 0;  // CALLABLE, LAZY: the arguments it still takes
    Node* a = nullptr;  // CONSTANT: y of (K y); CELL, PAIR: the fields; WRAPPED: v of ((B I) v)
    Node* b = nullptr;
    // CALLABLE: what a call runs, a builtin or global function (maybe
    // partly applied: head_leaf, stored) or a lambda (closure when code
    // made it).
    const BuiltinEntry* builtin = nullptr;
    Function* function = nullptr;
    bool lambda = false;
    Closure* closure = nullptr;  // a lambda made by code
    Node* head_leaf = nullptr;  // the leaf of a builtin or global, partial or not
    int stored = 0;             // arguments a partial application holds
};

// How deep calls of compiled code from the machine may nest on the C stack;
// past it the machine instantiates the function itself.
constexpr int MAX_HOOK_NESTING = 64;
// Nor where less C stack than this is left (a run's stack may be small
// under a memory limit).
constexpr size_t HOOK_STACK_RESERVE = size_t(512) << 10;

// How many bodies a dispatch may place inline one inside the other (each
// the code of a block of the last): past it the machine applies the head.
constexpr int MAX_INLINE_DEPTH = 8;

struct Outcome {
    NodeRef value;
    bool aborted;
};

class Executor final : public MachineHook {
    // What a name's leaf calls (see leaf_meaning).
    struct LeafSlot {
        const Node* leaf = nullptr;
        char text[24] = {};
        const BuiltinEntry* builtin = nullptr;
        Function* function = nullptr;
    };

public:
    explicit Executor(Run& run) : run_(run), session_(this) {}
    ~Executor() {
        for (size_t i = 0; i < values_.size(); ++i) value_release(values_[i]);
    }

    // The value of f on the arguments (taken over).
    NodeRef run_function(Function& f, std::vector<Value>& args) {
        for (Value a : args) values_.push_back(a);
        args.clear();
        return execute(f, uint32_t(values_.size())).value;
    }

    bool call_global(const Node* head, Node* definition, Node* const* args, int n, bool waiting,
                     Contractum* out) override {
        if (nesting_ >= MAX_HOOK_NESTING || stack_room() < HOOK_STACK_RESERVE) return false;
        Function& f = compile_global(run_, definition, const_cast<Node*>(head));
        if (f.arity != n || !compile_function(run_, f)) return false;
        if (waiting && !core_settled(run_, f)) return false;
        for (int i = 0; i < n; ++i) {
            node_retain(args[i]);
            values_.push_back(value_of_node(args[i]));
        }
        ++nesting_;
        Outcome r = execute(f, uint32_t(n));
        --nesting_;
        *out = Contractum{std::move(r.value), r.aborted};
        return true;
    }

    u64 handoffs = 0;

private:
    NodeRef box(Value v) { return value_box(run_, v); }
    Node* box_raw(Value v) { return value_box_raw(run_, v); }

    // Runs f on the n values on top of the stack until its frame returns.
    Outcome execute(Function& f, uint32_t n) {
        size_t saved = stop_;
        stop_ = frames_.size();
        enter(f.code, uint32_t(values_.size() - n));
        Outcome r = loop();
        stop_ = saved;
        return r;
    }

    [[gnu::always_inline]] void enter(const Code& code, uint32_t base) {
        values_.extend(code.locals - code.params, UNSET_LOCAL);
        frames_.push_back(Frame{&code, 0, base});
    }

    Value pop() {
        Value v = values_.back();
        values_.pop_back();
        return v;
    }

    Value& slot(uint32_t base, uint32_t i) { return values_[base + i]; }

    [[gnu::always_inline]] Value take(uint32_t base, uint32_t i) {
        Value v = values_[base + i];
        values_[base + i] = UNSET_LOCAL;
        return v;
    }

    [[gnu::always_inline]] void drop(uint32_t base, uint32_t i) { value_release(take(base, i)); }

    // An operand's value: popped from the stack (owning its reference), or
    // read from a local or the code (borrowed).
    [[gnu::always_inline]] Value peek(const Operand& o, uint32_t base) {
        switch (o.source) {
        case Source::STACK: return pop();
        case Source::LOCAL:
        case Source::MOVED: return checked(values_[base + o.slot]);
        case Source::NUMBER: break;
        }
        return value_small(o.number);
    }

    // Done with a value from peek.
    [[gnu::always_inline]] void done(const Operand& o, Value v, uint32_t base) {
        if (o.source == Source::STACK) value_release(v);
        if (o.source == Source::MOVED) drop(base, o.slot);
    }

    // A value from peek with a reference of its own.
    [[gnu::always_inline]] Value own(const Operand& o, Value v, uint32_t base) {
        if (o.source == Source::STACK) return v;
        if (o.source == Source::MOVED) return take(base, o.slot);
        return value_copy(v);
    }

    // Drops the values and frames of the innermost execution: the run ends
    // with v.
    Outcome abort_run(NodeRef v) {
        uint32_t base = frames_[stop_].base;
        for (size_t i = base; i < values_.size(); ++i) value_release(values_[i]);
        values_.resize(base);
        frames_.resize(stop_);
        return Outcome{std::move(v), true};
    }

    // Pushes the machine's value of term; false after an abort, with *final
    // the run's value.
    [[gnu::noinline]] bool push_reduced(NodeRef term, Outcome* final) {
        return hand_over(std::move(term), false, final) != Step::ABORTED;
    }

    // The value of term by the term machine; false after an abort, with
    // *result then the run's value.
    bool reduce(NodeRef term, NodeRef* result) {
        ++handoffs;
        if (node_is_value(term.node)) {
            *result = std::move(term);
            return true;
        }
        bool aborted = false;
        *result = session_.evaluate(std::move(term), aborted);
        return !aborted;
    }

    // The template's term with the locals' values, and the value given for
    // its letter without a slot.
    NodeRef instantiate_template(uint32_t index, uint32_t base, Value given = UNSET_LOCAL) {
        const Template& tpl = run_.templates[index];
        int k = int(tpl.letters.size());
        if (k == 0) return noderef_wrap(tpl.term);
        Node* args[26];
        for (int i = 0; i < k; ++i)
            args[i] = box_raw(value_copy(checked(tpl.slots[i] == NO_SLOT ? given : values_[base + tpl.slots[i]])));
        NodeRef r = instantiate(noderef_wrap(tpl.term), tpl.letters.data(), args, k, run_.scratch);
        for (int i = 0; i < k; ++i) node_release(args[i]);
        return r;
    }

    // 1 for the leaf K, 0 for H, -1 for anything else.
    static int truth_of(Value v) {
        Node* n = value_node(v);
        if (n == nullptr || !node_is_leaf(n)) return -1;
        const u8* text = leaf_bytes(n);
        if (text[1] != 0) return -1;
        return text[0] == 'K' ? 1 : text[0] == 'H' ? 0 : -1;
    }

    const BuiltinEntry* arith_entry(Arith kind) {
        const BuiltinEntry*& e = run_.arith_entries[int(kind)];
        if (e == nullptr) e = &builtin_registry().find(string_from_cstr(arith_name(kind)))->second;
        return e;
    }

    static const char* arith_name(Arith kind) {
        static const char* const NAMES[] = {"plus", "dash", "mult", "over", "cent", "less", "gteq", "same", "diff", "buck"};
        return NAMES[int(kind)];
    }

    // The builtin's own result on the boxed operands (taken over).
    NodeRef arith_builtin(Arith kind, Value a, Value b) {
        NodeRef& leaf = run_.arith_leaves[int(kind)];
        if (leaf.node == nullptr) leaf = noderef_from_cstr(arith_name(kind));
        NodeRef app = node_make_app(leaf, box(a));
        if (kind == Arith::BUCK)
            value_release(b);
        else
            app = node_make_app(std::move(app), box(b));
        return arith_entry(kind)->fn(std::move(app));
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
        bool known = arity < ARITY_MAX && node_tag(head) != 0 && node_tag(head) != TAG_DATA &&
                     !node_has_redex_below(head) && node_free_mask(head) == 0;
        for (uint32_t i = 0; i < n; ++i) {
            Value v = values_[first + i];
            Node* arg = box_raw(v);
            known = known && ((v.bits & 1) || quiet(arg));  // a boxed small integer is a closed value
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
    [[gnu::always_inline]] void call(const Code& code, uint32_t n, bool tail, bool fold = false) {
        uint32_t base = uint32_t(values_.size() - n);
        if (!tail) {
            if (fold) base = fold_caller(base);
            enter(code, base);
            return;
        }
        // The arguments replace the frame's locals, and the frame runs the
        // callee from its start.
        Frame& frame = frames_.back();
        uint32_t old = frame.base;
        for (uint32_t i = old; i < base; ++i) value_release(values_[i]);
        for (uint32_t i = 0; i < n; ++i) values_[old + i] = values_[base + i];
        values_.resize(old + n);
        values_.extend(code.locals - code.params, UNSET_LOCAL);
        frame.code = &code;
        frame.pc = 0;
    }

    // The caller's locals, all unset, are dropped from below its operands
    // for the length of a call; the callee's arguments start at the base
    // returned. do_return puts them back.
    uint32_t fold_caller(uint32_t args) {
        Frame& caller = frames_.back();
        uint32_t locals = caller.code->locals;
        uint32_t from = caller.base + locals;
        // Not worth it when more values would move than locals go.
        if (values_.size() - from > locals) return args;
        for (size_t i = from; i < values_.size(); ++i) values_[i - locals] = values_[i];
        values_.resize(values_.size() - locals);
        caller.pc |= FOLDED;
        return args - locals;
    }

    // A folded caller's locals back below its operands, unset.
    void unfold_caller(Frame& caller) {
        uint32_t locals = caller.code->locals;
        size_t top = values_.size();
        values_.extend(locals, UNSET_LOCAL);
        for (size_t i = top; i-- > caller.base;) values_[i + locals] = values_[i];
        for (uint32_t i = 0; i < locals; ++i) values_[caller.base + i] = UNSET_LOCAL;
        caller.pc &= ~FOLDED;
    }

    // Puts copies of the k values below the top n values of the stack.
    void insert_values_below(const Value* stored, int k, uint32_t n) {
        size_t top = values_.size();
        values_.extend(size_t(k), UNSET_LOCAL);
        for (size_t i = 0; i < n; ++i) values_[top + k - 1 - i] = values_[top - 1 - i];
        for (int i = 0; i < k; ++i) values_[top - n + size_t(i)] = value_copy(stored[i]);
    }

    // The same for nodes (borrowed).
    void insert_below(Node* const* stored, int k, uint32_t n) {
        Value values[MAX_ARGS * 2];
        VORN_ASSERT(k <= MAX_ARGS * 2);
        for (int i = 0; i < k; ++i) values[i] = value_of_node(stored[i]);
        insert_values_below(values, k, n);
    }

    // ---- heads -----------------------------------------------------------

    static bool spine_of(Node* v, Node** head, Node** args, int* n) { return core_spine_parts(v, head, args, n); }

    HeadView view_head(Value value) {
        HeadView view;
        if (Closure* c = value_closure(value)) {
            if (c->head != nullptr) {  // a partial application
                const LeafSlot& named = leaf_meaning(c->head);
                view.kind = HeadView::CALLABLE;
                view.builtin = named.builtin;
                view.function = named.function;
                view.head_leaf = c->head;
                view.stored = int(c->count);
                view.remaining = int(node_tagged_arity(c->head)) - int(c->count);
                return view;
            }
            view.kind = HeadView::CALLABLE;
            view.lambda = true;
            view.closure = c;
            view.remaining = c->site->chain;
            return view;
        }
        Node* v = value_node(value);
        if (v == nullptr) return view;
        node_compute_tag(v);
        const PreludeMeanings& m = run_.prelude;
        if (node_is_leaf(v)) {
            const u8* text = leaf_bytes(v);
            if (text[1] == 0 && m.truth) {
                if (text[0] == 'K') return view.kind = HeadView::TRUE, view;
                if (text[0] == 'H') return view.kind = HeadView::FALSE, view;
                if (text[0] == 'I') return view.kind = HeadView::IDENTITY, view;
            }
            if (text[0] == 'Z' && text[1] == 0 && m.error) return view.kind = HeadView::ERROR, view;
            return callable_leaf(v, v, 0, view);
        }
        if (node_tag(v) == TAG_DATA) return view;
        if (node_binder_kind(v) == 'u') {
            view.kind = HeadView::CALLABLE;
            view.lambda = true;
            view.remaining = core_binders(v);
            return view;
        }
        Node* head = nullptr;
        Node* args[MAX_ARGS];
        int n = 0;
        if (!spine_of(v, &head, args, &n) || !node_is_leaf(head)) return view;
        const u8* text = leaf_bytes(head);
        if (text[1] == 0) {
            if (text[0] == 'J' && n == 2 && m.lists) return view.kind = HeadView::CELL, view.a = args[0], view.b = args[1], view;
            if (text[0] == 'V' && n == 2 && m.lists) return view.kind = HeadView::PAIR, view.a = args[0], view.b = args[1], view;
            if (text[0] == 'K' && n == 1 && m.truth) return view.kind = HeadView::CONSTANT, view.a = args[0], view;
            if (text[0] == 'B' && n == 2 && m.wrapper && core_leaf_is(args[0], 'I'))
                return view.kind = HeadView::WRAPPED, view.a = args[1], view;
        }
        return callable_leaf(head, v, n, view);
    }

    // A value whose head is the leaf head with n arguments stored.
    HeadView& callable_leaf(Node* head, Node* v, int n, HeadView& view) {
        i64 remaining = node_tagged_arity(v);
        if (remaining < 1 || remaining >= ARITY_MAX) return view;
        view.remaining = int(remaining);
        view.stored = n;
        view.head_leaf = head;
        if (core_lazy_leaf(head)) {
            view.kind = HeadView::LAZY;
            return view;
        }
        const LeafSlot& named = leaf_meaning(head);
        if (named.builtin != nullptr || named.function != nullptr) {
            view.kind = HeadView::CALLABLE;
            view.builtin = named.builtin;
            view.function = named.function;
        }
        return view;
    }

    // What a name's leaf calls, a builtin or a global function, found again
    // cheaply: leaves of one name are met over and over. A slot takes no
    // reference, so a hit is confirmed by the text.
    const LeafSlot& leaf_meaning(Node* leaf) {
        constexpr size_t SLOTS = 64;
        if (leaf_cache_.empty()) leaf_cache_.resize(SLOTS);
        LeafSlot& s = leaf_cache_[(u64(reinterpret_cast<uintptr_t>(leaf)) * 0x9E3779B97F4A7C15u) >> 58];
        const char* text = reinterpret_cast<const char*>(leaf_bytes(leaf));
        if (s.leaf == leaf && std::strncmp(text, s.text, sizeof s.text) == 0) return s;
        s.leaf = nullptr;
        s.builtin = nullptr;
        s.function = nullptr;
        if (text[0] >= 'a' && text[0] <= 'z') s.builtin = core_builtin(leaf);
        if (s.builtin == nullptr) s.function = compile_global_of_leaf(run_, leaf);
        if (std::strlen(text) < sizeof s.text) {  // longer names are looked up each time
            std::strcpy(s.text, text);
            s.leaf = leaf;
        }
        return s;
    }

    // Whether a callable head's code may be called with arguments left
    // over for its value. For a lambda node, *shape is its shape (or null),
    // its holes left in run_.hole_scratch.
    bool callable_settled(const HeadView& view, Value head, Function** shape) {
        if (view.builtin != nullptr) return true;
        if (view.function != nullptr) return compile_function(run_, *view.function) && core_settled(run_, *view.function);
        if (view.closure != nullptr) return compile_function(run_, *view.closure->site) && core_settled(run_, *view.closure->site);
        if (view.lambda) {
            Function* f = shape_of(run_, value_node(head), &run_.hole_scratch);
            *shape = f;
            return f != nullptr && compile_function(run_, *f) && core_settled(run_, *f);
        }
        return false;
    }

    // ---- applying a head found at run time ---------------------------------

    enum class Step { GO_ON, RETURNED, ABORTED };

    // Applies the head on top of the stack to the n values below it, all
    // of which it needs at most (APPLY). Its value is pushed, or its frame
    // entered; in tail position the frame is the caller's.
    [[gnu::noinline]] Step apply(uint32_t n, bool tail, Outcome* final, bool fold) {
        for (;;) {
            Value head = values_.back();
            HeadView view = view_head(head);
            if (view.kind == HeadView::WRAPPED) {
                node_retain(view.a);
                values_.back() = value_of_node(view.a);
                value_release(head);
                continue;
            }
            if (view.kind == HeadView::ERROR) {  // Z swallows every argument
                value_release(pop());
                for (uint32_t i = 0; i < n; ++i) value_release(pop());
                return give(noderef_wrap(run_.prelude.error_body), tail, final);
            }
            if (view.kind == HeadView::CALLABLE) {
                if (view.lambda) return apply_lambda(n, view.remaining, tail, final, fold);
                if (int(n) < view.remaining) return push_built(n, tail, final);
                if (int(n) == view.remaining) return apply_call(view, n, tail, final, fold);
            } else if ((view.kind == HeadView::LAZY || view.kind == HeadView::TRUE) && int(n) < lazy_remaining(view)) {
                return push_built(n, tail, final);
            }
            // Anything else: the machine applies it.
            pop();
            NodeRef term = spine(box(head), n);
            return hand_over(std::move(term), tail, final);
        }
    }

    static int lazy_remaining(const HeadView& view) { return view.kind == HeadView::TRUE ? 2 : view.remaining; }

    // The value v of a step: pushed, or returned in tail position.
    Step give(Value v, bool tail, Outcome* final) {
        values_.push_back(v);
        if (!tail) return Step::GO_ON;
        return do_return(final);
    }
    Step give(NodeRef v, bool tail, Outcome* final) { return give(value_from_node(std::move(v)), tail, final); }

    Step hand_over(NodeRef term, bool tail, Outcome* final) {
        NodeRef v = nullptr;
        if (!reduce(std::move(term), &v)) {
            *final = abort_run(std::move(v));
            return Step::ABORTED;
        }
        return give(std::move(v), tail, final);
    }

    // The head on top applied to n values it needs more than: the spine, or
    // for a function's partial application made by code, a longer one.
    Step push_built(uint32_t n, bool tail, Outcome* final) {
        Value head = pop();
        if (Closure* c = value_closure(head); c != nullptr && c->head != nullptr && c->count + n <= MAX_ARGS) {
            Closure* longer = closure_new_partial(c->head, c->count + n);
            for (uint32_t i = 0; i < c->count; ++i) longer->values[i] = value_copy(c->values[i]);
            size_t first = values_.size() - n;
            for (uint32_t i = 0; i < n; ++i) longer->values[c->count + i] = values_[first + i];
            values_.resize(first);
            value_release(head);
            return give(value_of_closure(longer), tail, final);
        }
        NodeRef h = box(head);
        NodeRef v = spine(std::move(h), n);
        return give(std::move(v), tail, final);
    }

    // A builtin or global function, maybe partly applied, given the rest.
    Step apply_call(const HeadView& view, uint32_t n, bool tail, Outcome* final, bool fold) {
        Value head = pop();
        Value stored[MAX_ARGS];
        int k = view.stored > 0 ? stored_arguments(head, stored) : 0;
        // The whole application: the name's leaf, the arguments it holds
        // and the n values.
        auto whole = [&] {
            NodeRef app = noderef_wrap(view.head_leaf);
            for (int i = 0; i < k; ++i) app = node_make_tagged_app(std::move(app), box(value_copy(stored[i])));
            return spine(std::move(app), n);
        };
        if (view.builtin != nullptr) {
            NodeRef app = whole();
            value_release(head);
            NodeRef r = view.builtin->fn(std::move(app));
            if (machine_result_aborts(r.node)) {
                *final = abort_run(abort_value(std::move(r)));
                return Step::ABORTED;
            }
            return give(std::move(r), tail, final);
        }
        Function& f = *view.function;
        if (!compile_function(run_, f)) {
            NodeRef term = whole();
            value_release(head);
            return hand_over(std::move(term), tail, final);
        }
        insert_values_below(stored, k, n);
        value_release(head);
        call(f.code, n + uint32_t(k), tail, fold);
        return Step::GO_ON;
    }

    // A lambda of chain binders given n values: its shape's code on the
    // closure's holes and the values when they are all its binders take;
    // fewer give the inner lambda the machine would make.
    Step apply_lambda(uint32_t n, int chain, bool tail, Outcome* final, bool fold) {
        Value head = values_.back();
        if (Closure* c = value_closure(head)) return apply_closure(c, n, tail, final, fold);
        Node* v = value_node(head);  // tagged by view_head
        if (int(n) == chain) {
            // A lambda of the program text itself has a site of its own.
            if (node_free_mask(v) == 0) {
                auto it = run_.sites_by_lambda.find(v);
                if (it != run_.sites_by_lambda.end() && compile_function(run_, *it->second)) {
                    pop();
                    value_release(head);
                    call(it->second->code, n, tail, fold);
                    return Step::GO_ON;
                }
            }
            std::vector<Node*>& holes = run_.hole_scratch;
            Function* f = shape_of(run_, v, &holes);
            if (f != nullptr && compile_function(run_, *f)) {
                pop();
                insert_below(holes.data(), int(holes.size()), n);
                value_release(head);
                call(f->code, n + uint32_t(holes.size()), tail, fold);
                return Step::GO_ON;
            }
        } else if (int(n) < chain && n <= uint32_t(MAX_ARGS)) {
            u8 letters[MAX_ARGS];
            const Node* inner = v;
            bool letters_ok = true;
            for (uint32_t i = 0; i < n; ++i, inner = pair_right(inner)) {
                letters[i] = core_letter(pair_right(pair_left(inner)));
                letters_ok = letters_ok && letters[i] != 0;
            }
            if (letters_ok) {
                Node* args[MAX_ARGS];
                size_t first = values_.size() - 1 - n;
                for (uint32_t i = 0; i < n; ++i) args[i] = box_raw(values_[first + i]);
                pop();
                NodeRef r = instantiate(noderef_wrap(const_cast<Node*>(inner)), letters, args, int(n), run_.scratch);
                for (uint32_t i = 0; i < n; ++i) node_release(args[i]);
                values_.resize(first);
                value_release(head);
                return give(std::move(r), tail, final);
            }
        }
        pop();
        NodeRef term = spine(box(head), n);
        return hand_over(std::move(term), tail, final);
    }

    // A closure given n values: its site's code on its values and them, when
    // they are all its binders take; fewer make the closure of the lambda
    // inside, as the machine's contraction makes its term.
    Step apply_closure(Closure* c, uint32_t n, bool tail, Outcome* final, bool fold) {
        Function& site = *c->site;
        Value head = values_.back();
        if (int(n) == site.chain && compile_function(run_, site)) {
            uint32_t count = c->count;
            pop();
            insert_values_below(c->values, int(count), n);
            value_release(head);  // may free c
            call(site.code, n + count, tail, fold);
            return Step::GO_ON;
        }
        if (int(n) < site.chain) {
            Function& inner = shape_inner_site(run_, site, int(n));
            uint32_t count = uint32_t(inner.param_letters.size()) - uint32_t(inner.chain);
            Closure* made = closure_new(&inner, count);
            size_t first = values_.size() - 1 - n;
            for (uint32_t i = 0; i < count; ++i) made->values[i] = value_copy(letter_value(c, inner.param_letters[i], first, n));
            pop();
            for (uint32_t i = 0; i < n; ++i) value_release(values_[first + i]);
            values_.resize(first);
            value_release(head);
            return give(value_of_closure(made), tail, final);
        }
        pop();
        NodeRef term = spine(box(head), n);
        return hand_over(std::move(term), tail, final);
    }

    // The value of letter x for the lambda inside closure c after the n
    // values at first: the last of its binders of that letter takes one of
    // them, else c's own value of x.
    Value letter_value(Closure* c, u8 x, size_t first, uint32_t n) {
        const Function& site = *c->site;
        for (uint32_t i = n; i-- > 0;)
            if (site.param_letters[c->count + i] == x) return values_[first + i];
        for (uint32_t i = 0; i < c->count; ++i)
            if (site.param_letters[i] == x) return c->values[i];
        VORN_ASSERT(false);  // the inner lambda names only these letters
        return UNSET_LOCAL;
    }

    // A builtin's abort result, reduced as the machine reduces it when the
    // run ends with it.
    NodeRef abort_value(NodeRef r) {
        bool aborted = false;
        return session_.evaluate(std::move(r), aborted);
    }

    // ---- dispatch -------------------------------------------------------------

    // Hands the site's blocks the passed locals, moved or copied, then the
    // values the path found; drops what dies at the site.
    void pass_on(const DispatchSite& site, uint32_t base, const Value* found, int k, Value head, bool head_found) {
        for (const PassedSlot& p : site.pass)
            values_.push_back(checked(p.move ? take(base, p.slot) : value_copy(values_[base + p.slot])));
        if (head_found) {
            values_.push_back(head);
            slot(base, site.head_slot) = UNSET_LOCAL;
        }
        for (int i = 0; i < k; ++i) values_.push_back(value_copy(found[i]));
        for (uint32_t d : site.drops) drop(base, d);
    }

    // Releases what a path that does not go through a block consumes: the
    // head, the moved locals and the dropped ones.
    void consume_site(const DispatchSite& site, uint32_t base) {
        drop(base, site.head_slot);
        for (const PassedSlot& p : site.pass)
            if (p.move) drop(base, p.slot);
        for (uint32_t d : site.drops) drop(base, d);
    }

    [[gnu::noinline]] Step dispatch(const DispatchSite& site, Outcome* final) {
        uint32_t base = frames_.back().base;
        Value& head_slot = slot(base, site.head_slot);
        value_release(head_slot);
        head_slot = pop();
        int n = int(site.n);
        for (;;) {
            Value head = head_slot;
            HeadView view = view_head(head);
            switch (view.kind) {
            case HeadView::TRUE:
                if (n >= 2) return jump_arm(site, base, site.k_arm);
                return strict_path(site, base, final);
            case HeadView::FALSE:
                if (n >= 2) return jump_arm(site, base, site.h_arm);
                return site_value(site, base, noderef_wrap(run_.prelude.false_body), final);
            case HeadView::IDENTITY:
                return take_block(site, {BlockPath::IDENTITY}, base, nullptr, 0, false, final);
            case HeadView::ERROR:  // Z swallows every argument
                return site_value(site, base, noderef_wrap(run_.prelude.error_body), final);
            case HeadView::CONSTANT:
                if (n == 1) return site_value(site, base, noderef_wrap(view.a), final);
                {
                    Value y = value_of_node(view.a);
                    return take_block(site, {BlockPath::CONSTANT}, base, &y, 1, false, final);
                }
            case HeadView::CELL: {
                if (n == 1) {
                    NodeRef pair = node_make_tagged_app(
                        node_make_tagged_app(noderef_from_cstr("V"), noderef_wrap(view.a)), noderef_wrap(view.b));
                    return site_value(site, base, std::move(pair), final);
                }
                Value fields[2] = {value_of_node(view.a), value_of_node(view.b)};
                return take_block(site, {BlockPath::CELL}, base, fields, 2, false, final);
            }
            case HeadView::PAIR: {
                Value fields[2] = {value_of_node(view.a), value_of_node(view.b)};
                return take_block(site, {BlockPath::PAIR}, base, fields, 2, false, final);
            }
            case HeadView::WRAPPED:
                node_retain(view.a);
                head_slot = value_of_node(view.a);
                value_release(head);
                continue;
            case HeadView::CALLABLE: {
                int remaining = view.remaining;
                if (remaining >= n) return strict_path(site, base, final);
                Function* shape = nullptr;
                if (callable_settled(view, head, &shape))
                    return take_block(site, {BlockPath::OVER, remaining}, base, nullptr, 0, true, final);
                if (site.depth < MAX_INLINE_DEPTH) {
                    // The body in place: a global's with the arguments it
                    // holds, a closure's shape with its holes.
                    Value held[MAX_ARGS];
                    if (view.function != nullptr) {
                        int m = view.stored > 0 ? stored_arguments(head, held) : 0;
                        return take_block(site, {BlockPath::INLINE, m, view.function}, base, held, m, false, final);
                    }
                    if (Closure* c = view.closure)
                        return take_block(site, {BlockPath::INLINE, int(c->count), c->site}, base, c->values,
                                          int(c->count), false, final);
                    std::vector<Node*>& holes = run_.hole_scratch;  // shape's, from callable_settled
                    if (shape != nullptr && holes.size() <= 26) {
                        Value found[26];
                        for (size_t i = 0; i < holes.size(); ++i) found[i] = value_of_node(holes[i]);
                        return take_block(site, {BlockPath::INLINE, int(holes.size()), shape}, base, found,
                                          int(holes.size()), false, final);
                    }
                }
                break;
            }
            case HeadView::LAZY: {
                if (view.remaining > n) return strict_path(site, base, final);
                Value held[MAX_ARGS];
                int m = view.stored > 0 ? stored_arguments(head, held) : 0;
                u8 byte = leaf_bytes(view.head_leaf)[0];
                return take_block(site, {BlockPath::LAZY, m, nullptr, byte}, base, held, m, false, final);
            }
            case HeadView::OTHER: break;
            }
            return site_machine(site, base, final);
        }
    }

    // The arguments a partial application holds (borrowed), into held.
    static int stored_arguments(Value head, Value* held) {
        if (Closure* c = value_closure(head)) {
            for (uint32_t i = 0; i < c->count; ++i) held[i] = c->values[i];
            return int(c->count);
        }
        Node* h = nullptr;
        Node* args[MAX_ARGS];
        int m = 0;
        spine_of(value_node(head), &h, args, &m);
        for (int i = 0; i < m; ++i) held[i] = value_of_node(args[i]);
        return m;
    }

    // The head needs every argument: the inline strict arm, or its block.
    Step strict_path(const DispatchSite& site, uint32_t base, Outcome* final) {
        if (site.strict_arm != NO_SLOT) {
            frames_.back().pc = site.strict_arm;
            return Step::GO_ON;
        }
        return take_block(site, {BlockPath::STRICT}, base, nullptr, 0, true, final);
    }

    Step jump_arm(const DispatchSite& site, uint32_t base, uint32_t arm) {
        drop(base, site.head_slot);
        frames_.back().pc = arm;
        return Step::GO_ON;
    }

    // A value the site knows without a block or the machine.
    Step site_value(const DispatchSite& site, uint32_t base, NodeRef v, Outcome* final) {
        consume_site(site, base);
        if (!site.tail) frames_.back().pc = site.end;
        return give(std::move(v), site.tail, final);
    }

    // The whole application handed to the machine.
    Step site_machine(const DispatchSite& site, uint32_t base, Outcome* final) {
        NodeRef term = instantiate_template(site.whole, base);
        consume_site(site, base);
        if (!site.tail) frames_.back().pc = site.end;
        return hand_over(std::move(term), site.tail, final);
    }

    Step take_block(const DispatchSite& site, const BlockKey& key, uint32_t base, const Value* found, int k,
                    bool with_head, Outcome* final) {
        Function& b = compile_block(run_, const_cast<DispatchSite&>(site), key);
        if (!compile_function(run_, b)) return site_machine(site, base, final);
        Value head = slot(base, site.head_slot);
        // The found values are read from the head, which goes after them.
        size_t before = values_.size();
        pass_on(site, base, found, k, head, with_head);
        if (!with_head) drop(base, site.head_slot);
        uint32_t n = uint32_t(values_.size() - before);
        if (!site.tail) frames_.back().pc = site.end;
        call(b.code, n, site.tail);
        return Step::GO_ON;
    }

    [[gnu::always_inline]] Step do_return(Outcome* final) {
        Value v = pop();
        uint32_t base = frames_.back().base;
        for (size_t i = base; i < values_.size(); ++i) value_release(values_[i]);
        values_.resize(base);
        frames_.pop_back();
        if (frames_.size() == stop_) {
            *final = Outcome{box(v), false};
            return Step::RETURNED;
        }
        if (frames_.back().pc & FOLDED) unfold_caller(frames_.back());
        values_.push_back(v);
        return Step::GO_ON;
    }

    // ---- the loop ---------------------------------------------------------------

    [[gnu::noinline]] void make_closure(const Instr& in, uint32_t base) {
        const Template& tpl = run_.templates[in.a];
        Closure* c = closure_new(in.function, uint32_t(tpl.slots.size()));
        for (size_t i = 0; i < tpl.slots.size(); ++i) c->values[i] = value_copy(checked(values_[base + tpl.slots[i]]));
        values_.push_back(value_of_closure(c));
    }

    [[gnu::noinline]] void make_partial(const Instr& in) {
        Closure* c = closure_new_partial(in.node, in.c);
        size_t first = values_.size() - in.c;
        for (uint32_t i = 0; i < in.c; ++i) c->values[i] = values_[first + i];
        values_.resize(first);
        values_.push_back(value_of_closure(c));
    }

    // A builtin's call on the top values; false after an abort, with *final
    // the run's value.
    [[gnu::noinline]] bool call_builtin(const Instr& in, Outcome* final) {
        NodeRef r = in.builtin->fn(spine(noderef_wrap(in.node), in.c));
        if (machine_result_aborts(r.node)) {
            *final = abort_run(abort_value(std::move(r)));
            return false;
        }
        values_.push_back(value_from_node(std::move(r)));
        return true;
    }

    // The frame on top is read into the loop's own variables (its code, its
    // next instruction and its base) and written back only around what
    // changes frames: a call, a return, a dispatch.
    Outcome loop() {
        Outcome final{nullptr, false};
        const Instr* instrs = nullptr;
        uint32_t pc = 0;
        uint32_t base = 0;
        auto load = [&] {
            const Frame& f = frames_.back();
            instrs = f.code->instrs.data();
            pc = f.pc;
            base = f.base;
        };
        auto save = [&] { frames_.back().pc = pc; };
        load();
        for (;;) {
            const Instr& in = instrs[pc++];
            Step step = Step::GO_ON;
            switch (in.op) {
            case Op::LOCAL:
                values_.push_back(value_copy(checked(values_[base + in.a])));
                break;
            case Op::MOVE:
                values_.push_back(checked(take(base, in.a)));
                break;
            case Op::DROP:
                drop(base, in.a);
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
                value_release(values_[base + in.a]);
                values_[base + in.a] = v;
                break;
            }
            case Op::ARITH_LN: {
                // A local small integer and one of the code: no source to
                // look at, no reference to count.
                Value& a = values_[base + in.x.slot];
                i64 r = 0;
                if ((a.bits & 1) && a.bits != UNSET_LOCAL.bits && !is_comparison(in.kind) &&
                    arith_small(in.kind, value_number(a), in.y.number, &r) && fits_small(r)) {
                    if (in.x.source == Source::MOVED) a = UNSET_LOCAL;
                    values_.push_back(value_small(r));
                    break;
                }
                [[fallthrough]];
            }
            case Op::ARITH: {
                Value b = peek(in.y, base), a = peek(in.x, base);
                i64 x = 0, y = 0, r = 0;
                if (small_of(a, &x) && small_of(b, &y) && arith_small(in.kind, x, y, &r)) {
                    done(in.x, a, base);
                    done(in.y, b, base);
                    if (is_comparison(in.kind))
                        values_.push_back(value_from_node(noderef_from_cstr(r ? "K" : "H")));
                    else if (fits_small(r))
                        values_.push_back(value_small(r));
                    else
                        values_.push_back(value_from_node(integer_make_leaf(r)));
                    break;
                }
                Value ob = own(in.y, b, base), oa = own(in.x, a, base);
                NodeRef t = arith_builtin(in.kind, oa, ob);
                if (machine_result_aborts(t.node)) return abort_run(abort_value(std::move(t)));
                values_.push_back(value_from_node(std::move(t)));
                break;
            }
            case Op::BRANCH_LN: {
                Value& a = values_[base + in.x.slot];
                if ((a.bits & 1) && a.bits != UNSET_LOCAL.bits) {
                    i64 r = 0;
                    arith_small(in.kind, value_number(a), in.y.number, &r);
                    if (in.x.source == Source::MOVED) a = UNSET_LOCAL;
                    if (!r) pc = in.b;
                    break;
                }
                [[fallthrough]];
            }
            case Op::BRANCH: {
                Value b = peek(in.y, base), a = peek(in.x, base);
                i64 x = 0, y = 0, r = 0;
                if (small_of(a, &x) && small_of(b, &y)) {
                    arith_small(in.kind, x, y, &r);
                    done(in.x, a, base);
                    done(in.y, b, base);
                    if (!r) pc = in.b;
                    break;
                }
                Value ob = own(in.y, b, base), oa = own(in.x, a, base);
                NodeRef t = arith_builtin(in.kind, oa, ob);
                if (machine_result_aborts(t.node)) return abort_run(abort_value(std::move(t)));
                if (core_leaf_is(t.node, 'K')) break;
                if (core_leaf_is(t.node, 'H')) {
                    pc = in.b;
                    break;
                }
                // Neither truth: the value is applied to both arms.
                NodeRef term = instantiate_template(in.c, base, value_of_node(t.node));
                t = nullptr;
                pc = uint32_t(in.imm);
                if (!push_reduced(std::move(term), &final)) return final;
                break;
            }
            case Op::LISTCASE: {
                Node* l = value_node(values_[base + in.a]);
                if (l != nullptr && node_is_leaf(l)) {
                    if (core_leaf_is(l, 'K')) break;
                } else if (l != nullptr && node_tag(l) != TAG_DATA) {
                    const Node* jh = pair_left(l);
                    if (!node_is_leaf(jh) && core_leaf_is(pair_left(jh), 'J')) {
                        if (in.x.source == Source::MOVED && node_refcount(l) == 1 && node_refcount(jh) == 1)
                            take_fields(l, base, in);
                        else
                            bind_fields(pair_right(jh), pair_right(l), base, in);
                        pc = in.b;
                        break;
                    }
                }
                pc = uint32_t(in.imm);
                if (in.c == NO_SLOT) break;  // the list is applied by what it is
                if (!push_reduced(instantiate_template(in.c, base), &final)) return final;
                break;
            }
            case Op::UNPAIR: {
                // A J cell ((J f) g) or a V pair ((V f) g): f and g in place.
                Node* p = value_node(values_[base + in.a]);
                if (p == nullptr || node_is_leaf(p) || node_tag(p) == TAG_DATA) break;
                const Node* head = pair_left(p);
                if (node_is_leaf(head) || !core_leaf_is(pair_left(head), in.imm ? 'J' : 'V')) break;
                bind_fields(pair_right(head), pair_right(p), base, in);
                pc = in.b;
                break;
            }
            case Op::JUMP:
                pc = in.b;
                break;
            case Op::CONSTANT: {
                // A value stored by the machine; a constant not yet computed
                // (or being computed: the pending mark ")") goes to the
                // machine, as does an entry that is evaluated at each use.
                Node* d = in.definition->node;
                if (core_lead_byte(d) != ')' && node_binder_kind(d) != 'u' && node_is_value(d)) {
                    node_retain(d);
                    values_.push_back(value_of_node(d));
                    break;
                }
                [[fallthrough]];
            }
            case Op::GENERIC:
                if (!push_reduced(instantiate_template(in.a, base), &final)) return final;
                break;
            case Op::CLOSURE:
                make_closure(in, base);
                break;
            case Op::CONST_CLOSURE:
                ++in.closure->refs;
                values_.push_back(value_of_closure(in.closure));
                break;
            case Op::BUILD:
                values_.push_back(value_of_node(build(in.node, in.c, in.imm)));
                break;
            case Op::PARTIAL:
                make_partial(in);
                break;
            case Op::BUILTIN:
                if (!call_builtin(in, &final)) return final;
                break;
            case Op::CALL:
            case Op::TAIL_CALL: {
                Function& f = *in.function;
                bool tail = in.op == Op::TAIL_CALL;
                save();
                if (!f.compiled && !compile_function(run_, f))
                    step = hand_over(spine(noderef_wrap(f.name), in.c), tail, &final);
                else
                    call(f.code, in.c, tail, in.imm != 0);
                if (step == Step::GO_ON) load();
                break;
            }
            case Op::APPLY:
            case Op::TAIL_APPLY:
                save();
                step = apply(in.c, in.op == Op::TAIL_APPLY, &final, in.imm != 0);
                if (step == Step::GO_ON) load();
                break;
            case Op::DISPATCH: {
                // A truth with both arms inline: straight to its arm.
                const DispatchSite& site = run_.sites[in.a];
                int truth = site.h_arm != NO_SLOT ? truth_of(values_.back()) : -1;
                if (truth >= 0) {
                    value_release(pop());
                    drop(base, site.head_slot);
                    pc = truth ? site.k_arm : site.h_arm;
                    break;
                }
                save();
                step = dispatch(site, &final);
                if (step == Step::GO_ON) load();
                break;
            }
            case Op::RETURN:
                step = do_return(&final);
                if (step == Step::GO_ON) load();
                break;
            }
            if (step == Step::GO_ON) continue;
            return Outcome{std::move(final.value), final.aborted};
        }
    }

    // The two fields f and g of a cell or pair (borrowed) into the locals
    // in.x and in.y of the frame at base (unless the code keeps them nowhere).
    void bind_fields(Node* f, Node* g, uint32_t base, const Instr& in) {
        if (in.x.slot == NO_SLOT) return;
        node_retain(f);
        node_retain(g);
        store_fields(f, g, base, in);
    }

    // The references f and g (owned) into the locals in.x and in.y of the
    // frame at base, dropping what those held.
    void store_fields(Node* f, Node* g, uint32_t base, const Instr& in) {
        Value& x = values_[base + in.x.slot];
        value_release(x);
        x = value_of_node(f);
        Value& y = values_[base + in.y.slot];
        value_release(y);
        y = value_of_node(g);
    }

    // The fields of the unshared cell ((J h) t) held by local in.a into the
    // locals in.x and in.y, its records given back: the cell's references
    // move into the locals.
    void take_fields(Node* cell, uint32_t base, const Instr& in) {
        Node* jh = pair_left(cell);
        Node* h = pair_right(jh);
        Node* t = pair_right(cell);
        node_release(pair_left(jh));
        pair_block_free(jh);
        pair_block_free(cell);
        values_[base + in.a] = UNSET_LOCAL;
        store_fields(h, t, base, in);
    }

    Run& run_;
    MachineSession session_;
    GrowStack<Value> values_;
    GrowStack<Frame> frames_;
    std::vector<LeafSlot> leaf_cache_;
    size_t stop_ = 0;  // the frames below the innermost execution
    int nesting_ = 0;  // executions started by the machine, one inside the other
};

}  // namespace

NodeRef compile_evaluate_main(const NodeRef& main, const NodeRef& argument, CompileCounts* counts) {
    CompileCounts ignored;
    if (counts == nullptr) counts = &ignored;
    Run run;
    run.prelude = core_read_prelude();
    Function* f = nullptr;
    if (run.prelude.frames) {
        // (main a) with a bound to the argument: main is closed, so any
        // letter will do.
        Node* a = core_letter_leaf(run, 'a');
        Function m;
        m.kind = FunctionKind::MAIN;
        m.term = core_apply(run, main.node, &a, 1);
        m.param_letters = {'a'};
        m.arity = 1;
        run.functions.push_back(std::move(m));
        f = &run.functions.back();
        if (!compile_function(run, *f)) f = nullptr;
    }
    if (f == nullptr) {
        ++counts->handoffs;
        return machine_evaluate(node_make_app(main, argument));
    }
    Executor executor(run);
    std::vector<Value> args{value_copy(value_of_node(argument.node))};
    NodeRef value = executor.run_function(*f, args);
    counts->handoffs += executor.handoffs;
    return value;
}
