// The memory accessors over the bytes of terms, one template over family,
// width and direction: rec (the content of a data text, range-checked,
// integers), red (the text of any leaf after its first byte, numbers), rel
// (the payload of a post, range-checked, integers) and rem (the payload of
// a post, numbers). The letters h, i, j, k read 1, 2, 4, 8 bytes; l, m, n,
// o write them. The shared rules (byte order, range rule, unshared
// container) are memory.h's.
#pragma once

#include "node.h"

// rech z i ... reck z i: the bytes of data text z's content from offset i
// (negative from the end) as an unsigned integer; Z when z is not a data
// text, i not an integer or the bytes not all inside the content.
// recl z i v ... reco z i v: z with those bytes replaced by the low bytes
// of integer v, written into z when it is an unshared leaf, else into a new
// data leaf; Z, nothing written, for the read's refusals and when the
// written bytes would change the bracket balance of the bytes they replace.
NodeRef builtin_rech(NodeRef app);
NodeRef builtin_reci(NodeRef app);
NodeRef builtin_recj(NodeRef app);
NodeRef builtin_reck(NodeRef app);
NodeRef builtin_recl(NodeRef app);
NodeRef builtin_recm(NodeRef app);
NodeRef builtin_recn(NodeRef app);
NodeRef builtin_reco(NodeRef app);

// redh t o ... redk t o: the bytes at byte 1 + o of leaf t (o a number,
// taken as its absolute value) as an unsigned integer. redl t o v ... redo
// t o v: stores the low bytes of number v there and answers t itself, seen
// by every holder. Z, nothing written, for a pair, an offset or value that
// is not a number, bytes reaching past the leaf's text, and writes into a
// vector's slots or a post's length digits and ")".
NodeRef builtin_redh(NodeRef app);
NodeRef builtin_redi(NodeRef app);
NodeRef builtin_redj(NodeRef app);
NodeRef builtin_redk(NodeRef app);
NodeRef builtin_redl(NodeRef app);
NodeRef builtin_redm(NodeRef app);
NodeRef builtin_redn(NodeRef app);
NodeRef builtin_redo(NodeRef app);

// relh p o ... relk p o: the payload bytes of post p from offset o
// (negative from the end) as an unsigned integer; Z when p is not a post, o
// not an integer or the bytes not all inside the payload. rell p o v ...
// relo p o v: p with those bytes set to the low bytes of integer v, written
// into p when it is unshared, else into a new post of the same length.
NodeRef builtin_relh(NodeRef app);
NodeRef builtin_reli(NodeRef app);
NodeRef builtin_relj(NodeRef app);
NodeRef builtin_relk(NodeRef app);
NodeRef builtin_rell(NodeRef app);
NodeRef builtin_relm(NodeRef app);
NodeRef builtin_reln(NodeRef app);
NodeRef builtin_relo(NodeRef app);

// remh p o ... remk p o: the payload bytes of post p at offset o (a
// number, taken as its absolute value) as an unsigned integer. reml p o v
// ... remo p o v: stores the low bytes of number v there and answers p
// itself, seen by every holder. Z, nothing written, when p is not a post, o
// or v not a number, or the bytes reach past the payload.
NodeRef builtin_remh(NodeRef app);
NodeRef builtin_remi(NodeRef app);
NodeRef builtin_remj(NodeRef app);
NodeRef builtin_remk(NodeRef app);
NodeRef builtin_reml(NodeRef app);
NodeRef builtin_remm(NodeRef app);
NodeRef builtin_remn(NodeRef app);
NodeRef builtin_remo(NodeRef app);
