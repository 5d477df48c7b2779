// grinzo.scr's game modes driven from outside: this program plays the part
// of the system's screen-saver settings (it starts the screen saver with a
// command line, hosts the preview, owns a full-screen "desktop picture"
// window that the screen saver photographs) and of the user (real mouse and
// key input), and looks at the screen.
// Needs a display: scripts/wine-screensaver.sh runs it under Wine on Xvfb,
// the Win9x case in a 32-bit prefix set to Windows 98.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "ui/layouts/layouts.h"
#include "ui/win32/control_ids.h"
// After the core's headers (it includes <windows.h>).
#include "e2e/driver.h"

namespace {

using namespace grinzo;
using namespace grinzo::e2e;
namespace fs = std::filesystem;

constexpr const char* kRunning = "Running Screen Saver";
constexpr const char* kPreview = "Preview Screen Saver";
constexpr const char* kAppTitle = "Grinzo Screensaver";
constexpr wchar_t kDesktopKey[] = L"Control Panel\\Desktop";
constexpr wchar_t kUsePassword[] = L"ScreenSaveUsePassword";

// --- The desktop picture: a full-screen window of ours with a pattern that
// has no yellow and no red, so faces and splats stand out, and whose every
// pixel is known, so a 1:1 copy can be checked exactly.

std::uint32_t desktopPixel(int x, int y) {  // 0x00RRGGBB
  return (static_cast<std::uint32_t>(20 + x % 50) << 16) |
         (static_cast<std::uint32_t>(100 + y % 80) << 8) | 170u;
}

LRESULT CALLBACK desktopProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg != WM_PAINT) return DefWindowProcW(hwnd, msg, wParam, lParam);
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd, &ps);
  RECT r{};
  GetClientRect(hwnd, &r);
  std::vector<std::uint32_t> pixels(static_cast<std::size_t>(r.right) * r.bottom);
  for (int y = 0; y < r.bottom; ++y) {
    for (int x = 0; x < r.right; ++x)
      pixels[static_cast<std::size_t>(y) * r.right + x] = desktopPixel(x, y);
  }
  BITMAPINFO info{};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), r.right, -r.bottom, 1, 32, BI_RGB};
  SetDIBitsToDevice(dc, 0, 0, r.right, r.bottom, 0, 0, 0, r.bottom, pixels.data(), &info,
                    DIB_RGB_COLORS);
  EndPaint(hwnd, &ps);
  return 0;
}

HWND makeWindowOfClass(const wchar_t* title, DWORD style, RECT r, HWND parent = nullptr) {
  static const bool registered = [] {
    WNDCLASSW wc{};
    wc.lpfnWndProc = &desktopProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));
    wc.lpszClassName = L"GrinzoTestPicture";
    return RegisterClassW(&wc) != 0;
  }();
  if (!registered) return nullptr;
  return CreateWindowExW(0, L"GrinzoTestPicture", title, style, r.left, r.top, r.right - r.left,
                         r.bottom - r.top, parent, nullptr, GetModuleHandleW(nullptr), nullptr);
}

// The system-wide "a screen saver is running" notice, as a fresh process
// sees it.
bool noticeGiven() {
  Screensaver query("", programFolder() / "grinzo_notice_query.exe");
  return query.waitForExit() == 1;
}

RECT virtualScreen() {
  const int x = GetSystemMetrics(SM_XVIRTUALSCREEN);
  const int y = GetSystemMetrics(SM_YVIRTUALSCREEN);
  return {x, y, x + GetSystemMetrics(SM_CXVIRTUALSCREEN), y + GetSystemMetrics(SM_CYVIRTUALSCREEN)};
}

// --- Looking at the screen --------------------------------------------------------

struct Shot {
  RECT area{};
  std::vector<std::uint32_t> pixels;  // 0x00RRGGBB, rows top-down
  int width() const { return area.right - area.left; }
  int height() const { return area.bottom - area.top; }
  std::uint32_t at(int x, int y) const {  // screen coordinates
    return pixels[static_cast<std::size_t>(y - area.top) * width() + (x - area.left)];
  }
};

