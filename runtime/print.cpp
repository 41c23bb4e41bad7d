// Value printer.
//
// A pair's form depends on a few facts of its children's texts: their first
// two bytes, last byte, length, whether all bytes are name or digit bytes, and
// for texts that start with "[" how their square brackets nest. The printer
// therefore works in two passes over the term, both with explicit work lists:
// the first computes those facts bottom-up and records the rule chosen for
// every pair (in visiting order), the second writes the text once.
#include "print.h"

#include <cstring>
#include <vector>

#include "cray.h"
#include "post.h"
#include "real.h"

CharClass print_char_class(u8 c) {
    if (c == '_' || (c >= 'a' && c <= 'z')) return CHAR_CLASS_NAME;
    if (c >= '0' && c <= '9') return CHAR_CLASS_DIGIT;
    return CHAR_CLASS_OTHER;
}

namespace {

// How a leaf prints, by its first byte.
enum LeafForm { FORM_PARENS, FORM_CRAY, FORM_REAL, FORM_CAPE, FORM_TEXT };

LeafForm leaf_form(const Node* leaf) {
    switch (leaf_bytes(leaf)[0]) {
        case 0:
        case ')':
        case ']': return FORM_PARENS;
        case 0x0A: return FORM_CRAY;
        case ' ': return FORM_REAL;
        case '(': return FORM_CAPE;
        default: return FORM_TEXT;
    }
}

// The text of a leaf that prints as itself, in place.
struct TextView {
    const u8* bytes;
    i64 length;
};

TextView leaf_plain_text(const Node* leaf) {
    const u8* text = leaf_bytes(leaf);
    bool counted = (text[0] >= '0' && text[0] <= '9') || text[0] == '[';
    if (counted) return TextView{text, leaf_counted_length(leaf)};
    return TextView{text, i64(std::strlen(reinterpret_cast<const char*>(text)))};
}

// The juxtaposition rules of a pair, by number.
enum PairRule : u8 { RULE_EXTEND = 1, RULE_DATA = 2, RULE_GROUP = 3, RULE_SEPARATE = 4, RULE_JOIN = 5 };

// Facts of a printed text.
enum : u8 { FACT_LONG = 1, FACT_ALL_NAME = 2, FACT_ALL_DIGIT = 4 };
struct TextFacts {
    u8 first;   // 0 when absent
    u8 second;
    u8 last;
    u8 flags;
};

// How the square brackets of a text that starts with "[" nest: depth is
// the count of "[" minus "]"; low1 and low2 are the least depth after a
// prefix of 1 .. length - 1 and of 1 .. length - 2 bytes (NO_PREFIX when
// there is none). The first "[" is closed by the last byte exactly when
// depth is 0 and low1 is at least 1.
constexpr i64 NO_PREFIX = INT64_MAX / 4;
struct SquareFacts {
    i64 depth;
    i64 low1;
    i64 low2;
};

i64 square_step(u8 c) { return c == '[' ? 1 : (c == ']' ? -1 : 0); }

// The facts of u followed by v (both non-empty); v_long: v has 2+ bytes.
SquareFacts square_join(const SquareFacts& u, const SquareFacts& v, bool v_long) {
    SquareFacts r;
    r.depth = u.depth + v.depth;
    r.low1 = std::min({u.low1, u.depth, u.depth + v.low1});
    r.low2 = v_long ? std::min({u.low1, u.depth, u.depth + v.low2}) : u.low1;
    return r;
}

TextFacts text_facts(const u8* p, i64 n, SquareFacts* square) {
    TextFacts f{n > 0 ? p[0] : u8(0), n > 1 ? p[1] : u8(0), n > 0 ? p[n - 1] : u8(0), 0};
    bool all_name = n > 0;
    bool all_digit = n > 0;
    SquareFacts s{0, NO_PREFIX, NO_PREFIX};
    for (i64 i = 0; i < n; ++i) {
        CharClass c = print_char_class(p[i]);
        all_name = all_name && c == CHAR_CLASS_NAME;
        all_digit = all_digit && c == CHAR_CLASS_DIGIT;
        s.depth += square_step(p[i]);
        if (i + 1 <= n - 1) s.low1 = std::min(s.low1, s.depth);
        if (i + 1 <= n - 2) s.low2 = std::min(s.low2, s.depth);
    }
    f.flags = u8((n >= 2 ? FACT_LONG : 0) | (all_name ? FACT_ALL_NAME : 0) | (all_digit ? FACT_ALL_DIGIT : 0));
    *square = s;
    return f;
}

TextFacts literal_facts(const char* text) {
    SquareFacts unused;
    return text_facts(reinterpret_cast<const u8*>(text), i64(std::strlen(text)), &unused);
}

// Results of finished texts; square facts only for texts starting "[".
struct FactStack {
    WorkStack<TextFacts> facts;
    WorkStack<SquareFacts> squares;

