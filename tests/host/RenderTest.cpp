// Rendering through the host library: the example passes its input through bit for bit, in any slice
// size, also when bypassed; the render call's checks answer with the platform's statuses.
#include "tests/host/InProcessPlugin.h"

#include <cstring>
#include <random>

using namespace qorvhost;
using qorvtest::HostDoorTest;

namespace
{
std::vector<std::vector<float>> Noise(int nChannels, size_t frames, unsigned seed)
{
  std::mt19937 rng(seed);
  std::uniform_real_distribution<float> dist(-1.f, 1.f);
  std::vector<std::vector<float>> signal(size_t(nChannels), std::vector<float>(frames, 0.f));
  for (auto& c : signal)
    for (float& x : c)
      x = dist(rng);
  return signal;
}

AudioTimeStamp SampleTime(double t)
{
  AudioTimeStamp ts = {};
  ts.mSampleTime = t;
  ts.mFlags = kAudioTimeStampSampleTimeValid;
  return ts;
}
} // namespace

struct PassCase
{
  int channels;
  UInt32 slice;
  bool bypass;
};

class PassThrough : public HostDoorTest
{
};

TEST_P(PassThrough, OutputEqualsInputBitForBit)
{
  for (const PassCase& c : {PassCase{1, 512, false}, PassCase{2, 512, false}, PassCase{2, 64, false},
                            PassCase{2, 137, true}, PassCase{1, 512, true}})
  {
    auto au = Open();
    ASSERT_TRUE(au);
    ASSERT_EQ(au->Configure(48000.0, c.channels, c.channels, 512), noErr);
    if (c.bypass)
    {
      ASSERT_EQ(au->Set(kAudioUnitProperty_BypassEffect, kAudioUnitScope_Global, 0, UInt32(1)), noErr);
    }
    ASSERT_EQ(au->Initialize(), noErr);
    const auto input = Noise(c.channels, 5000, unsigned(c.slice));
    std::vector<std::vector<float>> output;
    ASSERT_EQ(au->RenderAll(input, output, c.slice), noErr);
    ASSERT_EQ(output.size(), input.size());
    for (size_t ch = 0; ch < input.size(); ++ch)
    {
      EXPECT_EQ(std::memcmp(output[ch].data(), input[ch].data(), input[ch].size() * sizeof(float)), 0)
          << c.channels << " channels, slice " << c.slice << (c.bypass ? ", bypassed" : "");
    }
  }
}

TEST_P(PassThrough, TooManyFramesAreRefusedAndNothingIsWritten)
{
  auto au = OpenReady(2);
  ASSERT_TRUE(au);
  std::vector<float> left(600, 7.f), right(600, 7.f);
  float* out[2] = {left.data(), right.data()};
  const auto input = Noise(2, 600, 1);
  const float* in[2] = {input[0].data(), input[1].data()};
  EXPECT_EQ(au->Render(in, out, 513), kAudioUnitErr_InvalidPropertyValue);
  EXPECT_EQ(left[0], 7.f);
  EXPECT_EQ(au->Render(in, out, 512), noErr);
}

TEST_P(PassThrough, InputErrorReachesTheCallerWithoutProcessing)
{
  auto au = OpenReady(1);
  ASSERT_TRUE(au);
  auto* plug = qorvtest::PlugOf(*au);
  ASSERT_NE(plug, nullptr);
  au->SetInputError(-4321);
  std::vector<float> outBuf(256, 3.f);
  float* out[1] = {outBuf.data()};
  const auto input = Noise(1, 256, 2);
  const float* in[1] = {input[0].data()};
  EXPECT_EQ(au->Render(in, out, 256), -4321);
  EXPECT_EQ(outBuf[0], 3.f);
  // The failed block was not pulled, so the next call pulls it again.
  EXPECT_EQ(plug->GetLastRenderSampleTime(), -1.0);
}

