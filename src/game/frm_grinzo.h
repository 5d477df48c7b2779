#pragma once
// frmGrinzo: the game window. It keeps the whole state of a running game,
// loads the desktop picture and the settings when it is loaded, runs the game
// loop inside the first tick of its timer, draws each frame into its
// persistent image, and handles the mouse, the keyboard and close requests.
//
// Times. Every time the game keeps (exit guard, last activity, shot clocks,
// level clock, frame-rate and speed measurements) is a reading of the
// clock's continuous seconds, which go on past midnight instead of falling
// back to 0, so no timing stalls or misfires when a game runs across
// midnight. Differences of readings are rounded to 32-bit floats before they
// are compared, as the game's timings always have been.
//
// Events reach the handlers only while the loop processes pending messages
// at the start of a frame, so they always see the state between two frames.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "game/demo_player.h"
#include "sprites/collections.h"
#include "sprites/image_lookup.h"
#include "ui/forms/form.h"
#include "ui/runtime/random.h"

namespace grinzo::game {

class FrmGrinzoProbe;  // test access to the private state

// The weapons, by the number held in mintCurrentWeapon.
inline constexpr std::int16_t kHandgun = 1;
inline constexpr std::int16_t kShotgun = 2;
inline constexpr std::int16_t kMachineGun = 3;
// The name shown for a weapon; nullptr for a number that is no weapon.
const char* weaponName(std::int16_t weapon);

// The status labels, in the order they are hidden and shown.
inline constexpr const char* kStatusLabels[8] = {
    "lblLevel", "lblLevelLabel", "lblTimeLabel",     "lblTime",
    "lblLeft",  "lblLeftLabel",  "lblCurrentWeapon", "lblCurrentWeaponLabel"};

// Files the game keeps beside the program.
inline constexpr const char* kSnapshotFile = "snapshot.bmp";
inline constexpr const char* kSpeedFactorFile = "lastspeedfactor.dat";
inline constexpr const char* kFrameRateFile = "grinzofps.txt";
inline constexpr const char* kPointerFile = "mouseicon.ico";

class frmGrinzo : public forms::Form {
 public:
  // `preview`: the window runs as the live preview inside a host's window
  // (input never ends the game, the status labels stay hidden). `random` is
  // the program's shared random source.
  frmGrinzo(ui::Platform& platform, bool preview, rt::RandomSource& random = rt::sharedRandom());
  ~frmGrinzo() override;

  // The desktop picture, into which every splat is painted for good.
  gdi::HDC mlngBackground = 0;

  // Draws one frame: new splats into the background, the background over the
  // window, the faces, and the crosshair unless the player is idle; then
  // shows the frame.
  void RefreshScreen();

  // The game loop, in pieces: tmrMain_Timer runs StartLoop, then RunFrame
  // until it returns false, then closes the window. A test can run them one
  // by one. RunFrame returns false when the loop is to end (an exit was
  // requested during the frame, or the window went away).
  void StartLoop();
  bool RunFrame();

  // Called at the end of every frame, after it was drawn (the headless
  // runner records states and pictures here).
  void setFrameListener(std::function<void()> listener) { frameListener_ = std::move(listener); }

  // The window spans the virtual screen and follows it when the monitors
  // change (set by the full-screen start).
  void setCoversScreen(bool covers) { coversScreen_ = covers; }

  // The window is an ordinary one with this client size (set before it
  // loads): it shows, and photographs, only that much of the primary
  // screen's top-left corner.
  void setWindowClient(gdi::Size client) { windowClient_ = client; }

  // Lets the computer play (nullptr: a person plays). While it plays, a
  // person's key, press or pointer movement ends the game as a screen saver
  // ends; in the preview that input is ignored.
  void setDemoPlayer(std::unique_ptr<DemoPlayer> player);
  const DemoPlayer* demoPlayer() const { return demo_.get(); }

  // --- The state, read-only --------------------------------------------------
  bool preview() const { return gblnPreview; }
  std::int16_t level() const { return mintLevel; }
  std::int16_t grinzosLeft() const { return mintGrinzosLeft; }
  std::int16_t currentWeapon() const { return mintCurrentWeapon; }
  std::int16_t weaponsAvailable() const { return mintWeaponsAvailable; }
  std::int16_t timeLeft() const { return loop_.intTimeLeft; }
  bool idle() const { return mblnIdle; }
  bool exitRequested() const { return mblnExit; }
  bool usePassword() const { return mblnUsePassword; }
  bool soundOn() const { return mblnSound; }
  std::int16_t faceCount() const { return mintFaceCount; }
  std::int16_t startingLevel() const { return mintStartingLevel; }
  std::int16_t cursorX() const { return mintCursorX; }
  std::int16_t cursorY() const { return mintCursorY; }
  double step() const { return loop_.dblStep; }
  double speedFactor() const { return loop_.dblSpeedFactor; }
  // Faces and pending splats; nullptr before first use and after unload.
  const sprites::CGrinzos* faces() const { return mcolGrinzos.get(); }
  const sprites::CBlobs* pendingBlobs() const { return mcolBlobs.get(); }
  // Where the snapshot, speed-factor and frame-rate files are kept: the
  // program's folder, or the per-user folder when that cannot be written.
  const std::string& dataFolder() const { return dataFolder_; }

