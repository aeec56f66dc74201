// How a fill is drawn is decided by one table (VGfillWays.h): each way is taken by a fill of its own, and
// with its switch off the same fill takes the row after it that applies, so that no way is reached only by
// falling through the others, and every switch turns its way off.
#include "graphics/vector/VGfillWays.h"
#include "tests/vector/MetalTestContext.h"

#include <gtest/gtest.h>

#include <string>

using namespace iplugin::igraphics;

namespace
{
struct WayCase
{
  const char* what;
  void (*draw)(VGcontext* ctx); // sets the path (and scissor, rule) to fill
  VGfillOutline outline;
  VGfillWay way;
  void (*off)(VGoptions& options); // the switch of the outline or way taken
  VGfillOutline outlineOff;
  VGfillWay wayOff;
};

void PrintTo(const WayCase& c, std::ostream* out)
{
  *out << c.what;
}

// A bar half a pixel across and 30 long: thinner than a fringe.
void ThinBar(VGcontext* ctx)
{
  vgRect(ctx, 10, 10, 30, 0.5f);
}

// Two squares that overlap, as one path.
void TwoSquares(VGcontext* ctx)
{
  vgRect(ctx, 10, 10, 20, 20);
  vgRect(ctx, 20, 20, 20, 20);
}

const WayCase kCases[] = {
    // A triangle thinner than the distance tolerance flattens to two points.
    {"sliver", [](VGcontext* ctx)
     {
       vgMoveTo(ctx, 10, 10);
       vgLineTo(ctx, 40, 10);
       vgLineTo(ctx, 10, 10.005f);
       vgClosePath(ctx);
     },
     VGfillOutline::kSliverRectangle, VGfillWay::kThinColumns, [](VGoptions& o) { o.sliverFills = false; },
     VGfillOutline::kAsFlattened, VGfillWay::kConvexFan},
    {"even-odd squares", [](VGcontext* ctx)
     {
       TwoSquares(ctx);
       vgFillRule(ctx, kVGEvenOdd);
     },
     VGfillOutline::kEvenOddOutlines, VGfillWay::kSampledStencil, [](VGoptions& o) { o.evenOddOutlines = false; },
     VGfillOutline::kAsFlattened, VGfillWay::kSampledStencil},
    {"thin bar across a scissor's edge", [](VGcontext* ctx)
     {
       vgScissor(ctx, 20, 0, 100, 100);
       ThinBar(ctx);
     },
     VGfillOutline::kAsFlattened, VGfillWay::kThinColumns, [](VGoptions& o) { o.scissorCuts = false; },
     VGfillOutline::kAsFlattened, VGfillWay::kThinColumns},
    {"thin bar outside the scissor", [](VGcontext* ctx)
     {
       vgScissor(ctx, 50, 0, 100, 100);
       ThinBar(ctx);
     },
     VGfillOutline::kAsFlattened, VGfillWay::kNothing, [](VGoptions& o) { o.scissorCuts = false; },
     VGfillOutline::kAsFlattened, VGfillWay::kThinColumns},
    {"rectangle on whole pixels", [](VGcontext* ctx) { vgRect(ctx, 10, 20, 40, 30); },
     VGfillOutline::kAsFlattened, VGfillWay::kUnfringedRectangle, [](VGoptions& o) { o.unfringedRects = false; },
     VGfillOutline::kAsFlattened, VGfillWay::kConvexFan},
    {"thin bar", ThinBar, VGfillOutline::kAsFlattened, VGfillWay::kThinColumns,
     [](VGoptions& o) { o.thinColumns = false; }, VGfillOutline::kAsFlattened, VGfillWay::kThinBand},
    {"thin bar, thin fills off", ThinBar, VGfillOutline::kAsFlattened, VGfillWay::kThinColumns,
     [](VGoptions& o) { o.thinFills = false; }, VGfillOutline::kAsFlattened, VGfillWay::kConvexFan},
    // A curve under two fringes across near its ends and more in its middle, too wide for columns.
    {"flat ellipse 2.4 across", [](VGcontext* ctx) { vgEllipse(ctx, 30, 30, 10, 1.2f); },
     VGfillOutline::kAsFlattened, VGfillWay::kThinBand, [](VGoptions& o) { o.thinFills = false; },
     VGfillOutline::kAsFlattened, VGfillWay::kConvexFan},
    {"disc", [](VGcontext* ctx) { vgCircle(ctx, 30, 30, 10); }, VGfillOutline::kAsFlattened,
     VGfillWay::kConvexFan, [](VGoptions& o) { o.convexFills = false; }, VGfillOutline::kAsFlattened,
     VGfillWay::kSampledStencil},
    {"overlapping squares", TwoSquares, VGfillOutline::kAsFlattened, VGfillWay::kSampledStencil,
     [](VGoptions& o) { o.sampledFills = false; }, VGfillOutline::kAsFlattened, VGfillWay::kPlainStencil},
};

class FillWays : public testing::TestWithParam<WayCase>
{
};

// The outline and way a fill of the case takes under the options.
std::pair<VGfillOutline, VGfillWay> Taken(const WayCase& c, const VGoptions& options)
{
  qorvtest::MetalContext m(64, 64);
  vgSetOptions(m.ctx, options);
  m.Begin();
  vgBeginPath(m.ctx);
  c.draw(m.ctx);
  vgFillColor(m.ctx, vgRGBAf(0, 0, 0, 1));
  vgFill(m.ctx);
  const VGfillPlan plan = m.ctx->fillPlan;
  // A thin strip is a call of its own, with no fan and no cover.
  const MVGrecording& r = *m.Renderer().rec;
  const bool strip = plan.way == VGfillWay::kThinColumns || plan.way == VGfillWay::kThinBand;
  EXPECT_EQ(r.ncalls, plan.way == VGfillWay::kNothing ? 0 : 1) << c.what;
  if (r.ncalls == 1)
  {
    EXPECT_EQ(r.calls[0].type == kMVGStrip, strip) << c.what;
    if (strip) { EXPECT_EQ(r.calls[0].indexCount + r.calls[0].triangleCount, 0) << c.what; }
  }
  m.End();
  return {plan.outline, plan.way};
}
} // namespace

