// Arrays: the block layout, the "U" rule, empty slots, references held by
// slots, in-place set, clones sharing elements, and the cons-list view.
#include <gtest/gtest.h>

#include <string>

#include "cray.h"
#include "order.h"
#include "tag.h"

namespace {

NodeRef L(const std::string& text) { return noderef_from_string(string_from_std(text)); }
NodeRef empty_cray() { return noderef_wrap(leaf_new_vector(0)); }

// An array of the given leaves, built by pushes.
NodeRef cray_of(std::initializer_list<const char*> leaves) {
    NodeRef c = empty_cray();
    for (const char* text : leaves) c = cray_push_back(std::move(c), L(text));
    return c;
}

std::string element_text(const NodeRef& c, i64 i) { return string_to_std(node_text(cray_get(c, i))); }

const char* const CRAY_DEATH = "ASSERTION FAILED:cray:[0-9]+\n";

TEST(Cray, NewBlocks) {
    NodeRef c = cray_of({"a", "b", "c"});
    EXPECT_EQ(c.node->header >> 56, 0x80u);  // leaf bit, no tag yet
    EXPECT_EQ(node_refcount(c.node), 1u);
    EXPECT_EQ(node_aux(c.node), 3u);
    EXPECT_EQ(cray_count(c), 3);
    EXPECT_EQ(leaf_bytes(c.node)[0], 0x0A);
    EXPECT_EQ(leaf_byte_length(c), 25);
    EXPECT_EQ(element_text(c, 0), "a");
    EXPECT_EQ(element_text(c, 2), "c");
}

TEST(Cray, PushesKeepOrderAndReferences) {
    NodeRef x = L("x");
    NodeRef c = cray_push_front(x, cray_of({"a", "b"}));
    NodeRef d = cray_push_back(c, x);
    EXPECT_EQ(element_text(d, 0), "x");
    EXPECT_EQ(element_text(d, 1), "a");
    EXPECT_EQ(element_text(d, 3), "x");
    EXPECT_EQ(node_refcount(x.node), 4u);  // the handle, two slots of d, one of c
    c = empty_cray();
    EXPECT_EQ(node_refcount(x.node), 3u);
    EXPECT_EQ(cray_get(d, 3).node, x.node);
    EXPECT_EQ(node_refcount(x.node), 3u);  // the handle returned by cray_get is gone
}

TEST(Cray, ULeavesAreNotStored) {
    for (const char* u : {"U", "Uxyz"}) {
        NodeRef back = cray_push_back(cray_of({"a"}), L(u));
        NodeRef front = cray_push_front(L(u), cray_of({"a"}));
        EXPECT_EQ(cray_count(back), 2);
        EXPECT_EQ(leaf_vector_slot(back.node, 1), nullptr) << u;
        EXPECT_EQ(leaf_vector_slot(front.node, 0), nullptr) << u;
        EXPECT_EQ(element_text(back, 1), "Z");
        EXPECT_EQ(element_text(front, 1), "a");
    }
}

TEST(Cray, EmptySlotsReadAsNewZ) {
    NodeRef c = cray_push_back(empty_cray(), L("U"));
    NodeRef z1 = cray_get(c, 0);
    NodeRef z2 = cray_get(c, 0);
    EXPECT_EQ(string_to_std(node_text(z1)), "Z");
    EXPECT_NE(z1.node, z2.node);
    EXPECT_EQ(node_refcount(z1.node), 1u);
}

TEST(Cray, SetInPlace) {
    NodeRef x = L("x");
    NodeRef y = L("y");
    NodeRef c = cray_of({"a", "b"});
    cray_set(c, 0, x);
    EXPECT_EQ(node_refcount(x.node), 2u);
    cray_set(c, 0, x);  // the element already there stays alive
    EXPECT_EQ(node_refcount(x.node), 2u);
    EXPECT_EQ(element_text(c, 0), "x");
    cray_set(c, 0, y);
    EXPECT_EQ(node_refcount(x.node), 1u);
    cray_set(c, 0, L("U"));  // empties the slot and releases the old element
    EXPECT_EQ(node_refcount(y.node), 1u);
    EXPECT_EQ(leaf_vector_slot(c.node, 0), nullptr);
    cray_set(c, 0, x);  // into an empty slot
    EXPECT_EQ(element_text(c, 0), "x");
}

TEST(Cray, ConcatCopiesSlotsAsTheyAre) {
    NodeRef joined = cray_concat(empty_cray(), empty_cray());
    EXPECT_EQ(cray_count(joined), 0);
    EXPECT_EQ(leaf_bytes(joined.node)[0], 0x0A);
    NodeRef x = L("x");
    NodeRef a = cray_push_back(cray_of({"a"}), L("U"));
    NodeRef b = cray_push_back(cray_of({"b"}), x);
    joined = cray_concat(a, b);
    EXPECT_EQ(cray_count(joined), 4);
    EXPECT_EQ(element_text(joined, 0), "a");
    EXPECT_EQ(leaf_vector_slot(joined.node, 1), nullptr);
    EXPECT_EQ(element_text(joined, 2), "b");
    EXPECT_EQ(node_refcount(x.node), 3u);
    b = empty_cray();
    EXPECT_EQ(node_refcount(x.node), 2u);
    EXPECT_EQ(cray_get(joined, 3).node, x.node);
}

TEST(Cray, ClonesShareElementsNotSlots) {
    NodeRef x = L("x");
    NodeRef source = cray_push_back(cray_push_back(empty_cray(), L("U")), x);
    term_compute_tag(source);  // the clone keeps the header's tag and count
    NodeRef clone = cray_clone(source);
    EXPECT_EQ(clone.node->header, (source.node->header & ~REFCOUNT_MAX) | 1);
    EXPECT_EQ(leaf_vector_slot(clone.node, 0), nullptr);
    EXPECT_EQ(node_refcount(x.node), 3u);
    cray_set(clone, 1, L("y"));
    EXPECT_EQ(element_text(source, 1), "x");
    EXPECT_EQ(element_text(clone, 1), "y");
    cray_set(clone, 0, x);
    source = empty_cray();  // releasing the source leaves the clone's elements
    EXPECT_EQ(node_refcount(x.node), 2u);
    EXPECT_EQ(element_text(clone, 0), "x");
}

TEST(Cray, ConsList) {
    EXPECT_EQ(string_to_std(node_text(cray_to_cons_list(empty_cray()))), "K");
    NodeRef x = L("x");
    NodeRef list = cray_to_cons_list(cray_push_back(empty_cray(), x));
    EXPECT_EQ(term_compare(list, node_app(node_app(L("J"), L("x")), L("K"))), 0);
    EXPECT_EQ(pair_right(pair_left(list.node)), x.node);
    NodeRef two = cray_to_cons_list(cray_push_back(cray_of({"a"}), L("U")));
    NodeRef expected = node_app2(L("J"), L("a"), node_app2(L("J"), L("Z"), L("K")));
    EXPECT_EQ(term_compare(two, expected), 0);
}

TEST(Cray, NotAnArrayIsFatal) {
    EXPECT_DEATH(cray_require(L("x")), CRAY_DEATH);
    EXPECT_DEATH(cray_push_back(L("[]"), L("x")), CRAY_DEATH);
    EXPECT_DEATH(cray_concat(empty_cray(), node_app(L("\n"), L("x"))), CRAY_DEATH);
}

}  // namespace
