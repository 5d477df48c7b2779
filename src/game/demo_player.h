#pragma once
// The demo player: the computer plays the game, so that a screen saver that
// nobody touches is still a show. It plays through the same input path as a
// person: it posts pointer moves, button presses and releases and the "S"
// key to the game window (Form::dispatch, as a backend delivers input), and
// reads only what a person sees (the faces' places, the weapons offered), so
// every rule of the game applies to it unchanged. It never sends a key or
// button that asks to end the game.
//
// How it plays: it picks a face near the pointer and moves the pointer
// toward it along a smooth path (at most 1500 pixels a second), leading the
// face by its motion; it fires when it is on the face, misses about one shot
// in five on purpose, takes the shotgun where faces are bunched and the
// machine gun (dragged through the crowd) where they are dense, once those
// are unlocked, and pauses between targets at a human pace. It is
// deterministic for a given seed and the game's clock.

#include <cstdint>
#include <optional>
#include <vector>

namespace grinzo::game {

class frmGrinzo;

class DemoPlayer {
 public:
  explicit DemoPlayer(std::uint32_t seed);

  // One step at `now` (the game's clock, seconds): the input a person would
  // give the game since the last step.
  void play(frmGrinzo& game, double now);

  // What it has done so far, for the curious and the tests.
  struct Tally {
    long shots = 0;           // presses of the left button
    long intendedMisses = 0;  // shots aimed beside the face
    long weaponSwitches = 0;  // "S" keys
  };
  const Tally& tally() const { return tally_; }

 private:
  struct Point {
    double x = 0;
    double y = 0;
  };
  // A face by its key's number ("17" is 17): keys are handed out rising, so
  // the face collection's order is their order.
  struct Target {
    std::uint64_t id = 0;
    Point centre;
    Point velocity;  // pixels a second
  };
  enum class Phase { Pausing, Aiming, Dragging };

  double uniform();  // [0, 1)
  std::optional<Target> findFace(std::uint64_t id) const;
  std::optional<Target> chooseTarget();
  // Other faces within `radius` of the target's centre.
  int neighbours(const Target& target, double radius) const;
  std::int16_t wantedWeapon(const frmGrinzo& game, const Target& target) const;
  // Moves the pointer toward `aim` by at most the step's distance; true once
  // it is there.
  bool moveToward(frmGrinzo& game, Point aim, double dt, std::int16_t buttons);
  void post(frmGrinzo& game, int kind, std::int16_t button, Point at);
  void pressKey(frmGrinzo& game, char key);
  void remember(const frmGrinzo& game, double now);

  std::uint64_t state_;
  Phase phase_ = Phase::Pausing;
  double last_ = -1;        // the previous step's time
  double pauseUntil_ = 0;   // Pausing: when the next target is chosen
  double dragUntil_ = 0;    // Dragging: when the button is released
  double nextKeyAt_ = 0;    // weapon keys come at a human pace
  double lastShot_ = -1e9;  // the last press of the left button
  Point pointer_;           // where the pointer is
  bool pointerKnown_ = false;
  std::uint64_t targetId_ = 0;  // the face aimed at
  Point missOffset_;            // beside the face, for an intended miss
  bool missing_ = false;
  // Every face's centre and motion at this step and the one before, in the
  // collection's order; kept from step to step, so that a step with
  // thousands of faces allocates nothing.
  std::vector<Target> seen_, before_;
  double seenAt_ = 0;
  Tally tally_;
};

}  // namespace grinzo::game
