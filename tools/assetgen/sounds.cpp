#include "sounds.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <numbers>

namespace grinzo::assetgen {
namespace {

constexpr double kRate = kSampleRate;
constexpr double kPeak = 0.8912509381337456;  // -1 dBFS
constexpr double kFadeSeconds = 0.03;

// xorshift64*: tiny, fast and identical everywhere, unlike the standard
// distributions whose output differs between library implementations.
class Noise {
 public:
  explicit Noise(std::uint64_t seed) : state_(seed | 1) {}
  // Uniform in [-1, 1), from the top 24 bits.
  double next() {
    state_ ^= state_ >> 12;
    state_ ^= state_ << 25;
    state_ ^= state_ >> 27;
    const std::uint64_t bits = (state_ * 2685821657736338717ULL) >> 40;
    return static_cast<double>(bits) / 8388608.0 - 1.0;
  }

 private:
  std::uint64_t state_;
};

class Lowpass {
 public:
  explicit Lowpass(double cutoffHz) : a_(std::exp(-2.0 * std::numbers::pi * cutoffHz / kRate)) {}
  double operator()(double x) { return y_ = (1.0 - a_) * x + a_ * y_; }

 private:
  double a_;
  double y_ = 0.0;
};

class Highpass {
 public:
  explicit Highpass(double cutoffHz) : low_(cutoffHz) {}
  double operator()(double x) { return x - low_(x); }

 private:
  Lowpass low_;
};

// A linear rise over `attack` seconds (no click at the onset), then an
// exponential decay with time constant `decay`.
double Envelope(double t, double attack, double decay) {
  if (t < 0.0) return 0.0;
  const double rise = t < attack ? t / attack : 1.0;
  return rise * std::exp(-t / decay);
}

// One report of a gun, in four layers that are mixed together.
struct Shot {
  double level = 1.0;
  // The crack: bright band-limited noise, gone within a few tens of ms.
  double crack, crackDecay, crackLowHz, crackHighHz;
  // The body: darker noise that carries the bang.
  double body, bodyDecay, bodyHighHz;
  // The thump: a sine sweeping down from the start to the end pitch.
  double thump, thumpStartHz, thumpEndHz, thumpSweep, thumpDecay;
  // The tail: soft, slowly fading noise, like the room answering.
  double tail, tailDecay, tailHighHz;
};

void AddShot(std::vector<double>& out, double startSeconds, const Shot& s, Noise& noise) {
  const auto start = static_cast<std::size_t>(startSeconds * kRate);
  Highpass crackLow(s.crackLowHz);
  Lowpass crackHigh(s.crackHighHz);
  Lowpass bodyHigh(s.bodyHighHz), bodyHigher(s.bodyHighHz);  // two poles: a darker bang
  Lowpass tailHigh(s.tailHighHz);
  double phase = 0.0;
  for (std::size_t i = start; i < out.size(); ++i) {
    const double t = static_cast<double>(i - start) / kRate;
    const double crack = crackHigh(crackLow(noise.next())) * Envelope(t, 0.0005, s.crackDecay);
    const double body = bodyHigher(bodyHigh(noise.next())) * Envelope(t, 0.001, s.bodyDecay);
    const double tail = tailHigh(noise.next()) * Envelope(t, 0.01, s.tailDecay);
    const double pitch =
        s.thumpEndHz + (s.thumpStartHz - s.thumpEndHz) * std::exp(-t / s.thumpSweep);
    phase += 2.0 * std::numbers::pi * pitch / kRate;
    const double thump = std::sin(phase) * Envelope(t, 0.002, s.thumpDecay);
    out[i] += s.level * (s.crack * crack + s.body * body + s.thump * thump + s.tail * tail);
  }
}

// Removes any offset, scales the peak to -1 dBFS and fades the end out.
std::vector<float> Finish(const std::vector<double>& mix) {
  std::vector<double> clean(mix.size());
  Highpass dcBlock(20.0);
  for (std::size_t i = 0; i < mix.size(); ++i) clean[i] = dcBlock(mix[i]);

  const auto fade = static_cast<std::size_t>(kFadeSeconds * kRate);
  for (std::size_t k = 0; k < fade && k < clean.size(); ++k) {
    // Raised cosine from 1 down to exactly 0 at the last sample.
    const double x = static_cast<double>(k) / static_cast<double>(fade - 1);
    clean[clean.size() - 1 - k] *= 0.5 - 0.5 * std::cos(std::numbers::pi * x);
  }

  double peak = 0.0;
  for (double v : clean) peak = std::max(peak, std::abs(v));
  const double gain = peak > 0.0 ? kPeak / peak : 0.0;
  std::vector<float> out(clean.size());
  for (std::size_t i = 0; i < clean.size(); ++i) out[i] = static_cast<float>(clean[i] * gain);
  return out;
}

std::vector<double> Silence(double seconds) {
  return std::vector<double>(static_cast<std::size_t>(seconds * kRate), 0.0);
}

}  // namespace

std::vector<float> HandgunShot() {
  Noise noise(0x6A09E667F3BCC908ULL);
  auto mix = Silence(0.45);
  Shot shot{};
  shot.crack = 1.0, shot.crackDecay = 0.008, shot.crackLowHz = 900, shot.crackHighHz = 7000;
  shot.body = 2.0, shot.bodyDecay = 0.04, shot.bodyHighHz = 1800;
  shot.thump = 0.3, shot.thumpStartHz = 160, shot.thumpEndHz = 60, shot.thumpSweep = 0.025,
  shot.thumpDecay = 0.05;
  shot.tail = 0.6, shot.tailDecay = 0.12, shot.tailHighHz = 2500;
  AddShot(mix, 0.0, shot, noise);
  return Finish(mix);
}

std::vector<float> ShotgunBlast() {
  Noise noise(0xBB67AE8584CAA73BULL);
  auto mix = Silence(0.85);
  Shot shot{};
  shot.crack = 0.8, shot.crackDecay = 0.015, shot.crackLowHz = 500, shot.crackHighHz = 5000;
  shot.body = 3.5, shot.bodyDecay = 0.11, shot.bodyHighHz = 900;
  shot.thump = 0.6, shot.thumpStartHz = 110, shot.thumpEndHz = 40, shot.thumpSweep = 0.04,
  shot.thumpDecay = 0.12;
  shot.tail = 1.2, shot.tailDecay = 0.25, shot.tailHighHz = 1000;
  AddShot(mix, 0.0, shot, noise);
  return Finish(mix);
}

std::vector<float> MachineGunRattle() {
  Noise noise(0x3C6EF372FE94F82BULL);
  auto mix = Silence(0.5);
  Shot shot{};
  shot.crack = 1.0, shot.crackDecay = 0.006, shot.crackLowHz = 1000, shot.crackHighHz = 8000;
  shot.body = 1.6, shot.bodyDecay = 0.02, shot.bodyHighHz = 2200;
  shot.thump = 0.25, shot.thumpStartHz = 130, shot.thumpEndHz = 65, shot.thumpSweep = 0.015,
  shot.thumpDecay = 0.03;
  shot.tail = 0.4, shot.tailDecay = 0.05, shot.tailHighHz = 3000;
  for (int i = 0; i < 5; ++i) {
    // Each later round a little different in strength, as a real burst is.
    // The first round is the loudest: the game restarts the sound every
    // 0.2 s while firing, so it is the one heard most.
    shot.level = i == 0 ? 1.0 : 0.85 + 0.075 * (noise.next() + 1.0);
    AddShot(mix, 0.09 * i, shot, noise);
  }
  return Finish(mix);
}

}  // namespace grinzo::assetgen
