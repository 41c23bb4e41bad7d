// Integer arithmetic: sums, differences, products, floor division,
// remainder and power of two integers of any size. Results are new
// canonical digit leaves whatever form the arguments had.
#pragma once

#include "integer.h"

// a + b.
NodeRef integer_add(NodeRef a, NodeRef b);

// a - b.
NodeRef integer_subtract(NodeRef a, NodeRef b);

// a * b; the leaf comes with its tag already computed (arity 1).
NodeRef integer_multiply(NodeRef a, NodeRef b);

// floor(a / b); the leaf Z when b is zero.
NodeRef integer_divide(NodeRef a, NodeRef b);

// floor(a / b) when floor, else ceil(a / b), for naturals a and b (a fatal
// assertion otherwise); the leaf K when b is zero.
NodeRef natural_divide(bool floor, NodeRef a, NodeRef b);

// |a - b * floor(a / b)|, never negative and below |b|; the leaf Z when b is
// zero.
NodeRef integer_remainder(NodeRef a, NodeRef b);

// a^e for e >= 1, "1" for e = 0 (0^0 too), "0" for e < 0.
NodeRef integer_power(NodeRef a, NodeRef e);
