// The compiled evaluator's shared parts: its values, its code, the functions
// a run compiles and the run itself. compile_core.cpp reads terms by their
// meaning (the core form, closure shapes, settledness), compile.cpp turns
// them into code and compile_exec.cpp runs that code.
//
// Terms are read as the term machine would reduce them, in its order:
// function part first; a lazy head takes its arguments unevaluated; any
// other head has its arguments evaluated left to right. Code exists only for
// places where no function frame of the machine could hand an argument to a
// lazy head (a strict place): a builtin's or function's argument, a let's
// value, an operand, the value of a function called with exactly its
// arguments. Whatever code cannot do exactly as the machine would, it hands
// to the machine as the term the machine would hold there.
#pragma once

#include <deque>
#include <unordered_map>
#include <vector>

#include "globals.h"
#include "machine.h"
#include "node.h"
#include "registry.h"

// ---------------------------------------------------------------------------
// Values
// ---------------------------------------------------------------------------

struct Closure;
struct Function;

// A value in one word: a small integer n held unboxed as 2n + 1, a closure
// made by code (its address + 2), or one reference to a node (whose
// address has its low bits clear). Small means what the arithmetic
// builtins take their short way on: at most 18 decimal digits, well inside
// 62 bits.
struct Value {
    u64 bits;
};

inline constexpr i64 SMALL_LIMIT = 999999999999999999;

inline Value value_small(i64 n) { return Value{(u64(n) << 1) | 1}; }
inline Value value_of_node(Node* n) { return Value{reinterpret_cast<u64>(n)}; }
inline Value value_of_closure(Closure* c) { return Value{reinterpret_cast<u64>(c) | 2}; }
// The node of a value, or null for a small integer or a closure.
inline Node* value_node(Value v) { return (v.bits & 3) ? nullptr : reinterpret_cast<Node*>(v.bits); }
// The closure of a value, or null.
inline Closure* value_closure(Value v) {
    return (v.bits & 3) == 2 ? reinterpret_cast<Closure*>(v.bits & ~u64(3)) : nullptr;
}
inline i64 value_number(Value v) { return i64(v.bits) >> 1; }
inline bool fits_small(i64 v) { return v >= -SMALL_LIMIT && v <= SMALL_LIMIT; }

// A local not yet set, or moved out: an odd word no small integer makes, so
// releasing it does nothing and a read of it can be caught.
inline constexpr Value UNSET_LOCAL{(u64(1) << 62) | 1};

// A function value made by code, kept as a record until something needs
// its term: a closure, the lambda at one place of the program text (its
// site) with the values of the letters it names there, standing for the
// lambda the machine's instantiation would make; or a partial application,
// a global function or builtin's name with the values it was given so far.
// The term is made once, when needed; calls run code on the values
// without it.
struct Closure {
    u64 refs;
    Function* site;   // closure: its term is the lambda; its first count parameters, the letters
    Node* head;       // partial application: the name's leaf (borrowed from code); else null
    Node* term;       // the term once made (one reference), else null
    uint32_t count;
    Value values[1];  // count values: the site's letters' (in order), or the arguments given
};

Closure* closure_new(Function* site, uint32_t count);
// A partial application of the name's leaf head to count values.
Closure* closure_new_partial(Node* head, uint32_t count);
// Drops a closure whose last reference went: its values and term, without
// recursion however deep closures nest in closures.
void closure_release_last(Closure* c);

[[gnu::always_inline]] inline void value_release(Value v) {
    if ((v.bits & 3) == 0) {
        node_release(reinterpret_cast<Node*>(v.bits));
    } else if ((v.bits & 3) == 2) {
        Closure* c = reinterpret_cast<Closure*>(v.bits & ~u64(3));
        if (--c->refs == 0) closure_release_last(c);
    }
}
[[gnu::always_inline]] inline Value value_copy(Value v) {
    if ((v.bits & 3) == 0) node_retain(reinterpret_cast<Node*>(v.bits));
    else if ((v.bits & 3) == 2) ++reinterpret_cast<Closure*>(v.bits & ~u64(3))->refs;
    return v;
}
// Takes over the handle's reference.
inline Value value_from_node(NodeRef r) {
    Node* n = r.node;
    r.node = nullptr;
    return value_of_node(n);
}

