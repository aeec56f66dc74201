// Registers of W doubles for the mixer's side-by-side code: W independent channels or frames in the lanes
// of one register, each lane doing exactly the IEEE operations the scalar code does, in the same order (the
// library is built with contraction off, so no multiply-add is ever fused). Included only by sources that
// build their entry points once per instruction set (LaneIsa.h) and inline everything below into them.
#pragma once

#include "mixer/GainSmoother.h"

#include <cstdint>

// Wide registers are taken and returned only inside the entry points built for their instruction set,
// where everything is inlined; no such value crosses a call between differently built code.
#pragma GCC diagnostic ignored "-Wpsabi"

namespace iplugin::lanes
{
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

template <int W> using D = typename VectorTypes<W>::D; // W doubles
template <int W> using I = typename VectorTypes<W>::I; // W masks, as comparisons give them

template <int W> [[gnu::always_inline]] inline D<W> Splat(double v)
{
  D<W> r;
  for (int j = 0; j < W; ++j)
    r[j] = v;
  return r;
}

template <int W> [[gnu::always_inline]] inline D<W> Abs(D<W> v)
{
  I<W> noSign;
  for (int j = 0; j < W; ++j)
    noSign[j] = 0x7FFFFFFFFFFFFFFFLL;
  return reinterpret_cast<D<W>>(reinterpret_cast<I<W>>(v) & noSign);
}

// W consecutive doubles from p (any alignment), and back.
template <int W> [[gnu::always_inline]] inline D<W> LoadRow(const double* p)
{
  D<W> v;
  __builtin_memcpy(&v, p, sizeof v);
  return v;
}
template <int W> [[gnu::always_inline]] inline void StoreRow(double* p, D<W> v)
{
  __builtin_memcpy(p, &v, sizeof v);
}

// Rows r[0..W) become columns: lane k of r[j] goes to lane j of r[k].
[[gnu::always_inline]] inline void Transpose(D<2>* r)
{
  const D<2> a = __builtin_shufflevector(r[0], r[1], 0, 2);
  const D<2> b = __builtin_shufflevector(r[0], r[1], 1, 3);
  r[0] = a;
  r[1] = b;
}
[[gnu::always_inline]] inline void Transpose(D<4>* r)
{
  const D<4> t0 = __builtin_shufflevector(r[0], r[1], 0, 4, 2, 6);
  const D<4> t1 = __builtin_shufflevector(r[0], r[1], 1, 5, 3, 7);
  const D<4> t2 = __builtin_shufflevector(r[2], r[3], 0, 4, 2, 6);
  const D<4> t3 = __builtin_shufflevector(r[2], r[3], 1, 5, 3, 7);
  r[0] = __builtin_shufflevector(t0, t2, 0, 1, 4, 5);
  r[1] = __builtin_shufflevector(t1, t3, 0, 1, 4, 5);
  r[2] = __builtin_shufflevector(t0, t2, 2, 3, 6, 7);
  r[3] = __builtin_shufflevector(t1, t3, 2, 3, 6, 7);
}

// GainSmoother::Kernel on W smoothers at once, its branches turned into selections. The hold counts and the
// state are held as doubles (whole numbers far below 2^53), so that every test is a comparison of doubles
// and every choice a selection between them.
template <int W> struct Envelope
{
  D<W> attack, release, value, holdSamples, holdCounter, state;

  void Load(GainSmoother* const* smoothers)
  {
    for (int j = 0; j < W; ++j)
    {
      const GainSmoother::Kernel k = smoothers[j]->Load();
      attack[j] = k.attack;
      release[j] = k.release;
      value[j] = k.value;
      holdSamples[j] = k.holdSamples;
      holdCounter[j] = k.holdCounter;
      state[j] = k.state;
    }
  }

  void Store(GainSmoother* const* smoothers) const
  {
    for (int j = 0; j < W; ++j)
    {
      GainSmoother::Kernel k = smoothers[j]->Load();
      k.value = value[j];
      k.holdCounter = static_cast<int32_t>(holdCounter[j]);
      k.state = static_cast<uint32_t>(state[j]);
      smoothers[j]->Save(k);
    }
  }

  [[gnu::always_inline]] D<W> Step(D<W> target)
  {
    const I<W> up = target > value;
    const D<W> fromTarget = value - target;
    const D<W> attacked = fromTarget * attack + target;
    const D<W> released = fromTarget * release + target;
    const I<W> attacking = state == Splat<W>(GainSmoother::kStateAttack);
    // The hold counter is compared before it is raised.
    const I<W> holdOver = holdCounter >= holdSamples;
    const I<W> endsHold = attacking & holdOver;
    const I<W> releasing = (state == Splat<W>(GainSmoother::kStateRelease)) | endsHold;
    const D<W> next = up ? attacked : (releasing ? released : value);
    holdCounter = up ? Splat<W>(0.0) : ((attacking & ~holdOver) ? holdCounter + Splat<W>(1.0) : holdCounter);
    state = up ? Splat<W>(GainSmoother::kStateAttack) : (endsHold ? Splat<W>(GainSmoother::kStateRelease) : state);
    value = next < Splat<W>(GainSmoother::kSnapToZero) ? Splat<W>(0.0) : next;
    return value;
  }
};
} // namespace iplugin::lanes
