// One full editor-sized frame (875 x 580 points) of mixed content - panels with shadows, knobs with
// gradients, arcs and labels, meters, lines and an image - drawn through the vector context and the GPU
// renderer on the software GPU into an off-screen framebuffer, and the same scene drawn by cairo into an
// image surface. Both sides are timed alike: CPU time of the whole process (the renderer draws large targets
// on worker threads) per frame. After the benchmarks one line gives the renderer's median over cairo's at
// each scale.
#include <QorvPlatform/Metal.h>
#include <benchmark/benchmark.h>
#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <vector>

#include "graphics/vector/MVGrenderer.h"
#include "graphics/vector/VGtext.h"
#include "tests/support/CairoPaths.h"

using namespace iplugin::igraphics;

namespace
{
constexpr int kW = 875, kH = 580;

struct Knob
{
  float x, y, r, value;
};

std::vector<Knob> Knobs()
{
  std::vector<Knob> k;
  for (int row = 0; row < 3; ++row)
    for (int col = 0; col < 12; ++col)
      k.push_back({60.0f + col * 68, 150.0f + row * 120, 22, (float)((row * 12 + col) % 10) / 9});
  return k;
}

std::vector<unsigned char> Logo()
{
  std::vector<unsigned char> px(64 * 32 * 4);
  for (int i = 0; i < 64 * 32; ++i)
  {
    px[i * 4] = (unsigned char)(i * 3), px[i * 4 + 1] = (unsigned char)(i / 9), px[i * 4 + 2] = 160,
           px[i * 4 + 3] = 255;
  }
  return px;
}

const char* const kFontPath = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

void DrawVector(VGcontext* vg, int logo)
{
  vgBeginPath(vg);
  vgRect(vg, 0, 0, kW, kH);
  vgFillPaint(vg, vgLinearGradient(0, 0, 0, kH, vgRGB(48, 52, 60), vgRGB(24, 26, 30)));
  vgFill(vg);
  for (int p = 0; p < 4; ++p)
  {
    vgBeginPath(vg);
    vgRoundedRect(vg, 18 + p * 212, 92, 204, 474, 12);
    vgFillColor(vg, vgRGBAf(0, 0, 0, 0.25f));
    vgFill(vg);
    vgBeginPath(vg);
    vgRoundedRect(vg, 22 + p * 212, 90, 196, 466, 8);
    vgFillColor(vg, vgRGB(70, 75, 86));
    vgFill(vg);
  }
  for (const Knob& k : Knobs())
  {
    vgBeginPath(vg);
    vgCircle(vg, k.x, k.y, k.r);
    vgFillPaint(vg, vgRadialGradient(k.x - 6, k.y - 6, 2, k.r, vgRGB(120, 126, 140), vgRGB(40, 42, 48)));
    vgFill(vg);
    vgBeginPath(vg);
    vgArc(vg, k.x, k.y, k.r + 5, kVGPi * 0.75f, kVGPi * (0.75f + 1.5f * k.value), kVGHole);
    vgStrokeWidth(vg, 3);
    vgLineCap(vg, kVGRound);
    vgStrokeColor(vg, vgRGB(240, 160, 40));
    vgStroke(vg);
    vgFontSize(vg, 11);
    vgFillColor(vg, vgRGB(220, 220, 220));
    vgText(vg, k.x - 18, k.y + k.r + 18, "Gain 0.0", nullptr);
  }
  for (int m = 0; m < 16; ++m)
  {
    float h = 40 + (m * 37) % 60;
    vgBeginPath(vg);
    vgRect(vg, 30 + m * 52, 540 - h, 8, h);
    vgFillPaint(vg, vgLinearGradient(0, 540 - h, 0, 540, vgRGB(250, 60, 40), vgRGB(60, 220, 90)));
    vgFill(vg);
  }
  vgBeginPath(vg);
  for (int i = 0; i < 60; ++i)
    i == 0 ? vgMoveTo(vg, 20, 40) : vgLineTo(vg, 20 + i * 14, 40 + 25 * std::sin(i * 0.4f));
  vgStrokeWidth(vg, 1.5f);
  vgStrokeColor(vg, vgRGBA(255, 255, 255, 200));
  vgStroke(vg);
  vgBeginPath(vg);
  vgRect(vg, 780, 20, 64, 32);
  vgFillPaint(vg, vgImagePattern(780, 20, 64, 32, 0, logo, 1.0f));
  vgFill(vg);
}

void DrawCairo(cairo_t* cr, cairo_surface_t* logo)
{
  cairo_select_font_face(cr, "DejaVu Sans", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
  cairo_pattern_t* bg = cairo_pattern_create_linear(0, 0, 0, kH);
  cairo_pattern_add_color_stop_rgb(bg, 0, 48 / 255.0, 52 / 255.0, 60 / 255.0);
  cairo_pattern_add_color_stop_rgb(bg, 1, 24 / 255.0, 26 / 255.0, 30 / 255.0);
  cairo_rectangle(cr, 0, 0, kW, kH);
  cairo_set_source(cr, bg);
  cairo_fill(cr);
  cairo_pattern_destroy(bg);

  for (int p = 0; p < 4; ++p)
  {
    qorvtest::CairoRoundedRect(cr, 18 + p * 212, 92, 204, 474, 12);
    cairo_set_source_rgba(cr, 0, 0, 0, 0.25);
    cairo_fill(cr);
    qorvtest::CairoRoundedRect(cr, 22 + p * 212, 90, 196, 466, 8);
    cairo_set_source_rgb(cr, 70 / 255.0, 75 / 255.0, 86 / 255.0);
    cairo_fill(cr);
  }
  for (const Knob& k : Knobs())
  {
    cairo_pattern_t* rad = cairo_pattern_create_radial(k.x - 6, k.y - 6, 2, k.x - 6, k.y - 6, k.r);
    cairo_pattern_add_color_stop_rgb(rad, 0, 120 / 255.0, 126 / 255.0, 140 / 255.0);
    cairo_pattern_add_color_stop_rgb(rad, 1, 40 / 255.0, 42 / 255.0, 48 / 255.0);
    cairo_arc(cr, k.x, k.y, k.r, 0, 2 * M_PI);
    cairo_set_source(cr, rad);
    cairo_fill(cr);
    cairo_pattern_destroy(rad);
    cairo_arc(cr, k.x, k.y, k.r + 5, M_PI * 0.75, M_PI * (0.75 + 1.5 * k.value));
    cairo_set_line_width(cr, 3);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_set_source_rgb(cr, 240 / 255.0, 160 / 255.0, 40 / 255.0);
    cairo_stroke(cr);
    cairo_set_font_size(cr, 11);
    cairo_set_source_rgb(cr, 220 / 255.0, 220 / 255.0, 220 / 255.0);
    cairo_move_to(cr, k.x - 18, k.y + k.r + 18);
    cairo_show_text(cr, "Gain 0.0");
  }
  for (int m = 0; m < 16; ++m)
  {
    double h = 40 + (m * 37) % 60;
    cairo_pattern_t* lin = cairo_pattern_create_linear(0, 540 - h, 0, 540);
    cairo_pattern_add_color_stop_rgb(lin, 0, 250 / 255.0, 60 / 255.0, 40 / 255.0);
    cairo_pattern_add_color_stop_rgb(lin, 1, 60 / 255.0, 220 / 255.0, 90 / 255.0);
    cairo_rectangle(cr, 30 + m * 52, 540 - h, 8, h);
    cairo_set_source(cr, lin);
    cairo_fill(cr);
    cairo_pattern_destroy(lin);
  }
  for (int i = 0; i < 60; ++i)
    cairo_line_to(cr, 20 + i * 14, 40 + 25 * std::sin(i * 0.4));
  cairo_set_line_width(cr, 1.5);
  cairo_set_source_rgba(cr, 1, 1, 1, 200 / 255.0);
  cairo_stroke(cr);
  cairo_set_source_surface(cr, logo, 780, 20);
  cairo_rectangle(cr, 780, 20, 64, 32);
  cairo_fill(cr);
}

// The renderer drawing the scene into an off-screen framebuffer of the scale's size.
class GpuScene
{
public:
  explicit GpuScene(int scale) : mScale(scale)
  {
    auto layer = CAMetalLayer::layer();
    layer->drawableSize = CGSizeMake(kW * scale, kH * scale);
    mVg = MvgCreateContext(layer, 0x2001);
    mFb = MvgFramebufferCreate(mVg, kW * scale, kH * scale, 0);
    auto px = Logo();
    mLogo = vgCreateImageRGBA(mVg, 64, 32, 0, px.data());
    vgFontFaceId(mVg, vgCreateFont(mVg, "sans", kFontPath));
  }
  ~GpuScene()
  {
    MvgFramebufferFree(mFb);
    MvgDelete(mVg);
  }
  GpuScene(const GpuScene&) = delete;
  GpuScene& operator=(const GpuScene&) = delete;

  // The software GPU runs synchronously here, so the frame is drawn when vgEndFrame returns.
  void Frame()
  {
    MvgSetCurrentFramebuffer(mFb);
    vgBeginFrame(mVg, kW, kH, (float)mScale);
    DrawVector(mVg, mLogo);
    vgEndFrame(mVg);
    MvgSetCurrentFramebuffer(nullptr);
  }

private:
  int mScale;
  VGcontext* mVg = nullptr;
  MVGframebuffer* mFb = nullptr;
  int mLogo = 0;
};

class CairoScene
{
public:
  explicit CairoScene(int scale)
      : mScale(scale), mSurface(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, kW * scale, kH * scale)),
        mLogo(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 64, 32))
  {
    // The renderer's logo, opaque, in cairo's native-endian BGRA words.
    const auto px = Logo();
    unsigned char* data = cairo_image_surface_get_data(mLogo);
    const int stride = cairo_image_surface_get_stride(mLogo);
    for (int y = 0; y < 32; ++y)
      for (int x = 0; x < 64; ++x)
      {
        const unsigned char* p = &px[(y * 64 + x) * 4];
        const uint32_t word = (uint32_t)p[3] << 24 | (uint32_t)p[0] << 16 | (uint32_t)p[1] << 8 | p[2];
        std::memcpy(data + y * stride + x * 4, &word, 4);
      }
    cairo_surface_mark_dirty(mLogo);
  }
  ~CairoScene()
  {
    cairo_surface_destroy(mLogo);
    cairo_surface_destroy(mSurface);
  }
  CairoScene(const CairoScene&) = delete;
  CairoScene& operator=(const CairoScene&) = delete;

