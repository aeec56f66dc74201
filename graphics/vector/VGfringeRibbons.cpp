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
  const double* x = p.x.data();
  const double* y = p.y.data();
  VGfringeTurns t;
  vgFringeTurns({x, y}, {x + 1, y + 1}, {x + 2, y + 2}, 0, p.n, false, t);
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

// The outer polygon's bounds.
void Bounds(Ribbon& r)
{
  const double* x = r.outer.x.data();
  const double* y = r.outer.y.data();
  const int n = r.outer.n;
  int k = 0;
#if defined(__SSE2__)
  __m128d x0 = _mm_set1_pd(INFINITY), y0 = x0, x1 = _mm_set1_pd(-INFINITY), y1 = x1;
  for (; k + 1 < n; k += 2)
  {
    const __m128d px = _mm_loadu_pd(x + k), py = _mm_loadu_pd(y + k);
    x0 = _mm_min_pd(x0, px), y0 = _mm_min_pd(y0, py), x1 = _mm_max_pd(x1, px), y1 = _mm_max_pd(y1, py);
  }
  r.x0 = _mm_cvtsd_f64(_mm_min_pd(x0, _mm_unpackhi_pd(x0, x0)));
  r.y0 = _mm_cvtsd_f64(_mm_min_pd(y0, _mm_unpackhi_pd(y0, y0)));
  r.x1 = _mm_cvtsd_f64(_mm_max_pd(x1, _mm_unpackhi_pd(x1, x1)));
  r.y1 = _mm_cvtsd_f64(_mm_max_pd(y1, _mm_unpackhi_pd(y1, y1)));
#else
  r.x0 = r.y0 = INFINITY, r.x1 = r.y1 = -INFINITY;
#endif
  for (; k < n; ++k)
    r.x0 = std::min(r.x0, x[k]), r.y0 = std::min(r.y0, y[k]), r.x1 = std::max(r.x1, x[k]), r.y1 = std::max(r.y1, y[k]);
}

// One side's corners, corners alike in a row taken once (as from a join whose corners are alike), closed;
// false where fewer than 3 are left.
bool Side(const uint64_t* h, int corners, Polygon& p)
{
  double* x = p.x.data();
  double* y = p.y.data();
  int n = 1;
  for (int k = 1; k < corners; ++k)
  {
    // Written always, kept where it differs from the last.
    x[n] = x[k], y[n] = y[k];
    n += h[k] != h[k - 1];
  }
  if (n > 1 && h[0] == h[corners - 1]) --n;
  p.n = n;
  if (p.n < 3) return false;
  p.Close();
  return true;
}

