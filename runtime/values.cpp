// Value kinds and truth values.
#include "values.h"

#include "tag.h"

static bool byte_is_decimal_digit(u8 c) { return c >= '0' && c <= '9'; }

// A pair (L x): the list forms ((J K) x) and ((J H) x) are numbers; the
// right child is never looked at.
static ValueKind value_kind_of_pair(const Node* n) {
    const Node* left = pair_left(n);
    if (node_is_leaf(left)) return VALUE_KIND_VOID;
    if (node_lead_byte(pair_left(left)) != 'J') return VALUE_KIND_VOID;
    switch (node_lead_byte(pair_right(left))) {
        case 'H': return VALUE_KIND_NUMB;
        case 'K': return VALUE_KIND_HINT;
        default: return VALUE_KIND_VOID;
    }
}

ValueKind value_kind(NodeRef v) {
    const Node* n = v.node;
    if (node_is_leaf(n)) {
        // Reals, byte strings and arrays may be large: never walk them for a tag.
        switch (leaf_bytes(n)[0]) {
            case ' ': return VALUE_KIND_REAL;
            case '(': return VALUE_KIND_POST;
            case 0x0A: return VALUE_KIND_CRAY;
            default: break;
        }
    }
    term_compute_tag(noderef_copy(v));
    if (node_tag(n) == TAG_DATA) return VALUE_KIND_ZITS;
    if (!node_is_leaf(n)) return value_kind_of_pair(n);
    const u8* text = leaf_bytes(n);
    if (!byte_is_decimal_digit(text[0])) return VALUE_KIND_VOID;
    return text[0] == '0' && text[1] == '0' ? VALUE_KIND_NUMB : VALUE_KIND_HINT;
}

void boolean_require(NodeRef b) {
    VORN_ASSERT(node_is_leaf(b.node));
    u8 c = leaf_bytes(b.node)[0];
    VORN_ASSERT(c == 'H' || c == 'K');
}

i64 boolean_select(NodeRef b, i64 w) {
    boolean_require(noderef_copy(b));
    return leaf_bytes(b.node)[0] == 'K' ? w : 0;
}

NodeRef boolean_make(bool truth) { return noderef_from_cstr(truth ? "K" : "H"); }
