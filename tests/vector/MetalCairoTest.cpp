// Scenes drawn through the vector context and the GPU renderer, compared with the same scenes drawn by
// cairo. Both give premultiplied RGBA; interior pixels may differ by a few levels, anti-aliased edges
// more, and a small share of pixels may differ beyond that. Failing comparisons write their images to
// <build>/cairo-compare.
#include "tests/support/CairoPaths.h"
#include "tests/support/TestPaths.h"
#include "graphics/vector/VGtext.h"
#include "graphics/vector/MVGshaders.h"
#include "tests/vector/MetalTestContext.h"

#include <cairo-ft.h>
#include <cairo.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>

using namespace iplugin::igraphics;
using qorvtest::CairoRoundedRect;

namespace
{
constexpr int kWidth = 160;
constexpr int kHeight = 120;

struct Colour
{
  double r, g, b, a;
};

VGcolor Vg(Colour c)
{
  return vgRGBAf((float)c.r, (float)c.g, (float)c.b, (float)c.a);
}
void Source(cairo_t* cr, Colour c)
{
  cairo_set_source_rgba(cr, c.r, c.g, c.b, c.a);
}

struct Scene
{
  const char* name;
  std::function<void(VGcontext*)> vg;
  std::function<void(cairo_t*)> cairo;
};

// What the vector side does wrong on purpose, to prove that a comparison sees it.
enum class Fault
{
  kNone,
  kNoAntiAlias,
  kAlpha85
};

qorvtest::RgbaImage DrawVector(const Scene& scene, float ratio, Fault fault = Fault::kNone,
                               const VGoptions& options = {})
{
  qorvtest::MetalContext m(kWidth, kHeight, 0x2001, ratio);
  vgSetOptions(m.ctx, options);
  MVGframebuffer* fb = MvgFramebufferCreate(m.ctx, (int)(kWidth * ratio), (int)(kHeight * ratio), 0);
  MvgSetCurrentFramebuffer(fb);
  MvgClearWithColor(m.ctx, vgRGBAf(0, 0, 0, 0));
  vgBeginFrame(m.ctx, kWidth, kHeight, ratio);
  if (fault == Fault::kNoAntiAlias) vgShapeAntiAlias(m.ctx, 0);
  if (fault == Fault::kAlpha85) vgGlobalAlpha(m.ctx, 0.85f);
  scene.vg(m.ctx);
  vgEndFrame(m.ctx);
  MvgSetCurrentFramebuffer(nullptr);
  qorvtest::RgbaImage image{(int)(kWidth * ratio), (int)(kHeight * ratio), {}};
  image.rgba.resize((size_t)image.width * image.height * 4);
  MvgReadPixels(m.ctx, fb->image, 0, 0, image.width, image.height, image.rgba.data());
  MvgFramebufferFree(fb);
  return image;
}

qorvtest::RgbaImage DrawCairo(const Scene& scene, float ratio)
{
  int w = (int)(kWidth * ratio), h = (int)(kHeight * ratio);
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h);
  cairo_t* cr = cairo_create(surface);
  cairo_scale(cr, ratio, ratio);
  scene.cairo(cr);
  cairo_destroy(cr);
  cairo_surface_flush(surface);
  qorvtest::RgbaImage image{w, h, std::vector<uint8_t>((size_t)w * h * 4)};
  const unsigned char* data = cairo_image_surface_get_data(surface);
  int stride = cairo_image_surface_get_stride(surface);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
    {
      uint32_t p;
      std::memcpy(&p, data + y * stride + x * 4, 4);
      uint8_t* o = &image.rgba[((size_t)y * w + x) * 4];
      o[0] = (uint8_t)(p >> 16), o[1] = (uint8_t)(p >> 8), o[2] = (uint8_t)p, o[3] = (uint8_t)(p >> 24);
    }
  cairo_surface_destroy(surface);
  return image;
}

// Both sides' paths.
void VgRoundedRect(VGcontext* vg, float x, float y, float w, float h, float r)
{
  vgRoundedRect(vg, x, y, w, h, r);
}

