#include "ui/layouts/layouts.h"

#include "ui/images/images.h"

namespace grinzo::layouts {

namespace {

forms::ControlLayout statusLabel(const char* name, const char* caption, int left, int top,
                                 int width, bool visible, std::optional<gdi::Pixel> colour) {
  forms::ControlLayout c;
  c.name = name;
  c.kind = forms::ControlKind::Label;
  c.caption = caption;
  c.left = left;
  c.top = top;
  c.width = width;
  c.height = 255;
  c.visible = visible;
  // Disabled: clicks and pointer moves over a label reach the window, and the
  // text shows greyed.
  c.enabled = false;
  c.foreColour = colour;
  return c;
}

forms::FormLayout build() {
  forms::FormLayout f;
  f.name = "frmGrinzo";
  f.caption = "";
  f.border = forms::BorderStyle::None;
  f.controlBox = false;
  f.showInTaskbar = false;
  f.hasIcon = true;
  f.windowState = forms::WindowState::Maximized;
  f.startPosition = forms::StartPosition::WindowsDefault;
  f.clientWidth = 11535;
  f.clientHeight = 4755;
  f.backColour = gdi::rgb(0, 0, 0);
  f.autoRedraw = true;
  f.pixelScale = true;

  const gdi::Pixel black = gdi::rgb(0, 0, 0);
  f.controls = {
      statusLabel("lblLevelLabel", "Level:", 0, 960, 1335, true, std::nullopt),
      statusLabel("lblLevel", "1", 1320, 960, 975, true, std::nullopt),
      statusLabel("lblTimeLabel", "Time Left:", 0, 1200, 1335, true, black),
      statusLabel("lblTime", "120", 1320, 1200, 975, true, black),
      statusLabel("lblLeftLabel", "Grinzos Left:", 0, 1440, 1335, true, std::nullopt),
      statusLabel("lblLeft", "100", 1320, 1440, 975, true, std::nullopt),
      statusLabel("lblCurrentWeaponLabel", "Current Weapon:", 0, 1680, 1335, false, std::nullopt),
      statusLabel("lblCurrentWeapon", "Handgun", 1320, 1680, 975, false, std::nullopt),
  };

  forms::ControlLayout timer;
  timer.name = "tmrMain";
  timer.kind = forms::ControlKind::Timer;
  timer.timerInterval = 1;
  timer.timerEnabled = true;
  timer.visible = false;
  f.controls.push_back(timer);

  // Hidden picture surfaces, one per image, laid out in a strip below the
  // status table; being hidden, their place never shows.
  int left = 3000;
  for (int i = 0; i < images::kImageCount; ++i) {
    const auto id = static_cast<images::ImageId>(i);
    const images::SurfaceName name = images::surfaceName(id);
    forms::ControlLayout pic;
    pic.name = std::string(name.control);
    pic.index = name.index;
    pic.kind = forms::ControlKind::Picture;
    pic.visible = false;
    pic.tabStop = false;
    pic.left = left;
    pic.top = 2400;
    pic.width = images::picture(id).width * 15;
    pic.height = images::picture(id).height * 15;
    pic.picture.image = id;
    f.controls.push_back(pic);
    left += pic.width + 60;
  }
  return f;
}

}  // namespace

const forms::FormLayout& frmGrinzo() {
  static const forms::FormLayout layout = build();
  return layout;
}

}  // namespace grinzo::layouts
