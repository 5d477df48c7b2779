#include "ui/runtime/random.h"

#include <bit>

namespace grinzo::rt {
namespace {

constexpr std::uint64_t kGolden = 0x9E3779B97F4A7C15ULL;

// The splitmix64 finaliser: a bijection that spreads every input bit over
// the whole word.
std::uint64_t mix(std::uint64_t z) {
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
  return z ^ (z >> 31);
}

}  // namespace

void RandomSource::setSeed(std::uint64_t seed) {
  for (std::uint64_t& word : state_) {
    seed += kGolden;
    word = mix(seed);
  }
}

void RandomSource::reseed(double clockReading) {
  const std::uint64_t reading = std::bit_cast<std::uint64_t>(clockReading);
  // Each word is a bijection of its old value for a given reading, so the
  // old state carries through; mixing it non-linearly keeps two re-seeds
  // with the same reading from cancelling each other.
  for (int i = 0; i < 4; ++i) state_[i] = mix(state_[i] ^ (reading + kGolden * (i + 1)));
  if ((state_[0] | state_[1] | state_[2] | state_[3]) == 0) setSeed(reading);
}

std::uint64_t RandomSource::nextBits() {
  const std::uint64_t result = std::rotl(state_[1] * 5, 7) * 9;
  const std::uint64_t t = state_[1] << 17;
  state_[2] ^= state_[0];
  state_[3] ^= state_[1];
  state_[1] ^= state_[2];
  state_[0] ^= state_[3];
  state_[2] ^= t;
  state_[3] = std::rotl(state_[3], 45);
  return result;
}

float RandomSource::next() {
  // The top 24 bits fill a float's mantissa exactly: k / 2^24 for k < 2^24.
  return static_cast<float>(nextBits() >> 40) * 0x1p-24f;
}

RandomSource& sharedRandom() {
  static RandomSource source;
  return source;
}

}  // namespace grinzo::rt
