// Host library builtins on the main road: ending and checking the process,
// the environment, random numbers and error numbers; opening and closing
// streams; character and line I/O; examining C strings. Each takes the
// saturated application, releases it, and answers a new node ("Z" for a
// wrong kind of argument), following the bridge conventions of bridge.h.
#pragma once

#include <cerrno>

#include "node.h"
#include "tables.h"

// ---------------------------------------------------------------------------
// Process, environment and error numbers
// ---------------------------------------------------------------------------

// abort: ends the process abnormally at once; nothing is released or flushed.
[[noreturn]] NodeRef builtin_abort(NodeRef app);
// assert b: "I" for a leaf starting "K"; for one starting "H" the assertion
// message of source l, line 244, then an abnormal end; "Z" otherwise.
NodeRef builtin_assert(NodeRef app);
// exit s: a normal end with the exit code that the low 32 bits of the
// integer s map to; "Z" (and the run goes on) when s is not an integer.
NodeRef builtin_exit(NodeRef app);
// system c: runs the text c with /bin/sh -c and answers its exit code (128 +
// the signal when a signal ended it, -1 when no child could run); with the
// integer 0, non-zero when a shell exists.
NodeRef builtin_system(NodeRef app);
// getenv n: the address of the value of variable n in the environment, 0
// when unset; a null name gives 0 with errno EINVAL.
NodeRef builtin_getenv(NodeRef app);
// raise s: raises signal s (2, 4, 6, 8, 11, 15; 21 as SIGINT, 22 as SIGABRT)
// and answers the host's result; any other number answers -1, errno EINVAL.
NodeRef builtin_raise(NodeRef app);
// rand: the next number 0 .. 32767 of the generator seeded by srand (1 at
// start): seed = seed * 214013 + 2531011 mod 2^32, answer bits 16 to 30.
NodeRef builtin_rand(NodeRef app);
// srand s: the seed becomes the low 32 bits of s; answers "I".
NodeRef builtin_srand(NodeRef app);
// errno: the host's current error number, sign-extended.
NodeRef builtin_errno(NodeRef app);

// The integer leaf of v; releases app, the bare name of a constant.
NodeRef builtin_constant_leaf(NodeRef app, i64 v);
// A builtin of arity 0 answering the integer V.
template <int V>
NodeRef builtin_constant(NodeRef app) {
    return builtin_constant_leaf(std::move(app), V);
}

// rand_max and the error numbers that programs compare errno with.
inline constexpr BuiltinFn builtin_rand_max = builtin_constant<32767>;
inline constexpr BuiltinFn builtin_eacces = builtin_constant<EACCES>;
inline constexpr BuiltinFn builtin_ebadf = builtin_constant<EBADF>;
inline constexpr BuiltinFn builtin_econnaborted = builtin_constant<ECONNABORTED>;
inline constexpr BuiltinFn builtin_efault = builtin_constant<EFAULT>;
inline constexpr BuiltinFn builtin_eintr = builtin_constant<EINTR>;
inline constexpr BuiltinFn builtin_einval = builtin_constant<EINVAL>;
inline constexpr BuiltinFn builtin_eio = builtin_constant<EIO>;
inline constexpr BuiltinFn builtin_emfile = builtin_constant<EMFILE>;
inline constexpr BuiltinFn builtin_enfile = builtin_constant<ENFILE>;
inline constexpr BuiltinFn builtin_enodev = builtin_constant<ENODEV>;
inline constexpr BuiltinFn builtin_enomem = builtin_constant<ENOMEM>;
inline constexpr BuiltinFn builtin_enotsock = builtin_constant<ENOTSOCK>;
inline constexpr BuiltinFn builtin_enxio = builtin_constant<ENXIO>;
inline constexpr BuiltinFn builtin_eopnotsupp = builtin_constant<EOPNOTSUPP>;
inline constexpr BuiltinFn builtin_eoverflow = builtin_constant<EOVERFLOW>;
inline constexpr BuiltinFn builtin_ewouldblock = builtin_constant<EWOULDBLOCK>;

// ---------------------------------------------------------------------------
// Opening and closing streams
// ---------------------------------------------------------------------------
// A stream is the integer address of a host FILE; "0" is the null stream.
// Host failures come back as the host gives them ("0", "01"); errno holds
// the reason. A null stream (0), text (0) or mode (0) is refused without a
// host call, errno EINVAL, with the failure result of the builtin.

