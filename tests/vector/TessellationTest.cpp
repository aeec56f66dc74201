// Fill and stroke expansion, checked on the vertices the renderer records.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <string>

#include "tests/vector/VectorTestContext.h"

using namespace iplugin::igraphics;
using qorvtest::RecordingContext;

namespace
{
void ExpectVertex(const VGvertex& v, float x, float y, float u, float vv = 1.0f)
{
  EXPECT_FLOAT_EQ(v.x, x);
  EXPECT_FLOAT_EQ(v.y, y);
  EXPECT_FLOAT_EQ(v.u, u);
  EXPECT_FLOAT_EQ(v.v, vv);
}

int Ncap(float halfWidth, float tol)
{
  return std::max(2, (int)std::ceil(kVGPi / (2 * std::acos(halfWidth / (halfWidth + tol)))));
}
} // namespace

TEST(Tessellation, ConvexRectangleIsOneConvexFillWithInsetShapeAndFringe)
{
  RecordingContext c;
  // On whole pixels the fringe would be left out (see below).
  VGoptions fringed;
  fringed.unfringedRects = false;
  vgSetOptions(c.ctx, fringed);
  vgRect(c.ctx, 10, 20, 100, 50);
  vgFill(c.ctx);
  ASSERT_EQ(c.r->recording.ncalls, 1);
  const MVGcall& call = c.Call(0);
  EXPECT_EQ(call.type, kMVGConvexFill);
  EXPECT_EQ(call.triangleCount, 0);
  EXPECT_EQ(call.indexCount, 6);
  EXPECT_EQ(c.Path(0).convex, 1);

  // The fill outline is the rectangle inset by half a fringe along dm.
  std::vector<VGvertex> fill = c.FillVerts(0);
  ASSERT_EQ(fill.size(), 4u);
  ExpectVertex(fill[0], 10.5f, 20.5f, 0.5f);
  ExpectVertex(fill[1], 10.5f, 69.5f, 0.5f);
  ExpectVertex(fill[2], 109.5f, 69.5f, 0.5f);
  ExpectVertex(fill[3], 109.5f, 20.5f, 0.5f);

  // The fringe runs from the inset outline (u 0.5) to half a fringe outside the path (u 1), closed.
  std::vector<VGvertex> fringe = c.StrokeVerts(0);
  ASSERT_EQ(fringe.size(), 10u);
  ExpectVertex(fringe[0], 10.5f, 20.5f, 0.5f);
  ExpectVertex(fringe[1], 9.5f, 19.5f, 1.0f);
  ExpectVertex(fringe[4], 109.5f, 69.5f, 0.5f);
  ExpectVertex(fringe[5], 110.5f, 70.5f, 1.0f);
  ExpectVertex(fringe[8], 10.5f, 20.5f, 0.5f);
  ExpectVertex(fringe[9], 9.5f, 19.5f, 1.0f);
  EXPECT_EQ(call.strokeCount, 10);
  EXPECT_EQ(c.r->recording.verts[call.strokeOffset].x, 10.5f);

  const MVGfragUniforms& u = c.CallUniforms(0);
  EXPECT_FLOAT_EQ(u.strokeMult, 1.0f); // width = fringe = 1
  EXPECT_EQ(u.innerCol[0], 1.0f);      // default fill: white
}

