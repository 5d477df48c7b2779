// Two games side by side in one process play exactly as each plays alone:
// a game keeps its whole state in its own objects (window, collections,
// random source, clock), never in anything shared.

#include <gtest/gtest.h>

#include "probe.h"

namespace grinzo::game {
namespace {

using testing::GameRig;

// One step of a game: a frame, and now and then a shot or a weapon key.
void step(GameRig& rig, int i) {
  rig.frame(0.05);
  if (i % 7 == 3) rig.press(forms::kLeftButton, static_cast<float>(40 + 9 * i), 300);
  if (i % 25 == 24) rig.key('s');
}

TEST(Isolation, TwoGamesSideBySidePlayAsEachAlone) {
  constexpr int kFrames = 30;
  std::vector<gdi::Bitmap> aloneA, aloneB;
  {
    GameRig a("alone-a");
    a.setting("Level", "3");
    a.play();
    for (int i = 0; i < kFrames; ++i) step(a, i), aloneA.push_back(a.window());
  }
  {
    GameRig b("alone-b");
    b.setting("Faces", "40");
    b.play();
    for (int i = 0; i < kFrames; ++i) step(b, i), aloneB.push_back(b.window());
  }
  GameRig a("together-a"), b("together-b");
  a.setting("Level", "3");
  b.setting("Faces", "40");
  a.play();
  b.play();
  for (int i = 0; i < kFrames; ++i) {
    step(a, i);
    step(b, i);
    ASSERT_TRUE(a.window() == aloneA[i]) << "game A, frame " << i;
    ASSERT_TRUE(b.window() == aloneB[i]) << "game B, frame " << i;
  }
}

}  // namespace
}  // namespace grinzo::game
