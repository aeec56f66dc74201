// Property listeners and Audio Unit events as a host receives them: told after a change is applied
// and only then, in registration order; editor gestures arrive as begin, value, end.
#include "tests/host/InProcessPlugin.h"

#include <AudioToolbox/AudioToolbox.h>

#include <string>

using namespace qorvhost;
using qorvtest::HostDoorTest;

namespace
{
struct Log
{
  std::string text;
  AudioUnit unit = nullptr;
};

// Reads the property in the listener: the change must already be visible.
void SampleRateListener(void* refCon, AudioUnit unit, AudioUnitPropertyID id, AudioUnitScope scope,
                        AudioUnitElement)
{
  auto* log = static_cast<Log*>(refCon);
  Float64 rate = 0.0;
  UInt32 size = sizeof rate;
  AudioUnitGetProperty(unit, kAudioUnitProperty_SampleRate, kAudioUnitScope_Global, 0, &rate, &size);
  log->text += "rate" + std::to_string(int(rate)) + ";";
}

void NamedListener(void* refCon, AudioUnit, AudioUnitPropertyID id, AudioUnitScope, AudioUnitElement)
{
  static_cast<Log*>(refCon)->text += "prop" + std::to_string(id) + ";";
}

void OtherListener(void* refCon, AudioUnit, AudioUnitPropertyID id, AudioUnitScope, AudioUnitElement)
{
  static_cast<Log*>(refCon)->text += "other" + std::to_string(id) + ";";
}

void LatencyListener(void* refCon, AudioUnit unit, AudioUnitPropertyID, AudioUnitScope, AudioUnitElement)
{
  Float64 seconds = 0.0;
  UInt32 size = sizeof seconds;
  AudioUnitGetProperty(unit, kAudioUnitProperty_Latency, kAudioUnitScope_Global, 0, &seconds, &size);
  static_cast<Log*>(refCon)->text += "latency" + std::to_string(int(seconds * 44100.0 + 0.5)) + ";";
}

void EventProc(void* refCon, void*, const AudioUnitEvent* event, UInt64, AudioUnitParameterValue)
{
  auto* log = static_cast<Log*>(refCon);
  static const char* names[] = {"value", "begin", "end"};
  if (event->mEventType <= 2 && event->mArgument.mParameter.mAudioUnit == log->unit)
    log->text += std::string(names[event->mEventType]) +
                 std::to_string(event->mArgument.mParameter.mParameterID) + ";";
}
} // namespace

class Listeners : public HostDoorTest
{
};

TEST_P(Listeners, ToldAfterTheChangeAndOnlyWhenApplied)
{
  auto au = Open();
  ASSERT_TRUE(au);
  Log log;
  ASSERT_EQ(AudioUnitAddPropertyListener(au->Unit(), kAudioUnitProperty_SampleRate, SampleRateListener, &log),
            noErr);
  ASSERT_EQ(au->Set(kAudioUnitProperty_SampleRate, kAudioUnitScope_Global, 0, Float64(48000)), noErr);
  EXPECT_EQ(log.text, "rate48000;");
  log.text.clear();
  EXPECT_NE(au->Set(kAudioUnitProperty_SampleRate, kAudioUnitScope_Global, 0, Float64(-1)), noErr);
  EXPECT_EQ(au->Initialize(), noErr);
  EXPECT_EQ(au->Set(kAudioUnitProperty_SampleRate, kAudioUnitScope_Global, 0, Float64(96000)),
            kAudioUnitErr_Initialized);
  EXPECT_EQ(log.text, "");
}

