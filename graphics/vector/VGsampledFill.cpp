#include "graphics/vector/VGsampledFill.h"

#include "graphics/vector/VGcontext.h"
#include "graphics/vector/VGoutlines.h"
#include "graphics/vector/VGsliver.h"
#include "graphics/vector/VGthinColumns.h"

#include <algorithm>

namespace iplugin::igraphics
{
namespace
{
bool Within(const VGpoint* pts, int count, double x, double y)
{
  double x0 = pts[0].x, x1 = x0, y0 = pts[0].y, y1 = y0;
  for (int i = 1; i < count; i++)
    x0 = std::min<double>(x0, pts[i].x), x1 = std::max<double>(x1, pts[i].x),
    y0 = std::min<double>(y0, pts[i].y), y1 = std::max<double>(y1, pts[i].y);
  return x >= x0 && x <= x1 && y >= y0 && y <= y1;
}
} // namespace

bool vgSampledFringeHolds(VGcontext* ctx)
{
  if (vgPathsCross(ctx)) return false;
  const VGpathCache* cache = ctx->cache;
  for (int i = 0; i < cache->npaths; i++)
  {
    const VGpath& path = cache->paths[i];
    const VGpoint* pts = &cache->points[path.first];
    // A path that encloses nothing is not filled (vgExpandFill), nor does it wind.
    if (path.count < 3 || vgEnclosesNothing(path, pts, ctx->distTol)) continue;
    const double x = pts[0].x, y = pts[0].y;
    int others = 0;
    for (int j = 0; j < cache->npaths; j++)
    {
      const VGpath& other = cache->paths[j];
      const VGpoint* q = &cache->points[other.first];
      if (j != i && other.count >= 3 && Within(q, other.count, x, y))
        others += vgWindingAround(q, other.count, x, y);
    }
    const bool solid = vgTwiceArea(pts, path.count) < 0.0; // turning from y towards x
    if (others != (solid ? 0 : 1)) return false;
  }
  return true;
}
} // namespace iplugin::igraphics
