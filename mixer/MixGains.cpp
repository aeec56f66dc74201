#include "mixer/MixGains.h"

#include "mixer/Decibels.h"
#include "mixer/LaneVectors.h"
#include "mixer/MixerEngine.h"

#include <algorithm>
#include <cmath>

namespace iplugin
{
namespace
{
template <int W> struct GainKernel
{
  using D = lanes::D<W>;
  using I = lanes::I<W>;
  static constexpr int kMaxGroups = MixGainJob::kMaxChannels / W;

  [[gnu::always_inline]] static D Splat(double v) { return lanes::Splat<W>(v); }

  // Every lane through a scalar function of the library, as the scalar code calls it.
  template <class F> [[gnu::always_inline]] static D EachLane(D v, F f)
  {
    for (int k = 0; k < W; ++k)
      v[k] = f(v[k]);
    return v;
  }

  // The index of the largest of 32 levels per lane, the later one winning a tie: ArgMax32's knock-out,
  // pairs of neighbours first, then pairs of their winners.
  [[gnu::always_inline]] static D KnockOut32(const D* levels, D& best)
  {
    D value[MixGainJob::kMaxChannels], index[MixGainJob::kMaxChannels];
    for (int c = 0; c < MixGainJob::kMaxChannels; ++c)
    {
      value[c] = levels[c];
      index[c] = Splat(c);
    }
    for (int count = MixGainJob::kMaxChannels; count > 1; count /= 2)
      for (int k = 0; k < count / 2; ++k)
      {
        const I later = value[2 * k + 1] >= value[2 * k];
        value[k] = later ? value[2 * k + 1] : value[2 * k];
        index[k] = later ? index[2 * k + 1] : index[2 * k];
      }
    best = value[0];
    return index[0];
  }

  // Each channel's smoother target, |g|, for W frames at a time (lanes are frames).
  template <uint32_t Mode> static void Targets(const MixGainJob& job)
  {
    constexpr bool prio = Mode == kMixModePrio;
    const int n = job.channels;
    const int padded = (job.frames + W - 1) / W * W;
    for (int c = 0; c < n; ++c)
      for (int i = job.frames; i < padded; ++i)
      {
        job.levels[c][i] = 0.0;
        if (job.soloMute[c]) job.soloMute[c][i] = 0.0;
      }
    // "Prio" compares levels in dB, the other modes linear levels.
    const D floor = Splat(prio ? kSilenceDb : 0.0);
    const D threshold = Splat(prio ? job.gateDb : job.gate);
    const D zero = Splat(0.0), one = Splat(1.0);
    const int m = job.moderator < n ? job.moderator : -1;
    const bool powered = job.p != 1.0;

    for (int i = 0; i < padded; i += W)
    {
      D l[MixGainJob::kMaxChannels];
      D g[MixGainJob::kMaxChannels]; // every mode sets each channel's below
      for (int c = 0; c < n; ++c)
      {
        D level = lanes::LoadRow<W>(job.levels[c] + i);
        // A level times a solo/mute gain of 1 is the level.
        if (Mode != kMixModeOff && job.soloMute[c]) level *= lanes::LoadRow<W>(job.soloMute[c] + i);
        if constexpr (prio)
          l[c] = EachLane(level, [](double x) { return LinearToDb(x); });
        else
          l[c] = level;
      }
      // Only "Prio"'s knock-out reads the channels past n.
      if constexpr (prio)
        for (int c = n; c < MixGainJob::kMaxChannels; ++c)
          l[c] = floor;

      I speaks = zero < zero;
      if (m >= 0)
      {
        speaks = l[m] > threshold;
        l[m] = speaks ? floor : l[m];
      }
      for (int c = 0; c < n; ++c)
        l[c] = job.bypass[c] ? floor : ((threshold > l[c]) ? floor : l[c]);

      if constexpr (Mode == kMixModeOff)
      {
        D sum = zero;
        for (int c = 0; c < n; ++c)
          sum += l[c];
        const D gate = Splat(job.gate);
        for (int c = 0; c < n; ++c)
          g[c] = ((sum > zero) & (l[c] > gate)) ? one : zero;
      }
      else if constexpr (prio)
      {
        D best;
        const D w = KnockOut32(l, best);
        const I open = ~(Splat(job.gateDb) > best);
        for (int c = 0; c < n; ++c)
          g[c] = (open & (w == Splat(c))) ? one : zero;
      }
      else
      {
        D sum = zero, active = zero;
        for (int c = 0; c < n; ++c)
        {
          active += (l[c] > zero) ? one : zero;
          if (powered)
            for (int k = 0; k < W; ++k)
              if (l[c][k] != 0.0) l[c][k] = std::pow(l[c][k], job.p);
          sum += l[c];
        }
        const D scale = Mode == kMixModeAuto ? active : one;
        const I shared = sum > zero;
        for (int c = 0; c < n; ++c)
        {
          // std::min(x, 1.0) is x unless 1.0 < x.
          const D x = scale * l[c] / (shared ? sum : one);
          g[c] = shared ? ((one < x) ? one : x) : zero;
        }
      }

      if (m >= 0)
      {
        const D modAttn = Splat(job.modAttn);
        for (int c = 0; c < n; ++c)
          g[c] = speaks ? g[c] * modAttn : g[c];
        g[m] = speaks ? one : g[m];
      }
      for (int c = 0; c < n; ++c)
        lanes::StoreRow<W>(job.targets[c] + i, lanes::Abs<W>(job.bypass[c] ? one : g[c]));
    }
  }

  // Each channel's mix smoother towards its targets, times its solo/mute gain, W channels at a time (lanes
  // are channels): W frames of W channels are turned into W frames of channel lanes and back, and the gains
  // are multiplied in as rows.
  static void Smooth(const MixGainJob& job)
  {
    const int n = job.channels;
    const int groupCount = (n + W - 1) / W;
    // A last group that is not full is filled up with a copy of its last smoother over silent rows.
    GainSmoother padding[W];
    alignas(64) double silence[MixGainJob::kMaxFrames + MixGainJob::kRowPadding];
    alignas(64) double dropped[MixGainJob::kMaxFrames + MixGainJob::kRowPadding];
    if (groupCount * W > n) std::fill(std::begin(silence), std::end(silence), 0.0);
    const double* target[MixGainJob::kMaxChannels];
    const double* soloMute[MixGainJob::kMaxChannels];
    double* gain[MixGainJob::kMaxChannels];
    GainSmoother* smoother[MixGainJob::kMaxChannels];
    for (int c = 0; c < groupCount * W; ++c)
    {
      const bool real = c < n;
      if (!real) padding[c % W] = *job.smoothers[n - 1];
      smoother[c] = real ? job.smoothers[c] : &padding[c % W];
      target[c] = real ? job.targets[c] : silence;
      soloMute[c] = real ? job.soloMute[c] : nullptr; // a padding lane's gains are dropped
      gain[c] = real ? job.gains[c] : dropped;
    }
    lanes::Envelope<W> envelopes[kMaxGroups];
    for (int g = 0; g < groupCount; ++g)
      envelopes[g].Load(smoother + g * W);

    int i = 0;
    for (; i + W <= job.frames; i += W)
      for (int g = 0; g < groupCount; ++g)
      {
        D t[W];
        for (int j = 0; j < W; ++j)
          t[j] = lanes::LoadRow<W>(target[g * W + j] + i);
        lanes::Transpose(t);
        for (int k = 0; k < W; ++k)
          t[k] = envelopes[g].Step(t[k]);
        lanes::Transpose(t);
        for (int j = 0; j < W; ++j)
        {
          const double* s = soloMute[g * W + j];
          lanes::StoreRow<W>(gain[g * W + j] + i, s ? t[j] * lanes::LoadRow<W>(s + i) : t[j]);
        }
      }
    for (; i < job.frames; ++i)
      for (int g = 0; g < groupCount; ++g)
      {
        D t;
        for (int j = 0; j < W; ++j)
          t[j] = target[g * W + j][i];
        const D v = envelopes[g].Step(t);
        for (int j = 0; j < W; ++j)
        {
          const double* s = soloMute[g * W + j];
          gain[g * W + j][i] = s ? v[j] * s[i] : v[j];
        }
      }
    for (int g = 0; g < groupCount; ++g)
      envelopes[g].Store(smoother + g * W);
  }

  static void Run(const MixGainJob& job)
  {
    switch (job.mixMode)
    {
    case kMixModeOff:
      Targets<kMixModeOff>(job);
      break;
    case kMixModeAuto:
      Targets<kMixModeAuto>(job);
      break;
    case kMixModeAutoBal:
      Targets<kMixModeAutoBal>(job);
      break;
    default:
      Targets<kMixModePrio>(job);
      break;
    }
    Smooth(job);
  }
};

__attribute__((target("avx2"), flatten)) void RunAvx2(const MixGainJob& job)
{
  GainKernel<4>::Run(job);
}

__attribute__((flatten)) void RunSse2(const MixGainJob& job)
{
  GainKernel<2>::Run(job);
}
} // namespace

void ComputeMixGains(const MixGainJob& job, ELaneIsa isa)
{
  if (job.channels <= 0 || job.frames <= 0) return;
  const int n = std::min(job.channels, MixGainJob::kMaxChannels);
  // The gain kernel keeps no state across frames in registers: AVX2 serves the processors with AVX-512 too.
  auto run = ResolveLaneIsa(isa) >= kLaneIsaAvx2 ? RunAvx2 : RunSse2;
  if (job.frames <= MixGainJob::kMaxFrames && n == job.channels)
  {
    run(job);
    return;
  }
  // Longer runs in pieces; the working space is sized for one.
  double *levels[MixGainJob::kMaxChannels], *soloMute[MixGainJob::kMaxChannels];
  double *targets[MixGainJob::kMaxChannels], *gains[MixGainJob::kMaxChannels];
  MixGainJob piece = job;
  piece.channels = n;
  piece.levels = levels;
  piece.soloMute = soloMute;
  piece.targets = targets;
  piece.gains = gains;
  for (int start = 0; start < job.frames; start += MixGainJob::kMaxFrames)
  {
    piece.frames = std::min(MixGainJob::kMaxFrames, job.frames - start);
    for (int c = 0; c < n; ++c)
    {
      levels[c] = job.levels[c] + start;
      soloMute[c] = job.soloMute[c] ? job.soloMute[c] + start : nullptr;
      targets[c] = job.targets[c] + start;
      gains[c] = job.gains[c] + start;
    }
    run(piece);
  }
}
} // namespace iplugin
