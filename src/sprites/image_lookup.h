#pragma once
// Image lookup and sound: the game asks for a drawing surface by an image
// file name and draws from the handle; the pictures themselves live in the
// game window's hidden picture surfaces. One special name, "snapshot.bmp",
// stands for the desktop picture file that the game window writes at start.

#include <string>
#include <string_view>

#include "ui/forms/form.h"
#include "ui/gdi/gdi.h"
#include "ui/platform.h"

namespace grinzo::sprites {

// The full path of `name` inside `folder` (the platform's separator).
std::string joinPath(const std::string& folder, std::string_view name);

class ImageLookup {
 public:
  // `gameWindow` holds the picture surfaces; it must stay loaded while
  // handles obtained here are used.
  ImageLookup(ui::Platform& platform, const forms::Form& gameWindow);

  // The drawing surface for an image name (exact, case-sensitive match):
  // the picture surface of the game window for a name of the table, a new
  // memory surface holding the bitmap file for "snapshot.bmp" (0 when the
  // file is missing or unreadable), 0 for any other name.
  gdi::HDC GetImageDC(std::string_view name) const;

  // Deletes a surface with a positive handle and returns the platform's
  // result (non-zero on success); returns 0 for 0 or a negative handle.
  static int DeleteImageDC(gdi::HDC surface);

  // Starts playing a wave file and returns at once; a sound still playing is
  // cut off.
  void PlaySoundFile(const std::string& path) const;

  // Where "snapshot.bmp" is read from: the program's folder unless the game
  // window had to write it elsewhere.
  void setSnapshotPath(std::string path) { snapshotPath_ = std::move(path); }
  const std::string& snapshotPath() const { return snapshotPath_; }

 private:
  ui::Platform* platform_;
  const forms::Form* window_;
  std::string snapshotPath_;
};

}  // namespace grinzo::sprites
