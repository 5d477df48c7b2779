#include "sprites/image_lookup.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "ui/headless/headless_platform.h"
#include "ui/images/images.h"
#include "ui/layouts/layouts.h"

namespace grinzo::sprites {
namespace {

class ImageLookupTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder = std::filesystem::path(::testing::TempDir()) / "grinzo-lookup";
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    headless::HeadlessOptions options;
    options.programFolder = folder.string();
    platform = std::make_unique<headless::HeadlessPlatform>(options);
    window = std::make_unique<forms::Form>(*platform, layouts::frmGrinzo());
    window->load();
    lookup = std::make_unique<ImageLookup>(*platform, *window);
  }
  std::filesystem::path folder;
  std::unique_ptr<headless::HeadlessPlatform> platform;
  std::unique_ptr<forms::Form> window;
  std::unique_ptr<ImageLookup> lookup;
};

TEST_F(ImageLookupTest, TableNamesGiveTheWindowsPictureSurfaces) {
  const std::pair<const char*, images::ImageId> rows[] = {
      {"grinzo1.bmp", images::ImageId::Grinzo1},
      {"grinzo5.bmp", images::ImageId::Grinzo5},
      {"grinzomask.bmp", images::ImageId::GrinzoMask},
      {"pop.bmp", images::ImageId::Splat},
      {"popmask.bmp", images::ImageId::SplatMask},
      {"cursor.bmp", images::ImageId::Cursor},
      {"cursormask.bmp", images::ImageId::CursorMask},
      {"newshotgun.bmp", images::ImageId::Shotgun},
      {"shotgunmask.bmp", images::ImageId::ShotgunMask},
      {"new44.bmp", images::ImageId::Pistol},
      {"44mask.bmp", images::ImageId::PistolMask}};
  for (const auto& [name, id] : rows) {
    const gdi::HDC dc = lookup->GetImageDC(name);
    ASSERT_GT(dc, 0) << name;
    EXPECT_EQ(*gdi::SurfacePixels(dc), images::picture(id)) << name;
    EXPECT_EQ(lookup->GetImageDC(name), dc) << "asking twice gives the same surface";
  }
}

TEST_F(ImageLookupTest, UnknownAndMiscasedNamesGiveZero) {
  EXPECT_EQ(lookup->GetImageDC("newcursor.bmp"), 0);
  EXPECT_EQ(lookup->GetImageDC("Grinzo1.bmp"), 0);
  EXPECT_EQ(lookup->GetImageDC("pop.BMP"), 0);
  EXPECT_EQ(lookup->GetImageDC(""), 0);
}

TEST_F(ImageLookupTest, SnapshotIsANewSurfaceEachTimeOrZeroWhenMissing) {
  const int before = gdi::LiveObjectCount();
  EXPECT_EQ(lookup->GetImageDC("snapshot.bmp"), 0);
  EXPECT_EQ(gdi::LiveObjectCount(), before) << "the temporary surface is deleted again";

  gdi::Bitmap picture(37, 21, gdi::rgb(10, 200, 30));
  picture.at(36, 20) = gdi::rgb(255, 0, 0);
  gdi::WriteBitmapFile(joinPath(folder.string(), "snapshot.bmp"), picture);
  const gdi::HDC first = lookup->GetImageDC("snapshot.bmp");
  const gdi::HDC second = lookup->GetImageDC("snapshot.bmp");
  ASSERT_GT(first, 0);
  EXPECT_NE(first, second);
  EXPECT_EQ(*gdi::SurfacePixels(first), picture);
  EXPECT_NE(ImageLookup::DeleteImageDC(first), 0);
  EXPECT_NE(ImageLookup::DeleteImageDC(second), 0);
  EXPECT_EQ(gdi::LiveObjectCount(), before);

  std::filesystem::resize_file(folder / "snapshot.bmp", 30);  // truncated: unreadable
  EXPECT_EQ(lookup->GetImageDC("snapshot.bmp"), 0);
  EXPECT_EQ(gdi::LiveObjectCount(), before);
}

TEST_F(ImageLookupTest, DeleteIgnoresZeroAndNegativeHandles) {
  EXPECT_EQ(ImageLookup::DeleteImageDC(0), 0);
  EXPECT_EQ(ImageLookup::DeleteImageDC(-5), 0);
}

TEST_F(ImageLookupTest, SoundsGoToTheBackendAndANewOneCutsOffTheLast) {
  lookup->PlaySoundFile(joinPath(folder.string(), "gun.wav"));
  lookup->PlaySoundFile(joinPath(folder.string(), "shotgun.wav"));
  ASSERT_EQ(platform->soundsPlayed().size(), 2u);
  EXPECT_EQ(platform->soundsPlayed().back(), joinPath(folder.string(), "shotgun.wav"));
}

}  // namespace
}  // namespace grinzo::sprites
