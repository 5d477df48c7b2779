// The three stored settings ("Level", "Faces", "Sound") as any text, read by
// the two windows that read them, on the headless backend:
//  - the game window (frmGrinzo::readSettings): a number that does not read
//    as a 16-bit integer counts as its default, the level is the stored one
//    when its hits needed (10 x level + 90) fit 16 bits and 1 otherwise,
//    sound is on for exactly "Yes"; a game of a few faces then starts that
//    level, which holds through its first frame unless it needs no hits;
//  - the configuration dialog (frmConfig): the boxes show the stored texts
//    unchanged, the focus leaves a box only when its text is a number in
//    range (1 to 10, 1 to 32767), and closing saves the texts as shown.
// The screen is tiny (and its pixels large, so the windows' images are too)
// and the game runs one frame at most: a run costs a few milliseconds under
// the sanitizers. Nothing may leak a drawing object.
//
// Input (FuzzedDataProvider): the texts of Level, Faces and Sound from the
// front, each ended by a backslash and another character; from the back, a
// byte per key saying whether it is stored at all.

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include <unistd.h>  // getpid: a scratch name per process

#include "config/frm_config.h"
#include "config/settings.h"
#include "fuzz_check.h"
#include "game/frm_grinzo.h"
#include "start/modes.h"
#include "ui/gdi/icon_file.h"
#include "ui/headless/headless_platform.h"
#include "ui/runtime/app_info.h"
#include "ui/runtime/convert.h"
#include "ui/runtime/random.h"

using namespace grinzo;
namespace fs = std::filesystem;

