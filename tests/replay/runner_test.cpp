#include "replay/runner.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "replay/script.h"

namespace grinzo::replay {
namespace {

namespace fs = std::filesystem;

std::string slurp(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

std::vector<std::string> lines(const std::string& text) {
  std::vector<std::string> out;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) out.push_back(line);
  return out;
}

// The number after "name": in a state line (the first occurrence).
long field(const std::string& json, const std::string& name) {
  const auto at = json.find("\"" + name + "\":");
  return at == std::string::npos ? -99999 : std::stol(json.substr(at + name.size() + 3));
}

// Each face's place in a state line, by key.
std::map<std::string, std::pair<long, long>> facePlaces(const std::string& json) {
  std::map<std::string, std::pair<long, long>> places;
  const std::string tag = "{\"key\":\"";
  for (auto at = json.find(tag); at != std::string::npos; at = json.find(tag, at + 1)) {
    const auto keyEnd = json.find('"', at + tag.size());
    const std::string face = json.substr(at, json.find('}', at) - at);
    places[json.substr(at + tag.size(), keyEnd - at - tag.size())] = {field(face, "x"),
                                                                      field(face, "y")};
  }
  return places;
}

class RunnerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = fs::path(::testing::TempDir()) / "grinzo-runner";
    fs::remove_all(dir);
    fs::create_directories(dir);
    const char* assets = std::getenv("GRINZO_ASSETS");
    assetFolder = assets ? assets : "assets";
  }
  int run(std::vector<std::string> args) {
    err.str("");
    try {
      return runGame(parseArguments(args), assetFolder, err);
    } catch (const UsageError& e) {
      err << e.what();
      return kRunBadInput;
    }
  }
  void writeScript(const std::string& text) { std::ofstream(dir / "script.txt") << text; }
  fs::path dir;
  std::string assetFolder;
  std::ostringstream err;
};

TEST_F(RunnerTest, ScriptLinesAreParsedAndAMalformedOneIsNamed) {
  const auto events =
      parseScript("# a comment\n\n0.5 move 10 20 1\r\n1 down 2 3.5 4\n2 key 83\n3 close\n");
  ASSERT_EQ(events.size(), 4u);
  EXPECT_EQ(events[0].kind, headless::InputEvent::Kind::MouseMove);
  EXPECT_EQ(events[0].button, 1);
  EXPECT_EQ(events[1].kind, headless::InputEvent::Kind::MouseDown);
  EXPECT_FLOAT_EQ(events[1].x, 3.5f);
  EXPECT_EQ(events[2].key, 83);
  for (const char* bad : {"1 down 3 5 5", "x move 1 2 0", "1 move 1 2", "1 jump", "1 key 0",
                          "-1 close", "1 close now", "1 move 1e9 2 0"}) {
    try {
      parseScript(std::string("0 close\n") + bad + "\n");
      ADD_FAILURE() << bad;
    } catch (const ScriptError& e) {
      EXPECT_NE(std::string(e.what()).find("line 2"), std::string::npos) << e.what();
    }
  }
}

TEST_F(RunnerTest, BadArgumentsAndScriptsExitTwoAndStartFailuresOne) {
  EXPECT_EQ(run({"--frames", "0"}), kRunBadInput);
  EXPECT_EQ(run({"--size", "800"}), kRunBadInput);
  EXPECT_EQ(run({"--setting", "Colour=red"}), kRunBadInput);
  EXPECT_EQ(run({"--bogus"}), kRunBadInput);
  EXPECT_EQ(run({"--demo", "--seed", "4294967296"}), kRunBadInput);
  // A clock step too small to move the clock, and a script that never ends.
  EXPECT_EQ(run({"--dt", "1e-300", "--frames", "5"}), kRunBadInput);
  EXPECT_EQ(run({"--dt", "0.00009"}), kRunBadInput);
  EXPECT_EQ(run({"--script", "/dev/zero"}), kRunBadInput);
  EXPECT_EQ(run({"--demo", "--seed", "-1"}), kRunBadInput);
  writeScript("0.1 click 1 2\n");
  EXPECT_EQ(run({"--script", (dir / "script.txt").string()}), kRunBadInput);
  EXPECT_NE(err.str().find("line 1"), std::string::npos);

  fs::create_directories(dir / "empty");
  EXPECT_EQ(run({"--folder", (dir / "empty").string(), "--frames", "5"}), kRunFailed);
  EXPECT_NE(err.str().find("mouseicon.ico"), std::string::npos) << err.str();
}

