// Term node store: leaf and pair blocks, the header word, release, handles.
#include "node.h"

#include <cstdlib>
#include <cstring>
#include <malloc.h>
#include <sys/mman.h>

#include "errno_guard.h"
#include "glyph.h"

// Every leaf block has at least this many bytes after the header, zero past
// the text, so fixed-width reads of short leaves (a blank-led leaf is read
// as 9 bytes) stay inside the block.
static constexpr size_t LEAF_MIN_TEXT_AREA = 10;

// The longest length header of a byte-string leaf: '(', ten digits, ')'.
static constexpr i64 POST_HEADER_MAX = 12;

static bool byte_is_digit(u8 c) { return c >= '0' && c <= '9'; }

// ---------------------------------------------------------------------------
// Large block policy
// ---------------------------------------------------------------------------
// Large leaves, runtime strings and their scratch copies are made and freed
// at every step of a loop that joins or slices big texts. The C library's
// default tuning gives such a loop two cliffs: freeing a block of 64 KiB or
// more shrinks the heap whenever its free top passes the trim threshold (128
// KiB at start), so the next block of that size faults its pages in again;
// and blocks past the mmap threshold are mapped and unmapped one by one. The
// threshold that would adapt to the program is fixed as soon as either
// tunable is set by hand, so both are set here, together, once:
// - blocks up to LARGE_BLOCK_MAP_BYTES come from the heap and are reused in
//   place; larger ones are mapped one by one and given back when freed (for
//   them the page faults are small beside the work of filling them, and a
//   freed one never stays resident in the middle of the heap);
// - the heap keeps up to LARGE_BLOCK_KEEP_BYTES of free top before it gives
//   memory back, room for several blocks of the mapped size, so a loop of
//   heap-sized blocks never trims between two steps.
// Every block stays an ordinary heap block that the C library's free and
// realloc accept. Peak memory hardly moves: what the heap keeps at its top
// was in use a moment before, and a freed block of up to the mapped size
// that stays inside the heap goes to the next block that fits in it.
// One arena serves every thread: the run thread is the only one that
// allocates while it runs, and an arena of its own is a reservation of
// 64 MiB or more that a memory limit refuses over and over, each refusal
// leaving ENOMEM in errno.
static constexpr int LARGE_BLOCK_MAP_BYTES = 4 << 20;
static constexpr int LARGE_BLOCK_KEEP_BYTES = 8 * LARGE_BLOCK_MAP_BYTES;

void node_heap_policy_apply() {
    ErrnoGuard keep;
    mallopt(M_MMAP_THRESHOLD, LARGE_BLOCK_MAP_BYTES);
    mallopt(M_TRIM_THRESHOLD, LARGE_BLOCK_KEEP_BYTES);
    mallopt(M_ARENA_MAX, 1);
}

// ---------------------------------------------------------------------------
// Header
// ---------------------------------------------------------------------------

// ---------------------------------------------------------------------------
// Pools
// ---------------------------------------------------------------------------
// Nodes are made and dropped at every step of the machine, so their blocks
// are recycled here instead of going back to malloc each time. Sanitizer
// builds skip the pools: every block is malloc'd and freed, so that a use
// after free or a leaked node is still seen.

#ifdef VORN_SANITIZED
static constexpr bool NODE_POOLS = false;
#else
static constexpr bool NODE_POOLS = true;
#endif

void* node_heap_block(size_t bytes) {
    ErrnoGuard keep;
    void* block = std::malloc(bytes);
    VORN_ASSERT(block != nullptr);
    return block;
}

// ---------------------------------------------------------------------------
// Arenas
// ---------------------------------------------------------------------------
// Pair records, and small leaves where the run allows it, are carved from
// arenas: a stretch of address space reserved once per record size and made
// usable ARENA_CHUNK_BYTES at a time. Past the first ARENA_PLAIN_CHUNKS
// chunks the kernel is asked to back each chunk with huge pages, so a
// program that builds a big structure takes a few hundred page faults
// instead of tens of thousands, while a small one keeps a small footprint.
// Records are never given back. A block is known to come from an arena by
// its address alone. When the address space cannot be had, the records come
// from malloc as before.
static constexpr size_t ARENA_CHUNK_BYTES = size_t(2) << 20;
static constexpr size_t ARENA_PLAIN_CHUNKS = 2;

