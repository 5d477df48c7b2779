#include "config/frm_config.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "game/frm_grinzo.h"
#include "start/modes.h"
#include "ui/forms/dialog_keys.h"
#include "ui/headless/headless_platform.h"
#include "ui/layouts/layouts.h"

namespace grinzo::config {
namespace {

using forms::Control;
using headless::HeadlessPlatform;
using headless::InputEvent;

constexpr const char* kApp = "Grinzo Screensaver";
constexpr const char* kLevelMessage = "Please pick a number between 1 and 10.";
constexpr const char* kFacesMessage = "You must enter a number between 1 and 32767.";

class ConfigDialog : public ::testing::Test {
 protected:
  void open() {
    dialog = std::make_unique<frmConfig>(platform);
    dialog->show();
  }
  Control& box(const char* name) { return dialog->control(name); }
  // What the user does: focus the box (its text gets selected) and type.
  void enter(const char* name, const std::string& text) {
    ASSERT_TRUE(dialog->setFocus(box(name)));
    dialog->typeText(box(name), text);
  }
  void closeBox() {
    platform.post({.kind = InputEvent::Kind::Close});
    platform.processPendingMessages();
  }
  std::vector<std::string> messages() const {
    std::vector<std::string> texts;
    for (const auto& m : platform.messageBoxes()) texts.push_back(m.title + ": " + m.text);
    return texts;
  }

