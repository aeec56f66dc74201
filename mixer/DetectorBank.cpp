#include "mixer/DetectorBank.h"

#include <algorithm>
#include <cmath>

namespace iplugin
{
namespace
{
// Two detectors share one SSE register. A block is worked through in three passes (filters, smoother,
// envelopes) over sub-blocks, each pass stepping every detector of the bank in turn: the recursions of
// different detectors are independent, so the processor overlaps them.
constexpr int kMaxPairs = 32;
constexpr int kSubBlock = 32;

// Plain IEEE operations per element, exactly as the scalar code does them.
typedef double Pair __attribute__((vector_size(2 * sizeof(double))));
typedef long long PairMask __attribute__((vector_size(2 * sizeof(double))));

inline Pair Abs(Pair v)
{
  const PairMask noSign = {0x7FFFFFFFFFFFFFFFLL, 0x7FFFFFFFFFFFFFFFLL};
  return reinterpret_cast<Pair>(reinterpret_cast<PairMask>(v) & noSign);
}

inline Pair Splat(double v)
{
  return Pair{v, v};
}

// One filter section of two detectors.
struct SectionPair
{
  Pair b0, b1, b2, a1, a2;
  Pair x1, x2, y1, y2;

  void Load(const BiquadSection& p, const BiquadSection& q)
  {
    b0 = Pair{p.b0n, q.b0n};
    b1 = Pair{p.b1n, q.b1n};
    b2 = Pair{p.b2n, q.b2n};
    a1 = Pair{p.a1n, q.a1n};
    a2 = Pair{p.a2n, q.a2n};
    x1 = Pair{p.x1, q.x1};
    x2 = Pair{p.x2, q.x2};
    y1 = Pair{p.y1, q.y1};
    y2 = Pair{p.y2, q.y2};
  }

  void Store(BiquadSection& p, BiquadSection& q) const
  {
    BiquadSection* s[2] = {&p, &q};
    for (int k = 0; k < 2; ++k)
    {
      // x0 and y0 are the last step's input and output, that is the new x1 and y1.
      s[k]->x0 = x1[k];
      s[k]->y0 = y1[k];
      s[k]->x2 = x2[k];
      s[k]->x1 = x1[k];
      s[k]->y2 = y2[k];
      s[k]->y1 = y1[k];
    }
  }

