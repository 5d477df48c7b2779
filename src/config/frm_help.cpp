#include "config/frm_help.h"

#include "ui/layouts/layouts.h"

namespace grinzo::config {

frmHelp::frmHelp(ui::Platform& platform) : Form(platform, layouts::frmHelp()) {
  on("cmdOK_Click", [this](forms::EventArgs&) { unload(); });
}

}  // namespace grinzo::config