TEST_P(PassThrough, RenderChecksItsArguments)
{
  auto au = OpenReady(2);
  ASSERT_TRUE(au);
  auto* plug = qorvtest::PlugOf(*au);
  ASSERT_NE(plug, nullptr);
  std::vector<float> a(512), b(512), c(512);
  struct
  {
    UInt32 n;
    AudioBuffer buffers[3];
  } list = {2, {{1, 2048, a.data()}, {1, 2048, b.data()}, {1, 2048, c.data()}}};
  auto* abl = reinterpret_cast<AudioBufferList*>(&list);
  AudioUnitRenderActionFlags flags = 0;

  AudioTimeStamp noSampleTime = {};
  noSampleTime.mHostTime = 99;
  EXPECT_EQ(AudioUnitRender(au->Unit(), &flags, &noSampleTime, 0, 512, abl),
            kAudioUnitErr_InvalidPropertyValue);
  EXPECT_EQ(plug->GetLastRenderTimeStamp().mHostTime, 99u); // stored all the same, for MIDI output

  const AudioTimeStamp ts = SampleTime(0.0);
  EXPECT_EQ(AudioUnitRender(au->Unit(), &flags, &ts, 1, 512, abl), kAudioUnitErr_InvalidElement);
  list.n = 3; // more buffers than the bus has channels
  EXPECT_EQ(AudioUnitRender(au->Unit(), &flags, &ts, 0, 512, abl), kAudioUnitErr_InvalidPropertyValue);
  list.n = 2;
  list.buffers[1].mDataByteSize = 100; // smaller than the block
  EXPECT_EQ(AudioUnitRender(au->Unit(), &flags, &ts, 0, 512, abl), kAudioUnitErr_InvalidPropertyValue);
  list.buffers[1].mDataByteSize = 2048;
  EXPECT_EQ(AudioUnitRender(au->Unit(), &flags, &ts, 0, 512, abl), noErr);
}

TEST_P(PassThrough, NullOutputBuffersGetScratchMemory)
{
  auto au = OpenReady(1);
  ASSERT_TRUE(au);
  struct
  {
    UInt32 n;
    AudioBuffer buffers[1];
  } list = {1, {{1, 0, nullptr}}};
  const auto input = Noise(1, 128, 3);
  const float* in[1] = {input[0].data()};
  au->SetSampleTime(0.0);
  // Route the input through the host's callback by rendering once with real buffers first.
  std::vector<float> first(128);
  float* out[1] = {first.data()};
  ASSERT_EQ(au->Render(in, out, 128), noErr);
  AudioUnitRenderActionFlags flags = 0;
  const AudioTimeStamp ts = SampleTime(128.0);
  ASSERT_EQ(AudioUnitRender(au->Unit(), &flags, &ts, 0, 128, reinterpret_cast<AudioBufferList*>(&list)),
            noErr);
  ASSERT_NE(list.buffers[0].mData, nullptr);
  EXPECT_EQ(list.buffers[0].mDataByteSize, 128 * sizeof(float));
}

TEST_P(PassThrough, InputsArePulledOncePerSampleTimeAndForgottenOnReset)
{
  auto au = OpenReady(1);
  ASSERT_TRUE(au);
  auto* plug = qorvtest::PlugOf(*au);
  ASSERT_NE(plug, nullptr);
  std::vector<float> outBuf(64);
  float* out[1] = {outBuf.data()};
  const auto input = Noise(1, 64, 4);
  const float* in[1] = {input[0].data()};
  au->SetSampleTime(1000.0);
  ASSERT_EQ(au->Render(in, out, 64), noErr);
  EXPECT_EQ(plug->GetLastRenderSampleTime(), 1000.0);
  // The same sample time again: the callback is not asked (its error would surface otherwise).
  au->SetSampleTime(1000.0);
  au->SetInputError(-1);
  EXPECT_EQ(au->Render(in, out, 64), noErr);
  EXPECT_EQ(AudioUnitReset(au->Unit(), kAudioUnitScope_Global, 0), noErr);
  EXPECT_EQ(plug->GetLastRenderSampleTime(), -1.0);
  au->SetSampleTime(1000.0);
  EXPECT_EQ(au->Render(in, out, 64), -1);
}
TEST_P(PassThrough, EveryBufferOfEachBlockIsWrittenWhateverTheBlockBefore)
{
  auto au = OpenReady(2); // the input callback delivers silence to calls made past the host library
  ASSERT_TRUE(au);
  for (UInt32 nBuffers : {2u, 1u, 2u})
  {
    std::vector<float> left(64, 7.f), right(64, 7.f);
    struct
    {
      UInt32 n;
      AudioBuffer buffers[2];
    } list = {nBuffers, {{1, 256, left.data()}, {1, 256, right.data()}}};
    AudioUnitRenderActionFlags flags = 0;
    const AudioTimeStamp ts = SampleTime(au->GetSampleTime());
    au->SetSampleTime(au->GetSampleTime() + 64);
    ASSERT_EQ(AudioUnitRender(au->Unit(), &flags, &ts, 0, 64, reinterpret_cast<AudioBufferList*>(&list)),
              noErr);
    EXPECT_NE(left[0], 7.f);
    EXPECT_EQ(right[0] != 7.f, nBuffers == 2) << nBuffers << " buffers";
  }
}

