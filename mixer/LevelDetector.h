// The level meter of one stereo signal: optional speech pre-filter (300 Hz high-pass and 3,400 Hz
// low-pass on each side), a two-pole smoother of the mean magnitude, and two chained attack/hold/release
// envelopes. Envelope 1 is the level that the gain computation uses; envelope 2 follows it with an instant
// attack, a 2 s hold and a 0.1 s release and is the peak that the meters show.
//
// Prepare runs on the reset path while the audio thread is idle; Process and ProcessBlock run on the
// audio thread; the editor reads Level and Peak from the main thread without a lock. The coefficients of
// envelope 1 are set by the owner (SetEnvelopeTimes) after Prepare and whenever its times change.
#pragma once

#include "mixer/BiquadSection.h"
#include "mixer/GainSmoother.h"

namespace iplugin
{
struct LevelDetector
{
  static constexpr double kHighPassHz = 300.0;
  static constexpr double kLowPassHz = 3400.0;
  static constexpr double kSmootherHz = 100.0;
  static constexpr double kPeakHoldSeconds = 2.0;
  static constexpr double kPeakReleaseSeconds = 0.1;
  // With these, a steady sine of amplitude A on both sides settles envelope 1 at about 603/602 x A.
  static constexpr double kLevelGain = 2.356194490192345; // 3 pi / 4
  static constexpr double kSmootherFeedback = 0.49751243781094534;
  static constexpr double kMagnitudeOffset = 1e-15; // far below the envelopes' snap to 0

  double mSampleRate = 0.0;
  double mStage1 = 0.0; // the smoother's states, never negative
  double mStage2 = 0.0;
  double mSmootherK = 0.0;
  double mLevelGain = kLevelGain;
  double mSecondGain = 1.0;
  GainSmoother mEnvelope1; // the detected level
  GainSmoother mEnvelope2; // the peak follower of envelope 1
  BiquadSection mHighPassLeft, mHighPassRight;
  BiquadSection mLowPassLeft, mLowPassRight;

  // Sets the detector up for a sample rate: restarts the smoother and both envelopes from 0, designs the
  // pre-filter and envelope 2; the filter states and envelope 1's coefficients stay. A rate that is not
  // a positive finite number is refused (false) and changes nothing.
  bool Prepare(double sampleRate);

  // Envelope 1's attack, hold and release, by the engine's rule at this detector's sample rate.
  void SetEnvelopeTimes(double attackSeconds, double holdSeconds, double releaseSeconds)
  {
    mEnvelope1.SetTimes(attackSeconds, holdSeconds, releaseSeconds, mSampleRate);
  }

  // Feeds one stereo sample. Audio thread.
  void Process(bool preFilter, double left, double right) { Run(preFilter, &left, &right, 1, nullptr); }

  // Feeds a block; equal to calling Process for each frame. right may be the same array as left.
  // levels (may be null) receives envelope 1's value after each frame. Audio thread.
  void ProcessBlock(bool preFilter, const double* left, const double* right, int frames, double* levels)
  {
    Run(preFilter, left, right, frames, levels);
  }

  double Level() const { return mEnvelope1.Value(); }
  double Peak() const { return mEnvelope2.Value(); }

private:
  void Run(bool preFilter, const double* left, const double* right, int frames, double* levels);
};
} // namespace iplugin