    void push(TextFacts f, const SquareFacts& s) {
        facts.push(f);
        if (f.first == '[') squares.push(s);
    }
    TextFacts pop(SquareFacts* s) {
        TextFacts f = facts.pop();
        if (f.first == '[') *s = squares.pop();
        return f;
    }
};

// The square facts of a right text that joins without parentheses and does
// not start with "[": one byte, or a run of name or digit bytes.
SquareFacts square_of_plain_right(TextFacts f) {
    if (!(f.flags & FACT_LONG)) return SquareFacts{square_step(f.first), NO_PREFIX, NO_PREFIX};
    return SquareFacts{0, 0, 0};
}

// Picks the rule for Ls Rs and gives the facts of the result.
PairRule pair_rule(TextFacts l, const SquareFacts& ls, TextFacts r, const SquareFacts& rs,
                   TextFacts* out, SquareFacts* out_square) {
    CharClass l_last = print_char_class(l.last);
    CharClass r_first = print_char_class(r.first);
    PairRule rule;
    if (l.first == '(' && l.second != ')') {
        rule = RULE_EXTEND;
    } else if (r.first == '[' && rs.depth == 0 && rs.low1 >= 1) {
        rule = RULE_DATA;
    } else if ((r.flags & FACT_LONG) && !(r.flags & (FACT_ALL_NAME | FACT_ALL_DIGIT))) {
        rule = RULE_GROUP;
    } else if (l_last == r_first && l_last != CHAR_CLASS_OTHER) {
        rule = RULE_SEPARATE;
    } else {
        rule = RULE_JOIN;
    }
    if (rule == RULE_EXTEND) {
        // Ls without its ")" + " " + Rs + ")": the second byte stays other than ")".
        *out = TextFacts{'(', l.second, ')', FACT_LONG};
    } else if (rule == RULE_GROUP || rule == RULE_SEPARATE) {
        *out = TextFacts{'(', l.first, ')', FACT_LONG};
    } else {
        u8 second = (l.flags & FACT_LONG) ? l.second : r.first;
        u8 kinds = l.flags & r.flags & (FACT_ALL_NAME | FACT_ALL_DIGIT);
        *out = TextFacts{l.first, second, r.last, u8(FACT_LONG | kinds)};
        if (l.first == '[') {
            SquareFacts right = r.first == '[' ? rs : square_of_plain_right(r);
            *out_square = square_join(ls, right, (r.flags & FACT_LONG) != 0);
        }
    }
    return rule;
}

// A walk frame: the node, how far it is, and for a pair its visiting number
// (pass 1) or its rule (pass 2).
struct Frame {
    const Node* node;
    uint32_t stage;
    uint32_t index;
};

// What pass 1 finds: the rule of every pair, in the order pairs are first
// visited, and the length of the whole text.
struct PrintPlan {
    std::vector<u8> rules;
    i64 length = 0;
};

// The bytes that a pair's rule adds to its children's texts.
i64 rule_extra_length(u8 rule) {
    if (rule == RULE_EXTEND) return 1;  // drops ")", adds " " and ")"
    if (rule == RULE_GROUP || rule == RULE_SEPARATE) return 3;
    return 0;
}

i64 cape_length(const Node* leaf) {
    i64 n;
    const u8* payload = post_node_payload(leaf, &n);
    i64 length = n + 6;  // "cape[" and "]"
    for (i64 i = 0; i < n; ++i)
        if (payload[i] == 0x0A || payload[i] == '[' || payload[i] == ']') length += 2;
    return length;
}

RtString real_text(const Node* leaf) {
    double d;
    std::memcpy(&d, leaf_bytes(leaf) + 1, sizeof d);
    return real_format(d);
}

// Pass 1. work is empty on entry and on return (its storage is kept for
// pass 2).
PrintPlan print_plan(const Node* root, WorkStack<Frame>& work) {
    PrintPlan plan;
    FactStack results;
    work.push(Frame{root, 0, 0});
    while (!work.empty()) {
        Frame& f = work.top();
        const Node* n = f.node;
        if (node_is_leaf(n)) {
            LeafForm form = leaf_form(n);
            SquareFacts square{0, NO_PREFIX, NO_PREFIX};
            if (form == FORM_CRAY) {
                u64 count = node_aux(n);
                u64 k = f.stage / 2;
                if (f.stage % 2 == 1) {  // element k is done; its facts are not needed
                    if (leaf_vector_slot(n, k)) {
                        SquareFacts unused;
                        results.pop(&unused);
                    }
                    ++f.stage;
                    continue;
                }
                if (k < count) {
                    ++f.stage;
                    if (const Node* e = leaf_vector_slot(n, k)) {
                        work.push(Frame{e, 0, 0});
                    } else {
                        plan.length += 1;  // "Z"
                    }
                    continue;
                }
                plan.length += 4 + 5 * i64(count);  // "cray", and "(/ ", " ", ")" per slot
                results.push(literal_facts(count == 0 ? "cray" : "(/ )"), square);
            } else if (form == FORM_PARENS) {
                plan.length += 2;
                results.push(literal_facts("()"), square);
            } else if (form == FORM_REAL) {
                plan.length += 6 + string_length(real_text(n));
                results.push(literal_facts("real[]"), square);
            } else if (form == FORM_CAPE) {
                plan.length += cape_length(n);
                results.push(literal_facts("cape[]"), square);
            } else {
                TextView v = leaf_plain_text(n);
                plan.length += v.length;
                results.push(text_facts(v.bytes, v.length, &square), square);
            }
            work.pop();
        } else if (f.stage == 0) {
            VORN_ASSERT(plan.rules.size() < UINT32_MAX);
            f.index = uint32_t(plan.rules.size());
            plan.rules.push_back(0);
            f.stage = 1;
            work.push(Frame{pair_left(n), 0, 0});
        } else if (f.stage == 1) {
            f.stage = 2;
            work.push(Frame{pair_right(n), 0, 0});
        } else {
            SquareFacts ls{0, NO_PREFIX, NO_PREFIX}, rs{0, NO_PREFIX, NO_PREFIX}, square{0, NO_PREFIX, NO_PREFIX};
            TextFacts r = results.pop(&rs);
            TextFacts l = results.pop(&ls);
            TextFacts facts;
            u8 rule = pair_rule(l, ls, r, rs, &facts, &square);
            plan.rules[f.index] = rule;
            plan.length += rule_extra_length(rule);
            results.push(facts, square);
            work.pop();
        }
    }
    return plan;
}

// Writes into a buffer of the planned length.
struct TextWriter {
    u8* at;

