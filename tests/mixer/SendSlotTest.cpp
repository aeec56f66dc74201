#include "mixer/ChannelBuffers.h"
#include "mixer/SendSlotTable.h"

#include <gtest/gtest.h>

#include <vector>

using namespace iplugin;

namespace iplugin
{
struct SendSlotTestAccess
{
  static int FindOldest(const SendSlot& s, uint64_t& sequence) { return s.FindOldest(sequence); }
  static bool Take(SendSlot& s, int index, uint64_t sequence, SendSlot::Block& block)
  {
    return s.Take(index, sequence, 8, block);
  }
  static void SetState(SendSlot& s, int index, SendRingEntry::EState state)
  {
    s.mEntries[index].mState = state;
  }
};
} // namespace iplugin

namespace
{
// A block whose every sample says which block it is and where: id + frame / 1e6.
std::vector<double> Pattern(double id, int frames, double side = 0.0)
{
  std::vector<double> v(frames);
  for (int i = 0; i < frames; ++i)
    v[i] = id + side + i * 1e-6;
  return v;
}

void ExpectBlock(const SendSlot::Block& b, double id, int pushed)
{
  ASSERT_TRUE(b);
  EXPECT_EQ(b.pushedFrames, pushed);
  for (int i = 0; i < pushed; ++i)
  {
    ASSERT_EQ(b.left[i], id + i * 1e-6) << i;
    ASSERT_EQ(b.right[i], id + 0.5 + i * 1e-6) << i;
  }
}

// What a new slot holds and what a reset brings back.
void ExpectInitialValues(const SendSlot& s)
{
  EXPECT_EQ(s.Count(), 0u);
  const double doubles[] = {s.mSenderGain, s.mSenderLevel, s.mSenderLevel2, s.mAttack, s.mHold,
                            s.mRelease,    s.mPreGain,     s.mWeight,       s.mPan};
  const double expected[] = {1.0, 0.0, 0.0, 0.3, 0.0, 0.3, 1.0, 1.0, 0.0};
  for (int i = 0; i < 9; ++i)
    EXPECT_EQ(doubles[i], expected[i]) << "value " << i;
  EXPECT_EQ(s.mReverseMixing, 0u);
  EXPECT_EQ(s.mPreFilter, 0u);
  EXPECT_EQ(s.mMono, 0u);
}

TEST(SendSlot, FreshSlotHoldsTheInitialValues)
{
  SendSlot s;
  ExpectInitialValues(s);
  EXPECT_EQ(s.Capacity(), 2u);
  // Made cleared: a mixer never reads what nobody wrote.
  for (int e = 0; e < 2; ++e)
    for (int c = 0; c < 2; ++c)
      EXPECT_EQ(s.Entry(e).mChannels[c][kSendBlockFrames - 1], 0.0);
}

TEST(SendSlot, LoneSenderFillsTwoBlocksAndDropsTheRest)
{
  SendSlot s;
  for (int b = 0; b < 5; ++b)
  {
    const auto l = Pattern(b, 64), r = Pattern(b, 64, 0.5);
    EXPECT_EQ(s.Push(l.data(), r.data(), 64), b < 2) << b;
    EXPECT_EQ(s.Count(), std::min(b + 1, 2));
  }
  // The two oldest come out first, in order.
  for (int b = 0; b < 2; ++b)
  {
    SendSlot::Block block = s.Pop(64);
    ExpectBlock(block, b, 64);
    s.Release(block);
    EXPECT_FALSE(block);
  }
  EXPECT_FALSE(s.Pop(64));
}

TEST(SendSlot, PoppedEntryIsNotRefilledUntilReleased)
{
  SendSlot s;
  const auto l0 = Pattern(0, 32), r0 = Pattern(0, 32, 0.5);
  const auto l1 = Pattern(1, 32), r1 = Pattern(1, 32, 0.5);
  ASSERT_TRUE(s.Push(l0.data(), r0.data(), 32));
  ASSERT_TRUE(s.Push(l1.data(), r1.data(), 32));
  SendSlot::Block held = s.Pop(32);
  EXPECT_EQ(s.Count(), 1u);
  // One entry queued, one being read: a third block has nowhere to go.
  const auto l2 = Pattern(2, 32), r2 = Pattern(2, 32, 0.5);
  EXPECT_FALSE(s.Push(l2.data(), r2.data(), 32));
  ExpectBlock(held, 0, 32);
  s.Release(held);
  EXPECT_TRUE(s.Push(l2.data(), r2.data(), 32));
  SendSlot::Block next = s.Pop(32);
  ExpectBlock(next, 1, 32);
  s.Release(next);
  next = s.Pop(32);
  ExpectBlock(next, 2, 32);
  s.Release(next);
}

TEST(SendSlot, FramesTheSenderDidNotWriteReadAsSilence)
{
  SendSlot s;
  const auto full = Pattern(7, kSendBlockFrames), fullR = Pattern(7, kSendBlockFrames, 0.5);
  ASSERT_TRUE(s.Push(full.data(), fullR.data(), kSendBlockFrames));
  SendSlot::Block b = s.Pop(kSendBlockFrames);
  s.Release(b);
  // The same entry comes round again with a shorter block; the mixer asks for more than was pushed.
  const auto l = Pattern(1, 100), r = Pattern(1, 100, 0.5);
  ASSERT_TRUE(s.Push(l.data(), r.data(), 100));
  ASSERT_TRUE(s.Push(l.data(), r.data(), 100));
  for (int k = 0; k < 2; ++k)
  {
    b = s.Pop(1000);
    ExpectBlock(b, 1, 100);
    EXPECT_EQ(b.frames, 1000);
    for (int i = 100; i < 1000; ++i)
      ASSERT_TRUE(b.left[i] == 0.0 && b.right[i] == 0.0) << i;
    s.Release(b);
  }
}

TEST(SendSlot, BlocksLongerThanTheBufferAreCut)
{
  SendSlot s;
  const auto l = Pattern(3, 20000), r = Pattern(3, 20000, 0.5);
  ASSERT_TRUE(s.Push(l.data(), r.data(), 20000));
  SendSlot::Block b = s.Pop(20000);
  ExpectBlock(b, 3, kSendBlockFrames);
  EXPECT_EQ(b.frames, kSendBlockFrames);
  s.Release(b);
}

TEST(SendSlot, MonoTrackFillsBothChannels)
{
  SendSlot s;
  const auto l = Pattern(2, 16);
  ASSERT_TRUE(s.Push(l.data(), nullptr, 16));
  SendSlot::Block b = s.Pop(16);
  ASSERT_TRUE(b);
  for (int i = 0; i < 16; ++i)
    EXPECT_EQ(b.right[i], l[i]);
  s.Release(b);
}

TEST(SendSlot, RefusesBadBlocks)
{
  SendSlot s;
  const auto l = Pattern(2, 16);
  EXPECT_FALSE(s.Push(nullptr, l.data(), 16));
  EXPECT_FALSE(s.Push(l.data(), l.data(), 0));
  EXPECT_FALSE(s.Push(l.data(), l.data(), -5));
  EXPECT_EQ(s.Count(), 0u);
  ASSERT_TRUE(s.Push(l.data(), l.data(), 16));
  SendSlot::Block b = s.Pop(-3);
  ASSERT_TRUE(b);
  EXPECT_EQ(b.frames, 0);
  s.Release(b);
  SendSlot::Block none;
  s.Release(none); // releasing nothing is harmless
}

TEST(SendSlot, ResetEmptiesTheQueueAndRestoresTheValues)
{
  SendSlot s;
  const auto l = Pattern(0, 8), r = Pattern(0, 8, 0.5);
  s.Push(l.data(), r.data(), 8);
  s.Push(l.data(), r.data(), 8);
  SendSlot::Block held = s.Pop(8);
  s.mSenderGain = 0.25;
  s.mSenderLevel = 0.5;
  s.mSenderLevel2 = 0.4;
  s.mReverseMixing = 1u;
  s.mPreFilter = 1u;
  s.mAttack = 1.0;
  s.mHold = 2.0;
  s.mRelease = 3.0;
  s.mPreGain = 2.0;
  s.mWeight = 0.5;
  s.mPan = -40.0;
  s.mMono = 1u;
  s.Reset();
  ExpectInitialValues(s);
  EXPECT_FALSE(s.Pop(8));
  // The block a mixer still reads survives the reset untouched and stays reserved.
  ExpectBlock(held, 0, 8);
  EXPECT_TRUE(s.Push(l.data(), r.data(), 8));
  EXPECT_FALSE(s.Push(l.data(), r.data(), 8));
  s.Release(held);
  EXPECT_TRUE(s.Push(l.data(), r.data(), 8));
}

// A mixer has chosen the oldest entry when a reset and new pushes refill it with a block younger than the
// one now waiting in the other entry: its take fails, and the next pop returns the older block first.
TEST(SendSlot, AResetAndPushesBetweenScanAndTakeKeepTheOrder)
{
  SendSlot s;
  auto push = [&](double id)
  {
    const auto l = Pattern(id, 8), r = Pattern(id, 8, 0.5);
    ASSERT_TRUE(s.Push(l.data(), r.data(), 8));
  };
  push(1);
  push(2);
  uint64_t sequence = 0;
  const int chosen = SendSlotTestAccess::FindOldest(s, sequence);
  ASSERT_EQ(chosen, 0);
  s.Reset();
  push(3); // entry 0
  push(4); // entry 1
  SendSlot::Block b = s.Pop(8);
  ExpectBlock(b, 3, 8);
  s.Release(b);
  push(5); // entry 0 again, younger than 4
  SendSlot::Block taken;
  EXPECT_FALSE(SendSlotTestAccess::Take(s, chosen, sequence, taken));
  EXPECT_FALSE(taken);
  EXPECT_EQ(s.Count(), 2u);
  b = s.Pop(8);
  ExpectBlock(b, 4, 8);
  s.Release(b);
  b = s.Pop(8);
  ExpectBlock(b, 5, 8);
}

// A sender's block still being written when the mixer's scan passes its entry, and the sender's next
// block queued in the other entry before the scan reaches it: the younger one must not go first.
TEST(SendSlot, ABlockQueuedBehindTheScanStillGoesFirst)
{
  SendSlot s;
  const auto push = [&](double id)
  {
    const auto l = Pattern(id, 8), r = Pattern(id, 8, 0.5);
    ASSERT_TRUE(s.Push(l.data(), r.data(), 8));
  };
  push(1);                                                     // entry 0
  push(2);                                                     // entry 1
  SendSlotTestAccess::SetState(s, 0, SendRingEntry::kWriting); // as the scan saw it
  uint64_t sequence = 0;
  const int chosen = SendSlotTestAccess::FindOldest(s, sequence);
  ASSERT_EQ(chosen, 1);
  SendSlotTestAccess::SetState(s, 0, SendRingEntry::kQueued); // the write ends before the take
  SendSlot::Block taken;
  EXPECT_FALSE(SendSlotTestAccess::Take(s, chosen, sequence, taken));
  EXPECT_FALSE(taken);
  EXPECT_EQ(s.Count(), 2u);
  SendSlot::Block b = s.Pop(8);
  ExpectBlock(b, 1, 8);
  s.Release(b);
  b = s.Pop(8);
  ExpectBlock(b, 2, 8);
}

TEST(SendSlot, ClearDropsQueuedBlocksOnly)
{
  SendSlot s;
  const auto l = Pattern(0, 8);
  s.Push(l.data(), nullptr, 8);
  s.mSenderGain = 0.5;
  s.Clear();
  EXPECT_EQ(s.Count(), 0u);
  EXPECT_EQ(s.mSenderGain, 0.5);
}

TEST(SendSlotTable, ThirtyTwoSlotsForTheLifeOfTheProcess)
{
  SendSlot* const* slots = SendSlotTable::Slots();
  ASSERT_NE(slots, nullptr);
  EXPECT_EQ(SendSlotTable::Slots(), slots);
  for (int s = 0; s < kNumSendSlots; ++s)
  {
    ASSERT_NE(slots[s], nullptr);
    EXPECT_EQ(SendSlotTable::Slot(s), slots[s]);
    for (int t = 0; t < s; ++t)
      ASSERT_NE(slots[s], slots[t]);
  }
  EXPECT_EQ(SendSlotTable::Slot(-1), nullptr);
  EXPECT_EQ(SendSlotTable::Slot(kNumSendSlots), nullptr);
}

TEST(SendSlotTable, ResetAllReachesEverySlot)
{
  const auto l = Pattern(0, 8);
  for (int s = 0; s < kNumSendSlots; ++s)
  {
    SendSlotTable::Slot(s)->Push(l.data(), nullptr, 8);
    SendSlotTable::Slot(s)->mSenderGain = 0.0;
  }
  SendSlotTable::ResetAll();
  for (int s = 0; s < kNumSendSlots; ++s)
  {
    EXPECT_EQ(SendSlotTable::Slot(s)->Count(), 0u) << s;
    EXPECT_EQ(SendSlotTable::Slot(s)->mSenderGain, 1.0) << s;
  }
}

TEST(ChannelBuffers, AllocateCopyClearFree)
{
  double** b = AllocateChannelBuffers(16, 3);
  for (int c = 0; c < 3; ++c)
    for (int i = 0; i < 16; ++i)
      ASSERT_EQ(b[c][i], 0.0);
  const double src[4] = {1, 2, 3, 4};
  CopyChannelBlock(src, b[1], 4, 10);
  EXPECT_EQ(b[1][9], 0.0);
  EXPECT_EQ(b[1][10], 1.0);
  EXPECT_EQ(b[1][13], 4.0);
  CopyChannelBlock(nullptr, b[1], 4, 0);
  CopyChannelBlock(src, nullptr, 4, 0);
  EXPECT_EQ(b[1][0], 0.0);

  const double* sources[3] = {src, nullptr, src};
  CopyChannelBlocks(sources, b, 4, 3, 0);
  EXPECT_EQ(b[0][3], 4.0);
  EXPECT_EQ(b[1][3], 0.0); // skipped pair
  EXPECT_EQ(b[2][0], 1.0);

  ClearChannelBuffers(b, 16, 3);
  EXPECT_EQ(b[1][10], 0.0);
  EXPECT_EQ(b[2][0], 0.0);
  FreeChannelBuffers(b, 3);

  double** none = AllocateChannelBuffers(16, 0);
  ASSERT_NE(none, nullptr);
  FreeChannelBuffers(none, 0);
  FreeChannelBuffers(nullptr, 4);
}
} // namespace
