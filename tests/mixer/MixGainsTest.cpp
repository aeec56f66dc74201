// The gain computation over a run longer than its working space gives what consecutive shorter runs give;
// a null solo/mute row gives what a row of ones gives.
#include "mixer/MixGains.h"
#include "mixer/MixerEngine.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

using namespace iplugin;

namespace
{
class MixGainsRuns : public testing::TestWithParam<std::tuple<uint32_t, ELaneIsa>>
{
};

TEST_P(MixGainsRuns, LongRunEqualsPiecesBitForBit)
{
  const uint32_t mode = std::get<0>(GetParam());
  const ELaneIsa isa = std::get<1>(GetParam());
  if (!LaneIsaSupported(isa)) GTEST_SKIP() << "the processor lacks this instruction set";
  constexpr int kChannels = 7, kFrames = 300, kRow = kFrames + MixGainJob::kRowPadding;
  std::mt19937 rng(mode);
  std::uniform_real_distribution<double> u(0.0, 0.5);
  // [0] one run, [1] in pieces, [2] one run with null rows where solo/mute is 1 throughout: a whole group
  // of four, and one channel beside others with rows.
  constexpr int kRuns = 3;
  const auto unitSoloMute = [](int c) { return c < 4 || c == 5; };
  std::vector<double> level[kRuns], soloMute[kRuns], target[kRuns], gain[kRuns];
  std::vector<GainSmoother> smoother[kRuns];
  for (int k = 0; k < kRuns; ++k)
  {
    level[k].resize(kChannels * kRow);
    soloMute[k].resize(kChannels * kRow);
    for (int i = 0; i < kChannels * kRow; ++i)
      soloMute[k][i] = unitSoloMute(i / kRow) ? 1.0 : 0.5 + 0.5 * std::sin(0.01 * i);
    target[k].resize(kChannels * kRow);
    gain[k].resize(kChannels * kRow);
    smoother[k].resize(kChannels);
  }
  for (int i = 0; i < kChannels * kRow; ++i)
    level[0][i] = level[1][i] = level[2][i] = u(rng) * ((i / 37) % 3 != 0);
  const bool bypass[kChannels] = {false, true, false, false, false, false, false};
  auto run = [&](int k, int start, int frames)
  {
    double *l[kChannels], *s[kChannels], *t[kChannels], *g[kChannels];
    GainSmoother* sm[kChannels];
    for (int c = 0; c < kChannels; ++c)
    {
      l[c] = &level[k][c * kRow + start];
      s[c] = k == 2 && unitSoloMute(c) ? nullptr : &soloMute[k][c * kRow + start];
      t[c] = &target[k][c * kRow + start];
      g[c] = &gain[k][c * kRow + start];
      sm[c] = &smoother[k][c];
      sm[c]->SetTimes(0.001, 0.0005, 0.002, 48000.0);
    }
    MixGainJob job;
    job.channels = kChannels;
    job.frames = frames;
    job.mixMode = mode;
    job.gate = 0.01;
    job.gateDb = -40.0;
    job.modAttn = 0.25;
    job.moderator = 2;
    job.bypass = bypass;
    job.levels = l;
    job.soloMute = s;
    job.smoothers = sm;
    job.targets = t;
    job.gains = g;
    ComputeMixGains(job, isa);
  };
  run(0, 0, kFrames);
  run(1, 0, 128);
  run(1, 128, 128);
  run(1, 256, 44);
  run(2, 0, kFrames);
  for (int k = 1; k < kRuns; ++k)
    for (int c = 0; c < kChannels; ++c)
      for (int i = 0; i < kFrames; ++i)
        ASSERT_EQ(gain[0][c * kRow + i], gain[k][c * kRow + i]) << k << " " << c << " " << i;
  EXPECT_GT(gain[0][kRow + kFrames - 1], 0.0); // the bypassed channel opens
}

INSTANTIATE_TEST_SUITE_P(Modes, MixGainsRuns,
                         testing::Combine(testing::Values(kMixModeOff, kMixModeAuto, kMixModeAutoBal,
                                                          kMixModePrio),
                                          testing::Values(kLaneIsaSse2, kLaneIsaAvx2, kLaneIsaAvx512)));
} // namespace
