// A thin convex fill cut along its length by a scissor edge against the same fill well inside the scissor:
// a polygon of N points on an ellipse 40 units long and 0.6 across, the scissor's edge through its middle
// (the outline is cut by the scissor's rectangle and drawn without it, VGscissorCut.h) or 50 units away
// (the fill drawn as before, the scissor left to the shader), through the vector context on the recording
// renderer at scale 1, N from 16 to 10,000. Reports CPU milliseconds of 1,000 fills, medians of rounds in
// which the two take turns (a round fills at least 160,000 points), and the median of the rounds' ratios.
// Target: the cut fill at most 1.5 times the uncut one at every size. Left out: the renderer's drawing of
// the vertices (the recording renderer only copies them; the cut outline has at most 4 points more) and the
// shader's scissor term, which the cut fill no longer pays.
#include "bench/Rounds.h"
#include "tests/support/VGrecordingRenderer.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

using namespace iplugin::igraphics;

namespace
{
constexpr int kRounds = 11;
constexpr int kFills = 1000;
constexpr double kMostRatio = 1.5;

void Polygon(VGcontext* ctx, int points)
{
  vgBeginPath(ctx);
  for (int k = 0; k < points; k++)
  {
    const float a = 6.2831853f * float(k) / float(points);
    const float x = 200.0f + 20.0f * std::cos(a), y = 150.0f + 0.3f * std::sin(a);
    (k == 0 ? vgMoveTo : vgLineTo)(ctx, x, y);
  }
  vgClosePath(ctx);
}

// CPU milliseconds of kFills fills of the polygon under a scissor whose top edge lies at top.
double FillsMs(VGcontext* ctx, int points, float top)
{
  const int fills = std::max(kFills, 160000 / points);
  vgBeginFrame(ctx, 400, 300, 1);
  vgScissor(ctx, 100, top, 200, 100);
  const double start = qorvbench::CpuSeconds();
  for (int i = 0; i < fills; i++)
  {
    if (i > 0 && i % kFills == 0)
      vgCancelFrame(ctx), vgBeginFrame(ctx, 400, 300, 1), vgScissor(ctx, 100, top, 200, 100);
    Polygon(ctx, points);
    vgFill(ctx);
  }
  const double ms = (qorvbench::CpuSeconds() - start) * 1e3 * kFills / fills;
  vgCancelFrame(ctx);
  return ms;
}
} // namespace

// Arguments: the sizes to run instead of all (for a profiler); flags are left to others.
int main(int argc, char** argv)
{
  const std::vector<int> sizes = qorvbench::SizesToRun(argc, argv, {16, 32, 64, 128, 500, 2000, 10000}, 3);
  std::printf(
      "thin fill of N points under a scissor, CPU ms of %d fills (medians of %d rounds taking turns): "
      "N, cut along its middle, well inside, cut / inside\n",
      kFills, kRounds);
  VGcontext* ctx = VGrecordingRenderer::CreateContext(kVGAntialias);
  bool met = true;
  char table[512];
  int at =
      std::snprintf(table, sizeof table, "table: thin fill cut by the scissor against well inside, N: ratio");
  for (int points : sizes)
  {
    std::vector<double> cut, inside;
    for (int r = 0; r < kRounds; r++)
    {
      if (r % 2) inside.push_back(FillsMs(ctx, points, 100.0f));
      cut.push_back(FillsMs(ctx, points, 150.0f));
      if (!(r % 2)) inside.push_back(FillsMs(ctx, points, 100.0f));
    }
    const double ratio = qorvbench::MedianRatio(cut, inside);
    met = met && ratio <= kMostRatio;
    std::printf("%6d  %10.2f  %10.2f  %5.2fx\n", points, qorvbench::Median(cut), qorvbench::Median(inside),
                ratio);
    at += std::snprintf(table + at, sizeof table - (size_t)at, " %d: %.2fx", points, ratio);
  }
  vgDeleteContext(ctx);
  std::printf("%s (target <= %.1fx at every size: %s)\n", table, kMostRatio, qorvbench::Met(met));
  return met ? 0 : 1;
}