const Colour kRed{0.85, 0.15, 0.1, 1}, kBlue{0.1, 0.3, 0.8, 1}, kGreen{0.1, 0.6, 0.3, 1},
    kInk{0.1, 0.1, 0.1, 1};

// A concave arrow whose fan crosses outside it, so only the stencil gets it right.
const float kConcave[][2] = {{80, 80}, {115, 62}, {150, 80}, {150, 112}, {115, 90}, {80, 112}, {95, 96}};
const int kConcaveCount = 7;

// Fills: a hole by winding, overlapping solids (non-zero keeps both), a concave polygon.
Scene Fills()
{
  return {"fills",
          [](VGcontext* vg)
          {
            vgBeginPath(vg);
            VgRoundedRect(vg, 10, 10, 60, 60, 10);
            vgCircle(vg, 40, 40, 18);
            vgPathWinding(vg, kVGHole);
            vgFillColor(vg, Vg(kBlue));
            vgFill(vg);
            vgBeginPath(vg);
            vgCircle(vg, 100, 35, 22);
            vgCircle(vg, 125, 35, 22);
            vgFillColor(vg, Vg(kRed));
            vgFill(vg);
            vgBeginPath(vg);
            for (int i = 0; i < kConcaveCount; ++i)
              i == 0 ? vgMoveTo(vg, kConcave[i][0], kConcave[i][1])
                     : vgLineTo(vg, kConcave[i][0], kConcave[i][1]);
            vgClosePath(vg);
            vgFillColor(vg, Vg(kGreen));
            vgFill(vg);
          },
          [](cairo_t* cr)
          {
            CairoRoundedRect(cr, 10, 10, 60, 60, 10);
            cairo_new_sub_path(cr);
            cairo_arc_negative(cr, 40, 40, 18, 0, -2 * M_PI);
            Source(cr, kBlue);
            cairo_fill(cr);
            cairo_new_sub_path(cr);
            cairo_arc(cr, 100, 35, 22, 0, 2 * M_PI);
            cairo_new_sub_path(cr);
            cairo_arc(cr, 125, 35, 22, 0, 2 * M_PI);
            Source(cr, kRed);
            cairo_fill(cr);
            for (int i = 0; i < kConcaveCount; ++i)
              cairo_line_to(cr, kConcave[i][0], kConcave[i][1]);
            cairo_close_path(cr);
            Source(cr, kGreen);
            cairo_fill(cr);
          }};
}

// Strokes of widths 1, 3 and 8 with every cap and join.
Scene Strokes()
{
  auto polyline = [](int i, float* xs, float* ys)
  {
    float x0 = 12 + (i % 3) * 50, y0 = 15 + (i / 3) * 38;
    const float dx[4] = {0, 12, 24, 36}, dy[4] = {18, 0, 20, 4};
    for (int k = 0; k < 4; ++k)
      xs[k] = x0 + dx[k], ys[k] = y0 + dy[k];
  };
  const int caps[3] = {kVGButt, kVGRound, kVGSquare};
  const int joins[3] = {kVGMiter, kVGRound, kVGBevel};
  const cairo_line_cap_t ccaps[3] = {CAIRO_LINE_CAP_BUTT, CAIRO_LINE_CAP_ROUND, CAIRO_LINE_CAP_SQUARE};
  const cairo_line_join_t cjoins[3] = {CAIRO_LINE_JOIN_MITER, CAIRO_LINE_JOIN_ROUND, CAIRO_LINE_JOIN_BEVEL};
  const float widths[3] = {1, 3, 8};
  return {"strokes",
          [=](VGcontext* vg)
          {
            for (int i = 0; i < 9; ++i)
            {
              float xs[4], ys[4];
              polyline(i, xs, ys);
              vgBeginPath(vg);
              vgMoveTo(vg, xs[0], ys[0]);
              for (int k = 1; k < 4; ++k)
                vgLineTo(vg, xs[k], ys[k]);
              vgLineCap(vg, caps[i % 3]);
              vgLineJoin(vg, joins[i / 3]);
              vgMiterLimit(vg, 10);
              vgStrokeWidth(vg, widths[i / 3]);
              vgStrokeColor(vg, Vg(kInk));
              vgStroke(vg);
            }
          },
          [=](cairo_t* cr)
          {
            for (int i = 0; i < 9; ++i)
            {
              float xs[4], ys[4];
              polyline(i, xs, ys);
              cairo_move_to(cr, xs[0], ys[0]);
              for (int k = 1; k < 4; ++k)
                cairo_line_to(cr, xs[k], ys[k]);
              cairo_set_line_cap(cr, ccaps[i % 3]);
              cairo_set_line_join(cr, cjoins[i / 3]);
              cairo_set_miter_limit(cr, 10);
              cairo_set_line_width(cr, widths[i / 3]);
              Source(cr, kInk);
              cairo_stroke(cr);
            }
          }};
}

