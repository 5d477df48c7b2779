#include "icons.h"

#include <cmath>
#include <cstddef>
#include <cstdlib>

namespace grinzo::assetgen {
namespace {

// The sixteen colours of the classic VGA palette.
constexpr std::array<gdi::Pixel, 16> kVgaPalette = {
    gdi::rgb(0, 0, 0),       gdi::rgb(128, 0, 0),   gdi::rgb(0, 128, 0),   gdi::rgb(128, 128, 0),
    gdi::rgb(0, 0, 128),     gdi::rgb(128, 0, 128), gdi::rgb(0, 128, 128), gdi::rgb(192, 192, 192),
    gdi::rgb(128, 128, 128), gdi::rgb(255, 0, 0),   gdi::rgb(0, 255, 0),   gdi::rgb(255, 255, 0),
    gdi::rgb(0, 0, 255),     gdi::rgb(255, 0, 255), gdi::rgb(0, 255, 255), gdi::rgb(255, 255, 255)};
constexpr std::uint8_t kBlack = 0;
constexpr std::uint8_t kWhite = 15;

constexpr int kPointerSize = 32;
constexpr int kRingRadius = 9;
constexpr int kArmInner = 4;   // arms start this far from the centre, leaving the aim point clear
constexpr int kArmOuter = 13;  // and end this far out

bool GunsightPixel(int x, int y) {
  const int dx = x - kPointerHotSpot.x;
  const int dy = y - kPointerHotSpot.y;
  if (dx == 0 && dy == 0) return true;
  const auto onArm = [](int along, int across) {
    return across == 0 && std::abs(along) >= kArmInner && std::abs(along) <= kArmOuter;
  };
  if (onArm(dx, dy) || onArm(dy, dx)) return true;
  const double distance = std::sqrt(static_cast<double>(dx * dx + dy * dy));
  return std::abs(distance - kRingRadius) < 0.5;
}

}  // namespace

gdi::IndexedIcon PointerIcon() {
  gdi::IndexedIcon icon{kPointerSize, kPointerSize, kVgaPalette, {}, {}};
  const auto count = static_cast<std::size_t>(kPointerSize * kPointerSize);
  icon.indices.assign(count, kBlack);
  icon.transparent.assign(count, true);
  // Black where the sight is; white on every pixel touching it (diagonals
  // too), which gives the one-pixel outline; transparent elsewhere.
  for (int y = 0; y < kPointerSize; ++y) {
    for (int x = 0; x < kPointerSize; ++x) {
      const auto i = static_cast<std::size_t>(y * kPointerSize + x);
      if (GunsightPixel(x, y)) {
        icon.transparent[i] = false;
        continue;
      }
      for (int ny = y - 1; ny <= y + 1 && icon.transparent[i]; ++ny) {
        for (int nx = x - 1; nx <= x + 1; ++nx) {
          if (GunsightPixel(nx, ny)) {
            icon.indices[i] = kWhite;
            icon.transparent[i] = false;
            break;
          }
        }
      }
    }
  }
  return icon;
}

gdi::IndexedIcon ToIndexedIcon(const images::IconImage& image) {
  return gdi::IndexedIcon{image.width, image.height, image.palette, image.indices,
                          image.transparent};
}

}  // namespace grinzo::assetgen
