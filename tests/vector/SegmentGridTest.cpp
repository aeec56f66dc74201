// The segment grid answers as asking every segment does: the winding of the paths around a point and
// whether a segment crosses another, over random scenes of polygons (self-crossing, nested, touching, of
// 3 to 200 points) and points and segments in and around them, on vertices' rows and on cell edges.
#include "graphics/vector/VGoutlines.h"
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
      if (Opposite(turn(px, py, qx, qy, s.x, s.y), turn(px, py, qx, qy, t.x, t.y)) &&
          Opposite(turn(s.x, s.y, t.x, t.y, px, py), turn(s.x, s.y, t.x, t.y, qx, qy)))
        return true;
    }
  return false;
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
    const std::vector<std::vector<VGpoint>> winding = Winding(c);
    grid.Build(c.ctx);
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
