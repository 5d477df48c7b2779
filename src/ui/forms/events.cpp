#include "ui/forms/events.h"

namespace grinzo::forms {

std::string_view eventName(EventKind kind) {
  switch (kind) {
    case EventKind::Load:
      return "Load";
    case EventKind::QueryUnload:
      return "QueryUnload";
    case EventKind::Unload:
      return "Unload";
    case EventKind::Paint:
      return "Paint";
    case EventKind::MouseDown:
      return "MouseDown";
    case EventKind::MouseUp:
      return "MouseUp";
    case EventKind::MouseMove:
      return "MouseMove";
    case EventKind::KeyPress:
      return "KeyPress";
    case EventKind::Timer:
      return "Timer";
    case EventKind::Click:
      return "Click";
    case EventKind::GotFocus:
      return "GotFocus";
    case EventKind::Validate:
      return "Validate";
  }
  return "Unknown";
}

}  // namespace grinzo::forms