// An upright rectangle on whole device pixels is filled without a fringe, as the path itself, where the
// fringe would change no pixel; anywhere else, or where a source of 0 changes the target, it keeps one.
TEST(Tessellation, UprightRectanglesOnWholePixelsHaveNoFringeWhereItChangesNothing)
{
  struct Case
  {
    const char* what;
    float ratio, x, y, w, h;
    std::function<void(VGcontext*)> set; // before the path
    bool unfringed;
    bool hole = false;
  };
  auto none = [](VGcontext*) {};
  const Case cases[] = {
      {"on whole pixels", 1.f, 10, 20, 100, 50, none, true},
      {"drawn from its far corner", 1.f, 110, 70, -100, -50, none, true},
      {"two pixels wide", 1.f, 10, 20, 2, 50, none, true},
      {"one pixel wide", 1.f, 10, 20, 1, 50, none, false},
      {"on whole pixels at scale 2", 2.f, 10.5f, 20, 100.5f, 50, none, true},
      {"half a pixel off", 1.f, 10.5f, 20, 100, 50, none, false},
      {"half a pixel off at scale 2", 2.f, 10.25f, 20, 100, 50, none, false},
      {"at a scale that is no power of two", 1.5f, 10, 20, 100, 50, none, false},
      {"moved by whole pixels", 1.f, 10, 20, 100, 50, [](VGcontext* vg) { vgTranslate(vg, 3, -4); }, true},
      {"turned", 1.f, 10, 20, 100, 50, [](VGcontext* vg) { vgRotate(vg, 0.3f); }, false},
      {"under a scissor", 1.f, 10, 20, 100, 50, [](VGcontext* vg) { vgScissor(vg, 15.3f, 0, 40, 90); }, true},
      {"weighed by an alpha", 1.f, 10, 20, 100, 50, [](VGcontext* vg) { vgGlobalAlpha(vg, 0.4f); }, true},
      {"under a copy", 1.f, 10, 20, 100, 50, [](VGcontext* vg) { vgGlobalCompositeOperation(vg, kVGCopy); },
       false},
      {"under source-in", 1.f, 10, 20, 100, 50,
       [](VGcontext* vg) { vgGlobalCompositeOperation(vg, kVGSourceIn); }, false},
      {"under destination-over", 1.f, 10, 20, 100, 50,
       [](VGcontext* vg) { vgGlobalCompositeOperation(vg, kVGDestinationOver); }, true},
      {"with a huge paint", 1.f, 10, 20, 100, 50,
       [](VGcontext* vg)
       { vgFillPaint(vg, vgLinearGradient(0, 0, 1e30f, 0, vgRGBf(1, 0, 0), vgRGBf(0, 0, 1))); },
       false},
      {"far outside", 1.f, 9000, 20, 100, 50, none, false},
      {"as a hole", 1.f, 10, 20, 100, 50, none, false, true},
  };
  for (const Case& k : cases)
  {
    RecordingContext c(kVGAntialias, k.ratio);
    k.set(c.ctx);
    vgBeginPath(c.ctx);
    vgRect(c.ctx, k.x, k.y, k.w, k.h);
    if (k.hole) vgPathWinding(c.ctx, kVGHole);
    vgFill(c.ctx);
    ASSERT_EQ(c.r->recording.ncalls, 1) << k.what;
    EXPECT_EQ(c.Path(0).nstroke == 0, k.unfringed) << k.what;
    if (!k.unfringed) continue;
    EXPECT_EQ(c.Call(0).type, kMVGConvexFill) << k.what;
    EXPECT_EQ(c.Call(0).strokeCount, 0) << k.what;
    const std::vector<VGvertex> fill = c.FillVerts(0);
    ASSERT_EQ(fill.size(), 4u) << k.what;
    for (const VGvertex& v : fill)
    {
      const float moved = k.unfringed && std::string(k.what) == "moved by whole pixels" ? 3.f : 0.f;
      EXPECT_TRUE(v.u == 0.5f && v.v == 1.0f &&
                  (v.x == std::min(k.x, k.x + k.w) + moved || v.x == std::max(k.x, k.x + k.w) + moved))
          << k.what;
    }
  }
}

TEST(Tessellation, WithoutAntialiasTheFillIsThePathItself)
{
  for (int mode = 0; mode < 2; mode++)
  {
    RecordingContext c(mode == 0 ? 0 : kVGAntialias);
    if (mode == 1) vgShapeAntiAlias(c.ctx, 0);
    vgRect(c.ctx, 10, 20, 100, 50);
    vgFill(c.ctx);
    std::vector<VGvertex> fill = c.FillVerts(0);
    ASSERT_EQ(fill.size(), 4u);
    ExpectVertex(fill[0], 10, 20, 0.5f);
    ExpectVertex(fill[2], 110, 70, 0.5f);
    EXPECT_EQ(c.Path(0).nstroke, 0);
    EXPECT_EQ(c.Path(0).stroke, nullptr);
    EXPECT_EQ(c.Call(0).type, kMVGConvexFill);
    EXPECT_EQ(c.Call(0).strokeCount, 0);
  }
}

