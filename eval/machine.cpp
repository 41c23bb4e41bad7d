// Reduction machine: the loop, the step and the dispatch of contractions.
// Internally the state travels as its two halves, two handles cont and focus,
// so that a step does not build the (CONT FOCUS) pair only to take it apart
// again; the public entries join and split it.
#include "machine.h"

#include <bit>
#include <cstring>
#include <vector>

#include "arithmetic.h"
#include "binders.h"
#include "comparisons.h"
#include "globals.h"
#include "heads.h"
#include "marks.h"
#include "registry.h"
#include "tables.h"
#include "tag.h"

namespace {

// What the head leaf of a contraction names: a builtin, a definition, both
// (builtins come first) or neither.
struct HeadInfo {
    const BuiltinEntry* builtin = nullptr;
    DefsMap::iterator definition;  // the end when the name has none
    // The builtin is integer arithmetic or order on two arguments, whose
    // result on two small integers depends on nothing but their values.
    bool integer_operator = false;
};

// The builtins of HeadInfo::integer_operator.
bool is_integer_operator(BuiltinFn fn) {
    return fn == builtin_plus || fn == builtin_dash || fn == builtin_mult || fn == builtin_less || fn == builtin_gteq;
}

// Remembers, for one run, what the head leaves met so far name, so that a
// loop does not search the two tables by text at every turn. It stays right
// for the whole run: the builtin table does not change while a program runs,
// and entries of `definitions` change their terms (read through the
// iterator) but are never erased; only builtins that define names (load,
// road) can add a name that was missing, and those calls forget everything.
// One-byte names (the combinators, the operators) are kept by their byte,
// since new leaves of them appear all the time (K and H from comparisons);
// other names by their leaf's address and text. A slot takes no reference
// (counts stay what programs expect), so a hit is confirmed by the text:
// what a name means depends on nothing else.
class HeadCache {
public:
    const HeadInfo& lookup(const Node* h);
    void forget() {
        for (Slot& slot : slots_) slot.leaf = nullptr;
        for (bool& known : byte_known_) known = false;
    }

private:
    static HeadInfo find(const Node* h);
    static constexpr int SIZE_BITS = 6;
    static constexpr size_t SIZE = size_t(1) << SIZE_BITS;
    static constexpr size_t TEXT_MAX = 32;  // longer names are looked up each time
    struct Slot {
        const Node* leaf = nullptr;
        u64 word = 0;  // the text's first 8 bytes (a leaf has at least 10)
        char text[TEXT_MAX];
        HeadInfo info;
    };
    Slot slots_[SIZE];
    HeadInfo uncached_;
    bool byte_known_[256] = {};
    HeadInfo by_byte_[256];
};

// Whether a prelude combinator still has the meaning a shortcut of the
// machine relies on. Its entry is looked up once (again after names were
// defined) and its definition tested again only when the entry holds
// another term; the term last tested is kept, so that its address cannot
// come back as another term's. Programs never reach a definition's top node.
struct MeaningWatch {
    MeaningWatch(const char* watched, bool (*meaning_test)(const Node*)) : name(watched), test(meaning_test) {}
    const char* name;
    bool (*test)(const Node* definition);
    bool entry_known = false;
    DefsMap::iterator entry;
    NodeRef checked = nullptr;
    bool holds = false;

    bool check(DefsMap& defs) {
        if (!entry_known) {
            entry = defs.find(string_from_cstr(name));
            entry_known = true;
        }
        if (entry == defs.end()) return false;
        const NodeRef& d = entry->second;
        if (d.node != checked.node) {
            checked = d;
            holds = test(d.node);
        }
        return holds;
    }
};

bool is_reversed_application(const Node* d);
bool is_identity(const Node* d);

// The head cache of every run. A run nests in another only through a
// builtin (load, road) or a check-time mark, and a run starts by forgetting
// the cache, so sharing it changes no answer; it keeps the cache, a dozen
// kilobytes, off the C stack of each nested run.
HeadCache& machine_head_cache() {
    static HeadCache cache;
    return cache;
}

}  // namespace

// What one run of the machine keeps between steps: the table of
// definitions, the head cache; the work space of global-name contractions;
// whether T reverses an application (so that popping a function frame need
// not unfold T) and whether I is the identity; and the leaves B, T and
// \ that frames held as terms are built from. One leaf of each serves every
// frame of the run: frames are never seen by a program, and a fresh leaf per
// frame would only cost an allocation.
struct MachineContext {
    DefsMap& defs = definitions_instance();
    HeadCache& heads = machine_head_cache();

