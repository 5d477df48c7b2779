#include "config/frm_config.h"

#include "config/settings.h"
#include "ui/layouts/layouts.h"
#include "ui/runtime/app_info.h"
#include "ui/runtime/convert.h"
#include "ui/runtime/errors.h"

namespace grinzo::config {

namespace {

std::string versionText() {
  return "Version " + std::to_string(rt::kAppVersion.major) + "." +
         std::to_string(rt::kAppVersion.minor) + "." + std::to_string(rt::kAppVersion.revision);
}

}  // namespace

frmConfig::frmConfig(ui::Platform& platform) : Form(platform, layouts::frmConfig()) {
  on("Form_Load", [this](forms::EventArgs&) {
    control("lblVersion").setCaption(versionText());
    control("lblTitle").setCaption(rt::kAppTitle);
    control("txtStartingLevel").setText(GetSetting(this->platform(), kLevelKey, kDefaultLevel));
    control("txtNumber").setText(GetSetting(this->platform(), kFacesKey, kDefaultFaces));
    if (soundIsOn(GetSetting(this->platform(), kSoundKey, kSoundOn))) {
      control("chkSound").setValue(1);
    }
    control("lblCopyright").setCaption(rt::kAppCopyright);
  });

  on("txtStartingLevel_GotFocus",
     [this](forms::EventArgs&) { selectAll(control("txtStartingLevel")); });
  on("txtNumber_GotFocus", [this](forms::EventArgs&) { selectAll(control("txtNumber")); });

  on("txtStartingLevel_Validate", [this](forms::EventArgs& e) {
    checkRange(e, control("txtStartingLevel"), 1, 10, "Please pick a number between 1 and 10.");
  });
  on("txtNumber_Validate", [this](forms::EventArgs& e) {
    checkRange(e, control("txtNumber"), 1, 32767, "You must enter a number between 1 and 32767.");
  });

  on("cmdOK_Click", [this](forms::EventArgs&) { unload(); });
  on("cmdHelp_Click", [this](forms::EventArgs&) {
    if (!help_) help_ = std::make_unique<frmHelp>(this->platform());
    help_->show(/*modal=*/true);
  });

  // Every close saves, and no close is refused.
  on("Form_QueryUnload", [this](forms::EventArgs&) {
    SaveSetting(this->platform(), kLevelKey, control("txtStartingLevel").text());
    SaveSetting(this->platform(), kFacesKey, control("txtNumber").text());
    SaveSetting(this->platform(), kSoundKey,
                control("chkSound").value() == 1 ? kSoundOn : kSoundOff);
  });
}

frmConfig::~frmConfig() = default;

void frmConfig::selectAll(forms::Control& box) {
  box.setSelection(0, static_cast<int>(box.text().size()));
}

void frmConfig::checkRange(forms::EventArgs& e, forms::Control& box, double low, double high,
                           const char* message) {
  bool accepted = false;
  try {
    const double value = rt::parseNumber(box.text());
    accepted = value >= low && value <= high;
  } catch (const rt::RuntimeError&) {
    accepted = false;  // not a number, or beyond any number's range
  }
  if (accepted) return;
  platform().windows().messageBox(message, "Error", this);
  e.cancel = 1;
  selectAll(box);
}

}  // namespace grinzo::config
