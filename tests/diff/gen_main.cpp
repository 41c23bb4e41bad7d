// vorn_gen: writes random vorn programs for the differential tests.
//
//   vorn_gen SEED COUNT DIR
//
// Writes DIR/g00000.vorn ... one program each; program i depends only on SEED
// and i, so a failing program can be made again alone. The first few are
// fixed, the same for every seed: small programs on which the engines once
// differed. Of the others, about half are typed
// random programs: integers of every size, comparisons, choices and lists in
// every spelling the guide allows (c?a?b, (c) a b, the identity and reversed
// application operators, L and the pattern h t{l K}, a list applied to z and
// f, a cell helper passed by name), pairs and their patterns, lets and
// lambdas whose binders may hide the locals around them, partial and
// over-application, higher-order functions, effects in order, constants and
// wrapped definitions with effects, Y, aborts, cycles, final values that are
// not integers and redefined prelude names; a few are broken on purpose. The
// others are shapes written around one idea each (binders that hide locals,
// closures, lambda values read by shape, laziness in over-application, line
// marks, errno, deep recursion, truth tests of every kind), varied at
// random; those about errno and deep recursion carry a comment piece that
// asks run_diff to run them also under address-space limits. Every
// recursion is bounded, so each program ends quickly.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <iterator>
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
    template <size_t N>
    const char* pick(const char* const (&items)[N]) {
        return items[below(int(N))];
    }
};

std::string num(int n) { return std::to_string(n); }

// Every text below is built from atoms and parenthesised groups, so an
// operator written between two of them binds them and nothing else.

// text with x put for every $H and y for every $T.
std::string fill_in(const std::string& text, const std::string& x, const std::string& y) {
    std::string out;
    for (size_t i = 0; i < text.size(); i++) {
        if (text[i] == '$' && i + 1 < text.size() && (text[i + 1] == 'H' || text[i + 1] == 'T')) {
            out += text[i + 1] == 'H' ? x : y;
            i++;
        } else {
            out += text[i];
        }
    }
    return out;
}

// f applied to x, spelled with one of the operators the prelude binds to I
// (: ; ? ' and the prefix ") or to T (. @), or by juxtaposition.
std::string spell_apply(Random& rnd, const std::string& f, const std::string& x) {
    switch (rnd.below(10)) {
    case 0: return "(" + f + ":" + x + ")";
    case 1: return "(" + x + "." + f + ")";
    case 2: return "(" + x + "@" + f + ")";
    case 3: return "(" + f + "'" + x + ")";
    case 4: return "(" + f + ";" + x + ")";
    case 5: return "(" + f + "?" + x + ")";
    case 6: return "(\"" + f + " " + x + ")";
    default: return "(" + f + " " + x + ")";
    }
}

// The test c applied to a and b: "if c then a else b" when c is a truth.
std::string spell_choice(Random& rnd, const std::string& c, const std::string& a, const std::string& b) {
    switch (rnd.below(12)) {
    case 0: case 1: case 2: return "(" + c + "?" + a + "?" + b + ")";
    case 3: case 4: return "(" + c + " " + a + " " + b + ")";
    case 5: return "(" + c + ":" + a + ":" + b + ")";
    case 6: return "((" + c + ";" + a + ");" + b + ")";
    case 7: return "(" + b + ".(" + a + "." + c + "))";
    case 8: return "(\"" + c + " " + a + " " + b + ")";
    case 9: return "(" + c + "'" + a + "'" + b + ")";
    case 10: return "(" + b + "@(" + a + "@" + c + "))";
    default: return "((" + c + "?" + a + ") " + b + ")";
    }
}

// ---------------------------------------------------------------------------
// The library of the typed programs
// ---------------------------------------------------------------------------

// A list walk: NAME\PARAMS\BODY where BODY takes the list l apart, giving
// EMPTY for K and CELL (with $H the head, $T the tail) for a cell. OTHERS
// are the parameters the cell uses besides the fields, in order.
struct Walk {
    const char* name;
    const char* params;
    const char* others;
    const char* empty;
    const char* cell;
};

// The body of a walk in one of the ways the guide allows to take a list
// apart; a cell helper defined on its own goes to extra.
std::string walk_body(Random& rnd, const Walk& w, const std::string& cell, std::vector<std::string>& extra) {
    // The fields' names; some hide the list l, which the cell no longer needs.
    static const char* const FIELDS[][2] = {{"h", "t"}, {"x", "y"}, {"b", "c"}, {"h", "l"}, {"l", "t"}, {"hd", "tl"}};
    const char* const* f = FIELDS[rnd.below(6)];
    std::string h = f[0], t = f[1], e = w.empty;
    std::string named = fill_in(cell, h, t);
    switch (rnd.below(10)) {
    case 0: return "l " + e + " (" + h + "\\" + t + "\\" + named + ")";
    case 1: return "L l?" + e + "?(" + h + " " + t + "{l K}" + named + ")";
    case 2: return "(L l) " + e + " (" + h + " " + t + "{l K}" + named + ")";
    case 3: return "L l?" + e + "?(" + fill_in(cell, "(l K K)", "(l K H)") + ")";
    case 4: return "L l?" + e + "?(w{l K}" + fill_in(cell, "(w K)", "(w H)") + ")";
    case 5: return "l:" + e + ":(" + h + "\\" + t + "\\" + named + ")";
    case 6: {  // the cell as a global passed by name, partially applied
        std::string helper = std::string(w.name) + "_cell";
        std::string others = w.others;
        std::string params = others.empty() ? "" : others + "\\";
        extra.push_back(helper + "\\" + params + h + "\\" + t + "\\" + named);
        std::string call = helper;
        for (char c : others)
            if (c != '\\') call += std::string(" ") + c;
        return "l " + e + " " + (others.empty() ? call : "(" + call + ")");
    }
    case 7: return "L l " + e + " (" + h + " " + t + "{l K}" + named + ")";
    case 8: return "(L l)?" + e + "?(" + h + " " + t + "{l K}" + named + ")";
    default: return "l " + e + " (" + h + "\\" + t + "\\" + named + ")";
    }
}