  void Frame()
  {
    cairo_t* cr = cairo_create(mSurface);
    cairo_scale(cr, mScale, mScale);
    DrawCairo(cr, mLogo);
    cairo_destroy(cr);
    cairo_surface_flush(mSurface);
  }

private:
  int mScale;
  cairo_surface_t* mSurface;
  cairo_surface_t* mLogo;
};

template <class Scene> void BM_Frame(benchmark::State& state)
{
  Scene scene((int)state.range(0));
  for (auto _ : state)
    scene.Frame();
}

double ProcessCpuSeconds()
{
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return (double)t.tv_sec + (double)t.tv_nsec * 1e-9;
}

// CPU seconds per frame over a batch of frames.
template <class Scene> double BatchSeconds(Scene& scene, int frames)
{
  const double start = ProcessCpuSeconds();
  for (int i = 0; i < frames; ++i)
    scene.Frame();
  return (ProcessCpuSeconds() - start) / frames;
}

// Both sides measured the same way, their batches taking turns so that a change in the machine's load
// falls on both: after a few frames that warm caches, the median of five batches of about 0.2 s.
void PrintRatios()
{
  constexpr int kBatches = 5;
  std::printf("table: renderer frame vs cairo, CPU ms per frame (median of %d), target at most 3x:", kBatches);
  for (int scale : {1, 2})
  {
    GpuScene gpu(scale);
    CairoScene cairo(scale);
    for (int i = 0; i < 3; ++i)
      gpu.Frame(), cairo.Frame();
    const int gpuFrames = std::max(3, (int)(0.2 / BatchSeconds(gpu, 2)));
    const int cairoFrames = std::max(3, (int)(0.2 / BatchSeconds(cairo, 2)));
    std::vector<double> g, c;
    for (int b = 0; b < kBatches; ++b)
    {
      g.push_back(BatchSeconds(gpu, gpuFrames));
      c.push_back(BatchSeconds(cairo, cairoFrames));
    }
    std::nth_element(g.begin(), g.begin() + kBatches / 2, g.end());
    std::nth_element(c.begin(), c.begin() + kBatches / 2, c.end());
    const double gm = g[kBatches / 2] * 1e3, cm = c[kBatches / 2] * 1e3;
    std::printf("  scale %d: %.2f / %.2f = %.2fx", scale, gm, cm, gm / cm);
  }
  std::printf("\n");
}
} // namespace

BENCHMARK_TEMPLATE(BM_Frame, GpuScene)
    ->Arg(1)
    ->Arg(2)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime();
BENCHMARK_TEMPLATE(BM_Frame, CairoScene)
    ->Arg(1)
    ->Arg(2)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime();

int main(int argc, char** argv)
{
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  PrintRatios();
  return 0;
}
