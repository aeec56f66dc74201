// Attack/hold/release follower of a target value: the engine's channel gains, solo/mute gains and the
// two envelopes of every level detector.
//
// The step runs on the audio thread. The coefficients are set from the parameter-change path while the
// audio thread may be running, and the editor reads the value from the main thread; those fields are
// written whole (Relaxed), so a reader sees a value at most one step old.
#pragma once

#include "mixer/Relaxed.h"
#include "mixer/TimeConstants.h"

#include <cstdint>

namespace iplugin
{
struct GainSmoother
{
  enum EState : uint32_t
  {
    kStateIdle = 0,   // never attacked since the last reset: targets below the value change nothing
    kStateAttack = 1, // attack or hold
    kStateRelease = 4
  };

  // Values below this are set to exactly 0, so no denormal can build up.
  static constexpr double kSnapToZero = 1e-8;

  // The working copy of one smoother's fields, kept in registers across a block.
  struct Kernel
  {
    double attack;
    double release;
    double value;
    int32_t holdSamples;
    int32_t holdCounter;
    uint32_t state;

    double Step(double target)
    {
      if (target > value)
      {
        value = (value - target) * attack + target;
        holdCounter = 0;
        state = kStateAttack;
      }
      else if (state == kStateRelease)
      {
        value = (value - target) * release + target;
      }
      else if (state == kStateAttack)
      {
        // The counter is compared before it is raised: hold 0 releases in the first lower sample.
        if (holdCounter >= holdSamples)
        {
          state = kStateRelease;
          value = (value - target) * release + target;
        }
        else
        {
          ++holdCounter;
        }
      }
      if (value < kSnapToZero) value = 0.0;
      return value;
    }
  };

  Relaxed<double> mAttack{0.0};  // 0 = instant
  Relaxed<double> mRelease{0.0}; // applies in the release state
  Relaxed<int32_t> mHoldSamples{0};
  int32_t mHoldCounter = 0;
  Relaxed<double> mValue{0.0};
  uint32_t mState = kStateIdle;

  // Coefficients by the engine's rule (TimeCoefficient), hold = holdSeconds x sampleRate truncated.
  void SetTimes(double attackSeconds, double holdSeconds, double releaseSeconds, double sampleRate)
  {
    mAttack = TimeCoefficient(attackSeconds, sampleRate);
    mRelease = TimeCoefficient(releaseSeconds, sampleRate);
    mHoldSamples = TimeSamples(holdSeconds, sampleRate);
  }

  // Value 0 and idle; the coefficients and the hold length stay. Not while the audio thread runs.
  void Reset()
  {
    mValue = 0.0;
    mState = kStateIdle;
    mHoldCounter = 0;
  }

  double Value() const { return mValue.Load(); }

  // One step towards the target; returns the new value. Audio thread.
  double Step(double target)
  {
    Kernel k = Load();
    const double value = k.Step(target);
    Save(k);
    return value;
  }

  // The same steps over a block of targets; values (may be null) receives the value after each step.
  // Equal to calling Step for each target. Audio thread.
  void ProcessBlock(const double* targets, int frames, double* values)
  {
    Kernel k = Load();
    for (int i = 0; i < frames; ++i)
    {
      const double value = k.Step(targets[i]);
      if (values) values[i] = value;
    }
    Save(k);
  }

  Kernel Load() const
  {
    return Kernel{mAttack.Load(), mRelease.Load(), mValue.Load(), mHoldSamples.Load(), mHoldCounter, mState};
  }

  void Save(const Kernel& k)
  {
    mValue = k.value;
    mHoldCounter = k.holdCounter;
    mState = k.state;
  }
};
} // namespace iplugin
