// Even-odd outlines: loops cut at the crossings, each with the filled side where its fringe expects it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "graphics/vector/VGoutlines.h"
#include "tests/vector/VectorTestContext.h"

using namespace iplugin::igraphics;
using qorvtest::RecordingContext;

namespace
{
using Polygon = std::vector<std::pair<float, float>>;

void AddPolygon(VGcontext* ctx, const Polygon& polygon)
{
  vgMoveTo(ctx, polygon[0].first, polygon[0].second);
  for (size_t i = 1; i < polygon.size(); i++)
    vgLineTo(ctx, polygon[i].first, polygon[i].second);
  vgClosePath(ctx);
}

// Even-odd inside test against the flattened paths as drawn.
bool InsideFlattened(const VGpathCache& cache, double x, double y)
{
  bool odd = false;
  for (int j = 0; j < cache.npaths; j++)
  {
    const VGpath& path = cache.paths[j];
    for (int i = 0; i < path.count; i++)
    {
      const VGpoint &a = cache.points[path.first + i], &b = cache.points[path.first + (i + 1) % path.count];
      if ((a.y > y) == (b.y > y)) continue;
      if (x < a.x + (y - a.y) * (double(b.x) - a.x) / (double(b.y) - a.y)) odd = !odd;
    }
  }
  return odd;
}

struct Loops
{
  std::vector<int> sizes;
  std::vector<int> windings;
  double length = 0;  // of all loop segments together
  int wrongSides = 0; // segments whose filled side is not the extrusion side
};

// Resolves the current path and checks each loop segment a little off its middle on both sides.
Loops Resolve(RecordingContext& c)
{
  vgFlattenPaths(c.ctx);
  const VGpathCache* outlines = vgEvenOddOutlines(c.ctx);
  EXPECT_NE(outlines, nullptr);
  Loops loops;
  if (!outlines) return loops;
  for (int j = 0; j < outlines->npaths; j++)
  {
    const VGpath& path = outlines->paths[j];
    loops.sizes.push_back(path.count);
    loops.windings.push_back(path.winding);
    EXPECT_EQ(path.closed, 1);
    for (int i = 0; i < path.count; i++)
    {
      const VGpoint &a = outlines->points[path.first + i],
                    &b = outlines->points[path.first + (i + 1) % path.count];
      EXPECT_NEAR(a.len, std::hypot(b.x - a.x, b.y - a.y), 1e-3);
      loops.length += a.len;
      if (a.len < 0.05f) continue;
      const double mx = (a.x + b.x) * 0.5, my = (a.y + b.y) * 0.5, off = 1e-3;
      // Extrusion (into the fill) lies along (dy, -dx).
      const bool left = InsideFlattened(c.Cache(), mx + a.dy * off, my - a.dx * off);
      const bool right = InsideFlattened(c.Cache(), mx - a.dy * off, my + a.dx * off);
      if (!left || right) loops.wrongSides++;
    }
  }
  return loops;
}

double FlattenedLength(const VGpathCache& cache)
{
  double length = 0;
  for (int j = 0; j < cache.npaths; j++)
    for (int i = 0; i < cache.paths[j].count; i++)
      length += cache.points[cache.paths[j].first + i].len;
  return length;
}

const Polygon kPentagram = {{50, 3}, {79, 95}, {2, 38}, {98, 38}, {21, 95}};
} // namespace

struct OutlineCase
{
  const char* name;
  std::vector<Polygon> polygons;
  std::vector<int> sizes;    // points of each loop, in order
  std::vector<int> windings; // solid 1, hole 2
};

class EvenOddOutlines : public testing::TestWithParam<OutlineCase>
{
};

TEST_P(EvenOddOutlines, LoopsDoNotCrossAndFillTheirExtrusionSide)
{
  const OutlineCase& k = GetParam();
  RecordingContext c;
  for (const Polygon& p : k.polygons)
    AddPolygon(c.ctx, p);
  const Loops loops = Resolve(c);
  EXPECT_EQ(loops.sizes, k.sizes);
  EXPECT_EQ(loops.windings, k.windings);
  EXPECT_EQ(loops.wrongSides, 0);
  // Every piece of every segment is in exactly one loop.
  EXPECT_NEAR(loops.length, FlattenedLength(c.Cache()), 1e-3);
}