Shot grab(RECT area = virtualScreen()) {
  Shot shot{area, {}};
  shot.pixels.resize(static_cast<std::size_t>(shot.width()) * shot.height());
  HDC screen = GetDC(nullptr);
  BITMAPINFO info{};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), shot.width(), -shot.height(), 1, 32, BI_RGB};
  void* bits = nullptr;
  HBITMAP dib = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HDC memory = CreateCompatibleDC(screen);
  HGDIOBJ old = SelectObject(memory, dib);
  BitBlt(memory, 0, 0, shot.width(), shot.height(), screen, area.left, area.top, SRCCOPY);
  GdiFlush();
  const auto* from = static_cast<const std::uint32_t*>(bits);
  for (std::size_t i = 0; i < shot.pixels.size(); ++i) shot.pixels[i] = from[i] & 0xFFFFFF;
  SelectObject(memory, old);
  DeleteDC(memory);
  DeleteObject(dib);
  ReleaseDC(nullptr, screen);
  return shot;
}

bool yellow(std::uint32_t p) {
  return (p >> 16 & 0xFF) >= 230 && (p >> 8 & 0xFF) >= 230 && (p & 0xFF) <= 60;
}
bool red(std::uint32_t p) {
  return (p >> 16 & 0xFF) >= 200 && (p >> 8 & 0xFF) <= 60 && (p & 0xFF) <= 60;
}

// Centres of the yellow blobs of at least 150 pixels inside `within`.
std::vector<POINT> faces(const Shot& shot, RECT within) {
  std::vector<POINT> found;
  std::vector<char> seen(shot.pixels.size(), 0);
  for (int y = within.top; y < within.bottom; ++y) {
    for (int x = within.left; x < within.right; ++x) {
      const std::size_t i =
          static_cast<std::size_t>(y - shot.area.top) * shot.width() + (x - shot.area.left);
      if (seen[i] || !yellow(shot.pixels[i])) continue;
      long count = 0, sx = 0, sy = 0;
      std::vector<POINT> stack{{x, y}};
      seen[i] = 1;
      while (!stack.empty()) {
        const POINT p = stack.back();
        stack.pop_back();
        ++count;
        sx += p.x;
        sy += p.y;
        for (const POINT n :
             {POINT{p.x + 1, p.y}, POINT{p.x - 1, p.y}, POINT{p.x, p.y + 1}, POINT{p.x, p.y - 1}}) {
          if (n.x < within.left || n.y < within.top || n.x >= within.right || n.y >= within.bottom)
            continue;
          const std::size_t j =
              static_cast<std::size_t>(n.y - shot.area.top) * shot.width() + (n.x - shot.area.left);
          if (!seen[j] && yellow(shot.pixels[j])) {
            seen[j] = 1;
            stack.push_back(n);
          }
        }
      }
      if (count >= 150) found.push_back({sx / count, sy / count});
    }
  }
  return found;
}

int countIn(const Shot& shot, RECT r, bool (*test)(std::uint32_t)) {
  int n = 0;
  for (int y = std::max(r.top, shot.area.top); y < std::min(r.bottom, shot.area.bottom); ++y) {
    for (int x = std::max(r.left, shot.area.left); x < std::min(r.right, shot.area.right); ++x) {
      n += test(shot.at(x, y)) ? 1 : 0;
    }
  }
  return n;
}

// The share of a grid of points inside `r` where the screen shows the desktop
// picture exactly, pixel for pixel, with `origin` the picture's top-left.
double desktopShare(const Shot& shot, RECT r, POINT origin = {0, 0}) {
  int same = 0, all = 0;
  for (int y = r.top; y < r.bottom; y += 7) {
    for (int x = r.left; x < r.right; x += 7) {
      ++all;
      same += shot.at(x, y) == desktopPixel(x - origin.x, y - origin.y) ? 1 : 0;
    }
  }
  return all ? static_cast<double>(same) / all : 0;
}

