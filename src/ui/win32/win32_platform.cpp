#include "ui/win32/win32_platform.h"

#include <mmsystem.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cwchar>
#include <utility>

#include "ui/forms/dialog_keys.h"
#include "ui/images/images.h"
#include "ui/runtime/app_info.h"
#include "ui/win32/text.h"
#include "ui/win32/win32_window.h"

namespace grinzo::win32 {

namespace {

constexpr wchar_t kOwnerClass[] = L"GrinzoOwner";

HKEY rootKey(std::int32_t root) {
  // Predefined keys are 32-bit values, sign-extended to a handle.
  return reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(static_cast<LONG_PTR>(root)));
}

std::wstring settingsKey(const std::string& app, const std::string& section) {
  return widen("Software\\" + app + "\\" + section);
}

HICON iconFromImage(int size) {
  const images::IconImage& image = images::programIcon(size);
  gdi::Bitmap pixels(image.width, image.height);
  for (std::size_t i = 0; i < pixels.pixels.size() && i < image.indices.size(); ++i) {
    pixels.pixels[i] = image.palette[image.indices[i] & 0x0F];
  }
  return makeIcon(pixels, image.transparent, false);
}

// A function of a library loaded at run time, as the type `F`.
template <typename F>
F procedure(HMODULE library, const char* name) {
  FARPROC proc = library ? GetProcAddress(library, name) : nullptr;
  return reinterpret_cast<F>(reinterpret_cast<void (*)()>(proc));
}

}  // namespace

void enableDpiAwareness() {
  // The manifest asks for per-monitor awareness; this covers systems that
  // read no manifest setting for it.
  if (auto setAware =
          procedure<BOOL(WINAPI*)()>(GetModuleHandleW(L"user32.dll"), "SetProcessDPIAware")) {
    setAware();
  }
}

void restrictLibrarySearch() {
  if (auto setDirectory = procedure<BOOL(WINAPI*)(LPCWSTR)>(GetModuleHandleW(L"kernel32.dll"),
                                                            "SetDllDirectoryW")) {
    setDirectory(L"");
  }
}

