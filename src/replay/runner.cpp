#include "replay/runner.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include "game/frm_grinzo.h"
#include "replay/script.h"
#include "replay/state_json.h"
#include "start/modes.h"
#include "ui/gdi/gdi.h"
#include "ui/headless/headless_platform.h"
#include "ui/runtime/app_info.h"
#include "ui/runtime/convert.h"
#include "ui/runtime/random.h"

namespace grinzo::replay {

namespace fs = std::filesystem;

namespace {

constexpr double kMinimumStep = 0.0001;
constexpr std::uintmax_t kMaxScriptBytes = 64u << 20;

double number(const std::string& option, const std::string& text) {
  try {
    const double value = rt::parseNumber(text);
    if (std::isfinite(value)) return value;
  } catch (const std::exception&) {
  }
  throw UsageError("bad value '" + text + "' for " + option);
}

long count(const std::string& option, const std::string& text, long low) {
  const double value = number(option, text);
  if (value != std::floor(value) || value < low || value > 1e9) {
    throw UsageError("bad value '" + text + "' for " + option);
  }
  return static_cast<long>(value);
}

// A fresh, empty folder under the system's temporary folder.
fs::path freshFolder(const std::string& prefix) {
  std::random_device entropy;
  const fs::path base = fs::temp_directory_path();
  for (int attempt = 0; attempt < 100; ++attempt) {
    const fs::path candidate = base / (prefix + std::to_string(entropy()));
    if (fs::create_directory(candidate)) return candidate;
  }
  throw std::runtime_error("cannot make a temporary folder in " + base.string());
}

// Removes the folders a run made for itself, whatever way the run ends.
struct TemporaryFolders {
  std::vector<fs::path> paths;
  ~TemporaryFolders() {
    for (const fs::path& p : paths) {
      std::error_code ignored;
      fs::remove_all(p, ignored);
    }
  }
};

// A script is a text file of a reasonable size: a device, a pipe or a huge
// file is refused before anything is read.
std::string readWholeFile(const std::string& path) {
  std::error_code ec;
  if (!fs::is_regular_file(path, ec)) throw std::runtime_error("not a regular file");
  const std::uintmax_t size = fs::file_size(path, ec);
  if (ec) throw std::runtime_error("cannot read \"" + path + "\"");
  if (size > kMaxScriptBytes) {
    throw std::runtime_error("larger than " + std::to_string(kMaxScriptBytes >> 20) + " MiB");
  }
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read \"" + path + "\"");
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

std::string frameFileName(long frame) {
  std::string digits = std::to_string(frame);
  if (digits.size() < 6) digits.insert(0, 6 - digits.size(), '0');
  return "frame-" + digits + ".bmp";
}

}  // namespace

std::string usageText() {
  return "usage: grinzo-headless [--mode s|p] [--size WxH] [--desktop FILE.bmp]\n"
         "         [--start-time SECONDS] [--dt SECONDS] [--frames N]\n"
         "         [--setting KEY=TEXT]... [--registry-password TEXT]\n"
         "         [--password-answer accept|refuse] [--folder DIR] [--user-data DIR]\n"
         "         [--family nt|9x|unknown] [--script FILE] [--state FILE]\n"
         "         [--record DIR] [--every K] [--demo [--seed N]] [--hourly FILE]\n"
         "         [--timing FILE] [--vectors none|avx2|avx512]\n";
}

RunOptions parseArguments(const std::vector<std::string>& args) {
  RunOptions o;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    const auto value = [&]() -> const std::string& {
      if (i + 1 >= args.size()) throw UsageError("missing value after " + arg);
      return args[++i];
    };
    if (arg == "--mode") {
      const std::string& v = value();
      if (v != "s" && v != "p") throw UsageError("bad mode '" + v + "' (s or p)");
      o.preview = v == "p";
    } else if (arg == "--size") {
      const std::string& v = value();
      const auto x = v.find('x');
      if (x == std::string::npos) throw UsageError("bad size '" + v + "' (WxH)");
      o.width = static_cast<int>(count("--size", v.substr(0, x), 1));
      o.height = static_cast<int>(count("--size", v.substr(x + 1), 1));
      if (o.width > 16384 || o.height > 16384) throw UsageError("size '" + v + "' too large");
    } else if (arg == "--desktop") {
      o.desktop = value();
    } else if (arg == "--start-time") {
      o.startTime = number(arg, value());
      if (o.startTime < 0 || o.startTime >= 86400)
        throw UsageError("--start-time must lie in 0 to 86400 seconds");
    } else if (arg == "--dt") {
      o.dt = number(arg, value());
      // Below a tenth of a millisecond the clock, a reading of some ten
      // thousand seconds, may not move at all, and the run would never end.
      if (!(o.dt >= kMinimumStep) || o.dt > 3600)
        throw UsageError("--dt must lie from 0.0001 up to 3600 seconds");
    } else if (arg == "--frames") {
      o.frames = count(arg, value(), 1);
    } else if (arg == "--setting") {
      const std::string& v = value();
      const auto eq = v.find('=');
      const std::string key = v.substr(0, eq);
      if (eq == std::string::npos || (key != "Level" && key != "Faces" && key != "Sound"))
        throw UsageError("bad setting '" + v + "' (Level=, Faces= or Sound=TEXT)");
      o.settings.emplace_back(key, v.substr(eq + 1));
    } else if (arg == "--registry-password") {
      o.registryPassword = value();
    } else if (arg == "--password-answer") {
      const std::string& v = value();
      if (v != "accept" && v != "refuse")
        throw UsageError("bad password answer '" + v + "' (accept or refuse)");
      o.acceptPassword = v == "accept";
    } else if (arg == "--folder") {
      o.folder = value();
    } else if (arg == "--user-data") {
      o.userDataFolder = value();
    } else if (arg == "--family") {
      const std::string& v = value();
      if (v == "nt") {
        o.family = ui::PlatformFamily::WindowsNT;
      } else if (v == "9x") {
        o.family = ui::PlatformFamily::Windows9x;
      } else if (v == "unknown") {
        o.family = ui::PlatformFamily::Unknown;
      } else {
        throw UsageError("bad family '" + v + "' (nt, 9x or unknown)");
      }
    } else if (arg == "--script") {
      o.script = value();
    } else if (arg == "--state") {
      o.state = value();
    } else if (arg == "--record") {
      o.record = value();
    } else if (arg == "--every") {
      o.every = count(arg, value(), 1);
    } else if (arg == "--hourly") {
      o.hourly = value();
    } else if (arg == "--timing") {
      o.timing = value();
    } else if (arg == "--vectors") {
      o.vectors = value();
      if (o.vectors != "none" && o.vectors != "avx2" && o.vectors != "avx512")
        throw UsageError("--vectors takes none, avx2 or avx512, not '" + o.vectors + "'");
    } else if (arg == "--demo") {
      o.demo = true;
    } else if (arg == "--seed") {
      const std::string& v = value();
      const bool digits =
          !v.empty() && v.size() <= 10 && v.find_first_not_of("0123456789") == std::string::npos;
      if (!digits || std::stoull(v) > 0xFFFFFFFFull)
        throw UsageError("--seed takes a whole number from 0 to 4294967295, not '" + v + "'");
      o.seed = static_cast<std::uint32_t>(std::stoull(v));
    } else {
      throw UsageError("unknown option '" + arg + "'");
    }
  }
  return o;
}

