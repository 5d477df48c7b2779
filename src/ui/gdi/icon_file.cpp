#include "ui/gdi/icon_file.h"

#include <filesystem>
#include <fstream>
#include <system_error>

// Layout of an icon file, all numbers little-endian:
//   directory  reserved (2) = 0, type (2) = 1, count (2)
//   entries    count x 16 bytes: width (1, 0 = 256), height (1), colours (1),
//              reserved (1), planes (2), bit count (2), size (4), offset (4)
//   images     at their offsets: a BITMAPINFOHEADER whose height counts the
//              colour rows and the mask rows together, the palette (4 bytes
//              per colour, B G R 0), the colour rows, then the 1-bit AND mask;
//              rows bottom-up, each padded to a multiple of 4 bytes.

#include "ui/gdi/little_endian.h"
#include "ui/runtime/textfile.h"

namespace grinzo::gdi {
namespace {

constexpr std::size_t kDirectorySize = 6;
constexpr std::size_t kEntrySize = 16;
constexpr std::size_t kInfoHeaderSize = 40;
constexpr std::uintmax_t kMaxFileSize = std::uintmax_t{64} * 1024 * 1024;

[[noreturn]] void Malformed(const std::string& why) {
  throw BitmapFileError(rt::ErrorNumber::BadFileFormat, "Not a valid icon file: " + why);
}

[[noreturn]] void BadArgument(const std::string& why) {
  throw BitmapFileError(rt::ErrorNumber::InvalidArgument, "Cannot encode icon: " + why);
}

// A bounds-checked window on the file: every read names what it was after,
// so a truncated file says which part is missing.
class Bytes {
 public:
  Bytes(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

  std::size_t size() const { return size_; }

  bool has(std::size_t offset, std::size_t count) const {
    return offset <= size_ && count <= size_ - offset;
  }
  void require(std::size_t offset, std::size_t count, const std::string& what) const {
    if (!has(offset, count)) Malformed(what + " is cut short");
  }
  std::uint8_t u8(std::size_t offset) const { return data_[offset]; }
  std::uint16_t u16(std::size_t offset) const {
    return static_cast<std::uint16_t>(le::u16(data_ + offset));
  }
  std::uint32_t u32(std::size_t offset) const { return le::u32(data_ + offset); }
  std::int32_t i32(std::size_t offset) const { return le::s32(data_ + offset); }
  Bytes sub(std::size_t offset, std::size_t count) const { return Bytes(data_ + offset, count); }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
};

std::size_t RowBytes(int width, int bitsPerPixel) {
  return (static_cast<std::size_t>(width) * static_cast<std::size_t>(bitsPerPixel) + 31) / 32 * 4;
}

IconEntry DecodeImage(const Bytes& image, const std::string& name, std::size_t& pixelBudget) {
  if (image.has(0, 8) && image.u32(0) == 0x474E5089u && image.u32(4) == 0x0A1A0A0Du) {
    Malformed(name + " is stored as PNG, which is not supported");
  }
  image.require(0, kInfoHeaderSize, name + "'s header");
  const std::uint32_t headerSize = image.u32(0);
  if (headerSize < kInfoHeaderSize) {
    Malformed(name + " has a header of " + std::to_string(headerSize) +
              " bytes; at least 40 expected");
  }
  image.require(0, headerSize, name + "'s header");
  const std::int32_t width = image.i32(4);
  const std::int32_t doubleHeight = image.i32(8);
  const int planes = image.u16(12);
  const int bits = image.u16(14);
  const std::uint32_t compression = image.u32(16);
  const std::uint32_t coloursUsed = image.u32(32);

  if (width < 1 || width > kMaxIconSide) {
    Malformed(name + " is " + std::to_string(width) + " pixels wide; 1 to 256 allowed");
  }
  // The stored height covers the colour rows and the mask rows; a negative
  // (top-down) height is not used by icons.
  if (doubleHeight < 2 || doubleHeight % 2 != 0 || doubleHeight / 2 > kMaxIconSide) {
    Malformed(name + " has a stored height of " + std::to_string(doubleHeight) +
              "; an even number from 2 to 512 expected");
  }
  const int height = doubleHeight / 2;
  if (planes != 1) Malformed(name + " has " + std::to_string(planes) + " planes; 1 expected");
  if (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32) {
    Malformed(name + " has " + std::to_string(bits) +
              " bits per pixel; 1, 4, 8, 24 or 32 expected");
  }
  if (compression != 0) {
    Malformed(name + " uses compression " + std::to_string(compression) +
              "; only uncompressed images are supported");
  }

  const std::size_t pixelCount = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
  if (pixelCount > pixelBudget) Malformed("the images together are too large");
  pixelBudget -= pixelCount;

  // Palette, for the palettized depths only.
  std::vector<Pixel> palette;
  std::size_t offset = headerSize;
  if (bits <= 8) {
    const std::uint32_t maxColours = 1u << bits;
    const std::uint32_t colours = coloursUsed == 0 ? maxColours : coloursUsed;
    if (colours > maxColours) {
      Malformed(name + " declares " + std::to_string(colours) + " palette colours for " +
                std::to_string(bits) + " bits per pixel");
    }
    image.require(offset, colours * std::size_t{4}, name + "'s palette");
    for (std::uint32_t i = 0; i < colours; ++i) {
      const std::size_t at = offset + i * std::size_t{4};
      palette.push_back(rgb(image.u8(at + 2), image.u8(at + 1), image.u8(at)));
    }
    offset += colours * std::size_t{4};
  }

  const std::size_t colourRow = RowBytes(width, bits);
  const std::size_t maskRow = RowBytes(width, 1);
  const std::size_t colourOffset = offset;
  image.require(colourOffset, colourRow * static_cast<std::size_t>(height),
                name + "'s colour rows");
  const std::size_t maskOffset = colourOffset + colourRow * static_cast<std::size_t>(height);
  // A 32-bit image that carries alpha is complete without its mask.
  const bool hasMask = image.has(maskOffset, maskRow * static_cast<std::size_t>(height));
  if (!hasMask && bits != 32) Malformed(name + "'s transparency mask is cut short");

  IconEntry entry;
  entry.width = width;
  entry.height = height;
  entry.pixels = Bitmap(width, height);
  entry.transparent.assign(pixelCount, false);
  bool anyAlpha = false;
  std::vector<bool> alphaZero(bits == 32 ? pixelCount : 0, false);

  for (int y = 0; y < height; ++y) {
    const std::size_t row = colourOffset + static_cast<std::size_t>(height - 1 - y) * colourRow;
    for (int x = 0; x < width; ++x) {
      const auto ux = static_cast<std::size_t>(x);
      Pixel colour = 0;
      if (bits <= 8) {
        const std::size_t bit = ux * static_cast<std::size_t>(bits);
        const int shift = 8 - bits - static_cast<int>(bit % 8);
        const std::size_t index = (image.u8(row + bit / 8) >> shift) & ((1u << bits) - 1);
        // An index past a short palette draws black rather than failing:
        // the file is structurally sound and every byte read is in bounds.
        colour = index < palette.size() ? palette[index] : 0;
      } else {
        const std::size_t at = row + ux * static_cast<std::size_t>(bits / 8);
        colour = rgb(image.u8(at + 2), image.u8(at + 1), image.u8(at));
        if (bits == 32) {
          const std::uint8_t alpha = image.u8(at + 3);
          anyAlpha = anyAlpha || alpha != 0;
          alphaZero[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + ux] =
              alpha == 0;
        }
      }
      entry.pixels.at(x, y) = colour;
    }
  }

  if (bits == 32 && anyAlpha) {
    entry.transparent = std::move(alphaZero);
  } else if (hasMask) {
    for (int y = 0; y < height; ++y) {
      const std::size_t row = maskOffset + static_cast<std::size_t>(height - 1 - y) * maskRow;
      for (int x = 0; x < width; ++x) {
        const auto ux = static_cast<std::size_t>(x);
        entry.transparent[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + ux] =
            ((image.u8(row + ux / 8) >> (7 - ux % 8)) & 1) != 0;
      }
    }
  }
  return entry;
}

// --- Encoding ---------------------------------------------------------------

void CheckShape(int width, int height, std::size_t transparentSize, std::size_t index) {
  const std::string name = "image " + std::to_string(index + 1);
  if (width < 1 || width > kMaxIconSide || height < 1 || height > kMaxIconSide) {
    BadArgument(name + " is " + std::to_string(width) + " x " + std::to_string(height) +
                "; sides of 1 to 256 allowed");
  }
  if (transparentSize != static_cast<std::size_t>(width) * static_cast<std::size_t>(height)) {
    BadArgument(name + "'s transparency mask does not have width x height entries");
  }
}

void CheckCount(std::size_t count) {
  if (count == 0) BadArgument("no images");
  if (count > 0xFFFF) BadArgument("more than 65535 images");
}

// One image ready for the file: its directory fields and its bytes.
struct EncodedImage {
  int width;
  int height;
  int colourCount;  // 0 for true colour
  int bits;
  std::vector<std::uint8_t> bytes;
};

void PutInfoHeader(std::vector<std::uint8_t>& out, int width, int height, int bits,
                   std::size_t imageBytes) {
  le::put32(out, kInfoHeaderSize);
  le::put32(out, static_cast<std::uint32_t>(width));
  le::put32(out, static_cast<std::uint32_t>(height * 2));
  le::put16(out, 1);
  le::put16(out, static_cast<std::uint32_t>(bits));
  le::put32(out, 0);  // uncompressed
  le::put32(out, static_cast<std::uint32_t>(imageBytes));
  le::put32(out, 0);
  le::put32(out, 0);
  le::put32(out, 0);  // every colour of the palette is used
  le::put32(out, 0);
}

void PutMask(std::vector<std::uint8_t>& out, int width, int height,
             const std::vector<bool>& transparent) {
  const std::size_t maskRow = RowBytes(width, 1);
  for (int y = height - 1; y >= 0; --y) {
    std::vector<std::uint8_t> row(maskRow, 0);
    for (int x = 0; x < width; ++x) {
      const auto ux = static_cast<std::size_t>(x);
      if (transparent[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + ux]) {
        row[ux / 8] = static_cast<std::uint8_t>(row[ux / 8] | (0x80 >> (ux % 8)));
      }
    }
    out.insert(out.end(), row.begin(), row.end());
  }
}

std::vector<std::uint8_t> Assemble(const std::vector<EncodedImage>& images) {
  std::vector<std::uint8_t> out;
  le::put16(out, 0);
  le::put16(out, 1);  // icon, not cursor
  le::put16(out, static_cast<std::uint32_t>(images.size()));
  std::size_t offset = kDirectorySize + kEntrySize * images.size();
  for (const EncodedImage& image : images) {
    out.push_back(static_cast<std::uint8_t>(image.width & 0xFF));  // 256 is stored as 0
    out.push_back(static_cast<std::uint8_t>(image.height & 0xFF));
    out.push_back(static_cast<std::uint8_t>(image.colourCount));
    out.push_back(0);
    le::put16(out, 1);
    le::put16(out, static_cast<std::uint32_t>(image.bits));
    le::put32(out, static_cast<std::uint32_t>(image.bytes.size()));
    le::put32(out, static_cast<std::uint32_t>(offset));
    offset += image.bytes.size();
  }
  for (const EncodedImage& image : images) {
    out.insert(out.end(), image.bytes.begin(), image.bytes.end());
  }
  return out;
}

EncodedImage EncodeIndexed(const IndexedIcon& icon, std::size_t index) {
  CheckShape(icon.width, icon.height, icon.transparent.size(), index);
  const std::size_t count =
      static_cast<std::size_t>(icon.width) * static_cast<std::size_t>(icon.height);
  const std::string name = "image " + std::to_string(index + 1);
  if (icon.indices.size() != count) BadArgument(name + " does not have width x height indices");

  std::array<bool, 16> used{};
  bool anyTransparent = false;
  for (std::size_t i = 0; i < count; ++i) {
    if (icon.indices[i] > 15) BadArgument(name + " has a palette index above 15");
    if (icon.transparent[i]) {
      anyTransparent = true;
    } else {
      used[icon.indices[i]] = true;
    }
  }

  // Transparent pixels must hold black: the platform ANDs the mask and then
  // XORs the colour, so any other colour would tint the background.
  std::array<Pixel, 16> palette = icon.palette;
  int black = -1;
  for (int i = 0; i < 16 && black < 0; ++i) {
    if (palette[static_cast<std::size_t>(i)] == 0) black = i;
  }
  for (int i = 0; i < 16 && black < 0 && anyTransparent; ++i) {
    if (!used[static_cast<std::size_t>(i)]) {
      black = i;
      palette[static_cast<std::size_t>(i)] = 0;
    }
  }
  if (black < 0 && anyTransparent) {
    BadArgument(name + " uses all 16 colours, none black, and has transparent pixels");
  }

  const std::size_t colourRow = RowBytes(icon.width, 4);
  const std::size_t maskRow = RowBytes(icon.width, 1);
  const std::size_t imageBytes = (colourRow + maskRow) * static_cast<std::size_t>(icon.height);
  EncodedImage out{icon.width, icon.height, 16, 4, {}};
  PutInfoHeader(out.bytes, icon.width, icon.height, 4, imageBytes);
  for (Pixel colour : palette) {
    out.bytes.push_back(static_cast<std::uint8_t>(blue(colour)));
    out.bytes.push_back(static_cast<std::uint8_t>(green(colour)));
    out.bytes.push_back(static_cast<std::uint8_t>(red(colour)));
    out.bytes.push_back(0);
  }
  for (int y = icon.height - 1; y >= 0; --y) {
    std::vector<std::uint8_t> row(colourRow, 0);
    for (int x = 0; x < icon.width; ++x) {
      const std::size_t i = static_cast<std::size_t>(y) * static_cast<std::size_t>(icon.width) +
                            static_cast<std::size_t>(x);
      const int value = icon.transparent[i] ? black : icon.indices[i];
      const auto ux = static_cast<std::size_t>(x);
      row[ux / 2] = static_cast<std::uint8_t>(row[ux / 2] | (ux % 2 == 0 ? value << 4 : value));
    }
    out.bytes.insert(out.bytes.end(), row.begin(), row.end());
  }
  PutMask(out.bytes, icon.width, icon.height, icon.transparent);
  return out;
}

EncodedImage EncodeTrueColour(const IconEntry& icon, std::size_t index) {
  CheckShape(icon.width, icon.height, icon.transparent.size(), index);
  if (icon.pixels.width != icon.width || icon.pixels.height != icon.height ||
      icon.pixels.pixels.size() != icon.transparent.size()) {
    BadArgument("image " + std::to_string(index + 1) + "'s pixels do not match its size");
  }
  const std::size_t colourRow = RowBytes(icon.width, 32);
  const std::size_t maskRow = RowBytes(icon.width, 1);
  const std::size_t imageBytes = (colourRow + maskRow) * static_cast<std::size_t>(icon.height);
  EncodedImage out{icon.width, icon.height, 0, 32, {}};
  PutInfoHeader(out.bytes, icon.width, icon.height, 32, imageBytes);
  for (int y = icon.height - 1; y >= 0; --y) {
    for (int x = 0; x < icon.width; ++x) {
      const std::size_t i = static_cast<std::size_t>(y) * static_cast<std::size_t>(icon.width) +
                            static_cast<std::size_t>(x);
      const Pixel colour = icon.transparent[i] ? 0 : icon.pixels.pixels[i];
      out.bytes.push_back(static_cast<std::uint8_t>(blue(colour)));
      out.bytes.push_back(static_cast<std::uint8_t>(green(colour)));
      out.bytes.push_back(static_cast<std::uint8_t>(red(colour)));
      out.bytes.push_back(icon.transparent[i] ? 0 : 0xFF);
    }
  }
  PutMask(out.bytes, icon.width, icon.height, icon.transparent);
  return out;
}

// The error for a file that could not be written, by what is most likely
// wrong: a folder that does not exist, or one we may not write into.

}  // namespace

std::vector<IconEntry> DecodeIconFile(const std::uint8_t* data, std::size_t size) {
  if (data == nullptr) size = 0;
  const Bytes file(data, size);
  file.require(0, kDirectorySize, "the directory");
  if (file.u16(0) != 0 || file.u16(2) != 1) Malformed("the directory does not announce an icon");
  const std::size_t count = file.u16(4);
  if (count == 0) Malformed("the directory lists no images");
  file.require(kDirectorySize, count * kEntrySize,
               "the directory (" + std::to_string(count) + " images announced)");

  std::size_t pixelBudget = kMaxIconFilePixels;
  std::vector<IconEntry> entries;
  entries.reserve(count);
  for (std::size_t i = 0; i < count; ++i) {
    const std::size_t at = kDirectorySize + i * kEntrySize;
    const std::uint32_t bytes = file.u32(at + 8);
    const std::uint32_t offset = file.u32(at + 12);
    const std::string name = "image " + std::to_string(i + 1);
    if (!file.has(offset, bytes)) {
      Malformed(name + " (" + std::to_string(bytes) + " bytes at offset " + std::to_string(offset) +
                ") lies beyond the end of the file (" + std::to_string(size) + " bytes)");
    }
    entries.push_back(DecodeImage(file.sub(offset, bytes), name, pixelBudget));
  }
  return entries;
}

std::vector<IconEntry> ReadIconFile(const std::string& path) {
  namespace fs = std::filesystem;
  std::error_code ec;
  const fs::file_status status = fs::status(path, ec);
  if (!fs::exists(status)) {
    throw BitmapFileError(rt::ErrorNumber::FileNotFound, "File not found: '" + path + "'");
  }
  // A pipe or a device in the file's place would block the start or never end.
  if (!fs::is_regular_file(status)) {
    throw BitmapFileError(rt::ErrorNumber::BadFileFormat,
                          "'" + path + "' is not a file (a folder, pipe or device)");
  }
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    throw BitmapFileError(rt::ErrorNumber::PermissionDenied, "Cannot open '" + path + "'");
  }
  const std::uintmax_t length = fs::file_size(path, ec);
  if (ec || length > kMaxFileSize) {
    throw BitmapFileError(rt::ErrorNumber::BadFileFormat,
                          "'" + path + "' is too large or unreadable for an icon file");
  }
  std::vector<std::uint8_t> data(static_cast<std::size_t>(length));
  in.read(reinterpret_cast<char*>(data.data()), static_cast<std::streamsize>(data.size()));
  // The file may have shrunk since its size was taken: decode what was read.
  data.resize(static_cast<std::size_t>(in.gcount()));
  try {
    return DecodeIconFile(data.data(), data.size());
  } catch (const BitmapFileError& e) {
    throw BitmapFileError(e.number(), "'" + path + "': " + e.what());
  }
}

std::vector<std::uint8_t> EncodeIconFile(const std::vector<IndexedIcon>& images) {
  CheckCount(images.size());
  std::vector<EncodedImage> encoded;
  for (std::size_t i = 0; i < images.size(); ++i) encoded.push_back(EncodeIndexed(images[i], i));
  return Assemble(encoded);
}

std::vector<std::uint8_t> EncodeTrueColourIconFile(const std::vector<IconEntry>& images) {
  CheckCount(images.size());
  std::vector<EncodedImage> encoded;
  for (std::size_t i = 0; i < images.size(); ++i) {
    encoded.push_back(EncodeTrueColour(images[i], i));
  }
  return Assemble(encoded);
}

void WriteIconFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  try {
    rt::writeFile(path,
                  std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
  } catch (const rt::RuntimeError& e) {
    throw BitmapFileError(e.number(), std::string("Cannot write icon file: ") + e.what());
  }
}

}  // namespace grinzo::gdi