Win32Platform::Win32Platform(HINSTANCE instance) : instance_(instance) {
  Win32Window::registerClasses(instance);
  WNDCLASSEXW owner{};
  owner.cbSize = sizeof(owner);
  owner.lpfnWndProc = &DefWindowProcW;
  owner.hInstance = instance;
  owner.lpszClassName = kOwnerClass;
  RegisterClassExW(&owner);

  HDC screenDc = GetDC(nullptr);
  const int dpiY = screenDc ? GetDeviceCaps(screenDc, LOGPIXELSY) : 96;
  if (screenDc) ReleaseDC(nullptr, screenDc);
  // The dialog font: 8-point sans serif at the screen's real DPI.
  font_ = CreateFontW(-MulDiv(8, dpiY, 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                      DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                      DEFAULT_PITCH | FF_DONTCARE, L"MS Sans Serif");
  iconLarge_ = iconFromImage(32);
  iconSmall_ = iconFromImage(16);
}

Win32Platform::~Win32Platform() {
  if (fineTimer_) timeEndPeriod(1);
  if (hiddenOwner_) DestroyWindow(hiddenOwner_);
  if (font_) DeleteObject(font_);
  if (iconLarge_) DestroyIcon(iconLarge_);
  if (iconSmall_) DestroyIcon(iconSmall_);
}

HWND Win32Platform::toHwnd(ui::WindowHandle handle) {
  return reinterpret_cast<HWND>(static_cast<std::intptr_t>(handle));
}

ui::WindowHandle Win32Platform::fromHwnd(HWND hwnd) {
  return static_cast<ui::WindowHandle>(reinterpret_cast<std::intptr_t>(hwnd));
}

void Win32Platform::setHostOwner(HWND host) {
  if (host && IsWindow(host)) host_ = host;
}

void Win32Platform::deferError(std::exception_ptr error) { windows_.defer(std::move(error)); }

// --- Windows -------------------------------------------------------------------

Win32Window* Win32Platform::windowOf(const forms::Form& form) const {
  return static_cast<Win32Window*>(windows_.windowOf(form));
}

Win32Window* Win32Platform::windowFromHwnd(HWND hwnd) const {
  for (ui::NativeWindow* w : windows_.windows()) {
    if (auto* window = static_cast<Win32Window*>(w); window->hwnd() == hwnd) return window;
  }
  return nullptr;
}

// Windows that stay out of the task bar need an owner: the window of ours
// that is active (so that a modal help stays above the dialog it blocks),
// else the host's window when one was given, else a hidden window of ours.
HWND Win32Platform::ownerForNewWindow(const forms::Form& form) {
  if (form.layout().showInTaskbar) return nullptr;
  HWND active = GetActiveWindow();
  if (active && windowFromHwnd(active) && IsWindowEnabled(active) && IsWindowVisible(active)) {
    return active;
  }
  if (host_ && IsWindow(host_)) return host_;
  if (!hiddenOwner_) {
    hiddenOwner_ = CreateWindowExW(0, kOwnerClass, L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                   instance_, nullptr);
  }
  return hiddenOwner_;
}

std::unique_ptr<ui::NativeWindow> Win32Platform::createWindow(forms::Form& form) {
  return std::make_unique<Win32Window>(*this, form, ownerForNewWindow(form));
}

// The dialog keys go to the core's rule before translation: a key it takes
// makes no character.
bool Win32Platform::preTranslate(const MSG& msg) {
  forms::DialogKey key{.shift = GetKeyState(VK_SHIFT) < 0,
                       .ctrl = GetKeyState(VK_CONTROL) < 0,
                       .alt = GetKeyState(VK_MENU) < 0};
  switch (msg.message) {
    case WM_KEYDOWN:
      if (msg.wParam == VK_TAB) {
        key.kind = forms::DialogKey::Kind::Tab;
      } else if (msg.wParam == VK_RETURN) {
        key.kind = forms::DialogKey::Kind::Enter;
      } else if (msg.wParam == VK_ESCAPE) {
        key.kind = forms::DialogKey::Kind::Escape;
      } else {
        return false;
      }
      break;
    case WM_SYSCHAR:  // Alt+letter
      key.alt = true;
      [[fallthrough]];
    case WM_CHAR:
      if (msg.wParam > 0x7F) return false;
      key.character = static_cast<char>(msg.wParam);
      break;
    default:
      return false;
  }
  HWND root = GetAncestor(msg.hwnd, GA_ROOT);
  Win32Window* window = root ? windowFromHwnd(root) : nullptr;
  return window && forms::takeDialogKey(window->form(), key);
}

bool Win32Platform::pumpOne(bool wait) {
  MSG msg;
  if (wait) {
    const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    if (got == -1) return false;
    if (got == 0) {
      PostQuitMessage(static_cast<int>(msg.wParam));
      return false;
    }
  } else {
    if (!PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) return false;
    if (msg.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(msg.wParam));
      return false;
    }
  }
  if (!preTranslate(msg)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  windows_.raiseDeferred();
  return true;
}

void Win32Platform::processPendingMessages() {
  while (pumpOne(false)) {
  }
  windows_.raiseDeferred();
}

// Sleeps between messages rather than spinning: a screen saver runs for
// hours, on laptops too. The system's timer ticks every millisecond while
// the game waits (it would round a 16 ms wait up to 31 ms otherwise).
void Win32Platform::waitUntil(double deadline) {
  if (!fineTimer_) fineTimer_ = timeBeginPeriod(1) == TIMERR_NOERROR;
  reclaimFocus();
  for (;;) {
    processPendingMessages();
    if (windows_.empty()) return;
    const double left = deadline - clock_.continuousSeconds();
    if (left <= 0) return;
    const auto milliseconds = static_cast<DWORD>(std::ceil(std::min(left, 1.0) * 1000.0));
    MsgWaitForMultipleObjects(0, nullptr, FALSE, milliseconds, QS_ALLINPUT);
  }
}

// The full-screen game covers every other window, so a window of another
// program that has the keyboard beneath it would take keys the user cannot
// see go anywhere. Windows of this process (the password prompt) and topmost
// windows of others, which show above the game, keep it.
void Win32Platform::reclaimFocus() {
  if (const HWND foreground = GetForegroundWindow()) {
    DWORD process = 0;
    GetWindowThreadProcessId(foreground, &process);
    if (process == GetCurrentProcessId()) return;
    if (GetWindowLongPtrW(foreground, GWL_EXSTYLE) & WS_EX_TOPMOST) return;
  }
  for (ui::NativeWindow* window : windows_.windows()) {
    const HWND hwnd = static_cast<Win32Window*>(window)->hwnd();
    const LONG_PTR exStyle = GetWindowLongPtrW(hwnd, GWL_EXSTYLE);
    const LONG_PTR style = GetWindowLongPtrW(hwnd, GWL_STYLE);
    if ((exStyle & WS_EX_TOPMOST) && !(style & WS_CHILD) && IsWindowVisible(hwnd) &&
        IsWindowEnabled(hwnd)) {
      SetForegroundWindow(hwnd);
      SetFocus(hwnd);
      return;
    }
  }
}

void Win32Platform::runUntilAllClosed() {
  while (!windows_.empty() && pumpOne(true)) {
  }
  windows_.raiseDeferred();
}

// The blocked windows are switched back on before the modal one goes, so
// that the system hands the activation back to them, not to another program.
void Win32Platform::runModal(forms::Form& form) {
  windows_.runModal(form, [&] { return pumpOne(true); });
}

void Win32Platform::messageBox(const std::string& text, const std::string& title,
                               forms::Form* owner) {
  HWND ownerHwnd = nullptr;
  if (owner) {
    if (Win32Window* w = windowOf(*owner)) ownerHwnd = w->hwnd();
  }
  if (!ownerHwnd) ownerHwnd = GetActiveWindow();
  // A single OK button and no icon.
  MessageBoxW(ownerHwnd, widen(text).c_str(), widen(title).c_str(), MB_OK);
}

ui::ScreenMetrics Win32Platform::screen() const {
  ui::ScreenMetrics m;
  HDC dc = GetDC(nullptr);
  const int dpiX = dc ? GetDeviceCaps(dc, LOGPIXELSX) : 96;
  const int dpiY = dc ? GetDeviceCaps(dc, LOGPIXELSY) : 96;
  if (dc) ReleaseDC(nullptr, dc);
  m.twipsPerPixelX = 1440.0 / std::max(1, dpiX);
  m.twipsPerPixelY = 1440.0 / std::max(1, dpiY);
  m.monitors = GetSystemMetrics(SM_CMONITORS);
  m.primary = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  m.virtualScreen = {GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_YVIRTUALSCREEN),
                     GetSystemMetrics(SM_CXVIRTUALSCREEN), GetSystemMetrics(SM_CYVIRTUALSCREEN)};
  return m;
}

