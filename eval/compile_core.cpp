// The compiled evaluator's reading of terms by meaning: the prelude names it
// relies on, the core form of an application, closure shapes and which code
// is settled.
#include <cstdlib>
#include <cstring>

#include "binders.h"
#include "comparisons.h"
#include "compiled.h"
#include "stack.h"
#include "tables.h"
#include "tag.h"

// ---------------------------------------------------------------------------
// Reading terms
// ---------------------------------------------------------------------------

u8 core_lead_byte(const Node* n) { return node_is_leaf(n) ? leaf_bytes(n)[0] : 0; }

bool core_leaf_is(const Node* n, u8 c) {
    if (!node_is_leaf(n)) return false;
    const u8* bytes = leaf_bytes(n);
    return bytes[0] == c && bytes[1] == 0;
}

u8 core_letter(const Node* n) {
    if (!node_is_leaf(n)) return 0;
    u8 c = leaf_bytes(n)[0];
    return c >= 'a' && c <= 'z' && leaf_bytes(n)[1] == 0 ? c : 0;
}

bool core_lambda_parts(const Node* t, u8* letter, const Node** body) {
    if (node_binder_kind(t) != 'u') return false;
    *letter = core_letter(pair_right(pair_left(t)));
    *body = pair_right(t);
    return true;
}

bool core_let_parts(const Node* t, u8* x, const Node** e, const Node** c) {
    if (node_is_leaf(t) || node_binder_kind(t) != 'i') return false;
    *x = core_letter(pair_right(pair_left(pair_left(t))));
    *e = pair_right(pair_left(t));
    *c = pair_right(t);
    return *x != 0;
}

namespace {

const NodeRef* definition_of(const RtString& name) {
    DefsMap& defs = definitions_instance();
    auto it = defs.find(name);
    return it == defs.end() ? nullptr : &it->second;
}

const NodeRef* definition_named(const char* name) { return definition_of(string_from_cstr(name)); }

}  // namespace

const NodeRef* core_definition(const Node* leaf) {
    LeafKey key(leaf);
    return definition_of(key.text());
}

namespace {

const BuiltinEntry* builtin_named(const Node* leaf) {
    u8 c = core_lead_byte(leaf);
    if (c < 'a' || c > 'z') return nullptr;
    BuiltinTable& builtins = builtin_registry();
    LeafKey key(leaf);
    auto it = builtins.find(key.text());
    return it == builtins.end() ? nullptr : &it->second;
}

}  // namespace

bool core_lazy_leaf(const Node* n) { return tag_is_lazy_head_byte(core_lead_byte(n)) && leaf_bytes(n)[1] == 0; }

const NameMeaning& core_name_of(Run& run, const Node* n) {
    static const NameMeaning NOTHING;
    if (!node_is_leaf(n)) return NOTHING;
    auto [it, fresh] = run.names.try_emplace(n);
    NameMeaning& m = it->second;
    if (fresh) {
        m.leaf = noderef_wrap(const_cast<Node*>(n));
        m.builtin = core_builtin(n);
        m.definition = core_definition(n);
    }
    return m;
}

const BuiltinEntry* core_builtin(const Node* leaf) {
    if (!node_is_leaf(leaf)) return nullptr;
    if (const BuiltinEntry* b = builtin_named(leaf)) return b;
    u8 c = core_lead_byte(leaf);
    if (c >= 'a' && c <= 'z') return nullptr;
    const NodeRef* d = core_definition(leaf);
    if (d == nullptr || !node_is_leaf(d->node)) return nullptr;
    return builtin_named(d->node);
}

int core_binders(const Node* definition) {
    int k = 0;
    for (const Node* p = definition; node_binder_kind(p) == 'u'; p = pair_right(p)) ++k;
    return k;
}

// ---------------------------------------------------------------------------
// The prelude's meanings
// ---------------------------------------------------------------------------

