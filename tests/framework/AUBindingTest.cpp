// The Audio Unit binding called directly on an example instance: parameter info, parameter routing,
// render-path details, host time, MIDI output and the preset records.
#include "framework/au/AUPresetRecord.h"
#include "tests/example/ExampleAU.h"
#include "tests/support/TestPaths.h"

#include <QorvPlatform/Bundles.h>
#include <QorvPlatform/CFLiveObjects.h>
#include <QorvPlatform/RunLoopClock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <utility>
#include <vector>

using namespace iplugin;
using namespace qorvexample;

namespace
{
std::unique_ptr<ExampleAU> MakePlug()
{
  InstanceInfo info;
  info.mCocoaViewFactoryClassName.Set("QorvExample_View");
  auto plug = std::make_unique<ExampleAU>(info);
  plug->PruneUninitializedPresets();
  return plug;
}

AudioUnitParameterInfo ParamInfo(IPluginAU& plug, UInt32 idx)
{
  AudioUnitParameterInfo info = {};
  UInt32 size = sizeof info;
  Boolean writable = false;
  EXPECT_EQ(plug.GetProperty(kAudioUnitProperty_ParameterInfo, kAudioUnitScope_Global, idx, &size, &writable,
                             &info),
            noErr);
  if (info.cfNameString) CFRelease(info.cfNameString);
  if (info.unitName) CFRelease(info.unitName);
  return info;
}

std::string Text(CFStringRef s)
{
  char buf[256] = "";
  if (s) CFStringGetCString(s, buf, sizeof buf, kCFStringEncodingUTF8);
  return buf;
}

class AUBinding : public testing::Test
{
protected:
  void SetUp() override { qorvplatform::ResetMainRunLoop(); }
  void TearDown() override { qorvplatform::ResetMainRunLoop(); }
};
} // namespace

struct ParamInfoCase
{
  int param;
  AudioUnitParameterOptions flags;
  AudioUnitParameterUnit unit;
};

class AUParamInfo : public AUBinding, public testing::WithParamInterface<ParamInfoCase>
{
};

TEST_P(AUParamInfo, FlagsAndUnit)
{
  auto plug = MakePlug();
  const ParamInfoCase& c = GetParam();
  const AudioUnitParameterInfo info = ParamInfo(*plug, UInt32(c.param));
  EXPECT_EQ(info.flags, c.flags) << std::hex << info.flags;
  EXPECT_EQ(info.unit, c.unit);
}

INSTANTIATE_TEST_SUITE_P(
    Example, AUParamInfo,
    testing::Values(ParamInfoCase{kGain, 0xC8800010, kAudioUnitParameterUnit_Decibels},
                    ParamInfoCase{kMix, 0xC8800010, kAudioUnitParameterUnit_Percent},
                    // An enum with display texts: indexed, values have strings, no group.
                    ParamInfoCase{kMode, 0xC8A00010, kAudioUnitParameterUnit_Indexed},
                    ParamInfoCase{kVoices, 0xC8800010, kAudioUnitParameterUnit_Indexed},
                    // Cannot automate alone.
                    ParamInfoCase{kBypass, 0xC9800010 | 0x00200000, kAudioUnitParameterUnit_Boolean},
                    ParamInfoCase{kTime, 0xC8800010, kAudioUnitParameterUnit_Milliseconds}));

TEST_F(AUBinding, GroupsBecomeClumpsInOrderOfFirstUse)
{
  auto plug = MakePlug();
  const AudioUnitParameterInfo drive = ParamInfo(*plug, kDrive);
  EXPECT_TRUE(drive.flags & kAudioUnitParameterFlag_HasClump);
  EXPECT_EQ(drive.clumpID, 1u);

  AudioUnitParameterNameInfo name = {};
  name.inID = 1;
  name.inDesiredLength = -1;
  UInt32 size = sizeof name;
  Boolean writable = false;
  ASSERT_EQ(plug->GetProperty(kAudioUnitProperty_ParameterClumpName, kAudioUnitScope_Global, 0, &size,
                              &writable, &name),
            noErr);
  EXPECT_EQ(Text(name.outName), "Tone");
  CFRelease(name.outName);
  for (UInt32 id : {0u, 2u})
  {
    name.inID = id;
    EXPECT_EQ(plug->GetProperty(kAudioUnitProperty_ParameterClumpName, kAudioUnitScope_Global, 0, &size,
                                &writable, &name),
              kAudioUnitErr_PropertyNotInUse)
        << id;
  }
}

