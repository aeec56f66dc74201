// One second-order filter section in direct form I: the speech pre-filter of the level detector is a
// high-pass and a low-pass section on each side.
#pragma once

#include <cstdint>

namespace iplugin
{
struct BiquadSection
{
  enum EType : int32_t
  {
    kNone = 0,
    kHighPass = 1,
    kLowPass = 2
  };

  // Added to the input and the output of every step so that no denormal can build up in the states.
  static constexpr double kAntiDenormal = 1e-24;

  double x1 = 0.0, x2 = 0.0;
  double x0 = 0.0; // the current input, kept after the step
  double y1 = 0.0, y2 = 0.0;
  double y0 = 0.0; // the current output, kept after the step
  double a0 = 1.0, a1 = 0.0, a2 = 0.0, b0 = 0.0, b1 = 0.0, b2 = 0.0;       // as designed
  double a0n = 1.0, a1n = 0.0, a2n = 0.0, b0n = 0.0, b1n = 0.0, b2n = 0.0; // divided by a0
  int32_t type = kNone;

  // Butterworth (Q = 1 / sqrt 2) sections with their -3 dB point at the given frequency. The states are
  // kept, so a running signal continues through a redesign. A corner at or above the Nyquist frequency
  // is pulled just below it, where the section is still stable.
  void SetHighPass(double frequency, double sampleRate);
  void SetLowPass(double frequency, double sampleRate);

  // Clears the states (not the coefficients).
  void Reset();

  // One sample through the section; returns y0. Audio thread.
  double ProcessSample(double x)
  {
    x0 = x + kAntiDenormal;
    y0 = b0n * x0 + b1n * x1 + b2n * x2 - a1n * y1 - a2n * y2 + kAntiDenormal;
    x2 = x1;
    x1 = x0;
    y2 = y1;
    y1 = y0;
    return y0;
  }

private:
  void Normalise();
};
} // namespace iplugin
