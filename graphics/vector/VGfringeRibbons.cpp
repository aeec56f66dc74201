// Fringes told apart from their shape, not pair by pair. A path's fringe strip is a closed strip of
// triangles v_k, v_k+1, v_k+2, its last pair its first again. Taken with alternate signs, the triangles'
// boundaries sum to two polygons, its even corners E and its odd ones O (the edges the triangles share
// cancel), so where every triangle that covers anything is turned the same way once its sign is taken, each
// point lies in as many of them as O and E wind about it apart; where O and E are simple polygons turned
// alike, that is at most one. Two paths' ribbons (the region between their O and E) lie apart where their
// boxes do, or where one lies wholly inside the inner polygon of the other, where that is convex.
//
// Corners are placed as vgFringePlace places them but kept in doubles, side by side, so that a side's turns
// are asked two at a time. Within kReach of 0 every difference of two corners is below 2^25, its products
// below 2^50 and vgFringeTurn's cross and room below 2^53: exact, so each turn is vgFringeTurn's. A strip
// reaching further is not apart.
#include "graphics/vector/VGfringeApart.h"
#include "graphics/vector/VGfringePlaces.h"

#include "graphics/vector/VGpath.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace iplugin::igraphics
{
namespace
{
constexpr double kReach = double(1 << 24);

// A polygon's n corners, kept with its first two again after them so that a corner's next two are at
// hand.
struct Polygon
{
  std::vector<double> x, y;
  int n = 0;
  void Close()
  {
    x.resize((size_t)n + 2), y.resize((size_t)n + 2);
    x[(size_t)n] = x[0], x[(size_t)n + 1] = x[1];
    y[(size_t)n] = y[0], y[(size_t)n + 1] = y[1];
  }
};

int Turn(const double* x, const double* y, int a, int b, int c)
{
  return vgFringeTurnAt(x[a], y[a], x[b], y[b], x[c], y[c]);
}

int TurnTo(const Polygon& p, int a, int b, double qx, double qy)
{
  return vgFringeTurnAt(p.x[(size_t)a], p.y[(size_t)a], p.x[(size_t)b], p.y[(size_t)b], qx, qy);
}

// Whether the polygon is convex and winds once, turned `turn` (+1 or -1, set) at every corner.
bool ConvexOnce(const Polygon& p, int& turn)
{
  VGfringeTurns t;
  vgFringeSideTurns(p.x.data(), p.y.data(), p.n, t);
  turn = t.Turn();
  // Turning one way, the edges' direction passes +x once a turn: where it goes from below to above (or,
  // turning the other way, from above to below).
  return turn != 0 && (turn > 0 ? t.up : t.down) == 1;
}

// Whether (qx, qy) lies inside the convex polygon p (turned `turn`), beyond the rounding's reach of every
// edge.
bool Inside(const Polygon& p, int turn, double qx, double qy)
{
  const double* x = p.x.data();
  const double* y = p.y.data();
  const int n = p.n;
  // The fan's sector about corner 0 that q lies in, by halving; then the edges about it.
  int lo = 1, hi = n - 1;
  while (hi - lo > 1)
  {
    const int mid = (lo + hi) / 2;
    const double cross = (x[mid] - x[0]) * (qy - y[0]) - (y[mid] - y[0]) * (qx - x[0]);
    (cross > 0) == (turn > 0) ? lo = mid : hi = mid;
  }
  for (int e : {n - 1, 0, lo - 1, lo, hi})
    if (TurnTo(p, e, e + 1, qx, qy) != turn) return false;
  return true;
}

// The corners of a side that is neither convex nor seen whole from its mean corner most looked at: two such
// sides' edges are asked pair by pair.
constexpr int kMostCorners = 64;

// Whether the polygon turned `turn` winds once about its mean corner m, seen from which each edge turns
// `turn` wherever the GPU places its ends: then, however they are placed, each edge keeps to a wedge of its
// own about m and meets no other but its neighbours at their shared ends (a star, a wavy disc).
bool SeenWholeFromItsMean(const Polygon& p, int turn)
{
  const int n = p.n;
  const double* x = p.x.data();
  const double* y = p.y.data();
  double sx = 0, sy = 0; // whole, below 2^53
  for (int i = 0; i < n; ++i)
    sx += x[i], sy += y[i];
  const double mx = (double)((int64_t)sx / n), my = (double)((int64_t)sy / n);
  int winds = 0;
  for (int i = 0; i < n; ++i)
  {
    if (vgFringeTurnAt(mx, my, x[i], y[i], x[i + 1], y[i + 1]) != turn) return false;
    // Where the edge crosses the ray from m along +x (turned as it is, it crosses it going the turn's way).
    if ((y[i] <= my) != (y[i + 1] <= my) && (turn > 0) == (y[i + 1] > my)) ++winds;
  }
  return winds == 1;
}

// Whether the polygon, not convex, is simple and turned `turn` (set): every two edges apart but where they
// meet, as the GPU may place them, and its corners turned; seen whole from its mean corner, or of few
// corners.
bool SimpleOnce(const Polygon& p, int& turn)
{
  const int n = p.n;
  if (n < 3) return false;
  const double* x = p.x.data();
  const double* y = p.y.data();
  double area2 = 0.0, around = 0.0; // the way round whole, below 2^53
  for (int i = 0; i < n; ++i)
  {
    area2 += x[i] * y[i + 1] - x[i + 1] * y[i];
    around += std::fabs(x[i + 1] - x[i]) + std::fabs(y[i + 1] - y[i]);
  }
  // Room for the placing: each corner moved by 1.25 moves twice the area by up to 5 times the way round.
  if (!(std::fabs(area2) > 5.0 * around + 1.0)) return false;
  turn = area2 > 0 ? 1 : -1;
  // Seen whole, no edge can fold back on the one before it, however little their corner turns.
  if (SeenWholeFromItsMean(p, turn)) return true;
  if (n > kMostCorners) return false;
  for (int i = 0; i < n; ++i)
    if (Turn(x, y, i, i + 1, i + 2) == 0) return false;
  for (int i = 0; i < n; ++i)
    for (int j = i + 2; j < n; ++j)
    {
      if (i == 0 && j == n - 1) continue; // they meet at corner 0
      const int a = i, b = i + 1, d = j, e = j + 1;
      if (std::max(x[a], x[b]) + 3 < std::min(x[d], x[e]) || std::max(x[d], x[e]) + 3 < std::min(x[a], x[b]) ||
          std::max(y[a], y[b]) + 3 < std::min(y[d], y[e]) || std::max(y[d], y[e]) + 3 < std::min(y[a], y[b]))
        continue;
      const int d0 = Turn(x, y, a, b, d), d1 = Turn(x, y, a, b, e);
      if (d0 != 0 && d0 == d1) continue;
      const int a0 = Turn(x, y, d, e, a), a1 = Turn(x, y, d, e, b);
      if (a0 != 0 && a0 == a1) continue;
      return false;
    }
  return true;
}

struct Ribbon
{
  Polygon inner, outer; // the polygon inside and the one outside
  bool innerConvex;
  int turn;              // of both
  double x0, y0, x1, y1; // the outer's bounds
  // A disc inside the inner polygon where it is convex, with room for the rounding: its centre and squared
  // radius, made when another ribbon is first asked to lie within it.
  bool discMade;
  double cx, cy, clear2;
};

// The corners of one parity of the strip's first `corners`, corners alike in a row taken once.
bool Side(const double* x, const double* y, const uint64_t* h, int corners, int parity, Polygon& p)
{
  p.x.resize((size_t)corners / 2 + 2), p.y.resize((size_t)corners / 2 + 2);
  double* px = p.x.data();
  double* py = p.y.data();
  int n = 1;
  px[0] = x[parity], py[0] = y[parity];
  for (int k = parity + 2; k < corners; k += 2)
  {
    // Written always, kept where it differs from the last.
    px[n] = x[k], py[n] = y[k];
    n += h[k] != h[k - 2];
  }
  if (n > 1 && h[parity] == h[corners - 2 + parity]) --n;
  p.n = n;
  if (p.n < 3) return false;
  p.Close();
  return true;
}

// Corners c to c + 1 of the strip placed as vgFringePlace places them, in doubles; false where one lies
// beyond kReach or is not finite.
bool PlacePair(const VGvertex* v, double steps, double* x, double* y, uint64_t* h, int c)
{
  std::memcpy(h + c, &v[c].x, 8), std::memcpy(h + c + 1, &v[c + 1].x, 8);
#if defined(__SSE2__)
  const __m128d a = _mm_cvtps_pd(_mm_castsi128_ps(_mm_loadl_epi64((const __m128i*)(h + c))));
  const __m128d b = _mm_cvtps_pd(_mm_castsi128_ps(_mm_loadl_epi64((const __m128i*)(h + c + 1))));
  const __m128d at[2] = {_mm_mul_pd(_mm_unpacklo_pd(a, b), _mm_set1_pd(steps)),
                         _mm_mul_pd(_mm_unpackhi_pd(a, b), _mm_set1_pd(steps))};
  __m128d placed[2];
  for (int i = 0; i < 2; ++i)
  {
    const __m128d size = _mm_andnot_pd(_mm_set1_pd(-0.0), at[i]);
    if (_mm_movemask_pd(_mm_cmplt_pd(size, _mm_set1_pd(kReach))) != 3) return false;
    const __m128d whole = _mm_cvtepi32_pd(_mm_cvttpd_epi32(at[i])), rest = _mm_sub_pd(at[i], whole);
    const __m128d one = _mm_set1_pd(1.0);
    placed[i] = _mm_sub_pd(_mm_add_pd(whole, _mm_and_pd(_mm_cmpge_pd(rest, _mm_set1_pd(0.5)), one)),
                           _mm_and_pd(_mm_cmple_pd(rest, _mm_set1_pd(-0.5)), one));
  }
  _mm_storeu_pd(x + c, placed[0]), _mm_storeu_pd(y + c, placed[1]);
  return true;
#else
  for (int i = c; i < c + 2; ++i)
  {
    const double ax = (double)v[i].x * steps, ay = (double)v[i].y * steps;
    if (!(std::fabs(ax) < kReach && std::fabs(ay) < kReach)) return false;
    x[i] = std::round(ax), y[i] = std::round(ay);
  }
  return true;
#endif
}

// The path's fringe as a ribbon, or false.
bool MakeRibbon(const VGpath& path, double steps, Ribbon& r)
{
  const VGvertex* v = path.stroke;
  const int m = path.nstroke;
  // Closed: the first pair again at the end.
  if (!v || m < 8 || m % 2 != 0 || vgFringeHanded(v[m - 2].x, v[m - 2].y) != vgFringeHanded(v[0].x, v[0].y) ||
      vgFringeHanded(v[m - 1].x, v[m - 1].y) != vgFringeHanded(v[1].x, v[1].y))
    return false;
  // Its corners, placed; the last pair is the first again, so that a corner's next two are at hand.
  const int corners = m - 2;
  thread_local std::vector<double> xs, ys;
  thread_local std::vector<uint64_t> handed;
  xs.resize((size_t)m), ys.resize((size_t)m), handed.resize((size_t)m);
  double* x = xs.data();
  double* y = ys.data();
  uint64_t* h = handed.data();
  // Every triangle that covers anything turned the same way, its sign taken: asked a block at a time as
  // its corners are placed, so that a strip that fails early is not placed whole.
  constexpr int kBlock = 16;
  VGfringeTurns triangles;
  for (int c0 = 0; c0 < m; c0 += kBlock)
  {
    const int c1 = std::min(m, c0 + kBlock);
    for (int c = c0; c < c1; c += 2)
      if (!PlacePair(v, steps, x, y, h, c)) return false;
    vgFringeStripTurns(x, y, h, std::max(0, c0 - 2), c1 - 2, triangles);
    if (triangles.least <= 0.0 && triangles.most >= 0.0) return false;
  }
  // None covering anything leaves both at their starts.
  const int sign = triangles.least == INFINITY ? 0 : triangles.Turn();
  if (sign == 0) return false;
  Polygon &even = r.inner, &odd = r.outer;
  if (!Side(x, y, h, corners, 0, even) || !Side(x, y, h, corners, 1, odd)) return false;
  int turnE = 0, turnO = 0;
  const bool convexE = ConvexOnce(even, turnE), convexO = ConvexOnce(odd, turnO);
  if ((!convexE && !SimpleOnce(even, turnE)) || (!convexO && !SimpleOnce(odd, turnO)) || turnE != turnO)
    return false;
  // The triangles cover where O and E wind apart, turned as `sign`: O is outside where that is their turn.
  r.turn = turnE;
  r.innerConvex = convexE;
  if (sign != turnE) std::swap(r.outer, r.inner), r.innerConvex = convexO;
  r.x0 = r.y0 = INFINITY, r.x1 = r.y1 = -INFINITY;
  for (int k = 0; k < r.outer.n; ++k)
  {
    const double px = r.outer.x[(size_t)k], py = r.outer.y[(size_t)k];
    r.x0 = std::min(r.x0, px), r.y0 = std::min(r.y0, py), r.x1 = std::max(r.x1, px), r.y1 = std::max(r.y1, py);
  }
  r.discMade = false;
  return true;
}

void MakeDisc(Ribbon& r)
{
  r.discMade = true;
  r.clear2 = -1.0;
  if (!r.innerConvex) return;
  // The disc: about the inner's mean corner, as far as its nearest edge's line, less the rounding's reach
  // of a point from an edge as long as the shortest, seen from as far as the outer's bounds reach (1.25
  // (2 + 2 reach / shortest) 256ths, and one more).
  const Polygon& in = r.inner;
  const double* x = in.x.data();
  const double* y = in.y.data();
  double sx = 0, sy = 0;
  for (int k = 0; k < in.n; ++k)
    sx += x[k], sy += y[k];
  r.cx = sx / in.n, r.cy = sy / in.n;
  double nearest2 = INFINITY, shortest2 = INFINITY;
  for (int k = 0; k < in.n; ++k)
  {
    const double ex = x[k + 1] - x[k], ey = y[k + 1] - y[k], length2 = ex * ex + ey * ey;
    const double cross = ex * (r.cy - y[k]) - ey * (r.cx - x[k]);
    nearest2 = std::min(nearest2, cross * cross / length2), shortest2 = std::min(shortest2, length2);
  }
  const double reach = std::max(r.x1 - r.x0, r.y1 - r.y0);
  const double room = 1.25 * (2.0 + 2.0 * reach / std::sqrt(shortest2)) + 1.0;
  const double clear = std::sqrt(nearest2) - room;
  r.clear2 = clear > 0 ? clear * clear : -1.0;
}

bool WithinInner(const Ribbon& in, Ribbon& of)
{
  if (!of.innerConvex) return false;
  if (!of.discMade) MakeDisc(of);
  for (int k = 0; k < in.outer.n; ++k)
  {
    const double px = in.outer.x[(size_t)k], py = in.outer.y[(size_t)k];
    const double dx = px - of.cx, dy = py - of.cy;
    if (dx * dx + dy * dy < of.clear2) continue;
    if (!Inside(of.inner, of.turn, px, py)) return false;
  }
  return true;
}
} // namespace

bool vgFringeRibbonsApart(const VGpath* paths, int npaths, float pixel)
{
  const double steps = vgFringeSteps(pixel);
  if (steps == 0.0 || npaths < 1) return false;
  thread_local std::vector<Ribbon> ribbons;
  ribbons.resize((size_t)npaths);
  int made = 0;
  for (int i = 0; i < npaths; ++i)
  {
    if (paths[i].nstroke == 0) continue;
    if (!MakeRibbon(paths[i], steps, ribbons[(size_t)made])) return false;
    ++made;
  }
  for (int i = 0; i < made; ++i)
    for (int j = i + 1; j < made; ++j)
    {
      Ribbon &p = ribbons[(size_t)i], &q = ribbons[(size_t)j];
      const double gap = 3;
      if (q.x0 > p.x1 + gap || p.x0 > q.x1 + gap || q.y0 > p.y1 + gap || p.y0 > q.y1 + gap) continue;
      if (!WithinInner(q, p) && !WithinInner(p, q)) return false;
    }
  return true;
}
} // namespace iplugin::igraphics
