// Path commands, shape builders and flattening.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "tests/vector/VectorTestContext.h"

using namespace iplugin::igraphics;
using qorvtest::RecordingContext;

namespace
{
int CountCommands(const std::vector<float>& cmds, int code)
{
  int n = 0;
  for (size_t i = 0; i < cmds.size();)
  {
    int c = (int)cmds[i];
    if (c == code) n++;
    i += c == kVGMoveTo || c == kVGLineTo ? 3 : c == kVGBezierTo ? 7 : c == kVGWinding ? 2 : 1;
  }
  return n;
}
} // namespace

TEST(Path, CommandsAreStoredInDeviceSpace)
{
  RecordingContext c;
  vgTranslate(c.ctx, 10, 20);
  vgScale(c.ctx, 2, 2);
  vgMoveTo(c.ctx, 1, 1);
  vgBezierTo(c.ctx, 2, 2, 3, 3, 4, 5);
  vgPathWinding(c.ctx, kVGHole);
  vgClosePath(c.ctx);
  EXPECT_EQ(c.Commands(), (std::vector<float>{kVGMoveTo, 12, 22, kVGBezierTo, 14, 24, 16, 26, 18, 30,
                                              kVGWinding, kVGHole, kVGClose}));
  // The last command point stays in user space.
  EXPECT_EQ(c.ctx->commandx, 4.0f);
  EXPECT_EQ(c.ctx->commandy, 5.0f);
}

// Moves and lines, appended where there is room and where the list grows, under random transforms and among
// curves, closes and windings: the commands and the last point (in user space) that vgAppendCommands keeps.
TEST(Path, MovesAndLinesAppendAsTheCommandListDoes)
{
  std::mt19937 rng(7);
  std::uniform_real_distribution<float> unit(-1.f, 1.f);
  for (int round = 0; round < 200; round++)
  {
    RecordingContext byName, byList;
    const float scale = 0.1f + 3.f * std::fabs(unit(rng));
    vgTranslate(byName.ctx, 50.f * unit(rng), 50.f * unit(rng));
    vgRotate(byName.ctx, 3.f * unit(rng));
    vgScale(byName.ctx, scale, -scale);
    float t[6];
    vgCurrentTransform(byName.ctx, t);
    vgTransform(byList.ctx, t[0], t[1], t[2], t[3], t[4], t[5]);
    const int commands = 1 + int(rng() % 3000);
    for (int i = 0; i < commands; i++)
    {
      const float x = 400.f * unit(rng), y = 300.f * unit(rng);
      switch (rng() % 8)
      {
      case 0:
      {
        vgMoveTo(byName.ctx, x, y);
        float vals[] = {kVGMoveTo, x, y};
        vgAppendCommands(byList.ctx, vals, 3);
        break;
      }
      case 1:
      {
        vgBezierTo(byName.ctx, x, y, y, x, x, x);
        float vals[] = {kVGBezierTo, x, y, y, x, x, x};
        vgAppendCommands(byList.ctx, vals, 7);
        break;
      }
      case 2:
      {
        vgClosePath(byName.ctx);
        vgPathWinding(byName.ctx, kVGHole);
        float vals[] = {kVGClose, kVGWinding, kVGHole};
        vgAppendCommands(byList.ctx, vals, 3);
        break;
      }
      default:
      {
        vgLineTo(byName.ctx, x, y);
        float vals[] = {kVGLineTo, x, y};
        vgAppendCommands(byList.ctx, vals, 3);
      }
      }
    }
    ASSERT_EQ(byName.Commands(), byList.Commands()) << "round " << round;
    EXPECT_EQ(byName.ctx->commandx, byList.ctx->commandx) << "round " << round;
    EXPECT_EQ(byName.ctx->commandy, byList.ctx->commandy) << "round " << round;
  }
}

TEST(Path, QuadToBecomesCubic)
{
  RecordingContext c;
  vgMoveTo(c.ctx, 0, 0);
  vgQuadTo(c.ctx, 30, 30, 60, 0);
  std::vector<float> cmds = c.Commands();
  ASSERT_EQ(cmds.size(), 10u);
  EXPECT_FLOAT_EQ(cmds[4], 20);
  EXPECT_FLOAT_EQ(cmds[5], 20);
  EXPECT_FLOAT_EQ(cmds[6], 40);
  EXPECT_FLOAT_EQ(cmds[7], 20);
}

TEST(Path, RectIsThirteenFloats)
{
  RecordingContext c;
  vgRect(c.ctx, 1, 2, 3, 4);
  EXPECT_EQ(c.Commands(), (std::vector<float>{kVGMoveTo, 1, 2, kVGLineTo, 1, 6, kVGLineTo, 4, 6, kVGLineTo, 4,
                                              2, kVGClose}));
}

