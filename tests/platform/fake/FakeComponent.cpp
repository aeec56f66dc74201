// A tiny Audio Unit for the platform runtime's tests, loaded as a module through both doors: the
// Component Manager entry function FakeEntry and the factory FakeFactory. FakeFailingEntry refuses
// to open. Private properties let the tests see what the unit received.
#include <AudioUnit/AudioUnit.h>
#include <QorvPlatform/ComponentGlue.h>

#include "tests/platform/fake/FakeComponent.h"

#include <vector>

namespace
{
int gLiveUnits = 0;

struct FakeUnit
{
  explicit FakeUnit(AudioComponentInstance instance, void* expectedStorage)
      : ci(instance), expectedStorage(expectedStorage)
  {
    ++gLiveUnits;
  }
  ~FakeUnit() { --gLiveUnits; }

  struct Listener
  {
    AudioUnitPropertyID id;
    AudioUnitPropertyListenerProc proc;
    void* data;
  };
  struct Notify
  {
    AURenderCallback proc;
    void* refCon;
  };

  OSStatus GetProperty(AudioUnitPropertyID id, AudioUnitScope scope, AudioUnitElement, void* data,
                       UInt32* size, Boolean* writable)
  {
    UInt32 need = 0;
    switch (id)
    {
    case kAudioUnitProperty_SampleRate:
      need = sizeof(Float64);
      if (writable) *writable = true;
      if (data) *static_cast<Float64*>(data) = sampleRate;
      break;
    case kFakeProperty_Log:
      need = sizeof(FakeLog);
      if (data)
      {
        log.liveUnits = static_cast<UInt32>(gLiveUnits);
        log.storageSeen = GetComponentInstanceStorage(ci) == expectedStorage;
        *static_cast<FakeLog*>(data) = log;
      }
      break;
    default:
      return kAudioUnitErr_InvalidProperty;
    }
    if (scope != kAudioUnitScope_Global) return kAudioUnitErr_InvalidScope;
    if (size) *size = need;
    return noErr;
  }

  OSStatus SetProperty(AudioUnitPropertyID id, AudioUnitScope, AudioUnitElement, const void* data,
                       UInt32 size)
  {
    if (id != kAudioUnitProperty_SampleRate) return kAudioUnitErr_InvalidProperty;
    if (!data || size != sizeof(Float64)) return kAudioUnitErr_InvalidPropertyValue;
    sampleRate = *static_cast<const Float64*>(data);
    for (const Listener& l : listeners)
      if (l.id == id) l.proc(l.data, ci, id, kAudioUnitScope_Global, 0);
    return noErr;
  }

  OSStatus GetParameter(AudioUnitParameterID id, AudioUnitScope scope, AudioUnitParameterValue* value)
  {
    if (id != 0 || scope != kAudioUnitScope_Global || !value) return kAudioUnitErr_InvalidParameter;
    *value = gain;
    return noErr;
  }

  OSStatus SetParameter(AudioUnitParameterID id, AudioUnitScope scope, AudioUnitParameterValue value,
                        UInt32 offset)
  {
    if (id != 0 || scope != kAudioUnitScope_Global) return kAudioUnitErr_InvalidParameter;
    gain = value;
    log.lastValue = value;
    log.lastOffset = offset;
    return noErr;
  }

