#pragma once
// One form as a Qt widget window, built from the form's layout: a top-level
// widget (a fixed dialog frame with a title bar, or borderless) whose
// children are the layout's labels, text boxes, check boxes, buttons and
// picture surfaces. Lines are painted by the window itself; timers are
// QTimers.
//
// Focus belongs to the core, as on Windows: no child takes the focus by
// itself; a mouse press on a control that is not focused first asks
// Form::setFocus and is swallowed when the leaving text box refuses, and the
// widget focus follows Form::activeControl. Button and check-box clicks run
// Form::clickControl; what the user types is copied into the core's control.
// The dialog keys (Tab, Shift+Tab, Enter, Esc, mnemonics) are taken by the
// dialog key filter (qt_dialog_keys.h) before any widget sees them.
//
// The window's own mouse buttons and movement (client pixels, the buttons
// held, Shift/Ctrl/Alt) and character keys reach the form as Form_MouseDown,
// Form_MouseUp, Form_MouseMove and Form_KeyPress; the close box is a close
// request. The persistent image is painted from the surface's own pixels.
//
// embedInto() turns the window into a picture inside a foreign X window
// (the saver daemon's or a host's): the widget is never shown, frames go to
// that window, input is ignored, the image follows the host's size, and the
// host's destruction is a close request. The foreign window's events arrive
// on a display connection of their own, watched by a socket notifier, so
// they wake the event loop like any of Qt's.

#include <QWidget>
#include <exception>
#include <memory>
#include <optional>
#include <vector>

#include "ui/forms/form.h"
#include "ui/forms/window_registry.h"
#include "ui/platform.h"

class QSocketNotifier;
class QTimer;

namespace grinzo::qt {

class X11Target;
class FormWidget;
class CoverWidget;

class QtWindow final : public ui::NativeWindow {
 public:
  // Registers itself with `windows` until it is destroyed. `windowed`: the
  // game (a borderless form) opens as an ordinary framed window whose client
  // area has that size; its bounds read as (0, 0) and that size.
  QtWindow(forms::WindowRegistry& windows, forms::Form& form,
           std::optional<gdi::Size> windowed = std::nullopt);
  ~QtWindow() override;
  QtWindow(const QtWindow&) = delete;
  QtWindow& operator=(const QtWindow&) = delete;

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

  forms::Form& form() const { return *form_; }
  QWidget* widget() const;
  // Checks the foreign window's events (resize, destruction); called when
  // its connection has data and after messages are processed (Xlib may
  // have read events off the connection while it drew).
  void pollForeign();

  // --- For the form widget ---------------------------------------------------
  struct Peer {
    forms::Control* control = nullptr;
    QWidget* widget = nullptr;  // none for lines and timers
    QTimer* timer = nullptr;
    bool ticking = false;  // a timer's handler is running
  };
  Peer* peerOf(const QObject* widget) const;
  Peer* peerOf(const forms::Control& control) const;
  const std::vector<std::unique_ptr<Peer>>& peers() const { return peers_; }
  // The persistent image as it is now: the form replaces it when its size
  // changes, which a paint may see before the next frame is presented.
  const gdi::Bitmap* image() const { return image_ ? gdi::SurfacePixels(form_->hDC()) : nullptr; }
  double twipsPerPixelX() const { return twipsPerPixelX_; }
  double twipsPerPixelY() const { return twipsPerPixelY_; }
  // Device pixels per Qt unit in the game window (1 in the dialogs, which
  // Qt scales as it likes).
  double deviceRatio() const;
  // Runs `action` (which may unload the form) and keeps a raised error for
  // the loop; true while the window still exists afterwards.
  template <typename Action>
  bool guarded(Action action) {
    const std::shared_ptr<bool> alive = alive_;
    try {
      action();
    } catch (...) {
      deferError(std::current_exception());
    }
    return *alive;
  }
  void mouseEvent(forms::EventKind kind, int button, int held, Qt::KeyboardModifiers modifiers,
                  QPoint position);
  void keyPress(int character);
  void closeRequested();
  void controlClicked(Peer& peer);
  void textEdited(Peer& peer, const QString& text);
  bool mousePressOnControl(Peer& peer);

 private:
  void createControl(Peer& peer);
  QRect pixels(const forms::ControlLayout& layout) const;
  void onTimer(Peer& peer);
  void deferError(std::exception_ptr error);
  QSize toQt(gdi::Size device) const;
  void showFullScreenOnWayland();

  forms::WindowRegistry* windows_;
  forms::Form* form_;
  std::unique_ptr<FormWidget> widget_;
  std::unique_ptr<X11Target> foreign_;
  std::unique_ptr<QSocketNotifier> foreignEvents_;
  bool hostGone_ = false;
  std::vector<std::unique_ptr<CoverWidget>> covers_;  // black, on the other outputs (Wayland)
  unsigned coverFrames_ = 0;
  std::vector<std::unique_ptr<Peer>> peers_;
  const gdi::Bitmap* image_ = nullptr;
  double twipsPerPixelX_ = 15;
  double twipsPerPixelY_ = 15;
  // A game shown in an ordinary window: its bounds read as set.
  std::optional<ui::PixelRect> fixedBounds_;
  bool syncingFocus_ = false;
  // The game window: its bounds, size, picture and pointer in device pixels.
  bool devicePixels_ = false;
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace grinzo::qt
