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

// Lanes of v where mask is clear, +0 where it is set.
template <int W> [[gnu::always_inline]] inline D<W> ZeroWhere(I<W> mask, D<W> v)
{
  return reinterpret_cast<D<W>>(~mask & reinterpret_cast<I<W>>(v));
}

// GainSmoother::Kernel on W smoothers at once, its branches turned into selections. The hold count and the
// state are folded into one double per lane, so that a step tests one comparison: the steps since the last
// attack (or from the loaded count) while attacking, holding and after a release in this block, +infinity
// for a release loaded from an earlier block, -infinity while idle (never raised). A lane releases once its
// count is at or past the hold length, and the count goes on rising, so it stays released.
// Store gives back the count and the state the scalar steps would have left: a count is only lost on
// release, where it is the first count at or past the hold length since the last attack.
template <int W> struct Envelope
{
  D<W> attack, release, value, holdSamples, counter;
  I<W> attacked; // lanes that attacked since Load
  int32_t loadedCounter[W];
  uint32_t loadedState[W];

  void Load(GainSmoother* const* smoothers)
  {
    constexpr double kInfinity = __builtin_inf();
    for (int j = 0; j < W; ++j)
    {
      const GainSmoother::Kernel k = smoothers[j]->Load();
      attack[j] = k.attack;
      release[j] = k.release;
      value[j] = k.value;
      holdSamples[j] = k.holdSamples;
      counter[j] = k.state == GainSmoother::kStateAttack    ? static_cast<double>(k.holdCounter)
                   : k.state == GainSmoother::kStateRelease ? kInfinity
                                                            : -kInfinity;
      loadedCounter[j] = k.holdCounter;
      loadedState[j] = k.state;
      attacked[j] = 0;
    }
  }

  void Store(GainSmoother* const* smoothers) const
  {
    for (int j = 0; j < W; ++j)
    {
      GainSmoother::Kernel k = smoothers[j]->Load();
      k.value = value[j];
      if (counter[j] == -__builtin_inf() || counter[j] == __builtin_inf())
      {
        // Never raised: idle (or a state the steps never set), or still in the loaded release.
        k.holdCounter = loadedCounter[j];
        k.state = loadedState[j];
        smoothers[j]->Save(k);
        continue;
      }
      // Counted from 0 after an attack, else from the loaded count; released at the first count at or past
      // the hold length, which a count past both of them has passed.
      const double from = attacked[j] ? 0.0 : static_cast<double>(loadedCounter[j]);
      const double releasedAt = from > holdSamples[j] ? from : holdSamples[j];
      if (counter[j] > releasedAt)
      {
        k.state = GainSmoother::kStateRelease;
        k.holdCounter = static_cast<int32_t>(releasedAt);
      }
      else
      {
        k.state = GainSmoother::kStateAttack;
        k.holdCounter = static_cast<int32_t>(counter[j]);
      }
      smoothers[j]->Save(k);
    }
  }

  [[gnu::always_inline]] D<W> Step(D<W> target)
  {
    const I<W> up = target > value;
    const D<W> moved = (value - target) * (up ? attack : release) + target;
    // The count is compared before it is raised.
    const I<W> releasing = counter >= holdSamples;
    const D<W> next = (up | releasing) ? moved : value;
    counter = ZeroWhere<W>(up, counter + Splat<W>(1.0));
    attacked |= up;
    value = ZeroWhere<W>(next < Splat<W>(GainSmoother::kSnapToZero), next);
    return value;
  }
};
} // namespace iplugin::lanes
