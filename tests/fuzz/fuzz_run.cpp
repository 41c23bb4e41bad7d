// Fuzz target: arbitrary bytes as a whole program, defined, checked and run
// by the reduction machine with the builtins, line marks included.
//
// A program may read and write any address it names, open any path and end
// the process; none of that is a finding. Before each run this target puts
// guards of its own in the builtin table (the product is unchanged):
//   - builtins with effects outside the run (processes, sockets, directories,
//     standard input) or that take addresses whose extent nobody knows
//     answer Z;
//   - the raw-memory accessors, free and the stream builtins are called only
//     on blocks and streams that this run got from malloc, calloc, strdup,
//     fopen or tmpfile, within the block's bytes;
//   - a text argument must be a byte string or data text, never an integer
//     address; a file name may not hold a '/', and a run works in a
//     temporary folder of the target's own;
// so that every address a builtin receives is one the program owns. Blocks
// and streams left open are freed and closed after the run.
//
// Time and memory are bounded by libFuzzer's -timeout and -rss_limit_mb in
// fork mode (run-fuzz), which skips inputs that pass them: a program that
// loops or asks for a huge number is not a finding.
#include <fcntl.h>
#include <ftw.h>
#include <unistd.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <utility>

#include "bridge.h"
#include "define.h"
#include "integer.h"
#include "intern.h"
#include "post.h"
#include "registry.h"
#include "run.h"
#include "source.h"
#include "status.h"
#include "values.h"
#include "zits.h"

