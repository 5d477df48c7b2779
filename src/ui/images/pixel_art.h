#pragma once
// Pixel art as it sits in source: one string literal per row, one character
// per pixel, each character standing for one colour through a legend. The
// pictures are drawn in the files named after their subject (faces.cpp,
// splat.cpp, holes.cpp, crosshair.cpp, icon.cpp); images.cpp expands them.
//
// A picture whose rows disagree with its stated size, or that uses a
// character outside its legend, is a programming error: expansion throws
// std::logic_error naming the picture, the row and the column.

#include <span>
#include <string_view>

#include "ui/gdi/gdi.h"

namespace grinzo::images {

struct PixelArt {
  std::string_view name;  // for error messages
  int width = 0;
  int height = 0;
  std::span<const std::string_view> rows;
};

// Legend of the game window's pictures, in entries of the 256-colour palette:
//   '.' black (0)   '#' white (255)   'Y' yellow (252)   'R' red (224)
//   'o' grey (146)
// Returns -1 for a character outside the legend.
int paletteIndexOf(char c);

// Legend of the program icon, in entries of the classic 16-colour palette:
//   'K' black  'r' dark red  'g' dark green  'y' dark yellow  'b' dark blue
//   'm' dark magenta  'c' dark cyan  'l' light grey  'd' dark grey  'R' red
//   'G' green  'Y' yellow  'B' blue  'M' magenta  'C' cyan  'W' white
//   ' ' transparent
inline constexpr char kIconTransparent = ' ';
// Returns -1 for a character outside the legend (including the transparent one).
int iconIndexOf(char c);

// Checks the art's shape against its stated size and every character against
// `indexOf`; throws std::logic_error on the first mistake. A transparency
// character other than '\0' is accepted as well.
void checkPixelArt(const PixelArt& art, int (*indexOf)(char), char transparent = '\0');

// The picture through the 256-colour palette; throws std::logic_error when
// the art is malformed (see checkPixelArt).
gdi::Bitmap expandPixelArt(const PixelArt& art);

// The drawings themselves.
PixelArt faceArt(int expression);  // 0 smiling .. 4 nose and grin
PixelArt faceMaskArt();
PixelArt splatArt();
PixelArt splatMaskArt();
PixelArt pistolHoleArt();
PixelArt pistolHoleMaskArt();
PixelArt shotgunHoleArt();
PixelArt shotgunHoleMaskArt();
PixelArt crosshairArt();            // the crosshair's picture and its mask alike
PixelArt programIconArt(int size);  // 32 or 16, in the icon legend

}  // namespace grinzo::images
