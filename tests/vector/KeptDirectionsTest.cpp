// Sub-paths that keep the directions they were drawn in: the flattening may turn whole nests of them,
// never one against the others it lies in or around, so the non-zero rule fills what it would fill with
// the paths as drawn; a path that stands apart runs as a solid.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include "graphics/vector/VGdirections.h"
#include "graphics/vector/VGoutlines.h"
#include "graphics/vector/VGstate.h"
#include "graphics/vector/VGthinColumns.h"
#include "tests/vector/VectorTestContext.h"

using namespace iplugin::igraphics;
using qorvtest::RecordingContext;

namespace
{
struct Square
{
  float x0, y0, x1, y1;
  bool clockwise; // as seen on the screen, y growing downwards
};

void Draw(VGcontext* ctx, const Square& s)
{
  vgMoveTo(ctx, s.x0, s.y0);
  if (s.clockwise)
    vgLineTo(ctx, s.x1, s.y0), vgLineTo(ctx, s.x1, s.y1), vgLineTo(ctx, s.x0, s.y1);
  else
    vgLineTo(ctx, s.x0, s.y1), vgLineTo(ctx, s.x1, s.y1), vgLineTo(ctx, s.x1, s.y0);
  vgClosePath(ctx);
}

// The winding number of the squares as drawn around (x, y), clockwise counting 1.
int DrawnWinding(const std::vector<Square>& squares, float x, float y)
{
  int w = 0;
  for (const Square& s : squares)
    if (x > s.x0 && x < s.x1 && y > s.y0 && y < s.y1) w += s.clockwise ? 1 : -1;
  return w;
}

int FlattenedWinding(const RecordingContext& c, float x, float y)
{
  int w = 0;
  for (int j = 0; j < c.ctx->cache->npaths; j++)
  {
    const std::vector<VGpoint> pts = c.Points(j);
    w += vgWindingAround(pts.data(), int(pts.size()), x, y);
  }
  return w;
}

std::vector<Square> RandomSquares(std::mt19937& random, int count)
{
  std::vector<Square> squares;
  for (int k = 0; k < count; k++)
  {
    const float x = float(random() % 80), y = float(random() % 80), w = float(5 + random() % 40);
    squares.push_back({x, y, x + w, y + (random() % 2 ? w : float(5 + random() % 40)), random() % 2 == 1});
  }
  return squares;
}
} // namespace

// Random squares wound at random, often nested or crossing: the non-zero rule fills the same points.
TEST(KeptDirections, TheNonZeroRuleFillsWhatItWouldAsDrawn)
{
  std::mt19937 random(63);
  for (int round = 0; round < 300; round++)
  {
    const std::vector<Square> squares = RandomSquares(random, 1 + round % 5);
    RecordingContext c;
    for (const Square& s : squares)
      Draw(c.ctx, s);
    vgKeepDirections(c.ctx, 1);
    vgFlattenPaths(c.ctx);
    ASSERT_EQ(c.ctx->cache->npaths, int(squares.size()));
    for (float y = 0.5f; y < 130.f; y += 3.f)
      for (float x = 0.5f; x < 130.f; x += 3.f)
        ASSERT_EQ(FlattenedWinding(c, x, y) != 0, DrawnWinding(squares, x, y) != 0)
            << "round " << round << " at " << x << ", " << y;
  }
}