// Arcs in both directions, a stroked circle and a filled rounded rectangle.
Scene ArcsAndRoundedRects()
{
  return {"arcs_rounded_rects",
          [](VGcontext* vg)
          {
            vgBeginPath(vg);
            vgArc(vg, 40, 40, 25, 0, kVGPi * 1.25f, kVGHole);
            vgStrokeWidth(vg, 5);
            vgStrokeColor(vg, Vg(kBlue));
            vgStroke(vg);
            vgBeginPath(vg);
            vgArc(vg, 110, 40, 25, 0, -kVGPi * 0.75f, kVGSolid);
            vgStrokeColor(vg, Vg(kRed));
            vgStroke(vg);
            vgBeginPath(vg);
            vgCircle(vg, 40, 92, 18);
            vgStrokeWidth(vg, 2);
            vgStrokeColor(vg, Vg(kInk));
            vgStroke(vg);
            vgBeginPath(vg);
            VgRoundedRect(vg, 80, 75, 70, 35, 12);
            vgFillColor(vg, Vg(kGreen));
            vgFill(vg);
          },
          [](cairo_t* cr)
          {
            cairo_set_line_cap(cr, CAIRO_LINE_CAP_BUTT);
            cairo_arc(cr, 40, 40, 25, 0, M_PI * 1.25);
            cairo_set_line_width(cr, 5);
            Source(cr, kBlue);
            cairo_stroke(cr);
            cairo_arc_negative(cr, 110, 40, 25, 0, -M_PI * 0.75);
            Source(cr, kRed);
            cairo_stroke(cr);
            cairo_arc(cr, 40, 92, 18, 0, 2 * M_PI);
            cairo_close_path(cr);
            cairo_set_line_width(cr, 2);
            Source(cr, kInk);
            cairo_stroke(cr);
            CairoRoundedRect(cr, 80, 75, 70, 35, 12);
            Source(cr, kGreen);
            cairo_fill(cr);
          }};
}

