// Doubly linked lists: both ends, the empty checks and destruction.
#include <gtest/gtest.h>

#include <malloc.h>
#include <string>

#include "capture.h"
#include "node.h"
#include "s.h"

namespace {

// The values from head to tail, checking the back links on the way.
std::string list_values(const List<i64>& list) {
    std::string text;
    const ListCell<i64>* prev = nullptr;
    for (const ListCell<i64>* c = list.head; c; c = c->next) {
        EXPECT_EQ(c->prev, prev);
        text += std::to_string(c->value);
        prev = c;
    }
    EXPECT_EQ(list.tail, prev);
    return text;
}

TEST(List, PushBackThenPopFrontEmpties) {
    PositionList list;
    list_push_back(list, i64(5));
    EXPECT_EQ(list.head, list.tail);
    list_pop_front(list);
    EXPECT_EQ(list.head, nullptr);
    EXPECT_EQ(list.tail, nullptr);
    EXPECT_TRUE(list_is_empty(list));
}

TEST(List, BothEnds) {
    PositionList list;
    list_push_front(list, i64(1));
    list_push_front(list, i64(2));
    list_push_back(list, i64(3));
    EXPECT_EQ(list_front(list)->value, 2);
    EXPECT_EQ(list_back(list)->value, 3);
    EXPECT_EQ(list_size(list), 3);
    EXPECT_EQ(list_values(list), "213");
    list_pop_back(list);
    list_pop_back(list);
    EXPECT_EQ(list_values(list), "2");
    EXPECT_EQ(list.head, list.tail);
    EXPECT_EQ(list.head->prev, nullptr);
    EXPECT_EQ(list.head->next, nullptr);
    list_push_back(list, i64(4));
    list_push_back(list, i64(5));
    list_pop_front(list);
    EXPECT_EQ(list_values(list), "45");
    list_plain_destroy(list);
    EXPECT_EQ(list.head, nullptr);
    EXPECT_EQ(list_size(list), 0);
}

// The four end checks are distinct assertions in the runtime header.
TEST(ListDeath, EmptyEndsAreDistinctAssertions) {
    PositionList empty;
    std::string messages[] = {
        capture_child([&] { list_front(empty); }).err,
        capture_child([&] { list_back(empty); }).err,
        capture_child([&] { list_pop_front(empty); }).err,
        capture_child([&] { list_pop_back(empty); }).err,
    };
    for (size_t i = 0; i < std::size(messages); ++i) {
        EXPECT_TRUE(messages[i].starts_with("ASSERTION FAILED:s:")) << messages[i];
        EXPECT_EQ(messages[i].back(), '\n');
        for (size_t j = 0; j < i; ++j) EXPECT_NE(messages[i], messages[j]);
    }
}

TEST(List, DestroyReleasesEveryValue) {
    RtString s = string_from_cstr("held");
    List<RtString> list;
    for (int i = 0; i < 3; ++i) list_push_back(list, string_copy(s));
    EXPECT_EQ(string_refcount(s), 4);
    list_pop_front(list);
    EXPECT_EQ(string_refcount(s), 3);
    list_nodes_destroy(list);
    EXPECT_EQ(list.head, nullptr);
    EXPECT_EQ(string_refcount(s), 1);
}

TEST(List, DestroyingNodeHandlesReleasesEachReference) {
    NodeRef leaf = noderef_from_cstr("x");
    List<NodeRef> list;
    for (int i = 0; i < 3; ++i) list_push_back(list, noderef_copy(leaf));
    EXPECT_EQ(node_refcount(leaf.node), 4u);
    list_nodes_destroy(list);
    EXPECT_EQ(node_refcount(leaf.node), 1u);
}

TEST(List, OwnerEndFreesLeftoverCells) {
    RtString s = string_from_cstr("held");
    {
        List<RtString> list;
        list_push_front(list, string_copy(s));
        list_push_back(list, string_copy(s));
        List<RtString> moved = std::move(list);
        EXPECT_TRUE(list_is_empty(list));
        EXPECT_EQ(list_size(moved), 2);
    }
    EXPECT_EQ(string_refcount(s), 1);
}

TEST(List, LongListsDestroyWithoutRecursion) {
#ifdef VORN_SANITIZED
    const i64 n = 1000000;
#else
    const i64 n = 10000000;
#endif
    PositionList list;
    for (i64 i = 0; i < n; ++i) list_push_back(list, i);
    EXPECT_EQ(list_back(list)->value, n - 1);
    list_plain_destroy(list);
    EXPECT_TRUE(list_is_empty(list));
    malloc_trim(0);  // hand the cells' pages back: later death tests fork this process
}

}  // namespace