// --- The game window's status labels, found by their layout ---------------------------

std::string label(HWND game, const char* name) {
  return textOf(GetDlgItem(game, win32::controlIdOf(layouts::frmGrinzo(), name)));
}

// --- Registry value of the password flag, put back as it was ----------------------------

class PasswordFlag {
 public:
  PasswordFlag() {
    DWORD size = sizeof(data_);
    had_ = RegGetValueW(HKEY_CURRENT_USER, kDesktopKey, kUsePassword, RRF_RT_ANY, &type_, data_,
                        &size) == ERROR_SUCCESS;
    size_ = size;
  }
  ~PasswordFlag() {
    if (had_) {
      RegSetKeyValueW(HKEY_CURRENT_USER, kDesktopKey, kUsePassword, type_, data_, size_);
    } else {
      RegDeleteKeyValueW(HKEY_CURRENT_USER, kDesktopKey, kUsePassword);
    }
  }
  PasswordFlag(const PasswordFlag&) = delete;
  PasswordFlag& operator=(const PasswordFlag&) = delete;
  void set(const wchar_t* text) {
    RegSetKeyValueW(HKEY_CURRENT_USER, kDesktopKey, kUsePassword, REG_SZ, text,
                    static_cast<DWORD>((wcslen(text) + 1) * sizeof(wchar_t)));
  }

 private:
  bool had_ = false;
  DWORD type_ = 0;
  BYTE data_[256] = {};
  DWORD size_ = 0;
};

// --- The fixture: a folder of its own for grinzo.scr and its files, and the
// desktop picture on screen.

class ScreensaverTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
    folder_ = fs::temp_directory_path() /
              ("grinzo-e2e-" + std::string(info->name()) + "-" + std::to_string(GetTickCount()));
    fs::create_directories(folder_);
    for (const char* file :
         {"grinzo.scr", "mouseicon.ico", "gun.wav", "shotgun.wav", "machgun.wav"}) {
      fs::copy_file(programFolder() / file, folder_ / file);
    }
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Grinzo Screensaver");
    desktop_ = makeWindowOfClass(L"Desktop picture", WS_POPUP | WS_VISIBLE, virtualScreen());
    ASSERT_NE(desktop_, nullptr);
    UpdateWindow(desktop_);
    pause(0.3);
  }
  void TearDown() override {
    if (desktop_) DestroyWindow(desktop_);
    std::error_code ignored;
    fs::remove_all(folder_, ignored);
  }

  fs::path program() const { return folder_ / "grinzo.scr"; }

  // Starts the full-screen game and waits until it has the keyboard.
  HWND startFullScreen(Screensaver& scr) {
    EXPECT_TRUE(scr.started());
    HWND game = scr.waitForWindow(kRunning);
    EXPECT_NE(game, nullptr);
    EXPECT_TRUE(waitFor([&] { return GetForegroundWindow() == game; }, 5));
    return game;
  }

  // A face away from the edges and the status labels, or nothing.
  std::optional<POINT> aFace() const {
    const RECT screen = virtualScreen();
    const std::vector<POINT> seen =
        faces(grab(), {screen.left + 40, screen.top + 150, screen.right - 40, screen.bottom - 40});
    if (seen.empty()) return std::nullopt;
    return seen.front();
  }

  fs::path folder_;
  HWND desktop_ = nullptr;
};

