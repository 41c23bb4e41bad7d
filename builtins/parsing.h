// Number parsing and absolute value builtins. Texts are parsed in the "C"
// locale; the integer parsers give the values of a 32-bit long, clamping at
// -2^31 and 2^31 - 1 with errno ERANGE. A null text (the integer 0) gives 0
// with errno EINVAL. An end address (0 for none) receives 8 bytes: the
// address of the first byte not parsed, the text's own when nothing was.
#pragma once

#include "node.h"

// atof s: the double at the start of s (0.0 for none).
NodeRef builtin_atof(NodeRef app);
// atoi s (also atol): the integer at the start of s in base 10.
NodeRef builtin_atoi(NodeRef app);
// strtod s end: the double at the start of s.
NodeRef builtin_strtod(NodeRef app);
// strtol s end base: the integer at the start of s in the base (the low 32
// bits; 0 reads a 0x or 0 prefix); a base outside 0 and 2 .. 36 gives 0 with
// errno EINVAL.
NodeRef builtin_strtol(NodeRef app);
// strtoul s end base: as strtol, the result shown as unsigned 64 bits
// ("-1" gives 18446744073709551615).
NodeRef builtin_strtoul(NodeRef app);
// abs v: |v| in 64-bit two's complement (the most negative value stays).
NodeRef builtin_abs(NodeRef app);
// labs v: |w| for w the low 32 bits as a signed int (-2^31 stays).
NodeRef builtin_labs(NodeRef app);
