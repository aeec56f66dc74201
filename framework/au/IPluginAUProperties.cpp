// Property requests of the Audio Unit binding: GetPropertyInfo, GetProperty and SetProperty. The parameter
// properties, parameter calls and notifications are in IPluginAUParameters.cpp.
#include "framework/au/AUPropertySize.h"
#include "framework/au/IPluginAU.h"

#include <QorvPlatform/FloatStreamFormat.h>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace iplugin
{
namespace
{
// The largest slice the binding sizes its buffers for; a larger request is refused.
constexpr UInt32 kMaxFramesPerSliceLimit = 65536;

// The channel-layout tags that stand for a channel count.
int LayoutTagsForCount(int n, AudioChannelLayoutTag* tags)
{
  switch (n)
  {
  case 0:
    tags[0] = kAudioChannelLayoutTag_UseChannelDescriptions;
    return 1;
  case 1:
    tags[0] = kAudioChannelLayoutTag_Mono;
    return 1;
  case 2:
    tags[0] = kAudioChannelLayoutTag_Stereo;
    return 1;
  case 3:
    tags[0] = kAudioChannelLayoutTag_MPEG_3_0_A;
    return 1;
  case 4:
    tags[0] = kAudioChannelLayoutTag_Quadraphonic;
    tags[1] = kAudioChannelLayoutTag_Ambisonic_B_Format;
    tags[2] = kAudioChannelLayoutTag_HOA_ACN_SN3D | 4;
    return 3;
  case 5:
    tags[0] = kAudioChannelLayoutTag_MPEG_5_0_B;
    return 1;
  case 6:
    tags[0] = kAudioChannelLayoutTag_MPEG_5_1_A;
    tags[1] = kAudioChannelLayoutTag_AudioUnit_6_0;
    return 2;
  case 7:
    tags[0] = kAudioChannelLayoutTag_MPEG_6_1_A;
    tags[1] = kAudioChannelLayoutTag_AudioUnit_7_0;
    return 2;
  case 8:
    tags[0] = kAudioChannelLayoutTag_MPEG_7_1_C;
    tags[1] = kAudioChannelLayoutTag_MPEG_7_1_A;
    return 2;
  case 9:
  case 16:
    tags[0] = kAudioChannelLayoutTag_HOA_ACN_SN3D | UInt32(n);
    return 1;
  default:
    tags[0] = kAudioChannelLayoutTag_DiscreteInOrder | UInt32(n);
    return 1;
  }
}

bool HasWildcard(const ChannelIOConfig& config, ERoute dir)
{
  for (int b = 0; b < config.NBuses(dir); ++b)
    if (config.GetBus(dir, b)->mNChans < 0) return true;
  return false;
}

bool IsFloat32NonInterleaved(const AudioStreamBasicDescription& d)
{
  return d.mFormatID == kAudioFormatLinearPCM && (d.mFormatFlags & kAudioFormatFlagIsFloat) &&
         (d.mFormatFlags & kAudioFormatFlagIsNonInterleaved) &&
         !(d.mFormatFlags & kAudioFormatFlagIsBigEndian) && d.mBitsPerChannel == 32 &&
         d.mBytesPerFrame == 4 && d.mBytesPerPacket == 4 && d.mFramesPerPacket == 1 &&
         std::isfinite(d.mSampleRate) && d.mSampleRate >= 0.0;
}

} // namespace

OSStatus IPluginAU::GetChannelLayoutTags(AudioUnitScope scope, AudioUnitElement element, UInt32* pDataSize,
                                         Boolean* pWriteable, void* pData)
{
  if (scope != kAudioUnitScope_Input && scope != kAudioUnitScope_Output)
  {
    if (pData) return kAudioUnitErr_InvalidProperty;
    *pDataSize = 0;
    return noErr;
  }
  const ERoute dir = scope == kAudioUnitScope_Input ? ERoute::kInput : ERoute::kOutput;
  // At most 3 tags per configuration; collected once each in order of first appearance.
  constexpr int kMaxTags = 64;
  AudioChannelLayoutTag tags[kMaxTags];
  int nTags = 0;
  for (int c = 0; c < NIOConfigs() && nTags < kMaxTags; ++c)
  {
    const ChannelIOConfig* config = GetIOConfig(c);
    if (element >= UInt32(config->NBuses(dir))) continue;
    AudioChannelLayoutTag found[3];
    const int nFound = LayoutTagsForCount(config->NChansOnBus(dir, int(element)), found);
    for (int k = 0; k < nFound && nTags < kMaxTags; ++k)
      if (std::find(tags, tags + nTags, found[k]) == tags + nTags) tags[nTags++] = found[k];
  }
  if (nTags > 0) *pWriteable = true;
  if (const ESizeCheck c = CheckSize(pDataSize, UInt32(nTags * sizeof(AudioChannelLayoutTag)), pData);
      c != ESizeCheck::kCopy)
    return Answer(c);
  std::memcpy(pData, tags, size_t(nTags) * sizeof(AudioChannelLayoutTag));
  return noErr;
}

OSStatus IPluginAU::GetCocoaViewInfo(AudioUnitCocoaViewInfo& info) const
{
  CFStringRef bundleID = CFStringCreateWithCString(kCFAllocatorDefault, GetBundleID(), kCFStringEncodingUTF8);
  CFBundleRef bundle = bundleID ? CFBundleGetBundleWithIdentifier(bundleID) : nullptr;
  if (bundleID) CFRelease(bundleID);
  CFURLRef url = bundle ? CFBundleCopyBundleURL(bundle) : nullptr;
  if (!url) return kAudioUnitErr_InvalidProperty;
  info.mCocoaAUViewBundleLocation = url;
  info.mCocoaAUViewClass[0] =
      CFStringCreateWithCString(kCFAllocatorDefault, mCocoaViewFactoryClassName.Get(), kCFStringEncodingUTF8);
  return noErr;
}

OSStatus IPluginAU::GetProperty(AudioUnitPropertyID propID, AudioUnitScope scope, AudioUnitElement element,
                                UInt32* pDataSize, Boolean* pWriteable, void* pData)
{
  if (!pDataSize || !pWriteable) return kAudio_ParamError;
  const PropertyReply reply{scope, element, pDataSize, pWriteable, pData};
  switch (propID)
  {
  case kIPluginAUPropertyPlugObject:
  case kAudioUnitProperty_ClassInfo:
  case kAudioUnitProperty_FactoryPresets:
  case kAudioUnitProperty_CurrentPreset:
  case kAudioUnitProperty_PresentPreset:
  case kAudioUnitProperty_CocoaUI:
  case kMusicDeviceProperty_InstrumentCount:
    return GetUnitProperty(propID, reply);

  case kAudioUnitProperty_SampleRate:
  case kAudioUnitProperty_StreamFormat:
  case kAudioUnitProperty_ElementCount:
  case kAudioUnitProperty_SupportedNumChannels:
  case kAudioUnitProperty_MaximumFramesPerSlice:
  case kAudioUnitProperty_AudioChannelLayout:
  case kAudioUnitProperty_ElementName:
  case kAudioUnitProperty_SupportedChannelLayoutTags:
    return GetFormatProperty(propID, reply);

  case kAudioUnitProperty_Latency:
  case kAudioUnitProperty_TailTime:
  case kAudioUnitProperty_BypassEffect:
  case kAudioUnitProperty_LastRenderError:
  case kAudioUnitProperty_OfflineRender:
    return GetProcessingProperty(propID, reply);

  case kAudioUnitProperty_MakeConnection:
  case kAudioUnitProperty_FastDispatch:
  case kAudioUnitProperty_SetRenderCallback:
  case kAudioUnitProperty_HostCallbacks:
  case kAudioUnitProperty_MIDIOutputCallbackInfo:
  case kAudioUnitProperty_MIDIOutputCallback:
    return GetConnectionProperty(propID, reply);

  case kAudioUnitProperty_ParameterList:
  case kAudioUnitProperty_ParameterInfo:
  case kAudioUnitProperty_ParameterValueStrings:
  case kAudioUnitProperty_ParameterStringFromValue:
  case kAudioUnitProperty_ParameterIDName:
  case kAudioUnitProperty_ParameterClumpName:
  case kAudioUnitProperty_ParameterValueFromString:
    return GetParameterProperty(propID, reply);

  default:
    return kAudioUnitErr_InvalidProperty;
  }
}

// The instance itself, its state and presets, its view.
OSStatus IPluginAU::GetUnitProperty(AudioUnitPropertyID propID, const PropertyReply& reply)
{
  UInt32* const pDataSize = reply.pDataSize;
  void* const pData = reply.pData;
  switch (propID)
  {
  case kIPluginAUPropertyPlugObject:
    return reply.Value(false, [&] { return static_cast<void*>(this); });

  case kAudioUnitProperty_ClassInfo:
    *reply.pWriteable = true;
    return FillPropertyRecord<CFPropertyListRef>(
        pDataSize, pData, [&](CFPropertyListRef& state) { return SaveStateToClassInfo(&state); });

  case kAudioUnitProperty_FactoryPresets:
    return FillPropertyRecord<CFArrayRef>(pDataSize, pData,
                                          [&](CFArrayRef& array)
                                          {
                                            array = CreateFactoryPresetArray();
                                            return array ? OSStatus(noErr)
                                                         : OSStatus(coreFoundationUnknownErr);
                                          });

  case kAudioUnitProperty_CurrentPreset:
  case kAudioUnitProperty_PresentPreset:
    return reply.Value(true,
                       [&]
                       {
                         return AUPreset{SInt32(GetHostPresetIdx()),
                                         CFStringCreateWithCString(kCFAllocatorDefault,
                                                                   GetPresetName(GetCurrentPresetIdx()),
                                                                   kCFStringEncodingUTF8)};
                       });

  case kAudioUnitProperty_CocoaUI:
    if (!HasUI()) return kAudioUnitErr_InvalidProperty;
    return FillPropertyRecord<AudioUnitCocoaViewInfo>(
        pDataSize, pData, [&](AudioUnitCocoaViewInfo& info) { return GetCocoaViewInfo(info); });

  case kMusicDeviceProperty_InstrumentCount:
    if (!reply.Global() || GetPluginType() != 1) return kAudioUnitErr_InvalidProperty;
    return reply.Value(false, [] { return UInt32(1); });

  default:
    return kAudioUnitErr_InvalidProperty;
  }
}

// The rate, the buses and their channels, the slice size.
OSStatus IPluginAU::GetFormatProperty(AudioUnitPropertyID propID, const PropertyReply& reply)
{
  const AudioUnitScope scope = reply.scope;
  const AudioUnitElement element = reply.element;
  const bool global = reply.Global();
  switch (propID)
  {
  case kAudioUnitProperty_SampleRate:
    return reply.Value(true, [&] { return Float64(GetSampleRate()); });

  case kAudioUnitProperty_StreamFormat:
  {
    const BusChannels* bus = GetBus(global ? AudioUnitScope(kAudioUnitScope_Output) : scope, int(element));
    if (!bus || element > UInt32(INT32_MAX)) return kAudioUnitErr_InvalidProperty;
    const int n = bus->mNHostChannels >= 0 ? bus->mNHostChannels : bus->mNPlugChannels;
    return reply.Value(true,
                       [&] { return qorvplatform::Float32NonInterleavedFormat(GetSampleRate(), UInt32(n)); });
  }

  case kAudioUnitProperty_ElementCount:
    return reply.Value(false,
                       [&]
                       {
                         if (global) return UInt32(1);
                         if (scope == kAudioUnitScope_Input) return UInt32(NInputBuses());
                         return scope == kAudioUnitScope_Output ? UInt32(NOutputBuses()) : UInt32(0);
                       });

  case kAudioUnitProperty_SupportedNumChannels:
  {
    if (!global) return kAudioUnitErr_InvalidProperty;
    const int n = NIOConfigs();
    if (const ESizeCheck c = CheckSize(reply.pDataSize, UInt32(n * sizeof(AUChannelInfo)), reply.pData);
        c != ESizeCheck::kCopy)
      return Answer(c);
    auto* info = static_cast<AUChannelInfo*>(reply.pData);
    for (int c = 0; c < n; ++c)
    {
      const ChannelIOConfig* config = GetIOConfig(c);
      info[c].inChannels = SInt16(HasWildcard(*config, kInput) ? -1 : config->GetTotalNChannels(kInput));
      info[c].outChannels = SInt16(HasWildcard(*config, kOutput) ? -1 : config->GetTotalNChannels(kOutput));
    }
    return noErr;
  }

  case kAudioUnitProperty_MaximumFramesPerSlice:
    if (!global) return kAudioUnitErr_InvalidProperty;
    return reply.Value(true, [&] { return UInt32(GetBlockSize()); });

  case kAudioUnitProperty_AudioChannelLayout:
    return kAudioUnitErr_InvalidPropertyValue;

  case kAudioUnitProperty_ElementName:
  {
    *reply.pDataSize = sizeof(CFStringRef);
    if (!reply.pData) return kAudioUnitErr_InvalidProperty;
    ERoute dir;
    if (scope == kAudioUnitScope_Input)
      dir = ERoute::kInput;
    else if (scope == kAudioUnitScope_Output)
      dir = ERoute::kOutput;
    else
      return kAudioUnitErr_InvalidScope;
    const int nBuses = MaxNBuses(dir);
    if (element >= UInt32(nBuses)) return kAudioUnitErr_InvalidElement;
    StringBuf name;
    GetBusName(dir, int(element), nBuses, name);
    const CFStringRef text =
        CFStringCreateWithCString(kCFAllocatorDefault, name.Get(), kCFStringEncodingUTF8);
    std::memcpy(reply.pData, &text, sizeof text);
    return noErr;
  }

  case kAudioUnitProperty_SupportedChannelLayoutTags:
    return GetChannelLayoutTags(scope, element, reply.pDataSize, reply.pWriteable, reply.pData);

  default:
    return kAudioUnitErr_InvalidProperty;
  }
}

// Latency, tail, bypass, offline rendering and the last render error: the whole unit's.
OSStatus IPluginAU::GetProcessingProperty(AudioUnitPropertyID propID, const PropertyReply& reply)
{
  if (!reply.Global()) return kAudioUnitErr_InvalidProperty;
  switch (propID)
  {
  case kAudioUnitProperty_Latency:
    return reply.Value(false, [&] { return Float64(GetLatency()) / GetSampleRate(); });

  case kAudioUnitProperty_TailTime:
    return reply.Value(false, [&] { return Float64(GetTailSize()) / GetSampleRate(); });

  case kAudioUnitProperty_BypassEffect:
    return reply.Value(true, [&] { return UInt32(GetBypassed() ? 1 : 0); });

  case kAudioUnitProperty_LastRenderError:
    return reply.Value(false, [] { return OSStatus(noErr); });

  case kAudioUnitProperty_OfflineRender:
    return reply.Value(true, [&] { return UInt32(GetRenderingOffline() ? 1 : 0); });

  default:
    return kAudioUnitErr_InvalidProperty;
  }
}

// What the host connects: inputs, callbacks, MIDI output.
OSStatus IPluginAU::GetConnectionProperty(AudioUnitPropertyID propID, const PropertyReply& reply)
{
  const bool global = reply.Global();
  switch (propID)
  {
  case kAudioUnitProperty_MakeConnection:
    if (!global && reply.scope != kAudioUnitScope_Input) return kAudioUnitErr_InvalidProperty;
    return reply.Room(sizeof(AudioUnitConnection), true);

  case kAudioUnitProperty_FastDispatch:
    return kAudioUnitErr_InvalidElement;

  case kAudioUnitProperty_SetRenderCallback:
    if ((!global && reply.scope != kAudioUnitScope_Input) || reply.element >= UInt32(NInputBuses()))
      return kAudioUnitErr_InvalidProperty;
    return reply.Room(sizeof(AURenderCallbackStruct), true);

  case kAudioUnitProperty_HostCallbacks:
    if (!global) return kAudioUnitErr_InvalidProperty;
    return reply.Room(sizeof(HostCallbackInfo), true);

  case kAudioUnitProperty_MIDIOutputCallbackInfo:
    return FillPropertyRecord<CFArrayRef>(
        reply.pDataSize, reply.pData,
        [](CFArrayRef& array)
        {
          CFStringRef name = CFSTR("midiOut");
          array = CFArrayCreate(kCFAllocatorDefault, reinterpret_cast<const void**>(&name), 1,
                                &kCFTypeArrayCallBacks);
          return array ? OSStatus(noErr) : OSStatus(coreFoundationUnknownErr);
        });

  case kAudioUnitProperty_MIDIOutputCallback:
    return reply.pData ? OSStatus(kAudioUnitErr_InvalidProperty)
                       : reply.Room(sizeof(AUMIDIOutputCallbackStruct), true);

  default:
    return kAudioUnitErr_InvalidProperty;
  }
}

OSStatus IPluginAU::GetParameterProperty(AudioUnitPropertyID propID, const PropertyReply& reply)
{
  switch (propID)
  {
  case kAudioUnitProperty_ParameterList:
  {
    const int n = reply.Global() ? NParams() : 0;
    if (const ESizeCheck c =
            CheckSize(reply.pDataSize, UInt32(n * sizeof(AudioUnitParameterID)), reply.pData);
        c != ESizeCheck::kCopy)
      return Answer(c);
    auto* ids = static_cast<AudioUnitParameterID*>(reply.pData);
    for (int i = 0; i < n; ++i)
      ids[i] = AudioUnitParameterID(i);
    return noErr;
  }

  case kAudioUnitProperty_ParameterInfo:
    return GetParamInfo(reply.scope, reply.element, reply.pDataSize, reply.pData);

  case kAudioUnitProperty_ParameterValueStrings:
    return GetParamValueStrings(reply.scope, reply.element, reply.pDataSize, reply.pData);

  case kAudioUnitProperty_ParameterStringFromValue:
  case kAudioUnitProperty_ParameterIDName:
  case kAudioUnitProperty_ParameterClumpName:
  case kAudioUnitProperty_ParameterValueFromString:
    return GetParamTextProperty(propID, reply.Global(), reply.pDataSize, reply.pData);

  default:
    return kAudioUnitErr_InvalidProperty;
  }
}

OSStatus IPluginAU::SetStreamFormat(AudioUnitScope scope, AudioUnitElement element,
                                    const AudioStreamBasicDescription& asbd)
{
  if (element > UInt32(INT32_MAX)) return kAudioUnitErr_InvalidProperty;
  BusChannels* bus = nullptr;
  if (scope == kAudioUnitScope_Global || scope == kAudioUnitScope_Output)
    bus = mOutBuses.Get(int(element));
  else if (scope == kAudioUnitScope_Input)
    bus = mInBuses.Get(int(element));
  if (!bus) return kAudioUnitErr_InvalidProperty;
  if (!IsFloat32NonInterleaved(asbd)) return kAudioUnitErr_FormatNotSupported;

  const int n = int(std::min<UInt32>(asbd.mChannelsPerFrame, INT32_MAX));
  const bool rateChange = asbd.mSampleRate > 0.0 && asbd.mSampleRate != GetSampleRate();
  // The audio thread's buffers and the processing state depend on both.
  if (mActive && (n != bus->mNHostChannels || rateChange)) return kAudioUnitErr_Initialized;

  const AudioUnitScope busScope =
      scope == kAudioUnitScope_Input ? kAudioUnitScope_Input : kAudioUnitScope_Output;
  // A refused format changes nothing: neither the bus nor the rate.
  if (n <= 0 || !CheckLegalIO(busScope, int(element), n)) return kAudioUnitErr_InvalidProperty;
  bus->mNHostChannels = n;
  if (asbd.mSampleRate > 0.0)
  {
    SetSampleRate(asbd.mSampleRate);
    OnProcessingReset();
  }
  AssessInputConnections();
  return noErr;
}

OSStatus IPluginAU::MakeConnection(AudioUnitScope scope, const AudioUnitConnection& conn)
{
  if (scope != kAudioUnitScope_Global && scope != kAudioUnitScope_Input) return kAudioUnitErr_InvalidProperty;
  InputBusConnection* pInBusConn =
      mInBusConnections.Get(int(std::min<UInt32>(conn.destInputNumber, INT32_MAX)));
  if (!pInBusConn) return kAudioUnitErr_InvalidProperty;

  *pInBusConn = InputBusConnection{};
  OSStatus status = noErr;
  if (conn.sourceAudioUnit)
  {
    AudioStreamBasicDescription srcFormat;
    UInt32 size = sizeof srcFormat;
    status = AudioUnitGetProperty(conn.sourceAudioUnit, kAudioUnitProperty_StreamFormat,
                                  kAudioUnitScope_Output, conn.sourceOutputNumber, &srcFormat, &size);
    if (status == noErr)
    {
      size = sizeof srcFormat;
      status = SetProperty(kAudioUnitProperty_StreamFormat, kAudioUnitScope_Input, conn.destInputNumber,
                           &size, &srcFormat);
    }
    if (status == noErr)
    {
      pInBusConn->mUpstreamUnit = conn.sourceAudioUnit;
      pInBusConn->mUpstreamBusIdx = int(conn.sourceOutputNumber);
      AudioUnitRenderProc proc = nullptr;
      size = sizeof proc;
      if (AudioUnitGetProperty(conn.sourceAudioUnit, kAudioUnitProperty_FastDispatch, kAudioUnitScope_Global,
                               kAudioUnitRenderSelect, &proc, &size) == noErr &&
          proc)
      {
        pInBusConn->mUpstreamRenderProc = proc;
        pInBusConn->mUpstreamObj = GetComponentInstanceStorage(conn.sourceAudioUnit);
      }
    }
    else
      status = kAudioUnitErr_InvalidProperty;
  }
  AssessInputConnections();
  return status;
}

OSStatus IPluginAU::SetRenderCallback(AudioUnitScope scope, AudioUnitElement element,
                                      const AURenderCallbackStruct& cb)
{
  if (scope != kAudioUnitScope_Input || element >= UInt32(mInBusConnections.Count()))
    return kAudioUnitErr_InvalidProperty;
  InputBusConnection* pInBusConn = mInBusConnections.Get(int(element));
  *pInBusConn = InputBusConnection{};
  if (cb.inputProc) pInBusConn->mUpstreamRenderCallback = cb;
  AssessInputConnections();
  return noErr;
}

OSStatus IPluginAU::SetHostIdentifier(const AUHostIdentifier& id)
{
  if (GetHost() != kHostUninit) return noErr;
  if (id.hostName && CFGetTypeID(id.hostName) != CFStringGetTypeID())
    return kAudioUnitErr_InvalidPropertyValue;
  char name[256] = "";
  if (id.hostName) CFStringGetCString(id.hostName, name, sizeof name, kCFStringEncodingUTF8);
  const int version = (int(id.hostVersion.majorRev) << 16) | ((id.hostVersion.minorAndBugRev & 0xF0) << 4) |
                      (id.hostVersion.minorAndBugRev & 0x0F);
  SetHost(name, version);
  return noErr;
}

OSStatus IPluginAU::SetPresetFromHost(SInt32 presetNumber)
{
  if (presetNumber < 0 || presetNumber >= NHostPresets()) return kAudioUnitErr_InvalidPropertyValue;
  return RestoreHostPreset(int(presetNumber)) ? OSStatus(noErr)
                                              : OSStatus(kAudioUnitErr_InvalidPropertyValue);
}

OSStatus IPluginAU::SetProperty(AudioUnitPropertyID propID, AudioUnitScope scope, AudioUnitElement element,
                                UInt32* pDataSize, const void* pData)
{
  const UInt32 size = pDataSize ? *pDataSize : 0;
  // Every property below reads a record of at least the given size.
  auto fits = [&](UInt32 needed) { return pData && size >= needed; };
  auto get = [&](auto& value) { std::memcpy(&value, pData, sizeof value); };
  const bool global = scope == kAudioUnitScope_Global;
  OSStatus status = kAudioUnitErr_InvalidProperty;

  switch (propID)
  {
  case kAudioUnitProperty_ClassInfo:
  {
    if (!fits(sizeof(CFPropertyListRef))) return kAudioUnitErr_InvalidPropertyValue;
    CFPropertyListRef plist;
    get(plist);
    status = RestoreStateFromClassInfo(plist);
    break;
  }
  case kAudioUnitProperty_MakeConnection:
  {
    if (!fits(sizeof(AudioUnitConnection))) return kAudioUnitErr_InvalidPropertyValue;
    AudioUnitConnection conn;
    get(conn);
    status = MakeConnection(scope, conn);
    break;
  }
  case kAudioUnitProperty_SampleRate:
  {
    if (!fits(sizeof(Float64))) return kAudioUnitErr_InvalidPropertyValue;
    Float64 rate;
    get(rate);
    if (!std::isfinite(rate) || rate <= 0.0) return kAudioUnitErr_InvalidPropertyValue;
    if (mActive && rate != GetSampleRate()) return kAudioUnitErr_Initialized;
    SetSampleRate(rate);
    OnProcessingReset();
    status = noErr;
    break;
  }
  case kAudioUnitProperty_StreamFormat:
  {
    if (!fits(sizeof(AudioStreamBasicDescription))) return kAudioUnitErr_InvalidPropertyValue;
    AudioStreamBasicDescription asbd;
    get(asbd);
    status = SetStreamFormat(scope, element, asbd);
    break;
  }
  case kAudioUnitProperty_MaximumFramesPerSlice:
  {
    // Like the bypass and offline flags, it belongs to the whole unit whatever the scope named.
    if (!fits(sizeof(UInt32))) return kAudioUnitErr_InvalidPropertyValue;
    UInt32 frames;
    get(frames);
    if (frames == 0 || frames > kMaxFramesPerSliceLimit) return kAudioUnitErr_InvalidPropertyValue;
    // Held to what the plug-in processes in one block; the host reads back what it may render.
    frames = std::min(frames, UInt32(std::max(GetMaxBlockSize(), 1)));
    if (mActive && int(frames) != GetBlockSize()) return kAudioUnitErr_Initialized;
    SetBlockSize(int(frames));
    ResizeScratchBuffers();
    OnProcessingReset();
    status = noErr;
    break;
  }
  case kAudioUnitProperty_BypassEffect:
  {
    if (!fits(sizeof(UInt32))) return kAudioUnitErr_InvalidPropertyValue;
    UInt32 value;
    get(value);
    SetBypassed(value != 0);
    OnActivationChanged(value == 0);
    OnProcessingReset();
    status = noErr;
    break;
  }
  case kAudioUnitProperty_SetRenderCallback:
  {
    if (!fits(sizeof(AURenderCallbackStruct))) return kAudioUnitErr_InvalidPropertyValue;
    AURenderCallbackStruct cb;
    get(cb);
    status = SetRenderCallback(scope, element, cb);
    break;
  }
  case kAudioUnitProperty_HostCallbacks:
  {
    if (!global) return kAudioUnitErr_InvalidProperty;
    if (!pData) return kAudioUnitErr_InvalidPropertyValue;
    // Older hosts hand a shorter record; the callbacks it lacks stay unset.
    HostCallbackInfo info;
    std::memset(&info, 0, sizeof info);
    std::memcpy(&info, pData, std::min<size_t>(size, sizeof info));
    mHostCallbacks = info;
    status = noErr;
    break;
  }
  case kAudioUnitProperty_CurrentPreset:
  case kAudioUnitProperty_PresentPreset:
  {
    if (!fits(sizeof(AUPreset))) return kAudioUnitErr_InvalidPropertyValue;
    AUPreset preset;
    get(preset);
    status = SetPresetFromHost(preset.presetNumber);
    break;
  }
  case kAudioUnitProperty_OfflineRender:
  {
    if (!fits(sizeof(UInt32))) return kAudioUnitErr_InvalidPropertyValue;
    UInt32 value;
    get(value);
    SetRenderingOffline(value != 0);
    OnProcessingReset();
    status = noErr;
    break;
  }
  case kAudioUnitProperty_AUHostIdentifier:
  {
    if (!fits(sizeof(AUHostIdentifier))) return kAudioUnitErr_InvalidPropertyValue;
    AUHostIdentifier id;
    get(id);
    status = SetHostIdentifier(id);
    break;
  }
  case kAudioUnitProperty_MIDIOutputCallback:
  {
    if (!fits(sizeof(AUMIDIOutputCallbackStruct))) return kAudioUnitErr_InvalidPropertyValue;
    get(mMidiCallback);
    status = noErr;
    break;
  }
  default:
    return kAudioUnitErr_InvalidProperty;
  }

  if (status == noErr) InformListeners(propID, scope);
  return status;
}

} // namespace iplugin
