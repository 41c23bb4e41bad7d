// C arguments.
#include "cargs.h"

#include "integer.h"
#include "post.h"
#include "values.h"
#include "zits.h"

u64 value_to_c_argument(NodeRef v, NodeRef& flat_hold) {
    switch (value_kind(noderef_copy(v))) {
        case VALUE_KIND_HINT:
            return u64(integer_to_i64(std::move(v)));
        case VALUE_KIND_ZITS:
            if (node_is_leaf(v.node)) return u64(reinterpret_cast<uintptr_t>(leaf_bytes(v.node)));
            flat_hold = zits_flatten(std::move(v));
            return u64(reinterpret_cast<uintptr_t>(leaf_bytes(flat_hold.node)));
        case VALUE_KIND_POST: {
            i64 length;
            return u64(reinterpret_cast<uintptr_t>(post_node_payload(v.node, &length)));
        }
        default:
            VORN_ASSERT(false);
            return 0;
    }
}
