#include "sprites/collections.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "ui/headless/headless_platform.h"
#include "ui/images/images.h"
#include "ui/layouts/layouts.h"

namespace grinzo::sprites {
namespace {

class CollectionsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    headless::HeadlessOptions options;
    options.programFolder = ::testing::TempDir();
    platform = std::make_unique<headless::HeadlessPlatform>(options);
    window = std::make_unique<forms::Form>(*platform, layouts::frmGrinzo());
    window->load();
    lookup = std::make_unique<ImageLookup>(*platform, *window);
  }
  std::unique_ptr<headless::HeadlessPlatform> platform;
  std::unique_ptr<forms::Form> window;
  std::unique_ptr<ImageLookup> lookup;
  rt::RandomSource random;
};

TEST_F(CollectionsTest, KeysRiseForEachCollectionAloneAndAreNeverReused) {
  CGrinzos faces(*lookup, random);
  CBlobs blobs;
  EXPECT_EQ(faces.Count(), 0);
  for (const auto& face : faces) ADD_FAILURE() << "an empty collection visits nothing";
  faces.Add(10, 1, 2);
  faces.Add(20, 3, 4);
  faces.Remove("1");
  faces.Add(30, 5, 6);
  std::vector<std::string> keys;
  for (const auto& face : faces) keys.push_back(face->GirnzoCode);
  EXPECT_EQ(keys, (std::vector<std::string>{"2", "3"}));
  blobs.Add(2, 100, 100);
  EXPECT_EQ(blobs.Item("1")->BlobType, 2) << "splats count their keys apart from faces";
  EXPECT_THROW(faces.Remove("1"), rt::RuntimeError);
}

TEST_F(CollectionsTest, KeysGoOnPastSixteenBits) {
  CBlobs blobs;
  for (int i = 0; i < 40000; ++i) {
    blobs.Add(3, 0, 0);
    blobs.Remove(blobs.Item(std::to_string(i + 1))->BlobCode);
  }
  blobs.Add(1, 7, 8);
  EXPECT_EQ(blobs.Count(), 1);
  EXPECT_EQ(blobs.Item("40001")->X, 7);
}

TEST_F(CollectionsTest, FacesGetOneOfFivePicturesTheSharedMaskAndThirtyPixels) {
  CGrinzos faces(*lookup, random);
  std::map<gdi::HDC, int> seen;
  for (int i = 0; i < 5000; ++i) faces.Add(static_cast<std::int16_t>(i % 351), 0, 0);
  for (const auto& face : faces) {
    ++seen[face->sprite()];
    EXPECT_EQ(face->mask(), faces.maskSurface());
    EXPECT_EQ(face->Width, 30);
    EXPECT_EQ(face->Height, 30);
  }
  ASSERT_EQ(seen.size(), 5u);
  for (int n = 1; n <= 5; ++n) {
    EXPECT_NEAR(seen[faces.picture(n)], 1000, 150) << "picture " << n;
    EXPECT_EQ(*gdi::SurfacePixels(faces.picture(n)),
              images::picture(static_cast<images::ImageId>(
                  static_cast<int>(images::ImageId::Grinzo1) + n - 1)));
  }
}

TEST_F(CollectionsTest, AFaceDrawsThroughItsMaskAndDeleteLeavesTheSharedSurfaces) {
  CGrinzos faces(*lookup, random);
  faces.Add(0, 5, 6);
  const auto face = faces.Item("1");
  gdi::Bitmap* image = gdi::SurfaceBitmap(window->hDC());
  std::fill(image->pixels.begin(), image->pixels.end(), gdi::rgb(0, 0, 255));
  face->Draw(*window);
  const gdi::Bitmap once = *gdi::SurfacePixels(window->hDC());
  face->Draw(*window);
  EXPECT_EQ(*gdi::SurfacePixels(window->hDC()), once) << "drawing twice equals drawing once";
  const gdi::Bitmap& mask = images::picture(images::ImageId::GrinzoMask);
  const gdi::Bitmap& picture = *gdi::SurfacePixels(face->sprite());
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 30; ++x) {
      const gdi::Pixel expected = (gdi::rgb(0, 0, 255) & mask.at(x, y)) | picture.at(x, y);
      ASSERT_EQ(once.at(5 + x, 6 + y), expected) << x << "," << y;
    }
  EXPECT_EQ(once.at(4, 6), gdi::rgb(0, 0, 255));

  face->Delete();
  faces.Remove("1");
  EXPECT_TRUE(gdi::IsSurface(faces.picture(1)));
  face->Width = 0;
  std::fill(image->pixels.begin(), image->pixels.end(), 0);
  face->Draw(*window);
  EXPECT_EQ(gdi::SurfacePixels(window->hDC())->at(20, 20), 0u) << "width 0 draws nothing";
}

}  // namespace
}  // namespace grinzo::sprites
