// Character tables and bracket names.
#include "glyph.h"

#include <array>

#include "fail.h"

// ---------------------------------------------------------------------------
// Digits and operator character sets
// ---------------------------------------------------------------------------

namespace {

// Membership of every byte in one NUL-terminated character set.
using ByteSet = std::array<bool, 256>;

constexpr ByteSet byte_set_of(const char* chars) {
    ByteSet set{};
    for (const char* p = chars; *p; ++p) set[u8(*p)] = true;
    return set;
}

constexpr ByteSet INFIX_SET = byte_set_of(INFIX_OPERATOR_CHARS);
constexpr ByteSet PREFIX_SET = byte_set_of(PREFIX_OPERATOR_CHARS);
constexpr ByteSet ADJACENCY_SET = byte_set_of(ADJACENCY_BREAK_CHARS);
constexpr ByteSet OPERATOR_NAME_SET = byte_set_of(OPERATOR_NAME_CHARS);

// Digit values by byte, -1 outside the alphabet.
constexpr std::array<int, 256> DIGIT64_VALUES = [] {
    std::array<int, 256> values{};
    values.fill(-1);
    for (int v = 0; v < 64; ++v) values[u8(DIGIT64_ALPHABET[v])] = v;
    return values;
}();

}  // namespace

int digit64_value(u8 c) {
    int v = DIGIT64_VALUES[c];
    VORN_ASSERT(v >= 0);
    return v;
}

bool char_is_operator(u8 c) { return INFIX_SET[c]; }
bool char_is_prefix_operator(u8 c) { return PREFIX_SET[c]; }
bool char_is_adjacency_break(u8 c) { return ADJACENCY_SET[c]; }
bool char_is_operator_name(u8 c) { return OPERATOR_NAME_SET[c]; }

// ---------------------------------------------------------------------------
// Glyph coding
// ---------------------------------------------------------------------------

// Class digit of each glyph pair: 0..52 control, 53..144 plain, 145..238 high,
// 239..245 control, 246..247 plain, 248..255 control.
const char BYTE_GLYPH_CLASSES[] =
    "2222222222222222222222222222222222222222222222222222233333333333"
    "3333333333333333333333333333333333333333333333333333333333333333"
    "3333333333333333311111111111111111111111111111111111111111111111"
    "1111111111111111111111111111111111111111111111122222223322222222";

const char BYTE_GLYPH_CHARS[] =
    "0123456789"                    // 0..9, control
    "ABCDEFGHIJKLMNOPQRUSTVWZXY"    // 10..35, control
    "~!@#$%^&*<>-|+/="              // 36..51, control
    "_"                             // 52, control
    "_abcdefghijklmnopqrustvwzxy"   // 53..79, plain
    "0123456789"                    // 80..89, plain
    "ABCDEFGHIJKLMNOPQRUSTVWZXY"    // 90..115, plain
    "~!@#$%^&*<>-|+/="              // 116..131, plain
    "\\.`'\":;?"                    // 132..139, plain
    "(){},"                         // 140..144, plain
    "_abcdefghijklmnopqrustvwzxy"   // 145..171, high
    "0123456789"                    // 172..181, high
    "ABCDEFGHIJKLMNOPQRUSTVWZXY"    // 182..207, high
    "~!@#$%^&*<>-|+/="              // 208..223, high
    "\\.`'\":;?"                    // 224..231, high
    "(){},"                         // 232..236, high
    "[]"                            // 237..238, high
    "[]"                            // 239..240, control
    "(){},"                         // 241..245, control
    "[]"                            // 246..247, plain
    "\\.`'\":;?";                   // 248..255, control

static_assert(sizeof BYTE_GLYPH_CLASSES == 257 && sizeof BYTE_GLYPH_CHARS == 257);

namespace {

// The control table: byte of each class-2 character, -1 where none.
constexpr std::array<int, 256> CONTROL_CODES = [] {
    std::array<int, 256> codes{};
    codes.fill(-1);
    auto run = [&codes](const char* chars, int first) {
        for (const char* p = chars; *p; ++p) codes[u8(*p)] = first++;
    };
    codes['J'] = 0x00;
    run("ABCDEFGHI", 0x01);
    codes[','] = 0x0A;
    run("KLMNOPQRSTUVWXYZ", 0x0B);
    run("(){}[", 0x1B);
    codes['_'] = 0x20;
    codes['~'] = 0x7F;
    run("!@#$%^&*<>-", 0x80);
    run("|+/=", 0x8B);
    run("\\.`'\":;?", 0x8F);
    run("0123456789", 0x97);
    codes[']'] = 0xFF;
    return codes;
}();

// The glyph pair index of every byte, built once from the two strings.
struct GlyphIndex {
    std::array<int, 256> pair_of_byte;

