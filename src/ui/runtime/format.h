#pragma once
// The number formats the program writes: captions, the registry number
// pattern "000", the frame-rate pattern "#.0" and the general form used when
// a number is printed to a text file.
//
// Every format that takes a double raises OverflowError for NaN and the
// infinities: they have no written form in the files the program reads back.

#include <string>

namespace grinzo::rt {

// Pattern "000": the value rounded half to even to an integer, written with
// at least three digits (leading zeros), no separators; a negative value
// gets a minus sign in front ("-001"). 1 -> "001", 1234 -> "1234".
std::string formatZeroPadded3(double value);

// Pattern "#.0": rounded to one decimal, no zero before the point when the
// integer part is 0 (24.7 -> "24.7", 0.5 -> ".5", 0 -> ".0", -0.5 -> "-.5").
// The value is first taken to 15 significant digits and a half then rounds
// away from zero, so a decimal half such as 24.65 gives "24.7" even though
// its binary value lies just below. A value that rounds to zero has no sign.
std::string formatOneDecimal(double value);

// The general form of a number printed to a text file: up to 15 significant
// digits, no trailing zeros, a blank in place of the sign for zero and
// positive values, "-" for negative ones, no zero before the point below 1
// (0.8215 -> " .8215", -0.25 -> "-.25", 7 -> " 7"). A decimal exponent of the
// first digit below -4 or above 14 is written E+nn / E-nn with at least two
// exponent digits (1e20 -> " 1E+20", 1.5e-7 -> " 1.5E-07").
std::string formatGeneral(double value);

// Plain decimal text without blanks, for captions ("-12", "180").
std::string formatPlain(long long value);

}  // namespace grinzo::rt
