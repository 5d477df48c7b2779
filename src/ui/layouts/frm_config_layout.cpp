#include "ui/layouts/layouts.h"

#include "ui/layouts/builders.h"

namespace grinzo::layouts {

namespace {

using forms::ControlKind;
using forms::ControlLayout;

ControlLayout line(int index, int x1, int y1, int x2, int y2, gdi::Pixel colour, int widthPx) {
  ControlLayout c;
  c.name = "Line1";
  c.index = index;
  c.kind = ControlKind::Line;
  c.x1 = x1;
  c.y1 = y1;
  c.x2 = x2;
  c.y2 = y2;
  c.foreColour = colour;
  c.lineWidthPixels = widthPx;
  return c;
}

forms::FormLayout build() {
  forms::FormLayout f = fixedDialog("frmConfig", "Grinzo Screensaver Configuration", 5730, 3705);
  f.hasIcon = true;
  f.startPosition = forms::StartPosition::Manual;
  f.left = 2340;
  f.top = 1935;

  const gdi::Pixel black = gdi::rgb(0, 0, 0);

  ControlLayout icon = control("picIcon", ControlKind::Picture, "", 240, 240, 540, 540, 0);
  icon.border = true;
  icon.tabStop = false;
  icon.picture.programIconSize = 32;

  ControlLayout title =
      control("lblTitle", ControlKind::Label, "Application Title", 1050, 240, 3885, 480, 1);
  title.foreColour = black;
  ControlLayout description =
      control("lblDescription", ControlKind::Label,
              "Take out your frustration by blowing the heck out of all those annoying faces!",
              1050, 1125, 3885, 450, 3);
  description.foreColour = black;
  ControlLayout copyright =
      control("lblCopyright", ControlKind::Label, "Copyright", 135, 3360, 3870, 225, 9);
  copyright.foreColour = black;

  ControlLayout ok = control("cmdOK", ControlKind::Button, "OK", 4125, 3345, 1260, 345, 10);
  ok.isDefault = true;
  ControlLayout help = control("cmdHelp", ControlKind::Button, "&Help", 4125, 3000, 1260, 345, 11);
  help.isCancel = true;

  f.controls = {
      icon,
      title,
      control("lblVersion", ControlKind::Label, "Version", 1050, 780, 3885, 225, 2),
      description,
      control("Label1", ControlKind::Label, "&Starting Level:", 840, 1800, 1215, 255, 4),
      control("txtStartingLevel", ControlKind::TextBox, "", 2160, 1800, 1215, 285, 5),
      control("Label2", ControlKind::Label, "&Number of faces:", 840, 2160, 1215, 255, 6),
      control("txtNumber", ControlKind::TextBox, "", 2160, 2160, 1215, 285, 7),
      control("chkSound", ControlKind::CheckBox, "Soun&d", 3600, 1800, 1215, 255, 8),
      copyright,
      ok,
      help,
      control("Label3", ControlKind::Label, "Visit our web site for more screen savers!", 120, 3120,
              3855, 255, 12),
      // The etched separator: a grey line with a white one just below it.
      line(1, 120, 2925, 5684, 2925, gdi::rgb(128, 128, 128), 1),
      line(0, 105, 2940, 5654, 2940, gdi::rgb(255, 255, 255), 2),
  };
  return f;
}

}  // namespace

const forms::FormLayout& frmConfig() {
  static const forms::FormLayout layout = build();
  return layout;
}

}  // namespace grinzo::layouts
