#include "game/motion.h"

#include "ui/runtime/arith.h"
#include "ui/runtime/convert.h"

namespace grinzo::game {

namespace {

// For each whole direction 0 to 360, what one pixel of step adds to y and
// to x. The four quarters split the step as the motion rules say; the
// values are the very ones the rules' expressions give (a sign flipped is
// exact), so a face moves exactly as by them, without a division or a
// branch per face.
struct Split {
  double dy, dx;
};
struct Splits {
  Split of[361];
  constexpr Splits() : of{} {
    for (int a = 0; a <= 360; ++a) {
      if (a <= 90) {
        const double f = a / 90.0;
        of[a] = {-(1 - f), f};
      } else if (a <= 180) {
        const double f = (a - 90) / 90.0;
        of[a] = {f, 1 - f};
      } else if (a <= 270) {
        const double f = (a - 180) / 90.0;
        of[a] = {1 - f, -f};
      } else {
        const double f = (a - 270) / 90.0;
        of[a] = {-f, -(1 - f)};
      }
    }
  }
};
constexpr Splits kSplits;

}  // namespace

void moveFace(sprites::CGrinzo& face, double step, float scaleWidth, float scaleHeight) {
  const std::int16_t a = face.Angle;
  // Y is worked out and stored first, then X. A direction outside 0 to 360
  // does not move the face.
  if (a >= 0 && a <= 360) {
    const Split split = kSplits.of[a];
    const double x = face.X;
    face.Y = rt::roundToInt16Fast(face.Y + split.dy * step);
    face.X = rt::roundToInt16Fast(x + split.dx * step);
  }

  // Each edge check sees what the one before it left, so a face in a corner
  // turns on both axes in the same frame. A face beyond an edge is nudged
  // back one pixel per frame for as long as it stays there.
  std::int16_t& angle = face.Angle;
  if (face.X < 0) {  // left edge
    if ((angle > 270 && angle < 360) || (angle > 180 && angle < 270)) {
      angle = rt::sub16(360, angle);
    } else {
      angle = 90;
    }
    face.X = rt::add16(face.X, 1);
  }
  if (static_cast<float>(face.X) > scaleWidth - static_cast<float>(face.Width)) {  // right edge
    if ((angle > 0 && angle < 90) || (angle > 90 && angle < 180)) {
      angle = rt::sub16(360, angle);
    } else if (angle == 90) {
      angle = 270;
    }
    face.X = rt::sub16(face.X, 1);
  }
  if (face.Y < 0) {  // top edge
    if (angle > 270 && angle < 360) {
      angle = rt::sub16(540, angle);
    } else if (angle > 0 && angle < 90) {
      angle = rt::sub16(180, angle);
    } else if (angle == 0) {
      angle = 180;
    }
    face.Y = rt::add16(face.Y, 1);
  }
  if (static_cast<float>(face.Y) > scaleHeight - static_cast<float>(face.Height)) {  // bottom
    if (angle > 180 && angle < 270) {
      angle = rt::sub16(540, angle);
    } else if (angle > 90 && angle < 180) {
      angle = rt::sub16(180, angle);
    } else if (angle == 180) {
      angle = 0;
    }
    face.Y = rt::sub16(face.Y, 1);
  }
}

}  // namespace grinzo::game
