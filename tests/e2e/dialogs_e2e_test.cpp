// grinzo.scr's configuration and help dialogs driven from outside, as a
// user drives them: real keyboard and mouse input (SendInput), the controls
// read through their windows, the settings read back from the registry.
// Needs a display (Windows, or Wine on Xvfb: scripts/wine-dialogs.sh).
// With GRINZO_SHOTS set, it pauses for screenshots of the dialogs.

#include <gtest/gtest.h>

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

constexpr wchar_t kSettingsKey[] = L"Software\\Grinzo Screensaver\\Settings";
constexpr const char* kLevelMessage = "Please pick a number between 1 and 10.";
constexpr const char* kFacesMessage = "You must enter a number between 1 and 32767.";

// Whether the window has a title-bar icon; nullopt where the platform does
// not answer that question for another program's window (Wine).
std::optional<bool> titleIcon(HWND hwnd) {
  DWORD_PTR icon = 0;
  if (!SendMessageTimeoutW(hwnd, WM_GETICON, ICON_SMALL, 0, SMTO_ABORTIFHUNG, 2000, &icon)) {
    return std::nullopt;
  }
  return icon != 0;
}

// A running dialog, its controls found from the same layout data.
struct Dialog {
  HWND hwnd = nullptr;
  const forms::FormLayout* layout = nullptr;

  HWND item(const char* name) const { return GetDlgItem(hwnd, win32::controlIdOf(*layout, name)); }
  std::string text(const char* name) const { return textOf(item(name)); }
  bool checked(const char* name) const {
    return SendMessageW(item(name), BM_GETCHECK, 0, 0) == BST_CHECKED;
  }
  HWND focus() const {
    GUITHREADINFO info{};
    info.cbSize = sizeof(info);
    GetGUIThreadInfo(GetWindowThreadProcessId(hwnd, nullptr), &info);
    return info.hwndFocus;
  }
  bool waitForFocus(const char* name) const {
    return waitFor([&] { return focus() == item(name); });
  }
  // Selection of a text box as (start, end).
  std::pair<int, int> selection(const char* name) const {
    const auto packed = static_cast<DWORD>(SendMessageW(item(name), EM_GETSEL, 0, 0));
    return {LOWORD(packed), HIWORD(packed)};
  }
};

std::optional<std::string> storedSetting(const wchar_t* name) {
  wchar_t value[256] = {};
  DWORD size = sizeof(value);
  DWORD type = 0;
  if (RegGetValueW(HKEY_CURRENT_USER, kSettingsKey, name, RRF_RT_ANY, &type, value, &size) !=
          ERROR_SUCCESS ||
      type != REG_SZ) {
    return std::nullopt;
  }
  return narrow(value);
}

void storeSetting(const wchar_t* name, const wchar_t* value) {
  RegSetKeyValueW(HKEY_CURRENT_USER, kSettingsKey, name, REG_SZ, value,
                  static_cast<DWORD>((wcslen(value) + 1) * sizeof(wchar_t)));
}

int pixels(int twips) {
  HDC dc = GetDC(nullptr);
  const int dpi = GetDeviceCaps(dc, LOGPIXELSX);
  ReleaseDC(nullptr, dc);
  return static_cast<int>(std::lround(twips * dpi / 1440.0));
}

class DialogTest : public ::testing::Test {
 protected:
  void SetUp() override { RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Grinzo Screensaver"); }

  // Starts the screen saver and waits for its configuration dialog.
  Dialog open(Screensaver& scr) {
    EXPECT_TRUE(scr.started());
    Dialog d{scr.waitForWindow("Grinzo Screensaver Configuration"), &layouts::frmConfig()};
    EXPECT_NE(d.hwnd, nullptr);
    return d;
  }
  // A refused value: the message, dismissed, leaves the focus in `box` with
  // its whole text selected.
  void expectRefusal(const Screensaver& scr, const Dialog& d, const char* box, const char* message,
                     bool dismissByClick = false) {
    const MessageBoxSeen seen = waitForMessageBox(scr);
    ASSERT_NE(seen.hwnd, nullptr) << "no message box";
    EXPECT_EQ(seen.text, message);
    EXPECT_EQ(seen.buttons, 1);
    EXPECT_FALSE(seen.icon);
    if (dismissByClick) {
      HWND ok = FindWindowExW(seen.hwnd, nullptr, L"Button", nullptr);
      while (ok && !IsWindowVisible(ok)) ok = FindWindowExW(seen.hwnd, ok, L"Button", nullptr);
      click(ok);
    } else {
      press(VK_RETURN);
    }
    ASSERT_TRUE(waitFor([&] { return !IsWindow(seen.hwnd); })) << "message box stays";
    EXPECT_TRUE(d.waitForFocus(box));
    const int length = static_cast<int>(d.text(box).size());
    EXPECT_TRUE(waitFor([&] { return d.selection(box) == std::make_pair(0, length); }));
  }
};

TEST_F(DialogTest, FirstRunShowsTheLayoutAndSavesWhatItShows) {
  Screensaver scr("/c");
  const Dialog d = open(scr);
  ASSERT_NE(d.hwnd, nullptr);
  const forms::FormLayout& layout = *d.layout;

  // A fixed dialog frame with a close box only, out of the task bar, the icon.
  const LONG style = GetWindowLongW(d.hwnd, GWL_STYLE);
  const LONG exStyle = GetWindowLongW(d.hwnd, GWL_EXSTYLE);
  EXPECT_TRUE(style & WS_SYSMENU);
  EXPECT_FALSE(style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME));
  EXPECT_TRUE(exStyle & WS_EX_DLGMODALFRAME);
  EXPECT_FALSE(exStyle & WS_EX_APPWINDOW);
  EXPECT_NE(GetWindow(d.hwnd, GW_OWNER), nullptr);
  EXPECT_NE(titleIcon(d.hwnd), std::optional<bool>(false));

