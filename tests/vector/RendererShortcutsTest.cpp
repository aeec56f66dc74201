// The renderer's shortcuts give the bytes of the general path: texels taken as stored where an image is
// sampled on texel centres, and draws bounded by a rectangle around their scissor (but for a rounding, see
// there); and the software GPU's portable arithmetic, which builds without SIMD compile, gives the bytes of
// its SIMD arithmetic. Random scenes are drawn twice, with the shortcut and without, and compared.
#include "graphics/vector/VGpaint.h"
#include "graphics/vector/VGstate.h"
#include "tests/vector/MetalTestContext.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <memory>
#include <random>
#include <tuple>
#include <utility>
#include <vector>

using namespace iplugin::igraphics;

namespace
{
constexpr int kW = 48, kH = 40;

// A context for targets of one size, kept for the next draws: making one costs more than a small scene.
qorvtest::MetalContext& ContextFor(int width, int height, float ratio, int flags = 0x2001)
{
  struct Kept
  {
    int width, height;
    float ratio;
    int flags;
    std::unique_ptr<qorvtest::MetalContext> context;
  };
  static std::vector<Kept> kept;
  for (Kept& k : kept)
    if (k.width == width && k.height == height && k.ratio == ratio && k.flags == flags) return *k.context;
  kept.push_back(Kept{width, height, ratio, flags,
                      std::make_unique<qorvtest::MetalContext>(width, height, flags, ratio)});
  return *kept.back().context;
}

// A new image's handle; deleted at once.
int NextImage(VGcontext* vg)
{
  const unsigned char texel[4] = {};
  const int image = vgCreateImageRGBA(vg, 1, 1, 0, texel);
  vgDeleteImage(vg, image);
  return image;
}

// The pixels of a thread's share of the target as the product has them: a small target is one thread's.
constexpr uint64_t kShare = 512 * 512;

// Every switch as given, in one place: the context's record, and the pixels of a thread's share of the target
// (the process's).
void SetShortcuts(VGcontext* vg, const VGoptions& options, uint64_t share)
{
  vgSetOptions(vg, options);
  QorvMetalSetPixelsPerBand(share);
}

// What the layer shows after drawing the scene with the shortcuts as given, on a gradient backdrop. The
// scene's images are deleted afterwards.
std::vector<uint8_t> DrawWith(float ratio, const std::function<void(VGcontext*)>& scene,
                              const VGoptions& options, int width = kW, int height = kH,
                              uint64_t share = kShare, int flags = 0x2001)
{
  std::vector<uint8_t> pixels;
  {
    qorvtest::MetalContext& m = ContextFor(width, height, ratio, flags);
    SetShortcuts(m.ctx, options, share);
    const int firstImage = NextImage(m.ctx);
    m.Begin(vgRGBAf(0.2f, 0.3f, 0.4f, 0.6f), ratio);
    vgBeginPath(m.ctx);
    vgRect(m.ctx, 0, 0, (float)width, (float)height);
    vgFillPaint(m.ctx, vgLinearGradient(0, 0, (float)width, (float)height, vgRGBA(250, 20, 90, 200),
                                        vgRGBA(10, 240, 60, 255)));
    vgFill(m.ctx);
    scene(m.ctx);
    pixels = m.End().rgba;
    for (int image = firstImage, last = NextImage(m.ctx); image < last; ++image)
      vgDeleteImage(m.ctx, image);
  }
  QorvMetalSetPixelsPerBand(kShare);
  return pixels;
}

// The same with the shortcuts named; portable: in the arithmetic that builds without SIMD compile;
// unfringed: upright rectangles on whole pixels filled without their fringe, as the product does (the other
// tests keep the fringes whose rows they are about).
std::vector<uint8_t> Draw(float ratio, const std::function<void(VGcontext*)>& scene, bool texelCopies,
                          bool scissorBounds, int width = kW, int height = kH, bool texelRects = true,
                          bool portable = false, bool unfringed = false)
{
  VGoptions options;
  options.gpu.texelCopies = texelCopies;
  options.gpu.texelRects = texelRects;
  options.scissorBounds = scissorBounds;
  options.gpu.simd = !portable;
  options.unfringedRects = unfringed;
  return DrawWith(ratio, scene, options, width, height);
}

// Draw's picture with its fringes, drawn in eight bands of rows on several threads.
std::vector<uint8_t> DrawInBands(float ratio, const std::function<void(VGcontext*)>& scene, int width,
                                 int height)
{
  VGoptions fringed;
  fringed.unfringedRects = false;
  return DrawWith(ratio, scene, fringed, width, height,
                  (uint64_t)(width * height) * (uint64_t)(ratio * ratio) / 8);
}

// Texels with every kind of alpha: opaque, transparent, in between, and (premultiplied) colour above alpha.
std::vector<unsigned char> RandomTexels(std::mt19937& rng, int w, int h)
{
  std::vector<unsigned char> px((size_t)w * h * 4);
  for (size_t i = 0; i < px.size(); i += 4)
  {
    const unsigned kind = rng() % 4;
    for (int c = 0; c < 3; ++c)
      px[i + c] = (unsigned char)rng();
    px[i + 3] = kind == 0 ? 255 : kind == 1 ? 0 : (unsigned char)rng();
  }
  return px;
}

float Pick(std::mt19937& rng, float lo, float hi)
{
  return std::uniform_real_distribution<float>(lo, hi)(rng);
}

// A scissor of w x h turned by turn (radians) about its corner at (x, y).
void TurnedScissor(VGcontext* vg, float x, float y, float w, float h, float turn)
{
  vgTranslate(vg, x, y);
  vgRotate(vg, turn);
  vgScissor(vg, 0, 0, w, h);
  vgResetTransform(vg);
}

// The path drawn with paint: stroked strokeWidth wide where that is above 0, else filled.
void PaintPath(VGcontext* vg, const VGpaint& paint, float strokeWidth)
{
  if (strokeWidth > 0)
  {
    vgStrokeWidth(vg, strokeWidth);
    vgStrokePaint(vg, paint);
    vgStroke(vg);
  }
  else
  {
    vgFillPaint(vg, paint);
    vgFill(vg);
  }
}

// A random scissor: none, upright on whole pixels, upright anywhere, or turned; within a target of width x
// kH, partly outside it.
struct RandomScissor
{
  unsigned kind;
  float x, y, w, h, turn;
  RandomScissor(std::mt19937& rng, int width)
      : kind(rng() % 4), x(Pick(rng, -5, (float)width)), y(Pick(rng, -5, kH)), w(Pick(rng, 0, (float)width)),
        h(Pick(rng, 0, kH)), turn(Pick(rng, -0.5f, 0.5f))
  {
  }
  void Set(VGcontext* vg) const
  {
    if (kind == 1) vgScissor(vg, std::floor(x), std::floor(y), std::floor(w), std::floor(h));
    if (kind == 2) vgScissor(vg, x, y, w, h);
    if (kind == 3) TurnedScissor(vg, x, y, w, h, turn);
  }
};

// A fill's scissor, composite operation, global alpha and colours (a gradient from a to b, or a alone), at
// random.
struct RandomLook
{
  RandomScissor scissor;
  int op;
  float alpha;
  bool gradient;
  VGcolor a, b;
  explicit RandomLook(std::mt19937& rng)
      : scissor(rng, kW), op(rng() % 2 ? (int)(rng() % (kVGXor + 1)) : kVGSourceOver),
        alpha(rng() % 3 ? 1.0f : Pick(rng, 0, 1)), gradient(rng() % 2),
        a(vgRGBA((unsigned char)rng(), (unsigned char)rng(), (unsigned char)rng(), (unsigned char)rng())),
        b(vgRGBA((unsigned char)rng(), (unsigned char)rng(), (unsigned char)rng(), 255))
  {
  }
  // The scissor, the operation and the alpha.
  void Set(VGcontext* vg) const
  {
    scissor.Set(vg);
    vgGlobalCompositeOperation(vg, op);
    vgGlobalAlpha(vg, alpha);
  }
};
} // namespace

// Images at their own size on whole pixels (most cases), and also half a pixel off, scaled, rotated or with
// a weight, under scissors on whole pixels or anywhere, partly outside the target.
TEST(RendererShortcuts, TexelCopiesGiveTheFilteredBytes)
{
  std::mt19937 rng(11);
  const uint64_t copiedBefore = QorvMetalTexelsCopied();
  // Enough draws to meet a fault of one draw in 2,000.
  for (int round = 0; round < 4000; ++round)
  {
    const float ratio = rng() % 2 ? 2.0f : 1.0f;
    const int w = 1 + (int)(rng() % 30), h = 1 + (int)(rng() % 24);
    const int flags = (rng() % 2 ? kVGImagePremultiplied : 0) | (rng() % 5 == 0 ? kVGImageRepeatX : 0);
    const std::vector<unsigned char> texels = RandomTexels(rng, w, h);
    // Whole pixels of the target, in view units.
    const float x = (float)((int)(rng() % (kW * (int)ratio + 20)) - 10) / ratio;
    const float y = (float)((int)(rng() % (kH * (int)ratio + 20)) - 10) / ratio;
    const unsigned variant = rng() % 8;
    const float off = variant == 1 ? 0.5f / ratio : 0.0f;
    const float scale = variant == 2 ? 1.5f : 1.0f;
    const float angle = variant == 3 ? (round % 2 ? 0.3f : Pick(rng, -4, 4)) : 0.0f;
    const float alpha = variant == 4 ? 0.6f : 1.0f;
    const unsigned scissorKind = rng() % 3; // none, on whole pixels, anywhere
    const bool scissor = scissorKind != 0;
    const float sx = Pick(rng, -5, kW), sy = Pick(rng, -5, kH), sw = Pick(rng, 0, kW), sh = Pick(rng, 0, kH);
    // The rectangle drawn: the image's own, or a part of it, or more, on whole pixels (its corners on the
    // rasteriser's grid) but now and then not.
    auto pixels = [&](int most) { return (float)((int)(rng() % (2 * most + 1)) - most) / ratio; };
    const float fraction = rng() % 6 == 0 ? Pick(rng, 0, 1) : 0.0f;
    const float rx = x + pixels(4) + fraction, ry = y + pixels(4);
    const float rw = (float)w / ratio + pixels(4), rh = (float)h / ratio + pixels(2);
    auto scene = [&](VGcontext* vg)
    {
      const int image = vgCreateImageRGBA(vg, w, h, flags, texels.data());
      if (scissor)
        vgScissor(vg, scissorKind == 1 ? std::floor(sx) : sx, scissorKind == 1 ? std::floor(sy) : sy,
                  scissorKind == 1 ? std::floor(sw) : sw, scissorKind == 1 ? std::floor(sh) : sh);
      vgBeginPath(vg);
      vgRect(vg, rx, ry, rw, rh);
      vgFillPaint(
          vg, vgImagePattern(x + off, y, (float)w / ratio * scale, (float)h / ratio, angle, image, alpha));
      vgFill(vg);
    };
    const auto copied = Draw(ratio, scene, true, true);
    const auto filtered = Draw(ratio, scene, false, true);
    ASSERT_EQ(copied, filtered) << "round " << round << " variant " << variant << " ratio " << ratio;
  }
  // The shortcut was taken.
  EXPECT_GT(QorvMetalTexelsCopied() - copiedBefore, 20000u);
}