TEST(Tessellation, ConcaveAndMultiPathFillsUseStencilWithCoverQuad)
{
  RecordingContext c;
  // An L shape.
  vgMoveTo(c.ctx, 0, 0);
  vgLineTo(c.ctx, 0, 100);
  vgLineTo(c.ctx, 100, 100);
  vgLineTo(c.ctx, 100, 50);
  vgLineTo(c.ctx, 50, 50);
  vgLineTo(c.ctx, 50, 0);
  vgClosePath(c.ctx);
  vgFill(c.ctx);
  ASSERT_EQ(c.r->recording.ncalls, 1);
  EXPECT_EQ(c.Call(0).type, kMVGFill);
  EXPECT_EQ(c.Call(0).triangleCount, 4);
  EXPECT_EQ(c.Path(0).convex, 0);
  // The cover quad spans the path's bounds.
  const VGvertex* quad = c.r->recording.verts + c.Call(0).triangleOffset;
  ExpectVertex(quad[0], 100, 100, 0.5f);
  ExpectVertex(quad[3], 0, 0, 0.5f);
  // Non-convex fringes run from w + half a fringe inside (u 0) to half a fringe outside (u 1).
  std::vector<VGvertex> fringe = c.StrokeVerts(0);
  ExpectVertex(fringe[0], 1.5f, 1.5f, 0.0f);
  ExpectVertex(fringe[1], -0.5f, -0.5f, 1.0f);

  vgBeginPath(c.ctx);
  vgRect(c.ctx, 0, 0, 100, 100);
  vgRect(c.ctx, 25, 25, 50, 50);
  vgPathWinding(c.ctx, kVGHole);
  vgFill(c.ctx);
  ASSERT_EQ(c.r->recording.ncalls, 2);
  EXPECT_EQ(c.Call(1).type, kMVGFill);
  EXPECT_EQ(c.Path(0).convex, 1); // each sub-path is convex, the shape is not
  EXPECT_EQ(c.Call(1).indexCount, 6 + 6);
}

TEST(Tessellation, StarPolygonWhoseTurnsAllBendOneWayIsNotConvex)
{
  RecordingContext c;
  // Five points on a circle, visited `step` fifths of a turn apart.
  auto polygon = [&](int step)
  {
    vgBeginPath(c.ctx);
    for (int i = 0; i < 5; i++)
    {
      float a = kVGPi / 2 + i * step * 2 * kVGPi / 5;
      float x = 100 + 80 * std::cos(a), y = 100 - 80 * std::sin(a);
      if (i == 0)
        vgMoveTo(c.ctx, x, y);
      else
        vgLineTo(c.ctx, x, y);
    }
    vgClosePath(c.ctx);
    vgFill(c.ctx);
  };
  // A pentagram: every turn is a left turn, but the outline winds twice around its centre.
  polygon(2);
  ASSERT_EQ(c.r->recording.ncalls, 1);
  EXPECT_EQ(c.Path(0).convex, 0);
  EXPECT_EQ(c.Call(0).type, kMVGFill);

  // A regular pentagon through the same points stays convex.
  polygon(1);
  ASSERT_EQ(c.r->recording.ncalls, 2);
  EXPECT_EQ(c.Path(0).convex, 1);
  EXPECT_EQ(c.Call(1).type, kMVGConvexFill);
}

struct JoinCase
{
  int join;
  float miterLimit;
  int nbevel;
  int nstroke;
};

class TessellationJoins : public testing::TestWithParam<JoinCase>
{
};

TEST_P(TessellationJoins, ClosedSquare)
{
  const JoinCase& k = GetParam();
  RecordingContext c;
  vgLineJoin(c.ctx, k.join);
  vgMiterLimit(c.ctx, k.miterLimit);
  vgStrokeWidth(c.ctx, 4);
  vgRect(c.ctx, 10, 10, 50, 50);
  vgStroke(c.ctx);
  EXPECT_EQ(c.Path(0).nbevel, k.nbevel);
  EXPECT_EQ(c.Path(0).nstroke, k.nstroke);
  EXPECT_EQ(c.Path(0).nfill, 0);
  ASSERT_EQ(c.r->recording.ncalls, 1);
  EXPECT_EQ(c.Call(0).type, kMVGStroke);
  EXPECT_EQ(c.Call(0).strokeCount, k.nstroke);
}

