// Comparison builtins: each fixes the argument order and the form of the
// answer around a comparison service of the values layer.
#include "comparisons.h"

#include "arithmetic.h"
#include "compare.h"
#include "integer.h"
#include "order.h"

namespace {

// Applies a value comparison to the application's two arguments.
NodeRef compare_with(NodeRef app, NodeRef (*service)(NodeRef, NodeRef)) {
    NodeRef a = nullptr, b = nullptr;
    arith_arguments(app, &a, &b);
    noderef_release(app);
    return service(std::move(a), std::move(b));
}

// Two small integers compare by value, as value_less and value_gteq would
// compare them; -1 when either argument is something else.
int small_integers_less(const NodeRef& app) {
    i64 a = 0, b = 0;
    if (!arith_small_integer(pair_right(pair_left(app.node)), &a) || !arith_small_integer(pair_right(app.node), &b))
        return -1;
    return a < b ? 1 : 0;
}

}  // namespace

NodeRef builtin_less(NodeRef app) {
    int less = small_integers_less(app);
    if (less >= 0) return noderef_from_cstr(less ? "K" : "H");
    return compare_with(std::move(app), value_less);
}

NodeRef builtin_gteq(NodeRef app) {
    int less = small_integers_less(app);
    if (less >= 0) return noderef_from_cstr(less ? "H" : "K");
    return compare_with(std::move(app), value_gteq);
}

NodeRef builtin_same(NodeRef app) {
    return compare_with(std::move(app), value_same);
}

NodeRef builtin_diff(NodeRef app) {
    return compare_with(std::move(app), value_diff);
}

NodeRef builtin_cmpr(NodeRef app) {
    NodeRef a = nullptr, b = nullptr;
    arith_arguments(app, &a, &b);
    noderef_release(app);
    return integer_make_leaf(term_compare(std::move(a), std::move(b)));
}

NodeRef builtin_raws(NodeRef app) {
    NodeRef a = nullptr, b = nullptr;
    arith_arguments(app, &a, &b);
    noderef_release(app);
    return noderef_from_cstr(a.node == b.node ? "K" : "H");
}
