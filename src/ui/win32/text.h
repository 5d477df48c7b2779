#pragma once
// Text between the core (UTF-8) and the Windows wide-character interfaces.

#include <string>
#include <string_view>

namespace grinzo::win32 {

std::wstring widen(std::string_view utf8);
std::string narrow(std::wstring_view utf16);
// The UTF-16 position of byte `byteOffset` of a UTF-8 text (selections are
// counted in bytes in the core and in UTF-16 units by the edit control).
int utf16Offset(std::string_view utf8, int byteOffset);

}  // namespace grinzo::win32
