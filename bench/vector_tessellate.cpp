// Tessellation of a typical editor frame: a few hundred rectangles, rounded rectangles, arcs and
// strokes, recorded by the in-memory renderer. Reports paths filled or stroked per second.
#include <benchmark/benchmark.h>

#include "tests/support/VGrecordingRenderer.h"

using namespace iplugin::igraphics;

namespace
{
constexpr int kStrips = 8;
constexpr int kKnobsPerStrip = 6;

// Returns the number of paths drawn.
int DrawFrame(VGcontext* ctx, float ratio)
{
  int paths = 0;
  vgBeginFrame(ctx, 875, 580, ratio);
  // Background panels.
  for (int i = 0; i < 40; i++)
  {
    vgBeginPath(ctx);
    vgRect(ctx, (float)(i % 8) * 100.0f, (float)(i / 8) * 100.0f, 96, 96);
    vgFillColor(ctx, vgRGBAf(0.2f, 0.2f, 0.25f, 1));
    vgFill(ctx);
    paths++;
  }
  // Channel strips: buttons, knobs with value arcs, meters.
  for (int s = 0; s < kStrips; s++)
  {
    float x = 20.0f + s * 105.0f;
    for (int b = 0; b < 6; b++)
    {
      vgBeginPath(ctx);
      vgRoundedRect(ctx, x, 40.0f + b * 24.0f, 90, 20, 4);
      vgFillPaint(
          ctx, vgLinearGradient(x, 40, x, 60, vgRGBAf(0.4f, 0.4f, 0.5f, 1), vgRGBAf(0.3f, 0.3f, 0.35f, 1)));
      vgFill(ctx);
      vgStrokeWidth(ctx, 1);
      vgStrokeColor(ctx, vgRGBAf(0, 0, 0, 1));
      vgStroke(ctx);
      paths += 2;
    }
    for (int k = 0; k < kKnobsPerStrip; k++)
    {
      float cx = x + 45, cy = 200.0f + k * 60.0f;
      vgBeginPath(ctx);
      vgCircle(ctx, cx, cy, 20);
      vgFillColor(ctx, vgRGBAf(0.6f, 0.6f, 0.6f, 1));
      vgFill(ctx);
      vgBeginPath(ctx);
      vgArc(ctx, cx, cy, 24, vgDegToRad(135), vgDegToRad(135 + 27.0f * (k + 1)), kVGHole);
      vgStrokeWidth(ctx, 3);
      vgLineCap(ctx, kVGRound);
      vgStroke(ctx);
      vgBeginPath(ctx);
      vgMoveTo(ctx, cx, cy);
      vgLineTo(ctx, cx + 15, cy - 10);
      vgLineCap(ctx, kVGButt);
      vgStrokeWidth(ctx, 2);
      vgStroke(ctx);
      paths += 3;
    }
    for (int m = 0; m < 30; m++)
    {
      vgBeginPath(ctx);
      vgRect(ctx, x + 80, 560.0f - m * 6.0f, 8, 5);
      vgFillColor(ctx, vgRGBAf(0.1f, 0.8f, 0.2f, 1));
      vgFill(ctx);
      paths++;
    }
  }
  vgEndFrame(ctx);
  return paths;
}

void BM_EditorFrame(benchmark::State& state)
{
  float ratio = (float)state.range(0);
  VGcontext* ctx = VGrecordingRenderer::CreateContext(kVGAntialias);
  int paths = 0;
  for (auto _ : state)
    paths = DrawFrame(ctx, ratio);
  vgDeleteContext(ctx);
  state.SetItemsProcessed(state.iterations() * paths);
  state.counters["paths_per_frame"] = paths;
}
BENCHMARK(BM_EditorFrame)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);

void BM_StrokeRoundedRect(benchmark::State& state)
{
  VGcontext* ctx = VGrecordingRenderer::CreateContext(kVGAntialias);
  vgBeginFrame(ctx, 875, 580, 1);
  for (auto _ : state)
  {
    vgBeginPath(ctx);
    vgRoundedRect(ctx, 10, 10, 200, 100, 12);
    vgLineJoin(ctx, kVGRound);
    vgStroke(ctx);
    vgCancelFrame(ctx);
    vgBeginFrame(ctx, 875, 580, 1);
  }
  vgDeleteContext(ctx);
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_StrokeRoundedRect);
} // namespace
