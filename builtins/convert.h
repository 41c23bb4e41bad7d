// Conversions between the value kinds: any value to a real, values to byte
// strings and data texts, escaping and unescaping texts, printed forms as
// data, and the names of the kinds.
#pragma once

#include "node.h"

// real: a post's payload or a zits's content text read as a floating
// constant (+0.0 when none), a real itself, a hint through its digit text, a
// numb truncated toward zero, a real bit tree as the real it spells; Z for
// every other value.
NodeRef builtin_real(NodeRef app);

// init: a post itself, the 8 bytes of a real, the byte of a hint (mod 256),
// the content text of a zits, the bytes a byte text spells; Z otherwise.
NodeRef builtin_init(NodeRef app);

// zits: a post whose payload is a data text (Z for a newline or unbalanced
// brackets), a real's "%e" text, the one-byte text of a hint (mod 256), a
// cray's data-text form, a zits flattened, a tagged bracket list as its
// text; Z otherwise.
NodeRef builtin_zits(NodeRef app);

// cape: a post's payload escaped into a data text ("[" as "[q]", "]" as
// "[r]"), a zits's content text unescaped into a post (Z for a stray
// bracket or an unknown escape); Z for other kinds.
NodeRef builtin_cape(NodeRef app);

// lisp: the printed form of any term as a data text, unescaped.
NodeRef builtin_lisp(NodeRef app);

// type: the interned name of the argument's kind, "[post]" ... "[void]".
NodeRef builtin_type(NodeRef app);
