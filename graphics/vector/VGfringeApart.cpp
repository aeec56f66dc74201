#include "graphics/vector/VGfringeApart.h"

#include "graphics/vector/VGpath.h"

#include <algorithm>
#include <cmath>

namespace iplugin::igraphics
{
namespace
{
// A line through a triangle's edge, from corner k + 1 to corner k + 2, that may part it from another:
// side is the side of the line its third corner lies on (+1 or -1), 0 where that corner lies too near the
// line for the rounding to leave it there.
struct EdgeLine
{
  double px, py, dx, dy, perLength, perLength2;
  double side;
  bool made;
};

struct Triangle
{
  double x[3], y[3];
  EdgeLine edges[3];
  float x0, y0, x1, y1; // bounds, widened by the rounding's room
};

bool SameCorner(const Triangle& a, int i, const Triangle& b, int j)
{
  return a.x[i] == b.x[j] && a.y[i] == b.y[j];
}

// The rounding moves a corner by up to round, which moves a point's distance from a line through two
// corners by up to round times (2 + |1 - s| + |s|), s the point's place along the line from its first corner
// (0) to its second (1).
double Distance(const EdgeLine& e, double x, double y)
{
  return (e.dx * (y - e.py) - e.dy * (x - e.px)) * e.perLength;
}
double Room(const EdgeLine& e, double x, double y, double round)
{
  const double s = ((x - e.px) * e.dx + (y - e.py) * e.dy) * e.perLength2;
  return round * (2.0 + std::fabs(1.0 - s) + std::fabs(s));
}

// Edge k's line, made when first asked for: most pairs are parted by the first line tried.
const EdgeLine& EdgeOf(Triangle& t, int k, double round)
{
  EdgeLine& e = t.edges[k];
  if (e.made) return e;
  e.made = true;
  const int a = (k + 1) % 3, b = (k + 2) % 3;
  e.px = t.x[a], e.py = t.y[a], e.dx = t.x[b] - e.px, e.dy = t.y[b] - e.py;
  const double length2 = e.dx * e.dx + e.dy * e.dy;
  e.side = 0.0, e.perLength = e.perLength2 = 0.0;
  if (!(length2 > 0.0)) return e;
  e.perLength2 = 1.0 / length2;
  e.perLength = std::sqrt(e.perLength2);
  const double own = Distance(e, t.x[k], t.y[k]);
  if (std::fabs(own) > Room(e, t.x[k], t.y[k], round)) e.side = own > 0.0 ? 1.0 : -1.0;
  return e;
}

// Whether t's edge k has o wholly on its other side, by more than the rounding's room, but for the corners
// o shares with that edge, which lie on it as t's do.
bool SeparatedBy(Triangle& t, int k, const Triangle& o, double round)
{
  const EdgeLine& e = EdgeOf(t, k, round);
  if (e.side == 0.0) return false;
  const int a = (k + 1) % 3, b = (k + 2) % 3;
  for (int i = 0; i < 3; ++i)
  {
    if (SameCorner(o, i, t, a) || SameCorner(o, i, t, b)) continue;
    if (!(e.side * Distance(e, o.x[i], o.y[i]) < -Room(e, o.x[i], o.y[i], round))) return false;
  }
  return true;
}

// p before q in their strip's order: a strip's next triangles mostly lie beyond the edge p shares with its
// next (its edge 0), tried first.
bool Apart(Triangle& p, Triangle& q, double round)
{
  for (int k = 0; k < 3; ++k)
    if (SeparatedBy(p, k, q, round)) return true;
  for (int k = 0; k < 3; ++k)
    if (SeparatedBy(q, k, p, round)) return true;
  return false;
}
} // namespace

bool vgFringeStripsApart(const VGpath* paths, int npaths, float pixel)
{
  // The GPU rounds a corner to the nearest 256th of a pixel: room for twice that, and for the float
  // arithmetic that takes it there.
  const double round = (double)pixel / 128.0;
  if (!(round > 0.0) || !std::isfinite(round)) return false;
  int count = 0;
  for (int i = 0; i < npaths; ++i)
    count += std::max(0, paths[i].nstroke - 2);
  if (vgConvexRibbonsApart(paths, npaths, pixel)) return true;
  if (count > kVGFringeApartMostTriangles) return false;
  Triangle triangles[kVGFringeApartMostTriangles];
  int n = 0;
  auto meet = [&](int i, int j)
  {
    const Triangle &p = triangles[i], &q = triangles[j];
    return q.x0 <= p.x1 && q.x1 >= p.x0 && q.y0 <= p.y1 && q.y1 >= p.y0;
  };
  for (int i = 0; i < npaths; ++i)
  {
    const VGvertex* v = paths[i].stroke;
    for (int k = 0; v && k + 2 < paths[i].nstroke; ++k)
    {
      Triangle& t = triangles[n];
      for (int c = 0; c < 3; ++c)
      {
        if (!std::isfinite(v[k + c].x) || !std::isfinite(v[k + c].y)) return false;
        t.x[c] = v[k + c].x, t.y[c] = v[k + c].y;
      }
      if (SameCorner(t, 0, t, 1) || SameCorner(t, 1, t, 2) || SameCorner(t, 0, t, 2)) continue;
      t.edges[0].made = t.edges[1].made = t.edges[2].made = false;
      const float r = (float)round;
      t.x0 = std::min({v[k].x, v[k + 1].x, v[k + 2].x}) - r, t.x1 = std::max({v[k].x, v[k + 1].x, v[k + 2].x}) + r;
      t.y0 = std::min({v[k].y, v[k + 1].y, v[k + 2].y}) - r, t.y1 = std::max({v[k].y, v[k + 1].y, v[k + 2].y}) + r;
      // A strip folds at a sharp corner: each triangle against the two before it as it comes.
      for (int before = std::max(0, n - 2); before < n; ++before)
        if (meet(before, n) && !Apart(triangles[before], t, round)) return false;
      ++n;
    }
  }
  // Then every other two whose bounds meet, the earlier in its strip first.
  for (int i = 0; i < n; ++i)
    for (int j = i + 3; j < n; ++j)
      if (meet(i, j) && !Apart(triangles[i], triangles[j], round)) return false;
  return true;
}
} // namespace iplugin::igraphics