TEST_F(AUBinding, MetaAndCannotAutomateFlags)
{
  auto plug = MakePlug();
  plug->GetParam(kMix)->InitPercentage("Mix", 100.0, 0.0, 100.0,
                                       IParam::kFlagMeta | IParam::kFlagCannotAutomate);
  EXPECT_EQ(ParamInfo(*plug, kMix).flags, 0xE9800010u);
  plug->GetParam(kMix)->InitPercentage("Mix", 100.0, 0.0, 100.0, IParam::kFlagMeta);
  EXPECT_EQ(ParamInfo(*plug, kMix).flags, 0xE8800010u);
}

TEST_F(AUBinding, ParameterNameIsCutToTheDesiredLength)
{
  auto plug = MakePlug();
  plug->GetParam(kMix)->InitPercentage("Twenty characters ok");
  struct Case
  {
    SInt32 desired;
    std::string expected;
  };
  for (const Case& c : {Case{-1, "Twenty characters ok"}, Case{40, "Twenty characters ok"}, Case{4, "Twen"}})
  {
    AudioUnitParameterIDName name = {};
    name.inID = kMix;
    name.inDesiredLength = c.desired;
    UInt32 size = sizeof name;
    Boolean writable = false;
    ASSERT_EQ(plug->GetProperty(kAudioUnitProperty_ParameterIDName, kAudioUnitScope_Global, 0, &size,
                                &writable, &name),
              noErr);
    EXPECT_EQ(Text(name.outName), c.expected);
    CFRelease(name.outName);
  }
}

TEST_F(AUBinding, HostValueIsSteppedForTheParameterButQueuedAsGiven)
{
  auto plug = MakePlug();
  plug->GetParam(kMix)->InitDouble("Mix", 50.0, 0.0, 100.0, 0.5, "%", IParam::kFlagStepped);
  ASSERT_EQ(plug->SetParamProc(kMix, kAudioUnitScope_Global, 0, 10.3f, 17), noErr);
  EXPECT_EQ(plug->GetParam(kMix)->Value(), 10.5);
  ParamTuple change;
  ASSERT_TRUE(plug->PopEditorParamChange(change));
  EXPECT_EQ(change.idx, kMix);
  EXPECT_NEAR(change.value, 10.3, 1e-6);
  ASSERT_EQ(plug->mParamChanges.size(), 1u);
  EXPECT_EQ(plug->mParamChanges[0].source, kHost);
  EXPECT_EQ(plug->mParamChanges[0].sampleOffset, 17);
  // Clamped to the range.
  plug->SetParamProc(kGain, kAudioUnitScope_Global, 0, 99.f, 0);
  EXPECT_EQ(plug->GetParam(kGain)->Value(), 12.0);
}

TEST_F(AUBinding, ScheduleParametersAppliesImmediateEventsOnly)
{
  auto plug = MakePlug();
  AudioUnitParameterEvent events[3] = {};
  events[0].scope = kAudioUnitScope_Global;
  events[0].parameter = kMix;
  events[0].eventType = kParameterEvent_Ramped;
  events[0].eventValues.ramp.startValue = 10.f;
  events[0].eventValues.ramp.endValue = 20.f;
  events[1].scope = kAudioUnitScope_Global;
  events[1].parameter = kTime;
  events[1].eventType = kParameterEvent_Immediate;
  events[1].eventValues.immediate.value = 42.f;
  events[2].scope = kAudioUnitScope_Input;
  events[2].parameter = kVoices;
  events[2].eventType = kParameterEvent_Immediate;
  events[2].eventValues.immediate.value = 5.f;
  EXPECT_EQ(plug->ScheduleParameters(events, 2), noErr);
  EXPECT_EQ(plug->GetParam(kMix)->Value(), 100.0);
  EXPECT_EQ(plug->GetParam(kTime)->Value(), 42.0);
  // A non-global immediate event stops the call; earlier ones stay applied.
  events[1].eventValues.immediate.value = 43.f;
  EXPECT_EQ(plug->ScheduleParameters(events, 3), kAudioUnitErr_InvalidProperty);
  EXPECT_EQ(plug->GetParam(kTime)->Value(), 43.0);
  EXPECT_EQ(plug->GetParam(kVoices)->Value(), 2.0);
  EXPECT_EQ(plug->ScheduleParameters(nullptr, 0), noErr);
}

