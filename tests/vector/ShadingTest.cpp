// The shading contract evaluated on recorded uniforms.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <tuple>
#include <vector>

#include "graphics/vector/VGshading.h"

#include <QorvPlatform/Metal.h>
#include "tests/vector/VectorTestContext.h"

using namespace iplugin::igraphics;

namespace
{
MVGfragUniforms Uniforms(int type)
{
  MVGfragUniforms u{};
  const float identity[12] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0};
  std::copy(identity, identity + 12, u.paintMat);
  u.scissorExt[0] = u.scissorExt[1] = 1.0f;
  u.scissorScale[0] = u.scissorScale[1] = 1.0f;
  u.strokeMult = 1.0f;
  u.strokeThr = -1.0f;
  u.type = type;
  for (int i = 0; i < 4; i++)
  {
    u.innerCol[i] = 1.0f;
    u.outerCol[i] = 0.0f;
  }
  return u;
}

// An alpha texture that is opaque everywhere.
void Opaque(const void*, float, float, float* rgba)
{
  rgba[0] = rgba[1] = rgba[2] = rgba[3] = 1.0f;
}
} // namespace

TEST(Shading, TextIsExemptFromStrokeCoverage)
{
  MVGfragUniforms u = Uniforms(kMVGShaderImage);
  u.texType = kMVGTexAlpha;
  MVGsampler sampler{nullptr, Opaque};
  float c[4];
  // A glyph at the atlas's top-left corner: (u, v) near 0 would read as no coverage.
  ASSERT_TRUE(vgShadeFragment(u, 5, 5, 0.001f, 0.001f, true, &sampler, c));
  EXPECT_FLOAT_EQ(c[3], 1.0f);
  // Fills still fade across their fringe.
  MVGfragUniforms g = Uniforms(kMVGShaderFillGradient);
  g.feather = 1.0f;
  g.extent[0] = g.extent[1] = 100.0f;
  ASSERT_TRUE(vgShadeFragment(g, 0, 0, 0.0f, 1.0f, true, nullptr, c));
  EXPECT_FLOAT_EQ(c[3], 0.0f);
  ASSERT_TRUE(vgShadeFragment(g, 0, 0, 0.5f, 1.0f, true, nullptr, c));
  EXPECT_FLOAT_EQ(c[3], 1.0f);
}

TEST(Shading, ZeroFeatherGivesHardEdge)
{
  // Box of half size 10 around the origin, inner red, outer blue.
  MVGfragUniforms u = Uniforms(kMVGShaderFillGradient);
  u.extent[0] = u.extent[1] = 10.0f;
  u.feather = 0.0f;
  u.innerCol[2] = 0.0f;
  u.outerCol[2] = 1.0f;
  u.outerCol[3] = 1.0f;
  float c[4];
  ASSERT_TRUE(vgShadeFragment(u, 9.9f, 0, 0.5f, 1, false, nullptr, c));
  EXPECT_EQ(c[0], 1.0f);
  EXPECT_EQ(c[2], 0.0f);
  ASSERT_TRUE(vgShadeFragment(u, 10.1f, 0, 0.5f, 1, false, nullptr, c));
  EXPECT_EQ(c[0], 0.0f);
  EXPECT_EQ(c[2], 1.0f);
  for (float v : c)
    EXPECT_FALSE(std::isnan(v));
}

TEST(Shading, GradientRampsOverFeather)
{
  MVGfragUniforms u = Uniforms(kMVGShaderFillGradient);
  u.extent[0] = u.extent[1] = 10.0f;
  u.feather = 4.0f;
  float c[4];
  vgShadeFragment(u, 10, 0, 0.5f, 1, false, nullptr, c);
  EXPECT_FLOAT_EQ(c[0], 0.5f);
  vgShadeFragment(u, 12, 0, 0.5f, 1, false, nullptr, c);
  EXPECT_FLOAT_EQ(c[0], 0.0f);
  vgShadeFragment(u, 8, 0, 0.5f, 1, false, nullptr, c);
  EXPECT_FLOAT_EQ(c[0], 1.0f);
}

