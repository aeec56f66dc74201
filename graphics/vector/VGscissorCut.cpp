#include "graphics/vector/VGscissorCut.h"

#include "graphics/vector/VGcontext.h"
#include "graphics/vector/VGtransform.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

namespace iplugin::igraphics
{
namespace
{
struct Point
{
  double x, y;
};

// Whether the box (min x, min y, max x, max y) keeps more than a fringe inside every edge of the scissor,
// whose frame inv maps view units into (a fringe in it is mx along x, my along y).
bool WellInside(const float* box, const float* inv, const VGscissor& scissor, double mx, double my)
{
  for (int corner = 0; corner < 4; corner++)
  {
    const double x = box[corner & 1 ? 2 : 0], y = box[corner & 2 ? 3 : 1];
    const double sx = inv[0] * x + inv[2] * y + inv[4], sy = inv[1] * x + inv[3] * y + inv[5];
    if (std::fabs(sx) > scissor.extent[0] - mx || std::fabs(sy) > scissor.extent[1] - my) return false;
  }
  return true;
}

// Whether the outline turns one way all round and is under two fringes across on the whole.
bool ThinConvex(const VGpoint* pts, int n, float fringe)
{
  double area2 = 0.0, perimeter = 0.0;
  int left = 0, right = 0;
  for (int i = 0; i < n; i++)
  {
    const VGpoint &a = pts[i], &b = pts[(i + 1) % n], &c = pts[(i + 2) % n];
    area2 += double(a.x - pts[0].x) * (b.y - pts[0].y) - double(b.x - pts[0].x) * (a.y - pts[0].y);
    perimeter += a.len;
    const double turn = (double(b.x) - a.x) * (double(c.y) - b.y) - (double(b.y) - a.y) * (double(c.x) - b.x);
    left += turn > 0.0, right += turn < 0.0;
  }
  return (left == 0 || right == 0) && std::fabs(area2) < 2.0 * fringe * perimeter;
}

// Keeps the part of the polygon in where along * s + off >= 0, s the point's x (axis 0) or y in the
// scissor's frame, into out.
void KeepSide(const std::vector<Point>& in, int axis, double along, double off, std::vector<Point>& out)
{
  out.clear();
  const size_t n = in.size();
  for (size_t i = 0; i < n; i++)
  {
    const Point &a = in[i], &b = in[i + 1 == n ? 0 : i + 1];
    const double da = along * (axis == 0 ? a.x : a.y) + off, db = along * (axis == 0 ? b.x : b.y) + off;
    if (da >= 0.0) out.push_back(a);
    if ((da >= 0.0) != (db >= 0.0))
    {
      const double t = da / (da - db);
      out.push_back({a.x + (b.x - a.x) * t, a.y + (b.y - a.y) * t});
    }
  }
}

// The outline in the scissor's frame, cut by its rectangle, into local (kept is the other buffer of the
// cut's passes); false when no cut is due (the outline keeps more than a fringe, mx by my in that frame,
// inside every edge).
bool Cut(const VGpoint* pts, int n, const float* inv, const VGscissor& scissor, double mx, double my,
         std::vector<Point>& local, std::vector<Point>& kept)
{
  local.resize((size_t)n);
  const double ex = scissor.extent[0], ey = scissor.extent[1];
  bool near = false;
  for (int i = 0; i < n; i++)
  {
    const double x = pts[i].x, y = pts[i].y;
    Point& p = local[(size_t)i];
    p = {inv[0] * x + inv[2] * y + inv[4], inv[1] * x + inv[3] * y + inv[5]};
    near = near || std::fabs(p.x) > ex - mx || std::fabs(p.y) > ey - my;
  }
  if (!near) return false;
  for (int axis = 0; axis < 2; axis++)
    for (double along : {1.0, -1.0})
    {
      KeepSide(local, axis, -along, axis == 0 ? ex : ey, kept);
      local.swap(kept);
    }
  return true;
}

// The cut outline back in view units, near points made one, into the outline cache: empty when fewer than
// 3 points are left, none (the fill is drawn under the scissor) when memory runs out.
VGscissorCut Write(VGcontext* ctx, const std::vector<Point>& local, const float* t, std::vector<Point>& view)
{
  const double tol2 = double(ctx->distTol) * ctx->distTol;
  auto near = [tol2](const Point& a, const Point& b)
  { return (a.x - b.x) * (a.x - b.x) + (a.y - b.y) * (a.y - b.y) < tol2; };
  view.clear();
  for (const Point& p : local)
  {
    const Point q{t[0] * p.x + t[2] * p.y + t[4], t[1] * p.x + t[3] * p.y + t[5]};
    if (view.empty() || !near(q, view.back())) view.push_back(q);
  }
  while (view.size() > 1 && near(view[0], view.back()))
    view.pop_back();
  const int n = (int)view.size();
  if (n < 3) return VGscissorCut::kEmpty;
  if (!ctx->outlines) ctx->outlines = static_cast<VGpathCache*>(std::calloc(1, sizeof(VGpathCache)));
  VGpathCache* c = ctx->outlines;
  if (!c) return VGscissorCut::kNone;
  if (c->cpaths < 1)
  {
    auto* paths = static_cast<VGpath*>(std::realloc(c->paths, sizeof(VGpath)));
    if (!paths) return VGscissorCut::kNone;
    c->paths = paths, c->cpaths = 1;
  }
  if (c->cpoints < n)
  {
    auto* points = static_cast<VGpoint*>(std::realloc(c->points, sizeof(VGpoint) * (size_t)n));
    if (!points) return VGscissorCut::kNone;
    c->points = points, c->cpoints = n;
  }
  c->bounds[0] = c->bounds[1] = 1e6f;
  c->bounds[2] = c->bounds[3] = -1e6f;
  for (int i = 0; i < n; i++)
  {
    VGpoint& p = c->points[i];
    p = VGpoint{};
    p.x = float(view[(size_t)i].x), p.y = float(view[(size_t)i].y);
    p.flags = kVGPtCorner;
    const Point& q = view[(size_t)((i + 1) % n)];
    p.dx = float(q.x - view[(size_t)i].x), p.dy = float(q.y - view[(size_t)i].y);
    p.len = vgNormalize(&p.dx, &p.dy);
    c->bounds[0] = std::min(c->bounds[0], p.x), c->bounds[1] = std::min(c->bounds[1], p.y);
    c->bounds[2] = std::max(c->bounds[2], p.x), c->bounds[3] = std::max(c->bounds[3], p.y);
  }
  VGpath& path = c->paths[0];
  path = VGpath{};
  path.count = n, path.closed = 1, path.winding = kVGSolid, path.drawn = 1;
  c->npaths = 1, c->npoints = n, c->nverts = 0, c->nwindings = 0;
  return VGscissorCut::kCut;
}
} // namespace

VGscissorCut vgCutByScissor(VGcontext* ctx, const VGscissor& scissor)
{
  const VGpathCache* cache = ctx->cache;
  if (scissor.extent[0] < -0.5f || scissor.extent[1] < -0.5f || cache->npaths != 1)
    return VGscissorCut::kNone;
  const VGpath& path = cache->paths[0];
  const VGpoint* pts = &cache->points[path.first];
  float inv[6];
  if (path.count < 3 || !vgTransformInverse(inv, scissor.xform)) return VGscissorCut::kNone;
  // A fringe in the scissor's frame, along each of its axes at most.
  const double mx = ctx->fringeWidth * std::hypot(inv[0], inv[2]),
               my = ctx->fringeWidth * std::hypot(inv[1], inv[3]);
  if (WellInside(cache->bounds, inv, scissor, mx, my) || !ThinConvex(pts, path.count, ctx->fringeWidth))
    return VGscissorCut::kNone;
  // The cut's buffers, kept from fill to fill on each thread that draws.
  thread_local std::vector<Point> local, kept;
  if (!Cut(pts, path.count, inv, scissor, mx, my, local, kept)) return VGscissorCut::kNone;
  return Write(ctx, local, scissor.xform, kept);
}
} // namespace iplugin::igraphics
