// Weapons, shooting, the crosshair and the keyboard.

#include <cmath>

#include "game/frm_grinzo.h"
#include "ui/runtime/arith.h"
#include "ui/runtime/convert.h"
#include "ui/runtime/skip.h"

namespace grinzo::game {

namespace {

constexpr int kPellets = 20;
constexpr int kPelletSpread = 40;  // pellets land up to 40 pixels off, each axis
constexpr int kBulletSpread = 5;   // machine-gun bullets up to 5 pixels off
constexpr float kHandgunWait = 0.5f;
constexpr float kShotgunWait = 0.9f;
constexpr float kBulletWait = 0.1f;
constexpr float kRattleWait = 0.2f;

// A whole number uniform over centre - spread .. centre + spread (for a
// whole-pixel centre), from one draw.
std::int16_t scatter(float centre, int spread, float r) {
  const double low = static_cast<double>(centre) - spread;
  const double high = static_cast<double>(centre) + spread;
  return rt::floorToInt16((high - low + 1) * r + low);
}

}  // namespace

// Strictly inside on all four sides: a point on the edge misses.
bool frmGrinzo::hits(const sprites::CGrinzo& face, double px, double py) const {
  const std::int16_t right = rt::add16(face.X, face.Width);
  const std::int16_t bottom = rt::add16(face.Y, face.Height);
  return face.X < px && px < right && face.Y < py && py < bottom;
}

void frmGrinzo::killFace(const std::shared_ptr<sprites::CGrinzo>& face, std::int16_t& kills) {
  face->Delete();
  grinzos().Remove(face->GirnzoCode);
  // Below 1 the level counts as passed at the next frame.
  mintGrinzosLeft = rt::sub16(mintGrinzosLeft, 1);
  kills = rt::add16(kills, 1);
  blobs().Add(1, rt::roundToInt16(face->X + face->Width / 2.0),
              rt::roundToInt16(face->Y + face->Height / 2.0));
}

// One new face per kill, at a random place and direction, so that the number
// of faces on screen stays the same. Made after the shot was tested, so a
// shot never hits the faces it creates.
void frmGrinzo::addReplacementFaces(std::int16_t kills) {
  for (std::int16_t i = 0; i < kills; ++i) {
    reseed();
    const std::int16_t angle = rt::floorToInt16(351.0 * random_->next());
    const std::int16_t x = rt::floorToInt16((scaleWidth() - 32 + 1) * double{random_->next()});
    const std::int16_t y = rt::floorToInt16((scaleHeight() - 32 + 1) * double{random_->next()});
    grinzos().Add(angle, x, y);
  }
}

void frmGrinzo::playSound(const char* file) {
  if (mblnSound)
    lookup_.PlaySoundFile(sprites::joinPath(platform().folders().programFolder(), file));
}

void frmGrinzo::Form_MouseDown(std::int16_t Button, std::int16_t, float x, float y) {
  const double time = now();

  // The machine gun only starts its rattle here; the bullets come with the
  // pointer's movement. The first one waits until 0.2 s after the press.
  rt::skipOnError([&] {
    if (Button == forms::kLeftButton && mintCurrentWeapon == kMachineGun) {
      msngLastShot = time + 0.1;
      msngLastSound = time;
      playSound("machgun.wav");
    }
  });

  // The shot clock: the handgun fires more than 0.5 s after the last
  // accepted shot, the shotgun more than 0.9 s after it; the first shot of a
  // window is always accepted. The clock is shared by both weapons.
  bool ready = false;
  rt::skipOnError([&] {
    const bool longAgo = !sngLastClickShot || rt::toSingle(time - *sngLastClickShot) > kShotgunWait;
    if (mintCurrentWeapon == kHandgun) {
      ready = longAgo || rt::toSingle(time - *sngLastClickShot) > kHandgunWait;
    } else if (mintCurrentWeapon == kShotgun) {
      ready = longAgo;
    }
  });

  rt::skipOnError([&] { reseed(); });

  if (Button == forms::kLeftButton && ready) {
    sngLastClickShot = time;
    const bool shotgun = mintCurrentWeapon == kShotgun;
    std::int16_t pelletX[kPellets + 1] = {};
    std::int16_t pelletY[kPellets + 1] = {};
    rt::skipOnError([&] {
      if (!shotgun) return;
      for (int i = 0; i < kPellets; ++i) {
        pelletX[i] = scatter(x, kPelletSpread, random_->next());
        pelletY[i] = scatter(y, kPelletSpread, random_->next());
      }
    });

    std::int16_t kills = 0;
    rt::skipOnError([&] {
      for (const auto& face : grinzos()) {
        rt::skipOnError([&] {
          if (!shotgun) {
            if (hits(*face, x, y)) killFace(face, kills);
            return;
          }
          // A face counts once however many pellets cover it.
          for (int i = 0; i < kPellets; ++i) {
            if (hits(*face, pelletX[i], pelletY[i])) {
              killFace(face, kills);
              break;
            }
          }
        });
      }
    });

    // Holes go in after the splats of the same shot, so they are painted
    // over them; they are made whether or not anything was hit.
    rt::skipOnError([&] {
      if (shotgun) {
        for (int i = 0; i < kPellets; ++i) blobs().Add(3, pelletX[i], pelletY[i]);
        playSound("shotgun.wav");
      } else {
        blobs().Add(2, rt::roundToInt16(x), rt::roundToInt16(y));
        playSound("gun.wav");
      }
    });
    rt::skipOnError([&] { addReplacementFaces(kills); });
  }

  rt::skipOnError([&] {
    if (Button == forms::kRightButton && !gblnPreview) RequestExit();
  });
}

void frmGrinzo::Form_MouseMove(std::int16_t Button, std::int16_t, float x, float y) {
  const double time = now();
  rt::skipOnError([&] { reseed(); });

  // The machine gun fires while the left button alone is held and the
  // pointer moves: at most one bullet per 0.1 s, the rattle replayed every
  // 0.2 s. A full collection costs the step that failed, nothing more.
  if (Button == forms::kLeftButton && mintCurrentWeapon == kMachineGun) {
    rt::skipOnError([&] {
      if (rt::toSingle(time - msngLastShot) <= kBulletWait) return;
      std::int16_t bulletX = 0, bulletY = 0;
      bulletX = scatter(x, kBulletSpread, random_->next());
      bulletY = scatter(y, kBulletSpread, random_->next());
      std::int16_t kills = 0;
      for (const auto& face : grinzos()) {
        rt::skipOnError([&] {
          if (hits(*face, bulletX, bulletY)) killFace(face, kills);
        });
      }
      rt::skipOnError([&] { blobs().Add(3, bulletX, bulletY); });
      msngLastShot = time;
      rt::skipOnError([&] { addReplacementFaces(kills); });
    });
    rt::skipOnError([&] {
      if (rt::toSingle(time - msngLastSound) > kRattleWait) {
        playSound("machgun.wav");
        msngLastSound = time;
      }
    });
  }

  mblnIdle = false;
  msngLastActivity = time;
  rt::skipOnError([&] {
    mintCursorX = rt::roundToInt16(x);
    mintCursorY = rt::roundToInt16(y);
  });
}

void frmGrinzo::Form_KeyPress(std::int16_t KeyAscii) {
  if (KeyAscii == 'S' || KeyAscii == 's') {
    mintCurrentWeapon = rt::add16(mintCurrentWeapon, 1);
    if (mintCurrentWeapon > mintWeaponsAvailable) mintCurrentWeapon = kHandgun;
    if (const char* name = weaponName(mintCurrentWeapon))
      control("lblCurrentWeapon").setCaption(name);
    return;
  }
  if (!gblnPreview) RequestExit();
}

}  // namespace grinzo::game
