// Composing a frame into the window's persistent image.

#include "game/frm_grinzo.h"
#include "ui/runtime/arith.h"
#include "ui/runtime/errors.h"

namespace grinzo::game {

namespace {

// How each kind of splat is painted, by its BlobType: size, and where its
// top-left lies relative to the point that was hit. The pictures are one
// column wider than drawn; their column 0 is never used.
struct SplatShape {
  int width;
  int height;
  int dx;
  int dy;
};
constexpr SplatShape kFaceSplat{50, 50, 25, 25};
constexpr SplatShape kHandgunHole{38, 37, 19, 18};
constexpr SplatShape kPelletHole{13, 12, 7, 6};

// The crosshair: 24 x 21 pixels, the pointer on its pixel (10, 10).
constexpr int kCrosshairWidth = 24;
constexpr int kCrosshairHeight = 21;
constexpr int kCrosshairHotSpot = 10;

void drawMasked(gdi::HDC dst, int x, int y, int width, int height, gdi::HDC mask, gdi::HDC picture,
                int xSrc) {
  gdi::BitBlt(dst, x, y, width, height, mask, xSrc, 0, gdi::SRCAND);
  gdi::BitBlt(dst, x, y, width, height, picture, xSrc, 0, gdi::SRCPAINT);
}

}  // namespace

void frmGrinzo::RefreshScreen() {
  // New splats go into the background for good, each drawn once, in the
  // order they were made, and then leave the pending list.
  if (mcolBlobs) {
    for (const auto& blob : *mcolBlobs) {
      const SplatShape* shape = nullptr;
      gdi::HDC mask = 0, picture = 0;
      switch (blob->BlobType) {
        case 1:
          shape = &kFaceSplat, mask = mlngPopMask, picture = mlngPop;
          break;
        case 2:
          shape = &kHandgunHole, mask = mlng44Mask, picture = mlng44;
          break;
        case 3:
          shape = &kPelletHole, mask = mlngShotgunMask, picture = mlngShotgun;
          break;
        default:
          break;  // an unknown kind is dropped without drawing
      }
      if (shape) {
        const std::int16_t x = rt::sub16(blob->X, static_cast<std::int16_t>(shape->dx));
        const std::int16_t y = rt::sub16(blob->Y, static_cast<std::int16_t>(shape->dy));
        drawMasked(mlngBackground, x, y, shape->width, shape->height, mask, picture, 1);
      }
      mcolBlobs->Remove(blob->BlobCode);
    }
  }

  const gdi::HDC window = hDC();
  if (window <= 0) {
    throw rt::RuntimeError(rt::ErrorNumber::InvalidArgument, "The game window is not loaded");
  }
  const int width = scaleWidth();
  const int height = scaleHeight();

  // The background at 1:1 over the whole window, which wipes out the last
  // frame's faces and crosshair. Whatever the background does not cover is
  // painted black so that nothing leaves a trail.
  int ox = 0, oy = 0;
  backgroundOffset(ox, oy);
  const gdi::Size background = gdi::SurfaceSize(mlngBackground);
  if (ox < 0 || oy < 0 || ox + width > background.width || oy + height > background.height) {
    gdi::PatBlt(window, 0, 0, width, height, gdi::BLACKNESS);
  }

  // Then the faces, later ones over earlier ones: each exactly as its Draw
  // would, mask ANDed and picture ORed, but all in one call with the
  // background copy, so that a crowd costs only what shows of it.
  frameSprites_.clear();
  if (mcolGrinzos) {
    frameSprites_.reserve(static_cast<std::size_t>(mcolGrinzos->Count()));
    mcolGrinzos->forEach([&](const sprites::CGrinzo& face) {
      frameSprites_.push_back(
          {face.X, face.Y, face.Width, face.Height, face.mask(), face.sprite(), 0, 0});
    });
  }
  gdi::CopyAndDrawSprites(window, 0, 0, width, height, mlngBackground, ox, oy, frameSprites_.data(),
                          frameSprites_.size());

  // The crosshair comes from its mask alone (mlngCursor is 0): a black
  // crosshair ANDed onto the frame.
  if (!mblnIdle) {
    const std::int16_t x = rt::sub16(mintCursorX, kCrosshairHotSpot);
    const std::int16_t y = rt::sub16(mintCursorY, kCrosshairHotSpot);
    drawMasked(window, x, y, kCrosshairWidth, kCrosshairHeight, mlngCursorMask, mlngCursor, 0);
  }

  point(1, 1);
  present();
}

}  // namespace grinzo::game
