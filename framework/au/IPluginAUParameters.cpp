// Parameter properties, parameter calls and notifications of the Audio Unit binding: parameter info and
// texts, Get/SetParameter and ScheduleParameters, the Audio Unit events of gestures and values, and the
// property listeners told of a changed parameter list, preset or latency.
#include "framework/au/AUPropertySize.h"
#include "framework/au/IPluginAU.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace iplugin
{
namespace
{
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

OSStatus IPluginAU::GetParamTextProperty(AudioUnitPropertyID propID, bool global, UInt32* pDataSize,
                                         void* pData)
{
  switch (propID)
  {
  case kAudioUnitProperty_ParameterStringFromValue:
    return FillPropertyRecord<AudioUnitParameterStringFromValue>(
        pDataSize, pData,
        [&](AudioUnitParameterStringFromValue& pv) -> OSStatus
        {
          if (!global) return noErr;
          if (!ValidParamIdx(pv.inParamID)) return kAudioUnitErr_InvalidParameter;
          const IParam& p = *GetParam(int(pv.inParamID));
          StringBuf display;
          p.GetDisplay(pv.inValue ? double(*pv.inValue) : p.Value(), false, display);
          pv.outString = CFStringCreateWithCString(kCFAllocatorDefault, display.Get(), kCFStringEncodingUTF8);
          return noErr;
        });

  case kAudioUnitProperty_ParameterIDName:
    return FillPropertyRecord<AudioUnitParameterIDName>(
        pDataSize, pData,
        [&](AudioUnitParameterIDName& pn) -> OSStatus
        {
          if (!global) return noErr;
          if (!ValidParamIdx(pn.inID)) return kAudioUnitErr_InvalidParameter;
          if (pn.inDesiredLength < -1) return kAudioUnitErr_InvalidPropertyValue;
          const char* name = GetParam(int(pn.inID))->GetName();
          char cut[32];
          if (pn.inDesiredLength != -1)
          {
            const int n = std::min<int>(pn.inDesiredLength, 31);
            std::strncpy(cut, name, size_t(n));
            cut[n] = '\0';
            name = cut;
          }
          pn.outName = CFStringCreateWithCString(kCFAllocatorDefault, name, kCFStringEncodingUTF8);
          return noErr;
        });

  case kAudioUnitProperty_ParameterClumpName:
    return FillPropertyRecord<AudioUnitParameterNameInfo>(
        pDataSize, pData,
        [&](AudioUnitParameterNameInfo& pn) -> OSStatus
        {
          if (!global) return noErr;
          if (SInt32(pn.inID) <= 0 || pn.inID > UInt32(NParamGroups())) return kAudioUnitErr_PropertyNotInUse;
          pn.outName = CFStringCreateWithCString(kCFAllocatorDefault, GetParamGroupName(int(pn.inID) - 1),
                                                 kCFStringEncodingUTF8);
          return noErr;
        });

  case kAudioUnitProperty_ParameterValueFromString:
    return FillPropertyRecord<AudioUnitParameterValueFromString>(
        pDataSize, pData,
        [&](AudioUnitParameterValueFromString& pv) -> OSStatus
        {
          if (!global) return noErr;
          if (!ValidParamIdx(pv.inParamID)) return kAudioUnitErr_InvalidParameter;
          if (!pv.inString || CFGetTypeID(pv.inString) != CFStringGetTypeID())
            return kAudioUnitErr_InvalidPropertyValue;
          char text[256] = "";
          CFStringGetCString(pv.inString, text, sizeof text, kCFStringEncodingUTF8);
          pv.outValue = AudioUnitParameterValue(GetParam(int(pv.inParamID))->StringToValue(text));
          return noErr;
        });

  default:
    return kAudioUnitErr_InvalidProperty;
  }
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
