// Memory block builtins: heap blocks from the host allocator and the byte
// range operations over them. Every argument is an integer (an address, a
// size, a count or a byte value); a wrong kind answers "Z" and touches
// nothing. So does the address 0 for a range of one byte or more: it names
// no memory. A count of 0 reads no address.
#pragma once

#include "node.h"

// malloc n: the address of a new block of n bytes; 0 when the heap cannot
// supply it (n of 2^63 or more, a negative n included; errno ENOMEM).
NodeRef builtin_malloc(NodeRef app);
// calloc count size: a new zero-filled block of count * size bytes; 0 when
// the product overflows or the heap cannot supply it.
NodeRef builtin_calloc(NodeRef app);
// realloc p n: the address of the block p resized to n bytes (a new block
// for p = 0); 0 on failure, with p's block unchanged. A size of 0 is asked
// as 1, so 0 always means failure.
NodeRef builtin_realloc(NodeRef app);
// free p: releases the block at p (nothing for 0); answers "I".
NodeRef builtin_free(NodeRef app);
// bzero p n: fills n bytes at p with 0 and answers "I"; a count of 0 uses
// nothing, a negative count answers "Z".
NodeRef builtin_bzero(NodeRef app);
// memset p c n: fills n bytes at p with the low byte of c; answers p as
// given.
NodeRef builtin_memset(NodeRef app);
// memcpy d s n, memmove d s n: copies n bytes from s to d, overlapping
// ranges included; answers d as given.
NodeRef builtin_memcpy(NodeRef app);
// memchr p c n: the address of the first of n bytes at p equal to the low
// byte of c, or 0.
NodeRef builtin_memchr(NodeRef app);
// memcmp a b n: negative, 0 or positive as the first differing byte
// (unsigned) of n bytes of a is below, equal to or above that of b.
NodeRef builtin_memcmp(NodeRef app);