Scene Gradients()
{
  const Colour a{1, 0.8, 0, 1}, b{0, 0.25, 0.65, 1}, c{1, 1, 1, 1}, d{0.6, 0, 0.45, 1};
  return {"gradients",
          [=](VGcontext* vg)
          {
            vgBeginPath(vg);
            vgRect(vg, 5, 5, 70, 50);
            vgFillPaint(vg, vgLinearGradient(10, 10, 70, 50, Vg(a), Vg(b)));
            vgFill(vg);
            vgBeginPath(vg);
            vgCircle(vg, 120, 32, 28);
            vgFillPaint(vg, vgRadialGradient(120, 32, 6, 28, Vg(c), Vg(d)));
            vgFill(vg);
            vgBeginPath(vg);
            vgRect(vg, 5, 62, 150, 53);
            vgFillPaint(vg, vgBoxGradient(20, 72, 120, 33, 8, 12, Vg(c), Vg(kGreen)));
            vgFill(vg);
          },
          [=](cairo_t* cr)
          {
            cairo_pattern_t* lin = cairo_pattern_create_linear(10, 10, 70, 50);
            cairo_pattern_add_color_stop_rgba(lin, 0, a.r, a.g, a.b, a.a);
            cairo_pattern_add_color_stop_rgba(lin, 1, b.r, b.g, b.b, b.a);
            cairo_pattern_set_extend(lin, CAIRO_EXTEND_PAD);
            cairo_rectangle(cr, 5, 5, 70, 50);
            cairo_set_source(cr, lin);
            cairo_fill(cr);
            cairo_pattern_destroy(lin);
            cairo_pattern_t* rad = cairo_pattern_create_radial(120, 32, 6, 120, 32, 28);
            cairo_pattern_add_color_stop_rgba(rad, 0, c.r, c.g, c.b, c.a);
            cairo_pattern_add_color_stop_rgba(rad, 1, d.r, d.g, d.b, d.a);
            cairo_pattern_set_extend(rad, CAIRO_EXTEND_PAD);
            cairo_arc(cr, 120, 32, 28, 0, 2 * M_PI);
            cairo_set_source(cr, rad);
            cairo_fill(cr);
            cairo_pattern_destroy(rad);
            const double in[4] = {c.r, c.g, c.b, c.a}, out[4] = {kGreen.r, kGreen.g, kGreen.b, kGreen.a};
            cairo_surface_t* box = qorvtest::CairoBoxGradientImage(kWidth, kHeight, 1, 20, 72, 120, 33, 8, 12, in, out);
            cairo_rectangle(cr, 5, 62, 150, 53);
            cairo_set_source_surface(cr, box, 0, 0);
            cairo_fill(cr);
            cairo_surface_destroy(box);
          }};
}

// An 8 x 8 image with a coloured border, repeated with nearest filtering, and scaled up linearly.
std::vector<unsigned char> PatternPixels()
{
  std::vector<unsigned char> px(8 * 8 * 4);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x)
    {
      unsigned char* p = &px[(y * 8 + x) * 4];
      bool edge = x == 0 || y == 0;
      p[0] = edge ? 200 : (unsigned char)(x * 30);
      p[1] = edge ? 40 : (unsigned char)(y * 30);
      p[2] = 120;
      p[3] = 255;
    }
  return px;
}

// Fills a rectangle with an image whose pixels are 1 / scale units wide, starting at the rectangle's corner.
void FillWithImage(cairo_t* cr, cairo_surface_t* image, double x, double y, double w, double h, double scale,
                   cairo_extend_t extend, cairo_filter_t filter)
{
  cairo_pattern_t* pat = cairo_pattern_create_for_surface(image);
  cairo_matrix_t m;
  cairo_matrix_init_scale(&m, scale, scale);
  cairo_matrix_translate(&m, -x, -y);
  cairo_pattern_set_matrix(pat, &m);
  cairo_pattern_set_extend(pat, extend);
  cairo_pattern_set_filter(pat, filter);
  cairo_rectangle(cr, x, y, w, h);
  cairo_set_source(cr, pat);
  cairo_fill(cr);
  cairo_pattern_destroy(pat);
}

Scene ImagePatterns()
{
  return {"image_patterns",
          [](VGcontext* vg)
          {
            auto px = PatternPixels();
            int repeat =
                vgCreateImageRGBA(vg, 8, 8, kVGImageRepeatX | kVGImageRepeatY | kVGImageNearest, px.data());
            int smooth = vgCreateImageRGBA(vg, 8, 8, 0, px.data());
            vgBeginPath(vg);
            vgRect(vg, 5, 5, 70, 110);
            vgFillPaint(vg, vgImagePattern(5, 5, 16, 16, 0, repeat, 1.0f));
            vgFill(vg);
            vgBeginPath(vg);
            vgRect(vg, 85, 20, 64, 64);
            vgFillPaint(vg, vgImagePattern(85, 20, 64, 64, 0, smooth, 1.0f));
            vgFill(vg);
          },
          [](cairo_t* cr)
          {
            auto px = PatternPixels();
            cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 8, 8);
            unsigned char* data = cairo_image_surface_get_data(s);
            for (int i = 0; i < 64; ++i)
            {
              uint32_t p =
                  (uint32_t)px[i * 4 + 3] << 24 | px[i * 4] << 16 | px[i * 4 + 1] << 8 | px[i * 4 + 2];
              std::memcpy(data + (i / 8) * cairo_image_surface_get_stride(s) + (i % 8) * 4, &p, 4);
            }
            cairo_surface_mark_dirty(s);
            FillWithImage(cr, s, 5, 5, 70, 110, 0.5, CAIRO_EXTEND_REPEAT, CAIRO_FILTER_NEAREST);
            FillWithImage(cr, s, 85, 20, 64, 64, 0.125, CAIRO_EXTEND_PAD, CAIRO_FILTER_BILINEAR);
            cairo_surface_destroy(s);
          }};
}

