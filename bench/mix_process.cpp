// Cost of the mixing loop: 32 channels at 48 kHz with the speech pre-filter on, in each mix mode, in
// blocks of 512 frames. Reports the time per channel-sample (per connected channel where only some are
// connected) and the real-time factor (seconds of audio mixed per second of one core), and, against a
// minimal scalar automixer loop run on the same input in the same process, their ratio. For the table the
// engine's cases and the reference take turns, a batch of blocks each in every round (the order reversed
// every other round), so that the machine's changing speed favours neither; it prints the medians of the
// rounds and of each round's ratio.
#include "mixer/DetectorBank.h"
#include "mixer/MixerEngine.h"

#include "mixer/Decibels.h"
#include "mixer/PanLaw.h"
#include "mixer/TimeConstants.h"

#include "bench/Rounds.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <iterator>
#include <string>
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

// Times one mix of a block over the session's blocks, each freshly written into the input buffers outside
// the timed part. The cost is counted per sample of each of the `channels` channels that carry input.
template <class Mix> void TimeBlocks(benchmark::State& state, Mix& mix, int channels = kChannels)
{
  Session session;
  int block = 0;
  for (auto _ : state)
  {
    state.PauseTiming();
    session.Point(block++);
    state.ResumeTiming();
    mix(session);
    benchmark::DoNotOptimize(session.out[0][0]);
  }
  const double channelSamples = static_cast<double>(state.iterations()) * kFrames * channels;
  state.counters["ns_per_channel_sample"] =
      benchmark::Counter(channelSamples * 1e-9, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
  state.counters["realtime_x"] = benchmark::Counter(static_cast<double>(state.iterations()) * kFrames / kRate,
                                                    benchmark::Counter::kIsRate);
}

// The engine's cases: mix mode, Strength x 10, channels connected.
struct EngineCase
{
  int mode, strength, connected;
};
constexpr EngineCase kEngineCases[] = {{kMixModeOff, 0, kChannels},     {kMixModeAuto, 0, kChannels},
                                       {kMixModeAutoBal, 0, kChannels}, {kMixModePrio, 0, kChannels},
                                       {kMixModeAutoBal, 5, kChannels}, {kMixModeAuto, 0, 8}};

// The engine of a case, and one block of its mix. Channels past `connected` have no input (the host left
// their buses unconnected).
struct EngineMix
{
  std::shared_ptr<MixerEngine> engine = std::make_shared<MixerEngine>(); // shared by the copies
  int connected;

  explicit EngineMix(const EngineCase& c) : connected(c.connected)
  {
    engine->ProcessingReset(kRate, kFrames);
    engine->mMixMode = static_cast<uint32_t>(c.mode);
    engine->mStrength = static_cast<double>(c.strength) / 10.0;
    engine->mSpeechPreFilter = 1u;
    engine->mChannelCount = kChannels - 1;
    engine->mPreDelay = kPreDelayShort;
    engine->UpdateEnvelopeCoefficients();
  }

  void operator()(Session& session)
  {
    std::fill(session.in.begin() + 2 * connected, session.in.end(), nullptr);
    engine->ProcessBlock(session.in.data(), session.outPtr.data(), kFrames, 2 * kChannels, 2, false);
  }
};

void BM_ProcessMix(benchmark::State& state)
{
  const EngineCase c = {static_cast<int>(state.range(0)), static_cast<int>(state.range(1)),
                        static_cast<int>(state.range(2))};
  EngineMix mix(c);
  TimeBlocks(state, mix, c.connected);
}
BENCHMARK(BM_ProcessMix)
    ->ArgNames({"mode", "strength_x10", "connected"})
    ->Apply(
        [](benchmark::internal::Benchmark* b)
        {
          for (const EngineCase& c : kEngineCases)
            b->Args({c.mode, c.strength, c.connected});
        });

// The reference: the least an automixer does per channel-sample, written plainly as scalar code. Two
// envelopes (level and peak), the level in dB, the gate, each channel's share of the summed levels, a
// one-pole gain smoother, the pan and the sum.
struct ReferenceMixer
{
  double level[kChannels] = {}, peak[kChannels] = {}, gain[kChannels] = {};
  double panLeft[kChannels], panRight[kChannels];
  double attack = TimeCoefficient(0.3, kRate), release = TimeCoefficient(0.3, kRate);
  double peakRelease = TimeCoefficient(0.1, kRate), smooth = TimeCoefficient(0.3, kRate);
  double gateDb = -90.0;

  ReferenceMixer()
  {
    for (int c = 0; c < kChannels; ++c)
    {
      const PanFactors pan = PanLawFactors(c % 2 ? 20.0 : 0.0);
      panLeft[c] = pan.left;
      panRight[c] = pan.right;
    }
  }

  void Block(const double* const* in, double* outL, double* outR, int frames)
  {
    for (int i = 0; i < frames; ++i)
    {
      double share[kChannels];
      double sum = 0.0;
      for (int c = 0; c < kChannels; ++c)
      {
        const double x = (std::fabs(in[2 * c][i]) + std::fabs(in[2 * c + 1][i])) * 0.5;
        level[c] = (level[c] - x) * (x > level[c] ? attack : release) + x;
        peak[c] = level[c] > peak[c] ? level[c] : peak[c] * peakRelease;
        const double db = std::log(level[c] + 1e-30) * kLinearToDbFactor;
        share[c] = db > gateDb ? level[c] : 0.0;
        sum += share[c];
      }
      double left = 0.0, right = 0.0;
      for (int c = 0; c < kChannels; ++c)
      {
        const double target = sum > 0.0 ? share[c] / sum : 0.0;
        gain[c] = (gain[c] - target) * smooth + target;
        left += in[2 * c][i] * gain[c] * panLeft[c];
        right += in[2 * c + 1][i] * gain[c] * panRight[c];
      }
      outL[i] = left;
      outR[i] = right;
    }
  }
};

// One block of the reference loop.
struct ReferenceMix
{
  std::shared_ptr<ReferenceMixer> mixer = std::make_shared<ReferenceMixer>(); // shared by the copies

  void operator()(Session& session)
  {
    mixer->Block(session.in.data(), session.out[0].data(), session.out[1].data(), kFrames);
  }
};

void BM_ReferenceMix(benchmark::State& state)
{
  ReferenceMix mix;
  TimeBlocks(state, mix);
}
BENCHMARK(BM_ReferenceMix);
} // namespace