int RoundJoinSquareVerts()
{
  // Each corner turns a quarter: n = ceil(0.5 * ncap) pairs between two pairs, plus the closing pair.
  int ncap = Ncap(2.0f, 0.25f);
  int n = std::clamp((int)std::ceil(0.5f * ncap), 2, ncap);
  return 4 * (4 + 2 * n) + 2;
}

INSTANTIATE_TEST_SUITE_P(Table, TessellationJoins,
                         testing::Values(JoinCase{kVGMiter, 10.0f, 0, 4 * 2 + 2},
                                         JoinCase{kVGMiter, 1.0f, 4, 4 * 8 + 2},
                                         JoinCase{kVGBevel, 10.0f, 4, 4 * 8 + 2},
                                         JoinCase{kVGRound, 10.0f, 4, RoundJoinSquareVerts()}));

TEST(Tessellation, MiterStrokeVerticesSitOnBothSidesOfThePath)
{
  RecordingContext c;
  vgStrokeWidth(c.ctx, 4);
  vgRect(c.ctx, 10, 10, 50, 50);
  vgStroke(c.ctx);
  std::vector<VGvertex> s = c.StrokeVerts(0);
  // Half width 2 plus half a fringe, along dm = (1, 1) at the top-left corner.
  ExpectVertex(s[0], 12.5f, 12.5f, 0.0f);
  ExpectVertex(s[1], 7.5f, 7.5f, 1.0f);
}

struct CapCase
{
  int cap;
  int nstroke;
};

class TessellationCaps : public testing::TestWithParam<CapCase>
{
};

TEST_P(TessellationCaps, OpenLine)
{
  RecordingContext c;
  vgLineCap(c.ctx, GetParam().cap);
  vgStrokeWidth(c.ctx, 10);
  vgMoveTo(c.ctx, 0, 0);
  vgLineTo(c.ctx, 100, 0);
  vgStroke(c.ctx);
  EXPECT_EQ(c.Path(0).nstroke, GetParam().nstroke);
}

INSTANTIATE_TEST_SUITE_P(Table, TessellationCaps,
                         testing::Values(CapCase{kVGButt, 8}, CapCase{kVGSquare, 8},
                                         CapCase{kVGRound, 4 * Ncap(5.0f, 0.25f) + 4}, CapCase{kVGBevel, 0},
                                         CapCase{kVGMiter, 0}));

TEST(Tessellation, ButtAndSquareCapsFadeAlongTheStroke)
{
  for (int cap : {(int)kVGButt, (int)kVGSquare})
  {
    RecordingContext c;
    vgLineCap(c.ctx, cap);
    vgStrokeWidth(c.ctx, 10);
    vgMoveTo(c.ctx, 0, 0);
    vgLineTo(c.ctx, 100, 0);
    vgStroke(c.ctx);
    std::vector<VGvertex> s = c.StrokeVerts(0);
    ASSERT_EQ(s.size(), 8u);
    // Butt: the fade is centred on the end point; square: it starts half a width further out.
    float x0 = cap == kVGButt ? -0.5f : -5.5f;
    ExpectVertex(s[0], x0, -5.5f, 0.0f, 0.0f);
    ExpectVertex(s[1], x0, 5.5f, 1.0f, 0.0f);
    ExpectVertex(s[2], x0 + 1, -5.5f, 0.0f, 1.0f);
    ExpectVertex(s[3], x0 + 1, 5.5f, 1.0f, 1.0f);
    ExpectVertex(s[6], 100 - x0, -5.5f, 0.0f, 0.0f);
    ExpectVertex(s[7], 100 - x0, 5.5f, 1.0f, 0.0f);
  }
}

