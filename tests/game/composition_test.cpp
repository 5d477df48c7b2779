// What each frame shows, pixel for pixel: the desktop picture with every
// splat ever made painted into it, the faces over it, the crosshair on top.

#include <gtest/gtest.h>

#include "probe.h"
#include "ui/images/images.h"

namespace grinzo::game {
namespace {

using testing::GameRig;
using Probe = FrmGrinzoProbe;
using images::ImageId;
using images::picture;

// The frame a test expects, composed independently of the game's code.
struct Expected {
  gdi::Bitmap pixels;

  // Mask ANDed, then picture ORed, from column `srcX` of both, clipped.
  Expected& sprite(int x, int y, int w, int h, const gdi::Bitmap& mask, const gdi::Bitmap* pic,
                   int srcX = 0) {
    for (int j = 0; j < h; ++j)
      for (int i = 0; i < w; ++i) {
        if (x + i < 0 || y + j < 0 || x + i >= pixels.width || y + j >= pixels.height) continue;
        gdi::Pixel& p = pixels.at(x + i, y + j);
        p = (p & mask.at(srcX + i, j)) | (pic ? pic->at(srcX + i, j) : 0);
      }
    return *this;
  }
  Expected& face(const sprites::CGrinzo& f) {
    return sprite(f.X, f.Y, 30, 30, *gdi::SurfacePixels(f.mask()), gdi::SurfacePixels(f.sprite()));
  }
  Expected& crosshair(int x, int y) {
    return sprite(x - 10, y - 10, 24, 21, picture(ImageId::CursorMask), nullptr);
  }
};

int differences(const gdi::Bitmap& a, const gdi::Bitmap& b) {
  if (a.width != b.width || a.height != b.height) return -1;
  int n = 0;
  for (std::size_t i = 0; i < a.pixels.size(); ++i) n += a.pixels[i] != b.pixels[i];
  return n;
}

TEST(Composition, AHandgunHoleIsPaintedFromColumnOneUnderTheFacesAndStaysForGood) {
  GameRig rig("hole");
  rig.setting("Faces", "0");
  frmGrinzo& game = rig.play();
  Expected background{rig.platform().desktop()};
  ASSERT_EQ(differences(rig.window(), background.pixels), 0) << "the photograph, before a frame";

  rig.press(forms::kLeftButton, 100, 100);
  rig.frame();
  background.sprite(81, 82, 38, 37, picture(ImageId::PistolMask), &picture(ImageId::Pistol), 1);
  EXPECT_EQ(differences(rig.window(), Expected(background).crosshair(0, 0).pixels), 0);
  EXPECT_GT(differences(background.pixels, rig.platform().desktop()), 200);
  Expected fromColumn0{rig.platform().desktop()};
  fromColumn0.sprite(81, 82, 38, 37, picture(ImageId::PistolMask), &picture(ImageId::Pistol));
  EXPECT_GT(differences(background.pixels, fromColumn0.pixels), 0);
  EXPECT_EQ(game.pendingBlobs()->Count(), 0);

  // A face passing over the hole is drawn over it and leaves it intact.
  Probe::setStep(game, 7);
  const auto face = Probe::placeFace(game, 75, 90, 90);
  rig.frame();
  ASSERT_EQ(face->X, 82);
  EXPECT_EQ(differences(rig.window(), Expected(background).face(*face).crosshair(0, 0).pixels), 0);
  Probe::setStep(game, 0);
  face->X = 400;
  rig.frame();
  EXPECT_EQ(differences(rig.window(), Expected(background).face(*face).crosshair(0, 0).pixels), 0);

  // A new level takes the faces away, not the splats.
  Probe::setGrinzosLeft(game, 0);
  rig.frame();
  ASSERT_EQ(game.level(), 2);
  EXPECT_EQ(differences(rig.window(), Expected(background).crosshair(0, 0).pixels), 0);
}

TEST(Composition, TheCrosshairIsClippedAtTheCornerGoneWhenIdleAndUnknownSplatsAreDropped) {
  GameRig rig("idle");
  rig.setting("Faces", "0");
  frmGrinzo& game = rig.play();
  rig.frame();
  // The pointer has not moved: only the crosshair's lower right part shows.
  const gdi::Bitmap& desktop = rig.platform().desktop();
  int inCorner = 0, elsewhere = 0;
  for (int y = 0; y < 600; ++y)
    for (int x = 0; x < 800; ++x)
      (x < 14 && y < 11 ? inCorner : elsewhere) += rig.window().at(x, y) != desktop.at(x, y);
  EXPECT_GT(inCorner, 0);
  EXPECT_EQ(elsewhere, 0);

  rig.move(0, 300, 200);
  rig.frame();
  EXPECT_EQ(differences(rig.window(), Expected{desktop}.crosshair(300, 200).pixels), 0);
  rig.frame(10.1);
  ASSERT_TRUE(game.idle());
  EXPECT_EQ(differences(rig.window(), desktop), 0);

  for (std::int16_t type : {0, 4, -1}) Probe::blobs(game).Add(type, 100, 100);
  rig.frame();
  EXPECT_EQ(game.pendingBlobs()->Count(), 0);
  EXPECT_EQ(differences(rig.window(), desktop), 0);
}

TEST(Composition, TheWholeWindowIsRepaintedWhateverTheScreensAndBackground) {
  // A virtual screen left of and above the primary one, and taller.
  GameRig tall("virtual");
  tall.options.screen = {2, {0, 0, 800, 600}, {-200, -100, 1000, 900}, 15, 15};
  tall.setting("Faces", "0");
  frmGrinzo& game = tall.play();
  ASSERT_EQ(game.scaleHeight(), 900);
  const auto low = Probe::placeFace(game, 500, 820, 90);  // below the primary screen
  tall.frames(5);
  ASSERT_EQ(low->X, 535);
  EXPECT_EQ(differences(tall.window(),
                        Expected{tall.platform().desktop()}.face(*low).crosshair(0, 0).pixels),
            0);

  // A monitor goes while the game runs: within a second the window spans the
  // new virtual screen, the game plays on, and nothing is left uncovered.
  tall.platform().setScreen({1, {0, 0, 800, 600}, {0, 0, 800, 600}, 15, 15});
  for (int i = 0; i < 60; ++i) ASSERT_TRUE(tall.frame());
  EXPECT_EQ(game.boundsPixels(), (ui::PixelRect{0, 0, 800, 600}));
  EXPECT_EQ(game.scaleWidth(), 800);
  EXPECT_EQ(game.scaleHeight(), 600);

  // A preview host larger than the primary screen: black beyond it.
  GameRig big("big-preview");
  big.setting("Faces", "0");
  frmGrinzo& preview = big.play(true, {1000, 700});
  const auto beyond = Probe::placeFace(preview, 850, 650, 90);
  big.frames(3);
  Expected expected{gdi::Bitmap(1000, 700)};
  expected.sprite(0, 0, 800, 600, gdi::Bitmap(800, 600, 0), &big.platform().desktop());
  EXPECT_EQ(differences(big.window(), expected.face(*beyond).crosshair(0, 0).pixels), 0);

  // No desktop picture on an unknown platform family: the generated picture,
  // never faces on black.
  GameRig none("no-background");
  none.options.family = ui::PlatformFamily::Unknown;
  frmGrinzo& plain = none.play();
  none.frames(3);
  gdi::Bitmap substitute(800, 600);
  images::paintDesktopSubstitute(substitute, 800, 600, 0, 0);
  Expected generated{substitute};
  for (const auto& face : *plain.faces()) generated.face(*face);
  EXPECT_EQ(differences(none.window(), generated.crosshair(0, 0).pixels), 0);
}

}  // namespace
}  // namespace grinzo::game
