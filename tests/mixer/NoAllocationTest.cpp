// The audio thread never allocates: this binary counts every operator new made while a block is processed.
#include "MixerHarness.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>

namespace
{
thread_local bool tCounting = false;
std::atomic<long> gAllocations{0};

void* Allocate(std::size_t size)
{
  if (tCounting) gAllocations.fetch_add(1, std::memory_order_relaxed);
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}
} // namespace

void* operator new(std::size_t size)
{
  return Allocate(size);
}
void* operator new[](std::size_t size)
{
  return Allocate(size);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept
{
  if (tCounting) gAllocations.fetch_add(1, std::memory_order_relaxed);
  return std::malloc(size ? size : 1);
}
void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept
{
  return operator new(size, tag);
}
void operator delete(void* p) noexcept
{
  std::free(p);
}
void operator delete[](void* p) noexcept
{
  std::free(p);
}
void operator delete(void* p, std::size_t) noexcept
{
  std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept
{
  std::free(p);
}

using namespace iplugin;
using namespace mixtest;

namespace
{
// Processes one block with allocations counted; returns how many there were.
long CountedBlock(MixerEngine& e, Io& io, int frames, bool transport = false)
{
  const long before = gAllocations.load();
  tCounting = true;
  e.ProcessBlock(io.inPtr.data(), io.outPtr.data(), frames, static_cast<int>(io.in.size()),
                 static_cast<int>(io.out.size()), transport);
  tCounting = false;
  return gAllocations.load() - before;
}

TEST(NoAllocation, CountingWorks)
{
  const long before = gAllocations.load();
  tCounting = true;
  auto* p = new int(3);
  tCounting = false;
  delete p;
  EXPECT_EQ(gAllocations.load() - before, 1);
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
