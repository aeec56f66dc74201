// Every value a host hands in is checked: out-of-range scopes, elements, parameter ids, sizes and
// formats get the matching status and change nothing.
#include "tests/host/InProcessPlugin.h"

#include <functional>

using namespace qorvhost;
using qorvtest::HostDoorTest;

namespace
{
AudioStreamBasicDescription Format(int channels, double rate = 44100.0)
{
  return FloatFormat(rate, channels);
}

// Room for any property record.
struct Room
{
  UInt8 bytes[128];
};

struct StatusCase
{
  const char* name;
  bool initialized; // the call is made on an initialised instance
  std::function<OSStatus(HostInstance&)> call;
  OSStatus expected;
};

template <class T>
OSStatus GetProp(HostInstance& au, AudioUnitPropertyID id, AudioUnitScope scope, UInt32 element)
{
  T value = {};
  return au.Get(id, scope, element, value);
}

const std::vector<StatusCase>& Cases()
{
  static const std::vector<StatusCase> cases = {
      {"ParameterInfo beyond the parameters", false,
       [](HostInstance& au)
       { return GetProp<AudioUnitParameterInfo>(au, kAudioUnitProperty_ParameterInfo, 0, 99); },
       kAudioUnitErr_InvalidElement},
      {"ParameterInfo in the input scope", false,
       [](HostInstance& au)
       { return GetProp<AudioUnitParameterInfo>(au, kAudioUnitProperty_ParameterInfo, 1, 0); },
       kAudioUnitErr_InvalidProperty},
      {"GetParameter of an unknown id", false,
       [](HostInstance& au)
       {
         AudioUnitParameterValue v;
         return AudioUnitGetParameter(au.Unit(), 1000, kAudioUnitScope_Global, 0, &v);
       },
       kAudioUnitErr_InvalidParameter},
      {"SetParameter of an unknown id", false,
       [](HostInstance& au)
       { return AudioUnitSetParameter(au.Unit(), 0xFFFFFFFF, kAudioUnitScope_Global, 0, 1.f, 0); },
       kAudioUnitErr_InvalidParameter},
      {"SetParameter in the output scope", false,
       [](HostInstance& au)
       { return AudioUnitSetParameter(au.Unit(), 0, kAudioUnitScope_Output, 0, 1.f, 0); },
       kAudioUnitErr_InvalidProperty},
      {"FastDispatch", false,
       [](HostInstance& au) { return GetProp<void*>(au, kAudioUnitProperty_FastDispatch, 0, 14); },
       kAudioUnitErr_InvalidElement},
      {"AudioChannelLayout", false,
       [](HostInstance& au) { return GetProp<Room>(au, kAudioUnitProperty_AudioChannelLayout, 1, 0); },
       kAudioUnitErr_InvalidPropertyValue},
      {"StreamFormat of a second bus", false,
       [](HostInstance& au)
       {
         return GetProp<AudioStreamBasicDescription>(au, kAudioUnitProperty_StreamFormat,
                                                     kAudioUnitScope_Output, 1);
       },
       kAudioUnitErr_InvalidProperty},
      {"StreamFormat of 16-bit integers", false,
       [](HostInstance& au)
       {
         AudioStreamBasicDescription d = Format(2);
         d.mFormatFlags =
             kAudioFormatFlagIsSignedInteger | kAudioFormatFlagIsPacked | kAudioFormatFlagIsNonInterleaved;
         d.mBitsPerChannel = 16;
         d.mBytesPerFrame = d.mBytesPerPacket = 2;
         return au.Set(kAudioUnitProperty_StreamFormat, kAudioUnitScope_Input, 0, d);
       },
       kAudioUnitErr_FormatNotSupported},
      {"StreamFormat interleaved", false,
       [](HostInstance& au)
       {
         AudioStreamBasicDescription d = Format(2);
         d.mFormatFlags = kAudioFormatFlagsNativeFloatPacked;
         d.mBytesPerFrame = d.mBytesPerPacket = 8;
         return au.Set(kAudioUnitProperty_StreamFormat, kAudioUnitScope_Output, 0, d);
       },
       kAudioUnitErr_FormatNotSupported},
      {"StreamFormat shorter than its record", false,
       [](HostInstance& au)
       {
         const AudioStreamBasicDescription d = Format(2);
         return AudioUnitSetProperty(au.Unit(), kAudioUnitProperty_StreamFormat, kAudioUnitScope_Output, 0,
                                     &d, 20);
       },
       kAudioUnitErr_InvalidPropertyValue},
      {"SampleRate while initialised", true,
       [](HostInstance& au)
       { return au.Set(kAudioUnitProperty_SampleRate, kAudioUnitScope_Global, 0, Float64(96000)); },
       kAudioUnitErr_Initialized},
      {"SampleRate of zero", false,
       [](HostInstance& au)
       { return au.Set(kAudioUnitProperty_SampleRate, kAudioUnitScope_Global, 0, Float64(0)); },
       kAudioUnitErr_InvalidPropertyValue},
      {"SampleRate without data", false,
       [](HostInstance& au)
       {
         return AudioUnitSetProperty(au.Unit(), kAudioUnitProperty_SampleRate, kAudioUnitScope_Global, 0,
                                     nullptr, 8);
       },
       kAudioUnitErr_InvalidPropertyValue},
      {"MaximumFramesPerSlice while initialised", true,
       [](HostInstance& au)
       { return au.Set(kAudioUnitProperty_MaximumFramesPerSlice, kAudioUnitScope_Global, 0, UInt32(1024)); },
       kAudioUnitErr_Initialized},
      {"MaximumFramesPerSlice of zero", false,
       [](HostInstance& au)
       { return au.Set(kAudioUnitProperty_MaximumFramesPerSlice, kAudioUnitScope_Global, 0, UInt32(0)); },
       kAudioUnitErr_InvalidPropertyValue},
      {"MaximumFramesPerSlice huge", false,
       [](HostInstance& au) {
         return au.Set(kAudioUnitProperty_MaximumFramesPerSlice, kAudioUnitScope_Global, 0,
                       UInt32(0x7FFFFFFF));
       },
       kAudioUnitErr_InvalidPropertyValue},
      {"StreamFormat channel change while initialised", true,
       [](HostInstance& au)
       { return au.Set(kAudioUnitProperty_StreamFormat, kAudioUnitScope_Output, 0, Format(1)); },
       kAudioUnitErr_Initialized},
      {"PresentPreset that does not exist", false,
       [](HostInstance& au) {
         return au.Set(kAudioUnitProperty_PresentPreset, kAudioUnitScope_Global, 0, AUPreset{7, nullptr});
       },
       kAudioUnitErr_InvalidPropertyValue},
      {"CurrentPreset below zero", false,
       [](HostInstance& au) {
         return au.Set(kAudioUnitProperty_CurrentPreset, kAudioUnitScope_Global, 0, AUPreset{-1, nullptr});
       },
       kAudioUnitErr_InvalidPropertyValue},
      {"ElementName in the global scope", false,
       [](HostInstance& au) { return GetProp<CFStringRef>(au, kAudioUnitProperty_ElementName, 0, 0); },
       kAudioUnitErr_InvalidScope},
      {"ElementName of a missing bus", false,
       [](HostInstance& au) { return GetProp<CFStringRef>(au, kAudioUnitProperty_ElementName, 1, 3); },
       kAudioUnitErr_InvalidElement},
      {"ClassInfo that is not a dictionary", false,
       [](HostInstance& au)
       {
         CFPropertyListRef plist = CFSTR("state");
         return au.Set(kAudioUnitProperty_ClassInfo, kAudioUnitScope_Global, 0, plist);
       },
       kAudioUnitErr_InvalidPropertyValue},
      {"SetRenderCallback in the output scope", false,
       [](HostInstance& au) {
         return au.Set(kAudioUnitProperty_SetRenderCallback, kAudioUnitScope_Output, 0,
                       AURenderCallbackStruct{});
       },
       kAudioUnitErr_InvalidProperty},
      {"SetRenderCallback of a second input", false,
       [](HostInstance& au) {
         return au.Set(kAudioUnitProperty_SetRenderCallback, kAudioUnitScope_Input, 1,
                       AURenderCallbackStruct{});
       },
       kAudioUnitErr_InvalidProperty},
      {"MakeConnection to a second input", false,
       [](HostInstance& au)
       {
         return au.Set(kAudioUnitProperty_MakeConnection, kAudioUnitScope_Input, 0,
                       AudioUnitConnection{nullptr, 0, 1});
       },
       kAudioUnitErr_InvalidProperty},
      {"ParameterValueStrings of a parameter without texts", false,
       [](HostInstance& au)
       { return GetProp<CFArrayRef>(au, kAudioUnitProperty_ParameterValueStrings, 0, qorvexample::kGain); },
       kAudioUnitErr_InvalidProperty},
      {"ParameterList into too little room", false,
       [](HostInstance& au)
       {
         AudioUnitParameterID ids[2];
         UInt32 size = sizeof ids;
         return AudioUnitGetProperty(au.Unit(), kAudioUnitProperty_ParameterList, 0, 0, ids, &size);
       },
       kAudioUnitErr_InvalidPropertyValue},
      {"ParameterStringFromValue of an unknown id", false,
       [](HostInstance& au)
       {
         AudioUnitParameterStringFromValue v = {};
         v.inParamID = 500;
         return au.Get(kAudioUnitProperty_ParameterStringFromValue, 0, 0, v);
       },
       kAudioUnitErr_InvalidParameter},
      {"HostCallbacks in the input scope", false,
       [](HostInstance& au) { return au.Set(kAudioUnitProperty_HostCallbacks, 1, 0, HostCallbackInfo{}); },
       kAudioUnitErr_InvalidProperty},
      {"an unknown property", false,
       [](HostInstance& au) { return GetProp<UInt32>(au, 4711, kAudioUnitScope_Global, 0); },
       kAudioUnitErr_InvalidProperty},
      {"a second Initialize with undeclared channels", false,
       [](HostInstance& au)
       {
         au.Set(kAudioUnitProperty_StreamFormat, kAudioUnitScope_Input, 0, Format(1));
         au.Set(kAudioUnitProperty_StreamFormat, kAudioUnitScope_Output, 0, Format(2));
         return au.Initialize();
       },
       badComponentSelector},
  };
  return cases;
}
} // namespace

