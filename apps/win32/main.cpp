// grinzo.scr: the screen saver's entry on Windows.
//
// Nothing happens while a full-screen instance runs (a window titled
// "Running Screen Saver" exists). Otherwise the mode letter of the command
// line decides: none or C opens the configuration dialog, owned by the
// host's settings window when its handle follows ("/c:1234", "/c 1234");
// every other letter ends the program at once.

#include "ui/win32/windows_api.h"

#include <exception>
#include <optional>
#include <string>

#include "config/frm_config.h"
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

int run(HINSTANCE instance) {
  win32::Win32Platform platform(instance);
  if (platform.windowWithTitleExists(start::kFullScreenTitle)) return 0;
  const std::string arguments = start::argumentsAfterProgramName(win32::narrow(GetCommandLineW()));
  switch (start::modeLetter(arguments)) {
    case 0:
    case 'C':
      return showConfiguration(platform, start::commandText(arguments));
    default:
      return 0;
  }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  win32::enableDpiAwareness();
  try {
    return run(instance);
  } catch (const std::exception& e) {
    MessageBoxW(nullptr, win32::widen(e.what()).c_str(), win32::widen(rt::kAppTitle).c_str(),
                MB_OK | MB_ICONERROR);
    return 1;
  }
}
