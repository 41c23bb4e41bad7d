// Binder and name passes.
#include "binders.h"

#include <algorithm>
#include <cstring>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

#include "names.h"
#include "rebuild.h"

// A leaf whose whole text is the one byte c. Leaf blocks hold at least ten
// text bytes, so the second byte can always be read.
static bool leaf_is_exactly(const Node* n, u8 c) {
    return node_is_leaf(n) && leaf_bytes(n)[0] == c && leaf_bytes(n)[1] == 0;
}

static bool leaf_starts_with(const Node* n, u8 c) { return node_is_leaf(n) && leaf_bytes(n)[0] == c; }

// The bound-name part of a binder: v of ((\ v) body) or of ((({ v) e) body).
static const Node* lambda_variable(const Node* t) { return pair_right(pair_left(t)); }
static const Node* brace_variable(const Node* t) { return pair_right(pair_left(pair_left(t))); }
static const Node* brace_value(const Node* t) { return pair_right(pair_left(t)); }

// The bytes node_text gives for a leaf, read in place: the passes look at
// every leaf of a definition and should not copy each one.
static std::string_view leaf_text_view(const Node* n) {
    const char* bytes = reinterpret_cast<const char*>(leaf_bytes(n));
    u8 c = u8(bytes[0]);
    if (c == 0x0A) return std::string_view("\n", 1);  // a vector leaf reads as its first byte
    if ((c >= '0' && c <= '9') || c == '[' || c == ' ' || c == '(')
        return std::string_view(bytes, size_t(leaf_node_byte_length(n)));
    return std::string_view(bytes, std::strlen(bytes));
}

static RtString string_from_view(std::string_view v) { return string_from_bytes(v.data(), i64(v.size())); }

// Answers of a name rule for the distinct texts met in one pass.
class NameRuleCache {
public:
    explicit NameRuleCache(bool (*rule)(RtString)) : rule_(rule) {}
    bool operator()(std::string_view text) {
        auto [it, added] = answers_.try_emplace(text, false);
        if (added) it->second = rule_(string_from_view(text));
        return it->second;
    }

private:
    bool (*rule_)(RtString);
    std::unordered_map<std::string_view, bool> answers_;
};

// The sorted list of the distinct texts.
static NameList name_list_from_views(const std::unordered_set<std::string_view>& texts) {
    std::vector<RtString> names;
    names.reserve(texts.size());
    for (std::string_view text : texts) names.push_back(string_from_view(text));
    std::sort(names.begin(), names.end(), RtStringLess());
    return NameList{std::move(names)};
}

char node_binder_kind(const Node* t) {
    if (node_is_leaf(t)) return 'o';
    const Node* left = pair_left(t);
    if (node_is_leaf(left)) return 'o';
    const Node* inner = pair_left(left);
    if (node_is_leaf(inner)) return leaf_is_exactly(inner, '\\') ? 'u' : 'o';
    return leaf_is_exactly(pair_left(inner), '{') ? 'i' : 'o';
}

char term_binder_kind(const NodeRef& t) { return node_binder_kind(t.node); }

RtString binder_name_key(RtString name) {
    if (name_is_definable(string_copy(name))) return name_normalize(std::move(name));
    return name;
}

// The text a binder's bound part v binds, as a view into v: "[c]" binds c,
// another definable name itself, anything else its text as written (a pair
// the empty text).
static std::string_view binder_key_view(const Node* v, NameRuleCache& definable) {
    if (!node_is_leaf(v)) return std::string_view();
    std::string_view text = leaf_text_view(v);
    if (text.size() == 3 && text[0] == '[' && definable(text)) return text.substr(1, 1);
    return text;
}

