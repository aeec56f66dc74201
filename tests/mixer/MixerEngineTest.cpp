// The mixing loop of "Int. Mixer": gains per mix mode, moderator ducking, solo, mute, bypass, weight,
// pre-delay, pan, outputs and the preparation and latency around it.
#include "MixerHarness.h"

#include "mixer/Decibels.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <tuple>

using namespace iplugin;
using namespace mixtest;

namespace
{
// Quiet channels: noise around -70 dBFS, below a -50 dB gate.
Signal Quiet(unsigned seed)
{
  return Noise(0.0005, seed);
}

TEST(MixerEngine, FreshEngineHasTheParameterDefaults)
{
  auto e = std::make_unique<MixerEngine>();
  EXPECT_EQ(e->mMixMode.Load(), kMixModeAutoBal);
  EXPECT_EQ(e->mSpeechPreFilter.Load(), 1u);
  EXPECT_EQ(e->mNoiseGate.Load(), -90.0);
  EXPECT_EQ(e->mChannelCount.Load(), 7u);
  EXPECT_EQ(e->mGroupNumber.Load(), 0u);
  EXPECT_EQ(e->mAttack.Load(), 0.3);
  EXPECT_EQ(e->mHold.Load(), 0.0);
  EXPECT_EQ(e->mRelease.Load(), 0.3);
  EXPECT_EQ(e->mModAttn.Load(), -12.0);
  EXPECT_EQ(e->mDawSync.Load(), 1u);
  EXPECT_EQ(e->mGuiScale.Load(), 1.0);
  EXPECT_EQ(e->mToggleTooltips.Load(), 1u);
  EXPECT_EQ(e->mOnlineUpdateCheck.Load(), 1u);
  EXPECT_EQ(e->mReverseMixing.Load(), 0u);
  EXPECT_EQ(e->mModeratorIndex.Load(), 0u);
  EXPECT_EQ(e->WantedLatency(), 0u);
  EXPECT_EQ(e->DspSampleRate(), 44100.0);
  for (const ChannelParamState& ch : e->mChannels)
  {
    EXPECT_EQ(ch.mPan.Load(), 0.0);
    EXPECT_EQ(ch.mSolo.Load(), 0u);
  }
}

struct LatencyCase
{
  uint32_t preDelay;
  uint32_t reverseMixing;
  uint32_t latency;
};

class MixerLatency : public testing::TestWithParam<LatencyCase>
{
};

TEST_P(MixerLatency, FollowsPreDelayAndIsZeroUnderReverseMixing)
{
  auto e = MakeEngine();
  e->mPreDelay = GetParam().preDelay;
  e->mReverseMixing = GetParam().reverseMixing;
  e->UpdateEnvelopeCoefficients();
  EXPECT_EQ(e->WantedLatency(), GetParam().latency);
  EXPECT_EQ(e->ComputeLatency(), GetParam().latency);
  // The lines get their length also while Reverse Mixing leaves them unused.
  EXPECT_EQ(e->mPreDelayLeft[5].mLength.Load(), GetParam().preDelay * 512u);
}

INSTANTIATE_TEST_SUITE_P(Table, MixerLatency,
                         testing::Values(LatencyCase{0, 0, 0}, LatencyCase{1, 0, 512},
                                         LatencyCase{2, 0, 1024}, LatencyCase{1, 1, 0},
                                         LatencyCase{2, 1, 0}));

TEST(MixerEngine, ProcessingResetPreparesOnlyOnAChange)
{
  auto e = std::make_unique<MixerEngine>();
  EXPECT_TRUE(e->ProcessingReset(48000.0, 512));
  EXPECT_EQ(e->DspSampleRate(), 48000.0);
  EXPECT_EQ(e->mMeterPeriod.mPeriodSamples, 2400u);
  EXPECT_FALSE(e->ProcessingReset(48000.0, 512));
  EXPECT_TRUE(e->ProcessingReset(48000.0, 1024));
  EXPECT_EQ(e->DspBlockSize(), 1024u);
  // A rate that is no rate is refused and changes nothing.
  EXPECT_FALSE(e->ProcessingReset(0.0, 2048));
  EXPECT_EQ(e->DspSampleRate(), 48000.0);
}

TEST(MixerEngine, HoldAndZeroTimesFollowTheRule)
{
  auto e = MakeEngine();
  e->mHold = 0.5;
  e->mAttack = 0.0;
  e->mRelease = 0.0;
  e->UpdateEnvelopeCoefficients();
  EXPECT_EQ(e->mMixSmoothers[3].mHoldSamples.Load(), 24000);
  EXPECT_EQ(e->mBankA[3].mEnvelope1.mHoldSamples.Load(), 24000);
  EXPECT_EQ(e->mMixSmoothers[3].mAttack.Load(), 0.0);
  EXPECT_EQ(e->mBankB[3].mEnvelope1.mRelease.Load(), 0.0);
  EXPECT_EQ(e->mMasterDetectors[0].mEnvelope1.mHoldSamples.Load(), 0);
}

// One talker among quiet channels, in every mode: the talker opens, the others close.
class OneTalker : public testing::TestWithParam<uint32_t>
{
};

TEST_P(OneTalker, GetsTheGainAndTheOthersClose)
{
  InternalMix mix({Quiet(1), Sine(0.3), Quiet(2), Quiet(3)});
  mix.engine->mMixMode = GetParam();
  mix.engine->mNoiseGate = -50.0;
  mix.engine->UpdateEnvelopeCoefficients();
  mix.Run(2.0);
  EXPECT_GT(mix.engine->MixGain(1), 0.999);
  for (int c : {0, 2, 3})
    EXPECT_LT(mix.engine->MixGain(c), 0.01) << c;
  // The mix carries the talker.
  double peak = 0.0;
  for (double v : mix.io.out[0])
    peak = std::max(peak, std::fabs(v));
  EXPECT_NEAR(peak, 0.3, 0.01);
}

INSTANTIATE_TEST_SUITE_P(Modes, OneTalker,
                         testing::Values(kMixModeOff, kMixModeAuto, kMixModeAutoBal, kMixModePrio));

// Two talkers at different levels share the gain as the mode's formula says, from the detected levels.
struct ShareCase
{
  uint32_t mode;
  double strength;
};

class TwoTalkers : public testing::TestWithParam<ShareCase>
{
};

TEST_P(TwoTalkers, ShareTheGainByTheFormula)
{
  InternalMix mix({Sine(0.5, 700.0), Sine(0.25, 1100.0)});
  MixerEngine& e = *mix.engine;
  e.mMixMode = GetParam().mode;
  e.mStrength = GetParam().strength;
  InstantTimes(e);
  mix.Run(1.0);
  const double p = std::pow(10.0, GetParam().strength);
  const double l0 = std::pow(e.mBankA[0].Level(), p), l1 = std::pow(e.mBankA[1].Level(), p);
  const double n = GetParam().mode == kMixModeAuto ? 2.0 : 1.0;
  const double g0 = std::min(n * l0 / (l0 + l1), 1.0), g1 = std::min(n * l1 / (l0 + l1), 1.0);
  EXPECT_NEAR(e.MixGain(0), g0, 1e-9);
  EXPECT_NEAR(e.MixGain(1), g1, 1e-9);
  if (GetParam().mode == kMixModeAutoBal && GetParam().strength == 0.0)
  {
    EXPECT_NEAR(e.MixGain(0), 2.0 / 3.0, 0.01);
    EXPECT_NEAR(e.MixGain(0) + e.MixGain(1), 1.0, 1e-9);
  }
  if (GetParam().mode == kMixModeAutoBal && GetParam().strength == 1.0)
  {
    EXPECT_NEAR(e.MixGain(0), 0.999, 0.001);
    EXPECT_NEAR(e.MixGain(1), 0.001, 0.001);
  }
}

INSTANTIATE_TEST_SUITE_P(Formula, TwoTalkers,
                         testing::Values(ShareCase{kMixModeAutoBal, 0.0}, ShareCase{kMixModeAutoBal, 1.0},
                                         ShareCase{kMixModeAuto, 0.0}, ShareCase{kMixModeAuto, 1.0},
                                         ShareCase{kMixModeAutoBal, -0.5}));

TEST(MixerEngine, AutoOpensEqualTalkersFullyAndAutoBalHalves)
{
  for (uint32_t mode : {kMixModeAuto, kMixModeAutoBal})
  {
    InternalMix mix({Sine(0.3), Sine(0.3), Quiet(4)});
    mix.engine->mMixMode = mode;
    mix.engine->mNoiseGate = -50.0;
    InstantTimes(*mix.engine);
    mix.Run(1.0);
    const double expected = mode == kMixModeAuto ? 1.0 : 0.5;
    EXPECT_NEAR(mix.engine->MixGain(0), expected, 1e-9) << mode;
    EXPECT_NEAR(mix.engine->MixGain(1), expected, 1e-9) << mode;
    EXPECT_EQ(mix.engine->MixGain(2), 0.0) << mode;
  }
}

TEST(MixerEngine, PrioPicksTheLoudestAndTheHigherChannelOnATie)
{
  InternalMix mix({Sine(0.2), Sine(0.4), Sine(0.3)});
  mix.engine->mMixMode = kMixModePrio;
  InstantTimes(*mix.engine);
  mix.Run(1.0);
  EXPECT_EQ(mix.engine->MixGain(1), 1.0);
  EXPECT_EQ(mix.engine->MixGain(0), 0.0);
  EXPECT_EQ(mix.engine->MixGain(2), 0.0);

  InternalMix tie({Sine(0.3), Sine(0.3), Quiet(5)});
  tie.engine->mMixMode = kMixModePrio;
  InstantTimes(*tie.engine);
  tie.Run(1.0);
  EXPECT_EQ(tie.engine->MixGain(1), 1.0);
  EXPECT_EQ(tie.engine->MixGain(0), 0.0);
}

TEST(MixerEngine, NothingOpensBelowTheGate)
{
  for (uint32_t mode : {kMixModeOff, kMixModeAuto, kMixModeAutoBal, kMixModePrio})
  {
    InternalMix mix({Quiet(1), Quiet(2)});
    mix.engine->mMixMode = mode;
    mix.engine->mNoiseGate = -40.0;
    mix.engine->mChannels[1].mBypass = 1u;
    mix.engine->UpdateEnvelopeCoefficients();
    mix.Run(1.5);
    EXPECT_EQ(mix.engine->MixGain(0), 0.0) << mode;
    // A bypassed channel always gets the gain 1.
    EXPECT_NEAR(mix.engine->MixGain(1), 1.0, 1e-4) << mode;
  }
}

struct DuckCase
{
  double modAttnDb;
  double factor;
};

class ModeratorDucking : public testing::TestWithParam<std::tuple<uint32_t, DuckCase>>
{
};

TEST_P(ModeratorDucking, SpeakingModeratorDucksTheOthers)
{
  const auto [mode, duck] = GetParam();
  // Channel 2 is the moderator; channels 0 and 1 talk equally loud; channel 3 is bypassed.
  InternalMix mix({Sine(0.3), Sine(0.3), Sine(0.2), Quiet(7)});
  MixerEngine& e = *mix.engine;
  e.mMixMode = mode;
  e.mModAttn = duck.modAttnDb;
  e.mModeratorIndex = 3u;
  e.mChannels[2].mModerator = 1u;
  e.mChannels[3].mBypass = 1u;
  InstantTimes(e);
  mix.Run(1.0);
  // Each mode's share of the two talkers without the moderator ("Prio": the tie goes to channel 1).
  double share[2] = {1.0, 1.0};
  if (mode == kMixModeAutoBal) share[0] = share[1] = 0.5;
  if (mode == kMixModePrio) share[0] = 0.0;
  EXPECT_EQ(e.MixGain(2), 1.0);
  EXPECT_NEAR(e.MixGain(0), share[0] * duck.factor, 1e-6);
  EXPECT_NEAR(e.MixGain(1), share[1] * duck.factor, 1e-6);
  EXPECT_EQ(e.MixGain(3), 1.0);
}

INSTANTIATE_TEST_SUITE_P(
    Attenuation, ModeratorDucking,
    testing::Combine(testing::Values(kMixModeOff, kMixModeAuto, kMixModeAutoBal, kMixModePrio),
                     testing::Values(DuckCase{-12.0, 0.25118864315095796}, DuckCase{-6.0, 0.5011872336272722},
                                     DuckCase{-24.0, 0.0}, DuckCase{0.0, 1.0})));

TEST(MixerEngine, SilentModeratorDucksNobody)
{
  InternalMix mix({Sine(0.3), Sine(0.3), Silence()});
  mix.engine->mModeratorIndex = 3u;
  mix.engine->mModAttn = -24.0;
  InstantTimes(*mix.engine);
  mix.Run(1.0);
  EXPECT_NEAR(mix.engine->MixGain(0), 0.5, 1e-9);
  EXPECT_EQ(mix.engine->MixGain(2), 0.0);
}

TEST(MixerEngine, SoloIgnoresMuteAndClosesTheRestByTenfoldPerTenthSecond)
{
  InternalMix mix({Sine(0.3), Sine(0.3), Sine(0.3)});
  MixerEngine& e = *mix.engine;
  e.mMixMode = kMixModeOff;
  e.mChannels[0].mMute = 1u;
  e.mChannels[0].mSolo = 1u;
  InstantTimes(e);
  mix.Run(1.0);
  EXPECT_NEAR(e.MixGain(0), 1.0, 1e-9);
  EXPECT_NEAR(e.mSoloMuteSmoothers[0].Value(), 1.0, 1e-9);
  EXPECT_EQ(e.mSoloMuteSmoothers[1].Value(), 0.0);
  // The mix carries channel 0 alone.
  const Signal s = Sine(0.3);
  for (int i = 0; i < kBlock; i += 37)
    EXPECT_NEAR(mix.io.out[0][i], s(mix.frame - kBlock + i), 1e-6);

  // Solo off: all open again, except the muted one, which fades over 0.1 s by a factor of ten.
  e.mChannels[0].mSolo = 0u;
  const double before = e.mSoloMuteSmoothers[1].Value();
  const long blocks = static_cast<long>(0.1 * kRate / kBlock);
  for (long b = 0; b < blocks; ++b)
    mix.Block();
  EXPECT_EQ(before, 0.0);
  EXPECT_GT(e.mSoloMuteSmoothers[1].Value(), 0.85);
  EXPECT_NEAR(e.mSoloMuteSmoothers[0].Value(), std::pow(0.1, blocks * kBlock / (0.1 * kRate)), 1e-3);
}

TEST(MixerEngine, MuteClosesAChannelAndItsShare)
{
  InternalMix mix({Sine(0.3), Sine(0.3)});
  mix.engine->mChannels[1].mMute = 1u;
  InstantTimes(*mix.engine);
  mix.Run(1.0);
  // The muted channel's level no longer counts: channel 0 takes all in "Auto Bal.".
  EXPECT_NEAR(mix.engine->MixGain(0), 1.0, 1e-6);
  EXPECT_LT(mix.engine->MixGain(1) * mix.engine->mSoloMuteSmoothers[1].Value(), 1e-6);
}

TEST(MixerEngine, WeightRaisesAChannelsShareWithoutChangingItsAudio)
{
  InternalMix mix({Sine(0.3), Sine(0.3)});
  MixerEngine& e = *mix.engine;
  e.mChannels[0].mWeightDb = 6.0;
  InstantTimes(e);
  mix.Run(1.0);
  const double w = DbToLinear(6.0);
  EXPECT_NEAR(e.MixGain(0), w / (w + 1.0), 1e-3);
  EXPECT_NEAR(e.mBankA[0].Level() / e.mBankA[1].Level(), w, 1e-6);
}

TEST(MixerEngine, PreGainScalesTheAudioAndTheLevel)
{
  InternalMix mix({Sine(0.1)});
  mix.engine->mChannels[0].mPreGainDb = 6.0;
  mix.engine->mChannels[0].mBypass = 1u;
  mix.Run(1.0);
  double peak = 0.0;
  for (double v : mix.io.out[1])
    peak = std::max(peak, std::fabs(v));
  EXPECT_NEAR(peak, 0.1 * DbToLinear(6.0), 1e-3);
}

class PreDelayShift : public testing::TestWithParam<uint32_t>
{
};

TEST_P(PreDelayShift, DelaysTheAudioByExactlyItsSamples)
{
  // A bypassed channel with its gain settled, then one impulse.
  InternalMix mix({Silence()});
  MixerEngine& e = *mix.engine;
  e.mChannels[0].mBypass = 1u;
  e.mPreDelay = GetParam();
  InstantTimes(e);
  mix.Run(1.5);
  const int delay = static_cast<int>(GetParam() * 512);
  mix.signals[0] = [start = mix.frame](long i) { return i == start + 100 ? 1.0 : 0.0; };
  std::vector<double> out;
  for (int b = 0; b < 4; ++b)
  {
    mix.Block();
    out.insert(out.end(), mix.io.out[0].begin(), mix.io.out[0].end());
  }
  const auto peak = std::max_element(out.begin(), out.end()) - out.begin();
  EXPECT_EQ(peak, 100 + delay);
  EXPECT_NEAR(out[peak], 1.0, 1e-9);
}

INSTANTIATE_TEST_SUITE_P(Lengths, PreDelayShift, testing::Values(0u, 1u, 2u));

TEST(MixerEngine, PanLawOnTheMix)
{
  for (double pan : {0.0, 100.0, -100.0, 50.0})
  {
    InternalMix mix({Sine(0.2)});
    mix.engine->mChannels[0].mBypass = 1u;
    mix.engine->mChannels[0].mPan = pan;
    mix.Run(1.0);
    double left = 0.0, right = 0.0;
    for (int i = 0; i < kBlock; ++i)
    {
      left = std::max(left, std::fabs(mix.io.out[0][i]));
      right = std::max(right, std::fabs(mix.io.out[1][i]));
    }
    double gl = 0.2, gr = 0.2;
    ApplyPanLaw(pan, gl, gr);
    EXPECT_NEAR(left, gl, 1e-3) << pan;
    EXPECT_NEAR(right, gr, 1e-3) << pan;
  }
}

TEST(MixerEngine, MultiChannelOutputCarriesEachChannelWithTheMainVolume)
{
  InternalMix mix({Sine(0.2), Sine(0.1, 500.0)}, 4);
  MixerEngine& e = *mix.engine;
  e.mMultiChannelOutput = 1u;
  e.mMainVolume = -6.0;
  e.mChannels[0].mBypass = 1u;
  e.mChannels[1].mBypass = 1u;
  InstantTimes(e);
  mix.Run(1.0);
  const double main = DbToLinear(-6.0);
  for (int i = 0; i < kBlock; i += 13)
    for (int c = 0; c < 2; ++c)
    {
      const double expected = mix.signals[c](mix.frame - kBlock + i) * main;
      EXPECT_NEAR(mix.io.out[2 * c][i], expected, 1e-6);
      EXPECT_NEAR(mix.io.out[2 * c + 1][i], expected, 1e-6);
    }
  EXPECT_EQ(e.mMasterDetectors[0].Level(), 0.0);
  EXPECT_EQ(e.mMasterDetectors[1].Peak(), 0.0);
}

TEST(MixerEngine, StereoSumFeedsTheMasterMetersAndClearsFurtherOutputs)
{
  InternalMix mix({Sine(0.5)}, 4);
  mix.engine->mChannels[0].mBypass = 1u;
  mix.Run(1.0);
  EXPECT_NEAR(mix.engine->mMasterDetectors[0].Level(), 0.5 * 603.0 / 602.0, 0.01);
  for (int j : {2, 3})
    for (double v : mix.io.out[j])
      ASSERT_EQ(v, 0.0);
}

TEST(MixerEngine, ChannelsPastTheCountAreNotMixed)
{
  InternalMix mix({Sine(0.3), Sine(0.3)});
  mix.engine->mChannelCount = 0u;
  InstantTimes(*mix.engine);
  mix.Run(1.0);
  EXPECT_NEAR(mix.engine->MixGain(0), 1.0, 1e-9);
  EXPECT_EQ(mix.engine->MixGain(1), 0.0);
  EXPECT_EQ(mix.engine->mBankA[1].Level(), 0.0);
  EXPECT_EQ(mix.engine->mChannels[1].mActive.Load(), 0u);
  EXPECT_EQ(mix.engine->mChannels[0].mActive.Load(), 1u);
  EXPECT_EQ(mix.engine->ChannelsInUse(), 1);
  mix.engine->mChannelCount = 40u;
  EXPECT_EQ(mix.engine->ChannelsInUse(), 32);
}

TEST(MixerEngine, PeriodsSetTheRequestsOncePerFiftyMilliseconds)
{
  InternalMix mix({Sine(0.3)});
  MixerEngine& e = *mix.engine;
  e.mWriteAutomation = 1u;
  // 2,400 samples = 4.69 blocks of 512: due after the fifth block, not before.
  for (int b = 0; b < 4; ++b)
    mix.Block();
  EXPECT_EQ(e.mMetersDue.Load(), 0);
  mix.Block();
  EXPECT_EQ(e.mMetersDue.Load(), 1);
  EXPECT_EQ(e.mAutomationDue.Load(), 1);
  EXPECT_EQ(e.mMeterPeriod.mCounter, 5u * 512u - 2400u);
  e.mMetersDue = uint8_t{0};
  e.mAutomationDue = uint8_t{0};
  e.mWriteAutomation = 0u;
  mix.Run(0.5);
  EXPECT_EQ(e.mMetersDue.Load(), 1);
  EXPECT_EQ(e.mAutomationDue.Load(), 0);
}
} // namespace

