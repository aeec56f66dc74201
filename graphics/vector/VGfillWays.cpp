#include "graphics/vector/VGfillWays.h"

#include "graphics/vector/VGcontext.h"
#include "graphics/vector/VGoutlines.h"
#include "graphics/vector/VGscissorCut.h"
#include "graphics/vector/VGsliver.h"
#include "graphics/vector/VGthinFill.h"

#include <algorithm>
#include <cmath>

namespace iplugin::igraphics
{
namespace
{
// Whether the blend keeps the target under a source of 0, as where a fill's coverage is 0.
bool KeepsUnderNoSource(const VGcompositeOperationState& op)
{
  auto keeps = [](int f) { return f == kVGOne || f == kVGOneMinusSrcColor || f == kVGOneMinusSrcAlpha; };
  return keeps(op.dstRGB) && keeps(op.dstAlpha);
}

// A scissor that leaves everything, as vgResetScissor sets it.
VGscissor NoScissor()
{
  VGscissor none{};
  none.extent[0] = none.extent[1] = -1.0f;
  return none;
}

// What the rows' conditions read, the costlier worked out once when first asked.
struct Fill
{
  VGcontext* ctx;
  const VGpaint& paint;
  const VGscissor& scissor;
  VGcompositeOperationState op;
  bool antialiased;
  VGscissorCut cut = VGscissorCut::kNone;
  int thin = -1; // unknown