TEST_F(AUBinding, ChannelLayoutTagsFollowTheConfigurations)
{
  auto plug = MakePlug();
  AudioChannelLayoutTag tags[8] = {};
  UInt32 size = sizeof tags;
  Boolean writable = false;
  ASSERT_EQ(plug->GetProperty(kAudioUnitProperty_SupportedChannelLayoutTags, kAudioUnitScope_Input, 0, &size,
                              &writable, tags),
            noErr);
  ASSERT_EQ(size, 2 * sizeof(AudioChannelLayoutTag));
  EXPECT_EQ(tags[0], kAudioChannelLayoutTag_Mono);
  EXPECT_EQ(tags[1], kAudioChannelLayoutTag_Stereo);
  EXPECT_TRUE(writable);
  size = sizeof tags;
  EXPECT_EQ(plug->GetProperty(kAudioUnitProperty_SupportedChannelLayoutTags, kAudioUnitScope_Global, 0, &size,
                              &writable, tags),
            kAudioUnitErr_InvalidProperty);
  EXPECT_EQ(plug->GetProperty(kAudioUnitProperty_SupportedChannelLayoutTags, kAudioUnitScope_Global, 0, &size,
                              &writable, nullptr),
            noErr);
  EXPECT_EQ(size, 0u);
}

// A refused format changes nothing: 0 or 3 channels on a bus of at most 2 leave its count and the rate.
TEST_F(AUBinding, StreamFormatOutsideTheConfigurationsChangesNothing)
{
  for (const UInt32 channels : {0u, 3u})
  {
    auto plug = MakePlug();
    AudioStreamBasicDescription d = {};
    UInt32 size = sizeof d;
    Boolean writable = false;
    ASSERT_EQ(
        plug->GetProperty(kAudioUnitProperty_StreamFormat, kAudioUnitScope_Input, 0, &size, &writable, &d),
        noErr);
    const int resets = plug->mResets;
    d.mChannelsPerFrame = channels;
    d.mSampleRate = 96000.0;
    size = sizeof d;
    EXPECT_EQ(plug->SetProperty(kAudioUnitProperty_StreamFormat, kAudioUnitScope_Input, 0, &size, &d),
              kAudioUnitErr_InvalidProperty);
    EXPECT_EQ(plug->GetBus(kAudioUnitScope_Input, 0)->mNHostChannels, -1) << channels;
    EXPECT_EQ(plug->GetSampleRate(), 44100.0) << channels;
    EXPECT_EQ(plug->mResets, resets) << channels;
    AudioStreamBasicDescription after = {};
    size = sizeof after;
    ASSERT_EQ(plug->GetProperty(kAudioUnitProperty_StreamFormat, kAudioUnitScope_Input, 0, &size, &writable,
                                &after),
              noErr);
    EXPECT_EQ(after.mChannelsPerFrame, 2u) << channels;
  }
}

TEST_F(AUBinding, LatencyIsStoredWithoutListeners)
{
  auto plug = MakePlug();
  plug->SetLatency(441);
  Float64 seconds = 0.0;
  UInt32 size = sizeof seconds;
  Boolean writable = false;
  ASSERT_EQ(
      plug->GetProperty(kAudioUnitProperty_Latency, kAudioUnitScope_Global, 0, &size, &writable, &seconds),
      noErr);
  EXPECT_DOUBLE_EQ(seconds, 441.0 / 44100.0);
}