INSTANTIATE_TEST_SUITE_P(
    Shapes, EvenOddOutlines,
    testing::Values(
        // A star drawn in one stroke: its five points, each a triangle with corners of its own where it
        // meets the next; its empty middle is no loop at all.
        OutlineCase{"Pentagram", {kPentagram}, {3, 3, 3, 3, 3}, {1, 1, 1, 1, 1}},
        // Drawn the other way round, the same loops.
        OutlineCase{"PentagramReversed",
                    {{{21, 95}, {98, 38}, {2, 38}, {79, 95}, {50, 3}}},
                    {3, 3, 3, 3, 3},
                    {1, 1, 1, 1, 1}},
        // A bow tie is two solid triangles touching at the crossing.
        OutlineCase{"BowTie", {{{0, 0}, {100, 100}, {100, 0}, {0, 100}}}, {3, 3}, {1, 1}},
        // Nested squares turning the same way: the inner one, first or last, is a hole.
        OutlineCase{"HoleLast",
                    {{{0, 0}, {0, 90}, {90, 90}, {90, 0}}, {{30, 30}, {30, 60}, {60, 60}, {60, 30}}},
                    {4, 4},
                    {1, 2}},
        OutlineCase{"HoleFirst",
                    {{{30, 30}, {30, 60}, {60, 60}, {60, 30}}, {{0, 0}, {0, 90}, {90, 90}, {90, 0}}},
                    {4, 4},
                    {2, 1}},
        // Three nested squares: solid, hole, solid again.
        OutlineCase{"Nested",
                    {{{0, 0}, {0, 90}, {90, 90}, {90, 0}},
                     {{20, 20}, {20, 70}, {70, 70}, {70, 20}},
                     {{40, 40}, {40, 50}, {50, 50}, {50, 40}}},
                    {4, 4, 4},
                    {1, 2, 1}},
        // Two overlapping squares leave two L shapes that meet at the corners of the overlap.
        OutlineCase{"Overlap",
                    {{{10, 10}, {60, 10}, {60, 60}, {10, 60}}, {{40, 40}, {90, 40}, {90, 90}, {40, 90}}},
                    {6, 6},
                    {1, 1}}),
    [](const testing::TestParamInfo<OutlineCase>& info) { return std::string(info.param.name); });

// A ring of two circles turning the same way, as a fill with no winding gives it: the inner circle is a hole.
TEST(EvenOddOutlinesOf, CirclesTurningTheSameWay)
{
  RecordingContext c(kVGAntialias, 2.f);
  vgCircle(c.ctx, 50.3f, 40.7f, 30.f);
  vgCircle(c.ctx, 50.3f, 40.7f, 12.f);
  const Loops loops = Resolve(c);
  ASSERT_EQ(loops.windings.size(), 2u);
  EXPECT_EQ(loops.windings, (std::vector<int>{1, 2}));
  EXPECT_EQ(loops.wrongSides, 0);
}

struct Segment
{
  double x0, y0, x1, y1;
};

double DistanceToSegment(double x, double y, const Segment& s)
{
  const double dx = s.x1 - s.x0, dy = s.y1 - s.y0;
  const double t = std::clamp(((x - s.x0) * dx + (y - s.y0) * dy) / (dx * dx + dy * dy), 0.0, 1.0);
  return std::hypot(s.x0 + t * dx - x, s.y0 + t * dy - y);
}

// No two segments nearly parallel, no corner near another segment, no two crossings close together: the
// loops then keep every piece (nearly coincident crossings leave slivers narrower than the distance
// tolerance, which are dropped).
bool InGeneralPosition(const std::vector<Polygon>& polygons)
{
  std::vector<Segment> segments;
  for (const Polygon& p : polygons)
    for (size_t i = 0; i < p.size(); i++)
      segments.push_back(
          {p[i].first, p[i].second, p[(i + 1) % p.size()].first, p[(i + 1) % p.size()].second});
  std::vector<std::pair<double, double>> crossings;
  for (size_t i = 0; i < segments.size(); i++)
    for (size_t j = i + 1; j < segments.size(); j++)
    {
      const Segment &a = segments[i], &b = segments[j];
      const double rx = a.x1 - a.x0, ry = a.y1 - a.y0, sx = b.x1 - b.x0, sy = b.y1 - b.y0;
      const double d = rx * sy - ry * sx;
      if (std::fabs(d) < 0.05 * std::hypot(rx, ry) * std::hypot(sx, sy)) return false;
      const bool neighbours = (a.x1 == b.x0 && a.y1 == b.y0) || (b.x1 == a.x0 && b.y1 == a.y0);
      if (neighbours) continue;
      if (DistanceToSegment(a.x0, a.y0, b) < 0.5 || DistanceToSegment(b.x0, b.y0, a) < 0.5) return false;
      const double t = ((b.x0 - a.x0) * sy - (b.y0 - a.y0) * sx) / d;
      const double u = ((b.x0 - a.x0) * ry - (b.y0 - a.y0) * rx) / d;
      if (t > 0 && t < 1 && u > 0 && u < 1) crossings.emplace_back(a.x0 + t * rx, a.y0 + t * ry);
    }
  for (size_t i = 0; i < crossings.size(); i++)
    for (size_t j = i + 1; j < crossings.size(); j++)
      if (std::hypot(crossings[i].first - crossings[j].first, crossings[i].second - crossings[j].second) <
          0.2)
        return false;
  return true;
}

