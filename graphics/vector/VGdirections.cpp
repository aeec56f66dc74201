#include "graphics/vector/VGdirections.h"

#include "graphics/vector/VGcontext.h"
#include "graphics/vector/VGoutlines.h"
#include "graphics/vector/VGthinColumns.h"

#include <cmath>
#include <numeric>
#include <vector>

namespace iplugin::igraphics
{
namespace
{
int Root(std::vector<int>& parent, int i)
{
  while (parent[size_t(i)] != i)
    i = parent[size_t(i)] = parent[size_t(parent[size_t(i)])];
  return i;
}
} // namespace

void vgWindAsDrawn(VGcontext* ctx)
{
  VGpathCache* cache = ctx->cache;
  const int n = cache->npaths;
  std::vector<int> parent(size_t(n), 0);
  std::iota(parent.begin(), parent.end(), 0);
  auto points = [cache](int j) { return &cache->points[cache->paths[j].first]; };
  auto encloses = [cache](int j) { return cache->paths[j].count > 2; };

  // Nests: a path joins every path that winds around its first point.
  const bool crossing = n > 1 && vgPathsCross(ctx);
  for (int i = 0; i < n; i++)
    for (int j = 0; j < n && encloses(i); j++)
      if (j != i && encloses(j) &&
          (crossing || vgWindingAround(points(j), cache->paths[j].count, points(i)->x, points(i)->y) != 0))
        parent[size_t(Root(parent, i))] = Root(parent, j);

  // The area of each nest's largest path, at the nest's root.
  std::vector<double> area(size_t(n), 0.0), largest(size_t(n), 0.0);
  for (int j = 0; j < n; j++)
  {
    if (!encloses(j)) continue;
    area[size_t(j)] = vgTwiceArea(points(j), cache->paths[j].count);
    const size_t root = size_t(Root(parent, j));
    if (std::fabs(area[size_t(j)]) > std::fabs(largest[root])) largest[root] = area[size_t(j)];
  }
  for (int j = 0; j < n; j++)
  {
    const bool turned = largest[size_t(Root(parent, j))] > 0.0;
    const bool counterClockwise = area[size_t(j)] < 0.0; // a solid's way, from y towards x
    cache->paths[j].winding = counterClockwise != turned ? kVGSolid : kVGHole;
  }
}
} // namespace iplugin::igraphics
