#include "ui/forms/dialog_keys.h"

#include <cctype>

namespace grinzo::forms {

namespace {

Control* buttonWith(const Form& form, bool ControlLayout::*role) {
  for (const auto& c : form.controls()) {
    if (c->kind() == ControlKind::Button && c->layout().*role && c->visible() && c->enabled()) {
      return c.get();
    }
  }
  return nullptr;
}

}  // namespace

bool pressEnter(Form& form) {
  Control* target = form.activeControl();
  if (!target || target->kind() != ControlKind::Button) {
    target = buttonWith(form, &ControlLayout::isDefault);
  }
  if (!target) return false;
  form.clickControl(*target);
  return true;
}

bool pressEscape(Form& form) {
  Control* target = buttonWith(form, &ControlLayout::isCancel);
  if (!target) return false;
  form.clickControl(*target);
  return true;
}

bool takeDialogKey(Form& form, const DialogKey& key) {
  Control* focus = form.isLoaded() ? form.activeControl() : nullptr;
  if (!focus || key.ctrl) return false;
  if (const ui::NativeWindow* window = form.native(); window && !window->isEnabled()) return false;
  switch (key.kind) {
    case DialogKey::Kind::Tab:
      if (key.alt) return false;
      form.focusNext(!key.shift);
      return true;
    case DialogKey::Kind::Enter:
      return !key.alt && pressEnter(form);
    case DialogKey::Kind::Escape:
      return !key.alt && pressEscape(form);
    case DialogKey::Kind::Character: {
      const char c = key.character;
      const bool alphanumeric =
          (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
      if (!alphanumeric) return false;
      if (!key.alt && focus->kind() == ControlKind::TextBox) return false;
      if (!ownsMnemonic(form, c)) return false;
      form.pressMnemonic(c);
      return true;
    }
  }
  return false;
}

bool ownsMnemonic(const Form& form, char letter) {
  const char wanted = static_cast<char>(std::toupper(static_cast<unsigned char>(letter)));
  if (wanted == 0) return false;
  for (const auto& c : form.controls()) {
    if (c->visible() && c->enabled() && c->kind() != ControlKind::TextBox &&
        mnemonicOf(c->caption()) == wanted) {
      return true;
    }
  }
  return false;
}

}  // namespace grinzo::forms