namespace {

// \x\y\BODY with two different letters: the letters and the body.
bool two_binders(const Node* d, u8* x, u8* y, const Node** body) {
    const Node* inner = nullptr;
    return core_lambda_parts(d, x, &inner) && *x != 0 && core_lambda_parts(inner, y, body) && *y != 0 && *x != *y;
}

// \x\y\z\BODY with three different letters.
bool three_binders(const Node* d, u8* x, u8* y, u8* z, const Node** body) {
    const Node* inner = nullptr;
    return two_binders(d, x, y, &inner) && core_lambda_parts(inner, z, body) && *z != 0 && *z != *x && *z != *y;
}

// ((f a) b) with f, a and b as given (0 for a letter means: any leaf test
// by the callers).
bool applied_two(const Node* t, const Node** f, const Node** a, const Node** b) {
    if (node_is_leaf(t) || node_is_leaf(pair_left(t))) return false;
    *f = pair_left(pair_left(t));
    *a = pair_right(pair_left(t));
    *b = pair_right(t);
    return true;
}

bool named_is(const char* name, bool (*test)(const Node*)) {
    const NodeRef* d = definition_named(name);
    return d != nullptr && test(d->node);
}

bool is_identity(const Node* d) {
    u8 x = 0;
    const Node* body = nullptr;
    return core_lambda_parts(d, &x, &body) && x != 0 && core_letter(body) == x;
}

bool is_true(const Node* d) {  // \a\b\a
    u8 x = 0, y = 0;
    const Node* body = nullptr;
    return two_binders(d, &x, &y, &body) && core_letter(body) == x;
}

bool is_false(const Node* d) {  // \a\I
    u8 x = 0;
    const Node* body = nullptr;
    return core_lambda_parts(d, &x, &body) && x != 0 && core_leaf_is(body, 'I');
}

bool is_reversal(const Node* d) {  // \a\b\b a
    u8 x = 0, y = 0;
    const Node* body = nullptr;
    return two_binders(d, &x, &y, &body) && !node_is_leaf(body) && core_letter(pair_left(body)) == y &&
           core_letter(pair_right(body)) == x;
}

bool is_cell(const Node* d) {  // \a\b\c\V a b
    u8 x = 0, y = 0, z = 0;
    const Node *body = nullptr, *f = nullptr, *a = nullptr, *b = nullptr;
    return three_binders(d, &x, &y, &z, &body) && applied_two(body, &f, &a, &b) && core_leaf_is(f, 'V') &&
           core_letter(a) == x && core_letter(b) == y;
}

bool is_pair(const Node* d) {  // \a\b\c\c a b
    u8 x = 0, y = 0, z = 0;
    const Node *body = nullptr, *f = nullptr, *a = nullptr, *b = nullptr;
    return three_binders(d, &x, &y, &z, &body) && applied_two(body, &f, &a, &b) && core_letter(f) == z &&
           core_letter(a) == x && core_letter(b) == y;
}

bool is_composition(const Node* d) {  // \a\b\c\a (b c)
    u8 x = 0, y = 0, z = 0;
    const Node* body = nullptr;
    if (!three_binders(d, &x, &y, &z, &body) || node_is_leaf(body)) return false;
    const Node* arg = pair_right(body);
    return core_letter(pair_left(body)) == x && !node_is_leaf(arg) && core_letter(pair_left(arg)) == y &&
           core_letter(pair_right(arg)) == z;
}

// \a\Z: swallows its argument.
bool is_error(const Node* d) {
    u8 x = 0;
    const Node* body = nullptr;
    return core_lambda_parts(d, &x, &body) && x != 0 && core_leaf_is(body, 'Z');
}

// \a\a K (K (K H)): K for the empty list K, H for a cell.
bool is_empty_test(const Node* d) {
    u8 x = 0;
    const Node *body = nullptr, *f = nullptr, *a = nullptr, *b = nullptr;
    if (!core_lambda_parts(d, &x, &body) || x == 0 || !applied_two(body, &f, &a, &b)) return false;
    return core_letter(f) == x && core_leaf_is(a, 'K') && !node_is_leaf(b) && core_leaf_is(pair_left(b), 'K') &&
           !node_is_leaf(pair_right(b)) && core_leaf_is(pair_left(pair_right(b)), 'K') &&
           core_leaf_is(pair_right(pair_right(b)), 'H');
}

}  // namespace

