// One plug-in instance as the command-line host and the tests drive it: opened through one door,
// fed from planar float buffers through the input render callback, rendered into planar buffers.
// Every call goes through the platform's Audio Unit functions, exactly as a real host makes them.
#pragma once

#include "host/PluginEntryPoints.h"

#include <memory>
#include <string>
#include <vector>

namespace qorvhost
{
// The one stream format the host uses: 32-bit float, non-interleaved.
AudioStreamBasicDescription FloatFormat(double sampleRate, int nChannels);

class HostInstance
{
public:
  // Null with a message when the instance cannot be opened.
  static std::unique_ptr<HostInstance> Open(PluginEntryPoints& plugin, Door door, std::string& error);
  ~HostInstance(); // closes the instance
  HostInstance(const HostInstance&) = delete;
  HostInstance& operator=(const HostInstance&) = delete;

  AudioUnit Unit() const { return mUnit; }

  // Typed property access through AudioUnitGetProperty / AudioUnitSetProperty.
  template <class T>
  OSStatus Get(AudioUnitPropertyID id, AudioUnitScope scope, AudioUnitElement element, T& value)
  {
    UInt32 size = sizeof(T);
    return AudioUnitGetProperty(mUnit, id, scope, element, &value, &size);
  }
  template <class T>
  OSStatus Set(AudioUnitPropertyID id, AudioUnitScope scope, AudioUnitElement element, const T& value)
  {
    return AudioUnitSetProperty(mUnit, id, scope, element, &value, sizeof(T));
  }

  // Sets the sample rate and the channel counts of input and output bus 0 (32-bit float,
  // non-interleaved), the maximum frames per slice, and installs the input render callback.
  OSStatus Configure(double sampleRate, int nInputs, int nOutputs, UInt32 maxFrames);
  OSStatus Initialize() { return AudioUnitInitialize(mUnit); }
  OSStatus Uninitialize() { return AudioUnitUninitialize(mUnit); }

  // Renders nFrames into outputs (one pointer per output channel), pulling the inputs (one pointer per
  // input channel, or none) through the render callback. The sample time advances by nFrames.
  OSStatus Render(const float* const* inputs, float* const* outputs, UInt32 nFrames);
  // The parameter's info with its strings already released (only the numbers, flags and unit remain).
  OSStatus GetParameterInfo(AudioUnitParameterID id, AudioUnitParameterInfo& info);

  // Renders whole buffers in slices of at most sliceFrames; stops early (answering noErr, the rest of the
  // outputs silent) once stop answers true.
  OSStatus RenderAll(const std::vector<std::vector<float>>& inputs, std::vector<std::vector<float>>& outputs,
                     UInt32 sliceFrames, bool (*stop)() = nullptr);

  // The status the input callback answers from now on (0: it delivers the input).
  void SetInputError(OSStatus status) { mInputError = status; }
  void SetSampleTime(double sampleTime) { mSampleTime = sampleTime; }
  double GetSampleTime() const { return mSampleTime; }
  int NInputs() const { return mNInputs; }

private:
  HostInstance() = default;
  static OSStatus InputCallback(void* refCon, AudioUnitRenderActionFlags* flags,
                                const AudioTimeStamp* timeStamp, UInt32 busNumber, UInt32 nFrames,
                                AudioBufferList* ioData);

  AudioUnit mUnit = nullptr;
  Door mDoor = Door::kFactory;
  int mNInputs = 0;
  int mNOutputs = 0;
  double mSampleTime = 0.0;
  OSStatus mInputError = noErr;
  const float* const* mCurrentInputs = nullptr;
};
} // namespace qorvhost
