// The pan law of the mixer and the sender: unity at the centre, +3 dB on the near side and silence on the
// far side at the extremes, with a small correction term so that the law is continuous at the centre.
#pragma once

#include <cmath>
#include <numbers>

namespace iplugin
{
struct PanFactors
{
  bool centred = true; // x = 0: the signal stays as it is
  double left = 1.0;
  double right = 1.0;
};

// Factors for a pan value of -100 (full left) .. 100 (full right); values past either end count as the end.
inline PanFactors PanLawFactors(double pan)
{
  const double x = pan < -100.0 ? -1.0 : std::fmin(pan, 100.0) / 100.0;
  PanFactors p;
  if (x == 0.0) return p;
  const double f = ((1.0 / std::cos(x * std::numbers::pi / 4.0) - 1.0) * -0.0028611412669955452 + 1.0) *
                   1.0011865297009068;
  const double a = (x + 1.0) * std::numbers::pi / 4.0;
  p.centred = false;
  p.left = std::cos(a) * f / 0.7079457843841379;
  p.right = std::sin(a) * f / 0.7079457843841379;
  return p;
}

// The pan law applied to a pair of gains.
inline void ApplyPanLaw(double pan, double& left, double& right)
{
  const PanFactors p = PanLawFactors(pan);
  if (p.centred) return;
  left *= p.left;
  right *= p.right;
}
} // namespace iplugin
