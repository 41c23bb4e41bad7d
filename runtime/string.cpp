// Runtime strings: reference-counted byte strings shared by handles and
// copied on write, their order and the texts derived from them.
#include "s.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ostream>

// A new block of n bytes plus the terminating 0, refcount 1.
static StringBlock* string_block_new(i64 n) {
    VORN_ASSERT(n >= 0);
    // n + 1 in unsigned arithmetic: at the top of the range this asks for an
    // impossible size rather than wrapping to a small one.
    size_t size = size_t(n) + 1;
    if (size == 0) size = SIZE_MAX;
    u8* bytes = static_cast<u8*>(std::malloc(size));
    VORN_ASSERT(bytes != nullptr);
    bytes[n] = 0;
    return new StringBlock{n, bytes, 1};
}

static void string_block_drop(StringBlock* block) {
    if (block && --block->refcount == 0) {
        std::free(block->bytes);
        delete block;
    }
}

// The block behind a live handle.
static StringBlock* string_block(const RtString& s) {
    VORN_ASSERT(s.block != nullptr);
    return s.block;
}

RtString::RtString() : block(string_block_new(0)) {}

RtString::RtString(const RtString& other) : block(string_block(other)) {
    ++block->refcount;
}

RtString& RtString::operator=(const RtString& other) {
    string_assign(*this, other);
    return *this;
}

RtString& RtString::operator=(RtString&& other) noexcept {
    if (this != &other) {
        string_block_drop(block);
        block = other.block;
        other.block = nullptr;
    }
    return *this;
}

RtString::~RtString() { string_block_drop(block); }

RtString string_make_empty() { return RtString(string_block_new(0)); }

RtString string_from_cstr(const char* text) {
    VORN_ASSERT(text != nullptr);
    return string_from_bytes(text, i64(std::strlen(text)));
}

RtString string_from_bytes(const void* bytes, i64 n) {
    StringBlock* block = string_block_new(n);
    if (n > 0) std::memcpy(block->bytes, bytes, size_t(n));
    return RtString(block);
}

RtString string_with_length(i64 n) { return RtString(string_block_new(n)); }

RtString string_from_char(u8 b) { return string_from_bytes(&b, 1); }

RtString string_copy(const RtString& s) { return RtString(s); }

RtString string_from_std(const std::string& text) {
    return string_from_bytes(text.data(), i64(text.size()));
}

void string_assign(RtString& target, const RtString& source) {
    StringBlock* block = string_block(source);
    ++block->refcount;  // before the release: target may be the only other holder
    string_block_drop(target.block);
    target.block = block;
}

void string_release(RtString& s) {
    string_block_drop(string_block(s));
    s.block = nullptr;
}

i64 string_length(const RtString& s) { return string_block(s)->length; }

const u8* string_bytes(const RtString& s) { return string_block(s)->bytes; }

const char* string_cstr(const RtString& s) {
    return reinterpret_cast<const char*>(string_block(s)->bytes);
}

i64 string_refcount(const RtString& s) { return string_block(s)->refcount; }

u8 string_char_at(const RtString& s, i64 i) {
    StringBlock* block = string_block(s);
    VORN_ASSERT(i >= 0);
    VORN_ASSERT(i <= block->length);
    return block->bytes[i];
}

// Gives s a block of its own when it shares one (copy on write).
static void string_make_private(RtString& s) {
    StringBlock* block = string_block(s);
    if (block->refcount == 1) return;
    StringBlock* own = string_block_new(block->length);
    if (block->length > 0) std::memcpy(own->bytes, block->bytes, size_t(block->length));
    --block->refcount;  // stays above 0: it was shared
    s.block = own;
}

u8& string_char_ref(RtString& s, i64 i) {
    VORN_ASSERT(i >= 0);
    VORN_ASSERT(i <= string_block(s)->length);
    string_make_private(s);
    return s.block->bytes[i];
}

u8* string_writable_bytes(RtString& s) {
    string_make_private(s);
    return s.block->bytes;
}

bool string_equal(const RtString& a, const RtString& b) {
    const StringBlock* x = string_block(a);
    const StringBlock* y = string_block(b);
    if (x == y) return true;
    return x->length == y->length && std::memcmp(x->bytes, y->bytes, size_t(x->length)) == 0;
}

