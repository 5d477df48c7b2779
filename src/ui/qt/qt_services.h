#pragma once
// The Linux backend's small services: the settings store, sound and the
// program's folders, each on its own. None of them knows a window.

#include <map>
#include <memory>
#include <string>

#include "ui/platform.h"

class QSoundEffect;

namespace grinzo::qt {

// An INI file under the XDG configuration folder, with the sections and keys
// that the Windows registry has ("Settings", "Level"); the application is
// the file itself.
class QtSettings final : public ui::SettingsStore {
 public:
  std::string read(const std::string& app, const std::string& section, const std::string& key,
                   const std::string& defaultValue) override;
  bool save(const std::string& app, const std::string& section, const std::string& key,
            const std::string& value) override;
  // $XDG_CONFIG_HOME/grinzo/grinzo.ini
  static std::string file();
  // A value that reads instead of the stored one for this run (a command
  // line's --level, --faces, --sound); never saved.
  void override(const std::string& key, const std::string& value) { overrides_[key] = value; }

 private:
  std::map<std::string, std::string> overrides_;
};

// Sounds through Qt Multimedia; silent where no audio device exists.
class QtSound final : public ui::SoundPlayer {
 public:
  QtSound();
  ~QtSound() override;
  QtSound(const QtSound&) = delete;
  QtSound& operator=(const QtSound&) = delete;
  void playAsync(const std::string& path) override;

 private:
  std::map<std::string, std::unique_ptr<QSoundEffect>> sounds_;
  QSoundEffect* playing_ = nullptr;
};

// Installed data under share/ (or the build tree's program folder); the
// game's own files in the XDG data folder, the desktop's photograph among
// them kept private.
class QtFolders final : public ui::Folders {
 public:
  // `programFile` is the running program's path.
  explicit QtFolders(const std::string& programFile);
  std::string programFolder() const override { return programFolder_; }
  std::string userDataFolder() const override;
  bool dataBesideProgram() const override { return false; }
  // The folder 0700 and the file 0600, made so (never loosened for a moment).
  void writeUserBitmap(const std::string& path, const gdi::Bitmap& picture) override;
  // Nothing here reads the snapshot back: a failure goes to standard error.
  bool snapshotKept() const override { return false; }
  void snapshotNotWritten(const std::string& message) override;

 private:
  std::string programFolder_;
};

}  // namespace grinzo::qt
