// "Send CH n" instances and an "Ext. Mixer" in one process, exchanging audio, levels and gains through the
// send slots; Reverse Mixing on both sides; the table left alone by an "Int. Mixer".
#include "MixerHarness.h"

#include "mixer/Decibels.h"
#include "mixer/PanLaw.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

using namespace iplugin;
using namespace mixtest;

namespace
{
// One instance with its own stereo (or mono) track.
struct Instance
{
  std::unique_ptr<MixerEngine> engine = MakeEngine();
  Signal signal;
  Io io;

  Instance(uint32_t mode, Signal s, int inputs = 2, int outputs = 2, int frames = kBlock)
      : signal(std::move(s)), io(inputs, outputs, frames)
  {
    engine->mPluginMode = mode;
  }

  void Block(long frame, int frames = kBlock, bool transportRunning = false)
  {
    for (auto& ch : io.in)
      for (int i = 0; i < frames; ++i)
        ch[i] = signal(frame + i);
    engine->ProcessBlock(io.inPtr.data(), io.outPtr.data(), frames, static_cast<int>(io.in.size()),
                         static_cast<int>(io.out.size()), transportRunning);
  }
};

// Senders on slots 0..k-1 and one external mixer; each cycle renders every sender, then the mixer.
struct Session
{
  std::vector<std::unique_ptr<Instance>> senders;
  Instance mixer{kPluginModeExtMixer, Silence()};
  long frame = 0;

  explicit Session(std::vector<Signal> tracks)
  {
    SendSlotTable::ResetAll();
    for (size_t s = 0; s < tracks.size(); ++s)
      senders.push_back(
          std::make_unique<Instance>(kPluginModeSendFirst + static_cast<uint32_t>(s), tracks[s]));
    mixer.engine->mChannelCount = static_cast<uint32_t>(tracks.size() - 1);
    mixer.engine->mNoiseGate = -50.0;
  }

  void Cycle()
  {
    for (auto& s : senders)
      s->Block(frame);
    mixer.Block(frame);
    frame += kBlock;
  }

  void Run(double seconds)
  {
    for (long b = 0; b < static_cast<long>(seconds * kRate / kBlock); ++b)
      Cycle();
  }