namespace {

// The program's folder: the game needs a pointer icon there and writes its
// photograph and files into it. One per process, removed at exit.
struct ProgramFolder {
  fs::path path;
  ProgramFolder() {
    path = fs::temp_directory_path() / ("grinzo-fuzz-settings-" + std::to_string(getpid()));
    fs::create_directories(path / "user");
    gdi::IndexedIcon icon{
        16, 16, {}, std::vector<std::uint8_t>(256, 1), std::vector<bool>(256, false)};
    icon.palette[1] = gdi::rgb(255, 255, 255);
    gdi::WriteIconFile((path / game::kPointerFile).string(), gdi::EncodeIconFile({icon}));
  }
  ~ProgramFolder() {
    std::error_code ignored;
    fs::remove_all(path, ignored);
  }
};

headless::HeadlessOptions tinyScreen(const ProgramFolder& folder) {
  headless::HeadlessOptions o;
  o.screen = {1, {0, 0, 48, 32}, {0, 0, 48, 32}, 240, 240};
  o.programFolder = folder.path.string();
  o.userDataFolder = (folder.path / "user").string();
  return o;
}

std::optional<std::int16_t> asInt16(const std::string& text) {
  try {
    return rt::textToInt16(text);
  } catch (const rt::RuntimeError&) {
    return std::nullopt;
  }
}

bool inRange(const std::string& text, double low, double high) {
  try {
    const double value = rt::parseNumber(text);
    return value >= low && value <= high;
  } catch (const rt::RuntimeError&) {
    return false;
  }
}

struct Stored {
  std::optional<std::string> level, faces, sound;
  void into(headless::HeadlessPlatform& p) const {
    if (level) p.setSetting(rt::kAppTitle, "Settings", "Level", *level);
    if (faces) p.setSetting(rt::kAppTitle, "Settings", "Faces", *faces);
    if (sound) p.setSetting(rt::kAppTitle, "Settings", "Sound", *sound);
  }
};

// A level the game can start: its hits needed, 10 x level + 90, worked out in
// 16 bits. Levels of 0 and below that fit are meant (they need few or no
// hits and pass at once); only the ones that leave 16 bits are unreadable.
bool playable(int level) {
  return 10 * level >= -32768 && 10 * level <= 32767 && 10 * level + 90 >= -32768 &&
         10 * level + 90 <= 32767;
}

void checkGame(const ProgramFolder& folder, const Stored& stored) {
  const std::int16_t faces = asInt16(stored.faces.value_or("10")).value_or(10);
  const std::int16_t storedLevel = asInt16(stored.level.value_or("1")).value_or(1);
  const bool sound = stored.sound.value_or("Yes") == "Yes";

  headless::HeadlessPlatform platform(tinyScreen(folder));
  stored.into(platform);
  rt::RandomSource random;
  game::frmGrinzo game(platform, /*preview=*/false, random);
  start::showFullScreen(game);
  FUZZ_CHECK(game.faceCount() == faces);
  FUZZ_CHECK(game.soundOn() == sound);
  // The stored level when the game can play it; otherwise it counts as
  // unreadable, and the default takes its place.
  const std::int16_t level = game.startingLevel();
  FUZZ_CHECK(level == storedLevel || level == 1);
  FUZZ_CHECK(playable(level));
  if (playable(storedLevel)) FUZZ_CHECK(level == storedLevel);
  // Thousands of faces would only cost time: the level rules are the same.
  if (faces <= 16) {
    game.StartLoop();
    FUZZ_CHECK(game.level() == level);
    FUZZ_CHECK(game.grinzosLeft() == 10 * level + 90);
    FUZZ_CHECK(game.faces() && game.faces()->Count() == std::max<int>(faces, 0));
    platform.manualClock().advance(0.02);
    FUZZ_CHECK(game.RunFrame());
    // A level that needs no hits is passed at the first frame.
    FUZZ_CHECK(game.level() == (10 * level + 90 < 1 ? level + 1 : level));
  }
  start::closeForGood(game);
  FUZZ_CHECK(!game.isLoaded());
}

void checkDialog(const ProgramFolder& folder, const Stored& stored) {
  const std::string level = stored.level.value_or(config::kDefaultLevel);
  const std::string faces = stored.faces.value_or(config::kDefaultFaces);
  const bool sound = config::soundIsOn(stored.sound.value_or(config::kSoundOn));

  headless::HeadlessPlatform platform(tinyScreen(folder));
  stored.into(platform);
  config::frmConfig dialog(platform);
  dialog.show();
  forms::Control& levelBox = dialog.control("txtStartingLevel");
  forms::Control& facesBox = dialog.control("txtNumber");
  FUZZ_CHECK(levelBox.text() == level);
  FUZZ_CHECK(facesBox.text() == faces);
  FUZZ_CHECK(dialog.control("chkSound").value() == (sound ? 1 : 0));
  FUZZ_CHECK(dialog.activeControl() == &levelBox);

  const bool levelOk = inRange(level, 1, 10);
  FUZZ_CHECK(dialog.setFocus(facesBox) == levelOk);
  std::size_t refusals = levelOk ? 0 : 1;
  if (levelOk) {
    const bool facesOk = inRange(faces, 1, 32767);
    FUZZ_CHECK(dialog.setFocus(dialog.control("chkSound")) == facesOk);
    refusals += facesOk ? 0 : 1;
  }
  FUZZ_CHECK(platform.messageBoxes().size() == refusals);

  platform.post({.kind = headless::InputEvent::Kind::Close});
  platform.processPendingMessages();
  FUZZ_CHECK(!dialog.isLoaded());
  FUZZ_CHECK(platform.settingsWrites() ==
             (std::vector<std::string>{"Level=" + level, "Faces=" + faces,
                                       std::string("Sound=") + (sound ? "Yes" : "No")}));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const ProgramFolder folder;
  FuzzedDataProvider in(data, size);
  Stored stored;
  for (std::optional<std::string>* text : {&stored.level, &stored.faces, &stored.sound}) {
    const bool present = in.ConsumeBool();
    std::string value = in.ConsumeRandomLengthString(64);
    if (present) *text = std::move(value);
  }

  const int objects = gdi::LiveObjectCount();
  checkGame(folder, stored);
  checkDialog(folder, stored);
  FUZZ_CHECK(gdi::LiveObjectCount() == objects);
  return 0;
}
