// Character classes as tables of byte ranges, and the case conversions.
#include "charclass.h"

#include "bridge.h"

// A class is up to four inclusive ranges of character values.
struct CharClassRanges {
    int count;
    struct {
        int low, high;
    } range[4];
};

static const CharClassRanges CHARCLASS_TABLE[] = {
    /* ALNUM */ {3, {{48, 57}, {65, 90}, {97, 122}}},
    /* ALPHA */ {2, {{65, 90}, {97, 122}}},
    /* ASCII */ {1, {{0, 127}}},
    /* BLANK */ {2, {{9, 9}, {32, 32}}},
    /* DIGIT */ {1, {{48, 57}}},
    /* GRAPH */ {1, {{33, 126}}},
    /* LOWER */ {1, {{97, 122}}},
    /* PRINT */ {1, {{32, 126}}},
    /* PUNCT */ {4, {{33, 47}, {58, 64}, {91, 96}, {123, 126}}},
    /* SPACE */ {2, {{9, 13}, {32, 32}}},
    /* UPPER */ {1, {{65, 90}}},
};
static_assert(sizeof CHARCLASS_TABLE / sizeof CHARCLASS_TABLE[0] == CHARCLASS_UPPER + 1);

static bool charclass_contains(CharClass k, int c) {
    const CharClassRanges& ranges = CHARCLASS_TABLE[k];
    for (int i = 0; i < ranges.count; ++i)
        if (c >= ranges.range[i].low && c <= ranges.range[i].high) return true;
    return false;
}

NodeRef charclass_test(NodeRef app, CharClass k) {
    BridgeCall call;
    if (!bridge_take(call, std::move(app), "I")) return bridge_error();
    return bridge_truth(charclass_contains(k, bridge_int(call, 0)));
}

// A conversion of c: the integer leaf of convert(c).
static NodeRef charclass_convert(NodeRef app, int (*convert)(int)) {
    BridgeCall call;
    if (!bridge_take(call, std::move(app), "I")) return bridge_error();
    return bridge_signed(convert(bridge_int(call, 0)));
}

static int charclass_ascii(int c) { return c & 127; }

static int charclass_lower(int c) { return charclass_contains(CHARCLASS_UPPER, c) ? c + 32 : c; }

static int charclass_upper(int c) { return charclass_contains(CHARCLASS_LOWER, c) ? c - 32 : c; }

NodeRef builtin_toascii(NodeRef app) { return charclass_convert(std::move(app), charclass_ascii); }

NodeRef builtin_tolower(NodeRef app) { return charclass_convert(std::move(app), charclass_lower); }

NodeRef builtin_toupper(NodeRef app) { return charclass_convert(std::move(app), charclass_upper); }
