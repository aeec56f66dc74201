#include <AudioToolbox/AudioToolbox.h>
#include <CoreFoundation/CoreFoundation.h>
#include <QorvPlatform/Components.h>
#include <gtest/gtest.h>

#include "tests/platform/fake/FakeComponent.h"
#include "tests/support/TestPaths.h"

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace
{
using qorvplatform::ComponentDoor;

const AudioComponentDescription kFakeDesc = {kAudioUnitType_Effect, 0x46616B65 /* 'Fake' */,
                                             0x516F7276 /* 'Qorv' */, 0, 0};

AudioComponent FakeComponent(ComponentDoor door)
{
  static AudioComponent entry = nullptr, factory = nullptr;
  AudioComponent& c = door == ComponentDoor::Factory ? factory : entry;
  if (!c)
  {
    std::string error;
    c = qorvplatform::LoadComponentLibrary(QORV_FAKE_COMPONENT,
                                           door == ComponentDoor::Factory ? "FakeFactory" : "FakeEntry", door,
                                           kFakeDesc, "Qorv: Fake", 7, &error);
    EXPECT_NE(c, nullptr) << error;
  }
  return c;
}

FakeLog Log(AudioUnit unit)
{
  FakeLog log{};
  UInt32 size = sizeof log;
  EXPECT_EQ(AudioUnitGetProperty(unit, kFakeProperty_Log, kAudioUnitScope_Global, 0, &log, &size), noErr);
  EXPECT_EQ(size, sizeof log);
  return log;
}

class Runtime : public ::testing::TestWithParam<ComponentDoor>
{
protected:
  void SetUp() override
  {
    ASSERT_EQ(AudioComponentInstanceNew(FakeComponent(GetParam()), &unit), noErr);
    ASSERT_NE(unit, nullptr);
  }
  void TearDown() override
  {
    if (unit)
    {
      EXPECT_EQ(AudioComponentInstanceDispose(unit), noErr);
    }
  }
  AudioUnit unit = nullptr;
};

TEST_P(Runtime, OpensAndClosesThroughTheDoorWithTheStorageItPromises)
{
  FakeLog log = Log(unit);
  EXPECT_EQ(log.liveUnits, 1u);
  EXPECT_EQ(log.storageSeen, 1u);
  AudioUnit second = nullptr;
  ASSERT_EQ(AudioComponentInstanceNew(FakeComponent(GetParam()), &second), noErr);
  EXPECT_EQ(Log(second).liveUnits, 2u);
  EXPECT_EQ(AudioComponentInstanceDispose(second), noErr);
  EXPECT_EQ(Log(unit).liveUnits, 1u);
  EXPECT_EQ(qorvplatform::GetComponentDoor(FakeComponent(GetParam())), GetParam());
}

TEST_P(Runtime, PropertiesPassSizesWritableFlagsAndDataBothWays)
{
  UInt32 size = 0;
  Boolean writable = false;
  EXPECT_EQ(AudioUnitGetPropertyInfo(unit, kAudioUnitProperty_SampleRate, kAudioUnitScope_Global, 0, &size,
                                     &writable),
            noErr);
  EXPECT_EQ(size, 8u);
  EXPECT_TRUE(writable);
  Float64 rate = 96000.0;
  EXPECT_EQ(AudioUnitSetProperty(unit, kAudioUnitProperty_SampleRate, kAudioUnitScope_Global, 0, &rate,
                                 sizeof rate),
            noErr);
  Float64 back = 0;
  size = sizeof back;
  EXPECT_EQ(
      AudioUnitGetProperty(unit, kAudioUnitProperty_SampleRate, kAudioUnitScope_Global, 0, &back, &size),
      noErr);
  EXPECT_EQ(back, 96000.0);
  EXPECT_EQ(AudioUnitSetProperty(unit, kAudioUnitProperty_SampleRate, kAudioUnitScope_Global, 0, &rate, 4),
            kAudioUnitErr_InvalidPropertyValue);
  EXPECT_EQ(AudioUnitGetProperty(unit, 999, kAudioUnitScope_Global, 0, &back, &size),
            kAudioUnitErr_InvalidProperty);
  EXPECT_EQ(
      AudioUnitGetProperty(unit, kAudioUnitProperty_SampleRate, kAudioUnitScope_Output, 0, &back, &size),
      kAudioUnitErr_InvalidScope);
}

struct Heard
{
  AudioUnit unit = nullptr;
  AudioUnitPropertyID id = 0;
  int count = 0;
};

void HearProperty(void* data, AudioUnit unit, AudioUnitPropertyID id, AudioUnitScope, AudioUnitElement)
{
  auto* h = static_cast<Heard*>(data);
  h->unit = unit;
  h->id = id;
  ++h->count;
}

TEST_P(Runtime, PropertyListenersHearTheInstanceHandle)
{
  Heard heard;
  EXPECT_EQ(AudioUnitAddPropertyListener(unit, kAudioUnitProperty_SampleRate, HearProperty, &heard), noErr);
  Float64 rate = 48000.0;
  AudioUnitSetProperty(unit, kAudioUnitProperty_SampleRate, kAudioUnitScope_Global, 0, &rate, sizeof rate);
  EXPECT_EQ(heard.count, 1);
  EXPECT_EQ(heard.unit, unit);
  EXPECT_EQ(heard.id, kAudioUnitProperty_SampleRate);
}

TEST_P(Runtime, ParametersCarryFloatValuesAndOffsetsExactly)
{
  EXPECT_EQ(AudioUnitSetParameter(unit, 0, kAudioUnitScope_Global, 0, 0.7071f, 123), noErr);
  AudioUnitParameterValue value = 0;
  EXPECT_EQ(AudioUnitGetParameter(unit, 0, kAudioUnitScope_Global, 0, &value), noErr);
  EXPECT_EQ(value, 0.7071f);
  FakeLog log = Log(unit);
  EXPECT_EQ(log.lastValue, 0.7071f);
  EXPECT_EQ(log.lastOffset, 123u);
  EXPECT_EQ(AudioUnitSetParameter(unit, 5, kAudioUnitScope_Global, 0, 1.0f, 0),
            kAudioUnitErr_InvalidParameter);
}

TEST_P(Runtime, RenderPassesTimestampBusFramesAndBuffers)
{
  Float32 left[64] = {}, right[64] = {};
  struct
  {
    AudioBufferList list;
    AudioBuffer second;
  } buffers{{2, {{1, sizeof left, left}}}, {1, sizeof right, right}};
  AudioTimeStamp ts{};
  ts.mSampleTime = 512;
  ts.mFlags = kAudioTimeStampSampleTimeValid;
  AudioUnitRenderActionFlags flags = 0;
  EXPECT_EQ(AudioUnitRender(unit, &flags, &ts, 0, 64, &buffers.list), kAudioUnitErr_Uninitialized);
  EXPECT_EQ(AudioUnitInitialize(unit), noErr);
  AudioUnitSetParameter(unit, 0, kAudioUnitScope_Global, 0, 0.5f, 0);
  EXPECT_EQ(AudioUnitRender(unit, &flags, &ts, 1, 64, &buffers.list), noErr);
  EXPECT_EQ(left[3], 0.5f * 515.0f);
  EXPECT_EQ(right[0], 0.5f * 512.0f + 1000.0f);
  EXPECT_TRUE(flags & kAudioUnitRenderAction_OutputIsSilence);
  FakeLog log = Log(unit);
  EXPECT_EQ(log.rendered, 64u);
  EXPECT_EQ(log.lastBus, 1u);
  EXPECT_EQ(AudioUnitReset(unit, kAudioUnitScope_Global, 0), noErr);
  EXPECT_EQ(AudioUnitUninitialize(unit), noErr);
  EXPECT_EQ(Log(unit).resets, 1u);
  EXPECT_EQ(Log(unit).initialized, 0u);
}

TEST_P(Runtime, CallsTheComponentDoesNotOfferAnswerBadSelector)
{
  // The fake offers no listener removal through either door, and MIDI only through the entry function.
  EXPECT_EQ(AudioUnitRemovePropertyListenerWithUserData(unit, 0, HearProperty, nullptr),
            badComponentSelector);
  EXPECT_NE(ComponentFunctionImplemented(unit, kAudioUnitRenderSelect), 0);
  EXPECT_EQ(ComponentFunctionImplemented(unit, kAudioUnitRemoveRenderNotifySelect), 0);
  OSStatus midi = MusicDeviceMIDIEvent(unit, 0x90, 60, 100, 17);
  if (GetParam() == ComponentDoor::EntryFunction)
  {
    EXPECT_EQ(midi, noErr);
    FakeLog log = Log(unit);
    EXPECT_EQ(log.midi[0], 0x90u);
    EXPECT_EQ(log.midi[1], 60u);
    EXPECT_EQ(log.midi[2], 100u);
    EXPECT_EQ(log.midi[3], 17u);
    EXPECT_EQ(ComponentFunctionImplemented(unit, kMusicDeviceMIDIEventSelect), 1);
    EXPECT_EQ(GetComponentVersion(unit), kFakeVersion);
  }
  else
  {
    EXPECT_EQ(midi, badComponentSelector);
    EXPECT_EQ(ComponentFunctionImplemented(unit, kMusicDeviceMIDIEventSelect), 0);
    EXPECT_EQ(GetComponentVersion(unit), 7);
  }
}

INSTANTIATE_TEST_SUITE_P(BothDoors, Runtime,
                         ::testing::Values(ComponentDoor::EntryFunction, ComponentDoor::Factory),
                         [](const auto& info) {
                           return info.param == ComponentDoor::Factory ? std::string("Factory")
                                                                       : std::string("EntryFunction");
                         });

TEST(RuntimeHandles, AnInvalidInstanceIsAnsweredNotFollowed)
{
  Float64 rate = 0;
  UInt32 size = sizeof rate;
  EXPECT_EQ(AudioUnitInitialize(nullptr), badComponentInstance);
  EXPECT_EQ(AudioUnitGetProperty(nullptr, 2, 0, 0, &rate, &size), badComponentInstance);
  EXPECT_EQ(AudioUnitRender(nullptr, nullptr, nullptr, 0, 0, nullptr), badComponentInstance);
  EXPECT_EQ(AudioComponentInstanceDispose(nullptr), badComponentInstance);
  EXPECT_EQ(GetComponentInstanceStorage(nullptr), nullptr);
  SetComponentInstanceStorage(nullptr, nullptr);
  EXPECT_EQ(ComponentFunctionImplemented(nullptr, 1), 0);
  EXPECT_EQ(AudioComponentInstanceNew(nullptr, nullptr), kAudio_ParamError);
}

TEST(RuntimeRegistry, FindsByDescriptionWithWildcardsAndForgetsUnregistered)
{
  std::string error;
  AudioComponentDescription desc = {kAudioUnitType_Effect, 0x4F6E6365 /* 'Once' */, 0x516F7276, 0, 0};
  AudioComponent c = qorvplatform::LoadComponentLibrary(
      QORV_FAKE_COMPONENT, "FakeEntry", ComponentDoor::EntryFunction, desc, "Qorv: Once", 0x00020100, &error);
  ASSERT_NE(c, nullptr) << error;
  AudioComponentDescription bySubtype = {0, 0x4F6E6365, 0, 0, 0};
  EXPECT_EQ(AudioComponentFindNext(nullptr, &bySubtype), c);
  EXPECT_EQ(AudioComponentFindNext(c, &bySubtype), nullptr);
  CFStringRef name = nullptr;
  EXPECT_EQ(AudioComponentCopyName(c, &name), noErr);
  EXPECT_STREQ(CFStringGetCStringPtr(name, kCFStringEncodingUTF8), "Qorv: Once");
  CFRelease(name);
  UInt32 version = 0;
  AudioComponentGetVersion(c, &version);
  EXPECT_EQ(version, 0x00020100u);
  AudioComponentDescription got{};
  AudioComponentGetDescription(c, &got);
  EXPECT_EQ(got.componentSubType, 0x4F6E6365u);
  qorvplatform::UnregisterComponent(c);
  EXPECT_EQ(AudioComponentFindNext(nullptr, &bySubtype), nullptr);
}

TEST(RuntimeRegistry, AFailedOpenLeavesNoInstance)
{
  AudioComponent c = qorvplatform::LoadComponentLibrary(QORV_FAKE_COMPONENT, "FakeFailingEntry",
                                                        ComponentDoor::EntryFunction, kFakeDesc, "Fails", 1);
  ASSERT_NE(c, nullptr);
  AudioUnit unit = reinterpret_cast<AudioUnit>(&c);
  EXPECT_EQ(AudioComponentInstanceNew(c, &unit), kAudioUnitErr_FailedInitialization);
  EXPECT_EQ(unit, nullptr);
  qorvplatform::UnregisterComponent(c);
}

TEST(RuntimeRegistry, LoadingFailuresSayWhy)
{
  std::string error;
  EXPECT_EQ(qorvplatform::LoadComponentLibrary("/nonexistent/lib.so", "FakeEntry",
                                               ComponentDoor::EntryFunction, kFakeDesc, "x", 1, &error),
            nullptr);
  EXPECT_NE(error.find("cannot load"), std::string::npos);
  EXPECT_EQ(qorvplatform::LoadComponentLibrary(QORV_FAKE_COMPONENT, "NoSuchEntry",
                                               ComponentDoor::EntryFunction, kFakeDesc, "x", 1, &error),
            nullptr);
  EXPECT_NE(error.find("NoSuchEntry"), std::string::npos);
}

class BundleLoading : public ::testing::TestWithParam<ComponentDoor>
{
protected:
  std::string MakeBundle(const std::string& name, const std::string& components)
  {
    namespace fs = std::filesystem;
    std::string root =
        qorvtest::ScratchDir(std::string("component-") + (GetParam() == ComponentDoor::Factory ? "f" : "e") +
                             "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::string bundle = root + "/" + name + ".component";
    fs::create_directories(bundle + "/Contents/MacOS");
    fs::create_directories(bundle + "/Contents/Resources");
    fs::copy_file(QORV_FAKE_COMPONENT, bundle + "/Contents/MacOS/" + name);
    std::ofstream(bundle + "/Contents/Info.plist")
        << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict>"
           "<key>CFBundleIdentifier</key><string>com.example." +
               name + "</string><key>CFBundleExecutable</key><string>" + name +
               "</string><key>AudioComponents</key>" + components + "</dict></plist>";
    return bundle;
  }
};

TEST_P(BundleLoading, InfoPlistNamesTheComponentAndItsFunctions)
{
  std::string bundle =
      MakeBundle("Loaded", "<array><dict><key>type</key><string>aufx</string>"
                           "<key>subtype</key><string>Load</string>"
                           "<key>manufacturer</key><string>Qorv</string>"
                           "<key>name</key><string>Qorv: Loaded</string>"
                           "<key>version</key><integer>131330</integer>"
                           "<key>factoryFunction</key><string>FakeFactory</string>"
                           "<key>entryFunction</key><string>FakeEntry</string></dict></array>");
  std::string error;
  AudioComponent c = qorvplatform::LoadComponentBundle(bundle.c_str(), GetParam(), &error);
  ASSERT_NE(c, nullptr) << error;
  AudioComponentDescription desc{};
  AudioComponentGetDescription(c, &desc);
  EXPECT_EQ(desc.componentType, kAudioUnitType_Effect);
  EXPECT_EQ(desc.componentSubType, qorvplatform::FourCharCodeFromString("Load"));
  UInt32 version = 0;
  AudioComponentGetVersion(c, &version);
  EXPECT_EQ(version, 131330u);
  EXPECT_NE(CFBundleGetBundleWithIdentifier(CFSTR("com.example.Loaded")), nullptr);
  AudioUnit unit = nullptr;
  ASSERT_EQ(AudioComponentInstanceNew(c, &unit), noErr);
  EXPECT_EQ(Log(unit).storageSeen, 1u);
  EXPECT_EQ(AudioComponentInstanceDispose(unit), noErr);
  qorvplatform::UnregisterComponent(c);
}

TEST_P(BundleLoading, IncompleteInfoIsRefused)
{
  std::string error;
  std::string noList = MakeBundle("NoList", "<string>none</string>");
  EXPECT_EQ(qorvplatform::LoadComponentBundle(noList.c_str(), GetParam(), &error), nullptr);
  EXPECT_NE(error.find("AudioComponents"), std::string::npos);
  std::string badType = MakeBundle("BadType", "<array><dict><key>type</key><string>effect</string>"
                                              "<key>subtype</key><string>Load</string>"
                                              "<key>manufacturer</key><string>Qorv</string></dict></array>");
  EXPECT_EQ(qorvplatform::LoadComponentBundle(badType.c_str(), GetParam(), &error), nullptr);
  std::string noFunction =
      MakeBundle("NoFunction", "<array><dict><key>type</key><string>aufx</string>"
                               "<key>subtype</key><string>Load</string>"
                               "<key>manufacturer</key><string>Qorv</string></dict></array>");
  EXPECT_EQ(qorvplatform::LoadComponentBundle(noFunction.c_str(), GetParam(), &error), nullptr);
  EXPECT_NE(error.find("function"), std::string::npos);
  EXPECT_EQ(qorvplatform::LoadComponentBundle("/nonexistent/X.component", GetParam(), &error), nullptr);
}

INSTANTIATE_TEST_SUITE_P(BothDoors, BundleLoading,
                         ::testing::Values(ComponentDoor::EntryFunction, ComponentDoor::Factory),
                         [](const auto& info) {
                           return info.param == ComponentDoor::Factory ? std::string("Factory")
                                                                       : std::string("EntryFunction");
                         });
} // namespace
