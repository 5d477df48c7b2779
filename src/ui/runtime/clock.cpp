#include "ui/runtime/clock.h"

#include <cmath>
#include <ctime>
#include <mutex>

#include "ui/runtime/errors.h"

namespace grinzo::rt {
namespace {

constexpr double kSecondsPerDay = 86400;

// Local time of day now. std::localtime shares one buffer, so the call is
// serialised; the rest of the program reads the clock from one thread, but
// tests may run clocks side by side.
double localSecondsSinceMidnight() {
  static std::mutex mutex;
  const auto now = std::chrono::system_clock::now();
  const std::time_t whole = std::chrono::system_clock::to_time_t(now);
  // to_time_t may round; take the fraction relative to the whole second it chose.
  const double fraction =
      std::chrono::duration<double>(now - std::chrono::system_clock::from_time_t(whole)).count();
  int hour = 0, minute = 0, second = 0;
  {
    std::lock_guard<std::mutex> lock(mutex);
    const std::tm* local = std::localtime(&whole);
    if (local == nullptr) return 0;
    hour = local->tm_hour;
    minute = local->tm_min;
    second = local->tm_sec > 59 ? 59 : local->tm_sec;  // a leap second
  }
  const double seconds = hour * 3600.0 + minute * 60.0 + second + fraction;
  if (seconds < 0) return 0;
  return seconds < kSecondsPerDay ? seconds : std::nextafter(kSecondsPerDay, 0.0);
}

}  // namespace

float toSingle(double value) {
  // From 2^128 - 2^103 on, a double rounds past the largest float.
  if (std::isfinite(value) && std::fabs(value) >= 0x1.ffffffp+127)
    throw OverflowError("Overflow: the number does not fit a 32-bit float");
  return static_cast<float>(value);
}

float Clock::Timer() const {
  const float reading = toSingle(secondsSinceMidnight());
  constexpr float kDay = 86400.0f;
  return reading < kDay ? reading : std::nextafter(kDay, 0.0f);
}

SystemClock::SystemClock()
    : startSeconds_(localSecondsSinceMidnight()), start_(std::chrono::steady_clock::now()) {}

double SystemClock::secondsSinceMidnight() const { return localSecondsSinceMidnight(); }

double SystemClock::continuousSeconds() const {
  return startSeconds_ +
         std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
}

void ManualClock::set(double continuousSeconds) {
  if (!std::isfinite(continuousSeconds) || continuousSeconds < 0)
    throw RuntimeError(ErrorNumber::InvalidArgument,
                       "Invalid procedure call or argument: a clock reading must be a finite, "
                       "non-negative number of seconds");
  seconds_ = continuousSeconds;
}

void ManualClock::advance(double seconds) { set(seconds_ + seconds); }

double ManualClock::secondsSinceMidnight() const { return std::fmod(seconds_, kSecondsPerDay); }

}  // namespace grinzo::rt
