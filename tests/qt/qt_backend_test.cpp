// The Linux backend with real Qt widgets on Qt's offscreen platform: the
// configuration dialog as a user drives it (keys through the application,
// the range message, the INI file after closing), and the command line.

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <cstdlib>
#include <memory>
#include <stdexcept>

#include "config/frm_config.h"
#include "options.h"
#include "ui/qt/qt_platform.h"

namespace {

using namespace grinzo;

template <typename W>
W* findWidget(QWidget* root, const QString& textPart) {
  for (W* w : root->findChildren<W*>()) {
    if constexpr (std::is_same_v<W, QLineEdit>) {
      if (w->text() == textPart) return w;
    } else {
      if (w->text().contains(textPart)) return w;
    }
  }
  return nullptr;
}

TEST(QtConfigDialog, ShowsTheSettingsRefusesALevelOutOfRangeAndSavesOnClose) {
  QTemporaryDir config;
  ASSERT_TRUE(config.isValid());
  qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
  qt::QtPlatform platform(QCoreApplication::applicationFilePath().toStdString());
  config::frmConfig dialog(platform);
  dialog.show();
  QCoreApplication::processEvents();

  QWidget* window = nullptr;
  for (QWidget* w : QApplication::topLevelWidgets()) {
    if (w->isVisible() && w->findChild<QLineEdit*>()) window = w;
  }
  ASSERT_NE(window, nullptr);
  EXPECT_NE(findWidget<QLabel>(window, "<u>S</u>tarting Level:"), nullptr);
  EXPECT_NE(findWidget<QLabel>(window, "Version 1.1.0"), nullptr);
  QLineEdit* level = findWidget<QLineEdit>(window, "1");
  QLineEdit* faces = findWidget<QLineEdit>(window, "10");
  QCheckBox* sound = findWidget<QCheckBox>(window, "Sound");
  ASSERT_TRUE(level && faces && sound);
  EXPECT_TRUE(sound->isChecked());
  EXPECT_TRUE(level->hasFocus());

  // "11" and Tab: the message, then the focus stays with the text selected.
  QTest::keyClick(level, Qt::Key_A, Qt::ControlModifier);
  QTest::keyClicks(level, "11");
  QString message;
  QTimer::singleShot(200, [&] {
    if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
      message = box->windowTitle() + ": " + box->text();
      box->accept();
    }
  });
  QTest::keyClick(level, Qt::Key_Tab);
  EXPECT_EQ(message, "Error: Please pick a number between 1 and 10.");
  QCoreApplication::processEvents();
  EXPECT_TRUE(level->hasFocus());
  EXPECT_EQ(level->selectedText(), "11");

  // Alt+N is the faces box's mnemonic once the level is good; unchecking the
  // sound with its mnemonic; OK with Enter closes and saves.
  QTest::keyClicks(level, "3");
  QTest::keyClick(level, Qt::Key_N, Qt::AltModifier);
  EXPECT_TRUE(faces->hasFocus());
  QTest::keyClick(faces, Qt::Key_D, Qt::AltModifier);
  EXPECT_FALSE(sound->isChecked());
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
  for (int i = 0; i < 50 && dialog.isLoaded(); ++i) QCoreApplication::processEvents();
  EXPECT_FALSE(dialog.isLoaded());

  QSettings saved(QString::fromStdString(platform.settingsFile()), QSettings::IniFormat);
  EXPECT_EQ(saved.value("Settings/Level").toString(), "3");
  EXPECT_EQ(saved.value("Settings/Faces").toString(), "10");
  EXPECT_EQ(saved.value("Settings/Sound").toString(), "No");
}

