// The shading contract evaluated on recorded uniforms.
#include <gtest/gtest.h>

#include <cmath>

#include "graphics/vector/VGshading.h"
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
