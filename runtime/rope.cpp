// The rope text builder: appended pieces held as a tree, flattened into one
// runtime string.
#include "s.h"

#include <cstring>

RopeNode* rope_node_init_leaf(RopeNode* node, RtString s) {
    node->piece = std::move(s);
    node->left = nullptr;
    node->right = nullptr;
    return node;
}

static RopeNode* rope_leaf_new(RtString s) {
    return rope_node_init_leaf(new RopeNode{RtString(nullptr), nullptr, nullptr}, std::move(s));
}

// Nodes on the path from node following one kind of link to its end.
static int rope_path_length(const RopeNode* node, bool go_left) {
    int n = 0;
    for (; node; node = go_left ? node->left : node->right) ++n;
    return n;
}

Rope rope_append(Rope root, RtString s) {
    if (!root) return rope_leaf_new(std::move(s));
    if (rope_path_length(root, true) == rope_path_length(root, false)) {
        // The tree is perfect: it becomes the left subtree of a new root.
        return new RopeNode{string_make_empty(), root, rope_leaf_new(std::move(s))};
    }
    root->right = rope_append(root->right, std::move(s));
    return root;
}

void rope_append_char(Rope& slot, u8 b) { slot = rope_append(slot, string_from_char(b)); }

i64 rope_length(const RopeNode* node) {
    if (!node) return 0;
    if (!node->left) return string_length(node->piece);
    return rope_length(node->left) + rope_length(node->right);
}

i64 rope_copy_to(RtString& dest, const RopeNode* node, i64 offset) {
    if (!node) return offset;
    if (!node->left) {
        i64 n = string_length(node->piece);
        VORN_ASSERT(offset + n <= string_length(dest));
        if (n > 0) std::memcpy(dest.block->bytes + offset, string_bytes(node->piece), size_t(n));
        return offset + n;
    }
    return rope_copy_to(dest, node->right, rope_copy_to(dest, node->left, offset));
}

void rope_node_free(RopeNode* node) {
    VORN_ASSERT(node != nullptr);
    if (node->left) rope_node_free(node->left);
    if (node->right) rope_node_free(node->right);
    delete node;  // releases the piece
}

void rope_destroy(Rope& slot) {
    VORN_ASSERT(slot != nullptr);
    rope_node_free(slot);
    slot = nullptr;
}

RtString rope_flatten(Rope& slot) {
    RtString text = string_with_length(rope_length(slot));  // private: filled in place
    rope_copy_to(text, slot, 0);
    if (slot) rope_destroy(slot);
    return text;
}
