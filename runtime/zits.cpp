// Data texts.
#include "zits.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "glyph.h"
#include "tag.h"

// The bracket names of bytes (numbered 145 to 400) are 12 to 24 bytes long.
static constexpr i64 BYTE_NAME_MIN_LENGTH = 12;
static constexpr i64 BYTE_NAME_MAX_LENGTH = 24;

// The text of a data leaf.
struct ZitsView {
    const u8* text;
    i64 length;
};

// A data leaf's text, in place whatever its length.
static ZitsView zits_leaf_view(const Node* leaf) { return ZitsView{leaf_bytes(leaf), leaf_counted_length(leaf)}; }

static bool zits_view_is_empty(ZitsView v) {
    return v.length == 2 && v.text[0] == '[' && v.text[1] == ']';
}

int zits_named_byte(const u8* p, i64 n) {
    if (n < BYTE_NAME_MIN_LENGTH || n > BYTE_NAME_MAX_LENGTH || p[0] != '[') return -1;
    const RtString* value = char_names_find(string_from_bytes(p, n));
    if (!value || string_length(*value) != 1) return -1;
    return string_bytes(*value)[0];
}

// The bracket name of byte c, which is neither '[' nor ']'.
static const RtString& zits_byte_name(u8 c) {
    const RtString* name = char_names_find(string_from_char(c));
    VORN_ASSERT(name != nullptr);
    return *name;
}

// The start of the last element of the text t whose content runs from index
// 1 to end - 1 (the byte at end closes it). -1 when it cannot be read: no
// byte left, a stray '[', or a group whose opener would lie before index 1.
static i64 zits_last_start(const u8* t, i64 end) {
    i64 i = end - 1;
    if (i < 1 || t[i] == '[') return -1;
    if (t[i] != ']') return i;
    i64 depth = 1;
    for (i64 j = i - 1; j >= 1; --j) {
        if (t[j] == ']') {
            ++depth;
        } else if (t[j] == '[' && --depth == 0) {
            return j;
        }
    }
    return -1;
}

static NodeRef zits_leaf_from(const std::string& text) {
    return noderef_wrap(leaf_new_from_bytes(text.data(), i64(text.size())));
}

// A new leaf of the bytes t[0 .. end - 1] followed by "]".
static NodeRef zits_leaf_closed_at(const u8* t, i64 end) {
    std::string text(reinterpret_cast<const char*>(t), size_t(end));
    text.push_back(']');
    return zits_leaf_from(text);
}

static NodeRef zits_error() { return noderef_from_cstr("Z"); }

// ((J a) b) with a new J leaf.
static NodeRef zits_cell(NodeRef a, NodeRef b) {
    return node_app2(noderef_from_cstr("J"), std::move(a), std::move(b));
}

bool term_is_zits(NodeRef t) {
    term_compute_tag(noderef_copy(t));
    return node_tag(t.node) == TAG_DATA;
}

void zits_require(NodeRef t) { VORN_ASSERT(term_is_zits(std::move(t))); }

bool zits_is_empty(NodeRef z) {
    zits_require(noderef_copy(z));
    if (!node_is_leaf(z.node)) return false;
    return zits_view_is_empty(zits_leaf_view(z.node));
}

Node* zits_new_unwritten(i64 n, u8** content) {
    VORN_ASSERT(n >= 0);
    Node* leaf = leaf_new_unwritten(n + 2);
    u8* text = leaf_bytes(leaf);
    text[0] = '[';
    text[n + 1] = ']';
    leaf_set_text_length(leaf, n + 2);
    *content = text + 1;
    return leaf;
}

NodeRef zits_from_string(RtString s) {
    i64 n = string_length(s);
    u8* content;
    Node* leaf = zits_new_unwritten(n, &content);
    if (n > 0) std::memcpy(content, string_bytes(s), size_t(n));
    return noderef_wrap(leaf);
}

// ---------------------------------------------------------------------------
// Flattening
// ---------------------------------------------------------------------------

