#include "framework/au/AUPresetRecord.h"

#include <new>

namespace iplugin
{
AUPresetRecord* AUPresetCreate(CFAllocatorRef allocator, SInt32 number, CFStringRef name)
{
  void* memory = CFAllocatorAllocate(allocator, sizeof(AUPresetRecord), 0);
  if (!memory) return nullptr;
  auto* record = new (memory) AUPresetRecord;
  record->mAUPreset.presetNumber = number;
  record->mAUPreset.presetName = name ? CFStringCreateCopy(allocator, name) : nullptr;
  record->mAllocator = allocator;
  record->mRetainCount = 1;
  return record;
}

const void* AUPresetRetain(CFAllocatorRef, const void* preset)
{
  if (preset)
  {
    auto* record = static_cast<AUPresetRecord*>(const_cast<void*>(preset));
    if (record->mAUPreset.presetName) CFRetain(record->mAUPreset.presetName);
    ++record->mRetainCount;
  }
  return preset;
}

void AUPresetRelease(AUPresetRecord* record)
{
  if (!record || record->mRetainCount < 1) return;
  if (record->mAUPreset.presetName) CFRelease(record->mAUPreset.presetName);
  if (--record->mRetainCount == 0)
  {
    record->mAUPreset.presetNumber = 0;
    record->mAUPreset.presetName = nullptr;
    CFAllocatorDeallocate(record->mAllocator, record);
  }
}

void AUPresetReleaseCallback(CFAllocatorRef, const void* preset)
{
  AUPresetRelease(static_cast<AUPresetRecord*>(const_cast<void*>(preset)));
}

Boolean AUPresetEqual(const void* preset1, const void* preset2)
{
  auto* a = static_cast<const AUPresetRecord*>(preset1);
  auto* b = static_cast<const AUPresetRecord*>(preset2);
  if (!a || !b) return a == b;
  if (a->mAUPreset.presetNumber != b->mAUPreset.presetNumber) return false;
  CFStringRef na = a->mAUPreset.presetName, nb = b->mAUPreset.presetName;
  if (!na || !nb) return na == nb;
  return CFStringCompare(na, nb, 0) == kCFCompareEqualTo;
}

CFStringRef AUPresetCopyDescription(const void* preset)
{
  auto* record = static_cast<const AUPresetRecord*>(preset);
  if (!record) return nullptr;
  return CFStringCreateWithFormat(kCFAllocatorDefault, nullptr,
                                  CFSTR("AUPreset:\npreset number = %d\npreset name = %@"),
                                  int(record->mAUPreset.presetNumber), record->mAUPreset.presetName);
}

const CFArrayCallBacks kAUPresetArrayCallBacks = {0, AUPresetRetain, AUPresetReleaseCallback,
                                                  AUPresetCopyDescription, AUPresetEqual};
} // namespace iplugin