// A square that stands apart runs as a solid; one inside it keeps its direction against it.
TEST(KeptDirections, ANestIsTurnedAsOneSoThatItsLargestIsSolid)
{
  struct Case
  {
    std::vector<Square> squares;
    std::vector<int> winding; // of each flattened path
  } cases[] = {
      {{{0, 0, 10, 10, true}, {20, 0, 30, 10, false}}, {kVGSolid, kVGSolid}},
      {{{0, 0, 40, 40, true}, {10, 10, 30, 30, false}}, {kVGSolid, kVGHole}},
      {{{0, 0, 40, 40, true}, {10, 10, 30, 30, true}}, {kVGSolid, kVGSolid}},
      {{{10, 10, 30, 30, false}, {0, 0, 40, 40, true}, {50, 0, 60, 10, true}}, {kVGHole, kVGSolid, kVGSolid}},
      // Crossing paths are one nest, turned as the largest says.
      {{{0, 0, 40, 20, true}, {10, -10, 20, 40, false}}, {kVGSolid, kVGHole}},
  };
  for (const Case& k : cases)
  {
    RecordingContext c;
    for (const Square& s : k.squares)
      Draw(c.ctx, s);
    vgKeepDirections(c.ctx, 1);
    vgFlattenPaths(c.ctx);
    for (size_t j = 0; j < k.winding.size(); j++)
    {
      EXPECT_EQ(c.Path(int(j)).winding, k.winding[j]) << "case of " << k.squares.size() << ", path " << j;
      const std::vector<VGpoint> pts = c.Points(int(j));
      // Solids run counter-clockwise in the flattening's sense: positive winding around their inside.
      const float cx = (k.squares[j].x0 + k.squares[j].x1) / 2, cy = (k.squares[j].y0 + k.squares[j].y1) / 2;
      EXPECT_EQ(vgWindingAround(pts.data(), int(pts.size()), cx, cy), k.winding[j] == kVGSolid ? 1 : -1);
    }
  }
}

