// Property, parameter and listener calls of the Audio Unit binding.
#include "framework/au/IPluginAU.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace iplugin
{
namespace
{
// The largest slice the binding sizes its buffers for; a larger request is refused.
constexpr UInt32 kMaxFramesPerSliceLimit = 65536;

// Size bookkeeping shared by every property: with no data pointer only the size is reported; with one,
// the caller's size must hold the property.
enum class ESizeCheck
{
  kInfoOnly,
  kCopy,
  kTooSmall
};

ESizeCheck CheckSize(UInt32* pDataSize, UInt32 size, const void* pData)
{
  if (!pData)
  {
    *pDataSize = size;
    return ESizeCheck::kInfoOnly;
  }
  if (*pDataSize < size) return ESizeCheck::kTooSmall;
  *pDataSize = size;
  return ESizeCheck::kCopy;
}

// The status of a property call that copies nothing: none for an info request, else too little room.
OSStatus Answer(ESizeCheck check)
{
  return check == ESizeCheck::kTooSmall ? OSStatus(kAudioUnitErr_InvalidPropertyValue) : OSStatus(noErr);
}

AudioUnitParameterUnit AUUnitFromParam(const IParam& p)
{
  switch (p.Type())
  {
  case IParam::kTypeInt:
  case IParam::kTypeEnum:
    return kAudioUnitParameterUnit_Indexed;
  case IParam::kTypeBool:
    return kAudioUnitParameterUnit_Boolean;
  default:
    break;
  }
  static const AudioUnitParameterUnit units[] = {
      kAudioUnitParameterUnit_Percent,
      kAudioUnitParameterUnit_Seconds,
      kAudioUnitParameterUnit_Milliseconds,
      kAudioUnitParameterUnit_SampleFrames,
      kAudioUnitParameterUnit_Decibels,
      kAudioUnitParameterUnit_LinearGain,
      kAudioUnitParameterUnit_Pan,
      kAudioUnitParameterUnit_Phase,
      kAudioUnitParameterUnit_Degrees,
      kAudioUnitParameterUnit_Meters,
      kAudioUnitParameterUnit_Rate,
      kAudioUnitParameterUnit_Ratio,
      kAudioUnitParameterUnit_Hertz,
      kAudioUnitParameterUnit_Octaves,
      kAudioUnitParameterUnit_Cents,
      kAudioUnitParameterUnit_AbsoluteCents,
      kAudioUnitParameterUnit_RelativeSemiTones,
      kAudioUnitParameterUnit_MIDINoteNumber,
      kAudioUnitParameterUnit_MIDIController,
      kAudioUnitParameterUnit_BPM,
      kAudioUnitParameterUnit_Beats,
      kAudioUnitParameterUnit_CustomUnit,
  };
  const int u = int(p.Unit());
  if (u < 0 || u >= int(sizeof units / sizeof units[0])) return kAudioUnitParameterUnit_Generic;
  if (p.Unit() == IParam::kUnitCustom)
    return p.GetLabel() && *p.GetLabel() ? kAudioUnitParameterUnit_CustomUnit
                                         : kAudioUnitParameterUnit_Generic;
  return units[u];
}

AudioUnitParameterOptions DisplayFlags(IParam::EDisplayType type)
{
  switch (type)
  {
  case IParam::kDisplayLog:
    return kAudioUnitParameterFlag_DisplayLogarithmic;
  case IParam::kDisplayExp:
    return kAudioUnitParameterFlag_DisplayExponential;
  case IParam::kDisplaySquared:
    return kAudioUnitParameterFlag_DisplaySquared;
  case IParam::kDisplaySquareRoot:
    return kAudioUnitParameterFlag_DisplaySquareRoot;
  case IParam::kDisplayCubed:
    return kAudioUnitParameterFlag_DisplayCubed;
  case IParam::kDisplayCubeRoot:
    return kAudioUnitParameterFlag_DisplayCubeRoot;
  default:
    return 0;
  }
}

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

const char* IPluginAU::GetParamGroupName(int idx) const
{
  const StringBuf* s = mParamGroups.Get(idx);
  return s ? s->Get() : nullptr;
}

int IPluginAU::AddParamGroup(const char* name)
{
  for (int i = 0; i < mParamGroups.Count(); ++i)
    if (!std::strcmp(mParamGroups.Get(i)->Get(), name)) return i;
  return mParamGroups.AddOwned(new StringBuf(name)) ? mParamGroups.Count() - 1 : -1;
}

OSStatus IPluginAU::GetParamInfo(AudioUnitScope scope, AudioUnitElement element, UInt32* pDataSize,
                                 void* pData)
{
  if (scope != kAudioUnitScope_Global) return kAudioUnitErr_InvalidProperty;
  if (element >= UInt32(NParams())) return kAudioUnitErr_InvalidElement;
  if (const ESizeCheck c = CheckSize(pDataSize, sizeof(AudioUnitParameterInfo), pData);
      c != ESizeCheck::kCopy)
    return Answer(c);

  const IParam& p = *GetParam(int(element));
  AudioUnitParameterInfo info;
  std::memset(&info, 0, sizeof info);
  AudioUnitParameterOptions flags = kAudioUnitParameterFlag_IsWritable | kAudioUnitParameterFlag_IsReadable |
                                    kAudioUnitParameterFlag_HasCFNameString |
                                    kAudioUnitParameterFlag_IsHighResolution |
                                    kAudioUnitParameterFlag_CFNameRelease;
  if (p.GetMeta())
  {
    flags |= kAudioUnitParameterFlag_IsElementMeta;
    if (!p.GetCanAutomate()) flags |= kAudioUnitParameterFlag_NonRealTime;
  }
  else if (!p.GetCanAutomate())
    flags |= kAudioUnitParameterFlag_NonRealTime;
  if (p.NDisplayTexts() > 0) flags |= kAudioUnitParameterFlag_ValuesHaveStrings;

  info.cfNameString = CFStringCreateWithCString(kCFAllocatorDefault, p.GetName(), kCFStringEncodingUTF8);
  std::strncpy(info.name, p.GetName(), sizeof info.name - 1);
  info.unit = AUUnitFromParam(p);
  if (info.unit == kAudioUnitParameterUnit_CustomUnit)
    info.unitName = CFStringCreateWithCString(kCFAllocatorDefault, p.GetLabel(), kCFStringEncodingUTF8);
  flags |= DisplayFlags(p.GetDisplayType());
  info.minValue = AudioUnitParameterValue(p.GetMin());
  info.maxValue = AudioUnitParameterValue(p.GetMax());
  info.defaultValue = AudioUnitParameterValue(p.GetDefault());

  const char* group = p.GetGroup();
  if (group && *group)
  {
    const int idx = AddParamGroup(group);
    if (idx >= 0)
    {
      info.clumpID = UInt32(idx + 1);
      flags |= kAudioUnitParameterFlag_HasClump;
    }
  }
  info.flags = flags;
  std::memcpy(pData, &info, sizeof info);
  return noErr;
}

OSStatus IPluginAU::GetParamValueStrings(AudioUnitScope scope, AudioUnitElement element, UInt32* pDataSize,
                                         void* pData)
{
  if (scope != kAudioUnitScope_Global) return kAudioUnitErr_InvalidProperty;
  if (element >= UInt32(NParams())) return kAudioUnitErr_InvalidElement;
  const IParam& p = *GetParam(int(element));
  const int n = p.NDisplayTexts();
  if (n <= 0)
  {
    *pDataSize = 0;
    return kAudioUnitErr_InvalidProperty;
  }
  if (const ESizeCheck c = CheckSize(pDataSize, sizeof(CFArrayRef), pData); c != ESizeCheck::kCopy)
    return Answer(c);
  CFMutableArrayRef array = CFArrayCreateMutable(kCFAllocatorDefault, n, &kCFTypeArrayCallBacks);
  if (!array) return coreFoundationUnknownErr;
  for (int i = 0; i < n; ++i)
  {
    const char* text = p.GetDisplayText(double(i));
    CFStringRef s = CFStringCreateWithCString(kCFAllocatorDefault, text ? text : "", kCFStringEncodingUTF8);
    if (s)
    {
      CFArrayAppendValue(array, s);
      CFRelease(s);
    }
  }
  *static_cast<CFArrayRef*>(pData) = array;
  return noErr;
}

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

OSStatus IPluginAU::GetProperty(AudioUnitPropertyID propID, AudioUnitScope scope, AudioUnitElement element,
                                UInt32* pDataSize, Boolean* pWriteable, void* pData)
{
  if (!pDataSize || !pWriteable) return kAudio_ParamError;

  // Fixed-size properties: report the size and writable flag, check the caller's room, then fill.
  auto fixed = [&](UInt32 size, bool writeable)
  {
    if (writeable) *pWriteable = true;
    return CheckSize(pDataSize, size, pData);
  };
  auto put = [&](auto value) { std::memcpy(pData, &value, sizeof value); };
  const bool global = scope == kAudioUnitScope_Global;
  switch (propID)
  {
  case kIPluginAUPropertyPlugObject:
    if (const ESizeCheck c = fixed(sizeof(void*), false); c != ESizeCheck::kCopy) return Answer(c);
    put(static_cast<void*>(this));
    return noErr;

  case kAudioUnitProperty_ClassInfo:
    if (const ESizeCheck c = fixed(sizeof(CFPropertyListRef), true); c != ESizeCheck::kCopy) return Answer(c);
    return SaveStateToClassInfo(static_cast<CFPropertyListRef*>(pData));

  case kAudioUnitProperty_MakeConnection:
    if (!global && scope != kAudioUnitScope_Input) return kAudioUnitErr_InvalidProperty;
    if (const ESizeCheck c = fixed(sizeof(AudioUnitConnection), true); c != ESizeCheck::kCopy)
      return Answer(c);
    return noErr;

  case kAudioUnitProperty_SampleRate:
    if (const ESizeCheck c = fixed(sizeof(Float64), true); c != ESizeCheck::kCopy) return Answer(c);
    put(Float64(GetSampleRate()));
    return noErr;

  case kAudioUnitProperty_ParameterList:
  {
    const int n = global ? NParams() : 0;
    if (const ESizeCheck c = CheckSize(pDataSize, UInt32(n * sizeof(AudioUnitParameterID)), pData);
        c != ESizeCheck::kCopy)
      return Answer(c);
    auto* ids = static_cast<AudioUnitParameterID*>(pData);
    for (int i = 0; i < n; ++i)
      ids[i] = AudioUnitParameterID(i);
    return noErr;
  }

  case kAudioUnitProperty_ParameterInfo:
    return GetParamInfo(scope, element, pDataSize, pData);

  case kAudioUnitProperty_FastDispatch:
    return kAudioUnitErr_InvalidElement;

  case kAudioUnitProperty_StreamFormat:
  {
    const BusChannels* bus = GetBus(global ? AudioUnitScope(kAudioUnitScope_Output) : scope, int(element));
    if (!bus || element > UInt32(INT32_MAX)) return kAudioUnitErr_InvalidProperty;
    if (const ESizeCheck c = fixed(sizeof(AudioStreamBasicDescription), true); c != ESizeCheck::kCopy)
      return Answer(c);
    AudioStreamBasicDescription asbd;
    std::memset(&asbd, 0, sizeof asbd);
    asbd.mSampleRate = GetSampleRate();
    asbd.mFormatID = kAudioFormatLinearPCM;
    asbd.mFormatFlags = kAudioFormatFlagsNativeFloatPacked | kAudioFormatFlagIsNonInterleaved;
    asbd.mBytesPerPacket = 4;
    asbd.mFramesPerPacket = 1;
    asbd.mBytesPerFrame = 4;
    asbd.mChannelsPerFrame = UInt32(bus->mNHostChannels >= 0 ? bus->mNHostChannels : bus->mNPlugChannels);
    asbd.mBitsPerChannel = 32;
    put(asbd);
    return noErr;
  }

  case kAudioUnitProperty_ElementCount:
  {
    if (const ESizeCheck c = fixed(sizeof(UInt32), false); c != ESizeCheck::kCopy) return Answer(c);
    UInt32 n = 0;
    if (global)
      n = 1;
    else if (scope == kAudioUnitScope_Input)
      n = UInt32(NInputBuses());
    else if (scope == kAudioUnitScope_Output)
      n = UInt32(NOutputBuses());
    put(n);
    return noErr;
  }

  case kAudioUnitProperty_Latency:
    if (!global) return kAudioUnitErr_InvalidProperty;
    if (const ESizeCheck c = fixed(sizeof(Float64), false); c != ESizeCheck::kCopy) return Answer(c);
    put(Float64(GetLatency()) / GetSampleRate());
    return noErr;

  case kAudioUnitProperty_SupportedNumChannels:
  {
    if (!global) return kAudioUnitErr_InvalidProperty;
    const int n = NIOConfigs();
    if (const ESizeCheck c = CheckSize(pDataSize, UInt32(n * sizeof(AUChannelInfo)), pData);
        c != ESizeCheck::kCopy)
      return Answer(c);
    auto* info = static_cast<AUChannelInfo*>(pData);
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
    if (const ESizeCheck c = fixed(sizeof(UInt32), true); c != ESizeCheck::kCopy) return Answer(c);
    put(UInt32(GetBlockSize()));
    return noErr;

  case kAudioUnitProperty_ParameterValueStrings:
    return GetParamValueStrings(scope, element, pDataSize, pData);

  case kAudioUnitProperty_AudioChannelLayout:
    return kAudioUnitErr_InvalidPropertyValue;

  case kAudioUnitProperty_TailTime:
    if (!global) return kAudioUnitErr_InvalidProperty;
    if (const ESizeCheck c = fixed(sizeof(Float64), false); c != ESizeCheck::kCopy) return Answer(c);
    put(Float64(GetTailSize()) / GetSampleRate());
    return noErr;

  case kAudioUnitProperty_BypassEffect:
    if (!global) return kAudioUnitErr_InvalidProperty;
    if (const ESizeCheck c = fixed(sizeof(UInt32), true); c != ESizeCheck::kCopy) return Answer(c);
    put(UInt32(GetBypassed() ? 1 : 0));
    return noErr;

  case kAudioUnitProperty_LastRenderError:
    if (!global) return kAudioUnitErr_InvalidProperty;
    if (const ESizeCheck c = fixed(sizeof(OSStatus), false); c != ESizeCheck::kCopy) return Answer(c);
    put(OSStatus(noErr));
    return noErr;

  case kAudioUnitProperty_SetRenderCallback:
    if ((!global && scope != kAudioUnitScope_Input) || element >= UInt32(NInputBuses()))
      return kAudioUnitErr_InvalidProperty;
    if (const ESizeCheck c = fixed(sizeof(AURenderCallbackStruct), true); c != ESizeCheck::kCopy)
      return Answer(c);
    return noErr;

  case kAudioUnitProperty_FactoryPresets:
  {
    if (const ESizeCheck c = fixed(sizeof(CFArrayRef), false); c != ESizeCheck::kCopy) return Answer(c);
    CFMutableArrayRef array = CreateFactoryPresetArray();
    if (!array) return coreFoundationUnknownErr;
    put(CFArrayRef(array));
    return noErr;
  }

  case kAudioUnitProperty_HostCallbacks:
    if (!global) return kAudioUnitErr_InvalidProperty;
    if (const ESizeCheck c = fixed(sizeof(HostCallbackInfo), true); c != ESizeCheck::kCopy) return Answer(c);
    return noErr;

  case kAudioUnitProperty_CurrentPreset:
  case kAudioUnitProperty_PresentPreset:
  {
    if (const ESizeCheck c = fixed(sizeof(AUPreset), true); c != ESizeCheck::kCopy) return Answer(c);
    const int idx = GetCurrentPresetIdx();
    AUPreset preset;
    preset.presetNumber = SInt32(GetHostPresetIdx());
    preset.presetName =
        CFStringCreateWithCString(kCFAllocatorDefault, GetPresetName(idx), kCFStringEncodingUTF8);
    put(preset);
    return noErr;
  }

  case kAudioUnitProperty_ElementName:
  {
    *pDataSize = sizeof(CFStringRef);
    if (!pData) return kAudioUnitErr_InvalidProperty;
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
    put(CFStringCreateWithCString(kCFAllocatorDefault, name.Get(), kCFStringEncodingUTF8));
    return noErr;
  }

  case kAudioUnitProperty_CocoaUI:
  {
    if (!HasUI()) return kAudioUnitErr_InvalidProperty;
    if (const ESizeCheck c = fixed(sizeof(AudioUnitCocoaViewInfo), false); c != ESizeCheck::kCopy)
      return Answer(c);
    CFStringRef bundleID =
        CFStringCreateWithCString(kCFAllocatorDefault, GetBundleID(), kCFStringEncodingUTF8);
    CFBundleRef bundle = bundleID ? CFBundleGetBundleWithIdentifier(bundleID) : nullptr;
    if (bundleID) CFRelease(bundleID);
    CFURLRef url = bundle ? CFBundleCopyBundleURL(bundle) : nullptr;
    if (!url) return kAudioUnitErr_InvalidProperty;
    AudioUnitCocoaViewInfo info;
    info.mCocoaAUViewBundleLocation = url;
    info.mCocoaAUViewClass[0] = CFStringCreateWithCString(
        kCFAllocatorDefault, mCocoaViewFactoryClassName.Get(), kCFStringEncodingUTF8);
    put(info);
    return noErr;
  }

  case kAudioUnitProperty_SupportedChannelLayoutTags:
    return GetChannelLayoutTags(scope, element, pDataSize, pWriteable, pData);

  case kAudioUnitProperty_ParameterStringFromValue:
  {
    if (const ESizeCheck c = fixed(sizeof(AudioUnitParameterStringFromValue), false); c != ESizeCheck::kCopy)
      return Answer(c);
    if (!global) return noErr;
    auto* pv = static_cast<AudioUnitParameterStringFromValue*>(pData);
    if (!ValidParamIdx(pv->inParamID)) return kAudioUnitErr_InvalidParameter;
    const IParam& p = *GetParam(int(pv->inParamID));
    StringBuf display;
    p.GetDisplay(pv->inValue ? double(*pv->inValue) : p.Value(), false, display);
    pv->outString = CFStringCreateWithCString(kCFAllocatorDefault, display.Get(), kCFStringEncodingUTF8);
    return noErr;
  }

  case kAudioUnitProperty_ParameterIDName:
  {
    if (const ESizeCheck c = fixed(sizeof(AudioUnitParameterIDName), false); c != ESizeCheck::kCopy)
      return Answer(c);
    if (!global) return noErr;
    auto* pn = static_cast<AudioUnitParameterIDName*>(pData);
    if (!ValidParamIdx(pn->inID)) return kAudioUnitErr_InvalidParameter;
    if (pn->inDesiredLength < -1) return kAudioUnitErr_InvalidPropertyValue;
    const char* name = GetParam(int(pn->inID))->GetName();
    char cut[32];
    if (pn->inDesiredLength != -1)
    {
      const int n = std::min<int>(pn->inDesiredLength, 31);
      std::strncpy(cut, name, size_t(n));
      cut[n] = '\0';
      name = cut;
    }
    pn->outName = CFStringCreateWithCString(kCFAllocatorDefault, name, kCFStringEncodingUTF8);
    return noErr;
  }

  case kAudioUnitProperty_ParameterClumpName:
  {
    if (const ESizeCheck c = fixed(sizeof(AudioUnitParameterNameInfo), false); c != ESizeCheck::kCopy)
      return Answer(c);
    if (!global) return noErr;
    auto* pn = static_cast<AudioUnitParameterNameInfo*>(pData);
    if (SInt32(pn->inID) <= 0 || pn->inID > UInt32(NParamGroups())) return kAudioUnitErr_PropertyNotInUse;
    pn->outName = CFStringCreateWithCString(kCFAllocatorDefault, GetParamGroupName(int(pn->inID) - 1),
                                            kCFStringEncodingUTF8);
    return noErr;
  }

  case kAudioUnitProperty_OfflineRender:
    if (!global) return kAudioUnitErr_InvalidProperty;
    if (const ESizeCheck c = fixed(sizeof(UInt32), true); c != ESizeCheck::kCopy) return Answer(c);
    put(UInt32(GetRenderingOffline() ? 1 : 0));
    return noErr;

  case kAudioUnitProperty_ParameterValueFromString:
  {
    if (const ESizeCheck c = fixed(sizeof(AudioUnitParameterValueFromString), false); c != ESizeCheck::kCopy)
      return Answer(c);
    if (!global) return noErr;
    auto* pv = static_cast<AudioUnitParameterValueFromString*>(pData);
    if (!ValidParamIdx(pv->inParamID)) return kAudioUnitErr_InvalidParameter;
    if (!pv->inString || CFGetTypeID(pv->inString) != CFStringGetTypeID())
      return kAudioUnitErr_InvalidPropertyValue;
    char text[256] = "";
    CFStringGetCString(pv->inString, text, sizeof text, kCFStringEncodingUTF8);
    pv->outValue = AudioUnitParameterValue(GetParam(int(pv->inParamID))->StringToValue(text));
    return noErr;
  }

  case kAudioUnitProperty_MIDIOutputCallbackInfo:
  {
    if (const ESizeCheck c = fixed(sizeof(CFArrayRef), false); c != ESizeCheck::kCopy) return Answer(c);
    CFStringRef name = CFSTR("midiOut");
    CFArrayRef array =
        CFArrayCreate(kCFAllocatorDefault, reinterpret_cast<const void**>(&name), 1, &kCFTypeArrayCallBacks);
    if (!array) return coreFoundationUnknownErr;
    put(array);
    return noErr;
  }

  case kAudioUnitProperty_MIDIOutputCallback:
    if (pData) return kAudioUnitErr_InvalidProperty;
    fixed(sizeof(AUMIDIOutputCallbackStruct), true);
    return noErr;

  case kMusicDeviceProperty_InstrumentCount:
    if (!global || GetPluginType() != 1) return kAudioUnitErr_InvalidProperty;
    if (const ESizeCheck c = fixed(sizeof(UInt32), false); c != ESizeCheck::kCopy) return Answer(c);
    put(UInt32(1));
    return noErr;

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

void IPluginAU::InformListeners(AudioUnitPropertyID propID, AudioUnitScope scope)
{
  SnapshotList<PropertyListener>::Reader listeners(mPropertyListeners);
  for (int i = 0; i < listeners.Count(); ++i)
  {
    const PropertyListener& l = listeners[i];
    if (l.mPropID == propID) l.mListenerProc(l.mProcArgs, mCI, propID, scope, 0);
  }
}

OSStatus IPluginAU::GetParamProc(AudioUnitParameterID paramID, AudioUnitScope scope, AudioUnitElement element,
                                 AudioUnitParameterValue* pValue)
{
  if (scope != kAudioUnitScope_Global) return kAudioUnitErr_InvalidProperty;
  if (!ValidParamIdx(paramID)) return kAudioUnitErr_InvalidParameter;
  if (!pValue) return kAudio_ParamError;
  *pValue = AudioUnitParameterValue(GetParam(int(paramID))->Value());
  return noErr;
}

void IPluginAU::ApplyHostParamValue(int paramIdx, double value, int sampleOffset)
{
  IParam* p = GetParam(paramIdx);
  // The parameter's own constrain: stepped, clamped, and NaN taken as the minimum.
  const double v = p->Constrain(value);
  p->Set(v);
  SendParameterValueFromAPI(paramIdx, std::isfinite(value) ? value : v, false);
  HandleParamChange(paramIdx, kHost, sampleOffset);
}

OSStatus IPluginAU::SetParamProc(AudioUnitParameterID paramID, AudioUnitScope scope, AudioUnitElement element,
                                 AudioUnitParameterValue value, UInt32 offsetFrames)
{
  if (scope != kAudioUnitScope_Global) return kAudioUnitErr_InvalidProperty;
  if (!ValidParamIdx(paramID)) return kAudioUnitErr_InvalidParameter;
  ApplyHostParamValue(int(paramID), double(value), int(std::min<UInt32>(offsetFrames, INT32_MAX)));
  return noErr;
}

OSStatus IPluginAU::ScheduleParameters(const AudioUnitParameterEvent* events, UInt32 nEvents)
{
  if (nEvents && !events) return kAudio_ParamError;
  for (UInt32 i = 0; i < nEvents; ++i)
  {
    const AudioUnitParameterEvent& e = events[i];
    if (e.eventType != kParameterEvent_Immediate) continue;
    if (e.scope != kAudioUnitScope_Global) return kAudioUnitErr_InvalidProperty;
    if (!ValidParamIdx(e.parameter)) return kAudioUnitErr_InvalidParameter;
    ApplyHostParamValue(int(e.parameter), double(e.eventValues.immediate.value),
                        int(std::min<UInt32>(e.eventValues.immediate.bufferOffset, INT32_MAX)));
  }
  return noErr;
}

void IPluginAU::SendAUEvent(AudioUnitEventType type, int paramIdx)
{
  AudioUnitEvent event;
  std::memset(&event, 0, sizeof event);
  event.mEventType = type;
  event.mArgument.mParameter.mAudioUnit = mCI;
  event.mArgument.mParameter.mParameterID = AudioUnitParameterID(paramIdx);
  event.mArgument.mParameter.mScope = kAudioUnitScope_Global;
  event.mArgument.mParameter.mElement = 0;
  AUEventListenerNotify(nullptr, nullptr, &event);
}

void IPluginAU::NotifyHostGestureBegin(int paramIdx)
{
  SendAUEvent(kAudioUnitEvent_BeginParameterChangeGesture, paramIdx);
}

void IPluginAU::NotifyHostParamValue(int paramIdx, double normalizedValue)
{
  SendAUEvent(kAudioUnitEvent_ParameterValueChange, paramIdx);
}

void IPluginAU::NotifyHostGestureEnd(int paramIdx)
{
  SendAUEvent(kAudioUnitEvent_EndParameterChangeGesture, paramIdx);
}

void IPluginAU::NotifyParameterListChanged()
{
  InformListeners(kAudioUnitProperty_ParameterList, kAudioUnitScope_Global);
  InformListeners(kAudioUnitProperty_ParameterInfo, kAudioUnitScope_Global);
}

void IPluginAU::NotifyPresentPresetChanged()
{
  InformListeners(kAudioUnitProperty_PresentPreset, kAudioUnitScope_Global);
}

void IPluginAU::SetLatency(int samples)
{
  // Stored whether or not anyone listens, so the Latency property always answers the latest value.
  IPluginProcessor::SetLatency(samples);
  InformListeners(kAudioUnitProperty_Latency, kAudioUnitScope_Global);
}
} // namespace iplugin