namespace
{
// Detectors as the mixer prepares them, and their addresses for the bank.
struct Bank
{
  std::vector<LevelDetector> detectors;
  std::vector<LevelDetector*> pointers;

  explicit Bank(int count) : detectors(size_t(count))
  {
    for (LevelDetector& d : detectors)
    {
      d.Prepare(kRate);
      d.SetEnvelopeTimes(0.3, 0.0, 0.3);
      pointers.push_back(&d);
    }
  }
};

// A bank of 32 detectors over one block: one by one, or side by side with the widest registers the
// processor has (isa 3) or with AVX-512's registers (2), AVX2 (1) or SSE2 (0).
void BM_DetectorBank(benchmark::State& state)
{
  Bank bank(kChannels);
  std::vector<LevelDetector>& detectors = bank.detectors;
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
      ProcessDetectorsSideBySide(bank.pointers.data(), kChannels, preFilter, left.data(), right.data(),
                                 kFrames, levelPtr.data(), {}, static_cast<ELaneIsa>(state.range(2)));
    benchmark::DoNotOptimize(levels[0][0]);
  }
  state.counters["ns_per_channel_sample"] =
      benchmark::Counter(static_cast<double>(state.iterations()) * kFrames * kChannels * 1e-9,
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_DetectorBank)
    ->ArgNames({"side_by_side", "prefilter", "isa"})
    ->Args({0, 1, kLaneIsaBest})
    ->Args({1, 1, kLaneIsaBest})
    ->Args({1, 0, kLaneIsaBest})
    ->Args({1, 1, kLaneIsaAvx512})
    ->Args({1, 1, kLaneIsaAvx2})
    ->Args({1, 1, kLaneIsaSse2});

// The bank as 32 senders' meters run it in one host: two detectors a mono channel, the first ones taking the
// channel times its weight (one factor each), then the second ones times its gain (a row per frame), no
// level rows.
void BM_SenderBank(benchmark::State& state)
{
  Bank bank(2 * kChannels);
  Session session;
  std::vector<double> gains(kFrames);
  std::vector<double> weights(2 * kChannels, 1.0);
  std::vector<const double*> sides(2 * kChannels), rows(2 * kChannels);
  int block = 0;
  for (auto _ : state)
  {
    state.PauseTiming();
    session.Point(block);
    for (int i = 0; i < kFrames; ++i)
      gains[i] = 0.5 + 0.25 * std::sin(0.001 * (block * kFrames + i));
    ++block;
    state.ResumeTiming();
    for (int d = 0; d < 2 * kChannels; ++d)
    {
      sides[d] = session.in[2 * (d % kChannels)];
      rows[d] = d < kChannels ? nullptr : gains.data();
    }
    ProcessDetectorsSideBySide(bank.pointers.data(), 2 * kChannels, true, sides.data(), sides.data(), kFrames,
                               nullptr, BankInputScale{weights.data(), rows.data()},
                               static_cast<ELaneIsa>(state.range(0)));
    benchmark::DoNotOptimize(bank.detectors[0]);
  }
  state.counters["ns_per_detector_sample"] =
      benchmark::Counter(static_cast<double>(state.iterations()) * kFrames * 2 * kChannels * 1e-9,
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_SenderBank)->ArgName("isa")->Arg(kLaneIsaBest)->Arg(kLaneIsaAvx2);
} // namespace

namespace
{
constexpr int kRounds = 11;         // after one more that warms up and is not counted
constexpr int kBlocksPerTurn = 200; // about 0.05 s of the engine's mix

// One contender of the table: the reference or an engine case, with its own session, and the CPU
// seconds of a block in each round.
struct Contender
{
  std::function<void(Session&)> mix;
  Session session;
  int block = 0;
  std::vector<double> seconds;

