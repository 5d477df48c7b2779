#include "ui/win32/win32_window.h"

#include <algorithm>
#include <cmath>

#include "ui/gdi/icon_file.h"
#include "ui/runtime/errors.h"
#include "ui/win32/control_ids.h"
#include "ui/win32/text.h"
#include "ui/win32/win32_platform.h"

namespace grinzo::win32 {

namespace {

constexpr wchar_t kFormClass[] = L"GrinzoForm";
constexpr wchar_t kPictureClass[] = L"GrinzoPicture";
// Posted when a focus change that the core refused has to be undone after
// the platform finished moving the focus.
constexpr UINT kRestoreFocus = WM_APP + 1;

using forms::ControlKind;

COLORREF colorRef(gdi::Pixel p) {
  return RGB(static_cast<BYTE>(gdi::red(p)), static_cast<BYTE>(gdi::green(p)),
             static_cast<BYTE>(gdi::blue(p)));
}

int toPixels(double twips, double twipsPerPixel) {
  return static_cast<int>(std::lround(twips / twipsPerPixel));
}

std::wstring windowText(HWND hwnd) {
  const int length = GetWindowTextLengthW(hwnd);
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  text.resize(static_cast<std::size_t>(GetWindowTextW(hwnd, text.data(), length + 1)));
  return text;
}

// The rectangle r of the image, to the same place. The rows handed
// over are the rectangle's own, a top-down picture of r.height rows, so that
// no source row has to be counted from either end.
void drawImagePart(HDC dc, const gdi::Bitmap& image, const gdi::Rect& r) {
  if (image.width <= 0 || r.width <= 0 || r.height <= 0 || r.y < 0 ||
      r.y + r.height > image.height) {
    return;
  }
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = image.width;
  info.bmiHeader.biHeight = -r.height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  SetDIBitsToDevice(dc, r.x, r.y, static_cast<DWORD>(r.width), static_cast<DWORD>(r.height), r.x, 0,
                    0, static_cast<UINT>(r.height),
                    image.pixels.data() + static_cast<std::size_t>(r.y) * image.width, &info,
                    DIB_RGB_COLORS);
}

void drawImage(HDC dc, const gdi::Bitmap& image) {
  drawImagePart(dc, image, gdi::Rect{0, 0, image.width, image.height});
}

}  // namespace

HICON makeIcon(const gdi::Bitmap& pixels, const std::vector<bool>& transparent, bool cursor,
               int hotX, int hotY) {
  const int w = pixels.width;
  const int h = pixels.height;
  if (w <= 0 || h <= 0 || transparent.size() != pixels.pixels.size()) return nullptr;
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = w;
  info.bmiHeader.biHeight = -h;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP colour = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!colour) return nullptr;
  auto* out = static_cast<std::uint32_t*>(bits);
  // Monochrome mask rows are padded to 16 bits; a set bit keeps the screen.
  const int stride = ((w + 15) / 16) * 2;
  std::vector<BYTE> mask(static_cast<std::size_t>(stride) * static_cast<std::size_t>(h), 0);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const std::size_t i =
          static_cast<std::size_t>(y) * static_cast<std::size_t>(w) + static_cast<std::size_t>(x);
      if (transparent[i]) {
        out[i] = 0;
        mask[static_cast<std::size_t>(y * stride + x / 8)] |= static_cast<BYTE>(0x80 >> (x % 8));
      } else {
        out[i] = 0xFF000000u | (pixels.pixels[i] & 0x00FFFFFFu);
      }
    }
  }
  HBITMAP maskBitmap = CreateBitmap(w, h, 1, 1, mask.data());
  ICONINFO ii{};
  ii.fIcon = cursor ? FALSE : TRUE;
  ii.xHotspot = static_cast<DWORD>(hotX);
  ii.yHotspot = static_cast<DWORD>(hotY);
  ii.hbmMask = maskBitmap;
  ii.hbmColor = colour;
  HICON icon = CreateIconIndirect(&ii);
  DeleteObject(maskBitmap);
  DeleteObject(colour);
  return icon;
}

