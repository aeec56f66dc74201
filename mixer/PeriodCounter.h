// A 50 ms period counted in samples on the audio thread: the meters-due and automation-due requests that
// the idle tick serves on the main thread.
#pragma once

#include <cstdint>

namespace iplugin
{
struct PeriodCounter
{
  double mPeriodMs = 50.0;
  uint32_t mPeriodSamples = 0; // 0.05 x sample rate truncated, at least 1
  uint32_t mCounter = 0;
  double mSampleRate = 0.0;
  double mSamplesPerMs = 0.0;

  void Prepare(double sampleRate)
  {
    mPeriodMs = 50.0;
    const double samples = mPeriodMs * 0.001 * sampleRate;
    // At least one sample, so that the modulo below is defined at any rate.
    mPeriodSamples =
        samples >= 1.0 ? (samples < 4294967295.0 ? static_cast<uint32_t>(samples) : 4294967295u) : 1u;
    mCounter = 0;
    mSampleRate = sampleRate;
    mSamplesPerMs = sampleRate / 1000.0;
  }

  // Counts a block; true when the period was reached (the counter keeps the remainder). Audio thread.
  bool Advance(uint32_t frames)
  {
    if (mPeriodSamples == 0) return false; // not prepared
    const uint64_t counter = static_cast<uint64_t>(mCounter) + frames;
    if (counter < mPeriodSamples)
    {
      mCounter = static_cast<uint32_t>(counter);
      return false;
    }
    mCounter = static_cast<uint32_t>(counter % mPeriodSamples);
    return true;
  }
};
} // namespace iplugin
