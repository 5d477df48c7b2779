#pragma once
// The layouts of the program's windows, as designed.

#include "ui/forms/layout.h"

namespace grinzo::layouts {

// The game window: borderless, black, maximised, drawing in pixels into a
// persistent image; the status table in its top-left corner, the timer that
// starts the game, and the hidden picture surfaces that hold every image the
// game draws.
const forms::FormLayout& frmGrinzo();

// The configuration dialog: fixed dialog frame with a close box only, the
// program icon, placed with its client area at 2340, 1935 twips from the
// screen's corner; title, version and description beside the icon, the two
// settings boxes with their captions and the sound box, an etched separator
// above the notices, and the OK (default) and Help (cancel) buttons. The
// icon takes no focus, so the dialog opens with the focus in the first box.
const forms::FormLayout& frmConfig();

// The help dialog: a fixed dialog without an icon, placed by the system, the
// rules of the game in one centred paragraph and an OK button that answers
// both Enter and Esc.
const forms::FormLayout& frmHelp();

}  // namespace grinzo::layouts
