// Time and calendar builtins over the host's 64-bit time functions.
#include "calendar.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "bridge.h"
#include "memory.h"

// A date text with its newline and NUL.
static const int CALENDAR_TEXT_SIZE = 26;
// The fields of a record, 4 bytes each.
static const int CALENDAR_FIELDS = 9;

// The one date text buffer of ctime and asctime.
static char calendar_text[CALENDAR_TEXT_SIZE];
// The one record of gmtime and localtime.
static struct tm calendar_record;

// The address argument k, or null after setting errno to EINVAL.
// The fields of a record in their order in memory.
static int* calendar_field(struct tm& tm, int i) {
    int* fields[CALENDAR_FIELDS] = {&tm.tm_sec,  &tm.tm_min,  &tm.tm_hour, &tm.tm_mday, &tm.tm_mon,
                                    &tm.tm_year, &tm.tm_wday, &tm.tm_yday, &tm.tm_isdst};
    return fields[i];
}

// The record at `at` as a host record: the nine fields, the zone's name and
// offset from the host's current zone.
static struct tm calendar_read_record(const char* at) {
    struct tm tm = {};
    for (int i = 0; i < CALENDAR_FIELDS; ++i) *calendar_field(tm, i) = int(uint32_t(memory_load<4>(at + 4 * i)));
    tzset();
    bool summer = tm.tm_isdst > 0 && daylight;
    tm.tm_zone = tzname[summer ? 1 : 0];
    tm.tm_gmtoff = -timezone + (summer ? 3600 : 0);
    return tm;
}

static void calendar_write_record(char* at, struct tm& tm) {
    for (int i = 0; i < CALENDAR_FIELDS; ++i) memory_store<4>(at + 4 * i, u64(uint32_t(*calendar_field(tm, i))));
}

// The time value at `at`.
static time_t calendar_read_time(const char* at) { return time_t(memory_load<8>(at)); }

// Writes the date text of tm into the shared buffer, in the C standard's
// form; null (errno EOVERFLOW) when it does not fit.
static const char* calendar_format(const struct tm& tm) {
    static const char WEEKDAYS[7][4] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static const char MONTHS[12][4] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                       "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    const char* weekday = tm.tm_wday >= 0 && tm.tm_wday < 7 ? WEEKDAYS[tm.tm_wday] : "???";
    const char* month = tm.tm_mon >= 0 && tm.tm_mon < 12 ? MONTHS[tm.tm_mon] : "???";
    char text[128];
    int n = std::snprintf(text, sizeof text, "%.3s %.3s%3d %.2d:%.2d:%.2d %lld\n", weekday, month, tm.tm_mday,
                          tm.tm_hour, tm.tm_min, tm.tm_sec, 1900LL + tm.tm_year);
    if (n < 0 || n >= CALENDAR_TEXT_SIZE) {
        errno = EOVERFLOW;
        return nullptr;
    }
    std::memcpy(calendar_text, text, size_t(n) + 1);
    return calendar_text;
}

NodeRef builtin_time(NodeRef app) {
    BridgeCall call;
    if (!bridge_take(call, std::move(app), "I")) return bridge_error();
    time_t now = std::time(nullptr);
    if (void* at = bridge_pointer<void>(call, 0)) memory_store<8>(at, u64(now));
    return bridge_signed(now);
}

NodeRef builtin_ctime(NodeRef app) {
    BridgeCall call;
    if (!bridge_take(call, std::move(app), "I")) return bridge_error();
    const char* at = bridge_required_pointer(call, 0);
    if (!at) return bridge_address(nullptr);
    time_t t = calendar_read_time(at);
    struct tm local;
    if (!localtime_r(&t, &local)) return bridge_address(nullptr);
    return bridge_address(calendar_format(local));
}

NodeRef builtin_asctime(NodeRef app) {
    BridgeCall call;
    if (!bridge_take(call, std::move(app), "I")) return bridge_error();
    const char* at = bridge_required_pointer(call, 0);
    if (!at) return bridge_address(nullptr);
    return bridge_address(calendar_format(calendar_read_record(at)));
}

// gmtime and localtime: breaks the time value at the argument down into the
// shared record with the host function.
static NodeRef calendar_break_down(NodeRef app, struct tm* (*host)(const time_t*, struct tm*)) {
    BridgeCall call;
    if (!bridge_take(call, std::move(app), "I")) return bridge_error();
    const char* at = bridge_required_pointer(call, 0);
    if (!at) return bridge_address(nullptr);
    time_t t = calendar_read_time(at);
    return bridge_address(host(&t, &calendar_record));
}

NodeRef builtin_gmtime(NodeRef app) { return calendar_break_down(std::move(app), gmtime_r); }

NodeRef builtin_localtime(NodeRef app) { return calendar_break_down(std::move(app), localtime_r); }

NodeRef builtin_mktime(NodeRef app) {
    BridgeCall call;
    if (!bridge_take(call, std::move(app), "I")) return bridge_error();
    char* at = bridge_required_pointer(call, 0);
    if (!at) return bridge_signed(-1);
    struct tm tm = calendar_read_record(at);
    int saved = errno;
    errno = 0;
    time_t t = std::mktime(&tm);
    if (t == time_t(-1) && errno != 0) return bridge_signed(-1);  // -1 is also a second of 1969
    errno = saved;
    calendar_write_record(at, tm);
    return bridge_signed(t);
}

NodeRef builtin_difftime(NodeRef app) {
    BridgeCall call;
    if (!bridge_take(call, std::move(app), "II")) return bridge_error();
    return bridge_real(std::difftime(time_t(bridge_i64(call, 0)), time_t(bridge_i64(call, 1))));
}

NodeRef builtin_strftime(NodeRef app) {
    BridgeCall call;
    if (!bridge_take(call, std::move(app), "IITI")) return bridge_error();
    char* buffer = bridge_required_pointer(call, 0);
    const char* format = buffer ? bridge_required_pointer(call, 2) : nullptr;
    const char* at = format ? bridge_required_pointer(call, 3) : nullptr;
    if (!at) return bridge_unsigned(0);
    struct tm tm = calendar_read_record(at);
    return bridge_unsigned(std::strftime(buffer, call.word[1], format, &tm));
}