PreludeMeanings core_read_prelude() {
    PreludeMeanings m;
    m.frames = named_is("T", is_reversal);
    m.truth = named_is("K", is_true) && named_is("H", is_false) && named_is("I", is_identity);
    m.lists = m.truth && named_is("J", is_cell) && named_is("V", is_pair);
    m.wrapper = m.truth && named_is("B", is_composition);
    m.empty = m.lists && named_is("L", is_empty_test);
    m.error = named_is("Z", is_error);
    if (m.truth) m.false_body = pair_right(definition_named("H")->node);
    if (m.error) m.error_body = pair_right(definition_named("Z")->node);
    return m;
}

// ---------------------------------------------------------------------------
// The core form
// ---------------------------------------------------------------------------

bool core_spine_parts(Node* t, Node** head, Node** args, int* n) {
    Node* reversed[MAX_ARGS];
    int k = 0;
    Node* h = t;
    while (!node_is_leaf(h) && node_tag(h) != TAG_DATA) {
        if (k == MAX_ARGS) return false;
        reversed[k++] = pair_right(h);
        h = pair_left(h);
    }
    for (int i = 0; i < k; ++i) args[i] = reversed[k - 1 - i];
    *head = h;
    *n = k;
    return true;
}

namespace {

// The spine of t into out (head and arguments, a1 first), the n_after
// arguments at after appended behind its own (after may be out's own
// arguments): false past MAX_ARGS.
bool collect_spine(Node* t, Spine* out, Node* const* after, int n_after) {
    Node* rest[MAX_ARGS];
    for (int i = 0; i < n_after && i < MAX_ARGS; ++i) rest[i] = after[i];
    int n = 0;
    if (!core_spine_parts(t, &out->head, out->args, &n) || n + n_after > MAX_ARGS) return false;
    for (int i = 0; i < n_after; ++i) out->args[n + i] = rest[i];
    out->n = n + n_after;
    return true;
}

// Whether any binder stands anywhere in t.
bool holds_binder(const Node* t) {
    std::vector<const Node*> pending{t};
    while (!pending.empty()) {
        const Node* n = pending.back();
        pending.pop_back();
        if (node_is_leaf(n) || node_tag(n) == TAG_DATA) continue;
        if (node_binder_kind(n) != 'o') return true;
        pending.push_back(pair_left(n));
        pending.push_back(pair_right(n));
    }
    return false;
}

// A constant name whose stored term is a closed value the machine would
// unfold unchanged: that term; else null.
Node* constant_value(const Node* head) {
    if (core_letter(head) != 0 || builtin_named(head) != nullptr) return nullptr;
    if (node_tagged_arity(const_cast<Node*>(head)) != 0) return nullptr;
    const NodeRef* d = core_definition(head);
    if (d == nullptr) return nullptr;
    Node* v = d->node;
    if (core_lead_byte(v) == ')' || node_binder_kind(v) == 'u') return nullptr;  // pending, or a function
    node_compute_tag(v);
    if (!node_is_value(v) || node_free_mask(v) != 0) return nullptr;
    return v;
}

}  // namespace

int core_lazy_definition(const Node* head, u8* letters, const Node** body) {
    if (!core_lazy_leaf(head)) return 0;
    const NodeRef* d = core_definition(head);
    if (d == nullptr) return 0;
    int k = 0;
    uint32_t bound = 0;
    const Node* b = d->node;
    while (node_binder_kind(b) == 'u') {
        if (k == MAX_ARGS) return 0;
        u8 x = core_letter(pair_right(pair_left(b)));
        if (x == 0) return 0;
        letters[k++] = x;
        bound |= uint32_t(1) << (x - 'a');
        b = pair_right(b);
    }
    node_compute_tag(const_cast<Node*>(b));
    if (k == 0 || (node_free_mask(b) & ~u64(bound)) != 0 || holds_binder(b)) return 0;
    *body = b;
    return k;
}