  // A turn: kBlocksPerTurn blocks, each freshly written into the input buffers outside the timing.
  void Turn(bool counted)
  {
    double spent = 0.0;
    for (int i = 0; i < kBlocksPerTurn; ++i)
    {
      session.Point(block++);
      const double start = qorvbench::CpuSeconds();
      mix(session);
      spent += qorvbench::CpuSeconds() - start;
    }
    benchmark::DoNotOptimize(session.out[0][0]);
    if (counted) seconds.push_back(spent / kBlocksPerTurn);
  }
};

const char* ModeName(int mode)
{
  static const char* const kNames[] = {"Off", "Auto", "Auto Bal.", "Prio"};
  return kNames[mode];
}
} // namespace

// The Google Benchmark runs as usual (their own console lines), then the table's rounds; the table lines
// start with "table:".
int main(int argc, char** argv)
{
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();

  std::vector<std::unique_ptr<Contender>> contenders;
  contenders.push_back(std::make_unique<Contender>());
  contenders.back()->mix = ReferenceMix();
  for (const EngineCase& c : kEngineCases)
  {
    contenders.push_back(std::make_unique<Contender>());
    contenders.back()->mix = EngineMix(c);
  }
  for (int round = 0; round <= kRounds; ++round)
    for (size_t i = 0; i < contenders.size(); ++i)
      contenders[round % 2 ? contenders.size() - 1 - i : i]->Turn(round > 0);

  const std::vector<double>& reference = contenders[0]->seconds;
  const double channelSamples = kFrames * static_cast<double>(kChannels);
  std::printf("table: mixer engine, 32 ch, pre-filter on, 512-frame blocks; reference loop %.2f ns per "
              "channel-sample (CPU time, medians of %d rounds taken in turns; a ratio is the median of the "
              "rounds' ratios)\n",
              qorvbench::Median(reference) * 1e9 / channelSamples, kRounds);
  for (size_t i = 0; i < std::size(kEngineCases); ++i)
  {
    const EngineCase& c = kEngineCases[i];
    const std::vector<double>& engine = contenders[i + 1]->seconds;
    // Per sample of a connected channel: what a channel costs where fewer carry input. The reference mixes
    // every channel, so the ratio is of the time per channel-sample of each.
    const double engineNs = qorvbench::Median(engine) * 1e9 / (kFrames * static_cast<double>(c.connected));
    const double ratio = qorvbench::MedianRatio(engine, reference) * kChannels / c.connected;
    const double realTime = kFrames / kRate / qorvbench::Median(engine);
    char detail[96] = "";
    if (c.strength) std::snprintf(detail, sizeof detail, ", Strength 0.5");
    if (c.connected < kChannels)
      std::snprintf(detail, sizeof detail, ", %d of %d channels connected (per connected channel)",
                    c.connected, kChannels);
    char target[96] = "";
    if (c.mode == kMixModeAuto && c.strength == 0 && c.connected == kChannels)
      std::snprintf(target, sizeof target, " (targets: at most 15 ns: %s; at most 1.5x: %s)",
                    qorvbench::Met(engineNs <= 15.0), qorvbench::Met(ratio <= 1.5));
    std::printf("table: mixer engine \"%s\"%s: %.2f ns per channel-sample, %.2fx the reference loop, %.0fx "
                "real time%s\n",
                ModeName(c.mode), detail, engineNs, ratio, realTime, target);
  }
  return 0;
}