    void put(const void* bytes, i64 n) {
        std::memcpy(at, bytes, size_t(n));
        at += n;
    }
    void put(const char* text) { put(text, i64(std::strlen(text))); }
    void put(u8 c) { *at++ = c; }
};

void print_cape(const Node* leaf, TextWriter& out) {
    i64 n;
    const u8* payload = post_node_payload(leaf, &n);
    out.put("cape[");
    for (i64 i = 0; i < n; ++i) {
        switch (payload[i]) {
            case 0x0A: out.put("[p]"); break;
            case '[': out.put("[q]"); break;
            case ']': out.put("[r]"); break;
            default: out.put(payload[i]);
        }
    }
    out.put(u8(']'));
}

void print_real(const Node* leaf, TextWriter& out) {
    RtString text = real_text(leaf);
    out.put("real[");
    out.put(string_bytes(text), string_length(text));
    out.put(u8(']'));
}

// Pass 2: writes the text that plan describes.
void print_write(const Node* root, const PrintPlan& plan, WorkStack<Frame>& work, TextWriter& out) {
    size_t next_rule = 0;
    work.push(Frame{root, 0, 0});
    while (!work.empty()) {
        Frame& f = work.top();
        const Node* n = f.node;
        if (node_is_leaf(n)) {
            LeafForm form = leaf_form(n);
            if (form == FORM_CRAY) {
                u64 count = node_aux(n);
                if (f.stage == 0) {
                    for (u64 k = 0; k < count; ++k) out.put("(/ ");
                    out.put("cray");
                    f.stage = 1;
                    continue;
                }
                u64 k = (f.stage - 1) / 2;
                if (f.stage % 2 == 0) {  // element k is written
                    out.put(u8(')'));
                    ++f.stage;
                    continue;
                }
                if (k < count) {
                    out.put(u8(' '));
                    ++f.stage;
                    if (const Node* e = leaf_vector_slot(n, k)) {
                        work.push(Frame{e, 0, 0});
                    } else {
                        out.put(u8('Z'));
                    }
                    continue;
                }
            } else if (form == FORM_PARENS) {
                out.put("()");
            } else if (form == FORM_REAL) {
                print_real(n, out);
            } else if (form == FORM_CAPE) {
                print_cape(n, out);
            } else {
                TextView v = leaf_plain_text(n);
                out.put(v.bytes, v.length);
            }
            work.pop();
            continue;
        }
        if (f.stage == 0) {
            f.index = plan.rules[next_rule++];
            if (f.index == RULE_GROUP || f.index == RULE_SEPARATE) out.put(u8('('));
            f.stage = 1;
            work.push(Frame{pair_left(n), 0, 0});
        } else if (f.stage == 1) {
            if (f.index == RULE_EXTEND) --out.at;  // the ")" of the parenthesised left text
            if (f.index != RULE_DATA && f.index != RULE_JOIN) out.put(u8(' '));
            f.stage = 2;
            work.push(Frame{pair_right(n), 0, 0});
        } else {
            if (f.index != RULE_DATA && f.index != RULE_JOIN) out.put(u8(')'));
            work.pop();
        }
    }
}

}  // namespace

