#include "mixer/DetectorBank.h"

#include "mixer/LaneVectors.h"
#include "mixer/SameBits.h"

#include <algorithm>
#include <cmath>
#include <cstring>

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
// last step's values and are overwritten by the next one). Compared field by field, which the compiler
// keeps inline (a call per comparison cost more than the comparison).
bool SameSection(const BiquadSection& p, const BiquadSection& q)
{
  return SameBits(p.x1, q.x1) && SameBits(p.x2, q.x2) && SameBits(p.y1, q.y1) && SameBits(p.y2, q.y2) &&
         SameBits(p.b0n, q.b0n) && SameBits(p.b1n, q.b1n) && SameBits(p.b2n, q.b2n) &&
         SameBits(p.a1n, q.a1n) && SameBits(p.a2n, q.a2n);
}

bool SameSteps(const GainSmoother& p, const GainSmoother& q)
{
  return SameBits(p.Value(), q.Value()) && p.mHoldCounter == q.mHoldCounter && p.mState == q.mState;
}

bool SameStates(const BiquadSection& p, const BiquadSection& q)
{
  return SameBits(p.x0, q.x0) && SameBits(p.x1, q.x1) && SameBits(p.x2, q.x2) && SameBits(p.y0, q.y0) &&
         SameBits(p.y1, q.y1) && SameBits(p.y2, q.y2);
}

// Steps of silence after which a settled detector is back where it was: its filters may keep toggling the
// last bit of their states in a cycle of up to four steps (far below what reaches the magnitude).
constexpr int kRestCycle = 4;
constexpr double kSilence[kRestCycle] = {};

// A detector at rest, given silent input for the whole block: kRestCycle steps of silence give its present
// level at every step and bring every state back where it was. Then the whole block would give that level
// at every frame and leave the detector where block-length-modulo-the-cycle steps of silence leave it. A
// channel without input or with its gain at 0 comes to rest once its filters, smoother and peak hold have
// settled.
bool AtRest(const LevelDetector& d, bool preFilter)
{
  LevelDetector probe = d;
  double levels[kRestCycle];
  probe.ProcessBlock(preFilter, kSilence, kSilence, kRestCycle, levels);
  for (double level : levels)
    if (!SameBits(level, d.Level())) return false;
  return SameBits(probe.mStage1, d.mStage1) && SameBits(probe.mStage2, d.mStage2) &&
         SameSteps(probe.mEnvelope1, d.mEnvelope1) && SameSteps(probe.mEnvelope2, d.mEnvelope2) &&
         SameStates(probe.mHighPassLeft, d.mHighPassLeft) &&
         SameStates(probe.mHighPassRight, d.mHighPassRight) &&
         SameStates(probe.mLowPassLeft, d.mLowPassLeft) && SameStates(probe.mLowPassRight, d.mLowPassRight);
}

// The pre-filter's sections of W detectors in the lanes of one register. Plain IEEE operations per lane,
// in the order in which the scalar code does them (no fused multiply-add: the library is built with
// contraction off); so in every part of the kernel below.
template <int W> struct LaneFilter
{
  using D = lanes::D<W>;

  // The states of one filter section of W detectors.
  struct SectionState
  {
    D x1, x2, y1, y2;
  };

  // The coefficients of one filter section of W detectors; its states are kept apart, so that a run can
  // hold them in registers while the coefficients are read from memory.
  struct Section
  {
    D b0, b1, b2, a1, a2;

    void Load(LevelDetector* const* lanes, BiquadSection LevelDetector::*member, SectionState& state)
    {
      for (int j = 0; j < W; ++j)
      {
        const BiquadSection& s = lanes[j]->*member;
        b0[j] = s.b0n;
        b1[j] = s.b1n;
        b2[j] = s.b2n;
        a1[j] = s.a1n;
        a2[j] = s.a2n;
        state.x1[j] = s.x1;
        state.x2[j] = s.x2;
        state.y1[j] = s.y1;
        state.y2[j] = s.y2;
      }
    }

    static void Store(LevelDetector* const* lanes, BiquadSection LevelDetector::*member,
                      const SectionState& state)
    {
      for (int j = 0; j < W; ++j)
      {
        BiquadSection& s = lanes[j]->*member;
        // x0 and y0 are the last step's input and output, that is the new x1 and y1.
        s.x0 = state.x1[j];
        s.y0 = state.y1[j];
        s.x2 = state.x2[j];
        s.x1 = state.x1[j];
        s.y2 = state.y2[j];
        s.y1 = state.y1[j];
      }
    }

    // BiquadSection::ProcessSample on every lane.
    [[gnu::always_inline]] D Step(SectionState& s, D v) const
    {
      const D tiny = lanes::Splat<W>(BiquadSection::kAntiDenormal);
      const D x0 = v + tiny;
      const D y0 = b0 * x0 + b1 * s.x1 + b2 * s.x2 - a1 * s.y1 - a2 * s.y2 + tiny;
      s.x2 = s.x1;
      s.x1 = x0;
      s.y2 = s.y1;
      s.y1 = y0;
      return y0;
    }
  };

  // A group's four filter sections, and their states.
  struct Filters
  {
    Section highLeft, lowLeft, highRight, lowRight;
  };
  struct FilterStates
  {
    SectionState highLeft, lowLeft, highRight, lowRight;
  };
};

