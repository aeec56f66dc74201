// Sub-paths that keep the directions they were drawn in: the flattening may turn whole nests of them,
// never one against the others it lies in or around, so the non-zero rule fills what it would fill with
// the paths as drawn; a path that stands apart runs as a solid.
#include <gtest/gtest.h>

#include <random>

#include "graphics/vector/VGstate.h"
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
