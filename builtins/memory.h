// Memory accessors: the rules that the forty rec/red/ref/rel/rem builtins
// share (little-endian loads and stores of 1, 2, 4 or 8 bytes at any
// alignment, the range rule of the checked families, the unshared-container
// test for in-place writes) and the raw-memory family refh ... refo.
#pragma once

#include <cstring>

#include "node.h"

// The w bytes at `at`, little-endian, zero-extended. Any alignment.
template <int W>
u64 memory_load(const void* at) {
    static_assert(W == 1 || W == 2 || W == 4 || W == 8);
    u64 value = 0;
    std::memcpy(&value, at, W);  // the host is little-endian
    return value;
}

// Stores the low w bytes of value at `at`, little-endian. Any alignment.
template <int W>
void memory_store(void* at, u64 value) {
    static_assert(W == 1 || W == 2 || W == 4 || W == 8);
    std::memcpy(at, &value, W);
}

// The range rule of the checked families for an area of n bytes and a
// value of w bytes: a negative *offset first has n added once; true when the
// value then lies inside the area, with *offset updated. Never forms
// offset + w, so offsets near 2^63 cannot overflow.
bool memory_offset_in_range(i64 n, int w, i64* offset);

// True when the container of a checked write may change in place: a leaf
// held exactly three times (the applying pair, the machine's argument list
// and the accessor's own handle).
bool memory_container_unshared(const NodeRef& container);

// The raw-memory family. refh/refi/refj/refk a: the 1, 2, 4 or 8 bytes at
// address a (a number, taken as its absolute value) as an unsigned integer;
// "Z" when a is not a number. refl/refm/refn/refo a v: stores the low bytes
// of v at a (both integers) and answers "I"; "Z" when either is not an
// integer, and nothing is stored.
template <int W>
NodeRef memory_ref_read(NodeRef app);
template <int W>
NodeRef memory_ref_write(NodeRef app);

extern template NodeRef memory_ref_read<1>(NodeRef);
extern template NodeRef memory_ref_read<2>(NodeRef);
extern template NodeRef memory_ref_read<4>(NodeRef);
extern template NodeRef memory_ref_read<8>(NodeRef);
extern template NodeRef memory_ref_write<1>(NodeRef);
extern template NodeRef memory_ref_write<2>(NodeRef);
extern template NodeRef memory_ref_write<4>(NodeRef);
extern template NodeRef memory_ref_write<8>(NodeRef);

inline NodeRef builtin_refh(NodeRef app) { return memory_ref_read<1>(std::move(app)); }
inline NodeRef builtin_refi(NodeRef app) { return memory_ref_read<2>(std::move(app)); }
inline NodeRef builtin_refj(NodeRef app) { return memory_ref_read<4>(std::move(app)); }
inline NodeRef builtin_refk(NodeRef app) { return memory_ref_read<8>(std::move(app)); }
inline NodeRef builtin_refl(NodeRef app) { return memory_ref_write<1>(std::move(app)); }
inline NodeRef builtin_refm(NodeRef app) { return memory_ref_write<2>(std::move(app)); }
inline NodeRef builtin_refn(NodeRef app) { return memory_ref_write<4>(std::move(app)); }
inline NodeRef builtin_refo(NodeRef app) { return memory_ref_write<8>(std::move(app)); }
