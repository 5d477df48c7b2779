#include "ui/qt/qt_platform.h"

#include <sys/socket.h>
#include <unistd.h>
#include <QApplication>
#include <QEventLoop>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QSocketNotifier>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <csignal>
#include <cstdlib>
#include <iostream>
#include <utility>

#include "ui/images/images.h"
#include "ui/qt/portal_screenshot.h"
#include "ui/qt/qt_dialog_keys.h"
#include "ui/qt/qt_screens.h"
#include "ui/qt/qt_window.h"
#include "ui/qt/x11_target.h"

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

QtWindow* qtWindow(ui::NativeWindow* window) { return static_cast<QtWindow*>(window); }

}  // namespace

QtPlatform::QtPlatform(const std::string& programFile) : folders_(programFile) {
  windows_.onChange([this] { wakeIdleLoops(); });
  keyFilter_ = std::make_unique<DialogKeyFilter>(windows_);
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
// dismissed, so that the handler that opened it returns, and the loops look
// at the request (processEventsOnce closes the windows outside any handler).
void QtPlatform::quitSignalled() {
  char bytes[64];
  while (::read(gQuitPipe[0], bytes, sizeof bytes) > 0) {
  }
  quitting_ = true;
  for (QWidget* top : QApplication::topLevelWidgets()) {
    if (auto* box = qobject_cast<QMessageBox*>(top); box && box->isVisible()) box->reject();
  }
  wakeIdleLoops();
}

// Every window is asked to close. The program stays "quitting" while the
// forms decide and after: a form that saves its settings as it closes and
// fails shows its message box without waiting for anyone. A form that
// refuses (the game, whose loop then ends it) is not asked again.
void QtPlatform::closeAll() {
  gQuitRequested = 0;
  quitting_ = true;
  // A copy: each unload takes its window out of the list.
  const std::vector<ui::NativeWindow*> open = windows_.windows();
  for (ui::NativeWindow* window : open) {
    if (!windows_.isOpen(window)) continue;
    try {
      qtWindow(window)->form().unload(forms::UnloadMode::AppWindows);
    } catch (...) {
      windows_.defer(std::current_exception());
    }
  }
}

// The loops that wait for events with no deadline (runUntilAllClosed,
// runModal) look at their conditions again.
void QtPlatform::wakeIdleLoops() {
  for (QEventLoop* loop : idleLoops_) loop->quit();
}

// Waits until something happens that may end the waiting: a window closes,
// a handler fails, a signal arrives (a foreign window's events come through
// its notifier like any other).
void QtPlatform::waitIdle() {
  if (gQuitRequested || windows_.hasDeferred()) {
    processEventsOnce(0);
    return;
  }
  QEventLoop loop;
  idleLoops_.push_back(&loop);
  loop.exec();
  std::erase(idleLoops_, &loop);
  processEventsOnce(0);
}

// --- Windows -------------------------------------------------------------------

std::unique_ptr<ui::NativeWindow> QtPlatform::createWindow(forms::Form& form) {
  std::optional<gdi::Size> windowed;
  if (form.layout().border == forms::BorderStyle::None)
    windowed = std::exchange(gameWindowSize_, {});
  return std::make_unique<QtWindow>(windows_, form, windowed);
}

void QtPlatform::processEventsOnce(int waitMilliseconds) {
  processFor(waitMilliseconds);
  if (gQuitRequested) closeAll();
  // Xlib may have read a foreign window's events off its connection while
  // drawing, where the notifier cannot see them.
  const std::vector<ui::NativeWindow*> open = windows_.windows();
  for (ui::NativeWindow* window : open) {
    if (windows_.isOpen(window)) qtWindow(window)->pollForeign();
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
    windows_.raiseDeferred();
  }
  lastFrameStart_ = clock_.continuousSeconds();
}

void QtPlatform::processPendingMessages() {
  processEventsOnce(0);
  windows_.raiseDeferred();
}

void QtPlatform::runUntilAllClosed() {
  while (!windows_.empty()) {
    waitIdle();
    windows_.raiseDeferred();
  }
  windows_.raiseDeferred();
}

void QtPlatform::runModal(forms::Form& form) {
  QWidget* const previous = QApplication::activeWindow();
  // The window it blocked takes the keyboard back (no window manager may
  // be there to hand it over).
  const auto giveBack = [&] {
    for (ui::NativeWindow* window : windows_.windows()) {
      QtWindow* owner = qtWindow(window);
      if (owner->widget() != previous || !previous->isVisible()) continue;
      previous->activateWindow();
      if (owner->form().isLoaded()) owner->focusChanged(owner->form().activeControl());
    }
  };
  try {
    windows_.runModal(form, [&] {
      waitIdle();
      return true;
    });
  } catch (...) {
    giveBack();
    throw;
  }
  giveBack();
}

void QtPlatform::messageBox(const std::string& text, const std::string& title, forms::Form* owner) {
  QWidget* parent = nullptr;
  if (owner) {
    if (ui::NativeWindow* w = windows_.windowOf(*owner)) parent = qtWindow(w)->widget();
  }
  // A single OK button and no icon.
  QMessageBox box(QMessageBox::NoIcon, QString::fromStdString(title), QString::fromStdString(text),
                  QMessageBox::Ok, parent);
  box.button(QMessageBox::Ok)->setIcon(QIcon());
  // No box waits for the user once a signal asked the program to end.
  if (!quitting_ && !gQuitRequested) box.exec();
  // The owner takes the keyboard back, with the focus where the core left it.
  if (parent && parent->isVisible()) parent->activateWindow();
}

ui::ScreenMetrics QtPlatform::screen() const { return screens::metrics(); }

bool QtPlatform::windowWithTitleExists(const std::string& title) const {
  const QString wanted = QString::fromStdString(title);
  for (ui::NativeWindow* w : windows_.windows()) {
    if (qtWindow(w)->widget()->windowTitle() == wanted) return true;
  }
  return false;
}

std::optional<gdi::Size> QtPlatform::hostClientSize(ui::WindowHandle host) const {
  if (host <= 0) return std::nullopt;
  return X11Target::sizeOf(static_cast<std::uint64_t>(host));
}

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
  const QSize device = screens::deviceGeometry(*primary).size();
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
  const QPoint origin = screens::primaryOrigin();
  bool anyLight = false;
  const int rootX = srcX + origin.x(), rootY = srcY + origin.y();
  if (screens::onWayland() ? capturePortal(*to, srcX, srcY, w, h)
                           : (daemonWindow_ != 0 && X11Target::captureDaemonScreenshot(
                                                        daemonWindow_, rootX, rootY, w, h, *to)) ||
                                 X11Target::captureRoot(rootX, rootY, w, h, *to)) {
    for (int y = 0; y < h && !anyLight; ++y) {
      const gdi::Pixel* row = &to->at(0, y);
      anyLight = std::any_of(row, row + w, [](gdi::Pixel p) { return p != 0; });
    }
  }
  if (!anyLight) images::paintDesktopSubstitute(*to, w, h, srcX, srcY);
  return true;
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

}  // namespace grinzo::qt