TEST_P(FillWays, EachWayIsTakenAndItsSwitchTurnsItOff)
{
  const WayCase& c = GetParam();
  const auto [outline, way] = Taken(c, VGoptions{});
  EXPECT_EQ(vgFillOutlineName(outline), std::string(vgFillOutlineName(c.outline)));
  EXPECT_EQ(vgFillWayName(way), std::string(vgFillWayName(c.way)));
  VGoptions off;
  c.off(off);
  const auto [outlineOff, wayOff] = Taken(c, off);
  EXPECT_EQ(vgFillOutlineName(outlineOff), std::string(vgFillOutlineName(c.outlineOff)));
  EXPECT_EQ(vgFillWayName(wayOff), std::string(vgFillWayName(c.wayOff)));
}

INSTANTIATE_TEST_SUITE_P(Cases, FillWays, testing::ValuesIn(kCases));

// Without anti-aliasing a fill has no fringe to leave out, no thin strip and no samples: one convex outline
// is a convex fan, the rest the plain stencil.
TEST(FillWays, AliasedFillsTakeTheConvexFanOrThePlainStencil)
{
  for (const WayCase& c : kCases)
  {
    qorvtest::MetalContext m(64, 64, 0x2000);
    m.Begin();
    vgBeginPath(m.ctx);
    c.draw(m.ctx);
    vgFill(m.ctx);
    const VGfillWay way = m.ctx->fillPlan.way;
    EXPECT_TRUE(way == VGfillWay::kConvexFan || way == VGfillWay::kPlainStencil) << c.what;
    m.End();
  }
}
