#include "ui/qt/qt_platform.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QSocketNotifier>
#include <QSoundEffect>
#include <QStandardPaths>
#include <QTimer>
#include <QUrl>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <ostream>
#include <streambuf>
#include <utility>

#include <sys/socket.h>
#include <unistd.h>

#include "ui/forms/dialog_keys.h"
#include "ui/images/images.h"
#include "ui/qt/portal_screenshot.h"
#include "ui/qt/qt_window.h"
#include "ui/qt/x11_target.h"
#include "ui/runtime/app_info.h"

namespace grinzo::qt {

namespace {

volatile std::sig_atomic_t gQuitRequested = 0;
// The self-pipe: a signal handler writes a byte to [1], which wakes the
// event loop wherever it waits (a message box included) through a notifier
// on [0]. -1 while no platform listens.
int gQuitPipe[2] = {-1, -1};

// Processes events, waiting up to `milliseconds` for them (0: only what is
// pending).
void processFor(int milliseconds) {
  if (milliseconds <= 0) {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    return;
  }
  QEventLoop loop;
  QTimer timer;
  timer.setTimerType(Qt::PreciseTimer);
  timer.setSingleShot(true);
  QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
  timer.start(milliseconds);
  loop.exec();
}

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

// The dialog keys of our windows, taken before any widget sees them, exactly
// as the Windows backend takes them before translation.
class KeyFilter final : public QObject {
 public:
  explicit KeyFilter(QtPlatform& platform) : platform_(&platform) {}

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() != QEvent::KeyPress) return false;
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget || (!widget->isWindow() && !widget->hasFocus())) return false;
    QtWindow* window = platform_->windowOfWidget(widget->window());
    if (!window || !window->widget()->isEnabled()) return false;
    forms::Form& form = window->form();
    forms::Control* focus = form.isLoaded() ? form.activeControl() : nullptr;
    if (!focus) return false;  // a window without controls gets every key
    const auto* key = static_cast<QKeyEvent*>(event);
    const Qt::KeyboardModifiers mods = key->modifiers();
    const bool ctrl = mods & Qt::ControlModifier;
    const bool alt = mods & Qt::AltModifier;
    bool taken = false;
    window->guarded([&] {
      switch (key->key()) {
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
          if (ctrl || alt) return;
          form.focusNext(key->key() == Qt::Key_Tab && !(mods & Qt::ShiftModifier));
          taken = true;
          return;
        case Qt::Key_Return:
        case Qt::Key_Enter:
          if (!ctrl && !alt) taken = forms::pressEnter(form);
          return;
        case Qt::Key_Escape:
          if (!ctrl && !alt) taken = forms::pressEscape(form);
          return;
        default:
          break;
      }
      // Alt+letter, or a plain letter while no text box has the focus.
      char letter = 0;
      if (key->key() >= Qt::Key_A && key->key() <= Qt::Key_Z) {
        letter = static_cast<char>('A' + (key->key() - Qt::Key_A));
      } else if (key->key() >= Qt::Key_0 && key->key() <= Qt::Key_9) {
        letter = static_cast<char>('0' + (key->key() - Qt::Key_0));
      }
      if (!letter || ctrl) return;
      if (!alt && focus->kind() == forms::ControlKind::TextBox) return;
      if (!forms::ownsMnemonic(form, letter)) return;
      form.pressMnemonic(letter);
      taken = true;
    });
    return taken;
  }

 private:
  QtPlatform* platform_;
};

QtPlatform::QtPlatform(std::string programFile) {
  const QFileInfo program(QString::fromStdString(programFile));
  const QDir bin = program.absoluteDir();
  // Installed: <prefix>/bin/grinzo with its data in <prefix>/share/grinzo.
  const QString installed = QDir::cleanPath(bin.absoluteFilePath("../share/grinzo"));
  programFolder_ =
      (QFileInfo::exists(installed + "/mouseicon.ico") ? installed : bin.absolutePath())
          .toStdString();
  gPreviousHandler = qInstallMessageHandler(quietAudioHandler);
  keyFilter_ = std::make_unique<KeyFilter>(*this);
  qApp->installEventFilter(keyFilter_.get());
  if (gQuitPipe[0] < 0 &&
      socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, gQuitPipe) == 0) {
    quitNotifier_ = std::make_unique<QSocketNotifier>(gQuitPipe[0], QSocketNotifier::Read);
    QObject::connect(quitNotifier_.get(), &QSocketNotifier::activated, [this] { quitSignalled(); });
  }
}