  // The client area and every control where the layout puts them.
  RECT client{};
  GetClientRect(d.hwnd, &client);
  POINT origin{0, 0};
  ClientToScreen(d.hwnd, &origin);
  EXPECT_EQ(origin.x, pixels(layout.left));
  EXPECT_EQ(origin.y, pixels(layout.top));
  EXPECT_EQ(client.right, pixels(layout.clientWidth));
  EXPECT_EQ(client.bottom, pixels(layout.clientHeight));
  for (const forms::ControlLayout& c : layout.controls) {
    if (c.kind == forms::ControlKind::Line) continue;
    SCOPED_TRACE(c.name);
    HWND item = d.item(c.name.c_str());
    ASSERT_NE(item, nullptr);
    RECT r{};
    GetWindowRect(item, &r);
    MapWindowPoints(HWND_DESKTOP, d.hwnd, reinterpret_cast<POINT*>(&r), 2);
    EXPECT_EQ(r.left, pixels(c.left));
    EXPECT_EQ(r.top, pixels(c.top));
    EXPECT_EQ(r.right - r.left, pixels(c.width));
    EXPECT_EQ(r.bottom - r.top, pixels(c.height));
  }

  EXPECT_EQ(d.text("lblTitle"), "Grinzo Screensaver");
  EXPECT_EQ(d.text("lblVersion"), "Version 1.1.0");
  EXPECT_EQ(d.text("Label1"), "&Starting Level:");
  EXPECT_EQ(d.text("Label2"), "&Number of faces:");
  EXPECT_EQ(d.text("chkSound"), "Soun&d");
  EXPECT_EQ(d.text("cmdHelp"), "&Help");
  EXPECT_EQ(d.text("txtStartingLevel"), "1");
  EXPECT_EQ(d.text("txtNumber"), "10");
  EXPECT_TRUE(d.checked("chkSound"));
  ASSERT_TRUE(d.waitForFocus("txtStartingLevel"));
  EXPECT_EQ(d.selection("txtStartingLevel"), std::make_pair(0, 1));
  snapshot("config-dialog", windowRect({d.hwnd}));

  for (const char* next : {"txtNumber", "chkSound", "cmdOK", "cmdHelp", "txtStartingLevel"}) {
    press(VK_TAB);
    EXPECT_TRUE(d.waitForFocus(next)) << next;
  }
  click(d.item("cmdOK"));
  EXPECT_EQ(scr.waitForExit(), 0);
  EXPECT_EQ(storedSetting(L"Level"), "1");
  EXPECT_EQ(storedSetting(L"Faces"), "10");
  EXPECT_EQ(storedSetting(L"Sound"), "Yes");
}

