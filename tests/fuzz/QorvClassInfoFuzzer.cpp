// A host's saved mixer state read back from arbitrary property-list bytes: the restore answers with a
// status, every parameter stays in its range, and a refused state changes nothing.
#include "editor/plugin/Qorv.h"
#include "tests/fuzz/FuzzScratch.h"

#include <CoreFoundation/CoreFoundation.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

using namespace iplugin;

namespace
{
std::vector<double> Values(const Qorv& plug)
{
  std::vector<double> v;
  for (int i = 0; i < plug.NParams(); ++i)
    v.push_back(plug.GetParam(i)->Value());
  return v;
}
} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
  // The instance's data folders go to a scratch place, not the user's.
  setenv("XDG_DATA_HOME", qorvfuzz::ScratchFolder().c_str(), 1);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
  static Qorv* plug = new Qorv(InstanceInfo{});
  if (size > (1u << 20)) return 0;
  CFDataRef bytes = CFDataCreate(kCFAllocatorDefault, data, CFIndex(size));
  if (!bytes) return 0;
  CFPropertyListRef plist = CFPropertyListCreateWithData(kCFAllocatorDefault, bytes, 0, nullptr, nullptr);
  CFRelease(bytes);
  if (!plist) return 0;

  const std::vector<double> before = Values(*plug);
  UInt32 dataSize = sizeof plist;
  const OSStatus status =
      plug->SetProperty(kAudioUnitProperty_ClassInfo, kAudioUnitScope_Global, 0, &dataSize, &plist);
  CFRelease(plist);
  // A state refused before its document is read changes nothing; a document that fails part-way keeps
  // what it applied (kAudioUnitErr_InvalidPropertyValue).
  if (status != noErr && status != kAudioUnitErr_InvalidPropertyValue && Values(*plug) != before)
    std::abort();
  for (int i = 0; i < plug->NParams(); ++i)
  {
    const IParam* p = plug->GetParam(i);
    if (!(p->Value() >= p->GetMin() && p->Value() <= p->GetMax())) std::abort();
  }

  CFPropertyListRef saved = nullptr;
  UInt32 savedSize = sizeof saved;
  Boolean writable = false;
  if (plug->GetProperty(kAudioUnitProperty_ClassInfo, kAudioUnitScope_Global, 0, &savedSize, &writable,
                        &saved) == noErr &&
      saved)
    CFRelease(saved);
  return 0;
}
