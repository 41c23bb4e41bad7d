// Pair tags: node_tag_pair against a plain, branch-by-branch statement of
// the tag rules, over every tag of both children (all 128 values of bits
// 56-62 each side), the aux values that decide masks and data lengths, and
// every child shape the rules look into: line marks, leaves whose aux is a
// length, lambdas, both brace shapes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tag.h"

namespace {

// The rules, stated one case at a time.
namespace reference {

u8 first(const Node* n) { return leaf_bytes(n)[0]; }

bool leaf_starting(const Node* n, u8 c) { return node_is_leaf(n) && first(n) == c; }

u64 free_mask(const Node* n, u64 h) {
    u64 aux = (h & AUX_MASK) >> AUX_SHIFT;
    if (aux == 0) return 0;
    if (h & LEAF_BIT) {
        u8 c = first(n);
        return (c >= '0' && c <= '9') || c == '[' || c == 0x0A || c == '`' ? 0 : aux;
    }
    return ((h >> TAG_SHIFT) & 0x7F) == TAG_DATA ? 0 : aux;
}

u64 pair_header(const Node* t) {
    const Node* left = pair_left(t);
    const Node* right = pair_right(t);
    u64 lh = left->header, rh = right->header;
    unsigned ltag = unsigned(lh >> TAG_SHIFT) & 0x7F;
    unsigned rtag = unsigned(rh >> TAG_SHIFT) & 0x7F;
    bool left_data = ltag == TAG_DATA;
    bool right_data = rtag == TAG_DATA;
    u64 h = t->header;
    if (left_data && right_data) {
        h |= REDEX_BELOW_BIT;
        u64 la = (lh & AUX_MASK) >> AUX_SHIFT, ra = (rh & AUX_MASK) >> AUX_SHIFT;
        if (la >= 2 && ra >= 2 && la + ra < AUX_LIMIT) h = (h & ~AUX_MASK) | ((la + ra) << AUX_SHIFT);
        return h;
    }
    i64 a = 0;
    if (!left_data) {
        bool line_mark = node_is_leaf(left) && first(left) == '`';
        i64 la = ltag == 0 && line_mark ? 1 : i64(ltag & 0x3F) - ARITY_BIAS;
        a = (la == ARITY_MAX || la <= ARITY_MIN) ? la : la - 1;
    }
    h |= u64(a + ARITY_BIAS) << TAG_SHIFT;
    bool left_pair = !(lh & LEAF_BIT);
    const Node* ll = left_pair ? pair_left(left) : nullptr;
    u64 right_mask = free_mask(right, rh);
    u64 mask;
    if (left_pair && leaf_starting(ll, '\\')) {
        mask = right_mask & ~free_mask(left, lh);
    } else {
        bool redex = (!left_data && (lh & REDEX_BELOW_BIT)) || (!right_data && (rh & REDEX_BELOW_BIT)) ||
                     (!right_data && i64(rtag & 0x3F) - ARITY_BIAS < 1);
        if (redex) h |= REDEX_BELOW_BIT;
        if (left_pair && leaf_starting(ll, '{')) {
            mask = right_mask;
        } else if (left_pair && !node_is_leaf(ll) && leaf_starting(pair_left(ll), '{')) {
            const Node* bound = pair_right(ll);
            mask = (right_mask & ~free_mask(bound, bound->header)) | free_mask(left, lh);
        } else {
            mask = free_mask(left, lh) | right_mask;
        }
    }
    return (h & ~AUX_MASK) | (mask << AUX_SHIFT);
}

}  // namespace reference

NodeRef L(const std::string& text) { return noderef_from_string(string_from_std(text)); }
NodeRef A(NodeRef f, NodeRef x) { return node_make_app(std::move(f), std::move(x)); }

// A node whose tag and aux bits the test sets at will; its own header comes
// back before it is released.
struct Child {
    NodeRef node;
    u64 saved;
    explicit Child(NodeRef n) : node(std::move(n)), saved(node.node->header) {}
    void set(unsigned tag, u64 aux) {
        u64 keep = saved & (LEAF_BIT | REFCOUNT_MAX);
        node.node->header = keep | (u64(tag) << TAG_SHIFT) | (aux << AUX_SHIFT);
    }
    void restore() { node.node->header = saved; }
};

const u64 AUXES[] = {0, 6, AUX_LIMIT - 2};

TEST(PairTags, TablesGiveTheRuleHeaderForEveryChildTag) {
    // Left children: leaves of each first byte the rules read, and pairs
    // whose left part is each binder shape or none.
    std::vector<NodeRef> lefts;
    for (const char* text : {"`", "0", "12", "[", "\n", "a", "K", "\\", "{", "fn", " "}) lefts.push_back(L(text));
    NodeRef bound_closed = L("5");
    NodeRef bound_open = A(L("f"), L("b"));
    term_compute_tag(A(NodeRef(bound_open), L("c")));  // tags bound_open: mask of b
    lefts.push_back(A(L("\\"), L("a")));
    lefts.push_back(A(L("\\x"), L("a")));
    lefts.push_back(A(L("{"), L("a")));
    lefts.push_back(A(A(L("{"), L("a")), NodeRef(bound_closed)));
    lefts.push_back(A(A(L("{"), L("a")), NodeRef(bound_open)));
    lefts.push_back(A(A(L("f"), L("a")), L("b")));
    lefts.push_back(A(L("f"), L("a")));
    std::vector<NodeRef> rights;
    for (const char* text : {"`", "0", "[", "b", "\n"}) rights.push_back(L(text));
    rights.push_back(A(L("f"), L("b")));

    std::vector<Child> left_children, right_children;
    left_children.reserve(lefts.size());
    right_children.reserve(rights.size());
    for (NodeRef& n : lefts) left_children.emplace_back(n);
    for (NodeRef& n : rights) right_children.emplace_back(n);
    long mismatches = 0;
    for (Child& left : left_children) {
        for (Child& right : right_children) {
            PairNode t{};
            t.left = left.node.node;
            t.right = right.node.node;
            for (unsigned ltag = 0; ltag < 128; ++ltag) {
                for (u64 laux : AUXES) {
                    left.set(ltag, laux);
                    for (unsigned rtag = 0; rtag < 128; ++rtag) {
                        for (u64 raux : AUXES) {
                            right.set(rtag, raux);
                            // The pair's own aux on entry (tag bits 0) alternates.
                            u64 entry = (ltag + rtag) % 2 ? 1 : 1 | (u64(9) << AUX_SHIFT);
                            t.head.header = entry;
                            u64 expected = reference::pair_header(&t.head);
                            node_tag_pair(&t.head);
                            if (t.head.header != expected && ++mismatches <= 5) {
                                ADD_FAILURE() << "left " << std::hex << left.node.node->header << " right "
                                              << right.node.node->header << " entry " << entry << ": "
                                              << t.head.header << " instead of " << expected;
                            }
                        }
                    }
                }
            }
            left.restore();
            right.restore();
        }
    }
    EXPECT_EQ(mismatches, 0);
}

}  // namespace
