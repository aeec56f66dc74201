// Samples per second of the level detector and the gain smoother over 32 channels, sample by sample (as
// the mixing loop calls them) and by blocks.
#include "mixer/LevelDetector.h"

#include <benchmark/benchmark.h>

#include <array>
#include <random>
#include <vector>

using namespace iplugin;

namespace
{
constexpr int kChannels = 32;
constexpr int kFrames = 512;
constexpr double kRate = 48000.0;

struct Bank
{
  std::array<LevelDetector, kChannels> detectors;
  std::array<GainSmoother, kChannels> smoothers;
  std::vector<double> left, right;

  Bank() : left(kChannels * kFrames), right(kChannels * kFrames)
  {
    std::mt19937 rng(1);
    std::uniform_real_distribution<double> noise(-0.5, 0.5);
    for (size_t i = 0; i < left.size(); ++i)
    {
      left[i] = noise(rng);
      right[i] = noise(rng);
    }
    for (int c = 0; c < kChannels; ++c)
    {
      detectors[c].Prepare(kRate);
      detectors[c].SetEnvelopeTimes(0.3, 0.1, 0.3);
      smoothers[c].SetTimes(0.3, 0.1, 0.3, kRate);
    }
  }
};

void BM_DetectorAndSmootherBySample(benchmark::State& state)
{
  Bank bank;
  const bool preFilter = state.range(0) != 0;
  for (auto _ : state)
  {
    for (int i = 0; i < kFrames; ++i)
      for (int c = 0; c < kChannels; ++c)
      {
        LevelDetector& d = bank.detectors[c];
        d.Process(preFilter, bank.left[c * kFrames + i], bank.right[c * kFrames + i]);
        bank.smoothers[c].Step(d.Level());
      }
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * kChannels * kFrames);
}
BENCHMARK(BM_DetectorAndSmootherBySample)->Arg(0)->Arg(1)->ArgName("prefilter");

void BM_DetectorAndSmootherByBlock(benchmark::State& state)
{
  Bank bank;
  const bool preFilter = state.range(0) != 0;
  std::array<double, kFrames> levels;
  for (auto _ : state)
  {
    for (int c = 0; c < kChannels; ++c)
    {
      bank.detectors[c].ProcessBlock(preFilter, &bank.left[c * kFrames], &bank.right[c * kFrames], kFrames,
                                     levels.data());
      bank.smoothers[c].ProcessBlock(levels.data(), kFrames, nullptr);
    }
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * kChannels * kFrames);
}
BENCHMARK(BM_DetectorAndSmootherByBlock)->Arg(0)->Arg(1)->ArgName("prefilter");
} // namespace