TEST_F(DialogTest, RefusedValuesKeepTheFocusAndCancelTheMove) {
  Screensaver scr("/c");
  const Dialog d = open(scr);
  ASSERT_TRUE(d.waitForFocus("txtStartingLevel"));
  type("11");
  ASSERT_TRUE(waitFor([&] { return d.text("txtStartingLevel") == "11"; }));

  press(VK_TAB);
  if (takingShots()) snapshot("error-message", windowRect({d.hwnd, waitForMessageBox(scr).hwnd}));
  expectRefusal(scr, d, "txtStartingLevel", kLevelMessage);
  click(d.item("cmdOK"));
  expectRefusal(scr, d, "txtStartingLevel", kLevelMessage, /*dismissByClick=*/true);
  press('N', {VK_MENU});
  expectRefusal(scr, d, "txtStartingLevel", kLevelMessage);
  click(d.item("cmdHelp"));
  expectRefusal(scr, d, "txtStartingLevel", kLevelMessage);
  press(VK_TAB, {VK_SHIFT});
  expectRefusal(scr, d, "txtStartingLevel", kLevelMessage);
  EXPECT_EQ(findWindow(scr.pid(), "Help"), nullptr);
  EXPECT_EQ(storedSetting(L"Level"), std::nullopt);  // nothing saved while open

  type("2.5");  // replaces the selected text
  press(VK_TAB);
  ASSERT_TRUE(d.waitForFocus("txtNumber"));
  EXPECT_TRUE(waitFor([&] { return d.selection("txtNumber") == std::make_pair(0, 2); }));
  type("32768");
  ASSERT_TRUE(waitFor([&] { return d.text("txtNumber") == "32768"; }));
  click(d.item("cmdOK"));
  expectRefusal(scr, d, "txtNumber", kFacesMessage);
  type("32767");
  ASSERT_TRUE(waitFor([&] { return d.text("txtNumber") == "32767"; }));
  click(d.item("cmdOK"));
  EXPECT_EQ(scr.waitForExit(), 0);
  EXPECT_EQ(storedSetting(L"Level"), "2.5");
  EXPECT_EQ(storedSetting(L"Faces"), "32767");
  EXPECT_EQ(storedSetting(L"Sound"), "Yes");
}

TEST_F(DialogTest, MnemonicsHelpAndTheCloseBoxSavingUncheckedText) {
  Screensaver scr("");  // no letter at all: the configuration dialog too
  const Dialog d = open(scr);
  ASSERT_TRUE(d.waitForFocus("txtStartingLevel"));
  press('D', {VK_MENU});
  ASSERT_TRUE(waitFor([&] { return !d.checked("chkSound"); }));

  const Dialog help{[&] {
                      press('H', {VK_MENU});
                      return scr.waitForWindow("Help");
                    }(),
                    &layouts::frmHelp()};
  ASSERT_NE(help.hwnd, nullptr);
  EXPECT_EQ(help.text("Label1"), help.layout->find("Label1")->caption);
  EXPECT_TRUE(help.waitForFocus("cmdOK"));
  EXPECT_EQ(GetWindow(help.hwnd, GW_OWNER), d.hwnd);
  EXPECT_FALSE(IsWindowEnabled(d.hwnd));  // modal
  EXPECT_NE(titleIcon(help.hwnd), std::optional<bool>(true));
  RECT client{};
  GetClientRect(help.hwnd, &client);
  EXPECT_EQ(client.right, pixels(help.layout->clientWidth));
  EXPECT_EQ(client.bottom, pixels(help.layout->clientHeight));
  snapshot("help-dialog", windowRect({help.hwnd}));
  press(VK_RETURN);
  ASSERT_TRUE(waitFor([&] { return !IsWindow(help.hwnd); }));
  EXPECT_TRUE(waitFor([&] { return IsWindowEnabled(d.hwnd) != FALSE; }));

  HWND again = (press('H', {VK_MENU}), scr.waitForWindow("Help"));
  ASSERT_NE(again, nullptr);
  press(VK_ESCAPE);
  ASSERT_TRUE(waitFor([&] { return !IsWindow(again); }));
  ASSERT_TRUE(waitFor([&] { return GetForegroundWindow() == d.hwnd; }));

  // Alt+H moved the focus to Help, where it stays.
  ASSERT_TRUE(d.waitForFocus("cmdHelp"));
  press(VK_TAB);
  ASSERT_TRUE(d.waitForFocus("txtStartingLevel"));
  press(VK_TAB);
  ASSERT_TRUE(d.waitForFocus("txtNumber"));
  press('S', {VK_MENU});
  ASSERT_TRUE(d.waitForFocus("txtStartingLevel"));
  type("abc");
  ASSERT_TRUE(waitFor([&] { return d.text("txtStartingLevel") == "abc"; }));

  // The title bar's close box: found by asking the window what is where.
  RECT frame{};
  GetWindowRect(d.hwnd, &frame);
  std::vector<POINT> closeBox;
  for (int y = frame.top; y < frame.top + 40; ++y) {
    for (int x = frame.right - 60; x < frame.right; ++x) {
      DWORD_PTR hit = 0;
      SendMessageTimeoutW(d.hwnd, WM_NCHITTEST, 0, MAKELPARAM(x, y), SMTO_ABORTIFHUNG, 2000, &hit);
      if (hit == HTCLOSE) closeBox.push_back({x, y});
    }
  }
  ASSERT_FALSE(closeBox.empty());
  clickAt(closeBox[closeBox.size() / 2]);
  EXPECT_EQ(scr.waitForExit(), 0);
  EXPECT_EQ(storedSetting(L"Level"), "abc");
  EXPECT_EQ(storedSetting(L"Faces"), "10");
  EXPECT_EQ(storedSetting(L"Sound"), "No");
}