class Statuses : public HostDoorTest
{
};

TEST_P(Statuses, EachBadCallGetsItsStatus)
{
  for (const StatusCase& c : Cases())
  {
    auto au = c.initialized ? OpenReady(2) : Open();
    ASSERT_TRUE(au);
    EXPECT_EQ(c.call(*au), c.expected) << c.name;
  }
  EXPECT_EQ(qorvplatform::LiveCFObjectCount(), mLiveBaseline);
}

TEST_P(Statuses, RefusedFormatsChangeNothing)
{
  auto au = Open();
  ASSERT_TRUE(au);
  AudioStreamBasicDescription d = Format(1, 22050.0);
  d.mBitsPerChannel = 24;
  EXPECT_EQ(au->Set(kAudioUnitProperty_StreamFormat, kAudioUnitScope_Input, 0, d),
            kAudioUnitErr_FormatNotSupported);
  AudioStreamBasicDescription now = {};
  ASSERT_EQ(au->Get(kAudioUnitProperty_StreamFormat, kAudioUnitScope_Input, 0, now), noErr);
  EXPECT_EQ(now.mChannelsPerFrame, 2u);
  EXPECT_EQ(now.mSampleRate, 44100.0);
}

TEST_P(Statuses, SampleRateChangeThroughTheStreamFormatResetsProcessing)
{
  auto au = Open();
  ASSERT_TRUE(au);
  auto* plug = qorvtest::PlugOf(*au);
  ASSERT_NE(plug, nullptr);
  const int resets = plug->mResets;
  ASSERT_EQ(au->Set(kAudioUnitProperty_StreamFormat, kAudioUnitScope_Output, 0, Format(2, 96000.0)), noErr);
  EXPECT_EQ(plug->GetSampleRate(), 96000.0);
  EXPECT_EQ(plug->mResets, resets + 1);
  // Initialised, the same format is still accepted: nothing the audio thread uses changes.
  ASSERT_EQ(au->Set(kAudioUnitProperty_StreamFormat, kAudioUnitScope_Input, 0, Format(2, 96000.0)), noErr);
  ASSERT_EQ(au->Initialize(), noErr);
  EXPECT_EQ(au->Set(kAudioUnitProperty_StreamFormat, kAudioUnitScope_Output, 0, Format(2, 96000.0)), noErr);
}

