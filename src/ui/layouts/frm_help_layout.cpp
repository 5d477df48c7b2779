#include "ui/layouts/layouts.h"

namespace grinzo::layouts {

namespace {

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

  forms::ControlLayout text;
  text.name = "Label1";
  text.kind = forms::ControlKind::Label;
  text.caption =
      "The game is simple: Blow away the grinzo faces. Use the \"S\" button to switch between "
      "guns and exit by pushing any other key or pressing the right mouse button. Every level "
      "you pass you will gain a new weapon until you reach 3 different weapons. The objective "
      "of each level is to blast a certain number of faces: 100 for the first level, 110 for "
      "the second and so on. You get 3 minutes to beat each level; if you fail, the screensaver "
      "will reset to the starting level.";
  text.align = forms::TextAlign::Centre;
  text.left = 0;
  text.top = 120;
  text.width = 4695;
  text.height = 1695;
  text.tabIndex = 0;

  forms::ControlLayout ok;
  ok.name = "cmdOK";
  ok.kind = forms::ControlKind::Button;
  ok.caption = "OK";
  ok.left = 1680;
  ok.top = 2040;
  ok.width = 1215;
  ok.height = 495;
  ok.tabIndex = 1;
  ok.isDefault = true;
  ok.isCancel = true;

  f.controls = {text, ok};
  return f;
}

}  // namespace

const forms::FormLayout& frmHelp() {
  static const forms::FormLayout layout = build();
  return layout;
}

}  // namespace grinzo::layouts