void Win32Window::registerClasses(HINSTANCE instance) {
  WNDCLASSEXW form{};
  form.cbSize = sizeof(form);
  form.style = CS_DBLCLKS;
  form.lpfnWndProc = &Win32Window::formProc;
  form.hInstance = instance;
  form.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
  form.lpszClassName = kFormClass;
  RegisterClassExW(&form);

  WNDCLASSEXW picture{};
  picture.cbSize = sizeof(picture);
  picture.lpfnWndProc = &DefWindowProcW;
  picture.hInstance = instance;
  picture.hCursor = form.hCursor;
  picture.lpszClassName = kPictureClass;
  RegisterClassExW(&picture);
}

// --- Creation ----------------------------------------------------------------

Win32Window::Win32Window(Win32Platform& platform, forms::Form& form, HWND owner)
    : platform_(&platform), form_(&form) {
  const forms::FormLayout& layout = form.layout();
  const ui::ScreenMetrics screen = platform.screen();
  twipsPerPixelX_ = screen.twipsPerPixelX;
  twipsPerPixelY_ = screen.twipsPerPixelY;

  DWORD style = WS_CLIPCHILDREN;
  DWORD exStyle = WS_EX_CONTROLPARENT;
  if (layout.border == forms::BorderStyle::None) {
    style |= WS_POPUP;
  } else {
    // A fixed dialog frame: no sizing border, no minimise or maximise box.
    style |= WS_CAPTION;
    if (layout.controlBox) style |= WS_SYSMENU;
    exStyle |= WS_EX_DLGMODALFRAME;
  }
  if (layout.showInTaskbar) exStyle |= WS_EX_APPWINDOW;

  RECT frame{0, 0, toPixels(layout.clientWidth, twipsPerPixelX_),
             toPixels(layout.clientHeight, twipsPerPixelY_)};
  AdjustWindowRectEx(&frame, style, FALSE, exStyle);
  int x = CW_USEDEFAULT;
  int y = CW_USEDEFAULT;
  if (layout.startPosition == forms::StartPosition::Manual) {
    // The designed position is the client area's origin.
    x = toPixels(layout.left, twipsPerPixelX_) + frame.left;
    y = toPixels(layout.top, twipsPerPixelY_) + frame.top;
  }
  CreateWindowExW(exStyle, kFormClass, widen(form.caption()).c_str(), style, x, y,
                  frame.right - frame.left, frame.bottom - frame.top, owner, nullptr,
                  platform.instance(), this);
  if (!hwnd_) {
    throw rt::RuntimeError(rt::ErrorNumber::InvalidArgument,
                           "Cannot create the window " + layout.name + " (error " +
                               std::to_string(GetLastError()) + ")");
  }
  if (layout.backColour) {
    backBrush_ = CreateSolidBrush(colorRef(*layout.backColour));
    ownsBackBrush_ = true;
  } else {
    backBrush_ = GetSysColorBrush(COLOR_BTNFACE);
  }
  if (layout.hasIcon) {
    SendMessageW(hwnd_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(platform.programIcon(32)));
    SendMessageW(hwnd_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(platform.programIcon(16)));
  }
  const auto& controls = form.controls();
  for (std::size_t i = 0; i < controls.size(); ++i) {
    auto peer = std::make_unique<Peer>();
    peer->window = this;
    peer->control = controls[i].get();
    peer->id = controlId(i);
    createControl(*peer);
    peers_.push_back(std::move(peer));
  }
  markDefaultButton(nullptr);
  platform.ourWindows().opened(*this);
}

RECT Win32Window::pixels(const forms::ControlLayout& l) const {
  const int left = toPixels(l.left, twipsPerPixelX_);
  const int top = toPixels(l.top, twipsPerPixelY_);
  return {left, top, left + toPixels(l.width, twipsPerPixelX_),
          top + toPixels(l.height, twipsPerPixelY_)};
}