struct Arena {
    size_t reserve;  // bytes of address space
    u8* base = nullptr;
    size_t used = 0;
    size_t committed = 0;
    bool failed = false;
};

static bool arena_reserve(Arena& arena) {
    void* p = mmap(nullptr, arena.reserve + ARENA_CHUNK_BYTES, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE,
                   -1, 0);
    if (p == MAP_FAILED) return false;
    uintptr_t aligned = (reinterpret_cast<uintptr_t>(p) + ARENA_CHUNK_BYTES - 1) & ~(ARENA_CHUNK_BYTES - 1);
    arena.base = reinterpret_cast<u8*>(aligned);
    return true;
}

// The next bytes of the arena, or null when it has no more. The system
// calls behind it, refused ones included, leave errno as it was.
static void* arena_take(Arena& arena, size_t bytes) {
    if (arena.failed) return nullptr;
    ErrnoGuard keep;  // once a slab: cheap beside carving it
    if (arena.base == nullptr && !arena_reserve(arena)) {
        arena.failed = true;
        return nullptr;
    }
    if (bytes > arena.reserve - arena.used) return nullptr;
    while (arena.used + bytes > arena.committed) {
        u8* chunk = arena.base + arena.committed;
        if (mprotect(chunk, ARENA_CHUNK_BYTES, PROT_READ | PROT_WRITE) != 0) return nullptr;
        if (arena.committed >= ARENA_PLAIN_CHUNKS * ARENA_CHUNK_BYTES)
            madvise(chunk, ARENA_CHUNK_BYTES, MADV_HUGEPAGE);  // advice only: its failure changes nothing
        arena.committed += ARENA_CHUNK_BYTES;
    }
    void* block = arena.base + arena.used;
    arena.used += bytes;
    return block;
}

static bool arena_holds(const Arena& arena, const void* p) {
    auto at = reinterpret_cast<uintptr_t>(p), base = reinterpret_cast<uintptr_t>(arena.base);
    return at - base < arena.committed;  // below the base wraps around
}

// ---------------------------------------------------------------------------
// Block pools
// ---------------------------------------------------------------------------

// Pair records are carved from slabs of this many; a free record links to
// the next through its left field.
static constexpr size_t PAIR_SLAB_RECORDS = 4096;
static Arena pair_arena{size_t(32) << 30};
PairNode* pair_free_list = nullptr;
// The records of the newest slab not handed out yet: taken in address
// order, so that a slab's pages are touched only as it fills.
PairNode* pair_fresh = nullptr;
PairNode* pair_fresh_end = nullptr;

PairNode* pair_block_new_slow() {
    if (!NODE_POOLS) {
        return static_cast<PairNode*>(node_heap_block(sizeof(PairNode)));
    }
    if (pair_fresh == pair_fresh_end) {
        size_t bytes = sizeof(PairNode) * PAIR_SLAB_RECORDS;
        auto* slab = static_cast<PairNode*>(arena_take(pair_arena, bytes));
        if (slab == nullptr) slab = static_cast<PairNode*>(node_heap_block(bytes));
        pair_fresh = slab;
        pair_fresh_end = slab + PAIR_SLAB_RECORDS;
    }
    return pair_fresh++;
}

void pair_block_free(Node* n) {
    if (!NODE_POOLS) {
        std::free(n);
        return;
    }
    auto* pair = reinterpret_cast<PairNode*>(n);
    pair->left = reinterpret_cast<Node*>(pair_free_list);
    pair_free_list = pair;
}

// Small leaf blocks are kept by their usable size, one of these classes. A
// dead malloc'd block of exactly such a size waits on its class's free
// list, at most LEAF_POOL_LIMIT blocks a class, linked through its header
// word. Once a run has allowed it (node_heap_leaf_arenas_allow), new small
// leaves come from an arena of their class instead, whose dead blocks all
// wait on a free list of their own.
static constexpr size_t LEAF_CLASS_BYTES[] = {24, 40};
static constexpr int LEAF_CLASSES = int(sizeof LEAF_CLASS_BYTES / sizeof LEAF_CLASS_BYTES[0]);
static constexpr size_t LEAF_POOL_LIMIT = 65536;
static constexpr size_t LEAF_SLAB_RECORDS = 4096;
struct LeafPool {
    Node* free = nullptr;
    size_t count = 0;
    // An arena pool's newest slab: the records not handed out yet, taken
    // in address order so that its pages are touched only as it fills.
    u8* fresh = nullptr;
    u8* fresh_end = nullptr;
};
static LeafPool leaf_pools[LEAF_CLASSES];
static LeafPool leaf_arena_pools[LEAF_CLASSES];
static Arena leaf_arenas[LEAF_CLASSES] = {{size_t(16) << 30}, {size_t(16) << 30}};
static bool leaf_arenas_allowed = false;

