#include "wav_writer.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <limits>
#include <stdexcept>
#include <system_error>

#include "ui/gdi/little_endian.h"

namespace grinzo::assetgen {
namespace {

void PutTag(std::vector<std::uint8_t>& out, const char (&tag)[5]) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(tag[i]));
}

}  // namespace

std::vector<std::uint8_t> EncodeWav(const std::vector<float>& samples, int sampleRate) {
  constexpr std::uint32_t kBytesPerSample = 2;
  if (sampleRate < 1) throw std::invalid_argument("wave sample rate must be positive");
  // The RIFF size field counts everything after itself: 36 header bytes + data.
  if (samples.size() > (std::numeric_limits<std::uint32_t>::max() - 36) / kBytesPerSample) {
    throw std::invalid_argument("too many samples for a wave file");
  }
  const auto dataBytes = static_cast<std::uint32_t>(samples.size() * kBytesPerSample);
  const auto rate = static_cast<std::uint32_t>(sampleRate);

  std::vector<std::uint8_t> out;
  out.reserve(44 + dataBytes);
  PutTag(out, "RIFF");
  gdi::le::put32(out, 36 + dataBytes);
  PutTag(out, "WAVE");
  PutTag(out, "fmt ");
  gdi::le::put32(out, 16);  // size of the PCM format block
  gdi::le::put16(out, 1);   // PCM
  gdi::le::put16(out, 1);   // mono
  gdi::le::put32(out, rate);
  gdi::le::put32(out, rate * kBytesPerSample);  // bytes per second
  gdi::le::put16(out, kBytesPerSample);         // block alignment
  gdi::le::put16(out, 16);                      // bits per sample
  PutTag(out, "data");
  gdi::le::put32(out, dataBytes);
  for (float sample : samples) {
    const float clamped = std::isnan(sample) ? 0.0f : std::clamp(sample, -1.0f, 1.0f);
    const auto value = static_cast<std::int16_t>(std::lround(clamped * 32767.0f));
    gdi::le::put16(out, static_cast<std::uint16_t>(value));
  }
  return out;
}

}  // namespace grinzo::assetgen
