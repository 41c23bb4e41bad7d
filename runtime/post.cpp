// Byte strings.
#include "post.h"

#include <cstring>
#include <string>

#include "glyph.h"

const u8* post_node_payload(const Node* p, i64* length) {
    i64 close = leaf_post_close_index(p, length);
    return leaf_bytes(p) + close + 1;
}

Node* post_new_unwritten(i64 n, u8** payload) {
    VORN_ASSERT(n >= 0);
    char digits[16];
    int k = 0;
    for (u64 rest = u64(n); rest > 0; rest /= 64) digits[k++] = DIGIT64_ALPHABET[rest % 64];
    Node* leaf = leaf_new_unwritten(i64(k) + 2 + n);
    u8* text = leaf_bytes(leaf);
    *text++ = '(';
    while (k > 0) *text++ = u8(digits[--k]);  // most significant digit first
    *text++ = ')';
    *payload = text;
    return leaf;
}

NodeRef post_make(RtString s) {
    i64 n = string_length(s);
    u8* payload;
    Node* leaf = post_new_unwritten(n, &payload);
    if (n > 0) std::memcpy(payload, string_bytes(s), size_t(n));
    return noderef_wrap(leaf);
}

void post_require(NodeRef p) {
    VORN_ASSERT(node_is_leaf(p.node) && leaf_bytes(p.node)[0] == '(');
}

i64 post_close_index(NodeRef p) {
    post_require(noderef_copy(p));
    i64 length;
    return leaf_post_close_index(p.node, &length);
}

i64 post_payload_offset(NodeRef p) { return post_close_index(std::move(p)) + 1; }

i64 post_length(NodeRef p) {
    post_require(noderef_copy(p));
    i64 length;
    leaf_post_close_index(p.node, &length);
    return length;
}

RtString post_payload(NodeRef p) {
    post_require(noderef_copy(p));
    i64 n;
    const u8* bytes = post_node_payload(p.node, &n);
    return string_from_bytes(bytes, n);
}

// <0, 0 or >0 as payload a sorts before, equal to or after payload b.
static int post_order(const NodeRef& a, const NodeRef& b) {
    post_require(noderef_copy(a));
    post_require(noderef_copy(b));
    i64 na, nb;
    const u8* pa = post_node_payload(a.node, &na);
    const u8* pb = post_node_payload(b.node, &nb);
    int c = std::memcmp(pa, pb, size_t(std::min(na, nb)));  // memcmp compares unsigned bytes
    if (c != 0) return c;
    return na < nb ? -1 : (na > nb ? 1 : 0);
}

bool post_less(NodeRef a, NodeRef b) { return post_order(a, b) < 0; }

bool post_gteq(NodeRef a, NodeRef b) { return post_order(a, b) >= 0; }

// The largest power of two strictly below n (n >= 2).
static i64 post_split_width(i64 n) {
    i64 m = 1;
    while (m * 2 < n) m *= 2;
    return m;
}

NodeRef post_split_front(NodeRef p) {
    post_require(noderef_copy(p));
    i64 n;
    const u8* bytes = post_node_payload(p.node, &n);
    VORN_ASSERT(n >= 2);
    return post_make(string_from_bytes(bytes, post_split_width(n)));
}

NodeRef post_split_back(NodeRef p) {
    post_require(noderef_copy(p));
    i64 n;
    const u8* bytes = post_node_payload(p.node, &n);
    VORN_ASSERT(n >= 2);
    i64 m = post_split_width(n);
    return post_make(string_from_bytes(bytes + (n - m), m));
}

NodeRef post_byte_to_term(NodeRef p) {
    post_require(noderef_copy(p));
    i64 n;
    const u8* bytes = post_node_payload(p.node, &n);
    VORN_ASSERT(n == 1);
    u8 c = bytes[0];
    auto bit = [c](int k) { return noderef_from_cstr((c >> k) & 1 ? "I" : "H"); };
    auto cell = [](NodeRef x, NodeRef y) {
        return node_app2(noderef_from_cstr("J"), std::move(x), std::move(y));
    };
    NodeRef low = cell(cell(bit(0), bit(1)), cell(bit(2), bit(3)));
    NodeRef high = cell(cell(bit(4), bit(5)), cell(bit(6), bit(7)));
    return node_app2(noderef_from_cstr("V"), std::move(low), std::move(high));
}

NodeRef post_to_zits(NodeRef p) {
    post_require(noderef_copy(p));
    i64 n;
    const u8* bytes = post_node_payload(p.node, &n);
    i64 depth = 0;
    for (i64 i = 0; i < n; ++i) {
        if (depth < 0 || bytes[i] == 0x0A) return noderef_from_cstr("Z");
        if (bytes[i] == '[') ++depth;
        else if (bytes[i] == ']') --depth;
    }
    if (depth != 0) return noderef_from_cstr("Z");
    std::string text;
    text.reserve(size_t(n) + 2);
    text.push_back('[');
    text.append(reinterpret_cast<const char*>(bytes), size_t(n));
    text.push_back(']');
    return noderef_wrap(leaf_new_from_bytes(text.data(), i64(text.size())));
}
