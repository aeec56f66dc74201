// The mixing loop and the sender against the plain path: one frame at a time, each detector, smoother and
// delay line stepped on its own, in the order of the per-sample steps. The engine's blocked, side-shared
// and vectorised work must give the same outputs, gains, levels and peaks bit for bit, whatever the mode,
// settings and input.
#include "MixerHarness.h"
#include "mixer/ArgMax.h"
#include "mixer/Decibels.h"
#include "mixer/FiniteSamples.h"
#include "mixer/PanLaw.h"

#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <random>
#include <tuple>
#include <vector>

using namespace iplugin;
using namespace mixtest;

namespace
{
bool SameBits(double a, double b)
{
  return std::memcmp(&a, &b, sizeof a) == 0;
}

// The plain path, stepping the DSP state of its own engine (prepared like the one under test).
class PlainMixer
{
public:
  explicit PlainMixer(MixerEngine& state) : e(state) {}

  void Block(const double* const* inputs, double* const* outputs, int frames, int inputCount, int outputCount)
  {
    const double* in[kMixerChannelPointers] = {};
    for (int j = 0; j < std::min(inputCount, kMixerChannelPointers); ++j)
      in[j] = inputs[j];
    if (inputCount == 1) in[1] = in[0];
    for (int s = 0; s < frames; ++s)
      Frame(in, outputs, s, outputCount);
  }

private:
  void Frame(const double* const* in, double* const* out, int s, int outputCount)
  {
    const int n = e.ChannelsInUse();
    const uint32_t mode = std::min<uint32_t>(e.mMixMode.Load(), kMixModePrio);
    const bool preFilter = e.mSpeechPreFilter.Load() == 1;
    const double p = std::pow(10.0, e.mStrength.Load());
    const double gateDb = e.mNoiseGate.Load();
    const double gate = DbToLinear(gateDb);
    const double modAttn = e.mModAttn.Load() < -23.9 ? 0.0 : DbToLinear(e.mModAttn.Load());
    const double main = DbToLinear(e.mMainVolume.Load());
    const uint32_t moderator = e.mModeratorIndex.Load();
    const int m = moderator >= 1 && moderator <= uint32_t(n) ? int(moderator) - 1 : -1;
    bool anySolo = false;
    for (int c = 0; c < n; ++c)
      anySolo = anySolo || e.mChannels[c].mSolo.Load() != 0;

    double L[kMixerChannels] = {}, R[kMixerChannels] = {}, g[kMixerChannels] = {}, l[kMixerChannels];
    double soloMute[kMixerChannels] = {};
    for (int c = 0; c < n; ++c)
    {
      const ChannelParamState& ch = e.mChannels[c];
      L[c] = in[2 * c] ? FiniteOrSilence(in[2 * c][s]) : 0.0;
      R[c] = in[2 * c + 1] ? FiniteOrSilence(in[2 * c + 1][s]) : 0.0;
      if (ch.mMono.Load() != 0) L[c] = R[c] = (L[c] + R[c]) * 0.5;
      const double target = anySolo ? (ch.mSolo.Load() != 0 ? 1.0 : 0.0) : (ch.mMute.Load() != 0 ? 0.0 : 1.0);
      soloMute[c] = e.mSoloMuteSmoothers[c].Step(target);
      const double preGain = DbToLinear(ch.mPreGainDb.Load()), weight = DbToLinear(ch.mWeightDb.Load());
      L[c] *= preGain;
      R[c] *= preGain;
      e.mBankA[c].Process(preFilter, L[c] * weight, R[c] * weight);
    }

    const bool prio = mode == kMixModePrio;
    const double floor = prio ? kSilenceDb : 0.0;
    const double threshold = prio ? gateDb : gate;
    for (int c = 0; c < kMixerChannels; ++c)
    {
      const double level = c < n ? e.mBankA[c].Level() : 0.0;
      l[c] = c >= n                 ? floor
             : mode == kMixModeOff ? level
             : prio                ? LinearToDb(level * soloMute[c])
                                   : level * soloMute[c];
    }
    bool moderatorSpeaks = false;
    if (m >= 0 && l[m] > threshold)
    {
      l[m] = floor;
      moderatorSpeaks = true;
    }
    for (int c = 0; c < n; ++c)
      if (threshold > l[c] || e.mChannels[c].mBypass.Load() != 0) l[c] = floor;
    if (mode == kMixModeOff)
    {
      double sum = 0.0;
      for (int c = 0; c < n; ++c)
        sum += l[c];
      for (int c = 0; c < n; ++c)
        if (sum > 0.0 && l[c] > gate) g[c] = 1.0;
    }
    else if (prio)
    {
      const int w = ArgMax32(l, gateDb);
      if (w >= 0 && w < n) g[w] = 1.0;
    }
    else
    {
      double sum = 0.0;
      int active = 0;
      for (int c = 0; c < n; ++c)
      {
        active += l[c] > 0.0 ? 1 : 0;
        if (p != 1.0 && l[c] != 0.0) l[c] = std::pow(l[c], p);
        sum += l[c];
      }
      const double scale = mode == kMixModeAuto ? double(active) : 1.0;
      for (int c = 0; c < n; ++c)
        if (sum > 0.0) g[c] = std::min(scale * l[c] / sum, 1.0);
    }
    if (moderatorSpeaks)
    {
      for (int c = 0; c < n; ++c)
        g[c] *= modAttn;
      g[m] = 1.0;
    }
    for (int c = 0; c < n; ++c)
    {
      const bool bypass = e.mChannels[c].mBypass.Load() != 0;
      g[c] = e.mMixSmoothers[c].Step(std::fabs(bypass ? 1.0 : g[c])) * soloMute[c];
      e.mPreDelayLeft[c].Process(&L[c], 1);
      e.mPreDelayRight[c].Process(&R[c], 1);
      e.mBankB[c].Process(preFilter, L[c] * g[c], R[c] * g[c]);
      const PanFactors pan = PanLawFactors(e.mChannels[c].mPan.Load());
      if (!pan.centred)
      {
        L[c] *= pan.left;
        R[c] *= pan.right;
      }
    }

    if (e.mMultiChannelOutput.Load() != 0)
    {
      for (int c = 0; c < kMixerChannels && 2 * c < outputCount; ++c)
      {
        const double left = c < n ? L[c] * g[c] * main : 0.0, right = c < n ? R[c] * g[c] * main : 0.0;
        if (outputCount == 1)
          out[0][s] = (left + right) * 0.5;
        else
        {
          out[2 * c][s] = left;
          if (2 * c + 1 < outputCount) out[2 * c + 1][s] = right;
        }
      }
      e.mMasterDetectors[0].Process(false, 0.0, 0.0);
      e.mMasterDetectors[1].Process(false, 0.0, 0.0);
      return;
    }
    double sumL = 0.0, sumR = 0.0;
    for (int c = 0; c < n; ++c)
    {
      sumL += L[c] * g[c];
      sumR += R[c] * g[c];
    }
    sumL *= main;
    sumR *= main;
    if (outputCount == 1)
    {
      out[0][s] = (sumL + sumR) * 0.5;
      e.mMasterDetectors[0].Process(false, out[0][s], out[0][s]);
      e.mMasterDetectors[1].Process(false, out[0][s], out[0][s]);
      return;
    }
    out[0][s] = sumL;
    out[1][s] = sumR;
    for (int j = 2; j < outputCount; ++j)
      out[j][s] = 0.0;
    e.mMasterDetectors[0].Process(false, sumL, sumL);
    e.mMasterDetectors[1].Process(false, sumR, sumR);
  }

