// Fringe corners as the GPU places them (VGfringeApart.cpp, VGfringeRibbons.cpp): in 256ths of a device
// pixel, the GPU's grid, where the GPU's corner lies within 1.25 of ours: each is rounded once, to within
// half a 256th, from places a float's rounding apart (ours on the GPU's grid, or on one that an affine map
// with a positive determinant takes to it, which keeps every sign these tests give).
#pragma once

#include <algorithm>
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
// vgFringeTurn of corners placed in doubles, exact (so the same) where every difference of two of them lies
// below 2^25: its products below 2^50, cross4 and room4 below 2^53.
inline int vgFringeTurnAt(double ax, double ay, double bx, double by, double cx, double cy)
{
  const double ux = bx - ax, uy = by - ay, vx = cx - ax, vy = cy - ay;
  const double cross4 = 4.0 * (ux * vy - uy * vx);
  const double room4 = 10.0 * (std::fabs(ux) + std::fabs(uy) + std::fabs(vx) + std::fabs(vy)) + 50.0;
  return cross4 > room4 ? 1 : cross4 < -room4 ? -1 : 0;
}

// Turns asked together: the least of cross4 - room4 and the most of cross4 + room4 (their signs exact), so
// every turn is +1 where the least is above 0 and -1 where the most is below 0; how many turns were left out
// for corners handed alike; and of a polygon's corners, how many its edges' direction passes +x at going up
// (from below to at or above) and going down.
struct VGfringeTurns
{
  double least = INFINITY, most = -INFINITY;
  int64_t alike = 0, up = 0, down = 0;
  int Turn() const { return least > 0.0 ? 1 : most < 0.0 ? -1 : 0; }
};

// Corners placed in doubles, and as handed to the GPU where that is asked.
struct VGfringeCorners
{
  const double* x;
  const double* y;
  const uint64_t* handed = nullptr;
};

// The turns of a[i], b[i], c[i] for i from `from` to `to`, each taken the other way where `flip`; where the
// corners are handed, those of turns two of whose corners are alike there are left out (they cover nothing).
inline void vgFringeTurns(VGfringeCorners a, VGfringeCorners b, VGfringeCorners c, int from, int to, bool flip,
                          VGfringeTurns& t)
{
  int i = from;
  const bool handed = a.handed && b.handed && c.handed;
#if defined(__SSE2__)
  __m128d least = _mm_set1_pd(t.least), most = _mm_set1_pd(t.most);
  __m128i alike = _mm_setzero_si128(), up = _mm_setzero_si128(), down = _mm_setzero_si128();
  const __m128d size = _mm_set1_pd(-0.0), zero = _mm_setzero_pd(), far = _mm_set1_pd(INFINITY);
  const __m128d sign = flip ? size : zero;
  for (; i + 1 < to; i += 2)
  {
    const __m128d ax = _mm_loadu_pd(a.x + i), bx = _mm_loadu_pd(b.x + i), cx = _mm_loadu_pd(c.x + i);
    const __m128d ay = _mm_loadu_pd(a.y + i), by = _mm_loadu_pd(b.y + i), cy = _mm_loadu_pd(c.y + i);
    const __m128d ux = _mm_sub_pd(bx, ax), uy = _mm_sub_pd(by, ay), vx = _mm_sub_pd(cx, ax), vy = _mm_sub_pd(cy, ay);
    const __m128d cross4 =
        _mm_xor_pd(_mm_mul_pd(_mm_set1_pd(4.0), _mm_sub_pd(_mm_mul_pd(ux, vy), _mm_mul_pd(uy, vx))), sign);
    const __m128d sum = _mm_add_pd(_mm_add_pd(_mm_add_pd(_mm_andnot_pd(size, ux), _mm_andnot_pd(size, uy)),
                                              _mm_andnot_pd(size, vx)),
                                   _mm_andnot_pd(size, vy));
    const __m128d room4 = _mm_add_pd(_mm_mul_pd(_mm_set1_pd(10.0), sum), _mm_set1_pd(50.0));
    __m128d low = _mm_sub_pd(cross4, room4), high = _mm_add_pd(cross4, room4);
    if (handed)
    {
      // 64 bits alike: both halves' 32 alike.
      const __m128i ha = _mm_loadu_si128((const __m128i*)(a.handed + i)),
                    hb = _mm_loadu_si128((const __m128i*)(b.handed + i)),
                    hc = _mm_loadu_si128((const __m128i*)(c.handed + i));
      const __m128i ab = _mm_cmpeq_epi32(ha, hb), bc = _mm_cmpeq_epi32(hb, hc), ac = _mm_cmpeq_epi32(ha, hc);
      const __m128i e = _mm_or_si128(_mm_or_si128(_mm_and_si128(ab, _mm_shuffle_epi32(ab, 0xB1)),
                                                  _mm_and_si128(bc, _mm_shuffle_epi32(bc, 0xB1))),
                                     _mm_and_si128(ac, _mm_shuffle_epi32(ac, 0xB1)));
      const __m128d left = _mm_castsi128_pd(e);
      low = _mm_or_pd(_mm_and_pd(left, far), _mm_andnot_pd(left, low));
      high = _mm_or_pd(_mm_andnot_pd(left, high), _mm_and_pd(left, _mm_xor_pd(far, size)));
      alike = _mm_sub_epi64(alike, e); // -1 in a lane where it holds
    }
    else
    {
      const __m128d below0 = _mm_cmplt_pd(uy, zero), below1 = _mm_cmplt_pd(_mm_sub_pd(cy, by), zero);
      up = _mm_sub_epi64(up, _mm_castpd_si128(_mm_andnot_pd(below1, below0)));
      down = _mm_sub_epi64(down, _mm_castpd_si128(_mm_andnot_pd(below0, below1)));
    }
    least = _mm_min_pd(least, low), most = _mm_max_pd(most, high);
  }
  t.least = _mm_cvtsd_f64(_mm_min_pd(least, _mm_unpackhi_pd(least, least)));
  t.most = _mm_cvtsd_f64(_mm_max_pd(most, _mm_unpackhi_pd(most, most)));
  int64_t counts[6];
  _mm_storeu_si128((__m128i*)counts, alike), _mm_storeu_si128((__m128i*)(counts + 2), up);
  _mm_storeu_si128((__m128i*)(counts + 4), down);
  t.alike += counts[0] + counts[1], t.up += counts[2] + counts[3], t.down += counts[4] + counts[5];
#endif
  for (; i < to; ++i)
  {
    if (handed && (a.handed[i] == b.handed[i] || b.handed[i] == c.handed[i] || a.handed[i] == c.handed[i]))
    {
      ++t.alike;
      continue;
    }
    const double ux = b.x[i] - a.x[i], uy = b.y[i] - a.y[i], vx = c.x[i] - a.x[i], vy = c.y[i] - a.y[i];
    const double cross4 = 4.0 * (ux * vy - uy * vx) * (flip ? -1.0 : 1.0);
    const double room4 = 10.0 * (std::fabs(ux) + std::fabs(uy) + std::fabs(vx) + std::fabs(vy)) + 50.0;
    t.least = std::min(t.least, cross4 - room4), t.most = std::max(t.most, cross4 + room4);
    if (handed) continue;
    const double dy1 = c.y[i] - b.y[i];
    t.up += uy < 0.0 && !(dy1 < 0.0), t.down += dy1 < 0.0 && !(uy < 0.0);
  }
}
} // namespace iplugin::igraphics
