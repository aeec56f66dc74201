// What the fake Audio Unit of the platform runtime's tests tells about itself.
#pragma once

#include <MacTypes.h>

// Global scope, read only: a FakeLog.
constexpr UInt32 kFakeProperty_Log = 64000;
constexpr long kFakeVersion = 0x00010203;

struct FakeLog
{
  UInt32 initialized;
  UInt32 resets;
  UInt32 scheduled;
  UInt32 rendered; // frames
  UInt32 lastBus;
  Float32 lastValue;  // last parameter value set
  UInt32 lastOffset;  // and its buffer offset
  UInt32 midi[4];     // status, data 1, data 2, offset of the last MIDI event
  UInt32 liveUnits;   // units of this module alive now
  UInt32 storageSeen; // whether the instance storage is what the door promises
};
