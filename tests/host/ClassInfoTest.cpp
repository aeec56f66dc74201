// The ClassInfo state through the host: a round trip into a fresh instance, and every refused
// dictionary leaving the instance exactly as it was.
#include "tests/host/InProcessPlugin.h"

#include <functional>

using namespace qorvhost;
using qorvtest::HostDoorTest;

namespace
{
CFPropertyListRef Save(HostInstance& au)
{
  CFPropertyListRef plist = nullptr;
  EXPECT_EQ(au.Get(kAudioUnitProperty_ClassInfo, kAudioUnitScope_Global, 0, plist), noErr);
  return plist;
}

std::vector<UInt8> Bytes(CFPropertyListRef plist)
{
  CFDataRef data =
      CFPropertyListCreateData(kCFAllocatorDefault, plist, kCFPropertyListXMLFormat_v1_0, 0, nullptr);
  std::vector<UInt8> bytes;
  if (data)
  {
    bytes.assign(CFDataGetBytePtr(data), CFDataGetBytePtr(data) + CFDataGetLength(data));
    CFRelease(data);
  }
  return bytes;
}

std::vector<UInt8> StateBytes(HostInstance& au)
{
  CFPropertyListRef plist = Save(au);
  std::vector<UInt8> bytes = Bytes(plist);
  CFRelease(plist);
  return bytes;
}

void SetValue(CFMutableDictionaryRef dict, const char* key, CFTypeRef value)
{
  CFStringRef k = CFStringCreateWithCString(kCFAllocatorDefault, key, kCFStringEncodingUTF8);
  if (value)
    CFDictionarySetValue(dict, k, value);
  else
    CFDictionaryRemoveValue(dict, k);
  CFRelease(k);
}

void SetInt(CFMutableDictionaryRef dict, const char* key, SInt32 v)
{
  CFNumberRef n = CFNumberCreate(kCFAllocatorDefault, kCFNumberSInt32Type, &v);
  SetValue(dict, key, n);
  CFRelease(n);
}
} // namespace

class ClassInfo : public HostDoorTest
{
};

TEST_P(ClassInfo, RoundTripIntoAFreshInstance)
{
  std::vector<UInt8> saved;
  {
    auto au = Open();
    ASSERT_TRUE(au);
    ASSERT_EQ(au->Set(kAudioUnitProperty_PresentPreset, kAudioUnitScope_Global, 0, AUPreset{1, nullptr}),
              noErr);
    ASSERT_EQ(AudioUnitSetParameter(au->Unit(), qorvexample::kTime, kAudioUnitScope_Global, 0, 123.f, 0),
              noErr);
    CFPropertyListRef plist = Save(*au);
    saved = Bytes(plist);

    auto fresh = Open();
    ASSERT_TRUE(fresh);
    ASSERT_EQ(fresh->Set(kAudioUnitProperty_ClassInfo, kAudioUnitScope_Global, 0, plist), noErr);
    CFRelease(plist);
    AudioUnitParameterValue time = 0.f;
    AudioUnitGetParameter(fresh->Unit(), qorvexample::kTime, kAudioUnitScope_Global, 0, &time);
    EXPECT_EQ(time, 123.f);
    AUPreset preset = {};
    ASSERT_EQ(fresh->Get(kAudioUnitProperty_PresentPreset, kAudioUnitScope_Global, 0, preset), noErr);
    EXPECT_EQ(preset.presetNumber, 1); // the preset named in the state
    CFRelease(preset.presetName);
    EXPECT_EQ(StateBytes(*fresh), saved);
  }
  EXPECT_FALSE(saved.empty());
  // Closing both instances gives back every Core Foundation object they made.
  EXPECT_EQ(qorvplatform::LiveCFObjectCount(), mLiveBaseline);
}

