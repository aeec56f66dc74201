#include "graphics/vector/VGfringeApart.h"
#include "graphics/vector/VGfringePlaces.h"

#include "graphics/vector/VGpath.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace iplugin::igraphics
{
namespace
{
struct Triangle
{
  VGfringePoint at[3];    // as the GPU places them, near enough
  uint64_t handed[3];     // the bits of the corners as the GPU is handed them: alike there, placed alike
  int64_t x0, y0, x1, y1; // bounds, with room for the placing
};

bool SameCorner(const Triangle& a, int i, const Triangle& b, int j)
{
  return a.handed[i] == b.handed[j];
}

constexpr int kNext[3] = {1, 2, 0}, kAfter[3] = {2, 0, 1};

// Whether t's edge k has its third corner on one side and o wholly on the other, as the GPU may place them,
// but for the corners o shares with that edge, which lie on it as t's do.
bool SeparatedBy(const Triangle& t, int k, const Triangle& o)
{
  const int a = kNext[k], b = kAfter[k];
  const int side = vgFringeTurn(t.at[a], t.at[b], t.at[k]);
  if (side == 0) return false;
  for (int i = 0; i < 3; ++i)
  {
    if (SameCorner(o, i, t, a) || SameCorner(o, i, t, b)) continue;
    if (vgFringeTurn(t.at[a], t.at[b], o.at[i]) != -side) return false;
  }
  return true;
}

// Triangles come in their strips' order: a strip's next triangles mostly lie beyond the edge p shares with
// its next (its edge 0), which is tried first.
bool Apart(const Triangle& p, const Triangle& q)
{
  for (int k = 0; k < 3; ++k)
    if (SeparatedBy(p, k, q)) return true;
  for (int k = 0; k < 3; ++k)
    if (SeparatedBy(q, k, p)) return true;
  return false;
}
} // namespace

bool vgFringeStripsApart(const VGpath* paths, int npaths, float pixel)
{
  const double steps = vgFringeSteps(pixel);
  if (steps == 0.0) return false;
  if (vgFringeRibbonsApart(paths, npaths, pixel)) return true;
  int count = 0;
  for (int i = 0; i < npaths; ++i)
    count += std::max(0, paths[i].nstroke - 2);
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
        t.handed[c] = vgFringeHanded(v[k + c].x, v[k + c].y);
        if (!vgFringePlaceBoth(v[k + c].x, v[k + c].y, steps, t.at[c])) return false;
      }
      // Two corners alike: it covers nothing.
      if (SameCorner(t, 0, t, 1) || SameCorner(t, 1, t, 2) || SameCorner(t, 0, t, 2)) continue;
      t.x0 = std::min({t.at[0].x, t.at[1].x, t.at[2].x}) - 2, t.x1 = std::max({t.at[0].x, t.at[1].x, t.at[2].x}) + 2;
      t.y0 = std::min({t.at[0].y, t.at[1].y, t.at[2].y}) - 2, t.y1 = std::max({t.at[0].y, t.at[1].y, t.at[2].y}) + 2;
      // A strip folds at a sharp corner: each triangle against the two before it as it comes.
      for (int before = std::max(0, n - 2); before < n; ++before)
        if (meet(before, n) && !Apart(triangles[before], t)) return false;
      ++n;
    }
  }
  // Then every other two whose bounds meet, the earlier in its strip first.
  for (int i = 0; i < n; ++i)
    for (int j = i + 3; j < n; ++j)
      if (meet(i, j) && !Apart(triangles[i], triangles[j])) return false;
  return true;
}
} // namespace iplugin::igraphics
