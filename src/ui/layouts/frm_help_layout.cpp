#include "ui/layouts/layouts.h"

namespace grinzo::layouts {

namespace {

constexpr const char* kRules =
    "The game is simple: Blow away the grinzo faces. Use the \"S\" button to switch between "
    "guns and exit by pushing any other key or pressing the right mouse button. Every level you "
    "pass you will gain a new weapon until you reach 3 different weapons. The objective of each "
    "level is to blast a certain number of faces: 100 for the first level, 110 for the second "
    "and so on. You get 3 minutes to beat each level; if you fail, the screensaver will reset to "
    "the starting level.";

forms::ControlLayout control(const char* name, forms::ControlKind kind, const char* caption,
                             int left, int top, int width, int height, int tabIndex) {
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

forms::FormLayout build() {
  forms::FormLayout f;
  f.name = "frmHelp";
  f.caption = "Help";
  f.border = forms::BorderStyle::FixedDialog;
  f.controlBox = true;
  f.showInTaskbar = false;
  f.hasIcon = false;
  f.windowState = forms::WindowState::Normal;
  f.startPosition = forms::StartPosition::WindowsDefault;
  f.clientWidth = 4680;
  f.clientHeight = 2580;

  forms::ControlLayout text =
      control("Label1", forms::ControlKind::Label, kRules, 0, 120, 4695, 1695, 0);
  text.align = forms::TextAlign::Centre;
  forms::ControlLayout ok =
      control("cmdOK", forms::ControlKind::Button, "OK", 1680, 2040, 1215, 495, 1);
  ok.isDefault = true;
  ok.isCancel = true;
  f.controls.push_back(std::move(text));
  f.controls.push_back(std::move(ok));
  return f;
}

}  // namespace

const forms::FormLayout& frmHelp() {
  static const forms::FormLayout layout = build();
  return layout;
}

}  // namespace grinzo::layouts
