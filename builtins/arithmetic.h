// Arithmetic builtins: the coercion frame that plus, dash, mult, over, cent
// and powa share (classify both arguments, give the builtin its own kind
// pairs, compute numbers of one kind in that kind, bring mixed numbers to a
// numb or a real, answer Z for the rest) and the six builtins on top of it.
#pragma once

#include "node.h"
#include "values.h"

// What one arithmetic builtin brings to the frame. Every operation takes its
// handles by value; a null operation answers Z for its kind pair.
struct ArithSpec {
    // Its own kind pairs, tested right after the void test: returns true and
    // sets *out when it takes the pair (a, b).
    bool (*own_cases)(const NodeRef& a, const NodeRef& b, ValueKind ka, ValueKind kb, NodeRef* out);
    // The operations on two numbers of one kind.
    double (*real_op)(double a, double b);
    NodeRef (*hint_op)(NodeRef a, NodeRef b);
    NodeRef (*numb_op)(NodeRef a, NodeRef b);
    // Its rule for two posts, two zits, two crays.
    NodeRef (*post_op)(NodeRef a, NodeRef b);
    NodeRef (*zits_op)(NodeRef a, NodeRef b);
    NodeRef (*cray_op)(NodeRef a, NodeRef b);
    // A post or zits beside another kind (only plus has one).
    NodeRef (*text_mix_op)(NodeRef a, NodeRef b);
    // Mixed numbers: a hint with a numb goes to the numb path when true, to
    // the real path when false; a real always goes to the real path.
    bool numb_first;
};

// Runs the frame on the saturated application ((name a) b) (released): void
// test, own cases, same kind, mixed kinds. A number list that cannot be read
// counts as no number at all (Z), and so does a cray on the real or numb
// path. Returns one new node.
NodeRef arith_frame(NodeRef app, const ArithSpec& spec);

// The two arguments of a two-argument application: a, the right child of its
// left child, and b, its right child.
void arith_arguments(const NodeRef& app, NodeRef* a, NodeRef* b);

// Reads a digit leaf of at most 18 digits (after the sign mark) that is an
// integer, the form of nearly every integer a program computes with, into
// *out; false for any other term. Arithmetic on two such leaves cannot leave
// the 64-bit range, so the builtins take a short way that gives the same
// leaves as the exact kernels.
bool arith_small_integer(const Node* t, i64* out);

// plus: numbers added in their common kind (exact for hints and numbs), two
// crays joined (Z past 67,108,863 elements), and texts joined in argument
// order when a post or zits takes part (a post when either is a post).
NodeRef builtin_plus(NodeRef app);

// dash: numbers subtracted in their common kind; a post, zits or cray minus a
// hint n drops |n| bytes or slots (Z past its length, or for a zits whose
// kept bytes do not balance); two zits make their data pair.
NodeRef builtin_dash(NodeRef app);

// mult: numbers multiplied in their common kind; a post, zits or cray with a
// hint n, in either order, repeated n times (Z for n < 0, past 2^34 bytes or
// past 67,108,863 slots, and when memory runs out).
NodeRef builtin_mult(NodeRef app);

// over: the floor quotient of two hints (Z for a zero divisor), a real
// quotient for every other mix of numbers, Z for two numbs; a cray first
// gets b as its new last element (Z when full).
NodeRef builtin_over(NodeRef app);

// cent: remainders of hints and numbs, never negative (Z for a zero
// divisor), fmod for reals; a cray second gets a as its new first element
// (Z when full).
NodeRef builtin_cent(NodeRef app);

// powa: exact hint powers, exact numb powers of a hint exponent, pow for
// every other mix of numbers, Z for two numbs; a cray first gets b as its new
// last element. Z for a power past 2^37 bits and when memory runs out.
NodeRef builtin_powa(NodeRef app);
