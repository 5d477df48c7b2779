#pragma once
// The registry value reader: one value read as text, with "Not Found" for
// every kind of failure so that its caller never handles an error.

#include <cstdint>
#include <string>

#include "ui/platform.h"

namespace grinzo::start {

inline constexpr const char* kNotFound = "Not Found";

// The value `name` of key `path` under `root`:
//  - a 32-bit number (type 4) as its unsigned value with at least three
//    digits ("001"), cut to its first three characters ("1234" -> "123");
//  - any other type as its bytes without the last one (a string without its
//    terminating zero);
//  - "Not Found" when the key or value is missing, cannot be read, is larger
//    than the 2048-byte read buffer, or is empty.
std::string GetRegValue(const ui::Registry& registry, std::int32_t root, const std::string& path,
                        const std::string& name);

}  // namespace grinzo::start