TEST(Path, RoundedRectRadii)
{
  RecordingContext c;
  vgRoundedRectVarying(c.ctx, 0, 0, 10, 10, 0.05f, 0, 0.09f, 0);
  EXPECT_EQ(c.Commands().size(), 13u);
  vgBeginPath(c.ctx);
  // Radii larger than half a side are clamped to half that side.
  vgRoundedRect(c.ctx, 0, 0, 20, 10, 50);
  std::vector<float> cmds = c.Commands();
  EXPECT_EQ(CountCommands(cmds, kVGBezierTo), 4);
  EXPECT_FLOAT_EQ(cmds[2], 5); // move to (x, y + ryTL)
  EXPECT_FLOAT_EQ(cmds[5], 5); // line to (x, y + h - ryBL)
  // The first corner: a cubic from (x, y + h - ryBL) to (x + rxBL, y + h).
  ASSERT_EQ(cmds[6], kVGBezierTo);
  EXPECT_FLOAT_EQ(cmds[11], 10);
  EXPECT_FLOAT_EQ(cmds[12], 10);
  // Control points sit 1 - kappa of the radius from the corner.
  EXPECT_NEAR(cmds[8], 10 - 5 * 0.44771522f, 1e-5);
  EXPECT_NEAR(cmds[9], 10 * 0.44771522f, 1e-5);
  vgBeginPath(c.ctx);
  // A negative width mirrors the corner radii.
  vgRoundedRect(c.ctx, 0, 0, -20, 10, 4);
  cmds = c.Commands();
  EXPECT_FLOAT_EQ(cmds[11], -4);
  EXPECT_FLOAT_EQ(cmds[12], 10);
}

TEST(Path, EllipseAndFullArcAreFourCubics)
{
  RecordingContext c;
  vgEllipse(c.ctx, 50, 50, 20, 10);
  std::vector<float> cmds = c.Commands();
  EXPECT_EQ(cmds.size(), 3u + 4 * 7 + 1);
  EXPECT_EQ(CountCommands(cmds, kVGBezierTo), 4);
  EXPECT_FLOAT_EQ(cmds[1], 30);
  EXPECT_FLOAT_EQ(cmds[3 + 1], 30);
  EXPECT_NEAR(cmds[3 + 2], 50 + 10 * kVGKappa90, 1e-4);

  vgBeginPath(c.ctx);
  vgArc(c.ctx, 0, 0, 10, 0, 2 * kVGPi, kVGHole);
  cmds = c.Commands();
  EXPECT_EQ(cmds.size(), 3u + 4 * 7);
  EXPECT_EQ(cmds[0], kVGMoveTo);
  EXPECT_EQ(CountCommands(cmds, kVGBezierTo), 4);
  // Control points follow the tangent with the quarter-circle kappa.
  EXPECT_NEAR(cmds[3 + 1], 10, 1e-4);
  EXPECT_NEAR(cmds[3 + 2], 10 * kVGKappa90, 1e-3);
  EXPECT_NEAR(cmds[cmds.size() - 2], 10, 1e-4);
  EXPECT_NEAR(cmds[cmds.size() - 1], 0, 1e-4);
}

struct ArcCase
{
  float a0, a1;
  int dir;
  int segments;
  float endAngle;
};

class PathArc : public testing::TestWithParam<ArcCase>
{
};

TEST_P(PathArc, SegmentsAndSweep)
{
  const ArcCase& k = GetParam();
  RecordingContext c;
  vgMoveTo(c.ctx, 0, 0);
  vgArc(c.ctx, 0, 0, 10, k.a0, k.a1, k.dir);
  std::vector<float> cmds = c.Commands();
  // After the move comes a line, since the buffer is not empty.
  EXPECT_EQ(cmds[3], kVGLineTo);
  EXPECT_EQ(CountCommands(cmds, kVGBezierTo), k.segments);
  for (float v : cmds)
    EXPECT_FALSE(std::isnan(v));
  EXPECT_NEAR(cmds[cmds.size() - 2], 10 * std::cos(k.endAngle), 1e-3);
  EXPECT_NEAR(cmds[cmds.size() - 1], 10 * std::sin(k.endAngle), 1e-3);
}

INSTANTIATE_TEST_SUITE_P(Table, PathArc,
                         testing::Values(ArcCase{0, 2 * kVGPi, kVGHole, 4, 2 * kVGPi},
                                         ArcCase{0, 7 * kVGPi, kVGHole, 4,
                                                 2 * kVGPi}, // one full turn at most
                                         ArcCase{0, 7 * kVGPi, kVGSolid, 4, -2 * kVGPi},
                                         ArcCase{0, 0, kVGHole, 1, 0}, // zero sweep
                                         ArcCase{0, kVGPi / 2, kVGHole, 1, kVGPi / 2},
                                         ArcCase{0, kVGPi / 2, kVGSolid, 3, -3 * kVGPi / 2},
                                         ArcCase{0, -kVGPi / 2, kVGHole, 3, 3 * kVGPi / 2}));