void node_heap_leaf_arenas_allow() { leaf_arenas_allowed = NODE_POOLS; }

// The arena class of a leaf block, or -1 for a malloc'd one.
static int leaf_arena_class(const Node* leaf) {
    for (int k = 0; k < LEAF_CLASSES; ++k)
        if (arena_holds(leaf_arenas[k], leaf)) return k;
    return -1;
}

size_t leaf_block_usable(const Node* leaf) {
    int k = leaf_arena_class(leaf);
    return k >= 0 ? LEAF_CLASS_BYTES[k] : malloc_usable_size(const_cast<Node*>(leaf));
}

// A block of class k from its arena, or null when the arena has none.
static Node* leaf_arena_new(int k) {
    LeafPool& pool = leaf_arena_pools[k];
    if (Node* leaf = pool.free) {
        pool.free = reinterpret_cast<Node*>(leaf->header);
        return leaf;
    }
    size_t record = LEAF_CLASS_BYTES[k];
    if (pool.fresh == pool.fresh_end) {
        auto* slab = static_cast<u8*>(arena_take(leaf_arenas[k], record * LEAF_SLAB_RECORDS));
        if (slab == nullptr) return nullptr;
        pool.fresh = slab;
        pool.fresh_end = slab + record * LEAF_SLAB_RECORDS;
    }
    Node* leaf = reinterpret_cast<Node*>(pool.fresh);
    pool.fresh += record;
    return leaf;
}

// A malloc'd block of class k, from its pool when one waits there.
static Node* leaf_pooled_new(int k) {
    LeafPool& pool = leaf_pools[k];
    Node* leaf = pool.free;
    if (leaf) {
        pool.free = reinterpret_cast<Node*>(leaf->header);
        --pool.count;
        return leaf;
    }
    return static_cast<Node*>(node_heap_block(LEAF_CLASS_BYTES[k]));
}

// A block of at least size bytes with its header set to a bare leaf and
// every byte from offset clear on to the block's usable end (a pooled block
// is cleared whole); the bytes before offset are the caller's to write.
static Node* leaf_block_alloc(size_t size, size_t offset) {
    static_assert(LEAF_CLASSES == 2);
    if (NODE_POOLS && size <= LEAF_CLASS_BYTES[1]) {
        int k = size <= LEAF_CLASS_BYTES[0] ? 0 : 1;
        Node* leaf = leaf_arenas_allowed ? leaf_arena_new(k) : nullptr;
        if (leaf == nullptr) leaf = leaf_pooled_new(k);
        if (k == 0)  // two fixed sizes, so that each clear is a few stores
            std::memset(leaf, 0, LEAF_CLASS_BYTES[0]);
        else
            std::memset(leaf, 0, LEAF_CLASS_BYTES[1]);
        leaf->header = LEAF_BIT;
        return leaf;
    }
    // Large blocks come back from the heap as they were left (see the large
    // block policy): only the part the caller does not write is cleared.
    Node* leaf = static_cast<Node*>(node_heap_block(size));
    size_t usable = malloc_usable_size(leaf);
    std::memset(reinterpret_cast<u8*>(leaf) + offset, 0, usable - offset);
    leaf->header = LEAF_BIT;
    return leaf;
}

// Frees a leaf block, or keeps it when it is of a pooled size. Blocks made
// elsewhere with malloc are welcome too: only the usable size counts.
static void leaf_block_free(Node* leaf) {
    if (NODE_POOLS) {
        if (int k = leaf_arena_class(leaf); k >= 0) {
            LeafPool& pool = leaf_arena_pools[k];
            leaf->header = reinterpret_cast<u64>(pool.free);
            pool.free = leaf;
            return;
        }
        size_t usable = malloc_usable_size(leaf);
        for (int k = 0; k < LEAF_CLASSES; ++k) {
            LeafPool& pool = leaf_pools[k];
            if (usable != LEAF_CLASS_BYTES[k] || pool.count == LEAF_POOL_LIMIT) continue;
            leaf->header = reinterpret_cast<u64>(pool.free);
            pool.free = leaf;
            ++pool.count;
            return;
        }
    }
    std::free(leaf);
}

