#pragma once
// The command line of the Linux program `grinzo`: the mode, and settings
// that override the stored ones for one run. Plain C++, so that the tests
// read command lines without a display.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace grinzo::linux_app {

enum class Mode {
  FullScreen,  // the game over every monitor
  Window,      // the game in an ordinary window
  Config,      // the configuration and help dialogs
  Root,        // saver module: $XSCREENSAVER_WINDOW or the root window
  WindowId,    // saver module: a foreign window given by its id
  Help,        // print the usage
};

struct Options {
  Mode mode = Mode::FullScreen;
  int windowWidth = 800;
  int windowHeight = 600;
  std::uint64_t windowId = 0;
  std::optional<int> level;  // 1 to 10
  std::optional<int> faces;  // 1 to 32767
  std::optional<bool> sound;
  // --demo / --no-demo; unset: the computer plays in the saver daemon's modes
  // only.
  std::optional<bool> demo;
};

// Whether the computer plays in this run.
bool demoPlays(const Options& options);

// Reads the arguments after the program's name. Options may start with one
// hyphen or two ("-root", "--root"). Raises std::invalid_argument with a
// message for the user on an unknown option, a missing or malformed value, a
// number out of range, or two modes at once.
Options parseOptions(const std::vector<std::string>& arguments);

extern const char* const kUsage;

}  // namespace grinzo::linux_app
