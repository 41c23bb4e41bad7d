// Term tags: iterative post-order tag computation and the tag queries.
#include "tag.h"

#include <cstring>

#include "names.h"
#include "tables.h"

static bool byte_is_digit(u8 c) { return c >= '0' && c <= '9'; }

static u8 leaf_first(const Node* n) { return leaf_bytes(n)[0]; }

static bool is_line_mark(const Node* n) { return node_is_leaf(n) && leaf_first(n) == '`'; }

static bool is_data(const Node* n) { return node_tag(n) == TAG_DATA; }

// A leaf whose first byte is c.
static bool is_leaf_starting(const Node* n, u8 c) { return node_is_leaf(n) && leaf_first(n) == c; }

// The arity as the tag reads it: 1 for data, else code - 52.
static i64 node_arity(const Node* n) {
    return is_data(n) ? 1 : i64(node_arity_code(n)) - ARITY_BIAS;
}

// The number of leading binders ((\ v) rest) of a definition's body, capped
// at ARITY_MAX.
static i64 count_leading_binders(const Node* body) {
    i64 n = 0;
    while (n < ARITY_MAX && !node_is_leaf(body) && !node_is_leaf(pair_left(body))) {
        const Node* binder = pair_left(pair_left(body));
        if (!node_is_leaf(binder) || std::strcmp(reinterpret_cast<const char*>(leaf_bytes(binder)), "\\") != 0)
            break;
        ++n;
        body = pair_right(body);
    }
    return n;
}

// The arity of the name found at entry, or a local variable's: a stored
// body's leading binders, and for a missing one-byte name 'a'..'z' arity 11
// with its letter's bit as aux. Other missing names are fatal assertions.
static void tag_name_leaf(Node* leaf, const DefsMap::iterator& found, i64 length) {
    if (found != definitions_instance().end()) {
        node_set_arity(leaf, count_leading_binders(found->second.node));
        node_set_redex_below(leaf, false);
        return;
    }
    u8 c = leaf_first(leaf);
    VORN_ASSERT(length == 1);
    VORN_ASSERT(c >= 'a' && c < 0x80);  // bytes 0x80 and up count as before 'a'
    VORN_ASSERT(c <= 'z');
    node_set_arity(leaf, ARITY_MAX);  // a local variable
    node_set_aux(leaf, u64(1) << (c - 'a'));
}

namespace {

// What a one-byte text is, kept by its byte: whether it is a valid name and
// where `definitions` holds it. New leaves of one-byte names (K and H from
// the comparisons, the operators in every instantiated body) are tagged all
// the time; this spares each a heap string and a search. An entry is good
// while no entry of `definitions` has been added or removed since it was
// filled (its stored term is read anew each time).
struct ByteNameEntry {
    u64 generation = ~u64(0);
    bool valid = false;
    DefsMap::iterator found;
};

ByteNameEntry byte_names[256];

const ByteNameEntry& byte_name_lookup(u8 c) {
    ByteNameEntry& entry = byte_names[c];
    u64 now = defs_shape_generation();
    if (entry.generation != now) {
        entry.valid = name_is_valid(string_from_char(c));
        if (entry.valid) entry.found = definitions_instance().find(string_from_char(c));
        entry.generation = now;
    }
    return entry;
}

}  // namespace

// Tags one leaf by its first byte; a line mark keeps tag 0.
static void tag_leaf(Node* leaf) {
    const u8* bytes = leaf_bytes(leaf);
    u8 c = bytes[0];
    switch (c) {
        case '`': return;
        case 0x0A:
        case ')': node_set_arity(leaf, 1); return;
        case ']': node_set_arity(leaf, 2); return;
        case '[': node_set_data_tag(leaf); return;  // aux keeps the text length
        case 0:
        case ' ':
        case '(': node_set_arity(leaf, 1); return;  // "", reals, byte strings, "()"
        default: break;
    }
    if (byte_is_digit(c)) {
        node_set_arity(leaf, 1);  // numbers
        return;
    }
    if (bytes[1] == 0) {
        const ByteNameEntry& entry = byte_name_lookup(c);
        if (!entry.valid) {
            node_set_arity(leaf, 1);
            return;
        }
        tag_name_leaf(leaf, entry.found, 1);
        return;
    }
    RtString text = leaf_node_text(leaf);
    if (!name_is_valid(text)) {
        node_set_arity(leaf, 1);  // numbers, reals, byte strings, "()", ""
        return;
    }
    i64 length = string_length(text);
    tag_name_leaf(leaf, definitions_instance().find(text), length);
}

