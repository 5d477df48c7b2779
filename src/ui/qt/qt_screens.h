#pragma once
// The screens as the game counts them. The game counts device pixels, with
// the primary screen's corner at (0, 0); Qt places windows in its own
// (scaled) units on the X root window's grid. These convert between the two.
// Each screen keeps its corner where the system has it; its size is scaled.

#include <QPoint>
#include <QRect>

#include "ui/platform.h"

class QScreen;

namespace grinzo::qt::screens {

// Qt's Wayland platform: no window positions, no reading the screen but
// through the desktop portal.
bool onWayland();
// Where the primary screen's corner, (0, 0) for the game, lies on the X
// root window: window geometry and the desktop capture are translated by it.
QPoint primaryOrigin();
// A screen's rectangle in device pixels (its corner in Qt's units).
QRect deviceGeometry(const QScreen& screen);
// A rectangle of the game's in Qt's units, and back.
QRect toQt(const ui::PixelRect& device);
ui::PixelRect fromQt(const QRect& logical);
// The dialogs' twips per pixel, from the primary screen's logical DPI.
double twipsPerPixelX();
double twipsPerPixelY();
// The whole desktop as the game knows it (ui::WindowSystem::screen).
ui::ScreenMetrics metrics();

}  // namespace grinzo::qt::screens