// fopen path mode: the new stream.
NodeRef builtin_fopen(NodeRef app);
// fdopen fd mode: a new stream over descriptor fd (low 32 bits).
NodeRef builtin_fdopen(NodeRef app);
// tmpfile: a new temporary stream.
NodeRef builtin_tmpfile(NodeRef app);
// tmpnam buf: the address of a new temporary name, in buf or (for 0) in
// the host's own buffer.
NodeRef builtin_tmpnam(NodeRef app);
// remove path: 0 on success, -1 on failure.
NodeRef builtin_remove(NodeRef app);
// rename old new: 0 on success, -1 on failure.
NodeRef builtin_rename(NodeRef app);
// setbuf stream buf: buffers the stream fully in the 512 bytes at buf, or
// not at all for 0; answers "I".
NodeRef builtin_setbuf(NodeRef app);
// fclose stream: 0 on success, -1 (EOF) on failure.
NodeRef builtin_fclose(NodeRef app);
// fileno stream: the stream's descriptor.
NodeRef builtin_fileno(NodeRef app);
// stdout, stderr: the host's standard output and error streams.
NodeRef builtin_stdout(NodeRef app);
NodeRef builtin_stderr(NodeRef app);

// ---------------------------------------------------------------------------
// Character and line stream I/O
// ---------------------------------------------------------------------------
// Bytes and lengths are taken as the host's int (low 32 bits); results that
// are the host's int are sign-extended, so EOF is "01".

// fgetc stream, getc stream, getchar: the next byte 0 .. 255, or -1.
NodeRef builtin_fgetc(NodeRef app);
NodeRef builtin_getc(NodeRef app);
NodeRef builtin_getchar(NodeRef app);
// ungetc byte stream: pushes the byte back; the byte, or -1.
NodeRef builtin_ungetc(NodeRef app);
// fgets buf length stream: reads a line into buf; buf, or 0 at the end.
NodeRef builtin_fgets(NodeRef app);
// fputc byte stream, putc byte stream, putchar byte: the byte written, or -1.
NodeRef builtin_fputc(NodeRef app);
NodeRef builtin_putc(NodeRef app);
NodeRef builtin_putchar(NodeRef app);
// fputs text stream (the text an integer address): non-negative, or -1.
NodeRef builtin_fputs(NodeRef app);
// puts text: the text and a newline on standard output; non-negative, or -1.
NodeRef builtin_puts(NodeRef app);
// perror text: "text: message\n" on standard error ("message\n" for an
// empty or null text); answers "I".
NodeRef builtin_perror(NodeRef app);

// ---------------------------------------------------------------------------
// String examination
// ---------------------------------------------------------------------------
// Texts are read up to their first NUL; the integer 0 is no text ("Z").
// Counts are unsigned byte bounds, so a negative count bounds nothing.
// Address results point into the first text's own storage.

// strlen s: the bytes before the first NUL.
NodeRef builtin_strlen(NodeRef app);
// strnlen s n: at most n.
NodeRef builtin_strnlen(NodeRef app);
// strcmp a b, strncmp a b n: -1, 0 or 1 over unsigned bytes.
NodeRef builtin_strcmp(NodeRef app);
NodeRef builtin_strncmp(NodeRef app);
// strcasecmp a b, strncasecmp a b n: the difference of the first differing
// bytes after folding A-Z to a-z; a count outside 0 .. 2^31 - 1 bounds
// nothing.
NodeRef builtin_strcasecmp(NodeRef app);
NodeRef builtin_strncasecmp(NodeRef app);
// strchr s c, strrchr s c: the address of the first / last byte equal to the
// low byte of c (the terminator for 0), or 0.
NodeRef builtin_strchr(NodeRef app);
NodeRef builtin_strrchr(NodeRef app);
// strstr s t: the address of the first t in s (s for an empty t), or 0.
NodeRef builtin_strstr(NodeRef app);
// strpbrk s set: the address of the first byte of s in set, or 0.
NodeRef builtin_strpbrk(NodeRef app);
// strspn s set: the length of the prefix of s made of bytes of set.
NodeRef builtin_strspn(NodeRef app);
