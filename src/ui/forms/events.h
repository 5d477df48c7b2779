#pragma once
// The events a window delivers to its handlers, and their arguments.

#include <cstdint>
#include <string_view>

namespace grinzo::forms {

class Control;

enum class EventKind {
  Load,         // Form_Load: the window is being loaded
  QueryUnload,  // Form_QueryUnload: a close request; set `cancel` to refuse it
  Unload,       // Form_Unload: the window is going
  Paint,        // Form_Paint
  MouseDown,    // Form_MouseDown: button, shift, x, y
  MouseUp,      // Form_MouseUp
  MouseMove,    // Form_MouseMove: buttons held, shift, x, y
  KeyPress,     // Form_KeyPress / txt_KeyPress: keyAscii (set it to 0 to swallow the key)
  Timer,        // tmr_Timer
  Click,        // cmd_Click, chk_Click
  GotFocus,     // txt_GotFocus
  Validate,     // txt_Validate: the focus is about to leave; set `cancel` to keep it
};

// The suffix of a handler name: "Load", "QueryUnload", "MouseDown", ...
std::string_view eventName(EventKind kind);

// Why a window is asked to close, as QueryUnload reports it.
enum class UnloadMode : std::int16_t {
  FormControlMenu = 0,  // the user: close box or system menu
  FormCode = 1,         // the program's own Unload
  AppWindows = 2,       // the session ends
  AppTaskManager = 3,
  FormMDIForm = 4,
  FormOwner = 5,  // the owner or host window went away
};

// Mouse buttons, as a set.
inline constexpr std::int16_t kLeftButton = 1;
inline constexpr std::int16_t kRightButton = 2;
inline constexpr std::int16_t kMiddleButton = 4;

struct EventArgs {
  EventKind kind = EventKind::Load;
  Control* control = nullptr;  // nullptr: the form itself
  int index = -1;              // element of a control array
  std::int16_t cancel = 0;     // QueryUnload, Validate: non-zero refuses
  UnloadMode unloadMode = UnloadMode::FormCode;
  std::int16_t button = 0;  // MouseDown/Up: the button; MouseMove: the buttons held
  std::int16_t shift = 0;   // 1 Shift, 2 Ctrl, 4 Alt
  float x = 0;              // in the form's scale (pixels for a pixel-scaled form)
  float y = 0;
  std::int16_t keyAscii = 0;
};

}  // namespace grinzo::forms