// A scissor made under a rotation and a scale clips a fill made under another transform.
Scene ScissorsUnderTransforms()
{
  return {"scissors",
          [](VGcontext* vg)
          {
            vgSave(vg);
            vgTranslate(vg, 50, 60);
            vgRotate(vg, 0.4f);
            vgScissor(vg, -30, -20, 60, 40);
            vgResetTransform(vg);
            vgBeginPath(vg);
            vgCircle(vg, 50, 60, 40);
            vgFillColor(vg, Vg(kBlue));
            vgFill(vg);
            vgRestore(vg);
            vgSave(vg);
            vgTranslate(vg, 115, 60);
            vgScale(vg, 1.5f, 0.75f);
            vgScissor(vg, -20, -40, 40, 80);
            vgBeginPath(vg);
            vgRect(vg, -40, -70, 80, 140);
            vgFillColor(vg, Vg(kRed));
            vgFill(vg);
            vgRestore(vg);
          },
          [](cairo_t* cr)
          {
            cairo_save(cr);
            cairo_translate(cr, 50, 60);
            cairo_rotate(cr, 0.4);
            cairo_rectangle(cr, -30, -20, 60, 40);
            cairo_restore(cr);
            cairo_clip(cr);
            cairo_arc(cr, 50, 60, 40, 0, 2 * M_PI);
            Source(cr, kBlue);
            cairo_fill(cr);
            cairo_reset_clip(cr);
            cairo_save(cr);
            cairo_translate(cr, 115, 60);
            cairo_scale(cr, 1.5, 0.75);
            cairo_rectangle(cr, -20, -40, 40, 80);
            cairo_clip(cr);
            cairo_rectangle(cr, -40, -70, 80, 140);
            Source(cr, kRed);
            cairo_fill(cr);
            cairo_restore(cr);
          }};
}

