// The level clock, passing and failing, weapons by level, and the status
// labels.

#include <gtest/gtest.h>

#include "probe.h"

namespace grinzo::game {
namespace {

using testing::GameRig;
using Probe = FrmGrinzoProbe;

bool labelsVisible(const frmGrinzo& game, bool visible) {
  for (const char* name : kStatusLabels)
    if (game.control(name).visible() != visible) return false;
  return true;
}

TEST(LevelClock, TicksAtMostOncePerFrameHoweverLongTheFrameOrThePrompt) {
  GameRig rig("clock");
  rig.passwordInForce();
  rig.platform().setPasswordAnswer(false);
  rig.platform().setOnPasswordPrompt([&] { rig.advance(30); });
  frmGrinzo& game = rig.play();
  rig.frames(49, 0.02);
  EXPECT_EQ(game.timeLeft(), 180);
  rig.frame(0.02);
  EXPECT_EQ(game.timeLeft(), 179) << "one second after the loop started";
  EXPECT_EQ(game.control("lblTime").caption(), "179");
  rig.frame(5);
  EXPECT_EQ(game.timeLeft(), 178) << "a five-second frame costs one second";

  rig.advance(1);
  rig.key('x');  // refused password; the dialog stayed open 30 s
  ASSERT_EQ(rig.platform().passwordPrompts(), 1);
  rig.frame();
  rig.frames(10);
  EXPECT_EQ(game.timeLeft(), 177) << "thirty seconds in the prompt cost one";
}

TEST(LevelRules, PassingRaisesLevelWeaponsAndSpeedFailingReturnsToTheStartKeepingTheSpeed) {
  GameRig rig("rules");
  std::ofstream(rig.folder / kSpeedFactorFile) << " 1\r\n";
  frmGrinzo& game = rig.play();
  EXPECT_EQ(game.step(), 3.5);
  EXPECT_EQ(game.grinzosLeft(), 100);
  EXPECT_EQ(game.weaponsAvailable(), 1);
  EXPECT_EQ(game.faces()->Count(), 10);

  for (int level = 2; level <= 4; ++level) {
    Probe::setTimeLeft(game, 50);
    Probe::setGrinzosLeft(game, 0);
    rig.frame();
    EXPECT_EQ(game.level(), level);
    EXPECT_EQ(game.grinzosLeft(), 10 * level + 90);
    EXPECT_EQ(game.weaponsAvailable(), std::min(level, 3));
    EXPECT_EQ(game.timeLeft(), 180);
    EXPECT_EQ(game.step(), level + 2.5);
    EXPECT_EQ(game.faces()->Count(), 10);
  }
  rig.key('S');
  rig.key('s');
  ASSERT_EQ(game.currentWeapon(), kMachineGun);

  // The clock's end fails the level even when the last hit (a bullet that
  // cannot miss the face) came in the same frame: back to the starting
  // level, handgun only, at the speed of the level that was failed.
  Probe::placeFace(game, 200, 200);
  Probe::setGrinzosLeft(game, 1);
  Probe::setTimeLeft(game, 1);
  rig.press(forms::kLeftButton, 215, 215);
  rig.platform().post({.time = rig.now() + 1,
                       .kind = testing::InputEvent::Kind::MouseMove,
                       .button = forms::kLeftButton,
                       .x = 215,
                       .y = 215});
  const auto made = Probe::blobs(game).keysHandedOut();
  rig.frame(1);
  EXPECT_EQ(Probe::blobs(game).keysHandedOut(), made + 2) << "the face was hit";
  EXPECT_EQ(game.level(), 1);
  EXPECT_EQ(game.grinzosLeft(), 100);
  EXPECT_EQ(game.timeLeft(), 180);
  EXPECT_EQ(game.weaponsAvailable(), 1);
  EXPECT_EQ(game.currentWeapon(), kHandgun);
  EXPECT_EQ(game.step(), 6.5) << "the speed is not recomputed by a failed level";
}

TEST(LevelRules, AFailedLevelAboveTheStartKeepsAWeaponTheStartUnlocks) {
  GameRig rig("start3");
  rig.setting("Level", "3");
  frmGrinzo& game = rig.play();
  EXPECT_EQ(game.weaponsAvailable(), 3);
  Probe::setGrinzosLeft(game, 0);
  rig.frame();
  ASSERT_EQ(game.level(), 4);
  rig.key('S');
  rig.key('S');
  ASSERT_EQ(game.currentWeapon(), kMachineGun);
  Probe::setTimeLeft(game, 1);
  rig.frame(1);
  EXPECT_EQ(game.level(), 3);
  EXPECT_EQ(game.currentWeapon(), kMachineGun);
}

TEST(LevelRules, NoFacesMeansALevelThatCanOnlyFail) {
  GameRig rig("nofaces");
  rig.setting("Faces", "0");
  frmGrinzo& game = rig.play();
  EXPECT_EQ(game.faces()->Count(), 0);
  for (int second = 0; second < 180; ++second) rig.frame(1);
  EXPECT_EQ(game.level(), 1);
  EXPECT_EQ(game.timeLeft(), 180);
  EXPECT_EQ(game.faces()->Count(), 0);
}

TEST(StatusLabels, ShownAtTheFirstTickHiddenWhenIdleAndNeverInThePreview) {
  GameRig rig("labels");
  frmGrinzo& game = rig.play();
  EXPECT_FALSE(game.control("lblCurrentWeapon").visible());
  EXPECT_FALSE(game.control("lblCurrentWeaponLabel").visible());
  rig.frame(0.5);
  EXPECT_FALSE(game.control("lblCurrentWeapon").visible());
  rig.frame(0.5);
  EXPECT_TRUE(labelsVisible(game, true));
  EXPECT_EQ(game.control("lblCurrentWeapon").caption(), "Handgun");

  rig.frame(8.9);
  EXPECT_FALSE(game.idle()) << "ten seconds after the start are not idle yet";
  rig.frame(0.5);
  EXPECT_TRUE(game.idle());
  EXPECT_TRUE(labelsVisible(game, true)) << "the labels wait for the next tick";
  rig.frame(0.6);
  EXPECT_TRUE(labelsVisible(game, false));
  rig.move(0, 5, 5);
  EXPECT_FALSE(game.idle());
  rig.frame(0.5);
  EXPECT_TRUE(labelsVisible(game, false));
  rig.frame(0.6);
  EXPECT_TRUE(labelsVisible(game, true));

  GameRig preview("labels-preview");
  frmGrinzo& small = preview.play(true);
  EXPECT_TRUE(labelsVisible(small, false));
  for (int i = 0; i < 3; ++i) preview.frame(1);
  EXPECT_TRUE(labelsVisible(small, false));
}

}  // namespace
}  // namespace grinzo::game
