// Ordered containers (maps, sets, multimaps, multisets over runtime strings,
// lines and pointers) and the program-wide tables built on them:
// `definitions`, `wrapped_names` and `prelude_snapshot`, with the types of
// the builtin table. (The interned terms live in a hashed store of their
// own, intern.h.)
//
// Containers own their elements: erasing or emptying releases keys and
// values. Iterators to other elements survive an erase. Key arguments are
// taken by value and released before returning (plain keys excepted).
#pragma once

#include <functional>
#include <map>
#include <set>

#include "node.h"

// ---------------------------------------------------------------------------
// Element types
// ---------------------------------------------------------------------------

// A builtin's implementation: takes the saturated application, returns the
// result node.
using BuiltinFn = NodeRef (*)(NodeRef app);

// One entry of the builtin table: the arity (0 to 7) and the function.
struct BuiltinEntry {
    u8 arity = 0;
    BuiltinFn fn = nullptr;
};

// A name in a NameSet. The handle is mutable because inserting an equal
// name replaces the stored object (the order does not change).
struct NameKey {
    mutable RtString name;
};

struct NameKeyLess {
    bool operator()(const NameKey& a, const NameKey& b) const { return string_less(a.name, b.name); }
};

// ---------------------------------------------------------------------------
// The four forms and their instances
// ---------------------------------------------------------------------------

template <class K, class V, class Less>
using OrderedMap = std::map<K, V, Less>;  // unique keys; the stored key stays
template <class K, class Less>
using OrderedSet = std::set<K, Less>;  // unique keys; an equal insert replaces the key
template <class K, class V, class Less>
using OrderedMultiMap = std::multimap<K, V, Less>;  // equal keys in insertion order
template <class K, class Less>
using OrderedMultiSet = std::multiset<K, Less>;  // equal keys in insertion order

// Global name -> term; a new entry holds a new empty leaf. Every call that
// can add or remove entries (insertion, erasure, emptying, assignment, swap,
// merge) bumps the program-wide count defs_shape_generation(), so that a
// cache of where names stand knows when to look them up again. Changing an
// entry's term in place does not count: such a cache reads the term anew.
class DefsMap : public OrderedMap<RtString, NodeRef, RtStringLess> {
    using Base = OrderedMap<RtString, NodeRef, RtStringLess>;

public:
    DefsMap() = default;
    DefsMap(const DefsMap&) = default;
    DefsMap(DefsMap&&) = default;
    ~DefsMap() { changed(); }
    DefsMap& operator=(const DefsMap& other) {
        changed();
        Base::operator=(other);
        return *this;
    }
    DefsMap& operator=(DefsMap&& other) {
        changed();
        other.changed();
        Base::operator=(std::move(other));
        return *this;
    }
    NodeRef& operator[](const RtString& key) {
        changed();
        return Base::operator[](key);
    }
    NodeRef& operator[](RtString&& key) {
        changed();
        return Base::operator[](std::move(key));
    }
// Each call that adds or removes entries passes through as it is, counted.
#define DEFS_MAP_COUNTED(method)                            \
    template <class... A>                                   \
    auto method(A&&... a) {                                 \
        changed();                                          \
        return Base::method(std::forward<A>(a)...);         \
    }
    DEFS_MAP_COUNTED(insert)
    DEFS_MAP_COUNTED(emplace)
    DEFS_MAP_COUNTED(emplace_hint)
    DEFS_MAP_COUNTED(try_emplace)
    DEFS_MAP_COUNTED(insert_or_assign)
    DEFS_MAP_COUNTED(erase)
    DEFS_MAP_COUNTED(extract)
    DEFS_MAP_COUNTED(merge)
#undef DEFS_MAP_COUNTED
    void clear() {
        changed();
        Base::clear();
    }
    void swap(DefsMap& other) {
        changed();
        Base::swap(other);
    }

private:
    static void changed();
};

// The count of calls that could add or remove DefsMap entries so far.
u64 defs_shape_generation();
// Text -> text; a new entry holds "". (`char_names` is one.)
using TextMap = OrderedMap<RtString, RtString, RtStringLess>;
using TextMultiMap = OrderedMultiMap<RtString, RtString, RtStringLess>;
// Builtin name -> entry; a new entry has arity 0 and no function.
using BuiltinTable = OrderedMap<RtString, BuiltinEntry, RtStringLess>;
using NameSet = OrderedSet<NameKey, NameKeyLess>;
using LineSet = OrderedMultiSet<i64, std::less<i64>>;
using PointerSet = OrderedSet<void*, std::less<void*>>;

// ---------------------------------------------------------------------------
// Shared operations
// ---------------------------------------------------------------------------

// The first element in key order, or the end.
template <class M>
typename M::iterator map_begin(M& m) {
    return m.begin();
}
template <class S>
typename S::iterator set_begin(S& s) {
    return s.begin();
}

// Moves it to its successor in c (the end after the last element) and
// returns the element it stood on; advancing the end is a fatal assertion.
template <class C>
typename C::iterator map_iter_next(C& c, typename C::iterator& it) {
    VORN_ASSERT(it != c.end());
    return it++;
}

// The element at it; the end is a fatal assertion.
template <class C>
auto& tree_iter_deref(C& c, typename C::iterator it) {
    VORN_ASSERT(it != c.end());
    return *it;
}

