#pragma once
// Conversions between floating point, integers and text.
//
// Floating point becomes an integer by rounding to the nearest, a half going
// to the even neighbour (2.5 -> 2, 3.5 -> 4), unless the caller asks for the
// floor. Text becomes a number with "." as the decimal separator whatever the
// user's locale, so settings written on one machine read the same on another.

#include <cstddef>
#include <string_view>

#include "ui/runtime/arith.h"

namespace grinzo::rt {

// Nearest integer as a double, a half going to the even neighbour; NaN and
// infinities come back unchanged. Independent of the floating-point rounding
// mode.
double roundHalfEven(double value);

// Round half to even, then range-check: OverflowError when the result does
// not fit, and for NaN or an infinity.
Int16 roundToInt16(double value);
Int32 roundToInt32(double value);

// roundToInt16 for the faces' every move: values well inside the range are
// rounded here, with truncation and an exact remainder (no rounding mode
// involved); the rest, and every error, go the long way.
inline Int16 roundToInt16Fast(double value) {
  if (!(value > -32768.5 && value < 32767.5)) return roundToInt16(value);  // NaN too
  const int whole = static_cast<int>(value);                               // toward zero
  const double rest = value - whole;                                       // exact
  // Without branches: the fractions of moving faces are anybody's guess.
  const int odd = whole & 1;
  const int nearest =
      whole + (rest > 0.5) - (rest < -0.5) + ((rest == 0.5) & odd) - ((rest == -0.5) & odd);
  return static_cast<Int16>(nearest);
}

// Largest integer not above `value`, range-checked like the rounding forms
// (a random draw scaled to a range, floor(r * 351), uses these).
Int16 floorToInt16(double value);
Int32 floorToInt32(double value);

// A whole text read as one decimal number: blanks (spaces, tabs) around it,
// an optional sign, digits with an optional fractional part ("2.5", ".5",
// "5."), an optional exponent ("1e3", "2.5E-2"). Anything else, including
// empty text, a lone sign or point, and text after the number, raises
// TypeMismatchError. A number beyond the range of a double raises
// OverflowError; one too small for it reads as 0.
double parseNumber(std::string_view text);

// parseNumber, then round half to even into the integer's range (" 05 " -> 5,
// "2.5" -> 2, "40000" -> OverflowError for 16 bits).
Int16 textToInt16(std::string_view text);
Int32 textToInt32(std::string_view text);

// The number a text starts with, after leading blanks (spaces, tabs, CR, LF);
// 0 when it does not start with one ("12abc" -> 12, "Not Found" -> 0). An
// incomplete exponent is ignored ("1e" -> 1). A number beyond the range of a
// double also reads as 0. Never raises.
double leadingNumber(std::string_view text);

// The length of the number at the start of `text` (no blanks skipped) and
// its value; length 0 when there is none. `overflow` is set when the
// number's magnitude exceeds the range of a double (value is then 0).
struct ScannedNumber {
  std::size_t length = 0;
  double value = 0;
  bool overflow = false;
};
ScannedNumber scanNumber(std::string_view text);

}  // namespace grinzo::rt
