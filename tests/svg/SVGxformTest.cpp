// Transform lists, bounds of cubic segments and the building of shapes.
#include "tests/svg/SVGtestSupport.h"

#include <gtest/gtest.h>

using namespace iplugin::igraphics;
using svgtest::Parse;
using svgtest::Shapes;

struct XformCase
{
  const char* text;
  float x, y;   // point mapped
  float ex, ey; // expected result
};

class SVGTransformList : public ::testing::TestWithParam<XformCase>
{
};

TEST_P(SVGTransformList, MapsThePoint)
{
  const XformCase& c = GetParam();
  float t[6], x, y;
  svgParseTransform(t, c.text);
  svgXformPoint(&x, &y, c.x, c.y, t);
  EXPECT_NEAR(x, c.ex, 1e-4f) << c.text;
  EXPECT_NEAR(y, c.ey, 1e-4f) << c.text;
}

INSTANTIATE_TEST_SUITE_P(
    Lists, SVGTransformList,
    ::testing::Values(XformCase{"translate(10,20) scale(2)", 1, 1, 12, 22},
                      XformCase{"rotate(90, 10, 10)", 20, 10, 10, 20}, XformCase{"skewX(45)", 0, 1, 1, 1},
                      XformCase{"skewY(45)", 1, 0, 1, 1}, XformCase{"translate(5)", 1, 1, 6, 1},
                      XformCase{"scale(2,3)", 1, 1, 2, 3}, XformCase{"matrix(1 0 0 1 4 5)", 0, 0, 4, 5},
                      XformCase{"rotate(90)", 1, 0, 0, 1},
                      // Things that change nothing.
                      XformCase{"frobnicate(3)", 1, 1, 1, 1}, XformCase{"matrix(1 0 0 1)", 1, 1, 1, 1},
                      XformCase{"scale()", 1, 1, 1, 1}, XformCase{"translate 10 20", 1, 1, 1, 1},
                      XformCase{"translate(10", 1, 1, 1, 1},
                      // Surplus numbers make the function be ignored; the rest of the list still applies.
                      XformCase{"translate(1,2,3) scale(2)", 1, 1, 2, 2},
                      XformCase{"matrix(1 0 0 1 0 0 9)translate(3,0)", 1, 1, 4, 1}));

TEST(SVGTransform, ArgumentsRunToTheClosingBracket)
{
  float args[3];
  int na = 0;
  EXPECT_EQ(svgParseTransformArgs("rotate(30 -1e1,.5) x", args, 3, &na), 17);
  ASSERT_EQ(na, 3);
  EXPECT_FLOAT_EQ(args[0], 30.0f);
  EXPECT_FLOAT_EQ(args[1], -10.0f);
  EXPECT_FLOAT_EQ(args[2], 0.5f);
  EXPECT_EQ(svgParseTransformArgs("skewX(1 2)", args, 1, &na), 9);
  EXPECT_EQ(na, -1);
  EXPECT_EQ(svgParseTransformArgs("scale(2", args, 2, &na), 0);
  EXPECT_EQ(svgParseTransformArgs("scale 2)", args, 2, &na), 0);
}

TEST(SVGTransform, InverseOfSingularIsIdentity)
{
  float t[6], inv[6];
  svgParseTransform(t, "scale(0)");
  svgXformInverse(inv, t);
  const float id[6] = {1, 0, 0, 1, 0, 0};
  for (int i = 0; i < 6; i++)
    EXPECT_EQ(inv[i], id[i]);
  EXPECT_EQ(t[0], 0.0f) << "the inverted transform is left alone";

  svgParseTransform(t, "translate(3,4) rotate(30) scale(2,5)");
  svgXformInverse(inv, t);
  float x, y;
  svgXformPoint(&x, &y, 7, -2, t);
  svgXformPoint(&x, &y, x, y, inv);
  EXPECT_NEAR(x, 7, 1e-4f);
  EXPECT_NEAR(y, -2, 1e-4f);
}

