// The audio thread never allocates: this binary counts every operator new made while a block is processed.
#include "MixerHarness.h"
#include "tests/support/CountedNew.h"

#include <gtest/gtest.h>

using namespace iplugin;
using namespace mixtest;
using qorvtest::gAllocationsCounted;
using qorvtest::tCountAllocations;

namespace
{
// Processes one block with allocations counted; returns how many there were.
long CountedBlock(MixerEngine& e, Io& io, int frames, bool transport = false)
{
  const long before = gAllocationsCounted.load();
  tCountAllocations = true;
  e.ProcessBlock(io.inPtr.data(), io.outPtr.data(), frames, static_cast<int>(io.in.size()),
                 static_cast<int>(io.out.size()), transport);
  tCountAllocations = false;
  return gAllocationsCounted.load() - before;
}

TEST(NoAllocation, CountingWorks)
{
  const long before = gAllocationsCounted.load();
  tCountAllocations = true;
  auto* p = new int(3);
  tCountAllocations = false;
  delete p;
  EXPECT_EQ(gAllocationsCounted.load() - before, 1);
}

TEST(NoAllocation, NoBlockOfAnyModeAllocates)
{
  SendSlotTable::ResetAll();
  auto sender = MakeEngine();
  sender->mPluginMode = kPluginModeSendFirst;
  auto mixer = MakeEngine();
  mixer->mChannelCount = 31u;
  Io senderIo(2, 2), mixerIo(64, 64), big(2, 2, 10000);
  const Signal s = Sine(0.3);
  for (auto& ch : senderIo.in)
    for (int i = 0; i < kBlock; ++i)
      ch[i] = s(i);
  for (auto& ch : mixerIo.in)
    ch = senderIo.in[0];

  long allocations = 0;
  for (uint32_t mode : {kPluginModeIntMixer, kPluginModeExtMixer})
    for (uint32_t mixMode : {kMixModeOff, kMixModeAuto, kMixModeAutoBal, kMixModePrio})
      for (uint32_t reverse : {0u, 1u})
        for (uint32_t multi : {0u, 1u})
        {
          mixer->mPluginMode = mode;
          mixer->mMixMode = mixMode;
          mixer->mReverseMixing = reverse;
          mixer->mMultiChannelOutput = multi;
          mixer->mPropagateSenderGain = 1u;
          mixer->mStrength = 0.5;
          mixer->mModeratorIndex = 2u;
          mixer->mChannels[1].mModerator = 1u;
          mixer->mPreDelay = kPreDelayShort;
          sender->mReverseMixing = reverse;
          for (int b = 0; b < 3; ++b)
          {
            allocations += CountedBlock(*sender, senderIo, kBlock);
            allocations += CountedBlock(*mixer, mixerIo, kBlock, b == 2);
          }
          allocations += CountedBlock(*sender, big, 10000);
          allocations += CountedBlock(*mixer, big, 10000);
        }
  EXPECT_EQ(allocations, 0);
}
} // namespace
