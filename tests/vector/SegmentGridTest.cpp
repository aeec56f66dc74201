// The segment grid answers as asking every segment does: the winding of the paths around a point and
// whether a segment crosses another, over random scenes of polygons (self-crossing, nested, touching, of
// 3 to 200 points, turned and scaled) and points and segments in and around them, on vertices' rows and on
// cell edges; the paths that enclose nothing found by the grid or given to it; and
// the crossings of the ways a fill's fringe takes from pair to pair, along the paths' own segments.
#include "graphics/vector/VGoutlines.h"
#include "graphics/vector/VGsampledFill.h"
#include "graphics/vector/VGsegmentGrid.h"
#include "graphics/vector/VGsliver.h"
#include "tests/vector/VectorTestContext.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

using namespace iplugin::igraphics;
using qorvtest::RecordingContext;

namespace
{
// The segments of the paths the fan marks, as the grid takes them.
std::vector<std::vector<VGpoint>> Winding(const RecordingContext& c)
{
  std::vector<std::vector<VGpoint>> paths;
  for (int j = 0; j < c.ctx->cache->npaths; j++)
  {
    const std::vector<VGpoint> pts = c.Points(j);
    if (pts.size() < 3 ||
        (c.ctx->cache->npaths > 1 && vgEnclosesNothing(c.Path(j), pts.data(), c.ctx->distTol)))
      continue;
    paths.push_back(pts);
  }
  return paths;
}

bool Opposite(double d, double e)
{
  return (d < 0 && e > 0) || (d > 0 && e < 0);
}

bool CrossesAny(const std::vector<std::vector<VGpoint>>& paths, double px, double py, double qx, double qy)
{
  auto turn = [](double ax, double ay, double bx, double by, double cx, double cy)
  { return (bx - ax) * (cy - ay) - (by - ay) * (cx - ax); };
  for (const auto& pts : paths)
    for (size_t i = 0; i < pts.size(); i++)
    {
      const VGpoint &s = pts[i], &t = pts[(i + 1) % pts.size()];
      // Bounds that meet first, as the grid reads them.
      if (std::max<double>(s.x, t.x) < std::min(px, qx) || std::min<double>(s.x, t.x) > std::max(px, qx) ||
          std::max<double>(s.y, t.y) < std::min(py, qy) || std::min<double>(s.y, t.y) > std::max(py, qy))
        continue;
      if (Opposite(turn(px, py, qx, qy, s.x, s.y), turn(px, py, qx, qy, t.x, t.y)) &&
          Opposite(turn(s.x, s.y, t.x, t.y, px, py), turn(s.x, s.y, t.x, t.y, qx, qy)))
        return true;
    }
  return false;
}

// A scene of 1 to 4 polygons about random centres, flattened in c; now and then turned and scaled (0.4 to
// 6 times) about the middle of the scenes' ground.
void MakeScene(RecordingContext& c, int scene, std::mt19937& random)
{
  std::uniform_real_distribution<float> unit(0.0f, 1.0f);
  if (scene % 3 == 2)
  {
    const float scale = std::pow(10.0f, unit(random) * 1.2f - 0.4f);
    vgTranslate(c.ctx, 50, 50);
    vgRotate(c.ctx, unit(random) * 6.2831853f);
    vgScale(c.ctx, scale, scale);
    vgTranslate(c.ctx, -50, -50);
  }
  const int paths = 1 + scene % 4;
  for (int p = 0; p < paths; p++)
  {
    const int n = 3 + (int)(unit(random) * (scene % 5 == 0 ? 200 : 12));
    const float cx = 20 + unit(random) * 60, cy = 20 + unit(random) * 60, r = 5 + unit(random) * 40;
    for (int k = 0; k < n; k++)
    {
      // Whole coordinates now and then, so that points share rows and columns.
      float a = 6.2831853f * (k + unit(random) * (scene % 3 == 0 ? 3.0f : 0.6f)) / n,
            rr = r * (0.3f + unit(random));
      float x = cx + rr * std::cos(a), y = cy + rr * std::sin(a);
      if (scene % 7 == 1) x = std::round(x), y = std::round(y);
      k == 0 ? vgMoveTo(c.ctx, x, y) : vgLineTo(c.ctx, x, y);
    }
    vgClosePath(c.ctx);
  }
  vgFlattenPaths(c.ctx);
}
} // namespace

