#pragma once
// The desktop photographed through the desktop portal
// (org.freedesktop.portal.Screenshot on the session bus), the way a
// Wayland program may see the screen at all. Non-interactive: no dialog
// where the portal can do without one.

#include <QImage>
#include <QString>

namespace grinzo::qt {

struct PortalPicture {
  // The whole desktop as the portal photographed it, or null.
  QImage image;
  // Why there is none: no session bus, no portal, refused or declined, no
  // answer in time, an unreadable file.
  QString why;
};

// Waits at most `timeoutMs` for the portal's answer, never longer,
// processing events the while. The picture's file, which the portal wrote for this
// request alone, is removed once read: no photograph of the desktop is left
// behind.
PortalPicture portalScreenshot(int timeoutMs);

// True during that wait: timers that would start long work (the game loop)
// let their turn pass.
bool waitingForPortal();

}  // namespace grinzo::qt