// The state of a group of W detectors while a batch runs.
template <int W> struct LaneGroup
{
  using D = lanes::D<W>;
  using Envelope = lanes::Envelope<W>;
  using Filters = typename LaneFilter<W>::Filters;
  using FilterStates = typename LaneFilter<W>::FilterStates;

  Filters filters;
  FilterStates states;
  D stage1, stage2, smootherK, levelGain, secondGain, scale;
  Envelope envelope1, envelope2;
  bool alike; // both sides get the same samples and hold the same filter states
  bool unitSecondGain;
  bool rowScale;  // some lane takes its factors from a row; the others take scale
  bool unitScale; // every lane's factor is 1 (which changes no sample): the multiplication is left out
};

// The lanes of one group: detectors and their inputs.
template <int W> struct GroupLanes
{
  LevelDetector* detector[W];
  const double* left[W];
  const double* right[W];
  const double* perFrame[W];
  double* levels[W];
};

// Staging: the detectors' inputs times their scales, read into lanes.
template <int W> struct InputStaging
{
  using D = lanes::D<W>;
  using Group = LaneGroup<W>;
  using Lanes = GroupLanes<W>;
  static constexpr int kGroups = kBatch / W;

  // Frame i of one side of a group's input, times its scale.
  [[gnu::always_inline]] static D Input(const Group& gs, const Lanes& ln, const double* const* side, int i)
  {
    D v;
    for (int j = 0; j < W; ++j)
      v[j] = side[j][i];
    if (gs.rowScale)
    {
      D f;
      for (int j = 0; j < W; ++j)
        f[j] = ln.perFrame[j] ? ln.perFrame[j][i] : gs.scale[j];
      v *= f;
    }
    else if (!gs.unitScale)
      v *= gs.scale;
    return v;
  }

  // Frames start .. start + n of one side of group g's input, times its scale, into in[0 .. n)[g]: W frames
  // of W lanes are read as rows and turned into W frames of detector lanes, which costs fewer instructions
  // than gathering each frame's lanes one by one.
  [[gnu::always_inline]] static void StageInput(const Group& gs, const Lanes& ln, const double* const* side,
                                                int start, int n, D (*in)[kGroups], int g)
  {
    int i = 0;
    for (; i + W <= n; i += W)
    {
      D v[W];
      for (int j = 0; j < W; ++j)
        v[j] = lanes::LoadRow<W>(side[j] + start + i);
      lanes::Transpose(v);
      if (gs.rowScale)
      {
        D f[W];
        for (int j = 0; j < W; ++j)
          f[j] =
              ln.perFrame[j] ? lanes::LoadRow<W>(ln.perFrame[j] + start + i) : lanes::Splat<W>(gs.scale[j]);
        lanes::Transpose(f);
        for (int k = 0; k < W; ++k)
          v[k] *= f[k];
      }
      else if (!gs.unitScale)
        for (int k = 0; k < W; ++k)
          v[k] *= gs.scale;
      for (int k = 0; k < W; ++k)
        in[i + k][g] = v[k];
    }
    for (; i < n; ++i)
      in[i][g] = Input(gs, ln, side, start + i);
  }

  // Whether every input sample the detector would get (its input times its scale) is zero. Zero of either
  // sign: the pre-filter adds its offset to the input and the magnitude takes |x|, so both step alike.
  static bool SilentInput(const double* left, const double* right, double weight, const double* factors,
                          int frames)
  {
    const D zero = lanes::Splat<W>(0.0);
    int i = 0;
    // A loud channel is found in the first run of frames.
    for (constexpr int kRun = 4 * W; i + kRun <= frames; i += kRun)
    {
      lanes::I<W> loud = zero != zero;
      for (int k = i; k < i + kRun; k += W)
      {
        const D factor = factors ? lanes::LoadRow<W>(factors + k) : lanes::Splat<W>(weight);
        loud |=
            (lanes::LoadRow<W>(left + k) * factor != zero) | (lanes::LoadRow<W>(right + k) * factor != zero);
      }
      for (int j = 0; j < W; ++j)
        if (loud[j]) return false;
    }
    for (; i < frames; ++i)
    {
      const double factor = factors ? factors[i] : weight;
      if (left[i] * factor != 0.0 || right[i] * factor != 0.0) return false;
    }
    return true;
  }
};

