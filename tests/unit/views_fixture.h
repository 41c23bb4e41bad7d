// Test helpers for the views, ends, identity and accessor builtins: arrays
// of given elements, calls that hold the application and its arguments the
// way the reduction machine does, and readable texts of results.
#pragma once

#include <cstring>
#include <string>
#include <vector>

#include "host_fixture.h"
#include "node.h"
#include "post.h"

namespace view_test {

using namespace host_test;

// A cray whose slots hold the given elements; a null handle leaves its slot
// empty.
inline NodeRef cray_of(const std::vector<NodeRef>& elements) {
    Node* c = leaf_new_vector(elements.size());
    for (size_t k = 0; k < elements.size(); ++k) {
        Node* e = elements[k].node;
        if (e) node_retain(e);
        leaf_vector_set_slot(c, k, e);
    }
    return noderef_wrap(c);
}

// The whole leaf text of the byte string holding bytes, as text() shows it.
inline std::string post_text(const std::string& bytes) { return text(post(bytes)); }

// The payload of a byte-string result.
inline std::string payload_of(const NodeRef& p) { return string_to_std(post_payload(p)); }

// Calls fn as the reduction machine does: the application is held by the
// machine's focus and by the call, each argument by its pair and by the
// machine's argument list, so a first argument that the caller hands over
// is held three times once the builtin takes its own handle. When focus_out
// is given it receives the application, through which the arguments stay
// reachable after the call.
inline NodeRef call_held(BuiltinFn fn, NodeRef first, const std::vector<NodeRef>& rest,
                         NodeRef* focus_out = nullptr) {
    std::vector<NodeRef> listed;
    listed.push_back(std::move(first));
    for (const NodeRef& a : rest) listed.push_back(a);
    NodeRef focus = host_test::apply("f", listed);
    NodeRef result = fn(noderef_copy(focus));
    if (focus_out) *focus_out = std::move(focus);
    return result;
}

// Argument k (0 for the first) of an application of n arguments.
inline NodeRef argument_of(const NodeRef& app, int n, int k) {
    NodeRef spine = noderef_copy(app);
    for (int j = n - 1; j > k; --j) spine = node_left(spine);
    return node_right(spine);
}

// The 64-bit pattern of a real leaf, and the real leaf of a pattern.
inline u64 real_pattern(const NodeRef& r) {
    u64 bits;
    std::memcpy(&bits, leaf_bytes(r.node) + 1, 8);
    return bits;
}
inline NodeRef real_of_pattern(u64 bits) {
    double d;
    std::memcpy(&d, &bits, 8);
    return real(d);
}

}  // namespace view_test