NodeRef term_find_bad_binder(NodeRef t) {
    NameRuleCache definable(name_is_definable);
    auto bad = [&definable](const Node* v) { return !node_is_leaf(v) || !definable(leaf_text_view(v)); };
    WorkStack<const Node*> pending;
    pending.push(t.node);
    while (!pending.empty()) {
        const Node* n = pending.pop();
        if (node_is_leaf(n)) continue;
        switch (node_binder_kind(n)) {
        case 'u':
            if (bad(lambda_variable(n))) return noderef_wrap(const_cast<Node*>(n));
            pending.push(pair_right(n));
            break;
        case 'i':
            if (bad(brace_variable(n))) return noderef_wrap(const_cast<Node*>(n));
            pending.push(pair_right(n));  // the body, after the value
            pending.push(brace_value(n));
            break;
        default:
            pending.push(pair_right(n));
            pending.push(pair_left(n));
        }
    }
    return noderef_make_empty();
}

// The bound names of every binder head of t, letters or the others.
static NameList binder_names(NodeRef t, bool keep_letters) {
    NameRuleCache local(name_is_local);
    std::unordered_set<std::string_view> found;
    WorkStack<const Node*> pending;
    pending.push(t.node);
    while (!pending.empty()) {
        const Node* n = pending.pop();
        if (node_is_leaf(n)) continue;
        const Node* left = pair_left(n);
        const Node* right = pair_right(n);
        if ((leaf_starts_with(left, '\\') || leaf_starts_with(left, '{')) && node_is_leaf(right)) {
            std::string_view name = leaf_text_view(right);
            if (local(name) == keep_letters) found.insert(name);
            continue;
        }
        pending.push(right);
        pending.push(left);
    }
    return name_list_from_views(found);
}

NameList term_binder_names_long(NodeRef t) { return binder_names(std::move(t), false); }

NameList term_binder_names_letter(NodeRef t) { return binder_names(std::move(t), true); }

NameList term_global_names(NodeRef t) {
    enum Op : u8 { VISIT, BIND, UNBIND };
    struct Task {
        const Node* n;
        Op op;
    };
    NameRuleCache valid(name_is_valid);
    NameRuleCache definable(name_is_definable);
    std::unordered_set<std::string_view> found;
    std::vector<std::string_view> scope;                 // bound names, innermost last
    std::unordered_map<std::string_view, i64> bound;     // how often each is bound here
    WorkStack<Task> pending;
    pending.push({t.node, VISIT});
    while (!pending.empty()) {
        Task task = pending.pop();
        const Node* n = task.n;
        if (task.op == BIND) {
            std::string_view key = binder_key_view(n, definable);
            ++bound[key];
            scope.push_back(key);
            continue;
        }
        if (task.op == UNBIND) {
            auto it = bound.find(scope.back());
            if (--it->second == 0) bound.erase(it);
            scope.pop_back();
            continue;
        }
        if (node_is_leaf(n)) {
            u8 c = leaf_bytes(n)[0];
            // Binder marks are no names, and neither is an array: its text
            // reads as the one control byte 0x0A, but like a number or a
            // data text it is a value of its own (the byte 0x00 in program
            // text makes the empty one).
            if (c == '{' || c == '\\' || c == 0x0A) continue;
            std::string_view text = leaf_text_view(n);
            if (bound.find(text) == bound.end() && valid(text)) found.insert(text);
            continue;
        }
        switch (node_binder_kind(n)) {
        case 'u':
            pending.push({nullptr, UNBIND});
            pending.push({pair_right(n), VISIT});
            pending.push({lambda_variable(n), BIND});
            break;
        case 'i':
            pending.push({nullptr, UNBIND});
            pending.push({pair_right(n), VISIT});
            pending.push({brace_variable(n), BIND});
            pending.push({brace_value(n), VISIT});  // outside the scope of v
            break;
        default:
            pending.push({pair_right(n), VISIT});
            pending.push({pair_left(n), VISIT});
        }
    }
    return name_list_from_views(found);
}

