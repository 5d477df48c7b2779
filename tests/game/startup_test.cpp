// Start-up (photograph, password flag, settings, where the files go, a
// missing pointer icon), the two files the loop keeps, and midnight.

#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include "probe.h"
#include "ui/runtime/app_info.h"

namespace grinzo::game {
namespace {

using testing::GameRig;
using testing::readFile;
using Probe = FrmGrinzoProbe;
namespace fs = std::filesystem;

TEST(StartUp, TheDesktopPhotographIsSavedAndBecomesTheBackgroundOnBothFamilies) {
  for (const auto family : {ui::PlatformFamily::WindowsNT, ui::PlatformFamily::Windows9x}) {
    GameRig rig("photo" + std::to_string(static_cast<int>(family)));
    rig.options.family = family;
    gdi::Bitmap desktop = headless::HeadlessPlatform::testPattern(800, 600);
    desktop.at(799, 599) = gdi::rgb(1, 2, 3);
    rig.platform().setDesktop(desktop);
    frmGrinzo& game = rig.open();
    EXPECT_EQ(gdi::ReadBitmapFile((rig.folder / kSnapshotFile).string()), desktop);
    ASSERT_NE(game.mlngBackground, 0);
    EXPECT_EQ(*gdi::SurfacePixels(game.mlngBackground), desktop);
    EXPECT_EQ(Probe::cursor(game), 0) << "the crosshair has only its mask";
    EXPECT_NE(Probe::cursorMask(game), 0);
    EXPECT_EQ(rig.platform().screenSaverNotices(), std::vector<bool>{true});
  }
}

TEST(StartUp, ThePasswordIsInForceWhenTheRegistryValueReadsAsANonZeroNumber) {
  const std::pair<std::optional<ui::RegistryValue>, bool> cases[] = {
      {std::nullopt, false},
      {ui::RegistryValue{1, {'1', 0}}, true},
      {ui::RegistryValue{4, {1, 0, 0, 0}}, true},
      {ui::RegistryValue{1, {'0', 0}}, false},
      {ui::RegistryValue{4, {0, 0, 0, 0}}, false},
  };
  int n = 0;
  for (const auto& [value, inForce] : cases) {
    GameRig rig("password" + std::to_string(n++));
    if (value)
      rig.platform().setRegistryValue(ui::kHkeyCurrentUser, "Control Panel\\Desktop",
                                      "ScreenSaveUsePassword", *value);
    EXPECT_EQ(rig.open().usePassword(), inForce) << n;
  }
}

TEST(StartUp, SettingsAreReadWithBrokenNumbersCountingAsTheirDefaults) {
  struct Case {
    std::optional<std::string> faces, level, sound;
    int faceCount, startingLevel;
    bool soundOn;
  };
  const Case cases[] = {
      {{}, {}, {}, 10, 1, true},
      {"abc", "", "No", 10, 1, false},
      {"99999", "-40000", "yes", 10, 1, false},
      {"0", "2.5", "Yes", 0, 2, true},
      {" 05 ", "3.5", "YES", 5, 4, false},
      // Levels whose hits needed leave 16 bits are unreadable; the rest stay.
      {{}, "3268", {}, 10, 1, true},
      {{}, "-3277", {}, 10, 1, true},
      {"0", "3267", {}, 0, 3267, true},
      {"0", "-3276", {}, 0, -3276, true},
  };
  int n = 0;
  for (const Case& c : cases) {
    GameRig rig("settings" + std::to_string(n++));
    if (c.faces) rig.setting("Faces", *c.faces);
    if (c.level) rig.setting("Level", *c.level);
    if (c.sound) rig.setting("Sound", *c.sound);
    frmGrinzo& game = rig.play();
    EXPECT_EQ(game.faceCount(), c.faceCount) << n;
    EXPECT_EQ(game.faces()->Count(), c.faceCount) << n;
    EXPECT_EQ(game.startingLevel(), c.startingLevel) << n;
    EXPECT_EQ(game.level(), c.startingLevel) << n;
    EXPECT_EQ(game.soundOn(), c.soundOn) << n;
  }
}

// Blocks writing beside the program: by taking the folder's write permission
// (not binding for root), or with a folder where the photograph should go.
enum class Block { Permissions, Folder };

void filesGoToTheUserDataFolder(Block block) {
  GameRig rig(block == Block::Permissions ? "readonly" : "blocked");
  rig.options.family = ui::PlatformFamily::Windows9x;  // the background is read back from the file
  const fs::path user = rig.options.userDataFolder;
  fs::create_directories(user);
  std::ofstream(user / kSpeedFactorFile) << " .25\r\n";
  struct Restore {
    fs::path folder;
    ~Restore() { fs::permissions(folder, fs::perms::owner_all, fs::perm_options::add); }
  } restore{rig.folder};
  if (block == Block::Folder) {
    fs::create_directory(rig.folder / kSnapshotFile);
  } else {
    fs::permissions(rig.folder,
                    fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove);
    if (std::ofstream(rig.folder / "probe.txt")) GTEST_SKIP() << "permissions do not bind here";
  }
  frmGrinzo& game = rig.play();
  EXPECT_EQ(game.dataFolder(), user.string());
  EXPECT_EQ(game.step(), 0.875) << "the factor is read back from the user's folder";
  EXPECT_EQ(gdi::ReadBitmapFile((user / kSnapshotFile).string()), rig.platform().desktop());
  ASSERT_NE(game.mlngBackground, 0);
  EXPECT_EQ(*gdi::SurfacePixels(game.mlngBackground), rig.platform().desktop());
  rig.frames(50);
  EXPECT_EQ(readFile(user / kSpeedFactorFile), " .5\r\n");
  EXPECT_EQ(readFile(user / kFrameRateFile), "50.0\r\n");
  EXPECT_FALSE(fs::exists(rig.folder / kSpeedFactorFile));
  EXPECT_FALSE(fs::exists(rig.folder / kFrameRateFile));
}

TEST(StartUp, AReadOnlyProgramFolderSendsTheFilesToTheUserDataFolder) {
  filesGoToTheUserDataFolder(Block::Permissions);
}

TEST(StartUp, AnUnwritablePhotographSendsTheFilesToTheUserDataFolder) {
  filesGoToTheUserDataFolder(Block::Folder);
}

TEST(StartUp, AMissingPointerIconStopsTheStartWithNothingLeftOpen) {
  const int before = gdi::LiveObjectCount();
  {
    GameRig rig("no-pointer");
    fs::remove(rig.folder / kPointerFile);
    EXPECT_THROW(rig.open(), std::exception);
    EXPECT_FALSE(rig.game->isLoaded());
    EXPECT_TRUE(rig.platform().openWindows().empty());
    EXPECT_FALSE(rig.platform().screenSaverRunning());
    EXPECT_EQ(rig.platform().screenSaverNotices(), (std::vector<bool>{true, false}));
  }
  EXPECT_EQ(gdi::LiveObjectCount(), before);
#ifndef _WIN32
  // A pipe in the pointer icon's place is refused at once, not waited on; so
  // is one in the speed factor's (which then counts as missing).
  GameRig piped("piped-files");
  fs::remove(piped.folder / kPointerFile);
  ASSERT_EQ(mkfifo((piped.folder / kPointerFile).c_str(), 0600), 0);
  EXPECT_THROW(piped.open(), std::exception);
  GameRig pipedFactor("piped-factor");
  ASSERT_EQ(mkfifo((pipedFactor.folder / kSpeedFactorFile).c_str(), 0600), 0);
  EXPECT_EQ(pipedFactor.play().step(), 7.0);
#endif
}

TEST(DataFiles, TheSpeedFactorIsMeasuredAtTheFiftiethFrameAndWrittenInTheGeneralForm) {
  GameRig rig("speed");
  frmGrinzo& game = rig.play();
  for (int frame = 1; frame < 50; ++frame) {
    rig.frame(0.02);
    ASSERT_EQ(game.step(), 7.0) << "first run, frame " << frame;
  }
  EXPECT_FALSE(fs::exists(rig.folder / kSpeedFactorFile));
  rig.frame(0.02);
  EXPECT_EQ(game.speedFactor(), 0.5);
  EXPECT_EQ(game.step(), 1.75);
  EXPECT_EQ(rig.dataFile(kSpeedFactorFile), " .5\r\n");
  rig.frames(100, 0.04);
  EXPECT_EQ(rig.dataFile(kSpeedFactorFile), " .5\r\n") << "measured once per run";

  GameRig next("speed-level3");
  std::ofstream(next.folder / kSpeedFactorFile) << " 1\r\n";
  next.setting("Level", "3");
  EXPECT_EQ(next.play().step(), 5.5);

  // A hand-edited factor that is no sane speed counts as missing.
  for (const char* factor : {"-5", "1e308", "1e-320", "0", "250"}) {
    GameRig edited("speed-edited");
    std::ofstream(edited.folder / kSpeedFactorFile) << factor << "\r\n";
    EXPECT_EQ(edited.play().step(), 7.0) << factor;
  }
}

TEST(DataFiles, TheFrameRateIsRewrittenEveryThirtyFramesFromTheLoopsStart) {
  GameRig rig("fps");
  rig.play();
  rig.frames(29, 0.02);
  EXPECT_FALSE(fs::exists(rig.folder / kFrameRateFile));
  rig.frame(0.02);
  EXPECT_EQ(rig.dataFile(kFrameRateFile), "50.0\r\n");
  rig.frames(30, 0.04);
  EXPECT_EQ(rig.dataFile(kFrameRateFile), "25.0\r\n");
  rig.frames(30, 3);
  EXPECT_EQ(rig.dataFile(kFrameRateFile), ".3\r\n");
  // A machine faster than 60 frames a second waits for each frame's time:
  // frames that take no time of their own still come 1/60 s apart.
  rig.frames(30, 0);
  EXPECT_EQ(rig.dataFile(kFrameRateFile), "60.0\r\n");
}

TEST(Midnight, ClocksGuardsAndIdlenessRunOnAcrossMidnight) {
  GameRig rig("midnight");
  rig.options.startTime = 86399.5;
  rig.setting("Faces", "0");
  frmGrinzo& game = rig.play();
  rig.frames(3, 0.1);  // 86399.8
  rig.key('q');
  rig.press(forms::kLeftButton, 50, 50);
  rig.frames(3, 0.1);  // 86400.1
  rig.press(forms::kLeftButton, 50, 50);
  EXPECT_EQ(Probe::blobs(game).keysHandedOut(), 1) << "0.3 s after the last shot";
  rig.frames(3, 0.1);  // 86400.4
  rig.press(forms::kLeftButton, 50, 50);
  EXPECT_EQ(Probe::blobs(game).keysHandedOut(), 2) << "0.6 s after it";
  EXPECT_FALSE(game.exitRequested()) << "the key came within the guard";

  while (rig.now() < 86405) rig.frame(0.1);
  EXPECT_EQ(game.timeLeft(), 175);
  EXPECT_FALSE(game.idle());
  rig.move(0, 1, 1);
  while (rig.now() < 86414.9) rig.frame(0.1);
  EXPECT_FALSE(game.idle());
  rig.frame(0.2);
  EXPECT_TRUE(game.idle());
  rig.key('q');
  EXPECT_TRUE(game.exitRequested());
}

}  // namespace
}  // namespace grinzo::game