// A settings file that cannot be read (a folder in its place): every value
// reads as its default, and a save says it failed.
TEST(QtSettings, AnUnreadableStoreGivesTheDefaults) {
  QTemporaryDir config;
  ASSERT_TRUE(config.isValid());
  qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
  qt::QtPlatform platform(QCoreApplication::applicationFilePath().toStdString());
  ASSERT_TRUE(QDir().mkpath(QString::fromStdString(platform.settingsFile())));
  EXPECT_EQ(platform.settings().read("Grinzo Screensaver", "Settings", "Level", "1"), "1");
  EXPECT_FALSE(platform.settings().save("Grinzo Screensaver", "Settings", "Level", "3"));
}

// The desktop's photograph is the user's alone: every folder made on the way
// 0700 and the file 0600 from the start, still so when replaced, and no
// temporary file left; a failure names the file and the system's reason.
TEST(QtPrivateSnapshot, OwnerOnlyFromTheStartAndFailuresSayWhy) {
  QTemporaryDir root;
  ASSERT_TRUE(root.isValid());
  const std::string folder = root.path().toStdString() + "/share/grinzo";
  const std::string file = folder + "/snapshot.bmp";
  qt::QtPlatform platform(QCoreApplication::applicationFilePath().toStdString());
  gdi::Bitmap picture(3, 2);
  picture.at(2, 1) = gdi::rgb(1, 2, 3);
  for (int round = 0; round < 2; ++round) {
    platform.folders().writeUserBitmap(file, picture);
    struct stat info {};
    ASSERT_EQ(::stat(file.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    for (const std::string& made : {folder, root.path().toStdString() + "/share"}) {
      ASSERT_EQ(::stat(made.c_str(), &info), 0);
      EXPECT_EQ(info.st_mode & 0777, 0700u) << made;
    }
  }
  EXPECT_EQ(gdi::ReadBitmapFile(file).pixels, picture.pixels);
  EXPECT_EQ(QDir(QString::fromStdString(folder)).entryList(QDir::Files).size(), 1);

  try {
    platform.folders().writeUserBitmap(file + "/snapshot.bmp", picture);
    FAIL() << "wrote under a file";
  } catch (const gdi::BitmapFileError& e) {
    EXPECT_NE(std::string(e.what()).find(file), std::string::npos) << e.what();
    EXPECT_NE(std::string(e.what()).find("Not a directory"), std::string::npos) << e.what();
  }
}

TEST(LinuxCommandLine, ReadsModesAndOverridesAndRefusesBadInput) {
  using linux_app::demoPlays;
  using linux_app::Mode;
  using linux_app::parseOptions;
  EXPECT_EQ(parseOptions({}).mode, Mode::FullScreen);
  const auto window = parseOptions({"--window", "640x480", "--level", "3", "--no-sound"});
  EXPECT_EQ(window.mode, Mode::Window);
  EXPECT_EQ(window.windowWidth, 640);
  EXPECT_EQ(window.windowHeight, 480);
  EXPECT_EQ(window.level, 3);
  EXPECT_EQ(window.sound, false);
  EXPECT_EQ(parseOptions({"-root"}).mode, Mode::Root);
  EXPECT_TRUE(demoPlays(parseOptions({"-root"})));
  EXPECT_FALSE(demoPlays(parseOptions({"-root", "--no-demo"})));
  EXPECT_FALSE(demoPlays(parseOptions({"--fullscreen"})));
  EXPECT_TRUE(demoPlays(parseOptions({"--window", "--demo"})));
  EXPECT_EQ(parseOptions({"-window-id", "0x2a"}).windowId, 42u);
  EXPECT_EQ(parseOptions({"--window-id=42", "--faces=32767"}).faces, 32767);
  for (const auto& bad : std::vector<std::vector<std::string>>{{"--level", "11"},
                                                               {"--level", "0"},
                                                               {"--faces", "32768"},
                                                               {"--faces", "-1"},
                                                               {"--faces"},
                                                               {"--window-id", "0x"},
                                                               {"--window", "800x"},
                                                               {"--root", "--config"},
                                                               {"--sound=yes"},
                                                               {"--bogus"},
                                                               {"stray"}}) {
    EXPECT_THROW(parseOptions(bad), std::invalid_argument) << bad.front();
  }
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
