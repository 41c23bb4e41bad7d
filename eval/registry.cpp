// The builtin registry. Each row binds a name to its arity and function;
// a builtin is brought in by replacing builtin_unbuilt in its row.
#include "registry.h"

#include "access.h"
#include "arithmetic.h"
#include "bitlists.h"
#include "blocks.h"
#include "comparisons.h"
#include "convert.h"
#include "ends.h"
#include "host.h"
#include "identity.h"
#include "memory.h"
#include "sockets.h"
#include "views.h"

NodeRef builtin_unbuilt(NodeRef app) {
    noderef_release(app);
    return noderef_from_cstr("Z");
}

const BuiltinSpec BUILTIN_SPECS[BUILTIN_COUNT] = {
    // Arity 0.
    // language primitives
    {"cray", 0, builtin_cray},
    // host library
    {"abort", 0, builtin_abort},
    {"dirent", 0, builtin_unbuilt},
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
    {"errno", 0, builtin_errno},
    {"ewouldblock", 0, builtin_ewouldblock},
    {"getchar", 0, builtin_getchar},
    {"rand", 0, builtin_rand},
    {"rand_max", 0, builtin_rand_max},
    {"stderr", 0, builtin_stderr},
    {"stdout", 0, builtin_stdout},
    {"time_t", 0, builtin_unbuilt},
    {"tmpfile", 0, builtin_tmpfile},
    // sockets
    {"addrinfo", 0, builtin_addrinfo},
    {"af_unspec", 0, builtin_af_unspec},
    {"ai_passive", 0, builtin_ai_passive},
    {"sock_stream", 0, builtin_ai_passive},  // shares ai_passive
    // Arity 1.
    // language primitives
    {"bond", 1, builtin_bond},
    {"buck", 1, builtin_buck},
    {"cape", 1, builtin_cape},
    {"init", 1, builtin_init},
    {"leaf", 1, builtin_leaf},
    {"leak", 1, builtin_leak},
    {"left", 1, builtin_left},
    {"lisp", 1, builtin_lisp},
    {"lits", 1, builtin_lits},
    {"load", 1, builtin_unbuilt},
    {"lots", 1, builtin_lots},
    {"rank", 1, builtin_rank},
    {"real", 1, builtin_real},
    {"rght", 1, builtin_rght},
    {"road", 1, builtin_unbuilt},
    {"tern", 1, builtin_tern},
    {"type", 1, builtin_type},
    {"wave", 1, builtin_wave},
    {"zits", 1, builtin_zits},
    // memory accessors
    {"refh", 1, builtin_refh},
    {"refi", 1, builtin_refi},
    {"refj", 1, builtin_refj},
    {"refk", 1, builtin_refk},
    // host library
    {"abs", 1, builtin_unbuilt},
    {"acos", 1, builtin_unbuilt},
    {"asctime", 1, builtin_unbuilt},
    {"asin", 1, builtin_unbuilt},
    {"assert", 1, builtin_assert},
    {"atan", 1, builtin_unbuilt},
    {"atof", 1, builtin_unbuilt},
    {"atoi", 1, builtin_unbuilt},
    {"atol", 1, builtin_unbuilt},  // shares atoi
    {"ceil", 1, builtin_unbuilt},
    {"clearerr", 1, builtin_unbuilt},
    {"closedir", 1, builtin_unbuilt},
    {"cos", 1, builtin_unbuilt},
    {"cosh", 1, builtin_unbuilt},
    {"ctime", 1, builtin_unbuilt},
    {"erf", 1, builtin_unbuilt},
    {"erfc", 1, builtin_unbuilt},
    {"exit", 1, builtin_exit},
    {"exp", 1, builtin_unbuilt},
    {"fabs", 1, builtin_unbuilt},
    {"fclose", 1, builtin_fclose},
    {"feof", 1, builtin_unbuilt},
    {"ferror", 1, builtin_unbuilt},
    {"fflush", 1, builtin_unbuilt},
    {"fgetc", 1, builtin_fgetc},
    {"fileno", 1, builtin_fileno},
    {"floor", 1, builtin_unbuilt},
    {"free", 1, builtin_free},
    {"ftell", 1, builtin_unbuilt},
    {"getc", 1, builtin_getc},
    {"getenv", 1, builtin_getenv},
    {"gmtime", 1, builtin_unbuilt},
    {"isalnum", 1, builtin_unbuilt},
    {"isalpha", 1, builtin_unbuilt},
    {"isascii", 1, builtin_unbuilt},
    {"isblank", 1, builtin_unbuilt},
    {"isdigit", 1, builtin_unbuilt},
    {"isgraph", 1, builtin_unbuilt},
    {"islower", 1, builtin_unbuilt},
    {"isprint", 1, builtin_unbuilt},
    {"ispunct", 1, builtin_unbuilt},
    {"isspace", 1, builtin_unbuilt},
    {"isupper", 1, builtin_unbuilt},
    {"labs", 1, builtin_unbuilt},
    {"localtime", 1, builtin_unbuilt},
    {"log", 1, builtin_unbuilt},
    {"malloc", 1, builtin_malloc},
    {"mktime", 1, builtin_unbuilt},
    {"opendir", 1, builtin_unbuilt},
    {"perror", 1, builtin_perror},
    {"putchar", 1, builtin_putchar},
    {"puts", 1, builtin_puts},
    {"raise", 1, builtin_raise},
    {"readdir", 1, builtin_unbuilt},
    {"remove", 1, builtin_remove},
    {"rewind", 1, builtin_unbuilt},
    {"sin", 1, builtin_unbuilt},
    {"sinh", 1, builtin_unbuilt},
    {"sqrt", 1, builtin_unbuilt},
    {"srand", 1, builtin_srand},
    {"strdup", 1, builtin_unbuilt},
    {"strerror", 1, builtin_unbuilt},
    {"strlen", 1, builtin_strlen},
    {"system", 1, builtin_system},
    {"tan", 1, builtin_unbuilt},
    {"tanh", 1, builtin_unbuilt},
    {"time", 1, builtin_unbuilt},
    {"tmpnam", 1, builtin_tmpnam},
    {"toascii", 1, builtin_unbuilt},
    {"tolower", 1, builtin_unbuilt},
    {"toupper", 1, builtin_unbuilt},
    // sockets
    {"closesocket", 1, builtin_closesocket},
    {"freeaddrinfo", 1, builtin_freeaddrinfo},
    {"gai_strerror", 1, builtin_gai_strerror},
    {"htonl", 1, builtin_htonl},
    {"htons", 1, builtin_htons},
    {"ntohl", 1, builtin_ntohl},
    {"ntohs", 1, builtin_ntohs},
    // Arity 2.
    // language primitives
    {"cent", 2, builtin_cent},
    {"cmpr", 2, builtin_cmpr},
    {"copy", 2, builtin_copy},
    {"dash", 2, builtin_dash},
    {"diff", 2, builtin_diff},
    {"gteq", 2, builtin_gteq},
    {"less", 2, builtin_less},
    {"look", 2, builtin_look},
    {"mult", 2, builtin_mult},
    {"over", 2, builtin_over},
    {"plus", 2, builtin_plus},
    {"post", 2, builtin_post},
    {"powa", 2, builtin_powa},
    {"raws", 2, builtin_raws},
    {"same", 2, builtin_same},
    // memory accessors
    {"rech", 2, builtin_rech},
    {"reci", 2, builtin_reci},
    {"recj", 2, builtin_recj},
    {"reck", 2, builtin_reck},
    {"redh", 2, builtin_redh},
    {"redi", 2, builtin_redi},
    {"redj", 2, builtin_redj},
    {"redk", 2, builtin_redk},
    {"refl", 2, builtin_refl},
    {"refm", 2, builtin_refm},
    {"refn", 2, builtin_refn},
    {"refo", 2, builtin_refo},
    {"relh", 2, builtin_relh},
    {"reli", 2, builtin_reli},
    {"relj", 2, builtin_relj},
    {"relk", 2, builtin_relk},
    {"remh", 2, builtin_remh},
    {"remi", 2, builtin_remi},
    {"remj", 2, builtin_remj},
    {"remk", 2, builtin_remk},
    // host library
    {"bzero", 2, builtin_bzero},
    {"calloc", 2, builtin_calloc},
    {"difftime", 2, builtin_unbuilt},
    {"fdopen", 2, builtin_fdopen},
    {"fgetpos", 2, builtin_unbuilt},
    {"fmod", 2, builtin_unbuilt},
    {"fopen", 2, builtin_fopen},
    {"fputc", 2, builtin_fputc},
    {"fputs", 2, builtin_fputs},
    {"frexp", 2, builtin_unbuilt},
    {"fsetpos", 2, builtin_unbuilt},
    {"hypot", 2, builtin_unbuilt},
    {"ldexp", 2, builtin_unbuilt},
    {"modf", 2, builtin_unbuilt},
    {"nextafter", 2, builtin_unbuilt},
    {"pow", 2, builtin_unbuilt},
    {"putc", 2, builtin_putc},
    {"realloc", 2, builtin_realloc},
    {"rename", 2, builtin_rename},
    {"setbuf", 2, builtin_setbuf},
    {"strcasecmp", 2, builtin_strcasecmp},
    {"strcat", 2, builtin_unbuilt},
    {"strchr", 2, builtin_strchr},
    {"strcmp", 2, builtin_strcmp},
    {"strcpy", 2, builtin_unbuilt},
    {"strnlen", 2, builtin_strnlen},
    {"strpbrk", 2, builtin_strpbrk},
    {"strrchr", 2, builtin_strrchr},
    {"strspn", 2, builtin_strspn},
    {"strstr", 2, builtin_strstr},
    {"strtod", 2, builtin_unbuilt},
    {"strtok", 2, builtin_unbuilt},
    {"ungetc", 2, builtin_ungetc},
    // sockets
    {"fd_set", 2, builtin_fd_set},
    {"gethostname", 2, builtin_gethostname},
    {"listen", 2, builtin_listen},
    {"shutdown", 2, builtin_shutdown},
    // Arity 3.
    // language primitives
    {"cork", 3, builtin_cork},
    {"trim", 3, builtin_trim},
    // memory accessors
    {"recl", 3, builtin_recl},
    {"recm", 3, builtin_recm},
    {"recn", 3, builtin_recn},
    {"reco", 3, builtin_reco},
    {"redl", 3, builtin_redl},
    {"redm", 3, builtin_redm},
    {"redn", 3, builtin_redn},
    {"redo", 3, builtin_redo},
    {"rell", 3, builtin_rell},
    {"relm", 3, builtin_relm},
    {"reln", 3, builtin_reln},
    {"relo", 3, builtin_relo},
    {"reml", 3, builtin_reml},
    {"remm", 3, builtin_remm},
    {"remn", 3, builtin_remn},
    {"remo", 3, builtin_remo},
    // host library
    {"fgets", 3, builtin_fgets},
    {"fseek", 3, builtin_unbuilt},
    {"memchr", 3, builtin_memchr},
    {"memcmp", 3, builtin_memcmp},
    {"memcpy", 3, builtin_memcpy},
    {"memmove", 3, builtin_memcpy},  // shares memcpy
    {"memset", 3, builtin_memset},
    {"read", 3, builtin_unbuilt},
    {"strncasecmp", 3, builtin_strncasecmp},
    {"strncat", 3, builtin_unbuilt},
    {"strncmp", 3, builtin_strncmp},
    {"strncpy", 3, builtin_unbuilt},
    {"strtok_r", 3, builtin_unbuilt},
    {"strtol", 3, builtin_unbuilt},
    {"strtoul", 3, builtin_unbuilt},
    {"write", 3, builtin_unbuilt},
    // sockets
    {"accept", 3, builtin_accept},
    {"bind", 3, builtin_bind},
    {"connect", 3, builtin_connect},
    {"getpeername", 3, builtin_getpeername},
    {"inet_pton", 3, builtin_inet_pton},
    {"socket", 3, builtin_socket},
    // Arity 4.
    // host library
    {"fread", 4, builtin_unbuilt},
    {"fwrite", 4, builtin_unbuilt},
    {"strftime", 4, builtin_unbuilt},
    // sockets
    {"getaddrinfo", 4, builtin_getaddrinfo},
    {"inet_ntop", 4, builtin_inet_ntop},
    {"recv", 4, builtin_recv},
    {"send", 4, builtin_send},
    // Arity 5.
    // sockets
    {"setsockopt", 5, builtin_setsockopt},
    // Arity 6.
    // sockets
    {"recvfrom", 6, builtin_recvfrom},
    {"sendto", 6, builtin_sendto},
    // Arity 7.
    // sockets
    {"getnameinfo", 7, builtin_getnameinfo},
};

BuiltinTable& builtin_registry() {
    // Destroyed at a normal end of the process, like the other tables.
    static BuiltinTable builtins;
    if (builtins.empty()) {
        for (const BuiltinSpec& spec : BUILTIN_SPECS) {
            BuiltinEntry& entry = map_builtins_get_or_insert(builtins, string_from_cstr(spec.name));
            entry.arity = spec.arity;
            entry.fn = spec.fn;
        }
    }
    return builtins;
}