namespace
{
// A host may hand the same buffers as inputs and outputs: the mix must come out as with separate ones.
struct InPlaceCase
{
  int channels; // host channels, in = out
  uint32_t reverseMixing;
  uint32_t multiChannelOutput;
};

class InPlace : public testing::TestWithParam<InPlaceCase>
{
};

TEST_P(InPlace, EqualsSeparateBuffers)
{
  const InPlaceCase pc = GetParam();
  auto separate = MakeEngine(), shared = MakeEngine();
  for (MixerEngine* e : {separate.get(), shared.get()})
  {
    e->mReverseMixing = pc.reverseMixing;
    e->mMultiChannelOutput = pc.multiChannelOutput;
    e->mChannelCount = 3u;
    e->mChannels[1].mPan = 40.0;
    e->mPreDelay = kPreDelayShort;
    e->UpdateEnvelopeCoefficients();
  }
  Io io(pc.channels, pc.channels);
  Io inPlace(pc.channels, pc.channels);
  std::vector<double*> sharedPtr;
  for (auto& v : inPlace.in)
    sharedPtr.push_back(v.data());
  for (int b = 0; b < 20; ++b)
  {
    for (int j = 0; j < pc.channels; ++j)
      for (int i = 0; i < kBlock; ++i)
        io.in[j][i] = inPlace.in[j][i] = std::sin(0.01 * (j + 1) * (b * kBlock + i)) * (j % 3 + 1) * 0.2;
    separate->ProcessBlock(io.inPtr.data(), io.outPtr.data(), kBlock, pc.channels, pc.channels, false);
    shared->ProcessBlock(sharedPtr.data(), sharedPtr.data(), kBlock, pc.channels, pc.channels, false);
    for (int j = 0; j < pc.channels; ++j)
      ASSERT_EQ(io.out[j], inPlace.in[j]) << b << " " << j;
  }
}

INSTANTIATE_TEST_SUITE_P(Buffers, InPlace,
                         testing::Values(InPlaceCase{1, 0, 0}, InPlaceCase{1, 1, 1}, InPlaceCase{1, 1, 0},
                                         InPlaceCase{1, 0, 1}, InPlaceCase{2, 0, 0}, InPlaceCase{8, 0, 1},
                                         InPlaceCase{8, 1, 1}, InPlaceCase{2, 1, 0}));
} // namespace