  bool OneConvexPath() const { return ctx->cache->npaths == 1 && ctx->cache->paths[0].convex; }
  // One convex outline thinner than a fringe somewhere, drawn with a fringe.
  bool Thin()
  {
    if (thin < 0)
    {
      const VGpathCache* c = ctx->cache;
      thin = antialiased && OneConvexPath() && c->paths[0].count > 2 &&
                     vgThinOutline(&c->points[c->paths[0].first], c->paths[0].count, 0.5f * ctx->fringeWidth)
                 ? 1
                 : 0;
    }
    return thin == 1;
  }
  // Whether the fill's anti-aliasing fringe changes no pixel, so that it may be left out. It does not when
  // the path is an upright rectangle with its corners on whole device pixels: the fringe's inner half gives
  // the centres of the edge pixels a coverage of exactly 1, as the inside does, and its outer half those of
  // the pixels outside exactly 0, which the blend leaves as they are when it keeps the target under a
  // source of 0 and no paint or scissor term is large enough to make the product NaN. Exact only with a
  // ratio that is a power of two (pixel centres are then floats in view units, and the rasteriser's
  // varyings land on them) and with coordinates small enough that the vertex stage's float error stays far
  // below the rasteriser's fixed-point step.
  bool FringeChangesNothing() const;
};

bool Fill::FringeChangesNothing() const
{
  const VGpathCache* cache = ctx->cache;
  if (cache->npaths != 1 || cache->paths[0].count != 4) return false;
  if (!KeepsUnderNoSource(op)) return false;
  const float ratio = ctx->devicePxRatio;
  int exponent = 0;
  if (!(ratio > 0.0f) || std::frexp(ratio, &exponent) != 0.5f) return false;
  constexpr float kMostPixels = 16384.0f, kMostCorner = 8192.0f, kMostTerm = 1e6f;
  if (!(ctx->frameWidth * ratio <= kMostPixels) || !(ctx->frameHeight * ratio <= kMostPixels)) return false;
  auto modest = [](const float* v, int n)
  { return std::all_of(v, v + n, [](float x) { return std::fabs(x) <= kMostTerm; }); };
  if (!modest(paint.xform, 6) || !modest(paint.extent, 2) || !modest(&paint.radius, 1) ||
      !modest(&paint.feather, 1) || !modest(paint.innerColor.rgba, 4) || !modest(paint.outerColor.rgba, 4) ||
      !modest(scissor.xform, 6) || !modest(scissor.extent, 2))
    return false;
  const VGpoint* p = &cache->points[cache->paths[0].first];
  for (int i = 0; i < 4; i++)
  {
    const float x = p[i].x * ratio, y = p[i].y * ratio;
    if (!(std::fabs(x) <= kMostCorner) || !(std::fabs(y) <= kMostCorner) || x != std::round(x) ||
        y != std::round(y))
      return false;
  }
  // Neighbours share an x or a y by turns, two pixels apart at least (the fringe of a rectangle one pixel
  // across has no inside; its corners meet).
  const bool acrossFirst = p[0].y == p[1].y;
  for (int i = 0; i < 4; i++)
  {
    const VGpoint &a = p[i], &b = p[(i + 1) % 4];
    if ((i % 2 == 0) == acrossFirst ? a.y != b.y || !(std::fabs(a.x - b.x) * ratio >= 2.0f)
                                    : a.x != b.x || !(std::fabs(a.y - b.y) * ratio >= 2.0f))
      return false;
  }
  return true;
}

// The outlines, in order: each row's maker answers its outline, or null where the row does not apply.
struct OutlineRow
{
  VGfillOutline outline;
  const char* name;
  bool VGoptions::*on; // null: no switch
  VGpathCache* (*make)(VGcontext* ctx, VGpaint& paint);
};

constexpr OutlineRow kOutlines[] = {
    {VGfillOutline::kSliverRectangle, "sliver rectangle", &VGoptions::sliverFills,
     [](VGcontext* ctx, VGpaint& paint) { return vgSliverOutline(ctx, &paint); }},
    {VGfillOutline::kEvenOddOutlines, "even-odd outlines", &VGoptions::evenOddOutlines,
     [](VGcontext* ctx, VGpaint&)
     {
       return vgGetState(ctx)->fillRule == kVGEvenOdd && ctx->cache->nwindings == 0 ? vgEvenOddOutlines(ctx)
                                                                                      : nullptr;
     }},
    {VGfillOutline::kAsFlattened, "as flattened", nullptr, [](VGcontext* ctx, VGpaint&) { return ctx->cache; }},
};

// The ways, in order: the first whose switches are on and whose condition holds.
struct WayRow
{
  VGfillWay way;
  const char* name;
  bool VGoptions::*on, VGoptions::*also; // null: no switch
  bool (*holds)(Fill& fill);
};

constexpr WayRow kWays[] = {
    {VGfillWay::kNothing, "nothing", &VGoptions::scissorCuts, nullptr,
     [](Fill& f) { return f.cut == VGscissorCut::kEmpty; }},
    {VGfillWay::kUnfringedRectangle, "unfringed rectangle", &VGoptions::unfringedRects, nullptr,
     [](Fill& f) { return f.antialiased && f.OneConvexPath() && f.FringeChangesNothing(); }},
    {VGfillWay::kThinColumns, "thin columns", &VGoptions::thinFills, &VGoptions::thinColumns,
     [](Fill& f) { return f.Thin(); }},
    {VGfillWay::kThinBand, "thin band", &VGoptions::thinFills, nullptr, [](Fill& f) { return f.Thin(); }},
    {VGfillWay::kConvexFan, "convex fan and fringe", &VGoptions::convexFills, nullptr,
     [](Fill& f) { return f.OneConvexPath(); }},
    {VGfillWay::kSampledStencil, "sampled stencil", &VGoptions::sampledFills, nullptr,
     [](Fill& f) { return f.antialiased && f.ctx->params.sampledFills != 0; }},
    {VGfillWay::kPlainStencil, "plain stencil", nullptr, nullptr, [](Fill&) { return true; }},
};

bool SwitchedOn(const VGoptions& options, bool VGoptions::*on)
{
  return !on || options.*on;
}
} // namespace

const char* vgFillWayName(VGfillWay way)
{
  for (const WayRow& row : kWays)
    if (row.way == way) return row.name;
  return "";
}

const char* vgFillOutlineName(VGfillOutline outline)
{
  for (const OutlineRow& row : kOutlines)
    if (row.outline == outline) return row.name;
  return "";
}

EVGfillCall vgFillCallOf(VGfillWay way)
{
  switch (way)
  {
  case VGfillWay::kUnfringedRectangle:
  case VGfillWay::kConvexFan:
    return kVGFillConvex;
  case VGfillWay::kThinColumns:
  case VGfillWay::kThinBand:
    return kVGFillStrip;
  case VGfillWay::kSampledStencil:
    return kVGFillSampledStencil;
  case VGfillWay::kNothing:
  case VGfillWay::kPlainStencil:
    break;
  }
  return kVGFillStencil;
}

VGfillPlan vgChooseFill(VGcontext* ctx, VGpaint& paint, VGscissor& scissor)
{
  const VGoptions& options = ctx->options;
  VGfillPlan plan{VGfillOutline::kAsFlattened, false, VGfillWay::kPlainStencil};
  for (const OutlineRow& row : kOutlines)
    if (SwitchedOn(options, row.on))
      if (VGpathCache* outline = row.make(ctx, paint))
      {
        ctx->cache = outline;
        plan.outline = row.outline;
        break;
      }
  const VGstate* state = vgGetState(ctx);
  Fill fill{ctx, paint, scissor, state->compositeOperation,
            ctx->params.edgeAntiAlias && state->shapeAntiAlias};
  // The cut outline's fringe reaches half a fringe past the scissor, where it must leave the target be.
  if (options.scissorCuts && fill.antialiased && KeepsUnderNoSource(fill.op))
    fill.cut = vgCutByScissor(ctx, scissor);
  if (fill.cut == VGscissorCut::kCut) ctx->cache = ctx->outlines, scissor = NoScissor(), plan.cut = true;
  vgClassifyFillJoins(ctx, fill.antialiased ? ctx->fringeWidth : 0.0f);
  for (const WayRow& row : kWays)
    if (SwitchedOn(options, row.on) && SwitchedOn(options, row.also) && row.holds(fill))
    {
      plan.way = row.way;
      break;
    }
  return plan;
}
} // namespace iplugin::igraphics
