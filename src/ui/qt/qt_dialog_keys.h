#pragma once
// The dialog keys of our windows, taken before any widget sees them and
// handed to the core's one rule for them (forms::takeDialogKey), exactly as
// the Windows backend hands them over before translation.

#include <QObject>

#include "ui/forms/window_registry.h"

namespace grinzo::qt {

class DialogKeyFilter final : public QObject {
 public:
  // Installed on the application for as long as it lives.
  explicit DialogKeyFilter(const forms::WindowRegistry& windows);
  ~DialogKeyFilter() override;
  DialogKeyFilter(const DialogKeyFilter&) = delete;
  DialogKeyFilter& operator=(const DialogKeyFilter&) = delete;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  const forms::WindowRegistry* windows_;
};

}  // namespace grinzo::qt