void Win32Window::createControl(Peer& peer) {
  const forms::Control& c = *peer.control;
  const forms::ControlLayout& l = c.layout();
  const wchar_t* windowClass = nullptr;
  DWORD style = WS_CHILD;
  DWORD exStyle = 0;
  std::wstring text = widen(c.caption());
  switch (l.kind) {
    case ControlKind::Label:
      windowClass = L"STATIC";
      style |= l.align == forms::TextAlign::Centre  ? SS_CENTER
               : l.align == forms::TextAlign::Right ? SS_RIGHT
               : l.wordWrap                         ? SS_LEFT
                                                    : SS_LEFTNOWORDWRAP;
      break;
    case ControlKind::TextBox:
      windowClass = L"EDIT";
      style |= WS_TABSTOP | ES_AUTOHSCROLL | ES_LEFT;
      exStyle = WS_EX_CLIENTEDGE;
      text = widen(c.text());
      break;
    case ControlKind::CheckBox:
      // Not automatic: the core toggles the value when it lets the click happen.
      windowClass = L"BUTTON";
      style |= WS_TABSTOP | BS_CHECKBOX;
      break;
    case ControlKind::Button:
      windowClass = L"BUTTON";
      style |= WS_TABSTOP | BS_PUSHBUTTON;
      break;
    case ControlKind::Picture:
      windowClass = kPictureClass;
      if (l.border) exStyle = WS_EX_CLIENTEDGE;
      text.clear();
      break;
    case ControlKind::Line:
    case ControlKind::Timer:
      return;  // painted by the window / a window timer
  }
  if (c.visible()) style |= WS_VISIBLE;
  if (!c.enabled()) style |= WS_DISABLED;
  const RECT r = pixels(l);
  peer.hwnd = CreateWindowExW(exStyle, windowClass, text.c_str(), style, r.left, r.top,
                              r.right - r.left, r.bottom - r.top, hwnd_,
                              reinterpret_cast<HMENU>(static_cast<INT_PTR>(peer.id)),
                              platform_->instance(), nullptr);
  if (!peer.hwnd) return;
  SendMessageW(peer.hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(platform_->dialogFont()), FALSE);
  if (l.kind == ControlKind::TextBox) SendMessageW(peer.hwnd, EM_SETLIMITTEXT, 0, 0);
  if (l.kind == ControlKind::CheckBox) SendMessageW(peer.hwnd, BM_SETCHECK, c.value(), 0);
  SetWindowLongPtrW(peer.hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&peer));
  peer.original = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(
      peer.hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Win32Window::controlProc)));
}

Win32Window::~Win32Window() {
  *alive_ = false;
  destroying_ = true;
  platform_->ourWindows().closing(*this);
  for (const auto& peer : peers_) {
    if (peer->control->kind() == ControlKind::Timer)
      KillTimer(hwnd_, static_cast<UINT_PTR>(peer->id));
  }
  if (!gone_) DestroyWindow(hwnd_);
  if (pointer_) DestroyCursor(pointer_);
  if (ownsBackBrush_) DeleteObject(backBrush_);
}

// --- Lookup --------------------------------------------------------------------

Win32Window::Peer* Win32Window::peerOf(const forms::Control& control) const {
  for (const auto& p : peers_) {
    if (p->control == &control) return p.get();
  }
  return nullptr;
}

Win32Window::Peer* Win32Window::peerOf(HWND hwnd) const {
  for (const auto& p : peers_) {
    if (p->hwnd && p->hwnd == hwnd) return p.get();
  }
  return nullptr;
}

Win32Window::Peer* Win32Window::peerOf(int id) const {
  for (const auto& p : peers_) {
    if (p->id == id) return p.get();
  }
  return nullptr;
}

// --- ui::NativeWindow ----------------------------------------------------------

ui::WindowHandle Win32Window::handle() const { return Win32Platform::fromHwnd(hwnd_); }

void Win32Window::setCaption(const std::string& caption) {
  SetWindowTextW(hwnd_, widen(caption).c_str());
}