namespace
{
// The nests as first defined: every path asked about every other's first point, and all paths one nest
// wherever any cross.
std::vector<int> WindingsAskingEveryPair(VGcontext* ctx)
{
  const VGpathCache* cache = ctx->cache;
  const int n = cache->npaths;
  std::vector<int> parent(static_cast<size_t>(n));
  for (int j = 0; j < n; j++)
    parent[size_t(j)] = j;
  auto root = [&](int i)
  {
    while (parent[size_t(i)] != i)
      i = parent[size_t(i)];
    return i;
  };
  auto points = [&](int j) { return &cache->points[cache->paths[j].first]; };
  auto encloses = [&](int j) { return cache->paths[j].count > 2; };
  const bool crossing = n > 1 && vgPathsCross(ctx);
  for (int i = 0; i < n; i++)
    for (int j = 0; j < n && encloses(i); j++)
      if (j != i && encloses(j) &&
          (crossing || vgWindingAround(points(j), cache->paths[j].count, points(i)->x, points(i)->y) != 0))
        parent[size_t(root(i))] = root(j);
  std::vector<double> area(size_t(n), 0.0), largest(size_t(n), 0.0);
  for (int j = 0; j < n; j++)
  {
    if (!encloses(j)) continue;
    area[size_t(j)] = vgTwiceArea(points(j), cache->paths[j].count);
    double& l = largest[size_t(root(j))];
    if (std::fabs(area[size_t(j)]) > std::fabs(l)) l = area[size_t(j)];
  }
  std::vector<int> windings;
  for (int j = 0; j < n; j++)
    windings.push_back((area[size_t(j)] < 0.0) != (largest[size_t(root(j))] > 0.0) ? kVGSolid : kVGHole);
  return windings;
}

// A polygon of k corners round (cx, cy), its radius varied a little corner by corner (if rough), either way
// round.
void RoughPolygon(VGcontext* ctx, std::mt19937& random, double cx, double cy, double r, int k,
                  bool rough = true)
{
  const bool clockwise = random() % 2;
  for (int i = 0; i < k; i++)
  {
    const double a = 6.283185307179586 * i / k * (clockwise ? 1 : -1);
    const double ri = rough ? r * (0.8 + 0.2 * double(random() % 100) / 100.0) : r;
    const float x = float(cx + ri * std::cos(a)), y = float(cy + ri * std::sin(a));
    i == 0 ? vgMoveTo(ctx, x, y) : vgLineTo(ctx, x, y);
  }
  vgClosePath(ctx);
}

// Scenes of many kinds, each drawn into the context.
void WindingScene(VGcontext* ctx, std::mt19937& random, int kind)
{
  auto unit = [&] { return double(random() % 1000) / 1000.0; };
  const int count = 1 + int(random() % 60);
  switch (kind)
  {
  case 0: // scattered, often apart, sometimes overlapping
    for (int k = 0; k < count; k++)
      RoughPolygon(ctx, random, 300 * unit(), 300 * unit(), 2 + 20 * unit(), 3 + int(random() % 10));
    break;
  case 1: // nests of rings, each nest apart, every ring either way round
    for (int k = 0; k < count / 4 + 1; k++)
    {
      const double cx = 40.0 * (k % 8), cy = 40.0 * (k / 8);
      for (int ring = 0, rings = 1 + int(random() % 4); ring < rings; ring++)
        RoughPolygon(ctx, random, cx, cy, 18.0 - 4.0 * ring, 8 + ring);
    }
    break;
  case 2: // piled on each other: crossings, and past the nests' budget
    for (int k = 0; k < 40 + count * 2; k++)
      RoughPolygon(ctx, random, 50 + 20 * unit(), 50 + 20 * unit(), 10 + 30 * unit(), 3 + int(random() % 20));
    break;
  case 3: // squares on a grid of whole units: corners on other squares' edges and corners
    for (int k = 0; k < count; k++)
    {
      const Square s{float(random() % 6) * 4, float(random() % 6) * 4, 0, 0, random() % 2 == 1};
      const float side = float(1 + random() % 3) * 4;
      Draw(ctx, {s.x0, s.y0, s.x0 + side, s.y0 + side, s.clockwise});
    }
    break;
  case 4: // far from the origin and tiny, a float's step apart
  {
    const double far = std::pow(10.0, double(random() % 8));
    for (int k = 0; k < count; k++)
      RoughPolygon(ctx, random, far + 1e-3 * (random() % 20), far, 1e-3 * (1 + random() % 20),
                   3 + int(random() % 5));
    break;
  }
  case 5: // one deep nest, past the nests' budget, and a nest apart
    for (int k = 0; k < 40 + count; k++)
      RoughPolygon(ctx, random, 150, 150, 140.0 - 1.5 * k, 12, false);
    RoughPolygon(ctx, random, 350, 20, 10, 5);
    break;
  case 6: // apart, either way round, and among them a path that crosses itself (a bow tie) or a comb
          // whose teeth nearly touch
    for (int k = 0; k < count; k++)
      RoughPolygon(ctx, random, 30.0 * (k % 10), 30.0 * (k / 10), 10, 3 + int(random() % 12));
    {
      const float x = 330, y = float(random() % 200);
      if (random() % 2)
        vgMoveTo(ctx, x, y), vgLineTo(ctx, x + 20, y + 20), vgLineTo(ctx, x + 20, y),
            vgLineTo(ctx, x, y + 20);
      else
      {
        vgMoveTo(ctx, x, y);
        for (int t = 0; t < 8; t++)
          vgLineTo(ctx, x + 4.0f * float(t) + 1.0f, y + 30), vgLineTo(ctx, x + 4.0f * float(t) + 2.0f, y + 1);
        vgLineTo(ctx, x + 40, y);
      }
      vgClosePath(ctx);
    }
    break;
  default: // lines and points that enclose nothing, and a path with a point that is no number
    for (int k = 0; k < count; k++)
    {
      vgMoveTo(ctx, float(random() % 50), float(random() % 50));
      if (random() % 2) vgLineTo(ctx, float(random() % 50), float(random() % 50));
      if (random() % 3 == 0) vgLineTo(ctx, float(random() % 50), float(random() % 50)), vgLineTo(ctx, 60, 60);
      vgClosePath(ctx);
    }
    if (random() % 2) RoughPolygon(ctx, random, std::nan(""), 10, 5, 4);
    break;
  }
}
} // namespace

// The nests found through the paths' boxes, with the search for crossings spared where it changes
// nothing, wind every path as asking every pair does.
TEST(KeptDirections, WindEveryPathAsAskingEveryPairDoes)
{
  std::mt19937 random(63);
  for (int round = 0; round < 480; round++)
  {
    RecordingContext c;
    WindingScene(c.ctx, random, round % 8);
    vgFlattenPaths(c.ctx);
    // The flattening turned every path as a solid; each is given a direction at random again.
    VGpathCache* cache = c.ctx->cache;
    for (int j = 0; j < cache->npaths; j++)
      if (random() % 2)
        std::reverse(cache->points + cache->paths[j].first,
                     cache->points + cache->paths[j].first + cache->paths[j].count);
    const std::vector<int> expected = WindingsAskingEveryPair(c.ctx);
    vgWindAsDrawn(c.ctx);
    for (int j = 0; j < c.ctx->cache->npaths; j++)
      ASSERT_EQ(c.Path(j).winding, expected[size_t(j)])
          << "round " << round << " (kind " << round % 8 << "), path " << j;
  }
}
