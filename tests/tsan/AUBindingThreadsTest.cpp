// The Audio Unit binding with the host's audio thread rendering while its main thread sets parameters,
// reads the state and the editor queues MIDI: no lock is taken and nothing may race.
#include "tests/example/ExampleAU.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <thread>
#include <vector>

using namespace iplugin;

namespace
{
OSStatus Silence(void*, AudioUnitRenderActionFlags*, const AudioTimeStamp*, UInt32, UInt32 nFrames,
                 AudioBufferList* ioData)
{
  for (UInt32 k = 0; k < ioData->mNumberBuffers; ++k)
    std::fill_n(static_cast<float*>(ioData->mBuffers[k].mData), nFrames, 0.25f);
  return noErr;
}
// Presets pruned, the input on a render callback of 0.25, initialized.
bool Prepare(IPluginAU& plug)
{
  plug.PruneUninitializedPresets();
  AURenderCallbackStruct cb{Silence, nullptr};
  UInt32 size = sizeof cb;
  return plug.SetProperty(kAudioUnitProperty_SetRenderCallback, kAudioUnitScope_Input, 0, &size, &cb) ==
             noErr &&
         plug.Initialize() == noErr;
}

// The host's audio thread: 400 blocks of 256 frames; a failed render or an output other than the
// input's 0.25 counts as a failure.
void RenderBlocks(IPluginAU& plug, std::atomic<bool>& done, std::atomic<int>& failures)
{
  std::vector<float> left(256), right(256);
  for (int block = 0; block < 400; ++block)
  {
    struct
    {
      UInt32 n;
      AudioBuffer buffers[2];
    } list = {2, {{1, 1024, left.data()}, {1, 1024, right.data()}}};
    AudioTimeStamp ts = {};
    ts.mSampleTime = block * 256.0;
    ts.mFlags = kAudioTimeStampSampleTimeValid;
    AudioUnitRenderActionFlags flags = 0;
    if (plug.Render(&flags, &ts, 0, 256, reinterpret_cast<AudioBufferList*>(&list)) != noErr ||
        left[0] != 0.25f)
      ++failures;
  }
  done = true;
}
} // namespace

TEST(AUBindingThreads, RenderWhileTheHostSetsParametersAndReadsTheState)
{
  InstanceInfo info;
  qorvexample::ExampleAU plug(info);
  ASSERT_TRUE(Prepare(plug));

  std::atomic<bool> done{false};
  std::atomic<int> failures{0};
  std::thread audio(RenderBlocks, std::ref(plug), std::ref(done), std::ref(failures));

  int i = 0;
  while (!done)
  {
    plug.SetParamProc(qorvexample::kMix, kAudioUnitScope_Global, 0, AudioUnitParameterValue(i % 100), 0);
    plug.QueueMidiMsgFromUI(IMidiMsg{0, 0x90, uint8_t(i % 128), 100});
    CFPropertyListRef state = nullptr;
    UInt32 stateSize = sizeof state;
    Boolean writable = false;
    if (plug.GetProperty(kAudioUnitProperty_ClassInfo, kAudioUnitScope_Global, 0, &stateSize, &writable,
                         &state) == noErr)
      CFRelease(state);
    ++i;
  }
  audio.join();
  EXPECT_EQ(failures.load(), 0);
}

namespace
{
// Reports its latency from the audio thread, as the plug-in does for one host, so the latency listeners
// are called there while the main thread changes them.
class LatencyFromTheAudioThread : public qorvexample::ExampleAU
{
public:
  using ExampleAU::ExampleAU;
  void ProcessBlock(double** inputs, double** outputs, int nFrames) override
  {
    SetLatency(nFrames);
    ExampleAU::ProcessBlock(inputs, outputs, nFrames);
  }
};

OSStatus CountNotify(void* refCon, AudioUnitRenderActionFlags*, const AudioTimeStamp*, UInt32, UInt32,
                     AudioBufferList*)
{
  static_cast<std::atomic<int>*>(refCon)->fetch_add(1, std::memory_order_relaxed);
  return noErr;
}

void CountLatency(void* userData, AudioComponentInstance, AudioUnitPropertyID, AudioUnitScope,
                  AudioUnitElement)
{
  static_cast<std::atomic<int>*>(userData)->fetch_add(1, std::memory_order_relaxed);
}
} // namespace

// The host adds and removes render notifications and latency listeners and resets the unit while its
// audio thread renders: the audio thread walks the lists without a lock and reads the last render time.
TEST(AUBindingThreads, RegistrationsAndResetWhileRendering)
{
  InstanceInfo info;
  LatencyFromTheAudioThread plug(info);
  ASSERT_TRUE(Prepare(plug));

  std::atomic<int> counters[4] = {};
  std::atomic<bool> done{false};
  std::atomic<int> failures{0};
  std::thread audio(RenderBlocks, std::ref(plug), std::ref(done), std::ref(failures));

  int i = 0;
  while (!done)
  {
    std::atomic<int>* counter = &counters[i % 4];
    plug.AddRenderNotify(CountNotify, counter);
    plug.AddPropertyListener(kAudioUnitProperty_Latency, CountLatency, counter);
    if (i % 3 == 0) plug.Reset();
    plug.RemoveRenderNotify(CountNotify, &counters[(i + 2) % 4]);
    plug.RemovePropertyListenerWithUserData(kAudioUnitProperty_Latency, CountLatency, &counters[(i + 1) % 4]);
    ++i;
  }
  audio.join();
  EXPECT_EQ(failures.load(), 0);
  EXPECT_LE(plug.NRenderNotifies(), 4);
}
