#pragma once
// Wave files for the generated sounds: 16-bit PCM, one channel.

#include <cstdint>
#include <string>
#include <vector>

namespace grinzo::assetgen {

// The bytes of a wave file holding `samples` (nominally -1 .. 1; anything
// beyond is clamped to full scale) as 16-bit PCM mono at `sampleRate`.
// Raises std::invalid_argument for a rate below 1 or more samples than a
// wave file can describe.
std::vector<std::uint8_t> EncodeWav(const std::vector<float>& samples, int sampleRate);

}  // namespace grinzo::assetgen