  OSStatus Render(AudioUnitRenderActionFlags* flags, const AudioTimeStamp* ts, UInt32 bus, UInt32 frames,
                  AudioBufferList* io)
  {
    if (!log.initialized) return kAudioUnitErr_Uninitialized;
    if (!ts || !(ts->mFlags & kAudioTimeStampSampleTimeValid) || !io)
      return kAudioUnitErr_InvalidPropertyValue;
    for (const Notify& n : notifies)
    {
      AudioUnitRenderActionFlags pre = kAudioUnitRenderAction_PreRender;
      n.proc(n.refCon, &pre, ts, bus, frames, io);
    }
    for (UInt32 b = 0; b < io->mNumberBuffers; ++b)
    {
      auto* out = static_cast<Float32*>(io->mBuffers[b].mData);
      for (UInt32 i = 0; out && i < frames; ++i)
        out[i] = gain * static_cast<Float32>(ts->mSampleTime + i) + 1000.0f * static_cast<Float32>(b);
    }
    log.rendered += frames;
    log.lastBus = bus;
    if (flags) *flags |= kAudioUnitRenderAction_OutputIsSilence; // seen by the host: the pointer came through
    for (const Notify& n : notifies)
    {
      AudioUnitRenderActionFlags post = kAudioUnitRenderAction_PostRender;
      n.proc(n.refCon, &post, ts, bus, frames, io);
    }
    return noErr;
  }

