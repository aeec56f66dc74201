// Fringes that are ribbons round convex outlines (a ring's, a disc's with a hole, outlines side by side):
// told apart from their shape, not pair by pair. A path's fringe strip is a ribbon of quadrilaterals, each
// between the corner pairs (A_j, B_j) and (A_j+1, B_j+1). Where every quadrilateral is convex and turned
// the same way, their boundaries sum to the polygons A and B (the rungs between them cancel), so each point
// lies in as many of them as A and B wind about it apart; where A and B are convex polygons that wind
// once, turned alike, that is at most one. Two paths' ribbons lie apart where their boxes do, or where one
// ribbon lies wholly inside the inner polygon of the other.
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

struct Ribbon
{
  Polygon inner, outer; // the smaller polygon and the larger
  int turn;             // of both
  int64_t x0, y0, x1, y1; // the outer's bounds
  // A disc inside the inner polygon, with room for the rounding: its centre and squared radius.
  double cx, cy, clear2;
};

// The path's fringe as a ribbon round a convex outline, or false.
bool MakeRibbon(const VGpath& path, double steps, Ribbon& r)
{
  const VGvertex* v = path.stroke;
  const int m = path.nstroke;
  // Corner pairs, the first again at the end (no bevels).
  if (!v || m < 8 || m % 2 != 0 || v[m - 2].x != v[0].x || v[m - 2].y != v[0].y || v[m - 1].x != v[1].x ||
      v[m - 1].y != v[1].y)
    return false;
  const int n = m / 2 - 1;
  // A into outer and B into inner for now (kept from fill to fill, as their room is).
  Polygon &a = r.outer, &b = r.inner;
  a.n = b.n = n;
  a.at.resize((size_t)n + 2), b.at.resize((size_t)n + 2);
  for (int k = 0; k < 2 * n; ++k)
  {
    Point& p = (k % 2 ? b : a).at[(size_t)(k / 2)];
    if (!vgFringePlace(v[k].x, steps, p.x) || !vgFringePlace(v[k].y, steps, p.y)) return false;
  }
  a.Close(), b.Close();
  int turnA = 0, turnB = 0;
  if (!ConvexOnce(a, turnA) || !ConvexOnce(b, turnB) || turnA != turnB) return false;
  // Every quadrilateral A_j, A_j+1, B_j+1, B_j convex, all turned one way.
  const int quadTurn = Turn(a.at[0], a.at[1], b.at[1]);
  if (quadTurn == 0) return false;
  for (int j = 0; j < n; ++j)
  {
    const Point &a0 = a.at[(size_t)j], &a1 = a.at[(size_t)j + 1], &b1 = b.at[(size_t)j + 1], &b0 = b.at[(size_t)j];
    if (Turn(a0, a1, b1) != quadTurn || Turn(a1, b1, b0) != quadTurn || Turn(b1, b0, a0) != quadTurn ||
        Turn(b0, a0, a1) != quadTurn)
      return false;
  }
  // The polygon the quadrilaterals lie on the inner side of is the outer one.
  r.turn = turnA;
  if (quadTurn != turnA) std::swap(r.outer, r.inner);
  r.x0 = r.y0 = INT64_MAX, r.x1 = r.y1 = INT64_MIN;
  for (int k = 0; k < n; ++k)
  {
    const Point& p = r.outer.at[(size_t)k];
    r.x0 = std::min(r.x0, p.x), r.y0 = std::min(r.y0, p.y), r.x1 = std::max(r.x1, p.x), r.y1 = std::max(r.y1, p.y);
  }
  // The disc: about the inner's mean corner, as far as its nearest edge's line, less the rounding's reach
  // of a point from an edge as long as the shortest, seen from as far as the outer's bounds reach (1.25
  // (2 + 2 reach / shortest) 256ths, and one more).
  const Polygon& in = r.inner;
  double sx = 0, sy = 0;
  for (int k = 0; k < n; ++k)
    sx += (double)in.at[(size_t)k].x, sy += (double)in.at[(size_t)k].y;
  r.cx = sx / n, r.cy = sy / n;
  double nearest2 = INFINITY, shortest2 = INFINITY;
  for (int k = 0; k < n; ++k)
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
  return true;
}

// Whether the ribbon `in` lies inside the inner polygon of `of`: its outer's corners inside the disc, or
// else inside the polygon.
bool WithinInner(const Ribbon& in, const Ribbon& of)
{
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

bool vgConvexRibbonsApart(const VGpath* paths, int npaths, float pixel)
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
      const Ribbon &p = ribbons[(size_t)i], &q = ribbons[(size_t)j];
      const int64_t gap = 3;
      if (q.x0 > p.x1 + gap || p.x0 > q.x1 + gap || q.y0 > p.y1 + gap || p.y0 > q.y1 + gap) continue;
      if (!WithinInner(q, p) && !WithinInner(p, q)) return false;
    }
  return true;
}
} // namespace iplugin::igraphics