TEST_F(ScreensaverTest, FullScreenCoversTheScreenShowsTheDesktopAndPlays) {
  // Over the desktop picture the pointer is the arrow.
  const RECT screen = virtualScreen();
  const HCURSOR arrow = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));
  CURSORINFO pointer{};
  pointer.cbSize = sizeof(pointer);
  clickAt({screen.left + 500, screen.top + 400}, 0);
  EXPECT_TRUE(waitFor([&] { return GetCursorInfo(&pointer) && pointer.hCursor == arrow; }, 2));

  Screensaver scr("/s", program());
  HWND game = startFullScreen(scr);
  ASSERT_NE(game, nullptr);
  const auto shown = Clock::now();
  // The exit guard: a key this early is ignored.
  press('X');

  RECT r{};
  GetWindowRect(game, &r);
  EXPECT_EQ(r.left, screen.left);
  EXPECT_EQ(r.top, screen.top);
  EXPECT_EQ(r.right, screen.right);
  EXPECT_EQ(r.bottom, screen.bottom);
  const LONG style = GetWindowLongW(game, GWL_STYLE);
  EXPECT_TRUE(style & WS_POPUP);
  EXPECT_FALSE(style & (WS_CAPTION | WS_THICKFRAME));
  EXPECT_TRUE(GetWindowLongW(game, GWL_EXSTYLE) & WS_EX_TOPMOST);
  EXPECT_TRUE(noticeGiven());
  HWND levelLabel = GetDlgItem(game, win32::controlIdOf(layouts::frmGrinzo(), "lblLevel"));
  ASSERT_NE(levelLabel, nullptr);
  EXPECT_FALSE(IsWindowEnabled(levelLabel));  // greyed, clicks go to the game
  RECT labelRect{};
  GetWindowRect(levelLabel, &labelRect);
  EXPECT_EQ(labelRect.left - screen.left, 88);
  EXPECT_EQ(labelRect.top - screen.top, 64);
  // Over the game it is the one from "mouseicon.ico".
  clickAt({screen.left + 510, screen.top + 410}, 0);
  EXPECT_TRUE(waitFor(
      [&] { return GetCursorInfo(&pointer) && pointer.hCursor && pointer.hCursor != arrow; }, 2));

  waitFor([&] { return Clock::now() - shown > std::chrono::milliseconds(1200); }, 2);
  ASSERT_TRUE(scr.running()) << "a key within half a second of the start ended the game";

  // The desktop picture at 1:1 with faces over it.
  const Shot shot = grab();
  EXPECT_GE(faces(shot, screen).size(), 5u);
  EXPECT_GT(desktopShare(shot, {screen.left, screen.top + 150, screen.right, screen.bottom}), 0.8);
  EXPECT_TRUE(waitFor([&] { return label(game, "lblCurrentWeapon") == "Handgun"; }, 3));
  EXPECT_EQ(label(game, "lblLevel"), "1");

  // "S" at level 1: the handgun is the only weapon, and the game goes on.
  press('S');
  pause(1.2);
  EXPECT_TRUE(scr.running());
  EXPECT_EQ(label(game, "lblCurrentWeapon"), "Handgun");

  // Shoot at faces until one is hit; it leaves a red splat.
  int kills = 0;
  for (int attempt = 0; attempt < 15 && kills < 2; ++attempt) {
    const std::optional<POINT> face = aFace();
    if (!face) {
      pause(0.2);
      continue;
    }
    const std::string before = label(game, "lblLeft");
    clickAt(*face);
    if (waitFor([&] { return label(game, "lblLeft") != before; }, 1.5)) {
      ++kills;
      const RECT around{face->x - 35, face->y - 35, face->x + 35, face->y + 35};
      EXPECT_GE(countIn(grab(), around, red), 100) << "no splat at " << face->x << "," << face->y;
    } else {
      pause(0.6);  // the handgun's shot clock
    }
  }
  EXPECT_GE(kills, 1);
  EXPECT_TRUE(waitFor([&] { return label(game, "lblLeft") == std::to_string(100 - kills); }, 2));
  snapshot("fullscreen-game", screen, 0);

  // While it runs, every other start does nothing and ends.
  for (const std::string& arguments :
       {std::string("/s"), std::string("/c"),
        "/p " + std::to_string(reinterpret_cast<std::intptr_t>(desktop_))}) {
    SCOPED_TRACE(arguments);
    Screensaver other(arguments, program());
    EXPECT_EQ(other.waitForExit(), 0);
    EXPECT_EQ(findWindow(other.pid(), "Grinzo Screensaver Configuration"), nullptr);
  }
  EXPECT_EQ(GetWindow(desktop_, GW_CHILD), nullptr);
  EXPECT_EQ(FindWindowW(nullptr, L"Running Screen Saver"), game);

  // A key long after the start ends the game; the files are beside it.
  press('X');
  EXPECT_EQ(scr.waitForExit(5), 0);
  EXPECT_FALSE(noticeGiven());
  EXPECT_TRUE(fs::exists(folder_ / "snapshot.bmp"));
  EXPECT_TRUE(fs::exists(folder_ / "grinzofps.txt"));
}

