#include "mixer/LevelDetector.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace iplugin
{
bool LevelDetector::Prepare(double sampleRate)
{
  if (!(sampleRate > 0.0) || !std::isfinite(sampleRate)) return false;
  mSampleRate = sampleRate;
  mSmootherK = (1.0 - std::exp(-2.0 * std::numbers::pi * kSmootherHz / sampleRate)) * 0.5;
  mLevelGain = kLevelGain;
  mSecondGain = 1.0;
  mStage1 = 0.0;
  mStage2 = 0.0;
  mEnvelope1.Reset();
  mEnvelope2.SetTimes(0.0, kPeakHoldSeconds, kPeakReleaseSeconds, sampleRate);
  mEnvelope2.Reset();
  mHighPassLeft.SetHighPass(kHighPassHz, sampleRate);
  mHighPassRight.SetHighPass(kHighPassHz, sampleRate);
  mLowPassLeft.SetLowPass(kLowPassHz, sampleRate);
  mLowPassRight.SetLowPass(kLowPassHz, sampleRate);
  return true;
}

void LevelDetector::Run(bool preFilter, const double* left, const double* right, int frames, double* levels)
{
  GainSmoother::Kernel env1 = mEnvelope1.Load();
  GainSmoother::Kernel env2 = mEnvelope2.Load();
  const double k = mSmootherK;
  const double levelGain = mLevelGain;
  const double secondGain = mSecondGain;
  double s1 = mStage1;
  double s2 = mStage2;
  for (int i = 0; i < frames; ++i)
  {
    double l = left[i];
    double r = right[i];
    if (preFilter)
    {
      l = mLowPassLeft.ProcessSample(mHighPassLeft.ProcessSample(l));
      r = mLowPassRight.ProcessSample(mHighPassRight.ProcessSample(r));
    }
    const double x = (std::fabs(l) + std::fabs(r)) * 0.5 + kMagnitudeOffset;
    const double n1 = (-kSmootherFeedback * s2 + x - s1) * k + s1;
    const double n2 = (n1 - s2) * k + s2;
    s1 = std::max(n1, 0.0);
    s2 = std::max(n2, 0.0);
    const double level = env1.Step(std::fabs(s2 * levelGain * secondGain));
    env2.Step(std::fabs(level));
    if (levels) levels[i] = level;
  }
  mStage1 = s1;
  mStage2 = s2;
  mEnvelope1.Save(env1);
  mEnvelope2.Save(env2);
}
} // namespace iplugin
