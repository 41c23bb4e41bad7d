// The engine guard.
#include "guard.h"

#include <cstring>
#include <unordered_set>
#include <vector>

#include "tables.h"

namespace {

// The builtins that let a program see more of a term than its value. No
// builtin makes a leaf whose text begins with a lowercase letter from data
// (results are digits, "(" byte strings, "[" data texts, reals and the
// one-letter leaves), so a name can only come from the program text, from
// text loaded at run time, or from rewriting a leaf's bytes: the members
// below cover all three.
const char* const REVEALING_BUILTINS[] = {
    // The address of a node, and the node at an address.
    "leak", "bond",
    // Node identity of any two values.
    "raws",
    // Makes equal terms one node (for raws, and for the identity shortcut of
    // same and diff on void values).
    "tern",
    // Writes the addresses of a vector's element nodes.
    "copy",
    // Orders two vectors by the addresses of their element nodes.
    "cmpr",
    // Changes its argument in place when the count says nothing else
    // holds it.
    "cork",
    // The in-place writes of data texts and byte strings: the same count
    // decision.
    "recl", "recm", "recn", "reco", "rell", "relm", "reln", "relo",
    // Leaf text from the second byte on, unchecked: reads past a text into
    // other nodes, and writes can turn a leaf into the name of any builtin.
    "redh", "redi", "redj", "redk", "redl", "redm", "redn", "redo",
    // Byte-string payloads unchecked: the same, past the payload.
    "remh", "remi", "remj", "remk", "reml", "remm", "remn", "remo",
    // Addresses inside a text argument (a leaf's own bytes), from which raw
    // reads reach the node's header.
    "strchr", "strrchr", "strstr", "strpbrk",
    // The end address of the parsed number, inside the text argument.
    "strtol", "strtoul", "strtod",
    // Define names at run time from text the guard never saw.
    "load", "road",
};

}  // namespace

bool guard_name_reveals_nodes(const char* text) {
    if (text[0] < 'a' || text[0] > 't') return false;  // every member starts in a..t
    for (const char* name : REVEALING_BUILTINS)
        if (name[0] == text[0] && std::strcmp(text, name) == 0) return true;
    return false;
}

namespace {

// \a\b...Z: the stub every builtin's name is defined as, and a term that
// names nothing else; read in one walk down its binders.
bool is_stub(const Node* d) {
    while (!node_is_leaf(d) && !node_is_leaf(pair_left(d)) && node_is_leaf(pair_left(pair_left(d))) &&
           leaf_bytes(pair_left(pair_left(d)))[0] == '\\' && node_is_leaf(pair_right(pair_left(d))))
        d = pair_right(d);
    return node_is_leaf(d) && leaf_bytes(d)[0] == 'Z' && leaf_bytes(d)[1] == 0;
}

}  // namespace

bool guard_run_may_compile() {
    std::vector<const Node*> pending;  // borrowed: the table holds every term
    std::unordered_set<const Node*> seen;  // shared pairs are read once
    for (auto& entry : definitions_instance()) {
        if (is_stub(entry.second.node)) continue;
        pending.push_back(entry.second.node);
        while (!pending.empty()) {
            const Node* n = pending.back();
            pending.pop_back();
            if (node_is_leaf(n)) {
                if (guard_name_reveals_nodes(reinterpret_cast<const char*>(leaf_bytes(n)))) return false;
                continue;
            }
            // A pair held once is reached once: only shared ones are
            // remembered.
            if (node_refcount(n) > 1 && !seen.insert(n).second) continue;
            pending.push_back(pair_right(n));
            pending.push_back(pair_left(n));
        }
    }
    return true;
}