TEST(Shading, ScissorIsSoftOverOneFringe)
{
  MVGfragUniforms u = Uniforms(kMVGShaderFillGradient);
  u.feather = 1.0f;
  u.extent[0] = u.extent[1] = 1000.0f;
  // Scissor of half size 10 at the origin, fringe 1.
  const float identity[12] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0};
  std::copy(identity, identity + 12, u.scissorMat);
  u.scissorExt[0] = u.scissorExt[1] = 10.0f;
  EXPECT_FLOAT_EQ(vgScissorCoverage(u, 0, 0), 1.0f);
  EXPECT_FLOAT_EQ(vgScissorCoverage(u, 10, 0), 0.5f);
  EXPECT_FLOAT_EQ(vgScissorCoverage(u, 11, 0), 0.0f);
}

TEST(Shading, StencilStrokeThresholdDiscards)
{
  MVGfragUniforms u = Uniforms(kMVGShaderFillGradient);
  u.feather = 1.0f;
  u.strokeThr = kMVGStencilStrokeThreshold;
  float c[4];
  EXPECT_FALSE(vgShadeFragment(u, 0, 0, 0.25f, 1, true, nullptr, c));
  EXPECT_TRUE(vgShadeFragment(u, 0, 0, 0.5f, 1, true, nullptr, c));
  // Outside the anti-aliasing variant nothing is discarded.
  EXPECT_TRUE(vgShadeFragment(u, 0, 0, 0.25f, 1, false, nullptr, c));
}

TEST(Shading, ImageTexelsAreConvertedByType)
{
  MVGfragUniforms u = Uniforms(kMVGShaderFillImage);
  u.extent[0] = u.extent[1] = 10.0f;
  u.innerCol[3] = 0.5f;
  u.innerCol[0] = u.innerCol[1] = u.innerCol[2] = 0.5f;
  MVGsampler half{nullptr, [](const void*, float s, float t, float* rgba)
                  {
                    rgba[0] = s;
                    rgba[1] = t;
                    rgba[2] = 1.0f;
                    rgba[3] = 0.5f;
                  }};
  float c[4];
  u.texType = kMVGTexRGBA;
  vgShadeFragment(u, 5, 2, 0.5f, 1, false, &half, c);
  EXPECT_FLOAT_EQ(c[0], 0.5f * 0.5f * 0.5f); // s = 0.5, premultiplied, times inner
  EXPECT_FLOAT_EQ(c[1], 0.2f * 0.5f * 0.5f);
  EXPECT_FLOAT_EQ(c[3], 0.25f);
  u.texType = kMVGTexAlpha;
  vgShadeFragment(u, 5, 2, 0.5f, 1, false, &half, c);
  EXPECT_FLOAT_EQ(c[3], 0.5f * 0.5f); // red channel taken as alpha
}

TEST(Shading, RecordedGradientsRunFromInnerToOuterColour)
{
  qorvtest::RecordingContext c;
  vgTranslate(c.ctx, 50, 0);
  vgFillPaint(c.ctx, vgLinearGradient(0, 10, 0, 110, vgRGBAf(1, 0, 0, 1), vgRGBAf(0, 0, 1, 1)));
  vgRect(c.ctx, 0, 0, 20, 120);
  vgFill(c.ctx);
  vgFillPaint(c.ctx, vgRadialGradient(10, 60, 10, 30, vgRGBAf(1, 1, 1, 1), vgRGBAf(0, 0, 0, 0)));
  vgFill(c.ctx);
  const MVGfragUniforms& linear = c.CallUniforms(0);
  const MVGfragUniforms& radial = c.CallUniforms(1);
  float rgba[4];
  // Positions are in device space: the translation moved the paint with the drawing.
  vgShadeFragment(linear, 60, 10, 0.5f, 1, true, nullptr, rgba);
  EXPECT_NEAR(rgba[0], 1.0f, 1e-3);
  EXPECT_NEAR(rgba[2], 0.0f, 1e-3);
  vgShadeFragment(linear, 60, 60, 0.5f, 1, true, nullptr, rgba);
  EXPECT_NEAR(rgba[0], 0.5f, 1e-3);
  vgShadeFragment(linear, 60, 110, 0.5f, 1, true, nullptr, rgba);
  EXPECT_NEAR(rgba[2], 1.0f, 1e-3);
  vgShadeFragment(radial, 60, 60, 0.5f, 1, true, nullptr, rgba);
  EXPECT_NEAR(rgba[3], 1.0f, 1e-3);
  vgShadeFragment(radial, 60 + 20, 60, 0.5f, 1, true, nullptr, rgba);
  EXPECT_NEAR(rgba[3], 0.5f, 1e-3);
  vgShadeFragment(radial, 60 + 30, 60, 0.5f, 1, true, nullptr, rgba);
  EXPECT_NEAR(rgba[3], 0.0f, 1e-3);
}

