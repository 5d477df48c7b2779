// The game window: construction, start-up, level set-up, exit and unload.

#include "game/frm_grinzo.h"

#include <cmath>
#include <filesystem>

#include "start/registry_reader.h"
#include "ui/gdi/icon_file.h"
#include "ui/images/images.h"
#include "ui/layouts/layouts.h"
#include "ui/runtime/app_info.h"
#include "ui/runtime/arith.h"
#include "ui/runtime/convert.h"
#include "ui/runtime/format.h"
#include "ui/runtime/skip.h"

namespace grinzo::game {

const char* weaponName(std::int16_t weapon) {
  switch (weapon) {
    case kHandgun:
      return "Handgun";
    case kShotgun:
      return "Shotgun";
    case kMachineGun:
      return "Machine Gun";
    default:
      return nullptr;
  }
}

frmGrinzo::frmGrinzo(ui::Platform& platform, bool preview, rt::RandomSource& random)
    : forms::Form(platform, layouts::frmGrinzo()),
      gblnPreview(preview),
      random_(&random),
      lookup_(platform, *this) {
  on("Form_Load", [this](forms::EventArgs&) { Form_Load(); });
  // The window shows its persistent image when repainted; nothing is drawn here.
  on("Form_Paint", [](forms::EventArgs&) {});
  on("Form_MouseDown", [this](forms::EventArgs& e) {
    if (!takenByDemo(e)) Form_MouseDown(e.button, e.shift, e.x, e.y);
  });
  on("Form_MouseMove", [this](forms::EventArgs& e) {
    if (!takenByDemo(e)) Form_MouseMove(e.button, e.shift, e.x, e.y);
  });
  on("Form_KeyPress", [this](forms::EventArgs& e) {
    if (!takenByDemo(e)) Form_KeyPress(e.keyAscii);
  });
  on("Form_QueryUnload", [this](forms::EventArgs& e) { Form_QueryUnload(e.cancel); });
  on("Form_Unload", [this](forms::EventArgs&) { Form_Unload(); });
  on("tmrMain_Timer", [this](forms::EventArgs&) { tmrMain_Timer(); });
}

frmGrinzo::~frmGrinzo() {
  // A window destroyed while loaded still releases what it holds.
  if (isLoaded()) unload(forms::UnloadMode::FormCode);
  mcolGrinzos.reset();
  sprites::ImageLookup::DeleteImageDC(mlngBackground);
  mlngBackground = 0;
}

double frmGrinzo::now() const { return platform().clock().continuousSeconds(); }

void frmGrinzo::reseed() { random_->reseed(platform().clock().Timer()); }

sprites::CGrinzos& frmGrinzo::grinzos() {
  if (!mcolGrinzos) mcolGrinzos = std::make_unique<sprites::CGrinzos>(lookup_, *random_);
  return *mcolGrinzos;
}

sprites::CBlobs& frmGrinzo::blobs() {
  if (!mcolBlobs) mcolBlobs = std::make_unique<sprites::CBlobs>();
  return *mcolBlobs;
}

// --- Start-up ------------------------------------------------------------------

void frmGrinzo::Form_Load() {
  try {
    loadState();
  } catch (...) {
    // The window will not open: take back what was announced and made.
    if (noticeGiven_) platform().screenSaver().setScreenSaverRunning(false);
    noticeGiven_ = false;
    sprites::ImageLookup::DeleteImageDC(mlngBackground);
    mlngBackground = 0;
    throw;
  }
}

void frmGrinzo::loadState() {
  ui::Platform& p = platform();
  if (!gblnPreview) {
    p.screenSaver().setScreenSaverRunning(true);
    noticeGiven_ = true;
    msngExitGuard = now();
  }

  mblnUsePassword =
      rt::leadingNumber(start::GetRegValue(p.registry(), ui::kHkeyCurrentUser,
                                           "Control Panel\\Desktop", "ScreenSaveUsePassword")) != 0;

  mlngPop = lookup_.GetImageDC("pop.bmp");
  mlngPopMask = lookup_.GetImageDC("popmask.bmp");
  mlng44 = lookup_.GetImageDC("new44.bmp");
  mlng44Mask = lookup_.GetImageDC("44mask.bmp");
  mlngShotgun = lookup_.GetImageDC("newshotgun.bmp");
  mlngShotgunMask = lookup_.GetImageDC("shotgunmask.bmp");
  // Not a name of the image table: the crosshair is drawn from its mask alone.
  mlngCursor = lookup_.GetImageDC("newcursor.bmp");
  mlngCursorMask = lookup_.GetImageDC("cursormask.bmp");

  const std::string pointerPath = sprites::joinPath(p.folders().programFolder(), kPointerFile);
  const std::vector<gdi::IconEntry> pointer = gdi::ReadIconFile(pointerPath);
  if (pointer.empty()) {
    throw rt::RuntimeError(rt::ErrorNumber::BadFileFormat,
                           "The pointer icon \"" + pointerPath + "\" holds no image");
  }
  setMouseIcon(pointer.front());

  const ui::ScreenMetrics screen = p.windows().screen();
  setBoundsPixels(windowClient_ ? ui::PixelRect{0, 0, windowClient_->width, windowClient_->height}
                                : screen.primary);

  captureDesktop();
  readSettings();
  msngLastActivity = now();

  if (gblnPreview) setLabelsVisible(false);
}

// Photographs the desktop at real pixels: in full screen the whole virtual
// screen (the window will span it), in the preview the primary screen, whose
// top-left corner the small preview shows. The picture goes onto the window,
// into "snapshot.bmp", and into the background surface.
void frmGrinzo::captureDesktop() {
  ui::Platform& p = platform();
  const ui::ScreenMetrics screen = p.windows().screen();
  const ui::PixelRect area = windowClient_
                                 ? ui::PixelRect{0, 0, windowClient_->width, windowClient_->height}
                             : (!gblnPreview && screen.monitors != 0) ? screen.virtualScreen
                                                                      : screen.primary;
  backgroundLeft_ = area.left;
  backgroundTop_ = area.top;
  const int width = std::max(1, area.width);
  const int height = std::max(1, area.height);

  // The photograph, shown by the window until the game draws and written to
  // "snapshot.bmp". On the NT family it is the background itself: the
  // window is not shown yet, so a second photograph would be the same
  // picture, and a window-sized buffer less is a lot on a large screen.
  const gdi::HDC photo = gdi::CreateCompatibleDC(0);
  const gdi::HBITMAP photoBitmap = gdi::CreateCompatibleBitmap(photo, width, height);
  gdi::SelectObject(photo, photoBitmap);
  gdi::DeleteObject(photoBitmap);
  p.windows().captureDesktop(photo, area.left, area.top, {width, height});
  int ox = 0, oy = 0;
  backgroundOffset(ox, oy);
  gdi::BitBlt(hDC(), 0, 0, scaleWidth(), scaleHeight(), photo, ox, oy, gdi::SRCCOPY);

  std::string snapshotPath;
  try {
    // Not a conditional expression: one branch a temporary would make it a
    // copy of the whole picture.
    if (const gdi::Bitmap* pixels = gdi::SurfacePixels(photo)) {
      snapshotPath = writeSnapshot(*pixels);
    } else {
      snapshotPath = writeSnapshot(gdi::Bitmap(width, height));
    }
  } catch (const gdi::BitmapFileError& e) {
    if (!p.folders().snapshotKept() && p.screenSaver().family() == ui::PlatformFamily::WindowsNT) {
      // A record only: the game needs the picture in memory, not the file.
      // The game's other files are tried in the same folder.
      p.folders().snapshotNotWritten(e.what());
      dataFolder_ = p.folders().userDataFolder();
    } else {
      gdi::DeleteDC(photo);
      throw;
    }
  } catch (...) {
    gdi::DeleteDC(photo);
    throw;
  }
  lookup_.setSnapshotPath(snapshotPath);
  if (!p.folders().snapshotKept()) recordedSnapshot_ = snapshotPath;

  switch (p.screenSaver().family()) {
    case ui::PlatformFamily::Windows9x:
      // The background is read back from the file just written.
      gdi::DeleteDC(photo);
      mlngBackground = lookup_.GetImageDC(kSnapshotFile);
      if (mlngBackground <= 0) mlngBackground = substituteBackground(width, height, area);
      break;
    case ui::PlatformFamily::WindowsNT:
      mlngBackground = photo;
      break;
    case ui::PlatformFamily::Unknown:
      // No way to know the desktop: faces on black would look broken.
      gdi::DeleteDC(photo);
      mlngBackground = substituteBackground(width, height, area);
      break;
  }
}

// A new surface holding the generated picture of the area's size.
gdi::HDC frmGrinzo::substituteBackground(int width, int height, const ui::PixelRect& area) {
  const gdi::HDC surface = gdi::CreateCompatibleDC(0);
  const gdi::HBITMAP bitmap = gdi::CreateCompatibleBitmap(surface, width, height);
  gdi::SelectObject(surface, bitmap);
  gdi::DeleteObject(bitmap);
  if (gdi::Bitmap* pixels = gdi::SurfaceBitmap(surface)) {
    images::paintDesktopSubstitute(*pixels, width, height, area.left, area.top);
  }
  return surface;
}

// Writes "snapshot.bmp" beside the program, or in the per-user folder when
// the program's folder cannot be written or the system keeps no data there;
// every file the game keeps then lives in that same folder. Returns the path
// written. Raises when no place can be written.
std::string frmGrinzo::writeSnapshot(const gdi::Bitmap& picture) {
  const ui::Folders& folders = platform().folders();
  std::string firstError;
  if (folders.dataBesideProgram()) {
    const std::string programPath = sprites::joinPath(folders.programFolder(), kSnapshotFile);
    try {
      gdi::WriteBitmapFile(programPath, picture);
      dataFolder_ = folders.programFolder();
      return programPath;
    } catch (const gdi::BitmapFileError& first) {
      if (folders.userDataFolder().empty()) throw;
      firstError = std::string(first.what()) + "; ";
    }
  }
  const std::string fallback = folders.userDataFolder();
  const std::string fallbackPath = sprites::joinPath(fallback, kSnapshotFile);
  try {
    platform().folders().writeUserBitmap(fallbackPath, picture);
  } catch (const gdi::BitmapFileError& second) {
    throw gdi::BitmapFileError(second.number(), firstError + second.what());
  }
  dataFolder_ = fallback;
  return fallbackPath;
}

// "Faces" and "Level" that cannot be read as 16-bit numbers count as their
// defaults: a broken stored value must not stop the screen saver at every
// start. "Sound" is on only for exactly "Yes".
void frmGrinzo::readSettings() {
  ui::SettingsStore& store = platform().settings();
  const auto number = [&](const char* key, std::int16_t fallback) {
    const std::string text = store.read(rt::kAppTitle, "Settings", key, std::to_string(fallback));
    try {
      return rt::textToInt16(text);
    } catch (const rt::RuntimeError&) {
      return fallback;
    }
  };
  mintFaceCount = number("Faces", 10);
  mintStartingLevel = number("Level", 1);
  // A level whose hits needed (10 x level + 90, worked out in 16 bits as
  // the level's start does) leave the range cannot be played: the level
  // would climb every frame with no faces. A stored value edited by hand
  // into that range (3268 and above, -3277 and below) counts as unreadable.
  try {
    rt::add16(rt::mul16(mintStartingLevel, 10), 90);
  } catch (const rt::RuntimeError&) {
    mintStartingLevel = 1;
  }
  mblnSound = store.read(rt::kAppTitle, "Settings", "Sound", "Yes") == "Yes";
}

void frmGrinzo::backgroundOffset(int& x, int& y) const {
  if (gblnPreview) {
    x = 0;
    y = 0;
    return;
  }
  // A borderless window: its client area starts at its outer corner.
  const ui::PixelRect bounds = boundsPixels();
  x = bounds.left - backgroundLeft_;
  y = bounds.top - backgroundTop_;
}

// --- Levels and labels -----------------------------------------------------------

void frmGrinzo::StartLevel(std::int16_t intLevel) {
  reseed();
  mintLevel = intLevel;
  mintGrinzosLeft = rt::add16(rt::mul16(intLevel, 10), 90);
  mintWeaponsAvailable = intLevel > 3 ? std::int16_t{3} : intLevel;
  if (mintCurrentWeapon > mintWeaponsAvailable) mintCurrentWeapon = kHandgun;

  sprites::CGrinzos& faces = grinzos();
  for (const auto& face : faces) {
    face->Delete();
    faces.Remove(face->GirnzoCode);
  }
  for (std::int16_t i = 0; i < mintFaceCount; ++i) addReplacementFaces(1);
}

void frmGrinzo::setLabelsVisible(bool visible) {
  for (const char* name : kStatusLabels) control(name).setVisible(visible);
}

void frmGrinzo::refreshLabels() {
  control("lblLevel").setCaption(rt::formatPlain(mintLevel));
  control("lblTime").setCaption(rt::formatPlain(loop_.intTimeLeft));
  control("lblLeft").setCaption(rt::formatPlain(mintGrinzosLeft));
}

// --- Exit ----------------------------------------------------------------------

void frmGrinzo::setDemoPlayer(std::unique_ptr<DemoPlayer> player) { demo_ = std::move(player); }

// While the demo plays, a person's input is not play: a key, a press or a
// pointer moved by more than a few pixels ends the game as a screen saver
// ends (in the preview it is ignored). Only the demo's own input plays.
bool frmGrinzo::takenByDemo(const forms::EventArgs& e) {
  if (!demo_ || demoPosting_) return false;
  if (gblnPreview) return true;
  if (e.kind == forms::EventKind::MouseMove) {
    // A report in the window's first second (it appeared under the pointer)
    // is where the pointer rests, not a movement.
    if (!restingPointer_ && rt::toSingle(now() - msngExitGuard) < 1.0f) {
      restingPointer_ = {e.x, e.y};
      return true;
    }
    if (!restingPointer_) restingPointer_ = {-kDemoPointerSlack * 2, -kDemoPointerSlack * 2};
    if (std::abs(e.x - restingPointer_->first) <= kDemoPointerSlack &&
        std::abs(e.y - restingPointer_->second) <= kDemoPointerSlack) {
      return true;
    }
  }
  if (e.kind == forms::EventKind::MouseUp) return true;
  rt::skipOnError([&] { RequestExit(); });
  return true;
}

void frmGrinzo::RequestExit() {
  // Requests within half a second of the guard (the window's start, the last
  // password prompt) are ignored.
  const double first = now();
  const double second = now();
  if (first >= msngExitGuard && rt::toSingle(second - msngExitGuard) < 0.5f) return;

  if (!mblnUsePassword) {
    mblnExit = true;
    return;
  }
  ui::Platform& p = platform();
  p.windows().showCursor(true);
  const bool accepted = p.screenSaver().verifyPassword(hWnd());
  // The close request is refused and turned into the loop's end.
  if (accepted) unload(forms::UnloadMode::FormCode);
  p.windows().showCursor(false);
  msngExitGuard = now();
}

void frmGrinzo::Form_QueryUnload(std::int16_t& Cancel) {
  // Every close request that does not come from the loop stops the loop
  // first; the loop then closes the window and that request passes.
  if (!mblnExit) {
    Cancel = 1;
    mblnExit = true;
  }
}

void frmGrinzo::Form_Unload() {
  if (mcolGrinzos) {
    for (const auto& face : *mcolGrinzos) {
      face->Delete();
      mcolGrinzos->Remove(face->GirnzoCode);
    }
    mcolGrinzos.reset();
  }
  if (mcolBlobs) {
    for (const auto& blob : *mcolBlobs) mcolBlobs->Remove(blob->BlobCode);
    mcolBlobs.reset();
  }
  for (gdi::HDC surface :
       {mlngBackground, mlngPop, mlngPopMask, mlng44, mlng44Mask, mlngShotgun, mlngShotgunMask}) {
    sprites::ImageLookup::DeleteImageDC(surface);
  }
  if (!recordedSnapshot_.empty()) {
    std::error_code ignored;
    std::filesystem::remove(recordedSnapshot_, ignored);
    recordedSnapshot_.clear();
  }
  // Withdrawn on every unload, the preview's included.
  platform().screenSaver().setScreenSaverRunning(false);
  noticeGiven_ = false;
}

}  // namespace grinzo::game
