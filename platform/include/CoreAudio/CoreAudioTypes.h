// Stand-in for the Core Audio records that pass between a host and an Audio Unit, with the
// platform's layouts and constant values.
#pragma once

#include <MacTypes.h>

struct AudioValueRange
{
  Float64 mMinimum;
  Float64 mMaximum;
};

struct AudioBuffer
{
  UInt32 mNumberChannels;
  UInt32 mDataByteSize;
  void* mData;
};

// Allocated with room for mNumberBuffers entries.
struct AudioBufferList
{
  UInt32 mNumberBuffers;
  AudioBuffer mBuffers[1];
};

typedef UInt32 AudioFormatID;
typedef UInt32 AudioFormatFlags;

struct AudioStreamBasicDescription
{
  Float64 mSampleRate;
  AudioFormatID mFormatID;
  AudioFormatFlags mFormatFlags;
  UInt32 mBytesPerPacket;
  UInt32 mFramesPerPacket;
  UInt32 mBytesPerFrame;
  UInt32 mChannelsPerFrame;
  UInt32 mBitsPerChannel;
  UInt32 mReserved;
};

enum : AudioFormatID
{
  kAudioFormatLinearPCM = 0x6C70636D // 'lpcm'
};

enum : AudioFormatFlags
{
  kAudioFormatFlagIsFloat = (1U << 0),
  kAudioFormatFlagIsBigEndian = (1U << 1),
  kAudioFormatFlagIsSignedInteger = (1U << 2),
  kAudioFormatFlagIsPacked = (1U << 3),
  kAudioFormatFlagIsAlignedHigh = (1U << 4),
  kAudioFormatFlagIsNonInterleaved = (1U << 5),
  kAudioFormatFlagIsNonMixable = (1U << 6),
  kAudioFormatFlagsAreAllClear = 0x80000000U,
  kLinearPCMFormatFlagIsFloat = kAudioFormatFlagIsFloat,
  kLinearPCMFormatFlagIsBigEndian = kAudioFormatFlagIsBigEndian,
  kLinearPCMFormatFlagIsSignedInteger = kAudioFormatFlagIsSignedInteger,
  kLinearPCMFormatFlagIsPacked = kAudioFormatFlagIsPacked,
  kLinearPCMFormatFlagIsNonInterleaved = kAudioFormatFlagIsNonInterleaved,
  kAudioFormatFlagsNativeEndian = 0,
  kAudioFormatFlagsNativeFloatPacked =
      kAudioFormatFlagIsFloat | kAudioFormatFlagsNativeEndian | kAudioFormatFlagIsPacked
};

struct SMPTETime
{
  SInt16 mSubframes;
  SInt16 mSubframeDivisor;
  UInt32 mCounter;
  UInt32 mType;
  UInt32 mFlags;
  SInt16 mHours;
  SInt16 mMinutes;
  SInt16 mSeconds;
  SInt16 mFrames;
};

typedef UInt32 AudioTimeStampFlags;
enum : AudioTimeStampFlags
{
  kAudioTimeStampNothingValid = 0,
  kAudioTimeStampSampleTimeValid = (1U << 0),
  kAudioTimeStampHostTimeValid = (1U << 1),
  kAudioTimeStampRateScalarValid = (1U << 2),
  kAudioTimeStampWordClockTimeValid = (1U << 3),
  kAudioTimeStampSMPTETimeValid = (1U << 4),
  kAudioTimeStampSampleHostTimeValid = kAudioTimeStampSampleTimeValid | kAudioTimeStampHostTimeValid
};

struct AudioTimeStamp
{
  Float64 mSampleTime;
  UInt64 mHostTime;
  Float64 mRateScalar;
  UInt64 mWordClockTime;
  SMPTETime mSMPTETime;
  AudioTimeStampFlags mFlags;
  UInt32 mReserved;
};

typedef UInt32 AudioChannelLayoutTag;
enum : AudioChannelLayoutTag
{
  kAudioChannelLayoutTag_UseChannelDescriptions = (0U << 16) | 0,
  kAudioChannelLayoutTag_UseChannelBitmap = (1U << 16) | 0,
  kAudioChannelLayoutTag_Mono = (100U << 16) | 1,
  kAudioChannelLayoutTag_Stereo = (101U << 16) | 2,
  kAudioChannelLayoutTag_Ambisonic_B_Format = (107U << 16) | 4,
  kAudioChannelLayoutTag_Quadraphonic = (108U << 16) | 4,
  kAudioChannelLayoutTag_MPEG_3_0_A = (113U << 16) | 3,
  kAudioChannelLayoutTag_MPEG_5_0_B = (118U << 16) | 5,
  kAudioChannelLayoutTag_MPEG_5_1_A = (121U << 16) | 6,
  kAudioChannelLayoutTag_MPEG_6_1_A = (125U << 16) | 7,
  kAudioChannelLayoutTag_MPEG_7_1_A = (126U << 16) | 8,
  kAudioChannelLayoutTag_MPEG_7_1_C = (128U << 16) | 8,
  kAudioChannelLayoutTag_AudioUnit_6_0 = (139U << 16) | 6,
  kAudioChannelLayoutTag_AudioUnit_7_0 = (140U << 16) | 7,
  kAudioChannelLayoutTag_DiscreteInOrder = (147U << 16) | 0,
  kAudioChannelLayoutTag_HOA_ACN_SN3D = (190U << 16) | 0,
  kAudioChannelLayoutTag_Unknown = 0xFFFF0000U
};

enum : OSStatus
{
  kAudio_UnimplementedError = -4,
  kAudio_FileNotFoundError = -43,
  kAudio_ParamError = -50,
  kAudio_MemFullError = -108
};
