// Runtime library: reference-counted byte strings (RtString), unbuffered
// output streams with the fatal assertion message, the rope text builder and
// the doubly linked list template. Every other component includes this file.
// The code is in string.cpp, stream.cpp (streams and the assertion message)
// and rope.cpp; the list template is whole here.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <iosfwd>
#include <string>
#include <type_traits>
#include <utility>

using u8 = unsigned char;
using i64 = int64_t;
using u64 = uint64_t;

// ---------------------------------------------------------------------------
// Fatal assertion
// ---------------------------------------------------------------------------

// Writes "ASSERTION FAILED:", the basename of file without folders and
// extension, ":", line and "\n" piecewise to descriptor 2, then aborts.
// A failure while that message is being written aborts at once, silently.
[[noreturn]] void assert_fail(const char* file, int line);

// A fatal assertion: when cond is false the process reports this source
// file's name and line on standard error and aborts.
#define VORN_ASSERT(cond)                                   \
    do {                                                    \
        if (!(cond)) [[unlikely]] assert_fail(__FILE__, __LINE__); \
    } while (0)

// ---------------------------------------------------------------------------
// Runtime strings
// ---------------------------------------------------------------------------

// The shared block behind RtString handles. bytes holds length + 1 bytes, the
// last one 0 when the block is made.
struct StringBlock {
    i64 length;
    u8* bytes;
    i64 refcount;
};

// A handle owning one reference to a string block. Copying adds a reference,
// destruction drops one; a default handle holds a new empty text. Only a
// moved-from or released handle holds no block, and it may only be assigned
// or destroyed.
struct RtString {
    StringBlock* block;

    RtString();
    explicit RtString(StringBlock* owned) : block(owned) {}
    RtString(const RtString& other);
    RtString(RtString&& other) noexcept : block(other.block) { other.block = nullptr; }
    RtString& operator=(const RtString& other);
    RtString& operator=(RtString&& other) noexcept;
    ~RtString();
};

// Constructors: each returns a new block with refcount 1.

// The empty text.
RtString string_make_empty();
// A copy of the bytes before the first NUL.
RtString string_from_cstr(const char* text);
// A copy of n bytes, NUL bytes included.
RtString string_from_bytes(const void* bytes, i64 n);
// n unset bytes followed by a 0; the caller fills them through
// string_writable_bytes before sharing the handle.
RtString string_with_length(i64 n);
// The one-byte text holding b.
RtString string_from_char(u8 b);
// A second handle to the same block (refcount + 1).
RtString string_copy(const RtString& s);
// A copy of a host string's bytes.
RtString string_from_std(const std::string& text);

// Handles and access.

// Points target at source's block: the source gains its reference before the
// target's old block is released, so self-assignment changes nothing.
void string_assign(RtString& target, const RtString& source);
// Drops s's reference (freeing the block at 0); s holds nothing afterwards.
void string_release(RtString& s);
// The number of bytes.
i64 string_length(const RtString& s);
// Read-only access to the bytes; byte length is 0.
const u8* string_bytes(const RtString& s);
// The bytes as a NUL-terminated C text (cut at any inner NUL by C readers).
const char* string_cstr(const RtString& s);
// The byte at i (0 <= i <= length; length reads the terminating 0).
u8 string_char_at(const RtString& s, i64 i);
// Writable access to byte i (same bounds); makes the block private first.
u8& string_char_ref(RtString& s, i64 i);
// Writable access to all bytes; makes the block private first.
u8* string_writable_bytes(RtString& s);
// The number of handles sharing s's block.
i64 string_refcount(const RtString& s);

// Comparison (the RtString order: unsigned bytes, a proper prefix first).

// True for the same block, or equal lengths and bytes.
bool string_equal(const RtString& a, const RtString& b);
bool string_not_equal(const RtString& a, const RtString& b);
// True when a >= b in the RtString order.
bool string_greater_equal(const RtString& a, const RtString& b);
// True when a < b in the RtString order.
bool string_less(const RtString& a, const RtString& b);
// True when s holds exactly the bytes of the C text.
bool string_equal_cstr(const RtString& s, const char* text);

