// Value printer: leaf forms, the five pair rules with the worked examples,
// the bounded match of rule 2 on unbalanced texts, array texts, agreement
// with a direct recursive reading of the rules on random terms, and terms
// far too deep for recursion.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <random>
#include <string>

#include "cray.h"
#include "post.h"
#include "print.h"

namespace {

NodeRef L(const std::string& text) { return noderef_from_string(string_from_std(text)); }
NodeRef A(NodeRef f, NodeRef x) { return node_make_app(std::move(f), std::move(x)); }
std::string print(NodeRef t) { return string_to_std(term_to_text(std::move(t))); }

NodeRef real_leaf(double d) {
    char text[9] = {' '};
    std::memcpy(text + 1, &d, 8);
    return noderef_wrap(leaf_new_from_bytes(text, 9));
}

// An array of the given elements (null for an empty slot), built in place.
NodeRef cray_of(std::initializer_list<Node*> elements) {
    Node* c = leaf_new_vector(elements.size());
    u64 i = 0;
    for (Node* e : elements) {
        if (e) node_retain(e);
        leaf_vector_set_slot(c, i++, e);
    }
    return noderef_wrap(c);
}

#ifdef VORN_SANITIZED
constexpr i64 BIG = 1000000;
#else
constexpr i64 BIG = 10000000;
#endif

TEST(Printer, Leaves) {
    struct Case {
        NodeRef leaf;
        const char* printed;
    } cases[] = {
        {L(""), "()"},
        {L(")"), "()"},
        {L(")name"), "()"},
        {L("]name"), "()"},
        {L("g"), "g"},
        {L("042"), "042"},
        {L("[a[b]]"), "[a[b]]"},
        {L("+"), "+"},
        {real_leaf(1.5), "real[1.500000e+00]"},
        {real_leaf(-0.0), "real[-0.000000e+00]"},
        {real_leaf(1.0 / 0.0), "real[inf]"},
        {post_make(string_from_cstr("a\nb[c]")), "cape[a[p]b[q]c[r]]"},
        {post_make(string_make_empty()), "cape[]"},
        {cray_of({}), "cray"},
    };
    for (Case& c : cases) EXPECT_EQ(print(std::move(c.leaf)), c.printed);
    EXPECT_EQ(print(post_make(string_from_bytes("x\0y", 3))), std::string("cape[x\0y]", 9));
}

TEST(Printer, WorkedExamples) {
    struct Case {
        NodeRef term;
        const char* printed;
    } cases[] = {
        {A(L("g"), L("x")), "(g x)"},
        {A(A(L("g"), L("x")), L("y")), "(g x y)"},
        {A(A(L("g"), L("x")), L("[ab]")), "(g x [ab])"},
        {A(L("g"), L("[ab]")), "g[ab]"},
        {A(L("g"), L("[a][b]")), "(g [a][b])"},
        {A(A(L("S"), L("K")), L("x")), "SKx"},
        {A(A(L("S"), L("K")), L("K")), "SKK"},
        {A(L("S"), L("K")), "SK"},
        {A(L("a1"), L("2")), "(a1 2)"},
        {A(A(L("+"), L("1")), L("2")), "(+1 2)"},
        {A(L("+"), L("1")), "+1"},
        {A(L(""), L("x")), "()x"},
        {A(L("g"), L("ab1")), "(g ab1)"},
        {A(L("g"), A(L("h"), L("x"))), "(g (h x))"},
        {A(L("12"), L("34")), "(12 34)"},
        {A(L("g"), L("12")), "g12"},
        {A(L("K"), L("x")), "Kx"},
        {A(L("x"), L("K")), "xK"},
        {A(A(L("g"), L("x")), L("K")), "(g x K)"},
        {A(L("g"), L("+")), "g+"},
        {A(A(L("g"), L("x")), L("+")), "(g x +)"},
        {A(L(")c"), L("x")), "()x"},
        {A(L("g"), L("abc")), "(g abc)"},
        {A(L("g"), L("_x")), "(g _x)"},
        {A(L("g"), L("Ab")), "(g Ab)"},
    };
    for (Case& c : cases) EXPECT_EQ(print(std::move(c.term)), c.printed) << c.printed;
}

TEST(Printer, RuleTwoNeedsTheFirstBracketClosedLast) {
    struct Case {
        NodeRef term;
        const char* printed;
    } cases[] = {
        {A(L("g"), L("[a")), "(g [a)"},          // no partner at all
        {A(L("g"), L("[")), "g["},                // one byte: joined
        {A(L("g"), L("[]]")), "(g []])"},         // closed before the end
        {A(L("g"), L("[[]")), "(g [[])"},
        {A(L("g"), L("[a]]")), "(g [a]])"},
        // Texts joined from parts.
        {A(L("g"), A(L("[q"), L("[x]"))), "(g [q[x])"},
        {A(L("g"), A(L("[]"), L("[x]"))), "(g [][x])"},
        {A(L("g"), A(L("["), L("[x]"))), "(g [[x])"},
        {A(A(L("["), L("x")), L("y")), "([x y)"},
        {A(L("g"), A(L("[]]"), L("["))), "(g []][)"},
        {A(L("g"), A(L("[a"), L("]"))), "(g ([a ()))"},  // a "]" leaf prints "()"
        {A(L("g"), A(L("[a]"), L("[b]"))), "(g [a][b])"},
    };
    for (Case& c : cases) EXPECT_EQ(print(std::move(c.term)), c.printed) << c.printed;
}

TEST(Printer, ArrayTexts) {
    NodeRef one = L("1");
    NodeRef two = L("2");
    NodeRef pair = cray_of({one.node, two.node});
    EXPECT_EQ(string_to_std(cray_to_text(pair)), "(/ (/ cray 1) 2)");
    EXPECT_EQ(string_to_std(cray_to_zits_text(pair)), "[[\"1][\"2]]");
    NodeRef empty = cray_of({});
    EXPECT_EQ(string_to_std(cray_to_text(empty)), "cray");
    EXPECT_EQ(string_to_std(cray_to_zits_text(empty)), "[]");
    NodeRef holder = cray_of({empty.node});
    EXPECT_EQ(string_to_std(cray_to_zits_text(holder)), "[[]]");
    EXPECT_EQ(string_to_std(cray_to_text(holder)), "(/ cray cray)");
    NodeRef gx = A(L("g"), L("x"));
    NodeRef mixed = cray_of({nullptr, pair.node, gx.node});
    EXPECT_EQ(string_to_std(cray_to_text(mixed)), "(/ (/ (/ cray Z) (/ (/ cray 1) 2)) (g x))");
    EXPECT_EQ(string_to_std(cray_to_zits_text(mixed)), "[[\"Z][[\"1][\"2]][\"(g x)]]");
    // An array applied to something: its text is parenthesised.
    EXPECT_EQ(print(A(pair, L("y"))), "(/ (/ cray 1) 2 y)");
    EXPECT_EQ(print(A(L("g"), empty)), "(g cray)");
    EXPECT_EQ(print(A(L("g"), pair)), "(g (/ (/ cray 1) 2))");
    const char* death = "ASSERTION FAILED:cray:[0-9]+\n";
    EXPECT_DEATH(cray_to_text(L("x")), death);
    EXPECT_DEATH(cray_to_zits_text(L("[]")), death);
}

// The rules read directly, recursively, with the square match done by a
// scan: the reference for the printer on small random terms.
int square_partner(const std::string& s) {
    int depth = 0;
    for (size_t i = 0; i < s.size(); ++i) {
        depth += s[i] == '[' ? 1 : (s[i] == ']' ? -1 : 0);
        if (depth == 0) return int(i);
    }
    return -1;
}

std::string reference_print(const Node* t) {
    if (node_is_leaf(t)) {
        const u8* text = leaf_bytes(t);
        if (text[0] == 0 || text[0] == ')' || text[0] == ']') return "()";
        if (text[0] == '\n') {
            std::string s = "cray";
            for (u64 i = 0; i < node_aux(t); ++i) {
                const Node* e = leaf_vector_slot(t, i);
                s = "(/ " + s + " " + (e ? reference_print(e) : "Z") + ")";
            }
            return s;
        }
        return string_to_std(leaf_node_text(t));  // no reals or byte strings here
    }
    std::string ls = reference_print(pair_left(t));
    std::string rs = reference_print(pair_right(t));
    if (ls[0] == '(' && (ls.size() < 2 || ls[1] != ')')) return ls.substr(0, ls.size() - 1) + " " + rs + ")";
    if (rs[0] == '[' && square_partner(rs) == int(rs.size()) - 1) return ls + rs;
    bool other = false;
    for (size_t i = 1; i < rs.size(); ++i) {
        CharClass c = print_char_class(u8(rs[i]));
        other = other || c != print_char_class(u8(rs[0])) || c == CHAR_CLASS_OTHER;
    }
    if (other) return "(" + ls + " " + rs + ")";
    CharClass last = print_char_class(u8(ls.back()));
    if (last == print_char_class(u8(rs[0])) && last != CHAR_CLASS_OTHER) return "(" + ls + " " + rs + ")";
    return ls + rs;
}

TEST(Printer, AgreesWithTheRulesOnRandomTerms) {
    const char* leaves[] = {"g",   "x",  "ab", "12", "a1", "+",   "K",   "S",  "[a]", "[a][b]", "[",
                            "]",   "[[", "]]", "[]", "[]]", "[[]", "[ab", "a[", "]a", "_",      "0",
                            "Z",   "",   ")x", "]q",  "x]",  "[x]]", "3a", "ab[c]", "[]x"};
    std::mt19937 random(12345);
    auto pick = [&](size_t n) { return size_t(random() % n); };
    std::function<NodeRef(int)> term = [&](int depth) -> NodeRef {
        size_t choice = pick(10);
        if (depth == 0 || choice < 3) return L(leaves[pick(std::size(leaves))]);
        if (choice == 3) {
            NodeRef a = term(depth - 1);
            NodeRef b = term(depth - 1);
            return cray_of({a.node, nullptr, b.node});
        }
        return A(term(depth - 1), term(depth - 1));
    };
    for (int i = 0; i < 20000; ++i) {
        NodeRef t = term(1 + int(pick(6)));
        ASSERT_EQ(print(t), reference_print(t.node)) << i;
    }
}

double seconds_since(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

TEST(Printer, LongLists) {
    // ((J x) ((J x) ... K)) prints as (Jx (Jx ... JxK)).
    NodeRef j = L("J");
    NodeRef x = L("x");
    NodeRef list = L("K");
    for (i64 i = 0; i < BIG; ++i) list = noderef_app2(j, x, list);
    auto start = std::chrono::steady_clock::now();
    RtString printed = term_to_text(list);
    RecordProperty("list_print_seconds", std::to_string(seconds_since(start)));
    ASSERT_EQ(string_length(printed), 5 * BIG - 2);
    std::string text = string_to_std(printed);
    EXPECT_EQ(text.substr(0, 10), "(Jx (Jx (J");
    EXPECT_EQ(text.find("JxK"), size_t(4 * BIG - 4));
    EXPECT_EQ(text.find_first_not_of(')', size_t(4 * BIG - 1)), std::string::npos);
}

TEST(Printer, LongCalls) {
    // (((g x) x) ... x) prints as (g x x ... x).
    const i64 n = BIG / 10;
    NodeRef x = L("x");
    NodeRef call = L("g");
    for (i64 i = 0; i < n; ++i) call = A(std::move(call), x);
    std::string expected = "(g";
    for (i64 i = 0; i < n; ++i) expected += " x";
    EXPECT_EQ(print(call), expected + ")");
    // (g (g (g ... x))) prints as (g (g ... (g x))).
    NodeRef nest = L("x");
    NodeRef g = L("g");
    for (i64 i = 0; i < n; ++i) nest = A(g, std::move(nest));
    expected.clear();
    for (i64 i = 1; i < n; ++i) expected += "(g ";
    expected += "(g x)";
    expected.append(size_t(n - 1), ')');
    EXPECT_EQ(print(nest), expected);
}

TEST(Printer, LongAndDeepArrays) {
    const i64 n = BIG / 10;
    NodeRef one = L("1");
    Node* wide = leaf_new_vector(u64(n));
    for (i64 i = 0; i < n; ++i) {
        node_retain(one.node);
        leaf_vector_set_slot(wide, u64(i), one.node);
    }
    NodeRef array = noderef_wrap(wide);
    std::string expected;
    for (i64 i = 0; i < n; ++i) expected += "(/ ";
    expected += "cray";
    for (i64 i = 0; i < n; ++i) expected += " 1)";
    EXPECT_EQ(string_to_std(cray_to_text(array)), expected);
    std::string zits = "[";
    for (i64 i = 0; i < n; ++i) zits += "[\"1]";
    EXPECT_EQ(string_to_std(cray_to_zits_text(array)), zits + "]");
    // Arrays nested n deep.
    NodeRef nested = cray_of({});
    for (i64 i = 0; i < n; ++i) nested = cray_of({nested.node});
    EXPECT_EQ(string_to_std(cray_to_zits_text(nested)), std::string(size_t(n + 1), '[') + std::string(size_t(n + 1), ']'));
    std::string deep;
    for (i64 i = 0; i < n; ++i) deep += "(/ cray ";
    deep += "cray";
    deep.append(size_t(n), ')');
    EXPECT_EQ(string_to_std(cray_to_text(nested)), deep);
}

}  // namespace
