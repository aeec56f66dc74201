// Where audio enters the engine (a mixer's or a sender's input, a send slot's block) a sample that is
// not a finite number is taken as silence: one NaN would otherwise stay in every filter, envelope, gain
// and delay it reaches, and the mix would never recover.
#pragma once

namespace iplugin
{
// x when finite, else 0. Branch-free (x - x is 0 only for a finite x), so the loops below vectorise.
inline double FiniteOrSilence(double x)
{
  return x - x == 0.0 ? x : 0.0;
}

inline void CopyFiniteOrSilence(const double* source, double* destination, int frames)
{
  for (int i = 0; i < frames; ++i)
    destination[i] = FiniteOrSilence(source[i]);
}

inline void SilenceNonFinite(double* samples, int frames)
{
  CopyFiniteOrSilence(samples, samples, frames);
}
} // namespace iplugin
