#include "mixer/LevelDetector.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <random>
#include <vector>

using namespace iplugin;

namespace
{
class LevelDetectorAtRate : public testing::TestWithParam<double>
{
protected:
  double sr = GetParam();

  // A detector whose envelope 1 follows the smoothed magnitude exactly.
  LevelDetector Following()
  {
    LevelDetector d;
    EXPECT_TRUE(d.Prepare(sr));
    d.SetEnvelopeTimes(0.0, 0.0, 0.0);
    return d;
  }

  // Mean level of a sine on both sides over its last 0.2 s of 1 s.
  double SineLevel(LevelDetector& d, bool preFilter, double frequency, double amplitude)
  {
    const int total = static_cast<int>(sr);
    const int from = total - static_cast<int>(0.2 * sr);
    double sum = 0.0;
    for (int i = 0; i < total; ++i)
    {
      const double x = amplitude * std::sin(2.0 * std::numbers::pi * frequency * i / sr);
      d.Process(preFilter, x, x);
      if (i >= from) sum += d.Level();
    }
    return sum / (total - from);
  }
};

TEST_P(LevelDetectorAtRate, SilenceSettlesAtExactlyZero)
{
  LevelDetector d = Following();
  d.Process(false, 0.5, 0.5);
  for (int i = 0; i < static_cast<int>(3 * sr); ++i)
    d.Process(true, 0.0, 0.0);
  EXPECT_EQ(d.Level(), 0.0);
  EXPECT_EQ(d.Peak(), 0.0);
}

TEST_P(LevelDetectorAtRate, SteadySineReadsItsAmplitude)
{
  for (double amplitude : {1.0, 0.25})
  {
    LevelDetector d = Following();
    EXPECT_NEAR(SineLevel(d, false, 1000.0, amplitude), amplitude * 603.0 / 602.0, 0.003 * amplitude);
  }
}

TEST_P(LevelDetectorAtRate, PreFilterKeepsTheSpeechBand)
{
  LevelDetector d = Following();
  const double speech = SineLevel(d, true, 1000.0, 1.0);
  EXPECT_GT(speech, 0.95);
  LevelDetector low = Following();
  EXPECT_LT(SineLevel(low, true, 50.0, 1.0), 0.05 * speech);
  LevelDetector high = Following();
  EXPECT_LT(SineLevel(high, true, 10000.0, 1.0), 0.2 * speech);
  LevelDetector unfiltered = Following();
  EXPECT_GT(SineLevel(unfiltered, false, 50.0, 1.0), 0.95);
}

TEST_P(LevelDetectorAtRate, PeakHoldsTwoSecondsThenFallsTenfoldPerTenthOfASecond)
{
  LevelDetector d = Following();
  const int burst = static_cast<int>(0.05 * sr);
  const int hold = TimeSamples(2.0, sr);
  // The smoother overshoots and settles during the burst: the hold counts from the last rise of the peak.
  double peak = 0.0;
  int sinceRise = 0;
  for (int i = 0; sinceRise < hold; ++i)
  {
    const double x = i < burst ? 0.8 : 0.0;
    d.Process(false, x, -x);
    if (d.Peak() > peak)
    {
      peak = d.Peak();
      sinceRise = 0;
    }
    else
    {
      ASSERT_EQ(d.Peak(), peak) << "fell after " << sinceRise << " of " << hold << " hold samples";
      ++sinceRise;
    }
  }
  d.Process(false, 0.0, 0.0);
  EXPECT_LT(d.Peak(), peak) << "held longer than 2 s";
  for (int i = 1; i < static_cast<int>(0.1 * sr); ++i)
    d.Process(false, 0.0, 0.0);
  EXPECT_NEAR(d.Peak(), 0.1 * peak, 1e-3 * peak);
}

TEST_P(LevelDetectorAtRate, BlockPathEqualsSamplePath)
{
  LevelDetector bySample, byBlock;
  for (LevelDetector* d : {&bySample, &byBlock})
  {
    d->Prepare(sr);
    d->SetEnvelopeTimes(0.01, 0.05, 0.2);
  }
  std::mt19937 rng(11);
  std::uniform_real_distribution<double> noise(-1.0, 1.0);
  const int total = static_cast<int>(sr / 4);
  std::vector<double> left(total), right(total);
  for (int i = 0; i < total; ++i)
  {
    const double talk = (i / 2000) % 3 ? 0.5 : 0.0; // bursts and pauses
    left[i] = talk * noise(rng);
    right[i] = talk * noise(rng);
  }
  std::vector<double> levels(total);
  const int sizes[] = {1, 7, 64, 512, 2000};
  int start = 0;
  for (int b = 0; start < total; ++b)
  {
    const int n = std::min(sizes[b % 5], total - start);
    const bool preFilter = (b / 5) % 2 == 0;
    byBlock.ProcessBlock(preFilter, left.data() + start, right.data() + start, n, levels.data() + start);
    for (int i = start; i < start + n; ++i)
    {
      bySample.Process(preFilter, left[i], right[i]);
      ASSERT_EQ(bySample.Level(), levels[i]) << i;
    }
    ASSERT_EQ(bySample.Peak(), byBlock.Peak()) << start;
    start += n;
  }
}

INSTANTIATE_TEST_SUITE_P(Rates, LevelDetectorAtRate, testing::Values(44100.0, 48000.0, 96000.0));

TEST(LevelDetector, SwitchingThePreFilterOffKeepsItsStates)
{
  LevelDetector d;
  d.Prepare(48000.0);
  std::mt19937 rng(5);
  std::uniform_real_distribution<double> noise(-1.0, 1.0);
  for (int i = 0; i < 1000; ++i)
    d.Process(true, noise(rng), noise(rng));
  const BiquadSection highPass = d.mHighPassLeft;
  const BiquadSection lowPass = d.mLowPassRight;
  for (int i = 0; i < 1000; ++i)
    d.Process(false, noise(rng), noise(rng));
  EXPECT_EQ(d.mHighPassLeft.y1, highPass.y1);
  EXPECT_EQ(d.mHighPassLeft.x2, highPass.x2);
  EXPECT_EQ(d.mLowPassRight.y2, lowPass.y2);
  // Switching on again continues from those states.
  BiquadSection expected = d.mHighPassLeft;
  const double x = noise(rng);
  const double y = expected.ProcessSample(x);
  d.Process(true, x, x);
  EXPECT_EQ(d.mHighPassLeft.y0, y);
}

TEST(LevelDetector, PrepareRestartsTheLevelAndKeepsEnvelopeOneTimes)
{
  LevelDetector d;
  d.Prepare(44100.0);
  d.SetEnvelopeTimes(0.01, 0.1, 0.3);
  for (int i = 0; i < 4410; ++i)
  {
    const double x = 0.5 * std::sin(2.0 * std::numbers::pi * 1000.0 * i / 44100.0);
    d.Process(true, x, x);
  }
  ASSERT_GT(d.Level(), 0.1);
  const double attack = d.mEnvelope1.mAttack;
  const double filterState = d.mHighPassLeft.y1;
  d.Prepare(96000.0);
  EXPECT_EQ(d.Level(), 0.0);
  EXPECT_EQ(d.Peak(), 0.0);
  EXPECT_EQ(d.mStage1, 0.0);
  EXPECT_EQ(d.mStage2, 0.0);
  EXPECT_EQ(d.mEnvelope1.mAttack.Load(), attack);
  EXPECT_EQ(d.mHighPassLeft.y1, filterState);
  EXPECT_EQ(d.mEnvelope2.mHoldSamples.Load(), 192000);
}

TEST(LevelDetector, RefusesARateThatIsNotPositive)
{
  LevelDetector d;
  ASSERT_TRUE(d.Prepare(48000.0));
  for (double bad : {0.0, -48000.0, std::nan(""), double(INFINITY)})
  {
    EXPECT_FALSE(d.Prepare(bad));
    EXPECT_EQ(d.mSampleRate, 48000.0);
  }
}
} // namespace
