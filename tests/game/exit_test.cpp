// Ending the game: the half-second guard, the password, close requests, the
// preview that cannot be ended by input, a person's input during the demo, and
// what the unload releases.

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "game/demo_player.h"
#include "probe.h"

namespace grinzo::game {
namespace {

using testing::GameRig;
using testing::InputEvent;
using Probe = FrmGrinzoProbe;

InputEvent keyAt(double time, char c) {
  return {.time = time, .kind = InputEvent::Kind::Key, .key = c};
}

TEST(Exit, AKeyEndsTheGameOnlyAfterTheGuardAndTheWindowThenReleasesEverything) {
  const int before = gdi::LiveObjectCount();
  GameRig rig("exit-key");
  frmGrinzo& game = rig.open();
  const double loaded = rig.now();
  EXPECT_EQ(Probe::exitGuard(game), loaded);
  EXPECT_TRUE(rig.platform().screenSaverRunning());
  const gdi::HDC background = game.mlngBackground;
  const auto surfaces = Probe::splatSurfaces(game);
  rig.platform().post(keyAt(loaded + 0.4, 'q'));
  rig.platform().post({.time = loaded + 0.45, .kind = InputEvent::Kind::MouseDown, .button = 2});
  rig.platform().post(keyAt(loaded + 0.6, 'q'));
  bool endedBefore = false;
  const int frames = rig.runLoop(1000, 0.05, [&] {
    if (rig.now() < loaded + 0.6) endedBefore |= game.exitRequested();
  });
  EXPECT_FALSE(endedBefore);
  EXPECT_LT(frames, 20);
  EXPECT_FALSE(game.isLoaded());
  EXPECT_TRUE(rig.platform().openWindows().empty());
  EXPECT_EQ(rig.platform().screenSaverNotices(), (std::vector<bool>{true, false}));
  EXPECT_EQ(rig.platform().passwordPrompts(), 0);
  EXPECT_FALSE(gdi::IsSurface(background));
  for (gdi::HDC surface : surfaces) EXPECT_FALSE(gdi::IsSurface(surface));
  EXPECT_EQ(game.faces(), nullptr);
  rig.game.reset();
  EXPECT_EQ(gdi::LiveObjectCount(), before) << "nothing leaks";
}

TEST(Exit, ARefusedPasswordGoesOnWithAFreshGuardAnAcceptedOneEndsAfterTheFrame) {
  GameRig rig("exit-password");
  rig.passwordInForce();
  rig.platform().setPasswordAnswer(false);
  int cursorDuringPrompt = 0;
  rig.platform().setOnPasswordPrompt([&] {
    cursorDuringPrompt = rig.platform().cursorCount();
    rig.advance(2);
  });
  frmGrinzo& game = rig.play();
  ASSERT_TRUE(game.usePassword());
  rig.frame(1);
  rig.press(forms::kRightButton, 10, 10);
  EXPECT_EQ(rig.platform().passwordPrompts(), 1);
  EXPECT_EQ(cursorDuringPrompt, 1);
  EXPECT_EQ(rig.platform().cursorCount(), 0);
  EXPECT_EQ(Probe::exitGuard(game), rig.now()) << "the guard restarts when the dialog closes";
  EXPECT_TRUE(rig.frame(0.4));
  rig.key('x');
  EXPECT_EQ(rig.platform().passwordPrompts(), 1) << "within half a second of the dialog";

  rig.platform().setPasswordAnswer(true);
  rig.advance(0.2);
  rig.key('x');
  EXPECT_EQ(rig.platform().passwordPrompts(), 2);
  EXPECT_TRUE(game.exitRequested());
  EXPECT_TRUE(game.isLoaded()) << "the loop closes the window after its frame";
  EXPECT_FALSE(rig.frame());
}

TEST(Exit, ACloseRequestIsRefusedOnceAndEndsTheLoopWithoutAPassword) {
  GameRig rig("exit-close");
  rig.passwordInForce();
  frmGrinzo& game = rig.open();
  rig.platform().post({.time = rig.now() + 0.2, .kind = InputEvent::Kind::Close});
  bool refused = false;
  rig.runLoop(1000, 0.02, [&] { refused = game.isLoaded() && game.exitRequested(); });
  EXPECT_TRUE(refused) << "the close only stopped the loop";
  EXPECT_FALSE(game.isLoaded());
  EXPECT_EQ(rig.platform().passwordPrompts(), 0);
}

TEST(Exit, MovementTheMiddleButtonAndThePreviewsInputNeverEnd) {
  GameRig rig("exit-never");
  frmGrinzo& game = rig.play();
  rig.frame(1);
  rig.move(0, 300, 300);
  rig.move(forms::kRightButton, 310, 300);
  rig.press(forms::kMiddleButton, 300, 300);
  rig.press(forms::kLeftButton, 300, 300);
  rig.key('S');
  EXPECT_FALSE(game.exitRequested());

  GameRig preview("exit-preview");
  preview.passwordInForce();
  frmGrinzo& small = preview.play(true);
  EXPECT_EQ(Probe::exitGuard(small), 0);
  EXPECT_TRUE(preview.platform().screenSaverNotices().empty());
  preview.frame(1);
  preview.key('q');
  preview.press(forms::kRightButton, 10, 10);
  EXPECT_TRUE(preview.frame());
  EXPECT_FALSE(small.exitRequested());
  EXPECT_EQ(preview.platform().passwordPrompts(), 0);
}

// A host that destroys its preview: the game refuses that close request
// once and its running loop ends after the frame; before the loop runs,
// nothing else would end it, so the request comes again and it ends at once.
TEST(Exit, APreviewWhoseHostGoesEndsAfterTheFrameOrAtOnce) {
  GameRig running("host-gone-running");
  running.open(true);
  int framesAfter = -1;
  const int frames = running.runLoop(50, 0.02, [&] {
    if (framesAfter >= 0) ++framesAfter;
    if (framesAfter < 0 && running.now() > 0.5) {
      running.platform().destroyHostWindow(running.hostWindow);
      framesAfter = 0;
    }
  });
  EXPECT_LT(frames, 50);
  EXPECT_EQ(framesAfter, 0) << "the loop ends with the frame that saw the request";
  EXPECT_FALSE(running.game->isLoaded());

  GameRig idle("host-gone-idle");
  idle.open(true);
  idle.platform().destroyHostWindow(idle.hostWindow);
  EXPECT_FALSE(idle.game->isLoaded());
}

// The demo plays a while through the input path without ending itself; then
// a person's key, click or pointer move ends it, except a move within a few
// pixels of where the pointer rested when the window appeared. In the
// preview none of them does, and the demo plays on.
TEST(Exit, APersonsKeyClickOrMoveEndsTheDemoButNotItsPreview) {
  struct Case {
    const char* name;
    std::function<void(GameRig&)> input;
  };
  const std::vector<Case> cases = {
      {"key", [](GameRig& rig) { rig.key('q'); }},
      {"click", [](GameRig& rig) { rig.press(forms::kLeftButton, 300, 300); }},
      {"move", [](GameRig& rig) { rig.move(0, 310, 300); }},
  };
  for (const bool preview : {false, true}) {
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(c.name) + (preview ? " in the preview" : " full screen"));
      GameRig rig(std::string("exit-demo-") + c.name + (preview ? "-preview" : ""));
      rig.open(preview);
      frmGrinzo& game = *rig.game;
      auto owned = std::make_unique<DemoPlayer>(7);
      const DemoPlayer& demo = *owned;
      game.setDemoPlayer(std::move(owned));
      game.StartLoop();
      rig.move(0, 300, 300);  // the pointer the window appeared under
      rig.frames(150);
      rig.move(0, 303, 297);
      ASSERT_TRUE(rig.frame());
      ASSERT_FALSE(game.exitRequested()) << "the demo's own input and a resting pointer";
      EXPECT_GT(demo.tally().shots, 0);

      c.input(rig);
      EXPECT_EQ(game.exitRequested(), !preview);
      EXPECT_EQ(rig.frame(), preview);
    }
  }
}

}  // namespace
}  // namespace grinzo::game