void Win32Window::setBounds(const ui::PixelRect& outer) {
  // A window shown maximised would keep that state through a plain move.
  if (IsZoomed(hwnd_) && form_->windowState() != forms::WindowState::Maximized) {
    ShowWindow(hwnd_, SW_SHOWNOACTIVATE);
  }
  SetWindowPos(hwnd_, nullptr, outer.left, outer.top, outer.width, outer.height,
               SWP_NOZORDER | SWP_NOACTIVATE);
}

ui::PixelRect Win32Window::bounds() const {
  RECT r{};
  GetWindowRect(hwnd_, &r);
  if (GetWindowLongPtrW(hwnd_, GWL_STYLE) & WS_CHILD) {
    MapWindowPoints(HWND_DESKTOP, GetAncestor(hwnd_, GA_PARENT), reinterpret_cast<POINT*>(&r), 2);
  }
  return {r.left, r.top, r.right - r.left, r.bottom - r.top};
}

gdi::Size Win32Window::clientSize() const {
  RECT r{};
  GetClientRect(hwnd_, &r);
  return {r.right - r.left, r.bottom - r.top};
}

void Win32Window::setVisible(bool visible) {
  if (!visible) {
    ShowWindow(hwnd_, SW_HIDE);
    return;
  }
  const bool maximise = !shownOnce_ && form_->windowState() == forms::WindowState::Maximized;
  shownOnce_ = true;
  ShowWindow(hwnd_, maximise ? SW_SHOWMAXIMIZED : SW_SHOW);
  if (!(GetWindowLongPtrW(hwnd_, GWL_STYLE) & WS_CHILD)) SetForegroundWindow(hwnd_);
}

bool Win32Window::visible() const { return IsWindowVisible(hwnd_) != FALSE; }

