// Decimal big integers: signed digit texts as integer leaves hold them
// (DecimalText: "42", "042" for -42, "0") and unsigned magnitudes with their
// digits reversed (DecimalMagnitude: "24" is 42, "" is zero, high zeros
// allowed). Digit i past the end reads as 0; a byte c is the digit
// max(c - 48, 0), and a magnitude holding other bytes is first rewritten in
// digits through the limb engine. Results keep the digit counts of the
// digit-at-a-time forms (a subtraction keeps a's count, and so on).
#pragma once

#include "node.h"
#include "s.h"

using DecimalText = RtString;
using DecimalMagnitude = RtString;

// The magnitude of a signed text, reversed: leading '0' bytes skipped
// ("0" -> "", "042" -> "24").
DecimalMagnitude decimal_mag_from_text(DecimalText t);

// The digits most significant first, high zeros dropped; "0" for zero.
RtString decimal_mag_to_text(DecimalMagnitude m);

bool decimal_mag_is_zero(DecimalMagnitude m);
// False for ""; true when the value is one ("1", "100").
bool decimal_mag_is_one(DecimalMagnitude m);
// True for ""; otherwise the lowest digit is even.
bool decimal_mag_is_even(DecimalMagnitude m);

bool decimal_mag_less(DecimalMagnitude a, DecimalMagnitude b);
bool decimal_mag_greater_equal(DecimalMagnitude a, DecimalMagnitude b);

// a + b in max(length a, length b) digits, one more for a final carry.
DecimalMagnitude decimal_mag_add(DecimalMagnitude a, DecimalMagnitude b);

// a - b in exactly as many digits as a; a < b is a fatal assertion.
DecimalMagnitude decimal_mag_subtract(DecimalMagnitude a, DecimalMagnitude b);

// d * a in as many digits as a, one more for a final carry; d outside 0..9
// is a fatal assertion.
DecimalMagnitude decimal_mag_mul_digit(int d, DecimalMagnitude a);

// a * 10^k for k >= 0 (k zeros put in front); for k < 0 the -k lowest
// digits dropped, or "0" when that is all of them. k = -2^63 is a fatal
// assertion.
DecimalMagnitude decimal_mag_shift(DecimalMagnitude a, i64 k);

// a * b; "" when the shorter is empty, otherwise at least length a +
// length b - 1 digits.
DecimalMagnitude decimal_mag_multiply(DecimalMagnitude a, DecimalMagnitude b);

// floor(a / b) when floor, else ceil(a / b), without high zeros ("" for
// zero). A zero b gives as many nines as a has digits (then + 1 for the
// ceiling of a non-zero a); callers exclude it.
DecimalMagnitude decimal_mag_divide(bool floor, DecimalMagnitude a, DecimalMagnitude b);

// a mod b in as many digits as a; a zero b gives a.
DecimalMagnitude decimal_mag_remainder(DecimalMagnitude a, DecimalMagnitude b);

// a^e, 0^0 = 1, with the digit counts of square-and-multiply.
DecimalMagnitude decimal_mag_power(DecimalMagnitude a, DecimalMagnitude e);

// Non-empty, and first byte '1'..'9', or first byte '0' and second not '0'.
// Only two bytes are looked at.
bool decimal_is_valid(DecimalText t);
void decimal_require_valid(DecimalText t);

// "0" or a first byte other than '0' (requires validity).
bool decimal_is_nonnegative(DecimalText t);

// "0" stays; "5" -> "05"; "05" -> "5".
DecimalText decimal_negate(DecimalText t);

// The signed text of a magnitude text (most significant first); "0" gives
// "0" whatever the flag. An empty m or one beginning '0' otherwise is a
// fatal assertion.
DecimalText decimal_make_signed(bool nonnegative, RtString m);

// a + b.
DecimalText decimal_add(DecimalText a, DecimalText b);

// The value halved, rounded toward zero.
DecimalText decimal_halve(DecimalText t);

// A new leaf holding t (requires validity).
NodeRef decimal_to_leaf(DecimalText t);
