// Conversions between decibels and linear values. -144 dB stands for silence: a dB value at or below it
// gives exactly 0, and a linear value too small to show gives -144.
#pragma once

#include <algorithm>
#include <cmath>

namespace iplugin
{
constexpr double kSilenceDb = -144.0;
constexpr double kDbToLinearFactor = 0.11512925464970228; // ln 10 / 20
constexpr double kLinearToDbFactor = 8.685889638065037;   // 20 / ln 10

// exp(dB x ln 10 / 20), or 0 at or below -144 dB.
inline double DbToLinear(double db)
{
  return db <= kSilenceDb ? 0.0 : std::exp(db * kDbToLinearFactor);
}

// 20 / ln 10 x ln(|linear|); ln 0 gives minus infinity, which callers gate like any low level.
inline double LinearToDb(double linear)
{
  return std::log(std::fabs(linear)) * kLinearToDbFactor;
}

// The dB value published for a gain: -144 for gains at or below 6.309e-8 (about -144 dB).
inline double GainToDb(double gain)
{
  const double g = std::fabs(gain);
  return g > 6.309e-8 ? std::log(g) * kLinearToDbFactor : kSilenceDb;
}

// (clamp(x, lo, hi) - lo) / (hi - lo).
inline double NormaliseClamped(double x, double lo, double hi)
{
  return (std::clamp(x, lo, hi) - lo) / (hi - lo);
}
} // namespace iplugin
