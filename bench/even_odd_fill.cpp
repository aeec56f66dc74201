// An even-odd fill of a long zigzag (stacked segments, no crossings) against the non-zero fill of the same
// path, both through the vector context on the recording renderer: what the search for crossings adds to
// the geometry. Reports the median CPU time of five fills of each, the two rules taking turns.
#include "bench/Rounds.h"
#include "tests/support/VGrecordingRenderer.h"

#include <cstdio>
#include <string>
#include <vector>

using namespace iplugin::igraphics;

namespace
{
constexpr int kRuns = 5;

// Segments back and forth across 300 units, each a little above the last, closed round the left side.
void Zigzag(VGcontext* ctx, int segments)
{
  const float step = 240.0f / float(segments);
  vgBeginPath(ctx);
  vgMoveTo(ctx, 0, 0);
  int i = 1;
  for (; i < segments - 3; i++)
    vgLineTo(ctx, i % 2 ? 300.0f : 0.0f, float(i) * step);
  vgLineTo(ctx, -10.0f, float(i - 1) * step);
  vgLineTo(ctx, -10.0f, 0.0f);
  vgClosePath(ctx);
}

// CPU seconds of one fill of the zigzag under the rule; also answers the pairs of segments compared.
double FillSeconds(VGcontext* ctx, int segments, int rule, int* tests)
{
  vgBeginFrame(ctx, 400, 300, 1);
  Zigzag(ctx, segments);
  vgFillRule(ctx, rule);
  const double start = qorvbench::CpuSeconds();
  vgFill(ctx);
  const double seconds = qorvbench::CpuSeconds() - start;
  *tests = ctx->crossingTests;
  vgCancelFrame(ctx);
  return seconds;
}
} // namespace

int main()
{
  std::printf("zigzag fill, CPU seconds (medians of %d rounds in which the rules take turns): segments, "
              "non-zero, even-odd, ratio (the median of the rounds'), pairs compared\n",
              kRuns);
  bool met = true;
  std::string table = "table: even-odd fill of a zigzag against its non-zero fill, CPU s:";
  VGcontext* ctx = VGrecordingRenderer::CreateContext(kVGAntialias);
  for (int segments : {10000, 40000, 80000, 160000})
  {
    int tests = 0, unused = 0;
    std::vector<double> nonZeroRuns, evenOddRuns;
    for (int r = 0; r < kRuns; r++)
      if (r % 2)
      {
        evenOddRuns.push_back(FillSeconds(ctx, segments, kVGEvenOdd, &tests));
        nonZeroRuns.push_back(FillSeconds(ctx, segments, kVGNonZero, &unused));
      }
      else
      {
        nonZeroRuns.push_back(FillSeconds(ctx, segments, kVGNonZero, &unused));
        evenOddRuns.push_back(FillSeconds(ctx, segments, kVGEvenOdd, &tests));
      }
    const double nonZero = qorvbench::Median(nonZeroRuns), evenOdd = qorvbench::Median(evenOddRuns);
    const double ratio = qorvbench::MedianRatio(evenOddRuns, nonZeroRuns);
    std::printf("%7d  %.4f  %.4f  %.2fx  %d\n", segments, nonZero, evenOdd, ratio, tests);
    if (segments != 80000) continue;
    met = evenOdd <= 1.25 * nonZero + 0.2;
    char line[200];
    std::snprintf(line, sizeof line, " 80k segments %.4f / %.4f = %.2fx (target <= 1.25x + 0.2 s: %s)",
                  evenOdd, nonZero, ratio, qorvbench::Met(met));
    table += line;
  }
  vgDeleteContext(ctx);
  std::printf("%s\n", table.c_str());
  return met ? 0 : 1;
}
