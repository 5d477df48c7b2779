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
