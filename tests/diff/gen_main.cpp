// vorn_gen: writes random vorn programs for the differential tests.
//
//   vorn_gen SEED COUNT DIR
//
// Writes DIR/g00000.vorn ... one program each; program i depends only on SEED
// and i, so a failing program can be made again alone. The programs use
// integers of every size, comparisons, choices, lists (both ways of taking a
// cell apart), pairs and their patterns, lets, lambdas, partial and
// over-application, higher-order functions, effects in order, constants and
// wrapped definitions with effects, Y, aborts, cycles, final values that are
// not integers and redefined prelude names; a few are broken on purpose.
// Every recursion is bounded, so each program ends quickly.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

// A small deterministic generator (splitmix64), the same on every platform.
struct Random {
    uint64_t state;
    uint64_t next() {
        uint64_t z = (state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    int below(int n) { return int(next() % uint64_t(n)); }
    bool chance(int percent) { return below(100) < percent; }
};

// A program's library: the functions every generated body may call. Each
// has two spellings of its list walk, picked per program.
struct Library {
    bool pattern_idiom;  // L and the two-name pattern, else the list applied
};

std::string library_text(const Library& lib) {
    std::string s;
    if (lib.pattern_idiom) {
        s += "sum\\l\\L l?0?(h t{l K}h+sum(t)),\n";
        s += "len\\l\\L l?0?(h t{l K}1+len(t)),\n";
        s += "map\\f\\l\\L l?K?(h t{l K}J (f h) (map f t)),\n";
        s += "fold\\f\\z\\l\\L l?z?(h t{l K}fold f (f z h) t),\n";
        s += "rev\\l\\r\\L l?r?(h t{l K}rev t (J h r)),\n";
    } else {
        s += "sum\\l\\l 0 (h\\t\\h+sum(t)),\n";
        s += "len\\l\\l 0 (h\\t\\1+len(t)),\n";
        s += "map\\f\\l\\l K (h\\t\\J (f h) (map f t)),\n";
        s += "fold\\f\\z\\l\\l z (h\\t\\fold f (f z h) t),\n";
        s += "rev\\l\\r\\l r (h\\t\\rev t (J h r)),\n";
    }
    // The counters use builtin names, which a program cannot redefine, so
    // that a redefined operator never makes a recursion endless.
    s += "upto\\n\\less n 1?K?J n (upto (dash n 1)),\n";
    s += "first\\l\\h t{l K}h,\n";  // the pattern on K too, unguarded
    s += "swap\\p\\x y{p}V y x,\n";
    s += "order\\x\\y\\x<y?(V x y)?(V y x),\n";
    s += "twice\\f\\x\\f (f x),\n";
    s += "apply\\f\\x\\f x,\n";
    s += "compose\\f\\g\\x\\f (g x),\n";
    s += "add\\x\\y\\x+y,\n";
    s += "mk\\n\\plus n,\n";                      // over-applied: mk 1 2
    s += "pick\\c\\c?(x\\x+1)?(x\\x*2),\n";       // over-applied: pick c 5
    s += "pairsum\\p\\(p K)+(p H)";
    return s;
}

enum class Type { INT, BOOL, LIST, PAIR, FUN };

struct Var {
    std::string name;
    Type type;
};

// Generates the expressions of one definition: the names it may use and how
// many distinct local names it has bound (at most 26 are allowed).
struct Generator {
    Random& rnd;
    std::vector<std::string> constants;              // closed Int constants
    std::vector<std::pair<std::string, int>> funcs;  // earlier Int functions, arity
    std::vector<std::string> hofs;                   // earlier (Int->Int) -> Int -> Int
    std::vector<Var> scope;
    int locals_used = 0;
    bool allow_cycle = false;

    std::string fresh(Type t) {
        static const char* LONG_NAMES[] = {"acc", "val", "item", "rest", "count"};
        std::string name;
        if (locals_used < 18 && !rnd.chance(10)) {
            name = std::string(1, char('b' + locals_used));
        } else {
            name = LONG_NAMES[rnd.below(5)];
        }
        locals_used++;
        scope.push_back({name, t});
        return name;
    }
    void drop(size_t n) { scope.resize(scope.size() - n); }

    // A variable of type t still visible (the innermost binder of a name
    // hides outer ones), or "" when there is none.
    std::string var_of(Type t) {
        std::vector<std::string> found;
        for (size_t i = 0; i < scope.size(); i++) {
            bool hidden = false;
            for (size_t j = i + 1; j < scope.size(); j++) hidden |= scope[j].name == scope[i].name;
            if (!hidden && scope[i].type == t) found.push_back(scope[i].name);
        }
        if (found.empty()) return "";
        return found[size_t(rnd.below(int(found.size())))];
    }

    std::string literal() {
        switch (rnd.below(10)) {
        case 0: return "0";
        case 1: return "0" + std::to_string(1 + rnd.below(30));  // negative
        case 2: return "123456789012345678901234567890";
        case 3: return "4294967296";
        case 4: return "09223372036854775808";
        default: return std::to_string(rnd.below(60));
        }
    }

    std::string gen(Type t, int depth) {
        switch (t) {
        case Type::INT: return gen_int(depth);
        case Type::BOOL: return gen_bool(depth);
        case Type::LIST: return gen_list(depth);
        case Type::PAIR: return gen_pair(depth);
        case Type::FUN: return gen_fun(depth);
        }
        return "0";
    }

    std::string gen_bool(int depth) {
        if (depth <= 0) return rnd.chance(50) ? "K" : "H";
        static const char* CMP[] = {"<", ">", "=", "#"};
        switch (rnd.below(7)) {
        case 0: case 1: case 2:
            return "(" + gen_int(depth - 1) + CMP[rnd.below(4)] + gen_int(depth - 1) + ")";
        case 3: return "(!" + gen_bool(depth - 1) + ")";
        case 4: return "(" + gen_bool(depth - 1) + (rnd.chance(50) ? "&" : "|") + gen_bool(depth - 1) + ")";
        case 5: return "(L " + gen_list(depth - 1) + ")";
        default: return "(less " + gen_int(depth - 1) + " " + gen_int(depth - 1) + ")";
        }
    }

    std::string gen_list(int depth) {
        std::string v = var_of(Type::LIST);
        if (!v.empty() && rnd.chance(30)) return v;
        if (depth <= 0) return rnd.chance(50) ? "K" : "(upto " + std::to_string(rnd.below(5)) + ")";
        switch (rnd.below(5)) {
        case 0: return "(J " + gen_int(depth - 1) + " " + gen_list(depth - 1) + ")";
        case 1: return "(upto " + std::to_string(rnd.below(9)) + ")";
        case 2: return "(map " + gen_fun(depth - 1) + " " + gen_list(depth - 1) + ")";
        case 3: return "(rev " + gen_list(depth - 1) + " K)";
        default: return "K";
        }
    }

    std::string gen_pair(int depth) {
        std::string v = var_of(Type::PAIR);
        if (!v.empty() && rnd.chance(30)) return v;
        if (depth <= 0) return "(V " + literal() + " " + literal() + ")";
        switch (rnd.below(3)) {
        case 0: return "(V " + gen_int(depth - 1) + " " + gen_int(depth - 1) + ")";
        case 1: return "(order " + gen_int(depth - 1) + " " + gen_int(depth - 1) + ")";
        default: return "(swap " + gen_pair(depth - 1) + ")";
        }
    }

    std::string gen_fun(int depth) {
        std::string v = var_of(Type::FUN);
        if (!v.empty() && rnd.chance(30)) return v;
        if (depth <= 0) return rnd.chance(50) ? "(plus 1)" : "I";
        switch (rnd.below(8)) {
        case 0: case 1: {
            std::string x = fresh(Type::INT);
            std::string body = gen_int(depth - 1);
            drop(1);
            return "(" + x + "\\" + body + ")";
        }
        case 2: return "(plus " + gen_int(depth - 1) + ")";
        case 3: return "(add " + gen_int(depth - 1) + ")";
        case 4: return "(mk " + gen_int(depth - 1) + ")";
        case 5: return "(pick " + gen_bool(depth - 1) + ")";
        case 6: return "(compose " + gen_fun(depth - 1) + " " + gen_fun(depth - 1) + ")";
        default:
            for (auto& f : funcs) {
                if (f.second == 1 && rnd.chance(40)) return f.first;
                if (f.second == 2 && rnd.chance(40)) return "(" + f.first + " " + gen_int(depth - 1) + ")";
            }
            return "(mult 2)";
        }
    }

    std::string gen_int(int depth) {
        std::string v = var_of(Type::INT);
        if (depth <= 0 || rnd.chance(8)) {
            if (!v.empty() && rnd.chance(60)) return v;
            return literal();
        }
        static const char* OPS[] = {"+", "-", "*", "/", "%", "+", "-"};
        int d = depth - 1;
        switch (rnd.below(26)) {
        case 0: case 1: case 2:
            return "(" + gen_int(d) + OPS[rnd.below(7)] + gen_int(d) + ")";
        case 3: return "(" + gen_bool(d) + "?" + gen_int(d) + "?" + gen_int(d) + ")";
        case 4: case 5: {  // let
            std::string e = gen_int(d);
            std::string x = fresh(Type::INT);
            std::string body = gen_int(d);
            drop(1);
            return "(" + x + "{" + e + "}" + body + ")";
        }
        case 6: {  // pair pattern
            std::string e = gen_pair(d);
            std::string x = fresh(Type::INT), y = fresh(Type::INT);
            std::string body = gen_int(d);
            drop(2);
            return "(" + x + " " + y + "{" + e + "}" + body + ")";
        }
        case 7: {  // list taken apart with L and the pattern, or by application
            std::string e = gen_list(d);
            if (rnd.chance(50)) {
                std::string l = fresh(Type::LIST);
                std::string empty = gen_int(d);
                std::string h = fresh(Type::INT), tl = fresh(Type::LIST);
                std::string cell = gen_int(d);
                drop(3);
                return "(" + l + "{" + e + "}L " + l + "?" + empty + "?(" + h + " " + tl + "{" + l + " K}" + cell + "))";
            }
            std::string empty = gen_int(d);
            std::string h = fresh(Type::INT), tl = fresh(Type::LIST);
            std::string cell = gen_int(d);
            drop(2);
            return "(" + e + " " + empty + " (" + h + "\\" + tl + "\\" + cell + "))";
        }
        case 8: {  // a list or pair bound by a let and used later
            Type t = rnd.chance(50) ? Type::LIST : Type::PAIR;
            std::string e = gen(t, d);
            std::string x = fresh(t);
            std::string body = gen_int(d);
            drop(1);
            return "(" + x + "{" + e + "}" + body + ")";
        }
        case 9: {
            static const char* LIST_FNS[] = {"sum", "len", "first"};
            return "(" + std::string(LIST_FNS[rnd.below(3)]) + " " + gen_list(d) + ")";
        }
        case 10: return "(fold add " + gen_int(d) + " " + gen_list(d) + ")";
        case 11: return "(fold (x\\y\\x*2+y) " + gen_int(d) + " " + gen_list(d) + ")";
        case 12: return "(" + gen_fun(d) + " " + gen_int(d) + ")";
        case 13: return "(twice " + gen_fun(d) + " " + gen_int(d) + ")";
        case 14: return rnd.chance(50) ? "(" + gen_pair(d) + (rnd.chance(50) ? " K)" : " H)")
                                       : "(pairsum " + gen_pair(d) + ")";
        case 15: {  // an effect, then a value
            std::string shown = gen(rnd.chance(80) ? Type::INT : Type::LIST, d);
            std::string x = fresh(Type::INT);
            std::string body = gen_int(d);
            drop(1);
            return "(" + x + "{puts(lisp " + shown + ")}" + body + ")";
        }
        case 16:
            if (!constants.empty()) return constants[size_t(rnd.below(int(constants.size())))];
            return literal();
        case 17: return rnd.chance(50) ? "(mk " + gen_int(d) + " " + gen_int(d) + ")"
                                       : "(pick " + gen_bool(d) + " " + gen_int(d) + ")";
        case 18: case 19: {  // an earlier function, whole or in pieces
            if (funcs.empty()) return "(add " + gen_int(d) + " " + gen_int(d) + ")";
            auto& f = funcs[size_t(rnd.below(int(funcs.size())))];
            std::string call = f.first;
            for (int i = 0; i < f.second; i++) {
                call += " " + gen_int(d);
                if (i + 1 < f.second && rnd.chance(30)) call = "(" + call + ")";
            }
            return "(" + call + ")";
        }
        case 20:
            if (!hofs.empty()) return "(" + hofs[size_t(rnd.below(int(hofs.size())))] + " " + gen_fun(d) + " " + gen_int(d) + ")";
            return "(apply " + gen_fun(d) + " " + gen_int(d) + ")";
        case 21:  // Y with a bounded count
            return "(Y (r\\n\\less n 1?" + gen_int(0) + "?(n+r(dash n 1))) " + std::to_string(rnd.below(8)) + ")";
        case 22:  // a lambda of two applied at once, or one argument at a time
            return rnd.chance(50) ? "((x\\y\\x*y+1) " + gen_int(d) + " " + gen_int(d) + ")"
                                  : "(((x\\y\\x-y) " + gen_int(d) + ") " + gen_int(d) + ")";
        case 23: case 24: {  // = and # on truths and functions: the same node, or two
            Type t = rnd.chance(50) ? Type::BOOL : Type::FUN;
            const char* op = rnd.chance(70) ? "=" : "#";
            std::string test;
            if (rnd.chance(50)) {
                std::string e = gen(t, d);
                std::string x = fresh(t);
                drop(1);
                test = x + "{" + e + "}" + x + op + x;
            } else {
                test = gen(t, d) + op + gen(t, d);
            }
            return "((" + test + ")?" + gen_int(d) + "?" + gen_int(d) + ")";
        }
        default:
            if (rnd.chance(20)) {  // an abort, a cycle or the error value
                switch (rnd.below(4)) {
                case 0: return "(road [1+])";
                case 1: return allow_cycle ? "loopy" : "(1/0)";
                case 2: return "(Z " + gen_int(d) + ")";
                default: return "(x{puts [before]}road [x\\])";
                }
            }
            return "(" + gen_int(d) + "^" + std::to_string(rnd.below(4)) + ")";
        }
    }
};

// Prelude names redefined, most with their own meaning (new definition
// nodes), a few with another.
const char* REDEFINITIONS[] = {
    "H\\a\\b\\b", "K\\a\\b\\a", "I\\a\\a", "V\\a\\b\\c\\c a b", "J\\a\\b\\c\\V a b",
    "L\\a\\a K (K (K H))", "T\\a\\b\\b a", "Y\\a\\b\\a (Y a) b", "[+]\\plus", "[?]\\I",
    "[+]\\dash", "[*]\\plus", "[<]\\gteq", "[!]\\p\\p H K", "B\\a\\b\\c\\a (b c)",
};

// Ways to break a program on purpose, each caught before or during the run.
std::string break_program(Random& rnd, std::string text) {
    switch (rnd.below(8)) {
    case 0: return text + ",\nx\\1";
    case 1: return text + ",\nplus\\1";
    case 2: return text + ",\nbad\\3\\3";
    case 3: return text + ",\nkk\\(count\\count) count,count\\5";
    case 4: return text + ",\nmany\\a\\b\\c\\d\\e\\f\\g\\h\\i\\j\\k\\0";
    case 5: {
        size_t at = text.rfind(')');
        if (at != std::string::npos) text.erase(at, 1);
        return text;
    }
    case 6: return text.insert(2, "missing 1+");
    default: return text.insert(2, "f (1,2)+");
    }
}

std::string program(uint64_t seed, int index) {
    Random rnd{seed * 1000003u + uint64_t(index)};
    rnd.next();
    Library lib{rnd.chance(50)};
    Generator g{rnd, {}, {}, {}, {}, 0, rnd.chance(10)};
    std::vector<std::string> defs;

    int nconst = rnd.below(3);
    for (int i = 0; i < nconst; i++) {
        std::string name = "konst" + std::string(1, char('a' + i));
        g.locals_used = 0;
        std::string body = g.gen_int(2);
        if (rnd.chance(30)) {  // wrapped: computed at every use
            defs.push_back(name + "()\\x{puts [" + name + "]}" + body);
        } else {
            defs.push_back(name + "\\x{puts [" + name + "]}" + body);
        }
        g.constants.push_back(name);
    }
    int nfuncs = rnd.below(4);
    for (int i = 0; i < nfuncs; i++) {
        std::string name = "fun" + std::string(1, char('a' + i));
        g.locals_used = 0;
        g.scope.clear();
        bool hof = rnd.chance(25);
        int arity = hof ? 2 : 1 + rnd.below(3);
        std::string head = name;
        for (int p = 0; p < arity; p++) head += "\\" + g.fresh(hof && p == 0 ? Type::FUN : Type::INT);
        std::string body = g.gen_int(3);
        if (hof) body = g.scope[0].name + " (" + body + ")";  // uses its function
        defs.push_back(head + "\\" + body);
        g.scope.clear();
        if (hof) {
            g.hofs.push_back(name);
        } else {
            g.funcs.push_back({name, arity});
        }
    }
    if (g.allow_cycle) defs.push_back("loopy\\loopy+1");

    g.locals_used = 1;  // the main expression's parameter is a
    g.scope.clear();
    std::string result;
    switch (rnd.below(20)) {
    case 0: result = g.gen_list(3); break;  // values shown in the banner
    case 1: result = g.gen_pair(3); break;
    case 2: result = g.gen_fun(2); break;
    default: result = g.gen_int(4); break;
    }
    if (g.allow_cycle && rnd.chance(60)) result = "(" + g.gen_bool(2) + "?loopy?" + result + ")";
    int effects = rnd.below(3);
    std::string main = "a\\";
    for (int i = 0; i < effects; i++) {
        g.locals_used = 1;
        main += "x{puts(lisp " + g.gen_int(2) + ")}";
    }
    main += result;

    std::string text = main + ",\n";
    for (auto& d : defs) text += d + ",\n";
    text += library_text(lib);
    if (rnd.chance(12)) text += ",\n" + std::string(REDEFINITIONS[rnd.below(15)]);
    if (rnd.chance(6)) text = break_program(rnd, text);
    return text + "\n";
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: vorn_gen SEED COUNT DIR\n");
        return 2;
    }
    uint64_t seed = std::strtoull(argv[1], nullptr, 10);
    int count = std::atoi(argv[2]);
    for (int i = 0; i < count; i++) {
        char path[4096];
        std::snprintf(path, sizeof path, "%s/g%05d.vorn", argv[3], i);
        FILE* f = std::fopen(path, "wb");
        if (!f) {
            std::perror(path);
            return 1;
        }
        std::string text = program(seed, i);
        std::fwrite(text.data(), 1, text.size(), f);
        std::fclose(f);
    }
    return 0;
}