// Composite operations limited to the drawn shape: a translucent red square over a blue circle, one
// operation a tile. Cairo's unbounded operators are clipped to the square so that both agree. The squares
// sit a quarter pixel off the grid: a fragment of zero coverage on the fringe's outer edge still blends,
// which erases under the unbounded operators where cairo's clip leaves the pixel alone.
Scene CompositeOperations()
{
  struct Op
  {
    int vg;
    cairo_operator_t cairo;
  };
  static const Op ops[] = {{kVGSourceOver, CAIRO_OPERATOR_OVER},
                           {kVGSourceIn, CAIRO_OPERATOR_IN},
                           {kVGSourceOut, CAIRO_OPERATOR_OUT},
                           {kVGAtop, CAIRO_OPERATOR_ATOP},
                           {kVGDestinationOver, CAIRO_OPERATOR_DEST_OVER},
                           {kVGDestinationIn, CAIRO_OPERATOR_DEST_IN},
                           {kVGDestinationOut, CAIRO_OPERATOR_DEST_OUT},
                           {kVGDestinationAtop, CAIRO_OPERATOR_DEST_ATOP},
                           {kVGLighter, CAIRO_OPERATOR_ADD},
                           {kVGCopy, CAIRO_OPERATOR_SOURCE},
                           {kVGXor, CAIRO_OPERATOR_XOR}};
  const Colour red{0.9, 0.1, 0.1, 0.75}, blue{0.1, 0.2, 0.9, 0.8};
  return {"composite_operations",
          [=](VGcontext* vg)
          {
            for (int i = 0; i < 11; ++i)
            {
              float x = 4.25f + (i % 6) * 26, y = 8.25f + (i / 6) * 55;
              vgGlobalCompositeOperation(vg, kVGSourceOver);
              vgBeginPath(vg);
              vgCircle(vg, x + 9, y + 9, 9);
              vgFillColor(vg, Vg(blue));
              vgFill(vg);
              vgGlobalCompositeOperation(vg, ops[i].vg);
              vgBeginPath(vg);
              vgRect(vg, x + 6, y + 6, 16, 16);
              vgFillColor(vg, Vg(red));
              vgFill(vg);
            }
          },
          [=](cairo_t* cr)
          {
            for (int i = 0; i < 11; ++i)
            {
              double x = 4.25 + (i % 6) * 26, y = 8.25 + (i / 6) * 55;
              cairo_set_operator(cr, CAIRO_OPERATOR_OVER);
              cairo_arc(cr, x + 9, y + 9, 9, 0, 2 * M_PI);
              Source(cr, blue);
              cairo_fill(cr);
              cairo_save(cr);
              cairo_rectangle(cr, x + 6, y + 6, 16, 16);
              cairo_clip(cr);
              cairo_set_operator(cr, ops[i].cairo);
              Source(cr, red);
              cairo_paint(cr);
              cairo_restore(cr);
            }
          }};
}

// Text in DejaVu Sans at two sizes. The context sizes fonts by ascender minus descender, cairo by the em
// square, so cairo's size is scaled by units per em over that height; cairo draws unhinted, as the atlas.
const char* const kFontPath = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
const char* const kLines[2] = {"Qorv Mixer 0.5 dB", "Gain -12.5 dB | Hold 250 ms"};
const float kSizes[2] = {30, 14};

Scene Text()
{
  return {"text",
          [](VGcontext* vg)
          {
            int font = vgCreateFont(vg, "sans", kFontPath);
            ASSERT_GE(font, 0);
            vgFontFaceId(vg, font);
            for (int i = 0; i < 2; ++i)
            {
              vgFontSize(vg, kSizes[i]);
              vgFillColor(vg, Vg(i == 0 ? kInk : kBlue));
              vgText(vg, 6, 40 + i * 45, kLines[i], nullptr);
            }
          },
          [](cairo_t* cr)
          {
            FT_Library library;
            FT_Face face;
            ASSERT_EQ(FT_Init_FreeType(&library), 0);
            ASSERT_EQ(FT_New_Face(library, kFontPath, 0, &face), 0);
            double height = face->ascender - face->descender;
            cairo_font_face_t* cface = cairo_ft_font_face_create_for_ft_face(face, 0);
            cairo_set_font_face(cr, cface);
            cairo_font_options_t* options = cairo_font_options_create();
            cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
            cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_NONE);
            cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
            cairo_set_font_options(cr, options);
            for (int i = 0; i < 2; ++i)
            {
              cairo_set_font_size(cr, kSizes[i] * face->units_per_EM / height);
              Source(cr, i == 0 ? kInk : kBlue);
              cairo_move_to(cr, 6, 40 + i * 45);
              cairo_show_text(cr, kLines[i]);
            }
            cairo_font_options_destroy(options);
            cairo_set_font_face(cr, nullptr);
            cairo_font_face_destroy(cface);
            FT_Done_Face(face);
            FT_Done_FreeType(library);
          }};
}

struct CompareCase
{
  Scene scene;
  float ratio;
  // Glyphs are almost all edge, and the atlas places them on whole pixels where cairo does not.
  double outliers = 0.005;
  // Whether turning shape anti-aliasing off shows: not where every edge lies on the pixel grid or is a
  // scissor's (anti-aliased by the scissor itself), nor for glyphs (the atlas's own coverage).
  bool aaVisible = true;
};

