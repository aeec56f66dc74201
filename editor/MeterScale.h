// The scale of the editor's meters: a meter value 0..1 stands for -60..0 dB (61 frames, one per dB).
#pragma once

#include <cmath>

namespace iplugin
{
// 20 log10 x, or -144 when x is not above 0.
inline double MeterDb(double x)
{
  return x > 0.0 ? 8.685889638065037 * std::log(x) : -144.0;
}

// 0 below -60 dB (and for NaN), 1 from 0 dB up, linear between.
inline double MeterValue(double db)
{
  return !(db >= -60.0) ? 0.0 : (std::fmin(db, 0.0) + 60.0) / 60.0;
}
} // namespace iplugin
