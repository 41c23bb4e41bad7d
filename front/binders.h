// Binder and name passes: which terms are binders, which names a term binds
// and refers to, and the renaming of bound names to single letters. Every
// pass walks with an explicit work list, so no term depth reaches the C stack.
//
// Binder forms as the parser builds them: a lambda ((\ v) body) and a brace
// binder ((({ v) value) body), whose value lies outside the scope of v.
#pragma once

#include <vector>

#include "node.h"
#include "s.h"

// A set of names in ascending RtString order, without duplicates. The
// checker and the run-time loaders use it for bound and referenced names.
struct NameList {
    std::vector<RtString> names;
};

// 'u' for a lambda, 'i' for a brace binder, 'o' for anything else (every
// leaf). The binder leaf must be exactly "\" or "{".
char term_binder_kind(const NodeRef& t);
// term_binder_kind of a borrowed node.
char node_binder_kind(const Node* t);

// The first binder, left to right, whose bound name is not definable: the
// binder term itself (one more reference), or a new empty leaf when there
// is none. A lambda's body and a brace binder's value then body are searched
// once their own name passes. Releases t.
NodeRef term_find_bad_binder(NodeRef t);

// The distinct bound names of t's binder heads ((\ v) or ({ v) with v a
// leaf, wherever they stand) that are not single letters, as written.
// Releases t.
NameList term_binder_names_long(NodeRef t);
// The same for the bound names that are single letters 'a'..'z'.
NameList term_binder_names_letter(NodeRef t);

// The free names of t: leaves whose text is a valid name not starting with
// "{" or "\" and that no enclosing binder binds (a free single letter is a
// name too); an array leaf is no name. A binder binds its normalised name; a name that is not
// definable binds as written. Releases t.
NameList term_global_names(NodeRef t);

// t with every leaf whose text is name, bound or free, replaced by a new
// leaf of the one letter c; every pair is rebuilt, and every binder passed
// gets new "\" or "{" and bound-name leaves, the bound name normalised (a
// name that is not definable is kept as written). name must be valid and c
// in 'a'..'z' (fatal assertions). Releases t and name.
NodeRef term_rename_binder(NodeRef t, RtString name, u8 c);

// One rename pass with several names at once: names[i] becomes letters[i].
// The same result as one term_rename_binder per name, since no letter is
// itself one of the names. Releases t.
NodeRef term_rename_binders(NodeRef t, const std::vector<RtString>& names,
                            const std::vector<u8>& letters);

// The names in either list, merged. Releases both.
NameList name_list_join(NameList a, NameList b);
// True when the list holds name.
bool name_list_contains(const NameList& list, const RtString& name);
// The list with name in its place (unchanged when it is there). Releases
// list and name.
NameList name_list_add(NameList list, RtString name);
// The list without name. Releases list.
NameList name_list_remove(NameList list, const RtString& name);
// The number of names in the list.
i64 list_spine_length(const NameList& list);
// The number of pairs met by stepping to the right child from t until a
// leaf. Releases t.
i64 list_spine_length(NodeRef t);

// The key a binder's name binds: name_normalize of a definable name, the
// name as written otherwise.
RtString binder_name_key(RtString name);