// A bitmap drawn as the back end draws one, at its own size in its own rectangle on whole pixels: every
// fragment inside takes its texel, and the picture is the filter's.
TEST(RendererShortcuts, BitmapsAtTheirOwnSizeAreCopied)
{
  std::mt19937 rng(2);
  for (float ratio : {1.0f, 2.0f})
  {
    const int w = 37, h = 23;
    const std::vector<unsigned char> texels = RandomTexels(rng, w, h);
    auto scene = [&](VGcontext* vg)
    {
      const int image = vgCreateImageRGBA(vg, w, h, 0, texels.data());
      const float x = 5.0f, y = 7.0f + 1.0f / ratio;
      vgIntersectScissor(vg, 4, 6, 42, 32);
      vgBeginPath(vg);
      vgRect(vg, x, y, (float)w / ratio, (float)h / ratio);
      vgFillPaint(vg, vgImagePattern(x, y, (float)w / ratio, (float)h / ratio, 0.0f, image, 1.0f));
      vgFill(vg);
    };
    const uint64_t before = QorvMetalTexelsCopied();
    const auto copied = Draw(ratio, scene, true, true);
    EXPECT_GE(QorvMetalTexelsCopied() - before, (uint64_t)((w - 2) * (h - 2))) << ratio;
    EXPECT_EQ(copied, Draw(ratio, scene, false, true)) << ratio;
    // A scissor edge through the bitmap: the pixels along it are partly covered.
    auto cut = [&](VGcontext* vg)
    {
      vgSave(vg);
      vgIntersectScissor(vg, 0, 0, 12.3f, 50);
      scene(vg);
      vgRestore(vg);
    };
    EXPECT_EQ(Draw(ratio, cut, true, true), Draw(ratio, cut, false, true)) << ratio;
  }
}

// Bitmaps wider than a span's chunk, in runs of opaque, transparent and translucent texels as controls'
// images have them, drawn at their own size on whole pixels over each other (as layers are): every row blends
// the texels straight from the texture, and the picture is the filter's.
TEST(RendererShortcuts, RowsOfTexelsBlendAsTheFilter)
{
  std::mt19937 rng(23);
  constexpr int kWide = 180, kTall = 12;
  for (int round = 0; round < 24; ++round)
  {
    const float ratio = round % 2 ? 2.0f : 1.0f;
    const int w = 100 + (int)(rng() % 250), h = 1 + (int)(rng() % 20);
    std::vector<unsigned char> texels((size_t)w * h * 4);
    unsigned kind = 0;
    for (size_t i = 0; i < texels.size(); i += 4)
    {
      if (rng() % 6 == 0) kind = rng() % 4;
      for (int c = 0; c < 3; ++c)
        texels[i + c] = (unsigned char)rng();
      texels[i + 3] = kind == 0 ? 255 : kind == 1 ? 0 : (unsigned char)rng();
      if (kind == 3) texels[i] = texels[i + 1] = texels[i + 2] = (unsigned char)(texels[i + 3] / 3);
    }
    const int flags = rng() % 2 ? kVGImagePremultiplied : 0;
    const float x = (float)((int)(rng() % 40) - 20) / ratio, y = (float)(rng() % 8) / ratio;
    const int layers = 1 + (int)(rng() % 3);
    auto scene = [&](VGcontext* vg)
    {
      const int image = vgCreateImageRGBA(vg, w, h, flags, texels.data());
      for (int l = 0; l < layers; ++l)
      {
        const float lx = x + (float)(3 * l) / ratio, ly = y + (float)l / ratio;
        vgBeginPath(vg);
        vgRect(vg, lx, ly, (float)w / ratio, (float)h / ratio);
        vgFillPaint(vg, vgImagePattern(lx, ly, (float)w / ratio, (float)h / ratio, 0.0f, image, 1.0f));
        vgFill(vg);
      }
    };
    const uint64_t before = QorvMetalTexelsCopied();
    const auto fast = Draw(ratio, scene, true, true, kWide, kTall);
    EXPECT_GT(QorvMetalTexelsCopied() - before, 0u);
    ASSERT_EQ(fast, Draw(ratio, scene, false, true, kWide, kTall)) << "round " << round;
  }
}

// Rows that repeat the x steps of rows drawn before, with a paint that differs in one thing each time (its
// width, its origin by a fraction of a pixel, its scale, a skew, the texture's size): every draw samples by
// its own paint, as the filter does.
TEST(RendererShortcuts, RepeatedRowsSampleByTheirOwnPaint)
{
  std::mt19937 rng(31);
  for (float ratio : {1.0f, 2.0f})
    for (int round = 0; round < 10; ++round)
    {
      const int w = 40 + (int)(rng() % 60), h = 8;
      const std::vector<unsigned char> texels = RandomTexels(rng, w + 1, h);
      const float x = (float)(rng() % 10) / ratio, y = (float)(rng() % 10) / ratio;
      auto scene = [&](VGcontext* vg)
      {
        const int image = vgCreateImageRGBA(vg, w, h, 0, texels.data());
        const int wider = vgCreateImageRGBA(vg, w + 1, h, 0, texels.data());
        for (int change = 0; change < 6; ++change)
        {
          const float pw = (float)w / ratio * (change == 1 ? 1.0f + 1.0f / (float)w : 1.0f);
          const float px = x + (change == 2 ? 0.25f / ratio : 0.0f);
          vgSave(vg);
          if (change == 3) vgScale(vg, 1.0f + 1.0f / 64.0f, 1.0f);
          if (change == 4) vgSkewX(vg, 0.02f);
          vgBeginPath(vg);
          vgRect(vg, x, y, (float)w / ratio, (float)h / ratio);
          vgFillPaint(vg,
                      vgImagePattern(px, y, pw, (float)h / ratio, 0.0f, change == 5 ? wider : image, 1.0f));
          vgFill(vg);
          vgRestore(vg);
          // The same rows again as first drawn.
          vgBeginPath(vg);
          vgRect(vg, x, y, (float)w / ratio, (float)h / ratio);
          vgFillPaint(vg, vgImagePattern(x, y, (float)w / ratio, (float)h / ratio, 0.0f, image, 1.0f));
          vgFill(vg);
        }
      };
      ASSERT_EQ(Draw(ratio, scene, true, true), Draw(ratio, scene, false, true)) << ratio << " " << round;
    }
}

// Random shapes, paints and composite operations under random scissors (rotated ones too): bounding the
// draws changes nothing, also under operations where a transparent source does change the target, but for
// what a row started later by the bound gets: its coordinates stepped from another first pixel, a rounding
// apart, and now and then a byte one level apart. Enough draws to meet a fault of one draw in 2,000.
TEST(RendererShortcuts, ScissorBoundsChangeNoPixelVisibly)
{
  std::mt19937 rng(5);
  int drawsApart = 0;
  constexpr int kRounds = 4000;
  for (int round = 0; round < kRounds; ++round)
  {
    const float ratio = rng() % 2 ? 2.0f : 1.0f;
    const int op = (int)(rng() % 12);
    const unsigned shape = rng() % 4;
    const float sx = Pick(rng, -5, kW), sy = Pick(rng, -5, kH), sw = Pick(rng, 0, kW), sh = Pick(rng, 0, kH);
    // Half the shapes begin left of the scissor, where bounding cuts their rows short.
    const float x = rng() % 2 ? Pick(rng, -10, sx) : Pick(rng, -10, kW);
    const float y = Pick(rng, -10, kH), w = Pick(rng, 1, kW), h = Pick(rng, 1, kH);
    const float rotation = rng() % 3 == 0 ? Pick(rng, -1, 1) : 0.0f;
    const bool gradient = rng() % 2;
    auto scene = [&](VGcontext* vg)
    {
      vgSave(vg);
      TurnedScissor(vg, sx, sy, sw, sh, rotation);
      vgGlobalCompositeOperation(vg, op);
      vgBeginPath(vg);
      if (shape == 0)
        vgRect(vg, x, y, w, h);
      else if (shape == 1)
        vgRoundedRect(vg, x, y, w, h, 4);
      else
        vgCircle(vg, x, y, w / 2);
      const VGpaint paint =
          gradient ? vgRadialGradient(x, y, 1, w, vgRGBA(255, 200, 0, 180), vgRGBA(0, 40, 255, 90))
                   : vgLinearGradient(x, y, x + w, y, vgRGBA(20, 20, 200, 255), vgRGBA(20, 20, 200, 255));
      PaintPath(vg, paint, shape == 3 ? 3.0f : 0.0f);
      vgRestore(vg);
    };
    const auto bounded = Draw(ratio, scene, true, true);
    const auto whole = Draw(ratio, scene, true, false);
    ASSERT_EQ(bounded.size(), whole.size());
    int bytesApart = 0;
    for (size_t i = 0; i < whole.size(); ++i)
      if (bounded[i] != whole[i])
      {
        ++bytesApart;
        ASSERT_LE(std::abs(bounded[i] - whole[i]), 1)
            << "round " << round << " op " << op << " shape " << shape;
      }
    ASSERT_LE(bytesApart, 6) << "round " << round << " op " << op << " shape " << shape;
    drawsApart += bytesApart > 0;
    // Gradients, strokes and blends in the portable arithmetic give the same bytes.
    if (round % 8 == 0)
    {
      ASSERT_EQ(bounded, Draw(ratio, scene, true, true, kW, kH, true, true))
          << "portable, round " << round << " op " << op << " shape " << shape;
    }
  }
  EXPECT_LE(drawsApart, kRounds / 200);
}

