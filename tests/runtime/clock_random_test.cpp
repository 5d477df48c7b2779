// The clock and the shared random source.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <vector>

#include "ui/runtime/clock.h"
#include "ui/runtime/errors.h"
#include "ui/runtime/random.h"

namespace rt = grinzo::rt;

TEST(Clock, ReadingsAcrossMidnight) {
  rt::ManualClock clock(86399.999);  // would round to 86400 as a float
  EXPECT_EQ(clock.Timer(), std::nextafter(86400.0f, 0.0f));
  clock.advance(0.501);
  EXPECT_DOUBLE_EQ(clock.continuousSeconds(), 86400.5);
  EXPECT_EQ(clock.Timer(), 0.5f);
  EXPECT_THROW(clock.set(std::nan("")), rt::RuntimeError);
  EXPECT_THROW(clock.advance(-1e6), rt::RuntimeError);
  EXPECT_THROW(rt::toSingle(1e39), rt::OverflowError);

  rt::SystemClock system;
  const double first = system.continuousSeconds();
  EXPECT_LT(system.secondsSinceMidnight(), 86400);
  EXPECT_GE(system.continuousSeconds(), first);
}

TEST(Random, DrawsStayInUnitIntervalAndSpreadEvenly) {
  rt::RandomSource source(7);
  std::array<int, 10> buckets{};
  constexpr int kDraws = 100000;
  for (int i = 0; i < kDraws; ++i) {
    const float r = source.next();
    ASSERT_GE(r, 0.0f);
    ASSERT_LT(r, 1.0f);
    ++buckets[static_cast<int>(r * 10)];
  }
  for (int count : buckets) EXPECT_NEAR(count, kDraws / 10, kDraws / 100);
}

TEST(Random, ReseedMixesInsteadOfRestartingAndIsReproducible) {
  rt::RandomSource source, replay;
  std::vector<float> draws;
  for (int face = 0; face < 5; ++face) {  // five faces within one clock reading
    source.reseed(36000.25);
    replay.reseed(36000.25);
    for (int i = 0; i < 3; ++i) {
      draws.push_back(source.next());
      ASSERT_EQ(draws.back(), replay.next());
    }
  }
  for (std::size_t i = 3; i < draws.size(); ++i) EXPECT_NE(draws[i], draws[i - 3]) << i;

  rt::RandomSource twice, untouched;
  twice.reseed(1.0);
  twice.reseed(1.0);  // back to back must not cancel
  EXPECT_NE(twice.next(), untouched.next());
}