  MixerEngine& Mixer() { return *mixer.engine; }
};

double Peak(const std::vector<double>& v)
{
  double p = 0.0;
  for (double x : v)
    p = std::max(p, std::fabs(x));
  return p;
}

class SendersAndMixer : public testing::TestWithParam<bool>
{
};

TEST_P(SendersAndMixer, ExchangeAudioAndGains)
{
  const bool propagate = GetParam();
  Session session({Sine(0.3), Noise(0.0005, 3)});
  session.Mixer().mPropagateSenderGain = propagate ? 1u : 0u;
  session.Run(2.0);

  // The mixer hears the talker through slot 0, in the same cycle.
  MixerEngine& m = session.Mixer();
  EXPECT_GT(m.MixGain(0), 0.999);
  EXPECT_LT(m.MixGain(1), 1e-3);
  const Signal talker = Sine(0.3);
  for (int i = 0; i < kBlock; i += 17)
    EXPECT_NEAR(session.mixer.io.out[0][i], talker(session.frame - kBlock + i) * m.MixGain(0), 1e-3);
  EXPECT_EQ(m.mChannels[0].mActive.Load(), 1u);
  EXPECT_EQ(m.mChannels[1].mActive.Load(), 1u);
  EXPECT_EQ(m.mChannels[2].mActive.Load(), 0u);

  Instance& talkerSender = *session.senders[0];
  Instance& quietSender = *session.senders[1];
  if (!propagate)
  {
    EXPECT_EQ(SendSlotTable::Slot(1)->mSenderGain.Load(), 1.0);
    // Gain 1.0: the senders pass their tracks through unchanged.
    EXPECT_EQ(talkerSender.io.out[0], talkerSender.io.in[0]);
    EXPECT_EQ(quietSender.io.out[1], quietSender.io.in[1]);
  }
  else
  {
    EXPECT_NEAR(SendSlotTable::Slot(0)->mSenderGain.Load(), m.MixGain(0), 1e-3);
    EXPECT_LT(SendSlotTable::Slot(1)->mSenderGain.Load(), 1e-3);
    EXPECT_LT(Peak(quietSender.io.out[0]), 1e-6);
    for (int i = 0; i < kBlock; i += 17)
      EXPECT_NEAR(talkerSender.io.out[1][i], talkerSender.io.in[1][i], 1e-3);
    // Channels past the count hand their senders the gain 0.
    EXPECT_EQ(SendSlotTable::Slot(5)->mSenderGain.Load(), 0.0);
  }
  // Each sender reports its level; the queue drains every cycle.
  EXPECT_NEAR(SendSlotTable::Slot(0)->mSenderLevel.Load(), 0.3, 0.01);
  EXPECT_EQ(SendSlotTable::Slot(0)->Count(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Propagation, SendersAndMixer, testing::Bool());

TEST(SendPath, ClosingAChannelReachesTheSenderWithinMilliseconds)
{
  Session session({Sine(0.3), Sine(0.3)});
  session.Mixer().mPropagateSenderGain = 1u;
  InstantTimes(session.Mixer());
  session.Run(1.0);
  // Mute channel 1 at the mixer: its solo/mute gain fades over 0.1 s and the sender follows within 1 ms.
  session.Mixer().mChannels[1].mMute = 1u;
  session.Run(0.5);
  EXPECT_LT(SendSlotTable::Slot(1)->mSenderGain.Load(), 1e-6);
  EXPECT_LT(Peak(session.senders[1]->io.out[0]), 1e-6);
  EXPECT_NEAR(Peak(session.senders[0]->io.out[0]), 0.3, 1e-3);
}

TEST(SendPath, ReverseMixingRoundTrip)
{
  Session session({Sine(0.3), Noise(0.0005, 9)});
  MixerEngine& m = session.Mixer();
  m.mReverseMixing = 1u;
  m.mPreDelay = kPreDelayLong;
  m.mMainVolume = -6.0;
  m.mChannels[0].mPan = 100.0;
  m.mChannels[0].mPreGainDb = 6.0;
  m.UpdateEnvelopeCoefficients();
  for (auto& s : session.senders)
  {
    s->engine->mReverseMixing = 1u;
    s->engine->UpdateEnvelopeCoefficients();
  }
  session.mixer.signal = Sine(0.1, 300.0);
  session.Run(2.0);

  EXPECT_EQ(m.WantedLatency(), 0u);
  // No audio moves: nothing is queued.
  EXPECT_EQ(SendSlotTable::Slot(0)->Count(), 0u);
  EXPECT_EQ(SendSlotTable::Slot(0)->mReverseMixing.Load(), 1u);
  // The mixer takes the senders' levels as its channel levels and meters.
  EXPECT_EQ(m.mBankA[0].Level(), SendSlotTable::Slot(0)->mSenderLevel.Load());
  EXPECT_EQ(m.mBankB[0].Level(), SendSlotTable::Slot(0)->mSenderLevel2.Load());
  EXPECT_NEAR(m.mBankA[0].Level(), 0.3 * DbToLinear(6.0), 0.02);
  EXPECT_GT(m.MixGain(0), 0.999);
  EXPECT_LT(m.MixGain(1), 1e-3);
  // The talker's sender applies the mixer's pre-gain, gain and pan (+3 dB right, left silent).
  Instance& talker = *session.senders[0];
  EXPECT_LT(Peak(talker.io.out[0]), 1e-9);
  double l = 1.0, r = 1.0;
  ApplyPanLaw(100.0, l, r);
  EXPECT_NEAR(Peak(talker.io.out[1]), 0.3 * DbToLinear(6.0) * r, 0.01);
  EXPECT_LT(Peak(session.senders[1]->io.out[0]), 1e-6);
  // The mixer's outputs carry its own inputs times the main volume.
  for (int i = 0; i < kBlock; i += 23)
    EXPECT_NEAR(session.mixer.io.out[0][i], session.mixer.io.in[0][i] * DbToLinear(-6.0), 1e-12);
}

TEST(SendPath, SenderOutsideReverseMixingFillsTheQueueYetTakesTheMixersSettings)
{
  Session session({Sine(0.3)});
  MixerEngine& m = session.Mixer();
  m.mReverseMixing = 1u;
  m.mChannels[0].mPreGainDb = -6.0;
  session.Run(2.0);
  // Nobody pops: two blocks queued, the rest dropped.
  EXPECT_EQ(SendSlotTable::Slot(0)->Count(), 2u);
  EXPECT_NEAR(Peak(session.senders[0]->io.out[0]), 0.3 * DbToLinear(-6.0), 1e-3);
}

TEST(SendPath, HoldOrReleaseAloneReachTheSenderDetectors)
{
  for (int which : {0, 1, 2})
  {
    Session session({Sine(0.3)});
    MixerEngine& m = session.Mixer();
    m.mReverseMixing = 1u;
    session.senders[0]->engine->mReverseMixing = 1u;
    session.Run(0.1);
    Relaxed<double>* times[3] = {&m.mAttack, &m.mHold, &m.mRelease};
    *times[which] = 1.0;
    m.UpdateEnvelopeCoefficients();
    session.Run(0.1);
    const GainSmoother& env = session.senders[0]->engine->mSenderDetectors[0].mEnvelope1;
    GainSmoother expected;
    expected.SetTimes(m.mAttack, m.mHold, m.mRelease, kRate);
    EXPECT_EQ(env.mAttack.Load(), expected.mAttack.Load()) << which;
    EXPECT_EQ(env.mHoldSamples.Load(), expected.mHoldSamples.Load()) << which;
    EXPECT_EQ(env.mRelease.Load(), expected.mRelease.Load()) << which;
  }
}

TEST(SendPath, DawSyncAndTheResetRequestClearTheSlots)
{
  Session session({Sine(0.3), Sine(0.2)});
  // Senders alone for three cycles: each queue holds two blocks.
  for (int b = 0; b < 3; ++b)
    for (auto& s : session.senders)
      s->Block(b * kBlock);
  EXPECT_EQ(SendSlotTable::Slot(0)->Count(), 2u);

  MixerEngine& m = session.Mixer();
  session.mixer.Block(0, kBlock, false);
  EXPECT_EQ(SendSlotTable::Slot(0)->Count(), 1u);
  EXPECT_EQ(m.mInternalBufferCount.Load(), 2u);

  // The transport starts: the slots restart empty.
  session.mixer.Block(0, kBlock, true);
  EXPECT_EQ(SendSlotTable::Slot(0)->Count(), 0u);
  EXPECT_EQ(m.mInternalBufferCount.Load(), 0u);
  // Running on: no further reset.
  for (auto& s : session.senders)
    s->Block(0);
  for (auto& s : session.senders)
    s->Block(0);
  session.mixer.Block(0, kBlock, true);
  EXPECT_EQ(SendSlotTable::Slot(1)->Count(), 1u);

  // Without DAW sync a start changes nothing; the editor's reset request does.
  m.mDawSync = 0u;
  session.mixer.Block(0, kBlock, false);
  for (auto& s : session.senders)
    s->Block(0);
  session.mixer.Block(0, kBlock, true);
  EXPECT_EQ(SendSlotTable::Slot(1)->Count(), 0u); // popped the one queued
  for (auto& s : session.senders)
    s->Block(0);
  for (auto& s : session.senders)
    s->Block(0);
  m.mResetRequest = uint8_t{1};
  session.mixer.Block(0, kBlock, false);
  EXPECT_EQ(SendSlotTable::Slot(1)->Count(), 0u);
  EXPECT_EQ(m.mResetRequest.Load(), 0);
}

TEST(SendPath, AnInternalMixerLeavesTheTableAlone)
{
  SendSlotTable::ResetAll();
  SendSlot& slot = *SendSlotTable::Slot(3);
  const std::vector<double> block(kBlock, 0.5);
  slot.Push(block.data(), nullptr, kBlock);
  slot.mSenderGain = 0.25;
  slot.mReverseMixing = 1u;
  for (uint32_t reverse : {0u, 1u})
  {
    InternalMix mix({Sine(0.3), Sine(0.3), Sine(0.3), Sine(0.3), Sine(0.3)});
    mix.engine->mReverseMixing = reverse;
    mix.engine->mResetRequest = uint8_t{1};
    mix.Run(0.2);
    EXPECT_TRUE(mix.engine->ProcessingReset(44100.0, 256));
    EXPECT_EQ(slot.mSenderGain.Load(), 0.25);
    EXPECT_EQ(slot.mReverseMixing.Load(), 1u);
    EXPECT_EQ(slot.mPreGain.Load(), 1.0);
    EXPECT_EQ(slot.Count(), 1u);
  }
  // An external mixer's processing reset clears the table.
  auto ext = MakeEngine();
  ext->mPluginMode = kPluginModeExtMixer;
  // The same rate and block size again: no new preparation, yet the table is reset.
  EXPECT_FALSE(ext->ProcessingReset(kRate, kBlock));
  EXPECT_EQ(slot.Count(), 0u);
  EXPECT_EQ(slot.mSenderGain.Load(), 1.0);
}

TEST(SendPath, FramesPastTheSlotsBlockReadAsSilence)
{
  // A mixer block longer than 8,192 frames, and one longer than what the sender pushed.
  struct Case
  {
    int senderFrames;
    int mixerFrames;
  };
  for (Case c : {Case{10000, 10000}, Case{256, 512}})
  {
    SendSlotTable::ResetAll();
    Instance sender(
        kPluginModeSendFirst, [](long) { return 0.9; }, 2, 2, 10000);
    Instance mixer(kPluginModeExtMixer, Silence(), 2, 2, 10000);
    mixer.engine->mChannelCount = 0u;
    mixer.engine->mChannels[0].mBypass = 1u;
    InstantTimes(*mixer.engine);
    // Full blocks first, so that both ring entries hold old audio past what comes next.
    for (int b = 0; b < 40; ++b)
    {
      sender.Block(0, c.mixerFrames);
      mixer.Block(0, c.mixerFrames);
    }
    sender.Block(0, c.senderFrames);
    mixer.Block(0, c.mixerFrames);
    const int carried = std::min({c.senderFrames, c.mixerFrames, kSendBlockFrames});
    EXPECT_NEAR(mixer.io.out[0][carried - 1], 0.9, 1e-3) << c.senderFrames;
    for (int i = carried; i < c.mixerFrames; ++i)
      ASSERT_EQ(mixer.io.out[0][i], 0.0) << c.senderFrames << " " << i;
    // The sender's own outputs are written for its whole block, also past 8,192 frames.
    for (int i = 0; i < c.senderFrames; ++i)
      ASSERT_NEAR(sender.io.out[1][i], 0.9, 1e-12) << i;
  }
}

TEST(SendPath, SenderOutputsAreAlwaysWritten)
{
  SendSlotTable::ResetAll();
  // A mono track into a stereo output writes both sides; a mono output only its one.
  Instance monoToStereo(kPluginModeSendFirst + 4, Sine(0.2), 1, 2);
  monoToStereo.Block(0);
  EXPECT_EQ(monoToStereo.io.out[0], monoToStereo.io.in[0]);
  EXPECT_EQ(monoToStereo.io.out[1], monoToStereo.io.in[0]);
  Instance mono(kPluginModeSendFirst + 5, Sine(0.2), 1, 1);
  mono.Block(0);
  EXPECT_EQ(mono.io.out[0], mono.io.in[0]);
  // The mono track reached its slot in both channels.
  SendSlot::Block block = SendSlotTable::Slot(5)->Pop(kBlock);
  ASSERT_TRUE(block);
  EXPECT_EQ(block.left[100], mono.io.in[0][100]);
  EXPECT_EQ(block.right[100], mono.io.in[0][100]);
  SendSlotTable::Slot(5)->Release(block);
}

TEST(SendPath, OneOutputCarriesTheMonoSumWithTheMainVolumeOnce)
{
  InternalMix mix({Sine(0.2)}, 1);
  mix.io = Io(1, 1);
  MixerEngine& e = *mix.engine;
  e.mChannels[0].mBypass = 1u;
  e.mMainVolume = 6.0;
  InstantTimes(e);
  for (int b = 0; b < 100; ++b)
  {
    for (int i = 0; i < kBlock; ++i)
      mix.io.in[0][i] = mix.signals[0](mix.frame + i);
    e.ProcessBlock(mix.io.inPtr.data(), mix.io.outPtr.data(), kBlock, 1, 1, false);
    mix.frame += kBlock;
  }
  for (int i = 0; i < kBlock; i += 11)
    EXPECT_NEAR(mix.io.out[0][i], mix.io.in[0][i] * DbToLinear(6.0), 1e-9);
  EXPECT_NEAR(e.mMasterDetectors[0].Level(), 0.2 * DbToLinear(6.0), 0.01);
}

TEST(SendPath, ShorterPreDelayWrapsItsPosition)
{
  PreDelayLine line;
  line.Prepare(kRate);
  line.SetLength(1024);
  std::vector<double> ramp(800);
  for (int i = 0; i < 800; ++i)
    ramp[i] = i + 1.0;
  line.Process(ramp.data(), 800);
  line.SetLength(512);
  double x = -1.0;
  line.Process(&x, 1);
  // Position 800 wraps to 288, which holds the 289th sample.
  EXPECT_EQ(x, 289.0);
  EXPECT_EQ(line.mPosition, 289u);
  // A rate too low for the longest delay cuts it to the capacity.
  PreDelayLine slow;
  slow.Prepare(100.0);
  slow.SetLength(1024);
  EXPECT_EQ(slow.mLength.Load(), 300u);
  slow.Prepare(0.01);
  EXPECT_EQ(slow.mCapacity.Load(), 1u);
}

// Against a plain ring of kMaxSamples cleared samples: random lengths and block sizes, the line's buffer
// filled with garbage before each Prepare (what it held before must never be heard).
TEST(SendPath, PreDelayLineIsAPlainDelayFromAClearedRing)
{
  std::mt19937 rng(5);
  PreDelayLine line;
  std::vector<double> ring;
  uint32_t position = 0;
  for (int round = 0; round < 400; ++round)
  {
    if (round % 100 == 0)
    {
      std::fill(std::begin(line.mBuffer), std::end(line.mBuffer), 1e300);
      line.Prepare(kRate);
      ring.assign(PreDelayLine::kMaxSamples, 0.0);
      position = 0;
    }
    const uint32_t length = rng() % 3 == 0 ? 0 : 1 + rng() % PreDelayLine::kMaxSamples;
    line.SetLength(length);
    std::vector<double> block(1 + rng() % 700), expected;
    for (double& x : block)
      x = double(rng() % 1000);
    expected = block;
    if (length > 0)
    {
      position %= length;
      for (double& x : expected)
      {
        std::swap(x, ring[position]);
        position = (position + 1) % length;
      }
    }
    EXPECT_EQ(line.Process(block.data(), int(block.size())), length > 0);
    ASSERT_EQ(block, expected) << "round " << round;
  }
}

TEST(SendPath, ProcessingResetKeepsTheStorageInPlace)
{
  auto e = MakeEngine();
  const double* buffer = e->mPreDelayLeft[7].mBuffer;
  e->mPreDelay = kPreDelayLong;
  e->UpdateEnvelopeCoefficients();
  EXPECT_TRUE(e->ProcessingReset(96000.0, 4096));
  EXPECT_EQ(e->mPreDelayLeft[7].mBuffer, buffer);
  EXPECT_EQ(e->mPreDelayLeft[7].mLength.Load(), 1024u);
  EXPECT_EQ(e->mPreDelayLeft[7].mCapacity.Load(), 1024u);
}
} // namespace

namespace
{
enum EPoisonedPath
{
  kInternalMixer,
  kExternalMixer,
  kReverseMixing
};

// A quiet track with a few samples of the given value at 1 s.
Signal Poisoned(double value)
{
  Signal quiet = Noise(0.0005, 3);
  return [=](long i) { return i >= long(kRate) && i < long(kRate) + 5 ? value : quiet(i); };
}

bool AllFinite(const Io& io)
{
  for (const auto& channel : io.out)
    for (double x : channel)
      if (!std::isfinite(x)) return false;
  return true;
}

class NonFiniteInput : public testing::TestWithParam<std::tuple<EPoisonedPath, double>>
{
};
} // namespace

// A talker on channel 0 beside a track with a few NaN or infinite samples: they count as silence where
// they enter (mixer input, sender input, slot block), so every output stays finite and the talker keeps
// its gain.
TEST_P(NonFiniteInput, IsSilenceAndTheMixKeepsGoing)
{
  const auto [path, value] = GetParam();
  const long blocks = static_cast<long>(2.0 * kRate / kBlock);
  MixerEngine* m = nullptr;
  if (path == kInternalMixer)
  {
    InternalMix mix({Sine(0.3), Poisoned(value)});
    mix.engine->mNoiseGate = -50.0;
    for (long b = 0; b < blocks; ++b)
    {
      mix.Block();
      ASSERT_TRUE(AllFinite(mix.io)) << "block " << b;
    }
    EXPECT_GT(mix.engine->MixGain(0), 0.9);
    EXPECT_TRUE(std::isfinite(mix.engine->mBankA[1].Level()));
    return;
  }
  Session session({Sine(0.3), Poisoned(value)});
  session.mixer.signal = Poisoned(value); // read by Reverse Mixing's pass-through
  m = &session.Mixer();
  if (path == kReverseMixing)
  {
    m->mReverseMixing = 1u;
    for (auto& s : session.senders)
      s->engine->mReverseMixing = 1u;
  }
  for (long b = 0; b < blocks; ++b)
  {
    session.Cycle();
    ASSERT_TRUE(AllFinite(session.mixer.io)) << "block " << b;
    for (auto& s : session.senders)
      ASSERT_TRUE(AllFinite(s->io)) << "block " << b;
  }
  EXPECT_GT(m->MixGain(0), 0.9);
  EXPECT_TRUE(std::isfinite(SendSlotTable::Slot(1)->mSenderLevel.Load()));
  EXPECT_TRUE(std::isfinite(m->mBankA[1].Level()));
}

INSTANTIATE_TEST_SUITE_P(Paths, NonFiniteInput,
                         testing::Combine(testing::Values(kInternalMixer, kExternalMixer, kReverseMixing),
                                          testing::Values(std::nan(""), HUGE_VAL, -HUGE_VAL)));

// A non-finite value that reaches a mirror or a slot value reads as 0, never as NaN in the audio.
TEST(SendPath, NonFiniteMirrorsReadAsZero)
{
  Session session({Sine(0.3)});
  MixerEngine& m = session.Mixer();
  m.mMainVolume = std::nan("");
  m.mChannels[0].mPreGainDb = HUGE_VAL;
  m.mStrength = -HUGE_VAL;
  EXPECT_EQ(m.mMainVolume.Load(), 0.0);
  session.Run(0.5);
  SendSlotTable::Slot(0)->mSenderGain = std::nan("");
  EXPECT_EQ(SendSlotTable::Slot(0)->mSenderGain.Load(), 0.0);
  session.senders[0]->Block(session.frame);
  EXPECT_TRUE(AllFinite(session.senders[0]->io));
  EXPECT_TRUE(AllFinite(session.mixer.io));
  EXPECT_NEAR(Peak(session.mixer.io.out[0]), 0.3, 0.05);
}