// Axis-aligned image rectangles whose rows (and the rows of their fringes, covered whole or not at all) are
// taken all at once: at their own size on whole pixels mostly, and now and then moved by a fraction, scaled,
// weighed by an alpha, with straight and premultiplied texels, repeated or not, under scissors on whole
// pixels or anywhere or across rows, blended over or copied, over each other, wide enough for several chunks
// a row: the bytes are those of the rows drawn one by one, and of the filter.
TEST(RendererShortcuts, TexelRectsGiveTheRowsBytes)
{
  std::mt19937 rng(47);
  constexpr int kWide = 300, kTall = 48;
  const uint64_t rowsBefore = QorvMetalTexelRectRows();
  for (int round = 0; round < 400; ++round)
  {
    const float ratio = rng() % 2 ? 2.0f : 1.0f;
    const int w = 1 + (int)(rng() % 280), h = 1 + (int)(rng() % 40);
    const int flags = (rng() % 2 ? kVGImagePremultiplied : 0) | (rng() % 6 == 0 ? kVGImageRepeatY : 0);
    const std::vector<unsigned char> texels = RandomTexels(rng, w, h);
    const float x = (float)((int)(rng() % 60) - 30) / ratio, y = (float)((int)(rng() % 50) - 10) / ratio;
    const unsigned variant = rng() % 10;
    const float off = variant == 1 ? 0.5f / ratio : variant == 2 ? 0.25f : 0.0f;
    const float scale = variant == 3 ? 1.0f + 1.0f / 128.0f : 1.0f;
    const float alpha = variant == 4 ? 0.7f : 1.0f;
    const int op = variant == 5 || variant == 6 ? kVGCopy : kVGSourceOver;
    // None, on whole pixels, anywhere, across the rows a fraction of a pixel from whole ones.
    const unsigned scissorKind = rng() % 4;
    const float sx = Pick(rng, -5, kWide), sy = Pick(rng, -5, kTall), sw = Pick(rng, 0, kWide),
                sh = Pick(rng, 0, kTall);
    const float rh = (float)(h + (int)(rng() % 5) - 2) / ratio, ry = y + (float)(rng() % 3) / ratio;
    const int layers = 1 + (int)(rng() % 2);
    auto scene = [&](VGcontext* vg)
    {
      const int image = vgCreateImageRGBA(vg, w, h, flags, texels.data());
      if (scissorKind == 1) vgScissor(vg, std::floor(sx), std::floor(sy), std::floor(sw), std::floor(sh));
      if (scissorKind == 2) vgScissor(vg, sx, sy, sw, sh);
      if (scissorKind == 3)
        vgScissor(vg, std::floor(sx), ry + 2.3f / ratio, std::floor(sw), rh - 4.6f / ratio);
      vgGlobalCompositeOperation(vg, op);
      for (int l = 0; l < layers; ++l)
      {
        const float lx = x + (float)(5 * l) / ratio;
        vgBeginPath(vg);
        vgRect(vg, lx, ry, (float)w / ratio, rh);
        vgFillPaint(
            vg, vgImagePattern(lx + off, y, (float)w / ratio * scale, (float)h / ratio, 0.0f, image, alpha));
        vgFill(vg);
      }
    };
    const auto rects = Draw(ratio, scene, true, true, kWide, kTall, true);
    ASSERT_EQ(rects, Draw(ratio, scene, false, true, kWide, kTall))
        << "round " << round << " variant " << variant << " ratio " << ratio;
    if (round % 4 != 0) continue;
    ASSERT_EQ(rects, Draw(ratio, scene, true, true, kWide, kTall, false))
        << "round " << round << " variant " << variant << " ratio " << ratio;
    // Drawn in bands of rows on several threads, a rectangle's rows are taken a band's block at a time.
    const auto banded = DrawInBands(ratio, scene, kWide, kTall);
    ASSERT_EQ(rects, banded) << "round " << round << " variant " << variant << " ratio " << ratio;
    ASSERT_EQ(rects, Draw(ratio, scene, true, true, kWide, kTall, true, true))
        << "portable, round " << round << " variant " << variant << " ratio " << ratio;
  }
  // The rows were taken together.
  EXPECT_GT(QorvMetalTexelRectRows() - rowsBefore, 100u);
}

// Rows wider than the rasteriser's pieces of texels: each row is taken a piece of columns at a time, and a
// piece that cannot be taken (a scissor's soft edge inside it, or half a pixel off) is drawn as the rows
// would be one by one, beside pieces that are.
TEST(RendererShortcuts, RectanglesWiderThanAPieceGiveTheRowsBytes)
{
  std::mt19937 rng(53);
  constexpr int kWide = 2200, kTall = 10;
  for (int round = 0; round < 12; ++round)
  {
    const int w = 1030 + (int)(rng() % 1100), h = 1 + (int)(rng() % 8);
    const int flags = rng() % 2 ? kVGImagePremultiplied : 0;
    const std::vector<unsigned char> texels = RandomTexels(rng, w, h);
    const float x = (float)((int)(rng() % 40) - 20), y = (float)((int)(rng() % 6) - 2);
    const unsigned variant = round % 4;
    const float off = variant == 1 ? 0.5f : 0.0f;
    const int op = variant == 2 ? kVGCopy : kVGSourceOver;
    auto scene = [&](VGcontext* vg)
    {
      const int image = vgCreateImageRGBA(vg, w, h, flags, texels.data());
      if (variant == 3) vgScissor(vg, 0, 0, 1030.5f, (float)kTall);
      vgGlobalCompositeOperation(vg, op);
      vgBeginPath(vg);
      vgRect(vg, x, y, (float)w, (float)h);
      vgFillPaint(vg, vgImagePattern(x + off, y, (float)w, (float)h, 0.0f, image, 1.0f));
      vgFill(vg);
    };
    const auto rects = Draw(1.0f, scene, true, true, kWide, kTall, true);
    ASSERT_EQ(rects, Draw(1.0f, scene, true, true, kWide, kTall, false)) << "round " << round;
    ASSERT_EQ(rects, Draw(1.0f, scene, false, true, kWide, kTall)) << "round " << round;
  }
}

// Images turned as a user turns them (a pattern's own angle, tiny or large, and a bitmap drawn under a
// context turned by a quarter or half turn, or anywhere), at scales 1 to 3, under upright and turned
// scissors, in rectangles, rounded rectangles and circles, under every composite operation: the shortcuts
// write only into what they sized and give the general path's bytes. Wide rows reach the rectangle's rows
// asked at once.
TEST(RendererShortcuts, TurnedImagesGiveTheGeneralBytes)
{
  constexpr float kPi = 3.14159265f;
  const float turns[] = {0.001f, 0.3f, 1.0f, kPi / 2, kPi, -kPi / 2, 3 * kPi / 2, -1.0f};
  const float ratios[] = {1.0f, 1.5f, 2.0f, 3.0f};
  constexpr int kOps = kVGXor + 1;
  std::mt19937 rng(67);
  for (int round = 0; round < 8 * kOps; ++round)
  {
    const float ratio = ratios[round % 4];
    const int op = round % kOps;
    const float turn = round % 9 == 8 ? Pick(rng, -kPi, kPi) : turns[round % 8];
    const bool turnContext = round % 2 == 1; // as a rotated bitmap is drawn, else the pattern's angle
    const unsigned shape = rng() % 3, scissorKind = rng() % 3; // none, upright, turned
    const bool wide = round % 5 == 0;
    const int width = wide ? 270 : kW, height = wide ? 12 : kH;
    const int w = wide ? 256 : 4 + (int)(rng() % 30), h = wide ? 4 : 2 + (int)(rng() % 20);
    const int flags = rng() % 2 ? kVGImagePremultiplied : 0;
    const std::vector<unsigned char> texels = RandomTexels(rng, w, h);
    const float cx = Pick(rng, 0, (float)width), cy = Pick(rng, 0, (float)height);
    const float sx = Pick(rng, -5, (float)width), sy = Pick(rng, -5, (float)height),
                sw = Pick(rng, 4, (float)width), sh = Pick(rng, 4, (float)height), st = Pick(rng, -1, 1);
    auto scene = [&](VGcontext* vg)
    {
      const int image = vgCreateImageRGBA(vg, w, h, flags, texels.data());
      vgSave(vg);
      if (scissorKind != 0)
      {
        vgTranslate(vg, sx, sy);
        if (scissorKind == 2) vgRotate(vg, st);
        vgScissor(vg, 0, 0, sw, sh);
        vgResetTransform(vg);
      }
      vgGlobalCompositeOperation(vg, op);
      // The image's own size in view units, centred on (cx, cy), on whole pixels of the target or not.
      const float iw = (float)w / ratio, ih = (float)h / ratio;
      vgTranslate(vg, wide ? 2.0f : std::round(cx * ratio) / ratio,
                  wide ? 4.0f : std::round(cy * ratio) / ratio);
      if (turnContext) vgRotate(vg, turn);
      const float x = wide ? 0.0f : -iw / 2, y = wide ? 0.0f : -ih / 2;
      vgBeginPath(vg);
      if (shape == 0 || wide)
        vgRect(vg, x, y, iw, ih);
      else if (shape == 1)
        vgRoundedRect(vg, x, y, iw, ih, std::min(iw, ih) / 3);
      else
        vgCircle(vg, 0, 0, std::max(iw, ih) / 2);
      vgFillPaint(vg, vgImagePattern(x, y, iw, ih, turnContext ? 0.0f : turn, image, 1.0f));
      vgFill(vg);
      vgRestore(vg);
    };
    const auto fast = Draw(ratio, scene, true, true, width, height);
    ASSERT_EQ(fast, Draw(ratio, scene, false, true, width, height))
        << "round " << round << " turn " << turn << " ratio " << ratio << " op " << op;
    ASSERT_EQ(fast, Draw(ratio, scene, true, true, width, height, true, true))
        << "portable, round " << round << " turn " << turn << " ratio " << ratio << " op " << op;
  }
}

