#pragma once
// The configuration dialog: shows the program's title, version and notices,
// and edits the three settings. The values are read when the dialog loads
// and written back, all three and in the order Level, Faces, Sound, on every
// close, whatever closes it and whether or not they are valid: the range
// checks run only when the focus tries to leave a box, and a refused value
// keeps the focus (and cancels the click that tried to take it away).

#include <memory>

#include "config/frm_help.h"
#include "ui/forms/form.h"

namespace grinzo::config {

class frmConfig : public forms::Form {
 public:
  explicit frmConfig(ui::Platform& platform);
  ~frmConfig() override;

  // The help dialog, created by the first Help click; nullptr before.
  frmHelp* help() const { return help_.get(); }

 private:
  // Refuses the focus move (message, focus kept, text selected) unless the
  // box holds a number from `low` to `high`.
  void checkRange(forms::EventArgs& e, forms::Control& box, double low, double high,
                  const char* message);
  void selectAll(forms::Control& box);

  std::unique_ptr<frmHelp> help_;
};

}  // namespace grinzo::config