// With default settings on a machine far faster than the display, frames
// come at most 60 a second and the faces move: unpaced, each frame's step
// rounds away to nothing. When another program's window beneath the game
// takes the keyboard and closes, the game takes the keyboard back, so keys
// end it again.
TEST_F(ScreensaverTest, FacesMoveAtMostSixtyFramesASecondAndKeysEndItAfterAnotherWindow) {
  Screensaver scr("/s", program());
  HWND game = startFullScreen(scr);
  ASSERT_NE(game, nullptr);
  pause(2.5);  // past the speed measurement and the first frame-rate line
  const RECT screen = virtualScreen();
  const std::vector<POINT> before = faces(grab(), screen);
  pause(2);
  const std::vector<POINT> after = faces(grab(), screen);
  ASSERT_GE(before.size(), 5u);
  std::size_t stayed = 0;
  for (const POINT a : before) {
    for (const POINT b : after) {
      if (std::abs(a.x - b.x) <= 1 && std::abs(a.y - b.y) <= 1) {
        ++stayed;
        break;
      }
    }
  }
  EXPECT_LE(stayed, before.size() / 5) << "faces at the same place 2 s later";
  std::ifstream file(folder_ / "grinzofps.txt");
  double fps = 0;
  ASSERT_TRUE(file >> fps);
  EXPECT_GT(fps, 20);
  EXPECT_LE(fps, 62);

  HWND other = makeWindow(L"Another program");
  ASSERT_NE(other, nullptr);
  ShowWindow(other, SW_SHOW);
  SetForegroundWindow(other);
  pause(0.5);
  DestroyWindow(other);
  EXPECT_TRUE(waitFor([&] { return GetForegroundWindow() == game; }, 3));
  press('X');
  EXPECT_EQ(scr.waitForExit(5), 0);
}

TEST_F(ScreensaverTest, MiddleClickPlaysOnRightClickEnds) {
  Screensaver scr("/s", program());
  HWND game = startFullScreen(scr);
  ASSERT_NE(game, nullptr);
  pause(0.8);
  const RECT screen = virtualScreen();
  const POINT centre{(screen.left + screen.right) / 2, (screen.top + screen.bottom) / 2};
  clickAt(centre, MOUSEEVENTF_MIDDLEDOWN);
  pause(0.5);
  EXPECT_TRUE(scr.running());
  clickAt(centre, MOUSEEVENTF_RIGHTDOWN);
  EXPECT_EQ(scr.waitForExit(5), 0);
  EXPECT_FALSE(noticeGiven());
}