  AudioComponentInstance ci;
  void* expectedStorage;
  Float64 sampleRate = 44100.0;
  Float32 gain = 1.0f;
  FakeLog log{};
  std::vector<Listener> listeners;
  std::vector<Notify> notifies;
};

OSStatus Dispatch(FakeUnit* u, SInt16 what, ComponentParameters* p)
{
  using qorvplatform::ComponentParam;
  switch (what)
  {
  case kAudioUnitInitializeSelect:
    u->log.initialized = 1;
    return noErr;
  case kAudioUnitUninitializeSelect:
    u->log.initialized = 0;
    return noErr;
  case kAudioUnitGetPropertyInfoSelect:
    return u->GetProperty(ComponentParam<UInt32>(p, 0), ComponentParam<UInt32>(p, 1),
                          ComponentParam<UInt32>(p, 2), nullptr, ComponentParam<UInt32*>(p, 3),
                          ComponentParam<Boolean*>(p, 4));
  case kAudioUnitGetPropertySelect:
    return u->GetProperty(ComponentParam<UInt32>(p, 0), ComponentParam<UInt32>(p, 1),
                          ComponentParam<UInt32>(p, 2), ComponentParam<void*>(p, 3),
                          ComponentParam<UInt32*>(p, 4), nullptr);
  case kAudioUnitSetPropertySelect:
    return u->SetProperty(ComponentParam<UInt32>(p, 0), ComponentParam<UInt32>(p, 1),
                          ComponentParam<UInt32>(p, 2), ComponentParam<const void*>(p, 3),
                          ComponentParam<UInt32>(p, 4));
  case kAudioUnitGetParameterSelect:
    return u->GetParameter(ComponentParam<UInt32>(p, 0), ComponentParam<UInt32>(p, 1),
                           ComponentParam<AudioUnitParameterValue*>(p, 3));
  case kAudioUnitSetParameterSelect:
    return u->SetParameter(ComponentParam<UInt32>(p, 0), ComponentParam<UInt32>(p, 1),
                           ComponentParam<AudioUnitParameterValue>(p, 3), ComponentParam<UInt32>(p, 4));
  case kAudioUnitResetSelect:
    ++u->log.resets;
    return noErr;
  case kAudioUnitAddPropertyListenerSelect:
    u->listeners.push_back({ComponentParam<UInt32>(p, 0), ComponentParam<AudioUnitPropertyListenerProc>(p, 1),
                            ComponentParam<void*>(p, 2)});
    return noErr;
  case kAudioUnitAddRenderNotifySelect:
    u->notifies.push_back({ComponentParam<AURenderCallback>(p, 0), ComponentParam<void*>(p, 1)});
    return noErr;
  case kAudioUnitScheduleParametersSelect:
    u->log.scheduled += ComponentParam<UInt32>(p, 1);
    return noErr;
  case kAudioUnitRenderSelect:
    return u->Render(ComponentParam<AudioUnitRenderActionFlags*>(p, 0),
                     ComponentParam<const AudioTimeStamp*>(p, 1), ComponentParam<UInt32>(p, 2),
                     ComponentParam<UInt32>(p, 3), ComponentParam<AudioBufferList*>(p, 4));
  case kMusicDeviceMIDIEventSelect:
    u->log.midi[0] = ComponentParam<UInt32>(p, 0);
    u->log.midi[1] = ComponentParam<UInt32>(p, 1);
    u->log.midi[2] = ComponentParam<UInt32>(p, 2);
    u->log.midi[3] = ComponentParam<UInt32>(p, 3);
    return noErr;
  default:
    return badComponentSelector;
  }
}

bool Handles(SInt16 selector)
{
  switch (selector)
  {
  case kAudioUnitInitializeSelect:
  case kAudioUnitUninitializeSelect:
  case kAudioUnitGetPropertyInfoSelect:
  case kAudioUnitGetPropertySelect:
  case kAudioUnitSetPropertySelect:
  case kAudioUnitGetParameterSelect:
  case kAudioUnitSetParameterSelect:
  case kAudioUnitResetSelect:
  case kAudioUnitAddPropertyListenerSelect:
  case kAudioUnitAddRenderNotifySelect:
  case kAudioUnitScheduleParametersSelect:
  case kAudioUnitRenderSelect:
    return true;
  default:
    return false;
  }
}

// The factory's record: the host's interface first, then the unit.
struct FactoryRecord
{
  AudioComponentPlugInInterface iface;
  FakeUnit* unit;
};

FakeUnit* UnitOf(void* self)
{
  return static_cast<FactoryRecord*>(self)->unit;
}

OSStatus MInitialize(void* self)
{
  UnitOf(self)->log.initialized = 1;
  return noErr;
}
OSStatus MUninitialize(void* self)
{
  UnitOf(self)->log.initialized = 0;
  return noErr;
}
OSStatus MGetPropertyInfo(void* self, AudioUnitPropertyID id, AudioUnitScope scope, AudioUnitElement elem,
                          UInt32* size, Boolean* writable)
{
  return UnitOf(self)->GetProperty(id, scope, elem, nullptr, size, writable);
}
OSStatus MGetProperty(void* self, AudioUnitPropertyID id, AudioUnitScope scope, AudioUnitElement elem,
                      void* data, UInt32* size)
{
  return UnitOf(self)->GetProperty(id, scope, elem, data, size, nullptr);
}
OSStatus MSetProperty(void* self, AudioUnitPropertyID id, AudioUnitScope scope, AudioUnitElement elem,
                      const void* data, UInt32 size)
{
  return UnitOf(self)->SetProperty(id, scope, elem, data, size);
}
OSStatus MGetParameter(void* self, AudioUnitParameterID id, AudioUnitScope scope, AudioUnitElement,
                       AudioUnitParameterValue* value)
{
  return UnitOf(self)->GetParameter(id, scope, value);
}
OSStatus MSetParameter(void* self, AudioUnitParameterID id, AudioUnitScope scope, AudioUnitElement,
                       AudioUnitParameterValue value, UInt32 offset)
{
  return UnitOf(self)->SetParameter(id, scope, value, offset);
}
OSStatus MReset(void* self, AudioUnitScope, AudioUnitElement)
{
  ++UnitOf(self)->log.resets;
  return noErr;
}
OSStatus MAddPropertyListener(void* self, AudioUnitPropertyID id, AudioUnitPropertyListenerProc proc,
                              void* data)
{
  UnitOf(self)->listeners.push_back({id, proc, data});
  return noErr;
}
OSStatus MAddRenderNotify(void* self, AURenderCallback proc, void* refCon)
{
  UnitOf(self)->notifies.push_back({proc, refCon});
  return noErr;
}
OSStatus MScheduleParameters(void* self, const AudioUnitParameterEvent*, UInt32 count)
{
  UnitOf(self)->log.scheduled += count;
  return noErr;
}
OSStatus MRender(void* self, AudioUnitRenderActionFlags* flags, const AudioTimeStamp* ts, UInt32 bus,
                 UInt32 frames, AudioBufferList* io)
{
  return UnitOf(self)->Render(flags, ts, bus, frames, io);
}

AudioComponentMethod Lookup(SInt16 selector)
{
  switch (selector)
  {
  case kAudioUnitInitializeSelect:
    return reinterpret_cast<AudioComponentMethod>(MInitialize);
  case kAudioUnitUninitializeSelect:
    return reinterpret_cast<AudioComponentMethod>(MUninitialize);
  case kAudioUnitGetPropertyInfoSelect:
    return reinterpret_cast<AudioComponentMethod>(MGetPropertyInfo);
  case kAudioUnitGetPropertySelect:
    return reinterpret_cast<AudioComponentMethod>(MGetProperty);
  case kAudioUnitSetPropertySelect:
    return reinterpret_cast<AudioComponentMethod>(MSetProperty);
  case kAudioUnitGetParameterSelect:
    return reinterpret_cast<AudioComponentMethod>(MGetParameter);
  case kAudioUnitSetParameterSelect:
    return reinterpret_cast<AudioComponentMethod>(MSetParameter);
  case kAudioUnitResetSelect:
    return reinterpret_cast<AudioComponentMethod>(MReset);
  case kAudioUnitAddPropertyListenerSelect:
    return reinterpret_cast<AudioComponentMethod>(MAddPropertyListener);
  case kAudioUnitAddRenderNotifySelect:
    return reinterpret_cast<AudioComponentMethod>(MAddRenderNotify);
  case kAudioUnitScheduleParametersSelect:
    return reinterpret_cast<AudioComponentMethod>(MScheduleParameters);
  case kAudioUnitRenderSelect:
    return reinterpret_cast<AudioComponentMethod>(MRender);
  default:
    return nullptr;
  }
}

OSStatus FactoryOpen(void* self, AudioComponentInstance ci)
{
  static_cast<FactoryRecord*>(self)->unit = new FakeUnit(ci, self);
  return noErr;
}

OSStatus FactoryClose(void* self)
{
  auto* record = static_cast<FactoryRecord*>(self);
  delete record->unit;
  delete record;
  return noErr;
}
} // namespace

