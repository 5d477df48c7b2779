#include "game/motion.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace grinzo::game {
namespace {

// A 30 x 30 face in an 800 x 600 window.
sprites::CGrinzo face(std::int16_t x, std::int16_t y, std::int16_t angle) {
  sprites::CGrinzo f;
  f.Create(0, 0, 30, 30);
  f.X = x;
  f.Y = y;
  f.Angle = angle;
  return f;
}

std::vector<std::pair<int, int>> path(sprites::CGrinzo f, double step, int frames) {
  std::vector<std::pair<int, int>> out;
  for (int i = 0; i < frames; ++i) {
    moveFace(f, step, 800, 600);
    out.emplace_back(f.X, f.Y);
  }
  return out;
}

using Path = std::vector<std::pair<int, int>>;

TEST(FaceMotion, StepIsSplitByTheAngleAndRoundedHalfToEven) {
  EXPECT_EQ(path(face(100, 100, 45), 3.5, 1), (Path{{102, 98}}));               // 101.75, 98.25
  EXPECT_EQ(path(face(100, 100, 0), 3.5, 2), (Path{{100, 96}, {100, 92}}));     // 96.5, 92.5
  EXPECT_EQ(path(face(100, 100, 90), 3.5, 2), (Path{{104, 100}, {108, 100}}));  // 103.5, 107.5
  EXPECT_EQ(path(face(100, 100, 180), 4, 1), (Path{{100, 104}}));
  EXPECT_EQ(path(face(100, 100, 270), 4, 1), (Path{{96, 100}}));
  EXPECT_EQ(path(face(100, 100, 360), 4, 1), (Path{{100, 96}}));
  EXPECT_EQ(path(face(100, 100, 361), 4, 1), (Path{{100, 100}})) << "no quarter: stays put";
}

// With step 0 only the edge rules act: {x, y, angle} before and after.
struct Bounce {
  std::int16_t x, y, angle;
  std::int16_t newX, newY, newAngle;
};

TEST(FaceMotion, EdgesTurnTheFaceAndNudgeItBackOnePixel) {
  const Bounce cases[] = {
      {-2, 100, 300, -1, 100, 60},  // up-left past the left edge turns up-right
      {-1, 100, 200, 0, 100, 160},  // down-left turns down-right
      {-1, 100, 270, 0, 100, 90},   // straight left turns right
      {-1, 100, 0, 0, 100, 90},     // straight up beyond the left edge turns right too
      {771, 100, 45, 770, 100, 315},
      {771, 100, 135, 770, 100, 225},
      {771, 100, 90, 770, 100, 270},
      {780, 100, 0, 779, 100, 0},    // straight up beyond the right edge keeps going up
      {100, 571, 180, 100, 570, 0},  // straight down past the bottom
      {100, 571, 200, 100, 570, 340},
      {100, 571, 135, 100, 570, 45},
      {100, -1, 0, 100, 0, 180},    // straight up past the top
      {100, -1, 300, 100, 0, 240},  // 540 - 300
      {100, -1, 45, 100, 0, 135},
      {100, -1, 180, 100, 0, 180},   // moving away already: only nudged
      {-1, -1, 315, 0, 0, 135},      // a corner: both checks in the same frame
      {770, 570, 90, 770, 570, 90},  // exactly at the edges is inside
  };
  for (const Bounce& c : cases) {
    sprites::CGrinzo f = face(c.x, c.y, c.angle);
    moveFace(f, 0, 800, 600);
    EXPECT_EQ(f.X, c.newX) << c.x << "," << c.y << " angle " << c.angle;
    EXPECT_EQ(f.Y, c.newY) << c.x << "," << c.y << " angle " << c.angle;
    EXPECT_EQ(f.Angle, c.newAngle) << c.x << "," << c.y << " angle " << c.angle;
  }
}

TEST(FaceMotion, AFaceFarBeyondAnEdgeIsPushedBackEveryFrame) {
  sprites::CGrinzo f = face(790, 100, 0);
  for (int i = 0; i < 5; ++i) moveFace(f, 0, 800, 600);
  EXPECT_EQ(f.X, 785);
  EXPECT_EQ(f.Angle, 0);
}

}  // namespace
}  // namespace grinzo::game
