#pragma once
// The headless game runner behind grinzo-headless: plays one game on the
// headless backend, frame by frame, with scripted input, and writes the
// game's state after every frame (JSON lines) and its pictures (bitmap
// files). Runs are deterministic: the same options give the same states and
// the same pictures, byte for byte.

#include <cstdint>
#include <optional>
#include <ostream>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "ui/platform.h"

namespace grinzo::replay {

struct RunOptions {
  bool preview = false;  // --mode p
  int width = 800;       // --size WxH: the window (full screen: the screen)
  int height = 600;
  std::string desktop;       // --desktop FILE.bmp; empty: a test pattern
  double startTime = 43200;  // --start-time: time of day at start, seconds
  double dt = 0.02;          // --dt: clock advance per frame, seconds
  long frames = 500;         // --frames
  std::vector<std::pair<std::string, std::string>> settings;  // --setting KEY=TEXT
  std::optional<std::string> registryPassword;                // --registry-password TEXT
  bool acceptPassword = true;                                 // --password-answer accept|refuse
  std::string folder;          // --folder; empty: a fresh folder with the assets
  std::string userDataFolder;  // --user-data; empty: a fresh folder
  ui::PlatformFamily family = ui::PlatformFamily::WindowsNT;  // --family nt|9x|unknown
  std::string script;                                         // --script FILE
  std::string state;                                          // --state FILE
  std::string record;                                         // --record DIR
  long every = 1;                                             // --every K
  std::string hourly;      // --hourly FILE: one summary line per hour of game time
  std::string timing;      // --timing FILE: real time to the first frame and per frame
  bool demo = false;       // --demo: the computer plays
  std::uint32_t seed = 1;  // --seed N: the demo's seed
  std::string vectors;     // --vectors none|avx2|avx512: the widest the sprites may use
};

// Raised for arguments that make no run; the message says what is wrong.
struct UsageError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

RunOptions parseArguments(const std::vector<std::string>& args);
std::string usageText();

// Exit statuses of a run.
inline constexpr int kRunOk = 0;
inline constexpr int kRunFailed = 1;    // the game could not start (message on `err`)
inline constexpr int kRunBadInput = 2;  // bad arguments or a malformed script

// Plays one game. `assetFolder` holds "mouseicon.ico" and the wave files,
// copied into the fresh program folder when no --folder is given.
int runGame(const RunOptions& options, const std::string& assetFolder, std::ostream& err);

}  // namespace grinzo::replay