void Win32Window::setTopmost(bool topmost) {
  SetWindowPos(hwnd_, topmost ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

void Win32Window::setEnabled(bool enabled) { EnableWindow(hwnd_, enabled ? TRUE : FALSE); }

bool Win32Window::isEnabled() const { return IsWindowEnabled(hwnd_) != FALSE; }

bool Win32Window::embedInto(ui::WindowHandle host, gdi::Size size) {
  HWND parent = Win32Platform::toHwnd(host);
  if (!parent || !IsWindow(parent)) return false;
  // A child cannot be a pop-up too (the borderless window is one until now).
  const LONG_PTR style = GetWindowLongPtrW(hwnd_, GWL_STYLE);
  SetWindowLongPtrW(hwnd_, GWL_STYLE, (style & ~static_cast<LONG_PTR>(WS_POPUP)) | WS_CHILD);
  SetParent(hwnd_, parent);
  SetWindowLongPtrW(hwnd_, GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(parent));
  // An embedded window only shows: clicks and keys go to the host.
  EnableWindow(hwnd_, FALSE);
  SetWindowPos(hwnd_, HWND_TOP, 0, 0, size.width, size.height,
               SWP_NOZORDER | SWP_NOACTIVATE | SWP_SHOWWINDOW);
  return true;
}

void Win32Window::setPointer(const gdi::IconEntry* icon) {
  if (pointer_) DestroyCursor(pointer_);
  pointer_ = nullptr;
  if (icon) {
    const gdi::HotSpot hot = gdi::IconHotSpot(icon->width, icon->height);
    pointer_ = makeIcon(icon->pixels, icon->transparent, true, hot.x, hot.y);
  }
}

void Win32Window::present(const gdi::Bitmap& image, const gdi::ChangedArea& changed) {
  image_ = &image;
  if (!IsWindowVisible(hwnd_)) return;
  // Past this many rectangles one transfer of everything is cheaper.
  constexpr std::size_t kMostRectangles = 64;
  if (HDC dc = GetDC(hwnd_)) {
    if (changed.all || changed.rects.size() > kMostRectangles) {
      drawImage(dc, image);
    } else {
      for (const gdi::Rect& r : changed.rects) drawImagePart(dc, image, r);
    }
    ReleaseDC(hwnd_, dc);
  }
}

void Win32Window::controlChanged(const forms::Control& control, ui::ControlProperty what) {
  Peer* peer = peerOf(control);
  if (!peer) return;
  HWND h = peer->hwnd;
  switch (what) {
    case ui::ControlProperty::Caption:
      if (h) SetWindowTextW(h, widen(control.caption()).c_str());
      break;
    case ui::ControlProperty::Visible:
      if (h) {
        ShowWindow(h, control.visible() ? SW_SHOWNA : SW_HIDE);
      } else {
        InvalidateRect(hwnd_, nullptr, TRUE);  // a line
      }
      break;
    case ui::ControlProperty::Enabled:
      if (h) EnableWindow(h, control.enabled() ? TRUE : FALSE);
      break;
    case ui::ControlProperty::Text:
      // Skipped when the change came from the box itself.
      if (h && narrow(windowText(h)) != control.text()) {
        SetWindowTextW(h, widen(control.text()).c_str());
      }
      break;
    case ui::ControlProperty::Selection:
      if (h && control.kind() == ControlKind::TextBox) {
        const int start = utf16Offset(control.text(), control.selStart());
        const int end = utf16Offset(control.text(), control.selStart() + control.selLength());
        SendMessageW(h, EM_SETSEL, static_cast<WPARAM>(start), end);
      }
      break;
    case ui::ControlProperty::Value:
      if (h && control.kind() == ControlKind::CheckBox) {
        SendMessageW(h, BM_SETCHECK, static_cast<WPARAM>(control.value()), 0);
      }
      break;
    case ui::ControlProperty::Timer:
      if (control.timerEnabled() && control.interval() > 0) {
        SetTimer(hwnd_, static_cast<UINT_PTR>(peer->id), static_cast<UINT>(control.interval()),
                 nullptr);
      } else {
        KillTimer(hwnd_, static_cast<UINT_PTR>(peer->id));
      }
      break;
    case ui::ControlProperty::Geometry:
      if (h) {
        const RECT r = pixels(control.layout());
        MoveWindow(h, r.left, r.top, r.right - r.left, r.bottom - r.top, TRUE);
      }
      break;
  }
}

void Win32Window::focusChanged(const forms::Control* control) {
  markDefaultButton(control);
  if (!IsWindowVisible(hwnd_)) return;  // taken up when the window is activated
  Peer* peer = control ? peerOf(*control) : nullptr;
  HWND target = peer && peer->hwnd ? peer->hwnd : hwnd_;
  if (GetFocus() == target) return;
  syncingFocus_ = true;
  SetFocus(target);
  syncingFocus_ = false;
}

// The focused button, or else the layout's default button, draws the
// default frame.
void Win32Window::markDefaultButton(const forms::Control* focus) {
  const bool onButton = focus && focus->kind() == ControlKind::Button;
  for (const auto& p : peers_) {
    if (p->control->kind() != ControlKind::Button || !p->hwnd) continue;
    const bool isDefault = onButton ? p->control == focus : p->control->layout().isDefault;
    const LONG_PTR want = isDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
    if ((GetWindowLongPtrW(p->hwnd, GWL_STYLE) & 0x0F) != want) {
      SendMessageW(p->hwnd, BM_SETSTYLE, static_cast<WPARAM>(want), TRUE);
    }
  }
}

void Win32Window::restoreFocus() {
  if (!form_->isLoaded()) return;
  forms::Control* control = form_->activeControl();
  Peer* peer = control ? peerOf(*control) : nullptr;
  if (!peer || !peer->hwnd || !IsWindowVisible(peer->hwnd) || GetFocus() == peer->hwnd) return;
  syncingFocus_ = true;
  SetFocus(peer->hwnd);
  syncingFocus_ = false;
}

// --- Messages ------------------------------------------------------------------

LRESULT CALLBACK Win32Window::formProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_NCCREATE) {
    auto* created = reinterpret_cast<CREATESTRUCTW*>(lParam);
    auto* window = static_cast<Win32Window*>(created->lpCreateParams);
    window->hwnd_ = hwnd;
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(window));
  }
  auto* self = reinterpret_cast<Win32Window*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (msg == WM_NCDESTROY) SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
  if (!self || self->destroying_) return DefWindowProcW(hwnd, msg, wParam, lParam);
  Win32Platform* platform = self->platform_;
  try {
    return self->onFormMessage(msg, wParam, lParam);
  } catch (...) {
    platform->deferError(std::current_exception());
    return 0;
  }
}

