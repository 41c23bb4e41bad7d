// The directory layer: directory streams that list a directory by name,
// one entry record per readdir. At opendir the layer takes a snapshot of the
// names: ".", ".." first, then the others in byte order (a shorter prefix
// first). Successful calls and the end of a listing leave errno as it was.
//
// DirEntry, 296 bytes, little-endian:
//   0 d_ino (4, always 0), 4 d_off (4: the hash of the next entry's name, or
//   0x7FFFFFFF on the last entry), 8 d_reclen (2, 296), 10 padding (6, never
//   written), 16 d_namlen (8), 24 d_type (4: 0x4000 directory, 0x8000
//   regular or other file, 0x2000 device, 0xC000 symbolic link), 28 d_name
//   (261, NUL-terminated), 289 padding (7, never written).
// DirStream, 304 bytes from malloc: the entry at 0, so readdir answers the
// stream's own address, and the search pointer at 296.
#pragma once

#include <cstdint>

#include "host.h"
#include "node.h"

inline constexpr int DIR_ENTRY_SIZE = 296;
inline constexpr int DIR_STREAM_SIZE = 304;
inline constexpr int DIR_SEARCH_OFFSET = 296;
inline constexpr int DIR_NAME_OFFSET = 28;
// The longest name opendir accepts, in bytes.
inline constexpr int DIR_PATH_LIMIT = 260;
// d_off of the last entry.
inline constexpr uint32_t DIR_LAST_OFFSET = 0x7FFFFFFF;

// The d_off of an entry followed by the entry named by the n bytes: h = 5381,
// h = h * 33 + byte (unsigned, modulo 2^32) over the bytes, bit 31 cleared.
uint32_t dir_name_hash(const char* name, size_t n);

// opendir name: the address of a new directory stream; 0 with errno 2 for a
// null or empty name or one not found, 34 for a name longer than 260 bytes,
// 13 when access is denied, 20 when it is not a directory.
NodeRef builtin_opendir(NodeRef app);
// readdir s: fills the stream's entry with the next name and answers its
// address; 0 after the last (errno untouched, for ever after), 0 with errno
// 9 for s = 0 or a stream without a search.
NodeRef builtin_readdir(NodeRef app);
// closedir s: frees the stream and its search; 0, or -1 with errno 9 for
// s = 0 or a stream without a search (which is still freed).
NodeRef builtin_closedir(NodeRef app);
// dirent: 296, the size of an entry.
inline constexpr BuiltinFn builtin_dirent = builtin_constant<DIR_ENTRY_SIZE>;
