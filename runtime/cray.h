// Arrays (`cray`): one leaf holding the newline byte and n packed 8-byte
// slots, each the address of an element node (owning one reference) or 0
// for an empty slot; n is kept in the header's aux field.
#pragma once

#include "node.h"

// Every operation takes its handles by value and releases them. An empty
// slot always reads as a new leaf Z. Storing a leaf whose first byte is "U"
// (set, push back, push front) leaves the slot empty instead.

// Returns when c is a leaf whose first byte is 0x0A; otherwise a fatal
// assertion.
void cray_require(NodeRef c);

// The slot count n of an array (checked with cray_require).
i64 cray_count(NodeRef c);

// A new reference to the element in slot i, or a new Z for an empty slot;
// 0 <= i < n is the caller's duty.
NodeRef cray_get(NodeRef c, i64 i);

// Stores v in slot i of c in place (v gains its reference before the old
// element is released); 0 <= i < n is the caller's duty, and c must not be
// shared.
void cray_set(NodeRef c, i64 i, NodeRef v);

// A new array of c's slots, then v.
NodeRef cray_push_back(NodeRef c, NodeRef v);

// A new array of v, then c's slots (note: value first).
NodeRef cray_push_front(NodeRef v, NodeRef c);

// A new array of a's slots followed by b's, empty slots kept; the joined
// count must stay below 2^26 (the builtins answer Z before that).
NodeRef cray_concat(NodeRef a, NodeRef b);

// A new array with c's header (refcount reset) and slots; the elements are
// shared, so setting a slot of the clone leaves c unchanged.
NodeRef cray_clone(NodeRef c);

// The cons list ((J e0) ((J e1) ... K)) of the elements, empty slots as Z,
// with new J and K leaves.
NodeRef cray_to_cons_list(NodeRef c);
