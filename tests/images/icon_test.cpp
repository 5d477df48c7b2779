#include <gtest/gtest.h>

#include "ui/images/images.h"

namespace grinzo::images {
namespace {

TEST(ProgramIcon, SizesAndSixteenColours) {
  EXPECT_EQ(programIcon(32).width, 32);
  EXPECT_EQ(programIcon(16).height, 16);
  EXPECT_EQ(&programIcon(48), &programIcon(32));
  EXPECT_EQ(&programIcon(0), &programIcon(32));
  for (int size : {16, 32}) {
    const IconImage& icon = programIcon(size);
    ASSERT_EQ(icon.indices.size(), static_cast<std::size_t>(size * size));
    ASSERT_EQ(icon.transparent.size(), icon.indices.size());
    for (std::uint8_t i : icon.indices) EXPECT_LT(i, 16);
    EXPECT_EQ(icon.palette[0], gdi::rgb(0, 0, 0));
    EXPECT_EQ(icon.palette[11], gdi::rgb(255, 255, 0));
    EXPECT_EQ(icon.palette[15], gdi::rgb(255, 255, 255));
  }
}

// A round face: see-through corners, a yellow middle, and a black outline
// wherever the face meets the transparent ground.
TEST(ProgramIcon, RoundYellowFaceWithBlackOutline) {
  for (int size : {16, 32}) {
    SCOPED_TRACE(size);
    const IconImage& icon = programIcon(size);
    auto at = [&](int x, int y) { return static_cast<std::size_t>(y * size + x); };
    auto clear = [&](int x, int y) {
      return x < 0 || y < 0 || x >= size || y >= size || icon.transparent[at(x, y)];
    };
    EXPECT_TRUE(clear(0, 0));
    EXPECT_TRUE(clear(size - 1, size - 1));
    EXPECT_FALSE(clear(size / 2, size / 2));
    EXPECT_EQ(icon.palette[icon.indices[at(size / 2, size / 3)]], gdi::rgb(255, 255, 0));
    for (int y = 0; y < size; ++y) {
      for (int x = 0; x < size; ++x) {
        if (clear(x, y)) continue;
        if (clear(x - 1, y) || clear(x + 1, y) || clear(x, y - 1) || clear(x, y + 1)) {
          EXPECT_EQ(icon.indices[at(x, y)], 0) << x << "," << y;
        }
      }
    }
  }
}

TEST(ProgramIcon, CompositedOverABackground) {
  const gdi::Pixel teal = gdi::rgb(0, 128, 128);
  const gdi::Bitmap b = programIconOver(16, teal);
  const IconImage& icon = programIcon(16);
  ASSERT_EQ(b.width, 16);
  ASSERT_EQ(b.height, 16);
  for (std::size_t i = 0; i < b.pixels.size(); ++i) {
    EXPECT_EQ(b.pixels[i], icon.transparent[i] ? teal : icon.palette[icon.indices[i]]);
  }
  EXPECT_EQ(programIconOver(32, teal).width, 32);
}

}  // namespace
}  // namespace grinzo::images