QtPlatform::~QtPlatform() {
  if (quitNotifier_) {
    quitNotifier_.reset();
    const int reading = gQuitPipe[0], writing = gQuitPipe[1];
    gQuitPipe[0] = gQuitPipe[1] = -1;
    ::close(reading);
    ::close(writing);
  }
  if (qApp) qApp->removeEventFilter(keyFilter_.get());
  qInstallMessageHandler(gPreviousHandler);
}

// Async-signal-safe: a flag and one write.
void QtPlatform::requestQuit() {
  gQuitRequested = 1;
  if (const int writing = gQuitPipe[1]; writing >= 0) {
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(writing, &byte, 1);
  }
}

// A signal asked the program to end: a message box waiting for the user is
// dismissed, so that the handler that opened it returns and the loop around
// it closes every window.
void QtPlatform::quitSignalled() {
  char bytes[64];
  while (::read(gQuitPipe[0], bytes, sizeof bytes) > 0) {
  }
  for (QWidget* top : QApplication::topLevelWidgets()) {
    if (auto* box = qobject_cast<QMessageBox*>(top); box && box->isVisible()) box->reject();
  }
  wakeIdleLoops();
}

// The loops that wait for events with no deadline (runUntilAllClosed,
// runModal) look at their conditions again.
void QtPlatform::wakeIdleLoops() {
  for (QEventLoop* loop : idleLoops_) loop->quit();
}

// Waits until something happens that may end the waiting: a window closes,
// a handler fails, a signal arrives. With a foreign window (whose X events
// come on a connection of its own) it also looks every 50 ms.
void QtPlatform::waitIdle() {
  const bool foreign = std::any_of(windows_.begin(), windows_.end(),
                                   [](const QtWindow* w) { return w->showsForeign(); });
  if (foreign || gQuitRequested || deferred_) {
    processEventsOnce(foreign ? 50 : 0);
    return;
  }
  QEventLoop loop;
  idleLoops_.push_back(&loop);
  loop.exec();
  std::erase(idleLoops_, &loop);
  processEventsOnce(0);
}

void QtPlatform::deferError(std::exception_ptr error) {
  if (!deferred_) deferred_ = std::move(error);
  wakeIdleLoops();
}

void QtPlatform::raiseDeferred() {
  if (deferred_) std::rethrow_exception(std::exchange(deferred_, nullptr));
}

std::optional<gdi::Size> QtPlatform::takeGameWindowSize() {
  return std::exchange(gameWindowSize_, std::nullopt);
}

double QtPlatform::twipsPerPixelX() const {
  QScreen* s = QGuiApplication::primaryScreen();
  return 1440.0 / std::max(1.0, s ? s->logicalDotsPerInchX() : 96.0);
}

double QtPlatform::twipsPerPixelY() const {
  QScreen* s = QGuiApplication::primaryScreen();
  return 1440.0 / std::max(1.0, s ? s->logicalDotsPerInchY() : 96.0);
}

// --- Windows -------------------------------------------------------------------

std::unique_ptr<ui::NativeWindow> QtPlatform::createWindow(forms::Form& form) {
  return std::make_unique<QtWindow>(*this, form);
}

void QtPlatform::windowClosing(QtWindow* window) {
  std::erase(windows_, window);
  wakeIdleLoops();
  for (ModalFrame& frame : modal_) {
    if (frame.window != window) continue;
    for (QtWindow* other : frame.disabled) {
      if (std::find(windows_.begin(), windows_.end(), other) != windows_.end()) {
        other->widget()->setEnabled(true);
      }
    }
    frame.disabled.clear();
  }
}

QtWindow* QtPlatform::windowOf(const forms::Form& form) const {
  for (QtWindow* w : windows_) {
    if (&w->form() == &form) return w;
  }
  return nullptr;
}

QtWindow* QtPlatform::windowOfWidget(const QWidget* widget) const {
  for (QtWindow* w : windows_) {
    if (w->widget() == widget) return w;
  }
  return nullptr;
}

void QtPlatform::closeAll() {
  gQuitRequested = 0;
  // A copy: each unload takes its window out of the list.
  const std::vector<QtWindow*> open = windows_;
  for (QtWindow* window : open) {
    if (std::find(windows_.begin(), windows_.end(), window) == windows_.end()) continue;
    forms::Form& form = window->form();
    try {
      form.unload(forms::UnloadMode::AppWindows);
    } catch (...) {
      deferError(std::current_exception());
    }
  }
}