namespace {

// Whether a leaf's aux field is its free-variable mask, by first byte: digit,
// '[', vector and line-mark leaves keep other counts there.
struct LeafAuxIsMask {
    bool has[256] = {};
    constexpr LeafAuxIsMask() {
        for (int c = 0; c < 256; ++c) has[c] = !((c >= '0' && c <= '9') || c == '[' || c == 0x0A || c == '`');
    }
};

constexpr LeafAuxIsMask leaf_aux_is_mask;

// The tag bits (56-62, shifted down) a pair takes from its children's tags,
// one table a side, indexed by the child's 7 tag bits. The left table holds
// the pair's arity code (the head's arity less one, but for a local
// variable's and the floor's, which stay; data counts as arity 1) and bit 6
// when the head has a redex below it; the right table holds bit 6 when the
// argument is not a value-shaped term (a redex below, or arity below 1).
// A left tag of 0 is a line mark, arity 1 (checked by the caller). Two data
// children are handled before the tables are read.
struct PairTagTables {
    u8 left[128] = {};
    u8 right[128] = {};
    constexpr PairTagTables() {
        for (unsigned tag = 0; tag < 128; ++tag) {
            bool data = tag == TAG_DATA;
            i64 a = 0;
            if (!data) {
                i64 la = tag == 0 ? 1 : i64(tag & 0x3F) - ARITY_BIAS;
                a = (la == ARITY_MAX || la <= ARITY_MIN) ? la : la - 1;
            }
            left[tag] = u8(u64(a + ARITY_BIAS) | (!data && tag > TAG_DATA ? TAG_DATA : 0));
            bool redex = !data && (tag > TAG_DATA || i64(tag & 0x3F) - ARITY_BIAS < 1);
            right[tag] = redex ? u8(TAG_DATA) : 0;
        }
    }
};

constexpr PairTagTables pair_tags;

}  // namespace

// node_free_mask of n, whose header word is h. The byte read is a pair's
// link for a pair, inside its block, and then not used.
[[gnu::always_inline]] static inline u64 free_mask_of(const Node* n, u64 h) {
    u64 aux = (h & AUX_MASK) >> AUX_SHIFT;
    bool mask = (h & LEAF_BIT) ? leaf_aux_is_mask.has[leaf_first(n)] : ((h >> TAG_SHIFT) & 0x7F) != TAG_DATA;
    return mask ? aux : 0;
}

// Whether the pair left (header lh) is (\ v), so that (left x) is a lambda.
[[gnu::always_inline]] static inline bool pair_is_binder(const Node* left, u64 lh) {
    return !(lh & LEAF_BIT) && is_leaf_starting(pair_left(left), '\\');
}

// The tag of a pair of two data children: data, and the sum of their
// lengths when both have one of at least 2 and the sum fits.
[[gnu::noinline]] static void tag_data_pair(Node* t, u64 lh, u64 rh) {
    u64 h = t->header | REDEX_BELOW_BIT;  // with arity code 0: TAG_DATA
    u64 la = (lh & AUX_MASK) >> AUX_SHIFT, ra = (rh & AUX_MASK) >> AUX_SHIFT;
    if (la >= 2 && ra >= 2 && la + ra < AUX_LIMIT) h = (h & ~AUX_MASK) | ((la + ra) << AUX_SHIFT);
    t->header = h;
}

// The tag of (left right) when the tables alone do not give it: a child
// has free variables, whose mask then depends on the binder shapes, or the
// left child is untagged. A tag of 0 on the left is a line mark's, arity 1,
// whose pair is a redex the prelude turns into Z; any other untagged leaf
// reads as the floor (code 0).
[[gnu::noinline]] static void tag_pair_with_masks(Node* t, const Node* left, u64 lh, u64 lm, u64 rm,
                                                  unsigned bits) {
    unsigned ltag = unsigned(lh >> TAG_SHIFT) & 0x7F;
    if (ltag == 0 && !is_line_mark(left)) bits &= TAG_DATA;
    u64 mask = lm | rm;
    if (!(lh & LEAF_BIT)) {
        const Node* ll = pair_left(left);
        if (is_leaf_starting(ll, '\\')) {
            // A lambda ((\ v) body) binds v in body and is a value whatever
            // the body holds.
            bits &= 0x3F;
            mask = rm & ~lm;
        } else if (is_leaf_starting(ll, '{')) {
            mask = rm;  // (({ X) list): X is not bound in list
        } else if (!node_is_leaf(ll) && is_leaf_starting(pair_left(ll), '{')) {
            const Node* bound = pair_right(ll);  // ((({ X) list) body)
            mask = (rm & ~free_mask_of(bound, bound->header)) | lm;
        }
    }
    t->header = (t->header & ~AUX_MASK) | (u64(bits) << TAG_SHIFT) | (mask << AUX_SHIFT);
}

