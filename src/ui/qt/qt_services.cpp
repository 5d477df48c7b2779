#include "ui/qt/qt_services.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QSoundEffect>
#include <QStandardPaths>
#include <QUrl>

#include <cerrno>
#include <cstring>
#include <iostream>
#include <ostream>
#include <streambuf>

#include "ui/runtime/app_info.h"

namespace grinzo::qt {

QtFolders::QtFolders(const std::string& programFile) {
  const QFileInfo program(QString::fromStdString(programFile));
  const QDir bin = program.absoluteDir();
  // Installed: <prefix>/bin/grinzo with its data in <prefix>/share/grinzo.
  const QString installed = QDir::cleanPath(bin.absoluteFilePath("../share/grinzo"));
  programFolder_ =
      (QFileInfo::exists(installed + "/mouseicon.ico") ? installed : bin.absolutePath())
          .toStdString();
}

namespace {

// Qt Multimedia reports a missing audio device on stderr whatever the
// logging rules say; a machine without sound is normal for a screen saver,
// so those lines are dropped and everything else goes on as before.
QtMessageHandler gPreviousHandler = nullptr;
void quietAudioHandler(QtMsgType type, const QMessageLogContext& context, const QString& text) {
  if (type == QtWarningMsg &&
      (text.contains("pa_context_connect") || text.contains("No audio device"))) {
    return;
  }
  if (gPreviousHandler) gPreviousHandler(type, context, text);
}

}  // namespace

QtSound::QtSound() { gPreviousHandler = qInstallMessageHandler(quietAudioHandler); }

QtSound::~QtSound() {
  sounds_.clear();
  qInstallMessageHandler(gPreviousHandler);
}

std::string QtSettings::file() {
  const QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
  return (folder + "/grinzo/grinzo.ini").toStdString();
}

std::string QtSettings::read(const std::string& app, const std::string& section,
                             const std::string& key, const std::string& defaultValue) {
  if (app == rt::kAppTitle && section == "Settings") {
    if (auto it = overrides_.find(key); it != overrides_.end()) return it->second;
  }
  QSettings store(QString::fromStdString(file()), QSettings::IniFormat);
  const QString name = QString::fromStdString(section + "/" + key);
  if (store.status() != QSettings::NoError || !store.contains(name)) return defaultValue;
  return store.value(name).toString().toStdString();
}

bool QtSettings::save(const std::string& app, const std::string& section, const std::string& key,
                      const std::string& value) {
  (void)app;
  const QString path = QString::fromStdString(file());
  if (!QDir().mkpath(QFileInfo(path).absolutePath())) return false;
  QSettings store(path, QSettings::IniFormat);
  store.setValue(QString::fromStdString(section + "/" + key), QString::fromStdString(value));
  store.sync();
  return store.status() == QSettings::NoError;
}

void QtSound::playAsync(const std::string& path) {
  if (playing_) playing_->stop();
  std::unique_ptr<QSoundEffect>& effect = sounds_[path];
  if (!effect) {
    effect = std::make_unique<QSoundEffect>();
    effect->setSource(QUrl::fromLocalFile(QString::fromStdString(path)));
  }
  playing_ = effect.get();
  effect->play();
}

// The photograph of the desktop is the user's business alone: every folder
// made on the way and the file are created owner-only, and a folder that an
// earlier version made open to others is closed. The file is written under
// a temporary name and renamed, so no half-written picture takes its place.
void QtFolders::writeUserBitmap(const std::string& path, const gdi::Bitmap& picture) {
  const auto failed = [&](const std::string& what, int error) {
    throw gdi::BitmapFileError(error == ENOSPC ? rt::ErrorNumber::DeviceIOError
                               : error == ENOENT || error == ENOTDIR
                                   ? rt::ErrorNumber::PathNotFound
                                   : rt::ErrorNumber::PermissionDenied,
                               "Cannot " + what + ": " + std::strerror(error));
  };
  const std::string folder = QFileInfo(QString::fromStdString(path)).absolutePath().toStdString();
  std::string made;
  for (std::size_t slash = 1; slash != std::string::npos;) {
    slash = folder.find('/', slash + 1);
    made = folder.substr(0, slash);
    if (::mkdir(made.c_str(), 0700) != 0 && errno != EEXIST) {
      failed("make the folder \"" + made + "\"", errno);
    }
  }
  struct stat info {};
  if (::stat(folder.c_str(), &info) == 0 && info.st_uid == ::geteuid() &&
      (info.st_mode & 077) != 0) {
    ::chmod(folder.c_str(), 0700);
  }

  const std::string temporary = path + ".tmp" + std::to_string(::getpid());
  const int fd =
      ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd < 0) failed("write \"" + path + "\"", errno);
  // A stream onto the descriptor that keeps the first error's number.
  class FdBuffer final : public std::streambuf {
   public:
    explicit FdBuffer(int fd) : fd_(fd) {}
    int error = 0;

   protected:
    std::streamsize xsputn(const char* s, std::streamsize n) override {
      std::streamsize done = 0;
      while (done < n && error == 0) {
        const ssize_t wrote = ::write(fd_, s + done, static_cast<std::size_t>(n - done));
        if (wrote < 0 && errno == EINTR) continue;
        if (wrote <= 0) {
          error = wrote < 0 ? errno : EIO;
          break;
        }
        done += wrote;
      }
      return done;
    }
    int_type overflow(int_type c) override {
      if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
      const char byte = traits_type::to_char_type(c);
      return xsputn(&byte, 1) == 1 ? c : traits_type::eof();
    }

   private:
    int fd_;
  } buffer(fd);
  std::ostream out(&buffer);
  gdi::WriteBitmapTo(out, picture);
  int error = buffer.error;
  if (error == 0 && !out) error = EIO;
  if (::close(fd) != 0 && error == 0) error = errno;
  if (error == 0 && ::rename(temporary.c_str(), path.c_str()) != 0) error = errno;
  if (error != 0) {
    ::unlink(temporary.c_str());
    failed("write \"" + path + "\"", error);
  }
}

void QtFolders::snapshotNotWritten(const std::string& message) {
  std::cerr << "grinzo: the desktop's photograph was not saved (" << message
            << "); the game goes on with it in memory\n";
}

// $XDG_DATA_HOME/grinzo (~/.local/share/grinzo).
std::string QtFolders::userDataFolder() const {
  const QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
  return (folder + "/grinzo").toStdString();
}

}  // namespace grinzo::qt