TEST_F(DialogTest, StoredTextsComeBackAsStoredAndOnlyExactYesIsSound) {
  storeSetting(L"Level", L"05");
  storeSetting(L"Faces", L"7");
  storeSetting(L"Sound", L"yes");
  Screensaver scr("/C");
  const Dialog d = open(scr);
  EXPECT_EQ(d.text("txtStartingLevel"), "05");
  EXPECT_EQ(d.text("txtNumber"), "7");
  EXPECT_FALSE(d.checked("chkSound"));
  ASSERT_TRUE(d.waitForFocus("txtStartingLevel"));
  press(VK_F4, {VK_MENU});
  EXPECT_EQ(scr.waitForExit(), 0);
  EXPECT_EQ(storedSetting(L"Level"), "05");
  EXPECT_EQ(storedSetting(L"Faces"), "7");
  EXPECT_EQ(storedSetting(L"Sound"), "No");
}

TEST_F(DialogTest, TheHostsWindowOwnsTheDialog) {
  HWND host = makeWindow(L"Display Properties");
  ASSERT_NE(host, nullptr);
  const std::string handle = std::to_string(reinterpret_cast<std::intptr_t>(host));
  for (const std::string& arguments : {"/c:" + handle, "/c " + handle}) {
    SCOPED_TRACE(arguments);
    Screensaver scr(arguments);
    const Dialog d = open(scr);
    ASSERT_NE(d.hwnd, nullptr);
    EXPECT_EQ(GetWindow(d.hwnd, GW_OWNER), host);
    PostMessageW(d.hwnd, WM_CLOSE, 0, 0);
    EXPECT_EQ(scr.waitForExit(), 0);
  }
  DestroyWindow(host);
}

TEST_F(DialogTest, OtherLettersAndARunningInstanceOpenNothing) {
  {
    Screensaver scr("/x");
    EXPECT_EQ(scr.waitForExit(), 0);
  }
  HWND running = makeWindow(L"Running Screen Saver");
  ASSERT_NE(running, nullptr);
  {
    Screensaver scr("/c");
    EXPECT_EQ(scr.waitForExit(), 0);
  }
  DestroyWindow(running);
  EXPECT_EQ(storedSetting(L"Level"), std::nullopt);
}

TEST(ProgramFile, CarriesTheIconTheScreenSaverNameAndTheVersion) {
  const std::wstring path = (programFolder() / "grinzo.scr").wstring();
  DWORD ignored = 0;
  std::vector<BYTE> info(GetFileVersionInfoSizeW(path.c_str(), &ignored));
  ASSERT_FALSE(info.empty());
  ASSERT_TRUE(GetFileVersionInfoW(path.c_str(), 0, static_cast<DWORD>(info.size()), info.data()));
  auto text = [&](const wchar_t* name) {
    wchar_t* value = nullptr;
    UINT length = 0;
    const std::wstring query = std::wstring(L"\\StringFileInfo\\040904B0\\") + name;
    if (!VerQueryValueW(info.data(), query.c_str(), reinterpret_cast<void**>(&value), &length)) {
      return std::string();
    }
    return narrow(value);
  };
  EXPECT_EQ(text(L"ProductName"), "Grinzo Screensaver");
  EXPECT_EQ(text(L"FileDescription"), "Grinzo Screensaver");
  EXPECT_EQ(text(L"FileVersion"), "1.1.0");
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT size = 0;
  ASSERT_TRUE(VerQueryValueW(info.data(), L"\\", reinterpret_cast<void**>(&fixed), &size));
  EXPECT_EQ(fixed->dwFileVersionMS, 0x00010001u);
  EXPECT_EQ(fixed->dwFileVersionLS, 0x00000000u);

  HMODULE module = LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_NE(module, nullptr);
  wchar_t name[64] = {};
  LoadStringW(module, 1, name, 64);  // the name in the system's list of screen savers
  EXPECT_EQ(narrow(name), "Grinzo Screensaver");
  EXPECT_NE(FindResourceW(module, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(14)), nullptr);  // icon
  // The manifest asks for real pixels on every monitor.
  HRSRC manifest = FindResourceW(module, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));
  ASSERT_NE(manifest, nullptr);
  const std::string xml(static_cast<const char*>(LockResource(LoadResource(module, manifest))),
                        SizeofResource(module, manifest));
  EXPECT_NE(xml.find("<dpiAware xmlns=\"http://schemas.microsoft.com/SMI/2005/WindowsSettings\">"
                     "true/pm</dpiAware>"),
            std::string::npos);
  EXPECT_NE(xml.find("PerMonitorV2"), std::string::npos);
  FreeLibrary(module);
}

}  // namespace