// Bypass, offline rendering and the slice size belong to the whole unit: any scope sets them.
TEST_F(AUBinding, UnitWideSettingsTakeAnyScope)
{
  auto plug = MakePlug();
  UInt32 on = 1, frames = 1024, size = sizeof on;
  ASSERT_EQ(plug->SetProperty(kAudioUnitProperty_BypassEffect, kAudioUnitScope_Output, 0, &size, &on), noErr);
  EXPECT_TRUE(plug->GetBypassed());
  ASSERT_EQ(plug->SetProperty(kAudioUnitProperty_OfflineRender, kAudioUnitScope_Input, 0, &size, &on), noErr);
  EXPECT_TRUE(plug->GetRenderingOffline());
  ASSERT_EQ(
      plug->SetProperty(kAudioUnitProperty_MaximumFramesPerSlice, kAudioUnitScope_Input, 0, &size, &frames),
      noErr);
  EXPECT_EQ(plug->GetBlockSize(), 1024);
  EXPECT_EQ(plug->mResets, 3);
}

namespace
{
// A plug-in that processes at most 1000 frames a block.
class ShortBlocks : public IPluginAU
{
public:
  static PluginConfig Config()
  {
    PluginConfig config;
    config.channelIO = "2-2";
    config.maxBlockSize = 1000;
    return config;
  }
  explicit ShortBlocks(const InstanceInfo& info) : IPluginAU(info, Config()) {}
};
} // namespace

// A host asking for longer slices than the plug-in processes gets its longest, and reads it back.
TEST_F(AUBinding, SliceSizeIsHeldToThePluginsLongestBlock)
{
  InstanceInfo info;
  ShortBlocks plug(info);
  for (const auto& [asked, held] : {std::pair<UInt32, UInt32>{4096, 1000}, {1000, 1000}, {999, 999}, {1, 1}})
  {
    UInt32 frames = asked, size = sizeof frames;
    ASSERT_EQ(
        plug.SetProperty(kAudioUnitProperty_MaximumFramesPerSlice, kAudioUnitScope_Global, 0, &size, &frames),
        noErr);
    Boolean writable = false;
    frames = 0;
    ASSERT_EQ(plug.GetProperty(kAudioUnitProperty_MaximumFramesPerSlice, kAudioUnitScope_Global, 0, &size,
                               &writable, &frames),
              noErr);
    EXPECT_EQ(frames, held) << asked;
    EXPECT_EQ(plug.GetBlockSize(), int(held)) << asked;
  }
}

TEST_F(AUBinding, HostTimeDefaultsWithoutCallbacks)
{
  auto plug = MakePlug();
  plug->ReadHostTimeInfo();
  const TransportInfo& t = plug->GetTransportInfo();
  EXPECT_EQ(t.mTempo, 120.0);
  EXPECT_EQ(t.mPPQPos, -1.0);
  EXPECT_EQ(t.mNumerator, 4);
  EXPECT_EQ(t.mDenominator, 4);
  EXPECT_EQ(t.mSamplePos, -1.0);
  EXPECT_FALSE(t.mTransportIsRunning);
}

namespace
{
OSStatus BeatAndTempo(void*, Float64* beat, Float64* tempo)
{
  *beat = 8.5;
  *tempo = 0.0; // not above 0: the default tempo stands
  return noErr;
}
OSStatus MusicalTime(void*, UInt32* toNextBeat, Float32* numerator, UInt32* denominator, Float64* downBeat)
{
  *toNextBeat = 0;
  *numerator = 6.7f;
  *denominator = 8;
  *downBeat = 4.0;
  return noErr;
}
OSStatus Transport(void*, Boolean* playing, Boolean* changed, Float64* sample, Boolean* cycling,
                   Float64* start, Float64* end)
{
  *playing = true;
  *changed = false;
  *sample = 1000.0;
  *cycling = true;
  *start = 0.0; // not above 0: -1
  *end = 16.0;
  return noErr;
}
} // namespace

