#include "ui/forms/form.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

#include "ui/headless/headless_platform.h"

namespace grinzo::forms {
namespace {

using headless::HeadlessPlatform;
using headless::InputEvent;

FormLayout dialogLayout() {
  FormLayout f;
  f.name = "frmTest";
  f.caption = "Test";
  f.clientWidth = 3000;
  f.clientHeight = 1500;
  f.autoRedraw = true;
  f.backColour = gdi::rgb(0, 0, 0);
  auto add = [&](const char* name, ControlKind kind, const char* caption, int tab) {
    ControlLayout c;
    c.name = name;
    c.kind = kind;
    c.caption = caption;
    c.tabIndex = tab;
    f.controls.push_back(c);
  };
  add("Label1", ControlKind::Label, "&Level:", 0);
  add("txtLevel", ControlKind::TextBox, "", 1);
  add("chkSound", ControlKind::CheckBox, "Soun&d", 2);
  add("cmdOK", ControlKind::Button, "OK", 3);
  add("cmdHelp", ControlKind::Button, "&Help", 4);
  ControlLayout timer;
  timer.name = "tmrTick";
  timer.kind = ControlKind::Timer;
  timer.timerInterval = 100;
  timer.timerEnabled = true;
  f.controls.push_back(timer);
  return f;
}

// Records every handler call as "name" and lets a test steer validation.
class TestForm : public Form {
 public:
  explicit TestForm(ui::Platform& p) : Form(p, dialogLayout()) {
    for (const char* name :
         {"Form_Load", "Form_Unload", "Form_MouseDown", "Form_KeyPress", "txtLevel_GotFocus",
          "cmdOK_Click", "cmdHelp_Click", "chkSound_Click"}) {
      on(name, [this, name](EventArgs& e) {
        calls.push_back(name);
        last = e;
      });
    }
    on("Form_QueryUnload", [this](EventArgs& e) {
      calls.push_back("Form_QueryUnload");
      e.cancel = refuseClose ? 1 : 0;
    });
    on("txtLevel_Validate", [this](EventArgs& e) {
      calls.push_back("txtLevel_Validate");
      if (control("txtLevel").text() != "ok") e.cancel = 1;
    });
    on("tmrTick_Timer", [this](EventArgs&) {
      ++ticks;
      // A timer handler that pumps messages must not be re-entered.
      if (ticks == 1) platform().windows().processPendingMessages();
    });
  }
  std::vector<std::string> calls;
  EventArgs last;
  bool refuseClose = false;
  int ticks = 0;
};

class FormTest : public ::testing::Test {
 protected:
  HeadlessPlatform platform;
  TestForm form{platform};
};

TEST_F(FormTest, EventsReachHandlersOnlyWhileMessagesAreProcessed) {
  form.show();
  ASSERT_EQ(form.calls.front(), "Form_Load");
  platform.post(
      {.time = 0, .kind = InputEvent::Kind::MouseDown, .button = kLeftButton, .x = 12, .y = 34});
  EXPECT_EQ(form.calls.back(), "txtLevel_GotFocus");  // focus on show, not the click
  platform.processPendingMessages();
  EXPECT_EQ(form.calls.back(), "Form_MouseDown");
  EXPECT_EQ(form.last.button, kLeftButton);
  EXPECT_FLOAT_EQ(form.last.x, 12);
  EXPECT_FLOAT_EQ(form.last.y, 34);
}

TEST_F(FormTest, ScriptedInputWaitsForItsTime) {
  form.show();
  const double now = platform.clock().continuousSeconds();
  platform.post({.time = now + 1, .kind = InputEvent::Kind::Key, .key = 'x'});
  platform.processPendingMessages();
  EXPECT_EQ(form.control("txtLevel").text(), "");
  platform.manualClock().advance(1);
  platform.processPendingMessages();
  EXPECT_EQ(form.control("txtLevel").text(), "x");  // typed into the focused box
}

TEST_F(FormTest, CloseRequestCanBeRefusedThenPasses) {
  form.show();
  form.refuseClose = true;
  EXPECT_FALSE(form.unload(UnloadMode::FormControlMenu));
  EXPECT_TRUE(form.isLoaded());
  form.refuseClose = false;
  EXPECT_TRUE(form.unload());
  EXPECT_FALSE(form.isLoaded());
  EXPECT_EQ(form.hWnd(), 0);
  EXPECT_TRUE(platform.openWindows().empty());
  EXPECT_EQ(form.calls.back(), "Form_Unload");
}

TEST_F(FormTest, FailingLoadTakesTheWindowDownAndReachesTheCaller) {
  struct Failing : Form {
    explicit Failing(ui::Platform& p) : Form(p, dialogLayout()) {
      on("Form_Load",
         [](EventArgs&) { throw std::runtime_error("File not found: mouseicon.ico"); });
    }
  } failing(platform);
  const int before = gdi::LiveObjectCount();
  EXPECT_THROW(failing.load(), std::runtime_error);
  EXPECT_FALSE(failing.isLoaded());
  EXPECT_TRUE(platform.openWindows().empty());
  EXPECT_LE(gdi::LiveObjectCount(), before);
}

TEST_F(FormTest, RefusedValidationKeepsFocusAndCancelsTheClick) {
  form.show();
  Control& box = form.control("txtLevel");
  ASSERT_EQ(form.activeControl(), &box);
  form.typeText(box, "bad");
  EXPECT_FALSE(form.clickControl(form.control("cmdOK")));
  EXPECT_EQ(form.activeControl(), &box);
  EXPECT_EQ(std::count(form.calls.begin(), form.calls.end(), "cmdOK_Click"), 0);

  box.setText("ok");
  EXPECT_TRUE(form.clickControl(form.control("cmdOK")));
  EXPECT_EQ(form.calls.back(), "cmdOK_Click");
}

TEST_F(FormTest, MnemonicsAndTabOrder) {
  form.show();
  form.control("txtLevel").setText("ok");
  EXPECT_TRUE(form.pressMnemonic('d'));  // check box: focus and toggle
  EXPECT_EQ(form.control("chkSound").value(), 1);
  EXPECT_EQ(form.calls.back(), "chkSound_Click");
  EXPECT_TRUE(form.pressMnemonic('L'));  // label: focus to the box after it
  EXPECT_EQ(form.activeControl(), &form.control("txtLevel"));
  EXPECT_EQ(form.calls.back(), "txtLevel_GotFocus");
  EXPECT_TRUE(form.focusNext(false));  // Shift+Tab wraps to the last control
  EXPECT_EQ(form.activeControl(), &form.control("cmdHelp"));
  EXPECT_TRUE(form.focusNext(true));
  EXPECT_EQ(form.activeControl(), &form.control("txtLevel"));
  EXPECT_FALSE(form.pressMnemonic('Q'));
}

TEST_F(FormTest, TimerTicksAfterItsIntervalWithoutReentry) {
  form.show();
  platform.processPendingMessages();
  EXPECT_EQ(form.ticks, 0);
  platform.manualClock().advance(0.1);
  platform.processPendingMessages();
  EXPECT_EQ(form.ticks, 1);  // the nested pump inside the handler did not tick again
  form.control("tmrTick").setTimerEnabled(false);
  platform.manualClock().advance(1);
  platform.processPendingMessages();
  EXPECT_EQ(form.ticks, 1);
}

TEST_F(FormTest, PersistentImageFollowsTheClientAreaAndKeepsItsDrawing) {
  form.show();
  ASSERT_GT(form.hDC(), 0);
  EXPECT_EQ(gdi::SurfaceSize(form.hDC()), (gdi::Size{form.scaleWidth(), form.scaleHeight()}));
  gdi::SurfaceBitmap(form.hDC())->at(5, 6) = gdi::rgb(1, 2, 3);
  ui::PixelRect r = form.boundsPixels();
  r.width += 100;
  form.setBoundsPixels(r);
  EXPECT_EQ(gdi::SurfaceSize(form.hDC()).width, form.scaleWidth());
  EXPECT_EQ(form.point(5, 6), gdi::toColorRef(gdi::rgb(1, 2, 3)));
  EXPECT_EQ(form.point(form.scaleWidth() - 1, 0), 0u);  // new area takes the back colour
  EXPECT_EQ(form.point(-1, 0), gdi::CLR_INVALID);
}

TEST_F(FormTest, GeometryInTwipsUsesTheScreensScale) {
  form.load();
  form.setWidth(1500);
  form.setLeft(-300);
  EXPECT_EQ(form.boundsPixels().width, 100);
  EXPECT_EQ(form.boundsPixels().left, -20);
  EXPECT_DOUBLE_EQ(form.width(), 1500);
}

TEST(Mnemonic, CaptionsAndLetters) {
  EXPECT_EQ(stripMnemonic("&Starting Level:"), "Starting Level:");
  EXPECT_EQ(stripMnemonic("Fish && Chips"), "Fish & Chips");
  EXPECT_EQ(mnemonicOf("Soun&d"), 'D');
  EXPECT_EQ(mnemonicOf("Fish && Chips"), 0);
  EXPECT_EQ(mnemonicOf("OK"), 0);
}

}  // namespace
}  // namespace grinzo::forms

namespace grinzo::forms {
namespace {

TEST(FormPaint, ShownWindowPaintsOnTheNextMessageRoundOrShowsItsImage) {
  headless::HeadlessPlatform platform;
  struct Painted : Form {
    explicit Painted(ui::Platform& p, bool keepsDrawing)
        : Form(p, [&] {
            FormLayout f = dialogLayout();
            f.autoRedraw = keepsDrawing;
            return f;
          }()) {
      on("Form_Paint", [this](EventArgs&) { ++paints; });
    }
    int paints = 0;
  };
  Painted plain(platform, false);
  plain.show();
  EXPECT_EQ(plain.paints, 0);
  platform.processPendingMessages();
  EXPECT_EQ(plain.paints, 1);
  platform.processPendingMessages();
  EXPECT_EQ(plain.paints, 1);

  Painted keeping(platform, true);
  keeping.show();
  const int shown = platform.windowOf(keeping)->presentCount();
  platform.processPendingMessages();
  EXPECT_EQ(keeping.paints, 0);  // its persistent image is shown instead
  EXPECT_EQ(platform.windowOf(keeping)->presentCount(), shown + 1);
}

}  // namespace
}  // namespace grinzo::forms
