// The builtin registry: the program-wide table `builtins` binding each of the
// 255 builtin names to its arity and its implementation.
#pragma once

#include "node.h"
#include "tables.h"

// The number of builtins.
inline constexpr int BUILTIN_COUNT = 255;

// One row of the registry: a builtin's name, arity and implementation.
struct BuiltinSpec {
    const char* name;
    u8 arity;
    BuiltinFn fn;
};

// The 255 rows, in the order the registry enters them.
extern const BuiltinSpec BUILTIN_SPECS[BUILTIN_COUNT];

// The program-wide table `builtins`, created on first use. Whenever it is
// found empty, all 255 rows are entered first; a table holding entries is
// returned unchanged. Never fails.
BuiltinTable& builtin_registry();

