// Byte strings (`post`): a leaf "(" + the payload length in base-64 digits
// + ")" + the payload bytes (any bytes, NUL and ")" included). Making,
// measuring, copying out, ordering, splitting and converting them.
#pragma once

#include "node.h"

// Every operation takes its handles by value and releases them; all but
// post_make first call post_require on each argument.

// A new byte-string leaf whose payload is s (released); the handle returned
// holds the only reference.
NodeRef post_make(RtString s);

// A new byte-string leaf (refcount 0) for a payload of n bytes, its length
// header written; *payload receives where the n payload bytes go, which the
// caller writes at once, before wrapping the leaf in a handle.
Node* post_new_unwritten(i64 n, u8** payload);

// Returns when p is a leaf whose first byte is "("; otherwise a fatal
// assertion.
void post_require(NodeRef p);

// The text index of the ")" that closes the length header (1 for "()").
i64 post_close_index(NodeRef p);

// The text index of the first payload byte: post_close_index + 1.
i64 post_payload_offset(NodeRef p);

// The payload length n, decoded from the header digits (leading "_" digits
// add nothing).
i64 post_length(NodeRef p);

// A copy of the n payload bytes.
RtString post_payload(NodeRef p);

// Payload order: unsigned bytes, the first difference deciding, a proper
// prefix first. post_less is a < b; post_gteq is a >= b.
bool post_less(NodeRef a, NodeRef b);
bool post_gteq(NodeRef a, NodeRef b);

// With m the largest power of two below n (n >= 2): a new post of the first
// m payload bytes, and one of the last m bytes (the two overlap when n is
// not a power of two: abc gives ab and bc).
NodeRef post_split_front(NodeRef p);
NodeRef post_split_back(NodeRef p);

// The bit tree of the single payload byte c of p (any other length is a
// fatal assertion): ((V ((J ((J b0) b1)) ((J b2) b3))) ((J ((J b4) b5))
// ((J b6) b7))), bit k the leaf I when set and H when clear, all leaves new.
NodeRef post_byte_to_term(NodeRef p);

// The data leaf "[" + payload + "]" when the payload has no newline and its
// square brackets balance (never more "]" than "[" in a prefix, equal at the
// end); otherwise a new leaf Z.
NodeRef post_to_zits(NodeRef p);

// The payload of a byte-string leaf in place: its first byte, and its length
// through *length. Valid while the node lives; the node is not checked.
const u8* post_node_payload(const Node* p, i64* length);
