// The host builtins of this family are registered under their names with
// their arities, each with its own implementation.
#include <gtest/gtest.h>

#include "host.h"
#include "memory.h"
#include "registry.h"

namespace {

TEST(HostRegistry, NamesArityAndImplementation) {
    struct Case {
        const char* name;
        int arity;
        BuiltinFn fn;
    } cases[] = {
        {"abort", 0, builtin_abort},
        {"assert", 1, builtin_assert},
        {"exit", 1, builtin_exit},
        {"system", 1, builtin_system},
        {"getenv", 1, builtin_getenv},
        {"raise", 1, builtin_raise},
        {"rand", 0, builtin_rand},
        {"rand_max", 0, builtin_rand_max},
        {"srand", 1, builtin_srand},
        {"errno", 0, builtin_errno},
        {"eacces", 0, builtin_eacces},
        {"ebadf", 0, builtin_ebadf},
        {"econnaborted", 0, builtin_econnaborted},
        {"efault", 0, builtin_efault},
        {"eintr", 0, builtin_eintr},
        {"einval", 0, builtin_einval},
        {"eio", 0, builtin_eio},
        {"emfile", 0, builtin_emfile},
        {"enfile", 0, builtin_enfile},
        {"enodev", 0, builtin_enodev},
        {"enomem", 0, builtin_enomem},
        {"enotsock", 0, builtin_enotsock},
        {"enxio", 0, builtin_enxio},
        {"eopnotsupp", 0, builtin_eopnotsupp},
        {"eoverflow", 0, builtin_eoverflow},
        {"ewouldblock", 0, builtin_ewouldblock},
        {"refh", 1, builtin_refh},
        {"refi", 1, builtin_refi},
        {"refj", 1, builtin_refj},
        {"refk", 1, builtin_refk},
        {"refl", 2, builtin_refl},
        {"refm", 2, builtin_refm},
        {"refn", 2, builtin_refn},
        {"refo", 2, builtin_refo},
        {"fopen", 2, builtin_fopen},
        {"fdopen", 2, builtin_fdopen},
        {"tmpfile", 0, builtin_tmpfile},
        {"tmpnam", 1, builtin_tmpnam},
        {"remove", 1, builtin_remove},
        {"rename", 2, builtin_rename},
        {"setbuf", 2, builtin_setbuf},
        {"fclose", 1, builtin_fclose},
        {"fileno", 1, builtin_fileno},
        {"stdout", 0, builtin_stdout},
        {"stderr", 0, builtin_stderr},
        {"fgetc", 1, builtin_fgetc},
        {"getc", 1, builtin_getc},
        {"getchar", 0, builtin_getchar},
        {"ungetc", 2, builtin_ungetc},
        {"fgets", 3, builtin_fgets},
        {"fputc", 2, builtin_fputc},
        {"putc", 2, builtin_putc},
        {"putchar", 1, builtin_putchar},
        {"fputs", 2, builtin_fputs},
        {"puts", 1, builtin_puts},
        {"perror", 1, builtin_perror},
        {"strlen", 1, builtin_strlen},
        {"strnlen", 2, builtin_strnlen},
        {"strcmp", 2, builtin_strcmp},
        {"strncmp", 3, builtin_strncmp},
        {"strcasecmp", 2, builtin_strcasecmp},
        {"strncasecmp", 3, builtin_strncasecmp},
        {"strchr", 2, builtin_strchr},
        {"strrchr", 2, builtin_strrchr},
        {"strstr", 2, builtin_strstr},
        {"strpbrk", 2, builtin_strpbrk},
        {"strspn", 2, builtin_strspn},
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
