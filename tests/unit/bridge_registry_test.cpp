// The bridge builtins over memory blocks, directories, parsing, block and
// descriptor I/O, string building, character classes, math and time are
// registered under their names with their arities and implementations.
#include <gtest/gtest.h>

#include "blocks.h"
#include "calendar.h"
#include "charclass.h"
#include "descriptors.h"
#include "dirs.h"
#include "mathfns.h"
#include "parsing.h"
#include "strbuild.h"
#include "streams.h"
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
        {"opendir", 1, builtin_opendir},
        {"readdir", 1, builtin_readdir},
        {"closedir", 1, builtin_closedir},
        {"dirent", 0, builtin_dirent},
        {"atof", 1, builtin_atof},
        {"atoi", 1, builtin_atoi},
        {"atol", 1, builtin_atoi},
        {"strtod", 2, builtin_strtod},
        {"strtol", 3, builtin_strtol},
        {"strtoul", 3, builtin_strtoul},
        {"abs", 1, builtin_abs},
        {"labs", 1, builtin_labs},
        {"fread", 4, builtin_fread},
        {"fwrite", 4, builtin_fwrite},
        {"fseek", 3, builtin_fseek},
        {"ftell", 1, builtin_ftell},
        {"fgetpos", 2, builtin_fgetpos},
        {"fsetpos", 2, builtin_fsetpos},
        {"rewind", 1, builtin_rewind},
        {"feof", 1, builtin_feof},
        {"ferror", 1, builtin_ferror},
        {"clearerr", 1, builtin_clearerr},
        {"fflush", 1, builtin_fflush},
        {"read", 3, builtin_read},
        {"write", 3, builtin_write},
        {"strcpy", 2, builtin_strcpy},
        {"strncpy", 3, builtin_strncpy},
        {"strcat", 2, builtin_strcat},
        {"strncat", 3, builtin_strncat},
        {"strdup", 1, builtin_strdup},
        {"strerror", 1, builtin_strerror},
        {"strtok", 2, builtin_strtok},
        {"strtok_r", 3, builtin_strtok_r},
        {"isalnum", 1, builtin_isalnum},
        {"isalpha", 1, builtin_isalpha},
        {"isascii", 1, builtin_isascii},
        {"isblank", 1, builtin_isblank},
        {"isdigit", 1, builtin_isdigit},
        {"isgraph", 1, builtin_isgraph},
        {"islower", 1, builtin_islower},
        {"isprint", 1, builtin_isprint},
        {"ispunct", 1, builtin_ispunct},
        {"isspace", 1, builtin_isspace},
        {"isupper", 1, builtin_isupper},
        {"toascii", 1, builtin_toascii},
        {"tolower", 1, builtin_tolower},
        {"toupper", 1, builtin_toupper},
        {"acos", 1, builtin_acos},
        {"asin", 1, builtin_asin},
        {"atan", 1, builtin_atan},
        {"ceil", 1, builtin_ceil},
        {"cos", 1, builtin_cos},
        {"cosh", 1, builtin_cosh},
        {"erf", 1, builtin_erf},
        {"erfc", 1, builtin_erfc},
        {"exp", 1, builtin_exp},
        {"fabs", 1, builtin_fabs},
        {"floor", 1, builtin_floor},
        {"log", 1, builtin_log},
        {"sin", 1, builtin_sin},
        {"sinh", 1, builtin_sinh},
        {"sqrt", 1, builtin_sqrt},
        {"tan", 1, builtin_tan},
        {"tanh", 1, builtin_tanh},
        {"fmod", 2, builtin_fmod},
        {"hypot", 2, builtin_hypot},
        {"nextafter", 2, builtin_nextafter},
        {"pow", 2, builtin_pow},
        {"frexp", 2, builtin_frexp},
        {"ldexp", 2, builtin_ldexp},
        {"modf", 2, builtin_modf},
        {"time", 1, builtin_time},
        {"time_t", 0, builtin_time_t},
        {"ctime", 1, builtin_ctime},
        {"asctime", 1, builtin_asctime},
        {"gmtime", 1, builtin_gmtime},
        {"localtime", 1, builtin_localtime},
        {"mktime", 1, builtin_mktime},
        {"difftime", 2, builtin_difftime},
        {"strftime", 4, builtin_strftime},
    };
    BuiltinTable& table = builtin_registry();
    EXPECT_EQ(sizeof cases / sizeof cases[0], 90u);
    for (const Case& c : cases) {
        auto it = map_builtins_find(table, string_from_cstr(c.name));
        ASSERT_NE(it, table.end()) << c.name;
        EXPECT_EQ(it->second.arity, c.arity) << c.name;
        EXPECT_EQ(it->second.fn, c.fn) << c.name;
    }
}

}  // namespace
