// An AudioBufferList with room for N buffers, to be built on the stack (no platform counterpart; on the
// platform callers size the record by hand). Both the binding's input pulls and the host's render calls
// use it, so no render path allocates.
#pragma once

#include <CoreAudio/CoreAudioTypes.h>

#include <cstddef>

namespace qorvplatform
{
template <UInt32 N> struct FixedAudioBufferList
{
  static constexpr UInt32 kCapacity = N;

  UInt32 mNumberBuffers = 0;
  AudioBuffer mBuffers[N];

  AudioBufferList* Get() { return reinterpret_cast<AudioBufferList*>(this); }
};
static_assert(offsetof(FixedAudioBufferList<2>, mBuffers) == offsetof(AudioBufferList, mBuffers));
} // namespace qorvplatform
