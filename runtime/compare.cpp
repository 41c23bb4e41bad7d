// Value comparison.
//
// The array comparisons are defined by calls back into the element
// comparisons: at each index the order asks value_less and then value_same,
// greater-or-equal asks value_same and then value_gteq. Asked one after the
// other on nested arrays those calls walk the same elements again at every
// level. Here the questions about one pair of values are answered together,
// in one walk with an explicit stack of array levels; every answer, and the
// set of elements looked at, is the one that call order gives.
#include "compare.h"

#include <cstring>
#include <string>
#include <vector>

#include "cray.h"
#include "integer.h"
#include "numb.h"
#include "post.h"
#include "real.h"
#include "values.h"
#include "zits.h"

namespace {

enum Answer : u8 { ANSWER_H, ANSWER_K, ANSWER_Z };

Answer answer_of(bool truth) { return truth ? ANSWER_K : ANSWER_H; }

NodeRef answer_leaf(Answer a) { return noderef_from_cstr(a == ANSWER_K ? "K" : (a == ANSWER_H ? "H" : "Z")); }

// The questions about one pair of values, and their answers.
enum : u8 { ASK_SAME = 1, ASK_LESS = 2, ASK_GTEQ = 4 };
struct Answers {
    Answer same = ANSWER_Z;
    Answer less = ANSWER_Z;
    Answer gteq = ANSWER_Z;
};

Answers answers_all(Answer a) { return Answers{a, a, a}; }

// <0, 0, >0: the byte order of two texts, a proper prefix first.
int bytes_order(const u8* a, i64 na, const u8* b, i64 nb) {
    int c = std::memcmp(a, b, size_t(std::min(na, nb)));
    if (c != 0) return c;
    return na < nb ? -1 : (na > nb ? 1 : 0);
}

Answers answers_of_order(int order, u8 ask) {
    Answers r;
    if (ask & ASK_SAME) r.same = answer_of(order == 0);
    if (ask & ASK_LESS) r.less = answer_of(order < 0);
    if (ask & ASK_GTEQ) r.gteq = answer_of(order >= 0);
    return r;
}

NodeRef borrow(const Node* n) { return noderef_wrap(const_cast<Node*>(n)); }

Answers compare_posts(const Node* a, const Node* b, u8 ask) {
    i64 na, nb;
    const u8* pa = post_node_payload(a, &na);
    const u8* pb = post_node_payload(b, &nb);
    return answers_of_order(bytes_order(pa, na, pb, nb), ask);
}

Answers compare_reals(const Node* a, const Node* b) {
    double x = real_leaf_value(borrow(a));
    double y = real_leaf_value(borrow(b));
    return Answers{answer_of(x == y), answer_of(x < y), answer_of(x >= y)};  // IEEE: NaN is never equal
}

// Integers are equal by their digit texts and ordered by value. A list form
// whose value cannot be read answers Z.
Answers compare_integers(const Node* a, const Node* b, u8 ask) {
    Answers r;
    NodeRef x = borrow(a);
    NodeRef y = borrow(b);
    if (ask & ASK_SAME) {
        RtString tx, ty;
        bool readable = integer_try_text(x, &tx) && integer_try_text(y, &ty);
        r.same = readable ? answer_of(string_equal(tx, ty)) : ANSWER_Z;
    }
    if (ask & (ASK_LESS | ASK_GTEQ)) {
        if (!integer_is_readable(x) || !integer_is_readable(y)) {
            r.less = r.gteq = ANSWER_Z;
        } else if (ask & ASK_LESS) {
            r.less = answer_of(integer_less(noderef_copy(x), noderef_copy(y)));
            r.gteq = r.less == ANSWER_K ? ANSWER_H : ANSWER_K;
        } else {
            r.gteq = answer_of(integer_greater_equal(noderef_copy(x), noderef_copy(y)));
        }
    }
    return r;
}

// Numbs are equal by their digit texts; greater or equal is "not less".
Answers compare_numbs(const Node* a, const Node* b, u8 ask) {
    Answers r;
    NodeRef x = borrow(a);
    NodeRef y = borrow(b);
    if (ask & ASK_SAME) {
        RtString tx, ty;
        bool readable = number_try_to_text(x, &tx) && number_try_to_text(y, &ty);
        r.same = readable ? answer_of(string_equal(tx, ty)) : ANSWER_Z;
    }
    if (ask & (ASK_LESS | ASK_GTEQ)) {
        NumbBits bx, by;
        if (!numb_try_to_bits(x, &bx) || !numb_try_to_bits(y, &by)) {
            r.less = r.gteq = ANSWER_Z;
        } else {
            bool less = numb_less(noderef_copy(x), noderef_copy(y));
            r.less = answer_of(less);
            r.gteq = answer_of(!less);
        }
    }
    return r;
}

// Data texts compare by their flattened contents.
Answers compare_zits(const Node* a, const Node* b, u8 ask) {
    std::string ta, tb;
    zits_flatten_append(a, ta);
    zits_flatten_append(b, tb);
    auto inner = [](const std::string& t) { return t.size() >= 2 ? i64(t.size()) - 2 : 0; };
    const u8* pa = reinterpret_cast<const u8*>(ta.data()) + (ta.empty() ? 0 : 1);
    const u8* pb = reinterpret_cast<const u8*>(tb.data()) + (tb.empty() ? 0 : 1);
    return answers_of_order(bytes_order(pa, inner(ta), pb, inner(tb)), ask);
}

// One array level of a comparison: the questions still open, the answers
// decided, and the next index.
struct ArrayLevel {
    const Node* a;
    const Node* b;
    u8 ask;
    Answers got;
    u64 next;
};

ArrayLevel array_level_start(const Node* a, const Node* b, u8 ask) {
    ArrayLevel level{a, b, ask, Answers{}, 0};
    if ((ask & ASK_SAME) && node_aux(a) != node_aux(b)) {
        level.got.same = ANSWER_H;
        level.ask &= u8(~ASK_SAME);
    }
    return level;
}

// The answers of a level whose open questions survived the common part.
Answers array_level_finish(ArrayLevel& level) {
    u64 na = node_aux(level.a);
    u64 nb = node_aux(level.b);
    if (level.ask & ASK_SAME) level.got.same = ANSWER_K;
    if (level.ask & ASK_LESS) level.got.less = answer_of(na < nb);
    if (level.ask & ASK_GTEQ) level.got.gteq = answer_of(na >= nb);
    return level.got;
}

// Takes the answers r about the elements at the level's current index.
void array_level_take(ArrayLevel& level, const Answers& r) {
    if (level.ask & ASK_SAME) {
        if (r.same != ANSWER_K) {
            level.got.same = r.same;
            level.ask &= u8(~ASK_SAME);
        }
    }
    if (level.ask & ASK_LESS) {
        if (r.less != ANSWER_H) {
            level.got.less = r.less;
            level.ask &= u8(~ASK_LESS);
        } else if (r.same == ANSWER_H) {
            level.got.less = ANSWER_H;
            level.ask &= u8(~ASK_LESS);
        }
    }
    if (level.ask & ASK_GTEQ) {
        if (r.same == ANSWER_Z) {
            level.got.gteq = ANSWER_Z;
            level.ask &= u8(~ASK_GTEQ);
        } else if (r.same == ANSWER_H) {
            level.got.gteq = r.gteq;
            level.ask &= u8(~ASK_GTEQ);
        }
    }
    ++level.next;
}

// The element questions that a level's open questions need.
u8 array_level_element_ask(const ArrayLevel& level) {
    return u8(ASK_SAME | (level.ask & (ASK_LESS | ASK_GTEQ)));
}

// Answers the questions about two values that are not both arrays; false
// when they are, leaving them to an array level. A null node is an empty
// slot (a void value).
bool compare_flat(const Node* a, const Node* b, u8 ask, Answers* out) {
    if (!a || !b) {
        *out = answers_all(ANSWER_Z);
        return true;
    }
    ValueKind ka = value_kind(borrow(a));
    ValueKind kb = value_kind(borrow(b));
    if (ka == VALUE_KIND_VOID || kb == VALUE_KIND_VOID) {
        *out = answers_all(ANSWER_Z);
        return true;
    }
    if (ka != kb) {
        *out = Answers{ANSWER_H, answer_of(ka < kb), answer_of(ka > kb)};
        return true;
    }
    switch (ka) {
        case VALUE_KIND_POST: *out = compare_posts(a, b, ask); return true;
        case VALUE_KIND_REAL: *out = compare_reals(a, b); return true;
        case VALUE_KIND_HINT: *out = compare_integers(a, b, ask); return true;
        case VALUE_KIND_NUMB: *out = compare_numbs(a, b, ask); return true;
        case VALUE_KIND_ZITS: *out = compare_zits(a, b, ask); return true;
        default: return false;  // two arrays
    }
}

// The answers about two arrays, nested arrays included, without recursion.
Answers compare_arrays(const Node* a, const Node* b, u8 ask) {
    std::vector<ArrayLevel> levels{array_level_start(a, b, ask)};
    for (;;) {
        ArrayLevel& level = levels.back();
        u64 common = std::min(node_aux(level.a), node_aux(level.b));
        if (level.ask == 0 || level.next == common) {
            Answers done = array_level_finish(level);
            levels.pop_back();
            if (levels.empty()) return done;
            array_level_take(levels.back(), done);
            continue;
        }
        const Node* ea = leaf_vector_slot(level.a, level.next);
        const Node* eb = leaf_vector_slot(level.b, level.next);
        if (ea && ea == eb) {
            ++level.next;  // the same node at this index: equal, go on
            continue;
        }
        u8 element_ask = array_level_element_ask(level);
        Answers r;
        if (compare_flat(ea, eb, element_ask, &r)) {
            array_level_take(level, r);
        } else {
            levels.push_back(array_level_start(ea, eb, element_ask));  // level is not used after this
        }
    }
}

Answers compare_values(const Node* a, const Node* b, u8 ask) {
    Answers r;
    if (compare_flat(a, b, ask, &r)) return r;
    return compare_arrays(a, b, ask);
}

Answer answer_negate(Answer a) { return a == ANSWER_Z ? ANSWER_Z : (a == ANSWER_K ? ANSWER_H : ANSWER_K); }

Answers compare_crays(const NodeRef& a, const NodeRef& b, u8 ask) {
    cray_require(noderef_copy(a));
    cray_require(noderef_copy(b));
    return compare_arrays(a.node, b.node, ask);
}

}  // namespace

