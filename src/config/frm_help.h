#pragma once
// The help dialog: the rules of the game in one paragraph and an OK button.
// It holds no state; the configuration dialog shows it modally and it is
// created afresh each time it is loaded.

#include "ui/forms/form.h"

namespace grinzo::config {

class frmHelp : public forms::Form {
 public:
  explicit frmHelp(ui::Platform& platform);
};

}  // namespace grinzo::config