bool core_spine(Run& run, const Node* t, Spine* out, bool list_tests) {
    if (!collect_spine(const_cast<Node*>(t), out, nullptr, 0)) return false;
    for (int rewrites = 0; rewrites < 256; ++rewrites) {
        Node* h = out->head;
        if (!node_is_leaf(h) || core_letter(h) != 0) return true;
        // A constant alone stays: its value is the node its entry holds.
        if (Node* v = out->n > 0 ? constant_value(h) : nullptr) {
            Spine unfolded;
            if (!collect_spine(v, &unfolded, out->args, out->n)) return true;
            *out = unfolded;
            continue;
        }
        u8 letters[MAX_ARGS];
        const Node* body = nullptr;
        int k = core_lazy_definition(h, letters, &body);
        // An empty-list test L l z e stays whole: the compiler reads it as
        // one test.
        if (k == 0 || out->n < k || (list_tests && core_leaf_is(h, 'L') && out->n >= 3 && run.prelude.empty))
            return true;
        NodeRef contracted = instantiate(noderef_wrap(const_cast<Node*>(body)), letters, out->args, k, run.scratch);
        run.terms.push_back(contracted);
        Spine next;
        if (!collect_spine(contracted.node, &next, out->args + k, out->n - k)) return true;
        *out = next;
    }
    return true;
}

Node* core_apply(Run& run, Node* head, Node* const* args, int n) {
    NodeRef t = noderef_wrap(head);
    for (int i = 0; i < n; ++i) t = node_make_tagged_app(std::move(t), noderef_wrap(args[i]));
    run.terms.push_back(t);
    return t.node;
}

void truth_arms(Run& run, const Spine& s, int k, const Node** first, const Node** second) {
    *first = core_apply(run, s.args[k], s.args + k + 2, s.n - k - 2);
    *second = core_apply(run, s.args[k + 1], s.args + k + 2, s.n - k - 2);
}

Node* core_letter_leaf(Run& run, u8 c) {
    char text[2] = {char(c), 0};
    NodeRef leaf = noderef_from_cstr(text);
    node_compute_tag(leaf.node);
    run.terms.push_back(leaf);
    return leaf.node;
}

u8 core_free_letter(uint32_t mask) {
    for (int i = 0; i < 26; ++i)
        if (!(mask & (uint32_t(1) << i))) return u8('a' + i);
    return 0;
}

// ---------------------------------------------------------------------------
// Closure shapes
// ---------------------------------------------------------------------------
//
// A lambda value is its term: the machine substitutes values for the letters
// it captured. Code for it is made once per skeleton, the term with every
// closed value in it (captured or written) made a hole that the code reads
// from the closure when it is called; names stay, read by their text. So the
// run keeps no closure alive to find its code again, and closures that
// differ only in what they captured share one piece of code.