bool Win32Platform::windowWithTitleExists(const std::string& title) const {
  return FindWindowW(nullptr, widen(title).c_str()) != nullptr;
}

std::optional<gdi::Size> Win32Platform::hostClientSize(ui::WindowHandle host) const {
  HWND h = toHwnd(host);
  RECT r{};
  if (!h || !IsWindow(h) || !GetClientRect(h, &r)) return std::nullopt;
  return gdi::Size{r.right, r.bottom};
}

// One block transfer from the screen into a device-independent bitmap, then
// into the core's surface. The screen's device context is addressed in
// virtual-screen coordinates, so (srcX, srcY) may be negative.
bool Win32Platform::captureDesktop(gdi::HDC dst, int srcX, int srcY, gdi::Size size) {
  const gdi::Size target = gdi::SurfaceSize(dst);
  const int w = std::min(size.width, target.width);
  const int h = std::min(size.height, target.height);
  if (w <= 0 || h <= 0) return false;
  HDC screen = GetDC(nullptr);
  if (!screen) return false;
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = w;
  info.bmiHeader.biHeight = -h;  // rows top-down, as the core keeps them
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP dib = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HDC memory = dib ? CreateCompatibleDC(screen) : nullptr;
  bool copied = false;
  if (memory) {
    HGDIOBJ old = SelectObject(memory, dib);
    copied = BitBlt(memory, 0, 0, w, h, screen, srcX, srcY, SRCCOPY) != FALSE;
    GdiFlush();
    if (copied) {
      // The section's pixels are B, G, R, X in memory: the core's layout.
      const auto* from = static_cast<const std::uint32_t*>(bits);
      gdi::Bitmap& to = *gdi::SurfaceBitmap(dst);
      for (int y = 0; y < h; ++y) {
        const std::uint32_t* row = from + static_cast<std::size_t>(y) * static_cast<std::size_t>(w);
        for (int x = 0; x < w; ++x) to.at(x, y) = row[x] & 0x00FFFFFFu;
      }
    }
    SelectObject(memory, old);
    DeleteDC(memory);
  }
  if (dib) DeleteObject(dib);
  ReleaseDC(nullptr, screen);
  return copied;
}

// --- Screen-saver services ----------------------------------------------------------

ui::PlatformFamily Win32Platform::family() const {
  OSVERSIONINFOA info{};
  static_assert(sizeof(info) == 148, "the ANSI version record");
  info.dwOSVersionInfoSize = sizeof(info);
  if (!GetVersionExA(&info)) return ui::PlatformFamily::Unknown;
  switch (info.dwPlatformId) {
    case VER_PLATFORM_WIN32_WINDOWS:
      return ui::PlatformFamily::Windows9x;
    case VER_PLATFORM_WIN32_NT:
      return ui::PlatformFamily::WindowsNT;
    default:
      return ui::PlatformFamily::Unknown;
  }
}

void Win32Platform::setScreenSaverRunning(bool running) {
  BOOL previous = FALSE;
  SystemParametersInfoW(SPI_SETSCREENSAVERRUNNING, running ? TRUE : FALSE, &previous, 0);
}

// The 9x family's password service; its dialog is modal to `owner` and runs
// its own message loop until the user answers.
bool Win32Platform::verifyPassword(ui::WindowHandle owner) {
  HMODULE library = LoadLibraryA("password.cpl");
  if (!library) return true;  // the system guards the session itself
  bool accepted = true;
  if (auto verify = procedure<BOOL(WINAPI*)(HWND)>(library, "VerifyScreenSavePwd")) {
    // Only the low 16 bits of the answer count.
    accepted = LOWORD(static_cast<DWORD>(verify(toHwnd(owner)))) != 0;
  }
  FreeLibrary(library);
  return accepted;
}