std::string library_text(Random& rnd) {
    std::vector<std::string> defs, extra;
    std::string filt_cell = spell_choice(rnd, "(p $H)", "(J $H (filt p $T))", "(filt p $T)");
    const Walk walks[] = {
        {"sum", "l", "", "0", "$H+(sum $T)"},
        {"len", "l", "", "0", "1+(len $T)"},
        {"map", "f\\l", "f", "K", "J (f $H) (map f $T)"},
        {"fold", "f\\z\\l", "f\\z", "z", "fold f (f z $H) $T"},
        {"rev", "l\\r", "r", "r", "rev $T (J $H r)"},
        {"filt", "p\\l", "p", "K", filt_cell.c_str()},
        {"each", "l\\v", "v", "K", "J ($H v) (each $T v)"},
    };
    for (const Walk& w : walks) defs.push_back(std::string(w.name) + "\\" + w.params + "\\" + walk_body(rnd, w, w.cell, extra));
    // The counters use builtin names, which a program cannot redefine, so
    // that a redefined operator never makes a recursion endless.
    defs.push_back("upto\\n\\less n 1?K?J n (upto (dash n 1))");
    defs.push_back("sumto\\r\\n\\less n 1?0?(n+(r (dash n 1)))");  // for Y
    defs.push_back("first\\l\\h t{l K}h");                         // the pattern on K too, unguarded
    defs.push_back("swap\\p\\x y{p}V y x");
    defs.push_back("order\\x\\y\\x<y?(V x y)?(V y x)");
    defs.push_back(rnd.chance(70) ? "twice\\f\\x\\f (f x)" : "twice\\f\\B f f");
    // Truths known from definitions.
    defs.push_back("yes\\K");
    defs.push_back("no\\H");
    defs.push_back("flag\\less 1 2");
    defs.push_back("apply\\f\\x\\f x");
    defs.push_back("compose\\f\\g\\x\\f (g x)");
    defs.push_back("add\\x\\y\\x+y");
    defs.push_back("times\\x\\y\\x*y");
    defs.push_back("add_three\\add 3");  // point-free
    defs.push_back(rnd.chance(50) ? "inc\\n\\n+1" : "inc\\plus 1");
    defs.push_back("dbl\\n\\" + std::string(rnd.chance(50) ? "n+n" : "n*2"));
    defs.push_back("mk\\n\\plus n");                  // over-applied: mk 1 2
    defs.push_back("pick\\c\\c?(x\\x+1)?(x\\x*2)");   // over-applied: pick c 5
    defs.push_back("pairsum\\p\\(p K)+(p H)");
    // Over-applied with an effect that only a strict read shows.
    defs.push_back(rnd.chance(50) ? "side\\x\\V (y{puts [side]}x)" : "side\\x\\V (puts [side])");
    // A user predicate, in several spellings.
    std::string bound = num(3 + rnd.below(20));
    static const char* const SMALL[] = {"n<$H", "less n $H", "(n<$H)?K?H", "!(n>$H)", "(n<$H) K H"};
    defs.push_back("small\\n\\" + fill_in(rnd.pick(SMALL), bound, ""));
    std::string s;
    for (auto& d : extra) s += d + ",\n";
    for (size_t i = 0; i < defs.size(); i++) s += defs[i] + (i + 1 < defs.size() ? ",\n" : "");
    return s;
}

