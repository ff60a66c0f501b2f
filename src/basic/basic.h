#pragma once
// The old-BASIC behaviours the program's rules lean on, in one place: numeric value of a
// text, rounding halves to even, 16-bit integers, substring functions that never fail,
// the "##0.0000" / "##0.0" number patterns and the hexadecimal byte of the settings module.
// Text is bytes: one byte is one character; positions count from 1.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kd::basic {

// Numeric value of a text: leading blanks (space, tab) skipped, then the longest leading
// decimal number (optional sign, digits, optional decimal point and fraction); 0 when none.
// "3abc" -> 3, "" -> 0, " -1.5x" -> -1.5, "." -> 0, "1e5" -> 1 (no exponent form).
double Val(std::string_view s);

// Round to the nearest whole number, halves to the even neighbour (2.5 -> 2, 3.5 -> 4).
double RoundHalfEven(double v);

// Rounded (halves to even) value as a 16-bit integer, or nullopt when it does not fit
// (-32768..32767) or is not finite. Callers decide what an out-of-range value means.
std::optional<int16_t> ToInt16(double v);

// Rounded value clamped into the 16-bit range (NaN gives 0).
int16_t ClampInt16(double v);

// Substrings that never fail. Mid: 1-based start; start < 1 is treated as 1; past the end
// gives ""; len < 0 means "to the end".
std::string Left(std::string_view s, long n);
std::string Right(std::string_view s, long n);
std::string Mid(std::string_view s, long start, long len = -1);

// Decimal text of a number as the old Str$ writes it: a leading space for non-negative
// numbers, "-" for negative ones ("Str(3)" is " 3").
std::string Str(long v);

// Number patterns: "##0.0000" and "##0.0": at least one digit before the point, exactly
// four (or one) after, rounded; a negative result keeps its minus sign ("-100.0031").
// Negative zero after rounding is written without a sign.
std::string Format4(double v);
std::string Format1(double v);

// 0..255 from a two-character hexadecimal text: the first character is the high digit, the
// last the low digit; "0".."9" and "A".."F" count, anything else (lower case too) counts 0.
// One character is used for both digits; "" gives 0.
int HexByte(std::string_view s);

}  // namespace kd::basic
