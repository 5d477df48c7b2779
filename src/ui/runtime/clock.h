#pragma once
// The clock: the time of day in seconds since midnight, with fractions.
//
// Game rules compare readings as 32-bit floats (Timer()), as they are stored
// in the game state; a rule that must run on across midnight can use
// continuousSeconds() instead, which never falls back to 0.

#include <chrono>

namespace grinzo::rt {

// `value` rounded to the nearest 32-bit float. Time differences are rounded
// this way before they are compared. A finite value beyond the float range
// raises OverflowError; NaN and the infinities pass through.
float toSingle(double value);

class Clock {
 public:
  virtual ~Clock() = default;

  // Seconds since local midnight, in [0, 86400).
  virtual double secondsSinceMidnight() const = 0;

  // Seconds since midnight of the day the clock started: equal to
  // secondsSinceMidnight() on that day, then growing past 86400 instead of
  // wrapping. Never goes backwards on its own (a ManualClock moves where a
  // test puts it).
  virtual double continuousSeconds() const = 0;

  // The reading as the game stores it: secondsSinceMidnight() as a 32-bit
  // float. Readings in the last few milliseconds before midnight, which
  // would round up to 86400, give the largest float below it, so a reading
  // always stays below 86400.
  float Timer() const;
};

// The machine's local time of day. The continuous reading comes from a
// steady clock anchored at construction, so it is immune to changes of the
// wall clock (and may drift from secondsSinceMidnight() by them).
class SystemClock final : public Clock {
 public:
  SystemClock();
  double secondsSinceMidnight() const override;
  double continuousSeconds() const override;

 private:
  double startSeconds_;
  std::chrono::steady_clock::time_point start_;
};

// A clock that moves only when told to, for tests and the headless backend.
// secondsSinceMidnight() is the continuous value modulo 86400.
class ManualClock final : public Clock {
 public:
  explicit ManualClock(double continuousSeconds = 0) { set(continuousSeconds); }

  // Moves the clock anywhere at or after the start of its first day (a test
  // may move it backwards). Raises RuntimeError (InvalidArgument) for NaN,
  // infinities and a reading below 0.
  void set(double continuousSeconds);
  void advance(double seconds);

  double secondsSinceMidnight() const override;
  double continuousSeconds() const override { return seconds_; }

 private:
  double seconds_ = 0;
};

}  // namespace grinzo::rt
