// A host's saved ClassInfo read back from arbitrary property-list bytes: whatever the dictionary holds,
// the restore answers with a status and the instance stays usable.
#include "tests/example/ExampleAU.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
  CFDataRef bytes = CFDataCreate(kCFAllocatorDefault, data, CFIndex(size));
  if (!bytes) return 0;
  CFPropertyListRef plist = CFPropertyListCreateWithData(kCFAllocatorDefault, bytes, 0, nullptr, nullptr);
  CFRelease(bytes);
  if (!plist) return 0;

  iplugin::InstanceInfo info;
  qorvexample::ExampleAU plug(info);
  plug.PruneUninitializedPresets();
  UInt32 dataSize = sizeof plist;
  plug.SetProperty(kAudioUnitProperty_ClassInfo, kAudioUnitScope_Global, 0, &dataSize, &plist);
  CFRelease(plist);

  CFPropertyListRef saved = nullptr;
  UInt32 savedSize = sizeof saved;
  Boolean writable = false;
  if (plug.GetProperty(kAudioUnitProperty_ClassInfo, kAudioUnitScope_Global, 0, &savedSize, &writable, &saved) ==
          noErr &&
      saved)
    CFRelease(saved);
  return 0;
}