// ---------------------------------------------------------------------------
// Code
// ---------------------------------------------------------------------------

// The integer operations the code does itself on small integers; anything
// else goes to the builtin.
// The comparisons come last (is_comparison); BUCK, the sign test, reads x
// only (its y is the number 0).
enum class Arith : u8 { PLUS, DASH, MULT, OVER, CENT, LESS, GTEQ, SAME, DIFF, BUCK };

inline bool is_comparison(Arith kind) { return kind >= Arith::LESS; }

enum class Op : u8 {
    LOCAL,       // push local a
    MOVE,        // push local a, which is left unset (its reference goes with it)
    DROP,        // release local a
    CONST_INT,   // push the small integer imm
    CONST_NODE,  // push node (borrowed from a term the run keeps)
    STORE,       // pop into local a
    ARITH,       // pop b, a; push (kind a b)
    ARITH_LN,    // ARITH of a local (read or moved) and a small integer of the code
    BRANCH,      // compare (kind) x, y: K goes on, H jumps to b; anything else, applied to the arms
                 // (template c), goes to the machine, and its value on at imm
    BRANCH_LN,   // BRANCH of a local (read or moved) and a small integer of the code
    JUMP,        // jump to b
    CALL,        // call function on the top c values; imm: the frame may fold its locals away
    TAIL_CALL,   // the same, reusing the frame
    APPLY,       // apply the top value to the c values below it, which it needs at most; imm as CALL
    TAIL_APPLY,  // the same, reusing the frame
    RETURN,      // the top value is the frame's value
    BUILTIN,     // pop c values; push the builtin node's call on them
    BUILD,       // pop c values; push the spine of node (of arity imm) applied to them
    GENERIC,     // push the machine's value of template a
    CONSTANT,    // push the value the constant's entry holds; else the value of template a
    CLOSURE,     // push a closure of site function over the locals of template a
    CONST_CLOSURE,  // push closure (a lambda of the program text naming no local)
    PARTIAL,     // pop c values; push the partial application of node (a function's name) to them
    DISPATCH,    // pop a head and apply it to the terms of dispatch site a, by what it is
    LISTCASE,    // local a: K goes on, a J cell sets locals x, y (unless NO_SLOT) and jumps to b;
                 // anything else goes on at imm, with the machine's value of template c (unless NO_SLOT);
                 // x.source MOVED: a is not read again, and an unshared cell hands its fields over (a left unset)
    UNPAIR,      // local a, a J cell (imm 1) or a V pair (imm 0): set locals x, y and jump to b
};

// Where an operand of ARITH or BRANCH comes from: the stack, a local (read
// or moved), or a small integer of the code.
enum class Source : u8 { STACK, LOCAL, MOVED, NUMBER };

// The locals of a LISTCASE that keeps the fields of the cell nowhere.
inline constexpr uint32_t NO_SLOT = ~uint32_t(0);

struct Operand {
    Source source = Source::STACK;
    uint32_t slot = 0;
    i64 number = 0;
};

struct Instr {
    Instr(Op op_, uint32_t a_ = 0, uint32_t b_ = 0, uint32_t c_ = 0) : op(op_), a(a_), b(b_), c(c_) {}
    Op op;
    Arith kind = Arith::PLUS;
    uint32_t a = 0;
    uint32_t b = 0;
    uint32_t c = 0;
    i64 imm = 0;
    Node* node = nullptr;  // borrowed
    const BuiltinEntry* builtin = nullptr;
    Function* function = nullptr;         // CALL and TAIL_CALL; CLOSURE: the site
    Closure* closure = nullptr;           // CONST_CLOSURE
    const NodeRef* definition = nullptr;  // CONSTANT: its entry in the definitions
    Operand x, y;                         // ARITH, BRANCH: operands; LISTCASE, UNPAIR: x.slot, y.slot the fields' locals
};

