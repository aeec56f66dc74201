// The engine's one rule for time constants: a coefficient c = 10^(-1 / (seconds x sampleRate)) shrinks
// the distance between a follower and its target by a factor of ten in the given time.
#pragma once

#include <cmath>
#include <cstdint>
#include <limits>

namespace iplugin
{
// 0 for a time of 0 (or any time or rate that is not positive): the follower jumps to its target.
inline double TimeCoefficient(double seconds, double sampleRate)
{
  const double samples = seconds * sampleRate;
  if (!(samples > 0.0)) return 0.0;
  return std::pow(10.0, -1.0 / samples);
}

// seconds x sampleRate truncated towards zero; 0 for anything not positive, capped at the largest i32.
inline int32_t TimeSamples(double seconds, double sampleRate)
{
  const double samples = seconds * sampleRate;
  if (!(samples > 0.0)) return 0;
  if (samples >= static_cast<double>(std::numeric_limits<int32_t>::max()))
    return std::numeric_limits<int32_t>::max();
  return static_cast<int32_t>(samples);
}
} // namespace iplugin