void zits_flatten_append(const Node* z, std::string& out) {
    if (node_is_leaf(z)) {
        ZitsView v = zits_leaf_view(z);
        out.append(reinterpret_cast<const char*>(v.text), size_t(v.length));
        return;
    }
    // A pair writes its left text without the final "]", then its right
    // text (one byte when that text is a byte's bracket name), then "]".
    struct Frame {
        const Node* node;
        size_t mark;  // where the right text starts
        int stage;
    };
    WorkStack<Frame> work;
    work.push(Frame{z, 0, 0});
    while (!work.empty()) {
        Frame& f = work.top();
        if (node_is_leaf(f.node)) {
            ZitsView v = zits_leaf_view(f.node);
            out.append(reinterpret_cast<const char*>(v.text), size_t(v.length));
            work.pop();
        } else if (f.stage == 0) {
            f.stage = 1;
            work.push(Frame{pair_left(f.node), 0, 0});
        } else if (f.stage == 1) {
            VORN_ASSERT(!out.empty());  // a data text has at least its "["
            out.pop_back();
            f.mark = out.size();
            f.stage = 2;
            work.push(Frame{pair_right(f.node), 0, 0});
        } else {
            const u8* right = reinterpret_cast<const u8*>(out.data()) + f.mark;
            int byte = zits_named_byte(right, i64(out.size() - f.mark));
            if (byte >= 0) {
                out.resize(f.mark);
                out.push_back(char(byte));
            }
            out.push_back(']');
            work.pop();
        }
    }
}

NodeRef zits_flatten(NodeRef z) {
    zits_require(noderef_copy(z));
    if (node_is_leaf(z.node)) return z;
    std::string text;
    zits_flatten_append(z.node, text);
    return zits_leaf_from(text);
}

RtString zits_text(NodeRef z) {
    zits_require(noderef_copy(z));
    std::string text;
    zits_flatten_append(z.node, text);
    if (text.size() < 2) return string_make_empty();
    return string_from_bytes(text.data() + 1, i64(text.size()) - 2);
}

i64 zits_text_length(NodeRef z) {
    zits_require(noderef_copy(z));
    i64 total = 0;
    WorkStack<const Node*> work;
    work.push(z.node);
    while (!work.empty()) {
        const Node* n = work.pop();
        if (node_aux(n) >= 2) {
            total += i64(node_aux(n));
        } else if (node_is_leaf(n)) {
            total += zits_leaf_view(n).length;
        } else {
            work.push(pair_right(n));
            work.push(pair_left(n));
        }
    }
    return total;
}

// ---------------------------------------------------------------------------
// Elements
// ---------------------------------------------------------------------------

NodeRef zits_left(NodeRef z) {
    zits_require(noderef_copy(z));
    if (!node_is_leaf(z.node)) return node_left(z);
    ZitsView v = zits_leaf_view(z.node);
    VORN_ASSERT(!zits_view_is_empty(v));
    i64 start = zits_last_start(v.text, v.length - 1);
    if (start < 0) return zits_error();
    return zits_leaf_closed_at(v.text, start);
}

NodeRef zits_right(NodeRef z) {
    zits_require(noderef_copy(z));
    if (!node_is_leaf(z.node)) return node_right(z);
    ZitsView v = zits_leaf_view(z.node);
    VORN_ASSERT(!zits_view_is_empty(v));
    i64 start = zits_last_start(v.text, v.length - 1);
    if (start < 0) return zits_error();
    if (v.text[start] != '[') return noderef_from_string(string_copy(zits_byte_name(v.text[start])));
    return noderef_wrap(leaf_new_from_bytes(v.text + start, v.length - 1 - start));
}

// ---------------------------------------------------------------------------
// List trees
// ---------------------------------------------------------------------------

// The list tree of a balanced bracket text (bytes standing for their
// names), built in one forward pass: each open group keeps the list of its
// elements so far.
static NodeRef zits_balanced_cons_list(const u8* t, i64 n) {
    std::vector<NodeRef> open;
    NodeRef done(nullptr);
    for (i64 i = 0; i < n; ++i) {
        u8 c = t[i];
        if (c == '[') {
            open.push_back(noderef_from_cstr("K"));
            continue;
        }
        NodeRef element(nullptr);
        if (c == ']') {
            VORN_ASSERT(!open.empty());
            element = std::move(open.back());
            open.pop_back();
            if (open.empty()) {
                VORN_ASSERT(i == n - 1);
                done = std::move(element);
                break;
            }
        } else {
            const RtString& name = zits_byte_name(c);
            element = zits_balanced_cons_list(string_bytes(name), string_length(name));
        }
        VORN_ASSERT(!open.empty());
        open.back() = zits_cell(std::move(open.back()), std::move(element));
    }
    VORN_ASSERT(done.node != nullptr);
    return done;
}