  HeadlessPlatform platform;
  std::unique_ptr<frmConfig> dialog;
};

TEST_F(ConfigDialog, FirstRunShowsDefaultsTitleAndVersion) {
  open();
  EXPECT_EQ(dialog->caption(), "Grinzo Screensaver Configuration");
  EXPECT_EQ(box("lblTitle").caption(), kApp);
  EXPECT_EQ(box("lblVersion").caption(), "Version 1.1.0");
  EXPECT_EQ(box("txtStartingLevel").text(), "1");
  EXPECT_EQ(box("txtNumber").text(), "10");
  EXPECT_EQ(box("chkSound").value(), 1);
  // The icon takes no focus: the first box has it, its text selected.
  EXPECT_EQ(dialog->activeControl(), &box("txtStartingLevel"));
  EXPECT_EQ(box("txtStartingLevel").selectedText(), "1");
}

TEST_F(ConfigDialog, EveryCloseSavesTheThreeSettingsInOrderAsShown) {
  open();
  closeBox();
  EXPECT_FALSE(dialog->isLoaded());
  EXPECT_EQ(platform.settingsWrites(),
            (std::vector<std::string>{"Level=1", "Faces=10", "Sound=Yes"}));
  EXPECT_EQ(platform.storedSetting(kApp, "Settings", "Faces"), "10");
  EXPECT_TRUE(messages().empty());
}

TEST_F(ConfigDialog, StoredTextsComeBackUnchangedAndOnlyExactYesMeansSound) {
  for (const char* sound : {"yes", "YES", " Yes", "No", ""}) {
    SCOPED_TRACE(sound);
    platform.setSetting(kApp, "Settings", "Level", "05");
    platform.setSetting(kApp, "Settings", "Faces", " 7 ");
    platform.setSetting(kApp, "Settings", "Sound", sound);
    open();
    EXPECT_EQ(box("txtStartingLevel").text(), "05");
    EXPECT_EQ(box("chkSound").value(), 0);
    EXPECT_TRUE(dialog->clickControl(box("cmdOK")));
    EXPECT_FALSE(dialog->isLoaded());
    EXPECT_EQ(platform.storedSetting(kApp, "Settings", "Level"), "05");
    EXPECT_EQ(platform.storedSetting(kApp, "Settings", "Faces"), " 7 ");
    EXPECT_EQ(platform.storedSetting(kApp, "Settings", "Sound"), "No");
  }
}

struct BoxCase {
  const char* box;
  const char* text;
  const char* message;  // nullptr: accepted
};

class ConfigValues : public ConfigDialog, public ::testing::WithParamInterface<BoxCase> {};

TEST_P(ConfigValues, RangeCheckOnLeavingTheBox) {
  const BoxCase c = GetParam();
  open();
  enter(c.box, c.text);
  const bool moved = dialog->focusNext();
  if (!c.message) {
    EXPECT_TRUE(moved);
    EXPECT_TRUE(messages().empty());
    EXPECT_TRUE(dialog->clickControl(box("cmdOK")));
    EXPECT_EQ(platform.storedSetting(kApp, "Settings",
                                     std::string(c.box) == "txtNumber" ? "Faces" : "Level"),
              c.text);
    return;
  }
  EXPECT_FALSE(moved);
  EXPECT_EQ(messages(), std::vector<std::string>{std::string("Error: ") + c.message});
  EXPECT_EQ(dialog->activeControl(), &box(c.box));
  EXPECT_EQ(box(c.box).selStart(), 0);
  EXPECT_EQ(box(c.box).selectedText(), c.text);
  // OK, Help, the sound box and Enter all meet the same refusal.
  EXPECT_FALSE(dialog->clickControl(box("cmdOK")));
  EXPECT_FALSE(dialog->clickControl(box("cmdHelp")));
  EXPECT_FALSE(dialog->pressMnemonic('D'));
  EXPECT_TRUE(forms::pressEnter(*dialog));
  EXPECT_TRUE(dialog->isLoaded());
  EXPECT_EQ(dialog->help(), nullptr);
  EXPECT_EQ(box("chkSound").value(), 1);
  EXPECT_EQ(messages().size(), 5u);
  EXPECT_TRUE(platform.settingsWrites().empty());
  // The title-bar close saves the refused text as it stands.
  closeBox();
  EXPECT_FALSE(dialog->isLoaded());
  EXPECT_EQ(platform.settingsWrites().size(), 3u);
  EXPECT_EQ(platform.storedSetting(kApp, "Settings",
                                   std::string(c.box) == "txtNumber" ? "Faces" : "Level"),
            c.text);
}

INSTANTIATE_TEST_SUITE_P(Level, ConfigValues,
                         ::testing::Values(BoxCase{"txtStartingLevel", "0", kLevelMessage},
                                           BoxCase{"txtStartingLevel", "11", kLevelMessage},
                                           BoxCase{"txtStartingLevel", "10.5", kLevelMessage},
                                           BoxCase{"txtStartingLevel", "", kLevelMessage},
                                           BoxCase{"txtStartingLevel", "abc", kLevelMessage},
                                           BoxCase{"txtStartingLevel", "1e999", kLevelMessage},
                                           BoxCase{"txtStartingLevel", "1", nullptr},
                                           BoxCase{"txtStartingLevel", "10", nullptr},
                                           BoxCase{"txtStartingLevel", "2.5", nullptr}));
INSTANTIATE_TEST_SUITE_P(Faces, ConfigValues,
                         ::testing::Values(BoxCase{"txtNumber", "0", kFacesMessage},
                                           BoxCase{"txtNumber", "32768", kFacesMessage},
                                           BoxCase{"txtNumber", "", kFacesMessage},
                                           BoxCase{"txtNumber", "abc", kFacesMessage},
                                           BoxCase{"txtNumber", "1", nullptr},
                                           BoxCase{"txtNumber", "32767", nullptr}));

TEST_F(ConfigDialog, TabOrderSkipsTheIconAndLabels) {
  open();
  std::vector<std::string> order;
  for (int i = 0; i < 5; ++i) {
    ASSERT_TRUE(dialog->focusNext());
    order.push_back(dialog->activeControl()->name());
  }
  EXPECT_EQ(order, (std::vector<std::string>{"txtNumber", "chkSound", "cmdOK", "cmdHelp",
                                             "txtStartingLevel"}));
  EXPECT_TRUE(forms::ownsMnemonic(*dialog, 'n'));  // a label's letter
  EXPECT_FALSE(forms::ownsMnemonic(*dialog, 'x'));
}

// Keys go through the dialog-key rule every backend uses, and the help
// blocks the dialog beneath it until it goes.
TEST_F(ConfigDialog, HelpIsModalWithFocusOnOKAndOpensAfreshEachTime) {
  open();
  std::vector<std::string> seen;  // what the user sees while the help is open
  platform.setBeforeMessages([&] {
    frmHelp* help = dialog->help();
    if (help && help->isLoaded()) {
      seen.push_back(help->activeControl()->name() +
                     (dialog->native()->isEnabled() ? " over a live dialog" : ""));
    }
  });
  using Kind = InputEvent::Kind;
  for (int i = 0; i < 2; ++i) {
    const double t = platform.clock().continuousSeconds();
    platform.post({.time = t, .kind = Kind::Key, .key = 27});  // Esc is Help
    // Aimed at the dialog beneath: an Enter would click OK, a close would save.
    platform.post({.time = t + 1, .kind = Kind::Key, .key = 13, .form = "frmConfig"});
    platform.post({.time = t + 1, .kind = Kind::Close, .form = "frmConfig"});
    platform.post({.time = t + 2, .kind = Kind::Key, .key = 13});  // the help's OK
    platform.processPendingMessages();
    EXPECT_FALSE(dialog->help()->isLoaded());
    EXPECT_TRUE(dialog->isLoaded());
    EXPECT_TRUE(dialog->native()->isEnabled());
  }
  EXPECT_EQ(seen, (std::vector<std::string>(4, "cmdOK")));
  EXPECT_TRUE(platform.settingsWrites().empty());
  // A letter is typed into the focused text box; with Alt it is a mnemonic.
  ASSERT_TRUE(dialog->setFocus(box("txtStartingLevel")));
  platform.post({.kind = Kind::Key, .key = 'n'});
  platform.processPendingMessages();
  EXPECT_EQ(box("txtStartingLevel").text(), "n");
  box("txtStartingLevel").setText("2");
  platform.post({.kind = Kind::Mnemonic, .key = 'n'});
  platform.processPendingMessages();
  EXPECT_EQ(dialog->activeControl(), &box("txtNumber"));
}

TEST(ConfigLayouts, ControlsFitTheirWindowsWithDistinctTabStopsAndMnemonics) {
  for (const forms::FormLayout* f : {&layouts::frmConfig(), &layouts::frmHelp()}) {
    SCOPED_TRACE(f->name);
    std::set<int> tabs;
    std::set<char> letters;
    for (const forms::ControlLayout& c : f->controls) {
      if (c.kind == forms::ControlKind::Line) {
        EXPECT_LE(std::max(c.x1, c.x2), f->clientWidth);
        continue;
      }
      EXPECT_LE(c.left + c.width, f->clientWidth + 15) << c.name;  // one pixel of slack
      EXPECT_LE(c.top + c.height, f->clientHeight) << c.name;
      EXPECT_TRUE(tabs.insert(c.tabIndex).second) << c.name;
      if (char m = forms::mnemonicOf(c.caption)) {
        EXPECT_TRUE(letters.insert(m).second) << c.name;
      }
    }
  }
  const std::string help = layouts::frmHelp().find("Label1")->caption;
  EXPECT_EQ(help,
            "The game is simple: Blow away the grinzo faces. Use the \"S\" button to switch "
            "between guns and exit by pushing any other key or pressing the right mouse button. "
            "Every level you pass you will gain a new weapon until you reach 3 different weapons. "
            "The objective of each level is to blast a certain number of faces: 100 for the "
            "first level, 110 for the second and so on. You get 3 minutes to beat each level; "
            "if you fail, the screensaver will reset to the starting level.");
}

}  // namespace
}  // namespace grinzo::config