// ---------------------------------------------------------------------------
// Release
// ---------------------------------------------------------------------------

// A vector leaf being destroyed: the slot to release next and the count,
// kept here because the leaf's header has become a link.
struct VectorCursor {
    u64 next;
    u64 count;
};

// The cursors of node_destroy, kept from one call to the next (empty
// between them), made on first use and never destroyed: nodes held by
// static handles are still released while the process exits.
static std::vector<VectorCursor>& destroy_cursors() {
    static auto* cursors = new std::vector<VectorCursor>();
    return *cursors;
}

// Destroys n, whose last reference is being dropped, and everything that
// only it held. Dead blocks double as the work list: a dead pair keeps its
// right child and links to the next pending block through its header word
// (bit 0 clear); a dead vector leaf links the same way with bit 0 set, its
// cursor on a side stack. Order: left then right, slots in order.
static void node_destroy(Node* n) {
    Node* pending = nullptr;
    std::vector<VectorCursor>& vectors = destroy_cursors();
    Node* cur = n;
    for (;;) {
        if (cur) {
            u64 count = node_refcount(cur);
            VORN_ASSERT(count != 0);
            if (count > 1) {
                cur->header -= 1;
                cur = nullptr;
            } else if (!node_is_leaf(cur)) {
                Node* left = pair_left(cur);
                cur->header = reinterpret_cast<u64>(pending);
                pending = cur;
                cur = left;
            } else if (leaf_bytes(cur)[0] == 0x0A && node_aux(cur) > 0) {
                vectors.push_back(VectorCursor{0, node_aux(cur)});
                cur->header = reinterpret_cast<u64>(pending) | 1;
                pending = cur;
                cur = nullptr;
            } else {
                leaf_block_free(cur);
                cur = nullptr;
            }
            continue;
        }
        if (!pending) return;
        Node* top = pending;
        u64 link = top->header;
        if ((link & 1) == 0) {
            cur = pair_right(top);
            pending = reinterpret_cast<Node*>(link);
            pair_block_free(top);
        } else if (vectors.back().next < vectors.back().count) {
            cur = leaf_vector_slot(top, vectors.back().next++);  // null slots are skipped above
        } else {
            vectors.pop_back();
            pending = reinterpret_cast<Node*>(link & ~u64(1));
            leaf_block_free(top);
        }
    }
}

void node_release_last(Node* n) {
    VORN_ASSERT(node_refcount(n) != 0);
    node_destroy(n);
}

// ---------------------------------------------------------------------------
// Leaves
// ---------------------------------------------------------------------------

// A text of 2^26 bytes or more has no room for its length in aux, and
// finding it again by a scan would cost a pass over the whole text at every
// read. Such a leaf's block is made one word longer and keeps the length in
// its last word, which leaf_block_usable finds without looking at the text.
// Only blocks that long have the word: shorter leaves keep their blocks as
// they were, and no byte of the text or the header changes.
static constexpr size_t LONG_LENGTH_BYTES = sizeof(u64);
static constexpr size_t LONG_BLOCK_MIN = sizeof(u64) + AUX_LIMIT + 1 + LONG_LENGTH_BYTES;

// The last word of a long leaf's block.
static u8* leaf_long_length_slot(const Node* leaf, size_t usable) {
    return const_cast<u8*>(reinterpret_cast<const u8*>(leaf)) + usable - LONG_LENGTH_BYTES;
}

// A leaf block for a text of n bytes: header cleared but for is_leaf, the
// text area zero from byte written on (the caller writes the bytes before),
// and a long one keeping n until leaf_set_text_length says otherwise.
static Node* leaf_block_new(i64 n, i64 written) {
    VORN_ASSERT(n >= 0);
    size_t area = std::max(size_t(n) + 1, LEAF_MIN_TEXT_AREA);
    bool long_text = u64(n) >= AUX_LIMIT;
    if (long_text) area += LONG_LENGTH_BYTES;
    Node* leaf = leaf_block_alloc(sizeof(u64) + area, sizeof(u64) + size_t(written));
    if (long_text) leaf_set_text_length(leaf, n);
    return leaf;
}