LRESULT CALLBACK Win32Window::controlProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto* peer = reinterpret_cast<Peer*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (!peer) return DefWindowProcW(hwnd, msg, wParam, lParam);
  const WNDPROC original = peer->original;
  Win32Window* self = peer->window;
  if (msg == WM_NCDESTROY) {
    SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original));
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
    return CallWindowProcW(original, hwnd, msg, wParam, lParam);
  }
  if (self->destroying_) return CallWindowProcW(original, hwnd, msg, wParam, lParam);
  Win32Platform* platform = self->platform_;
  const std::shared_ptr<bool> alive = self->alive_;
  try {
    const std::optional<LRESULT> result = self->onControlMessage(*peer, msg, wParam, lParam);
    if (!*alive) return result.value_or(0);  // the control went with its form
    if (result) return *result;
  } catch (...) {
    platform->deferError(std::current_exception());
    return 0;
  }
  return CallWindowProcW(original, hwnd, msg, wParam, lParam);
}

LRESULT Win32Window::onFormMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_COMMAND:
      if (lParam != 0) {
        if (Peer* peer = peerOf(reinterpret_cast<HWND>(lParam))) {
          onCommand(*peer, HIWORD(wParam));
          return 0;
        }
      }
      break;
    case WM_CLOSE:  // close box, system menu, Alt+F4
      form_->unload(forms::UnloadMode::FormControlMenu);
      return 0;
    case WM_QUERYENDSESSION:
      return TRUE;
    case WM_ENDSESSION:
      if (wParam) form_->unload(forms::UnloadMode::AppWindows);
      return 0;
    case WM_ACTIVATE:
      if (LOWORD(wParam) != WA_INACTIVE && !HIWORD(wParam) && form_->activeControl()) {
        restoreFocus();
        return 0;
      }
      break;
    case WM_SETFOCUS:
    case kRestoreFocus:
      restoreFocus();
      return 0;
    case WM_ERASEBKGND: {
      RECT r{};
      GetClientRect(hwnd_, &r);
      FillRect(reinterpret_cast<HDC>(wParam), &r, backBrush_);
      return 1;
    }
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd_, &ps);
      paintForm(dc);
      EndPaint(hwnd_, &ps);
      return 0;
    }
    case WM_CTLCOLORSTATIC: {
      // Labels and the check box: the layout's text colour on the window's colour.
      HDC dc = reinterpret_cast<HDC>(wParam);
      Peer* peer = peerOf(reinterpret_cast<HWND>(lParam));
      const auto& fore = peer ? peer->control->layout().foreColour : std::nullopt;
      SetTextColor(dc, fore ? colorRef(*fore) : GetSysColor(COLOR_BTNTEXT));
      const auto& back = form_->layout().backColour;
      SetBkColor(dc, back ? colorRef(*back) : GetSysColor(COLOR_BTNFACE));
      return reinterpret_cast<LRESULT>(backBrush_);
    }
    case WM_TIMER:
      if (Peer* peer = peerOf(static_cast<int>(wParam))) {
        onTimer(*peer);
        return 0;
      }
      break;
    case WM_SETCURSOR:
      if (pointer_ && LOWORD(lParam) == HTCLIENT) {
        SetCursor(pointer_);
        return TRUE;
      }
      break;
    // The handlers may unload the form: nothing touches the window after them.
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      mouseEvent(forms::EventKind::MouseDown, forms::kLeftButton, wParam, lParam);
      return 0;
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK:
      mouseEvent(forms::EventKind::MouseDown, forms::kRightButton, wParam, lParam);
      return 0;
    case WM_MBUTTONDOWN:
    case WM_MBUTTONDBLCLK:
      mouseEvent(forms::EventKind::MouseDown, forms::kMiddleButton, wParam, lParam);
      return 0;
    case WM_LBUTTONUP:
      mouseEvent(forms::EventKind::MouseUp, forms::kLeftButton, wParam, lParam);
      return 0;
    case WM_RBUTTONUP:
      mouseEvent(forms::EventKind::MouseUp, forms::kRightButton, wParam, lParam);
      return 0;
    case WM_MBUTTONUP:
      mouseEvent(forms::EventKind::MouseUp, forms::kMiddleButton, wParam, lParam);
      return 0;
    case WM_MOUSEMOVE: {
      const std::int16_t held =
          static_cast<std::int16_t>(((wParam & MK_LBUTTON) ? forms::kLeftButton : 0) |
                                    ((wParam & MK_RBUTTON) ? forms::kRightButton : 0) |
                                    ((wParam & MK_MBUTTON) ? forms::kMiddleButton : 0));
      mouseEvent(forms::EventKind::MouseMove, held, wParam, lParam);
      return 0;
    }
    case WM_CHAR:
      keyPress(wParam);
      return 0;
    case WM_DESTROY:
      // Our own DestroyWindow never gets here (destroying_ is set first).
      windowGone();
      return 0;
    default:
      break;
  }
  return DefWindowProcW(hwnd_, msg, wParam, lParam);
}