void QtPlatform::processEventsOnce(int waitMilliseconds) {
  processFor(waitMilliseconds);
  if (gQuitRequested) closeAll();
  const std::vector<QtWindow*> open = windows_;
  for (QtWindow* window : open) {
    if (std::find(windows_.begin(), windows_.end(), window) != windows_.end()) {
      window->pollForeign();
    }
  }
}

// The display's refresh rate in hertz: the primary screen's, or the one
// GRINZO_REFRESH_RATE names (tests make the program believe in a fast
// display with it). A rate that no display has counts as 60.
double QtPlatform::refreshRate() const {
  double rate = 0;
  if (const char* forced = std::getenv("GRINZO_REFRESH_RATE"); forced && *forced) {
    rate = std::strtod(forced, nullptr);
  } else if (QScreen* s = QGuiApplication::primaryScreen()) {
    rate = s->refreshRate();
  }
  return rate >= 20 && rate <= 1000 ? rate : 60.0;
}

// Frames go out on the display's refresh, at most 60 a second: on a faster
// display every k-th refresh, k refreshes after the previous frame started.
// Events are dispatched all the while, so input is as quick as unpaced.
void QtPlatform::waitUntil(double deadline) {
  const double rate = refreshRate();
  const double refreshesPerFrame = std::max(1.0, std::ceil(rate / 60.0 - 1e-3));
  const double due = std::max(deadline, lastFrameStart_ + refreshesPerFrame / rate);
  for (double now = clock_.continuousSeconds(); now < due && !windows_.empty();
       now = clock_.continuousSeconds()) {
    processEventsOnce(std::max(1, static_cast<int>(std::ceil((due - now) * 1000.0))));
    raiseDeferred();
  }
  lastFrameStart_ = clock_.continuousSeconds();
}

void QtPlatform::processPendingMessages() {
  processEventsOnce(0);
  raiseDeferred();
}

void QtPlatform::runUntilAllClosed() {
  while (!windows_.empty()) {
    waitIdle();
    raiseDeferred();
  }
  raiseDeferred();
}

void QtPlatform::runModal(forms::Form& form) {
  QtWindow* window = windowOf(form);
  if (!window) return;
  ModalFrame frame{window, {}};
  for (QtWindow* other : windows_) {
    if (other != window && other->widget()->isEnabled()) {
      other->widget()->setEnabled(false);
      frame.disabled.push_back(other);
    }
  }
  modal_.push_back(std::move(frame));
  const std::size_t depth = modal_.size();
  QWidget* const previous = QApplication::activeWindow();
  auto end = [&] {
    for (QtWindow* other : modal_[depth - 1].disabled) {
      if (std::find(windows_.begin(), windows_.end(), other) != windows_.end()) {
        other->widget()->setEnabled(true);
      }
    }
    modal_.resize(depth - 1);
    // The window it blocked takes the keyboard back (no window manager may
    // be there to hand it over).
    if (QtWindow* owner = previous ? windowOfWidget(previous) : nullptr;
        owner && previous->isVisible()) {
      previous->activateWindow();
      if (owner->form().isLoaded()) owner->focusChanged(owner->form().activeControl());
    }
  };
  try {
    while (form.isLoaded()) {
      waitIdle();
      raiseDeferred();
    }
  } catch (...) {
    end();
    throw;
  }
  end();
}

void QtPlatform::messageBox(const std::string& text, const std::string& title, forms::Form* owner) {
  QWidget* parent = nullptr;
  if (owner) {
    if (QtWindow* w = windowOf(*owner)) parent = w->widget();
  }
  // A single OK button and no icon.
  QMessageBox box(QMessageBox::NoIcon, QString::fromStdString(title), QString::fromStdString(text),
                  QMessageBox::Ok, parent);
  box.button(QMessageBox::Ok)->setIcon(QIcon());
  // No box waits for the user once a signal asked the program to end.
  if (!gQuitRequested) box.exec();
  // The owner takes the keyboard back, with the focus where the core left it.
  if (parent && parent->isVisible()) parent->activateWindow();
}

ui::ScreenMetrics QtPlatform::screen() const {
  ui::ScreenMetrics m;
  m.twipsPerPixelX = twipsPerPixelX();
  m.twipsPerPixelY = twipsPerPixelY();
  QScreen* primary = QGuiApplication::primaryScreen();
  if (!primary) return m;
  const QList<QScreen*> screens = QGuiApplication::screens();
  m.monitors = static_cast<int>(screens.size());
  // Device pixels: the game draws one pixel of its picture on one of the
  // screen's, whatever Qt's scale factor.
  const QRect p = deviceGeometry(*primary);
  m.primary = {0, 0, p.width(), p.height()};
  QRect all;
  for (QScreen* s : screens) all = all.united(deviceGeometry(*s));
  // Wayland has no common pixel grid for outputs of different scales: the
  // game plays on the primary output, and black covers hide the others.
  if (onWayland()) all = p;
  // Coordinates as the game knows them: the primary screen's corner is (0, 0).
  m.virtualScreen = {all.x() - p.x(), all.y() - p.y(), all.width(), all.height()};
  return m;
}

