// The recording side of the renderer interface: call records, vertex layout, uniforms, textures.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <tuple>
#include <vector>

#include "graphics/vector/MVGcallBounds.h"
#include "graphics/vector/VGshading.h"
#include "tests/support/VGrecordingRenderer.h"

using namespace iplugin::igraphics;

namespace
{
struct Recorder
{
  VGrecordingRenderer* r = VGrecordingRenderer::Create(kVGAntialias);
  VGrenderParams p = r->Params();
  Recorder(int flags = kVGAntialias)
  {
    if (flags != kVGAntialias)
    {
      delete_();
      r = VGrecordingRenderer::Create(flags);
      p = r->Params();
    }
  }
  ~Recorder() { delete_(); }
  void delete_()
  {
    if (r) p.renderDelete(p.userPtr);
    r = nullptr;
  }
};

VGscissor NoScissor()
{
  VGscissor s{};
  s.extent[0] = s.extent[1] = -1.0f;
  return s;
}

// A path with n fill vertices and m stroke vertices, numbered by their x.
struct PathData
{
  std::vector<VGvertex> fill, stroke;
  VGpath path{};
  PathData(int nfill, int nstroke, float base, bool convex = true)
  {
    for (int i = 0; i < nfill; i++)
      fill.push_back({base + i, 0.0f, 0.5f, 1.0f});
    for (int i = 0; i < nstroke; i++)
      stroke.push_back({base + 100 + i, 1.0f, (float)(i & 1), 1.0f});
    path.fill = nfill ? fill.data() : nullptr;
    path.nfill = nfill;
    path.stroke = nstroke ? stroke.data() : nullptr;
    path.nstroke = nstroke;
    path.convex = convex;
    path.call = convex ? kVGFillConvex : kVGFillStencil;
    path.winding = kVGSolid;
  }
};

const VGcompositeOperationState kSourceOver = vgCompositeOperationState(kVGSourceOver);
const float kBounds[4] = {1.0f, 2.0f, 30.0f, 40.0f};
} // namespace

TEST(Recording, ConvexSinglePathHasNoCoverQuad)
{
  Recorder rec;
  PathData a(4, 10, 0.0f);
  VGpaint paint = vgColorPaint(vgRGBAf(1, 0, 0, 1));
  VGscissor sc = NoScissor();
  rec.p.renderFill(rec.p.userPtr, &paint, kSourceOver, &sc, 1.0f, kBounds, &a.path, 1, 0);
  ASSERT_EQ(rec.r->recording.ncalls, 1);
  const MVGcall& c = rec.r->recording.calls[0];
  EXPECT_EQ(c.type, kMVGConvexFill);
  EXPECT_EQ(c.triangleCount, 0);
  EXPECT_EQ(c.indexCount, 3 * (4 - 2));
  // Fan: 4 vertices, then the strip of 10 with its ends repeated.
  EXPECT_EQ(rec.r->recording.nverts, 4 + 12);
  EXPECT_EQ(c.strokeOffset, 4 + 1);
  EXPECT_EQ(c.strokeCount, 10);
  const VGvertex* v = rec.r->recording.verts;
  EXPECT_EQ(v[4].x, a.stroke[0].x);
  EXPECT_EQ(v[5].x, a.stroke[0].x);
  EXPECT_EQ(v[14].x, a.stroke[9].x);
  EXPECT_EQ(v[15].x, a.stroke[9].x);
  const uint32_t* idx = rec.r->recording.indexes;
  EXPECT_EQ(std::vector<uint32_t>(idx, idx + 6), (std::vector<uint32_t>{0, 1, 2, 0, 2, 3}));
}