NodeRef value_diff(NodeRef a, NodeRef b) {
    if (a.node == b.node) return answer_leaf(ANSWER_H);
    return answer_leaf(answer_negate(compare_values(a.node, b.node, ASK_SAME).same));
}

NodeRef value_same(NodeRef a, NodeRef b) {
    if (a.node == b.node) return answer_leaf(ANSWER_K);
    return answer_leaf(compare_values(a.node, b.node, ASK_SAME).same);
}

NodeRef value_less(NodeRef a, NodeRef b) { return answer_leaf(compare_values(a.node, b.node, ASK_LESS).less); }

NodeRef value_gteq(NodeRef a, NodeRef b) { return answer_leaf(compare_values(a.node, b.node, ASK_GTEQ).gteq); }

NodeRef cray_diff(NodeRef a, NodeRef b) { return answer_leaf(answer_negate(compare_crays(a, b, ASK_SAME).same)); }

NodeRef cray_same(NodeRef a, NodeRef b) { return answer_leaf(compare_crays(a, b, ASK_SAME).same); }

NodeRef cray_less(NodeRef a, NodeRef b) { return answer_leaf(compare_crays(a, b, ASK_LESS).less); }

NodeRef cray_gteq(NodeRef a, NodeRef b) { return answer_leaf(compare_crays(a, b, ASK_GTEQ).gteq); }