namespace {

// Leaves whose text is data (numbers, texts, reals, byte strings, vectors):
// holes, not part of a skeleton.
bool is_data_leaf(const Node* n) {
    u8 c = leaf_bytes(n)[0];
    return (c >= '0' && c <= '9') || c == '[' || c == '(' || c == ' ' || c == 0x0A || c == 0;
}

// The parts of a binder before its body, (\ x), ({ x) and (({ x) e): values
// that are syntax, not data, and stay in a skeleton.
bool binder_part(const Node* n) {
    const Node* l = pair_left(n);
    if (node_is_leaf(l)) return core_leaf_is(l, '\\') || core_leaf_is(l, '{');
    return core_leaf_is(pair_left(l), '{');
}

u64 mix(u64 h, u64 v) { return (h ^ v) * 0x100000001B3u; }

u64 text_hash(const Node* leaf) {
    u64 h = 0xCBF29CE484222325u;
    for (const u8* p = leaf_bytes(leaf); *p != 0; ++p) h = mix(h, *p);
    return h;
}

// The tokens of lambda v in preorder and its holes; the lambdas of its
// leading chain are walked, never holes. Returns the hash of the tokens.
u64 skeleton_tokens(Node* v, std::vector<ShapeToken>& tokens, std::vector<Node*>& holes, int* chain,
                    std::vector<std::pair<Node*, int>>& pending) {
    tokens.clear();
    holes.clear();
    *chain = 0;
    const Node* c = v;
    while (node_binder_kind(c) == 'u') {
        ++*chain;
        c = pair_right(c);
    }
    u64 h = 0xCBF29CE484222325u;
    pending.clear();
    pending.push_back({v, 0});  // node, depth in the chain
    while (!pending.empty()) {
        auto [n, depth] = pending.back();
        pending.pop_back();
        node_compute_tag(n);
        bool in_chain = depth >= 0 && depth < *chain;
        if (!in_chain && node_free_mask(n) == 0 && node_is_value(n) && (node_is_leaf(n) ? is_data_leaf(n) : !binder_part(n))) {
            tokens.push_back({ShapeToken::HOLE, nullptr});
            holes.push_back(n);
            h = mix(h, 3);
            continue;
        }
        if (node_is_leaf(n)) {
            tokens.push_back({ShapeToken::LEAF, n});
            h = mix(h, text_hash(n));
            continue;
        }
        tokens.push_back({ShapeToken::PAIR, nullptr});
        h = mix(h, 1);
        // A lambda's body continues the chain; nothing else does.
        pending.push_back({pair_right(n), in_chain ? depth + 1 : -1});
        pending.push_back({pair_left(n), -1});
    }
    return h;
}

bool same_tokens(const std::vector<ShapeToken>& a, const std::vector<ShapeToken>& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (a[i].kind != b[i].kind) return false;
        if (a[i].kind == ShapeToken::LEAF && a[i].leaf != b[i].leaf &&
            std::strcmp(reinterpret_cast<const char*>(leaf_bytes(a[i].leaf)),
                        reinterpret_cast<const char*>(leaf_bytes(b[i].leaf))) != 0)
            return false;
    }
    return true;
}

// The letters that stand anywhere in the tokens.
uint32_t token_letters(const std::vector<ShapeToken>& tokens) {
    uint32_t used = 0;
    for (const ShapeToken& t : tokens)
        if (t.kind == ShapeToken::LEAF)
            if (u8 x = core_letter(t.leaf)) used |= uint32_t(1) << (x - 'a');
    return used;
}

// v rebuilt with each hole, in preorder, replaced by the leaf of its letter.
NodeRef skeleton_of(const std::vector<ShapeToken>& tokens, const std::vector<Node*>& letters) {
    // Rebuilt from the tokens in reverse: each pair takes the two terms
    // built last.
    std::vector<NodeRef> built;
    size_t hole = letters.size();
    for (size_t i = tokens.size(); i-- > 0;) {
        const ShapeToken& t = tokens[i];
        if (t.kind == ShapeToken::HOLE) {
            built.push_back(noderef_wrap(letters[--hole]));
        } else if (t.kind == ShapeToken::LEAF) {
            built.push_back(noderef_wrap(const_cast<Node*>(t.leaf)));
        } else {
            NodeRef left = std::move(built.back());
            built.pop_back();
            NodeRef right = std::move(built.back());
            built.pop_back();
            built.push_back(node_make_tagged_app(std::move(left), std::move(right)));
        }
    }
    VORN_ASSERT(built.size() == 1);
    return std::move(built.back());
}