void Win32Window::mouseEvent(forms::EventKind kind, std::int16_t button, WPARAM keys,
                             LPARAM position) {
  forms::EventArgs args{.kind = kind};
  args.button = button;
  args.shift =
      static_cast<std::int16_t>(((keys & MK_SHIFT) ? 1 : 0) | ((keys & MK_CONTROL) ? 2 : 0) |
                                (GetKeyState(VK_MENU) < 0 ? 4 : 0));
  // Client coordinates, signed (negative left of or above the window).
  args.x = static_cast<float>(static_cast<short>(LOWORD(position)));
  args.y = static_cast<float>(static_cast<short>(HIWORD(position)));
  form_->dispatch(args);
}

void Win32Window::keyPress(WPARAM character) {
  forms::EventArgs args{.kind = forms::EventKind::KeyPress};
  args.keyAscii = static_cast<std::int16_t>(character & 0xFFFF);
  form_->dispatch(args);
}

// The window is being destroyed without the form's consent: a host that
// destroys its preview takes its children along. Its remaining messages, and
// those of its controls, go to the system's procedures, so that the form may
// take down this object at once.
void Win32Window::windowGone() {
  gone_ = true;
  for (const auto& peer : peers_) {
    if (!peer->hwnd || !peer->original) continue;
    SetWindowLongPtrW(peer->hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(peer->original));
    SetWindowLongPtrW(peer->hwnd, GWLP_USERDATA, 0);
  }
  SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
  const std::shared_ptr<bool> alive = alive_;
  if (form_->hostWindowGone() || !*alive) return;
  // Refused while the game's loop runs: it ends the form at its next check.
  // Until then the handles are dead (and may be given to new windows).
  hwnd_ = nullptr;
  for (const auto& peer : peers_) peer->hwnd = nullptr;
}