    explicit MachineContext(MachineHook* compiled = nullptr) : hook(compiled) { heads.forget(); }
    MachineContext(const MachineContext&) = delete;
    MachineContext& operator=(const MachineContext&) = delete;
    GlobalsWork globals;
    MeaningWatch t_meaning{"T", is_reversed_application};
    MeaningWatch i_meaning{"I", is_identity};
    NodeRef b_leaf = noderef_from_cstr("B");
    NodeRef t_leaf = noderef_from_cstr("T");
    NodeRef lambda_leaf = noderef_from_cstr("\\");
    // A compiled run's code for global functions (null for a plain run).
    MachineHook* hook = nullptr;

    // After a builtin that may have defined names.
    void forget_definitions() {
        heads.forget();
        globals_forget_plans(globals);
        t_meaning.entry_known = false;
        i_meaning.entry_known = false;
    }
};

namespace {


// ---------------------------------------------------------------------------
// Tag reading on borrowed nodes
// ---------------------------------------------------------------------------

// The tag of t, computed first when it is still 0 (a line-mark leaf keeps 0).
unsigned tag_of(Node* n) {
    unsigned tag = node_tag(n);
    if (tag == 0) {
        node_compute_tag(n);
        tag = node_tag(n);
    }
    return tag;
}

unsigned tag_of(const NodeRef& t) { return tag_of(t.node); }

i64 tag_arity(unsigned tag) {
    return tag == TAG_DATA ? 1 : i64(tag & 0x3F) - ARITY_BIAS;
}

bool tag_has_redex_below(unsigned tag) {
    return tag != TAG_DATA && (tag & 0x40) != 0;
}

bool tag_is_value(unsigned tag) {
    if (tag == TAG_DATA) return true;
    return !tag_has_redex_below(tag) && tag_arity(tag) >= 1;
}

u8 lead_byte(const Node* n) {
    return node_is_leaf(n) ? leaf_bytes(n)[0] : 0;
}

// True for a leaf whose whole text is the one byte c.
bool leaf_is_char(const Node* n, u8 c) {
    return node_is_leaf(n) && leaf_bytes(n)[0] == c && leaf_bytes(n)[1] == 0;
}

NodeRef new_leaf(const char* text) {
    return noderef_from_cstr(text);
}

// ---------------------------------------------------------------------------
// Frames
// ---------------------------------------------------------------------------

// What popping a frame hands back: either the g of ((B k) g), or the waiting
// argument x of a function frame ((B k) (T x)) (reversing true).
struct PoppedFrame {
    NodeRef g;
    bool reversing = false;
};

// True for g = (T x), a T leaf applied to the argument a function frame
// keeps; an argument frame whose function part is (T x) reads the same.
bool frame_is_reversing(const Node* g) {
    return !node_is_leaf(g) && leaf_is_char(pair_left(g), 'T');
}

// True for g = (L x) with L a leaf beginning "T": a frame that a lazy head
// may take its argument from.
bool frame_gives_argument(const Node* g) {
    return !node_is_leaf(g) && lead_byte(pair_left(g)) == 'T';
}

// The continuation as the term the state holds: the leaf I at the bottom,
// each frame a pair ((B k) g). One step at a time (machine_step) works on
// this form, taking no shortcut, so it is the reference that a run, with its
// native stack and shortcuts, is held to.
struct TermFrames {
    static constexpr bool SHORTCUTS = false;
    NodeRef cont;

    bool at_bottom() const { return node_is_leaf(cont.node) && lead_byte(cont.node) == 'I'; }

    // cont becomes ((B cont) g).
    void push(MachineContext& context, NodeRef g) {
        cont = node_make_app(node_make_app(context.b_leaf, std::move(cont)), std::move(g));
    }

    // A function frame ((B cont) (T x)).
    void push_argument(MachineContext& context, NodeRef x) {
        push(context, node_make_app(context.t_leaf, std::move(x)));
    }

    // Takes the frame on top apart. A cont that is no ((B k) g) is a fatal
    // assertion.
    PoppedFrame pop() {
        VORN_ASSERT(!node_is_leaf(cont.node));
        const Node* bk = pair_left(cont.node);
        VORN_ASSERT(!node_is_leaf(bk));
        VORN_ASSERT(lead_byte(pair_left(bk)) == 'B');
        NodeRef b_k = nullptr, g = nullptr, b = nullptr;
        pair_split(std::move(cont), b_k, g);
        pair_split(std::move(b_k), b, cont);
        return unfold_reversing(std::move(g));
    }

    // The number of frames on top, at most a, that a lazy head may take its
    // arguments from.
    i64 count_argument_frames(i64 a) const {
        i64 counted = 0;
        const Node* c = cont.node;
        while (counted < a) {
            if (node_is_leaf(c)) break;
            const Node* g = pair_right(c);
            if (!frame_gives_argument(g)) break;
            const Node* bk = pair_left(c);
            if (node_is_leaf(bk)) break;
            ++counted;
            c = pair_right(bk);
        }
        return counted;
    }

