#include "graphics/vector/VGthinStroke.h"

#include "graphics/vector/VGpath.h"
#include "graphics/vector/VGrenderParams.h"
#include "graphics/vector/VGthinColumns.h"
#include "graphics/vector/VGthinFill.h"

#include <algorithm>
#include <cmath>
#include <new>

namespace iplugin::igraphics
{
namespace
{
// A round cap's half circle, in as many chords; the ink is the exact outline's all the same (its area is
// handed to the columns).
constexpr int kCapChords = 4;
constexpr float kLongest = 8.0f; // fringes
// A round cap's chords each put a column half a fringe either side of their ends; columns an eighth of a
// fringe apart or less are one (a fifth fewer triangles to draw, the ink as near).
constexpr double kColumnSpacing = 1.0 / 8.0;
constexpr double kMostTurn = kVGPi / 4;

// Adds a point; its direction and length are set once the outline is closed.
void Put(std::vector<VGpoint>& out, double x, double y)
{
  VGpoint p{};
  p.x = (float)x, p.y = (float)y;
  out.push_back(p);
}

// One end's cap round (cx, cy), facing (dx, dy), half a width hw out: from the left side round to the
// right.
void Cap(std::vector<VGpoint>& out, double cx, double cy, double dx, double dy, double hw, int lineCap)
{
  const double nx = -dy, ny = dx; // to the left
  if (lineCap == kVGSquare)
  {
    Put(out, cx + (nx + dx) * hw, cy + (ny + dy) * hw);
    Put(out, cx + (dx - nx) * hw, cy + (dy - ny) * hw);
    return;
  }
  for (int k = 1; k < kCapChords; k++)
  {
    const double a = kVGPi * k / kCapChords, c = std::cos(a), s = std::sin(a);
    Put(out, cx + (nx * c + dx * s) * hw, cy + (ny * c + dy * s) * hw);
  }
}

// Whether each line across (ux, uy) meets the closed outline once: t along it falls to its least and rises
// to its most once round it.
bool MeetsEachLineOnce(const std::vector<VGpoint>& pts, double ux, double uy)
{
  const int n = (int)pts.size();
  int turns = 0;
  double last = 0.0;
  for (int j = 0; j <= n + 1; j++)
  {
    const VGpoint &a = pts[(size_t)(j % n)], &b = pts[(size_t)((j + 1) % n)];
    const double dt = ((double)b.x - a.x) * ux + ((double)b.y - a.y) * uy;
    if (dt == 0.0) continue;
    if (last != 0.0 && (dt > 0.0) != (last > 0.0) && j <= n) turns++;
    last = dt;
  }
  return turns <= 2;
}
} // namespace

bool vgThinStroke(VGcontext* ctx, const VGpaint& paint, float width, int lineCap)
{
  VGpathCache* cache = ctx->cache;
  const float fringe = ctx->fringeWidth;
  if (!(width > 0.0f) || width > 1.5f * fringe || (lineCap != kVGRound && lineCap != kVGSquare)) return false;
  if (cache->npaths != 1 || cache->paths[0].closed || cache->paths[0].count < 2) return false;
  const VGpoint* pts = &cache->points[cache->paths[0].first];
  const int count = cache->paths[0].count;

  // Its length, and how far it turns in all.
  double length = 0.0, turned = 0.0, px = 0.0, py = 0.0;
  for (int j = 0; j + 1 < count; j++)
  {
    double dx = (double)pts[j + 1].x - pts[j].x, dy = (double)pts[j + 1].y - pts[j].y;
    const double len = std::sqrt(dx * dx + dy * dy);
    if (!(len > 0.0)) continue;
    dx /= len, dy /= len;
    if (length > 0.0) turned += std::fabs(std::atan2(px * dy - py * dx, px * dx + py * dy));
    length += len, px = dx, py = dy;
  }
  if (!(length <= kLongest * fringe) || !(turned < kMostTurn)) return false;

  if (!ctx->thin) ctx->thin = new (std::nothrow) VGthinScratch;
  if (!ctx->thin) return false;
  VGthinScratch& s = *ctx->thin;
  std::vector<VGpoint>& out = s.stroke;
  out.clear();
  // Its left side forwards, the end's cap, its right side backwards and the start's cap: each side through
  // the miters of the centre line's corners (a dot of no length faces along x).
  const double hw = width * 0.5;
  auto direction = [&](int j, double& dx, double& dy)
  {
    dx = (double)pts[j + 1].x - pts[j].x, dy = (double)pts[j + 1].y - pts[j].y;
    const double len = std::sqrt(dx * dx + dy * dy);
    if (len > 0.0)
      dx /= len, dy /= len;
    else
      dx = 1.0, dy = 0.0;
  };
  auto side = [&](int j, double sign)
  {
    double ax, ay, bx, by;
    direction(std::max(j - 1, 0), ax, ay);
    direction(std::min(j, count - 2), bx, by);
    // The miter: the mean of the two normals, as long as reaches half a width out from each.
    double mx = -(ay + by) * 0.5, my = (ax + bx) * 0.5;
    const double m2 = mx * mx + my * my;
    if (m2 > 1e-12) mx /= m2, my /= m2;
    Put(out, pts[j].x + mx * hw * sign, pts[j].y + my * hw * sign);
  };
  double sx, sy, ex, ey;
  direction(0, sx, sy);
  direction(count - 2, ex, ey);
  for (int j = 0; j < count; j++)
    side(j, 1.0);
  Cap(out, pts[count - 1].x, pts[count - 1].y, ex, ey, hw, lineCap);
  for (int j = count - 1; j >= 0; j--)
    side(j, -1.0);
  Cap(out, pts[0].x, pts[0].y, -sx, -sy, hw, lineCap);

  // Solid shapes turn as the flattening turns them (VGpathCommands.cpp): the columns face as the outline
  // turns.
  const int n = (int)out.size();
  double area2 = 0.0;
  for (int j = 0; j < n; j++)
  {
    const VGpoint &a = out[(size_t)j], &b = out[(size_t)(j + 1 == n ? 0 : j + 1)];
    area2 += (double)a.x * b.y - (double)b.x * a.y;
  }
  if (area2 > 0.0) std::reverse(out.begin(), out.end()), area2 = -area2;
  float bounds[4] = {1e6f, 1e6f, -1e6f, -1e6f};
  for (int j = 0; j < n; j++)
  {
    VGpoint& a = out[(size_t)j];
    const VGpoint& b = out[(size_t)(j + 1 == n ? 0 : j + 1)];
    a.dx = b.x - a.x, a.dy = b.y - a.y;
    a.len = vgNormalize(&a.dx, &a.dy);
    bounds[0] = std::min(bounds[0], a.x), bounds[1] = std::min(bounds[1], a.y);
    bounds[2] = std::max(bounds[2], a.x), bounds[3] = std::max(bounds[3], a.y);
  }
  // The band along the centre line and the caps: two half discs, or two half squares.
  const double area = length * width + (lineCap == kVGRound ? kVGPi / 4 : 1.0) * (double)width * width;
  VGvertex* verts = vgAllocTempVerts(ctx, n * 12 + 12);
  if (!verts) return false;
  // Along the pixel grid or its diagonal where the outline is thin enough across them, else along its sides.
  int nverts = 0;
  for (const bool grid : {true, false})
  {
    double ux, uy;
    const double lie = vgThinLie(out.data(), n, ux, uy, grid);
    if (MeetsEachLineOnce(out, ux, uy) && (nverts = vgThinColumns(s, out.data(), n, ux, uy, fringe * lie,
                                                                  area, area2, verts, kColumnSpacing)) > 0)
      break;
  }
  if (nverts == 0) return false;
  VGpath path{};
  path.count = n;
  path.closed = 1;
  path.convex = 1;
  path.fill = verts;
  path.stroke = verts;
  path.nstroke = nverts;
  VGstate* state = vgGetState(ctx);
  VGpaint ink = paint;
  ctx->params.renderFill(ctx->params.userPtr, &ink, state->compositeOperation, &state->scissor, fringe,
                         bounds, &path, 1, kVGNonZero);
  ctx->strokeTriCount += nverts - 2;
  ctx->drawCallCount++;
  return true;
}
} // namespace iplugin::igraphics
