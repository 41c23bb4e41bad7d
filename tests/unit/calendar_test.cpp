// Time and calendar builtins with the zone fixed to UTC, and to a zone with
// summer time where local time matters.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "calendar.h"
#include "host_fixture.h"

using namespace host_test;

namespace {

class Calendar : public HostTest {
protected:
    void SetUp() override {
        HostTest::SetUp();
        const char* zone = std::getenv("TZ");
        had_zone = zone != nullptr;
        if (had_zone) saved_zone = zone;
        setenv("TZ", "UTC", 1);
        tzset();
    }
    void TearDown() override {
        if (had_zone) setenv("TZ", saved_zone.c_str(), 1);
        else unsetenv("TZ");
        tzset();
    }
    bool had_zone = false;
    std::string saved_zone;
};

// The nine 32-bit fields of a record.
struct Record {
    int32_t field[9];
};

Record record_at(const char* at) {
    Record r;
    std::memcpy(r.field, at, sizeof r.field);
    return r;
}

TEST_F(Calendar, BreakDownAndFormat) {
    int64_t zero = 0;
    NodeRef g = call(builtin_gmtime, {addr(&zero)});
    Record r = record_at(as_pointer(g));
    int32_t expected[9] = {0, 0, 0, 1, 0, 70, 4, 0, 0};
    EXPECT_EQ(std::memcmp(r.field, expected, sizeof expected), 0);
    int64_t later = 86400 * 365 + 3661;
    NodeRef l = call(builtin_localtime, {addr(&later)});
    EXPECT_EQ(text(l), text(g));  // one shared record, now the later time
    EXPECT_EQ(record_at(as_pointer(g)).field[5], 71);

    char buffer[16];
    std::memset(buffer, '*', sizeof buffer);
    EXPECT_EQ(answer(builtin_strftime, {addr(buffer), num(7), leaf("[%Y]"), addr(expected)}), "6");
    EXPECT_STREQ(buffer, "[1970]");
    EXPECT_EQ(answer(builtin_strftime, {addr(buffer), num(6), leaf("[%Y]"), addr(expected)}), "0");
    EXPECT_EQ(answer(builtin_strftime, {addr(buffer), num(16), post("%c"), addr(expected)}), "0");
    char wide[64];
    EXPECT_EQ(answer(builtin_strftime, {addr(wide), num(64), post("%c %Z"), addr(expected)}), "28");
    EXPECT_STREQ(wide, "Thu Jan  1 00:00:00 1970 UTC");

    NodeRef c = call(builtin_ctime, {addr(&zero)});
    EXPECT_STREQ(as_pointer(c), "Thu Jan  1 00:00:00 1970\n");
    NodeRef a = call(builtin_asctime, {addr(expected)});
    EXPECT_EQ(text(a), text(c));  // the shared text buffer
    EXPECT_EQ(record_at(as_pointer(g)).field[5], 71);  // ctime left the record alone
    int32_t far[9] = {0, 0, 0, 1, 0, 9000, 0, 0, 0};  // year 10900: 27 bytes
    errno = 0;
    EXPECT_EQ(answer(builtin_asctime, {addr(far)}), "0");
    EXPECT_EQ(errno, EOVERFLOW);
}

TEST_F(Calendar, MakeTimeNormalisesInPlace) {
    int32_t fields[12] = {60, 59, 23, 31, 11, 69, 9, 9, 0, 0x55, 0x55, 0x55};
    EXPECT_EQ(answer(builtin_mktime, {addr(fields)}), "0");  // 1969-12-31 23:59:60 is 0
    int32_t expected[12] = {0, 0, 0, 1, 0, 70, 4, 0, 0, 0x55, 0x55, 0x55};
    EXPECT_EQ(std::memcmp(fields, expected, sizeof expected), 0);  // nine fields only
    int32_t before[9] = {59, 59, 23, 31, 11, 69, 0, 0, 0};
    EXPECT_EQ(answer(builtin_mktime, {addr(before)}), "01");  // a real second, not a failure
    EXPECT_EQ(before[6], 3);
}

TEST_F(Calendar, LocalTimeFollowsTheZone) {
    setenv("TZ", "EST5EDT,M3.2.0,M11.1.0", 1);
    tzset();
    int64_t summer = 1719835200;  // 2024-07-01 12:00 UTC
    NodeRef l = call(builtin_localtime, {addr(&summer)});
    Record r = record_at(as_pointer(l));
    EXPECT_EQ(r.field[2], 8);
    EXPECT_EQ(r.field[8], 1);
    char buffer[32];
    EXPECT_EQ(answer(builtin_strftime, {addr(buffer), num(32), post("%H %Z %z"), addr(r.field)}), "12");
    EXPECT_STREQ(buffer, "08 EDT -0400");
    EXPECT_EQ(answer(builtin_mktime, {addr(r.field)}), "1719835200");
}

TEST_F(Calendar, ValuesAndRefusals) {
    int64_t cell = 0;
    NodeRef now = call(builtin_time, {addr(&cell)});
    EXPECT_EQ(text(now), text(integer_make_leaf(cell)));
    EXPECT_GT(cell, 1700000000);
    EXPECT_NE(answer(builtin_time, {num(0)}), "01");
    EXPECT_EQ(answer(builtin_time_t), "8");
    EXPECT_EQ(real_leaf_value(call(builtin_difftime, {num(100), num(40)})), 60.0);
    EXPECT_EQ(real_leaf_value(call(builtin_difftime, {num(40), num(100)})), -60.0);
    int32_t fields[9] = {};
    char buffer[8];
    struct Case {
        BuiltinFn fn;
        std::vector<NodeRef> args;
        const char* result;
    } nulls[] = {
        {builtin_ctime, {num(0)}, "0"},
        {builtin_gmtime, {num(0)}, "0"},
        {builtin_localtime, {num(0)}, "0"},
        {builtin_asctime, {num(0)}, "0"},
        {builtin_mktime, {num(0)}, "01"},
        {builtin_strftime, {num(0), num(8), post("x"), addr(fields)}, "0"},
        {builtin_strftime, {addr(buffer), num(8), post("x"), num(0)}, "0"},
    };
    for (const Case& c : nulls) {
        errno = 0;
        EXPECT_EQ(answer(c.fn, c.args), c.result);
        EXPECT_EQ(errno, EINVAL);
    }
    EXPECT_EQ(answer(builtin_time, {real(0.0)}), "Z");
    EXPECT_EQ(answer(builtin_ctime, {post("x")}), "Z");
    EXPECT_EQ(answer(builtin_mktime, {leaf("[x]")}), "Z");
    EXPECT_EQ(answer(builtin_difftime, {num(1), real(1.0)}), "Z");
    EXPECT_EQ(answer(builtin_strftime, {addr(buffer), num(8), leaf("0017"), addr(fields)}), "Z");
    EXPECT_EQ(answer(builtin_strftime, {addr(buffer), num(8), real(1.0), addr(fields)}), "Z");
    EXPECT_EQ(answer(builtin_strftime, {addr(buffer), num(8), cray(), addr(fields)}), "Z");
}

}  // namespace
