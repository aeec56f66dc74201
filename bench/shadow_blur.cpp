// The drop-shadow blur of a 512 x 512 layer (a rounded panel on a clear background, blur 8 at scale 2),
// both passes. "vs_plain" is its CPU time over that of a blur that sums every tap, in the same run: the
// uniform-run shortcut should keep it well below 1.
#include "graphics/IGraphics.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <ctime>
#include <vector>

using namespace iplugin::igraphics;

namespace
{
constexpr int kSize = 512;

struct BlurJob
{
  std::vector<uint8_t> pixels = std::vector<uint8_t>(size_t(kSize * kSize * 4), 0);
  std::vector<uint8_t> transposed = std::vector<uint8_t>(size_t(kSize * kSize * 4), 0);
  std::vector<uint8_t> original;
  std::vector<uint8_t> kernel;
  int norm = 0;

  BlurJob()
  {
    for (int y = 96; y < kSize - 96; ++y)
      for (int x = 96; x < kSize - 96; ++x)
        pixels[size_t(y * kSize + x) * 4 + 3] = 255;
    original = pixels;
    const double b = 2.0 * 8.0 + 1.0;
    for (int i = 0; i < int(std::ceil(b)); ++i)
    {
      kernel.push_back(uint8_t(std::lround(255.0 * std::exp(-double(i * i) * 4.5 / (b * b)))));
      norm += (i ? 2 : 1) * kernel.back();
    }
  }

  // Each run blurs the same layer.
  void Run()
  {
    pixels = original;
    const int k = int(kernel.size());
    IGraphics::BlurShadowMask(transposed.data(), pixels.data() + 3, kernel.data(), kSize, kSize, kSize * 4,
                              kSize * 4, k, norm);
    IGraphics::BlurShadowMask(pixels.data() + 3, transposed.data(), kernel.data(), kSize, kSize, kSize * 4,
                              kSize * 4, k, norm);
  }

  // The same passes summing every tap, as a reference.
  void RunPlain()
  {
    pixels = original;
    const int k = int(kernel.size());
    auto pass = [&](uint8_t* out, const uint8_t* in) {
      for (int y = 0; y < kSize; ++y)
        for (int j = 0; j < kSize; ++j)
        {
          int sum = kernel[0] * in[(y * kSize + j) * 4];
          for (int i = 1; i < k; ++i)
          {
            if (j - i >= 0) sum += kernel[size_t(i)] * in[(y * kSize + j - i) * 4];
            if (j + i < kSize) sum += kernel[size_t(i)] * in[(y * kSize + j + i) * 4];
          }
          out[(j * kSize + y) * 4] = uint8_t(std::min(sum / norm, 255));
        }
    };
    pass(transposed.data(), pixels.data() + 3);
    pass(pixels.data() + 3, transposed.data());
  }
};

template <class F>
double CpuSecondsPerRun(F run, int reps)
{
  const std::clock_t start = std::clock();
  for (int i = 0; i < reps; ++i)
    run();
  return double(std::clock() - start) / CLOCKS_PER_SEC / reps;
}

void BM_ShadowBlur(benchmark::State& state)
{
  BlurJob job;
  for (auto _ : state)
  {
    job.Run();
    benchmark::DoNotOptimize(job.pixels.data());
  }
  const double ours = CpuSecondsPerRun([&] { job.Run(); }, 10);
  const double plain = CpuSecondsPerRun([&] { job.RunPlain(); }, 10);
  state.counters["vs_plain"] = ours / plain;
}
} // namespace

BENCHMARK(BM_ShadowBlur)->Unit(benchmark::kMillisecond);