TEST(Path, ArcToFallsBackToLines)
{
  RecordingContext c;
  vgArcTo(c.ctx, 10, 10, 20, 0, 5); // empty buffer: nothing
  EXPECT_TRUE(c.Commands().empty());
  vgMoveTo(c.ctx, 0, 0);
  vgArcTo(c.ctx, 10, 0, 20, 0, 5); // collinear
  EXPECT_EQ(c.Commands().size(), 6u);
  EXPECT_EQ(c.Commands()[3], kVGLineTo);
  vgBeginPath(c.ctx);
  vgMoveTo(c.ctx, 0, 0);
  vgArcTo(c.ctx, 10, 0, 10, 10, 5); // a right-angle corner rounded by radius 5
  std::vector<float> cmds = c.Commands();
  EXPECT_EQ(cmds[3], kVGLineTo);
  EXPECT_NEAR(cmds[4], 5, 1e-4);
  EXPECT_NEAR(cmds[5], 0, 1e-4);
  EXPECT_NEAR(cmds[cmds.size() - 2], 10, 1e-4);
  EXPECT_NEAR(cmds[cmds.size() - 1], 5, 1e-4);
}

TEST(Path, FlattenMergesNearPointsAndClosesDuplicates)
{
  RecordingContext c;
  vgMoveTo(c.ctx, 0, 0);
  vgLineTo(c.ctx, 0.005f, 0); // within 0.01 of the last point
  vgLineTo(c.ctx, 10, 0);
  vgLineTo(c.ctx, 10, 10);
  vgLineTo(c.ctx, 0, 0.001f); // back on the first point
  vgFlattenPaths(c.ctx);
  ASSERT_EQ(c.Cache().npaths, 1);
  EXPECT_EQ(c.Path(0).count, 3);
  EXPECT_EQ(c.Path(0).closed, 1);
  for (const VGpoint& p : c.Points(0))
    EXPECT_EQ(p.flags & kVGPtCorner, kVGPtCorner);
  EXPECT_FLOAT_EQ(c.Cache().bounds[0], 0);
  EXPECT_FLOAT_EQ(c.Cache().bounds[2], 10);
  EXPECT_FLOAT_EQ(c.Cache().bounds[3], 10);
}

TEST(Path, FlattenMergesFlagsOfNearPoints)
{
  RecordingContext c;
  vgMoveTo(c.ctx, 0, 0);
  // A curve subdivides into interior points without the corner flag; a line to the point just past
  // its end merges into the curve's end point.
  vgBezierTo(c.ctx, 0, 50, 50, 50, 50, 0);
  vgLineTo(c.ctx, 50.001f, 0);
  vgFlattenPaths(c.ctx);
  std::vector<VGpoint> pts = c.Points(0);
  int corners = 0;
  for (const VGpoint& p : pts)
    corners += p.flags & kVGPtCorner;
  EXPECT_EQ(corners, 2);
  EXPECT_GT(pts.size(), 4u);
}

TEST(Path, WindingReversesPointOrder)
{
  struct
  {
    bool clockwise;
    int winding;
    bool reversed;
  } table[] = {
      {false, kVGSolid, false}, {true, kVGSolid, true}, {false, kVGHole, true}, {true, kVGHole, false}};
  for (const auto& k : table)
  {
    RecordingContext c;
    // (0,0) (0,10) (10,10) (10,0) has positive area in the flattening's sense.
    float xs[4] = {0, 0, 10, 10}, ys[4] = {0, 10, 10, 0};
    for (int i = 0; i < 4; i++)
    {
      int j = k.clockwise ? 3 - i : i;
      i == 0 ? vgMoveTo(c.ctx, xs[j], ys[j]) : vgLineTo(c.ctx, xs[j], ys[j]);
    }
    vgPathWinding(c.ctx, k.winding);
    vgFlattenPaths(c.ctx);
    std::vector<VGpoint> pts = c.Points(0);
    bool firstIsOrigin = pts[0].x == (k.clockwise ? 10.0f : 0.0f);
    EXPECT_NE(firstIsOrigin, k.reversed);
    EXPECT_EQ(c.Path(0).winding, k.winding);
  }
}

TEST(Path, TwoPointPathsAreNotReversed)
{
  RecordingContext c;
  vgMoveTo(c.ctx, 10, 0);
  vgLineTo(c.ctx, 0, 0);
  vgPathWinding(c.ctx, kVGHole);
  vgFlattenPaths(c.ctx);
  EXPECT_EQ(c.Points(0)[0].x, 10.0f);
  EXPECT_FLOAT_EQ(c.Points(0)[0].dx, -1.0f);
  EXPECT_FLOAT_EQ(c.Points(0)[0].len, 10.0f);
}

