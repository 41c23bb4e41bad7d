// Data heads applied to an argument.
#include "heads.h"

#include "bits.h"
#include "cray.h"
#include "integer.h"
#include "post.h"
#include "realtree.h"
#include "values.h"
#include "zits.h"

namespace {

NodeRef leaf(const char* text) {
    return noderef_from_cstr(text);
}

// ((V a) b) with a new leaf V.
NodeRef pair_v(NodeRef a, NodeRef b) {
    return node_app2(leaf("V"), std::move(a), std::move(b));
}

// ((g (X J)) t) with new leaves X and J.
NodeRef hand_over(NodeRef g, NodeRef t) {
    return node_app2(std::move(g), node_make_app(leaf("X"), leaf("J")), std::move(t));
}

// The count a new vector is asked for: a natural number below 2^26, written
// as a digit leaf, the leaf K or a well-formed non-negative list. Its size
// is bounded before it is converted, so no wrapped value passes for a small
// one. False for anything else.
bool vector_request_count(const NodeRef& a, u64* count) {
    if (!term_is_integer(a) || !integer_is_readable(a) || !term_is_natural(a)) return false;
    if (node_is_leaf(a.node)) {
        // A natural digit leaf of nine or more bytes is at least 10^8.
        if (node_first_byte(a) != 'K' && leaf_node_byte_length(a.node) > 8) return false;
    } else if (integer_bit_length(a) > 28) {  // 4m + 3 < 2^28 exactly when m < 2^26
        return false;
    }
    u64 value = 0;
    if (!integer_try_to_u64(a, &value) || value > CRAY_COUNT_MAX) return false;
    *count = value;
    return true;
}

}  // namespace

NodeRef head_vector_apply(NodeRef h, NodeRef a1) {
    u64 n = node_aux(h.node);
    if (node_is_leaf(a1.node) && node_first_byte(a1) == 'Z') return cray_to_cons_list(std::move(h));
    if (n >= 1) {
        i64 i = 0;
        if (!term_is_integer(a1) || !integer_try_to_i64(a1, &i)) return leaf("Z");
        if (i < 0) i += i64(n);
        if (i < 0 || u64(i) >= n) return leaf("Z");
        return leaf(leaf_vector_slot(h.node, u64(i)) != nullptr ? "K" : "H");
    }
    u64 count = 0;
    if (!vector_request_count(a1, &count)) return leaf("Z");
    return noderef_wrap(leaf_new_vector(count));
}

NodeRef head_number_apply(NodeRef h) {
    RtString text = node_text(h);
    NodeRef hd = number_leaf_head(string_copy(text));
    return pair_v(std::move(hd), number_leaf_tail(std::move(text)));
}

NodeRef head_zits_apply(NodeRef h, NodeRef g) {
    if (zits_is_empty(h)) return hand_over(std::move(g), leaf("K"));
    if (node_is_leaf(g.node) && node_first_byte(g) == 'G') return pair_v(zits_left(h), zits_right(h));
    return hand_over(std::move(g), zits_to_cons_list(std::move(h)));
}

NodeRef head_post_apply(NodeRef h) {
    i64 m = post_length(h);
    if (m == 0) return leaf("Z");
    if (m == 1) return post_byte_to_term(std::move(h));
    return pair_v(post_split_front(h), post_split_back(h));
}

NodeRef head_real_apply(NodeRef h, NodeRef g) {
    return node_make_app(real_to_bit_tree(std::move(h)), std::move(g));
}
