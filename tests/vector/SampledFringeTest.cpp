// Whether a sampled fill's fringe holds (vgSampledFringeHolds): towers of nested discs, many side by side, each
// tower holding when its discs alternate solid and hole from a solid outside in.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "graphics/vector/VGsampledFill.h"
#include "graphics/vector/VGstate.h"
#include "tests/vector/VectorTestContext.h"

using namespace iplugin::igraphics;
using qorvtest::RecordingContext;

namespace
{
void AddDisc(VGcontext* ctx, float cx, float cy, float r, int dir)
{
  constexpr int kPoints = 12;
  vgMoveTo(ctx, cx + r, cy);
  for (int k = 1; k < kPoints; k++)
  {
    const double a = 2 * 3.14159265358979323846 * k / kPoints;
    vgLineTo(ctx, cx + r * float(std::cos(a)), cy + r * float(std::sin(a)));
  }
  vgClosePath(ctx);
  vgPathWinding(ctx, dir);
}

struct Tower
{
  float x, y;
  std::vector<int> windings; // outside in
  bool Holds() const
  {
    for (size_t k = 0; k < windings.size(); k++)
      if (windings[k] != (k % 2 ? kVGHole : kVGSolid)) return false;
    return true;
  }
};

// Towers on a grid whose columns and rows share their boxes' spans, a few towers wrong in one disc or none.
TEST(SampledFringe, HoldsWhereEveryTowerAlternatesFromASolid)
{
  std::mt19937 random(64);
  for (int round = 0; round < 60; round++)
  {
    const int columns = 1 + int(random() % 12), rows = 1 + int(random() % 12);
    std::vector<Tower> towers;
    for (int i = 0; i < columns; i++)
      for (int j = 0; j < rows; j++)
      {
        // Uneven places, so that boxes open and close in many orders along x.
        Tower t{30.0f * i + float(random() % 7), 30.0f * j + float(random() % 7), {}};
        const int depth = 1 + int(random() % 4);
        for (int k = 0; k < depth; k++)
          t.windings.push_back(k % 2 ? kVGHole : kVGSolid);
        towers.push_back(t);
      }
    const int wrong = int(random() % 3);
    for (int w = 0; w < wrong; w++)
    {
      Tower& t = towers[random() % towers.size()];
      int& winding = t.windings[random() % t.windings.size()];
      winding = winding == kVGSolid ? kVGHole : kVGSolid;
    }
    bool holds = true;
    RecordingContext c;
    vgBeginPath(c.ctx);
    for (const Tower& t : towers)
    {
      holds = holds && t.Holds();
      for (size_t k = 0; k < t.windings.size(); k++)
        AddDisc(c.ctx, t.x, t.y, 12.0f - 3.0f * float(k), t.windings[k]);
    }
    vgFlattenPaths(c.ctx);
    EXPECT_EQ(vgSampledFringeHolds(c.ctx), holds) << "round " << round;
  }
}

// A long row of discs and one wide ring about all of them: each disc lies in the ring's box as the probes pass.
TEST(SampledFringe, AWideRingHoldsItsDiscsInItsHole)
{
  for (const int inner : {kVGSolid, kVGHole})
  {
    RecordingContext c;
    vgBeginPath(c.ctx);
    constexpr int kDiscs = 200;
    AddDisc(c.ctx, 100.0f * kDiscs / 2, 0, 100.0f * kDiscs, kVGSolid);
    AddDisc(c.ctx, 100.0f * kDiscs / 2, 0, 100.0f * kDiscs - 10, kVGHole);
    for (int i = 0; i < kDiscs; i++)
      AddDisc(c.ctx, 100.0f * i, 0, 10, inner);
    vgFlattenPaths(c.ctx);
    EXPECT_EQ(vgSampledFringeHolds(c.ctx), inner == kVGSolid);
  }
}
} // namespace