void Win32Platform::changePassword(ui::WindowHandle owner) {
  HMODULE library = LoadLibraryA("mpr.dll");
  if (!library) return;
  using Change = DWORD(WINAPI*)(LPCSTR, HWND, DWORD, LPVOID);
  if (auto change = procedure<Change>(library, "PwdChangePasswordA")) {
    change("SCRSAVE", toHwnd(owner), 0, nullptr);
  }
  FreeLibrary(library);
}

// --- Registry and settings -------------------------------------------------------

std::optional<ui::RegistryValue> Win32Platform::query(std::int32_t root, const std::string& path,
                                                      const std::string& name) const {
  HKEY key = nullptr;
  if (RegOpenKeyExA(rootKey(root), path.c_str(), 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  ui::RegistryValue value;
  DWORD type = 0;
  DWORD size = 0;
  LSTATUS status = RegQueryValueExA(key, name.c_str(), nullptr, &type, nullptr, &size);
  if (status == ERROR_SUCCESS) {
    value.data.resize(size);
    status = RegQueryValueExA(key, name.c_str(), nullptr, &type, value.data.data(), &size);
    value.data.resize(std::min<std::size_t>(size, value.data.size()));
  }
  RegCloseKey(key);
  if (status != ERROR_SUCCESS) return std::nullopt;
  value.type = type;
  return value;
}

std::string Win32Platform::read(const std::string& app, const std::string& section,
                                const std::string& key, const std::string& defaultValue) {
  HKEY handle = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, settingsKey(app, section).c_str(), 0, KEY_QUERY_VALUE,
                    &handle) != ERROR_SUCCESS) {
    return defaultValue;
  }
  const std::wstring name = widen(key);
  std::optional<std::wstring> text;
  // The value may grow between the two calls; a few tries are plenty.
  for (int attempt = 0; attempt < 3 && !text; ++attempt) {
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueExW(handle, name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ)) {
      break;
    }
    std::wstring buffer(size / sizeof(wchar_t) + 1, L'\0');
    DWORD got = static_cast<DWORD>(buffer.size() * sizeof(wchar_t));
    const LSTATUS status = RegQueryValueExW(handle, name.c_str(), nullptr, &type,
                                            reinterpret_cast<BYTE*>(buffer.data()), &got);
    if (status == ERROR_MORE_DATA) continue;
    if (status != ERROR_SUCCESS) break;
    // The stored text need not end in a null character.
    buffer.resize(wcsnlen(buffer.data(), std::min<std::size_t>(buffer.size(), got / 2)));
    text = std::move(buffer);
  }
  RegCloseKey(handle);
  return text ? narrow(*text) : defaultValue;
}

bool Win32Platform::save(const std::string& app, const std::string& section, const std::string& key,
                         const std::string& value) {
  HKEY handle = nullptr;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, settingsKey(app, section).c_str(), 0, nullptr, 0,
                      KEY_SET_VALUE, nullptr, &handle, nullptr) != ERROR_SUCCESS) {
    return false;
  }
  const std::wstring text = widen(value);
  const LSTATUS status = RegSetValueExW(handle, widen(key).c_str(), 0, REG_SZ,
                                        reinterpret_cast<const BYTE*>(text.c_str()),
                                        static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
  RegCloseKey(handle);
  return status == ERROR_SUCCESS;
}

// --- Sound and folders -------------------------------------------------------------

void Win32Platform::playAsync(const std::string& path) {
  PlaySoundW(widen(path).c_str(), nullptr, SND_ASYNC | SND_FILENAME);
}

std::string Win32Platform::programFolder() const {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (n == 0) return ".";
    if (n < path.size()) {
      path.resize(n);
      break;
    }
    path.resize(path.size() * 2);
  }
  const std::size_t slash = path.find_last_of(L"\\/");
  return narrow(slash == std::wstring::npos ? std::wstring(L".") : path.substr(0, slash));
}

// %LOCALAPPDATA%\<application> (the roaming folder where a system has no
// local one, the program's own folder where it has neither).
std::string Win32Platform::userDataFolder() const {
  for (const wchar_t* variable : {L"LOCALAPPDATA", L"APPDATA"}) {
    wchar_t buffer[MAX_PATH];
    const DWORD n = GetEnvironmentVariableW(variable, buffer, MAX_PATH);
    if (n > 0 && n < MAX_PATH) return narrow(std::wstring(buffer, n)) + "\\" + rt::kAppTitle;
  }
  return programFolder();
}

}  // namespace grinzo::win32
