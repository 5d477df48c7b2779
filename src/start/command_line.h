#pragma once
// Reading a screen saver's command line: the mode letter and the host
// window's handle at its end. "/c", "-C", " /c:1234 " all give the letter
// 'C'; "/p 1234", "/P:1234" and "/P1234" all give the handle 1234.

#include <cstdint>
#include <string>
#include <string_view>

namespace grinzo::start {

// The arguments of a whole process command line as the operating system
// hands it over (program name first, possibly in double quotes): everything
// after the program's name, with its leading blanks.
std::string argumentsAfterProgramName(std::string_view commandLine);

// The command text: leading and trailing spaces removed, ASCII letters in
// upper case.
std::string commandText(std::string_view arguments);

// The second character of the command text, or 0 when it is shorter than
// two characters. The first one (a slash or a hyphen) is never looked at.
char modeLetter(std::string_view arguments);

// The value of the run of decimal digits at the end of the trimmed text.
// Raises rt::TypeMismatchError when the text does not end in a digit, and
// rt::OverflowError when the number does not fit a 32-bit signed integer or
// the text is longer than 32767 characters.
std::int32_t GetHwndFromCommand(std::string_view command);

}  // namespace grinzo::start