// Images filling convex polygons with upright and level sides and cut corners (an octagon, a rectangle with
// one corner cut, a house): a fan's rows are taken together only while every side bounding them is upright,
// down to where a cut corner's side begins. The bytes are those of the rows drawn one by one, on one thread
// or in bands.
TEST(RendererShortcuts, ImagesWithCutCornersGiveTheRowsBytes)
{
  std::mt19937 rng(53);
  constexpr int kWide = 120, kTall = 90;
  const uint64_t rowsBefore = QorvMetalTexelRectRows();
  for (int round = 0; round < 120; ++round)
  {
    const float ratio = round % 2 ? 2.0f : 1.0f;
    const int w = 8 + (int)(rng() % 100), h = 8 + (int)(rng() % 70);
    const std::vector<unsigned char> texels = RandomTexels(rng, w, h);
    const float x = (float)(rng() % 10) / ratio, y = (float)(rng() % 10) / ratio;
    const float iw = (float)w / ratio, ih = (float)h / ratio;
    // Cuts of whole pixels or anywhere, from a pixel to most of a side.
    auto cut = [&]
    {
      const float c = Pick(rng, 1.0f / ratio, std::min(iw, ih) * 0.45f);
      return rng() % 2 ? std::round(c * ratio) / ratio : c;
    };
    const float c[4] = {cut(), rng() % 3 ? cut() : 0.0f, cut(), rng() % 3 ? cut() : 0.0f};
    auto scene = [&](VGcontext* vg)
    {
      const int image = vgCreateImageRGBA(vg, w, h, kVGImagePremultiplied, texels.data());
      vgBeginPath(vg);
      vgMoveTo(vg, x + c[0], y);
      vgLineTo(vg, x + iw - c[1], y);
      if (c[1] > 0) vgLineTo(vg, x + iw, y + c[1]);
      vgLineTo(vg, x + iw, y + ih - c[2]);
      vgLineTo(vg, x + iw - c[2], y + ih);
      vgLineTo(vg, x + c[3], y + ih);
      if (c[3] > 0) vgLineTo(vg, x, y + ih - c[3]);
      vgLineTo(vg, x, y + c[0]);
      vgClosePath(vg);
      vgFillPaint(vg, vgImagePattern(x, y, iw, ih, 0.0f, image, 1.0f));
      vgFill(vg);
    };
    const auto rects = Draw(ratio, scene, true, true, kWide, kTall, true);
    ASSERT_EQ(rects, Draw(ratio, scene, true, true, kWide, kTall, false)) << "round " << round;
    const auto banded = DrawInBands(ratio, scene, kWide, kTall);
    ASSERT_EQ(rects, banded) << "round " << round;
  }
  // The rows were taken together.
  EXPECT_GT(QorvMetalTexelRectRows() - rowsBefore, 100u);
}

// Narrow images, whose rectangles are mostly the one-column runs of their fringes (covered by 0 on one side
// and whole on the other at scale 1), and now and then wide ones: at their own size on whole pixels, or a
// fraction off down the columns (where the rows sample between two texture rows), scaled down them, weighed
// by an alpha, under scissors that cut the columns part way (upright on whole pixels or anywhere, or turned),
// at scales 1 to 3, under every composite operation: the bytes are those of the rows drawn one by one, and of
// the filter.
TEST(RendererShortcuts, ColumnsAndRowsBetweenTexelsGiveTheRowsBytes)
{
  std::mt19937 rng(71);
  const float ratios[] = {1.0f, 1.5f, 2.0f, 3.0f};
  constexpr int kOps = kVGXor + 1;
  const uint64_t rowsBefore = QorvMetalTexelRectRows();
  for (int round = 0; round < 300; ++round)
  {
    const float ratio = ratios[rng() % 4];
    const int op = rng() % 3 == 0 ? (int)(rng() % kOps) : rng() % 4 == 0 ? kVGCopy : kVGSourceOver;
    const int w = 1 + (int)(rng() % 8 == 0 ? rng() % 280 : rng() % 5), h = 2 + (int)(rng() % 38);
    const int flags = (rng() % 2 ? kVGImagePremultiplied : 0) | (rng() % 6 == 0 ? kVGImageRepeatY : 0);
    const std::vector<unsigned char> texels = RandomTexels(rng, w, h);
    const float x = (float)((int)(rng() % 50) - 4) / ratio, y = (float)((int)(rng() % 40) - 8) / ratio;
    constexpr int kWide = 300;
    const unsigned variant = rng() % 8;
    const float down = variant == 1 ? 0.5f / ratio : variant == 2 ? 0.25f : 0.0f;
    const float scale = variant == 3 ? 1.0f + 1.0f / 64.0f : 1.0f;
    const float alpha = variant == 4 ? 0.7f : 1.0f;
    const RandomScissor scissor(rng, kWide);
    auto scene = [&](VGcontext* vg)
    {
      const int image = vgCreateImageRGBA(vg, w, h, flags, texels.data());
      scissor.Set(vg);
      vgGlobalCompositeOperation(vg, op);
      vgBeginPath(vg);
      vgRect(vg, x, y, (float)w / ratio, (float)h / ratio);
      vgFillPaint(
          vg, vgImagePattern(x, y + down, (float)w / ratio, (float)h / ratio * scale, 0.0f, image, alpha));
      vgFill(vg);
    };
    const auto columns = Draw(ratio, scene, true, true, kWide, kH);
    ASSERT_EQ(columns, Draw(ratio, scene, false, true, kWide, kH))
        << "round " << round << " variant " << variant << " ratio " << ratio << " op " << op;
    ASSERT_EQ(columns, Draw(ratio, scene, true, true, kWide, kH, false))
        << "round " << round << " variant " << variant << " ratio " << ratio << " op " << op;
    if (round % 4 == 0)
    {
      ASSERT_EQ(columns, Draw(ratio, scene, true, true, kWide, kH, true, true))
          << "portable, round " << round << " variant " << variant << " ratio " << ratio << " op " << op;
    }
  }
  EXPECT_GT(QorvMetalTexelRectRows() - rowsBefore, 1000u);
}

// The fringe rows of images a fraction of a pixel off either way, or on whole pixels, are covered by 0, in
// part or whole: rows that nothing covers are left as they are (or cleared, under a copy), and every row
// gives the filter's bytes, under upright and turned scissors, at scales 1 to 2.
TEST(RendererShortcuts, FringeRowsGiveTheFilteredBytes)
{
  std::mt19937 rng(83);
  const float ratios[] = {1.0f, 1.5f, 2.0f};
  const uint64_t copiedBefore = QorvMetalTexelsCopied();
  for (int round = 0; round < 300; ++round)
  {
    const float ratio = ratios[rng() % 3];
    const int op = rng() % 3 == 0 ? kVGCopy : kVGSourceOver;
    const int w = 1 + (int)(rng() % 40), h = 1 + (int)(rng() % 30);
    const int flags = rng() % 2 ? kVGImagePremultiplied : 0;
    const std::vector<unsigned char> texels = RandomTexels(rng, w, h);
    // Eighths of a pixel off, or none.
    auto off = [&] { return rng() % 2 ? 0.0f : (float)(rng() % 8) / 8.0f / ratio; };
    const float x = (float)((int)(rng() % 40) - 4) / ratio + off(),
                y = (float)((int)(rng() % 30) - 4) / ratio + off();
    // None, anywhere, turned.
    const unsigned scissorKind = rng() % 3;
    const float sx = Pick(rng, -5, kW), sy = Pick(rng, -5, kH), sw = Pick(rng, 0, kW), sh = Pick(rng, 0, kH),
                turn = Pick(rng, -0.5f, 0.5f);
    auto scene = [&](VGcontext* vg)
    {
      const int image = vgCreateImageRGBA(vg, w, h, flags, texels.data());
      if (scissorKind == 1) vgScissor(vg, sx, sy, sw, sh);
      if (scissorKind == 2) TurnedScissor(vg, sx, sy, sw, sh, turn);
      vgGlobalCompositeOperation(vg, op);
      vgBeginPath(vg);
      vgRect(vg, x, y, (float)w / ratio, (float)h / ratio);
      vgFillPaint(vg, vgImagePattern(x, y, (float)w / ratio, (float)h / ratio, 0.0f, image, 1.0f));
      vgFill(vg);
    };
    const auto copied = Draw(ratio, scene, true, true);
    ASSERT_EQ(copied, Draw(ratio, scene, false, true)) << "round " << round << " ratio " << ratio;
    ASSERT_EQ(copied, Draw(ratio, scene, true, true, kW, kH, false))
        << "round " << round << " ratio " << ratio;
  }
  EXPECT_GT(QorvMetalTexelsCopied() - copiedBefore, 20000u);
}

// Upright rectangles on whole pixels filled without their fringe give the bytes of the fill with it: images
// (stretched, repeated, nearest, weighed), colours and gradients, on whole pixels or a fraction off, moved,
// scaled, turned by right angles or any, under scissors upright or turned, under every composite operation,
// at scales 1 to 3; with the renderer's shortcuts, and with the general path on the other side.
TEST(RendererShortcuts, UnfringedRectanglesGiveTheFringedBytes)
{
  std::mt19937 rng(97);
  const float ratios[] = {1.0f, 1.5f, 2.0f, 3.0f};
  constexpr int kOps = kVGXor + 1;
  for (int round = 0; round < 600; ++round)
  {
    const float ratio = ratios[rng() % 4];
    const int op = rng() % 2 ? (int)(rng() % kOps) : kVGSourceOver;
    const int w = 1 + (int)(rng() % 30), h = 1 + (int)(rng() % 30);
    const int flags = (rng() % 2 ? kVGImagePremultiplied : 0) | (rng() % 5 == 0 ? kVGImageRepeatX : 0) |
                      (rng() % 5 == 0 ? kVGImageNearest : 0);
    const std::vector<unsigned char> texels = RandomTexels(rng, w, h);
    // Whole pixels mostly, else a quarter or a 256th of one off.
    auto off = [&] { return rng() % 4 ? 0.0f : (rng() % 2 ? 0.25f : 1.0f / 256.0f) / ratio; };
    const float x = (float)((int)(rng() % 50) - 6) / ratio + off(),
                y = (float)((int)(rng() % 44) - 6) / ratio;
    const float rw = (float)(rng() % 3 ? w : 1 + rng() % 40) / ratio + off(), rh = (float)h / ratio;
    const unsigned paintKind = rng() % 5, transform = rng() % 6;
    const float alpha = rng() % 4 == 0 ? Pick(rng, 0, 1) : 1.0f;
    const RandomScissor scissor(rng, kW);
    const VGcolor a = vgRGBA((unsigned char)rng(), (unsigned char)rng(), (unsigned char)rng(),
                             (unsigned char)rng()),
                  b = vgRGBA((unsigned char)rng(), (unsigned char)rng(), (unsigned char)rng(),
                             (unsigned char)rng());
    auto scene = [&](VGcontext* vg)
    {
      const int image = vgCreateImageRGBA(vg, w, h, flags, texels.data());
      scissor.Set(vg);
      vgGlobalCompositeOperation(vg, op);
      vgGlobalAlpha(vg, alpha);
      if (transform == 1) vgTranslate(vg, 3.0f / ratio, -2.0f / ratio);
      if (transform == 2) vgScale(vg, 2.0f, 0.5f);
      if (transform == 3) vgRotate(vg, 3.14159265f / 2.0f);
      if (transform == 4) vgTransform(vg, 0, 1, -1, 0, (float)kW / 2, 0); // a right angle, exactly
      if (transform == 5) vgRotate(vg, scissor.turn);
      vgBeginPath(vg);
      vgRect(vg, x, y, rw, rh);
      if (paintKind == 0) vgFillColor(vg, a);
      if (paintKind == 1) vgFillPaint(vg, vgLinearGradient(x, y, x + rw, y + rh, a, b));
      if (paintKind == 2) vgFillPaint(vg, vgBoxGradient(x, y, rw, rh, 3, 4, a, b));
      if (paintKind >= 3)
        vgFillPaint(vg, vgImagePattern(x, y, (float)w / ratio, (float)h / ratio, 0.0f, image,
                                       paintKind == 4 ? 0.6f : 1.0f));
      vgFill(vg);
    };
    const auto unfringed = Draw(ratio, scene, true, true, kW, kH, true, false, true);
    ASSERT_EQ(unfringed, Draw(ratio, scene, true, true, kW, kH, true, false, false))
        << "round " << round << " ratio " << ratio << " op " << op << " paint " << paintKind << " transform "
        << transform;
    if (round % 4 == 0)
    {
      ASSERT_EQ(unfringed, Draw(ratio, scene, false, false, kW, kH, false, true, false))
          << "general path, round " << round << " ratio " << ratio << " op " << op;
    }
  }
}

