// Fringe corners as the GPU places them (VGfringeApart.cpp, VGfringeRibbons.cpp): in 256ths of a device
// pixel, the GPU's grid, where the GPU's corner lies within 1.25 of ours: each is rounded once, to within
// half a 256th, from places a float's rounding apart (ours on the GPU's grid, or on one that an affine map
// with a positive determinant takes to it, which keeps every sign these tests give).
#pragma once

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace iplugin::igraphics
{
struct VGfringePoint
{
  int64_t x, y;
};

// The fringe's units, of which pixel make a device pixel, to 256ths of a pixel: 0 where they cannot be.
inline double vgFringeSteps(float pixel)
{
  const double steps = 256.0 / (double)pixel;
  return steps > 0.0 && std::isfinite(steps) ? steps : 0.0;
}

// The bits of a corner as the GPU is handed it: corners alike there are placed alike.
inline uint64_t vgFringeHanded(float x, float y)
{
  uint32_t bx, by;
  std::memcpy(&bx, &x, 4), std::memcpy(&by, &y, 4);
  return (uint64_t)bx << 32 | by;
}

// A coordinate times steps, rounded as the GPU rounds; false where it lies too far out for the products of
// vgFringeTurn to stay exact.
inline bool vgFringePlace(float v, double steps, int64_t& placed)
{
  const double at = (double)v * steps;
  if (!(std::fabs(at) < double(int64_t(1) << 28))) return false;
  const int64_t i = (int64_t)at;
  const double rest = at - (double)i;
  placed = rest >= 0.5 ? i + 1 : rest <= -0.5 ? i - 1 : i;
  return true;
}

// Both coordinates of a corner placed as vgFringePlace places each, side by side: false where either
// cannot be.
inline bool vgFringePlaceBoth(float x, float y, double steps, VGfringePoint& placed)
{
#if defined(__SSE2__)
  const __m128d at = _mm_mul_pd(_mm_cvtps_pd(_mm_setr_ps(x, y, 0.0f, 0.0f)), _mm_set1_pd(steps));
  const __m128d size = _mm_andnot_pd(_mm_set1_pd(-0.0), at);
  if (_mm_movemask_pd(_mm_cmplt_pd(size, _mm_set1_pd(double(int64_t(1) << 28)))) != 3) return false;
  // Within 2^28, truncated in 32 bits as in 64.
  const __m128i i = _mm_cvttpd_epi32(at);
  const __m128d rest = _mm_sub_pd(at, _mm_cvtepi32_pd(i));
  // Each comparison's lanes, all ones (-1) where it holds, to 32 bits: one up, one down.
  const __m128i up = _mm_shuffle_epi32(_mm_castpd_si128(_mm_cmpge_pd(rest, _mm_set1_pd(0.5))), 0x08),
                down = _mm_shuffle_epi32(_mm_castpd_si128(_mm_cmple_pd(rest, _mm_set1_pd(-0.5))), 0x08);
  const __m128i rounded = _mm_add_epi32(_mm_sub_epi32(i, up), down);
  placed.x = _mm_cvtsi128_si32(rounded);
  placed.y = _mm_cvtsi128_si32(_mm_shuffle_epi32(rounded, 1));
  return true;
#else
  return vgFringePlace(x, steps, placed.x) && vgFringePlace(y, steps, placed.y);
#endif
}

// The sign of (b - a) x (c - a) for the corners as the GPU may round them: +1 or -1 where it cannot
// change, else 0. Each corner moved by up to e (1.25) moves the product by up to
// 2 e (|b - a| + |c - a|, each the sum of its parts' sizes) + 8 e^2, here in quarters.
inline int vgFringeTurn(VGfringePoint a, VGfringePoint b, VGfringePoint c)
{
  const int64_t ux = b.x - a.x, uy = b.y - a.y, vx = c.x - a.x, vy = c.y - a.y;
  const int64_t cross4 = 4 * (ux * vy - uy * vx);
  const int64_t room4 = 10 * (std::abs(ux) + std::abs(uy) + std::abs(vx) + std::abs(vy)) + 50;
  return cross4 > room4 ? 1 : cross4 < -room4 ? -1 : 0;
}
} // namespace iplugin::igraphics