TEST(Recording, TwoPathsUseStencilFormAndJoinStrips)
{
  Recorder rec;
  PathData a(5, 6, 0.0f, false), b(3, 8, 50.0f, false);
  VGpath paths[2] = {a.path, b.path};
  VGpaint paint = vgColorPaint(vgRGBAf(1, 1, 1, 1));
  VGscissor sc = NoScissor();
  rec.p.renderFill(rec.p.userPtr, &paint, kSourceOver, &sc, 1.0f, kBounds, paths, 2, 0);
  ASSERT_EQ(rec.r->recording.ncalls, 1);
  const MVGcall& c = rec.r->recording.calls[0];
  EXPECT_EQ(c.type, kMVGFill);
  // The fans reach beyond the bounds: a second quad round them clears the stencil.
  EXPECT_EQ(c.triangleCount, 8);
  EXPECT_EQ(c.indexCount, 3 * 3 + 3 * 1);
  // a + b + 4 strip slots, stroke count a + b + 2.
  EXPECT_EQ(rec.r->recording.nverts, 8 + 8 + 6 + 8 + 4);
  EXPECT_EQ(c.strokeCount, 6 + 8 + 2);
  EXPECT_EQ(c.strokeOffset, 8 + 8 + 1);
  // Second path's fan indices start at its first copied vertex.
  const uint32_t* idx = rec.r->recording.indexes + 9;
  EXPECT_EQ(std::vector<uint32_t>(idx, idx + 3), (std::vector<uint32_t>{5, 6, 7}));
  // Cover quad right after the fans.
  EXPECT_EQ(c.triangleOffset, 8);
  const VGvertex* q = rec.r->recording.verts + 8;
  EXPECT_EQ(q[0].x, 30.0f);
  EXPECT_EQ(q[0].y, 40.0f);
  EXPECT_EQ(q[1].x, 30.0f);
  EXPECT_EQ(q[1].y, 2.0f);
  EXPECT_EQ(q[2].x, 1.0f);
  EXPECT_EQ(q[2].y, 40.0f);
  EXPECT_EQ(q[3].x, 1.0f);
  EXPECT_EQ(q[3].y, 2.0f);
  for (int i = 0; i < 4; i++)
  {
    EXPECT_EQ(q[i].u, 0.5f);
    EXPECT_EQ(q[i].v, 1.0f);
  }
  // The bounds and the fans' vertices (x 0 to 52, y 0).
  EXPECT_EQ(std::vector<float>({q[4].x, q[4].y, q[5].x, q[5].y, q[6].x, q[6].y, q[7].x, q[7].y}),
            std::vector<float>({52, 40, 52, 0, 0, 40, 0, 0}));
  // The strips join: last of a repeated, then first of b repeated.
  const VGvertex* s = rec.r->recording.verts + 16;
  EXPECT_EQ(s[7].x, a.stroke[5].x);
  EXPECT_EQ(s[8].x, b.stroke[0].x);
  EXPECT_EQ(s[9].x, b.stroke[0].x);
}

// A thin fill's strip is a call of its own: no fan, no cover quad, the strip alone.
TEST(Recording, AStripIsACallOfItsOwn)
{
  Recorder rec;
  PathData a(0, 9, 0.0f);
  a.path.call = kVGFillStrip;
  VGpaint paint = vgColorPaint(vgRGBAf(1, 0, 0, 1));
  VGscissor sc = NoScissor();
  rec.p.renderFill(rec.p.userPtr, &paint, kSourceOver, &sc, 1.0f, kBounds, &a.path, 1, 0);
  ASSERT_EQ(rec.r->recording.ncalls, 1);
  const MVGcall& c = rec.r->recording.calls[0];
  EXPECT_EQ(c.type, kMVGStrip);
  EXPECT_EQ(c.triangleCount, 0);
  EXPECT_EQ(c.indexCount, 0);
  EXPECT_EQ(c.strokeCount, 9);
  EXPECT_EQ(rec.r->recording.verts[c.strokeOffset].x, a.stroke[0].x);
  EXPECT_FALSE(c.sampled);
}

TEST(Recording, DegeneratePathsStillRecordCoverQuad)
{
  Recorder rec;
  PathData a(2, 0, 0.0f, false);
  VGpaint paint = vgColorPaint(vgRGBAf(1, 1, 1, 1));
  VGscissor sc = NoScissor();
  rec.p.renderFill(rec.p.userPtr, &paint, kSourceOver, &sc, 1.0f, kBounds, &a.path, 1, 0);
  ASSERT_EQ(rec.r->recording.ncalls, 1);
  const MVGcall& c = rec.r->recording.calls[0];
  EXPECT_EQ(c.type, kMVGFill);
  EXPECT_EQ(c.indexCount, 0);
  EXPECT_EQ(c.strokeCount, 0);
  EXPECT_EQ(c.triangleCount, 4);
  EXPECT_EQ(rec.r->recording.nverts, 4);
}

