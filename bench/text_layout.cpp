// Text on the vector context, recorded by the in-memory renderer: labels drawn from glyphs already in
// the atlas (the steady state of an editor frame), the same after an atlas reset (every glyph rasterised
// again), and line breaking of a paragraph. Reports glyphs or bytes per second.
#include <benchmark/benchmark.h>

#include "graphics/vector/FontAtlas.h"
#include "tests/support/VGrecordingRenderer.h"
#include "graphics/vector/VGtext.h"

#include <cstring>

using namespace iplugin::igraphics;

namespace
{
const char* const kLabels[] = {"Gain",        "-12.5 dB",       "Threshold",
                               "Attack 5 ms", "Release 120 ms", "Channel 8",
                               "NOM",         "Auto",           "Preset: Panel discussion",
                               "0123456789"};
const char* const kParagraph =
    "The automatic mixer lowers the gain of every open microphone that is not being spoken into, so that "
    "the total gain of the system stays as if one microphone were open. Each channel's share follows its "
    "level relative to the sum of all levels, smoothed over a short time.";

VGcontext* MakeContext()
{
  VGcontext* ctx = VGrecordingRenderer::CreateContext(kVGAntialias);
  vgCreateFont(ctx, "Roboto-Regular.ttf",
               "/usr/share/fonts/truetype/roboto/unhinted/RobotoTTF/Roboto-Regular.ttf");
  return ctx;
}

int DrawLabels(VGcontext* ctx)
{
  int glyphs = 0;
  vgBeginFrame(ctx, 875, 580, 2.0f);
  vgFontFace(ctx, "Roboto-Regular.ttf");
  vgFontSize(ctx, 13);
  for (int i = 0; i < 20; ++i)
    for (const char* label : kLabels)
    {
      vgText(ctx, (float)(i * 40), (float)(i * 25), label, nullptr);
      glyphs += (int)strlen(label);
    }
  vgEndFrame(ctx);
  return glyphs;
}

void BM_LabelsCached(benchmark::State& state)
{
  VGcontext* ctx = MakeContext();
  DrawLabels(ctx);
  int64_t glyphs = 0;
  for (auto _ : state)
    glyphs += DrawLabels(ctx);
  state.SetItemsProcessed(glyphs);
  vgDeleteContext(ctx);
}
BENCHMARK(BM_LabelsCached);

void BM_LabelsAfterAtlasReset(benchmark::State& state)
{
  VGcontext* ctx = MakeContext();
  int64_t glyphs = 0;
  for (auto _ : state)
  {
    FontAtlasResetAtlas(ctx->fs, 512, 512);
    glyphs += DrawLabels(ctx);
  }
  state.SetItemsProcessed(glyphs);
  vgDeleteContext(ctx);
}
BENCHMARK(BM_LabelsAfterAtlasReset);

void BM_BreakParagraph(benchmark::State& state)
{
  VGcontext* ctx = MakeContext();
  vgBeginFrame(ctx, 875, 580, 1.0f);
  vgFontFace(ctx, "Roboto-Regular.ttf");
  vgFontSize(ctx, 14);
  VGtextRow rows[32];
  for (auto _ : state)
    benchmark::DoNotOptimize(vgTextBreakLines(ctx, kParagraph, nullptr, 180, rows, 32));
  state.SetBytesProcessed((int64_t)state.iterations() * (int64_t)strlen(kParagraph));
  vgDeleteContext(ctx);
}
BENCHMARK(BM_BreakParagraph);
} // namespace
