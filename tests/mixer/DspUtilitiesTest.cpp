#include "mixer/DspUtilities.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <numbers>
#include <random>
#include <vector>

using namespace iplugin;

namespace
{
using Complex = std::complex<double>;

std::vector<Complex> NaiveDft(const std::vector<Complex>& x, int sign)
{
  const int n = static_cast<int>(x.size());
  std::vector<Complex> out(n);
  for (int k = 0; k < n; ++k)
    for (int j = 0; j < n; ++j)
      out[k] += x[j] * std::polar(1.0, sign * 2.0 * std::numbers::pi * j * k / n);
  return out;
}

std::vector<double> Noise(int n, unsigned seed)
{
  std::mt19937 rng(seed);
  std::uniform_real_distribution<double> d(-1.0, 1.0);
  std::vector<double> v(n);
  for (double& x : v)
    x = d(rng);
  return v;
}

TEST(Sinc, IsOneAtZeroAndEven)
{
  EXPECT_EQ(Sinc(0.0), 1.0);
  EXPECT_EQ(Sinc(1e-15), 1.0);
  EXPECT_NEAR(Sinc(std::numbers::pi), 0.0, 1e-16);
  EXPECT_EQ(Sinc(-0.7), Sinc(0.7));
  EXPECT_NEAR(Sinc(0.5), std::sin(0.5) / 0.5, 1e-16);
}

struct WindowCase
{
  int type;
  double edge;
  double centre;
};

class WindowShape : public testing::TestWithParam<WindowCase>
{
};

TEST_P(WindowShape, SymmetricWithItsEdgeAndCentre)
{
  const WindowCase c = GetParam();
  const int n = 65;
  const std::vector<double> w = MakeWindow(n, c.type, false);
  ASSERT_EQ(w.size(), 65u);
  EXPECT_NEAR(w[0], c.edge, 1e-9);
  EXPECT_NEAR(w[n / 2], c.centre, 1e-9);
  for (int k = 0; k < n; ++k)
    ASSERT_NEAR(w[k], w[n - 1 - k], 1e-12) << k;
  const std::vector<double> unit = MakeWindow(n, c.type, true);
  double sum = 0.0;
  for (double v : unit)
    sum += v;
  EXPECT_NEAR(sum, 1.0, 1e-12);
}

INSTANTIATE_TEST_SUITE_P(
    Types, WindowShape,
    testing::Values(WindowCase{kWindowBlackman, 0.0, 1.0},
                    WindowCase{kWindowKaiser2, 1.0 / std::cyl_bessel_i(0.0, 2.0), 1.0},
                    WindowCase{kWindowKaiser25, 1.0 / std::cyl_bessel_i(0.0, 2.5), 1.0},
                    WindowCase{kWindowKaiser3, 1.0 / std::cyl_bessel_i(0.0, 3.0), 1.0},
                    WindowCase{kWindowHamming, 0.07672, 1.0}, WindowCase{0, 0.07672, 1.0},
                    WindowCase{99, 0.07672, 1.0}, WindowCase{kWindowRectangular, 1.0, 1.0},
                    WindowCase{kWindowHann, 0.0, 1.0}, WindowCase{kWindowTriangle, 0.0, 1.0},
                    WindowCase{kWindowBlackmanHarris,
                               0.358750287312166 - 0.4882901074726 + 0.141279712970519 - 0.011679892244715,
                               1.0},
                    WindowCase{kWindowFlatTop, 0.0, 4.636}, WindowCase{kWindowHannSquared, 0.0, 1.0},
                    WindowCase{kWindowBlackmanHarris7, 6.3332741746e-8, 1.0}));

TEST(Window, SincTypeAndDegenerateLengths)
{
  const std::vector<double> w = MakeWindow(16, kWindowSinc, false);
  EXPECT_EQ(w[8], 1.0); // k = N / 2
  EXPECT_NEAR(w[0], Sinc(-8 / std::numbers::pi * 0.25), 1e-15);
  EXPECT_TRUE(MakeWindow(0, kWindowHann, true).empty());
  EXPECT_TRUE(MakeWindow(-4, kWindowHann, true).empty());
  for (int type = 0; type <= 14; ++type)
    EXPECT_EQ(MakeWindow(1, type, true), std::vector<double>{1.0}) << type;
}

class FftSize : public testing::TestWithParam<int>
{
};

TEST_P(FftSize, ComplexTransformMatchesTheDefinitionBothWays)
{
  const int n = GetParam();
  const std::vector<double> input = Noise(2 * n, n);
  for (int sign : {1, -1})
  {
    std::vector<Complex> x(n);
    for (int j = 0; j < n; ++j)
      x[j] = Complex(input[2 * j], input[2 * j + 1]);
    const std::vector<Complex> expected = NaiveDft(x, sign);
    std::vector<double> data = input;
    ASSERT_TRUE(FftRadix2(data.data(), n, sign));
    for (int k = 0; k < n; ++k)
    {
      ASSERT_NEAR(data[2 * k], expected[k].real(), 1e-10 * n) << sign << " bin " << k;
      ASSERT_NEAR(data[2 * k + 1], expected[k].imag(), 1e-10 * n) << sign << " bin " << k;
    }
    ASSERT_TRUE(FftRadix2(data.data(), n, -sign));
    for (int i = 0; i < 2 * n; ++i)
      ASSERT_NEAR(data[i], input[i] * n, 1e-10 * n) << i;
  }
}

TEST_P(FftSize, RealTransformMatchesTheDefinitionAndComesBack)
{
  const int n = 2 * GetParam();
  const std::vector<double> input = Noise(n, n + 1);
  std::vector<Complex> x(input.begin(), input.end());
  const std::vector<Complex> expected = NaiveDft(x, 1);
  std::vector<double> data = input;
  ASSERT_TRUE(RealFft(data.data(), n, 1));
  EXPECT_NEAR(data[0], expected[0].real(), 1e-10 * n);
  EXPECT_NEAR(data[1], expected[n / 2].real(), 1e-10 * n);
  for (int k = 1; k < n / 2; ++k)
  {
    ASSERT_NEAR(data[2 * k], expected[k].real(), 1e-10 * n) << k;
    ASSERT_NEAR(data[2 * k + 1], expected[k].imag(), 1e-10 * n) << k;
  }
  ASSERT_TRUE(RealFft(data.data(), n, -1));
  for (int i = 0; i < n; ++i)
    ASSERT_NEAR(data[i], input[i] * n / 2, 1e-10 * n) << i;
}

INSTANTIATE_TEST_SUITE_P(PowersOfTwo, FftSize, testing::Values(1, 2, 4, 8, 16, 64, 256, 1024));

TEST(Fft, RefusesSizesThatAreNotPowersOfTwo)
{
  std::vector<double> data = Noise(24, 1);
  const std::vector<double> before = data;
  EXPECT_FALSE(FftRadix2(data.data(), 12, 1));
  EXPECT_FALSE(FftRadix2(data.data(), 0, 1));
  EXPECT_FALSE(FftRadix2(data.data(), -8, 1));
  EXPECT_FALSE(FftRadix2(nullptr, 8, 1));
  EXPECT_FALSE(RealFft(data.data(), 12, 1));
  EXPECT_FALSE(RealFft(data.data(), 1, 1));
  EXPECT_FALSE(RealFft(data.data(), 8, 0));
  EXPECT_EQ(data, before);
}

TEST(PolarConversion, RoundTripAndKnownPoints)
{
  const std::vector<double> rect = {3.0, 4.0, -1.0, 0.0, 0.0, -2.0};
  std::vector<double> polar(6), back(6);
  ToPolar(rect.data(), 0, polar.data(), 0, 6);
  EXPECT_DOUBLE_EQ(polar[0], 5.0);
  EXPECT_DOUBLE_EQ(polar[1], std::atan2(4.0, 3.0));
  EXPECT_DOUBLE_EQ(polar[3], std::numbers::pi);
  EXPECT_DOUBLE_EQ(polar[4], 2.0);
  ToRectangular(polar.data(), 0, back.data(), 0, 6);
  for (int i = 0; i < 6; ++i)
    EXPECT_NEAR(back[i], rect[i], 1e-14) << i;
}

TEST(PolarConversion, OverlappingShiftsReadEveryPairBeforeWritingIt)
{
  const std::vector<double> rect = Noise(10, 4);
  for (int shift : {2, 4, -2})
  {
    std::vector<double> expected(rect.size() + 4, 0.0);
    std::vector<double> data(rect.size() + 4, 0.0);
    const int from = shift > 0 ? 0 : 4;
    std::copy(rect.begin(), rect.end(), data.begin() + from);
    ToPolar(rect.data(), 0, expected.data(), from + shift, 10);
    ToPolar(data.data(), from, data.data(), from + shift, 10);
    for (int i = 0; i < 10; ++i)
      ASSERT_EQ(data[from + shift + i], expected[from + shift + i]) << "shift " << shift << " at " << i;
  }
  std::vector<double> untouched = rect;
  ToRectangular(untouched.data(), 0, untouched.data(), 0, 1); // less than a pair
  ToRectangular(untouched.data(), -2, untouched.data(), 0, 4);
  EXPECT_EQ(untouched, rect);
}
} // namespace