namespace
{
struct SpanCase
{
  const char* name;
  MVGfragUniforms frag;
  bool antialias;
  bool rowOneColour = false; // a gradient that does not change along a row
};

MVGfragUniforms Gradient(float ext, float radius, float feather, float rotate)
{
  MVGfragUniforms u = Uniforms(kMVGShaderFillGradient);
  u.extent[0] = ext, u.extent[1] = ext * 0.5f;
  u.radius = radius;
  u.feather = feather;
  u.paintMat[0] = std::cos(rotate), u.paintMat[1] = std::sin(rotate);
  u.paintMat[4] = -std::sin(rotate), u.paintMat[5] = std::cos(rotate);
  u.paintMat[8] = -12.0f, u.paintMat[9] = -7.0f;
  u.innerCol[0] = 0.8f, u.innerCol[1] = 0.3f, u.innerCol[2] = 0.1f, u.innerCol[3] = 0.9f;
  u.outerCol[0] = 0.1f, u.outerCol[1] = 0.05f, u.outerCol[2] = 0.6f, u.outerCol[3] = 0.7f;
  return u;
}

std::vector<SpanCase> SpanCases()
{
  std::vector<SpanCase> cases;
  MVGfragUniforms solid = Gradient(0, 0, 1, 0);
  std::copy(solid.innerCol, solid.innerCol + 4, solid.outerCol);
  cases.push_back({"solid", solid, false});
  cases.push_back({"solidAA", solid, true});
  cases.push_back({"linear", Gradient(1e5f, 0, 30, 0.3f), true});
  MVGfragUniforms vertical = Gradient(0, 0, 30, 0); // as a linear gradient from (5, 2) downwards makes it
  vertical.extent[0] = 1e5f, vertical.extent[1] = 1e5f + 15;
  vertical.paintMat[8] = -5, vertical.paintMat[9] = 1e5f - 2;
  cases.push_back({"vertical", vertical, true, true});
  cases.push_back({"box", Gradient(10, 4, 6, 0), true});
  cases.push_back({"radial", Gradient(8, 8, 5, 0), false});
  cases.push_back({"hardEdge", Gradient(10, 2, 0, 0.7f), false});
  MVGfragUniforms scissored = Gradient(10, 4, 6, 0);
  const float rotated[12] = {0.8f, -0.6f, 0, 0, 0.6f, 0.8f, 0, 0, -15, -10, 1, 0};
  std::copy(rotated, rotated + 12, scissored.scissorMat);
  scissored.scissorExt[0] = 9, scissored.scissorExt[1] = 5;
  scissored.scissorScale[0] = 2, scissored.scissorScale[1] = 0.5f;
  cases.push_back({"scissored", scissored, true});
  MVGfragUniforms solidScissored = solid;
  std::copy(rotated, rotated + 12, solidScissored.scissorMat);
  std::copy(scissored.scissorExt, scissored.scissorExt + 2, solidScissored.scissorExt);
  std::copy(scissored.scissorScale, scissored.scissorScale + 2, solidScissored.scissorScale);
  cases.push_back({"solidScissored", solidScissored, true});
  MVGfragUniforms stencilStroke = solid;
  stencilStroke.strokeMult = 3.5f;
  stencilStroke.strokeThr = kMVGStencilStrokeThreshold;
  cases.push_back({"stencilStroke", stencilStroke, true});
  for (int texType : {kMVGTexRGBAPremultiplied, kMVGTexRGBA, kMVGTexAlpha})
  {
    MVGfragUniforms image = Uniforms(kMVGShaderFillImage);
    image.extent[0] = 30, image.extent[1] = 0; // a zero extent samples t = 0
    image.texType = texType;
    image.innerCol[3] = 0.6f;
    image.strokeMult = 2.0f;
    cases.push_back({"image", image, true});
    MVGfragUniforms text = image;
    text.type = kMVGShaderImage;
    text.scissorMat[0] = 1, text.scissorMat[5] = 1, text.scissorMat[8] = -20;
    text.scissorExt[0] = text.scissorExt[1] = 12;
    cases.push_back({"text", text, true});
  }
  return cases;
}

void Pattern(const void*, float s, float t, float* rgba)
{
  rgba[0] = std::fabs(std::sin(s * 7.0f)), rgba[1] = t - std::floor(t), rgba[2] = 0.25f;
  rgba[3] = std::fabs(std::cos(s * 3.0f + t));
}

class ShadingSpan : public testing::TestWithParam<SpanCase>
{
};
} // namespace

