// Windows bitmap files: decoding from memory, encoding, and the file versions.
//
// The decoder treats its input as hostile. Every offset and size is checked
// in 64-bit arithmetic against the buffer before anything is read, the pixel
// count is capped, and pixel indices beyond a short palette read as black
// instead of past the palette. Nothing is read outside [data, data + size).

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <limits>
#include <new>
#include <system_error>

#include "ui/gdi/gdi.h"
#include "ui/gdi/little_endian.h"

#include "ui/runtime/textfile.h"

namespace grinzo::gdi {
namespace {

using rt::ErrorNumber;

constexpr std::uint64_t kFileHeaderSize = 14;
constexpr std::uint32_t kCoreHeaderSize = 12;  // OS/2 1.x
constexpr std::uint32_t kInfoHeaderSize = 40;  // BITMAPINFOHEADER
constexpr std::uint64_t kMaxPixels = kMaxBitmapFilePixels;
// A valid file at the pixel cap plus generous room for headers and trailers;
// anything larger is refused before it is read into memory.
constexpr std::uint64_t kMaxFileBytes = kMaxPixels * 4 + (1ull << 20);

constexpr std::uint32_t kBiRgb = 0;
constexpr std::uint32_t kBiBitfields = 3;

[[noreturn]] void bad(const std::string& reason) {
  throw BitmapFileError(ErrorNumber::BadFileFormat, "Invalid bitmap file: " + reason);
}

using le::put16;
using le::put32;
using le::s32;
using le::u16;
using le::u32;

struct Header {
  std::int64_t width = 0;
  std::int64_t height = 0;  // always positive here; topDown carries the sign
  bool topDown = false;
  std::uint32_t bits = 0;
  std::uint32_t compression = kBiRgb;
  std::uint32_t coloursUsed = 0;
  std::uint64_t paletteOffset = 0;
  std::uint32_t paletteEntrySize = 4;
  std::uint64_t pixelOffset = 0;
};

Header readHeader(const std::uint8_t* data, std::size_t size) {
  if (size < kFileHeaderSize + 4) bad("the file is too short for its headers");
  if (data[0] != 'B' || data[1] != 'M') bad("the file does not start with \"BM\"");
  Header h;
  h.pixelOffset = u32(data + 10);
  const std::uint32_t infoSize = u32(data + 14);
  if (infoSize != kCoreHeaderSize && infoSize != kInfoHeaderSize && infoSize != 52 &&
      infoSize != 56 && infoSize != 108 && infoSize != 124) {
    bad("unsupported header size " + std::to_string(infoSize));
  }
  if (kFileHeaderSize + infoSize > size) bad("the file is too short for its headers");
  const std::uint8_t* info = data + kFileHeaderSize;
  std::uint32_t planes = 0;
  if (infoSize == kCoreHeaderSize) {
    h.width = u16(info + 4);
    h.height = u16(info + 6);
    planes = u16(info + 8);
    h.bits = u16(info + 10);
    h.paletteEntrySize = 3;
    h.paletteOffset = kFileHeaderSize + infoSize;
  } else {
    h.width = s32(info + 4);
    const std::int64_t height = s32(info + 8);
    h.topDown = height < 0;
    h.height = height < 0 ? -height : height;  // 64-bit: INT_MIN negates safely
    planes = u16(info + 12);
    h.bits = u16(info + 14);
    h.compression = u32(info + 16);
    h.coloursUsed = u32(info + 32);
    h.paletteOffset = kFileHeaderSize + infoSize;
    if (h.compression == kBiBitfields) {
      if (h.bits != 32) bad("bit fields are supported only with 32 bits per pixel");
      // A plain info header keeps its three masks right after it; later
      // headers carry them inside.
      std::uint64_t masksAt = kFileHeaderSize + kInfoHeaderSize;
      if (infoSize == kInfoHeaderSize) h.paletteOffset += 12;
      if (masksAt + 12 > size) bad("the colour masks lie past the end of the file");
      if (u32(data + masksAt) != 0x00FF0000u || u32(data + masksAt + 4) != 0x0000FF00u ||
          u32(data + masksAt + 8) != 0x000000FFu) {
        bad("unsupported colour masks");
      }
    } else if (h.compression != kBiRgb) {
      bad("unsupported compression " + std::to_string(h.compression));
    }
  }
  if (planes != 1) bad("the plane count is " + std::to_string(planes) + ", not 1");
  if (h.bits != 1 && h.bits != 4 && h.bits != 8 && h.bits != 24 && h.bits != 32) {
    bad("unsupported bit count " + std::to_string(h.bits));
  }
  if (h.width < 1 || h.height < 1) bad("the image has no pixels");
  // The limits of a bitmap object, checked before any pixel is allocated: a
  // few bytes of 1-bit file must not claim gigabytes.
  if (h.width > kMaxBitmapSide || h.height > kMaxBitmapSide ||
      static_cast<std::uint64_t>(h.width) * static_cast<std::uint64_t>(h.height) > kMaxPixels) {
    bad("the image is too large (" + std::to_string(h.width) + " x " + std::to_string(h.height) +
        ")");
  }
  return h;
}

}  // namespace

Bitmap DecodeBitmapFile(const std::uint8_t* data, std::size_t size) {
  if (!data) size = 0;
  const Header h = readHeader(data, size);

  std::vector<Pixel> palette;
  if (h.bits <= 8) {
    const std::uint64_t maxColours = 1ull << h.bits;
    const std::uint64_t colours = h.coloursUsed == 0 ? maxColours : h.coloursUsed;
    if (colours > maxColours) bad("the palette is larger than the bit count allows");
    if (h.paletteOffset + colours * h.paletteEntrySize > size) {
      bad("the palette lies past the end of the file");
    }
    palette.resize(static_cast<std::size_t>(colours));
    for (std::size_t i = 0; i < palette.size(); ++i) {
      const std::uint8_t* e = data + h.paletteOffset + i * h.paletteEntrySize;
      palette[i] = rgb(e[2], e[1], e[0]);
    }
    // Indices past a short palette read as black.
    palette.resize(static_cast<std::size_t>(maxColours), 0);
  }

  const std::uint64_t stride = (static_cast<std::uint64_t>(h.width) * h.bits + 31) / 32 * 4;
  const std::uint64_t dataBytes = stride * static_cast<std::uint64_t>(h.height);
  if (h.pixelOffset < h.paletteOffset || h.pixelOffset > size || dataBytes > size - h.pixelOffset) {
    bad("the pixel data lies past the end of the file");
  }

  const int width = static_cast<int>(h.width);
  const int height = static_cast<int>(h.height);
  Bitmap out;
  try {
    out = Bitmap(width, height);
  } catch (const std::bad_alloc&) {
    bad("the image is too large");
  }
  for (int row = 0; row < height; ++row) {
    const std::uint8_t* src = data + h.pixelOffset + static_cast<std::uint64_t>(row) * stride;
    const int y = h.topDown ? row : height - 1 - row;
    Pixel* dst = out.pixels.data() + static_cast<std::size_t>(y) * width;
    switch (h.bits) {
      case 32:
        for (int x = 0; x < width; ++x) dst[x] = rgb(src[4 * x + 2], src[4 * x + 1], src[4 * x]);
        break;
      case 24:
        for (int x = 0; x < width; ++x) dst[x] = rgb(src[3 * x + 2], src[3 * x + 1], src[3 * x]);
        break;
      case 8:
        for (int x = 0; x < width; ++x) dst[x] = palette[src[x]];
        break;
      case 4:
        for (int x = 0; x < width; ++x) dst[x] = palette[(src[x / 2] >> (x % 2 ? 0 : 4)) & 0x0F];
        break;
      default:  // 1
        for (int x = 0; x < width; ++x) dst[x] = palette[(src[x / 8] >> (7 - x % 8)) & 1];
        break;
    }
  }
  return out;
}

namespace {

// Encodes `bitmap` piece by piece: `put` gets the headers, then each row,
// bottom-up, as a vector of bytes that it must take before the next call.
void encodeBitmap(const Bitmap& bitmap,
                  const std::function<void(const std::vector<std::uint8_t>&)>& put) {
  if (bitmap.width < 1 || bitmap.height < 1 ||
      static_cast<std::uint64_t>(bitmap.pixels.size()) !=
          static_cast<std::uint64_t>(bitmap.width) * static_cast<std::uint64_t>(bitmap.height)) {
    throw BitmapFileError(ErrorNumber::InvalidArgument,
                          "Cannot encode a bitmap of " + std::to_string(bitmap.width) + " x " +
                              std::to_string(bitmap.height) + " pixels");
  }
  const std::uint64_t stride = (static_cast<std::uint64_t>(bitmap.width) * 3 + 3) / 4 * 4;
  const std::uint64_t dataBytes = stride * static_cast<std::uint64_t>(bitmap.height);
  const std::uint64_t fileBytes = kFileHeaderSize + kInfoHeaderSize + dataBytes;
  if (fileBytes > std::numeric_limits<std::uint32_t>::max()) {
    throw BitmapFileError(ErrorNumber::InvalidArgument, "Cannot encode a bitmap this large");
  }

  std::vector<std::uint8_t> out;
  out.reserve(static_cast<std::size_t>(std::max<std::uint64_t>(stride, 64)));
  out.push_back('B');
  out.push_back('M');
  put32(out, static_cast<std::uint32_t>(fileBytes));
  put32(out, 0);
  put32(out, static_cast<std::uint32_t>(kFileHeaderSize + kInfoHeaderSize));
  put32(out, kInfoHeaderSize);
  put32(out, static_cast<std::uint32_t>(bitmap.width));
  put32(out, static_cast<std::uint32_t>(bitmap.height));  // positive: bottom-up
  put16(out, 1);                                          // planes
  put16(out, 24);                                         // bits per pixel
  put32(out, kBiRgb);
  put32(out, static_cast<std::uint32_t>(dataBytes));
  put32(out, 3780);  // 96 dots per inch, in pixels per metre
  put32(out, 3780);
  put32(out, 0);  // colours used
  put32(out, 0);  // colours important
  put(out);

  out.assign(static_cast<std::size_t>(stride), 0);  // the padding stays 0
  for (int y = bitmap.height - 1; y >= 0; --y) {
    const Pixel* row = bitmap.pixels.data() + static_cast<std::size_t>(y) * bitmap.width;
    std::uint8_t* bytes = out.data();
    for (int x = 0; x < bitmap.width; ++x, bytes += 3) {
      bytes[0] = static_cast<std::uint8_t>(blue(row[x]));
      bytes[1] = static_cast<std::uint8_t>(green(row[x]));
      bytes[2] = static_cast<std::uint8_t>(red(row[x]));
    }
    put(out);
  }
}

}  // namespace

std::vector<std::uint8_t> EncodeBitmapFile(const Bitmap& bitmap) {
  std::vector<std::uint8_t> file;
  encodeBitmap(bitmap, [&](const std::vector<std::uint8_t>& piece) {
    file.insert(file.end(), piece.begin(), piece.end());
  });
  return file;
}

Bitmap ReadBitmapFile(const std::string& path) {
  namespace fs = std::filesystem;
  std::error_code ec;
  const fs::path p(path);
  if (!fs::exists(p, ec)) {
    throw BitmapFileError(ErrorNumber::FileNotFound, "File not found: " + path);
  }
  if (!fs::is_regular_file(p, ec)) {
    throw BitmapFileError(ErrorNumber::BadFileFormat, "Not a bitmap file: " + path);
  }
  const std::uintmax_t length = fs::file_size(p, ec);
  if (ec) throw BitmapFileError(ErrorNumber::PermissionDenied, "Cannot read " + path);
  if (length > kMaxFileBytes) {
    throw BitmapFileError(ErrorNumber::BadFileFormat,
                          "Invalid bitmap file " + path + ": the file is too large");
  }
  std::ifstream in(p, std::ios::binary);
  if (!in) throw BitmapFileError(ErrorNumber::PermissionDenied, "Permission denied: " + path);
  std::vector<std::uint8_t> bytes;
  try {
    bytes.resize(static_cast<std::size_t>(length));
  } catch (const std::bad_alloc&) {
    throw BitmapFileError(ErrorNumber::BadFileFormat,
                          "Invalid bitmap file " + path + ": the file is too large");
  }
  in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  if (static_cast<std::uintmax_t>(in.gcount()) != length) {
    throw BitmapFileError(ErrorNumber::DeviceIOError, "Cannot read " + path);
  }
  try {
    return DecodeBitmapFile(bytes.data(), bytes.size());
  } catch (const BitmapFileError& e) {
    // Same reason, now naming the file.
    std::string reason = e.what();
    const std::string prefix = "Invalid bitmap file: ";
    if (reason.rfind(prefix, 0) == 0) reason.erase(0, prefix.size());
    throw BitmapFileError(e.number(), "Invalid bitmap file " + path + ": " + reason);
  }
}

void WriteBitmapTo(std::ostream& out, const Bitmap& bitmap) {
  encodeBitmap(bitmap, [&](const std::vector<std::uint8_t>& piece) {
    out.write(reinterpret_cast<const char*>(piece.data()),
              static_cast<std::streamsize>(piece.size()));
  });
}

void WriteBitmapFile(const std::string& path, const Bitmap& bitmap) {
  try {
    rt::writeFileWith(path, [&](std::ostream& file) { WriteBitmapTo(file, bitmap); });
  } catch (const BitmapFileError&) {
    throw;
  } catch (const rt::RuntimeError& e) {
    throw BitmapFileError(e.number(), e.what());
  }
}

}  // namespace grinzo::gdi