bool QtPlatform::windowWithTitleExists(const std::string& title) const {
  const QString wanted = QString::fromStdString(title);
  for (QtWindow* w : windows_) {
    if (w->widget()->windowTitle() == wanted) return true;
  }
  return false;
}

std::optional<gdi::Size> QtPlatform::hostClientSize(ui::WindowHandle host) const {
  if (host <= 0) return std::nullopt;
  return X11Target::sizeOf(static_cast<std::uint64_t>(host));
}

bool QtPlatform::onWayland() { return QGuiApplication::platformName() == "wayland"; }

// The portal's picture spans every output, each at the densest output's
// scale; the primary output's part, at its device pixels, goes to (0, 0).
bool QtPlatform::capturePortal(gdi::Bitmap& to, int srcX, int srcY, int w, int h) {
  QScreen* primary = QGuiApplication::primaryScreen();
  if (!primary) return false;
  const PortalPicture shot = portalScreenshot(kPortalTimeoutMs);
  if (shot.image.isNull()) {
    std::cerr << "grinzo: no photograph of the desktop from the desktop portal ("
              << shot.why.toStdString() << "); the game plays on a generated picture\n";
    return false;
  }
  QRect all;
  for (QScreen* s : QGuiApplication::screens()) all = all.united(s->geometry());
  const double scale = static_cast<double>(shot.image.width()) / std::max(1, all.width());
  const QRect part = primary->geometry().translated(-all.topLeft());
  const QRect source(static_cast<int>(std::lround(part.x() * scale)),
                     static_cast<int>(std::lround(part.y() * scale)),
                     static_cast<int>(std::lround(part.width() * scale)),
                     static_cast<int>(std::lround(part.height() * scale)));
  QImage picture = shot.image.copy(source).convertToFormat(QImage::Format_RGB32);
  const QSize device = deviceGeometry(*primary).size();
  // Only a portal that photographs at another scale than the output's needs
  // resampling; at the same scale every pixel is the screen's own.
  if (picture.size() != device) {
    picture = picture.scaled(device, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
  }
  for (int y = 0; y < h; ++y) {
    const int sy = srcY + y;
    if (sy < 0 || sy >= picture.height()) continue;
    const auto* row = reinterpret_cast<const QRgb*>(picture.constScanLine(sy));
    for (int x = 0; x < w; ++x) {
      const int sx = srcX + x;
      if (sx >= 0 && sx < picture.width()) to.at(x, y) = row[sx] & 0x00FFFFFFu;
    }
  }
  return true;
}

// The screen at real pixels: the X root window, or on Wayland the desktop
// portal's photograph; where it cannot be read, or reads all black (no
// server to ask, a blanked screen), the substitute picture.
bool QtPlatform::captureDesktop(gdi::HDC dst, int srcX, int srcY, gdi::Size size) {
  gdi::Bitmap* to = gdi::SurfaceBitmap(dst);
  if (!to) return false;
  const int w = std::min(size.width, to->width);
  const int h = std::min(size.height, to->height);
  if (w <= 0 || h <= 0) return false;
  for (int y = 0; y < h; ++y) std::fill_n(&to->at(0, y), w, gdi::Pixel{0});
  const QPoint origin = primaryOrigin();
  bool anyLight = false;
  const int rootX = srcX + origin.x(), rootY = srcY + origin.y();
  if (onWayland() ? capturePortal(*to, srcX, srcY, w, h)
                  : (daemonWindow_ != 0 &&
                     X11Target::captureDaemonScreenshot(daemonWindow_, rootX, rootY, w, h, *to)) ||
                        X11Target::captureRoot(rootX, rootY, w, h, *to)) {
    for (int y = 0; y < h && !anyLight; ++y) {
      const gdi::Pixel* row = &to->at(0, y);
      anyLight = std::any_of(row, row + w, [](gdi::Pixel p) { return p != 0; });
    }
  }
  if (!anyLight) images::paintDesktopSubstitute(*to, w, h, srcX, srcY);
  return true;
}

QRect QtPlatform::deviceGeometry(const QScreen& screen) {
  const QRect g = screen.geometry();
  const double ratio = screen.devicePixelRatio();
  return QRect(g.topLeft(), QSize(static_cast<int>(std::lround(g.width() * ratio)),
                                  static_cast<int>(std::lround(g.height() * ratio))));
}

QRect QtPlatform::toQt(const ui::PixelRect& device) const {
  const QPoint corner = QPoint(device.left, device.top) + primaryOrigin();
  QScreen* on = QGuiApplication::screenAt(corner);
  for (QScreen* s : QGuiApplication::screens()) {
    if (deviceGeometry(*s).contains(corner)) on = s;
  }
  if (!on) on = QGuiApplication::primaryScreen();
  if (!on) return QRect(corner, QSize(device.width, device.height));
  const double ratio = on->devicePixelRatio();
  const QPoint origin = on->geometry().topLeft();
  const QPoint from = corner - origin;
  return QRect(origin + QPoint(static_cast<int>(std::floor(from.x() / ratio)),
                               static_cast<int>(std::floor(from.y() / ratio))),
               QSize(static_cast<int>(std::ceil(device.width / ratio)),
                     static_cast<int>(std::ceil(device.height / ratio))));
}

ui::PixelRect QtPlatform::fromQt(const QRect& logical) const {
  QScreen* on = QGuiApplication::screenAt(logical.topLeft());
  if (!on) on = QGuiApplication::primaryScreen();
  const double ratio = on ? on->devicePixelRatio() : 1.0;
  const QPoint origin = on ? on->geometry().topLeft() : QPoint(0, 0);
  const QPoint corner = origin + (logical.topLeft() - origin) * ratio - primaryOrigin();
  return {corner.x(), corner.y(), static_cast<int>(std::lround(logical.width() * ratio)),
          static_cast<int>(std::lround(logical.height() * ratio))};
}

QPoint QtPlatform::primaryOrigin() const {
  QScreen* primary = QGuiApplication::primaryScreen();
  return primary ? primary->geometry().topLeft() : QPoint(0, 0);
}

void QtPlatform::showCursor(bool show) {
  cursorCount_ += show ? 1 : -1;
  if (cursorCount_ < 0 && !cursorHidden_) {
    QGuiApplication::setOverrideCursor(QCursor(Qt::BlankCursor));
    cursorHidden_ = true;
  } else if (cursorCount_ >= 0 && cursorHidden_) {
    QGuiApplication::restoreOverrideCursor();
    cursorHidden_ = false;
  }
}

// --- Settings, sound, folders ----------------------------------------------------

std::string QtPlatform::settingsFile() const {
  const QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
  return (folder + "/grinzo/grinzo.ini").toStdString();
}

void QtPlatform::overrideSetting(const std::string& key, const std::string& value) {
  overrides_[key] = value;
}

// Sections and keys as on Windows ("Settings", "Level"); the application is
// the file itself.
std::string QtPlatform::read(const std::string& app, const std::string& section,
                             const std::string& key, const std::string& defaultValue) {
  if (app == rt::kAppTitle && section == "Settings") {
    if (auto it = overrides_.find(key); it != overrides_.end()) return it->second;
  }
  QSettings store(QString::fromStdString(settingsFile()), QSettings::IniFormat);
  const QString name = QString::fromStdString(section + "/" + key);
  if (store.status() != QSettings::NoError || !store.contains(name)) return defaultValue;
  return store.value(name).toString().toStdString();
}

bool QtPlatform::save(const std::string& app, const std::string& section, const std::string& key,
                      const std::string& value) {
  (void)app;
  const QString file = QString::fromStdString(settingsFile());
  if (!QDir().mkpath(QFileInfo(file).absolutePath())) return false;
  QSettings store(file, QSettings::IniFormat);
  store.setValue(QString::fromStdString(section + "/" + key), QString::fromStdString(value));
  store.sync();
  return store.status() == QSettings::NoError;
}

void QtPlatform::playAsync(const std::string& path) {
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
void QtPlatform::writeUserBitmap(const std::string& path, const gdi::Bitmap& picture) {
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

void QtPlatform::snapshotNotWritten(const std::string& message) {
  std::cerr << "grinzo: the desktop's photograph was not saved (" << message
            << "); the game goes on with it in memory\n";
}

// $XDG_DATA_HOME/grinzo (~/.local/share/grinzo).
std::string QtPlatform::userDataFolder() const {
  const QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
  return (folder + "/grinzo").toStdString();
}

}  // namespace grinzo::qt