namespace grinzo::config {
namespace {

// Text that never passed the range check reaches the store through the close
// box; the game then starts with its defaults instead of refusing to run.
TEST(ConfigAndGame, UncheckedTextSavedByTheCloseBoxStartsTheGameWithDefaults) {
  const std::filesystem::path folder = std::filesystem::path(::testing::TempDir()) / "grinzo-cfg";
  std::filesystem::create_directories(folder);
  const char* assets = std::getenv("GRINZO_ASSETS");
  std::filesystem::copy_file(std::filesystem::path(assets ? assets : "assets") / "mouseicon.ico",
                             folder / "mouseicon.ico",
                             std::filesystem::copy_options::overwrite_existing);
  HeadlessPlatform platform({.programFolder = folder.string()});
  {
    frmConfig dialog(platform);
    dialog.show();
    dialog.typeText(dialog.control("txtStartingLevel"), "abc");
    dialog.setFocus(dialog.control("txtNumber"));  // refused: the message shows
    dialog.typeText(dialog.control("txtStartingLevel"), "");
    platform.post({.kind = InputEvent::Kind::Close});
    platform.processPendingMessages();
    ASSERT_FALSE(dialog.isLoaded());
  }
  EXPECT_EQ(platform.storedSetting(kApp, "Settings", "Level"), "");

  rt::RandomSource random;
  game::frmGrinzo game(platform, false, random);
  start::showFullScreen(game);
  EXPECT_EQ(game.startingLevel(), 1);
  EXPECT_EQ(game.faceCount(), 10);
  game.StartLoop();
  EXPECT_EQ(game.level(), 1);
  EXPECT_EQ(game.faces()->Count(), 10);
}

}  // namespace
}  // namespace grinzo::config
