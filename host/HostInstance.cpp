#include "host/HostInstance.h"

#include <QorvPlatform/FixedAudioBufferList.h>
#include <QorvPlatform/FloatStreamFormat.h>

#include <algorithm>
#include <cstring>

namespace qorvhost
{
namespace
{
// The host passes at most this many output channels in one buffer list.
constexpr int kMaxChannels = 64;

using OutputBufferList = qorvplatform::FixedAudioBufferList<kMaxChannels>;

} // namespace

AudioStreamBasicDescription FloatFormat(double sampleRate, int nChannels)
{
  return qorvplatform::Float32NonInterleavedFormat(sampleRate, UInt32(nChannels));
}

OSStatus HostInstance::GetParameterInfo(AudioUnitParameterID id, AudioUnitParameterInfo& info)
{
  info = {};
  const OSStatus status = Get(kAudioUnitProperty_ParameterInfo, kAudioUnitScope_Global, id, info);
  if (info.cfNameString && (info.flags & kAudioUnitParameterFlag_CFNameRelease)) CFRelease(info.cfNameString);
  if (info.unitName) CFRelease(info.unitName);
  info.cfNameString = nullptr;
  info.unitName = nullptr;
  return status;
}

std::unique_ptr<HostInstance> HostInstance::Open(PluginEntryPoints& plugin, Door door, std::string& error)
{
  if (!plugin.ComponentFor(door) && !RegisterDoors(plugin, error)) return nullptr;
  std::unique_ptr<HostInstance> instance(new HostInstance);
  instance->mDoor = door;
  const OSStatus status = AudioComponentInstanceNew(plugin.ComponentFor(door), &instance->mUnit);
  if (status != noErr || !instance->mUnit)
  {
    error = std::string("cannot open through the ") + DoorName(door) + " door (status " +
            std::to_string(status) + ")";
    instance->mUnit = nullptr;
    return nullptr;
  }
  return instance;
}

HostInstance::~HostInstance()
{
  if (mUnit) AudioComponentInstanceDispose(mUnit);
}

OSStatus HostInstance::Configure(double sampleRate, int nInputs, int nOutputs, UInt32 maxFrames)
{
  OSStatus status = Set(kAudioUnitProperty_SampleRate, kAudioUnitScope_Global, 0, Float64(sampleRate));
  if (status == noErr && nInputs > 0)
    status = Set(kAudioUnitProperty_StreamFormat, kAudioUnitScope_Input, 0, FloatFormat(sampleRate, nInputs));
  if (status == noErr)
    status =
        Set(kAudioUnitProperty_StreamFormat, kAudioUnitScope_Output, 0, FloatFormat(sampleRate, nOutputs));
  if (status == noErr)
    status = Set(kAudioUnitProperty_MaximumFramesPerSlice, kAudioUnitScope_Global, 0, maxFrames);
  if (status == noErr && nInputs > 0)
    status = Set(kAudioUnitProperty_SetRenderCallback, kAudioUnitScope_Input, 0,
                 AURenderCallbackStruct{InputCallback, this});
  if (status == noErr)
  {
    mNInputs = nInputs;
    mNOutputs = nOutputs;
  }
  return status;
}

OSStatus HostInstance::InputCallback(void* refCon, AudioUnitRenderActionFlags*, const AudioTimeStamp*, UInt32,
                                     UInt32 nFrames, AudioBufferList* ioData)
{
  auto* self = static_cast<HostInstance*>(refCon);
  if (self->mInputError != noErr) return self->mInputError;
  for (UInt32 k = 0; k < ioData->mNumberBuffers; ++k)
  {
    AudioBuffer& b = ioData->mBuffers[k];
    if (!b.mData || b.mDataByteSize < nFrames * sizeof(float)) return kAudio_ParamError;
    if (self->mCurrentInputs && int(k) < self->mNInputs)
      b.mData = const_cast<float*>(self->mCurrentInputs[k]); // handed back, not copied: the unit only reads it
    else
      std::memset(b.mData, 0, nFrames * sizeof(float));
  }
  return noErr;
}

OSStatus HostInstance::Render(const float* const* inputs, float* const* outputs, UInt32 nFrames)
{
  OutputBufferList list;
  list.mNumberBuffers = UInt32(std::min(mNOutputs, kMaxChannels));
  for (UInt32 k = 0; k < list.mNumberBuffers; ++k)
    list.mBuffers[k] = AudioBuffer{1, nFrames * UInt32(sizeof(float)), outputs[k]};
  AudioTimeStamp ts = {};
  ts.mSampleTime = mSampleTime;
  ts.mFlags = kAudioTimeStampSampleTimeValid;
  AudioUnitRenderActionFlags flags = 0;
  mCurrentInputs = inputs;
  const OSStatus status = AudioUnitRender(mUnit, &flags, &ts, 0, nFrames, list.Get());
  mCurrentInputs = nullptr;
  // A plug-in may answer with its own buffers; the host copies from them.
  for (UInt32 k = 0; status == noErr && k < list.mNumberBuffers; ++k)
    if (list.mBuffers[k].mData != outputs[k])
      std::memcpy(outputs[k], list.mBuffers[k].mData, nFrames * sizeof(float));
  mSampleTime += nFrames;
  return status;
}

OSStatus HostInstance::RenderAll(const std::vector<std::vector<float>>& inputs,
                                 std::vector<std::vector<float>>& outputs, UInt32 sliceFrames,
                                 bool (*stop)())
{
  const size_t total = inputs.empty() ? (outputs.empty() ? 0 : outputs[0].size()) : inputs[0].size();
  outputs.assign(size_t(mNOutputs), std::vector<float>(total, 0.f));
  std::vector<const float*> in(inputs.size());
  std::vector<float*> out(outputs.size());
  for (size_t start = 0; start < total && !(stop && stop()); start += sliceFrames)
  {
    const UInt32 n = UInt32(std::min<size_t>(sliceFrames, total - start));
    for (size_t c = 0; c < inputs.size(); ++c)
      in[c] = inputs[c].data() + start;
    for (size_t c = 0; c < outputs.size(); ++c)
      out[c] = outputs[c].data() + start;
    const OSStatus status = Render(in.data(), out.data(), n);
    if (status != noErr) return status;
  }
  return noErr;
}
} // namespace qorvhost
