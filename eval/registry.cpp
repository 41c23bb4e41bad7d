// The builtin registry. Each row binds a name to its arity and function.
#include "registry.h"

#include "access.h"
#include "arithmetic.h"
#include "bitlists.h"
#include "blocks.h"
#include "calendar.h"
#include "charclass.h"
#include "comparisons.h"
#include "convert.h"
#include "descriptors.h"
#include "dirs.h"
#include "ends.h"
#include "host.h"
#include "identity.h"
#include "loader.h"
#include "mathfns.h"
#include "memory.h"
#include "parsing.h"
#include "sockets.h"
#include "strbuild.h"
#include "streams.h"
#include "views.h"

const BuiltinSpec BUILTIN_SPECS[BUILTIN_COUNT] = {
    // Arity 0.
    // language primitives
    {"cray", 0, builtin_cray},
    // host library
    {"abort", 0, builtin_abort},
    {"dirent", 0, builtin_dirent},
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
    {"time_t", 0, builtin_time_t},
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
    {"load", 1, builtin_load},
    {"lots", 1, builtin_lots},
    {"rank", 1, builtin_rank},
    {"real", 1, builtin_real},
    {"rght", 1, builtin_rght},
    {"road", 1, builtin_road},
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
    {"abs", 1, builtin_abs},
    {"acos", 1, builtin_acos},
    {"asctime", 1, builtin_asctime},
    {"asin", 1, builtin_asin},
    {"assert", 1, builtin_assert},
    {"atan", 1, builtin_atan},
    {"atof", 1, builtin_atof},
    {"atoi", 1, builtin_atoi},
    {"atol", 1, builtin_atoi},  // shares atoi
    {"ceil", 1, builtin_ceil},
    {"clearerr", 1, builtin_clearerr},
    {"closedir", 1, builtin_closedir},
    {"cos", 1, builtin_cos},
    {"cosh", 1, builtin_cosh},
    {"ctime", 1, builtin_ctime},
    {"erf", 1, builtin_erf},
    {"erfc", 1, builtin_erfc},
    {"exit", 1, builtin_exit},
    {"exp", 1, builtin_exp},
    {"fabs", 1, builtin_fabs},
    {"fclose", 1, builtin_fclose},
    {"feof", 1, builtin_feof},
    {"ferror", 1, builtin_ferror},
    {"fflush", 1, builtin_fflush},
    {"fgetc", 1, builtin_fgetc},
    {"fileno", 1, builtin_fileno},
    {"floor", 1, builtin_floor},
    {"free", 1, builtin_free},
    {"ftell", 1, builtin_ftell},
    {"getc", 1, builtin_getc},
    {"getenv", 1, builtin_getenv},
    {"gmtime", 1, builtin_gmtime},
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
    {"labs", 1, builtin_labs},
    {"localtime", 1, builtin_localtime},
    {"log", 1, builtin_log},
    {"malloc", 1, builtin_malloc},
    {"mktime", 1, builtin_mktime},
    {"opendir", 1, builtin_opendir},
    {"perror", 1, builtin_perror},
    {"putchar", 1, builtin_putchar},
    {"puts", 1, builtin_puts},
    {"raise", 1, builtin_raise},
    {"readdir", 1, builtin_readdir},
    {"remove", 1, builtin_remove},
    {"rewind", 1, builtin_rewind},
    {"sin", 1, builtin_sin},
    {"sinh", 1, builtin_sinh},
    {"sqrt", 1, builtin_sqrt},
    {"srand", 1, builtin_srand},
    {"strdup", 1, builtin_strdup},
    {"strerror", 1, builtin_strerror},
    {"strlen", 1, builtin_strlen},
    {"system", 1, builtin_system},
    {"tan", 1, builtin_tan},
    {"tanh", 1, builtin_tanh},
    {"time", 1, builtin_time},
    {"tmpnam", 1, builtin_tmpnam},
    {"toascii", 1, builtin_toascii},
    {"tolower", 1, builtin_tolower},
    {"toupper", 1, builtin_toupper},
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
    {"difftime", 2, builtin_difftime},
    {"fdopen", 2, builtin_fdopen},
    {"fgetpos", 2, builtin_fgetpos},
    {"fmod", 2, builtin_fmod},
    {"fopen", 2, builtin_fopen},
    {"fputc", 2, builtin_fputc},
    {"fputs", 2, builtin_fputs},
    {"frexp", 2, builtin_frexp},
    {"fsetpos", 2, builtin_fsetpos},
    {"hypot", 2, builtin_hypot},
    {"ldexp", 2, builtin_ldexp},
    {"modf", 2, builtin_modf},
    {"nextafter", 2, builtin_nextafter},
    {"pow", 2, builtin_pow},
    {"putc", 2, builtin_putc},
    {"realloc", 2, builtin_realloc},
    {"rename", 2, builtin_rename},
    {"setbuf", 2, builtin_setbuf},
    {"strcasecmp", 2, builtin_strcasecmp},
    {"strcat", 2, builtin_strcat},
    {"strchr", 2, builtin_strchr},
    {"strcmp", 2, builtin_strcmp},
    {"strcpy", 2, builtin_strcpy},
    {"strnlen", 2, builtin_strnlen},
    {"strpbrk", 2, builtin_strpbrk},
    {"strrchr", 2, builtin_strrchr},
    {"strspn", 2, builtin_strspn},
    {"strstr", 2, builtin_strstr},
    {"strtod", 2, builtin_strtod},
    {"strtok", 2, builtin_strtok},
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
    {"fseek", 3, builtin_fseek},
    {"memchr", 3, builtin_memchr},
    {"memcmp", 3, builtin_memcmp},
    {"memcpy", 3, builtin_memcpy},
    {"memmove", 3, builtin_memcpy},  // shares memcpy
    {"memset", 3, builtin_memset},
    {"read", 3, builtin_read},
    {"strncasecmp", 3, builtin_strncasecmp},
    {"strncat", 3, builtin_strncat},
    {"strncmp", 3, builtin_strncmp},
    {"strncpy", 3, builtin_strncpy},
    {"strtok_r", 3, builtin_strtok_r},
    {"strtol", 3, builtin_strtol},
    {"strtoul", 3, builtin_strtoul},
    {"write", 3, builtin_write},
    // sockets
    {"accept", 3, builtin_accept},
    {"bind", 3, builtin_bind},
    {"connect", 3, builtin_connect},
    {"getpeername", 3, builtin_getpeername},
    {"inet_pton", 3, builtin_inet_pton},
    {"socket", 3, builtin_socket},
    // Arity 4.
    // host library
    {"fread", 4, builtin_fread},
    {"fwrite", 4, builtin_fwrite},
    {"strftime", 4, builtin_strftime},
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