TEST_F(AUBinding, HostTimeFromCallbacks)
{
  auto plug = MakePlug();
  HostCallbackInfo cb = {};
  cb.beatAndTempoProc = BeatAndTempo;
  cb.musicalTimeLocationProc = MusicalTime;
  cb.transportStateProc = Transport;
  UInt32 size = sizeof cb;
  ASSERT_EQ(plug->SetProperty(kAudioUnitProperty_HostCallbacks, kAudioUnitScope_Global, 0, &size, &cb),
            noErr);
  plug->ReadHostTimeInfo();
  const TransportInfo& t = plug->GetTransportInfo();
  EXPECT_EQ(t.mTempo, 120.0);
  EXPECT_EQ(t.mPPQPos, 8.5);
  EXPECT_EQ(t.mNumerator, 6);
  EXPECT_EQ(t.mDenominator, 8);
  EXPECT_EQ(t.mLastBar, 4.0);
  EXPECT_EQ(t.mSamplePos, 1000.0);
  EXPECT_EQ(t.mCycleStart, -1.0);
  EXPECT_EQ(t.mCycleEnd, 16.0);
  EXPECT_TRUE(t.mTransportIsRunning);
  EXPECT_TRUE(t.mTransportLoopEnabled);
}

namespace
{
struct MidiSink
{
  std::vector<std::vector<std::vector<Byte>>> lists; // per call, per packet, its bytes
  std::vector<MIDITimeStamp> stamps;
};

OSStatus CollectMidi(void* userData, const AudioTimeStamp*, UInt32, const MIDIPacketList* list)
{
  auto* sink = static_cast<MidiSink*>(userData);
  sink->lists.emplace_back();
  const MIDIPacket* p = &list->packet[0];
  for (UInt32 i = 0; i < list->numPackets; ++i)
  {
    sink->lists.back().emplace_back(p->data, p->data + p->length);
    MIDITimeStamp stamp; // packets are only 4-byte aligned
    std::memcpy(&stamp, reinterpret_cast<const Byte*>(p) + offsetof(MIDIPacket, timeStamp), sizeof stamp);
    sink->stamps.push_back(stamp);
    p = MIDIPacketNext(p);
  }
  return noErr;
}
} // namespace

TEST_F(AUBinding, MidiOutputNeedsTheHostCallback)
{
  auto plug = MakePlug();
  EXPECT_FALSE(plug->SendMidiMsg(IMidiMsg(0, 0x90, 60, 100)));
  MidiSink sink;
  AUMIDIOutputCallbackStruct cb{CollectMidi, &sink};
  UInt32 size = sizeof cb;
  ASSERT_EQ(plug->SetProperty(kAudioUnitProperty_MIDIOutputCallback, kAudioUnitScope_Global, 0, &size, &cb),
            noErr);
  EXPECT_TRUE(plug->SendMidiMsg(IMidiMsg(12, 0x90, 60, 100)));
  ASSERT_EQ(sink.lists.size(), 1u);
  EXPECT_EQ(sink.lists[0][0], (std::vector<Byte>{0x90, 60, 100}));
  EXPECT_EQ(sink.stamps[0], 12u);

  const IMidiMsg msgs[2] = {IMidiMsg(3, 0x80, 60, 0), IMidiMsg(3, 0x90, 62, 90)};
  EXPECT_TRUE(plug->SendMidiMsgs(msgs, 2));
  ASSERT_EQ(sink.lists.size(), 2u);
  std::vector<Byte> all;
  for (const auto& packet : sink.lists[1])
    all.insert(all.end(), packet.begin(), packet.end());
  EXPECT_EQ(all, (std::vector<Byte>{0x80, 60, 0, 0x90, 62, 90}));
}

TEST_F(AUBinding, SysExGoesOutInChunksOf256Bytes)
{
  auto plug = MakePlug();
  MidiSink sink;
  AUMIDIOutputCallbackStruct cb{CollectMidi, &sink};
  UInt32 size = sizeof cb;
  plug->SetProperty(kAudioUnitProperty_MIDIOutputCallback, kAudioUnitScope_Global, 0, &size, &cb);
  std::vector<uint8_t> data(300);
  for (size_t i = 0; i < data.size(); ++i)
    data[i] = uint8_t(i);
  data.front() = 0xF0;
  data.back() = 0xF7;
  EXPECT_TRUE(plug->SendSysEx(SysExView(5, data.data(), int(data.size()))));
  ASSERT_EQ(sink.lists.size(), 1u);
  std::vector<Byte> all;
  size_t largest = 0;
  for (const auto& packet : sink.lists[0])
  {
    all.insert(all.end(), packet.begin(), packet.end());
    largest = std::max(largest, packet.size());
  }
  EXPECT_EQ(all, std::vector<Byte>(data.begin(), data.end()));
  EXPECT_LE(largest, 300u);
  EXPECT_EQ(sink.stamps[0], 5u);
}

