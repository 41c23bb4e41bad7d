// Descriptor I/O builtins: bytes between memory and a host file descriptor,
// without a stream's buffer. The descriptor and the count are the low 32
// bits of their integers, the count unsigned; results are the host's int.
#pragma once

#include "node.h"

// read fd buf n: reads up to n bytes into buf (an integer address); the
// number read, 0 at end of file, -1 on failure (errno EINVAL for an n above
// 2^31 - 1, which no int result can count).
NodeRef builtin_read(NodeRef app);
// write fd data n: writes n bytes of the text data, NUL bytes included; the
// number written, or -1 (errno EINVAL, nothing written, for an n above
// 2^31 - 1 or past the bytes of a post or data text).
NodeRef builtin_write(NodeRef app);
