#pragma once
// Test access to the game window's private state, and a rig that runs the
// game on the headless backend the way the programs run it.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <string>

#include "game/frm_grinzo.h"
#include "start/modes.h"
#include "ui/headless/headless_platform.h"
#include "ui/runtime/app_info.h"

namespace grinzo::game {

class FrmGrinzoProbe {
 public:
  static sprites::CGrinzos& faces(frmGrinzo& g) { return g.grinzos(); }
  static sprites::CBlobs& blobs(frmGrinzo& g) { return g.blobs(); }
  static void setGrinzosLeft(frmGrinzo& g, std::int16_t left) { g.mintGrinzosLeft = left; }
  static void setTimeLeft(frmGrinzo& g, std::int16_t seconds) { g.loop_.intTimeLeft = seconds; }
  static void setStep(frmGrinzo& g, double step) { g.loop_.dblStep = step; }
  static double exitGuard(const frmGrinzo& g) { return g.msngExitGuard; }
  static gdi::HDC cursor(const frmGrinzo& g) { return g.mlngCursor; }
  static gdi::HDC cursorMask(const frmGrinzo& g) { return g.mlngCursorMask; }
  static std::vector<gdi::HDC> splatSurfaces(const frmGrinzo& g) {
    return {g.mlngPop, g.mlngPopMask, g.mlng44, g.mlng44Mask, g.mlngShotgun, g.mlngShotgunMask};
  }

  // Takes every face off the screen.
  static void clearFaces(frmGrinzo& g) {
    for (const auto& face : faces(g)) faces(g).Remove(face->GirnzoCode);
  }
  // A new face with its top-left corner at (x, y).
  static std::shared_ptr<sprites::CGrinzo> placeFace(frmGrinzo& g, std::int16_t x, std::int16_t y,
                                                     std::int16_t angle = 0) {
    sprites::CGrinzos& all = faces(g);
    all.Add(angle, x, y);
    return all.Item(std::to_string(all.keysHandedOut()));
  }
};

namespace testing {

namespace fs = std::filesystem;
using headless::InputEvent;

inline std::string readFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// The game on a headless platform, with a program folder of its own that
// holds the generated assets, and a random source of its own.
class GameRig {
 public:
  explicit GameRig(const std::string& name) {
    base = fs::path(::testing::TempDir()) / ("grinzo-game-" + name);
    fs::remove_all(base);
    folder = base / "program";
    fs::create_directories(folder);
    // The assets are generated into the build and copied beside the tests.
    const char* assets = std::getenv("GRINZO_ASSETS");
    const fs::path source =
        assets ? fs::path(assets) : fs::path(::testing::internal::GetArgvs().at(0)).parent_path();
    for (const char* asset : {"mouseicon.ico", "gun.wav", "shotgun.wav", "machgun.wav"})
      fs::copy_file(source / asset, folder / asset);
    options.programFolder = folder.string();
    options.userDataFolder = (base / "user").string();
  }
  ~GameRig() {
    game.reset();
    std::error_code ignored;
    fs::remove_all(base, ignored);
  }

  // The platform, made on first use from `options`.
  headless::HeadlessPlatform& platform() {
    if (!platform_) platform_ = std::make_unique<headless::HeadlessPlatform>(options);
    return *platform_;
  }
  void setting(const std::string& key, const std::string& value) {
    platform().setSetting(rt::kAppTitle, "Settings", key, value);
  }
  void passwordInForce() {
    platform().setRegistryValue(ui::kHkeyCurrentUser, "Control Panel\\Desktop",
                                "ScreenSaveUsePassword", {1, {'1', 0}});
  }

  // Loads and shows the window (full screen, or the preview in a host of
  // `host` pixels); raises what the start-up raises.
  frmGrinzo& open(bool preview = false, gdi::Size host = {160, 120}) {
    game = std::make_unique<frmGrinzo>(platform(), preview, random);
    if (preview) {
      hostWindow = platform().addHostWindow(host);
      start::showPreview(*game, hostWindow);
    } else {
      start::showFullScreen(*game);
    }
    return *game;
  }
  // Opens the window and starts the loop, ready for frames one at a time.
  frmGrinzo& play(bool preview = false, gdi::Size host = {160, 120}) {
    open(preview, host);
    game->StartLoop();
    return *game;
  }

  double now() { return platform().manualClock().continuousSeconds(); }
  void advance(double seconds) { platform().manualClock().advance(seconds); }
  // One frame, `dt` seconds after the previous one; false when the loop ends.
  bool frame(double dt = 0.02) {
    advance(dt);
    return game->RunFrame();
  }
  void frames(int count, double dt = 0.02) {
    for (int i = 0; i < count; ++i) frame(dt);
  }

  // Input delivered between two frames, at the current time.
  void send(InputEvent event) {
    event.time = now();
    platform().post(std::move(event));
    platform().processPendingMessages();
  }
  void press(std::int16_t button, float x, float y) {
    send({.kind = InputEvent::Kind::MouseDown, .button = button, .x = x, .y = y});
  }
  void move(std::int16_t buttons, float x, float y) {
    send({.kind = InputEvent::Kind::MouseMove, .button = buttons, .x = x, .y = y});
  }
  void key(char c) { send({.kind = InputEvent::Kind::Key, .key = c}); }

  // Runs the loop the way the timer runs it: the first tick starts it and
  // keeps control until the game ends, `dt` seconds a frame; a close request
  // after `maxFrames` frames stops it. `each` runs at the end of every frame.
  // Returns the frames run.
  int runLoop(int maxFrames, double dt = 0.02, const std::function<void()>& each = {}) {
    int count = 0;
    game->setFrameListener([&] {
      if (each) each();
      advance(dt);
      if (++count >= maxFrames) game->unload(forms::UnloadMode::FormControlMenu);
    });
    while (game->isLoaded()) {
      advance(0.001);
      platform().processPendingMessages();
    }
    game->setFrameListener({});
    return count;
  }

  const gdi::Bitmap& window() const { return *gdi::SurfacePixels(game->hDC()); }
  std::string dataFile(const char* name) const { return readFile(folder / name); }

  fs::path base;
  fs::path folder;                  // the program's
  ui::WindowHandle hostWindow = 0;  // the preview's host
  headless::HeadlessOptions options;

 private:
  std::unique_ptr<headless::HeadlessPlatform> platform_;

 public:
  rt::RandomSource random;
  std::unique_ptr<frmGrinzo> game;
};

}  // namespace testing
}  // namespace grinzo::game
