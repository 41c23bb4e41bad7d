// Ordered containers: key order, defaults, equal-key rules, multi order,
// removal and iteration; the program-wide tables.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "capture.h"
#include "intern.h"
#include "tables.h"

namespace {

const char* const TABLES_DEATH = "ASSERTION FAILED:tables:[0-9]+\n";

RtString S(const std::string& text) { return string_from_std(text); }
NodeRef leaf(const char* text) { return noderef_from_cstr(text); }

template <class M>
std::vector<std::string> keys_of(const M& m) {
    std::vector<std::string> keys;
    for (const auto& entry : m) keys.push_back(string_to_std(entry.first));
    return keys;
}

DefsMap defs_with(std::initializer_list<const char*> names) {
    DefsMap m;
    for (const char* name : names) map_defs_get_or_insert(m, S(name)) = leaf(name);
    return m;
}

TEST(DefsMap, KeysInStringOrder) {
    DefsMap m = defs_with({"b", "a", "ab", ""});
    EXPECT_EQ(keys_of(m), (std::vector<std::string>{"", "a", "ab", "b"}));
    DefsMap high = defs_with({"\x80", "\x7F", "z"});
    EXPECT_EQ(keys_of(high), (std::vector<std::string>{"z", "\x7F", "\x80"}));
}

TEST(DefsMap, GetOrInsert) {
    DefsMap m;
    RtString key = S("name");
    NodeRef& slot = map_defs_get_or_insert(m, key);
    EXPECT_EQ(string_to_std(node_text(slot)), "");  // a new empty leaf
    EXPECT_EQ(node_refcount(slot.node), 1u);
    slot = leaf("body");
    NodeRef& again = map_defs_get_or_insert(m, S("name"));  // an equal, different key object
    EXPECT_EQ(&again, &slot);
    EXPECT_EQ(m.size(), 1u);
    EXPECT_EQ(m.begin()->first.block, key.block);  // the stored key stays
    EXPECT_EQ(string_refcount(key), 2);
    EXPECT_EQ(map_find(m, S("name")), m.begin());
    EXPECT_EQ(map_find(m, S("nam")), m.end());
}

TEST(DefsMap, CloneSharesAndOutlives) {
    DefsMap m = defs_with({"b", "a", "c"});
    NodeRef a = m.begin()->second;
    EXPECT_EQ(node_refcount(a.node), 2u);
    {
        DefsMap clone = map_defs_clone_nodes(m);
        EXPECT_EQ(keys_of(clone), keys_of(m));
        EXPECT_EQ(clone.begin()->second.node, a.node);
        EXPECT_EQ(node_refcount(a.node), 3u);
        map_defs_get_or_insert(clone, S("d"));
        EXPECT_EQ(m.size(), 3u);
        map_defs_destroy(clone);
        EXPECT_TRUE(clone.empty());
    }
    EXPECT_EQ(node_refcount(a.node), 2u);
    map_defs_free_nodes(m);
    EXPECT_EQ(node_refcount(a.node), 1u);
}

TEST(DefsMap, EraseKeepsOtherIterators) {
    DefsMap m = defs_with({"a", "b", "c", "d"});
    auto c = map_find(m, S("c"));
    map_defs_erase(m, map_find(m, S("b")));
    map_defs_remove_node(m, map_find(m, S("d")));
    EXPECT_EQ(string_to_std(c->first), "c");
    EXPECT_EQ(keys_of(m), (std::vector<std::string>{"a", "c"}));
}

TEST(DefsMap, EraseRange) {
    DefsMap m = defs_with({"a", "b", "c", "d"});
    map_defs_erase_range(m, m.begin(), m.begin());  // empty range
    EXPECT_EQ(m.size(), 4u);
    map_defs_erase_range(m, map_find(m, S("b")), map_find(m, S("d")));
    EXPECT_EQ(keys_of(m), (std::vector<std::string>{"a", "d"}));
    EXPECT_DEATH(map_defs_erase_range(m, map_find(m, S("d")), m.begin()), TABLES_DEATH);
    map_defs_erase_range(m, m.begin(), m.end());
    EXPECT_TRUE(m.empty());
}

TEST(TreeIterators, NextAndDeref) {
    DefsMap m = defs_with({"a", "b"});
    auto it = map_begin(m);
    EXPECT_EQ(string_to_std(map_iter_next(m, it)->first), "a");
    auto last = it;
    EXPECT_EQ(map_iter_next(m, it), last);  // returns the last node, leaves the end
    EXPECT_EQ(it, m.end());
    EXPECT_DEATH(map_iter_next(m, it), TABLES_DEATH);
    EXPECT_DEATH(tree_iter_deref(m, it), TABLES_DEATH);
    EXPECT_EQ(string_to_std(tree_iter_deref(m, last).first), "b");
    DefsMap empty;
    EXPECT_EQ(map_begin(empty), empty.end());
}

TEST(TextMaps, DefaultsAndMultiOrder) {
    TextMap text;
    EXPECT_EQ(string_to_std(map_text_get_or_insert(text, S("k"))), "");
    map_text_get_or_insert(text, S("k")) = S("v");
    EXPECT_EQ(string_to_std(map_text_get_or_insert(text, S("k"))), "v");
    map_text_erase(text, map_find(text, S("k")));
    EXPECT_TRUE(text.empty());

    TextMultiMap multi;
    multimap_text_insert(multi, S("b"), S("other"));
    auto first = multimap_text_insert(multi, S("a"), S("first"));
    auto second = multimap_text_insert(multi, S("a"), S("second"));
    auto after = multimap_text_insert(multi, S("ab"), S("after"));
    EXPECT_EQ(multimap_text_lower_bound(multi, S("a")), first);
    EXPECT_EQ(std::next(first), second);
    EXPECT_EQ(multimap_text_upper_bound(multi, S("a")), after);
    EXPECT_EQ(multimap_text_lower_bound(multi, S("aa")), after);  // no equal key
    EXPECT_EQ(multimap_text_upper_bound(multi, S("c")), multi.end());
    multimap_text_erase_range(multi, first, after);
    EXPECT_EQ(keys_of(multi), (std::vector<std::string>{"ab", "b"}));
    EXPECT_DEATH(multimap_text_erase_range(multi, std::next(multi.begin()), multi.begin()), TABLES_DEATH);
    map_text_free_nodes(multi);
    EXPECT_TRUE(multi.empty());
}

TEST(BuiltinTable, DefaultEntry) {
    BuiltinTable table;
    EXPECT_EQ(map_builtins_find(table, S("plus")), table.end());
    BuiltinEntry& entry = map_builtins_get_or_insert(table, S("plus"));
    EXPECT_EQ(entry.arity, 0);
    EXPECT_EQ(entry.fn, nullptr);
    entry.arity = 2;
    EXPECT_EQ(map_builtins_find(table, S("plus"))->second.arity, 2);
    map_builtins_remove_node(table, table.begin());
    EXPECT_TRUE(table.empty());
}

TEST(NameSet, EqualInsertReplacesTheKey) {
    NameSet names;
    RtString first = S("name");
    RtString second = S("name");
    set_names_insert(names, first);
    auto it = set_names_insert(names, second);
    EXPECT_EQ(names.size(), 1u);
    EXPECT_EQ(it->name.block, second.block);
    EXPECT_EQ(string_refcount(first), 1);
    set_names_insert(names, S("a"));
    set_names_insert(names, S("b"));
    EXPECT_EQ(string_to_std(set_begin(names)->name), "a");
    EXPECT_EQ(set_names_find(names, S("b")), std::next(set_begin(names)));
    NameSet clone = set_names_clone_nodes(names);
    EXPECT_EQ(string_refcount(second), 3);
    set_names_erase_range(clone, clone.begin(), clone.end());
    set_names_erase(names, set_names_find(names, S("a")));
    EXPECT_EQ(names.size(), 2u);
    set_names_destroy(names);
    EXPECT_EQ(string_refcount(second), 1);
}

TEST(PlainSets, LinesAndPointers) {
    LineSet lines;
    auto five = multiset_lines_insert(lines, 5);
    auto three = multiset_lines_insert(lines, 3);
    auto five_again = multiset_lines_insert(lines, 5);
    std::vector<LineSet::iterator> order;
    for (auto it = lines.begin(); it != lines.end(); ++it) order.push_back(it);
    EXPECT_EQ(order, (std::vector<LineSet::iterator>{three, five, five_again}));
    multiset_lines_erase(lines, five);
    EXPECT_EQ(std::vector<i64>(lines.begin(), lines.end()), (std::vector<i64>{3, 5}));
    EXPECT_EQ(std::next(set_begin(lines)), five_again);
    set_plain_destroy(lines);
    EXPECT_TRUE(lines.empty());

    PointerSet pointers;
    int a = 0, b = 0;
    auto first = set_pointers_insert(pointers, &b);
    set_pointers_insert(pointers, &a);
    EXPECT_EQ(set_pointers_insert(pointers, &b), first);
    EXPECT_EQ(pointers.size(), 2u);
    set_plain_free_nodes(pointers);
    EXPECT_TRUE(pointers.empty());
}

TEST(ProgramTables, OneInstanceEach) {
    EXPECT_EQ(&definitions_instance(), &definitions_instance());
    EXPECT_NE(&definitions_instance(), &prelude_snapshot());
    EXPECT_EQ(&wrapped_names(), &wrapped_names());
}

TEST(ProgramTables, DestroyedAtNormalExit) {
    // A normal exit frees the tables, deep terms included, without
    // exhausting the stack; the process still ends with its status.
    ChildOutcome child = capture_child([] {
        NodeRef list = noderef_from_cstr("K");
        for (int i = 0; i < 1000000; ++i)
            list = node_app2(noderef_from_cstr("J"), noderef_from_cstr("1"), std::move(list));
        map_defs_get_or_insert(definitions_instance(), S("list")) = list;
        intern_term(std::move(list));
        std::exit(7);
    });
    EXPECT_EQ(child.signal, 0);
    EXPECT_EQ(child.status, 7);
}

}  // namespace