  // BiquadSection::ProcessSample on both, in the same order of operations.
  Pair Step(Pair v)
  {
    const Pair tiny = Splat(BiquadSection::kAntiDenormal);
    const Pair x0 = v + tiny;
    const Pair y0 = b0 * x0 + b1 * x1 + b2 * x2 - a1 * y1 - a2 * y2 + tiny;
    x2 = x1;
    x1 = x0;
    y2 = y1;
    y1 = y0;
    return y0;
  }
};

} // namespace

void ProcessDetectorsSideBySide(LevelDetector* const* detectors, int count, bool preFilter,
                                const double* const* left, const double* const* right, int frames,
                                double* const* levels)
{
  if (frames <= 0 || count <= 0) return;
  const int pairs = std::min(count / 2, kMaxPairs);
  const int lanes = 2 * pairs;

  Pair s1[kMaxPairs], s2[kMaxPairs], smootherK[kMaxPairs], gain[kMaxPairs];
  GainSmoother::Kernel env1[2 * kMaxPairs], env2[2 * kMaxPairs];
  for (int j = 0; j < pairs; ++j)
  {
    const LevelDetector& p = *detectors[2 * j];
    const LevelDetector& q = *detectors[2 * j + 1];
    s1[j] = Pair{p.mStage1, q.mStage1};
    s2[j] = Pair{p.mStage2, q.mStage2};
    smootherK[j] = Pair{p.mSmootherK, q.mSmootherK};
    // e = |stage 2 x level gain x second gain|, multiplied in that order.
    gain[j] = Pair{p.mLevelGain, q.mLevelGain};
  }
  Pair second[kMaxPairs];
  for (int j = 0; j < pairs; ++j)
    second[j] = Pair{detectors[2 * j]->mSecondGain, detectors[2 * j + 1]->mSecondGain};
  for (int k = 0; k < lanes; ++k)
  {
    env1[k] = detectors[k]->mEnvelope1.Load();
    env2[k] = detectors[k]->mEnvelope2.Load();
  }
  const Pair half = Splat(0.5);
  const Pair offset = Splat(LevelDetector::kMagnitudeOffset);
  const Pair feedback = Splat(-LevelDetector::kSmootherFeedback);
  const Pair zero = Splat(0.0);

  alignas(64) Pair work[kSubBlock][kMaxPairs];
  for (int start = 0; start < frames; start += kSubBlock)
  {
    const int n = std::min(kSubBlock, frames - start);
    // Pass 1: pre-filter and magnitude, one pair of detectors at a time.
    for (int j = 0; j < pairs; ++j)
    {
      const double* l0 = left[2 * j] + start;
      const double* l1 = left[2 * j + 1] + start;
      const double* r0 = right[2 * j] + start;
      const double* r1 = right[2 * j + 1] + start;
      if (preFilter)
      {
        LevelDetector& p = *detectors[2 * j];
        LevelDetector& q = *detectors[2 * j + 1];
        SectionPair highL, highR, lowL, lowR;
        highL.Load(p.mHighPassLeft, q.mHighPassLeft);
        highR.Load(p.mHighPassRight, q.mHighPassRight);
        lowL.Load(p.mLowPassLeft, q.mLowPassLeft);
        lowR.Load(p.mLowPassRight, q.mLowPassRight);
        for (int i = 0; i < n; ++i)
        {
          const Pair l = lowL.Step(highL.Step(Pair{l0[i], l1[i]}));
          const Pair r = lowR.Step(highR.Step(Pair{r0[i], r1[i]}));
          work[i][j] = (Abs(l) + Abs(r)) * half + offset;
        }
        highL.Store(p.mHighPassLeft, q.mHighPassLeft);
        highR.Store(p.mHighPassRight, q.mHighPassRight);
        lowL.Store(p.mLowPassLeft, q.mLowPassLeft);
        lowR.Store(p.mLowPassRight, q.mLowPassRight);
      }
      else
      {
        for (int i = 0; i < n; ++i)
          work[i][j] = (Abs(Pair{l0[i], l1[i]}) + Abs(Pair{r0[i], r1[i]})) * half + offset;
      }
    }
    // Pass 2: the two-pole smoother, every pair in turn at each frame.
    for (int i = 0; i < n; ++i)
      for (int j = 0; j < pairs; ++j)
      {
        const Pair x = work[i][j];
        const Pair n1 = (feedback * s2[j] + x - s1[j]) * smootherK[j] + s1[j];
        const Pair n2 = (n1 - s2[j]) * smootherK[j] + s2[j];
        s1[j] = n1 < zero ? zero : n1;
        s2[j] = n2 < zero ? zero : n2;
        work[i][j] = Abs(s2[j] * gain[j] * second[j]);
      }
    // Pass 3: the envelopes, every detector in turn at each frame.
    for (int i = 0; i < n; ++i)
      for (int k = 0; k < lanes; ++k)
      {
        const double level = env1[k].Step(work[i][k / 2][k % 2]);
        env2[k].Step(std::fabs(level));
        if (levels && levels[k]) levels[k][start + i] = level;
      }
  }

  for (int j = 0; j < pairs; ++j)
  {
    LevelDetector& p = *detectors[2 * j];
    LevelDetector& q = *detectors[2 * j + 1];
    p.mStage1 = s1[j][0];
    q.mStage1 = s1[j][1];
    p.mStage2 = s2[j][0];
    q.mStage2 = s2[j][1];
  }
  for (int k = 0; k < lanes; ++k)
  {
    detectors[k]->mEnvelope1.Save(env1[k]);
    detectors[k]->mEnvelope2.Save(env2[k]);
  }
  // An odd detector, and any past the bank's width, on its own.
  for (int d = lanes; d < count; ++d)
    detectors[d]->ProcessBlock(preFilter, left[d], right[d], frames, levels ? levels[d] : nullptr);
}
} // namespace iplugin
