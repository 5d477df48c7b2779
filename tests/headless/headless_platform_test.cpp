#include "ui/headless/headless_platform.h"

#include <gtest/gtest.h>

#include "ui/layouts/layouts.h"

namespace grinzo::headless {
namespace {

TEST(HeadlessDesktop, CaptureIsOneToOneWithBlackOffTheMonitors) {
  HeadlessOptions options;
  options.screen.virtualScreen = {-100, -50, 300, 200};
  HeadlessPlatform platform(options);
  gdi::Bitmap desktop(300, 200);
  for (int y = 0; y < 200; ++y)
    for (int x = 0; x < 300; ++x) desktop.at(x, y) = gdi::rgb(x % 256, y, 7);
  platform.setDesktop(desktop);

  const gdi::HDC dc = gdi::CreateCompatibleDC(0);
  const gdi::HBITMAP bm = gdi::CreateCompatibleBitmap(dc, 50, 40);
  gdi::SelectObject(dc, bm);
  // (0, 0) of the primary screen is (100, 50) of the desktop picture.
  ASSERT_TRUE(platform.captureDesktop(dc, 0, 0, {50, 40}));
  EXPECT_EQ(gdi::SurfacePixels(dc)->at(0, 0), desktop.at(100, 50));
  EXPECT_EQ(gdi::SurfacePixels(dc)->at(49, 39), desktop.at(149, 89));
  ASSERT_TRUE(platform.captureDesktop(dc, 190, -60, {50, 40}));
  EXPECT_EQ(gdi::SurfacePixels(dc)->at(0, 0), 0u);    // above the virtual screen
  EXPECT_EQ(gdi::SurfacePixels(dc)->at(49, 39), 0u);  // right of it
  EXPECT_EQ(gdi::SurfacePixels(dc)->at(0, 39), desktop.at(290, 29));
  EXPECT_FALSE(platform.captureDesktop(0, 0, 0, {50, 40}));
  gdi::DeleteDC(dc);
  gdi::DeleteObject(bm);
}

TEST(HeadlessServices, SettingsRegistrySoundsAndPasswordsAreRecorded) {
  HeadlessPlatform platform;
  ui::SettingsStore& store = platform.settings();
  EXPECT_EQ(store.read("App", "Settings", "Level", "1"), "1");
  EXPECT_TRUE(store.save("App", "Settings", "Level", " 05"));
  EXPECT_EQ(store.read("App", "Settings", "Level", "1"), " 05");
  EXPECT_EQ(store.read("App", "Other", "Level", "x"), "x");
  platform.setSettingsWritable(false);
  EXPECT_FALSE(store.save("App", "Settings", "Faces", "3"));
  EXPECT_EQ(platform.settingsWrites(), std::vector<std::string>{"Level= 05"});

  EXPECT_FALSE(platform.registry().query(ui::kHkeyCurrentUser, "Control Panel\\Desktop", "X"));
  platform.setRegistryValue(ui::kHkeyCurrentUser, "Control Panel\\Desktop", "X", {1, {'1', 0}});
  EXPECT_EQ(
      platform.registry().query(ui::kHkeyCurrentUser, "Control Panel\\Desktop", "X")->data.size(),
      2u);

  platform.sound().playAsync("a.wav");
  platform.sound().playAsync("b.wav");
  EXPECT_EQ(platform.soundsPlayed(), (std::vector<std::string>{"a.wav", "b.wav"}));

  platform.setPasswordAnswer(false);
  EXPECT_FALSE(platform.screenSaver().verifyPassword(1));
  EXPECT_EQ(platform.passwordPrompts(), 1);
}

class Plain : public forms::Form {
 public:
  explicit Plain(ui::Platform& p) : Form(p, layouts::frmGrinzo()) {
    on("Form_Unload", [this](forms::EventArgs& e) { unloadMode = e.unloadMode; });
  }
  forms::UnloadMode unloadMode = forms::UnloadMode::FormCode;
};

TEST(HeadlessWindows, EmbeddedWindowClosesWithItsHost) {
  HeadlessPlatform platform;
  const ui::WindowHandle host = platform.addHostWindow({152, 112});
  Plain preview(platform);
  preview.load();
  preview.setCaption("Preview Screen Saver");
  ASSERT_TRUE(preview.native()->embedInto(host, *platform.hostClientSize(host)));
  EXPECT_EQ(preview.scaleWidth(), 152);
  EXPECT_EQ(preview.scaleHeight(), 112);
  EXPECT_TRUE(platform.windowWithTitleExists("Preview Screen Saver"));
  EXPECT_FALSE(platform.windowWithTitleExists("Running Screen Saver"));
  platform.destroyHostWindow(host);
  EXPECT_FALSE(preview.isLoaded());
  EXPECT_EQ(preview.unloadMode, forms::UnloadMode::FormOwner);
  EXPECT_FALSE(platform.hostClientSize(host));
  EXPECT_FALSE(preview.native());
}

TEST(HeadlessWindows, ModalShowReturnsWhenScriptedInputRunsOut) {
  HeadlessPlatform platform;
  Plain dialog(platform);
  platform.post(
      {.time = platform.clock().continuousSeconds() + 5, .kind = InputEvent::Kind::Close});
  dialog.show(true);  // the close arrives five seconds later on the clock
  EXPECT_FALSE(dialog.isLoaded());
  Plain other(platform);
  other.show(true);  // nothing scripted: returns with the window open
  EXPECT_TRUE(other.isLoaded());
}

TEST(HeadlessWindows, FramesAreSavedAsBitmapFiles) {
  HeadlessPlatform platform;
  Plain window(platform);
  window.load();
  const std::string path = ::testing::TempDir() + "/grinzo-frame.bmp";
  ASSERT_TRUE(HeadlessPlatform::saveFrame(window, path));
  const gdi::Bitmap frame = gdi::ReadBitmapFile(path);
  EXPECT_EQ(frame.width, window.scaleWidth());
  EXPECT_EQ(frame.height, window.scaleHeight());
}

}  // namespace
}  // namespace grinzo::headless
