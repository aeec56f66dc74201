// Senders and a mixer exchanging blocks through one send slot on their own threads, as the audio
// threads of several instances do.
#include "mixer/SendSlot.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

using namespace iplugin;

namespace
{
constexpr int kBlocks = 600;

// Sample i of block b from sender k: exact in a double, so a mixed-up block cannot pass for a good one.
double Sample(int sender, int block, int i)
{
  return (sender * 100000.0 + block) * 16384.0 + i;
}

int FramesOf(int block)
{
  return 1 + (block * 7919) % kSendBlockFrames;
}

void RunSender(SendSlot& slot, int sender, std::atomic<int>& gainErrors)
{
  std::vector<double> left(kSendBlockFrames), right(kSendBlockFrames);
  for (int b = 0; b < kBlocks; ++b)
  {
    const int frames = b % 50 == 0 ? kSendBlockFrames : FramesOf(b);
    for (int i = 0; i < frames; ++i)
    {
      left[i] = Sample(sender, b, i);
      right[i] = -left[i];
    }
    while (!slot.Push(left.data(), right.data(), frames))
      std::this_thread::yield();
    // The mixer writes only multiples of 1/1024 in 0..1 (and a reset writes 1.0): anything else is torn.
    const double gain = slot.mSenderGain;
    if (!(gain >= 0.0 && gain <= 1.0) ||
        gain * 1024.0 != static_cast<double>(static_cast<int>(gain * 1024.0)))
      gainErrors.fetch_add(1);
  }
}

struct MixerResult
{
  int received = 0;
  int bad = 0;
  int outOfOrder = 0;
  uint32_t deepest = 0;
};

MixerResult RunMixer(SendSlot& slot, int senders, std::atomic<int>& sendersDone)
{
  MixerResult r;
  std::vector<int> lastBlock(senders, -1);
  for (int k = 0;; ++k)
  {
    r.deepest = std::max(r.deepest, slot.Count());
    SendSlot::Block b = slot.Pop(kSendBlockFrames);
    if (!b)
    {
      if (sendersDone.load() == senders && slot.Count() == 0) break;
      std::this_thread::yield();
      continue;
    }
    const double first = b.left[0];
    const int sender = static_cast<int>(first / 16384.0 / 100000.0);
    const int block = static_cast<int>(first / 16384.0) - sender * 100000;
    bool good = sender >= 0 && sender < senders &&
                b.pushedFrames == (block % 50 == 0 ? kSendBlockFrames : FramesOf(block));
    for (int i = 0; good && i < b.pushedFrames; ++i)
      good = b.left[i] == Sample(sender, block, i) && b.right[i] == -b.left[i];
    for (int i = b.pushedFrames; good && i < b.frames; ++i)
      good = b.left[i] == 0.0 && b.right[i] == 0.0;
    if (!good)
      ++r.bad;
    else if (block <= lastBlock[sender])
      ++r.outOfOrder;
    else
      lastBlock[sender] = block;
    ++r.received;
    slot.mSenderGain = (k % 1025) / 1024.0;
    slot.Release(b);
  }
  return r;
}

TEST(SendSlotExchange, SenderAndMixerOnTheirOwnThreads)
{
  SendSlot slot;
  std::atomic<int> done{0}, gainErrors{0};
  MixerResult result;
  std::thread mixer([&] { result = RunMixer(slot, 1, done); });
  std::thread sender(
      [&]
      {
        RunSender(slot, 0, gainErrors);
        done.fetch_add(1);
      });
  sender.join();
  mixer.join();
  EXPECT_EQ(result.received, kBlocks); // the sender retries a dropped block, so every one arrives
  EXPECT_EQ(result.bad, 0);
  EXPECT_EQ(result.outOfOrder, 0);
  EXPECT_LE(result.deepest, 2u);
  EXPECT_EQ(gainErrors.load(), 0);
}

TEST(SendSlotExchange, TwoSendersOnOneSlotAndResetsFromAnotherThread)
{
  SendSlot slot;
  std::atomic<int> done{0}, gainErrors{0};
  std::atomic<bool> stop{false};
  MixerResult result;
  std::thread mixer([&] { result = RunMixer(slot, 2, done); });
  std::thread resetter(
      [&]
      {
        for (int i = 0; i < 200 && !stop.load(); ++i)
        {
          slot.Reset();
          std::this_thread::yield();
        }
      });
  std::vector<std::thread> senders;
  for (int k = 0; k < 2; ++k)
    senders.emplace_back(
        [&, k]
        {
          RunSender(slot, k, gainErrors);
          done.fetch_add(1);
        });
  for (std::thread& t : senders)
    t.join();
  stop = true;
  resetter.join();
  mixer.join();
  // Resets may drop queued blocks; what arrives is whole and in each sender's order.
  EXPECT_GT(result.received, 0);
  EXPECT_LE(result.received, 2 * kBlocks);
  EXPECT_EQ(result.bad, 0);
  EXPECT_EQ(result.outOfOrder, 0);
  EXPECT_LE(result.deepest, 2u);
  EXPECT_EQ(gainErrors.load(), 0);
}
} // namespace