// A new shape entry for the tokens of v: its skeleton and function, or no
// function when its holes and letters do not fit in a..z.
ShapeEntry make_shape(Run& run, const std::vector<ShapeToken>& tokens, size_t holes, int chain) {
    ShapeEntry entry;
    uint32_t used = token_letters(tokens);
    std::vector<Node*> hole_leaves;
    std::vector<u8> hole_letters;
    for (size_t i = 0; i < holes; ++i) {
        u8 x = core_free_letter(used);
        if (x == 0) return entry;
        used |= uint32_t(1) << (x - 'a');
        hole_letters.push_back(x);
        hole_leaves.push_back(core_letter_leaf(run, x));
    }
    entry.skeleton = skeleton_of(tokens, hole_leaves);
    // The skeleton holds every leaf the tokens name.
    entry.tokens = tokens;
    Function f;
    f.kind = FunctionKind::SHAPE;
    f.term = entry.skeleton.node;
    f.chain = chain;
    f.param_letters = hole_letters;
    const Node* b = entry.skeleton.node;
    for (int i = 0; i < chain; ++i, b = pair_right(b)) f.param_letters.push_back(core_letter(pair_right(pair_left(b))));
    f.arity = int(f.param_letters.size());
    run.functions.push_back(std::move(f));
    entry.function = &run.functions.back();
    return entry;
}

}  // namespace

Function* shape_of(Run& run, Node* v, std::vector<Node*>* holes) {
    int chain = 0;
    u64 h = skeleton_tokens(v, run.token_scratch, *holes, &chain, run.walk_scratch);
    std::vector<ShapeEntry>& bucket = run.shapes[h];
    for (ShapeEntry& e : bucket)
        if (same_tokens(e.tokens, run.token_scratch)) return e.function;
    // A lambda whose binders are no letters is not compiled.
    for (const Node* b = v; node_binder_kind(b) == 'u'; b = pair_right(b))
        if (core_letter(pair_right(pair_left(b))) == 0) return nullptr;
    bucket.push_back(make_shape(run, run.token_scratch, holes->size(), chain));
    return bucket.back().function;
}

Function& shape_of_site(Run& run, Node* lambda) {
    auto it = run.sites_by_lambda.find(lambda);
    if (it != run.sites_by_lambda.end()) return *it->second;
    Function f;
    f.kind = FunctionKind::SHAPE;
    f.term = lambda;
    uint32_t free = uint32_t(node_free_mask(lambda));
    for (int i = 0; i < 26; ++i)
        if (free & (uint32_t(1) << i)) f.param_letters.push_back(u8('a' + i));
    for (const Node* b = lambda; node_binder_kind(b) == 'u'; b = pair_right(b)) {
        f.param_letters.push_back(core_letter(pair_right(pair_left(b))));
        ++f.chain;
    }
    f.arity = int(f.param_letters.size());
    run.functions.push_back(std::move(f));
    Function* site = &run.functions.back();
    run.sites_by_lambda.emplace(lambda, site);
    return *site;
}

Function& shape_inner_site(Run& run, Function& site, int k) {
    for (auto& entry : site.inner_sites)
        if (entry.first == k) return *entry.second;
    Node* inner = site.term;
    for (int i = 0; i < k; ++i) inner = pair_right(inner);
    Function& f = shape_of_site(run, inner);
    site.inner_sites.emplace_back(k, &f);
    return f;
}

Closure* shape_static_closure(Run& run, Node* lambda) {
    auto it = run.static_closures.find(lambda);
    if (it != run.static_closures.end()) return it->second;
    Closure* c = closure_new(&shape_of_site(run, lambda), 0);
    node_retain(lambda);
    c->term = lambda;
    run.static_closures.emplace(lambda, c);
    return c;
}

Run::~Run() {
    for (auto& entry : static_closures) value_release(value_of_closure(entry.second));
}

Closure* closure_new(Function* site, uint32_t count) {
    size_t size = sizeof(Closure) + sizeof(Value) * (count > 0 ? count - 1 : 0);
    Closure* c = static_cast<Closure*>(node_heap_block(size));
    c->refs = 1;
    c->site = site;
    c->head = nullptr;
    c->term = nullptr;
    c->count = count;
    return c;
}