// The RtString order as a comparison object for ordered containers.
struct RtStringLess {
    bool operator()(const RtString& a, const RtString& b) const { return string_less(a, b); }
};

inline bool operator==(const RtString& a, const RtString& b) { return string_equal(a, b); }

// Derived texts and tests.

// count bytes from start: asserts start >= 0, count >= 0, count <= length - start.
RtString string_substring(const RtString& s, i64 start, i64 count);
// The bytes from start to the end: asserts 0 <= start <= length.
RtString string_suffix(const RtString& s, i64 start);
// A new text: a's bytes then b's.
RtString string_concat(const RtString& a, RtString b);
// A new text: the pieces' bytes one after another.
RtString string_concat_all(std::initializer_list<RtString> pieces);
// target receives a new block: its bytes then b's.
void string_append(RtString& target, RtString b);
// A new text: the C text's bytes then s's.
RtString string_prepend_cstr(const char* text, const RtString& s);
// True when a begins with b.
bool string_starts_with(RtString a, RtString b);
// True when a ends with b.
bool string_ends_with(RtString a, RtString b);
// The last byte; asserts that s is not empty.
u8 string_last_char(RtString s);
// The first min(length, 8) bytes as a little-endian number.
u64 string_prefix_u64(RtString s);
// The bytes as a host string (for tests and host calls).
std::string string_to_std(const RtString& s);

// Prints s for test diagnostics.
void PrintTo(const RtString& s, std::ostream* os);

// ---------------------------------------------------------------------------
// Output streams
// ---------------------------------------------------------------------------

// An unbuffered output stream over one file descriptor.
struct OutStream {
    int32_t fd;
};

// Standard output (descriptor 1) and standard error (descriptor 2).
extern const OutStream out_stream;
extern const OutStream err_stream;

// Writes value as "%d" with one write call; returns the stream.
const OutStream& stream_write_int(const OutStream& stream, int32_t value);
// Writes the string's length bytes in chunks of at most 4096; releases it.
const OutStream& stream_write_string(const OutStream& stream, RtString s);
// Writes the bytes before the first NUL in chunks of at most 4096.
const OutStream& stream_write_cstr(const OutStream& stream, const char* text);

// Chained writing: stream << text << text ...
inline const OutStream& operator<<(const OutStream& stream, const char* text) {
    return stream_write_cstr(stream, text);
}
inline const OutStream& operator<<(const OutStream& stream, RtString s) {
    return stream_write_string(stream, std::move(s));
}
inline const OutStream& operator<<(const OutStream& stream, int32_t value) {
    return stream_write_int(stream, value);
}
// Other numbers would silently narrow; convert them explicitly.
template <class T>
    requires std::is_arithmetic_v<T> && (!std::is_same_v<T, int32_t>)
const OutStream& operator<<(const OutStream& stream, T value) = delete;

// ---------------------------------------------------------------------------
// Text builder
// ---------------------------------------------------------------------------

// A rope node: a leaf (no left child) holds a piece of the text; an internal
// node has both children and an empty piece that is not part of the text.
struct RopeNode {
    RtString piece;
    RopeNode* left;
    RopeNode* right;
};

// A rope is its root, or null when nothing was added.
using Rope = RopeNode*;

// Makes node a leaf holding s; returns node.
RopeNode* rope_node_init_leaf(RopeNode* node, RtString s);
// Appends s along the right edge (left subtrees stay perfect); returns the
// new root. root may be null.
Rope rope_append(Rope root, RtString s);
// Appends the one-byte text of b; slot receives the new root.
void rope_append_char(Rope& slot, u8 b);
// The number of bytes of the rope's text (0 for null).
i64 rope_length(const RopeNode* node);
// Copies the rope's text into dest's bytes from offset; returns the offset
// after the last byte copied. dest must be private and long enough.
i64 rope_copy_to(RtString& dest, const RopeNode* node, i64 offset);
// Frees the subtree: left, right, then the node's piece and the node.
void rope_node_free(RopeNode* node);
// Frees the whole rope held by slot (not null) and empties the slot.
void rope_destroy(Rope& slot);
// Flattens the rope into one new text and frees it; the slot ends null.
RtString rope_flatten(Rope& slot);

