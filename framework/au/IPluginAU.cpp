#include "framework/au/IPluginAU.h"

#include <QorvPlatform/ComponentGlue.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace iplugin
{
namespace
{

// "a.b.c" -> (a << 16) | ((b << 8) & 0xFFFF) | (c & 0xFF); missing parts count 0.
int ParseVersionText(const char* text)
{
  int parts[3] = {0, 0, 0};
  const char* p = text;
  for (int i = 0; i < 3 && p && *p; ++i)
  {
    char* end = nullptr;
    parts[i] = int(std::strtol(p, &end, 10));
    if (!end || !*end) break;
    p = end + 1;
  }
  return (parts[0] << 16) | ((parts[1] << 8) & 0xFFFF) | (parts[2] & 0xFF);
}
} // namespace

IPluginAU::IPluginAU(const InstanceInfo& info, const PluginConfig& config)
    : IPluginAPIBase(config, kAPIAU), IPluginProcessor(config)
{
  mCocoaViewFactoryClassName.Set(info.mCocoaViewFactoryClassName.Get());

  int nInputs = MaxNBuses(ERoute::kInput);
  if (nInputs == 1 && MaxNChannelsForBus(ERoute::kInput, 0) == 0) nInputs = 0;
  const int nOutputs = MaxNBuses(ERoute::kOutput);

  for (int i = 0; i < nInputs; ++i)
    mInBusConnections.AddOwned(new InputBusConnection);

  auto makeBuses = [this](PtrList<BusChannels>& buses, ERoute dir, int n)
  {
    int start = 0;
    for (int i = 0; i < n; ++i)
    {
      auto* bus = new BusChannels;
      bus->mNPlugChannels = std::abs(MaxNChannelsForBus(dir, i));
      bus->mPlugChannelStartIdx = start;
      start += bus->mNPlugChannels;
      buses.AddOwned(bus);
    }
  };
  makeBuses(mInBuses, ERoute::kInput, nInputs);
  makeBuses(mOutBuses, ERoute::kOutput, nOutputs);

  AssessInputConnections();
  SetBlockSize(512);
  ResizeScratchBuffers();
  CreateTimer();
}

IPluginAU::~IPluginAU()
{
  StopTimer();
  mInBuses.Empty(true);
  mOutBuses.Empty(true);
  mInBusConnections.Empty(true);
  mParamGroups.Empty(true);
}

const char* IPluginAU::InputTypeName(int type)
{
  switch (type)
  {
  case kDirectFastProc:
    return "DirectFastProc";
  case kDirectNoFastProc:
    return "DirectNoFastProc";
  case kRenderCallback:
    return "RenderCallback";
  default:
    return "NotConnected";
  }
}

void IPluginAU::ResizeScratchBuffers()
{
  const int frames = GetBlockSize();
  auto resize = [frames](TypedBuf<Float32>& buf, int nChannels)
  {
    const long n = long(nChannels) * frames;
    Float32* p = buf.Resize(int(std::min<long>(n, INT32_MAX / int(sizeof(Float32)))), true);
    if (p) std::memset(p, 0, size_t(buf.GetSize()) * sizeof(Float32));
  };
  resize(mInScratchBuf, MaxNChannels(ERoute::kInput));
  resize(mOutScratchBuf, MaxNChannels(ERoute::kOutput));
}

const IPluginAU::BusChannels* IPluginAU::GetBus(AudioUnitScope scope, int busIdx) const
{
  if (scope == kAudioUnitScope_Input) return mInBuses.Get(busIdx);
  if (scope == kAudioUnitScope_Output) return mOutBuses.Get(busIdx);
  return nullptr;
}

int IPluginAU::NHostChannelsConnected(const PtrList<BusChannels>& buses, int excludeIdx) const
{
  bool any = false;
  int total = 0;
  for (int i = 0; i < buses.Count(); ++i)
  {
    const int n = buses.Get(i)->mNHostChannels;
    if (i == excludeIdx || n < 0) continue;
    any = true;
    total += n;
  }
  return any ? total : -1;
}

bool IPluginAU::CheckLegalIO(AudioUnitScope scope, int busIdx, int nChannels) const
{
  const bool input = scope == kAudioUnitScope_Input;
  const PtrList<BusChannels>& same = input ? mInBuses : mOutBuses;
  const PtrList<BusChannels>& other = input ? mOutBuses : mInBuses;
  const int othersOfSame = std::max(NHostChannelsConnected(same, busIdx), 0);
  const int nSame = nChannels + othersOfSame;
  const int nOther = mActive ? NHostChannelsConnected(other) : -1;
  return input ? LegalIO(nSame, nOther) : LegalIO(nOther, nSame);
}

void IPluginAU::IdentifyHostFromMainBundle()
{
  char name[256] = "";
  int version = 0;
  if (CFBundleRef bundle = CFBundleGetMainBundle())
  {
    if (CFStringRef ident = CFBundleGetIdentifier(bundle))
      CFStringGetCString(ident, name, sizeof name, kCFStringEncodingUTF8);
    CFTypeRef value = CFBundleGetValueForInfoDictionaryKey(bundle, kCFBundleVersionKey);
    char text[64] = "";
    if (value && CFGetTypeID(value) == CFStringGetTypeID() &&
        CFStringGetCString(CFStringRef(value), text, sizeof text, kCFStringEncodingUTF8))
      version = ParseVersionText(text);
  }
  SetHost(name, version);
}

OSStatus IPluginAU::Initialize()
{
  if (GetHost() == kHostUninit) IdentifyHostFromMainBundle();

  const int nIn = NHostChannelsConnected(mInBuses);
  const int nOut = NHostChannelsConnected(mOutBuses);
  if (!(nIn == 0 && nOut == 0) && !LegalIO(nIn, nOut)) return badComponentSelector;

  mActive = true;
  ClearLastRenderTime();
  HandleParamReset(kReset);
  OnActivationChanged(true);
  return noErr;
}

OSStatus IPluginAU::Uninitialize()
{
  mActive = false;
  OnActivationChanged(false);
  return noErr;
}

OSStatus IPluginAU::Reset()
{
  ClearLastRenderTime();
  OnProcessingReset();
  return noErr;
}

void IPluginAU::ResetBusesForClose()
{
  auto reset = [](PtrList<BusChannels>& buses)
  {
    for (int i = 0; i < buses.Count(); ++i)
    {
      buses.Get(i)->mConnected = false;
      buses.Get(i)->mNHostChannels = -1;
    }
  };
  reset(mInBuses);
  for (int i = 0; i < mInBusConnections.Count(); ++i)
    *mInBusConnections.Get(i) = InputBusConnection{};
  reset(mOutBuses);
}

OSStatus IPluginAU::AddPropertyListener(AudioUnitPropertyID propID, AudioUnitPropertyListenerProc proc,
                                        void* userData)
{
  if (!proc) return kAudio_ParamError;
  SnapshotList<PropertyListener>::Reader listeners(mPropertyListeners);
  for (int i = 0; i < listeners.Count(); ++i)
    if (listeners[i].mPropID == propID && listeners[i].mListenerProc == proc) return noErr;
  return mPropertyListeners.Add(PropertyListener{propID, proc, userData}) ? OSStatus(noErr)
                                                                          : OSStatus(kAudio_MemFullError);
}

OSStatus IPluginAU::RemovePropertyListener(AudioUnitPropertyID propID, AudioUnitPropertyListenerProc proc)
{
  mPropertyListeners.RemoveFirst([&](const PropertyListener& l)
                                 { return l.mPropID == propID && l.mListenerProc == proc; });
  return noErr;
}

OSStatus IPluginAU::RemovePropertyListenerWithUserData(AudioUnitPropertyID propID,
                                                       AudioUnitPropertyListenerProc proc, void* userData)
{
  mPropertyListeners.RemoveFirst(
      [&](const PropertyListener& l)
      { return l.mPropID == propID && l.mListenerProc == proc && l.mProcArgs == userData; });
  return noErr;
}

OSStatus IPluginAU::AddRenderNotify(AURenderCallback proc, void* refCon)
{
  if (!proc) return kAudio_ParamError;
  return mRenderNotify.Add(AURenderCallbackStruct{proc, refCon}) ? OSStatus(noErr)
                                                                 : OSStatus(kAudio_MemFullError);
}

OSStatus IPluginAU::RemoveRenderNotify(AURenderCallback proc, void* refCon)
{
  // Procedure and reference together: a host may register one procedure for several objects.
  mRenderNotify.RemoveFirst([&](const AURenderCallbackStruct& n)
                            { return n.inputProc == proc && n.inputProcRefCon == refCon; });
  return noErr;
}

OSStatus IPluginAU::MIDIEvent(UInt32 status, UInt32 data1, UInt32 data2, UInt32 offsetSampleFrame)
{
  if (!DoesMIDIIn()) return badComponentSelector;
  const IMidiMsg msg{int(offsetSampleFrame), uint8_t(status), uint8_t(data1), uint8_t(data2)};
  ProcessMidiMsg(msg);
  mMidiMsgsFromProcessor.Push(msg);
  return noErr;
}

OSStatus IPluginAU::SysEx(const UInt8* data, UInt32 length)
{
  if (!DoesMIDIIn()) return badComponentSelector;
  if (!data && length) return kAudio_ParamError;
  ProcessSysEx(SysExView(0, data, int(std::min<UInt32>(length, INT32_MAX))));
  return noErr;
}

OSStatus IPluginAU::DispatchComponentSelector(ComponentParameters* params, IPluginAU* plug, CreateFunc create)
{
  using qorvplatform::ComponentParam;
  if (!params) return kAudio_ParamError;
  const SInt16 select = params->what;

  switch (select)
  {
  case kComponentOpenSelect:
  {
    const ComponentInstance ci = qorvplatform::ComponentCallInstance(params);
    IPluginAU* created = create ? create(nullptr) : nullptr;
    if (!created) return kAudio_MemFullError;
    created->PruneUninitializedPresets();
    created->SetComponentInstance(ci);
    SetComponentInstanceStorage(ci, reinterpret_cast<Handle>(created));
    return noErr;
  }
  case kComponentCloseSelect:
    if (!plug) return badComponentInstance;
    plug->ResetBusesForClose();
    plug->StopTimer();
    delete plug;
    return noErr;
  case kComponentCanDoSelect:
    return CanDo(ComponentParam<SInt16>(params, 0), plug);
  default:
    break;
  }

  if (!plug) return badComponentInstance;
  switch (select)
  {
  case kComponentVersionSelect:
    return plug->GetPluginVersion(false);
  case kAudioUnitInitializeSelect:
    return plug->Initialize();
  case kAudioUnitUninitializeSelect:
    return plug->Uninitialize();
  case kAudioUnitGetPropertyInfoSelect:
  {
    UInt32 size = 0;
    Boolean writeable = false;
    auto* pSize = ComponentParam<UInt32*>(params, 3);
    auto* pWriteable = ComponentParam<Boolean*>(params, 4);
    if (!pSize) pSize = &size;
    if (!pWriteable) pWriteable = &writeable;
    *pWriteable = false;
    return plug->GetProperty(ComponentParam<AudioUnitPropertyID>(params, 0),
                             ComponentParam<AudioUnitScope>(params, 1),
                             ComponentParam<AudioUnitElement>(params, 2), pSize, pWriteable, nullptr);
  }
  case kAudioUnitGetPropertySelect:
  {
    void* pData = ComponentParam<void*>(params, 3);
    auto* pSize = ComponentParam<UInt32*>(params, 4);
    if (pData && !pSize) return kAudio_ParamError; // the size of the caller's room is unknown
    UInt32 size = 0;
    Boolean writeable = false;
    return plug->GetProperty(
        ComponentParam<AudioUnitPropertyID>(params, 0), ComponentParam<AudioUnitScope>(params, 1),
        ComponentParam<AudioUnitElement>(params, 2), pSize ? pSize : &size, &writeable, pData);
  }
  case kAudioUnitSetPropertySelect:
  {
    UInt32 size = ComponentParam<UInt32>(params, 4);
    return plug->SetProperty(
        ComponentParam<AudioUnitPropertyID>(params, 0), ComponentParam<AudioUnitScope>(params, 1),
        ComponentParam<AudioUnitElement>(params, 2), &size, ComponentParam<const void*>(params, 3));
  }
  case kAudioUnitGetParameterSelect:
    return plug->GetParamProc(
        ComponentParam<AudioUnitParameterID>(params, 0), ComponentParam<AudioUnitScope>(params, 1),
        ComponentParam<AudioUnitElement>(params, 2), ComponentParam<AudioUnitParameterValue*>(params, 3));
  case kAudioUnitSetParameterSelect:
    return plug->SetParamProc(
        ComponentParam<AudioUnitParameterID>(params, 0), ComponentParam<AudioUnitScope>(params, 1),
        ComponentParam<AudioUnitElement>(params, 2), ComponentParam<AudioUnitParameterValue>(params, 3),
        ComponentParam<UInt32>(params, 4));
  case kAudioUnitResetSelect:
    return plug->Reset();
  case kAudioUnitAddPropertyListenerSelect:
    return plug->AddPropertyListener(ComponentParam<AudioUnitPropertyID>(params, 0),
                                     ComponentParam<AudioUnitPropertyListenerProc>(params, 1),
                                     ComponentParam<void*>(params, 2));
  case kAudioUnitRemovePropertyListenerSelect:
    return plug->RemovePropertyListener(ComponentParam<AudioUnitPropertyID>(params, 0),
                                        ComponentParam<AudioUnitPropertyListenerProc>(params, 1));
  case kAudioUnitRemovePropertyListenerWithUserDataSelect:
    return plug->RemovePropertyListenerWithUserData(ComponentParam<AudioUnitPropertyID>(params, 0),
                                                    ComponentParam<AudioUnitPropertyListenerProc>(params, 1),
                                                    ComponentParam<void*>(params, 2));
  case kAudioUnitRenderSelect:
    return plug->Render(ComponentParam<AudioUnitRenderActionFlags*>(params, 0),
                        ComponentParam<const AudioTimeStamp*>(params, 1), ComponentParam<UInt32>(params, 2),
                        ComponentParam<UInt32>(params, 3), ComponentParam<AudioBufferList*>(params, 4));
  case kAudioUnitAddRenderNotifySelect:
    return plug->AddRenderNotify(ComponentParam<AURenderCallback>(params, 0),
                                 ComponentParam<void*>(params, 1));
  case kAudioUnitRemoveRenderNotifySelect:
    return plug->RemoveRenderNotify(ComponentParam<AURenderCallback>(params, 0),
                                    ComponentParam<void*>(params, 1));
  case kAudioUnitScheduleParametersSelect:
    return plug->ScheduleParameters(ComponentParam<const AudioUnitParameterEvent*>(params, 0),
                                    ComponentParam<UInt32>(params, 1));
  case kMusicDeviceMIDIEventSelect:
    return plug->MIDIEvent(ComponentParam<UInt32>(params, 0), ComponentParam<UInt32>(params, 1),
                           ComponentParam<UInt32>(params, 2), ComponentParam<UInt32>(params, 3));
  case kMusicDeviceSysExSelect:
    return plug->SysEx(ComponentParam<const UInt8*>(params, 0), ComponentParam<UInt32>(params, 1));
  case kMusicDevicePrepareInstrumentSelect:
  case kMusicDeviceReleaseInstrumentSelect:
  case kMusicDeviceStopNoteSelect:
    return noErr;
  case kMusicDeviceStartNoteSelect:
  {
    auto* pNoteID = ComponentParam<NoteInstanceID*>(params, 2);
    const auto* pNote = ComponentParam<const MusicDeviceNoteParams*>(params, 4);
    if (pNoteID && pNote) *pNoteID = NoteInstanceID(pNote->mPitch);
    return noErr;
  }
  default:
    return badComponentSelector;
  }
}

OSStatus IPluginAU::CanDo(SInt16 selector, const IPluginAU* plug)
{
  switch (selector)
  {
  case kComponentOpenSelect:
  case kComponentCloseSelect:
  case kComponentCanDoSelect:
  case kComponentVersionSelect:
  case kAudioUnitInitializeSelect:
  case kAudioUnitUninitializeSelect:
  case kAudioUnitGetPropertyInfoSelect:
  case kAudioUnitGetPropertySelect:
  case kAudioUnitSetPropertySelect:
  case kAudioUnitGetParameterSelect:
  case kAudioUnitSetParameterSelect:
  case kAudioUnitResetSelect:
  case kAudioUnitAddPropertyListenerSelect:
  case kAudioUnitRemovePropertyListenerSelect:
  case kAudioUnitRenderSelect:
  case kAudioUnitAddRenderNotifySelect:
  case kAudioUnitRemoveRenderNotifySelect:
  case kAudioUnitScheduleParametersSelect:
  case kAudioUnitRemovePropertyListenerWithUserDataSelect:
  case kMusicDevicePrepareInstrumentSelect:
  case kMusicDeviceReleaseInstrumentSelect:
  case kMusicDeviceStartNoteSelect:
  case kMusicDeviceStopNoteSelect:
    return 1;
  case kMusicDeviceMIDIEventSelect:
  case kMusicDeviceSysExSelect:
    return plug && plug->DoesMIDIIn() ? 1 : 0;
  default:
    return 0;
  }
}
} // namespace iplugin
