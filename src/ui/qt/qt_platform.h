#pragma once
// The Linux backend, on Qt 6 widgets.
//
// Platform: Linux with an X11 display (Qt's xcb platform) or a Wayland
// compositor (Qt's wayland platform); the dialogs also work on Qt's
// offscreen platform.
// Implements: native windows for forms built from their layouts (a dialog
// frame or a borderless window, labels, text boxes, check boxes, buttons,
// lines, picture surfaces, timers), the dialog keys and focus through the
// core's Form as on every backend, modal windows and the "Error" message box,
// the game window's mouse and character keys, its persistent image painted
// straight from the surface's pixels, drawing into a foreign X window (the
// saver daemon's window or a host's: see x11_target.h), desktop capture of
// the root window at real pixels, or on Wayland through the desktop portal
// (portal_screenshot.h), with a generated picture where the screen cannot
// be read or comes back black, the settings store in an INI file
// under the XDG configuration folder, sounds through Qt Multimedia (silent
// where no audio device exists), the program's folders (installed data
// under share/, or the build tree's program folder; the game's own files in
// the XDG data folder) - those three in qt_services.h - and frame pacing:
// the game's wait ends on the display's refresh, so that the game loop does
// not burn a core. The open windows, the modal frames and a handler's error
// are kept by the core's forms::WindowRegistry, which the windows register
// with; the dialog keys go to the core through qt_dialog_keys.h.
// Lacks: a screen-saver password (the exit never prompts; the saver daemon's
// lock guards the session), the "screen saver running" notice and the
// registry (every value reads as missing). Reports the NT platform family,
// so the game photographs the desktop at every start.
// Depends on: the core (forms, layouts, images, gdi, runtime), Qt 6 Core,
// Gui, Widgets, Multimedia and DBus, Xlib.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ui/forms/window_registry.h"
#include "ui/platform.h"
#include "ui/qt/qt_services.h"
#include "ui/runtime/clock.h"

class QEventLoop;
class QSocketNotifier;

namespace grinzo::qt {

class DialogKeyFilter;
class QtWindow;

// No screen-saver password here (the saver daemon's lock guards the
// session) and no running notice; the NT family, so the game photographs the
// desktop at every start.
class UnguardedScreenSaver final : public ui::ScreenSaverServices {
 public:
  ui::PlatformFamily family() const override { return ui::PlatformFamily::WindowsNT; }
  void setScreenSaverRunning(bool) override {}
  bool verifyPassword(ui::WindowHandle) override { return true; }
  void changePassword(ui::WindowHandle) override {}
};

// No registry: every value reads as missing.
class NoRegistry final : public ui::Registry {
 public:
  std::optional<ui::RegistryValue> query(std::int32_t, const std::string&,
                                         const std::string&) const override {
    return std::nullopt;
  }
};

class QtPlatform final : public ui::Platform, public ui::WindowSystem {
 public:
  // Needs a QApplication. `programFile` is the running program's path.
  explicit QtPlatform(const std::string& programFile);
  ~QtPlatform() override;
  QtPlatform(const QtPlatform&) = delete;
  QtPlatform& operator=(const QtPlatform&) = delete;

  // ui::Platform
  ui::WindowSystem& windows() override { return *this; }
  ui::ScreenSaverServices& screenSaver() override { return screenSaver_; }
  ui::Registry& registry() override { return registry_; }
  ui::SettingsStore& settings() override { return settings_; }
  ui::SoundPlayer& sound() override { return sound_; }
  ui::Folders& folders() override { return folders_; }
  const rt::Clock& clock() const override { return clock_; }

  // ui::WindowSystem
  std::unique_ptr<ui::NativeWindow> createWindow(forms::Form& form) override;
  void processPendingMessages() override;
  void waitUntil(double deadline) override;
  void runModal(forms::Form& form) override;
  void messageBox(const std::string& text, const std::string& title, forms::Form* owner) override;
  ui::ScreenMetrics screen() const override;
  bool windowWithTitleExists(const std::string& title) const override;
  std::optional<gdi::Size> hostClientSize(ui::WindowHandle host) const override;
  bool captureDesktop(gdi::HDC dst, int srcX, int srcY, gdi::Size size) override;
  void showCursor(bool show) override;

  // --- For the program's entry ----------------------------------------------

  // The settings file (an INI file under the XDG configuration folder).
  std::string settingsFile() const { return QtSettings::file(); }
  // A value that reads instead of the stored one for this run (a command
  // line's --level, --faces, --sound); never saved.
  void overrideSetting(const std::string& key, const std::string& value) {
    settings_.override(key, value);
  }
  // The next borderless window (the game) opens as an ordinary framed window
  // whose client area is `size`; its bounds read as (0, 0) and that size.
  void openGameInWindow(gdi::Size size) { gameWindowSize_ = size; }
  // The game plays in `window`, a window the saver daemon (or another host)
  // gave it: the desktop is photographed from the picture the daemon took
  // before it blanked the screen, where the window carries one.
  void photographFromDaemonOf(std::uint64_t window) { daemonWindow_ = window; }
  // Runs the event loop until no window of the program is open any more. An
  // error raised by a handler ends the loop and reaches the caller.
  void runUntilAllClosed();
  // Async-signal-safe: for the SIGTERM, SIGINT and SIGHUP handlers. The
  // event loop wakes wherever it waits; an open message box is dismissed and
  // every window is asked to close. From then on no message box waits for
  // the user: the program is ending.
  static void requestQuit();

 private:
  void processEventsOnce(int waitMilliseconds);
  void quitSignalled();
  void closeAll();
  void wakeIdleLoops();
  void waitIdle();
  double refreshRate() const;
  bool capturePortal(gdi::Bitmap& to, int srcX, int srcY, int width, int height);
  // Long enough for a portal that photographs several outputs, short
  // enough that a silent one does not keep the game waiting.
  static constexpr int kPortalTimeoutMs = 2500;

  rt::SystemClock clock_;
  forms::WindowRegistry windows_;
  UnguardedScreenSaver screenSaver_;
  NoRegistry registry_;
  QtSettings settings_;
  QtSound sound_;
  QtFolders folders_;
  std::unique_ptr<DialogKeyFilter> keyFilter_;
  std::optional<gdi::Size> gameWindowSize_;
  std::unique_ptr<QSocketNotifier> quitNotifier_;
  std::vector<QEventLoop*> idleLoops_;  // the waits of waitIdle, innermost last
  bool quitting_ = false;               // a signal asked the program to end
  double lastFrameStart_ = 0;           // continuous clock reading when the last wait ended
  std::uint64_t daemonWindow_ = 0;
  int cursorCount_ = 0;
  bool cursorHidden_ = false;
};

}  // namespace grinzo::qt