extern "C" __attribute__((visibility("default"))) ComponentResult FakeEntry(ComponentParameters* p,
                                                                            Handle storage)
{
  auto* unit = reinterpret_cast<FakeUnit*>(storage);
  switch (p->what)
  {
  case kComponentOpenSelect:
  {
    ComponentInstance ci = qorvplatform::ComponentCallInstance(p);
    auto* u = new FakeUnit(ci, nullptr);
    u->expectedStorage = u;
    SetComponentInstanceStorage(ci, reinterpret_cast<Handle>(u));
    return noErr;
  }
  case kComponentCloseSelect:
    delete unit;
    return noErr;
  case kComponentCanDoSelect:
  {
    SInt16 selector = qorvplatform::ComponentParam<SInt16>(p, 0);
    return Handles(selector) || selector == kMusicDeviceMIDIEventSelect ? 1 : 0;
  }
  case kComponentVersionSelect:
    return kFakeVersion;
  default:
    return unit ? Dispatch(unit, p->what, p) : badComponentInstance;
  }
}

extern "C" __attribute__((visibility("default"))) ComponentResult FakeFailingEntry(ComponentParameters* p,
                                                                                   Handle)
{
  return p->what == kComponentOpenSelect ? static_cast<OSStatus>(kAudioUnitErr_FailedInitialization) : noErr;
}

extern "C" __attribute__((visibility("default"))) AudioComponentPlugInInterface*
FakeFactory(const AudioComponentDescription*)
{
  auto* record = new FactoryRecord{{FactoryOpen, FactoryClose, Lookup, nullptr}, nullptr};
  return &record->iface;
}
