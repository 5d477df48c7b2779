#include "ui/forms/control.h"

#include <algorithm>

#include "ui/forms/form.h"
#include "ui/images/images.h"
#include "ui/platform.h"

namespace grinzo::forms {

Control::Control(Form& owner, const ControlLayout& layout)
    : owner_(&owner),
      layout_(&layout),
      caption_(layout.caption),
      visible_(layout.visible),
      enabled_(layout.enabled),
      value_(layout.value),
      timerEnabled_(layout.timerEnabled),
      interval_(layout.timerInterval) {
  if (layout.kind == ControlKind::TextBox) text_ = layout.caption;
}

Control::~Control() { releaseSurface(); }

void Control::notify(ui::ControlProperty what) {
  if (ui::NativeWindow* peer = owner_->native()) peer->controlChanged(*this, what);
}

void Control::setCaption(const std::string& caption) {
  if (caption == caption_) return;
  caption_ = caption;
  notify(ui::ControlProperty::Caption);
}

void Control::setVisible(bool visible) {
  if (visible == visible_) return;
  visible_ = visible;
  notify(ui::ControlProperty::Visible);
}

void Control::setEnabled(bool enabled) {
  if (enabled == enabled_) return;
  enabled_ = enabled;
  notify(ui::ControlProperty::Enabled);
}

void Control::setText(const std::string& text) {
  text_ = text;
  selStart_ = static_cast<int>(text_.size());
  selLength_ = 0;
  notify(ui::ControlProperty::Text);
}

void Control::setSelection(int start, int length) {
  const int size = static_cast<int>(text_.size());
  selStart_ = std::clamp(start, 0, size);
  selLength_ = std::clamp(length, 0, size - selStart_);
  notify(ui::ControlProperty::Selection);
}

std::string Control::selectedText() const {
  return text_.substr(static_cast<std::size_t>(selStart_), static_cast<std::size_t>(selLength_));
}

void Control::setValue(int value) {
  if (value == value_) return;
  value_ = value;
  notify(ui::ControlProperty::Value);
}

void Control::setTimerEnabled(bool enabled) {
  timerEnabled_ = enabled;
  notify(ui::ControlProperty::Timer);
}

void Control::setInterval(int milliseconds) {
  interval_ = std::max(0, milliseconds);
  notify(ui::ControlProperty::Timer);
}

bool Control::canFocus() const {
  switch (layout_->kind) {
    case ControlKind::TextBox:
    case ControlKind::CheckBox:
    case ControlKind::Button:
      return visible_ && enabled_;
    case ControlKind::Picture:
      // A visible picture box can hold the focus; hidden ones (the game
      // window's image stores) never do.
      return visible_ && enabled_ && layout_->tabStop && layout_->tabIndex >= 0;
    default:
      return false;
  }
}

void Control::createSurface() {
  if (layout_->kind != ControlKind::Picture || hdc_ != 0) return;
  gdi::Bitmap content;
  if (layout_->picture.image) {
    content = images::picture(*layout_->picture.image);
  } else if (layout_->picture.programIconSize > 0) {
    content = images::programIconOver(layout_->picture.programIconSize, gdi::rgb(192, 192, 192));
  } else {
    return;
  }
  hdc_ = gdi::CreateCompatibleDC(0);
  const gdi::HBITMAP bitmap = gdi::CreateBitmapFromPixels(content);
  gdi::SelectObject(hdc_, bitmap);
  // The surface keeps the picture alive; the bitmap handle is not needed.
  gdi::DeleteObject(bitmap);
}

void Control::releaseSurface() {
  if (hdc_ > 0) gdi::DeleteDC(hdc_);
  hdc_ = 0;
}

}  // namespace grinzo::forms