// Corners 2j and 2j + 2 of the strip (one side's j and j + 1, or with `side` 1 the odd side's) placed as
// vgFringePlace places them, in doubles; false where one lies beyond kReach or is not finite.
[[gnu::always_inline]] inline bool PlaceTwo(const VGvertex* v, double steps, int side, double* x, double* y, uint64_t* h, int j)
{
  const VGvertex &a = v[2 * j + side], &b = v[2 * j + 2 + side];
  std::memcpy(h + j, &a.x, 8), std::memcpy(h + j + 1, &b.x, 8);
#if defined(__SSE2__)
  // (xa, xb, ya, yb) from the bits just copied.
  const __m128 both = _mm_castsi128_ps(_mm_loadu_si128((const __m128i*)(h + j)));
  const __m128 byAxis = _mm_shuffle_ps(both, both, _MM_SHUFFLE(3, 1, 2, 0));
  const __m128d at[2] = {_mm_mul_pd(_mm_cvtps_pd(byAxis), _mm_set1_pd(steps)),
                         _mm_mul_pd(_mm_cvtps_pd(_mm_movehl_ps(byAxis, byAxis)), _mm_set1_pd(steps))};
  const __m128d reach = _mm_set1_pd(kReach), size = _mm_set1_pd(-0.0);
  const __m128d within = _mm_and_pd(_mm_cmplt_pd(_mm_andnot_pd(size, at[0]), reach),
                                    _mm_cmplt_pd(_mm_andnot_pd(size, at[1]), reach));
  if (_mm_movemask_pd(within) != 3) return false;
  double* out[2] = {x + j, y + j};
  for (int i = 0; i < 2; ++i)
  {
    // The rest is within 1 of 0, and twice it exact: truncated, it is 1 where the rest is 0.5 or more, -1
    // where it is -0.5 or less, else 0.
    const __m128d whole = _mm_cvtepi32_pd(_mm_cvttpd_epi32(at[i])), rest = _mm_sub_pd(at[i], whole);
    _mm_storeu_pd(out[i], _mm_add_pd(whole, _mm_cvtepi32_pd(_mm_cvttpd_epi32(_mm_add_pd(rest, rest)))));
  }
  return true;
#else
  for (int i = 0; i < 2; ++i)
  {
    const VGvertex& c = i ? b : a;
    const double ax = (double)c.x * steps, ay = (double)c.y * steps;
    if (!(std::fabs(ax) < kReach && std::fabs(ay) < kReach)) return false;
    x[j + i] = std::round(ax), y[j + i] = std::round(ay);
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
  // Each side's corners placed in a polygon of its own, the even ones' E and the odd ones' O; the last pair
  // is the first again, so that a triangle's corners are at hand.
  const int corners = m / 2 - 1; // a side's
  Polygon &even = r.inner, &odd = r.outer;
  for (Polygon* side : {&even, &odd})
    side->x.resize((size_t)corners + 2), side->y.resize((size_t)corners + 2);
  thread_local std::vector<uint64_t> handedE, handedO;
  handedE.resize((size_t)corners + 1), handedO.resize((size_t)corners + 1);
  uint64_t* hE = handedE.data();
  uint64_t* hO = handedO.data();
  const VGfringeCorners e0{even.x.data(), even.y.data(), hE}, o0{odd.x.data(), odd.y.data(), hO};
  const VGfringeCorners e1{e0.x + 1, e0.y + 1, hE + 1}, o1{o0.x + 1, o0.y + 1, hO + 1};
  // Every triangle that covers anything turned the same way, its sign taken: triangle 2j is E_j O_j E_j+1,
  // 2j+1 is O_j E_j+1 O_j+1 taken the other way. Asked a block at a time as its corners are placed, so that
  // a strip that fails early is not placed whole.
  // A triangle two of whose corners are handed alike has two placed alike, so turns 0: where every one
  // turns the same way none is, and the handed corners need not be asked, until a block's turns do not.
  // Blocks of 2 corners a side, 2 again, then 4, 8 and 16: a strip that fails at once (most that fail do
  // so early) is hardly placed, and its first blocks are asked with their handed corners at once.
  VGfringeTurns triangles;
  bool handed = true;
  int asked = 0;
  for (int j0 = 0, block = 2; j0 <= corners; j0 += block, block = j0 < 4 ? 2 : std::min(16, 2 * block))
  {
    if (j0 == 8) handed = triangles.alike != 0;
    const int j1 = std::min(corners + 1, j0 + block);
    // Two at a time, the last again where they are odd (placed alike).
    for (int j = j0; j < j1; j += 2)
    {
      const int at = std::min(j, j1 - 2);
      if (!PlaceTwo(v, steps, 0, even.x.data(), even.y.data(), hE, at) ||
          !PlaceTwo(v, steps, 1, odd.x.data(), odd.y.data(), hO, at))
        return false;
    }
    const VGfringeTurns before = triangles;
    for (int pass = handed ? 1 : 0; pass < 2; ++pass)
    {
      triangles = before;
      const VGfringeCorners e0h{e0.x, e0.y, pass ? hE : nullptr}, o0h{o0.x, o0.y, pass ? hO : nullptr};
      vgFringeTurns(e0h, o0h, e1, asked, j1 - 1, false, triangles);
      vgFringeTurns(o0h, e1, o1, asked, j1 - 1, true, triangles);
      if (triangles.least > 0.0 || triangles.most < 0.0) break;
      if (pass) return false;
      handed = true;
    }
    asked = j1 - 1;
  }
  // None covering anything leaves both at their starts.
  const int sign = triangles.least == INFINITY ? 0 : triangles.Turn();
  if (sign == 0) return false;
  // Corners alike in a row leave out the triangles they are in: where there are none, each side is whole.
  if (triangles.alike != 0)
  {
    if (!Side(hE, corners, even) || !Side(hO, corners, odd)) return false;
  }
  else
  {
    if (corners < 3) return false;
    for (Polygon* side : {&even, &odd})
      side->n = corners, side->Close();
  }
  int turnE = 0, turnO = 0;
  const bool convexE = ConvexOnce(even, turnE), convexO = ConvexOnce(odd, turnO);
  if ((!convexE && !SimpleOnce(even, turnE)) || (!convexO && !SimpleOnce(odd, turnO)) || turnE != turnO)
    return false;
  // The triangles cover where O and E wind apart, turned as `sign`: O is outside where that is their turn.
  r.turn = turnE;
  r.innerConvex = convexE;
  if (sign != turnE) std::swap(r.outer, r.inner), r.innerConvex = convexO;
  Bounds(r);
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