void term_print_append(const Node* root, std::string& out) {
    WorkStack<Frame> work;
    PrintPlan plan = print_plan(root, work);
    size_t start = out.size();
    out.resize(start + size_t(plan.length));
    TextWriter writer{reinterpret_cast<u8*>(out.data()) + start};
    print_write(root, plan, work, writer);
    VORN_ASSERT(writer.at == reinterpret_cast<u8*>(out.data()) + out.size());
}

RtString term_to_text_after(const char* prefix, const Node* t) {
    WorkStack<Frame> work;
    PrintPlan plan = print_plan(t, work);
    i64 prefix_length = i64(std::strlen(prefix));
    RtString text = string_with_length(prefix_length + plan.length);
    u8* bytes = string_writable_bytes(text);
    TextWriter writer{bytes};
    writer.put(prefix, prefix_length);
    print_write(t, plan, work, writer);
    VORN_ASSERT(writer.at == bytes + prefix_length + plan.length);
    return text;
}

RtString term_to_text(NodeRef t) { return term_to_text_after("", t.node); }

RtString cray_to_text(NodeRef c) {
    cray_require(noderef_copy(c));
    return term_to_text(std::move(c));
}

RtString cray_to_zits_text(NodeRef c) {
    cray_require(noderef_copy(c));
    struct Level {
        const Node* array;
        u64 next;
    };
    std::string out = "[";
    std::vector<Level> levels{Level{c.node, 0}};
    while (!levels.empty()) {
        Level& level = levels.back();
        if (level.next == node_aux(level.array)) {
            out.push_back(']');
            levels.pop_back();
            continue;
        }
        const Node* e = leaf_vector_slot(level.array, level.next++);
        if (e && node_is_leaf(e) && leaf_bytes(e)[0] == 0x0A) {
            out.push_back('[');
            levels.push_back(Level{e, 0});  // level is not used after this
            continue;
        }
        out += "[\"";
        if (e) {
            term_print_append(e, out);
        } else {
            out.push_back('Z');
        }
        out.push_back(']');
    }
    return string_from_bytes(out.data(), i64(out.size()));
}