TEST_P(ShadingSpan, AgreesWithPerFragmentShading)
{
  const SpanCase& c = GetParam();
  // Spans longer than one internal block, over edges, fringes and the paint's origin.
  std::vector<float> x, y, u, v;
  for (int i = 0; i < 150; ++i)
  {
    x.push_back(-30.0f + i * 0.41f);
    y.push_back(-4.0f + i * 0.13f);
    u.push_back((i % 23) / 22.0f);
    v.push_back((i % 17) / 12.0f);
  }
  const int n = (int)x.size();
  for (bool spanSampler : {false, true})
  {
    MVGsampler sampler{nullptr, Pattern};
    if (spanSampler)
      sampler.sampleSpan = [](const void* user, const float* s, const float* t, int count, float(*rgba)[4])
      {
        for (int i = 0; i < count; ++i)
          Pattern(user, s[i], t[i], rgba[i]);
      };
    std::vector<float> colour(4 * n, -1.0f);
    std::vector<unsigned char> keep(n, 2), keepOnly(n, 2), keepShort(n, 2);
    vgShadeSpan(c.frag, x.data(), y.data(), u.data(), v.data(), n, c.antialias, &sampler,
                reinterpret_cast<float(*)[4]>(colour.data()), keep.data());
    vgShadeSpan(c.frag, x.data(), y.data(), u.data(), v.data(), n, c.antialias, &sampler, nullptr,
                keepOnly.data());
    // The discards alone of spans of one to three fragments (a thin row's) too.
    for (int i = 0, m = 1; i < n; i += m, m = m % 3 + 1)
      vgShadeSpan(c.frag, &x[i], &y[i], &u[i], &v[i], std::min(m, n - i), c.antialias, &sampler, nullptr,
                  &keepShort[i]);
    for (int i = 0; i < n; ++i)
    {
      float expected[4];
      bool kept = vgShadeFragment(c.frag, x[i], y[i], u[i], v[i], c.antialias, &sampler, expected);
      ASSERT_EQ(keep[i], kept ? 1 : 0) << c.name << " at " << i;
      ASSERT_EQ(keepOnly[i], keep[i]) << c.name << " at " << i;
      ASSERT_EQ(keepShort[i], keep[i]) << c.name << " at " << i;
      if (!kept) continue;
      for (int k = 0; k < 4; ++k)
        ASSERT_NEAR(colour[4 * i + k], expected[k], 1e-6f) << c.name << " at " << i << " channel " << k;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Table, ShadingSpan, testing::ValuesIn(SpanCases()),
                         [](const testing::TestParamInfo<SpanCase>& info)
                         { return std::string(info.param.name) + std::to_string(info.index); });

// A stepped span whose u and v are one value throughout (a fill's interior, a fringe row) may be answered
// with one colour; that colour must be what each fragment alone gives, and only an unscissored one-colour
// paint, or a gradient that does not change along the row, may answer so.
TEST_P(ShadingSpan, OneColourSpansAgreeWithPerFragmentShading)
{
  const SpanCase& c = GetParam();
  const int n = 150;
  const bool solid = c.frag.type == kMVGShaderFillGradient &&
                     (c.rowOneColour || std::equal(c.frag.innerCol, c.frag.innerCol + 4, c.frag.outerCol)) &&
                     std::all_of(c.frag.scissorMat, c.frag.scissorMat + 12, [](float m) { return m == 0; });
  MVGsampler sampler{nullptr, Pattern};
  // Rows through the box and beside it, where the nearest side is a corner.
  for (auto [u, v, row] :
       {std::tuple{0.5f, 1.0f, 3.5f}, {0.2f, 0.6f, 3.5f}, {0.02f, 0.3f, 3.5f}, {0.5f, 1.0f, 60.0f}})
  {
    float one[4];
    const VGspanSteps steps{-30.0f, 0.41f, row, 0, u, 0, v, 0};
    const bool answered = vgShadeSpanColour(c.frag, steps, n, c.antialias, one);
    float first[4];
    EXPECT_EQ(answered, solid && vgShadeFragment(c.frag, -30.0f, row, u, v, c.antialias, &sampler, first))
        << c.name << " u " << u << " row " << row;
    for (int i = 0; answered && i < n; ++i)
    {
      float expected[4];
      ASSERT_TRUE(vgShadeFragment(c.frag, -30.0f + i * 0.41f, row, u, v, c.antialias, &sampler, expected));
      for (int k = 0; k < 4; ++k)
        ASSERT_NEAR(one[k], expected[k], 1e-6f) << c.name << " at " << i << " channel " << k;
    }
  }
}

// The rows of an image's rectangle asked together are answered as each row alone would be: rows whose u and v
// step as the row before's share its coverage unless a scissor's edge runs between them, without a scissor,
// under an upright one and under a turned one.
TEST(Shading, RectangleRowsAgreeWithEachRowAlone)
{
  MVGfragUniforms image = Uniforms(kMVGShaderFillImage);
  image.extent[0] = 40, image.extent[1] = 30;
  image.texType = kMVGTexRGBA;
  MVGfragUniforms scissored = image;
  scissored.scissorMat[0] = 1, scissored.scissorMat[5] = 1, scissored.scissorMat[8] = -20,
  scissored.scissorMat[9] = -12;
  scissored.scissorExt[0] = 30, scissored.scissorExt[1] = 8;
  // (u, du, v, dv): covered whole, not at all, in part, and moving along the row.
  const float coverage[][4] = {
      {0.5f, 0, 1, 0}, {0, 0, 1, 0}, {0.5f, 0, 0.4f, 0}, {0.5f, 0, 0, 0}, {0.1f, 0.01f, 1, 0}};
  const int n = 24;
  unsigned seed = 5;
  MVGfragUniforms turned = scissored;
  turned.scissorMat[0] = 0.8f, turned.scissorMat[1] = -0.6f, turned.scissorMat[4] = 0.6f,
  turned.scissorMat[5] = 0.8f;
  for (const MVGfragUniforms& frag : {image, scissored, turned})
    for (bool antialias : {false, true})
      for (int round = 0; round < 20; ++round)
      {
        std::vector<VGspanSteps> rows;
        for (int r = 0; r < 30; ++r)
        {
          seed = seed * 1664525u + 1013904223u;
          const float* c = coverage[(seed >> 8) % 5];
          VGspanSteps row{2.5f, 1, r + 0.5f, 0, c[0], c[1], c[2], c[3]};
          // Runs of rows alike, now and then another coverage.
          if (r > 0 && (seed >> 28) < 11) std::memcpy(&row.u0, &rows.back().u0, 4 * sizeof(float));
          rows.push_back(row);
        }
        QorvSpanAnswer rect;
        const bool any = vgShadeRectSamples(frag, rows.data(), (int)rows.size(), n, antialias, rect);
        // The answer stays only until the next on this thread.
        const std::vector<unsigned char> whole =
            any ? std::vector<unsigned char>(rect.whole, rect.whole + rows.size())
                : std::vector<unsigned char>();
        const std::vector<float> t =
            any ? std::vector<float>(rect.t, rect.t + rows.size()) : std::vector<float>();
        bool found = false;
        for (size_t r = 0; r < rows.size(); ++r)
        {
          QorvSpanAnswer alone;
          unsigned char expected = 0;
          if (vgShadeSpanSamples(frag, rows[r], n, antialias, alone) && alone.tOne)
          {
            const bool one = !alone.k || std::all_of(alone.k, alone.k + n, [](float k) { return k == 1.0f; });
            const bool zero = alone.k && std::all_of(alone.k, alone.k + n, [](float k) { return k == 0.0f; });
            expected = one ? 1 : zero ? 2 : 0;
          }
          ASSERT_EQ(any ? whole[r] : 0, expected)
              << "row " << r << " round " << round << " antialias " << antialias;
          if (expected != 0)
          {
            ASSERT_EQ(t[r], alone.t[0]) << "row " << r;
          }
          found = found || expected != 0;
        }
        EXPECT_EQ(any, found);
      }
}

// A span of an image fill that nothing covers (a fringe's outer row, under any scissor) may be answered
// without samples when the rasteriser asks so: then the span function keeps every fragment with colour 0 (the
// pattern's colours are never 0 without its coverage), and it is answered so for the plain fringe rows.
TEST(Shading, SpansWithoutCoverageAgreeWithTheSpanFunction)
{
  MVGfragUniforms image = Uniforms(kMVGShaderFillImage);
  image.extent[0] = 40, image.extent[1] = 30;
  image.texType = kMVGTexRGBAPremultiplied;
  MVGfragUniforms scissored = image;
  scissored.scissorMat[0] = 0.8f, scissored.scissorMat[1] = -0.6f, scissored.scissorMat[4] = 0.6f,
  scissored.scissorMat[5] = 0.8f, scissored.scissorMat[8] = -20, scissored.scissorMat[9] = -12;
  scissored.scissorExt[0] = 30, scissored.scissorExt[1] = 8;
  MVGfragUniforms far = scissored; // products beyond the float range: inf - inf
  far.scissorMat[0] = 3e38f, far.scissorMat[8] = -3e38f;
  MVGfragUniforms stretched = scissored; // an infinite distance times a zero scale
  stretched.scissorExt[0] = -3e38f, stretched.scissorScale[0] = 0;
  MVGfragUniforms faded = image; // an alpha texture under a faded inner colour
  faded.texType = kMVGTexAlpha;
  faded.innerCol[3] = 0.6f;
  MVGfragUniforms flooded = image; // an inner colour beyond the float range
  flooded.innerCol[0] = INFINITY;
  MVGfragUniforms stencilStroke = image; // discards what the fringe does not cover
  stencilStroke.strokeThr = kMVGStencilStrokeThreshold;
  // (u, du, v, dv): uncovered by the fringe's v or u, covered in part, and moving along the row.
  const float coverage[][4] = {{0.5f, 0, 0, 0},     {0, 0, 1, 0},       {1, 0, 0.5f, 0},
                               {0.5f, 0, -0.0f, 0}, {0.5f, 0, 0.4f, 0}, {0.5f, 0.01f, 0, 0},
                               {0.5f, 0, 0, 0.02f}};
  const float starts[] = {2.5f, -7.25f, 1e30f, INFINITY, NAN};
  MVGsampler sampler{nullptr, Pattern};
  int none = 0;
  for (const MVGfragUniforms& frag : {image, scissored, far, stretched, faded, flooded, stencilStroke})
    for (bool antialias : {false, true})
      for (const float* c : coverage)
        for (float x0 : starts)
          for (int n : {1, 5, 37})
          {
            const VGspanSteps st{x0, 1, 3.5f, 0.25f, c[0], c[1], c[2], c[3]};
            QorvSpanAnswer answer;
            if (!vgShadeSpanSamples(frag, st, n, antialias, answer, true) || !answer.none) continue;
            ++none;
            std::vector<float> x, y, u, v;
            for (int i = 0; i < n; ++i)
            {
              x.push_back(st.x0 + (float)i * st.dx), y.push_back(st.y0 + (float)i * st.dy);
              u.push_back(st.u0 + (float)i * st.du), v.push_back(st.v0 + (float)i * st.dv);
            }
            std::vector<float> colour(4 * (size_t)n, -1.0f);
            std::vector<unsigned char> keep((size_t)n, 2);
            vgShadeSpan(frag, x.data(), y.data(), u.data(), v.data(), n, antialias, &sampler,
                        reinterpret_cast<float(*)[4]>(colour.data()), keep.data());
            for (int i = 0; i < n; ++i)
            {
              ASSERT_EQ(keep[i], 1) << "x0 " << x0 << " at " << i;
              for (int k = 0; k < 4; ++k)
                ASSERT_EQ(colour[4 * (size_t)i + k], 0.0f) << "x0 " << x0 << " at " << i << " channel " << k;
            }
            // Asked as the rectangle's rows ask, the span is not answered so.
            QorvSpanAnswer samples;
            vgShadeSpanSamples(frag, st, n, antialias, samples);
            ASSERT_FALSE(samples.none);
          }
  // The four uncovered rows (by v, by u at either side, by a negative zero), for each start well inside the
  // float range, without a scissor, with one near it and under a faded alpha texture, and each length.
  EXPECT_EQ(none, 4 * 2 * 3 * 3);
}

// The rows' answers are worked out a few rows at a time in the SIMD arithmetic: they are the portable
// arithmetic's, for rows that step x otherwise than the first whole one, move down along the row, or start
// from a y that is not finite, among rows that do not, in rectangles of every height.
TEST(Shading, RectangleRowsAgreeInBothArithmetics)
{
  MVGfragUniforms frag = Uniforms(kMVGShaderFillImage);
  frag.extent[0] = 40, frag.extent[1] = 30;
  frag.texType = kMVGTexRGBA;
  frag.scissorMat[0] = 1, frag.scissorMat[5] = 1, frag.scissorMat[8] = -20, frag.scissorMat[9] = -12;
  frag.scissorExt[0] = 30, frag.scissorExt[1] = 8, frag.scissorScale[0] = 1, frag.scissorScale[1] = 1;
  MVGfragUniforms unscissored = frag;
  std::fill(unscissored.scissorMat, unscissored.scissorMat + 12, 0.0f);
  const float odd[] = {2.5f + 1.0f / 64.0f, INFINITY, NAN, -0.0f};
  unsigned seed = 11;
  auto next = [&seed] { return (seed = seed * 1664525u + 1013904223u) >> 8; };
  for (const MVGfragUniforms& uniforms : {frag, unscissored})
    for (int count = 1; count < 40; ++count)
    {
      std::vector<VGspanSteps> rows;
      for (int r = 0; r < count; ++r)
      {
        VGspanSteps row{2.5f, 1, r * 0.5f - 2.0f, 0, 0.5f, 0, 1, 0};
        const unsigned kind = next() % 8;
        if (kind == 0) row.x0 = odd[next() % 4];
        if (kind == 1) row.dy = odd[next() % 4];
        if (kind == 2) row.y0 = odd[next() % 4];
        rows.push_back(row);
      }
      std::vector<unsigned char> whole[2];
      std::vector<uint32_t> t[2]; // as bits: a NaN t is the same NaN
      for (bool portable : {false, true})
      {
        const QorvGpuOptions options{.simd = !portable};
        const QorvOptionsScope scope(options);
        QorvSpanAnswer rect;
        if (vgShadeRectSamples(uniforms, rows.data(), count, 24, false, rect))
          for (int r = 0; r < count; ++r)
          {
            whole[portable].push_back(rect.whole[r]);
            uint32_t bits = 0;
            if (rect.whole[r] != 0) std::memcpy(&bits, &rect.t[r], sizeof bits);
            t[portable].push_back(bits);
          }
      }
      ASSERT_EQ(whole[0], whole[1]) << "rows " << count;
      ASSERT_EQ(t[0], t[1]) << "rows " << count;
    }
}