    // Pops a frame counted by count_argument_frames; returns its argument.
    NodeRef pop_argument() {
        NodeRef b_k = nullptr, t_x = nullptr, b = nullptr, t = nullptr, x = nullptr;
        pair_split(std::move(cont), b_k, t_x);
        pair_split(std::move(t_x), t, x);
        pair_split(std::move(b_k), b, cont);
        return x;
    }

    // Drops every frame: the evaluation ends.
    void abort() { cont = new_leaf("I"); }

    // g = (T x) gives x, marked reversing.
    static PoppedFrame unfold_reversing(NodeRef g) {
        if (!frame_is_reversing(g.node)) return PoppedFrame{std::move(g), false};
        NodeRef t = nullptr, x = nullptr;
        pair_split(std::move(g), t, x);
        return PoppedFrame{std::move(x), true};
    }
};

// The continuation of machine_run: the frames on a native stack above a
// bottom leaf. Each slot holds exactly the one reference its frame's g would
// hold; a function frame keeps its argument x and no (T x) pair, which no
// program can reach either way. Frames hold the same nodes in the same
// order as TermFrames, so that both forms give the same steps.
class NativeFrames {
public:
    static constexpr bool SHORTCUTS = true;
    explicit NativeFrames(NodeRef bottom) : bottom_(std::move(bottom)) {
        VORN_ASSERT(node_is_leaf(bottom_.node));
        slots_.reserve(256);
    }
    NativeFrames(const NativeFrames&) = delete;
    NativeFrames& operator=(const NativeFrames&) = delete;
    ~NativeFrames() { release_slots(); }

    bool at_bottom() const { return slots_.empty() && lead_byte(bottom_.node) == 'I'; }

    void push(MachineContext&, NodeRef g) { slots_.push_back(Slot{release_to_raw(g), false}); }
    void push_argument(MachineContext&, NodeRef x) { slots_.push_back(Slot{release_to_raw(x), true}); }

    PoppedFrame pop() {
        VORN_ASSERT(!slots_.empty());  // the bottom leaf is no frame
        Slot top = slots_.back();
        slots_.pop_back();
        if (top.argument) return PoppedFrame{NodeRef(top.node), true};
        return TermFrames::unfold_reversing(NodeRef(top.node));
    }

    i64 count_argument_frames(i64 a) const {
        i64 counted = 0;
        for (size_t i = slots_.size(); i-- > 0 && counted < a; ++counted)
            if (!slots_[i].argument && !frame_gives_argument(slots_[i].node)) break;
        return counted;
    }

    NodeRef pop_argument() {
        Slot top = slots_.back();
        slots_.pop_back();
        if (top.argument) return NodeRef(top.node);
        NodeRef t = nullptr, x = nullptr;
        pair_split(NodeRef(top.node), t, x);
        return x;
    }

    void abort() {
        release_slots();
        bottom_ = new_leaf("I");
        aborted_ = true;
    }

