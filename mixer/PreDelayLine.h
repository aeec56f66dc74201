// One channel side's pre-delay: a ring that delays the audio behind its level detection by 512 ("Short")
// or 1,024 ("Long") samples.
//
// The storage is a fixed array inside the line, so no preparation or processing reset ever frees or
// reallocates what the audio thread is reading. Prepare runs on the reset path while the audio thread is
// idle; SetLength runs on the parameter-change path while the audio thread may run (length is written
// whole); Process runs on the audio thread.
#pragma once

#include "mixer/Relaxed.h"

#include <algorithm>
#include <cstdint>

namespace iplugin
{
struct PreDelayLine
{
  // The longest delay the "PreDelay" parameter asks for ("Long", 2 x 512).
  static constexpr uint32_t kMaxSamples = 1024;

  // Only mBuffer[0 .. mWritten) holds samples; past it the buffer reads as cleared and is cleared just
  // before the ring first reaches it. The ring starts at 0 and moves on from where it is, so what it has
  // written is always such a prefix; a line that never delays never touches its memory.
  double mBuffer[kMaxSamples];
  uint32_t mWritten = 0;
  Relaxed<uint32_t> mCapacity{kMaxSamples}; // min(max(3 s of samples, 1), kMaxSamples)
  Relaxed<uint32_t> mLength{0};             // the delay in samples, at most the capacity
  uint32_t mPosition = 0;

  // Capacity for the rate (a rate too low for 1,024 samples in 3 s cuts the delay), length = capacity,
  // buffer cleared, position 0.
  void Prepare(double sampleRate)
  {
    const double threeSeconds = 3.0 * sampleRate;
    uint32_t capacity = kMaxSamples;
    if (!(threeSeconds >= static_cast<double>(kMaxSamples)))
      capacity = threeSeconds >= 1.0 ? static_cast<uint32_t>(threeSeconds) : 1u;
    mCapacity = capacity;
    mLength = capacity;
    mWritten = 0;
    mPosition = 0;
  }

  // The delay becomes min(capacity, samples) when it differs; buffer contents and position stay.
  void SetLength(uint32_t samples)
  {
    if (mLength.Load() != samples) mLength = std::min(mCapacity.Load(), samples);
  }

  // Delays `frames` samples in place; false when the delay is 0 and the samples stay as they are. Audio
  // thread.
  bool Process(double* samples, int frames) { return Process(samples, frames, mLength.Load()); }

  // The same with the delay the caller read from mLength (once, for decisions of its own).
  bool Process(double* samples, int frames, uint32_t delay)
  {
    const uint32_t length = std::min(delay, kMaxSamples);
    if (length == 0) return false;
    // A shorter delay set since the last block can leave the position past the new end: wrap it.
    uint32_t position = mPosition % length;
    // In runs up to the end of the ring, so that the wrap is tested once a run, not once a sample.
    for (int i = 0; i < frames;)
    {
      const int run =
          static_cast<int>(std::min<uint32_t>(static_cast<uint32_t>(frames - i), length - position));
      double* ring = mBuffer + position;
      double* io = samples + i;
      const uint32_t end = position + static_cast<uint32_t>(run);
      if (end > mWritten)
      {
        std::fill(mBuffer + mWritten, mBuffer + end, 0.0);
        mWritten = end;
      }
      for (int k = 0; k < run; ++k)
      {
        const double out = ring[k];
        ring[k] = io[k];
        io[k] = out;
      }
      i += run;
      position += static_cast<uint32_t>(run);
      if (position == length) position = 0;
    }
    mPosition = position;
    return true;
  }
};
} // namespace iplugin