TEST(SegmentGrid, AnswersAsEverySegmentDoes)
{
  std::mt19937 random(64);
  std::uniform_real_distribution<float> unit(0.0f, 1.0f);
  VGsegmentGrid grid;
  int crossings = 0, windings = 0;
  for (int scene = 0; scene < 200; scene++)
  {
    RecordingContext c;
    MakeScene(c, scene, random);
    const std::vector<std::vector<VGpoint>> winding = Winding(c);
    // Whether each path encloses nothing, given as a fill finds it once for every step, or asked here.
    grid.Build(c.ctx, scene % 2 && c.ctx->cache->npaths > 1 ? vgPathsEncloseNothing(c.ctx) : nullptr);
    for (int q = 0; q < 300; q++)
    {
      double x = unit(random) * 140 - 10, y = unit(random) * 140 - 10;
      // On a vertex's row, or on the vertex itself.
      if (q % 5 == 0 && !winding.empty())
      {
        const auto& pts = winding[(size_t)q % winding.size()];
        const VGpoint& v = pts[(size_t)q % pts.size()];
        y = v.y;
        if (q % 10 == 0) x = v.x;
      }
      // With a second point near it (as a fringe's probes stand) or anywhere.
      const double x2 = x + (q % 4 == 0 ? unit(random) * 100 - 50 : unit(random) * 0.1 - 0.05),
                   y2 = y + (q % 4 == 0 ? unit(random) * 100 - 50 : unit(random) * 0.1 - 0.05);
      int expected = 0, expected2 = 0;
      for (const auto& pts : winding)
        expected += vgWindingAround(pts.data(), (int)pts.size(), x, y),
            expected2 += vgWindingAround(pts.data(), (int)pts.size(), x2, y2);
      ASSERT_EQ(grid.WindingsAround(x, y, x2, y2), std::make_pair(expected, expected2))
          << "scene " << scene << " at " << x << ", " << y << " and " << x2 << ", " << y2;
      windings += expected != 0;
      // One to three lines from near the point, short (as between a fringe's probes) or long.
      const double length = q % 3 == 0 ? 100.0 : 3.0;
      VGsegmentGrid::Line lines[3];
      unsigned expectedCrossed = 0;
      const int count = 1 + q % 3;
      bool crosses = false;
      for (int l = 0; l < count; l++)
      {
        const double a = unit(random) * 6.2831853, sx = x + l * 0.05, sy = y - l * 0.05;
        lines[l] = {sx, sy, sx + length * std::cos(a), sy + length * std::sin(a)};
        if (CrossesAny(winding, lines[l].x0, lines[l].y0, lines[l].x1, lines[l].y1))
          expectedCrossed |= 1u << l;
      }
      crosses = expectedCrossed != 0;
      ASSERT_EQ(grid.Crossed(lines, count), expectedCrossed)
          << "scene " << scene << " near " << x << ", " << y;
      crossings += crosses;
    }
  }
  // The scenes reach both answers often.
  EXPECT_GT(windings, 10000);
  EXPECT_GT(crossings, 10000);
}

// A fringe asks, from each pair to the next, whether a segment crosses the way between their edge points and
// between their probes either side (a 32nd of a pixel off): ways that run along the paths' own segments,
// their ends where the fringe's arithmetic puts them (the mean of points moved in and out in floats), so
// that the segments beside them are all but on them.
TEST(SegmentGrid, TellsWhatCrossesAFringesWaysAsEverySegmentDoes)
{
  std::mt19937 random(32);
  std::uniform_real_distribution<float> unit(0.0f, 1.0f);
  VGsegmentGrid grid;
  int ways = 0, crossedEdges = 0, crossedProbes = 0;
  for (int scene = 0; scene < 300; scene++)
  {
    RecordingContext c;
    MakeScene(c, scene, random);
    const std::vector<std::vector<VGpoint>> winding = Winding(c);
    grid.Build(c.ctx, scene % 2 && c.ctx->cache->npaths > 1 ? vgPathsEncloseNothing(c.ctx) : nullptr);
    const float reach = 0.25f + unit(random);
    for (const auto& pts : winding)
    {
      struct Stop
      {
        double x, y, ix, iy, ox, oy;
      };
      auto stopAt = [&](const VGpoint& p)
      {
        // Moved in and out along a direction near the outline's normal, as a pair's vertices are.
        const float a = unit(random) * 6.2831853f, nx = std::cos(a) * reach, ny = std::sin(a) * reach;
        const float inX = p.x + nx, inY = p.y + ny, outX = p.x - nx, outY = p.y - ny;
        const double ex = inX + 0.5 * ((double)outX - inX), ey = inY + 0.5 * ((double)outY - inY);
        const double dx = (double)outX - inX, dy = (double)outY - inY, length = std::hypot(dx, dy);
        const double sx = dx / length / 32, sy = dy / length / 32;
        return Stop{ex, ey, ex - sx, ey - sy, ex + sx, ey + sy};
      };
      Stop before = stopAt(pts[0]);
      for (size_t j = 1; j <= pts.size(); j++)
      {
        const Stop next = stopAt(pts[j % pts.size()]);
        const VGsegmentGrid::Line lines[3] = {{before.x, before.y, next.x, next.y},
                                              {before.ix, before.iy, next.ix, next.iy},
                                              {before.ox, before.oy, next.ox, next.oy}};
        unsigned expected = 0;
        for (int l = 0; l < 3; l++)
          if (CrossesAny(winding, lines[l].x0, lines[l].y0, lines[l].x1, lines[l].y1)) expected |= 1u << l;
        ASSERT_EQ(grid.Crossed(lines, 3), expected) << "scene " << scene << " segment " << j;
        ASSERT_EQ(grid.Crossed(lines, 1), expected & 1u) << "scene " << scene << " segment " << j;
        ways++, crossedEdges += expected & 1u, crossedProbes += (expected & 6u) != 0;
        before = next;
      }
    }
  }
  // Ways that cross and ways that do not, along each.
  EXPECT_GT(ways, 10000);
  EXPECT_GT(crossedEdges, 1000);
  EXPECT_GT(crossedProbes, 1000);
  EXPECT_GT(ways - crossedEdges, 5000);
}