    // Whether abort dropped the frames at some point.
    bool aborted() const { return aborted_; }

private:
    struct Slot {
        Node* node;     // one reference
        bool argument;  // a function frame's waiting argument
    };
    static Node* release_to_raw(NodeRef& r) {
        Node* n = r.node;
        r.node = nullptr;
        return n;
    }
    void release_slots() {
        while (!slots_.empty()) {  // outermost first, as releasing the term would
            node_release(slots_.back().node);
            slots_.pop_back();
        }
    }
    std::vector<Slot> slots_;
    NodeRef bottom_;
    bool aborted_ = false;
};

// Focus (l r): the function part l is reduced first, r waits in a function
// frame.
template <class Frames>
void push_function_frame(MachineContext& context, Frames& frames, NodeRef& focus) {
    NodeRef l = nullptr, r = nullptr;
    pair_split(std::move(focus), l, r);
    frames.push_argument(context, std::move(r));
    focus = std::move(l);
}

// Focus (l r): the argument r is reduced, l waits for its value.
template <class Frames>
void push_argument_frame(MachineContext& context, Frames& frames, NodeRef& focus) {
    NodeRef l = nullptr, r = nullptr;
    pair_split(std::move(focus), l, r);
    frames.push(context, std::move(l));
    focus = std::move(r);
}

// The let frame ((B k) ((\ x) c)).
template <class Frames>
void push_let(MachineContext& context, Frames& frames, NodeRef x, NodeRef c) {
    frames.push(context, node_make_app(node_make_app(context.lambda_leaf, std::move(x)), std::move(c)));
}

// Focus ((({ x) e) c): e is reduced, then substituted through ((\ x) c).
template <class Frames>
void push_let_frame(MachineContext& context, Frames& frames, NodeRef& focus) {
    NodeRef binder = node_left(focus);  // (({ x) e)
    NodeRef e = node_right(binder);
    push_let(context, frames, node_right(node_left(binder)), node_right(focus));
    focus = std::move(e);
}

// True when d is \a\b\b a for any two different letters, T's definition in
// the prelude: ((T x) v) then contracts to (v x).
bool is_reversed_application(const Node* d) {
    if (node_binder_kind(d) != 'u') return false;
    const Node* x = pair_right(pair_left(d));
    const Node* inner = pair_right(d);
    if (node_binder_kind(inner) != 'u') return false;
    const Node* y = pair_right(pair_left(inner));
    const Node* body = pair_right(inner);
    if (!node_is_leaf(x) || !node_is_leaf(y) || node_is_leaf(body)) return false;
    u8 a = leaf_bytes(x)[0], b = leaf_bytes(y)[0];
    if (a < 'a' || a > 'z' || b < 'a' || b > 'z' || a == b) return false;
    return leaf_is_char(x, a) && leaf_is_char(y, b) && leaf_is_char(pair_left(body), b) &&
           leaf_is_char(pair_right(body), a);
}

// True when d is \\a\\a for any letter, I's definition in the prelude.
bool is_identity(const Node* d) {
    if (node_binder_kind(d) != 'u') return false;
    const Node* x = pair_right(pair_left(d));
    if (!node_is_leaf(x)) return false;
    u8 a = leaf_bytes(x)[0];
    return a >= 'a' && a <= 'z' && leaf_is_char(x, a) && leaf_is_char(pair_right(d), a);
}

bool t_reverses_application(MachineContext& context) { return context.t_meaning.check(context.defs); }

// True while the checker evaluates line marks and v or x holds a free
// letter: contracting ((T x) v) then ends the evaluation, so the pair (v x)
// must not be built in its place.
bool open_at_check_time(Node* v, Node* x) {
    if (!marks_check_time()) return false;
    tag_of(v);
    tag_of(x);
    return (node_free_mask(v) | node_free_mask(x)) != 0;
}

// Returns the value in focus to the frame on top: with the frame ((B k) g)
// the next state is (k (g focus)). A function frame ((B k) (T x)) gives
// ((T x) focus), which T's definition contracts to (focus x); while T has
// the prelude's meaning that pair is built at once. Otherwise the pair is
// built around a fresh leaf T, tagged with T's meaning of now, as the
// frame's own leaf would have been.
template <class Frames>
void pop_frame(MachineContext& context, Frames& frames, NodeRef& focus) {
    PoppedFrame top = frames.pop();
    if (!top.reversing) {
        focus = node_make_tagged_app(std::move(top.g), std::move(focus));
    } else if (t_reverses_application(context) && !open_at_check_time(focus.node, top.g.node)) {
        focus = node_make_tagged_app(std::move(focus), std::move(top.g));
    } else {
        focus = node_make_tagged_app(node_make_tagged_app(new_leaf("T"), std::move(top.g)), std::move(focus));
    }
}

// A lazy head of arity a > 0 takes its missing arguments from the function
// frames on top when there are a of them: they are popped innermost first,
// each applying focus to its waiting argument. Returns false, changing
// nothing, when fewer than a function frames are there.
template <class Frames>
bool take_pending_arguments(Frames& frames, NodeRef& focus, i64 a) {
    if (frames.count_argument_frames(a) != a) return false;
    for (i64 i = 0; i < a; ++i) focus = node_make_tagged_app(std::move(focus), frames.pop_argument());
    return true;
}

// ---------------------------------------------------------------------------
// Contraction
// ---------------------------------------------------------------------------

// The arguments a1 ... an of a saturated focus, one reference each, held
// until the contraction is over. A saturated spine has at most ten.
class ArgList {
public:
    static constexpr int CAPACITY = 16;
    ArgList() = default;
    ArgList(const ArgList&) = delete;
    ArgList& operator=(const ArgList&) = delete;
    ~ArgList() {
        for (int i = 0; i < count_; ++i) node_release(items_[i]);
    }
    int count() const { return count_; }
    // Drops every argument.
    void clear() {
        for (int i = 0; i < count_; ++i) node_release(items_[i]);
        count_ = 0;
    }
    // The borrowed arguments, a1 first.
    Node* const* items() const { return items_; }
    // Borrowed argument i (0 for a1).
    Node* raw(int i) const {
        VORN_ASSERT(i >= 0 && i < count_);
        return items_[i];
    }
    // A new handle to argument i.
    NodeRef get(int i) const { return noderef_wrap(raw(i)); }
    // Collects the right children along the non-data left spine of focus,
    // a1 first; returns the head (borrowed).
    Node* collect(const Node* focus) {
        Node* reversed[CAPACITY];
        int n = 0;
        const Node* h = focus;
        while (!node_is_leaf(h) && node_tag(h) != TAG_DATA) {
            VORN_ASSERT(n < CAPACITY);
            reversed[n++] = pair_right(h);
            h = pair_left(h);
        }
        for (int i = 0; i < n; ++i) {
            items_[i] = reversed[n - 1 - i];
            node_retain(items_[i]);
        }
        count_ = n;
        return const_cast<Node*>(h);
    }

private:
    Node* items_[CAPACITY];
    int count_ = 0;
};

// The builtin gets the focus with a reference of its own; the focus, the
// head and the arguments stay held here until it has returned (but for load
// and road, see contract_focus).
Contractum contract_builtin(const BuiltinEntry& entry, const NodeRef& focus) {
    VORN_ASSERT(entry.fn != nullptr);
    NodeRef r = entry.fn(noderef_copy(focus));
    bool abort = machine_result_aborts(r.node);
    return Contractum{std::move(r), abort};
}

// ((({ a1) a2) a3): a value a2 is substituted into a3 at once; otherwise a2
// is reduced first inside a let frame.
template <class Frames>
Contractum contract_strict_let(MachineContext& context, Frames& frames, const ArgList& args) {
    VORN_ASSERT(args.count() == 3);
    u8 x = lead_byte(args.raw(0));
    if (node_is_value(args.raw(1)))
        return Contractum{instantiate(args.get(2), &x, args.items() + 1, 1, context.globals.scratch), false};
    push_let(context, frames, args.get(0), args.get(2));
    return Contractum{args.get(1), false};
}

// (((\ a1) a2) a3): the body a2 with the argument a3 for the variable a1.
Contractum contract_lambda(MachineContext& context, const ArgList& args) {
    VORN_ASSERT(args.count() == 3);
    u8 x = lead_byte(args.raw(0));
    return Contractum{instantiate(args.get(1), &x, args.items() + 2, 1, context.globals.scratch), false};
}

// ((e a1) a2) with e a leaf beginning "]": ends with "]" + the text of a1.
Contractum contract_error_head(const ArgList& args) {
    VORN_ASSERT(args.count() == 2);
    RtString text = string_from_cstr("]");
    if (node_is_leaf(args.raw(0))) string_append(text, leaf_node_text(args.raw(0)));
    return Contractum{noderef_from_string(std::move(text)), true};
}

// The data heads take exactly their one argument.
NodeRef only_argument(const ArgList& args) {
    VORN_ASSERT(args.count() == 1);
    return args.get(0);
}

// True for the names of the builtins that add definitions.
bool head_defines_names(const Node* h) {
    const char* text = reinterpret_cast<const char*>(leaf_bytes(h));
    return std::strcmp(text, "load") == 0 || std::strcmp(text, "road") == 0;
}

// Dispatches the saturated focus by its head; see machine_contract.
template <class Frames>
Contractum contract_focus(MachineContext& context, Frames& frames, NodeRef& focus) {
    unsigned tag = tag_of(focus);
    if (u64 mask = node_free_mask(focus.node); mask != 0) {
        if (marks_check_time()) throw MarksOpenFocus{};
        // A free letter left in a definition that run-time loading committed:
        // like any name without a definition it ends the evaluation.
        RtString name = string_from_cstr("]");
        string_append(name, string_from_char(u8('a' + std::countr_zero(mask))));
        return {noderef_from_string(std::move(name)), true};
    }
    VORN_ASSERT(tag != TAG_DATA);
    VORN_ASSERT(tag_arity(tag) == 0);

    ArgList args;
    NodeRef head = noderef_wrap(args.collect(focus.node));
    const Node* h = head.node;
    u8 c = lead_byte(h);
    bool leaf = node_is_leaf(h);

    const HeadInfo* named = leaf && c >= 'a' && c <= 'z' ? &context.heads.lookup(h) : nullptr;
    if (named && named->builtin) {
        if (head_defines_names(h)) {
            // The text is handed over, not held here: a loaded text that
            // loads the rest of itself would otherwise be kept at every
            // level of the nesting for as long as the innermost one runs.
            BuiltinFn fn = named->builtin->fn;
            args.clear();
            head = nullptr;
            NodeRef r = fn(std::move(focus));
            bool abort = machine_result_aborts(r.node);
            context.forget_definitions();
            return Contractum{std::move(r), abort};
        }
        return contract_builtin(*named->builtin, focus);
    }
    if (leaf && c == '\n') return {head_vector_apply(head, only_argument(args)), false};
    if (leaf_is_char(h, '{')) return contract_strict_let(context, frames, args);
    if (leaf_is_char(h, '\\')) return contract_lambda(context, args);
    if (leaf && c >= '0' && c <= '9') {
        VORN_ASSERT(args.count() == 1);
        return {head_number_apply(head), false};
    }
    if (node_tag(h) == TAG_DATA) return {head_zits_apply(head, only_argument(args)), false};
    if (leaf && c == '(') {
        VORN_ASSERT(args.count() == 1);
        return {head_post_apply(head), false};
    }
    if (leaf && c == ' ') return {head_real_apply(head, only_argument(args)), false};
    if (leaf && c == ')') return cache_head_contract(head, only_argument(args), context.globals);
    if (leaf && c == ']') return contract_error_head(args);
    if (!named) named = &context.heads.lookup(h);
    if (context.hook != nullptr && args.count() > 0 && named->definition != context.defs.end() &&
        c != 0 && !tag_is_lazy_head_byte(c)) {
        Contractum compiled{nullptr, false};
        bool waiting = frames.count_argument_frames(1) != 0;
        if (context.hook->call_global(h, named->definition->second.node, args.items(), args.count(), waiting,
                                      &compiled))
            return compiled;
    }
    return global_name_contract(h, named->definition, args.items(), args.count(), context.globals);
}

// Puts the contractum in focus; an abort drops every frame for a new leaf I.
template <class Frames>
void contract_parts(MachineContext& context, Frames& frames, NodeRef& focus) {
    Contractum next = contract_focus(context, frames, focus);
    if (next.abort) frames.abort();
    focus = std::move(next.term);
}

// An operator bound to integer arithmetic or order (the leaf bound), applied
// in focus to two small integers x and y: the steps would rebuild the spine
// around the builtin's name and call it on that. The builtin reads nothing
// but the two values, so it is called on the focus as it is; its result
// goes in focus. Returns false, changing nothing, for any other operands.
bool apply_integer_operator(MachineContext& context, const Node* bound, const Node* x, const Node* y, NodeRef& focus) {
    i64 a = 0, b = 0;
    if (!arith_small_integer(x, &a) || !arith_small_integer(y, &b)) return false;
    const HeadInfo& named = context.heads.lookup(bound);
    if (!named.integer_operator) return false;
    focus = named.builtin->fn(noderef_copy(focus));
    return true;
}

// A focus applied beyond its head, where the head is a global constant whose
// definition is already a value (an operator bound to a builtin, "?" bound to
// I): the steps would push a function frame per argument, unfold the name and
// pop the frames again, building the same spine around the value with new
// pairs. This builds that spine at once. Nothing is skipped that could be
// seen: such an unfolding has no effect, the arguments stay unevaluated, and
// the pops would go through T only while it reverses an application. A
// value that is the identity I (while it is) goes too: its contraction and
// the pops after it would only rebuild the spine over its first argument.
// Returns false, changing nothing, for any other focus.
bool unfold_constant_head(MachineContext& context, NodeRef& focus) {
    constexpr int MAX_SPINE = 16;
    int n = 0;
    const Node* h = focus.node;
    while (!node_is_leaf(h) && node_tag(h) != TAG_DATA) {
        if (n == MAX_SPINE) return false;
        ++n;
        h = pair_left(h);
    }
    if (!node_is_leaf(h) || node_arity_code(h) != ARITY_BIAS) return false;  // not a constant name
    const HeadInfo& named = context.heads.lookup(h);
    if (named.builtin != nullptr) return false;  // an arity-0 builtin is called anew
    if (named.definition == context.defs.end()) return false;
    const NodeRef& d = named.definition->second;
    if (lead_byte(d.node) == ')' || node_binder_kind(d.node) == 'u') return false;  // pending, or not a constant now
    if (!node_is_value(d.node)) return false;  // computed on first use
    if (!t_reverses_application(context)) return false;
    // At check time an open argument ends the evaluation when its frame is
    // popped through T, which the spine built here would never do.
    if (marks_check_time() && node_free_mask(focus.node) != 0) return false;
    Node* args[MAX_SPINE];  // args[0] is the last argument
    const Node* p = focus.node;
    for (int i = 0; i < n; ++i, p = pair_left(p)) args[i] = pair_right(p);
    bool two_operands = n == 2 && node_is_leaf(d.node);
    if (two_operands && apply_integer_operator(context, d.node, args[1], args[0], focus)) return true;
    NodeRef spine = nullptr;
    if (leaf_is_char(d.node, 'I') && context.i_meaning.check(context.defs)) {
        // The identity applied to a1 ... an: its contraction gives a1 back,
        // and the frames pushed for a2 ... an apply the value of a1 to them
        // again, as the spine (a1 a2 ... an) has the machine do.
        spine = noderef_wrap(args[--n]);
    } else {
        spine = d;
    }
    for (int i = n - 1; i >= 0; --i) spine = node_make_tagged_app(std::move(spine), noderef_wrap(args[i]));
    focus = std::move(spine);
    return true;
}

// True for a lambda ((\ v) body).
bool is_lambda(const Node* t) {
    return !node_is_leaf(t) && !node_is_leaf(pair_left(t)) && leaf_is_char(pair_left(pair_left(t)), '\\');
}

// A focus (L a1 ... an) whose head L is a lambda of j >= 2 binders, for j
// the smaller of its binders and n, with a1 ... aj values: the steps would
// push a function frame for each of a2 ... an, and then contract one lambda
// and pop one frame per binder, each contraction substituting one argument
// into what the last one built. Substituting all j arguments into the body at once builds the same
// term when the arguments are closed (none can then catch another's letter),
// and no builtin is called on the way. Pops go through T, so T must reverse
// an application. The arguments past j are applied to the result. Returns
// false, changing nothing, for any other focus.
bool apply_lambda_chain(MachineContext& context, NodeRef& focus) {
    constexpr int MAX_SPINE = 16;
    Node* spine[MAX_SPINE];  // spine[0] is the last argument
    int n = 0;
    const Node* h = focus.node;
    while (!is_lambda(h)) {
        if (node_is_leaf(h) || node_tag(h) == TAG_DATA || n == MAX_SPINE) return false;
        spine[n++] = pair_right(h);
        h = pair_left(h);
    }
    if (n < 2 || !is_lambda(pair_right(h))) return false;
    u8 letters[MAX_SPINE];
    Node* args[MAX_SPINE];
    int j = 0;
    const Node* body = h;
    for (; j < n && is_lambda(body); ++j, body = pair_right(body)) {
        const Node* v = pair_right(pair_left(body));
        if (!node_is_leaf(v) || leaf_bytes(v)[1] != 0) return false;
        letters[j] = leaf_bytes(v)[0];
        if (letters[j] < 'a' || letters[j] > 'z') return false;  // the generic path reports it
        args[j] = spine[n - 1 - j];
        if (!node_is_value(args[j])) return false;  // a lambda's argument is reduced first
    }
    if (node_free_mask(focus.node) != 0 || !t_reverses_application(context)) return false;
    NodeRef result = instantiate(noderef_wrap(const_cast<Node*>(body)), letters, args, j, context.globals.scratch);
    for (int i = n - 1 - j; i >= 0; --i) result = node_make_tagged_app(std::move(result), noderef_wrap(spine[i]));
    focus = std::move(result);
    return true;
}

// Pushes a function frame for focus; a run first tries the shortcuts past
// the steps that would follow.
template <class Frames>
void reduce_function_part(MachineContext& context, Frames& frames, NodeRef& focus, bool over_applied) {
    if (Frames::SHORTCUTS) {
        if (over_applied && unfold_constant_head(context, focus)) return;
        if (apply_lambda_chain(context, focus)) return;
    }
    push_function_frame(context, frames, focus);
}

// One step on the two halves of the state.
template <class Frames>
void step_parts(MachineContext& context, Frames& frames, NodeRef& focus) {
    unsigned tag = tag_of(focus);
    if (tag_is_value(tag)) {
        pop_frame(context, frames, focus);
        return;
    }
    i64 a = tag_arity(tag);
    if (a < 0) {
        reduce_function_part(context, frames, focus, true);
        return;
    }
    if (a == 0) {
        if (node_head_in_fixed_set(focus.node) || !tag_has_redex_below(tag)) {
            contract_parts(context, frames, focus);
            return;
        }
        if (node_binder_kind(focus.node) == 'i') {
            if (node_is_value(pair_right(pair_left(focus.node))))
                contract_parts(context, frames, focus);
            else
                push_let_frame(context, frames, focus);
            return;
        }
        unsigned left = tag_of(pair_left(focus.node));
        if (left == TAG_DATA || !tag_has_redex_below(left))
            push_argument_frame(context, frames, focus);
        else
            reduce_function_part(context, frames, focus, false);
        return;
    }
    if (node_head_in_fixed_set(focus.node) && take_pending_arguments(frames, focus, a)) {
        contract_parts(context, frames, focus);
        return;
    }
    if (node_is_value(pair_left(focus.node)))
        push_argument_frame(context, frames, focus);
    else
        reduce_function_part(context, frames, focus, false);
}

// The two halves of a state (released).
void state_split(NodeRef state, NodeRef& cont, NodeRef& focus) {
    cont = node_left(state);
    focus = node_right(state);
}

// Steps until the frames are down to the bottom leaf I and focus is a value.
template <class Frames>
NodeRef machine_loop(MachineContext& context, Frames& frames, NodeRef focus) {
    try {
        while (!(frames.at_bottom() && tag_is_value(tag_of(focus)))) step_parts(context, frames, focus);
    } catch (const MarksOpenFocus&) {
        globals_restore_pending(context.globals);  // each run on the way out puts its own back
        throw;
    }
    return focus;
}

}  // namespace