// The filter part: the pre-filter and the magnitude, on filter states held in registers for a run.
template <int W> struct MagnitudeFilter
{
  using D = lanes::D<W>;
  using Group = LaneGroup<W>;
  using Lanes = GroupLanes<W>;
  static constexpr int kGroups = kBatch / W;
  using Staging = InputStaging<W>;
  using FilterStates = typename LaneFilter<W>::FilterStates;
  using Filters = typename LaneFilter<W>::Filters;

  // A run works on copies of a group's filter states, held in registers from frame to frame, and gives
  // them back after; with alike sides only the left ones.
  [[gnu::always_inline]] static FilterStates TakeStates(const Group& gs, bool alike)
  {
    if (!alike) return gs.states;
    FilterStates f;
    f.highLeft = gs.states.highLeft;
    f.lowLeft = gs.states.lowLeft;
    return f;
  }

  [[gnu::always_inline]] static void GiveStates(Group& gs, const FilterStates& f, bool alike)
  {
    if (!alike)
    {
      gs.states = f;
      return;
    }
    gs.states.highLeft = f.highLeft;
    gs.states.lowLeft = f.lowLeft;
  }

  // One frame of one group's input l and r (times their scales), through the pre-filter, to the mean
  // magnitude. With Alike both sides get the same samples and hold the same states: the left side stands
  // for both and r is not read.
  template <bool PreFilter, bool Alike>
  [[gnu::always_inline]] static D MagnitudeOf(const Group& gs, FilterStates& f, D l, D r, D half, D offset)
  {
    const Filters& c = gs.filters;
    if constexpr (PreFilter) l = c.lowLeft.Step(f.lowLeft, c.highLeft.Step(f.highLeft, l));
    if constexpr (Alike) return (lanes::Abs<W>(l) + lanes::Abs<W>(l)) * half + offset;
    if constexpr (PreFilter) r = c.lowRight.Step(f.lowRight, c.highRight.Step(f.highRight, r));
    return (lanes::Abs<W>(l) + lanes::Abs<W>(r)) * half + offset;
  }

  // f.template operator()<PreFilter, Alike>() for the job's pre-filter and the group's sides.
  template <class F> [[gnu::always_inline]] static auto WithFlags(const Job& job, const Group& gs, F f)
  {
    if (job.preFilter)
      return gs.alike ? f.template operator()<true, true>() : f.template operator()<true, false>();
    return gs.alike ? f.template operator()<false, true>() : f.template operator()<false, false>();
  }

  // One frame on the group's own filters, its input read as it goes.
  [[gnu::always_inline]] static D Magnitude(const Job& job, Group& gs, const Lanes& ln, int i, D half,
                                            D offset)
  {
    return WithFlags(job, gs,
                     [&]<bool PreFilter, bool Alike>
                     {
                       const D l = Staging::Input(gs, ln, ln.left, i);
                       const D r = Alike ? l : Staging::Input(gs, ln, ln.right, i);
                       return MagnitudeOf<PreFilter, Alike>(gs, gs.states, l, r, half, offset);
                     });
  }

  // The magnitudes of frames 0 .. n of group g, from its staged input in work (left) and right, into
  // work[0 .. n)[g].
  template <bool PreFilter, bool Alike>
  [[gnu::always_inline]] static void MagnitudeRun(Group& gs, int n, D (*work)[kGroups],
                                                  const D (*right)[kGroups], int g, D half, D offset)
  {
    FilterStates f = TakeStates(gs, Alike);
    for (int i = 0; i < n; ++i)
      work[i][g] =
          MagnitudeOf<PreFilter, Alike>(gs, f, work[i][g], Alike ? work[i][g] : right[i][g], half, offset);
    GiveStates(gs, f, Alike);
  }

  [[gnu::always_inline]] static void MagnitudeRun(const Job& job, Group& gs, int n, D (*work)[kGroups],
                                                  const D (*right)[kGroups], int g, D half, D offset)
  {
    WithFlags(job, gs,
              [&]<bool PreFilter, bool Alike>
              { MagnitudeRun<PreFilter, Alike>(gs, n, work, right, g, half, offset); });
  }

  // The same for groups g and g + 1, both with their sides alike and the pre-filter on, in turn at each
  // frame: the two filter chains overlap. Their states fill 16 registers, which leaves AVX2 short of
  // registers for the rest; with AVX-512's 32 they stay in registers.
  [[gnu::always_inline]] static void AlikeFilteredPair(Group* groups, int n, D (*work)[kGroups], int g,
                                                       D half, D offset)
  {
    FilterStates a = TakeStates(groups[g], true), b = TakeStates(groups[g + 1], true);
    for (int i = 0; i < n; ++i)
    {
      work[i][g] = MagnitudeOf<true, true>(groups[g], a, work[i][g], work[i][g], half, offset);
      work[i][g + 1] =
          MagnitudeOf<true, true>(groups[g + 1], b, work[i][g + 1], work[i][g + 1], half, offset);
    }
    GiveStates(groups[g], a, true);
    GiveStates(groups[g + 1], b, true);
  }
};