TEST_F(ScreensaverTest, PreviewFillsTheHostIgnoresInputAndEndsWithIt) {
  HWND settings = makeWindowOfClass(L"Display Properties", WS_POPUP | WS_VISIBLE | WS_BORDER,
                                    {300, 200, 700, 500});
  ASSERT_NE(settings, nullptr);
  // The preview area: a child whose client area is 152 x 112.
  HWND host = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE, 124, 80, 152, 112, settings,
                              nullptr, GetModuleHandleW(nullptr), nullptr);
  ASSERT_NE(host, nullptr);
  Screensaver scr("/p " + std::to_string(reinterpret_cast<std::intptr_t>(host)), program());
  ASSERT_TRUE(scr.started());

  HWND preview = nullptr;
  ASSERT_TRUE(waitFor([&] { return (preview = GetWindow(host, GW_CHILD)) != nullptr; }));
  DWORD owner = 0;
  GetWindowThreadProcessId(preview, &owner);
  EXPECT_EQ(owner, scr.pid());
  EXPECT_EQ(textOf(preview), kPreview);
  EXPECT_EQ(GetParent(preview), host);
  EXPECT_TRUE(GetWindowLongW(preview, GWL_STYLE) & WS_CHILD);
  EXPECT_FALSE(GetWindowLongW(preview, GWL_EXSTYLE) & WS_EX_TOPMOST);
  EXPECT_TRUE(IsWindowVisible(preview));
  RECT r{};
  GetWindowRect(preview, &r);
  MapWindowPoints(HWND_DESKTOP, host, reinterpret_cast<POINT*>(&r), 2);
  EXPECT_EQ(r.left, 0);
  EXPECT_EQ(r.top, 0);
  EXPECT_EQ(r.right, 152);
  EXPECT_EQ(r.bottom, 112);
  EXPECT_EQ(findWindow(scr.pid(), kRunning), nullptr);
  EXPECT_FALSE(noticeGiven());

  // The game runs in it. (Wine does not show what one process draws into
  // another's window, so its pixels cannot be looked at here.)
  std::string time;
  ASSERT_TRUE(waitFor([&] { return !(time = label(preview, "lblTime")).empty(); }));
  EXPECT_TRUE(waitFor([&] { return label(preview, "lblTime") != time; }, 3));

  // Clicks all over it (so on faces too) and keys change nothing.
  RECT area{};
  GetWindowRect(host, &area);
  for (int y = area.top + 10; y < area.bottom; y += 20) {
    for (int x = area.left + 10; x < area.right; x += 20) clickAt({x, y});
  }
  clickAt({area.left + 70, area.top + 50}, MOUSEEVENTF_RIGHTDOWN);
  press('X');
  pause(1.5);
  EXPECT_TRUE(scr.running());
  EXPECT_EQ(label(preview, "lblLeft"), "100");

  // The host destroys its preview area: the screen saver ends.
  const auto destroyed = Clock::now();
  DestroyWindow(host);
  EXPECT_EQ(scr.waitForExit(2), 0);
  EXPECT_LT(Clock::now() - destroyed, std::chrono::milliseconds(2000));
  DestroyWindow(settings);
}

TEST_F(ScreensaverTest, APreviewWithoutItsHostOpensNothing) {
  HWND gone = makeWindow(L"gone");
  const std::string handle = std::to_string(reinterpret_cast<std::intptr_t>(gone));
  DestroyWindow(gone);
  for (const std::string& arguments : {"/p " + handle, "/l:" + handle}) {
    SCOPED_TRACE(arguments);
    Screensaver scr(arguments, program());
    EXPECT_EQ(scr.waitForExit(), 0);
  }
}

TEST_F(ScreensaverTest, CommandLinesThatCannotRunOpenNoWindow) {
  {
    Screensaver scr("/x", program());
    EXPECT_EQ(scr.waitForExit(), 0);
  }
  {
    Screensaver scr("/a " + std::to_string(reinterpret_cast<std::intptr_t>(desktop_)), program());
    EXPECT_EQ(scr.waitForExit(), 0);
  }
  for (const char* arguments : {"/p", "/a:"}) {
    SCOPED_TRACE(arguments);
    Screensaver scr(arguments, program());
    const MessageBoxSeen seen = waitForMessageBox(scr, kAppTitle);
    ASSERT_NE(seen.hwnd, nullptr);
    EXPECT_NE(seen.text.find("window number"), std::string::npos) << seen.text;
    EXPECT_EQ(findWindow(scr.pid(), kPreview), nullptr);
    EXPECT_EQ(findWindow(scr.pid(), kRunning), nullptr);
    PostMessageW(seen.hwnd, WM_CLOSE, 0, 0);
    EXPECT_EQ(scr.waitForExit(), 1);
  }
}

