// Term node store: reference-counted leaves (text stored inline) and pairs
// (the application of the left child to the right child) behind one 64-bit
// header word that programs can read, and the NodeRef handle that owns one
// reference to a node.
#pragma once

#include <cstddef>
#include <algorithm>
#include <cstdint>
#include <memory>
#include <vector>

#include "s.h"

using i8 = int8_t;

// ---------------------------------------------------------------------------
// The header word
// ---------------------------------------------------------------------------
// bits 0-29 refcount, 30-55 aux, 56-61 arity code (arity + ARITY_BIAS, 0 = not
// computed), 62 redex_below (TAG_DATA when the code is 0), 63 is_leaf.

inline constexpr u64 REFCOUNT_MAX = 0x3FFFFFFF;
inline constexpr u64 AUX_LIMIT = u64(1) << 26;
inline constexpr int AUX_SHIFT = 30;
inline constexpr int TAG_SHIFT = 56;
inline constexpr u64 AUX_MASK = (AUX_LIMIT - 1) << AUX_SHIFT;
inline constexpr u64 ARITY_CODE_MASK = u64(0x3F) << TAG_SHIFT;
inline constexpr u64 REDEX_BELOW_BIT = u64(1) << 62;
inline constexpr u64 LEAF_BIT = u64(1) << 63;

inline constexpr i64 ARITY_BIAS = 52;
inline constexpr i64 ARITY_MAX = 11;   // applying it keeps it: local variables
inline constexpr i64 ARITY_MIN = -51;  // the floor of over-application
inline constexpr unsigned TAG_DATA = 0x40;

// A node block. A leaf's text bytes follow the header (then at least one 0
// byte); a pair is a PairNode. Leaves come from malloc and go with free. A
// leaf of 2^26 bytes or more, whose length aux cannot hold, keeps it in the
// last word of its block (see leaf_long_length).
struct Node {
    u64 header;
};

// The block of a pair: header and two child links.
struct PairNode {
    Node head;
    Node* left;
    Node* right;
};

inline u64 node_refcount(const Node* n) { return n->header & REFCOUNT_MAX; }
inline u64 node_aux(const Node* n) { return (n->header & AUX_MASK) >> AUX_SHIFT; }
// Bits 56-62 as one value: 0 not computed, TAG_DATA, else code and flag.
inline unsigned node_tag(const Node* n) { return unsigned(n->header >> TAG_SHIFT) & 0x7F; }
inline unsigned node_arity_code(const Node* n) { return unsigned(n->header >> TAG_SHIFT) & 0x3F; }
inline bool node_has_redex_below(const Node* n) { return (n->header & REDEX_BELOW_BIT) != 0; }
inline bool node_is_leaf(const Node* n) { return (n->header & LEAF_BIT) != 0; }

// The text bytes of a leaf (not checked to be one).
inline u8* leaf_bytes(Node* n) { return reinterpret_cast<u8*>(n) + sizeof(u64); }
inline const u8* leaf_bytes(const Node* n) { return reinterpret_cast<const u8*>(n) + sizeof(u64); }
// The child links of a pair, without taking references (not checked).
inline Node* pair_left(const Node* n) { return reinterpret_cast<const PairNode*>(n)->left; }
inline Node* pair_right(const Node* n) { return reinterpret_cast<const PairNode*>(n)->right; }

// Takes one reference: refcount + 1. The 2^30-th reference is a fatal
// assertion. The other header bits are untouched.
inline void node_retain(Node* n) {
    VORN_ASSERT(node_refcount(n) != REFCOUNT_MAX);
    n->header += 1;
}

// node_release of a node whose count is 1 (the node goes) or 0 (a fatal
// assertion).
void node_release_last(Node* n);

// Drops one reference (nothing for null); at the last one the node goes:
// a pair releases left then right, a vector leaf its slots in order, then
// the block is freed. Iterative: no data depth reaches the C stack.
inline void node_release(Node* n) {
    if (!n) return;
    if (node_refcount(n) > 1) {
        n->header -= 1;
        return;
    }
    node_release_last(n);
}