// The envelope part: the two-pole smoother and the two envelopes.
template <int W> struct EnvelopeFollower
{
  using D = lanes::D<W>;
  using Group = LaneGroup<W>;
  using Lanes = GroupLanes<W>;
  static constexpr int kGroups = kBatch / W;

  // The two-pole smoother on one frame's magnitude; the level it gives envelope 1.
  [[gnu::always_inline]] static D Smooth(Group& gs, D x, D feedback, D zero)
  {
    const D n1 = (feedback * gs.stage2 + x - gs.stage1) * gs.smootherK + gs.stage1;
    const D n2 = (n1 - gs.stage2) * gs.smootherK + gs.stage2;
    gs.stage1 = n1 < zero ? zero : n1;
    gs.stage2 = n2 < zero ? zero : n2;
    // A second gain of 1 (as Prepare sets it) changes no product: that step is then left out.
    const D scaled = gs.stage2 * gs.levelGain;
    return lanes::Abs<W>(gs.unitSecondGain ? scaled : scaled * gs.secondGain);
  }

  // Both envelopes on frame i, envelope 1's value written where asked.
  // A job without levels skips the lanes' look at their level rows.
  [[gnu::always_inline]] static void StepEnvelopes(const Job& job, Group& gs, const Lanes& ln, int i, D x)
  {
    const D level = gs.envelope1.Step(x);
    gs.envelope2.Step(lanes::Abs<W>(level));
    if (!job.levels) return;
    for (int j = 0; j < W; ++j)
      if (ln.levels[j]) ln.levels[j][i] = level[j];
  }
};

