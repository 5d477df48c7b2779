#pragma once
// The child-window identifiers of a form's controls: 1000 plus the control's
// place in its layout. Test programs find a control of a running dialog by
// this identifier (GetDlgItem) from the same layout data.

#include <cstddef>
#include <string_view>

#include "ui/forms/layout.h"

namespace grinzo::win32 {

inline constexpr int kFirstControlId = 1000;

inline int controlId(std::size_t layoutIndex) {
  return kFirstControlId + static_cast<int>(layoutIndex);
}

// The identifier of the control `name` (element `index`), or 0 when the
// layout has no such control.
inline int controlIdOf(const forms::FormLayout& layout, std::string_view name, int index = -1) {
  for (std::size_t i = 0; i < layout.controls.size(); ++i) {
    if (layout.controls[i].name == name && layout.controls[i].index == index) return controlId(i);
  }
  return 0;
}

}  // namespace grinzo::win32
