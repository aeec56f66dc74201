#include "framework/au/AUComponentInterface.h"

#include <cstddef>
#include <cstdlib>

namespace iplugin
{
AUComponentInterface* AUComponentInterface::Create(ConstructFunc construct, DestroyFunc destroy,
                                                   size_t storageSize)
{
  void* block = std::calloc(1, offsetof(AUComponentInterface, mStorage) + storageSize);
  if (!block) return nullptr;
  auto* record = static_cast<AUComponentInterface*>(block);
  record->mInterface.Open = Open;
  record->mInterface.Close = Close;
  record->mInterface.Lookup = Lookup;
  record->mInterface.reserved = nullptr;
  record->mConstruct = construct;
  record->mDestroy = destroy;
  record->mPlug = nullptr;
  record->mStorageSize = storageSize;
  return record;
}

OSStatus AUComponentInterface::Open(void* self, AudioComponentInstance instance)
{
  auto* record = static_cast<AUComponentInterface*>(self);
  if (!record || record->mPlug) return kAudio_ParamError;
  IPluginAU* plug = record->mConstruct(record->mStorage);
  if (!plug) return kAudio_MemFullError;
  record->mPlug = plug;
  plug->SetComponentInstance(instance);
  plug->PruneUninitializedPresets();
  return noErr;
}

OSStatus AUComponentInterface::Close(void* self)
{
  auto* record = static_cast<AUComponentInterface*>(self);
  if (!record) return kAudio_ParamError;
  if (record->mPlug)
  {
    record->mPlug->StopTimer();
    record->mDestroy(record->mPlug);
    record->mPlug = nullptr;
  }
  std::free(record);
  return noErr;
}

AudioComponentMethod AUComponentInterface::Lookup(SInt16 selector)
{
  switch (selector)
  {
  case kAudioUnitInitializeSelect:
    return AudioComponentMethod(IPluginAU::MethodInitialize);
  case kAudioUnitUninitializeSelect:
    return AudioComponentMethod(IPluginAU::MethodUninitialize);
  case kAudioUnitGetPropertyInfoSelect:
    return AudioComponentMethod(IPluginAU::MethodGetPropertyInfo);
  case kAudioUnitGetPropertySelect:
    return AudioComponentMethod(IPluginAU::MethodGetProperty);
  case kAudioUnitSetPropertySelect:
    return AudioComponentMethod(IPluginAU::MethodSetProperty);
  case kAudioUnitGetParameterSelect:
    return AudioComponentMethod(IPluginAU::MethodGetParameter);
  case kAudioUnitSetParameterSelect:
    return AudioComponentMethod(IPluginAU::MethodSetParameter);
  case kAudioUnitResetSelect:
    return AudioComponentMethod(IPluginAU::MethodReset);
  case kAudioUnitAddPropertyListenerSelect:
    return AudioComponentMethod(IPluginAU::MethodAddPropertyListener);
  case kAudioUnitRemovePropertyListenerSelect:
    return AudioComponentMethod(IPluginAU::MethodRemovePropertyListener);
  case kAudioUnitRenderSelect:
    return AudioComponentMethod(IPluginAU::MethodRender);
  case kAudioUnitAddRenderNotifySelect:
    return AudioComponentMethod(IPluginAU::MethodAddRenderNotify);
  case kAudioUnitRemoveRenderNotifySelect:
    return AudioComponentMethod(IPluginAU::MethodRemoveRenderNotify);
  case kAudioUnitScheduleParametersSelect:
    return AudioComponentMethod(IPluginAU::MethodScheduleParameters);
  case kAudioUnitRemovePropertyListenerWithUserDataSelect:
    return AudioComponentMethod(IPluginAU::MethodRemovePropertyListenerWithUserData);
  default:
    return nullptr;
  }
}

// Each method finds the plug-in behind the record and forwards; a record without one is refused.
#define IPLUGIN_AU_PLUG(self)                                                                                \
  IPluginAU* plug = AUComponentInterface::Plug(self);                                                        \
  if (!plug) return kAudio_ParamError

OSStatus IPluginAU::MethodInitialize(void* self)
{
  IPLUGIN_AU_PLUG(self);
  return plug->Initialize();
}

OSStatus IPluginAU::MethodUninitialize(void* self)
{
  IPLUGIN_AU_PLUG(self);
  return plug->Uninitialize();
}

OSStatus IPluginAU::MethodGetPropertyInfo(void* self, AudioUnitPropertyID prop, AudioUnitScope scope,
                                          AudioUnitElement elem, UInt32* outDataSize, Boolean* outWritable)
{
  IPLUGIN_AU_PLUG(self);
  UInt32 size = 0;
  Boolean writeable = false;
  UInt32* pSize = outDataSize ? outDataSize : &size;
  Boolean* pWriteable = outWritable ? outWritable : &writeable;
  *pWriteable = false;
  return plug->GetProperty(prop, scope, elem, pSize, pWriteable, nullptr);
}

OSStatus IPluginAU::MethodGetProperty(void* self, AudioUnitPropertyID inID, AudioUnitScope inScope,
                                      AudioUnitElement inElement, void* outData, UInt32* ioDataSize)
{
  IPLUGIN_AU_PLUG(self);
  if (outData && !ioDataSize) return kAudio_ParamError;
  UInt32 size = 0;
  Boolean writeable = false;
  return plug->GetProperty(inID, inScope, inElement, ioDataSize ? ioDataSize : &size, &writeable, outData);
}

OSStatus IPluginAU::MethodSetProperty(void* self, AudioUnitPropertyID inID, AudioUnitScope inScope,
                                      AudioUnitElement inElement, const void* inData, UInt32 inDataSize)
{
  IPLUGIN_AU_PLUG(self);
  return plug->SetProperty(inID, inScope, inElement, &inDataSize, inData);
}

OSStatus IPluginAU::MethodGetParameter(void* self, AudioUnitParameterID param, AudioUnitScope scope,
                                       AudioUnitElement elem, AudioUnitParameterValue* value)
{
  IPLUGIN_AU_PLUG(self);
  return plug->GetParamProc(param, scope, elem, value);
}

OSStatus IPluginAU::MethodSetParameter(void* self, AudioUnitParameterID param, AudioUnitScope scope,
                                       AudioUnitElement elem, AudioUnitParameterValue value,
                                       UInt32 bufferOffset)
{
  IPLUGIN_AU_PLUG(self);
  return plug->SetParamProc(param, scope, elem, value, bufferOffset);
}

OSStatus IPluginAU::MethodReset(void* self, AudioUnitScope, AudioUnitElement)
{
  IPLUGIN_AU_PLUG(self);
  return plug->Reset();
}

OSStatus IPluginAU::MethodAddPropertyListener(void* self, AudioUnitPropertyID prop,
                                              AudioUnitPropertyListenerProc proc, void* userData)
{
  IPLUGIN_AU_PLUG(self);
  return plug->AddPropertyListener(prop, proc, userData);
}

OSStatus IPluginAU::MethodRemovePropertyListener(void* self, AudioUnitPropertyID prop,
                                                 AudioUnitPropertyListenerProc proc)
{
  IPLUGIN_AU_PLUG(self);
  return plug->RemovePropertyListener(prop, proc);
}

OSStatus IPluginAU::MethodRemovePropertyListenerWithUserData(void* self, AudioUnitPropertyID prop,
                                                             AudioUnitPropertyListenerProc proc,
                                                             void* userData)
{
  IPLUGIN_AU_PLUG(self);
  return plug->RemovePropertyListenerWithUserData(prop, proc, userData);
}

OSStatus IPluginAU::MethodRender(void* self, AudioUnitRenderActionFlags* ioActionFlags,
                                 const AudioTimeStamp* inTimeStamp, UInt32 inOutputBusNumber,
                                 UInt32 inNumberFrames, AudioBufferList* ioData)
{
  IPLUGIN_AU_PLUG(self);
  return plug->Render(ioActionFlags, inTimeStamp, inOutputBusNumber, inNumberFrames, ioData);
}

OSStatus IPluginAU::MethodAddRenderNotify(void* self, AURenderCallback proc, void* userData)
{
  IPLUGIN_AU_PLUG(self);
  return plug->AddRenderNotify(proc, userData);
}

OSStatus IPluginAU::MethodRemoveRenderNotify(void* self, AURenderCallback proc, void* userData)
{
  IPLUGIN_AU_PLUG(self);
  return plug->RemoveRenderNotify(proc, userData);
}

OSStatus IPluginAU::MethodScheduleParameters(void* self, const AudioUnitParameterEvent* events,
                                             UInt32 numEvents)
{
  IPLUGIN_AU_PLUG(self);
  return plug->ScheduleParameters(events, numEvents);
}
} // namespace iplugin