// ---------------------------------------------------------------------------
// Typed random expressions
// ---------------------------------------------------------------------------

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
    int shadow = 0;  // percent of binders that reuse a name in scope

    // A new binder of type t: a fresh name, or (shadow percent of the time,
    // when allowed) one already in scope, which it hides; never avoid.
    std::string fresh(Type t, bool may_shadow = true, const std::string& avoid = "") {
        static const char* LONG_NAMES[] = {"acc", "val", "item", "rest", "count"};
        std::string name;
        if (may_shadow && !scope.empty() && rnd.chance(shadow)) {
            name = scope[size_t(rnd.below(int(scope.size())))].name;
            if (name == avoid) name = "";
        }
        if (name.empty()) {
            if (locals_used < 18 && !rnd.chance(10)) {
                name = std::string(1, char('b' + locals_used));
            } else {
                name = LONG_NAMES[rnd.below(5)];
            }
            if (name == avoid) name = std::string(1, char('b' + (locals_used + 1) % 18));
            locals_used++;
        }
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

    // A lambda of one Int parameter with body, the binder bound around it.
    std::string lambda(int depth, bool capture) {
        std::string outer = var_of(Type::INT);
        std::string x = fresh(Type::INT);
        std::string body;
        if (capture && !outer.empty() && outer != x) {
            static const char* OPS[] = {"+", "*", "-", "<"};
            const char* op = rnd.pick(OPS);
            body = std::string(op) == "<" ? "(" + x + "<" + outer + ")?" + x + "?" + outer : x + op + outer;
        } else {
            body = gen_int(depth);
        }
        drop(1);
        return "(" + x + "\\" + body + ")";
    }

    std::string gen_bool(int depth) {
        std::string v = var_of(Type::BOOL);
        if (!v.empty() && rnd.chance(30)) return v;
        if (depth <= 0) {
            static const char* TRUTHS[] = {"K", "H", "K", "H", "yes", "no", "flag"};
            return rnd.pick(TRUTHS);
        }
        static const char* CMP[] = {"<", ">", "=", "#"};
        switch (rnd.below(10)) {
        case 0: case 1: case 2:
            return "(" + gen_int(depth - 1) + CMP[rnd.below(4)] + gen_int(depth - 1) + ")";
        case 3: return "(!" + gen_bool(depth - 1) + ")";
        case 4: return "(" + gen_bool(depth - 1) + (rnd.chance(50) ? "&" : "|") + gen_bool(depth - 1) + ")";
        case 5: return "(L " + gen_list(depth - 1) + ")";
        case 6: return spell_apply(rnd, "small", gen_int(depth - 1));
        case 7: return "($" + gen_int(depth - 1) + ")";
        case 8: {  // a truth held in a local
            std::string e = gen_bool(depth - 1);
            std::string c = fresh(Type::BOOL);
            std::string body = gen_bool(depth - 1);
            drop(1);
            return "(" + c + "{" + e + "}" + body + ")";
        }
        default: return "(less " + gen_int(depth - 1) + " " + gen_int(depth - 1) + ")";
        }
    }

    std::string gen_list(int depth) {
        std::string v = var_of(Type::LIST);
        if (!v.empty() && rnd.chance(30)) return v;
        if (depth <= 0) return rnd.chance(50) ? "K" : "(upto " + std::to_string(rnd.below(5)) + ")";
        switch (rnd.below(9)) {
        case 0: return "(J " + gen_int(depth - 1) + " " + gen_list(depth - 1) + ")";
        case 1: return "(upto " + std::to_string(rnd.below(9)) + ")";
        case 2: return "(map " + gen_fun(depth - 1) + " " + gen_list(depth - 1) + ")";
        case 3: return "(rev " + gen_list(depth - 1) + " K)";
        case 4: {  // a filter whose test captures a local, or is a global
            std::string p = rnd.chance(30) ? "small" : lambda_test(depth - 1);
            return "(filt " + p + " " + gen_list(depth - 1) + ")";
        }
        case 5: {  // functions kept in a list and applied later
            std::string fs = "K";
            for (int i = rnd.below(3); i >= 0; i--) fs = "(J " + gen_fun(depth - 1) + " " + fs + ")";
            return "(each " + fs + " " + gen_int(depth - 1) + ")";
        }
        case 6: return spell_choice(rnd, gen_bool(depth - 1), gen_list(depth - 1), gen_list(depth - 1));
        case 7: {  // the tail of a cell, read by the selectors
            std::string e = gen_list(depth - 1);
            std::string l = fresh(Type::LIST);
            std::string body = rnd.chance(50) ? "(" + l + " K H)" : "(p{" + l + " K}p H)";
            drop(1);
            return "(" + l + "{" + e + "}L " + l + "?K?" + body + ")";
        }
        default: return "K";
        }
    }

    // A one-parameter truth function for filt, capturing a local when one
    // is in scope.
    std::string lambda_test(int depth) {
        std::string outer = var_of(Type::INT);
        std::string x = fresh(Type::INT);
        std::string other = outer.empty() || outer == x ? gen_int(depth) : outer;
        static const char* CMP[] = {"<", ">", "=", "#"};
        std::string body = x + rnd.pick(CMP) + other;
        drop(1);
        return "(" + x + "\\" + body + ")";
    }

    std::string gen_pair(int depth) {
        std::string v = var_of(Type::PAIR);
        if (!v.empty() && rnd.chance(30)) return v;
        if (depth <= 0) return "(V " + literal() + " " + literal() + ")";
        switch (rnd.below(4)) {
        case 0: return "(V " + gen_int(depth - 1) + " " + gen_int(depth - 1) + ")";
        case 1: return "(order " + gen_int(depth - 1) + " " + gen_int(depth - 1) + ")";
        case 2: return "(J " + gen_int(depth - 1) + " " + gen_int(depth - 1) + " K)";  // a cell read as a pair
        default: return "(swap " + gen_pair(depth - 1) + ")";
        }
    }

    std::string gen_fun(int depth) {
        std::string v = var_of(Type::FUN);
        if (!v.empty() && rnd.chance(30)) return v;
        if (depth <= 0) {
            static const char* LEAVES[] = {"(plus 1)", "I", "inc", "dbl", "add_three", "(times 3)"};
            return rnd.pick(LEAVES);
        }
        switch (rnd.below(12)) {
        case 0: case 1: return lambda(depth - 1, false);
        case 2: return lambda(depth - 1, true);  // a closure over a local
        case 3: return "(plus " + gen_int(depth - 1) + ")";
        case 4: return "(add " + gen_int(depth - 1) + ")";
        case 5: return "(mk " + gen_int(depth - 1) + ")";
        case 6: return "(pick " + gen_bool(depth - 1) + ")";
        case 7: return "(compose " + gen_fun(depth - 1) + " " + gen_fun(depth - 1) + ")";
        case 8: {  // a closure built by a let: k{i%7}f{x\x+k}
            std::string e = gen_int(depth - 1);
            std::string k = fresh(Type::INT);
            std::string f = lambda(depth - 1, true);
            drop(1);
            return "(" + k + "{" + e + "%7}" + f + ")";
        }
        case 9: {
            static const char* NAMES[] = {"inc", "dbl", "add_three", "(times 2)", "(add 5)"};
            return rnd.pick(NAMES);
        }
        case 10:  // a lazy combinator partly applied
            switch (rnd.below(5)) {
            case 0: return "(B " + gen_fun(depth - 1) + " " + gen_fun(depth - 1) + ")";
            case 1: return "(C add " + gen_int(depth - 1) + ")";
            case 2: return "(S add " + gen_fun(depth - 1) + ")";
            case 3: return "(W times)";
            default: return "(K " + gen_int(depth - 1) + ")";
            }
        default:
            for (auto& f : funcs) {
                if (f.second == 1 && rnd.chance(40)) return f.first;
                if (f.second == 2 && rnd.chance(40)) return "(" + f.first + " " + gen_int(depth - 1) + ")";
            }
            return "(mult 2)";
        }
    }

    // Anything printable, typed or not: a test that is no truth applied to
    // two branches, a number applied as a function, a closure.
    std::string gen_any(int depth) {
        switch (rnd.below(12)) {
        case 0: return gen_bool(depth);
        case 1: return gen_list(depth);
        case 2: return gen_pair(depth);
        case 3: case 4: return gen_fun(depth);
        case 5: {  // a test whose value is no truth
            std::string c;
            switch (rnd.below(4)) {
            case 0: c = gen_int(depth - 1); break;
            case 1: c = gen_list(depth - 1); break;
            case 2: c = gen_fun(depth - 1); break;
            default: c = gen_pair(depth - 1); break;
            }
            return spell_choice(rnd, c, gen_int(depth - 1), gen_int(depth - 1));
        }
        case 6: return spell_apply(rnd, gen_int(depth - 1), gen_int(depth - 1));
        case 7: return "(" + gen_list(depth - 1) + " K)";
        default: return gen_int(depth);
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
        switch (rnd.below(40)) {
        case 0: case 1: case 2:
            return "(" + gen_int(d) + OPS[rnd.below(7)] + gen_int(d) + ")";
        case 3: case 25: return spell_choice(rnd, gen_bool(d), gen_int(d), gen_int(d));
        case 4: case 5: {  // let
            std::string e = gen_int(d);
            std::string x = fresh(Type::INT);
            std::string body = gen_int(d);
            drop(1);
            return "(" + x + "{" + e + "}" + body + ")";
        }
        case 6: {  // pair pattern
            std::string e = gen_pair(d);
            std::string x = fresh(Type::INT);
            std::string y = fresh(Type::INT, true, x);
            std::string body = gen_int(d);
            drop(2);
            return "(" + x + " " + y + "{" + e + "}" + body + ")";
        }
        case 7: {  // list taken apart with L and the pattern, or by application
            std::string e = gen_list(d);
            if (rnd.chance(50)) {
                std::string l = fresh(Type::LIST);
                std::string empty = gen_int(d);
                std::string h = fresh(Type::INT);
                std::string tl = fresh(Type::LIST, true, h);
                std::string cell = gen_int(d);
                drop(3);
                std::string test = rnd.chance(50) ? "L " + l + "?" + empty + "?" : "(L " + l + ") " + empty + " ";
                return "(" + l + "{" + e + "}" + test + "(" + h + " " + tl + "{" + l + " K}" + cell + "))";
            }
            std::string empty = gen_int(d);
            std::string h = fresh(Type::INT);
            std::string tl = fresh(Type::LIST, true, h);
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
            return "(" + std::string(rnd.pick(LIST_FNS)) + " " + gen_list(d) + ")";
        }
        case 10: {  // a global function passed by name
            static const char* FOLDS[] = {"add", "times", "(x\\y\\x*2+y)", "(x\\y\\y)"};
            return "(fold " + std::string(rnd.pick(FOLDS)) + " " + gen_int(d) + " " + gen_list(d) + ")";
        }
        case 11: return "(sum (map " + gen_fun(d) + " " + gen_list(d) + "))";
        case 12: return spell_apply(rnd, gen_fun(d), gen_int(d));
        case 13: return "(twice " + gen_fun(d) + " " + gen_int(d) + ")";
        case 14: return rnd.chance(50) ? "(" + gen_pair(d) + (rnd.chance(50) ? " K)" : " H)")
                                       : "(pairsum " + gen_pair(d) + ")";
        case 15: case 26: {  // an effect, then a value
            std::string shown = gen_any(d);
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
        case 21:  // Y with a bounded count, by a lambda or a global
            if (rnd.chance(50)) return "(Y sumto " + std::to_string(rnd.below(12)) + ")";
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
        case 27: {  // a truth held in a local decides
            std::string e = gen_bool(d);
            std::string c = fresh(Type::BOOL);
            std::string body = spell_choice(rnd, c, gen_int(d), gen_int(d));
            drop(1);
            return "(" + c + "{" + e + "}" + body + ")";
        }
        case 28: {  // an argument that needs evaluating first
            std::string f = gen_fun(d);
            return "(" + f + " (" + f + " " + gen_int(d) + "))";
        }
        case 29: {  // over-application whose effect only a strict read shows
            std::string x = gen_int(d), sel = rnd.chance(50) ? "H" : "K";
            if (rnd.chance(50)) return "(side " + x + " " + gen_int(d) + " " + sel + ")";
            std::string p = fresh(Type::PAIR);
            std::string y = gen_int(d);
            drop(1);
            return "(" + p + "{side " + x + "}" + p + " " + y + " " + sel + ")";
        }
        case 30: {  // the head of a cell by the selectors, or by p K
            std::string e = gen_list(d);
            std::string l = fresh(Type::LIST);
            std::string body = rnd.chance(50) ? "(" + l + " K K)" : "(p{" + l + " K}(p K)+(len (p H)))";
            drop(1);
            return "(" + l + "{" + e + "}L " + l + "?" + gen_int(d) + "?" + body + ")";
        }
        case 31: return "(sum (filt " + lambda_test(d) + " " + gen_list(d) + "))";
        case 32: {  // a value reversed through its functions: x.f.g
            std::string x = gen_int(d);
            for (int i = rnd.below(3); i >= 0; i--) x = "(" + x + (rnd.chance(50) ? "." : "@") + gen_fun(d) + ")";
            return x;
        }
        case 33: return "(add_three " + gen_int(d) + ")";
        case 34: {  // a closure made by a let and applied
            std::string e = gen_int(d);
            std::string k = fresh(Type::INT);
            std::string fn = lambda(d, true);
            std::string f = fresh(Type::FUN);
            std::string body = spell_apply(rnd, f, gen_int(d));
            drop(2);
            return "(" + k + "{" + e + "%7}" + f + "{" + fn + "}" + body + ")";
        }
        default:
            if (rnd.chance(20)) {  // an abort, an exit, a cycle or the error value
                switch (rnd.below(5)) {
                case 0: return "(road [1+])";
                case 1: return allow_cycle ? "loopy" : "(1/0)";
                case 2: return "(Z " + gen_int(d) + ")";
                case 3: return "(x{puts [leaving]}exit " + gen_int(0) + ")";
                default: return "(x{puts [before]}road [x\\])";
                }
            }
            return "(" + gen_int(d) + "^" + std::to_string(rnd.below(4)) + ")";
        }
    }
};

// Prelude names redefined, most with their own meaning (new definition
// nodes, some spelled another way), a few with another. Only names no
// recursion's end depends on get another meaning: the counters test with
// builtins, the walks with L, K, H, J, V and the choice operators.
const char* const REDEFINITIONS[] = {
    "H\\a\\b\\b", "K\\a\\b\\a", "I\\a\\a", "V\\a\\b\\c\\c a b", "J\\a\\b\\c\\V a b",
    "L\\a\\a K (K (K H))", "T\\a\\b\\b a", "Y\\a\\b\\a (Y a) b", "[+]\\plus", "[?]\\I",
    "[+]\\dash", "[*]\\plus", "[<]\\gteq", "[!]\\p\\p H K", "B\\a\\b\\c\\a (b c)",
    "[:]\\I", "[.]\\T", "[;]\\a\\b\\a b", "[\"]\\I", "[@]\\a\\b\\b a",
    "[?]\\x\\x", "[']\\a\\b\\a b", "K\\x\\y\\x", "L\\l\\l K (z\\t\\H)", "J\\h\\t\\s\\V h t",
    "[&]\\q\\r\\q K r", "[#]\\same", "[=]\\diff", "[>]\\less", "[%]\\over", "[$]\\wave",
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

std::string typed_program(Random& rnd) {
    static const int SHADOW[] = {0, 0, 15, 40};
    Generator g{rnd, {}, {}, {}, {}, 0, rnd.chance(10), SHADOW[rnd.below(4)]};
    std::vector<std::string> defs;

    int nconst = rnd.below(3);
    for (int i = 0; i < nconst; i++) {
        std::string name = "konst" + std::string(1, char('a' + i));
        g.locals_used = 0;
        std::string body = g.gen_int(2);
        switch (rnd.below(10)) {
        case 0: case 1: case 2:  // wrapped: computed at every use
            defs.push_back(name + "()\\x{puts [" + name + "]}" + body);
            break;
        case 3:  // marked: computed while the program is checked
            defs.push_back(name + "\\`(x{puts [" + name + "]}" + body + ")");
            break;
        default: defs.push_back(name + "\\x{puts [" + name + "]}" + body); break;
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
        for (int p = 0; p < arity; p++) head += "\\" + g.fresh(hof && p == 0 ? Type::FUN : Type::INT, false);
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
    int effects = rnd.below(4);
    std::string main = "a\\";
    for (int i = 0; i < effects; i++) {
        g.locals_used = 1;
        main += "x{puts(lisp " + g.gen_any(2) + ")}";
    }
    main += result;

    std::string text = main + ",\n";
    for (auto& d : defs) text += d + ",\n";
    text += library_text(rnd);
    if (rnd.chance(12)) {
        for (int i = rnd.chance(25) ? 2 : 1; i > 0; i--)
            text += ",\n" + std::string(REDEFINITIONS[rnd.below(int(std::size(REDEFINITIONS)))]);
    }
    if (rnd.chance(6)) text = break_program(rnd, text);
    return text;
}

// ---------------------------------------------------------------------------
// Shapes: whole programs around one idea each
// ---------------------------------------------------------------------------

const char* const LIST_LIBRARY =
    "up\\n\\less n 1?K?J n (up (dash n 1)),\n"
    "mp\\f\\l\\l K (h\\t\\J (f h) (mp f t)),\n"
    "sm\\l\\l 0 (h\\t\\h+(sm t)),\n"
    "ap\\f\\x\\f x,\n"
    "each\\l\\v\\l K (f\\t\\J (f v) (each t v))";

// The main expression: each of shows printed in turn, then result.
std::string main_printing(const std::vector<std::string>& shows, const std::string& result) {
    std::string m = "a\\";
    for (auto& s : shows) m += "x{puts(lisp(" + s + "))}";
    return m + result;
}

// Binders that hide a local of the scope around them: a lambda or let whose
// letter is a parameter's, its body using another parameter.
std::string shape_shadow(Random& rnd) {
    static const char* const NAMES[] = {"b", "c", "d", "n", "x", "k", "count", "val"};
    int np = 2 + rnd.below(2);
    std::vector<std::string> ps;
    while (int(ps.size()) < np) {
        std::string p = rnd.pick(NAMES);
        bool taken = false;
        for (auto& q : ps) taken |= q == p;
        if (!taken) ps.push_back(p);
    }
    static const char* const OPS[] = {"+", "*", "-"};
    std::vector<std::string> forms;
    int nforms = 2 + rnd.below(4);
    for (int i = 0; i < nforms; i++) {
        int is = rnd.below(np);
        std::string s = ps[size_t(is)];  // the binder, hiding a parameter
        std::string o = ps[size_t((is + 1 + rnd.below(np - 1)) % np)];  // another parameter
        std::string op = rnd.pick(OPS);
        std::string lam = "(" + s + "\\" + s + op + o + ")";
        std::string n = num(rnd.below(20)), m = num(rnd.below(20));
        switch (rnd.below(15)) {
        case 0: forms.push_back(lam); break;  // printed
        case 1: forms.push_back(lam + " " + n); break;
        case 2: forms.push_back("y{" + lam + "}y " + n); break;
        case 3: forms.push_back("ap " + lam + " " + n); break;
        case 4: forms.push_back("sm (mp " + lam + " (J " + s + " (J 2 K)))"); break;
        case 5: forms.push_back("y{(" + s + "\\w{puts [boom]}" + o + ")}0"); break;
        case 6: forms.push_back(s + "{" + o + op + "1}" + s + op + o); break;
        case 7: forms.push_back("(" + s + "\\" + o + "\\" + s + op + o + ") " + n + " " + m); break;
        case 8: forms.push_back("(" + s + "\\" + o + "\\" + s + op + o + ") " + n); break;
        case 9: forms.push_back("(J " + n + " K) 0 (" + s + "\\t\\" + s + op + o + ")"); break;
        case 10: forms.push_back(s + " t{V " + n + " " + m + "}" + s + op + o); break;
        case 11: forms.push_back("(" + s + "\\(" + o + "\\" + s + op + o + ") " + n + ") " + m); break;
        case 12: forms.push_back("sm (each (J " + lam + " (J (" + o + "\\" + s + ") K)) " + n + ")"); break;
        case 13: forms.push_back("mp " + lam + " (J " + n + " K)"); break;
        default: forms.push_back("L (J " + n + " K)?0?(" + s + " t{(J " + m + " K) K}" + s + op + o + ")"); break;
        }
    }
    std::string result = rnd.chance(50) ? "0" : "sm (mp (" + ps[0] + "\\" + ps[0] + "+" + ps[1] + ") (J " + ps[0] + " K))";
    std::string body;
    for (auto& f : forms) body += "e{puts(lisp(" + f + "))}";
    body += result;
    std::string text;
    if (rnd.chance(25)) {  // in the main expression, over locals of its lets
        std::string m = "a\\";
        for (auto& p : ps) m += p + "{" + num(rnd.below(10)) + "}";
        text = m + body + ",\n";
    } else {
        std::string head = "go";
        for (auto& p : ps) head += "\\" + p;
        std::vector<std::string> shows;
        for (int i = 1 + rnd.below(3); i > 0; i--) {
            std::string call = "go";
            for (int j = 0; j < np; j++) call += " " + num(rnd.below(10));
            shows.push_back(call);
        }
        text = main_printing(shows, "0") + ",\n" + head + "\\" + body + ",\n";
    }
    return text + LIST_LIBRARY;
}

// Closures: returned and printed, stored in lists and applied later, made
// in numbers over fresh lists, capturing the locals of a filter.
std::string shape_closure(Random& rnd) {
    static const char* const MK[] = {
        "mk\\n\\k{n%7}x\\x+k", "mk\\n\\x\\x+n", "mk\\n\\k{n%7}f{x\\x*k}f", "mk\\n\\k{n+1}x\\y\\x*k+y",
        "mk\\n\\(x\\x-n)",
    };
    std::string defs = std::string(rnd.pick(MK)) + ",\n";
    defs += "cl\\n\\J (x\\x+n) (J (x\\x*n) (J (mk n) K)),\n";
    defs += "mkl\\n\\l{up n}x\\x+(sm l),\n";
    defs += "qs\\l\\l K (h\\t\\cat (qs (flt (x\\x<h) t)) (J h (qs (flt (x\\x>h) t)))),\n";
    defs += "flt\\p\\l\\l K (h\\t\\" + spell_choice(rnd, "(p h)", "(J h (flt p t))", "(flt p t)") + "),\n";
    defs += "cat\\l\\m\\l m (h\\t\\J h (cat t m)),\n";
    defs += "cmp\\f\\g\\x\\f (g x),\n";
    std::vector<std::string> shows;
    int n = 3 + rnd.below(4);
    for (int i = 0; i < n; i++) {
        std::string a = num(rnd.below(12)), b = num(rnd.below(12)), c = num(2 + rnd.below(25));
        switch (rnd.below(13)) {
        case 0: shows.push_back("mk " + a); break;
        case 1: shows.push_back("mk " + a + " " + b); break;
        case 2: shows.push_back("sm (each (cl " + a + ") " + b + ")"); break;
        case 3: shows.push_back("cl " + a); break;
        case 4: shows.push_back("sm (mp (mk " + a + ") (up " + c + "))"); break;
        case 5: shows.push_back("sm (each (mp mk (up " + c + ")) " + b + ")"); break;
        case 6: shows.push_back("sm (mp (n\\mkl n 1) (up " + c + "))"); break;
        case 7: shows.push_back("sm (each (mp mkl (up " + c + ")) 0)"); break;
        case 8: shows.push_back("qs (mp (x\\(x*" + num(3 + rnd.below(40)) + ")%" + c + ") (up " + c + "))"); break;
        case 9: shows.push_back("k{" + a + "%7}f{x\\x+k}f " + b); break;
        case 10: shows.push_back("k{" + a + "%7}f{x\\x+k}f"); break;
        case 11: shows.push_back("cmp (mk " + a + ") (mk " + b + ") " + c); break;
        default: shows.push_back("mp (mk " + a + ") (up 3)"); break;
        }
    }
    return main_printing(shows, rnd.chance(50) ? "0" : "sm (each (cl 3) 4)") + ",\n" + defs + LIST_LIBRARY;
}

// Lambda values read by shape: closures that capture data of every kind,
// whose bodies hold literals of every kind (some more than there are
// letters), lets, patterns, list tests and choices, and lambdas that differ
// only in what they hold.
std::string shape_lambdas(Random& rnd) {
    static const char* const DATA[] = {"5", "05", "[ab]", "4294967296", "001", "123456789012345678901234567890",
                                       "(J 1 (J 2 K))", "(V 3 4)", "K", "H", "(x\\x*3)", "[]"};
    static const char* const BODIES[] = {
        "x+$H", "$H+x", "V x $H", "J $H (J x K)", "d{$H}x", "d{$H}d", "d{x}$H", "x<3?$H?x",
        "(x<3) x $H", "L x?$H?(h t{x K}h)", "x $H (h\\t\\h)", "p q{V x $H}q", "y{puts(lisp $H)}x",
        "x{$H}x", "(c\\c) $H", "lisp $H",
    };
    std::string defs = "mkc\\c\\x\\" + fill_in(rnd.pick(BODIES), "c", "") + ",\n";
    defs += "twice\\f\\x\\f (f x),\n";
    std::vector<std::string> shows;
    int n = 3 + rnd.below(5);
    for (int i = 0; i < n; i++) {
        std::string d = rnd.pick(DATA), arg = rnd.pick(DATA);
        std::string lam = "(x\\" + fill_in(rnd.pick(BODIES), d, "") + ")";
        switch (rnd.below(9)) {
        case 0: shows.push_back(lam); break;
        case 1: shows.push_back("ap " + lam + " " + arg); break;
        case 2: shows.push_back("f{" + lam + "}f " + arg); break;
        case 3: shows.push_back("mkc " + d); break;
        case 4: shows.push_back("mkc " + d + " " + arg); break;
        case 5: shows.push_back("each (J " + lam + " (J (mkc " + d + ") (J (mkc " + arg + ") K))) " + arg); break;
        case 6: shows.push_back("twice " + lam + " " + arg); break;
        case 7: {  // more literals than letters
            std::string body = "x";
            for (int k = 20 + rnd.below(20); k > 0; k--) body += "+" + num(k);
            shows.push_back(rnd.chance(50) ? "ap (x\\" + body + ") 1" : "(x\\" + body + ")");
            break;
        }
        default: shows.push_back("mp " + lam + " (J " + arg + " (J " + d + " K))"); break;
        }
    }
    return main_printing(shows, "0") + ",\n" + defs + LIST_LIBRARY;
}

// = and # on values of kind void, which compare the very node first: what
// a constant holds, what H and Z give, closures held once or made twice,
// truths from comparisons and from definitions; in the main expression and
// in a function with locals of its own.
std::string shape_identity(Random& rnd) {
    static const char* const INC[] = {"inc\\mk 1", "inc\\plus 1", "inc\\x\\x+1", "inc\\B (plus 1) I"};
    std::string defs = std::string(rnd.pick(INC)) + ",\nmk\\x\\y\\x+y,\nff\\c\\c 1,\nkc\\K 7,\nlam\\x\\x+1,\n";
    defs += "yes\\K,\nno\\H,\nflag\\less 1 2,\nadder\\k\\x\\x+k";
    static const char* const TESTS[] = {
        "inc=inc", "inc#inc", "(H 1)=(H 2)", "(ff H)=(ff H)", "(ff Z)=(ff Z)", "(Z 1)=(Z 2)", "kc=kc",
        "lam=lam", "lam=(x\\x+1)", "f{mk $H}f=f", "(mk $H)=(mk $H)", "(mk $H)#(mk $T)", "f{adder $H}g{f}f=g",
        "(adder $H)=(adder $H)", "f{x\\x+$H}f=f", "(K I 1)=I", "yes=K", "($H<$T)=yes", "($H<$T)=($T<$H)",
        "no=($H>$T)", "(J $H K)=(J $H K)", "(V inc $H)=(V inc $H)", "(each (J inc K) $H)=(J $H K)", "flag=K",
        "(H $H)=I", "f{K $H}f=f",
    };
    std::vector<std::string> tests;
    for (int i = 2 + rnd.below(5); i > 0; i--) {
        std::string t = fill_in(rnd.pick(TESTS), "k", num(rnd.below(9)));
        tests.push_back(rnd.chance(50) ? t : spell_choice(rnd, "(" + t + ")", "1", "2"));
    }
    std::vector<std::string> shows;
    std::string go;
    if (rnd.chance(50)) {  // in a function, with k a parameter
        go = ",\ngo\\k\\";
        for (auto& t : tests) go += "x{puts(lisp(" + t + "))}";
        go += "0";
        shows.push_back("go " + num(rnd.below(9)));
    } else {
        std::string k = num(rnd.below(9));
        for (auto& t : tests) shows.push_back("k{" + k + "}" + t);
    }
    return main_printing(shows, "0") + ",\n" + defs + go + ",\n" +
           "each\\l\\v\\l K (f\\t\\J (f v) (each t v))";
}

// Over-application and laziness: an effect inside a pair that only a
// strict read of the pair shows, and lazy heads that drop an argument.
std::string shape_lazy(Random& rnd) {
    std::string defs = rnd.chance(50) ? "side\\x\\V (puts [side])" : "side\\x\\V (y{puts [side]}x)";
    defs += ",\ngo\\x\\side x 5 H";
    defs += ",\nheld\\x\\y{side x}y 5 H";
    defs += ",\nthree\\x\\y\\z{puts(lisp(x+y))}w\\w*z";
    defs += ",\nchoose\\c\\c (puts [yes]) (puts [no])";
    defs += ",\nlazy\\x\\K x (puts [dropped])";
    std::vector<std::string> shows;
    int n = 2 + rnd.below(5);
    for (int i = 0; i < n; i++) {
        std::string a = num(rnd.below(9)), b = num(rnd.below(9));
        switch (rnd.below(12)) {
        case 0: shows.push_back("side " + a + " " + b + " H"); break;
        case 1: shows.push_back("side " + a + " " + b + " K"); break;
        case 2: shows.push_back("y{side " + a + "}y " + b + " H"); break;
        case 3: shows.push_back("y{side " + a + "}y " + b + " K"); break;
        case 4: shows.push_back("go " + a); break;
        case 5: shows.push_back("held " + a); break;
        case 6: shows.push_back("three " + a + " " + b + " 3 4"); break;
        case 7: shows.push_back("three " + a + " " + b + " 3"); break;
        case 8: shows.push_back("choose (" + a + "<" + b + ")"); break;
        case 9: shows.push_back("lazy " + a); break;
        case 10: shows.push_back("H (puts [dropped]) " + a); break;
        default: shows.push_back("(J (puts [head]) K) 0 (h\\t\\" + a + ")"); break;
        }
    }
    return main_printing(shows, "0") + ",\n" + defs;
}

// Line marks whose value was computed by a builtin that reveals nodes while
// the program was checked: the run then reads the node's header (its
// reference count) through refk, with no such name left in the program. A
// marked expression that uses a local stays a record that keeps its names,
// which some programs add.
std::string shape_marks(Random& rnd) {
    static const char* const HELD[] = {"[hello]", "123456789012345678901234567890", "(J 1 (J 2 K))",
                                       "4294967296", "(x\\x+1)", "[a [b] c]"};
    std::string held = rnd.pick(HELD);
    std::string defs;
    defs += "ca\\" + (rnd.chance(30) ? "`" + held : held) + ",\n";  // the held value itself marked, or not
    std::string at = "cz";
    if (held[0] == '[' && rnd.chance(50)) {  // the address of a byte of the text: its header is 9 bytes before
        defs += "cy\\`(strchr ca " + std::string(held == "[hello]" ? "104" : "97") + "),\n";
        at = "(cy-9)";
    } else {
        defs += "cz\\`(leak ca),\n";
    }
    const std::string reads[] = {"(refk " + at + ")%1048576", "refi " + at, "refh " + at};
    std::string read = reads[rnd.below(3)];
    bool wrapped = rnd.chance(50);  // read by a wrapped definition, or written out at each read
    std::string rc = wrapped ? "rc" : "(" + read + ")";
    if (wrapped) defs += "rc()\\" + read + ",\n";
    defs += "use\\l\\x{puts(lisp " + rc + ")}r{l}x{puts(lisp " + rc + ")}" + (rnd.chance(50) ? "lisp l" : "rank l") + ",\n";
    defs += "two\\l\\m\\x{puts(lisp " + rc + ")}J l (J m K),\n";
    defs += "hold\\l\\x\\x{puts(lisp " + rc + ")}l,\n";
    defs += "keep\\l\\y\\x{puts(lisp " + rc + ")}y,\n";
    bool record = rnd.chance(25), tern = rnd.chance(40);
    if (record) defs += "marked\\x\\`(raws x x),\n";
    if (tern) defs += "tz\\`(tern [abc]),\n";
    std::vector<std::string> shows{rc};
    int n = 2 + rnd.below(4);
    for (int i = 0; i < n; i++) {
        switch (rnd.below(8)) {
        case 0: case 1: shows.push_back("use ca"); break;
        case 2: shows.push_back("two ca ca"); break;
        case 3: shows.push_back("y{hold ca}x{puts(lisp " + rc + ")}y 1"); break;
        case 4: shows.push_back("l{J ca K}x{puts(lisp " + rc + ")}len l"); break;
        case 5: shows.push_back(record ? "marked 3" : "keep ca 5"); break;
        case 6: shows.push_back(tern ? "tz" : "keep ca ca"); break;
        default: shows.push_back(rc); break;
        }
    }
    std::string result = rnd.chance(50) ? "0" : "use ca";
    return main_printing(shows, result == "0" ? result : "rank(" + result + ")") + ",\n" + defs +
           "len\\l\\l 0 (h\\t\\1+(len t))";
}

// errno: at start, and after host calls that fail, with allocation between.
std::string shape_errno(Random& rnd) {
    std::vector<std::string> shows{"errno"};
    int n = 1 + rnd.below(4);
    for (int i = 0; i < n; i++) {
        // Calls that fail without touching anything (no such file, no such
        // descriptor); not a failing malloc, which a sanitizer reports.
        switch (rnd.below(8)) {
        case 0: shows.push_back("fopen (init [no_such_file]) (init [r])"); break;
        case 1: shows.push_back("opendir (init [no_such_dir])"); break;
        case 2: shows.push_back("remove (init [no_such_file])"); break;
        case 3: shows.push_back("read 987 0 0"); break;
        case 4: shows.push_back("rename (init [no_such_file]) (init [no_such_name])"); break;
        case 5: shows.push_back("sm (up " + num(1000 * (1 + rnd.below(10))) + ")"); break;
        case 6: shows.push_back("len (mp (x\\J x K) (up " + num(100 * (1 + rnd.below(40))) + "))"); break;
        default: break;
        }
        shows.push_back("errno");
    }
    return main_printing(shows, rnd.chance(50) ? "errno" : "0") + ",\n" + LIST_LIBRARY +
           ",\nlen\\l\\l 0 (h\\t\\1+(len t))";
}

// Deep non-tail recursion over lists: map, sum, merge sort, quicksort, in
// the spellings the typed library also uses.
std::string shape_deep(Random& rnd) {
    std::vector<std::string> extra;
    std::string lib;
    const Walk walks[] = {
        {"sum", "l", "", "0", "$H+(sum $T)"},
        {"map", "f\\l", "f", "K", "J (f $H) (map f $T)"},
        {"filt", "p\\l", "p", "K", "(p $H)?(J $H (filt p $T))?(filt p $T)"},
        {"cat", "l\\m", "m", "m", "J $H (cat $T m)"},
    };
    for (const Walk& w : walks) lib += std::string(w.name) + "\\" + w.params + "\\" + walk_body(rnd, w, w.cell, extra) + ",\n";
    for (auto& d : extra) lib += d + ",\n";
    lib += "up\\n\\less n 1?K?J n (up (dash n 1)),\n";
    lib += "split\\l\\L l?(V K K)?(h t{l K}L t?(V (J h K) K)?(x y{t K}b c{split y}V (J h b) (J x c))),\n";
    lib += "merge\\l\\m\\L l?m?(L m?l?(h t{l K}x y{m K}h<x?(J h (merge t m))?(J x (merge l y)))),\n";
    lib += "msort\\l\\L l?K?(h t{l K}L t?l?(b c{split l}merge (msort b) (msort c))),\n";
    lib += "qs\\l\\l K (h\\t\\cat (qs (filt (x\\x<h) t)) (J h (qs (filt (x\\x>h) t)))),\n";
    lib += "ok\\l\\L l?K?(h t{l K}L t?K?(x y{t K}(h>x)?H?(ok t)))";
    int size = 100 + rnd.below(600);
    int mult = 7919 + 2 * rnd.below(1000), mod = 50 + rnd.below(5000);
    std::string data = "map (x\\(x*x*" + num(mult) + "+x)%" + num(mod) + ") (up " + num(size) + ")";
    std::vector<std::string> shows;
    int n = 1 + rnd.below(3);
    for (int i = 0; i < n; i++) {
        switch (rnd.below(6)) {
        case 0: shows.push_back("sum (map (x\\x*3) (up " + num(size) + "))"); break;
        case 1: shows.push_back("s{msort (" + data + ")}V (ok s) (sum s)"); break;
        case 2: shows.push_back("s{qs (" + data + ")}V (ok s) (sum s)"); break;
        case 3: shows.push_back("sum (cat (up " + num(size) + ") (up " + num(size / 2) + "))"); break;
        case 4: shows.push_back("sum (filt (x\\x%3=0) (" + data + "))"); break;
        default: shows.push_back("s{msort (" + data + ")}(s K K)+(sum s)"); break;
        }
    }
    return main_printing(shows, "(sum (up " + num(size) + "))%251") + ",\n" + lib;
}

// Truth tests of every kind, in every spelling of a choice, on arguments of
// every kind.
std::string shape_choice(Random& rnd) {
    static const char* const TESTS[] = {
        "n<5", "n>5", "n=5", "n#5", "small n", "!(n<5)", "$(n-5)", "(n>1)&(n<7)", "(n<1)|(n>7)",
        "n", "L n", "c{n<5}c", "(small n)", "n K", "n 1",
    };
    std::string defs = "small\\n\\n<5";
    std::vector<std::string> shows;
    int nfun = 1 + rnd.below(3);
    for (int i = 0; i < nfun; i++) {
        std::string name = "test" + std::string(1, char('a' + i));
        std::string c = "(" + std::string(rnd.pick(TESTS)) + ")";
        std::string a = rnd.chance(70) ? num(rnd.below(20)) : "(n+1)";
        std::string b = rnd.chance(70) ? num(rnd.below(20)) : "(x\\x+n)";
        std::string body = spell_choice(rnd, c, a, b);
        if (rnd.chance(30)) {  // the truth held in a local first
            body = "t{" + c + "}" + spell_choice(rnd, "t", a, b);
        }
        defs += ",\n" + name + "\\n\\" + body;
        static const char* const ARGS[] = {"3", "5", "9", "05", "0", "K", "H", "(J 1 K)", "(x\\x)", "[ab]", "(V 1 2)"};
        for (int j = 1 + rnd.below(4); j > 0; j--) shows.push_back(name + " " + rnd.pick(ARGS));
    }
    return main_printing(shows, rnd.chance(50) ? "0" : "testa 3") + ",\n" + defs;
}

// The piece, ignored as a comment, that asks run_diff to run a program also
// under its address-space limits.
const char* const UNDER_LIMITS = ",\n[run also under address-space limits]";

// The first programs of every seed: small programs on which the engines once
// differed, each written around one fault.
const char* const PINNED[] = {
    // Binders that hide a local: the printed closure, one passed to map, one
    // held by a let and never applied, one applied with two binders.
    "a\\b{2}c{3}x{puts(lisp(b\\b+c))}0",
    "a\\go 1 10,\ngo\\x\\n\\sm (mp (x\\x+n) (J x (J 2 K))),\nmp\\f\\l\\l K (h\\t\\J (f h) (mp f t)),\n"
    "sm\\l\\l 0 (h\\t\\h+(sm t))",
    "a\\ff 1 2,\nff\\x\\y\\z{(x\\w{puts [boom]}y)}0",
    "a\\x{puts(lisp(go 2 3))}x{puts(lisp(ff 1 2))}0,\ngo\\b\\c\\(b\\c\\b+c) 7,\nff\\x\\y\\z{(y\\x+y)}z 5",
    // Over-application: the effect inside the pair shows only when a let
    // reads the pair whole.
    "a\\x{puts(lisp(side 1 5 H))}y{side 1}y 5 H,\nside\\x\\V (puts [side])",
    // A line mark hides leak from the engine guard; refk reads a count.
    "a\\x{puts(lisp((refk cz)%1048576))}use ca,\ncz\\`(leak ca),\nca\\[hello],\n"
    "use\\l\\x{puts(lisp((refk cz)%1048576))}r{l}x{puts(lisp((refk cz)%1048576))}rank l",
    // errno before anything has failed.
    "a\\x{puts(lisp errno)}0,\n[run also under address-space limits]",
    // Lambda values holding a let of a literal whose letter is unread.
    "a\\x{puts(lisp(ap (x\\d{0}x) 5))}x{puts(lisp(ap (x\\x{0}x) 5))}x{puts(lisp(f{c\\d{5}46}f 1))}0,\n"
    "ap\\f\\x\\f x",
    // A closure over a local, applied at its last use (read once freed).
    "a\\k{7}f{x\\x+k}f 5",
    // Under the sanitizers: a number a builtin made, read twice from a let
    // and passed on (leaked); a let of K under a ? that is a lambda (a
    // leaf of the text leaked); a parameter read after a call that walks a
    // list with it (a cell helper partly applied, or a lambda).
    "a\\x{puts(lisp(sw (c{4/2}c+c)))}0,\nsw\\y\\V y 1",
    "a\\x{puts(lisp((d{K}d=d)?1?2))}0,\n[?]\\x\\x",
    "a\\x{puts(lisp(funa 0))}0,\nfuna\\b\\(each (J 0 K) b) b 0,\ncc\\v\\h\\l\\J 0 0,\neach\\l\\v\\l K (cc v)",
    "a\\go 5,\ngo\\e\\(L (each (J 0 K) e))?7?e,\neach\\l\\v\\l K (hd\\tl\\J 0 (each tl v))",
    // = and # on a constant whose value is a partial application.
    "a\\x{puts(lisp(inc=inc))}x{puts(lisp((plus 1)=pl))}x{puts(lisp(pl#pl))}0,\ninc\\mk 1,\nmk\\x\\y\\x+y,\n"
    "pl\\plus 1",
    // L tests nested in the list's place past what one unfolding takes (the
    // compiler unfolded them again and again).
    "a\\ff K,\nff\\x\\L (L (L (L (L x 1 2) 3 4) 5 6) 7 8) 9 10",
};

std::string program(uint64_t seed, int index) {
    if (index < int(std::size(PINNED))) return std::string(PINNED[index]) + "\n";
    Random rnd{seed * 1000003u + uint64_t(index)};
    rnd.next();
    if (rnd.chance(50)) return typed_program(rnd) + "\n";
    switch (rnd.below(10)) {
    case 0: case 1: return shape_shadow(rnd) + "\n";
    case 8: return shape_lambdas(rnd) + "\n";
    case 9: return shape_identity(rnd) + "\n";
    case 2: return shape_closure(rnd) + "\n";
    case 3: return shape_lazy(rnd) + "\n";
    case 4: return shape_marks(rnd) + "\n";
    case 5: return shape_errno(rnd) + UNDER_LIMITS + "\n";
    case 6: return shape_deep(rnd) + UNDER_LIMITS + "\n";
    default: return shape_choice(rnd) + "\n";
    }
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