namespace {

// What each argument of a guarded builtin must be, one letter per argument:
//   x anything;
//   T a text that is not an integer address;
//   F a file name: a byte string or data text without '/';
//   0 the integer 0 (or a non-integer, which the builtin refuses itself);
//   D the descriptor 1 or 2;
//   S a stream of this run, stdout or stderr; Z the same or 0; C a stream
//     of this run;
//   n a size of at most FUZZ_BLOCK_MAX bytes;
//   B a block of this run, or 0;
//   1 2 4 8 an address with that many bytes inside a block of this run.
// A builtin absent from this table and from FUZZ_ALLOWED answers Z.
struct FuzzRule {
    const char* name;
    const char* arguments;
};

const FuzzRule FUZZ_RULES[] = {
    {"load", "T"}, {"road", "T"},
    {"refh", "1"}, {"refi", "2"}, {"refj", "4"}, {"refk", "8"},
    {"refl", "1x"}, {"refm", "2x"}, {"refn", "4x"}, {"refo", "8x"},
    {"malloc", "n"}, {"calloc", "nn"}, {"free", "B"}, {"strdup", "T"},
    {"strlen", "T"}, {"strnlen", "Tx"}, {"strcmp", "TT"}, {"strncmp", "TTx"},
    {"strcasecmp", "TT"}, {"strncasecmp", "TTx"}, {"strchr", "Tx"}, {"strrchr", "Tx"},
    {"strstr", "TT"}, {"strpbrk", "TT"}, {"strspn", "TT"},
    {"atoi", "T"}, {"atol", "T"}, {"atof", "T"}, {"strtol", "T0x"}, {"strtoul", "T0x"}, {"strtod", "T0"},
    {"getenv", "T"}, {"puts", "T"}, {"perror", "T"}, {"time", "0"},
    {"write", "DTx"}, {"fopen", "FT"}, {"remove", "F"}, {"rename", "FF"}, {"tmpfile", ""},
    {"fclose", "C"}, {"fflush", "Z"}, {"fgetc", "S"}, {"getc", "S"}, {"ungetc", "xS"},
    {"fputc", "xS"}, {"putc", "xS"}, {"fputs", "TS"}, {"fwrite", "TxxS"},
    {"feof", "S"}, {"ferror", "S"}, {"clearerr", "S"}, {"rewind", "S"}, {"ftell", "S"}, {"fseek", "Sxx"},
    {"fileno", "S"},
};

// Builtins called as they are: values in, values out, no address taken.
const char* const FUZZ_ALLOWED[] = {
    // the language's own, but bond (an integer taken as a node), copy and
    // post (bytes at an address) and the leaf and unchecked byte-string
    // accessors, which reach past what they are given
    "cray", "buck", "cape", "init", "leaf", "leak", "left", "lisp", "lits", "lots", "rank", "real", "rght",
    "tern", "type", "wave", "zits", "cent", "cmpr", "dash", "diff", "gteq", "less", "look", "mult", "over",
    "plus", "powa", "raws", "same", "cork", "trim",
    "rech", "reci", "recj", "reck", "recl", "recm", "recn", "reco",
    "relh", "reli", "relj", "relk", "rell", "relm", "reln", "relo",
    // constants and numbers
    "dirent", "eacces", "ebadf", "econnaborted", "efault", "eintr", "einval", "eio", "emfile", "enfile",
    "enodev", "enomem", "enotsock", "enxio", "eopnotsupp", "eoverflow", "errno", "ewouldblock", "rand",
    "rand_max", "stderr", "stdout", "time_t", "addrinfo", "af_unspec", "ai_passive", "sock_stream", "abs",
    "labs", "srand", "difftime", "strerror", "gai_strerror", "htonl", "htons", "ntohl", "ntohs", "putchar",
    "acos", "asin", "atan", "ceil", "cos", "cosh", "erf", "erfc", "exp", "fabs", "floor", "log", "sin",
    "sinh", "sqrt", "tan", "tanh", "fmod", "hypot", "ldexp", "nextafter", "pow",
    "isalnum", "isalpha", "isascii", "isblank", "isdigit", "isgraph", "islower", "isprint", "ispunct",
    "isspace", "isupper", "toascii", "tolower", "toupper",
};

// The largest block a run may ask for: larger ones would test the host's
// allocator, not the interpreter.
constexpr i64 FUZZ_BLOCK_MAX = i64(1) << 20;

// The stack of a run.
constexpr size_t FUZZ_STACK_BYTES = size_t(256) << 20;

// The blocks (address to size) and streams this run owns.
std::map<uintptr_t, u64> fuzz_blocks;
std::set<uintptr_t> fuzz_streams;

bool fuzz_integer(const NodeRef& v, i64* out) {
    return term_is_integer(noderef_copy(v)) && integer_try_to_i64(v, out);
}

bool fuzz_is_text(const NodeRef& v) {
    ValueKind kind = value_kind(noderef_copy(v));
    return kind == VALUE_KIND_POST || kind == VALUE_KIND_ZITS;
}

// True when [a, a + n) lies inside one block of this run.
bool fuzz_owned(i64 a, u64 n) {
    auto it = fuzz_blocks.upper_bound(uintptr_t(a));
    if (it == fuzz_blocks.begin()) return false;
    --it;
    u64 offset = u64(a) - it->first;
    return offset <= it->second && n <= it->second - offset;
}

bool fuzz_is_stream(i64 v) {
    uintptr_t p = uintptr_t(v);
    return fuzz_streams.count(p) || p == uintptr_t(stdout) || p == uintptr_t(stderr);
}

bool fuzz_file_name(const NodeRef& v) {
    if (!fuzz_is_text(v)) return false;
    RtString text = value_kind(noderef_copy(v)) == VALUE_KIND_POST ? post_payload(noderef_copy(v))
                                                                     : zits_text(noderef_copy(v));
    const char* bytes = string_cstr(text);
    return std::memchr(bytes, '/', size_t(string_length(text))) == nullptr;
}

// True when the argument meets its rule letter.
bool fuzz_argument_ok(char rule, const NodeRef& v) {
    i64 n = 0;
    bool integer = fuzz_integer(v, &n);
    switch (rule) {
        case 'x':
            return true;
        case 'T':
            return !integer || fuzz_is_text(v);
        case 'F':
            return fuzz_file_name(v);
        case '0':
            return !integer || n == 0;
        case 'D':
            return !integer || n == 1 || n == 2;
        case 'S':
            return !integer || fuzz_is_stream(n);
        case 'Z':
            return !integer || n == 0 || fuzz_is_stream(n);
        case 'C':
            return !integer || fuzz_streams.count(uintptr_t(n));
        case 'n':
            return !integer || (n >= 0 && n <= FUZZ_BLOCK_MAX);
        case 'B':
            return !integer || n == 0 || fuzz_blocks.count(uintptr_t(n));
        case '1':
        case '2':
        case '4':
        case '8':
            return !integer || fuzz_owned(n, u64(rule - '0'));
        default:
            return false;
    }
}

i64 fuzz_result(const NodeRef& r) {
    i64 v = 0;
    return fuzz_integer(r, &v) ? v : 0;
}

// Keeps track of what the call made or ended; args are its arguments.
void fuzz_track(const std::string& name, const NodeRef* args, const NodeRef& result) {
    i64 r = fuzz_result(result);
    i64 a = 0, b = 0;
    if (name == "malloc" && r != 0 && fuzz_integer(args[0], &a)) fuzz_blocks[uintptr_t(r)] = u64(a);
    if (name == "calloc" && r != 0 && fuzz_integer(args[0], &a) && fuzz_integer(args[1], &b))
        fuzz_blocks[uintptr_t(r)] = u64(a) * u64(b);
    if (name == "strdup" && r != 0) fuzz_blocks[uintptr_t(r)] = std::strlen(reinterpret_cast<const char*>(r)) + 1;
    if ((name == "fopen" || name == "tmpfile") && r != 0) fuzz_streams.insert(uintptr_t(r));
}

// Forgets what the call is about to end.
void fuzz_untrack(const std::string& name, const NodeRef* args) {
    i64 a = 0;
    if (name == "free" && fuzz_integer(args[0], &a)) fuzz_blocks.erase(uintptr_t(a));
    if (name == "fclose" && fuzz_integer(args[0], &a)) fuzz_streams.erase(uintptr_t(a));
}

NodeRef fuzz_refuse(NodeRef app) {
    noderef_release(app);
    return noderef_from_cstr("Z");
}

NodeRef fuzz_guard(int index, NodeRef app) {
    const BuiltinSpec& spec = BUILTIN_SPECS[index];
    std::string name = spec.name;
    const char* rule = nullptr;
    for (const FuzzRule& r : FUZZ_RULES)
        if (name == r.name) rule = r.arguments;
    NodeRef args[BRIDGE_MAX_ARGS]{nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr};
    bridge_arguments(app, spec.arity, args);
    for (int k = 0; k < spec.arity; ++k)
        if (!fuzz_argument_ok(rule[k], args[k])) return fuzz_refuse(std::move(app));
    fuzz_untrack(name, args);
    NodeRef result = spec.fn(std::move(app));
    fuzz_track(name, args, result);
    return result;
}

template <int I>
NodeRef fuzz_guarded(NodeRef app) {
    return fuzz_guard(I, std::move(app));
}

template <int... I>
constexpr auto fuzz_guards(std::integer_sequence<int, I...>) {
    return std::array<BuiltinFn, sizeof...(I)>{fuzz_guarded<I>...};
}

const auto FUZZ_GUARDS = fuzz_guards(std::make_integer_sequence<int, BUILTIN_COUNT>{});

// Puts the guards into the builtin table that prelude_load has just filled.
void fuzz_guard_builtins() {
    for (auto& [name, entry] : builtin_registry()) {
        std::string text = string_cstr(name);
        int index = 0;
        while (index < BUILTIN_COUNT && text != BUILTIN_SPECS[index].name) ++index;
        bool allowed = false;
        for (const char* a : FUZZ_ALLOWED) allowed = allowed || text == a;
        bool ruled = false;
        for (const FuzzRule& r : FUZZ_RULES) ruled = ruled || text == r.name;
        if (ruled && index < BUILTIN_COUNT) entry.fn = FUZZ_GUARDS[size_t(index)];
        else if (!allowed) entry.fn = fuzz_refuse;
    }
}

// Frees and closes what the run left.
void fuzz_release_owned() {
    for (auto& [address, size] : fuzz_blocks) std::free(reinterpret_cast<void*>(address));
    fuzz_blocks.clear();
    for (uintptr_t stream : fuzz_streams) std::fclose(reinterpret_cast<std::FILE*>(stream));
    fuzz_streams.clear();
}

struct FuzzInput {
    const uint8_t* data;
    size_t size;
};

uint32_t fuzz_one(void* raw) {
    const FuzzInput& input = *static_cast<const FuzzInput*>(raw);
    static char* no_arguments[] = {nullptr};
    intern_clear();
    prelude_load();
    fuzz_guard_builtins();
    Report defined = program_define(string_from_bytes(input.data, i64(input.size)));
    if (string_equal_cstr(defined.kind, "check"))
        run_main(u64(reinterpret_cast<uintptr_t>(no_arguments)));
    std::fflush(nullptr);
    fuzz_release_owned();
    return 0;
}

}  // namespace

namespace {

// The temporary folder the runs work in, under TMPDIR or /tmp.
std::string fuzz_folder;

int fuzz_remove_entry(const char* path, const struct stat*, int, FTW*) { return std::remove(path); }

void fuzz_remove_folder() {
    if (!fuzz_folder.empty()) nftw(fuzz_folder.c_str(), fuzz_remove_entry, 16, FTW_DEPTH | FTW_PHYS);
}

}  // namespace

// The runs work in a temporary folder of their own, removed at exit.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/vorn-fuzz-run-XXXXXX";
    if (!mkdtemp(pattern.data())) std::abort();
    fuzz_folder = pattern;
    std::atexit(fuzz_remove_folder);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput input{data, size};
    // The fuzzer's own paths may be relative: the run alone moves.
    int home = open(".", O_RDONLY | O_DIRECTORY);
    if (home < 0 || chdir(fuzz_folder.c_str()) != 0) std::abort();
    // A smaller stack than the interpreter's: a thread's stack is cleared
    // for the sanitizer at its end, which would cost more than most runs.
    status_run_on_thread(FUZZ_STACK_BYTES, FUZZ_STACK_BYTES / 4, fuzz_one, &input);
    if (fchdir(home) != 0) std::abort();
    close(home);
    return 0;
}