TEST(Tessellation, RoundCapsGetNcapPairsAtEachEnd)
{
  RecordingContext c;
  vgLineCap(c.ctx, kVGRound);
  vgStrokeWidth(c.ctx, 10);
  vgMoveTo(c.ctx, 0, 0);
  vgLineTo(c.ctx, 100, 0);
  vgStroke(c.ctx);
  int ncap = Ncap(5.0f, 0.25f);
  EXPECT_EQ(ncap, 6);
  std::vector<VGvertex> s = c.StrokeVerts(0);
  int centres = 0;
  for (const VGvertex& v : s)
    centres += v.u == 0.5f;
  EXPECT_EQ(centres, 2 * ncap);
  // The start cap's first vertex lies on the circle of radius w + aa/2 around the start point.
  EXPECT_NEAR(std::hypot(s[0].x, s[0].y), 5.5f, 1e-4);
}

TEST(Tessellation, NcapGrowsAtPixelRatioTwo)
{
  int counts[2];
  for (int i = 0; i < 2; i++)
  {
    RecordingContext c(kVGAntialias, i == 0 ? 1.0f : 2.0f);
    vgLineCap(c.ctx, kVGRound);
    vgStrokeWidth(c.ctx, 10);
    vgMoveTo(c.ctx, 0, 0);
    vgLineTo(c.ctx, 100, 0);
    vgStroke(c.ctx);
    counts[i] = c.Path(0).nstroke;
  }
  EXPECT_EQ(counts[0], 4 * Ncap(5.0f, 0.25f) + 4);
  EXPECT_EQ(counts[1], 4 * Ncap(5.0f, 0.125f) + 4);
  EXPECT_GT(counts[1], counts[0]);
}

TEST(Tessellation, BevelJoinOfAnOpenPolyline)
{
  for (int join : {(int)kVGMiter, (int)kVGBevel, (int)kVGRound})
  {
    RecordingContext c;
    vgLineJoin(c.ctx, join);
    vgStrokeWidth(c.ctx, 4);
    vgMoveTo(c.ctx, 0, 0);
    vgLineTo(c.ctx, 50, 0);
    vgLineTo(c.ctx, 50, 50);
    vgStroke(c.ctx);
    std::vector<VGpoint> pts = c.Points(0);
    // Open paths are oriented like solid shapes too: this one is reversed and turns left.
    EXPECT_EQ(pts[0].x, 50.0f);
    EXPECT_EQ(pts[0].y, 50.0f);
    EXPECT_EQ(pts[1].flags & kVGPtLeft, kVGPtLeft);
    int joinVerts = join == kVGMiter ? 2 : 8;
    if (join == kVGRound)
    {
      int ncap = Ncap(2.0f, 0.25f);
      joinVerts = 4 + 2 * std::clamp((int)std::ceil(0.5f * ncap), 2, ncap);
    }
    EXPECT_EQ(c.Path(0).nstroke, 4 + joinVerts + 4) << join;
  }
}

// A thin stroke is drawn one fringe wide at the share of it that it covers, so its ink is its area's.
TEST(Tessellation, ThinStrokesFadeAndWideOnesAreCapped)
{
  struct
  {
    float width, scale, drawnWidth, alpha;
  } table[] = {{0.5f, 1, 1, 0.5f}, {1, 1, 1, 1}, {300, 1, 200, 1}, {150, 2, 200, 1}, {0.25f, 2, 1, 0.5f}};
  for (const auto& k : table)
  {
    RecordingContext c;
    vgScale(c.ctx, k.scale, k.scale);
    vgStrokeWidth(c.ctx, k.width);
    vgStrokeColor(c.ctx, vgRGBAf(1, 1, 1, 1));
    vgMoveTo(c.ctx, 0, 0);
    vgLineTo(c.ctx, 100, 0);
    vgStroke(c.ctx);
    const MVGfragUniforms& u = c.CallUniforms(0);
    EXPECT_FLOAT_EQ(u.strokeMult, (k.drawnWidth * 0.5f + 0.5f) / 1.0f) << k.width;
    EXPECT_FLOAT_EQ(u.innerCol[3], k.alpha) << k.width;
    EXPECT_FLOAT_EQ(u.outerCol[3], k.alpha) << k.width;
  }
}

