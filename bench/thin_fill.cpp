// A thin convex fill against a fat one of the same points: a polygon of N points on an ellipse 40 units
// long and 0.6 across (thinner than the fringe: drawn as columns across it, each the shape box-filtered, so
// that it puts down its area's ink, spread along it as its width is) and on one 40 by 20 (the plain fan and
// fringe), through the vector context on the recording renderer at scale 1, N from 16 to 10,000. Reports CPU
// milliseconds of 1,000 fills, medians of rounds in which the two take turns (a round fills at least 160,000
// points, so that the smallest take long enough to time), and the median of the rounds' ratios. Target: the
// thin fill at most 1.5 times the fat one at every size. A curve of more than 16 points is first put on
// fewer (chords within 1/64 pixel of its outline). Left out: the renderer's drawing of the vertices (the
// recording renderer only copies them), and fills of other thin outlines (the columns take time linear in
// the points whatever the outline). A row says "concave" where the polygon's float points do not all turn
// left (a 0.6-wide polygon of 2,000 points or more): such a fill takes the stencil path, not the columns.
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

void Polygon(VGcontext* ctx, int points, float across)
{
  vgBeginPath(ctx);
  for (int k = 0; k < points; k++)
  {
    const float a = 6.2831853f * float(k) / float(points);
    const float x = 200.0f + 20.0f * std::cos(a), y = 150.0f + across * 0.5f * std::sin(a);
    if (k == 0)
      vgMoveTo(ctx, x, y);
    else
      vgLineTo(ctx, x, y);
  }
  vgClosePath(ctx);
}

// CPU milliseconds of kFills fills of the polygon, timed over at least 160,000 points' worth; convex tells
// whether it was filled as convex.
double FillsMs(VGcontext* ctx, int points, float across, bool* convex = nullptr)
{
  const int fills = std::max(kFills, 160000 / points);
  vgBeginFrame(ctx, 400, 300, 1);
  const double start = qorvbench::CpuSeconds();
  for (int i = 0; i < fills; i++)
  {
    // A frame of kFills fills at most, as before: a frame's vertices stay until it ends.
    if (i > 0 && i % kFills == 0) vgCancelFrame(ctx), vgBeginFrame(ctx, 400, 300, 1);
    Polygon(ctx, points, across);
    vgFill(ctx);
  }
  const double ms = (qorvbench::CpuSeconds() - start) * 1e3 * kFills / fills;
  if (convex) *convex = ctx->cache->npaths == 1 && ctx->cache->paths[0].convex;
  vgCancelFrame(ctx);
  return ms;
}
} // namespace

// Arguments: the sizes to run instead of all (for a profiler); flags are left to others.
int main(int argc, char** argv)
{
  const std::vector<int> sizes = qorvbench::SizesToRun(argc, argv, {16, 32, 64, 128, 500, 2000, 10000}, 3);
  std::printf("convex fill of N points, CPU ms of %d fills (medians of %d rounds taking turns): N, thin "
              "(40 x 0.6), fat (40 x 20), thin / fat\n",
              kFills, kRounds);
  VGcontext* ctx = VGrecordingRenderer::CreateContext(kVGAntialias);
  bool met = true;
  char table[512];
  int at = std::snprintf(table, sizeof table,
                         "table: thin convex fill (40 x 0.6) against fat (40 x 20), N: ratio");
  for (int points : sizes)
  {
    std::vector<double> thin, fat;
    bool convex = true;
    for (int r = 0; r < kRounds; r++)
    {
      // Every other round the other goes first.
      if (r % 2) fat.push_back(FillsMs(ctx, points, 20.0f));
      thin.push_back(FillsMs(ctx, points, 0.6f, &convex));
      if (!(r % 2)) fat.push_back(FillsMs(ctx, points, 20.0f));
    }
    const double ratio = qorvbench::MedianRatio(thin, fat);
    met = met && ratio <= kMostRatio;
    std::printf("%6d  %10.2f  %10.2f  %5.2fx%s\n", points, qorvbench::Median(thin), qorvbench::Median(fat),
                ratio, convex ? "" : "  (concave)");
    at += std::snprintf(table + at, sizeof table - (size_t)at, " %d: %.2fx%s", points, ratio,
                        convex ? "" : " (concave)");
  }
  vgDeleteContext(ctx);
  std::printf("%s (target <= %.1fx at every size: %s)\n", table, kMostRatio, qorvbench::Met(met));
  return met ? 0 : 1;
}
