#include "start/modes.h"

#include <string>

#include "ui/runtime/errors.h"

namespace grinzo::start {

void showFullScreen(game::frmGrinzo& game) {
  game.load();
  game.setCaption(kFullScreenTitle);
  game.show();
  const ui::ScreenMetrics screen = game.platform().windows().screen();
  if (screen.monitors != 0) {
    game.setWindowState(forms::WindowState::Normal);
    game.setBoundsPixels(screen.virtualScreen);
    game.setCoversScreen(true);
  }
  if (ui::NativeWindow* native = game.native()) native->setTopmost(true);
}

void showPreview(game::frmGrinzo& game, ui::WindowHandle host) {
  const std::optional<gdi::Size> client = game.platform().windows().hostClientSize(host);
  if (!client) {
    throw rt::RuntimeError(rt::ErrorNumber::InvalidArgument,
                           "The preview's host window " + std::to_string(host) + " does not exist");
  }
  game.load();
  game.setCaption(kPreviewTitle);
  ui::NativeWindow* native = game.native();
  if (!native || !native->embedInto(host, *client)) {
    // The first close request only stops the (not yet running) loop.
    if (!game.unload(forms::UnloadMode::FormOwner)) game.unload(forms::UnloadMode::FormOwner);
    throw rt::RuntimeError(rt::ErrorNumber::InvalidArgument,
                           "The preview's host window " + std::to_string(host) + " went away");
  }
  // The persistent image follows the client area the host gave, so a host
  // larger than the primary screen is drawn all over.
  game.setBoundsPixels(native->bounds());
  game.repaint();
}

void closeForGood(game::frmGrinzo& game) {
  for (int attempt = 0; attempt < 2 && game.isLoaded(); ++attempt) {
    game.unload(forms::UnloadMode::FormCode);
  }
}

}  // namespace grinzo::start
