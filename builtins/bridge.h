// Host library bridge conventions: taking a builtin's arguments off its
// saturated application, testing them by argument class and converting them
// to C values, and making result terms. Every host-library builtin and the
// memory accessors go through here.
#pragma once

#include <cerrno>
#include <cstdint>

#include "node.h"

// The argument classes, one letter each; a builtin spells its arguments as a
// string of these letters in argument order ("TI" for strchr).
//   I integer: term_is_integer and readable; C value its i64, low bits for
//     narrower host parameters.
//   T text: value kind post, hint or zits; C value the address of the text
//     (payload, "[" of the data leaf, or the integer taken as an address).
//   R real: a leaf whose first byte is a blank; C value its double.
//   N natural: term_is_natural and readable; C value its i64.
//   U number: term_is_number and readable; C value from integer_to_u64 (the
//     absolute value of an integer). Used by the unchecked accessors.
inline constexpr char BRIDGE_INTEGER = 'I';
inline constexpr char BRIDGE_TEXT = 'T';
inline constexpr char BRIDGE_REAL = 'R';
inline constexpr char BRIDGE_NATURAL = 'N';
inline constexpr char BRIDGE_NUMBER = 'U';

// The most arguments a builtin takes.
inline constexpr int BRIDGE_MAX_ARGS = 7;

// One builtin call: the application and a handle on each argument, with the C
// values once converted. It holds them until it goes out of scope, so text
// addresses stay valid for the host call and the handles are released on
// every path. A data pair in a text place is flattened into kept[k] (or
// given its pinned copy), which is held as long as the call (or pinned, see
// bridge_pin_text).
struct BridgeCall {
    NodeRef app{nullptr};
    int count = 0;
    NodeRef arg[BRIDGE_MAX_ARGS]{nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr};
    NodeRef kept[BRIDGE_MAX_ARGS]{nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr};
    u64 word[BRIDGE_MAX_ARGS] = {};
    double real[BRIDGE_MAX_ARGS] = {};
    // The bytes a text argument holds from its address on: the payload of a
    // post, the whole text of a data leaf or of the flattened data pair; -1
    // for an integer address, whose extent only the program knows.
    i64 text_length[BRIDGE_MAX_ARGS] = {-1, -1, -1, -1, -1, -1, -1};
};

// Takes the arguments of app (strlen(classes) of them, a1 first) into call,
// which keeps app. Tests them in argument order against their classes; at the
// first failure returns false with the later arguments untested and nothing
// converted. Otherwise converts every argument and returns true.
bool bridge_take(BridgeCall& call, NodeRef app, const char* classes);

// Puts into out[0..n) new handles on the n arguments of app, a1 first: ak is
// the right child of the pair n - k steps down the left spine. n = 0 reads
// nothing.
void bridge_arguments(const NodeRef& app, int n, NodeRef* out);

// True when the argument passes the test of the class (one of the letters
// above); the handle is borrowed.
bool bridge_test(char cls, const NodeRef& arg);

// The C value of argument k (0-based) as the host's int: its low 32 bits.
inline int bridge_int(const BridgeCall& call, int k) { return int(uint32_t(call.word[k])); }
// The C value of argument k as a signed 64-bit value.
inline i64 bridge_i64(const BridgeCall& call, int k) { return i64(call.word[k]); }
// The C value of argument k as a pointer.
template <class T = char>
T* bridge_pointer(const BridgeCall& call, int k) {
    return reinterpret_cast<T*>(uintptr_t(call.word[k]));
}
// Argument k as a pointer the call cannot do without: null (the program gave
// 0) sets errno to EINVAL, and the builtin answers its failure result.
template <class T = char>
T* bridge_required_pointer(const BridgeCall& call, int k) {
    T* p = bridge_pointer<T>(call, k);
    if (!p) errno = EINVAL;
    return p;
}

// True when count bytes may be read from text argument k: always for an
// integer address (the program answers for it), else when count is at most
// the bytes the post or data text holds. Otherwise false with errno EINVAL,
// and the builtin answers its failure result having read nothing.
bool bridge_text_holds(const BridgeCall& call, int k, u64 count);

// Keeps the flattened data leaf behind text argument k (if any) alive for
// results that point into it, for as long as the program holds the data
// pair it came from (the pin holds the pair; once nothing else does, a
// later pin sweeps both away). A pair converted again while pinned, with
// the same text, is handed to the host as the pinned copy, so one live pair
// keeps one copy however often it is searched or parsed.
void bridge_pin_text(BridgeCall& call, int k);

// The number of flattened data leaves kept by bridge_pin_text.
i64 bridge_pinned_count();

// Result classes; each makes a new leaf.

// "Z", the answer to a wrong kind of argument: the one way every builtin
// family makes it.
NodeRef bridge_error();
// "I", for host functions that return nothing.
NodeRef bridge_unit();
// "K" for true, "H" for false.
NodeRef bridge_truth(bool value);
// The integer leaf of a signed value (narrower signed results sign-extend
// on the way in: -1 gives "01").
NodeRef bridge_signed(i64 value);
// The integer leaf of an unsigned 64-bit value, never negative.
NodeRef bridge_unsigned(u64 value);
// The integer leaf of an address, taken whole; null gives "0".
NodeRef bridge_address(const void* p);
// The real leaf of a double.
NodeRef bridge_real(double value);