// Stores arity a as its code (a + 52) in bits 56-61, keeping bits 62-63;
// a > 11 and a < -52 are fatal assertions (a = -52 stores code 0).
inline void node_set_arity(Node* n, i64 a) {
    VORN_ASSERT(a <= ARITY_MAX);
    VORN_ASSERT(a >= -ARITY_BIAS);
    n->header = (n->header & ~ARITY_CODE_MASK) | (u64(a + ARITY_BIAS) << TAG_SHIFT);
}
// Stores v in bits 30-55; v >= 2^26 is a fatal assertion.
inline void node_set_aux(Node* n, u64 v) {
    VORN_ASSERT(v < AUX_LIMIT);
    n->header = (n->header & ~AUX_MASK) | (v << AUX_SHIFT);
}
// Sets or clears redex_below (bit 62).
inline void node_set_redex_below(Node* n, bool on) {
    n->header = on ? (n->header | REDEX_BELOW_BIT) : (n->header & ~REDEX_BELOW_BIT);
}
// Makes the tag TAG_DATA: arity code 0 with bit 62 set.
inline void node_set_data_tag(Node* n) { n->header = (n->header & ~ARITY_CODE_MASK) | REDEX_BELOW_BIT; }

// ---------------------------------------------------------------------------
// Large block policy
// ---------------------------------------------------------------------------

// Tunes the C library's allocator for large blocks, once at start-up before
// any thread is made: the one place the process's heap policy lives (see
// node.cpp). Small leaves and pairs keep their own pools whatever it says.
void node_heap_policy_apply();

// A block of bytes from malloc, errno left as it was (a heap that cannot
// grow one way may grow another, and the refusal would stay in errno);
// none is a fatal assertion. free gives it back.
void* node_heap_block(size_t bytes);

// From now on small leaves come from arenas of their own (see node.cpp)
// instead of malloc. Only for a run in which no program can reach a leaf's
// block address, which it could otherwise hand to the C library's free:
// once allowed, it stays so for the process.
void node_heap_leaf_arenas_allow();

// The bytes the block of a leaf may use, header included: the text area
// runs to there.
size_t leaf_block_usable(const Node* leaf);

// ---------------------------------------------------------------------------
// Leaves
// ---------------------------------------------------------------------------

// A new leaf (refcount 0, tag 0) holding n bytes and a terminating 0; aux is
// n when the first byte is a digit or '[' and n < 2^26, otherwise 0 (and for
// n >= 2^26 the block keeps n in its last word). The block always has at
// least 10 text bytes, zero past the text but for that word. Wrap it in a
// handle at once. Leaf blocks are malloc'd blocks (small ones may come from
// an arena instead, see node_heap_leaf_arenas_allow); the blocks of small
// leaves that die are kept on a free list and handed out again (cleared) by
// later calls.
Node* leaf_new_from_bytes(const void* bytes, i64 n);
// The same for the bytes before the first NUL.
Node* leaf_new_from_cstr(const char* text);
// The same for the string's length bytes (inner 0 bytes kept); releases s.
Node* leaf_new_from_string(RtString s);
// A new leaf (refcount 0, tag 0, aux 0) for a text of n bytes that the
// caller writes at once through leaf_bytes: the n bytes are unset, the
// rest of the block zero. Call leaf_set_text_length once they are written.
Node* leaf_new_unwritten(i64 n);
// Records the length of a leaf whose n text bytes are written, as
// leaf_new_from_bytes does: aux = n when the first byte is a digit or '['
// and 0 < n < 2^26; n in the block's last word when n >= 2^26.
void leaf_set_text_length(Node* leaf, i64 n);
// A new vector leaf (refcount 0): byte 0x0A, count null slots of 8 bytes,
// aux = count (< 2^26), and one spare 0 byte after the last slot.
Node* leaf_new_vector(u64 count);

// Slot i of a vector leaf, unaligned, without references (not checked).
Node* leaf_vector_slot(const Node* v, u64 i);
// Writes slot i of a vector leaf; takes and drops no reference.
void leaf_vector_set_slot(Node* v, u64 i, Node* element);

