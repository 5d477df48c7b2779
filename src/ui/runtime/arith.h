#pragma once
// Checked signed integer arithmetic. The game's counters and coordinates are
// 16-bit or 32-bit signed values, and leaving the range is an error
// (OverflowError), never a wrap: a step that overflows fails and is skipped
// by its caller instead of producing a nonsense value.

#include <cstdint>
#include <limits>
#include <string>

#include "ui/runtime/errors.h"

namespace grinzo::rt {

using Int16 = std::int16_t;
using Int32 = std::int32_t;

// Narrows a wider integer; raises OverflowError when it does not fit.
inline Int16 toInt16(long long value) {
  if (value < std::numeric_limits<Int16>::min() || value > std::numeric_limits<Int16>::max())
    throw OverflowError("Overflow: " + std::to_string(value) + " does not fit a 16-bit integer");
  return static_cast<Int16>(value);
}

inline Int32 toInt32(long long value) {
  if (value < std::numeric_limits<Int32>::min() || value > std::numeric_limits<Int32>::max())
    throw OverflowError("Overflow: " + std::to_string(value) + " does not fit a 32-bit integer");
  return static_cast<Int32>(value);
}

// The products of two 32-bit values fit in 64 bits, so every operation is
// done exactly in long long and then range-checked.
inline Int16 add16(Int16 a, Int16 b) { return toInt16(static_cast<long long>(a) + b); }
inline Int16 sub16(Int16 a, Int16 b) { return toInt16(static_cast<long long>(a) - b); }
inline Int16 mul16(Int16 a, Int16 b) { return toInt16(static_cast<long long>(a) * b); }
inline Int16 neg16(Int16 a) { return toInt16(-static_cast<long long>(a)); }

inline Int32 add32(Int32 a, Int32 b) { return toInt32(static_cast<long long>(a) + b); }
inline Int32 sub32(Int32 a, Int32 b) { return toInt32(static_cast<long long>(a) - b); }
inline Int32 mul32(Int32 a, Int32 b) { return toInt32(static_cast<long long>(a) * b); }
inline Int32 neg32(Int32 a) { return toInt32(-static_cast<long long>(a)); }

}  // namespace grinzo::rt
