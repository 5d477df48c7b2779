#include "ui/qt/qt_screens.h"

#include <QGuiApplication>
#include <QScreen>
#include <algorithm>
#include <cmath>

namespace grinzo::qt::screens {

bool onWayland() { return QGuiApplication::platformName() == "wayland"; }

QPoint primaryOrigin() {
  QScreen* primary = QGuiApplication::primaryScreen();
  return primary ? primary->geometry().topLeft() : QPoint(0, 0);
}

QRect deviceGeometry(const QScreen& screen) {
  const QRect g = screen.geometry();
  const double ratio = screen.devicePixelRatio();
  return QRect(g.topLeft(), QSize(static_cast<int>(std::lround(g.width() * ratio)),
                                  static_cast<int>(std::lround(g.height() * ratio))));
}

QRect toQt(const ui::PixelRect& device) {
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

ui::PixelRect fromQt(const QRect& logical) {
  QScreen* on = QGuiApplication::screenAt(logical.topLeft());
  if (!on) on = QGuiApplication::primaryScreen();
  const double ratio = on ? on->devicePixelRatio() : 1.0;
  const QPoint origin = on ? on->geometry().topLeft() : QPoint(0, 0);
  const QPoint corner = origin + (logical.topLeft() - origin) * ratio - primaryOrigin();
  return {corner.x(), corner.y(), static_cast<int>(std::lround(logical.width() * ratio)),
          static_cast<int>(std::lround(logical.height() * ratio))};
}

double twipsPerPixelX() {
  QScreen* s = QGuiApplication::primaryScreen();
  return 1440.0 / std::max(1.0, s ? s->logicalDotsPerInchX() : 96.0);
}

double twipsPerPixelY() {
  QScreen* s = QGuiApplication::primaryScreen();
  return 1440.0 / std::max(1.0, s ? s->logicalDotsPerInchY() : 96.0);
}

ui::ScreenMetrics metrics() {
  ui::ScreenMetrics m;
  m.twipsPerPixelX = twipsPerPixelX();
  m.twipsPerPixelY = twipsPerPixelY();
  QScreen* primary = QGuiApplication::primaryScreen();
  if (!primary) return m;
  const QList<QScreen*> all = QGuiApplication::screens();
  m.monitors = static_cast<int>(all.size());
  // Device pixels: the game draws one pixel of its picture on one of the
  // screen's, whatever Qt's scale factor.
  const QRect p = deviceGeometry(*primary);
  m.primary = {0, 0, p.width(), p.height()};
  QRect bounds;
  for (QScreen* s : all) bounds = bounds.united(deviceGeometry(*s));
  // Wayland has no common pixel grid for outputs of different scales: the
  // game plays on the primary output, and black covers hide the others.
  if (onWayland()) bounds = p;
  // Coordinates as the game knows them: the primary screen's corner is (0, 0).
  m.virtualScreen = {bounds.x() - p.x(), bounds.y() - p.y(), bounds.width(), bounds.height()};
  return m;
}

}  // namespace grinzo::qt::screens