    GlyphIndex() {
        pair_of_byte.fill(-1);
        for (int i = 0; i < 256; ++i) {
            u8 b = char_to_code(BYTE_GLYPH_CLASSES[i] - '0', u8(BYTE_GLYPH_CHARS[i]));
            VORN_ASSERT(pair_of_byte[b] < 0);  // the pairs name every byte once
            pair_of_byte[b] = i;
        }
    }
};

}  // namespace

u8 char_to_code(int glyph_class, u8 c) {
    if (c == ' ' || c == '\n' || glyph_class == GLYPH_PLAIN) return c;
    if (glyph_class == GLYPH_HIGH) return u8(c - 128);
    if (c >= 'a' && c <= 'z') c = u8(c - 'a' + 'A');
    int code = CONTROL_CODES[c];
    if (code < 0) redv_fail(string_from_cstr("nopqchar"));
    return u8(code);
}

int glyph_pair_of_byte(u8 b) {
    static const GlyphIndex index;
    return index.pair_of_byte[b];
}

u64 u64_isqrt(u64 n) {
    // Bit by bit from the top: exact for every 64-bit n.
    u64 root = 0;
    u64 bit = u64(1) << 62;
    while (bit > n) bit >>= 2;
    while (bit != 0) {
        if (n >= root + bit) {
            n -= root + bit;
            root = (root >> 1) + bit;
        } else {
            root >>= 1;
        }
        bit >>= 2;
    }
    return root;
}

// ---------------------------------------------------------------------------
// Bracket names
// ---------------------------------------------------------------------------

RtString bracket_name_from_number(u64 n) {
    if (n == 0) return string_from_cstr("[]");
    VORN_ASSERT(n < 677);
    u64 a = u64_isqrt(n - 1);
    u64 r = n - 1 - a * a;
    u64 x = r % 2 == 0 ? r / 2 : a;
    u64 y = r % 2 == 0 ? a : (r - 1) / 2;
    RtString head = string_prepend_cstr("[", bracket_name_from_number(x));
    RtString rest = bracket_name_from_number(y);
    return string_concat(head, string_suffix(rest, 1));
}

TextMap& bracket_char_table() {
    static TextMap char_names;
    if (char_names.empty()) {
        // Pair i's byte and the name numbered 145 + i, in both directions.
        for (int i = 0; i < 256; ++i) {
            u8 b = char_to_code(BYTE_GLYPH_CLASSES[i] - '0', u8(BYTE_GLYPH_CHARS[i]));
            if (b == '[' || b == ']') continue;
            RtString name = bracket_name_from_number(u64(145 + i));
            map_text_get_or_insert(char_names, string_copy(name)) = string_from_char(b);
            map_text_get_or_insert(char_names, string_from_char(b)) = name;
        }
    }
    return char_names;
}

const RtString* char_names_find(const RtString& key) {
    TextMap& names = bracket_char_table();
    auto it = map_find(names, string_copy(key));
    return it == names.end() ? nullptr : &it->second;
}

i64 bracket_name_last_index(RtString t) {
    VORN_ASSERT(!string_equal_cstr(t, "[]"));
    i64 i = string_length(t) - 2;  // the byte before the final ']'
    if (i < 1) return -1;
    const u8* bytes = string_bytes(t);
    if (bytes[i] == '[') return -1;  // a stray opener cannot end an element
    if (bytes[i] != ']') return i;
    // Walk back to the '[' that opens the last group, never past index 1:
    // in-place writes can leave the brackets unbalanced.
    i64 depth = 1;
    while (i > 1) {
        --i;
        if (bytes[i] == ']') ++depth;
        else if (bytes[i] == '[' && --depth == 0) return i;
    }
    return -1;
}

RtString bracket_name_drop_last(RtString t) {
    i64 last = bracket_name_last_index(string_copy(t));
    if (last < 0) return string_make_empty();
    return string_concat(string_substring(t, 0, last), string_from_cstr("]"));
}

RtString bracket_name_last(RtString t) {
    i64 last = bracket_name_last_index(string_copy(t));
    if (last < 0) return string_make_empty();
    RtString element = string_substring(t, last, string_length(t) - 1 - last);
    if (string_char_at(element, 0) == '[') return element;
    const RtString* name = char_names_find(element);
    VORN_ASSERT(name != nullptr);  // every byte but the brackets has a name
    return *name;
}

RtString bracket_name_append(RtString t, RtString e) {
    VORN_ASSERT(string_length(t) > 0);
    if (const RtString* byte = char_names_find(e)) e = *byte;
    RtString open = string_substring(t, 0, string_length(t) - 1);
    return string_concat(string_concat(open, std::move(e)), string_from_cstr("]"));
}
