// grinzo-headless: plays the game without any display, on the headless
// backend, with scripted input; writes its state after every frame and its
// pictures as bitmap files. The replay tool of the tests, and a recorder.

#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "replay/runner.h"

int main(int argc, char** argv) {
  using namespace grinzo::replay;
  const std::vector<std::string> args(argv + 1, argv + argc);
  RunOptions options;
  try {
    options = parseArguments(args);
  } catch (const UsageError& e) {
    std::cerr << "grinzo-headless: " << e.what() << "\n" << usageText();
    return kRunBadInput;
  }
  // The assets are generated beside the program.
  std::error_code ignored;
  std::filesystem::path self = std::filesystem::absolute(argv[0], ignored);
  return runGame(options, self.parent_path().string(), std::cerr);
}
