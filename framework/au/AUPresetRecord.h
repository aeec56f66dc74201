// Reference-counted factory preset records for the FactoryPresets array. Each record starts with the
// platform's AUPreset, so a host reads it as one; the array's callbacks retain and release it, and every
// retain or release of a record does the same to its name.
#pragma once

#include <AudioUnit/AudioUnit.h>
#include <CoreFoundation/CoreFoundation.h>

namespace iplugin
{
struct AUPresetRecord
{
  AUPreset mAUPreset;
  CFAllocatorRef mAllocator;
  CFIndex mRetainCount;
};

// A new record holding the number and a copy of the name (null name allowed); null when out of memory.
AUPresetRecord* AUPresetCreate(CFAllocatorRef allocator, SInt32 number, CFStringRef name);
const void* AUPresetRetain(CFAllocatorRef allocator, const void* preset);
void AUPresetRelease(AUPresetRecord* preset);
void AUPresetReleaseCallback(CFAllocatorRef allocator, const void* preset);
Boolean AUPresetEqual(const void* preset1, const void* preset2);
CFStringRef AUPresetCopyDescription(const void* preset);

// The array callbacks of the FactoryPresets property.
extern const CFArrayCallBacks kAUPresetArrayCallBacks;
} // namespace iplugin
