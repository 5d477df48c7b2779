#pragma once
// Drawing into a foreign X window: the window that the saver daemon names in
// $XSCREENSAVER_WINDOW, the root window, or a host's window given by its id.
// The window is not ours: we only put pixels into it, listen for its size
// and its destruction, and never take its input. Uses a display connection
// of its own, so that X errors about a window that went away stay here.

#include <cstdint>
#include <memory>
#include <optional>

#include "ui/gdi/gdi.h"

struct _XDisplay;

namespace grinzo::qt {

class X11Target {
 public:
  // The target for `window`, or nullptr when there is no display or no such
  // window.
  static std::unique_ptr<X11Target> open(std::uint64_t window);
  // The client size of `window`, or nullopt when it does not exist.
  static std::optional<gdi::Size> sizeOf(std::uint64_t window);
  // The window that `-root` draws into: $XSCREENSAVER_WINDOW when set (a
  // decimal or 0x hex id), else the default screen's root window; 0 without
  // a display.
  static std::uint64_t rootTarget();
  // Copies the root window's pixels at (x, y) in root coordinates into `to`
  // at (0, 0), `width` x `height`; parts off the root window stay as they
  // were. False when there is no display or nothing could be read.
  static bool captureRoot(int x, int y, int width, int height, gdi::Bitmap& to);
  // The same from the desktop picture the saver daemon took before it
  // blanked the screen (the root window then shows only its black window):
  // the pixmap that the property _SCREENSAVER_SCREENSHOT of `window`, the
  // window the daemon gave the program, names (XScreenSaver 6 and later).
  // False when `window` has no such picture, it cannot be read, or the
  // user's grabDesktopImages setting in ~/.xscreensaver is off (the daemon
  // takes the picture whatever it says: its modules are to ask).
  static bool captureDaemonScreenshot(std::uint64_t window, int x, int y, int width, int height,
                                      gdi::Bitmap& to);
  ~X11Target();
  X11Target(const X11Target&) = delete;
  X11Target& operator=(const X11Target&) = delete;

  std::uint64_t window() const { return window_; }
  gdi::Size size() const { return size_; }
  // The display connection's socket: readable when the window's events
  // may have arrived.
  int connection() const;
  // Handles the window's pending events. False once it has been destroyed.
  bool poll();
  // Puts `image` at the window's top-left corner (clipped to the window).
  void draw(const gdi::Bitmap& image);

 private:
  X11Target(_XDisplay* display, std::uint64_t window, gdi::Size size, int depth);

  _XDisplay* display_;
  std::uint64_t window_;
  gdi::Size size_;
  int depth_;
  void* gc_ = nullptr;
  bool gone_ = false;
};

}  // namespace grinzo::qt