TEST(Recording, StrokeUniformsAndStencilStrokes)
{
  for (int flags : {(int)kVGAntialias, kVGAntialias | kVGStencilStrokes})
  {
    Recorder rec(flags);
    PathData a(0, 6, 0.0f);
    VGpaint paint = vgColorPaint(vgRGBAf(0.5f, 1, 1, 0.5f));
    VGscissor sc = NoScissor();
    rec.p.renderStroke(rec.p.userPtr, &paint, kSourceOver, &sc, 0.5f, 3.0f, &a.path, 1);
    ASSERT_EQ(rec.r->recording.ncalls, 1);
    const MVGcall& c = rec.r->recording.calls[0];
    EXPECT_EQ(c.type, kMVGStroke);
    EXPECT_EQ(c.strokeOffset, 1);
    EXPECT_EQ(c.strokeCount, 6);
    const MVGfragUniforms& u = rec.r->Uniforms(c.uniformOffset);
    EXPECT_FLOAT_EQ(u.strokeMult, (3.0f * 0.5f + 0.25f) / 0.5f);
    EXPECT_EQ(u.strokeThr, -1.0f);
    EXPECT_FLOAT_EQ(u.innerCol[0], 0.25f);
    EXPECT_FLOAT_EQ(u.innerCol[3], 0.5f);
    if (flags & kVGStencilStrokes)
    {
      ASSERT_EQ(rec.r->recording.nuniforms, 2);
      EXPECT_FLOAT_EQ(rec.r->Uniforms(c.uniformOffset + kMVGFragSize).strokeThr, 0.9980392f);
    }
    else
      EXPECT_EQ(rec.r->recording.nuniforms, 1);
  }
}

TEST(Recording, TrianglesUseImageShader)
{
  Recorder rec;
  std::vector<VGvertex> verts(6, VGvertex{1, 2, 0.25f, 0.75f});
  int image = rec.p.renderCreateTexture(rec.p.userPtr, kVGTextureAlpha, 8, 8, 0, nullptr);
  VGpaint paint = vgColorPaint(vgRGBAf(1, 1, 1, 1));
  paint.image = image;
  VGscissor sc = NoScissor();
  rec.p.renderTriangles(rec.p.userPtr, &paint, kSourceOver, &sc, verts.data(), 6, 1.0f);
  ASSERT_EQ(rec.r->recording.ncalls, 1);
  const MVGcall& c = rec.r->recording.calls[0];
  EXPECT_EQ(c.type, kMVGTriangles);
  EXPECT_EQ(c.image, image);
  EXPECT_EQ(c.triangleCount, 6);
  const MVGfragUniforms& u = rec.r->Uniforms(c.uniformOffset);
  EXPECT_EQ(u.type, kMVGShaderImage);
  EXPECT_EQ(u.texType, kMVGTexAlpha);
  EXPECT_FLOAT_EQ(u.strokeMult, (0.5f + 0.5f) / 1.0f);
}

TEST(Recording, CallIsDroppedWhenStorageRunsOut)
{
  Recorder rec;
  rec.r->vertexLimit = 4096;
  PathData a(4, 4100, 0.0f);
  VGpaint paint = vgColorPaint(vgRGBAf(1, 1, 1, 1));
  VGscissor sc = NoScissor();
  rec.p.renderFill(rec.p.userPtr, &paint, kSourceOver, &sc, 1.0f, kBounds, &a.path, 1, 0);
  EXPECT_EQ(rec.r->recording.ncalls, 0);
  PathData b(4, 2, 0.0f);
  rec.p.renderFill(rec.p.userPtr, &paint, kSourceOver, &sc, 1.0f, kBounds, &b.path, 1, 0);
  EXPECT_EQ(rec.r->recording.ncalls, 1);
}

