// String building builtins: copying, joining, duplicating and tokenising
// NUL-terminated strings in memory the program names by integer addresses.
// Texts (post, hint, zits) are only read. A null destination, source,
// delimiter set or context cell answers 0 with errno EINVAL, nothing
// written. Copies measure the source first, so overlapping ranges copy as
// memmove does.
#pragma once

#include "node.h"

// strcpy d s: copies s and its NUL to d; answers d as given.
NodeRef builtin_strcpy(NodeRef app);
// strncpy d s n (s an integer address): copies at most n bytes of s and
// NUL-fills the rest of the n; answers d. n of 2^63 or more answers 0 with
// errno EINVAL.
NodeRef builtin_strncpy(NodeRef app);
// strcat d s: appends s and its NUL at d's first NUL; answers d.
NodeRef builtin_strcat(NodeRef app);
// strncat d s n: appends at most n bytes of s, then a NUL; answers d.
NodeRef builtin_strncat(NodeRef app);
// strdup s: a new heap block of s's bytes and a NUL (for free); 0 for the
// integer 0 or when the heap cannot supply it.
NodeRef builtin_strdup(NodeRef app);
// strerror e: the address of the one message buffer, rewritten with the
// host's message for the low 32 bits of e ("Unknown error 999").
NodeRef builtin_strerror(NodeRef app);
// strtok s delims: the next token of s, or of the one process-wide saved
// position when s is 0; 0 when none is left. The delimiter after a token
// becomes NUL.
NodeRef builtin_strtok(NodeRef app);
// strtok_r s delims ctx: as strtok, with the position kept in the 8-byte
// cell at ctx.
NodeRef builtin_strtok_r(NodeRef app);
