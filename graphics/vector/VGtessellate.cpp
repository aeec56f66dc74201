// Fill and stroke expansion of flattened paths into the vertices handed to the renderer.
#include <sanitizer/asan_interface.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <new>
#include <utility>
#include <vector>

#include "graphics/vector/VGcontext.h"
#include "graphics/vector/VGdots.h"
#include "graphics/vector/VGfillWays.h"
#include "graphics/vector/VGfringeApart.h"
#include "graphics/vector/VGoutlines.h"
#include "graphics/vector/VGsampledFill.h"
#include "graphics/vector/VGsliver.h"
#include "graphics/vector/VGthinFill.h"
#include "graphics/vector/VGthinStroke.h"

namespace iplugin::igraphics
{
namespace
{
VGvertex* Vset(VGvertex* vtx, float x, float y, float u, float v)
{
  *vtx = {x, y, u, v};
  return vtx + 1;
}

// Divisions of a half circle of radius r so that no chord strays more than tol from the arc.
int CurveDivs(float r, float arc, float tol)
{
  float da = std::acos(r / (r + tol)) * 2.0f;
  float n = std::ceil(arc / da);
  // A tolerance lost against the radius (or a NaN width) must not overflow the conversion.
  if (!(n < 4096.0f)) return std::isnan(n) ? 2 : 4096;
  return std::max(2, (int)n);
}

// The turnings Turning weighs against: below this the outline winds once.
constexpr float kTwiceWound = 3.0f * kVGPi;

// A bound on the turning Turning sums, tighter than a turn's quarter or half revolution where the
// directions do not oppose: a turn's angle is at most its tangent, cross / dot. Turning's float sum strays
// from the true one by a few units in the last place a term, which the margin covers; NaN where a turn is
// not finite, as the sum then is.
double TangentTurning(const VGpoint* pts, int count)
{
  double bound = 0.0;
  const VGpoint* p0 = &pts[count - 1];
  for (int j = 0; j < count; j++)
  {
    const VGpoint* p1 = &pts[j];
    const float cross = p1->dx * p0->dy - p0->dx * p1->dy, dot = p0->dx * p1->dx + p0->dy * p1->dy;
    if (!std::isfinite(cross) || !std::isfinite(dot)) return NAN;
    bound += dot > 0.0f ? std::min(std::fabs((double)cross) / dot, 1.6) : dot == 0.0f ? 1.6 : 3.2;
    p0 = p1;
  }
  // Each term's rounding, relative, and the cross and dot products fused or not, which moves a unit turn's
  // angle by a few 2^-24.
  return bound * (1.0 + (count + 4) * 0x1p-22) + count * 0x1p-20;
}

// Total turning of an outline whose turns all bend left: one revolution for a convex outline, two or more
// for a star polygon; the fan of such a polygon would not cover it. Each turn is below pi/2 where its
// directions do not oppose, below pi else: when the bound says the outline cannot wind twice (3 pi), the
// bound answers instead of the sum (with the fill shortcuts); and so does the sum of the turns' tangents
// (tangents: TangentTurning).
float Turning(const VGpoint* pts, int count, float bound, bool shortcuts, bool tangents)
{
  if (bound < 9.0f && shortcuts) return bound;
  if (tangents)
  {
    // Below in float too: a bound within rounding of the mark is left to the sum.
    const float tangent = (float)TangentTurning(pts, count);
    if (tangent < kTwiceWound) return tangent;
  }
  float turning = 0.0f;
  const VGpoint* p0 = &pts[count - 1];
  const VGpoint* p1 = &pts[0];
  for (int j = 0; j < count; j++)
  {
    float cross = p1->dx * p0->dy - p0->dx * p1->dy;
    turning += std::atan2(cross, p0->dx * p1->dx + p0->dy * p1->dy);
    p0 = p1++;
  }
  return std::fabs(turning);
}

void CalculateJoins(VGcontext* ctx, float w, int lineJoin, float miterLimit)
{
  VGpathCache* cache = ctx->cache;
  float iw = w > 0.0f ? 1.0f / w : 0.0f;
  for (int i = 0; i < cache->npaths; i++)
  {
    VGpath* path = &cache->paths[i];
    path->nbevel = 0;
    if (path->count == 0)
    {
      path->convex = 0;
      continue;
    }
    VGpoint* pts = &cache->points[path->first];
    VGpoint* p0 = &pts[path->count - 1];
    VGpoint* p1 = &pts[0];
    int nleft = 0;
    // Turns to the right by less than a hundredth of the distance tolerance sideways are the float
    // rounding of points on a convex curve (a polygon of thousands of points on a thin ellipse has
    // hundreds): the outline is still convex, so long as no run of turns bends it right by more than
    // kMostBend in all (a run's turns add up to the change of direction across it, which rounding moves
    // by little; a concave arc of thousands of points turns as little at each point, but by its whole
    // angle across the run).
    const float straight = ctx->distTol * 0.01f;
    constexpr float kMostBend = 0.05f;
    float run = 0.0f, bend = 0.0f; // the right turn of the run ending here; the most of any run
    // Above the turning of the outline; see below.
    float turningBound = 0.0f;
    for (int j = 0; j < path->count; j++)
    {
      const float dmr2 = vgMiter(*p0, *p1);

      p1->flags = (p1->flags & kVGPtCorner) ? kVGPtCorner : 0;
      float cross = p1->dx * p0->dy - p0->dx * p1->dy;
      run = std::max(run, 0.0f) - cross;
      bend = std::max(bend, run);
      turningBound += p0->dx * p1->dx + p0->dy * p1->dy >= 0.0f ? 1.6f : 3.2f;
      if (cross > 0.0f)
      {
        nleft++;
        p1->flags |= kVGPtLeft;
      }
      else if (-cross * std::min(p0->len, p1->len) < straight)
        nleft++;

      // Segments shorter than the band is wide get an inner bevel.
      float limit = std::max(1.01f, std::min(p0->len, p1->len) * iw);
      if (dmr2 * limit * limit < 1.0f) p1->flags |= kVGPtInnerBevel;

      if (p1->flags & kVGPtCorner)
      {
        if (dmr2 * miterLimit * miterLimit < 1.0f || lineJoin == kVGBevel || lineJoin == kVGRound)
          p1->flags |= kVGPtBevel;
      }

      if (p1->flags & (kVGPtBevel | kVGPtInnerBevel)) path->nbevel++;
      p0 = p1++;
    }
    const bool shortcuts = ctx->options.fillShortcuts;
    path->convex = nleft == path->count && bend < kMostBend &&
                           Turning(pts, path->count, turningBound, shortcuts, ctx->options.tangentTurns) <
                               kTwiceWound
                       ? 1
                       : 0;
  }
}

void ChooseBevel(int bevel, const VGpoint* p0, const VGpoint* p1, float w, float* x0, float* y0, float* x1,
                 float* y1)
{
  if (bevel)
  {
    *x0 = p1->x + p0->dy * w;
    *y0 = p1->y - p0->dx * w;
    *x1 = p1->x + p1->dy * w;
    *y1 = p1->y - p1->dx * w;
  }
  else
  {
    *x0 = p1->x + p1->dmx * w;
    *y0 = p1->y + p1->dmy * w;
    *x1 = p1->x + p1->dmx * w;
    *y1 = p1->y + p1->dmy * w;
  }
}

VGvertex* RoundJoin(VGvertex* dst, const VGpoint* p0, const VGpoint* p1, float lw, float rw, float lu,
                    float ru, int ncap)
{
  float dlx0 = p0->dy, dly0 = -p0->dx;
  float dlx1 = p1->dy, dly1 = -p1->dx;
  if (p1->flags & kVGPtLeft)
  {
    float lx0, ly0, lx1, ly1;
    ChooseBevel(p1->flags & kVGPtInnerBevel, p0, p1, lw, &lx0, &ly0, &lx1, &ly1);
    float a0 = std::atan2(-dly0, -dlx0);
    float a1 = std::atan2(-dly1, -dlx1);
    if (a1 > a0) a1 -= kVGPi * 2;
    dst = Vset(dst, lx0, ly0, lu, 1);
    dst = Vset(dst, p1->x - dlx0 * rw, p1->y - dly0 * rw, ru, 1);
    int n = std::clamp((int)std::ceil(((a0 - a1) / kVGPi) * ncap), 2, ncap);
    for (int i = 0; i < n; i++)
    {
      float u = i / (float)(n - 1);
      float a = a0 + u * (a1 - a0);
      float rx = p1->x + std::cos(a) * rw;
      float ry = p1->y + std::sin(a) * rw;
      dst = Vset(dst, p1->x, p1->y, 0.5f, 1);
      dst = Vset(dst, rx, ry, ru, 1);
    }
    dst = Vset(dst, lx1, ly1, lu, 1);
    dst = Vset(dst, p1->x - dlx1 * rw, p1->y - dly1 * rw, ru, 1);
  }
  else
  {
    float rx0, ry0, rx1, ry1;
    ChooseBevel(p1->flags & kVGPtInnerBevel, p0, p1, -rw, &rx0, &ry0, &rx1, &ry1);
    float a0 = std::atan2(dly0, dlx0);
    float a1 = std::atan2(dly1, dlx1);
    if (a1 < a0) a1 += kVGPi * 2;
    dst = Vset(dst, p1->x + dlx0 * lw, p1->y + dly0 * lw, lu, 1);
    dst = Vset(dst, rx0, ry0, ru, 1);
    int n = std::clamp((int)std::ceil(((a1 - a0) / kVGPi) * ncap), 2, ncap);
    for (int i = 0; i < n; i++)
    {
      float u = i / (float)(n - 1);
      float a = a0 + u * (a1 - a0);
      float lx = p1->x + std::cos(a) * lw;
      float ly = p1->y + std::sin(a) * lw;
      dst = Vset(dst, lx, ly, lu, 1);
      dst = Vset(dst, p1->x, p1->y, 0.5f, 1);
    }
    dst = Vset(dst, p1->x + dlx1 * lw, p1->y + dly1 * lw, lu, 1);
    dst = Vset(dst, rx1, ry1, ru, 1);
  }
  return dst;
}

VGvertex* BevelJoin(VGvertex* dst, const VGpoint* p0, const VGpoint* p1, float lw, float rw, float lu,
                    float ru)
{
  float dlx0 = p0->dy, dly0 = -p0->dx;
  float dlx1 = p1->dy, dly1 = -p1->dx;
  if (p1->flags & kVGPtLeft)
  {
    float lx0, ly0, lx1, ly1;
    ChooseBevel(p1->flags & kVGPtInnerBevel, p0, p1, lw, &lx0, &ly0, &lx1, &ly1);
    dst = Vset(dst, lx0, ly0, lu, 1);
    dst = Vset(dst, p1->x - dlx0 * rw, p1->y - dly0 * rw, ru, 1);
    if (p1->flags & kVGPtBevel)
    {
      dst = Vset(dst, lx0, ly0, lu, 1);
      dst = Vset(dst, p1->x - dlx0 * rw, p1->y - dly0 * rw, ru, 1);
      dst = Vset(dst, lx1, ly1, lu, 1);
      dst = Vset(dst, p1->x - dlx1 * rw, p1->y - dly1 * rw, ru, 1);
    }
    else
    {
      float rx0 = p1->x - p1->dmx * rw, ry0 = p1->y - p1->dmy * rw;
      dst = Vset(dst, p1->x, p1->y, 0.5f, 1);
      dst = Vset(dst, p1->x - dlx0 * rw, p1->y - dly0 * rw, ru, 1);
      dst = Vset(dst, rx0, ry0, ru, 1);
      dst = Vset(dst, rx0, ry0, ru, 1);
      dst = Vset(dst, p1->x, p1->y, 0.5f, 1);
      dst = Vset(dst, p1->x - dlx1 * rw, p1->y - dly1 * rw, ru, 1);
    }
    dst = Vset(dst, lx1, ly1, lu, 1);
    dst = Vset(dst, p1->x - dlx1 * rw, p1->y - dly1 * rw, ru, 1);
  }
  else
  {
    float rx0, ry0, rx1, ry1;
    ChooseBevel(p1->flags & kVGPtInnerBevel, p0, p1, -rw, &rx0, &ry0, &rx1, &ry1);
    dst = Vset(dst, p1->x + dlx0 * lw, p1->y + dly0 * lw, lu, 1);
    dst = Vset(dst, rx0, ry0, ru, 1);
    if (p1->flags & kVGPtBevel)
    {
      dst = Vset(dst, p1->x + dlx0 * lw, p1->y + dly0 * lw, lu, 1);
      dst = Vset(dst, rx0, ry0, ru, 1);
      dst = Vset(dst, p1->x + dlx1 * lw, p1->y + dly1 * lw, lu, 1);
      dst = Vset(dst, rx1, ry1, ru, 1);
    }
    else
    {
      float lx0 = p1->x + p1->dmx * lw, ly0 = p1->y + p1->dmy * lw;
      dst = Vset(dst, p1->x + dlx0 * lw, p1->y + dly0 * lw, lu, 1);
      dst = Vset(dst, p1->x, p1->y, 0.5f, 1);
      dst = Vset(dst, lx0, ly0, lu, 1);
      dst = Vset(dst, lx0, ly0, lu, 1);
      dst = Vset(dst, p1->x + dlx1 * lw, p1->y + dly1 * lw, lu, 1);
      dst = Vset(dst, p1->x, p1->y, 0.5f, 1);
    }
    dst = Vset(dst, p1->x + dlx1 * lw, p1->y + dly1 * lw, lu, 1);
    dst = Vset(dst, rx1, ry1, ru, 1);
  }
  return dst;
}

// Butt and square caps fade over aa along the stroke (v = 0 at the outer edge).
VGvertex* ButtCapStart(VGvertex* dst, const VGpoint* p, float dx, float dy, float w, float d, float aa,
                       float u0, float u1)
{
  float px = p->x - dx * d, py = p->y - dy * d;
  float dlx = dy, dly = -dx;
  dst = Vset(dst, px + dlx * w - dx * aa, py + dly * w - dy * aa, u0, 0);
  dst = Vset(dst, px - dlx * w - dx * aa, py - dly * w - dy * aa, u1, 0);
  dst = Vset(dst, px + dlx * w, py + dly * w, u0, 1);
  dst = Vset(dst, px - dlx * w, py - dly * w, u1, 1);
  return dst;
}

VGvertex* ButtCapEnd(VGvertex* dst, const VGpoint* p, float dx, float dy, float w, float d, float aa,
                     float u0, float u1)
{
  float px = p->x + dx * d, py = p->y + dy * d;
  float dlx = dy, dly = -dx;
  dst = Vset(dst, px + dlx * w, py + dly * w, u0, 1);
  dst = Vset(dst, px - dlx * w, py - dly * w, u1, 1);
  dst = Vset(dst, px + dlx * w + dx * aa, py + dly * w + dy * aa, u0, 0);
  dst = Vset(dst, px - dlx * w + dx * aa, py - dly * w + dy * aa, u1, 0);
  return dst;
}

// A round cap's rim has radius r (w, the body's half width, unless a thin stroke's cap is sized for its ink).
VGvertex* RoundCapStart(VGvertex* dst, const VGpoint* p, float dx, float dy, float w, float r, int ncap,
                        float u0, float u1)
{
  float px = p->x, py = p->y;
  float dlx = dy, dly = -dx;
  for (int i = 0; i < ncap; i++)
  {
    float a = i / (float)(ncap - 1) * kVGPi;
    float ax = std::cos(a) * r, ay = std::sin(a) * r;
    dst = Vset(dst, px - dlx * ax - dx * ay, py - dly * ax - dy * ay, u0, 1);
    dst = Vset(dst, px, py, 0.5f, 1);
  }
  dst = Vset(dst, px + dlx * w, py + dly * w, u0, 1);
  dst = Vset(dst, px - dlx * w, py - dly * w, u1, 1);
  return dst;
}

VGvertex* RoundCapEnd(VGvertex* dst, const VGpoint* p, float dx, float dy, float w, float r, int ncap,
                      float u0, float u1)
{
  float px = p->x, py = p->y;
  float dlx = dy, dly = -dx;
  dst = Vset(dst, px + dlx * w, py + dly * w, u0, 1);
  dst = Vset(dst, px - dlx * w, py - dly * w, u1, 1);
  for (int i = 0; i < ncap; i++)
  {
    float a = i / (float)(ncap - 1) * kVGPi;
    float ax = std::cos(a) * r, ay = std::sin(a) * r;
    dst = Vset(dst, px, py, 0.5f, 1);
    dst = Vset(dst, px - dlx * ax + dx * ay, py - dly * ax + dy * ay, u0, 1);
  }
  return dst;
}

// The round cap of a stroke less than two fringes wide: its coverage rises from the rim to the centre as
// the body's does across (a cone, clipped at 1 by the stroke multiplier w / aa), so a cap as wide as the
// body puts down up to 1.7 times a half disc's ink, and one of two segments (a small width's curve
// division) none. The cap's radius and divisions for the ink of a half disc of the stroke's own half width
// (half; less than w - aa / 2 when a thin stroke is drawn a fringe wide and faded).
struct InkCap
{
  float radius;
  int divs;
};

InkCap ThinRoundCap(float w, float aa, float half, int ncap)
{
  constexpr int kLeastDivs = 8;
  const int divs = std::max(ncap, kLeastDivs);
  const double m = w / aa, fade = std::min(1.0, (double)half / (w - aa * 0.5));
  // The cone's ink over a half disc of radius 1, times 1 / pi.
  double g = m / 6.0;
  if (m > 1.0)
  {
    const double s0 = 1.0 - 1.0 / m;
    g = s0 * s0 / 2.0 + m * (1.0 / 6.0 - (s0 * s0 / 2.0 - s0 * s0 * s0 / 3.0));
  }
  // The polygon of divs points holds sin(phi) / phi of the half disc's area.
  const double phi = kVGPi / (divs - 1);
  // A stroke of no width (or a NaN one, drawn as a hairline of no coverage) has a cap of none.
  if (!(half > 0.0f && fade * g > 0.0)) return {0.0f, divs};
  return {(float)std::sqrt((double)half * half / (2.0 * fade * g) * phi / std::sin(phi)), divs};
}

void Direction(const VGpoint* from, const VGpoint* to, float* dx, float* dy)
{
  *dx = to->x - from->x;
  *dy = to->y - from->y;
  float d = std::sqrt(*dx * *dx + *dy * *dy);
  if (d > 1e-6f)
  {
    *dx /= d;
    *dy /= d;
  }
}

void MultiplyAlpha(VGpaint* paint, float alpha)
{
  paint->innerColor.a *= alpha;
  paint->outerColor.a *= alpha;
}

bool Antialiased(VGcontext* ctx)
{
  return ctx->params.edgeAntiAlias && vgGetState(ctx)->shapeAntiAlias;
}

// A convex fill's inset corners where the inset sides meet, also at points too sharp for the miter's
// clamp (its 600 bounds a stroke's spike): a clamped corner's fan reaches past its sides' insets, over
// their fringe bands, where the shape is thinner than a fringe near its point.
void ReachInsetTips(VGpoint* pts, int count)
{
  const VGpoint* p0 = &pts[count - 1];
  for (int j = 0; j < count; j++)
  {
    VGpoint& p1 = pts[j];
    if (p1.flags & kVGPtBevel)
    {
      const float mx = (p0->dy + p1.dy) * 0.5f, my = (-p0->dx - p1.dx) * 0.5f, dmr2 = mx * mx + my * my;
      if (dmr2 > 1e-9f) p1.dmx = mx / dmr2, p1.dmy = my / dmr2;
    }
    p0 = &p1;
  }
}

// Vertices a fill of the cache's paths may write: each path's fan (a corner's inset outline, two at a
// bevel) and, with a fringe, its strip; a thin convex fill's inner outline and band (VGthinFill.h).
// sides: room for a sampled fill's fringe repeated where its sides change (vgSideFringe).
int FillVertsNeeded(const VGpathCache* cache, bool fringe, bool sides)
{
  int cverts = 0;
  for (int i = 0; i < cache->npaths; i++)
  {
    const VGpath* path = &cache->paths[i];
    cverts += path->count + path->nbevel + 1;
    if (fringe) cverts += (path->count + path->nbevel * 5 + 1) * 2 * (sides ? 3 : 1);
    if (fringe && cache->npaths == 1 && path->convex) cverts += path->count * 29 + 8;
  }
  return cverts;
}

// How far in a convex fill's fringe is moved so that round a curve it puts down the curve's area: a
// linear ramp w wide centred on the outline puts down tan(turn / 2) w^2 / 12 beyond the area at each
// corner (pi / 12 square pixels round a circle, a fifth of a disc 1.2 pixels across, a twelfth of one 2
// across), taken back evenly along the perimeter: the fan, moved in alike everywhere, keeps its sides'
// directions and stays convex unless a side runs backwards, when it is left where it was. Only for an
// outline that turns throughout as a flattened curve does (under kCurveTurn at every point): a polygon's
// corners keep their sides' edges in place.
float CurveInset(const VGpoint* pts, int count, float w)
{
  constexpr float kCurveTurn = 0.5f; // radians
  const float least = std::cos(kCurveTurn);
  double excess = 0.0, perimeter = 0.0;
  const VGpoint* p0 = &pts[count - 1];
  for (int j = 0; j < count; j++)
  {
    const VGpoint* p1 = &pts[j];
    const float along = p0->dx * p1->dx + p0->dy * p1->dy, across = p0->dx * p1->dy - p0->dy * p1->dx;
    if ((p1->flags & kVGPtBevel) || along < least) return 0.0f;
    excess += std::fabs(across) / (1.0f + along), perimeter += p1->len; // tan(turn / 2)
    p0 = p1;
  }
  if (!(perimeter > 0.0)) return 0.0f;
  const float in = (float)std::min(excess * w * w / (12.0 * perimeter), 0.25 * w), reach = 0.5f * w + in;
  p0 = &pts[count - 1];
  for (int j = 0; j < count; j++)
  {
    const VGpoint* p1 = &pts[j];
    const float ex = p1->x - p0->x, ey = p1->y - p0->y;
    const float ix = ex + (p1->dmx - p0->dmx) * reach, iy = ey + (p1->dmy - p0->dmy) * reach;
    if (!(ex * ix + ey * iy > 0.0f)) return 0.0f;
    p0 = p1;
  }
  return in;
}

// The fan of a fill: the outline inset by woff (0 without a fringe), so that the fringe band straddles
// the path; a convex fill's moved in by curved (CurveInset).
VGvertex* FanOutline(const VGpath* path, const VGpoint* pts, float woff, float curved, VGvertex* dst)
{
  if (woff == 0.0f)
  {
    for (int j = 0; j < path->count; j++)
      dst = Vset(dst, pts[j].x, pts[j].y, 0.5f, 1);
    return dst;
  }
  const VGpoint* p0 = &pts[path->count - 1];
  const VGpoint* p1 = &pts[0];
  for (int j = 0; j < path->count; j++)
  {
    if (p1->flags & kVGPtBevel)
    {
      float dlx0 = p0->dy, dly0 = -p0->dx;
      float dlx1 = p1->dy, dly1 = -p1->dx;
      if (p1->flags & kVGPtLeft)
        dst = Vset(dst, p1->x + p1->dmx * woff, p1->y + p1->dmy * woff, 0.5f, 1);
      else
      {
        dst = Vset(dst, p1->x + dlx0 * woff, p1->y + dly0 * woff, 0.5f, 1);
        dst = Vset(dst, p1->x + dlx1 * woff, p1->y + dly1 * woff, 0.5f, 1);
      }
    }
    else
    {
      const float in = woff + curved;
      dst = Vset(dst, p1->x + p1->dmx * in, p1->y + p1->dmy * in, 0.5f, 1);
    }
    p0 = p1++;
  }
  return dst;
}

// A fill's fringe strip from lw inside the outline (u lu) to rw outside (u 1), both moved in by curved; it
// closes on its own first two vertices. A convex shape needs no stencil: its fringe starts on the inset
// outline.
VGvertex* FillFringe(VGpath* path, const VGpoint* pts, float lw, float rw, float lu, float curved,
                     VGvertex* dst)
{
  const float ru = 1;
  VGvertex* first = dst;
  path->stroke = dst;
  const VGpoint* p0 = &pts[path->count - 1];
  const VGpoint* p1 = &pts[0];
  for (int j = 0; j < path->count; j++)
  {
    if (p1->flags & (kVGPtBevel | kVGPtInnerBevel))
      dst = BevelJoin(dst, p0, p1, lw, rw, lu, ru);
    else
    {
      dst = Vset(dst, p1->x + p1->dmx * (lw + curved), p1->y + p1->dmy * (lw + curved), lu, 1);
      dst = Vset(dst, p1->x - p1->dmx * (rw - curved), p1->y - p1->dmy * (rw - curved), ru, 1);
    }
    p0 = p1++;
  }
  dst = Vset(dst, first[0].x, first[0].y, lu, 1);
  dst = Vset(dst, first[1].x, first[1].y, ru, 1);
  path->nstroke = (int)(dst - first);
  return dst;
}
// The caps of a stroke's open paths: w its half width drawn, fading over aa; a square cap's fade starts
// squareReach beyond the end, a round cap's rim is round's.
struct StrokeCaps
{
  int cap;
  float w, aa, u0, u1, squareReach;
  InkCap round;