// Random polygons crossing themselves many times: no piece is lost and every piece fills its extrusion side.
TEST(EvenOddOutlinesOf, RandomSelfCrossingPolygons)
{
  std::mt19937 random(7);
  std::uniform_real_distribution<float> coordinate(0.f, 100.f);
  std::uniform_int_distribution<int> corners(3, 12);
  int tried = 0;
  for (int n = 0; n < 200; n++)
  {
    std::vector<Polygon> polygons;
    do
    {
      tried++;
      polygons.assign(size_t(1 + n % 3), {});
      for (Polygon& polygon : polygons)
      {
        polygon.resize(size_t(corners(random)));
        for (auto& point : polygon)
          point = {coordinate(random), coordinate(random)};
      }
    } while (!InGeneralPosition(polygons));
    RecordingContext c;
    for (const Polygon& polygon : polygons)
      AddPolygon(c.ctx, polygon);
    const Loops loops = Resolve(c);
    EXPECT_EQ(loops.wrongSides, 0) << n;
    EXPECT_NEAR(loops.length, FlattenedLength(c.Cache()), 1e-2) << n;
  }
  EXPECT_LT(tried, 100000);
}

// The fill draws the outlines; a stroke after it still sees the path as drawn, and a path given a winding
// is filled as it is, as under the non-zero rule.
TEST(EvenOddOutlinesOf, FillUsesThemOnlyWithoutWindingsAndStrokeKeepsThePath)
{
  auto draw = [](int rule, bool winding)
  {
    RecordingContext c;
    AddPolygon(c.ctx, kPentagram);
    if (winding) vgPathWinding(c.ctx, kVGSolid);
    vgFillRule(c.ctx, rule);
    vgFill(c.ctx);
    vgStroke(c.ctx);
    EXPECT_EQ(c.Cache().npaths, 1);
    EXPECT_EQ(c.Path(0).count, 5);
    EXPECT_EQ(c.r->recording.ncalls, 2);
    return std::make_pair(c.Call(0).strokeCount, c.Call(1).strokeCount);
  };
  const auto nonZero = draw(kVGNonZero, false), marked = draw(kVGEvenOdd, true),
             resolved = draw(kVGEvenOdd, false);
  EXPECT_EQ(marked, nonZero);
  // Fifteen points of five loops against five: the fringe runs round the empty middle too.
  EXPECT_GT(resolved.first, nonZero.first);
  EXPECT_EQ(resolved.second, nonZero.second);
}

// A point that is not a number, or a star of so many crossings that cutting them all is not worth it:
// the fill keeps the flattened paths, and draws.
TEST(EvenOddOutlinesOf, NoneForPointsNotANumberOrTooManyCrossings)
{
  const float nan = std::numeric_limits<float>::quiet_NaN();
  Polygon star;
  for (int i = 0; i < 401; i++)
  {
    const double a = 2.0 * kVGPi * (i * 200 % 401) / 401.0;
    star.emplace_back(float(200 + 150 * std::cos(a)), float(150 + 150 * std::sin(a)));
  }
  for (const Polygon& polygon : {Polygon{{10, 10}, {nan, 50}, {90, 10}, {50, 90}}, star})
  {
    RecordingContext c;
    AddPolygon(c.ctx, polygon);
    vgFlattenPaths(c.ctx);
    EXPECT_EQ(vgEvenOddOutlines(c.ctx), nullptr) << polygon.size();
    vgFillRule(c.ctx, kVGEvenOdd);
    vgFill(c.ctx);
    ASSERT_EQ(c.r->recording.ncalls, 1);
    EXPECT_EQ(c.Call(0).strokeCount, c.Path(0).nstroke);
  }
}

