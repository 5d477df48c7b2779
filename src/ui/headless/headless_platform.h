#pragma once
// The headless backend: every platform service in memory, for tests and for
// recording games without a display.
//
// Platform: any (portable C++ only). Implements the whole boundary: windows
// are records (caption, bounds, visibility, parent, pointer, focus), input is
// a queue of scripted events delivered by processPendingMessages once their
// time has come on a settable clock, the desktop is a picture of the caller's
// choice (a generated test pattern by default), settings and registry live in
// maps, and sounds played, message boxes shown, password prompts and the
// screen-saver notice are recorded for inspection. Lacks: real display and
// sound. Depends on: the core's forms, gdi and runtime.

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "ui/forms/form.h"
#include "ui/forms/window_registry.h"
#include "ui/platform.h"
#include "ui/runtime/clock.h"

namespace grinzo::headless {

class HeadlessWindow;

// One scripted user action. `time` is a reading of the clock's continuous
// seconds; the action is delivered by the first message processing at or
// after that time.
struct InputEvent {
  enum class Kind {
    MouseMove,  // buttons held, x, y
    MouseDown,  // button, x, y
    MouseUp,    // button, x, y
    Key,        // character code
    Close,      // the user closes the window (close box, system)
    Click,      // a click on the control `control`
    Type,       // `text` typed into the focused text box
    Tab,        // Tab (button 0) or Shift+Tab (button 1)
    Mnemonic,   // Alt + the character `key`
  };
  double time = 0;
  Kind kind = Kind::MouseMove;
  std::int16_t button = 0;
  float x = 0;
  float y = 0;
  std::int16_t key = 0;
  std::string control;
  int index = -1;
  std::string text;
  std::string form;  // target window by form name; empty: the active window
};

struct MessageBoxRecord {
  std::string text;
  std::string title;
};

struct HeadlessOptions {
  ui::ScreenMetrics screen{1, {0, 0, 800, 600}, {0, 0, 800, 600}, 15, 15};
  ui::PlatformFamily family = ui::PlatformFamily::WindowsNT;
  std::string programFolder;   // must exist; the caller's choice
  std::string userDataFolder;  // fallback folder for files
  double startTime = 43200;    // seconds since midnight when the run starts
};

class HeadlessPlatform final : public ui::Platform,
                               public ui::WindowSystem,
                               public ui::ScreenSaverServices,
                               public ui::Registry,
                               public ui::SettingsStore,
                               public ui::SoundPlayer,
                               public ui::Folders {
 public:
  explicit HeadlessPlatform(HeadlessOptions options = {});
  ~HeadlessPlatform() override;

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
  // The fake clock moves to the deadline; the input due by then is
  // delivered by the next processPendingMessages.
  void waitUntil(double deadline) override;
  void runModal(forms::Form& form) override;
  void messageBox(const std::string& text, const std::string& title, forms::Form* owner) override;
  ui::ScreenMetrics screen() const override { return options_.screen; }
  bool windowWithTitleExists(const std::string& title) const override;
  std::optional<gdi::Size> hostClientSize(ui::WindowHandle host) const override;
  bool captureDesktop(gdi::HDC dst, int srcX, int srcY, gdi::Size size) override;
  void showCursor(bool show) override { cursorCount_ += show ? 1 : -1; }

  // ui::ScreenSaverServices
  ui::PlatformFamily family() const override { return options_.family; }
  void setScreenSaverRunning(bool running) override;
  bool verifyPassword(ui::WindowHandle owner) override;
  void changePassword(ui::WindowHandle owner) override { passwordChanges_.push_back(owner); }

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
  std::string programFolder() const override { return options_.programFolder; }
  std::string userDataFolder() const override { return options_.userDataFolder; }
  bool dataBesideProgram() const override { return true; }

  // --- Test and runner controls -------------------------------------------

  rt::ManualClock& manualClock() { return clock_; }

  // Scripted input, kept in time order (events of equal time in posting order).
  void post(InputEvent event);
  std::size_t pendingInput() const { return input_.size(); }
  // Runs before each round of message processing (the runner advances the
  // clock and records frames here).
  void setBeforeMessages(std::function<void()> hook) { beforeMessages_ = std::move(hook); }
  // Runs whenever a message box is shown, after it was recorded.
  void setOnMessageBox(std::function<void(const MessageBoxRecord&)> hook) {
    onMessageBox_ = std::move(hook);
  }

  void setDesktop(gdi::Bitmap desktop) { desktop_ = std::move(desktop); }
  // The monitors change (a display's resolution, one added or removed).
  void setScreen(const ui::ScreenMetrics& screen) { options_.screen = screen; }
  const gdi::Bitmap& desktop() const { return desktop_; }
  // A deterministic picture with gradients, a grid and coloured shapes.
  static gdi::Bitmap testPattern(int width, int height);

  void setRegistryValue(std::int32_t root, const std::string& path, const std::string& name,
                        ui::RegistryValue value);
  void setSetting(const std::string& app, const std::string& section, const std::string& key,
                  const std::string& value);
  std::optional<std::string> storedSetting(const std::string& app, const std::string& section,
                                           const std::string& key) const;
  void setSettingsWritable(bool writable) { settingsWritable_ = writable; }
  // Every save, in order: "key=value".
  const std::vector<std::string>& settingsWrites() const { return settingsWrites_; }

  void setPasswordAnswer(bool accept) { passwordAnswer_ = accept; }
  int passwordPrompts() const { return passwordPrompts_; }
  const std::vector<ui::WindowHandle>& passwordChanges() const { return passwordChanges_; }
  // Runs while the password dialog is "open" (between the question and the answer).
  void setOnPasswordPrompt(std::function<void()> hook) { onPasswordPrompt_ = std::move(hook); }

  bool screenSaverRunning() const { return screenSaverRunning_; }
  // Every notice given or withdrawn, in order.
  const std::vector<bool>& screenSaverNotices() const { return notices_; }

  // Sounds started, in order; the last one is playing, every earlier one was
  // cut off by its successor.
  const std::vector<std::string>& soundsPlayed() const { return sounds_; }
  const std::vector<MessageBoxRecord>& messageBoxes() const { return messageBoxes_; }
  int cursorCount() const { return cursorCount_; }

  // A window of another program (for the single-instance rule).
  void addForeignWindow(const std::string& title) { foreignTitles_.push_back(title); }
  // A host window for previews; returns its handle.
  ui::WindowHandle addHostWindow(gdi::Size client);
  // The host goes away: windows embedded in it are closed as the system
  // closes a child whose parent is destroyed.
  void destroyHostWindow(ui::WindowHandle host);

  // Writes the form's persistent image as a bitmap file; false when the form
  // keeps no image. A failed write raises gdi::BitmapFileError.
  static bool saveFrame(const forms::Form& form, const std::string& path);

  // Windows now open, oldest first.
  std::vector<HeadlessWindow*> openWindows() const;
  HeadlessWindow* windowOf(const forms::Form& form) const;

 private:
  friend class HeadlessWindow;
  void forget(HeadlessWindow* window);
  void requestRepaint(HeadlessWindow* window);
  void timerChanged(const forms::Control& timer);
  void deliver(const InputEvent& event);
  void fireDueTimers();
  forms::Form* target(const InputEvent& event) const;

  HeadlessOptions options_;
  rt::ManualClock clock_;
  gdi::Bitmap desktop_;
  // In time order; delivered from the front, so a long script costs its length.
  std::deque<InputEvent> input_;
  std::function<void()> beforeMessages_;
  std::function<void(const MessageBoxRecord&)> onMessageBox_;
  std::function<void()> onPasswordPrompt_;
  forms::WindowRegistry windows_;
  std::vector<HeadlessWindow*> repaintPending_;
  std::map<const forms::Control*, double> timerStarts_;
  std::vector<const forms::Control*> timersRunning_;
  std::map<std::tuple<std::int32_t, std::string, std::string>, ui::RegistryValue> registry_;
  std::map<std::tuple<std::string, std::string, std::string>, std::string> settings_;
  std::vector<std::string> settingsWrites_;
  bool settingsWritable_ = true;
  bool passwordAnswer_ = true;
  int passwordPrompts_ = 0;
  std::vector<ui::WindowHandle> passwordChanges_;
  bool screenSaverRunning_ = false;
  std::vector<bool> notices_;
  std::vector<std::string> sounds_;
  std::vector<MessageBoxRecord> messageBoxes_;
  int cursorCount_ = 0;
  std::vector<std::string> foreignTitles_;
  std::map<ui::WindowHandle, gdi::Size> hosts_;
  ui::WindowHandle nextHandle_ = 0x10010;
  std::int16_t buttonsHeld_ = 0;
};

// The in-memory stand-in of a native window.
class HeadlessWindow final : public ui::NativeWindow {
 public:
  HeadlessWindow(HeadlessPlatform& platform, forms::Form& form, ui::WindowHandle handle);
  ~HeadlessWindow() override;

