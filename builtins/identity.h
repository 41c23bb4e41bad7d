// Memory and identity: node addresses as integers and back (leak, bond),
// byte images written to and read from raw memory (copy, post), the one
// shared empty vector (cray) and interning (tern). Owns the table of leaked
// nodes and the empty vector; both live until the process ends.
#pragma once

#include "node.h"

// leak v: the address of v's node as an integer; the reference the call
// holds on v is kept for good, so the node lives until the process ends.
NodeRef builtin_leak(NodeRef app);

// bond p: the node at the address p, with one more reference, when p is an
// address that leak returned; Z for anything else (0 included).
NodeRef builtin_bond(NodeRef app);

// copy v p: writes v's byte image at address p (a post's payload, a real's
// 8 bytes, 8 bytes per cray slot holding the element's address or 0, a data
// text's content, a number's canonical text), no NUL, and answers I; Z for
// a p that is not an integer, a v of no data kind, or a p of 0 with bytes to
// write, and nothing is written.
NodeRef builtin_copy(NodeRef app);

// post p n: a new post of the n bytes at address p ("()" for n = 0, p not
// read); Z when p or n is not an integer, n is negative, or p is 0 and n not.
NodeRef builtin_post(NodeRef app);

// cray: the shared empty vector with one more reference; made on the first
// call with a reference of its own, never freed.
NodeRef builtin_cray(NodeRef app);

// tern t: the interned term equal to t.
NodeRef builtin_tern(NodeRef app);