// The length of a digit or '[' leaf whose aux is 0, one of 2^26 bytes or
// more: the length its block keeps, read without a scan (at most its text
// area). A block that keeps none (only raw writes to memory can make such a
// leaf) is measured as before: the bytes before the first 0 for a digit, up
// to the bracket that closes the first one for '['; so is a large block
// whose last word is under 2^26.
i64 leaf_long_length(const Node* leaf);
// The text length of a digit or '[' leaf (not checked to be one): aux, or
// the length a long leaf keeps in its block.
inline i64 leaf_counted_length(const Node* leaf) {
    u64 aux = node_aux(leaf);
    return aux != 0 ? i64(aux) : leaf_long_length(leaf);
}
// The byte length of a leaf's text by its first byte: blank 9; vector
// 1 + 8 * aux; '(' the ')' index + 1 + the payload length; digit or '['
// leaf_counted_length; else the bytes before the first 0. 0 for a pair.
i64 leaf_node_byte_length(const Node* n);
// The index of the ')' that ends a byte-string leaf's length digits, and the
// payload length those digits give. The ')' is looked for within the text
// and the first 12 bytes only; not finding it is a fatal assertion.
i64 leaf_post_close_index(const Node* n, i64* payload_length);

// ---------------------------------------------------------------------------
// Handles
// ---------------------------------------------------------------------------

// A handle owning one reference to a node. A default handle holds a new
// empty leaf (so never default-construct in bulk); copying adds a reference,
// destruction drops one. A handle is null only when moved from, released,
// copied from a null handle or made null on purpose (NodeRef(nullptr)).
// Copy and move assignment accept a null handle on either side; the checked
// form of assignment is noderef_assign.
struct NodeRef {
    Node* node;

    NodeRef();
    // Takes over a reference the caller already owns (no count change).
    explicit NodeRef(Node* owned) noexcept : node(owned) {}
    NodeRef(std::nullptr_t) noexcept : node(nullptr) {}
    NodeRef(const NodeRef& other) : node(other.node) {
        if (node) node_retain(node);
    }
    NodeRef(NodeRef&& other) noexcept : node(other.node) { other.node = nullptr; }
    NodeRef& operator=(const NodeRef& other) {
        if (other.node) node_retain(other.node);  // first, so self-assignment is safe
        Node* old = node;
        node = other.node;
        node_release(old);
        return *this;
    }
    NodeRef& operator=(NodeRef&& other) noexcept {
        if (this != &other) {
            Node* old = node;
            node = other.node;
            other.node = nullptr;
            node_release(old);
        }
        return *this;
    }
    ~NodeRef() { node_release(node); }
};

// A handle taking a new reference to n (null gives a null handle). This is
// how a new leaf (refcount 0) is wrapped.
inline NodeRef noderef_wrap(Node* n) {
    if (n) node_retain(n);
    return NodeRef(n);
}

// A handle to a new empty leaf (text "").
NodeRef noderef_make_empty();
// A handle to a new leaf of the C text; a null pointer is a fatal assertion.
NodeRef noderef_from_cstr(const char* text);
// A handle to a new leaf of the string's bytes; releases s.
NodeRef noderef_from_string(RtString s);
// As noderef_from_string, asserting that a leaf was made.
NodeRef noderef_from_string_checked(RtString s);
// A second handle to the same node (null stays null).
NodeRef noderef_copy(const NodeRef& r);
// Drops r's reference; r is null afterwards. A null r is a fatal assertion.
void noderef_release(NodeRef& r);
// target = source: a null target or source is a fatal assertion; the same
// node changes nothing; otherwise the source gains its reference before the
// target's old node is released.
void noderef_assign(NodeRef& target, const NodeRef& source);

// ---------------------------------------------------------------------------
// Accessors
// ---------------------------------------------------------------------------

// True for a pair.
bool node_is_pair(const NodeRef& t);
// A new handle to the left / right child; a leaf and a null child are
// separate fatal assertions.
NodeRef node_left(const NodeRef& t);
NodeRef node_right(const NodeRef& t);
// The leaf's text as a new string, by its first byte: blank 9 bytes; digit
// or '[' leaf_counted_length bytes (when aux is 0 that must be 2^26 or
// more); '(' header and payload; a vector leaf "\n"; else the bytes before
// the first 0. "" for a pair.
RtString node_text(const NodeRef& t);
// node_text of a borrowed node.
RtString leaf_node_text(const Node* n);
// The first byte of a leaf's text (0 for the empty text); 0 for a pair.
u8 node_first_byte(const NodeRef& t);
// leaf_node_byte_length of t's node; releases t.
i64 leaf_byte_length(NodeRef t);

// ---------------------------------------------------------------------------
// Builders
// ---------------------------------------------------------------------------

