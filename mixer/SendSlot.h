// One send slot: the queue of two stereo blocks through which a "Send CH n" instance hands its track to
// the "Ext. Mixer" instance, plus the values the two sides exchange (the gain for the sender, the
// sender's levels and, for Reverse Mixing, the mixer's channel settings).
//
// The two sides run on the audio threads of different instances and take no lock. Each queue entry
// carries its own atomic state, so an entry is written by one sender at a time, read only once it is
// complete, and never refilled while a mixer still reads it; a full queue drops the new block. Every
// value field is written whole (Relaxed): a reader may see a value one block old, never a torn one.
#pragma once

#include "mixer/Relaxed.h"

#include <atomic>
#include <cstdint>

namespace iplugin
{
class SenderMeter;

constexpr int kSendBlockFrames = 8192;
constexpr uint32_t kSendSlotCapacity = 2;

// One queued block: two channel buffers (left, right) of kSendBlockFrames doubles.
struct SendRingEntry
{
  enum EState : uint32_t
  {
    kFree = 0,
    kWriting, // a sender is copying into it
    kQueued,  // complete, waiting for the mixer
    kReading  // popped; the mixer reads it until it releases it
  };

  SendRingEntry();
  ~SendRingEntry();
  SendRingEntry(const SendRingEntry&) = delete;
  SendRingEntry& operator=(const SendRingEntry&) = delete;

  double** mChannels; // made by AllocateChannelBuffers (kSendBlockFrames, 2)
  std::atomic<uint32_t> mState{kFree};
  std::atomic<uint64_t> mSequence{0}; // order of arrival among the queued blocks
  int mFrames = 0;                    // frames the sender wrote; owned by whoever holds the entry
  bool mMono = false;                 // the sender wrote its left channel only
};

class SendSlot
{
public:
  // A popped block. left and right are readable for `frames` frames, min(wanted, kSendBlockFrames):
  // what the sender pushed followed by silence; right is left for a mono block. Valid until the slot's
  // Release.
  struct Block
  {
    const double* left = nullptr;
    const double* right = nullptr;
    int frames = 0;
    int pushedFrames = 0;
    int entry = -1;
    explicit operator bool() const { return entry >= 0; }
  };

  SendSlot();
  SendSlot(const SendSlot&) = delete;
  SendSlot& operator=(const SendSlot&) = delete;

  // Sender, audio thread: queues one block of min(frames, kSendBlockFrames) frames. A null right makes a
  // mono block: it is popped with its left channel as both channels. Returns false when the block was
  // dropped: the queue is full, or left is null or frames is not positive.
  bool Push(const double* left, const double* right, int frames);

  // Mixer, audio thread: takes the oldest queued block, or an empty Block when none is queued. The entry
  // stays reserved for the caller (no sender refills it) until Release; release it within the block.
  Block Pop(int wantedFrames);
  void Release(Block& block);

  // Blocks queued and not yet popped (0..capacity).
  uint32_t Count() const;
  uint32_t Capacity() const { return kSendSlotCapacity; }

  // Drops the queued blocks (a sender in Reverse Mixing, every block). Blocks being written or read are
  // left to finish.
  void Clear();

  // Clear, and every value back to its initial value. Capacity and buffers stay.
  void Reset();

  const SendRingEntry& Entry(int index) const { return mEntries[index]; }

  // Values the two sides exchange. Initial values are those of a reset.
  Relaxed<double> mSenderGain{1.0};    // mixer -> sender, every sample
  Relaxed<double> mSenderLevel{0.0};   // sender -> mixer after each block, level before its gain
  Relaxed<double> mSenderLevel2{0.0};  // level after its gain
  Relaxed<uint32_t> mReverseMixing{0}; // the mixer's "Reverse Mixing"
  Relaxed<uint32_t> mPreFilter{0};     // the rest: mixer -> sender in Reverse Mixing
  Relaxed<double> mAttack{0.3};        // seconds
  Relaxed<double> mHold{0.0};
  Relaxed<double> mRelease{0.3};
  Relaxed<double> mPreGain{1.0}; // linear
  Relaxed<double> mWeight{1.0};  // linear
  Relaxed<double> mPan{0.0};     // -100..100
  Relaxed<uint32_t> mMono{0};

  // The sender's meter that a mixer measures the handed-over blocks of (SenderMeter.h), and the mixers
  // visiting it at this moment. Neither is touched by a reset.
  std::atomic<SenderMeter*> mMeter{nullptr};
  std::atomic<uint32_t> mMeterVisitors{0};

private:
  friend struct SendSlotTestAccess; // tests step between Pop's scan and its take

  // Pop in two steps: the queued entry with the lowest sequence (-1 when none is queued), then its
  // reservation, which fails when the entry is no longer queued, no longer holds that sequence, or an
  // older block was queued since the scan.
  int FindOldest(uint64_t& sequence) const;
  bool Take(int index, uint64_t sequence, int wantedFrames, Block& block);
  bool OlderQueued(int index, uint64_t sequence) const; // another entry holds an older queued block

  SendRingEntry mEntries[kSendSlotCapacity];
  std::atomic<uint64_t> mNextSequence{1};
};
} // namespace iplugin