Node* leaf_new_unwritten(i64 n) { return leaf_block_new(n, n); }

void leaf_set_text_length(Node* leaf, i64 n) {
    if (u64(n) >= AUX_LIMIT) {
        size_t usable = leaf_block_usable(leaf);
        VORN_ASSERT(usable >= sizeof(u64) + size_t(n) + 1 + LONG_LENGTH_BYTES);
        std::memcpy(leaf_long_length_slot(leaf, usable), &n, sizeof n);
        return;
    }
    u8 first = leaf_bytes(leaf)[0];
    if (n > 0 && (byte_is_digit(first) || first == '[')) node_set_aux(leaf, u64(n));
}

Node* leaf_new_from_bytes(const void* bytes, i64 n) {
    Node* leaf = leaf_block_new(n, n);
    if (n > 0) std::memcpy(leaf_bytes(leaf), bytes, size_t(n));
    leaf_set_text_length(leaf, n);
    return leaf;
}

Node* leaf_new_from_cstr(const char* text) {
    return leaf_new_from_bytes(text, i64(std::strlen(text)));
}

Node* leaf_new_from_string(RtString s) {
    return leaf_new_from_bytes(string_bytes(s), string_length(s));
}

Node* leaf_new_vector(u64 count) {
    VORN_ASSERT(count < AUX_LIMIT);
    Node* leaf = leaf_block_new(i64(1 + 8 * count), 0);  // the block's extra 0 byte follows the slots
    leaf_bytes(leaf)[0] = 0x0A;
    node_set_aux(leaf, count);
    return leaf;
}

Node* leaf_vector_slot(const Node* v, u64 i) {
    Node* element;
    std::memcpy(&element, leaf_bytes(v) + 1 + 8 * i, sizeof element);
    return element;
}

void leaf_vector_set_slot(Node* v, u64 i, Node* element) {
    std::memcpy(leaf_bytes(v) + 1 + 8 * i, &element, sizeof element);
}

i64 leaf_post_close_index(const Node* n, i64* payload_length) {
    const u8* text = leaf_bytes(n);
    i64 close = 1;
    while (close < POST_HEADER_MAX && text[close] != ')' && text[close] != 0) ++close;
    VORN_ASSERT(close < POST_HEADER_MAX && text[close] == ')');
    u64 length = 0;
    for (i64 i = 1; i < close; ++i) length = length * 64 + u64(digit64_value(text[i]));
    *payload_length = i64(length);
    return close;
}

// The bytes of a '[' text up to and including the bracket that closes its
// first byte. Data texts are not checked for balance when they are made, so
// the scan stays inside the block: an unclosed text is a fatal assertion,
// never a read past the leaf.
static i64 leaf_measure_bracketed(const Node* n, size_t usable) {
    const u8* text = leaf_bytes(n);
    size_t area = usable - sizeof(u64);
    size_t depth = 1;
    size_t i = 1;
    for (; depth > 0 && i < area; ++i) {
        if (text[i] == '[') ++depth;
        else if (text[i] == ']') --depth;
    }
    VORN_ASSERT(depth == 0);
    return i64(i);
}

i64 leaf_long_length(const Node* leaf) {
    size_t usable = leaf_block_usable(leaf);
    if (usable >= LONG_BLOCK_MIN) {
        i64 n;
        std::memcpy(&n, leaf_long_length_slot(leaf, usable), sizeof n);
        // Never past the text area, whatever raw writes left in the word; a
        // word under 2^26 is no long leaf's (a shorter text in a large
        // block), and the text is measured.
        if (n >= i64(AUX_LIMIT)) return std::min<i64>(n, i64(usable - sizeof(u64) - 1 - LONG_LENGTH_BYTES));
    }
    if (leaf_bytes(leaf)[0] == '[') return leaf_measure_bracketed(leaf, usable);
    return i64(std::strlen(reinterpret_cast<const char*>(leaf_bytes(leaf))));
}

i64 leaf_node_byte_length(const Node* n) {
    if (!node_is_leaf(n)) return 0;
    const u8* text = leaf_bytes(n);
    u8 first = text[0];
    if (first == ' ') return 9;
    if (first == 0x0A) return i64(1 + 8 * node_aux(n));
    if (first == '(') {
        i64 payload;
        i64 close = leaf_post_close_index(n, &payload);
        return close + 1 + payload;
    }
    if (byte_is_digit(first) || first == '[') return leaf_counted_length(n);
    return i64(std::strlen(reinterpret_cast<const char*>(text)));
}

