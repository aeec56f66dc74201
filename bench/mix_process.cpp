// Cost of the mixing loop: 32 channels at 48 kHz with the speech pre-filter on, in each mix mode, in
// blocks of 512 frames. Reports the time per channel-sample and the real-time factor (seconds of audio
// mixed per second of one core).
#include "mixer/DetectorBank.h"
#include "mixer/MixerEngine.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <numbers>
#include <random>
#include <vector>

using namespace iplugin;

namespace
{
constexpr int kChannels = 32;
constexpr int kFrames = 512;
constexpr double kRate = 48000.0;
constexpr int kLoopBlocks = 16; // distinct input blocks, so the levels move as in speech

// A panel: a few talkers in turn over 32 microphones with noise and crosstalk. As in a host, each block
// arrives in the same input buffers, freshly written (and so in cache) just before the plug-in runs.
struct Session
{
  std::vector<std::vector<double>> samples; // per input channel, kLoopBlocks x kFrames
  std::vector<std::vector<double>> block;   // the host's input buffers
  std::vector<const double*> in;
  std::vector<std::vector<double>> out;
  std::vector<double*> outPtr;

  Session()
      : samples(2 * kChannels, std::vector<double>(kLoopBlocks * kFrames)),
        block(2 * kChannels, std::vector<double>(kFrames)), in(2 * kChannels),
        out(2, std::vector<double>(kFrames)), outPtr{out[0].data(), out[1].data()}
  {
    std::mt19937 rng(7);
    std::normal_distribution<double> noise(0.0, 0.003);
    for (int c = 0; c < kChannels; ++c)
      for (int i = 0; i < kLoopBlocks * kFrames; ++i)
      {
        const int talker = (i / (4 * kFrames)) % 4;
        const double voice = std::sin(2.0 * std::numbers::pi * (180.0 + 40.0 * talker) * i / kRate) *
                             (0.5 + 0.5 * std::sin(2.0 * std::numbers::pi * 3.0 * i / kRate));
        const double level = c == talker ? 0.3 : 0.03; // crosstalk about -20 dB
        samples[2 * c][i] = level * voice + noise(rng);
        samples[2 * c + 1][i] = samples[2 * c][i];
      }
  }

  // Writes block b into the input buffers (outside the timed part).
  void Point(int b)
  {
    for (int j = 0; j < 2 * kChannels; ++j)
    {
      const double* from = samples[j].data() + (b % kLoopBlocks) * kFrames;
      std::copy(from, from + kFrames, block[j].data());
      in[j] = block[j].data();
    }
  }
};

void BM_ProcessMix(benchmark::State& state)
{
  auto engine = std::make_unique<MixerEngine>();
  engine->ProcessingReset(kRate, kFrames);
  engine->mMixMode = static_cast<uint32_t>(state.range(0));
  engine->mStrength = static_cast<double>(state.range(1)) / 10.0;
  engine->mSpeechPreFilter = 1u;
  engine->mChannelCount = kChannels - 1;
  engine->mPreDelay = kPreDelayShort;
  engine->UpdateEnvelopeCoefficients();
  Session session;
  int block = 0;
  for (auto _ : state)
  {
    state.PauseTiming();
    session.Point(block++);
    state.ResumeTiming();
    engine->ProcessBlock(session.in.data(), session.outPtr.data(), kFrames, 2 * kChannels, 2, false);
    benchmark::DoNotOptimize(session.out[0][0]);
  }
  const double channelSamples = static_cast<double>(state.iterations()) * kFrames * kChannels;
  state.counters["ns_per_channel_sample"] =
      benchmark::Counter(channelSamples * 1e-9, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
  state.counters["realtime_x"] = benchmark::Counter(static_cast<double>(state.iterations()) * kFrames / kRate,
                                                    benchmark::Counter::kIsRate);
}
BENCHMARK(BM_ProcessMix)
    ->ArgNames({"mode", "strength_x10"})
    ->Args({kMixModeOff, 0})
    ->Args({kMixModeAuto, 0})
    ->Args({kMixModeAutoBal, 0})
    ->Args({kMixModePrio, 0})
    ->Args({kMixModeAutoBal, 5});
} // namespace

namespace
{
// A bank of 32 detectors over one block: one by one, or side by side.
void BM_DetectorBank(benchmark::State& state)
{
  std::vector<LevelDetector> detectors(kChannels);
  std::vector<LevelDetector*> bank;
  for (LevelDetector& d : detectors)
  {
    d.Prepare(kRate);
    d.SetEnvelopeTimes(0.3, 0.0, 0.3);
    bank.push_back(&d);
  }
  Session session;
  std::vector<std::vector<double>> levels(kChannels, std::vector<double>(kFrames));
  std::vector<double*> levelPtr;
  for (auto& l : levels)
    levelPtr.push_back(l.data());
  std::vector<const double*> left(kChannels), right(kChannels);
  int block = 0;
  for (auto _ : state)
  {
    state.PauseTiming();
    session.Point(block++);
    state.ResumeTiming();
    for (int c = 0; c < kChannels; ++c)
    {
      left[c] = session.in[2 * c];
      right[c] = session.in[2 * c + 1];
    }
    const bool preFilter = state.range(1) != 0;
    if (state.range(0) == 0)
      for (int c = 0; c < kChannels; ++c)
        detectors[c].ProcessBlock(preFilter, left[c], right[c], kFrames, levelPtr[c]);
    else
      ProcessDetectorsSideBySide(bank.data(), kChannels, preFilter, left.data(), right.data(), kFrames,
                                 levelPtr.data());
    benchmark::DoNotOptimize(levels[0][0]);
  }
  state.counters["ns_per_channel_sample"] =
      benchmark::Counter(static_cast<double>(state.iterations()) * kFrames * kChannels * 1e-9,
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_DetectorBank)->ArgNames({"side_by_side", "prefilter"})->Args({0, 1})->Args({1, 1})->Args({1, 0});
} // namespace