TEST(Tessellation, GlobalAlphaScalesPaintCopies)
{
  RecordingContext c;
  vgGlobalAlpha(c.ctx, 0.5f);
  vgFillColor(c.ctx, vgRGBAf(1, 0, 0, 0.5f));
  vgRect(c.ctx, 0, 0, 10, 10);
  vgFill(c.ctx);
  vgStroke(c.ctx);
  EXPECT_FLOAT_EQ(c.CallUniforms(0).innerCol[3], 0.25f);
  EXPECT_FLOAT_EQ(c.CallUniforms(0).innerCol[0], 0.25f);
  EXPECT_FLOAT_EQ(c.CallUniforms(1).innerCol[3], 0.5f);
  // The state's paints are untouched.
  EXPECT_FLOAT_EQ(vgGetState(c.ctx)->fill.innerColor.a, 0.5f);
}

TEST(Tessellation, SharpTurnClampsExtrusionAt600)
{
  RecordingContext c;
  // A turn 0.003 rad short of a full reversal.
  const float e = 0.003f;
  vgMoveTo(c.ctx, 0, 0);
  vgLineTo(c.ctx, 100, 0);
  vgLineTo(c.ctx, 100 - 100 * std::cos(e), 100 * std::sin(e));
  vgStroke(c.ctx);
  const VGpoint& p0 = c.ctx->cache->points[0];
  const VGpoint& p1 = c.ctx->cache->points[1];
  float rawx = (p0.dy + p1.dy) * 0.5f, rawy = (-p0.dx - p1.dx) * 0.5f;
  float dmr2 = rawx * rawx + rawy * rawy;
  ASSERT_GT(dmr2, 1e-6f);
  ASSERT_LT(dmr2, 1.0f / (600.0f * 600.0f));
  EXPECT_NEAR(p1.dmx, rawx * 600.0f, 1e-4);
  EXPECT_NEAR(p1.dmy, rawy * 600.0f, 1e-4);
}

// A convex fill's point sharper than the miter's clamp allows is inset to where its sides' insets meet, half
// a fringe from each: clamped, the fan's point stopped 3 pixels from the tip, 47 short, over the sides'
// fringe bands, which then blended twice.
TEST(Tessellation, AConvexFillsSharpPointIsInsetWhereItsSidesInsetsMeet)
{
  RecordingContext c;
  vgMoveTo(c.ctx, 0, 0);
  vgLineTo(c.ctx, 100, 1);
  vgLineTo(c.ctx, 0, 2);
  vgClosePath(c.ctx);
  vgFill(c.ctx);
  ASSERT_EQ(c.Call(0).type, kMVGConvexFill);
  const std::vector<VGvertex> fan = c.FillVerts(0);
  ASSERT_EQ(fan.size(), 3u);
  // The sides y = x / 100 and y = 2 - x / 100, moved in by half a fringe, meet at x = 100 - 50.0025.
  const VGvertex tip = *std::max_element(fan.begin(), fan.end(), [](auto& a, auto& b) { return a.x < b.x; });
  EXPECT_NEAR(tip.x, 100 - 50 * std::sqrt(1 + 1e-4), 0.01);
  EXPECT_NEAR(tip.y, 1.0, 1e-4);
}

// A move alone draws nothing; a line back to it is a dot, drawn with round caps only (VGdots.h).
TEST(Tessellation, LoneMovesDrawNothingAndDotsOnlyWithRoundCaps)
{
  for (int cap : {kVGButt, kVGSquare, kVGRound})
  {
    RecordingContext c;
    vgLineCap(c.ctx, cap);
    vgStrokeWidth(c.ctx, 4);
    vgMoveTo(c.ctx, 10, 10);
    vgMoveTo(c.ctx, 20, 20);
    vgLineTo(c.ctx, 20.001f, 20);
    vgStroke(c.ctx);
    ASSERT_EQ(c.Cache().npaths, 2);
    EXPECT_EQ(c.Path(0).nstroke, 0);
    EXPECT_EQ(c.Path(1).nstroke > 0, cap == kVGRound) << cap;
  }
}