TEST(Path, BezierFlatnessAndDepthLimit)
{
  RecordingContext c;
  vgMoveTo(c.ctx, 0, 0);
  vgBezierTo(c.ctx, 10, 0, 20, 0, 30, 0); // control points on the chord
  vgFlattenPaths(c.ctx);
  EXPECT_EQ(c.Path(0).count, 2);

  vgBeginPath(c.ctx);
  vgMoveTo(c.ctx, 0, 0);
  vgBezierTo(c.ctx, 0, 1e7f, 1e7f, 1e7f, 1e7f, 0);
  vgFlattenPaths(c.ctx);
  // Every piece reaches the depth limit: 1,024 segments, ending on the curve's end point.
  EXPECT_EQ(c.Path(0).count, 1 + 1024);
  EXPECT_EQ(c.Points(0).back().x, 1e7f);
}

TEST(Path, FinerToleranceAtPixelRatioTwo)
{
  int counts[2] = {0, 0};
  for (int i = 0; i < 2; i++)
  {
    for (float r = 1.0f; r < 400.0f; r *= 1.25f)
    {
      RecordingContext c(kVGAntialias, i == 0 ? 1.0f : 2.0f);
      vgCircle(c.ctx, 100, 100, r);
      vgFlattenPaths(c.ctx);
      counts[i] += c.Path(0).count;
    }
  }
  EXPECT_GT(counts[1], counts[0]);
}

TEST(Path, LineBeforeMoveAddsNothing)
{
  RecordingContext c;
  vgLineTo(c.ctx, 5, 5);
  vgBezierTo(c.ctx, 1, 1, 2, 2, 3, 3);
  vgClosePath(c.ctx);
  vgPathWinding(c.ctx, kVGHole);
  vgFlattenPaths(c.ctx);
  EXPECT_EQ(c.Cache().npaths, 0);
  EXPECT_EQ(c.Cache().npoints, 0);
}

TEST(Path, UnknownCodesAreSkippedAndCutCommandsEndTheWalk)
{
  RecordingContext c;
  float vals[] = {kVGMoveTo, 0, 0, 9, kVGLineTo, 10, 0, kVGLineTo, 10};
  vgAppendCommands(c.ctx, vals, 9);
  vgFlattenPaths(c.ctx);
  ASSERT_EQ(c.Cache().npaths, 1);
  EXPECT_EQ(c.Path(0).count, 2);
}

TEST(Path, CacheIsKeptUntilBeginPath)
{
  RecordingContext c;
  vgRect(c.ctx, 0, 0, 10, 10);
  vgFill(c.ctx);
  vgRect(c.ctx, 20, 20, 10, 10);
  vgStroke(c.ctx);
  EXPECT_EQ(c.Cache().npaths, 1);
  vgBeginPath(c.ctx);
  EXPECT_EQ(c.ctx->ncommands, 0);
  EXPECT_EQ(c.Cache().npaths, 0);
}

TEST(Path, GrowsBeyondInitialCapacities)
{
  RecordingContext c;
  for (int i = 0; i < 40; i++)
    vgRect(c.ctx, i * 3.0f, 0, 2, 2);
  vgFlattenPaths(c.ctx);
  EXPECT_EQ(c.Cache().npaths, 40);
  EXPECT_EQ(c.Cache().npoints, 160);
  EXPECT_GE(c.ctx->ccommands, 40 * 13);
}

// Curves are flattened to the tessellation tolerance in device pixels, as round caps and joins are: every
// chord of a circle stays within a quarter pixel of it at ratio 1 (an eighth of a unit at ratio 2).
TEST(Path, CurvesFlattenWithinTheTolerance)
{
  for (float ratio : {1.f, 2.f})
    for (float r : {4.f, 40.f, 400.f})
    {
      qorvtest::RecordingContext c(kVGAntialias, ratio);
      vgBeginPath(c.ctx);
      vgCircle(c.ctx, 500, 500, r);
      vgFlattenPaths(c.ctx);
      const std::vector<VGpoint> pts = c.Points(0);
      ASSERT_GE(pts.size(), 8u);
      float worst = 0;
      for (size_t i = 0; i < pts.size(); ++i)
      {
        const VGpoint& a = pts[i];
        const VGpoint& b = pts[(i + 1) % pts.size()];
        // A chord is farthest from its arc at the middle.
        worst = std::max(worst, r - std::hypot((a.x + b.x) / 2 - 500, (a.y + b.y) / 2 - 500));
      }
      EXPECT_LE(worst, 0.25f / ratio) << "radius " << r << " ratio " << ratio;
    }
}
