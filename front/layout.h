// Structure layout text: the sizes and field offsets of the host records
// that builtins exchange with programs, as the data text stored under "_".
#pragma once

#include "s.h"

// The key of the layout text in `definitions`.
inline constexpr char LAYOUT_NAME[] = "_";

// The structure text S ("[" NAME entries "]", each entry "[" FIELD "[" SIZE
// "]]" or padding "[[" SIZE "]]") with the field name of size bytes placed
// at offset, splitting the padding entry that holds it. An offset at or past
// the structure's end gives "69"; a field outside one padding entry is a
// fatal assertion. Releases name and structure.
RtString layout_insert_field(i64 size, i64 offset, RtString name, RtString structure);

// The whole layout text, 272 bytes: "[" then every structure, then "]".
RtString layout_text();
