#include "mixer/MixerEngine.h"

#include "mixer/Decibels.h"
#include "mixer/DetectorBank.h"
#include "mixer/FiniteSamples.h"
#include "mixer/MixGains.h"
#include "mixer/SendSlotTable.h"
#include "mixer/TimeConstants.h"

#include <algorithm>
#include <bit>
#include <cmath>

namespace iplugin
{
namespace
{
constexpr double kSoloMuteSeconds = 0.1;
constexpr double kSenderGainSeconds = 0.001;
// "Mod. Attn." below this silences the other channels ("-INF" at the bottom of its range).
constexpr double kModAttnSilentDb = -23.9;

bool IsSenderMode(uint32_t mode)
{
  return mode >= kPluginModeSendFirst && mode <= kPluginModeSendLast;
}

// Envelope 1 of a detector set to a value that was measured elsewhere, envelope 2 following it.
void FollowReportedLevel(LevelDetector& detector, double level, int frames, double* levels)
{
  detector.mEnvelope1.mValue = level;
  GainSmoother::Kernel peak = detector.mEnvelope2.Load();
  for (int i = 0; i < frames; ++i)
  {
    peak.Step(std::fabs(level));
    if (levels) levels[i] = level;
  }
  detector.mEnvelope2.Save(peak);
}
// A smoother's steps towards a constant target, writing its value after each step. A smoother whose next
// step would change nothing (settled on the target, or on a rounding fixed point next to it) stays as it
// is for every further step, so those steps are skipped.
// A settled smoother that holds 1 gives a null row (its row is not written, and no one multiplies by it):
// the row it returns.
double* StepTowards(GainSmoother& smoother, double target, int frames, double* values)
{
  GainSmoother::Kernel k = smoother.Load();
  GainSmoother::Kernel next = k;
  next.Step(target);
  if (next.value == k.value && next.state == k.state && next.holdCounter == k.holdCounter)
  {
    if (k.value == 1.0) return nullptr;
    std::fill(values, values + frames, k.value);
    return values;
  }
  for (int i = 0; i < frames; ++i)
    values[i] = k.Step(target);
  smoother.Save(k);
  return values;
}
// A channel's working samples: `readable` frames of its two sources (silence where a source is null, and
// for a sample that is not finite), then silence up to `frames`; mono as the mean of the sides, times the
// pre-gain. One pass, with the same operations on every sample as if the sources had been copied in first.
// A null right is not written (the caller knows it would equal left).
void ReadChannel(const double* inL, const double* inR, int readable, int frames, bool mono, double preGain,
                 double* left, double* right)
{
  if (inL && inR && readable == frames)
  {
    if (mono)
      for (int i = 0; i < frames; ++i)
      {
        const double m = (FiniteOrSilence(inL[i]) + FiniteOrSilence(inR[i])) * 0.5;
        left[i] = m * preGain;
        if (right) right[i] = m * preGain;
      }
    else if (!right)
      for (int i = 0; i < frames; ++i)
        left[i] = FiniteOrSilence(inL[i]) * preGain;
    else
      for (int i = 0; i < frames; ++i)
      {
        left[i] = FiniteOrSilence(inL[i]) * preGain;
        right[i] = FiniteOrSilence(inR[i]) * preGain;
      }
    return;
  }
  if ((!inL && !inR) || readable == 0)
  {
    // Silence throughout: the same operations on 0 give one value.
    const double l = (mono ? (0.0 + 0.0) * 0.5 : 0.0) * preGain;
    std::fill(left, left + frames, l);
    if (right) std::fill(right, right + frames, l);
    return;
  }
  for (int i = 0; i < frames; ++i)
  {
    double l = inL && i < readable ? FiniteOrSilence(inL[i]) : 0.0;
    double r = inR && i < readable ? FiniteOrSilence(inR[i]) : 0.0;
    if (mono) l = r = (l + r) * 0.5;
    left[i] = l * preGain;
    if (right) right[i] = r * preGain;
  }
}
// Sample s of an input of the Reverse Mixing pass-through, silence when there is none.
double InputSample(const double* input, int s)
{
  return input ? FiniteOrSilence(input[s]) : 0.0;
}
// The sender's gain stepped towards the mixer's target for each frame, its value after each step written.
// A step that leaves the value as it was (settled on the target or on a rounding fixed point next to it)
// leaves it so for every further step, which are then skipped.
double StepSenderGain(double attack, double release, double value, double target, int frames, double* values)
{
  for (int i = 0; i < frames; ++i)
  {
    const double coefficient = target > value ? attack : release;
    const double next = (value - target) * coefficient + target;
    if (next == value)
    {
      std::fill(values + i, values + frames, value);
      return value;
    }
    value = next;
    values[i] = value;
  }
  return value;
}
// One side of the sender's output: its samples times the gain (a value per frame, or one for all), then
// times the pan factor unless centred.
double GainAt(const double* gain, int i)
{
  return gain[i];
}
double GainAt(double gain, int)
{
  return gain;
}
template <typename Gain>
void WriteSenderSide(const double* samples, Gain gain, double panFactor, bool centred, int frames,
                     double* out)
{
  if (centred)
    for (int i = 0; i < frames; ++i)
      out[i] = samples[i] * GainAt(gain, i);
  else
    for (int i = 0; i < frames; ++i)
      out[i] = samples[i] * GainAt(gain, i) * panFactor;
}
// A sender's one input side, silenced where not finite, times its pre-gain.
void ReadOneSide(const double* in, double preGain, int frames, double* out)
{
  for (int i = 0; i < frames; ++i)
    out[i] = FiniteOrSilence(in[i]) * preGain;
}
// One channel of the stereo mix added to the sums: its sides times the pan factors (unless centred) and
// the gain.
void AddToSums(const double* left, const double* right, const double* gain, const PanFactors& pan, int frames,
               double* sumLeft, double* sumRight)
{
  if (pan.centred)
    for (int i = 0; i < frames; ++i)
    {
      sumLeft[i] += left[i] * gain[i];
      sumRight[i] += right[i] * gain[i];
    }
  else
    for (int i = 0; i < frames; ++i)
    {
      sumLeft[i] += left[i] * pan.left * gain[i];
      sumRight[i] += right[i] * pan.right * gain[i];
    }
}
} // namespace

MixerEngine::MixerEngine()
{
  mDspBlockSize = 512u;
  mDspSampleRate = 44100.0;
  PrepareDsp(44100.0);
}

// ---------------------------------------------------------------------------------------------------------
// Preparation and latency

bool MixerEngine::PrepareDsp(double sampleRate)
{
  if (!(sampleRate > 0.0) || !std::isfinite(sampleRate)) return false;
  mDspSampleRate = sampleRate;
  mMeterPeriod.Prepare(sampleRate);
  mAutomationPeriod.Prepare(sampleRate);
  for (int c = 0; c < kMixerChannels; ++c)
  {
    mBankA[c].Prepare(sampleRate);
    mBankB[c].Prepare(sampleRate);
    mMixSmoothers[c].Reset();
    mSoloMuteSmoothers[c].Reset();
    mSoloMuteSmoothers[c].SetTimes(kSoloMuteSeconds, 0.0, kSoloMuteSeconds, sampleRate);
    mPreDelayLeft[c].Prepare(sampleRate);
    mPreDelayRight[c].Prepare(sampleRate);
  }
  for (LevelDetector& d : mMasterDetectors)
    d.Prepare(sampleRate);
  // A mixer may be measuring this sender's blocks: they are measured before the detectors change.
  mSenderMeter.Acquire(mLaneIsa);
  for (LevelDetector& d : mSenderDetectors)
    d.Prepare(sampleRate);
  mSenderGain.mValue = 0.0;
  UpdateEnvelopeCoefficients();
  mSenderMeter.Release();
  return true;
}

int MixerEngine::UpdateEnvelopeCoefficients()
{
  const double sr = mDspSampleRate.Load();
  const double attack = mAttack, hold = mHold, release = mRelease;
  const uint32_t delay = std::min<uint32_t>(mPreDelay.Load(), kPreDelayLong) * kPreDelayStepSamples;
  for (int c = 0; c < kMixerChannels; ++c)
  {
    mBankA[c].SetEnvelopeTimes(attack, hold, release);
    mBankB[c].SetEnvelopeTimes(attack, hold, release);
    mMixSmoothers[c].SetTimes(attack, hold, release, sr);
    mPreDelayLeft[c].SetLength(delay);
    mPreDelayRight[c].SetLength(delay);
  }
  for (LevelDetector& d : mMasterDetectors)
    d.SetEnvelopeTimes(attack, 0.0, release);
  const double senderCoefficient = TimeCoefficient(kSenderGainSeconds, sr);
  mSenderGain.mAttack = senderCoefficient;
  mSenderGain.mRelease = senderCoefficient;
  mSenderGain.mValue = 1.0;
  // The sender detectors keep the times last taken from the slot, so that they always match the cache
  // the sender compares the slot's times with.
  for (LevelDetector& d : mSenderDetectors)
    d.SetEnvelopeTimes(mSenderAttack, mSenderHold, mSenderRelease);
  mWantedLatency = ComputeLatency();
  return 0;
}

uint32_t MixerEngine::ComputeLatency() const
{
  if (mReverseMixing.Load() >= 1) return 0;
  return std::min<uint32_t>(mPreDelay.Load(), kPreDelayLong) * kPreDelayStepSamples;
}

bool MixerEngine::ProcessingReset(double sampleRate, uint32_t maxBlockFrames)
{
  bool prepared = false;
  if (sampleRate != mDspSampleRate || maxBlockFrames != mDspBlockSize)
  {
    if (PrepareDsp(sampleRate))
    {
      mDspBlockSize = maxBlockFrames;
      prepared = true;
    }
  }
  // Only the external mixer owns the send table; an internal mixer in the same process leaves it alone.
  if (mPluginMode.Load() == kPluginModeExtMixer)
  {
    SendSlotTable::ResetAll();
    mInternalBufferCount = 0u;
  }
  return prepared;
}

// ---------------------------------------------------------------------------------------------------------
// Audio thread

void MixerEngine::ProcessBlock(const double* const* inputs, double* const* outputs, int nFrames,
                               int connectedInputs, int connectedOutputs, bool transportRunning)
{
  if (connectedInputs <= 0 || connectedOutputs <= 0) return;
  ProcessMix(inputs, outputs, nFrames, connectedInputs, connectedOutputs, transportRunning);
  // The periods count here only; the idle tick publishes on the main thread.
  const uint32_t frames = nFrames > 0 ? static_cast<uint32_t>(nFrames) : 0u;
  if (mMeterPeriod.Advance(frames)) mMetersDue = uint8_t{1};
  if (mAutomationPeriod.Advance(frames) && mWriteAutomation.Load() == 1) mAutomationDue = uint8_t{1};
}

void MixerEngine::ProcessMix(const double* const* inputs, double* const* outputs, int nFrames,
                             int connectedInputs, int connectedOutputs, bool transportRunning)
{
  if (connectedInputs <= 0 || connectedOutputs <= 0 || !inputs || !outputs || nFrames <= 0) return;
  const uint32_t mode = mPluginMode.Load();
  if (IsSenderMode(mode))
  {
    ProcessSender(inputs, outputs, nFrames, connectedInputs, connectedOutputs);
    return;
  }
  if (mode != kPluginModeIntMixer && mode != kPluginModeExtMixer) return;

  SetUpBlock(inputs, outputs, nFrames, connectedInputs, connectedOutputs, transportRunning);
  for (int offset = 0; offset < nFrames; offset += kChunkFrames)
    MixChunk(offset, std::min(kChunkFrames, nFrames - offset));
  FinishBlock();
}

void MixerEngine::SetUpBlock(const double* const* inputs, double* const* outputs, int nFrames,
                             int connectedInputs, int connectedOutputs, bool transportRunning)
{
  BlockSettings& b = mBlock;
  b.extMixer = mPluginMode.Load() == kPluginModeExtMixer;
  b.reverseMixing = mReverseMixing.Load() >= 1;
  b.channels = ChannelsInUse();
  // The senders' levels are up to date before this block reads any of them.
  if (b.extMixer || b.reverseMixing)
    SenderMeter::MeasurePendingSenders(SendSlotTable::Slots(), kNumSendSlots, mLaneIsa);
  const int n = b.channels;

  std::fill(std::begin(mIn), std::end(mIn), nullptr);
  std::fill(std::begin(mOut), std::end(mOut), nullptr);
  std::fill(std::begin(mInFrames), std::end(mInFrames), 0);

  SendSlot* const* slots = SendSlotTable::Slots();
  if (!b.extMixer || b.reverseMixing)
  {
    const int count = std::min(connectedInputs, kMixerChannelPointers);
    for (int j = 0; j < count; ++j)
      mIn[j] = inputs[j];
    if (count == 1) mIn[1] = mIn[0];
    for (int c = 0; c < kMixerChannels; ++c)
      if (mIn[2 * c] || mIn[2 * c + 1]) mInFrames[c] = nFrames;
  }
  else
  {
    uint32_t deepest = mInternalBufferCount.Load();
    for (int s = 0; s < kNumSendSlots; ++s)
    {
      deepest = std::max(deepest, slots[s]->Count());
      mPopped[s] = slots[s]->Pop(nFrames);
      if (mPopped[s])
      {
        mIn[2 * s] = mPopped[s].left;
        mIn[2 * s + 1] = mPopped[s].right;
        // A slot block holds at most 8,192 frames: the rest of a longer block is silence.
        mInFrames[s] = mPopped[s].frames;
      }
    }
    mInternalBufferCount = deepest;
  }

  if (b.extMixer)
  {
    bool reset = false;
    if (mResetRequest.Load())
    {
      mResetRequest = uint8_t{0};
      reset = true;
    }
    if (mDawSync.Load() != 0 && transportRunning && !mPreviousTransportRunning) reset = true;
    mPreviousTransportRunning = transportRunning;
    if (reset)
    {
      SendSlotTable::ResetAll();
      mInternalBufferCount = 0u;
    }
  }

  mConnectedOutputs = std::min(connectedOutputs, kMixerChannelPointers);
  for (int j = 0; j < mConnectedOutputs; ++j)
    mOut[j] = outputs[j];

  b.mixMode = std::min<uint32_t>(mMixMode.Load(), kMixModePrio);
  b.preFilter = mSpeechPreFilter.Load() == 1;
  b.multiChannelOutput = mMultiChannelOutput.Load() != 0;
  b.p = std::pow(10.0, mStrength.Load());
  b.gateDb = mNoiseGate.Load();
  b.gate = DbToLinear(b.gateDb);
  const double modAttnDb = mModAttn.Load();
  b.modAttn = modAttnDb < kModAttnSilentDb ? 0.0 : DbToLinear(modAttnDb);
  b.main = DbToLinear(mMainVolume.Load());
  const uint32_t moderator = mModeratorIndex.Load();
  b.moderator =
      moderator >= 1 && moderator <= static_cast<uint32_t>(n) ? static_cast<int>(moderator) - 1 : -1;

  b.anySolo = false;
  for (int c = 0; c < n; ++c)
    b.anySolo = b.anySolo || mChannels[c].mSolo.Load() != 0;
  for (int c = 0; c < n; ++c)
  {
    ChannelParamState& ch = mChannels[c];
    ch.mPreGainLinear = DbToLinear(ch.mPreGainDb.Load());
    ch.mWeightLinear = DbToLinear(ch.mWeightDb.Load());
    b.bypass[c] = ch.mBypass.Load() != 0;
    b.mono[c] = ch.mMono.Load() != 0;
    if (b.anySolo)
      b.soloMuteTarget[c] = ch.mSolo.Load() != 0 ? 1.0 : 0.0;
    else
      b.soloMuteTarget[c] = ch.mMute.Load() != 0 ? 0.0 : 1.0;
    b.pan[c] = PanLawFactors(ch.mPan.Load());
  }

  if (b.reverseMixing)
  {
    const double attack = mAttack, hold = mHold, release = mRelease;
    for (int c = 0; c < n; ++c)
    {
      SendSlot& slot = *slots[c];
      // The external mixer hands its channel settings to the senders; an internal one only listens.
      if (b.extMixer)
      {
        const ChannelParamState& ch = mChannels[c];
        slot.mReverseMixing = 1u;
        slot.mMono = b.mono[c] ? 1u : 0u;
        slot.mPreGain = ch.mPreGainLinear;
        slot.mWeight = ch.mWeightLinear;
        slot.mPan = ch.mPan.Load();
        slot.mPreFilter = mSpeechPreFilter.Load();
        slot.mAttack = attack;
        slot.mHold = hold;
        slot.mRelease = release;
      }
      b.reportedLevel[c] = slot.mSenderLevel.Load();
      b.reportedLevel2[c] = slot.mSenderLevel2.Load();
    }
  }
  else if (b.extMixer)
  {
    for (int c = 0; c < n; ++c)
      slots[c]->mReverseMixing = 0u;
  }
}

void MixerEngine::MixChunk(int offset, int frames)
{
  const BlockSettings& b = mBlock;
  const int n = b.channels;
  mLastChunkFrames = frames;

  LevelDetector* bank[kMixerChannels];
  const double* left[kMixerChannels];
  const double* right[kMixerChannels];
  double* levels[kMixerChannels];
  double weights[kMixerChannels];
  const double* gains[kMixerChannels];

  // Input, mono and pre-gain (or the senders' reported levels), and the solo/mute gains. A channel whose
  // two sides come out the same (one source for both, or mono) gives its detectors the left side twice,
  // so they need not compare the two; without a pre-delay its right side is not even written, and the
  // left one stands for it throughout the chunk.
  bool sameSides[kMixerChannels];
  uint32_t delay[kMixerChannels][2];
  for (int c = 0; c < n; ++c)
  {
    sameSides[c] = b.mono[c] || mIn[2 * c] == mIn[2 * c + 1];
    delay[c][0] = mPreDelayLeft[c].mLength.Load();
    delay[c][1] = mPreDelayRight[c].mLength.Load();
    const bool oneSide = sameSides[c] && delay[c][0] == 0 && delay[c][1] == 0;
    mChunkRight[c] = oneSide ? mWorkLeft[c] : mWorkRight[c];
    bank[c] = &mBankA[c];
    left[c] = mWorkLeft[c];
    right[c] = sameSides[c] ? mWorkLeft[c] : mWorkRight[c];
    levels[c] = mLevel[c];
    weights[c] = mChannels[c].mWeightLinear;
    gains[c] = mGain[c];
    if (b.reverseMixing)
    {
      std::fill(mWorkLeft[c], mWorkLeft[c] + frames, 0.0);
      std::fill(mWorkRight[c], mWorkRight[c] + frames, 0.0);
      FollowReportedLevel(mBankA[c], b.reportedLevel[c], frames, mLevel[c]);
    }
    else
    {
      // Frames past what the channel's source holds read as silence.
      const int readable = std::clamp(mInFrames[c] - offset, 0, frames);
      OnLaneIsa<ReadChannel>::Run(mLaneIsa, mIn[2 * c] ? mIn[2 * c] + offset : nullptr,
                                  mIn[2 * c + 1] ? mIn[2 * c + 1] + offset : nullptr, readable, frames,
                                  b.mono[c], mChannels[c].mPreGainLinear, mWorkLeft[c],
                                  oneSide ? nullptr : mWorkRight[c]);
    }
    mSoloMuteRow[c] = StepTowards(mSoloMuteSmoothers[c], b.soloMuteTarget[c], frames, mSoloMute[c]);
  }
  // Bank A takes each channel times its weight.
  if (!b.reverseMixing)
    ProcessDetectorsSideBySide(bank, n, b.preFilter, left, right, frames, levels,
                               BankInputScale{weights, nullptr}, mLaneIsa);

  ComputeGains(frames);

  // Pre-delay and bank B, which takes the delayed audio times the gain (or the senders' reported levels
  // after their gain). The pan is applied as the channels are summed.
  for (int c = 0; c < n; ++c)
  {
    bank[c] = &mBankB[c];
    if (b.reverseMixing)
    {
      FollowReportedLevel(mBankB[c], b.reportedLevel2[c], frames, nullptr);
      continue;
    }
    const bool delayedLeft = mPreDelayLeft[c].Process(mWorkLeft[c], frames, delay[c][0]);
    const bool delayedRight = mPreDelayRight[c].Process(mWorkRight[c], frames, delay[c][1]);
    right[c] = sameSides[c] && !delayedLeft && !delayedRight ? mWorkLeft[c] : mWorkRight[c];
  }
  if (!b.reverseMixing)
    ProcessDetectorsSideBySide(bank, n, b.preFilter, left, right, frames, nullptr,
                               BankInputScale{nullptr, gains}, mLaneIsa);

  WriteOutputs(offset, frames);
}

void MixerEngine::ComputeGains(int frames)
{
  const BlockSettings& b = mBlock;
  double* levels[kMixerChannels];
  double* soloMute[kMixerChannels];
  double* targets[kMixerChannels];
  double* gains[kMixerChannels];
  GainSmoother* smoothers[kMixerChannels];
  for (int c = 0; c < b.channels; ++c)
  {
    levels[c] = mLevel[c];
    soloMute[c] = mSoloMuteRow[c];
    targets[c] = mGainTarget[c];
    gains[c] = mGain[c];
    smoothers[c] = &mMixSmoothers[c];
  }
  MixGainJob job;
  job.channels = b.channels;
  job.frames = frames;
  job.mixMode = b.mixMode;
  job.p = b.p;
  job.gate = b.gate;
  job.gateDb = b.gateDb;
  job.modAttn = b.modAttn;
  job.moderator = b.moderator < b.channels ? b.moderator : -1;
  job.bypass = b.bypass;
  job.levels = levels;
  job.soloMute = soloMute;
  job.smoothers = smoothers;
  job.targets = targets;
  job.gains = gains;
  ComputeMixGains(job, mLaneIsa);
}

void MixerEngine::WriteOutputs(int offset, int frames)
{
  const BlockSettings& b = mBlock;
  const int n = b.channels;
  const int outputs = mConnectedOutputs;
  const double main = b.main;
  const bool monoOut = outputs == 1;

  if (b.reverseMixing)
  {
    // The audio stays with the senders: the outputs carry the inputs.
    if (!b.multiChannelOutput)
    {
      for (int i = 0; i < frames; ++i)
      {
        const int s = offset + i;
        mSumLeft[i] = InputSample(mIn[0], s) * main;
        mSumRight[i] = InputSample(mIn[1], s) * main;
      }
    }
    else
    {
      if (monoOut)
      {
        double* out = mOut[0] + offset;
        for (int i = 0; i < frames; ++i)
        {
          const int s = offset + i;
          out[i] = (InputSample(mIn[0], s) + InputSample(mIn[1], s)) * 0.5 * main;
        }
      }
      else
      {
        for (int j = 0; j < outputs; ++j)
        {
          double* out = mOut[j] + offset;
          const double* in = mIn[j];
          for (int i = 0; i < frames; ++i)
            out[i] = InputSample(in, offset + i) * main;
        }
      }
    }
  }
  else if (!b.multiChannelOutput)
  {
    std::fill(mSumLeft, mSumLeft + frames, 0.0);
    std::fill(mSumRight, mSumRight + frames, 0.0);
    for (int c = 0; c < n; ++c)
    {
      const double* left = mWorkLeft[c];
      const double* right = mChunkRight[c];
      const double* gain = mGain[c];
      OnLaneIsa<AddToSums>::Run(mLaneIsa, left, right, gain, b.pan[c], frames, mSumLeft, mSumRight);
    }
    for (int i = 0; i < frames; ++i)
    {
      mSumLeft[i] *= main;
      mSumRight[i] *= main;
    }
  }
  else
  {
    for (int c = 0; c < kMixerChannels; ++c)
    {
      double* outL = 2 * c < outputs ? mOut[2 * c] + offset : nullptr;
      double* outR = 2 * c + 1 < outputs ? mOut[2 * c + 1] + offset : nullptr;
      if (!outL && !outR) break;
      const double* left = mWorkLeft[c];
      const double* right = c < n ? mChunkRight[c] : mWorkRight[c];
      const double* gain = mGain[c];
      // The pan factors of a centred channel are 1: multiplying by them changes nothing.
      const PanFactors& pan = b.pan[c];
      for (int i = 0; i < frames; ++i)
      {
        const double l = c < n ? left[i] * pan.left * gain[i] * main : 0.0;
        const double r = c < n ? right[i] * pan.right * gain[i] * main : 0.0;
        if (monoOut)
          outL[i] = (l + r) * 0.5;
        else
        {
          if (outL) outL[i] = l;
          if (outR) outR[i] = r;
        }
      }
    }
  }

  if (!b.multiChannelOutput)
  {
    if (monoOut)
    {
      // One output: the mono sum, written once, with the main volume applied once.
      double* out = mOut[0] + offset;
      for (int i = 0; i < frames; ++i)
        out[i] = (mSumLeft[i] + mSumRight[i]) * 0.5;
      MeterMaster(out, out, frames);
    }
    else
    {
      std::copy(mSumLeft, mSumLeft + frames, mOut[0] + offset);
      std::copy(mSumRight, mSumRight + frames, mOut[1] + offset);
      MeterMaster(mSumLeft, mSumRight, frames);
      for (int j = 2; j < outputs; ++j)
        std::fill(mOut[j] + offset, mOut[j] + offset + frames, 0.0);
    }
  }
  else
  {
    static constexpr double kZeros[kChunkFrames] = {};
    MeterMaster(kZeros, kZeros, frames);
  }
}

void MixerEngine::MeterMaster(const double* left, const double* right, int frames)
{
  // Each master detector gets its side on both of its inputs, without the pre-filter.
  LevelDetector* masters[2] = {&mMasterDetectors[0], &mMasterDetectors[1]};
  const double* sides[2] = {left, right};
  ProcessDetectorsSideBySide(masters, 2, false, sides, sides, frames, nullptr, {}, mLaneIsa);
}

void MixerEngine::FinishBlock()
{
  const BlockSettings& b = mBlock;
  const int n = b.channels;
  SendSlot* const* slots = SendSlotTable::Slots();
  for (int s = 0; s < kNumSendSlots; ++s)
    if (mPopped[s]) slots[s]->Release(mPopped[s]);

  for (int c = 0; c < kMixerChannels; ++c)
  {
    bool active = false;
    if (c < n) active = b.reverseMixing ? b.reportedLevel[c] > 0.0 : mInFrames[c] > 0;
    mChannels[c].mActive = active ? 1u : 0u;
  }

  // The gains for the senders; only the external mixer writes them.
  if (!b.extMixer) return;
  const bool propagate = b.reverseMixing || mPropagateSenderGain.Load() != 0;
  // The last frame's gains, as the senders apply them in their next block.
  const int last = mLastChunkFrames - 1;
  for (int c = 0; c < kNumSendSlots; ++c)
    slots[c]->mSenderGain = propagate ? (c < n ? mGain[c][last] : 0.0) : 1.0;
}

// ---------------------------------------------------------------------------------------------------------
// Sender

void MixerEngine::ProcessSender(const double* const* inputs, double* const* outputs, int nFrames,
                                int connectedInputs, int connectedOutputs)
{
  SendSlot& slot = *SendSlotTable::Slot(static_cast<int>(mPluginMode.Load() - kPluginModeSendFirst));
  const double* in0 = inputs[0];
  const double* in1 = connectedInputs >= 2 && inputs[1] ? inputs[1] : in0;
  if (!in0 || !outputs[0] || (connectedOutputs >= 2 && !outputs[1])) return;

  if (mReverseMixing.Load() >= 1)
    slot.Clear();
  else
    slot.Push(in0, connectedInputs >= 2 ? in1 : nullptr, nFrames);

  // The detectors measure this block here, or a mixer measures it with the other senders' (SenderMeter.h).
  const bool holdsFlag = mSenderMeter.BeginBlock(slot, mLaneIsa);
  SenderMeter::Record* record = mSenderMeter.HandOver(holdsFlag, nFrames);
  const SenderSettings set = TakeSenderSettings(
      slot, holdsFlag ? ESenderTimes::kApply : (record ? ESenderTimes::kTake : ESenderTimes::kLeave));
  const PanFactors pan = PanLawFactors(set.pan);
  const bool stereo = connectedOutputs >= 2;
  const double attackCoefficient = mSenderGain.mAttack;
  const double releaseCoefficient = mSenderGain.mRelease;
  double value = mSenderGain.mValue;
  if (record)
  {
    record->slot = &slot;
    record->frames = nFrames;
    record->preFilter = set.preFilter;
    record->stereo = stereo;
    record->newTimes = !holdsFlag && set.newTimes;
    record->attack = set.attack;
    record->hold = set.hold;
    record->release = set.release;
    record->weight = set.weight;
    record->gainConstant = true;
    record->gainValue = value;
  }
  else
    std::fill(mSenderWork[2], mSenderWork[2] + kSenderChunkFrames, set.weight);

  // Every frame of the block is processed and written, also past the 8,192 frames a slot carries.
  for (int offset = 0; offset < nFrames; offset += kSenderChunkFrames)
  {
    const int frames = std::min(kSenderChunkFrames, nFrames - offset);
    double* const left = record ? record->left + offset : mSenderWork[0];
    double* const right = stereo ? (record ? record->right + offset : mSenderWork[1]) : left;
    double* const gain = record ? record->gain + offset : mSenderWork[3];
    if (stereo)
      OnLaneIsa<ReadChannel>::Run(mLaneIsa, in0 + offset, in1 + offset, frames, frames, set.mono, set.preGain,
                                  left, right);
    else
      OnLaneIsa<ReadOneSide>::Run(mLaneIsa, in0 + offset, set.preGain, frames, left);
    // A gain settled on its target keeps its value for the whole chunk; a record then holds just the
    // value, until a chunk where it moves.
    if (record && record->gainConstant && value == set.target)
    {
      OnLaneIsa<WriteSenderSide<double>>::Run(mLaneIsa, left, value, pan.left, pan.centred, frames,
                                              outputs[0] + offset);
      if (stereo)
        OnLaneIsa<WriteSenderSide<double>>::Run(mLaneIsa, right, value, pan.right, pan.centred, frames,
                                                outputs[1] + offset);
      continue;
    }
    if (record && record->gainConstant)
    {
      std::fill(record->gain, record->gain + offset, record->gainValue);
      record->gainConstant = false;
    }
    value = StepSenderGain(attackCoefficient, releaseCoefficient, value, set.target, frames, gain);
    // Detector 1 takes the audio times the weight, detector 2 the audio times the gain.
    if (!record && holdsFlag)
      mSenderMeter.MeasureNow(set.preFilter, left, right, mSenderWork[2], gain, frames, mLaneIsa);
    OnLaneIsa<WriteSenderSide<const double*>>::Run(mLaneIsa, left, gain, pan.left, pan.centred, frames,
                                                   outputs[0] + offset);
    if (stereo)
      OnLaneIsa<WriteSenderSide<const double*>>::Run(mLaneIsa, right, gain, pan.right, pan.centred, frames,
                                                     outputs[1] + offset);
  }
  for (int j = 2; stereo && j < connectedOutputs; ++j)
    std::fill(outputs[j], outputs[j] + nFrames, 0.0);
  mSenderGain.mValue = value;
  if (record) mSenderMeter.Publish();
  if (!holdsFlag) return;
  if (!record)
  {
    slot.mSenderLevel = mSenderDetectors[0].Level();
    slot.mSenderLevel2 = mSenderDetectors[1].Level();
  }
  mSenderMeter.EndBlock();
}

SenderSettings MixerEngine::TakeSenderSettings(const SendSlot& slot, ESenderTimes times)
{
  SenderSettings set;
  set.target = std::fabs(slot.mSenderGain.Load());
  if (slot.mReverseMixing.Load() < 1) return set;
  set.preGain = slot.mPreGain;
  set.weight = slot.mWeight;
  set.pan = slot.mPan;
  set.preFilter = slot.mPreFilter.Load() > 0;
  set.mono = slot.mMono.Load() >= 1;
  const double attack = slot.mAttack, hold = slot.mHold, release = slot.mRelease;
  // Any of the three times taken from the mixer reaches the detectors, not only the attack.
  set.newTimes = std::fabs(attack - mSenderAttack) > 0.001 || std::fabs(hold - mSenderHold) > 0.001 ||
                 std::fabs(release - mSenderRelease) > 0.001;
  if (!set.newTimes || times == ESenderTimes::kLeave) return set;
  mSenderAttack = set.attack = attack;
  mSenderHold = set.hold = hold;
  mSenderRelease = set.release = release;
  if (times == ESenderTimes::kApply)
    for (LevelDetector& d : mSenderDetectors)
      d.SetEnvelopeTimes(attack, hold, release);
  return set;
}
} // namespace iplugin
