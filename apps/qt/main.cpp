// grinzo: the screen saver's game on Linux (Qt 6 on X11 or Wayland).
//
//   grinzo [--fullscreen]   the game over every monitor
//   grinzo --window [WxH]   the game in an ordinary window
//   grinzo --config         the configuration and help dialogs
//   grinzo --root           an XScreenSaver module: draws into the daemon's
//                           window ($XSCREENSAVER_WINDOW) or the root window
//   grinzo --window-id ID   the same in the X window ID
// With --demo the computer plays (the default in the two module modes, where
// --no-demo turns it off).
// In the two module modes the daemon holds the keyboard and the pointer: the
// game runs as a preview does (no labels, input ignored) and ends on
// SIGTERM, SIGINT or SIGHUP, or when its window is destroyed.
//
// Exit status: 0 when the game or dialog ended, 1 when it could not start
// (the reason on stderr, and in a message box where a person is watching),
// 2 for a malformed command line.

#include <QApplication>
#include <QMessageBox>
#include <csignal>
#include <cstdlib>
#include <exception>
#include <iostream>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "config/frm_config.h"
#include "game/frm_grinzo.h"
#include "options.h"
#include "start/modes.h"
#include "ui/qt/qt_platform.h"
#include "ui/qt/x11_target.h"
#include "ui/runtime/app_info.h"
#include "ui/runtime/errors.h"

namespace {

using namespace grinzo;
using linux_app::Mode;

void onSignal(int) { qt::QtPlatform::requestQuit(); }

void installSignalHandlers() {
  struct sigaction action {};
  action.sa_handler = onSignal;
  sigemptyset(&action.sa_mask);
  for (int signal : {SIGTERM, SIGINT, SIGHUP}) sigaction(signal, &action, nullptr);
}

// Plays the game opened by `open` until it ends; the computer plays when
// the command line asks for it (a new seed every run).
template <typename Open>
void play(qt::QtPlatform& platform, const linux_app::Options& o, game::frmGrinzo& game, Open open) {
  if (linux_app::demoPlays(o)) {
    game.setDemoPlayer(std::make_unique<game::DemoPlayer>(std::random_device{}()));
  }
  start::play(game, open, [&] { platform.runUntilAllClosed(); });
}

int run(qt::QtPlatform& platform, const linux_app::Options& o) {
  switch (o.mode) {
    case Mode::Config: {
      config::frmConfig dialog(platform);
      dialog.show();
      platform.runUntilAllClosed();
      return 0;
    }
    case Mode::FullScreen: {
      game::frmGrinzo game(platform, /*preview=*/false);
      play(platform, o, game, [&] { start::showFullScreen(game); });
      return 0;
    }
    case Mode::Window: {
      platform.openGameInWindow({o.windowWidth, o.windowHeight});
      game::frmGrinzo game(platform, /*preview=*/false);
      game.setWindowClient({o.windowWidth, o.windowHeight});
      play(platform, o, game, [&] {
        game.load();
        game.setCaption(rt::kAppTitle);
        game.setBoundsPixels({0, 0, o.windowWidth, o.windowHeight});
        game.show();
      });
      return 0;
    }
    case Mode::Root:
    case Mode::WindowId: {
      const ui::WindowHandle host = static_cast<ui::WindowHandle>(
          o.mode == Mode::Root ? qt::X11Target::rootTarget() : o.windowId);
      if (host == 0 || !platform.hostClientSize(host)) {
        throw rt::RuntimeError(rt::ErrorNumber::InvalidArgument,
                               "The window " + std::to_string(host) + " does not exist");
      }
      platform.photographFromDaemonOf(static_cast<std::uint64_t>(host));
      game::frmGrinzo game(platform, /*preview=*/true);
      play(platform, o, game, [&] { start::showPreview(game, host); });
      return 0;
    }
    case Mode::Help:
      break;
  }
  return 0;
}

// Qt ends the program with abort() and a screenful of advice when it cannot
// reach the display; one line and status 1 say the same. What Qt says while
// it connects is held back until the connection stands: on failure that
// line says it all.
struct HeldMessage {
  QtMsgType type;
  std::string category;
  QString text;
};
bool gOpening = false;
QtMessageHandler gQtHandler = nullptr;
std::vector<HeldMessage> gHeld;

void openingHandler(QtMsgType type, const QMessageLogContext& context, const QString& text) {
  if (!gOpening) {
    if (gQtHandler) gQtHandler(type, context, text);
    return;
  }
  if (type != QtFatalMsg) {
    gHeld.push_back({type, context.category ? context.category : "", text});
    return;
  }
  const std::string platform = std::getenv("QT_QPA_PLATFORM") ? std::getenv("QT_QPA_PLATFORM") : "";
  std::string where;
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  if (wayland && platform.find("wayland") != std::string::npos) {
    where = std::string("the Wayland display \"") + wayland + "\"";
  }
  const char* x = std::getenv("DISPLAY");
  if (x && (platform.empty() || platform.find("xcb") != std::string::npos)) {
    where += (where.empty() ? "" : " or ") + std::string("the X display \"") + x + "\"";
  }
  std::cerr << "grinzo: cannot open " << (where.empty() ? "a display" : where)
            << " (nothing answers there, or access is refused)\n";
  std::_Exit(1);
}

std::unique_ptr<QApplication> openDisplay(int& argc, char** argv) {
  gOpening = true;
  gQtHandler = qInstallMessageHandler(openingHandler);
  auto app = std::make_unique<QApplication>(argc, argv);
  gOpening = false;
  for (const HeldMessage& held : gHeld) {
    const QByteArray category(held.category.c_str());
    const QMessageLogContext context(nullptr, 0, nullptr, category.constData());
    openingHandler(held.type, context, held.text);
  }
  gHeld.clear();
  qInstallMessageHandler(gQtHandler);
  return app;
}

}  // namespace

