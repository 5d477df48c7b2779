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
// the XDG data folder), and frame pacing: processing messages waits until
// the display's next refresh is due, so that the game loop does not burn a
// core.
// Lacks: a screen-saver password (the exit never prompts; the saver daemon's
// lock guards the session), the "screen saver running" notice and the
// registry (every value reads as missing). Reports the NT platform family,
// so the game photographs the desktop at every start.
// Depends on: the core (forms, layouts, images, gdi, runtime), Qt 6 Core,
// Gui, Widgets, Multimedia and DBus, Xlib.

#include <exception>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ui/platform.h"
#include "ui/runtime/clock.h"

class QEventLoop;
class QSocketNotifier;
class QSoundEffect;
class QWidget;
class QPoint;
class QRect;
class QScreen;

namespace grinzo::qt {

class QtWindow;
class KeyFilter;

class QtPlatform final : public ui::Platform,
                         public ui::WindowSystem,
                         public ui::ScreenSaverServices,
                         public ui::Registry,
                         public ui::SettingsStore,
                         public ui::SoundPlayer,
                         public ui::Folders {
 public:
  // Needs a QApplication. `programFile` is the running program's path.
  explicit QtPlatform(std::string programFile);
  ~QtPlatform() override;
  QtPlatform(const QtPlatform&) = delete;
  QtPlatform& operator=(const QtPlatform&) = delete;

  // ui::Platform
  ui::WindowSystem& windows() override { return *this; }
  ui::ScreenSaverServices& screenSaver() override { return *this; }
  ui::Registry& registry() override { return *this; }
  ui::SettingsStore& settings() override { return *this; }
  ui::SoundPlayer& sound() override { return *this; }
  ui::Folders& folders() override { return *this; }
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

  // ui::ScreenSaverServices
  ui::PlatformFamily family() const override { return ui::PlatformFamily::WindowsNT; }
  void setScreenSaverRunning(bool) override {}
  bool verifyPassword(ui::WindowHandle) override { return true; }
  void changePassword(ui::WindowHandle) override {}

  // ui::Registry
  std::optional<ui::RegistryValue> query(std::int32_t, const std::string&,
                                         const std::string&) const override {
    return std::nullopt;
  }

  // ui::SettingsStore
  std::string read(const std::string& app, const std::string& section, const std::string& key,
                   const std::string& defaultValue) override;
  bool save(const std::string& app, const std::string& section, const std::string& key,
            const std::string& value) override;

  // ui::SoundPlayer
  void playAsync(const std::string& path) override;

  // ui::Folders
  std::string programFolder() const override { return programFolder_; }
  std::string userDataFolder() const override;
  bool dataBesideProgram() const override { return false; }
  // The folder 0700 and the file 0600, made so (never loosened for a moment).
  void writeUserBitmap(const std::string& path, const gdi::Bitmap& picture) override;
  // Nothing here reads the snapshot back: a failure goes to standard error.
  bool snapshotKept() const override { return false; }
  void snapshotNotWritten(const std::string& message) override;

  // --- For the program's entry ----------------------------------------------

  // The settings file (an INI file under the XDG configuration folder).
  std::string settingsFile() const;
  // A value that reads instead of the stored one for this run (a command
  // line's --level, --faces, --sound); never saved.
  void overrideSetting(const std::string& key, const std::string& value);
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
  // A close request for every open window (a signal asked the program to
  // end); safe to call from the event loop only.
  void closeAll();
  // Set by the SIGTERM, SIGINT and SIGHUP handlers (async-signal-safe);
  // every message processing then closes all windows.
  static void requestQuit();

  // --- For the windows ------------------------------------------------------

  // Keeps the error until the loop that dispatched the event can raise it.
  void deferError(std::exception_ptr error);
  std::optional<gdi::Size> takeGameWindowSize();
  double twipsPerPixelX() const;
  double twipsPerPixelY() const;
  // Where the primary screen's corner, (0, 0) for the game, lies on the X
  // root window: window geometry and the desktop capture are translated by it.
  QPoint primaryOrigin() const;
  // The game counts device pixels while Qt places windows in its own
  // (scaled) units: a screen's device rectangle, and a rectangle of the
  // game's (primary corner at (0, 0)) in Qt's units and back. Each screen
  // keeps its corner where the system has it; its size is scaled.
  static QRect deviceGeometry(const QScreen& screen);
  // Qt's Wayland platform: no window positions, no reading the screen but
  // through the desktop portal.
  static bool onWayland();
  QRect toQt(const ui::PixelRect& device) const;
  ui::PixelRect fromQt(const QRect& logical) const;

 private:
  friend class QtWindow;
  friend class KeyFilter;
  struct ModalFrame {
    QtWindow* window;
    std::vector<QtWindow*> disabled;  // our windows switched off while it is open
  };

  void registerWindow(QtWindow* window) { windows_.push_back(window); }
  void windowClosing(QtWindow* window);
  QtWindow* windowOf(const forms::Form& form) const;
  QtWindow* windowOfWidget(const QWidget* widget) const;
  void processEventsOnce(int waitMilliseconds);
  void raiseDeferred();
  void quitSignalled();
  void wakeIdleLoops();
  void waitIdle();
  double refreshRate() const;
  bool capturePortal(gdi::Bitmap& to, int srcX, int srcY, int width, int height);
  // Long enough for a portal that photographs several outputs, short
  // enough that a silent one does not keep the game waiting.
  static constexpr int kPortalTimeoutMs = 2500;

  rt::SystemClock clock_;
  std::string programFolder_;
  std::map<std::string, std::string> overrides_;
  std::optional<gdi::Size> gameWindowSize_;
  std::vector<QtWindow*> windows_;
  std::vector<ModalFrame> modal_;
  std::unique_ptr<KeyFilter> keyFilter_;
  std::unique_ptr<QSocketNotifier> quitNotifier_;
  std::vector<QEventLoop*> idleLoops_;  // the waits of waitIdle, innermost last
  std::exception_ptr deferred_;
  std::map<std::string, std::unique_ptr<QSoundEffect>> sounds_;
  QSoundEffect* playing_ = nullptr;
  double lastFrameStart_ = 0;  // continuous clock reading when the last wait ended
  std::uint64_t daemonWindow_ = 0;
  int cursorCount_ = 0;
  bool cursorHidden_ = false;
};

}  // namespace grinzo::qt
