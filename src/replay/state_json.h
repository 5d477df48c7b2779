#pragma once
// One line of a run's state file: the game's state at the end of a frame as
// a JSON object.

#include <string>
#include <vector>

#include "game/frm_grinzo.h"
#include "ui/headless/headless_platform.h"

namespace grinzo::replay {

struct FrameRecord {
  long frame = 0;
  double time = 0;                  // seconds since the run began
  std::vector<std::string> sounds;  // file names started during the frame
  std::vector<headless::MessageBoxRecord> messages;
};

std::string stateJson(const game::frmGrinzo& game, const FrameRecord& record);

}  // namespace grinzo::replay
