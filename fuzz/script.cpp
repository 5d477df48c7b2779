// The headless runner's input script (src/replay/script.h) on any text: a
// malformed line is a ScriptError naming its line, nothing else may escape,
// and every event accepted lies in the ranges the game's handlers assume.
// The events are then queued on a headless platform as grinzo-headless
// queues them (in file order, whatever their times), and the clock must
// take out of the queue exactly those whose time it has passed.

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_check.h"
#include "replay/script.h"
#include "ui/headless/headless_platform.h"

using namespace grinzo;
using Kind = headless::InputEvent::Kind;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  std::vector<headless::InputEvent> events;
  try {
    events = replay::parseScript(text);
  } catch (const replay::ScriptError& e) {
    FUZZ_CHECK(std::string_view(e.what()).starts_with("line "));
    return 0;
  }
  FUZZ_CHECK(events.size() <=
             static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')) + 1);
  for (const headless::InputEvent& e : events) {
    FUZZ_CHECK(std::isfinite(e.time) && e.time >= 0);
    switch (e.kind) {
      case Kind::MouseMove:
        FUZZ_CHECK(e.button >= 0 && e.button <= 7);
        break;
      case Kind::MouseDown:
      case Kind::MouseUp:
        FUZZ_CHECK(e.button == 1 || e.button == 2 || e.button == 4);
        break;
      case Kind::Key:
        FUZZ_CHECK(e.key >= 1 && e.key <= 255);
        break;
      case Kind::Close:
        break;
      default:
        FUZZ_CHECK(!"an event kind scripts do not have");
    }
    if (e.kind != Kind::Key && e.kind != Kind::Close) {
      FUZZ_CHECK(std::isfinite(e.x) && std::fabs(e.x) <= 32767);
      FUZZ_CHECK(std::isfinite(e.y) && std::fabs(e.y) <= 32767);
    }
  }

  // Queued as the runner does (src/replay/runner.cpp), on a tiny screen so
  // that the platform costs nothing to make.
  constexpr double kStart = 43200;
  headless::HeadlessOptions options;
  options.screen = {1, {0, 0, 4, 4}, {0, 0, 4, 4}, 15, 15};
  options.startTime = kStart;
  headless::HeadlessPlatform platform(options);
  std::vector<double> times;
  for (headless::InputEvent e : events) {
    e.time += kStart - 1e-7;
    times.push_back(e.time);
    platform.post(std::move(e));
  }
  FUZZ_CHECK(platform.pendingInput() == events.size());
  std::sort(times.begin(), times.end());
  // Half way, then past the end: exactly the events due by then are gone.
  if (!times.empty()) {
    const double middle = times[times.size() / 2];
    platform.manualClock().set(middle);
    platform.processPendingMessages();
    const auto due = std::upper_bound(times.begin(), times.end(), middle) - times.begin();
    FUZZ_CHECK(platform.pendingInput() == times.size() - static_cast<std::size_t>(due));
    platform.manualClock().set(times.back());
    platform.processPendingMessages();
  }
  FUZZ_CHECK(platform.pendingInput() == 0);
  return 0;
}
