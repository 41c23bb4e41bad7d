// Structure layout text.
#include "layout.h"

#include "real.h"

// The index of the first byte c at or after from in s, or the length.
static i64 find_byte(const RtString& s, u8 c, i64 from) {
    i64 n = string_length(s);
    while (from < n && string_char_at(s, from) != c) ++from;
    return from;
}

// The decimal number written in s from start up to end.
static i64 read_decimal(const RtString& s, i64 start, i64 end) {
    i64 value = 0;
    for (i64 i = start; i < end; ++i) value = value * 10 + (string_char_at(s, i) - '0');
    return value;
}

// "[" + name + "[" + size + "]]"; a padding entry has an empty name.
static RtString layout_entry(const char* name, i64 size) {
    RtString entry = string_concat(string_from_cstr("["), string_from_cstr(name));
    string_append(entry, string_from_cstr("["));
    string_append(entry, i64_to_text(size));
    string_append(entry, string_from_cstr("]]"));
    return entry;
}

RtString layout_insert_field(i64 size, i64 offset, RtString name, RtString structure) {
    i64 at = find_byte(structure, '[', 1);  // the first entry, after the name
    i64 running = 0;
    for (;;) {
        if (string_char_at(structure, at) != '[') return string_from_cstr("69");
        i64 size_open = find_byte(structure, '[', at + 1);
        i64 size_close = find_byte(structure, ']', size_open + 1);
        i64 entry_size = read_decimal(structure, size_open + 1, size_close);
        i64 entry_end = size_close + 2;  // past "]]"
        if (offset < running + entry_size) {
            VORN_ASSERT(size_open == at + 1);  // only padding can take a field
            VORN_ASSERT(offset + size <= running + entry_size);
            RtString result = string_substring(structure, 0, at);
            if (offset > running) string_append(result, layout_entry("", offset - running));
            RtString field = string_concat(string_from_cstr("["), std::move(name));
            string_append(field, string_from_cstr("["));
            string_append(field, i64_to_text(size));
            string_append(field, string_from_cstr("]]"));
            string_append(result, std::move(field));
            i64 rest = running + entry_size - (offset + size);
            if (rest > 0) string_append(result, layout_entry("", rest));
            string_append(result, string_suffix(structure, entry_end));
            return result;
        }
        running += entry_size;
        at = entry_end;
    }
}

namespace {

struct LayoutField {
    const char* name;
    i64 offset;
    i64 size;
};

struct LayoutStructure {
    const char* name;
    i64 size;
    std::initializer_list<LayoutField> fields;  // in the order they are placed
};

}  // namespace

RtString layout_text() {
    static const LayoutStructure structures[] = {
        {"addrinfo",
         48,
         {{"ai_flags", 0, 4},
          {"ai_family", 4, 4},
          {"ai_socktype", 8, 4},
          {"ai_protocol", 12, 4},
          {"ai_addrlen", 16, 8},
          {"ai_addr", 32, 8},
          {"ai_canonname", 24, 8},
          {"ai_next", 40, 8}}},
        {"dirent",
         296,
         {{"d_ino", 0, 4},
          {"d_off", 4, 4},
          {"d_namlen", 16, 8},
          {"d_reclen", 8, 2},
          {"d_type", 24, 4},
          {"d_name", 28, 261}}},
        {"fd_set", 520, {}},
        {"size_t", 8, {}},
        {"socklen_t", 4, {}},
        {"time_t", 8, {}},
    };
    RtString text = string_from_cstr("[");
    for (const LayoutStructure& s : structures) {
        RtString structure = string_concat(string_from_cstr("["), string_from_cstr(s.name));
        string_append(structure, layout_entry("", s.size));  // the whole record as padding
        string_append(structure, string_from_cstr("]"));
        for (const LayoutField& f : s.fields)
            structure = layout_insert_field(f.size, f.offset, string_from_cstr(f.name), std::move(structure));
        string_append(text, std::move(structure));
    }
    string_append(text, string_from_cstr("]"));
    return text;
}