TEST(SVGCurveBounds, IncludesTheExtremaOfTheCurve)
{
  const float curve[8] = {0, 0, 0, 10, 10, 10, 10, 0};
  float b[4];
  svgCurveBounds(b, curve);
  EXPECT_FLOAT_EQ(b[0], 0);
  EXPECT_FLOAT_EQ(b[1], 0);
  EXPECT_FLOAT_EQ(b[2], 10);
  EXPECT_FLOAT_EQ(b[3], 7.5f);

  const float sShape[8] = {0, 0, 10, -10, -10, 20, 0, 10};
  svgCurveBounds(b, sShape);
  EXPECT_LT(b[0], -1.0f);
  EXPECT_GT(b[2], 1.0f);
  EXPECT_LT(b[1], 0.0f);
  EXPECT_GT(b[3], 10.0f);
}

TEST(SVGShape, StrokeWidthScalesWithTheAverageScale)
{
  auto image = Parse("<svg width='100' height='100'><g transform='scale(2, 8)'>"
                     "<path d='M0 0 L1 1' stroke='black' stroke-width='1' stroke-dasharray='1 2' "
                     "stroke-dashoffset='3'/></g></svg>");
  auto shapes = Shapes(image.get());
  ASSERT_EQ(shapes.size(), 1u);
  EXPECT_FLOAT_EQ(shapes[0]->strokeWidth, 5.0f);
  EXPECT_FLOAT_EQ(shapes[0]->strokeDashArray[0], 5.0f);
  EXPECT_FLOAT_EQ(shapes[0]->strokeDashArray[1], 10.0f);
  EXPECT_FLOAT_EQ(shapes[0]->strokeDashOffset, 15.0f);
}

TEST(SVGShape, OpacityStaysOutOfThePaint)
{
  auto image = Parse("<svg width='10' height='10'>"
                     "<rect width='5' height='5' fill='red' fill-opacity='0.5'/>"
                     "<rect width='5' height='5' fill='red' opacity='0.5'/>"
                     "<rect width='5' height='5' fill='none' stroke='#00f' stroke-opacity='0.25'/></svg>");
  auto shapes = Shapes(image.get());
  ASSERT_EQ(shapes.size(), 3u);
  EXPECT_EQ(shapes[0]->fill.color, 0x7F0000FFu);
  EXPECT_FLOAT_EQ(shapes[0]->opacity, 1.0f);
  EXPECT_EQ(shapes[1]->fill.color, 0xFF0000FFu);
  EXPECT_FLOAT_EQ(shapes[1]->opacity, 0.5f);
  EXPECT_EQ(shapes[2]->fill.type, SVG_PAINT_NONE);
  EXPECT_EQ(shapes[2]->stroke.type, SVG_PAINT_COLOR);
  EXPECT_EQ(shapes[2]->stroke.color, 0x3FFF0000u);
}

TEST(SVGShape, SubPathsComeNewestFirst)
{
  auto image = Parse("<svg width='100' height='100'><path d='M0 0 L1 0 M10 0 L11 0 M20 0 L21 0'/></svg>");
  auto shapes = Shapes(image.get());
  ASSERT_EQ(shapes.size(), 1u);
  auto paths = svgtest::Paths(shapes[0]);
  ASSERT_EQ(paths.size(), 3u);
  EXPECT_FLOAT_EQ(paths[0]->pts[0], 20);
  EXPECT_FLOAT_EQ(paths[1]->pts[0], 10);
  EXPECT_FLOAT_EQ(paths[2]->pts[0], 0);
  EXPECT_FLOAT_EQ(shapes[0]->bounds[0], 0);
  EXPECT_FLOAT_EQ(shapes[0]->bounds[2], 21);
}

TEST(SVGShape, SubPathOfThreePointsMakesNothing)
{
  svgtest::ParserPtr p;
  svgMoveTo(p.get(), 0, 0);
  svgCubicBezTo(p.get(), 1, 1, 2, 2, 3, 3);
  p->npts = 3;
  svgAddPath(p.get(), 0);
  EXPECT_EQ(p->plist, nullptr);
}

TEST(SVGShape, PointsArePlacedByTheCurrentTransform)
{
  auto image = Parse("<svg width='100' height='100'><g transform='translate(10,0)'>"
                     "<line x1='0' y1='0' x2='3' y2='0' transform='scale(2)'/></g></svg>");
  auto shapes = Shapes(image.get());
  ASSERT_EQ(shapes.size(), 1u);
  EXPECT_EQ(svgtest::DumpPath(shapes[0]->paths), "path n 4 bounds 10 0 16 0 pts 10,0 12,0 14,0 16,0");
}
