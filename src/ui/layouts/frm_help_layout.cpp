#include "ui/layouts/layouts.h"

#include "ui/layouts/builders.h"

namespace grinzo::layouts {

namespace {

constexpr const char* kRules =
    "The game is simple: Blow away the grinzo faces. Use the \"S\" button to switch between "
    "guns and exit by pushing any other key or pressing the right mouse button. Every level you "
    "pass you will gain a new weapon until you reach 3 different weapons. The objective of each "
    "level is to blast a certain number of faces: 100 for the first level, 110 for the second "
    "and so on. You get 3 minutes to beat each level; if you fail, the screensaver will reset to "
    "the starting level.";

forms::FormLayout build() {
  forms::FormLayout f = fixedDialog("frmHelp", "Help", 4680, 2580);
  f.hasIcon = false;
  f.startPosition = forms::StartPosition::WindowsDefault;

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
