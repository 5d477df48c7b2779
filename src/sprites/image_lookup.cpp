#include "sprites/image_lookup.h"

#include <array>
#include <filesystem>

namespace grinzo::sprites {

namespace {

struct TableRow {
  std::string_view name;
  std::string_view control;
  int index;
};

// Names are compared in this order; the first equal one wins.
constexpr std::array<TableRow, 14> kTable{{
    {"grinzo1.bmp", "picGrinzo", 0},
    {"grinzo2.bmp", "picGrinzo", 1},
    {"grinzo3.bmp", "picGrinzo", 2},
    {"grinzo4.bmp", "picGrinzo", 3},
    {"grinzo5.bmp", "picGrinzo", 4},
    {"grinzomask.bmp", "picGrinzoMask", -1},
    {"pop.bmp", "picSplat", -1},
    {"popmask.bmp", "picSplatMask", -1},
    {"cursor.bmp", "picCursor", -1},
    {"cursormask.bmp", "picCursorMask", -1},
    {"newshotgun.bmp", "picShotgun", -1},
    {"shotgunmask.bmp", "picShotgunMask", -1},
    {"new44.bmp", "picPistol", -1},
    {"44mask.bmp", "picPistolMask", -1},
}};

constexpr std::string_view kSnapshot = "snapshot.bmp";

}  // namespace

std::string joinPath(const std::string& folder, std::string_view name) {
  return (std::filesystem::path(folder) / std::filesystem::path(name)).string();
}

ImageLookup::ImageLookup(ui::Platform& platform, const forms::Form& gameWindow)
    : platform_(&platform),
      window_(&gameWindow),
      snapshotPath_(joinPath(platform.folders().programFolder(), kSnapshot)) {}

gdi::HDC ImageLookup::GetImageDC(std::string_view name) const {
  if (name == kSnapshot) {
    const gdi::HDC surface = gdi::CreateCompatibleDC(0);
    if (surface < 1) return 0;
    gdi::HBITMAP bitmap = 0;
    try {
      bitmap = gdi::CreateBitmapFromPixels(gdi::ReadBitmapFile(snapshotPath_));
    } catch (const gdi::BitmapFileError&) {
      bitmap = 0;
    }
    if (bitmap == 0) {
      gdi::DeleteDC(surface);
      return 0;
    }
    gdi::SelectObject(surface, bitmap);
    // The picture stays reachable through the surface alone.
    gdi::DeleteObject(bitmap);
    return surface;
  }
  for (const TableRow& row : kTable) {
    if (row.name != name) continue;
    const forms::Control* picture = window_->findControl(row.control, row.index);
    return picture ? picture->hDC() : 0;
  }
  return 0;
}

int ImageLookup::DeleteImageDC(gdi::HDC surface) {
  if (surface <= 0) return 0;
  return gdi::DeleteDC(surface);
}

void ImageLookup::PlaySoundFile(const std::string& path) const {
  platform_->sound().playAsync(path);
}

}  // namespace grinzo::sprites