// The list tree of one data leaf: its elements are found from the end (as
// zits_left and zits_right find them), then chained from the first.
static NodeRef zits_leaf_cons_list(const Node* leaf) {
    ZitsView v = zits_leaf_view(leaf);
    if (zits_view_is_empty(v)) return noderef_from_cstr("K");
    std::vector<i64> starts;  // element starts, last element first
    std::vector<i64> ends;
    bool broken = false;
    for (i64 end = v.length - 1; end > 1 || starts.empty();) {
        i64 start = zits_last_start(v.text, end);
        if (start < 0) {
            broken = true;
            break;
        }
        starts.push_back(start);
        ends.push_back(end - 1);
        end = start;
    }
    NodeRef list = broken ? zits_cell(zits_error(), zits_error()) : noderef_from_cstr("K");
    for (size_t k = starts.size(); k-- > 0;) {
        i64 start = starts[k];
        NodeRef element(nullptr);
        if (start == ends[k]) {
            const RtString& name = zits_byte_name(v.text[start]);
            element = zits_balanced_cons_list(string_bytes(name), string_length(name));
        } else {
            element = zits_balanced_cons_list(v.text + start, ends[k] - start + 1);
        }
        list = zits_cell(std::move(list), std::move(element));
    }
    return list;
}

NodeRef zits_to_cons_list(NodeRef z) {
    zits_require(noderef_copy(z));
    struct Frame {
        const Node* node;
        int stage;
    };
    WorkStack<Frame> work;
    std::vector<NodeRef> results;
    work.push(Frame{z.node, 0});
    while (!work.empty()) {
        Frame& f = work.top();
        if (node_is_leaf(f.node)) {
            results.push_back(zits_leaf_cons_list(f.node));
            work.pop();
        } else if (f.stage == 0) {
            f.stage = 1;
            work.push(Frame{pair_left(f.node), 0});
        } else if (f.stage == 1) {
            f.stage = 2;
            work.push(Frame{pair_right(f.node), 0});
        } else {
            NodeRef right = std::move(results.back());
            results.pop_back();
            results.back() = zits_cell(std::move(results.back()), std::move(right));
            work.pop();
        }
    }
    return std::move(results.back());
}

// ---------------------------------------------------------------------------
// Normal form
// ---------------------------------------------------------------------------

// A data leaf being normalised: its text, and for every ']' the index of
// the '[' it closes (found forwards from index 1; -1 for none; filled on
// first need), so that finding the last element of any part costs one step.
struct NormLeaf {
    NodeRef node;
    ZitsView view;
    std::vector<i64> opener;
};

static void norm_leaf_find_openers(NormLeaf& leaf) {
    const u8* t = leaf.view.text;
    i64 n = leaf.view.length;
    leaf.opener.assign(size_t(n), -1);
    std::vector<i64> open;
    for (i64 i = 1; i < n; ++i) {
        if (t[i] == '[') {
            open.push_back(i);
        } else if (t[i] == ']' && !open.empty()) {
            leaf.opener[size_t(i)] = open.back();
            open.pop_back();
        }
    }
}

