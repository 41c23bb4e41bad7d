// Test helper: fully parenthesised terms.
#include "term_sexpr.h"

#include <cstdlib>
#include <cstring>

#include <gtest/gtest.h>

namespace {

struct Reader {
    const std::string& text;
    size_t at = 0;

    void skip_blanks() {
        while (at < text.size() && text[at] == ' ') ++at;
    }
    NodeRef read() {
        skip_blanks();
        if (at + 1 < text.size() && text[at] == '(' && text[at + 1] == ')') {
            at += 2;
            return noderef_from_cstr("()");
        }
        if (at < text.size() && text[at] == '(') {
            ++at;
            NodeRef g = read();
            NodeRef x = read();
            skip_blanks();
            if (at >= text.size() || text[at] != ')') {
                ADD_FAILURE() << "bad term text: " << text;
                std::abort();
            }
            ++at;
            return node_make_app(std::move(g), std::move(x));
        }
        size_t start = at;
        while (at < text.size() && text[at] != ' ' && text[at] != '(' && text[at] != ')') ++at;
        if (start == at) {
            ADD_FAILURE() << "bad term text: " << text;
            std::abort();
        }
        return noderef_from_string(string_from_std(text.substr(start, at - start)));
    }
};

}  // namespace

NodeRef sexpr(const std::string& text) {
    Reader reader{text};
    return reader.read();
}

std::string sexpr_print(const NodeRef& t) {
    if (!node_is_pair(t)) return reinterpret_cast<const char*>(leaf_bytes(t.node));
    return "(" + sexpr_print(node_left(t)) + " " + sexpr_print(node_right(t)) + ")";
}

const Node* node_at(const NodeRef& t, const char* path) {
    const Node* n = t.node;
    for (; *path; ++path) n = *path == 'l' ? pair_left(n) : pair_right(n);
    return n;
}