// Images sampled nearest, stretched so that pixel centres fall on texel edges, at scales whose pixel
// centres are roundings, under scissors that start their rows inside the image, upright or turned: bounding
// the draws changes no byte, where a rounding of where a row starts would take the next texel.
TEST(RendererShortcuts, ScissorBoundsKeepNearestTexels)
{
  std::mt19937 rng(113);
  for (int round = 0; round < 300; ++round)
  {
    // Scales whose pixels are no binary fractions of a view unit, where positions are roundings.
    const float ratio = rng() % 2 ? 3.0f : 1.5f;
    const int w = 2 + (int)(rng() % 30), h = 2 + (int)(rng() % 20);
    const std::vector<unsigned char> texels = RandomTexels(rng, w, h);
    const float x = (float)(rng() % 20) / ratio, y = (float)(rng() % 10) / ratio;
    // Texels of 1.25 pixels from half a pixel on: every fifth pixel centre is on a texel's edge.
    const float pw = (float)w * 1.25f / ratio, ph = (float)h / ratio;
    const RandomScissor scissor(rng, kW);
    auto scene = [&](VGcontext* vg)
    {
      const int image = vgCreateImageRGBA(vg, w, h, kVGImageNearest, texels.data());
      // Rows that the scissor starts inside the shape.
      vgScissor(vg, x + (scissor.x - x) * 0.5f, scissor.y, scissor.w, scissor.h);
      if (scissor.kind == 3) TurnedScissor(vg, x + 3, scissor.y, scissor.w, scissor.h, scissor.turn);
      vgBeginPath(vg);
      vgRect(vg, x, y, pw, ph * 1.5f);
      vgFillPaint(vg, vgImagePattern(x + 0.5f / ratio, y, pw, ph, 0.0f, image, 1.0f));
      vgFill(vg);
    };
    ASSERT_EQ(Draw(ratio, scene, true, true), Draw(ratio, scene, true, false))
        << "round " << round << " ratio " << ratio << " scissor " << scissor.kind;
  }
}

namespace
{
// One fill of a frame: a shape (on whole pixels or not, convex or crossing itself), a paint (a colour, a
// gradient, one of the frame's images at its own size on whole pixels or moved, scaled, turned), under a
// scissor, a transform, a composite operation and a global alpha; now and then stroked instead.
struct FrameFill
{
  RandomScissor scissor;
  int op;
  float alpha;
  unsigned shape, paint, transform;
  bool evenOdd, stroke, hard = false;
  float x, y, w, h, turn, px[4], py[4];
  VGcolor a, b;
  int image, iw, ih;

  FrameFill(std::mt19937& rng, float ratio, const std::vector<std::pair<int, int>>& sizes)
      : scissor(rng, kW), op(rng() % 2 ? (int)(rng() % (kVGXor + 1)) : kVGSourceOver),
        alpha(rng() % 4 == 0 ? Pick(rng, 0, 1) : 1.0f), shape(rng() % 6), paint(rng() % 8),
        transform(rng() % 3 ? 0 : 1 + rng() % 5), evenOdd(rng() % 4 == 0), stroke(rng() % 10 == 0),
        turn(Pick(rng, -3.2f, 3.2f))
  {
    const size_t which = rng() % sizes.size();
    image = (int)which, iw = sizes[which].first, ih = sizes[which].second;
    // On whole pixels of the target mostly.
    auto whole = [&](float v) { return rng() % 4 ? std::round(v * ratio) / ratio : v; };
    x = whole(Pick(rng, -8, kW)), y = whole(Pick(rng, -8, kH));
    const bool ownSize = paint >= 4 && rng() % 2;
    w = ownSize ? (float)iw / ratio : whole(Pick(rng, 1, kW)),
    h = ownSize ? (float)ih / ratio : whole(Pick(rng, 1, kH));
    for (int i = 0; i < 4; ++i)
      px[i] = Pick(rng, -4, kW + 4), py[i] = Pick(rng, -4, kH + 4);
    a = vgRGBA((unsigned char)rng(), (unsigned char)rng(), (unsigned char)rng(), (unsigned char)rng());
    b = vgRGBA((unsigned char)rng(), (unsigned char)rng(), (unsigned char)rng(), (unsigned char)rng());
    hard = rng() % 3 == 0; // a box gradient without feather
  }

  void Draw(VGcontext* vg, const int* images, float ratio) const
  {
    vgSave(vg);
    scissor.Set(vg);
    vgGlobalCompositeOperation(vg, op);
    vgGlobalAlpha(vg, alpha);
    if (transform == 1) vgTranslate(vg, 2.0f / ratio, -3.0f / ratio);
    if (transform == 2) vgTranslate(vg, 0.3f, 0.6f);
    if (transform == 3) vgScale(vg, 1.5f, 0.75f);
    if (transform == 4) vgTransform(vg, 0, 1, -1, 0, (float)kW, 0); // a right angle, exactly
    if (transform == 5) vgRotate(vg, turn / 8);
    vgFillRule(vg, evenOdd ? kVGEvenOdd : kVGNonZero);
    vgBeginPath(vg);
    if (shape == 0 || shape == 5)
      vgRect(vg, x, y, w, h);
    else if (shape == 1)
      vgRoundedRect(vg, x, y, w, h, std::min(w, h) / 3);
    else if (shape == 2)
      vgEllipse(vg, x + w / 2, y + h / 2, w / 2, h / 2);
    else
    {
      // A quadrilateral, crossing itself or not, or a star.
      const int points = shape == 3 ? 4 : 5;
      for (int i = 0; i < points; ++i)
      {
        const float sx = shape == 3 ? px[i] : x + w / 2 + w / 2 * std::cos(turn + 2.513274f * (float)i);
        const float sy = shape == 3 ? py[i] : y + h / 2 + h / 2 * std::sin(turn + 2.513274f * (float)i);
        i == 0 ? vgMoveTo(vg, sx, sy) : vgLineTo(vg, sx, sy);
      }
      vgClosePath(vg);
    }
    VGpaint p;
    if (paint == 0) p = vgLinearGradient(x, y, x + w, y + h, a, b);
    if (paint == 1) p = vgRadialGradient(x, y, 1, w, a, b);
    if (paint == 2) p = vgBoxGradient(x, y, w, h, 3, hard ? 0.0f : 4.0f, a, b);
    if (paint == 3) p = vgLinearGradient(0, 0, 1, 0, a, a); // one colour
    if (paint >= 4)
    {
      const Pattern t = PatternAt(ratio);
      p = vgImagePattern(t.x, t.y, t.w, t.h, t.turn, images[image], paint == 5 ? 0.6f : 1.0f);
    }
    PaintPath(vg, p, stroke ? 0.5f + (float)(shape % 3) : 0.0f);
    vgRestore(vg);
  }

  // Whether the centre of pixel (px, py) of the target samples the fill's image within distance (in device
  // pixels) of a texel's edge: where a plane a rounding apart may take the texel on its other side.
  bool NearTexelEdge(float ratio, int px, int py, double distance) const
  {
    if (paint < 4) return false;
    const double cx = px + 0.5, cy = py + 0.5;
    const auto texel = TexelAt(ratio, cx, cy);
    return TexelAt(ratio, cx - distance, cy) != texel || TexelAt(ratio, cx + distance, cy) != texel ||
           TexelAt(ratio, cx, cy - distance) != texel || TexelAt(ratio, cx, cy + distance) != texel;
  }

private:
  // An image paint's placement: its origin, extent and turn, in the fill's coordinates (its transform's).
  struct Pattern
  {
    float x, y, w, h, turn;
  };
  Pattern PatternAt(float ratio) const
  {
    const float pw = (float)iw / ratio, ph = (float)ih / ratio;
    if (paint == 6) return {x + 0.5f / ratio, y, pw * 1.25f, ph, 0.0f}; // pixel centres on texel edges
    return {x, y, pw, ph, paint == 7 ? turn : 0.0f};
  }

  // The texel that a point of the target (device pixels) falls in, in exact arithmetic: the point taken
  // back through the fill's transform and the pattern's.
  std::pair<long, long> TexelAt(float ratio, double dx, double dy) const
  {
    double qx = dx / ratio, qy = dy / ratio;
    auto turnBack = [&](double angle)
    {
      const double c = std::cos(angle), s = std::sin(angle);
      std::tie(qx, qy) = std::make_pair(c * qx + s * qy, c * qy - s * qx);
    };
    if (transform == 1) qx -= 2.0 / ratio, qy += 3.0 / ratio;
    if (transform == 2) qx -= (double)0.3f, qy -= (double)0.6f;
    if (transform == 3) qx /= 1.5, qy /= 0.75;
    if (transform == 4) std::tie(qx, qy) = std::make_pair(qy, kW - qx);
    if (transform == 5) turnBack((double)(turn / 8));
    const Pattern t = PatternAt(ratio);
    qx -= t.x, qy -= t.y;
    turnBack(t.turn);
    return {(long)std::floor(qx / t.w * iw), (long)std::floor(qy / t.h * ih)};
  }
};

// A frame of several fills over a few images, at a scale of 1 to 3.
struct Frame
{
  float ratio;
  std::vector<std::pair<int, int>> sizes;
  std::vector<std::vector<unsigned char>> texels;
  std::vector<int> flags;
  std::vector<FrameFill> fills;

