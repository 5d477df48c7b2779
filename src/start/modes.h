#pragma once
// Opening the game window in the screen saver's two game modes: full screen
// over the whole virtual screen, and the live preview inside a host window.
// The Windows, Linux and headless programs all start the game through these.

#include "game/frm_grinzo.h"
#include "ui/platform.h"

namespace grinzo::start {

// The game window's titles; the full-screen one is how a later start
// recognises a running screen saver.
inline constexpr const char* kFullScreenTitle = "Running Screen Saver";
inline constexpr const char* kPreviewTitle = "Preview Screen Saver";

// Loads `game` (made with preview = false), titles it, shows it, stretches it
// over the virtual screen (when the platform reports monitors, and again
// whenever they change) and makes it topmost. A failure of the window's start-up reaches the
// caller, with no window open.
void showFullScreen(game::frmGrinzo& game);

// Loads `game` (made with preview = true), titles it and embeds it into
// `host`, filling the host's client area, shown, not topmost. Raises
// RuntimeError (InvalidArgument) without opening anything when the host
// window does not exist; a failure of the window's start-up reaches the
// caller likewise.
void showPreview(game::frmGrinzo& game, ui::WindowHandle host);

// Unloads the game window for good, whatever stopped the program's event
// loop: the first close request only ends the game loop, the second passes.
// Unloading withdraws the screen-saver notice.
void closeForGood(game::frmGrinzo& game);

// Opens the game window with `open`, runs the program's event loop with
// `run` until it returns, and then closes the window for good, also when
// either raises (the error then reaches the caller).
template <typename Open, typename Run>
void play(game::frmGrinzo& game, Open open, Run run) {
  try {
    open();
    run();
  } catch (...) {
    closeForGood(game);
    throw;
  }
  closeForGood(game);
}

}  // namespace grinzo::start