std::optional<LRESULT> Win32Window::onControlMessage(Peer& peer, UINT msg, WPARAM, LPARAM) {
  forms::Control& control = *peer.control;
  switch (msg) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN:
      // The press moves the focus first; a text box that refuses to let it
      // go swallows the press, so the click never happens.
      if (control.canFocus() && form_->activeControl() != &control && !form_->setFocus(control)) {
        return 0;
      }
      return std::nullopt;
    case WM_SETFOCUS:
      // The focus arrived some other way: the core decides after the fact.
      if (!syncingFocus_ && form_->isLoaded() && form_->activeControl() != &control) {
        if (!control.canFocus() || !form_->setFocus(control)) {
          PostMessageW(hwnd_, kRestoreFocus, 0, 0);
        }
      }
      return std::nullopt;
    case WM_ERASEBKGND:
      if (control.kind() == ControlKind::Picture) return 1;
      return std::nullopt;
    case WM_PAINT:
      if (control.kind() == ControlKind::Picture) {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(peer.hwnd, &ps);
        paintPicture(peer, dc);
        EndPaint(peer.hwnd, &ps);
        return 0;
      }
      return std::nullopt;
    default:
      return std::nullopt;
  }
}

void Win32Window::onCommand(Peer& peer, int code) {
  forms::Control& control = *peer.control;
  switch (control.kind()) {
    case ControlKind::Button:
    case ControlKind::CheckBox:
      if (code == BN_CLICKED) form_->clickControl(control);
      break;
    case ControlKind::TextBox:
      if (code == EN_CHANGE) {
        const std::string text = narrow(windowText(peer.hwnd));
        if (text != control.text()) control.setText(text);
      }
      break;
    default:
      break;
  }
}

void Win32Window::onTimer(Peer& peer) {
  // A handler that pumps messages (the game loop) must not be re-entered,
  // and may unload the window before it returns.
  if (peer.ticking || !peer.control->timerEnabled()) return;
  peer.ticking = true;
  const std::shared_ptr<bool> alive = alive_;
  forms::EventArgs args{.kind = forms::EventKind::Timer, .control = peer.control};
  try {
    form_->dispatch(args);
  } catch (...) {
    if (*alive) peer.ticking = false;
    throw;
  }
  if (*alive) peer.ticking = false;
}

void Win32Window::paintForm(HDC dc) {
  for (const auto& p : peers_) {
    const forms::Control& c = *p->control;
    if (c.kind() != ControlKind::Line || !c.visible()) continue;
    const forms::ControlLayout& l = c.layout();
    const int x1 = toPixels(l.x1, twipsPerPixelX_);
    const int y1 = toPixels(l.y1, twipsPerPixelY_);
    const int x2 = toPixels(l.x2, twipsPerPixelX_);
    const int y2 = toPixels(l.y2, twipsPerPixelY_);
    const int width = std::max(1, l.lineWidthPixels);
    const COLORREF colour = colorRef(l.foreColour.value_or(gdi::rgb(0, 0, 0)));
    if (y1 == y2 || x1 == x2) {
      // Straight lines are drawn inside their bounds: a wide one grows
      // downwards (or to the right) from its coordinates.
      RECT r = y1 == y2 ? RECT{std::min(x1, x2), y1, std::max(x1, x2), y1 + width}
                        : RECT{x1, std::min(y1, y2), x1 + width, std::max(y1, y2)};
      HBRUSH brush = CreateSolidBrush(colour);
      FillRect(dc, &r, brush);
      DeleteObject(brush);
    } else {
      HPEN pen = CreatePen(PS_SOLID, width, colour);
      HGDIOBJ old = SelectObject(dc, pen);
      MoveToEx(dc, x1, y1, nullptr);
      LineTo(dc, x2, y2);
      SelectObject(dc, old);
      DeleteObject(pen);
    }
  }
  if (form_->layout().autoRedraw && image_) drawImage(dc, *image_);
}

void Win32Window::paintPicture(const Peer& peer, HDC dc) {
  RECT r{};
  GetClientRect(peer.hwnd, &r);
  FillRect(dc, &r, backBrush_);
  const forms::PictureContent& picture = peer.control->layout().picture;
  if (picture.programIconSize > 0) {
    const int size = picture.programIconSize;
    DrawIconEx(dc, 0, 0, platform_->programIcon(size), size, size, 0, nullptr, DI_NORMAL);
  } else if (const gdi::Bitmap* image = gdi::SurfacePixels(peer.control->hDC())) {
    drawImage(dc, *image);
  }
}

}  // namespace grinzo::win32