  explicit Frame(std::mt19937& rng)
  {
    const float ratios[] = {1.0f, 2.0f, 1.0f, 2.0f, 1.5f, 3.0f};
    ratio = ratios[rng() % 6];
    for (int i = 0, n = 1 + (int)(rng() % 3); i < n; ++i)
    {
      sizes.emplace_back(1 + (int)(rng() % 40), 1 + (int)(rng() % 30));
      texels.push_back(RandomTexels(rng, sizes.back().first, sizes.back().second));
      flags.push_back((rng() % 2 ? kVGImagePremultiplied : 0) | (rng() % 5 == 0 ? kVGImageRepeatX : 0) |
                      (rng() % 8 == 0 ? kVGImageNearest : 0));
    }
    for (int i = 0, n = 2 + (int)(rng() % 5); i < n; ++i)
      fills.emplace_back(rng, ratio, sizes);
  }

  void operator()(VGcontext* vg) const
  {
    std::vector<int> images;
    for (size_t i = 0; i < sizes.size(); ++i)
      images.push_back(vgCreateImageRGBA(vg, sizes[i].first, sizes[i].second, flags[i], texels[i].data()));
    for (const FrameFill& f : fills)
      f.Draw(vg, images.data(), ratio);
  }

  // Whether a fill of an image sampled nearest samples it within distance (device pixels) of a texel's edge
  // at the centre of pixel (px, py).
  bool NearNearestTexelEdge(int px, int py, double distance) const
  {
    for (const FrameFill& f : fills)
      if ((flags[f.image] & kVGImageNearest) && f.NearTexelEdge(ratio, px, py, distance)) return true;
    return false;
  }
};

// One switch off, the rest on (a thread's share of the target, both sides'); the stated tolerance of its
// shortcut (levels 0: byte-equal), and the bytes apart it allows a fill at scale 1 (more at larger scales,
// which have more rows); nearTexelEdge: how far (device pixels) from a texel's edge an image sampled nearest
// may take the texel on the other side, at any level (0: nowhere).
struct SwitchOff
{
  const char* name;
  void (*set)(VGoptions&);
  int levels, bytesPerFill;
  uint64_t share = kShare;
  double nearTexelEdge = 0;
};

void PrintTo(const SwitchOff& off, std::ostream* out)
{
  *out << off.name;
}

const SwitchOff kSwitchesOff[] = {
    {"TexelCopies", [](VGoptions& o) { o.gpu.texelCopies = false; }, 0, 0},
    {"TexelRects", [](VGoptions& o) { o.gpu.texelRects = false; }, 0, 0},
    // A row that the bound starts later gets its coordinates a rounding apart (see there).
    {"ScissorBounds", [](VGoptions& o) { o.scissorBounds = false; }, 1, 6},
    // Shortcuts on the uniforms, to a float rounding (a byte in a thousand or so).
    {"SpanShading", [](VGoptions& o) { o.gpu.spanShading = false; }, 1, 6},
    {"FillShortcuts", [](VGoptions& o) { o.fillShortcuts = false; }, 0, 0},
    {"UnfringedRects", [](VGoptions& o) { o.unfringedRects = false; }, 0, 0},
    {"Simd", [](VGoptions& o) { o.gpu.simd = false; }, 0, 0},
    {"QuadCorners", [](VGoptions& o) { o.gpu.quadCorners = false; }, 0, 0},
    {"UnclearedStencil", [](VGoptions& o) { o.unclearedStencil = false; }, 0, 0},
    // A run of fragments after skipped ones steps its varyings from its own start: a float rounding.
    {"StencilSkipping", [](VGoptions& o) { o.gpu.stencilSkipping = false; }, 1, 6},
    // A target of many shares drawn in one band, not in bands of rows on several threads.
    {"Bands", [](VGoptions& o) { o.gpu.bandThreads = false; }, 0, 0, 256},
    {"SampledSpans", [](VGoptions& o) { o.gpu.sampledSpans = false; }, 0, 0},
    {"PlainCrossingSweep", [](VGoptions& o) { o.plainCrossingSweep = false; }, 0, 0},
    {"SharedEdges", [](VGoptions& o) { o.gpu.sharedEdges = false; }, 0, 0},
    {"FanChains", [](VGoptions& o) { o.gpu.fanChains = false; }, 0, 0},
    {"SmallTriangles", [](VGoptions& o) { o.gpu.smallTriangles = false; }, 0, 0},
    {"StencilOnlyRows", [](VGoptions& o) { o.gpu.stencilOnlyRows = false; }, 0, 0},
    {"PositionsAlone", [](VGoptions& o) { o.gpu.positionsAlone = false; }, 0, 0},
    {"SumRanges", [](VGoptions& o) { o.gpu.sumRanges = false; }, 0, 0},
    {"SampledCover", [](VGoptions& o) { o.gpu.sampledCover = false; }, 0, 0},
    {"RepeatedBlends", [](VGoptions& o) { o.gpu.repeatedBlends = false; }, 0, 0},
    {"ThinRows", [](VGoptions& o) { o.gpu.thinRows = false; }, 0, 0},
    {"SampleRowEdges", [](VGoptions& o) { o.gpu.sampleRowEdges = false; }, 0, 0},
    {"FringeApart", [](VGoptions& o) { o.fringeApart = false; }, 0, 0},
    {"RepeatedVertices", [](VGoptions& o) { o.gpu.repeatedVertices = false; }, 0, 0},
    {"VertexRuns", [](VGoptions& o) { o.gpu.vertexRuns = false; }, 0, 0},
    {"SpanReplays", [](VGoptions& o) { o.gpu.spanReplays = false; }, 0, 0},
    {"FailedUncoloured", [](VGoptions& o) { o.gpu.failedUncoloured = false; }, 0, 0},
    {"CoverageSpans", [](VGoptions& o) { o.gpu.coverageSpans = false; }, 0, 0},
    {"ApartBeforeCrossings", [](VGoptions& o) { o.apartBeforeCrossings = false; }, 0, 0},
    {"TangentTurns", [](VGoptions& o) { o.tangentTurns = false; }, 0, 0},
    // The triangles' planes through corners rounded to 256ths of a pixel, not the fan's: samples up to about
    // a 256th of a pixel apart. A level or a few, and the other texel of an image sampled nearest within a
    // 128th of a pixel of a texel's edge (which side a centre on one falls is a rounding on either path).
    {"ConvexFans", [](VGoptions& o) { o.gpu.convexFans = false; }, 8, 256, kShare, 1.0 / 128},
};

class MultiDrawFrames : public testing::TestWithParam<SwitchOff>
{
};
} // namespace

// Frames of several fills (images, patterns, gradients and colours in convex and self-crossing shapes, under
// scissors upright on whole pixels or anywhere or turned, every composite operation, transforms, global
// alpha, at scales 1 to 3) drawn with each switch off give the bytes of every switch on, but for the stated
// tolerances: no fill carries anything into the next that the other side would not. The frames are drawn one
// after another on kept contexts, as an editor draws them.
TEST_P(MultiDrawFrames, OneSwitchOffGivesTheBytesOfAllOn)
{
  const SwitchOff& off = GetParam();
  // Frames of their own for each switch; by hand, more of them (QORV_FRAMES) from another seed
  // (QORV_FRAMES_SEED).
  unsigned seed = 101;
  for (const char* c = off.name; *c; ++c)
    seed = seed * 31 + (unsigned char)*c;
  if (const char* other = std::getenv("QORV_FRAMES_SEED")) seed = (unsigned)std::strtoul(other, nullptr, 10);
  std::mt19937 rng(seed);
  VGoptions offSide;
  off.set(offSide);
  // About 6,600 frames in all, enough to meet a fault of one frame in 2,000.
  const char* more = std::getenv("QORV_FRAMES");
  const int frames = more ? std::atoi(more) : 600;
  for (int frame = 0; frame < frames; ++frame)
  {
    const Frame scene(rng);
    const auto on = DrawWith(scene.ratio, scene, VGoptions{}, kW, kH, off.share);
    const auto other = DrawWith(scene.ratio, scene, offSide, kW, kH, off.share);
    ASSERT_EQ(on.size(), other.size());
    const size_t width = (size_t)(kW * scene.ratio);
    int bytesApart = 0, worst = 0;
    size_t at = 0;
    for (size_t i = 0; i < on.size(); ++i)
      if (on[i] != other[i])
      {
        const int px = (int)(i / 4 % width), py = (int)(i / 4 / width);
        if (off.nearTexelEdge > 0 && scene.NearNearestTexelEdge(px, py, off.nearTexelEdge)) continue;
        ++bytesApart;
        if (std::abs(on[i] - other[i]) > worst) worst = std::abs(on[i] - other[i]), at = i;
      }
    ASSERT_TRUE(worst <= off.levels &&
                bytesApart <= off.bytesPerFill * (int)scene.fills.size() * (int)std::ceil(scene.ratio))
        << off.name << " off, seed " << seed << " frame " << frame << ": " << bytesApart
        << " bytes apart, up to " << worst << " levels at pixel " << at / 4 % width << ", " << at / 4 / width
        << " (scale " << scene.ratio << ")";
  }
}

INSTANTIATE_TEST_SUITE_P(Switches, MultiDrawFrames, testing::ValuesIn(kSwitchesOff),
                         [](const testing::TestParamInfo<SwitchOff>& info) { return info.param.name; });

