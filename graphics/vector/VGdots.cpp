#include "graphics/vector/VGdots.h"

#include "graphics/vector/VGcontext.h"
#include "graphics/vector/VGstate.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

namespace iplugin::igraphics
{
namespace
{
bool IsDot(const VGpath& path)
{
  return path.count == 1 && path.drawn;
}

int CountDots(const VGpathCache* cache)
{
  int dots = 0;
  for (int i = 0; i < cache->npaths; i++)
    dots += IsDot(cache->paths[i]) ? 1 : 0;
  return dots;
}

bool ReservePoints(VGpathCache* c, int needed)
{
  if (needed <= c->cpoints) return true;
  auto* points = static_cast<VGpoint*>(std::realloc(c->points, sizeof(VGpoint) * needed));
  if (!points) return false;
  c->points = points, c->cpoints = needed;
  return true;
}

// The dot's point at p and its second, step on along (ux, uy), each facing the other.
void WriteDot(VGpoint* p, float ux, float uy, float step)
{
  p[1] = p[0];
  p[1].x += ux * step, p[1].y += uy * step;
  p[0].dx = ux, p[0].dy = uy, p[0].len = step;
  p[1].dx = -ux, p[1].dy = -uy, p[1].len = step;
}
} // namespace

void vgOpenDots(VGcontext* ctx)
{
  VGpathCache* cache = ctx->cache;
  const int dots = CountDots(cache);
  if (dots == 0 || !ReservePoints(cache, cache->npoints + dots)) return;
  const float* xform = vgGetState(ctx)->xform;
  float ux = xform[0], uy = xform[1];
  if (vgNormalize(&ux, &uy) <= 1e-6f) ux = 1.0f, uy = 0.0f;
  const float step = ctx->distTol * 0.5f; // under the tolerance: vgHasOpenDots knows them by it
  // From the last path back, each moves on by the dots up to and with it.
  int shift = dots;
  for (int i = cache->npaths - 1; i >= 0 && shift > 0; i--)
  {
    VGpath& path = cache->paths[i];
    const bool dot = IsDot(path);
    const int to = path.first + shift - (dot ? 1 : 0);
    std::memmove(&cache->points[to], &cache->points[path.first], sizeof(VGpoint) * (size_t)path.count);
    path.first = to;
    if (!dot) continue;
    WriteDot(&cache->points[to], ux, uy, step);
    path.count = 2, path.closed = 0;
    shift--;
  }
  cache->npoints += dots;
}

bool vgHasOpenDots(const VGcontext* ctx)
{
  const VGpathCache* cache = ctx->cache;
  for (int i = 0; i < cache->npaths; i++)
  {
    const VGpath& path = cache->paths[i];
    if (path.count == 2 && !path.closed && cache->points[path.first].len < ctx->distTol) return true;
  }
  return false;
}
} // namespace iplugin::igraphics
