// Run-time loading: builtins load and road take program text while a program
// runs, run it through the front end's stages on a unit of its own, add the
// surviving definitions to `definitions` and `wrapped_names`, and answer the
// value of the text's main piece. load answers Z for a text it refuses; road
// answers the error term of a report, which ends the evaluation around it.
#pragma once

#include "node.h"

// The most load and road calls that may be in progress at once (each nested
// one adds a machine run to the C stack); a call beyond answers Z at once.
inline constexpr int LOADER_NESTING_LIMIT = 10000;
// The C stack a call needs left below it to be admitted: room for its own
// stages and its main piece's evaluation with every builtin it may call
// (a few kilobytes a level, tens in all), and for the nested calls that
// stop there. A call with less answers Z at once, as one beyond the limit.
inline constexpr size_t LOADER_STACK_RESERVE = size_t(1) << 20;

// load a: the text of a (a byte string's payload, a data text's content, the
// C string at an integer's address, the empty text for an array) loaded and
// its main piece's value, returned unchanged. Z for any other argument, for
// the address 0, beyond the nesting limit or the stack's room and for every
// text it refuses.
// Releases app.
NodeRef builtin_load(NodeRef app);

// road a: as load, but a refused text answers the error term of a report
// naming the fault ("match", "comma", "lower", "built", "roads", "alive",
// "place", "arity", "funky", "local"), way holding the text shortened ("yes"
// for "match"). Z only for an argument load answers Z before reading it.
// Releases app.
NodeRef builtin_road(NodeRef app);