TEST(Recording, UniformsCarryScissorAndPaintMatrices)
{
  Recorder rec;
  PathData a(3, 0, 0.0f);
  VGpaint paint = vgBoxGradient(10, 20, 40, 60, 5, 3, vgRGBAf(1, 0, 0, 1), vgRGBAf(0, 0, 1, 0.5f));
  VGscissor sc{};
  // Scissor of half size (20, 10) around (30, 40), scaled by 2 in x.
  float xf[6] = {2, 0, 0, 1, 30, 40};
  std::copy(xf, xf + 6, sc.xform);
  sc.extent[0] = 20;
  sc.extent[1] = 10;
  rec.p.renderFill(rec.p.userPtr, &paint, kSourceOver, &sc, 0.5f, kBounds, &a.path, 1, 0);
  const MVGfragUniforms& u = rec.r->Uniforms(rec.r->recording.calls[0].uniformOffset);
  // Inverse of the scissor transform as three columns.
  const float scissorMat[12] = {0.5f, 0, 0, 0, 0, 1, 0, 0, -15, -40, 1, 0};
  for (int i = 0; i < 12; i++)
    EXPECT_FLOAT_EQ(u.scissorMat[i], scissorMat[i]) << i;
  EXPECT_FLOAT_EQ(u.scissorExt[0], 20);
  EXPECT_FLOAT_EQ(u.scissorScale[0], 2.0f / 0.5f);
  EXPECT_FLOAT_EQ(u.scissorScale[1], 1.0f / 0.5f);
  const float paintMat[12] = {1, 0, 0, 0, 0, 1, 0, 0, -30, -50, 1, 0};
  for (int i = 0; i < 12; i++)
    EXPECT_FLOAT_EQ(u.paintMat[i], paintMat[i]) << i;
  EXPECT_FLOAT_EQ(u.extent[0], 20);
  EXPECT_FLOAT_EQ(u.extent[1], 30);
  EXPECT_FLOAT_EQ(u.radius, 5);
  EXPECT_FLOAT_EQ(u.feather, 3);
  EXPECT_FLOAT_EQ(u.outerCol[2], 0.5f);
  EXPECT_EQ(u.type, kMVGShaderFillGradient);
  EXPECT_EQ(u.strokeThr, -1.0f);
}

// The kept answers are the computed ones, for questions asked again and for questions that differ from an
// earlier one in a single input (a matrix entry, the extent or scale, a ratio, the target size).
TEST(Recording, ScissorBoundsCacheAnswersAsTheBoundsDo)
{
  std::mt19937 rng(5151);
  auto pick = [&](std::initializer_list<float> values) { return *(values.begin() + rng() % values.size()); };
  auto fresh = [&]
  {
    MVGfragUniforms u{};
    if (rng() % 8 != 0)
    {
      const bool upright = rng() % 3 != 0;
      const float angle = float(rng() % 628) / 100.f, scale = pick({1.f, 0.5f, 2.f});
      const float ca = upright ? scale : std::cos(angle) * scale,
                  sa = upright ? 0.f : std::sin(angle) * scale;
      const float m[12] = {ca, sa, 0, 0, -sa, ca, 0, 0, -float(rng() % 400), -float(rng() % 300), 1, 0};
      std::copy(m, m + 12, u.scissorMat);
      u.scissorExt[0] = float(rng() % 200) / 2.f - (rng() % 10 == 0 ? 150.f : 0.f);
      u.scissorExt[1] = float(rng() % 200) / 2.f;
      u.scissorScale[0] = u.scissorScale[1] = pick({1.f, 2.f, 0.5f});
    }
    return std::make_tuple(u, pick({1.f, 1.5f, 2.f, 0.f}), pick({1.f, 2.f}), int(100 + rng() % 900),
                           int(100 + rng() % 600));
  };
  MVGscissorBoundsCache cache;
  std::vector<std::tuple<MVGfragUniforms, float, float, int, int>> asked;
  for (int q = 0; q < 6000; ++q)
  {
    if (asked.empty() || q % 3 == 0)
      asked.push_back(fresh());
    else if (q % 3 == 1)
    {
      auto changed = asked[rng() % asked.size()];
      auto& [u, rx, ry, w, h] = changed;
      switch (rng() % 6)
      {
      case 0:
        u.scissorMat[rng() % 12] += 0.25f;
        break;
      case 1:
        u.scissorExt[rng() % 2] += 0.5f;
        break;
      case 2:
        u.scissorScale[rng() % 2] *= 2.f;
        break;
      case 3:
        (rng() % 2 ? rx : ry) += 0.5f;
        break;
      case 4:
        w -= 7;
        break;
      default:
        h -= 5;
        break;
      }
      asked.push_back(changed);
    }
    const auto& [u, rx, ry, w, h] = q % 3 == 2 ? asked[rng() % asked.size()] : asked.back();
    MVGpixelRect want{-1, -1, -1, -1}, got{-1, -1, -1, -1};
    const bool bounded = mvgScissorPixelBounds(u, rx, ry, w, h, want);
    ASSERT_EQ(cache.Bounds(u, rx, ry, w, h, got), bounded) << "question " << q;
    ASSERT_EQ(std::tie(got.x0, got.y0, got.x1, got.y1), std::tie(want.x0, want.y0, want.x1, want.y1))
        << "question " << q;
  }
}