// A zigzag of stacked segments whose closing segment runs back across every one of them: the search meets
// each crossing once however the segments are ordered, and only the pairs whose bounds overlap are
// compared.
TEST(EvenOddOutlinesOf, StackedZigzagCrossedByItsClosingSegment)
{
  constexpr int kCorners = 41;
  Polygon zigzag;
  for (int i = 0; i < kCorners; i++)
    zigzag.emplace_back(i % 2 ? 300.f : 0.f, 2.5f * float(i));
  zigzag.back().first = 290.f; // the closing segment leaves from inside the last one's end
  RecordingContext c;
  AddPolygon(c.ctx, zigzag);
  const Loops loops = Resolve(c);
  EXPECT_EQ(loops.wrongSides, 0);
  EXPECT_NEAR(loops.length, FlattenedLength(c.Cache()), 1e-2);
  // The diagonal crosses each of the 38 zig segments between the first and the last: 39 triangles.
  EXPECT_EQ(loops.sizes.size(), 39u);
  EXPECT_LT(c.ctx->crossingTests, 4 * kCorners);
}

// Whether paths cross, asked of random sets of polygons (points on a coarse grid, so that segments touch,
// overlap, meet at their ends and run through each other's corners, or anywhere; one to four sub-paths of 3
// to 300 points, a path traced twice, a point not finite; a zigzag band of up to 3,000 points, a tooth of it
// now and then pulled across the band): the plain sweep answers as the tree does, of few segments, of many
// that overlap little in x and of many that overlap much (where it leaves the question to the tree).
TEST(PathsCross, ThePlainSweepAnswersAsTheTreeDoes)
{
  std::mt19937 random(36);
  int crossing = 0, apart = 0;
  for (int round = 0; round < 3000; round++)
  {
    RecordingContext c;
    vgBeginPath(c.ctx);
    const bool grid = round % 2 == 0;
    // Now and then one path alone, a point of it not finite.
    const bool lone = round % 50 == 3;
    const int paths = lone ? 1 : 1 + int(random() % 4);
    Polygon traced;
    for (int j = 0; j < paths; j++)
    {
      const int points = 3 + int(random() % (round % 7 == 0 ? 300 : 12));
      // A wavy disc (apart from the others where their centres lie apart) or scattered points.
      const float cx = float(random() % 40), cy = float(random() % 40), r = 2.0f + float(random() % 20);
      const bool disc = random() % 2 == 0;
      Polygon polygon;
      for (int k = 0; k < points; k++)
      {
        const double a = 2 * 3.14159265358979323846 * k / points;
        float x = disc ? cx + r * float(std::cos(a)) : float(random() % 4000) / 100.0f;
        float y = disc ? cy + r * float(std::sin(a)) : float(random() % 4000) / 100.0f;
        if (grid) x = std::round(x / 4) * 4, y = std::round(y / 4) * 4;
        polygon.emplace_back(x, y);
      }
      if (lone) polygon[random() % polygon.size()].second = std::numeric_limits<float>::infinity();
      if (j == 0) traced = polygon;
      AddPolygon(c.ctx, polygon);
    }
    if (round % 11 == 0 && !lone) AddPolygon(c.ctx, traced);
    if (round % 97 == 0) AddPolygon(c.ctx, {{0, 0}, {std::numeric_limits<float>::quiet_NaN(), 1}, {2, 2}});
    if (round % 5 == 1)
    {
      // Teeth a fraction of a pixel apart, each side's one way: they overlap their neighbours alone in x, or
      // the band turned upright, each other.
      const int half = 150 + int(random() % 1350);
      const float thick = grid ? 4.0f : 0.25f + float(random() % 100) / 100.0f;
      Polygon band;
      for (int k = 0; k < 2 * half; k++)
      {
        const int at = k < half ? k : 2 * half - 1 - k;
        band.emplace_back(50.0f + 200.0f * float(at) / float(half - 1),
                          (at % 2 ? 20.0f : -20.0f) + (k < half ? 0.0f : thick));
      }
      if (random() % 2 == 0) band[random() % band.size()].second += (random() % 2 ? 1.0f : -1.0f) * 2 * thick;
      if (random() % 3 == 0)
        for (auto& [x, y] : band)
          std::swap(x, y);
      AddPolygon(c.ctx, band);
    }
    vgFlattenPaths(c.ctx);
    VGoptions tree;
    tree.plainCrossingSweep = false;
    vgSetOptions(c.ctx, tree);
    const bool byTree = vgPathsCross(c.ctx);
    vgSetOptions(c.ctx, VGoptions{});
    EXPECT_EQ(vgPathsCross(c.ctx), byTree) << "round " << round;
    (byTree ? crossing : apart)++;
  }
  EXPECT_GT(crossing, 300);
  EXPECT_GT(apart, 300);
}