// A term handed to the term machine: rebuilt with the current values of the
// locals it names, as instantiation would have it.
struct Template {
    Node* term;  // borrowed from a term the run keeps
    std::vector<u8> letters;
    std::vector<uint32_t> slots;
};

struct Code {
    std::vector<Instr> instrs;
    uint32_t params = 0;
    uint32_t locals = 0;
};

// A local of the parent that a dispatch hands on to the blocks it calls:
// moved when nothing after the dispatch reads it.
struct PassedSlot {
    uint32_t slot;
    bool move;
};

// The paths of a dispatch that run as blocks of their own: a block is
// compiled when first taken, with the locals the site hands on as its first
// parameters and the values the path found (the head, a cell's fields, a
// partial application's arguments) after them.
enum class BlockPath : u8 {
    STRICT,    // the head needs every argument: each evaluated, then the call
    IDENTITY,  // I: the first argument applied to the rest
    CONSTANT,  // (K y): y applied to the arguments after the first
    CELL,      // a J cell: the second argument applied to its fields and the rest
    PAIR,      // a V pair: the first argument applied to its fields and the rest
    OVER,      // a settled head of arity count below the count: its call, the rest applied to its value
    INLINE,    // a function whose value the rest could change: its body in place
    LAZY,      // a lazy combinator partly applied: contracted with the arguments unevaluated
};

// Which block of a site: the path, a count (OVER: the head's arity; INLINE,
// LAZY: the arguments the head holds) and what the head is (INLINE: the
// function; LAZY: the combinator's byte).
struct BlockKey {
    BlockPath path;
    int count = 0;
    const void* what = nullptr;
    u8 byte = 0;
    bool operator==(const BlockKey& o) const {
        return path == o.path && count == o.count && what == o.what && byte == o.byte;
    }
};

inline constexpr int MAX_ARGS = 16;

// An application whose head is known only at run time: (head a1 ... an).
struct DispatchSite {
    uint32_t n = 0;
    bool tail = false;
    uint32_t head_slot = 0;  // the head while it is looked at
    uint32_t k_arm = NO_SLOT;  // with n >= 2, the inline code of a1 a3 ... an (head K)
    uint32_t h_arm = NO_SLOT;  // and of a2 a3 ... an (head H)
    uint32_t end = 0;          // where a value goes on (not in tail position)
    Node* args[MAX_ARGS] = {};  // borrowed from a term the run keeps
    u8 head_letter = 0;         // a letter free in no argument
    std::vector<PassedSlot> pass;
    std::vector<u8> pass_letters;  // the letters of pass, in order
    std::vector<uint32_t> drops;   // other locals that die at the site
    uint32_t whole = 0;  // template of (head_letter a1 ... an), for the machine
    // The inline code of the strict path (the arguments, then APPLY), when
    // it is cheap to have beside the arms.
    uint32_t strict_arm = NO_SLOT;
    int depth = 0;  // bodies placed inline on the way to the code of this site
    std::vector<std::pair<BlockKey, Function*>> blocks;
};

// What a function is compiled from.
enum class FunctionKind : u8 { GLOBAL, SHAPE, BLOCK, MAIN };

// One unit of code: a global function (compiled on its first call), a
// closure shape (the code of every lambda of one skeleton, or of one site of
// the program text, its letters standing for what the lambda captured), a
// block of a dispatch, or the main expression.
struct Function {
    FunctionKind kind = FunctionKind::GLOBAL;
    Node* term = nullptr;  // GLOBAL: the definition; SHAPE: the skeleton lambda; BLOCK, MAIN: the body
    Node* name = nullptr;  // GLOBAL: a leaf of its name (borrowed)
    int arity = 0;         // the values a call hands it
    // SHAPE: holes then binders; BLOCK: passed locals then the path's values.
    std::vector<u8> param_letters;
    int chain = 0;  // SHAPE: the lambda's directly nested binders
    // SHAPE of a site: the sites of the lambdas inside it after k binders,
    // for closures given k < chain arguments (made on first need).
    std::vector<std::pair<int, Function*>> inner_sites;
    DispatchSite* site = nullptr;
    BlockKey key{BlockPath::STRICT};
    int inline_depth = 0;  // bodies placed inline on the way to this code
    bool tried = false;
    bool compiled = false;
    // Whether the code gives what the machine gives for the body under
    // function frames: its value applied to what they hold. Only such code
    // may be called with arguments left over for its value.
    bool settled = false;
    bool settled_known = false;
    bool settled_busy = false;
    // Whether its value is always K or H (or the run ends): a choice on it
    // takes one of two arms.
    bool truthy = false;
    bool truthy_known = false;
    bool truthy_busy = false;
    Code code;
};