TEST_P(Listeners, RegistrationOrderDuplicatesAndRemoval)
{
  auto au = Open();
  ASSERT_TRUE(au);
  Log log, other;
  const AudioUnitPropertyID bypass = kAudioUnitProperty_BypassEffect;
  AudioUnitAddPropertyListener(au->Unit(), bypass, NamedListener, &log);
  AudioUnitAddPropertyListener(au->Unit(), bypass, NamedListener, &other); // same procedure: not added again
  AudioUnitAddPropertyListener(au->Unit(), bypass, OtherListener, &log);
  ASSERT_EQ(au->Set(bypass, kAudioUnitScope_Global, 0, UInt32(1)), noErr);
  EXPECT_EQ(log.text, "prop21;other21;");
  EXPECT_EQ(other.text, "");

  // With user data, only an exact match is removed.
  EXPECT_EQ(AudioUnitRemovePropertyListenerWithUserData(au->Unit(), bypass, NamedListener, &other), noErr);
  log.text.clear();
  au->Set(bypass, kAudioUnitScope_Global, 0, UInt32(0));
  EXPECT_EQ(log.text, "prop21;other21;");
  EXPECT_EQ(AudioUnitRemovePropertyListenerWithUserData(au->Unit(), bypass, NamedListener, &log), noErr);
  log.text.clear();
  au->Set(bypass, kAudioUnitScope_Global, 0, UInt32(1));
  EXPECT_EQ(log.text, "other21;");
}

TEST_P(Listeners, LatencyIsStoredThenAnnounced)
{
  auto au = Open();
  ASSERT_TRUE(au);
  auto* plug = qorvtest::PlugOf(*au);
  ASSERT_NE(plug, nullptr);
  Log log;
  AudioUnitAddPropertyListener(au->Unit(), kAudioUnitProperty_Latency, LatencyListener, &log);
  plug->SetLatency(64);
  EXPECT_EQ(log.text, "latency64;");
  AudioUnitRemovePropertyListenerWithUserData(au->Unit(), kAudioUnitProperty_Latency, LatencyListener, &log);
  plug->SetLatency(128);
  Float64 seconds = 0.0;
  ASSERT_EQ(au->Get(kAudioUnitProperty_Latency, kAudioUnitScope_Global, 0, seconds), noErr);
  EXPECT_DOUBLE_EQ(seconds, 128.0 / 44100.0);
}

TEST_P(Listeners, PresetAndParameterListChangesReachTheirListeners)
{
  auto au = Open();
  ASSERT_TRUE(au);
  auto* plug = qorvtest::PlugOf(*au);
  ASSERT_NE(plug, nullptr);
  Log log;
  AudioUnitAddPropertyListener(au->Unit(), kAudioUnitProperty_ParameterInfo, NamedListener, &log);
  AudioUnitAddPropertyListener(au->Unit(), kAudioUnitProperty_ParameterList, NamedListener, &log);
  AudioUnitAddPropertyListener(au->Unit(), kAudioUnitProperty_PresentPreset, NamedListener, &log);
  plug->NotifyParameterListChanged();
  plug->NotifyPresentPresetChanged();
  EXPECT_EQ(log.text, "prop3;prop4;prop36;");
}

TEST_P(Listeners, EditorGesturesArriveAsBeginValueEnd)
{
  auto au = Open();
  ASSERT_TRUE(au);
  auto* plug = qorvtest::PlugOf(*au);
  ASSERT_NE(plug, nullptr);
  Log log;
  log.unit = au->Unit();
  AUEventListenerRef listener = nullptr;
  ASSERT_EQ(AUEventListenerCreate(EventProc, &log, nullptr, nullptr, 0.f, 0.f, &listener), noErr);
  for (AudioUnitEventType type :
       {kAudioUnitEvent_BeginParameterChangeGesture, kAudioUnitEvent_ParameterValueChange,
        kAudioUnitEvent_EndParameterChangeGesture})
  {
    AudioUnitEvent event = {};
    event.mEventType = type;
    event.mArgument.mParameter =
        AudioUnitParameter{au->Unit(), kAUParameterListener_AnyParameter, kAudioUnitScope_Global, 0};
    ASSERT_EQ(AUEventListenerAddEventType(listener, nullptr, &event), noErr);
  }
  plug->BeginInformHostOfParamChangeFromUI(qorvexample::kMix);
  plug->SetParamNormalizedFromUI(qorvexample::kMix, 0.25);
  plug->SetParamNormalizedFromUI(qorvexample::kMix, 0.5);
  plug->EndInformHostOfParamChangeFromUI(qorvexample::kMix);
  EXPECT_EQ(log.text, "begin1;value1;value1;end1;");
  AUListenerDispose(listener);
}
QORV_INSTANTIATE_DOORS(Listeners);
