#pragma once

// Little-endian fields of the Windows file formats (bitmaps, icons, waves):
// appending them to a byte buffer and reading them back from a position the
// caller has already checked to lie inside the data.

#include <cstdint>
#include <vector>

namespace grinzo::gdi::le {

inline void put16(std::vector<std::uint8_t>& out, std::uint32_t v) {
  out.push_back(static_cast<std::uint8_t>(v & 0xFF));
  out.push_back(static_cast<std::uint8_t>((v >> 8) & 0xFF));
}

inline void put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  put16(out, v & 0xFFFF);
  put16(out, v >> 16);
}

inline std::uint32_t u16(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8);
}

inline std::uint32_t u32(const std::uint8_t* p) { return u16(p) | (u16(p + 2) << 16); }

// Two's complement, without relying on the conversion of out-of-range values.
inline std::int32_t s32(const std::uint8_t* p) {
  const std::uint32_t v = u32(p);
  return v <= 0x7FFFFFFFu ? static_cast<std::int32_t>(v) : -static_cast<std::int32_t>(~v) - 1;
}

}  // namespace grinzo::gdi::le
