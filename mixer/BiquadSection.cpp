#include "mixer/BiquadSection.h"

#include <cmath>
#include <numbers>

namespace iplugin
{
namespace
{
// Past pi the design's sine turns negative and the poles leave the unit circle.
constexpr double kMaxW0 = 0.95 * std::numbers::pi;

struct Design
{
  double s, c, alpha;
};

Design DesignAt(double frequency, double sampleRate)
{
  double w0 = 2.0 * std::numbers::pi * frequency / sampleRate;
  if (!(w0 < kMaxW0)) w0 = kMaxW0;
  const double s = std::sin(w0);
  return Design{s, std::cos(w0), s / std::numbers::sqrt2};
}
} // namespace

void BiquadSection::SetHighPass(double frequency, double sampleRate)
{
  const Design d = DesignAt(frequency, sampleRate);
  b0 = (1.0 + d.c) / 2.0;
  b1 = -(1.0 + d.c);
  b2 = (1.0 + d.c) / 2.0;
  a0 = 1.0 + d.alpha;
  a1 = -2.0 * d.c;
  a2 = 1.0 - d.alpha;
  type = kHighPass;
  Normalise();
}

void BiquadSection::SetLowPass(double frequency, double sampleRate)
{
  const Design d = DesignAt(frequency, sampleRate);
  b0 = (1.0 - d.c) / 2.0;
  b1 = 1.0 - d.c;
  b2 = (1.0 - d.c) / 2.0;
  a0 = 1.0 + d.alpha;
  a1 = -2.0 * d.c;
  a2 = 1.0 - d.alpha;
  type = kLowPass;
  Normalise();
}

void BiquadSection::Reset()
{
  x0 = x1 = x2 = 0.0;
  y0 = y1 = y2 = 0.0;
}

void BiquadSection::Normalise()
{
  a0n = 1.0;
  a1n = a2n = b0n = b1n = b2n = 0.0;
  if (a0 != 0.0)
  {
    a0n = a0 / a0;
    a1n = a1 / a0;
    a2n = a2 / a0;
    b0n = b0 / a0;
    b1n = b1 / a0;
    b2n = b2 / a0;
  }
}
} // namespace iplugin
