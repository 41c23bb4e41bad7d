// Structure layout text.
#include "layout.h"

#include <gtest/gtest.h>

static const char LAYOUT[] =
    "[[addrinfo[ai_flags[4]][ai_family[4]][ai_socktype[4]][ai_protocol[4]][ai_addrlen[8]][ai_canonname[8]]"
    "[ai_addr[8]][ai_next[8]]][dirent[d_ino[4]][d_off[4]][d_reclen[2]][[6]][d_namlen[8]][d_type[4]]"
    "[d_name[261]][[7]]][fd_set[[520]]][size_t[[8]]][socklen_t[[4]]][time_t[[8]]]]";

TEST(Layout, WholeText) {
    RtString text = layout_text();
    EXPECT_EQ(string_length(text), 272);
    EXPECT_EQ(string_to_std(text), LAYOUT);
}

TEST(Layout, InsertField) {
    struct Case {
        i64 size, offset;
        const char* name;
        const char* structure;
        const char* result;
    } cases[] = {
        {8, 0, "ai_next", "[s[[8]]]", "[s[ai_next[8]]]"},                   // fills the padding exactly
        {4, 0, "f", "[s[[8]]]", "[s[f[4]][[4]]]"},                          // at the start
        {4, 4, "f", "[s[[8]]]", "[s[[4]][f[4]]]"},                          // at the end
        {2, 3, "f", "[s[[8]]]", "[s[[3]][f[2]][[3]]]"},
        {8, 32, "ai_addr", "[a[x[24]][[24]]]", "[a[x[24]][[8]][ai_addr[8]][[8]]]"},
        {8, 24, "ai_canonname", "[a[x[24]][[8]][ai_addr[8]][[8]]]", "[a[x[24]][ai_canonname[8]][ai_addr[8]][[8]]]"},
        {4, 8, "f", "[s[[8]]]", "69"},                                      // at the end of the record
        {4, 100, "f", "[s[a[4]][[4]]]", "69"},
    };
    for (const Case& c : cases) {
        RtString r = layout_insert_field(c.size, c.offset, string_from_cstr(c.name), string_from_cstr(c.structure));
        EXPECT_EQ(string_to_std(r), c.result) << c.structure << " " << c.name;
    }
}

TEST(Layout, FieldOutsideOnePaddingIsFatal) {
    EXPECT_DEATH(layout_insert_field(4, 0, string_from_cstr("g"), string_from_cstr("[s[f[4]][[4]]]")),
                 "ASSERTION FAILED:layout:");
    EXPECT_DEATH(layout_insert_field(8, 2, string_from_cstr("g"), string_from_cstr("[s[[8]]]")),
                 "ASSERTION FAILED:layout:");
}