HeadInfo HeadCache::find(const Node* h) {
    LeafKey key(h);
    HeadInfo info;
    u8 c = leaf_bytes(h)[0];
    if (c >= 'a' && c <= 'z') {  // every builtin name starts with a lowercase letter
        BuiltinTable& builtins = builtin_registry();
        auto it = builtins.find(key.text());
        if (it != builtins.end()) {
            info.builtin = &it->second;
            info.integer_operator = it->second.arity == 2 && is_integer_operator(it->second.fn);
        }
    }
    info.definition = definitions_instance().find(key.text());
    return info;
}

const HeadInfo& HeadCache::lookup(const Node* h) {
    const char* text = reinterpret_cast<const char*>(leaf_bytes(h));
    if (text[0] != 0 && text[1] == 0) {
        u8 c = u8(text[0]);
        if (!byte_known_[c]) {
            by_byte_[c] = find(h);
            byte_known_[c] = true;
        }
        return by_byte_[c];
    }
    // The address mixed by a multiplication, so that leaves laid out at a
    // fixed stride do not keep landing on one slot.
    Slot& slot = slots_[(u64(reinterpret_cast<uintptr_t>(h)) * 0x9E3779B97F4A7C15u) >> (64 - SIZE_BITS)];
    u64 word;
    std::memcpy(&word, text, sizeof word);
    if (slot.leaf == h && slot.word == word) {
        bool ends_in_word = ((word - 0x0101010101010101) & ~word & 0x8080808080808080) != 0;
        if (ends_in_word || std::strcmp(slot.text + 8, text + 8) == 0) return slot.info;
    }
    size_t length = std::strlen(text);
    if (length >= TEXT_MAX) {
        uncached_ = find(h);
        return uncached_;
    }
    slot.word = word;
    std::memcpy(slot.text, text, length + 1);
    slot.info = find(h);
    slot.leaf = h;
    return slot.info;
}

