#include "game/motion.h"

#include "ui/runtime/arith.h"
#include "ui/runtime/convert.h"

namespace grinzo::game {

void moveFace(sprites::CGrinzo& face, double step, float scaleWidth, float scaleHeight) {
  const double a = face.Angle;
  const double x = face.X;
  const double y = face.Y;
  // Y is worked out and stored first, then X.
  if (a >= 0 && a <= 90) {
    const double f = a / 90;
    face.Y = rt::roundToInt16(y - (1 - f) * step);
    face.X = rt::roundToInt16(x + f * step);
  } else if (a > 90 && a <= 180) {
    const double f = (a - 90) / 90;
    face.Y = rt::roundToInt16(y + f * step);
    face.X = rt::roundToInt16(x + (1 - f) * step);
  } else if (a > 180 && a <= 270) {
    const double f = (a - 180) / 90;
    face.Y = rt::roundToInt16(y + (1 - f) * step);
    face.X = rt::roundToInt16(x - f * step);
  } else if (a > 270 && a <= 360) {
    const double f = (a - 270) / 90;
    face.Y = rt::roundToInt16(y - f * step);
    face.X = rt::roundToInt16(x - (1 - f) * step);
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
