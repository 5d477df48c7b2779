// grinzo.scr: the screen saver's entry on Windows.
//
// Nothing happens while a full-screen instance runs (a window titled
// "Running Screen Saver" exists). Otherwise the mode letter of the command
// line decides:
//   none or C   the configuration dialog, owned by the host's settings window
//               when its handle follows ("/c:1234", "/c 1234");
//   S           the game over the whole virtual screen;
//   P or L      the game as the live preview inside the host window whose
//               handle ends the command line;
//   A           the system's screen-saver password change, owned by that
//               window;
//   any other   nothing.
// The program lives while its window is open. A command line that lacks the
// handle a mode needs, or a game window that cannot start, ends the program
// with a message naming the failure and no window.

#include "ui/win32/windows_api.h"

#include <exception>
#include <optional>
#include <string>

#include "config/frm_config.h"
#include "game/frm_grinzo.h"
#include "start/command_line.h"
#include "start/modes.h"
#include "ui/runtime/app_info.h"
#include "ui/win32/text.h"
#include "ui/win32/win32_platform.h"

namespace {

using namespace grinzo;

// The window whose handle ends the command text, when there is one.
std::optional<HWND> trailingWindow(const std::string& command) {
  try {
    const std::int32_t handle = start::GetHwndFromCommand(command);
    HWND hwnd = win32::Win32Platform::toHwnd(handle);
    if (handle != 0 && IsWindow(hwnd)) return hwnd;
  } catch (const std::exception&) {
    // No number at the end: the dialog has no owner.
  }
  return std::nullopt;
}

int showConfiguration(win32::Win32Platform& platform, const std::string& command) {
  if (std::optional<HWND> host = trailingWindow(command)) platform.setHostOwner(*host);
  config::frmConfig dialog(platform);
  dialog.show();
  platform.runUntilAllClosed();
  return 0;
}

// Opens the game window with `open` and runs until it has unloaded.
template <typename Open>
int play(win32::Win32Platform& platform, game::frmGrinzo& game, Open open) {
  start::play(game, open, [&] { platform.runUntilAllClosed(); });
  return 0;
}

int runFullScreen(win32::Win32Platform& platform) {
  game::frmGrinzo game(platform, /*preview=*/false);
  return play(platform, game, [&] { start::showFullScreen(game); });
}

int runPreview(win32::Win32Platform& platform, const std::string& command) {
  const ui::WindowHandle host = start::GetHwndFromCommand(command);
  // A host that is gone has no place for a preview, and nobody to tell.
  if (!platform.hostClientSize(host)) return 0;
  game::frmGrinzo game(platform, /*preview=*/true);
  try {
    return play(platform, game, [&] { start::showPreview(game, host); });
  } catch (const std::exception&) {
    if (!platform.hostClientSize(host)) return 0;  // it went during the start
    throw;
  }
}

int changePassword(win32::Win32Platform& platform, const std::string& command) {
  platform.changePassword(start::GetHwndFromCommand(command));
  return 0;
}

int run(HINSTANCE instance) {
  win32::Win32Platform platform(instance);
  if (platform.windowWithTitleExists(start::kFullScreenTitle)) return 0;
  const std::string arguments = start::argumentsAfterProgramName(win32::narrow(GetCommandLineW()));
  const std::string command = start::commandText(arguments);
  switch (start::modeLetter(arguments)) {
    case 0:
    case 'C':
      return showConfiguration(platform, command);
    case 'S':
      return runFullScreen(platform);
    case 'P':
    case 'L':
      return runPreview(platform, command);
    case 'A':
      return changePassword(platform, command);
    default:
      return 0;
  }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  win32::enableDpiAwareness();
  win32::restrictLibrarySearch();
  try {
    return run(instance);
  } catch (const std::exception& e) {
    MessageBoxW(nullptr, win32::widen(e.what()).c_str(), win32::widen(rt::kAppTitle).c_str(),
                MB_OK | MB_ICONERROR);
    return 1;
  }
}
