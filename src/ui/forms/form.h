#pragma once
// A window as a class. A Form is built from its layout; a subclass registers
// its handlers by the name of the control and the event joined with an
// underscore ("Form_Load", "tmrMain_Timer", "txtNumber_Validate",
// "cmdOK_Click"). Handlers run only when the backend delivers events, that is
// while pending messages are processed (or, for Load and Unload, inside the
// load and unload calls), so they always see a consistent state.

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "ui/forms/control.h"
#include "ui/forms/events.h"
#include "ui/forms/layout.h"
#include "ui/platform.h"

namespace grinzo::forms {

class Form {
 public:
  Form(ui::Platform& platform, FormLayout layout);
  virtual ~Form();
  Form(const Form&) = delete;
  Form& operator=(const Form&) = delete;

  ui::Platform& platform() const { return *platform_; }
  const FormLayout& layout() const { return layout_; }
  const std::string& name() const { return layout_.name; }

  // --- Life cycle ------------------------------------------------------------

  // Creates the (hidden) native window, the controls and the persistent
  // image, then runs Form_Load. Does nothing when already loaded. When
  // Form_Load raises, the window is taken down again without further events
  // and the error reaches the caller.
  void load();
  // Loads if needed and shows the window; a modal show returns when the
  // window has unloaded.
  void show(bool modal = false);
  void hide();
  // A close request: runs Form_QueryUnload (which may refuse it) and then
  // Form_Unload, and takes the window down. Returns true when the window is
  // gone (or was not loaded).
  bool unload(UnloadMode mode = UnloadMode::FormCode);
  // The host destroyed the window (a preview's host takes its children
  // along): a close request, which a running game refuses once and then
  // ends at its loop's next check. The loop runs inside a timer's handler;
  // without one running nothing else would end the form, and a window that
  // is gone cannot be refused twice, so a second request follows. Every
  // backend translates the host's destruction into this. Returns true when
  // the form unloaded.
  bool hostWindowGone();
  bool isLoaded() const { return loaded_; }
  bool isVisible() const;

  // --- Window properties -----------------------------------------------------

  const std::string& caption() const { return caption_; }
  void setCaption(const std::string& caption);
  // The native window's handle; 0 while not loaded.
  ui::WindowHandle hWnd() const;
  WindowState windowState() const { return windowState_; }
  void setWindowState(WindowState state);
  // Outer geometry in twips, converted with the screen's twips per pixel.
  double left() const;
  double top() const;
  double width() const;
  double height() const;
  void setLeft(double twips);
  void setTop(double twips);
  void setWidth(double twips);
  void setHeight(double twips);
  // Outer geometry in pixels.
  ui::PixelRect boundsPixels() const;
  void setBoundsPixels(const ui::PixelRect& outer);
  // Client area in pixels (the scale of a pixel-scaled form).
  int scaleWidth() const;
  int scaleHeight() const;

  // The persistent image of a form that keeps its drawing (0 otherwise).
  // It always has the client area's size.
  gdi::HDC hDC() const { return image_; }
  // Colour of one pixel of the persistent image; CLR_INVALID outside.
  gdi::COLORREF point(int x, int y) const;
  // Shows the persistent image on screen now.
  void present();

  // The pointer shape over the window.
  void setMouseIcon(const gdi::IconEntry& icon);
  const gdi::IconEntry* mouseIcon() const { return mouseIcon_.get(); }

  ui::NativeWindow* native() const { return native_.get(); }

  // --- Controls --------------------------------------------------------------

  // The control of that name (and array index); raises when there is none.
  Control& control(std::string_view name, int index = -1) const;
  Control* findControl(std::string_view name, int index = -1) const;
  const std::vector<std::unique_ptr<Control>>& controls() const { return controls_; }

  // --- Focus and keyboard navigation ----------------------------------------

  Control* activeControl() const { return focused_; }
  // Moves the focus to `target`. When the control losing the focus has a
  // Validate handler and `target` causes validation, the handler runs first
  // and may cancel the move (the focus then stays). Runs the target's
  // GotFocus. Returns true when the focus is on `target` afterwards.
  bool setFocus(Control& target);
  // Tab (forward) and Shift+Tab through the tab order.
  bool focusNext(bool forward = true);
  // Alt+letter: a label passes the focus to the next control in the tab
  // order, a button is clicked, a check box is focused and toggled.
  bool pressMnemonic(char letter);
  // A click by the user on a button or check box: the focus moves there first
  // (and a refused move cancels the click), then Click runs. Returns whether
  // the click happened.
  bool clickControl(Control& control);
  // Typing into a text box: replaces the selection with `text`.
  void typeText(Control& box, const std::string& text);

  // --- Events in -------------------------------------------------------------

  // The window needs repainting (shown, uncovered, resized): a form that
  // keeps its drawing shows its persistent image, any other runs Form_Paint.
  void repaint();
  // Runs the handler for `args` (named by its control and kind), if any.
  // Events for a window that is not loaded are dropped.
  void dispatch(EventArgs& args);
  bool hasHandler(const std::string& handlerName) const;

 protected:
  using Handler = std::function<void(EventArgs&)>;
  // Registers the handler `name`, e.g. on("cmdOK_Click", ...).
  void on(const std::string& name, Handler handler);

 private:
  void createControls();
  void takeDown();
  void syncImageSize();
  // Shows the image, all of it when `whole` (a repaint), else what changed.
  void showImage(bool whole);
  double twipsPerPixelX() const;
  double twipsPerPixelY() const;
  Control* firstInTabOrder() const;
  std::vector<Control*> tabOrder() const;

  ui::Platform* platform_;
  FormLayout layout_;
  std::map<std::string, Handler, std::less<>> handlers_;
  std::vector<std::unique_ptr<Control>> controls_;
  std::unique_ptr<ui::NativeWindow> native_;
  std::unique_ptr<gdi::IconEntry> mouseIcon_;
  std::string caption_;
  WindowState windowState_;
  gdi::HDC image_ = 0;
  gdi::HBITMAP imageBitmap_ = 0;
  gdi::ChangedArea changed_;  // kept to save allocating each frame
  Control* focused_ = nullptr;
  bool loaded_ = false;
  int timerHandlersRunning_ = 0;  // Timer events being dispatched, nested
  bool unloading_ = false;
};

}  // namespace grinzo::forms