// Every pair the machine builds comes through here: the tag is assembled in
// one word from the two children's header words and stored once, the tag
// bits by two table reads. t's tag bits are 0 on entry.
void node_tag_pair(Node* t) {
    const Node* left = pair_left(t);
    const Node* right = pair_right(t);
    u64 lh = left->header, rh = right->header;
    unsigned ltag = unsigned(lh >> TAG_SHIFT) & 0x7F;
    unsigned rtag = unsigned(rh >> TAG_SHIFT) & 0x7F;
    if (((ltag ^ TAG_DATA) | (rtag ^ TAG_DATA)) == 0) return tag_data_pair(t, lh, rh);
    unsigned bits = unsigned(pair_tags.left[ltag]) | pair_tags.right[rtag];
    u64 lm = free_mask_of(left, lh), rm = free_mask_of(right, rh);
    if ((lm | rm) != 0 || ltag == 0) [[unlikely]] return tag_pair_with_masks(t, left, lh, lm, rm, bits);
    // Closed children, the usual case: every binder shape gives mask 0, and
    // only a lambda changes the tag.
    if ((bits & TAG_DATA) && pair_is_binder(left, lh)) bits &= 0x3F;
    t->header = (t->header & ~AUX_MASK) | (u64(bits) << TAG_SHIFT);
}

// An untagged pair needs a visit; untagged leaves are tagged on the spot.
static bool pair_needs_tag(Node* n) { return !node_is_leaf(n) && node_tag(n) == 0; }

// The pairs waiting for their children while a term is tagged.
static WorkStack<Node*> tag_waiting;

void node_compute_tag_untagged(Node* n) {
    if (node_is_leaf(n)) {
        tag_leaf(n);
        return;
    }
    // Post-order, left before right; a pair waits on the stack while one of
    // its children is being tagged, and is looked at again afterwards. The
    // stack is kept from one call to the next (it is empty between them:
    // tagging never calls back into itself).
    WorkStack<Node*>& waiting = tag_waiting;
    for (;;) {
        Node* left = pair_left(n);
        Node* right = pair_right(n);
        VORN_ASSERT(left != nullptr && right != nullptr);
        if (node_is_leaf(left) && node_tag(left) == 0) tag_leaf(left);
        if (pair_needs_tag(left)) {
            waiting.push(n);
            n = left;
            continue;
        }
        if (node_is_leaf(right) && node_tag(right) == 0) tag_leaf(right);
        if (pair_needs_tag(right)) {
            waiting.push(n);
            n = right;
            continue;
        }
        node_tag_pair(n);
        if (waiting.empty()) return;
        n = waiting.pop();
    }
}

i64 node_tagged_arity(Node* n) {
    node_compute_tag(n);
    return node_arity(n);
}

bool node_is_value(Node* n) {
    node_compute_tag(n);
    if (is_data(n)) return true;
    if (node_has_redex_below(n)) return false;
    return node_arity(n) >= 1;
}

namespace {

// LAZY_HEAD_CHARS as a table by byte, so that the test is one load.
struct LazyHeadBytes {
    bool has[256] = {};
    constexpr LazyHeadBytes() {
        for (const char* p = LAZY_HEAD_CHARS; *p != 0; ++p) has[u8(*p)] = true;
    }
};

constexpr LazyHeadBytes lazy_head_bytes;

}  // namespace

bool node_head_in_fixed_set(Node* n) {
    // Only pairs are tagged on the way down: a bare head leaf is judged by
    // its first byte alone, defined or not.
    if (!node_is_leaf(n)) node_compute_tag(n);
    while (!node_is_leaf(n)) {
        if (is_data(n)) return false;
        n = pair_left(n);
    }
    return lazy_head_bytes.has[leaf_first(n)];
}

bool tag_is_lazy_head_byte(u8 c) { return lazy_head_bytes.has[c]; }

void term_compute_tag(NodeRef t) { node_compute_tag(t.node); }

i64 term_arity(NodeRef t) { return node_tagged_arity(t.node); }

bool term_is_value(NodeRef t) { return node_is_value(t.node); }

bool term_head_in_fixed_set(NodeRef t) { return node_head_in_fixed_set(t.node); }

bool term_is_closed(NodeRef t) {
    node_compute_tag(t.node);
    return node_free_mask(t.node) == 0;
}

void term_require_closed(NodeRef t) { VORN_ASSERT(term_is_closed(std::move(t))); }
