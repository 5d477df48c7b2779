#pragma once
// The windows a backend has open, the modal frames over them, and the error
// a handler raised while the backend delivered an event. Each backend keeps
// one, so that which windows a modal window blocks, when they come back, and
// when a handler's error reaches the code that waits are the same on every
// system; the backend only switches its native windows on and off and waits
// for its events.

#include <exception>
#include <functional>
#include <vector>

#include "ui/platform.h"

namespace grinzo::forms {

class Form;

class WindowRegistry {
 public:
  // Called whenever a window closes or an error is kept: a backend whose
  // loops sleep until something happens wakes them.
  void onChange(std::function<void()> wake) { wake_ = std::move(wake); }

  void opened(ui::NativeWindow& window) { windows_.push_back(&window); }
  // The window goes. The windows its modal frame blocked are switched back
  // on first, so that the system hands the activation back to them and not
  // to another program.
  void closing(ui::NativeWindow& window);
  // Open windows, oldest first.
  const std::vector<ui::NativeWindow*>& windows() const { return windows_; }
  bool empty() const { return windows_.empty(); }
  bool isOpen(const ui::NativeWindow* window) const;
  // The open window that shows `form`; nullptr when it has none.
  ui::NativeWindow* windowOf(const Form& form) const;

  // Shows `form` modally: every other window that takes input is switched
  // off until the form unloads, then those still open are switched back on.
  // `waitForEvents` dispatches what arrives, sleeping until something does;
  // it returns false when no event will come any more (the backend's event
  // loop ended, or a test's script ran out). An error kept meanwhile ends
  // the frame and reaches the caller.
  void runModal(Form& form, const std::function<bool()>& waitForEvents);

  // Keeps the first error until the loop that dispatched the event can raise
  // it (an error cannot travel through the system's window procedure).
  void defer(std::exception_ptr error);
  bool hasDeferred() const { return deferred_ != nullptr; }
  void raiseDeferred();

 private:
  struct ModalFrame {
    ui::NativeWindow* window;
    std::vector<ui::NativeWindow*> blocked;  // switched off while it is open
  };
  void unblock(ModalFrame& frame);

  std::vector<ui::NativeWindow*> windows_;
  std::vector<ModalFrame> modal_;
  std::exception_ptr deferred_;
  std::function<void()> wake_;
};

}  // namespace grinzo::forms
