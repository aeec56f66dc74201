// Detectors run side by side give each detector exactly what its own block processing gives.
#include "mixer/DetectorBank.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <tuple>
#include <vector>

using namespace iplugin;

namespace
{
struct BankCase
{
  int count;
  bool preFilter;
  int frames;
  double rate;
};

// What the inputs are multiplied by on their way in: nothing, a factor per detector, a factor per frame, or
// a factor per frame for some detectors (every third has no row) and one factor for the others.
enum EScale
{
  kNoScale,
  kScalePerDetector,
  kScalePerFrame,
  kScaleMixed
};

class DetectorBankEquality : public testing::TestWithParam<std::tuple<BankCase, ELaneIsa, EScale>>
{
};

bool SameBits(double a, double b)
{
  return std::memcmp(&a, &b, sizeof a) == 0;
}

TEST_P(DetectorBankEquality, MatchesEachDetectorsOwnBlockBitForBit)
{
  const auto [bc, isa, scaleMode] = GetParam();
  if (!LaneIsaSupported(isa)) GTEST_SKIP() << "the processor lacks this instruction set";
  std::vector<LevelDetector> alone(bc.count), together(bc.count);
  std::mt19937 rng(bc.count * 31 + bc.frames);
  std::uniform_real_distribution<double> u(-1.0, 1.0);
  for (int d = 0; d < bc.count; ++d)
  {
    alone[d].Prepare(bc.rate);
    // Different times per detector, including instant attack and a hold.
    alone[d].SetEnvelopeTimes(0.01 * d, 0.002 * (d % 3), 0.05 + 0.01 * d);
    // One detector of each group of four with a second gain other than 1.
    if (d % 4 == 3) alone[d].mSecondGain = 0.75;
    together[d] = alone[d];
  }
  std::vector<LevelDetector*> bank;
  for (LevelDetector& d : together)
    bank.push_back(&d);

  std::vector<std::vector<double>> left(bc.count, std::vector<double>(bc.frames)),
      right(bc.count, std::vector<double>(bc.frames));
  std::vector<std::vector<double>> levelsAlone(bc.count, std::vector<double>(bc.frames)),
      levelsTogether(bc.count, std::vector<double>(bc.frames));
  std::vector<std::vector<double>> factors(bc.count, std::vector<double>(bc.frames));
  std::vector<double> weights(bc.count);
  std::vector<std::vector<double>> scaledLeft = left, scaledRight = right;
  std::vector<const double*> l, r, f;
  std::vector<double*> lt;
  for (int d = 0; d < bc.count; ++d)
  {
    l.push_back(left[d].data());
    // Detector 1 reads its left input on both sides, as the mixer's mono paths do.
    r.push_back(d == 1 ? left[d].data() : right[d].data());
    lt.push_back(levelsTogether[d].data());
    f.push_back(factors[d].data());
    weights[d] = 0.25 + 0.5 * d;
  }
  BankInputScale scale;
  if (scaleMode == kScalePerDetector || scaleMode == kScaleMixed) scale.perDetector = weights.data();
  if (scaleMode == kScalePerFrame || scaleMode == kScaleMixed) scale.perFrame = f.data();
  const auto hasRow = [mode = scaleMode](int d)
  { return mode == kScalePerFrame || (mode == kScaleMixed && d % 3 != 0); };
  if (scaleMode == kScaleMixed)
    for (int d = 0; d < bc.count; d += 3)
      f[size_t(d)] = nullptr;
  for (int block = 0; block < 3; ++block)
  {
    for (int d = 0; d < bc.count; ++d)
      for (int i = 0; i < bc.frames; ++i)
      {
        // Bursts and silences, so that the envelopes attack, hold and release.
        const bool on = ((block * bc.frames + i) / 97 + d) % 3 != 0;
        left[d][i] = on ? u(rng) * (d + 1) / bc.count : 0.0;
        right[d][i] = on ? u(rng) : 0.0;
        // Detector 2's sides always carry the same samples; detector 3's only after the first block, when
        // its two sides' filters already differ.
        if (d == 2 || (d == 3 && block > 0)) right[d][i] = left[d][i];
        factors[d][i] = u(rng);
      }
    // Alone, each detector gets its inputs already multiplied.
    for (int d = 0; d < bc.count; ++d)
      for (int i = 0; i < bc.frames; ++i)
      {
        const double factor = hasRow(d) ? factors[d][i] : scaleMode == kNoScale ? 1.0 : weights[d];
        scaledLeft[d][i] = l[d][i] * factor;
        scaledRight[d][i] = r[d][i] * factor;
      }
    for (int d = 0; d < bc.count; ++d)
      alone[d].ProcessBlock(bc.preFilter, scaledLeft[d].data(), scaledRight[d].data(), bc.frames,
                            levelsAlone[d].data());
    ProcessDetectorsSideBySide(bank.data(), bc.count, bc.preFilter, l.data(), r.data(), bc.frames, lt.data(),
                               scale, isa);
    for (int d = 0; d < bc.count; ++d)
    {
      for (int i = 0; i < bc.frames; ++i)
        ASSERT_TRUE(SameBits(levelsAlone[d][i], levelsTogether[d][i])) << d << " " << i;
      ASSERT_TRUE(SameBits(alone[d].Level(), together[d].Level())) << d;
      ASSERT_TRUE(SameBits(alone[d].Peak(), together[d].Peak())) << d;
      ASSERT_TRUE(SameBits(alone[d].mStage2, together[d].mStage2)) << d;
      ASSERT_TRUE(SameBits(alone[d].mLowPassRight.y0, together[d].mLowPassRight.y0)) << d;
      ASSERT_TRUE(SameBits(alone[d].mLowPassRight.x2, together[d].mLowPassRight.x2)) << d;
      ASSERT_TRUE(SameBits(alone[d].mHighPassRight.y2, together[d].mHighPassRight.y2)) << d;
      ASSERT_TRUE(SameBits(alone[d].mHighPassRight.x1, together[d].mHighPassRight.x1)) << d;
      ASSERT_TRUE(SameBits(alone[d].mHighPassLeft.x0, together[d].mHighPassLeft.x0)) << d;
      ASSERT_EQ(alone[d].mEnvelope1.mState, together[d].mEnvelope1.mState) << d;
      ASSERT_EQ(alone[d].mEnvelope2.mHoldCounter, together[d].mEnvelope2.mHoldCounter) << d;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Banks, DetectorBankEquality,
    testing::Combine(testing::Values(BankCase{32, true, 512, 48000.0}, BankCase{32, false, 128, 44100.0},
                                     BankCase{7, true, 100, 96000.0}, BankCase{1, true, 33, 48000.0},
                                     BankCase{2, false, 1, 48000.0}, BankCase{5, true, 4096, 44100.0},
                                     BankCase{45, true, 200, 48000.0}, BankCase{9, true, 103, 48000.0}),
                     testing::Values(kLaneIsaSse2, kLaneIsaAvx2, kLaneIsaAvx512, kLaneIsaBest),
                     testing::Values(kNoScale, kScalePerDetector, kScalePerFrame, kScaleMixed)));

TEST(DetectorBank, LeavesLevelsOutWhenNotAsked)
{
  LevelDetector a, b;
  a.Prepare(48000.0);
  b.Prepare(48000.0);
  LevelDetector* bank[2] = {&a, &b};
  const std::vector<double> in(64, 0.5);
  const double* l[2] = {in.data(), in.data()};
  ProcessDetectorsSideBySide(bank, 2, true, l, l, 64, nullptr);
  EXPECT_GT(a.Level(), 0.0);
  EXPECT_EQ(a.Level(), b.Level());
  // Nothing to do for no frames or no detectors.
  ProcessDetectorsSideBySide(bank, 0, true, l, l, 64, nullptr);
  ProcessDetectorsSideBySide(bank, 2, true, l, l, 0, nullptr);
}
} // namespace

namespace
{
// Silent detectors come to rest (settled filters, smoother and peak hold) and are then left out; what they
// show, and how they wake up, stays that of their own block processing. Silence comes as +0, as -0, and as
// a signal times a factor of 0 (a closed channel's gain).
TEST(DetectorBank, DetectorsAtRestStayBitForBitTheirOwn)
{
  constexpr int kCount = 6, kFrames = 250; // not a whole number of filter cycles
  constexpr double kRate = 1000.0;         // a 2 s peak hold is 2,000 frames
  for (const bool preFilter : {true, false})
    for (const ELaneIsa isa : {kLaneIsaSse2, kLaneIsaAvx2, kLaneIsaAvx512})
    {
      if (!LaneIsaSupported(isa)) continue;
      std::vector<LevelDetector> alone(kCount), together(kCount);
      std::vector<LevelDetector*> bank;
      for (int d = 0; d < kCount; ++d)
      {
        alone[d].Prepare(kRate);
        alone[d].SetEnvelopeTimes(0.01, 0.02 * d, 0.05);
        together[d] = alone[d];
        bank.push_back(&together[d]);
      }
      std::mt19937 rng(3);
      std::uniform_real_distribution<double> u(-1.0, 1.0);
      std::vector<std::vector<double>> in(kCount, std::vector<double>(kFrames)),
          factor = in, scaled = in, levelsAlone = in, levelsTogether = in;
      std::vector<const double*> inPtr, factorPtr;
      std::vector<double*> levelPtr;
      for (int d = 0; d < kCount; ++d)
      {
        inPtr.push_back(in[d].data());
        factorPtr.push_back(factor[d].data());
        levelPtr.push_back(levelsTogether[d].data());
      }
      int restingBlocks = 0;
      for (int block = 0; block < 60; ++block)
      {
        for (int d = 0; d < kCount; ++d)
        {
          // Detector d talks in blocks 0, 30 + d and 31 + d, and is silent otherwise.
          const bool talks = block == 0 || block == 30 + d || block == 31 + d;
          for (int i = 0; i < kFrames; ++i)
          {
            const double x = u(rng);
            in[d][i] = talks || d % 3 == 2 ? x : (d % 3 == 0 ? 0.0 : -0.0);
            factor[d][i] = talks ? 0.5 : 0.0;
            scaled[d][i] = in[d][i] * factor[d][i];
          }
        }
        const LevelDetector before = together[kCount - 1];
        for (int d = 0; d < kCount; ++d)
          alone[d].ProcessBlock(preFilter, scaled[d].data(), scaled[d].data(), kFrames,
                                levelsAlone[d].data());
        ProcessDetectorsSideBySide(bank.data(), kCount, preFilter, inPtr.data(), inPtr.data(), kFrames,
                                   levelPtr.data(), BankInputScale{nullptr, factorPtr.data()}, isa);
        for (int d = 0; d < kCount; ++d)
        {
          for (int i = 0; i < kFrames; ++i)
            ASSERT_TRUE(SameBits(levelsAlone[d][i], levelsTogether[d][i])) << block << " " << d << " " << i;
          ASSERT_TRUE(SameBits(alone[d].Peak(), together[d].Peak())) << block << " " << d;
          ASSERT_TRUE(SameBits(alone[d].mStage1, together[d].mStage1)) << block << " " << d;
          ASSERT_TRUE(SameBits(alone[d].mLowPassLeft.y1, together[d].mLowPassLeft.y1)) << block << " " << d;
          ASSERT_EQ(alone[d].mEnvelope2.mHoldCounter, together[d].mEnvelope2.mHoldCounter)
              << block << " " << d;
        }
        restingBlocks += SameBits(before.mStage2, together[kCount - 1].mStage2) &&
                         before.mEnvelope2.mHoldCounter == together[kCount - 1].mEnvelope2.mHoldCounter;
      }
      // The last detector did settle before it woke up: the case was reached.
      EXPECT_GT(restingBlocks, 5) << preFilter << " " << isa;
    }
}
} // namespace
