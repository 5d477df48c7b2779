// grinzo-present-bench [WxH] [FRAMES]: the Linux program's cost of putting
// one finished game frame on the screen. It opens the game at WxH (1920x1080)
// in a window on the current X display (Xvfb in the measurements), stops its
// loop, and times FRAMES (300) synchronous repaints of the window from the
// game's own persistent image: the paint event's QImage view over the
// surface's pixels, Qt's backing store and the transfer to the X server.
// Prints milliseconds per frame.

#include <QApplication>
#include <chrono>
#include <cstdio>
#include <string>

#include "game/frm_grinzo.h"
#include "ui/qt/qt_platform.h"
#include "ui/qt/qt_window.h"

int main(int argc, char** argv) {
  using namespace grinzo;
  int width = 1920, height = 1080, frames = 300;
  if (argc > 1 && std::sscanf(argv[1], "%dx%d", &width, &height) != 2) {
    std::fprintf(stderr, "usage: grinzo-present-bench [WxH] [FRAMES]\n");
    return 2;
  }
  if (argc > 2) frames = std::max(1, std::atoi(argv[2]));
  setenv("QT_ENABLE_HIGHDPI_SCALING", "0", 0);
  QApplication app(argc, argv);
  qt::QtPlatform platform(QCoreApplication::applicationFilePath().toStdString());
  platform.overrideSetting("Sound", "No");
  platform.openGameInWindow({width, height});
  game::frmGrinzo game(platform, /*preview=*/false);
  game.load();
  game.control("tmrMain").setTimerEnabled(false);  // no game loop: frames are presented by hand
  game.setBoundsPixels({0, 0, width, height});
  game.show();
  for (int i = 0; i < 20; ++i) QCoreApplication::processEvents();
  QWidget* widget = static_cast<qt::QtWindow*>(game.native())->widget();
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < frames; ++i) {
    game.present();
    widget->repaint();
  }
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("present %dx%d: %.3f ms per frame (%d frames)\n", width, height,
              seconds * 1000.0 / frames, frames);
  game.unload();
  game.unload();
  return 0;
}