TEST_P(Statuses, ClassInfoIsReportedWritable)
{
  auto au = Open();
  ASSERT_TRUE(au);
  UInt32 size = 0;
  Boolean writable = false;
  ASSERT_EQ(AudioUnitGetPropertyInfo(au->Unit(), kAudioUnitProperty_ClassInfo, kAudioUnitScope_Global, 0,
                                     &size, &writable),
            noErr);
  EXPECT_EQ(size, sizeof(CFPropertyListRef));
  EXPECT_TRUE(writable);
  // ElementName answers its size but no value without a data pointer.
  EXPECT_EQ(AudioUnitGetPropertyInfo(au->Unit(), kAudioUnitProperty_ElementName, kAudioUnitScope_Input, 0,
                                     &size, &writable),
            kAudioUnitErr_InvalidProperty);
  EXPECT_EQ(size, sizeof(CFStringRef));
}
QORV_INSTANTIATE_DOORS(Statuses);

TEST(ComponentManagerDoor, CanDoAnswersForEveryHandledSelector)
{
  std::string error;
  auto& plugin = qorvtest::InProcessExample();
  ASSERT_TRUE(RegisterDoors(plugin, error)) << error;
  auto au = HostInstance::Open(plugin, Door::kEntry, error);
  ASSERT_TRUE(au) << error;
  struct Case
  {
    SInt16 selector;
    bool can;
  };
  for (const Case& c :
       {Case{-1, true}, {-2, true},   {-3, true},   {-4, true},  {1, true},   {7, true},   {8, false},
        {9, true},      {12, false},  {13, false},  {14, true},  {17, true},  {18, true},  {0, false},
        {19, false},    {257, false}, {258, false}, {259, true}, {261, true}, {262, true}, {-5, false}})
    EXPECT_EQ(ComponentFunctionImplemented(au->Unit(), c.selector), c.can ? 1 : 0) << c.selector;
  EXPECT_EQ(GetComponentVersion(au->Unit()), 0x010203);
}

TEST(ComponentManagerDoor, MusicDeviceSelectorsOfAnEffect)
{
  std::string error;
  auto& plugin = qorvtest::InProcessExample();
  ASSERT_TRUE(RegisterDoors(plugin, error)) << error;
  auto au = HostInstance::Open(plugin, Door::kEntry, error);
  ASSERT_TRUE(au) << error;
  // The example takes no MIDI: its MIDI and system-exclusive selectors are not handled.
  EXPECT_EQ(MusicDeviceMIDIEvent(au->Unit(), 0x90, 60, 100, 0), badComponentSelector);
  const UInt8 sysex[3] = {0xF0, 0x01, 0xF7};
  EXPECT_EQ(MusicDeviceSysEx(au->Unit(), sysex, 3), badComponentSelector);
  EXPECT_EQ(MusicDevicePrepareInstrument(au->Unit(), 0), noErr);
}