TEST_F(RunnerTest, RunsAreDeterministicAndAReplayedClickKillsAFace) {
  const auto once = [&](const std::string& name, const std::string& script) {
    writeScript(script);
    const int status =
        run({"--frames", "60", "--size", "320x240", "--script", (dir / "script.txt").string(),
             "--state", (dir / (name + ".jsonl")).string(), "--record", (dir / name).string(),
             "--every", "20"});
    EXPECT_EQ(status, kRunOk) << err.str();
    return slurp(dir / (name + ".jsonl"));
  };
  const std::string first = once("a", "");
  EXPECT_EQ(first, once("b", ""));
  for (const char* frame : {"frame-000020.bmp", "frame-000040.bmp", "frame-000060.bmp"})
    EXPECT_EQ(slurp(dir / "a" / frame), slurp(dir / "b" / frame)) << frame;
  const std::vector<std::string> states = lines(first);
  ASSERT_EQ(states.size(), 60u);
  EXPECT_EQ(field(states[0], "frame"), 1);
  EXPECT_EQ(field(states[0], "left"), 100);

  // Aim at the middle of face "1" as frame 1 left it; the click arrives at
  // the start of frame 2, before the faces move again.
  const long x = field(states[0], "x") + 15;
  const long y = field(states[0], "y") + 15;
  const std::string shot =
      once("c", "0.04 down 1 " + std::to_string(x) + " " + std::to_string(y) + "\n1.0 key 27\n");
  const std::vector<std::string> after = lines(shot);
  EXPECT_EQ(field(after[1], "left"), 99);
  EXPECT_NE(after[1].find("\"sounds\":[\"gun.wav\"]"), std::string::npos);
  EXPECT_EQ(after[1].find("\"key\":\"1\","), std::string::npos) << "face 1 is gone";
  ASSERT_LT(after.size(), 60u) << "the key press ended the game";
  EXPECT_NE(after.back().find("\"exit\":true"), std::string::npos);
}

// Ten minutes of the computer playing from level 1 with 10 faces at
// 1920x1080, read from the state lines: it passes levels, fires all three
// weapons, hits faces (splats) and misses now and then (holes alone), and
// never ends the game; the same seed replays byte for byte.
TEST_F(RunnerTest, TheDemoPlaysTenMinutesWellAndReplaysByteForByte) {
  std::vector<std::string> args = {"--demo",
                                   "--seed",
                                   "7",
                                   "--size",
                                   "1920x1080",
                                   "--dt",
                                   "0.1",
                                   "--frames",
                                   "6000",
                                   "--setting",
                                   "Level=1",
                                   "--setting",
                                   "Faces=10",
                                   "--setting",
                                   "Sound=Yes",
                                   "--state",
                                   (dir / "first.jsonl").string()};
  ASSERT_EQ(run(args), kRunOk) << err.str();
  long highestLevel = 0, hits = 0, misses = 0, level = -1, left = -1;
  std::set<std::string> sounds;
  const std::vector<std::string> states = lines(slurp(dir / "first.jsonl"));
  ASSERT_EQ(states.size(), 6000u);
  for (const std::string& line : states) {
    ASSERT_NE(line.find("\"exit\":false"), std::string::npos) << line.substr(0, 80);
    const long nowLevel = field(line, "level");
    const long nowLeft = field(line, "left");
    const bool handgun = line.find("\"gun.wav\"") != std::string::npos;
    for (const char* sound : {"\"gun.wav\"", "\"shotgun.wav\"", "\"machgun.wav\""}) {
      if (line.find(sound) != std::string::npos) sounds.insert(sound);
    }
    if (nowLevel == level) {
      hits += left - nowLeft;
      if (handgun && nowLeft == left) ++misses;
    }
    highestLevel = std::max(highestLevel, nowLevel);
    level = nowLevel;
    left = nowLeft;
  }
  EXPECT_GE(highestLevel, 3);
  EXPECT_EQ(sounds.size(), 3u);
  EXPECT_GT(hits, 300);
  EXPECT_GT(misses, 10);

  args.back() = (dir / "again.jsonl").string();
  ASSERT_EQ(run(args), kRunOk) << err.str();
  EXPECT_TRUE(slurp(dir / "first.jsonl") == slurp(dir / "again.jsonl"));
}

// A machine far faster than the display (a frame ready every millisecond):
// the loop waits for each frame's time, so the step stays above a pixel and
// every face moves at about 25 x (level + 2.5) pixels a second. Unpaced, each
// step would round away to nothing and the faces would stand still.
TEST_F(RunnerTest, FacesKeepTheirSpeedOnAFastMachine) {
  for (const int level : {1, 5}) {
    const fs::path state = dir / ("fast-" + std::to_string(level) + ".jsonl");
    ASSERT_EQ(
        run({"--size", "1920x1080", "--dt", "0.001", "--frames", "700", "--setting",
             "Level=" + std::to_string(level), "--setting", "Faces=10", "--state", state.string()}),
        kRunOk)
        << err.str();
    const std::vector<std::string> states = lines(slurp(state));
    ASSERT_EQ(states.size(), 700u);
    // From the 100th frame on, well after the speed was measured.
    std::map<std::string, long> distance;
    for (std::size_t i = 100; i < states.size(); ++i) {
      const auto before = facePlaces(states[i - 1]);
      for (const auto& [key, place] : facePlaces(states[i])) {
        const auto& [x, y] = before.at(key);
        distance[key] += std::labs(place.first - x) + std::labs(place.second - y);
      }
    }
    const double seconds = std::stod(states.back().substr(states.back().find("\"time\":") + 7)) -
                           std::stod(states[99].substr(states[99].find("\"time\":") + 7));
    EXPECT_NEAR(seconds, 10.0, 0.1) << "600 frames at 60 a second";
    ASSERT_EQ(distance.size(), 10u);
    long total = 0;
    for (const auto& [key, pixels] : distance) {
      EXPECT_GT(pixels, 0) << "face " << key << " stood still at level " << level;
      total += pixels;
    }
    const double expected = 25 * (level + 2.5);
    EXPECT_NEAR(total / 10.0 / seconds, expected, 0.4 * expected) << "level " << level;
  }
}

}  // namespace
}  // namespace grinzo::replay
