#include "game/demo_player.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <numbers>

#include "game/frm_grinzo.h"
#include "ui/forms/events.h"

namespace grinzo::game {

namespace {

constexpr double kTopSpeed = 1500;      // pixels a second, the pointer's fastest
constexpr double kOnTarget = 3;         // pixels from the aim point that count as there
constexpr double kMissRate = 0.2;       // about one shot in five goes beside the face
constexpr double kBunched = 90;         // a neighbour this close asks for the shotgun
constexpr double kDense = 160;          // two neighbours this close ask for the machine gun
constexpr double kHandgunReady = 0.55;  // a little more than the game's shot clocks
constexpr double kShotgunReady = 0.95;
constexpr double kKeyPace = 0.25;  // seconds between two weapon keys

double distance(double ax, double ay, double bx, double by) { return std::hypot(ax - bx, ay - by); }

}  // namespace

DemoPlayer::DemoPlayer(std::uint32_t seed) : state_(0x9E3779B97F4A7C15ull ^ seed) {}

// splitmix64: small, fast and the same on every platform.
double DemoPlayer::uniform() {
  std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  z ^= z >> 31;
  return static_cast<double>(z >> 11) * (1.0 / 9007199254740992.0);
}

void DemoPlayer::post(frmGrinzo& game, int kind, std::int16_t button, Point at) {
  forms::EventArgs args{.kind = static_cast<forms::EventKind>(kind)};
  args.button = button;
  args.x = static_cast<float>(std::round(at.x));
  args.y = static_cast<float>(std::round(at.y));
  game.dispatch(args);
}

void DemoPlayer::pressKey(frmGrinzo& game, char key) {
  forms::EventArgs args{.kind = forms::EventKind::KeyPress};
  args.keyAscii = key;
  game.dispatch(args);
}

// The faces' places and motion, from where they were at the previous step.
// Both lists are in the order of the faces' numbers, so one walk matches
// them up.
void DemoPlayer::remember(const frmGrinzo& game, double now) {
  std::swap(seen_, before_);
  seen_.clear();
  const double elapsed = now - seenAt_;
  std::size_t j = 0;
  bool ordered = true;
  game.faces()->forEach([&](const sprites::CGrinzo& face) {
    std::uint64_t id = 0;
    const std::string& key = face.GirnzoCode;
    std::from_chars(key.data(), key.data() + key.size(), id);
    Target t{id, {face.X + face.Width / 2.0, face.Y + face.Height / 2.0}, {}};
    while (j < before_.size() && before_[j].id < id) ++j;
    if (j < before_.size() && before_[j].id == id) {
      t.velocity = elapsed > 0 ? Point{(t.centre.x - before_[j].centre.x) / elapsed,
                                       (t.centre.y - before_[j].centre.y) / elapsed}
                               : before_[j].velocity;
    }
    ordered = ordered && (seen_.empty() || seen_.back().id < id);
    seen_.push_back(t);
  });
  if (!ordered) {
    std::sort(seen_.begin(), seen_.end(),
              [](const Target& a, const Target& b) { return a.id < b.id; });
  }
  seenAt_ = now;
}

std::optional<DemoPlayer::Target> DemoPlayer::findFace(std::uint64_t id) const {
  const auto found =
      std::lower_bound(seen_.begin(), seen_.end(), id,
                       [](const Target& t, std::uint64_t wanted) { return t.id < wanted; });
  if (found == seen_.end() || found->id != id) return std::nullopt;
  return *found;
}

// A face near the pointer, not always the nearest.
std::optional<DemoPlayer::Target> DemoPlayer::chooseTarget() {
  std::optional<Target> best;
  double bestScore = 0;
  for (const Target& face : seen_) {
    const double score =
        distance(face.centre.x, face.centre.y, pointer_.x, pointer_.y) * (0.7 + 0.6 * uniform());
    if (!best || score < bestScore) {
      best = face;
      bestScore = score;
    }
  }
  return best;
}

int DemoPlayer::neighbours(const Target& target, double radius) const {
  int count = 0;
  for (const Target& face : seen_) {
    if (face.id != target.id &&
        distance(face.centre.x, face.centre.y, target.centre.x, target.centre.y) < radius) {
      ++count;
    }
  }
  return count;
}

std::int16_t DemoPlayer::wantedWeapon(const frmGrinzo& game, const Target& target) const {
  const std::int16_t available = game.weaponsAvailable();
  if (available >= kMachineGun && neighbours(target, kDense) >= 2) return kMachineGun;
  if (available >= kShotgun && neighbours(target, kBunched) >= 1) return kShotgun;
  return kHandgun;
}

// An eased path: fast from afar, slowing down on the way in, never faster
// than a quick hand.
bool DemoPlayer::moveToward(frmGrinzo& game, Point aim, double dt, std::int16_t buttons) {
  aim.x = std::clamp(aim.x, 0.0, std::max(0.0, game.scaleWidth() - 1.0));
  aim.y = std::clamp(aim.y, 0.0, std::max(0.0, game.scaleHeight() - 1.0));
  const double gap = distance(aim.x, aim.y, pointer_.x, pointer_.y);
  const double speed = std::min(kTopSpeed, 200 + 6 * gap);
  const double step = std::min(gap, speed * dt);
  if (gap > 0 && step > 0) {
    pointer_.x += (aim.x - pointer_.x) * step / gap;
    pointer_.y += (aim.y - pointer_.y) * step / gap;
    post(game, static_cast<int>(forms::EventKind::MouseMove), buttons, pointer_);
  }
  return gap - step <= kOnTarget;
}

void DemoPlayer::play(frmGrinzo& game, double now) {
  const double dt = last_ < 0 ? 0 : std::max(0.0, now - last_);
  last_ = now;
  if (!game.faces() || game.scaleWidth() <= 0 || game.scaleHeight() <= 0) return;
  remember(game, now);
  if (!pointerKnown_) {
    pointer_ = {game.scaleWidth() / 2.0, game.scaleHeight() / 2.0};
    pointerKnown_ = true;
    post(game, static_cast<int>(forms::EventKind::MouseMove), 0, pointer_);
  }

  switch (phase_) {
    case Phase::Pausing: {
      if (now < pauseUntil_) return;
      const std::optional<Target> target = chooseTarget();
      if (!target) return;
      targetId_ = target->id;
      missing_ = uniform() < kMissRate;
      if (missing_) {
        // Beside the face, far enough that the shot cannot touch it.
        const double angle = 2 * std::numbers::pi * uniform();
        const double radius = 26 + 14 * uniform();
        missOffset_ = {radius * std::cos(angle), radius * std::sin(angle)};
      } else {
        missOffset_ = {};
      }
      phase_ = Phase::Aiming;
      return;
    }

    case Phase::Aiming: {
      const std::optional<Target> target = findFace(targetId_);
      if (!target) {  // shot by someone else, or gone with a new level
        phase_ = Phase::Pausing;
        pauseUntil_ = now + 0.1;
        return;
      }
      const std::int16_t weapon = wantedWeapon(game, *target);
      if (game.currentWeapon() != weapon && now >= nextKeyAt_) {
        pressKey(game, 'S');
        ++tally_.weaponSwitches;
        nextKeyAt_ = now + kKeyPace;
      }
      // Lead the face by the time the pointer needs to get there.
      const double gap = distance(target->centre.x, target->centre.y, pointer_.x, pointer_.y);
      const double lead = gap / kTopSpeed + 0.05;
      const Point aim{target->centre.x + target->velocity.x * lead + missOffset_.x,
                      target->centre.y + target->velocity.y * lead + missOffset_.y};
      if (!moveToward(game, aim, dt, 0) || game.currentWeapon() != weapon) return;
      if (weapon == kMachineGun) {
        post(game, static_cast<int>(forms::EventKind::MouseDown), forms::kLeftButton, pointer_);
        ++tally_.shots;
        lastShot_ = now;
        phase_ = Phase::Dragging;
        dragUntil_ = now + 0.8 + 0.6 * uniform();
        return;
      }
      const double ready = weapon == kShotgun ? kShotgunReady : kHandgunReady;
      if (now - lastShot_ <= ready) return;  // the shot clock: wait on the face
      post(game, static_cast<int>(forms::EventKind::MouseDown), forms::kLeftButton, pointer_);
      post(game, static_cast<int>(forms::EventKind::MouseUp), forms::kLeftButton, pointer_);
      ++tally_.shots;
      if (missing_) ++tally_.intendedMisses;
      lastShot_ = now;
      phase_ = Phase::Pausing;
      pauseUntil_ = now + 0.15 + 0.35 * uniform();
      return;
    }

    case Phase::Dragging: {
      if (now >= dragUntil_ || game.currentWeapon() != kMachineGun) {
        post(game, static_cast<int>(forms::EventKind::MouseUp), forms::kLeftButton, pointer_);
        phase_ = Phase::Pausing;
        pauseUntil_ = now + 0.2 + 0.3 * uniform();
        return;
      }
      // Through the crowd, face after face, with the button held.
      std::optional<Target> target = findFace(targetId_);
      if (!target) {
        target = chooseTarget();
        if (!target) return;
        targetId_ = target->id;
      }
      const Point aim{target->centre.x + target->velocity.x * 0.05,
                      target->centre.y + target->velocity.y * 0.05};
      if (moveToward(game, aim, dt, forms::kLeftButton)) {
        // On the face: a small wobble keeps the gun firing.
        pointer_.x += uniform() < 0.5 ? -2 : 2;
        post(game, static_cast<int>(forms::EventKind::MouseMove), forms::kLeftButton, pointer_);
      }
      return;
    }
  }
}

}  // namespace grinzo::game