  ui::WindowHandle handle() const override { return handle_; }
  void setCaption(const std::string& caption) override { caption_ = caption; }
  void setBounds(const ui::PixelRect& outer) override { bounds_ = outer; }
  ui::PixelRect bounds() const override { return bounds_; }
  gdi::Size clientSize() const override;
  void setVisible(bool visible) override;
  bool visible() const override { return visible_; }
  void setEnabled(bool enabled) override { enabled_ = enabled; }
  bool isEnabled() const override { return enabled_; }
  void setTopmost(bool topmost) override { topmost_ = topmost; }
  bool embedInto(ui::WindowHandle host, gdi::Size size) override;
  void setPointer(const gdi::IconEntry* icon) override { hasPointer_ = icon != nullptr; }
  void present(const gdi::Bitmap& image, const gdi::ChangedArea& changed) override;
  void controlChanged(const forms::Control& control, ui::ControlProperty what) override;
  void focusChanged(const forms::Control* control) override { focus_ = control; }

  forms::Form& form() const { return *form_; }
  const std::string& caption() const { return caption_; }
  bool topmost() const { return topmost_; }
  ui::WindowHandle parent() const { return parent_; }
  bool hasCustomPointer() const { return hasPointer_; }
  int presentCount() const { return presents_; }
  const forms::Control* focus() const { return focus_; }
  // Frame thickness added around the client area by the window's border.
  static constexpr int kFrame = 3;
  static constexpr int kTitleBar = 22;

 private:
  HeadlessPlatform* platform_;
  forms::Form* form_;
  ui::WindowHandle handle_;
  std::string caption_;
  ui::PixelRect bounds_;
  bool visible_ = false;
  bool enabled_ = true;
  bool topmost_ = false;
  bool hasPointer_ = false;
  ui::WindowHandle parent_ = 0;
  int presents_ = 0;
  const forms::Control* focus_ = nullptr;
};

}  // namespace grinzo::headless
