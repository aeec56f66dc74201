// Colours, gradients, image patterns and the paint setters of the render state.
#include <gtest/gtest.h>

#include <cmath>

#include "graphics/vector/VGshading.h"
#include "tests/vector/VectorTestContext.h"

using namespace iplugin::igraphics;
using qorvtest::RecordingContext;

namespace
{
void ExpectColor(VGcolor c, float r, float g, float b, float a)
{
  EXPECT_NEAR(c.r, r, 1e-6);
  EXPECT_NEAR(c.g, g, 1e-6);
  EXPECT_NEAR(c.b, b, 1e-6);
  EXPECT_NEAR(c.a, a, 1e-6);
}

// Paint-space point of a user-space point.
void ToPaint(const VGpaint& p, float x, float y, float* px, float* py)
{
  float inv[6];
  vgTransformInverse(inv, p.xform);
  vgTransformPoint(px, py, inv, x, y);
}
} // namespace

TEST(Color, Constructors)
{
  ExpectColor(vgRGB(255, 0, 51), 1, 0, 0.2f, 1);
  ExpectColor(vgRGBf(0.1f, 0.2f, 0.3f), 0.1f, 0.2f, 0.3f, 1);
  ExpectColor(vgRGBA(0, 255, 0, 51), 0, 1, 0, 0.2f);
  ExpectColor(vgRGBAf(0.1f, 0.2f, 0.3f, 0.4f), 0.1f, 0.2f, 0.3f, 0.4f);
  ExpectColor(vgTransRGBA(vgRGBf(1, 1, 1), 102), 1, 1, 1, 0.4f);
  ExpectColor(vgTransRGBAf(vgRGBf(1, 1, 1), 0.7f), 1, 1, 1, 0.7f);
  VGcolor c = vgRGBAf(0.1f, 0.2f, 0.3f, 0.4f);
  EXPECT_EQ(c.rgba[2], 0.3f);
}

TEST(Color, LerpClampsItsParameter)
{
  VGcolor c0 = vgRGBAf(0, 0, 0, 0), c1 = vgRGBAf(1, 0.5f, 0.25f, 1);
  ExpectColor(vgLerpRGBA(c0, c1, -1), 0, 0, 0, 0);
  ExpectColor(vgLerpRGBA(c0, c1, 2), 1, 0.5f, 0.25f, 1);
  ExpectColor(vgLerpRGBA(c0, c1, 0.5f), 0.5f, 0.25f, 0.125f, 0.5f);
}

TEST(Color, HSL)
{
  ExpectColor(vgHSL(0, 1, 0.5f), 1, 0, 0, 1);
  ExpectColor(vgHSL(1.0f / 3, 1, 0.5f), 0, 1, 0, 1);
  ExpectColor(vgHSL(2.0f / 3, 1, 0.5f), 0, 0, 1, 1);
  ExpectColor(vgHSL(0.5f, 0, 0.25f), 0.25f, 0.25f, 0.25f, 1);
  ExpectColor(vgHSLA(0, 1, 1, 51), 1, 1, 1, 0.2f);
  // Hue wraps; saturation and lightness clamp.
  VGcolor a = vgHSLA(1.25f, 1, 0.5f, 255), b = vgHSLA(0.25f, 1, 0.5f, 255);
  ExpectColor(a, b.r, b.g, b.b, 1);
  VGcolor n = vgHSLA(-0.75f, 2, 0.5f, 255);
  ExpectColor(n, b.r, b.g, b.b, 1);
  ExpectColor(vgHSL(0, 1, 0.75f), 1, 0.5f, 0.5f, 1);
}

TEST(Paint, LinearGradientRunsFromStartToEnd)
{
  VGcolor in = vgRGBf(1, 0, 0), out = vgRGBf(0, 0, 1);
  VGpaint p = vgLinearGradient(10, 20, 10, 120, in, out);
  EXPECT_FLOAT_EQ(p.feather, 100);
  EXPECT_FLOAT_EQ(p.radius, 0);
  EXPECT_FLOAT_EQ(p.extent[0], 1e5f);
  EXPECT_FLOAT_EQ(p.extent[1], 1e5f + 50);
  // The box edge is at the middle of the segment, in the box's own y axis.
  float px, py;
  ToPaint(p, 10, 70, &px, &py);
  EXPECT_NEAR(vgRoundedBoxDistance(px, py, p.extent[0], p.extent[1], p.radius), 0.0f, 0.02f);
  ToPaint(p, 10, 20, &px, &py);
  EXPECT_NEAR(vgRoundedBoxDistance(px, py, p.extent[0], p.extent[1], p.radius), -50.0f, 0.02f);
  ExpectColor(p.innerColor, 1, 0, 0, 1);
  ExpectColor(p.outerColor, 0, 0, 1, 1);
}

