// Global names and the constant cache: the contraction of a redex headed by
// a global name (functions are instantiated, constants computed once and
// cached in `definitions`, wrapped definitions computed at every use) and of
// the cache head that stores a constant's value once it is known.
#pragma once

#include <vector>

#include "machine.h"
#include "tables.h"

// One step of an instantiation plan, run over a stack of built terms: push
// a subterm of the body as it is or an argument, or build a pair over what
// the last steps pushed. A plan depends only on the body, its tags and the
// letters replaced, so a function's plan is made once and run at each call.
struct PlanOp {
    u8 op;        // see InstanceOp in globals.cpp
    u8 argument;  // the index of the argument pushed
    Node* node;   // the subterm pushed, or the binder rebuilt (borrowed)
};

// Working space of body instantiation. A run keeps one, so that its stacks
// are allocated once and not at every contraction.
struct InstanceScratch {
    struct Task {
        const Node* node;
        uint32_t letters;  // the letters still to be replaced below node
        u8 op;
    };
    std::vector<Task> tasks;
    std::vector<Node*> built;  // each entry owns one reference
};

// The plan of one function definition: its body with the arguments
// substituted for its leading binders' letters.
struct DefinitionPlan {
    const Node* definition = nullptr;  // the stored term the plan was made from
    int binders = 0;
    std::vector<PlanOp> ops;
};

// What a run lends to the contractions of global names: the working space of
// instantiation and, while the checker evaluates line marks, the constants
// the run has made pending, each with its body. When such an evaluation is
// abandoned because it met a free letter, those bodies go back, so that the
// checker finds the letter where its last step would find it.
struct GlobalsWork {
    struct PendingBody {
        RtString name;
        NodeRef mark;  // the pending mark stored under name
        NodeRef body;
    };
    InstanceScratch scratch;
    std::vector<PendingBody> pending;
    // Plans of the functions called so far, by the address of their stored
    // term (made on first use). A function's term changes only when a
    // builtin defines names, and the run forgets them all then.
    std::vector<DefinitionPlan> plans;
};

// Forgets every plan of work (after names were defined).
void globals_forget_plans(GlobalsWork& work);

// Puts back the body of every constant of work.pending that is still marked
// pending, newest first, and forgets them all.
void globals_restore_pending(GlobalsWork& work);

// body (released) with args[i] in place of the free occurrences of the letter
// letters[i], i < k; of two binders of one letter the later one's argument
// counts. The term is exactly the one that substituting one letter at a time
// with term_substitute gives, last argument first: the same new pairs along
// the paths to the replaced letters (tagged here already, which nobody can
// tell from tagging them later), every other subterm shared,
// each occurrence the argument node itself; a lambda hides its letter in its
// body, a brace binder in its body but not in its value. A letter outside
// a..z is a fatal assertion.
NodeRef instantiate(NodeRef body, const u8* letters, Node* const* args, int k, InstanceScratch& scratch);

// The contraction of the global name held by the leaf head, whose entry in
// `definitions` is entry (the end when there is none), applied to the n
// borrowed arguments a1 ... an. An undefined name ends the evaluation with the leaf
// "]" + name; a constant needed while it is pending ends it with its cycle
// mark ")" + name. A function's body comes back with the arguments
// substituted (binder and argument counts must agree: fatal assertion); a
// constant's value or wrapped body as stored; a constant met for the first
// time is marked pending and its body comes back under its cache head.
Contractum global_name_contract(const Node* head, DefsMap::iterator entry, Node* const* args, int n,
                                GlobalsWork& work);

// The contraction of the cache head ")" + NAME applied to the value v
// (released): v, a lambda wrapped as ((B I) v), becomes NAME's definition and
// the contractum. NAME without a definition, v not a value and NAME wrapped
// are fatal assertions. NAME leaves work.pending.
Contractum cache_head_contract(const NodeRef& head, NodeRef v, GlobalsWork& work);
