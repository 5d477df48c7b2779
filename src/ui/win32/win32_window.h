#pragma once
// One form as a real Win32 window, built from the form's layout: a top-level
// window (dialog frame with a title bar, or borderless) whose children are
// the layout's labels, text boxes, check boxes, buttons and picture surfaces,
// with identifiers from control_ids.h. Lines are painted by the window
// itself; timers are window timers.
//
// Focus belongs to the core: a mouse press on a control that is not focused
// first asks Form::setFocus and is swallowed when the leaving text box
// refuses (so the click never happens); the native focus follows
// Form::activeControl. Button and check-box clicks run Form::clickControl;
// what the user types is copied into the core's control as it changes.
//
// The window's own mouse buttons and movement (x, y in client pixels, the
// buttons held, Shift/Ctrl/Alt) and its character keys reach the form as
// Form_MouseDown, Form_MouseUp, Form_MouseMove and Form_KeyPress. A window
// embedded into a host (the preview) is disabled: its input goes to the
// host. When the window is destroyed from outside (a host that destroys its
// preview), the form gets a close request; refused, it is ended by the
// form's own running loop, or else by a second request.

#include "ui/win32/windows_api.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "ui/forms/form.h"
#include "ui/platform.h"

namespace grinzo::win32 {

class Win32Platform;

class Win32Window final : public ui::NativeWindow {
 public:
  Win32Window(Win32Platform& platform, forms::Form& form, HWND owner);
  ~Win32Window() override;
  Win32Window(const Win32Window&) = delete;
  Win32Window& operator=(const Win32Window&) = delete;

  // ui::NativeWindow
  ui::WindowHandle handle() const override;
  void setCaption(const std::string& caption) override;
  void setBounds(const ui::PixelRect& outer) override;
  ui::PixelRect bounds() const override;
  gdi::Size clientSize() const override;
  void setVisible(bool visible) override;
  bool visible() const override;
  void setEnabled(bool enabled) override;
  bool isEnabled() const override;
  void setTopmost(bool topmost) override;
  bool embedInto(ui::WindowHandle host, gdi::Size size) override;
  void setPointer(const gdi::IconEntry* icon) override;
  void present(const gdi::Bitmap& image, const gdi::ChangedArea& changed) override;
  void controlChanged(const forms::Control& control, ui::ControlProperty what) override;
  void focusChanged(const forms::Control* control) override;

  HWND hwnd() const { return hwnd_; }
  forms::Form& form() const { return *form_; }

  // Registers the window classes of forms and picture surfaces; once per
  // process, before the first window.
  static void registerClasses(HINSTANCE instance);

 private:
  struct Peer {
    Win32Window* window = nullptr;
    forms::Control* control = nullptr;
    int id = 0;
    HWND hwnd = nullptr;  // none for lines and timers
    WNDPROC original = nullptr;
    bool ticking = false;  // a timer's handler is running
  };

  static LRESULT CALLBACK formProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  static LRESULT CALLBACK controlProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  LRESULT onFormMessage(UINT msg, WPARAM wParam, LPARAM lParam);
  // nullopt: the control's own procedure handles the message.
  std::optional<LRESULT> onControlMessage(Peer& peer, UINT msg, WPARAM wParam, LPARAM lParam);

  void createControl(Peer& peer);
  RECT pixels(const forms::ControlLayout& layout) const;
  Peer* peerOf(const forms::Control& control) const;
  Peer* peerOf(HWND hwnd) const;
  Peer* peerOf(int id) const;
  void onCommand(Peer& peer, int code);
  void onTimer(Peer& peer);
  void paintForm(HDC dc);
  void paintPicture(const Peer& peer, HDC dc);
  void showImage(HDC dc);
  void restoreFocus();
  void markDefaultButton(const forms::Control* focus);
  void mouseEvent(forms::EventKind kind, std::int16_t button, WPARAM keys, LPARAM position);
  void keyPress(WPARAM character);
  void windowGone();
  HBRUSH backBrush() const { return backBrush_; }

  Win32Platform* platform_;
  forms::Form* form_;
  HWND hwnd_ = nullptr;
  HBRUSH backBrush_ = nullptr;  // owned only when the layout sets a colour
  bool ownsBackBrush_ = false;
  HCURSOR pointer_ = nullptr;
  const gdi::Bitmap* image_ = nullptr;
  std::vector<std::unique_ptr<Peer>> peers_;
  double twipsPerPixelX_ = 15;
  double twipsPerPixelY_ = 15;
  bool shownOnce_ = false;
  bool syncingFocus_ = false;  // the core is moving the native focus itself
  bool destroying_ = false;
  bool gone_ = false;  // the window was destroyed from outside
  // False once the window is gone: a handler that may have unloaded the form
  // checks it before touching the window again.
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

// An icon (or, with `cursor`, a pointer with its hot spot) from 0x00RRGGBB
// pixels and a transparency mask, rows top-down. The caller destroys it.
HICON makeIcon(const gdi::Bitmap& pixels, const std::vector<bool>& transparent, bool cursor,
               int hotX = 0, int hotY = 0);

}  // namespace grinzo::win32
