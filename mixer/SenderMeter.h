// The measuring side of a "Send CH n" instance: its two level detectors (before and after its gain) and
// the blocks they have yet to measure.
//
// A detector is one chain of dependent steps per frame, far too little work to keep the processor busy,
// and each sender has only two of them. So while an "Ext. Mixer" runs in the same process, a sender leaves
// each block's measuring to it: the mixer measures the pending blocks of every sender side by side
// (MeasurePendingSenders) before it reads any sender's level. Every level a mixer reads is then the one the
// sender would have published itself at the end of its block, whichever order the host renders them in;
// the detectors see the same samples in the same order. A sender with no mixer running measures its own
// blocks, as it does whenever it can't leave them (a block too long for a record).
//
// Whoever runs the detectors holds the meter's run flag. An audio thread only ever tries to take it; when
// a sender finds a mixer measuring its blocks at that moment, it leaves its new block as a record, or, when
// both records are still pending (a mixer held up for a whole block), leaves it unmeasured. The slot's
// visitor count lets a meter that is going away wait until no mixer can still reach it.
#pragma once

#include "mixer/LevelDetector.h"
#include "mixer/LaneIsa.h"
#include "mixer/SendSlot.h"

#include <atomic>
#include <cstdint>

namespace iplugin
{
class SenderMeter
{
public:
  static constexpr int kRecordFrames = 2048; // longer blocks are measured by the sender itself
  static constexpr int kRecords = 2;

  // One block's measuring, as the sender hands it over.
  struct Record
  {
    SendSlot* slot = nullptr; // receives the levels
    int frames = 0;
    bool preFilter = false;
    bool newTimes = false; // the envelope times below reach both detectors before the block
    double attack = 0.0, hold = 0.0, release = 0.0;
    bool stereo = false;      // else right is left
    double weight = 1.0;      // detector 1's factor
    bool gainConstant = true; // detector 2's factor is gainValue throughout, else gain[i]
    double gainValue = 1.0;
    alignas(64) double left[kRecordFrames];
    alignas(64) double right[kRecordFrames];
    alignas(64) double gain[kRecordFrames];
  };

  explicit SenderMeter(LevelDetector (&detectors)[2]);
  // Leaves its slot and waits (main thread) until no mixer can reach it any more.
  ~SenderMeter();
  SenderMeter(const SenderMeter&) = delete;
  SenderMeter& operator=(const SenderMeter&) = delete;

  // Sender, audio thread, first thing in its block: makes the meter the one the slot's mixer finds, tries
  // to take the run flag and, with it, measures what is still pending. True when the caller holds the flag
  // (and the detectors are up to date); then it must call EndBlock.
  bool BeginBlock(SendSlot& slot, ELaneIsa isa);

  // The record to hand this block over in, or null when the sender measures it itself. A block is handed
  // over when it fits a record and a mixer has run since the sender's last block, and must be when a mixer
  // holds the flag; without a free record it is then left unmeasured. Fill the record, then Publish.
  Record* HandOver(bool holdsFlag, int frames);
  void Publish();

  // Runs both detectors directly over a chunk (the caller holds the flag). Detector 1 takes the samples
  // times weight[i], detector 2 times gain[i].
  void MeasureNow(bool preFilter, const double* left, const double* right, const double* weight,
                  const double* gain, int frames, ELaneIsa isa);

  // Releases the run flag taken by BeginBlock.
  void EndBlock();

  // Any thread but an audio thread: waits for the run flag, measures what is pending, and keeps the flag
  // until Release, so the detectors can be prepared.
  void Acquire(ELaneIsa isa);
  void Release();

  // Blocks handed over and not yet measured, and blocks left unmeasured because no record was free.
  uint32_t Pending() const;
  uint64_t Unmeasured() const { return mUnmeasured.load(std::memory_order_relaxed); }

  // Mixer, audio thread: measures the pending blocks of every meter registered in the slots, side by side,
  // and publishes their levels. Counts a mixer block, so senders know a mixer is running.
  static void MeasurePendingSenders(SendSlot* const* slots, int count, ELaneIsa isa);

private:
  bool TryTake();
  void MeasurePending(ELaneIsa isa);
  void Leave();
  static void MeasureSideBySide(SenderMeter* const* meters, int count, ELaneIsa isa);

  LevelDetector (&mDetectors)[2];
  // Both detectors hold the same states since their preparation: while they get the same samples, one
  // of them is run and copied into the other.
  bool mTwins = true;
  SendSlot* mSlot = nullptr; // where the meter is registered
  uint32_t mEverIn = 0;      // the slots it has been registered in, one bit each
  uint64_t mSeenMixerBlocks = 0;
  std::atomic<bool> mRunning{false};
  std::atomic<uint32_t> mWritten{0};  // records published
  std::atomic<uint32_t> mMeasured{0}; // records measured
  std::atomic<uint64_t> mUnmeasured{0};
  Record mRecords[kRecords];
  // The record of each of the last kRecords blocks written (block k at k % kRecords); published with mWritten.
  uint8_t mRecordOf[kRecords] = {};
};
} // namespace iplugin
