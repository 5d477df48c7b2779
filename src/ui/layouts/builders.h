#pragma once
// Small builders shared by the dialogs' layouts.

#include <string>

#include "ui/forms/layout.h"

namespace grinzo::layouts {

// A control at (left, top), width x height twips, at `tabIndex` in the tab order.
inline forms::ControlLayout control(const char* name, forms::ControlKind kind,
                                    const std::string& caption, int left, int top, int width,
                                    int height, int tabIndex) {
  forms::ControlLayout c;
  c.name = name;
  c.kind = kind;
  c.caption = caption;
  c.left = left;
  c.top = top;
  c.width = width;
  c.height = height;
  c.tabIndex = tabIndex;
  return c;
}

// A dialog window: fixed dialog frame with the close box only, not in the
// task bar, shown normal; its client area in twips.
inline forms::FormLayout fixedDialog(const char* name, const char* caption, int clientWidth,
                                     int clientHeight) {
  forms::FormLayout f;
  f.name = name;
  f.caption = caption;
  f.border = forms::BorderStyle::FixedDialog;
  f.controlBox = true;
  f.showInTaskbar = false;
  f.windowState = forms::WindowState::Normal;
  f.clientWidth = clientWidth;
  f.clientHeight = clientHeight;
  return f;
}

}  // namespace grinzo::layouts
