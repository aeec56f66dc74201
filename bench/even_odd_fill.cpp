// An even-odd fill of a long zigzag (stacked segments, no crossings) against the non-zero fill of the same
// path, both through the vector context on the recording renderer: what the search for crossings adds to
// the geometry. Reports the median CPU time of five fills of each.
#include "tests/support/VGrecordingRenderer.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

using namespace iplugin::igraphics;

namespace
{
constexpr int kRuns = 5;

double CpuSeconds()
{
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

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

// Median CPU seconds of one fill of the zigzag under the rule; also answers the pairs of segments compared.
double FillSeconds(int segments, int rule, int* tests)
{
  VGcontext* ctx = VGrecordingRenderer::CreateContext(kVGAntialias);
  std::vector<double> runs;
  for (int r = 0; r < kRuns; r++)
  {
    vgBeginFrame(ctx, 400, 300, 1);
    Zigzag(ctx, segments);
    vgFillRule(ctx, rule);
    const double start = CpuSeconds();
    vgFill(ctx);
    runs.push_back(CpuSeconds() - start);
    *tests = ctx->crossingTests;
    vgCancelFrame(ctx);
  }
  vgDeleteContext(ctx);
  std::nth_element(runs.begin(), runs.begin() + kRuns / 2, runs.end());
  return runs[kRuns / 2];
}
} // namespace

int main()
{
  std::printf("zigzag fill, median CPU seconds of %d: segments, non-zero, even-odd, ratio, pairs compared\n",
              kRuns);
  bool met = true;
  std::string table = "table: even-odd fill of a zigzag against its non-zero fill, CPU s:";
  for (int segments : {10000, 40000, 80000, 160000})
  {
    int tests = 0;
    const double nonZero = FillSeconds(segments, kVGNonZero, &tests);
    const double evenOdd = FillSeconds(segments, kVGEvenOdd, &tests);
    std::printf("%7d  %.4f  %.4f  %.2fx  %d\n", segments, nonZero, evenOdd, evenOdd / nonZero, tests);
    if (segments != 80000) continue;
    met = evenOdd <= 1.25 * nonZero + 0.2;
    char line[200];
    std::snprintf(line, sizeof line, " 80k segments %.4f / %.4f = %.2fx (target <= 1.25x + 0.2 s: %s)",
                  evenOdd, nonZero, evenOdd / nonZero, met ? "met" : "MISSED");
    table += line;
  }
  std::printf("%s\n", table.c_str());
  return met ? 0 : 1;
}