// A scissor's pixel bounds leave out only pixels whose centre it does not cover at all, as the shader
// computes coverage; an upright scissor on whole pixels is bounded by exactly its pixels, so that the rows
// inside are covered whole.
TEST(Recording, ScissorPixelBoundsHoldEveryCoveredPixel)
{
  struct Case
  {
    float l, t, r, b, ratio, xScale;
    bool whole; // on whole pixels: bounds are exactly the scissor's
  };
  const Case cases[] = {{808, 354, 826, 536, 1, 1, true},
                        {808, 354, 826, 536, 2, 1, true},
                        {0, 0, 875, 580, 2, 1, true},
                        {22.5f, 3.5f, 40, 18, 2, 1, true},
                        {10.25f, 3.6f, 50.7f, 20.1f, 1, 1, false},
                        {10.25f, 3.6f, 50.7f, 20.1f, 1.5f, 1, false},
                        {10.25f, 3.6f, 50.7f, 20.1f, 2, 1, false},
                        {12, 4, 40, 30, 1, 2, false},
                        {7, 9, 8, 10, 2, 1, true}};
  const int w = 1800, h = 1200;
  for (const Case& c : cases)
  {
    Recorder rec;
    PathData a(3, 0, 0.0f);
    VGpaint paint = vgBoxGradient(0, 0, 40, 60, 5, 3, vgRGBAf(1, 0, 0, 1), vgRGBAf(0, 0, 1, 0.5f));
    VGscissor sc{};
    const float xf[6] = {c.xScale, 0, 0, 1, (c.l + c.r) / 2, (c.t + c.b) / 2};
    std::copy(xf, xf + 6, sc.xform);
    sc.extent[0] = (c.r - c.l) / 2 / c.xScale;
    sc.extent[1] = (c.b - c.t) / 2;
    rec.p.renderFill(rec.p.userPtr, &paint, kSourceOver, &sc, 1.0f / c.ratio, kBounds, &a.path, 1, 0);
    const MVGfragUniforms& u = rec.r->Uniforms(rec.r->recording.calls[0].uniformOffset);
    MVGpixelRect out{};
    ASSERT_TRUE(mvgScissorPixelBounds(u, c.ratio, c.ratio, w, h, out));
    const std::string where = "scissor " + std::to_string(c.l) + ", " + std::to_string(c.t) + " at ratio " +
                              std::to_string(c.ratio);
    if (c.whole)
    {
      EXPECT_EQ(out.x0, int(c.l * c.ratio)) << where;
      EXPECT_EQ(out.y0, int(c.t * c.ratio)) << where;
      EXPECT_EQ(out.x1, int(c.r * c.ratio)) << where;
      EXPECT_EQ(out.y1, int(c.b * c.ratio)) << where;
    }
    // Every pixel outside the bounds is uncovered: the columns beside them along each row inside, the rows
    // above and below along each column inside.
    auto cover = [&](int px, int py)
    { return vgScissorCoverage(u, (px + 0.5f) / c.ratio, (py + 0.5f) / c.ratio); };
    int outsideCovered = 0;
    for (int py = out.y0; py < out.y1; ++py)
      for (int px : {out.x0 - 3, out.x0 - 2, out.x0 - 1, out.x1, out.x1 + 1, out.x1 + 2})
        outsideCovered += px >= 0 && px < w && cover(px, py) > 0.0f;
    for (int px = out.x0; px < out.x1; ++px)
      for (int py : {out.y0 - 3, out.y0 - 2, out.y0 - 1, out.y1, out.y1 + 1, out.y1 + 2})
        outsideCovered += py >= 0 && py < h && cover(px, py) > 0.0f;
    EXPECT_EQ(outsideCovered, 0) << where;
    // Where pixel centres are exact in view units, the bounds keep at most one uncovered pixel on a side.
    if (c.ratio == 1.0f || c.ratio == 2.0f)
    {
      EXPECT_GT(cover(out.x0 + 1, (out.y0 + out.y1) / 2), 0.0f) << where;
      EXPECT_GT(cover(out.x1 - 2, (out.y0 + out.y1) / 2), 0.0f) << where;
    }
  }
}

