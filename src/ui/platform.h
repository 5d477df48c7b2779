#pragma once
// The boundary between the portable core and a backend (Win32, Qt, headless).
//
// The core asks a backend only for what it cannot do itself: native windows
// that show a form and deliver its events, the message pump, message boxes,
// screen metrics and desktop capture, sound, the per-user settings store, the
// registry source, the screen-saver password services and notice, the clock
// and the program's folders. Everything else (drawing, game rules, dialog
// behaviour) is the core's.
//
// A backend is chosen at run time: the core holds a Platform& and never
// knows which implementation it has. All calls come from the one
// user-interface thread.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ui/gdi/gdi.h"
#include "ui/gdi/icon_file.h"
#include "ui/runtime/clock.h"

namespace grinzo::forms {
class Form;
class Control;
}  // namespace grinzo::forms

namespace grinzo::ui {

// A window handle as the host and the command line know it (an HWND on
// Windows, an X window id under X11, a counter in the headless backend).
// 0 means none.
using WindowHandle = std::int64_t;

struct PixelRect {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  bool operator==(const PixelRect&) const = default;
};

struct ScreenMetrics {
  int monitors = 1;            // 0 on a platform that cannot report monitors
  PixelRect primary;           // the primary screen; its origin is (0, 0)
  PixelRect virtualScreen;     // bounding box of all monitors; origin may be negative
  double twipsPerPixelX = 15;  // 1440 / horizontal dots per inch
  double twipsPerPixelY = 15;
};

// What a form's native peer was told to change; the peer reads the new value
// from the form or control.
enum class ControlProperty { Caption, Visible, Enabled, Text, Selection, Value, Timer, Geometry };

// The native side of one loaded form: a real window (or its in-memory
// stand-in) that shows the form and its controls and feeds the form's events
// back through Form::dispatch while the backend processes messages.
// Created hidden by WindowSystem::createWindow; destroyed when the form
// unloads (the destructor removes the window).
class NativeWindow {
 public:
  virtual ~NativeWindow() = default;

  virtual WindowHandle handle() const = 0;
  virtual void setCaption(const std::string& caption) = 0;
  // Outer bounds in screen pixels (for a child window: in its parent's client
  // coordinates). The client area follows from the frame style.
  virtual void setBounds(const PixelRect& outer) = 0;
  virtual PixelRect bounds() const = 0;
  // Client area size in pixels.
  virtual gdi::Size clientSize() const = 0;
  virtual void setVisible(bool visible) = 0;
  virtual bool visible() const = 0;
  // Whether the window takes input; a modal window switches the others off
  // (forms::WindowRegistry decides which).
  virtual void setEnabled(bool enabled) = 0;
  virtual bool isEnabled() const = 0;
  virtual void setTopmost(bool topmost) = 0;
  // Makes the window a child of a host window (child style, parent and owner
  // the host), at (0, 0) of the host's client area with `size`, shown, not
  // topmost. Returns false when the host does not exist.
  virtual bool embedInto(WindowHandle host, gdi::Size size) = 0;
  // The pointer shape over the window; nullptr restores the default arrow.
  virtual void setPointer(const gdi::IconEntry* icon) = 0;
  // Shows the form's persistent image (its client area's content). Called by
  // the core after it changed the image; the backend may also show it on
  // repaint at any time. `image` stays valid until the next call. `changed`
  // says what changed since the previous call: a backend may send only that.
  virtual void present(const gdi::Bitmap& image, const gdi::ChangedArea& changed) = 0;
  // A control's property changed (caption, visibility, text...).
  virtual void controlChanged(const forms::Control& control, ControlProperty what) = 0;
  // The keyboard focus moved to `control` (nullptr: to the form itself).
  virtual void focusChanged(const forms::Control* control) = 0;
};

// Windows, events and screen.
class WindowSystem {
 public:
  virtual ~WindowSystem() = default;

