#include "mixer/SenderMeter.h"

#include "mixer/DetectorBank.h"
#include "mixer/SameBits.h"
#include "mixer/SendSlotTable.h"

#include <algorithm>
#include <cstring>
#include <thread>

namespace iplugin
{
namespace
{
// Blocks of any "Ext. Mixer" (or mixer in Reverse Mixing) that measured the senders' pending blocks.
std::atomic<uint64_t> gMixerBlocks{0};

bool SameFactors(const double* a, const double* b, int frames)
{
  return a == b || std::memcmp(a, b, sizeof(double) * size_t(frames)) == 0;
}

// Whether every factor of the row is the value.
bool RowIs(const double* row, double value, int frames)
{
  for (int i = 0; i < frames; ++i)
    if (!SameBits(row[i], value)) return false;
  return true;
}

void CopyStates(const BiquadSection& from, BiquadSection& to)
{
  to.x0 = from.x0;
  to.x1 = from.x1;
  to.x2 = from.x2;
  to.y0 = from.y0;
  to.y1 = from.y1;
  to.y2 = from.y2;
}

// What running a detector changes, from its twin; its coefficients are its own and equal already (and are
// read meanwhile by the parameter-change path).
void CopyRunState(const LevelDetector& from, LevelDetector& to)
{
  to.mStage1 = from.mStage1;
  to.mStage2 = from.mStage2;
  to.mEnvelope1.Save(from.mEnvelope1.Load());
  to.mEnvelope2.Save(from.mEnvelope2.Load());
  CopyStates(from.mHighPassLeft, to.mHighPassLeft);
  CopyStates(from.mHighPassRight, to.mHighPassRight);
  CopyStates(from.mLowPassLeft, to.mLowPassLeft);
  CopyStates(from.mLowPassRight, to.mLowPassRight);
}
} // namespace

SenderMeter::SenderMeter(LevelDetector (&detectors)[2])
    : mDetectors(detectors), mSeenMixerBlocks(gMixerBlocks.load(std::memory_order_relaxed))
{
}

SenderMeter::~SenderMeter()
{
  Leave();
}

void SenderMeter::Leave()
{
  SendSlot* const* slots = SendSlotTable::Slots();
  for (int s = 0; s < kNumSendSlots; ++s)
    if (mEverIn & (1u << s))
    {
      SenderMeter* self = this;
      slots[s]->mMeter.compare_exchange_strong(self, nullptr);
    }
  // A mixer that found this meter in a slot before it left holds a visit there until it is done with it.
  for (int s = 0; s < kNumSendSlots; ++s)
    if (mEverIn & (1u << s))
      while (slots[s]->mMeterVisitors.load() != 0)
        std::this_thread::yield();
  mSlot = nullptr;
  mEverIn = 0;
}

bool SenderMeter::TryTake()
{
  bool expected = false;
  return mRunning.compare_exchange_strong(expected, true, std::memory_order_acquire,
                                          std::memory_order_relaxed);
}

bool SenderMeter::BeginBlock(SendSlot& slot, ELaneIsa isa)
{
  if (mSlot != &slot)
  {
    // A sender that moved to another slot leaves the old one without waiting: a mixer still measuring its
    // blocks there finds a live meter.
    if (mSlot)
    {
      SenderMeter* self = this;
      mSlot->mMeter.compare_exchange_strong(self, nullptr);
    }
    mSlot = &slot;
    SendSlot* const* slots = SendSlotTable::Slots();
    for (int s = 0; s < kNumSendSlots; ++s)
      if (slots[s] == &slot) mEverIn |= 1u << s;
  }
  if (slot.mMeter.load(std::memory_order_relaxed) != this) slot.mMeter.store(this);
  if (!TryTake()) return false;
  MeasurePending(isa);
  return true;
}

SenderMeter::Record* SenderMeter::HandOver(bool holdsFlag, int frames)
{
  if (holdsFlag && gMixerBlocks.load(std::memory_order_relaxed) == mSeenMixerBlocks) return nullptr;
  const uint32_t written = mWritten.load(std::memory_order_relaxed);
  // Acquire: the measuring of the record we reuse has finished reading it.
  const uint32_t pending = written - mMeasured.load(std::memory_order_acquire);
  if (frames <= kRecordFrames && pending < uint32_t(kRecords))
  {
    // With nothing pending the first record again, which the last block left in the cache; else the other.
    static_assert(kRecords == 2);
    const uint8_t record = pending == 0 ? 0 : uint8_t(1 - mRecordOf[(written - 1) % kRecords]);
    mRecordOf[written % kRecords] = record;
    return &mRecords[record];
  }
  if (!holdsFlag) mUnmeasured.fetch_add(1, std::memory_order_relaxed);
  return nullptr;
}

void SenderMeter::Publish()
{
  mWritten.store(mWritten.load(std::memory_order_relaxed) + 1, std::memory_order_release);
}

void SenderMeter::EndBlock()
{
  mSeenMixerBlocks = gMixerBlocks.load(std::memory_order_relaxed);
  mRunning.store(false, std::memory_order_release);
}

void SenderMeter::Acquire(ELaneIsa isa)
{
  while (!TryTake())
    std::this_thread::yield();
  MeasurePending(isa);
}

void SenderMeter::Release()
{
  mRunning.store(false, std::memory_order_release);
}

uint32_t SenderMeter::Pending() const
{
  return mWritten.load(std::memory_order_acquire) - mMeasured.load(std::memory_order_relaxed);
}

void SenderMeter::MeasureNow(bool preFilter, const double* left, const double* right, const double* weight,
                             const double* gain, int frames, ELaneIsa isa)
{
  LevelDetector* detectors[2] = {&mDetectors[0], &mDetectors[1]};
  const double* lefts[2] = {left, left};
  const double* rights[2] = {right, right};
  const double* factors[2] = {weight, gain};
  ProcessDetectorsSideBySide(detectors, 2, preFilter, lefts, rights, frames, nullptr,
                             BankInputScale{nullptr, factors}, isa);
  mTwins = mTwins && SameFactors(weight, gain, frames);
}

void SenderMeter::MeasurePending(ELaneIsa isa)
{
  SenderMeter* self = this;
  while (Pending() > 0)
    MeasureSideBySide(&self, 1, isa);
}

// The oldest pending record of each meter (the caller holds their flags), as few bank runs as there are
// different lengths and pre-filter settings among them. A detector takes its factor as one value (the
// weight, a gain that stayed constant), else as a row per frame.
void SenderMeter::MeasureSideBySide(SenderMeter* const* meters, int count, ELaneIsa isa)
{
  constexpr int kMost = 2 * kNumSendSlots;
  Record* records[kNumSendSlots];
  bool done[kNumSendSlots] = {};
  for (int m = 0; m < count; ++m)
  {
    SenderMeter& meter = *meters[m];
    Record& r = meter.mRecords[meter.mRecordOf[meter.mMeasured.load(std::memory_order_relaxed) % kRecords]];
    records[m] = &r;
    if (r.newTimes)
      for (LevelDetector& d : meter.mDetectors)
        d.SetEnvelopeTimes(r.attack, r.hold, r.release);
  }
  for (int first = 0; first < count; ++first)
  {
    if (done[first]) continue;
    const int frames = records[first]->frames;
    const bool preFilter = records[first]->preFilter;
    const auto inRun = [&](int m)
    { return !done[m] && records[m]->frames == frames && records[m]->preFilter == preFilter; };
    LevelDetector* detectors[kMost];
    const double* lefts[kMost];
    const double* rights[kMost];
    const double* rows[kMost];
    double values[kMost];
    bool single[kNumSendSlots] = {};
    for (int m = first; m < count; ++m)
    {
      if (!inRun(m)) continue;
      const Record& r = *records[m];
      const bool alike = r.gainConstant ? SameBits(r.gainValue, r.weight) : RowIs(r.gain, r.weight, frames);
      single[m] = meters[m]->mTwins && alike;
    }
    // Every meter's first detector, then the second ones: the bank's groups of detectors with one factor
    // each (the weights) then need no rows.
    int n = 0;
    for (int d = 0; d < 2; ++d)
      for (int m = first; m < count; ++m)
      {
        if (!inRun(m) || (d == 1 && single[m])) continue;
        const Record& r = *records[m];
        detectors[n] = &meters[m]->mDetectors[d];
        lefts[n] = r.left;
        rights[n] = r.stereo ? r.right : r.left;
        values[n] = d == 0 ? r.weight : r.gainValue;
        rows[n] = d == 0 || r.gainConstant ? nullptr : r.gain;
        ++n;
      }
    ProcessDetectorsSideBySide(detectors, n, preFilter, lefts, rights, frames, nullptr,
                               BankInputScale{values, rows}, isa);
    for (int m = first; m < count; ++m)
    {
      if (!inRun(m)) continue;
      Record& r = *records[m];
      SenderMeter& meter = *meters[m];
      if (single[m])
        CopyRunState(meter.mDetectors[0], meter.mDetectors[1]);
      else
        meter.mTwins = false;
      r.slot->mSenderLevel = meter.mDetectors[0].Level();
      r.slot->mSenderLevel2 = meter.mDetectors[1].Level();
      done[m] = true;
      // Release: the record may be refilled once its measuring is done.
      meter.mMeasured.store(meter.mMeasured.load(std::memory_order_relaxed) + 1, std::memory_order_release);
    }
  }
}

void SenderMeter::MeasurePendingSenders(SendSlot* const* slots, int count, ELaneIsa isa)
{
  SenderMeter* taken[kNumSendSlots];
  SendSlot* visited[kNumSendSlots];
  int nTaken = 0;
  count = std::min(count, kNumSendSlots);
  for (int s = 0; s < count; ++s)
  {
    SendSlot& slot = *slots[s];
    // A slot without a meter needs no visit: only a pointer read after the visit began is followed.
    if (!slot.mMeter.load(std::memory_order_relaxed)) continue;
    slot.mMeterVisitors.fetch_add(1);
    SenderMeter* meter = slot.mMeter.load();
    if (meter && meter->Pending() > 0 && meter->TryTake())
    {
      taken[nTaken] = meter;
      visited[nTaken++] = &slot;
    }
    else
      slot.mMeterVisitors.fetch_sub(1);
  }
  // Rounds of the oldest pending record of each meter; a second round only for a sender that handed over
  // a block while this mixer was held up.
  SenderMeter* round[kNumSendSlots];
  for (;;)
  {
    int n = 0;
    for (int m = 0; m < nTaken; ++m)
      if (taken[m]->Pending() > 0) round[n++] = taken[m];
    if (n == 0) break;
    MeasureSideBySide(round, n, isa);
  }
  for (int m = 0; m < nTaken; ++m)
  {
    taken[m]->Release();
    visited[m]->mMeterVisitors.fetch_sub(1);
  }
  gMixerBlocks.fetch_add(1, std::memory_order_relaxed);
}
} // namespace iplugin