TEST_F(AUBinding, PresetRecordsCompareDescribeAndCount)
{
  const long baseline = qorvplatform::LiveCFObjectCount();
  {
    CFStringRef name = CFStringCreateWithCString(kCFAllocatorDefault, "Loud", kCFStringEncodingUTF8);
    AUPresetRecord* a = AUPresetCreate(kCFAllocatorDefault, 1, name);
    AUPresetRecord* b = AUPresetCreate(kCFAllocatorDefault, 1, name);
    AUPresetRecord* c = AUPresetCreate(kCFAllocatorDefault, 2, name);
    EXPECT_TRUE(AUPresetEqual(a, b));
    EXPECT_FALSE(AUPresetEqual(a, c));
    CFStringRef description = AUPresetCopyDescription(c);
    EXPECT_EQ(Text(description), "AUPreset:\npreset number = 2\npreset name = Loud");
    CFRelease(description);

    // Every retain of a record also retains its name.
    const CFIndex nameRetains = CFGetRetainCount(a->mAUPreset.presetName);
    CFMutableArrayRef array = CFArrayCreateMutable(kCFAllocatorDefault, 0, &kAUPresetArrayCallBacks);
    CFArrayAppendValue(array, a);
    EXPECT_EQ(a->mRetainCount, 2);
    EXPECT_EQ(CFGetRetainCount(a->mAUPreset.presetName), nameRetains + 1);
    CFRelease(name);
    AUPresetRelease(a);
    AUPresetRelease(b);
    AUPresetRelease(c);
    AUPresetRelease(nullptr);
    CFRelease(array);
  }
  EXPECT_EQ(qorvplatform::LiveCFObjectCount(), baseline);
}

TEST_F(AUBinding, FactoryPresetArrayListsEveryPreset)
{
  auto plug = MakePlug();
  CFMutableArrayRef presets = plug->CreateFactoryPresetArray();
  ASSERT_NE(presets, nullptr);
  ASSERT_EQ(CFArrayGetCount(presets), 2);
  const auto* second = static_cast<const AUPreset*>(CFArrayGetValueAtIndex(presets, 1));
  EXPECT_EQ(second->presetNumber, 1);
  EXPECT_EQ(Text(second->presetName), "Loud");
  CFRelease(presets);
}

TEST_F(AUBinding, ConnectionKindNames)
{
  EXPECT_STREQ(IPluginAU::InputTypeName(IPluginAU::kNotConnected), "NotConnected");
  EXPECT_STREQ(IPluginAU::InputTypeName(IPluginAU::kDirectFastProc), "DirectFastProc");
  EXPECT_STREQ(IPluginAU::InputTypeName(IPluginAU::kDirectNoFastProc), "DirectNoFastProc");
  EXPECT_STREQ(IPluginAU::InputTypeName(IPluginAU::kRenderCallback), "RenderCallback");
  EXPECT_STREQ(IPluginAU::InputTypeName(7), "NotConnected");
}

namespace
{
// A host application's bundle with the given identifier and version.
std::string MakeHostBundle(const std::string& identifier, const std::string& version)
{
  const std::string dir = qorvtest::ScratchDir("au-host-bundle") + "/Host.app";
  std::filesystem::create_directories(dir + "/Contents");
  std::ofstream(dir + "/Contents/Info.plist")
      << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">\n<dict>\n"
      << "<key>CFBundleIdentifier</key><string>" << identifier << "</string>\n"
      << "<key>CFBundleVersion</key><string>" << version << "</string>\n</dict>\n</plist>\n";
  return dir;
}
} // namespace

