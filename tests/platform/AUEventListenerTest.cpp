#include <AudioToolbox/AudioToolbox.h>
#include <QorvPlatform/Components.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{
struct Heard
{
  std::string who;
  AudioUnitEventType type;
  AudioUnitParameterID id;
  AudioUnitParameterValue value;
  void* object;
};

struct Ear
{
  std::string name;
  std::vector<Heard>* log;
  AUEventListenerRef* disposeOnHearing = nullptr;
};

void Hear(void* refCon, void* object, const AudioUnitEvent* event, UInt64, AudioUnitParameterValue value)
{
  auto* ear = static_cast<Ear*>(refCon);
  ear->log->push_back(
      {ear->name, event->mEventType, event->mArgument.mParameter.mParameterID, value, object});
  if (ear->disposeOnHearing && *ear->disposeOnHearing)
  {
    AUListenerDispose(*ear->disposeOnHearing);
    *ear->disposeOnHearing = nullptr;
  }
}

AudioUnitEvent Event(AudioUnitEventType type, AudioUnit unit, AudioUnitParameterID id)
{
  AudioUnitEvent e{};
  e.mEventType = type;
  e.mArgument.mParameter = {unit, id, kAudioUnitScope_Global, 0};
  return e;
}

class EventListeners : public ::testing::Test
{
protected:
  void SetUp() override
  {
    AudioComponentDescription desc = {kAudioUnitType_Effect, 0x4576656E /* 'Even' */, 0x516F7276, 0, 0};
    static AudioComponent c = qorvplatform::LoadComponentLibrary(
        QORV_FAKE_COMPONENT, "FakeEntry", qorvplatform::ComponentDoor::EntryFunction, desc, "Events", 1);
    ASSERT_EQ(AudioComponentInstanceNew(c, &unit), noErr);
  }
  void TearDown() override
  {
    for (AUEventListenerRef l : listeners)
      if (l) AUListenerDispose(l);
    AudioComponentInstanceDispose(unit);
  }
  AUEventListenerRef Listen(Ear* ear)
  {
    AUEventListenerRef l = nullptr;
    EXPECT_EQ(AUEventListenerCreate(Hear, ear, CFRunLoopGetMain(), kCFRunLoopDefaultMode, 0.05f, 0.0f, &l),
              noErr);
    listeners.push_back(l);
    return l;
  }
  AudioUnit unit = nullptr;
  std::vector<AUEventListenerRef> listeners;
  std::vector<Heard> log;
};

TEST_F(EventListeners, AGestureReachesRegisteredListenersInOrderWithTheCurrentValue)
{
  Ear a{"a", &log}, b{"b", &log};
  AUEventListenerRef la = Listen(&a), lb = Listen(&b);
  int objectA = 0;
  for (AudioUnitEventType type :
       {kAudioUnitEvent_BeginParameterChangeGesture, kAudioUnitEvent_ParameterValueChange,
        kAudioUnitEvent_EndParameterChangeGesture})
  {
    AudioUnitEvent e = Event(type, unit, 0);
    EXPECT_EQ(AUEventListenerAddEventType(la, &objectA, &e), noErr);
  }
  AudioUnitEvent any = Event(kAudioUnitEvent_ParameterValueChange, unit, kAUParameterListener_AnyParameter);
  EXPECT_EQ(AUEventListenerAddEventType(lb, nullptr, &any), noErr);

  AudioUnitSetParameter(unit, 0, kAudioUnitScope_Global, 0, 0.25f, 0);
  for (AudioUnitEventType type :
       {kAudioUnitEvent_BeginParameterChangeGesture, kAudioUnitEvent_ParameterValueChange,
        kAudioUnitEvent_EndParameterChangeGesture})
  {
    AudioUnitEvent e = Event(type, unit, 0);
    EXPECT_EQ(AUEventListenerNotify(nullptr, nullptr, &e), noErr);
  }
  ASSERT_EQ(log.size(), 4u);
  EXPECT_EQ(log[0].who, "a");
  EXPECT_EQ(log[0].type, kAudioUnitEvent_BeginParameterChangeGesture);
  EXPECT_EQ(log[0].object, &objectA);
  EXPECT_EQ(log[1].who, "a");
  EXPECT_EQ(log[1].value, 0.25f);
  EXPECT_EQ(log[2].who, "b");
  EXPECT_EQ(log[2].type, kAudioUnitEvent_ParameterValueChange);
  EXPECT_EQ(log[3].type, kAudioUnitEvent_EndParameterChangeGesture);
}

TEST_F(EventListeners, OtherUnitsParametersAndSendersAreLeftOut)
{
  Ear a{"a", &log}, b{"b", &log};
  AUEventListenerRef la = Listen(&a), lb = Listen(&b);
  int objectB = 0;
  AudioUnitEvent e = Event(kAudioUnitEvent_ParameterValueChange, unit, 0);
  AUEventListenerAddEventType(la, nullptr, &e);
  AUEventListenerAddEventType(lb, &objectB, &e);
  AudioUnitEvent otherParameter = Event(kAudioUnitEvent_ParameterValueChange, unit, 3);
  AudioUnitEvent otherUnit =
      Event(kAudioUnitEvent_ParameterValueChange, reinterpret_cast<AudioUnit>(&objectB), 0);
  AUEventListenerNotify(nullptr, nullptr, &otherParameter);
  AUEventListenerNotify(nullptr, nullptr, &otherUnit);
  EXPECT_TRUE(log.empty());
  AUEventListenerNotify(la, nullptr, &e); // the sender does not hear itself
  AUEventListenerNotify(nullptr, &objectB, &e);
  ASSERT_EQ(log.size(), 2u);
  EXPECT_EQ(log[0].who, "b");
  EXPECT_EQ(log[1].who, "a");
}

TEST_F(EventListeners, AListenerDisposedDuringDeliveryHearsNothingMore)
{
  Ear a{"a", &log}, b{"b", &log};
  AUEventListenerRef la = Listen(&a);
  AUEventListenerRef lb = Listen(&b);
  a.disposeOnHearing = &listeners[1]; // a hears first and disposes b before b's turn
  AudioUnitEvent e = Event(kAudioUnitEvent_BeginParameterChangeGesture, unit, 0);
  AUEventListenerAddEventType(la, nullptr, &e);
  AUEventListenerAddEventType(lb, nullptr, &e);
  AUEventListenerNotify(nullptr, nullptr, &e);
  AUEventListenerNotify(nullptr, nullptr, &e);
  ASSERT_EQ(log.size(), 2u);
  EXPECT_EQ(log[0].who, "a");
  EXPECT_EQ(log[1].who, "a");
}

TEST_F(EventListeners, PropertyEventsAndBadArgumentsAreRefused)
{
  Ear a{"a", &log};
  AUEventListenerRef la = Listen(&a);
  AudioUnitEvent property{};
  property.mEventType = kAudioUnitEvent_PropertyChange;
  EXPECT_EQ(AUEventListenerAddEventType(la, nullptr, &property), kAudio_ParamError);
  EXPECT_EQ(AUEventListenerNotify(nullptr, nullptr, &property), kAudio_ParamError);
  EXPECT_EQ(AUEventListenerNotify(nullptr, nullptr, nullptr), kAudio_ParamError);
  AUEventListenerRef none = nullptr;
  EXPECT_EQ(AUEventListenerCreate(nullptr, nullptr, nullptr, nullptr, 0, 0, &none), kAudio_ParamError);
  EXPECT_EQ(AUListenerDispose(reinterpret_cast<AUEventListenerRef>(&a)), kAudio_ParamError);
}
} // namespace
