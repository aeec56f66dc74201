// The arg-max family, the pan law and the decibel helpers of the mixing loop.
#include "mixer/ArgMax.h"
#include "mixer/Decibels.h"
#include "mixer/PanLaw.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <random>

using namespace iplugin;

namespace
{
// The reference: highest index among equal maxima, -1 when the threshold lies above the maximum.
int ReferenceArgMax(const double* v, int n, double threshold)
{
  int w = 0;
  for (int i = 1; i < n; ++i)
    if (v[i] >= v[w]) w = i;
  return threshold > v[w] ? -1 : w;
}

TEST(ArgMax, ThirtyTwoAndEightAgreeWithTheReferenceOnRandomLevelsWithTies)
{
  std::mt19937 rng(5);
  std::uniform_int_distribution<int> level(-10, 10); // few distinct values: many ties
  for (int trial = 0; trial < 2000; ++trial)
  {
    std::array<double, 32> v;
    for (double& x : v)
      x = level(rng);
    const double threshold = level(rng);
    ASSERT_EQ(ArgMax32(v.data(), threshold), ReferenceArgMax(v.data(), 32, threshold));
    ASSERT_EQ(ArgMax8(v.data(), threshold), ReferenceArgMax(v.data(), 8, threshold));
  }
}

struct Max4Case
{
  std::array<double, 4> v;
  double threshold;
  int expected;
};

class ArgMax4Table : public testing::TestWithParam<Max4Case>
{
};

TEST_P(ArgMax4Table, NeedsAStrictMaximum)
{
  EXPECT_EQ(ArgMax4(GetParam().v.data(), GetParam().threshold), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, ArgMax4Table,
                         testing::Values(Max4Case{{1, 5, 3, 2}, 0, 1}, Max4Case{{1, 5, 5, 2}, 0, -1},
                                         Max4Case{{9, 5, 3, 2}, 10, -1}, Max4Case{{9, 5, 3, 2}, 9, 0},
                                         Max4Case{{-1, -2, -3, 0}, -5, 3}));

TEST(PanLaw, UnityAtTheCentrePlusThreeDecibelsAtTheEnds)
{
  double l = 1.0, r = 1.0;
  ApplyPanLaw(0.0, l, r);
  EXPECT_EQ(l, 1.0);
  EXPECT_EQ(r, 1.0);
  l = r = 1.0;
  ApplyPanLaw(100.0, l, r);
  EXPECT_NEAR(l, 0.0, 1e-15);
  EXPECT_NEAR(r, 1.4125375446227546, 1e-6);
  l = r = 1.0;
  ApplyPanLaw(-250.0, l, r);
  EXPECT_NEAR(l, 1.4125375446227546, 1e-6);
  EXPECT_NEAR(r, 0.0, 1e-15);
  // Continuous at the centre, and close to constant power over the whole range.
  const PanFactors nearCentre = PanLawFactors(1e-9);
  EXPECT_NEAR(nearCentre.left, 1.0, 1e-6);
  EXPECT_NEAR(nearCentre.right, 1.0, 1e-6);
  for (int p = -100; p <= 100; ++p)
  {
    const PanFactors f = PanLawFactors(p);
    EXPECT_NEAR(f.left * f.left + f.right * f.right, 2.0, 0.01) << p;
    EXPECT_EQ(f.centred, p == 0) << p;
  }
}

TEST(Decibels, ConversionsAndTheSilenceFloor)
{
  EXPECT_EQ(DbToLinear(0.0), 1.0);
  EXPECT_NEAR(DbToLinear(-6.0), 0.501187, 1e-6);
  EXPECT_EQ(DbToLinear(-144.0), 0.0);
  EXPECT_EQ(DbToLinear(-200.0), 0.0);
  EXPECT_GT(DbToLinear(-143.9), 0.0);
  EXPECT_NEAR(LinearToDb(0.5), -6.0206, 1e-4);
  EXPECT_TRUE(std::isinf(LinearToDb(0.0)));
  EXPECT_EQ(GainToDb(0.0), -144.0);
  EXPECT_EQ(GainToDb(6.0e-8), -144.0);
  EXPECT_NEAR(GainToDb(-1.0), 0.0, 1e-12);
  EXPECT_EQ(NormaliseClamped(5.0, 0.0, 10.0), 0.5);
  EXPECT_EQ(NormaliseClamped(-5.0, 0.0, 10.0), 0.0);
  EXPECT_EQ(NormaliseClamped(50.0, -10.0, 10.0), 1.0);
}
} // namespace