LeafKey::LeafKey(const Node* leaf)
    : block_{i64(std::strlen(reinterpret_cast<const char*>(leaf_bytes(leaf)))), const_cast<u8*>(leaf_bytes(leaf)), 1},
      key_(&block_) {}

NodeRef machine_evaluate(NodeRef term) {
    return machine_run(node_make_app(new_leaf("I"), std::move(term)));
}

MachineSession::MachineSession(MachineHook* hook) : context_(new MachineContext(hook)) {}

MachineSession::~MachineSession() { delete context_; }

NodeRef MachineSession::evaluate(NodeRef term, bool& aborted) {
    NativeFrames frames(new_leaf("I"));
    NodeRef value = machine_loop(*context_, frames, std::move(term));
    aborted = frames.aborted();
    return value;
}

NodeRef machine_run(NodeRef state) {
    MachineContext context;
    NodeRef cont = nullptr, focus = nullptr;
    state_split(std::move(state), cont, focus);
    if (node_is_leaf(cont.node)) {  // every run begins so: its frames go on a native stack
        NativeFrames frames(std::move(cont));
        return machine_loop(context, frames, std::move(focus));
    }
    TermFrames frames{std::move(cont)};
    return machine_loop(context, frames, std::move(focus));
}

NodeRef machine_step(NodeRef state) {
    MachineContext context;
    TermFrames frames{nullptr};
    NodeRef focus = nullptr;
    state_split(std::move(state), frames.cont, focus);
    step_parts(context, frames, focus);
    return node_make_app(std::move(frames.cont), std::move(focus));
}

NodeRef machine_contract(NodeRef state) {
    MachineContext context;
    TermFrames frames{nullptr};
    NodeRef focus = nullptr;
    state_split(std::move(state), frames.cont, focus);
    contract_parts(context, frames, focus);
    return node_make_app(std::move(frames.cont), std::move(focus));
}

bool machine_result_aborts(const Node* r) {
    if (node_is_leaf(r)) return false;
    const Node* x = pair_left(r);
    u8 c = lead_byte(x);
    return node_is_leaf(x) && (c == ')' || c == ']');
}
