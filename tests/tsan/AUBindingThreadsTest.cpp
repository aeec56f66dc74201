// The Audio Unit binding with the host's audio thread rendering while its main thread sets parameters,
// reads the state and the editor queues MIDI: no lock is taken and nothing may race.
#include "tests/example/ExampleAU.h"

#include <gtest/gtest.h>

#include <atomic>
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
} // namespace

TEST(AUBindingThreads, RenderWhileTheHostSetsParametersAndReadsTheState)
{
  InstanceInfo info;
  qorvexample::ExampleAU plug(info);
  plug.PruneUninitializedPresets();
  AURenderCallbackStruct cb{Silence, nullptr};
  UInt32 size = sizeof cb;
  ASSERT_EQ(plug.SetProperty(kAudioUnitProperty_SetRenderCallback, kAudioUnitScope_Input, 0, &size, &cb),
            noErr);
  ASSERT_EQ(plug.Initialize(), noErr);

  std::atomic<bool> done{false};
  std::atomic<int> failures{0};
  std::thread audio(
      [&]
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
      });

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