namespace {

// The renaming of one pass, each name to its letter, as a rebuilding pass:
// every pair is rebuilt and every binder gets new leaves.
class Renaming {
public:
    Renaming(const std::vector<RtString>& names, const std::vector<u8>& letters) : definable_(name_is_definable) {
        VORN_ASSERT(names.size() == letters.size());
        for (size_t i = 0; i < names.size(); ++i) {
            std::string_view name(reinterpret_cast<const char*>(string_bytes(names[i])), size_t(string_length(names[i])));
            letters_.emplace(name, letters[i]);
        }
    }
    // A new leaf of the letter for a leaf of a renamed name, else the leaf;
    // every pair is entered.
    NodeRef replace(const Node* n) {
        if (!node_is_leaf(n)) return NodeRef(nullptr);
        u8 letter = letter_of(leaf_text_view(n));
        return letter != 0 ? noderef_from_string(string_from_char(letter)) : noderef_wrap(const_cast<Node*>(n));
    }
    char binder_kind(const Node* n) const { return node_binder_kind(n); }
    bool enters_brace_body(const Node*) const { return true; }
    // A new binder leaf applied to the new bound-name leaf: the bound
    // name's key, or its letter; a bound part that is a pair (never
    // definable) is kept as it is.
    NodeRef binder_head(const Node* head) {
        NodeRef mark = noderef_from_string(string_from_char(leaf_bytes(pair_left(head))[0]));
        return node_make_app(std::move(mark), variable(pair_right(head)));
    }
    NodeRef finish(NodeRef pair) const { return pair; }

private:
    NodeRef variable(const Node* v) {
        if (!node_is_leaf(v)) return noderef_wrap(const_cast<Node*>(v));
        std::string_view key = binder_key_view(v, definable_);
        u8 letter = letter_of(key);
        return letter != 0 ? noderef_from_string(string_from_char(letter)) : noderef_from_string(string_from_view(key));
    }
    u8 letter_of(std::string_view text) const {
        auto it = letters_.find(text);
        return it == letters_.end() ? 0 : it->second;
    }
    NameRuleCache definable_;
    std::unordered_map<std::string_view, u8> letters_;
};

}  // namespace

NodeRef term_rename_binders(NodeRef t, const std::vector<RtString>& names, const std::vector<u8>& letters) {
    Renaming renaming(names, letters);
    return term_rebuild(std::move(t), renaming);
}

NodeRef term_rename_binder(NodeRef t, RtString name, u8 c) {
    name_require_valid(string_copy(name));
    VORN_ASSERT(c >= 'a' && c <= 'z');
    std::vector<RtString> names;
    names.push_back(std::move(name));
    return term_rename_binders(std::move(t), names, {c});
}

NameList name_list_join(NameList a, NameList b) {
    std::vector<RtString> merged;
    merged.reserve(a.names.size() + b.names.size());
    std::merge(std::make_move_iterator(a.names.begin()), std::make_move_iterator(a.names.end()),
               std::make_move_iterator(b.names.begin()), std::make_move_iterator(b.names.end()),
               std::back_inserter(merged), RtStringLess());
    merged.erase(std::unique(merged.begin(), merged.end(), string_equal), merged.end());
    return NameList{std::move(merged)};
}

bool name_list_contains(const NameList& list, const RtString& name) {
    return std::binary_search(list.names.begin(), list.names.end(), name, RtStringLess());
}

NameList name_list_add(NameList list, RtString name) {
    auto at = std::lower_bound(list.names.begin(), list.names.end(), name, RtStringLess());
    if (at == list.names.end() || !string_equal(*at, name)) list.names.insert(at, std::move(name));
    return list;
}

NameList name_list_remove(NameList list, const RtString& name) {
    auto at = std::lower_bound(list.names.begin(), list.names.end(), name, RtStringLess());
    if (at != list.names.end() && string_equal(*at, name)) list.names.erase(at);
    return list;
}

i64 list_spine_length(const NameList& list) { return i64(list.names.size()); }

i64 list_spine_length(NodeRef t) {
    i64 n = 0;
    for (const Node* cell = t.node; !node_is_leaf(cell); cell = pair_right(cell)) ++n;
    return n;
}
