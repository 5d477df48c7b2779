#pragma once
// Driving grinzo.scr from outside, as a user and the system's screen-saver
// settings do: starting it with a command line, finding its windows, real
// keyboard and mouse input (SendInput), and screenshots on request.
// Needs a display (Windows, or Wine on Xvfb: scripts/wine-dialogs.sh and
// scripts/wine-screensaver.sh).
//
// With GRINZO_SHOTS set to a folder, snapshot() pauses and asks for a
// screenshot there: it writes NAME.request holding the screen rectangle to
// capture and waits for NAME.done.

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <initializer_list>
#include <string>
#include <thread>
#include <vector>

#include "ui/win32/windows_api.h"

namespace grinzo::e2e {

using Clock = std::chrono::steady_clock;

// Polls `done` (pumping this thread's messages, for the host windows it
// owns) until it holds or `seconds` have passed.
inline bool waitFor(const std::function<bool()>& done, double seconds = 10) {
  const auto deadline = Clock::now() + std::chrono::duration<double>(seconds);
  for (;;) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    if (done()) return true;
    if (Clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

// Lets `seconds` pass while this thread's windows stay responsive.
inline void pause(double seconds) {
  waitFor([] { return false; }, seconds);
}

inline std::string narrow(const std::wstring& text) {
  return std::string(text.begin(), text.end());
}

inline std::string textOf(HWND hwnd) {
  DWORD_PTR length = 0;
  if (!SendMessageTimeoutW(hwnd, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 5000, &length))
    return {};
  std::wstring text(length + 1, L'\0');
  DWORD_PTR got = 0;
  SendMessageTimeoutW(hwnd, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()),
                      SMTO_ABORTIFHUNG, 5000, &got);
  text.resize(got);
  return narrow(text);
}

// --- Input -----------------------------------------------------------------------

inline void sendKey(WORD vk, bool up) {
  INPUT in{};
  in.type = INPUT_KEYBOARD;
  in.ki.wVk = vk;
  in.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
  SendInput(1, &in, sizeof(in));
}

inline void press(WORD vk, std::vector<WORD> modifiers = {}) {
  for (WORD m : modifiers) sendKey(m, false);
  sendKey(vk, false);
  sendKey(vk, true);
  for (auto it = modifiers.rbegin(); it != modifiers.rend(); ++it) sendKey(*it, true);
}

inline void type(const std::string& text) {
  for (char c : text) {
    const SHORT scan = VkKeyScanW(static_cast<wchar_t>(c));
    std::vector<WORD> modifiers;
    if (scan & 0x100) modifiers.push_back(VK_SHIFT);
    press(static_cast<WORD>(scan & 0xFF), modifiers);
  }
}

// Moves the pointer to the screen point `p` and clicks there with a button:
// MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_RIGHTDOWN or MOUSEEVENTF_MIDDLEDOWN (0: only
// moves).
inline void clickAt(POINT p, DWORD down = MOUSEEVENTF_LEFTDOWN) {
  const int w = GetSystemMetrics(SM_CXSCREEN);
  const int h = GetSystemMetrics(SM_CYSCREEN);
  INPUT in[3] = {};
  for (INPUT& i : in) {
    i.type = INPUT_MOUSE;
    i.mi.dx = static_cast<LONG>(std::lround(p.x * 65535.0 / (w - 1)));
    i.mi.dy = static_cast<LONG>(std::lround(p.y * 65535.0 / (h - 1)));
    i.mi.dwFlags = MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_MOVE;
  }
  in[1].mi.dwFlags |= down;
  in[2].mi.dwFlags |= down << 1;  // each button's UP flag follows its DOWN flag
  SendInput(3, in, sizeof(INPUT));
}

inline void click(HWND hwnd) {
  RECT r{};
  GetWindowRect(hwnd, &r);
  clickAt({(r.left + r.right) / 2, (r.top + r.bottom) / 2});
}

// --- The program under test ------------------------------------------------------------

inline std::filesystem::path programFolder() {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  return std::filesystem::path(path).parent_path();
}

struct WindowSearch {
  DWORD pid;
  std::string title;
  HWND found = nullptr;
};

inline BOOL CALLBACK matchWindow(HWND hwnd, LPARAM param) {
  auto* s = reinterpret_cast<WindowSearch*>(param);
  DWORD owner = 0;
  GetWindowThreadProcessId(hwnd, &owner);
  if (owner == s->pid && IsWindowVisible(hwnd) && textOf(hwnd) == s->title) {
    s->found = hwnd;
    return FALSE;
  }
  return TRUE;
}

// A visible top-level window of process `pid` with exactly this title.
inline HWND findWindow(DWORD pid, const std::string& title) {
  WindowSearch search{pid, title};
  EnumWindows(&matchWindow, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// One run of a program (grinzo.scr beside this test program unless another
// is named) with a command line; ended by force if it still runs when this
// goes.
class Screensaver {
 public:
  explicit Screensaver(const std::string& arguments,
                       const std::filesystem::path& program = programFolder() / "grinzo.scr") {
    std::wstring command =
        L"\"" + program.wstring() + L"\" " + std::wstring(arguments.begin(), arguments.end());
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    started_ = CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                              &si, &pi_) != FALSE;
  }
  ~Screensaver() {
    if (!started_) return;
    if (running()) {
      TerminateProcess(pi_.hProcess, 99);
      WaitForSingleObject(pi_.hProcess, 5000);
    }
    CloseHandle(pi_.hThread);
    CloseHandle(pi_.hProcess);
  }
  Screensaver(const Screensaver&) = delete;
  Screensaver& operator=(const Screensaver&) = delete;

  bool started() const { return started_; }
  DWORD pid() const { return pi_.dwProcessId; }
  bool running() const { return WaitForSingleObject(pi_.hProcess, 0) == WAIT_TIMEOUT; }
  HWND waitForWindow(const std::string& title, double seconds = 10) const {
    HWND found = nullptr;
    waitFor([&] { return (found = findWindow(pid(), title)) != nullptr; }, seconds);
    return found;
  }
  // The exit code, or -1 when the program is still running after the wait.
  long waitForExit(double seconds = 10) const {
    if (!waitFor([&] { return !running(); }, seconds)) return -1;
    DWORD code = 0;
    GetExitCodeProcess(pi_.hProcess, &code);
    return static_cast<long>(code);
  }

 private:
  PROCESS_INFORMATION pi_{};
  bool started_ = false;
};

// What a message box of the screen saver shows.
struct MessageBoxSeen {
  HWND hwnd = nullptr;
  std::string text;
  int buttons = 0;
  bool icon = false;
};

inline BOOL CALLBACK readMessageBoxItem(HWND child, LPARAM param) {
  auto* s = reinterpret_cast<MessageBoxSeen*>(param);
  if (!IsWindowVisible(child)) return TRUE;
  wchar_t name[16] = {};
  GetClassNameW(child, name, 16);
  const std::string cls = narrow(name);
  const LONG style = GetWindowLongW(child, GWL_STYLE);
  if (cls == "Button") {
    ++s->buttons;
  } else if (cls == "Static" && (style & SS_TYPEMASK) == SS_ICON) {
    s->icon = s->icon || SendMessageW(child, STM_GETICON, 0, 0) != 0;
  } else if (cls == "Static" && !textOf(child).empty()) {
    s->text = textOf(child);
  }
  return TRUE;
}

inline MessageBoxSeen waitForMessageBox(const Screensaver& scr,
                                        const std::string& title = "Error") {
  MessageBoxSeen seen;
  seen.hwnd = scr.waitForWindow(title);
  if (seen.hwnd) EnumChildWindows(seen.hwnd, &readMessageBoxItem, reinterpret_cast<LPARAM>(&seen));
  return seen;
}

// A plain window of this process: a host's settings window, or an instance
// of the screen saver running full screen.
inline HWND makeWindow(const wchar_t* title) {
  return CreateWindowExW(0, L"STATIC", title, WS_OVERLAPPED, 0, 0, 100, 100, nullptr, nullptr,
                         GetModuleHandleW(nullptr), nullptr);
}

// --- Screenshots ------------------------------------------------------------------------

// The screen rectangle that covers all these windows.
inline RECT windowRect(std::initializer_list<HWND> windows) {
  RECT all{};
  for (HWND w : windows) {
    RECT r{};
    GetWindowRect(w, &r);
    UnionRect(&all, &all, &r);
  }
  return all;
}

inline bool takingShots() {
  const char* folder = std::getenv("GRINZO_SHOTS");
  return folder && *folder;
}

// Pauses for a screenshot of the screen rectangle `r` (and a margin) when
// asked to.
inline void snapshot(const std::string& name, RECT r, int margin = 12) {
  if (!takingShots()) return;
  const char* folder = std::getenv("GRINZO_SHOTS");
  const std::filesystem::path base = std::filesystem::path(folder) / name;
  std::filesystem::remove(base.string() + ".done");
  const LONG left = std::max<LONG>(0, r.left - margin);
  const LONG top = std::max<LONG>(0, r.top - margin);
  std::ofstream(base.string() + ".request")
      << (r.right + margin - left) << "x" << (r.bottom + margin - top) << "+" << left << "+" << top
      << "\n";
  waitFor([&] { return std::filesystem::exists(base.string() + ".done"); }, 20);
}

}  // namespace grinzo::e2e