RtString leaf_node_text(const Node* n) {
    if (!node_is_leaf(n)) return string_make_empty();
    const u8* text = leaf_bytes(n);
    u8 first = text[0];
    i64 length;
    if (first == ' ') {
        length = 9;
    } else if (byte_is_digit(first) || first == '[') {
        length = leaf_counted_length(n);
        VORN_ASSERT(node_aux(n) != 0 || u64(length) >= AUX_LIMIT);
    } else if (first == '(') {
        i64 payload;
        length = leaf_post_close_index(n, &payload) + 1 + payload;
    } else if (first == 0x0A) {
        length = 1;  // the slots are addresses, not text
    } else {
        length = i64(std::strlen(reinterpret_cast<const char*>(text)));
    }
    return string_from_bytes(text, length);
}

// ---------------------------------------------------------------------------
// Handles
// ---------------------------------------------------------------------------

NodeRef::NodeRef() : node(leaf_new_from_bytes("", 0)) { node_retain(node); }

NodeRef noderef_make_empty() { return noderef_wrap(leaf_new_from_bytes("", 0)); }

NodeRef noderef_from_cstr(const char* text) {
    VORN_ASSERT(text != nullptr);
    return noderef_wrap(leaf_new_from_cstr(text));
}

NodeRef noderef_from_string(RtString s) { return noderef_wrap(leaf_new_from_string(std::move(s))); }

NodeRef noderef_from_string_checked(RtString s) {
    NodeRef r = noderef_from_string(std::move(s));
    VORN_ASSERT(r.node != nullptr);
    return r;
}

NodeRef noderef_copy(const NodeRef& r) { return NodeRef(r); }

void noderef_release(NodeRef& r) {
    VORN_ASSERT(r.node != nullptr);
    Node* n = r.node;
    r.node = nullptr;
    node_release(n);
}

void noderef_assign(NodeRef& target, const NodeRef& source) {
    VORN_ASSERT(target.node != nullptr);
    VORN_ASSERT(source.node != nullptr);
    if (target.node == source.node) return;
    node_retain(source.node);
    Node* old = target.node;
    target.node = source.node;
    node_release(old);
}

// ---------------------------------------------------------------------------
// Accessors
// ---------------------------------------------------------------------------

bool node_is_pair(const NodeRef& t) { return !node_is_leaf(t.node); }

NodeRef node_left(const NodeRef& t) {
    VORN_ASSERT(!node_is_leaf(t.node));
    Node* child = pair_left(t.node);
    VORN_ASSERT(child != nullptr);
    return noderef_wrap(child);
}

NodeRef node_right(const NodeRef& t) {
    VORN_ASSERT(!node_is_leaf(t.node));
    Node* child = pair_right(t.node);
    VORN_ASSERT(child != nullptr);
    return noderef_wrap(child);
}

RtString node_text(const NodeRef& t) { return leaf_node_text(t.node); }

u8 node_first_byte(const NodeRef& t) { return node_is_leaf(t.node) ? leaf_bytes(t.node)[0] : 0; }

i64 leaf_byte_length(NodeRef t) { return leaf_node_byte_length(t.node); }

// ---------------------------------------------------------------------------
// Builders
// ---------------------------------------------------------------------------

NodeRef node_app(NodeRef g, NodeRef x) { return node_make_app(std::move(g), std::move(x)); }

NodeRef node_app2(NodeRef g, NodeRef a, NodeRef b) {
    return node_make_app(node_make_app(std::move(g), std::move(a)), std::move(b));
}

NodeRef node_app3(NodeRef g, NodeRef a, NodeRef b, NodeRef c) {
    return node_make_app(node_app2(std::move(g), std::move(a), std::move(b)), std::move(c));
}

NodeRef noderef_app2(const NodeRef& self, const NodeRef& a, const NodeRef& b) {
    return node_app2(NodeRef(self), NodeRef(a), NodeRef(b));
}

NodeRef leaf_make_parens() { return noderef_from_cstr("()"); }

NodeRef node_app_parens(NodeRef x) { return node_make_app(std::move(x), leaf_make_parens()); }