// The meaning of the prelude names the code relies on, read once per run.
struct PreludeMeanings {
    bool frames = false;  // T reverses an application
    bool truth = false;   // K and H choose, I is the identity
    bool lists = false;   // J makes a cell that V takes apart
    bool wrapper = false; // B composes: ((B I) v) applied is v applied
    bool empty = false;   // L tells the empty list K from a cell
    bool error = false;   // Z swallows its argument
    // What H and Z give: their bodies, the very leaves the machine's
    // contraction returns.
    Node* false_body = nullptr;
    Node* error_body = nullptr;
};

// One token of a closure's skeleton: a pair, a leaf (its text read from the
// node) or a hole (a closed value the code reads from the closure).
struct ShapeToken {
    enum Kind : u8 { PAIR, LEAF, HOLE } kind;
    const Node* leaf;
};

// What a name's leaf stands for in a run: found once per leaf, as compiling
// and the analyses ask about the same names over and over. The leaf is held,
// so that no other leaf takes its address while the run lasts.
struct NameMeaning {
    NodeRef leaf = nullptr;
    const BuiltinEntry* builtin = nullptr;  // core_builtin of the leaf
    const NodeRef* definition = nullptr;    // core_definition of the leaf
};

struct ShapeEntry {
    std::vector<ShapeToken> tokens;  // leaves borrowed from skeleton
    NodeRef skeleton;                // the lambda with its holes made letters
    Function* function = nullptr;    // null when the shape cannot be compiled
};

// Everything one compiled run keeps.
struct Run {
    std::deque<Function> functions;  // frames point into the code of each
    std::deque<DispatchSite> sites;
    std::unordered_map<const Node*, Function*> globals;  // by definition
    std::vector<Template> templates;
    PreludeMeanings prelude;
    InstanceScratch scratch;
    // Terms the compiler made (core forms, block bodies, skeletons): code
    // borrows from them.
    std::vector<NodeRef> terms;
    // Closure shapes by the hash of their tokens, and the closures of the
    // lambdas of the program text that name no local (one each, kept here).
    std::unordered_map<u64, std::vector<ShapeEntry>> shapes;
    std::unordered_map<const Node*, Closure*> static_closures;
    std::unordered_map<const Node*, Function*> sites_by_lambda;
    std::unordered_map<const Node*, NameMeaning> names;  // see core_name_of
    Run() = default;
    Run(const Run&) = delete;
    Run& operator=(const Run&) = delete;
    ~Run();
    std::vector<Function*> settled_assumed;  // see core_settled
    std::vector<Function*> truthy_assumed;
    std::vector<ShapeToken> token_scratch;
    std::vector<Node*> hole_scratch;
    std::vector<std::pair<Node*, int>> walk_scratch;
    NodeRef arith_leaves[10] = {nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr};
    const BuiltinEntry* arith_entries[10] = {};
};

// ---------------------------------------------------------------------------
// Reading terms (compile_core.cpp)
// ---------------------------------------------------------------------------

