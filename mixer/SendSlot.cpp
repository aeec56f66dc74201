#include "mixer/SendSlot.h"

#include "mixer/ChannelBuffers.h"
#include "mixer/FiniteSamples.h"
#include "mixer/LaneIsa.h"

#include <algorithm>
#include <cstring>

namespace iplugin
{
SendRingEntry::SendRingEntry() : mChannels(AllocateChannelBuffers(kSendBlockFrames, 2)) {}

SendRingEntry::~SendRingEntry()
{
  FreeChannelBuffers(mChannels, 2);
}

SendSlot::SendSlot() = default;

bool SendSlot::Push(const double* left, const double* right, int frames)
{
  if (!left || frames <= 0) return false;
  // The first free entry: the order is the sequence's, and the entry the mixer has just given back is
  // taken again while its lines are still in the cache.
  for (uint32_t index = 0; index < kSendSlotCapacity; ++index)
  {
    SendRingEntry& e = mEntries[index];
    uint32_t expected = SendRingEntry::kFree;
    // Acquire: the previous holder's reads of the buffers finish before we overwrite them.
    if (!e.mState.compare_exchange_strong(expected, SendRingEntry::kWriting, std::memory_order_acquire,
                                          std::memory_order_relaxed))
      continue;
    e.mSequence.store(mNextSequence.fetch_add(1, std::memory_order_relaxed), std::memory_order_relaxed);
    const int n = std::min(frames, kSendBlockFrames);
    // One pass a channel: the copy and the silencing of what is not finite.
    OnLaneIsa<CopyFiniteOrSilence>::Run(kLaneIsaBest, left, e.mChannels[0], n);
    if (right) OnLaneIsa<CopyFiniteOrSilence>::Run(kLaneIsaBest, right, e.mChannels[1], n);
    e.mFrames = n;
    e.mMono = !right;
    e.mState.store(SendRingEntry::kQueued, std::memory_order_release);
    return true;
  }
  return false;
}

SendSlot::Block SendSlot::Pop(int wantedFrames)
{
  // Only a reset or a second mixer racing for the same entry makes the take fail; a few tries suffice.
  for (int attempt = 0; attempt < 4; ++attempt)
  {
    uint64_t sequence = 0;
    const int oldest = FindOldest(sequence);
    if (oldest < 0) return Block{};
    Block block;
    if (Take(oldest, sequence, wantedFrames, block)) return block;
  }
  return Block{};
}

int SendSlot::FindOldest(uint64_t& oldestSequence) const
{
  int oldest = -1;
  for (int i = 0; i < static_cast<int>(kSendSlotCapacity); ++i)
  {
    if (mEntries[i].mState.load(std::memory_order_acquire) != SendRingEntry::kQueued) continue;
    const uint64_t sequence = mEntries[i].mSequence.load(std::memory_order_relaxed);
    if (oldest < 0 || sequence < oldestSequence)
    {
      oldest = i;
      oldestSequence = sequence;
    }
  }
  return oldest;
}

// The scan reads the entries one after another: it can pass an entry whose block is still being written
// and find a younger block, pushed after it, in the next. Such an older block goes first.
bool SendSlot::OlderQueued(int index, uint64_t sequence) const
{
  for (int i = 0; i < static_cast<int>(kSendSlotCapacity); ++i)
    if (i != index && mEntries[i].mState.load(std::memory_order_acquire) == SendRingEntry::kQueued &&
        mEntries[i].mSequence.load(std::memory_order_relaxed) < sequence)
      return true;
  return false;
}

bool SendSlot::Take(int index, uint64_t sequence, int wantedFrames, Block& block)
{
  SendRingEntry& e = mEntries[index];
  uint32_t expected = SendRingEntry::kQueued;
  if (!e.mState.compare_exchange_strong(expected, SendRingEntry::kReading, std::memory_order_acquire,
                                        std::memory_order_relaxed))
    return false;
  // A reset and a new push between the scan and the exchange can put a younger block into the entry
  // while an older one waits in the other: give it back and look again, so blocks keep their order.
  if (e.mSequence.load(std::memory_order_relaxed) != sequence || OlderQueued(index, sequence))
  {
    e.mState.store(SendRingEntry::kQueued, std::memory_order_release);
    return false;
  }
  block.left = e.mChannels[0];
  block.right = e.mMono ? e.mChannels[0] : e.mChannels[1];
  block.pushedFrames = e.mFrames;
  block.frames = std::clamp(wantedFrames, 0, kSendBlockFrames);
  block.entry = index;
  // The entry is ours alone now: frames the sender did not write this time read as silence.
  if (block.pushedFrames < block.frames)
    for (int c = 0; c < (e.mMono ? 1 : 2); ++c)
      std::memset(e.mChannels[c] + block.pushedFrames, 0,
                  sizeof(double) * (block.frames - block.pushedFrames));
  return true;
}

void SendSlot::Release(Block& block)
{
  if (block.entry >= 0 && block.entry < static_cast<int>(kSendSlotCapacity))
    mEntries[block.entry].mState.store(SendRingEntry::kFree, std::memory_order_release);
  block = Block{};
}

uint32_t SendSlot::Count() const
{
  uint32_t count = 0;
  for (const SendRingEntry& e : mEntries)
    count += e.mState.load(std::memory_order_relaxed) == SendRingEntry::kQueued ? 1 : 0;
  return count;
}

void SendSlot::Clear()
{
  for (SendRingEntry& e : mEntries)
  {
    uint32_t expected = SendRingEntry::kQueued;
    e.mState.compare_exchange_strong(expected, SendRingEntry::kFree, std::memory_order_acq_rel,
                                     std::memory_order_relaxed);
  }
}

void SendSlot::Reset()
{
  Clear();
  mSenderGain = 1.0;
  mSenderLevel = 0.0;
  mSenderLevel2 = 0.0;
  mReverseMixing = 0u;
  mPreFilter = 0u;
  mAttack = 0.3;
  mHold = 0.0;
  mRelease = 0.3;
  mPreGain = 1.0;
  mWeight = 1.0;
  mPan = 0.0;
  mMono = 0u;
}
} // namespace iplugin
