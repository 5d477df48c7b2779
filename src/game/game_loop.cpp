// The game loop: it runs inside the first tick of tmrMain and keeps control,
// frame after frame, until the game is told to end. The faces' speed is
// scaled by the measured time of a frame, so that it does not depend on the
// frame rate; the loop also waits so that frames come at most 60 a second.

#include <cmath>

#include "game/frm_grinzo.h"
#include "game/motion.h"
#include "ui/runtime/arith.h"
#include "ui/runtime/format.h"
#include "ui/runtime/skip.h"
#include "ui/runtime/textfile.h"

namespace grinzo::game {

namespace {

constexpr std::int16_t kLevelSeconds = 180;
// Frames timed to measure the speed factor, once per run.
constexpr std::int16_t kSpeedFrames = 50;
// Frames between two lines of the frame-rate file.
constexpr std::int16_t kFpsFrames = 30;
// Pixels per frame until the speed is measured, when no earlier run left a factor.
constexpr double kFirstRunStep = 7.0;
// The speed factors an earlier run can have left: 25 x seconds per frame.
constexpr double kMinSpeedFactor = 0.0001;
constexpr double kMaxSpeedFactor = 100;
// The shortest time from the start of one frame to the start of the next.
// Every frame rounds each face's place to a whole pixel, so a step below
// half a pixel is lost for good: unpaced, a fast machine (or a 240 Hz
// display) would leave the faces standing still. At 60 frames a second the
// step at level 1 is about 1.46 pixels.
constexpr double kFramePeriod = 1.0 / 60;
// A wait shorter than this is not asked for: it would only move a fake
// clock by a rounding error.
constexpr double kShortestWait = 1e-6;

// Pixels per frame for a level: a face covers about 25 x (level + 2.5)
// pixels a second whatever the frame rate.
double stepFor(std::int16_t level, double speedFactor) { return ((level - 1) + 3.5) * speedFactor; }

}  // namespace

void frmGrinzo::tmrMain_Timer() {
  StartLoop();
  while (RunFrame()) {
  }
  // mblnExit is set, so this close request passes.
  if (isLoaded()) unload(forms::UnloadMode::FormCode);
}

void frmGrinzo::StartLoop() {
  LoopState& s = loop_;
  s = LoopState{};
  s.sngStartTime = now();
  // The first frame-rate line measures from here.
  s.sngLastFpsTime = s.sngStartTime;
  rt::skipOnError([&] {
    const std::string path = sprites::joinPath(dataFolder_, kSpeedFactorFile);
    // The file is anybody's to edit: a factor that is not a sane, finite
    // speed (faces backwards, frozen, or gone in one frame) counts as missing.
    const double factor = rt::readFirstNumber(path).value_or(0);
    s.dblSpeedFactor =
        std::isfinite(factor) && factor >= kMinSpeedFactor && factor <= kMaxSpeedFactor ? factor
                                                                                        : 0;
  });
  rt::skipOnError([&] {
    s.dblStep =
        s.dblSpeedFactor != 0 ? stepFor(mintStartingLevel, s.dblSpeedFactor) : kFirstRunStep;
  });
  s.intTimeLeft = kLevelSeconds;
  s.sngLastTick = now();
  mintCurrentWeapon = kHandgun;
  rt::skipOnError([&] { StartLevel(mintStartingLevel); });
  rt::skipOnError([&] { refreshLabels(); });
  rt::skipOnError([&] { control("tmrMain").setTimerEnabled(false); });
}

bool frmGrinzo::RunFrame() {
  LoopState& s = loop_;
  // Input that arrives while the loop waits for the frame's time is handled
  // at once, still between two frames.
  rt::skipOnError([&] {
    if (s.lastFrameStart) {
      const double due = *s.lastFrameStart + kFramePeriod;
      if (due - now() > kShortestWait) platform().windows().waitUntil(due);
    }
    s.lastFrameStart = now();
  });
  if (!isLoaded()) return false;
  // Input, close requests and the password prompt run here, between frames.
  rt::skipOnError([&] { platform().windows().processPendingMessages(); });
  if (!isLoaded()) return false;

  // The demo player's input, delivered as a person's would be.
  if (demo_ && !mblnExit) {
    demoPosting_ = true;
    rt::skipOnError([&] { demo_->play(*this, now()); });
    demoPosting_ = false;
    if (!isLoaded()) return false;
  }

  // Speed measurement, once per run at the 50th frame.
  rt::skipOnError([&] {
    if (s.intFrameCount < kSpeedFrames + 1) s.intFrameCount = rt::add16(s.intFrameCount, 1);
    if (s.intFrameCount == kSpeedFrames) {
      s.dblSpeedFactor = rt::toSingle(now() - s.sngStartTime) / 50.0 * 25;
      s.dblStep = stepFor(mintLevel, s.dblSpeedFactor);
      writeDataFile(kSpeedFactorFile, rt::formatGeneral(s.dblSpeedFactor));
      s.intFrameCount = kSpeedFrames + 1;
    }
  });

  // The level clock ticks at most once per frame, so a frame that takes
  // longer than a second (or a password prompt) costs a single second.
  rt::skipOnError([&] {
    const double reading = now();
    if (rt::toSingle(reading - s.sngLastTick) >= 1.0f) {
      s.intTimeLeft = rt::sub16(s.intTimeLeft, 1);
      s.sngLastTick = reading;
      if (mblnIdle) {
        setLabelsVisible(false);
      } else if (!gblnPreview) {
        setLabelsVisible(true);
      }
      refreshLabels();
      if (const char* name = weaponName(mintCurrentWeapon))
        control("lblCurrentWeapon").setCaption(name);
      coverTheScreen();
    }
  });

  // A failed level is checked first: the last hit and the clock's end in the
  // same frame fail the level. A failed level keeps the faces' speed.
  rt::skipOnError([&] {
    if (s.intTimeLeft == 0) {
      s.intTimeLeft = kLevelSeconds;
      StartLevel(mintStartingLevel);
    }
  });
  rt::skipOnError([&] {
    if (mintGrinzosLeft < 1) {
      s.intTimeLeft = kLevelSeconds;
      StartLevel(rt::add16(mintLevel, 1));
      s.dblStep = stepFor(mintLevel, s.dblSpeedFactor);
    }
  });

  rt::skipOnError([&] {
    if (!mblnIdle) {
      const double reading = now();
      if (rt::toSingle(reading - msngLastActivity) > 10.0f) mblnIdle = true;
      if (reading < msngLastActivity) mblnIdle = true;
    }
  });

  rt::skipOnError([&] {
    s.intFpsFrames = rt::add16(s.intFpsFrames, 1);
    const double reading = now();
    // Thirty frames within one clock reading cannot be timed: the count goes
    // on until the clock has moved, and the rate is taken over all of them.
    if (s.intFpsFrames >= kFpsFrames && reading != s.sngLastFpsTime) {
      s.dblFps = s.intFpsFrames / static_cast<double>(rt::toSingle(reading - s.sngLastFpsTime));
      s.sngLastFpsTime = reading;
      s.intFpsFrames = 0;
      writeDataFile(kFrameRateFile, rt::formatOneDecimal(s.dblFps));
    }
  });

  rt::skipOnError([&] { moveFaces(); });
  rt::skipOnError([&] { RefreshScreen(); });
  if (frameListener_) frameListener_();
  return !mblnExit;
}

// A full-screen game checks the monitors once a second: when the virtual
// screen changed (a resolution switched, a monitor added or removed), the
// window stretches over the new one, so the game keeps covering the screen
// (and keeps its password). Where the desktop picture no longer reaches, the
// frame is black.
void frmGrinzo::coverTheScreen() {
  if (!coversScreen_) return;
  const ui::ScreenMetrics screen = platform().windows().screen();
  if (screen.monitors == 0 || screen.virtualScreen.width < 1 || screen.virtualScreen.height < 1) {
    return;
  }
  if (boundsPixels() != screen.virtualScreen) setBoundsPixels(screen.virtualScreen);
}

void frmGrinzo::moveFaces() {
  if (!mcolGrinzos) return;
  const float width = static_cast<float>(scaleWidth());
  const float height = static_cast<float>(scaleHeight());
  const double step = loop_.dblStep;
  mcolGrinzos->forEach([&](sprites::CGrinzo& face) { moveFace(face, step, width, height); });
}

// One of the game's own files: a failure to write it is skipped and the
// game goes on.
void frmGrinzo::writeDataFile(const char* name, const std::string& line) {
  rt::skipOnError([&] { rt::writeLine(sprites::joinPath(dataFolder_, name), line); });
}

}  // namespace grinzo::game