u8 core_lead_byte(const Node* n);
// Whether n is a one-byte leaf naming one of the prelude's lazy heads.
bool core_lazy_leaf(const Node* n);
// A leaf whose whole text is the one byte c.
bool core_leaf_is(const Node* n, u8 c);
// The letter of a leaf that is one letter a..z, else 0.
u8 core_letter(const Node* n);
// ((\ x) body): the binder's letter (0 when it is no single letter), body.
bool core_lambda_parts(const Node* t, u8* letter, const Node** body);
// ((({ x) e) c): x, e and c.
bool core_let_parts(const Node* t, u8* x, const Node** e, const Node** c);
const NodeRef* core_definition(const Node* leaf);
// The builtin a head leaf names, directly or as an operator bound to it.
const BuiltinEntry* core_builtin(const Node* leaf);
// core_builtin and core_definition of a leaf, looked up once in the run (a
// node that is no leaf stands for nothing).
const NameMeaning& core_name_of(Run& run, const Node* n);
// The number of leading binders of a definition.
int core_binders(const Node* definition);

PreludeMeanings core_read_prelude();

// A term's head and arguments after the machine's own rewrites that no
// program can tell from doing them later: a constant whose stored term is
// already a value unfolds (an operator bound to a builtin or to I), and a
// lazy combinator applied to all its arguments unfolds from its definition,
// its arguments unevaluated. New terms are kept in run.terms. Returns false
// when the spine holds more than MAX_ARGS arguments.
struct Spine {
    Node* head;
    Node* args[MAX_ARGS];
    int n;
};
// With list_tests, an empty-list test L l z e ... stays whole for the
// compiler to read as one test (while L has the prelude's meaning).
bool core_spine(Run& run, const Node* t, Spine* out, bool list_tests = true);

// The spine of t as it stands: its head and its arguments a1 ... an (at
// most MAX_ARGS), or false.
bool core_spine_parts(Node* t, Node** head, Node** args, int* n);

// A new term (head a1 ... an), kept in run.terms.
Node* core_apply(Run& run, Node* head, Node* const* args, int n);
// The two arms a truth chooses between, k = the arguments the head took:
// (a_k a_k+2 ...) and (a_k+1 a_k+2 ...).
void truth_arms(Run& run, const Spine& s, int k, const Node** first, const Node** second);
// A leaf of the one letter c (tagged), kept in run.terms.
Node* core_letter_leaf(Run& run, u8 c);
// The lowest letter not in mask, or 0.
u8 core_free_letter(uint32_t mask);

// The definition of a one-byte lazy head that the machine contracts with
// its arguments unevaluated, when its body can take them at compile time:
// no binder inside, no letter but its own. Its leading letters go to
// letters, its body to *body; 0 when it cannot.
int core_lazy_definition(const Node* head, u8* letters, const Node** body);

// The closure shape of the lambda value v: its function (compiled on first
// call) with the holes of v in *holes (borrowed); null when v has no shape
// the code can run.
Function* shape_of(Run& run, Node* v, std::vector<Node*>* holes);

// The site function of a lambda of the program text whose free letters are
// locals: its parameters are those letters (in the order of a..z), then its
// binders.
Function& shape_of_site(Run& run, Node* lambda);
// The closure of a lambda of the program text that names no local: its term
// is the lambda itself.
Closure* shape_static_closure(Run& run, Node* lambda);
// The site of the lambda inside site's lambda after k < chain binders.
Function& shape_inner_site(Run& run, Function& site, int k);

// Whether the function's code is settled (see Function::settled).
bool core_settled(Run& run, Function& f);
// Whether the function's value is always a truth (see Function::truthy).
bool core_truthy(Run& run, Function& f);
// Whether a term's value, taken where no function frame waits, is what the
// machine's is where they wait, applied to what they hold.
bool core_settled_term(Run& run, const Node* t);

// ---------------------------------------------------------------------------
// Compiling (compile.cpp) and running (compile_exec.cpp)
// ---------------------------------------------------------------------------

// Compiles f when first called; false when its body cannot be compiled.
bool compile_function(Run& run, Function& f);

// The function of a global definition, made on first meeting.
Function& compile_global(Run& run, Node* definition, Node* name);

// The block of a dispatch path, made on first taking it.
Function& compile_block(Run& run, DispatchSite& site, const BlockKey& key);

// The function of a global name's leaf (a function, not a builtin), or null.
Function* compile_global_of_leaf(Run& run, const Node* leaf);