TEST(Paint, DegenerateGradientsStayDrawable)
{
  VGcolor in = vgRGBf(1, 1, 1), out = vgRGBf(0, 0, 0);
  VGpaint p = vgLinearGradient(5, 5, 5, 5, in, out);
  EXPECT_FLOAT_EQ(p.feather, 1);
  // Direction (0, 1).
  EXPECT_FLOAT_EQ(p.xform[0], 1);
  EXPECT_FLOAT_EQ(p.xform[1], 0);
  EXPECT_FLOAT_EQ(p.xform[2], 0);
  EXPECT_FLOAT_EQ(p.xform[3], 1);
  EXPECT_FLOAT_EQ(p.xform[5], 5 - 1e5f);

  VGpaint r = vgRadialGradient(3, 4, 10, 10, in, out);
  EXPECT_FLOAT_EQ(r.feather, 1);
  EXPECT_FLOAT_EQ(r.radius, 10);
  EXPECT_FLOAT_EQ(r.extent[0], 10);
  EXPECT_FLOAT_EQ(r.xform[4], 3);
  EXPECT_FLOAT_EQ(r.xform[5], 4);
  EXPECT_FLOAT_EQ(vgRadialGradient(0, 0, 10, 30, in, out).feather, 20);
  EXPECT_FLOAT_EQ(vgRadialGradient(0, 0, 10, 30, in, out).radius, 20);

  VGpaint b = vgBoxGradient(10, 20, 40, 60, 5, 0.5f, in, out);
  EXPECT_FLOAT_EQ(b.feather, 1);
  EXPECT_FLOAT_EQ(b.xform[4], 30);
  EXPECT_FLOAT_EQ(b.xform[5], 50);
  EXPECT_FLOAT_EQ(b.extent[0], 20);
  EXPECT_FLOAT_EQ(b.extent[1], 30);
  EXPECT_FLOAT_EQ(b.radius, 5);
}

TEST(Paint, ImagePattern)
{
  VGpaint p = vgImagePattern(10, 20, 64, 32, kVGPi / 2, 7, 0.5f);
  EXPECT_EQ(p.image, 7);
  EXPECT_NEAR(p.xform[0], 0, 1e-6);
  EXPECT_NEAR(p.xform[1], 1, 1e-6);
  EXPECT_NEAR(p.xform[2], -1, 1e-6);
  EXPECT_FLOAT_EQ(p.xform[4], 10);
  EXPECT_FLOAT_EQ(p.xform[5], 20);
  EXPECT_FLOAT_EQ(p.extent[0], 64);
  EXPECT_FLOAT_EQ(p.extent[1], 32);
  EXPECT_EQ(p.radius, 0);
  EXPECT_EQ(p.feather, 0);
  ExpectColor(p.innerColor, 1, 1, 1, 0.5f);
  ExpectColor(p.outerColor, 1, 1, 1, 0.5f);
}

TEST(Paint, PaintsAreFixedInTheUserSpaceTheyAreSetIn)
{
  RecordingContext c;
  vgTranslate(c.ctx, 10, 0);
  vgFillPaint(c.ctx, vgRadialGradient(5, 5, 1, 2, vgRGBf(1, 1, 1), vgRGBf(0, 0, 0)));
  vgStrokePaint(c.ctx, vgBoxGradient(0, 0, 10, 10, 0, 1, vgRGBf(1, 1, 1), vgRGBf(0, 0, 0)));
  EXPECT_FLOAT_EQ(vgGetState(c.ctx)->fill.xform[4], 15);
  EXPECT_FLOAT_EQ(vgGetState(c.ctx)->stroke.xform[4], 15);
  // A solid colour ignores the transform.
  vgFillColor(c.ctx, vgRGBf(0, 1, 0));
  vgStrokeColor(c.ctx, vgRGBf(0, 0, 1));
  const VGstate* s = vgGetState(c.ctx);
  EXPECT_EQ(s->fill.xform[4], 0);
  EXPECT_EQ(s->fill.feather, 1);
  EXPECT_EQ(s->fill.image, 0);
  ExpectColor(s->fill.outerColor, 0, 1, 0, 1);
  ExpectColor(s->stroke.innerColor, 0, 0, 1, 1);
}
