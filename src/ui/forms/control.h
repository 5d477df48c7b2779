#pragma once
// One control of a loaded window, with the properties the program reads and
// sets at run time. Every change is passed on to the window's native peer.

#include <string>

#include "ui/forms/layout.h"
#include "ui/gdi/gdi.h"

namespace grinzo::ui {
enum class ControlProperty;
}

namespace grinzo::forms {

class Form;

class Control {
 public:
  Control(Form& owner, const ControlLayout& layout);
  ~Control();
  Control(const Control&) = delete;
  Control& operator=(const Control&) = delete;

  Form& form() const { return *owner_; }
  const ControlLayout& layout() const { return *layout_; }
  const std::string& name() const { return layout_->name; }
  int index() const { return layout_->index; }
  ControlKind kind() const { return layout_->kind; }

  // Labels, buttons, check boxes.
  const std::string& caption() const { return caption_; }
  void setCaption(const std::string& caption);

  bool visible() const { return visible_; }
  void setVisible(bool visible);
  bool enabled() const { return enabled_; }
  void setEnabled(bool enabled);

  // Text boxes. Setting the text puts the caret at its end, as the classic
  // box does; selection start and length are clamped to the text.
  const std::string& text() const { return text_; }
  void setText(const std::string& text);
  int selStart() const { return selStart_; }
  int selLength() const { return selLength_; }
  void setSelection(int start, int length);
  std::string selectedText() const;

  // Check boxes: 0 unchecked, 1 checked, 2 greyed.
  int value() const { return value_; }
  void setValue(int value);

  // Timers. Enabling (again) restarts the interval.
  bool timerEnabled() const { return timerEnabled_; }
  void setTimerEnabled(bool enabled);
  int interval() const { return interval_; }
  void setInterval(int milliseconds);

  // Picture surfaces: the drawing surface of the persistent image, holding
  // the designed picture from the moment the window is created; 0 for other
  // kinds.
  gdi::HDC hDC() const { return hdc_; }

  // Whether the control can take the keyboard focus now.
  bool canFocus() const;

 private:
  friend class Form;
  void notify(ui::ControlProperty what);
  void createSurface();
  void releaseSurface();

  Form* owner_;
  const ControlLayout* layout_;
  std::string caption_;
  bool visible_;
  bool enabled_;
  std::string text_;
  int selStart_ = 0;
  int selLength_ = 0;
  int value_;
  bool timerEnabled_;
  int interval_;
  gdi::HDC hdc_ = 0;
};

}  // namespace grinzo::forms