TEST_F(AUBinding, InitializeIdentifiesTheHostOnce)
{
  qorvplatform::SetMainBundle(nullptr);
  auto plug = MakePlug();
  ASSERT_EQ(plug->Initialize(), noErr);
  EXPECT_EQ(plug->GetHost(), 0);
  EXPECT_STREQ(plug->GetHostName(), "");
  EXPECT_EQ(plug->GetHostVersion(false), 0);

  qorvplatform::SetMainBundle(MakeHostBundle("com.cockos.Reaper", "6.2.1").c_str());
  auto fresh = MakePlug();
  ASSERT_EQ(fresh->Initialize(), noErr);
  EXPECT_EQ(fresh->GetHost(), 1);
  EXPECT_STREQ(fresh->GetHostName(), "com.cockos.Reaper");
  EXPECT_EQ(fresh->GetHostVersion(false), (6 << 16) | (2 << 8) | 1);
  // Known from now on: neither a second Initialize nor the host identifier property changes it.
  fresh->Uninitialize();
  qorvplatform::SetMainBundle(nullptr);
  ASSERT_EQ(fresh->Initialize(), noErr);
  AUHostIdentifier id = {CFSTR("Logic Pro"), {0, 0, 0x72, 10}};
  UInt32 size = sizeof id;
  ASSERT_EQ(fresh->SetProperty(kAudioUnitProperty_AUHostIdentifier, kAudioUnitScope_Global, 0, &size, &id),
            noErr);
  EXPECT_EQ(fresh->GetHost(), 1);
}

TEST_F(AUBinding, HostIdentifierPropertyIdentifiesAnUnknownHost)
{
  auto plug = MakePlug();
  AUHostIdentifier id = {CFSTR("Logic Pro"), {0, 0, 0x72, 10}};
  UInt32 size = sizeof id;
  ASSERT_EQ(plug->SetProperty(kAudioUnitProperty_AUHostIdentifier, kAudioUnitScope_Global, 0, &size, &id),
            noErr);
  EXPECT_EQ(plug->GetHost(), 21);
  EXPECT_EQ(plug->GetHostVersion(false), (10 << 16) | (7 << 8) | 2);
}

namespace
{
// A plug-in with one stereo input and two stereo output buses that counts its blocks.
class TwoOutputBuses : public IPluginAU
{
public:
  static PluginConfig Config()
  {
    PluginConfig config;
    config.channelIO = "2-2.2";
    config.pluginName = "Two Outputs";
    return config;
  }
  explicit TwoOutputBuses(const InstanceInfo& info) : IPluginAU(info, Config()) {}
  void ProcessBlock(double** inputs, double** outputs, int nFrames) override
  {
    ++mBlocks;
    IPluginAU::ProcessBlock(inputs, outputs, nFrames);
  }
  int mBlocks = 0;
};

OSStatus CountingInput(void* refCon, AudioUnitRenderActionFlags*, const AudioTimeStamp*, UInt32,
                       UInt32 nFrames, AudioBufferList* ioData)
{
  ++*static_cast<int*>(refCon);
  for (UInt32 k = 0; k < ioData->mNumberBuffers; ++k)
    std::fill_n(static_cast<float*>(ioData->mBuffers[k].mData), nFrames, 0.5f);
  return noErr;
}

OSStatus RenderBus(IPluginAU& plug, UInt32 bus, double sampleTime, std::vector<float>& left,
                   std::vector<float>& right)
{
  struct
  {
    UInt32 n;
    AudioBuffer buffers[2];
  } list = {2, {{1, UInt32(left.size() * 4), left.data()}, {1, UInt32(right.size() * 4), right.data()}}};
  AudioTimeStamp ts = {};
  ts.mSampleTime = sampleTime;
  ts.mFlags = kAudioTimeStampSampleTimeValid;
  AudioUnitRenderActionFlags flags = 0;
  return plug.Render(&flags, &ts, bus, UInt32(left.size()), reinterpret_cast<AudioBufferList*>(&list));
}
} // namespace

