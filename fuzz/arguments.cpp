// grinzo-headless's options (replay::parseArguments) on any argument list:
// a bad list is a UsageError, nothing else may escape, and an accepted one
// holds only values in the documented ranges (the runner trusts them).
//
// Input: the arguments separated by NUL bytes, as a process receives them.

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz_check.h"
#include "replay/runner.h"

using namespace grinzo;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::vector<std::string> args;
  std::string current;
  for (std::size_t i = 0; i < size; ++i) {
    if (data[i] == 0) {
      args.push_back(std::move(current));
      current.clear();
    } else {
      current.push_back(static_cast<char>(data[i]));
    }
  }
  if (size > 0) args.push_back(std::move(current));

  replay::RunOptions o;
  try {
    o = replay::parseArguments(args);
  } catch (const replay::UsageError& e) {
    FUZZ_CHECK(*e.what() != '\0');
    return 0;
  }
  FUZZ_CHECK(o.width >= 1 && o.width <= 16384 && o.height >= 1 && o.height <= 16384);
  FUZZ_CHECK(o.startTime >= 0 && o.startTime < 86400);
  FUZZ_CHECK(o.dt >= 0.0001 && o.dt <= 3600);
  FUZZ_CHECK(o.frames >= 1 && o.frames <= 1000000000L);
  FUZZ_CHECK(o.every >= 1 && o.every <= 1000000000L);
  for (const auto& [key, text] : o.settings) {
    FUZZ_CHECK(key == "Level" || key == "Faces" || key == "Sound");
  }
  FUZZ_CHECK(o.family == ui::PlatformFamily::WindowsNT ||
             o.family == ui::PlatformFamily::Windows9x || o.family == ui::PlatformFamily::Unknown);
  return 0;
}
