#pragma once
// The Windows backend.
//
// Platform: Windows (Win32, 64-bit; built with MinGW-w64, runs under Wine).
// Implements: native windows for forms built from their layouts (dialog
// frame or borderless, real static, edit, check-box and button controls, the
// etched lines, picture surfaces and the program icon, the dialog font, twips
// from the screen's real DPI, timers, the persistent image of a form that
// keeps its drawing), the message pump with the dialog keys (Tab, Shift+Tab,
// mnemonics, Enter, Esc) routed through the core's Form so that validation
// behaves as on every backend, modal windows, the "Error" message box, the
// single-instance title check, host windows, the settings store on the
// registry (HKEY_CURRENT_USER\Software\<application>\<section>, one string
// value per key), raw registry reads, asynchronous sound, the program's
// folders (the per-user one is %LOCALAPPDATA%\<application>), the
// screen-saver-running notice, the game window's own mouse and key events,
// desktop capture of the virtual screen at real pixels, the platform family
// by GetVersionExA, and the screen-saver password services of the Windows 9x
// family (VerifyScreenSavePwd of password.cpl, PwdChangePasswordA of mpr.dll),
// both loaded at run time: where password.cpl is missing (the NT family,
// which locks the session itself) a password is taken as accepted without a
// prompt, and where mpr.dll lacks the change a change does nothing.
// Lacks: nothing the game needs.
// Depends on: the core (forms, layouts, images, gdi, runtime), user32,
// gdi32, advapi32, winmm; password.cpl and mpr.dll when present.

#include "ui/win32/windows_api.h"

#include <exception>
#include <memory>
#include <vector>

#include "ui/forms/window_registry.h"
#include "ui/platform.h"
#include "ui/runtime/clock.h"

namespace grinzo::win32 {

class Win32Window;

class Win32Platform final : public ui::Platform,
                            public ui::WindowSystem,
                            public ui::ScreenSaverServices,
                            public ui::Registry,
                            public ui::SettingsStore,
                            public ui::SoundPlayer,
                            public ui::Folders {
 public:
  explicit Win32Platform(HINSTANCE instance);
  ~Win32Platform() override;
  Win32Platform(const Win32Platform&) = delete;
  Win32Platform& operator=(const Win32Platform&) = delete;

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
  void showCursor(bool show) override { ShowCursor(show ? TRUE : FALSE); }

  // ui::ScreenSaverServices
  ui::PlatformFamily family() const override;
  void setScreenSaverRunning(bool running) override;
  bool verifyPassword(ui::WindowHandle owner) override;
  void changePassword(ui::WindowHandle owner) override;

  // ui::Registry
  std::optional<ui::RegistryValue> query(std::int32_t root, const std::string& path,
                                         const std::string& name) const override;

  // ui::SettingsStore
  std::string read(const std::string& app, const std::string& section, const std::string& key,
                   const std::string& defaultValue) override;
  bool save(const std::string& app, const std::string& section, const std::string& key,
            const std::string& value) override;

  // ui::SoundPlayer
  void playAsync(const std::string& path) override;

  // ui::Folders
  std::string programFolder() const override;
  std::string userDataFolder() const override;
  bool dataBesideProgram() const override { return true; }

  // --- For the program's entry ----------------------------------------------

  // A window of another program (the host's settings window) that owns the
  // top-level windows opened while none of ours is active, so that they stay
  // above it. Ignored when `host` is not a window.
  void setHostOwner(HWND host);
  // Runs the message loop until no window of the program is open any more
  // (or WM_QUIT arrives). An error raised by a handler ends the loop and
  // reaches the caller.
  void runUntilAllClosed();

  // --- For the windows ------------------------------------------------------

  HINSTANCE instance() const { return instance_; }
  HFONT dialogFont() const { return font_; }
  // The program icon at 32 or 16 pixels, made from the embedded image.
  HICON programIcon(int size) const { return size <= 16 ? iconSmall_ : iconLarge_; }
  // Called from inside window procedures: keeps the error until the pump
  // that dispatched the message can raise it.
  void deferError(std::exception_ptr error);

  static HWND toHwnd(ui::WindowHandle handle);
  static ui::WindowHandle fromHwnd(HWND hwnd);

 private:
  friend class Win32Window;
  forms::WindowRegistry& ourWindows() { return windows_; }
  Win32Window* windowOf(const forms::Form& form) const;
  Win32Window* windowFromHwnd(HWND hwnd) const;
  HWND ownerForNewWindow(const forms::Form& form);
  // Dialog keys of our windows, handled before translation; true when taken.
  bool preTranslate(const MSG& msg);
  // Waits for (wait) or peeks one message and dispatches it. False on WM_QUIT
  // (which is posted again for the outer loops) or when nothing was pending.
  bool pumpOne(bool wait);
  // A full-screen window of ours takes the keyboard back from a window of
  // another program hidden beneath it, or when no window has it (another
  // program's window that had it closed, and no window manager handed it
  // on), so that keys end the game again.
  void reclaimFocus();

  HINSTANCE instance_;
  rt::SystemClock clock_;
  HFONT font_ = nullptr;
  HICON iconLarge_ = nullptr;
  HICON iconSmall_ = nullptr;
  HWND hiddenOwner_ = nullptr;
  HWND host_ = nullptr;
  forms::WindowRegistry windows_;  // our windows, their modal frames, a handler's error
  bool fineTimer_ = false;         // timeBeginPeriod(1) is in force for the frame waits
};

// Asks the system for real pixels on high-DPI screens (where supported), so
// that twips convert with the screen's true DPI.
void enableDpiAwareness();

// Takes the current folder out of the search for libraries loaded at run
// time (password.cpl, mpr.dll), where the system supports it, so that only
// the program's folder and the system's are searched.
void restrictLibrarySearch();

}  // namespace grinzo::win32
