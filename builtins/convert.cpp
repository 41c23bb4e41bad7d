// Kind conversions: real, init, zits, cape, lisp and type.
#include "convert.h"

#include <cstdlib>
#include <string>

#include "bridge.h"
#include "bytes.h"
#include "integer.h"
#include "intern.h"
#include "numb.h"
#include "post.h"
#include "print.h"
#include "real.h"
#include "realtree.h"
#include "values.h"
#include "zits.h"

namespace {

// The one argument of a saturated application (released).
NodeRef convert_argument(NodeRef app) {
    NodeRef x = node_right(app);
    noderef_release(app);
    return x;
}

// A new real leaf of the 8 bytes of a double, stored as they are.
NodeRef real_leaf_of_bytes(const RtString& bytes) {
    return noderef_wrap(leaf_new_from_string(string_prepend_cstr(" ", bytes)));
}

// The byte a hint stands for (its value mod 256); false for a list that
// cannot be read.
bool hint_byte(const NodeRef& x, u8* out) {
    i64 v = 0;
    if (!integer_try_to_i64(x, &v)) return false;
    *out = u8(u64(v) & 0xFF);
    return true;
}

// Whether x is the tagged list ((V (X J)) t) that data applied to V gives.
bool is_tagged_list(const Node* x) {
    if (node_is_leaf(x) || node_is_leaf(pair_left(x))) return false;
    const Node* head = pair_left(pair_left(x));
    const Node* tag = pair_right(pair_left(x));
    return node_is_leaf(head) && node_lead_byte(head) == 'V' && !node_is_leaf(tag) &&
           node_is_leaf(pair_left(tag)) && node_lead_byte(pair_left(tag)) == 'X' && node_is_leaf(pair_right(tag)) &&
           node_lead_byte(pair_right(tag)) == 'J';
}

// The data text of a payload: "[" and "]" written "[q]" and "[r]".
RtString cape_escape(const u8* p, i64 n) {
    std::string out;
    out.reserve(size_t(n) + 2);
    for (i64 i = 0; i < n; ++i) {
        if (p[i] == '[') out += "[q]";
        else if (p[i] == ']') out += "[r]";
        else out.push_back(char(p[i]));
    }
    return string_from_std(out);
}

// The bytes a content text stands for: "[p]", "[q]", "[r]" are a newline,
// "[" and "]"; any other bracket makes the text no escaped payload (Z).
NodeRef cape_decode(const RtString& text) {
    const u8* t = string_bytes(text);
    i64 n = string_length(text);
    std::string out;
    out.reserve(size_t(n));
    for (i64 i = 0; i < n;) {
        if (t[i] == ']') return bridge_error();
        if (t[i] != '[') {
            out.push_back(char(t[i++]));
            continue;
        }
        if (i + 2 >= n || t[i + 2] != ']') return bridge_error();
        switch (t[i + 1]) {
        case 'p': out.push_back('\n'); break;
        case 'q': out.push_back('['); break;
        case 'r': out.push_back(']'); break;
        default: return bridge_error();
        }
        i += 3;
    }
    return post_make(string_from_std(out));
}

}  // namespace

NodeRef builtin_real(NodeRef app) {
    NodeRef x = convert_argument(std::move(app));
    switch (value_kind(x)) {
    case VALUE_KIND_POST: return real_make_leaf(std::strtod(string_cstr(post_payload(x)), nullptr));
    case VALUE_KIND_REAL: return x;
    case VALUE_KIND_HINT: return integer_is_readable(x) ? integer_to_real(x) : bridge_error();
    case VALUE_KIND_NUMB: {
        NumbBits bits;
        return numb_try_to_bits(x, &bits) ? numb_to_real(x) : bridge_error();
    }
    case VALUE_KIND_ZITS: return real_make_leaf(std::atof(string_cstr(zits_text(x))));
    default: return term_is_real_bit_tree(x) ? real_leaf_of_bytes(real_from_bit_tree(x)) : bridge_error();
    }
}

NodeRef builtin_init(NodeRef app) {
    NodeRef x = convert_argument(std::move(app));
    switch (value_kind(x)) {
    case VALUE_KIND_POST: return x;
    case VALUE_KIND_REAL: return post_make(string_from_bytes(leaf_bytes(x.node) + 1, 8));
    case VALUE_KIND_HINT: {
        u8 byte = 0;
        return hint_byte(x, &byte) ? post_make(string_from_char(byte)) : bridge_error();
    }
    case VALUE_KIND_ZITS: return post_make(zits_text(x));
    case VALUE_KIND_VOID: return term_is_byte_text(x) ? post_make(byte_lists_to_text(x)) : bridge_error();
    default: return bridge_error();
    }
}

NodeRef builtin_zits(NodeRef app) {
    NodeRef x = convert_argument(std::move(app));
    switch (value_kind(x)) {
    case VALUE_KIND_POST: return post_to_zits(x);
    case VALUE_KIND_REAL: return real_to_zits(x);
    case VALUE_KIND_HINT: {
        u8 byte = 0;
        if (!hint_byte(x, &byte)) return bridge_error();
        if (byte == '[') return noderef_from_cstr("[[q]]");
        if (byte == ']') return noderef_from_cstr("[[r]]");
        const u8 text[3] = {'[', byte, ']'};
        return noderef_wrap(leaf_new_from_bytes(text, 3));
    }
    case VALUE_KIND_CRAY: return noderef_from_string(cray_to_zits_text(x));
    case VALUE_KIND_ZITS: return zits_flatten(x);
    case VALUE_KIND_VOID:
        return is_tagged_list(x.node) ? list_to_bracket_name(noderef_wrap(pair_right(x.node))) : bridge_error();
    default: return bridge_error();
    }
}

NodeRef builtin_cape(NodeRef app) {
    NodeRef x = convert_argument(std::move(app));
    switch (value_kind(x)) {
    case VALUE_KIND_POST: {
        i64 n = 0;
        const u8* payload = post_node_payload(x.node, &n);
        return zits_from_string(cape_escape(payload, n));
    }
    case VALUE_KIND_ZITS: return cape_decode(zits_text(x));
    default: return bridge_error();
    }
}

NodeRef builtin_lisp(NodeRef app) {
    return zits_from_string(term_to_text(convert_argument(std::move(app))));
}

NodeRef builtin_type(NodeRef app) {
    const char* name = "[void]";
    switch (value_kind(convert_argument(std::move(app)))) {
    case VALUE_KIND_POST: name = "[post]"; break;
    case VALUE_KIND_REAL: name = "[real]"; break;
    case VALUE_KIND_HINT: name = "[hint]"; break;
    case VALUE_KIND_CRAY: name = "[cray]"; break;
    case VALUE_KIND_NUMB: name = "[numb]"; break;
    case VALUE_KIND_ZITS: name = "[zits]"; break;
    default: break;
    }
    return intern_term(noderef_from_cstr(name));
}