  // A hidden native window for `form`, built from its layout.
  virtual std::unique_ptr<NativeWindow> createWindow(forms::Form& form) = 0;
  // Dispatches every pending window message (input, close requests, timer
  // ticks, repaints) to the forms' handlers and returns when none is left.
  // Handlers run only inside this call (or inside runModal).
  virtual void processPendingMessages() = 0;
  // Waits until the clock's continuous reading reaches `deadline`,
  // dispatching window messages to the forms' handlers as they arrive, as
  // processPendingMessages does, so input is handled as quickly as without
  // the wait. Returns at once when the deadline has passed. A backend may
  // return a little late, or move the deadline to the display's next refresh
  // at or after it; a fake clock simply moves to the deadline.
  virtual void waitUntil(double deadline) = 0;
  // Shows `form` modally: returns when the form has unloaded (the headless
  // backend also returns when it has no scripted input left).
  virtual void runModal(forms::Form& form) = 0;
  // A message box with `text`, the title `title` and a single OK button, no
  // icon; returns when dismissed.
  virtual void messageBox(const std::string& text, const std::string& title,
                          forms::Form* owner) = 0;
  virtual ScreenMetrics screen() const = 0;
  // Whether a top-level window with exactly this title exists (any class).
  virtual bool windowWithTitleExists(const std::string& title) const = 0;
  // Client size of a host window; nullopt when no such window exists.
  virtual std::optional<gdi::Size> hostClientSize(WindowHandle host) const = 0;
  // Copies the desktop picture, at real pixels, from (srcX, srcY) of the
  // virtual screen's coordinate space into `dst` at (0, 0), `size` pixels.
  // Parts that lie off every monitor come out black. Returns false (and
  // draws nothing) when the desktop cannot be read.
  virtual bool captureDesktop(gdi::HDC dst, int srcX, int srcY, gdi::Size size) = 0;
  // Raises (true) or lowers (false) the pointer's display count.
  virtual void showCursor(bool show) = 0;
};

// The platform family that decides how the game window keeps its background.
enum class PlatformFamily { Unknown = 0, Windows9x = 1, WindowsNT = 2 };

// Screen-saver integration of the operating system.
class ScreenSaverServices {
 public:
  virtual ~ScreenSaverServices() = default;
  virtual PlatformFamily family() const = 0;
  // The system-wide "a screen saver is running" notice.
  virtual void setScreenSaverRunning(bool running) = 0;
  // Asks the user for the screen-saver password in a dialog owned by
  // `owner`; true when accepted. Returns only once the user has answered.
  virtual bool verifyPassword(WindowHandle owner) = 0;
  // Lets the user change the screen-saver password (the system's own
  // dialog, owned by `owner`). Does nothing where the service is missing.
  virtual void changePassword(WindowHandle owner) = 0;
};

// A raw registry value, as the registry reader needs it.
struct RegistryValue {
  std::uint32_t type = 0;  // 1 text, 3 binary, 4 32-bit number (little-endian)
  std::vector<std::uint8_t> data;
};
inline constexpr std::int32_t kHkeyCurrentUser = static_cast<std::int32_t>(0x80000001u);

class Registry {
 public:
  virtual ~Registry() = default;
  // The value `name` of key `path` under `root`; nullopt when the key or the
  // value is missing or cannot be read.
  virtual std::optional<RegistryValue> query(std::int32_t root, const std::string& path,
                                             const std::string& name) const = 0;
};

// The per-user settings store: text values under application, section, key.
class SettingsStore {
 public:
  virtual ~SettingsStore() = default;
  // The stored text, or `defaultValue` when the key, section or application
  // is missing or the store cannot be read.
  virtual std::string read(const std::string& app, const std::string& section,
                           const std::string& key, const std::string& defaultValue) = 0;
  // Creates the entries as needed and replaces any earlier value. Returns
  // false when the store cannot be written.
  virtual bool save(const std::string& app, const std::string& section, const std::string& key,
                    const std::string& value) = 0;
};

// Asynchronous sound.
class SoundPlayer {
 public:
  virtual ~SoundPlayer() = default;
  // Starts playing the wave file at `path` and returns at once; a sound still
  // playing is cut off. A missing or unplayable file plays the system's
  // default sound where there is one, and never raises.
  virtual void playAsync(const std::string& path) = 0;
};

// Where the program's files live.
class Folders {
 public:
  virtual ~Folders() = default;
  // The folder that holds the program file, without a trailing separator.
  virtual std::string programFolder() const = 0;
  // A per-user folder for the program's files when the program's folder
  // cannot be written, without a trailing separator; created on demand by
  // the caller.
  virtual std::string userDataFolder() const = 0;
  // Whether the game keeps its files beside the program while that folder
  // can be written (Windows), rather than always in the per-user folder
  // (where an installed program's folder is never the user's to write).
  virtual bool dataBesideProgram() const = 0;

  // Writes `picture` as the bitmap file `path` in the per-user folder, making
  // the folder first when missing, and replaces any earlier file whole.
  // Raises gdi::BitmapFileError naming the file and the reason. A backend
  // may keep the folder and the file private to the user.
  virtual void writeUserBitmap(const std::string& path, const gdi::Bitmap& picture) {
    std::error_code ignored;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ignored);
    gdi::WriteBitmapFile(path, picture);
  }
  // Whether the game reads "snapshot.bmp" back or the system may. Where not,
  // the file is a record only: a failure to write it is handed to
  // snapshotNotWritten, the game plays on the picture in memory, and the
  // file goes when the game window unloads, so that no photograph of the
  // desktop is left behind.
  virtual bool snapshotKept() const { return true; }
  virtual void snapshotNotWritten(const std::string& message) { (void)message; }
};

// Everything a backend supplies.
class Platform {
 public:
  virtual ~Platform() = default;
  virtual WindowSystem& windows() = 0;
  virtual ScreenSaverServices& screenSaver() = 0;
  virtual Registry& registry() = 0;
  virtual SettingsStore& settings() = 0;
  virtual SoundPlayer& sound() = 0;
  virtual Folders& folders() = 0;
  virtual const rt::Clock& clock() const = 0;
};

}  // namespace grinzo::ui
