// The palettes, the expansion of the pixel art and the lookup by image.

#include "ui/images/images.h"

#include <algorithm>

#include <cstddef>
#include <stdexcept>
#include <string>

#include "ui/images/pixel_art.h"

namespace grinzo::images {
namespace {

constexpr int kLevels8[8] = {0, 32, 64, 96, 128, 160, 192, 255};
constexpr int kLevels4[4] = {0, 64, 128, 255};

// Black, dark red, dark green, dark yellow, dark blue, dark magenta,
// dark cyan, light grey, dark grey, red, green, yellow, blue, magenta, cyan,
// white: the order the icon legend counts in.
constexpr std::array<gdi::Pixel, 16> kIconPalette = {
    gdi::rgb(0, 0, 0),       gdi::rgb(128, 0, 0),   gdi::rgb(0, 128, 0),   gdi::rgb(128, 128, 0),
    gdi::rgb(0, 0, 128),     gdi::rgb(128, 0, 128), gdi::rgb(0, 128, 128), gdi::rgb(192, 192, 192),
    gdi::rgb(128, 128, 128), gdi::rgb(255, 0, 0),   gdi::rgb(0, 255, 0),   gdi::rgb(255, 255, 0),
    gdi::rgb(0, 0, 255),     gdi::rgb(255, 0, 255), gdi::rgb(0, 255, 255), gdi::rgb(255, 255, 255),
};
constexpr std::string_view kIconLegend = "KrgybmcldRGYBMCW";

int idNumber(ImageId id) { return static_cast<int>(id); }

void checkId(ImageId id) {
  if (idNumber(id) < 0 || idNumber(id) >= kImageCount) {
    throw std::out_of_range("no image with id " + std::to_string(idNumber(id)));
  }
}

PixelArt artFor(ImageId id) {
  switch (id) {
    case ImageId::Grinzo1:
    case ImageId::Grinzo2:
    case ImageId::Grinzo3:
    case ImageId::Grinzo4:
    case ImageId::Grinzo5:
      return faceArt(idNumber(id) - idNumber(ImageId::Grinzo1));
    case ImageId::GrinzoMask:
      return faceMaskArt();
    case ImageId::Splat:
      return splatArt();
    case ImageId::SplatMask:
      return splatMaskArt();
    case ImageId::Pistol:
      return pistolHoleArt();
    case ImageId::PistolMask:
      return pistolHoleMaskArt();
    case ImageId::Shotgun:
      return shotgunHoleArt();
    case ImageId::ShotgunMask:
      return shotgunHoleMaskArt();
    case ImageId::Cursor:
    case ImageId::CursorMask:
      return crosshairArt();
  }
  throw std::out_of_range("no image with id " + std::to_string(idNumber(id)));
}

IconImage buildIcon(int size) {
  const PixelArt art = programIconArt(size);
  checkPixelArt(art, iconIndexOf, kIconTransparent);
  IconImage icon;
  icon.width = art.width;
  icon.height = art.height;
  icon.palette = kIconPalette;
  const auto count = static_cast<std::size_t>(art.width) * static_cast<std::size_t>(art.height);
  icon.indices.reserve(count);
  icon.transparent.reserve(count);
  for (const std::string_view row : art.rows) {
    for (const char c : row) {
      const bool clear = c == kIconTransparent;
      // A see-through pixel carries colour 0, as an icon's colour image does
      // under its transparency mask.
      icon.indices.push_back(static_cast<std::uint8_t>(clear ? 0 : iconIndexOf(c)));
      icon.transparent.push_back(clear);
    }
  }
  return icon;
}

}  // namespace

gdi::Pixel paletteColour(int index) {
  if (index < 0 || index > 255) {
    throw std::out_of_range("palette index " + std::to_string(index) + " is outside 0 to 255");
  }
  return gdi::rgb(kLevels8[index / 32], kLevels8[(index / 4) % 8], kLevels4[index % 4]);
}

int paletteIndexOf(char c) {
  switch (c) {
    case '.':
      return 0;
    case '#':
      return 255;
    case 'Y':
      return 252;
    case 'R':
      return 224;
    case 'o':
      return 146;
    default:
      return -1;
  }
}

int iconIndexOf(char c) {
  const std::size_t at = kIconLegend.find(c);
  return at == std::string_view::npos ? -1 : static_cast<int>(at);
}

void checkPixelArt(const PixelArt& art, int (*indexOf)(char), char transparent) {
  const std::string what = "picture \"" + std::string(art.name) + "\": ";
  if (art.width < 1 || art.height < 1) {
    throw std::logic_error(what + "size " + std::to_string(art.width) + " x " +
                           std::to_string(art.height) + " is empty");
  }
  if (art.rows.size() != static_cast<std::size_t>(art.height)) {
    throw std::logic_error(what + std::to_string(art.rows.size()) + " rows, expected " +
                           std::to_string(art.height));
  }
  for (std::size_t y = 0; y < art.rows.size(); ++y) {
    const std::string_view row = art.rows[y];
    if (row.size() != static_cast<std::size_t>(art.width)) {
      throw std::logic_error(what + "row " + std::to_string(y) + " is " +
                             std::to_string(row.size()) + " pixels wide, expected " +
                             std::to_string(art.width));
    }
    for (std::size_t x = 0; x < row.size(); ++x) {
      const char c = row[x];
      if ((transparent == '\0' || c != transparent) && indexOf(c) < 0) {
        throw std::logic_error(what + "character '" + std::string(1, c) + "' at row " +
                               std::to_string(y) + ", column " + std::to_string(x) +
                               " is not in the legend");
      }
    }
  }
}

gdi::Bitmap expandPixelArt(const PixelArt& art) {
  checkPixelArt(art, paletteIndexOf);
  gdi::Bitmap bitmap(art.width, art.height);
  for (int y = 0; y < art.height; ++y) {
    const std::string_view row = art.rows[static_cast<std::size_t>(y)];
    for (int x = 0; x < art.width; ++x) {
      bitmap.at(x, y) = paletteColour(paletteIndexOf(row[static_cast<std::size_t>(x)]));
    }
  }
  return bitmap;
}

const gdi::Bitmap& picture(ImageId id) {
  checkId(id);
  // All fourteen at once: a mistake in any drawing surfaces on the first use
  // of any of them rather than in the middle of a game.
  static const std::array<gdi::Bitmap, kImageCount> pictures = [] {
    std::array<gdi::Bitmap, kImageCount> all;
    for (int i = 0; i < kImageCount; ++i) {
      all[static_cast<std::size_t>(i)] = expandPixelArt(artFor(static_cast<ImageId>(i)));
    }
    return all;
  }();
  return pictures[static_cast<std::size_t>(idNumber(id))];
}

SurfaceName surfaceName(ImageId id) {
  checkId(id);
  // In ImageId order; the five faces are the elements of one control array.
  static constexpr std::array<SurfaceName, kImageCount> kNames{{
      {"picGrinzo", 0},
      {"picGrinzo", 1},
      {"picGrinzo", 2},
      {"picGrinzo", 3},
      {"picGrinzo", 4},
      {"picGrinzoMask", -1},
      {"picSplat", -1},
      {"picSplatMask", -1},
      {"picPistol", -1},
      {"picPistolMask", -1},
      {"picShotgun", -1},
      {"picShotgunMask", -1},
      {"picCursor", -1},
      {"picCursorMask", -1},
  }};
  return kNames[static_cast<std::size_t>(idNumber(id))];
}

const IconImage& programIcon(int size) {
  static const IconImage large = buildIcon(32);
  static const IconImage small = buildIcon(16);
  return size == 16 ? small : large;
}

gdi::Bitmap programIconOver(int size, gdi::Pixel background) {
  const IconImage& icon = programIcon(size);
  gdi::Bitmap bitmap(icon.width, icon.height);
  for (std::size_t i = 0; i < bitmap.pixels.size(); ++i) {
    bitmap.pixels[i] = icon.transparent[i] ? background : icon.palette[icon.indices[i]];
  }
  return bitmap;
}

void paintDesktopSubstitute(gdi::Bitmap& to, int width, int height, int originX, int originY) {
  width = std::min(width, to.width);
  height = std::min(height, to.height);
  for (int y = 0; y < height; ++y) {
    const int sy = y + originY;
    // Light and dark again every 2048 rows, so that a tall screen shows no
    // edge where the shading starts over.
    const int phase = sy & 2047;
    const int shade = 40 + (phase < 1024 ? phase : 2047 - phase) / 8;
    const gdi::Pixel plain = gdi::rgb(20, 60 + shade / 3, 90 + shade / 2);
    const gdi::Pixel grid = gdi::rgb(70, 110, 160);
    const bool gridRow = (sy % 64) == 0;
    for (int x = 0; x < width; ++x) {
      to.at(x, y) = gridRow || ((x + originX) % 64) == 0 ? grid : plain;
    }
  }
}

}  // namespace grinzo::images
