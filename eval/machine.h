// Reduction machine: evaluates a closed term to a value. Its whole state is
// one term (CONT FOCUS), a continuation applied to the term being reduced:
// CONT is the leaf I at the bottom, or a frame ((B k) g) whose g receives the
// focus's value before k does. A run keeps its frames on a stack of its own
// instead, slot for frame, and goes past steps that no program can tell
// from their result; single steps take the term form and every step. Either
// way the C stack never grows with the depth of an evaluation.
#pragma once

#include "node.h"

// The next focus a contraction hands back, and whether it ends the
// evaluation at once (the continuation is then dropped for the leaf I).
struct Contractum {
    NodeRef term;
    bool abort;
};

// A leaf's text up to its first NUL byte as a borrowed RtString, for table
// lookups that should not allocate: the block lives in this object and is
// never released. Valid while the leaf lives; never store a copy of it.
class LeafKey {
public:
    explicit LeafKey(const Node* leaf);
    ~LeafKey() { key_.block = nullptr; }
    LeafKey(const LeafKey&) = delete;
    LeafKey& operator=(const LeafKey&) = delete;
    const RtString& text() const { return key_; }

private:
    StringBlock block_;
    RtString key_;
};

// Compiled code the machine may run in place of instantiating a global
// function's body: a compiled run lends it to the machine it hands terms to.
class MachineHook {
public:
    virtual ~MachineHook() = default;
    // The contraction of the global function named by the leaf head, whose
    // stored term is definition, on its n arguments (values, borrowed):
    // true with *out set when compiled code gave it; false to leave it to
    // the machine. waiting: function frames are on top, and the value goes
    // to them.
    virtual bool call_global(const Node* head, Node* definition, Node* const* args, int n, bool waiting,
                             Contractum* out) = 0;
};

struct MachineContext;

// A machine context kept for a whole run, so that its tables and plans are
// made once, with the hook of a compiled run (or none). Evaluations may nest
// in it.
class MachineSession {
public:
    explicit MachineSession(MachineHook* hook);
    ~MachineSession();
    MachineSession(const MachineSession&) = delete;
    MachineSession& operator=(const MachineSession&) = delete;
    // The value of term (released), which must have no free local
    // variable, telling in aborted whether a contraction ended the
    // evaluation early (a builtin's abort result, a cycle mark, an undefined
    // name): the value is then what the rest of a run would have reduced too.
    NodeRef evaluate(NodeRef term, bool& aborted);

private:
    MachineContext* context_;
};

// The value of term (released), which must have no free local variable.
// Builds the state (I term) with a new leaf I and runs it.
NodeRef machine_evaluate(NodeRef term);

// Steps state (released) until its continuation is a leaf starting "I" and
// its focus is a value; returns that value and releases the rest.
NodeRef machine_run(NodeRef state);

// One step: pops a frame for a value in focus, pushes a frame to reduce a
// part first, or contracts a saturated redex. Releases state, returns the
// next one. A frame that is not ((B k) g) when a value is popped into it is a
// fatal assertion (each of its three tests on its own).
NodeRef machine_step(NodeRef state);

// Contracts the saturated redex in focus: calls a builtin, substitutes into a
// binder, unfolds a global name or takes a data value apart. Releases state
// and returns the next one, (CONT r) or, when the evaluation ends early,
// (I r). The focus must be not data and of arity 0 (fatal assertions). A
// focus that is not closed (a free letter that run-time loading committed)
// ends the evaluation with the leaf "]" + its lowest free letter; during the
// checker's evaluation of line marks it throws MarksOpenFocus instead.
NodeRef machine_contract(NodeRef state);

// Whether a builtin's result r ends the evaluation: (X y) with X a leaf
// beginning ")" or "]".
bool machine_result_aborts(const Node* r);