TEST(Recording, NoScissorAndSingularPaintTransform)
{
  Recorder rec;
  PathData a(3, 0, 0.0f);
  VGpaint paint = vgColorPaint(vgRGBAf(1, 1, 1, 1));
  float singular[6] = {1e-4f, 0, 0, 1e-3f, 7, 8};
  std::copy(singular, singular + 6, paint.xform);
  VGscissor sc = NoScissor();
  rec.p.renderFill(rec.p.userPtr, &paint, kSourceOver, &sc, 1.0f, kBounds, &a.path, 1, 0);
  const MVGfragUniforms& u = rec.r->Uniforms(0);
  for (float m : u.scissorMat)
    EXPECT_EQ(m, 0.0f);
  EXPECT_EQ(u.scissorExt[0], 1.0f);
  EXPECT_EQ(u.scissorScale[1], 1.0f);
  const float identity[12] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0};
  for (int i = 0; i < 12; i++)
    EXPECT_EQ(u.paintMat[i], identity[i]) << i;
}

struct ImagePaintCase
{
  int type;
  int flags;
  int texType;
};

class RecordingImagePaint : public testing::TestWithParam<ImagePaintCase>
{
};

TEST_P(RecordingImagePaint, TextureTypeAndFlip)
{
  Recorder rec;
  const ImagePaintCase& k = GetParam();
  int image = rec.p.renderCreateTexture(rec.p.userPtr, k.type, 4, 4, k.flags, nullptr);
  ASSERT_GT(image, 0);
  VGpaint paint = vgImagePattern(10, 20, 40, 30, 0.0f, image, 0.5f);
  PathData a(3, 0, 0.0f);
  VGscissor sc = NoScissor();
  rec.p.renderFill(rec.p.userPtr, &paint, kSourceOver, &sc, 1.0f, kBounds, &a.path, 1, 0);
  const MVGfragUniforms& u = rec.r->Uniforms(0);
  EXPECT_EQ(u.type, kMVGShaderFillImage);
  EXPECT_EQ(u.texType, k.texType);
  EXPECT_EQ(u.radius, 0.0f);
  EXPECT_EQ(u.feather, 0.0f);
  // Paint space from view space: the top of the tile maps to y = 0, or to y = 30 when flipped.
  float px = u.paintMat[0] * 10 + u.paintMat[4] * 20 + u.paintMat[8];
  float py = u.paintMat[1] * 10 + u.paintMat[5] * 20 + u.paintMat[9];
  EXPECT_NEAR(px, 0.0f, 1e-4);
  EXPECT_NEAR(py, (k.flags & kVGImageFlipY) ? 30.0f : 0.0f, 1e-4);
}

INSTANTIATE_TEST_SUITE_P(Types, RecordingImagePaint,
                         testing::Values(ImagePaintCase{kVGTextureRGBA, 0, kMVGTexRGBA},
                                         ImagePaintCase{kVGTextureRGBA, kVGImagePremultiplied,
                                                        kMVGTexRGBAPremultiplied},
                                         ImagePaintCase{kVGTextureAlpha, 0, kMVGTexAlpha},
                                         ImagePaintCase{kVGTextureRGBA, kVGImageFlipY, kMVGTexRGBA}));

TEST(Recording, UnknownImageStillRecordsTheCall)
{
  Recorder rec;
  VGpaint paint = vgImagePattern(0, 0, 10, 10, 0.0f, 42, 1.0f);
  PathData a(3, 0, 0.0f);
  VGscissor sc = NoScissor();
  rec.p.renderFill(rec.p.userPtr, &paint, kSourceOver, &sc, 1.0f, kBounds, &a.path, 1, 0);
  ASSERT_EQ(rec.r->recording.ncalls, 1);
  EXPECT_EQ(rec.r->recording.calls[0].image, 42);
  MVGfragUniforms frag;
  EXPECT_FALSE(rec.r->convertPaint(&frag, &paint, &sc, 1.0f, 1.0f, -1.0f));
}

struct BlendCase
{
  VGcompositeOperationState op;
  MVGblend blend;
};

class RecordingBlend : public testing::TestWithParam<BlendCase>
{
};

