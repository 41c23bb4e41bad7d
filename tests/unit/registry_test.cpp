// The builtin registry: its 255 names and arities, filling and placeholders.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "registry.h"

namespace {

BuiltinEntry registry_entry(const char* name) {
    BuiltinTable& table = builtin_registry();
    auto it = map_builtins_find(table, string_from_cstr(name));
    EXPECT_NE(it, table.end()) << name;
    return it == table.end() ? BuiltinEntry{} : it->second;
}

}  // namespace

TEST(Registry, HoldsEveryNameOnceWithItsArity) {
    BuiltinTable& table = builtin_registry();
    EXPECT_EQ(table.size(), 255u);
    std::map<int, int> by_arity;
    for (const auto& [name, entry] : table) {
        ++by_arity[entry.arity];
        EXPECT_NE(entry.fn, nullptr) << string_to_std(name);
    }
    std::map<int, int> expected = {{0, 31}, {1, 101}, {2, 72}, {3, 40}, {4, 7}, {5, 1}, {6, 2}, {7, 1}};
    EXPECT_EQ(by_arity, expected);

    struct Case {
        const char* name;
        int arity;
    } cases[] = {
        {"cray", 0}, {"errno", 0}, {"sock_stream", 0}, {"road", 1}, {"exit", 1},
        {"closesocket", 1}, {"plus", 2}, {"fd_set", 2}, {"strtol", 3}, {"cork", 3},
        {"memmove", 3}, {"socket", 3}, {"fread", 4}, {"setsockopt", 5}, {"sendto", 6},
        {"getnameinfo", 7},
    };
    for (auto c : cases) EXPECT_EQ(registry_entry(c.name).arity, c.arity) << c.name;
    EXPECT_EQ(map_builtins_find(table, string_from_cstr("fact")), table.end());
}

TEST(Registry, SharedImplementations) {
    EXPECT_EQ(registry_entry("atol").fn, registry_entry("atoi").fn);
    EXPECT_EQ(registry_entry("memmove").fn, registry_entry("memcpy").fn);
    EXPECT_EQ(registry_entry("sock_stream").fn, registry_entry("ai_passive").fn);
}

TEST(Registry, RefillsOnlyWhenEmpty) {
    BuiltinTable& table = builtin_registry();
    map_builtins_get_or_insert(table, string_from_cstr("plus")).arity = 5;
    EXPECT_EQ(builtin_registry().size(), 255u);
    EXPECT_EQ(registry_entry("plus").arity, 5);  // a filled table is left alone
    map_builtins_free_nodes(table);
    EXPECT_EQ(builtin_registry().size(), 255u);
    EXPECT_EQ(registry_entry("plus").arity, 2);
}

