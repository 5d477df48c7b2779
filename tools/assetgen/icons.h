#pragma once
// The two icon files that sit beside the program.

#include "ui/gdi/icon_file.h"
#include "ui/images/images.h"

namespace grinzo::assetgen {

// The pointer icon ("mouseicon.ico"): 32 x 32, 16 colours, a thin black
// gunsight (a ring, four arms and a centre dot) outlined in white so that it
// shows on any background, on a transparent ground. Its centre, and so its
// hot spot, is pixel (16, 16): gdi::IconHotSpot(32, 32), where the platform
// puts the hot spot of an icon used as a pointer.
inline constexpr gdi::HotSpot kPointerHotSpot = gdi::IconHotSpot(32, 32);
gdi::IndexedIcon PointerIcon();

// One image of the program icon ("grinzo.ico") in the form the icon writer takes.
gdi::IndexedIcon ToIndexedIcon(const images::IconImage& image);

}  // namespace grinzo::assetgen
