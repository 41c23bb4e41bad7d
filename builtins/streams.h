// Host streams as arguments, and the block I/O, positioning and state
// builtins over them. A stream is the integer address of a host FILE; the
// null stream (0) and a null address in a text or buffer place are refused
// without a host call, errno EINVAL, with the builtin's failure result.
#pragma once

#include <cstdio>

#include "bridge.h"

// The stream argument k, or null after setting errno to EINVAL: the host
// library would crash on a null stream where the bridge promises the host's
// failure result instead.
FILE* stream_arg(const BridgeCall& call, int k);

// The address argument k (a text or a buffer) as a C pointer, or null after
// setting errno to EINVAL.
const char* stream_text_arg(const BridgeCall& call, int k);

// fread buf size count stream: reads up to count elements of size bytes
// into buf; the number of whole elements read, unsigned. 0 with errno
// EINVAL when size * count exceeds 2^63 - 1.
NodeRef builtin_fread(NodeRef app);
// fwrite data size count stream (size and count natural): writes count
// elements of size bytes from the text data; the number of whole elements
// written. 0 with errno EINVAL, nothing written, when size * count exceeds
// 2^63 - 1 or the bytes of a post or data text.
NodeRef builtin_fwrite(NodeRef app);
// fseek stream offset whence: moves to the low 32 bits of offset (signed)
// from the start (0), the position (1) or the end (2); 0, or -1.
NodeRef builtin_fseek(NodeRef app);
// ftell stream: the position; -1 on failure, and with errno EOVERFLOW for a
// position above 2^31 - 1.
NodeRef builtin_ftell(NodeRef app);
// fgetpos stream rec: stores the position as 8 bytes at rec; 0, or -1.
NodeRef builtin_fgetpos(NodeRef app);
// fsetpos stream rec: moves to the 8-byte position at rec (from the start),
// clearing end of file; 0, or -1.
NodeRef builtin_fsetpos(NodeRef app);
// rewind stream: to the start, both indicators cleared; "I".
NodeRef builtin_rewind(NodeRef app);
// feof stream, ferror stream: 1 when the indicator is set, else 0.
NodeRef builtin_feof(NodeRef app);
NodeRef builtin_ferror(NodeRef app);
// clearerr stream: clears both indicators; "I".
NodeRef builtin_clearerr(NodeRef app);
// fflush stream: writes out the stream's buffer (every stream's for 0);
// 0, or -1.
NodeRef builtin_fflush(NodeRef app);