double TotalAlpha(const qorvtest::RgbaImage& image)
{
  double sum = 0;
  for (size_t i = 3; i < image.rgba.size(); i += 4)
    sum += image.rgba[i];
  return sum;
}

class MetalVersusCairo : public testing::TestWithParam<CompareCase>
{
};
} // namespace

TEST_P(MetalVersusCairo, SamePixels)
{
  const CompareCase& c = GetParam();
  const qorvtest::RgbaImage theirs = DrawCairo(c.scene, c.ratio);
  qorvtest::ImageTolerance tol;
  tol.interior = 4;
  tol.edge = 64;
  tol.outliers = c.outliers;
  const std::string name = std::string(c.scene.name) + (c.ratio > 1 ? "@2x" : "");
  // Pixels within the tolerance, and as much coverage in all (glyphs are almost all edge: a fainter text
  // hides among the edge pixels, not in the sum).
  auto matches = [&](Fault fault, const std::string& suffix) -> testing::AssertionResult
  {
    const qorvtest::RgbaImage ours = DrawVector(c.scene, c.ratio, fault);
    const double coverage = TotalAlpha(ours) / TotalAlpha(theirs);
    if (std::fabs(coverage - 1.0) > 0.03) return testing::AssertionFailure() << "coverage x" << coverage;
    return qorvtest::ImagesMatch(theirs, ours, tol, qorvtest::BinaryDir() + "/cairo-compare", name + suffix);
  };
  EXPECT_TRUE(matches(Fault::kNone, ""));
  // A visibly wrong picture fails: shapes without anti-aliasing (where the scene has edges off the pixel
  // grid), everything at 85 % alpha.
  if (c.aaVisible)
  {
    EXPECT_FALSE(matches(Fault::kNoAntiAlias, "-noaa"));
  }
  EXPECT_FALSE(matches(Fault::kAlpha85, "-alpha85"));
}

// Span shading takes shortcuts on the uniforms; the scenes must come out as the per-fragment reference draws
// them, to a float rounding.
TEST_P(MetalVersusCairo, SpanShadingMatchesPerFragmentShading)
{
  const CompareCase& c = GetParam();
  VGoptions perFragment;
  perFragment.gpu.spanShading = false;
  qorvtest::RgbaImage reference = DrawVector(c.scene, c.ratio, Fault::kNone, perFragment);
  qorvtest::RgbaImage spans = DrawVector(c.scene, c.ratio);
  ASSERT_EQ(reference.rgba.size(), spans.rgba.size());
  int worst = 0;
  size_t differing = 0;
  for (size_t i = 0; i < spans.rgba.size(); ++i)
  {
    int d = std::abs((int)spans.rgba[i] - (int)reference.rgba[i]);
    worst = std::max(worst, d);
    differing += d != 0;
  }
  EXPECT_LE(worst, 1);
  EXPECT_LE(differing, spans.rgba.size() / 1000);
}

INSTANTIATE_TEST_SUITE_P(Scenes, MetalVersusCairo,
                         testing::Values(CompareCase{Fills(), 1}, CompareCase{Fills(), 2},
                                         CompareCase{Strokes(), 1}, CompareCase{Strokes(), 2},
                                         CompareCase{ArcsAndRoundedRects(), 1}, CompareCase{Gradients(), 1, 0.001},
                                         CompareCase{ImagePatterns(), 1, 0.005, false},
                                         CompareCase{ScissorsUnderTransforms(), 1, 0.005, false},
                                         CompareCase{ScissorsUnderTransforms(), 2, 0.005, false},
                                         CompareCase{CompositeOperations(), 1},
                                         CompareCase{Text(), 1, 0.04, false}, CompareCase{Text(), 2, 0.04, false}),
                         [](const testing::TestParamInfo<CompareCase>& info) {
                           return std::string(info.param.scene.name) + (info.param.ratio > 1 ? "_2x" : "");
                         });