TEST_P(PassThrough, AConnectedUpstreamUnitIsPulled)
{
  auto upstream = OpenReady(2);
  auto downstream = Open();
  ASSERT_TRUE(upstream && downstream);
  ASSERT_EQ(downstream->Set(kAudioUnitProperty_MakeConnection, kAudioUnitScope_Input, 0,
                            AudioUnitConnection{upstream->Unit(), 0, 0}),
            noErr);
  auto* plug = qorvtest::PlugOf(*downstream);
  ASSERT_NE(plug, nullptr);
  // The example answers no fast render procedure, so the downstream unit renders it through the platform.
  EXPECT_EQ(plug->GetInputConnection(0)->mInputType, iplugin::IPluginAU::kDirectNoFastProc);
  ASSERT_EQ(
      downstream->Set(kAudioUnitProperty_StreamFormat, kAudioUnitScope_Output, 0, FloatFormat(44100.0, 2)),
      noErr);
  ASSERT_EQ(downstream->Initialize(), noErr);

  // The host feeds the upstream unit through its render callback while rendering the downstream one.
  const auto input = Noise(2, 256, 7);
  const float* in[2] = {input[0].data(), input[1].data()};
  std::vector<float> left(256), right(256);
  struct
  {
    UInt32 n;
    AudioBuffer buffers[2];
  } list = {2, {{1, 1024, left.data()}, {1, 1024, right.data()}}};
  upstream->SetSampleTime(0.0);
  AudioUnitRenderActionFlags flags = 0;
  const AudioTimeStamp ts = SampleTime(0.0);
  // Prime the upstream unit's input pointers for this block, as its host would.
  std::vector<float> scratchL(256), scratchR(256);
  float* scratch[2] = {scratchL.data(), scratchR.data()};
  ASSERT_EQ(upstream->Render(in, scratch, 256), noErr);
  ASSERT_EQ(
      AudioUnitRender(downstream->Unit(), &flags, &ts, 0, 256, reinterpret_cast<AudioBufferList*>(&list)),
      noErr);
  // The upstream's input was pulled once for sample time 0 already, so it hands its last output on.
  EXPECT_EQ(std::memcmp(left.data(), input[0].data(), 256 * sizeof(float)), 0);
  EXPECT_EQ(std::memcmp(right.data(), input[1].data(), 256 * sizeof(float)), 0);

  // Disconnecting leaves the input without a source.
  ASSERT_EQ(downstream->Uninitialize(), noErr);
  ASSERT_EQ(downstream->Set(kAudioUnitProperty_MakeConnection, kAudioUnitScope_Input, 0,
                            AudioUnitConnection{nullptr, 0, 0}),
            noErr);
  EXPECT_EQ(plug->GetInputConnection(0)->mInputType, iplugin::IPluginAU::kNotConnected);
}

namespace
{
struct SysexLog
{
  std::vector<Byte> bytes;
};

OSStatus CollectSysex(void* userData, const AudioTimeStamp*, UInt32, const MIDIPacketList* list)
{
  auto* log = static_cast<SysexLog*>(userData);
  const MIDIPacket* p = &list->packet[0];
  for (UInt32 i = 0; i < list->numPackets; ++i, p = MIDIPacketNext(p))
    log->bytes.insert(log->bytes.end(), p->data, p->data + p->length);
  return noErr;
}
} // namespace

TEST_P(PassThrough, EditorSysexGoesOutAfterTheBlockEvenWhenBypassed)
{
  auto au = Open();
  ASSERT_TRUE(au);
  ASSERT_EQ(au->Configure(44100.0, 1, 1, 512), noErr);
  ASSERT_EQ(au->Set(kAudioUnitProperty_BypassEffect, kAudioUnitScope_Global, 0, UInt32(1)), noErr);
  ASSERT_EQ(au->Initialize(), noErr);
  SysexLog log;
  ASSERT_EQ(au->Set(kAudioUnitProperty_MIDIOutputCallback, kAudioUnitScope_Global, 0,
                    AUMIDIOutputCallbackStruct{CollectSysex, &log}),
            noErr);
  const uint8_t message[4] = {0xF0, 0x7D, 0x01, 0xF7};
  qorvtest::PlugOf(*au)->SendSysexMsgFromUI(iplugin::SysExView(0, message, 4));
  std::vector<float> outBuf(64);
  float* out[1] = {outBuf.data()};
  const auto input = Noise(1, 64, 5);
  const float* in[1] = {input[0].data()};
  ASSERT_EQ(au->Render(in, out, 64), noErr);
  EXPECT_EQ(log.bytes, (std::vector<Byte>{0xF0, 0x7D, 0x01, 0xF7}));
}
QORV_INSTANTIATE_DOORS(PassThrough);
