// Time and calendar builtins. A time value is a signed 64-bit count of
// seconds since 1970-01-01 00:00:00 UTC, 8 bytes in memory. A broken-down
// record is nine signed 32-bit fields at offsets 0 to 32 (seconds, minutes,
// hours, day of the month, month 0-11, years since 1900, weekday, day of
// the year, daylight-saving flag); records a program supplies are read
// field by field, and the zone is always the host's current one (TZ). A
// null address answers the failure result (0, or -1 for mktime) with errno
// EINVAL, nothing written.
#pragma once

#include "host.h"
#include "node.h"

// time p: the current time value, also stored at p when p is not 0.
NodeRef builtin_time(NodeRef app);
// time_t: 8, the size of a time value.
inline constexpr BuiltinFn builtin_time_t = builtin_constant<8>;
// ctime p: the address of the one date text buffer, holding the date text
// ("Thu Jan  1 00:00:00 1970\n") of the time value at p in local time; 0
// (errno EOVERFLOW) when the text would not fit its 26 bytes. Never touches
// the record of gmtime and localtime.
NodeRef builtin_ctime(NodeRef app);
// asctime r: the date text of the record at r in the same buffer as ctime.
NodeRef builtin_asctime(NodeRef app);
// gmtime p, localtime p: the address of the one shared record, holding the
// time value at p as UTC or as local time; 0 when it cannot be broken down.
NodeRef builtin_gmtime(NodeRef app);
NodeRef builtin_localtime(NodeRef app);
// mktime r: the time value of the local-time record at r, which is
// normalised in place with its weekday and day of the year; -1 on failure.
NodeRef builtin_mktime(NodeRef app);
// difftime a b: the real a - b for two time values.
NodeRef builtin_difftime(NodeRef app);
// strftime buf size fmt r: formats the record at r by the text fmt into the
// size bytes at buf; the bytes placed before the NUL (unsigned), 0 when the
// text and its NUL do not fit.
NodeRef builtin_strftime(NodeRef app);