 private:
  friend class FrmGrinzoProbe;

  // The game loop's working values, kept between frames.
  struct LoopState {
    double sngStartTime = 0;
    double dblSpeedFactor = 0;
    double dblStep = 0;
    std::int16_t intTimeLeft = 0;
    double sngLastTick = 0;
    std::int16_t intFrameCount = 0;
    std::int16_t intFpsFrames = 0;
    double sngLastFpsTime = 0;
    double dblFps = 0;
    // Continuous clock reading at the start of the last frame, for pacing.
    std::optional<double> lastFrameStart;
  };

  // Handlers.
  void Form_Load();
  void Form_MouseDown(std::int16_t Button, std::int16_t Shift, float x, float y);
  void Form_MouseMove(std::int16_t Button, std::int16_t Shift, float x, float y);
  void Form_KeyPress(std::int16_t KeyAscii);
  void Form_QueryUnload(std::int16_t& Cancel);
  void Form_Unload();
  void tmrMain_Timer();

  // Start-up pieces.
  void loadState();
  void captureDesktop();
  gdi::HDC substituteBackground(int width, int height, const ui::PixelRect& area);
  std::string writeSnapshot(const gdi::Bitmap& picture);
  void readSettings();

  void StartLevel(std::int16_t intLevel);
  void RequestExit();
  // True when the event is a person's input while the demo plays (it then
  // ends the game, or is ignored).
  bool takenByDemo(const forms::EventArgs& e);
  void moveFaces();
  void coverTheScreen();
  void refreshLabels();
  void setLabelsVisible(bool visible);
  void writeDataFile(const char* name, const std::string& line);

  // Shooting.
  void killFace(const std::shared_ptr<sprites::CGrinzo>& face, std::int16_t& kills);
  void addReplacementFaces(std::int16_t kills);
  void playSound(const char* file);
  bool hits(const sprites::CGrinzo& face, double px, double py) const;

  // The collections, made on first use.
  sprites::CGrinzos& grinzos();
  sprites::CBlobs& blobs();

  double now() const;
  void reseed();
  // Where the window's client origin lies in the background picture.
  void backgroundOffset(int& x, int& y) const;

  // The module flag: true for the preview inside a host window.
  const bool gblnPreview;
  rt::RandomSource* random_;
  sprites::ImageLookup lookup_;
  std::function<void()> frameListener_;

  // Game state.
  bool mblnUsePassword = false;
  double msngExitGuard = 0;
  std::unique_ptr<sprites::CGrinzos> mcolGrinzos;
  // The faces of the frame being composed, kept to save allocating.
  std::vector<gdi::MaskedSprite> frameSprites_;
  std::unique_ptr<sprites::CBlobs> mcolBlobs;
  std::int16_t mintLevel = 0;
  std::int16_t mintGrinzosLeft = 0;
  std::int16_t mintCurrentWeapon = 0;
  std::int16_t mintWeaponsAvailable = 0;
  bool mblnIdle = false;
  double msngLastActivity = 0;
  double msngLastShot = 0;
  double msngLastSound = 0;
  gdi::HDC mlngPop = 0;
  gdi::HDC mlngPopMask = 0;
  gdi::HDC mlng44 = 0;
  gdi::HDC mlng44Mask = 0;
  gdi::HDC mlngShotgun = 0;
  gdi::HDC mlngShotgunMask = 0;
  gdi::HDC mlngCursor = 0;
  gdi::HDC mlngCursorMask = 0;
  std::int16_t mintCursorX = 0;
  std::int16_t mintCursorY = 0;
  std::int16_t mintFaceCount = 0;
  std::int16_t mintStartingLevel = 0;
  bool mblnSound = false;
  bool mblnExit = false;

  // The last accepted handgun or shotgun shot; empty until the first one.
  std::optional<double> sngLastClickShot;
  LoopState loop_;
  // Top-left corner of the background picture in screen coordinates.
  int backgroundLeft_ = 0;
  int backgroundTop_ = 0;
  std::string dataFolder_;
  bool noticeGiven_ = false;
  bool coversScreen_ = false;
  std::optional<gdi::Size> windowClient_;
  // The snapshot written as a record only, removed at unload.
  std::string recordedSnapshot_;
  std::unique_ptr<DemoPlayer> demo_;
  bool demoPosting_ = false;  // the demo's own input is being dispatched
  std::optional<std::pair<float, float>> restingPointer_;
  // How far a person's pointer may wander before it ends a demo, in pixels.
  static constexpr float kDemoPointerSlack = 4;
};

}  // namespace grinzo::game
