// What an active microphone of a round table picks up, for the benchmarks of a playing mix: pink noise
// switched on and off at the channel's own pace and level, so that every strip's meters, lamp and overlay
// move. Deterministic: every run mixes the same samples.
#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace qorvbench
{
inline std::vector<double> SwitchedPinkNoise(int channel, size_t frames, double rate)
{
  std::vector<double> s(frames);
  uint32_t seed = 1u + 7919u * uint32_t(channel);
  double b0 = 0, b1 = 0, b2 = 0;
  const double on = 0.35 + 0.11 * channel, off = 0.25 + 0.07 * (channel % 8), level = 0.02 + 0.008 * channel;
  for (size_t i = 0; i < frames; ++i)
  {
    seed = seed * 1664525u + 1013904223u;
    const double white = double(seed >> 8) / double(1 << 23) - 1.0;
    // Three one-pole filters whose sum falls at about 3 dB an octave.
    b0 = 0.99765 * b0 + white * 0.0990;
    b1 = 0.96300 * b1 + white * 0.2965;
    b2 = 0.57000 * b2 + white * 1.0526;
    const double t = std::fmod(double(i) / rate + 0.13 * channel, on + off);
    s[i] = t < on ? level * (b0 + b1 + b2 + white * 0.1848) : 0.0;
  }
  return s;
}
} // namespace qorvbench
