#pragma once
// Timed input scripts for headless runs, one event per line:
//
//   TIME move X Y BUTTONS    pointer at (X, Y) with the buttons held (1 left, 2 right, 4 middle,
//   summed) TIME down BUTTON X Y     a button pressed at (X, Y) TIME up BUTTON X Y       a button
//   released TIME key CODE            a character key (its character code) TIME close the user
//   closes the window
//
// TIME is in seconds since the run began. Blank lines and lines starting
// with # are ignored.

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "ui/headless/headless_platform.h"

namespace grinzo::replay {

struct ScriptError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// The events with their times relative to the run's start. Raises
// ScriptError naming the line (number and text) of the first malformed line.
std::vector<headless::InputEvent> parseScript(std::string_view text);

}  // namespace grinzo::replay
