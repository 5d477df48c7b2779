#pragma once
// The three weapon sounds, synthesised from noise and sine waves so that the
// build carries no recorded audio. Each call returns the same samples on
// every machine: the noise comes from a fixed-seed generator of our own.

#include <vector>

namespace grinzo::assetgen {

inline constexpr int kSampleRate = 22050;

// Samples at kSampleRate, peak at -1 dBFS, ending in a short fade to silence.

// A handgun shot: a sharp crack with a fast decay over a low thump, 0.45 s.
std::vector<float> HandgunShot();

// A shotgun blast: deeper, longer and fuller than the handgun, 0.85 s.
std::vector<float> ShotgunBlast();

// A machine-gun rattle: five rapid shots 90 ms apart, 0.5 s. The game
// restarts it every 0.2 s while the gun fires, so the first shots matter most.
std::vector<float> MachineGunRattle();

}  // namespace grinzo::assetgen
