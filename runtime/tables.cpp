// Ordered containers and the program-wide tables.
#include "tables.h"

// ---------------------------------------------------------------------------
// DefsMap
// ---------------------------------------------------------------------------

static u64 defs_generation = 0;

void DefsMap::changed() { ++defs_generation; }

u64 defs_shape_generation() { return defs_generation; }

NodeRef& map_defs_get_or_insert(DefsMap& m, RtString key) {
    // try_emplace keeps the stored key and value of an existing entry; a new
    // entry's value is a default handle, which is a new empty leaf.
    return m.try_emplace(std::move(key)).first->second;
}

void map_defs_erase(DefsMap& m, DefsMap::iterator it) {
    VORN_ASSERT(it != m.end());
    m.erase(it);
}

void map_defs_remove_node(DefsMap& m, DefsMap::iterator it) {
    VORN_ASSERT(it != m.end());
    m.erase(it);
}

void map_defs_erase_range(DefsMap& m, DefsMap::iterator first, DefsMap::iterator last) {
    VORN_ASSERT(tree_erase_range(m, first, last));
}

DefsMap map_defs_clone_nodes(const DefsMap& m) { return DefsMap(m); }

void map_defs_free_nodes(DefsMap& m) { m.clear(); }

void map_defs_destroy(DefsMap& m) { m.clear(); }

// ---------------------------------------------------------------------------
// TextMap and TextMultiMap
// ---------------------------------------------------------------------------

RtString& map_text_get_or_insert(TextMap& m, RtString key) {
    return m.try_emplace(std::move(key)).first->second;  // a new value is ""
}

void map_text_erase(TextMap& m, TextMap::iterator it) {
    VORN_ASSERT(it != m.end());
    m.erase(it);
}

void map_text_remove_node(TextMap& m, TextMap::iterator it) {
    VORN_ASSERT(it != m.end());
    m.erase(it);
}

void map_text_erase(TextMultiMap& m, TextMultiMap::iterator it) {
    VORN_ASSERT(it != m.end());
    m.erase(it);
}

void map_text_remove_node(TextMultiMap& m, TextMultiMap::iterator it) {
    VORN_ASSERT(it != m.end());
    m.erase(it);
}

void map_text_free_nodes(TextMap& m) { m.clear(); }

void map_text_destroy(TextMap& m) { m.clear(); }

void map_text_free_nodes(TextMultiMap& m) { m.clear(); }

void map_text_destroy(TextMultiMap& m) { m.clear(); }

TextMultiMap::iterator multimap_text_insert(TextMultiMap& m, RtString key, RtString value) {
    return m.emplace(std::move(key), std::move(value));  // placed after equal keys
}

TextMultiMap::iterator multimap_text_lower_bound(TextMultiMap& m, RtString key) {
    return m.lower_bound(key);
}

TextMultiMap::iterator multimap_text_upper_bound(TextMultiMap& m, RtString key) {
    return m.upper_bound(key);
}

void multimap_text_erase_range(TextMultiMap& m, TextMultiMap::iterator first,
                               TextMultiMap::iterator last) {
    VORN_ASSERT(tree_erase_range(m, first, last));
}

// ---------------------------------------------------------------------------
// BuiltinTable
// ---------------------------------------------------------------------------

BuiltinTable::iterator map_builtins_find(BuiltinTable& m, RtString name) { return m.find(name); }

BuiltinEntry& map_builtins_get_or_insert(BuiltinTable& m, RtString name) {
    return m.try_emplace(std::move(name)).first->second;
}

void map_builtins_remove_node(BuiltinTable& m, BuiltinTable::iterator it) {
    VORN_ASSERT(it != m.end());
    m.erase(it);
}

void map_builtins_free_nodes(BuiltinTable& m) { m.clear(); }

// ---------------------------------------------------------------------------
// NameSet
// ---------------------------------------------------------------------------

NameSet::iterator set_names_find(NameSet& s, RtString name) {
    return s.find(NameKey{std::move(name)});
}

NameSet::iterator set_names_insert(NameSet& s, RtString name) {
    NameKey key{std::move(name)};
    auto it = s.lower_bound(key);
    if (it != s.end() && !NameKeyLess{}(key, *it)) {
        it->name = std::move(key.name);  // the equal stored name gives way
        return it;
    }
    return s.emplace_hint(it, std::move(key));
}

void set_names_erase(NameSet& s, NameSet::iterator it) {
    VORN_ASSERT(it != s.end());
    s.erase(it);
}

void set_names_remove_node(NameSet& s, NameSet::iterator it) {
    VORN_ASSERT(it != s.end());
    s.erase(it);
}

void set_names_erase_range(NameSet& s, NameSet::iterator first, NameSet::iterator last) {
    VORN_ASSERT(tree_erase_range(s, first, last));
}

NameSet set_names_clone_nodes(const NameSet& s) { return NameSet(s); }

void set_names_free_nodes(NameSet& s) { s.clear(); }

void set_names_destroy(NameSet& s) { s.clear(); }

// ---------------------------------------------------------------------------
// LineSet and PointerSet
// ---------------------------------------------------------------------------

LineSet::iterator multiset_lines_insert(LineSet& s, i64 line) { return s.insert(line); }

void multiset_lines_erase(LineSet& s, LineSet::iterator it) {
    VORN_ASSERT(it != s.end());
    s.erase(it);
}

PointerSet::iterator set_pointers_insert(PointerSet& s, void* p) { return s.insert(p).first; }

// ---------------------------------------------------------------------------
// Program-wide tables
// ---------------------------------------------------------------------------

DefsMap& definitions_instance() {
    static DefsMap definitions;
    return definitions;
}

NameSet& wrapped_names() {
    static NameSet names;
    return names;
}

DefsMap& prelude_snapshot() {
    static DefsMap snapshot;
    return snapshot;
}
