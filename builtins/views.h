// Positional views of values: the index rule that look, trim and cork share,
// the sequence view of a byte string, data text or array (bytes or slots
// read where they lie), the content of a data text, and the builtins look,
// trim and cork.
#pragma once

#include <string>

#include "node.h"
#include "values.h"

// An index argument: true when idx is an integer (term_is_integer) whose
// value can be read, with *out that value modulo 2^64 (the leaf K is 0); a
// numb, a text or a malformed list form gives false.
bool view_index_read(const NodeRef& idx, i64* out);

// The lower end of the index rule for a sequence of length n: a negative
// *i gets n added once. False when it is still negative.
bool view_index_adjust(i64 n, i64* i);

// The content of a data value, its flattened text without the outer
// brackets. A leaf is read where it lies (within its recorded length, so an
// unbalanced leaf never asserts); a pair is flattened into `flat` once.
struct ZitsContent {
    const u8* bytes = nullptr;
    i64 length = 0;
    bool in_leaf = false;  // bytes lie in the value's own leaf
    std::string flat;
};

// Fills *out with the content of the data term z (borrowed).
void zits_content_view(const Node* z, ZitsContent* out);

// The length of the content of the data term z (borrowed), counted as
// flattening would write it (a right child that spells a byte's bracket name
// counts one byte) without building the text; iterative.
i64 zits_content_length(const Node* z);

// The positions of a post, zits or cray: payload bytes, content bytes or
// slots. For a cray, bytes is null and length the slot count.
struct SequenceView {
    ValueKind kind = VALUE_KIND_VOID;
    const u8* bytes = nullptr;
    i64 length = 0;
    bool in_leaf = false;  // the bytes lie in the value's own leaf
    ZitsContent zits;
};

// Fills *out for v (borrowed) of kind post, zits or cray and returns true;
// false for every other kind.
bool sequence_view(const NodeRef& v, ValueKind kind, SequenceView* out);

// look v i: payload or content byte i as an integer 0..255, the element in
// slot i (a new Z for an empty slot), bit i of a number's code or of a
// real's pattern as K or H; Z for a bad index, an index out of range and a
// value of no data kind.
NodeRef builtin_look(NodeRef app);

// trim v from to: a new post, data leaf or cray of the positions from ..
// to-1 (equal indexes give an empty post or data text whatever they are);
// Z for bad or out-of-range indexes, an unbalanced data slice and other
// kinds.
NodeRef builtin_trim(NodeRef app);

// cork v i x: v with position i replaced by x (a byte, an element, a bit),
// written into v itself when only this call can reach it, else into a copy;
// Z for every refusal, and nothing is changed then.
NodeRef builtin_cork(NodeRef app);