// Concave fills whose paths do not cross (stars, sharp or blunt, Ls and chevrons down to a fraction of a
// fringe thick, jagged polygons with corners on pixel centres and halves, outlines side by side or a hole
// in one, rings with rims down to a fraction of a fringe, discs side by side or just touching, wavy discs
// of many points), under
// scissors, every composite operation, turns and scales 1 to 3: those whose fringe lies apart draw it
// without counting it first, and give the bytes of the counted fringe.
TEST(RendererShortcuts, FringesApartGiveTheCountedFringesBytes)
{
  std::mt19937 rng(53);
  VGoptions counted;
  counted.fringeApart = false;
  for (int round = 0; round < 1500; ++round)
  {
    const float ratios[] = {1.0f, 1.5f, 2.0f, 3.0f};
    const float ratio = ratios[rng() % 4];
    struct Outline
    {
      std::vector<std::pair<float, float>> points;
      bool hole;
    };
    std::vector<std::vector<Outline>> fills;
    for (int f = 0, n = 1 + (int)(rng() % 4); f < n; ++f)
    {
      std::vector<Outline> fill;
      // On pixel centres or their halves, or anywhere.
      const int snap = (int)(rng() % 3);
      auto put = [&](float x, float y)
      {
        if (snap == 1) x = (std::floor(x * ratio) + 0.5f) / ratio, y = (std::floor(y * ratio) + 0.5f) / ratio;
        if (snap == 2)
          x = std::round(x * ratio * 2) / (ratio * 2), y = std::round(y * ratio * 2) / (ratio * 2);
        return std::make_pair(x, y);
      };
      const float cx = Pick(rng, 0, kW), cy = Pick(rng, 0, kH), r = Pick(rng, 1, 24),
                  turn = Pick(rng, 0, 6.3f);
      const unsigned kind = rng() % 7;
      Outline o{{}, false};
      // A disc of points, turned either way.
      auto disc = [&](float x, float y, float radius, int points, bool reversed)
      {
        Outline d{{}, false};
        for (int i = 0; i < points; ++i)
        {
          const float a = (reversed ? -1.0f : 1.0f) * 6.2831853f * (float)i / (float)points;
          d.points.push_back(put(x + radius * std::cos(a), y + radius * std::sin(a)));
        }
        return d;
      };
      if (kind == 0)
      {
        // Now and then of many arms, its sides of more corners than are asked pair by pair.
        const int arms = rng() % 4 ? 3 + (int)(rng() % 7) : 20 + (int)(rng() % 30);
        const float inner = Pick(rng, 0.05f, 0.9f);
        for (int i = 0; i < 2 * arms; ++i)
        {
          const float a = turn + 3.14159265f * (float)i / (float)arms, radius = i % 2 ? r * inner : r;
          o.points.push_back(put(cx + radius * std::cos(a), cy + radius * std::sin(a)));
        }
      }
      else if (kind == 1)
      {
        // An L or a chevron, thick from a third of a fringe to four pixels.
        const float t = Pick(rng, 0.3f, 4.0f) / ratio, c = std::cos(turn), sn = std::sin(turn);
        const float bend = rng() % 2 ? r : r * 0.5f;
        const float l[][2] = {{0, 0}, {r, 0}, {r, t}, {t, t}, {t + bend - r, r}, {bend - r, r}};
        for (const auto& q : l)
          o.points.push_back(put(cx + q[0] * c - q[1] * sn, cy + q[0] * sn + q[1] * c));
      }
      else if (kind == 6)
      {
        // A wavy disc of many points, its lobes concave between them (sharp where it is small).
        const int points = 20 + (int)(rng() % 300), lobes = 2 + (int)(rng() % 9);
        const float depth = Pick(rng, 0.05f, 0.4f);
        for (int i = 0; i < points; ++i)
        {
          const float a = turn + 6.2831853f * (float)i / (float)points;
          const float radius = r * (1.0f - depth + depth * std::sin((float)lobes * a));
          o.points.push_back(put(cx + radius * std::cos(a), cy + radius * std::sin(a)));
        }
      }
      else if (kind >= 4)
      {
        // A ring (its hole off centre, from a third of a fringe to a few pixels from its rim), or discs side
        // by side up to a few pixels apart.
        const int points = 8 + (int)(rng() % 60);
        o = disc(cx, cy, r, points, false);
        if (kind == 4)
        {
          const float rim = Pick(rng, 0.3f, 4.0f) / ratio, hole = std::max(r * 0.2f, r - rim - r * 0.1f);
          Outline h = disc(cx + Pick(rng, -0.1f, 0.1f) * r, cy, hole, 8 + (int)(rng() % 60), true);
          h.hole = true;
          fill.push_back(o);
          o = h;
        }
        else
        {
          fill.push_back(o);
          o = disc(cx + 2 * r + Pick(rng, -0.5f, 3) / ratio, cy + Pick(rng, -2, 2), r * Pick(rng, 0.3f, 1),
                   points, rng() % 2);
        }
      }
      else
      {
        // A jagged polygon about a centre, its radii at random.
        const int points = 5 + (int)(rng() % 10);
        for (int i = 0; i < points; ++i)
        {
          const float a = turn + 6.2831853f * (float)i / (float)points, radius = r * Pick(rng, 0.2f, 1.0f);
          o.points.push_back(put(cx + radius * std::cos(a), cy + radius * std::sin(a)));
        }
      }
      fill.push_back(o);
      if (kind == 3 && rng() % 2)
      {
        // A small square hole at the centre, wound the other way.
        const float h = r * 0.1f;
        fill.push_back(
            {{put(cx - h, cy - h), put(cx - h, cy + h), put(cx + h, cy + h), put(cx + h, cy - h)}, true});
      }
      else if (kind == 3)
      {
        // A second outline beside the first, up to a few pixels away.
        Outline beside = o;
        const float dx = 2 * r + Pick(rng, -1, 3) / ratio;
        for (auto& q : beside.points)
          q.first += dx;
        fill.push_back(beside);
      }
      fills.push_back(fill);
    }
    const RandomLook look(rng);
    const VGcolor a = look.a, b = look.b;
    const bool gradient = look.gradient;
    auto scene = [&](VGcontext* vg)
    {
      for (const auto& fill : fills)
      {
        vgSave(vg);
        look.Set(vg);
        vgBeginPath(vg);
        for (const Outline& o : fill)
        {
          for (size_t k = 0; k < o.points.size(); ++k)
            k == 0 ? vgMoveTo(vg, o.points[k].first, o.points[k].second)
                   : vgLineTo(vg, o.points[k].first, o.points[k].second);
          vgClosePath(vg);
          if (o.hole) vgPathWinding(vg, kVGHole);
        }
        vgFillPaint(vg, gradient ? vgLinearGradient(0, 0, kW, kH, a, b) : vgLinearGradient(0, 0, 1, 0, a, a));
        vgFill(vg);
        vgRestore(vg);
      }
    };
    ASSERT_EQ(DrawWith(ratio, scene, VGoptions{}), DrawWith(ratio, scene, counted))
        << "round " << round << " at scale " << ratio;
  }
}

namespace
{
// Sampled fills whose fringes are drawn more than once (discs crossing, two or three, one wound either way;
// discs nested, wound alike or not, their rims down to nothing; a star or a ring crossed by a disc; discs
// side by side, just touching or just apart; a thin L over a disc; stars, thin Ls and zigzag bands alone),
// either fill rule, and the same outlines stroked through the stencil, under scissors, every composite
// operation, turns and scales 1 to 3, in one band of rows or several, in one colour or a gradient: drawn
// with every switch on and with general's, over rounds scenes from seed.
void FringesDrawnAgainGiveTheBytesOf(const VGoptions& general, unsigned seed, int rounds)
{
  std::mt19937 rng(seed);
  using Outline = std::vector<std::pair<float, float>>;
  auto disc = [](float x, float y, float radius, int points, bool reversed, float turn)
  {
    Outline d;
    for (int i = 0; i < points; ++i)
    {
      const float a = turn + (reversed ? -1.0f : 1.0f) * 6.2831853f * (float)i / (float)points;
      d.emplace_back(x + radius * std::cos(a), y + radius * std::sin(a));
    }
    return d;
  };
  // A star of arms points r long, its notches depth of r in.
  auto star = [](int arms, float r, float depth, float turn)
  {
    Outline s;
    for (int i = 0; i < 2 * arms; ++i)
    {
      const float a = turn + 3.14159265f * (float)i / (float)arms, radius = i % 2 ? r * depth : r;
      s.emplace_back(radius * std::cos(a), radius * std::sin(a));
    }
    return s;
  };
  for (int round = 0; round < rounds; ++round)
  {
    const float ratios[] = {1.0f, 1.5f, 2.0f, 3.0f};
    const float ratio = ratios[rng() % 4];
    struct Fill
    {
      std::vector<Outline> outlines;
      int rule;
      float turn, x, y;
      unsigned holes; // outline k is wound as a hole where bit k is set
    };
    std::vector<Fill> fills;
    for (int f = 0, n = 1 + (int)(rng() % 3); f < n; ++f)
    {
      Fill fill{{},
                rng() % 3 ? kVGNonZero : kVGEvenOdd,
                rng() % 2 ? Pick(rng, 0, 6.3f) : 0.0f,
                Pick(rng, 0, kW),
                Pick(rng, 0, kH),
                (unsigned)(rng() % 8) & ~1u};
      const float r = Pick(rng, 1, 20), turn = Pick(rng, 0, 6.3f);
      auto points = [&] { return 6 + (int)(rng() % (rng() % 4 ? 60 : 200)); };
      const unsigned kind = rng() % 9;
      if (kind == 0 || kind == 1)
      {
        // Two or three discs crossing, each wound either way.
        for (int k = 0, discs = kind == 0 ? 2 : 3; k < discs; ++k)
          fill.outlines.push_back(disc(k ? Pick(rng, -1.5f, 1.5f) * r : 0.0f, k ? Pick(rng, -1, 1) * r : 0.0f,
                                       r * Pick(rng, 0.3f, 1.2f), points(), rng() % 2, turn));
      }
      else if (kind == 2)
      {
        // Nested discs, the rim between them from nothing to a few pixels, off centre by up to the rim.
        const float rim = Pick(rng, 0.0f, 4.0f) / ratio;
        fill.outlines.push_back(disc(0, 0, r, points(), false, turn));
        const float inner = std::max(0.3f, r - rim - Pick(rng, 0, 1) * rim);
        fill.outlines.push_back(disc(Pick(rng, -1, 1) * (r - inner), 0, inner, points(), rng() % 2, turn));
      }
      else if (kind == 3)
      {
        // A star crossed by a disc.
        const int arms = 3 + (int)(rng() % 7);
        const float depth = Pick(rng, 0.2f, 0.9f);
        fill.outlines.push_back(star(arms, r, depth, turn));
        fill.outlines.push_back(disc(Pick(rng, -1, 1) * r, Pick(rng, -1, 1) * r, r * Pick(rng, 0.2f, 0.8f),
                                     points(), rng() % 2, turn));
      }
      else if (kind == 4)
      {
        // A ring crossed by a disc.
        fill.outlines.push_back(disc(0, 0, r, points(), false, turn));
        fill.outlines.push_back(disc(0, 0, r * Pick(rng, 0.3f, 0.9f), points(), true, turn));
        fill.outlines.push_back(
            disc(r, Pick(rng, -0.5f, 0.5f) * r, r * Pick(rng, 0.2f, 0.6f), points(), rng() % 2, 0));
      }
      else if (kind == 5)
      {
        // Discs side by side, from overlapping by half a pixel to a pixel apart.
        const float other = r * Pick(rng, 0.3f, 1.0f);
        fill.outlines.push_back(disc(0, 0, r, points(), false, turn));
        fill.outlines.push_back(
            disc(r + other + Pick(rng, -0.5f, 1.0f) / ratio, 0, other, points(), rng() % 2, turn));
      }
      else if (kind == 6)
      {
        // A thin L, over a disc or alone.
        const float t = Pick(rng, 0.3f, 3.0f) / ratio;
        fill.outlines.push_back({{0, 0}, {r, 0}, {r, t}, {t, t}, {t, r}, {0, r}});
        if (rng() % 2)
          fill.outlines.push_back(disc(r / 2, r / 2, r * Pick(rng, 0.2f, 0.7f), points(), rng() % 2, turn));
      }
      else if (kind == 7)
      {
        // A star alone, its arms sharp or blunt.
        const int arms = 3 + (int)(rng() % 9);
        const float depth = Pick(rng, 0.05f, 0.9f);
        fill.outlines.push_back(star(arms, r, depth, turn));
      }
      else
      {
        // A zigzag band, from a fraction of a pixel to a few thick.
        const int teeth = 3 + (int)(rng() % 40);
        const float thick = Pick(rng, 0.3f, 4.0f) / ratio, step = 2 * r / (float)teeth;
        Outline band;
        for (int i = 0; i <= teeth; ++i)
          band.emplace_back(-r + step * (float)i, i % 2 ? r / 4 : 0.0f);
        for (int i = teeth; i >= 0; --i)
          band.emplace_back(-r + step * (float)i, (i % 2 ? r / 4 : 0.0f) + thick);
        fill.outlines.push_back(band);
      }
      fills.push_back(fill);
    }
    const RandomLook look(rng);
    const VGcolor a = look.a, b = look.b;
    const bool gradient = look.gradient;
    // Stroked now and then, from a fraction of a pixel to a few wide.
    const float stroke = rng() % 4 ? 0.0f : Pick(rng, 0.2f, 4.0f);
    auto scene = [&](VGcontext* vg)
    {
      for (const Fill& fill : fills)
      {
        vgSave(vg);
        look.Set(vg);
        vgTranslate(vg, fill.x, fill.y);
        vgRotate(vg, fill.turn);
        vgFillRule(vg, fill.rule);
        vgBeginPath(vg);
        for (size_t i = 0; i < fill.outlines.size(); ++i)
        {
          const Outline& o = fill.outlines[i];
          for (size_t k = 0; k < o.size(); ++k)
            k == 0 ? vgMoveTo(vg, o[k].first, o[k].second) : vgLineTo(vg, o[k].first, o[k].second);
          vgClosePath(vg);
          if (fill.holes >> i & 1) vgPathWinding(vg, kVGHole);
        }
        const VGpaint paint =
            gradient ? vgLinearGradient(-20, -20, 20, 20, a, b) : vgLinearGradient(0, 0, 1, 0, a, a);
        PaintPath(vg, paint, stroke);
        vgRestore(vg);
      }
    };
    const int flags = stroke > 0 ? 0x2001 | kVGStencilStrokes : 0x2001;
    // In bands of rows on several threads now and then: each band replays its own rows.
    const uint64_t share = rng() % 4 ? kShare : (uint64_t)(kW * kH * ratio * ratio) / (2 + rng() % 6);
    ASSERT_EQ(DrawWith(ratio, scene, VGoptions{}, kW, kH, share, flags),
              DrawWith(ratio, scene, general, kW, kH, share, flags))
        << "round " << round << " at scale " << ratio;
  }
}
} // namespace

