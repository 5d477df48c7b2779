#include "ui/forms/window_registry.h"

#include <algorithm>
#include <utility>

#include "ui/forms/form.h"

namespace grinzo::forms {

bool WindowRegistry::isOpen(const ui::NativeWindow* window) const {
  return std::find(windows_.begin(), windows_.end(), window) != windows_.end();
}

ui::NativeWindow* WindowRegistry::windowOf(const Form& form) const {
  ui::NativeWindow* window = form.native();
  return isOpen(window) ? window : nullptr;
}

void WindowRegistry::unblock(ModalFrame& frame) {
  for (ui::NativeWindow* other : frame.blocked) {
    if (isOpen(other)) other->setEnabled(true);
  }
  frame.blocked.clear();
}

void WindowRegistry::closing(ui::NativeWindow& window) {
  std::erase(windows_, &window);
  for (ModalFrame& frame : modal_) {
    if (frame.window == &window) unblock(frame);
  }
  if (wake_) wake_();
}

void WindowRegistry::runModal(Form& form, const std::function<bool()>& waitForEvents) {
  ui::NativeWindow* window = windowOf(form);
  if (!window) return;
  ModalFrame frame{window, {}};
  for (ui::NativeWindow* other : windows_) {
    if (other != window && other->isEnabled()) {
      other->setEnabled(false);
      frame.blocked.push_back(other);
    }
  }
  modal_.push_back(std::move(frame));
  const std::size_t depth = modal_.size();
  const auto end = [&] {
    unblock(modal_[depth - 1]);
    modal_.resize(depth - 1);
  };
  try {
    while (form.isLoaded() && !hasDeferred() && waitForEvents()) {
    }
    raiseDeferred();
  } catch (...) {
    end();
    throw;
  }
  end();
}

void WindowRegistry::defer(std::exception_ptr error) {
  if (!deferred_) deferred_ = std::move(error);
  if (wake_) wake_();
}

void WindowRegistry::raiseDeferred() {
  if (deferred_) std::rethrow_exception(std::exchange(deferred_, nullptr));
}

}  // namespace grinzo::forms