// Pair blocks come from slabs of PairNode records with a free list: a dead
// pair's record is reused by the next pair made (in sanitizer builds every
// pair is its own malloc'd block, so that the tools see each one).
extern PairNode* pair_free_list;
// The records of the newest slab not handed out yet (see node.cpp).
extern PairNode* pair_fresh;
extern PairNode* pair_fresh_end;
// A record when the free list is empty: a new slab, or a malloc'd block.
PairNode* pair_block_new_slow();

// A pair record, uninitialised.
inline PairNode* pair_block_new() {
    PairNode* pair = pair_free_list;
    if (!pair) {
        if (pair_fresh != pair_fresh_end) return pair_fresh++;
        return pair_block_new_slow();
    }
    pair_free_list = reinterpret_cast<PairNode*>(pair->left);
    return pair;
}

// Gives a pair record back (to the free list, or to free in sanitizer
// builds); its links are not looked at.
void pair_block_free(Node* n);

// The children of the pair p (released), one reference each in left and
// right (their old nodes released). An unshared pair hands its links over
// and its record goes at once: the counts end as taking both children and
// then releasing p would leave them. A leaf is a fatal assertion.
inline void pair_split(NodeRef p, NodeRef& left, NodeRef& right) {
    Node* n = p.node;
    VORN_ASSERT(n != nullptr && !node_is_leaf(n));
    Node* l = pair_left(n);
    Node* r = pair_right(n);
    if (node_refcount(n) == 1) {
        p.node = nullptr;
        pair_block_free(n);
        left = NodeRef(l);
        right = NodeRef(r);
        return;
    }
    left = noderef_wrap(l);
    right = noderef_wrap(r);
}

// (g x): the pair takes over both handles' references.
inline NodeRef node_make_app(NodeRef g, NodeRef x) {
    PairNode* pair = pair_block_new();
    // The handles' references move into the links: the children's counts
    // end where they were, as if each had gained one and lost one.
    pair->left = g.node;
    pair->right = x.node;
    g.node = nullptr;
    x.node = nullptr;
    pair->head.header = 1;
    return NodeRef(&pair->head);
}
// (g x), through node_make_app.
NodeRef node_app(NodeRef g, NodeRef x);
// ((g a) b).
NodeRef node_app2(NodeRef g, NodeRef a, NodeRef b);
// (((g a) b) c).
NodeRef node_app3(NodeRef g, NodeRef a, NodeRef b, NodeRef c);
// ((self a) b) from borrowed handles: each gains a reference.
NodeRef noderef_app2(const NodeRef& self, const NodeRef& a, const NodeRef& b);
// A handle to a new leaf "()".
NodeRef leaf_make_parens();
// (x "()") with a new "()" leaf.
NodeRef node_app_parens(NodeRef x);

// ---------------------------------------------------------------------------
// Work lists for deep walks
// ---------------------------------------------------------------------------

// A LIFO of pending work for walks whose depth follows the data. It grows
// in fixed chunks (no copying of what it holds, no allocation before the
// first push), so a walk of ten million levels costs no C stack.
template <class T>
class WorkStack {
public:
    bool empty() const { return chunks_.empty() || (chunk_ == 0 && used_ == 0); }
    void push(const T& v) {
        if (chunks_.empty()) {
            chunks_.push_back(Chunk{std::unique_ptr<T[]>(new T[FIRST_CHUNK]), FIRST_CHUNK});
        } else if (used_ == chunks_[chunk_].capacity) {
            if (chunk_ + 1 == chunks_.size()) {
                size_t capacity = std::min(chunks_.back().capacity * 2, LAST_CHUNK);
                chunks_.push_back(Chunk{std::unique_ptr<T[]>(new T[capacity]), capacity});
            }
            ++chunk_;
            used_ = 0;
        }
        chunks_[chunk_].items[used_++] = v;
    }
    // The last item pushed; the stack must not be empty.
    T& top() { return chunks_[chunk_].items[used_ - 1]; }
    T pop() {
        T v = top();
        if (--used_ == 0 && chunk_ > 0) {
            --chunk_;
            used_ = chunks_[chunk_].capacity;
        }
        return v;
    }

private:
    struct Chunk {
        std::unique_ptr<T[]> items;
        size_t capacity;
    };
    static constexpr size_t FIRST_CHUNK = 16;
    static constexpr size_t LAST_CHUNK = 65536;
    std::vector<Chunk> chunks_;
    size_t chunk_ = 0;  // the chunk holding the top
    size_t used_ = 0;   // items used in that chunk
};
