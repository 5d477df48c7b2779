#pragma once
// The program's uniform random source: numbers in [0, 1) as 32-bit floats.
//
// Re-seeding from the clock mixes the reading into the running state rather
// than restarting the sequence, so faces made within one clock reading still
// get different angles and positions. For a given seed and the same series
// of re-seeds and draws the numbers are always the same (replays and tests
// depend on it).

#include <cstdint>

namespace grinzo::rt {

class RandomSource {
 public:
  explicit RandomSource(std::uint64_t seed = kDefaultSeed) { setSeed(seed); }

  // Restarts the sequence deterministically.
  void setSeed(std::uint64_t seed);

  // Mixes a clock reading into the state; the sequence goes on from there.
  void reseed(double clockReading);

  // Uniform in [0, 1): a multiple of 2^-24, so never rounds up to 1.0f.
  float next();

  static constexpr std::uint64_t kDefaultSeed = 0x4752494E5A4FULL;

 private:
  std::uint64_t nextBits();  // xoshiro256**
  std::uint64_t state_[4] = {};
};

// The one source shared by the whole program (starts from the default seed).
RandomSource& sharedRandom();

}  // namespace grinzo::rt