TEST_F(AUBinding, SeveralOutputBusesPullOnceAndProcessOnTheLast)
{
  InstanceInfo info;
  TwoOutputBuses plug(info);
  ASSERT_EQ(plug.NOutputBuses(), 2);
  int pulls = 0;
  AURenderCallbackStruct cb{CountingInput, &pulls};
  UInt32 size = sizeof cb;
  ASSERT_EQ(plug.SetProperty(kAudioUnitProperty_SetRenderCallback, kAudioUnitScope_Input, 0, &size, &cb),
            noErr);
  ASSERT_EQ(plug.Initialize(), noErr);
  std::vector<float> l0(64), r0(64), l1(64), r1(64);
  // The first block connects both buses.
  ASSERT_EQ(RenderBus(plug, 0, 0.0, l0, r0), noErr);
  ASSERT_EQ(RenderBus(plug, 1, 0.0, l1, r1), noErr);
  EXPECT_EQ(pulls, 1);
  const int blocks = plug.mBlocks;
  ASSERT_EQ(RenderBus(plug, 0, 64.0, l0, r0), noErr);
  EXPECT_EQ(plug.mBlocks, blocks); // the first bus only attaches its buffers
  ASSERT_EQ(RenderBus(plug, 1, 64.0, l1, r1), noErr);
  EXPECT_EQ(plug.mBlocks, blocks + 1);
  EXPECT_EQ(pulls, 2);
  EXPECT_EQ(l0[0], 0.5f); // the inputs went to the first output bus
  EXPECT_EQ(RenderBus(plug, 2, 128.0, l1, r1), kAudioUnitErr_InvalidElement);
}

namespace
{
// A pass-through plug-in with a given channel-I/O text.
class LayoutPlug : public IPluginAU
{
public:
  static PluginConfig Config(const char* channelIO)
  {
    PluginConfig config;
    config.channelIO = channelIO;
    config.pluginName = "Layout";
    return config;
  }
  LayoutPlug(const InstanceInfo& info, const char* channelIO) : IPluginAU(info, Config(channelIO)) {}
};

struct BusLayoutCase
{
  const char* channelIO;
  std::vector<int> inPlugChannels;  // one entry per input bus
  std::vector<int> outPlugChannels; // one entry per output bus
};
} // namespace

class BusLayout : public AUBinding, public testing::WithParamInterface<BusLayoutCase>
{
};

// Buses follow the configurations; a lone input bus of zero channels is no bus at all, and a wildcard bus
// counts as one channel (the magnitude of the -1 that stands for it).
TEST_P(BusLayout, BusesTakeTheLargestCountOfTheirIndexAndRunningFirstChannels)
{
  const BusLayoutCase& c = GetParam();
  InstanceInfo info;
  LayoutPlug plug(info, c.channelIO);
  auto check = [&plug](AudioUnitScope scope, const std::vector<int>& expected)
  {
    const int n = scope == kAudioUnitScope_Input ? plug.NInputBuses() : plug.NOutputBuses();
    ASSERT_EQ(n, int(expected.size()));
    int first = 0;
    for (int b = 0; b < n; ++b)
    {
      const IPluginAU::BusChannels* bus = plug.GetBus(scope, b);
      EXPECT_EQ(bus->mNPlugChannels, expected[size_t(b)]) << b;
      EXPECT_EQ(bus->mPlugChannelStartIdx, first) << b;
      EXPECT_EQ(bus->mNHostChannels, -1);
      EXPECT_FALSE(bus->mConnected);
      first += expected[size_t(b)];
    }
    UInt32 count = 0, size = sizeof count;
    Boolean writable = false;
    ASSERT_EQ(plug.GetProperty(kAudioUnitProperty_ElementCount, scope, 0, &size, &writable, &count), noErr);
    EXPECT_EQ(count, UInt32(n));
  };
  check(kAudioUnitScope_Input, c.inPlugChannels);
  check(kAudioUnitScope_Output, c.outPlugChannels);
  EXPECT_EQ(plug.GetInputConnection(int(c.inPlugChannels.size())), nullptr);
}

INSTANTIATE_TEST_SUITE_P(Table, BusLayout,
                         testing::Values(BusLayoutCase{"0-2", {}, {2}}, BusLayoutCase{"1-1 2-2", {2}, {2}},
                                         BusLayoutCase{"2-2.2", {2}, {2, 2}},
                                         BusLayoutCase{"1.1-1 2-2", {2, 1}, {2}},
                                         BusLayoutCase{"*-2", {1}, {2}}));
