#include "graphics/vector/VGsliver.h"

#include "graphics/vector/VGcontext.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace iplugin::igraphics
{
namespace
{
// Room for one path of four points in the cache; false when memory runs out.
bool ReserveRectangle(VGpathCache* c)
{
  if (c->cpaths < 1)
  {
    auto* paths = static_cast<VGpath*>(std::realloc(c->paths, sizeof(VGpath)));
    if (!paths) return false;
    c->paths = paths, c->cpaths = 1;
  }
  if (c->cpoints < 4)
  {
    auto* points = static_cast<VGpoint*>(std::realloc(c->points, sizeof(VGpoint) * 4));
    if (!points) return false;
    c->points = points, c->cpoints = 4;
  }
  return true;
}

// The rectangle a - n, b - n, b + n, a + n, its directions and bounds set: with n to the right of a to b it
// turns as the flattening turns solids.
void WriteRectangle(VGpathCache* c, const VGpoint& a, const VGpoint& b, double nx, double ny)
{
  const double xy[4][2] = {
      {a.x - nx, a.y - ny}, {b.x - nx, b.y - ny}, {b.x + nx, b.y + ny}, {a.x + nx, a.y + ny}};
  VGpoint* pts = c->points;
  for (int i = 0; i < 4; i++)
  {
    pts[i] = VGpoint{};
    pts[i].x = float(xy[i][0]), pts[i].y = float(xy[i][1]);
    pts[i].flags = kVGPtCorner;
  }
  c->bounds[0] = c->bounds[1] = 1e6f;
  c->bounds[2] = c->bounds[3] = -1e6f;
  for (int i = 0; i < 4; i++)
  {
    VGpoint& p = pts[i];
    const VGpoint& q = pts[(i + 1) % 4];
    p.dx = q.x - p.x, p.dy = q.y - p.y;
    p.len = vgNormalize(&p.dx, &p.dy);
    c->bounds[0] = std::min(c->bounds[0], p.x), c->bounds[1] = std::min(c->bounds[1], p.y);
    c->bounds[2] = std::max(c->bounds[2], p.x), c->bounds[3] = std::max(c->bounds[3], p.y);
  }
  VGpath& path = c->paths[0];
  path = VGpath{};
  path.count = 4;
  path.closed = 1;
  path.winding = kVGSolid;
  path.drawn = 1;
  c->npaths = 1, c->npoints = 4, c->nverts = 0, c->nwindings = 0;
}
} // namespace

VGpathCache* vgSliverOutline(VGcontext* ctx, VGpaint* paint)
{
  const VGpathCache* cache = ctx->cache;
  if (cache->npaths != 1 || cache->paths[0].count != 2) return nullptr;
  const VGpoint& a = cache->points[cache->paths[0].first];
  const VGpoint& b = cache->points[cache->paths[0].first + 1];
  const double dx = double(b.x) - a.x, dy = double(b.y) - a.y, length = std::sqrt(dx * dx + dy * dy);
  // Two points enclose nothing: the area as drawn is all the merging took.
  const double area = std::fabs(cache->paths[0].lostArea);
  if (!(area > 0.0) || !(length > 0.0)) return nullptr;
  const double across = std::max(2.0 * ctx->distTol, area / length);
  if (!ctx->outlines) ctx->outlines = static_cast<VGpathCache*>(std::calloc(1, sizeof(VGpathCache)));
  if (!ctx->outlines || !ReserveRectangle(ctx->outlines)) return nullptr;
  const double half = across * 0.5 / length;
  WriteRectangle(ctx->outlines, a, b, dy * half, -dx * half);
  const float share = float(area / (length * across));
  paint->innerColor.a *= share;
  paint->outerColor.a *= share;
  return ctx->outlines;
}

bool vgEnclosesNothing(const VGpath& path, const VGpoint* pts, float distTol)
{
  if (path.count < 3) return true;
  double twiceArea = 0.0, perimeter = 0.0;
  for (int i = 0; i < path.count; i++)
  {
    const VGpoint &a = pts[i], &b = pts[i + 1 == path.count ? 0 : i + 1];
    twiceArea += double(a.x - pts[0].x) * (b.y - pts[0].y) - double(b.x - pts[0].x) * (a.y - pts[0].y);
    perimeter += a.len;
  }
  return std::fabs(twiceArea) < double(distTol) * perimeter;
}
} // namespace iplugin::igraphics
