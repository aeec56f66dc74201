// Senders handing their measuring over to an "Ext. Mixer" that runs on a thread of its own, and senders
// going away while it runs. Must run clean under ThreadSanitizer (and AddressSanitizer: a mixer never
// reaches a meter that is gone).
#include "mixer/MixerEngine.h"
#include "mixer/SendSlotTable.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstring>
#include <memory>
#include <thread>
#include <vector>

using namespace iplugin;

namespace
{
constexpr int kFrames = 256;

bool SameBits(double a, double b)
{
  return std::memcmp(&a, &b, sizeof a) == 0;
}

// An "Ext. Mixer" rendering silence on its own thread until the senders are done.
std::thread RunMixer(MixerEngine& mixer, std::atomic<bool>& sendersDone, std::atomic<long>& blocks)
{
  return std::thread(
      [&]
      {
        std::vector<double> in(kFrames), outL(kFrames), outR(kFrames);
        const double* ins[2] = {in.data(), in.data()};
        double* outs[2] = {outL.data(), outR.data()};
        while (!sendersDone.load())
        {
          mixer.ProcessBlock(ins, outs, kFrames, 2, 2, false);
          blocks.fetch_add(1);
          std::this_thread::yield();
        }
      });
}

// Two senders with the same track on their own threads: whoever measured their blocks, and in whatever
// order, both end with the same detectors, bit for bit, unless a block was left unmeasured.
TEST(SenderMeterThreads, TwinSendersEndAlikeWhileAMixerMeasuresThem)
{
  SendSlotTable::ResetAll();
  auto mixer = std::make_unique<MixerEngine>();
  mixer->mPluginMode = kPluginModeExtMixer;
  mixer->mChannelCount = 7u;
  std::unique_ptr<MixerEngine> senders[2] = {std::make_unique<MixerEngine>(),
                                             std::make_unique<MixerEngine>()};
  for (uint32_t s = 0; s < 2; ++s)
    senders[s]->mPluginMode = kPluginModeSendFirst + 3 + s;
  std::atomic<bool> sendersDone{false};
  std::atomic<long> mixerBlocks{0};
  std::thread mixerThread = RunMixer(*mixer, sendersDone, mixerBlocks);
  std::vector<std::thread> senderThreads;
  for (auto& sender : senders)
    senderThreads.emplace_back(
        [&sender]
        {
          std::vector<double> in(kFrames), out(kFrames);
          const double* ins[1] = {in.data()};
          double* outs[1] = {out.data()};
          for (int b = 0; b < 400; ++b)
          {
            for (int i = 0; i < kFrames; ++i)
              in[size_t(i)] = 0.3 * std::sin(0.05 * (b * kFrames + i)) * ((b / 40) % 2);
            sender->ProcessBlock(ins, outs, kFrames, 1, 1, false);
          }
        });
  for (std::thread& t : senderThreads)
    t.join();
  sendersDone = true;
  mixerThread.join();
  for (auto& sender : senders)
    sender->mSenderMeter.Acquire(kLaneIsaBest);
  if (senders[0]->mSenderMeter.Unmeasured() + senders[1]->mSenderMeter.Unmeasured() == 0)
    for (int d = 0; d < 2; ++d)
    {
      const LevelDetector& a = senders[0]->mSenderDetectors[d];
      const LevelDetector& b = senders[1]->mSenderDetectors[d];
      EXPECT_TRUE(SameBits(a.Level(), b.Level()) && SameBits(a.Peak(), b.Peak()) &&
                  SameBits(a.mStage1, b.mStage1) && SameBits(a.mStage2, b.mStage2))
          << "detector " << d;
    }
  for (auto& sender : senders)
    sender->mSenderMeter.Release();
}

// Senders made, run for a few blocks and destroyed, over and over, while the mixer measures.
TEST(SenderMeterThreads, SendersComeAndGoWhileAMixerMeasures)
{
  SendSlotTable::ResetAll();
  auto mixer = std::make_unique<MixerEngine>();
  mixer->mPluginMode = kPluginModeExtMixer;
  std::atomic<bool> sendersDone{false};
  std::atomic<long> mixerBlocks{0};
  std::thread mixerThread = RunMixer(*mixer, sendersDone, mixerBlocks);
  std::vector<std::thread> senderThreads;
  for (uint32_t s = 0; s < 2; ++s)
    senderThreads.emplace_back(
        [s]
        {
          std::vector<double> in(kFrames, 0.2), out(kFrames);
          const double* ins[1] = {in.data()};
          double* outs[1] = {out.data()};
          for (int life = 0; life < 60; ++life)
          {
            auto sender = std::make_unique<MixerEngine>();
            // Now and then a sender moves to the other slot mid-life.
            sender->mPluginMode = kPluginModeSendFirst + s;
            for (int b = 0; b < 6; ++b)
            {
              if (b == 3 && life % 3 == 0) sender->mPluginMode = kPluginModeSendFirst + 1 - s;
              sender->ProcessBlock(ins, outs, kFrames, 1, 1, false);
            }
          }
        });
  for (std::thread& t : senderThreads)
    t.join();
  sendersDone = true;
  mixerThread.join();
  EXPECT_GT(mixerBlocks.load(), 0);
  for (int s = 0; s < 2; ++s)
    EXPECT_EQ(SendSlotTable::Slot(s)->mMeter.load(), nullptr);
}

// A sender going away waits for a mixer that found its meter in a slot to finish its visit.
TEST(SenderMeterThreads, ASenderGoingAwayWaitsForTheMixerVisitingIt)
{
  auto sender = std::make_unique<MixerEngine>();
  sender->mPluginMode = kPluginModeSendFirst + 9;
  std::vector<double> in(kFrames, 0.2), out(kFrames);
  const double* ins[1] = {in.data()};
  double* outs[1] = {out.data()};
  sender->ProcessBlock(ins, outs, kFrames, 1, 1, false);
  SendSlot& slot = *SendSlotTable::Slot(9);
  ASSERT_EQ(slot.mMeter.load(), &sender->mSenderMeter);
  slot.mMeterVisitors.fetch_add(1);
  std::atomic<bool> gone{false};
  std::thread closing(
      [&]
      {
        sender.reset();
        gone = true;
      });
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_FALSE(gone.load());
  EXPECT_EQ(slot.mMeter.load(), nullptr);
  slot.mMeterVisitors.fetch_sub(1);
  closing.join();
  EXPECT_TRUE(gone.load());
}
} // namespace