TEST_P(ClassInfo, RefusedStatesLeaveTheInstanceAsItWas)
{
  struct Damage
  {
    const char* name;
    std::function<void(CFMutableDictionaryRef)> apply;
  };
  const Damage damages[] = {
      {"no data", [](CFMutableDictionaryRef d) { SetValue(d, "data", nullptr); }},
      {"data of the wrong type", [](CFMutableDictionaryRef d) { SetValue(d, "data", CFSTR("bytes")); }},
      {"truncated data",
       [](CFMutableDictionaryRef d)
       {
         const UInt8 bytes[3] = {1, 2, 3};
         CFDataRef data = CFDataCreate(kCFAllocatorDefault, bytes, 3);
         SetValue(d, "data", data);
         CFRelease(data);
       }},
      {"another type", [](CFMutableDictionaryRef d) { SetInt(d, "type", SInt32(iplugin::FourCC("aumu"))); }},
      {"another subtype", [](CFMutableDictionaryRef d) { SetInt(d, "subtype", 1); }},
      {"another manufacturer", [](CFMutableDictionaryRef d) { SetInt(d, "manufacturer", 2); }},
      {"no version", [](CFMutableDictionaryRef d) { SetValue(d, "version", nullptr); }},
      {"a version that is no number",
       [](CFMutableDictionaryRef d) { SetValue(d, "version", CFSTR("1.2.3")); }},
      {"no name", [](CFMutableDictionaryRef d) { SetValue(d, "name", nullptr); }},
  };
  auto au = Open();
  ASSERT_TRUE(au);
  CFPropertyListRef good = Save(*au);
  AudioUnitSetParameter(au->Unit(), qorvexample::kGain, kAudioUnitScope_Global, 0, 3.f, 0);
  const std::vector<UInt8> before = StateBytes(*au);
  for (const Damage& damage : damages)
  {
    CFMutableDictionaryRef bad = CFDictionaryCreateMutableCopy(kCFAllocatorDefault, 0, CFDictionaryRef(good));
    damage.apply(bad);
    EXPECT_EQ(au->Set(kAudioUnitProperty_ClassInfo, kAudioUnitScope_Global, 0, CFPropertyListRef(bad)),
              kAudioUnitErr_InvalidPropertyValue)
        << damage.name;
    CFRelease(bad);
    EXPECT_EQ(StateBytes(*au), before) << damage.name;
  }

  // A state the plug-in itself refuses, after changing something on the way: rolled back.
  auto* plug = qorvtest::PlugOf(*au);
  ASSERT_NE(plug, nullptr);
  plug->mStatesToRefuse = 2; // the named preset's state, then the dictionary's
  EXPECT_EQ(au->Set(kAudioUnitProperty_ClassInfo, kAudioUnitScope_Global, 0, good),
            kAudioUnitErr_InvalidPropertyValue);
  EXPECT_EQ(StateBytes(*au), before);
  CFRelease(good);
}

TEST_P(ClassInfo, LongNamesAreCutAtACharacterBoundary)
{
  auto au = Open();
  ASSERT_TRUE(au);
  CFPropertyListRef good = Save(*au);
  CFMutableDictionaryRef dict = CFDictionaryCreateMutableCopy(kCFAllocatorDefault, 0, CFDictionaryRef(good));
  // 62 ASCII characters, then a two-byte character that does not fit the 64-byte buffer whole.
  const std::string name = std::string(62, 'x') + "\xC3\xA9" + "tail";
  CFStringRef s = CFStringCreateWithCString(kCFAllocatorDefault, name.c_str(), kCFStringEncodingUTF8);
  SetValue(dict, "name", s);
  CFRelease(s);
  char out[64];
  EXPECT_TRUE(iplugin::IPluginAU::GetClassInfoName(dict, "name", out, sizeof out));
  EXPECT_EQ(std::string(out), std::string(62, 'x'));
  EXPECT_EQ(au->Set(kAudioUnitProperty_ClassInfo, kAudioUnitScope_Global, 0, CFPropertyListRef(dict)), noErr);
  CFRelease(dict);
  CFRelease(good);
}
QORV_INSTANTIATE_DOORS(ClassInfo);
