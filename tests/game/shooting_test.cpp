// Weapons: shot clocks, hit tests, kills and replacements, holes, sounds,
// weapon switching and the machine gun's cadence.

#include <gtest/gtest.h>

#include "probe.h"

namespace grinzo::game {
namespace {

using testing::GameRig;
using Probe = FrmGrinzoProbe;
using forms::kLeftButton;
using Blobs = std::vector<std::tuple<int, int, int>>;

// The splats and holes made and not yet painted, as (type, x, y).
Blobs pending(frmGrinzo& game) {
  Blobs out;
  for (const auto& blob : Probe::blobs(game)) out.emplace_back(blob->BlobType, blob->X, blob->Y);
  return out;
}

std::size_t played(GameRig& rig, const char* file) {
  const auto& sounds = rig.platform().soundsPlayed();
  return std::count_if(sounds.begin(), sounds.end(),
                       [&](const std::string& s) { return s.ends_with(file); });
}

// A game with no faces of its own: shots hit only what a test places.
frmGrinzo& range(GameRig& rig, const char* level = "1") {
  rig.setting("Faces", "0");
  rig.setting("Level", level);
  return rig.play();
}

TEST(Shooting, HandgunAndShotgunShareAShotClock) {
  GameRig rig("shot-clock");
  frmGrinzo& game = range(rig, "2");
  rig.press(kLeftButton, 50, 50);
  rig.advance(0.3);
  rig.press(kLeftButton, 60, 60);
  EXPECT_EQ(pending(game).size(), 1u) << "a handgun shot 0.3 s later is refused";
  EXPECT_EQ(rig.platform().soundsPlayed().size(), 1u);
  rig.advance(0.3);
  rig.press(kLeftButton, 70, 70);
  EXPECT_EQ(pending(game).size(), 2u) << "0.6 s after the last accepted one it fires";

  rig.key('S');
  rig.advance(0.85);
  rig.press(kLeftButton, 200, 200);
  EXPECT_EQ(pending(game).size(), 2u) << "the shotgun refuses 0.85 s after the handgun";
  rig.advance(0.1);
  rig.press(kLeftButton, 200, 200);
  const Blobs made = pending(game);
  ASSERT_EQ(made.size(), 22u) << "and fires 0.95 s after it: 20 pellets";
  EXPECT_EQ(played(rig, "shotgun.wav"), 1u);
  for (auto it = made.begin() + 2; it != made.end(); ++it) {
    const auto [type, x, y] = *it;
    EXPECT_EQ(type, 3);
    EXPECT_TRUE(std::abs(x - 200) <= 40 && std::abs(y - 200) <= 40) << x << "," << y;
  }
}

TEST(Shooting, TheFacesEdgesMissOnePixelInsideHits) {
  GameRig rig("edges");
  frmGrinzo& game = range(rig);
  Probe::placeFace(game, 100, 100);
  for (const auto& [x, y] : {std::pair{100, 115}, {115, 100}, {130, 115}, {115, 130}, {101, 101}}) {
    rig.advance(0.6);
    rig.press(kLeftButton, x, y);
  }
  EXPECT_EQ(game.grinzosLeft(), 99) << "only the last shot hit";
  Probe::clearFaces(game);
  Probe::placeFace(game, 100, 100);
  rig.advance(0.6);
  rig.press(kLeftButton, 129, 129);
  EXPECT_EQ(game.grinzosLeft(), 98);
}

TEST(Shooting, OneHandgunShotKillsEveryFaceUnderItAndReplacesEach) {
  GameRig rig("overlap");
  frmGrinzo& game = range(rig);
  const std::string a = Probe::placeFace(game, 100, 100)->GirnzoCode;
  const std::string b = Probe::placeFace(game, 110, 105)->GirnzoCode;
  rig.press(kLeftButton, 120, 115);
  EXPECT_EQ(pending(game), (Blobs{{1, 115, 115}, {1, 125, 120}, {2, 120, 115}}))
      << "a splat at each face's centre, then the hole over them";
  EXPECT_EQ(game.grinzosLeft(), 98);
  EXPECT_EQ(game.faces()->Count(), 2);
  for (const auto& face : *game.faces())
    EXPECT_TRUE(face->GirnzoCode != a && face->GirnzoCode != b);
  EXPECT_EQ(rig.platform().soundsPlayed(),
            std::vector<std::string>{sprites::joinPath(rig.folder.string(), "gun.wav")});

  // Three kills with one hit needed: -2, and the level passes next frame.
  for (int i = 0; i < 3; ++i) Probe::placeFace(game, 300, 300);
  Probe::setGrinzosLeft(game, 1);
  rig.advance(1);
  rig.press(kLeftButton, 310, 310);
  EXPECT_EQ(game.grinzosLeft(), -2);
  EXPECT_EQ(game.faces()->Count(), 5);
  EXPECT_EQ(game.level(), 1);
  rig.frame();
  EXPECT_EQ(game.level(), 2);
}

TEST(Shooting, AShotgunBlastMakesTwentyHolesAndCountsAFaceOnce) {
  GameRig rig("pellets");
  frmGrinzo& game = range(rig, "2");
  rig.key('s');
  rig.press(kLeftButton, 400, 300);
  EXPECT_EQ(pending(game).size(), 20u) << "even with nothing to hit";

  long mostPellets = 0;
  for (int blast = 0; blast < 50 && mostPellets < 2; ++blast) {
    rig.frame(1);
    Probe::clearFaces(game);
    Probe::placeFace(game, 385, 285);
    const std::int16_t left = game.grinzosLeft();
    rig.press(kLeftButton, 400, 300);
    const Blobs made = pending(game);
    const long pellets = std::count_if(made.begin(), made.end(), [](const auto& hole) {
      const auto [type, x, y] = hole;
      return type == 3 && x > 385 && x < 415 && y > 285 && y < 315;
    });
    const bool hit = pellets > 0;
    EXPECT_EQ(made.size(), 20u + hit);
    EXPECT_EQ(left - game.grinzosLeft(), hit);
    mostPellets = std::max(mostPellets, pellets);
  }
  EXPECT_GE(mostPellets, 2);
}

TEST(Shooting, SoundOffPlaysNothingAndSCyclesThroughTheLevelsWeapons) {
  GameRig rig("quiet");
  rig.setting("Sound", "No");
  frmGrinzo& game = range(rig, "3");
  rig.press(kLeftButton, 100, 100);
  rig.key('S');
  rig.advance(1);
  rig.press(kLeftButton, 100, 100);
  rig.key('S');
  rig.press(kLeftButton, 100, 100);
  rig.advance(0.3);
  rig.move(kLeftButton, 100, 100);
  EXPECT_EQ(Probe::blobs(game).keysHandedOut(), 1 + 20 + 1) << "a hole, a blast and a bullet";
  EXPECT_TRUE(rig.platform().soundsPlayed().empty());

  const std::pair<const char*, std::vector<std::string>> levels[] = {
      {"1", {"Handgun", "Handgun"}},
      {"2", {"Shotgun", "Handgun", "Shotgun"}},
      {"3", {"Shotgun", "Machine Gun", "Handgun", "Shotgun"}},
  };
  for (const auto& [level, names] : levels) {
    GameRig cycle(std::string("cycle") + level);
    frmGrinzo& g = range(cycle, level);
    for (std::size_t i = 0; i < names.size(); ++i) {
      cycle.key(i % 2 ? 's' : 'S');
      EXPECT_EQ(g.control("lblCurrentWeapon").caption(), names[i]) << level;
    }
  }
}

TEST(MachineGun, APressOnlyRattlesADragFiresAtMostEightBulletsInASecond) {
  GameRig rig("machine-gun");
  frmGrinzo& game = range(rig, "3");
  rig.key('S');
  rig.key('S');
  rig.press(kLeftButton, 300, 300);
  EXPECT_TRUE(pending(game).empty());
  EXPECT_EQ(played(rig, "machgun.wav"), 1u);

  for (int i = 1; i <= 50; ++i) {
    rig.advance(0.02);
    rig.move(kLeftButton, 300, 300 + i);
  }
  const Blobs holes = pending(game);
  EXPECT_GE(holes.size(), 6u);
  EXPECT_LE(holes.size(), 8u);
  for (const auto& [type, x, y] : holes) EXPECT_TRUE(type == 3 && std::abs(x - 300) <= 5);
  EXPECT_GE(played(rig, "machgun.wav") - 1, 3u);
  EXPECT_LE(played(rig, "machgun.wav") - 1, 4u) << "rattles after the press";

  // Two buttons held, or the handgun dragged, fire nothing.
  rig.advance(1);
  rig.move(kLeftButton | forms::kRightButton, 300, 300);
  rig.key('S');
  rig.advance(1);
  rig.move(kLeftButton, 300, 300);
  EXPECT_EQ(pending(game).size(), holes.size());
}

TEST(KeyLimit, SplatsHolesAndFacesKeepComingAfter32767Keys) {
  GameRig rig("keys");
  frmGrinzo& game = range(rig);
  for (int i = 0; i < 33000; ++i) {
    Probe::blobs(game).Add(0, 0, 0);
    Probe::placeFace(game, 0, 0);
  }
  rig.frame();
  Probe::clearFaces(game);
  Probe::placeFace(game, 100, 100);
  rig.press(kLeftButton, 115, 115);
  EXPECT_EQ(pending(game), (Blobs{{1, 115, 115}, {2, 115, 115}}));
  EXPECT_EQ(game.faces()->Count(), 1);
  EXPECT_EQ((*game.faces()->begin())->GirnzoCode, "33002");
}

}  // namespace
}  // namespace grinzo::game
