// The stream format that the binding and the host speak (no platform counterpart): linear PCM, native
// 32-bit float, one buffer a channel.
#pragma once

#include <CoreAudio/CoreAudioTypes.h>

namespace qorvplatform
{
inline AudioStreamBasicDescription Float32NonInterleavedFormat(double sampleRate, UInt32 nChannels)
{
  AudioStreamBasicDescription d = {};
  d.mSampleRate = sampleRate;
  d.mFormatID = kAudioFormatLinearPCM;
  d.mFormatFlags = kAudioFormatFlagsNativeFloatPacked | kAudioFormatFlagIsNonInterleaved;
  d.mBytesPerPacket = 4;
  d.mFramesPerPacket = 1;
  d.mBytesPerFrame = 4;
  d.mChannelsPerFrame = nChannels;
  d.mBitsPerChannel = 32;
  return d;
}
} // namespace qorvplatform
