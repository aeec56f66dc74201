// Fills that are not one convex outline, drawn by the vector context through the GPU renderer on the software
// GPU at scale 1: their coverage counted in a stencil of 16 samples a pixel (sampledFills, the path now
// taken) against the path it replaced (a stencil of one sample, covered at pixel centres and fringed outside;
// the switch off). Shapes: a five-armed star N pixels across, a ring (a disc and its hole, two sub-paths) N
// across and N / 8 thick, an L of arms N long and 1 pixel wide, and as the control a convex ellipse N by
// N / 2 (the same path either way). Reports CPU milliseconds of a frame of 20 such fills on a 600 by 600
// target (clear and present included), medians of 9 rounds in which the two take turns, and the median of
// the rounds' ratios. Target: the sampled path at most 3 times the one it replaced at every size (its fan
// marks 16 samples a pixel where an edge passes, its cover reads them, and the frame clears a stencil 16
// times larger), and the convex ellipse within 5 %. Left out: what the frame's other draws cost (an editor
// frame: see bench_editor_frame) and scales above 1 (the pixels, and the cost, grow as its square on both
// paths).
#include "bench/Rounds.h"
#include "tests/vector/MetalTestContext.h"

#include "graphics/vector/VGcontext.h"
#include "graphics/vector/VGoptions.h"

#include <cmath>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

using namespace iplugin::igraphics;

namespace
{
constexpr int kRounds = 9;
constexpr int kFills = 20;
constexpr int kSide = 600;
constexpr double kMostRatio = 3.0, kConvexSpread = 0.05;

void Ellipse(VGcontext* ctx, float cx, float cy, float rx, float ry, bool hole)
{
  constexpr int kPoints = 64;
  for (int k = 0; k <= kPoints; k++)
  {
    const float a = (hole ? -6.2831853f : 6.2831853f) * float(k) / float(kPoints);
    const float x = cx + rx * std::cos(a), y = cy + ry * std::sin(a);
    k == 0 ? vgMoveTo(ctx, x, y) : vgLineTo(ctx, x, y);
  }
  vgClosePath(ctx);
  if (hole) vgPathWinding(ctx, kVGHole);
}

struct Shape
{
  const char* name;
  std::function<void(VGcontext*, float n)> path;
};

const Shape kShapes[] = {
    {"star",
     [](VGcontext* ctx, float n)
     {
       for (int i = 0; i < 10; i++)
       {
         const float a = 3.14159265f * float(i) / 5.0f, r = (i % 2 ? 0.45f : 1.0f) * n / 2;
         const float x = kSide / 2.0f + r * std::sin(a), y = kSide / 2.0f - r * std::cos(a);
         i == 0 ? vgMoveTo(ctx, x, y) : vgLineTo(ctx, x, y);
       }
       vgClosePath(ctx);
     }},
    {"ring",
     [](VGcontext* ctx, float n)
     {
       Ellipse(ctx, kSide / 2.0f, kSide / 2.0f, n / 2, n / 2, false);
       Ellipse(ctx, kSide / 2.0f, kSide / 2.0f, n / 2 - n / 8, n / 2 - n / 8, true);
     }},
    {"thin L",
     [](VGcontext* ctx, float n)
     {
       const float x = (kSide - n) / 2.0f, y = x;
       vgMoveTo(ctx, x, y), vgLineTo(ctx, x + n, y), vgLineTo(ctx, x + n, y + 1), vgLineTo(ctx, x + 1, y + 1);
       vgLineTo(ctx, x + 1, y + n), vgLineTo(ctx, x, y + n), vgClosePath(ctx);
     }},
    {"convex ellipse",
     [](VGcontext* ctx, float n) { Ellipse(ctx, kSide / 2.0f, kSide / 2.0f, n / 2, n / 4, false); }},
};

// CPU milliseconds of a frame of kFills fills of the shape n pixels across.
double FrameMs(qorvtest::MetalContext& m, const Shape& shape, float n, bool sampled)
{
  VGoptions options;
  options.sampledFills = sampled;
  vgSetOptions(m.ctx, options);
  const double start = qorvbench::CpuSeconds();
  m.Begin();
  for (int i = 0; i < kFills; i++)
  {
    vgBeginPath(m.ctx);
    shape.path(m.ctx, n);
    vgFillColor(m.ctx, vgRGBAf(0, 0, 0, 0.05f));
    vgFill(m.ctx);
  }
  m.End();
  return (qorvbench::CpuSeconds() - start) * 1e3;
}
} // namespace

int main()
{
  qorvtest::MetalContext m(kSide, kSide);
  std::printf("fill of N pixels across, CPU ms of a frame of %d fills (medians of %d rounds taking turns): "
              "shape, N, sampled, replaced, sampled / replaced\n",
              kFills, kRounds);
  bool met = true;
  std::string table = "table: sampled against replaced fills, shape N: ratio";
  for (const Shape& shape : kShapes)
    for (float n : {8.0f, 32.0f, 128.0f, 512.0f})
    {
      std::vector<double> sampled, replaced;
      for (int r = 0; r < kRounds; r++)
      {
        if (r % 2) replaced.push_back(FrameMs(m, shape, n, false));
        sampled.push_back(FrameMs(m, shape, n, true));
        if (!(r % 2)) replaced.push_back(FrameMs(m, shape, n, false));
      }
      const double ratio = qorvbench::MedianRatio(sampled, replaced);
      const bool convex = std::string(shape.name) == "convex ellipse";
      met = met && (convex ? std::fabs(ratio - 1.0) <= kConvexSpread : ratio <= kMostRatio);
      std::printf("%-15s %4.0f  %8.3f  %8.3f  %5.2fx\n", shape.name, n, qorvbench::Median(sampled),
                  qorvbench::Median(replaced), ratio);
      char row[64];
      std::snprintf(row, sizeof row, " %s %.0f: %.2fx", shape.name, n, ratio);
      table += row;
    }
  std::printf("%s (target <= %.0fx, the convex ellipse within %.0f %%: %s)\n", table.c_str(), kMostRatio,
              kConvexSpread * 100, qorvbench::Met(met));
  return met ? 0 : 1;
}