int main(int argc, char** argv) {
  linux_app::Options options;
  try {
    options = linux_app::parseOptions(std::vector<std::string>(argv + 1, argv + argc));
  } catch (const std::invalid_argument& e) {
    std::cerr << "grinzo: " << e.what() << "\n";
    return 2;
  }
  if (options.mode == Mode::Help) {
    std::cout << linux_app::kUsage;
    return 0;
  }
  // Without an audio device the game is silent, not noisy on stderr.
  setenv("QT_LOGGING_RULES", "qt.multimedia*=false", 0);
  if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY") &&
      !std::getenv("QT_QPA_PLATFORM")) {
    std::cerr << "grinzo: no display to show the game on (neither WAYLAND_DISPLAY nor DISPLAY "
                 "is set)\n";
    return 1;
  }
  // In a Wayland session, Wayland itself (X11 through Xwayland only where
  // Qt's Wayland platform is missing); the module modes draw into X windows.
  const bool module = options.mode == Mode::Root || options.mode == Mode::WindowId;
  if (std::getenv("WAYLAND_DISPLAY") && !std::getenv("QT_QPA_PLATFORM")) {
    setenv("QT_QPA_PLATFORM", module ? "xcb" : "wayland;xcb", 1);
  }
  const char* chosen = std::getenv("QT_QPA_PLATFORM");
  if (!chosen || std::string(chosen).rfind("wayland", 0) != 0) {
    // On X11 the dialogs follow Xft.dpi through their own layout; the game
    // counts device pixels under any scale (see QtWindow).
    setenv("QT_ENABLE_HIGHDPI_SCALING", "0", 0);
  }
  installSignalHandlers();
  std::unique_ptr<QApplication> application = openDisplay(argc, argv);
  if (!application) return 1;
  QApplication::setApplicationName("grinzo");
  const bool personWatching = options.mode == Mode::FullScreen || options.mode == Mode::Window ||
                              options.mode == Mode::Config;
  try {
    qt::QtPlatform platform(QCoreApplication::applicationFilePath().toStdString());
    if (options.level) platform.overrideSetting("Level", std::to_string(*options.level));
    if (options.faces) platform.overrideSetting("Faces", std::to_string(*options.faces));
    if (options.sound) platform.overrideSetting("Sound", *options.sound ? "Yes" : "No");
    return run(platform, options);
  } catch (const std::exception& e) {
    std::cerr << "grinzo: " << e.what() << "\n";
    if (personWatching) {
      QMessageBox::critical(nullptr, QString::fromStdString(rt::kAppTitle),
                            QString::fromStdString(e.what()));
    }
    return 1;
  }
}
