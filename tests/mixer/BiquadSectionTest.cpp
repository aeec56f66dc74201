#include "mixer/BiquadSection.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <random>

using namespace iplugin;

namespace
{
// Gain in dB of a sine of the given frequency through the section, once it has settled.
double GainDb(BiquadSection section, double frequency, double sampleRate)
{
  section.Reset();
  const int settle = static_cast<int>(sampleRate * 0.25);
  const int measure = static_cast<int>(sampleRate * 0.5);
  double in = 0.0, out = 0.0;
  for (int i = 0; i < settle + measure; ++i)
  {
    const double x = std::sin(2.0 * std::numbers::pi * frequency * i / sampleRate);
    const double y = section.ProcessSample(x);
    if (i >= settle)
    {
      in += x * x;
      out += y * y;
    }
  }
  return 10.0 * std::log10(out / in);
}

struct FilterCase
{
  BiquadSection::EType type;
  double corner;
  double passband; // a frequency well inside the pass band
  double stopband; // two octaves into the stop band
};

class BiquadAtRate : public testing::TestWithParam<std::tuple<FilterCase, double>>
{
};

TEST_P(BiquadAtRate, CornerIsMinusThreeDecibels)
{
  const auto [c, sr] = GetParam();
  BiquadSection s;
  if (c.type == BiquadSection::kHighPass)
    s.SetHighPass(c.corner, sr);
  else
    s.SetLowPass(c.corner, sr);
  EXPECT_EQ(s.type, c.type);
  EXPECT_EQ(s.a0n, 1.0);
  EXPECT_NEAR(GainDb(s, c.corner, sr), -3.0103, 0.03);
  EXPECT_NEAR(GainDb(s, c.passband, sr), 0.0, 0.1);
  EXPECT_LT(GainDb(s, c.stopband, sr), -20.0);
}

INSTANTIATE_TEST_SUITE_P(
    SpeechPreFilter, BiquadAtRate,
    testing::Combine(testing::Values(FilterCase{BiquadSection::kHighPass, 300.0, 3000.0, 75.0},
                                     FilterCase{BiquadSection::kLowPass, 3400.0, 300.0, 13600.0}),
                     testing::Values(44100.0, 48000.0, 96000.0)));

TEST(BiquadSection, CornerAboveNyquistStaysStable)
{
  BiquadSection s;
  s.SetLowPass(3400.0, 4000.0);
  std::mt19937 rng(3);
  std::uniform_real_distribution<double> noise(-1.0, 1.0);
  double peak = 0.0;
  for (int i = 0; i < 40000; ++i)
    peak = std::max(peak, std::fabs(s.ProcessSample(noise(rng))));
  EXPECT_TRUE(std::isfinite(peak));
  EXPECT_LT(peak, 10.0);
}

TEST(BiquadSection, SilenceStaysClearOfDenormals)
{
  BiquadSection s;
  s.SetHighPass(300.0, 48000.0);
  s.ProcessSample(1.0);
  for (int i = 0; i < 200000; ++i)
    s.ProcessSample(0.0);
  EXPECT_TRUE(s.y0 == 0.0 || std::fpclassify(s.y0) == FP_NORMAL);
  EXPECT_TRUE(s.y1 == 0.0 || std::fpclassify(s.y1) == FP_NORMAL);
}
} // namespace
