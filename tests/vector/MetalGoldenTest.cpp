// One feature a picture, drawn through the vector context and the GPU renderer and compared with the
// references in tests/data/vector.
#include "tests/vector/MetalTestContext.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

using namespace iplugin::igraphics;

namespace
{
struct GoldenCase
{
  const char* name;
  std::function<void(VGcontext*)> draw;
};

void ConvexFill(VGcontext* vg)
{
  vgBeginPath(vg);
  vgCircle(vg, 60, 60, 40);
  vgFillColor(vg, vgRGBA(200, 40, 40, 255));
  vgFill(vg);
}

void ConcaveFillWithHole(VGcontext* vg)
{
  // a notched square, concave at the bottom, with a round hole
  vgBeginPath(vg);
  vgMoveTo(vg, 10, 10);
  vgLineTo(vg, 110, 10);
  vgLineTo(vg, 110, 110);
  vgLineTo(vg, 60, 65);
  vgLineTo(vg, 10, 110);
  vgClosePath(vg);
  vgCircle(vg, 60, 36, 16);
  vgPathWinding(vg, kVGHole);
  vgFillColor(vg, vgRGBA(30, 90, 200, 255));
  vgFill(vg);
}

void StrokeJoinsAndCaps(VGcontext* vg)
{
  const int joins[3] = {kVGMiter, kVGRound, kVGBevel};
  const int caps[3] = {kVGButt, kVGRound, kVGSquare};
  for (int i = 0; i < 3; ++i)
  {
    float y = 20 + i * 35;
    vgBeginPath(vg);
    vgMoveTo(vg, 15, y + 20);
    vgLineTo(vg, 45, y);
    vgLineTo(vg, 75, y + 20);
    vgLineTo(vg, 105, y);
    vgLineJoin(vg, joins[i]);
    vgLineCap(vg, caps[i]);
    vgStrokeWidth(vg, 8);
    vgStrokeColor(vg, vgRGBA(20, 20, 20, 255));
    vgStroke(vg);
  }
  // a hairline
  vgBeginPath(vg);
  vgMoveTo(vg, 10, 112);
  vgLineTo(vg, 110, 108);
  vgStrokeWidth(vg, 1);
  vgStrokeColor(vg, vgRGBA(200, 0, 0, 255));
  vgStroke(vg);
}

void LinearGradient(VGcontext* vg)
{
  vgBeginPath(vg);
  vgRect(vg, 10, 10, 100, 100);
  vgFillPaint(vg, vgLinearGradient(10, 10, 110, 110, vgRGBA(255, 200, 0, 255), vgRGBA(0, 60, 160, 255)));
  vgFill(vg);
}

void RadialAndBoxGradients(VGcontext* vg)
{
  vgBeginPath(vg);
  vgRect(vg, 5, 5, 110, 50);
  vgFillPaint(vg, vgBoxGradient(15, 15, 90, 30, 8, 10, vgRGBA(255, 255, 255, 255), vgRGBA(40, 120, 40, 255)));
  vgFill(vg);
  vgBeginPath(vg);
  vgCircle(vg, 60, 88, 28);
  vgFillPaint(vg, vgRadialGradient(60, 88, 5, 28, vgRGBA(255, 240, 0, 255), vgRGBA(160, 0, 120, 255)));
  vgFill(vg);
}

void ImagePattern(VGcontext* vg)
{
  // a 4 x 4 checkerboard of red and transparent, repeated and drawn with nearest filtering
  unsigned char px[4 * 4 * 4];
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x)
    {
      unsigned char* p = &px[(y * 4 + x) * 4];
      bool on = (x + y) % 2 == 0;
      p[0] = on ? 220 : 0, p[1] = on ? 30 : 0, p[2] = on ? 30 : 0, p[3] = on ? 255 : 0;
    }
  int image = vgCreateImageRGBA(vg, 4, 4, kVGImageRepeatX | kVGImageRepeatY | kVGImageNearest, px);
  vgBeginPath(vg);
  vgRoundedRect(vg, 10, 10, 100, 100, 20);
  vgFillPaint(vg, vgImagePattern(10, 10, 40, 40, 0, image, 1.0f));
  vgFill(vg);
}

void ScissorUnderTransform(VGcontext* vg)
{
  vgSave(vg);
  vgTranslate(vg, 60, 60);
  vgRotate(vg, kVGPi / 6);
  vgScissor(vg, -35, -25, 70, 50);
  vgBeginPath(vg);
  vgRect(vg, -60, -60, 120, 120);
  vgFillColor(vg, vgRGBA(0, 150, 100, 255));
  vgFill(vg);
  vgRestore(vg);
}

const GoldenCase kCases[] = {
    {"gpu_convex_fill", ConvexFill},
    {"gpu_concave_fill_hole", ConcaveFillWithHole},
    {"gpu_stroke_joins_caps", StrokeJoinsAndCaps},
    {"gpu_linear_gradient", LinearGradient},
    {"gpu_radial_box_gradients", RadialAndBoxGradients},
    {"gpu_image_pattern", ImagePattern},
    {"gpu_scissor_transform", ScissorUnderTransform},
};

class MetalGolden : public testing::TestWithParam<GoldenCase>
{
};
} // namespace

// Tolerance: a couple of levels inside shapes, anti-aliased edges free within 48 levels, 0.2 % outliers.
TEST_P(MetalGolden, MatchesReference)
{
  qorvtest::MetalContext m(120, 120);
  ASSERT_TRUE(m.ctx);
  m.Begin();
  GetParam().draw(m.ctx);
  qorvtest::RgbaImage image = m.End();
  ASSERT_EQ(image.width, 120);
  EXPECT_TRUE(qorvtest::MatchesGolden(image, "vector", GetParam().name));
}

INSTANTIATE_TEST_SUITE_P(Scenes, MetalGolden, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<GoldenCase>& info)
                         { return std::string(info.param.name); });