TEST_P(RecordingBlend, CodesBecomeGpuFactors)
{
  MVGblend b = mvgBlendCompositeOperation(GetParam().op);
  EXPECT_EQ(b.srcRGB, GetParam().blend.srcRGB);
  EXPECT_EQ(b.dstRGB, GetParam().blend.dstRGB);
  EXPECT_EQ(b.srcAlpha, GetParam().blend.srcAlpha);
  EXPECT_EQ(b.dstAlpha, GetParam().blend.dstAlpha);
}

INSTANTIATE_TEST_SUITE_P(
    Table, RecordingBlend,
    testing::Values(
        BlendCase{{kVGOne, kVGOneMinusSrcAlpha, kVGOne, kVGOneMinusSrcAlpha},
                  {kMVGBlendOne, kMVGBlendOneMinusSourceAlpha, kMVGBlendOne, kMVGBlendOneMinusSourceAlpha}},
        BlendCase{{kVGDstAlpha, kVGZero, kVGSrcAlphaSaturate, kVGOneMinusDstColor},
                  {kMVGBlendDestinationAlpha, kMVGBlendZero, kMVGBlendSourceAlphaSaturated,
                   kMVGBlendOneMinusDestinationColor}},
        BlendCase{{kVGSrcColor, kVGOneMinusSrcColor, kVGDstColor, kVGOneMinusDstAlpha},
                  {kMVGBlendSourceColor, kMVGBlendOneMinusSourceColor, kMVGBlendDestinationColor,
                   kMVGBlendOneMinusDestinationAlpha}},
        // Code 3 is not a single bit: the whole blend falls back to source over.
        BlendCase{{kVGZero, 3, kVGZero, kVGZero},
                  {kMVGBlendOne, kMVGBlendOneMinusSourceAlpha, kMVGBlendOne, kMVGBlendOneMinusSourceAlpha}}));

TEST(Recording, TextureIdsCountUpAndRecordsAreReused)
{
  Recorder rec;
  int a = rec.p.renderCreateTexture(rec.p.userPtr, kVGTextureRGBA, 2, 2, 0, nullptr);
  int b = rec.p.renderCreateTexture(rec.p.userPtr, kVGTextureRGBA, 2, 2, 0, nullptr);
  EXPECT_EQ(a, 1);
  EXPECT_EQ(b, 2);
  EXPECT_EQ(rec.p.renderDeleteTexture(rec.p.userPtr, a), 1);
  EXPECT_EQ(rec.p.renderDeleteTexture(rec.p.userPtr, a), 0);
  int c = rec.p.renderCreateTexture(rec.p.userPtr, kVGTextureAlpha, 3, 5, 0, nullptr);
  EXPECT_EQ(c, 3);
  EXPECT_EQ(rec.r->textures.size(), 2u);
  int w = -1, h = -1;
  EXPECT_EQ(rec.p.renderGetTextureSize(rec.p.userPtr, a, &w, &h), 0);
  EXPECT_EQ(w, -1);
  EXPECT_EQ(rec.p.renderGetTextureSize(rec.p.userPtr, c, &w, &h), 1);
  EXPECT_EQ(w, 3);
  EXPECT_EQ(h, 5);
}

TEST(Recording, UpdateCopiesRegionOfWholeTextureBuffer)
{
  Recorder rec;
  int image = rec.p.renderCreateTexture(rec.p.userPtr, kVGTextureAlpha, 16, 12, 0, nullptr);
  std::vector<unsigned char> data(16 * 12);
  for (size_t i = 0; i < data.size(); i++)
    data[i] = (unsigned char)i;
  EXPECT_EQ(rec.p.renderUpdateTexture(rec.p.userPtr, image, 5, 7, 3, 2, data.data()), 1);
  const VGrecordedTexture* t = rec.r->FindTexture(image);
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(t->pixels[7 * 16 + 5], data[7 * 16 + 5]);
  EXPECT_EQ(t->pixels[8 * 16 + 7], data[8 * 16 + 7]);
  EXPECT_EQ(t->pixels[7 * 16 + 8], 0);
  EXPECT_EQ(t->pixels[6 * 16 + 5], 0);
  EXPECT_EQ(rec.p.renderUpdateTexture(rec.p.userPtr, 99, 0, 0, 1, 1, data.data()), 0);
}
