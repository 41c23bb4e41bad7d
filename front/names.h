// Name rules: which texts are global names, definable heads and local
// variables, and the word used for each kind of bracket in messages.
#pragma once

#include "s.h"

// True for a non-empty text of '_' and 'a'..'z' only.
bool string_is_lower_identifier(RtString text);

// True for a name that a definition head may have: a lower identifier; one
// byte 0x01..0x1F, 'A'..'Z' or 0x7F..0xFF; or '[' c ']' with c an operator
// name byte.
bool name_is_definable(RtString name);

// The key of a definable name: "[c]" becomes "c", other names stay. A name
// that is not definable is a fatal assertion.
RtString name_normalize(RtString name);

// True for a global name as it appears in terms: a lower identifier; one
// byte 0x01..0x1F, 'A'..'Z' or 0x7F..0xFF; or one operator name byte.
bool name_is_valid(RtString name);

// Nothing; a name that is not valid is a fatal assertion.
void name_require_valid(RtString name);

// True when the name is exactly one byte 'a'..'z'.
bool name_is_local(RtString name);

// "parenthesis", "bracket" or "wing" for the six bracket bytes; any other
// byte is a fatal assertion.
RtString bracket_word(u8 c);