int runGame(const RunOptions& o, const std::string& assetFolder, std::ostream& err) {
  using WallClock = std::chrono::steady_clock;
  const WallClock::time_point began = WallClock::now();
  if (!o.vectors.empty()) gdi::LimitVectorInstructions(o.vectors);
  std::vector<headless::InputEvent> script;
  if (!o.script.empty()) {
    try {
      script = parseScript(readWholeFile(o.script));
    } catch (const std::exception& e) {
      err << "grinzo-headless: script " << o.script << ": " << e.what() << "\n";
      return kRunBadInput;
    }
  }

  TemporaryFolders temporary;
  headless::HeadlessOptions h;
  h.family = o.family;
  h.startTime = o.startTime;
  // The preview's host window has the run's size; the screen behind it is
  // at least 800 x 600.
  const int screenWidth = o.preview ? std::max(o.width, 800) : o.width;
  const int screenHeight = o.preview ? std::max(o.height, 600) : o.height;
  h.screen.primary = {0, 0, screenWidth, screenHeight};
  h.screen.virtualScreen = h.screen.primary;
  try {
    if (o.folder.empty()) {
      const fs::path folder = freshFolder("grinzo-headless-");
      temporary.paths.push_back(folder);
      for (const char* asset :
           {"mouseicon.ico", "grinzo.ico", "gun.wav", "shotgun.wav", "machgun.wav"}) {
        std::error_code missing;  // a missing asset shows as the game's own failure
        fs::copy_file(fs::path(assetFolder) / asset, folder / asset, missing);
      }
      h.programFolder = folder.string();
    } else {
      h.programFolder = o.folder;
    }
    if (o.userDataFolder.empty()) {
      const fs::path userData = freshFolder("grinzo-headless-user-");
      temporary.paths.push_back(userData);
      h.userDataFolder = (userData / rt::kAppTitle).string();
    } else {
      h.userDataFolder = o.userDataFolder;
    }
  } catch (const std::exception& e) {
    err << "grinzo-headless: " << e.what() << "\n";
    return kRunFailed;
  }

  headless::HeadlessPlatform platform(h);
  if (!o.desktop.empty()) {
    try {
      platform.setDesktop(gdi::ReadBitmapFile(o.desktop));
    } catch (const std::exception& e) {
      err << "grinzo-headless: " << e.what() << "\n";
      return kRunFailed;
    }
  }
  for (const auto& [key, text] : o.settings)
    platform.setSetting(rt::kAppTitle, "Settings", key, text);
  if (o.registryPassword) {
    ui::RegistryValue value{1, {o.registryPassword->begin(), o.registryPassword->end()}};
    value.data.push_back(0);
    platform.setRegistryValue(ui::kHkeyCurrentUser, "Control Panel\\Desktop",
                              "ScreenSaveUsePassword", value);
  }
  platform.setPasswordAnswer(o.acceptPassword);
  // The clock of frame k reads startTime + k * dt; an event is due at the first
  // frame at or after its time, which a rounding error must not postpone.
  // In time order first (events of one time keep their order), so that
  // every post appends and a long script costs its length.
  std::stable_sort(script.begin(), script.end(),
                   [](const auto& a, const auto& b) { return a.time < b.time; });
  for (headless::InputEvent event : script) {
    event.time += o.startTime - 1e-7;
    platform.post(std::move(event));
  }

  // The long-run summary: after each hour of game time, what must stay flat
  // (live drawing objects, faces, pending splats) and what must go on (the
  // level clock's ticks, the time of day across midnights).
  // Output files named on the command line, opened anew; false when one
  // cannot be written (the message names it).
  const auto openOutput = [&](const std::string& path, const char* what, std::ofstream& out) {
    if (path.empty()) return true;
    out.open(path, std::ios::binary | std::ios::trunc);
    if (!out) err << "grinzo-headless: cannot write the " << what << " file \"" << path << "\"\n";
    return static_cast<bool>(out);
  };
  std::ofstream hourly;
  if (!openOutput(o.hourly, "summary", hourly)) return kRunFailed;
  long ticksThisHour = 0, hoursDone = 0;
  int lastTimeLeft = -1;

  std::ofstream state;
  if (!openOutput(o.state, "state", state)) return kRunFailed;
  // Real time, for the benchmarks: from the start of the run to the end of
  // the first frame, and every frame after it.
  std::ofstream timing;
  if (!openOutput(o.timing, "timing", timing)) return kRunFailed;
  double startupMs = 0;
  std::vector<double> frameMs;
  WallClock::time_point lastFrameEnd = began;
  if (!o.record.empty()) {
    std::error_code failed;
    fs::create_directories(o.record, failed);
    if (failed) {
      err << "grinzo-headless: cannot make the folder \"" << o.record << "\"\n";
      return kRunFailed;
    }
  }

  // A random source of the run's own, so that every run starts alike.
  rt::RandomSource random;
  game::frmGrinzo game(platform, o.preview, random);
  if (o.demo) game.setDemoPlayer(std::make_unique<game::DemoPlayer>(o.seed));
  // The clock moves by whole steps of dt from an anchor, computed afresh
  // each time so that no rounding error piles up over a long run. The anchor
  // is the start, until the game's wait for its next frame (with a dt
  // shorter than a frame's time) moves the clock further: the steps then go
  // on from there.
  double clockAnchor = o.startTime;
  long clockSteps = 0;
  const auto advanceClock = [&] {
    const double reading = platform.manualClock().continuousSeconds();
    if (reading > clockAnchor + static_cast<double>(clockSteps) * o.dt) {
      clockAnchor = reading;
      clockSteps = 0;
    }
    ++clockSteps;
    platform.manualClock().set(clockAnchor + static_cast<double>(clockSteps) * o.dt);
  };
  long frame = 0;
  std::size_t soundsSeen = 0;
  std::size_t messagesSeen = 0;
  std::string failure;
  game.setFrameListener([&] {
    ++frame;
    if (timing.is_open()) {
      const WallClock::time_point now = WallClock::now();
      const double ms = std::chrono::duration<double, std::milli>(now - lastFrameEnd).count();
      if (frame == 1) {
        startupMs = ms;
      } else {
        frameMs.push_back(ms);
      }
      lastFrameEnd = now;
    }
    FrameRecord record;
    record.frame = frame;
    record.time = platform.manualClock().continuousSeconds() - o.startTime;
    const auto& sounds = platform.soundsPlayed();
    for (; soundsSeen < sounds.size(); ++soundsSeen)
      record.sounds.push_back(fs::path(sounds[soundsSeen]).filename().string());
    const auto& messages = platform.messageBoxes();
    for (; messagesSeen < messages.size(); ++messagesSeen)
      record.messages.push_back(messages[messagesSeen]);
    if (state.is_open()) state << stateJson(game, record) << '\n';
    if (hourly.is_open()) {
      if (game.timeLeft() != lastTimeLeft) ++ticksThisHour;
      lastTimeLeft = game.timeLeft();
      if (record.time >= 3600.0 * static_cast<double>(hoursDone + 1)) {
        ++hoursDone;
        hourly << "{\"hour\":" << hoursDone << ",\"frame\":" << frame
               << ",\"timeOfDay\":" << platform.manualClock().secondsSinceMidnight()
               << ",\"level\":" << game.level() << ",\"levelTicks\":" << ticksThisHour
               << ",\"faces\":" << (game.faces() ? game.faces()->Count() : 0)
               << ",\"pendingBlobs\":" << (game.pendingBlobs() ? game.pendingBlobs()->Count() : 0)
               << ",\"liveObjects\":" << gdi::LiveObjectCount()
               << ",\"idle\":" << (game.idle() ? "true" : "false") << "}\n"
               << std::flush;
        ticksThisHour = 0;
      }
    }
    if (!o.record.empty() && frame % o.every == 0 && failure.empty()) {
      try {
        headless::HeadlessPlatform::saveFrame(game,
                                              (fs::path(o.record) / frameFileName(frame)).string());
      } catch (const std::exception& e) {
        failure = e.what();
      }
    }
    advanceClock();
    // Enough frames (or a recording that failed): the close request makes
    // this frame the last.
    if (frame >= o.frames || !failure.empty()) game.unload(forms::UnloadMode::FormCode);
  });

  try {
    if (o.preview) {
      start::showPreview(game, platform.addHostWindow({o.width, o.height}));
    } else {
      start::showFullScreen(game);
    }
  } catch (const std::exception& e) {
    err << "grinzo-headless: the game could not start: " << e.what() << "\n";
    return kRunFailed;
  }

  // The loop runs inside the timer's first tick and returns when the game ends.
  // Time 0 of the run is the window's load; the timer's first tick, a frame
  // later, starts the loop.
  while (game.isLoaded()) {
    advanceClock();
    platform.processPendingMessages();
  }
  if (!failure.empty()) {
    err << "grinzo-headless: " << failure << "\n";
    return kRunFailed;
  }
  if (timing.is_open()) {
    std::sort(frameMs.begin(), frameMs.end());
    double total = 0;
    for (double ms : frameMs) total += ms;
    const std::size_t n = frameMs.size();
    timing << "{\"startupMs\":" << startupMs << ",\"frames\":" << n
           << ",\"medianFrameMs\":" << (n ? frameMs[n / 2] : 0)
           << ",\"meanFrameMs\":" << (n ? total / n : 0) << ",\"vectors\":\""
           << gdi::VectorInstructionsInUse() << "\"}\n";
  }
  if (state.is_open()) {
    state.flush();
    if (!state) {
      err << "grinzo-headless: writing the state file \"" << o.state << "\" failed\n";
      return kRunFailed;
    }
  }
  return kRunOk;
}

}  // namespace grinzo::replay
