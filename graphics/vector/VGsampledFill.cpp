#include "graphics/vector/VGsampledFill.h"

#include "graphics/vector/VGcontext.h"
#include "graphics/vector/VGoutlines.h"
#include "graphics/vector/VGsliver.h"
#include "graphics/vector/VGthinColumns.h"

#include <algorithm>
#include <vector>

namespace iplugin::igraphics
{
namespace
{
struct PathBox
{
  double x0, x1, y0, y1;
  int path;
};

// A path's first point, whose winding by the others is asked.
struct PathProbe
{
  double x, y;
  int path;
};

PathBox PathBoxOf(const VGpoint* pts, int count, int path)
{
  double x0 = pts[0].x, x1 = x0, y0 = pts[0].y, y1 = y0;
  for (int i = 1; i < count; i++)
    x0 = std::min<double>(x0, pts[i].x), x1 = std::max<double>(x1, pts[i].x),
    y0 = std::min<double>(y0, pts[i].y), y1 = std::max<double>(y1, pts[i].y);
  return {x0, x1, y0, y1, path};
}

// FringeScratch kept by the thread, so that a fill allocates only when it has more paths than any before it.
struct FringeScratch
{
  std::vector<PathBox> boxes;
  std::vector<PathProbe> probes;
  std::vector<int> open;
};
} // namespace

bool vgSampledFringeHolds(VGcontext* ctx)
{
  if (vgPathsCross(ctx)) return false;
  const VGpathCache* cache = ctx->cache;
  thread_local FringeScratch scratch;
  auto& boxes = scratch.boxes;
  auto& probes = scratch.probes;
  auto& open = scratch.open;
  boxes.clear(), probes.clear(), open.clear();
  for (int i = 0; i < cache->npaths; i++)
  {
    const VGpath& path = cache->paths[i];
    const VGpoint* pts = &cache->points[path.first];
    if (path.count < 3) continue;
    boxes.push_back(PathBoxOf(pts, path.count, i));
    // A path that encloses nothing is not filled (vgExpandFill), nor does it wind.
    if (!vgEnclosesNothing(path, pts, ctx->distTol)) probes.push_back({pts[0].x, pts[0].y, i});
  }
  // Probes left to right against the boxes that reach them: a box opens at its left side and, the probes
  // coming in order, closes for good past its right one.
  std::sort(boxes.begin(), boxes.end(), [](const PathBox& a, const PathBox& b) { return a.x0 < b.x0; });
  std::sort(probes.begin(), probes.end(), [](const PathProbe& a, const PathProbe& b) { return a.x < b.x; });
  size_t next = 0;
  for (const PathProbe& probe : probes)
  {
    for (; next < boxes.size() && boxes[next].x0 <= probe.x; next++)
      open.push_back(int(next));
    std::erase_if(open, [&](int b) { return boxes[size_t(b)].x1 < probe.x; });
    int others = 0;
    for (int b : open)
    {
      const PathBox& box = boxes[size_t(b)];
      if (box.path == probe.path || probe.y < box.y0 || probe.y > box.y1) continue;
      const VGpath& other = cache->paths[box.path];
      others += vgWindingAround(&cache->points[other.first], other.count, probe.x, probe.y);
    }
    const VGpath& path = cache->paths[probe.path];
    const bool solid = vgTwiceArea(&cache->points[path.first], path.count) < 0.0; // turning from y towards x
    if (others != (solid ? 0 : 1)) return false;
  }
  return true;
}
} // namespace iplugin::igraphics
