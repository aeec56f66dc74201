// Engines on the threads of a real session: two senders and an external mixer on audio threads of their
// own, while a parameter thread writes mirrors and recomputes coefficients and an editor thread reads the
// meters. Must run clean under ThreadSanitizer.
#include "mixer/MixerEngine.h"
#include "mixer/SendSlotTable.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <memory>
#include <thread>
#include <vector>

using namespace iplugin;

namespace
{
constexpr int kFrames = 256;
constexpr int kBlocks = 300;

struct Track
{
  std::vector<double> left = std::vector<double>(kFrames), right = std::vector<double>(kFrames);
  std::vector<double> outL = std::vector<double>(kFrames), outR = std::vector<double>(kFrames);
  const double* in[2] = {left.data(), right.data()};
  double* out[2] = {outL.data(), outR.data()};

  explicit Track(double amplitude)
  {
    for (int i = 0; i < kFrames; ++i)
      left[i] = right[i] = amplitude * std::sin(0.1 * i);
  }

  bool Finite() const
  {
    for (int i = 0; i < kFrames; ++i)
      if (!std::isfinite(outL[i]) || !std::isfinite(outR[i])) return false;
    return true;
  }
};

void RunAudio(MixerEngine& engine, Track& track, std::atomic<int>& badBlocks)
{
  for (int b = 0; b < kBlocks; ++b)
  {
    engine.ProcessBlock(track.in, track.out, kFrames, 2, 2, (b / 50) % 2 == 1);
    if (!track.Finite()) badBlocks.fetch_add(1);
  }
}

TEST(MixerEngineThreads, SendersMixerParametersAndMetersTogether)
{
  SendSlotTable::ResetAll();
  auto mixer = std::make_unique<MixerEngine>();
  mixer->mPluginMode = kPluginModeExtMixer;
  mixer->mChannelCount = 1u;
  mixer->mPropagateSenderGain = 1u;
  std::unique_ptr<MixerEngine> senders[2] = {std::make_unique<MixerEngine>(),
                                             std::make_unique<MixerEngine>()};
  for (uint32_t s = 0; s < 2; ++s)
    senders[s]->mPluginMode = kPluginModeSendFirst + s;
  Track mixerTrack(0.1), senderTracks[2] = {Track(0.5), Track(0.01)};

  std::atomic<int> bad{0};
  std::atomic<bool> audioDone{false};
  std::thread audio[3] = {std::thread([&] { RunAudio(*senders[0], senderTracks[0], bad); }),
                          std::thread([&] { RunAudio(*senders[1], senderTracks[1], bad); }),
                          std::thread([&] { RunAudio(*mixer, mixerTrack, bad); })};

  // The parameter-change handler's thread.
  std::thread parameters(
      [&]
      {
        for (int k = 0; !audioDone.load(); ++k)
        {
          mixer->mAttack = 0.01 * (k % 7);
          mixer->mHold = 0.001 * (k % 5);
          mixer->mRelease = 0.02 * (k % 3);
          mixer->mPreDelay = static_cast<uint32_t>(k % 3);
          mixer->mMixMode = static_cast<uint32_t>(k % 4);
          mixer->mReverseMixing = static_cast<uint32_t>((k / 16) % 2);
          senders[k % 2]->mReverseMixing = static_cast<uint32_t>((k / 8) % 2);
          mixer->mChannels[k % 2].mPan = (k % 201) - 100.0;
          mixer->mChannels[k % 2].mMute = static_cast<uint32_t>((k / 4) % 2);
          mixer->mModeratorIndex = static_cast<uint32_t>(k % 3);
          if (k % 10 == 0) mixer->mResetRequest = uint8_t{1};
          mixer->UpdateEnvelopeCoefficients();
          senders[k % 2]->UpdateEnvelopeCoefficients();
          std::this_thread::yield();
        }
      });

  // The editor's meter reads and the idle tick's requests.
  double sink = 0.0;
  std::thread editor(
      [&]
      {
        while (!audioDone.load())
        {
          for (int c = 0; c < 2; ++c)
            sink += mixer->mBankA[c].Level() + mixer->mBankA[c].Peak() + mixer->mBankB[c].Peak() +
                    mixer->MixGain(c) + mixer->mChannels[c].mActive.Load();
          sink += mixer->mMasterDetectors[0].Peak() + mixer->WantedLatency();
          if (mixer->mMetersDue.Load()) mixer->mMetersDue = uint8_t{0};
          std::this_thread::yield();
        }
      });

  for (std::thread& t : audio)
    t.join();
  audioDone = true;
  parameters.join();
  editor.join();
  EXPECT_EQ(bad.load(), 0);
  EXPECT_TRUE(std::isfinite(sink));
}
// The reset path prepares the engine for a new rate while the parameter-change path reads the prepared
// rate and block size: both are whole values, never torn or raced.
TEST(MixerEngineThreads, PreparedRateIsReadWhileAResetPrepares)
{
  auto engine = std::make_unique<MixerEngine>();
  const double rates[] = {44100.0, 48000.0, 96000.0};
  std::atomic<bool> done{false};
  std::thread reset(
      [&]
      {
        for (int k = 0; k < 60; ++k)
          engine->ProcessingReset(rates[k % 3], 256u << (k % 2));
        done = true;
      });
  int odd = 0;
  while (!done.load())
  {
    const double rate = engine->DspSampleRate();
    const uint32_t frames = engine->DspBlockSize();
    if ((rate != 44100.0 && rate != 48000.0 && rate != 96000.0) || (frames != 256u && frames != 512u))
      ++odd;
    std::this_thread::yield();
  }
  reset.join();
  EXPECT_EQ(odd, 0);
}
} // namespace