// W detectors a register: a batch loaded into groups, run through the staging, filter and envelope parts
// a sub-block at a time, and stored back.
template <int W> struct Kernel
{
  using D = lanes::D<W>;
  using Group = LaneGroup<W>;
  using Lanes = GroupLanes<W>;
  static constexpr int kGroups = kBatch / W;
  using Staging = InputStaging<W>;
  using Filter = MagnitudeFilter<W>;
  using Envelopes = EnvelopeFollower<W>;

  // Runs the detectors not at rest, a batch at a time; those at rest take their shortcut.
  static void Run(const Job& job)
  {
    LevelDetector* busy[kBatch];
    const double* busyLeft[kBatch];
    const double* busyRight[kBatch];
    double* busyLevels[kBatch];
    double busyWeight[kBatch];
    const double* busyFactors[kBatch];
    const BankInputScale busyScale{job.scale.perDetector ? busyWeight : nullptr,
                                   job.scale.perFrame ? busyFactors : nullptr};
    Job busyJob{
        busy,     0, job.preFilter, busyLeft, busyRight, job.frames, job.levels ? busyLevels : nullptr,
        busyScale};
    for (int d = 0; d < job.count; ++d)
    {
      LevelDetector& detector = *job.detectors[d];
      const double weight = job.scale.perDetector ? job.scale.perDetector[d] : 1.0;
      const double* factors = job.scale.perFrame ? job.scale.perFrame[d] : nullptr;
      double* levels = job.levels ? job.levels[d] : nullptr;
      if (Staging::SilentInput(job.left[d], job.right[d], weight, factors, job.frames) &&
          AtRest(detector, job.preFilter))
      {
        if (levels) std::fill(levels, levels + job.frames, detector.Level());
        detector.ProcessBlock(job.preFilter, kSilence, kSilence, job.frames % kRestCycle, nullptr);
        continue;
      }
      const int n = busyJob.count++;
      busy[n] = &detector;
      busyLeft[n] = job.left[d];
      busyRight[n] = job.right[d];
      busyLevels[n] = levels;
      busyWeight[n] = weight;
      busyFactors[n] = factors;
      if (busyJob.count == kBatch)
      {
        RunBatch(busyJob);
        busyJob.count = 0;
      }
    }
    if (busyJob.count > 0) RunBatch(busyJob);
  }

  // At most kBatch detectors.
  static void RunBatch(const Job& job)
  {
    const int batch = job.count;
    const int groupCount = (batch + W - 1) / W;
    // A last group that is not full is filled up with copies of its last detector, whose results are
    // dropped.
    LevelDetector padding[W];
    Lanes lanes[kGroups];
    Group groups[kGroups];
    for (int l = 0; l < groupCount * W; ++l)
    {
      const int d = std::min(l, batch - 1);
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
      Load(job, lanes[g], groups[g], g);

    const D half = lanes::Splat<W>(0.5);
    const D offset = lanes::Splat<W>(LevelDetector::kMagnitudeOffset);
    const D feedback = lanes::Splat<W>(-LevelDetector::kSmootherFeedback);
    const D zero = lanes::Splat<W>(0.0);
    if (groupCount == 1)
    {
      // One group has no other chains to overlap with, but its frames can be: each frame's steps in one
      // loop let the envelopes of one frame run while the smoother works on the next.
      Group& gs = groups[0];
      for (int i = 0; i < job.frames; ++i)
        Envelopes::StepEnvelopes(
            job, gs, lanes[0], i,
            Envelopes::Smooth(gs, Filter::Magnitude(job, gs, lanes[0], i, half, offset), feedback, zero));
    }
    alignas(64) D work[kSubBlock][kGroups];
    alignas(64) D right[kSubBlock][kGroups];
    for (int start = 0; groupCount > 1 && start < job.frames; start += kSubBlock)
    {
      const int n = std::min(kSubBlock, job.frames - start);
      // Pass 1: the inputs times their scales, then the pre-filter and the magnitude, a group (or two) over
      // the sub-block at a time with its filter states in registers. A filter's recursion is a long chain of
      // dependent operations; two groups stepped in turn at each frame overlap their chains.
      for (int g = 0; g < groupCount; ++g)
      {
        Staging::StageInput(groups[g], lanes[g], lanes[g].left, start, n, work, g);
        if (!groups[g].alike) Staging::StageInput(groups[g], lanes[g], lanes[g].right, start, n, right, g);
      }
      for (int g = 0; g < groupCount; ++g)
      {
        if (job.preFilter && groups[g].alike && g + 1 < groupCount && groups[g + 1].alike)
        {
          Filter::AlikeFilteredPair(groups, n, work, g, half, offset);
          ++g;
        }
        else
          Filter::MagnitudeRun(job, groups[g], n, work, right, g, half, offset);
      }
      // Pass 2: the two-pole smoother, every group in turn at each frame.
      for (int i = 0; i < n; ++i)
        for (int g = 0; g < groupCount; ++g)
          work[i][g] = Envelopes::Smooth(groups[g], work[i][g], feedback, zero);
      // Pass 3: the envelopes, every group in turn at each frame.
      for (int i = 0; i < n; ++i)
        for (int g = 0; g < groupCount; ++g)
          Envelopes::StepEnvelopes(job, groups[g], lanes[g], start + i, work[i][g]);
    }
    for (int g = 0; g < groupCount; ++g)
      Store(job, lanes[g], groups[g]);
  }

  static void Load(const Job& job, const Lanes& ln, Group& gs, int g)
  {
    LevelDetector* const* d = ln.detector;
    gs.filters.highLeft.Load(d, &LevelDetector::mHighPassLeft, gs.states.highLeft);
    gs.filters.lowLeft.Load(d, &LevelDetector::mLowPassLeft, gs.states.lowLeft);
    gs.filters.highRight.Load(d, &LevelDetector::mHighPassRight, gs.states.highRight);
    gs.filters.lowRight.Load(d, &LevelDetector::mLowPassRight, gs.states.lowRight);
    GainSmoother* envelope1[W];
    GainSmoother* envelope2[W];
    for (int j = 0; j < W; ++j)
    {
      envelope1[j] = &d[j]->mEnvelope1;
      envelope2[j] = &d[j]->mEnvelope2;
    }
    gs.envelope1.Load(envelope1);
    gs.envelope2.Load(envelope2);
    gs.alike = true;
    gs.unitSecondGain = true;
    gs.rowScale = false;
    gs.unitScale = true;
    for (int j = 0; j < W; ++j)
    {
      gs.unitSecondGain = gs.unitSecondGain && SameBits(d[j]->mSecondGain, 1.0);
      gs.stage1[j] = d[j]->mStage1;
      gs.stage2[j] = d[j]->mStage2;
      gs.smootherK[j] = d[j]->mSmootherK;
      gs.levelGain[j] = d[j]->mLevelGain;
      gs.secondGain[j] = d[j]->mSecondGain;
      const int lane = std::min(g * W + j, job.count - 1);
      gs.scale[j] = job.scale.perDetector ? job.scale.perDetector[lane] : 1.0;
      gs.rowScale = gs.rowScale || ln.perFrame[j];
      gs.unitScale = gs.unitScale && SameBits(gs.scale[j], 1.0);
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
      gs.states.highRight = gs.states.highLeft;
      gs.states.lowRight = gs.states.lowLeft;
    }
    if (job.preFilter)
    {
      LaneFilter<W>::Section::Store(d, &LevelDetector::mHighPassLeft, gs.states.highLeft);
      LaneFilter<W>::Section::Store(d, &LevelDetector::mLowPassLeft, gs.states.lowLeft);
      LaneFilter<W>::Section::Store(d, &LevelDetector::mHighPassRight, gs.states.highRight);
      LaneFilter<W>::Section::Store(d, &LevelDetector::mLowPassRight, gs.states.lowRight);
    }
    GainSmoother* envelope1[W];
    GainSmoother* envelope2[W];
    for (int j = 0; j < W; ++j)
    {
      envelope1[j] = &d[j]->mEnvelope1;
      envelope2[j] = &d[j]->mEnvelope2;
    }
    gs.envelope1.Store(envelope1);
    gs.envelope2.Store(envelope2);
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

__attribute__((target("avx2,avx512f,avx512vl"), flatten)) void RunAvx512(const Job& job)
{
  Kernel<4>::Run(job);
}

// Two detectors or fewer fill a pair: fours would carry copies that cost as much again.
__attribute__((target("avx2"), flatten)) void RunAvx2Pairs(const Job& job)
{
  Kernel<2>::Run(job);
}

// Pairs: wider registers built from SSE2 halves cost more than they give.
__attribute__((flatten)) void RunSse2(const Job& job)
{
  Kernel<2>::Run(job);
}

} // namespace

void ProcessDetectorsSideBySide(LevelDetector* const* detectors, int count, bool preFilter,
                                const double* const* left, const double* const* right, int frames,
                                double* const* levels, BankInputScale scale, ELaneIsa isa)
{
  if (frames <= 0 || count <= 0) return;
  const Job job{detectors, count, preFilter, left, right, frames, levels, scale};
  const ELaneIsa resolved = ResolveLaneIsa(isa);
  if (resolved == kLaneIsaSse2)
    RunSse2(job);
  else if (count <= 2)
    RunAvx2Pairs(job);
  else
    resolved == kLaneIsaAvx512 ? RunAvx512(job) : RunAvx2(job);
}
} // namespace iplugin
