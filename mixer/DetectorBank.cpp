#include "mixer/DetectorBank.h"

#include <algorithm>
#include <cmath>
#include <cstring>

// The kernels below take and return wide registers only inside the entry points built for their
// instruction set, where everything is inlined; no such value crosses a call between differently built code.
#pragma GCC diagnostic ignored "-Wpsabi"

namespace iplugin
{
namespace
{
// Detectors per run of the kernel, and frames per pass of it: a pass's results for every detector stay
// in the first-level cache until the next pass reads them.
constexpr int kBatch = 32;
constexpr int kSubBlock = 32;

struct Job
{
  LevelDetector* const* detectors;
  int count;
  bool preFilter;
  const double* const* left;
  const double* const* right;
  int frames;
  double* const* levels;
  BankInputScale scale;
};

// Whether two sections give the same outputs for the same inputs from here on (x0 and y0 are only the
// last step's values and are overwritten by the next one).
bool SameSection(const BiquadSection& p, const BiquadSection& q)
{
  const double a[] = {p.x1, p.x2, p.y1, p.y2, p.b0n, p.b1n, p.b2n, p.a1n, p.a2n};
  const double b[] = {q.x1, q.x2, q.y1, q.y2, q.b0n, q.b1n, q.b2n, q.a1n, q.a2n};
  return std::memcmp(a, b, sizeof a) == 0;
}

// Registers of W doubles and of W 64-bit integers (the masks of comparisons).
template <int W> struct VectorTypes;
template <> struct VectorTypes<2>
{
  typedef double D __attribute__((vector_size(16)));
  typedef long long I __attribute__((vector_size(16)));
};
template <> struct VectorTypes<4>
{
  typedef double D __attribute__((vector_size(32)));
  typedef long long I __attribute__((vector_size(32)));
};

// W detectors in the lanes of one register. Plain IEEE operations per lane, in the order in which the
// scalar code does them (no fused multiply-add: the library is built with contraction off).
template <int W> struct Kernel
{
  using D = typename VectorTypes<W>::D;
  using I = typename VectorTypes<W>::I;
  static constexpr int kGroups = kBatch / W;

  [[gnu::always_inline]] static D Splat(double v)
  {
    D r;
    for (int j = 0; j < W; ++j)
      r[j] = v;
    return r;
  }

  [[gnu::always_inline]] static I SplatInt(long long v)
  {
    I r;
    for (int j = 0; j < W; ++j)
      r[j] = v;
    return r;
  }

  [[gnu::always_inline]] static D Abs(D v) { return reinterpret_cast<D>(reinterpret_cast<I>(v) & SplatInt(0x7FFFFFFFFFFFFFFFLL)); }

  // One filter section of W detectors.
  struct Section
  {
    D b0, b1, b2, a1, a2, x1, x2, y1, y2;

    void Load(LevelDetector* const* lanes, BiquadSection LevelDetector::*member)
    {
      for (int j = 0; j < W; ++j)
      {
        const BiquadSection& s = lanes[j]->*member;
        b0[j] = s.b0n;
        b1[j] = s.b1n;
        b2[j] = s.b2n;
        a1[j] = s.a1n;
        a2[j] = s.a2n;
        x1[j] = s.x1;
        x2[j] = s.x2;
        y1[j] = s.y1;
        y2[j] = s.y2;
      }
    }

    void Store(LevelDetector* const* lanes, BiquadSection LevelDetector::*member) const
    {
      for (int j = 0; j < W; ++j)
      {
        BiquadSection& s = lanes[j]->*member;
        // x0 and y0 are the last step's input and output, that is the new x1 and y1.
        s.x0 = x1[j];
        s.y0 = y1[j];
        s.x2 = x2[j];
        s.x1 = x1[j];
        s.y2 = y2[j];
        s.y1 = y1[j];
      }
    }

    // BiquadSection::ProcessSample on every lane.
    [[gnu::always_inline]] D Step(D v)
    {
      const D tiny = Splat(BiquadSection::kAntiDenormal);
      const D x0 = v + tiny;
      const D y0 = b0 * x0 + b1 * x1 + b2 * x2 - a1 * y1 - a2 * y2 + tiny;
      x2 = x1;
      x1 = x0;
      y2 = y1;
      y1 = y0;
      return y0;
    }
  };

  // GainSmoother::Kernel on every lane, its branches turned into selections. The hold counts and the
  // state are held as doubles (whole numbers far below 2^53), so that every test is a comparison of
  // doubles and every choice a selection between them.
  struct Envelope
  {
    D attack, release, value, holdSamples, holdCounter, state;

    void Load(LevelDetector* const* lanes, GainSmoother LevelDetector::*member)
    {
      for (int j = 0; j < W; ++j)
      {
        const GainSmoother::Kernel k = (lanes[j]->*member).Load();
        attack[j] = k.attack;
        release[j] = k.release;
        value[j] = k.value;
        holdSamples[j] = k.holdSamples;
        holdCounter[j] = k.holdCounter;
        state[j] = k.state;
      }
    }

    void Store(LevelDetector* const* lanes, GainSmoother LevelDetector::*member) const
    {
      for (int j = 0; j < W; ++j)
      {
        GainSmoother::Kernel k = (lanes[j]->*member).Load();
        k.value = value[j];
        k.holdCounter = static_cast<int32_t>(holdCounter[j]);
        k.state = static_cast<uint32_t>(state[j]);
        (lanes[j]->*member).Save(k);
      }
    }

    [[gnu::always_inline]] D Step(D target)
    {
      const I up = target > value;
      const D fromTarget = value - target;
      const D attacked = fromTarget * attack + target;
      const D released = fromTarget * release + target;
      const I attacking = state == Splat(GainSmoother::kStateAttack);
      // The hold counter is compared before it is raised.
      const I holdOver = holdCounter >= holdSamples;
      const I endsHold = attacking & holdOver;
      const I releasing = (state == Splat(GainSmoother::kStateRelease)) | endsHold;
      const D next = up ? attacked : (releasing ? released : value);
      holdCounter = up ? Splat(0.0) : ((attacking & ~holdOver) ? holdCounter + Splat(1.0) : holdCounter);
      state = up ? Splat(GainSmoother::kStateAttack) : (endsHold ? Splat(GainSmoother::kStateRelease) : state);
      value = next < Splat(GainSmoother::kSnapToZero) ? Splat(0.0) : next;
      return value;
    }
  };

  struct Group
  {
    Section highLeft, lowLeft, highRight, lowRight;
    D stage1, stage2, smootherK, levelGain, secondGain, scale;
    Envelope envelope1, envelope2;
    bool alike; // both sides get the same samples and hold the same filter states
  };

  // The lanes of one group: detectors and their inputs.
  struct Lanes
  {
    LevelDetector* detector[W];
    const double* left[W];
    const double* right[W];
    const double* perFrame[W];
    double* levels[W];
  };

  static void Run(const Job& job)
  {
    for (int first = 0; first < job.count; first += kBatch)
      RunBatch(job, first, std::min(kBatch, job.count - first));
  }

  static void RunBatch(const Job& job, int first, int batch)
  {
    const int groupCount = (batch + W - 1) / W;
    // A last group that is not full is filled up with copies of its last detector, whose results are
    // dropped.
    LevelDetector padding[W];
    Lanes lanes[kGroups];
    Group groups[kGroups];
    for (int l = 0; l < groupCount * W; ++l)
    {
      const int d = first + std::min(l, batch - 1);
      Lanes& ln = lanes[l / W];
      const int j = l % W;
      if (l < batch)
        ln.detector[j] = job.detectors[d];
      else
      {
        padding[j] = *job.detectors[d];
        ln.detector[j] = &padding[j];
      }
      ln.left[j] = job.left[d];
      ln.right[j] = job.right[d];
      ln.perFrame[j] = job.scale.perFrame ? job.scale.perFrame[d] : nullptr;
      ln.levels[j] = l < batch && job.levels ? job.levels[d] : nullptr;
    }
    for (int g = 0; g < groupCount; ++g)
      Load(job, first, lanes[g], groups[g], g);

    const D half = Splat(0.5);
    const D offset = Splat(LevelDetector::kMagnitudeOffset);
    const D feedback = Splat(-LevelDetector::kSmootherFeedback);
    const D zero = Splat(0.0);
    alignas(64) D work[kSubBlock][kGroups];
    for (int start = 0; start < job.frames; start += kSubBlock)
    {
      const int n = std::min(kSubBlock, job.frames - start);
      // Pass 1: the inputs, the pre-filter and the magnitude, one group at a time.
      for (int g = 0; g < groupCount; ++g)
      {
        Group& gs = groups[g];
        const Lanes& ln = lanes[g];
        auto input = [&](const double* const* side, int i)
        {
          D v;
          for (int j = 0; j < W; ++j)
            v[j] = side[j][start + i];
          if (job.scale.perDetector) v *= gs.scale;
          if (job.scale.perFrame)
          {
            D f;
            for (int j = 0; j < W; ++j)
              f[j] = ln.perFrame[j][start + i];
            v *= f;
          }
          return v;
        };
        if (job.preFilter && gs.alike)
          for (int i = 0; i < n; ++i)
          {
            const D l = gs.lowLeft.Step(gs.highLeft.Step(input(ln.left, i)));
            work[i][g] = (Abs(l) + Abs(l)) * half + offset;
          }
        else if (job.preFilter)
          for (int i = 0; i < n; ++i)
          {
            const D l = gs.lowLeft.Step(gs.highLeft.Step(input(ln.left, i)));
            const D r = gs.lowRight.Step(gs.highRight.Step(input(ln.right, i)));
            work[i][g] = (Abs(l) + Abs(r)) * half + offset;
          }
        else if (gs.alike)
          for (int i = 0; i < n; ++i)
          {
            const D l = input(ln.left, i);
            work[i][g] = (Abs(l) + Abs(l)) * half + offset;
          }
        else
          for (int i = 0; i < n; ++i)
            work[i][g] = (Abs(input(ln.left, i)) + Abs(input(ln.right, i))) * half + offset;
      }
      // Pass 2: the two-pole smoother, every group in turn at each frame.
      for (int i = 0; i < n; ++i)
        for (int g = 0; g < groupCount; ++g)
        {
          Group& gs = groups[g];
          const D x = work[i][g];
          const D n1 = (feedback * gs.stage2 + x - gs.stage1) * gs.smootherK + gs.stage1;
          const D n2 = (n1 - gs.stage2) * gs.smootherK + gs.stage2;
          gs.stage1 = n1 < zero ? zero : n1;
          gs.stage2 = n2 < zero ? zero : n2;
          work[i][g] = Abs(gs.stage2 * gs.levelGain * gs.secondGain);
        }
      // Pass 3: the envelopes, every group in turn at each frame.
      for (int i = 0; i < n; ++i)
        for (int g = 0; g < groupCount; ++g)
        {
          Group& gs = groups[g];
          const D level = gs.envelope1.Step(work[i][g]);
          gs.envelope2.Step(Abs(level));
          for (int j = 0; j < W; ++j)
            if (lanes[g].levels[j]) lanes[g].levels[j][start + i] = level[j];
        }
    }
    for (int g = 0; g < groupCount; ++g)
      Store(job, lanes[g], groups[g]);
  }

  static void Load(const Job& job, int first, const Lanes& ln, Group& gs, int g)
  {
    LevelDetector* const* d = ln.detector;
    gs.highLeft.Load(d, &LevelDetector::mHighPassLeft);
    gs.lowLeft.Load(d, &LevelDetector::mLowPassLeft);
    gs.highRight.Load(d, &LevelDetector::mHighPassRight);
    gs.lowRight.Load(d, &LevelDetector::mLowPassRight);
    gs.envelope1.Load(d, &LevelDetector::mEnvelope1);
    gs.envelope2.Load(d, &LevelDetector::mEnvelope2);
    gs.alike = true;
    for (int j = 0; j < W; ++j)
    {
      gs.stage1[j] = d[j]->mStage1;
      gs.stage2[j] = d[j]->mStage2;
      gs.smootherK[j] = d[j]->mSmootherK;
      gs.levelGain[j] = d[j]->mLevelGain;
      gs.secondGain[j] = d[j]->mSecondGain;
      const int lane = std::min(g * W + j, job.count - first - 1);
      gs.scale[j] = job.scale.perDetector ? job.scale.perDetector[first + lane] : 1.0;
      const bool sameInput = ln.left[j] == ln.right[j] ||
                             std::memcmp(ln.left[j], ln.right[j], sizeof(double) * size_t(job.frames)) == 0;
      const bool sameFilters = !job.preFilter || (SameSection(d[j]->mHighPassLeft, d[j]->mHighPassRight) &&
                                                  SameSection(d[j]->mLowPassLeft, d[j]->mLowPassRight));
      gs.alike = gs.alike && sameInput && sameFilters;
    }
  }

  static void Store(const Job& job, const Lanes& ln, Group& gs)
  {
    LevelDetector* const* d = ln.detector;
    // Sides run as one end in the same states, as they would have run apart.
    if (job.preFilter && gs.alike)
    {
      gs.highRight = gs.highLeft;
      gs.lowRight = gs.lowLeft;
    }
    if (job.preFilter)
    {
      gs.highLeft.Store(d, &LevelDetector::mHighPassLeft);
      gs.lowLeft.Store(d, &LevelDetector::mLowPassLeft);
      gs.highRight.Store(d, &LevelDetector::mHighPassRight);
      gs.lowRight.Store(d, &LevelDetector::mLowPassRight);
    }
    gs.envelope1.Store(d, &LevelDetector::mEnvelope1);
    gs.envelope2.Store(d, &LevelDetector::mEnvelope2);
    for (int j = 0; j < W; ++j)
    {
      d[j]->mStage1 = gs.stage1[j];
      d[j]->mStage2 = gs.stage2[j];
    }
  }
};

__attribute__((target("avx2"), flatten)) void RunAvx2(const Job& job)
{
  Kernel<4>::Run(job);
}

// Pairs: wider registers built from SSE2 halves cost more than they give.
__attribute__((flatten)) void RunSse2(const Job& job)
{
  Kernel<2>::Run(job);
}

EBankIsa FindBestIsa()
{
  __builtin_cpu_init();
  if (__builtin_cpu_supports("avx2")) return kBankIsaAvx2;
  return kBankIsaSse2;
}

// Found when the program loads, so the audio thread never waits on a first-use guard.
const EBankIsa kBestIsa = FindBestIsa();
} // namespace

bool BankIsaSupported(EBankIsa isa)
{
  return isa == kBankIsaBest || isa <= kBestIsa;
}

void ProcessDetectorsSideBySide(LevelDetector* const* detectors, int count, bool preFilter,
                                const double* const* left, const double* const* right, int frames,
                                double* const* levels, BankInputScale scale, EBankIsa isa)
{
  if (frames <= 0 || count <= 0) return;
  const Job job{detectors, count, preFilter, left, right, frames, levels, scale};
  switch (isa == kBankIsaBest || !BankIsaSupported(isa) ? kBestIsa : isa)
  {
  case kBankIsaAvx2:
    RunAvx2(job);
    break;
  default:
    RunSse2(job);
    break;
  }
}
} // namespace iplugin