TEST_F(ScreensaverTest, AMissingPointerIconIsNamedAndNoWindowOpens) {
  fs::remove(folder_ / "mouseicon.ico");
  Screensaver scr("/s", program());
  const MessageBoxSeen seen = waitForMessageBox(scr, kAppTitle);
  ASSERT_NE(seen.hwnd, nullptr);
  EXPECT_NE(seen.text.find("mouseicon.ico"), std::string::npos) << seen.text;
  EXPECT_EQ(FindWindowW(nullptr, L"Running Screen Saver"), nullptr);
  EXPECT_FALSE(noticeGiven());  // given at the start of the load, withdrawn on its failure
  PostMessageW(seen.hwnd, WM_CLOSE, 0, 0);
  EXPECT_EQ(scr.waitForExit(), 1);
}

TEST_F(ScreensaverTest, APasswordInForceIsAskedForAndARefusalPlaysOn) {
  PasswordFlag flag;
  flag.set(L"1");
  fs::copy_file(programFolder() / "test-password.cpl", folder_ / "password.cpl");
  std::ofstream(folder_ / "password-answer.txt") << "refuse\n";
  auto prompts = [&] {
    std::ifstream in(folder_ / "password-prompts.txt");
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
  };

  Screensaver scr("/s", program());
  HWND game = startFullScreen(scr);
  ASSERT_NE(game, nullptr);
  pause(0.8);
  press('X');
  ASSERT_TRUE(waitFor([&] { return prompts().size() == 1; }, 5));
  EXPECT_EQ(prompts()[0], std::string("refuse shown ") + kRunning);
  // Refused: the game goes on, and keys are ignored for half a second.
  press('X');
  pause(0.3);
  EXPECT_EQ(prompts().size(), 1u);
  EXPECT_TRUE(scr.running());

  std::ofstream(folder_ / "password-answer.txt") << "accept\n";
  pause(0.5);
  press('X');
  ASSERT_TRUE(waitFor([&] { return prompts().size() == 2; }, 5));
  EXPECT_EQ(scr.waitForExit(5), 0);
  EXPECT_FALSE(noticeGiven());
}

TEST_F(ScreensaverTest, WithoutThePasswordServiceTheSystemGuardsTheSession) {
  PasswordFlag flag;
  flag.set(L"1");
  Screensaver scr("/s", program());
  ASSERT_NE(startFullScreen(scr), nullptr);
  pause(0.8);
  press('X');
  EXPECT_EQ(scr.waitForExit(5), 0);
}

// Runs only where the system reports the Windows 9x family (the 32-bit build
// in a Wine prefix set to Windows 98): the background is read back from
// "snapshot.bmp".
TEST_F(ScreensaverTest, Win9xFamilyDrawsTheDesktopFromTheSnapshot) {
  OSVERSIONINFOA version{};
  version.dwOSVersionInfoSize = sizeof(version);
  GetVersionExA(&version);
  if (version.dwPlatformId != VER_PLATFORM_WIN32_WINDOWS) {
    // The script that sets up the Windows 98 prefix insists.
    ASSERT_EQ(std::getenv("GRINZO_EXPECT_WIN9X"), nullptr) << "the system is not of the 9x family";
    GTEST_SKIP() << "needs the Windows 9x family (a Wine prefix set to win98)";
  }
  Screensaver scr("/s", program());
  ASSERT_NE(startFullScreen(scr), nullptr);
  pause(1.2);
  const RECT screen = virtualScreen();
  const Shot shot = grab();
  EXPECT_GE(faces(shot, screen).size(), 5u);
  EXPECT_GT(desktopShare(shot, {screen.left, screen.top + 150, screen.right, screen.bottom}), 0.8);
  EXPECT_TRUE(fs::exists(folder_ / "snapshot.bmp"));
  clickAt({screen.right / 2, screen.bottom / 2}, MOUSEEVENTF_RIGHTDOWN);
  EXPECT_EQ(scr.waitForExit(5), 0);
  EXPECT_FALSE(noticeGiven());
}

}  // namespace
