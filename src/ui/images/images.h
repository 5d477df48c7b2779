#pragma once
// The pictures that the game window carries: five faces and their mask, the
// splat, two bullet holes and the crosshair, each with its mask, and the
// program icon. They live in source as pixel art (one character per palette
// entry) and are expanded to 32-bit pixels once, on first use.

#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

#include "ui/gdi/gdi.h"

namespace grinzo::images {

enum class ImageId {
  Grinzo1,  // picGrinzo(0): smiling
  Grinzo2,  // picGrinzo(1): straight mouth
  Grinzo3,  // picGrinzo(2): broad grin, red mouth
  Grinzo4,  // picGrinzo(3): frowning
  Grinzo5,  // picGrinzo(4): nose and grin, red mouth
  GrinzoMask,
  Splat,
  SplatMask,
  Pistol,
  PistolMask,
  Shotgun,
  ShotgunMask,
  Cursor,
  CursorMask,
};
inline constexpr int kImageCount = 14;

// Colour of entry `index` (0..255) of the shared 256-colour palette.
gdi::Pixel paletteColour(int index);

// The image expanded to 32-bit pixels. Built on first call, then cached for
// the life of the process; the reference stays valid.
const gdi::Bitmap& picture(ImageId id);

// The picture-surface control that holds the image in the game window's
// layout: "picGrinzo" (with element index 0..4), "picGrinzoMask", "picSplat"...
struct SurfaceName {
  std::string_view control;
  int index = -1;  // element of a control array, -1 for a single control
};
SurfaceName surfaceName(ImageId id);

// One image of the program icon: 16 colours, with a transparency mask.
struct IconImage {
  int width = 0;
  int height = 0;
  std::array<gdi::Pixel, 16> palette{};  // 0x00RRGGBB
  std::vector<std::uint8_t> indices;     // width * height palette indices, rows top-down
  std::vector<bool> transparent;         // width * height, true where the icon is see-through
};

// The program icon at 32 x 32 or 16 x 16 (any other size gives the 32 x 32 one).
const IconImage& programIcon(int size);

// The icon drawn over a solid background colour, for the configuration
// dialog's picture box and for previews.
gdi::Bitmap programIconOver(int size, gdi::Pixel background);

// The picture the game plays on where there is no desktop picture (an
// unknown platform, a snapshot that cannot be read back, a screen that
// cannot be photographed): a calm blue gradient with a faint 64-pixel grid,
// so that faces and splats stand out. Paints `width` x `height` pixels of
// `to` from (0, 0), as the part of the picture whose corner lies at
// (originX, originY) of the screen, so neighbouring parts join up.
void paintDesktopSubstitute(gdi::Bitmap& to, int width, int height, int originX, int originY);

}  // namespace grinzo::images
