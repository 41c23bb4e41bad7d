// The bridge builtins over memory blocks, directories, parsing, block and
// descriptor I/O, string building, character classes, math and time are
// registered under their names with their arities and implementations.
#include <gtest/gtest.h>

#include "blocks.h"
#include "registry.h"

namespace {

TEST(BridgeRegistry, NamesArityAndImplementation) {
    struct Case {
        const char* name;
        int arity;
        BuiltinFn fn;
    } cases[] = {
        {"malloc", 1, builtin_malloc},
        {"calloc", 2, builtin_calloc},
        {"realloc", 2, builtin_realloc},
        {"free", 1, builtin_free},
        {"bzero", 2, builtin_bzero},
        {"memset", 3, builtin_memset},
        {"memcpy", 3, builtin_memcpy},
        {"memmove", 3, builtin_memcpy},
        {"memchr", 3, builtin_memchr},
        {"memcmp", 3, builtin_memcmp},
    };
    BuiltinTable& table = builtin_registry();
    for (const Case& c : cases) {
        auto it = map_builtins_find(table, string_from_cstr(c.name));
        ASSERT_NE(it, table.end()) << c.name;
        EXPECT_EQ(it->second.arity, c.arity) << c.name;
        EXPECT_EQ(it->second.fn, c.fn) << c.name;
    }
}

}  // namespace