TEST(Tessellation, FillAndStrokeShareOneFlattening)
{
  RecordingContext c;
  vgRoundedRect(c.ctx, 0, 0, 60, 40, 8);
  vgFill(c.ctx);
  int npoints = c.Cache().npoints;
  vgStroke(c.ctx);
  EXPECT_EQ(c.Cache().npoints, npoints);
  EXPECT_EQ(c.r->recording.ncalls, 2);
  EXPECT_EQ(c.Path(0).nfill, 0); // the stroke empties the fill range
  EXPECT_EQ(c.ctx->drawCallCount, 3);
}

TEST(Tessellation, ScissorAndPaintReachTheUniforms)
{
  RecordingContext c;
  vgTranslate(c.ctx, 10, 0);
  vgScissor(c.ctx, 0, 0, 100, 50);
  vgIntersectScissor(c.ctx, 50, 10, 100, 100);
  vgFillPaint(c.ctx, vgBoxGradient(0, 0, 20, 20, 2, 4, vgRGBAf(1, 0, 0, 1), vgRGBAf(0, 0, 1, 1)));
  vgRect(c.ctx, 0, 0, 20, 20);
  vgFill(c.ctx);
  const MVGfragUniforms& u = c.CallUniforms(0);
  // Scissor (50, 10)-(100, 50) in local space, centred at local (75, 30), device (85, 30).
  EXPECT_FLOAT_EQ(u.scissorExt[0], 25);
  EXPECT_FLOAT_EQ(u.scissorExt[1], 20);
  EXPECT_FLOAT_EQ(u.scissorMat[8], -85);
  EXPECT_FLOAT_EQ(u.scissorMat[9], -30);
  EXPECT_FLOAT_EQ(u.scissorScale[0], 1);
  // The paint box is centred at local (10, 10), device (20, 10).
  EXPECT_FLOAT_EQ(u.paintMat[8], -20);
  EXPECT_FLOAT_EQ(u.paintMat[9], -10);
  EXPECT_FLOAT_EQ(u.extent[0], 10);
  EXPECT_FLOAT_EQ(u.radius, 2);
  EXPECT_FLOAT_EQ(u.feather, 4);
}

TEST(Tessellation, DegenerateWidthsAndRatiosStayFinite)
{
  RecordingContext c(kVGAntialias, 1e7f);
  vgStrokeWidth(c.ctx, std::nanf(""));
  vgLineCap(c.ctx, kVGRound);
  vgMoveTo(c.ctx, 0, 0);
  vgLineTo(c.ctx, 100, 0);
  vgStroke(c.ctx);
  // A NaN width strokes as a hairline of no coverage: finite vertices one fringe wide.
  ASSERT_GT(c.Path(0).nstroke, 0);
  for (const VGvertex& v : c.StrokeVerts(0))
    ASSERT_TRUE(std::isfinite(v.x) && std::isfinite(v.y));
  vgStrokeWidth(c.ctx, 150);
  vgStroke(c.ctx);
  ASSERT_EQ(c.r->recording.ncalls, 2);
  EXPECT_GT(c.Path(0).nstroke, 0);
  for (const VGvertex& v : c.StrokeVerts(0))
    EXPECT_TRUE(std::isfinite(v.x) && std::isfinite(v.y));
}

TEST(Tessellation, FrameCountersAndDebugDump)
{
  RecordingContext c;
  vgRect(c.ctx, 0.5f, 0, 10, 10);
  vgFill(c.ctx);
  EXPECT_EQ(c.ctx->drawCallCount, 2);
  EXPECT_EQ(c.ctx->fillTriCount, (4 - 2) + (10 - 2));
  vgStroke(c.ctx);
  EXPECT_EQ(c.ctx->strokeTriCount, 10 - 2);
  testing::internal::CaptureStdout();
  vgDebugDumpPathCache(c.ctx);
  std::string out = testing::internal::GetCapturedStdout();
  EXPECT_EQ(out.rfind("Dumping 1 cached paths\n - Path 0\n    - fill: 0\n    - stroke: 10\n", 0), 0u) << out;
  vgBeginFrame(c.ctx, 10, 10, 1);
  EXPECT_EQ(c.ctx->drawCallCount, 0);
  EXPECT_EQ(c.ctx->fillTriCount, 0);
}
