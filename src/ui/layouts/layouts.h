#pragma once
// The layouts of the program's windows, as designed.

#include "ui/forms/layout.h"

namespace grinzo::layouts {

// The game window: borderless, black, maximised, drawing in pixels into a
// persistent image; the status table in its top-left corner, the timer that
// starts the game, and the hidden picture surfaces that hold every image the
// game draws.
const forms::FormLayout& frmGrinzo();

}  // namespace grinzo::layouts