  // The cap before p0 (end: after p1) of a path running from p0 to p1.
  VGvertex* Put(VGvertex* dst, const VGpoint* p0, const VGpoint* p1, bool end) const
  {
    float dx, dy;
    Direction(p0, p1, &dx, &dy);
    const VGpoint* p = end ? p1 : p0;
    auto butt = end ? ButtCapEnd : ButtCapStart;
    if (cap == kVGButt) return butt(dst, p, dx, dy, w, -aa * 0.5f, aa, u0, u1);
    if (cap == kVGSquare) return butt(dst, p, dx, dy, w, squareReach, aa, u0, u1);
    if (cap == kVGRound)
      return (end ? RoundCapEnd : RoundCapStart)(dst, p, dx, dy, w, round.radius, round.divs, u0, u1);
    return dst;
  }
};

// Vertices a stroke of the cache's paths may write: each path's strip, its joins and an open path's caps.
int StrokeVertsNeeded(const VGpathCache* cache, int lineJoin, int ncap, const StrokeCaps& caps)
{
  int cverts = 0;
  for (int i = 0; i < cache->npaths; i++)
  {
    const VGpath* path = &cache->paths[i];
    if (lineJoin == kVGRound)
      cverts += (path->count + path->nbevel * (ncap + 2) + 1) * 2;
    else
      cverts += (path->count + path->nbevel * 5 + 1) * 2;
    if (!path->closed)
    {
      if (caps.cap == kVGRound)
        cverts += (caps.round.divs * 2 + 2) * 2;
      else
        cverts += (3 + 3) * 2;
    }
  }
  return cverts;
}
} // namespace

VGvertex* vgAllocTempVerts(VGcontext* ctx, int nverts)
{
  VGpathCache* cache = ctx->cache;
  if (nverts < 0) return nullptr;
  if (nverts > cache->cverts)
  {
    int cverts = (nverts + 0xff) & ~0xff;
    ASAN_UNPOISON_MEMORY_REGION(cache->verts, sizeof(VGvertex) * (size_t)cache->cverts);
    auto* verts = static_cast<VGvertex*>(std::realloc(cache->verts, sizeof(VGvertex) * cverts));
    if (!verts) return nullptr;
    cache->verts = verts;
    cache->cverts = cverts;
  }
  // The buffer is kept from call to call: the address sanitizer is told where this call's share ends, so
  // that a writer running past what it asked for is caught even within the buffer.
  ASAN_UNPOISON_MEMORY_REGION(cache->verts, sizeof(VGvertex) * (size_t)cache->cverts);
  ASAN_POISON_MEMORY_REGION(cache->verts + nverts, sizeof(VGvertex) * (size_t)(cache->cverts - nverts));
  return cache->verts;
}

void vgClassifyFillJoins(VGcontext* ctx, float w)
{
  CalculateJoins(ctx, w, kVGMiter, kVGFillMiterLimit);
  VGpathCache* cache = ctx->cache;
  if (w > 0.0f && cache->npaths == 1 && cache->paths[0].convex && cache->paths[0].count > 2)
  {
    // A convex fill's fan ends where its fringe begins: the fringe keeps the fan's mitred inset corners
    // (inner bevels would run each side's band to the path's corner, over the fan).
    VGpoint* pts = &cache->points[cache->paths[0].first];
    for (int j = 0; j < cache->paths[0].count; j++)
      pts[j].flags &= ~kVGPtInnerBevel;
    if (cache->paths[0].nbevel > 0) ReachInsetTips(pts, cache->paths[0].count);
  }
}

namespace
{
// Each path's fan and fringe (VGpath fill, stroke), into the context's vertex buffer.
int ExpandFillPaths(VGcontext* ctx, float w, VGfillWay& way, bool edgesBySamples, const uint8_t* nothing)
{
  VGpathCache* cache = ctx->cache;
  const bool fringe = w > 0.0f;

  const bool sampled = way == VGfillWay::kSampledStencil;
  const bool thin = way == VGfillWay::kThinColumns || way == VGfillWay::kThinBand;
  // A sampled fill's fringe, like a convex fill's, runs from half a fringe inside the path to half outside;
  // its fan is the path itself (MVGsampledFill.cpp).
  const bool straddles = sampled || way == VGfillWay::kConvexFan;
  const float woff = 0.5f * ctx->fringeWidth;
  const EVGfillCall call = vgFillCallOf(way);
  VGsegmentGrid* sidesGrid =
      fringe && edgesBySamples && ctx->options.fringeSides ? vgFringeSidesGrid(ctx, nothing) : nullptr;

  VGvertex* verts = vgAllocTempVerts(ctx, FillVertsNeeded(cache, fringe, sidesGrid != nullptr));
  if (!verts) return 0;

  for (int i = 0; i < cache->npaths; i++)
  {
    VGpath* path = &cache->paths[i];
    VGpoint* pts = &cache->points[path->first];
    path->fill = verts;
    path->stroke = nullptr;
    path->nstroke = 0;
    path->call = call;
    path->edgesBySamples = edgesBySamples;
    if (path->count < 3 || (cache->npaths > 1 && nothing[i]))
    {
      path->nfill = 0;
      continue;
    }
    if (thin)
    {
      if (!ctx->thin) ctx->thin = new (std::nothrow) VGthinScratch;
      if (!ctx->thin) return 0;
      bool columns = way == VGfillWay::kThinColumns;
      verts = vgThinConvexFill(*ctx->thin, path, pts, woff, verts, columns);
      way = columns ? VGfillWay::kThinColumns : VGfillWay::kThinBand;
      continue;
    }
    VGvertex* fan = verts;
    // A convex fill's fringe is moved in round its curves (CurveInset), with its fan.
    const float curved = fringe && way == VGfillWay::kConvexFan && ctx->options.curveFringes
                             ? CurveInset(pts, path->count, w)
                             : 0.0f;
    verts = FanOutline(path, pts, fringe && !sampled ? woff : 0.0f, curved, verts);
    path->nfill = (int)(verts - fan);
    // A straddling fringe from half a fringe inside to half outside; where the samples turn the edges,
    // reaching on to every pixel a sample of which lies across the edge.
    const float reach = edgesBySamples ? kVGSampledEdgeReach * w : woff;
    if (fringe && straddles)
    {
      verts = FillFringe(path, pts, reach, edgesBySamples ? reach : w - woff, 0.5f, curved, verts);
      if (sidesGrid) verts = vgSideFringe(*sidesGrid, path, vgGetState(ctx)->fillRule);
    }
    else if (fringe)
      verts = FillFringe(path, pts, w + woff, w - woff, 0.0f, curved, verts);
  }
  return 1;
}
} // namespace

int vgExpandFill(VGcontext* ctx, float w, VGfillWay& way)
{
  VGpathCache* cache = ctx->cache;
  const bool sampled = way == VGfillWay::kSampledStencil, fringe = w > 0.0f;
  const bool apartAsked = sampled && fringe && ctx->options.fringeApart;
  // Whether each of several paths encloses nothing, asked once for every step below.
  const uint8_t* nothing = cache->npaths > 1 ? vgPathsEncloseNothing(ctx) : nullptr;
  // Paths whose fringe strips lie apart do not cross (two edges that cross share the ground about the
  // crossing): where the strips are shown apart, the costlier crossing search is not needed.
  bool edgesBySamples = sampled && !vgPathsLieAsTurned(ctx, nothing);
  const bool apartFirst = apartAsked && !edgesBySamples && ctx->options.apartBeforeCrossings;
  if (sampled && !edgesBySamples && !apartFirst) edgesBySamples = vgPathsCross(ctx);
  if (!ExpandFillPaths(ctx, w, way, edgesBySamples, nothing)) return 0;
  bool apart = apartAsked && !edgesBySamples && cache->npaths > 0 &&
               vgFringeStripsApart(cache->paths, cache->npaths, ctx->fringeWidth);
  if (apartFirst && !apart && vgPathsCross(ctx))
  {
    // The fringe reaches further where the samples turn the edges: made again.
    edgesBySamples = true;
    if (!ExpandFillPaths(ctx, w, way, true, nothing)) return 0;
  }
  if (cache->npaths > 0) cache->paths[0].fringeApart = apart;
  return 1;
}

int vgExpandStroke(VGcontext* ctx, float w, float fringe, int lineCap, int lineJoin, float miterLimit,
                   float half)
{
  VGpathCache* cache = ctx->cache;
  float aa = fringe;
  float u0 = 0.0f, u1 = 1.0f;
  // A dot's caps are divided as finely as a curve filled a tenth of a pixel from the arc.
  int ncap =
      CurveDivs(w, kVGPi, lineCap == kVGRound && vgHasOpenDots(ctx) ? ctx->tessTol * 0.2f : ctx->tessTol);
  const bool faded = half < w;

  w += aa * 0.5f;
  // Without anti-aliasing every vertex is fully covered.
  if (aa == 0.0f) u0 = u1 = 0.5f;
  // A square cap reaches on by the stroke's own half width: its fade starts aa / 2 short of that.
  StrokeCaps caps{lineCap, w, aa, u0, u1, faded ? half - aa * 0.5f : w - aa, {w, ncap}};
  if (lineCap == kVGRound && aa > 0.0f && w < aa * 1.5f) caps.round = ThinRoundCap(w, aa, half, ncap);

  CalculateJoins(ctx, w, lineJoin, miterLimit);

  VGvertex* verts = vgAllocTempVerts(ctx, StrokeVertsNeeded(cache, lineJoin, ncap, caps));
  if (!verts) return 0;

  for (int i = 0; i < cache->npaths; i++)
  {
    VGpath* path = &cache->paths[i];
    VGpoint* pts = &cache->points[path->first];
    path->fill = nullptr;
    path->nfill = 0;
    VGvertex* dst = verts;
    path->stroke = dst;
    // An open path needs two points to have a direction; a lone point draws nothing.
    bool loop = path->closed;
    if (path->count == 0 || (!loop && path->count < 2))
    {
      path->nstroke = 0;
      continue;
    }

    const VGpoint *p0, *p1;
    int s, e;
    if (loop)
    {
      p0 = &pts[path->count - 1];
      p1 = &pts[0];
      s = 0;
      e = path->count;
    }
    else
    {
      p0 = &pts[0];
      p1 = &pts[1];
      s = 1;
      e = path->count - 1;
    }

    if (!loop) dst = caps.Put(dst, p0, p1, false);

    for (int j = s; j < e; j++)
    {
      if (p1->flags & (kVGPtBevel | kVGPtInnerBevel))
      {
        if (lineJoin == kVGRound)
          dst = RoundJoin(dst, p0, p1, w, w, u0, u1, ncap);
        else
          dst = BevelJoin(dst, p0, p1, w, w, u0, u1);
      }
      else
      {
        dst = Vset(dst, p1->x + p1->dmx * w, p1->y + p1->dmy * w, u0, 1);
        dst = Vset(dst, p1->x - p1->dmx * w, p1->y - p1->dmy * w, u1, 1);
      }
      p0 = p1++;
    }

    if (loop)
    {
      dst = Vset(dst, verts[0].x, verts[0].y, u0, 1);
      dst = Vset(dst, verts[1].x, verts[1].y, u1, 1);
    }
    else
      dst = caps.Put(dst, p0, p1, true);

    path->nstroke = (int)(dst - verts);
    verts = dst;
  }
  return 1;
}

void vgFill(VGcontext* ctx)
{
  VGstate* state = vgGetState(ctx);
  VGpaint fillPaint = state->fill;
  MultiplyAlpha(&fillPaint, state->alpha);

  vgFlattenPaths(ctx);
  // The path cache stays as flattened for a following stroke.
  VGpathCache* const flattened = ctx->cache;
  VGscissor scissor = state->scissor;
  ctx->fillPlan = vgChooseFill(ctx, fillPaint, scissor);
  if (ctx->fillPlan.way != VGfillWay::kNothing)
  {
    const bool fringe = Antialiased(ctx) && ctx->fillPlan.way != VGfillWay::kUnfringedRectangle;
    vgExpandFill(ctx, fringe ? ctx->fringeWidth : 0.0f, ctx->fillPlan.way);

    VGpathCache* cache = ctx->cache;
    ctx->params.renderFill(ctx->params.userPtr, &fillPaint, state->compositeOperation, &scissor,
                           ctx->fringeWidth, cache->bounds, cache->paths, cache->npaths, state->fillRule);
    for (int i = 0; i < cache->npaths; i++)
    {
      const VGpath* path = &cache->paths[i];
      ctx->fillTriCount += path->nfill - 2;
      ctx->drawCallCount += 1;
      if (path->nstroke == 0) continue;
      ctx->fillTriCount += path->nstroke - 2;
      ctx->drawCallCount += 1;
    }
  }
  ctx->cache = flattened;
}

void vgStroke(VGcontext* ctx)
{
  VGstate* state = vgGetState(ctx);
  float scale = vgTransformAverageScale(state->xform);
  float strokeWidth = state->strokeWidth * scale;
  strokeWidth = std::isnan(strokeWidth) ? 0.0f : std::clamp(strokeWidth, 0.0f, 200.0f);
  VGpaint strokePaint = state->stroke;

  const float halfWidth = strokeWidth * 0.5f;
  vgFlattenPaths(ctx);
  if (state->lineCap == kVGRound && ctx->options.openDots) vgOpenDots(ctx);
  if (Antialiased(ctx) && ctx->options.thinStrokes)
  {
    VGpaint outline = strokePaint;
    MultiplyAlpha(&outline, state->alpha);
    if (vgThinStroke(ctx, outline, strokeWidth, state->lineCap)) return;
  }
  if (strokeWidth < ctx->fringeWidth)
  {
    // Thin lines are drawn one fringe wide and faded by the share of it they cover, which puts down the
    // ink of their area.
    float alpha = std::clamp(strokeWidth / ctx->fringeWidth, 0.0f, 1.0f);
    MultiplyAlpha(&strokePaint, alpha);
    strokeWidth = ctx->fringeWidth;
  }
  MultiplyAlpha(&strokePaint, state->alpha);

  vgExpandStroke(ctx, strokeWidth * 0.5f, Antialiased(ctx) ? ctx->fringeWidth : 0.0f, state->lineCap,
                 state->lineJoin, state->miterLimit, halfWidth);

  VGpathCache* cache = ctx->cache;
  ctx->params.renderStroke(ctx->params.userPtr, &strokePaint, state->compositeOperation, &state->scissor,
                           ctx->fringeWidth, strokeWidth, cache->paths, cache->npaths);

  for (int i = 0; i < cache->npaths; i++)
  {
    ctx->strokeTriCount += cache->paths[i].nstroke - 2;
    ctx->drawCallCount++;
  }
}
} // namespace iplugin::igraphics
