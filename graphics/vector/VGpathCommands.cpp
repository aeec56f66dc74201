// Path commands, shape builders and flattening into the path cache.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "graphics/vector/VGcontext.h"
#include "graphics/vector/VGdirections.h"

namespace iplugin::igraphics
{
namespace
{
float Cross(float dx0, float dy0, float dx1, float dy1)
{
  return dx1 * dy0 - dx0 * dy1;
}

bool PtEquals(float x1, float y1, float x2, float y2, float tol)
{
  float dx = x2 - x1, dy = y2 - y1;
  return dx * dx + dy * dy < tol * tol;
}

float DistPtSeg(float x, float y, float px, float py, float qx, float qy)
{
  float pqx = qx - px, pqy = qy - py;
  float dx = x - px, dy = y - py;
  float d = pqx * pqx + pqy * pqy;
  float t = pqx * dx + pqy * dy;
  if (d > 0) t /= d;
  t = std::clamp(t, 0.0f, 1.0f);
  dx = px + t * pqx - x;
  dy = py + t * pqy - y;
  return dx * dx + dy * dy;
}

float SignedArea(const VGpoint* pts, int npts)
{
  float area = 0;
  const VGpoint& a = pts[0];
  for (int i = 2; i < npts; i++)
  {
    const VGpoint& b = pts[i - 1];
    const VGpoint& c = pts[i];
    area += (c.x - a.x) * (b.y - a.y) - (b.x - a.x) * (c.y - a.y);
  }
  return area * 0.5f;
}

void ReversePoints(VGpoint* pts, int npts)
{
  std::reverse(pts, pts + npts);
}

VGpath* LastPath(VGcontext* ctx)
{
  return ctx->cache->npaths > 0 ? &ctx->cache->paths[ctx->cache->npaths - 1] : nullptr;
}

void AddPath(VGcontext* ctx)
{
  VGpathCache* c = ctx->cache;
  if (c->npaths + 1 > c->cpaths)
  {
    int cpaths = c->npaths + 1 + c->cpaths / 2;
    auto* paths = static_cast<VGpath*>(std::realloc(c->paths, sizeof(VGpath) * cpaths));
    if (!paths) return; // the following points join the previous path
    c->paths = paths;
    c->cpaths = cpaths;
  }
  VGpath* path = &c->paths[c->npaths];
  std::memset(path, 0, sizeof(*path));
  path->first = c->npoints;
  path->winding = kVGSolid;
  c->npaths++;
}

// Twice the signed area of the triangle a, b, c, as SignedArea counts it.
double TwiceTriangle(double ax, double ay, double bx, double by, double cx, double cy)
{
  return (cx - ax) * (by - ay) - (bx - ax) * (cy - ay);
}

// Counts the share of the point merged into k, with (x, y) drawn next: the triangle the merge cut off.
void CountMerged(VGpath* path, const VGpoint& k, float x, float y)
{
  path->lostArea += TwiceTriangle(k.x, k.y, path->mergedX, path->mergedY, x, y) * 0.5;
  path->merged = 0;
}

void AddPoint(VGcontext* ctx, float x, float y, int flags)
{
  VGpath* path = LastPath(ctx);
  if (!path) return;
  VGpathCache* c = ctx->cache;
  if (path->count > 0 && c->npoints > 0)
  {
    VGpoint* pt = &c->points[c->npoints - 1];
    if (path->merged) CountMerged(path, *pt, x, y);
    if (PtEquals(pt->x, pt->y, x, y, ctx->distTol))
    {
      pt->flags |= (uint8_t)flags;
      path->merged = 1, path->mergedX = x, path->mergedY = y;
      return;
    }
  }
  if (c->npoints + 1 > c->cpoints)
  {
    int cpoints = c->npoints + 1 + c->cpoints / 2;
    auto* points = static_cast<VGpoint*>(std::realloc(c->points, sizeof(VGpoint) * cpoints));
    if (!points) return;
    c->points = points;
    c->cpoints = cpoints;
  }
  VGpoint* pt = &c->points[c->npoints];
  std::memset(pt, 0, sizeof(*pt));
  pt->x = x;
  pt->y = y;
  pt->flags = (uint8_t)flags;
  c->npoints++;
  path->count++;
}

void TesselateBezier(VGcontext* ctx, float x1, float y1, float x2, float y2, float x3, float y3, float x4,
                     float y4, int level, int type, float tol)
{
  float dx = x4 - x1, dy = y4 - y1;
  float d2 = std::fabs((x2 - x4) * dy - (y2 - y4) * dx);
  float d3 = std::fabs((x3 - x4) * dy - (y3 - y4) * dx);
  // At the depth limit the piece is taken as flat, so a curve never loses its end point. d2 and d3 are
  // distances times the chord's length, so the tolerance is squared like the chord's length: the control
  // points come within the tolerance of the chord, as round caps and joins do.
  if (level >= 10 || (d2 + d3) * (d2 + d3) < tol * tol * (dx * dx + dy * dy))
  {
    AddPoint(ctx, x4, y4, type);
    return;
  }
  float x12 = (x1 + x2) * 0.5f, y12 = (y1 + y2) * 0.5f;
  float x23 = (x2 + x3) * 0.5f, y23 = (y2 + y3) * 0.5f;
  float x34 = (x3 + x4) * 0.5f, y34 = (y3 + y4) * 0.5f;
  float x123 = (x12 + x23) * 0.5f, y123 = (y12 + y23) * 0.5f;
  float x234 = (x23 + x34) * 0.5f, y234 = (y23 + y34) * 0.5f;
  float x1234 = (x123 + x234) * 0.5f, y1234 = (y123 + y234) * 0.5f;
  TesselateBezier(ctx, x1, y1, x12, y12, x123, y123, x1234, y1234, level + 1, 0, tol);
  TesselateBezier(ctx, x1234, y1234, x234, y234, x34, y34, x4, y4, level + 1, type, tol);
}

// The flattening tolerance of a curve: a quarter of a pixel (tessTol), but within a 32nd of how far the
// control points stand off the chord, down to a 64th of a pixel. A chord cuts off two thirds of its
// sagitta times its length, so a fixed tolerance cuts a share of a small curve's area that grows as the
// curve shrinks: a disc 2 pixels across flattened to an octagon, 0.90 of its area, and its thin fill puts
// down just that. Within a 32nd of its reach a circle of any size keeps 32 points, 0.994 of its area.
constexpr float kVGCurveShare = 1.0f / 32.0f, kVGCurveLeast = 1.0f / 16.0f;
float CurveTolerance(const VGcontext* ctx, float x1, float y1, float x2, float y2, float x3, float y3, float x4,
                     float y4)
{
  const float dx = x4 - x1, dy = y4 - y1, chord = std::sqrt(dx * dx + dy * dy);
  float reach;
  if (chord > ctx->distTol)
    reach = (std::fabs((x2 - x4) * dy - (y2 - y4) * dx) + std::fabs((x3 - x4) * dy - (y3 - y4) * dx)) / chord;
  else // a loop back to its start: its control points' distances from it
    reach = std::hypot(x2 - x1, y2 - y1) + std::hypot(x3 - x1, y3 - y1);
  return std::clamp(reach * kVGCurveShare, ctx->tessTol * kVGCurveLeast, ctx->tessTol);
}
} // namespace

void vgAppendCommands(VGcontext* ctx, float* vals, int nvals)
{
  if (nvals <= 0) return;
  VGstate* state = vgGetState(ctx);
  if (ctx->ncommands + nvals > ctx->ccommands)
  {
    int ccommands = ctx->ncommands + nvals + ctx->ccommands / 2;
    auto* commands = static_cast<float*>(std::realloc(ctx->commands, sizeof(float) * ccommands));
    if (!commands) return;
    ctx->commands = commands;
    ctx->ccommands = ccommands;
  }

  int first = (int)vals[0];
  if (first != kVGClose && first != kVGWinding && nvals >= 2)
  {
    ctx->commandx = vals[nvals - 2];
    ctx->commandy = vals[nvals - 1];
  }

  // Commands are kept in device space.
  int i = 0;
  while (i < nvals)
  {
    switch ((int)vals[i])
    {
    case kVGMoveTo:
    case kVGLineTo:
      if (i + 2 < nvals) vgTransformPoint(&vals[i + 1], &vals[i + 2], state->xform, vals[i + 1], vals[i + 2]);
      i += 3;
      break;
    case kVGBezierTo:
      if (i + 6 < nvals)
      {
        vgTransformPoint(&vals[i + 1], &vals[i + 2], state->xform, vals[i + 1], vals[i + 2]);
        vgTransformPoint(&vals[i + 3], &vals[i + 4], state->xform, vals[i + 3], vals[i + 4]);
        vgTransformPoint(&vals[i + 5], &vals[i + 6], state->xform, vals[i + 5], vals[i + 6]);
      }
      i += 7;
      break;
    case kVGClose:
      i++;
      break;
    case kVGWinding:
      i += 2;
      break;
    default:
      i++;
    }
  }

  std::memcpy(&ctx->commands[ctx->ncommands], vals, nvals * sizeof(float));
  ctx->ncommands += nvals;
}

void vgBeginPath(VGcontext* ctx)
{
  ctx->ncommands = 0;
  ctx->cache->npoints = 0;
  ctx->cache->npaths = 0;
}

namespace
{
// A move or a line, appended as vgAppendCommands appends it, without walking a list where there is room.
void AppendPointCommand(VGcontext* ctx, int command, float x, float y)
{
  if (ctx->ncommands + 3 > ctx->ccommands)
  {
    float vals[] = {(float)command, x, y};
    vgAppendCommands(ctx, vals, 3);
    return;
  }
  ctx->commandx = x;
  ctx->commandy = y;
  float* dst = &ctx->commands[ctx->ncommands];
  dst[0] = (float)command;
  vgTransformPoint(&dst[1], &dst[2], vgGetState(ctx)->xform, x, y);
  ctx->ncommands += 3;
}
} // namespace

void vgMoveTo(VGcontext* ctx, float x, float y)
{
  AppendPointCommand(ctx, kVGMoveTo, x, y);
}

void vgLineTo(VGcontext* ctx, float x, float y)
{
  AppendPointCommand(ctx, kVGLineTo, x, y);
}

void vgBezierTo(VGcontext* ctx, float c1x, float c1y, float c2x, float c2y, float x, float y)
{
  float vals[] = {kVGBezierTo, c1x, c1y, c2x, c2y, x, y};
  vgAppendCommands(ctx, vals, 7);
}

void vgQuadTo(VGcontext* ctx, float cx, float cy, float x, float y)
{
  float x0 = ctx->commandx, y0 = ctx->commandy;
  float vals[] = {kVGBezierTo,
                  x0 + 2.0f / 3.0f * (cx - x0),
                  y0 + 2.0f / 3.0f * (cy - y0),
                  x + 2.0f / 3.0f * (cx - x),
                  y + 2.0f / 3.0f * (cy - y),
                  x,
                  y};
  vgAppendCommands(ctx, vals, 7);
}

void vgClosePath(VGcontext* ctx)
{
  float vals[] = {kVGClose};
  vgAppendCommands(ctx, vals, 1);
}

void vgPathWinding(VGcontext* ctx, int dir)
{
  float vals[] = {kVGWinding, (float)dir};
  vgAppendCommands(ctx, vals, 2);
}

void vgArc(VGcontext* ctx, float cx, float cy, float r, float a0, float a1, int dir)
{
  int move = ctx->ncommands > 0 ? kVGLineTo : kVGMoveTo;
  float da = a1 - a0;
  if (dir == kVGHole)
  {
    if (std::fabs(da) >= kVGPi * 2)
      da = kVGPi * 2;
    else
      while (da < 0.0f)
        da += kVGPi * 2;
  }
  else
  {
    if (std::fabs(da) >= kVGPi * 2)
      da = -kVGPi * 2;
    else
      while (da > 0.0f)
        da -= kVGPi * 2;
  }

  int ndivs = std::clamp((int)(std::fabs(da) / (kVGPi * 0.5f) + 0.5f), 1, 5);
  float hda = (da / (float)ndivs) / 2.0f;
  // A zero sweep has no tangent length (and 0/0 would put NaN into the path).
  float sinh = std::sin(hda);
  float kappa = sinh != 0.0f ? std::fabs(4.0f / 3.0f * (1.0f - std::cos(hda)) / sinh) : 0.0f;
  if (dir == kVGSolid) kappa = -kappa;

  float vals[3 + 5 * 7];
  int nvals = 0;
  float px = 0, py = 0, ptanx = 0, ptany = 0;
  for (int i = 0; i <= ndivs; i++)
  {
    float a = a0 + da * ((float)i / (float)ndivs);
    float dx = std::cos(a), dy = std::sin(a);
    float x = cx + dx * r, y = cy + dy * r;
    float tanx = -dy * r * kappa, tany = dx * r * kappa;
    if (i == 0)
    {
      vals[nvals++] = (float)move;
      vals[nvals++] = x;
      vals[nvals++] = y;
    }
    else
    {
      vals[nvals++] = kVGBezierTo;
      vals[nvals++] = px + ptanx;
      vals[nvals++] = py + ptany;
      vals[nvals++] = x - tanx;
      vals[nvals++] = y - tany;
      vals[nvals++] = x;
      vals[nvals++] = y;
    }
    px = x;
    py = y;
    ptanx = tanx;
    ptany = tany;
  }
  vgAppendCommands(ctx, vals, nvals);
}

void vgArcTo(VGcontext* ctx, float x1, float y1, float x2, float y2, float radius)
{
  if (ctx->ncommands == 0) return;
  float x0 = ctx->commandx, y0 = ctx->commandy;
  if (PtEquals(x0, y0, x1, y1, ctx->distTol) || PtEquals(x1, y1, x2, y2, ctx->distTol) ||
      DistPtSeg(x1, y1, x0, y0, x2, y2) < ctx->distTol * ctx->distTol || radius < ctx->distTol)
  {
    vgLineTo(ctx, x1, y1);
    return;
  }

  float dx0 = x0 - x1, dy0 = y0 - y1;
  float dx1 = x2 - x1, dy1 = y2 - y1;
  vgNormalize(&dx0, &dy0);
  vgNormalize(&dx1, &dy1);
  float a = std::acos(dx0 * dx1 + dy0 * dy1);
  float d = radius / std::tan(a / 2.0f);
  if (d > 10000.0f)
  {
    vgLineTo(ctx, x1, y1);
    return;
  }

  float cx, cy, a0, a1;
  int dir;
  if (Cross(dx0, dy0, dx1, dy1) > 0.0f)
  {
    cx = x1 + dx0 * d + dy0 * radius;
    cy = y1 + dy0 * d + -dx0 * radius;
    a0 = std::atan2(dx0, -dy0);
    a1 = std::atan2(-dx1, dy1);
    dir = kVGHole;
  }
  else
  {
    cx = x1 + dx0 * d + -dy0 * radius;
    cy = y1 + dy0 * d + dx0 * radius;
    a0 = std::atan2(-dx0, dy0);
    a1 = std::atan2(dx1, -dy1);
    dir = kVGSolid;
  }
  vgArc(ctx, cx, cy, radius, a0, a1, dir);
}

void vgRect(VGcontext* ctx, float x, float y, float w, float h)
{
  float vals[] = {kVGMoveTo, x,     y,         kVGLineTo, x, y + h,   kVGLineTo,
                  x + w,     y + h, kVGLineTo, x + w,     y, kVGClose};
  vgAppendCommands(ctx, vals, 13);
}

void vgRoundedRect(VGcontext* ctx, float x, float y, float w, float h, float r)
{
  vgRoundedRectVarying(ctx, x, y, w, h, r, r, r, r);
}

void vgRoundedRectVarying(VGcontext* ctx, float x, float y, float w, float h, float radTopLeft,
                          float radTopRight, float radBottomRight, float radBottomLeft)
{
  if (radTopLeft < 0.1f && radTopRight < 0.1f && radBottomRight < 0.1f && radBottomLeft < 0.1f)
  {
    vgRect(ctx, x, y, w, h);
    return;
  }
  float halfw = std::fabs(w) * 0.5f, halfh = std::fabs(h) * 0.5f;
  float sw = w >= 0.0f ? 1.0f : -1.0f, sh = h >= 0.0f ? 1.0f : -1.0f;
  float rxBL = std::min(radBottomLeft, halfw) * sw, ryBL = std::min(radBottomLeft, halfh) * sh;
  float rxBR = std::min(radBottomRight, halfw) * sw, ryBR = std::min(radBottomRight, halfh) * sh;
  float rxTR = std::min(radTopRight, halfw) * sw, ryTR = std::min(radTopRight, halfh) * sh;
  float rxTL = std::min(radTopLeft, halfw) * sw, ryTL = std::min(radTopLeft, halfh) * sh;
  const float k = 1.0f - kVGKappa90; // control points sit this far from the corner, along the edges
  float vals[] = {kVGMoveTo,
                  x,
                  y + ryTL,
                  kVGLineTo,
                  x,
                  y + h - ryBL,
                  kVGBezierTo,
                  x,
                  y + h - ryBL * k,
                  x + rxBL * k,
                  y + h,
                  x + rxBL,
                  y + h,
                  kVGLineTo,
                  x + w - rxBR,
                  y + h,
                  kVGBezierTo,
                  x + w - rxBR * k,
                  y + h,
                  x + w,
                  y + h - ryBR * k,
                  x + w,
                  y + h - ryBR,
                  kVGLineTo,
                  x + w,
                  y + ryTR,
                  kVGBezierTo,
                  x + w,
                  y + ryTR * k,
                  x + w - rxTR * k,
                  y,
                  x + w - rxTR,
                  y,
                  kVGLineTo,
                  x + rxTL,
                  y,
                  kVGBezierTo,
                  x + rxTL * k,
                  y,
                  x,
                  y + ryTL * k,
                  x,
                  y + ryTL,
                  kVGClose};
  vgAppendCommands(ctx, vals, (int)(sizeof(vals) / sizeof(vals[0])));
}

void vgEllipse(VGcontext* ctx, float cx, float cy, float rx, float ry)
{
  const float k = kVGKappa90;
  float vals[] = {kVGMoveTo,   cx - rx, cy,      kVGBezierTo, cx - rx,     cy + ry * k, cx - rx * k,
                  cy + ry,     cx,      cy + ry, kVGBezierTo, cx + rx * k, cy + ry,     cx + rx,
                  cy + ry * k, cx + rx, cy,      kVGBezierTo, cx + rx,     cy - ry * k, cx + rx * k,
                  cy - ry,     cx,      cy - ry, kVGBezierTo, cx - rx * k, cy - ry,     cx - rx,
                  cy - ry * k, cx - rx, cy,      kVGClose};
  vgAppendCommands(ctx, vals, (int)(sizeof(vals) / sizeof(vals[0])));
}

void vgCircle(VGcontext* ctx, float cx, float cy, float r)
{
  vgEllipse(ctx, cx, cy, r, r);
}

namespace
{
void MarkDrawn(VGcontext* ctx)
{
  if (VGpath* path = LastPath(ctx)) path->drawn = 1;
}

// Turns the commands into paths and points; a command whose payload was cut off ends the walk.
void WalkCommands(VGcontext* ctx)
{
  VGpathCache* cache = ctx->cache;
  const float* cmds = ctx->commands;
  int n = ctx->ncommands;
  int i = 0;
  while (i < n)
  {
    switch ((int)cmds[i])
    {
    case kVGMoveTo:
      if (i + 3 > n) return;
      AddPath(ctx);
      AddPoint(ctx, cmds[i + 1], cmds[i + 2], kVGPtCorner);
      i += 3;
      break;
    case kVGLineTo:
      if (i + 3 > n) return;
      MarkDrawn(ctx);
      AddPoint(ctx, cmds[i + 1], cmds[i + 2], kVGPtCorner);
      i += 3;
      break;
    case kVGBezierTo:
      if (i + 7 > n) return;
      MarkDrawn(ctx);
      if (cache->npoints > 0)
      {
        const VGpoint& last = cache->points[cache->npoints - 1];
        const float* p = &cmds[i + 1];
        TesselateBezier(ctx, last.x, last.y, p[0], p[1], p[2], p[3], p[4], p[5], 0, kVGPtCorner,
                        CurveTolerance(ctx, last.x, last.y, p[0], p[1], p[2], p[3], p[4], p[5]));
      }
      i += 7;
      break;
    case kVGClose:
      if (VGpath* path = LastPath(ctx)) path->closed = 1, path->drawn = 1;
      i++;
      break;
    case kVGWinding:
      if (i + 2 > n) return;
      if (VGpath* path = LastPath(ctx)) path->winding = (int)cmds[i + 1];
      cache->nwindings++;
      i += 2;
      break;
    default:
      i++;
    }
  }
}
} // namespace

namespace
{
// A rectangle's commands (move, three lines, close, maybe a solid winding) give one path of four corners,
// as the walk would when no two neighbours are within the distance tolerance; false leaves the cache as it
// was.
bool WalkQuad(VGcontext* ctx)
{
  VGpathCache* cache = ctx->cache;
  const float* c = ctx->commands;
  const int n = ctx->ncommands;
  if (!ctx->options.fillShortcuts || (n != 13 && n != 15) || cache->cpoints < 4 || cache->cpaths < 1)
    return false;
  if (int(c[0]) != kVGMoveTo || int(c[3]) != kVGLineTo || int(c[6]) != kVGLineTo || int(c[9]) != kVGLineTo ||
      int(c[12]) != kVGClose)
    return false;
  if (n == 15 && (int(c[13]) != kVGWinding || int(c[14]) != kVGSolid)) return false;
  for (int i = 1; i < 4; i++)
    if (PtEquals(c[i * 3 - 2], c[i * 3 - 1], c[i * 3 + 1], c[i * 3 + 2], ctx->distTol)) return false;
  VGpath* path = &cache->paths[0];
  *path = VGpath{};
  path->count = 4;
  path->closed = 1;
  path->winding = kVGSolid;
  for (int i = 0; i < 4; i++)
  {
    cache->points[i] = VGpoint{};
    cache->points[i].x = c[i * 3 + 1];
    cache->points[i].y = c[i * 3 + 2];
    cache->points[i].flags = kVGPtCorner;
  }
  path->drawn = 1;
  cache->npaths = 1;
  cache->npoints = 4;
  cache->nwindings = n == 15 ? 1 : 0;
  return true;
}
} // namespace

void vgFlattenPaths(VGcontext* ctx)
{
  VGpathCache* cache = ctx->cache;
  if (cache->npaths > 0) return;

  cache->nwindings = 0;
  if (!WalkQuad(ctx)) WalkCommands(ctx);

  cache->bounds[0] = cache->bounds[1] = 1e6f;
  cache->bounds[2] = cache->bounds[3] = -1e6f;

  for (int j = 0; j < cache->npaths; j++)
  {
    VGpath* path = &cache->paths[j];
    VGpoint* pts = &cache->points[path->first];

    // A last point on top of the first closes the path.
    if (path->count > 0)
    {
      VGpoint* p0 = &pts[path->count - 1];
      VGpoint* p1 = &pts[0];
      if (path->merged) CountMerged(path, *p0, p1->x, p1->y);
      if (path->count > 1 && PtEquals(p0->x, p0->y, p1->x, p1->y, ctx->distTol))
      {
        const VGpoint& before = pts[path->count - 2];
        path->lostArea += TwiceTriangle(before.x, before.y, p0->x, p0->y, p1->x, p1->y) * 0.5;
        path->count--;
        path->closed = 1;
      }
    }
  }

  if (vgGetState(ctx)->keepDirections) vgWindAsDrawn(ctx);
  for (int j = 0; j < cache->npaths; j++)
  {
    VGpath* path = &cache->paths[j];
    VGpoint* pts = &cache->points[path->first];

    // Solid shapes run counter-clockwise, holes clockwise.
    if (path->count > 2)
    {
      const float area = SignedArea(pts, path->count);
      if ((path->winding == kVGSolid && area < 0.0f) || (path->winding == kVGHole && area > 0.0f))
      {
        ReversePoints(pts, path->count);
        path->lostArea = -path->lostArea;
      }
    }

    for (int i = 0; i < path->count; i++)
    {
      VGpoint* p0 = &pts[i];
      VGpoint* p1 = &pts[i + 1 == path->count ? 0 : i + 1];
      p0->dx = p1->x - p0->x;
      p0->dy = p1->y - p0->y;
      p0->len = vgNormalize(&p0->dx, &p0->dy);
      cache->bounds[0] = std::min(cache->bounds[0], p0->x);
      cache->bounds[1] = std::min(cache->bounds[1], p0->y);
      cache->bounds[2] = std::max(cache->bounds[2], p0->x);
      cache->bounds[3] = std::max(cache->bounds[3], p0->y);
    }
  }
}

void vgDebugDumpPathCache(VGcontext* ctx)
{
  const VGpathCache* cache = ctx->cache;
  std::printf("Dumping %d cached paths\n", cache->npaths);
  for (int i = 0; i < cache->npaths; i++)
  {
    const VGpath* path = &cache->paths[i];
    std::printf(" - Path %d\n", i);
    std::printf("    - fill: %d\n", path->nfill);
    for (int j = 0; j < path->nfill; j++)
      std::printf("%f\t%f\n", path->fill[j].x, path->fill[j].y);
    std::printf("    - stroke: %d\n", path->nstroke);
    for (int j = 0; j < path->nstroke; j++)
      std::printf("%f\t%f\n", path->stroke[j].x, path->stroke[j].y);
  }
}
} // namespace iplugin::igraphics
