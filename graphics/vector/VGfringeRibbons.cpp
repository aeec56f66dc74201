// Fringes told apart from their shape, not pair by pair. A path's fringe strip is a closed strip of
// triangles v_k, v_k+1, v_k+2, its last pair its first again. Taken with alternate signs, the triangles'
// boundaries sum to two polygons, its even corners E and its odd ones O (the edges the triangles share
// cancel), so where every triangle that covers anything is turned the same way once its sign is taken, each
// point lies in as many of them as O and E wind about it apart; where O and E are simple polygons turned
// alike, that is at most one. Two paths' ribbons (the region between their O and E) lie apart where their
// boxes do, or where one lies wholly inside the inner polygon of the other, where that is convex.
#include "graphics/vector/VGfringeApart.h"
#include "graphics/vector/VGfringePlaces.h"

#include "graphics/vector/VGpath.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace iplugin::igraphics
{
namespace
{
using Point = VGfringePoint;

int Turn(Point a, Point b, Point c)
{
  return vgFringeTurn(a, b, c);
}

// A polygon's n corners, kept with its first two again after them so that a corner's next two are at
// hand.
struct Polygon
{
  std::vector<Point> at;
  int n = 0;
  void Close()
  {
    at.resize((size_t)n + 2);
    at[(size_t)n] = at[0], at[(size_t)n + 1] = at[1];
  }
};

// Whether the polygon is convex and winds once, turned `turn` (+1 or -1, set) at every corner.
bool ConvexOnce(const Polygon& p, int& turn)
{
  turn = 0;
  int passes = 0;
  const Point* q = p.at.data();
  for (int i = 0; i < p.n; ++i)
  {
    const int t = Turn(q[i], q[i + 1], q[i + 2]);
    if (t == 0 || (turn != 0 && t != turn)) return false;
    turn = t;
    // Turning one way, the edges' direction passes +x once a turn: where it goes from below to above (or,
    // turning the other way, from above to below).
    const int64_t dy0 = q[i + 1].y - q[i].y, dy1 = q[i + 2].y - q[i + 1].y;
    if (t > 0 ? (dy0 < 0 && dy1 >= 0) : (dy0 >= 0 && dy1 < 0)) ++passes;
  }
  return passes == 1;
}

// Whether q lies inside the convex polygon p (turned `turn`), beyond the rounding's reach of every edge.
bool Inside(const Polygon& p, int turn, Point q)
{
  const Point* c = p.at.data();
  const int n = p.n;
  // The fan's sector about corner 0 that q lies in, by halving; then the edges about it.
  int lo = 1, hi = n - 1;
  while (hi - lo > 1)
  {
    const int mid = (lo + hi) / 2;
    const int64_t cross = (c[mid].x - c[0].x) * (q.y - c[0].y) - (c[mid].y - c[0].y) * (q.x - c[0].x);
    (cross > 0) == (turn > 0) ? lo = mid : hi = mid;
  }
  for (int e : {n - 1, 0, lo - 1, lo, hi})
    if (Turn(c[e], c[e + 1], q) != turn) return false;
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
  const Point* c = p.at.data();
  int64_t sx = 0, sy = 0;
  for (int i = 0; i < n; ++i)
    sx += c[i].x, sy += c[i].y;
  const Point m{sx / n, sy / n};
  int winds = 0;
  for (int i = 0; i < n; ++i)
  {
    if (vgFringeTurn(m, c[i], c[i + 1]) != turn) return false;
    // Where the edge crosses the ray from m along +x (turned as it is, it crosses it going the turn's way).
    if ((c[i].y <= m.y) != (c[i + 1].y <= m.y) && (turn > 0) == (c[i + 1].y > m.y)) ++winds;
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
  const Point* c = p.at.data();
  double area2 = 0.0;
  int64_t around = 0;
  for (int i = 0; i < n; ++i)
  {
    area2 += (double)c[i].x * (double)c[i + 1].y - (double)c[i + 1].x * (double)c[i].y;
    around += std::abs(c[i + 1].x - c[i].x) + std::abs(c[i + 1].y - c[i].y);
  }
  // Room for the placing: each corner moved by 1.25 moves twice the area by up to 5 times the way round.
  if (!(std::fabs(area2) > 5.0 * (double)around + 1.0)) return false;
  turn = area2 > 0 ? 1 : -1;
  // Seen whole, no edge can fold back on the one before it, however little their corner turns.
  if (SeenWholeFromItsMean(p, turn)) return true;
  if (n > kMostCorners) return false;
  for (int i = 0; i < n; ++i)
    if (vgFringeTurn(c[i], c[i + 1], c[i + 2]) == 0) return false;
  for (int i = 0; i < n; ++i)
    for (int j = i + 2; j < n; ++j)
    {
      if (i == 0 && j == n - 1) continue; // they meet at corner 0
      const Point &a = c[i], &b = c[i + 1], &d = c[j], &e = c[j + 1];
      if (std::max(a.x, b.x) + 3 < std::min(d.x, e.x) || std::max(d.x, e.x) + 3 < std::min(a.x, b.x) ||
          std::max(a.y, b.y) + 3 < std::min(d.y, e.y) || std::max(d.y, e.y) + 3 < std::min(a.y, b.y))
        continue;
      const int d0 = vgFringeTurn(a, b, d), d1 = vgFringeTurn(a, b, e);
      if (d0 != 0 && d0 == d1) continue;
      const int a0 = vgFringeTurn(d, e, a), a1 = vgFringeTurn(d, e, b);
      if (a0 != 0 && a0 == a1) continue;
      return false;
    }
  return true;
}

struct Ribbon
{
  Polygon inner, outer; // the polygon inside and the one outside
  bool innerConvex;
  int turn;               // of both
  int64_t x0, y0, x1, y1; // the outer's bounds
  // A disc inside the inner polygon where it is convex, with room for the rounding: its centre and squared
  // radius, made when another ribbon is first asked to lie within it.
  bool discMade;
  double cx, cy, clear2;
};

uint64_t Handed(const VGvertex& v)
{
  return vgFringeHanded(v.x, v.y);
}

// The corners of one parity of the strip's first `corners`, corners alike in a row taken once.
bool Side(const std::vector<Point>& placed, const std::vector<uint64_t>& handed, int corners, int parity,
          Polygon& p)
{
  p.at.resize((size_t)corners / 2 + 2);
  Point* out = p.at.data();
  const uint64_t* h = handed.data();
  int n = 1;
  out[0] = placed[(size_t)parity];
  for (int k = parity + 2; k < corners; k += 2)
    if (h[k] != h[k - 2]) out[n++] = placed[(size_t)k];
  if (n > 1 && h[parity] == h[corners - 2 + parity]) --n;
  p.n = n;
  if (p.n < 3) return false;
  p.Close();
  return true;
}

// The path's fringe as a ribbon, or false.
bool MakeRibbon(const VGpath& path, double steps, Ribbon& r)
{
  const VGvertex* v = path.stroke;
  const int m = path.nstroke;
  // Closed: the first pair again at the end.
  if (!v || m < 8 || m % 2 != 0 || Handed(v[m - 2]) != Handed(v[0]) || Handed(v[m - 1]) != Handed(v[1]))
    return false;
  // Its corners, placed; the last pair is the first again, so that a corner's next two are at hand.
  const int corners = m - 2;
  thread_local std::vector<Point> placed;
  thread_local std::vector<uint64_t> handed;
  placed.resize((size_t)m), handed.resize((size_t)m);
  uint64_t* h = handed.data();
  Point* at = placed.data();
  // Every triangle that covers anything turned the same way, its sign taken: each asked as its last corner
  // is placed, so that a strip that fails early is not placed whole.
  int sign = 0;
  for (int c = 0; c < m; ++c)
  {
    h[c] = Handed(v[c]);
    if (!vgFringePlaceBoth(v[c].x, v[c].y, steps, at[c])) return false;
    const int k = c - 2;
    if (k < 0 || h[k] == h[k + 1] || h[k + 1] == h[k + 2] || h[k] == h[k + 2]) continue; // it covers nothing
    const int t = vgFringeTurn(at[k], at[k + 1], at[k + 2]) * (k % 2 ? -1 : 1);
    if (t == 0 || (sign != 0 && t != sign)) return false;
    sign = t;
  }
  if (sign == 0) return false;
  Polygon &even = r.inner, &odd = r.outer;
  if (!Side(placed, handed, corners, 0, even) || !Side(placed, handed, corners, 1, odd)) return false;
  int turnE = 0, turnO = 0;
  const bool convexE = ConvexOnce(even, turnE), convexO = ConvexOnce(odd, turnO);
  if ((!convexE && !SimpleOnce(even, turnE)) || (!convexO && !SimpleOnce(odd, turnO)) || turnE != turnO)
    return false;
  // The triangles cover where O and E wind apart, turned as `sign`: O is outside where that is their turn.
  r.turn = turnE;
  r.innerConvex = convexE;
  if (sign != turnE) std::swap(r.outer, r.inner), r.innerConvex = convexO;
  r.x0 = r.y0 = INT64_MAX, r.x1 = r.y1 = INT64_MIN;
  for (int k = 0; k < r.outer.n; ++k)
  {
    const Point& p = r.outer.at[(size_t)k];
    r.x0 = std::min(r.x0, p.x), r.y0 = std::min(r.y0, p.y), r.x1 = std::max(r.x1, p.x), r.y1 = std::max(r.y1, p.y);
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
  double sx = 0, sy = 0;
  for (int k = 0; k < in.n; ++k)
    sx += (double)in.at[(size_t)k].x, sy += (double)in.at[(size_t)k].y;
  r.cx = sx / in.n, r.cy = sy / in.n;
  double nearest2 = INFINITY, shortest2 = INFINITY;
  for (int k = 0; k < in.n; ++k)
  {
    const Point &p = in.at[(size_t)k], &q = in.at[(size_t)k + 1];
    const double ex = (double)(q.x - p.x), ey = (double)(q.y - p.y), length2 = ex * ex + ey * ey;
    const double cross = ex * (r.cy - (double)p.y) - ey * (r.cx - (double)p.x);
    nearest2 = std::min(nearest2, cross * cross / length2), shortest2 = std::min(shortest2, length2);
  }
  const double reach = (double)std::max(r.x1 - r.x0, r.y1 - r.y0);
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
    const Point& p = in.outer.at[(size_t)k];
    const double dx = (double)p.x - of.cx, dy = (double)p.y - of.cy;
    if (dx * dx + dy * dy < of.clear2) continue;
    if (!Inside(of.inner, of.turn, p)) return false;
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
      const int64_t gap = 3;
      if (q.x0 > p.x1 + gap || p.x0 > q.x1 + gap || q.y0 > p.y1 + gap || p.y0 > q.y1 + gap) continue;
      if (!WithinInner(q, p) && !WithinInner(p, q)) return false;
    }
  return true;
}
} // namespace iplugin::igraphics
