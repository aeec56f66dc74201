// Drives mixer engines block by block with generated channel signals, as a host's audio thread would.
#pragma once

#include "mixer/MixerEngine.h"
#include "mixer/SendSlotTable.h"

#include <cmath>
#include <functional>
#include <memory>
#include <numbers>
#include <random>
#include <vector>

namespace mixtest
{
using iplugin::MixerEngine;

constexpr double kRate = 48000.0;
constexpr int kBlock = 512;

// A signal generator: sample value at absolute frame index.
using Signal = std::function<double(long)>;

inline Signal Sine(double amplitude, double hz = 1000.0)
{
  return [=](long i)
  { return amplitude * std::sin(2.0 * std::numbers::pi * hz * static_cast<double>(i) / kRate); };
}

inline Signal Silence()
{
  return [](long) { return 0.0; };
}

// Deterministic noise of the given peak amplitude.
inline Signal Noise(double amplitude, unsigned seed)
{
  auto rng = std::make_shared<std::mt19937>(seed);
  auto table = std::make_shared<std::vector<double>>(1 << 16);
  std::uniform_real_distribution<double> u(-amplitude, amplitude);
  for (double& v : *table)
    v = u(*rng);
  return [table](long i) { return (*table)[static_cast<size_t>(i) & 0xFFFF]; };
}

inline std::unique_ptr<MixerEngine> MakeEngine(double rate = kRate)
{
  auto e = std::make_unique<MixerEngine>();
  e->ProcessingReset(rate, kBlock);
  return e;
}

// Fast gain following: attack, hold and release 0.
inline void InstantTimes(MixerEngine& e)
{
  e.mAttack = 0.0;
  e.mHold = 0.0;
  e.mRelease = 0.0;
  e.UpdateEnvelopeCoefficients();
}

// Block buffers for an engine with some input and output channels.
struct Io
{
  std::vector<std::vector<double>> in, out;
  std::vector<const double*> inPtr;
  std::vector<double*> outPtr;

  Io(int inputs, int outputs, int frames = kBlock)
      : in(inputs, std::vector<double>(frames)), out(outputs, std::vector<double>(frames, 12345.0))
  {
    for (auto& v : in)
      inPtr.push_back(v.data());
    for (auto& v : out)
      outPtr.push_back(v.data());
  }
  int Frames() const { return in.empty() ? 0 : static_cast<int>(in[0].size()); }
};

// An "Int. Mixer" on stereo channel pairs: channel c on inputs 2c and 2c+1, both fed the same signal.
struct InternalMix
{
  std::unique_ptr<MixerEngine> engine = MakeEngine();
  std::vector<Signal> signals;
  Io io;
  long frame = 0;

  explicit InternalMix(std::vector<Signal> channelSignals, int outputs = 2)
      : signals(std::move(channelSignals)), io(2 * static_cast<int>(signals.size()), outputs)
  {
    engine->mChannelCount = static_cast<uint32_t>(signals.size() - 1);
  }

  void Block()
  {
    for (size_t c = 0; c < signals.size(); ++c)
      for (int i = 0; i < kBlock; ++i)
        io.in[2 * c][i] = io.in[2 * c + 1][i] = signals[c](frame + i);
    engine->ProcessBlock(io.inPtr.data(), io.outPtr.data(), kBlock, static_cast<int>(io.in.size()),
                         static_cast<int>(io.out.size()), false);
    frame += kBlock;
  }

  void Run(double seconds)
  {
    const long blocks = static_cast<long>(seconds * kRate / kBlock);
    for (long b = 0; b < blocks; ++b)
      Block();
  }
};
} // namespace mixtest