Closure* closure_new_partial(Node* head, uint32_t count) {
    Closure* c = closure_new(nullptr, count);
    c->head = head;
    return c;
}

void closure_release_last(Closure* c) {
    // The closures whose last reference went, linked through their counts
    // (no longer needed as counts).
    c->refs = 0;
    Closure* dying = c;
    while (dying != nullptr) {
        Closure* d = dying;
        dying = reinterpret_cast<Closure*>(d->refs);
        for (uint32_t i = 0; i < d->count; ++i) {
            Value v = d->values[i];
            if (Closure* inner = value_closure(v)) {
                if (--inner->refs == 0) {
                    inner->refs = reinterpret_cast<u64>(dying);
                    dying = inner;
                }
            } else {
                value_release(v);
            }
        }
        node_release(d->term);
        std::free(d);
    }
}

// ---------------------------------------------------------------------------
// Settled code
// ---------------------------------------------------------------------------
//
// Under function frames the machine gives a lazy head that is short of
// arguments the ones the frames hold, unevaluated; code evaluates them
// first. Code is settled when no such head can be its value's last step: its
// value is then what the machine's value is, applied to what the frames
// hold. What this cannot see through counts as unsettled.

namespace {

bool settled_term(Run& run, const Node* t, int depth);
bool truth_term(Run& run, const Node* t, int depth);

bool syntactic_value(const Node* t) {
    if (core_letter(t) != 0) return true;
    node_compute_tag(const_cast<Node*>(t));
    return node_free_mask(t) == 0 && node_is_value(const_cast<Node*>(t));
}

bool is_comparison_builtin(const BuiltinEntry* b) {
    return b != nullptr && b->arity == 2 &&
           (b->fn == builtin_less || b->fn == builtin_gteq || b->fn == builtin_same || b->fn == builtin_diff);
}

// The body of a function after its leading binders.
const Node* function_body(const Function& f) {
    const Node* body = f.term;
    int k = f.kind == FunctionKind::GLOBAL ? f.arity : f.kind == FunctionKind::SHAPE ? f.chain : 0;
    for (int i = 0; i < k; ++i) body = pair_right(body);
    return body;
}

// The head of s, a global function's leaf, with its function; else null.
Function* global_head(Run& run, const Spine& s) {
    if (core_lazy_leaf(s.head)) return nullptr;
    return compile_global_of_leaf(run, s.head);
}

// Whether the head of s gives a truth on its first k arguments, and so
// chooses between the next two.
bool chooses(Run& run, const Spine& s, int* k) {
    if (!run.prelude.truth || !node_is_leaf(s.head)) return false;
    if (const BuiltinEntry* b = core_name_of(run, s.head).builtin) {
        *k = 2;
        return is_comparison_builtin(b) && s.n >= 4;
    }
    Function* g = global_head(run, s);
    if (g == nullptr || s.n < g->arity + 2) return false;
    *k = g->arity;
    return core_truthy(run, *g);
}

bool settled_spine(Run& run, const Spine& s, int depth) {
    Node* h = s.head;
    int n = s.n;
    if (n == 0) return settled_term(run, h, depth);
    u8 x = 0;
    const Node* body = nullptr;
    if (core_lambda_parts(h, &x, &body)) {
        // The body with the rest applied to it.
        if (n == 1) return settled_term(run, body, depth);
        return false;
    }
    if (!node_is_leaf(h) || core_letter(h) != 0) return false;
    int k = 0;
    if (chooses(run, s, &k)) {
        if (Function* g = global_head(run, s); g != nullptr && !core_settled(run, *g)) return false;
        const Node *first = nullptr, *second = nullptr;
        truth_arms(run, s, k, &first, &second);
        return settled_term(run, first, depth) && settled_term(run, second, depth);
    }
    if (const BuiltinEntry* b = core_name_of(run, h).builtin) return n <= int(b->arity);
    i64 arity = node_tagged_arity(h);
    if (core_lazy_leaf(h)) {
        if (n >= arity) return false;
        for (int i = 0; i < n; ++i)
            if (!syntactic_value(s.args[i])) return false;
        return true;
    }
    Function* g = global_head(run, s);
    if (g == nullptr) return false;
    if (n < g->arity) return true;
    if (n > g->arity) return false;
    return core_settled(run, *g);
}

bool settled_term(Run& run, const Node* t, int depth) {
    if (depth > 200) return false;
    if (syntactic_value(t)) return true;
    if (node_binder_kind(t) == 'u') return true;
    u8 x = 0;
    const Node *e = nullptr, *c = nullptr;
    if (core_let_parts(t, &x, &e, &c)) return settled_term(run, c, depth + 1);
    Spine s;
    if (!core_spine(run, t, &s)) return false;
    return settled_spine(run, s, depth + 1);
}

bool truth_term(Run& run, const Node* t, int depth) {
    if (depth > 200 || !run.prelude.truth) return false;
    node_compute_tag(const_cast<Node*>(t));
    if (core_leaf_is(t, 'K') || core_leaf_is(t, 'H')) return true;
    u8 x = 0;
    const Node *e = nullptr, *c = nullptr;
    if (core_let_parts(t, &x, &e, &c)) return truth_term(run, c, depth + 1);
    Spine s;
    if (!core_spine(run, t, &s) || s.n == 0) return false;
    int k = 0;
    if (chooses(run, s, &k)) {
        if (s.n == k) return true;
        const Node *first = nullptr, *second = nullptr;
        truth_arms(run, s, k, &first, &second);
        return truth_term(run, first, depth + 1) && truth_term(run, second, depth + 1);
    }
    if (const BuiltinEntry* b = core_name_of(run, s.head).builtin) return is_comparison_builtin(b) && s.n == 2;
    Function* g = global_head(run, s);
    return g != nullptr && s.n == g->arity && core_truthy(run, *g);
}

constexpr size_t FIXED_POINT_STACK_RESERVE = size_t(256) << 10;

// A fixed point over the functions' bodies, taken from above: a function
// met again while its own answer is being found counts as having the
// property. Answers found under that assumption hold only if the first
// question's answer is yes; otherwise they are found again later. Each
// function read is a level of C stack (a chain of functions calling the
// next is as deep as it is long): where less than FIXED_POINT_STACK_RESERVE
// is left the answer is no, which only costs speed.
template <bool Function::*known, bool Function::*busy, bool Function::*value>
bool fixed_point(Run& run, Function& f, bool (*test)(Run&, const Node*, int), std::vector<Function*>& assumed) {
    if (f.*known) return f.*value;
    if (f.*busy) return true;
    if (stack_room() < FIXED_POINT_STACK_RESERVE) return false;
    bool outermost = assumed.empty();
    assumed.push_back(&f);
    f.*busy = true;
    bool v = (f.kind == FunctionKind::GLOBAL || f.kind == FunctionKind::SHAPE) && test(run, function_body(f), 0);
    f.*busy = false;
    f.*value = v;
    f.*known = true;
    if (outermost) {
        if (!v)
            for (Function* g : assumed)
                if (g->*value) g->*known = false;
        assumed.clear();
    }
    return v;
}

}  // namespace

bool core_settled_term(Run& run, const Node* t) { return settled_term(run, t, 0); }

bool core_settled(Run& run, Function& f) {
    return fixed_point<&Function::settled_known, &Function::settled_busy, &Function::settled>(
        run, f, settled_term, run.settled_assumed);
}

bool core_truthy(Run& run, Function& f) {
    return fixed_point<&Function::truthy_known, &Function::truthy_busy, &Function::truthy>(
        run, f, truth_term, run.truthy_assumed);
}