  MixerEngine& e;
};

// The sender's plain path: each frame through the pre-gain, detector 1, the gain follower and detector 2.
class PlainSender
{
public:
  explicit PlainSender(MixerEngine& state) : e(state) {}

  void Block(const SendSlot& slot, const double* const* in, double* const* out, int frames, int inputCount,
             int outputCount)
  {
    const double* in0 = in[0];
    const double* in1 = inputCount >= 2 ? in[1] : in0;
    const SenderSettings set = e.TakeSenderSettings(slot);
    const bool mono = set.mono, preFilter = set.preFilter;
    const double target = set.target, preGain = set.preGain, weight = set.weight;
    const PanFactors pan = PanLawFactors(set.pan);
    double value = e.mSenderGain.mValue;
    for (int i = 0; i < frames; ++i)
    {
      double l = FiniteOrSilence(in0[i]);
      double r = outputCount >= 2 ? FiniteOrSilence(in1[i]) : l;
      if (mono && outputCount >= 2) l = r = (l + r) * 0.5;
      l *= preGain;
      r *= preGain;
      e.mSenderDetectors[0].Process(preFilter, l * weight, r * weight);
      const double coefficient = target > value ? e.mSenderGain.mAttack : e.mSenderGain.mRelease;
      value = (value - target) * coefficient + target;
      l *= value;
      r *= value;
      e.mSenderDetectors[1].Process(preFilter, l, r);
      if (!pan.centred)
      {
        l *= pan.left;
        r *= pan.right;
      }
      out[0][i] = l;
      if (outputCount >= 2) out[1][i] = r;
      for (int j = 2; j < outputCount; ++j)
        out[j][i] = 0.0;
    }
    e.mSenderGain.mValue = value;
  }

private:
  MixerEngine& e;
};

// Random settings for both engines; a few channels change between blocks.
void Randomise(std::mt19937& rng, MixerEngine& a, MixerEngine& b, bool everything)
{
  std::uniform_real_distribution<double> u(0.0, 1.0);
  auto pick = [&](int count) { return static_cast<uint32_t>(rng() % static_cast<uint32_t>(count)); };
  auto both = [&](auto member, auto value)
  {
    (a.*member) = value;
    (b.*member) = value;
  };
  if (everything)
  {
    both(&MixerEngine::mMixMode, pick(4));
    both(&MixerEngine::mStrength, pick(3) == 0 ? u(rng) * 2.0 - 1.0 : 0.0);
    both(&MixerEngine::mSpeechPreFilter, pick(4) == 0 ? 0u : 1u);
    both(&MixerEngine::mPreDelay, pick(3));
    both(&MixerEngine::mNoiseGate, -90.0 + 70.0 * u(rng));
    both(&MixerEngine::mModAttn, pick(4) == 0 ? -24.0 : -24.0 * u(rng));
    both(&MixerEngine::mAttack, pick(3) == 0 ? 0.0 : 0.05 * u(rng));
    both(&MixerEngine::mHold, pick(2) == 0 ? 0.0 : 0.01 * u(rng));
    both(&MixerEngine::mRelease, pick(3) == 0 ? 0.0 : 0.05 * u(rng));
    both(&MixerEngine::mChannelCount, pick(2) == 0 ? 31u : pick(32));
    both(&MixerEngine::mModeratorIndex, pick(3) == 0 ? pick(33) : 0u);
    both(&MixerEngine::mMainVolume, pick(2) == 0 ? 0.0 : 48.0 * u(rng) - 24.0);
    both(&MixerEngine::mMultiChannelOutput, pick(4) == 0 ? 1u : 0u);
    a.UpdateEnvelopeCoefficients();
    b.UpdateEnvelopeCoefficients();
  }
  const int changes = everything ? kMixerChannels : 3;
  for (int k = 0; k < changes; ++k)
  {
    const int c = everything ? k : int(pick(kMixerChannels));
    const uint32_t mono = pick(4) == 0, bypass = pick(10) == 0, mute = pick(8) == 0, solo = pick(40) == 0;
    const double preGain = pick(2) == 0 ? 0.0 : 48.0 * u(rng) - 24.0;
    const double weight = pick(2) == 0 ? 0.0 : 48.0 * u(rng) - 24.0;
    const double pan = pick(2) == 0 ? 0.0 : 240.0 * u(rng) - 120.0;
    for (MixerEngine* e : {&a, &b})
    {
      ChannelParamState& ch = e->mChannels[c];
      ch.mMono = mono;
      ch.mBypass = bypass;
      ch.mMute = mute;
      ch.mSolo = solo;
      ch.mPreGainDb = preGain;
      ch.mWeightDb = weight;
      ch.mPan = pan;
    }
  }
}

// Talk spurts and silences; the right side is often the left one, so that the sides run alike for a while
// and then part.
void FillInputs(std::mt19937& rng, std::vector<std::vector<double>>& in, long start, int frames)
{
  std::uniform_real_distribution<double> u(-1.0, 1.0);
  for (size_t j = 0; j < in.size(); ++j)
  {
    const int c = int(j / 2);
    const bool copyLeft = j % 2 == 1 && (start / 700 + c) % 3 != 0;
    for (int i = 0; i < frames; ++i)
    {
      const long t = start + i;
      const bool on = (t / (250 + 37 * c) + c) % 4 != 0;
      in[j][size_t(i)] = copyLeft ? in[j - 1][size_t(i)] : on ? u(rng) * (0.02 + 0.03 * (c % 7)) : 0.0;
      // Now and then a sample that is not a number, which enters as silence.
      if (c == 4 && t % 997 == 5) in[j][size_t(i)] = j % 2 ? std::numeric_limits<double>::infinity() : std::nan("");
    }
  }
}

struct PlainCase
{
  int inputs;
  int outputs;
  unsigned seed;
};

class MixerPlainPath : public testing::TestWithParam<std::tuple<PlainCase, ELaneIsa>>
{
};

TEST_P(MixerPlainPath, GivesTheSameMixBitForBit)
{
  const auto [pc, isa] = GetParam();
  if (!LaneIsaSupported(isa)) GTEST_SKIP() << "the processor lacks this instruction set";
  std::mt19937 rng(pc.seed);
  for (int trial = 0; trial < 6; ++trial)
  {
    auto fast = MakeEngine(), plainState = MakeEngine();
    fast->mLaneIsa = isa;
    PlainMixer plain(*plainState);
    Randomise(rng, *fast, *plainState, true);
    std::vector<std::vector<double>> in(size_t(pc.inputs), std::vector<double>(1100));
    std::vector<std::vector<double>> outFast(size_t(pc.outputs), std::vector<double>(1100));
    auto outPlain = outFast;
    std::vector<const double*> inPtr;
    std::vector<double*> fastPtr, plainPtr;
    for (auto& v : in)
      inPtr.push_back(v.data());
    // Unconnected channels in the middle of the inputs read as silence.
    if (pc.inputs > 8) inPtr[5] = inPtr[6] = nullptr;
    for (size_t j = 0; j < outFast.size(); ++j)
    {
      fastPtr.push_back(outFast[j].data());
      plainPtr.push_back(outPlain[j].data());
    }
    long t = 0;
    for (int block = 0; block < 8; ++block)
    {
      const int frames = block % 4 == 3 ? 1 + int(rng() % 1100) : kBlock;
      FillInputs(rng, in, t, frames);
      if (block > 0) Randomise(rng, *fast, *plainState, false);
      fast->ProcessMix(inPtr.data(), fastPtr.data(), frames, pc.inputs, pc.outputs, false);
      plain.Block(inPtr.data(), plainPtr.data(), frames, pc.inputs, pc.outputs);
      t += frames;
      for (size_t j = 0; j < outFast.size(); ++j)
        for (int i = 0; i < frames; ++i)
          ASSERT_TRUE(SameBits(outFast[j][size_t(i)], outPlain[j][size_t(i)]))
              << "trial " << trial << " block " << block << " output " << j << " frame " << i << ": "
              << outFast[j][size_t(i)] << " vs " << outPlain[j][size_t(i)] << " mode " << fast->mMixMode.Load();
      for (int c = 0; c < kMixerChannels; ++c)
      {
        ASSERT_TRUE(SameBits(fast->MixGain(c), plainState->MixGain(c))) << trial << " " << block << " " << c;
        ASSERT_TRUE(SameBits(fast->mBankA[c].Level(), plainState->mBankA[c].Level())) << c;
        ASSERT_TRUE(SameBits(fast->mBankA[c].Peak(), plainState->mBankA[c].Peak())) << c;
        ASSERT_TRUE(SameBits(fast->mBankB[c].Level(), plainState->mBankB[c].Level())) << c;
        ASSERT_TRUE(SameBits(fast->mBankB[c].Peak(), plainState->mBankB[c].Peak())) << c;
      }
      ASSERT_TRUE(SameBits(fast->mMasterDetectors[0].Peak(), plainState->mMasterDetectors[0].Peak()));
      ASSERT_TRUE(SameBits(fast->mMasterDetectors[1].Level(), plainState->mMasterDetectors[1].Level()));
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Layouts, MixerPlainPath,
                         testing::Combine(testing::Values(PlainCase{64, 2, 1}, PlainCase{64, 2, 2},
                                                          PlainCase{64, 2, 3}, PlainCase{64, 64, 4},
                                                          PlainCase{64, 1, 5}, PlainCase{2, 2, 6},
                                                          PlainCase{1, 1, 7}, PlainCase{20, 5, 8}),
                                          testing::Values(kLaneIsaSse2, kLaneIsaAvx2, kLaneIsaAvx512)));

// What the mixer hands a sender through its slot, drawn anew for a block: sometimes nothing changes.
void RandomiseSlot(std::mt19937& rng, SendSlot& slot)
{
  std::uniform_real_distribution<double> u(0.0, 1.0);
  auto pick = [&](int count) { return static_cast<uint32_t>(rng() % static_cast<uint32_t>(count)); };
  if (pick(3) == 0) return;
  slot.mReverseMixing = pick(3) == 0 ? 0u : 1u;
  slot.mPreFilter = pick(2);
  slot.mMono = pick(3) == 0 ? 1u : 0u;
  slot.mPreGain = pick(4) == 0 ? 0.0 : 4.0 * u(rng);
  slot.mWeight = pick(4) == 0 ? 1.0 : 4.0 * u(rng);
  slot.mPan = pick(2) == 0 ? 0.0 : 200.0 * u(rng) - 100.0;
  slot.mSenderGain = pick(4) == 0 ? 1.0 : pick(4) == 0 ? 0.0 : 2.0 * u(rng) - 0.5;
  if (pick(2) == 0)
  {
    slot.mAttack = pick(3) == 0 ? 0.0 : 0.05 * u(rng);
    slot.mHold = pick(2) == 0 ? 0.0 : 0.01 * u(rng);
    slot.mRelease = pick(3) == 0 ? 0.0 : 0.05 * u(rng);
  }
}

class SenderPlainPath : public testing::TestWithParam<std::tuple<PlainCase, ELaneIsa>>
{
};

// Three senders, each against its plain path. Now and then a mixer takes its turn (before or after the
// senders), which makes them hand their blocks over and measures them side by side, and now and then a
// mixer holds a sender's meter through its block. Outputs match at every block; levels and detectors
// match whenever nothing is pending, and after every mixer's turn.
TEST_P(SenderPlainPath, GivesTheSameOutputAndLevelsBitForBit)
{
  const auto [pc, isa] = GetParam();
  if (!LaneIsaSupported(isa)) GTEST_SKIP() << "the processor lacks this instruction set";
  std::mt19937 rng(pc.seed);
  constexpr int kSenders = 3;
  constexpr int kFirstSlot = 5;
  constexpr int kMaxFrames = 2100; // past a hand-over record
  struct Sender
  {
    std::unique_ptr<MixerEngine> fast = MakeEngine(), plainState = MakeEngine();
    std::vector<std::vector<double>> in, outFast, outPlain;
    std::vector<const double*> inPtr;
    std::vector<double*> fastPtr, plainPtr;
    long t = 0;
  };
  const auto mixerTurn = [isa = isa] { SenderMeter::MeasurePendingSenders(SendSlotTable::Slots(), kNumSendSlots, isa); };
  for (int trial = 0; trial < 4; ++trial)
  {
    SendSlotTable::ResetAll();
    std::vector<Sender> senders(kSenders);
    for (int k = 0; k < kSenders; ++k)
    {
      Sender& s = senders[size_t(k)];
      for (MixerEngine* e : {s.fast.get(), s.plainState.get()})
        e->mPluginMode = kPluginModeSendFirst + kFirstSlot + uint32_t(k);
      s.fast->mLaneIsa = isa;
      s.in.assign(size_t(pc.inputs), std::vector<double>(kMaxFrames));
      s.outFast.assign(size_t(pc.outputs), std::vector<double>(kMaxFrames));
      s.outPlain = s.outFast;
      for (auto& v : s.in)
        s.inPtr.push_back(v.data());
      for (size_t j = 0; j < s.outFast.size(); ++j)
      {
        s.fastPtr.push_back(s.outFast[j].data());
        s.plainPtr.push_back(s.outPlain[j].data());
      }
    }
    for (int block = 0; block < 12; ++block)
    {
      const bool mixerFirst = rng() % 3 == 0, mixerAfter = rng() % 2 == 0;
      if (mixerFirst) mixerTurn();
      for (int k = 0; k < kSenders; ++k)
      {
        Sender& s = senders[size_t(k)];
        SendSlot& slot = *SendSlotTable::Slot(kFirstSlot + k);
        // Block lengths around the engine's chunks, and past the frames a slot or a record carries.
        const int frames = (block + k) % 3 == 2 ? 1 + int(rng() % kMaxFrames) : kBlock;
        FillInputs(rng, s.in, s.t, frames);
        // Now and then a sample that is not a number, which enters as silence.
        if (block % 4 == 1) s.in[0][size_t(frames / 2)] = std::nan("");
        RandomiseSlot(rng, slot);
        // The sender's own "Reverse Mixing" decides only whether it queues its audio.
        s.fast->mReverseMixing = rng() % 2;
        const bool held = rng() % 4 == 0 && s.fast->mSenderMeter.Pending() < SenderMeter::kRecords &&
                          frames <= SenderMeter::kRecordFrames;
        if (held) s.fast->mSenderMeter.Acquire(isa);
        s.fast->ProcessMix(s.inPtr.data(), s.fastPtr.data(), frames, pc.inputs, pc.outputs, false);
        if (held) s.fast->mSenderMeter.Release();
        PlainSender(*s.plainState).Block(slot, s.inPtr.data(), s.plainPtr.data(), frames, pc.inputs, pc.outputs);
        s.t += frames;
        for (size_t j = 0; j < s.outFast.size(); ++j)
          for (int i = 0; i < frames; ++i)
            ASSERT_TRUE(SameBits(s.outFast[j][size_t(i)], s.outPlain[j][size_t(i)]))
                << "trial " << trial << " block " << block << " sender " << k << " output " << j << " frame "
                << i << ": " << s.outFast[j][size_t(i)] << " vs " << s.outPlain[j][size_t(i)];
        ASSERT_TRUE(SameBits(s.fast->mSenderGain.mValue, s.plainState->mSenderGain.mValue)) << trial << " " << block;
      }
      if (mixerAfter) mixerTurn();
      for (int k = 0; k < kSenders; ++k)
      {
        Sender& s = senders[size_t(k)];
        const SendSlot& slot = *SendSlotTable::Slot(kFirstSlot + k);
        ASSERT_EQ(s.fast->mSenderMeter.Unmeasured(), 0u);
        if (s.fast->mSenderMeter.Pending() > 0) continue;
        const LevelDetector* plain = s.plainState->mSenderDetectors;
        ASSERT_TRUE(SameBits(slot.mSenderLevel, plain[0].Level())) << trial << " " << block << " " << k;
        ASSERT_TRUE(SameBits(slot.mSenderLevel2, plain[1].Level())) << trial << " " << block << " " << k;
        for (int d = 0; d < 2; ++d)
          ASSERT_TRUE(SameBits(s.fast->mSenderDetectors[d].Peak(), plain[d].Peak())) << d;
      }
    }
  }
}

// A mixer held up through several of a sender's blocks: two are handed over, the next is left unmeasured
// (never waited for); the audio is never touched.
TEST(SenderMeterTest, BlocksPastTheRecordsWhileAMixerHoldsTheMeterAreLeftUnmeasured)
{
  auto sender = MakeEngine();
  sender->mPluginMode = kPluginModeSendFirst + 9;
  Io io(1, 1, kBlock);
  std::fill(io.in[0].begin(), io.in[0].end(), 0.25);
  sender->mSenderMeter.Acquire(kLaneIsaBest);
  for (int block = 0; block < 3; ++block)
  {
    sender->ProcessMix(io.inPtr.data(), io.outPtr.data(), kBlock, 1, 1, false);
    EXPECT_EQ(io.out[0], io.in[0]);
  }
  EXPECT_EQ(sender->mSenderMeter.Pending(), 2u);
  EXPECT_EQ(sender->mSenderMeter.Unmeasured(), 1u);
  sender->mSenderMeter.Release();
  SenderMeter::MeasurePendingSenders(SendSlotTable::Slots(), kNumSendSlots, kLaneIsaBest);
  EXPECT_EQ(sender->mSenderMeter.Pending(), 0u);
  EXPECT_GT(SendSlotTable::Slot(9)->mSenderLevel.Load(), 0.0);
}

INSTANTIATE_TEST_SUITE_P(Layouts, SenderPlainPath,
                         testing::Combine(testing::Values(PlainCase{1, 1, 11}, PlainCase{2, 2, 12},
                                                          PlainCase{2, 2, 13}, PlainCase{1, 2, 14},
                                                          PlainCase{2, 1, 15}, PlainCase{2, 4, 16}),
                                          testing::Values(kLaneIsaSse2, kLaneIsaAvx2, kLaneIsaAvx512)));
} // namespace