// ---------------------------------------------------------------------------
// Linked lists
// ---------------------------------------------------------------------------

template <class T>
struct ListCell {
    T value;
    ListCell* prev;
    ListCell* next;
};

// A doubly linked list without size field: head and tail are both null or
// both set. The list owns its cells and their values; cells left at its
// destruction are destroyed then.
template <class T>
struct List {
    ListCell<T>* head = nullptr;
    ListCell<T>* tail = nullptr;

    List() = default;
    List(const List&) = delete;
    List& operator=(const List&) = delete;
    List(List&& other) noexcept : head(other.head), tail(other.tail) {
        other.head = other.tail = nullptr;
    }
    ~List();
};

// Byte offsets into one text, ascending as built by the text cutters.
using PositionList = List<i64>;

// Adds v as the last cell.
template <class T>
void list_push_back(List<T>& list, T v) {
    auto* cell = new ListCell<T>{std::move(v), list.tail, nullptr};
    if (list.tail)
        list.tail->next = cell;
    else
        list.head = cell;
    list.tail = cell;
}

// Adds v as the first cell.
template <class T>
void list_push_front(List<T>& list, T v) {
    auto* cell = new ListCell<T>{std::move(v), nullptr, list.head};
    if (list.head)
        list.head->prev = cell;
    else
        list.tail = cell;
    list.head = cell;
}

// True when the list has no cell.
template <class T>
bool list_is_empty(const List<T>& list) {
    return list.head == nullptr;
}

// The first cell; asserts that the list is not empty.
template <class T>
ListCell<T>* list_front(const List<T>& list) {
    VORN_ASSERT(list.head != nullptr);
    return list.head;
}

// The last cell; asserts that the list is not empty.
template <class T>
ListCell<T>* list_back(const List<T>& list) {
    VORN_ASSERT(list.tail != nullptr);
    return list.tail;
}

// Unlinks and frees the first cell with its value; asserts non-empty.
template <class T>
void list_pop_front(List<T>& list) {
    VORN_ASSERT(list.head != nullptr);
    ListCell<T>* cell = list.head;
    list.head = cell->next;
    if (list.head)
        list.head->prev = nullptr;
    else
        list.tail = nullptr;
    delete cell;
}

// Unlinks and frees the last cell with its value; asserts non-empty.
template <class T>
void list_pop_back(List<T>& list) {
    VORN_ASSERT(list.tail != nullptr);
    ListCell<T>* cell = list.tail;
    list.tail = cell->prev;
    if (list.tail)
        list.tail->next = nullptr;
    else
        list.head = nullptr;
    delete cell;
}

// The number of cells, counted from the head.
template <class T>
i64 list_size(const List<T>& list) {
    i64 n = 0;
    for (const ListCell<T>* c = list.head; c; c = c->next) ++n;
    return n;
}

// Frees every cell from the head, destroying its value (a handle releases
// its reference); the list ends empty.
template <class T>
void list_nodes_destroy(List<T>& list) {
    while (list.head) {
        ListCell<T>* next = list.head->next;  // read before the cell goes
        delete list.head;
        list.head = next;
    }
    list.tail = nullptr;
}

// Frees every cell of a list of plain values; the list ends empty.
template <class T>
void list_plain_destroy(List<T>& list) {
    static_assert(std::is_trivially_destructible_v<T>, "plain values only");
    list_nodes_destroy(list);
}

template <class T>
List<T>::~List() {
    list_nodes_destroy(*this);
}
