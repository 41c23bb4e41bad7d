// Test helpers for the host builtins: hand-built saturated applications,
// argument values of every kind, and reading results back.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "integer.h"
#include "node.h"
#include "post.h"
#include "real.h"
#include "source.h"
#include "tables.h"

namespace host_test {

// 2^32, added to an integer argument to show which builtins read only its
// low 32 bits and which the whole 64.
inline constexpr i64 TWO_32 = i64(1) << 32;

// Loads the prelude first: the tags of the fixed leaves (K, H, Z, J ...)
// that the kind tests compute come from its definitions. Flushes the host
// streams, so that a forked child starts with empty buffers.
class HostTest : public ::testing::Test {
protected:
    void SetUp() override {
        prelude_load();
        std::fflush(nullptr);
    }
};

// (((name a1) a2) ...) with a new name leaf; the arguments are shared.
inline NodeRef apply(const char* name, const std::vector<NodeRef>& args) {
    NodeRef app = noderef_from_cstr(name);
    for (const NodeRef& a : args) app = node_make_app(std::move(app), noderef_copy(a));
    return app;
}

// Calls fn on the application of a throwaway name to the arguments.
inline NodeRef call(BuiltinFn fn, const std::vector<NodeRef>& args = {}) {
    return fn(apply("f", args));
}

// The text of a leaf result.
inline std::string text(const NodeRef& t) { return string_to_std(node_text(t)); }

// The text of what fn answers for the arguments.
inline std::string answer(BuiltinFn fn, const std::vector<NodeRef>& args = {}) {
    return text(call(fn, args));
}

inline NodeRef leaf(const char* s) { return noderef_from_cstr(s); }
inline NodeRef num(i64 v) { return integer_make_leaf(v); }
inline NodeRef unum(u64 v) { return integer_make_leaf_u64(v); }
inline NodeRef real(double d) { return real_make_leaf(d); }
// A byte string of the bytes (NUL bytes included).
inline NodeRef post(const std::string& bytes) { return post_make(string_from_std(bytes)); }
// The integer leaf of an address.
inline NodeRef addr(const void* p) { return integer_make_leaf(i64(reinterpret_cast<uintptr_t>(p))); }
// The integer leaf "base + k" of an address plus an offset, as the leaf text.
inline std::string addr_text(const void* p, i64 k = 0) {
    return text(integer_make_leaf(i64(reinterpret_cast<uintptr_t>(p)) + k));
}
// The data pair ([left] [right]), flattening to "[left[right]]".
inline NodeRef zits_pair(const char* left, const char* right) {
    return node_make_app(noderef_from_cstr(left), noderef_from_cstr(right));
}
// The list form ((J K) x) of an integer.
inline NodeRef list_int(NodeRef x) { return node_app2(leaf("J"), leaf("K"), std::move(x)); }
// An empty cray leaf (the byte newline).
inline NodeRef cray() { return noderef_wrap(leaf_new_vector(0)); }
// The address held by an integer result.
inline const char* as_pointer(const NodeRef& t) {
    return reinterpret_cast<const char*>(uintptr_t(integer_to_i64(noderef_copy(t))));
}
// The first payload byte of a byte string, where the bridge points.
inline const char* payload(const NodeRef& p) {
    i64 n;
    return reinterpret_cast<const char*>(post_node_payload(p.node, &n));
}

}  // namespace host_test