NodeRef zits_normalize(NodeRef z) {
    zits_require(noderef_copy(z));
    // Work items: a data term; a leaf to normalise (an entry of leaves); a
    // part of such a leaf's text (the bytes from first to end - 1, closed by
    // "]"); or the joining of the last two results into a pair.
    enum Kind { TERM, LEAF, PART, JOIN };
    struct Item {
        Kind kind;
        const Node* node;
        size_t leaf;
        i64 first;
        i64 end;
    };
    std::vector<NormLeaf> leaves;
    std::vector<NodeRef> results;
    WorkStack<Item> work;
    auto broken_pair = [] { return node_app(zits_error(), zits_error()); };
    auto push_leaf = [&](NodeRef node) {
        leaves.push_back(NormLeaf{std::move(node), ZitsView{nullptr, 0}, {}});
        work.push(Item{LEAF, nullptr, leaves.size() - 1, 0, 0});
    };
    work.push(Item{TERM, z.node, 0, 0, 0});
    while (!work.empty()) {
        Item item = work.pop();
        if (item.kind == JOIN) {
            NodeRef right = std::move(results.back());
            results.pop_back();
            results.back() = node_app(std::move(results.back()), std::move(right));
        } else if (item.kind == TERM && node_is_leaf(item.node)) {
            push_leaf(noderef_wrap(const_cast<Node*>(item.node)));
        } else if (item.kind == TERM) {
            Node* right_node = pair_right(item.node);
            std::string right;
            ZitsView r{nullptr, 0};
            if (node_is_leaf(right_node)) {
                r = zits_leaf_view(right_node);
            } else {
                zits_flatten_append(right_node, right);
                r = ZitsView{reinterpret_cast<const u8*>(right.data()), i64(right.size())};
            }
            if (zits_named_byte(r.text, r.length) >= 0) {
                std::string whole;  // the last element is a byte: one leaf
                zits_flatten_append(item.node, whole);
                results.push_back(zits_leaf_from(whole));
                continue;
            }
            work.push(Item{JOIN, nullptr, 0, 0, 0});
            push_leaf(node_is_leaf(right_node) ? noderef_wrap(right_node) : zits_leaf_from(right));
            work.push(Item{TERM, pair_left(item.node), 0, 0, 0});  // runs first
        } else if (item.kind == LEAF) {
            NormLeaf& leaf = leaves[item.leaf];
            leaf.view = zits_leaf_view(leaf.node.node);
            if (zits_view_is_empty(leaf.view)) {
                results.push_back(noderef_from_cstr("[]"));
            } else if (leaf.view.length < 3) {
                results.push_back(broken_pair());
            } else {
                work.push(Item{PART, nullptr, item.leaf, 0, leaf.view.length - 1});
            }
        } else {
            NormLeaf& leaf = leaves[item.leaf];
            const u8* t = leaf.view.text;
            if (item.end == item.first + 1) {
                results.push_back(noderef_from_cstr("[]"));
                continue;
            }
            i64 last = item.end - 1;
            if (t[last] == ']' && leaf.opener.empty()) norm_leaf_find_openers(leaf);
            i64 start = t[last] == ']' ? leaf.opener[size_t(last)] : last;
            if (t[last] == '[' || start <= item.first) {
                results.push_back(broken_pair());
                continue;
            }
            if (start == last || zits_named_byte(t + start, last - start + 1) >= 0) {
                // The last element is a byte: this part is one leaf.
                bool whole = item.first == 0 && item.end == leaf.view.length - 1;
                results.push_back(whole ? leaf.node
                                        : zits_leaf_closed_at(t + item.first, item.end - item.first));
                continue;
            }
            work.push(Item{JOIN, nullptr, 0, 0, 0});
            work.push(Item{PART, nullptr, item.leaf, start, last});
            work.push(Item{PART, nullptr, item.leaf, item.first, start});  // runs first
        }
    }
    return std::move(results.back());
}

// Whether one of the eight bytes of w may be a bracket: '[' and ']' (and
// only 'Y' and '_' besides) read 0x59 once bits 1 and 2 are cleared; the
// zero-byte test on that may flag a word without one, never miss one.
static bool word_may_hold_bracket(u64 w) {
    const u64 ONES = 0x0101010101010101u;
    u64 v = (w & (ONES * 0xF9)) ^ (ONES * 0x59);
    return ((v - ONES) & ~v & (ONES * 0x80)) != 0;
}

bool zits_bytes_balanced(const u8* bytes, i64 n) {
    i64 depth = 0;
    i64 k = 0;
    while (k < n) {
        u64 w;
        if (n - k >= 8 && (std::memcpy(&w, bytes + k, 8), !word_may_hold_bracket(w))) {
            k += 8;  // a long run of plain bytes is passed a word at a time
            continue;
        }
        for (i64 end = std::min(n, k + 8); k < end; ++k) {
            if (bytes[k] == '[') {
                ++depth;
            } else if (bytes[k] == ']' && --depth < 0) {
                return false;
            }
        }
    }
    return depth == 0;
}
