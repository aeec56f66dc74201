#include "graphics/vector/VGthinStroke.h"

#include "graphics/vector/VGpath.h"
#include "graphics/vector/VGrenderParams.h"
#include "graphics/vector/VGthinColumns.h"
#include "graphics/vector/VGthinScratch.h"

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
// fringe apart or less are one (fewer triangles to draw, the ink as near).
constexpr double kColumnSpacing = 1.0 / 8.0;
constexpr double kMostTurn = kVGPi / 4;

// Sets a point; its direction and length are set once the outline is closed.
void Put(VGpoint* out, double x, double y)
{
  *out = VGpoint{};
  out->x = (float)x, out->y = (float)y;
}

// How many points a cap adds between the sides' ends.
int CapPoints(int lineCap)
{
  return lineCap == kVGSquare ? 2 : kCapChords - 1;
}

// One end's cap round (cx, cy), facing (dx, dy), half a width hw out: from the left side round to the
// right, into out[0, CapPoints).
void Cap(VGpoint* out, double cx, double cy, double dx, double dy, double hw, int lineCap)
{
  const double nx = -dy, ny = dx; // to the left
  if (lineCap == kVGSquare)
  {
    Put(&out[0], cx + (nx + dx) * hw, cy + (ny + dy) * hw);
    Put(&out[1], cx + (dx - nx) * hw, cy + (dy - ny) * hw);
    return;
  }
  for (int k = 1; k < kCapChords; k++)
  {
    const double a = kVGPi * k / kCapChords, c = std::cos(a), s = std::sin(a);
    Put(&out[k - 1], cx + (nx * c + dx * s) * hw, cy + (ny * c + dy * s) * hw);
  }
}

// The unit direction from a to b; along x where they meet.
void Unit(const VGpoint& a, const VGpoint& b, double& dx, double& dy)
{
  dx = (double)b.x - a.x, dy = (double)b.y - a.y;
  const double len = std::sqrt(dx * dx + dy * dy);
  if (len > 0.0)
    dx /= len, dy /= len;
  else
    dx = 1.0, dy = 0.0;
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

  // Its length, and how far it turns in all: a long one is left to the general stroke as soon as it is seen
  // to be.
  double length = 0.0, turned = 0.0, px = 0.0, py = 0.0;
  for (int j = 0; j + 1 < count; j++)
  {
    double dx = (double)pts[j + 1].x - pts[j].x, dy = (double)pts[j + 1].y - pts[j].y;
    const double len = std::sqrt(dx * dx + dy * dy);
    if (!(len > 0.0)) continue;
    dx /= len, dy /= len;
    if (length > 0.0) turned += std::fabs(std::atan2(px * dy - py * dx, px * dx + py * dy));
    length += len, px = dx, py = dy;
    if (!(length <= kLongest * fringe)) return false;
  }
  if (!(length <= kLongest * fringe) || !(turned < kMostTurn)) return false;

  if (!ctx->thin) ctx->thin = new (std::nothrow) VGthinScratch;
  if (!ctx->thin) return false;
  VGthinScratch& s = *ctx->thin;
  // Its left side forwards, the end's cap, its right side backwards and the start's cap: each side through
  // the miters of the centre line's corners (a dot of no length faces along x).
  const int caps = CapPoints(lineCap), n = 2 * (count + caps);
  std::vector<VGpoint>& out = s.stroke;
  out.resize((size_t)n);
  const double hw = width * 0.5;
  double sx, sy, ix, iy; // the first segment's direction; the one into point j
  Unit(pts[0], pts[1], sx, sy);
  ix = sx, iy = sy;
  for (int j = 0; j < count; j++)
  {
    double ox = ix, oy = iy; // out of point j
    if (j + 1 < count) Unit(pts[j], pts[j + 1], ox, oy);
    // The miter: the mean of the two normals, as long as reaches half a width out from each.
    double mx = -(iy + oy) * 0.5, my = (ix + ox) * 0.5;
    const double m2 = mx * mx + my * my;
    if (m2 > 1e-12) mx /= m2, my /= m2;
    Put(&out[(size_t)j], pts[j].x + mx * hw, pts[j].y + my * hw);
    Put(&out[(size_t)(2 * count + caps - 1 - j)], pts[j].x - mx * hw, pts[j].y - my * hw);
    ix = ox, iy = oy;
  }
  Cap(&out[(size_t)count], pts[count - 1].x, pts[count - 1].y, ix, iy, hw, lineCap);
  Cap(&out[(size_t)(2 * count + caps)], pts[0].x, pts[0].y, -sx, -sy, hw, lineCap);

  // Solid shapes turn as the flattening turns them (VGpathCommands.cpp): the columns face as the outline
  // turns.
  double area2 = vgTwiceArea(out.data(), n);
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
  path.call = kVGFillStrip;
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
