#pragma once
// Windows icon files (.ico): the pointer icon that the game window loads at
// start-up and the program icon, read and written by the core itself so that
// every backend sees the same pixels.
//
// Reading accepts the classic BMP-style icon images: 1, 4 and 8-bit
// palettized, 24 and 32-bit, each with its AND (transparency) mask. Images
// stored as PNG are refused. Writing produces 16-colour images with an AND
// mask (what the pointer and the program icon use) or 32-bit images with
// alpha.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "ui/gdi/gdi.h"

namespace grinzo::gdi {

// Largest width or height of one icon image (the directory stores 256 as 0).
inline constexpr int kMaxIconSide = 256;

// Most pixels that one file may decode to, all images together. Far above any
// real icon; it stops a small hostile file (thousands of directory entries
// pointing at the same large image) from exhausting memory.
inline constexpr std::size_t kMaxIconFilePixels = std::size_t{4} * 1024 * 1024;

// One decoded image of an icon file.
struct IconEntry {
  int width = 0;
  int height = 0;
  // 0x00RRGGBB, rows top-down. Under transparent pixels it holds whatever
  // colour the file stored there (black in a well-formed icon).
  Bitmap pixels;
  // width * height, rows top-down: true where the AND mask is set or, for a
  // 32-bit image that carries alpha, where alpha is 0.
  std::vector<bool> transparent;
};

// One 16-colour image to write.
struct IndexedIcon {
  int width = 0;
  int height = 0;
  std::array<Pixel, 16> palette{};    // 0x00RRGGBB
  std::vector<std::uint8_t> indices;  // width * height palette indices (0..15), rows top-down
  std::vector<bool> transparent;      // width * height, true where the icon is see-through
};

// The pixel of an icon that points when the icon serves as a mouse pointer:
// its centre, rounded down and right, as the platform does for a plain icon
// ((16, 16) for a 32 x 32 image).
struct HotSpot {
  int x = 0;
  int y = 0;
  bool operator==(const HotSpot&) const = default;
};
constexpr HotSpot IconHotSpot(int width, int height) { return {width / 2, height / 2}; }

// Decodes an icon file held in memory, its images in directory order. A
// malformed, truncated or hostile file raises BitmapFileError (BadFileFormat)
// whose message says what is wrong; nothing outside `data` is ever read.
std::vector<IconEntry> DecodeIconFile(const std::uint8_t* data, std::size_t size);

// Reads and decodes an icon file. A missing file raises
// BitmapFileError(FileNotFound), one that cannot be opened
// BitmapFileError(PermissionDenied), a bad one BitmapFileError(BadFileFormat);
// every message names the file.
std::vector<IconEntry> ReadIconFile(const std::string& path);

// Encodes 16-colour images (4 bits per pixel with an AND mask), in the given
// order. Transparent pixels are stored black so that the icon draws correctly
// with the platform's AND-then-XOR rule; when the palette has no black entry,
// an unused entry is turned black. Raises BitmapFileError(InvalidArgument)
// for no images, more than 65535, a side outside 1..kMaxIconSide, vectors of
// the wrong length, an index above 15, or a palette with neither a black nor
// a free entry while transparency is needed.
std::vector<std::uint8_t> EncodeIconFile(const std::vector<IndexedIcon>& images);

// Encodes true-colour images as 32-bit entries (alpha 255 where opaque, 0 and
// black where transparent, plus the matching AND mask). Same argument checks.
std::vector<std::uint8_t> EncodeTrueColourIconFile(const std::vector<IconEntry>& images);

// Writes encoded bytes to `path` through a temporary file renamed into place,
// so a failed write leaves no partial file under the target name. Raises
// BitmapFileError(PathNotFound) when the folder does not exist, otherwise
// BitmapFileError(PermissionDenied), naming the file.
void WriteIconFile(const std::string& path, const std::vector<std::uint8_t>& bytes);

}  // namespace grinzo::gdi