// Erases from first up to, not including, last, taking each successor
// before erasing. Returns false (having erased up to the end) when the end
// comes before last; each caller asserts on its own line.
template <class C>
bool tree_erase_range(C& c, typename C::iterator first, typename C::iterator last) {
    while (first != last) {
        if (first == c.end()) return false;
        auto next = std::next(first);
        c.erase(first);
        first = next;
    }
    return true;
}

// The element stored under key in a map, or the end.
template <class M>
typename M::iterator map_find(M& m, RtString key) {
    return m.find(key);
}

// ---------------------------------------------------------------------------
// DefsMap
// ---------------------------------------------------------------------------

// The term stored under key; a missing key first gets a new empty leaf.
NodeRef& map_defs_get_or_insert(DefsMap& m, RtString key);
// Removes the element at it (not the end), releasing its key and term.
void map_defs_erase(DefsMap& m, DefsMap::iterator it);
void map_defs_remove_node(DefsMap& m, DefsMap::iterator it);
// Removes [first, last); meeting the end first is a fatal assertion.
void map_defs_erase_range(DefsMap& m, DefsMap::iterator first, DefsMap::iterator last);
// A new map with the same keys and terms, each shared (one reference more).
DefsMap map_defs_clone_nodes(const DefsMap& m);
// Empties the map, releasing every key and term.
void map_defs_free_nodes(DefsMap& m);
void map_defs_destroy(DefsMap& m);

// ---------------------------------------------------------------------------
// TextMap and TextMultiMap
// ---------------------------------------------------------------------------

// The text stored under key; a missing key first gets "".
RtString& map_text_get_or_insert(TextMap& m, RtString key);
// Removes the element at it (not the end).
void map_text_erase(TextMap& m, TextMap::iterator it);
void map_text_remove_node(TextMap& m, TextMap::iterator it);
void map_text_erase(TextMultiMap& m, TextMultiMap::iterator it);
void map_text_remove_node(TextMultiMap& m, TextMultiMap::iterator it);
// Empties the map.
void map_text_free_nodes(TextMap& m);
void map_text_destroy(TextMap& m);
void map_text_free_nodes(TextMultiMap& m);
void map_text_destroy(TextMultiMap& m);

// Adds (key, value) after every element with an equal key; returns it.
TextMultiMap::iterator multimap_text_insert(TextMultiMap& m, RtString key, RtString value);
// The first element whose key is not less than / is greater than key.
TextMultiMap::iterator multimap_text_lower_bound(TextMultiMap& m, RtString key);
TextMultiMap::iterator multimap_text_upper_bound(TextMultiMap& m, RtString key);
// Removes [first, last); meeting the end first is a fatal assertion.
void multimap_text_erase_range(TextMultiMap& m, TextMultiMap::iterator first,
                               TextMultiMap::iterator last);

// ---------------------------------------------------------------------------
// BuiltinTable
// ---------------------------------------------------------------------------

// The entry stored under name, or the end.
BuiltinTable::iterator map_builtins_find(BuiltinTable& m, RtString name);
// The entry under name; a missing name first gets arity 0 and no function.
BuiltinEntry& map_builtins_get_or_insert(BuiltinTable& m, RtString name);
// Removes the entry at it (not the end).
void map_builtins_remove_node(BuiltinTable& m, BuiltinTable::iterator it);
// Empties the table.
void map_builtins_free_nodes(BuiltinTable& m);

// ---------------------------------------------------------------------------
// NameSet
// ---------------------------------------------------------------------------

// The element equal to name, or the end.
NameSet::iterator set_names_find(NameSet& s, RtString name);
// Adds name; an equal stored name is replaced by this one. Returns the
// element now holding it.
NameSet::iterator set_names_insert(NameSet& s, RtString name);
// Removes the element at it (not the end).
void set_names_erase(NameSet& s, NameSet::iterator it);
void set_names_remove_node(NameSet& s, NameSet::iterator it);
// Removes [first, last); meeting the end first is a fatal assertion.
void set_names_erase_range(NameSet& s, NameSet::iterator first, NameSet::iterator last);
// A new set sharing the same names.
NameSet set_names_clone_nodes(const NameSet& s);
// Empties the set.
void set_names_free_nodes(NameSet& s);
void set_names_destroy(NameSet& s);

// ---------------------------------------------------------------------------
// LineSet and PointerSet
// ---------------------------------------------------------------------------

// Adds line after every equal line; returns the new element.
LineSet::iterator multiset_lines_insert(LineSet& s, i64 line);
// Removes the element at it (not the end).
void multiset_lines_erase(LineSet& s, LineSet::iterator it);
// Adds p (an equal pointer stays as it is); returns its element.
PointerSet::iterator set_pointers_insert(PointerSet& s, void* p);

// Empties a set of plain values.
template <class S>
void set_plain_free_nodes(S& s) {
    s.clear();
}
template <class S>
void set_plain_destroy(S& s) {
    s.clear();
}

// ---------------------------------------------------------------------------
// Program-wide tables
// ---------------------------------------------------------------------------
// Each is created empty on first use and destroyed at a normal end of the
// process (return from main, exit), never after a fatal assertion. The
// builtin table is reached through builtin_registry, which fills it.

// `definitions`: global name -> body term; the empty name holds the main
// expression, "_" the structure layout text.
DefsMap& definitions_instance();
// `wrapped_names`: names defined with the wrapped head form.
NameSet& wrapped_names();
// `prelude_snapshot`: the definitions as they stood right after the prelude.
DefsMap& prelude_snapshot();