bool string_not_equal(const RtString& a, const RtString& b) { return !string_equal(a, b); }

// -1, 0 or +1 as a sorts before, with or after b.
static int string_order(const RtString& a, const RtString& b) {
    const StringBlock* x = string_block(a);
    const StringBlock* y = string_block(b);
    if (x == y) return 0;
    i64 common = x->length < y->length ? x->length : y->length;
    int c = common > 0 ? std::memcmp(x->bytes, y->bytes, size_t(common)) : 0;  // unsigned bytes
    if (c != 0) return c < 0 ? -1 : 1;
    if (x->length == y->length) return 0;
    return x->length < y->length ? -1 : 1;
}

bool string_greater_equal(const RtString& a, const RtString& b) { return string_order(a, b) >= 0; }

bool string_less(const RtString& a, const RtString& b) { return !string_greater_equal(a, b); }

bool string_equal_cstr(const RtString& s, const char* text) {
    size_t n = std::strlen(text);
    const StringBlock* block = string_block(s);
    return block->length == i64(n) && std::memcmp(block->bytes, text, n) == 0;
}

RtString string_substring(const RtString& s, i64 start, i64 count) {
    const StringBlock* block = string_block(s);
    VORN_ASSERT(start >= 0);
    VORN_ASSERT(count >= 0);
    VORN_ASSERT(count <= block->length - start);  // start + count could overflow
    return string_from_bytes(block->bytes + start, count);
}

RtString string_suffix(const RtString& s, i64 start) {
    const StringBlock* block = string_block(s);
    VORN_ASSERT(start >= 0);
    VORN_ASSERT(start <= block->length);
    return string_from_bytes(block->bytes + start, block->length - start);
}

// A new block holding n1 bytes of p1 then n2 bytes of p2.
static RtString string_join(const u8* p1, i64 n1, const u8* p2, i64 n2) {
    StringBlock* block = string_block_new(n1 + n2);
    if (n1 > 0) std::memcpy(block->bytes, p1, size_t(n1));
    if (n2 > 0) std::memcpy(block->bytes + n1, p2, size_t(n2));
    return RtString(block);
}

RtString string_concat(const RtString& a, RtString b) {
    return string_join(string_bytes(a), string_length(a), string_bytes(b), string_length(b));
}

RtString string_concat_all(std::initializer_list<RtString> pieces) {
    RtString out = string_make_empty();
    for (const RtString& piece : pieces) string_append(out, string_copy(piece));
    return out;
}

void string_append(RtString& target, RtString b) {
    RtString joined = string_join(string_bytes(target), string_length(target), string_bytes(b), string_length(b));
    target = std::move(joined);  // the old block goes first, b on return
}

RtString string_prepend_cstr(const char* text, const RtString& s) {
    return string_join(reinterpret_cast<const u8*>(text), i64(std::strlen(text)),
                       string_bytes(s), string_length(s));
}

bool string_starts_with(RtString a, RtString b) {
    i64 m = string_length(a) < string_length(b) ? string_length(a) : string_length(b);
    return string_equal(string_substring(a, 0, m), b);
}

bool string_ends_with(RtString a, RtString b) {
    i64 na = string_length(a), nb = string_length(b);
    if (nb > na) return false;
    return string_equal(string_substring(a, na - nb, nb), b);
}

u8 string_last_char(RtString s) {
    VORN_ASSERT(string_length(s) > 0);
    return string_char_at(s, string_length(s) - 1);
}

u64 string_prefix_u64(RtString s) {
    i64 n = string_length(s) < 8 ? string_length(s) : 8;
    u64 v = 0;
    for (i64 k = 0; k < n; ++k) v |= u64(string_bytes(s)[k]) << (8 * k);
    return v;
}

std::string string_to_std(const RtString& s) {
    return std::string(string_cstr(s), size_t(string_length(s)));
}

void PrintTo(const RtString& s, std::ostream* os) {
    *os << '"';
    for (i64 i = 0; i < string_length(s); ++i) {
        u8 b = string_bytes(s)[i];
        if (b == '"' || b == '\\') {
            *os << '\\' << char(b);
        } else if (b >= 0x20 && b < 0x7F) {
            *os << char(b);
        } else {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", b);
            *os << hex;
        }
    }
    *os << '"';
}
