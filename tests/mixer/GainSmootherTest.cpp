#include "mixer/GainSmoother.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

using namespace iplugin;

namespace
{
class GainSmootherAtRate : public testing::TestWithParam<double>
{
protected:
  double sr = GetParam();
};

TEST_P(GainSmootherAtRate, CoefficientShrinksTheDistanceTenfoldInTheGivenTime)
{
  for (double seconds : {0.001, 0.1, 0.3, 3.0})
  {
    const double c = TimeCoefficient(seconds, sr);
    EXPECT_NEAR(std::pow(c, seconds * sr), 0.1, 1e-9) << seconds;
  }
  EXPECT_EQ(TimeCoefficient(0.0, sr), 0.0);
  EXPECT_EQ(TimeCoefficient(-1.0, sr), 0.0);
  EXPECT_EQ(TimeSamples(0.5, sr), static_cast<int32_t>(0.5 * sr));
}

TEST_P(GainSmootherAtRate, AttackReachesNinetyPercentOnTime)
{
  for (double attack : {0.005, 0.01, 0.3})
  {
    GainSmoother g;
    g.SetTimes(attack, 0.0, 0.1, sr);
    int crossed = 0;
    while (g.Value() < 0.9 - 1e-9 && crossed < 10 * sr)
    {
      g.Step(1.0);
      ++crossed;
    }
    EXPECT_EQ(crossed, static_cast<int>(std::ceil(attack * sr - 1e-6))) << attack;
  }
}

TEST_P(GainSmootherAtRate, HoldLastsExactlyItsSamples)
{
  for (double hold : {0.0, 0.005, 0.5})
  {
    GainSmoother g;
    g.SetTimes(0.0, hold, 0.05, sr);
    const int32_t h = TimeSamples(hold, sr);
    g.Step(1.0);
    ASSERT_EQ(g.Value(), 1.0);
    for (int32_t i = 0; i < h; ++i)
      ASSERT_EQ(g.Step(0.0), 1.0) << "hold " << hold << " ended early at " << i;
    EXPECT_LT(g.Step(0.0), 1.0) << "hold " << hold << " lasted too long";
  }
}

TEST_P(GainSmootherAtRate, ReleaseFallsTenfoldPerReleaseTime)
{
  GainSmoother g;
  g.SetTimes(0.0, 0.0, 0.1, sr);
  g.Step(1.0);
  const int n = static_cast<int>(0.1 * sr);
  for (int i = 0; i < n; ++i)
    g.Step(0.0);
  EXPECT_NEAR(g.Value(), 0.1, 1e-6);
}

TEST_P(GainSmootherAtRate, BlockPathEqualsSamplePath)
{
  std::mt19937 rng(7);
  std::uniform_real_distribution<double> level(0.0, 1.0);
  std::vector<double> targets(4096);
  for (size_t i = 0; i < targets.size(); ++i)
    targets[i] = (i / 300) % 2 ? 0.0 : level(rng); // bursts and silences, so every state is visited

  GainSmoother bySample, byBlock;
  bySample.SetTimes(0.01, 0.002, 0.05, sr);
  byBlock.SetTimes(0.01, 0.002, 0.05, sr);
  std::vector<double> blockValues(targets.size());
  for (size_t start = 0; start < targets.size(); start += 512)
    byBlock.ProcessBlock(targets.data() + start, 512, blockValues.data() + start);
  for (size_t i = 0; i < targets.size(); ++i)
    ASSERT_EQ(bySample.Step(targets[i]), blockValues[i]) << i;
  EXPECT_EQ(bySample.mState, byBlock.mState);
  EXPECT_EQ(bySample.mHoldCounter, byBlock.mHoldCounter);
}

INSTANTIATE_TEST_SUITE_P(Rates, GainSmootherAtRate, testing::Values(44100.0, 48000.0, 96000.0));

TEST(GainSmoother, InstantAttackAndZeroHoldReleaseInTheFirstLowerSample)
{
  GainSmoother g;
  g.SetTimes(0.0, 0.0, 0.1, 48000.0);
  EXPECT_EQ(g.Step(0.5), 0.5);
  EXPECT_EQ(g.mState, GainSmoother::kStateAttack);
  EXPECT_LT(g.Step(0.25), 0.5);
  EXPECT_EQ(g.mState, GainSmoother::kStateRelease);
}

TEST(GainSmoother, IdleSmootherIgnoresTargetsAtOrBelowItsValue)
{
  GainSmoother g;
  g.SetTimes(0.0, 0.0, 0.0, 48000.0);
  EXPECT_EQ(g.Step(0.0), 0.0);
  EXPECT_EQ(g.Step(-1.0), 0.0);
  EXPECT_EQ(g.mState, GainSmoother::kStateIdle);
}

TEST(GainSmoother, TinyValuesSnapToZero)
{
  GainSmoother g;
  g.SetTimes(0.0, 0.0, 0.001, 48000.0);
  g.Step(1e-7);
  for (int i = 0; i < 200; ++i)
    g.Step(0.0);
  EXPECT_EQ(g.Value(), 0.0);
  GainSmoother small;
  small.SetTimes(0.0, 0.0, 0.0, 48000.0);
  EXPECT_EQ(small.Step(5e-9), 0.0);
}

TEST(GainSmoother, ResetKeepsCoefficients)
{
  GainSmoother g;
  g.SetTimes(0.01, 0.1, 0.2, 48000.0);
  g.Step(1.0);
  const double attack = g.mAttack;
  g.Reset();
  EXPECT_EQ(g.Value(), 0.0);
  EXPECT_EQ(g.mState, GainSmoother::kStateIdle);
  EXPECT_EQ(g.mAttack.Load(), attack);
  EXPECT_EQ(g.mHoldSamples.Load(), 4800);
}

TEST(GainSmoother, HugeHoldDoesNotOverflow)
{
  GainSmoother g;
  g.SetTimes(0.0, 1e30, 0.0, 48000.0);
  EXPECT_EQ(g.mHoldSamples.Load(), std::numeric_limits<int32_t>::max());
  g.mHoldCounter = std::numeric_limits<int32_t>::max();
  g.mState = GainSmoother::kStateAttack;
  g.mValue = 1.0;
  EXPECT_EQ(g.Step(0.0), 0.0); // counter at its hold: release (coefficient 0) without raising it
}
} // namespace
