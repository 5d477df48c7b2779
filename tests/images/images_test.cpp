#include "ui/images/images.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <set>
#include <stdexcept>
#include <string_view>
#include <utility>
#include <vector>

#include "ui/images/pixel_art.h"

namespace grinzo::images {
namespace {

constexpr gdi::Pixel kBlack = gdi::rgb(0, 0, 0);
constexpr gdi::Pixel kWhite = gdi::rgb(255, 255, 255);
constexpr gdi::Pixel kYellow = gdi::rgb(255, 255, 0);
constexpr gdi::Pixel kRed = gdi::rgb(255, 0, 0);
constexpr gdi::Pixel kGrey = gdi::rgb(128, 128, 128);

std::set<gdi::Pixel> coloursOf(const gdi::Bitmap& b) { return {b.pixels.begin(), b.pixels.end()}; }

int count(const gdi::Bitmap& b, bool (*pred)(gdi::Pixel)) {
  int n = 0;
  for (gdi::Pixel p : b.pixels) n += pred(p) ? 1 : 0;
  return n;
}

// Every non-black pixel of `image` falls on a black pixel of `mask`.
void expectInsideMask(ImageId image, ImageId mask) {
  const gdi::Bitmap& pic = picture(image);
  const gdi::Bitmap& m = picture(mask);
  ASSERT_EQ(pic.width, m.width);
  ASSERT_EQ(pic.height, m.height);
  for (std::size_t i = 0; i < pic.pixels.size(); ++i) {
    if (pic.pixels[i] != kBlack) {
      EXPECT_EQ(m.pixels[i], kBlack) << surfaceName(image).control << " pixel " << i;
    }
  }
}

TEST(Palette, NamedEntriesAndRange) {
  EXPECT_EQ(paletteColour(0), kBlack);
  EXPECT_EQ(paletteColour(146), kGrey);
  EXPECT_EQ(paletteColour(224), kRed);
  EXPECT_EQ(paletteColour(252), kYellow);
  EXPECT_EQ(paletteColour(255), kWhite);
  EXPECT_EQ(paletteColour(1), gdi::rgb(0, 0, 64));
  EXPECT_EQ(paletteColour(4), gdi::rgb(0, 32, 0));
  EXPECT_EQ(paletteColour(32), gdi::rgb(32, 0, 0));
  EXPECT_THROW(paletteColour(-1), std::out_of_range);
  EXPECT_THROW(paletteColour(256), std::out_of_range);
}

TEST(Images, SizesAndColours) {
  struct Row {
    ImageId id;
    int width, height;
    std::set<gdi::Pixel> colours;
  };
  const Row rows[] = {
      {ImageId::Grinzo1, 30, 30, {kYellow, kBlack}},
      {ImageId::Grinzo2, 30, 30, {kYellow, kBlack}},
      {ImageId::Grinzo3, 30, 30, {kYellow, kBlack, kRed}},
      {ImageId::Grinzo4, 30, 30, {kYellow, kBlack}},
      {ImageId::Grinzo5, 30, 30, {kYellow, kBlack, kRed}},
      {ImageId::GrinzoMask, 30, 30, {kBlack, kWhite}},
      {ImageId::Splat, 51, 50, {kRed, kBlack}},
      {ImageId::SplatMask, 51, 50, {kBlack, kWhite}},
      {ImageId::Pistol, 39, 37, {kGrey, kBlack}},
      {ImageId::PistolMask, 39, 37, {kBlack, kWhite}},
      {ImageId::Shotgun, 14, 12, {kGrey, kBlack}},
      {ImageId::ShotgunMask, 14, 12, {kBlack, kWhite}},
      {ImageId::Cursor, 24, 21, {kBlack, kWhite}},
      {ImageId::CursorMask, 24, 21, {kBlack, kWhite}},
  };
  for (const Row& row : rows) {
    const gdi::Bitmap& b = picture(row.id);
    SCOPED_TRACE(surfaceName(row.id).control);
    EXPECT_EQ(b.width, row.width);
    EXPECT_EQ(b.height, row.height);
    EXPECT_EQ(coloursOf(b), row.colours);
  }
  EXPECT_EQ(&picture(ImageId::Splat), &picture(ImageId::Splat));
}

TEST(Images, FacesAreOneFaceWithFiveExpressions) {
  for (int i = 0; i < 5; ++i) {
    const auto face = static_cast<ImageId>(i);
    expectInsideMask(face, ImageId::GrinzoMask);
    for (int j = i + 1; j < 5; ++j) EXPECT_NE(picture(face), picture(static_cast<ImageId>(j)));
    // Disc and eyes are shared: only the nose and mouth, lower down, differ.
    for (int y = 0; y <= 10; ++y) {
      for (int x = 0; x < 30; ++x) {
        ASSERT_EQ(picture(face).at(x, y), picture(ImageId::Grinzo1).at(x, y)) << x << "," << y;
      }
    }
  }
}

TEST(Images, FaceMaskIsADiscWhiteOnlyInTheCorners) {
  const gdi::Bitmap& m = picture(ImageId::GrinzoMask);
  for (int y = 0; y < 30; ++y) {
    for (int x = 0; x < 30; ++x) {
      const double dx = x + 0.5 - 15, dy = y + 0.5 - 15;
      if (m.at(x, y) == kWhite) {
        EXPECT_GT(dx * dx + dy * dy, 15.0 * 15.0) << x << "," << y;
      }
    }
  }
  for (auto [x, y] : {std::pair{14, 14}, {15, 0}, {14, 29}, {0, 14}, {29, 15}}) {
    EXPECT_EQ(m.at(x, y), kBlack) << x << "," << y;
  }
  EXPECT_EQ(m.at(0, 0), kWhite);
  EXPECT_EQ(m.at(29, 29), kWhite);
}

TEST(Images, SplatAndMaskCoverTheSamePixels) {
  const gdi::Bitmap& s = picture(ImageId::Splat);
  const gdi::Bitmap& m = picture(ImageId::SplatMask);
  for (std::size_t i = 0; i < s.pixels.size(); ++i) {
    EXPECT_EQ(s.pixels[i] == kRed, m.pixels[i] == kBlack) << "pixel " << i;
  }
  EXPECT_EQ(m.at(26, 25), kBlack);  // the hit point lies in the blob
}

TEST(Images, HoleMasksContainAndExceedTheirRims) {
  expectInsideMask(ImageId::Pistol, ImageId::PistolMask);
  expectInsideMask(ImageId::Shotgun, ImageId::ShotgunMask);
  auto black = [](gdi::Pixel p) { return p == kBlack; };
  auto grey = [](gdi::Pixel p) { return p == kGrey; };
  EXPECT_GT(count(picture(ImageId::PistolMask), black), 2 * count(picture(ImageId::Pistol), grey));
  EXPECT_GT(count(picture(ImageId::ShotgunMask), black),
            2 * count(picture(ImageId::Shotgun), grey));
  // Centred where the shot lands once drawing starts at column 1.
  EXPECT_EQ(picture(ImageId::PistolMask).at(20, 18), kBlack);
  EXPECT_EQ(picture(ImageId::ShotgunMask).at(8, 6), kBlack);
}

TEST(Images, FirstColumnOfSplatsIsEmpty) {
  // Splats are drawn from column 1 on, so column 0 must hold nothing.
  for (ImageId id : {ImageId::Splat, ImageId::Pistol, ImageId::Shotgun}) {
    const gdi::Bitmap& b = picture(id);
    for (int y = 0; y < b.height; ++y) EXPECT_EQ(b.at(0, y), kBlack);
  }
  for (ImageId id : {ImageId::SplatMask, ImageId::PistolMask, ImageId::ShotgunMask}) {
    const gdi::Bitmap& b = picture(id);
    for (int y = 0; y < b.height; ++y) EXPECT_EQ(b.at(0, y), kWhite);
  }
}

TEST(Images, Crosshair) {
  const gdi::Bitmap& c = picture(ImageId::CursorMask);
  EXPECT_EQ(picture(ImageId::Cursor), c);
  for (int x = 0; x < 24; ++x) EXPECT_TRUE(c.at(x, 9) == kBlack && c.at(x, 10) == kBlack) << x;
  for (int y = 0; y < 21; ++y) EXPECT_TRUE(c.at(11, y) == kBlack && c.at(12, y) == kBlack) << y;
  for (int y = 8; y <= 11; ++y) {
    for (int x = 10; x <= 13; ++x) EXPECT_EQ(c.at(x, y), kBlack) << x << "," << y;
  }
  int left = 99, right = -1, top = 99, bottom = -1;
  for (int y = 0; y < 21; ++y) {
    for (int x = 0; x < 24; ++x) {
      if (c.at(x, y) != kBlack || y == 9 || y == 10 || x == 11 || x == 12) continue;
      left = std::min(left, x), right = std::max(right, x);
      top = std::min(top, y), bottom = std::max(bottom, y);
    }
  }
  EXPECT_EQ(left, 3);
  EXPECT_EQ(right, 20);
  EXPECT_EQ(top, 2);
  EXPECT_EQ(bottom, 17);
}

TEST(Images, SurfaceNames) {
  EXPECT_EQ(surfaceName(ImageId::Grinzo1).control, "picGrinzo");
  EXPECT_EQ(surfaceName(ImageId::Grinzo1).index, 0);
  EXPECT_EQ(surfaceName(ImageId::Grinzo5).index, 4);
  EXPECT_EQ(surfaceName(ImageId::GrinzoMask).control, "picGrinzoMask");
  EXPECT_EQ(surfaceName(ImageId::GrinzoMask).index, -1);
  EXPECT_EQ(surfaceName(ImageId::PistolMask).control, "picPistolMask");
  EXPECT_EQ(surfaceName(ImageId::CursorMask).control, "picCursorMask");
  std::set<std::string_view> distinct;
  for (int i = 5; i < kImageCount; ++i)
    distinct.insert(surfaceName(static_cast<ImageId>(i)).control);
  EXPECT_EQ(distinct.size(), 9u);
  EXPECT_THROW(surfaceName(static_cast<ImageId>(kImageCount)), std::out_of_range);
  EXPECT_THROW(picture(static_cast<ImageId>(-1)), std::out_of_range);
}

TEST(PixelArtExpansion, RejectsMalformedArt) {
  constexpr std::string_view good[] = {".#", "YR"};
  const gdi::Bitmap b = expandPixelArt({"good", 2, 2, good});
  EXPECT_EQ(b.pixels, (std::vector<gdi::Pixel>{kBlack, kWhite, kYellow, kRed}));
  EXPECT_THROW(expandPixelArt({"short", 2, 3, good}), std::logic_error);
  EXPECT_THROW(expandPixelArt({"narrow", 3, 2, good}), std::logic_error);
  constexpr std::string_view stray[] = {".#", "Yx"};
  EXPECT_THROW(expandPixelArt({"stray", 2, 2, stray}), std::logic_error);
  constexpr std::string_view none[] = {""};
  EXPECT_THROW(expandPixelArt({"empty", 0, 1, none}), std::logic_error);
}

// Screens are taller than one sweep of the shading: no row may jump in
// colour from the one above it, on a tall screen nor above the primary one.
TEST(DesktopSubstitute, ShadesWithoutASeamAcrossTallScreens) {
  gdi::Bitmap picture(1, 4200);
  paintDesktopSubstitute(picture, 1, 4200, 1, -2100);
  for (int y = 1; y < picture.height; ++y) {
    if ((y - 2100) % 64 == 0 || (y - 2100 - 1) % 64 == 0) continue;  // grid rows
    const int step = gdi::blue(picture.at(0, y)) - gdi::blue(picture.at(0, y - 1));
    ASSERT_LE(std::abs(step), 1) << "between rows " << y - 2101 << " and " << y - 2100;
  }
}

}  // namespace
}  // namespace grinzo::images