// The later draws of a fringe or a stroke replay the rows its first draw's triangles gave, and give the
// bytes of each triangle set up anew.
TEST(RendererShortcuts, ReplayedFringeRowsGiveTheBytesOfTrianglesSetUpAgain)
{
  VGoptions setUp;
  setUp.gpu.spanReplays = false;
  FringesDrawnAgainGiveTheBytesOf(setUp, 59, 1200);
}

// A fringe drawn in colour where its paths cross reads its samples' coverage: its stencil tested a pixel of
// two values at a time, and a paint of one colour shaded without the general span arithmetic, it gives the
// general path's bytes.
TEST(RendererShortcuts, CoverageSpansGiveTheGeneralPathsBytes)
{
  VGoptions general;
  general.gpu.coverageSpans = false;
  FringesDrawnAgainGiveTheBytesOf(general, 61, 1200);
}

// Frames of several fills and strokes (convex ones that the rasteriser draws as fans, strip quads of fringes
// and strokes, concave ones through the stencil; colours, gradients and images; upright and turned
// scissors; every composite operation; scales 1 and 2): drawn with the quads' corner check or the uncleared
// stencil switched off, each gives the bytes of all switched on; without the convex fans, the triangles give
// a few bytes a few levels apart.
TEST(RendererShortcuts, FansQuadCornersAndTheUnclearedStencilGiveTheGeneralPathsBytes)
{
  std::mt19937 rng(47);
  VGoptions noFans, noCorners, clearedStencil;
  noFans.gpu.convexFans = false;
  noCorners.gpu.quadCorners = false;
  clearedStencil.unclearedStencil = false;
  const std::vector<unsigned char> texels = RandomTexels(rng, 5, 3);
  for (int round = 0; round < 400; ++round)
  {
    const float ratio = rng() % 2 ? 2.0f : 1.0f;
    struct Shape
    {
      unsigned kind, paint;
      int op;
      float x, y, w, h, turn;
      RandomScissor scissor;
    };
    std::vector<Shape> shapes;
    for (int i = 0, n = 2 + (int)(rng() % 3); i < n; ++i)
      shapes.push_back(Shape{(unsigned)(rng() % 5), (unsigned)(rng() % 3), (int)(rng() % 12),
                             Pick(rng, -5, kW), Pick(rng, -5, kH), Pick(rng, 0.3f, kW), Pick(rng, 0.3f, kH),
                             rng() % 2 ? Pick(rng, -1, 1) : 0.0f, RandomScissor(rng, kW)});
    auto scene = [&](VGcontext* vg)
    {
      const int image = vgCreateImageRGBA(vg, 5, 3, 0, texels.data());
      for (const Shape& s : shapes)
      {
        vgSave(vg);
        s.scissor.Set(vg);
        vgGlobalCompositeOperation(vg, s.op);
        vgTranslate(vg, s.x, s.y);
        vgRotate(vg, s.turn);
        vgBeginPath(vg);
        if (s.kind == 0 || s.kind == 4)
          vgRect(vg, 0, 0, s.w, s.h);
        else if (s.kind == 1)
          vgRoundedRect(vg, 0, 0, s.w, s.h, std::min(s.w, s.h) / 3);
        else if (s.kind == 2)
          vgEllipse(vg, 0, 0, s.w / 2, s.h / 2);
        else
        {
          // Concave: drawn through the stencil.
          vgMoveTo(vg, 0, 0);
          vgLineTo(vg, s.w, s.h / 2);
          vgLineTo(vg, 0, s.h);
          vgLineTo(vg, s.w / 3, s.h / 2);
          vgClosePath(vg);
        }
        const VGpaint paint =
            s.paint == 0   ? vgImagePattern(0, 0, 10, 6, 0.2f, image, 0.8f)
            : s.paint == 1 ? vgLinearGradient(0, 0, 40, 30, vgRGBA(255, 200, 0, 180), vgRGBA(0, 40, 255, 90))
                           : vgColorPaint(vgRGBA(30, 160, 90, 140));
        PaintPath(vg, paint, s.kind == 4 ? s.h / 8 : 0.0f);
        vgRestore(vg);
      }
    };
    const auto all = DrawWith(ratio, scene, VGoptions{});
    ASSERT_EQ(all, DrawWith(ratio, scene, noCorners)) << "quad corners off, round " << round;
    ASSERT_EQ(all, DrawWith(ratio, scene, clearedStencil)) << "stencil cleared, round " << round;
    // A fan interpolates its varyings over the polygon from its largest triangle, each triangle alone from
    // its own corners: a float rounding apart, a level now and then, a few where an operation multiplies by
    // the target's alpha.
    const auto triangles = DrawWith(ratio, scene, noFans);
    ASSERT_EQ(all.size(), triangles.size());
    size_t apart = 0;
    for (size_t i = 0; i < all.size(); ++i)
    {
      apart += all[i] != triangles[i];
      ASSERT_LE(std::abs(all[i] - triangles[i]), 8) << "convex fans off, round " << round << " byte " << i;
    }
    EXPECT_LE(apart, all.size() / 20) << "convex fans off, round " << round;
  }
}

// Each context takes the shortcuts of its own record, not the last one set anywhere in the process: two
// contexts drawing a bitmap by turns, texel copies off in one, copy texels in the other only, and the one
// switched off draws the filter's bytes.
TEST(RendererOptions, AreEachContextsOwn)
{
  std::mt19937 rng(3);
  const int w = 20, h = 12;
  const std::vector<unsigned char> texels = RandomTexels(rng, w, h);
  qorvtest::MetalContext general(kW, kH), shortcuts(kW, kH);
  VGoptions off;
  off.gpu.texelCopies = false;
  vgSetOptions(general.ctx, off);
  EXPECT_EQ(vgOptions(general.ctx), off);
  EXPECT_EQ(vgOptions(shortcuts.ctx), VGoptions{});
  auto draw = [&](qorvtest::MetalContext& m) { return m.ImageFrame(texels, w, h, 3, 4); };
  for (int round = 0; round < 2; ++round)
  {
    uint64_t before = QorvMetalTexelsCopied();
    const auto fast = draw(shortcuts);
    EXPECT_GE(QorvMetalTexelsCopied() - before, (uint64_t)(w * h)) << round;
    before = QorvMetalTexelsCopied();
    const auto filtered = draw(general);
    EXPECT_EQ(QorvMetalTexelsCopied(), before) << round;
    EXPECT_EQ(fast, filtered) << round;
  }
}
